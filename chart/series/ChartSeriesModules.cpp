#include "chart/series/ChartSeriesModules.h"

#include "chart/series/CurvFitt.h"
#include "chart/series/DuvClusteringTool.h"
#include "chart/series/DuvSpline.h"
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
    DuvSplineInitialization();
    CurvFittInitialization();
    DuvClusteringToolInitialization();
}

void FinalizeChartSeriesModules()
{
    DuvClusteringToolFinalization();
    CurvFittFinalization();
    DuvSplineFinalization();
}
