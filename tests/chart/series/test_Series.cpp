// Line, point and area series: what they draw (as call tables on the recording canvas),
// stacking, value ranges, margins, hit tests, legend symbols, copying, streaming and the gallery.
#include <gtest/gtest.h>

#include <QImage>
#include <climits>
#include <cstdlib>
#include <set>

#include "chart/engine/ChartLegend.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/RuRazaziCallout.h"
#include "chart/series/Series.h"
#include "support/TestSupport.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {

std::string Pt(int x, int y) { return std::to_string(x) + ":" + std::to_string(y); }

// A chart with fixed axes 0 .. 4 and 0 .. 4 on the recording canvas.
class SeriesCoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartSeriesModules();
        chart.BottomAxis()->SetMinMax(0, 4);
        chart.LeftAxis()->SetMinMax(0, 4);
    }

    template <class S>
    S* Make(const std::string& title, std::initializer_list<std::pair<double, double>> points)
    {
        auto* series = new S(&chart);
        series->SetName(title);
        series->SetParentChart(&chart);
        for (const auto& [x, y] : points) series->AddPointXY(x, y);
        return series;
    }

    int X(double value) const { return chart.BottomAxis()->CalcXPosValue(value); }
    int Y(double value) const { return chart.LeftAxis()->CalcYPosValue(value); }
    std::string P(double x, double y) const { return Pt(X(x), Y(y)); }

    // The calls the series made, only those named; "Name(args)" each.
    std::vector<std::string> Drawn(const std::string& title, std::set<std::string> names)
    {
        std::vector<std::string> out;
        for (const TRecordedCall& call : enginetest::GroupCalls(chart.Recording().Calls, title))
            if (names.count(call.Name)) out.push_back(call.Text());
        return out;
    }
    std::vector<TRecordedCall> Calls(const std::string& title)
    {
        return enginetest::GroupCalls(chart.Recording().Calls, title);
    }

    TTestChart chart;
};

const std::set<std::string> kLines{"MoveTo", "LineTo"};

// ---------------------------------------------------------------- 2D lines

TEST_F(SeriesCoreTest, LinesRunStraightOrAsStairs)
{
    struct TCase {
        const char* name;
        bool stairs, inverted;
        std::vector<std::pair<double, double>> corners;  // between the two points
    } const cases[] = {
        {"plain", false, false, {}},
        {"stairs", true, false, {{1, 1}}},
        {"inverted stairs", true, true, {{0, 3}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto* line = Make<TLineSeries>("Line", {{0, 1}, {1, 3}});
        line->SetStairs(c.stairs);
        line->SetInvertedStairs(c.inverted);
        chart.Draw();
        std::vector<std::string> expected{"MoveTo(" + P(0, 1) + ")"};
        for (const auto& [x, y] : c.corners) expected.push_back("LineTo(" + P(x, y) + ")");
        expected.push_back("LineTo(" + P(1, 3) + ")");
        for (auto& text : expected) std::replace(text.begin(), text.end(), ':', ',');
        EXPECT_EQ(Drawn("Line", kLines), expected);
        FreeComponent(line);
    }
}

TEST_F(SeriesCoreTest, NullPointsBreakBridgeOrCountByTreatNulls)
{
    struct TCase {
        TTreatNullsStyle treat;
        std::vector<std::string> lines;
    };
    auto line = [](const std::string& a, const std::string& b) {
        std::string from = a, to = b;
        std::replace(from.begin(), from.end(), ':', ',');
        std::replace(to.begin(), to.end(), ':', ',');
        return std::vector<std::string>{"MoveTo(" + from + ")", "LineTo(" + to + ")"};
    };
    auto joined = [](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    for (const TTreatNullsStyle treat : {tnDontPaint, tnSkip, tnIgnore}) {
        SCOPED_TRACE(static_cast<int>(treat));
        auto* series = Make<TLineSeries>("Line", {{0, 1}, {1, 3}, {2, 2}});
        series->SetNull(1);
        series->SetTreatNulls(treat);
        chart.Draw();
        const TCase cases[] = {
            {tnDontPaint, {}},
            {tnSkip, line(P(0, 1), P(2, 2))},
            {tnIgnore, joined(line(P(0, 1), P(1, 3)), line(P(1, 3), P(2, 2)))},
        };
        EXPECT_EQ(Drawn("Line", kLines), cases[treat].lines);
        FreeComponent(series);
    }
}

TEST_F(SeriesCoreTest, AFirstNullPointWithSkipStandsAtTheNextPoint)
{
    auto* series = Make<TLineSeries>("Line", {{0, 1}, {1, 3}, {2, 2}});
    series->SetNull(0);
    series->SetTreatNulls(tnSkip);
    series->Pointer().SetVisible(true);
    chart.Draw();
    // No segment from the null point; its pointer stands on point 1, in point 1's colour.
    const auto lines = Drawn("Line", kLines);
    ASSERT_EQ(lines.size(), 2u);
    std::string from = P(1, 3);
    std::replace(from.begin(), from.end(), ':', ',');
    EXPECT_EQ(lines[0], "MoveTo(" + from + ")");
    const auto rects = Drawn("Line", {"Rectangle"});
    ASSERT_EQ(rects.size(), 3u);
    EXPECT_EQ(rects[0], rects[1]);
}

TEST_F(SeriesCoreTest, EachSegmentTakesItsEndPointsColourWithColorEachLine)
{
    for (const bool eachLine : {true, false}) {
        auto* series = Make<TLineSeries>("Line", {{0, 1}, {1, 3}, {2, 2}});
        series->SetSeriesColor(clBlack);
        series->SetPointColor(1, clRed);
        series->SetPointColor(2, clBlue);
        series->SetColorEachLine(eachLine);
        chart.Draw();
        std::vector<TColor> colors;
        for (const TRecordedCall& call : Calls("Line"))
            if (call.Name == "LineTo") colors.push_back(call.PenColor);
        const std::vector<TColor> expected = eachLine ? std::vector<TColor>{clRed, clBlue} : std::vector<TColor>{clBlack, clBlack};
        EXPECT_EQ(colors, expected) << eachLine;
        FreeComponent(series);
    }
}

TEST_F(SeriesCoreTest, PointersSitInsideTheSegmentsBeforeOrAfterTheLine)
{
    for (const bool behind : {false, true}) {
        auto* series = Make<TLineSeries>("Line", {{0, 1}, {1, 3}, {2, 2}});
        series->Pointer().SetVisible(true);
        series->SetPointerBehind(behind);
        chart.Draw();
        std::string order;
        for (const std::string& call : Drawn("Line", {"LineTo", "Rectangle"})) order += call[0] == 'L' ? "L" : "P";
        EXPECT_EQ(order, behind ? "PLPLP" : "LPLPP") << behind;
        FreeComponent(series);
    }
}

TEST_F(SeriesCoreTest, PolylineStyleDrawsTheWholeLineInOneCall)
{
    auto* series = Make<TLineSeries>("Line", {{0, 1}, {1, 3}, {2, 2}});
    series->SetDrawStyle(dsAll);
    series->SetStairs(true);
    chart.Draw();
    EXPECT_EQ(Drawn("Line", {"Polyline"}),
              std::vector<std::string>{"Polyline([" + P(0, 1) + " " + P(1, 1) + " " + P(1, 3) + " " + P(2, 3) + " " +
                                       P(2, 2) + "])"});
    EXPECT_TRUE(Drawn("Line", kLines).empty());
}

// ---------------------------------------------------------------- 3D ribbons and bands

TEST_F(SeriesCoreTest, In3DEachSegmentIsARibbonAndLineHeightAddsABand)
{
    chart.SetView3D(true);
    for (const int height : {0, 5}) {
        auto* series = Make<TLineSeries>("Line", {{0, 1}, {1, 3}, {2, 2}});
        series->SetLineHeight(height);
        chart.Draw();
        const auto ribbons = Drawn("Line", {"PlaneWithZ"});
        ASSERT_EQ(ribbons.size(), 2u);
        const std::string z = std::to_string(series->StartZ) + "," + std::to_string(series->EndZ);
        EXPECT_EQ(ribbons[0], "PlaneWithZ(" + P(0, 1) + "," + P(1, 3) + "," + z + ")");
        const auto bands = Drawn("Line", {"PlaneFour3D"});
        const auto caps = Drawn("Line", {"PlaneAtX"});
        if (height == 0) {
            EXPECT_TRUE(bands.empty());
            EXPECT_TRUE(caps.empty());
        } else {
            ASSERT_EQ(bands.size(), 2u);
            EXPECT_EQ(bands[1], "PlaneFour3D(" + P(1, 3) + "," + P(2, 2) + "," + Pt(X(2), Y(2) + 5) + "," +
                                    Pt(X(1), Y(3) + 5) + "," + std::to_string(series->StartZ) + ")");
            EXPECT_EQ(caps, std::vector<std::string>{"PlaneAtX(" + std::to_string(X(2)) + "," + std::to_string(Y(2)) +
                                                      "," + std::to_string(Y(2) + 5) + "," + z + ")"});
        }
        FreeComponent(series);
    }
}

// ---------------------------------------------------------------- shadow and emboss

TEST_F(SeriesCoreTest, ShadowAndEmbossDrawTheWholeSeriesAgainMovedInTheirColour)
{
    struct TCase {
        const char* name;
        bool area, emboss, visible;
        int dx, dy;  // where the extra pass lies; none when both are 0
    } const cases[] = {
        {"line shadow", false, false, true, 3, 2},
        {"line emboss", false, true, true, -2, -1},
        {"hidden shadow", false, false, false, 0, 0},
        {"area shadow", true, false, true, 3, 2},
        {"area emboss", true, true, true, -2, -1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TCustomSeries* series = c.area ? static_cast<TCustomSeries*>(Make<TAreaSeries>("S", {{1, 1}, {2, 3}}))
                                       : Make<TLineSeries>("S", {{1, 1}, {2, 3}});
        series->SetSeriesColor(clRed);
        series->Pointer().SetVisible(!c.area);
        TDuvShadow& effect = c.emboss ? static_cast<TDuvShadow&>(series->Emboss()) : series->Shadow();
        effect.SetVisible(c.visible);
        effect.SetHorizSize(c.emboss ? 2 : 3);
        effect.SetVertSize(c.emboss ? 1 : 2);
        effect.SetColor(clGray);
        chart.Draw();
        auto moved = [&](double x, double y) { return Pt(X(x) + c.dx, Y(y) + c.dy); };
        auto lineCalls = [&](auto at, TColor color) {
            std::string a = at(1, 1), b = at(2, 3);
            std::replace(a.begin(), a.end(), ':', ',');
            std::replace(b.begin(), b.end(), ':', ',');
            return std::vector<std::string>{"MoveTo(" + a + ")/" + std::to_string(color), "LineTo(" + b + ")/" + std::to_string(color)};
        };
        std::vector<std::string> drawn, expected;
        for (const TRecordedCall& call : Calls("S")) {
            if (!c.area && kLines.count(call.Name)) drawn.push_back(call.Text() + "/" + std::to_string(call.PenColor));
            if (c.area && call.Name == "Polygon") drawn.push_back(call.Text() + "/" + std::to_string(call.BrushColor));
        }
        const bool pass = c.dx != 0 || c.dy != 0;
        if (c.area) {
            const int origin = chart.LeftAxis()->PixelEnd;
            auto polygon = [&](int dx, int dy, TColor color) {
                return "Polygon([" + Pt(X(1) + dx, origin + dy) + " " + Pt(X(1) + dx, Y(1) + dy) + " " +
                       Pt(X(2) + dx, Y(3) + dy) + " " + Pt(X(2) + dx, origin + dy) + "])/" + std::to_string(color);
            };
            if (pass) expected.push_back(polygon(c.dx, c.dy, clGray));
            expected.push_back(polygon(0, 0, clRed));
        } else {
            if (pass) expected = lineCalls(moved, clGray);
            for (const std::string& call : lineCalls([&](double x, double y) { return P(x, y); }, clRed)) expected.push_back(call);
        }
        EXPECT_EQ(drawn, expected);
        // The pass hides the pointers and gives the axes their pixels back.
        EXPECT_EQ(Drawn("S", {"Rectangle"}).size(), c.area ? 0u : 2u);
        EXPECT_EQ(chart.LeftAxis()->CalcYPosValue(4), chart.LeftAxis()->PixelStart);
        EXPECT_TRUE(series->Pointer().Visible() != c.area);
        series->Free();
    }
}

// ---------------------------------------------------------------- visual objects

// A visual object that fills its box with a rectangle in the colour it was given and notes the
// template points it hears.
class TBoxVisual : public TComponent, public TSeriesVisual {
    QB_CLASS(TBoxVisual, TComponent)
public:
    explicit TBoxVisual(TComponent* owner = nullptr) : TComponent(owner) {}
    void Assign(const TPersistent* source) override
    {
        if (!dynamic_cast<const TBoxVisual*>(source)) TComponent::Assign(source);
    }
    void FormatVisual(const TRect& box, int z0, int z1, const TDuvPen& pen, const TDuvBrush&, int transparency,
                      TColor color) override
    {
        box_ = box;
        color_ = color;
        Formats.push_back(std::to_string(z0) + ".." + std::to_string(z1) + " pen " + std::to_string(pen.Width()) +
                          " transparency " + std::to_string(transparency));
    }
    void DrawVisual(TCanvas3D& canvas) override
    {
        canvas.Brush().SetColor(color_);
        canvas.Rectangle(box_.Left, box_.Top, box_.Right, box_.Bottom);
    }
    void VisualPoint(TCanvas3D&, TColor color, double x, double y) override
    {
        Points.push_back(std::to_string(color) + "@" + std::to_string(static_cast<int>(x)) + ":" +
                         std::to_string(static_cast<int>(y)));
    }
    std::vector<std::string> Formats, Points;

private:
    TRect box_;
    TColor color_ = clNone;
};

TEST_F(SeriesCoreTest, VisualPointersDrawTheirVisualInThePointerBox)
{
    auto* series = Make<TPointSeries>("P", {{1, 1}, {2, 3}, {3, 2}});
    series->SetSeriesColor(clRed);
    series->SetTransparency(20);
    series->Pointer().SetStyle(psVisual);
    series->Pointer().SetHorizSize(4);
    series->Pointer().SetVertSize(3);
    TScopedComponent<TBoxVisual> first, third;
    series->Visuals()->PutVisual(0, &first);
    series->Visuals()->PutVisual(2, &third);
    series->SetPointColor(2, clBlue);
    chart.Draw();
    // The second point has no visual and so no pointer.
    std::vector<std::string> drawn;
    for (const TRecordedCall& call : Calls("P"))
        if (call.Name == "Rectangle") drawn.push_back(call.Text() + "/" + std::to_string(call.BrushColor));
    auto box = [&](double x, double y, TColor color) {
        return "Rectangle(" + std::to_string(X(x) - 4) + "," + std::to_string(Y(y) - 3) + "," + std::to_string(X(x) + 4) +
               "," + std::to_string(Y(y) + 3) + ")/" + std::to_string(color);
    };
    EXPECT_EQ(drawn, (std::vector<std::string>{box(1, 1, clRed), box(3, 2, clBlue)}));
    const std::string depth = std::to_string(series->Pointer().StartZ()) + ".." + std::to_string(series->Pointer().EndZ());
    EXPECT_EQ(first.Formats, std::vector<std::string>{depth + " pen 1 transparency 20"});
    series->Visuals()->Clear();
    series->Free();
}

TEST_F(SeriesCoreTest, AVisualsTemplateTakesTheSeriesBoxAndItsPointsInsteadOfShadowAndRibbons)
{
    for (const bool view3D : {false, true}) {
        SCOPED_TRACE(view3D ? "3D" : "2D");
        chart.SetView3D(view3D);
        auto* series = Make<TLineSeries>("L", {{1, 1}, {2, 3}, {3, 2}});
        series->SetSeriesColor(clRed);
        series->SetPointColor(1, clBlue);
        series->Shadow().SetSize(3);
        TScopedComponent<TBoxVisual> visual;
        series->Visuals()->SetTemplate(&visual);
        chart.Draw();
        const int h = chart.Height();
        auto point = [&](TColor color, double x, double y) {
            return std::to_string(color) + "@" + std::to_string(X(x)) + ":" + std::to_string(h - Y(y));
        };
        EXPECT_EQ(visual.Points, (std::vector<std::string>{point(clDefault, 1, 1), point(clBlue, 2, 3), point(clDefault, 3, 2)}));
        ASSERT_EQ(visual.Formats.size(), 1u);
        // The box runs from the first to the last point and from the largest to the smallest value.
        const std::vector<TRecordedCall> calls = Calls("L");
        const auto box = std::find_if(calls.begin(), calls.end(), [](const TRecordedCall& c) { return c.Name == "Rectangle"; });
        ASSERT_NE(box, calls.end());
        EXPECT_EQ(box->Text(), "Rectangle(" + std::to_string(X(1)) + "," + std::to_string(Y(3)) + "," +
                                   std::to_string(X(3)) + "," + std::to_string(Y(1)) + ")");
        EXPECT_EQ(box->BrushColor, clRed);
        // No shadow pass, and in 3D no ribbons: the template stands in for them.
        EXPECT_EQ(Drawn("L", kLines).size(), view3D ? 0u : 4u);
        EXPECT_TRUE(Drawn("L", {"PlaneWithZ"}).empty());
        series->Visuals()->SetTemplate(nullptr);
        series->Free();
    }
}

// ---------------------------------------------------------------- areas

TEST_F(SeriesCoreTest, AreasFillDownToTheAxisOrToYOrigin)
{
    chart.LeftAxis()->SetMinMax(0, 40);
    for (const bool useOrigin : {false, true}) {
        auto* area = Make<TAreaSeries>("Area", {{0, 20}, {1, 30}});
        area->SetUseYOrigin(useOrigin);
        area->SetYOrigin(10);
        chart.Draw();
        const int origin = useOrigin ? Y(10) : chart.LeftAxis()->PixelEnd;
        EXPECT_EQ(Drawn("Area", {"Polygon"}),
                  std::vector<std::string>{"Polygon([" + Pt(X(0), origin) + " " + P(0, 20) + " " + P(1, 30) + " " +
                                           Pt(X(1), origin) + "])"})
            << useOrigin;
        EXPECT_EQ(area->MinYValue(), useOrigin ? 10 : 20);
        FreeComponent(area);
    }
}

// ---------------------------------------------------------------- stacking

TEST_F(SeriesCoreTest, StackedSeriesStandOnTheOnesBefore)
{
    chart.LeftAxis()->SetMinMax(0, 100);
    auto* a = Make<TAreaSeries>("A", {{0, 10}, {1, 0}, {2, 30}});
    auto* b = Make<TAreaSeries>("B", {{0, 30}, {1, 0}, {2, 10}});
    a->SetMultiArea(maStacked);
    EXPECT_EQ(b->Stacked(), cssStack);
    chart.Draw();
    EXPECT_EQ(b->GetPointScreenY(0), Y(40));
    EXPECT_EQ(b->GetOriginPos(0), Y(10));
    EXPECT_EQ(b->MaxYValue(), 40);
    EXPECT_EQ(a->GetOriginPos(0), Y(0));

    a->SetMultiArea(maStacked100);
    EXPECT_EQ(b->MultiArea(), maStacked100);
    chart.Draw();
    EXPECT_EQ(b->GetPointScreenY(0), Y(100));
    EXPECT_EQ(a->GetPointScreenY(0), Y(25));
    EXPECT_EQ(b->GetPointScreenY(2), Y(100));
    EXPECT_EQ(b->MaxYValue(), 100);
    // Every value at index 1 is 0: the axis' end pixel.
    EXPECT_EQ(a->GetPointScreenY(1), chart.LeftAxis()->PixelEnd);
    EXPECT_EQ(b->GetPointScreenY(1), chart.LeftAxis()->PixelEnd);
}

TEST_F(SeriesCoreTest, StackingSpreadsToTheSameClassFamilyOnly)
{
    auto* line1 = Make<TLineSeries>("L1", {{0, 1}});
    auto* line2 = Make<TLineSeries>("L2", {{0, 1}});
    auto* area = Make<TAreaSeries>("A", {{0, 1}});
    line1->SetStacked(cssStack);
    EXPECT_EQ(line2->Stacked(), cssStack);
    EXPECT_EQ(area->Stacked(), cssNone);
}

TEST_F(SeriesCoreTest, StackGroupsKeepAreasApart)
{
    chart.SetView3D(true);
    chart.LeftAxis()->SetMinMax(0, 100);
    auto* a = Make<TAreaSeries>("A", {{0, 10}});
    auto* b = Make<TAreaSeries>("B", {{0, 30}});
    auto* c = Make<TAreaSeries>("C", {{0, 5}});
    a->SetMultiArea(maStacked);
    b->SetStackGroup(1);
    chart.Draw();
    EXPECT_EQ(b->GetPointScreenY(0), Y(30));
    EXPECT_EQ(c->GetPointScreenY(0), Y(15));
    EXPECT_NE(a->DepthSlot, b->DepthSlot);
    EXPECT_EQ(a->DepthSlot, c->DepthSlot);
}

// ---------------------------------------------------------------- margins

TEST_F(SeriesCoreTest, MarginsMakeRoomForThePen)
{
    struct TCase {
        int width;
        bool stairs;
        int need;
    } const cases[] = {{1, false, 0}, {2, false, 2}, {3, false, 3}, {4, false, 3}, {5, false, 3},
                       {6, false, 4}, {1, true, 1},  {3, true, 3},  {6, true, 6}};
    for (const TCase& c : cases) {
        TScopedComponent<TLineSeries> series(&chart);
        series.LinePen().SetWidth(c.width);
        series.SetStairs(c.stairs);
        int left = 0, right = 0, top = 0, bottom = 0;
        series.GetHorizMargins(left, right);
        series.GetVertMargins(top, bottom);
        EXPECT_EQ(std::vector<int>({left, right, top, bottom}), std::vector<int>(4, c.need))
            << "width " << c.width << " stairs " << c.stairs;
    }
}

TEST_F(SeriesCoreTest, MarginsMakeRoomForMarksAndTheLineBand)
{
    auto* series = Make<TLineSeries>("Line", {{0, 1}});
    series->Marks().SetVisible(true);
    series->Marks().Callout().SetLength(8);
    series->Marks().Callout().SetDistance(2);
    int top = 0, bottom = 0;
    series->GetVertMargins(top, bottom);
    EXPECT_EQ(top, 10);

    series->Marks().SetVisible(false);
    series->SetLineHeight(5);
    top = bottom = 0;
    series->GetVertMargins(top, bottom);
    EXPECT_EQ(bottom, 0) << "2D charts draw no band";
    chart.SetView3D(true);
    series->GetVertMargins(top, bottom);
    EXPECT_EQ(bottom, 5);
}

// ---------------------------------------------------------------- hit tests

TEST_F(SeriesCoreTest, PointersAnswerWithinTheirSizeAndTheTolerance)
{
    auto* points = Make<TPointSeries>("Points", {{1, 1}, {3, 3}});
    chart.Draw();
    const int x = X(1), y = Y(1);
    struct TCase {
        int dx, tolerance;
        bool hit;
    } const cases[] = {{0, 0, true}, {3, 0, true}, {4, 0, false}, {4, 1, true}, {6, 2, false}};
    for (const TCase& c : cases) {
        points->SetClickTolerance(c.tolerance);
        EXPECT_EQ(points->IsPointHit(0, x, y, x + c.dx, y), c.hit) << c.dx << " " << c.tolerance;
        EXPECT_EQ(points->PointAtScreen(x + c.dx, y), c.hit ? 0 : -1) << c.dx << " " << c.tolerance;
    }
    points->Pointer().SetStyle(psNothing);
    points->SetClickTolerance(0);
    EXPECT_FALSE(points->IsPointHit(0, x, y, x, y));
    EXPECT_EQ(points->PointAtScreen(x, y), 0) << "the exact point still answers";
    EXPECT_EQ(points->PointAtScreen(x + 1, y), -1);
}

TEST_F(SeriesCoreTest, SegmentsAnswerWithTheirFirstPoint)
{
    auto* line = Make<TLineSeries>("Line", {{0, 1}, {2, 1}, {4, 3}});
    chart.Draw();
    const int midX = X(1), y = Y(1);
    EXPECT_EQ(line->PointAtScreen(midX, y), 0);
    EXPECT_EQ(line->PointAtScreen(midX, y - 3), -1);
    line->SetClickTolerance(3);
    EXPECT_EQ(line->PointAtScreen(midX, y - 3), 0);
    EXPECT_EQ(line->PointAtScreen((X(2) + X(4)) / 2, (Y(1) + Y(3)) / 2), 1);
    line->SetClickableLine(false);
    EXPECT_EQ(line->PointAtScreen(midX, y), -1);

    // Stairs answer along their run and their rise, not along the slant.
    line->SetClickableLine(true);
    line->SetClickTolerance(0);
    line->SetStairs(true);
    EXPECT_EQ(line->PointAtScreen(X(4), (Y(1) + Y(3)) / 2), 1);
    EXPECT_EQ(line->PointAtScreen((X(2) + X(4)) / 2, (Y(1) + Y(3)) / 2), -1);

    // An area answers anywhere between the line and its origin.
    auto* area = Make<TAreaSeries>("Area", {{0, 2}, {4, 2}});
    chart.Draw();
    EXPECT_EQ(area->PointAtScreen(X(2), Y(1)), 0);
}

// Pointer sizes read from files reach INT_MAX, and far values sit at the ends of int on the
// screen: hit tests, margins, the visible range and the drawing add them without wrapping.
TEST_F(SeriesCoreTest, HugePointerSizesAndFarPointsStayWithinInt)
{
    auto* points = Make<TPointSeries>("Points", {{1, 1}, {3, 1e300}});
    points->Pointer().SetHorizSize(INT_MAX);
    points->Pointer().SetVertSize(INT_MAX);
    points->SetClickTolerance(3);
    const int x = X(1), y = Y(1);
    struct TCase {
        int pointX, pointY, mouseX, mouseY;
        bool hit;
    } const cases[] = {{x, y, x + 1000000, y - 1000000, true},
                       {INT_MAX, INT_MIN, 0, 0, true},
                       {INT_MAX, INT_MAX, INT_MIN, INT_MIN, false},
                       {INT_MIN, 0, INT_MAX, 0, false}};
    for (const TCase& c : cases)
        EXPECT_EQ(points->IsPointHit(0, c.pointX, c.pointY, c.mouseX, c.mouseY), c.hit)
            << c.pointX << "," << c.pointY << " " << c.mouseX << "," << c.mouseY;

    int left = 0, right = 0, top = 0, bottom = 0;
    points->GetHorizMargins(left, right);
    points->GetVertMargins(top, bottom);
    EXPECT_EQ(std::vector<int>({left, right, top, bottom}), std::vector<int>(4, INT_MAX));

    // The margins widen automatic axes; the far point stays in the visible range.
    chart.BottomAxis()->SetAutomatic(true);
    chart.LeftAxis()->SetAutomatic(true);
    chart.Draw();
    points->CalcFirstLastVisible();
    EXPECT_EQ(points->FirstVisibleIndex, 0);
    EXPECT_EQ(points->LastVisibleIndex, 1);
    EXPECT_EQ(points->PointAtScreen(points->GetPointScreenX(0), points->GetPointScreenY(0) + 5), 0);

    // Clicks on a 3D ribbon towards a point at the end of int (the chart drawn without it).
    points->SetActive(false);
    chart.BottomAxis()->SetMinMax(0, 4);
    chart.LeftAxis()->SetMinMax(0, 4);
    chart.SetView3D(true);
    auto* line = Make<TLineSeries>("Line", {{0, 1}, {1e300, 1}});
    line->SetActive(false);
    chart.Draw();
    line->SetActive(true);
    line->CalcFirstLastVisible();
    ASSERT_EQ(line->GetPointScreenX(1), INT_MAX);
    // The ribbon runs back (up) from the line.
    EXPECT_EQ(line->PointAtScreen(X(2), line->GetPointScreenY(0) - 2), 0);
    EXPECT_EQ(line->PointAtScreen(X(2), line->GetPointScreenY(0) + 2), -1);
}

TEST_F(SeriesCoreTest, APointerClickReachesOnClickPointerUnlessTheChartCancelled)
{
    auto* points = Make<TPointSeries>("Points", {{1, 1}});
    std::vector<int> heard;
    struct TListener {
        std::vector<int>* out;
        void Clicked(TCustomSeries*, int index, int, int) { out->push_back(index); }
    } listener{&heard};
    points->OnClickPointer = {&listener, &TListener::Clicked};
    EXPECT_TRUE(points->HasClickHandlers());
    points->FireClick(0, mbLeft, {}, 1, 1, true);
    points->FireClick(0, mbLeft, {}, 1, 1, false);
    TDuvMouseEvent cancelled;
    cancelled.Reply = TEventReply::CancelChart;
    const TPanelMouseScope scope(chart, cancelled);
    points->FireClick(0, mbLeft, {}, 1, 1, true);
    EXPECT_EQ(heard, std::vector<int>{0});
}

// ---------------------------------------------------------------- legend

TEST_F(SeriesCoreTest, LegendSymbolsShowLinePointerOrArea)
{
    const TRect rect{10, 10, 30, 20};
    struct TCase {
        const char* name;
        std::function<TCustomSeries*()> make;
        std::string shape;
    };
    const TCase cases[] = {
        {"line", [&] { return Make<TLineSeries>("S", {}); }, "L"},
        {"line with pointer", [&] {
             auto* s = Make<TLineSeries>("S", {});
             s->Pointer().SetVisible(true);
             return s;
         }, "LP"},
        {"pointer behind", [&] {
             auto* s = Make<TLineSeries>("S", {});
             s->Pointer().SetVisible(true);
             s->SetPointerBehind(true);
             return s;
         }, "PL"},
        {"point", [&] { return Make<TPointSeries>("S", {}); }, "P"},
        {"area", [&] { return Make<TAreaSeries>("S", {}); }, "R"},
    };
    for (const TCase& c : cases) {
        TCustomSeries* series = c.make();
        chart.Recording().Clear();
        series->PaintLegendSymbol(-1, rect);
        std::string shape;
        for (const TRecordedCall& call : chart.Recording().Calls) {
            if (call.Name == "LineTo") shape += "L";
            // The symbol box spans the rectangle (inside its frame); a pointer sits in its middle.
            if (call.Name == "Rectangle") shape += std::stoi(call.Args) <= rect.Left + 1 ? "R" : "P";
        }
        std::string all;
        for (const std::string& text : chart.Recording().Texts()) all += text + " ";
        EXPECT_EQ(shape, c.shape) << c.name << ": " << all;
        FreeComponent(series);
    }
}

// ---------------------------------------------------------------- copying and streaming

TEST_F(SeriesCoreTest, AssigningKeepsOrHidesTheLinePointer)
{
    // Assign copies the look; only a source that is no line series hides the pointer after it.
    TScopedComponent<TLineSeries> line(&chart), other(&chart);
    TScopedComponent<TPointSeries> points(&chart);
    other.Pointer().SetVisible(true);
    line.Assign(&other);
    EXPECT_TRUE(line.Pointer().Visible());
    line.Assign(&points);
    EXPECT_FALSE(line.Pointer().Visible());
    EXPECT_TRUE(line.DrawsLine());
    points.Assign(&line);
    EXPECT_TRUE(points.Pointer().Visible());
    EXPECT_FALSE(points.DrawsLine());
    EXPECT_FALSE(points.ClickableLine());
}

TEST_F(SeriesCoreTest, PointSeriesHandTheirColourSettingsToThePointer)
{
    TScopedComponent<TPointSeries> points(&chart);
    points.Pointer().Brush().SetColor(clRed);
    points.SetColorEachPoint(true);
    EXPECT_EQ(points.Pointer().Brush().Color(), clDefault);
    points.SetTransparency(40);
    EXPECT_EQ(points.Pointer().Transparency(), 40);
    EXPECT_EQ(points.Marks().Callout().Length(), 0);
}

TEST_F(SeriesCoreTest, PublishedSettingsSurviveTheStream)
{
    TTestChart other;
    auto* line = Make<TLineSeries>("Line", {{0, 1}, {1, 2}});
    line->SetName("Line1");
    line->SetStairs(true);
    line->SetTreatNulls(tnSkip);
    line->Pointer().SetVisible(true);
    line->SetLineHeight(3);
    line->OutLine()->SetVisible(true);
    auto* area = Make<TAreaSeries>("Area", {{0, 1}});
    area->SetName("Area1");
    area->SetUseYOrigin(true);
    area->SetYOrigin(2.5);
    area->SetStackGroup(2);
    area->SetMultiArea(maStacked100);
    const std::string text = ComponentTextOf(chart);
    ReadComponentText(other, text);
    ASSERT_EQ(other.SeriesList().Count(), 2);
    auto* line2 = dynamic_cast<TLineSeries*>(other.SeriesList().GetSeries(0));
    auto* area2 = dynamic_cast<TAreaSeries*>(other.SeriesList().GetSeries(1));
    ASSERT_TRUE(line2 && area2) << text;
    EXPECT_TRUE(line2->Stairs());
    EXPECT_EQ(line2->TreatNulls(), tnSkip);
    EXPECT_TRUE(line2->Pointer().Visible());
    EXPECT_EQ(line2->LineHeight(), 3);
    EXPECT_TRUE(line2->OutLineVisible());
    EXPECT_TRUE(area2->UseYOrigin());
    EXPECT_EQ(area2->YOrigin(), 2.5);
    EXPECT_EQ(area2->StackGroup(), 2);
    EXPECT_EQ(area2->MultiArea(), maStacked100);
    EXPECT_TRUE(area2->DrawArea());
    // Defaults stay out of the file.
    EXPECT_EQ(text.find("ClickableLine"), std::string::npos) << text;
}

// ---------------------------------------------------------------- gallery

TEST_F(SeriesCoreTest, TheGalleryListsTheStandardSeriesInOrder)
{
    std::vector<std::string> listed;
    const TDuvSeriesTypes& types = GetGalleryTypeList();
    for (int i = 0; i < types.Count(); ++i) {
        const TDuvSeriesType* type = types.TypeAt(i);
        if (!type->SeriesClass || *type->GalleryPage != DuvMsgGalleryStandard) continue;
        listed.push_back(type->SeriesClass->Name() + " " + *type->Description + " " + std::to_string(type->NumGallerySeries));
    }
    const std::vector<std::string> expected{
        "TLineSeries Line 2",
        "TBarSeries Bar 2",
        "THorizBarSeries Horizontal\rBar 2",
        "TAreaSeries Area 2",
        "TPointSeries Point 2",
        "TPieSeries Pie 1",
        "TFastLineSeries Fast Line 2",
        "THorizLineSeries Horizontal\rLine 1",
        "THorizAreaSeries Horizontal\rArea 1",
        "TBubbleSeries Bubble 1",
        "TGanttSeries Gantt 1",
        "TChartShape Shape 2"};
    EXPECT_EQ(listed, expected);
}

TEST_F(SeriesCoreTest, SubGalleryStylesChangeWhatTheirNamesSay)
{
    struct TCase {
        std::function<TCustomSeries*()> make;
        std::vector<std::string> names;
        // After applying style i (1-based), check(i - 1) holds.
        std::vector<std::function<bool(TCustomSeries&)>> checks;
    };
    auto line = [&] { return Make<TLineSeries>("S", {}); };
    auto area = [&] { return Make<TAreaSeries>("S", {}); };
    auto point = [&] { return Make<TPointSeries>("S", {}); };
    const TCase cases[] = {
        {line,
         {"Normal", "Stairs", "Points", "Height", "Hollow", "Colors", "Marks", "No Border", "Outline"},
         {[](TCustomSeries& s) { return s.Stairs(); }, [](TCustomSeries& s) { return s.Pointer().Visible(); },
          [](TCustomSeries& s) { return s.LineHeight() == 5; }, [](TCustomSeries& s) { return s.LineBrush() == bsClear; },
          [](TCustomSeries& s) { return s.ColorEachPoint(); }, [](TCustomSeries& s) { return s.Marks().Visible(); },
          [](TCustomSeries& s) { return !s.LinePen().Visible(); }, [](TCustomSeries& s) { return s.OutLineVisible(); }}},
        {area,
         {"Normal", "Stairs", "Marks", "Colors", "Hollow", "No Lines", "Stack", "Stack 100%", "Points", "Gradient"},
         {[](TCustomSeries& s) { return s.Stairs(); }, [](TCustomSeries& s) { return s.Marks().Visible(); },
          [](TCustomSeries& s) { return s.ColorEachPoint(); }, [](TCustomSeries& s) { return s.AreaBrush() == bsClear; },
          [](TCustomSeries& s) { return !s.AreaLinesPen().Visible(); },
          [](TCustomSeries& s) { return s.Stacked() == cssStack; }, [](TCustomSeries& s) { return s.Stacked() == cssStack100; },
          [](TCustomSeries& s) { return s.Pointer().Visible(); },
          [](TCustomSeries& s) { return s.AreaChartBrush().GetGradient()->Visible(); }}},
        {point,
         {"Normal", "Colors", "Marks", "Hollow", "No Border", "Gradient", "Point 2D", "Triangle", "Star", "Circle",
          "Down Tri.", "Cross", "Diamond", "Hexagon", "Donut", "Arrow"},
         {[](TCustomSeries& s) { return s.ColorEachPoint(); }, [](TCustomSeries& s) { return s.Marks().Visible(); },
          [](TCustomSeries& s) { return s.Pointer().Brush().Style() == bsClear; },
          [](TCustomSeries& s) { return !s.Pointer().Pen().Visible(); },
          [](TCustomSeries& s) { return s.Pointer().Brush().GetGradient()->Visible(); },
          [](TCustomSeries& s) { return !s.Pointer().Draw3D(); },
          [](TCustomSeries& s) { return s.Pointer().Style() == psTriangle; },
          [](TCustomSeries& s) { return s.Pointer().Style() == psStar; },
          [](TCustomSeries& s) { return s.Pointer().Style() == psCircle && s.Pointer().HorizSize() == 8; },
          [](TCustomSeries& s) { return s.Pointer().Style() == psDownTriangle; },
          [](TCustomSeries& s) { return s.Pointer().Style() == psCross; },
          [](TCustomSeries& s) { return s.Pointer().Style() == psDiamond; },
          [](TCustomSeries& s) { return s.Pointer().Style() == psHexagon; },
          [](TCustomSeries& s) { return s.Pointer().Style() == psDonut; },
          [](TCustomSeries& s) { return s.Pointer().Style() == psArrow; }}},
    };
    for (const TCase& c : cases) {
        TCustomSeries* probe = c.make();
        std::vector<std::string> names;
        probe->ListSubGalleryStyles([&](const std::string& name) { names.push_back(name); });
        EXPECT_EQ(names, c.names);
        FreeComponent(probe);
        ASSERT_EQ(c.checks.size() + 1, c.names.size());
        for (std::size_t i = 0; i < c.checks.size(); ++i) {
            TCustomSeries* series = c.make();
            EXPECT_FALSE(c.checks[i](*series)) << c.names[i + 1] << " before";
            series->ApplySubGalleryStyle(static_cast<int>(i) + 1);
            EXPECT_TRUE(c.checks[i](*series)) << c.names[i + 1];
            FreeComponent(series);
        }
    }
}

TEST_F(SeriesCoreTest, PointGalleryPreviewsSizeTheirPointersByTheChart)
{
    for (const auto& [width, size] : {std::pair{40, 4}, {200, 6}}) {
        chart.SetBounds(0, 0, width, 100);
        auto* first = Make<TPointSeries>("A", {});
        auto* second = Make<TPointSeries>("B", {});
        first->SetupGalleryStyle();
        second->SetupGalleryStyle();
        EXPECT_EQ(first->Pointer().HorizSize(), size);
        EXPECT_EQ(first->Pointer().VertSize(), size);
        EXPECT_EQ(first->Pointer().Style(), psRectangle);
        EXPECT_EQ(second->Pointer().Style(), psTriangle);
        FreeComponent(first);
        FreeComponent(second);
    }
}

// ---------------------------------------------------------------- pictures

// A line, an area and a point chart on the real canvas, each compared with a picture a person
// has looked at. Rerun with QB_UPDATE_PICTURES set to write the pictures anew after a
// deliberate change.
TEST_F(SeriesCoreTest, ChartsLookAsTheirPictures)
{
    const std::vector<std::pair<double, double>> rainfall{{0, 12}, {1, 30}, {2, 22}, {3, 41}, {4, 35}, {5, 18}};
    const std::vector<std::pair<double, double>> snow{{0, 8}, {1, 14}, {2, 20}, {3, 11}, {4, 6}, {5, 9}};
    struct TCase {
        const char* file;
        bool view3D;
        std::function<void(TChart&)> fill;
    };
    auto add = [](TCustomSeries* series, TChart& chart, const std::string& title, TColor color,
                  const std::vector<std::pair<double, double>>& points) {
        series->SetTitle(title);
        series->SetSeriesColor(color);
        for (const auto& [x, y] : points) series->AddPointXY(x, y);
        series->SetParentChart(&chart);
    };
    const TCase cases[] = {
        {"line.png", false,
         [&](TChart& chart) {
             auto* first = new TLineSeries(&chart);
             first->Pointer().SetVisible(true);
             first->LinePen().SetWidth(2);
             add(first, chart, "Rainfall", clRed, rainfall);
             auto* second = new TLineSeries(&chart);
             second->SetStairs(true);
             add(second, chart, "Snow", clBlue, snow);
         }},
        {"area.png", true,
         [&](TChart& chart) {
             auto* first = new TAreaSeries(&chart);
             add(first, chart, "Rainfall", clGreen, rainfall);
             auto* second = new TAreaSeries(&chart);
             add(second, chart, "Snow", clYellow, snow);
             first->SetMultiArea(maStacked);
         }},
        {"point.png", false,
         [&](TChart& chart) {
             auto* first = new TPointSeries(&chart);
             add(first, chart, "Rainfall", clRed, rainfall);
             auto* second = new TPointSeries(&chart);
             second->Pointer().SetStyle(psTriangle);
             second->Pointer().SetHorizSize(6);
             second->Pointer().SetVertSize(6);
             add(second, chart, "Snow", clBlue, snow);
         }},
    };
    for (const TCase& c : cases) {
        TChart chart;
        chart.SetBounds(0, 0, 400, 250);
        chart.SetView3D(c.view3D);
        chart.Title()->AssignText("Station 4");
        c.fill(chart);
        const std::unique_ptr<QImage> picture = chart.CreatePanelBitmap();
        ASSERT_TRUE(picture);
        EXPECT_TRUE(qbtest::LooksLikePicture(*picture, std::string("chart/series/") + c.file, 100));
    }
}

}  // namespace
