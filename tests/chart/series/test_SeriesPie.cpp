// Pie series: slice angles, explode, several pies side by side or nested, the hole, 3D slice
// order, the other slice with both legends, the placement of pie marks and the stored data.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <QImage>
#include <limits>
#include <numbers>
#include <vector>

#include "chart/engine/ChartLegend.h"
#include "chart/series/RuRazaziCallout.h"
#include "chart/series/SeriesPie.h"
#include "platform/core/Streams.h"
#include "support/TestSupport.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {

constexpr double kDeg = 180 / std::numbers::pi;

class PieTest : public ::testing::Test {
protected:
    void SetUp() override { StartSeriesModules(); }
};

// A pie without marks in a flat chart whose chart rectangle is 200 x 200 (radii 100).
struct TPieOn {
    explicit TPieOn(const std::vector<double>& values, const TRect& chartRect = {0, 0, 200, 200})
    {
        pie.SetParentChart(&chart);
        pie.Marks().SetVisible(false);
        pie.Shadow().SetVisible(false);
        for (double v : values) pie.AddPointY(v);
        chart.ChartRect = chartRect;
    }
    // The drawing steps of one series as the chart runs them, without the rest of the chart.
    void Layout()
    {
        pie.PrepareToDraw();
        pie.CalcFirstLastVisible();
        pie.FireBeforeDrawValues();
    }
    void Draw()
    {
        chart.Recording().Clear();
        Layout();
        pie.DrawAllPoints();
    }
    std::vector<double> EndDegrees()
    {
        pie.CalcAngles();
        std::vector<double> ends;
        for (const TPieAngle& a : pie.Angles()) ends.push_back(a.EndAngle * kDeg);
        return ends;
    }
    TTestChart chart;
    TScopedComponent<TPieSeries> pie{&chart};
};

// Notes, per slice index, whether the slice was drawn with its sides.
class TSidesPie : public TPieSeries {
public:
    explicit TSidesPie(TComponent* owner) : TPieSeries(owner) {}
    std::vector<bool> Sides = std::vector<bool>(16, false);
    void DrawSlice(int index) override
    {
        Sides[static_cast<std::size_t>(index)] = SliceOffsets;
        TPieSeries::DrawSlice(index);
    }
};

void ExpectDegrees(const std::vector<double>& actual, const std::vector<double>& expected, const std::string& what)
{
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (std::size_t i = 0; i < actual.size(); ++i) EXPECT_NEAR(actual[i], expected[i], 1e-9) << what << " slice " << i;
}

}  // namespace

TEST_F(PieTest, SliceAnglesFollowTheValues)
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        std::vector<double> values;
        int angleSize;
        std::vector<double> ends;
    } const cases[] = {
        {"quarters", {10, 20, 30, 40}, 360, {36, 108, 216, 360}},
        {"negative by size", {10, -20}, 360, {120, 360}},
        {"semi pie", {10, 20, 30, 40}, 180, {18, 54, 108, 180}},
        {"zeros are empty", {0, 5, 0, 5}, 360, {0, 180, 180, 360}},
        {"all zero: the first takes all", {0, 0, 0}, 360, {360, 360, 360}},
        // Values near the top of the double range neither overflow the total nor lose the end.
        {"huge", {1e308, 1e308, 1e308, 1e308}, 360, {90, 180, 270, 360}},
        {"infinite takes no room", {inf, 10, 30}, 360, {0, 90, 360}},
        {"not a number takes no room", {10, nan, 10}, 360, {180, 180, 360}},
        // An angle size past a whole turn spans one turn.
        {"beyond a circle", {1, 1}, 100000, {180, 360}},
    };
    for (const Case& c : cases) {
        TPieOn t(c.values);
        t.pie.SetAngleSize(c.angleSize);
        t.pie.CalcFirstLastVisible();
        ExpectDegrees(t.EndDegrees(), c.ends, c.what);
        const std::vector<TPieAngle>& angles = t.pie.Angles();
        for (std::size_t i = 0; i < angles.size(); ++i) {
            EXPECT_TRUE(std::isfinite(angles[i].StartAngle) && std::isfinite(angles[i].MidAngle)) << c.what;
            EXPECT_DOUBLE_EQ(angles[i].StartAngle, i == 0 ? 0 : angles[i - 1].EndAngle) << c.what;
        }
    }
}

TEST_F(PieTest, HugeAndNonFiniteValuesDrawBoundedSlices)
{
    TPieOn t({1e308, -1e308, std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(), 3});
    t.pie.Marks().SetVisible(true);
    t.pie.PieMarks().SetRotated(true);
    t.Draw();
    for (const std::string& call : t.chart.Recording().Texts("PieAngles")) {
        EXPECT_EQ(call.find("nan"), std::string::npos) << call;
        EXPECT_EQ(call.find("inf"), std::string::npos) << call;
    }
    EXPECT_EQ(t.chart.Recording().Texts("PieAngles").size(), 5u);
    TSeriesMarkPosition position;
    for (int i = 0; i < 5; ++i) {
        position.Width = 20;
        position.Height = 10;
        t.pie.DrawPointMark(i, "x", position);
        EXPECT_GE(t.pie.RotatedMarkAngle(i), 0);
        EXPECT_LE(t.pie.RotatedMarkAngle(i), 360);
    }
}

TEST_F(PieTest, ExplodedSliceMovesOutAndTheCircleShrinks)
{
    TPieOn t({10, 20, 30, 40});
    t.pie.ExplodedSlice.Set(2, 30);
    t.Layout();
    EXPECT_EQ(t.pie.XRadius, 100);
    t.pie.SliceOffsets = true;
    t.pie.CalcAngles();
    int dx, dy;
    t.pie.ExplodedOffset(2, dx, dy);
    // Slice 2 runs from 108 to 216 degrees: its middle is 162 degrees.
    EXPECT_EQ(dx, -29);  // Rnd(cos 162 x 30)
    EXPECT_EQ(dy, 9);    // Rnd(sin 162 x 30)
    t.pie.ExplodedOffset(1, dx, dy);
    EXPECT_EQ(dx, 0) << "slices that are not exploded stay";

    t.Draw();
    // The circle shrank by half the offset on each side so the slice stays in the old rectangle.
    EXPECT_EQ(t.pie.CircleRect, (TRect{14, 4, 186, 196}));
    EXPECT_EQ(t.pie.XRadius, 86);
    EXPECT_EQ(t.pie.YRadius, 96);
    const std::vector<std::string> slices = t.chart.Recording().Texts("PieAngles");
    ASSERT_EQ(slices.size(), 4u);
    // Offset with the new radii: Rnd(cos 162 x 86 x 0.3) = -25, Rnd(sin 162 x 96 x 0.3) = 9.
    EXPECT_EQ(slices[2].substr(0, slices[2].find(",", slices[2].find(",", slices[2].find(",", slices[2].find(",") + 1) + 1) + 1)),
              "PieAngles(-11,-5,161,187");
    EXPECT_EQ(slices[0].substr(0, 21), "PieAngles(14,4,186,19");

    int xr, yr;
    t.pie.ExplodedRadii(2, xr, yr);
    EXPECT_EQ(xr, 112);  // Rnd(86 x 1.3)
    EXPECT_EQ(yr, 125);  // Rnd(96 x 1.3)

    t.pie.SetExplodeBiggest(25);
    EXPECT_EQ(t.pie.ExplodedSlice.Get(3), 25) << "the biggest value is exploded";
    EXPECT_EQ(t.pie.ExplodedSlice.Get(7), 0) << "reading past the list gives 0";
    t.pie.DeletePoint(0);
    EXPECT_EQ(t.pie.ExplodedSlice.Get(1), 30) << "explode follows its point when another goes";
    t.pie.SwapPoints(0, 1);
    EXPECT_EQ(t.pie.ExplodedSlice.Get(0), 30);
}

TEST_F(PieTest, AutomaticPiesShareTheChartInAGrid)
{
    TTestChart chart;
    std::vector<TComponentPtr<TPieSeries>> pies;
    for (int i = 0; i < 3; ++i) {
        pies.push_back(MakeComponent<TPieSeries>(&chart));
        pies.back()->SetParentChart(&chart);
        pies.back()->AddPointY(1);
    }
    const TRect whole{0, 0, 400, 300};
    // Three pies: 2 columns (Rnd 1.73) and 2 rows (Rnd 2.23) of 200 x 150; 90 percent of a cell.
    const TRect cells[] = {{0, 0, 180, 135}, {200, 0, 380, 135}, {0, 150, 180, 285}};
    for (int k = 0; k < 3; ++k) {
        chart.ChartRect = whole;
        pies[k]->FireBeforeDrawValues();
        EXPECT_EQ(chart.ChartRect, cells[k]) << "pie " << k;
        pies[k]->FireAfterDrawValues();
        EXPECT_EQ(chart.ChartRect, whole) << "pie " << k << " gives the rectangle back";
    }
    pies[1]->SetActive(false);
    chart.ChartRect = whole;
    pies[2]->FireBeforeDrawValues();
    EXPECT_EQ(chart.ChartRect, (TRect{0, 150, 360, 285})) << "inactive pies take no cell: 1 column, 2 rows";
    pies[2]->FireAfterDrawValues();
    pies[0]->SetMultiPie(mpDisabled);
    pies[0]->FireBeforeDrawValues();
    EXPECT_EQ(chart.ChartRect, whole);
    pies[0]->FireAfterDrawValues();
}

TEST_F(PieTest, ConcentricPiesNestAsRings)
{
    TTestChart chart;
    TScopedComponent<TPieSeries> inner(&chart), outer(&chart);
    for (TPieSeries* pie : {&inner, &outer}) {
        pie->SetParentChart(&chart);
        pie->Marks().SetVisible(false);
        pie->SetMultiPie(mpConcentric);
        pie->AddPointY(1);
        pie->AddPointY(2);
    }
    chart.ChartRect = {0, 0, 200, 200};
    inner.FireBeforeDrawValues();
    outer.FireBeforeDrawValues();
    EXPECT_EQ(inner.XRadius, 50);
    EXPECT_EQ(inner.DonutPercent(), 0);
    EXPECT_TRUE(inner.ConcentricRing);
    EXPECT_EQ(outer.XRadius, 100);
    EXPECT_EQ(outer.DonutPercent(), 50);
    outer.FireAfterDrawValues();
    EXPECT_EQ(outer.DonutPercent(), 0) << "the ring's hole lasts one drawing";
}

TEST_F(PieTest, DonutHoleIsNotPartOfAnySlice)
{
    TPieOn t({1, 0, 1});
    t.pie.SetDonutPercent(40);
    t.Draw();
    EXPECT_EQ(t.chart.Recording().Texts("DonutSlice").size(), 2u) << "a zero value draws no ring slice";
    EXPECT_TRUE(t.chart.Recording().Texts("PieAngles").empty());
    struct Case {
        int x, y, slice;
    } const cases[] = {
        {100, 100, -1},  // the hole's centre
        {100, 75, -1},   // inside the hole (radius 40)
        {100, 30, 0},    // upper half, on the ring
        {100, 170, 2},   // lower half
        {100, 2, 0},
        {100, -5, -1},   // outside the circle
    };
    for (const Case& c : cases) EXPECT_EQ(t.pie.PointAtScreen(c.x, c.y), c.slice) << c.x << "," << c.y;
    t.pie.SetDonutPercent(0);
    EXPECT_EQ(t.pie.PointAtScreen(100, 75), 0) << "without a hole the middle is part of the slices";
}

TEST_F(PieTest, ThreeDimensionalSlicesAreDrawnFromTheBack)
{
    TPieOn t({1, 1, 1, 1});
    t.chart.SetView3D(true);
    t.pie.SetRotationAngle(45);
    t.Draw();
    // Slice middles at 90 (back), 180, 270 (front) and 360 degrees.
    const std::vector<std::string> calls = t.chart.Recording().Texts("Pie3D");
    ASSERT_EQ(calls.size(), 4u);
    const std::vector<int> order = t.pie.SlicesInDepthOrder();
    ASSERT_EQ(order.size(), 4u);
    EXPECT_EQ(order.front(), 0) << "the slice at the back comes first";
    EXPECT_EQ(order.back(), 2) << "the slice at the front comes last";
    EXPECT_LT(t.pie.SliceDepthKey(0), t.pie.SliceDepthKey(1));
    EXPECT_DOUBLE_EQ(t.pie.SliceDepthKey(1), t.pie.SliceDepthKey(3));
    EXPECT_LT(t.pie.SliceDepthKey(3), t.pie.SliceDepthKey(2));

    // A semi pie in 3D shows the cut faces of its first and last slice only.
    TTestChart chart;
    chart.SetView3D(true);
    TScopedComponent<TSidesPie> semi(&chart);
    semi.SetParentChart(&chart);
    semi.Marks().SetVisible(false);
    for (int i = 0; i < 4; ++i) semi.AddPointY(1);
    semi.SetAngleSize(180);
    chart.ChartRect = {0, 0, 200, 200};
    semi.CalcFirstLastVisible();
    semi.FireBeforeDrawValues();
    semi.DrawAllPoints();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(semi.Sides[static_cast<std::size_t>(i)], i == 0 || i == 3) << "slice " << i;
}

TEST_F(PieTest, SmallValuesAreGroupedIntoTheOtherSlice)
{
    TPieOn t({50, 30, 5, 4, 1});
    for (int i = 0; i < 5; ++i) t.pie.SetPointLabel(i, std::string(1, static_cast<char>('a' + i)));
    t.pie.OtherSlice().SetStyle(poBelowPercent);
    t.pie.OtherSlice().SetValue(10);
    for (int pass = 0; pass < 2; ++pass) {
        t.Layout();
        ASSERT_EQ(t.pie.PointCount(), 6) << "pass " << pass << ": one other slice, however often drawn";
        EXPECT_EQ(t.pie.XValues()->GetValueAt(5), kOtherSliceX);
        EXPECT_EQ(t.pie.YValues()->GetValueAt(5), 10);
        EXPECT_EQ(t.pie.Labels().GetLabelText(5), "Other");
        EXPECT_TRUE(t.pie.IsGrouped(2) && t.pie.IsGrouped(3) && t.pie.IsGrouped(4));
        EXPECT_FALSE(t.pie.IsGrouped(1));
    }
    EXPECT_DOUBLE_EQ(t.pie.YValues()->GetTotalAbsolute(), 90) << "the grouped values count once";
    ExpectDegrees(t.EndDegrees(), {200, 320, 320, 320, 320, 360}, "grouped slices are empty");

    // The main legend lists 50, 30 and the other slice; the other slice's legend the grouped ones.
    EXPECT_EQ(t.pie.GetPointCount(), 3);
    EXPECT_EQ(t.pie.LegendToPointIndex(2), 5);
    TChartLegend* other = t.pie.OtherSlice().GetLegend();
    EXPECT_FALSE(other->Visible());
    EXPECT_EQ(other->Series(), &t.pie);
    t.pie.CurrentLegend = other;
    EXPECT_EQ(t.pie.GetPointCount(), 3);
    EXPECT_EQ(t.pie.LegendToPointIndex(0), 2);
    EXPECT_EQ(t.pie.LegendToPointIndex(2), 4);
    t.pie.CurrentLegend = nullptr;

    t.pie.OtherSlice().SetText("Rest");
    t.pie.OtherSlice().SetStyle(poBelowValue);
    t.pie.OtherSlice().SetValue(5);
    t.Layout();
    EXPECT_EQ(t.pie.PointCount(), 6);
    EXPECT_FALSE(t.pie.IsGrouped(2)) << "exactly 5 is not below 5";
    EXPECT_EQ(t.pie.YValues()->GetValueAt(5), 5);
    EXPECT_EQ(t.pie.Labels().GetLabelText(5), "Rest");

    t.pie.OtherSlice().SetStyle(poNone);
    t.Layout();
    EXPECT_EQ(t.pie.PointCount(), 5) << "no grouping, no other slice";
    EXPECT_EQ(t.pie.XValues()->GetValueAt(4), 4);

    TPieOn negative({-50, 2, -3});
    negative.pie.OtherSlice().SetStyle(poBelowValue);
    negative.pie.OtherSlice().SetValue(4);
    negative.Layout();
    EXPECT_EQ(negative.pie.YValues()->GetValueAt(3), 5) << "sizes are compared and summed";
    EXPECT_FALSE(negative.pie.IsGrouped(0));
}

TEST_F(PieTest, OtherSliceKeepsItsMovedMark)
{
    TPieOn t({50, 30, 1});
    t.pie.OtherSlice().SetStyle(poBelowValue);
    t.pie.OtherSlice().SetValue(2);
    t.Layout();
    TSeriesMarkPosition moved;
    moved.Custom = true;
    moved.LeftTop = {7, 9};
    t.pie.Marks().Positions().StorePosition(3, moved);
    t.Layout();
    t.Layout();
    const TSeriesMarkPosition* kept = t.pie.Marks().Positions().PositionAt(3);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->LeftTop, (TPoint{7, 9}));
}

TEST_F(PieTest, StoredDataNeverHoldsTheOtherSlice)
{
    TPieOn t({50, 30, 5, 4, 1});
    t.pie.OtherSlice().SetStyle(poBelowPercent);
    t.pie.OtherSlice().SetValue(10);
    t.Layout();
    ASSERT_EQ(t.pie.PointCount(), 6);
    TMemoryStream stream;
    t.pie.WriteData(stream);
    TTestChart chart;
    TScopedComponent<TPieSeries> copy(&chart);
    TMemoryStream in(stream.Bytes());
    copy.ReadDataStream(in);
    EXPECT_EQ(Describe(copy), "0:50 1:30 2:5 3:4 4:1") << "no other slice, no grouping marks";
    t.Layout();
    EXPECT_EQ(t.pie.PointCount(), 6) << "the next drawing groups again";
}

TEST_F(PieTest, MarksAreInsideOrAtTheEndOfALeaderLine)
{
    // Quarters from 0 degrees: slice 0's middle is at 45 degrees, up and to the right.
    struct Case {
        const char* what;
        bool inside, vertCenter;
        int legSize;
        TPoint leftTop, arrowTo, arrowFrom;
        bool midPoint;
        TPoint mid;
    } const cases[] = {
        {"inside", true, false, 0, {120, 59}, {0, 0}, {0, 0}, false, {0, 0}},
        {"leader line", false, false, 0, {176, 11}, {176, 24}, {171, 29}, false, {0, 0}},
        {"vertically centred", false, true, 0, {176, 11}, {176, 18}, {171, 29}, false, {0, 0}},
        // The line is shorter than the leg: the leg starts at the point end, the box moves on.
        {"short leg", false, false, 10, {186, 11}, {186, 24}, {171, 29}, true, {171, 24}},
        {"long leg", false, false, 3, {176, 11}, {176, 24}, {171, 29}, true, {173, 24}},
    };
    for (const Case& c : cases) {
        TPieOn t({1, 1, 1, 1});
        t.pie.Marks().SetVisible(true);
        t.pie.PieMarks().SetInsideSlice(c.inside);
        t.pie.PieMarks().SetVertCenter(c.vertCenter);
        t.pie.PieMarks().SetLegSize(c.legSize);
        t.pie.Marks().Callout().SetDistance(0);
        t.Layout();
        t.pie.Marks().SetVisible(false);
        t.Layout();  // radii 100 whatever room the marks took
        TSeriesMarkPosition position;
        position.Width = 30;
        position.Height = 13;
        t.pie.DrawPointMark(0, "m", position);
        EXPECT_EQ(position.LeftTop, c.leftTop) << c.what;
        if (c.inside) {
            EXPECT_TRUE(t.pie.Marks().Callout().Arrow().Visible()) << "the arrow comes back after the mark";
            continue;
        }
        EXPECT_EQ(position.ArrowTo, c.arrowTo) << c.what;
        EXPECT_EQ(position.ArrowFrom, c.arrowFrom) << c.what;
        EXPECT_TRUE(position.ArrowFix) << c.what;
        EXPECT_EQ(position.HasMidPoint, c.midPoint) << c.what;
        EXPECT_EQ(position.MidPoint, c.mid) << c.what;
    }
}

TEST_F(PieTest, MarksOfSpecialSlices)
{
    TPieOn single({7});
    single.Layout();
    TSeriesMarkPosition position;
    position.Width = 30;
    position.Height = 13;
    single.pie.DrawPointMark(0, "m", position);
    EXPECT_EQ(position.ArrowTo, (TPoint{208, 100})) << "a lone slice puts its mark to the right";
    EXPECT_EQ(position.LeftTop, (TPoint{208, 87}));

    TPieOn t({1, 0, 1});
    t.Layout();
    TSeriesMarkPosition untouched;
    t.pie.DrawPointMark(1, "m", untouched);
    EXPECT_EQ(untouched.LeftTop, (TPoint{0, 0})) << "an empty slice gets no mark";
    t.pie.PieMarks().SetEmptySlice(true);
    t.pie.DrawPointMark(1, "m", untouched);
    EXPECT_NE(untouched.LeftTop, (TPoint{0, 0}));

    // Rotated marks follow the slice and never read upside down.
    TPieOn rotated({1, 2});  // middles at 60 and 240 degrees
    rotated.pie.CalcFirstLastVisible();
    rotated.pie.CalcAngles();
    EXPECT_EQ(rotated.pie.RotatedMarkAngle(0), 60);
    EXPECT_EQ(rotated.pie.RotatedMarkAngle(1), 60);
    TPieOn oneTwenty({1, 1, 1});  // slices of 40 degrees: slice 0's middle is 20
    oneTwenty.pie.SetAngleSize(120);
    oneTwenty.pie.CalcFirstLastVisible();
    oneTwenty.pie.CalcAngles();
    oneTwenty.pie.SetRotationAngle(100);  // slice 0's middle: 20 + 100 = 120 degrees
    EXPECT_EQ(oneTwenty.pie.RotatedMarkAngle(0), 300);
}

TEST_F(PieTest, SubGalleryStyles)
{
    std::vector<std::string> names;
    TPieOn t({1, 2, 3});
    t.pie.ListSubGalleryStyles([&](const std::string& name) { names.push_back(name); });
    EXPECT_EQ(names, (std::vector<std::string>{"Normal", "Patterns", "Exploded", "Shadow", "Marks", "Semi Pie",
                                               "No Border", "Dark Border", "Concentric"}));
    t.pie.ApplySubGalleryStyle(4);
    EXPECT_EQ(Describe(t.pie), "0:30 1:70 l=A,B");

    // The concentric look adds a ring of as many points, named afresh in the chart's owner.
    TComponent form(nullptr);
    TScopedComponent<TTestChart> chart(&form);
    TScopedComponent<TPieSeries> pie(&form);
    pie.SetName("Series1");
    pie.SetParentChart(&chart);
    pie.AddPointY(1);
    pie.AddPointY(2);
    pie.ApplySubGalleryStyle(8);
    ASSERT_EQ(chart.CountSeries(), 2);
    auto* ring = dynamic_cast<TPieSeries*>(chart.GetSeries(1));
    ASSERT_NE(ring, nullptr);
    EXPECT_EQ(ring->MultiPie(), mpConcentric);
    EXPECT_EQ(pie.MultiPie(), mpConcentric);
    EXPECT_EQ(ring->PointCount(), 2);
    EXPECT_FALSE(ring->Marks().Visible());
    EXPECT_EQ(ring->Name(), "Series2");
}

TEST_F(PieTest, PublishedSettingsSurviveTheComponentStream)
{
    TTestChart chart;
    TScopedComponent<TPieSeries> pie(&chart);
    pie.SetName("Pie1");
    pie.SetAngleSize(180);
    pie.SetExplodeBiggest(20);
    pie.SetMultiPie(mpConcentric);
    pie.OtherSlice().SetStyle(poBelowValue);
    pie.OtherSlice().SetValue(2.5);
    pie.OtherSlice().SetText("Rest");
    pie.PieMarks().SetLegSize(12);
    pie.PieMarks().SetRotated(true);
    pie.Bevel().SetPercent(15);
    pie.SetRotationAngle(30);
    const std::string text = ComponentTextOf(pie);
    for (const char* line : {"AngleSize = 180", "ExplodeBiggest = 20", "MultiPie = mpConcentric",
                             "OtherSlice.Style = poBelowValue", "OtherSlice.Text = 'Rest'", "PieMarks.LegSize = 12",
                             "Bevel.Percent = 15", "RotationAngle = 30"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    EXPECT_EQ(text.find("OtherSlice.Legend"), std::string::npos) << "no legend until one is asked for";

    TTestChart other;
    TScopedComponent<TPieSeries> copy(&other);
    ReadComponentText(copy, text);
    EXPECT_EQ(copy.AngleSize(), 180);
    EXPECT_EQ(copy.MultiPie(), mpConcentric);
    EXPECT_EQ(copy.OtherSlice().Value(), 2.5);
    EXPECT_EQ(copy.OtherSlice().Text(), "Rest");
    EXPECT_TRUE(copy.PieMarks().Rotated());
    EXPECT_EQ(copy.Bevel().Percent(), 15);
    EXPECT_EQ(copy.RotationAngle(), 30);
}

// A flat pie with an exploded slice and marks on the real canvas, compared with a picture a
// person has looked at. Rerun with QB_UPDATE_PICTURES set to write the picture anew after a
// deliberate change.
TEST_F(PieTest, ExplodedPieWithMarksLooksAsItsPicture)
{
    TChart chart;
    chart.SetBounds(0, 0, 400, 300);
    chart.SetColorPaletteIndex(0);
    chart.SetView3D(false);
    chart.Legend()->SetVisible(false);
    chart.Title()->AssignText("Fleet");
    TScopedComponent<TPieSeries> pie(&chart);
    pie.SetParentChart(&chart);
    const char* labels[] = {"Cars", "Bikes", "Vans", "Buses", "Trams"};
    const double values[] = {40, 25, 15, 12, 8};
    for (int i = 0; i < 5; ++i) pie.AddPointY(values[i], labels[i]);
    pie.Marks().SetStyle(smsLabel);
    pie.ExplodedSlice.Set(1, 25);
    pie.Shadow().SetVisible(false);
    pie.Marks().Callout().SetVisible(false);
    pie.Marks().Callout().SetLength(14);
    pie.Marks().Callout().Arrow().SetColor(clBlack);
    const std::unique_ptr<QImage> picture = chart.CreatePanelBitmap();
    ASSERT_TRUE(picture);
    EXPECT_TRUE(qbtest::LooksLikePicture(*picture, "chart/series/pie_exploded.png", 100));
}
