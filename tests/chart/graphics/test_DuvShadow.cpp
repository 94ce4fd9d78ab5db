#include "chart/graphics/DuvShadow.h"

#include <gtest/gtest.h>

#include "chart/graphics/DuvCanvas3D.h"
#include "chart/graphics/RecordingCanvas.h"

namespace {

TEST(DuvShadow, KernelWeightsFallOffWithDistance)
{
    struct Case {
        int radius, blur;
        std::vector<int> weights;
    };
    const Case cases[] = {
        {4, 0, {9526, 26646, 55556, 86334, 100000, 86334, 55556, 26646, 9526}},
        {2, 20, {25000, 70711, 100000, 70711, 25000}},
        {0, 0, {100000}},
    };
    for (const Case& c : cases) EXPECT_EQ(ShadowKernel(c.radius, c.blur), c.weights) << c.radius << "/" << c.blur;
}

TEST(DuvShadow, OffsetRectangleFollowsTheOffsetSign)
{
    TDuvShadow shadow;
    TDuvEmboss emboss;
    for (TDuvShadow* s : {static_cast<TDuvShadow*>(&shadow), static_cast<TDuvShadow*>(&emboss)}) {
        s->SetHorizSize(3);
        s->SetVertSize(4);
    }
    EXPECT_EQ(shadow.OffsetRectangle({10, 10, 20, 20}), (TRect{13, 14, 23, 24}));
    EXPECT_EQ(emboss.OffsetRectangle({10, 10, 20, 20}), (TRect{7, 6, 17, 16}));
    shadow.SetHorizSize(-3);
    EXPECT_EQ(shadow.OffsetRectangle({10, 10, 20, 20}), (TRect{7, 14, 17, 24}));
}

// An emboss is thrown the other way for every shape, polygons and blend areas included.
TEST(DuvShadow, EmbossShapesMoveAgainstTheirSizes)
{
    struct Case {
        bool emboss;
        const char* polygon;
    };
    const Case cases[] = {
        {false, "Polygon([13:14 23:14 23:24])"},
        {true, "Polygon([7:6 17:6 17:16])"},
    };
    for (const Case& c : cases) {
        TRecordingCanvas canvas;
        canvas.Bounds = {0, 0, 100, 100};
        TDuvShadow shadow;
        TDuvEmboss emboss;
        TDuvShadow& s = c.emboss ? emboss : shadow;
        s.SetVisible(true);
        s.SetSmooth(false);
        s.SetTransparency(0);
        s.SetHorizSize(3);
        s.SetVertSize(4);
        s.DrawPolygon(canvas, {{10, 10}, {20, 10}, {20, 20}}, 2);
        EXPECT_EQ(canvas.Texts("Polygon"), std::vector<std::string>{c.polygon});
    }
}

TEST(DuvShadow, NothingIsDrawnWithoutColourOrSize)
{
    TRecordingCanvas canvas;
    TDuvShadow shadow;
    shadow.DrawRect(canvas, {0, 0, 10, 10});
    shadow.SetSize(2);
    shadow.SetColor(clNone);
    shadow.DrawRect(canvas, {0, 0, 10, 10});
    EXPECT_TRUE(canvas.Calls.empty());
    EXPECT_EQ(canvas.Transparency, 0) << "no blending begun";
}

// A smooth shadow multiplies a blurred copy of its shape into the off-screen picture.
TEST(DuvShadow, SmoothShadowDarkensByTheBlurredShape)
{
    struct Case {
        TColor color;
        bool changes;
    };
    for (const Case& c : {Case{clWhite, false}, Case{clBlack, true}}) {
        TDuvCanvas3D canvas;
        canvas.InitWindow(nullptr, nullptr, clWhite, false, {0, 0, 60, 40});
        const QImage before = canvas.BufferBitmap()->copy();
        TDuvShadow shadow;
        shadow.SetColor(c.color);
        shadow.SetSize(4);
        shadow.SetTransparency(0);
        shadow.DrawRect(canvas, {10, 10, 40, 30});
        const QImage& after = *canvas.BufferBitmap();
        EXPECT_EQ(after != before, c.changes);
        if (!c.changes) continue;
        const int inside = qRed(after.pixel(29, 24)), edge = qRed(after.pixel(16, 24)), outside = qRed(after.pixel(5, 5));
        EXPECT_LT(inside, 40) << "dark in the middle of the shape";
        EXPECT_GT(edge, inside) << "lighter towards the blurred edge";
        EXPECT_EQ(outside, 255) << "untouched away from the shape";
        EXPECT_EQ(qRed(after.pixel(29, 24)), qBlue(after.pixel(29, 24))) << "grey levels";
    }
}

}  // namespace
