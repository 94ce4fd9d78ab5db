#include <QProcess>
#include <fstream>

#include "chart/output/DuvExcelSource.h"
#include "chart/output/DuvSpreadsheet.h"
#include "chart/engine/support_ChartEngine.h"
#include "chart/engine/DuvProcs.h"
#include "support_DBChartTest.h"
#include "support_SmoothCanvas.h"

using namespace outputtest;
using enginetest::ComponentTextOf;
using enginetest::ReadComponentText;

namespace {

// Two workbooks with the same cells, written by the real libraries: openpyxl (.xlsx) and xlwt
// (.xls). Sheet "Intro" first, then "Data":
//   A1:A10 1..10, B1:B10 2..20, C1:C10 "p1".."p10", E1:E3 1, "abc", 3, F1:F20 1..20,
//   A25:J25 10..100; the .xlsx also has D1 = B1*2 with its stored result 4 and a text D2 "2.5".
constexpr const char* kWriteWorkbooks = R"(
import re, sys, zipfile
import openpyxl, xlwt
folder = sys.argv[1]
def cells():
    for r in range(10):
        yield r, 0, r + 1
        yield r, 1, 2 * (r + 1)
        yield r, 2, 'p%d' % (r + 1)
    for r, v in enumerate([1, 'abc', 3]):
        yield r, 4, v
    for r in range(20):
        yield r, 5, r + 1
    for c in range(10):
        yield 24, c, 10 * (c + 1)
book = openpyxl.Workbook()
book.active.title = 'Intro'
book['Intro']['A1'] = 'nothing here'
sheet = book.create_sheet('Data')
for r, c, v in cells():
    sheet.cell(row=r + 1, column=c + 1, value=v)
sheet['D1'] = '=B1*2'
sheet['D2'] = '2.5'
book.save(folder + '/plain.xlsx')
# openpyxl stores no formula results; give D1 the one a spreadsheet program would store.
with zipfile.ZipFile(folder + '/plain.xlsx') as z:
    parts = {n: z.read(n) for n in z.namelist()}
name = 'xl/worksheets/sheet2.xml'
text = parts[name].decode()
text, n = re.subn(r'(<c r="D1"[^>]*>\s*<f>B1\*2</f>)\s*(<v\s*/>|<v></v>)?', r'\1<v>4</v>', text)
assert n == 1, text[:400]
parts[name] = text.encode()
with zipfile.ZipFile(folder + '/formula.xlsx', 'w', zipfile.ZIP_DEFLATED) as z:
    for n, data in parts.items():
        z.writestr(n, data)
xls = xlwt.Workbook()
xls.add_sheet('Intro').write(0, 0, 'nothing here')
data = xls.add_sheet('Data')
for r, c, v in cells():
    data.write(r, c, v)
xls.save(folder + '/plain.xls')
)";

class ExcelSourceTest : public testing::Test {
protected:
    ExcelSourceTest()
    {
        StartOutputModules();
        QProcess python;
        python.start("/usr/bin/python3", {"-c", kWriteWorkbooks, QString::fromStdString(dir_.path().string())});
        python.waitForFinished(60000);
        if (python.exitCode() != 0) ADD_FAILURE() << python.readAllStandardError().toStdString();
        series_.SetParentChart(&chart_);
        source_.SetSeries(&series_);
    }
    ~ExcelSourceTest() override { source_.SetSeries(nullptr); }

    // Loads FileName/WorkSheet with the values range and the labels range.
    void Load(const std::string& file, const std::string& from, const std::string& to, const std::string& labelsFrom = {},
              const std::string& labelsTo = {}, const std::string& sheet = "Data")
    {
        source_.SetFileName(dir_.file(file));
        source_.SetWorkSheet(sheet);
        source_.SetRangeFrom(from);
        source_.SetRangeTo(to);
        source_.SetLabelsFrom(labelsFrom);
        source_.SetLabelsTo(labelsTo);
        source_.LoadData();
    }
    std::vector<double> Ys() const
    {
        std::vector<double> values;
        for (int i = 0; i < series_.PointCount(); ++i) values.push_back(series_.GetYValue(i));
        return values;
    }

    qbtest::TempDir dir_;
    TDBChart chart_;
    TDBTestSeries series_;
    TDuvExcelSource source_;
};

std::vector<double> Range(double first, double step, int count)
{
    std::vector<double> values;
    for (int i = 0; i < count; ++i) values.push_back(first + step * i);
    return values;
}

}  // namespace

TEST_F(ExcelSourceTest, RangesOfBothFormats)
{
    struct Case {
        const char* From;
        const char* To;
        std::vector<double> Expected;
    } const cases[] = {
        {"A1", "A10", Range(1, 1, 10)},
        {"A25", "J25", Range(10, 10, 10)},
        {"A1", "B10", {1, 2}},  // a block gives its first row
        {"a10", "$A$1", Range(1, 1, 10)},
    };
    for (const char* file : {"plain.xlsx", "plain.xls"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(file) + " " + c.From + ":" + c.To);
            Load(file, c.From, c.To);
            EXPECT_EQ(Ys(), c.Expected);
            for (int i = 0; i < series_.PointCount(); ++i) EXPECT_EQ(series_.GetXValue(i), i);
        }
    }
}

TEST_F(ExcelSourceTest, LabelsFurtherListsAndTheValueSourceRange)
{
    for (const char* file : {"plain.xlsx", "plain.xls"}) {
        SCOPED_TRACE(file);
        series_.YValues()->SetValueSource("B1:B10");
        // Twenty cells for ten points: the rest is cut.
        series_.XValues()->SetValueSource("F1:F20");
        Load(file, "", "", "C1", "C10");
        EXPECT_EQ(Ys(), Range(2, 2, 10));
        ASSERT_EQ(series_.PointCount(), 10);
        for (int i = 0; i < 10; ++i) {
            std::string label;
            series_.GetStoredLabel(i, label);
            EXPECT_EQ(label, "p" + std::to_string(i + 1));
            EXPECT_EQ(series_.GetXValue(i), i + 1);
        }
        series_.YValues()->SetValueSource("");
        series_.XValues()->SetValueSource("");
    }
}

// The whole range is read first: a text cell leaves the series as it was.
TEST_F(ExcelSourceTest, TextCellLeavesTheSeries)
{
    for (const char* file : {"plain.xlsx", "plain.xls"}) {
        SCOPED_TRACE(file);
        Load(file, "A1", "A3");
        EXPECT_THROW(Load(file, "E1", "E3"), EConvertError);
        EXPECT_EQ(Ys(), (std::vector<double>{1, 2, 3}));
        // A single cell is no range: nothing changes.
        Load(file, "A5", "A5");
        EXPECT_EQ(Ys(), (std::vector<double>{1, 2, 3}));
    }
}

TEST_F(ExcelSourceTest, FormulaResultsTextNumbersAndSheets)
{
    Load("formula.xlsx", "D1", "D2");
    EXPECT_EQ(Ys(), (std::vector<double>{4, 2.5}));
    for (const char* file : {"plain.xlsx", "plain.xls"}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(WorkbookSheetNames(dir_.file(file)), (std::vector<std::string>{"Intro", "Data"}));
        Load(file, "A1", "A2", {}, {}, "2");
        EXPECT_EQ(Ys(), (std::vector<double>{1, 2}));
        Load(file, "B1", "B2", {}, {}, "data");
        EXPECT_EQ(Ys(), (std::vector<double>{2, 4}));
        EXPECT_THROW(Load(file, "A1", "A2", {}, {}, "3"), ESpreadsheetError);
        EXPECT_THROW(Load(file, "A1", "A2", {}, {}, "Nope"), ESpreadsheetError);
        EXPECT_EQ(Ys(), (std::vector<double>{2, 4}));
    }
}

TEST_F(ExcelSourceTest, BadInput)
{
    source_.SetFileName("");
    try {
        source_.LoadData();
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Excel file empty");
    }
    EXPECT_THROW(Load("plain.xlsx", "A0", "A3"), ESpreadsheetError);
    EXPECT_THROW(Load("plain.xlsx", "A1", "XFE1"), ESpreadsheetError);
    EXPECT_THROW(Load("missing.xlsx", "A1", "A3"), ESpreadsheetError);
    std::ofstream(dir_.file("junk.xlsx")) << "PK not a zip at all";
    EXPECT_THROW(Load("junk.xlsx", "A1", "A3"), ESpreadsheetError);
    std::ofstream(dir_.file("junk.xls")) << "neither";
    EXPECT_THROW(Load("junk.xls", "A1", "A3"), ESpreadsheetError);
}

// A source saved with its owner comes back linked to the same chart and series; it reads its
// file only when the user refreshes it, and is written back as active meanwhile.
TEST_F(ExcelSourceTest, SourceStreamsItsLinksAndWaitsForARefresh)
{
    RegisterClassForStreaming(TDBTestSeries::StaticClass());
    TComponent root(nullptr);
    root.SetName("Form1");
    auto* chart = new TDBChart(&root);
    chart->SetName("Chart1");
    auto* series = new TDBTestSeries(&root);
    series->SetName("Series1");
    series->SetParentChart(chart);
    auto* source = new TDuvExcelSource(&root);
    source->SetName("Source1");
    source->SetChart(chart);
    source->SetSeries(series);
    source->SetFileName(dir_.file("plain.xlsx"));
    source->SetWorkSheet("Data");
    source->SetRangeFrom("B1");
    source->SetRangeTo("B10");
    source->Open();
    ASSERT_EQ(series->PointCount(), 10);
    const std::string text = ComponentTextOf(root);
    for (const char* line : {"Active = True", "Chart = Chart1", "Series = Series1", "DataSource = Source1"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;

    TComponent copy(nullptr);
    ReadComponentText(copy, text);
    auto* readSource = dynamic_cast<TDuvExcelSource*>(copy.FindComponent("Source1"));
    auto* readSeries = dynamic_cast<TDBTestSeries*>(copy.FindComponent("Series1"));
    ASSERT_TRUE(readSource && readSeries);
    EXPECT_EQ(readSource->Chart(), copy.FindComponent("Chart1"));
    EXPECT_EQ(readSource->Series(), readSeries);
    EXPECT_EQ(readSeries->DataSourceCount(), 1);
    EXPECT_FALSE(readSource->Active());
    EXPECT_TRUE(readSource->WaitsForRefresh());
    EXPECT_EQ(readSeries->PointCount(), 0);
    EXPECT_EQ(ComponentTextOf(copy), text);
    readSource->Open();
    EXPECT_TRUE(readSource->Active());
    EXPECT_FALSE(readSource->WaitsForRefresh());
    EXPECT_EQ(readSeries->PointCount(), 10);
    EXPECT_EQ(readSeries->GetYValue(9), 20);
    EXPECT_EQ(ComponentTextOf(copy), text);
}

TEST(CellReferences, Parse)
{
    struct Case {
        const char* Text;
        bool Ok;
        int Row, Col;
    } const cases[] = {
        {"A1", true, 0, 0}, {"$B$10", true, 9, 1}, {"aa3", true, 2, 26}, {"XFD1048576", true, 1048575, 16383},
        {"XFE1", false, 0, 0}, {"A0", false, 0, 0}, {"1A", false, 0, 0}, {"", false, 0, 0}, {"A1B", false, 0, 0},
    };
    for (const Case& c : cases) {
        int row = -1, col = -1;
        EXPECT_EQ(ParseCellReference(c.Text, row, col), c.Ok) << c.Text;
        if (c.Ok) {
            EXPECT_EQ(row, c.Row) << c.Text;
            EXPECT_EQ(col, c.Col) << c.Text;
        }
    }
    EXPECT_THROW(CellRange("A1", "Z100000"), ESpreadsheetError);  // too many cells
}
