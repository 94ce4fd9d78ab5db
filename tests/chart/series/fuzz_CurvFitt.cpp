// Charts whose series are fed by the fitting, trend, correlation and smoothing functions, read
// from chart streams with the functions' settings as the bytes say. Every series without a source
// gets points from a table (repeated X, far offsets, a huge value, a null point), the functions
// recalculate, the line series draw themselves smoothed and back, and the chart writes itself
// again. Nothing may crash; only the functions' own messages may be raised.
#include <cstdint>
#include <memory>
#include <string>

#include "chart/engine/Chart.h"
#include "chart/graphics/RecordingCanvas.h"
#include "chart/series/Series.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"
#include "SeriesFuzzStart.h"

namespace {

constexpr double kPoints[][2] = {{0, 1},   {1, 3},    {1, 2},     {2, 0},    {3, -4},  {1e9 + 1, 5},
                                 {1e9 + 2, 6}, {5, 1e300}, {6, -1e-300}, {7, 2},  {7, 2},   {8, 0.5}};

void Fill(TChart& chart)
{
    for (int i = 0; i < chart.CountSeries(); ++i) {
        auto* series = dynamic_cast<TChartSeries*>(chart.GetSeries(i));
        if (!series || series->DataSourceCount() > 0 || series->Function()) continue;
        const int count = 1 + i % static_cast<int>(std::size(kPoints));
        for (int k = 0; k < count; ++k) series->AddPointXY(kPoints[k][0], kPoints[k][1]);
        if (count > 3) series->SetNull(2);
    }
}

void Draw(TChart& chart)
{
    try {
        chart.DrawToCanvas(nullptr, chart.GetPanelRect());
    } catch (const Exception&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    seriesfuzz::StartSeriesModulesOnce();
    TChart chart;
    chart.SetBounds(0, 0, 400, 250);
    seriesfuzz::ReadChartBytes(data, size, &chart);
    chart.ReplaceCanvas(std::make_unique<TRecordingCanvas>(), "TRecordingCanvas");
    try {
        Fill(chart);
    } catch (const Exception&) {
    }
    for (int i = 0; i < chart.CountSeries(); ++i) {
        try {
            chart.RefreshSeriesData(chart.GetSeries(i));
        } catch (const Exception&) {
        }
    }
    Draw(chart);
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < chart.CountSeries(); ++i)
            if (auto* series = dynamic_cast<TCustomSeries*>(chart.GetSeries(i))) series->SetLineFlag(pass == 0);
        Draw(chart);
    }
    TMemoryStream out;
    WriteComponentToStream(out, &chart);
    return 0;
}
