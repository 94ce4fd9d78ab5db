#include "chart/series/ChartSeriesModules.h"

#include "chart/series/DuvClusteringTool.h"
#include "chart/series/DuvDownSampling.h"
#include "chart/series/DuvSeriesStats.h"
#include "chart/series/RuRazaziFunction.h"
#include "chart/series/RuRazaziSeries.h"
#include "chart/series/Series.h"
#include "chart/series/SeriesBar.h"
#include "chart/series/SeriesCircled.h"
#include "chart/series/SeriesPie.h"
#include "chart/series/StatChar.h"

void InitializeChartSeriesModules()
{
    RuRazaziSeriesInitialization();
    RuRazaziFunctionInitialization();
    SeriesBarInitialization();
    SeriesCircledInitialization();
    SeriesPieInitialization();
    SeriesInitialization();
    DuvClusteringToolInitialization();
    StatCharInitialization();
    DuvDownSamplingInitialization();
    DuvSeriesStatsInitialization();
}

void FinalizeChartSeriesModules()
{
    DuvSeriesStatsFinalization();
    DuvDownSamplingFinalization();
    StatCharFinalization();
    DuvClusteringToolFinalization();
}
