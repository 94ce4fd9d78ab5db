#include "chart/output/ChartOutputModules.h"

#include "chart/output/DBChart.h"
#include "chart/output/DuvComma.h"
#include "chart/output/DuvExcelSource.h"
#include "chart/output/DuvGDIPlus.h"
#include "chart/output/DuvPreviewPanel.h"
#include "chart/output/DuvStore.h"
#include "chart/output/DuvURL.h"

void InitializeChartOutputModules()
{
    DuvGDIPlusInitialization();
    DuvStoreInitialization();
    DuvPreviewPanelInitialization();
    DBChartInitialization();
    DuvCommaInitialization();
    DuvURLInitialization();
    DuvExcelSourceInitialization();
}

void FinalizeChartOutputModules()
{
    DuvExcelSourceFinalization();
    DuvURLFinalization();
    DBChartFinalization();
    DuvStoreFinalization();
    DuvGDIPlusFinalization();
}
