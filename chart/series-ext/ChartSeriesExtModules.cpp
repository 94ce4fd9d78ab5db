#include "chart/series-ext/ChartSeriesExtModules.h"

void InitializeChartSeriesExtModules() {}

void FinalizeChartSeriesExtModules() {}
