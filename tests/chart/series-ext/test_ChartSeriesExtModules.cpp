#include <gtest/gtest.h>

#include "chart/series-ext/ChartSeriesExtModules.h"
#include "chart/series-ext/support_SeriesExtTest.h"

// The extended series modules stop and start again as often as a test program needs.
TEST(ChartSeriesExtModules, StopAndStartAgain)
{
    seriesexttest::StartSeriesExtModules();
    FinalizeChartSeriesExtModules();
    InitializeChartSeriesExtModules();
    SUCCEED();
}
