#include "chart/tools/ChartToolsModules.h"

#include "chart/tools/DuvAnimate.h"
#include "chart/tools/DuvTools.h"

void InitializeChartToolsModules()
{
    InitializeDuvAnimate();
    DuvToolsInitialization();
}

void FinalizeChartToolsModules()
{
    DuvToolsFinalization();
    FinalizeDuvAnimate();
}
