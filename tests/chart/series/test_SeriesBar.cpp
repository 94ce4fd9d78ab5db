// Bar series: how bar series share a category position, stacking and origins, bar rectangles,
// the fifteen shapes as canvas calls, effects, marks on and beyond bars, hit tests, settings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <QImage>

#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/RuRazaziCallout.h"
#include "chart/series/SeriesBar.h"
#include "support_SeriesTest.h"
#include "support/TestSupport.h"

using namespace seriestest;

namespace {

class SeriesBarTest : public ::testing::Test {
protected:
    void SetUp() override { StartSeriesModules(); }
};

using Lists = std::vector<std::vector<double>>;

// Answers rectangles for every bar, whatever the series' own style.
struct TRectangleStyle : TObject {
    void Get(TCustomBarSeries*, int, TBarStyle& style) { style = bsRectangle; }
};

// A chart holding bar series of one class, each filled with its values.
template <class Series = TBarSeries>
struct TBarChart {
    explicit TBarChart(const Lists& lists, TMultiBar kind = mbSide)
    {
        for (const auto& values : lists) {
            auto* series = new Series(&chart);
            series->SetParentChart(&chart);
            for (double v : values) series->AddBar(v);
            bars.push_back(series);
        }
        if (!bars.empty()) bars[0]->SetMultiBar(kind);
    }
    // Lays the chart out and draws it once.
    void Draw() { chart.Draw(); }
    Series& operator[](int i) { return *bars[static_cast<std::size_t>(i)]; }
    TTestChart chart;
    std::vector<Series*> bars;
};

// Names of the drawing primitives of the recorded calls, with their arguments.
std::vector<std::string> Shapes(const TRecordingCanvas& canvas)
{
    static const char* const kept[] = {"Rectangle", "RoundRect", "Polygon", "Ellipse", "Cube", "Pyramid",
                                       "Cone", "Cylinder", "EllipseWithZ", "Rhombus", "Arrow3D", "Line",
                                       "LineTo", "MoveTo", "Path.AddPoints", "PolygonWithZ", "Path.AddArc"};
    std::vector<std::string> result;
    for (const TRecordedCall& call : canvas.Calls)
        if (std::find(std::begin(kept), std::end(kept), call.Name) != std::end(kept)) result.push_back(call.Text());
    return result;
}

// Replaces the names L, T, R, B, S, E, c, z0, z1, zm in a call template by their values.
std::string Fill(const std::string& text, const std::map<std::string, int>& names)
{
    std::string out, word;
    auto flush = [&] {
        const auto found = names.find(word);
        out += found != names.end() ? std::to_string(found->second) : word;
        word.clear();
    };
    for (char ch : text) {
        if (std::isalnum(static_cast<unsigned char>(ch))) {
            word += ch;
            continue;
        }
        flush();
        out += ch;
    }
    flush();
    return out;
}

}  // namespace

// ---------------------------------------------------------------- layout

TEST_F(SeriesBarTest, SeriesShareTheRoomOfACategoryByTheirKind)
{
    struct Case {
        const char* name;
        TMultiBar kind;
        std::vector<int> groups, counts;
        int numBars;
        std::vector<int> orders, preceding;
        int maxBarPoints;
    } const cases[] = {
        {"one side series", mbSide, {0}, {5}, 1, {1}, {0}, 6},
        {"two side series", mbSide, {0, 0}, {10, 10}, 2, {1, 2}, {0, 10}, 11},
        {"none", mbNone, {0, 0}, {4, 4}, 1, {1, 1}, {0, 4}, 5},
        {"stacked in two groups", mbStacked, {0, 0, 1}, {3, 3, 3}, 2, {1, 1, 2}, {0, 3, 6}, 4},
        {"stacked, second group first", mbStacked, {1, 0, 1}, {3, 3, 3}, 2, {1, 2, 1}, {0, 3, 6}, 4},
        {"stacked 100", mbStacked100, {0, 0}, {3, 3}, 1, {1, 1}, {0, 3}, 4},
        // The count is compared with the margin-widened one, so 3 then 4 points stay at 4.
        {"side all", mbSideAll, {0, 0}, {3, 4}, 2, {1, 2}, {0, 3}, 4},
        {"self stack", mbSelfStack, {0, 0}, {3, 4}, 2, {1, 2}, {0, 3}, 2},
    };
    for (const Case& c : cases) {
        std::vector<std::vector<double>> lists;
        for (int n : c.counts) lists.push_back(std::vector<double>(static_cast<std::size_t>(n), 1.0));
        TBarChart<> chart(lists, c.kind);
        for (std::size_t s = 0; s < c.groups.size(); ++s) chart[static_cast<int>(s)].SetStackGroup(c.groups[s]);
        chart.Draw();
        for (std::size_t s = 0; s < c.groups.size(); ++s) {
            TBarSeries& series = chart[static_cast<int>(s)];
            EXPECT_EQ(series.MultiBar(), c.kind) << c.name;
            EXPECT_EQ(series.NumBars, c.numBars) << c.name << " series " << s;
            EXPECT_EQ(series.BarOrder, c.orders[s]) << c.name << " series " << s;
            EXPECT_EQ(series.PrecedingPoints, c.preceding[s]) << c.name << " series " << s;
            EXPECT_EQ(series.MaxBarPoints, c.maxBarPoints) << c.name << " series " << s;
            EXPECT_EQ(series.BarSize % 2, 0) << c.name;
        }
    }
}

TEST_F(SeriesBarTest, TwoSideSeriesOnFourHundredPixels)
{
    TBarChart<> chart(Lists{std::vector<double>(10, 5.0), std::vector<double>(10, 6.0)});
    chart.Draw();
    for (TBarSeries* series : chart.bars) {
        series->PrepareToDraw();
        series->HorizAxisObject()->PixelSize = 400;
        series->CalcBarSize();
        EXPECT_EQ(series->MaxBarPoints, 11);
        EXPECT_EQ(series->BarSize, 14);
        EXPECT_EQ(series->BarMargin(), 28);
    }
    TChartAxis* axis = chart[0].HorizAxisObject();
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(chart[0].GetPointScreenX(i), axis->CalcPosValue(i) - 14);
        EXPECT_EQ(chart[1].GetPointScreenX(i), axis->CalcPosValue(i));
    }
    // Without side margins half the group is left at the ends; the setting is shared.
    chart[1].SetSideMargins(false);
    EXPECT_FALSE(chart[0].SideMargins());
    chart[0].PrepareToDraw();
    chart[0].HorizAxisObject()->PixelSize = 400;
    chart[0].CalcBarSize();
    EXPECT_EQ(chart[0].MaxBarPoints, 10);
    EXPECT_EQ(chart[0].BarMargin(), chart[0].BarSize);
}

TEST_F(SeriesBarTest, OneCentredSeriesAndItsOffset)
{
    TBarChart<> chart(Lists{{1, 2, 3, 4, 5}});
    chart.Draw();
    TBarSeries& s = chart[0];
    ASSERT_GT(s.BarSize, 0);
    TChartAxis* axis = s.HorizAxisObject();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(s.GetPointScreenX(i), axis->CalcPosValue(i) - s.BarSize / 2);
    int x = 0, y = 0;
    s.GetPointScreenXY(2, x, y);
    EXPECT_EQ(x, axis->CalcPosValue(2));
    s.SetOffsetPercent(50);
    EXPECT_EQ(s.GetPointScreenX(0), axis->CalcPosValue(0) - s.BarSize / 2 + s.BarSize / 2);
}

TEST_F(SeriesBarTest, SettingsAreSharedWithinOneClassOnly)
{
    TTestChart chart;
    auto* a = new TBarSeries(&chart);
    a->SetParentChart(&chart);
    a->SetMultiBar(mbStacked);
    auto* h = new THorizBarSeries(&chart);
    h->SetParentChart(&chart);
    auto* b = new TBarSeries(&chart);
    b->SetParentChart(&chart);
    EXPECT_EQ(b->MultiBar(), mbStacked) << "a joining series adopts the first one's kind";
    EXPECT_EQ(h->MultiBar(), mbSide);
    h->SetMultiBar(mbNone);
    EXPECT_EQ(a->MultiBar(), mbStacked);
    b->SetMultiBar(mbSelfStack);
    EXPECT_EQ(a->MultiBar(), mbSelfStack);
    EXPECT_FALSE(a->ComputeVisiblePoints);
    for (int i = 0; i < 3; ++i) {
        a->AddBar(1);
        h->AddBar(1);
    }
    a->PrepareToDraw();
    h->PrepareToDraw();
    EXPECT_EQ(a->NumBars, 2) << "the horizontal series takes no slot";
    EXPECT_EQ(h->NumBars, 1);
}

// ---------------------------------------------------------------- stacking, origins, ranges

TEST_F(SeriesBarTest, StackedBarsStartWhereTheirSideOfTheStackEnds)
{
    TBarChart<> chart(Lists{{3, -2}, {4, -1}}, mbStacked);
    chart.Draw();
    TBarSeries& b = chart[1];
    struct Case {
        int index;
        double start, end;
    } const cases[] = {{0, 3, 7}, {1, -2, -3}};
    TChartAxis* axis = b.VertAxisObject();
    for (const Case& c : cases) {
        EXPECT_EQ(b.StackedValue(c.index, false), c.start);
        EXPECT_EQ(b.BarOriginPos(c.index, -1), axis->CalcPosValue(c.start));
        EXPECT_EQ(b.GetPointScreenY(c.index), axis->CalcPosValue(c.end));
    }
    EXPECT_EQ(b.StackedValue(0, true), 7);
    EXPECT_EQ(b.MaxYValue(), 7);
    EXPECT_EQ(b.MinYValue(), -3);
    // Another group does not stack on them.
    b.SetStackGroup(1);
    EXPECT_EQ(b.StackedValue(0, false), 0);
}

TEST_F(SeriesBarTest, AZeroStackTotalKeepsTheBarsOnZeroPercent)
{
    TBarChart<> chart(Lists{{2, 0, 5}, {2, 0, -5}}, mbStacked100);
    chart.Draw();
    TBarSeries& b = chart[1];
    TChartAxis* axis = b.VertAxisObject();
    // A zero total has no share: base and value end sit at 0 % on the axis, not at pixel 0.
    EXPECT_EQ(b.BarOriginPos(1, -1), axis->CalcPosValue(0));
    EXPECT_EQ(b.GetPointScreenY(1), axis->CalcPosValue(0));
    EXPECT_NE(axis->CalcPosValue(0), 0);
    EXPECT_EQ(b.GetPointScreenY(0), axis->CalcPosValue(100));
    EXPECT_EQ(b.BarOriginPos(0, -1), axis->CalcPosValue(50));
    EXPECT_EQ(b.GetPointScreenY(2), axis->CalcPosValue(-50));
    EXPECT_EQ(chart[0].MaxYValue(), 100);
    EXPECT_EQ(b.MaxYValue(), 0) << "this series' values add up below zero";
    EXPECT_EQ(b.MinYValue(), -50) << "the empty stack takes no part";
}

TEST_F(SeriesBarTest, SelfStackedBarsStackOnTheirOwnSide)
{
    TBarChart<> chart(Lists{{2, 3, -1, 4}}, mbSelfStack);
    chart.Draw();
    TBarSeries& s = chart[0];
    const double bases[] = {0, 2, 0, 5};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(s.StackedValue(i, false), bases[i]) << i;
    std::vector<int> order;
    s.GetPointDrawOrder(0, 3, order, true);
    EXPECT_EQ(order, (std::vector<int>{2, 0, 1, 3}));
    s.HorizAxisObject()->SetInverted(true);
    s.GetPointDrawOrder(0, 3, order, true);
    EXPECT_EQ(order, (std::vector<int>{3, 1, 0, 2}));
    EXPECT_EQ(s.MaxYValue(), 9);
    EXPECT_EQ(s.MinYValue(), -1);
    EXPECT_EQ(s.MinXValue(), 0);
    EXPECT_EQ(s.MaxXValue(), 0);
}

TEST_F(SeriesBarTest, BasesFollowTheOriginOrTheAxisEnd)
{
    struct Case {
        const char* name;
        bool useOrigin;
        double origin;
    } const cases[] = {{"origin 0", true, 0}, {"origin 2", true, 2}, {"axis end", false, 0}};
    for (const Case& c : cases) {
        TBarChart<> vertical(Lists{{-3, 4}});
        TBarChart<THorizBarSeries> horizontal(Lists{{-3, 4}});
        for (TCustomBarSeries* s : {static_cast<TCustomBarSeries*>(&vertical[0]), static_cast<TCustomBarSeries*>(&horizontal[0])}) {
            s->SetUseYOrigin(c.useOrigin);
            s->SetYOrigin(c.origin);
        }
        vertical.Draw();
        horizontal.Draw();
        TRect r;
        vertical[0].CalcBarBounds(0, r);
        TChartAxis* v = vertical[0].VertAxisObject();
        EXPECT_EQ(r.Bottom, c.useOrigin ? v->CalcPosValue(c.origin) : v->PixelEnd) << c.name;
        EXPECT_EQ(r.Top, v->CalcPosValue(-3)) << c.name;
        horizontal[0].CalcBarBounds(0, r);
        TChartAxis* h = horizontal[0].HorizAxisObject();
        EXPECT_EQ(r.Left, c.useOrigin ? h->CalcPosValue(c.origin) : h->PixelStart) << c.name;
        EXPECT_EQ(r.Right, h->CalcPosValue(-3)) << c.name;
    }
}

TEST_F(SeriesBarTest, ValueAxisMarginsMakeRoomForMarksOnTheBarsSide)
{
    TBarChart<> positive(Lists{{1, 2}});
    TBarChart<> mixed(Lists{{-1, 2}});
    positive.Draw();
    mixed.Draw();
    int top = 0, bottom = 0;
    positive[0].GetVertMargins(top, bottom);
    EXPECT_GT(top, 20) << "marks text, callout length 20 and frame";
    EXPECT_EQ(bottom, 0);
    int mixedTop = 0, mixedBottom = 0;
    mixed[0].GetVertMargins(mixedTop, mixedBottom);
    EXPECT_EQ(mixedBottom, top);
    EXPECT_EQ(mixedTop, top);
    positive[0].SetMarksOnBar(true);
    positive[0].GetVertMargins(top, bottom);
    EXPECT_EQ(top, 0 + 2 + 1) << "only the pen: half its width (0.5 rounds to 0) plus 2, and 1";
}

// ---------------------------------------------------------------- rectangles

TEST_F(SeriesBarTest, BarRectanglesTouchAtFullWidthOnly)
{
    TBarChart<> side(Lists{{1, 2, 3, 4}});
    side.Draw();
    TRect r;
    side[0].CalcBarBounds(1, r);
    EXPECT_EQ(r.Right, r.Left + side[0].BarSize + 1);

    TBarChart<THorizBarSeries> horizontal(Lists{{1, 2, 3, 4}});
    horizontal.Draw();
    horizontal[0].CalcBarBounds(1, r);
    EXPECT_EQ(r.Bottom, r.Top + horizontal[0].BarSize - 1);

    TBarChart<> full(Lists{{1, 2, 3, 4}}, mbNone);
    full[0].SetBarWidthPercent(100);
    full.Draw();
    for (int i = 0; i < 3; ++i) {
        full[0].CalcBarBounds(i, r);
        EXPECT_EQ(r.Right, full[0].GetPointScreenX(i + 1) + 1) << i;
    }
    full[0].CalcBarBounds(3, r);
    EXPECT_EQ(r.Right, r.Left + full[0].BarSize + 1);
    // Without a pen the bar grows by a pixel to the right and at its base.
    full[0].Pen().SetVisible(false);
    TRect open;
    full[0].CalcBarBounds(3, open);
    EXPECT_EQ(open.Right, r.Right + 1);
    EXPECT_EQ(open.Bottom, r.Bottom + 1);
}

// ---------------------------------------------------------------- the fifteen styles

TEST_F(SeriesBarTest, EachStyleIsPaintedWithItsPrimitive)
{
    struct Case {
        TBarStyle style;
        const char* vertical2D;
        const char* vertical3D;
        const char* horizontal2D;
        const char* horizontal3D;
    } const cases[] = {
        {bsRectangle, "Rectangle(L,T,R,B)", "Cube(L,R,S,E,z0,z1,true,0)", "Rectangle(L,T,R,B)", "Cube(S,E,T,B,z0,z1,true,0)"},
        {bsRectGradient, "Rectangle(L,T,R,B)", "Cube(L,R,S,E,z0,z1,true,0)", "Rectangle(L,T,R,B)",
         "Cube(S,E,T,B,z0,z1,true,0)"},
        {bsPyramid, "Polygon([L:E c:S R:E])", "Pyramid(true,L,S,R,E,z0,z1,true)", "Polygon([S:T E:c S:B])",
         "Pyramid(false,S,T,E,B,z0,z1,true)"},
        {bsInvPyramid, "Polygon([L:S c:E R:S])", "Pyramid(true,L,E,R,S,z0,z1,true)", "Polygon([E:T S:c E:B])",
         "Pyramid(false,E,T,S,B,z0,z1,true)"},
        {bsCone, "Polygon([L:E c:S R:E])", "Cone(true,L,S,R,E,z0,z1,true,0)", "Polygon([S:T E:c S:B])",
         "Cone(false,S,T,E,B,z0,z1,true,0)"},
        {bsInvCone, "Polygon([L:S c:E R:S])", "Cone(true,L,E,R,S,z0,z1,true,0)", "Polygon([E:T S:c E:B])",
         "Cone(false,E,T,S,B,z0,z1,true,0)"},
        {bsCilinder, "Rectangle(L,T,R,B)", "Cylinder(true,L,T,R,B,z0,z1,true)", "Rectangle(L,T,R,B)",
         "Cylinder(false,L,T,R,B,z0,z1,true)"},
        {bsSlantCube, "Rectangle(L,T,R,B) MoveTo(c,T) LineTo(c,B)", "Cylinder(true,L,T,R,B,z0,z1,true)",
         "Rectangle(L,T,R,B) MoveTo(L,c) LineTo(R,c)", "Cylinder(false,L,T,R,B,z0,z1,true)"},
        {bsEllipse, "Ellipse(L,T,R,B)", "EllipseWithZ(L,T,R,B,zm)", "Ellipse(L,T,R,B)", "EllipseWithZ(L,T,R,B,zm)"},
        {bsCustom, "", "", "", ""},
        // The flat arrow is the 3D one at the middle depth; W is the bar's thickness, H half of it.
        {bsArrow, "Arrow3D(true,c:E,c:S,W,H,zm,zm,50)", "Arrow3D(true,c:E,c:S,W,H,z0,z1,50)",
         "Arrow3D(true,S:c,E:c,W,H,zm,zm,50)", "Arrow3D(true,S:c,E:c,W,H,z0,z1,50)"},
        {bsInvArrow, "Arrow3D(true,c:S,c:E,W,H,zm,zm,50)", "Arrow3D(true,c:S,c:E,W,H,z0,z1,50)",
         "Arrow3D(true,E:c,S:c,W,H,zm,zm,50)", "Arrow3D(true,E:c,S:c,W,H,z0,z1,50)"},
        // Projected corners in 3D are the canvas' business; flat, m is the middle of S and E.
        {bsDiamond, "Polygon([c:S R:m c:E L:m])", nullptr, "Polygon([m:T E:c m:B S:c])", nullptr},
        {bsRoundRectangle, nullptr, "Cube(L,R,S,E,z0,z1,true,16)", nullptr, "Cube(S,E,T,B,z0,z1,true,16)"},
    };
    for (const bool horizontal : {false, true})
        for (const bool in3D : {false, true})
            for (const Case& c : cases) {
                TBarChart<TBarSeries> vertical(Lists{{6, 9}});
                TBarChart<THorizBarSeries> lying(Lists{{6, 9}});
                TCustomBarSeries& s = horizontal ? static_cast<TCustomBarSeries&>(lying[0]) : vertical[0];
                TTestChart& chart = horizontal ? lying.chart : vertical.chart;
                chart.SetView3D(in3D);
                s.Marks().SetVisible(false);
                s.SetBarStyle(c.style);
                chart.Draw();
                chart.Recording().Clear();
                s.DrawPoint(1);
                // BarBounds now holds the painted rectangle (the pen of width 1 does not shrink it).
                const TRect& b = s.BarBounds;
                const bool v = !horizontal;
                const int S = v ? std::min(b.Top, b.Bottom) : std::min(b.Left, b.Right);
                const int E = v ? std::max(b.Top, b.Bottom) : std::max(b.Left, b.Right);
                const int mid = v ? (b.Left + b.Right) / 2 : (b.Top + b.Bottom) / 2;
                const int thickness = v ? b.Right - b.Left : b.Bottom - b.Top;
                const std::map<std::string, int> names{
                    {"L", b.Left},     {"T", b.Top},    {"R", b.Right},      {"B", b.Bottom},
                    {"S", S},          {"E", E},        {"c", mid},          {"m", (S + E) / 2},
                    {"z0", s.StartZ},  {"z1", s.EndZ},  {"zm", s.MiddleZ},   {"W", thickness},
                    {"H", thickness / 2}};
                const char* expected = horizontal ? (in3D ? c.horizontal3D : c.horizontal2D)
                                                  : (in3D ? c.vertical3D : c.vertical2D);
                if (!expected) continue;
                std::string joined;
                for (const std::string& call : Shapes(chart.Recording())) joined += (joined.empty() ? "" : " ") + call;
                EXPECT_EQ(joined, Fill(expected, names))
                    << EnumTypeInfo(c.style).Name(c.style) << (horizontal ? " horizontal" : " vertical")
                    << (in3D ? " 3D" : " 2D");
            }
}

TEST_F(SeriesBarTest, ArrowsDiamondsAndRoundedBarsPointTheirWay)
{
    for (const bool horizontal : {false, true}) {
        TBarChart<TBarSeries> vertical(Lists{{-6, 9}});
        TBarChart<THorizBarSeries> lying(Lists{{-6, 9}});
        TCustomBarSeries& s = horizontal ? static_cast<TCustomBarSeries&>(lying[0]) : vertical[0];
        TTestChart& chart = horizontal ? lying.chart : vertical.chart;
        s.Marks().SetVisible(false);
        chart.Draw();
        const char* orientation = horizontal ? "horizontal" : "vertical";
        // Pyramids point up (right) whatever the sign of the value.
        s.SetBarStyle(bsPyramid);
        chart.Recording().Clear();
        s.DrawPoint(0);
        const TRect b = s.BarBounds;
        const std::vector<std::string> calls = Shapes(chart.Recording());
        ASSERT_EQ(calls.size(), 1u) << orientation;
        const int tip = horizontal ? std::max(b.Left, b.Right) : std::min(b.Top, b.Bottom);
        const int across = horizontal ? (b.Top + b.Bottom) / 2 : (b.Left + b.Right) / 2;
        const std::string apex = horizontal ? std::to_string(tip) + ":" + std::to_string(across)
                                            : std::to_string(across) + ":" + std::to_string(tip);
        EXPECT_NE(calls[0].find(" " + apex + " "), std::string::npos) << orientation << " " << calls[0];
        // Arrows: ArrowAtZ lands as a polygon through the arrow's seven points.
        s.SetBarStyle(bsArrow);
        chart.Recording().Clear();
        s.DrawPoint(1);
        const std::vector<std::string> arrow = chart.Recording().Texts();
        EXPECT_EQ(arrow.size(), 1u) << orientation << " " << (arrow.empty() ? "" : arrow[0]);
        s.SetBarStyle(bsDiamond);
        chart.Recording().Clear();
        s.DrawPoint(1);
        EXPECT_FALSE(chart.Recording().Calls.empty()) << orientation;
    }
}

// ---------------------------------------------------------------- pen, brush, effects

TEST_F(SeriesBarTest, DarkPenDarkensTheOutlineOfPointsNotOfTheLegend)
{
    struct Case {
        int darkPen, index;
        TColor expected;
    } const cases[] = {
        {130, 0, static_cast<TColor>(0x05050A)},  // 0x828287 - 125 per channel
        {0, 0, clBlack},
        {130, -1, clBlack},
    };
    for (const Case& c : cases) {
        TBarChart<> chart(Lists{{5}});
        chart[0].SetSeriesColor(static_cast<TColor>(0x828287));
        chart[0].SetDarkPen(c.darkPen);
        chart.Draw();
        chart[0].SetBarPen(c.index);
        EXPECT_EQ(chart.chart.Canvas().Pen().Color(), c.expected) << c.darkPen << " " << c.index;
    }
}

TEST_F(SeriesBarTest, BarRectangleRules)
{
    TBarChart<> chart(Lists{{5, -5}});
    TBarSeries& s = chart[0];
    s.Marks().SetVisible(false);
    chart.Draw();
    TRecordingCanvas& canvas = chart.chart.Recording();
    struct Case {
        const char* name;
        TRect r;
        int penWidth;
        TBarRound round;
        bool allowRound;
        std::string call;
        TBrushStyle brush;
    } const cases[] = {
        {"plain", {10, 20, 30, 60}, 1, brAtValue, false, "Rectangle(10,20,30,60)", bsSolid},
        {"degenerate", {10, 20, 10, 60}, 1, brAtValue, false, "MoveTo(10,20) LineTo(10,60)", bsSolid},
        {"thin with a wide pen", {10, 20, 11, 60}, 2, brAtValue, false, "Rectangle(10,20,11,60)", bsClear},
        {"both ends round", {10, 60, 30, 20}, 1, brBothEnds, true, "RoundRect(10,20,30,60,16,16)", bsSolid},
        {"no rounding", {10, 20, 30, 60}, 1, brNone, true, "Rectangle(10,20,30,60)", bsSolid},
    };
    for (const Case& c : cases) {
        s.Pen().SetWidth(c.penWidth);
        s.SetBarRound(c.round);
        s.SetBarBrush(clRed, 0);
        canvas.Clear();
        s.BarRectangle(c.r, c.allowRound);
        std::string joined;
        for (const std::string& call : Shapes(canvas)) joined += (joined.empty() ? "" : " ") + call;
        EXPECT_EQ(joined, c.call) << c.name;
        EXPECT_EQ(canvas.Calls.back().BrushStyle, c.brush) << c.name;
        if (c.brush == bsClear) {
            EXPECT_EQ(canvas.Calls.back().PenColor, clRed) << "outline in the brush colour";
        }
    }
}

TEST_F(SeriesBarTest, RoundingAtTheValueEndFollowsTheBarsDirection)
{
    TBarChart<> chart(Lists{{5}});
    TBarSeries& s = chart[0];
    chart.Draw();
    TRecordingCanvas& canvas = chart.chart.Recording();
    s.SetBarBrush(clRed, 0);
    // Up: value end at the top; down (negative bar): at the bottom.
    canvas.Clear();
    s.BarRectangle({10, 20, 30, 60}, true);
    const std::vector<std::string> up = canvas.Texts();
    canvas.Clear();
    s.BarRectangle({10, 60, 30, 20}, true);
    const std::vector<std::string> down = canvas.Texts();
    ASSERT_FALSE(up.empty());
    EXPECT_NE(up, down);
    // Bottom-rounded outline mirrors the top-rounded one about the middle: its first arcs sit low.
    auto arcsLow = [](const std::vector<std::string>& calls) {
        for (const std::string& call : calls)
            if (call.rfind("Path.AddArc(", 0) == 0) return std::stoi(call.substr(call.find(',') + 1)) > 30;
        return false;
    };
    EXPECT_FALSE(arcsLow(up));
    EXPECT_TRUE(arcsLow(down));
}

TEST_F(SeriesBarTest, RelativeGradientsTakeTheirShareOfTheBarColour)
{
    TBarChart<> chart(Lists{{-10, -5, 5, 10}});
    TBarSeries& s = chart[0];
    s.SetGradientRelative(true);
    s.Gradient()->SetVisible(true);
    s.Gradient()->SetStartColor(static_cast<TColor>(0x000000));
    chart.Draw();
    s.BarColor = static_cast<TColor>(0xC8C8C8);
    EXPECT_FALSE(s.ApplyGradientRelative(2));
    EXPECT_EQ(s.Gradient()->EndColor(), static_cast<TColor>(0x646464));
    EXPECT_TRUE(s.ApplyGradientRelative(1)) << "below the origin the colours are exchanged";
    EXPECT_EQ(s.Gradient()->StartColor(), static_cast<TColor>(0x646464));
    EXPECT_EQ(s.Gradient()->EndColor(), static_cast<TColor>(0x000000));
    // Painting exchanges them back.
    s.Gradient()->SetStartColor(static_cast<TColor>(0x000000));
    s.DrawPoint(1);
    EXPECT_EQ(s.Gradient()->StartColor(), static_cast<TColor>(0x000000));
    s.SetGradientRelative(false);
    s.BarColor = clRed;
    EXPECT_FALSE(s.ApplyGradientRelative(0));
    EXPECT_EQ(s.Gradient()->EndColor(), clRed);
}

TEST_F(SeriesBarTest, ShadowAndEmbossAreThrownOppositeWays)
{
    struct Case {
        const char* name;
        bool shadow;
        int dx, dy;
    } const cases[] = {{"shadow", true, 3, 2}, {"emboss", false, -3, -2}};
    for (const Case& c : cases) {
        TBarChart<> chart(Lists{{5}});
        TBarSeries& s = chart[0];
        s.Marks().SetVisible(false);
        TDuvShadow& effect = c.shadow ? *s.Shadow() : *s.Emboss();
        effect.SetVisible(true);
        effect.SetHorizSize(3);
        effect.SetVertSize(2);
        effect.SetColor(clGray);
        effect.SetSmooth(false);
        chart.Draw();
        chart.chart.Recording().Clear();
        s.DrawPoint(0);
        const TRect b = s.BarBounds;
        const std::vector<std::string> calls = chart.chart.Recording().Texts("Rectangle");
        ASSERT_EQ(calls.size(), 2u) << c.name;
        const std::string offset = "Rectangle(" + std::to_string(b.Left + c.dx) + "," + std::to_string(b.Top + c.dy) +
                                   "," + std::to_string(b.Right + c.dx) + "," + std::to_string(b.Bottom) + ")";
        EXPECT_EQ(calls[0], offset) << c.name;
        EXPECT_EQ(chart.chart.Recording().Calls.front().BrushColor, clGray) << c.name;
        EXPECT_EQ(s.BarColor, s.GetPointColor(0)) << "restored";
    }
    // The default shadow is visible with no size: nothing but the bar.
    TBarChart<> plain(Lists{{5}});
    plain.Draw();
    plain.chart.Recording().Clear();
    plain[0].DrawPoint(0);
    EXPECT_EQ(plain.chart.Recording().Texts("Rectangle").size(), 1u);
}

TEST_F(SeriesBarTest, StackedZerosAndNullPointsDrawNothing)
{
    TBarChart<> chart(Lists{{0, 3}}, mbStacked);
    chart[0].Marks().SetVisible(false);
    chart[0].SetNull(1);
    chart.Draw();
    chart.chart.Recording().Clear();
    chart[0].DrawPoint(0);
    chart[0].DrawPoint(1);
    EXPECT_TRUE(Shapes(chart.chart.Recording()).empty());
}

TEST_F(SeriesBarTest, BevelsAndTickLinesFollowTheBar)
{
    TBarChart<> chart(Lists{{10}});
    TBarSeries& s = chart[0];
    s.Marks().SetVisible(false);
    s.SetBarStyle(bsBevel);
    s.SetBevelSize(2);
    s.TickLines()->SetVisible(true);
    s.TickLines()->SetColor(clBlue);
    chart.Draw();
    TChartAxis* axis = s.VertAxisObject();
    chart.chart.Recording().Clear();
    s.DrawPoint(0);
    const TRect b = s.BarBounds;
    int inside = 0;
    for (int tick : axis->TickPositions)
        if (tick > std::min(b.Top, b.Bottom) && tick < std::max(b.Top, b.Bottom)) ++inside;
    ASSERT_GT(inside, 0);
    int lines = 0;
    for (const TRecordedCall& call : chart.chart.Recording().Calls)
        if (call.Name == "LineTo" && call.PenColor == clBlue) ++lines;
    EXPECT_EQ(lines, inside) << "one line across the bar per tick inside it";
    // The bevel frame: lightened top-left, darkened bottom-right.
    bool light = false, dark = false;
    const TColor color = s.GetPointColor(0);
    for (const TRecordedCall& call : chart.chart.Recording().Calls) {
        light = light || call.PenColor == LightenColor(color, 128);
        dark = dark || call.PenColor == DarkenColor(color, 64);
    }
    EXPECT_TRUE(light && dark);
    // Freed, the pen comes back invisible with flat ends.
    s.SetTickLines(nullptr);
    EXPECT_EQ(s.PeekTickLines(), nullptr);
    EXPECT_FALSE(s.TickLines()->Visible());
    EXPECT_EQ(s.TickLines()->EndStyle(), esFlat);
}

TEST_F(SeriesBarTest, BarsRestoreTheCanvasCylinderSides)
{
    TBarChart<> chart(Lists{{10}});
    chart[0].SetBarStyle(bsSlantCube);
    chart[0].SetSides(7);
    chart.chart.SetView3D(true);
    chart.Draw();
    EXPECT_EQ(chart.chart.Canvas().CylinderSides, 32);
    EXPECT_EQ(chart.chart.Canvas().EllipsePointCount, CircleSteps);
}

// ---------------------------------------------------------------- marks

TEST_F(SeriesBarTest, MarksBeyondTheBarsEnd)
{
    TBarChart<> vertical(Lists{{5, -5}});
    TBarChart<THorizBarSeries> horizontal(Lists{{5, -5}});
    vertical.Draw();
    horizontal.Draw();
    // The default place: the arrow's point end on the point, a 40 x 16 box 10 pixels off it.
    auto place = [](TCustomBarSeries& s, int index) {
        TSeriesMarkPosition p;
        p.ArrowFrom = {s.GetPointScreenX(index), s.GetPointScreenY(index)};
        p.ArrowTo = {p.ArrowFrom.X, p.ArrowFrom.Y - 10};
        p.LeftTop = {p.ArrowFrom.X - 20, p.ArrowFrom.Y - 26};
        p.Width = 40;
        p.Height = 16;
        s.Marks().Callout().SetDistance(3);
        const TSeriesMarkPosition before = p;
        s.PlaceBarMark(index, "5", p);
        return std::make_pair(before, p);
    };
    const int hv = vertical[0].BarSize / 2, hh = horizontal[0].BarSize / 2;
    const int d = 20 + 3;
    struct Case {
        const char* name;
        bool horizontal;
        int index;
        TPoint leftTop, arrowTo, arrowFrom;  // moves from the default place
    } const cases[] = {
        // Up from the base: right by half a bar, box and arrow end up by D, point end up by the distance.
        {"vertical up", false, 0, {hv, -d}, {hv, -d}, {hv, -3}},
        // Hanging down: D becomes -D - H, the point end moves down.
        {"vertical down", false, 1, {hv, d + 16}, {hv, d + 16}, {hv, 3}},
        {"horizontal right", true, 0, {d + 20, hh + 8}, {d, hh}, {3, hh}},
        {"horizontal left", true, 1, {-d - 40 + 20, hh + 8}, {-d - 40, hh}, {-3, hh}},
    };
    for (const Case& c : cases) {
        TCustomBarSeries& s = c.horizontal ? static_cast<TCustomBarSeries&>(horizontal[0]) : vertical[0];
        const auto [before, after] = place(s, c.index);
        EXPECT_EQ(after.LeftTop.X - before.LeftTop.X, c.leftTop.X) << c.name;
        EXPECT_EQ(after.LeftTop.Y - before.LeftTop.Y, c.leftTop.Y) << c.name;
        EXPECT_EQ(after.ArrowTo.X - before.ArrowTo.X, c.arrowTo.X) << c.name;
        EXPECT_EQ(after.ArrowTo.Y - before.ArrowTo.Y, c.arrowTo.Y) << c.name;
        EXPECT_EQ(after.ArrowFrom.X - before.ArrowFrom.X, c.arrowFrom.X) << c.name;
        EXPECT_EQ(after.ArrowFrom.Y - before.ArrowFrom.Y, c.arrowFrom.Y) << c.name;
    }
}

TEST_F(SeriesBarTest, MarksOnTheBarByLocation)
{
    TBarChart<> vertical(Lists{{8}});
    TBarChart<THorizBarSeries> horizontal(Lists{{8}});
    vertical.Draw();
    horizontal.Draw();
    TRect rv, rh;
    vertical[0].CalcBarBounds(0, rv);
    horizontal[0].CalcBarBounds(0, rh);
    const int W = 40, H = 16;
    // Level horizontal marks keep their left margin (as last computed) off the bar's ends.
    const int e = horizontal[0].Marks().Margins()->ComputedMargins.Left;
    struct Case {
        TMarksLocation location;
        int verticalTop, horizontalLeft;
    } const cases[] = {
        {mlEnd, rv.Top + H / 2, rh.Right - e - W},
        {mlCenter, rv.Top + (rv.Bottom - rv.Top) / 2 - 13 / 2, (rh.Left + rh.Right) / 2 - W / 2},
        {mlStart, rv.Bottom - H / 2 - H, rh.Left + e},
    };
    for (const Case& c : cases) {
        for (TCustomBarSeries* s : {static_cast<TCustomBarSeries*>(&vertical[0]), static_cast<TCustomBarSeries*>(&horizontal[0])}) {
            s->SetMarksOnBar(true);
            s->SetMarksLocation(c.location);
            s->Marks().SetTransparent(false);
        }
        TSeriesMarkPosition p;
        p.LeftTop = {100, 100};
        p.Width = W;
        p.Height = H;
        vertical[0].PlaceBarMark(0, "8", p);
        EXPECT_EQ(p.LeftTop.Y, c.verticalTop) << EnumTypeInfo(c.location).Name(c.location);
        EXPECT_EQ(p.LeftTop.X, 100 + vertical[0].BarSize / 2);
        p.LeftTop = {100, 100};
        horizontal[0].PlaceBarMark(0, "8", p);
        EXPECT_EQ(p.LeftTop.X, c.horizontalLeft) << EnumTypeInfo(c.location).Name(c.location);
        EXPECT_EQ(p.LeftTop.Y, 100 + horizontal[0].BarSize / 2 + H / 2);
    }
    // Turned marks: the box is centred by its width instead.
    vertical[0].SetMarksLocation(mlEnd);
    vertical[0].Marks().SetAngle(90);
    TSeriesMarkPosition p;
    p.Width = W;
    p.Height = H;
    vertical[0].PlaceBarMark(0, "8", p);
    EXPECT_EQ(p.LeftTop.Y, rv.Top + (W - H) / 2 + vertical[0].Marks().Margins()->ComputedMargins.Left);
}

// ---------------------------------------------------------------- hit tests

TEST_F(SeriesBarTest, HitTestsFollowTheShapeNotTheEvent)
{
    struct Case {
        TBarStyle style;
        bool cornerInside;  // just inside the bar rectangle's top-left corner
    } const cases[] = {{bsRectangle, true}, {bsPyramid, false}, {bsInvPyramid, true}, {bsEllipse, false},
                       {bsDiamond, false}, {bsArrow, false}, {bsCone, false}};
    for (const Case& c : cases) {
        TBarChart<> chart(Lists{{10, 10}});
        TBarSeries& s = chart[0];
        s.SetCustomBarWidth(40);
        s.SetBarStyle(c.style);
        chart.Draw();
        TRect r;
        s.CalcBarBounds(0, r);
        const int cx = s.GetPointScreenX(0) + s.BarSize / 2, cy = (r.Top + r.Bottom) / 2;
        const std::string name = EnumTypeInfo(c.style).Name(c.style);
        EXPECT_EQ(s.PointAtScreen(cx, cy), 0) << name << " bar " << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom;
        EXPECT_EQ(s.PointAtScreen(s.GetPointScreenX(0) + 1, r.Top + 1) == 0, c.cornerInside) << name;
        EXPECT_EQ(s.PointAtScreen(cx, r.Top - 20), -1) << name;
        TRectangleStyle rectangles;
        s.OnGetBarStyle = TGetBarStyleEvent(&rectangles, &TRectangleStyle::Get);
        EXPECT_EQ(s.PointAtScreen(s.GetPointScreenX(0) + 1, r.Top + 1) == 0, c.cornerInside) << name;
    }
    TBarChart<THorizBarSeries> lying(Lists{{10, 10}});
    lying.Draw();
    TRect r;
    lying[0].CalcBarBounds(1, r);
    EXPECT_EQ(lying[0].PointAtScreen((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2), 1);
}

// ---------------------------------------------------------------- settings, gallery, samples

TEST_F(SeriesBarTest, SettingsTravelInChartTextAndDefaultsStayOut)
{
    TTestChart chart;
    chart.SetName("Chart1");
    auto* s = new THorizBarSeries(&chart);
    s->SetName("Bars");
    s->SetParentChart(&chart);
    const std::string plain = ComponentTextOf(*s);
    for (const char* absent : {"MultiBar", "BarStyle", "BarWidthPercent", "TickLines", "CustomBarHeight"})
        EXPECT_EQ(plain.find(absent), std::string::npos) << absent << "\n" << plain;
    s->SetMultiBar(mbStacked100);
    s->SetBarStyle(bsCone);
    s->SetCustomBarHeight(12);
    s->SetYOrigin(2.5);
    s->TickLines()->SetVisible(true);
    const std::string text = ComponentTextOf(*s);
    TTestChart copyChart;
    auto* copy = new THorizBarSeries(&copyChart);
    ReadComponentText(*copy, text);
    EXPECT_EQ(copy->MultiBar(), mbStacked100);
    EXPECT_EQ(copy->BarStyle(), bsCone);
    EXPECT_EQ(copy->CustomBarSize(), 12);
    EXPECT_EQ(copy->YOrigin(), 2.5);
    EXPECT_TRUE(copy->TickLines()->Visible());
    EXPECT_EQ(copy->XValues()->Name(), "Bar");
    EXPECT_EQ(copy->Gradient()->Direction(), gdLeftRight);
    EXPECT_NE(FindRegisteredClass("TBarSeries"), nullptr);
    EXPECT_NE(FindRegisteredClass("THorizBarSeries"), nullptr);
}

TEST_F(SeriesBarTest, ConstructedDefaults)
{
    TBarSeries s(nullptr);
    EXPECT_TRUE(s.Marks().Visible());
    EXPECT_EQ(s.Marks().Callout().Length(), 20);
    EXPECT_TRUE(s.Shadow()->Visible());
    EXPECT_EQ(s.Shadow()->GetSize(), 0);
    EXPECT_FALSE(s.Emboss()->Visible());
    EXPECT_EQ(s.Shadow()->Color(), static_cast<TColor>(0x808080));
    EXPECT_EQ(s.YValues()->Name(), "Bar");
    EXPECT_EQ(s.GetEditorClassName(), "TBarSeriesEditor");
    s.SetBarStyle(bsRectGradient);
    s.Gradient()->SetVisible(true);
    s.SetBarStyle(bsRectangle);
    EXPECT_FALSE(s.Gradient()->Visible());
}

TEST_F(SeriesBarTest, GalleryStylesAndPairs)
{
    TTestChart chart;
    auto* s = new TBarSeries(&chart);
    s->SetParentChart(&chart);
    std::vector<std::string> styles;
    s->ListSubGalleryStyles([&](const std::string& style) { styles.push_back(style); });
    EXPECT_EQ(styles, (std::vector<std::string>{"Normal", "Colors", "Pyramid", "Ellipse", "Inv. Pyramid", "Stack",
                                                "Stack 100%", "Self Stacked", "Sides", "Side All"}));
    s->ApplySubGalleryStyle(6);
    ASSERT_EQ(chart.CountSeries(), 2);
    auto* second = dynamic_cast<TBarSeries*>(chart.GetSeries(1));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(s->MultiBar(), mbStacked100);
    EXPECT_EQ(second->MultiBar(), mbStacked100);
    EXPECT_EQ(s->PointCount(), 2);
    EXPECT_EQ(second->PointCount(), 2);
    EXPECT_FALSE(second->Marks().Visible());
    EXPECT_TRUE(second->Gradient()->Visible());
    s->ApplySubGalleryStyle(2);
    EXPECT_EQ(s->BarStyle(), bsPyramid);
    s->SetGalleryLook();
    EXPECT_EQ(s->BarWidthPercent(), 85);
    EXPECT_EQ(s->BarStyle(), bsRectGradient);
    EXPECT_EQ(s->DarkPen(), 130);
    FreeComponent(second);  // the chart has no owner to hand it to
}

TEST_F(SeriesBarTest, RandomSamplesComeInOneBatch)
{
    TTestChart chart;
    auto* a = new TBarSeries(&chart);
    a->SetParentChart(&chart);
    auto* b = new TBarSeries(&chart);
    b->SetParentChart(&chart);
    a->AddPointXY(0.5, 1);
    a->AddPointXY(7, 2);
    b->AddRandomSamples(5, false);
    EXPECT_EQ(b->PointCount(), 5) << "a neighbour with its own X values does not double the samples";
    EXPECT_EQ(b->DefaultSampleCount(), 2);
    TBarSeries alone(nullptr);
    alone.AddRandomSamples(4, false);
    ASSERT_EQ(alone.PointCount(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(alone.XValues()->GetValueAt(i), i);
    EXPECT_EQ(alone.DefaultSampleCount(), 6);
}

// ---------------------------------------------------------------- the real canvas

// Side-by-side bars on the real canvas, compared with a picture a person has looked at. Rerun
// with QB_UPDATE_PICTURES set to write the picture anew after a deliberate change.
TEST_F(SeriesBarTest, SideBySideBarsLookAsTheirPicture)
{
    TChart chart;
    chart.SetBounds(0, 0, 560, 280);
    chart.SetView3D(false);
    chart.Legend()->SetVisible(false);
    const TColor colors[] = {clRed, clBlue, clGreen};
    for (int s = 0; s < 3; ++s) {
        auto* series = new TBarSeries(&chart);
        series->SetParentChart(&chart);
        series->SetSeriesColor(colors[s]);
        for (int i = 0; i < 5; ++i) series->AddBar((i * (s + 2)) % 7 + 1, "P" + std::to_string(i));
    }
    const std::unique_ptr<QImage> picture = chart.CreatePanelBitmap();
    ASSERT_TRUE(picture);
    EXPECT_TRUE(qbtest::LooksLikePicture(*picture, "chart/series/bars.png", 100));
}

// Thin bars sharing a pixel column are painted together; the picture must not change. The same
// chart is drawn with the bars merged and, through a style handler, bar by bar.
TEST_F(SeriesBarTest, ThinBarsDrawnTogetherPaintTheSamePixels)
{
    const struct {
        const char* name;
        bool horizontal;
        TMultiBar kind;
        int seriesCount, points;
        bool negatives, colorEach, penVisible;
    } cases[] = {
        {"side by side", false, mbSide, 3, 3000, false, false, true},
        {"negative values", false, mbSide, 2, 2500, true, false, true},
        {"horizontal", true, mbSide, 3, 3000, true, false, true},
        {"stacked", false, mbStacked, 2, 2000, false, false, true},
        {"self stacked", false, mbSelfStack, 1, 1500, true, false, true},
        {"a colour per point", false, mbSide, 1, 3000, false, true, true},
        {"no outline", false, mbNone, 2, 3000, false, false, false},
        {"a few pixels wide", false, mbSide, 2, 150, true, false, true},
    };
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(1, 100);
    for (const auto& c : cases) {
        TChart chart;
        chart.SetBounds(0, 0, 400, 300);
        chart.SetView3D(false);
        chart.Legend()->SetVisible(false);
        std::vector<TCustomBarSeries*> bars;
        for (int s = 0; s < c.seriesCount; ++s) {
            TCustomBarSeries* series = c.horizontal ? static_cast<TCustomBarSeries*>(new THorizBarSeries(&chart))
                                                    : new TBarSeries(&chart);
            series->SetParentChart(&chart);
            series->Marks().SetVisible(false);
            series->SetColorEachPoint(c.colorEach);
            series->Pen().SetVisible(c.penVisible);
            for (int i = 0; i < c.points; ++i) {
                const double v = value(random);
                series->AddBar(c.negatives && i % 3 == 0 ? -v : v);
            }
            bars.push_back(series);
        }
        bars[0]->SetMultiBar(c.kind);
        const std::unique_ptr<QImage> merged = chart.CreatePanelBitmap();
        TRectangleStyle rectangles;
        for (TCustomBarSeries* series : bars)
            series->OnGetBarStyle = TGetBarStyleEvent(&rectangles, &TRectangleStyle::Get);
        const std::unique_ptr<QImage> single = chart.CreatePanelBitmap();
        ASSERT_TRUE(merged && single) << c.name;
        EXPECT_TRUE(*merged == *single) << c.name;
    }
}

TEST_F(SeriesBarTest, ThinBarsInOneColumnMakeOneCanvasCall)
{
    TBarChart<> bars({std::vector<double>(400, 5)});
    bars.chart.SetBounds(0, 0, 200, 150);
    bars.chart.SetView3D(false);
    bars[0].Marks().SetVisible(false);
    // The bar rectangles drawn, and how many distinct ones.
    auto drawn = [&] {
        bars.chart.Recording().Clear();
        bars.Draw();
        std::vector<std::string> rectangles;
        for (const std::string& call : Shapes(bars.chart.Recording()))
            if (call.rfind("Rectangle", 0) == 0) rectangles.push_back(call);
        return rectangles;
    };
    const std::vector<std::string> merged = drawn();
    TRectangleStyle rectangles;
    bars[0].OnGetBarStyle = TGetBarStyleEvent(&rectangles, &TRectangleStyle::Get);
    const std::vector<std::string> single = drawn();
    // 400 bars in about 150 columns, beside the panel's own rectangles.
    EXPECT_GE(single.size(), 400u);
    EXPECT_LT(merged.size() * 2, single.size());
    EXPECT_EQ(std::set<std::string>(merged.begin(), merged.end()), std::set<std::string>(single.begin(), single.end()));
}
