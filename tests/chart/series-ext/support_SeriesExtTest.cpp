#include "chart/series-ext/support_SeriesExtTest.h"

#include "chart/series-ext/ChartSeriesExtModules.h"
#include "chart/tools/support_ToolsTest.h"

namespace seriesexttest {

void StartSeriesExtModules()
{
    static const bool started = [] {
        toolstest::StartToolsModules();
        InitializeChartSeriesExtModules();
        return true;
    }();
    (void)started;
}

}  // namespace seriesexttest
