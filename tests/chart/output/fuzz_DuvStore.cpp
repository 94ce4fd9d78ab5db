// Chart files read by LoadChartFromStream, in binary or text form, with every series class of
// the program registered. Reading any stream never crashes or leaks; a stream that fails leaves
// the chart exactly as it was (its saved form, its name and its repaint flag).
#include <QGuiApplication>
#include <cassert>
#include <cstdint>
#include <string>

#include "chart/engine/ChartEngineModules.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/output/ChartOutputModules.h"
#include "chart/output/DuvStore.h"
#include "chart/series/ChartSeriesModules.h"
#include "chart/series/Series.h"
#include "platform/core/Streams.h"

namespace {

// A series with a third value list, so "Data" with further values is read too.
class TFuzzThreeListSeries : public TChartSeries {
    QB_CLASS(TFuzzThreeListSeries, TChartSeries)
public:
    explicit TFuzzThreeListSeries(TComponent* owner = nullptr) : TChartSeries(owner)
    {
        new TChartValueList(this, "Z");
    }
};

std::string SavedForm(TChart& chart)
{
    TMemoryStream stream;
    SaveChartToStream(chart, stream, true, false);
    return stream.Bytes();
}

}  // namespace

// fontconfig keeps what the first font lookup loads for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool started = [] {
        // Saving a chart that holds a chart picture draws it, which measures text: as in the
        // program, an application object provides the fonts (the seed replay has its own).
        if (!QCoreApplication::instance()) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            static int argc = 1;
            static char name[] = "fuzz_DuvStore";
            static char* argv[] = {name, nullptr};
            new QGuiApplication(argc, argv);
        }
        InitializeChartGraphicsModules();
        InitializeChartEngineModules();
        InitializeChartSeriesModules();
        InitializeChartOutputModules();
        RegisterClassForStreaming(TCustomLineSeries::StaticClass());
        // Files naming their series as the program's do, so series sources find theirs.
        RegisterClassForStreaming(TLineSeries::StaticClass());
        RegisterClassForStreaming(TFuzzThreeListSeries::StaticClass());
        return true;
    }();
    (void)started;
    TChart chart;
    chart.SetName("Chart1");
    chart.AutoRepaint = size % 2 == 0;
    const bool repaint = chart.AutoRepaint;
    auto* series = new TChartSeries(&chart);
    series->SetName("Kept");
    series->SetParentChart(&chart);
    series->AddPointXY(1, 2, "kept");
    const std::string before = SavedForm(chart);
    TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
    try {
        LoadChartFromStream(chart, stream);
    } catch (const Exception&) {
        const bool unchanged = SavedForm(chart) == before && chart.CountSeries() == 1 && chart.GetSeries(0) == series;
        assert(unchanged);
        (void)unchanged;
    }
    assert(chart.Name() == "Chart1");
    assert(chart.AutoRepaint == repaint);
    try {
        SavedForm(chart);
    } catch (const Exception&) {
        // Settings a stream may hold (a name too long to write back) are reported, not crashed on.
    }
    return 0;
}
