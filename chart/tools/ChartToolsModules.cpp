#include "chart/tools/ChartToolsModules.h"

void InitializeChartToolsModules() {}

void FinalizeChartToolsModules() {}
