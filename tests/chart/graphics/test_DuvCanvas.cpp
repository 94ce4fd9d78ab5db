#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "chart/graphics/DuvBasePath.h"
#include "chart/graphics/DuvCorners.h"
#include "chart/graphics/DuvShadow.h"
#include "chart/graphics/RecordingCanvas.h"

using testing::ElementsAre;

TEST(DuvCanvas, ArrowPoints)
{
    struct Case {
        TPoint from, to;
        int headWidth, headLength;
        float body;
        TPointArray points;
    };
    const Case cases[] = {
        {{0, 0}, {100, 0}, 10, 20, 50, {{0, 2}, {0, -2}, {80, -2}, {80, -5}, {100, 0}, {80, 5}, {80, 2}}},
        // a head longer than the arrow starts at the start point
        {{0, 0}, {10, 0}, 10, 20, 50, {{0, 2}, {0, -2}, {0, -2}, {0, -5}, {10, 0}, {0, 5}, {0, 2}}},
        // upwards on screen: the frame turns with the arrow
        {{0, 0}, {0, -100}, 10, 20, 100, {{5, 0}, {-5, 0}, {-5, -80}, {-5, -80}, {0, -100}, {5, -80}, {5, -80}}},
        {{5, 5}, {5, 5}, 10, 20, 50, {}},
    };
    for (const Case& c : cases) {
        TPointArray points{{9, 9}};
        CalcArrowPoints(c.from, c.to, points, c.headWidth, c.headLength, c.body);
        EXPECT_EQ(points, c.points) << c.to.X << "," << c.to.Y;
    }
}

TEST(DuvCanvas, OutlineArrowAndEmptyArrow)
{
    TRecordingCanvas canvas;
    canvas.Arrow(false, {0, 0}, {100, 0}, 10, 20, 50);
    EXPECT_THAT(canvas.Texts(), ElementsAre("MoveTo(0,0)", "LineTo(100,0)", "LineTo(80,5)", "MoveTo(100,0)", "LineTo(80,-5)"));
    canvas.Clear();
    canvas.Arrow(true, {3, 3}, {3, 3}, 10, 20, 50);
    EXPECT_TRUE(canvas.Calls.empty());
}

TEST(DuvCanvas, Frame3D)
{
    struct Case {
        TRect rect;
        int width;
        TRect inner;
        std::size_t lines;
    };
    const Case cases[] = {{{0, 0, 10, 10}, 2, {2, 2, 8, 8}, 4}, {{0, 0, 10, 10}, 0, {0, 0, 10, 10}, 0}, {{5, 5, 9, 7}, 1, {6, 6, 8, 6}, 2}};
    for (const Case& c : cases) {
        TRecordingCanvas canvas;
        TRect r = c.rect;
        canvas.Frame3D(r, clWhite, clGray, c.width);
        EXPECT_EQ(r, c.inner) << c.width;
        EXPECT_EQ(canvas.Texts("Polyline").size(), c.lines);
    }
    TRecordingCanvas canvas;
    TRect r{0, 0, 10, 10};
    canvas.Frame3D(r, clWhite, clGray, 1);
    ASSERT_EQ(canvas.Calls.size(), 2u);
    EXPECT_EQ(canvas.Calls[0].Text(), "Polyline([0:9 0:0 9:0])");
    EXPECT_EQ(canvas.Calls[0].PenColor, clWhite);
    EXPECT_EQ(canvas.Calls[1].Text(), "Polyline([9:0 9:9 -1:9])");
    EXPECT_EQ(canvas.Calls[1].PenColor, clGray);
}

TEST(DuvCanvas, NestedBlendingCombinesTransparencies)
{
    struct Case {
        int outer, inner, combined;
    };
    const Case cases[] = {{50, 50, 75}, {0, 30, 30}, {100, 0, 100}, {20, 25, 40}};
    for (const Case& c : cases) {
        TRecordingCanvas canvas;
        canvas.Transparency = 0;
        TDuvBlend* outer = canvas.BeginBlending({0, 0, 10, 10}, c.outer);
        EXPECT_EQ(canvas.Transparency, c.outer);
        TDuvBlend* inner = canvas.BeginBlending({}, c.inner);
        EXPECT_EQ(canvas.Transparency, c.combined) << c.outer << " in " << c.inner;
        canvas.EndBlending(inner);
        EXPECT_EQ(canvas.Transparency, c.outer);
        canvas.EndBlending(outer);
        EXPECT_EQ(canvas.Transparency, 0);
    }
    TRecordingCanvas canvas;
    canvas.EndBlending(nullptr);  // no blend and an empty stack: nothing changes
    EXPECT_EQ(canvas.Transparency, 0);
}

TEST(DuvCanvas, TextSizeCountsShadowAndEmbossNotOutline)
{
    TRecordingCanvas canvas;
    canvas.CharWidth = 6;
    canvas.LineHeight = 12;
    EXPECT_EQ(canvas.TextWidth("abc"), 18);
    canvas.Font().GetShadow()->SetHorizSize(-3);
    canvas.Font().GetShadow()->SetVertSize(2);
    canvas.Font().GetOutLine()->Show();
    EXPECT_EQ(canvas.TextWidth("abc"), 21);
    EXPECT_EQ(canvas.FontHeight(), 14);
    canvas.Font().GetEmboss()->SetVisible(true);
    canvas.Font().GetEmboss()->SetHorizSize(1);
    TPointFloat size;
    canvas.TextSizeFloat("abc", size);
    EXPECT_EQ(size, (TPointFloat{22, 14}));
    canvas.Font().GetShadow()->SetVisible(false);
    EXPECT_EQ(canvas.TextWidth("abc"), 19);
}

TEST(DuvCanvas, ArcAnglesRunCounterclockwiseFromTheSmallerAngle)
{
    TRecordingCanvas canvas;
    canvas.ArcAngles(0, 0, 100, 50, 270, 90);
    canvas.ArcAngles(0, 0, 100, 50, 90, 270);
    EXPECT_THAT(canvas.Texts(), ElementsAre("Arc(0,0,100,50,50,0,50,50)", "Arc(0,0,100,50,50,0,50,50)"));
    double start, end;
    TDuvCanvas::PointsToAngles(0, 0, 100, 100, 100, 50, 50, 100, start, end);
    EXPECT_DOUBLE_EQ(start, 0);
    EXPECT_DOUBLE_EQ(end, 270);
}

TEST(DuvCanvas, AssignFontSizeAppliesTheFontZoomOnlyWhenTextZooms)
{
    struct Case {
        bool zoomActive;
        float size;
    };
    for (const Case& c : {Case{false, 10}, Case{true, 15}}) {
        TRecordingCanvas canvas;
        canvas.FontZoom = 150;
        canvas.FontZoomActive = c.zoomActive;
        TDuvFont font;
        font.SetSize(10);
        canvas.AssignFont(font);
        EXPECT_EQ(canvas.Font().GetSizeFloat(), c.size);
    }
}

TEST(DuvCanvas, AssignPenAndBrush)
{
    TRecordingCanvas canvas;
    TDuvPen hidden;
    hidden.Hide();
    canvas.AssignPenColor(hidden, clRed);
    EXPECT_EQ(canvas.Pen().Style(), psClear);
    EXPECT_FALSE(canvas.Pen().Visible());

    TDuvPen pen;
    pen.SetWidth(3);
    canvas.AssignPenColor(pen, clBlue);
    EXPECT_EQ(canvas.Pen().Color(), clBlue);
    EXPECT_EQ(canvas.Pen().Width(), 3);
    canvas.SetMonochrome(true);
    canvas.AssignPen(pen);
    EXPECT_EQ(canvas.Pen().Color(), clBlack);

    TDuvBrush brush;
    brush.SetStyle(bsCross);
    brush.SetColor(clRed);
    brush.SetBackColor(clYellow);
    canvas.SetMonochrome(false);
    canvas.AssignBrushBack(brush, clGreen);
    EXPECT_EQ(canvas.Brush().Color(), clGreen);
    EXPECT_EQ(canvas.Brush().BackColor(), clRed);
    EXPECT_EQ(canvas.GetBackMode(), OPAQUE);  // a hatch shows its back colour
    brush.SetStyle(bsClear);
    canvas.AssignBrush(brush);
    EXPECT_EQ(canvas.GetBackMode(), TRANSPARENT);
}

TEST(DuvCanvas, CornerOutlines)
{
    struct Case {
        TDuvCornerStyle lb, lt, rb, rt;
        std::vector<std::string> steps;
    };
    const Case cases[] = {
        {cosNone, cosNone, cosNone, cosNone,
         {"Path.MoveTo(100,0)", "Path.LineTo(100,50)", "Path.LineTo(0,50)", "Path.LineTo(0,0)", "Path.CloseFigure()"}},
        {cosRound, cosRound, cosRound, cosRound,
         {"Path.AddArc(80,0,20,20,270,90)", "Path.AddArc(80,30,20,20,0,90)", "Path.AddArc(0,30,20,20,90,90)",
          "Path.AddArc(0,0,20,20,180,90)", "Path.CloseFigure()"}},
        {cosBevel, cosNone, cosNone, cosRound,
         {"Path.MoveTo(0,0)", "Path.LineTo(80,0)", "Path.AddArc(80,0,20,20,270,90)", "Path.MoveTo(100,20)",
          "Path.LineTo(100,50)", "Path.LineTo(10,50)", "Path.LineTo(0,40)", "Path.CloseFigure()"}},
    };
    for (const Case& c : cases) {
        TDuvCorners corners;
        corners.LeftBottom()->SetStyle(c.lb);
        corners.LeftTop()->SetStyle(c.lt);
        corners.RightBottom()->SetStyle(c.rb);
        corners.RightTop()->SetStyle(c.rt);
        TRecordingCanvas canvas;
        corners.BuildPath(canvas, {0, 0, 100, 50}, 20, 20);
        EXPECT_EQ(canvas.Texts(), c.steps);
    }
    // corner ellipses never exceed the rectangle, and never vanish
    TDuvCorners corners;
    TRecordingCanvas canvas;
    corners.BuildPath(canvas, {0, 0, 10, 50}, 30, 1);
    EXPECT_EQ(canvas.Texts().front(), "Path.AddArc(0,0,10,1,270,90)");
}

TEST(DuvCanvas, CopyingCornersKeepsEveryStyle)
{
    TDuvCorners source;
    source.LeftBottom()->SetStyle(cosBevel);
    source.LeftTop()->SetStyle(cosNone);
    source.RightBottom()->SetStyle(cosRound);
    source.RightTop()->SetStyle(cosBevel);
    int changes = 0;
    TDuvCorners target([&](TObject*) { ++changes; });
    TDuvCorner* kept = target.LeftBottom();
    target.Assign(&source);
    EXPECT_EQ(target.LeftBottom(), kept);
    EXPECT_EQ((std::vector<int>{target.LeftBottom()->Style(), target.LeftTop()->Style(), target.RightBottom()->Style(),
                                target.RightTop()->Style()}),
              (std::vector<int>{cosBevel, cosNone, cosRound, cosBevel}));
    EXPECT_EQ(changes, 0);
    target.RightTop()->SetStyle(cosNone);
    EXPECT_EQ(changes, 1);
}
