#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/graphics/RecordingCanvas.h"
#include "support_ChartEngine.h"
#include "support_TestSeries.h"

namespace {

// What a drawing did, in order; series may write from the parallel pre-pass' workers.
struct TDrawLog {
    void Add(const std::string& entry)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        entries.push_back(entry);
    }
    bool Has(const std::string& entry) const { return std::find(entries.begin(), entries.end(), entry) != entries.end(); }
    // Position of the first entry that starts so, -1 when none.
    int IndexOf(const std::string& start) const
    {
        const auto it = std::find_if(entries.begin(), entries.end(),
                                     [&](const std::string& entry) { return entry.rfind(start, 0) == 0; });
        return it == entries.end() ? -1 : static_cast<int>(it - entries.begin());
    }
    std::vector<std::string> entries;
    std::mutex mutex;
};

// A test series that logs the protocol calls the pipeline makes and answers the questions a case sets.
class TLoggedSeries : public enginetest::TTestSeries {
    QB_CLASS(TLoggedSeries, enginetest::TTestSeries)
public:
    explicit TLoggedSeries(TComponent* owner = nullptr) : TTestSeries(owner) {}
    TDrawLog* Log = nullptr;
    bool Shares = false, Parallel = false, Marks = false, OnTop = false, ClipMarks = false, Axes = true;
    bool FailToDraw = false;

    void Fill(int count)
    {
        for (int i = 0; i < count; ++i) AddXY(10 + i * 10, 20 + i * 5);
    }
    std::string Tag(const std::string& what) const { return Name() + ":" + what; }
    void Note(const std::string& what) const
    {
        if (Log) Log->Add(Tag(what));
    }

    // The standard axes its settings name, so that the axes label its values.
    TChartAxis* HorizAxisObject() const override
    {
        if (!ParentChart()) return nullptr;
        return HorizAxis() == aTopAxis ? ParentChart()->TopAxis() : ParentChart()->BottomAxis();
    }
    TChartAxis* VertAxisObject() const override
    {
        if (!ParentChart()) return nullptr;
        return VertAxis() == aRightAxis ? ParentChart()->RightAxis() : ParentChart()->LeftAxis();
    }
    bool SharesZOrder() const override { return Shares; }
    // The first active series of its Z order draws the group.
    bool IsFirstAtZOrder() const override
    {
        for (TCustomChartSeries* series : ParentChart()->SeriesList())
            if (series->Active() && series->GetEffectiveZOrder() == GetEffectiveZOrder()) return series == this;
        return false;
    }
    bool CanPrepareInParallel() const override { return Parallel; }
    bool UsesAxes() const override { return Axes; }
    bool HasMarks() const override { return Marks; }
    bool MarksVisible() const override { return Marks; }
    bool MarksOnTop() const override { return OnTop; }
    bool MarksClipped() const override { return ClipMarks; }
    void FireBeforeDrawValues() override { Note("before"); }
    void FireAfterDrawValues() override { Note("after"); }
    void DrawAllPointsFast() override { Note("fast"); }
    void DrawAllPoints() override
    {
        Note("points");
        TTestSeries::DrawAllPoints();
    }
    void DrawPoint(int index) override
    {
        Note("point " + std::to_string(index));
        if (FailToDraw) throw Exception("Point " + std::to_string(index) + " cannot be drawn");
        TTestSeries::DrawPoint(index);
    }
    void DrawAllMarks() override
    {
        auto& canvas = static_cast<TRecordingCanvas&>(ParentChart()->Canvas());
        Note("marks clip " + std::to_string(canvas.ClipDepth()));
    }
};

class TStageTool : public TDuvCustomTool {
    QB_CLASS(TStageTool, TDuvCustomTool)
public:
    explicit TStageTool(TDrawLog& log) : TDuvCustomTool(nullptr), log_(log) {}
    void HandleChartEvent(TChartEventCode code) override { log_.Add("tool " + enginetest::CodeText(code)); }

private:
    TDrawLog& log_;
};

class TStageAnimation : public TDuvCustomAnimation {
    QB_CLASS(TStageAnimation, TDuvCustomAnimation)
public:
    explicit TStageAnimation(TDrawLog& log) : TDuvCustomAnimation(nullptr), log_(log) {}
    void HandleChartEvent(TChartEventCode code) override { log_.Add("animation " + enginetest::CodeText(code)); }
    void Play() override {}

private:
    TDrawLog& log_;
};

std::string RectText(const TRect& r)
{
    return std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
           std::to_string(r.Bottom);
}

// A flat 400 x 250 chart on the recording canvas that notes its chart rectangle at every slot and event.
class TLoggedChart : public TChart {
    QB_CLASS(TLoggedChart, TChart)
public:
    TLoggedChart()
    {
        SetBounds(0, 0, 400, 250);
        auto canvas = std::make_unique<TRecordingCanvas>();
        Recording = canvas.get();
        ReplaceCanvas(std::move(canvas), "TRecordingCanvas");
        Legend()->SetVisible(false);
        SetView3D(false);
        OnBeforeDrawChart = {this, &TLoggedChart::BeforeChart};
        OnBeforeDrawAxes = {this, &TLoggedChart::BeforeAxes};
        OnBeforeDrawSeries = {this, &TLoggedChart::BeforeSeries};
        OnAfterDraw = {this, &TLoggedChart::AfterDraw};
    }
    // Series leave before the chart goes.
    ~TLoggedChart() override { Owned.clear(); }
    TDrawLog Log;
    TRecordingCanvas* Recording = nullptr;
    std::vector<std::unique_ptr<TLoggedSeries>> Owned;
    // Draws the top and bottom axes in the walls step, as the walls do when the front plane shows.
    std::function<void()> BeforeSeriesAction;

    void Draw()
    {
        Log.entries.clear();
        Recording->Clear();
        DrawToCanvas(nullptr, GetPanelRect());
    }
    void AdjustChartRectFor3D() override
    {
        TChart::AdjustChartRectFor3D();
        Note("3d");
    }
    void DrawTitlesAndLegend(bool beforeSeries) override
    {
        TChart::DrawTitlesAndLegend(beforeSeries);
        Note(beforeSeries ? "titles" : "titles again");
    }
    void DrawWalls() override
    {
        TChart::DrawWalls();
        Note("walls");
    }
    // How many times the axis' own canvas group was opened.
    int TimesDrawn(const std::string& axisGroup) const
    {
        const std::vector<std::string> pushes = Recording->Texts("PushTransform");
        return static_cast<int>(std::count(pushes.begin(), pushes.end(), "PushTransform(\"" + axisGroup + "\")"));
    }

private:
    void Note(const std::string& step) { Log.Add(step + " " + RectText(ChartRect)); }
    void BeforeChart(TObject*) { Note("chart"); }
    void BeforeAxes(TObject*) { Note("axes"); }
    void BeforeSeries(TObject*)
    {
        Note("series");
        if (BeforeSeriesAction) BeforeSeriesAction();
    }
    void AfterDraw(TObject*) { Note("after draw"); }
};

// The entries that start with one of the prefixes, in order.
std::vector<std::string> Only(const std::vector<std::string>& entries, const std::vector<std::string>& prefixes)
{
    std::vector<std::string> result;
    for (const std::string& entry : entries)
        for (const std::string& prefix : prefixes)
            if (entry.rfind(prefix, 0) == 0) {
                result.push_back(entry);
                break;
            }
    return result;
}

class AxisPanelDrawTest : public testing::Test {
protected:
    void SetUp() override { enginetest::StartChartModules(); }
    TLoggedSeries& AddSeries(TLoggedChart& chart, const std::string& name, int points)
    {
        auto series = std::make_unique<TLoggedSeries>();
        series->SetName(name);
        series->Log = &chart.Log;
        series->Fill(points);
        series->SetParentChart(&chart);
        chart.Owned.push_back(std::move(series));
        return *chart.Owned.back();
    }
};

// Tools and then animations hear each stage; the axes come before or after the series.
TEST_F(AxisPanelDrawTest, StageCodesReachToolsThenAnimations)
{
    struct Case {
        bool behind, visible;
        std::vector<std::string> expected;
    } const cases[] = {
        {true, true, {"2", "chart", "3", "axes", "1", "series", "4", "0", "after draw"}},
        {false, true, {"2", "chart", "1", "series", "4", "3", "axes", "0", "after draw"}},
        // The stage is still told when no axis is drawn.
        {true, false, {"2", "chart", "3", "1", "series", "4", "0", "after draw"}},
    };
    for (const Case& c : cases) {
        TLoggedChart chart;
        AddSeries(chart, "A", 3);
        TStageTool tool(chart.Log);
        TStageAnimation animation(chart.Log);
        animation.SetParentChart(&chart);
        tool.SetParentChart(&chart);
        chart.SetAxisBehind(c.behind);
        chart.SetAxisVisible(c.visible);
        chart.Draw();

        std::vector<std::string> expected;
        for (const std::string& step : c.expected) {
            if (step.size() == 1) {
                expected.push_back("tool " + step);
                expected.push_back("animation " + step);
            } else {
                expected.push_back(step);
            }
        }
        std::vector<std::string> seen;
        for (const std::string& entry :
             Only(chart.Log.entries, {"tool", "animation", "chart", "axes", "series", "after draw"}))
            seen.push_back(entry.rfind("tool", 0) == 0 || entry.rfind("animation", 0) == 0
                               ? entry
                               : entry.substr(0, entry.find_last_of(' ')));
        EXPECT_EQ(seen, expected) << "behind " << c.behind << " visible " << c.visible;
        EXPECT_EQ(chart.TimesDrawn("Axes"), c.visible ? 1 : 0);
        EXPECT_EQ(chart.TimesDrawn("Left"), c.visible ? 1 : 0);
    }
}

}  // namespace

namespace {

using enginetest::GroupCalls;
using enginetest::Lines;

// "text left,top,right,bottom" of every label, by the recording canvas' character metrics: labels
// of a vertical axis end at their anchor, those of a horizontal one centre on it.
std::vector<std::string> LabelRects(const std::vector<TRecordedCall>& calls, const TRecordingCanvas& canvas,
                                    bool vertical)
{
    std::vector<std::string> labels;
    for (const TRecordedCall& call : calls) {
        if (call.Name != "TextOut") continue;
        const std::size_t quote = call.Args.find('"');
        const std::string text = call.Args.substr(quote + 1, call.Args.size() - quote - 2);
        const int x = std::stoi(call.Args), y = std::stoi(call.Args.substr(call.Args.find(',') + 1));
        const int width = canvas.CharWidth * static_cast<int>(text.size());
        const int left = vertical ? x - width : x - width / 2;
        labels.push_back(text + " " + RectText({left, y, left + width, y + canvas.LineHeight}));
    }
    return labels;
}

// "from-to" lines at each of the positions: along x for a vertical axis' marks, along y otherwise.
std::vector<std::string> Across(const std::vector<int>& positions, bool vertical, int from, int to)
{
    std::vector<std::string> lines;
    for (int p : positions)
        lines.push_back(vertical ? std::to_string(from) + "," + std::to_string(p) + "-" + std::to_string(to) + "," +
                                       std::to_string(p)
                                 : std::to_string(p) + "," + std::to_string(from) + "-" + std::to_string(p) + "," +
                                       std::to_string(to));
    return lines;
}

// A 400 x 250 chart, one series of five points (X 10 .. 50, Y 20 .. 40) on the left and bottom
// axes: the rectangle after each step, and the axes drawn in the axes step.
TEST_F(AxisPanelDrawTest, ChartRectangleAndAxesOfAPlainChart)
{
    // Centred on their ticks, in the band from the panel's margin (13) inward. In 3D the chart gives
    // the depth (6 pixels) at its top and right before the axes take their room.
    const std::vector<int> leftTicks2D{11, 32, 53, 73, 94, 115, 136, 157, 177, 198, 219};
    const std::vector<int> leftTicks3D{17, 37, 57, 78, 98, 118, 138, 158, 179, 199, 219};
    const std::vector<std::string> leftLabels2D{
        "40 13,5,27,18",     "38 13,26,27,39",    "36 13,47,27,60",    "34 13,67,27,80",
        "32 13,88,27,101",   "30 13,109,27,122",  "28 13,130,27,143",  "26 13,151,27,164",
        "24 13,171,27,184",  "22 13,192,27,205",  "20 13,213,27,226",
    };
    const std::vector<std::string> leftLabels3D{
        "40 13,11,27,24",    "38 13,31,27,44",    "36 13,51,27,64",    "34 13,72,27,85",
        "32 13,92,27,105",   "30 13,112,27,125",  "28 13,132,27,145",  "26 13,152,27,165",
        "24 13,173,27,186",  "22 13,193,27,206",  "20 13,213,27,226",
    };
    // Before the walls the chart has not yet given its room to the axes.
    const std::vector<std::string> steps2D{
        "chart 13,11,387,239", "titles 13,11,387,239",  "3d 13,11,387,239",       "walls 41,11,387,219",
        "axes 41,11,387,219",  "series 41,11,387,219", "titles again 41,11,387,219", "after draw 41,11,387,219",
    };
    const std::vector<std::string> steps3D{
        "chart 13,11,387,239", "titles 13,11,387,239",  "3d 13,17,381,239",       "walls 41,17,381,219",
        "axes 41,17,381,219",  "series 41,17,381,219", "titles again 41,17,381,219", "after draw 41,17,381,219",
    };
    struct Case {
        bool view3D;
        std::vector<std::string> leftGrid;
        std::vector<std::string> bottomLabels;
        std::vector<std::string> bottomTicks;
        std::vector<std::string> bottomGrid;
    } const cases[] = {
        {false,
         Across({32, 53, 73, 94, 115, 136, 157, 177, 198}, true, 42, 387),
         // Below the ticks, down to the panel's margin (239).
         {"50 380,226,394,239", "45 337,226,351,239", "40 294,226,308,239", "35 250,226,264,239",
          "30 207,226,221,239", "25 164,226,178,239", "20 120,226,134,239", "15 77,226,91,239",
          "10 34,226,48,239"},
         Across({387, 344, 301, 257, 214, 171, 127, 84, 41}, false, 221, 225),
         Across({344, 301, 257, 214, 171, 127, 84}, false, 12, 219)},
        // The grid lies on the back wall (6 pixels deep) and runs back along the left wall.
        {true,
         {"47,31-387,31",   "47,31-41,37",   "47,51-387,51",   "47,51-41,57",   "47,72-387,72",   "47,72-41,78",
          "47,92-387,92",   "47,92-41,98",   "47,112-387,112", "47,112-41,118", "47,132-387,132", "47,132-41,138",
          "47,152-387,152", "47,152-41,158", "47,173-387,173", "47,173-41,179", "47,193-387,193", "47,193-41,199"},
         {"50 374,226,388,239", "45 332,226,346,239", "40 289,226,303,239", "35 246,226,260,239",
          "30 204,226,218,239", "25 162,226,176,239", "20 119,226,133,239", "15 76,226,90,239",
          "10 34,226,48,239"},
         Across({381, 339, 296, 253, 211, 169, 126, 83, 41}, false, 221, 225),
         // Up the back wall, then forward along the floor.
         {"345,11-345,213", "345,213-339,219", "302,11-302,213", "302,213-296,219", "259,11-259,213",
          "259,213-253,219", "217,11-217,213", "217,213-211,219", "175,11-175,213", "175,213-169,219",
          "132,11-132,213", "132,213-126,219", "89,11-89,213", "89,213-83,219"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.view3D ? "3D" : "2D");
        TLoggedChart chart;
        chart.SetView3D(c.view3D);
        AddSeries(chart, "A", 5);
        chart.Draw();
        TRecordingCanvas& canvas = *chart.Recording;

        std::vector<std::string> rects;
        for (const std::string& entry : chart.Log.entries)
            if (entry.find(':') == std::string::npos) rects.push_back(entry);
        EXPECT_EQ(rects, c.view3D ? steps3D : steps2D);

        const std::vector<TRecordedCall> axes = GroupCalls(canvas.Calls, "Axes");
        const std::vector<TRecordedCall> left = GroupCalls(axes, "Left");
        EXPECT_EQ(LabelRects(GroupCalls(left, "Labels"), canvas, true), c.view3D ? leftLabels3D : leftLabels2D);
        EXPECT_EQ(Lines(GroupCalls(left, "Ticks")), Across(c.view3D ? leftTicks3D : leftTicks2D, true, 39, 35));
        EXPECT_EQ(Lines(GroupCalls(left, "Grid")), c.leftGrid);
        ASSERT_GE(left.size(), 2U);
        EXPECT_EQ(Lines({left[0], left[1]}), std::vector<std::string>{c.view3D ? "40,17-40,219" : "40,11-40,219"})
            << "the axis line";

        const std::vector<TRecordedCall> bottom = GroupCalls(axes, "Bottom");
        EXPECT_EQ(bottom.empty(), c.bottomLabels.empty());
        EXPECT_EQ(LabelRects(GroupCalls(bottom, "Labels"), canvas, false), c.bottomLabels);
        EXPECT_EQ(Lines(GroupCalls(bottom, "Ticks")), c.bottomTicks);
        EXPECT_EQ(Lines(GroupCalls(bottom, "Grid")), c.bottomGrid);
    }
}

// Series of one Z order on a flat canvas are drawn point by point by the first of them in 3D;
// in 2D each series draws its own points.
TEST_F(AxisPanelDrawTest, SeriesSharingAZOrderAreDrawnPointByPoint)
{
    struct Case {
        bool view3D;
        std::vector<std::string> expected;
    } const cases[] = {
        {true,
         {"A:before", "B:before", "A:point 0", "B:point 0", "A:point 1", "B:point 1", "A:point 2", "A:after",
          "B:after"}},
        {false,
         {"A:before", "A:fast", "A:points", "A:point 0", "A:point 1", "A:point 2", "A:after", "B:before", "B:fast",
          "B:points", "B:point 0", "B:point 1", "B:after"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.view3D ? "3D" : "2D");
        TLoggedChart chart;
        chart.SetView3D(c.view3D);
        TLoggedSeries& a = AddSeries(chart, "A", 3);
        TLoggedSeries& b = AddSeries(chart, "B", 2);
        for (TLoggedSeries* s : {&a, &b}) {
            s->Shares = true;
            s->ZOrder = 0;
        }
        chart.Draw();
        EXPECT_EQ(Only(chart.Log.entries, {"A:", "B:"}), c.expected);
        EXPECT_EQ(chart.Recording->Texts("ClipCube").size(), c.view3D ? 1U : 2U) << "the group clips once";
        EXPECT_EQ(chart.Recording->ClipDepth(), 0);
    }
}

// A series without a visible point is passed over whole: no events, no clipping, no title group.
TEST_F(AxisPanelDrawTest, SeriesWithoutVisiblePointsDrawNothing)
{
    TLoggedChart chart;
    AddSeries(chart, "Empty", 0);
    AddSeries(chart, "Full", 2);
    chart.Draw();
    EXPECT_EQ(Only(chart.Log.entries, {"Empty:"}), std::vector<std::string>{});
    EXPECT_TRUE(chart.Log.Has("Full:before"));
    EXPECT_EQ(chart.TimesDrawn("Empty"), 0);
    EXPECT_EQ(chart.TimesDrawn("Full"), 1);
    // The series area one pixel taller at the top and the bottom.
    const TRect& r = chart.ChartRect;
    EXPECT_EQ(chart.Recording->Texts("ClipCube"),
              std::vector<std::string>{"ClipCube(" + RectText({r.Left, r.Top - 1, r.Right, r.Bottom + 1}) + ",0,0)"});
}

// Marks on top wait until every series is drawn and are not clipped by a series before them;
// other marks follow their series' points, clipped only when the marks ask for it.
TEST_F(AxisPanelDrawTest, MarksOnTopComeLastAndUnclipped)
{
    TLoggedChart chart;
    TLoggedSeries& a = AddSeries(chart, "A", 2);
    TLoggedSeries& b = AddSeries(chart, "B", 1);
    TLoggedSeries& c = AddSeries(chart, "C", 1);
    a.Marks = a.OnTop = true;
    b.Marks = b.ClipMarks = true;
    c.Marks = c.ClipMarks = c.OnTop = true;
    chart.Draw();
    EXPECT_EQ(Only(chart.Log.entries, {"A:", "B:", "C:"}),
              (std::vector<std::string>{"A:before", "A:fast", "A:points", "A:point 0", "A:point 1", "A:after",
                                        "B:before", "B:fast", "B:points", "B:point 0", "B:marks clip 1", "B:after",
                                        "C:before", "C:fast", "C:points", "C:point 0", "C:after", "A:marks clip 0",
                                        "C:marks clip 1"}));
    EXPECT_EQ(chart.TimesDrawn("Marks"), 3);
    EXPECT_EQ(chart.Recording->ClipDepth(), 0);
}

// Series that can prepare alone do so on worker threads before OnBeforeDrawSeries, only when the
// chart has more than one thread; otherwise each prepares while it is drawn.
TEST_F(AxisPanelDrawTest, ParallelPreparationOnlyWithThreadsAndWillingSeries)
{
    struct Case {
        int threads;
        bool willing, prePass;
    } const cases[] = {{0, true, false}, {1, true, false}, {2, false, false}, {2, true, true}, {4, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "threads " << c.threads << " willing " << c.willing);
        TLoggedChart chart;
        chart.ThreadCount = c.threads;
        TLoggedSeries& a = AddSeries(chart, "A", 2);
        AddSeries(chart, "B", 2);
        a.Parallel = c.willing;
        chart.Draw();
        const std::vector<std::string>& log = chart.Log.entries;
        EXPECT_EQ(std::count(log.begin(), log.end(), "A:fast"), 1);
        const int fast = chart.Log.IndexOf("A:fast"), series = chart.Log.IndexOf("series ");
        ASSERT_GE(series, 0);
        EXPECT_EQ(fast < series, c.prePass);
        EXPECT_GT(chart.Log.IndexOf("B:fast"), chart.Log.IndexOf("B:before")) << "an unwilling series prepares itself";
    }
}

// In 3D every series takes a Z slot; the front one is the last series unless the depth axis is
// inverted, which keeps the slots in the order taken.
TEST_F(AxisPanelDrawTest, DepthSlotsFollowTheDepthAxis)
{
    struct Case {
        bool view3D, inverted;
        std::vector<int> depthSlots;
        int maxZOrder;
    } const cases[] = {{true, false, {2, 1, 0}, 2}, {true, true, {0, 1, 2}, 2}, {false, false, {0, 0, 0}, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "3D " << c.view3D << " inverted " << c.inverted);
        TLoggedChart chart;
        chart.SetView3D(c.view3D);
        chart.DepthAxis()->SetInverted(c.inverted);
        std::vector<TLoggedSeries*> list{&AddSeries(chart, "A", 1), &AddSeries(chart, "B", 1), &AddSeries(chart, "C", 1)};
        chart.Draw();
        std::vector<int> depthSlots;
        for (TLoggedSeries* s : list) depthSlots.push_back(s->DepthSlot);
        EXPECT_EQ(depthSlots, c.depthSlots);
        EXPECT_EQ(chart.MaxZOrder, c.maxZOrder);
    }
}

// Without series every visible axis shows; with series only the axes they use; a series that
// uses no axes hides them all.
TEST_F(AxisPanelDrawTest, OnlyAxesInUseAreDrawn)
{
    struct Case {
        const char* name;
        int seriesCount;
        bool usesAxes;
        int left, right, top, bottom;
    } const cases[] = {
        {"no series", 0, true, 1, 1, 1, 1},
        {"left and bottom", 1, true, 1, 0, 0, 1},
        {"no axes", 1, false, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TLoggedChart chart;
        if (c.seriesCount > 0) AddSeries(chart, "A", 3).Axes = c.usesAxes;
        chart.Draw();
        EXPECT_EQ(chart.TimesDrawn("Left"), c.left);
        EXPECT_EQ(chart.TimesDrawn("Right"), c.right);
        EXPECT_EQ(chart.TimesDrawn("Top"), c.top);
        EXPECT_EQ(chart.TimesDrawn("Bottom"), c.bottom);
        EXPECT_EQ(chart.RightAxis()->AxisIsVisible, c.right == 1);
        EXPECT_EQ(chart.TimesDrawn("Depth"), 0) << "the depth axis is hidden";
    }
}

// A handler that raises during the drawing leaves the chart repainting as before.
TEST_F(AxisPanelDrawTest, AutoRepaintComesBackWhenAStepRaises)
{
    for (bool before : {true, false}) {
        TLoggedChart chart;
        chart.AutoRepaint = before;
        bool during = true;
        chart.BeforeSeriesAction = [&] {
            during = chart.AutoRepaint;
            throw Exception("Axis minimum must be below its maximum");
        };
        EXPECT_THROW(chart.Draw(), Exception);
        EXPECT_FALSE(during) << "no repaint while drawing";
        EXPECT_EQ(chart.AutoRepaint, before);
    }
}

// A drawing that failed inside the clipped series area does not keep the next one from clipping.
TEST_F(AxisPanelDrawTest, AFailedDrawingLeavesNoClippingBehind)
{
    TLoggedChart chart;
    chart.SetView3D(true);
    TLoggedSeries& a = AddSeries(chart, "A", 2);
    TLoggedSeries& b = AddSeries(chart, "B", 2);
    for (TLoggedSeries* s : {&a, &b}) {
        s->Shares = true;
        s->ZOrder = 0;
    }
    a.FailToDraw = true;
    EXPECT_THROW(chart.Draw(), Exception);
    a.FailToDraw = false;
    chart.Draw();
    EXPECT_EQ(chart.Recording->Texts("ClipCube").size(), 1U);
    EXPECT_EQ(chart.Recording->Texts("Unclip").size(), 1U);
}

// The top and bottom axes are drawn once each: by the walls when they draw them on the visible
// front plane of a 3D chart, else in the axes step.
TEST_F(AxisPanelDrawTest, TopAndBottomAxesAreDrawnOnce)
{
    struct Case {
        const char* name;
        bool view3D, walls;
    } const cases[] = {{"2D", false, true}, {"3D with walls", true, true}, {"3D without walls", true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TLoggedChart chart;
        chart.SetView3D(c.view3D);
        chart.SetView3DWalls(c.walls);
        AddSeries(chart, "A", 3).SetHorizAxis(aBothHorizAxis);
        chart.BottomWall()->SetVisible(false);  // its canvas group has the bottom axis' name
        chart.Draw();
        EXPECT_EQ(chart.TimesDrawn("Top"), 1);
        EXPECT_EQ(chart.TimesDrawn("Bottom"), 1);
    }
}

}  // namespace
