// The histogram function: counts judged by numpy.histogram, bins of the edge cases, nulls and
// values that are not numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "chart/series/DuvHistogram.h"
#include "support_FunctionTest.h"

using namespace functiontest;

namespace {

class DuvHistogramTest : public ::testing::Test, protected TFunctionChart {
protected:
    THistogramFunction* Histogram(int bins, TDataStyle style = hdsTruncate, bool cumulative = false)
    {
        auto* function = new THistogramFunction;
        function->SetNumBins(bins);
        function->SetDataStyle(style);
        function->SetCumulative(cumulative);
        return function;
    }
};

std::vector<double> Range(int first, int last)
{
    std::vector<double> values;
    for (int v = first; v <= last; ++v) values.push_back(v);
    return values;
}

TEST_F(DuvHistogramTest, CountsAgreeWithNumpyHistogram)
{
    std::mt19937 generator(11);
    std::normal_distribution<double> normal(3, 2);
    std::vector<double> values(100000);
    for (double& v : values) v = normal(generator);
    TChartSeries* source = Source({});
    source->AddXYArrays(Range(0, 99999), values);
    for (int bins : {20, 7}) {
        const std::vector<double> judged = Judge("histogram", {values}, {std::to_string(bins)}).at(0);
        EXPECT_EQ(MandatoryValues(*Bar(Histogram(bins), {source})), judged) << bins;
    }
}

TEST_F(DuvHistogramTest, BinsOfSmallSets)
{
    const struct {
        const char* name;
        std::vector<double> values;
        int bins;
        TDataStyle style;
        bool cumulative;
        Texts expected;
    } cases[] = {
        // The maximum lands in the last bin.
        {"0..10", Range(0, 10), 5, hdsTruncate, false, {"1:2", "3:2", "5:2", "7:2", "9:3"}},
        {"0..10 cumulative", Range(0, 10), 5, hdsTruncate, true, {"1:2", "3:4", "5:6", "7:8", "9:11"}},
        // Rounded positions v / 2, halves to even: 1 -> 0, 3 -> 2, 5 -> 2, 7 -> 4, 9 -> 4.
        {"0..10 rounded", Range(0, 10), 5, hdsRound, false, {"1:2", "3:1", "5:3", "7:1", "9:4"}},
        {"0..4 rounded", Range(0, 4), 4, hdsRound, false, {"0.5:1", "1.5:1", "2.5:1", "3.5:2"}},
        // Identical values: the range is widened around them and they fall in the middle bin.
        {"five 7s", {7, 7, 7, 7, 7}, 4, hdsTruncate, false, {"5.125:0", "6.375:0", "7.625:5", "8.875:0"}},
        {"one bin", {1, 5, 9}, 1, hdsTruncate, false, {"5:3"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Shown(*Bar(Histogram(c.bins, c.style, c.cumulative), {Source(c.values)})), c.expected) << c.name;
}

TEST_F(DuvHistogramTest, NumBinsStaysBetweenOneAndTheLargestCount)
{
    THistogramFunction function;
    const struct {
        int bins, stored;
    } cases[] = {{0, 1}, {-3, 1}, {1, 1}, {THistogramFunction::MaxNumBins, THistogramFunction::MaxNumBins},
                 {2147483647, THistogramFunction::MaxNumBins}};
    for (const auto& c : cases) {
        function.SetNumBins(c.bins);
        EXPECT_EQ(function.NumBins(), c.stored) << c.bins;
    }
    EXPECT_FALSE(function.PeriodEditable);
    EXPECT_TRUE(function.SingleSourceOnly);
    EXPECT_EQ(function.Period(), 1);
}

TEST_F(DuvHistogramTest, ExcludedNullPointsAndNonNumbersDoNotStretchTheRange)
{
    // Values 0..4 and a null point of 100: without nulls the bins span 0..4 only.
    for (bool include : {true, false}) {
        TChartSeries* source = Source(Range(0, 4));
        source->AddNullPointXY(5, 100);
        auto* function = Histogram(2);
        function->SetIncludeNulls(include);
        const Texts expected = include ? Texts{"25:5", "75:1"} : Texts{"1:2", "3:3"};
        EXPECT_EQ(Shown(*Bar(function, {source})), expected) << include;
    }
    TChartSeries* source = Source({0, std::nan(""), 4, INFINITY, -INFINITY});
    EXPECT_EQ(Shown(*Bar(Histogram(2), {source})), (Texts{"1:1", "3:1"}));
}

TEST_F(DuvHistogramTest, NothingToCountLeavesTheOutputEmpty)
{
    TChartSeries* source = Source({});
    source->AddNullPointXY(0, 1);
    auto* function = Histogram(3);
    function->SetIncludeNulls(false);
    EXPECT_EQ(Bar(function, {source})->PointCount(), 0);
    EXPECT_EQ(Bar(Histogram(3), {Source({})})->PointCount(), 0);
}

TEST_F(DuvHistogramTest, ExtremeValuesStillFallIntoBins)
{
    // A span beyond the largest double, and one whose positions would overflow before division.
    EXPECT_EQ(Shown(*Bar(Histogram(3), {Source({-1.5e308, 0, 1.5e308})})),
              (Texts{"-1E308:1", "0:1", "1E308:1"}));
    EXPECT_EQ(MandatoryValues(*Bar(Histogram(20), {Source({0, 1e308, 2e307, 1.05e308})})),
              (std::vector<double>{1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2}));
}

TEST_F(DuvHistogramTest, ASetterGivenItsValueDoesNotRecalculate)
{
    auto* output = new seriestest::TTestSeries(&Chart);
    output->SetParentChart(&Chart);
    output->AddDataSource(Source(Range(0, 10)));
    auto* function = Histogram(5);
    output->SetFunction(function);
    output->Heard.clear();
    function->SetNumBins(5);
    function->SetCumulative(false);
    function->SetDataStyle(hdsTruncate);
    function->SetIncludeNulls(true);
    EXPECT_TRUE(output->Heard.empty());
    function->SetNumBins(4);
    EXPECT_EQ(output->Heard, (Texts{"load"}));
}

}  // namespace
