// The cumulative and count functions: running totals judged by numpy.cumsum, totals of longer
// periods, several sources, and counts of points and of sources.
#include <gtest/gtest.h>

#include "chart/series/DuvCount.h"
#include "chart/series/DuvCumu.h"
#include "support_FunctionTest.h"

using namespace functiontest;

namespace {

class DuvCumuCountTest : public ::testing::Test, protected TFunctionChart {};

TEST_F(DuvCumuCountTest, CumulativeAgreesWithNumpyCumsum)
{
    const std::vector<double> values = RandomValues(1000, 7, -100, 100);
    const std::vector<std::vector<double>> judged = Judge("running", {values});
    ASSERT_EQ(judged.size(), 2u);
    EXPECT_EQ(MandatoryValues(*Line(new TCumulative, {Source(values)})), judged[0]);
}

TEST_F(DuvCumuCountTest, CumulativeResultsAreTheTotalsUpToEachPeriodsLastPoint)
{
    const struct {
        const char* name;
        double period;
        TFunctionPeriodStyle style;
        std::vector<double> xs;
        Texts expected;
    } cases[] = {
        {"one point", 1, psNumPoints, {}, {"0:1", "1:3", "2:6", "3:10"}},
        {"two points", 2, psNumPoints, {}, {"0.5:3", "2.5:10"}},
        {"three points", 3, psNumPoints, {}, {"1:6"}},
        {"ranges", 2, psRange, {0, 1, 5, 6}, {"0.999:3", "2.999:0", "4.999:6", "6.999:10"}},
    };
    for (const auto& c : cases) {
        auto* function = new TCumulative;
        function->SetPeriod(c.period);
        function->SetPeriodStyle(c.style);
        EXPECT_EQ(Shown(*Line(function, {Source({1, 2, 3, 4}, c.xs)})), c.expected) << c.name;
    }
    // One result for the whole source is 0.
    auto* whole = new TCumulative;
    whole->SetPeriod(0);
    EXPECT_EQ(Shown(*Bar(whole, {Source({1, 2, 3, 4})})), (Texts{"1.5:0"}));
}

TEST_F(DuvCumuCountTest, CumulativeOverSeveralSourcesRunsOverThePerIndexSums)
{
    TChartSeries* a = Source({1, 2, 3});
    TChartSeries* b = Source({10, 20});
    EXPECT_EQ(Shown(*Line(new TCumulative, {a, b})), (Texts{"0:11", "1:33", "2:36"}));
    // Matched by X the framework's empty reduction gives 0.
    auto* byX = new TCumulative;
    byX->SetCalcByValue(true);
    EXPECT_EQ(Shown(*Line(byX, {a, b})), (Texts{"0:0", "1:0", "2:null"}));
}

TEST_F(DuvCumuCountTest, CumulativeLeavesOutNullPointsWithoutIncludeNulls)
{
    TChartSeries* source = Source({1, 2});
    source->AddNullPointXY(2, 100);
    source->AddPointXY(3, 4);
    auto* function = new TCumulative;
    function->SetIncludeNulls(false);
    EXPECT_EQ(Shown(*Line(function, {source})), (Texts{"0:1", "1:3", "2:3", "3:7"}));
}

TEST_F(DuvCumuCountTest, CountOfPointsPerPeriodAndOfSourcesPerIndex)
{
    std::vector<double> ten(10, 1.0);
    auto* byThree = new TCountDuvFunction;
    byThree->SetPeriod(3);
    EXPECT_EQ(Shown(*Line(byThree, {Source(ten)})), (Texts{"1:3", "4:3", "7:3"}));
    EXPECT_EQ(Shown(*Bar(new TCountDuvFunction, {Source(ten)})), (Texts{"4.5:10"}));

    // Null points count too.
    TChartSeries* withNull = Source({1});
    withNull->AddNullPointXY(1, 1);
    auto* noNulls = new TCountDuvFunction;
    noNulls->SetIncludeNulls(false);
    EXPECT_EQ(Shown(*Bar(noNulls, {withNull})), (Texts{"0.5:2"}));

    TChartSeries* three = Source({1, 1, 1});
    TChartSeries* five = Source({1, 1, 1, 1, 1});
    EXPECT_EQ(Shown(*Line(new TCountDuvFunction, {three, five})), (Texts{"0:2", "1:2", "2:2", "3:1", "4:1"}));
    // By X: how many sources have the X (the rest are null points).
    auto* byX = new TCountDuvFunction;
    byX->SetCalcByValue(true);
    EXPECT_EQ(Shown(*Line(byX, {three, five})), (Texts{"0:2", "1:2", "2:2", "3:null", "4:null"}));
}

}  // namespace
