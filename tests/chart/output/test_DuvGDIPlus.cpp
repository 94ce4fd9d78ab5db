#include "chart/output/DuvGDIPlus.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>
#include <numbers>

#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvPicture.h"
#include "chart/graphics/DuvShadow.h"
#include "chart/output/DuvGDIPOBJ.h"
#include "support_SmoothCanvas.h"

using namespace outputtest;

namespace {

bool Near(QRgb pixel, QRgb expected, int tolerance = 6) { return Distance(pixel, expected) <= tolerance; }

std::string Hex(QRgb p) { return QString::number(p, 16).toStdString(); }

}  // namespace

// ---------------------------------------------------------------- colours and opacity

TEST(GDIPlusCanvas, AlphaComesFromTheOpacityLessTheColoursTopByte)
{
    TSmoothFixture f;
    struct Case {
        const char* name;
        int blending;  // transparency of an enclosing BeginBlending, -1 none
        TColor color;
        int alpha;
    };
    const Case cases[] = {
        {"opaque colour on an opaque canvas", -1, 0x000000FF, 255},
        {"top byte 0x40 on an opaque canvas", -1, 0x400000FF, 191},
        {"top byte 0x40 inside a 20 % blending", 20, 0x400000FF, 140},
        {"the top byte exceeds the opacity", 90, 0x400000FF, 0},
        {"system colours keep their index, not a transparency", -1, static_cast<TColor>(0xFF00000F), 255},
    };
    for (const Case& c : cases) {
        if (c.blending >= 0) f.canvas.BeginBlending({}, c.blending);
        EXPECT_EQ(f.canvas.ArgbColor(c.color).alpha(), c.alpha) << c.name;
        if (c.blending >= 0) f.canvas.EndBlending(nullptr);
    }
    EXPECT_EQ(f.canvas.Opacity(), 255) << "EndBlending gives the opacity back";
}

TEST(GDIPlusCanvas, BlendingsNestAndFillsLandHalfTransparent)
{
    TSmoothFixture f;
    f.canvas.BeginBlending({}, 20);
    EXPECT_EQ(f.canvas.Opacity(), 204);
    f.canvas.BeginBlending({}, 50);
    EXPECT_EQ(f.canvas.Opacity(), 102) << "each blending scales the opacity in force";
    EXPECT_EQ(f.canvas.Transparency, 60) << "the combined percentage the shapes read stays a percentage";
    f.canvas.EndBlending(nullptr);
    f.canvas.EndBlending(nullptr);
    f.canvas.BeginBlending({}, 50);
    f.canvas.Brush().SetColor(kRed);
    f.canvas.FillRect({0, 0, 10, 10});
    f.canvas.EndBlending(nullptr);
    const QRgb p = f.At(5, 5);
    EXPECT_EQ(qRed(p), 255);
    EXPECT_NEAR(qGreen(p), 127, 2) << Hex(p);
    f.canvas.FillRect({20, 0, 30, 10});
    EXPECT_TRUE(Near(f.At(25, 5), qRgb(255, 0, 0), 0)) << "opaque again after EndBlending";
}

// ---------------------------------------------------------------- figures

TEST(GDIPlusCanvas, RectangleFillStaysInsideAWidePen)
{
    TSmoothFixture f;
    f.canvas.Pen().SetColor(kBlue);
    f.canvas.Pen().SetWidth(3);
    f.canvas.Rectangle(10, 10, 40, 40);
    EXPECT_TRUE(Near(f.At(25, 25), qRgb(255, 0, 0), 0)) << "inside";
    EXPECT_TRUE(Near(f.At(10, 25), qRgb(0, 0, 255), 0)) << "the stroke's middle";
    // The fill starts 1.5 pixels inside, where the stroke ends: half of pixel 11 is fill over
    // white, the other half stroke over that. A fill under the whole stroke would leave no
    // green, a fill further in no red.
    const QRgb half = f.At(11, 25);
    EXPECT_NEAR(qRed(half), 128, 12) << Hex(half);
    EXPECT_NEAR(qGreen(half), 64, 12) << Hex(half);
    EXPECT_NEAR(qBlue(half), 191, 12) << Hex(half);

    TSmoothFixture thin;
    thin.canvas.Pen().SetStyle(psClear);
    thin.canvas.Rectangle(10, 10, 40, 40);
    EXPECT_TRUE(Near(thin.At(10, 10), qRgb(255, 0, 0), 0)) << "a clear pen: the fill covers left and top";
    EXPECT_TRUE(Near(thin.At(39, 39), qRgb(255, 0, 0), 0)) << "up to right - 1 and bottom - 1";
    EXPECT_TRUE(Near(thin.At(40, 25), qRgb(255, 255, 255), 0));
    EXPECT_TRUE(Near(thin.At(9, 25), qRgb(255, 255, 255), 0));
    EXPECT_FALSE(thin.canvas.GdiPen()) << "a clear pen makes no painter pen";
}

TEST(GDIPlusCanvas, RoundRectCornersAreRoundedDownToEvenSizes)
{
    struct Case {
        const char* name;
        int corner;
        bool antiAlias;
        int x, y;
        bool filled;
    };
    const Case cases[] = {
        {"corner size 0 becomes 1: the corner pixel is filled", 0, true, 10, 10, true},
        {"a 20-pixel corner leaves the corner pixel", 20, true, 11, 11, false},
        {"inside the rounded corner", 20, true, 16, 16, true},
        {"antialiased: reaches right - 1", 0, true, 49, 30, true},
        {"not antialiased: one pixel narrower", 0, false, 49, 30, false},
        {"not antialiased: one pixel lower", 0, false, 30, 49, false},
    };
    for (const Case& c : cases) {
        TSmoothFixture f;
        f.canvas.SetAntiAlias(c.antiAlias);
        f.canvas.Pen().SetStyle(psClear);
        f.canvas.RoundRect(10, 10, 50, 50, c.corner, c.corner);
        const QRgb p = f.At(c.x, c.y);
        EXPECT_EQ(Near(p, qRgb(255, 0, 0), 40), c.filled) << c.name << " " << Hex(p);
    }
    const QPainterPath five = RoundRectPath(QRectF(0, 0, 40, 40), 5, 5);
    const QPainterPath four = RoundRectPath(QRectF(0, 0, 40, 40), 4, 4);
    EXPECT_EQ(five, four) << "5 x 5 corners are drawn as 4 x 4";
}

TEST(GDIPlusCanvas, PieAnglesStartAndSweep)
{
    struct Case {
        const char* name;
        double start, end;
        bool upperRight, upperLeft, lowerLeft, lowerRight, right;
    };
    const Case cases[] = {
        {"0 to 90 is the upper right quarter", 0, 90, true, false, false, false, false},
        {"300 to 30 sweeps 90 over the right", 300, 30, false, false, false, true, true},
        {"90 to 0: the end counts as 360", 90, 0, false, true, true, true, false},
    };
    for (const Case& c : cases) {
        TSmoothFixture f;
        f.canvas.Pen().SetStyle(psClear);
        f.canvas.PieAngles({10, 10, 50, 50}, c.start, c.end);
        auto red = [&](int x, int y) { return Near(f.At(x, y), qRgb(255, 0, 0), 0); };
        EXPECT_EQ(red(40, 20), c.upperRight) << c.name;
        EXPECT_EQ(red(20, 20), c.upperLeft) << c.name;
        EXPECT_EQ(red(20, 40), c.lowerLeft) << c.name;
        EXPECT_EQ(red(40, 40), c.lowerRight) << c.name;
        EXPECT_EQ(red(47, 30), c.right || c.lowerRight) << c.name;
    }
}

TEST(GDIPlusCanvas, DonutSliceLeavesItsHole)
{
    TSmoothFixture f;
    f.canvas.Pen().SetStyle(psClear);
    f.canvas.DonutSlice(30, 30, 20, 20, 0, std::numbers::pi / 2, 50);
    EXPECT_TRUE(Near(f.At(44, 24), qRgb(255, 0, 0), 0)) << "in the ring, upper right";
    EXPECT_TRUE(Near(f.At(33, 27), qRgb(255, 255, 255), 0)) << "in the hole";
    EXPECT_TRUE(Near(f.At(20, 40), qRgb(255, 255, 255), 0)) << "outside the slice's angles";
    EXPECT_TRUE(Near(f.At(31, 14), qRgb(255, 0, 0), 0)) << "near 90 degrees";
}

TEST(GDIPlusCanvas, ThinHorizontalLinesAreNotSmoothedButLaterShapesAre)
{
    TSmoothFixture f;
    f.canvas.Pen().SetWidth(0);
    f.canvas.HorizLine(5, 50, 20);
    f.canvas.VertLine(30, 25, 55);
    EXPECT_EQ(IntermediatePixels(f.Image(), qRgb(0, 0, 0)), 0) << "whole pixels";
    EXPECT_EQ(f.At(20, 20), qRgb(0, 0, 0));
    f.canvas.Ellipse(35, 25, 55, 45);
    EXPECT_GT(IntermediatePixels(f.Image().copy(34, 24, 23, 23), qRgb(255, 0, 0)), 8) << "the ellipse is smoothed again";
}

TEST(GDIPlusCanvas, XorStrokesGoThroughTheGdiCanvasAndUndoThemselves)
{
    TSmoothFixture f;
    f.canvas.Brush().SetColor(kGreen);
    f.canvas.FillRect({0, 0, 60, 60});
    const QImage before = f.Image().copy();
    f.canvas.ClipToRect({0, 0, 30, 60});
    f.canvas.Pen().SetMode(pmXor);
    f.canvas.Pen().SetColor(clWhite);
    f.canvas.Line(5, 20, 50, 20);
    EXPECT_TRUE(Near(f.At(10, 20), qRgb(255, 0, 255), 0)) << "white XOR green";
    EXPECT_TRUE(Near(f.At(40, 20), qRgb(0, 255, 0), 0)) << "the clip held for the GDI canvas";
    int smoothed = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x) smoothed += f.At(x, y) != qRgb(0, 255, 0) && f.At(x, y) != qRgb(255, 0, 255);
    EXPECT_EQ(smoothed, 0) << "XOR lines are not smoothed";
    f.canvas.Line(5, 20, 50, 20);
    EXPECT_EQ(f.Image(), before) << "drawn twice, the line is gone";
}

// ---------------------------------------------------------------- gradients

namespace {
struct TGradientFixture : TSmoothFixture {
    TDuvGradient& gradient;
    TGradientFixture(int w, int h) : TSmoothFixture(w, h), gradient(*canvas.Brush().GetGradient())
    {
        canvas.Pen().SetStyle(psClear);
        gradient.SetVisible(true);
        gradient.SetStartColor(kRed);
        gradient.SetMidColor(clNone);
        gradient.SetEndColor(kBlue);
    }
};
}  // namespace

TEST(GDIPlusCanvas, LinearGradientsPutTheirStopsAtTheEdgesOfTheirDirection)
{
    struct Case {
        const char* name;
        TGradientDirection direction;
        QPoint nearFirstStop, nearLastStop;
    };
    // The first stop (red) and the last (blue): the library's reversed directions keep their order.
    const Case cases[] = {
        {"top to bottom: last stop at the top", gdTopBottom, {20, 38}, {20, 1}},
        {"bottom to top: first stop at the top", gdBottomTop, {20, 1}, {20, 38}},
        {"left to right: last stop at the left", gdLeftRight, {38, 20}, {1, 20}},
        {"right to left: first stop at the left", gdRightLeft, {1, 20}, {38, 20}},
        {"from the top left: last stop in that corner", gdFromTopLeft, {38, 38}, {1, 1}},
        {"from the bottom left: last stop in that corner", gdFromBottomLeft, {38, 1}, {1, 38}},
        {"diagonal up: last stop at the top right", gdDiagonalUp, {1, 38}, {38, 1}},
        {"diagonal down: first stop at the top left", gdDiagonalDown, {1, 1}, {38, 38}},
    };
    for (const Case& c : cases) {
        TGradientFixture f(40, 40);
        f.gradient.SetDirection(c.direction);
        f.canvas.FillRect({0, 0, 40, 40});
        const QRgb first = f.At(c.nearFirstStop.x(), c.nearFirstStop.y());
        const QRgb last = f.At(c.nearLastStop.x(), c.nearLastStop.y());
        EXPECT_GT(qRed(first), 215) << c.name << " " << Hex(first);
        EXPECT_GT(qBlue(last), 215) << c.name << " " << Hex(last);
    }
}

TEST(GDIPlusCanvas, GradientAngleIsAddedToTheDirectionsAngle)
{
    TGradientFixture straight(100, 100), turned(100, 100);
    turned.gradient.SetAngle(10);
    straight.canvas.FillRect({0, 0, 100, 100});
    turned.canvas.FillRect({0, 0, 100, 100});
    EXPECT_EQ(straight.At(2, 2), straight.At(97, 2)) << "at 90 degrees a row is one colour";
    // At 100 degrees the top right starts the run: it is bluer than the top left.
    EXPECT_GT(qBlue(turned.At(97, 2)), qBlue(turned.At(2, 2)) + 10);
}

TEST(GDIPlusCanvas, RadialGradientIsAGrownEllipseAroundAMovableCentre)
{
    TGradientFixture f(100, 40);
    f.gradient.SetDirection(gdRadial);
    f.canvas.FillRect({0, 0, 100, 40});
    EXPECT_GT(qRed(f.At(50, 20)), 245) << "the first stop lies at the centre";
    // The ellipse is 150 wide: the rectangle's left edge is two thirds of the way out.
    const QRgb edge = f.At(0, 20);
    EXPECT_NEAR(qBlue(edge), 255 * 50 / 76, 25) << Hex(edge);
    EXPECT_GT(qRed(edge), 40) << "the last stop lies beyond the rectangle";

    TGradientFixture moved(100, 40);
    moved.gradient.SetDirection(gdRadial);
    moved.gradient.SetRadialX(20);
    moved.canvas.FillRect({0, 0, 100, 40});
    EXPECT_GT(qRed(moved.At(70, 20)), 245) << "RadialX moves the centre";
    EXPECT_LT(qRed(moved.At(50, 20)), qRed(moved.At(70, 20)) - 20);
}

TEST(GDIPlusCanvas, GradientFromCentreRunsToTheRectanglesEdges)
{
    TGradientFixture f(40, 40);
    f.gradient.SetDirection(gdFromCenter);
    f.canvas.FillRect({0, 0, 40, 40});
    EXPECT_GT(qRed(f.At(20, 20)), 230) << "first stop in the middle";
    EXPECT_GT(qBlue(f.At(0, 20)), 215) << "last stop at the edges";
    EXPECT_GT(qBlue(f.At(0, 0)), 215) << "and in the corners: the rings are rectangles";
}

TEST(GDIPlusCanvas, StopOffsetsCountOnlyBeyondTwoStops)
{
    TGradientFixture two(20, 100);
    two.gradient.SetDirection(gdBottomTop);
    two.gradient.GetColors()->Stop(1)->SetOffset(0.3);
    two.canvas.FillRect({0, 0, 20, 100});
    const QRgb middle = two.At(10, 50);
    EXPECT_NEAR(qRed(middle), 128, 12) << "two stops blend over the whole run: " << Hex(middle);

    TGradientFixture three(20, 100);
    three.gradient.SetDirection(gdBottomTop);
    three.gradient.SetMidColor(kGreen);
    three.canvas.FillRect({0, 0, 20, 100});
    EXPECT_GT(qGreen(three.At(10, 50)), 240) << "the middle stop at its offset";
}

TEST(GDIPlusCanvas, GradientsTakeAnyNumberOfStops)
{
    TGradientFixture f(20, 100);
    f.gradient.SetDirection(gdBottomTop);
    TDuvGradientColors& colors = *f.gradient.GetColors();
    colors.Clear();
    for (int i = 0; i < 300; ++i) colors.AddStop(i < 150 ? kRed : i < 280 ? kBlue : kGreen, 0, i / 299.0);
    f.canvas.FillRect({0, 0, 20, 100});
    EXPECT_GT(qRed(f.At(10, 1)), 240);
    EXPECT_GT(qRed(f.At(10, 48)), 240);
    EXPECT_GT(qBlue(f.At(10, 52)), 240);
    EXPECT_GT(qGreen(f.At(10, 98)), 240) << "the stops past the 256th are there";
}

TEST(GDIPlusCanvas, PresetBlendsRefuseAnEmptyList)
{
    QLinearGradient gradient;
    gradient.setStops({{0, Qt::red}, {1, Qt::blue}});
    EXPECT_EQ(SetPresetBlend(gradient, {}, {}), gpInvalidParameter);
    EXPECT_EQ(SetPresetBlend(gradient, {Qt::green}, {}), gpInvalidParameter);
    EXPECT_EQ(gradient.stops().size(), 2) << "a refused blend leaves the gradient as it was";
    EXPECT_EQ(SetPresetBlend(gradient, {Qt::green}, {0.5}), gpOk);
}

// ---------------------------------------------------------------- pictures and shadows

TEST(GDIPlusCanvas, TexturesTakeTheBlendingsOpacity)
{
    TSmoothFixture f;
    QImage tile(2, 2, QImage::Format_RGB32);
    tile.fill(qRgb(0, 255, 0));
    f.canvas.Brush().GetImage()->SetGraphic(&tile);
    f.canvas.BeginBlending({}, 50);
    f.canvas.FillRect({0, 0, 20, 20});
    f.canvas.EndBlending(nullptr);
    const QRgb p = f.At(10, 10);
    EXPECT_NEAR(qRed(p), 127, 2) << Hex(p);
    EXPECT_EQ(qGreen(p), 255);
}

TEST(GDIPlusCanvas, StretchDrawKeepsTransparentPixelsTransparent)
{
    TSmoothFixture f;
    QImage picture(2, 2, QImage::Format_ARGB32);
    picture.fill(qRgba(0, 0, 255, 255));
    picture.setPixel(0, 1, qRgba(255, 255, 255, 0));
    f.canvas.Brush().SetColor(kGreen);
    f.canvas.FillRect({0, 0, 60, 60});
    f.canvas.StretchQuality = sqLow;
    f.canvas.StretchDraw({10, 10, 30, 30}, picture);
    EXPECT_TRUE(Near(f.At(25, 15), qRgb(0, 0, 255), 0)) << "an opaque pixel, stretched";
    EXPECT_TRUE(Near(f.At(15, 25), qRgb(0, 255, 0), 0)) << "the transparent one shows what lies below";
}

TEST(GDIPlusCanvas, SmoothShadowsFadeOverATenthToThreeTenths)
{
    struct Case {
        int blur;
        int fadingAt, solidAt;  // pixels in from the left edge of a 100-pixel round shadow
    };
    for (const Case& c : {Case{0, 2, 7}, Case{100, 12, 17}}) {
        TSmoothFixture f(120, 120);
        TDuvShadow shadow;
        shadow.SetSmooth(true);
        shadow.SetSmoothBlur(c.blur);
        shadow.SetColor(clBlack);
        f.canvas.DrawShadow(shadow, {10, 10, 110, 110}, true, 0, {}, -1, 0, 0, 360);
        const QRgb fading = f.At(10 + c.fadingAt, 60), solid = f.At(10 + c.solidAt, 60);
        EXPECT_GT(qRed(fading), 30) << "blur " << c.blur << ": " << Hex(fading);
        EXPECT_LT(qRed(solid), 8) << "blur " << c.blur << ": " << Hex(solid);
        EXPECT_EQ(qRed(f.At(60, 60)), 0);
    }
}

TEST(GDIPlusCanvas, PlainShadowsTakeTheirTransparency)
{
    TSmoothFixture f;
    TDuvShadow shadow;
    shadow.SetSmooth(false);
    shadow.SetColor(clBlack);
    shadow.SetTransparency(50);
    f.canvas.DrawShadow(shadow, {10, 10, 50, 50}, false, 0, {}, -1, 0, 0, 360);
    EXPECT_NEAR(qRed(f.At(30, 30)), 127, 2);
}

TEST(GDIPlusCanvas, StretchBitmapFillsTheWholeTarget)
{
    QImage source(2, 1, QImage::Format_RGB32);
    source.setPixel(0, 0, qRgb(255, 0, 0));
    source.setPixel(1, 0, qRgb(0, 0, 255));
    QImage target(40, 10, QImage::Format_RGB32);
    target.fill(Qt::white);
    TGDIPlusCanvas::StretchBitmap(source, target);
    EXPECT_GT(qRed(target.pixel(1, 5)), 200);
    EXPECT_GT(qBlue(target.pixel(38, 5)), 200);
    EXPECT_LT(qGreen(target.pixel(20, 5)), 60) << "no white left";
}

// ---------------------------------------------------------------- the same figures as the GDI canvas

TEST(GDIPlusCanvas, FiguresCoverWhatTheGdiCanvasCoversAwayFromTheirEdges)
{
    StartOutputModules();
    auto draw = [](TCanvas3D& canvas) {
        canvas.Brush().SetColor(kRed);
        canvas.Pen().SetColor(kBlue);
        canvas.Rectangle(5, 5, 40, 30);
        canvas.Brush().SetColor(kGreen);
        canvas.Ellipse(50, 5, 110, 45);
        canvas.Brush().SetColor(0x808000);
        canvas.Polygon({{10, 50}, {60, 60}, {30, 110}});
        canvas.Brush().SetColor(0x008080);
        canvas.PieAngles({70, 55, 115, 100}, 30, 250);
        canvas.Pen().SetWidth(4);
        canvas.Brush().SetColor(kBlue);
        canvas.RoundRect(70, 105, 115, 118, 6, 6);
    };
    TDuvCanvas3D gdi;
    gdi.InitWindow(nullptr, nullptr, clWhite, false, {0, 0, 120, 120});
    draw(gdi);
    TSmoothFixture smooth(120, 120);
    draw(smooth.canvas);
    const QImage& a = *gdi.BufferBitmap();
    const QImage& b = smooth.Image();
    int compared = 0;
    for (int y = 2; y < 118; ++y)
        for (int x = 2; x < 118; ++x) {
            const QRgb centre = a.pixel(x, y);
            bool uniform = true;
            for (int dy = -2; dy <= 2 && uniform; ++dy)
                for (int dx = -2; dx <= 2 && uniform; ++dx) uniform = a.pixel(x + dx, y + dy) == centre;
            if (!uniform) continue;
            ++compared;
            ASSERT_EQ(b.pixel(x, y) & 0xFFFFFF, centre & 0xFFFFFF) << "at " << x << "," << y;
        }
    EXPECT_GT(compared, 8000);
}
