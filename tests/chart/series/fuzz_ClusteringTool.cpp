// Charts with a clustering tool read from chart files: the tool's settings and nested method
// settings, the series it works on and that series' points (with or without a third value list).
// Reading any stream never crashes or leaks; every method then runs on what was read, its
// clusters give statistics, the chart draws with the clusters over it, and writes itself again.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "chart/engine/Chart.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/RecordingCanvas.h"
#include "chart/series/DuvClusteringTool.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Random.h"
#include "platform/core/Streams.h"
#include "SeriesFuzzStart.h"

namespace {

class TFuzzPointSeries : public TChartSeries {
    QB_CLASS(TFuzzPointSeries, TChartSeries)
public:
    explicit TFuzzPointSeries(TComponent* owner) : TChartSeries(owner) {}
    ~TFuzzPointSeries() override
    {
        if (ParentChart()) SetParentChart(nullptr);
    }
};

// Points in depth: a third value list.
class TFuzzDepthSeries : public TFuzzPointSeries {
    QB_CLASS(TFuzzDepthSeries, TFuzzPointSeries)
public:
    explicit TFuzzDepthSeries(TComponent* owner) : TFuzzPointSeries(owner), Z(new TChartValueList(this, "Z")) {}
    TChartValueList* Z;
};

void Exercise(TClusteringTool& tool)
{
    // A stored pass limit may be huge; a few hundred passes show the same.
    tool.KMeans()->MaxIterations = std::min(tool.KMeans()->MaxIterations, 200);
    for (TClusteringMethod method : {cmKMeans, cmHierarchical, cmQT}) {
        tool.SetMethod(method);
        SetRandSeed(1);
        try {
            const TCluster& result = *tool.RunClustering();
            for (int c = 0; c < result.Count(); ++c) tool.ClusterStatistics(*result.Cluster(c));
        } catch (const Exception&) {
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool registered = [] {
        seriesfuzz::StartSeriesModulesOnce();
        RegisterClassForStreaming(TFuzzPointSeries::StaticClass());
        RegisterClassForStreaming(TFuzzDepthSeries::StaticClass());
        return true;
    }();
    (void)registered;
    TChart chart;
    chart.SetBounds(0, 0, 400, 250);
    seriesfuzz::ReadChartBytes(data, size, &chart);
    // The point count bounds the work: hierarchical clustering keeps a distance per pair.
    for (int i = 0; i < chart.Tools()->Count(); ++i)
        if (auto* tool = dynamic_cast<TClusteringTool*>(chart.Tools()->GetTool(i));
            tool && (!tool->Series() || tool->Series()->PointCount() <= 3000))
            Exercise(*tool);
    chart.ReplaceCanvas(std::make_unique<TRecordingCanvas>(), "TRecordingCanvas");
    try {
        chart.DrawToCanvas(nullptr, chart.GetPanelRect());
    } catch (const Exception&) {
    }
    TMemoryStream out;
    WriteComponentToStream(out, &chart);
    return 0;
}
