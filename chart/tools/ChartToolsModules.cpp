#include "chart/tools/ChartToolsModules.h"

#include "chart/tools/DuvTools.h"

void InitializeChartToolsModules() { DuvToolsInitialization(); }

void FinalizeChartToolsModules() { DuvToolsFinalization(); }
