// The analysis commands of the chart properties dialog: where they stand in the series popup,
// that each opens its window on the selected series' points, and the weighted histogram against
// a hand-made table and numpy.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QWindow>
#include <cmath>
#include <cstdio>
#include <functional>

#include "chart/series/Series.h"
#include "platform/core/DotDecimal.h"
#include "platform/core/NumText.h"
#include "platform/ui/StringGrid.h"
#include "platform/ui/WindowFit.h"
#include "stats/FAddRegression.h"
#include "stats/FBrokenLine.h"
#include "stats/FSeriesTransform.h"
#include "stats/FStatResults.h"
#include "support_ChartProp.h"
#include "support_StatsJudges.h"

namespace {

using statstest::MenuItem;

class ChartPropAnalysis : public statstest::ChartPropFixture {
protected:
    void SetUp() override
    {
        ChartPropFixture::SetUp();
        CloseWindows();
    }
    void TearDown() override
    {
        CloseWindows();
        ChartPropFixture::TearDown();
    }
    // The windows the commands open, and the quantile probability not yet asked.
    static void CloseWindows()
    {
        FreeFormStatResults();
        delete FormAddRegression;
        delete FormSeriesTransform;
        delete FormBrokenLine;
        QuantileProbability = -1;
    }

    // A point series whose points stay in the order added.
    TPointSeries* AddUnordered(const std::string& title, const std::vector<double>& xs, const std::vector<double>& ys)
    {
        auto* series = Add<TPointSeries>(title);
        series->XValues()->SetOrder(loNone);
        for (std::size_t i = 0; i < xs.size(); ++i) series->AddPointXY(xs[i], ys[i]);
        return series;
    }

    // The results page of that caption; nullptr when there is none.
    static TStringGrid* Page(const std::string& caption)
    {
        TFormStatResults& results = FormStatResults();
        for (int i = 0; i < results.PageCount(); ++i)
            if (results.PageCaption(*results.Page(i)) == caption) return results.Page(i);
        return nullptr;
    }
    // The named rows of a page, top down, with their column-1 numbers.
    static std::vector<std::pair<std::string, double>> Rows(const TStringGrid& grid)
    {
        std::vector<std::pair<std::string, double>> rows;
        for (int row = 1; row < grid.RowCount(); ++row)
            if (!grid.Cells(0, row).empty()) rows.emplace_back(grid.Cells(0, row), DotStrToFloat(grid.Cells(1, row)));
        return rows;
    }
    static double Cell(const TStringGrid& grid, const std::string& name, int column)
    {
        for (int row = 1; row < grid.RowCount(); ++row)
            if (grid.Cells(0, row) == name) return DotStrToFloat(grid.Cells(column, row));
        ADD_FAILURE() << "no row " << name;
        return NAN;
    }
};

void ExpectClose(double ours, double judge, double relative, const std::string& what)
{
    EXPECT_LE(std::fabs(ours - judge), relative * std::max(1.0, std::fabs(judge)))
        << what << ": " << FloatToStr(ours) << " against " << FloatToStr(judge);
}

std::vector<double> Pairs(const std::vector<double>& xs, const std::vector<double>& ys)
{
    std::vector<double> pairs;
    for (std::size_t i = 0; i < xs.size(); ++i) pairs.insert(pairs.end(), {xs[i], ys[i]});
    return pairs;
}

std::vector<double> Values(const TChartValueList& list)
{
    return {list.Values(), list.Values() + list.Count()};
}

}  // namespace

TEST_F(ChartPropAnalysis, CommandsStandAfterTheSeparatorAndStatisticsNeedsThreePoints)
{
    const QList<QAction*> actions = form->PopupSeries->actions();
    const qsizetype at = actions.indexOf(form->AnalysisSeparator);
    ASSERT_GT(at, 0);
    EXPECT_EQ(actions[at - 1]->text(), "Bar series");
    std::vector<std::string> captions;
    for (qsizetype i = at; i < actions.size(); ++i)
        captions.push_back(actions[i]->isSeparator() ? "-" : actions[i]->text().toStdString());
    const std::vector<std::string> order{"-",         "Add regression", "Statistics", "X value transformation",
                                         "Y value transformation", "Save data", "-", "&Delete", "&Merge"};
    EXPECT_EQ(captions, order);
    std::vector<std::string> statistics;
    for (QAction* action : form->MenuStatistics->actions()) statistics.push_back(action->text().toStdString());
    const std::vector<std::string> submenu{"&Basic statistics", "Y is weight (&Histogram)", "&Correlation",
                                           "Broken line regression"};
    EXPECT_EQ(statistics, submenu);

    struct Case {
        int points;
        bool statistics;
    };
    const Case cases[] = {{0, false}, {1, false}, {2, false}, {3, true}, {12, true}};
    for (const Case& c : cases) {
        auto* series = Add<TLineSeries>("S" + IntToStr(c.points));
        for (int i = 0; i < c.points; ++i) series->AddPointXY(i, i * i);
    }
    for (int row = 0; row < static_cast<int>(std::size(cases)); ++row) {
        Select(row);
        EXPECT_EQ(form->MenuStatistics->menuAction()->isVisible(), cases[row].statistics) << cases[row].points;
        for (const char* always : {"Add regression", "X value transformation", "Y value transformation"})
            EXPECT_TRUE(MenuItem(form->PopupSeries, {always})->isVisible()) << always;
    }

    // A series freed while its line is current offers no statistics and its commands do nothing.
    Select(4);
    FreeComponent(chart.GetSeries(4));
    form->PopupSeriesPopup();
    EXPECT_FALSE(form->MenuStatistics->menuAction()->isVisible());
    for (auto path : {std::initializer_list<const char*>{"Add regression"}, {"Statistics", "&Basic statistics"},
                      {"Statistics", "Y is weight (&Histogram)"}, {"Statistics", "&Correlation"},
                      {"Statistics", "Broken line regression"}, {"X value transformation"}, {"Y value transformation"}})
        Trigger(path);
    EXPECT_EQ(FormAddRegression, nullptr);
    EXPECT_EQ(FormSeriesTransform, nullptr);
    EXPECT_EQ(FormBrokenLine, nullptr);
    EXPECT_EQ(FormStatResults().PageCount(), 0);
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(ChartPropAnalysis, EachCommandOpensItsWindowWithTheSeriesPoints)
{
    Add<TLineSeries>("Other", {{1, 1}, {2, 2}, {3, 3}});
    TPointSeries* height = AddUnordered("Height", {3, 1, 5, 2, 4}, {3.5, 2.5, 7.25, 4, 6});
    TPointSeries* twelve = AddUnordered("Twelve", {12, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, std::vector<double>(12, 1));
    const std::vector<double> xs = Values(*height->XValues()), ys = Values(*height->YValues());
    qbtest::TempDir judgeDir;
    statstest::WriteNumbers(judgeDir.file("pairs.txt"), Pairs(xs, ys));
    const std::vector<double> pearson = statstest::JudgeNumbers({"pearson", judgeDir.file("pairs.txt")});
    ASSERT_EQ(pearson.size(), 3u);

    struct Case {
        std::initializer_list<const char*> path;
        std::vector<TUiAnswer> answers;
        std::function<void()> check;
        int row = 1;
    };
    const Case cases[] = {
        {{"Add regression"}, {}, [&] {
             TFormAddRegression* window = FormAddRegression;
             ASSERT_NE(window, nullptr);
             EXPECT_TRUE(window->isVisible());
             EXPECT_EQ(window->windowTitle(), "Add regression [Height]");
             EXPECT_EQ(window->Chart(), &chart);
             const std::vector<TStatPoint>& points = window->Engine().Points;
             ASSERT_EQ(points.size(), xs.size());
             for (std::size_t i = 0; i < xs.size(); ++i) {
                 EXPECT_EQ(points[i].X, xs[i]) << i;
                 EXPECT_EQ(points[i].Y, ys[i]) << i;
             }
             EXPECT_EQ(window->EditCount->text(), "5");
         }},
        {{"Statistics", "&Basic statistics"}, {TUiAnswer::Input("25")}, [&] {
             const TStringGrid* page = Page("Statistics: Height");
             ASSERT_NE(page, nullptr);
             EXPECT_EQ(page->Cells(1, 0), "X");
             EXPECT_EQ(page->Cells(2, 0), "Y");
             struct Row {
                 const char* name;
                 double x, y;
             };
             for (const Row& r : {Row{"Count", 5, 5}, Row{"Sum", 15, 23.25}, Row{"Minimum", 1, 2.5},
                                  Row{"Q 25", 2, 3.5}, Row{"Median", 3, 4}, Row{"Maximum", 5, 7.25}}) {
                 EXPECT_EQ(Cell(*page, r.name, 1), r.x) << r.name;
                 EXPECT_EQ(Cell(*page, r.name, 2), r.y) << r.name;
             }
         }},
        {{"Statistics", "Y is weight (&Histogram)"}, {TUiAnswer::Input("25")}, [&] {
             const TStringGrid* page = Page("Histogram: Height");
             ASSERT_NE(page, nullptr);
             EXPECT_EQ(Cell(*page, "Count of classes", 1), 5);
             EXPECT_EQ(Cell(*page, "Weight total", 1), 23.25);
             EXPECT_EQ(Cell(*page, "Minimum", 1), 1);
             EXPECT_EQ(Cell(*page, "Maximum", 1), 5);
         }},
        {{"Statistics", "&Correlation"}, {}, [&] {
             const TStringGrid* page = Page("Correlation: Height");
             ASSERT_NE(page, nullptr);
             ExpectClose(Cell(*page, "Correlation (r)", 1), pearson[0], 1e-13, "r");
             ExpectClose(Cell(*page, "Probability (P %)", 1), pearson[1], 1e-9, "P %");
             EXPECT_EQ(Cell(*page, "Count", 1), 5);
         }},
        // Below 10 points the window warns and still opens on the series.
        {{"Statistics", "Broken line regression"}, {TUiAnswer::Press(mrOk)}, [&] {
             TFormBrokenLine* window = FormBrokenLine;
             ASSERT_NE(window, nullptr);
             EXPECT_TRUE(window->isVisible());
             EXPECT_EQ(window->Series(), height);
             EXPECT_EQ(window->Chart(), &chart);
             EXPECT_EQ(ui.Log().back().Text, "Too low count of data point (5)");
         }},
        {{"Statistics", "Broken line regression"}, {}, [&] {
             TFormBrokenLine* window = FormBrokenLine;
             ASSERT_NE(window, nullptr);
             EXPECT_EQ(window->Series(), twelve);
             EXPECT_EQ(window->Chart(), &chart);
             EXPECT_EQ(window->EditXmin->text().toStdString(), FloatToStr(1));
             EXPECT_EQ(window->EditXmax->text().toStdString(), FloatToStr(12));
         }, 2},
        {{"X value transformation"}, {}, [&] {
             TFormSeriesTransform* window = FormSeriesTransform;
             ASSERT_NE(window, nullptr);
             EXPECT_TRUE(window->isVisible());
             EXPECT_EQ(window->Source(), height);
             EXPECT_EQ(window->Axis(), 0);
             EXPECT_EQ(window->windowTitle(), "Series transformation [Height]");
         }},
        {{"Y value transformation"}, {}, [&] {
             TFormSeriesTransform* window = FormSeriesTransform;
             ASSERT_NE(window, nullptr);
             EXPECT_EQ(window->Source(), height);
             EXPECT_EQ(window->Axis(), 1);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(*c.path.begin() + std::string(" ") + *(c.path.end() - 1));
        CloseWindows();
        Select(c.row);
        for (const TUiAnswer& answer : c.answers) ui.Push(answer);
        Trigger(c.path);
        c.check();
        EXPECT_EQ(ui.Pending(), 0);
        EXPECT_EQ(chart.CountSeries(), 3) << "the series stay as they were";
    }
}

// The dialog stays on top, so every window its commands open stays on top too and belongs to it:
// the window manager keeps such a window above the dialog instead of beneath it. A results
// window opened later from a window that does not stay on top goes back to the normal layer.
TEST_F(ChartPropAnalysis, EveryWindowItOpensStandsAboveTheDialog)
{
    std::vector<double> xs(12), ys(12);
    for (int i = 0; i < 12; ++i) xs[i] = i, ys[i] = i % 5;
    AddUnordered("Twelve", xs, ys);
    form->show();
    struct Case {
        std::initializer_list<const char*> path;
        std::vector<TUiAnswer> answers;
        std::function<QWidget*()> window;
    };
    const Case cases[] = {
        {{"Add regression"}, {}, [] { return FormAddRegression; }},
        {{"Statistics", "&Basic statistics"}, {TUiAnswer::Input("5")}, [] { return &FormStatResults(); }},
        {{"Statistics", "Y is weight (&Histogram)"}, {TUiAnswer::Input("5")}, [] { return &FormStatResults(); }},
        {{"Statistics", "&Correlation"}, {}, [] { return &FormStatResults(); }},
        {{"Statistics", "Broken line regression"}, {}, [] { return FormBrokenLine; }},
        {{"X value transformation"}, {}, [] { return FormSeriesTransform; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(*(c.path.end() - 1));
        CloseWindows();
        Select(0);
        for (const TUiAnswer& answer : c.answers) ui.Push(answer);
        Trigger(c.path);
        QWidget* window = c.window();
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(WindowOwner(window), form);
        ASSERT_NE(window->windowHandle(), nullptr);
        EXPECT_EQ(window->windowHandle()->transientParent(), form->windowHandle());
        EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(ui.Pending(), 0);
    }

    TStatistics engine;
    for (int i = 0; i < 5; ++i) engine.AddPoint(i, 2 * i);
    engine.Calculate(1);
    QWidget other;
    other.show();
    ShowCorrelation("Correlation: later", engine, &other);
    EXPECT_EQ(WindowOwner(&FormStatResults()), &other);
    EXPECT_FALSE(FormStatResults().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(FormStatResults().isVisible());
}

TEST_F(ChartPropAnalysis, HistogramRowsMatchAHandMadeTable)
{
    struct Case {
        const char* name;
        std::vector<double> xs, weights;
        const char* percent;
        std::vector<std::pair<std::string, double>> rows;
    };
    const Case cases[] = {
        {"four equal classes", {1, 2, 3, 4}, {1, 1, 1, 1}, "25",
         {{"Count of classes", 4}, {"Weight total", 4}, {"Average", 2.5}, {"Std", std::sqrt(1.25)},
          {"Minimum", 1}, {"Q 25", 1}, {"Q 75", 3}, {"Maximum", 4}}},
        // In series order the cumulative weight would give Q 25 = 3 and Q 75 = 1.
        {"classes in descending X", {4, 3, 2, 1}, {1, 2, 3, 4}, "25",
         {{"Count of classes", 4}, {"Weight total", 10}, {"Average", 2}, {"Std", 1},
          {"Minimum", 1}, {"Q 25", 1}, {"Q 75", 3}, {"Maximum", 4}}},
        // 10 % of 10 is 1 although 0.1 has no exact binary form: the first class reaches it.
        {"a threshold met exactly", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, std::vector<double>(10, 1), "10",
         {{"Count of classes", 10}, {"Weight total", 10}, {"Average", 5.5}, {"Std", std::sqrt(8.25)},
          {"Minimum", 1}, {"Q 10", 1}, {"Q 90", 9}, {"Maximum", 10}}},
        // The weighted variance is -2 here; it counts as 0.
        {"a variance below 0", {0, 1, 2}, {-1, 3, -1}, "25",
         {{"Count of classes", 3}, {"Weight total", 1}, {"Average", 1}, {"Std", 0}, {"Minimum", 0}, {"Q 25", 1},
          {"Q 75", 1}, {"Maximum", 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CloseWindows();
        while (chart.CountSeries() > 0) FreeComponent(chart.GetSeries(0));
        AddUnordered("H", c.xs, c.weights);
        Select(0);
        ui.Push(TUiAnswer::Input(c.percent));
        Trigger({"Statistics", "Y is weight (&Histogram)"});
        const TStringGrid* page = Page("Histogram: H");
        ASSERT_NE(page, nullptr);
        const auto rows = Rows(*page);
        ASSERT_EQ(rows.size(), c.rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].first, c.rows[i].first);
            ExpectClose(rows[i].second, c.rows[i].second, 1e-14, c.rows[i].first);
        }
        EXPECT_EQ(ui.Pending(), 0);
    }
}

TEST_F(ChartPropAnalysis, HistogramOfWeightsNotAddingUpAbove0WarnsAndAddsNoPage)
{
    // 0.1 + 0.2 - 0.3 leaves a rounding residue of about 3e-17, which is no weight either.
    const std::vector<double> cases[] = {{1, -1, 2, -2}, {0.1, 0.2, -0.3}, {0, 0, 0}, {-1, -2, -3}};
    for (const std::vector<double>& weights : cases) {
        CloseWindows();
        while (chart.CountSeries() > 0) FreeComponent(chart.GetSeries(0));
        std::vector<double> xs(weights.size());
        for (std::size_t i = 0; i < xs.size(); ++i) xs[i] = static_cast<double>(i);
        AddUnordered("Z", xs, weights);
        Select(0);
        ui.Push(TUiAnswer::Press(mrOk));
        const std::size_t logged = ui.Log().size();
        Trigger({"Statistics", "Y is weight (&Histogram)"});
        ASSERT_EQ(ui.Log().size(), logged + 1) << "one warning, no quantile question";
        EXPECT_EQ(ui.Log().back().Text, ZeroWeightTotalText);
        EXPECT_EQ(ui.Log().back().MsgType, TMsgDlgType::mtWarning);
        EXPECT_EQ(FormStatResults().PageCount(), 0);
        EXPECT_EQ(QuantileProbability, -1) << "not asked";
        EXPECT_EQ(ui.Pending(), 0);
    }
}

TEST_F(ChartPropAnalysis, HistogramAgreesWithNumpy)
{
    struct Case {
        const char* name;
        std::vector<double> xs, weights;
        const char* percent;
    };
    std::vector<double> classes = statstest::SampleValues(300, 23, 0, 20);
    for (double& x : classes) x = std::round(x);  // many points per class
    const Case cases[] = {
        {"classes far from 0", statstest::SampleValues(1000, 21, 1e6, 1e6 + 1), statstest::SampleValues(1000, 22, 0, 5),
         "5"},
        {"repeated classes", classes, statstest::SampleValues(300, 24, 0, 1), "25"},
        {"few classes", statstest::SampleValues(37, 25, -50, 150), statstest::SampleValues(37, 26, 0.5, 2), "12.5"},
    };
    qbtest::TempDir judgeDir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CloseWindows();
        while (chart.CountSeries() > 0) FreeComponent(chart.GetSeries(0));
        AddUnordered("N", c.xs, c.weights);
        Select(0);
        ui.Push(TUiAnswer::Input(c.percent));
        Trigger({"Statistics", "Y is weight (&Histogram)"});
        const TStringGrid* page = Page("Histogram: N");
        ASSERT_NE(page, nullptr);

        const double p = std::stod(c.percent) / 100;
        statstest::WriteNumbers(judgeDir.file("pairs.txt"), Pairs(c.xs, c.weights));
        char probability[40];
        std::snprintf(probability, sizeof probability, "%.17g", p);
        const std::vector<double> judge = statstest::JudgeNumbers({"weighted", judgeDir.file("pairs.txt"), probability});
        ASSERT_EQ(judge.size(), 8u);
        const std::pair<std::string, double> expected[] = {
            {"Count of classes", judge[0]},       {"Weight total", judge[1]}, {"Average", judge[2]},
            {"Std", judge[3]},                    {"Minimum", judge[4]},      {"Maximum", judge[5]},
            {"Q " + DotFloatToStr(p * 100), judge[6]}, {"Q " + DotFloatToStr((1 - p) * 100), judge[7]},
        };
        for (const auto& [name, value] : expected) ExpectClose(Cell(*page, name, 1), value, 1e-12, name);
    }
}
