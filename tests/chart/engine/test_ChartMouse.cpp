// The chart's mouse, wheel, key and drag handling without a window: who hears an event and in
// which order, the hit test's order, the zoom history and the saved axis scales.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
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
    int CancelKind = -1;
    void HandleMouseEvent(int kind, TMouseButton, TShiftState, int, int) override
    {
        log_.push_back(name_ + " mouse " + std::to_string(kind));
        if (kind == CancelKind) ParentChart()->MouseCancelled = true;
    }
    void HandleMouseWheel(int kind, int delta, int, int) override
    {
        log_.push_back(name_ + " wheel " + std::to_string(kind) + " " + std::to_string(delta));
    }
    void HandleKeyEvent(int kind, int& key, TShiftState, char& keyChar) override
    {
        log_.push_back(name_ + " key " + std::to_string(kind) + " " + std::to_string(key) + " " +
                       std::string(keyChar ? 1 : 0, keyChar));
    }
    void HandleDragEvent(int kind, TObject*, bool&, int x, int y) override
    {
        log_.push_back(name_ + " drag " + std::to_string(kind) + " " + std::to_string(x) + "," + std::to_string(y));
    }

private:
    std::string name_;
    TLog& log_;
};

class TLoggingAnimation : public TDuvCustomAnimation {
public:
    TLoggingAnimation(TComponent* owner, TLog& log) : TDuvCustomAnimation(owner), log_(log) {}
    void Play() override {}
    void HandleMouseEvent(int kind, TMouseButton, TShiftState, int, int) override
    {
        log_.push_back("animation mouse " + std::to_string(kind));
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
    TChart chart;
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
    first.CancelKind = mekDown;
    chart.MouseDown(mbLeft, {}, 5, 5);
    EXPECT_EQ(log, TLog{"first mouse 0"});
    // The chart lowers the flag again once the press is over.
    EXPECT_FALSE(chart.MouseCancelled);
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

}  // namespace
