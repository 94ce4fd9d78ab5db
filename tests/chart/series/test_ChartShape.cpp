// Shape series: the corner points in axis values or pixels, the fourteen figures flat and in
// 3D, the text inside them, clicks, the gallery, copying and the stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "chart/engine/ChartRegistry.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/DuvShape.h"
#include "support_AxisChart.h"

using namespace seriestest;

namespace {

std::string Pt(int x, int y) { return std::to_string(x) + ":" + std::to_string(y); }
std::string Xy(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }

class ChartShapeTest : public AxisChartTest {
protected:
    // A shape from (2, 2) to (8, 6) in axis values.
    TChartShape* Box(TChartShapeStyle style)
    {
        auto* shape = Add<TChartShape>("Shape");
        shape->SetStyle(style);
        shape->SetX0(2);
        shape->SetY0(2);
        shape->SetX1(8);
        shape->SetY1(6);
        return shape;
    }
    // One with pixel corners.
    TChartShape* PixelBox(TChartShapeStyle style, int x0, int y0, int x1, int y1)
    {
        auto* shape = Add<TChartShape>("Shape");
        shape->SetXYStyle(xysPixels);
        shape->SetStyle(style);
        shape->SetX0(x0);
        shape->SetY0(y0);
        shape->SetX1(x1);
        shape->SetY1(y1);
        return shape;
    }
};

const std::set<std::string> kFigureCalls{"Rectangle", "RoundRect", "Ellipse", "MoveTo", "LineTo", "Polygon",
                                         "RectangleAtZ", "EllipseWithZ", "TriangleWithZ", "PlaneFour3D",
                                         "Cube", "Pyramid"};

TEST_F(ChartShapeTest, ANewShapeIsAWhiteEllipseOverItsTwoDefaultPoints)
{
    chart.BottomAxis()->SetMinMax(0, 100);
    chart.LeftAxis()->SetMinMax(0, 100);
    auto* shape = Add<TChartShape>("Shape");
    EXPECT_EQ(Describe(*shape), "0:0 100:100");
    EXPECT_EQ(shape->Style(), chasCircle);
    EXPECT_EQ(shape->XYStyle(), xysAxis);
    EXPECT_EQ(shape->Brush().Color(), clWhite);
    EXPECT_EQ(shape->SeriesColor(), clWhite);
    chart.Draw();
    EXPECT_EQ(Drawn("Shape", kFigureCalls),
              std::vector<std::string>{"Ellipse(" + Xy(X(0), Y(100)) + "," + Xy(X(100), Y(0)) + ")"});
    // The series colour and the fill move together.
    shape->SetSeriesColor(clRed);
    EXPECT_EQ(shape->Brush().Color(), clRed);
}

TEST_F(ChartShapeTest, CornersOfAnEmptyShapeComeAsZeroPoints)
{
    auto* shape = Add<TChartShape>("Shape");
    shape->ClearPoints();
    EXPECT_EQ(shape->X1(), 0);
    EXPECT_EQ(Describe(*shape), "0:0 0:0");
    shape->ClearPoints();
    EXPECT_EQ(shape->Y0(), 0);
    EXPECT_EQ(shape->PointCount(), 1);
    shape->ClearPoints();
    shape->DataLoaded = false;
    shape->SetY1(7);
    EXPECT_EQ(Describe(*shape), "0:0 0:7");
    EXPECT_TRUE(shape->DataLoaded) << "written corners are stored with the chart";
    // Drawing and clicks read the corners without adding points.
    shape->ClearPoints();
    TRect corners;
    shape->GetShapePoints(corners);
    EXPECT_EQ(shape->PointCount(), 0);
    EXPECT_EQ(shape->PointAtScreen(0, 0), -1);
}

TEST_F(ChartShapeTest, TheXYStyleSaysHowCornersAreRead)
{
    chart.Draw();
    auto* pixels = PixelBox(chasRectangle, 10, 20, 10, 50);
    TRect r;
    pixels->GetShapeRectangle(r);
    EXPECT_EQ(std::vector<int>({r.Left, r.Top, r.Right, r.Bottom}), std::vector<int>({10, 20, 11, 50}));
    EXPECT_FALSE(pixels->UsesAxes());
    chart.SetView3D(true);
    const int depthSlots = chart.MaxZOrder;
    pixels->CalcZOrder();
    EXPECT_EQ(chart.MaxZOrder, depthSlots) << "a pixel shape takes no depth slot";
    pixels->SetXYStyle(xysAxis);
    pixels->CalcZOrder();
    EXPECT_EQ(chart.MaxZOrder, depthSlots + 1);
    chart.SetView3D(false);

    auto* origin = Add<TChartShape>("Origin");
    origin->SetXYStyle(xysAxisOrigin);
    origin->SetX0(2);
    origin->SetY0(3);
    origin->SetX1(30);
    origin->SetY1(-20);
    origin->GetShapePoints(r);
    EXPECT_EQ(std::vector<int>({r.Left, r.Top, r.Right, r.Bottom}),
              std::vector<int>({X(2), Y(3), X(2) + 30, Y(3) - 20}))
        << "30 pixels right and 20 up from point 0";

    // xysAxis with a single point reads point 1 as a pixel offset.
    auto* single = Add<TChartShape>("Single");
    single->DeletePoint(1);
    single->GetShapePoints(r);
    EXPECT_EQ(std::vector<int>({r.Left, r.Top, r.Right, r.Bottom}), std::vector<int>({X(0), Y(0), X(0), Y(0)}));
}

TEST_F(ChartShapeTest, PixelCornersFromHugeValuesStayOnTheScreenRange)
{
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    struct TCase {
        double value;
        int pixel;
    } const cases[] = {{1e12, 32767}, {-1e300, -32767}, {inf, 32767}, {-inf, -32767}, {nan, 0}, {-12.9, -12}, {40000.5, 32767}};
    chart.Draw();
    for (const TCase& c : cases) {
        auto* shape = PixelBox(chasRectangle, 0, 0, 0, 0);
        shape->SetX0(c.value);
        shape->SetY1(c.value);
        TRect r;
        shape->GetShapePoints(r);
        EXPECT_EQ(r.Left, c.pixel) << c.value;
        EXPECT_EQ(r.Bottom, c.pixel) << c.value;
        // As an offset from point 0 on the axes; the far corner stays within the range too.
        shape->SetXYStyle(xysAxisOrigin);
        shape->SetX0(5);
        shape->SetX1(c.value);
        shape->GetShapePoints(r);
        EXPECT_EQ(r.Left, X(5));
        EXPECT_EQ(r.Right, std::clamp(X(5) + c.pixel, -32767, 32767)) << "as an offset: " << c.value;
        chart.Draw();  // and the drawing does not trip over it
        FreeComponent(shape);
    }
}

TEST_F(ChartShapeTest, OnlyATwoPointShapeInsideTheChartDraws)
{
    auto* shape = Box(chasRectangle);
    chart.Draw();
    EXPECT_EQ(Drawn("Shape", kFigureCalls).size(), 1u);
    shape->AddPointXY(5, 5);
    chart.Draw();
    EXPECT_TRUE(Drawn("Shape", kFigureCalls).empty()) << "a third point";
    shape->DeletePoint(2);
    shape->SetX0(20);
    shape->SetX1(30);
    chart.Draw();
    EXPECT_TRUE(Drawn("Shape", kFigureCalls).empty()) << "wholly outside the chart rectangle";
}

TEST_F(ChartShapeTest, TheFourteenFiguresFlat)
{
    auto* probe = Box(chasRectangle);
    chart.Draw();
    const int L = X(2), R = X(8), T = Y(6), B = Y(2), mx = (L + R) / 2, my = (T + B) / 2;
    FreeComponent(probe);
    auto line = [](int x0, int y0, int x1, int y1) {
        return std::vector<std::string>{"MoveTo(" + Xy(x0, y0) + ")", "LineTo(" + Xy(x1, y1) + ")"};
    };
    auto join = [](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const auto cross = join(line(mx, T, mx, B + 1), line(L, my, R + 1, my));
    const auto diagonals = join(line(L, T, R + 1, B + 1), line(L, B, R + 1, T - 1));
    const std::string up = "Polygon([" + Pt(L, B) + " " + Pt(mx, T) + " " + Pt(R, B) + "])";
    const std::string down = "Polygon([" + Pt(L, T) + " " + Pt(mx, B) + " " + Pt(R, T) + "])";
    const std::vector<std::vector<std::string>> expected{
        {"Rectangle(" + Xy(L, T) + "," + Xy(R + 1, B + 1) + ")"},
        {"Ellipse(" + Xy(L, T) + "," + Xy(R, B) + ")"},
        line(mx, T, mx, B),
        line(L, my, R + 1, my),
        {up},
        {down},
        line(L, B, R, T),  // from point 0 (2, 2) to point 1 (8, 6)
        {"Polygon([" + Pt(L, my) + " " + Pt(mx, T) + " " + Pt(R, my) + " " + Pt(mx, B) + "])"},
        {"Rectangle(" + Xy(L, T) + "," + Xy(R, B) + ")"},
        cross,
        diagonals,
        join(cross, diagonals),
        {up},
        {down},
    };
    for (int style = chasRectangle; style <= chasInvertPyramid; ++style) {
        auto* shape = Box(static_cast<TChartShapeStyle>(style));
        chart.Draw();
        EXPECT_EQ(Drawn("Shape", kFigureCalls), expected[static_cast<std::size_t>(style)])
            << EnumTypeInfo(TChartShapeStyle{}).Name(style);
        FreeComponent(shape);
    }
    auto* round = Box(chasRectangle);
    round->SetRoundRectangle(true);
    chart.Draw();
    EXPECT_EQ(Drawn("Shape", kFigureCalls), std::vector<std::string>{"RoundRect(" + Xy(L, T) + "," + Xy(R, B) + ",12,12)"});
    FreeComponent(round);
    // A line keeps its direction: from (8, 2) back to (2, 6).
    auto* back = Box(chasLine);
    back->SetX0(8);
    back->SetX1(2);
    chart.Draw();
    EXPECT_EQ(Drawn("Shape", kFigureCalls), line(R, B, L, T));
}

TEST_F(ChartShapeTest, TheFourteenFiguresIn3D)
{
    chart.SetView3D(true);
    auto* probe = Box(chasRectangle);
    chart.Draw();
    const int L = X(2), R = X(8), T = Y(6), B = Y(2), mx = (L + R) / 2, my = (T + B) / 2;
    const int z = probe->MiddleZ, z0 = probe->StartZ, z1 = probe->EndZ;
    const std::string zs = std::to_string(z), range = std::to_string(z0) + "," + std::to_string(z1);
    FreeComponent(probe);
    const std::vector<std::string> twoLines{"MoveTo", "LineTo", "MoveTo", "LineTo"};
    const std::vector<std::vector<std::string>> expected{
        {"RectangleAtZ(" + Xy(L, T) + "," + Xy(R, B) + "," + zs + ")"},
        {"EllipseWithZ(" + Xy(L, T) + "," + Xy(R, B) + "," + zs + ")"},
        {"MoveTo", "LineTo"},
        {"MoveTo", "LineTo"},
        {"TriangleWithZ(" + Pt(L, B) + "," + Pt(mx, T) + "," + Pt(R, B) + "," + zs + ")"},
        {"TriangleWithZ(" + Pt(L, T) + "," + Pt(mx, B) + "," + Pt(R, T) + "," + zs + ")"},
        {"MoveTo", "LineTo"},
        {"PlaneFour3D(" + Pt(L, my) + "," + Pt(mx, T) + "," + Pt(R, my) + "," + Pt(mx, B) + "," + zs + ")"},
        {"Cube(" + std::to_string(L) + "," + std::to_string(R) + "," + std::to_string(T) + "," + std::to_string(B) + "," +
         range + ",true,0)"},
        twoLines,
        twoLines,
        {"MoveTo", "LineTo", "MoveTo", "LineTo", "MoveTo", "LineTo", "MoveTo", "LineTo"},
        {"Pyramid(true," + Xy(L, T) + "," + Xy(R, B) + "," + range + ",true)"},
        {"Pyramid(true," + Xy(L, B) + "," + Xy(R, T) + "," + range + ",true)"},
    };
    for (int style = chasRectangle; style <= chasInvertPyramid; ++style) {
        auto* shape = Box(static_cast<TChartShapeStyle>(style));
        chart.Draw();
        std::vector<std::string> drawn;
        for (const std::string& call : Drawn("Shape", kFigureCalls))
            drawn.push_back(call.rfind("MoveTo", 0) == 0 || call.rfind("LineTo", 0) == 0 ? call.substr(0, 6) : call);
        EXPECT_EQ(drawn, expected[static_cast<std::size_t>(style)]) << EnumTypeInfo(TChartShapeStyle{}).Name(style);
        FreeComponent(shape);
    }
    // Hollow solids keep their sides light; a pixel shape stays flat in a 3D chart.
    auto* hollow = Box(chasCube);
    hollow->SetTransparent(true);
    chart.Draw();
    ASSERT_EQ(Drawn("Shape", {"Cube"}).size(), 1u);
    EXPECT_NE(Drawn("Shape", {"Cube"})[0].find("false,0)"), std::string::npos);
    FreeComponent(hollow);
    PixelBox(chasCircle, 50, 60, 150, 120);
    chart.Draw();
    EXPECT_EQ(Drawn("Shape", kFigureCalls), std::vector<std::string>{"Ellipse(50,60,150,120)"});
}

TEST_F(ChartShapeTest, TheBrushFollowsTransparentClearAndTheDefaultColour)
{
    auto* shape = Box(chasRectangle);
    shape->SetSeriesColor(clRed);
    chart.Draw();
    auto figure = [&] {
        for (const TRecordedCall& call : enginetest::GroupCalls(chart.Recording().Calls, "Shape"))
            if (call.Name == "Rectangle") return call;
        return TRecordedCall{};
    };
    EXPECT_EQ(figure().BrushColor, clRed);
    EXPECT_EQ(figure().BrushStyle, bsSolid);
    shape->SetTransparent(true);
    chart.Draw();
    EXPECT_EQ(figure().BrushStyle, bsClear);
    shape->SetTransparent(false);
    shape->Brush().SetColor(clDefault);
    chart.Draw();
    EXPECT_EQ(figure().BrushColor, chart.ColorFromPalette(shape->GetSeriesIndex()));
}

TEST_F(ChartShapeTest, TextLinesArePlacedByTheAlignments)
{
    auto* shape = PixelBox(chasRectangle, 0, 50, 200, 150);
    shape->Text().Add("a");
    shape->Text().Add("bb");
    shape->Text().Add("ccc");
    const int h = chart.Recording().LineHeight, w = chart.Recording().CharWidth;
    ASSERT_EQ(h, 13);
    struct TCase {
        TAlignment alignment;
        TDuvVertAlign vertical;
        int firstTop;
        std::vector<int> xs;
    } const cases[] = {
        {taCenter, vaCenter, 100 - 20, {100 - w / 2, 100 - w, 100 - 3 * w / 2}},  // 100 - round(19.5) = 80
        {taLeftJustify, vaTop, 50, {5, 5, 5}},
        {taRightJustify, vaBottom, 150 - 3 * h, {200 - 1 - w - 4, 200 - 1 - 2 * w - 4, 200 - 1 - 3 * w - 4}},
    };
    for (const TCase& c : cases) {
        shape->SetAlignment(c.alignment);
        shape->SetVertAlign(c.vertical);
        chart.Draw();
        const std::vector<std::string> expected{
            "TextOut(" + Xy(c.xs[0], c.firstTop) + ",\"a\")", "TextOut(" + Xy(c.xs[1], c.firstTop + h) + ",\"bb\")",
            "TextOut(" + Xy(c.xs[2], c.firstTop + 2 * h) + ",\"ccc\")"};
        EXPECT_EQ(Drawn("Shape", {"TextOut", "TextOut3D"}), expected) << static_cast<int>(c.alignment);
    }
    // On the axes the text goes out at the front depth.
    shape->SetXYStyle(xysAxis);
    shape->SetX0(2);
    shape->SetY0(2);
    shape->SetX1(8);
    shape->SetY1(6);
    chart.Draw();
    const std::vector<std::string> calls = Drawn("Shape", {"TextOut", "TextOut3D"});
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].rfind("TextOut3D(", 0), 0u);
}

TEST_F(ChartShapeTest, TextInTheFillColourIsSwappedForAReadableOne)
{
    struct TCase {
        TColor series, font, written;
    } const cases[] = {{clBlack, clBlack, clWhite}, {clRed, clRed, clBlack}, {clRed, clBlue, clBlue}};
    for (const TCase& c : cases) {
        auto* shape = PixelBox(chasRectangle, 10, 10, 100, 100);
        shape->Text().Add("x");
        shape->SetSeriesColor(c.series);
        shape->Font().SetColor(c.font);
        shape->DrawText({10, 10, 100, 100});
        EXPECT_EQ(chart.Canvas().Font().Color(), c.written) << c.series << " " << c.font;
        EXPECT_EQ(shape->Font().Color(), c.font) << "the setting stays";
        FreeComponent(shape);
    }
}

TEST_F(ChartShapeTest, EachFigureAnswersClicksOnItsOwnArea)
{
    chart.Draw();
    // Corners (100, 100) and (200, 160): middle (150, 130).
    struct TCase {
        TChartShapeStyle style;
        TPoint in, out;
    } const cases[] = {
        {chasRectangle, {200, 160}, {201, 130}},   {chasCircle, {150, 130}, {102, 102}},
        {chasVertLine, {150, 120}, {151, 120}},    {chasHorizLine, {120, 130}, {120, 131}},
        {chasTriangle, {150, 110}, {105, 155}},    {chasInvertTriangle, {150, 150}, {105, 105}},
        {chasLine, {150, 130}, {150, 133}},        {chasDiamond, {150, 130}, {105, 105}},
        {chasCube, {100, 100}, {99, 99}},          {chasCross, {190, 110}, {201, 161}},
        {chasDiagCross, {110, 150}, {100, 99}},    {chasStar, {150, 130}, {99, 130}},
        {chasPyramid, {150, 110}, {105, 155}},     {chasInvertPyramid, {150, 150}, {105, 105}},
    };
    for (const TCase& c : cases) {
        auto* shape = PixelBox(c.style, 100, 100, 200, 160);
        const std::string name = EnumTypeInfo(TChartShapeStyle{}).Name(c.style);
        EXPECT_EQ(shape->PointAtScreen(c.in.X, c.in.Y), 0) << name;
        EXPECT_EQ(shape->PointAtScreen(c.out.X, c.out.Y), -1) << name;
        FreeComponent(shape);
    }
}

TEST_F(ChartShapeTest, SubGalleryStylesPickTheFigureOrToggleTheFill)
{
    auto* shape = Add<TChartShape>("Shape");
    std::vector<std::string> names;
    shape->ListSubGalleryStyles([&](const std::string& name) { names.push_back(name); });
    EXPECT_EQ(names, (std::vector<std::string>{"Normal", "Rectangle", "Vert.Line", "Horiz.Line", "Ellipse", "Down Tri.",
                                               "Line", "Diamond", "Cube", "Cross", "Diag.Cross", "Star", "Pyramid",
                                               "Inv. Pyramid", "Hollow"}));
    const TChartShapeStyle styles[] = {chasRectangle, chasVertLine, chasHorizLine, chasCircle, chasInvertTriangle,
                                       chasLine, chasDiamond, chasCube, chasCross, chasDiagCross, chasStar,
                                       chasPyramid, chasInvertPyramid};
    for (int i = 1; i <= 13; ++i) {
        shape->SetStyle(chasTriangle);
        shape->ApplySubGalleryStyle(i);
        EXPECT_EQ(shape->Style(), styles[i - 1]) << i;
    }
    shape->ApplySubGalleryStyle(14);
    EXPECT_TRUE(shape->Transparent());
    shape->ApplySubGalleryStyle(14);
    EXPECT_FALSE(shape->Transparent()) << "twice leaves it as it was";
    shape->ApplySubGalleryStyle(15);
    shape->ApplySubGalleryStyle(0);
    EXPECT_EQ(shape->Style(), chasInvertPyramid);
}

TEST_F(ChartShapeTest, TheGalleryLookAndTheRegistration)
{
    auto* first = Add<TChartShape>("First");
    auto* second = Add<TChartShape>("Second");
    first->SetGalleryLook();
    second->SetGalleryLook();
    EXPECT_EQ(first->Style(), chasTriangle);
    EXPECT_EQ(first->Text().Text(), "123\r\n");
    EXPECT_EQ(second->Style(), chasCircle);
    EXPECT_EQ(second->Text().Text(), "abc\r\n");
    EXPECT_EQ(second->X0(), 10);
    EXPECT_EQ(second->X1(), 50);
    EXPECT_EQ(first->Font().Color(), static_cast<TColor>(0x00FFFF));
    EXPECT_EQ(first->Font().Size(), 12);
    EXPECT_TRUE(first->Font().Style().Contains(fsBold));
    EXPECT_EQ(first->Brush().Color(), clDefault);
    EXPECT_EQ(first->PointCount(), 2);
    const TDuvSeriesType* type = GetGalleryTypeList().FindSeriesType(&TChartShape::StaticClass(), 0);
    ASSERT_TRUE(type);
    EXPECT_EQ(*type->Description, "Shape");
    EXPECT_EQ(*type->GalleryPage, "Standard");
    EXPECT_EQ(type->NumGallerySeries, 2);
    // Samples alone on a chart are the two default points.
    TChartShape alone(nullptr);
    alone.ClearPoints();
    alone.AddRandomSamples(5, false);
    EXPECT_EQ(Describe(alone), "0:0 100:100");
    EXPECT_EQ(alone.GetEditorClassName(), "TChartShapeEditor");
    EXPECT_TRUE(first->AcceptsSourceSeries(second));
    EXPECT_FALSE(first->AcceptsSourceSeries(Add<TTestSeries>("Other")));
}

TEST_F(ChartShapeTest, TheLegendSymbolIsTheFlatFigure)
{
    chart.SetView3D(true);
    auto* shape = Box(chasDiamond);
    chart.Recording().Clear();
    shape->PaintLegendSymbol(0, {10, 20, 30, 30});
    EXPECT_EQ(chart.Recording().Texts("Polygon"), std::vector<std::string>{"Polygon([10:25 20:20 30:25 20:30])"});
}

TEST_F(ChartShapeTest, CopyingTakesTextCornersAndLook)
{
    auto* a = Box(chasStar);
    a->Text().Add("hello");
    a->SetXYStyle(xysAxisOrigin);
    a->SetAlignment(taRightJustify);
    a->SetVertAlign(vaBottom);
    a->SetRoundRectangle(true);
    a->SetTransparent(true);
    a->Font().SetSize(15);
    auto* b = Add<TChartShape>("B");
    b->Assign(a);
    EXPECT_EQ(b->Text().Text(), "hello\r\n");
    EXPECT_EQ(b->XYStyle(), xysAxisOrigin);
    EXPECT_EQ(b->Style(), chasStar);
    EXPECT_EQ(b->Alignment(), taRightJustify);
    EXPECT_EQ(b->VertAlign(), vaBottom);
    EXPECT_TRUE(b->RoundRectangle());
    EXPECT_TRUE(b->Transparent());
    EXPECT_EQ(b->Font().Size(), 15);
    EXPECT_EQ(Describe(*b), Describe(*a));
}

TEST_F(ChartShapeTest, TheStreamHoldsTheShapeInItsPropertyOrder)
{
    auto* shape = Box(chasDiamond);
    shape->SetAlignment(taLeftJustify);
    shape->SetSeriesColor(clRed);
    shape->Font().SetSize(14);
    shape->Text().Add("first");
    shape->Text().Add("second");
    shape->Pen().SetWidth(3);
    shape->SetRoundRectangle(true);
    shape->SetTransparent(true);
    shape->SetVertAlign(vaTop);
    shape->SetXYStyle(xysAxisOrigin);
    shape->SetX1(40);
    const std::string text = ComponentTextOf(chart);
    std::size_t at = 0;
    for (const char* name : {"Alignment = ", "Brush.Color", "Font.", "Text.Strings", "Pen.Width", "RoundRectangle = ",
                             "Style = ", "Transparent = ", "VertAlign = ", "XYStyle = ", "X0 = ", "X1 = ", "Y0 = ",
                             "Y1 = "}) {
        const std::size_t found = text.find(name, at);
        ASSERT_NE(found, std::string::npos) << name << " after " << at << " in\n" << text;
        at = found;
    }
    TTestChart other;
    ReadComponentText(other, text);
    auto* read = dynamic_cast<TChartShape*>(other.SeriesList().GetSeries(0));
    ASSERT_TRUE(read) << text;
    EXPECT_EQ(Describe(*read), Describe(*shape));
    EXPECT_EQ(read->Style(), chasDiamond);
    EXPECT_EQ(read->Alignment(), taLeftJustify);
    EXPECT_EQ(read->VertAlign(), vaTop);
    EXPECT_EQ(read->XYStyle(), xysAxisOrigin);
    EXPECT_TRUE(read->RoundRectangle());
    EXPECT_TRUE(read->Transparent());
    EXPECT_EQ(read->Text().Text(), "first\r\nsecond\r\n");
    EXPECT_EQ(read->Font().Size(), 14);
    EXPECT_EQ(read->Pen().Width(), 3);
    EXPECT_EQ(read->Brush().Color(), clRed);
    EXPECT_EQ(read->X1(), 40);
}

TEST(ChartShapePixels, FiguresFillTheirAreaAndTheTextStaysReadable)
{
    TRealChart real;
    auto* circle = new TChartShape(&real.Chart);
    circle->SetParentChart(&real.Chart);
    circle->SetSeriesColor(clRed);
    circle->Pen().SetVisible(false);
    circle->SetX0(1);
    circle->SetY0(1);
    circle->SetX1(5);
    circle->SetY1(9);
    auto* box = new TChartShape(&real.Chart);
    box->SetParentChart(&real.Chart);
    box->SetStyle(chasRectangle);
    box->SetSeriesColor(clBlack);
    box->Font().SetColor(clBlack);
    box->Font().SetSize(14);
    box->Font().SetStyle(TFontStyles{fsBold});
    box->Text().Add("WWW");
    box->SetX0(6);
    box->SetY0(2);
    box->SetX1(9.5);
    box->SetY1(8);
    real.Paint();
    EXPECT_EQ(real.At(3, 5), Rgb(clRed)) << "the ellipse's middle";
    EXPECT_NE(real.Pixel(real.X(1) + 2, real.Y(9) + 2), Rgb(clRed)) << "outside the ellipse, inside its rectangle";
    int white = 0, black = 0;
    for (int x = real.X(6) + 2; x < real.X(9.5) - 2; ++x)
        for (int y = real.Y(8) + 2; y < real.Y(2) - 2; ++y) {
            white += real.Pixel(x, y) == 0xFFFFFF;
            black += real.Pixel(x, y) == 0;
        }
    EXPECT_GT(white, 20) << "the black text turned white on the black fill";
    EXPECT_GT(black, white);
}

}  // namespace
