#include <functional>
#include <vector>

#include "chart/graphics/DuvConst.h"
#include "chart/output/ChartGridModel.h"
#include "chart/output/support_ChartGridTest.h"
#include "platform/core/DateTime.h"
#include "platform/core/NumText.h"

using namespace gridtest;
using Texts = std::vector<std::string>;

namespace {

class ChartGridModelTest : public testing::Test {
protected:
    ChartGridModelTest() { StartGridModules(); }
    TGridChart chart_;
    TChartGridModel model_;
};

std::string SeriesTitleAt(const TChartGridModel& model, int col)
{
    return model.data(model.index(0, col), TChartGridModel::SeriesTitleRole).toString().toStdString();
}

}  // namespace

// The columns the grid shows for the settings and series, read in its last header row.
TEST_F(ChartGridModelTest, ColumnLayouts)
{
    struct Case {
        const char* Name;
        std::function<void(TGridChart&, TChartGridModel&)> Setup;
        Texts Titles;
    };
    auto plain = [](TGridChart& chart, TChartGridModel&) { chart.AddSeries({4, 5, 6}); };
    auto spaced = [](TGridChart& chart, TChartGridModel&) {
        TChartSeries* series = chart.AddSeries({});
        for (double x : {0, 5, 10}) series->AddPointXY(x, x * 2);
    };
    const Case cases[] = {
        {"X 0, 1, 2 hidden", plain, {"#", "Text", "Y"}},
        {"X 0, 5, 10 shown", spaced, {"#", "Text", "X", "Y"}},
        {"X never",
         [&](TGridChart& chart, TChartGridModel& model) {
             spaced(chart, model);
             model.SetShowXValues(cgsNo);
         },
         {"#", "Text", "Y"}},
        {"X always",
         [&](TGridChart& chart, TChartGridModel& model) {
             plain(chart, model);
             model.SetShowXValues(cgsYes);
         },
         {"#", "Text", "X", "Y"}},
        {"X hidden from grids",
         [&](TGridChart& chart, TChartGridModel& model) {
             spaced(chart, model);
             model.Chart()->GetSeries(0)->XValues()->HiddenFromGrids = true;
             model.RecalcDimensions();
         },
         {"#", "Text", "Y"}},
        {"colours",
         [&](TGridChart& chart, TChartGridModel& model) {
             plain(chart, model);
             model.SetShowColors(true);
         },
         {"#", "Colors", "Text", "Y"}},
        {"no labels",
         [&](TGridChart& chart, TChartGridModel& model) {
             plain(chart, model);
             model.SetShowLabels(false);
         },
         {"#", "Y"}},
        {"no titles",
         [&](TGridChart& chart, TChartGridModel& model) {
             plain(chart, model);
             model.SetShowSeriesTitles(false);
         },
         {"#", "Text", ""}},
        {"visuals",
         [&](TGridChart& chart, TChartGridModel& model) {
             plain(chart, model);
             model.SetShowVisuals(cgsYes);
         },
         {"#", "Text", "Y", "Visuals"}},
        {"several series",
         [&](TGridChart& chart, TChartGridModel& model) {
             spaced(chart, model);
             plain(chart, model);
             model.SetShowColors(true);
         },
         {"#", "Colors", "Text", "X", "Y", "Y"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TGridChart chart;
        TChartGridModel model;
        model.SetChart(&chart.Chart);
        c.Setup(chart, model);
        model.RecalcDimensions();
        EXPECT_EQ(RowTexts(model, model.HeaderRowCount() - 1), c.Titles);
        chart.Chart.SeriesList();  // the chart outlives the model's reads
        model.SetChart(nullptr);
    }
}

TEST_F(ChartGridModelTest, DefaultHeaderHoldsSeriesTitlesAboveTheirFirstColumn)
{
    TChartSeries* first = chart_.AddSeries({1, 2});
    first->SetTitle(std::string("Sales") + LibraryLineSeparator + "2026");
    TChartSeries* second = chart_.AddSeries({});
    for (double x : {0, 5}) second->AddPointXY(x, 1);
    model_.SetChart(&chart_.Chart);

    EXPECT_EQ(model_.HeaderRowCount(), 2);
    EXPECT_EQ(RowTexts(model_, 0), Texts(5, ""));
    EXPECT_EQ(RowTexts(model_, 1), (Texts{"#", "Text", "Y", "X", "Y"}));
    EXPECT_EQ(SeriesTitleAt(model_, 2), "Sales 2026");
    EXPECT_EQ(SeriesTitleAt(model_, 3), second->Name());  // no title: its display name
    EXPECT_EQ(SeriesTitleAt(model_, 4), "");              // not the series' first column
    EXPECT_EQ(model_.RowCount(), 4);
    EXPECT_EQ(RowTexts(model_, 2), (Texts{"0", "", "1", "0", "1"}));
    EXPECT_EQ(RowTexts(model_, 3), (Texts{"1", "", "2", "5", "1"}));
}

TEST_F(ChartGridModelTest, WithoutChartAndSeriesOneEmptyDataRow)
{
    EXPECT_EQ(model_.RowCount(), 3);
    EXPECT_EQ(model_.ColCount(), 2);
    EXPECT_EQ(RowTexts(model_, 1), (Texts{"", ""}));
    EXPECT_FALSE(model_.HasData());
    model_.SetChart(&chart_.Chart);
    EXPECT_EQ(model_.RowCount(), 3);  // an empty chart: one data row as well
}

TEST_F(ChartGridModelTest, CellTextsForDatesTimesAndFormats)
{
    ScopedFormatSettings invariant(TFormatSettings::Invariant());
    TChartSeries* series = chart_.AddSeries({1234.5, 0.25, 45000.75, -2}, {"a\rb", "", "c"});
    model_.SetSeries(series);
    auto y = [&](int index) { return model_.CellText(2, model_.HeaderRowCount() + index); };
    EXPECT_EQ(y(0), "1,234.5");
    series->SetValueFormat("0.00");
    EXPECT_EQ(y(0), "1234.50");
    series->YValues()->SetDateTime(true);
    EXPECT_EQ(y(1), TimeToStr(0.25));
    EXPECT_EQ(y(2), DateTimeToStr(45000.75));
    EXPECT_EQ(model_.CellText(1, 2), "a b");  // the line separator shows as a blank
    EXPECT_EQ(model_.CellText(1, 4), "c");
    EXPECT_EQ(model_.CellText(2, 6), "");  // past the points
}

// Texts are kept for the rows painted last; a cell shows its point's value and format of the
// moment, whatever changed and whether or not the grid heard of it.
TEST_F(ChartGridModelTest, KeptTextsFollowEveryChange)
{
    ScopedFormatSettings invariant(TFormatSettings::Invariant());
    std::vector<double> values(600);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<double>(i) + 0.5;
    TChartSeries* series = chart_.AddSeries(values);
    model_.SetSeries(series);
    const int first = model_.HeaderRowCount();
    auto y = [&](int index) { return model_.CellText(2, first + index); };
    struct Step {
        const char* Name;
        std::function<void()> Change;
        int Index;
        std::string Text;
    };
    const Step steps[] = {
        {"first look", [] {}, 0, "0.5"},
        {"same again", [] {}, 0, "0.5"},
        {"a row that shares its place", [] {}, 256, "256.5"},
        {"back to the first", [] {}, 0, "0.5"},
        {"value set", [&] { series->SetYValue(0, 1234); }, 0, "1,234"},
        {"format", [&] { series->SetValueFormat("0.00"); }, 0, "1234.00"},
        {"other row after the format", [] {}, 512, "512.50"},
        {"dates", [&] { series->YValues()->SetDateTime(true); }, 1, DateTimeToStr(1.5)},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.Name);
        step.Change();
        EXPECT_EQ(y(step.Index), step.Text);
    }
}

TEST_F(ChartGridModelTest, ChartModeLabelComesFromTheFirstSeriesHoldingOne)
{
    chart_.AddSeries({1}, {"one"});
    chart_.AddSeries({1, 2, 3}, {"", "", "three"});
    model_.SetChart(&chart_.Chart);
    EXPECT_EQ(model_.CellText(1, 2), "one");
    EXPECT_EQ(model_.CellText(1, 3), "");
    EXPECT_EQ(model_.CellText(1, 4), "three");
}

TEST_F(ChartGridModelTest, ColourCellsShowThePointColourOfTheSeriesNextToThem)
{
    TChartSeries* series = chart_.AddSeries({1, 2, 3});
    series->SetPointColor(0, static_cast<TColor>(0x7F0000FF));
    series->SetNull(1);
    model_.SetChart(&chart_.Chart);
    model_.SetShowColors(true);
    EXPECT_EQ(model_.CellPointColor(2), static_cast<TColor>(0x000000FF));  // top byte cleared
    EXPECT_EQ(model_.CellPointColor(3), clNone);                           // null point
    EXPECT_EQ(model_.CellPointColor(4), series->GetPointColor(2) & 0xFFFFFF);
    EXPECT_EQ(model_.CellPointColor(5), clNone);  // past the points
}

TEST_F(ChartGridModelTest, VisualsColumnShowsDotsForExistingPoints)
{
    TChartSeries* series = chart_.AddSeries({1, 2});
    model_.SetChart(&chart_.Chart);
    EXPECT_EQ(model_.ColCount(), 3);  // automatic: the series has no visuals
    model_.SetShowVisuals(cgsYes);
    ASSERT_EQ(model_.ColCount(), 4);
    EXPECT_EQ(model_.Column(3).Kind, TGridColumnKind::Visuals);
    EXPECT_EQ(model_.CellText(3, 2), "...");
    series->AddPointY(3);
    chart_.AddSeries({1, 2, 3, 4});
    EXPECT_EQ(model_.CellText(3, 5), "");
    EXPECT_FALSE(model_.CellEditable(3, 2));
}

TEST_F(ChartGridModelTest, Grid3DShowsYByXAndZ)
{
    auto* series = new TGridTestSeries(nullptr);
    series->SetParentChart(&chart_.Chart);
    series->FillGrid(3, 2);
    chart_.AddSeries({1});  // not a 3D series: passed over
    ASSERT_TRUE(IsGrid3DSeries(series));
    model_.SetChart(&chart_.Chart);
    model_.SetGrid3D(true);

    EXPECT_EQ(model_.ColCount(), 4);
    EXPECT_EQ(model_.RowCount(), 4);
    EXPECT_EQ(model_.LabelColumn(), -1);
    EXPECT_EQ(model_.ColorColumn(), -1);
    EXPECT_EQ(RowTexts(model_, 1), (Texts{"#", "1", "2", "3"}));
    EXPECT_EQ(RowTexts(model_, 2), (Texts{"1", "11", "21", "31"}));
    EXPECT_EQ(RowTexts(model_, 3), (Texts{"2", "12", "22", "32"}));
    TChartValueList* list = nullptr;
    EXPECT_EQ(model_.SeriesOfColumn(2, list), series);
    EXPECT_EQ(list, nullptr);

    model_.SetEditText(2, 3, "99", false);
    EXPECT_EQ(series->YValues()->GetValueAt(model_.Grid3DPointAt(2, 3)), 99);
    EXPECT_EQ(model_.CellText(2, 3), "99");
    EXPECT_EQ(series->PointCount(), 6);
    EXPECT_FALSE(model_.IsNewPointCell(1, 3));
    EXPECT_TRUE(model_.IsNewPointCell(1, 4));
    EXPECT_EQ(model_.AppendNullRow(1), -1);  // no rows are appended to a grid of positions
}

// A row of the 3D grid is one Z value: deleting it takes the points at that Z and nothing of
// other series; the last row deleted leaves one empty row.
TEST_F(ChartGridModelTest, Grid3DDeleteRowTakesThatZRow)
{
    auto* series = new TGridTestSeries(nullptr);
    series->SetParentChart(&chart_.Chart);
    series->FillGrid(3, 3);
    TChartSeries* plain = chart_.AddSeries({1, 2, 3, 4});
    model_.SetChart(&chart_.Chart);
    model_.SetGrid3D(true);

    ASSERT_TRUE(model_.DeleteRow(3));
    EXPECT_EQ(series->PointCount(), 6);
    for (int i = 0; i < series->PointCount(); ++i) EXPECT_NE(series->Z->GetValueAt(i), 2) << i;
    EXPECT_EQ(plain->PointCount(), 4);
    EXPECT_EQ(model_.RowCount(), 4);
    EXPECT_EQ(RowTexts(model_, 2), (Texts{"1", "11", "21", "31"}));
    EXPECT_EQ(RowTexts(model_, 3), (Texts{"2", "13", "23", "33"}));

    EXPECT_FALSE(model_.DeleteRow(4));  // no Z value there
    EXPECT_EQ(series->PointCount(), 6);
    ASSERT_TRUE(model_.DeleteRow(2));
    ASSERT_TRUE(model_.DeleteRow(2));
    EXPECT_EQ(series->PointCount(), 0);
    EXPECT_EQ(plain->PointCount(), 4);
    EXPECT_EQ(model_.RowCount(), 3);
    EXPECT_TRUE(model_.IsNewPointCell(1, 2));
}

// A typed text goes into the series; the table lists cell, text and what the series then holds.
TEST_F(ChartGridModelTest, WritingTypedTexts)
{
    struct Case {
        const char* Name;
        int Col, Row;
        std::string Text;
        Texts Ys;
        Texts Labels;
    };
    const Case cases[] = {
        {"a value", 2, 2, "7.5", {"7.5", "null", "3"}, {"", "", ""}},
        {"a null point gets a value", 2, 3, "12.5", {"1", "12.5", "3"}, {"", "", ""}},
        {"cleared to null", 2, 4, "  ", {"1", "null", "null"}, {"", "", ""}},
        {"past the points", 2, 6, "9", {"1", "null", "3", "null", "9"}, {"", "", "", "", ""}},
        {"a label past the points", 1, 5, "far", {"1", "null", "3", "null"}, {"", "", "", "far"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TGridChart chart;
        TChartSeries* series = chart.AddSeries({1, 2, 3});
        series->SetNull(1);
        TChartGridModel model;
        model.SetChart(&chart.Chart);
        model.SetEditText(c.Col, c.Row, c.Text, false);
        EXPECT_EQ(YTexts(*series), c.Ys);
        Texts labels;
        for (int i = 0; i < series->PointCount(); ++i) labels.push_back(series->Labels().GetLabelText(i));
        EXPECT_EQ(labels, c.Labels);
        EXPECT_TRUE(series->DataLoaded);
        if (c.Text == "12.5") {
            EXPECT_EQ(series->StoredPointColor(1), clDefault);
        }
        EXPECT_EQ(model.RowCount(), 2 + series->PointCount());
        model.SetChart(nullptr);
    }
}

TEST_F(ChartGridModelTest, BlankTextWhileTheEditorIsOpenLeavesThePoint)
{
    TChartSeries* series = chart_.AddSeries({1, 2});
    model_.SetChart(&chart_.Chart);
    model_.SetEditText(2, 2, "", true);
    EXPECT_EQ(YTexts(*series), (Texts{"1", "2"}));
}

TEST_F(ChartGridModelTest, TextThatIsNoNumberChangesNothing)
{
    TChartSeries* series = chart_.AddSeries({1, 2});
    series->XValues()->SetDateTime(true);
    model_.SetChart(&chart_.Chart);
    model_.SetShowXValues(cgsYes);
    EXPECT_THROW(model_.SetEditText(3, 2, "abc", false), EConvertError);
    EXPECT_THROW(model_.SetEditText(3, 5, "1e", false), EConvertError);  // past the points: none added
    EXPECT_THROW(model_.SetEditText(2, 2, "31.31.2020", false), EConvertError);
    EXPECT_EQ(YTexts(*series), (Texts{"1", "2"}));
    EXPECT_EQ(series->PointCount(), 2);
}

TEST_F(ChartGridModelTest, AppendRowAddsANullPointToEverySeries)
{
    TChartSeries* vertical = chart_.AddSeries({1, 2});
    TChartSeries* horizontal = chart_.AddSeries({});
    horizontal->MakeHorizontal();
    model_.SetChart(&chart_.Chart);
    ASSERT_TRUE(model_.AppendRow());
    ASSERT_EQ(vertical->PointCount(), 3);
    EXPECT_TRUE(vertical->IsNullPoint(2));
    EXPECT_EQ(vertical->XValues()->GetValueAt(2), 2);
    EXPECT_EQ(vertical->YValues()->GetValueAt(2), 0);
    ASSERT_EQ(horizontal->PointCount(), 1);
    EXPECT_EQ(horizontal->XValues()->GetValueAt(0), 0);
    EXPECT_EQ(horizontal->YValues()->GetValueAt(0), 0);
    EXPECT_EQ(model_.RowCount(), 5);
    model_.ReadOnly = true;
    EXPECT_FALSE(model_.AppendRow());
}

TEST_F(ChartGridModelTest, DeleteRowRenumbersHiddenXValues)
{
    TChartSeries* numbered = chart_.AddSeries({10, 20, 30});
    TChartSeries* spaced = chart_.AddSeries({});
    for (double x : {0, 5}) spaced->AddPointXY(x, x);
    model_.SetChart(&chart_.Chart);
    ASSERT_TRUE(model_.DeleteRow(2));
    EXPECT_EQ(YTexts(*numbered), (Texts{"20", "30"}));
    EXPECT_EQ(numbered->XValues()->GetValueAt(0), 0);
    EXPECT_EQ(numbered->XValues()->GetValueAt(1), 1);
    EXPECT_EQ(spaced->PointCount(), 1);
    EXPECT_EQ(spaced->XValues()->GetValueAt(0), 5);  // its X column shows: kept
    model_.DeleteRow(4);                              // past every series' points: nothing
    EXPECT_EQ(numbered->PointCount(), 2);
    model_.DeleteRow(2);
    model_.DeleteRow(2);
    EXPECT_EQ(model_.RowCount(), 3);  // one empty row stays
}

// Up takes back only the point Down appended, never one the user made null.
TEST_F(ChartGridModelTest, OnlyTheAppendedPointIsTakenBack)
{
    TChartSeries* series = chart_.AddSeries({1, 2});
    model_.SetChart(&chart_.Chart);
    model_.SetEditText(2, 3, "", false);  // the user clears the last value
    ASSERT_TRUE(series->IsNullPoint(1));
    EXPECT_FALSE(model_.TakeBackAppendedPoint(2, 3));
    EXPECT_EQ(series->PointCount(), 2);

    EXPECT_EQ(model_.AppendNullRow(2), 2);
    EXPECT_TRUE(model_.TakeBackAppendedPoint(2, 4));
    EXPECT_EQ(series->PointCount(), 2);
    EXPECT_EQ(model_.RowCount(), 4);

    model_.AppendNullRow(2);
    model_.SetEditText(2, 4, "5", false);  // worked on: it is the user's point now
    model_.SetEditText(2, 4, "", false);
    EXPECT_FALSE(model_.TakeBackAppendedPoint(2, 4));
    EXPECT_EQ(series->PointCount(), 3);
}

TEST_F(ChartGridModelTest, FollowsTheChartAndForgetsWhatIsFreed)
{
    model_.SetChart(&chart_.Chart);
    TChartSeries* first = chart_.AddSeries({1, 2});
    EXPECT_EQ(model_.ColCount(), 3);
    EXPECT_EQ(model_.RowCount(), 4);
    first->AddPointY(3);
    first->NotifyDataChanged();
    EXPECT_EQ(model_.RowCount(), 5);
    FreeComponent(first);
    EXPECT_EQ(model_.ColCount(), 2);
    EXPECT_EQ(model_.RowCount(), 3);

    TChartSeries* single = chart_.AddSeries({1});
    model_.SetSeries(single);
    EXPECT_EQ(model_.Chart(), &chart_.Chart);
    FreeComponent(single);
    EXPECT_EQ(model_.Series(), nullptr);
    {
        TScopedComponent<TChart> gone;
        model_.SetChart(&gone);
    }
    EXPECT_EQ(model_.Chart(), nullptr);
    EXPECT_EQ(model_.RowCount(), 3);
}

TEST_F(ChartGridModelTest, SeriesWithADataSourceAreNotEdited)
{
    TChartSeries* source = chart_.AddSeries({1, 2});
    TChartSeries* dependent = chart_.AddSeries({});
    dependent->SetDataSource(source);
    model_.SetSeries(dependent);
    EXPECT_FALSE(model_.CellEditable(2, 2));
    model_.SetSeries(source);
    EXPECT_TRUE(model_.CellEditable(2, 2));
    EXPECT_FALSE(model_.CellEditable(0, 2));
    EXPECT_FALSE(model_.CellEditable(2, 1));
    model_.ReadOnly = true;
    EXPECT_FALSE(model_.CellEditable(2, 2));
}
