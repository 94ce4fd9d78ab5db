// Moving averages, dispersion and change measures, cross points, perimeter and centroid: the
// worked cases, values far from zero against numpy and pandas, and the convex outline of a
// painted chart against shapely.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "chart/engine/RuRazaziAxis.h"
#include "chart/series/DuvDownSampling.h"
#include "chart/series/Series.h"
#include "chart/series/SeriesFastLine.h"
#include "chart/series/StatChar.h"
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

std::vector<double> YOf(const TChartSeries& series)
{
    std::vector<double> ys;
    for (int i = 0; i < series.PointCount(); ++i) ys.push_back(series.GetYValue(i));
    return ys;
}

class StatCharTest : public ::testing::Test {
protected:
    void SetUp() override { StartSeriesModules(); }

    TLineSeries* Source(const Points& points)
    {
        auto* source = new TLineSeries(&chart);
        source->SetParentChart(&chart);
        for (const auto& [x, y] : points) source->AddPointXY(x, y);
        return source;
    }

    TLineSeries* Source(const std::vector<double>& ys)
    {
        Points points;
        for (std::size_t i = 0; i < ys.size(); ++i) points.emplace_back(static_cast<double>(i), ys[i]);
        return Source(points);
    }

    template <class OutputClass = TLineSeries>
    OutputClass* Output(TDuvFunction* function, TChartSeries* source)
    {
        auto* output = new OutputClass(&chart);
        output->SetParentChart(&chart);
        output->SetDataSource(source);
        output->SetFunction(function);
        return output;
    }

    // The one result of a whole-source function (a line output repeats it at both ends).
    double Single(TDuvFunction* function, const std::vector<double>& ys)
    {
        TChartSeries* output = Output(function, Source(ys));
        EXPECT_GT(output->PointCount(), 0);
        return output->PointCount() ? output->GetYValue(0) : NAN;
    }

    TTestChart chart;
};

template <class F>
F* WithPeriod(double period, F* function = new F)
{
    function->SetPeriod(period);
    return function;
}

TEST_F(StatCharTest, MovingAveragesOfTheWorkedCases)
{
    auto* plain = WithPeriod(3, new TMovingAverageFunction);
    EXPECT_EQ(PointsOf(*Output(plain, Source({1, 2, 3, 4}))), (Points{{2, 2}, {3, 3}}));

    auto* byIndex = WithPeriod(3, new TMovingAverageFunction);
    byIndex->SetWeightedIndex(true);
    const std::vector<double> indexed = YOf(*Output(byIndex, Source({1, 2, 3, 4})));
    ASSERT_EQ(indexed.size(), 2u);
    EXPECT_DOUBLE_EQ(indexed[0], 14.0 / 6);
    EXPECT_DOUBLE_EQ(indexed[1], 20.0 / 6);

    // Weighted by X; a window whose X sum to 0 gives 0.
    auto* byX = WithPeriod(2, new TMovingAverageFunction);
    byX->SetWeighted(true);
    EXPECT_EQ(PointsOf(*Output(byX, Source(Points{{-1, 7}, {1, 10}, {3, 20}}))), (Points{{1, 0}, {3, 17.5}}));

    // The per-window mean of the range calculation agrees with the one-pass windows.
    auto* range = new TMovingAverageFunction;
    TChartSeries* source = Source({1, 2, 3, 4});
    Output(range, source);
    EXPECT_DOUBLE_EQ(range->CalculateRange(source, 1, 3), 3);
}

TEST_F(StatCharTest, ExponentialAveragesAndTheirNullPoints)
{
    auto* average = WithPeriod(3, new TExpMovAveFunction);
    EXPECT_EQ(YOf(*Output(average, Source({2, 4, 8}))), (std::vector<double>{2, 3, 5.5}));

    auto* skipping = WithPeriod(3, new TExpMovAveFunction);
    skipping->SetIgnoreNulls(false);
    TLineSeries* gapped = Source({2, 4, 8});
    gapped->SetNull(1);
    EXPECT_EQ(PointsOf(*Output(skipping, gapped)), (Points{{0, 2}, {2, 5}}));

    // The older exponential average: one result per point from the point and its predecessor.
    auto* old = new TExpAverageFunction;
    old->SetWeight(0.5);
    EXPECT_EQ(YOf(*Output(old, Source({2, 4, 8}))), (std::vector<double>{2, 3, 6}));
    for (double bad : {-0.1, 1.5, std::nan("")}) {
        try {
            old->SetWeight(bad);
            ADD_FAILURE() << bad;
        } catch (const ChartException& e) {
            EXPECT_STREQ(e.what(), "ExpAverage Weight must be between 0 and 1");
        }
        EXPECT_EQ(old->Weight(), 0.5);
    }
}

TEST_F(StatCharTest, DispersionOfTheWorkedCases)
{
    const std::vector<double> spread{2, 4, 4, 4, 5, 5, 7, 9};
    auto* population = new TStdDeviationFunction;
    population->SetComplete(true);
    EXPECT_DOUBLE_EQ(Single(population, spread), 2);
    EXPECT_NEAR(Single(new TStdDeviationFunction, spread), 2.138, 5e-4);
    EXPECT_EQ(Single(new TStdDeviationFunction, {5}), 0);

    EXPECT_DOUBLE_EQ(Single(new TRMSFunction, {3, 4}), 5);
    auto* rms = new TRMSFunction;
    rms->SetComplete(true);
    EXPECT_DOUBLE_EQ(Single(rms, {3, 4}), std::sqrt(12.5));
    EXPECT_DOUBLE_EQ(Single(new TVarianceFunction, {1, 2, 3}), 2.0 / 3);
    EXPECT_NEAR(Single(new TSkewnessFunction, {1, 2, 3, 10, 17, 18, 19}), 0, 1e-15);
}

TEST_F(StatCharTest, SigmaOfValuesFarFromZeroKeepsTheirSpread)
{
    // Sums of squares cancel here and once gave 0.
    EXPECT_DOUBLE_EQ(Single(new TStdDeviationFunction, {1e8 + 1, 1e8 + 2, 1e8 + 3}), 1);
    EXPECT_DOUBLE_EQ(Single(new TVarianceFunction, {1e8 + 1, 1e8 + 2, 1e8 + 3}), 2.0 / 3);
    EXPECT_NEAR(Single(new TKurtosisFunction, {1e8 + 1, 1e8 + 2, 1e8 + 3}), 1, 1e-12);
}

TEST_F(StatCharTest, SkewnessAnswersForEachPeriod)
{
    // The first period leans right, the second left; a whole-source answer would repeat itself.
    auto* skewness = WithPeriod(4, new TSkewnessFunction);
    const std::vector<double> ys = YOf(*Output(skewness, Source({0, 0, 0, 8, 8, 8, 8, 0})));
    ASSERT_EQ(ys.size(), 2u);
    EXPECT_GT(ys[0], 0);
    EXPECT_DOUBLE_EQ(ys[1], -ys[0]);
}

TEST_F(StatCharTest, ChangeMeasuresOfTheWorkedCases)
{
    EXPECT_EQ(YOf(*Output(new TPercentChangeFunction, Source({100, 110}))), (std::vector<double>{0, 10}));
    EXPECT_EQ(YOf(*Output(new TSlopeFunction, Source(Points{{0, 1}, {2, 5}}))), (std::vector<double>{0, 2}));
    EXPECT_EQ(YOf(*Output(new TPerformanceFunction, Source({50, 75, 25}))), (std::vector<double>{0, 50, -50}));
    EXPECT_EQ(YOf(*Output(new TPerformanceFunction, Source({0, 75}))), (std::vector<double>{0, 0}));
    EXPECT_EQ(YOf(*Output(new TMomentumFunction, Source({1, 4, 9}))), (std::vector<double>{3, 5}));
    EXPECT_EQ(YOf(*Output(new TMomentumDivFunction, Source({0, 4, 8}))), (std::vector<double>{0, 200}));
}

TEST_F(StatCharTest, CrossPointsOfCrossingParallelAndTouchingSegments)
{
    const struct {
        const char* name;
        Points a, b, expected;
    } cases[] = {
        {"crossing", {{0, 0}, {2, 2}}, {{0, 2}, {2, 0}}, {{1, 1}}},
        {"parallel", {{0, 0}, {2, 2}}, {{0, 1}, {2, 3}}, {}},
        {"touching at an end", {{0, 0}, {2, 2}}, {{0, 4}, {2, 2}}, {{2, 2}}},
        {"two crossings", {{0, 0}, {2, 2}, {4, 0}}, {{0, 1}, {4, 1}}, {{1, 1}, {3, 1}}},
        {"one point only", {{0, 0}}, {{0, 1}, {4, 1}}, {}},
    };
    for (const auto& c : cases) {
        auto* output = new TPointSeries(&chart);
        output->SetParentChart(&chart);
        output->AddDataSource(Source(c.a));
        output->AddDataSource(Source(c.b));
        output->SetFunction(new TCrossPointsFunction);
        EXPECT_EQ(PointsOf(*output), c.expected) << c.name;
    }
}

TEST_F(StatCharTest, CentroidIsTheMiddleOfTheBoundsInDoublePrecision)
{
    auto* output = Output<TPointSeries>(new TCentroidDuvFunction, Source(Points{{0, 0}, {10, 2}, {4, 8}}));
    EXPECT_EQ(PointsOf(*output), (Points{{5, 4}}));

    // A date-time X of this size would move by minutes in single precision.
    const double day = 46000.123456789;
    auto* dated = Output<TPointSeries>(new TCentroidDuvFunction, Source(Points{{day, 1}, {day + 1, 3}}));
    EXPECT_DOUBLE_EQ(dated->GetXValue(0), day + 0.5);
}

// ---------------------------------------------------------------- against numpy and pandas

class StatCharJudgeTest : public StatCharTest {
protected:
    static constexpr int N = 10000, Window = 100, Group = 250;

    void SetUp() override
    {
        StatCharTest::SetUp();
        std::mt19937 generator(20261211);
        std::normal_distribution<double> step(0, 25);
        std::uniform_real_distribution<double> gap(0.5, 1.5);
        double x = 1, y = 1e8;
        qbtest::TempDir dir;
        const std::string path = dir.file("points.txt");
        {
            std::ofstream out(path);
            char line[96];
            for (int i = 0; i < N; ++i) {
                x += gap(generator);
                y += step(generator);
                const bool null = i % 7 == 3;
                xs.push_back(x);
                ys.push_back(y);
                nulls.push_back(null);
                std::snprintf(line, sizeof line, "%.17g %.17g %d\n", x, y, null ? 1 : 0);
                out << line;
            }
        }
        std::istringstream output(enginetest::Run({"/usr/bin/python3", qbtest::DataPath("chart/series/statchar_judge.py"),
                                                   path, std::to_string(Window), std::to_string(Group)}));
        for (std::string line; std::getline(output, line);) {
            std::istringstream fields(line);
            std::string name;
            fields >> name;
            for (double v; fields >> v;) expected[name].push_back(v);
        }
        ASSERT_FALSE(expected.empty());
    }

    TLineSeries* Walk(bool withNulls = false)
    {
        auto* source = new TLineSeries(&chart);
        source->SetParentChart(&chart);
        source->AddXYArrays(xs, ys);
        if (withNulls)
            for (int i = 0; i < N; ++i)
                if (nulls[static_cast<std::size_t>(i)]) source->SetNull(i);
        return source;
    }

    void ExpectJudged(const std::string& name, const std::vector<double>& ours)
    {
        const std::vector<double>& theirs = expected[name];
        ASSERT_EQ(ours.size(), theirs.size()) << name;
        int wrong = 0;
        for (std::size_t i = 0; i < ours.size(); ++i)
            if (!(std::fabs(ours[i] - theirs[i]) <= 1e-9 * std::max(std::fabs(theirs[i]), 1.0)) && wrong++ < 3)
                ADD_FAILURE() << name << " [" << i << "] " << ours[i] << " != " << theirs[i];
    }

    std::vector<double> xs, ys;
    std::vector<bool> nulls;
    std::map<std::string, std::vector<double>> expected;
};

TEST_F(StatCharJudgeTest, MovingFunctionsMatchNumpyAndPandas)
{
    auto* index = WithPeriod(Window, new TMovingAverageFunction);
    index->SetWeightedIndex(true);
    auto* byX = WithPeriod(Window, new TMovingAverageFunction);
    byX->SetWeighted(true);
    const struct {
        const char* name;
        TDuvFunction* function;
    } cases[] = {
        {"ma", WithPeriod(Window, new TMovingAverageFunction)},
        {"ma_index", index},
        {"ma_x", byX},
        {"ema_all", WithPeriod(Window, new TExpMovAveFunction)},
        {"smoothed", WithPeriod(Window, new TSmoothedMovAvgFunction)},
        {"momentum", WithPeriod(Window, new TMomentumFunction)},
        {"momentum_div", WithPeriod(Window, new TMomentumDivFunction)},
        {"performance", WithPeriod(Window, new TPerformanceFunction)},
        {"percent_change", WithPeriod(Window, new TPercentChangeFunction)},
        {"slope", WithPeriod(Window, new TSlopeFunction)},
    };
    for (const auto& c : cases) ExpectJudged(c.name, YOf(*Output(c.function, Walk())));

    auto* skipping = WithPeriod(Window, new TExpMovAveFunction);
    skipping->SetIgnoreNulls(false);
    ExpectJudged("ema_skip", YOf(*Output(skipping, Walk(true))));
}

TEST_F(StatCharJudgeTest, DispersionMatchesNumpyOverTheWholeSourceAndPerPeriod)
{
    const auto complete = [](auto* function) {
        function->SetComplete(true);
        return function;
    };
    for (const auto& [suffix, period] : {std::pair<std::string, double>{"all", 0}, {"groups", Group}}) {
        const struct {
            std::string name;
            TDuvFunction* function;
        } cases[] = {
            {"std1_", new TStdDeviationFunction},
            {"std0_", complete(new TStdDeviationFunction)},
            {"var_", new TVarianceFunction},
            {"rms1_", new TRMSFunction},
            {"rms0_", complete(new TRMSFunction)},
            {"skew_", new TSkewnessFunction},
            {"kurt_", new TKurtosisFunction},
            {"skew0_", complete(new TSkewnessFunction)},
            {"kurt0_", complete(new TKurtosisFunction)},
        };
        for (const auto& c : cases) {
            c.function->SetPeriod(period);
            // Bar outputs hold one point per result.
            ExpectJudged(c.name + suffix, YOf(*Output<TPointSeries>(c.function, Walk())));
        }
    }
}

// ---------------------------------------------------------------- perimeter against shapely

TEST_F(StatCharTest, PerimeterOfAPaintedChartMatchesShapelysHull)
{
    std::mt19937 generator(7);
    std::uniform_real_distribution<double> value(0, 1000);
    auto* source = new TPointSeries(&chart);
    source->SetParentChart(&chart);
    source->XValues()->SetOrder(loNone);
    for (int i = 0; i < 200; ++i) source->AddPointXY(value(generator), value(generator));
    chart.Draw();
    auto* output = Output(new TPerimeterFunction, source);
    ASSERT_GE(output->PointCount(), 4);
    EXPECT_EQ(output->GetXValue(0), output->GetXValue(output->PointCount() - 1));

    qbtest::TempDir dir;
    const std::string sourcePath = dir.file("points.txt"), outlinePath = dir.file("outline.txt");
    {
        std::ofstream out(sourcePath);
        for (int i = 0; i < source->PointCount(); ++i)
            out << source->GetPointScreenX(i) << ' ' << source->GetPointScreenY(i) << '\n';
        std::ofstream outline(outlinePath);
        for (int i = 0; i < output->PointCount(); ++i)
            outline << output->ValueToScreenX(output->GetXValue(i)) << ' ' << output->ValueToScreenY(output->GetYValue(i))
                    << '\n';
    }
    // Prints how far the farthest corner of either outline lies from the other outline.
    const char* script = R"(
import sys
from shapely.geometry import MultiPoint, Point, Polygon
read = lambda path: [tuple(map(float, line.split())) for line in open(path)]
hull = MultiPoint(read(sys.argv[1])).convex_hull
ours = Polygon(read(sys.argv[2]))
print(max(ours.exterior.distance(Point(p)) for p in hull.exterior.coords))
print(max(hull.exterior.distance(Point(p)) for p in ours.exterior.coords))
)";
    std::istringstream judged(enginetest::Run({"/usr/bin/python3", "-c", script, sourcePath, outlinePath}));
    double theirsFromOurs = 99, oursFromTheirs = 99;
    judged >> theirsFromOurs >> oursFromTheirs;
    EXPECT_LE(theirsFromOurs, 1);
    EXPECT_LE(oursFromTheirs, 1);
}

// ---------------------------------------------------------------- gallery previews

class StatCharGalleryTest : public StatCharTest {
protected:
    // As the gallery does: a sample source of the function's preferred class, the output, then
    // the function's own set-up.
    TChartSeries* Preview(TDuvFunction* function)
    {
        const TClassInfo* sourceClass = function->GetSourceSeriesClass();
        auto* source = static_cast<TChartSeries*>((sourceClass ? sourceClass : &TFastLineSeries::StaticClass())->Create(&chart));
        source->SetParentChart(&chart);
        source->FillSampleValues(25);
        auto* output = new TLineSeries(&chart);
        output->SetParentChart(&chart);
        function->SetUpInGallery(&chart);
        return function->OutputSeries();
    }
};

TEST_F(StatCharGalleryTest, PreviewsBeyondTheFrameworks)
{
    auto* moving = new TMovingAverageFunction;
    EXPECT_EQ(Preview(moving)->PointCount(), 16);
    EXPECT_EQ(moving->Period(), 10);

    EXPECT_EQ(Preview(new TMomentumDivFunction)->VertAxis(), aRightAxis);
    EXPECT_EQ(chart.LeftAxis()->EndPosition(), 70);
    Preview(new TPercentChangeFunction);
    EXPECT_EQ(chart.RightAxis()->AxisValuesFormat(), "0%");
}

TEST_F(StatCharGalleryTest, CentroidPreviewsOnAPointCloud)
{
    auto* centroid = new TCentroidDuvFunction;
    TChartSeries* output = Preview(centroid);
    ASSERT_NE(output, nullptr);
    EXPECT_TRUE(output->InheritsFrom(TPointSeries::StaticClass()));
    EXPECT_EQ(output->PointCount(), 1);
    auto* source = static_cast<TChartSeries*>(chart.SeriesList().GetSeries(0));
    EXPECT_EQ(source->PointCount(), 100);
    EXPECT_EQ(chart.BottomAxis()->Minimum(), source->XValues()->GetMinimum() - 100);
}

TEST_F(StatCharGalleryTest, CrossPointsPreviewFindsACrossing)
{
    auto* source = new TFastLineSeries(&chart);
    source->SetParentChart(&chart);
    source->FillSampleValues(25);
    auto* second = new TFastLineSeries(&chart);
    second->SetParentChart(&chart);
    second->FillSampleValues(5);
    auto* crossing = new TCrossPointsFunction(&chart);
    crossing->SetUpInGallery(&chart);
    ASSERT_EQ(chart.SeriesList().Count(), 3);
    EXPECT_EQ(source->Title(), "Data 1");
    EXPECT_EQ(second->PointCount(), 25);
    EXPECT_GT(crossing->OutputSeries()->PointCount(), 0);
}

TEST_F(StatCharGalleryTest, DownSamplingSplitsTheChartBetweenSourceAndOutput)
{
    TChartSeries* output = Preview(new TDownSamplingFunction);
    auto* source = static_cast<TChartSeries*>(chart.SeriesList().GetSeries(0));
    EXPECT_EQ(source->PointCount(), 2000);
    EXPECT_EQ(output->VertAxis(), aRightAxis);
    EXPECT_EQ(chart.RightAxis()->StartPosition(), 50);
    EXPECT_EQ(chart.LeftAxis()->EndPosition(), 50);
    EXPECT_EQ(chart.LeftAxis()->GetTitle()->Caption(), "2000 Points");
    EXPECT_EQ(chart.RightAxis()->GetTitle()->Caption(), std::to_string(output->PointCount()) + " Points");
}

}  // namespace
