#include "chart/engine/ChartEngineModules.h"

#include "chart/engine/DuvPanel.h"
#include "chart/engine/DuvProcs.h"

void InitializeChartEngineModules()
{
    DuvProcsInitialization();
    DuvPanelInitialization();
}

void FinalizeChartEngineModules()
{
    DuvPanelFinalization();
    DuvProcsFinalization();
}
