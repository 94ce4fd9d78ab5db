#include "chart/graphics/DuvSolids.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <cstdlib>
#include <limits>
#include <numbers>

#include "chart/graphics/DuvCanvas3D.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/RecordingCanvas.h"
#include "support/TestSupport.h"

namespace {

constexpr double kPi = std::numbers::pi;

// The default view: orthogonal at 45 degrees, so depth z moves a point z right and z up.
struct Recording {
    TView3DOptions options;
    TRecordingCanvas canvas;
    Recording()
    {
        canvas.InitWindow(nullptr, &options, clWhite, true, {0, 0, 200, 200});
        canvas.SetProjection(20, {0, 0, 200, 200}, {0, 0, 200, 200});
        canvas.Brush().SetColor(0x3366CC);
        canvas.Clear();
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const TRecordedCall& call : canvas.Calls) names.push_back(call.Name);
        return names;
    }
};

TEST(DuvSolids, CubeDrawsTheFacesTurnedToTheViewer)
{
    Recording r;
    DrawCube(r.canvas, 10, 50, 20, 60, 0, 10, true);
    EXPECT_EQ(r.canvas.Texts(), (std::vector<std::string>{
                                    "Polygon([10:20 50:20 50:60 10:60])",  // front
                                    "Polygon([50:20 60:10 60:50 50:60])",  // right side
                                    "Polygon([10:20 50:20 60:10 20:10])",  // top
                                }));
    EXPECT_FALSE(r.canvas.GetBrushGradient()->Visible()) << "the side shading is switched off again";
}

TEST(DuvSolids, ClearCubeDrawsEveryFace)
{
    Recording r;
    r.canvas.Brush().SetStyle(bsClear);
    DrawCube(r.canvas, 10, 50, 20, 60, 0, 10, false);
    EXPECT_EQ(r.canvas.Texts().size(), 5u) << "front, right, left, top and bottom outlines";
}

TEST(DuvSolids, PieSlicesDrawTheirPartsInOrder)
{
    struct Case {
        const char* name;
        double start, end;
        int transparency;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"back quarter: sides, then top", 0, kPi / 2, 0, {"Polygon", "Polygon", "PolygonFloat"}},
        {"front half: sides, wall, top", kPi, 2 * kPi, 0, {"Polygon", "Polygon", "PolygonFloat", "PolygonFloat"}},
        {"full pie: two wall bands and the top", 0, 0, 0, {"PolygonFloat", "PolygonFloat", "PolygonFloat"}},
        {"transparent quarter: bottom, back wall, sides, top", 0, kPi / 2, 30,
         {"PolygonFloat", "PolygonFloat", "Polygon", "Polygon", "PolygonFloat"}},
    };
    for (const Case& c : cases) {
        Recording r;
        TPie3DSlice slice;
        slice.XCenter = 100;
        slice.YCenter = 100;
        slice.XRadius = 60;
        slice.YRadius = 40;
        slice.EndZ = 10;
        slice.StartAngle = c.start;
        slice.EndAngle = c.end;
        slice.Transparency = c.transparency;
        DrawPie3D(r.canvas, slice);
        EXPECT_EQ(r.Names(), c.calls) << c.name;
        EXPECT_EQ(r.canvas.Calls.front().Transparency, c.transparency) << c.name;
        EXPECT_EQ(r.canvas.Transparency, 0) << c.name << ": blending ended";
    }
}

TEST(DuvSolids, FullPieWallsAreHalfBands)
{
    Recording r;
    TPie3DSlice slice;
    slice.XCenter = slice.YCenter = 100;
    slice.XRadius = slice.YRadius = 50;
    slice.EndZ = 10;
    DrawPie3D(r.canvas, slice);
    ASSERT_EQ(r.canvas.Calls.size(), 3u);
    auto count = [](const std::string& args) { return std::count(args.begin(), args.end(), ' ') + 1; };
    EXPECT_EQ(count(r.canvas.Calls[0].Args), 362) << "0 to 180 on both rims";
    EXPECT_EQ(count(r.canvas.Calls[1].Args), 362) << "180 to 360 on both rims";
    EXPECT_EQ(count(r.canvas.Calls[2].Args), 361) << "the whole top ellipse";
}

// The bevel's brightness comes from the chart file: any value is taken, the change capped at 255.
TEST(DuvSolids, BevelBrightnessIsCapped)
{
    auto bevelColour = [](int brightness) {
        Recording r;
        TPie3DSlice slice;
        slice.XCenter = slice.YCenter = 100;
        slice.XRadius = slice.YRadius = 50;
        slice.EndZ = 20;
        slice.BevelPercent = 10;
        slice.BevelBrightness = brightness;
        DrawPie3D(r.canvas, slice);
        return r.canvas.Calls.back().BrushColor;  // the top is drawn in the bevel's colour
    };
    const struct {
        int brightness, same;
    } cases[] = {{std::numeric_limits<int>::min(), -255}, {-300, -255}, {std::numeric_limits<int>::max(), 255},
                 {300, 255}};
    for (const auto& c : cases) EXPECT_EQ(bevelColour(c.brightness), bevelColour(c.same)) << c.brightness;
    EXPECT_NE(bevelColour(-255), bevelColour(255));
}

TEST(DuvSolids, NormalizeAngle)
{
    const std::pair<int, int> cases[] = {{-30, 330}, {725, 5}, {360, 360}, {0, 0}, {-400, 320}};
    for (auto [in, out] : cases) EXPECT_EQ(NormalizeAngle(in), out) << in;
}

TEST(DuvSolids, ConeSilhouetteEndsInTheApex)
{
    Recording r;
    DrawConeShape(r.canvas, true, 20, 10, 60, 80, 0, 20, false, 0);
    ASSERT_EQ(r.Names(), (std::vector<std::string>{"PolygonFloat"}));
    const std::string& args = r.canvas.Calls[0].Args;
    EXPECT_NE(args.rfind(" 50:0]"), std::string::npos) << "apex (40, 10) at depth 10: " << args;
    EXPECT_TRUE(r.canvas.GetBrushGradient()->Visible()) << "the shading stays on the brush";
}

// The real canvas draws the same scene the same way every time.
TEST(DuvSolids, SceneMatchesThePicture)
{
    TView3DOptions options;
    TDuvCanvas3D canvas;
    canvas.InitWindow(nullptr, &options, clWhite, true, {0, 0, 120, 90});
    canvas.SetProjection(20, {0, 0, 120, 90}, {0, 0, 120, 90});
    canvas.Brush().SetColor(0x3366CC);
    canvas.Cube(8, 40, 30, 80, 0, 12, true, 0);
    canvas.Brush().SetColor(0x22AA44);
    canvas.Cylinder(true, 50, 30, 74, 80, 0, 12, false);
    canvas.Brush().SetColor(0x2288EE);
    canvas.GetBrushGradient()->SetVisible(false);
    TPie3DSlice slice;
    slice.XCenter = 96;
    slice.YCenter = 30;
    slice.XRadius = 20;
    slice.YRadius = 14;
    slice.EndZ = 8;
    slice.StartAngle = 0.3;
    slice.EndAngle = 4.4;
    slice.DarkSides = true;
    canvas.Pie3D(slice);
    EXPECT_TRUE(qbtest::LooksLikePicture(canvas.BufferBitmap()->copy(), "chart/graphics/solids.png", 100));
}

}  // namespace
