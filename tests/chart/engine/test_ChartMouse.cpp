// The chart's mouse, wheel, key and drag handling without a window: who hears an event and in
// which order, the hit test's order, the zoom history and the saved axis scales.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "support/TestSupport.h"
#include "support_ChartEngine.h"
#include "support_TestSeries.h"

using enginetest::TTestSeries;

namespace {

using TLog = std::vector<std::string>;

// Writes what it hears into a shared log; may cancel the mouse on a given kind.
class TLoggingTool : public TDuvCustomTool {
public:
    TLoggingTool(TComponent* owner, std::string name, TLog& log) : TDuvCustomTool(owner), name_(std::move(name)), log_(log) {}
    std::optional<TMouseEventKind> CancelKind;
    TEventReply HandleMouseEvent(TMouseEventKind kind, TMouseButton, TShiftState, int, int) override
    {
        log_.push_back(name_ + " mouse " + enginetest::CodeText(kind));
        return kind == CancelKind ? TEventReply::CancelChart : TEventReply::PassOn;
    }
    TEventReply HandleMouseWheel(TWheelEventKind kind, int delta, int, int) override
    {
        log_.push_back(name_ + " wheel " + enginetest::CodeText(kind) + " " + std::to_string(delta));
        return TEventReply::PassOn;
    }
    TEventReply HandleKeyEvent(TKeyEventKind kind, int& key, TShiftState, char& keyChar) override
    {
        log_.push_back(name_ + " key " + enginetest::CodeText(kind) + " " + std::to_string(key) + " " +
                       std::string(keyChar ? 1 : 0, keyChar));
        return TEventReply::PassOn;
    }
    void HandleDragEvent(TDragEventKind kind, TObject*, bool&, int x, int y) override
    {
        log_.push_back(name_ + " drag " + enginetest::CodeText(kind) + " " + std::to_string(x) + "," + std::to_string(y));
    }

private:
    std::string name_;
    TLog& log_;
};

class TLoggingAnimation : public TDuvCustomAnimation {
public:
    TLoggingAnimation(TComponent* owner, TLog& log) : TDuvCustomAnimation(owner), log_(log) {}
    void Play() override {}
    TEventReply HandleMouseEvent(TMouseEventKind kind, TMouseButton, TShiftState, int, int) override
    {
        log_.push_back("animation mouse " + enginetest::CodeText(kind));
        return TEventReply::PassOn;
    }

private:
    TLog& log_;
};

class ChartMouseModelTest : public testing::Test {
protected:
    void SetUp() override
    {
        enginetest::StartChartModules();
        chart.SetView3D(false);
        chart.Legend()->SetVisible(false);
        series = new TTestSeries(&chart);
        series->SetParentChart(&chart);
        series->AddXY(10, 100);
        series->AddXY(30, 300);
    }
    // Lays the chart out as a window of 400 x 300 would.
    void Draw()
    {
        QImage image(400, 300, QImage::Format_RGB32);
        QPainter painter(&image);
        chart.DrawToCanvas(&painter, {0, 0, 400, 300});
    }
    qbtest::ScopedConfigDir config_;
    TScopedComponent<TChart> chart;
    TTestSeries* series = nullptr;
    TLog log;
};

TEST_F(ChartMouseModelTest, ToolsThenAnimationsHearTheMouseUntilOneCancels)
{
    TScopedComponent<TLoggingTool> first(&chart, "first", log), second(&chart, "second", log), idle(&chart, "idle", log);
    TScopedComponent<TLoggingAnimation> animation(&chart, log);
    for (TDuvCustomTool* tool : std::initializer_list<TDuvCustomTool*>{&first, &idle, &second, &animation})
        tool->SetParentChart(&chart);
    idle.SetActive(false);
    animation.SetActive(true);

    chart.MouseMove({}, 5, 5);
    chart.MouseUp(mbLeft, {}, 5, 5);
    EXPECT_EQ(log, (TLog{"first mouse 1", "second mouse 1", "animation mouse 1", "first mouse 2", "second mouse 2",
                         "animation mouse 2"}));

    log.clear();
    first.CancelKind = TMouseEventKind::Down;
    chart.MouseDown(mbLeft, {}, 5, 5);
    EXPECT_EQ(log, TLog{"first mouse 0"});
    // The answer belonged to the press: it is gone once the press is over.
    EXPECT_EQ(chart.MouseReply(), TEventReply::PassOn);
}

TEST_F(ChartMouseModelTest, KeysDragsAndTheWheelReachEveryActiveTool)
{
    TScopedComponent<TLoggingTool> tool(&chart, "tool", log);
    tool.SetParentChart(&chart);
    int key = VK_LEFT;
    chart.KeyDown(key, {});
    chart.KeyUp(key, {});
    char ch = 'z';
    chart.KeyPress(ch);
    bool accept = false;
    chart.HandleDragOver(nullptr, 3, 4, accept);
    chart.HandleDragDrop(nullptr, 5, 6);
    chart.HandleStartDrag();
    chart.HandleEndDrag(nullptr, 7, 8);
    // Two steps down in one turn: each step, then the whole turn.
    chart.MouseWheel({}, -240, 1, 2);
    EXPECT_EQ(log, (TLog{"tool key 0 37 ", "tool key 1 37 ", "tool key 2 0 z", "tool drag 0 3,4", "tool drag 1 5,6",
                         "tool drag 2 0,0", "tool drag 3 7,8", "tool wheel 0 -1", "tool wheel 0 -1",
                         "tool wheel 1 -240"}));

    // Half a step waits for the other half.
    log.clear();
    chart.MouseWheel({}, 60, 1, 2);
    chart.MouseWheel({}, 60, 1, 2);
    EXPECT_EQ(log, (TLog{"tool wheel 1 60", "tool wheel 2 1", "tool wheel 1 60"}));
}

TEST_F(ChartMouseModelTest, TheHitTestTakesTheFirstMatchInItsOrder)
{
    Draw();
    const TPoint point{series->GetPointScreenX(1), series->GetPointScreenY(1)};
    // A series without click handlers is seen only when every series counts.
    TChartHitResult part;
    chart.FindClickedPart(point, true, part);
    EXPECT_NE(part.Part, cpSeriesPointer);
    part = chart.LocateChartPart(point);
    EXPECT_EQ(part.Part, cpSeriesPointer);
    EXPECT_EQ(part.ASeries, series);
    EXPECT_EQ(part.PointIndex, 1);

    const TPoint inside{(chart.ChartRect.Left + chart.ChartRect.Right) / 2, chart.ChartRect.Top + 2};
    EXPECT_EQ(chart.LocateChartPart(inside).Part, cpChartRect);
    series->SetActive(false);
    EXPECT_EQ(chart.LocateChartPart(inside).Part, cpNone);
    EXPECT_EQ(chart.LocateChartPart({-50, -50}).Part, cpNone);
}

TEST_F(ChartMouseModelTest, UndoingWithNothingSavedOnlyClearsZoomedAndTells)
{
    enginetest::TNotifyCounter undos;
    chart.OnUndoZoom = {&undos, &enginetest::TNotifyCounter::On};
    chart.Zoomed = true;
    chart.UndoZoom();
    EXPECT_EQ(undos.Count, 1);
    EXPECT_FALSE(chart.Zoomed);
    EXPECT_TRUE(chart.BottomAxis()->Automatic());
}

TEST_F(ChartMouseModelTest, SavedScalesComeBackWithTheirAutomaticFlags)
{
    chart.LeftAxis()->SetRange(5, 50);
    chart.BottomAxis()->SetAutomaticMaximum(false);
    const bool bottomAutomatic = chart.BottomAxis()->Automatic();
    chart.ZoomToValues(0, 1, 10, 20, 100, 200, 0, 1);
    ASSERT_FALSE(chart.ScalesNotSaved);
    chart.ZoomToValues(0, 1, 12, 18, 120, 180, 0, 1);
    EXPECT_EQ(chart.BottomAxis()->Minimum(), 120);

    chart.UndoZoom();
    EXPECT_TRUE(chart.ScalesNotSaved);
    EXPECT_TRUE(chart.SavedScales.empty());
    EXPECT_FALSE(chart.LeftAxis()->Automatic());
    EXPECT_EQ(chart.LeftAxis()->Minimum(), 5);
    EXPECT_EQ(chart.LeftAxis()->Maximum(), 50);
    EXPECT_EQ(chart.BottomAxis()->Automatic(), bottomAutomatic);
    EXPECT_TRUE(chart.BottomAxis()->AutomaticMinimum());
    EXPECT_FALSE(chart.BottomAxis()->AutomaticMaximum());
}

TEST_F(ChartMouseModelTest, ZoomDirectionDecidesWhichAxesTakeTheirRanges)
{
    struct TCase {
        TDuvZoomDirection Direction;
        bool Vertical, Horizontal;
    };
    for (const TCase c : {TCase{tzdBoth, true, true}, TCase{tzdHorizontal, false, true}, TCase{tzdVertical, true, false}}) {
        SCOPED_TRACE(static_cast<int>(c.Direction));
        chart.UndoZoom();
        chart.Zoom().Direction = c.Direction;
        chart.ZoomToValues(1, 2, 3, 4, 5, 6, 7, 8);
        EXPECT_EQ(!chart.RightAxis()->Automatic(), c.Vertical);
        EXPECT_EQ(!chart.LeftAxis()->Automatic(), c.Vertical);
        EXPECT_EQ(!chart.BottomAxis()->Automatic(), c.Horizontal);
        EXPECT_EQ(!chart.TopAxis()->Automatic(), c.Horizontal);
        if (c.Vertical) {
            EXPECT_EQ(chart.LeftAxis()->Minimum(), 3);
        }
        if (c.Horizontal) {
            EXPECT_EQ(chart.TopAxis()->Maximum(), 8);
        }
    }
}

TEST_F(ChartMouseModelTest, AnAnimatedZoomEndsOnItsTarget)
{
    chart.Zoom().Animated = true;
    chart.LeftAxis()->SetRange(0, 90);
    chart.ZoomToValues(0, 1, 30, 60, 0, 1, 0, 1);
    EXPECT_EQ(chart.LeftAxis()->Minimum(), 30);
    EXPECT_EQ(chart.LeftAxis()->Maximum(), 60);
}

TEST_F(ChartMouseModelTest, SnapshotsHoldTheStandardAndCustomAxes)
{
    TChartAxis* custom = chart.CustomAxes()->AddAxis();
    custom->SetRange(-3, 3);
    chart.Zoom().SetHistory(true);
    chart.ZoomToValues(0, 1, 10, 20, 100, 200, 0, 1);
    chart.AddZoomSnapshot();
    const TZoomSnapshot* snapshot = chart.Zoom().ZoomHistory().Get(0);
    // Left, top, right, bottom.
    EXPECT_EQ(snapshot->AxisRanges, (std::vector<double>{10, 20, 0, 1, 0, 1, 100, 200}));
    ASSERT_EQ(snapshot->CustomAxisCount, 1);
    EXPECT_EQ(snapshot->CustomAxisRanges[0][0], -3);
    EXPECT_EQ(snapshot->CustomAxisRanges[0][1], 3);
}

TEST_F(ChartMouseModelTest, DraggingALogarithmicAxisKeepsItPositiveAndOrdered)
{
    series->AddXY(50, 10000);
    chart.LeftAxis()->SetLogarithmic(true);
    Draw();
    for (const int d : {30, -30, 400, -400, 5000}) {
        SCOPED_TRACE(d);
        TChartAxis* axis = chart.LeftAxis();
        EXPECT_TRUE(chart.PanAxis(axis, 100, 100 + d));
        EXPECT_GT(axis->Minimum(), 0);
        EXPECT_LT(axis->Minimum(), axis->Maximum());
    }
}

// ---------------------------------------------------------------- the event road

// A tool that logs what it hears and answers as told; it covers the whole chart unless given a
// place of its own.
class TRoadTool : public TDuvCustomTool {
public:
    TRoadTool(TComponent* owner, std::string name, TLog& log) : TDuvCustomTool(owner), name_(std::move(name)), log_(log)
    {
    }
    TEventReply OnDown = TEventReply::PassOn;
    TEventReply OnMove = TEventReply::PassOn;
    std::optional<TRect> Place;
    bool EveryMove = false;
    TEventReply HandleMouseEvent(TMouseEventKind kind, TMouseButton, TShiftState, int, int) override
    {
        static const char* const kNames[] = {"down", "move", "up"};
        log_.push_back(name_ + " " + kNames[static_cast<int>(kind)]);
        if (kind == TMouseEventKind::Down) return OnDown;
        return kind == TMouseEventKind::Move ? OnMove : TEventReply::PassOn;
    }
    bool HitTest(int x, int y) const override { return !Place || Inside(*Place, x, y); }
    bool ListensToEveryMove() const override { return EveryMove; }

private:
    static bool Inside(const TRect& r, int x, int y) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; }
    std::string name_;
    TLog& log_;
};

class TRoadAnimation : public TDuvCustomAnimation {
public:
    TRoadAnimation(TComponent* owner, TLog& log) : TDuvCustomAnimation(owner), log_(log) {}
    TEventReply OnDown = TEventReply::PassOn;
    void Play() override {}
    TEventReply HandleMouseEvent(TMouseEventKind kind, TMouseButton, TShiftState, int, int) override
    {
        log_.push_back(std::string("animation ") + (kind == TMouseEventKind::Down ? "down" : kind == TMouseEventKind::Move ? "move" : "up"));
        return kind == TMouseEventKind::Down ? OnDown : TEventReply::PassOn;
    }

private:
    TLog& log_;
};

// How a tool of a case is set up.
struct TToolSetup {
    TEventReply Down = TEventReply::PassOn;
    TEventReply Move = TEventReply::PassOn;
    bool Active = true;
    bool Elsewhere = false;  // its place is away from the press
    bool EveryMove = false;
};

struct TRoadCase {
    const char* Name;
    std::vector<TToolSetup> Tools;  // named A, B, ... in list order
    std::optional<TEventReply> Animation;
    TLog Heard;
    bool Zooms;
};

TEST_F(ChartMouseModelTest, ADragGoesToTheToolsInOrderAndTheChartZoomsUnlessOneCancels)
{
    constexpr auto pass = TEventReply::PassOn, handled = TEventReply::Handled, cancel = TEventReply::CancelChart;
    const TRoadCase cases[] = {
        {"no tools", {}, {}, {}, true},
        {"a tool that passes on hears everything", {{}}, {}, {"A down", "A move", "A up"}, true},
        {"a taken press stops the walk and the taker holds the drag",
         {{}, {handled}, {}},
         {},
         {"A down", "B down", "B move", "B up"},
         true},
        {"cancelling keeps the chart from zooming", {{cancel}, {}}, {}, {"A down", "A move", "A up"}, false},
        {"two tools that both want the drag: the first takes it", {{handled}, {handled}}, {}, {"A down", "A move", "A up"}, true},
        {"two tools that both cancel: the first takes it", {{cancel}, {cancel}}, {}, {"A down", "A move", "A up"}, false},
        {"a tool away from the press does not hear it, and hovers without a held drag",
         {{cancel, pass, true, true}, {}},
         {},
         {"B down", "A move", "B move", "A up", "B up"},
         true},
        {"an inactive tool hears nothing", {{cancel, pass, false}, {}}, {}, {"B down", "B move", "B up"}, true},
        {"a tool listening to every move hears the held drag too",
         {{handled}, {pass, pass, true, false, true}},
         {},
         {"A down", "A move", "B move", "A up", "B up"},
         true},
        {"animations come after the tools", {{}}, pass, {"A down", "animation down", "A move", "animation move", "A up", "animation up"}, true},
        {"an animation may cancel too", {{}}, cancel, {"A down", "animation down", "animation move", "animation up"}, false},
        {"a tool's taken press keeps the animations out", {{handled}}, cancel, {"A down", "A move", "A up"}, true},
    };
    Draw();
    const TRect r = chart.ChartRect;
    const TPoint from{r.Left + (r.Right - r.Left) / 5, r.Top + (r.Bottom - r.Top) / 5};
    const TPoint to{r.Left + (r.Right - r.Left) * 3 / 5, r.Top + (r.Bottom - r.Top) * 3 / 5};
    for (const TRoadCase& c : cases) {
        SCOPED_TRACE(c.Name);
        chart.UndoZoom();
        log.clear();
        std::vector<std::unique_ptr<TRoadTool>> tools;
        for (const TToolSetup& setup : c.Tools) {
            const std::string name(1, static_cast<char>('A' + tools.size()));
            auto tool = std::make_unique<TRoadTool>(nullptr, name, log);
            tool->OnDown = setup.Down;
            tool->OnMove = setup.Move;
            tool->EveryMove = setup.EveryMove;
            if (setup.Elsewhere) tool->Place = TRect{0, 0, 2, 2};
            tool->SetParentChart(&chart);
            tool->SetActive(setup.Active);
            tools.push_back(std::move(tool));
        }
        std::unique_ptr<TRoadAnimation> animation;
        if (c.Animation) {
            animation = std::make_unique<TRoadAnimation>(nullptr, log);
            animation->OnDown = *c.Animation;
            animation->SetParentChart(&chart);
        }

        chart.MouseDown(mbLeft, {}, from.X, from.Y);
        chart.MouseMove({}, to.X, to.Y);
        chart.MouseUp(mbLeft, {}, to.X, to.Y);

        EXPECT_EQ(log, c.Heard);
        EXPECT_EQ(chart.Zoomed, c.Zooms);
        EXPECT_FALSE(chart.Zoom().Active) << "the chart's own drag ends with its button";
        EXPECT_EQ(chart.Tools()->DragHolder(), nullptr) << "the drag ends with the release";
        EXPECT_EQ(chart.Animations()->DragHolder(), nullptr);
    }
}

TEST_F(ChartMouseModelTest, ATakenDragStaysWithItsToolUntilItsButtonGoesUp)
{
    Draw();
    TScopedComponent<TRoadTool> first(&chart, "A", log), second(&chart, "B", log);
    first.SetParentChart(&chart);
    second.SetParentChart(&chart);
    first.OnDown = TEventReply::CancelChart;
    chart.MouseDown(mbLeft, {}, 50, 50);
    // Another button pressed and released during the drag belongs to it too.
    second.OnDown = TEventReply::CancelChart;
    chart.MouseDown(mbRight, {}, 60, 60);
    chart.MouseUp(mbRight, {}, 60, 60);
    chart.MouseMove({}, 70, 70);
    EXPECT_EQ(chart.Tools()->DragHolder(), &first);
    chart.MouseUp(mbLeft, {}, 70, 70);
    EXPECT_EQ(chart.Tools()->DragHolder(), nullptr);
    EXPECT_EQ(log, (TLog{"A down", "A down", "A up", "A move", "A up"}));

    // A holder that goes lets go of the drag.
    log.clear();
    {
        TScopedComponent<TRoadTool> going(&chart, "C", log);
        going.SetParentChart(&chart);
        first.SetActive(false);
        second.SetActive(false);
        going.OnDown = TEventReply::Handled;
        chart.MouseDown(mbLeft, {}, 50, 50);
        EXPECT_EQ(chart.Tools()->DragHolder(), &going);
    }
    EXPECT_EQ(chart.Tools()->DragHolder(), nullptr);
    second.SetActive(true);
    chart.MouseMove({}, 55, 55);
    EXPECT_EQ(log, (TLog{"C down", "B move"}));

    // A drag whose release never came ends when its button goes down again.
    chart.MouseUp(mbLeft, {}, 55, 55);
    first.SetActive(true);
    first.OnDown = TEventReply::PassOn;
    log.clear();
    chart.MouseDown(mbLeft, {}, 50, 50);
    chart.MouseDown(mbLeft, {}, 52, 52);
    EXPECT_EQ(log, (TLog{"A down", "B down", "A down", "B down"}));
}

TEST_F(ChartMouseModelTest, AClickReachesOnlyThePartUnderTheMouse)
{
    // Two series side by side, a tool with a place of its own, and the background.
    series->AddXY(120, 130);
    auto* other = new TTestSeries(&chart);
    other->SetParentChart(&chart);
    other->AddXY(200, 150);
    Draw();
    struct TClicks {
        TLog* Log;
        void First(TObject*, int index, TMouseButton, TShiftState, int, int) { Log->push_back("first " + std::to_string(index)); }
        void Other(TObject*, int index, TMouseButton, TShiftState, int, int) { Log->push_back("other " + std::to_string(index)); }
        void Background(TCustomChart* sender, TMouseButton, TShiftState, int, int)
        {
            Log->push_back("background");
            sender->ReplyToMouse(TEventReply::PassOn);
        }
    } clicks{&log};
    series->OnClick = {&clicks, &TClicks::First};
    other->OnClick = {&clicks, &TClicks::Other};
    chart.OnClickBackground = {&clicks, &TClicks::Background};
    TScopedComponent<TRoadTool> tool(&chart, "tool", log);
    tool.SetParentChart(&chart);
    tool.OnDown = TEventReply::CancelChart;
    tool.Place = TRect{300, 40, 340, 80};

    const TRect r = chart.ChartRect;
    struct TClickCase {
        const char* Name;
        TPoint At;
        TLog Heard;
    };
    const TClickCase cases[] = {
        {"a point of the first series", {120, 130}, {"first 2", "background"}},
        {"the other series' point", {200, 150}, {"other 0", "background"}},
        {"the tool's place", {320, 60}, {"tool down"}},
        {"the empty chart rectangle", {(r.Left + r.Right) / 2, r.Bottom - 3}, {"background"}},
    };
    for (const TClickCase& c : cases) {
        SCOPED_TRACE(c.Name);
        log.clear();
        chart.MouseDown(mbLeft, {}, c.At.X, c.At.Y);
        chart.MouseUp(mbLeft, {}, c.At.X, c.At.Y);
        // The release of a press nobody held goes to every tool.
        TLog heard = c.Heard;
        heard.push_back("tool up");
        EXPECT_EQ(log, heard);
    }
}

TEST_F(ChartMouseModelTest, TheWheelAndKeysStopAtTheToolThatTakesThem)
{
    struct TWheelTool : TDuvCustomTool {
        TWheelTool(TComponent* owner, std::string name, TLog& log) : TDuvCustomTool(owner), Name(std::move(name)), Log(log) {}
        std::string Name;
        TLog& Log;
        TEventReply Reply = TEventReply::PassOn;
        TEventReply HandleMouseWheel(TWheelEventKind kind, int, int, int) override
        {
            Log.push_back(Name + " wheel " + enginetest::CodeText(kind));
            return kind == TWheelEventKind::Turn ? TEventReply::PassOn : Reply;
        }
        TEventReply HandleKeyEvent(TKeyEventKind, int& key, TShiftState, char&) override
        {
            Log.push_back(Name + " key " + std::to_string(key));
            return Reply;
        }
    };
    Draw();
    chart.Zoom().MouseWheel = pmwNormal;
    TScopedComponent<TWheelTool> first(&chart, "A", log), second(&chart, "B", log);
    first.SetParentChart(&chart);
    second.SetParentChart(&chart);
    first.Reply = TEventReply::CancelChart;
    chart.MouseWheel({}, 120, 100, 100);
    EXPECT_FALSE(chart.Zoomed) << "the cancelled step leaves the axes alone";
    int key = VK_LEFT;
    chart.KeyDown(key, {});
    EXPECT_EQ(log, (TLog{"A wheel 2", "A wheel 1", "B wheel 1", "A key 37"}));

    log.clear();
    first.Reply = TEventReply::PassOn;
    chart.MouseWheel({}, 120, 100, 100);
    EXPECT_TRUE(chart.Zoomed);
    EXPECT_EQ(log, (TLog{"A wheel 2", "B wheel 2", "A wheel 1", "B wheel 1"}));
}

}  // namespace
