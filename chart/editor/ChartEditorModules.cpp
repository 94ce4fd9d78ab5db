#include "chart/editor/ChartEditorModules.h"

#include "chart/editor/DuvProCo.h"

void InitializeChartEditorModules()
{
    DuvProCoInitialization();
}

void FinalizeChartEditorModules()
{
    DuvProCoFinalization();
}
