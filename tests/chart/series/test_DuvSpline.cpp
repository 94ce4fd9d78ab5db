// The B-spline and the smoothing function: the interpolating vertices against GSL's tridiagonal
// solver, the curve through or near its control points, the fragment cap, horizontal output, and
// line series that draw themselves smoothed.
#include <gsl/gsl_linalg.h>
#include <gsl/gsl_vector.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "chart/series/DuvSpline.h"
#include "chart/series/Series.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {

// The vertices GSL finds for the same system: identity rows first, last and around tripled
// vertices, (1/6, 2/3, 1/6) elsewhere.
std::vector<T2DPoint> GslVertices(const std::vector<T2DPoint>& points)
{
    const std::size_t n = points.size();
    std::vector<bool> identity(n, false);
    identity.front() = identity.back() = true;
    const auto near = [&](std::size_t a, std::size_t b) {
        return std::abs(points[a].X - points[b].X) <= 1e-5 && std::abs(points[a].Y - points[b].Y) <= 1e-5;
    };
    // 1-based j from 3 while j < n - 1, as the rows are numbered.
    for (std::size_t j = 3; j + 1 < n;) {
        if (near(j - 1, j - 2) && near(j - 1, j)) {
            identity[j - 2] = identity[j - 1] = identity[j] = true;
            j += 2;
        } else {
            ++j;
        }
    }
    gsl_vector* diag = gsl_vector_alloc(n);
    gsl_vector* above = gsl_vector_alloc(n - 1);
    gsl_vector* below = gsl_vector_alloc(n - 1);
    for (std::size_t i = 0; i < n; ++i) {
        gsl_vector_set(diag, i, identity[i] ? 1.0 : 2.0 / 3.0);
        if (i + 1 < n) gsl_vector_set(above, i, identity[i] ? 0.0 : 1.0 / 6.0);
        if (i > 0) gsl_vector_set(below, i - 1, identity[i] ? 0.0 : 1.0 / 6.0);
    }
    std::vector<T2DPoint> result(n);
    for (int axis = 0; axis < 2; ++axis) {
        gsl_vector* rhs = gsl_vector_alloc(n);
        gsl_vector* solution = gsl_vector_alloc(n);
        for (std::size_t i = 0; i < n; ++i) gsl_vector_set(rhs, i, axis == 0 ? points[i].X : points[i].Y);
        EXPECT_EQ(gsl_linalg_solve_tridiag(diag, above, below, rhs, solution), 0);
        for (std::size_t i = 0; i < n; ++i) (axis == 0 ? result[i].X : result[i].Y) = gsl_vector_get(solution, i);
        gsl_vector_free(rhs);
        gsl_vector_free(solution);
    }
    gsl_vector_free(diag);
    gsl_vector_free(above);
    gsl_vector_free(below);
    return result;
}

std::vector<T2DPoint> RandomPoints(int count, unsigned seed)
{
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> value(-50, 50);
    std::vector<T2DPoint> points;
    for (int i = 0; i < count; ++i) points.push_back({i + value(generator) / 200, value(generator)});
    return points;
}

TEST(BSplineTest, InterpolatingVerticesAreThoseOfGslsTridiagonalSolver)
{
    struct Case {
        const char* name;
        std::vector<T2DPoint> points;
    };
    std::vector<Case> cases{{"three points", RandomPoints(3, 1)}, {"a long list", RandomPoints(5000, 2)}};
    // A point given three times in a row is a corner: its rows keep the point.
    std::vector<T2DPoint> corner = RandomPoints(12, 3);
    corner.insert(corner.begin() + 5, 2, corner[5]);
    cases.push_back({"tripled point", corner});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TBSpline spline;
        for (const T2DPoint& p : c.points) spline.AppendPoint(p.X, p.Y);
        spline.SetInterpolating(true);
        const std::vector<T2DPoint> expected = GslVertices(c.points);
        ASSERT_EQ(spline.NumberOfVertices(), static_cast<int>(c.points.size()));
        const std::vector<T2DPoint>& vertices = spline.Vertices();
        // 1e-12, relative beyond magnitude 1 (X runs up to 5000).
        double worst = 0;
        for (std::size_t i = 0; i < expected.size(); ++i)
            worst = std::max({worst, std::abs(vertices[i + 1].X - expected[i].X) / std::max(1.0, std::abs(expected[i].X)),
                              std::abs(vertices[i + 1].Y - expected[i].Y) / std::max(1.0, std::abs(expected[i].Y))});
        EXPECT_LE(worst, 1e-12);
    }
}

TEST(BSplineTest, InterpolatingCurvePassesThroughEveryPointAndTheApproximatingOneOnlyThroughTheEnds)
{
    const std::vector<T2DPoint> points = RandomPoints(9, 4);
    for (bool interpolating : {true, false}) {
        SCOPED_TRACE(interpolating ? "interpolating" : "approximating");
        TBSpline spline;
        for (const T2DPoint& p : points) spline.AppendPoint(p.X, p.Y);
        spline.SetInterpolating(interpolating);
        const int n = static_cast<int>(points.size());
        for (int k = 0; k < n; ++k) {
            const T2DPoint at = spline.Evaluate(static_cast<double>(k) / (n - 1));
            const bool end = k == 0 || k == n - 1;
            const double gap = std::hypot(at.X - points[static_cast<std::size_t>(k)].X, at.Y - points[static_cast<std::size_t>(k)].Y);
            if (interpolating || end)
                EXPECT_LE(gap, 1e-9) << "point " << k;
            else
                EXPECT_GT(gap, 1e-3) << "point " << k;
        }
    }
}

TEST(BSplineTest, KnucklesMakeCornersAndStayWithTheirPointsWhenTheStorageGrows)
{
    TBSpline spline;
    spline.AppendPoint(0, 0);
    spline.AppendPoint(1, 5);
    spline.AppendPoint(2, 0);
    spline.SetKnuckleFlag(2, true);
    spline.SetKnuckleFlag(1, true);
    for (int i = 3; i < 40; ++i) spline.AppendPoint(i, i % 2);
    spline.SetKnuckleFlag(40, true);
    EXPECT_TRUE(spline.Knuckle(2));
    // The first and the last point never answer a knuckle.
    EXPECT_FALSE(spline.Knuckle(1));
    EXPECT_FALSE(spline.Knuckle(40));
    EXPECT_EQ(spline.NumberOfVertices(), 42);
    // The tripled vertex pulls the curve into the corner: at the parameter of its middle copy
    // the curve is at the point itself.
    const T2DPoint corner = spline.Evaluate(2.0 / 41);
    EXPECT_NEAR(corner.X, 1, 1e-12);
    EXPECT_NEAR(corner.Y, 5, 1e-12);
}

TEST(BSplineTest, FewPointsAndOutOfRangeParameters)
{
    TBSpline spline;
    EXPECT_EQ(spline.Evaluate(0.5).X, 0);
    spline.AppendPoint(3, 4);
    const T2DPoint one = spline.Evaluate(0.5);
    EXPECT_EQ(one.X, 0);
    EXPECT_EQ(one.Y, 0);
    EXPECT_EQ(spline.NumberOfVertices(), 0);
    // Two points: a straight segment between them.
    spline.AppendPoint(5, 8);
    for (double t : {0.0, 0.25, 0.5, 1.0}) {
        const T2DPoint p = spline.Evaluate(t);
        EXPECT_NEAR(p.X, 3 + 2 * t, 1e-12);
        EXPECT_NEAR(p.Y, 4 + 4 * t, 1e-12);
    }
    // Parameters past the ends read nothing beyond the phantom vertices.
    for (double t : {-10.0, 7.5, 1e300, std::numeric_limits<double>::quiet_NaN()}) spline.Evaluate(t);
    spline.SetFragmentCount(100000);
    EXPECT_EQ(spline.Fragments(), 600);
    spline.SetFragmentCount(0);
    EXPECT_EQ(spline.Fragments(), 1);
}

class SmoothingFunctionTest : public ::testing::Test {
protected:
    void SetUp() override { StartSeriesModules(); }

    template <class SeriesClass = TLineSeries>
    SeriesClass* Series()
    {
        return AddSeriesTo<SeriesClass>(chart);
    }

    TSmoothingFunction* Smooth(TChartSeries* source, TChartSeries* output, int factor = 4, bool interpolate = true)
    {
        auto* function = new TSmoothingFunction;
        function->SetFactor(factor);
        function->SetInterpolate(interpolate);
        output->SetDataSource(source);
        output->SetFunction(function);
        return function;
    }

    TTestChart chart;
};

TEST_F(SmoothingFunctionTest, FactorGivesOutputPointsUpToTheFragmentCap)
{
    struct Case {
        int points, factor, expected;
    };
    for (const Case& c : {Case{10, 4, 41}, Case{10, 100, 601}, Case{2, 1, 3}, Case{10, 0, 11}, Case{10, -7, 11}}) {
        SCOPED_TRACE(std::to_string(c.points) + " points, factor " + std::to_string(c.factor));
        auto* source = Series();
        for (int i = 0; i < c.points; ++i) source->AddPointXY(i, i * i % 7);
        auto* output = Series();
        TSmoothingFunction* function = Smooth(source, output, c.factor);
        EXPECT_EQ(function->Factor(), std::max(1, c.factor));
        EXPECT_EQ(output->PointCount(), c.expected);
    }
    // Points x factor beyond the int range is still capped, not wrapped.
    EXPECT_EQ(TSmoothingFunction::FragmentsFor(1000000, 1000000), 600);
    EXPECT_EQ(TSmoothingFunction::FragmentsFor(2147483647, 2147483647), 600);
}

TEST_F(SmoothingFunctionTest, InterpolatedOutputPassesThroughTheSourcePoints)
{
    auto* source = Series();
    const std::vector<double> ys{3, 7, 1, 8, 2, 9};
    for (std::size_t i = 0; i < ys.size(); ++i) source->AddPointXY(static_cast<double>(i) * 2, ys[i]);
    auto* output = Series();
    Smooth(source, output, 5);
    ASSERT_EQ(output->PointCount(), 31);
    for (std::size_t i = 0; i < ys.size(); ++i) {
        EXPECT_NEAR(output->GetXValue(static_cast<int>(i) * 6), static_cast<double>(i) * 2, 1e-9);
        EXPECT_NEAR(output->GetYValue(static_cast<int>(i) * 6), ys[i], 1e-9);
    }
}

TEST_F(SmoothingFunctionTest, OneSourcePointIsTheOutput)
{
    auto* source = Series();
    source->AddPointXY(4, 9);
    auto* output = Series();
    Smooth(source, output);
    EXPECT_EQ(Describe(*output), "4:9");
}

TEST_F(SmoothingFunctionTest, HorizontalOutputOverAHorizontalSourceSmoothsAlongY)
{
    auto* source = Series<THorizLineSeries>();
    const std::vector<double> values{5, 2, 6, 3};
    for (std::size_t i = 0; i < values.size(); ++i) source->AddPointXY(values[i], static_cast<double>(i));
    auto* output = Series<THorizLineSeries>();
    Smooth(source, output, 3);
    // 12 fragments: the source points are at every fourth output point.
    ASSERT_EQ(output->PointCount(), 13);
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_NEAR(output->GetYValue(static_cast<int>(i) * 4), static_cast<double>(i), 1e-9);
        EXPECT_NEAR(output->GetXValue(static_cast<int>(i) * 4), values[i], 1e-9);
    }
    // The positions run along Y in order; the values stay in X.
    EXPECT_EQ(output->YValues()->Order(), loAscending);
    EXPECT_EQ(output->XValues()->Order(), loNone);
}

TEST_F(SmoothingFunctionTest, StreamsItsSettingsWithItsSeries)
{
    auto* source = Series();
    source->SetName("Source");
    source->AddPointXY(0, 1);
    source->AddPointXY(1, 3);
    auto* output = Series();
    output->SetName("Smoothed");
    Smooth(source, output, 7, false);
    const std::string text = ComponentTextOf(chart);
    EXPECT_NE(text.find("Factor = 7"), std::string::npos) << text;
    EXPECT_NE(text.find("Interpolate = False"), std::string::npos) << text;
}

class SmoothedLineTest : public SmoothingFunctionTest {
protected:
    std::vector<double> xs{0, 1, 2, 3, 4}, ys{1, 4, 2, 5, 3};

    TLineSeries* Line()
    {
        auto* line = Series();
        line->AddXYArrays(xs, ys);
        return line;
    }
};

TEST_F(SmoothedLineTest, DrawingSmoothedShowsTheCurveAndSwitchingOffBringsThePointsBack)
{
    TLineSeries* line = Line();
    const std::string original = Describe(*line);
    line->SetLineFlag(true);
    chart.Draw();
    // Factor 8: 40 fragments over 4 intervals, the points at every tenth.
    ASSERT_EQ(line->PointCount(), 41);
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(line->GetYValue(i * 10), ys[static_cast<std::size_t>(i)], 1e-9);
    // Drawing again smooths the same points, not the curve.
    chart.Draw();
    EXPECT_EQ(line->PointCount(), 41);
    chart.RefreshSeriesData(line);
    chart.Draw();
    EXPECT_EQ(line->PointCount(), 41);
    line->SetLineFlag(false);
    chart.Draw();
    EXPECT_EQ(Describe(*line), original);
    EXPECT_EQ(line->Function(), nullptr);
    EXPECT_EQ(line->DataCopy(), nullptr);
}

TEST_F(SmoothedLineTest, NewPointsWhileSmoothedAreSmoothedAndKeptWhenSwitchedOff)
{
    TLineSeries* line = Line();
    line->SetLineFlag(true);
    chart.Draw();
    line->ClearPoints();
    line->AddPointXY(0, 2);
    line->AddPointXY(1, 6);
    line->AddPointXY(2, 4);
    chart.Draw();
    EXPECT_EQ(line->PointCount(), 25);
    line->SetLineFlag(false);
    chart.Draw();
    EXPECT_EQ(Describe(*line), "0:2 1:6 2:4");
}

TEST_F(SmoothedLineTest, ASeriesOfOnePointOrNoneSwitchesSmoothingOffAgain)
{
    for (int count : {0, 1}) {
        SCOPED_TRACE(count);
        auto* line = Series();
        if (count) line->AddPointXY(3, 3);
        const std::string original = Describe(*line);
        line->SetLineFlag(true);
        chart.Draw();
        line->SetLineFlag(false);
        chart.Draw();
        EXPECT_EQ(line->Function(), nullptr);
        EXPECT_EQ(Describe(*line), original);
    }
}

TEST_F(SmoothedLineTest, ASmoothedSeriesIsWrittenWithItsOwnPointsAndSmoothedAgainAfterwards)
{
    TLineSeries* line = Line();
    line->SetName("Line");
    // As if read from a chart file: its points are written again.
    line->DataLoaded = true;
    const std::string original = Describe(*line);
    line->SetLineFlag(true);
    chart.Draw();
    ASSERT_EQ(line->PointCount(), 41);
    const std::string text = ComponentTextOf(chart);
    EXPECT_EQ(text.find("TSmoothingFunction"), std::string::npos) << text;
    EXPECT_EQ(text.find("TCustomSeries"), std::string::npos) << text;
    EXPECT_EQ(text.find("DataSource"), std::string::npos) << text;
    TTestChart copy;
    ReadComponentText(copy, text);
    ASSERT_EQ(copy.CountSeries(), 1);
    EXPECT_EQ(Describe(*static_cast<TChartSeries*>(copy.GetSeries(0))), original);
    chart.Draw();
    EXPECT_EQ(line->PointCount(), 41);
}

TEST_F(SmoothedLineTest, PointSeriesWithoutLinesAreNotSmoothed)
{
    auto* points = Series<TPointSeries>();
    points->AddXYArrays(xs, ys);
    points->SetLineFlag(true);
    chart.Draw();
    EXPECT_EQ(points->PointCount(), 5);
}

}  // namespace
