// The regression engine against certified reference sets and against R, on data that lies far
// from 0, and drawing its curve into a chart.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

#include "chart/engine/support_ChartEngine.h"
#include "chart/series/Series.h"
#include "chart/series/support_SeriesTest.h"
#include "platform/ui/ScriptedUiServices.h"
#include "stats/Ustatistics.h"
#include "support/TestSupport.h"

namespace {

// Correct digits of a computed value against a certified one.
double LogRelativeError(long double computed, long double certified)
{
    const long double error = std::fabs(computed - certified);
    if (error == 0) return 20;
    return static_cast<double>(-std::log10(certified == 0 ? error : error / std::fabs(certified)));
}

struct TReferenceSet {
    const char* name;
    std::vector<long double> coefficients;
    long double rSquared;
    double minimumDigits;
};

// NIST StRD certified values.
const TReferenceSet kReferenceSets[] = {
    {"Norris", {-0.262323073774029L, 1.00211681802045L}, 0.999993745883712L, 10},
    {"Pontius", {0.673565789473684e-03L, 0.732059160401003e-06L, -0.316081871345029e-14L}, 0.999999900178537L, 10},
    {"Filip",
     {-1467.48961422980L, -2772.17959193342L, -2316.37108160893L, -1127.97394098372L, -354.478233703349L,
      -75.1242017393757L, -10.8753180355343L, -1.06221498588947L, -0.670191154593408e-01L,
      -0.246781078275479e-02L, -0.402962525080404e-04L},
     0.996727416185620L, 7},
    {"Wampler1", {1, 1, 1, 1, 1, 1}, 1, 10},
    {"Wampler2", {1, 0.1L, 0.01L, 0.001L, 0.0001L, 0.00001L}, 1, 10},
    {"Wampler3", {1, 1, 1, 1, 1, 1}, 0.999995559025820L, 10},
    {"Wampler4", {1, 1, 1, 1, 1, 1}, 0.957478440825662L, 10},
    {"Wampler5", {1, 1, 1, 1, 1, 1}, 0.224668921574940e-02L, 10},
};

// The set's degree and its points ("x y" per line after the degree).
int LoadReferenceSet(const std::string& name, TStatistics& engine)
{
    std::ifstream in("/work/shared/data/nist-strd/" + name + ".txt");
    int degree = -1;
    in >> degree;
    long double x, y;
    while (in >> x >> y) engine.AddPoint(x, y);
    return degree;
}

}  // namespace

TEST(RegressionReference, CertifiedSetsKeepTheirDigits)
{
    for (const TReferenceSet& set : kReferenceSets) {
        TStatistics engine;
        const int degree = LoadReferenceSet(set.name, engine);
        ASSERT_GT(engine.PointCount(), 0) << set.name;
        ASSERT_EQ(degree + 1, static_cast<int>(set.coefficients.size())) << set.name;
        engine.Calculate(static_cast<std::uint8_t>(degree));
        const TStatRes& r = engine.Results;
        ASSERT_EQ(r.Degree, degree) << set.name;
        for (int i = 0; i <= degree; ++i)
            EXPECT_GE(LogRelativeError(r.Coefficients[i], set.coefficients[i]), set.minimumDigits)
                << set.name << " c" << i << " = " << static_cast<double>(r.Coefficients[i]);
        EXPECT_GE(LogRelativeError(r.Determination, set.rSquared), 10)
            << set.name << " R² = " << static_cast<double>(r.Determination);
        EXPECT_GE(r.Determination, 0);
        EXPECT_LE(r.Determination, 1);
    }
}

// Data far from 0: the years of a series, a constant X with decimals.
TEST(RegressionReference, DataFarFromZero)
{
    // An exact cubic over the years 2000-2020 comes back exactly.
    TStatistics years;
    auto cubic = [](long double x) {
        const long double t = x - 2010;
        return 0.001L * t * t * t - 0.5L * t * t + 3 * t + 7;
    };
    for (int year = 2000; year <= 2020; ++year) years.AddPoint(year, cubic(year));
    years.Calculate(3);
    ASSERT_EQ(years.Results.Degree, 3);
    for (long double x = 2000; x <= 2020; x += 0.5L) EXPECT_NEAR(years.Estimate(x), cubic(x), 1e-8L) << double(x);
    EXPECT_NEAR(years.Results.Determination, 1, 1e-12L);

    struct Case {
        std::vector<long double> xs;
        long double deviation;
    };
    const Case cases[] = {
        {{2000.3L, 2000.3L, 2000.3L}, 0},
        {std::vector<long double>(7, 1e9L + 0.1L), 0},
        {std::vector<long double>(5000, 1e9L + 0.1L), 0},
        {{1e9L + 0.1L, 1e9L + 0.2L, 1e9L + 0.3L}, 0.0816496580927726L},
    };
    for (const Case& c : cases) {
        TStatistics engine;
        for (size_t i = 0; i < c.xs.size(); ++i) engine.AddPoint(c.xs[i], c.xs[i]);
        engine.Calculate(1);
        EXPECT_NEAR(engine.Results.StdDevX, c.deviation, 1e-6L) << c.xs.size();
        EXPECT_NEAR(engine.Results.StdDevY, c.deviation, 1e-6L) << c.xs.size();
        EXPECT_GE(engine.Results.StdDevX, 0);
        EXPECT_GE(engine.Results.Determination, 0);
        EXPECT_LE(engine.Results.Determination, 1);
    }
}

TEST(RegressionReference, FewerDistinctXThanTermsFallBackToDegreeZero)
{
    struct Case {
        std::vector<long double> xs;
        int degree;
    };
    const Case cases[] = {
        {{2, 2, 2}, 2}, {{1, 1, 3, 3}, 2}, {{1e6, 1e6, 2e6, 2e6, 2e6}, 3}, {{-5, 5, -5, 5, 0, 0}, 3},
    };
    for (const Case& c : cases) {
        TStatistics engine;
        for (long double x : c.xs) engine.AddPoint(x, x * x + 1);
        engine.Calculate(static_cast<std::uint8_t>(c.degree));
        EXPECT_EQ(engine.Results.Degree, 0) << c.xs.size();
        EXPECT_EQ(engine.EstimateStatus(), TRegressionStatus::ZeroDegree);
    }
}

// ---- Everyday data against R --------------------------------------------------------------------

namespace {
struct TJudged {
    std::vector<long double> coefficients;
    long double rSquared = 0, r = 0, probability = 0;
};

TJudged AskR(const std::vector<std::pair<double, double>>& points, int degree)
{
    qbtest::TempDir dir;
    const std::string path = dir.file("points.txt");
    {
        std::ofstream out(path);
        char line[64];
        for (const auto& [x, y] : points) {
            std::snprintf(line, sizeof line, "%.17g %.17g\n", x, y);
            out << line;
        }
    }
    std::istringstream output(enginetest::Run(
        {"Rscript", "--vanilla", qbtest::DataPath("stats/regression_judge.R"), path, std::to_string(degree)}));
    TJudged judged;
    std::string line;
    std::getline(output, line);
    std::istringstream coefficients(line);
    for (long double c; coefficients >> c;) judged.coefficients.push_back(c);
    output >> judged.rSquared >> judged.r >> judged.probability;
    return judged;
}

void ExpectClose(long double ours, long double theirs, const std::string& what)
{
    EXPECT_LE(std::fabs(ours - theirs), 1e-9L * std::max(1.0L, std::fabs(theirs)))
        << what << ": ours " << static_cast<double>(ours) << ", R " << static_cast<double>(theirs);
}
}  // namespace

TEST(RegressionReference, EverydayDataAgreesWithR)
{
    TLibraryModes saved = LibraryModes;
    LibraryModes = TLibraryModes{};  // mode 1, as without a settings file
    struct Case {
        int count, degree;
        double from, to, slope, noise;
    };
    // Up to n - 2 = 5000, the largest df the built-in F probability keeps.
    const Case cases[] = {
        {12, 1, 0, 10, 0.8, 1},     {40, 2, -5, 5, -0.3, 2},   {200, 3, 0, 20, 0.05, 10},
        {1000, 1, 1, 50, -0.02, 3}, {5002, 2, 0, 100, 0.01, 5}, {30, 4, -2, 3, 1, 0.5},
    };
    std::mt19937 generator(20261211);
    for (const Case& c : cases) {
        std::uniform_real_distribution<double> xs(c.from, c.to);
        std::normal_distribution<double> noise(0, c.noise);
        std::vector<std::pair<double, double>> points;
        TStatistics engine;
        for (int i = 0; i < c.count; ++i) {
            const double x = xs(generator);
            const double y = 3 + c.slope * x + 0.01 * x * x + noise(generator);
            points.push_back({x, y});
            engine.AddPoint(x, y);
        }
        engine.Calculate(static_cast<std::uint8_t>(c.degree));
        const TJudged r = AskR(points, c.degree);
        const std::string name = "n " + std::to_string(c.count) + " degree " + std::to_string(c.degree);
        ASSERT_EQ(r.coefficients.size(), engine.Results.Coefficients.size()) << name;
        for (size_t i = 0; i < r.coefficients.size(); ++i)
            ExpectClose(engine.Results.Coefficients[i], r.coefficients[i], name + " c" + std::to_string(i));
        ExpectClose(engine.Results.Determination, r.rSquared, name + " R squared");
        ExpectClose(engine.Results.Correlation, r.r, name + " r");
        ExpectClose(engine.Results.ProbabilityR, r.probability, name + " probability of r");
    }
    LibraryModes = saved;
}

// ---- Drawing the regression -----------------------------------------------------------------------

namespace {
class DrawRegressionTest : public testing::Test {
protected:
    void SetUp() override { seriestest::StartSeriesModules(); }
    TScriptedUiServices ui;
    TScopedUiServices scope{ui};
    seriestest::TTestChart chart;

    std::vector<TChartSeries*> SeriesOfChart() const
    {
        std::vector<TChartSeries*> list;
        for (int i = 0; i < chart.CountSeries(); ++i) list.push_back(static_cast<TChartSeries*>(chart.GetSeries(i)));
        return list;
    }
};

TStatistics EngineOf(const std::vector<long double>& xs, int degree)
{
    TStatistics engine;
    for (long double x : xs) engine.AddPoint(x, 2 * x + 1 + (degree > 1 ? x * x : 0));
    engine.Calculate(static_cast<std::uint8_t>(degree));
    return engine;
}
}  // namespace

TEST_F(DrawRegressionTest, EndsFollowTheExtentRule)
{
    struct Case {
        std::vector<long double> xs;
        int degree, extent;
        double start, end;
        int points;
    };
    const Case cases[] = {
        {{10, 12, 15, 20}, 1, 10, 9, 21, 2},
        {{0.5L, 1, 1.5L}, 1, 100, 0, 2.5, 2},      // every X positive: the start stays at 0
        {{-0.5L, 0.5L, 1.5L}, 1, 50, -1.5, 2.5, 2},  // a negative X may extend below 0
        {{10, 12, 15, 20}, 2, 0, 10, 20, 101},
        {{0.1L, 0.2L, 0.4L, 0.5L, 0.7L}, 3, 10, 0.04, 0.76, 101},
    };
    for (const Case& c : cases) {
        TStatistics engine = EngineOf(c.xs, c.degree);
        const int before = chart.CountSeries();
        EXPECT_EQ(engine.DrawRegression(&chart, false, -1, 1, 0, c.extent), TRegressionStatus::Ok);
        ASSERT_EQ(chart.CountSeries(), before + 1);
        auto* line = dynamic_cast<TLineSeries*>(chart.GetSeries(before));
        ASSERT_NE(line, nullptr);
        ASSERT_EQ(line->PointCount(), c.points) << c.degree;
        EXPECT_DOUBLE_EQ(line->GetXValue(0), c.start);
        EXPECT_DOUBLE_EQ(line->GetXValue(c.points - 1), c.end);  // the end itself, no rounding lost it
        for (int i = 0; i < c.points; ++i) {
            const double x = line->GetXValue(i);
            EXPECT_NEAR(x, c.start + i * (c.end - c.start) / (c.points - 1), 1e-12);
            EXPECT_NEAR(line->GetYValue(i), static_cast<double>(engine.Estimate(x)), 1e-9);
        }
        EXPECT_EQ(line->Title(), "Regression (" + std::to_string(c.degree) + ")");
        EXPECT_EQ(line->Owner(), &chart);
    }
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(DrawRegressionTest, ColourPenStyleAndWidth)
{
    const TStatistics engine = EngineOf({1, 2, 3, 4}, 2);
    for (int style = psSolid; style <= psInsideFrame; ++style) {
        TStatistics copy = engine;
        const int colour = style == 0 ? -1 : 0x00FF00;
        copy.DrawRegression(&chart, false, colour, style + 1, style, 0);
        auto* line = static_cast<TLineSeries*>(chart.GetSeries(chart.CountSeries() - 1));
        const TColor expected = style == 0 ? clRed : TColor(0x00FF00);
        EXPECT_EQ(line->LinePen().Color(), expected);
        EXPECT_EQ(line->GetSeriesColor(), expected);
        EXPECT_EQ(line->LinePen().Style(), static_cast<TPenStyle>(style));
        EXPECT_EQ(line->LinePen().Width(), style + 1);
    }
}

TEST_F(DrawRegressionTest, TheCurveIsDrawnInItsPen)
{
    TStatistics engine = EngineOf({1, 2, 3, 4}, 2);
    engine.DrawRegression(&chart, false, -1, 1, 0, 0);
    chart.Draw();
    int redSegments = 0;
    for (const TRecordedCall& call : chart.Recording().Calls)
        if ((call.Name == "LineTo" || call.Name == "Polyline") && call.PenColor == clRed) ++redSegments;
    EXPECT_GT(redSegments, 0);
}

TEST_F(DrawRegressionTest, DataSeriesOnlyWithData)
{
    TStatistics engine = EngineOf({1, 2, 3}, 1);
    engine.DrawRegression(&chart, true, -1, 1, 0, 0);
    ASSERT_EQ(chart.CountSeries(), 2);
    auto* data = dynamic_cast<TPointSeries*>(chart.GetSeries(0));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->Title(), "Data");
    EXPECT_EQ(data->SeriesColor(), clBlack);
    EXPECT_EQ(data->Pointer().Style(), psCircle);
    EXPECT_EQ(seriestest::Describe(*data), "1:3 2:5 3:7");
    engine.DrawRegression(&chart, false, -1, 1, 0, 0);
    ASSERT_EQ(chart.CountSeries(), 3);
    EXPECT_EQ(chart.GetSeries(2)->Title(), "Regression (1)");
}

TEST_F(DrawRegressionTest, NothingToDrawAnswersAStatus)
{
    // Not calculated: the data still comes first, no line.
    TStatistics fresh;
    fresh.AddPoint(1, 1);
    fresh.AddPoint(2, 3);
    EXPECT_EQ(fresh.DrawRegression(&chart, true, -1, 1, 0, 0), TRegressionStatus::NotCalculated);
    ASSERT_EQ(chart.CountSeries(), 1);
    EXPECT_EQ(chart.GetSeries(0)->Title(), "Data");

    // Every X equal: no range to draw over (once an endless loop).
    TStatistics equal;
    for (long double y : {1, 2, 3}) equal.AddPoint(5, y);
    equal.Calculate(1);
    EXPECT_EQ(equal.DrawRegression(&chart, false, -1, 1, 0, 10), TRegressionStatus::EqualX);
    EXPECT_EQ(chart.CountSeries(), 1);

    // Degree 0: the mean as a straight line, one status for all its points.
    TStatistics flat;
    for (long double x : {1, 2, 3}) flat.AddPoint(x, x);
    flat.Calculate(0);
    EXPECT_EQ(flat.DrawRegression(&chart, false, -1, 1, 0, 0), TRegressionStatus::ZeroDegree);
    ASSERT_EQ(chart.CountSeries(), 2);
    EXPECT_EQ(seriestest::Describe(*static_cast<TChartSeries*>(chart.GetSeries(1))), "1:2 3:2");
    EXPECT_TRUE(ui.Log().empty());
}
