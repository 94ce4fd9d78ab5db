// Charts with data series read from chart files: linked series, several data sources by name,
// custom axes and functions. Reading any stream never crashes or leaks, no series feeds itself
// through its sources, a chart that was read draws, and it writes itself again.
#include <cassert>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/RecordingCanvas.h"
#include "chart/series/RuRazaziFunction.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"
#include "SeriesFuzzStart.h"

namespace {

// A data series that draws nothing of its own.
class TFuzzDataSeries : public TChartSeries {
    QB_CLASS(TFuzzDataSeries, TChartSeries)
public:
    explicit TFuzzDataSeries(TComponent* owner) : TChartSeries(owner) {}
    ~TFuzzDataSeries() override
    {
        if (ParentChart()) SetParentChart(nullptr);
    }
};

// Walking first data sources from a series never comes back to it.
bool FeedsItself(TChartSeries* series)
{
    std::vector<TChartSeries*> seen{series};
    TChartSeries* current = series;
    while (current->DataSourceCount() > 0) {
        current = dynamic_cast<TChartSeries*>(current->DataSource(0));
        if (!current) return false;
        for (TChartSeries* s : seen)
            if (s == current) return true;
        seen.push_back(current);
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool registered = [] {
        seriesfuzz::StartSeriesModulesOnce();
        RegisterClassForStreaming(TFuzzDataSeries::StaticClass());
        return true;
    }();
    (void)registered;
    TChart chart;
    chart.SetBounds(0, 0, 400, 250);
    seriesfuzz::ReadChartBytes(data, size, &chart);
    for (int i = 0; i < chart.CountSeries(); ++i)
        if (auto* series = dynamic_cast<TChartSeries*>(chart.GetSeries(i))) {
            const bool loops = FeedsItself(series);
            assert(!loops);
            (void)loops;
            try {
                series->AddPointXY(i, i);
                series->DeletePoints(0, 1);
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
