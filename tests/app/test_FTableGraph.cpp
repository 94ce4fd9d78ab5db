// The graph strip of the table window: its controls and the look of its chart, Add line and Add
// points against the pairs python3-dbfread reads from the same file, the series following the
// dataset, the warnings, and the toolbar's pictures judged by emf2svg-conv and wmf2svg.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <optional>

#include "app/FInfo.h"
#include "app/FTable.h"
#include "app/ULng.h"
#include "chart/engine/ChartEngineModules.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/widgets/DuvPanelHost.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/graphics/support_Svg.h"
#include "chart/output/ChartOutputModules.h"
#include "chart/output/DBChart.h"
#include "chart/output/DuvGDIPlus.h"
#include "chart/output/widgets/ChartOutputWidgetModules.h"
#include "chart/output/widgets/DuvCommaBar.h"
#include "chart/series/ChartSeriesModules.h"
#include "chart/series/Series.h"
#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "platform/db/Table.h"
#include "platform/ui/ScriptedUiServices.h"
#include "support/TestSupport.h"
#include "support_DbTools.h"

namespace {

const std::string kShippedFolder = std::string(QB_TEST_DATA) + "/../../resources/common/";

// The chart modules as the program starts them, once for the test program.
void StartChartModules()
{
    static const bool started = [] {
        InitializeChartGraphicsModules();
        InitializeChartEngineModules();
        InitializeChartSeriesModules();
        InitializeChartOutputModules();
        InitializeChartOutputWidgetModules();
        return true;
    }();
    (void)started;
}

struct Record {
    int id;
    int year, month, day;
    std::optional<double> size;
    const char* name;
};

// Dates out of order, a NULL size, and a text that reads as a number.
const Record kRecords[] = {
    {1, 2024, 3, 5, 2.5, "Anna"},
    {2, 2024, 1, 10, -10.25, "Bob"},
    {3, 2024, 2, 20, std::nullopt, "Cyril"},
    {4, 2023, 12, 31, 7, "12"},
};

// One point as both sides print it: X, then Y or nothing for a NULL.
std::string Pair(double x, std::optional<double> y)
{
    char text[80];
    std::snprintf(text, sizeof text, "%.6f|", x);
    std::string pair = text;
    if (y) {
        std::snprintf(text, sizeof text, "%.6f", *y);
        pair += text;
    }
    return pair;
}

std::vector<std::string> SeriesPairs(const TChartSeries& series)
{
    std::vector<std::string> pairs;
    for (int i = 0; i < series.PointCount(); ++i)
        pairs.push_back(Pair(series.GetXValue(i),
                             series.IsNullPoint(i) ? std::nullopt : std::optional<double>(series.GetYValue(i))));
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

// The (X, Y) pairs of two fields as dbfread reads them; dates as days since 1899-12-30.
std::vector<std::string> DbfPairs(const std::string& path, const std::string& x, const std::string& y)
{
    const char* const script = R"(
import sys, datetime
from dbfread import DBF
def number(v):
    if isinstance(v, datetime.date): return float((v - datetime.date(1899, 12, 30)).days)
    return float(v)
for r in DBF(sys.argv[1], encoding='cp1250'):
    x, y = r[sys.argv[2]], r[sys.argv[3]]
    print('%.6f|%s' % (number(x), '' if y is None else '%.6f' % number(y)))
)";
    std::vector<std::string> pairs = dbtest::Lines(dbtest::RunPython(script, {path, x, y}));
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

// The texts of an SVG's text elements run together (wmf2svg writes one per character).
std::string SvgText(const std::string& path)
{
    std::string text;
    for (const svgjudge::TSvgItem& item : svgjudge::ReadSvg(path))
        if (item.tag == "text") text += item.text.toStdString();
    return text;
}

void Convert(const std::vector<std::string>& command)
{
    std::string line;
    for (const std::string& part : command) line += "'" + part + "' ";
    ASSERT_EQ(std::system((line + ">/dev/null 2>&1").c_str()), 0) << line;
}

class FormTableGraphTest : public testing::Test {
protected:
    FormTableGraphTest()
    {
        StartChartModules();
        SetProgramCodePage(1250);
        CommonDirectory = kShippedFolder;
        path_ = dir_.file("survey.dbf");
        table_.SetTableName(path_);
        table_.FieldDefs().Add("ID", ftInteger).Precision = 6;
        table_.FieldDefs().Add("DAY", ftDate);
        table_.FieldDefs().Add("SIZE", ftFloat, 2).Precision = 8;
        table_.FieldDefs().Add("NAME", ftString, 12);
        table_.CreateTable();
        table_.Open();
        for (const Record& r : kRecords) Append(r);
        table_.First();
        link_.SetDataSet(&table_);
        window_ = new TFormTable;
        SetupTableWindow(window_, 409);
        window_->resize(700, 520);
        ShowTableWindow(window_, 0, &link_);
    }
    ~FormTableGraphTest() override
    {
        CloseTableWindows();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        table_.Close();
        EXPECT_EQ(ui_.Pending(), 0) << "a scripted answer was not asked for";
        EXPECT_TRUE(ui_.Failures().empty()) << ui_.Failures().front();
        FreeLngModules();
        CommonDirectory.clear();
        SetProgramCodePage(0);
    }

    void Append(const Record& r)
    {
        table_.Append();
        table_.FieldByName("ID").SetAsInteger(r.id);
        table_.FieldByName("DAY").SetAsDateTime(EncodeDate(r.year, r.month, r.day));
        if (r.size) table_.FieldByName("SIZE").SetAsFloat(*r.size);
        table_.FieldByName("NAME").SetAsString(r.name);
        table_.Post();
    }

    // Opens the strip and picks the two fields as a user does.
    void Choose(const std::string& x, const std::string& y, bool dates = false)
    {
        if (window_->PanelGraph->isHidden()) window_->BtnGraph->click();
        window_->CB_X->setCurrentText(QString::fromStdString(x));
        window_->CB_Y->setCurrentText(QString::fromStdString(y));
        window_->CB_date->setChecked(dates);
    }

    TChartSeries* LastSeries() const
    {
        const int count = window_->DBChart->CountSeries();
        return count ? dynamic_cast<TChartSeries*>(window_->DBChart->GetSeries(count - 1)) : nullptr;
    }

    QWidget* ToolbarButton(int code) const { return window_->DuvCommander->ControlWidget(code); }

    qbtest::TempDir dir_;
    TScriptedUiServices ui_;
    TScopedUiServices scope_{ui_};
    std::string path_;
    TTable table_;
    TDataSource link_;
    TFormTable* window_ = nullptr;
};

TEST_F(FormTableGraphTest, GraphButtonTogglesTheStripAndFillsTheFieldLists)
{
    EXPECT_EQ(window_->BtnGraph->text(), "Graph");
    EXPECT_TRUE(window_->PanelGraph->isHidden());
    window_->BtnGraph->click();
    ASSERT_FALSE(window_->PanelGraph->isHidden());
    EXPECT_EQ(window_->SplitterGraph->sizes().back(), 164);
    for (QComboBox* list : {window_->CB_X, window_->CB_Y}) {
        QStringList items;
        for (int i = 0; i < list->count(); ++i) items.push_back(list->itemText(i));
        EXPECT_EQ(items, (QStringList{"", "ID", "DAY", "SIZE", "NAME"})) << list->objectName().toStdString();
        EXPECT_FALSE(list->isEditable()) << "a drop-down list";
    }
    struct Caption {
        QAbstractButton* control;
        const char* text;
    };
    for (const Caption& c : {Caption{window_->CB_date, "X axis in date format"}, Caption{window_->BtnAddPoints, "Add points"},
                             Caption{window_->BtnAddLine, "Add line"}}) {
        EXPECT_EQ(c.control->text(), c.text);
        EXPECT_EQ(c.control->accessibleName(), c.text);
    }

    // Choices survive hiding and showing the strip again.
    window_->CB_Y->setCurrentText("SIZE");
    window_->BtnGraph->click();
    EXPECT_TRUE(window_->PanelGraph->isHidden());
    window_->BtnGraph->click();
    EXPECT_EQ(window_->CB_Y->currentText(), "SIZE");
    EXPECT_EQ(window_->CB_X->currentText(), "");
}

TEST_F(FormTableGraphTest, ChartHasTheFormsLookAndItsToolbar)
{
    TDBChart& chart = *window_->DBChart;
    EXPECT_EQ(chart.Name(), "DBChart");
    EXPECT_FALSE(chart.View3D());
    EXPECT_NE(dynamic_cast<TGDIPlusCanvas*>(&chart.Canvas()), nullptr) << "the GDI+ canvas";
    EXPECT_EQ(chart.ColorPaletteIndex(), 13);
    EXPECT_EQ(chart.Title()->Lines().Text(), "TDBChart\r\n");
    for (TDuvGradient* gradient : {chart.GetGradient(), chart.BackWall()->GetGradient()}) {
        EXPECT_TRUE(gradient->Visible());
        EXPECT_EQ(gradient->Direction(), gdBottomTop);
        EXPECT_EQ(gradient->StartColor(), TColor(0xEAEAEA));
        EXPECT_EQ(gradient->MidColor(), TColor(0xEAEAEA));
        EXPECT_EQ(gradient->EndColor(), clWhite);
    }
    EXPECT_FALSE(chart.BackWall()->Transparent());
    EXPECT_EQ(chart.LeftWall()->Color(), TColor(0xE0FFFF));
    EXPECT_EQ(chart.RightWall()->Color(), TColor(0xE0FFFF));
    for (TChartAxis* axis : chart.AxesList()) {
        EXPECT_EQ(axis->Axis()->Color(), TColor(0x404040));
        EXPECT_EQ(axis->Grid()->Color(), TColor(0xA9A9A9));
        EXPECT_EQ(axis->TicksInner()->Color(), TColor(0xA9A9A9));
        EXPECT_EQ(axis->Labels().Font()->Name(), "Verdana");
        EXPECT_EQ(axis->GetTitle()->Font()->Name(), "Verdana");
    }
    for (TDuvFont* font : {chart.Title()->Font(), chart.Foot()->Font(), chart.Legend()->Font()})
        EXPECT_EQ(font->Name(), "Verdana");
    EXPECT_EQ(chart.Foot()->Font()->Color(), clBlue);
    EXPECT_EQ(chart.Legend()->GetShadow()->Transparency(), 0);

    // The toolbar works on this chart; Edit waits for the chart editor.
    TDuvCommander& commander = window_->DuvCommander->Commander();
    EXPECT_EQ(commander.Panel(), &chart);
    EXPECT_EQ(window_->DuvCommander->height(), 33);
    for (int code : {dcNormal, dcRotate, dcPrint, dcCopy, dcSave}) EXPECT_TRUE(ToolbarButton(code)->isEnabled()) << code;
    EXPECT_FALSE(ToolbarButton(dcEdit)->isEnabled());
    chart.SetView3D(true);  // the toolbar enables its buttons again on a 3D change
    EXPECT_FALSE(ToolbarButton(dcEdit)->isEnabled());
    EXPECT_EQ(&window_->DBChartHost->Panel(), &chart);
}

TEST_F(FormTableGraphTest, AddLineAndPointsDrawTheRecordsAsDbfreadReadsThem)
{
    const struct Case {
        const char* name;
        bool line;
        const char* x;
        const char* y;
        bool dates;
    } cases[] = {
        {"a line of SIZE over ID", true, "ID", "SIZE", false},
        {"points of SIZE over DAY as dates", false, "DAY", "SIZE", true},
        {"a line of ID over DAY, dates not ticked", true, "DAY", "ID", false},
        {"points of ID over a text that reads as numbers", false, "ID", "ID", false},
    };
    int made = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Choose(c.x, c.y, c.dates);
        (c.line ? window_->BtnAddLine : window_->BtnAddPoints)->click();
        ASSERT_EQ(window_->DBChart->CountSeries(), ++made) << "every click adds one more series";
        TChartSeries* series = LastSeries();
        EXPECT_EQ(dynamic_cast<TLineSeries*>(series) != nullptr, c.line);
        EXPECT_EQ(dynamic_cast<TPointSeries*>(series) != nullptr, !c.line);
        EXPECT_EQ(series->Title(), c.y);
        EXPECT_EQ(series->XValues()->DateTime(), c.dates);
        EXPECT_EQ(series->XValues()->ValueSource(), c.x);
        EXPECT_EQ(series->YValues()->ValueSource(), c.y);
        EXPECT_NE(series->Owner(), window_->DBChart) << "the window owns its series";
        EXPECT_EQ(SeriesPairs(*series), DbfPairs(path_, c.x, c.y));
    }
    EXPECT_TRUE(ui_.Log().empty());
}

TEST_F(FormTableGraphTest, PostedRecordsRefreshTheSeries)
{
    Choose("ID", "SIZE");
    window_->BtnAddLine->click();
    TChartSeries* line = LastSeries();
    ASSERT_NE(line, nullptr);
    ASSERT_EQ(line->PointCount(), 4);

    Append({5, 2024, 4, 1, 99.5, "Eva"});
    EXPECT_EQ(SeriesPairs(*line), DbfPairs(path_, "ID", "SIZE"));
    EXPECT_EQ(line->PointCount(), 5);

    table_.First();
    table_.Edit();
    table_.FieldByName("SIZE").SetAsFloat(-1);
    table_.Post();
    EXPECT_EQ(SeriesPairs(*line), DbfPairs(path_, "ID", "SIZE"));

    // Deletes are gathered into one refill once the window's events run.
    table_.Last();
    table_.Delete();
    table_.First();
    table_.Delete();
    QApplication::processEvents();
    EXPECT_EQ(SeriesPairs(*line), DbfPairs(path_, "ID", "SIZE"));
    EXPECT_EQ(line->PointCount(), 3);

    ui_.Push(TUiAnswer::Press(mrYes));
    window_->BtnDelAll->click();
    QApplication::processEvents();
    EXPECT_EQ(line->PointCount(), 0);
}

TEST_F(FormTableGraphTest, EmptyFieldsAreWarnedAboutAndMakeNoSeries)
{
    const struct Case {
        const char* x;
        const char* y;
        const char* warning;
    } cases[] = {
        {"", "SIZE", "X field cannot be empty"},
        {"ID", "", "Y field cannot be empty"},
        {"", "", "X field cannot be empty"},
    };
    for (const Case& c : cases) {
        for (QPushButton* button : {window_->BtnAddLine, window_->BtnAddPoints}) {
            SCOPED_TRACE(std::string(c.x) + "/" + c.y + " " + button->text().toStdString());
            Choose(c.x, c.y);
            ui_.Push(TUiAnswer::Press(mrOk));
            button->click();
            ASSERT_FALSE(ui_.Log().empty());
            EXPECT_EQ(ui_.Log().back().Text, c.warning);
            EXPECT_EQ(ui_.Log().back().MsgType, TMsgDlgType::mtWarning);
            EXPECT_EQ(ui_.Log().back().Buttons, TMsgDlgButtons(mbOK));
            EXPECT_EQ(window_->DBChart->CountSeries(), 0);
        }
    }
}

// A field whose value is no number for some record cannot be drawn on either axis: a warning
// names the field and the value, and the chart keeps no half-made series that would fail again
// on every later post.
TEST_F(FormTableGraphTest, FieldThatIsNoNumberIsNamedAndLeavesNoSeriesBehind)
{
    Choose("ID", "SIZE");
    window_->BtnAddLine->click();
    ASSERT_EQ(window_->DBChart->CountSeries(), 1);

    const struct Case {
        const char* x;
        const char* y;
        const char* warning;
    } cases[] = {
        {"NAME", "SIZE", "The X field NAME holds \"Anna\", which is not a number: choose a field of numbers or dates."},
        {"ID", "NAME", "The Y field NAME holds \"Anna\", which is not a number: choose a field of numbers or dates."},
    };
    table_.Last();
    for (const Case& c : cases) {
        for (QPushButton* button : {window_->BtnAddLine, window_->BtnAddPoints}) {
            SCOPED_TRACE(std::string(c.x) + "/" + c.y + " " + button->text().toStdString());
            Choose(c.x, c.y);
            ui_.Push(TUiAnswer::Press(mrOk));
            const std::size_t before = ui_.Log().size();
            button->click();
            ASSERT_EQ(ui_.Log().size(), before + 1);
            EXPECT_EQ(ui_.Log().back().Text, c.warning);
            EXPECT_EQ(ui_.Log().back().MsgType, TMsgDlgType::mtWarning);
            EXPECT_EQ(window_->DBChart->CountSeries(), 1);
            EXPECT_EQ(table_.FieldByName("ID").AsInteger(), 4) << "the current record stays";
        }
    }
    EXPECT_NE(dynamic_cast<TLineSeries*>(LastSeries()), nullptr);

    const std::size_t messages = ui_.Log().size();
    Append({5, 2024, 4, 1, 3, "Eva"});  // no message: the post and the remaining series go on
    EXPECT_EQ(LastSeries()->PointCount(), 5);
    EXPECT_EQ(ui_.Log().size(), messages);
}

// A memo field holds text: it is refused for either axis by name, unless its texts are numbers.
TEST(GraphFieldRefusal, NamesTheFieldAndTheFirstValueThatIsNoNumber)
{
    qbtest::TempDir dir;
    TTable table;
    table.SetTableName(dir.file("notes.dbf"));
    table.FieldDefs().Add("ID", ftInteger).Precision = 4;
    table.FieldDefs().Add("NOTES", ftMemo);
    table.FieldDefs().Add("COUNT", ftString, 8);
    table.CreateTable();
    table.Open();
    const std::pair<const char*, const char*> records[] = {{"12", "3"}, {"windy morning", "4"}, {"7", "5"}};
    int id = 0;
    for (const auto& [note, count] : records) {
        table.Append();
        table.FieldByName("ID").SetAsInteger(++id);
        table.FieldByName("NOTES").SetAsString(note);
        table.FieldByName("COUNT").SetAsString(count);
        table.Post();
    }
    table.First();
    EXPECT_EQ(GraphFieldRefusal(table, "NOTES", "Y"),
              "The Y field NOTES holds \"windy morning\", which is not a number: choose a field of numbers or dates.");
    EXPECT_EQ(table.FieldByName("ID").AsInteger(), 1) << "the current record stays";
    EXPECT_EQ(GraphFieldRefusal(table, "COUNT", "X"), "") << "texts that are numbers";
    EXPECT_EQ(GraphFieldRefusal(table, "ID", "X"), "");
    table.Close();
}

TEST_F(FormTableGraphTest, ToolbarSavesAndCopiesThePictureOfTheChart)
{
    Choose("DAY", "SIZE", true);
    window_->BtnAddLine->click();
    QApplication::processEvents();
    ASSERT_GT(window_->DBChart->Width(), 100);

    // The save dialog's filter list names the two metafile kinds; find their places.
    ui_.Push(TUiAnswer::Cancel(TUiCallKind::SaveFile));
    static_cast<QAbstractButton*>(ToolbarButton(dcSave))->click();
    ASSERT_EQ(ui_.Log().size(), 1u);
    const std::string filter = ui_.Log().back().Text;
    auto indexOf = [&](const std::string& pattern) {
        int index = 0;
        std::size_t at = 0;
        for (int part = 0; at != std::string::npos; ++part, at = filter.find('|', at + 1))
            if (filter.compare(at ? at + 1 : 0, pattern.size(), pattern) == 0) return index = part / 2 + 1;
        return index;
    };
    const int emf = indexOf("*.emf"), wmf = indexOf("*.wmf");
    ASSERT_GT(emf, 0) << filter;
    ASSERT_GT(wmf, 0) << filter;

    const std::string svg = dir_.file("chart.svg");
    const struct Case {
        const char* file;
        int filterIndex;
        std::vector<std::string> convert;
    } cases[] = {
        {"strip.EMF", emf, {"/usr/bin/emf2svg-conv", "-i", dir_.file("strip.EMF"), "-o", svg}},
        {"strip.wmf", wmf, {"/usr/bin/wmf2svg", "-o", svg, dir_.file("strip.wmf")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ui_.Push(TUiAnswer::SaveFile(dir_.file(c.file), c.filterIndex));
        static_cast<QAbstractButton*>(ToolbarButton(dcSave))->click();
        Convert(c.convert);
        const std::string text = SvgText(svg);
        // The title, the date labels of the X axis, and a value of the legend.
        for (const char* shown : {"TDBChart", "2024", "-10.25"}) EXPECT_NE(text.find(shown), std::string::npos) << text;
    }

    QApplication::clipboard()->clear();
    static_cast<QAbstractButton*>(ToolbarButton(dcCopy))->click();
    const QImage copied = QApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(window_->DBChart->Width(), window_->DBChart->Height()));
}

TEST_F(FormTableGraphTest, ClosingTheWindowTakesItsSeriesAndLeavesTheDatasetAlone)
{
    Choose("ID", "SIZE");
    window_->BtnAddLine->click();
    window_->BtnAddPoints->click();
    window_->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(FormTable, nullptr);
    Append({5, 2024, 4, 1, 3, "Eva"});
    EXPECT_EQ(dbtest::Lines(dbtest::RunPython("from dbfread import DBF\nimport sys\nprint(len(DBF(sys.argv[1])))", {path_})),
              std::vector<std::string>{"5"});
}

}  // namespace
