#include "chart/editor/support_EditorTest.h"

#include "chart/editor/ChartEditorModules.h"
#include "chart/output/support_SmoothCanvas.h"
#include "chart/output/widgets/ChartOutputWidgetModules.h"
#include "chart/series/ChartSeriesModules.h"

namespace editortest {

void StartEditorModules()
{
    static const bool started = [] {
        outputtest::StartOutputModules();
        InitializeChartSeriesModules();
        InitializeChartOutputWidgetModules();
        InitializeChartEditorModules();
        return true;
    }();
    (void)started;
}

}  // namespace editortest
