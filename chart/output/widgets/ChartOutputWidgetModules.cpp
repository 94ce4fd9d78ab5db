#include "chart/output/widgets/ChartOutputWidgetModules.h"

#include "chart/engine/Chart.h"
#include "chart/engine/widgets/DuvPanelHost.h"
#include "chart/engine/widgets/DuvProcsWidgets.h"
#include "chart/output/DBChart.h"
#include "chart/output/DuvEditPro.h"
#include "chart/output/widgets/DuvPrevi.h"

namespace {

TChartOutputServices outputServices;

}  // namespace

void TChartOutputServices::ShowPreview(TComponent*, TCustomDuvPanel& panel) { ShowChartPreview(nullptr, &panel); }

std::string TChartOutputServices::SaveChartAs(TCustomChart& chart) { return ::SaveChartAs(chart); }

void TChartOutputServices::ShowScreenCursor(int cursor) { ChangeScreenCursor(CursorShapeOf(cursor)); }

void InitializeChartOutputWidgetModules()
{
    TChartEditorServices* previous = InstallChartEditorServices(&outputServices);
    if (previous) InstallChartEditorServices(previous);
}

void FinalizeChartOutputWidgetModules()
{
    if (&ChartEditorServices() == &outputServices) InstallChartEditorServices(nullptr);
    ChangeScreenCursor(Qt::ArrowCursor);
}
