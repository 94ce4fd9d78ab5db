// The category frequency graph on a dBase table that holds empty (NULL) values: the SQL it
// writes, its count grid against python3-dbfread and collections.Counter, its bars (one series
// per category, one x per value), relative frequencies, a rejected condition, the category's
// Escape, the metafiles it saves and copies (judged by emf2svg-conv and wmf2svg), and the main
// window's Graph command.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QCheckBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <memory>

#include "app/FFieldGraph.h"
#include "app/support_MainForm.h"
#include "chart/engine/Chart.h"
#include "chart/engine/ChartEngineModules.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/series/ChartSeriesModules.h"
#include "chart/series/SeriesBar.h"
#include "platform/core/CodePage.h"
#include "platform/core/StringList.h"
#include "platform/db/Database.h"
#include "platform/db/Table.h"
#include "platform/ui/ScriptedUiServices.h"
#include "platform/ui/StringGrid.h"
#include "stats/FChartProp.h"
#include "support/TestSupport.h"
#include "support_DbTools.h"

namespace {

// The category that once stood for "no series yet".
const char* const kMarker = "\"/*-\"";

struct TRecord {
    const char* Weather;  // nullptr: left empty
    const char* Site;
};
// ID counts from 1; the memo stays empty.
const TRecord kRecords[] = {
    {"1", "north"}, {"2", "north"}, {"1", "south"}, {nullptr, "south"}, {"9", nullptr},
    {"1", kMarker}, {"2", "east"},  {nullptr, nullptr}, {"1", "north"},
};

// Counts of one field, or of (category, field) pairs, as dbfread reads the file: one
// "value<TAB>count" or "category<TAB>value<TAB>count" line each, empty values as "", sorted.
constexpr const char* kCounter = R"(import sys, collections
from dbfread import DBF
path, fields, exclude = sys.argv[1], sys.argv[2].split(','), sys.argv[3] == '1'
def text(value):
    if value is None:
        return ''
    if isinstance(value, float) and value == int(value):
        value = int(value)
    return str(value)
counts = collections.Counter()
for record in DBF(path, encoding='cp1250'):
    values = [text(record[f]) for f in fields]
    if exclude and '' in values:
        continue
    counts[tuple(values)] += 1
for key, n in sorted(counts.items()):
    print('\t'.join(list(key) + [str(n)]))
)";

// The chart modules the window's bar chart needs, started as the program starts them.
struct FieldGraphModules {
    static void SetUpTestSuite()
    {
        InitializeChartGraphicsModules();
        InitializeChartEngineModules();
        InitializeChartSeriesModules();
    }
    static void TearDownTestSuite()
    {
        FinalizeChartSeriesModules();
        FinalizeChartEngineModules();
        FinalizeChartGraphicsModules();
    }
};

class FieldGraph : public testing::Test {
protected:
    static void SetUpTestSuite() { FieldGraphModules::SetUpTestSuite(); }
    static void TearDownTestSuite() { FieldGraphModules::TearDownTestSuite(); }

    FieldGraph()
    {
        SetProgramCodePage(1250);
        database.SetDatabaseName("collection");
        database.LoginPrompt = false;
        database.Params.Add("PATH=" + dir.path().string());
        WriteTable();
        table.SetTableName(path);
        table.Open();
        form = ShowFieldGraph(table, path, "collection");
        form->resize(820, 560);
    }
    ~FieldGraph() override
    {
        delete FormChartProp;
        delete form;
        table.Close();
        SetProgramCodePage(0);
    }

    void WriteTable()
    {
        TTable writer;
        writer.SetTableName(path);
        writer.FieldDefs().Add("ID", ftInteger).Precision = 4;
        writer.FieldDefs().Add("WEATH", ftInteger).Precision = 2;
        writer.FieldDefs().Add("SITE", ftString, 10);
        writer.FieldDefs().Add("NOTES", ftMemo);
        writer.CreateTable();
        writer.Open();
        int id = 0;
        for (const TRecord& record : kRecords) {
            writer.Append();
            writer.FieldByName("ID").SetAsInteger(++id);
            if (record.Weather) writer.FieldByName("WEATH").SetAsString(record.Weather);
            if (record.Site) writer.FieldByName("SITE").SetAsString(record.Site);
            writer.Post();
        }
        writer.Close();
    }

    std::vector<std::string> Counted(const std::string& fields, bool exclude) const
    {
        QProcess python;
        python.start("/usr/bin/python3", {"-c", kCounter, QString::fromStdString(path), QString::fromStdString(fields),
                                          exclude ? "1" : "0"});
        EXPECT_TRUE(python.waitForFinished(20000));
        EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
        std::vector<std::string> lines = dbtest::Lines(python.readAllStandardOutput().toStdString());
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    void SelectField(const char* name)
    {
        const QList<QListWidgetItem*> items = form->FieldListBox->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name;
        form->FieldListBox->setCurrentItem(items.front());
    }
    void SetCategory(const char* name) { form->CBcategorized->setCurrentIndex(form->CBcategorized->findText(name)); }

    // The grid's rows below its header as "value<TAB>count", sorted.
    std::vector<std::string> GridRows() const
    {
        std::vector<std::string> rows;
        for (int row = 1; row < form->DataGrid->RowCount(); ++row) {
            const std::string label = form->DataGrid->Cells(0, row);
            const std::string prefix = "[" + std::to_string(row) + "]: ";
            EXPECT_EQ(label.substr(0, prefix.size()), prefix);
            rows.push_back(label.substr(prefix.size()) + "\t" + form->DataGrid->Cells(1, row));
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    TBarSeries& Series(int index) const { return *dynamic_cast<TBarSeries*>(form->Chart1()->GetSeries(index)); }
    std::string Sql() const { return form->Query.SQL().Text(); }

    qbtest::TempDir dir;
    std::string path = dir.file("pond's.dbf");
    TDatabase database;
    TTable table;
    TScriptedUiServices ui;
    TScopedUiServices scope{ui};
    TFormFieldGraph* form = nullptr;
};

// Text in the SVG that the metafile judges write, tags and blanks left out (wmf2svg writes one
// text element per character).
std::string SvgText(const std::string& path)
{
    QString svg = QString::fromStdString(qbtest::ReadFileBytes(path));
    svg.remove("<![CDATA[").remove("]]>");
    svg.remove(QRegularExpression("<[^>]*>"));
    svg.remove(QRegularExpression("\\s"));
    return svg.toStdString();
}

}  // namespace

TEST_F(FieldGraph, WindowAsDesigned)
{
    EXPECT_EQ(form->windowTitle(), "Field categorized graph");
    std::vector<std::string> fields;
    for (int i = 0; i < form->FieldListBox->count(); ++i) fields.push_back(form->FieldListBox->item(i)->text().toStdString());
    EXPECT_EQ(fields, (std::vector<std::string>{"ID", "WEATH", "SITE"})) << "memo fields are left out";
    ASSERT_EQ(form->CBcategorized->count(), 3);
    EXPECT_EQ(form->CBcategorized->currentIndex(), -1);
    EXPECT_EQ(form->Query.DatabaseName(), "collection");
    EXPECT_EQ(form->TableName(), path);
    EXPECT_EQ(form->DataGrid->ColCount(), 2);
    EXPECT_EQ(form->DataGrid->DefaultRowHeight(), 20);
    EXPECT_EQ(form->CBempty->text(), "Exclude empty field");
    EXPECT_EQ(form->CBrelative->text(), "Relative frequencies");
    EXPECT_EQ(form->BtnShow->text(), "Show graph");
    EXPECT_EQ(form->BtnProperties->text(), "Properties");
    EXPECT_EQ(form->BtnCopy->text(), "Copy graph");
    EXPECT_EQ(form->BtnCopy->toolTip(), "Copy into clipboard as metafile");
    EXPECT_EQ(form->BtnSave->text(), "Save as");
    EXPECT_EQ(form->BtnSave->toolTip(), "Save graph as metafile");
    EXPECT_EQ(form->SaveDlg.Title, "Save graph as");
    EXPECT_EQ(form->SaveDlg.DefaultExt, "emf");
    EXPECT_EQ(form->SaveDlg.FilterIndex, 2);
    EXPECT_EQ(form->SaveDlg.Filter, "Windows metafile (*.wmf)|*.wmf|Enhanced metafile (*.emf)|*.emf|All files|*.*");
    // Nothing happens without a field.
    form->BtnShow->click();
    EXPECT_EQ(form->Chart1()->CountSeries(), 0);
    EXPECT_TRUE(Sql().empty());
}

// The exact text of each query; the table name is quoted as the engine names tables, the quote
// in "pond's" doubled, and every query runs.
TEST_F(FieldGraph, QueriesAsWritten)
{
    const std::string from = " from '" + dir.file("pond''s.dbf") + "'";
    struct Case {
        const char* name;
        const char* category;
        bool exclude;
        const char* condition;
        std::string sql;
    };
    const Case cases[] = {
        {"one field", "", false, "", "select WEATH, count(*) as n" + from + " group by WEATH"},
        {"with a category", "SITE", false, "",
         "select SITE,WEATH, count(*) as n" + from + " group by SITE,WEATH"},
        {"one field without empty values", "", true, "",
         "select WEATH, count(*) as n" + from + " where (WEATH is not NULL) group by WEATH"},
        {"category without empty values", "SITE", true, "",
         "select SITE,WEATH, count(*) as n" + from +
             " where (WEATH is not NULL) and (SITE is not NULL) group by SITE,WEATH"},
        {"with a condition", "", false, "  ID > 2 \n",
         "select WEATH, count(*) as n" + from + " where (ID > 2) group by WEATH"},
        {"condition and no empty values", "SITE", true, "ID > 2",
         "select SITE,WEATH, count(*) as n" + from +
             " where (WEATH is not NULL) and (SITE is not NULL) and (ID > 2) group by SITE,WEATH"},
        {"blank condition", "", false, "   \n  ", "select WEATH, count(*) as n" + from + " group by WEATH"},
    };
    SelectField("WEATH");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetCategory(c.category);
        form->CBempty->setChecked(c.exclude);
        form->MemoCond->setPlainText(c.condition);
        form->BtnShow->click();
        EXPECT_EQ(Sql(), c.sql + "\r\n");
        EXPECT_FALSE(form->Query.Active());
        EXPECT_GT(form->Chart1()->CountSeries(), 0);
    }
    EXPECT_EQ(ui.Log().size(), 0u) << ui.Log().front().Text;
}

// The grid counts the field, or the category when one is chosen, as dbfread and Counter count
// the file; "Exclude empty field" leaves out the records where it is empty.
TEST_F(FieldGraph, GridCountsEqualThoseOfTheFile)
{
    struct Case {
        const char* field;
        const char* category;
        bool exclude;
        const char* counted;
    };
    const Case cases[] = {
        {"WEATH", "", false, "WEATH"}, {"WEATH", "", true, "WEATH"}, {"SITE", "", false, "SITE"},
        {"SITE", "", true, "SITE"},    {"ID", "", false, "ID"},      {"WEATH", "SITE", false, "SITE"},
        {"WEATH", "SITE", true, "SITE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " by " + c.category + (c.exclude ? " without empty" : ""));
        SetCategory(c.category);
        form->CBempty->setChecked(c.exclude);
        SelectField(c.field);
        form->FillCountGrid();
        EXPECT_EQ(form->DataGrid->Cells(0, 0), "Value");
        EXPECT_EQ(form->DataGrid->Cells(1, 0), "Count");
        EXPECT_EQ(GridRows(), Counted(c.counted, c.exclude));
    }
    // Counting again clears the chart.
    form->BtnShow->click();
    ASSERT_EQ(form->Chart1()->CountSeries(), 4);
    form->CBempty->click();
    EXPECT_EQ(form->Chart1()->CountSeries(), 0);
    EXPECT_EQ(form->Chart1()->LeftAxis()->GetTitle()->Caption(), "");
    EXPECT_EQ(form->Chart1()->BottomAxis()->GetTitle()->Caption(), "");
}

// One series per category in order of appearance, titled with it (an empty category as empty
// text), coloured from the table, in the legend under the category's name; each bar stands at
// its value's place among all values with the value as label, so one x is one value; the bars
// that are not 0 are the counted pairs of category and value.
TEST_F(FieldGraph, OneSeriesPerCategoryWithEachBarAtItsValue)
{
    SelectField("WEATH");
    SetCategory("SITE");
    form->BtnShow->click();
    TChart& chart = *form->Chart1();
    const std::vector<std::string> categories{"", kMarker, "east", "north", "south"};
    const std::vector<std::string> values{"", "1", "2", "9"};
    ASSERT_EQ(chart.CountSeries(), int(categories.size()));
    std::vector<std::string> bars;  // "site<TAB>weather<TAB>count", as the counter writes them
    const TColor colors[] = {clBlue, clFuchsia, clGreen, clPurple, clRed};
    for (int s = 0; s < chart.CountSeries(); ++s) {
        SCOPED_TRACE(s);
        TBarSeries& series = Series(s);
        EXPECT_EQ(series.Title(), categories[s]);
        EXPECT_EQ(series.GetSeriesColor(), colors[s]);
        EXPECT_TRUE(series.ShowInLegend());
        EXPECT_FALSE(series.Marks().Visible());
        EXPECT_NE(series.MultiBar(), mbStacked100);
        ASSERT_EQ(series.PointCount(), int(values.size()));
        for (int i = 0; i < series.PointCount(); ++i) {
            EXPECT_EQ(series.XValues()->GetValueAt(i), i);
            EXPECT_EQ(series.Labels().GetLabelText(i), values[i]);
            if (const int count = int(series.YValues()->GetValueAt(i)); count != 0)
                bars.push_back(categories[s] + "\t" + values[i] + "\t" + std::to_string(count));
        }
    }
    std::sort(bars.begin(), bars.end());
    EXPECT_EQ(bars, Counted("SITE,WEATH", false));
    EXPECT_EQ(chart.Legend()->GetTitle()->Lines().Text(), "SITE\r\n");
    EXPECT_EQ(chart.BottomAxis()->GetTitle()->Caption(), "Category WEATH");
    EXPECT_EQ(chart.LeftAxis()->GetTitle()->Caption(), "Frequency");
    EXPECT_EQ(chart.Title()->Lines().Count(), 0);

    // Without empty values the first category is the one that once stood for "no series yet".
    form->CBempty->setChecked(true);
    form->BtnShow->click();
    ASSERT_EQ(chart.CountSeries(), 4);
    EXPECT_EQ(Series(0).Title(), kMarker);
    ASSERT_EQ(Series(0).PointCount(), 2);
    EXPECT_EQ(Series(0).YValues()->GetValueAt(0), 1);
    EXPECT_EQ(Series(0).YValues()->GetValueAt(1), 0);
    EXPECT_EQ(Series(1).Title(), "east");
    EXPECT_EQ(Series(1).YValues()->GetValueAt(1), 1) << "\"2\" is the second value";
}

// Series n takes colour n mod 7 of the table, so the seventh is black and the eighth blue again.
TEST_F(FieldGraph, SeriesColoursRepeatAfterSeven)
{
    SelectField("WEATH");
    SetCategory("ID");
    form->BtnShow->click();
    const TColor colors[] = {clBlue, clFuchsia, clGreen, clPurple, clRed, clYellow, clBlack, clBlue, clFuchsia};
    ASSERT_EQ(form->Chart1()->CountSeries(), int(std::size(colors)));
    for (int s = 0; s < form->Chart1()->CountSeries(); ++s) {
        EXPECT_EQ(Series(s).GetSeriesColor(), colors[s]) << s;
        EXPECT_EQ(Series(s).Title(), std::to_string(s + 1));
    }
}

// Without a category each value's bar is its share of all counted records; the one series is
// not in the legend.
TEST_F(FieldGraph, RelativeFrequenciesOfOneField)
{
    SelectField("WEATH");
    form->CBrelative->setChecked(true);
    form->BtnShow->click();
    ASSERT_EQ(form->Chart1()->CountSeries(), 1);
    TBarSeries& series = Series(0);
    EXPECT_EQ(series.Title(), "WEATH");
    EXPECT_EQ(series.GetSeriesColor(), clBlue);
    EXPECT_FALSE(series.ShowInLegend());
    EXPECT_NE(series.MultiBar(), mbStacked100);
    const std::vector<std::pair<std::string, double>> expected{{"", 2}, {"1", 4}, {"2", 2}, {"9", 1}};
    ASSERT_EQ(series.PointCount(), int(expected.size()));
    for (int v = 0; v < series.PointCount(); ++v) {
        EXPECT_EQ(series.Labels().GetLabelText(v), expected[v].first);
        EXPECT_DOUBLE_EQ(series.YValues()->GetValueAt(v), expected[v].second * 100 / 9);
    }
    EXPECT_EQ(form->Chart1()->LeftAxis()->GetTitle()->Caption(), "Relative frequency (%)");

    form->CBrelative->setChecked(false);
    form->BtnShow->click();
    EXPECT_EQ(Series(0).YValues()->GetValueAt(1), 4);
    EXPECT_EQ(form->Chart1()->LeftAxis()->GetTitle()->Caption(), "Frequency");
}

// With a category the series stack to 100 % together: at every value the top of the last
// series' bar is at 100 on the value axis.
TEST_F(FieldGraph, RelativeFrequenciesOfCategoriesStackToOneHundred)
{
    SelectField("WEATH");
    SetCategory("SITE");
    form->CBrelative->setChecked(true);
    form->BtnShow->click();
    TChart& chart = *form->Chart1();
    ASSERT_EQ(chart.CountSeries(), 5);
    for (int s = 0; s < chart.CountSeries(); ++s) EXPECT_EQ(Series(s).MultiBar(), mbStacked100);
    chart.SaveAsBitmapFile(dir.file("drawn.bmp"));  // lays the bars out
    TBarSeries& last = Series(chart.CountSeries() - 1);
    const int top = chart.LeftAxis()->CalcPosValue(100);
    ASSERT_EQ(last.PointCount(), 4);
    for (int v = 0; v < last.PointCount(); ++v) EXPECT_EQ(last.BarValueEndPos(v), top) << v;
    // The value "2" has one record at "east" and one at "north": half of its column each.
    const int middle = chart.LeftAxis()->CalcPosValue(50);
    EXPECT_EQ(Series(2).BarValueEndPos(2), middle);
}

// The engine's message reaches the user; the chart stays empty and a failing count leaves the grid.
TEST_F(FieldGraph, RejectedConditionShowsTheEnginesMessage)
{
    SelectField("WEATH");
    form->BtnShow->click();
    ASSERT_EQ(form->Chart1()->CountSeries(), 1);
    const std::vector<std::string> grid = GridRows();
    form->MemoCond->setPlainText("NOSUCH = 1");

    std::string message;
    try {
        TQuery query;
        query.SetDatabaseName("collection");
        query.SQL().SetText(CountQuerySql("WEATH", path, " where (NOSUCH = 1)"));
        query.Open();
    } catch (const Exception& error) {
        message = error.Message();
    }
    ASSERT_FALSE(message.empty());
    ui.Push(TUiAnswer::Press(mrOk));
    form->BtnShow->click();
    ASSERT_EQ(ui.Log().size(), 1u);
    EXPECT_EQ(ui.Log().back().Text, message);
    EXPECT_EQ(ui.Log().back().MsgType, TMsgDlgType::mtError);
    EXPECT_EQ(form->Chart1()->CountSeries(), 0);

    ui.Push(TUiAnswer::Press(mrOk));
    form->CBempty->click();
    EXPECT_EQ(ui.Log().back().Text, message);
    EXPECT_EQ(GridRows(), grid);
}

// Escape in the category list clears it; the field is then counted again.
TEST_F(FieldGraph, EscapeClearsTheCategory)
{
    SelectField("WEATH");
    SetCategory("SITE");
    EXPECT_EQ(GridRows(), Counted("SITE", false));
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(form->CBcategorized, &escape);
    EXPECT_EQ(form->CBcategorized->currentIndex(), -1);
    EXPECT_EQ(form->CBcategorized->currentText(), "");
    EXPECT_EQ(GridRows(), Counted("WEATH", false));
    form->BtnShow->click();
    ASSERT_EQ(form->Chart1()->CountSeries(), 1);
    EXPECT_FALSE(Series(0).ShowInLegend());
}

// ".EMF" in any case writes an enhanced metafile, every other name a plain one; both judges read
// the axis title back. Copy puts an enhanced metafile on the clipboard.
TEST_F(FieldGraph, SavedAndCopiedMetafiles)
{
    form->show();
    SelectField("WEATH");
    form->BtnShow->click();
    const std::string svg = dir.file("out.svg");
    struct Case {
        const char* name;
        bool enhanced;
    };
    for (const Case& c : {Case{"graph.EMF", true}, Case{"graph.emf", true}, Case{"graph.wmf", false},
                          Case{"noextension", false}, Case{"graph.png", false}}) {
        SCOPED_TRACE(c.name);
        const std::string file = dir.file(c.name);
        ui.Push(TUiAnswer::SaveFile(file, 2));
        form->BtnSave->click();
        const std::string bytes = qbtest::ReadFileBytes(file);
        ASSERT_GT(bytes.size(), 44u);
        EXPECT_EQ(bytes.substr(40, 4) == " EMF", c.enhanced);
        if (c.enhanced)
            dbtest::Run("/usr/bin/emf2svg-conv -i '" + file + "' -o '" + svg + "'");
        else
            dbtest::Run("/usr/bin/wmf2svg -o '" + svg + "' '" + file + "'");
        EXPECT_NE(SvgText(svg).find("CategoryWEATH"), std::string::npos) << SvgText(svg);
    }
    ui.Push(TUiAnswer::Cancel(TUiCallKind::SaveFile));
    form->BtnSave->click();

    form->BtnCopy->click();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    qbtest::WriteFileBytes(dir.file("copied.emf"), data->data("image/emf").toStdString());
    dbtest::Run("/usr/bin/emf2svg-conv -i '" + dir.file("copied.emf") + "' -o '" + svg + "'");
    EXPECT_NE(SvgText(svg).find("Frequency"), std::string::npos);
}

TEST_F(FieldGraph, PropertiesOpensTheDialogOnTheChart)
{
    form->BtnProperties->click();
    ASSERT_NE(FormChartProp, nullptr);
    EXPECT_EQ(FormChartProp->Chart(), form->Chart1());
}

// The bar model apart from the window: rows that start with the old marker, values met in no
// order and one number held as integer and as real; every series has every value, 0 where its
// category lacks it.
TEST(FrequencyBars, CategoriesAndValuePlaces)
{
    const std::vector<TFrequencyRow> rows{
        {kMarker, Variant::Integer(2), "2", 3}, {kMarker, Variant::Integer(10), "10", 1},
        {"b", Variant(), "", 4},                {"b", Variant::Integer(2), "2", 5},
        {"c", Variant::String("x"), "x", 6},    {"c", Variant::Float(10), "10", 2},
    };
    const TFrequencyBars bars = CategorizedFrequencyBars(rows);
    EXPECT_EQ(bars.Values, (std::vector<std::string>{"", "2", "10", "x"}));
    EXPECT_EQ(bars.Categories, (std::vector<std::string>{kMarker, "b", "c"}));
    std::vector<std::vector<double>> heights;
    for (const std::vector<TFrequencyBar>& series : bars.Bars) {
        heights.emplace_back();
        for (std::size_t i = 0; i < series.size(); ++i) {
            EXPECT_EQ(series[i].Position, int(i));
            heights.back().push_back(series[i].Height);
        }
    }
    EXPECT_EQ(heights, (std::vector<std::vector<double>>{{0, 3, 1, 0}, {4, 5, 0, 0}, {0, 0, 2, 6}}));
    EXPECT_TRUE(CategorizedFrequencyBars({}).Categories.empty());

    const TFrequencyBars none = FrequencyBars({}, true);
    ASSERT_EQ(none.Bars.size(), 1u);
    EXPECT_TRUE(none.Bars[0].empty());
}

namespace {
class GraphCommand : public qbtest::SurveyWindowTest {
protected:
    static void SetUpTestSuite() { FieldGraphModules::SetUpTestSuite(); }
    static void TearDownTestSuite() { FieldGraphModules::TearDownTestSuite(); }
};
}  // namespace

// The Graph command of the main window: enabled with a definition open, it opens a new window
// on the data table each time.
TEST_F(GraphCommand, OpensTheFrequencyGraphOfTheDataTable)
{
    TFormMain& mainForm = *main.Form;
    ASSERT_TRUE(mainForm.TB_graph->isEnabled());
    mainForm.Table.Append();
    mainForm.Table.FieldByName("WEATH").SetAsInteger(2);
    mainForm.Table.Post();
    mainForm.TB_graph->click();
    mainForm.TB_graph->click();
    const QList<TFormFieldGraph*> windows = mainForm.findChildren<TFormFieldGraph*>();
    ASSERT_EQ(windows.size(), 2);
    TFormFieldGraph& graph = *windows.back();
    EXPECT_TRUE(graph.isVisible());
    EXPECT_EQ(graph.TableName(), mainForm.TablePath());
    EXPECT_EQ(graph.Query.DatabaseName(), "collection");
    EXPECT_TRUE(graph.FieldListBox->findItems("NOTES", Qt::MatchExactly).isEmpty());
    const QList<QListWidgetItem*> weather = graph.FieldListBox->findItems("WEATH", Qt::MatchExactly);
    ASSERT_EQ(weather.size(), 1);
    graph.FieldListBox->setCurrentItem(weather.front());
    graph.BtnShow->click();
    ASSERT_EQ(graph.Chart1()->CountSeries(), 1);
    const TChartSeries& series = *dynamic_cast<TChartSeries*>(graph.Chart1()->GetSeries(0));
    ASSERT_EQ(series.PointCount(), 1);
    EXPECT_EQ(series.YValues()->GetValueAt(0), 1);
    for (TFormFieldGraph* window : windows) window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(mainForm.findChildren<TFormFieldGraph*>().isEmpty());
    mainForm.TB_Close->click();
    EXPECT_FALSE(mainForm.TB_graph->isEnabled());
}
