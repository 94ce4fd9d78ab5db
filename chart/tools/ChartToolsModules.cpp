#include "chart/tools/ChartToolsModules.h"

#include "chart/tools/DuvAnimate.h"

void InitializeChartToolsModules()
{
    InitializeDuvAnimate();
}

void FinalizeChartToolsModules()
{
    FinalizeDuvAnimate();
}
