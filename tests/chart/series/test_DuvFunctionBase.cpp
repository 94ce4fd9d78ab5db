// The function framework: single results, periods by points and by X range, moving windows and
// several sources, seen through a function that sums its values.
#include <gtest/gtest.h>

#include "chart/engine/AxisPanel.h"
#include "chart/series/Series.h"
#include "chart/series/SeriesBar.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {

class TSumFunction : public TDuvFunction {
public:
    explicit TSumFunction(TComponent* owner = nullptr) : TDuvFunction(owner) {}
    double CalculateArray(std::vector<double>& values) override
    {
        double sum = 0;
        for (double v : values) sum += v;
        return sum;
    }
};

class TMovingSum : public TDuvMovingFunction {
public:
    explicit TMovingSum(TComponent* owner = nullptr) : TDuvMovingFunction(owner) {}
    double CalculateArray(std::vector<double>& values) override
    {
        double sum = 0;
        for (double v : values) sum += v;
        return sum;
    }
};

using Points = std::vector<std::pair<double, double>>;

Points PointsOf(const TChartSeries& series)
{
    Points points;
    for (int i = 0; i < series.PointCount(); ++i) points.emplace_back(series.GetXValue(i), series.GetYValue(i));
    return points;
}

class DuvFunctionBaseTest : public ::testing::Test {
protected:
    void SetUp() override { StartSeriesModules(); }

    // A source with X 1..count (or the given X) and Y = X, and an output fed by the function.
    template <class OutputClass = TLineSeries>
    TChartSeries* Output(TDuvFunction* function, const std::vector<double>& xs)
    {
        auto* source = new TLineSeries(&chart);
        source->SetParentChart(&chart);
        for (double x : xs) source->AddPointXY(x, x);
        auto* output = new OutputClass(&chart);
        output->SetParentChart(&chart);
        output->SetDataSource(source);
        output->SetFunction(function);
        return output;
    }

    TTestChart chart;
};

std::vector<double> OneTo(int count)
{
    std::vector<double> xs;
    for (int i = 1; i <= count; ++i) xs.push_back(i);
    return xs;
}

TEST_F(DuvFunctionBaseTest, PeriodZeroGivesTwoEndsOnALineAndTheMiddleOnABar)
{
    EXPECT_EQ(PointsOf(*Output(new TSumFunction, OneTo(10))), (Points{{1, 55}, {10, 55}}));
    EXPECT_EQ(PointsOf(*Output<TBarSeries>(new TSumFunction, OneTo(10))), (Points{{5.5, 55}}));
}

TEST_F(DuvFunctionBaseTest, PeriodsOfPointsLeaveATrailingShortGroupOut)
{
    const struct {
        TFunctionPeriodAlign align;
        Points expected;
    } cases[] = {
        {paFirst, {{1, 6}, {4, 15}, {7, 24}}},
        {paLast, {{3, 6}, {6, 15}, {9, 24}}},
        {paCenter, {{2, 6}, {5, 15}, {8, 24}}},
    };
    for (const auto& c : cases) {
        auto* function = new TSumFunction;
        function->StorePeriod(3);
        function->SetPeriodAlign(c.align);
        EXPECT_EQ(PointsOf(*Output(function, OneTo(10))), c.expected) << c.align;
    }
}

TEST_F(DuvFunctionBaseTest, RangesStartAtTheFirstXAndEmptyRangesGiveZero)
{
    auto* function = new TSumFunction;
    function->StorePeriod(10);
    function->SetPeriodStyle(psRange);
    function->SetPeriodAlign(paLast);
    const Points points = PointsOf(*Output(function, {0, 1, 25, 26}));
    ASSERT_EQ(points.size(), 3u);
    EXPECT_DOUBLE_EQ(points[0].second, 1);
    EXPECT_DOUBLE_EQ(points[1].second, 0);
    EXPECT_DOUBLE_EQ(points[2].first, 29.99);
    EXPECT_DOUBLE_EQ(points[2].second, 51);
}

TEST_F(DuvFunctionBaseTest, MovingWindowsNeedAWholeWindow)
{
    auto* moving = new TMovingSum;
    moving->SetPeriod(3);
    EXPECT_EQ(Output(moving, OneTo(10))->PointCount(), 8);
    EXPECT_DOUBLE_EQ(Output(moving, OneTo(10))->GetXValue(0), 3);
    auto* short_ = new TMovingSum;
    short_->SetPeriod(3);
    EXPECT_EQ(Output(short_, OneTo(2))->PointCount(), 0);
}

TEST_F(DuvFunctionBaseTest, SeveralSourcesByIndexAndByX)
{
    auto* a = new TLineSeries(&chart);
    auto* b = new TLineSeries(&chart);
    for (int i = 0; i < 5; ++i) a->AddPointXY(i, 1);
    for (int i = 0; i < 7; ++i) b->AddPointXY(i * 2, 10);
    auto* output = new TLineSeries(&chart);
    for (auto* s : {a, b, output}) s->SetParentChart(&chart);
    output->AddDataSource(a);
    output->AddDataSource(b);
    auto* function = new TSumFunction;
    output->SetFunction(function);
    ASSERT_EQ(output->PointCount(), 7);
    EXPECT_DOUBLE_EQ(output->GetXValue(6), 12);
    EXPECT_DOUBLE_EQ(output->GetYValue(0), 11);
    EXPECT_DOUBLE_EQ(output->GetYValue(6), 10);

    function->SetCalcByValue(true);
    // X 0, 2, 4 are in both; 1, 3 only in a; 6 .. 12 only in b: null points.
    ASSERT_EQ(output->PointCount(), 9);
    int nulls = 0;
    for (int i = 0; i < output->PointCount(); ++i) nulls += output->IsNullPoint(i);
    EXPECT_EQ(nulls, 6);
    function->SetIncludeNulls(false);
    EXPECT_EQ(output->PointCount(), 3);
}

TEST_F(DuvFunctionBaseTest, ANegativePeriodIsRefusedAndKeepsTheOldOne)
{
    TSumFunction function;
    function.SetPeriod(2);
    EXPECT_THROW(function.SetPeriod(-1), ChartException);
    EXPECT_THROW(function.SetPeriod(std::nan("")), ChartException);
    EXPECT_DOUBLE_EQ(function.Period(), 2);
}

}  // namespace
