#include <gtest/gtest.h>

#include "chart/editor/ChartEditorModules.h"
#include "chart/editor/support_EditorTest.h"

// The editor modules stop and start again as often as a test program needs.
TEST(ChartEditorModules, StopAndStartAgain)
{
    editortest::StartEditorModules();
    FinalizeChartEditorModules();
    InitializeChartEditorModules();
    SUCCEED();
}
