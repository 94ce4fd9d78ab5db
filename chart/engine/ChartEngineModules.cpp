#include "chart/engine/ChartEngineModules.h"

void InitializeChartEngineModules() {}

void FinalizeChartEngineModules() {}
