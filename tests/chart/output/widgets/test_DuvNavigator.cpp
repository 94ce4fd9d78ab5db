#include <QImage>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>

#include "chart/output/support_ChartGridTest.h"
#include "chart/output/widgets/DuvNavigator.h"

using namespace gridtest;

namespace {

struct TClickLog {
    std::vector<TDuvNavigateBtn> Clicks;
    void On(TDuvNavigateBtn index) { Clicks.push_back(index); }
};

// The base bar with every button enabled, as a subclass that enables them would have it.
class TEnabledNavigator : public TCustomDuvNavigator {
public:
    TEnabledNavigator() { EnableButtons(); }
    void EnableButtons() override
    {
        for (int i = 0; i < kDuvNavButtonCount; ++i) Button(static_cast<TDuvNavigateBtn>(i))->setEnabled(true);
    }
};

std::vector<int> ButtonWidths(const TCustomDuvNavigator& bar)
{
    std::vector<int> widths;
    for (int i = 0; i < kDuvNavButtonCount; ++i)
        if (!bar.Button(static_cast<TDuvNavigateBtn>(i))->isHidden())
            widths.push_back(bar.Button(static_cast<TDuvNavigateBtn>(i))->width());
    return widths;
}

class DuvNavigatorTest : public testing::Test {
protected:
    DuvNavigatorTest() { StartGridModules(); }
    // Shows the bar with its clicks going to the log.
    static bool ShowLogged(TCustomDuvNavigator& bar, TClickLog& log)
    {
        bar.OnButtonClicked = TNotifyButtonClickedEvent(&log, &TClickLog::On);
        bar.show();
        return QTest::qWaitForWindowExposed(&bar);
    }
};

}  // namespace

// The bar's width, each visible button's width and the bar's height for a requested size.
TEST_F(DuvNavigatorTest, SizingSpreadsLeftoverPixels)
{
    struct Case {
        const char* Name;
        int Visible, Width, Height;
        bool Aligned;
        int WantWidth, WantHeight;
        std::vector<int> Widths;
    };
    const Case cases[] = {
        {"default width, unaligned", 4, 241, 25, false, 240, 25, {60, 60, 60, 60}},
        {"aligned keeps its width", 4, 241, 25, true, 241, 25, {60, 60, 61, 60}},
        {"nine aligned buttons", 9, 185, 25, true, 185, 25, {21, 20, 21, 20, 21, 20, 21, 20, 21}},
        {"raised to the minimum", 4, 50, 10, false, 80, 18, {20, 20, 20, 20}},
        {"no visible button", 0, 5, 5, false, 20, 18, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const TNavigatorLayout layout = NavigatorLayout(c.Width, c.Height, c.Visible, c.Aligned, false);
        EXPECT_EQ(layout.Width, c.WantWidth);
        EXPECT_EQ(layout.Height, c.WantHeight);
        EXPECT_EQ(layout.Widths, c.Widths);
        int x = 0;
        for (std::size_t i = 0; i < layout.Widths.size(); ++i) {
            EXPECT_EQ(layout.Lefts[i], x);
            x += layout.Widths[i];
        }
        EXPECT_LE(x, layout.Width);
    }
    EXPECT_EQ(NavigatorLayout(100, 25, 4, false, true).ButtonHeight, 21);  // a single border takes 4
}

TEST_F(DuvNavigatorTest, BarsPlaceTheirButtons)
{
    TCustomDuvNavigator bar;
    EXPECT_EQ(bar.width(), 240);
    EXPECT_EQ(bar.height(), 25);
    EXPECT_EQ(ButtonWidths(bar), (std::vector<int>{60, 60, 60, 60}));
    EXPECT_EQ(bar.Button(TDuvNavigateBtn::nbInsert)->x(), 241);  // hidden ones past the right edge
    EXPECT_EQ(bar.Button(TDuvNavigateBtn::nbLast)->height(), 25);

    TChartGridNavigator grid;
    grid.SetAlign(alTop);
    grid.SetBounds(0, 0, 185, 25);
    EXPECT_EQ(grid.width(), 185);
    EXPECT_EQ(ButtonWidths(grid), (std::vector<int>{21, 20, 21, 20, 21, 20, 21, 20, 21}));
    grid.SetAlign(alNone);
    grid.SetBounds(0, 0, 185, 25);
    EXPECT_EQ(grid.width(), 180);
}

TEST_F(DuvNavigatorTest, GlyphsComeFromTheResources)
{
    TChartGridNavigator bar;
    for (int i = 0; i < kDuvNavButtonCount; ++i) {
        const auto index = static_cast<TDuvNavigateBtn>(i);
        SCOPED_TRACE(NavButtonName(index));
        const QImage both(QStringLiteral(":/rcdata/DuvNav_") + NavButtonName(index));
        EXPECT_EQ(both.size(), QSize(28, 13));
        const QIcon icon = bar.Button(index)->icon();
        ASSERT_FALSE(icon.isNull());
        // Normal and disabled pictures differ: the disabled one is the right half.
        EXPECT_NE(icon.pixmap(14, 13, QIcon::Normal).toImage(), icon.pixmap(14, 13, QIcon::Disabled).toImage());
    }
    // The button face colour of the corner is see-through, the drawing is not.
    const QImage first = bar.Button(TDuvNavigateBtn::nbFirst)->icon().pixmap(14, 13).toImage();
    EXPECT_EQ(qAlpha(first.pixel(0, 0)), 0);
    EXPECT_EQ(first.pixel(3, 2), qRgb(0, 0, 0));
}

TEST_F(DuvNavigatorTest, HintsWithOverrides)
{
    TChartGridNavigator bar;
    const char* defaults[] = {"First", "Prior", "Next", "Last", "Insert", "Delete", "Edit", "Post", "Cancel"};
    for (int i = 0; i < kDuvNavButtonCount; ++i) {
        EXPECT_EQ(bar.Button(static_cast<TDuvNavigateBtn>(i))->toolTip().toStdString(), defaults[i]);
        EXPECT_EQ(bar.Button(static_cast<TDuvNavigateBtn>(i))->accessibleName().toStdString(), defaults[i]);
    }
    TStringList hints;
    hints.Add("Go to the top");
    hints.Add("");  // keeps "Prior"
    hints.Add("Onwards");
    for (int i = 0; i < 8; ++i) hints.Add("extra");  // entries past the ninth are not used
    bar.SetHints(hints);
    EXPECT_EQ(bar.Button(TDuvNavigateBtn::nbFirst)->toolTip().toStdString(), "Go to the top");
    EXPECT_EQ(bar.Button(TDuvNavigateBtn::nbPrior)->toolTip().toStdString(), "Prior");
    EXPECT_EQ(bar.Button(TDuvNavigateBtn::nbNext)->accessibleName().toStdString(), "Onwards");
    EXPECT_EQ(bar.Button(TDuvNavigateBtn::nbCancel)->toolTip().toStdString(), "extra");
}

TEST_F(DuvNavigatorTest, FocusKeysMoveAmongVisibleButtonsAndSpaceClicks)
{
    TEnabledNavigator bar;
    TClickLog log;
    ASSERT_TRUE(ShowLogged(bar, log));
    bar.setFocus();
    EXPECT_EQ(bar.FocusedButton(), 0);
    QTest::keyClick(&bar, Qt::Key_Left);  // stays at the start
    EXPECT_EQ(bar.FocusedButton(), 0);
    for (int i = 0; i < 5; ++i) QTest::keyClick(&bar, Qt::Key_Right);
    EXPECT_EQ(bar.FocusedButton(), 3);  // the last visible one
    QTest::keyClick(&bar, Qt::Key_Left);
    QTest::keyClick(&bar, Qt::Key_Space);
    EXPECT_EQ(log.Clicks, std::vector<TDuvNavigateBtn>{TDuvNavigateBtn::nbNext});
    bar.Button(TDuvNavigateBtn::nbNext)->setEnabled(false);
    QTest::keyClick(&bar, Qt::Key_Space);  // a disabled button is not clicked
    EXPECT_EQ(log.Clicks.size(), 1u);

    QTest::mousePress(bar.Button(TDuvNavigateBtn::nbFirst), Qt::LeftButton);
    EXPECT_EQ(bar.FocusedButton(), 0);
    QTest::mouseRelease(bar.Button(TDuvNavigateBtn::nbFirst), Qt::LeftButton);
    EXPECT_EQ(log.Clicks.back(), TDuvNavigateBtn::nbFirst);
}

TEST_F(DuvNavigatorTest, HeldButtonRepeatsAfter400ThenEvery100Milliseconds)
{
    TEnabledNavigator bar;
    TClickLog log;
    ASSERT_TRUE(ShowLogged(bar, log));
    TDuvNavButton* next = bar.Button(TDuvNavigateBtn::nbNext);
    EXPECT_EQ(next->RepeatTimer(), nullptr);  // made on the first press

    QTest::mousePress(next, Qt::LeftButton);
    EXPECT_EQ(log.Clicks.size(), 1u);  // once on press
    ASSERT_NE(next->RepeatTimer(), nullptr);
    EXPECT_TRUE(next->RepeatTimer()->isActive());
    EXPECT_EQ(next->RepeatTimer()->interval(), 400);
    QTest::qWait(250);
    EXPECT_EQ(log.Clicks.size(), 1u);  // not before 400 ms
    QTRY_COMPARE_WITH_TIMEOUT(log.Clicks.size(), std::size_t(2), 2000);
    EXPECT_EQ(next->RepeatTimer()->interval(), 100);
    QTRY_VERIFY_WITH_TIMEOUT(log.Clicks.size() >= 4, 2000);

    QTest::mouseRelease(next, Qt::LeftButton);
    EXPECT_FALSE(next->RepeatTimer()->isActive());
    const std::size_t released = log.Clicks.size();
    QTest::qWait(300);
    EXPECT_EQ(log.Clicks.size(), released);  // release adds no click and stops the repeat
}

TEST_F(DuvNavigatorTest, FollowsItsPanelUntilItIsFreed)
{
    TCustomDuvNavigator bar;
    {
        TScopedComponent<TChart> chart;
        bar.SetPanel(&chart);
        EXPECT_EQ(bar.Panel(), &chart);
        EXPECT_EQ(chart.Listeners().Count(), 1);
        TScopedComponent<TChart> other;
        bar.SetPanel(&other);
        EXPECT_EQ(chart.Listeners().Count(), 0);
        bar.SetPanel(&chart);
    }
    EXPECT_EQ(bar.Panel(), nullptr);
}
