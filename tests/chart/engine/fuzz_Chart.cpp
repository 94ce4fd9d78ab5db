// Whole charts read from chart files: titles, walls, legend, palette and axes. Reading any stream
// never crashes or leaks, a chart that was read draws on a canvas of fixed metrics, and it writes
// itself again.
#include <cassert>
#include <cstdint>
#include <memory>
#include <string>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartEngineModules.h"
#include "chart/engine/ChartLegend.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/graphics/RecordingCanvas.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool started = [] {
        InitializeChartGraphicsModules();
        InitializeChartEngineModules();
        return true;
    }();
    (void)started;
    TChart chart;
    chart.SetBounds(0, 0, 400, 250);
    try {
        TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
        ReadComponentFromStream(stream, &chart);
    } catch (const Exception&) {
    }
    assert(chart.Legend() && chart.Walls() && chart.BackWall());
    const int palette = chart.ColorPaletteIndex();
    assert(palette >= -2);
    (void)palette;
    chart.ReplaceCanvas(std::make_unique<TRecordingCanvas>(), "TRecordingCanvas");
    try {
        chart.DrawToCanvas(nullptr, chart.GetPanelRect());
    } catch (const Exception&) {
        // Settings a stream may hold (a bad axis range) are reported, not crashed on.
    }
    TMemoryStream out;
    WriteComponentToStream(out, &chart);
    return 0;
}
