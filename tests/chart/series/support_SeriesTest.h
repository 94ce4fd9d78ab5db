#pragma once
// What the series tests share: the chart modules started once, a small concrete series that
// notes what it hears from its sources, functions that count their work, a chart on the
// recording canvas and a listener that records the chart's series events.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/engine/support_ChartEngine.h"
#include "chart/graphics/RecordingCanvas.h"
#include "chart/series/RuRazaziFunction.h"
#include "chart/series/RuRazaziSeries.h"

namespace seriestest {

// Graphics, engine and series modules, once per test program; the test classes register too.
void StartSeriesModules();

// A data series whose points are drawn as small squares; Heard lists what its sources made it
// do ("copy 2", "delete 3", "load", "clear"), outermost calls only.
class TTestSeries : public TChartSeries {
    QB_CLASS(TTestSeries, TChartSeries)
public:
    explicit TTestSeries(TComponent* owner = nullptr) : TChartSeries(owner) {}
    ~TTestSeries() override;

    static constexpr int kHalfSize = 3;
    std::vector<std::string> Heard;
    std::vector<int> DrawnPoints;

    void CopyPointFromSeries(TChartSeries* source, int index) override;
    void DeletePointAt(TChartSeries* source, int index) override;
    void LoadFromSourceSeries(TCustomChartSeries* source) override;
    void ClearPoints() override;
    void DrawPoint(int index) override;
    int PointAtScreen(int x, int y) override;

private:
    int depth_ = 0;
};

// The same series lying on its side.
class THorizTestSeries : public TTestSeries {
    QB_CLASS(THorizTestSeries, TTestSeries)
public:
    explicit THorizTestSeries(TComponent* owner = nullptr);
};

// A test series with a third value list, "Z".
class TThreeListSeries : public TTestSeries {
    QB_CLASS(TThreeListSeries, TTestSeries)
public:
    explicit TThreeListSeries(TComponent* owner = nullptr) : TTestSeries(owner), Z(new TChartValueList(this, "Z")) {}
    TChartValueList* Z;
};

// Doubles every Y of its first source; counts its calculations.
class TDoublingFunction : public TDuvFunction {
    QB_CLASS(TDoublingFunction, TDuvFunction)
public:
    explicit TDoublingFunction(TComponent* owner = nullptr) : TDuvFunction(owner) {}
    int Calculations = 0;
    void CalculateFromSources(TChartSeries* source) override;
};

// Makes the points (0, 1), (1, 2), (2, 3) without any source.
class TCountingFunction : public TDuvFunction {
    QB_CLASS(TCountingFunction, TDuvFunction)
public:
    explicit TCountingFunction(TComponent* owner = nullptr) : TDuvFunction(owner) { NeedsNoSource = true; }
    void CalculateFromSources(TChartSeries* source) override;
};

// The chart's series events in order (code per event, and the series each is about).
class TSeriesEventLog : public IPanelEventListener {
public:
    std::vector<TSeriesEventKind> Codes;
    std::vector<const TCustomChartSeries*> Series;
    void PanelEvent(TDuvEvent& event) override;
    int Count(TSeriesEventKind code, const TCustomChartSeries* series) const;
    // The codes about one series.
    std::vector<TSeriesEventKind> CodesOf(const TCustomChartSeries* series) const;
    void Clear()
    {
        Codes.clear();
        Series.clear();
    }
};

// A flat 400 x 300 chart on the recording canvas without legend.
class TTestChart : public TChart {
    QB_CLASS(TTestChart, TChart)
public:
    explicit TTestChart(TComponent* owner = nullptr);
    TRecordingCanvas& Recording() { return static_cast<TRecordingCanvas&>(Canvas()); }
    void Draw();
};

// A new series of the class, owned by the chart and on it.
template <class SeriesClass>
SeriesClass* AddSeriesTo(TCustomAxisPanel& chart)
{
    auto* series = new SeriesClass(&chart);
    series->SetParentChart(&chart);
    return series;
}

// "x:y" of every point, then " c=" and the stored colours when the colour list exists, then
// " l=" and the labels when any is stored.
std::string Describe(const TChartSeries& series);

// The message of the exception the action raises, else "no error".
std::string ErrorOf(const std::function<void()>& action);

using enginetest::ComponentTextOf;
using enginetest::ReadComponentText;

}  // namespace seriestest
