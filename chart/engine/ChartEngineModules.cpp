#include "chart/engine/ChartEngineModules.h"

#include "chart/engine/DuvPanel.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazazi.h"

void InitializeChartEngineModules()
{
    DuvProcsInitialization();
    DuvPanelInitialization();
    RuRazaziInitialization();
}

void FinalizeChartEngineModules()
{
    DuvPanelFinalization();
    DuvProcsFinalization();
}
