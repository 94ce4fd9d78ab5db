#include "chart/tools/support_ToolsTest.h"

#include "chart/editor/support_EditorTest.h"
#include "chart/tools/ChartToolsModules.h"

namespace toolstest {

void StartToolsModules()
{
    static const bool started = [] {
        editortest::StartEditorModules();
        InitializeChartToolsModules();
        return true;
    }();
    (void)started;
}

}  // namespace toolstest
