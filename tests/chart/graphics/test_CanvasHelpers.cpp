#include <gtest/gtest.h>

#include <QImage>

#include "chart/graphics/CanvasHelpers.h"

TEST(CanvasHelpers, PolygonBounds)
{
    struct Case {
        TPointArray points;
        int high;
        TRect bounds;
    };
    const Case cases[] = {
        {{{3, 4}}, 0, {3, 4, 4, 5}},
        {{{10, 2}, {-5, 7}, {3, -1}}, 2, {-5, -1, 11, 8}},
        {{{10, 2}, {-5, 7}, {3, -1}}, 1, {-5, 2, 11, 8}},  // only points 0..high count
        {{{1, 1}}, -1, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(PolygonBoundsOrEmpty(c.points, c.high), c.bounds) << c.high;
    EXPECT_EQ(FloatPolygonBounds({{1.5f, 2}, {-1, 4.25f}}, 1), (TFloatRect{-1, 2, 1.5f, 4.25f}));
    EXPECT_EQ(FloatPolygonBounds({{1.5f, 2}}, -1), TFloatRect{});
}

TEST(CanvasHelpers, PolygonCentroid)
{
    struct Case {
        TPointArray points;
        TPointFloat centroid;
    };
    const Case cases[] = {
        {{}, {0, 0}},
        {{{7, -3}}, {7, -3}},
        {{{0, 0}, {5, 3}}, {2.5f, 1.5f}},
        {{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {5, 5}},
        {{{0, 0}, {10, 10}, {10, 0}, {0, 10}}, {0, 0}},  // crossed: no area
        {{{0, 0}, {5, 5}, {10, 10}}, {0, 0}},            // collinear
        {{{0, 0}, {6, 0}, {0, 6}}, {2, 2}},
    };
    for (const Case& c : cases) {
        const TPointFloat p = PolygonCentroid(c.points);
        EXPECT_FLOAT_EQ(p.X, c.centroid.X) << c.points.size();
        EXPECT_FLOAT_EQ(p.Y, c.centroid.Y) << c.points.size();
    }
}

TEST(CanvasHelpers, DarkenAndLightenColors)
{
    struct Case {
        TColor color;
        int amount;
        TColor darker;
        TColor lighter;
    };
    const Case cases[] = {
        {0x204060, 0x30, 0x001030, 0x507090},
        {0xF0F0F0, 32, 0xD0D0D0, 0xFFFFFF},
        {0x7F000000 | 0x808080, 64, 0x404040, 0xC0C0C0},  // the top byte goes
        {0x000000, 255, 0x000000, 0xFFFFFF},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DarkenColor(c.color, static_cast<std::uint8_t>(c.amount)), c.darker) << std::hex << c.color;
        EXPECT_EQ(LightenColor(c.color, static_cast<std::uint8_t>(c.amount)), c.lighter) << std::hex << c.color;
    }
    std::uint8_t b, g, r;
    ColorToRGBTriple(0x112233, b, g, r);
    EXPECT_EQ((std::vector<int>{b, g, r}), (std::vector<int>{0x11, 0x22, 0x33}));
}

TEST(CanvasHelpers, PointsInRectanglesAndPolygons)
{
    const TRect r{0, 0, 10, 10};
    for (TPoint p : {TPoint{0, 0}, TPoint{10, 10}, TPoint{0, 10}, TPoint{10, 0}, TPoint{5, 5}})
        EXPECT_TRUE(PointInRectP(r, p)) << p.X << "," << p.Y;
    EXPECT_FALSE(PointInRect(r, 11, 5));
    EXPECT_FALSE(PointInRect(r, 5, -1));

    const TPointArray square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    struct Case {
        TPoint point;
        bool inside;
    };
    const Case cases[] = {{{5, 5}, true}, {{15, 5}, false}, {{5, 10}, false}, {{-1, 5}, false}, {{0, 5}, false}, {{10, 5}, true}};  // crossings to the right count
    for (const Case& c : cases) EXPECT_EQ(PointInPolygon(c.point, square), c.inside) << c.point.X << "," << c.point.Y;
    EXPECT_TRUE(PolygonInsidePolygon({{1, 1}, {9, 9}}, 1, square));
    EXPECT_FALSE(PolygonInsidePolygon({{1, 1}, {19, 9}}, 1, square));
    EXPECT_TRUE(PolygonInsidePolygon({}, -1, square));
}

TEST(CanvasHelpers, Rectangles)
{
    EXPECT_EQ(OrientRectValues(10, 5, 2, 8), (TRect{2, 5, 10, 8}));
    EXPECT_EQ(OrientRect({4, 9, 1, 3}), (TRect{1, 3, 4, 9}));
    EXPECT_EQ(RectCenterPoint({0, 0, 5, -5}), (TPoint{2, -2}));  // halves truncate toward zero
    TRect grown{0, 0, 10, 10};
    InflateRectBy(grown, 2, -1);
    EXPECT_EQ(grown, (TRect{-2, 1, 12, 9}));
}

TEST(CanvasHelpers, BitmapResolutionInPixelsPerMetre)
{
    QImage bitmap(4, 4, QImage::Format_RGB32);
    SetBitmapResolution(bitmap, 96);
    EXPECT_EQ(bitmap.dotsPerMeterX(), 3780);
    EXPECT_EQ(bitmap.dotsPerMeterY(), 3780);
    const uchar* before = bitmap.constBits();
    SetBitmapSize(bitmap, 4, 4);
    EXPECT_EQ(bitmap.constBits(), before);  // same size: untouched
    SetBitmapSize(bitmap, 8, 2);
    EXPECT_EQ(bitmap.size(), QSize(8, 2));
}
