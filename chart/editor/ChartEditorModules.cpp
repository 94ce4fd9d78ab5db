#include "chart/editor/ChartEditorModules.h"

#include "chart/editor/DuvProCo.h"
#include "chart/editor/DuvThemes.h"

void InitializeChartEditorModules()
{
    DuvProCoInitialization();
    DuvThemesInitialization();
}

void FinalizeChartEditorModules()
{
    DuvThemesFinalization();
    DuvProCoFinalization();
}
