#include "chart/output/widgets/ChartOutputWidgetModules.h"

#include "chart/engine/widgets/DuvPanelHost.h"
#include "chart/engine/widgets/DuvProcsWidgets.h"
#include "chart/output/DBChart.h"
#include "chart/output/widgets/DuvPrevi.h"

void InitializeChartOutputWidgetModules()
{
    ScreenCursorHook = [](TCursor cursor) { ChangeScreenCursor(CursorShapeOf(cursor)); };
    DuvPreviInitialization();
}

void FinalizeChartOutputWidgetModules()
{
    DuvPreviFinalization();
    ScreenCursorHook = nullptr;
    ChangeScreenCursor(Qt::ArrowCursor);
}
