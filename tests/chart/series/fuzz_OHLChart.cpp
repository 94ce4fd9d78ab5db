// Charts with price bars, point-and-figure, histogram and indicator series read from chart
// streams, their settings and points as the bytes say. Reading never crashes or leaks; the chart
// draws flat and in 3D, answers a hit test on every series, recalculates its functions, and
// writes itself again.
#include <cstdint>
#include <memory>
#include <string>

#include "chart/engine/Chart.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/RecordingCanvas.h"
#include "chart/series/OHLChart.h"
#include "chart/series/StatCharHistogram.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"
#include "SeriesFuzzStart.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    seriesfuzz::StartSeriesModulesOnce();
    TChart chart;
    chart.SetBounds(0, 0, 400, 250);
    seriesfuzz::ReadChartBytes(data, size, &chart);
    chart.ReplaceCanvas(std::make_unique<TRecordingCanvas>(), "TRecordingCanvas");
    for (bool view3D : {false, true}) {
        chart.SetView3D(view3D);
        try {
            chart.DrawToCanvas(nullptr, chart.GetPanelRect());
            for (int i = 0; i < chart.CountSeries(); ++i) chart.GetSeries(i)->PointAtScreen(200, 120);
        } catch (const Exception&) {
        }
    }
    for (int i = 0; i < chart.CountSeries(); ++i) {
        auto* series = dynamic_cast<TChartSeries*>(chart.GetSeries(i));
        if (!series) continue;
        if (auto* figure = dynamic_cast<TPointFigureSeries*>(series)) figure->CalcColumns(false);
        try {
            series->RefreshFromSources();
        } catch (const Exception&) {
        }
    }
    TMemoryStream out;
    WriteComponentToStream(out, &chart);
    return 0;
}
