// Charts in the component stream's text (or binary) form whose series are filled by the basic,
// histogram, cumulative and count functions. Reading any text never crashes or leaks, a function
// read as a series' child is that series' function, every recalculation ends, and the chart draws
// and writes itself again.
#include <cassert>
#include <cstdint>
#include <memory>
#include <string>

#include "chart/engine/Chart.h"
#include "chart/graphics/RecordingCanvas.h"
#include "chart/series/RuRazaziFunction.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentText.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"
#include "SeriesFuzzStart.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    seriesfuzz::StartSeriesModulesOnce();
    TChart chart;
    chart.SetBounds(0, 0, 400, 250);
    seriesfuzz::ReadChartBytes(data, size, &chart);
    for (int i = 0; i < chart.CountSeries(); ++i) {
        auto* series = dynamic_cast<TChartSeries*>(chart.GetSeries(i));
        if (!series || !series->Function()) continue;
        TDuvFunction* function = series->Function();
        assert(function->OutputSeries() == series);
        try {
            function->Recalculate();
            function->SetPeriod(function->Period() + 1);
        } catch (const Exception&) {
        }
    }
    chart.ReplaceCanvas(std::make_unique<TRecordingCanvas>(), "TRecordingCanvas");
    try {
        chart.DrawToCanvas(nullptr, chart.GetPanelRect());
    } catch (const Exception&) {
    }
    TMemoryStream out;
    WriteComponentToStream(out, &chart);
    return 0;
}
