#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include "chart/output/support_ChartGridTest.h"
#include "chart/output/widgets/ChartGrid.h"
#include "chart/output/widgets/DuvNavigator.h"
#include "platform/ui/ScriptedUiServices.h"

using namespace gridtest;
using Texts = std::vector<std::string>;

namespace {

struct TGridEvents {
    int ColorChanges = 0;
    std::vector<std::string> Written;
    void ChangeColor(TCustomChartGrid*) { ++ColorChanges; }
    void SetEditText(TCustomChartGrid*, int col, int row, const std::string& value)
    {
        Written.push_back(std::to_string(col) + "," + std::to_string(row) + "=" + value);
    }
};

struct TTopLeftCounter {
    int Count = 0;
    void Changed(TCustomChartGrid*) { ++Count; }
};

class ChartGridTest : public testing::Test {
protected:
    ChartGridTest()
    {
        StartGridModules();
        grid_.OnChangeColor = TChartGridNotifyEvent(&events_, &TGridEvents::ChangeColor);
        grid_.OnSetEditText = TSetEditEvent(&events_, &TGridEvents::SetEditText);
    }

    // Shows the grid on the chart with the current cell at (col, row).
    void Show(int col = 2, int row = 2)
    {
        grid_.SetChart(&chart_.Chart);
        grid_.resize(400, 300);
        grid_.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&grid_));
        grid_.setFocus();
        grid_.SetCurrentCell(col, row);
    }
    // Keys go to the open editor, else to the grid, as the focus would take them.
    QWidget* KeyTarget()
    {
        QWidget* editor = grid_.Editing() ? grid_.indexWidget(grid_.currentIndex()) : nullptr;
        return editor ? editor : static_cast<QWidget*>(&grid_);
    }
    // The editor closes through a queued call: it has run when Key returns.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(KeyTarget(), key, modifiers);
        QCoreApplication::processEvents();
    }
    void Type(const char* text)
    {
        for (const char* c = text; *c; ++c) QTest::keyClick(KeyTarget(), *c);
    }
    QLineEdit* Editor() { return qobject_cast<QLineEdit*>(grid_.indexWidget(grid_.currentIndex())); }

    TScriptedUiServices ui_;
    TScopedUiServices scoped_{ui_};
    TGridChart chart_;
    TGridEvents events_;
    TTopLeftCounter topLeft_;
    TChartGrid grid_;
};

}  // namespace

TEST_F(ChartGridTest, TypingValuesWritesThemIntoTheSeries)
{
    TChartSeries* series = chart_.AddSeries({1, 2, 3});
    series->SetNull(1);
    Show(2, 2);
    Type("12.5");
    ASSERT_TRUE(grid_.Editing());
    Key(Qt::Key_Return);
    EXPECT_FALSE(grid_.Editing());
    grid_.SetCurrentCell(2, 3);
    Type("4");  // a null point: the editor starts empty
    EXPECT_EQ(Editor()->text().toStdString(), "4");
    Key(Qt::Key_Return);
    EXPECT_EQ(YTexts(*series), (Texts{"12.5", "4", "3"}));
    EXPECT_EQ(series->StoredPointColor(1), clDefault);
    EXPECT_TRUE(series->DataLoaded);
    EXPECT_EQ(events_.Written, (Texts{"2,2=12.5", "2,3=4"}));
}

TEST_F(ChartGridTest, DeleteKeyClearsAValueToNull)
{
    TChartSeries* series = chart_.AddSeries({1, 2, 3});
    Show(2, 3);
    Key(Qt::Key_Delete);
    ASSERT_TRUE(grid_.Editing());
    EXPECT_EQ(Editor()->text().toStdString(), "");
    Key(Qt::Key_Return);
    EXPECT_EQ(YTexts(*series), (Texts{"1", "null", "3"}));
    EXPECT_EQ(grid_.Model().CellText(2, 3), "2");  // a null point keeps its stored value
}

TEST_F(ChartGridTest, TypingPastThePointsAddsNullPointsUpToTheRow)
{
    chart_.AddSeries({1, 2, 3});
    TChartSeries* shorter = chart_.AddSeries({5});
    Show(3, 4);
    Type("9");
    Key(Qt::Key_Return);
    EXPECT_EQ(YTexts(*shorter), (Texts{"5", "null", "9"}));
    EXPECT_EQ(shorter->Labels().GetLabelText(1), "");
}

TEST_F(ChartGridTest, EscapeKeepsTheStoredValue)
{
    TChartSeries* series = chart_.AddSeries({1, 2});
    Show(2, 2);
    Type("77");
    ASSERT_TRUE(grid_.Editing());
    Key(Qt::Key_Escape);
    EXPECT_FALSE(grid_.Editing());
    EXPECT_EQ(YTexts(*series), (Texts{"1", "2"}));
    EXPECT_EQ(grid_.Model().CellText(2, 2), "1");
    EXPECT_TRUE(events_.Written.empty());
}

// A text that is no number is not dropped silently: the user is told and the cell shows the
// stored value again.
TEST_F(ChartGridTest, TextThatIsNoNumberIsReported)
{
    TChartSeries* series = chart_.AddSeries({1, 2});
    Show(2, 3);
    ui_.Push(TUiAnswer::Press(mrOk));
    Type("abc");
    Key(Qt::Key_Return);
    ASSERT_EQ(ui_.Log().size(), 1u);
    EXPECT_EQ(ui_.Log()[0].Text, "'abc' is not a valid floating point value");
    EXPECT_EQ(ui_.Log()[0].MsgType, TMsgDlgType::mtError);
    EXPECT_EQ(YTexts(*series), (Texts{"1", "2"}));
    EXPECT_EQ(grid_.model()->index(3, 2).data().toString().toStdString(), "2");
    EXPECT_TRUE(events_.Written.empty());
}

TEST_F(ChartGridTest, RowKeys)
{
    struct Case {
        const char* Name;
        std::vector<double> Ys;
        int Row;
        std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> Keys;
        Texts Want;
        int WantRows, WantRow;
    };
    const Case cases[] = {
        {"Insert appends a null row", {1, 2}, 2, {{Qt::Key_Insert, Qt::NoModifier}}, {"1", "2", "null"}, 5, 4},
        {"Down on the last row appends", {1, 2}, 3, {{Qt::Key_Down, Qt::NoModifier}}, {"1", "2", "null"}, 5, 4},
        {"Down then Up takes it back",
         {1, 2},
         3,
         {{Qt::Key_Down, Qt::NoModifier}, {Qt::Key_Up, Qt::NoModifier}},
         {"1", "2"},
         4,
         3},
        {"Up on a last row the user did not append moves up", {1, 2}, 3, {{Qt::Key_Up, Qt::NoModifier}}, {"1", "2"}, 4, 2},
        {"Ctrl+Delete deletes the row", {1, 2, 3}, 3, {{Qt::Key_Delete, Qt::ControlModifier}}, {"1", "3"}, 4, 3},
        {"Ctrl+Delete on the only row keeps an empty row", {7}, 2, {{Qt::Key_Delete, Qt::ControlModifier}}, {}, 3, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TGridChart chart;
        TChartSeries* series = chart.AddSeries(c.Ys);
        TChartGrid grid;
        grid.SetChart(&chart.Chart);
        grid.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
        grid.setFocus();
        grid.SetCurrentCell(2, c.Row);
        for (const auto& [key, modifiers] : c.Keys) QTest::keyClick(&grid, key, modifiers);
        EXPECT_EQ(YTexts(*series), c.Want);
        EXPECT_EQ(grid.Model().RowCount(), c.WantRows);
        EXPECT_EQ(grid.Row(), c.WantRow);
        grid.SetChart(nullptr);
    }
}

// Up takes back the appended point only: a point the user cleared on the last row stays.
TEST_F(ChartGridTest, UpKeepsAPointTheUserCleared)
{
    TChartSeries* series = chart_.AddSeries({1, 2});
    Show(2, 3);
    Key(Qt::Key_Delete);
    Key(Qt::Key_Return);
    ASSERT_EQ(YTexts(*series), (Texts{"1", "null"}));
    Key(Qt::Key_Up);
    EXPECT_EQ(YTexts(*series), (Texts{"1", "null"}));
    EXPECT_EQ(grid_.Row(), 2);
}

TEST_F(ChartGridTest, ColoursThroughTheColourDialog)
{
    TChartSeries* series = chart_.AddSeries({1, 2});
    grid_.SetShowColors(true);
    Show(1, 2);
    EXPECT_EQ(grid_.ColumnWidth(1), 40);
    EXPECT_EQ(grid_.ColumnWidth(0), 30);

    ui_.Push(TUiAnswer::ChooseColor(0x0000FF));
    Key(Qt::Key_Return);
    EXPECT_EQ(series->GetPointColor(0), static_cast<TColor>(0x0000FF));
    EXPECT_EQ(events_.ColorChanges, 1);
    EXPECT_TRUE(series->DataLoaded);

    // Keeping the colour changes nothing.
    ui_.Push(TUiAnswer::ChooseColor(0x0000FF));
    const QRect cell = grid_.visualRect(grid_.model()->index(2, 1));
    QTest::mouseDClick(grid_.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    EXPECT_EQ(events_.ColorChanges, 1);

    grid_.SetCurrentCell(1, 3);
    ui_.Push(TUiAnswer::Cancel(TUiCallKind::Color));
    Key(Qt::Key_Space);
    EXPECT_EQ(series->StoredPointColor(1), clDefault);
    EXPECT_EQ(grid_.Model().CellPointColor(2), static_cast<TColor>(0x0000FF));
}

TEST_F(ChartGridTest, SeriesColourFromTheHeaderSymbol)
{
    TChartSeries* series = chart_.AddSeries({1, 2});
    Show();
    QHeaderView* header = grid_.TitleHeader();
    const int left = header->sectionViewportPosition(2);
    ui_.Push(TUiAnswer::ChooseColor(0x00FF00));
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(left + 8, 8));
    EXPECT_EQ(series->GetSeriesColor(), static_cast<TColor>(0x00FF00));
}

TEST_F(ChartGridTest, HeaderClickSelectsAColumnThenItsCell)
{
    chart_.AddSeries({1, 2, 3}, {"a", "b", "c"});
    TChartSeries* second = chart_.AddSeries({4, 5, 6});
    (void)second;
    Show(2, 3);
    grid_.HeaderClicked(3, false);
    EXPECT_EQ(grid_.selectionModel()->selectedIndexes().size(), 3);
    grid_.HeaderClicked(3, false);
    ASSERT_EQ(grid_.selectionModel()->selectedIndexes().size(), 1);
    EXPECT_EQ(grid_.selectionModel()->selectedIndexes()[0], grid_.model()->index(3, 3));
    grid_.HeaderClicked(1, false);  // the label column is left alone
    EXPECT_EQ(grid_.selectionModel()->selectedIndexes().size(), 1);
}

TEST_F(ChartGridTest, SeriesChangesAddAndRemoveSeries)
{
    grid_.SetAllowSeriesChanges(true);
    Show(1, 2);
    Type("first");  // a label in an empty chart: the grid makes a series for it
    Key(Qt::Key_Return);
    ASSERT_EQ(chart_.Chart.CountSeries(), 1);
    auto* made = dynamic_cast<TChartSeries*>(chart_.Chart.GetSeries(0));
    EXPECT_EQ(made->Labels().GetLabelText(0), "first");

    grid_.SetCurrentCell(grid_.Model().ColCount() - 1, 2);
    Key(Qt::Key_Right);  // on the last column: one more series of the same class
    ASSERT_EQ(chart_.Chart.CountSeries(), 2);
    TCustomChartSeries* added = chart_.Chart.GetSeries(1);
    EXPECT_EQ(&added->ClassType(), &made->ClassType());
    EXPECT_EQ(added->Name(), "Series2");
    EXPECT_EQ(grid_.Col(), grid_.Model().ColCount() - 1);
    Key(Qt::Key_Left);  // its last series has no points: freed
    EXPECT_EQ(chart_.Chart.CountSeries(), 1);

    grid_.SetAllowSeriesChanges(false);
    grid_.SetCurrentCell(grid_.Model().ColCount() - 1, 2);
    Key(Qt::Key_Right);
    EXPECT_EQ(chart_.Chart.CountSeries(), 1);
}

TEST_F(ChartGridTest, ReadOnlyGridDoesNotEdit)
{
    TChartSeries* series = chart_.AddSeries({1, 2});
    grid_.SetReadOnly(true);
    Show(2, 3);
    Type("5");
    Key(Qt::Key_Insert);
    Key(Qt::Key_Delete, Qt::ControlModifier);
    Key(Qt::Key_Down);
    EXPECT_FALSE(grid_.Editing());
    EXPECT_EQ(YTexts(*series), (Texts{"1", "2"}));
}

TEST_F(ChartGridTest, NavigatorButtonsDriveTheGrid)
{
    TChartSeries* series = chart_.AddSeries({1, 2, 3});
    Show(2, 2);
    TChartGridNavigator navigator;
    navigator.SetGrid(&grid_);
    EXPECT_EQ(grid_.Navigator(), &navigator);
    auto enabled = [&](TDuvNavigateBtn index) { return navigator.Button(index)->isEnabled(); };
    auto states = [&] {
        std::string text;
        for (int i = 0; i < kDuvNavButtonCount; ++i) text += enabled(static_cast<TDuvNavigateBtn>(i)) ? '1' : '0';
        return text;
    };
    auto click = [&](TDuvNavigateBtn index) { navigator.Button(index)->click(); };
    // First Prior Next Last Insert Delete Edit Post Cancel
    EXPECT_EQ(states(), "001111100");
    click(TDuvNavigateBtn::nbLast);
    EXPECT_EQ(grid_.Row(), 4);
    EXPECT_EQ(states(), "110011100");
    click(TDuvNavigateBtn::nbPrior);
    EXPECT_EQ(grid_.Row(), 3);
    click(TDuvNavigateBtn::nbFirst);
    EXPECT_EQ(grid_.Row(), 2);
    click(TDuvNavigateBtn::nbNext);
    EXPECT_EQ(grid_.Row(), 3);

    click(TDuvNavigateBtn::nbEdit);
    ASSERT_TRUE(grid_.Editing());
    EXPECT_EQ(states(), "111100011");
    Editor()->setText("8");
    click(TDuvNavigateBtn::nbPost);
    EXPECT_FALSE(grid_.Editing());
    EXPECT_EQ(YTexts(*series), (Texts{"1", "8", "3"}));

    click(TDuvNavigateBtn::nbEdit);
    Editor()->setText("99");
    click(TDuvNavigateBtn::nbCancel);
    EXPECT_EQ(YTexts(*series), (Texts{"1", "8", "3"}));

    click(TDuvNavigateBtn::nbInsert);
    EXPECT_EQ(YTexts(*series), (Texts{"1", "8", "3", "null"}));
    EXPECT_EQ(grid_.Row(), 5);
    click(TDuvNavigateBtn::nbDelete);
    EXPECT_EQ(YTexts(*series), (Texts{"1", "8", "3"}));

    grid_.SetChart(nullptr);
    EXPECT_EQ(states(), "000000000");
}

TEST_F(ChartGridTest, NavigatorForgetsAGridThatGoes)
{
    TChartGridNavigator navigator;
    {
        TChartGrid grid;
        navigator.SetGrid(&grid);
    }
    EXPECT_EQ(navigator.Grid(), nullptr);
    TChartGrid grid;
    {
        TChartGridNavigator gone;
        gone.SetGrid(&grid);
    }
    EXPECT_EQ(grid.Navigator(), nullptr);
}

TEST_F(ChartGridTest, VisualsMenuIsNamed)
{
    chart_.AddSeries({1});
    grid_.SetShowVisuals(cgsYes);
    Show(3, 2);
    EXPECT_EQ(grid_.Model().CellText(3, 2), "...");
    QMenu* menu = grid_.VisualsMenu();
    Texts captions;
    for (QAction* action : menu->actions()) captions.push_back(action->text().toStdString());
    EXPECT_EQ(captions, (Texts{"Edit", "&Change...", "Delete"}));
    // Without a visual and without the editor hook, Enter leaves the point as it is.
    Key(Qt::Key_Return);
    EXPECT_FALSE(menu->isVisible());
}

TEST_F(ChartGridTest, EveryControlHasAnAccessibleName)
{
    TChartGridNavigator navigator;
    EXPECT_FALSE(grid_.accessibleName().isEmpty());
    EXPECT_FALSE(navigator.accessibleName().isEmpty());
    for (QAbstractButton* button : navigator.findChildren<QAbstractButton*>())
        EXPECT_FALSE(button->accessibleName().isEmpty()) << button->objectName().toStdString();
}

namespace {

struct TEditGate {
    int RefusedCol = -1;
    void Editing(TCustomChartGrid*, int col, int, bool& allow) { allow = col != RefusedCol; }
};

}  // namespace

TEST_F(ChartGridTest, F2StartsEditingWhereItIsAllowed)
{
    TChartSeries* source = chart_.AddSeries({1, 2});
    TChartSeries* dependent = chart_.AddSeries({});
    TChartSeries* other = chart_.AddSeries({5, 6});
    (void)source;
    (void)other;
    dependent->SetDataSource(source);
    dependent->NotifyDataChanged();
    TEditGate gate;
    grid_.OnEditingCell = TEditingCellEvent(&gate, &TEditGate::Editing);
    Show(2, 2);
    const int dependentCol = 3, otherCol = 4;
    ASSERT_EQ(grid_.Model().Column(dependentCol).Series, dependent);
    Key(Qt::Key_F2);
    EXPECT_TRUE(grid_.Editing());
    EXPECT_EQ(grid_.EditStartText(), "1");
    Key(Qt::Key_Escape);
    grid_.SetCurrentCell(dependentCol, 2);
    Key(Qt::Key_F2);  // fed from a data source: not edited
    EXPECT_FALSE(grid_.Editing());
    gate.RefusedCol = otherCol;
    grid_.SetCurrentCell(otherCol, 2);
    Key(Qt::Key_F2);
    EXPECT_FALSE(grid_.Editing());
}

TEST_F(ChartGridTest, ColourOnAnEmptyChartMakesASeries)
{
    grid_.SetShowColors(true);
    grid_.SetAllowSeriesChanges(true);
    Show(1, 2);
    ui_.Push(TUiAnswer::ChooseColor(0x123456));
    Key(Qt::Key_Return);
    ASSERT_EQ(chart_.Chart.CountSeries(), 1);
    auto* made = dynamic_cast<TChartSeries*>(chart_.Chart.GetSeries(0));
    ASSERT_EQ(made->PointCount(), 1);
    EXPECT_EQ(made->GetPointColor(0), static_cast<TColor>(0x123456));
}

TEST_F(ChartGridTest, HandCursorOverColoursOfExistingPoints)
{
    chart_.AddSeries({1});
    grid_.SetShowColors(true);
    Show(2, 2);
    const QPoint colour = grid_.visualRect(grid_.model()->index(2, 1)).center();
    const QPoint value = grid_.visualRect(grid_.model()->index(2, 3)).center();
    QTest::mouseMove(grid_.viewport(), colour);
    EXPECT_EQ(grid_.viewport()->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(grid_.viewport(), value);
    EXPECT_EQ(grid_.viewport()->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ChartGridTest, GradientFillsTheCellsFirst)
{
    chart_.AddSeries({1});
    EXPECT_EQ(grid_.PeekGradient(), nullptr);  // made on first read
    grid_.Gradient()->SetStartColor(0x00FF00);
    grid_.Gradient()->SetEndColor(0x00FF00);
    grid_.Gradient()->SetVisible(true);
    Show(2, 2);
    grid_.SetCurrentCell(1, 2);  // the value cell is neither current nor selected
    grid_.clearSelection();
    const QRect cell = grid_.visualRect(grid_.model()->index(2, 2));
    const QImage image = grid_.viewport()->grab().toImage();
    EXPECT_EQ(QColor(image.pixel(cell.left() + 3, cell.center().y())), QColor(0, 255, 0));
}

TEST_F(ChartGridTest, Grid3DCellsAreEdited)
{
    auto* series = new TGridTestSeries(nullptr);
    series->SetParentChart(&chart_.Chart);
    series->FillGrid(2, 3);
    grid_.SetGrid3D(true);
    Show(2, 4);
    EXPECT_EQ(grid_.ColumnWidth(1), grid_.ColumnWidth(2));
    Type("5");
    Key(Qt::Key_Return);
    EXPECT_EQ(series->YValues()->GetValueAt(grid_.Model().Grid3DPointAt(2, 4)), 5);
    EXPECT_EQ(series->PointCount(), 6);
    Key(Qt::Key_Down);  // no rows are appended in grid 3D mode
    Key(Qt::Key_Down);
    EXPECT_EQ(series->PointCount(), 6);
}

TEST_F(ChartGridTest, TitlesOffKeepsThePointRowAndScrollingTellsTopLeft)
{
    std::vector<double> many(200, 1.0);
    chart_.AddSeries(many);
    // The counter lives as long as the grid: a handler's object is never gone before it.
    TTopLeftCounter& counter = topLeft_;
    grid_.OnTopLeftChanged = TChartGridNotifyEvent(&counter, &TTopLeftCounter::Changed);
    Show(2, 5);
    grid_.SetShowSeriesTitles(false);
    EXPECT_EQ(grid_.Model().HeaderRowCount(), 1);
    EXPECT_EQ(grid_.Row(), 4);  // still point 3
    const int before = counter.Count;
    grid_.SetRow(150);
    EXPECT_GT(counter.Count, before);
}

// A grid on its way out tells nobody: letting its model go scrolls it and moves its current
// cell, and the objects behind its handlers may be gone already.
TEST_F(ChartGridTest, AGridOnItsWayOutTellsNobody)
{
    chart_.AddSeries(std::vector<double>(200, 1.0));
    TGridEvents events;
    TTopLeftCounter topLeft;
    struct TAskCounter {
        int Count = 0;
        void Editing(TCustomChartGrid*, int, int, bool&) { ++Count; }
    } asks;
    auto* grid = new TChartGrid;
    grid->OnChangeColor = TChartGridNotifyEvent(&events, &TGridEvents::ChangeColor);
    grid->OnSetEditText = TSetEditEvent(&events, &TGridEvents::SetEditText);
    grid->OnTopLeftChanged = TChartGridNotifyEvent(&topLeft, &TTopLeftCounter::Changed);
    grid->OnEditingCell = TEditingCellEvent(&asks, &TAskCounter::Editing);
    grid->SetChart(&chart_.Chart);
    grid->resize(400, 300);
    grid->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(grid));
    grid->SetRow(150);
    QCoreApplication::processEvents();
    const int topLefts = topLeft.Count, asked = asks.Count;
    EXPECT_GT(topLefts, 0);
    delete grid;
    EXPECT_EQ(topLeft.Count, topLefts);
    EXPECT_EQ(asks.Count, asked);
    EXPECT_EQ(events.ColorChanges, 0);
    EXPECT_TRUE(events.Written.empty());
}

// Small grids hide their header rows, large ones scroll past them: either way the first data row
// is the top one, however far up the grid is scrolled, and the last point can be reached.
TEST_F(ChartGridTest, HeaderRowsNeverScrollIntoViewSmallOrLarge)
{
    for (const int points : {5, TCustomChartGrid::kMostRowsToHide + 100}) {
        SCOPED_TRACE(points);
        std::vector<double> ys(static_cast<std::size_t>(points));
        for (int i = 0; i < points; ++i) ys[static_cast<std::size_t>(i)] = i % 7;
        chart_.AddSeries(ys);
        Show(2, 2);
        const int headerRows = grid_.Model().HeaderRowCount();
        auto topRow = [this] { return grid_.indexAt(QPoint(5, 2)).row(); };
        EXPECT_EQ(topRow(), headerRows);
        grid_.scrollToBottom();
        QCoreApplication::processEvents();
        const QModelIndex last = grid_.model()->index(grid_.Model().RowCount() - 1, 2);
        EXPECT_TRUE(grid_.viewport()->rect().contains(grid_.visualRect(last).center()));
        grid_.scrollToTop();
        QCoreApplication::processEvents();
        EXPECT_EQ(topRow(), headerRows);
        grid_.SetCurrentCell(2, headerRows);
        Key(Qt::Key_PageUp);
        EXPECT_EQ(topRow(), headerRows);
        EXPECT_EQ(grid_.Row(), headerRows);
        while (chart_.Chart.CountSeries() > 0) chart_.Chart.GetSeries(chart_.Chart.CountSeries() - 1)->Free();
    }
}
