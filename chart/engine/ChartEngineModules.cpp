#include "chart/engine/ChartEngineModules.h"

#include "chart/engine/DuvPanel.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/DuvShape.h"
#include "chart/engine/DuvTextShape.h"
#include "chart/engine/RuRazazi.h"

void InitializeChartEngineModules()
{
    DuvProcsInitialization();
    DuvPanelInitialization();
    RegisterShapeClasses();
    RegisterTextShapeClasses();
    RuRazaziInitialization();
}

void FinalizeChartEngineModules()
{
    DuvPanelFinalization();
    DuvProcsFinalization();
}
