#include "chart/graphics/DuvBlend.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "chart/graphics/DuvCanvas3D.h"

namespace {

QImage Filled(int w, int h, QRgb color)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

TEST(DuvBlend, BlendBitmapsMixesByPercent)
{
    struct Case {
        int percent;
        QRgb destination;
        QRgb expected;
    };
    const Case cases[] = {
        {0, qRgb(10, 20, 30), qRgb(200, 100, 50)},      // the source covers
        {50, qRgb(10, 20, 30), qRgb(105, 60, 40)},      // halfway, rounded down
        {100, qRgb(10, 20, 30), qRgb(10, 20, 30)},      // the destination stays
        {100, qRgb(255, 255, 255), qRgb(254, 255, 255)},  // pure white loses one step of red
    };
    for (const Case& c : cases) {
        QImage destination = Filled(4, 3, c.destination);
        BlendBitmaps(Filled(4, 3, qRgb(200, 100, 50)), destination, 0, 0, nullptr, c.percent);
        EXPECT_EQ(destination.pixel(2, 1), c.expected) << c.percent;
    }
}

TEST(DuvBlend, BlendBitmapsStopsAtTheDestinationEdge)
{
    QImage destination = Filled(60, 30, qRgb(0, 0, 0));
    BlendBitmaps(Filled(40, 40, qRgb(255, 255, 255)), destination, 50, 20, nullptr, 0);
    EXPECT_EQ(destination.pixel(59, 29), qRgb(255, 255, 255));
    EXPECT_EQ(destination.pixel(49, 29), qRgb(0, 0, 0));
    EXPECT_EQ(destination.pixel(59, 19), qRgb(0, 0, 0));
}

TEST(DuvBlend, TransparentDrawingShowsThroughByTheCombinedPercent)
{
    TDuvCanvas3D canvas;
    canvas.InitWindow(nullptr, nullptr, clWhite, false, {0, 0, 20, 20});
    canvas.Brush().SetColor(0x000000);
    TDuvBlend* blend = canvas.BeginBlending({0, 0, 10, 10}, 50);
    canvas.FillRect({0, 0, 20, 20});
    canvas.EndBlending(blend);
    EXPECT_EQ(canvas.GetPixel(5, 5), 0x7F7F7F) << "half of white over black";
    EXPECT_EQ(canvas.GetPixel(15, 15), 0x000000) << "outside the blend rectangle the drawing is opaque";

    auto* bitmapBlend = static_cast<TDuvBitmapBlend*>(canvas.BeginBlending({-5, -5, -1, -1}, 10));
    EXPECT_EQ(bitmapBlend->SavedRect(), (TRect{0, 0, 1, 1}));
    canvas.EndBlending(bitmapBlend);
}

// Destinations of one or two rows (or columns) are resampled like any other.
TEST(DuvBlend, ResamplingWritesEveryDestinationSize)
{
    struct Case {
        int sw, sh, dw, dh;
        bool fast;
    };
    const Case cases[] = {
        {10, 10, 5, 5, false}, {10, 10, 10, 1, false}, {10, 10, 10, 2, true},
        {10, 10, 1, 7, false}, {1, 1, 6, 3, false},    {30, 2, 12, 2, false},
    };
    for (const Case& c : cases) {
        QImage destination = Filled(c.dw, c.dh, qRgb(0, 0, 0));
        ResampleBitmapQuality(Filled(c.sw, c.sh, qRgb(200, 120, 40)), destination, c.fast);
        for (int y = 0; y < c.dh; ++y)
            for (int x = 0; x < c.dw; ++x) {
                const QRgb p = destination.pixel(x, y);
                EXPECT_NEAR(qRed(p), 200, 2) << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh << " at " << x << "," << y;
                EXPECT_NEAR(qBlue(p), 40, 2);
            }
    }
}

// Every weight list adds up to one, so a flat picture keeps its colour exactly, up to the corners,
// whether enlarged or reduced, at either quality.
TEST(DuvBlend, ResamplingKeepsAFlatPictureFlat)
{
    struct Case {
        int sw, sh, dw, dh;
    };
    const Case cases[] = {
        {2, 2, 3, 3}, {2, 2, 4, 4}, {2, 2, 7, 7},  {3, 5, 11, 4}, {4, 4, 17, 9},
        {5, 3, 2, 2}, {9, 9, 4, 4}, {100, 7, 13, 1}, {7, 1, 40, 3},
    };
    const QRgb colors[] = {qRgb(30, 30, 30), qRgb(200, 120, 40), qRgb(255, 255, 255), qRgb(0, 0, 0)};
    for (const Case& c : cases)
        for (const QRgb color : colors)
            for (const bool fast : {false, true}) {
                QImage destination = Filled(c.dw, c.dh, qRgb(1, 2, 3));
                ResampleBitmapQuality(Filled(c.sw, c.sh, color), destination, fast);
                int bad = 0;
                for (int y = 0; y < c.dh; ++y)
                    for (int x = 0; x < c.dw; ++x) bad += destination.pixel(x, y) != color;
                EXPECT_EQ(bad, 0) << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh << (fast ? " fast" : " best")
                                  << " colour " << std::hex << color << ", corner " << destination.pixel(0, 0);
            }
    for (const auto& [n, length] : {std::pair{4, 2}, std::pair{50, 100}, std::pair{9, 4}, std::pair{1, 6}})
        for (const TContributorList& list : {ResampleContributors(n, length, &LanczosKernel, 3),
                                             ResampleContributors(n, length, &TriangleKernel, 1)})
            for (const auto& contributors : list) {
                int sum = 0;
                for (const TContributor& c : contributors) sum += c.Weight;
                EXPECT_EQ(sum, 1024) << n << " over " << length;
            }
}

TEST(DuvBlend, ResamplingKeepsAnEdgeInPlace)
{
    QImage source = Filled(100, 100, qRgb(0, 0, 0));
    for (int y = 0; y < 100; ++y)
        for (int x = 50; x < 100; ++x) source.setPixel(x, y, qRgb(255, 255, 255));
    QImage destination = Filled(50, 50, qRgb(9, 9, 9));
    ResampleBitmapQuality(source, destination, true);
    EXPECT_LT(qRed(destination.pixel(10, 25)), 5);
    EXPECT_GT(qRed(destination.pixel(40, 25)), 250);
}

TEST(DuvBlend, ContributorsOfADownscale)
{
    const TContributorList list = ResampleContributors(50, 100, &TriangleKernel, 1);
    ASSERT_EQ(list.size(), 50u);
    int sum = 0, largest = 0;
    for (const TContributor& c : list[10]) {
        sum += c.Weight;
        largest = std::max(largest, c.Weight);
    }
    EXPECT_LE(largest, 507) << "weights scaled by the factor 49/99";
    EXPECT_NEAR(sum, 1024, 16) << "spread over about twice the sources";
}

TEST(DuvBlend, PointBackFrom)
{
    EXPECT_EQ(PointBackFrom({0, 0}, {10, 0}, 3), (TPoint{7, 0}));
    EXPECT_EQ(PointBackFrom({0, 10}, {0, 0}, 3), (TPoint{0, 3}));
    EXPECT_EQ(PointBackFrom({0, 0}, {0, 10}, 3), (TPoint{0, 7}));
}

}  // namespace
