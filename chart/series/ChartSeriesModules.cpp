#include "chart/series/ChartSeriesModules.h"

#include "chart/series/RuRazaziFunction.h"
#include "chart/series/RuRazaziSeries.h"
#include "chart/series/SeriesBar.h"

void InitializeChartSeriesModules()
{
    RuRazaziSeriesInitialization();
    RuRazaziFunctionInitialization();
    SeriesBarInitialization();
}

void FinalizeChartSeriesModules() {}
