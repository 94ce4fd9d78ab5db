// The function framework: single results, periods by points and by X range, moving windows and
// several sources, seen through a function that sums its values.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "chart/engine/AxisPanel.h"
#include "chart/series/Series.h"
#include "chart/series/SeriesBar.h"
#include "platform/core/NumText.h"
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

// A sum that counts its recalculations.
class TCountedSum : public TSumFunction {
public:
    int Refills = 0;
    void CalculateFromSources(TChartSeries* source) override
    {
        ++Refills;
        TSumFunction::CalculateFromSources(source);
    }
};

// The product of the values; nothing to multiply has no defined value.
class TProductFunction : public TDuvFunction {
public:
    TProductFunction() : TDuvFunction(nullptr) {}
    double CalculateArray(std::vector<double>& values) override
    {
        if (values.empty()) return std::nan("");
        double product = 1;
        for (double v : values) product *= v;
        return product;
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

namespace {

// x:y of each point, "x:null" for a null point.
std::vector<std::string> Shown(const TChartSeries& series)
{
    std::vector<std::string> shown;
    for (int i = 0; i < series.PointCount(); ++i)
        shown.push_back(FloatToStr(series.GetXValue(i)) + ":" +
                        (series.IsNullPoint(i) ? std::string("null") : FloatToStr(series.GetYValue(i))));
    return shown;
}

using Texts = std::vector<std::string>;

TEST_F(DuvFunctionBaseTest, PeriodsByPointsAndByRangeWithEachAlignment)
{
    // Points X 1..10 (Y = X) by points; X 0, 1, 25, 26 (Y = X) by ranges of 10.
    const struct {
        TFunctionPeriodStyle style;
        double period;
        TFunctionPeriodAlign align;
        std::vector<double> xs;
        Texts expected;
    } cases[] = {
        {psNumPoints, 3, paFirst, OneTo(10), {"1:6", "4:15", "7:24"}},
        {psNumPoints, 3, paCenter, OneTo(10), {"2:6", "5:15", "8:24"}},
        {psNumPoints, 3, paLast, OneTo(10), {"3:6", "6:15", "9:24"}},
        // 2.5 rounds to 2 (halves to even), 3.5 to 4.
        {psNumPoints, 2.5, paFirst, OneTo(5), {"1:3", "3:7"}},
        {psNumPoints, 3.5, paLast, OneTo(9), {"4:10", "8:26"}},
        {psNumPoints, 10, paFirst, OneTo(10), {"1:55"}},
        {psNumPoints, 11, paFirst, OneTo(10), {}},
        {psRange, 10, paFirst, {0, 1, 25, 26}, {"0:1", "10:0", "20:51"}},
        {psRange, 10, paCenter, {0, 1, 25, 26}, {"4.995:1", "14.995:0", "24.995:51"}},
        {psRange, 10, paLast, {0, 1, 25, 26}, {"9.99:1", "19.99:0", "29.99:51"}},
        // Ranges start at the first X, not at a rounded boundary; the last partial one counts.
        {psRange, 2, paFirst, {0.5, 1, 2.5, 3, 5}, {"0.5:1.5", "2.5:5.5", "4.5:5"}},
    };
    for (const auto& c : cases) {
        auto* function = new TSumFunction;
        function->StorePeriod(c.period);
        function->SetPeriodStyle(c.style);
        function->SetPeriodAlign(c.align);
        EXPECT_EQ(Shown(*Output(function, c.xs)), c.expected) << c.style << " " << c.period << " " << c.align;
    }
}

TEST_F(DuvFunctionBaseTest, APeriodOfUnderHalfAPointCountsAsOnePoint)
{
    for (double period : {0.5, 0.2, 1e-300}) {
        auto* function = new TSumFunction;
        function->StorePeriod(period);
        EXPECT_EQ(Shown(*Output(function, {1, 2, 3})), (Texts{"1:1", "2:2", "3:3"})) << period;
        auto* moving = new TMovingSum;
        moving->StorePeriod(period);
        EXPECT_EQ(Shown(*Output(moving, {1, 2, 3})), (Texts{"1:1", "2:2", "3:3"})) << period;
    }
}

TEST_F(DuvFunctionBaseTest, APeriodBeyondEveryCountGivesNoResult)
{
    const double huge[] = {std::numeric_limits<double>::infinity(), 1e300, 3e9};
    for (double period : huge)
        for (TFunctionPeriodStyle style : {psNumPoints, psRange}) {
            auto* function = new TSumFunction;
            function->SetPeriod(period);
            function->SetPeriodStyle(style);
            const TChartSeries* output = Output(function, OneTo(5));
            if (style == psRange && std::isfinite(period))
                EXPECT_EQ(Shown(*output), (Texts{FloatToStr(1 + period / 2 - 0.0005 * period) + ":15"})) << period;
            else
                EXPECT_EQ(output->PointCount(), 0) << period << " " << style;
            auto* moving = new TMovingSum;
            moving->StorePeriod(period);
            EXPECT_EQ(Output(moving, OneTo(5))->PointCount(), 0) << period;
        }
}

TEST_F(DuvFunctionBaseTest, ARangeTooSmallToMoveTheBoundaryEndsAtTheNextPoint)
{
    // 1e-20 cannot move 1e6: each distinct X makes a range of its own, the last takes the rest.
    auto* function = new TSumFunction;
    function->StorePeriod(1e-20);
    function->SetPeriodStyle(psRange);
    function->SetPeriodAlign(paFirst);
    EXPECT_EQ(Shown(*Output(function, {1e6, 1e6, 2e6, 3e6})), (Texts{"1000000:2000000", "2000000:2000000", "3000000:3000000"}));
}

TEST_F(DuvFunctionBaseTest, EmptyRangesStopAddingZerosAtTheirLimit)
{
    // A million-point gap of empty ranges for each of two gaps: the first fills the limit, the
    // second is jumped over, and the last point still gets its result.
    auto* function = new TSumFunction;
    function->StorePeriod(1);
    function->SetPeriodStyle(psRange);
    function->SetPeriodAlign(paFirst);
    const double far = TDuvFunction::MaxEmptyRanges + 10.0;
    const TChartSeries* output = Output(function, {0, far, 1e15});
    ASSERT_EQ(output->PointCount(), TDuvFunction::MaxEmptyRanges + 3);
    EXPECT_EQ(output->GetYValue(0), 0);
    EXPECT_EQ(output->GetXValue(TDuvFunction::MaxEmptyRanges + 1), far);
    EXPECT_EQ(output->GetYValue(TDuvFunction::MaxEmptyRanges + 1), far);
    EXPECT_EQ(output->GetXValue(TDuvFunction::MaxEmptyRanges + 2), 1e15);
    EXPECT_EQ(output->GetYValue(TDuvFunction::MaxEmptyRanges + 2), 1e15);
}

TEST_F(DuvFunctionBaseTest, XValuesThatAreNotNumbersEndTheRangeRoad)
{
    const double nan = std::nan("");
    auto* function = new TSumFunction;
    function->StorePeriod(1);
    function->SetPeriodStyle(psRange);
    TChartSeries* output = Output(function, {});
    auto* source = static_cast<TChartSeries*>(output->DataSource());
    source->XValues()->SetOrder(loNone);
    for (double x : {nan, 1.0, nan, std::numeric_limits<double>::infinity(), 2.0}) source->AddPointXY(x, 1);
    EXPECT_GT(output->PointCount(), 0);
}

TEST_F(DuvFunctionBaseTest, MovingWindowsWithEachAlignment)
{
    const struct {
        TFunctionPeriodAlign align;
        Texts expected;
    } cases[] = {
        {paFirst, {"1:6", "2:9", "3:12"}},
        {paCenter, {"2:6", "3:9", "4:12"}},
        {paLast, {"3:6", "4:9", "5:12"}},
    };
    for (const auto& c : cases) {
        auto* moving = new TMovingSum;
        moving->StorePeriod(3);
        moving->SetPeriodAlign(c.align);
        EXPECT_EQ(Shown(*Output(moving, OneTo(5))), c.expected) << c.align;
    }
    TMovingSum fresh;
    EXPECT_EQ(fresh.PeriodAlign(), paLast);
    EXPECT_EQ(fresh.Period(), 1);
    EXPECT_TRUE(fresh.SingleSourceOnly);
}

TEST_F(DuvFunctionBaseTest, IncludeNullsDecidesWhetherNullPointsCount)
{
    // Y 1..6 with the points 2 and 5 null.
    const struct {
        bool includeNulls;
        double period;
        Texts expected;
    } cases[] = {
        {true, 0, {"1:21", "6:21"}},
        {false, 0, {"1:14", "6:14"}},
        {true, 3, {"2:6", "5:15"}},
        {false, 3, {"2:4", "5:10"}},
    };
    for (const auto& c : cases) {
        auto* function = new TSumFunction;
        function->StorePeriod(c.period);
        function->SetIncludeNulls(c.includeNulls);
        TChartSeries* output = Output(function, {});
        auto* source = static_cast<TChartSeries*>(output->DataSource());
        for (int i = 1; i <= 6; ++i) {
            if (i == 2 || i == 5)
                source->AddNullPointXY(i, i);
            else
                source->AddPointXY(i, i);
        }
        EXPECT_EQ(Shown(*output), c.expected) << c.includeNulls << " " << c.period;
    }
}

class DuvFunctionManyTest : public DuvFunctionBaseTest {
protected:
    // Source a: X 0..4, Y 1..5, labels "a0".."a4", point 1 null; source b: X 0, 2, .. 12, Y 10.
    TChartSeries* Both(TDuvFunction* function)
    {
        a = new TLineSeries(&chart);
        b = new TLineSeries(&chart);
        for (int i = 0; i < 5; ++i) {
            if (i == 1)
                a->AddNullPointXY(i, i + 1, "a1");
            else
                a->AddPointXY(i, i + 1, "a" + std::to_string(i));
        }
        for (int i = 0; i < 7; ++i) b->AddPointXY(i * 2, 10);
        TChartSeries* output = new TLineSeries(&chart);
        for (TChartSeries* s : {a, b, output}) s->SetParentChart(&chart);
        output->AddDataSource(a);
        output->AddDataSource(b);
        output->SetFunction(function);
        return output;
    }

    static Texts Labels(const TChartSeries& series)
    {
        Texts labels;
        std::string label;
        for (int i = 0; i < series.PointCount(); ++i) {
            series.GetStoredLabel(i, label);
            labels.push_back(label);
        }
        return labels;
    }

    TChartSeries* a = nullptr;
    TChartSeries* b = nullptr;
};

TEST_F(DuvFunctionManyTest, ByIndexTheLongestSourceGivesXAndLabels)
{
    const struct {
        bool includeNulls;
        Texts expected;
    } cases[] = {
        {true, {"0:11", "2:12", "4:13", "6:14", "8:15", "10:10", "12:10"}},
        {false, {"0:11", "2:10", "4:13", "6:14", "8:15", "10:10", "12:10"}},
    };
    for (const auto& c : cases) {
        auto* function = new TSumFunction;
        function->SetIncludeNulls(c.includeNulls);
        const TChartSeries* output = Both(function);
        EXPECT_EQ(Shown(*output), c.expected);
        // Labels come from the reference, b, which has none.
        EXPECT_EQ(Labels(*output), Texts(7, ""));
    }
}

TEST_F(DuvFunctionManyTest, ByIndexASourceWithoutThePointContributesNothing)
{
    // A product over a (5 points) and b (7 points): past a's end only b's 10 remains.
    auto* function = new TProductFunction;
    TChartSeries* output = Both(function);
    EXPECT_EQ(Shown(*output), (Texts{"0:10", "2:20", "4:30", "6:40", "8:50", "10:10", "12:10"}));
    // Nothing to multiply at all: a null point.
    b->SetNull(1);
    function->SetIncludeNulls(false);
    EXPECT_EQ(Shown(*output)[1], "2:null");
}

TEST_F(DuvFunctionManyTest, ByXOneResultPerDistinctXWithLabelsAndNullPoints)
{
    const struct {
        bool includeNulls;
        Texts expected;
        Texts labels;
    } cases[] = {
        // a holds 0..4, b 0..12 by twos: 0, 2, 4 are in both. A label goes with the X of its
        // own candidate: a's "a2" is at index 2, where b's candidate is 4.
        {true,
         {"0:11", "1:null", "2:13", "3:null", "4:15", "6:null", "8:null", "10:null", "12:null"},
         {"a0", "a1", "", "a3", "", "", "", "", ""}},
        {false, {"0:11", "2:13", "4:15"}, {"a0", "", ""}},
    };
    for (const auto& c : cases) {
        auto* function = new TSumFunction;
        function->SetIncludeNulls(c.includeNulls);
        function->SetCalcByValue(true);
        const TChartSeries* output = Both(function);
        EXPECT_EQ(Shown(*output), c.expected) << c.includeNulls;
        EXPECT_EQ(Labels(*output), c.labels) << c.includeNulls;
    }
}

TEST_F(DuvFunctionManyTest, ByXFindsTheFirstPointOfAnXInUnsortedSources)
{
    auto* function = new TSumFunction;
    function->SetCalcByValue(true);
    TChartSeries* output = Both(function);
    for (auto* s : {a, b}) s->XValues()->SetOrder(loNone);
    // b gains a second point at X 4 and an earlier X after its end.
    b->AddPointXY(4, 100);
    b->AddPointXY(-1, 5);
    function->SetIncludeNulls(false);
    EXPECT_EQ(Shown(*output), (Texts{"0:11", "2:13", "4:15"}));
}

// The by-X road worked out by hand: one result per distinct X where it first occurs (the lowest
// index, then the first source), summing the first point of that X in every source; a source
// without it makes the result a null point. Results stand in the output's order of X.
Texts ByXByHand(const std::vector<Points>& sources, bool includeNulls, TChartListOrder order)
{
    struct TResult {
        double x, y;
        bool null;
    };
    std::vector<TResult> results;
    std::size_t longest = 0;
    for (const Points& p : sources) longest = std::max(longest, p.size());
    for (std::size_t t = 0; t < longest; ++t)
        for (std::size_t s = 0; s < sources.size(); ++s) {
            if (t >= sources[s].size()) continue;
            const double x = sources[s][t].first;
            bool before = false;
            for (std::size_t s2 = 0; s2 < sources.size(); ++s2)
                for (std::size_t t2 = 0; t2 <= t && t2 < sources[s2].size(); ++t2)
                    if (sources[s2][t2].first == x && (t2 < t || s2 < s)) before = true;
            if (before) continue;
            double y = 0;
            bool everywhere = true;
            for (const Points& p : sources) {
                auto found = std::find_if(p.begin(), p.end(), [x](const auto& point) { return point.first == x; });
                if (found == p.end())
                    everywhere = false;
                else
                    y += found->second;
            }
            if (everywhere || includeNulls) results.push_back({x, y, !everywhere});
        }
    // An ordered output takes each result after the values it does not precede.
    std::vector<TResult> stored;
    for (const TResult& r : results) {
        std::size_t at = stored.size();
        if (order != loNone)
            while (at > 0 && (order == loAscending ? stored[at - 1].x > r.x : stored[at - 1].x < r.x)) --at;
        stored.insert(stored.begin() + static_cast<std::ptrdiff_t>(at), r);
    }
    Texts shown;
    for (const TResult& r : stored) shown.push_back(FloatToStr(r.x) + ":" + (r.null ? std::string("null") : FloatToStr(r.y)));
    return shown;
}

TEST_F(DuvFunctionManyTest, ByXMatchesTheRoadWorkedOutByHand)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    auto points = [](std::vector<double> xs, double base) {
        Points p;
        for (std::size_t i = 0; i < xs.size(); ++i) p.emplace_back(xs[i], base + static_cast<double>(i));
        return p;
    };
    const struct {
        const char* name;
        std::vector<Points> sources;
    } cases[] = {
        {"ascending with repeats", {points({1, 2, 2, 3, 5, 8}, 10), points({2, 3, 3, 4, 5}, 100)}},
        {"descending with repeats", {points({9, 7, 7, 7, 4, 4, 1}, 10), points({1, 4, 6, 7, 9, 10}, 100)}},
        {"both descending", {points({6, 5, 4, 3, 2, 1}, 10), points({6, 4, 4, 2, 0}, 100)}},
        {"scattered", {points({5, 1, 4, 1, 5, 9, 2, 6}, 10), points({3, 5, 8, 9, 7, 9, 3, 2}, 100)}},
        {"zero and minus zero", {points({-0.0, 1, 0}, 10), points({0, -0.0, 2}, 100)}},
        {"three sources", {points({3, 1, 2}, 10), points({2, 3}, 100), points({4, 3, 2, 1, 0}, 1000)}},
        {"x not a number", {points({1, nan, 2, nan}, 10), points({nan, 2, 1}, 100)}},
        {"an empty source", {points({2, 1}, 10), Points{}}},
    };
    for (const auto& c : cases)
        for (TChartListOrder order : {loAscending, loDescending, loNone})
            for (bool includeNulls : {true, false}) {
                auto* function = new TSumFunction;
                function->SetCalcByValue(true);
                function->SetIncludeNulls(includeNulls);
                function->SuspendRecalculation();
                TChartSeries* output = new TLineSeries(&chart);
                output->SetParentChart(&chart);
                output->XValues()->SetOrder(order);
                std::vector<TChartSeries*> sources;
                for (const Points& p : c.sources) {
                    auto* source = new TLineSeries(&chart);
                    source->SetParentChart(&chart);
                    source->XValues()->SetOrder(loNone);
                    for (const auto& [x, y] : p) source->AddPointXY(x, y);
                    output->AddDataSource(source);
                    sources.push_back(source);
                }
                output->SetFunction(function);
                function->RecalcSuspended = false;
                function->Recalculate();
                const Texts expected = ByXByHand(c.sources, includeNulls, order);
                EXPECT_EQ(Shown(*output), expected) << c.name << " order " << order << " nulls " << includeNulls;
                // Again, into the storage the first recalculation left, and after a source shrank.
                function->Recalculate();
                EXPECT_EQ(Shown(*output), expected) << c.name << " again";
                if (!sources.empty() && sources[0]->PointCount() > 0) {
                    sources[0]->DeletePoint(sources[0]->PointCount() - 1);
                    std::vector<Points> shrunk = c.sources;
                    shrunk[0].pop_back();
                    function->Recalculate();
                    EXPECT_EQ(Shown(*output), ByXByHand(shrunk, includeNulls, order)) << c.name << " shrunk";
                }
                for (TChartSeries* source : sources) FreeComponent(source);
                FreeComponent(output);
            }
}

TEST_F(DuvFunctionBaseTest, ASetterGivenItsValueDoesNotRecalculateAndSuspendRefillsOnce)
{
    auto* function = new TCountedSum;
    Output(function, OneTo(4));
    const int before = function->Refills;
    function->SetPeriod(0);
    function->SetPeriodStyle(psNumPoints);
    function->SetPeriodAlign(paCenter);
    function->SetIncludeNulls(true);
    function->SetCalcByValue(false);
    EXPECT_EQ(function->Refills, before);

    function->SuspendRecalculation();
    function->SetPeriod(2);
    function->SetPeriodAlign(paFirst);
    function->SetIncludeNulls(false);
    EXPECT_EQ(function->Refills, before);
    function->ResumeRecalculation();
    EXPECT_EQ(function->Refills, before + 1);
    EXPECT_EQ(Shown(*function->OutputSeries()), (Texts{"1:3", "3:7"}));
    function->ResumeRecalculation();
    EXPECT_EQ(function->Refills, before + 1);
}

TEST_F(DuvFunctionBaseTest, AssignCopiesTheFiveSettingsWithoutRecalculating)
{
    TSumFunction from;
    from.SetCalcByValue(true);
    from.SetIncludeNulls(false);
    from.SetPeriod(4);
    from.SetPeriodStyle(psRange);
    from.SetPeriodAlign(paLast);
    from.PeriodEditable = false;
    auto* to = new TCountedSum;
    Output(to, OneTo(3));
    const int before = to->Refills;
    to->Assign(&from);
    EXPECT_EQ(to->Refills, before);
    EXPECT_TRUE(to->CalcByValue());
    EXPECT_FALSE(to->IncludeNulls());
    EXPECT_EQ(to->Period(), 4);
    EXPECT_EQ(to->PeriodStyle(), psRange);
    EXPECT_EQ(to->PeriodAlign(), paLast);
    EXPECT_TRUE(to->PeriodEditable);
}

TEST_F(DuvFunctionBaseTest, ResultsWithoutADefinedValueBecomeNullPoints)
{
    auto* function = new TProductFunction;
    function->StorePeriod(2);
    function->SetIncludeNulls(false);
    TChartSeries* output = Output(function, {});
    auto* source = static_cast<TChartSeries*>(output->DataSource());
    source->AddNullPointXY(1, 5);
    source->AddNullPointXY(2, 5);
    source->AddPointXY(3, 2);
    source->AddPointXY(4, 3);
    EXPECT_EQ(Shown(*output), (Texts{"1.5:null", "3.5:6"}));
    EXPECT_EQ(output->GetYValue(0), 0);
}

TEST_F(DuvFunctionBaseTest, TheValueSourceNamesTheListAFunctionReads)
{
    auto* function = new TSumFunction;
    TChartSeries* output = Output(function, OneTo(3));
    output->MandatoryList()->SetValueSource("x");
    EXPECT_EQ(function->SourceValues(static_cast<TChartSeries*>(output->DataSource())),
              static_cast<TChartSeries*>(output->DataSource())->XValues());
    output->MandatoryList()->SetValueSource("nothing");
    EXPECT_EQ(function->SourceValues(static_cast<TChartSeries*>(output->DataSource())),
              static_cast<TChartSeries*>(output->DataSource())->YValues());
}

TEST_F(DuvFunctionBaseTest, TheGallerySetUpFeedsTheLastSeriesFromTheOneBefore)
{
    auto* source = new TLineSeries(&chart);
    auto* output = new TLineSeries(&chart);
    for (auto* s : {source, output}) s->SetParentChart(&chart);
    source->AddPointXY(1, 2);
    auto* function = new TSumFunction;
    function->SetUpInGallery(&chart);
    EXPECT_EQ(output->Function(), function);
    EXPECT_EQ(output->DataSource(), source);
    EXPECT_EQ(output->PointCount(), 2);
}

}  // namespace
