#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/graphics/DuvConst.h"
#include "chart/graphics/RecordingCanvas.h"
#include "platform/core/DateTime.h"
#include "platform/core/NumText.h"
#include "support_ChartEngine.h"
#include "support_TestSeries.h"

namespace {

// A series bound to the bottom and left axes of its chart, with mark texts "m<x>".
class TAxisBoundSeries : public enginetest::TTestSeries {
public:
    using TTestSeries::TTestSeries;
    bool Gaps = false;
    TChartAxis* HorizAxisObject() const override { return ParentChart() ? ParentChart()->BottomAxis() : nullptr; }
    TChartAxis* VertAxisObject() const override { return ParentChart() ? ParentChart()->LeftAxis() : nullptr; }
    bool SkipsGaps() const override { return Gaps; }
    std::string MarkTextOf(int index) const override { return "m" + FormatFloat("0", X().GetValueAt(index)); }
};

// A chart 400 pixels wide whose text is measured by the recording canvas (7 pixels a character
// unless a case says otherwise, 13 a line).
class LabelsTest : public testing::Test {
protected:
    void SetUp() override
    {
        enginetest::StartChartModules();
        auto canvas = std::make_unique<TRecordingCanvas>();
        canvas_ = canvas.get();
        panel_.ReplaceCanvas(std::move(canvas), "TRecordingCanvas");
        panel_.ChartRect = {0, 0, 400, 300};
        panel_.ChartWidth = 400;
        panel_.ChartHeight = 300;
    }
    void TearDown() override
    {
        for (auto& series : series_) panel_.SeriesList().Remove(series.get());
    }
    TChartAxis& Bottom() { return *panel_.BottomAxis(); }
    // The bottom axis showing min..max on width pixels.
    TChartAxis& Axis(double min, double max, int width = 400)
    {
        panel_.ChartWidth = width;
        panel_.ChartRect.Right = width;
        TChartAxis& axis = Bottom();
        axis.SetRange(min, max);
        axis.CurMinimum = min;
        axis.CurMaximum = max;
        axis.SelectPositionCalculators();
        axis.CalcPixelRange();
        return axis;
    }
    TAxisBoundSeries& AddSeries(const std::vector<double>& xs, const std::vector<std::string>& labels = {})
    {
        series_.push_back(std::make_unique<TAxisBoundSeries>());
        TAxisBoundSeries& series = *series_.back();
        for (std::size_t i = 0; i < xs.size(); ++i)
            series.AddXY(xs[i], 10 * xs[i], i < labels.size() ? labels[i] : std::string());
        series.SetParentChart(&panel_);  // joins the chart's series list
        return series;
    }
    static std::vector<double> Values(const std::vector<TAxisLabelEntry>& labels)
    {
        std::vector<double> values;
        for (const TAxisLabelEntry& label : labels) values.push_back(label.Value);
        return values;
    }
    static std::vector<std::string> Texts(const std::vector<TAxisLabelEntry>& labels)
    {
        std::vector<std::string> texts;
        for (const TAxisLabelEntry& label : labels) texts.push_back(label.Text);
        return texts;
    }

    TCustomAxisPanel panel_{nullptr};
    TRecordingCanvas* canvas_ = nullptr;
    std::vector<std::unique_ptr<TAxisBoundSeries>> series_;
};

std::vector<double> Steps(double from, double to, double step)
{
    std::vector<double> values;
    for (double v = from; step > 0 ? v <= to + 1e-9 : v >= to - 1e-9; v += step) values.push_back(v);
    return values;
}

void ExpectNear(const std::vector<double>& actual, const std::vector<double>& expected, const std::string& name)
{
    ASSERT_EQ(actual.size(), expected.size()) << name;
    for (std::size_t i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-9 * std::max(1.0, std::fabs(expected[i]))) << name << " #" << i;
}

TEST(LabelStepSequence, NextValueOfOneTwoFive)
{
    struct Case {
        double x, next;
    };
    const Case cases[] = {{1, 2}, {2, 5}, {5, 10}, {0.3, 0.5}, {70, 100}, {5.26, 10}, {0.05, 0.1}, {999, 1000},
                          {std::numeric_limits<double>::infinity(), 1}};
    for (const Case& c : cases) EXPECT_NEAR(NextLabelStep(c.x), c.next, 1e-12 * c.next) << c.x;
}

// Linear and logarithmic axes: the increment and the values labelled, largest first.
TEST_F(LabelsTest, ValueLabelsOfLinearAndLogarithmicAxes)
{
    struct Case {
        const char* name;
        double min, max;
        int charWidth;
        double increment;
        bool roundFirst;
        bool logarithmic;
        std::vector<double> values;
    };
    const std::vector<Case> cases = {
        // Widest label "12.5" is 20 pixels: 18 labels fit, 100 / 19 grows by 1-2-5 to 10.
        {"0..100 on 400 pixels", 0, 100, 5, 0, true, false, Steps(100, 0, -10)},
        {"first label rounded", 3, 97, 7, 10, true, false, Steps(90, 10, -10)},
        {"first label at the maximum", 3, 97, 7, 10, false, false, Steps(97, 7, -10)},
        {"negative range", -50, -10, 7, 10, true, false, Steps(-10, -50, -10)},
        {"logarithmic decades", 1, 1000, 7, 0, true, true, {1, 10, 100, 1000}},
        {"logarithmic within a decade", 2, 8, 7, 0, true, true, Steps(2, 8, 0.1)},
        // The power below 4 is 1: without it no label would be found at all.
        {"logarithmic 4..8", 4, 8, 7, 0, true, true, Steps(4, 8, 0.1)},
    };
    for (const Case& c : cases) {
        canvas_->CharWidth = c.charWidth;
        TChartAxis& axis = Bottom();
        axis.SetLogarithmic(false);
        axis.SetIncrement(c.increment);
        axis.Labels().SetRoundFirst(c.roundFirst);
        Axis(c.min, c.max);
        axis.SetLogarithmic(c.logarithmic);
        axis.SelectPositionCalculators();
        axis.Labels().SetStyle(talValue);
        std::vector<double> values = Values(axis.CalcLabels());
        ExpectNear(values, c.values, c.name);
        EXPECT_EQ(axis.Items().Count(), static_cast<int>(c.values.size())) << c.name;
        EXPECT_TRUE(axis.Items().AutomaticLabels) << c.name;
    }
}

TEST_F(LabelsTest, IncrementForLabelSizeFollowsSeparation)
{
    struct Case {
        int size, separation;
        double increment;
    };
    // 400 pixels for 0..100: 20 + 2 pixels give 18 labels (step 10), 20 alone 20 (step 5).
    const Case cases[] = {{20, 10, 10}, {20, 0, 5}, {0, 10, 100}, {100, 100, 50}};
    TChartAxis& axis = Axis(0, 100);
    for (const Case& c : cases) {
        axis.Labels().SetSeparation(c.separation);
        EXPECT_DOUBLE_EQ(IncrementForLabelSize(&axis, c.size), c.increment) << c.size << " " << c.separation;
    }
}

// A date-time axis of span days with room for n labels steps through the table.
TEST_F(LabelsTest, DateTimeIncrementsStepThroughTheTable)
{
    struct Case {
        double span;
        int n;
        double increment;
    };
    const Case cases[] = {{10, 10, 1},  {10, 5, 2},  {10, 4, 3},          {10, 2, 7},
                          {30, 2, 15},  {90, 3, 30}, {20 * 365.25, 5, 1460}, {0.5, 12, 1.0 / 24},
                          {10, 0, DateTimeSteps[0]}};
    TChartAxis& axis = Axis(40000, 40010);
    axis.IsDateTimeAxis = true;
    for (const Case& c : cases) {
        Axis(40000, 40000 + c.span);
        EXPECT_NEAR(axis.LabelsIncrementFor(c.n), c.increment, 1e-9) << c.span << " days, " << c.n << " labels";
    }
    axis.IsDateTimeAxis = false;
}

// Calendar steps on an exact date-time axis: labels on the 1st and 15th, 1st of months, 1st of
// January.
TEST_F(LabelsTest, DateTimeLabelsOnCalendarSteps)
{
    struct Case {
        const char* name;
        double increment;
        TDateTime from, to;
        std::vector<std::string> texts;
    };
    const std::vector<Case> cases = {
        {"half months", 15, EncodeDate(2020, 1, 3), EncodeDate(2020, 3, 10),
         {"2020-03-01", "2020-02-15", "2020-02-01", "2020-01-15"}},
        {"months", 30, EncodeDate(2020, 1, 10), EncodeDate(2020, 6, 20),
         {"2020-06-01", "2020-05-01", "2020-04-01", "2020-03-01", "2020-02-01"}},
        {"years", 365, EncodeDate(2015, 6, 1), EncodeDate(2020, 3, 1),
         {"2020-01-01", "2019-01-01", "2018-01-01", "2017-01-01", "2016-01-01"}},
        {"days", 1, EncodeDate(2020, 1, 1), EncodeDate(2020, 1, 4),
         {"2020-01-04", "2020-01-03", "2020-01-02", "2020-01-01"}},
    };
    TChartAxis& axis = Bottom();
    axis.IsDateTimeAxis = true;
    axis.SetDateTimeFormat("yyyy-mm-dd");
    axis.Labels().SetStyle(talValue);
    for (const Case& c : cases) {
        axis.SetIncrement(c.increment);
        Axis(c.from, c.to);
        EXPECT_EQ(Texts(axis.CalcLabels()), c.texts) << c.name;
    }
    axis.IsDateTimeAxis = false;
}

TEST_F(LabelsTest, LabelTextsFollowFormats)
{
    struct Case {
        const char* name;
        bool dateTime;
        std::string valueFormat, dateFormat;
        double min, max, value;
        std::string text;
    };
    TFormatSettings settings = TFormatSettings::Invariant();
    settings.ShortDateFormat = "d.m.yyyy";
    settings.ShortTimeFormat = "hh:nn";
    ScopedFormatSettings scoped(settings);
    const TDateTime day = EncodeDate(2024, 2, 29) + 13.0 / 24 + 5.0 / 1440;
    const std::vector<Case> cases = {
        {"default mask", false, "#,##0.###", "", 0, 1, 1234.56789, "1,234.568"},
        {"fixed decimals", false, "0.00", "", 0, 1, 2, "2.00"},
        {"exponent", false, "0.0E-0", "", 0, 1, 1500, "1.5E3"},
        {"short date above one day", true, "", "", day - 3, day, day, "29.2.2024"},
        {"short time within one day", true, "", "", day - 0.5, day, day, "13:05"},
        {"own date format", true, "", "dd/mm hh:nn", day - 3, day, day, "29/02 13:05"},
    };
    TChartAxis& axis = Bottom();
    for (const Case& c : cases) {
        axis.IsDateTimeAxis = c.dateTime;
        axis.SetAxisValuesFormat(c.valueFormat);
        axis.SetDateTimeFormat(c.dateFormat);
        Axis(c.min, c.max);
        EXPECT_EQ(axis.FormatLabelValue(c.value), c.text) << c.name;
    }
    axis.IsDateTimeAxis = false;
}

TEST_F(LabelsTest, LabelEventAndMultiLineChangeTexts)
{
    TChartAxis& axis = Axis(0, 10);
    std::vector<int> indexes;
    axis.OnGetAxisLabel = [&](TChartAxis*, TCustomChartSeries* series, int index, std::string& text) {
        EXPECT_EQ(series, nullptr);
        indexes.push_back(index);
        text = "at " + text;
    };
    EXPECT_EQ(axis.FormatLabelValue(5), "at 5");
    axis.Labels().SetMultiLine(true);
    EXPECT_EQ(axis.FormatLabelValue(5), "at" + LibraryLineSeparator + "5");
    EXPECT_EQ(indexes, (std::vector<int>{-1, -1}));
    axis.OnGetAxisLabel = nullptr;
}

TEST_F(LabelsTest, NextLabelEventProducesTheValues)
{
    struct Case {
        const char* name;
        std::function<void(int index, double& value, bool& stop)> handler;
        std::vector<double> values;
    };
    const std::vector<Case> cases = {
        {"own values then stop",
         [](int index, double& value, bool& stop) {
             stop = index >= 3;
             value = 5 + 10 * index;
         },
         {5, 15, 25}},
        {"stop kept: the ordinary labels", [](int, double&, bool&) {}, Steps(100, 0, -10)},
        {"a value outside ends", [](int index, double& value, bool& stop) {
             stop = false;
             value = index == 2 ? 500 : index;
         },
         {0, 1}},
    };
    canvas_->CharWidth = 5;
    TChartAxis& axis = Axis(0, 100);
    axis.Labels().SetStyle(talValue);
    for (const Case& c : cases) {
        axis.OnGetNextAxisLabel = [&](TChartAxis*, int index, double& value, bool& stop) { c.handler(index, value, stop); };
        ExpectNear(Values(axis.CalcLabels()), c.values, c.name);
    }
    // A handler that never stops is cut off after label 2000.
    int calls = 0;
    axis.OnGetNextAxisLabel = [&](TChartAxis*, int, double& value, bool& stop) {
        ++calls;
        stop = false;
        value = 50;
    };
    EXPECT_EQ(axis.CalcLabels().size(), 2001u);
    EXPECT_EQ(calls, 2001);
    axis.OnGetNextAxisLabel = nullptr;
}

TEST_F(LabelsTest, TenThousandIncrementsGetNoLabels)
{
    struct Case {
        double max;
        std::size_t count;
    };
    // Every label measures 1 pixel on a long axis, so the fixed increment 1 stays.
    const Case cases[] = {{9999, 10000}, {10000, 0}, {1000000, 0}};
    TChartAxis& axis = Bottom();
    axis.Labels().SetGridIgnoresLabelSize(true);
    axis.Labels().SetStyle(talValue);
    axis.SetIncrement(1);
    for (const Case& c : cases) {
        Axis(0, c.max, 2000000);
        EXPECT_DOUBLE_EQ(axis.IncrementFromLabelWidths(), 1) << c.max;
        EXPECT_EQ(axis.CalcLabels().size(), c.count) << c.max;
    }
}

TEST_F(LabelsTest, IncrementMeasuresTheWidestLabel)
{
    struct Case {
        const char* name;
        bool alternate;
        bool ignoreSize;
        int angle;
        double increment;
    };
    // 0..1000: "1,000" and "62.5" measured; 35 + 4 pixels give 10 labels, step 100.
    const Case cases[] = {{"widest label", false, false, 0, 100},
                          {"alternate rows keep it", true, false, 0, 100},
                          {"grid ignores label size", false, true, 0, 5},
                          {"labels across the axis take the line height", false, false, 90, 50}};
    TChartAxis& axis = Bottom();
    for (const Case& c : cases) {
        axis.Labels().SetAlternate(c.alternate);
        axis.Labels().SetGridIgnoresLabelSize(c.ignoreSize);
        axis.Labels().SetAngle(c.angle);
        Axis(0, 1000);
        EXPECT_DOUBLE_EQ(axis.IncrementFromLabelWidths(), c.increment) << c.name;
    }
}

// Alternate rows show the labels of one row, on linear and date-time axes, with or without a
// fixed Increment: no step is halved.
TEST_F(LabelsTest, AlternateRowsShowTheLabelsOfOneRow)
{
    struct Case {
        const char* name;
        double min, max, increment;
        bool dateTime;
    };
    const Case cases[] = {{"automatic step", 0, 1000, 0, false},
                          {"fixed increment", 0, 100, 10, false},
                          {"small range", 0, 1, 0, false},
                          {"dates", 40000, 40090, 0, true}};
    TChartAxis& axis = Bottom();
    axis.Labels().SetStyle(talValue);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        axis.IsDateTimeAxis = c.dateTime;
        axis.SetDateTimeFormat(c.dateTime ? "yyyy-mm-dd" : "");
        axis.SetIncrement(c.increment);
        std::vector<std::vector<double>> values;
        for (bool alternate : {false, true}) {
            axis.Labels().SetAlternate(alternate);
            Axis(c.min, c.max);
            values.push_back(Values(axis.CalcLabels()));
        }
        EXPECT_GE(values[0].size(), 2u);
        EXPECT_EQ(values[1], values[0]);
    }
    axis.IsDateTimeAxis = false;
    axis.SetDateTimeFormat("");
    axis.Labels().SetAlternate(false);
}

// Which labels each style gives for three labelled points at 1, 2 and 3 on an axis 0..4.
TEST_F(LabelsTest, LabelStylesChooseTheTexts)
{
    struct Case {
        const char* name;
        TAxisLabelStyle style;
        bool gaps;
        std::vector<std::string> texts;
    };
    const std::vector<Case> cases = {
        {"value", talValue, false, {"4", "3", "2", "1", "0"}},
        {"text", talText, false, {"a", "b", "c"}},
        {"mark", talMark, false, {"m1", "m2", "m3"}},
        {"point value", talPointValue, false, {"1", "2", "3"}},
        {"none", talNone, false, {}},
        {"auto with labels", talAuto, false, {"a", "b", "c"}},
        {"auto of a series that skips gaps", talAuto, true, {"1", "2", "3"}},
    };
    TAxisBoundSeries& series = AddSeries({1, 2, 3}, {"a", "b", "c"});
    TChartAxis& axis = Bottom();
    axis.SetIncrement(1);
    for (const Case& c : cases) {
        series.Gaps = c.gaps;
        axis.Labels().SetStyle(c.style);
        Axis(0, 4);
        EXPECT_EQ(Texts(axis.CalcLabels()), c.texts) << c.name;
    }
}

TEST_F(LabelsTest, AutomaticStyleFromTheSeries)
{
    struct Case {
        const char* name;
        bool withSeries, labelled, gaps, leftAxis;
        TAxisLabelStyle style;
    };
    const Case cases[] = {
        {"no series", false, false, false, false, talNone},
        {"plain values", true, false, false, false, talValue},
        {"point labels", true, true, false, false, talText},
        {"skipping gaps", true, false, true, false, talPointValue},
        {"labels on the value axis", true, true, false, true, talValue},
    };
    for (const Case& c : cases) {
        for (auto& old : series_) panel_.SeriesList().Remove(old.get());
        series_.clear();
        if (c.withSeries) {
            TAxisBoundSeries& series = AddSeries({1, 2}, c.labelled ? std::vector<std::string>{"a", "b"}
                                                                    : std::vector<std::string>{});
            series.Gaps = c.gaps;
        }
        TChartAxis* axis = c.leftAxis ? panel_.LeftAxis() : panel_.BottomAxis();
        EXPECT_EQ(axis->CalcAutoLabelStyle(), c.style) << c.name;
        axis->Labels().SetStyle(talAuto);
        EXPECT_EQ(axis->EffectiveLabelStyle(), c.style) << c.name;
    }
}

// Point labels closer than their width overlap unless the separation test is off.
TEST_F(LabelsTest, OverlappingPointLabelsSkippedWithSeparation)
{
    struct Case {
        int separation;
        bool trim;
        std::vector<std::string> texts;
    };
    // At 100, 102, 124 and 200 pixels; "aaaa" with 10 % reaches 84..116, so "cčč" at 124
    // (112..136) overlaps it and is shortened by whole characters until it touches at 116.
    const Case cases[] = {{0, false, {"aaaa", "bbbb", "cčč", "dddd"}},
                          {10, false, {"aaaa", "dddd"}},
                          {10, true, {"aaaa", "cč", "dddd"}}};
    AddSeries({1, 1.02, 1.24, 2}, {"aaaa", "bbbb", "cčč", "dddd"});
    TChartAxis& axis = Bottom();
    axis.Labels().SetStyle(talText);
    for (const Case& c : cases) {
        axis.Labels().SetSeparation(c.separation);
        axis.Labels().AutoText().SetTrim(c.trim);
        Axis(0, 4);
        EXPECT_EQ(Texts(axis.CalcLabels()), c.texts) << c.separation << " " << c.trim;
    }
}

TEST_F(LabelsTest, CustomLabelsReplaceAutomaticOnes)
{
    TChartAxis& axis = Axis(0, 4);
    axis.SetIncrement(1);
    axis.Labels().SetStyle(talValue);
    ASSERT_EQ(axis.CalcLabels().size(), 5u);
    axis.Items().Add("low", 1);
    axis.Items().Add("", 3);
    axis.Items().Add("outside", 10);
    EXPECT_FALSE(axis.Items().AutomaticLabels);
    const std::vector<TAxisLabelEntry> labels = axis.CalcLabels();
    EXPECT_EQ(Texts(labels), (std::vector<std::string>{"low", "3"}));
    EXPECT_EQ(axis.Items().Count(), 3);
    EXPECT_EQ(axis.Items().Item(0)->LabelPos, 100);
    // Clearing keeps custom mode: no labels at all now.
    axis.Items().Clear();
    EXPECT_FALSE(axis.Items().AutomaticLabels);
    EXPECT_TRUE(axis.CalcLabels().empty());
}

// The depth axis labels its slots with the titles of the series in the legend, front first.
TEST_F(LabelsTest, DepthAxisShowsSeriesTitles)
{
    panel_.DepthWidth = 100;
    AddSeries({1}).SetTitle("first");
    AddSeries({2}).SetTitle("second");
    TChartAxis& depth = *panel_.DepthAxis();
    EXPECT_EQ(depth.CalcAutoLabelStyle(), talText);
    depth.CurMinimum = 0;
    depth.CurMaximum = 2;
    depth.CalcPixelRange();
    std::vector<int> indexes;
    depth.OnGetAxisLabel = [&](TChartAxis*, TCustomChartSeries* series, int index, std::string& text) {
        EXPECT_EQ(series, nullptr);
        // Value texts measured for the increment come with -1.
        if (index >= 0) indexes.push_back(index);
        text += "!";
    };
    const std::vector<TAxisLabelEntry> labels = depth.CalcLabels();
    EXPECT_EQ(Texts(labels), (std::vector<std::string>{"first!", "second!"}));
    ExpectNear(Values(labels), {1.5, 0.5}, "slot centres");
    EXPECT_EQ(indexes, (std::vector<int>{0, 1}));
    depth.OnGetAxisLabel = nullptr;
}

// A copy takes custom labels along; an automatic source leaves custom labels custom.
TEST_F(LabelsTest, CopiedAxisKeepsCustomLabels)
{
    TChartAxis& source = Bottom();
    TChartAxis& target = *panel_.TopAxis();
    source.Items().Add("one", 1);
    source.Items().Item(0)->GetFormat()->SetVisible(false);
    target.Assign(&source);
    ASSERT_EQ(target.Items().Count(), 1);
    EXPECT_FALSE(target.Items().AutomaticLabels);
    EXPECT_EQ(target.Items().Item(0)->Text(), "one");
    EXPECT_FALSE(target.Items().Item(0)->EffectiveFormat()->Visible());
    EXPECT_NE(target.Items().Item(0)->EffectiveFormat(), source.Items().Item(0)->EffectiveFormat());
    target.Assign(panel_.LeftAxis());
    EXPECT_FALSE(target.Items().AutomaticLabels);
    EXPECT_EQ(target.Items().Count(), 1);
}

TEST_F(LabelsTest, WidestLabelWidth)
{
    struct Case {
        const char* name;
        TAxisLabelStyle style;
        int width;
    };
    // Step 1 on 0..4: "4" .. "0" are 7 pixels, plus one blank; the series' labels "long" 28.
    const Case cases[] = {{"values", talValue, 14}, {"texts", talText, 28}, {"marks", talMark, 14}, {"none", talNone, 0}};
    AddSeries({1, 2}, {"long", "b"});
    TChartAxis& axis = Bottom();
    axis.SetIncrement(1);
    for (const Case& c : cases) {
        axis.Labels().SetStyle(c.style);
        Axis(0, 4);
        EXPECT_EQ(axis.WidestLabelWidth(), c.width) << c.name;
    }
}

}  // namespace
