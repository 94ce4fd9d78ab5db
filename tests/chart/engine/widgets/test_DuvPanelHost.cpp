#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <string>
#include <vector>

#include "chart/engine/ChartEngineModules.h"
#include "chart/engine/widgets/DuvPanelHost.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/graphics/DuvBrush.h"

namespace {

// A panel that notes what reaches it and paints one red square.
class NotingPanel : public TCustomDuvPanel {
public:
    NotingPanel() : TCustomDuvPanel(nullptr) {}
    std::vector<std::string> Log;
    void DrawContents(const TRect& r) override
    {
        Log.push_back("draw " + std::to_string(r.Right - r.Left) + "x" + std::to_string(r.Bottom - r.Top));
        DrawBevels(r);
        Canvas().Brush().SetColor(clRed);
        Canvas().ApplyBrush(Canvas().Brush());
        Canvas().FillRect({10, 10, 30, 30});
    }
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override
    {
        Log.push_back("down " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y) +
                      (s.Contains(ssShift) ? " shift" : "") + (s.Contains(ssDouble) ? " double" : ""));
        TCustomDuvPanel::MouseDown(b, s, x, y);
    }
    void MouseUp(TMouseButton b, TShiftState, int x, int y) override
    {
        Log.push_back("up " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y));
    }
    void MouseMove(TShiftState, int x, int y) override
    {
        Log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    }
    void DblClick() override { Log.push_back("dblclick"); }
    void Click() override { Log.push_back("click"); }
    bool MouseWheel(TShiftState, int delta, int x, int y) override
    {
        Log.push_back("wheel " + std::to_string(delta) + " " + std::to_string(x) + "," + std::to_string(y));
        return true;
    }
    void KeyDown(int& key, TShiftState s) override
    {
        Log.push_back("key " + std::to_string(key) + (s.Contains(ssCtrl) ? " ctrl" : ""));
    }
    void MouseLeave() override
    {
        Log.push_back("leave");
        TCustomDuvPanel::MouseLeave();
    }
};

class PanelHostTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static const bool started = [] {
            InitializeChartGraphicsModules();
            InitializeChartEngineModules();
            return true;
        }();
        (void)started;
    }
};

TEST_F(PanelHostTest, TheWindowShowsThePanelsDrawingAndFollowsItsSize)
{
    NotingPanel panel;
    panel.SetColor(clWhite);
    TDuvPanelHost host(panel);
    EXPECT_EQ(host.size(), QSize(400, 250));
    host.show();
    host.resize(120, 80);
    EXPECT_EQ(panel.Width(), 120);
    EXPECT_EQ(panel.Height(), 80);
    const QImage shown = host.grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(20, 20)), QColor(Qt::red));
    EXPECT_EQ(QColor(shown.pixel(119, 40)), QColor(0xA0, 0xA0, 0xA0)) << "the raised bevel's shadow side";
    EXPECT_EQ(panel.Log.back(), "draw 120x80");
    EXPECT_EQ(panel.ChartRect.Right, 120 - 1 - 3);

    // An unchanged panel is shown from its picture, a changed one is drawn anew.
    const std::size_t draws = panel.Log.size();
    host.grab();
    EXPECT_EQ(panel.Log.size(), draws);
    panel.SetMarginLeft(10);
    host.grab();
    EXPECT_EQ(panel.Log.size(), draws + 1);
    EXPECT_EQ(host.accessibleName().toStdString(), "TCustomDuvPanel");
}

TEST_F(PanelHostTest, MouseWheelKeysAndLeavingReachThePanel)
{
    NotingPanel panel;
    TDuvPanelHost host(panel);
    host.resize(100, 100);
    const auto send = [&](QEvent&& event) { QApplication::sendEvent(&host, &event); };
    send(QMouseEvent(QEvent::MouseButtonPress, QPointF(5, 6), QPointF(5, 6), Qt::RightButton, Qt::RightButton,
                     Qt::ShiftModifier));
    send(QMouseEvent(QEvent::MouseMove, QPointF(7, 8), QPointF(7, 8), Qt::NoButton, Qt::RightButton, Qt::NoModifier));
    send(QMouseEvent(QEvent::MouseButtonRelease, QPointF(9, 9), QPointF(9, 9), Qt::LeftButton, Qt::NoButton,
                     Qt::NoModifier));
    send(QMouseEvent(QEvent::MouseButtonDblClick, QPointF(3, 3), QPointF(3, 3), Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier));
    send(QWheelEvent(QPointF(4, 4), QPointF(4, 4), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false));
    send(QKeyEvent(QEvent::KeyPress, Qt::Key_Left, Qt::ControlModifier));
    send(QKeyEvent(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier));
    send(QEvent(QEvent::Leave));
    const std::vector<std::string> expected{"down 1 5,6 shift", "move 7,8",       "up 0 9,9", "click",
                                            "down 0 3,3 double", "dblclick",       "wheel 120 4,4",
                                            "key 37 ctrl",       "key 40",         "leave"};
    EXPECT_EQ(panel.Log, expected);
}

TEST_F(PanelHostTest, ARoundedPanelClipsItsWindowAndCursorsShow)
{
    NotingPanel panel;
    TDuvPanelHost host(panel);
    host.show();
    host.resize(100, 60);
    EXPECT_TRUE(host.mask().isEmpty());
    panel.SetBorderRound(20);
    EXPECT_FALSE(host.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(host.mask().contains(QPoint(50, 30)));
    EXPECT_TRUE(host.mask().contains(QPoint(50, 0)));
    host.resize(200, 60);  // set again for the new size
    EXPECT_TRUE(host.mask().contains(QPoint(150, 30)));
    panel.SetBorderRound(0);
    EXPECT_TRUE(host.mask().isEmpty());

    panel.SetCursor(crDuvHand);
    EXPECT_EQ(host.cursor().shape(), Qt::PointingHandCursor);
    panel.SavedCursor = crCross;
    panel.MouseLeave();
    EXPECT_EQ(host.cursor().shape(), Qt::CrossCursor) << "leaving brings the saved cursor back";
}

TEST_F(PanelHostTest, APanelWithoutWindowDrawsWithoutOne)
{
    NotingPanel panel;
    {
        TDuvPanelHost host(panel);
        EXPECT_EQ(panel.Window(), &host);
    }
    EXPECT_EQ(panel.Window(), nullptr);
    panel.Invalidate();  // nothing to repaint, no window to reach
    EXPECT_EQ(panel.GetPanelRect(), (TRect{0, 0, 400, 250}));
}

TEST_F(PanelHostTest, TheWindowReportsTheColourOfItsParent)
{
    NotingPanel panel;
    {
        TDuvPanelHost alone(panel);
        EXPECT_EQ(alone.ParentBackground(), clNone);
    }
    QWidget parent;
    QPalette palette = parent.palette();
    palette.setColor(parent.backgroundRole(), QColor(0x20, 0x40, 0x60));
    parent.setPalette(palette);
    TDuvPanelHost host(panel, &parent);
    EXPECT_EQ(host.ParentBackground(), TColor(0x604020));
}

}  // namespace
