// The tools under a real mouse: a window shows a bar chart, QTest presses, moves and releases,
// and the tools' events, the chart's 3D view and the window's picture tell what happened.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/DuvTextShape.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziSelect.h"
#include "chart/engine/widgets/DuvPanelHost.h"
#include "chart/graphics/DuvCanvas3D.h"
#include "chart/series/SeriesBar.h"
#include "chart/tools/DuvTools.h"
#include "chart/tools/support_ToolsTest.h"
#include "support/TestSupport.h"

namespace {

struct TDrawCounter {
    int Count = 0;
    void On(TObject*) { ++Count; }
};

// What the annotation's click events heard, in order.
struct TClickLog {
    std::vector<std::string> Heard;
    void OnClick(TAnnotationTool*, TMouseButton, TShiftState, int x, int y)
    {
        Heard.push_back("click " + std::to_string(x) + "," + std::to_string(y));
    }
    void OnDblClick(TAnnotationTool*, TMouseButton, TShiftState, int, int) { Heard.push_back("double"); }
};

// A 400 x 300 flat bar chart in a window, without legend, on the GDI canvas (the one whose
// picture tools may draw on between paints).
class DuvToolsMouseTest : public testing::Test {
protected:
    void SetUp() override
    {
        toolstest::StartToolsModules();
        chart.SetBounds(0, 0, 400, 300);
        chart.ReplaceCanvas(std::make_unique<TDuvCanvas3D>(), "TDuvCanvas3D");
        chart.SetView3D(false);
        chart.Legend()->SetVisible(false);
        bars = new TBarSeries(&chart);
        bars->SetParentChart(&chart);
        for (double v : {3.0, 5.0, 2.0, 6.0, 4.0}) bars->AddPointY(v);
        chart.OnAfterDraw = {&draws, &TDrawCounter::On};
        host = std::make_unique<TDuvPanelHost>(chart);
        host->resize(400, 300);
        host->show();
        Settle();
    }
    void TearDown() override { host.reset(); }

    static void Settle()
    {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    }
    QImage Buffer() const
    {
        QImage* buffer = static_cast<TDuvCanvas3D&>(chart.Canvas()).BufferBitmap();
        return buffer ? buffer->copy() : QImage();
    }
    void Drag(QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton, int steps = 4)
    {
        QTest::mousePress(host.get(), button, Qt::NoModifier, from);
        for (int i = 1; i <= steps; ++i) QTest::mouseMove(host.get(), from + (to - from) * i / steps);
        QTest::mouseRelease(host.get(), button, Qt::NoModifier, to);
        Settle();
    }
    TAnnotationTool* AddAnnotation(TRect box)
    {
        auto* tool = new TAnnotationTool(&chart);
        tool->SetParentChart(&chart);
        tool->SetText("Note");
        tool->SetAutoSize(false);
        tool->SetLeft(box.Left);
        tool->SetTop(box.Top);
        tool->SetWidth(box.Right - box.Left);
        tool->SetHeight(box.Bottom - box.Top);
        Settle();
        return tool;
    }
    TRectangleTool* AddRectangle(TRect box)
    {
        auto* tool = new TRectangleTool(&chart);
        tool->SetParentChart(&chart);
        tool->SetLeft(box.Left);
        tool->SetTop(box.Top);
        tool->SetWidth(box.Right - box.Left);
        tool->SetHeight(box.Bottom - box.Top);
        Settle();
        return tool;
    }

    qbtest::ScopedConfigDir config_;
    TChart chart;
    TBarSeries* bars = nullptr;
    TDrawCounter draws;
    std::unique_ptr<TDuvPanelHost> host;
};

// ---------------------------------------------------------------- annotation

TEST_F(DuvToolsMouseTest, ClicksReachTheAnnotationOnlyInsideItsBox)
{
    TAnnotationTool* tool = AddAnnotation({50, 50, 150, 90});
    TClickLog log;
    tool->OnClick = {&log, &TClickLog::OnClick};
    tool->OnDblClick = {&log, &TClickLog::OnDblClick};
    QTest::mouseClick(host.get(), Qt::LeftButton, Qt::NoModifier, {200, 200});
    QTest::mouseClick(host.get(), Qt::LeftButton, Qt::NoModifier, {150, 90});  // the edge counts
    EXPECT_EQ(log.Heard, (std::vector<std::string>{"click 150,90"}));
    log.Heard.clear();
    QTest::mouseDClick(host.get(), Qt::LeftButton, Qt::NoModifier, {60, 60});
    Settle();
    // The double click's second press fires both, the click first.
    ASSERT_GE(log.Heard.size(), 2u);
    EXPECT_EQ(log.Heard[log.Heard.size() - 2], "click 60,60");
    EXPECT_EQ(log.Heard.back(), "double");
}

TEST_F(DuvToolsMouseTest, HoverSwapsTheFramePenUntilTheMouseLeaves)
{
    TAnnotationTool* tool = AddAnnotation({50, 50, 150, 90});
    TDuvHover& hover = *tool->Selected().Hover();
    hover.SetVisible(true);
    hover.Pen().SetColor(clRed);
    hover.Pen().SetWidth(1);
    tool->Shape().Pen().SetColor(clBlack);
    Settle();
    auto frameColor = [&] { return Buffer().pixel(100, 50) & 0xFFFFFF; };
    EXPECT_EQ(frameColor(), 0x000000u);
    const int before = draws.Count;
    QTest::mouseMove(host.get(), {100, 70});
    Settle();
    EXPECT_EQ(tool->Selected().HoverIndex(), 0);
    EXPECT_GT(draws.Count, before);
    EXPECT_EQ(frameColor(), 0xFF0000u);
    QTest::mouseMove(host.get(), {300, 250});
    Settle();
    EXPECT_EQ(tool->Selected().HoverIndex(), -1);
    QTest::mouseMove(host.get(), {100, 70});
    Settle();
    ASSERT_EQ(tool->Selected().HoverIndex(), 0);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(host.get(), &leave);
    Settle();
    EXPECT_EQ(tool->Selected().HoverIndex(), -1);
    EXPECT_EQ(frameColor(), 0x000000u);
}

TEST_F(DuvToolsMouseTest, ACursorOverTheAnnotationKeepsTheZoomFrameStill)
{
    struct TCase {
        TCursor Cursor;
        bool Claims;
    };
    for (const TCase c : {TCase{crDefault, false}, TCase{crHandPoint, true}}) {
        SCOPED_TRACE(c.Cursor);
        TAnnotationTool* tool = AddAnnotation({200, 100, 300, 160});
        tool->SetCursor(c.Cursor);
        chart.SetCursor(crDefault);
        QTest::mousePress(host.get(), Qt::LeftButton, Qt::NoModifier, {120, 80});
        QTest::mouseMove(host.get(), {150, 90});
        ASSERT_TRUE(chart.Zoom().Active);
        QTest::mouseMove(host.get(), {250, 130});
        EXPECT_EQ(chart.Zoom().X1 == 150, c.Claims);
        EXPECT_EQ(chart.Cursor() == crHandPoint, c.Claims);
        QTest::mouseRelease(host.get(), Qt::LeftButton, Qt::NoModifier, {121, 81});
        chart.UndoZoom();
        tool->Free();
        Settle();
    }
}

// ---------------------------------------------------------------- rectangle

TEST_F(DuvToolsMouseTest, TheRectangleFindsItsHandles)
{
    TRectangleTool* tool = AddRectangle({20, 20, 120, 80});
    struct TCase {
        int X, Y, Handle;
    };
    const TCase cases[] = {
        {22, 22, 4},  // 2 right of the left edge and 2 below the top: the corner, not a drag
        {20, 50, 0}, {50, 20, 1}, {118, 50, 2}, {50, 78, 3},
        {21, 79, 5}, {119, 21, 6}, {117, 77, 7},
        {24, 50, -1},  // 4 away is no longer near
        {60, 50, -1}, {200, 200, -1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.X << "," << c.Y);
        EXPECT_EQ(tool->EdgeAt(c.X, c.Y), c.Handle);
    }
}

TEST_F(DuvToolsMouseTest, DraggingAnEdgeResizesDownToThreePixels)
{
    TRectangleTool* tool = AddRectangle({20, 20, 120, 80});
    int resizing = 0;
    struct TCounter {
        int* Count;
        void On(TObject*) { ++*Count; }
    } counter{&resizing};
    tool->OnResizing = {&counter, &TCounter::On};
    // Pressed 2 left of the edge: the edge keeps that distance to the mouse.
    Drag({118, 50}, {60, 50});
    EXPECT_EQ(tool->Shape().Bounds, (TRect{20, 20, 62, 80}));
    EXPECT_GT(resizing, 0);
    Drag({60, 50}, {5, 50});
    EXPECT_EQ(tool->Shape().Bounds, (TRect{20, 20, 23, 80}));
    EXPECT_EQ(tool->ResizeHandle(), -1);
    // No zoom: the tool held the drag.
    EXPECT_FALSE(chart.Zoomed);
}

TEST_F(DuvToolsMouseTest, DraggingMovesTheBoxInItsUnits)
{
    struct TCase {
        TDuvUnits Units;
        TRect Expected;
    };
    // Moved by (+40, +30) from (20, 20): pixels, or percent of the 400 x 300 chart.
    for (const TCase c : {TCase{muPixels, {60, 50, 160, 110}}, TCase{muPercent, {15, 17, 115, 77}}}) {
        SCOPED_TRACE(static_cast<int>(c.Units));
        TRectangleTool* tool = AddRectangle({20, 20, 120, 80});
        if (c.Units == muPercent) {
            tool->SetPositionUnits(muPercent);
            tool->SetLeft(5);   // 5 % of 400
            tool->SetTop(7);    // 7 % of 300 is 21
            Settle();
        }
        const TRect start = tool->GetBounds();
        Drag({start.Left + 50, start.Top + 30}, {start.Left + 90, start.Top + 60});
        EXPECT_EQ(tool->Shape().Bounds, c.Expected);
        EXPECT_FALSE(tool->Dragging());
        tool->Free();
    }
}

// A box placed in percent resizes too: its corner stays in percent, its size in pixels.
TEST_F(DuvToolsMouseTest, APercentBoxResizes)
{
    TRectangleTool* tool = AddRectangle({0, 0, 100, 60});
    tool->SetPositionUnits(muPercent);
    tool->SetLeft(10);  // 40 pixels
    tool->SetTop(10);   // 30 pixels
    Settle();
    ASSERT_EQ(tool->GetBounds(), (TRect{40, 30, 140, 90}));
    Drag({40, 60}, {20, 60});  // the left edge 20 to the left
    EXPECT_EQ(tool->Shape().Bounds, (TRect{5, 10, 125, 70}));
    EXPECT_EQ(tool->GetBounds(), (TRect{20, 30, 140, 90}));
    Drag({140, 60}, {160, 60});  // the right edge
    EXPECT_EQ(tool->GetBounds(), (TRect{20, 30, 160, 90}));
}

TEST_F(DuvToolsMouseTest, WithoutResizingAnEdgeDragsAndTheRightButtonOnlyClicks)
{
    TRectangleTool* tool = AddRectangle({20, 20, 120, 80});
    tool->SetAllowResize(false);
    chart.SetCursor(crDefault);
    QTest::mouseMove(host.get(), {118, 50});
    EXPECT_EQ(chart.Cursor(), crDefault);  // an edge that cannot be dragged shows nothing
    EXPECT_EQ(tool->HandleMouseEvent(TMouseEventKind::Move, mbLeft, {}, 118, 50), TEventReply::PassOn);
    Drag({118, 50}, {128, 60});
    EXPECT_EQ(tool->Shape().Bounds, (TRect{30, 30, 130, 90}));
    TClickLog log;
    tool->OnClick = {&log, &TClickLog::OnClick};
    Drag({60, 60}, {90, 90}, Qt::RightButton);
    EXPECT_EQ(tool->Shape().Bounds, (TRect{30, 30, 130, 90}));
    EXPECT_EQ(log.Heard, (std::vector<std::string>{"click 60,60"}));
}

TEST_F(DuvToolsMouseTest, CapturedPicturesShowTheChartUnderTheBox)
{
    TRectangleTool* tool = AddRectangle({60, 40, 180, 140});
    tool->SetText("Box");
    Settle();
    const std::unique_ptr<QImage> fresh = tool->CaptureBitmap(true);
    ASSERT_EQ(fresh->size(), QSize(120, 100));
    tool->SetActive(false);
    const std::unique_ptr<QImage> rendered = chart.RenderBitmap(0x20000000, {0, 0, 400, 300}, 0);
    const QImage without = rendered->copy(60, 40, 120, 100).convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(*fresh == without);
    tool->SetActive(true);
    Settle();
    ASSERT_TRUE(tool->Active());
    const std::unique_ptr<QImage> shown = tool->CaptureBitmap(false);
    EXPECT_TRUE(*shown == Buffer().copy(60, 40, 120, 100).convertToFormat(QImage::Format_RGB32));
    // The box is drawn half transparent over the bars: the last paint differs from the fresh one.
    EXPECT_FALSE(*shown == *fresh);
}

// ---------------------------------------------------------------- rotate

TEST_F(DuvToolsMouseTest, AFullWidthDragTurnsByTheSpeed)
{
    struct TCase {
        int Speed;
        double Degrees;
    };
    auto* tool = new TRotateTool(&chart);
    tool->SetParentChart(&chart);
    for (const TCase c : {TCase{50, 90}, TCase{30, 72}, TCase{100, 135}, TCase{0, 45}}) {
        SCOPED_TRACE(c.Speed);
        tool->SetSpeed(c.Speed);
        chart.View3DOptions().SetRotation(10);
        chart.View3DOptions().SetElevation(300);
        Drag({0, 150}, {400, 150});
        EXPECT_TRUE(chart.View3D());
        EXPECT_NEAR(chart.View3DOptions().RotationValue(), 10 + c.Degrees, 1e-9);
        EXPECT_NEAR(chart.View3DOptions().ElevationValue(), 300, 1e-9);
    }
}

TEST_F(DuvToolsMouseTest, DraggingUpRaisesTheViewAndInvertedTurnsBack)
{
    struct TCase {
        bool Inverted;
        double Elevation0, Elevation1, Rotation1;
    };
    auto* tool = new TRotateTool(&chart);
    tool->SetParentChart(&chart);
    for (const TCase c : {TCase{false, 300, 345, 28}, TCase{false, 340, 360, 28}, TCase{true, 340, 295, 352}}) {
        SCOPED_TRACE(testing::Message() << c.Inverted << " " << c.Elevation0);
        tool->SetInverted(c.Inverted);
        chart.View3DOptions().SetRotation(10);
        chart.View3DOptions().SetElevation(c.Elevation0);
        // Half the height upward and 80 pixels (18 degrees) to the right.
        Drag({100, 250}, {180, 100});
        EXPECT_NEAR(chart.View3DOptions().ElevationValue(), c.Elevation1, 1e-9);
        EXPECT_NEAR(chart.View3DOptions().RotationValue(), c.Rotation1, 1e-9);
    }
}

TEST_F(DuvToolsMouseTest, AnotherButtonDoesNotTurn)
{
    auto* tool = new TRotateTool(&chart);
    tool->SetParentChart(&chart);
    chart.View3DOptions().SetRotation(10);
    Drag({0, 150}, {200, 150}, Qt::RightButton);
    EXPECT_NEAR(chart.View3DOptions().RotationValue(), 10, 1e-9);
    EXPECT_FALSE(tool->Dragging());
}

TEST_F(DuvToolsMouseTest, WithAVisiblePenOnlyTheBoxMovesUntilTheRelease)
{
    chart.SetView3D(true);
    Settle();
    auto* tool = new TRotateTool(&chart);
    tool->SetParentChart(&chart);
    tool->Pen().SetVisible(true);
    Settle();
    const QImage before = Buffer();
    const int drawn = draws.Count;
    QTest::mousePress(host.get(), Qt::LeftButton, Qt::NoModifier, {100, 200});
    for (int i = 1; i <= 5; ++i) {
        QTest::mouseMove(host.get(), {100 + 20 * i, 200 - 10 * i});
        Settle();
        EXPECT_NE(Buffer(), before) << "move " << i;  // the box shows
    }
    EXPECT_EQ(draws.Count, drawn);
    QTest::mouseRelease(host.get(), Qt::LeftButton, Qt::NoModifier, {200, 150});
    EXPECT_TRUE(Buffer() == before);
    Settle();
    EXPECT_EQ(draws.Count, drawn + 1);
    EXPECT_TRUE(chart.AutoRepaint);
}

TEST_F(DuvToolsMouseTest, InertiaKeepsTurningUntilThePress)
{
    auto* tool = new TRotateTool(&chart);
    tool->SetParentChart(&chart);
    tool->SetInertia(100);
    chart.View3DOptions().SetRotation(10);
    Drag({100, 150}, {140, 150}, Qt::LeftButton, 1);
    EXPECT_TRUE(tool->InertiaRunning());
    const double released = chart.View3DOptions().RotationValue();
    const double step = tool->RotationDelta();
    for (int i = 0; i < 20; ++i) {
        QTest::qWait(2);
        Settle();
    }
    EXPECT_NE(chart.View3DOptions().RotationValue(), released);
    EXPECT_DOUBLE_EQ(tool->RotationDelta(), step);  // 100 never decays
    QTest::mousePress(host.get(), Qt::LeftButton, Qt::NoModifier, {100, 150});
    EXPECT_FALSE(tool->InertiaRunning());
    QTest::mouseRelease(host.get(), Qt::LeftButton, Qt::NoModifier, {100, 150});
    Settle();
}

// ---------------------------------------------------------------- direct drawing

TEST_F(DuvToolsMouseTest, AFigureDrawnTwiceDirectlyLeavesNoTrace)
{
    const QImage before = Buffer();
    const int drawn = draws.Count;
    TDuvPen pen;
    pen.SetColor(clBlue);
    for (int pass = 1; pass <= 2; ++pass) {
        ASSERT_TRUE(chart.BeginDirectDraw());
        chart.Canvas().Brush().SetStyle(bsClear);
        chart.Canvas().ApplyBrush(chart.Canvas().Brush());
        chart.ApplyInvertingPen(pen);
        chart.Canvas().Rectangle(30, 30, 200, 150);
        chart.Canvas().Line(10, 10, 300, 250);
        chart.EndDirectDraw(true);
        Settle();
        if (pass == 1) {
            EXPECT_NE(Buffer(), before);
        }
    }
    EXPECT_TRUE(Buffer() == before);
    EXPECT_EQ(draws.Count, drawn);
    // A stale picture cannot be drawn on.
    chart.Invalidate();
    EXPECT_FALSE(chart.BeginDirectDraw());
    Settle();
    EXPECT_TRUE(chart.BeginDirectDraw());
    chart.EndDirectDraw(false);
}

TEST_F(DuvToolsMouseTest, TheZoomFrameMovesWithoutRedrawingTheChart)
{
    const QImage before = Buffer();
    const int drawn = draws.Count;
    QTest::mousePress(host.get(), Qt::LeftButton, Qt::NoModifier, {100, 80});
    for (int i = 1; i <= 4; ++i) {
        QTest::mouseMove(host.get(), {100 + 30 * i, 80 + 20 * i});
        Settle();
    }
    EXPECT_EQ(draws.Count, drawn);
    EXPECT_NE(Buffer(), before);
    // Back to the press point: only the last frame is left to take away.
    QTest::mouseRelease(host.get(), Qt::LeftButton, Qt::NoModifier, {100, 80});
    Settle();
    EXPECT_FALSE(chart.Zoomed);
    EXPECT_TRUE(Buffer() == before);
}

// ---------------------------------------------------------------- pictures

TEST_F(DuvToolsMouseTest, PicturesOfTheTools)
{
    struct TCase {
        const char* Fixture;
        std::function<void()> Build;
    };
    const TCase cases[] = {
        {"chart/tools/annotation_callout.png",
         [&] {
             auto* note = new TAnnotationTool(&chart);
             note->SetParentChart(&chart);
             note->SetText("Highest bar");
             note->SetPosition(ppRightTop);
             note->Callout().Arrow().SetVisible(true);
             note->Callout().Arrow().SetColor(clRed);
             note->Callout().SetArrowHead(ahSolid);
             note->Callout().SetXPosition(chart.BottomAxis()->CalcXPosValue(3));
             note->Callout().SetYPosition(chart.LeftAxis()->CalcYPosValue(6));
             note->Callout().SetDistance(4);
         }},
        {"chart/tools/rectangle_over_bars.png",
         [&] {
             TRectangleTool* box = AddRectangle({120, 60, 260, 170});
             box->SetText("Selected area");
             box->Shape().Brush().SetColor(clYellow);
         }},
        {"chart/tools/rotated_3d.png",
         [&] {
             chart.SetView3D(true);
             Settle();
             auto* tool = new TRotateTool(&chart);
             tool->SetParentChart(&chart);
             Drag({150, 200}, {190, 180});
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Fixture);
        chart.Tools()->Clear();
        chart.SetView3D(false);
        chart.View3DOptions().SetOrthogonal(true);
        Settle();
        c.Build();
        Settle();
        EXPECT_TRUE(qbtest::LooksLikePicture(Buffer(), c.Fixture, 500));
    }
}

}  // namespace
