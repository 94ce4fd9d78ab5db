#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "chart/graphics/RecordingCanvas.h"

using testing::ElementsAre;

namespace {

struct ViewCase {
    const char* name;
    bool orthogonal = true;
    int orthoAngle = 45;
    double elevation = 345, rotation = 345, tilt = 0, zoom = 100;
    int perspective = 0;
    int horizOffset = 0, vertOffset = 0;
};

// A canvas started for the chart rectangle (0, 0, 400, 300) at depth 100.
struct ProjectedCanvas {
    explicit ProjectedCanvas(const ViewCase& v, bool is3D = true)
    {
        options.SetOrthogonal(v.orthogonal);
        options.SetOrthoAngle(v.orthoAngle);
        options.SetElevation(v.elevation);
        options.SetRotation(v.rotation);
        options.SetTilt(v.tilt);
        options.SetZoom(v.zoom);
        options.SetPerspective(v.perspective);
        options.SetHorizOffset(v.horizOffset);
        options.SetVertOffset(v.vertOffset);
        const TRect r{0, 0, 400, 300};
        canvas.InitWindow(nullptr, &options, clWhite, is3D, r);
        canvas.SetProjection(100, r, r);
    }
    TPoint Project(int x, int y, int z)
    {
        TPoint p;
        canvas.Project(x, y, z, p);
        return p;
    }
    TView3DOptions options;
    TRecordingCanvas canvas;
};

}  // namespace

TEST(Canvas3D, DefaultOrthogonalProjection)
{
    ProjectedCanvas c{ViewCase{"default", true, 45, 345, 345, 0, 100, 15}};
    EXPECT_EQ(c.Project(100, 100, 10), (TPoint{110, 90}));
    EXPECT_EQ(c.Project(100, 100, 0), (TPoint{100, 100}));
}

TEST(Canvas3D, ProjectionTable)
{
    struct Case {
        ViewCase view;
        TPoint3D point;
        TPoint screen;
    };
    const Case cases[] = {
        {{"ortho 135: depth goes left and up", true, 135}, {100, 100, 10}, {90, 90}},
        {{"ortho 90: slope 1", true, 90}, {100, 100, 10}, {110, 90}},
        {{"ortho 30", true, 30}, {100, 100, 30}, {130, 83}},
        {{"ortho zoom 200", true, 45, 345, 345, 0, 200}, {100, 100, 10}, {20, 30}},
        {{"ortho offsets", true, 45, 345, 345, 0, 100, 0, 7, -3}, {100, 100, 0}, {107, 97}},
        {{"flat rotation ignores depth", false, 45, 0, 0}, {100, 100, 40}, {100, 100}},
        {{"rotation 90", false, 45, 0, 90}, {300, 150, 50}, {200, 150}},
        {{"rotation 90, depth", false, 45, 0, 90}, {200, 150, 90}, {160, 150}},
        {{"elevation 90", false, 45, 90, 0}, {200, 250, 50}, {200, 150}},
        {{"tilt 90", false, 45, 0, 0, 90}, {300, 150, 50}, {200, 250}},
        {{"zoom 50 rotated", false, 45, 0, 0, 0, 50}, {300, 100, 0}, {250, 125}},
    };
    for (const Case& c : cases) {
        ProjectedCanvas p{c.view};
        EXPECT_EQ(p.Project(c.point.X, c.point.Y, c.point.Z), c.screen) << c.view.name;
    }
}

TEST(Canvas3D, UnprojectInvertsProject)
{
    const ViewCase views[] = {
        {"default"},
        {"ortho 135", true, 135},
        {"ortho zoom 150 offsets", true, 60, 345, 345, 0, 150, 0, 12, -8},
        {"rotated", false, 45, 345, 345},
        {"rotated and tilted", false, 45, 345, 330, 10},
        {"rotated zoomed", false, 45, 20, 300, 0, 120, 0, -5, 4},
    };
    const TPoint3D points[] = {{100, 100, 10}, {350, 20, 0}, {0, 300, 80}, {200, 150, 50}};
    for (const ViewCase& v : views) {
        ProjectedCanvas c{v};
        for (const TPoint3D& point : points) {
            TPoint screen = c.Project(point.X, point.Y, point.Z);
            c.canvas.Unproject(screen.X, screen.Y, point.Z);
            EXPECT_NEAR(screen.X, point.X, 1) << v.name << " " << point.X << "," << point.Y << "," << point.Z;
            EXPECT_NEAR(screen.Y, point.Y, 1) << v.name << " " << point.X << "," << point.Y << "," << point.Z;
        }
    }
}

TEST(Canvas3D, FlatChartsAndNoRotationBrackets)
{
    ProjectedCanvas flat{ViewCase{"2D", false}, false};
    EXPECT_EQ(flat.Project(123, 45, 60), (TPoint{123, 45}));

    ProjectedCanvas rotated{ViewCase{"rotated", false, 45, 0, 90}};
    rotated.canvas.BeginNoRotation();
    rotated.canvas.BeginNoRotation();
    rotated.canvas.EndNoRotation();
    EXPECT_EQ(rotated.Project(300, 150, 50), (TPoint{300, 150}));  // still off
    rotated.canvas.EndNoRotation();
    EXPECT_EQ(rotated.Project(300, 150, 50), (TPoint{200, 150}));
}

TEST(Canvas3D, DepthCentre)
{
    struct Case {
        int depth, zCenter;
    };
    for (const Case& c : {Case{5, 2}, Case{7, 4}, Case{100, 50}, Case{0, 0}}) {
        TRecordingCanvas canvas;
        canvas.SetProjection(c.depth, {}, {0, 0, 10, 10});
        EXPECT_EQ(canvas.ZCenter, c.zCenter) << c.depth;
    }
}

TEST(Canvas3D, PrimitivesAtADepthGoThroughTheProjection)
{
    ProjectedCanvas c{ViewCase{"default"}};
    c.canvas.Clear();
    c.canvas.Rhombus(0, 0, 10, 20, 4, 8);
    c.canvas.LineWithZ(0, 0, 10, 0, 5);
    EXPECT_THAT(c.canvas.Texts(), ElementsAre("Polygon([11:-6 16:4 11:14 6:4])", "MoveTo(5,-5)", "LineTo(15,-5)"));
    TPointArray outline;
    c.canvas.CubeOutline({0, 0, 10, 10}, 0, 10, outline);
    EXPECT_EQ(outline.size(), 6u);  // a box seen at an angle shows six corners
}

TEST(Canvas3D, ConvexHull)
{
    TPointArray square{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {5, 5}, {3, 7}};
    EXPECT_TRUE(ConvexHull(square));
    EXPECT_EQ(square.size(), 4u);
    for (TPoint p : {TPoint{0, 0}, TPoint{10, 0}, TPoint{10, 10}, TPoint{0, 10}})
        EXPECT_NE(std::find(square.begin(), square.end(), p), square.end()) << p.X << "," << p.Y;
    TPointArray three{{0, 0}, {5, 5}, {9, 1}};
    EXPECT_TRUE(ConvexHull(three));
    EXPECT_EQ(three, (TPointArray{{0, 0}, {5, 5}, {9, 1}}));
    TPointArray two{{0, 0}, {1, 1}};
    EXPECT_FALSE(ConvexHull(two));
}

TEST(Canvas3D, BackFacesAndEllipsePoints)
{
    EXPECT_TRUE(IsBackFace({0, 0}, {10, 0}, {0, 10}));
    EXPECT_FALSE(IsBackFace({0, 10}, {10, 0}, {0, 0}));
    const TPointFloatArray points = EllipsePoints(0, 0, 20, 10);
    ASSERT_EQ(points.size(), 180u);
    EXPECT_FLOAT_EQ(points.front().X, 10);
    EXPECT_FLOAT_EQ(points.front().Y, 10);
    EXPECT_NEAR(points.back().X, 10, 1e-3);
    EXPECT_NEAR(points.back().Y, 10, 1e-3);
}

TEST(View3DOptions, SettersAndEvents)
{
    int repaints = 0;
    TView3DOptions options(nullptr, [&](TObject*) { ++repaints; });
    int zoomSeen = 0, zoomWhenCalled = 0;
    options.OnChangedZoom = [&](int zoom) {
        zoomSeen = zoom;
        zoomWhenCalled = options.Zoom();
    };
    options.SetZoom(150);
    EXPECT_EQ(zoomSeen, 150);
    EXPECT_EQ(zoomWhenCalled, 100);
    EXPECT_EQ(repaints, 1);
    options.SetZoom(150);
    EXPECT_EQ(repaints, 1);

    options.SetPerspective(250);
    EXPECT_EQ(options.Perspective(), 100);
    std::vector<bool> scrolled;
    options.OnScrolled = [&](bool horizontal) { scrolled.push_back(horizontal); };
    options.SetHorizOffset(3);
    options.SetVertOffset(-2);
    options.SetVertOffset(-2);
    EXPECT_EQ(scrolled, (std::vector<bool>{true, false}));
    options.SetRotation(180.4);
    EXPECT_EQ(options.Rotation(), 180);
    EXPECT_FALSE(options.ViewFromBack());  // orthogonal views never look from the back
    options.SetOrthogonal(false);
    EXPECT_TRUE(options.ViewFromBack());

    TView3DOptions copy;
    const int before = repaints;
    copy.Assign(&options);
    EXPECT_EQ(copy.RotationValue(), 180.4);
    EXPECT_EQ(copy.Perspective(), 100);
    EXPECT_EQ(repaints, before);
}
