#include "chart/series/ChartSeriesModules.h"

#include "chart/series/DuvClusteringTool.h"
#include "chart/series/DuvCount.h"
#include "chart/series/DuvCumu.h"
#include "chart/series/DuvFunci.h"
#include "chart/series/DuvHistogram.h"
#include "chart/series/RuRazaziFunction.h"
#include "chart/series/RuRazaziSeries.h"
#include "chart/series/Series.h"
#include "chart/series/SeriesBar.h"
#include "chart/series/SeriesCircled.h"
#include "chart/series/SeriesPie.h"

void InitializeChartSeriesModules()
{
    RuRazaziSeriesInitialization();
    RuRazaziFunctionInitialization();
    SeriesBarInitialization();
    SeriesCircledInitialization();
    SeriesPieInitialization();
    SeriesInitialization();
    DuvFunciInitialization();
    DuvHistogramInitialization();
    DuvCumuInitialization();
    DuvCountInitialization();
    DuvClusteringToolInitialization();
}

void FinalizeChartSeriesModules()
{
    DuvClusteringToolFinalization();
    DuvCountFinalization();
    DuvCumuFinalization();
    DuvHistogramFinalization();
    DuvFunciFinalization();
}
