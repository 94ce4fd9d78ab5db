#include "chart/series/ChartSeriesModules.h"

#include "chart/series/DuvClusteringTool.h"
#include "chart/series/RuRazaziFunction.h"
#include "chart/series/RuRazaziSeries.h"
#include "chart/series/Series.h"

void InitializeChartSeriesModules()
{
    RuRazaziSeriesInitialization();
    RuRazaziFunctionInitialization();
    SeriesInitialization();
    DuvClusteringToolInitialization();
}

void FinalizeChartSeriesModules() { DuvClusteringToolFinalization(); }
