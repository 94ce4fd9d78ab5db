#include "chart/output/ChartOutputModules.h"

#include "chart/output/DuvGDIPlus.h"

void InitializeChartOutputModules() { DuvGDIPlusInitialization(); }

void FinalizeChartOutputModules() { DuvGDIPlusFinalization(); }
