#include "chart/editor/ChartEditorModules.h"

#include "chart/editor/DuvGalleryPanel.h"
#include "chart/editor/DuvPenDlg.h"
#include "chart/editor/DuvProCo.h"
#include "chart/editor/DuvSelectList.h"
#include "chart/editor/DuvSourceEdit.h"
#include "chart/editor/DuvThemes.h"

// The texts come first: everything after registers references to them.
void InitializeChartEditorModules()
{
    DuvProCoInitialization();
    DuvGalleryPanelInitialization();
    DuvThemesInitialization();
    DuvPenDlgInitialization();
    DuvSourceEditInitialization();
    DuvSelectListInitialization();
}

void FinalizeChartEditorModules()
{
    DuvSelectListFinalization();
    DuvSourceEditFinalization();
    DuvPenDlgFinalization();
    DuvThemesFinalization();
    DuvProCoFinalization();
}
