#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentText.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"
#include "support_ChartEngine.h"
#include "support_TestSeries.h"

using enginetest::TTestSeries;

namespace {

// An axis panel that streams its custom axes, as the chart will.
class TAxisTestPanel : public TCustomAxisPanel {
    QB_CLASS(TAxisTestPanel, TCustomAxisPanel)
public:
    explicit TAxisTestPanel(TComponent* owner = nullptr) : TCustomAxisPanel(owner)
    {
        ChartRect = {100, 50, 500, 350};
        ChartWidth = 400;
        ChartHeight = 300;
        DepthWidth = 100;
    }
    static void DeclareProperties(TPropertyDeclarer<TAxisTestPanel>& p)
    {
        p.Collection("CustomAxes", &TAxisTestPanel::CustomAxes);
        p.Object("TopAxis", &TAxisTestPanel::TopAxis);
    }
    void SetLoading(bool on) { SetStateFlags(csLoading, on); }
};

std::string TextOf(TComponent& component)
{
    return enginetest::ComponentTextOf(component);
}

void CopyByStream(TComponent& from, TComponent& to)
{
    TMemoryStream binary;
    WriteComponentToStream(binary, &from);
    binary.SetPosition(0);
    ReadComponentFromStream(binary, &to);
}

// Names of the properties an object would write, nested objects by path.
void CollectStored(TPersistent& object, const std::string& prefix, std::vector<std::string>& names)
{
    for (const TPropInfo* info : object.ClassType().Properties()) {
        if (!info->IsStored(object)) continue;
        if (info->Kind == TPropKind::Object || info->Kind == TPropKind::Collection) {
            auto* child = dynamic_cast<TPersistent*>(info->Object(object, false));
            if (!child) continue;
            if (auto* collection = dynamic_cast<TCollection*>(child)) {
                if (collection->Count() > 0) names.push_back(prefix + info->Name);
                continue;
            }
            CollectStored(*child, prefix + info->Name + ".", names);
            continue;
        }
        if (info->Kind == TPropKind::Event) continue;
        if (!info->IsDefault(object)) names.push_back(prefix + info->Name);
    }
}

std::vector<std::string> StoredNames(TPersistent& object)
{
    std::vector<std::string> names;
    CollectStored(object, "", names);
    return names;
}

class AxisTest : public testing::Test {
protected:
    void SetUp() override { enginetest::StartChartModules(); }
    TAxisTestPanel chart;
};

// ---------------------------------------------------------------- conversions

enum class Which { Bottom, Left, Depth };

struct ConversionCase {
    const char* name;
    Which axis;
    bool logarithmic;
    bool inverted;
    double minimum, maximum;
    double value;
    int pixel;
};

TChartAxis* AxisOf(TCustomAxisPanel& chart, Which which)
{
    switch (which) {
    case Which::Bottom: return chart.BottomAxis();
    case Which::Left: return chart.LeftAxis();
    default: return chart.DepthAxis();
    }
}

void Prepare(TChartAxis& axis, const ConversionCase& c)
{
    axis.SetRange(c.minimum, c.maximum);
    axis.SetLogarithmic(c.logarithmic);
    axis.SetInverted(c.inverted);
    axis.UpdateInternalRange();
    axis.CalcPixelRange();
}

// Chart rectangle 100..500 x 50..350, depth 100.
const ConversionCase kConversions[] = {
    {"horizontal", Which::Bottom, false, false, 0, 100, 25, 200},
    {"horizontal inverted", Which::Bottom, false, true, 0, 100, 25, 400},
    {"horizontal half rounds to even (0.5)", Which::Bottom, false, false, 0, 100, 0.125, 100},
    {"horizontal half rounds to even (1.5)", Which::Bottom, false, false, 0, 100, 0.375, 102},
    {"horizontal below the range", Which::Bottom, false, false, 0, 100, -50, -100},
    {"vertical", Which::Left, false, false, 0, 100, 25, 275},
    {"vertical inverted puts the maximum at the bottom", Which::Left, false, true, 0, 100, 100, 350},
    {"vertical inverted", Which::Left, false, true, 0, 100, 25, 125},
    {"log horizontal", Which::Bottom, true, false, 1, 1000, 10, 233},
    {"log horizontal 100", Which::Bottom, true, false, 1, 1000, 100, 367},
    {"log horizontal zero at start", Which::Bottom, true, false, 1, 1000, 0, 100},
    {"log horizontal negative at start", Which::Bottom, true, false, 1, 1000, -3, 100},
    {"log horizontal inverted", Which::Bottom, true, true, 1, 1000, 10, 367},
    {"log horizontal inverted zero at end", Which::Bottom, true, true, 1, 1000, 0, 500},
    {"log vertical", Which::Left, true, false, 1, 1000, 10, 250},
    {"log vertical zero at bottom", Which::Left, true, false, 1, 1000, 0, 350},
    {"log vertical inverted", Which::Left, true, true, 1, 1000, 10, 150},
    {"log vertical inverted negative at top", Which::Left, true, true, 1, 1000, -5, 50},
    {"depth", Which::Depth, false, false, 0, 10, 2.5, 25},
    {"depth inverted", Which::Depth, false, true, 0, 10, 2.5, 75},
};

TEST_F(AxisTest, ValueToPixelTable)
{
    for (const ConversionCase& c : kConversions) {
        SCOPED_TRACE(c.name);
        TChartAxis& axis = *AxisOf(chart, c.axis);
        Prepare(axis, c);
        EXPECT_EQ(axis.ValueToPixel(c.value), c.pixel);
        const int direct = axis.Horizontal() ? axis.CalcXPosValue(c.value) : axis.CalcYPosValue(c.value);
        EXPECT_EQ(direct, c.pixel);
        int batch = 0;
        axis.CalcPosValues(&c.value, &batch, 1);
        EXPECT_EQ(batch, c.pixel);
    }
}

TEST_F(AxisTest, PixelToValueTable)
{
    struct Case {
        const char* name;
        Which axis;
        bool logarithmic, inverted;
        double minimum, maximum;
        int pixel;
        double value;
    };
    const Case cases[] = {
        {"horizontal", Which::Bottom, false, false, 0, 100, 200, 25},
        {"horizontal inverted", Which::Bottom, false, true, 0, 100, 400, 25},
        {"vertical", Which::Left, false, false, 0, 100, 275, 25},
        {"vertical inverted", Which::Left, false, true, 0, 100, 125, 25},
        {"log horizontal start", Which::Bottom, true, false, 1, 1000, 100, 1},
        {"log horizontal end", Which::Bottom, true, false, 1, 1000, 500, 1000},
        {"log horizontal middle", Which::Bottom, true, false, 1, 1000, 300, 31.6227766},
        {"log vertical top", Which::Left, true, false, 1, 1000, 50, 1000},
        {"log vertical bottom", Which::Left, true, false, 1, 1000, 350, 1},
        {"log vertical inverted top", Which::Left, true, true, 1, 1000, 50, 1},
        {"log vertical middle", Which::Left, true, false, 1, 1000, 200, 31.6227766},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TChartAxis& axis = *AxisOf(chart, c.axis);
        Prepare(axis, {c.name, c.axis, c.logarithmic, c.inverted, c.minimum, c.maximum, 0, 0});
        EXPECT_NEAR(axis.PixelToValue(c.pixel), c.value, 1e-6);
        EXPECT_NEAR(axis.CalcPosPoint(c.pixel), c.value, 1e-6);
    }
}

TEST_F(AxisTest, SizesAndDegenerateRanges)
{
    TChartAxis& bottom = *chart.BottomAxis();
    Prepare(bottom, {"", Which::Bottom, false, false, 0, 100, 0, 0});
    EXPECT_EQ(bottom.PixelsBetween(10, 35), 100);
    EXPECT_EQ(bottom.PixelsBetween(35, 10), 100);
    EXPECT_EQ(bottom.ValueToPixelSize(5), 20);
    EXPECT_EQ(bottom.CalcSizeValue(0), 0);
    Prepare(bottom, {"", Which::Bottom, true, false, 1, 1000, 0, 0});
    EXPECT_EQ(bottom.PixelsBetween(100, 10), 367 - 233);

    // A chart without series: both ends 0, every value in the middle, no division by zero.
    TChartAxis& left = *chart.LeftAxis();
    left.UpdateInternalRange();
    left.CalcPixelRange();
    EXPECT_TRUE(left.RangeIsZero);
    EXPECT_EQ(left.Minimum(), 0);
    EXPECT_EQ(left.Maximum(), 0);
    for (double v : {-1e300, -1.0, 0.0, 7.0, 1e300}) EXPECT_EQ(left.ValueToPixel(v), 200) << v;
    EXPECT_EQ(left.PixelsBetween(1, 2), 0);

    // A span of no pixels: 0 on a linear axis, the minimum on a logarithmic one.
    chart.ChartHeight = 0;
    left.SetRange(2, 8);
    left.UpdateInternalRange();
    left.CalcPixelRange();
    EXPECT_EQ(left.PixelToValue(10), 0);
    left.SetLogarithmic(true);
    left.UpdateInternalRange();
    left.CalcPixelRange();
    EXPECT_EQ(left.PixelToValue(10), 2);
}

TEST_F(AxisTest, StartAndEndPositionNarrowTheSpan)
{
    TChartAxis& bottom = *chart.BottomAxis();
    bottom.SetStartPosition(25);
    bottom.SetEndPosition(75);
    Prepare(bottom, {"", Which::Bottom, false, false, 0, 100, 0, 0});
    EXPECT_EQ(bottom.PixelStart, 200);
    EXPECT_EQ(bottom.PixelEnd, 400);
    EXPECT_EQ(bottom.PixelSize, 200);
    EXPECT_EQ(bottom.PixelCentre, 300);
    EXPECT_EQ(bottom.ValueToPixel(50), 300);
}

// Far zoomed in, a value off the axis lies billions of pixels away: the pixel saturates at the
// end of the int range instead of wrapping to the other side of the chart.
TEST_F(AxisTest, FarZoomSaturatesInsteadOfWrapping)
{
    for (bool fast : {false, true}) {
        SCOPED_TRACE(fast ? "fast" : "guarded");
        chart.AxesList().SetFastCalculation(fast);
        for (Which which : {Which::Bottom, Which::Left}) {
            TChartAxis& axis = *AxisOf(chart, which);
            Prepare(axis, {"", which, false, false, 0, 1e-6, 0, 0});
            const bool horizontal = which == Which::Bottom;
            EXPECT_EQ(axis.ValueToPixel(1e6), horizontal ? INT_MAX : INT_MIN);
            EXPECT_EQ(axis.ValueToPixel(-1e6), horizontal ? INT_MIN : INT_MAX);
            // Not clamped either: line series clip their far ends from these positions.
            EXPECT_GT(axis.ValueToPixel(horizontal ? 1e-3 : -1e-3), 32767 * 5);
            int pixels[2];
            const double values[2] = {1e6, -1e6};
            axis.CalcPosValues(values, pixels, 2);
            EXPECT_EQ(pixels[0], horizontal ? INT_MAX : INT_MIN);
            EXPECT_EQ(pixels[1], horizontal ? INT_MIN : INT_MAX);
        }
    }
    TChartAxis& bottom = *chart.BottomAxis();
    bottom.SetLogarithmic(true);
    Prepare(bottom, {"", Which::Bottom, true, false, 1, 1 + 1e-9, 0, 0});
    EXPECT_EQ(bottom.ValueToPixel(1e300), INT_MAX);
    Prepare(bottom, {"", Which::Bottom, false, false, 0, 1e-9, 0, 0});
    EXPECT_EQ(bottom.PixelsBetween(0, 1e6), INT_MAX);
}

TEST_F(AxisTest, ClampPositionsOnlyOnGuardedConversions)
{
    TChartAxis& bottom = *chart.BottomAxis();
    Prepare(bottom, {"", Which::Bottom, false, false, 0, 1, 0, 0});
    bottom.ClampPositions = true;
    EXPECT_EQ(bottom.ValueToPixel(1000), 32767);
    EXPECT_EQ(bottom.ValueToPixel(-1000), -32767);
    EXPECT_EQ(bottom.ValueToPixel(0.5), 300);
    chart.AxesList().SetFastCalculation(true);
    EXPECT_EQ(bottom.ValueToPixel(1000), 100 + 400000);
}

TEST_F(AxisTest, TenMillionValuesThroughTheBatchForm)
{
    TChartAxis& left = *chart.LeftAxis();
    Prepare(left, {"", Which::Left, false, false, 0, 1e7, 0, 0});
    std::vector<double> values(10'000'000);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<double>(i);
    std::vector<int> pixels(values.size());
    const auto start = std::chrono::steady_clock::now();
    left.CalcPosValues(values.data(), pixels.data(), values.size());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 1.0);
    for (std::size_t i : {std::size_t{0}, std::size_t{1234567}, values.size() - 1})
        EXPECT_EQ(pixels[i], left.ValueToPixel(values[i])) << i;
}

// ---------------------------------------------------------------- ranges

TEST_F(AxisTest, AutomaticRangeFromTheSeriesBoundToTheAxis)
{
    TTestSeries series;
    series.SetParentChart(&chart);
    chart.SeriesList().Add(&series);
    series.SetHorizAxis(aBothHorizAxis);
    series.SetVertAxis(aBothVertAxis);
    series.AddXY(2, 10);
    series.AddXY(8, -4);
    series.AddXY(5, 3);
    TChartAxis& bottom = *chart.BottomAxis();
    TChartAxis& left = *chart.LeftAxis();
    bottom.UpdateInternalRange();
    left.UpdateInternalRange();
    EXPECT_EQ(bottom.Minimum(), 2);
    EXPECT_EQ(bottom.Maximum(), 8);
    EXPECT_EQ(left.CurMinimum, -4);
    EXPECT_EQ(left.CurMaximum, 10);

    // A fixed end stays; only the automatic one follows the series.
    left.SetAutomaticMaximum(false);
    left.SetMaximum(50);
    left.UpdateInternalRange();
    EXPECT_FALSE(left.Automatic());
    EXPECT_EQ(left.CurMinimum, -4);
    EXPECT_EQ(left.CurMaximum, 50);

    // Scrolling with the limit test moves only while the series reach beyond the range.
    bottom.ScrollBy(1, true);
    EXPECT_EQ(bottom.Maximum(), 8);
    bottom.ScrollBy(-1, true);
    EXPECT_EQ(bottom.Minimum(), 2);
    bottom.ScrollBy(1, false);
    EXPECT_EQ(bottom.Minimum(), 3);
    EXPECT_EQ(bottom.Maximum(), 9);
    EXPECT_FALSE(bottom.AutomaticMinimum());
    bottom.ScrollBy(-0.5, true);
    EXPECT_EQ(bottom.Minimum(), 2.5);
    chart.SeriesList().Remove(&series);
}

TEST_F(AxisTest, MinimumOffsetKeepsTheLowestPointAboveTheAxisEnd)
{
    TTestSeries series;
    series.SetParentChart(&chart);
    chart.SeriesList().Add(&series);
    series.SetVertAxis(aBothVertAxis);
    series.AddXY(0, 0);
    series.AddXY(1, 100);
    TChartAxis& left = *chart.LeftAxis();
    left.SetMinimumOffset(20);
    left.UpdateInternalRange();
    left.CalcPixelRange();
    left.ApplyMarginsToRange(0, 0, 0, 0);
    EXPECT_EQ(left.PixelEnd, 350);
    EXPECT_EQ(left.ValueToPixel(0), 330);
    EXPECT_EQ(left.ValueToPixel(100), 50);
    EXPECT_LT(left.CurMinimum, 0);
    EXPECT_NEAR(left.CurMinimum, -100.0 * 20 / 280, 1e-9);

    // Inverted, the minimum offset moves to the top.
    left.SetInverted(true);
    left.UpdateInternalRange();
    left.CalcPixelRange();
    left.ApplyMarginsToRange(0, 0, 0, 0);
    EXPECT_EQ(left.ValueToPixel(0), 70);
    EXPECT_EQ(left.ValueToPixel(100), 350);
    chart.SeriesList().Remove(&series);
}

TEST_F(AxisTest, ExtendRangeByPixelsOnAHorizontalAxisCarriesTheSubAxes)
{
    TChartAxis& bottom = *chart.BottomAxis();
    TChartAxis* sub = bottom.GetSubAxes()->AddAxis();
    Prepare(bottom, {"", Which::Bottom, false, false, 0, 100, 0, 0});
    ExtendRangeByPixels(&bottom, 40, 0, 40, 0);
    EXPECT_EQ(bottom.ValueToPixel(0), 140);
    EXPECT_EQ(bottom.ValueToPixel(100), 460);
    EXPECT_EQ(sub->CurMinimum, bottom.CurMinimum);
    EXPECT_EQ(sub->CurMaximum, bottom.CurMaximum);
    EXPECT_EQ(sub->ValueToPixel(0), 140);
}

TEST_F(AxisTest, RangeSettersAndTheirMessages)
{
    TChartAxis& axis = *chart.LeftAxis();
    axis.SetRange(5, 5);
    EXPECT_EQ(axis.Minimum(), 5 - 1e-10);
    EXPECT_EQ(axis.Maximum(), 5 + 1e-10);
    EXPECT_FALSE(axis.Automatic() || axis.AutomaticMinimum() || axis.AutomaticMaximum());
    axis.SetRange(10, 2);
    EXPECT_EQ(axis.Minimum(), 2);
    EXPECT_EQ(axis.Maximum(), 10);
    axis.SetAutomatic(true);
    EXPECT_TRUE(axis.AutomaticMinimum() && axis.AutomaticMaximum());
    axis.SetAutomaticMinimum(false);
    EXPECT_FALSE(axis.Automatic());
    axis.SetAutomaticMinimum(true);
    EXPECT_TRUE(axis.Automatic());

    struct Case {
        const char* name;
        std::function<void(TChartAxis&)> change;
        const char* message;
    };
    const Case cases[] = {
        {"minimum above maximum", [](TChartAxis& a) { a.SetMinimum(20); }, "Axis Minimum Value must be <= Maximum"},
        {"maximum below minimum", [](TChartAxis& a) { a.SetMaximum(1); }, "Axis Maximum Value must be >= Minimum"},
        {"negative increment", [](TChartAxis& a) { a.SetIncrement(-1); }, "Axis increment must be >= 0"},
        {"log base 1", [](TChartAxis& a) { a.SetLogarithmicBase(1); }, "Axis Logarithmic Base should be <> 1 and > 0"},
        {"log base 0", [](TChartAxis& a) { a.SetLogarithmicBase(0); }, "Axis Logarithmic Base should be <> 1 and > 0"},
        {"log base negative", [](TChartAxis& a) { a.SetLogarithmicBase(-2); },
         "Axis Logarithmic Base should be <> 1 and > 0"},
        {"logarithmic below 0",
         [](TChartAxis& a) {
             a.SetRange(-5, 10);
             a.SetLogarithmic(true);
         },
         "Logarithmic Axis Min and Max values should be >= 0"},
        {"negative label separation", [](TChartAxis& a) { a.Labels().SetSeparation(-1); },
         "Labels Separation % must be greater than 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        axis.SetRange(2, 10);
        try {
            c.change(axis);
            ADD_FAILURE() << "no exception";
        } catch (const AxisException& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_FALSE(axis.Logarithmic());
        EXPECT_EQ(axis.Increment(), 0);
        EXPECT_EQ(axis.LogarithmicBase(), 10);
        EXPECT_EQ(axis.Labels().Separation(), 10);
    }
    EXPECT_EQ(axis.Maximum(), 10);

    // While the chart loads either end may come first.
    chart.SetLoading(true);
    axis.SetMinimum(20);
    axis.SetMaximum(30);
    chart.SetLoading(false);
    EXPECT_EQ(axis.Minimum(), 20);

    axis.SetZPosition(0);
    EXPECT_EQ(axis.ZPosition(), 0.01);
    axis.Labels().SetAngle(-90);
    EXPECT_EQ(axis.Labels().Angle(), 270);
}

// ---------------------------------------------------------------- lists

TEST_F(AxisTest, AxisListOrderCustomAxesAndSubAxes)
{
    TChartAxes& axes = chart.AxesList();
    ASSERT_EQ(axes.Count(), 6);
    const TChartAxis* standard[] = {chart.BottomAxis(), chart.TopAxis(), chart.LeftAxis(),
                                    chart.RightAxis(), chart.DepthAxis(), chart.DepthTopAxis()};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(axes.GetAxis(i), standard[i]) << i;
    EXPECT_EQ(axes.GetBottomAxis(), chart.BottomAxis());
    EXPECT_EQ(axes.GetTopAxis(), chart.TopAxis());
    EXPECT_EQ(axes.GetLeftAxis(), chart.LeftAxis());
    EXPECT_EQ(axes.GetRightAxis(), chart.RightAxis());
    EXPECT_EQ(axes.GetDepthAxis(), chart.DepthAxis());
    EXPECT_EQ(axes.GetDepthTopAxis(), chart.DepthTopAxis());
    EXPECT_TRUE(chart.TopAxis()->Horizontal() && chart.TopAxis()->OtherSide());
    EXPECT_TRUE(chart.RightAxis()->OtherSide() && !chart.RightAxis()->Horizontal());
    EXPECT_TRUE(chart.DepthAxis()->IsDepthAxis && !chart.DepthAxis()->Visible());
    EXPECT_EQ(chart.CustomAxes()->Count(), 0);

    TChartAxis* custom = TChartAxis::CreateInChart(&chart);
    TChartAxis* second = chart.CustomAxes()->AddAxis();
    ASSERT_EQ(axes.Count(), 8);
    EXPECT_EQ(axes.GetAxis(6), custom);
    EXPECT_EQ(axes.GetAxis(7), second);
    EXPECT_EQ(custom->ParentChart(), &chart);

    custom->SetHorizontal(true);
    custom->SetOtherSide(true);
    TChartAxis* sub = custom->GetSubAxes()->AddAxis();
    EXPECT_EQ(axes.Count(), 8);
    EXPECT_EQ(sub->MasterAxis, custom);
    EXPECT_EQ(sub->ParentChart(), &chart);
    EXPECT_TRUE(sub->Horizontal() && sub->OtherSide());
    EXPECT_FALSE(sub->Axis()->Visible());

    custom->SetRange(3, 7);
    EXPECT_EQ(sub->Minimum(), 3);
    EXPECT_EQ(sub->Maximum(), 7);
    sub->SetInverted(true);
    EXPECT_TRUE(custom->Inverted());

    chart.DepthAxis()->SetInverted(true);
    EXPECT_TRUE(chart.DepthTopAxis()->Inverted());

    axes.MakeAllAutomatic();
    for (TChartAxis* axis : axes) EXPECT_TRUE(axis->Automatic());

    delete custom;
    ASSERT_EQ(axes.Count(), 7);
    EXPECT_EQ(axes.GetAxis(6), second);
    EXPECT_EQ(axes.IndexOf(second), 6);
}

// ---------------------------------------------------------------- streaming

TEST_F(AxisTest, NewAxesAndTheirPartsStreamNothing)
{
    TChartAxis* custom = TChartAxis::CreateInChart(&chart);
    TChartAxis* sub = custom->GetSubAxes()->AddAxis();
    struct Case {
        const char* name;
        TPersistent* object;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"bottom", chart.BottomAxis(), {}},
        {"top", chart.TopAxis(), {}},
        {"left", chart.LeftAxis(), {}},
        {"right", chart.RightAxis(), {}},
        {"depth", chart.DepthAxis(), {}},
        {"depth top", chart.DepthTopAxis(), {}},
        {"sub-axis: its hidden line", sub, {"Axis.Visible"}},
        {"left title at 90 degrees", chart.LeftAxis()->GetTitle(), {}},
        {"right title at 270 degrees", chart.RightAxis()->GetTitle(), {}},
        {"back shape", chart.BottomAxis()->GetShape(), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(StoredNames(*c.object), c.expected);
    }
    EXPECT_EQ(chart.LeftAxis()->GetTitle()->Angle(), 90);
    custom->GetSubAxes()->Clear();
    EXPECT_EQ(StoredNames(*custom), std::vector<std::string>{});
}

TEST_F(AxisTest, ChangedPropertiesReadBack)
{
    struct Case {
        const char* path;
        TVariant value;
    };
    const Case cases[] = {
        {"Automatic", false},
        {"AutomaticMaximum", false},
        {"AutomaticMinimum", false},
        {"Maximum", 80.5},
        {"Minimum", -3.25},
        {"Axis.LineMode", "lmCylinder"},
        {"Axis.Width", 3},
        {"AxisValuesFormat", "0.00"},
        {"DateTimeFormat", "hh:mm"},
        {"EndPosition", 90.0},
        {"ExactDateTime", false},
        {"Grid.Centered", true},
        {"Grid.DrawAlways", true},
        {"Grid.DrawEvery", 3},
        {"Grid.ZPosition", 40.0},
        {"Horizontal", true},
        {"Increment", 2.5},
        {"Inverted", true},
        {"Labels", false},
        {"LabelsAlign", "alOpposite"},
        {"LabelsAlternate", true},
        {"LabelsAngle", 90},
        {"LabelsBehind", true},
        {"LabelsExponent", true},
        {"LabelsGridIgnoresLabelSize", true},
        {"LabelsMultiLine", true},
        {"LabelsOnAxis", false},
        {"LabelsSeparation", 25},
        {"LabelsSize", 30},
        {"LabelStyle", "talText"},
        {"LogarithmicBase", 2.0},
        {"MaximumOffset", 7},
        {"MaximumRound", true},
        {"MinimumOffset", 20},
        {"MinimumRound", true},
        {"MinorGrid.Visible", true},
        {"MinorTickCount", 5},
        {"MinorTickLength", 6},
        {"MinorTicks.Color", 255},
        {"OtherSide", true},
        {"PositionPercent", 12.5},
        {"PositionUnits", "muPixels"},
        {"RoundFirstLabel", false},
        {"Shape.Visible", true},
        {"StartPosition", 10.0},
        {"TickInnerLength", 3},
        {"TickLength", 8},
        {"TickOnLabelsOnly", false},
        {"Ticks.Color", 65280},
        {"TicksInner.Width", 2},
        {"Title.Text", "Depth (m)"},
        {"Title.Position", "tpEnd"},
        {"Title.Angle", 45},
        {"TitleSize", 12},
        {"Visible", false},
        {"ZPosition", 55.0},
    };
    TChartAxis* axis = TChartAxis::CreateInChart(&chart);
    for (const Case& c : cases) SetPropValue(axis, c.path, c.value);
    TAxisTestPanel copy;
    CopyByStream(chart, copy);
    ASSERT_EQ(copy.CustomAxes()->Count(), 1);
    TChartAxis* read = copy.CustomAxes()->GetAxis(0);
    for (const Case& c : cases) EXPECT_EQ(GetPropValue(read, c.path).AsString(), GetPropValue(axis, c.path).AsString()) << c.path;
    EXPECT_EQ(StoredNames(*read).size(), StoredNames(*axis).size());
    EXPECT_EQ(copy.AxesList().GetAxis(6), read);
}

TEST_F(AxisTest, PanelWithCustomAxisAndSubAxisStreamsToTheSameText)
{
    TChartAxis* custom = TChartAxis::CreateInChart(&chart);
    custom->SetHorizontal(true);
    custom->SetRange(1, 100);
    custom->GetTitle()->SetText("Custom");
    TChartAxis* sub = custom->GetSubAxes()->AddAxis();
    sub->SetStartPosition(50);
    sub->SetLogarithmic(true);
    chart.TopAxis()->Grid()->SetZPosition(0);
    // Maximum is read before Minimum: the ordering checks must not see the half-read range.
    TChartAxis::CreateInChart(&chart)->SetRange(-10, -5);
    const std::string text = TextOf(chart);
    EXPECT_NE(text.find("SubAxes = <"), std::string::npos) << text;

    TAxisTestPanel copy;
    CopyByStream(chart, copy);
    EXPECT_EQ(TextOf(copy), text);
    ASSERT_EQ(copy.AxesList().Count(), 8);
    EXPECT_EQ(copy.AxesList().GetAxis(7)->Minimum(), -10);
    EXPECT_EQ(copy.AxesList().GetAxis(7)->Maximum(), -5);
    TChartAxis* readCustom = copy.AxesList().GetAxis(6);
    ASSERT_EQ(readCustom->PeekSubAxes()->Count(), 1);
    TChartAxis* readSub = readCustom->PeekSubAxes()->GetAxis(0);
    EXPECT_EQ(readSub->MasterAxis, readCustom);
    EXPECT_TRUE(readSub->Horizontal());
    EXPECT_TRUE(readSub->Logarithmic());
    EXPECT_EQ(readCustom->Minimum(), 1);
    EXPECT_TRUE(readCustom->Logarithmic());
    // 0 is what a reader assumes for an absent Z, so a grid whose default is 100 says "ZZero".
    EXPECT_NE(text.find("ZZero = True"), std::string::npos);
    EXPECT_EQ(copy.TopAxis()->Grid()->ZPosition(), 0);
}

}  // namespace
