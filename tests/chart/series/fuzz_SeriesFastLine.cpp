// Charts with fast line series read from chart streams, their settings and points as the bytes
// say. Reading never crashes or leaks; every way of drawing the line (segments, one polyline,
// first point or span per column, on worker threads, in 3D), a hit test and an added point
// drawn on its own run on whatever was read, and the chart writes itself again.
#include <cstdint>
#include <memory>
#include <string>

#include "chart/engine/Chart.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/RecordingCanvas.h"
#include "chart/series/SeriesFastLine.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"
#include "SeriesFuzzStart.h"

namespace {

void DrawAllWays(TChart& chart, TFastLineSeries& series)
{
    for (int way = 0; way < 6; ++way) {
        series.SetDrawAllPoints(way < 3);
        series.SetDrawStyle(way == 1 ? flAll : flSegments);
        series.SetDrawAllPointsStyle(way == 4 ? daMinMax : daFirst);
        chart.ThreadCount = way == 2 || way == 5 ? 3 : 0;
        chart.SetView3D(way == 5);
        try {
            chart.DrawToCanvas(nullptr, chart.GetPanelRect());
            series.PointAtScreen(200, 120);
        } catch (const Exception&) {
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool registered = [] {
        seriesfuzz::StartSeriesModulesOnce();
        RegisterClassForStreaming(TFastLineSeries::StaticClass());
        return true;
    }();
    (void)registered;
    TChart chart;
    chart.SetBounds(0, 0, 400, 250);
    seriesfuzz::ReadChartBytes(data, size, &chart);
    chart.ReplaceCanvas(std::make_unique<TRecordingCanvas>(), "TRecordingCanvas");
    for (int i = 0; i < chart.CountSeries(); ++i) {
        auto* series = dynamic_cast<TFastLineSeries*>(chart.GetSeries(i));
        if (!series) continue;
        DrawAllWays(chart, *series);
        series->SetAutoRepaint(false);
        try {
            series->AddPointXY(series->PointCount(), 1);
        } catch (const Exception&) {
        }
    }
    TMemoryStream out;
    WriteComponentToStream(out, &chart);
    return 0;
}
