#include "chart/engine/ChartEngineModules.h"

#include "chart/engine/DuvProcs.h"

void InitializeChartEngineModules() { DuvProcsInitialization(); }

void FinalizeChartEngineModules() { DuvProcsFinalization(); }
