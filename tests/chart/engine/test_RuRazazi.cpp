#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/RuRazazi.h"
#include "chart/graphics/RecordingCanvas.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentText.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"
#include "support_ChartEngine.h"
#include "support_TestSeries.h"

using enginetest::TCountingWindow;
using enginetest::TTestSeries;

namespace {

using CountedChart = enginetest::TCountedChart;

class ChartElementTest : public testing::Test {
protected:
    void SetUp() override { enginetest::StartChartModules(); }
};

struct RepaintCase {
    const char* name;
    std::function<void(TTestSeries&)> same;     // stores what is already there
    std::function<void(TTestSeries&)> changed;  // stores something else
};

TEST_F(ChartElementTest, SettersRepaintTheChartOnlyWhenTheValueChanges)
{
    static bool flag = false;
    static TColor color = clRed;
    static int number = 3;
    static double real = 0.0;
    static float single = 1.5f;
    static std::string text = "a";
    const RepaintCase cases[] = {
        {"ChangeBoolean", [](TTestSeries& s) { s.ChangeBoolean(flag, false); },
         [](TTestSeries& s) { s.ChangeBoolean(flag, true); }},
        {"ChangeColor", [](TTestSeries& s) { s.ChangeColor(color, clRed); },
         [](TTestSeries& s) { s.ChangeColor(color, clBlue); }},
        {"ChangeInteger", [](TTestSeries& s) { s.ChangeInteger(number, 3); },
         [](TTestSeries& s) { s.ChangeInteger(number, 4); }},
        {"ChangeDouble: any bit counts", [](TTestSeries& s) { s.ChangeDouble(real, 0.0); },
         [](TTestSeries& s) { s.ChangeDouble(real, -0.0); }},
        {"ChangeSingle", [](TTestSeries& s) { s.ChangeSingle(single, 1.5f); },
         [](TTestSeries& s) { s.ChangeSingle(single, 1.25f); }},
        {"ChangeString", [](TTestSeries& s) { s.ChangeString(text, "a"); },
         [](TTestSeries& s) { s.ChangeString(text, "A"); }},
        {"SetActive", [](TTestSeries& s) { s.SetActive(true); }, [](TTestSeries& s) { s.SetActive(false); }},
        {"SetTitle", [](TTestSeries& s) { s.SetTitle(""); }, [](TTestSeries& s) { s.SetTitle("Rain"); }},
        {"SetShowInLegend", [](TTestSeries& s) { s.SetShowInLegend(true); },
         [](TTestSeries& s) { s.SetShowInLegend(false); }},
        {"SetLegendTitle", [](TTestSeries& s) { s.SetLegendTitle(""); },
         [](TTestSeries& s) { s.SetLegendTitle("mm"); }},
        {"pen", [](TTestSeries& s) { s.Pen().SetWidth(1); }, [](TTestSeries& s) { s.Pen().SetWidth(3); }},
        {"brush", [](TTestSeries& s) { s.Brush().SetStyle(s.Brush().Style()); },
         [](TTestSeries& s) { s.Brush().SetStyle(bsCross); }},
        {"date-time values", [](TTestSeries& s) { s.X().SetDateTime(false); },
         [](TTestSeries& s) { s.X().SetDateTime(true); }},
        {"label case", [](TTestSeries& s) { s.Labels().SetCaseSensitive(false); },
         [](TTestSeries& s) { s.Labels().SetCaseSensitive(true); }},
    };
    for (const RepaintCase& c : cases) {
        SCOPED_TRACE(c.name);
        CountedChart counted;
        TTestSeries series;
        series.SetParentChart(&counted.chart);
        // Joining repaints once; the setters are counted from there.
        const int joined = counted.Repaints();
        c.same(series);
        EXPECT_EQ(counted.Repaints(), joined);
        c.changed(series);
        EXPECT_EQ(counted.Repaints(), joined + 1);
        TTestSeries alone;
        c.changed(alone);  // without a chart nothing is repainted and nothing fails
    }
    EXPECT_TRUE(flag);
    EXPECT_EQ(text, "A");
}

TEST_F(ChartElementTest, AnElementTakesOnlyAChartAsItsStreamingParent)
{
    TCustomAxisPanel chart(nullptr);
    TComponent other(nullptr);
    TCustomChartElement element(nullptr);
    EXPECT_TRUE(element.HasParent());
    element.SetParentComponent(&other);
    EXPECT_EQ(element.ParentChart(), nullptr);
    element.SetParentComponent(&chart);
    EXPECT_EQ(element.ParentChart(), &chart);
    EXPECT_EQ(element.GetParentComponent(), &chart);
    element.SetParentComponent(&other);
    EXPECT_EQ(element.ParentChart(), &chart) << "another component is ignored";
}

TEST_F(ChartElementTest, ADestroyedSeriesLeavesItsChart)
{
    TCustomAxisPanel chart(nullptr);
    std::vector<TCustomAxisPanel*> log;
    {
        TTestSeries series;
        series.ChartLog = &log;
        series.SetParentChart(&chart);
    }
    EXPECT_EQ(log, (std::vector<TCustomAxisPanel*>{&chart, nullptr}));
    log.clear();
    {
        TTestSeries series;
        series.ChartLog = &log;
    }
    EXPECT_TRUE(log.empty()) << "a series in no chart has nothing to leave";
}

std::string ComponentTextOf(TComponent& component)
{
    return enginetest::ComponentTextOf(component);
}

void ReadComponentText(TComponent& component, const std::string& lines)
{
    enginetest::ReadComponentText(component, lines);
}

struct StreamCase {
    const char* name;
    std::function<TComponentPtr<TCustomChartElement>()> make;
    std::function<void(TCustomChartElement&)> change;
    std::vector<std::string> lines;  // what the changed element writes
    std::function<void(TCustomChartElement&)> checkCopy;
};

TEST_F(ChartElementTest, ElementsAndSeriesStreamOnlyWhatChanged)
{
    auto series = [](TCustomChartElement& e) -> TCustomChartSeries& { return static_cast<TCustomChartSeries&>(e); };
    const StreamCase cases[] = {
        {"element", [] { return MakeComponent<TCustomChartElement>(nullptr); },
         [](TCustomChartElement& e) {
             e.SetActive(false);
             e.ShowInEditor = false;
         },
         {"Active = False", "ShowInEditor = False"},
         [](TCustomChartElement& e) {
             EXPECT_FALSE(e.Active());
             EXPECT_FALSE(e.ShowInEditor);
         }},
        {"series", [] { return MakeComponent<TCustomChartSeries>(nullptr); },
         [&](TCustomChartElement& e) {
             series(e).SetTitle("Rain");
             series(e).SetShowInLegend(false);
             series(e).SetLegendTitle("mm");
             series(e).Identifier = "rain-2024";
             series(e).Style = 17;
         },
         {"Title = 'Rain'", "Legend.Text = 'mm'", "Legend.Visible = False", "Identifier = 'rain-2024'", "Style = 17"},
         [&](TCustomChartElement& e) {
             EXPECT_EQ(series(e).Title(), "Rain");
             EXPECT_FALSE(series(e).ShowInLegend());
             EXPECT_EQ(series(e).LegendTitle(), "mm");
             EXPECT_EQ(series(e).Identifier, "rain-2024");
             EXPECT_EQ(series(e).Style, 17);
         }},
    };
    for (const StreamCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto element = c.make();
        element->SetName("Element1");
        const std::string fresh = ComponentTextOf(*element);
        EXPECT_EQ(fresh, "object Element1: " + element->ClassName() + "\r\nend\r\n");
        c.change(*element);
        const std::string changed = ComponentTextOf(*element);
        for (const std::string& line : c.lines) EXPECT_NE(changed.find("  " + line + "\r\n"), std::string::npos) << line << "\n" << changed;
        auto copy = c.make();
        ReadComponentText(*copy, changed);
        c.checkCopy(*copy);
        EXPECT_EQ(ComponentTextOf(*copy), changed);
    }
}

// ---------------------------------------------------------------- the protocol's base answers

struct AnswerCase {
    const char* name;
    std::function<double(TTestSeries&)> ask;
    double empty, withPoints;  // the answer without points, and with the points (1,40) (2,10) (5,30)
};

TEST_F(ChartElementTest, LegendSettingsAreMadeOnDemandAndOldNamesStillRead)
{
    TCustomChartSeries fresh(nullptr);
    EXPECT_TRUE(fresh.ShowInLegend());
    EXPECT_EQ(fresh.LegendTitle(), "");
    EXPECT_EQ(fresh.PeekLegend(), nullptr) << "asking makes nothing";

    TCustomChartSeries old(nullptr);
    ReadComponentText(old, "object Series1: TCustomChartSeries\r\n  ShowInLegend = False\r\n"
                           "  LegendTitle = 'mm'\r\nend\r\n");
    EXPECT_FALSE(old.ShowInLegend());
    EXPECT_EQ(old.LegendTitle(), "mm");
    ASSERT_NE(old.PeekLegend(), nullptr);
    EXPECT_FALSE(old.PeekLegend()->Visible());

    TCustomChartSeries copy(nullptr);
    copy.Assign(&old);
    EXPECT_EQ(copy.LegendTitle(), "mm");
    copy.SetLegend(nullptr);
    EXPECT_EQ(copy.PeekLegend(), nullptr);
    EXPECT_TRUE(copy.ShowInLegend());
}

TEST_F(ChartElementTest, TheSeriesBaseAnswersTheChartsQuestionsFromItsData)
{
    auto margins = [](TTestSeries& s) {
        int a = 7, b = 7, c = 7, d = 7;
        s.GetHorizMargins(a, b);
        s.GetVertMargins(c, d);
        return static_cast<double>(a + b + c + d);
    };
    auto visible = [](TTestSeries& s, bool last) {
        s.CalcFirstLastVisible();
        return static_cast<double>(last ? s.LastVisibleIndex : s.FirstVisibleIndex);
    };
    auto page = [](TTestSeries& s, bool last) {
        int first = 9, lastIndex = 9;
        s.PageIndexRange(first, lastIndex);
        return static_cast<double>(last ? lastIndex : first);
    };
    auto drawOrder = [](TTestSeries& s) {
        std::vector<int> order{1, 2};
        s.GetPointDrawOrder(0, 2, order, false);
        std::vector<int> marks{1};
        s.GetMarkDrawOrder(0, 1, marks, 0);
        return static_cast<double>(order.size() + marks.size());
    };
    const AnswerCase cases[] = {
        {"PointCount", [](TTestSeries& s) { return s.GetPointCount(); }, 0, 3},
        {"MinXValue", [](TTestSeries& s) { return s.MinXValue(); }, 0, 1},
        {"MaxXValue", [](TTestSeries& s) { return s.MaxXValue(); }, 0, 5},
        {"MinYValue", [](TTestSeries& s) { return s.MinYValue(); }, 0, 10},
        {"MaxYValue", [](TTestSeries& s) { return s.MaxYValue(); }, 0, 40},
        {"MinZValue is the Z order", [](TTestSeries& s) { s.ZOrder = 4; return s.MinZValue(); }, 4, 4},
        {"MaxZValue is the depth slot", [](TTestSeries& s) { s.DepthSlot = 2; return s.MaxZValue(); }, 2, 2},
        {"first visible", [&](TTestSeries& s) { return visible(s, false); }, -1, 0},
        {"last visible", [&](TTestSeries& s) { return visible(s, true); }, -1, 2},
        {"first in draw order", [&](TTestSeries& s) { visible(s, false); return s.FirstIndexInDrawOrder(); }, -1, 0},
        {"last in draw order", [&](TTestSeries& s) { visible(s, false); return s.LastIndexInDrawOrder(); }, -1, 2},
        {"page first", [&](TTestSeries& s) { return page(s, false); }, -1, 0},
        {"page last", [&](TTestSeries& s) { return page(s, true); }, -1, 2},
        {"draw orders are natural", drawOrder, 0, 0},
        {"margins", margins, 0, 0},
        {"UsesAxes", [](TTestSeries& s) { return s.UsesAxes(); }, 1, 1},
        {"UsesAxis without axes", [](TTestSeries& s) { return s.UsesAxis(nullptr); }, 0, 0},
        {"CanZoomAxes", [](TTestSeries& s) { return s.CanZoomAxes(); }, 1, 1},
        {"CanPrepareInParallel", [](TTestSeries& s) { return s.CanPrepareInParallel(); }, 0, 0},
        {"SkipsGaps", [](TTestSeries& s) { return s.SkipsGaps(); }, 0, 0},
        {"HasAnyLabel", [](TTestSeries& s) { return s.HasAnyLabel(); }, 0, 1},
        {"ReversesLegendOrder", [](TTestSeries& s) { return s.ReversesLegendOrder(); }, 0, 0},
        {"LegendToPointIndex", [](TTestSeries& s) { return s.LegendToPointIndex(2); }, 2, 2},
        {"legend colour of a point", [](TTestSeries& s) { return s.GetLegendItemColor(1) == (s.PointCount() ? clBlue : clRed); }, 1, 1},
        {"HasMarks", [](TTestSeries& s) { return s.HasMarks(); }, 0, 0},
        {"MarkIndexAtPoint", [](TTestSeries& s) { return s.MarkIndexAtPoint({1, 40}); }, -1, -1},
        {"MaxMarkExtent", [](TTestSeries& s) { return s.MaxMarkExtent(); }, 0, 0},
        {"point at (2,10)", [](TTestSeries& s) { return s.PointIndexAtPoint({2, 10}); }, -1, 1},
        {"hit of point 2 at (7,32)", [](TTestSeries& s) { return s.PointCount() ? s.IsPointHitAt(2, 7, 32) : false; }, 0, 1},
        {"HasClickHandlers", [](TTestSeries& s) { return s.HasClickHandlers(); }, 0, 0},
        {"DataSourceCount", [](TTestSeries& s) { return s.DataSourceCount(); }, 0, 0},
        {"a source it cannot use is not added",
         [](TTestSeries& s) {
             TTestSeries other;
             s.AddDataSource(&other);
             return s.CanUseAsSource(&other) + s.DataSourceCount();
         },
         0, 0},
        {"axis value list", [](TTestSeries& s) { return s.GetAxisValueList(nullptr) != nullptr; }, 0, 0},
        {"display title is the name", [](TTestSeries& s) { return s.GetDisplayTitle() == "Series1"; }, 1, 1},
        // The test series' X values are 1, 3, 5 and it has labels.
        {"XValuesNeedStoring", [](TTestSeries& s) { return s.XValuesNeedStoring(); }, 0, 1},
        {"LabelsNeedStoring", [](TTestSeries& s) { return s.LabelsNeedStoring(); }, 0, 1},
        {"IsNullPoint", [](TTestSeries& s) { return s.IsNullPoint(0); }, 0, 0},
        {"DefaultSampleCount", [](TTestSeries& s) { return s.DefaultSampleCount(); }, 25, 25},
        {"GetSelected", [](TTestSeries& s) { return s.GetSelected() != nullptr; }, 0, 0},
        {"title or name, cleaned",
         [](TTestSeries& s) {
             const bool named = SeriesTitleOrName(s, true) == "Series1";
             s.SetTitle("Rain\r\nfall");
             return named && SeriesTitleOrName(s, true) == "Rain  fall" && SeriesTitleOrName(s, false) == "Rain\r\nfall";
         },
         1, 1},
    };
    for (const AnswerCase& c : cases) {
        SCOPED_TRACE(c.name);
        TTestSeries empty;
        empty.SetName("Series1");
        EXPECT_EQ(c.ask(empty), c.empty);
        TTestSeries series;
        series.SetName("Series1");
        series.AddXY(5, 30);
        series.AddXY(1, 40, "first");
        series.AddXY(2, 10, "", clBlue);
        EXPECT_EQ(c.ask(series), c.withPoints);
    }
}

TEST_F(ChartElementTest, DependentSeriesAreListedOnceAndUpdatesNest)
{
    TTestSeries source, first, second;
    source.AddLinkedSeries(&first);
    source.AddLinkedSeries(&second);
    source.AddLinkedSeries(&first);
    EXPECT_EQ(source.GetLinkedSeries(), (std::vector<TCustomChartSeries*>{&first, &second}));
    source.RemoveLinkedSeries(&first);
    EXPECT_EQ(source.GetLinkedSeries(), (std::vector<TCustomChartSeries*>{&second}));

    source.SuspendUpdates();
    source.SuspendUpdates();
    source.ResumeUpdates();
    EXPECT_TRUE(source.UpdatesSuspended());
    source.ResumeUpdates();
    source.ResumeUpdates();  // one too many does not go below none
    EXPECT_FALSE(source.UpdatesSuspended());
    source.SuspendUpdates();
    EXPECT_TRUE(source.UpdatesSuspended());

    EXPECT_EQ(source.GetDataSource(), nullptr);
    source.SetDataSource(nullptr);
    EXPECT_EQ(source.DataSourceCount(), 0);
}

TEST_F(ChartElementTest, AutomaticSeriesTakeTheNextDepthSlotIn3D)
{
    for (bool view3D : {true, false}) {
        SCOPED_TRACE(view3D ? "3D" : "2D");
        TCustomAxisPanel chart(nullptr);
        chart.SetView3D(view3D);
        chart.MaxZOrder = view3D ? -1 : 0;
        TTestSeries a, b, fixed;
        for (TTestSeries* s : {&a, &b, &fixed}) s->SetParentChart(&chart);
        fixed.ZOrder = 5;
        a.CalcZOrder();
        b.CalcZOrder();
        EXPECT_EQ(a.DepthSlot, view3D ? 0 : 0);
        EXPECT_EQ(b.DepthSlot, view3D ? 1 : 0);
        fixed.CalcZOrder();
        EXPECT_EQ(chart.MaxZOrder, 5) << "a fixed Z order raises the chart's deepest slot";
        EXPECT_EQ(fixed.GetEffectiveZOrder(), 5);
        EXPECT_EQ(b.GetEffectiveZOrder(), view3D ? 1 : 0);
    }
    TTestSeries series;
    series.DepthSlot = 2;
    series.CalcDepthPositions(15);
    EXPECT_EQ(series.StartZ, 30);
    EXPECT_EQ(series.EndZ, 45);
    EXPECT_EQ(series.MiddleZ, 37);
    series.Depth = 4;
    series.CalcDepthPositions(15);
    EXPECT_EQ(series.EndZ, 34);
}

TEST_F(ChartElementTest, TheTestSeriesDrawsItsVisiblePointsOnTheChartCanvas)
{
    TCustomAxisPanel chart(nullptr);
    auto canvas = std::make_unique<TRecordingCanvas>();
    TRecordingCanvas& recording = *canvas;
    chart.ReplaceCanvas(std::move(canvas), "TRecordingCanvas");
    TTestSeries series;
    series.SetParentChart(&chart);
    series.SetName("Rain");
    series.AddXY(10, 20);
    series.AddXY(30, 40, "", clBlue);
    series.AddXY(50, 60);
    int before = 0, after = 0;
    struct Counter {
        int* n;
        void Count(TObject*) { ++*n; }
    } b{&before}, a{&after};
    series.BeforeDrawValues = TNotifyEvent(&b, &Counter::Count);
    series.AfterDrawValues = TNotifyEvent(&a, &Counter::Count);
    recording.Clear();
    series.CalcFirstLastVisible();
    series.OutputTitleText();
    series.FireBeforeDrawValues();
    series.DrawAllPoints();
    series.FireAfterDrawValues();
    chart.Canvas().PopTransform();
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 1);
    EXPECT_EQ(series.DrawnPoints, (std::vector<int>{0, 1, 2}));
    const std::vector<std::string> rectangles = recording.Texts("Rectangle");
    EXPECT_EQ(rectangles, (std::vector<std::string>{"Rectangle(7,17,13,23)", "Rectangle(27,37,33,43)", "Rectangle(47,57,53,63)"}));
    ASSERT_FALSE(recording.Texts("PushTransform").empty());
    EXPECT_EQ(recording.Texts("PushTransform").front(), "PushTransform(\"Rain\")");
    std::vector<TColor> brushes;
    for (const TRecordedCall& call : recording.Calls)
        if (call.Name == "Rectangle") brushes.push_back(call.BrushColor);
    EXPECT_EQ(brushes, (std::vector<TColor>{clRed, clBlue, clRed}));
}

TEST_F(ChartElementTest, AClickFiresTheSingleOrTheDoubleClickEvent)
{
    struct Recorder {
        std::vector<std::string> calls;
        void Click(TObject*, int index, TMouseButton, TShiftState, int x, int y)
        {
            calls.push_back("click " + std::to_string(index) + " " + std::to_string(x) + "," + std::to_string(y));
        }
        void Double(TObject*, int index, TMouseButton, TShiftState, int, int) { calls.push_back("double " + std::to_string(index)); }
    } recorder;
    TTestSeries series;
    series.OnClick = TSeriesClick(&recorder, &Recorder::Click);
    EXPECT_TRUE(series.HasClickHandlers());
    series.FireClick(2, mbLeft, {ssLeft}, 5, 6);
    series.FireClick(1, mbLeft, {ssLeft, ssDouble}, 5, 6);
    series.OnDblClick = TSeriesClick(&recorder, &Recorder::Double);
    series.FireClick(1, mbLeft, {ssDouble}, 5, 6);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"click 2 5,6", "double 1"}));
}

}  // namespace
