// The broken-line window driven offscreen through the UI-services double: its scan against R on
// the same points, the graph lines, the extremes chooser, the results page, "Find and set", Draw,
// the BP graph, the defaults, bad edits and the refusals of a scan.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <cmath>
#include <fstream>
#include <sstream>

#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/support_ChartEngine.h"
#include "chart/engine/widgets/DuvPanelHost.h"
#include "chart/series/Series.h"
#include "chart/series/support_SeriesTest.h"
#include "platform/core/DotDecimal.h"
#include "platform/core/NumText.h"
#include "platform/ui/Application.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/ScriptedUiServices.h"
#include "platform/ui/StringGrid.h"
#include "stats/FBrokenLine.h"
#include "stats/FGraph.h"
#include "stats/FStatResults.h"
#include "support/TestSupport.h"
#include "support_StatsJudges.h"

namespace {

struct TPoints {
    std::vector<double> xs, ys;
};

// X = 1 .. count; Y bends at X = bend from slope 0.5 to slope 3, with noise.
TPoints BentLine(int count, double bend, unsigned seed)
{
    const std::vector<double> noise = statstest::SampleValues(count, seed, -1, 1);
    TPoints points;
    for (int i = 1; i <= count; ++i) {
        const double x = i;
        points.xs.push_back(x);
        points.ys.push_back((x <= bend ? 0.5 * x : 0.5 * bend + 3 * (x - bend)) + noise[i - 1]);
    }
    return points;
}

class BrokenLine : public testing::Test {
public:
    void SetUp() override
    {
        seriestest::StartSeriesModules();
        LibraryModes = {};
        series = seriestest::AddSeriesTo<TPointSeries>(*chart);
    }
    void TearDown() override
    {
        for (QPointer<TFormBrokenLine>& form : forms) delete form.data();
        delete FormGraph;
        FreeFormStatResults();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    TFormBrokenLine* Open(const TPoints& points)
    {
        series->ClearPoints();
        series->AddXYArrays(points.xs, points.ys);
        TFormBrokenLine* form = ShowBrokenLine(chart.get(), series);
        forms.push_back(form);
        return form;
    }
    static void Set(QLineEdit* edit, double value) { edit->setText(QText(FloatToStr(value))); }
    void Settings(TFormBrokenLine& form, double xMin, double xMax, double start, double stop, double step)
    {
        Set(form.EditXmin, xMin);
        Set(form.EditXmax, xMax);
        Set(form.EditBPstart, start);
        Set(form.EditBPstop, stop);
        Set(form.EditBPstep, step);
    }
    // A scan whose extremes chooser gets the answer.
    void Scan(TFormBrokenLine& form, const TUiAnswer& choice)
    {
        ui.Push(choice);
        form.btnCalculate->click();
    }
    // The messages and chooser items the window showed, in order.
    std::vector<std::string> Shown() const
    {
        std::vector<std::string> texts;
        for (const TUiCall& call : ui.Log()) texts.push_back(call.Text);
        return texts;
    }
    TLineSeries* GraphLine(int index) const { return static_cast<TLineSeries*>(FormGraph->Chart()->GetSeries(index)); }
    TStringGrid* ResultsPage(const std::string& caption) const
    {
        for (int i = 0; i < FormStatResults().PageCount(); ++i)
            if (FormStatResults().PageCaption(*FormStatResults().Page(i)) == caption) return FormStatResults().Page(i);
        return nullptr;
    }
    // R's lines for the points and settings: an empty vector for a step it leaves out.
    std::vector<std::vector<double>> JudgeByR(const TPoints& points, const std::vector<double>& settings)
    {
        {
            std::ofstream out(dir.file("points.txt"));
            out.precision(17);
            for (std::size_t i = 0; i < points.xs.size(); ++i) out << points.xs[i] << ' ' << points.ys[i] << '\n';
        }
        statstest::WriteNumbers(dir.file("settings.txt"), settings);
        std::istringstream output(enginetest::Run(
            {"Rscript", qbtest::DataPath("stats/brokenline_judge.R"), dir.file("points.txt"), dir.file("settings.txt")}));
        std::vector<std::vector<double>> lines;
        for (std::string line; std::getline(output, line);) {
            std::vector<double> values;
            std::istringstream words(line);
            for (std::string word; words >> word;)
                if (word != "NA") values.push_back(std::strtod(word.c_str(), nullptr));
            lines.push_back(values);
        }
        return lines;
    }

    TScriptedUiServices ui;
    TScopedUiServices scope{ui};
    qbtest::TempDir dir;
    TComponentPtr<seriestest::TTestChart> chart = MakeComponent<seriestest::TTestChart>();
    TPointSeries* series = nullptr;
    std::vector<QPointer<TFormBrokenLine>> forms;
};

void ExpectNear(long double ours, double theirs, const std::string& what)
{
    EXPECT_NEAR(static_cast<double>(ours), theirs, 1e-9 * std::max(1.0, std::fabs(theirs))) << what;
}

}  // namespace

// Twelve points give the range 1 to 12 and a scan from 4 to 8 by 1; the first step leaves 4
// points on the left and puts its break point in the middle of the gap. Below 10 points the
// window warns and keeps its edits empty, but opens.
TEST_F(BrokenLine, SetDefaultsAndTheWarningBelowTenPoints)
{
    TFormBrokenLine& form = *Open(BentLine(12, 6, 1));
    EXPECT_EQ(form.windowTitle(), "Broken Line Regression");
    EXPECT_EQ(FormBrokenLine, &form);
    const QLineEdit* edits[] = {form.EditXmin, form.EditXmax, form.EditBPstart, form.EditBPstop, form.EditBPstep};
    const char* expected[] = {"1", "12", "4", "8", "1"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(edits[i]->text().toStdString(), expected[i]) << i;
    EXPECT_EQ(form.EditLineWidth->text(), "1");
    EXPECT_EQ(form.LabelBP->text(), "-");

    Scan(form, TUiAnswer::Cancel(TUiCallKind::Choice));
    ASSERT_EQ(form.Records().size(), 5u);
    EXPECT_EQ(form.Records()[0].Count1, 4);
    EXPECT_EQ(form.Records()[0].Count2, 8);
    EXPECT_EQ(form.Records()[0].BreakPoint, 4.5);
    EXPECT_EQ(form.Records()[4].BreakPoint, 8.5);

    // X with more digits than the general number text: the edits still hold the exact values, so
    // the whole range counts and the first and last steps leave four points outside.
    TPoints thirds = BentLine(15, 6, 3);
    for (double& x : thirds.xs) x = x / 3 + 1e-9;
    TFormBrokenLine& fine = *Open(thirds);
    Scan(fine, TUiAnswer::Cancel(TUiCallKind::Choice));
    ASSERT_FALSE(fine.Records().empty());
    EXPECT_EQ(fine.Records().front().Count1, 4);
    EXPECT_EQ(fine.Records().back().Count2, 4);
    EXPECT_EQ(fine.Records().front().Count1 + fine.Records().front().Count2, 15);

    // Every control carries a name for assistive tools.
    for (QWidget* control : form.findChildren<QWidget*>()) {
        if (control->focusPolicy() != Qt::NoFocus || control == form.LabelBP) {
            EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
        }
    }

    for (int count : {9, 3, 0}) {
        ui.Push(TUiAnswer::Press(mrOk));
        TFormBrokenLine& small = *Open(BentLine(count, 6, 2));
        EXPECT_EQ(ui.Log().back().Text, "Too low count of data point (" + std::to_string(count) + ")");
        EXPECT_EQ(ui.Log().back().MsgType, TMsgDlgType::mtWarning);
        EXPECT_TRUE(small.EditXmin->text().isEmpty());
        EXPECT_TRUE(small.isVisible());
        EXPECT_EQ(FormBrokenLine, &small) << "the latest window";
    }
}

// Every step against R's lm and cor on the same subsets, the points outside the X range left
// out; the two graph lines hold U and F of each complete step; the extremes chooser names both
// maxima, and the chosen one fills the results page and the estimation edit.
TEST_F(BrokenLine, ScanAgainstR)
{
    TPoints points = BentLine(40, 23.5, 7);
    // Outside the range, and duplicates of X inside it.
    for (const auto& [x, y] : {std::pair{-5.0, 80.0}, {60.0, -40.0}, {10.0, 6.0}, {10.0, 4.5}, {31.0, 45.0}}) {
        points.xs.push_back(x);
        points.ys.push_back(y);
    }
    TFormBrokenLine& form = *Open(points);
    const std::vector<double> settings = {1, 40, 2.5, 38, 0.75};
    Settings(form, settings[0], settings[1], settings[2], settings[3], settings[4]);
    const int steps = 48;  // 2.5 + 47 * 0.75 = 37.75
    Scan(form, TUiAnswer::ChooseCase(1));

    const std::vector<std::vector<double>> r = JudgeByR(points, {settings[0], settings[1], settings[2], settings[4], steps});
    const std::vector<TBreakPointRecord>& records = form.Records();
    ASSERT_EQ(records.size(), static_cast<std::size_t>(steps));
    ASSERT_EQ(r.size(), records.size());
    std::vector<std::pair<double, double>> uPoints, fPoints;
    int complete = 0;
    for (int i = 0; i < steps; ++i) {
        const TBreakPointRecord& rec = records[i];
        const std::vector<double>& j = r[i];
        ASSERT_EQ(IsCompleteRecord(rec), !j.empty()) << i;
        if (j.empty()) {
            EXPECT_EQ(rec.BreakPoint, 0) << "an incomplete step stays all zero";
            continue;
        }
        ++complete;
        ASSERT_EQ(j.size(), 18u);
        const std::string at = "step " + std::to_string(i);
        EXPECT_EQ(rec.BreakPoint, j[0]) << at;
        EXPECT_EQ(rec.Count1, j[1]) << at;
        EXPECT_EQ(rec.Count2, j[2]) << at;
        const long double ours[] = {rec.Intercept1,   rec.Slope1,        rec.Intercept2,    rec.Slope2,
                                    rec.Correlation1, rec.Correlation2,  rec.ResidualSum1,  rec.ResidualSum2,
                                    rec.Statistics[0], rec.Statistics[1], rec.Statistics[2], rec.Statistics[3],
                                    rec.Statistics[4], rec.Statistics[5], rec.ResidualSumAll};
        for (int k = 0; k < 15; ++k) ExpectNear(ours[k], j[3 + k], at + " value " + std::to_string(k));
        uPoints.push_back({rec.BreakPoint, static_cast<double>(rec.Statistics[2])});
        fPoints.push_back({rec.BreakPoint, static_cast<double>(rec.Statistics[4])});
    }
    EXPECT_GT(complete, 30);
    EXPECT_LT(complete, steps) << "the first steps leave too few points on the left";

    ASSERT_NE(FormGraph, nullptr);
    TChart& graph = *FormGraph->Chart();
    EXPECT_EQ(graph.BottomAxis()->GetTitle()->Caption(), "Break point");
    EXPECT_EQ(graph.LeftAxis()->GetTitle()->Caption(), "Statistics");
    EXPECT_EQ(graph.Title()->Lines()[0], "Broken line");
    ASSERT_EQ(graph.CountSeries(), 2);
    const struct {
        const char* title;
        TColor colour;
        const std::vector<std::pair<double, double>>& points;
    } lines[] = {{"Correlation difference", clRed, uPoints}, {"F test", clBlack, fPoints}};
    for (int l = 0; l < 2; ++l) {
        TLineSeries& line = *GraphLine(l);
        EXPECT_EQ(line.Title(), lines[l].title);
        EXPECT_EQ(line.GetSeriesColor(), lines[l].colour);
        EXPECT_EQ(line.LinePen().Width(), 2);
        ASSERT_EQ(line.PointCount(), static_cast<int>(lines[l].points.size())) << lines[l].title;
        for (int p = 0; p < line.PointCount(); ++p) {
            EXPECT_EQ(line.XValues()->GetValueAt(p), lines[l].points[p].first);
            EXPECT_EQ(line.YValues()->GetValueAt(p), lines[l].points[p].second);
        }
    }

    // The first maxima win.
    int uIndex = -1, fIndex = -1;
    for (int i = 0; i < steps; ++i) {
        if (!IsCompleteRecord(records[i])) continue;
        if (uIndex < 0 || records[i].Statistics[2] > records[uIndex].Statistics[2]) uIndex = i;
        if (fIndex < 0 || records[i].Statistics[4] > records[fIndex].Statistics[4]) fIndex = i;
    }
    EXPECT_EQ(form.Extremes().UIndex, uIndex);
    EXPECT_EQ(form.Extremes().FIndex, fIndex);
    const TBreakPointRecord &u = records[uIndex], &f = records[fIndex];
    auto text = [](long double v) { return FloatToStr(static_cast<double>(v)); };
    const std::string items = "\"Correlation difference: U=" + text(u.Statistics[2]) + " (p=" + text(u.Statistics[3])
                              + ") BP=" + text(u.BreakPoint) + "\";\"Sum of squares: F=" + text(f.Statistics[4])
                              + " (p=" + text(f.Statistics[5]) + ") BP=" + text(f.BreakPoint) + "\"";
    ASSERT_EQ(ui.Log().size(), 1u);
    EXPECT_EQ(ui.Log()[0].Kind, TUiCallKind::Choice);
    EXPECT_EQ(ui.Log()[0].Caption, "Broken line");
    EXPECT_EQ(ui.Log()[0].Group, "Select type");
    EXPECT_EQ(ui.Log()[0].Default, "0");
    EXPECT_EQ(ui.Log()[0].Text, items);
    EXPECT_EQ(form.SelectedRecord(), fIndex);
    EXPECT_EQ(form.EditBPestim->text().toStdString(), text(f.BreakPoint));
    EXPECT_NE(ResultsPage("Broken line " + std::to_string(fIndex)), nullptr);
    EXPECT_EQ(form.LabelBP->text(), "-");
    EXPECT_TRUE(form.btnCalculate->isEnabled());
}

// The results page of a record: the subsets in columns 1 and 2, the break point and the
// statistics in column 3, and one "RMSD" row shared by all three columns.
TEST_F(BrokenLine, ResultsPageOfTheChosenRecord)
{
    TFormBrokenLine& form = *Open(BentLine(30, 14.5, 3));
    Scan(form, TUiAnswer::ChooseCase(0));
    const int index = form.Extremes().UIndex;
    const TBreakPointRecord& r = form.Records()[index];
    const TStringGrid* page = ResultsPage("Broken line " + std::to_string(index));
    ASSERT_NE(page, nullptr);
    std::map<std::string, int> rows;
    for (int row = 1; row < page->RowCount(); ++row) rows[page->Cells(0, row)] = row;
    auto cell = [&](const std::string& name, int column) {
        return rows.count(name) ? page->Cells(column, rows[name]) : std::string("(no row)");
    };
    auto number = [](long double v) { return DotFloatToStr(static_cast<double>(v)); };
    EXPECT_EQ(cell("Subset", 1), "1");
    EXPECT_EQ(cell("Subset", 2), "2");
    EXPECT_EQ(cell("Count", 1), std::to_string(r.Count1));
    EXPECT_EQ(cell("Count", 2), std::to_string(r.Count2));
    EXPECT_EQ(cell("Regression slope", 2), number(r.Slope2));
    EXPECT_EQ(cell("RMSD", 1), number(std::sqrt(r.ResidualSum1 / r.Count1)));
    EXPECT_EQ(cell("RMSD", 2), number(std::sqrt(r.ResidualSum2 / r.Count2)));
    EXPECT_EQ(cell("RMSD", 3), number(BrokenLineStatistic(r, 6)));
    EXPECT_EQ(cell("Break point", 3), number(r.BreakPoint));
    for (int k = 0; k < 6; ++k) EXPECT_EQ(cell(BrokenLineStatisticName(k), 3), number(r.Statistics[k])) << k;
    EXPECT_EQ(rows.size(), 13u) << "six subset rows, the break point and seven statistics, RMSD once";
}

// "Find and set" takes the first record whose gap holds the number; the gap of the last record
// counts too. Text that is no number clears the selection and leaves the edit; leaving the edit
// finds only after typing.
TEST_F(BrokenLine, FindAndSetByTheGapRule)
{
    TFormBrokenLine& form = *Open(BentLine(20, 10, 5));  // steps at 4 .. 16, break points 4.5 .. 16.5
    Scan(form, TUiAnswer::Cancel(TUiCallKind::Choice));
    ASSERT_EQ(form.Records().size(), 13u);
    struct Case {
        const char* typed;
        int record;
        const char* shown;
    };
    const Case cases[] = {
        {"4", 0, "4.5"},     {"4.99", 0, "4.5"},  {"5", 1, "5.5"},  {"16", 12, "16.5"},
        {"16.9", 12, "16.5"}, {"17", -1, ""},      {"3.9", -1, ""},  {"abc", -1, "abc"},
    };
    for (const Case& c : cases) {
        form.EditBPestim->setText(c.typed);
        form.FindSet1->trigger();
        EXPECT_EQ(form.SelectedRecord(), c.record) << c.typed;
        EXPECT_EQ(form.EditBPestim->text().toStdString(), c.shown) << c.typed;
    }
    form.EditBPestim->setText("7.2");
    form.EditBPestimExit();
    EXPECT_EQ(form.SelectedRecord(), -1) << "not typed: leaving the edit finds nothing";
    form.EditBPestimChange();
    form.EditBPestimExit();
    EXPECT_EQ(form.SelectedRecord(), 3);
    EXPECT_EQ(form.EditBPestim->text(), "7.5");

    form.EditBPestim->setText("9.1");
    form.EditBPestimChange();
    form.ShowStatistics1->trigger();
    EXPECT_EQ(form.SelectedRecord(), 5);
    EXPECT_NE(ResultsPage("Broken line 5"), nullptr);
}

// Draw adds one line series per subset to the series' chart, from its smallest to its largest X,
// in the chosen colour and width.
TEST_F(BrokenLine, DrawAddsTwoSegments)
{
    TFormBrokenLine& form = *Open(BentLine(24, 12, 9));
    Scan(form, TUiAnswer::ChooseCase(0));
    const TBreakPointRecord& r = form.Records()[form.SelectedRecord()];
    ui.Push(TUiAnswer::ChooseColor(0x00AA00));
    form.PanelColor->click();
    form.EditLineWidth->setText("3");
    const int before = chart->CountSeries();
    form.btnDraw->click();
    ASSERT_EQ(chart->CountSeries(), before + 2);
    const struct {
        long double minX, maxX, c0, c1;
    } subsets[2] = {{r.MinX1, r.MaxX1, r.Intercept1, r.Slope1}, {r.MinX2, r.MaxX2, r.Intercept2, r.Slope2}};
    for (int k = 0; k < 2; ++k) {
        auto* line = dynamic_cast<TLineSeries*>(chart->GetSeries(before + k));
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->Owner(), chart.get());
        EXPECT_EQ(line->Title(), "Set " + std::to_string(k + 1) + " regression");
        EXPECT_EQ(line->GetSeriesColor(), 0x00AA00);
        EXPECT_EQ(line->LinePen().Width(), 3);
        EXPECT_EQ(line->LinePen().Style(), psSolid);
        ASSERT_EQ(line->PointCount(), 2);
        const auto& s = subsets[k];
        EXPECT_EQ(line->XValues()->GetValueAt(0), static_cast<double>(s.minX));
        EXPECT_EQ(line->XValues()->GetValueAt(1), static_cast<double>(s.maxX));
        EXPECT_DOUBLE_EQ(line->YValues()->GetValueAt(0), static_cast<double>(s.c0 + s.c1 * s.minX));
        EXPECT_DOUBLE_EQ(line->YValues()->GetValueAt(1), static_cast<double>(s.c0 + s.c1 * s.maxX));
    }
}

// The BP graph draws the chosen statistic of every complete record as a grey line; its "Cancel"
// item draws nothing, and a dismissed chooser draws statistic 0.
TEST_F(BrokenLine, BPGraphForEachStatisticAndCancel)
{
    TFormBrokenLine& form = *Open(BentLine(24, 12, 4));
    form.btnBPgraph->click();
    EXPECT_TRUE(ui.Log().empty()) << "nothing before a calculation";
    Scan(form, TUiAnswer::Cancel(TUiCallKind::Choice));
    ASSERT_NE(FormGraph, nullptr);
    std::string items;
    for (int k = 0; k < 7; ++k) items += "\"" + BrokenLineStatisticName(k) + "\";";
    items += "Cancel";
    struct Case {
        TUiAnswer answer;
        int statistic;
    };
    std::vector<Case> cases;
    for (int k = 0; k < 7; ++k) cases.push_back({TUiAnswer::ChooseCase(k), k});
    cases.push_back({TUiAnswer::ChooseCase(7), -1});
    cases.push_back({TUiAnswer::Cancel(TUiCallKind::Choice), 0});
    for (const Case& c : cases) {
        const int before = FormGraph->Chart()->CountSeries();
        ui.Push(c.answer);
        form.btnBPgraph->click();
        EXPECT_EQ(ui.Log().back().Group, "Statistics to draw");
        EXPECT_EQ(ui.Log().back().Text, items);
        if (c.statistic < 0) {
            EXPECT_EQ(FormGraph->Chart()->CountSeries(), before);
            continue;
        }
        ASSERT_EQ(FormGraph->Chart()->CountSeries(), before + 1);
        TLineSeries& line = *GraphLine(before);
        EXPECT_EQ(line.Title(), BrokenLineStatisticName(c.statistic));
        EXPECT_EQ(line.GetSeriesColor(), clGray);
        EXPECT_EQ(line.LinePen().Width(), 2);
        int p = 0;
        for (const TBreakPointRecord& r : form.Records()) {
            if (!IsCompleteRecord(r)) continue;
            ASSERT_LT(p, line.PointCount());
            EXPECT_EQ(line.XValues()->GetValueAt(p), r.BreakPoint);
            EXPECT_EQ(line.YValues()->GetValueAt(p), static_cast<double>(BrokenLineStatistic(r, c.statistic)));
            ++p;
        }
        EXPECT_EQ(p, line.PointCount());
    }
}

// Text that is no number in any edit of the scan gives the conversion error and no scan.
TEST_F(BrokenLine, BadEditGivesTheConversionErrorAndNoScan)
{
    TFormBrokenLine& form = *Open(BentLine(20, 10, 6));
    for (QLineEdit* edit : {form.EditXmin, form.EditXmax, form.EditBPstart, form.EditBPstop, form.EditBPstep}) {
        const QString kept = edit->text();
        edit->setText("4,x");
        ui.Push(TUiAnswer::Press(mrOk));
        form.btnCalculate->click();
        EXPECT_EQ(ui.Log().back().MsgType, TMsgDlgType::mtError) << edit->objectName().toStdString();
        EXPECT_NE(ui.Log().back().Text.find("4,x"), std::string::npos) << ui.Log().back().Text;
        EXPECT_EQ(FormGraph, nullptr);
        EXPECT_TRUE(form.Records().empty());
        edit->setText(kept);
    }
    form.EditLineWidth->setText("wide");
    form.btnDraw->click();
    EXPECT_EQ(ui.Log().size(), 5u) << "Draw without a chosen record does nothing";
}

// A step that is not positive or vanishes beside the start is refused with a warning, as is a
// scan of more steps than a record list holds; rounding keeps the last step.
TEST_F(BrokenLine, StepsAreCountedOrRefused)
{
    struct Case {
        double start, stop, step;
        int count;  // -1 refused
    };
    const Case cases[] = {
        {1.1, 1.7, 0.1, 7}, {4, 8, 1, 5},  {0.3, 0.3, 0.1, 1},    {2, 1, 1, 0},           {0, 1, 0, -1},
        {0, 1, -0.5, -1},   {1e20, 2e20, 1, -1}, {0, 1e9, 1e-3, -1}, {0, 1, std::nan(""), -1},
    };
    for (const Case& c : cases) {
        TBreakPointSteps steps;
        const bool accepted = BreakPointSteps(c.start, c.stop, c.step, steps);
        EXPECT_EQ(accepted ? steps.Count : -1, c.count) << c.start << " " << c.stop << " " << c.step;
    }
    TFormBrokenLine& form = *Open(BentLine(20, 10, 6));
    const struct {
        const char* step;
        const char* warning;
    } refusals[] = {{"0", BreakPointStepRefused}, {"-1", BreakPointStepRefused}, {"1E-12", BreakPointStepsTooMany}};
    for (const auto& refusal : refusals) {
        form.EditBPstep->setText(refusal.step);
        ui.Push(TUiAnswer::Press(mrOk));
        form.btnCalculate->click();
        EXPECT_EQ(ui.Log().back().Text, refusal.warning) << refusal.step;
        EXPECT_EQ(FormGraph, nullptr);
    }
}

// Where both lines fit exactly F is no number: it is left out of the record's page and of the
// F line, and cannot win the extremes; with every step exact the chooser offers U alone. Halves
// of equal slope have no common point.
TEST_F(BrokenLine, ExactFitsAndParallelLinesLeaveTheirStatisticsOut)
{
    TPoints bent, straight, parallel;
    for (int i = 1; i <= 20; ++i) {
        const double x = i;
        bent.xs.push_back(x);
        bent.ys.push_back(x <= 10 ? 0.1 * x + 0.3 : 1.7 * x - 15.2);
        straight.xs.push_back(x);
        straight.ys.push_back(0.1 * x + 0.3);
        parallel.xs.push_back(x);
        parallel.ys.push_back(x <= 10 ? 0.7 * x + 0.1 : 0.7 * x + 2.9);
    }
    TFormBrokenLine& form = *Open(bent);
    Scan(form, TUiAnswer::ChooseCase(0));
    const std::vector<TBreakPointRecord>& records = form.Records();
    ASSERT_EQ(records.size(), 13u);  // break points 4.5 .. 16.5
    const TBreakPointRecord& exact = records[6];
    ASSERT_EQ(exact.BreakPoint, 10.5);
    EXPECT_TRUE(IsMissingValue(exact.Statistics[4]));
    EXPECT_TRUE(IsMissingValue(exact.Statistics[5]));
    for (std::size_t i = 0; i < records.size(); ++i)
        if (i != 6) {
            EXPECT_FALSE(IsMissingValue(records[i].Statistics[4])) << i;
        }
    EXPECT_NE(form.Extremes().FIndex, 6);
    EXPECT_EQ(GraphLine(0)->PointCount(), 13);
    EXPECT_EQ(GraphLine(1)->PointCount(), 12);
    form.EditBPestim->setText("10.2");
    form.EditBPestimChange();
    form.ShowStatistics1->trigger();
    const TStringGrid* page = ResultsPage("Broken line 6");
    ASSERT_NE(page, nullptr);
    for (int row = 1; row < page->RowCount(); ++row) {
        EXPECT_NE(page->Cells(0, row), "F test");
        EXPECT_NE(page->Cells(0, row), "Probability of F");
    }
    ui.Push(TUiAnswer::ChooseCase(1));
    form.btnBPgraph->click();
    EXPECT_EQ(GraphLine(2)->Title(), "Common point");

    TFormBrokenLine& line = *Open(straight);
    Scan(line, TUiAnswer::ChooseCase(0));
    EXPECT_EQ(line.Extremes().FIndex, -1);
    EXPECT_EQ(ui.Log().back().Text.find("Sum of squares"), std::string::npos) << ui.Log().back().Text;
    EXPECT_EQ(line.SelectedRecord(), line.Extremes().UIndex);

    TFormBrokenLine& halves = *Open(parallel);
    Scan(halves, TUiAnswer::Cancel(TUiCallKind::Choice));
    const TBreakPointRecord& split = halves.Records()[6];
    EXPECT_NEAR(static_cast<double>(split.Slope1), static_cast<double>(split.Slope2), 1e-12);
    EXPECT_TRUE(IsMissingValue(split.Statistics[1]));
}

// Steps whose subsets hold 3 points or fewer add nothing to the graph and take no part in the
// extremes; without any complete step the window says so and selects nothing.
TEST_F(BrokenLine, StepsWithTooFewPointsTakeNoPart)
{
    TFormBrokenLine& form = *Open(BentLine(20, 10, 8));
    Settings(form, 1, 20, 1, 19, 1);  // break points 1 .. 3 and 17 .. 19 leave 3 points or fewer
    Scan(form, TUiAnswer::ChooseCase(1));
    ASSERT_EQ(form.Records().size(), 19u);
    int complete = 0;
    for (const TBreakPointRecord& r : form.Records()) complete += IsCompleteRecord(r) ? 1 : 0;
    EXPECT_EQ(complete, 13);
    EXPECT_EQ(GraphLine(0)->PointCount(), 13);
    for (int p = 0; p < GraphLine(0)->PointCount(); ++p) EXPECT_NE(GraphLine(0)->XValues()->GetValueAt(p), 0);
    EXPECT_TRUE(IsCompleteRecord(form.Records()[form.Extremes().UIndex]));
    EXPECT_TRUE(IsCompleteRecord(form.Records()[form.Extremes().FIndex]));

    Settings(form, 1, 20, 1, 3, 1);
    ui.Push(TUiAnswer::Press(mrOk));
    form.btnCalculate->click();
    EXPECT_EQ(ui.Log().back().Text, NoCompleteBreakPoint);
    EXPECT_EQ(form.SelectedRecord(), -1);
    ui.Push(TUiAnswer::Press(mrOk));
    form.btnBPgraph->click();
    EXPECT_EQ(ui.Log().back().Text, NoCompleteBreakPoint);
    form.FindSet1->trigger();
    EXPECT_EQ(form.SelectedRecord(), -1);

    Settings(form, 1, 20, 5, 4, 1);  // no steps at all
    ui.Push(TUiAnswer::Press(mrOk));
    form.btnCalculate->click();
    EXPECT_TRUE(form.Records().empty());
    EXPECT_EQ(ui.Log().back().Text, NoCompleteBreakPoint);
    form.btnBPgraph->click();
    EXPECT_EQ(ui.Pending(), 0);
}

// Closing the graph window and scanning again gives a new graph window with the new lines only.
TEST_F(BrokenLine, ANewGraphWindowAfterTheOldOneClosed)
{
    TFormBrokenLine& form = *Open(BentLine(20, 10, 6));
    Scan(form, TUiAnswer::Cancel(TUiCallKind::Choice));
    Scan(form, TUiAnswer::Cancel(TUiCallKind::Choice));
    EXPECT_EQ(FormGraph->Chart()->CountSeries(), 4);
    QPointer<TFormGraph> old = FormGraph;
    FormGraph->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull());
    Scan(form, TUiAnswer::Cancel(TUiCallKind::Choice));
    ASSERT_NE(FormGraph, nullptr);
    EXPECT_EQ(FormGraph->Chart()->CountSeries(), 2);
}

// While the scan lets the message loop run, the window, the graph window, a graph line or the
// series may go: the scan ends at its next step, touches none of them and keeps the former
// records. Calculate is disabled while the scan runs.
TEST_F(BrokenLine, InterruptionsEndTheScan)
{
    struct Case {
        const char* what;
        std::function<void(BrokenLine&, TFormBrokenLine*)> interrupt;
        bool formGoes;
    };
    const Case cases[] = {
        {"closing the window", [](BrokenLine&, TFormBrokenLine* form) { form->close(); }, true},
        {"deleting the window", [](BrokenLine&, TFormBrokenLine* form) { delete form; }, true},
        {"closing the graph window", [](BrokenLine&, TFormBrokenLine*) { FormGraph->close(); }, false},
        {"deleting the graph window", [](BrokenLine&, TFormBrokenLine*) { delete FormGraph; }, false},
        {"deleting a graph line", [](BrokenLine&, TFormBrokenLine*) { FreeComponent(FormGraph->Chart()->GetSeries(1)); }, false},
        {"deleting the series",
         [](BrokenLine& test, TFormBrokenLine*) {
             FreeComponent(test.series);
             test.series = nullptr;
         },
         false},
        {"deleting the chart",
         [](BrokenLine& test, TFormBrokenLine*) {
             test.series = nullptr;
             test.chart.reset();
         },
         false},
    };
    for (const Case& c : cases) {
        if (!chart) chart = MakeComponent<seriestest::TTestChart>();
        if (!series) series = seriestest::AddSeriesTo<TPointSeries>(*chart);
        QPointer<TFormBrokenLine> form = Open(BentLine(3000, 1500, 10));
        bool sawScan = false;
        QTimer::singleShot(0, [&] {
            sawScan = form->Scanning() && !form->btnCalculate->isEnabled();
            c.interrupt(*this, form.data());
        });
        TFormBrokenLine* raw = form.data();
        RunHandler([raw] { raw->btnCalculateClick(); });
        EXPECT_TRUE(sawScan) << c.what;
        EXPECT_TRUE(ui.Log().empty()) << c.what << ": no chooser after an interrupted scan";
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(form.isNull(), c.formGoes) << c.what;
        if (form) {
            EXPECT_FALSE(form->Scanning()) << c.what;
            EXPECT_TRUE(form->btnCalculate->isEnabled()) << c.what;
            EXPECT_EQ(form->LabelBP->text(), "-") << c.what;
            EXPECT_TRUE(form->Records().empty()) << c.what;
            delete form.data();
        }
        delete FormGraph;
    }
}

// The graph repaints at the screen's pace while the points arrive, not once per step, and
// repaints by itself again after the scan.
TEST_F(BrokenLine, TheGraphRepaintsAtScreenPace)
{
    TFormBrokenLine& form = *Open(BentLine(3000, 1500, 12));
    ShowGraph();
    struct TPaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint) ++paints;
            return false;
        }
    } counter;
    FormGraph->ChartHost->installEventFilter(&counter);
    QElapsedTimer clock;
    clock.start();
    Scan(form, TUiAnswer::Cancel(TUiCallKind::Choice));
    const qint64 elapsed = clock.elapsed();
    EXPECT_LE(counter.paints, 3 + elapsed / 30) << "paints in " << elapsed << " ms";
    EXPECT_LT(counter.paints, static_cast<int>(form.Records().size()) / 10);
    EXPECT_TRUE(FormGraph->Chart()->AutoRepaint);
    FormGraph->ChartHost->removeEventFilter(&counter);
}
