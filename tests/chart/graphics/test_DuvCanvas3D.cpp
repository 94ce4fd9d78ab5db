#include "chart/graphics/DuvCanvas3D.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <limits>
#include <string>

#include "chart/graphics/DuvBasePath.h"
#include "chart/graphics/DuvBlend.h"
#include "chart/graphics/DuvBrush.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvPicture.h"
#include "chart/graphics/DuvShadow.h"

namespace {

constexpr TColor clRed = 0x0000FF, clBlue = 0xFF0000, clGreen = 0x00FF00;

// A buffered canvas of w x h pixels, white, with a black 1-pixel pen and a red brush.
struct Fixture {
    TDuvCanvas3D canvas;
    explicit Fixture(int w = 40, int h = 20)
    {
        canvas.InitWindow(nullptr, nullptr, clWhite, false, {0, 0, w, h});
        canvas.Brush().SetColor(clRed);
        canvas.Pen().SetColor(clBlack);
    }
    TColor At(int x, int y) { return canvas.GetPixel(x, y); }
    // The row y from x0 to x1 (exclusive) as '#' for the colour and '.' for anything else.
    std::string Row(int y, int x0, int x1, TColor color = clBlack)
    {
        std::string text;
        for (int x = x0; x < x1; ++x) text += At(x, y) == color ? '#' : '.';
        return text;
    }
    QImage Snapshot() { return canvas.BufferBitmap()->copy(); }
};

TEST(DuvCanvas3D, RectangleRightAndBottomEdgesAreExclusive)
{
    struct Case {
        const char* name;
        TPenStyle pen;
        int x, y;
        TColor expected;
    };
    const Case cases[] = {
        {"top-left corner on the outline", psSolid, 2, 2, clBlack},
        {"last column is outline", psSolid, 7, 4, clBlack},
        {"last row is outline", psSolid, 4, 5, clBlack},
        {"inside filled", psSolid, 4, 4, clRed},
        {"right edge untouched", psSolid, 8, 4, clWhite},
        {"bottom edge untouched", psSolid, 4, 6, clWhite},
        {"clear pen fills from the left", psClear, 2, 2, clRed},
        {"clear pen leaves the right edge", psClear, 8, 3, clWhite},
        {"clear pen leaves the bottom edge", psClear, 3, 6, clWhite},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.canvas.Pen().SetStyle(c.pen);
        f.canvas.Rectangle(2, 2, 8, 6);
        EXPECT_EQ(f.At(c.x, c.y), c.expected) << c.name;
    }
}

TEST(DuvCanvas3D, OnePixelPenLeavesOutTheLastPoint)
{
    Fixture f;
    f.canvas.MoveTo(1, 1);
    f.canvas.LineTo(6, 1);
    f.canvas.MoveTo(1, 3);
    f.canvas.LineTo(1, 3);  // a line of no length draws nothing
    f.canvas.Line(2, 5, 5, 8);
    EXPECT_EQ(f.Row(1, 0, 8), ".#####..");
    EXPECT_EQ(f.Row(3, 0, 8), "........");
    EXPECT_EQ(f.At(4, 7), clBlack);
    EXPECT_EQ(f.At(5, 8), clWhite);
    EXPECT_EQ(f.Row(2, 0, 8), "........") << "a 1-pixel pen is one pixel wide";
}

TEST(DuvCanvas3D, DashPatternsAreTheDevicesOwn)
{
    struct Case {
        TPenStyle style;
        const char* row;
    };
    const Case cases[] = {
        {psSolid, "##############################"},
        {psDash, "##################......######"},
        {psDot, "###...###...###...###...###..."},
        {psDashDot, "#########......###......######"},
        {psDashDotDot, "#########...###...###...######"},
        {psAlternate, "#.#.#.#.#.#.#.#.#.#.#.#.#.#.#."},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.canvas.Pen().SetStyle(c.style);
        f.canvas.Line(0, 2, 39, 2);
        EXPECT_EQ(f.Row(2, 0, 30), c.row) << EnumTypeInfo(c.style).Name(c.style);
    }
}

TEST(DuvCanvas3D, XorDrawingTwiceRestoresThePicture)
{
    Fixture f;
    f.canvas.Brush().SetColor(clGreen);
    f.canvas.Rectangle(0, 0, 20, 10);
    f.canvas.Brush().SetColor(0x336699);
    f.canvas.Ellipse(10, 4, 30, 18);
    const QImage before = f.Snapshot();
    f.canvas.Pen().SetMode(pmXor);
    f.canvas.Pen().SetColor(0xFFFFFF);
    f.canvas.Brush().SetStyle(bsClear);
    for (int pass = 0; pass < 2; ++pass) {
        f.canvas.Rectangle(5, 2, 25, 15);
        f.canvas.Line(0, 0, 39, 19);
        if (pass == 0) {
            EXPECT_NE(f.Snapshot(), before) << "the first pass shows";
        }
    }
    EXPECT_EQ(f.Snapshot(), before);
}

TEST(DuvCanvas3D, NestedClipsRestoreInReverseOrder)
{
    Fixture f(30, 30);
    auto fill = [&](TColor color) {
        f.canvas.Brush().SetColor(color);
        f.canvas.FillRect({0, 0, 30, 30});
    };
    f.canvas.ClipToRect({0, 0, 10, 10});
    f.canvas.ClipToRect({5, 5, 20, 20});
    fill(clRed);
    EXPECT_EQ(f.At(7, 7), clRed);
    EXPECT_EQ(f.At(3, 3), clWhite);
    EXPECT_EQ(f.At(12, 12), clWhite);
    f.canvas.Unclip();
    fill(clGreen);
    EXPECT_EQ(f.At(3, 3), clGreen);
    EXPECT_EQ(f.At(9, 9), clGreen);
    EXPECT_EQ(f.At(10, 10), clWhite);
    f.canvas.Unclip();
    EXPECT_FALSE(f.canvas.CurrentClip().has_value());
    fill(clBlue);
    EXPECT_EQ(f.At(29, 29), clBlue);
}

TEST(DuvCanvas3D, EveryCanvasKeepsItsOwnClipHistory)
{
    Fixture a, b;
    a.canvas.ClipToRect({0, 0, 10, 10});
    a.canvas.ClipToRect({2, 2, 8, 8});
    b.canvas.ClipToRect({0, 0, 5, 5});
    b.canvas.Unclip();
    // Unclipping b must not take a's saved clip.
    EXPECT_EQ(a.canvas.ClipHistory().size(), 1u);
    EXPECT_FALSE(b.canvas.CurrentClip().has_value());
    a.canvas.Unclip();
    ASSERT_TRUE(a.canvas.CurrentClip().has_value());
    EXPECT_EQ(a.canvas.CurrentClip()->boundingRect(), QRect(0, 0, 10, 10));
}

TEST(DuvCanvas3D, ClipCubeOfAFlatChartLeavesTheFrame)
{
    Fixture f;
    f.canvas.ClipCube({10, 2, 30, 12}, 0, 5);
    EXPECT_EQ(f.canvas.CurrentClip()->boundingRect(), QRect(11, 3, 19, 8));
}

TEST(DuvCanvas3D, RectanglesOfExtremeCoordinatesCoverTheCanvas)
{
    constexpr int lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    struct Case {
        const char* name;
        TRect rect;
        bool clipFirst;
    };
    const Case cases[] = {
        {"whole int range", {lo, lo, hi, hi}, false},
        {"reversed whole range", {hi, hi, lo, lo}, false},
        {"from far left to far right", {lo, 2, hi, 8}, false},
        {"clip to the whole int range", {lo, lo, hi, hi}, true},
    };
    for (const Case& c : cases) {
        Fixture f;
        if (c.clipFirst) {
            f.canvas.ClipToRect(c.rect);
            f.canvas.FillRect({0, 0, 40, 20});
            f.canvas.Unclip();
        } else {
            f.canvas.FillRect(c.rect);
        }
        EXPECT_EQ(f.At(5, 5), clRed) << c.name;
        EXPECT_EQ(f.At(39, 7), clRed) << c.name;
    }
}

TEST(DuvCanvas3D, VerticalGradientBands)
{
    Fixture f(4, 10);
    TDuvGradient* g = f.canvas.GetBrushGradient();
    g->SetStartColor(clRed);
    g->SetEndColor(clBlue);
    g->SetVisible(true);
    f.canvas.FillRect({0, 0, 4, 10});
    EXPECT_EQ(f.At(2, 9), clRed) << "bottom row";
    EXPECT_EQ(f.At(2, 0), clBlue) << "top row";
    EXPECT_EQ(f.At(2, 5), static_cast<TColor>(142 | (0 << 8) | (113 << 16)));
    for (int y = 1; y < 10; ++y) EXPECT_NE(f.At(0, y), f.At(0, y - 1)) << "one band per row, row " << y;

    g->SetDirection(gdBottomTop);
    f.canvas.FillRect({0, 0, 4, 10});
    EXPECT_EQ(f.At(2, 9), clBlue);
    EXPECT_EQ(f.At(2, 0), clRed);
}

TEST(DuvCanvas3D, GradientOfOnePixelHeightPaintsNothing)
{
    Fixture f(4, 10);
    f.canvas.GradientFill({0, 3, 4, 4}, clRed, clBlue, gdTopBottom, 50, 0, 0);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(f.At(x, 3), clWhite);
}

TEST(DuvCanvas3D, GradientBandsOfAVeryLongSideStartAtTheStartColour)
{
    struct Case {
        TGradientDirection direction;
        TRect rect;
        int x, y;
    };
    const Case cases[] = {
        {gdTopBottom, {0, -20000000, 4, 10}, 2, 9},
        {gdLeftRight, {-20000000, 0, 4, 10}, 3, 5},
    };
    for (const Case& c : cases) {
        Fixture f(4, 10);
        f.canvas.GradientFill(c.rect, clRed, clBlue, c.direction, 50, 0, 0);
        EXPECT_EQ(f.At(c.x, c.y), clRed) << c.direction;
        EXPECT_EQ(f.At(0, 0), clRed) << c.direction << ": the first band is longer than the picture";
    }
}

TEST(DuvCanvas3D, PixelStepGradientsOfAHugeRectangleAreLeftOutQuickly)
{
    constexpr int lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    const TGradientDirection directions[] = {gdFromCenter, gdFromTopLeft, gdFromBottomLeft, gdDiagonalUp,
                                             gdDiagonalDown};
    const TRect rects[] = {{lo, lo, hi, hi}, {0, 0, 1 << 30, 1 << 30}, {0, 0, hi, 1}, {0, 0, 1, hi}};
    for (TGradientDirection direction : directions)
        for (const TRect& rect : rects) {
            Fixture f(8, 8);
            f.canvas.GradientFill(rect, clRed, clBlue, direction, 50, 0, 0);
            EXPECT_EQ(f.At(3, 3), clWhite) << direction << " " << rect.Right;
        }
}

TEST(DuvCanvas3D, GradientDirectionsAndMiddleColour)
{
    struct Case {
        const char* name;
        TGradientDirection direction;
        TColor middle;
        int x, y;
        TColor expected;
    };
    const Case cases[] = {
        {"left-right starts at the right", gdLeftRight, clNone, 19, 5, clRed},
        {"left-right ends at the left", gdLeftRight, clNone, 0, 5, clBlue},
        {"from centre: end colour on the border", gdFromCenter, clNone, 0, 0, clBlue},
        {"middle colour: start at the bottom", gdTopBottom, clGreen, 5, 19, clRed},
        {"middle colour: end at the top", gdTopBottom, clGreen, 5, 0, clBlue},
        {"middle colour: middle in the centre", gdTopBottom, clGreen, 5, 9, clGreen},
    };
    for (const Case& c : cases) {
        Fixture f(20, 20);
        TDuvGradient* g = f.canvas.GetBrushGradient();
        g->SetDirection(c.direction);
        g->SetStartColor(clRed);
        g->SetEndColor(clBlue);
        g->SetMidColor(c.middle);
        g->SetVisible(true);
        f.canvas.FillRect({0, 0, 20, 20});
        EXPECT_EQ(f.At(c.x, c.y), c.expected) << c.name;
    }
}

TEST(DuvCanvas3D, GradientFromCentreRunsToTheStartColour)
{
    Fixture f(20, 20);
    f.canvas.GradientFill({0, 0, 20, 20}, clRed, clBlue, gdFromCenter, 50, 0, 0);
    auto red = [&](int x, int y) { return f.At(x, y) & 0xFF; };
    EXPECT_EQ(f.At(0, 10), clBlue);
    EXPECT_LT(red(3, 10), red(6, 10));
    EXPECT_LT(red(6, 10), red(10, 10));
    EXPECT_GT(red(10, 10), 220) << "the middle is nearly the start colour";
}

TEST(DuvCanvas3D, RadialGradientOfAnEmptyRectanglePaintsNothing)
{
    Fixture f(10, 10);
    f.canvas.GradientFill({3, 3, 3, 3}, clRed, clBlue, gdRadial, 50, 0, 0);
    EXPECT_EQ(f.Snapshot().pixel(3, 3) & 0xFFFFFF, 0xFFFFFFu);
    f.canvas.GradientFill({0, 0, 10, 10}, clRed, clBlue, gdRadial, 50, 0, 0);
    EXPECT_EQ(f.At(0, 0), clBlue) << "the corners keep the end colour";
    EXPECT_GT(f.At(6, 6) & 0xFF, (f.At(6, 6) >> 16) & 0xFF) << "the centre leans to the start colour";
    EXPECT_GT(f.At(6, 6) & 0xFF, f.At(1, 6) & 0xFF);
    EXPECT_FALSE(f.canvas.CurrentClip().has_value());
}

// A picture with a different colour in each pixel, so a shifted resample shows.
QImage Checkered(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(40 * x, 60 * y, 200 - 30 * x - 20 * y));
    return image;
}

TEST(DuvCanvas3D, HighQualityStretchOfAPartlyVisiblePictureMatchesTheWholeResample)
{
    struct Case {
        const char* name;
        TRect target;
        TRect clip;
    };
    const Case cases[] = {
        {"inside the canvas", {4, 2, 30, 18}, {0, 0, 40, 20}},
        {"over the top left corner", {-20, -10, 30, 15}, {0, 0, 40, 20}},
        {"over the bottom right corner", {10, 5, 70, 50}, {0, 0, 40, 20}},
        {"larger than the canvas on every side", {-30, -25, 80, 60}, {0, 0, 40, 20}},
        {"clipped inside the canvas", {-30, -25, 80, 60}, {5, 4, 25, 16}},
    };
    const QImage picture = Checkered(5, 4);
    for (const Case& c : cases) {
        Fixture f;
        f.canvas.ClipToRect(c.clip);
        f.canvas.StretchDraw(c.target, picture);
        QImage whole(c.target.Right - c.target.Left, c.target.Bottom - c.target.Top, QImage::Format_RGB32);
        ResampleBitmap(picture, whole);
        for (int y = c.clip.Top; y < c.clip.Bottom; ++y)
            for (int x = c.clip.Left; x < c.clip.Right; ++x) {
                const QPoint at(x - c.target.Left, y - c.target.Top);
                const QRgb expected = whole.rect().contains(at) ? whole.pixel(at) : qRgb(255, 255, 255);
                ASSERT_EQ(f.Snapshot().pixel(x, y), expected) << c.name << " at " << x << "," << y;
            }
    }
}

TEST(DuvCanvas3D, HighQualityStretchOfAHugeTargetDrawsTheVisiblePart)
{
    const TRect targets[] = {{-5000, -5000, 5000, 5000}, {-100000000, -100000000, 100000000, 100000000}};
    for (const TRect& target : targets) {
        Fixture f;
        QImage picture(3, 3, QImage::Format_RGB32);
        picture.fill(qRgb(0, 0, 255));
        f.canvas.StretchDraw(target, picture);
        EXPECT_EQ(f.At(0, 0), clBlue) << target.Right;
        EXPECT_EQ(f.At(39, 19), clBlue) << target.Right;
    }
}

TEST(DuvCanvas3D, BufferIsReusedUntilInvalidated)
{
    Fixture f(8, 6);
    f.canvas.FillRect({0, 0, 8, 6});
    QImage window(20, 20, QImage::Format_RGB32);
    window.fill(Qt::white);
    QPainter painter(&window);
    QImage copy;
    EXPECT_FALSE(f.canvas.CopyBufferTo(copy, {0, 0, 8, 6})) << "dirty before it was shown";
    f.canvas.ShowBuffer(&painter, &painter, {3, 4, 11, 10});
    EXPECT_EQ(window.pixel(3, 4) & 0xFFFFFF, 0xFF0000u) << "red buffer at the rectangle";
    EXPECT_EQ(window.pixel(11, 4) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_TRUE(f.canvas.ReuseBuffer());
    EXPECT_FALSE(f.canvas.CopyBufferTo(copy, {0, 0, 9, 6}));
    EXPECT_TRUE(f.canvas.CopyBufferTo(copy, {0, 0, 8, 6}));
    EXPECT_EQ(copy.size(), QSize(8, 6));
    f.canvas.Invalidate();
    EXPECT_FALSE(f.canvas.ReuseBuffer());
}

TEST(DuvCanvas3D, CanvasClassesAreFoundByExactName)
{
    DuvCanvas3DInitialization();
    ASSERT_NE(CanvasClassList, nullptr);
    ASSERT_EQ(CanvasClassList->size(), 1u);
    EXPECT_EQ(CanvasClassList->front().ClassName, "TDuvCanvas3D");
    RegisterCanvasClass({"TOtherCanvas", [] { return std::make_unique<TDuvCanvas3D>(); }});
    EXPECT_EQ(FindCanvasClass("TOtherCanvas").ClassName, "TOtherCanvas");
    EXPECT_EQ(FindCanvasClass("tothercanvas").ClassName, "TDuvCanvas3D") << "names compare with case";
    EXPECT_EQ(FindCanvasClass("").ClassName, "TDuvCanvas3D");
    const auto canvas = FindCanvasClass("TDuvCanvas3D").Create();
    EXPECT_EQ(canvas->GetDescription(), "GDI");
    UnregisterCanvasClass("TOtherCanvas");
    EXPECT_EQ(CanvasClassList->size(), 1u);
    DuvCanvas3DFinalization();
    EXPECT_EQ(CanvasClassList, nullptr);
}

TEST(DuvCanvas3D, TextShadowShiftsTheText)
{
    Fixture f(60, 30);
    f.canvas.SetBackMode(TRANSPARENT);
    f.canvas.Font().SetSize(14);
    f.canvas.Font().SetStyle(TFontStyles{fsBold});
    TDuvShadow* shadow = f.canvas.Font().GetShadow();
    shadow->SetHorizSize(-2);
    shadow->SetVertSize(0);
    shadow->SetSmooth(false);
    shadow->SetTransparency(0);
    shadow->SetColor(clBlue);
    f.canvas.TextOut(10, 5, "I");
    int firstBlack = -1, firstBlue = -1;
    for (int x = 0; x < 60 && (firstBlack < 0 || firstBlue < 0); ++x)
        for (int y = 0; y < 30; ++y) {
            if (firstBlack < 0 && f.At(x, y) == clBlack) firstBlack = x;
            if (firstBlue < 0 && f.At(x, y) == clBlue) firstBlue = x;
        }
    ASSERT_GE(firstBlue, 0);
    ASSERT_GE(firstBlack, 0);
    EXPECT_EQ(firstBlack - firstBlue, 2) << "the shadow at X, the text 2 pixels to the right";
}

// ---------------------------------------------------------------- figures drawn through a path

// The triangle (2, 2), (22, 2), (2, 18) as one closed figure, drawn through the canvas's path.
void DrawTriangle(TDuvCanvas3D& canvas)
{
    std::unique_ptr<TDuvBasePath> path = canvas.CreatePath();
    path->AddPoints({{2, 2}, {22, 2}, {2, 18}}, 2, true);
    path->Draw(canvas);
}

constexpr TColor clYellow = 0x00FFFF, clTeal = 0x808000;

// Green, yellow over blue, teal: the brush picture of the figure tests.
QImage FourColours()
{
    QImage image(2, 2, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(0, 255, 0));
    image.setPixel(1, 0, qRgb(255, 255, 0));
    image.setPixel(0, 1, qRgb(0, 0, 255));
    image.setPixel(1, 1, qRgb(0, 128, 128));
    return image;
}

TEST(DuvCanvas3D, PathFillsWithTheBrushAndOutlinesWithAVisiblePen)
{
    enum Fill { kColour, kClear, kPicture, kGradient };
    struct Probe {
        int x, y;
        TColor expected;
    };
    struct Case {
        const char* name;
        Fill fill;
        bool pen;
        std::vector<Probe> probes;
    };
    const Case cases[] = {
        {"colour and pen", kColour, true, {{2, 2, clBlack}, {2, 10, clBlack}, {5, 5, clRed}, {20, 16, clWhite}}},
        {"colour without pen", kColour, false, {{2, 10, clRed}, {5, 5, clRed}, {3, 2, clRed}}},
        {"clear brush, pen", kClear, true, {{2, 10, clBlack}, {5, 5, clWhite}}},
        {"clear brush, no pen: nothing", kClear, false, {{2, 2, clWhite}, {2, 10, clWhite}, {5, 5, clWhite}}},
        // the picture is stretched over the figure's bounds (20 x 16) and shows only inside it
        {"picture and pen",
         kPicture,
         true,
         {{2, 10, clBlack}, {5, 4, clGreen}, {16, 4, clYellow}, {5, 14, clBlue}, {20, 16, clWhite}, {16, 12, clWhite}}},
        {"picture without pen", kPicture, false, {{2, 10, clBlue}, {2, 2, clGreen}, {21, 2, clYellow}, {20, 16, clWhite}}},
        // top to bottom: blue at the top row of the bounds, red at their bottom row
        {"gradient and pen", kGradient, true, {{3, 3, 0xEE0011}, {2, 10, clBlack}, {20, 16, clWhite}}},  // a band below the top
        {"gradient without pen", kGradient, false, {{2, 2, clBlue}, {2, 17, clRed}, {20, 16, clWhite}}},
    };
    for (const Case& c : cases) {
        Fixture f(30, 20);
        if (c.fill == kClear) f.canvas.Brush().SetStyle(bsClear);
        const QImage picture = FourColours();
        if (c.fill == kPicture) f.canvas.Brush().GetImage()->SetGraphic(&picture);
        if (c.fill == kGradient) {
            TDuvGradient* g = f.canvas.GetBrushGradient();
            g->SetStartColor(clRed);
            g->SetEndColor(clBlue);
            g->SetVisible(true);
        }
        f.canvas.Pen().SetVisible(c.pen);
        DrawTriangle(f.canvas);
        for (const Probe& p : c.probes)
            EXPECT_EQ(f.At(p.x, p.y), p.expected) << c.name << " at " << p.x << "," << p.y;
        EXPECT_EQ(f.At(25, 5), clWhite) << c.name << ": outside the figure's bounds";
        if (c.fill == kPicture) {
            int red = 0;
            for (int y = 0; y < 20; ++y) red += f.Row(y, 0, 30, clRed).find('#') != std::string::npos;
            EXPECT_EQ(red, 0) << c.name << ": the brush colour is not painted";
        }
        EXPECT_FALSE(f.canvas.CurrentClip().has_value()) << c.name << ": the figure's clip is undone";
    }
}

TEST(DuvCanvas3D, PathPictureKeepsTheClipInForce)
{
    Fixture f(30, 20);
    const QImage picture = FourColours();
    f.canvas.Brush().GetImage()->SetGraphic(&picture);
    f.canvas.Pen().SetVisible(false);
    f.canvas.ClipToRect({0, 0, 10, 20});
    DrawTriangle(f.canvas);
    EXPECT_EQ(f.At(5, 4), clGreen);
    EXPECT_EQ(f.At(16, 4), clWhite) << "outside the canvas's clip";
    ASSERT_TRUE(f.canvas.CurrentClip().has_value());
    EXPECT_EQ(f.canvas.CurrentClip()->boundingRect(), QRect(0, 0, 10, 20));
}

TEST(DuvCanvas3D, PathFiguresStandApart)
{
    // two closed squares and an open run from the last corner of the second: no line joins the
    // squares, and the open run starts where the second square ended
    Fixture f(30, 20);
    f.canvas.Brush().SetStyle(bsClear);
    std::unique_ptr<TDuvBasePath> path = f.canvas.CreatePath();
    path->AddPoints({{2, 2}, {8, 2}, {8, 8}, {2, 8}}, 3, true);
    path->AddPoints({{14, 12}, {20, 12}, {20, 18}, {14, 18}}, 3, true);
    path->AddPoints({{26, 18}}, 0, false);
    path->MoveTo(24.4f, 2.6f);
    path->LineTo(28.2f, 3.4f);
    path->Draw(f.canvas);
    EXPECT_EQ(f.Row(2, 0, 10), "..#######.");
    EXPECT_EQ(f.At(11, 7), clWhite) << "between the squares";
    EXPECT_EQ(f.At(5, 5), clWhite);
    EXPECT_EQ(f.At(23, 18), clBlack) << "the open run goes on from (14, 18)";
    EXPECT_EQ(f.Row(3, 22, 30), "..#####.") << "coordinates rounded to whole pixels";
}

}  // namespace
