// Charts with palette and grid series read from chart files (binary, or text starting with
// "object"): hostile "CustomPalette" blocks (negative or huge counts, truncated) and hostile
// grid sizes raise a read error; the drawing and the writing that follow never crash.
#include <cstdint>
#include <memory>

#include "chart/engine/Chart.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/RecordingCanvas.h"
#include "chart/series-ext/DuvSurfaGrid.h"
#include "chart/series/SeriesFuzzStart.h"
#include "platform/core/ComponentWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool started = [] {
        seriesfuzz::StartSeriesModulesOnce();
        RegisterClassForStreaming(TPaletteSeries::StaticClass());
        RegisterClassForStreaming(TCustom3DGridSeries::StaticClass());
        return true;
    }();
    (void)started;
    TChart chart;
    chart.SetBounds(0, 0, 400, 250);
    seriesfuzz::ReadChartBytes(data, size, &chart);
    chart.ReplaceCanvas(std::make_unique<TRecordingCanvas>(), "TRecordingCanvas");
    for (const bool view3D : {false, true}) {
        chart.SetView3D(view3D);
        try {
            chart.DrawToCanvas(nullptr, chart.GetPanelRect());
        } catch (const Exception&) {
        }
    }
    TMemoryStream out;
    WriteComponentToStream(out, &chart);
    return 0;
}
