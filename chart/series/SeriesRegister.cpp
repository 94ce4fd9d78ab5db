// The standard series in the gallery, in the order the gallery shows them.
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/Series.h"
#include "chart/series/SeriesBar.h"
#include "chart/series/SeriesFastLine.h"
#include "chart/series/SeriesPie.h"

void RegisterSeriesUnitTypes()
{
    RegisterDefaultPageSeries(&TLineSeries::StaticClass(), &DuvMsgGalleryLine);
    RegisterDefaultPageSeries(&TBarSeries::StaticClass(), &DuvMsgGalleryBar);
    RegisterDefaultPageSeries(&THorizBarSeries::StaticClass(), &DuvMsgGalleryHorizBar);
    RegisterDefaultPageSeries(&TAreaSeries::StaticClass(), &DuvMsgGalleryArea);
    RegisterDefaultPageSeries(&TPointSeries::StaticClass(), &DuvMsgGalleryPoint);
    RegisterSeriesType(&TPieSeries::StaticClass(), &DuvMsgGalleryPie, &DuvMsgGalleryStandard, 1);
    RegisterDefaultPageSeries(&TFastLineSeries::StaticClass(), &DuvMsgGalleryFastLine);
    RegisterSeriesType(&THorizLineSeries::StaticClass(), &DuvMsgGalleryHorizLine, &DuvMsgGalleryStandard, 1);
    RegisterSeriesType(&THorizAreaSeries::StaticClass(), &DuvMsgGalleryHorizArea, &DuvMsgGalleryStandard, 1);
}

void SeriesInitialization()
{
    for (const TClassInfo* info : {&TCustomLineSeries::StaticClass(), &TCustomSeries::StaticClass()})
        RegisterClassForStreaming(*info);
    RegisterSeriesUnitTypes();
}
