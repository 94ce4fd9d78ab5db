#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QWheelEvent>

#include "chart/editor/DuvGalleryPanel.h"
#include "chart/editor/support_EditorTest.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/DuvConst.h"
#include "chart/graphics/DuvCanvas3D.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvShadow.h"
#include "chart/output/DuvGDIPlus.h"
#include "chart/series/ChartSeriesModules.h"
#include "chart/series/Series.h"
#include "chart/series/SeriesBar.h"
#include "platform/core/Random.h"
#include "support/TestSupport.h"

namespace {

void StartModules()
{
    static const bool started = [] {
        editortest::StartEditorModules();
        InitializeChartSeriesModules();
        return true;
    }();
    (void)started;
}

// ---------------------------------------------------------------- the layout as a table

struct LayoutCase {
    const char* what;
    int charts;
    int numCols, numRows;
    int width, height, frame;
    int hiddenAt;  // -1: all shown
    bool arranged;
    int storedRows, columns, cellWidth, cellHeight;
    bool scrollBar;
};

TEST(GalleryLayout, CellsRowsAndColumns)
{
    const int bar = 16;
    const LayoutCase cases[] = {
        {"10 charts, 4 columns fix 3 rows", 10, 4, 0, 401, 400, 0, -1, true, 3, 4, 100, 100, false},
        {"a later 13 keeps the stored 3 rows", 13, 4, 3, 401, 400, 0, -1, true, 3, 4, 100, 100, false},
        {"no columns and 3 rows on 300 x 150: 6 columns", 5, 0, 3, 300, 150, 0, -1, true, 3, 6, 49, 49, false},
        {"taller than the panel: narrower by the bar", 12, 4, 0, 401, 200, 0, -1, true, 3, 4, 96, 96, true},
        {"single border and bevels shrink the cells", 4, 4, 0, 401, 400, 8, -1, true, 1, 4, 98, 98, false},
        {"no columns: zero cells", 5, 0, 3, 300, 2, 0, -1, true, 3, 0, 0, 0, false},
        {"columns below 1 with no rows become 4", 6, -2, 0, 401, 400, 0, -1, true, 2, 4, 100, 100, false},
        {"an empty panel is not arranged", 0, 4, 0, 401, 400, 0, -1, false, 0, 0, 0, 0, false},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.what);
        TGalleryLayoutInput input;
        input.Visible.assign(static_cast<std::size_t>(c.charts), true);
        if (c.hiddenAt >= 0) input.Visible[static_cast<std::size_t>(c.hiddenAt)] = false;
        input.NumCols = c.numCols;
        input.NumRows = c.numRows;
        input.Width = c.width;
        input.Height = c.height;
        input.Frame = c.frame;
        input.ScrollBarWidth = bar;
        const TGalleryLayout layout = ArrangeGalleryCells(input);
        EXPECT_EQ(layout.Arranged, c.arranged);
        EXPECT_EQ(layout.NumRows, c.storedRows);
        EXPECT_EQ(layout.ScrollBar, c.scrollBar);
        if (c.arranged && c.numRows == 0) {
            EXPECT_EQ(layout.NumCols, c.numCols < 1 ? 4 : c.numCols);
        }
        EXPECT_EQ(layout.Columns, c.columns);
        EXPECT_EQ(layout.CellWidth, c.cellWidth);
        EXPECT_EQ(layout.CellHeight, c.cellHeight);
        if (c.columns == 0 || !c.arranged) {
            EXPECT_TRUE(layout.Rects.empty());
            continue;
        }
        ASSERT_EQ(static_cast<int>(layout.Rects.size()), c.charts);
        for (int i = 0; i < c.charts; ++i) {
            const TRect& r = layout.Rects[static_cast<std::size_t>(i)];
            EXPECT_EQ(r.Left, (i % c.columns) * c.cellWidth);
            EXPECT_EQ(r.Top, (i / c.columns) * c.cellHeight);
            EXPECT_EQ(r.Right - r.Left, c.cellWidth - 1);
            EXPECT_EQ(r.Bottom - r.Top, c.cellHeight - 1);
        }
    }
}

TEST(GalleryLayout, HiddenChartsTakeNoPlaceAndTheRatioSetsTheHeight)
{
    TGalleryLayoutInput input;
    input.Visible = {true, false, true, true};
    input.NumCols = 2;
    input.Width = 201;
    input.Height = 400;
    input.CellHeightRatio = 0.5;
    const TGalleryLayout layout = ArrangeGalleryCells(input);
    EXPECT_EQ(layout.NumRows, 2);
    EXPECT_EQ(layout.CellWidth, 100);
    EXPECT_EQ(layout.CellHeight, 50);
    // The hidden chart sits where the next shown one goes; the third and fourth take places 1 and 2.
    EXPECT_EQ(layout.Rects[1].Left, 100);
    EXPECT_EQ(layout.Rects[2].Left, 100);
    EXPECT_EQ(layout.Rects[3].Left, 0);
    EXPECT_EQ(layout.Rects[3].Top, 50);
}

TEST(GalleryLayout, FrameFromBorderAndBevels)
{
    struct Case {
        bool single;
        int border;
        TPanelBevel inner, outer;
        int bevelWidth, frame;
    } cases[] = {
        {false, 2, bvNone, bvNone, 3, 0}, {true, 2, bvNone, bvNone, 3, 2},   {true, 2, bvRaised, bvNone, 3, 5},
        {true, 2, bvRaised, bvLowered, 3, 8}, {false, 2, bvNone, bvSpace, 1, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GalleryFrameWidth(c.single, c.border, c.inner, c.outer, c.bevelWidth), c.frame);
}

TEST(GalleryLayout, TriangleRectangle)
{
    struct Case {
        const char* what;
        int width, height;
        bool border;
        int borderWidth;
        bool smooth;
        int shadow;
        TRect expected;
    } cases[] = {
        {"plain", 120, 90, false, 3, false, 0, {4, 78, 15, 86}},
        {"border", 120, 90, true, 3, false, 0, {7, 75, 18, 86}},
        {"border, smooth halves it", 120, 90, true, 3, true, 0, {5, 77, 16, 86}},
        {"shadow raises the top", 120, 90, false, 3, false, 4, {4, 74, 15, 86}},
        {"a negative shadow size is left out", 120, 90, false, 3, false, -2, {4, 78, 15, 86}},
        {"small chart", 30, 30, true, 1, false, 0, {5, 25, 8, 26}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TRect r = GalleryTriangleRect(c.width, c.height, c.border, c.borderWidth, c.smooth, c.shadow);
        EXPECT_EQ(r.Left, c.expected.Left);
        EXPECT_EQ(r.Top, c.expected.Top);
        EXPECT_EQ(r.Right, c.expected.Right);
        EXPECT_EQ(r.Bottom, c.expected.Bottom);
    }
}

TEST(GalleryLayout, TitleSizeAndFitting)
{
    struct Case {
        int width, extra, size;
    } cases[] = {{75, 0, 8}, {150, 0, 16}, {75, 2, 10}, {150, 2, 18}, {0, 0, 0}};
    for (const Case& c : cases) EXPECT_EQ(GalleryTitleSize(c.width, c.extra), c.size) << c.width << " " << c.extra;

    auto tenPerPoint = [](float size) { return static_cast<int>(size * 10); };
    EXPECT_EQ(FitGalleryTitleSize(100, 16, tenPerPoint), 5.0f);  // 50 is no wider than half of 100
    EXPECT_EQ(FitGalleryTitleSize(100, 4.5f, tenPerPoint), 4.5f);
    // A title that never fits stops at 1 point, not at 0.
    EXPECT_EQ(FitGalleryTitleSize(100, 16, [](float) { return 1000; }), 1.0f);
    EXPECT_EQ(FitGalleryTitleSize(100, 1.5f, [](float) { return 1000; }), 1.5f);
    EXPECT_EQ(FitGalleryTitleSize(0, 16, [](float) { return 1000; }), 16.0f);
}

// ---------------------------------------------------------------- the panel

std::string kLineText = "Line";
std::string kBarText = "Bar";
std::string kTwoLines = std::string("Two") + kLineSeparator + "lines";

class GalleryPanelTest : public testing::Test {
protected:
    void SetUp() override { StartModules(); }

    std::unique_ptr<TChartGalleryPanel> MakePanel(int count, int width = 420, int height = 330)
    {
        auto panel = std::make_unique<TChartGalleryPanel>();
        panel->resize(width, height);
        Fill(*panel, count);
        panel->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
        return panel;
    }

    void Fill(TChartGalleryPanel& panel, int count)
    {
        TDuvSeriesType entry;
        entry.SeriesClass = &TLineSeries::StaticClass();
        entry.Description = &kLineText;
        for (int i = 0; i < count; ++i) panel.CreateChart(entry);
        panel.ArrangeCharts();
    }

    static QPoint Center(TGalleryChart* chart) { return QPoint(chart->Width() / 2, chart->Height() / 2); }

    qbtest::ScopedConfigDir config_;
};

TEST_F(GalleryPanelTest, NewChartsAreNamedTitledPlacedAndHosted)
{
    TChartGalleryPanel panel;
    panel.resize(420, 330);
    TDuvSeriesType entry;
    entry.SeriesClass = &TBarSeries::StaticClass();
    entry.Description = &kTwoLines;
    entry.NumGallerySeries = 2;
    entry.SubIndex = 3;
    TGalleryChart* first = panel.CreateChart(entry);
    TGalleryChart* second = panel.CreateChart(entry);
    panel.ArrangeCharts();
    EXPECT_EQ(first->Name(), "DuvGalleryChart1");
    EXPECT_EQ(second->Name(), "DuvGalleryChart2");
    EXPECT_EQ(first->Owner(), panel.ChartOwner());
    EXPECT_EQ(first->Tag(), 3);
    EXPECT_EQ(first->CountSeries(), 2);
    EXPECT_FALSE(first->Zoom().Allow);
    ASSERT_EQ(first->Title()->Lines().Count(), 2);
    EXPECT_EQ(first->Title()->Lines()[1], "lines");
    ASSERT_NE(first->Host(), nullptr);
    EXPECT_EQ(first->Host()->parentWidget(), panel.ContentWidget());
    EXPECT_EQ(first->Host()->accessibleName(), "Two lines");
    EXPECT_EQ(first->Host()->geometry(), QRect(0, 0, panel.CellWidth() - 1, panel.CellHeight() - 1));
    EXPECT_EQ(second->Left(), panel.CellWidth());
    EXPECT_EQ(panel.NumRows(), 1);
    // The gallery look of a mini chart.
    EXPECT_FALSE(first->Legend()->Visible());
    EXPECT_EQ(first->Chart3DPercent(), 100);
    EXPECT_EQ(first->View3DOptions().Rotation(), 335);
    EXPECT_EQ(first->View3DOptions().Elevation(), 350);
    EXPECT_EQ(first->LeftWall()->Size(), 4);
    EXPECT_EQ(first->Cursor(), crHandPoint);
    panel.ClearCharts();
    EXPECT_EQ(panel.Charts().Count(), 0);
    EXPECT_EQ(panel.ChartOwner()->ComponentCount(), 0);
}

TEST_F(GalleryPanelTest, MouseUpSelectsAndDoubleClickOrEnterChoose)
{
    auto panel = MakePanel(6);
    int changes = 0, chosen = 0;
    struct Counter {
        int* count;
        void Hit(TObject*) { ++*count; }
    } changed{&changes}, selected{&chosen};
    panel->OnChangeChart = TNotifyEvent(&changed, &Counter::Hit);
    panel->OnSelectedChart = TNotifyEvent(&selected, &Counter::Hit);
    TGalleryChart* second = panel->GetChart(1);
    QTest::mouseClick(second->Host(), Qt::LeftButton, Qt::NoModifier, Center(second));
    EXPECT_EQ(panel->SelectedChart, second);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(chosen, 0);

    TGalleryChart* third = panel->GetChart(2);
    QTest::mouseDClick(third->Host(), Qt::LeftButton, Qt::NoModifier, Center(third));
    EXPECT_EQ(panel->SelectedChart, third);
    EXPECT_EQ(chosen, 1);

    QTest::keyClick(panel.get(), Qt::Key_Return);
    EXPECT_EQ(chosen, 2);
    // Keys pressed on a chart reach the panel too.
    QTest::keyClick(third->Host(), Qt::Key_Enter);
    EXPECT_EQ(chosen, 3);
}

TEST_F(GalleryPanelTest, ArrowKeysMoveWithinTheGrid)
{
    struct Case {
        const char* what;
        int from;
        Qt::Key key;
        int to;
    } cases[] = {
        {"right", 0, Qt::Key_Right, 1},
        {"right stops at the last column", 3, Qt::Key_Right, 3},
        {"left", 5, Qt::Key_Left, 4},
        {"left stops at the first column", 4, Qt::Key_Left, 4},
        {"up", 5, Qt::Key_Up, 1},
        {"up stops at the first row", 1, Qt::Key_Up, 1},
        {"down", 5, Qt::Key_Down, 9},
        {"down stops at the last row", 9, Qt::Key_Down, 9},
        {"down to a place without a chart", 6, Qt::Key_Down, 6},
        {"right to a place without a chart", 9, Qt::Key_Right, 9},
        {"a disabled chart is not reached from below", 6, Qt::Key_Up, 6},
        {"a disabled chart is not reached from the side", 1, Qt::Key_Right, 1},
    };
    auto panel = MakePanel(10);  // 4 columns, 3 rows, 2 charts in the last row
    panel->PrepareChart(panel->GetChart(2), true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        panel->SelectChart(panel->GetChart(c.from));
        ASSERT_EQ(panel->SelectedChart, panel->GetChart(c.from));
        QTest::keyClick(panel.get(), c.key);
        EXPECT_EQ(panel->Charts().IndexOf(panel->SelectedChart), c.to);
    }
}

TEST_F(GalleryPanelTest, SubGalleryByAltDownAndByTheTriangle)
{
    auto panel = MakePanel(4);
    int asked = 0;
    struct Counter {
        int* count;
        void Hit(TObject*) { ++*count; }
    } sub{&asked};
    panel->OnShowSubGallery = TNotifyEvent(&sub, &Counter::Hit);
    panel->RefreshSelection();
    TGalleryChart* first = panel->GetChart(0);
    const TRect triangle = first->TriangleRect();
    const QPoint inside((triangle.Left + triangle.Right) / 2, (triangle.Top + triangle.Bottom) / 2);

    QTest::keyClick(panel.get(), Qt::Key_Down, Qt::AltModifier);
    QTest::mouseClick(first->Host(), Qt::LeftButton, Qt::NoModifier, inside);
    EXPECT_EQ(asked, 0);

    panel->SetDisplaySub(true);
    QTest::keyClick(panel.get(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(panel->SelectedChart, first);  // Alt+Down does not move
    QTest::mouseClick(first->Host(), Qt::LeftButton, Qt::NoModifier, inside);
    EXPECT_EQ(asked, 2);
    QTest::mouseClick(first->Host(), Qt::LeftButton, Qt::NoModifier, Center(first));
    EXPECT_EQ(asked, 2);
    // A click in the triangle's place of another chart selects it and asks as well.
    TGalleryChart* second = panel->GetChart(1);
    QTest::mouseClick(second->Host(), Qt::LeftButton, Qt::NoModifier, inside);
    EXPECT_EQ(panel->SelectedChart, second);
    EXPECT_EQ(asked, 3);
}

TEST_F(GalleryPanelTest, WheelScrollsByAFifthOfTheTurn)
{
    auto panel = MakePanel(24, 420, 200);
    QScrollBar* bar = panel->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 100);
    EXPECT_EQ(panel->CellWidth(), (420 - 2 * panel->frameWidth() - 1 -
                                   panel->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, panel.get())) /
                                      4);
    auto turn = [](QWidget* target, int delta) {
        const QPointF at(5, 5);
        QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &wheel);
    };
    turn(panel->viewport(), -120);
    EXPECT_EQ(bar->value(), 24);
    turn(panel->GetChart(0)->Host(), -120);  // over a chart the panel scrolls too
    EXPECT_EQ(bar->value(), 48);
    turn(panel->viewport(), 61);
    EXPECT_EQ(bar->value(), 36);
}

TEST_F(GalleryPanelTest, DisabledChartsAreNeverSelected)
{
    auto panel = MakePanel(4);
    TGalleryChart* first = panel->GetChart(0);
    panel->PrepareChart(first, true);
    EXPECT_TRUE(first->Disabled);
    EXPECT_EQ(first->Cursor(), crNoDrop);
    EXPECT_EQ(first->Host()->cursor().shape(), Qt::ForbiddenCursor);
    panel->RefreshSelection();
    EXPECT_EQ(panel->SelectedChart, panel->GetChart(1));
    QTest::mouseClick(first->Host(), Qt::LeftButton, Qt::NoModifier, Center(first));
    QTest::mouseDClick(first->Host(), Qt::LeftButton, Qt::NoModifier, Center(first));
    EXPECT_EQ(panel->SelectedChart, panel->GetChart(1));
    panel->SelectChart(first);
    EXPECT_EQ(panel->SelectedChart, panel->GetChart(1));
    QTest::keyClick(panel.get(), Qt::Key_Left);
    EXPECT_EQ(panel->SelectedChart, panel->GetChart(1));
}

TEST_F(GalleryPanelTest, TypesThatCannotTakeTheCurrentSeriesAreDisabled)
{
    TChartGalleryPanel panel;
    TChart chart;
    panel.CurrentSeries = new TLineSeries(&chart);
    panel.CheckCompatibility = true;
    panel.ShowPage(DuvMsgGalleryStandard);
    // Bubble, Gantt and shape series take only their own kind as source.
    std::vector<std::string> disabled;
    for (TGalleryChart* each : panel.Charts())
        if (each->Disabled) disabled.push_back(each->GetSeries(0)->ClassName());
    EXPECT_EQ(disabled, (std::vector<std::string>{"TBubbleSeries", "TGanttSeries", "TChartShape"}));
    // The current series' type is selected.
    ASSERT_NE(panel.SelectedChart, nullptr);
    EXPECT_EQ(&panel.SelectedChart->GetSeries(0)->ClassType(), &TLineSeries::StaticClass());
}

TEST_F(GalleryPanelTest, SelectedAndNormalLooks)
{
    auto panel = MakePanel(3);
    panel->RefreshSelection();
    TGalleryChart* selected = panel->GetChart(0);
    TGalleryChart* other = panel->GetChart(1);
    auto expectSelected = [](TGalleryChart* chart) {
        const TDuvGradient* gradient = chart->PeekGradient();
        ASSERT_NE(gradient, nullptr);
        EXPECT_TRUE(gradient->Visible());
        EXPECT_EQ(gradient->Direction(), gdFromTopLeft);
        EXPECT_EQ(gradient->StartColor(), static_cast<TColor>(0xC0C0C0));
        EXPECT_EQ(gradient->EndColor(), clWhite);
        EXPECT_EQ(chart->BevelOuter(), bvRaised);
        TDuvFont& font = *chart->Title()->Font();
        EXPECT_TRUE(font.Style().Contains(fsBold));
        EXPECT_EQ(font.Color(), clBlack);
        ASSERT_NE(font.PeekShadow(), nullptr);
        EXPECT_TRUE(font.PeekShadow()->Visible());
        EXPECT_EQ(font.PeekShadow()->GetSize(), 1);
        EXPECT_EQ(font.PeekShadow()->Color(), static_cast<TColor>(0x808080));
        EXPECT_EQ(font.PeekShadow()->SmoothBlur(), 2);
        EXPECT_EQ(chart->View3DOptions().Rotation(), 345);
        EXPECT_EQ(font.GetSizeFloat(), static_cast<float>(GalleryTitleSize(chart->Width(), 2)));
    };
    auto expectNormal = [](TGalleryChart* chart) {
        const TDuvGradient* gradient = chart->PeekGradient();
        EXPECT_TRUE(!gradient || !gradient->Visible());
        EXPECT_EQ(chart->BevelOuter(), bvNone);
        TDuvFont& font = *chart->Title()->Font();
        EXPECT_FALSE(font.Style().Contains(fsBold));
        EXPECT_EQ(font.Color(), static_cast<TColor>(0x800000));
        EXPECT_TRUE(!font.PeekShadow() || !font.PeekShadow()->Visible());
        EXPECT_EQ(chart->View3DOptions().Rotation(), 335);
        EXPECT_EQ(font.GetSizeFloat(), static_cast<float>(GalleryTitleSize(chart->Width(), 0)));
    };
    expectSelected(selected);
    expectNormal(other);
    EXPECT_EQ(QApplication::focusWidget(), selected->Host());
    panel->SelectChart(other);
    expectSelected(other);
    expectNormal(selected);
    EXPECT_EQ(QApplication::focusWidget(), other->Host());
}

TEST_F(GalleryPanelTest, TitleSizeFollowsTheChartWidthAndStopsAtOnePoint)
{
    struct Case {
        int width;
        const char* title;
        float size;
    } cases[] = {{75, "Line", 8}, {150, "Line", 16}, {20, "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", 1}};
    for (const Case& c : cases) {
        TScopedComponent<TGalleryChart> chart(nullptr);
        chart.SetBounds(0, 0, c.width, c.width);
        chart.Title()->AssignText(c.title);
        chart.FitTitleFont(0);
        EXPECT_EQ(chart.Title()->Font()->GetSizeFloat(), c.size) << c.width;
    }
}

TEST_F(GalleryPanelTest, TriangleOfARealChart)
{
    struct Case {
        bool border, smooth;
        int shadow;
    } cases[] = {{false, false, 0}, {true, false, 0}, {true, true, 0}, {false, false, 3}, {true, true, 5}};
    for (const Case& c : cases) {
        TScopedComponent<TGalleryChart> chart(nullptr);
        chart.SetBounds(0, 0, 130, 100);
        chart.Border().SetVisible(c.border);
        chart.Border().SetWidth(4);
        chart.Shadow().SetSize(c.shadow);
        chart.SetSmooth(c.smooth);
        const TRect r = chart.TriangleRect();
        const TRect expected = GalleryTriangleRect(130, 100, c.border, 4, c.smooth, c.shadow);
        EXPECT_TRUE(r == expected) << c.border << c.smooth << c.shadow;
        EXPECT_EQ(r.Left, (c.border ? (c.smooth ? 2 : 4) : 0) + 4);
    }
}

TEST_F(GalleryPanelTest, View3DReachesEveryChartAndItsMargins)
{
    TChartGalleryPanel panel;
    Fill(panel, 1);
    auto* own = new TGalleryChart(panel.ChartOwner());
    panel.Charts().Add(own);
    panel.PrepareChart(own, false);
    EXPECT_EQ(panel.GetChart(0)->MarginLeft(), 4);
    panel.SetView3D(false);
    for (TGalleryChart* chart : panel.Charts()) {
        EXPECT_FALSE(chart->View3D());
        EXPECT_EQ(chart->MarginLeft(), 5);
        EXPECT_EQ(chart->MarginBottom(), 5);
    }
    // Charts made later take the panel's view.
    Fill(panel, 1);
    EXPECT_FALSE(panel.GetChart(2)->View3D());
    EXPECT_EQ(panel.GetChart(2)->MarginTop(), 5);
}

TEST_F(GalleryPanelTest, FocusRotationOffKeepsTheRotation)
{
    auto panel = std::make_unique<TChartGalleryPanel>();
    panel->SetFocusRotation(false);
    panel->resize(420, 330);
    Fill(*panel, 2);
    for (TGalleryChart* chart : panel->Charts()) chart->View3DOptions().SetRotation(10);
    panel->RefreshSelection();
    panel->SelectChart(panel->GetChart(1));
    for (TGalleryChart* chart : panel->Charts()) EXPECT_EQ(chart->View3DOptions().Rotation(), 10);
}

TEST_F(GalleryPanelTest, GetSelectionAnswersTheFirstSeriesClassAndTheTag)
{
    TChartGalleryPanel panel;
    const TClassInfo* seriesClass = nullptr;
    const TClassInfo* functionClass = &TLineSeries::StaticClass();
    int index = -7;
    EXPECT_FALSE(panel.GetSelection(seriesClass, functionClass, index));
    EXPECT_EQ(index, -7);
    TDuvSeriesType entry;
    entry.SeriesClass = &TBarSeries::StaticClass();
    entry.Description = &kBarText;
    entry.SubIndex = 3;
    panel.CreateChart(entry);
    panel.RefreshSelection();
    ASSERT_TRUE(panel.GetSelection(seriesClass, functionClass, index));
    EXPECT_EQ(seriesClass, &TBarSeries::StaticClass());
    EXPECT_EQ(functionClass, nullptr);
    EXPECT_EQ(index, 3);
    EXPECT_EQ(panel.ExampleSeriesClass, &TBarSeries::StaticClass());
}

TEST_F(GalleryPanelTest, SubChartsTakeTheirPlaceAsTag)
{
    TChartGalleryPanel panel, target;
    TDuvSeriesType entry;
    entry.SeriesClass = &TBarSeries::StaticClass();
    panel.SubGalleryTarget = &target;
    panel.SubGalleryEntry = &entry;
    TGalleryChart* first = panel.AddSubChart("Normal");
    TGalleryChart* second = panel.AddSubChart("Stack");
    EXPECT_EQ(target.Charts().Count(), 2);
    EXPECT_EQ(panel.Charts().Count(), 0);
    EXPECT_EQ(first->Tag(), 0);
    EXPECT_EQ(second->Tag(), 1);
    EXPECT_EQ(second->Title()->ReadFirstLine(), "Stack");
    EXPECT_EQ(entry.Description, nullptr);
}

TEST_F(GalleryPanelTest, SmoothGalleryIsWrittenOnlyWhenSmoothChanged)
{
    auto stored = [] {
        const bool a = ReadEditorBool("SmoothGallery", false), b = ReadEditorBool("SmoothGallery", true);
        return a == b ? (a ? 1 : 0) : -1;  // -1: not stored
    };
    { TChartGalleryPanel panel; }
    EXPECT_EQ(stored(), -1);
    {
        TChartGalleryPanel panel;
        panel.SetSmooth(true);
    }
    EXPECT_EQ(stored(), 1);
    {
        // A new panel starts with the stored value, and so do its charts.
        TChartGalleryPanel panel;
        EXPECT_TRUE(panel.Smooth());
        Fill(panel, 1);
        EXPECT_TRUE(panel.GetChart(0)->Smooth());
        panel.SetSmooth(false);
        EXPECT_FALSE(panel.GetChart(0)->Smooth());
        panel.SetSmooth(true);
    }
    EXPECT_EQ(stored(), 1);
    {
        TChartGalleryPanel panel;
        panel.SetSmooth(false);
    }
    EXPECT_EQ(stored(), 0);
}

TEST_F(GalleryPanelTest, GalleryRenderChoosesTheCanvas)
{
    struct Case {
        int render;
        const char* className;
    } cases[] = {{0, "TDuvCanvas3D"}, {1, "TGDIPlusCanvas"}, {7, "TGDIPlusCanvas"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.render);
        WriteEditorInteger("GalleryRender", c.render);
        TChartGalleryPanel panel;
        ASSERT_NE(panel.CanvasClass(), nullptr);
        EXPECT_EQ(panel.CanvasClass()->ClassName, c.className);
        Fill(panel, 1);
        const bool smooth = dynamic_cast<TGDIPlusCanvas*>(&panel.GetChart(0)->Canvas()) != nullptr;
        EXPECT_EQ(smooth, c.render != 0);
    }
}

TEST_F(GalleryPanelTest, ChartsFreedElsewhereLeaveListAndSelection)
{
    TChartGalleryPanel panel;
    Fill(panel, 3);
    panel.RefreshSelection();
    FreeComponent(panel.GetChart(0));
    EXPECT_EQ(panel.Charts().Count(), 2);
    EXPECT_EQ(panel.SelectedChart, nullptr);
    // A chart of the caller's own, prepared for the panel, is watched the same way.
    TScopedComponent<TComponent> dialog(nullptr);
    auto* own = new TGalleryChart(&dialog);
    panel.Charts().Add(own);
    panel.PrepareChart(own, false);
    FreeComponent(own);
    EXPECT_EQ(panel.Charts().Count(), 2);
}

TEST_F(GalleryPanelTest, HoverFrameOnEnabledCharts)
{
    auto panel = MakePanel(2);
    panel->PrepareChart(panel->GetChart(1), true);
    for (int i = 0; i < 2; ++i) {
        QWidget* host = panel->GetChart(i)->Host();
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), host->mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(host, &enter);
        const QImage shot = host->grab().toImage();
        const QRgb corner = shot.pixel(0, 0), far = shot.pixel(shot.width() - 1, shot.height() - 1);
        if (i == 0) {
            EXPECT_EQ(qRgb(qRed(corner), qGreen(corner), qBlue(corner)), qRgb(0xC0, 0xC0, 0xC0));
            EXPECT_EQ(qRgb(qRed(far), qGreen(far), qBlue(far)), qRgb(0x80, 0x80, 0x80));
        } else {
            EXPECT_NE(qRgb(qRed(corner), qGreen(corner), qBlue(corner)), qRgb(0xC0, 0xC0, 0xC0));
        }
    }
}

// ---------------------------------------------------------------- pictures on the real canvas

// The standard series, the second selected with its sub-gallery triangle and the last one
// disabled, as a person has looked at them. The Gantt chart's dates start today, so its few date
// labels differ from day to day within the tolerance. Rerun with QB_UPDATE_PICTURES set to write the pictures anew after a deliberate change.
TEST_F(GalleryPanelTest, StandardGalleryLooksAsItsPicture)
{
    struct Case {
        int render;
        bool smooth;
        const char* picture;
    } cases[] = {
        {0, false, "chart/editor/gallery_gdi.png"},
        {0, true, "chart/editor/gallery_gdi_smooth.png"},
        {1, false, "chart/editor/gallery_smooth_canvas.png"},
        {1, true, "chart/editor/gallery_smooth_canvas_smooth.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.picture);
        WriteEditorInteger("GalleryRender", c.render);
        WriteEditorBool("SmoothGallery", c.smooth);
        SetRandSeed(1234);
        TChartGalleryPanel panel;
        panel.resize(484, 364);
        panel.ShowPage(DuvMsgGalleryStandard);
        ASSERT_EQ(panel.Charts().Count(), 12);
        panel.SetDisplaySub(true);
        panel.PrepareChart(panel.GetChart(11), true);
        panel.SelectChart(panel.GetChart(1));
        panel.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
        // No chart is under the mouse: no hover frame in the picture.
        for (TGalleryChart* chart : panel.Charts()) {
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(chart->Host(), &leave);
        }
        EXPECT_EQ(panel.verticalScrollBar()->isVisible(), false);
        EXPECT_TRUE(qbtest::LooksLikePicture(panel.grab().toImage(), c.picture, 100));
    }
}

}  // namespace
