#include "chart/output/widgets/ChartOutputWidgetModules.h"

#include "chart/engine/widgets/DuvPanelHost.h"
#include "chart/engine/widgets/DuvProcsWidgets.h"
#include "chart/output/DBChart.h"

void InitializeChartOutputWidgetModules()
{
    ScreenCursorHook = [](TCursor cursor) { ChangeScreenCursor(CursorShapeOf(cursor)); };
}

void FinalizeChartOutputWidgetModules()
{
    ScreenCursorHook = nullptr;
    ChangeScreenCursor(Qt::ArrowCursor);
}
