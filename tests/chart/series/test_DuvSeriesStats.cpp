// The statistics tool: its report line by line, and the function series it finds and frees
// among series fed by other series or by none.
#include <gtest/gtest.h>

#include "chart/series/DuvSeriesStats.h"
#include "chart/series/Series.h"
#include "chart/series/StatChar.h"
#include "platform/core/ClassRegistry.h"
#include "platform/core/StringList.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {

class SeriesStatsTest : public ::testing::Test {
protected:
    void SetUp() override { StartSeriesModules(); }

    TLineSeries* Series(const std::vector<double>& ys)
    {
        auto* series = new TLineSeries(&chart);
        series->SetParentChart(&chart);
        series->SetValueFormat("0.###");
        for (double y : ys) series->AddPointY(y);
        return series;
    }

    TLineSeries* FedBy(TChartSeries* source, TDuvFunction* function)
    {
        auto* series = new TLineSeries(&chart);
        series->SetParentChart(&chart);
        series->SetDataSource(source);
        if (function) series->SetFunction(function);
        return series;
    }

    std::vector<std::string> Report(TChartSeries* series)
    {
        TSeriesStatsTool tool;
        tool.SetParentChart(&chart);
        tool.SetSeries(series);
        TStringList lines;
        lines.Add("kept");
        tool.FillStatistics(lines);
        std::vector<std::string> result;
        for (int i = 0; i < lines.Count(); ++i) result.push_back(lines[i]);
        return result;
    }

    // The basic and curve-fitting functions live in modules of their own; their lines carry a
    // value once those modules have registered them.
    static std::string Line(const std::string& label, const char* className, const std::string& value)
    {
        return label + " " + (GetClass(className) ? value : std::string());
    }

    TTestChart chart;
};

TEST_F(SeriesStatsTest, ReportLineByLine)
{
    EXPECT_EQ(Report(Series({3, 7, 7, 1})), (std::vector<std::string>{
                                                 "kept",
                                                 "Number of values: 4",
                                                 "Maximum value: 7 at position 1",
                                                 "Minimum value: 1 at position 3",
                                                 "",
                                                 "Range: 6",
                                                 "",
                                                 "Average: 4.5",
                                                 Line("Median:", "TMedianDuvFunction", "5"),
                                                 Line("Mode:", "TModeDuvFunction", "7"),
                                                 "Std. Deviation: 3",
                                                 "Variance: 6.75",
                                                 "Root Mean Square: 6",
                                                 Line("Correlation:", "TCorrelationFunction", "-0.258"),
                                                 "Skewness: -0.185",
                                                 "Kurtosis: 0.96",
                                             }));
}

TEST_F(SeriesStatsTest, EmptyAndMissingSeries)
{
    // An undefined correlation shows no value rather than a made-up one.
    EXPECT_EQ(Report(Series({})), (std::vector<std::string>{
                                       "kept",
                                       "Number of values: 0",
                                       "Maximum value: 0",
                                       "Minimum value: 0",
                                       "",
                                       "Range: 0",
                                       "",
                                       "Average: 0",
                                       Line("Median:", "TMedianDuvFunction", "0"),
                                       Line("Mode:", "TModeDuvFunction", "0"),
                                       "Std. Deviation: 0",
                                       "Variance: 0",
                                       "Root Mean Square: 0",
                                       "Correlation: ",
                                       "Skewness: 0",
                                       "Kurtosis: 0",
                                   }));
    EXPECT_EQ(Report(Series({4, 4, 4})).at(13), "Correlation: ");
    EXPECT_EQ(Report(nullptr), (std::vector<std::string>{"kept"}));
}

TEST_F(SeriesStatsTest, FunctionSeriesAmongMixedSeries)
{
    TLineSeries* mine = Series({1, 2, 3});
    TLineSeries* other = Series({4, 5, 6});
    TLineSeries* copy = FedBy(mine, nullptr);
    TLineSeries* othersAverage = FedBy(other, new TMovingAverageFunction);
    auto* deviation = new TStdDeviationFunction;
    FedBy(mine, deviation);
    auto* kurtosis = new TKurtosisFunction;
    FedBy(mine, kurtosis);

    TScopedComponent<TSeriesStatsTool> tool(&chart);
    tool.SetParentChart(&chart);
    tool.SetSeries(mine);
    EXPECT_EQ(tool.FindFunctionOfClass(TStdDeviationFunction::StaticClass()), deviation);
    // A derived class answers for its base.
    EXPECT_EQ(tool.FindFunctionOfClass(TSkewnessFunction::StaticClass()), kurtosis);
    EXPECT_EQ(tool.FindFunctionOfClass(TMovingAverageFunction::StaticClass()), nullptr);

    tool.FreeFunctionSeries();
    std::vector<TCustomChartSeries*> left;
    for (int i = 0; i < chart.SeriesList().Count(); ++i) left.push_back(chart.SeriesList().GetSeries(i));
    EXPECT_EQ(left, (std::vector<TCustomChartSeries*>{mine, other, copy, othersAverage}));
    EXPECT_EQ(tool.FindFunctionOfClass(TDuvFunction::StaticClass()), nullptr);
}

}  // namespace
