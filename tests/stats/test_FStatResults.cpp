// The statistics results window: its tables against numpy and scipy, read back from the saved
// file by Python's csv module, its layout, the quantile question and its popup commands.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QGuiApplication>
#include <QTabWidget>
#include <cmath>

#include "platform/core/CodePage.h"
#include "platform/core/NumText.h"
#include "platform/ui/ScriptedUiServices.h"
#include "platform/ui/StringGrid.h"
#include "stats/FStatResults.h"
#include "support/TestSupport.h"
#include "support_StatsJudges.h"

namespace {

class StatResults : public testing::Test {
protected:
    TScriptedUiServices ui;
    TScopedUiServices scope{ui};
    qbtest::TempDir dir;

    void SetUp() override { QuantileProbability = -1; }
    void TearDown() override
    {
        FreeFormStatResults();
        QuantileProbability = -1;
    }
    TFormStatResults& Form() { return FormStatResults(); }

    // Saves every page through the popup command; the file's rows as the csv module reads them.
    std::vector<std::string> SavedRows(const std::string& name = "results.csv")
    {
        ui.Push(TUiAnswer::SaveFile(dir.file(name)));
        Form().mnSaveresults1Click();
        return statstest::CsvRows(dir.file(name));
    }
    // Column 1.. of the row whose first cell is name, as numbers.
    static std::vector<double> RowNumbers(const std::vector<std::string>& rows, const std::string& name)
    {
        for (const std::string& row : rows) {
            if (row.rfind(name + "|", 0) != 0) continue;
            std::vector<double> values;
            std::string cell;
            std::istringstream in(row.substr(name.size() + 1));
            while (std::getline(in, cell, '|')) values.push_back(cell.empty() ? NAN : std::stod(cell));
            return values;
        }
        return {};
    }
};

void ExpectRelative(double ours, double judge, const std::string& what)
{
    EXPECT_LE(std::fabs(ours - judge), 1e-13 * std::max(1.0, std::fabs(judge))) << what << " " << ours << " " << judge;
}

}  // namespace

TEST_F(StatResults, BasicStatisticsAgreeWithNumpy)
{
    struct Case {
        std::vector<double> xs, ys;
        const char* answer;  // the quantile probability in percent
    };
    const Case cases[] = {
        {{1, 2, 3, 4}, {4, 3, 2, 1}, "25"},
        {statstest::SampleValues(1000, 7, -50, 150), statstest::SampleValues(1000, 8, 1e6, 1e6 + 1), "5"},
        {statstest::SampleValues(37, 9, 0, 1), statstest::SampleValues(37, 10, -1, 0), "12.5"},
    };
    for (const Case& c : cases) {
        QuantileProbability = -1;
        FreeFormStatResults();
        ui.Push(TUiAnswer::Input(c.answer));
        ShowBasicStatistics("Basic statistics", SortedFloatArray(c.xs), SortedFloatArray(c.ys));
        const std::vector<std::string> rows = SavedRows();
        const double p = std::stod(c.answer) / 100;
        ASSERT_GE(rows.size(), 2u);
        EXPECT_EQ(rows[0], "");
        EXPECT_EQ(rows[1], "[Basic statistics]");
        EXPECT_EQ(rows[2], "|X|Y");  // the fixed header row
        const std::string q = std::string("Q ") + c.answer, q2 = "Q " + FloatToStr(100 - std::stod(c.answer));
        for (int column = 0; column < 2; ++column) {
            const std::vector<double>& values = column == 0 ? c.xs : c.ys;
            const std::string file = dir.file("values.txt");
            statstest::WriteNumbers(file, values);
            const std::vector<double> numpy = statstest::JudgeNumbers({"moments", file, std::to_string(p)});
            ASSERT_EQ(numpy.size(), 9u);
            const char* names[] = {"Count", "Sum", "Average", "Standard deviation", "Minimum", "Maximum"};
            const double expected[] = {numpy[0], numpy[1], numpy[2], numpy[3], numpy[7], numpy[8]};
            for (int i = 0; i < 6; ++i) ExpectRelative(RowNumbers(rows, names[i]).at(column), expected[i], names[i]);
            ExpectRelative(RowNumbers(rows, q).at(column), numpy[4], q);
            ExpectRelative(RowNumbers(rows, "Median").at(column), numpy[5], "Median");
            ExpectRelative(RowNumbers(rows, q2).at(column), numpy[6], q2);
        }
    }
}

TEST_F(StatResults, TheExampleOfFourValues)
{
    QuantileProbability = 0.25;
    ShowBasicStatistics("Basic", {1, 2, 3, 4}, {1, 2, 3, 4});
    TStringGrid& grid = *Form().ActiveGrid();
    const std::vector<std::pair<std::string, std::string>> expected{
        {"Count", "4"},   {"Sum", "10"},     {"Average", "2.5"}, {"Standard deviation", "1.11803398874989"},
        {"Minimum", "1"}, {"Q 25", "1.75"}, {"Median", "2.5"},  {"Q 75", "3.25"},
        {"Maximum", "4"}};
    ASSERT_EQ(grid.RowCount(), 10);
    for (int row = 1; row < grid.RowCount(); ++row) {
        EXPECT_EQ(grid.Cells(0, row), expected[row - 1].first);
        EXPECT_EQ(grid.Cells(1, row), expected[row - 1].second);
    }
    EXPECT_EQ(grid.FixedRows(), 1);
    EXPECT_GE(grid.ColWidths(0), grid.TextWidth("Standard deviation") + 4);
    EXPECT_TRUE(ui.Log().empty());  // p was known
}

// The question stays until it gets a probability in its range; a cancelled box means 5 %.
TEST_F(StatResults, QuantileProbabilityIsAskedOnceUntilItIsInRange)
{
    const TUiAnswer ok = TUiAnswer::Press(mrOk);
    const TUiAnswer cancel = TUiAnswer::Cancel(TUiCallKind::Input);
    struct Case {
        std::vector<TUiAnswer> answers;
        double p;
        std::vector<std::string> refused;
    };
    const Case cases[] = {
        {{TUiAnswer::Input("5")}, 0.05, {}},
        {{cancel}, 0.05, {}},
        {{TUiAnswer::Input("0.01")}, 0.0001, {}},
        {{TUiAnswer::Input("five"), ok, TUiAnswer::Input("10")}, 0.10, {"five"}},
        {{TUiAnswer::Input("60"), ok, TUiAnswer::Input("0"), ok, TUiAnswer::Input(" 49.99 ")}, 0.4999, {"60", "0"}},
        {{TUiAnswer::Input(""), ok, TUiAnswer::Input("50"), ok, cancel}, 0.05, {"", "50"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refused.empty() ? "taken at once" : c.refused.front());
        QuantileProbability = -1;
        FreeFormStatResults();
        const size_t before = ui.Log().size();
        for (const TUiAnswer& answer : c.answers) ui.Push(answer);
        ShowBasicStatistics("Basic", {1, 2, 3}, {1, 2, 3});
        EXPECT_DOUBLE_EQ(QuantileProbability, c.p);
        ASSERT_EQ(ui.Log().size(), before + c.answers.size());
        std::vector<std::string> warnings;
        for (size_t i = before; i < ui.Log().size(); ++i) {
            const TUiCall& call = ui.Log()[i];
            if (call.Kind == TUiCallKind::Message) {
                EXPECT_EQ(call.MsgType, TMsgDlgType::mtWarning);
                warnings.push_back(call.Text);
                continue;
            }
            EXPECT_EQ(call.Caption, "Quantile calculation");
            EXPECT_EQ(call.Text, "Probability 0.01 .. 49.99 %");
        }
        ASSERT_EQ(warnings.size(), c.refused.size());
        for (size_t i = 0; i < warnings.size(); ++i)
            EXPECT_EQ(warnings[i], "\"" + c.refused[i] + "\" is not a probability from 0.01 to 49.99 %.");
        EXPECT_EQ(ui.Log()[before].Default, "5");
        EXPECT_EQ(Form().ActiveGrid()->RowCount(), 10);
        EXPECT_EQ(Form().ActiveGrid()->Cells(0, 6), "Q " + FloatToStr(c.p * 100));
        ShowBasicStatistics("Basic", {1, 2, 3}, {1, 2, 3});
        EXPECT_EQ(ui.Log().size(), before + c.answers.size()) << "asked again";
    }
}

TEST_F(StatResults, CorrelationAgreesWithScipy)
{
    const std::vector<double> xs = statstest::SampleValues(60, 3, 0, 10), noise = statstest::SampleValues(60, 4, -3, 3);
    TStatistics engine;
    std::vector<double> pairs;
    for (size_t i = 0; i < xs.size(); ++i) {
        engine.AddPoint(xs[i], 0.5 * xs[i] + noise[i]);
        pairs.push_back(xs[i]);
        pairs.push_back(0.5 * xs[i] + noise[i]);
    }
    engine.Calculate(1);
    ShowCorrelation("Correlation", engine);
    const std::vector<std::string> rows = SavedRows();
    const std::string file = dir.file("pairs.txt");
    statstest::WriteNumbers(file, pairs);
    const std::vector<double> scipy = statstest::JudgeNumbers({"pearson", file});
    ASSERT_EQ(scipy.size(), 3u);
    // An empty first line, the bracketed caption, the empty row 0 of a two-column page.
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0], "");
    EXPECT_EQ(rows[1], "[Correlation]");
    EXPECT_EQ(rows[2], "|");
    EXPECT_EQ(rows[5], "Count|60");
    ExpectRelative(RowNumbers(rows, "Correlation (r)").at(0), scipy[0], "r");
    EXPECT_NEAR(RowNumbers(rows, "Probability (P %)").at(0), scipy[1], 1e-9);
    EXPECT_EQ(RowNumbers(rows, "Count").at(0), scipy[2]);
}

TEST_F(StatResults, CopyGivesThePageWithTabs)
{
    TStatistics engine;
    for (double x : {1.0, 2.0, 3.0}) engine.AddPoint(x, 2 * x);
    engine.Calculate(1);
    ShowCorrelation("Correlation of ř", engine);
    TStringGrid& grid = *Form().ActiveGrid();
    EXPECT_EQ(grid.RowCount(), 4);  // row 0 stays empty
    EXPECT_EQ(grid.FixedRows(), 0);
    QGuiApplication::clipboard()->clear();
    Form().mnCopy1Click();
    const std::string text = QGuiApplication::clipboard()->text().toStdString();
    EXPECT_EQ(text, "[Correlation of ř]\r\n\t\r\nCorrelation (r)\t1\r\nProbability (P %)\t100\r\nCount\t3");
    EXPECT_EQ(text, Form().PageText(grid, "\t"));
}

TEST_F(StatResults, SavedFileLayoutInTheProgramCodePage)
{
    QuantileProbability = 0.6;
    ShowBasicStatistics("Řada A", {1, 2}, {3, 4});
    TStatistics engine;
    for (double x : {1.0, 2.0, 4.0}) engine.AddPoint(x, x);
    engine.Calculate(1);
    ShowCorrelation("Second", engine);
    ui.Push(TUiAnswer::SaveFile(dir.file("two.csv")));
    Form().mnSaveresults1Click();
    const std::string bytes = qbtest::ReadFileBytes(dir.file("two.csv"));
    EXPECT_EQ(bytes, Utf8ToAnsi("\r\n[Řada A]\r\n;X;Y\r\nCount;2;2\r\nSum;3;7\r\nAverage;1.5;3.5\r\n"
                                "Standard deviation;0.5;0.5\r\nMinimum;1;3\r\nMedian;1.5;3.5\r\nMaximum;2;4"
                                "\r\n;;\r\n;;\r\n"
                                "[Second]\r\n;\r\nCorrelation (r);1\r\nProbability (P %);100\r\nCount;3\r\n"));
    const std::vector<std::string> rows = statstest::CsvRows(dir.file("two.csv"));
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows[1], "[Řada A]");  // the csv module, reading Windows-1250, sees the caption
    const TUiCall& dialog = ui.Log().back();
    EXPECT_EQ(dialog.Caption, "Save results as");
    EXPECT_EQ(dialog.Text, "Delimited text|*.csv|Any file|*.*");
}

TEST_F(StatResults, CommandsWithoutAPageDoNothing)
{
    Form().mnCopy1Click();
    Form().mnSaveresults1Click();
    Form().mnClosepage1Click();
    EXPECT_EQ(Form().PageCount(), 0);
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(StatResults, ClosePageFreesTheActivePage)
{
    QuantileProbability = 0.6;
    ShowBasicStatistics("A", {1, 2}, {1, 2});
    ShowBasicStatistics("B", {1, 2}, {1, 2});
    Form().PageControl->setCurrentIndex(0);
    Form().mnClosepage1Click();
    ASSERT_EQ(Form().PageCount(), 1);
    EXPECT_EQ(Form().PageCaption(*Form().Page(0)), "B");
}

TEST_F(StatResults, BrokenLineResultUpdatesItsPage)
{
    TBreakPointRecord record;
    record.BreakPoint = 4.5;
    record.Count1 = 4;
    record.Count2 = 16;
    record.Correlation1 = 0.5;
    record.Correlation2 = -0.25;
    record.ResidualSum1 = 16;
    record.ResidualSum2 = 4;
    record.Intercept1 = 1;
    record.Slope1 = 2;
    record.Intercept2 = 3;
    record.Slope2 = 4;
    for (int k = 0; k < 6; ++k) record.Statistics[k] = k == 3 ? MissingValue : k + 0.5L;
    ShowBrokenLineResult("Broken line", record);
    record.BreakPoint = 5.5;
    ShowBrokenLineResult("Broken line", record);
    ASSERT_EQ(Form().PageCount(), 1);
    const std::string text = Form().PageText(*Form().ActiveGrid(), ";");
    EXPECT_EQ(text,
              "[Broken line]\r\n;;;\r\nSubset;1;2;\r\nCount;4;16;\r\nCorrelation;0.5;-0.25;\r\nRMSD;2;0.5;1\r\n"
              "Regression intercept;1;3;\r\nRegression slope;2;4;\r\nBreak point;;;5.5\r\n"
              "Difference of estimation in BP;;;0.5\r\nCommon point;;;1.5\r\nCorrelation difference;;;2.5\r\n"
              "F test;;;4.5\r\nProbability of F;;;5.5");  // both lines' RMSD shares the subsets' row
}

// Every text shows whole: a column is as wide as its widest text, header or value, and the window
// grows to show all columns where the screen allows. A text wider than the screen is cut at the
// screen's width and the grid scrolls to it. No strip of Qt's own stands above the header row.
TEST_F(StatResults, ColumnsAreAsWideAsTheirTextsWithinTheScreen)
{
    QuantileProbability = 0.05;
    ShowBasicStatistics("Basic statistics", SortedFloatArray({1.0 / 3, 2.0 / 3, 1e-7 / 3}),
                        SortedFloatArray({12345.678901234, -2.0 / 7, 3}));
    TBreakPointRecord record;
    record.BreakPoint = 4.0 / 3;
    record.Count1 = 4;
    record.Count2 = 16;
    record.Correlation1 = 0.123456789012345;
    record.Correlation2 = -0.25 / 3;
    record.ResidualSum1 = 16.0 / 7;
    record.ResidualSum2 = 4;
    record.Intercept1 = 1.0 / 9;
    record.Slope1 = 2;
    record.Intercept2 = -3e-12 / 7;
    record.Slope2 = 4;
    for (int k = 0; k < 6; ++k) record.Statistics[k] = (k + 0.5L) / 3;
    ShowBrokenLineResult("Broken line 3", record);
    const QRect screen = Form().screen()->availableGeometry();

    for (int page = 0; page < Form().PageCount(); ++page) {
        TStringGrid& grid = *Form().Page(page);
        SCOPED_TRACE(Form().PageCaption(grid));
        EXPECT_FALSE(grid.horizontalHeader()->isVisible()) << "one header row";
        const QFontMetrics metrics(grid.font());
        const int margins = 2 * (grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid) + 1);
        int total = 0;
        for (int column = 0; column < grid.ColCount(); ++column) {
            total += grid.ColWidths(column);
            for (int row = 0; row < grid.RowCount(); ++row) {
                const QString text = QString::fromStdString(grid.Cells(column, row));
                EXPECT_LE(metrics.horizontalAdvance(text) + margins, grid.ColWidths(column))
                    << text.toStdString() << " is cut";
            }
        }
        Form().PageControl->setCurrentIndex(page);
        QApplication::processEvents();
        if (total + 100 < screen.width()) {
            EXPECT_GE(grid.viewport()->width(), total) << "columns out of sight";
        }
    }

    TStringGrid& wide = *Form().AddResultsPage("Wide", 2, 2);
    SetRowFloat(wide, std::string(400, 'W'), 1);
    Form().FitActivePage();
    Form().show();
    QApplication::processEvents();
    EXPECT_LT(wide.ColWidths(0), screen.width());
    EXPECT_LE(Form().frameGeometry().width(), screen.width());
    EXPECT_GT(wide.horizontalScrollBar()->maximum(), 0) << "the grid scrolls to the rest";
}

TEST_F(StatResults, HistogramRowsFollowTheQuantileProbability)
{
    for (double p : {0.1, 0.6}) {
        QuantileProbability = p;
        ShowHistogram("Histogram", 7, 9.5, 0.5, 10, 0, 2.5, 5, 120);
        const std::string text = Form().PageText(*Form().ActiveGrid(), ";");
        const std::string quantiles = p < 0.5 ? "\r\nQ 10;0.5\r\nQ 90;9.5" : "";
        EXPECT_EQ(text, "[Histogram]\r\n;\r\nCount of classes;7\r\nWeight total;120\r\nAverage;5\r\nStd;2.5"
                        "\r\nMinimum;0" + quantiles + "\r\nMaximum;10");
    }
}

TEST(MeanStdDev, DeviationNeverBelowZeroNorNaN)
{
    struct Case {
        TFloatArray values;
        long double mean, deviation;
    };
    const Case cases[] = {
        {{2000.3, 2000.3, 2000.3}, 2000.3, 0},
        {TFloatArray(1000, 1e9 + 0.1), 1e9 + 0.1, 0},
        {{1, 2, 3, 4}, 2.5, std::sqrt(1.25L)},
        {{5}, 5, 0},
        {{}, 0, 0},
    };
    for (const Case& c : cases) {
        const TMeanStdDev m = ComputeMeanStdDev(c.values);
        EXPECT_EQ(m.Count, static_cast<int>(c.values.size()));
        EXPECT_NEAR(m.Mean, c.mean, 1e-6L);
        EXPECT_NEAR(m.StdDev, c.deviation, 1e-12L);
        EXPECT_FALSE(std::isnan(m.StdDev));
    }
}
