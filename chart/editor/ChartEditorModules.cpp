#include "chart/editor/ChartEditorModules.h"

#include "chart/editor/DuvGalleryPanel.h"
#include "chart/editor/DuvPenDlg.h"
#include "chart/editor/DuvProCo.h"

// The texts come first: everything after registers references to them.
void InitializeChartEditorModules()
{
    DuvProCoInitialization();
    DuvGalleryPanelInitialization();
    DuvPenDlgInitialization();
}

void FinalizeChartEditorModules()
{
    DuvPenDlgFinalization();
    DuvProCoFinalization();
}
