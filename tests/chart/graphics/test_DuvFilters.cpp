#include "chart/graphics/DuvFilters.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "chart/graphics/DuvGradient.h"
#include "platform/core/ClassRegistry.h"
#include "platform/core/StringList.h"
#include "support_FilterImages.h"

namespace {

template <class F>
QImage Filtered(QImage image, const std::function<void(F&)>& setUp = {})
{
    F filter;
    if (setUp) setUp(filter);
    filter.Apply(image);
    return image;
}

QRgb Bgr(int red, int green, int blue)
{
    return qRgb(red, green, blue);
}

// ---------------------------------------------------------------- one pixel at a time

TEST(DuvFilters, PixelFiltersGiveTheExpectedColours)
{
    using Run = std::function<QImage(QImage)>;
    struct Case {
        const char* name;
        Run run;
        QRgb in, expected;
    };
    const Case cases[] = {
        {"invert", [](QImage i) { return Filtered<TInvertFilter>(i); }, Bgr(10, 20, 30), Bgr(245, 235, 225)},
        {"grey simple", [](QImage i) { return Filtered<TGrayScaleFilter>(i); }, Bgr(10, 20, 40), Grey(23)},
        {"grey eye", [](QImage i) { return Filtered<TGrayScaleFilter>(i, [](auto& f) { f.Method = gmEye; }); }, Bgr(10, 20, 40), Grey(19)},
        {"grey eye2", [](QImage i) { return Filtered<TGrayScaleFilter>(i, [](auto& f) { f.Method = gmEye2; }); }, Bgr(10, 20, 40), Grey(19)},
        {"grey light", [](QImage i) { return Filtered<TGrayScaleFilter>(i, [](auto& f) { f.Method = gmLight; }); }, Bgr(10, 20, 41), Grey(25)},
        {"brightness 5%", [](QImage i) { return Filtered<TBrightnessFilter>(i); }, Bgr(10, 250, 100), Bgr(23, 255, 113)},
        {"brightness -20", [](QImage i) { return Filtered<TBrightnessFilter>(i, [](auto& f) { f.Percent = false, f.Amount = -20; }); }, Bgr(10, 250, 100), Bgr(0, 230, 80)},
        {"brightness 0", [](QImage i) { return Filtered<TBrightnessFilter>(i, [](auto& f) { f.Amount = 0; }); }, Bgr(10, 250, 100), Bgr(10, 250, 100)},
        {"contrast 5", [](QImage i) { return Filtered<TContrastFilter>(i, [](auto& f) { f.Percent = false; }); }, Bgr(200, 10, 128), Bgr(201, 8, 128)},
        {"contrast 50%", [](QImage i) { return Filtered<TContrastFilter>(i, [](auto& f) { f.Amount = 50; }); }, Bgr(200, 10, 255), Bgr(228, 8, 255)},
        {"gamma 70%", [](QImage i) { return Filtered<TGammaCorrectionFilter>(i); }, Bgr(64, 128, 200), Bgr(35, 95, 180)},
        {"gamma 70 steps", [](QImage i) { return Filtered<TGammaCorrectionFilter>(i, [](auto& f) { f.Percent = false; }); }, Bgr(64, 128, 254), Bgr(2, 21, 251)},
        {"gamma ends", [](QImage i) { return Filtered<TGammaCorrectionFilter>(i); }, Bgr(0, 255, 1), Bgr(0, 255, 0)},
        {"color", [](QImage i) { return Filtered<TColorFilter>(i, [](auto& f) { f.Red = 20, f.Blue = -30; }); }, Bgr(240, 20, 20), Bgr(255, 20, 0)},
        {"sepia", [](QImage i) { return Filtered<TSepiaFilter>(i); }, Bgr(10, 20, 30), Bgr(25, 22, 17)},
        {"sepia bright", [](QImage i) { return Filtered<TSepiaFilter>(i); }, Bgr(250, 240, 230), Bgr(255, 255, 226)},
        {"hue +80", [](QImage i) { return Filtered<THueLumSatFilter>(i, [](auto& f) { f.Hue = 80; }); }, Bgr(255, 0, 0), Bgr(0, 255, 0)},
        {"no saturation", [](QImage i) { return Filtered<THueLumSatFilter>(i, [](auto& f) { f.Saturation = -255; }); }, Bgr(200, 100, 50), Grey(125)},
        {"luminance up", [](QImage i) { return Filtered<THueLumSatFilter>(i, [](auto& f) { f.Luminance = 255; }); }, Bgr(30, 60, 90), Bgr(255, 255, 255)},
        {"replace any hue", [](QImage i) { return Filtered<TColorReplaceFilter>(i, [](auto& f) { f.ToValue = 240, f.Color = 0x00FF00; }); }, Bgr(30, 60, 90), Bgr(0, 255, 0)},
        {"replace dark only", [](QImage i) { return Filtered<TColorReplaceFilter>(i, [](auto& f) { f.Method = cmLum, f.FromValue = 0, f.ToValue = 60, f.Color = 0x0000FF; }); }, Bgr(30, 60, 90), Bgr(255, 0, 0)},
        {"replace keeps bright", [](QImage i) { return Filtered<TColorReplaceFilter>(i, [](auto& f) { f.Method = cmLum, f.ToValue = 60, f.Color = 0x0000FF; }); }, Bgr(200, 100, 50), Bgr(200, 100, 50)},
        {"replace saturated", [](QImage i) { return Filtered<TColorReplaceFilter>(i, [](auto& f) { f.Method = cmSat, f.FromValue = 200, f.ToValue = 255; }); }, Bgr(10, 200, 120), Bgr(255, 255, 255)},
    };
    for (const Case& c : cases) {
        const QImage out = c.run(PictureOf(2, 1, {c.in, c.in}));
        EXPECT_EQ(ColorsOf(out), (std::vector<QRgb>{c.expected, c.expected})) << c.name;
    }
}

TEST(DuvFilters, PixelFiltersKeepOutsideTheirRegionAndKeepAlpha)
{
    QImage image(3, 1, QImage::Format_ARGB32);
    image.fill(qRgba(10, 20, 30, 99));
    TInvertFilter invert;
    invert.Region()->Left = 1;
    invert.Region()->Width = 1;
    invert.Apply(image);
    EXPECT_EQ(image.pixel(0, 0), qRgba(10, 20, 30, 99));
    EXPECT_EQ(image.pixel(1, 0), qRgba(245, 235, 225, 99));
    EXPECT_EQ(image.pixel(2, 0), qRgba(245, 235, 225, 99));
}

// ---------------------------------------------------------------- colour model

TEST(DuvFilters, HlsOfColoursAndBack)
{
    struct Case {
        int red, green, blue;
        THLS hls;
        QRgb back;  // not always the colour itself: the scale has only 241 steps
    };
    const Case cases[] = {
        {255, 0, 0, {0, 120, 240}, Bgr(255, 0, 0)},
        {0, 255, 0, {80, 120, 240}, Bgr(0, 255, 0)},
        {0, 0, 255, {160, 120, 240}, Bgr(0, 0, 255)},
        {255, 255, 0, {40, 120, 240}, Bgr(255, 255, 0)},
        {0, 255, 255, {120, 120, 240}, Bgr(0, 255, 255)},
        {255, 0, 255, {200, 120, 240}, Bgr(255, 0, 255)},
        {255, 255, 255, {160, 240, 0}, Bgr(255, 255, 255)},
        {0, 0, 0, {160, 0, 0}, Bgr(0, 0, 0)},
        {128, 128, 128, {160, 121, 0}, Grey(129)},
        {200, 100, 50, {13, 118, 144}, Bgr(201, 100, 50)},
        {30, 60, 90, {140, 57, 120}, Bgr(30, 62, 92)},
        {10, 200, 120, {103, 99, 218}, Bgr(10, 201, 121)},
    };
    for (const Case& c : cases) {
        const TColor color = c.red | c.green << 8 | c.blue << 16;
        EXPECT_EQ(ChannelsToHLS(c.red, c.green, c.blue), c.hls) << c.red << "," << c.green << "," << c.blue;
        EXPECT_EQ(ColorToHLS(color), c.hls);
        const TColor back = ColorFromHLS(c.hls.Hue, c.hls.Luminance, c.hls.Saturation);
        EXPECT_EQ(Bgr(back & 0xFF, back >> 8 & 0xFF, back >> 16 & 0xFF), c.back) << c.red << "," << c.green << "," << c.blue;
    }
}

TEST(DuvFilters, HlsBeyondTheScaleStaysWithinChannels)
{
    // a filter may push saturation and luminance up to 255: channels stay in 0..255
    EXPECT_EQ(ColorFromHLS(0, 120, 255), 0x0000FF);
    EXPECT_EQ(ColorFromHLS(0, 255, 255), 0xFFFFFE);
    EXPECT_EQ(ColorFromHLS(0, 255, 0), 0xFFFFFF);
}

// ---------------------------------------------------------------- neighbourhoods

TEST(DuvFilters, FixedKernelsOnTheCentrePixel)
{
    struct Case {
        const char* name;
        std::function<QImage(QImage)> run;
        std::initializer_list<int> greys;  // 3 by 3
        int centre;
    };
    const Case cases[] = {
        {"sharpen", [](QImage i) { return Filtered<TSharpenFilter>(i); }, {20, 20, 20, 20, 100, 20, 20, 20, 20}, 180},
        {"sharpen clamps", [](QImage i) { return Filtered<TSharpenFilter>(i); }, {0, 0, 0, 0, 200, 0, 0, 0, 0}, 255},
        {"emboss", [](QImage i) { return Filtered<TEmbossFilter>(i); }, {9, 50, 9, 50, 20, 10, 9, 50, 9}, 120},
        {"emboss floor", [](QImage i) { return Filtered<TEmbossFilter>(i); }, {9, 10, 9, 20, 100, 30, 9, 40, 9}, 0},
        {"soften", [](QImage i) { return Filtered<TSoftenFilter>(i); }, {5, 5, 5, 5, 40, 80, 5, 120, 160}, 100},
    };
    for (const Case& c : cases) {
        auto next = c.greys.begin();
        const QImage source = PictureBy(3, 3, [&next](int, int) { return Grey(*next++); });
        std::vector<QRgb> expected = ColorsOf(source);
        expected[4] = Grey(c.centre);
        EXPECT_EQ(ColorsOf(c.run(source)), expected) << c.name;
    }
}

TEST(DuvFilters, SobelMeasuresEdgesOfTheInnerGreys)
{
    // inner greys 10 20 / 30 40; the table's edge entries count as 0
    const QImage source = PictureBy(4, 4, [](int x, int y) {
        if (x == 0 || y == 0 || x == 3 || y == 3) return Bgr(250, 0, 5);
        return Grey(10 + 10 * (x - 1) + 20 * (y - 1));
    });
    const QImage out = Filtered<TSobelFilter>(source);
    EXPECT_EQ(out.pixel(1, 1), Grey(180));  // |0 - (2*20 + 40)| + |0 - (2*30 + 40)|
    EXPECT_EQ(out.pixel(2, 2), Grey(120));  // (10 + 2*30) + (10 + 2*20)
    EXPECT_EQ(out.pixel(2, 1), Grey(160));  // (2*10 + 30) + (30 + 2*40)
    EXPECT_EQ(out.pixel(0, 0), Bgr(250, 0, 5));
    EXPECT_EQ(out.pixel(3, 2), Bgr(250, 0, 5));
}

TEST(DuvFilters, EqualizeStretchesInnerChannels)
{
    struct Case {
        QRgb inner1, inner2;
        QRgb out1, out2;
    };
    const Case cases[] = {
        {Bgr(100, 0, 7), Bgr(150, 255, 7), Bgr(0, 0, 0), Bgr(255, 255, 0)},     // a constant channel becomes 0
        {Bgr(0, 0, 0), Bgr(255, 255, 255), Bgr(0, 0, 0), Bgr(255, 255, 255)},  // already full range
        {Bgr(20, 30, 40), Bgr(30, 50, 70), Bgr(0, 0, 0), Bgr(255, 255, 255)},
    };
    for (const Case& c : cases) {
        const QImage source = PictureBy(4, 3, [&c](int x, int y) {
            if (y == 1 && x == 1) return c.inner1;
            if (y == 1 && x == 2) return c.inner2;
            return Bgr(1, 2, 3);
        });
        std::vector<QRgb> expected = ColorsOf(source);
        expected[5] = c.out1;
        expected[6] = c.out2;
        EXPECT_EQ(ColorsOf(Filtered<TEqualizeFilter>(source)), expected);
    }
    // a picture whose inner channels already span 0..255 keeps every pixel
    const QImage full = PictureBy(5, 5, [](int x, int y) { return Bgr(x * 60 % 256, (x + y) * 50 % 256, y * 90 % 256); });
    QImage spans = full;
    spans.setPixel(1, 1, Bgr(0, 0, 0));
    spans.setPixel(3, 3, Bgr(255, 255, 255));
    EXPECT_EQ(ColorsOf(Filtered<TEqualizeFilter>(spans)), ColorsOf(spans));
}

TEST(DuvFilters, BevelLightensTopLeftAndDarkensBottomRight)
{
    const QImage out = Filtered<TBevelFilter>(PictureBy(10, 10, [](int, int) { return Grey(100); }),
                                              [](TBevelFilter& f) { f.Size = 2; });
    struct Case {
        int x, y, grey;
    };
    for (const Case& c : {Case{0, 0, 164}, Case{9, 0, 164}, Case{0, 5, 164}, Case{0, 9, 100}, Case{9, 9, 0},
                          Case{1, 1, 164}, Case{8, 8, 0}, Case{1, 8, 100}, Case{5, 5, 100}, Case{2, 2, 100}, Case{5, 8, 36}})
        EXPECT_EQ(out.pixel(c.x, c.y), Grey(c.grey)) << c.x << "," << c.y;
}

TEST(DuvFilters, MosaicBlocks)
{
    // 100 by 100, blocks of 10: ten rows and ten columns, the last ones covering 90..99
    const QImage out = Filtered<TMosaicFilter>(PictureBy(100, 100, [](int x, int y) { return Bgr(x * 2, y * 2, 7); }),
                                               [](TMosaicFilter& f) { f.Amount = 10; });
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(out.pixel(x, y), Bgr(x / 10 * 20 + 9, y / 10 * 20 + 9, 7)) << x << "," << y;

    // with percent: 50% of min(R - L, B - T) = 5; the last block takes the rest (5..10)
    const std::vector<QRgb> small = ColorsOf(Filtered<TMosaicFilter>(
        PictureBy(11, 11, [](int x, int) { return Grey(x * 10); }), [](TMosaicFilter& f) { f.Amount = 50, f.Percent = true; }));
    EXPECT_EQ(small[0], Grey(20));
    EXPECT_EQ(small[4], Grey(20));
    EXPECT_EQ(small[5], Grey(75));
    EXPECT_EQ(small[10 * 11 + 10], Grey(75));
    // nothing below 1
    const QImage same = PictureBy(4, 4, [](int x, int y) { return Grey(x * 9 + y); });
    EXPECT_EQ(ColorsOf(Filtered<TMosaicFilter>(same, [](TMosaicFilter& f) { f.Amount = 0; })), ColorsOf(same));
}

// ---------------------------------------------------------------- geometry

// Pixel (x, y) of a w-wide test picture carries its own position.
QRgb At(int x, int y)
{
    return Bgr(x * 10, y * 10, 0);
}

TEST(DuvFilters, FlipAndReverseMirrorTheRectangle)
{
    const QImage source = PictureBy(3, 5, At);
    // region rows 1..4 (top 1, height 3 reaches row 4): four rows, the middle two exchange too
    QImage flipped = Filtered<TFlipFilter>(source, [](TFlipFilter& f) { f.Region()->Top = 1, f.Region()->Height = 3; });
    const int rows[] = {0, 4, 3, 2, 1};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(flipped.pixel(x, y), At(x, rows[y])) << x << "," << y;

    QImage reversed = Filtered<TReverseFilter>(source);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(reversed.pixel(x, y), At(2 - x, y));
}

TEST(DuvFilters, RotateByRightAngles)
{
    struct Case {
        double angle;
        int w, h;
        std::function<QPoint(int, int)> sourceOf;  // which source pixel lands at (x, y)
    };
    const Case cases[] = {
        {180, 4, 4, [](int x, int y) { return QPoint(3 - x, 3 - y); }},
        {540, 4, 4, [](int x, int y) { return QPoint(3 - x, 3 - y); }},
        {90, 2, 3, [](int x, int y) { return QPoint(y, 1 - x); }},   // from 3 by 2
        {270, 2, 3, [](int x, int y) { return QPoint(2 - y, x); }},
    };
    for (const Case& c : cases) {
        const QImage source = c.w == 4 ? PictureBy(4, 4, At) : PictureBy(3, 2, At);
        TRotateFilter rotate;
        rotate.Angle = c.angle;
        QImage image = source;
        rotate.Apply(image);
        ASSERT_EQ(image.size(), QSize(c.w, c.h)) << c.angle;
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                const QPoint from = c.sourceOf(x, y);
                EXPECT_EQ(image.pixel(x, y), source.pixel(from)) << c.angle << " at " << x << "," << y;
            }
    }
    // 180 is flip then reverse
    QImage both = PictureBy(4, 4, At);
    ApplyFilterClass(TFlipFilter::StaticClass(), both);
    ApplyFilterClass(TReverseFilter::StaticClass(), both);
    EXPECT_EQ(ColorsOf(Filtered<TRotateFilter>(PictureBy(4, 4, At), [](TRotateFilter& f) { f.Angle = 180; })), ColorsOf(both));
}

TEST(DuvFilters, RotateByOtherAngles)
{
    struct Case {
        double angle;
        bool autoSize;
        TColor back;
        QSize size;
        QRgb corner;
    };
    const Case cases[] = {
        {45, true, clWhite, {4, 4}, Bgr(255, 255, 255)},
        {405, true, 0x0000FF, {4, 4}, Bgr(255, 0, 0)},        // 405 turns as 45
        {45, false, clWhite, {3, 3}, At(0, 1)},  // same size: the corner still shows the picture
        {30, true, clWhite, {4, 4}, Bgr(255, 255, 255)},
    };
    for (const Case& c : cases) {
        TRotateFilter rotate;
        rotate.Angle = c.angle;
        rotate.AutoSize = c.autoSize;
        rotate.BackColor = c.back;
        QImage image = PictureBy(3, 3, At);
        rotate.Apply(image);
        EXPECT_EQ(image.size(), c.size) << c.angle;
        EXPECT_EQ(image.pixel(0, 0), c.corner) << c.angle;
        // the centre of the new picture shows the centre of the old one
        EXPECT_EQ(image.pixel(image.width() / 2, image.height() / 2), At(1, 1)) << c.angle;
        EXPECT_LE(rotate.Angle, 360);
    }
    TRotateFilter transparent;
    transparent.Angle = 45;
    transparent.BackColor = clNone;
    QImage image = PictureBy(3, 3, At);
    transparent.Apply(image);
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(image.pixel(2, 2), At(1, 1));
}

TEST(DuvFilters, MirrorDoublesThePicture)
{
    const QImage source = PictureBy(2, 2, At);
    struct Case {
        TMirrorDirection direction;
        QSize size;
        std::vector<QRgb> pixels;
    };
    const QRgb a = At(0, 0), b = At(1, 0), c = At(0, 1), d = At(1, 1);
    const Case cases[] = {
        {mdDown, {2, 4}, {a, b, c, d, c, d, a, b}},
        {mdUp, {2, 4}, {c, d, a, b, a, b, c, d}},
        {mdRight, {4, 2}, {a, b, b, a, c, d, d, c}},
        {mdLeft, {4, 2}, {b, a, a, b, d, c, c, d}},
    };
    for (const Case& m : cases) {
        const QImage out = Filtered<TMirrorFilter>(source, [&m](TMirrorFilter& f) { f.Direction = m.direction; });
        EXPECT_EQ(out.size(), m.size) << m.direction;
        EXPECT_EQ(ColorsOf(out), m.pixels) << m.direction;
    }
    EXPECT_FALSE(TMirrorFilter().AllowRegion);
}

TEST(DuvFilters, ResizeCropZoomAndTile)
{
    const QImage quadrants = PictureBy(4, 4, [](int x, int y) { return x < 2 ? (y < 2 ? Grey(10) : Grey(20)) : (y < 2 ? Grey(30) : Grey(40)); });
    EXPECT_EQ(Filtered<TResizeFilter>(quadrants, [](TResizeFilter& f) { f.Width = 6, f.Height = 2; }).size(), QSize(6, 2));
    EXPECT_EQ(Filtered<TResizeFilter>(quadrants, [](TResizeFilter& f) { f.Width = 6; }).size(), QSize(4, 4));

    // the top-right quadrant fills the picture, which keeps its size; smoothly it is resampled
    const auto crop = [](TCropFilter& f) { f.Left = 2, f.Width = 2, f.Height = 2; };
    EXPECT_EQ(ColorsOf(Filtered<TCropFilter>(quadrants, crop)), std::vector<QRgb>(16, Grey(30)));
    const QImage smooth = Filtered<TCropFilter>(quadrants, [&crop](TCropFilter& f) { crop(f), f.Smooth = true; });
    EXPECT_EQ(ColorsOf(smooth), std::vector<QRgb>(16, Grey(30)));

    // 20% of 10: one pixel cut away at each edge, the rest enlarged over the picture
    const QImage framed = PictureBy(10, 10, [](int x, int y) { return x == 0 || y == 0 || x == 9 || y == 9 ? Grey(0) : Grey(77); });
    EXPECT_EQ(ColorsOf(Filtered<TZoomFilter>(framed, [](TZoomFilter& f) { f.Percent = 20; })), std::vector<QRgb>(100, Grey(77)));
    // in a region: only the region is zoomed
    const QImage zoomedPart = Filtered<TZoomFilter>(framed, [](TZoomFilter& f) {
        f.Percent = 40, f.Region()->Width = 4, f.Region()->Height = 4;  // columns and rows 0..4
    });
    for (QPoint p : {QPoint(0, 0), QPoint(4, 4), QPoint(0, 4)}) EXPECT_EQ(zoomedPart.pixel(p), Grey(77)) << p.x() << "," << p.y();
    for (QPoint p : {QPoint(0, 9), QPoint(9, 0), QPoint(5, 0)}) EXPECT_EQ(zoomedPart.pixel(p), Grey(0)) << p.x() << "," << p.y();

    // 7 wide, 3 columns: tiles of (6 / 3) = 2 at 0, 2, 4; the last column stays
    const QImage striped = PictureBy(7, 7, [](int x, int) { return x == 6 ? Bgr(0, 0, 255) : Grey(50); });
    const QImage tiled = Filtered<TTileFilter>(striped);
    EXPECT_EQ(tiled.size(), QSize(7, 7));
    EXPECT_EQ(tiled.pixel(6, 3), Bgr(0, 0, 255));
    EXPECT_EQ(tiled.pixel(0, 0), tiled.pixel(2, 2));
    EXPECT_EQ(tiled.pixel(1, 1), tiled.pixel(5, 5));
    TTileFilter zero;
    zero.NumCols = 0;
    QImage kept = striped;
    zero.Apply(kept);
    EXPECT_EQ(zero.NumCols, 1);
}

TEST(DuvFilters, FarOffParametersFromAFileFinishQuietly)
{
    // values a damaged chart file may hold: no overflow, no endless loop, a picture remains
    constexpr int kMax = 2147483647, kMin = -2147483647 - 1;
    struct Case {
        const TClassInfo* filterClass;
        const char* property;
        TVariant value;
    };
    const Case cases[] = {
        {&TBrightnessFilter::StaticClass(), "Amount", kMax},   {&TBrightnessFilter::StaticClass(), "Amount", kMin},
        {&TContrastFilter::StaticClass(), "Amount", kMax},     {&TContrastFilter::StaticClass(), "Amount", kMin},
        {&TGammaCorrectionFilter::StaticClass(), "Amount", kMin}, {&TMosaicFilter::StaticClass(), "Amount", kMax},
        {&TColorFilter::StaticClass(), "Red", kMax},           {&TColorFilter::StaticClass(), "Blue", kMin},
        {&THueLumSatFilter::StaticClass(), "Hue", kMax},       {&THueLumSatFilter::StaticClass(), "Luminance", kMin},
        {&TBevelFilter::StaticClass(), "Bright", kMax},        {&TBevelFilter::StaticClass(), "Size", kMax},
        {&TRotateFilter::StaticClass(), "Angle", 1e300},       {&TRotateFilter::StaticClass(), "Angle", -1e300},
        {&TZoomFilter::StaticClass(), "Percent", 1e300},       {&TZoomFilter::StaticClass(), "Percent", -1e300},
        {&TTileFilter::StaticClass(), "NumCols", kMax},        {&TBlurFilter::StaticClass(), "Amount", kMin},
    };
    for (const Case& c : cases) {
        std::unique_ptr<TPersistent> made(c.filterClass->Create());
        auto& filter = static_cast<TDuvFilter&>(*made);
        SetPropValue(&filter, c.property, c.value);
        if (c.filterClass == &TMosaicFilter::StaticClass()) SetPropValue(&filter, "Percent", true);
        QImage image = PictureBy(6, 6, At);
        filter.Apply(image);
        EXPECT_FALSE(image.isNull()) << c.filterClass->Name() << "." << c.property;
    }
    struct Turn {
        double angle, kept;
    };
    for (const Turn& t : {Turn{720, 360}, Turn{370, 10}, Turn{1e300, -1}}) {
        TRotateFilter rotate;
        rotate.Angle = t.angle;
        QImage image = PictureBy(6, 6, At);
        rotate.Apply(image);
        if (t.kept >= 0) {
            EXPECT_EQ(rotate.Angle, t.kept) << t.angle;
        } else {
            EXPECT_TRUE(rotate.Angle > 0 && rotate.Angle <= 360) << rotate.Angle;
        }
    }
}

// ---------------------------------------------------------------- properties and module

TEST(DuvFilters, PublishedDefaults)
{
    struct Case {
        const TClassInfo* filterClass;
        const char* property;
        TVariant value;
    };
    const Case cases[] = {
        {&TBlurFilter::StaticClass(), "Amount", 1},       {&TBlurFilter::StaticClass(), "Steps", 1},
        {&TMosaicFilter::StaticClass(), "Amount", 8},     {&TMosaicFilter::StaticClass(), "Percent", false},
        {&TBrightnessFilter::StaticClass(), "Amount", 5}, {&TBrightnessFilter::StaticClass(), "Percent", true},
        {&TGammaCorrectionFilter::StaticClass(), "Amount", 70}, {&TColorReplaceFilter::StaticClass(), "Color", 0xFFFFFF},
        {&TColorReplaceFilter::StaticClass(), "Method", "cmHue"}, {&TRotateFilter::StaticClass(), "AutoSize", true},
        {&TRotateFilter::StaticClass(), "BackColor", 0xFFFFFF}, {&TMirrorFilter::StaticClass(), "Direction", "mdDown"},
        {&TTileFilter::StaticClass(), "NumRows", 3},      {&TBevelFilter::StaticClass(), "Bright", 64},
        {&TBevelFilter::StaticClass(), "Size", 15},       {&TGrayScaleFilter::StaticClass(), "Method", "gmSimple"},
        {&TCropFilter::StaticClass(), "Smooth", false},   {&TInvertFilter::StaticClass(), "Enabled", true},
    };
    for (const Case& c : cases) {
        std::unique_ptr<TPersistent> filter(c.filterClass->Create());
        EXPECT_EQ(GetPropValue(filter.get(), c.property), c.value) << c.filterClass->Name() << "." << c.property;
        EXPECT_TRUE(GetPropInfo(filter.get(), c.property)->IsDefault(*filter)) << c.filterClass->Name() << "." << c.property;
    }
    // always stored: a zoom of 10% and a turned angle are written
    TZoomFilter zoom;
    EXPECT_FALSE(GetPropInfo(&zoom, "Percent")->IsDefault(zoom));
    TRotateFilter rotate;
    rotate.SetGalleryDefaults();
    EXPECT_FALSE(GetPropInfo(&rotate, "Angle")->IsDefault(rotate));
}

TEST(DuvFilters, ModuleRegistersTheFiltersAndTheGradientHook)
{
    DuvFiltersInitialization();
    ASSERT_NE(FilterClassNames(), nullptr);
    EXPECT_EQ(FilterClassNames()->CommaText(),
              "TInvertFilter,TGrayScaleFilter,TMosaicFilter,TFlipFilter,TReverseFilter,TBrightnessFilter,"
              "TContrastFilter,TColorFilter,TColorReplaceFilter,THueLumSatFilter,TBlurFilter,TSharpenFilter,"
              "TGammaCorrectionFilter,TEmbossFilter,TSoftenFilter,TCropFilter,TResizeFilter,TRotateFilter,"
              "TMirrorFilter,TTileFilter,TBevelFilter,TEqualizeFilter,TZoomFilter,TSobelFilter,TSepiaFilter");
    EXPECT_EQ(&FindClass("tblurfilter"), &TBlurFilter::StaticClass());
    EXPECT_EQ(GetClass("TAmountFilter"), nullptr);
    EXPECT_EQ(GradientRotateHook, &RotateGradientBitmap);
    DuvFiltersFinalization();
    EXPECT_EQ(GradientRotateHook, nullptr);
    EXPECT_EQ(FilterClassNames(), nullptr);
}

TEST(DuvFilters, GradientTurnKeepsTheBitmapSize)
{
    QImage upsideDown = PictureBy(4, 2, At);
    ApplyFilterClass(TRotateFilter::StaticClass(), upsideDown);  // angle 0: nothing
    EXPECT_EQ(ColorsOf(upsideDown), ColorsOf(PictureBy(4, 2, At)));
    ApplyFilterClass(TFlipFilter::StaticClass(), upsideDown);
    ApplyFilterClass(TReverseFilter::StaticClass(), upsideDown);
    struct Case {
        int angle;
        std::vector<QRgb> expected;
    };
    const QRgb w = Bgr(255, 255, 255);
    const Case cases[] = {
        {0, ColorsOf(PictureBy(4, 2, At))},
        {180, ColorsOf(upsideDown)},
        {90, {w, At(1, 1), At(1, 0), w, w, At(2, 1), At(2, 0), w}},  // 2 by 4 turned, its middle kept
        {45, {}},
    };
    for (const Case& c : cases) {
        TDuvGradient gradient;
        gradient.SetAngle(c.angle);
        QImage bitmap = PictureBy(4, 2, At);
        RotateGradientBitmap(gradient, bitmap);
        EXPECT_EQ(bitmap.size(), QSize(4, 2)) << c.angle;
        if (!c.expected.empty()) {
            EXPECT_EQ(ColorsOf(bitmap), c.expected) << c.angle;
        }
    }
}

}  // namespace
