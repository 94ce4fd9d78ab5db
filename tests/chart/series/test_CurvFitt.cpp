// Curve fitting, trends and correlation: the plain routines, the NIST reference sets, numpy as the
// judge of fits over wide and far X, and the ranges, degrees and undefined results.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "chart/series/CurvFitt.h"
#include "chart/series/Series.h"
#include "chart/series/SeriesBar.h"
#include "platform/core/NumText.h"
#include "support/TestSupport.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {

struct TXY {
    double X, Y;
};

// numpy's answers for the points (see fitting_judge.py), one number per line.
std::vector<double> Judge(const std::string& mode, const std::vector<TXY>& points, const std::vector<int>& degrees = {})
{
    qbtest::TempDir dir;
    const std::string path = dir.file("points.txt");
    {
        std::ofstream out(path);
        char line[80];
        for (const TXY& p : points) {
            std::snprintf(line, sizeof line, "%.17g %.17g\n", p.X, p.Y);
            out << line;
        }
    }
    std::vector<std::string> command{"/usr/bin/python3", qbtest::DataPath("chart/series/fitting_judge.py"), mode, path};
    for (int degree : degrees) command.push_back(std::to_string(degree));
    std::istringstream output(enginetest::Run(command));
    std::vector<double> values;
    for (std::string line; std::getline(output, line);) values.push_back(std::stod(line));
    return values;
}

TEST(CurvFittRoutinesTest, GaussianSolveAnswersTheDeterminantOrZeroBelowTheTolerance)
{
    TFitMatrix a{};
    TFitVector b{}, x{};
    // A first pivot of 0 needs a row exchange, which turns the determinant's sign.
    a[0] = {0, 2, 1};
    a[1] = {1, 1, 1};
    a[2] = {2, 1, 3};
    b = {7, 6, 13};
    EXPECT_NEAR(static_cast<double>(GaussianSolve(3, a, b, 1e-15L, x)), -3, 1e-15);
    EXPECT_NEAR(static_cast<double>(x[0]), 1, 1e-15);
    EXPECT_NEAR(static_cast<double>(x[1]), 2, 1e-15);
    EXPECT_NEAR(static_cast<double>(x[2]), 3, 1e-15);
    a[0] = {1, 2, 0};
    a[1] = {2, 4, 0};
    a[2] = {0, 0, 1};
    b = {1, 2, 3};
    EXPECT_EQ(GaussianSolve(3, a, b, 1e-15L, x), 0);
    EXPECT_EQ(PolynomialValue(3, TFitVector{1, -2, 3}, 2), 9);
}

TEST(CurvFittRoutinesTest, PolynomialFitMeetsTheNistCertifiedValuesToNineDigits)
{
    // NIST StRD certified coefficients (c0 first).
    struct Case {
        const char* set;
        std::vector<long double> certified;
    };
    const std::vector<Case> cases{
        {"Norris", {-0.262323073774029L, 1.00211681802045L}},
        {"Pontius", {0.673565789473684e-3L, 0.732059160401003e-6L, -0.316081871345029e-14L}},
        {"Filip",
         {-1467.48961422980L, -2772.17959193342L, -2316.37108160893L, -1127.97394098372L, -354.478233703349L,
          -75.1242017393757L, -10.8753180355343L, -1.06221498588947L, -0.670191154593408e-1L,
          -0.246781078275479e-2L, -0.402962525080404e-4L}},
        {"Wampler1", {1, 1, 1, 1, 1, 1}},
        {"Wampler2", {1, 0.1L, 0.01L, 0.001L, 1e-4L, 1e-5L}},
        {"Wampler3", {1, 1, 1, 1, 1, 1}},
        {"Wampler4", {1, 1, 1, 1, 1, 1}},
        {"Wampler5", {1, 1, 1, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.set);
        std::ifstream in(qbtest::DataPath(std::string("chart/series/nist-strd/") + c.set + ".txt"));
        int degree = 0;
        in >> degree;
        ASSERT_EQ(degree + 1, static_cast<int>(c.certified.size()));
        std::vector<long double> xs, ys;
        for (long double x, y; in >> x >> y;) {
            xs.push_back(x);
            ys.push_back(y);
        }
        TFitVector coefficients{};
        PolynomialFit(static_cast<int>(xs.size()), degree + 1, xs.data(), coefficients, ys.data());
        for (int k = 0; k <= degree; ++k) {
            const long double expected = c.certified[static_cast<std::size_t>(k)];
            const double digits = static_cast<double>(-std::log10(std::abs((coefficients[static_cast<std::size_t>(k)] - expected) / expected)));
            EXPECT_GE(digits, 9) << "coefficient " << k << ": " << static_cast<double>(coefficients[static_cast<std::size_t>(k)]);
        }
    }
}

class CurveFittingTest : public ::testing::Test {
protected:
    void SetUp() override { StartSeriesModules(); }

    template <class SeriesClass = TLineSeries>
    SeriesClass* Series()
    {
        return AddSeriesTo<SeriesClass>(chart);
    }

    TLineSeries* Source(const std::vector<TXY>& points)
    {
        TLineSeries* source = Series();
        for (const TXY& p : points) source->AddPointXY(p.X, p.Y);
        return source;
    }

    template <class FunctionClass, class SeriesClass = TLineSeries>
    SeriesClass* Output(TChartSeries* source, FunctionClass* function)
    {
        auto* output = Series<SeriesClass>();
        output->SetDataSource(source);
        output->SetFunction(function);
        return output;
    }

    TCurveFittingFunction* Fitting(int degree)
    {
        auto* function = new TCurveFittingFunction;
        function->SetPolyDegree(degree);
        return function;
    }

    TTestChart chart;
};

// Twelve digits: the exact lines, without the last bit of rounding.
std::string Rounded(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.12g", value);
    return FloatToStr(std::stod(text));
}

std::vector<TXY> Line(int count, double slope = 1, double offset = 0)
{
    std::vector<TXY> points;
    for (int i = 0; i < count; ++i) points.push_back({static_cast<double>(i), slope * i + offset});
    return points;
}

TEST_F(CurveFittingTest, ThreePointsOnALineGiveThatLine)
{
    TChartSeries* output = Output(Source({{0, 1}, {1, 3}, {2, 5}}), Fitting(2));
    ASSERT_EQ(output->PointCount(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(output->GetYValue(i), 2 * i + 1, 1e-12);
}

TEST_F(CurveFittingTest, FactorAndRangesDecideTheOutputPoints)
{
    struct Case {
        const char* name;
        int factor, firstCalc, lastCalc, first, last;
        int expected;
    };
    const Case cases[] = {
        {"defaults", 1, -1, -1, -1, -1, 50},
        {"factor 4", 4, -1, -1, -1, -1, 49 * 4 + 1},
        {"empty calculation range", 1, 3, 1, -1, -1, 0},
        {"calculation range past the end", 1, 0, 1000, -1, -1, 50},
        {"display range past the end", 2, -1, -1, 40, 1000, 9 * 2 + 1},
        {"display range beyond the source", 1, -1, -1, 60, 80, 0},
        {"display range of one point", 3, -1, -1, 7, 7, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TCurveFittingFunction* function = Fitting(2);
        TChartSeries* output = Output(Source(Line(50, 0.5, 3)), function);
        function->SuspendRecalculation();
        function->SetFactor(c.factor);
        function->SetFirstCalcPoint(c.firstCalc);
        function->SetLastCalcPoint(c.lastCalc);
        function->SetFirstPoint(c.first);
        function->SetLastPoint(c.last);
        function->ResumeRecalculation();
        EXPECT_EQ(output->PointCount(), c.expected);
        for (int i = 0; i < output->PointCount(); ++i) EXPECT_NEAR(output->GetYValue(i), 0.5 * output->GetXValue(i) + 3, 1e-9);
    }
}

TEST_F(CurveFittingTest, DegreeLimitsAndFactorBelowOne)
{
    TCurveFittingFunction* function = Fitting(5);
    EXPECT_EQ(ErrorOf([&] { function->SetPolyDegree(21); }), "Polynomial degree must be between 1 and 20");
    EXPECT_EQ(ErrorOf([&] { function->SetPolyDegree(0); }), "Polynomial degree must be between 1 and 20");
    EXPECT_EQ(function->PolyDegree(), 5);
    function->SetPolyDegree(20);
    EXPECT_EQ(function->PolyDegree(), 20);
    function->SetFactor(-3);
    EXPECT_EQ(function->Factor(), 1);
    FreeComponent(function);
}

TEST_F(CurveFittingTest, CannotProcessFittingOnlyWithFewerDistinctXThanTheDegree)
{
    // Twelve points on four distinct X.
    std::vector<TXY> points;
    for (int i = 0; i < 12; ++i) points.push_back({static_cast<double>(i % 4), static_cast<double>(i)});
    TLineSeries* source = Source(points);
    TCurveFittingFunction* function = Fitting(4);
    TChartSeries* output = Output(source, function);
    EXPECT_EQ(output->PointCount(), 12);
    EXPECT_EQ(ErrorOf([&] { function->SetPolyDegree(5); }), "Cannot process fitting");
    EXPECT_EQ(output->PointCount(), 0);
    // Fewer source points than the degree: nothing, silently.
    TCurveFittingFunction* short_ = Fitting(20);
    EXPECT_EQ(Output(Source(Line(19)), short_)->PointCount(), 0);
    // X in [0, 1] at the highest degree.
    std::vector<TXY> unit;
    for (int i = 0; i < 40; ++i) unit.push_back({i / 39.0, std::sin(i / 5.0)});
    EXPECT_EQ(Output(Source(unit), Fitting(20))->PointCount(), 40);
}

// The source changes so that the fit can no longer be made, and back: the output empties and
// fills again, and the change itself never fails, also where it is announced from a scope guard
// at the end of a bulk append (an exception there would end the program).
TEST_F(CurveFittingTest, DataThatCannotBeFittedEmptiesTheOutputWithoutFailingTheChange)
{
    TLineSeries* source = Source(Line(5));
    source->AddPointXY(0, 7);
    TChartSeries* output = Output(source, Fitting(5));
    ASSERT_EQ(output->PointCount(), 6);
    source->DeletePoint(5);  // X = 4: five points on four distinct X
    EXPECT_EQ(source->PointCount(), 5);
    EXPECT_EQ(output->PointCount(), 0);
    source->AddPointXY(9, 1);
    EXPECT_EQ(output->PointCount(), 6);

    source->ClearPoints();
    EXPECT_EQ(source->AddXYArrays({0, 1, 2, 3, 0, 1}, {1, 2, 3, 4, 5, 6}), 6);
    EXPECT_EQ(output->PointCount(), 0);
    source->AddXYArrays({7}, {1});
    EXPECT_EQ(output->PointCount(), 7);
    // Asked for directly, the fit still says why it cannot be made.
    EXPECT_EQ(ErrorOf([&] { static_cast<TCurveFittingFunction*>(output->Function())->SetPolyDegree(7); }), "Cannot process fitting");
}

TEST_F(CurveFittingTest, CoefficientsArePowersOfXFromTheSmallestX)
{
    // y = 2 + 3 (x - 100)^2 over X from 100.
    std::vector<TXY> points;
    for (int i = 0; i < 8; ++i) points.push_back({100.0 + i, 2 + 3.0 * i * i});
    TCurveFittingFunction* function = Fitting(3);
    Output(Source(points), function);
    EXPECT_EQ(function->ValueOffset(), 2);
    EXPECT_NEAR(static_cast<double>(function->Coefficients()[0]), 0, 1e-12);
    EXPECT_NEAR(static_cast<double>(function->Coefficients()[1]), 0, 1e-12);
    EXPECT_NEAR(static_cast<double>(function->Coefficients()[2]), 3, 1e-12);
}

TEST_F(CurveFittingTest, ResidualsMatchNumpysAtEverySpanAndDegree)
{
    std::vector<int> degrees;
    for (int terms = 1; terms <= 20; ++terms) degrees.push_back(terms - 1);
    for (double span : {1.0, 10.0, 1e3, 1e6}) {
        SCOPED_TRACE(span);
        std::mt19937 generator(static_cast<unsigned>(span));
        std::uniform_real_distribution<double> unit(0, 1);
        std::normal_distribution<double> noise(0, 0.05);
        std::vector<double> xs;
        for (int i = 0; i < 1000; ++i) xs.push_back(3 * span + span * unit(generator));
        std::sort(xs.begin(), xs.end());
        std::vector<TXY> points;
        for (double x : xs) points.push_back({x, 10 + std::sin(7 * (x - 3 * span) / span) + noise(generator)});
        const std::vector<double> expected = Judge("rss", points, degrees);
        ASSERT_EQ(expected.size(), degrees.size());
        TLineSeries* source = Source(points);
        TCurveFittingFunction* function = Fitting(1);
        TChartSeries* output = Output(source, function);
        for (int terms = 1; terms <= 20; ++terms) {
            function->SetPolyDegree(terms);
            ASSERT_EQ(output->PointCount(), 1000);
            double rss = 0;
            for (int i = 0; i < 1000; ++i) rss += std::pow(points[static_cast<std::size_t>(i)].Y - output->GetYValue(i), 2);
            const double reference = expected[static_cast<std::size_t>(terms - 1)];
            EXPECT_LE(std::abs(rss - reference) / reference, 1e-9) << terms << " terms: " << rss << " vs " << reference;
        }
    }
}

TEST_F(CurveFittingTest, TrendsAndCorrelationMatchNumpyAlsoFarFromZero)
{
    for (double offset : {0.0, 1e9}) {
        SCOPED_TRACE(offset);
        std::mt19937 generator(11);
        std::normal_distribution<double> noise(0, 0.3);
        std::vector<TXY> points;
        for (int i = 0; i < 200; ++i) points.push_back({offset + i * 0.37, 2 + 0.8 * std::exp(0.01 * i) + noise(generator)});
        const std::vector<double> trend = Judge("trend", points);
        const std::vector<double> expTrend = Judge("exptrend", points);
        const std::vector<double> correlation = Judge("corr", points);
        TLineSeries* source = Source(points);
        TChartSeries* linear = Output(source, new TTrendFunction);
        TChartSeries* exponential = Output(source, new TExpTrendFunction);
        TChartSeries* r = Output<TCorrelationFunction, TBarSeries>(source, new TCorrelationFunction);
        ASSERT_EQ(linear->PointCount(), 2);
        ASSERT_EQ(exponential->PointCount(), 2);
        ASSERT_EQ(r->PointCount(), 1);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(linear->GetXValue(i), i == 0 ? points.front().X : points.back().X);
            EXPECT_NEAR(linear->GetYValue(i), trend[static_cast<std::size_t>(i)], 1e-9 * std::abs(trend[static_cast<std::size_t>(i)]));
            EXPECT_NEAR(exponential->GetYValue(i), expTrend[static_cast<std::size_t>(i)], 1e-9 * std::abs(expTrend[static_cast<std::size_t>(i)]));
        }
        EXPECT_NEAR(r->GetYValue(0), correlation[0], 1e-12);
    }
}

TEST_F(CurveFittingTest, TrendLinesOfSmallSets)
{
    const double e = std::exp(1.0);
    struct Case {
        const char* name;
        bool exponential;
        std::vector<TXY> points;
        std::string expected;
    };
    const Case cases[] = {
        {"a line", false, {{1, 2}, {2, 4}, {3, 6}}, "1:2 3:6"},
        {"far X", false, {{1e9 + 1, 1}, {1e9 + 2, 2}, {1e9 + 3, 3}}, "1000000001:1 1000000003:3"},
        {"one point", false, {{1, 2}}, ""},
        {"all X equal", false, {{4, 1}, {4, 2}, {4, 3}}, ""},
        {"exponential", true, {{0, 1}, {1, e}}, "0:1 1:" + Rounded(e)},
        {"values of 0 and below left out", true, {{0, 1}, {1, 0}, {2, -5}, {3, e * e * e}}, "0:1 3:" + Rounded(e * e * e)},
        {"one positive value", true, {{0, 1}, {1, 0}}, ""},
        {"positive values at one X", true, {{2, 1}, {2, 3}, {5, -1}}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDuvFunction* function = c.exponential ? static_cast<TDuvFunction*>(new TExpTrendFunction) : new TTrendFunction;
        TChartSeries* output = Output(Source(c.points), function);
        std::string text;
        for (int i = 0; i < output->PointCount(); ++i) {
            if (i > 0) text += ' ';
            text += FloatToStr(output->GetXValue(i)) + ":" + Rounded(output->GetYValue(i));
        }
        EXPECT_EQ(text, c.expected);
    }
}

TEST_F(CurveFittingTest, UndefinedCorrelationIsANullPoint)
{
    struct Case {
        const char* name;
        std::vector<TXY> points;
        std::string expected;
    };
    const Case cases[] = {
        {"proportional", {{1, 2}, {2, 4}, {3, 6}}, "0:1"},
        {"opposite", {{1, 6}, {2, 4}, {3, 2}}, "0:-1"},
        {"one point", {{1, 2}}, "0:0 c=none"},
        {"constant values", {{1, 5}, {2, 5}, {3, 5}}, "0:0 c=none"},
        {"constant X", {{1, 5}, {1, 6}}, "0:0 c=none"},
        {"far offset", {{1e9 + 1, 1}, {1e9 + 2, 3}, {1e9 + 3, 2}}, "0:0.5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TChartSeries* output = Output<TCorrelationFunction, TBarSeries>(Source(c.points), new TCorrelationFunction);
        EXPECT_EQ(Describe(*output), c.expected);
    }
    // On a line series: a level line over the source's X, null at both ends when undefined.
    EXPECT_EQ(Describe(*Output(Source({{1, 2}, {4, 8}, {2, 4}}), new TCorrelationFunction)), "1:1 4:1");
    EXPECT_EQ(Describe(*Output(Source({{1, 5}, {4, 5}}), new TCorrelationFunction)), "1:0 4:0 c=none,none");
}

TEST_F(CurveFittingTest, TrendPeriodsGiveOneSegmentEach)
{
    auto* function = new TTrendFunction;
    function->SetPeriod(3);
    TChartSeries* output = Output(Source(Line(9, 2, 1)), function);
    EXPECT_EQ(Describe(*output), "0:1 2:5 3:7 5:11 6:13 8:17");
}

TEST_F(CurveFittingTest, SettingsStreamWithTheirSeries)
{
    TCurveFittingFunction* function = Fitting(3);
    TChartSeries* output = Output(Source(Line(10)), function);
    output->SetName("Fitted");
    function->SetFactor(2);
    function->SetLastPoint(6);
    const std::string text = ComponentTextOf(chart);
    EXPECT_NE(text.find("PolyDegree = 3"), std::string::npos) << text;
    EXPECT_NE(text.find("Factor = 2"), std::string::npos) << text;
    EXPECT_NE(text.find("LastPoint = 6"), std::string::npos) << text;
    EXPECT_EQ(text.find("FirstPoint ="), std::string::npos) << text;
}

}  // namespace
