#include "chart/output/ChartOutputModules.h"

#include "chart/output/DBChart.h"
#include "chart/output/DuvBmpOptions.h"
#include "chart/output/DuvComma.h"
#include "chart/output/DuvEditPro.h"
#include "chart/output/DuvEmfOptions.h"
#include "chart/output/DuvExcelSource.h"
#include "chart/output/DuvExport.h"
#include "chart/output/DuvGDIPlus.h"
#include "chart/output/DuvPreviewPanel.h"
#include "chart/output/DuvStore.h"
#include "chart/output/DuvURL.h"

void InitializeChartOutputModules()
{
    DuvGDIPlusInitialization();
    DuvStoreInitialization();
    DuvExportInitialization();
    DuvBmpOptionsInitialization();
    DuvEmfOptionsInitialization();
    DuvPreviewPanelInitialization();
    DBChartInitialization();
    DuvCommaInitialization();
    DuvURLInitialization();
    DuvExcelSourceInitialization();
    DuvEditProInitialization();
}

void FinalizeChartOutputModules()
{
    DuvEditProFinalization();
    DuvExcelSourceFinalization();
    DuvURLFinalization();
    DBChartFinalization();
    DuvEmfOptionsFinalization();
    DuvBmpOptionsFinalization();
    DuvExportFinalization();
    DuvStoreFinalization();
    DuvGDIPlusFinalization();
}
