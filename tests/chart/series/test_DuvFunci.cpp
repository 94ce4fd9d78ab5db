// The basic functions: arithmetic over several sources, extremes, averages, median and mode
// judged by NumPy and SciPy, Pareto's running percentage, y = f(x) and the subset.
#include <gtest/gtest.h>

#include <cmath>

#include "chart/engine/Chart.h"
#include "chart/series/DuvFunci.h"
#include "chart/series/Series.h"
#include "support_FunctionTest.h"

using namespace functiontest;

namespace {

class DuvFunciTest : public ::testing::Test, protected TFunctionChart {};

TEST_F(DuvFunciTest, ArithmeticOverThreeSourcesAgreesWithNumpy)
{
    // Values away from 0, so every quotient is defined.
    const std::vector<std::vector<double>> values{RandomValues(1000, 1, 0.5, 10), RandomValues(1000, 2, -10, -0.5),
                                                  RandomValues(1000, 3, 0.5, 10)};
    const std::vector<std::vector<double>> judged = Judge("arithmetic", values);
    ASSERT_EQ(judged.size(), 4u);
    const std::vector<TChartSeries*> sources{Source(values[0]), Source(values[1]), Source(values[2])};
    TDuvFunction* functions[] = {new TAddDuvFunction, new TSubtractDuvFunction, new TMultiplyDuvFunction,
                                 new TDivideDuvFunction};
    for (int f = 0; f < 4; ++f) {
        const TChartSeries* output = Line(functions[f], sources);
        EXPECT_EQ(MandatoryValues(*output), judged[static_cast<std::size_t>(f)]) << functions[f]->ClassName();
    }
}

TEST_F(DuvFunciTest, ReductionsAgreeWithNumpyAndScipy)
{
    // Whole values give the mode ties to break; random fractions give distinct values.
    for (const std::vector<double>& values : {RandomValues(1000, 4, -100, 100), RandomWholeValues(1000, 5, 20)}) {
        const std::vector<double> judged = Judge("reduce", {values}).at(0);
        ASSERT_EQ(judged.size(), 5u);
        TChartSeries* source = Source(values);
        const double high = Bar(new THighDuvFunction, {source})->GetYValue(0);
        const double low = Bar(new TLowDuvFunction, {source})->GetYValue(0);
        const double average = Bar(new TAverageDuvFunction, {source})->GetYValue(0);
        const double median = Bar(new TMedianDuvFunction, {source})->GetYValue(0);
        const double mode = Bar(new TModeDuvFunction, {source})->GetYValue(0);
        EXPECT_EQ(high, judged[0]);
        EXPECT_EQ(low, judged[1]);
        EXPECT_NEAR(average, judged[2], 1e-12 * std::fabs(judged[2]) + 1e-12);
        EXPECT_EQ(median, judged[3]);
        EXPECT_EQ(mode, judged[4]);
        // The same through the work array, over a period that holds every point.
        auto* periodHigh = new THighDuvFunction;
        periodHigh->StorePeriod(1000);
        auto* periodAverage = new TAverageDuvFunction;
        periodAverage->StorePeriod(1000);
        EXPECT_EQ(Bar(periodHigh, {source})->GetYValue(0), judged[0]);
        EXPECT_NEAR(Bar(periodAverage, {source})->GetYValue(0), judged[2], 1e-12 * std::fabs(judged[2]) + 1e-12);
    }
}

TEST_F(DuvFunciTest, ParetoAgreesWithTheRunningSumOfNumpy)
{
    const std::vector<double> values = RandomValues(1000, 6, -50, 100);
    const std::vector<std::vector<double>> judged = Judge("running", {values});
    ASSERT_EQ(judged.size(), 2u);
    EXPECT_EQ(MandatoryValues(*Line(new TParetoDuvFunction, {Source(values)})), judged[1]);
}

TEST_F(DuvFunciTest, ReductionsOfSmallArrays)
{
    const double nan = std::nan("");
    const struct {
        const char* name;
        TDuvFunction* (*make)();
        std::vector<double> values;
        double expected;  // NaN: a null point
    } cases[] = {
        {"High", []() -> TDuvFunction* { return new THighDuvFunction; }, {3, 7, 7}, 7},
        {"Low", []() -> TDuvFunction* { return new TLowDuvFunction; }, {3, -7, 7}, -7},
        {"Median odd", []() -> TDuvFunction* { return new TMedianDuvFunction; }, {5, 1, 3}, 3},
        {"Median even", []() -> TDuvFunction* { return new TMedianDuvFunction; }, {4, 1, 3, 2}, 2.5},
        {"Median one", []() -> TDuvFunction* { return new TMedianDuvFunction; }, {8}, 8},
        {"Mode ties", []() -> TDuvFunction* { return new TModeDuvFunction; }, {1, 2, 2, 3, 3}, 2},
        {"Mode distinct", []() -> TDuvFunction* { return new TModeDuvFunction; }, {9, 5}, 5},
        {"Mode longest", []() -> TDuvFunction* { return new TModeDuvFunction; }, {4, 1, 4, 1, 4}, 4},
        {"Average", []() -> TDuvFunction* { return new TAverageDuvFunction; }, {1, 2, 6}, 3},
        {"Median with a value that is not a number", []() -> TDuvFunction* { return new TMedianDuvFunction; },
         {1, nan, 3},
         nan},
    };
    for (const auto& c : cases) {
        TDuvFunction* function = c.make();
        // A period of every point goes through the work array.
        function->StorePeriod(static_cast<double>(c.values.size()));
        const TChartSeries* output = Bar(function, {Source(c.values)});
        ASSERT_EQ(output->PointCount(), 1) << c.name;
        if (std::isnan(c.expected))
            EXPECT_TRUE(output->IsNullPoint(0)) << c.name;
        else
            EXPECT_EQ(output->GetYValue(0), c.expected) << c.name;
    }
}

TEST_F(DuvFunciTest, EmptyArraysGiveZeroButTheMedianOfNothingIsANullPoint)
{
    // Two null points only, with IncludeNulls off: nothing to reduce.
    const struct {
        const char* name;
        TDuvFunction* function;
        bool null;
    } cases[] = {
        {"High", new THighDuvFunction, false},   {"Low", new TLowDuvFunction, false},
        {"Average", new TAverageDuvFunction, false}, {"Mode", new TModeDuvFunction, false},
        {"Add", new TAddDuvFunction, false},      {"Median", new TMedianDuvFunction, true},
    };
    for (const auto& c : cases) {
        c.function->SetIncludeNulls(false);
        TChartSeries* source = Source({});
        source->AddNullPointXY(0, 5);
        source->AddNullPointXY(1, 6);
        const TChartSeries* output = Bar(c.function, {source});
        ASSERT_EQ(output->PointCount(), 1) << c.name;
        EXPECT_EQ(output->IsNullPoint(0), c.null) << c.name;
        EXPECT_EQ(output->GetYValue(0), 0) << c.name;
    }
}

TEST_F(DuvFunciTest, ArithmeticAtOnePointDependsOnTheOrderOfSources)
{
    const struct {
        const char* name;
        TDuvFunction* function;
        std::vector<double> values;
        std::string expected;
    } cases[] = {
        {"Subtract", new TSubtractDuvFunction, {10, 3, 2}, "0:5"},
        {"Subtract reversed", new TSubtractDuvFunction, {2, 3, 10}, "0:-11"},
        {"Divide", new TDivideDuvFunction, {12, 4, 3}, "0:1"},
        // A zero divisor leaves the quotient undefined.
        {"Divide by zero", new TDivideDuvFunction, {12, 0, 3}, "0:null"},
        {"Multiply", new TMultiplyDuvFunction, {2, 3, 4}, "0:24"},
        {"Add", new TAddDuvFunction, {2, 3, 4}, "0:9"},
    };
    for (const auto& c : cases) {
        std::vector<TChartSeries*> sources;
        for (double v : c.values) sources.push_back(Source({v}));
        EXPECT_EQ(Shown(*Line(c.function, sources)), Texts{c.expected}) << c.name;
    }
}

TEST_F(DuvFunciTest, ASourceWithoutThePointLeavesProductsAndAveragesAlone)
{
    // Three points against one: at indexes 1 and 2 only the longer source has a value.
    TChartSeries* longer = Source({2, 4, 6});
    TChartSeries* shorter = Source({10});
    EXPECT_EQ(Shown(*Line(new TMultiplyDuvFunction, {longer, shorter})), (Texts{"0:20", "1:4", "2:6"}));
    EXPECT_EQ(Shown(*Line(new TAverageDuvFunction, {longer, shorter})), (Texts{"0:6", "1:4", "2:6"}));
}

TEST_F(DuvFunciTest, AverageOfTheWholeSourceCountsNullPointsOnlyWithIncludeNulls)
{
    for (bool include : {true, false}) {
        TChartSeries* source = Source({2, 4});
        source->AddNullPointXY(2, 9);
        auto* function = new TAverageDuvFunction;
        function->SetIncludeNulls(include);
        EXPECT_DOUBLE_EQ(Bar(function, {source})->GetYValue(0), include ? 5 : 3) << include;
    }
}

TEST_F(DuvFunciTest, HighAndLowOfAnEmptyPeriodAreZero)
{
    // By X ranges of 1: the middle range [1, 2) is empty.
    for (TDuvFunction* function : {static_cast<TDuvFunction*>(new THighDuvFunction), static_cast<TDuvFunction*>(new TLowDuvFunction)}) {
        function->StorePeriod(1);
        function->SetPeriodStyle(psRange);
        function->SetPeriodAlign(paFirst);
        EXPECT_EQ(Shown(*Line(function, {Source({-5, 7}, {0, 2})})), (Texts{"0:-5", "1:0", "2:7"}));
    }
}

TEST_F(DuvFunciTest, ParetoRunsUpToOneHundredPercent)
{
    const struct {
        std::vector<double> values;
        Texts expected;
    } cases[] = {
        {{50, 30, 20}, {"0:50", "1:80", "2:100"}},
        {{0, 0, 0}, {"0:0", "1:0", "2:0"}},
        {{-50, 50}, {"0:50", "1:100"}},
    };
    for (const auto& c : cases) EXPECT_EQ(Shown(*Line(new TParetoDuvFunction, {Source(c.values)})), c.expected);
    EXPECT_EQ(TParetoDuvFunction().Period(), 1);
}

TEST_F(DuvFunciTest, SubsetCopiesThePointsWithinTheXRange)
{
    auto* subset = new TSubsetDuvFunction;
    subset->SetStartValue(2);
    subset->SetEndValue(4);
    TChartSeries* source = Source({10, 20, 30, 40, 50}, {1, 2, 3, 4, 5});
    source->AddPointXY(3.5, 99, "label");
    const TChartSeries* output = Line(subset, {source});
    EXPECT_EQ(Shown(*output), (Texts{"2:20", "3:30", "3.5:99", "4:40"}));
    EXPECT_EQ(seriestest::Describe(*output).find("label"), std::string::npos);
    EXPECT_FALSE(subset->PeriodEditable);

    // The value list is named exactly by the output's ValueSource.
    output->MandatoryList()->SetValueSource("X");
    EXPECT_EQ(Shown(*output), (Texts{"2:2", "3:3", "3.5:3.5", "4:4"}));
    output->MandatoryList()->SetValueSource("x");
    EXPECT_EQ(Shown(*output), (Texts{"2:20", "3:30", "3.5:99", "4:40"}));
}

class TSquares {
public:
    std::vector<double> Xs;
    void Calculate(TCustomDuvFunction* sender, double x, double& y)
    {
        Xs.push_back(x);
        EXPECT_EQ(sender->X(), x);
        EXPECT_EQ(sender->Index(), static_cast<int>(Xs.size()) - 1);
        // Every other call leaves y as it was.
        if (Xs.size() % 2 == 1) y = x * x;
    }
};

TEST_F(DuvFunciTest, YFromXCallsItsHandlerForEachPoint)
{
    TSquares squares;
    auto* function = new TCustomDuvFunction;
    EXPECT_TRUE(function->NeedsNoSource);
    EXPECT_EQ(function->Period(), 1);
    function->StartX = 1;
    function->NumPoints = 4;
    function->SetPeriod(0.5);
    TChartSeries* output = Line(function, {});
    // Without a handler the output stays empty.
    EXPECT_EQ(output->PointCount(), 0);
    function->OnCalculate = TCalculateEvent(&squares, &TSquares::Calculate);
    function->Recalculate();
    EXPECT_EQ(squares.Xs, (std::vector<double>{1, 1.5, 2, 2.5}));
    EXPECT_EQ(Shown(*output), (Texts{"1:1", "1.5:1", "2:4", "2.5:4"}));
    EXPECT_EQ(function->Index(), -1);
    // StartX and NumPoints are stored without a recalculation.
    function->NumPoints = 1;
    EXPECT_EQ(output->PointCount(), 4);
}

TEST_F(DuvFunciTest, FlagsAndEditorsOfTheBasicFunctions)
{
    const struct {
        TDuvFunction* function;
        const char* editor;
    } cases[] = {
        {new TAddDuvFunction, "TDuvFunctionEditor"},      {new TSubtractDuvFunction, "TDuvFunctionEditor"},
        {new TMultiplyDuvFunction, "TDuvFunctionEditor"}, {new TDivideDuvFunction, "TDuvFunctionEditor"},
        {new THighDuvFunction, "TDuvFunctionEditor"},     {new TLowDuvFunction, "TDuvFunctionEditor"},
        {new TAverageDuvFunction, "TAverageFuncEditor"},  {new TCustomDuvFunction, "TCustomFunctionEditor"},
        {new TMedianDuvFunction, "TDuvFunctionEditor"},   {new TModeDuvFunction, "TDuvFunctionEditor"},
        {new TSubsetDuvFunction, "TSubsetFuncEditor"},    {new TParetoDuvFunction, "TDuvFunctionEditor"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.function->GetEditorClassName(), c.editor) << c.function->ClassName();
        FreeComponent(c.function);
    }
}

}  // namespace
