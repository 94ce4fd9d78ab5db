// Charts read from chart files with their series, groups, tools and paging: reading any stream
// never crashes or leaks, every series read is in the chart's list, groups hold only series of
// that list, the page stays within the page count, and the ranges come out for every axis.
#include <cassert>
#include <cstdint>
#include <string>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazazi.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"

namespace {

class TFuzzSeries : public TCustomChartSeries {
    QB_CLASS(TFuzzSeries, TCustomChartSeries)
public:
    explicit TFuzzSeries(TComponent* owner = nullptr) : TCustomChartSeries(owner)
    {
        new TChartValueList(this, "X");
        new TChartValueList(this, "Y");
    }
    static void DeclareProperties(TPropertyDeclarer<TFuzzSeries>& p)
    {
        p.Object("XValues", &TFuzzSeries::XValues);
        p.Object("YValues", &TFuzzSeries::YValues);
    }
};

class TFuzzTool : public TDuvCustomTool {
    QB_CLASS(TFuzzTool, TDuvCustomTool)
public:
    explicit TFuzzTool(TComponent* owner = nullptr) : TDuvCustomTool(owner) {}
};

class TFuzzChart : public TCustomAxisPanel {
    QB_CLASS(TFuzzChart, TCustomAxisPanel)
public:
    TFuzzChart() : TCustomAxisPanel(nullptr) { ChartWidth = 400; }
    bool IsFreeSeriesColor(TColor, bool, TCustomChartSeries*) override { return true; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool started = [] {
        RuRazaziAxisInitialization();
        AxisPanelInitialization();
        RegisterClassForStreaming(TFuzzSeries::StaticClass());
        RegisterClassForStreaming(TFuzzTool::StaticClass());
        return true;
    }();
    (void)started;
    TFuzzChart chart;
    try {
        TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
        ReadComponentFromStream(stream, &chart);
    } catch (const Exception&) {
    }
    for (int i = 0; i < chart.ComponentCount(); ++i)
        if (auto* series = dynamic_cast<TCustomChartSeries*>(chart.Components(i)))
            assert(!series->ParentChart() || series->GetSeriesIndex() >= 0);
    for (int g = 0; g < chart.SeriesGroups()->Count(); ++g)
        for (TCustomChartSeries* series : chart.SeriesGroups()->GetGroup(g)->Series())
            assert(chart.SeriesList().IndexOf(series) >= 0);
    assert(chart.Pages()->MaxPointsPerPage() >= 0);
    for (TChartAxis* axis : chart.AxesList()) {
        (void)chart.CalcMinMax(axis, true, axis->Horizontal());
        (void)chart.CalcMinMax(axis, false, axis->Horizontal());
    }
    chart.Pages()->SetCurrent(chart.Pages()->Current());
    assert(chart.Pages()->Current() >= 1 && chart.Pages()->Current() <= chart.Pages()->Count());
    chart.CalcSize3D();
    TMemoryStream out;
    WriteComponentToStream(out, &chart);
    return 0;
}
