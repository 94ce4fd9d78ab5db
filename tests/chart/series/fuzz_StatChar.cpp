// Charts read from chart files whose series are fed by the statistical, moving-average and
// down-sampling functions, with a statistics tool: any settings and points (hostile periods,
// weights, tolerances and target counts, NaN and infinite values, null points) never crash or
// leak. Every function then runs again under each of its settings, the tool reports, the chart
// draws and writes itself again.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "chart/engine/Chart.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/RecordingCanvas.h"
#include "chart/series/DuvDownSampling.h"
#include "chart/series/DuvSeriesStats.h"
#include "chart/series/RuRazaziSeries.h"
#include "chart/series/StatChar.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/StringList.h"
#include "platform/core/Streams.h"
#include "SeriesFuzzStart.h"

namespace {

class TFuzzStatSeries : public TChartSeries {
    QB_CLASS(TFuzzStatSeries, TChartSeries)
public:
    explicit TFuzzStatSeries(TComponent* owner) : TChartSeries(owner) {}
    ~TFuzzStatSeries() override
    {
        if (ParentChart()) SetParentChart(nullptr);
    }
};

// Walks the settings a stored function could be given later; the point count bounds the work.
void Exercise(TChartSeries& output)
{
    TDuvFunction* function = output.Function();
    if (!function) return;
    for (int i = 0; i < output.DataSourceCount(); ++i)
        if (auto* source = dynamic_cast<TChartSeries*>(output.DataSource(i)); source && source->PointCount() > 5000) return;
    try {
        if (auto* downSampling = dynamic_cast<TDownSamplingFunction*>(function)) {
            for (TDownSampleMethod method : {dsDouglas, dsMax, dsMin, dsMinMax, dsAverage, dsMinMaxFirstLast,
                                             dsMinMaxFirstLastNull})
                downSampling->SetDownSampleMethod(method);
            downSampling->SetDisplayedPointCount(downSampling->DisplayedPointCount() > 0 ? 0 : 7);
        } else if (auto* moving = dynamic_cast<TMovingAverageFunction*>(function)) {
            moving->SetWeighted(!moving->Weighted());
            moving->SetWeightedIndex(!moving->WeightedIndex());
        } else if (auto* exponential = dynamic_cast<TExpMovAveFunction*>(function)) {
            exponential->SetIgnoreNulls(!exponential->IgnoreNulls());
        }
        function->SetIncludeNulls(!function->IncludeNulls());
    } catch (const Exception&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool registered = [] {
        seriesfuzz::StartSeriesModulesOnce();
        RegisterClassForStreaming(TFuzzStatSeries::StaticClass());
        return true;
    }();
    (void)registered;
    TChart chart;
    chart.SetBounds(0, 0, 400, 250);
    seriesfuzz::ReadChartBytes(data, size, &chart);
    for (int i = 0; i < chart.SeriesList().Count(); ++i)
        if (auto* series = dynamic_cast<TChartSeries*>(chart.SeriesList().GetSeries(i))) Exercise(*series);
    for (int i = 0; i < chart.Tools()->Count(); ++i)
        if (auto* tool = dynamic_cast<TSeriesStatsTool*>(chart.Tools()->GetTool(i))) {
            TStringList lines;
            tool->FillStatistics(lines);
        }
    // A stored canvas name may have replaced it while reading.
    chart.ReplaceCanvas(std::make_unique<TRecordingCanvas>(), "TRecordingCanvas");
    try {
        chart.DrawToCanvas(nullptr, chart.GetPanelRect());
    } catch (const Exception&) {
    }
    TMemoryStream out;
    WriteComponentToStream(out, &chart);
    return 0;
}
