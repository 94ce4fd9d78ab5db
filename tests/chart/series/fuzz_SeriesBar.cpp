// Charts with bar series read from chart files (binary, or text starting with "object"): any
// settings of the bars (kinds, styles, sizes, origins, groups, effects) with points from tiny
// to huge never crash the reading, the drawing flat and in 3D, the hit tests or the writing.
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "chart/engine/Chart.h"
#include "chart/graphics/RecordingCanvas.h"
#include "chart/series/SeriesBar.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentText.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"
#include "SeriesFuzzStart.h"

namespace {

// Values that stress stacking, percentages and pixel conversion.
constexpr double kValues[] = {0, 3, -2, 1e308, -1e308, 0, 5e-324, 7, -7, 1e9};

void DrawAndHit(TChart& chart)
{
    try {
        chart.DrawToCanvas(nullptr, chart.GetPanelRect());
    } catch (const Exception&) {
    }
    for (int i = 0; i < chart.CountSeries(); ++i)
        if (auto* bars = dynamic_cast<TCustomBarSeries*>(chart.GetSeries(i)))
            for (int y = 0; y < 250; y += 25) bars->PointAtScreen(y * 2, y);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    seriesfuzz::StartSeriesModulesOnce();
    TChart chart;
    chart.SetBounds(0, 0, 400, 250);
    seriesfuzz::ReadChartBytes(data, size, &chart);
    for (int i = 0; i < chart.CountSeries(); ++i)
        if (auto* bars = dynamic_cast<TCustomBarSeries*>(chart.GetSeries(i)))
            for (std::size_t k = 0; k < std::size(kValues); ++k) {
                try {
                    bars->AddBar(kValues[(k + static_cast<std::size_t>(i)) % std::size(kValues)]);
                } catch (const Exception&) {
                }
            }
    chart.ReplaceCanvas(std::make_unique<TRecordingCanvas>(), "TRecordingCanvas");
    DrawAndHit(chart);
    chart.SetView3D(!chart.View3D());
    DrawAndHit(chart);
    TMemoryStream out;
    WriteComponentToStream(out, &chart);
    return 0;
}
