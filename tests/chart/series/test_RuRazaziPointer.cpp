// The series pointer: canvas calls of every style in 2D and 3D, hit tests, the darkened pen,
// sizes and margins.
#include <gtest/gtest.h>
#include <QImage>
#include <cstdlib>

#include "chart/engine/DuvProcs.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvPicture.h"
#include "chart/graphics/DuvShadow.h"
#include "chart/series/RuRazaziPointer.h"
#include "chart/series/SeriesPointerItems.h"
#include "support/TestSupport.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {


std::string CallsOf(const TRecordingCanvas& canvas)
{
    std::string text;
    for (const TRecordedCall& call : canvas.Calls) {
        const bool state = call.Name.rfind("Set", 0) == 0 && call.Name.rfind("SetPixel", 0) != 0;
        if (state || call.Name.rfind("Apply", 0) == 0) continue;
        text += (text.empty() ? "" : " ") + call.Text();
    }
    return text;
}

// A series with a pointer of its own, as point-like series have.
class TPointerTestSeries : public TTestSeries {
    QB_CLASS(TPointerTestSeries, TTestSeries)
public:
    explicit TPointerTestSeries(TComponent* owner = nullptr) : TTestSeries(owner), pointer_(this) {}
    static void DeclareProperties(TPropertyDeclarer<TPointerTestSeries>& p)
    {
        p.Object("Pointer", [](const TPointerTestSeries& s) { return const_cast<TSeriesPointer*>(&s.pointer_); },
                 [](TPointerTestSeries& s, const TSeriesPointer* value) { s.pointer_.Assign(value); });
    }
    TSeriesPointer& Pointer() { return pointer_; }

private:
    TSeriesPointer pointer_;
};

class SeriesPointerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartSeriesModules();
        RegisterClassForStreaming(TPointerTestSeries::StaticClass());
    }
};

std::string PointerLines(const std::string& text)
{
    std::string lines;
    for (std::size_t at = text.find("Pointer."); at != std::string::npos; at = text.find("Pointer.", at + 1))
        lines += text.substr(at, text.find_first_of("\r\n", at) - at) + ";";
    return lines;
}

}  // namespace

TEST_F(SeriesPointerTest, PointerSettingsReadBackTheSame)
{
    TTestChart chart;
    auto* series = new TPointerTestSeries(&chart);
    series->SetName("Series1");
    series->SetParentChart(&chart);
    EXPECT_EQ(PointerLines(ComponentTextOf(chart)), "") << "a new pointer writes nothing";

    TSeriesPointer& pointer = series->Pointer();
    pointer.SetStyle(psDiamond);
    pointer.SetDark3D(false);
    pointer.SetDraw3D(false);
    pointer.SetInflateMargins(false);
    pointer.SetDarkPen(30);
    pointer.SetDepth(5);
    pointer.SetHorizSize(7);
    pointer.SetVertSize(9);
    pointer.Brush().SetColor(clRed);
    const std::string text = ComponentTextOf(chart);
    EXPECT_NE(PointerLines(text).find("Pointer.Style = psDiamond"), std::string::npos) << text;

    TTestChart copy;
    ReadComponentText(copy, text);
    EXPECT_EQ(ComponentTextOf(copy), text);
    auto* read = dynamic_cast<TPointerTestSeries*>(copy.GetSeries(0));
    ASSERT_NE(read, nullptr);
    const TSeriesPointer& got = read->Pointer();
    EXPECT_EQ(got.Style(), psDiamond);
    EXPECT_FALSE(got.Dark3D() || got.Draw3D() || got.InflateMargins());
    EXPECT_EQ(got.DarkPen(), 30);
    EXPECT_EQ(got.Depth(), 5);
    EXPECT_EQ(got.HorizSize(), 7);
    EXPECT_EQ(got.VertSize(), 9);
    EXPECT_EQ(got.Brush().Color(), clRed);
}

TEST_F(SeriesPointerTest, EachStyleDrawsItsShapeFlatAndAtDepth)
{
    TTestChart chart;
    TTestSeries series;
    series.StartZ = 10;
    series.MiddleZ = 15;
    series.EndZ = 20;
    TSeriesPointer pointer(&series);
    struct Case {
        TSeriesPointerStyle style;
        const char* flat;
        const char* deep;
    } const cases[] = {
        // The recording canvas shows shapes at depth through their flat calls; solids keep
        // their own calls.
        {psRectangle, "Rectangle(46,56,55,65)", "Cube(46,54,56,64,10,20,true,0)"},
        {psCircle, "Ellipse(46,56,54,64)", "EllipseWithZ(46,56,54,64,10)"},
        {psTriangle, "Polygon([46:64 54:64 50:56])", "Pyramid(true,46,56,54,64,10,20,true)"},
        {psDownTriangle, "Polygon([46:56 54:56 50:64])", "Pyramid(true,46,64,54,56,10,20,true)"},
        {psCross, "MoveTo(50,56) LineTo(50,65) MoveTo(46,60) LineTo(55,60)",
         "MoveTo(50,56) LineTo(50,65) MoveTo(46,60) LineTo(55,60)"},
        {psDiagCross, "MoveTo(46,56) LineTo(55,65) MoveTo(54,56) LineTo(45,65)",
         "MoveTo(46,56) LineTo(55,65) MoveTo(54,56) LineTo(45,65)"},
        {psStar, "MoveTo(50,56) LineTo(50,65) MoveTo(46,60) LineTo(55,60) MoveTo(46,56) LineTo(55,65) MoveTo(54,56) LineTo(45,65)",
         "MoveTo(50,56) LineTo(50,65) MoveTo(46,60) LineTo(55,60) MoveTo(46,56) LineTo(55,65) MoveTo(54,56) LineTo(45,65)"},
        {psDiamond, "Polygon([46:60 50:56 54:60 50:64])", "Polygon([46:60 50:56 54:60 50:64])"},
        {psSmallDot, "SetPixel", "SetPixel"},
        {psNothing, "", ""},
        {psLeftTriangle, "Polygon([46:60 54:64 54:56])", "Polygon([46:60 54:64 54:56])"},
        {psRightTriangle, "Polygon([54:60 46:64 46:56])", "Polygon([54:60 46:64 46:56])"},
        {psHexagon, "Polygon([50:56 54:58 54:62 50:64 46:62 46:58])", "Polygon([50:56 54:58 54:62 50:64 46:62 46:58])"},
        {psVisual, "", ""},
        {psDonut, "DonutSlice(50,60,4,4,0,360,50)", "DonutSlice(50,60,4,4,0,360,50)"},
        // The head at the bottom end.
        {psArrow, "Polygon([48:56 52:56 52:60 54:60 50:64 46:60 48:60])",
         "Polygon([48:56 52:56 52:60 54:60 50:64 46:60 48:60])"},
    };
    for (const Case& k : cases)
        for (bool is3D : {false, true}) {
            chart.Recording().Clear();
            pointer.DrawStyled(chart.Recording(), is3D, 50, 60, 4, 4, clRed, k.style);
            const std::string calls = CallsOf(chart.Recording());
            const std::string wanted = is3D ? k.deep : k.flat;
            if (k.style == psSmallDot)
                EXPECT_EQ(calls.rfind(wanted, 0), 0u) << "style " << static_cast<int>(k.style) << " " << calls;
            else
                EXPECT_EQ(calls, wanted) << "style " << static_cast<int>(k.style) << (is3D ? " 3D" : " 2D");
        }
    pointer.SetDraw3D(false);
    chart.Recording().Clear();
    pointer.DrawStyled(chart.Recording(), true, 50, 60, 4, 4, clRed, psRectangle);
    EXPECT_EQ(CallsOf(chart.Recording()), "RectangleAtZ(46,56,55,65,10)") << "without solids: a rectangle at depth";
}

TEST_F(SeriesPointerTest, HitTestsFollowTheDrawnShapes)
{
    TSeriesPointer pointer;
    pointer.SetHorizSize(4);
    pointer.SetVertSize(4);
    struct Case {
        TSeriesPointerStyle style;
        TPoint mouse;
        bool hit;
    } const cases[] = {
        {psRectangle, {53, 63}, true},   {psRectangle, {54, 60}, false},
        {psCircle, {50, 60}, true},      {psCircle, {53, 63}, false},
        {psTriangle, {50, 62}, true},    {psTriangle, {47, 57}, false},
        {psDownTriangle, {47, 57}, true}, {psDownTriangle, {47, 63}, false},
        {psDiamond, {50, 58}, true},     {psDiamond, {53, 63}, false},
        {psNothing, {50, 60}, false},
    };
    for (const Case& k : cases)
        EXPECT_EQ(pointer.HitTest(k.style, k.mouse, 50, 60), k.hit)
            << "style " << static_cast<int>(k.style) << " at " << k.mouse.X << "," << k.mouse.Y;

    // The arrow's head is drawn at the bottom end, its narrow shaft above; an arrow turned
    // upside down would answer the other way round at both places.
    pointer.SetHorizSize(8);
    pointer.SetVertSize(8);
    EXPECT_TRUE(pointer.HitTest(psArrow, {45, 62}, 50, 60)) << "beside the shaft, inside the head";
    EXPECT_FALSE(pointer.HitTest(psArrow, {45, 58}, 50, 60)) << "beside the shaft, above the head";
    EXPECT_TRUE(pointer.HitTest(psArrow, {50, 53}, 50, 60)) << "in the shaft";
}

TEST_F(SeriesPointerTest, DarkPenSizesMarginsAndDepths)
{
    TTestSeries series;
    series.MiddleZ = 20;
    series.StartZ = 0;
    series.EndZ = 40;
    TSeriesPointer pointer(&series);
    pointer.SetDarkPen(64);
    EXPECT_EQ(pointer.PenColorFor(100 | 30 << 8 | 200 << 16), static_cast<TColor>(36 | 0 << 8 | 136 << 16));
    pointer.SetDarkPen(-100);
    EXPECT_EQ(pointer.PenColorFor(100 | 30 << 8 | 200 << 16), static_cast<TColor>(200 | 130 << 8 | 255 << 16));
    pointer.SetDarkPen(0);
    pointer.Pen().SetColor(clDefault);
    EXPECT_EQ(pointer.PenColorFor(0x123456), 0x123456u);

    pointer.SetHorizSize(0);
    EXPECT_EQ(pointer.HorizSize(), 1);
    pointer.SetVertSize(-5);
    EXPECT_EQ(pointer.VertSize(), 1);

    pointer.SetDepth(3);
    EXPECT_EQ(pointer.StartZ(), 17);
    EXPECT_EQ(pointer.EndZ(), 23);
    pointer.SetDepth(0);
    EXPECT_EQ(pointer.StartZ(), 0);
    EXPECT_EQ(pointer.EndZ(), 40);

    pointer.SetHorizSize(4);
    pointer.SetVertSize(5);
    pointer.Pen().SetWidth(3);
    int left = 0, right = 9, top = 0, bottom = 0;
    pointer.HorizMarginsNeeded(left, right);
    pointer.VertMarginsNeeded(top, bottom);
    EXPECT_EQ(left, 4 + 3 / 2 + 1);
    EXPECT_EQ(right, 9) << "a wider margin stays";
    EXPECT_EQ(top, 5 + 3 / 2) << "vertically without the extra pixel";
    pointer.Pen().SetVisible(false);
    left = right = 0;
    pointer.HorizMarginsNeeded(left, right);
    EXPECT_EQ(left, 5);
    pointer.SetInflateMargins(false);
    left = 0;
    pointer.HorizMarginsNeeded(left, right);
    EXPECT_EQ(left, 0);
}

TEST_F(SeriesPointerTest, ExtrasAreCopiedAndKeptInChartFiles)
{
    TTestChart chart;
    auto* series = new TPointerTestSeries(&chart);
    series->SetName("Series1");
    series->SetParentChart(&chart);
    TSeriesPointer& pointer = series->Pointer();
    pointer.GetShadow()->SetVisible(true);
    pointer.GetEmboss()->SetColor(clRed);
    pointer.SetFullGradient(true);
    pointer.GetGradient()->SetVisible(true);
    pointer.SetSizeUnits(suAxis);
    pointer.SetTransparency(40);
    pointer.SetFloatSize(2.5f);
    const std::string text = ComponentTextOf(chart);
    for (const char* line : {"Pointer.Shadow.Visible = True", "Pointer.Emboss.Color = clRed", "Pointer.FullGradient = True",
                             "Pointer.Gradient.Visible = True", "Pointer.SizeUnits = suAxis", "Pointer.Transparency = 40"})
        EXPECT_NE(PointerLines(text).find(line), std::string::npos) << line << "\n" << text;

    TTestChart copy;
    ReadComponentText(copy, text);
    EXPECT_EQ(ComponentTextOf(copy), text);

    TSeriesPointer assigned;
    assigned.Assign(&pointer);
    EXPECT_TRUE(assigned.PeekShadow() && assigned.PeekShadow()->Visible());
    EXPECT_EQ(assigned.PeekEmboss()->Color(), clRed);
    EXPECT_TRUE(assigned.FullGradient());
    EXPECT_EQ(assigned.SizeUnits(), suAxis);
    EXPECT_EQ(assigned.Transparency(), 40);
    EXPECT_EQ(assigned.SizeFloat(), 2.5f);
    TSeriesPointer plain;
    assigned.Assign(&plain);
    EXPECT_EQ(assigned.PeekShadow(), nullptr) << "a source without a shadow frees the copy's";
    EXPECT_EQ(assigned.PeekEmboss(), nullptr);

    // The pointer paints on its series' chart, also when the series joined it later.
    chart.Recording().Clear();
    pointer.SetStyle(psCircle);
    EXPECT_EQ(chart.Recording().Texts("Invalidate").size(), 1u);
}

TEST_F(SeriesPointerTest, FractionalSizesTransparencyGradientAndPicture)
{
    TTestChart chart;
    auto* series = new TPointerTestSeries(&chart);
    series->SetParentChart(&chart);
    TSeriesPointer& pointer = series->Pointer();
    struct Size {
        float value;
        int pixels;
    } const sizes[] = {{0, 4}, {2.5f, 2}, {3.5f, 4}, {6.2f, 6}};
    for (const Size& k : sizes) {
        pointer.SetFloatSize(k.value);
        int h = 0, v = 0;
        pointer.CurrentSize(h, v);
        EXPECT_EQ(h, k.pixels) << k.value;
        EXPECT_EQ(v, k.pixels) << k.value;
    }
    pointer.SetFloatSize(0);

    pointer.SetTransparency(30);
    chart.Recording().Clear();
    pointer.DrawStyled(chart.Recording(), false, 50, 60, 4, 4, clRed, psRectangle);
    for (const TRecordedCall& call : chart.Recording().Calls) {
        if (call.Name == "Rectangle") {
            EXPECT_EQ(call.Transparency, 30);
        }
    }
    EXPECT_EQ(chart.Recording().Transparency, 0) << "the blending ends with the shape";
    pointer.SetTransparency(0);

    TDuvGradient& gradient = *pointer.GetGradient();
    gradient.SetVisible(true);
    gradient.SetEndColor(clBlue);
    pointer.SetFullGradient(true);
    pointer.DrawStyled(chart.Recording(), false, 50, 60, 4, 4, clRed, psRectangle);
    EXPECT_EQ(gradient.EndColor(), clBlue) << "a full gradient keeps its colours";
    pointer.SetFullGradient(false);
    pointer.DrawStyled(chart.Recording(), false, 50, 60, 4, 4, clRed, psRectangle);
    EXPECT_EQ(gradient.EndColor(), clRed) << "otherwise it ends at the point colour";
    gradient.SetVisible(false);

    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::green);
    pointer.GetPicture()->SetGraphic(&image);
    for (TSeriesPointerStyle style : {psRectangle, psCircle}) {
        chart.Recording().Clear();
        pointer.DrawStyled(chart.Recording(), false, 50, 60, 4, 4, clRed, style);
        EXPECT_EQ(chart.Recording().Texts("StretchDraw"), std::vector<std::string>{"StretchDraw(46,56,54,64,8,8)"});
        EXPECT_EQ(chart.Recording().Texts("ClipToEllipse").size(), style == psCircle ? 1u : 0u)
            << "round pointers clip their picture";
    }
}

TEST_F(SeriesPointerTest, ShadowsFollowTheShapesThatHaveThem)
{
    TTestChart chart;
    TSeriesPointer pointer;
    pointer.GetShadow()->SetVisible(true);
    for (TSeriesPointerStyle style : {psRectangle, psCircle, psHexagon, psDonut, psArrow, psTriangle, psCross}) {
        chart.Recording().Clear();
        pointer.DrawStyled(chart.Recording(), false, 50, 60, 4, 4, clRed, style);
        const std::size_t withShadow = chart.Recording().Calls.size();
        pointer.GetShadow()->SetVisible(false);
        chart.Recording().Clear();
        pointer.DrawStyled(chart.Recording(), false, 50, 60, 4, 4, clRed, style);
        const bool shadowed = style != psTriangle && style != psCross;
        EXPECT_EQ(withShadow > chart.Recording().Calls.size(), shadowed) << "style " << static_cast<int>(style);
        pointer.GetShadow()->SetVisible(true);
    }
}

TEST_F(SeriesPointerTest, LegendSymbolsKeepThePointersProportionsAndSize)
{
    struct Case {
        const char* what;
        int h, v;
        bool lineBehind;
        bool continuous;
        int shadow;
        const char* rectangle;
    } const cases[] = {
        {"small pointer", 4, 4, false, false, 0, "Rectangle(6,1,15,10)"},
        {"large pointer, held by the height", 10, 10, false, false, 0, "Rectangle(4,-1,17,12)"},
        {"wide pointer", 8, 4, false, false, 0, "Rectangle(2,1,19,10)"},
        {"line behind", 4, 4, true, false, 0, "Rectangle(6,1,15,10)"},
        {"line behind, large", 10, 10, true, false, 0, "Rectangle(5,0,16,11)"},
        {"continuous symbol", 4, 4, false, true, 0, "Rectangle(-1,-1,22,12)"},
        {"shadow", 10, 10, false, false, 4, "Rectangle(2,-1,15,12)"},
    };
    for (const Case& k : cases) {
        TTestChart chart;
        chart.Legend()->Symbol()->SetContinuous(k.continuous);
        auto* series = new TPointerTestSeries(&chart);
        series->SetParentChart(&chart);
        TSeriesPointer& pointer = series->Pointer();
        pointer.SetHorizSize(k.h);
        pointer.SetVertSize(k.v);
        pointer.SetSizeUnits(suAxis);
        if (k.shadow) {
            pointer.GetShadow()->SetVisible(true);
            pointer.GetShadow()->SetSize(k.shadow);
        }
        chart.Recording().Clear();
        DrawPointerLegendSymbol(pointer, clRed, {0, 0, 20, 10}, psRectangle, k.lineBehind);
        EXPECT_EQ(chart.Recording().Texts("Rectangle").back(), k.rectangle) << k.what;
        EXPECT_EQ(pointer.SizeUnits(), suAxis) << "the units come back";
    }
    TSeriesPointer lonely;
    TTestChart chart;
    chart.Recording().Clear();
    DrawPointerLegendSymbol(lonely, clRed, {0, 0, 20, 10}, psRectangle, false);
    EXPECT_TRUE(chart.Recording().Calls.empty()) << "nothing without a chart";
}

TEST_F(SeriesPointerTest, PerPointPointersAreCopiesMadeOnFirstUse)
{
    TTestSeries series;
    TSeriesPointerItems items(&series);
    items.SetStyle(psDiamond);
    EXPECT_EQ(items.Count(), 0);
    struct Case {
        int index;
    } const missing[] = {{-1}, {0}, {7}};
    for (const Case& k : missing) EXPECT_EQ(&items.ItemOrSelf(k.index), &items) << k.index;

    TSeriesPointer& third = items.GetPointerItem(2);
    EXPECT_EQ(items.Count(), 3) << "entries 0 and 1 stay empty";
    EXPECT_EQ(&items.ItemOrSelf(0), &items);
    EXPECT_EQ(&items.ItemOrSelf(2), &third);
    EXPECT_EQ(third.Style(), psDiamond) << "a copy of the series pointer";
    EXPECT_EQ(third.Series(), &series);
    third.SetStyle(psCircle);
    EXPECT_EQ(items.Style(), psDiamond);
    EXPECT_EQ(&items.GetPointerItem(2), &third) << "made once";

    items.DeleteItem(0);
    EXPECT_EQ(items.Count(), 2);
    EXPECT_EQ(&items.ItemOrSelf(1), &third) << "later entries move down";
    items.DeleteItem(5);
    EXPECT_EQ(items.Count(), 2);
    items.ClearItems();
    EXPECT_EQ(items.Count(), 0);
    EXPECT_EQ(&items.ItemOrSelf(1), &items);
}

namespace {

// Draws point i with pointer style i, so one chart shows every style.
class TStylesSeries : public TPointerTestSeries {
    QB_CLASS(TStylesSeries, TPointerTestSeries)
public:
    explicit TStylesSeries(TComponent* owner = nullptr) : TPointerTestSeries(owner) {}
    void DrawPoint(int index) override
    {
        const TColor color = GetPointColor(index);
        Pointer().PreparePen(ParentChart()->Canvas(), color);
        Pointer().DrawStyleAt(GetPointScreenX(index), GetPointScreenY(index), static_cast<TSeriesPointerStyle>(index),
                              color);
    }
};

}  // namespace

// All sixteen styles on the real canvas, compared with a picture a person has looked at. Rerun
// with QB_UPDATE_PICTURES set to write the picture anew after a deliberate change.
TEST_F(SeriesPointerTest, TheSixteenStylesLookAsTheirPicture)
{
    TChart chart;
    chart.SetBounds(0, 0, 320, 320);
    chart.SetView3D(false);
    chart.Legend()->SetVisible(false);
    chart.Title()->SetVisible(false);
    auto* series = new TStylesSeries(&chart);
    series->SetParentChart(&chart);
    series->SetSeriesColor(clBlue);
    series->Pointer().SetBothSizes(9);
    series->Pointer().Pen().SetColor(clBlack);
    series->XValues()->SetOrder(loNone);
    for (TChartAxis* axis : {chart.BottomAxis(), chart.LeftAxis()}) {
        axis->SetAutomatic(false);
        axis->SetMinMax(-0.5, 3.5);
    }
    for (int i = 0; i < 16; ++i) series->AddPointXY(i % 4, 3 - i / 4, "", i % 2 ? clRed : clDefault);
    const std::unique_ptr<QImage> picture = chart.CreatePanelBitmap();
    ASSERT_TRUE(picture);
    EXPECT_TRUE(qbtest::LooksLikePicture(*picture, "chart/series/pointer_styles.png", 200));
}
