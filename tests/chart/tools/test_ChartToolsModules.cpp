#include <gtest/gtest.h>

#include "chart/tools/ChartToolsModules.h"
#include "chart/tools/support_ToolsTest.h"

// The tools modules stop and start again as often as a test program needs.
TEST(ChartToolsModules, StopAndStartAgain)
{
    toolstest::StartToolsModules();
    FinalizeChartToolsModules();
    InitializeChartToolsModules();
    SUCCEED();
}
