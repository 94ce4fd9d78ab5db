// The chart under a real mouse: a window shows it, QTest presses, drags, turns the wheel and
// clicks, and the axes, events and series tell what the chart made of it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWheelEvent>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/engine/widgets/DuvPanelHost.h"
#include "support/TestSupport.h"
#include "chart/engine/support_ChartEngine.h"
#include "chart/engine/support_TestSeries.h"

using enginetest::TTestSeries;

namespace {

struct TRange {
    double Min, Max;
    bool operator==(const TRange&) const = default;
};
TRange RangeOf(const TChartAxis* axis) { return {axis->Minimum(), axis->Maximum()}; }
std::ostream& operator<<(std::ostream& out, const TRange& r) { return out << r.Min << " .. " << r.Max; }

// Counts the chart's click events and what they carried.
struct TClicks {
    int Background = 0, Legend = 0, Axis = 0, Title = 0, SeriesClicks = 0;
    bool ClearFlag = false;
    TChartAxis* LastAxis = nullptr;
    TChartTitle* LastTitle = nullptr;
    int LastIndex = -2;
    TCustomChart* Chart = nullptr;
    void OnBackground(TCustomChart* chart, TMouseButton, TShiftState, int, int)
    {
        ++Background;
        if (ClearFlag) chart->ReplyToMouse(TEventReply::PassOn);
    }
    void OnLegend(TCustomChart*, TMouseButton, TShiftState, int, int) { ++Legend; }
    void OnAxis(TCustomChart*, TChartAxis* axis, TMouseButton, TShiftState, int, int)
    {
        ++Axis;
        LastAxis = axis;
    }
    void OnTitle(TCustomChart*, TChartTitle* title, TMouseButton, TShiftState, int, int)
    {
        ++Title;
        LastTitle = title;
    }
    void OnSeries(TObject*, int index, TMouseButton, TShiftState, int, int)
    {
        ++SeriesClicks;
        LastIndex = index;
    }
};

// A tool that cancels every press.
class TCancellingTool : public TDuvCustomTool {
public:
    explicit TCancellingTool(TComponent* owner) : TDuvCustomTool(owner) {}
    TEventReply HandleMouseEvent(TMouseEventKind kind, TMouseButton, TShiftState, int, int) override
    {
        return kind == TMouseEventKind::Down ? TEventReply::CancelChart : TEventReply::PassOn;
    }
};

// Lists the keys it hears: kind, key code, character.
class TKeyTool : public TDuvCustomTool {
public:
    explicit TKeyTool(TComponent* owner) : TDuvCustomTool(owner) {}
    std::vector<std::string> Heard;
    TEventReply HandleKeyEvent(TKeyEventKind kind, int& key, TShiftState, char& keyChar) override
    {
        Heard.push_back(enginetest::CodeText(kind) + " " + std::to_string(key) + " " + std::string(keyChar ? 1 : 0, keyChar));
        return TEventReply::PassOn;
    }
};

// A 400 x 300 flat chart in a window with one test series: its points are pixels (so a point
// sits where its values say) and they give the axes their automatic ranges.
class ChartMouseTest : public testing::Test {
protected:
    void SetUp() override
    {
        enginetest::StartChartModules();
        chart.SetBounds(0, 0, 400, 300);
        chart.SetView3D(false);
        chart.Legend()->SetVisible(false);
        series = new TTestSeries(&chart);
        series->SetParentChart(&chart);
        for (const auto& [x, y] : {std::pair{60, 60}, {200, 150}, {330, 230}}) series->AddXY(x, y);
        host = std::make_unique<TDuvPanelHost>(chart);
        host->show();
        Settle();
        ASSERT_GT(chart.ChartRect.Right - chart.ChartRect.Left, 200);
    }
    void TearDown() override { host.reset(); }

    static void Settle()
    {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    }
    void Drag(QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(host.get(), button, Qt::NoModifier, from);
        QTest::mouseMove(host.get(), (from + to) / 2);
        QTest::mouseMove(host.get(), to);
        QTest::mouseRelease(host.get(), button, Qt::NoModifier, to);
        Settle();
    }
    void Click(QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(host.get(), button, Qt::NoModifier, at);
        Settle();
    }
    void Wheel(int delta, QPoint at)
    {
        QWheelEvent event(at, host->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(host.get(), &event);
        Settle();
    }
    // A point of the chart rectangle, as fractions of its width and height.
    QPoint At(double fx, double fy) const
    {
        const TRect& r = chart.ChartRect;
        return {r.Left + static_cast<int>((r.Right - r.Left) * fx), r.Top + static_cast<int>((r.Bottom - r.Top) * fy)};
    }

    qbtest::ScopedConfigDir config_;
    TChart chart;
    TTestSeries* series = nullptr;
    std::unique_ptr<TDuvPanelHost> host;
};

TEST_F(ChartMouseTest, ADragZoomsOnlyWhenLongerThanTheMinimumPixels)
{
    struct TCase {
        int Pixels;
        bool Zooms;
    };
    for (const TCase c : {TCase{16, false}, TCase{17, true}}) {
        SCOPED_TRACE(c.Pixels);
        chart.UndoZoom();
        Settle();
        const TRange before = {chart.BottomAxis()->CurMinimum, chart.BottomAxis()->CurMaximum};
        const QPoint from = At(0.3, 0.3);
        // Both ways at once: the rectangle counts only when each side is long enough.
        Drag(from, from + QPoint(c.Pixels, c.Pixels));
        EXPECT_EQ(chart.Zoomed, c.Zooms);
        EXPECT_EQ(!chart.BottomAxis()->Automatic(), c.Zooms);
        if (c.Zooms) {
            EXPECT_NEAR(chart.BottomAxis()->Minimum(), chart.BottomAxis()->CurMinimum, 1e-9);
            EXPECT_GT(chart.BottomAxis()->Minimum(), before.Min);
            EXPECT_LT(chart.BottomAxis()->Maximum(), before.Max);
        }
    }
}

TEST_F(ChartMouseTest, AZoomAppliesTheRectangleToTheAxes)
{
    const QPoint from = At(0.25, 0.25), to = At(0.75, 0.75);
    const double left0 = chart.LeftAxis()->CalcPosPoint(from.y()), left1 = chart.LeftAxis()->CalcPosPoint(to.y());
    const double bottom0 = chart.BottomAxis()->CalcPosPoint(from.x()), bottom1 = chart.BottomAxis()->CalcPosPoint(to.x());
    enginetest::TNotifyCounter zooms;
    chart.OnZoom = {&zooms, &enginetest::TNotifyCounter::On};
    Drag(from, to);
    EXPECT_EQ(zooms.Count, 1);
    EXPECT_EQ(RangeOf(chart.BottomAxis()), (TRange{bottom0, bottom1}));
    EXPECT_EQ(RangeOf(chart.LeftAxis()), (TRange{left1, left0}));
    // The window shows the zoomed ranges: the rectangle's corners are the chart rectangle's now.
    EXPECT_NEAR(chart.BottomAxis()->CalcXPosValue(bottom0), chart.ChartRect.Left, 1);
    EXPECT_NEAR(chart.BottomAxis()->CalcXPosValue(bottom1), chart.ChartRect.Right, 1);
}

TEST_F(ChartMouseTest, HorizontalZoomSpansTheFullHeightAndLeavesTheVerticalAxes)
{
    chart.Zoom().Direction = tzdHorizontal;
    const QPoint from = At(0.3, 0.4), to = At(0.6, 0.5);
    QTest::mousePress(host.get(), Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(host.get(), to);
    ASSERT_TRUE(chart.Zoom().Active);
    EXPECT_EQ(chart.Zoom().Y0, chart.ChartRect.Top);
    EXPECT_EQ(chart.Zoom().Y1, chart.ChartRect.Bottom);
    EXPECT_EQ(chart.Zoom().X1, to.x());
    QTest::mouseRelease(host.get(), Qt::LeftButton, Qt::NoModifier, to);
    Settle();
    EXPECT_TRUE(chart.Zoomed);
    EXPECT_FALSE(chart.BottomAxis()->Automatic());
    EXPECT_FALSE(chart.TopAxis()->Automatic());
    EXPECT_TRUE(chart.LeftAxis()->Automatic());
    EXPECT_TRUE(chart.RightAxis()->Automatic());
}

TEST_F(ChartMouseTest, ADragToTheLeftUndoesTheZoom)
{
    const TRange bottom = {chart.BottomAxis()->CurMinimum, chart.BottomAxis()->CurMaximum};
    const TRange left = {chart.LeftAxis()->CurMinimum, chart.LeftAxis()->CurMaximum};
    Drag(At(0.3, 0.3), At(0.7, 0.7));
    ASSERT_TRUE(chart.Zoomed);
    Drag(At(0.7, 0.7), At(0.3, 0.3));
    EXPECT_FALSE(chart.Zoomed);
    EXPECT_TRUE(chart.BottomAxis()->Automatic());
    EXPECT_TRUE(chart.LeftAxis()->Automatic());
    EXPECT_TRUE(chart.ScalesNotSaved);
    EXPECT_EQ((TRange{chart.BottomAxis()->CurMinimum, chart.BottomAxis()->CurMaximum}), bottom);
    EXPECT_EQ((TRange{chart.LeftAxis()->CurMinimum, chart.LeftAxis()->CurMaximum}), left);
}

TEST_F(ChartMouseTest, HistoryUndoesOneZoomAtATime)
{
    chart.Zoom().SetHistory(true);
    std::vector<TRange> zooms;
    for (int i = 0; i < 3; ++i) {
        Drag(At(0.2, 0.2), At(0.8, 0.8));
        zooms.push_back(RangeOf(chart.BottomAxis()));
    }
    ASSERT_EQ(chart.Zoom().ZoomHistory().Count(), 3);
    EXPECT_NE(zooms[2], zooms[1]);

    Drag(At(0.8, 0.8), At(0.2, 0.2));
    EXPECT_EQ(RangeOf(chart.BottomAxis()), zooms[1]);
    EXPECT_FALSE(chart.BottomAxis()->Automatic());
    Drag(At(0.8, 0.8), At(0.2, 0.2));
    EXPECT_EQ(RangeOf(chart.BottomAxis()), zooms[0]);
    Drag(At(0.8, 0.8), At(0.2, 0.2));
    EXPECT_TRUE(chart.BottomAxis()->Automatic());
    EXPECT_TRUE(chart.LeftAxis()->Automatic());
    EXPECT_EQ(chart.Zoom().ZoomHistory().Count(), 0);
}

TEST_F(ChartMouseTest, KeepAspectRatioFollowsTheChartRectangleWhicheverWayTheMouseGoes)
{
    chart.Zoom().KeepAspectRatio = true;
    const TRect& r = chart.ChartRect;
    const double ratio = static_cast<double>(r.Right - r.Left) / (r.Bottom - r.Top);
    const QPoint from = At(0.5, 0.5);
    for (const QPoint move : {QPoint(120, 10), QPoint(10, 90), QPoint(-100, 20), QPoint(-30, -80)}) {
        SCOPED_TRACE(testing::Message() << move.x() << "," << move.y());
        QTest::mousePress(host.get(), Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(host.get(), from + move);
        const TDuvZoom& zoom = chart.Zoom();
        ASSERT_TRUE(zoom.Active);
        ASSERT_NE(zoom.Y1, zoom.Y0);
        EXPECT_NEAR(std::abs(zoom.X1 - zoom.X0) / static_cast<double>(std::abs(zoom.Y1 - zoom.Y0)), ratio, 0.05);
        QTest::mouseRelease(host.get(), Qt::LeftButton, Qt::NoModifier, from + move);
        Settle();
        chart.UndoZoom();
        Settle();
    }
}

TEST_F(ChartMouseTest, RightButtonPanningMovesTheDataWithTheMouse)
{
    const QPoint from = At(0.5, 0.5), to = from + QPoint(40, -30);
    const double x = chart.BottomAxis()->CalcPosPoint(from.x()), y = chart.LeftAxis()->CalcPosPoint(from.y());
    enginetest::TNotifyCounter scrolls;
    chart.OnScroll = {&scrolls, &enginetest::TNotifyCounter::On};
    Drag(from, to, Qt::RightButton);
    EXPECT_GE(scrolls.Count, 1);
    EXPECT_FALSE(chart.Zoomed);
    EXPECT_FALSE(chart.ScalesNotSaved);
    // The values that were under the mouse are under it again.
    EXPECT_NEAR(chart.BottomAxis()->CalcXPosValue(x), to.x(), 1);
    EXPECT_NEAR(chart.LeftAxis()->CalcYPosValue(y), to.y(), 1);
    // Undoing puts the automatic ranges back.
    chart.UndoZoom();
    EXPECT_TRUE(chart.BottomAxis()->Automatic());
}

TEST_F(ChartMouseTest, PanningALogarithmicAxisNeverInvertsIt)
{
    series->ClearPoints();
    for (const auto& [x, y] : {std::pair{60.0, 1.0}, {200.0, 50.0}, {330.0, 1000.0}}) series->AddXY(x, y);
    chart.LeftAxis()->SetLogarithmic(true);
    Settle();
    for (const int dy : {40, -40, 250, -250}) {
        SCOPED_TRACE(dy);
        const QPoint from = At(0.5, 0.5);
        Drag(from, from + QPoint(0, dy), Qt::RightButton);
        EXPECT_GT(chart.LeftAxis()->Minimum(), 0);
        EXPECT_LT(chart.LeftAxis()->Minimum(), chart.LeftAxis()->Maximum());
    }
}

TEST_F(ChartMouseTest, OnAllowScrollLimitsAndVetoesDragging)
{
    struct TLimit {
        void On(TChartAxis* axis, double& min, double& max, bool& allow)
        {
            if (!axis->Horizontal()) {
                allow = false;
                return;
            }
            const double span = max - min;
            if (min < 0) {
                min = 0;
                max = span;
            }
        }
    } limit;
    chart.OnAllowScroll = {&limit, &TLimit::On};
    const TRange left = {chart.LeftAxis()->CurMinimum, chart.LeftAxis()->CurMaximum};
    Drag(At(0.5, 0.5), At(0.5, 0.5) + QPoint(300, 40), Qt::RightButton);
    EXPECT_EQ(chart.BottomAxis()->Minimum(), 0);
    EXPECT_TRUE(chart.LeftAxis()->Automatic());
    EXPECT_EQ((TRange{chart.LeftAxis()->CurMinimum, chart.LeftAxis()->CurMaximum}), left);
}

TEST_F(ChartMouseTest, TheWheelZoomsByATenthAtEachEnd)
{
    struct TCase {
        TMouseWheelStyle Style;
        int Delta;
        double Fraction;  // of the range each end moves inward
    };
    for (const TCase c : {TCase{pmwNormal, 120, 0.1}, TCase{pmwInverted, 120, -0.1}, TCase{pmwNormal, -120, -0.1}}) {
        SCOPED_TRACE(testing::Message() << c.Style << " " << c.Delta);
        chart.UndoZoom();
        Settle();
        chart.Zoom().MouseWheel = c.Style;
        const double lo = chart.BottomAxis()->CurMinimum, hi = chart.BottomAxis()->CurMaximum;
        const double vlo = chart.LeftAxis()->CurMinimum, vhi = chart.LeftAxis()->CurMaximum;
        Wheel(c.Delta, At(0.5, 0.5));
        EXPECT_NEAR(chart.BottomAxis()->Minimum(), lo + (hi - lo) * c.Fraction, 1e-6 * (hi - lo));
        EXPECT_NEAR(chart.BottomAxis()->Maximum(), hi - (hi - lo) * c.Fraction, 1e-6 * (hi - lo));
        EXPECT_NEAR(chart.LeftAxis()->Minimum(), vlo + (vhi - vlo) * c.Fraction, 1e-6 * (vhi - vlo));
        EXPECT_TRUE(chart.Zoomed);
    }
}

TEST_F(ChartMouseTest, WithoutAZoomWheelTheWheelScrollsTheVerticalAxes)
{
    const double lo = chart.LeftAxis()->CurMinimum, hi = chart.LeftAxis()->CurMaximum;
    Wheel(120, At(0.5, 0.5));
    EXPECT_FALSE(chart.LeftAxis()->Automatic());
    EXPECT_TRUE(chart.BottomAxis()->Automatic());
    EXPECT_NEAR(chart.LeftAxis()->Minimum(), lo + (hi - lo) * 0.03, 1e-9 * (hi - lo));
    EXPECT_NEAR(chart.LeftAxis()->Maximum(), hi + (hi - lo) * 0.03, 1e-9 * (hi - lo));
}

TEST_F(ChartMouseTest, WheelScrollingKeepsTheLimitsOnAllowScrollGives)
{
    // The handler keeps the vertical range from going above 240, as it would for a drag.
    struct TLimit {
        int Asked = 0;
        void On(TChartAxis*, double& min, double& max, bool&)
        {
            ++Asked;
            if (max > 240) {
                min -= max - 240;
                max = 240;
            }
        }
    } limit;
    chart.OnAllowScroll = {&limit, &TLimit::On};
    for (int i = 0; i < 6; ++i) Wheel(120, At(0.5, 0.5));
    EXPECT_GT(limit.Asked, 0);
    EXPECT_NEAR(chart.LeftAxis()->Maximum(), 240, 1e-9);
}

TEST_F(ChartMouseTest, AToolThatCancelsThePressStopsClicksCheckBoxesAndTheZoom)
{
    chart.Legend()->SetVisible(true);
    chart.Legend()->SetLegendStyle(lsSeries);
    chart.Legend()->SetCheckBoxes(true);
    Settle();
    TClicks clicks;
    series->OnClick = {&clicks, &TClicks::OnSeries};
    TScopedComponent<TCancellingTool> tool(&chart);
    tool.SetParentChart(&chart);

    Click({200, 150});
    EXPECT_EQ(clicks.SeriesClicks, 0);
    Drag(At(0.2, 0.2), At(0.6, 0.6));
    EXPECT_FALSE(chart.Zoomed);
    const TRect legend = chart.Legend()->Bounds;
    for (int y = legend.Top; y <= legend.Bottom; ++y)
        if (chart.Legend()->ItemAtPoint({legend.Left + 5, y}) == 0) {
            Click({legend.Left + 5, y});
            break;
        }
    EXPECT_TRUE(series->Active());

    tool.SetActive(false);
    Click({200, 150});
    EXPECT_EQ(clicks.SeriesClicks, 1);
}

TEST_F(ChartMouseTest, ALegendCheckBoxTogglesItsSeriesWithoutABackgroundClick)
{
    chart.Legend()->SetVisible(true);
    chart.Legend()->SetLegendStyle(lsSeries);
    chart.Legend()->SetCheckBoxes(true);
    Settle();
    TClicks clicks;
    chart.OnClickBackground = {&clicks, &TClicks::OnBackground};
    const TRect legend = chart.Legend()->Bounds;
    QPoint item(-1, -1), empty(-1, -1);
    for (int y = legend.Top; y <= legend.Bottom; ++y) {
        const int index = chart.Legend()->ItemAtPoint({legend.Left + 5, y});
        if (index == 0 && item.x() < 0) item = {legend.Left + 5, y};
        if (index == -1 && empty.x() < 0) empty = {legend.Left + 5, y};
    }
    ASSERT_GE(item.x(), 0);
    ASSERT_GE(empty.x(), 0);

    Click(item);
    EXPECT_FALSE(series->Active());
    EXPECT_EQ(clicks.Background, 0);
    Click(item);
    EXPECT_TRUE(series->Active());
    Click(empty);
    EXPECT_EQ(clicks.Background, 1);
    EXPECT_TRUE(series->Active());
}

TEST_F(ChartMouseTest, WithoutAnActiveSeriesNeitherZoomNorPanningStarts)
{
    series->SetActive(false);
    Settle();
    QTest::mousePress(host.get(), Qt::LeftButton, Qt::NoModifier, At(0.3, 0.3));
    EXPECT_FALSE(chart.Zoom().Active);
    QTest::mouseRelease(host.get(), Qt::LeftButton, Qt::NoModifier, At(0.7, 0.7));
    Drag(At(0.5, 0.5), At(0.7, 0.7), Qt::RightButton);
    EXPECT_FALSE(chart.Zoomed);
    EXPECT_TRUE(chart.BottomAxis()->Automatic());
    EXPECT_TRUE(chart.LeftAxis()->Automatic());
    EXPECT_TRUE(chart.ScalesNotSaved);
}

TEST_F(ChartMouseTest, ClicksReachThePointTheAxisTheTitleAndTheBackground)
{
    chart.Title()->AssignText("Rainfall");
    Settle();
    TClicks clicks;
    series->OnClick = {&clicks, &TClicks::OnSeries};
    chart.OnClickAxis = {&clicks, &TClicks::OnAxis};
    chart.OnClickTitle = {&clicks, &TClicks::OnTitle};
    chart.OnClickBackground = {&clicks, &TClicks::OnBackground};

    Click({200, 150});
    EXPECT_EQ(clicks.SeriesClicks, 1);
    EXPECT_EQ(clicks.LastIndex, 1);
    EXPECT_EQ(chart.LocateChartPart({200, 150}).Part, cpSeriesPointer);
    // A series click its handler does not cancel goes on to the background.
    EXPECT_EQ(clicks.Background, 1);

    const int axisY = chart.BottomAxis()->AxisPos;
    Click({At(0.5, 0).x(), axisY});
    EXPECT_EQ(clicks.Axis, 1);
    EXPECT_EQ(clicks.LastAxis, chart.BottomAxis());

    const TRect title = chart.Title()->GetBounds();
    Click({(title.Left + title.Right) / 2, (title.Top + title.Bottom) / 2});
    EXPECT_EQ(clicks.Title, 1);
    EXPECT_EQ(clicks.LastTitle, chart.Title());

    // The background handler keeps the flag raised: the click is handled and nothing zooms.
    Drag(At(0.2, 0.8), At(0.6, 0.9));
    EXPECT_EQ(clicks.Background, 2);
    EXPECT_FALSE(chart.Zoomed);
    EXPECT_EQ(clicks.SeriesClicks, 1);
    EXPECT_EQ(clicks.Axis, 1);
    EXPECT_EQ(clicks.Title, 1);
}

TEST_F(ChartMouseTest, ABackgroundHandlerThatLetsTheClickGoOnIsCalledOnceAndTheDragZooms)
{
    TClicks clicks;
    clicks.ClearFlag = true;
    chart.OnClickBackground = {&clicks, &TClicks::OnBackground};
    Drag(At(0.2, 0.2), At(0.6, 0.6));
    EXPECT_EQ(clicks.Background, 1);
    EXPECT_TRUE(chart.Zoomed);
}

TEST_F(ChartMouseTest, TheHandShowsOverASelectableLegendItemAndGoesAwayOffIt)
{
    chart.Legend()->SetVisible(true);
    chart.Legend()->SetLegendStyle(lsSeries);
    chart.Legend()->GetSelected()->SetVisible(true);
    Settle();
    const TRect legend = chart.Legend()->Bounds;
    QPoint item(-1, -1);
    for (int y = legend.Top; y <= legend.Bottom && item.x() < 0; ++y)
        if (chart.Legend()->ItemAtPoint({legend.Left + 5, y}) == 0) item = {legend.Left + 5, y};
    ASSERT_GE(item.x(), 0);
    QTest::mouseMove(host.get(), item);
    EXPECT_EQ(host->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(host.get(), At(0.1, 0.9));
    EXPECT_EQ(host->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ChartMouseTest, TypedKeysReachTheToolsWithTheirCharacter)
{
    TScopedComponent<TKeyTool> tool(&chart);
    tool.SetParentChart(&chart);
    QTest::keyClick(host.get(), Qt::Key_Q);
    QTest::keyClick(host.get(), Qt::Key_Left);
    EXPECT_EQ(tool.Heard, (std::vector<std::string>{"0 81 ", "2 0 q", "1 81 ", "0 37 ", "1 37 "}));
}

}  // namespace
