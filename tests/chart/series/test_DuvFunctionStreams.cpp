// Every function class of the basic, histogram, cumulative and count units: a round trip through
// the component stream's text form, its gallery registration and its gallery preview.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "chart/engine/ChartLegend.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/DuvCount.h"
#include "chart/series/DuvCumu.h"
#include "chart/series/DuvFunci.h"
#include "chart/series/DuvHistogram.h"
#include "chart/series/Series.h"
#include "chart/series/SeriesBar.h"
#include "chart/series/SeriesFastLine.h"
#include "support/TestSupport.h"
#include "support_FunctionTest.h"

using namespace functiontest;
using seriestest::ComponentTextOf;
using seriestest::ReadComponentText;
using seriestest::TTestChart;

namespace {

struct TFunctionCase {
    const char* name;
    std::function<TDuvFunction*()> make;
};

// Each class with settings of its own (none left at their defaults where it has any).
const std::vector<TFunctionCase>& FunctionCases()
{
    static const std::vector<TFunctionCase> cases{
        {"Add", [] { return new TAddDuvFunction; }},
        {"Subtract", [] { return new TSubtractDuvFunction; }},
        {"Multiply", [] { return new TMultiplyDuvFunction; }},
        {"Divide", [] { return new TDivideDuvFunction; }},
        {"High",
         [] {
             auto* f = new THighDuvFunction;
             f->StorePeriod(3);
             f->SetPeriodAlign(paLast);
             return f;
         }},
        {"Low",
         [] {
             auto* f = new TLowDuvFunction;
             f->StorePeriod(2.5);
             f->SetPeriodStyle(psRange);
             f->SetPeriodAlign(paFirst);
             return f;
         }},
        {"Average",
         [] {
             auto* f = new TAverageDuvFunction;
             f->SetIncludeNulls(false);
             f->StorePeriod(4);
             return f;
         }},
        {"y = f(x)",
         [] {
             auto* f = new TCustomDuvFunction;
             f->NumPoints = 7;
             f->StartX = -2;
             f->StorePeriod(0.25);
             return f;
         }},
        {"Median",
         [] {
             auto* f = new TMedianDuvFunction;
             f->StorePeriod(5);
             return f;
         }},
        {"Mode",
         [] {
             auto* f = new TModeDuvFunction;
             f->StorePeriod(6);
             return f;
         }},
        {"Subset",
         [] {
             auto* f = new TSubsetDuvFunction;
             f->SetStartValue(2.5);
             f->SetEndValue(9);
             return f;
         }},
        {"Pareto", [] { return new TParetoDuvFunction; }},
        {"Histogram",
         [] {
             auto* f = new THistogramFunction;
             f->SetNumBins(6);
             f->SetCumulative(true);
             f->SetDataStyle(hdsRound);
             f->SetIncludeNulls(false);
             return f;
         }},
        {"Cumulative",
         [] {
             auto* f = new TCumulative;
             f->StorePeriod(2);
             f->SetCalcByValue(false);
             return f;
         }},
        {"Count",
         [] {
             auto* f = new TCountDuvFunction;
             f->StorePeriod(3);
             return f;
         }},
    };
    return cases;
}

class DuvFunctionStreamsTest : public ::testing::Test {
protected:
    void SetUp() override { seriestest::StartSeriesModules(); }

    // A source of twelve points (one of them null) and an output fed through the function.
    static void Fill(TTestChart& chart, TDuvFunction* function)
    {
        auto* source = new TLineSeries(&chart);
        source->SetName("Source1");
        source->SetParentChart(&chart);
        const double values[] = {4, 8, -1, 8, 3, 0, 7, 7, 2, 9, 5, 8};
        for (int i = 0; i < 12; ++i) source->AddPointXY(i, values[i]);
        source->SetNull(5);
        source->ForceSaveData = true;
        auto* output = new TLineSeries(&chart);
        output->SetName("Output1");
        output->SetParentChart(&chart);
        function->SetName("Function1");
        if (!function->NeedsNoSource) output->SetDataSource(source);
        output->SetFunction(function);
    }

    static TChartSeries* OutputOf(TTestChart& chart) { return dynamic_cast<TChartSeries*>(chart.GetSeries(1)); }
};

TEST_F(DuvFunctionStreamsTest, EachFunctionSurvivesATextStreamRoundTrip)
{
    for (const TFunctionCase& c : FunctionCases()) {
        TTestChart chart;
        TDuvFunction* function = c.make();
        Fill(chart, function);
        TCustomDuvFunction squares;
        auto* custom = dynamic_cast<TCustomDuvFunction*>(function);
        if (custom) {
            custom->OnCalculate = TCalculateEvent(&squares, &TCustomDuvFunction::GalleryCalculate);
            custom->Recalculate();
        }
        const Texts before = Shown(*OutputOf(chart));
        EXPECT_FALSE(before.empty()) << c.name;
        const std::string text = ComponentTextOf(chart);
        EXPECT_NE(text.find("object Function1: " + function->ClassName()), std::string::npos) << text;

        TTestChart copy;
        ReadComponentText(copy, text);
        EXPECT_EQ(ComponentTextOf(copy), text) << c.name;
        ASSERT_EQ(copy.CountSeries(), 2) << c.name;
        TDuvFunction* read = OutputOf(copy)->Function();
        ASSERT_NE(read, nullptr) << c.name;
        EXPECT_EQ(&read->ClassType(), &function->ClassType());
        if (auto* readCustom = dynamic_cast<TCustomDuvFunction*>(read)) {
            EXPECT_EQ(readCustom->NumPoints, custom->NumPoints);
            EXPECT_EQ(readCustom->StartX, custom->StartX);
            readCustom->OnCalculate = TCalculateEvent(&squares, &TCustomDuvFunction::GalleryCalculate);
        }
        read->Recalculate();
        EXPECT_EQ(Shown(*OutputOf(copy)), before) << c.name;
    }
}

TEST_F(DuvFunctionStreamsTest, TheFuzzSeedsHoldAFunctionOfEachClass)
{
    const char* seeds[] = {"add",    "subtract", "multiply", "divide", "high",   "low",       "average",  "y-from-x",
                           "median", "mode",     "subset",   "pareto", "histogram", "cumulative", "count"};
    for (const char* seed : seeds) {
        std::ifstream in(qbtest::DataPath(std::string("fuzz/fuzz_DuvFunctions/") + seed + ".txt"));
        std::stringstream text;
        text << in.rdbuf();
        TChart chart;
        ReadComponentText(chart, text.str());
        ASSERT_EQ(chart.CountSeries(), 2) << seed;
        auto* output = dynamic_cast<TChartSeries*>(chart.GetSeries(1));
        ASSERT_NE(output->Function(), nullptr) << seed;
        EXPECT_EQ(output->Function()->OutputSeries(), output) << seed;
    }
}

TEST_F(DuvFunctionStreamsTest, RegisteredWithTheirCaptionsPagesAndPreviewSeries)
{
    const struct {
        const TClassInfo* cls;
        const char* caption;
        const char* page;
        int series;
    } expected[] = {
        {&TAddDuvFunction::StaticClass(), "Add", "Standard", 2},
        {&TSubtractDuvFunction::StaticClass(), "Subtract", "Standard", 2},
        {&TMultiplyDuvFunction::StaticClass(), "Multiply", "Standard", 2},
        {&TDivideDuvFunction::StaticClass(), "Divide", "Standard", 2},
        {&THighDuvFunction::StaticClass(), "High", "Standard", 2},
        {&TLowDuvFunction::StaticClass(), "Low", "Standard", 2},
        {&TAverageDuvFunction::StaticClass(), "Average", "Standard", 2},
        {&TCustomDuvFunction::StaticClass(), "y = f(x)", "Standard", 2},
        {&TMedianDuvFunction::StaticClass(), "Median", "Standard", 2},
        {&TModeDuvFunction::StaticClass(), "Mode", "Standard", 2},
        {&TSubsetDuvFunction::StaticClass(), "Subset", "Standard", 2},
        {&TParetoDuvFunction::StaticClass(), "Pareto", "Standard", 2},
        {&THistogramFunction::StaticClass(), "Histogram", "Extended", 1},
        {&TCumulative::StaticClass(), "Cumulative", "Extended", 2},
        {&TCountDuvFunction::StaticClass(), "Count", "Standard", 2},
    };
    std::vector<const TDuvSeriesType*> found;
    const TDuvSeriesTypes& types = GetGalleryTypeList();
    for (const auto& e : expected)
        for (int i = 0; i < types.Count(); ++i)
            if (types.TypeAt(i)->FunctionClass == e.cls) found.push_back(types.TypeAt(i));
    ASSERT_EQ(found.size(), std::size(expected));
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(*found[i]->Description, expected[i].caption);
        EXPECT_EQ(*found[i]->GalleryPage, expected[i].page) << expected[i].caption;
        EXPECT_EQ(found[i]->NumGallerySeries, expected[i].series) << expected[i].caption;
        EXPECT_EQ(found[i]->SeriesClass, nullptr);
    }
    // The basic functions keep the order of registration.
    int previous = -1;
    for (int i = 0; i < types.Count(); ++i)
        for (std::size_t e = 0; e < 12; ++e)
            if (types.TypeAt(i)->FunctionClass == expected[e].cls) {
                EXPECT_EQ(static_cast<int>(e), previous + 1) << expected[e].caption;
                previous = static_cast<int>(e);
            }
}

class DuvFunctionGalleryTest : public DuvFunctionStreamsTest {
protected:
    // As the gallery does: a sample source, an output series, then the function's own set-up.
    void Preview(TDuvFunction* function)
    {
        auto* source = new TFastLineSeries(&chart);
        source->SetParentChart(&chart);
        source->FillSampleValues(20);
        auto* output = new TFastLineSeries(&chart);
        output->SetParentChart(&chart);
        function->SetUpInGallery(&chart);
    }

    TChartSeries* Series(int index) { return dynamic_cast<TChartSeries*>(chart.GetSeries(index)); }

    TTestChart chart;
};

TEST_F(DuvFunctionGalleryTest, EveryFunctionFillsItsPreview)
{
    for (const TFunctionCase& c : FunctionCases()) {
        TTestChart fresh;
        auto* source = new TFastLineSeries(&fresh);
        source->SetParentChart(&fresh);
        source->FillSampleValues(20);
        auto* output = new TFastLineSeries(&fresh);
        output->SetParentChart(&fresh);
        TDuvFunction* function = c.make();
        function->SetUpInGallery(&fresh);
        ASSERT_EQ(fresh.CountSeries(), 2) << c.name;
        auto* last = dynamic_cast<TChartSeries*>(fresh.GetSeries(1));
        EXPECT_EQ(last->Function(), function) << c.name;
        EXPECT_GT(last->PointCount(), 0) << c.name;
    }
}

TEST_F(DuvFunctionGalleryTest, ArithmeticAndRunningFunctionsGoToTheRightAxis)
{
    const struct {
        TDuvFunction* function;
        const char* format;
    } cases[] = {
        {new TAddDuvFunction, ""},          {new TSubtractDuvFunction, ""},  {new TMultiplyDuvFunction, "1E+1"},
        {new TDivideDuvFunction, ""},       {new THistogramFunction, ""},    {new TCumulative, ""},
        {new TCountDuvFunction, ""},        {new TParetoDuvFunction, "0%"},
    };
    for (const auto& c : cases) {
        TTestChart fresh;
        for (int i = 0; i < 2; ++i) {
            auto* series = new TFastLineSeries(&fresh);
            series->SetParentChart(&fresh);
            series->FillSampleValues(10);
        }
        c.function->SetUpInGallery(&fresh);
        EXPECT_EQ(c.function->OutputSeries()->VertAxis(), aRightAxis) << c.function->ClassName();
        EXPECT_EQ(fresh.LeftAxis()->EndPosition(), 70);
        EXPECT_EQ(fresh.RightAxis()->StartPosition(), 70);
        EXPECT_EQ(fresh.RightAxis()->AxisValuesFormat(), c.format == std::string() ? fresh.LeftAxis()->AxisValuesFormat() : c.format);
    }
}

TEST_F(DuvFunctionGalleryTest, YFromXDrawsItsOwnCurve)
{
    auto* function = new TCustomDuvFunction;
    Preview(function);
    EXPECT_FALSE(chart.Legend()->Visible());
    EXPECT_EQ(chart.Title()->ReadFirstLine(), "y = Sqr(Sin(x) + Cos(x))");
    EXPECT_FALSE(Series(0)->Active());
    TChartSeries* output = Series(1);
    ASSERT_EQ(output->PointCount(), 360);
    EXPECT_NEAR(output->GetYValue(45), 2, 1e-12);
    EXPECT_NEAR(output->GetYValue(135), 0, 1e-12);
    EXPECT_EQ(output->VertAxisObject()->GetTitle()->Caption(), "Y");
    EXPECT_EQ(output->VertAxisObject()->GetTitle()->Angle(), 0);
    EXPECT_EQ(output->HorizAxisObject()->GetTitle()->Caption(), "X");
}

TEST_F(DuvFunctionGalleryTest, SubsetBecomesALineOverTheMiddleHalf)
{
    auto* function = new TSubsetDuvFunction;
    Preview(function);
    TChartSeries* output = function->OutputSeries();
    EXPECT_EQ(output->ClassName(), "TLineSeries");
    EXPECT_EQ(chart.CountSeries(), 2);
    EXPECT_EQ(function->StartValue(), 5);
    EXPECT_EQ(function->EndValue(), 15);
    int inside = 0;
    for (int i = 0; i < Series(0)->PointCount(); ++i) inside += Series(0)->GetXValue(i) >= 5 && Series(0)->GetXValue(i) <= 15;
    EXPECT_GT(inside, 0);
    EXPECT_EQ(output->PointCount(), inside);
}

TEST_F(DuvFunctionGalleryTest, ParetoSortsItsSourceBarsDownwards)
{
    auto* function = new TParetoDuvFunction;
    Preview(function);
    TChartSeries* source = Series(0);
    EXPECT_EQ(source->ClassName(), "TBarSeries");
    for (int i = 1; i < source->PointCount(); ++i) EXPECT_GE(source->GetYValue(i - 1), source->GetYValue(i));
    TChartSeries* output = function->OutputSeries();
    ASSERT_EQ(output->PointCount(), 20);
    EXPECT_DOUBLE_EQ(output->GetYValue(19), 100);
}

}  // namespace
