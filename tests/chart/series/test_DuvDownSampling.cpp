// Down-sampling: the worked cases, groups of every size with null points, the visible range of a
// chart that was never painted, and Douglas-Peucker against GEOS through shapely.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/support_TestSeries.h"
#include "chart/series/DuvDownSampling.h"
#include "chart/series/Series.h"
#include "support/TestSupport.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {

using Points = std::vector<std::pair<double, double>>;

Points PointsOf(const TChartSeries& series)
{
    Points points;
    for (int i = 0; i < series.PointCount(); ++i) points.emplace_back(series.GetXValue(i), series.GetYValue(i));
    return points;
}

class DownSamplingTest : public ::testing::Test {
protected:
    void SetUp() override { StartSeriesModules(); }

    TLineSeries* Source(const Points& points)
    {
        auto* source = new TLineSeries(&chart);
        source->SetParentChart(&chart);
        for (const auto& [x, y] : points) source->AddPointXY(x, y);
        return source;
    }

    TDownSamplingFunction* Reduce(TChartSeries* source, TDownSampleMethod method, double tolerance, int displayed = 0)
    {
        auto* function = new TDownSamplingFunction;
        function->SetDownSampleMethod(method);
        function->SetTolerance(tolerance);
        function->SetDisplayedPointCount(displayed);
        output = new TLineSeries(&chart);
        output->SetParentChart(&chart);
        output->SetDataSource(source);
        output->SetFunction(function);
        return function;
    }

    TTestChart chart;
    TLineSeries* output = nullptr;
};

TEST_F(DownSamplingTest, WorkedCases)
{
    const Points eight{{0, 1}, {1, 5}, {2, 2}, {3, 8}, {4, 0}, {5, 3}, {6, 4}, {7, 7}};
    const struct {
        const char* name;
        Points source;
        TDownSampleMethod method;
        double tolerance;
        int displayed;
        Points expected;
    } cases[] = {
        {"average by X distance", {{0, 1}, {1, 2}, {2, 3}, {15, 4}, {16, 6}}, dsAverage, 10, 0, {{1, 2}, {15.5, 5}}},
        {"one group of eight", eight, dsMax, 1, 4, {{3.5, 8}}},
        {"collinear", {{0, 0}, {1, 1}, {2, 2}}, dsDouglas, 1, 0, {{0, 0}, {2, 2}}},
        {"a peak above the tolerance", {{0, 0}, {1, 5}, {2, 0}}, dsDouglas, 1, 0, {{0, 0}, {1, 5}, {2, 0}}},
        {"maximum before minimum", {{0, 2}, {1, 9}, {2, 1}, {3, 5}}, dsMinMax, 10, 0, {{0, 1}, {3, 9}}},
        {"first, extremes and last", {{0, 2}, {1, 9}, {2, 1}, {3, 5}}, dsMinMaxFirstLast, 10, 0,
         {{0, 2}, {1, 9}, {2, 1}, {3, 5}}},
        {"a pair emits each point once", {{0, 2}, {1, 9}}, dsMinMaxFirstLast, 10, 0, {{0, 2}, {1, 9}}},
        {"a null-aware pair emits each point once", {{0, 2}, {1, 9}}, dsMinMaxFirstLastNull, 10, 0, {{0, 2}, {1, 9}}},
        {"tolerance 0 keeps every group", {{0, 2}, {1, 9}, {2, 4}}, dsMin, 0, 0, {{0, 2}, {1, 9}, {2, 4}}},
        {"a single point", {{4, 2}}, dsDouglas, 1, 0, {{4, 2}}},
    };
    for (const auto& c : cases) {
        Reduce(Source(c.source), c.method, c.tolerance, c.displayed);
        EXPECT_EQ(PointsOf(*output), c.expected) << c.name;
    }
}

TEST_F(DownSamplingTest, SettingsReadBackAndRecalculate)
{
    TDownSamplingFunction* function = Reduce(Source({{0, 1}, {1, 5}, {2, 2}, {3, 8}}), dsAverage, 0);
    EXPECT_EQ(output->PointCount(), 4);
    function->SetTolerance(-3);
    EXPECT_EQ(function->Tolerance(), 0);
    // A new target count takes effect at once.
    function->SetDisplayedPointCount(2);
    EXPECT_EQ(PointsOf(*output), (Points{{1.5, 4}}));
    function->SetDisplayedPointCount(8);
    EXPECT_EQ(PointsOf(*output), (Points{{0.5, 3}, {2.5, 5}}));
}

TEST_F(DownSamplingTest, GroupsOfOneToFourPointsWithNullsStayWithinTheirPoints)
{
    // Twelve points; points 4..7 are all null and carry the null value.
    Points points;
    for (int i = 0; i < 12; ++i) points.emplace_back(i, i >= 4 && i < 8 ? 0 : (i * 7) % 5 + 1);
    for (TDownSampleMethod method : {dsMax, dsMin, dsMinMax, dsAverage, dsMinMaxFirstLast, dsMinMaxFirstLastNull}) {
        for (int size = 1; size <= 4; ++size) {
            TLineSeries* source = Source(points);
            for (int i = 4; i < 8; ++i) source->SetNull(i);
            Reduce(source, method, 0, 48 / size);
            SCOPED_TRACE(testing::Message() << method << " in groups of " << size);
            ASSERT_LE(output->PointCount(), 12);
            std::set<double> seen;
            for (int i = 0; i < output->PointCount(); ++i) {
                const double x = output->GetXValue(i);
                if (i > 0) {
                    EXPECT_GE(x, output->GetXValue(i - 1));
                }
                if (method == dsMinMaxFirstLast || method == dsMinMaxFirstLastNull) {
                    EXPECT_TRUE(seen.insert(x).second) << "twice at " << x;
                    EXPECT_EQ(output->GetYValue(i), points[static_cast<std::size_t>(x)].second);
                }
            }
            if (method != dsMinMaxFirstLastNull) continue;
            for (int i = 0; i < output->PointCount(); ++i)
                EXPECT_EQ(output->IsNullPoint(i), output->GetYValue(i) == 0) << output->GetXValue(i);
        }
    }
}

TEST_F(DownSamplingTest, ANeverPaintedChartReducesWhatItWillShow)
{
    enginetest::TCountingWindow window;
    chart.SetWindow(&window);
    // A series whose visible range is exactly its points within the axis range.
    auto* source = new TTestSeries(&chart);
    source->SetParentChart(&chart);
    for (int i = 0; i < 1000; ++i) source->AddPointXY(i, i % 17);
    chart.BottomAxis()->SetMinMax(100, 199);
    ASSERT_TRUE(chart.ChartRect.IsEmpty());
    Reduce(source, dsAverage, 0);
    ASSERT_EQ(output->PointCount(), 100);
    EXPECT_EQ(output->GetXValue(0), 100);
    EXPECT_EQ(output->GetXValue(99), 199);

    // Douglas-Peucker simplifies the same range, not the first points of the source.
    chart.ChartRect = TRect{};
    Reduce(source, dsDouglas, 1000);
    chart.SetWindow(nullptr);
    EXPECT_EQ(PointsOf(*output), (Points{{100, source->GetYValue(100)}, {199, source->GetYValue(199)}}));
}

TEST_F(DownSamplingTest, AWideningZigzagKeepsEveryPoint)
{
    // Every split lands next to an end: a million nested sections.
    constexpr int N = 1000000;
    std::vector<double> xs(N), ys(N);
    for (int i = 0; i < N; ++i) {
        xs[static_cast<std::size_t>(i)] = i;
        ys[static_cast<std::size_t>(i)] = i % 2 ? -i : i;
    }
    auto* source = new TLineSeries(&chart);
    source->SetParentChart(&chart);
    source->AddXYArrays(xs, ys);
    Reduce(source, dsDouglas, 1);
    ASSERT_EQ(output->PointCount(), N);
    EXPECT_EQ(output->GetYValue(N - 1), -(N - 1));
}

TEST_F(DownSamplingTest, DouglasPeuckerKeepsWhatGeosKeeps)
{
    constexpr int N = 100000;
    std::mt19937 generator(20261211);
    std::normal_distribution<double> step(0, 1);
    std::vector<double> xs(N), ys(N);
    double y = 0;
    for (int i = 0; i < N; ++i) {
        xs[static_cast<std::size_t>(i)] = i * 0.5;
        ys[static_cast<std::size_t>(i)] = y += step(generator);
    }
    qbtest::TempDir dir;
    const std::string path = dir.file("walk.bin");
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < N; ++i) {
            out.write(reinterpret_cast<const char*>(&xs[static_cast<std::size_t>(i)]), sizeof(double));
            out.write(reinterpret_cast<const char*>(&ys[static_cast<std::size_t>(i)]), sizeof(double));
        }
    }
    for (double tolerance : {0.5, 4.0}) {
        const char* script = R"(
import sys
import numpy as np
from shapely.geometry import LineString
points = np.fromfile(sys.argv[1], dtype=np.float64).reshape(-1, 2)
for x, y in LineString(points).simplify(float(sys.argv[2]), preserve_topology=False).coords:
    print(repr(x), repr(y))
)";
        std::istringstream kept(enginetest::Run({"/usr/bin/python3", "-c", script, path, std::to_string(tolerance)}));
        Points theirs;
        for (double a, b; kept >> a >> b;) theirs.emplace_back(a, b);
        auto* source = new TLineSeries(&chart);
        source->SetParentChart(&chart);
        source->AddXYArrays(xs, ys);
        Reduce(source, dsDouglas, tolerance);
        ASSERT_GT(theirs.size(), 100u);
        EXPECT_EQ(PointsOf(*output), theirs) << tolerance;
    }
}

}  // namespace
