// Chart files holding the tools of the tools unit, read by LoadChartFromStream. Reading any
// stream never crashes or leaks; a stream that fails leaves the chart as it was.
#include <cassert>
#include <cstdint>
#include <string>

#include "chart/engine/ChartEngineModules.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/output/ChartOutputModules.h"
#include "chart/output/DuvStore.h"
#include "chart/series/ChartSeriesModules.h"
#include "chart/series/Series.h"
#include "chart/tools/DuvTools.h"
#include "platform/core/Streams.h"

namespace {

std::string SavedForm(TChart& chart)
{
    TMemoryStream stream;
    SaveChartToStream(chart, stream, true, false);
    return stream.Bytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool started = [] {
        InitializeChartGraphicsModules();
        InitializeChartEngineModules();
        InitializeChartSeriesModules();
        InitializeChartOutputModules();
        DuvToolsInitialization();
        return true;
    }();
    (void)started;
    TChart chart;
    chart.SetName("Chart1");
    chart.SetBounds(0, 0, 200, 150);
    auto* kept = new TAnnotationTool(&chart);
    kept->SetName("Kept");
    kept->SetParentChart(&chart);
    const std::string before = SavedForm(chart);
    TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
    try {
        LoadChartFromStream(chart, stream);
    } catch (const Exception&) {
        const bool unchanged = SavedForm(chart) == before && chart.Tools()->Count() == 1;
        assert(unchanged);
        (void)unchanged;
        return 0;
    }
    try {
        SavedForm(chart);
    } catch (const Exception&) {
        // Settings a stream may hold (a name too long to write back) are reported, not crashed on.
    }
    return 0;
}
