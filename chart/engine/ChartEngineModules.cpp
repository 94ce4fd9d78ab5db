#include "chart/engine/ChartEngineModules.h"

#include "chart/engine/AxisPanel.h"
#include "chart/engine/Chart.h"
#include "chart/engine/DuvPanel.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/DuvShape.h"
#include "chart/engine/DuvTextShape.h"
#include "chart/engine/RuRazazi.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/engine/RuRazaziSelect.h"

void InitializeChartEngineModules()
{
    DuvProcsInitialization();
    DuvPanelInitialization();
    RegisterShapeClasses();
    RegisterTextShapeClasses();
    RuRazaziInitialization();
    RuRazaziListsInitialization();
    RuRazaziAxisInitialization();
    AxisPanelInitialization();
    RuRazaziSelectInitialization();
    ChartInitialization();
}

void FinalizeChartEngineModules()
{
    ChartFinalization();
    DuvPanelFinalization();
    DuvProcsFinalization();
}
