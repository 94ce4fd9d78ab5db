#include "chart/series/ChartSeriesModules.h"

#include "chart/series/DuvClusteringTool.h"
#include "chart/series/RuRazaziFunction.h"
#include "chart/series/RuRazaziSeries.h"

void InitializeChartSeriesModules()
{
    RuRazaziSeriesInitialization();
    RuRazaziFunctionInitialization();
    DuvClusteringToolInitialization();
}

void FinalizeChartSeriesModules() { DuvClusteringToolFinalization(); }
