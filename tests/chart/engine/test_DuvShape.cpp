#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/DuvShape.h"
#include "chart/graphics/DuvBasePath.h"
#include "chart/graphics/RecordingCanvas.h"
#include "support_ChartEngine.h"
#include "support_ShapeStreaming.h"

using testing::ElementsAre;
using testing::ElementsAreArray;

namespace {

// Counts the blendings a drawing starts.
class TBlendCountingCanvas : public TRecordingCanvas {
public:
    TDuvBlend* BeginBlending(const TRect& rect, int transparency) override
    {
        Record("BeginBlending", std::to_string(transparency));
        return TRecordingCanvas::BeginBlending(rect, transparency);
    }
};

class ShapeTest : public testing::Test {
protected:
    void SetUp() override
    {
        enginetest::StartChartModules();
        auto canvas = std::make_unique<TBlendCountingCanvas>();
        canvas_ = canvas.get();
        panel_.ReplaceCanvas(std::move(canvas), "TRecordingCanvas");
        canvas_->Clear();
    }
    // A shape on the panel without shadow, so the recording shows the body alone.
    static void Plain(TDuvCustomShape& shape) { shape.GetShadow()->SetVisible(false); }
    TDuvCustomShape& AddChild(TDuvCustomShape& parent, int width, int height, TAlignment alignment = taLeftJustify)
    {
        TDuvCustomShape& child = *parent.Children()->Add()->Shape();
        Plain(child);
        child.SetTransparent(false);
        child.SetAutoSize(false);
        child.SetAlignment(alignment);
        child.Bounds = {0, 0, width, height};
        return child;
    }

    enginetest::TTestPanel panel_;
    TBlendCountingCanvas* canvas_ = nullptr;
};

// ---------------------------------------------------------------- callout

TEST_F(ShapeTest, CalloutPathOnEachSideWithAndWithoutRoundCorners)
{
    struct Case {
        TShapeCalloutSide side;
        int radius;
        int position;
        std::vector<std::string> path;
    };
    const std::string start = "Path.MoveTo(0,4)", tl = "Path.AddArc(0,0,8,8,180,90)", tr = "Path.AddArc(92,0,8,8,270,90)";
    const std::string br = "Path.AddArc(92,32,8,8,0,90)", bl = "Path.AddArc(0,32,8,8,90,90)";
    const Case cases[] = {
        {csTop, 0, 50,
         {"Path.MoveTo(0,0)", "Path.LineTo(40,0)", "Path.LineTo(50,-10)", "Path.LineTo(60,0)", "Path.LineTo(100,0)",
          "Path.LineTo(100,40)", "Path.LineTo(0,40)", "Path.CloseFigure()"}},
        {csTop, 8, 50,
         {start, tl, "Path.LineTo(8,0)", "Path.LineTo(40,0)", "Path.LineTo(50,-10)", "Path.LineTo(60,0)", "Path.LineTo(92,0)",
          tr, br, bl, "Path.CloseFigure()"}},
        // the centre is kept so the whole base stays on the side
        {csTop, 0, 0,
         {"Path.MoveTo(0,0)", "Path.LineTo(80,0)", "Path.LineTo(90,-10)", "Path.LineTo(100,0)", "Path.LineTo(100,0)",
          "Path.LineTo(100,40)", "Path.LineTo(0,40)", "Path.CloseFigure()"}},
        {csRight, 0, 50,
         {"Path.MoveTo(0,0)", "Path.LineTo(100,0)", "Path.LineTo(100,16)", "Path.LineTo(125,20)", "Path.LineTo(100,24)",
          "Path.LineTo(100,40)", "Path.LineTo(0,40)", "Path.CloseFigure()"}},
        {csRight, 8, 50,
         {start, tl, tr, "Path.LineTo(100,8)", "Path.LineTo(100,16)", "Path.LineTo(125,20)", "Path.LineTo(100,24)",
          "Path.LineTo(100,32)", br, bl, "Path.CloseFigure()"}},
        {csBottom, 0, 50,
         {"Path.MoveTo(0,0)", "Path.LineTo(100,0)", "Path.LineTo(100,40)", "Path.LineTo(60,40)", "Path.LineTo(50,50)",
          "Path.LineTo(40,40)", "Path.LineTo(0,40)", "Path.CloseFigure()"}},
        {csBottom, 8, 50,
         {start, tl, tr, br, "Path.LineTo(92,40)", "Path.LineTo(60,40)", "Path.LineTo(50,50)", "Path.LineTo(40,40)",
          "Path.LineTo(8,40)", bl, "Path.CloseFigure()"}},
        {csLeft, 0, 50,
         {"Path.MoveTo(0,0)", "Path.LineTo(100,0)", "Path.LineTo(100,40)", "Path.LineTo(0,40)", "Path.LineTo(0,24)",
          "Path.LineTo(-25,20)", "Path.LineTo(0,16)", "Path.LineTo(0,0)"}},
        {csLeft, 8, 50,
         {start, tl, tr, br, bl, "Path.LineTo(0,32)", "Path.LineTo(0,24)", "Path.LineTo(-25,20)", "Path.LineTo(0,16)",
          "Path.LineTo(0,8)", tl}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "side " << c.side << " radius " << c.radius << " position " << c.position);
        TRecordingCanvas canvas;
        TShapeCallout callout;
        callout.SetSide(c.side);
        callout.SetPosition(c.position);
        callout.BuildPath(canvas, {0, 0, 100, 40}, c.radius);
        EXPECT_THAT(canvas.Texts(), ElementsAreArray(c.path));
    }
}

TEST_F(ShapeTest, AShapeWithACalloutDrawsItsPathInsteadOfItsOutline)
{
    struct Case {
        TChartObjectShapeStyle style;
        std::string first;
    };
    const Case cases[] = {{fosRectangle, "Path.MoveTo(0,0)"}, {fosRoundRectangle, "Path.MoveTo(0,8)"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        canvas_->Clear();
        TDuvShape shape(&panel_);
        Plain(shape);
        shape.SetShapeStyle(c.style);
        shape.GetShapeCallout()->SetSide(csBottom);
        shape.Bounds = {0, 0, 100, 40};
        canvas_->Clear();  // the settings' repaints
        shape.DrawAtBounds();
        const std::vector<std::string> calls = canvas_->Texts();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.front(), c.first);
        EXPECT_EQ(calls.back(), "Path.Draw()");
        EXPECT_TRUE(canvas_->Texts("Rectangle").empty());
        EXPECT_TRUE(canvas_->Texts("RoundRect").empty());
    }
}

// ---------------------------------------------------------------- rotation

TEST_F(ShapeTest, ATurnedShapeIsAPolygonWithoutCalloutBevelOrCorners)
{
    TDuvShape shape(&panel_);
    Plain(shape);
    shape.SetAngle(90);
    shape.SetRoundSize(10);
    shape.SetBevel(bvRaised);
    shape.GetShapeCallout()->SetSide(csTop);
    shape.Bounds = {0, 0, 10, 20};
    canvas_->Clear();
    shape.DrawAtBounds();
    EXPECT_THAT(canvas_->Texts(), ElementsAre("Polygon([-5:15 -5:5 15:5 15:15])"));
}

TEST_F(ShapeTest, HitTestFollowsTheTurnedOutline)
{
    struct Case {
        int angle;
        TPoint point;
        bool inside;
    };
    const Case cases[] = {
        {0, {0, 0}, true},    {0, {10, 20}, true},  {0, {-3, 10}, false}, {0, {11, 10}, false},
        {90, {0, 0}, false},  {90, {-3, 10}, true}, {90, {14, 6}, true},  {90, {5, 18}, false},
        {450, {-3, 10}, true},  // whole turns do not count
    };
    TDuvShape shape;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.angle << " " << c.point.X << "," << c.point.Y);
        shape.SetAngle(c.angle);
        EXPECT_EQ(shape.ContainsPoint(c.point, {0, 0, 10, 20}), c.inside);
    }
}

// ---------------------------------------------------------------- children

TEST_F(ShapeTest, ChildrenAreLaidOutSideBySideOrStacked)
{
    struct Case {
        TDuvShapeLayout layout;
        TAlignment second;
        TRect parent;
        std::vector<std::string> rectangles;
    };
    const Case cases[] = {
        {slLeftRight, taLeftJustify, {10, 20, 60, 35},
         {"Rectangle(10,20,60,35)", "Rectangle(10,20,40,30)", "Rectangle(40,20,60,35)"}},
        {slTopBottom, taLeftJustify, {10, 20, 40, 45},
         {"Rectangle(10,20,40,45)", "Rectangle(10,20,40,30)", "Rectangle(10,30,30,45)"}},
        {slTopBottom, taCenter, {10, 20, 40, 45},
         {"Rectangle(10,20,40,45)", "Rectangle(10,20,40,30)", "Rectangle(15,30,35,45)"}},
        {slTopBottom, taRightJustify, {10, 20, 40, 45},
         {"Rectangle(10,20,40,45)", "Rectangle(10,20,40,30)", "Rectangle(20,30,40,45)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "layout " << c.layout << " alignment " << c.second);
        canvas_->Clear();
        TDuvShape parent(&panel_);
        Plain(parent);
        parent.SetChildLayout(c.layout);
        AddChild(parent, 30, 10);
        AddChild(parent, 20, 15, c.second);
        TDuvCustomShape& hidden = AddChild(parent, 99, 99);
        hidden.SetVisible(false);
        parent.Bounds = {10, 20, 500, 500};
        parent.CalcSize(&panel_);
        EXPECT_EQ(parent.Bounds, c.parent);
        parent.DrawAtBounds();
        EXPECT_THAT(canvas_->Texts("Rectangle"), ElementsAreArray(c.rectangles));
    }
}

TEST_F(ShapeTest, CalcSizeWithoutAutoSizeKeepsTheBounds)
{
    TDuvShape parent(&panel_);
    parent.SetAutoSize(false);
    AddChild(parent, 30, 10);
    AddChild(parent, 20, 15);
    parent.Bounds = {0, 0, 100, 50};
    for (int paint = 0; paint < 3; ++paint) {
        parent.CalcSize(&panel_);
        EXPECT_EQ(parent.Bounds, (TRect{0, 0, 100, 50})) << "paint " << paint;
    }
}

TEST_F(ShapeTest, ATransparentShapeDrawsOnlyItsChildrenAndAClearBrushThrowsNoShadow)
{
    struct Case {
        const char* name;
        std::function<void(TDuvShape&)> set;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"transparent", [](TDuvShape& s) { s.SetTransparent(true); }, {"Rectangle(0,0,30,10)"}},
        {"clear brush", [](TDuvShape& s) { s.Brush().SetStyle(bsClear); },
         {"Rectangle(0,0,30,10)", "Rectangle(0,0,30,10)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        canvas_->Clear();
        TDuvShape shape(&panel_);
        shape.SetBevel(bvRaised);  // the clear-brush shape draws its bevel; filtered out below
        AddChild(shape, 30, 10);
        c.set(shape);
        shape.Bounds = {0, 0, 30, 10};
        shape.DrawAtBounds();
        std::vector<std::string> calls;
        for (const std::string& call : canvas_->Texts())
            if (call.rfind("Rectangle", 0) == 0 || call.find("Shadow") != std::string::npos ||
                call.rfind("FillRect", 0) == 0)
                calls.push_back(call);
        EXPECT_THAT(calls, ElementsAreArray(c.calls));
    }
}

// Notes whether the canvas brush held a gradient when a shadow was filled.
class TGradientWatchingCanvas : public TRecordingCanvas {
public:
    void FillRect(const TRect& rect) override
    {
        TRecordingCanvas::FillRect(rect);
        if (Brush().HasGradient()) Record("WithGradient", "");
    }
};

TEST_F(ShapeTest, AShadowShowsNoGradientOfTheShapeDrawnBefore)
{
    auto canvas = std::make_unique<TGradientWatchingCanvas>();
    TGradientWatchingCanvas& watching = *canvas;
    panel_.ReplaceCanvas(std::move(canvas), "TRecordingCanvas");
    TDuvShape gradient(&panel_), plain(&panel_);
    Plain(gradient);
    gradient.GetGradient()->SetVisible(true);
    gradient.Bounds = {0, 0, 30, 10};
    plain.Bounds = {0, 20, 30, 30};
    gradient.DrawAtBounds();
    watching.Clear();
    plain.DrawAtBounds();
    EXPECT_THAT(watching.Texts("FillRect"), ElementsAre("FillRect(3,23,33,33)"));
    EXPECT_THAT(watching.Texts("WithGradient"), testing::IsEmpty());
}

TEST_F(ShapeTest, ATransparentShapeIsBlendedOnceWithItsChildren)
{
    TDuvShape shape(&panel_);
    Plain(shape);
    shape.SetTransparency(50);
    AddChild(shape, 30, 10);
    AddChild(shape, 30, 10);
    shape.Bounds = {0, 0, 30, 20};
    shape.DrawAtBounds();
    EXPECT_THAT(canvas_->Texts("BeginBlending"), ElementsAre("BeginBlending(50)"));
    const std::vector<std::string> rectangles = canvas_->Texts("Rectangle");
    EXPECT_EQ(rectangles.size(), 3u);
    for (const TRecordedCall& call : canvas_->Calls)
        if (call.Name == "Rectangle") {
            EXPECT_EQ(call.Transparency, 50) << call.Text();
        }
    EXPECT_EQ(canvas_->Transparency, 0);
}

TEST_F(ShapeTest, TheBodyFollowsTheShapeStyle)
{
    struct Case {
        TChartObjectShapeStyle style;
        bool draw3D;
        std::string call;
    };
    const Case cases[] = {
        {fosRectangle, false, "Rectangle(0,0,30,10)"},
        {fosEllipse, false, "Ellipse(0,0,30,10)"},
        {fosRoundRectangle, false, "RoundRect(0,0,30,10,16,16)"},
        {fosRectangle, true, "RectangleAtZ(0,0,30,10,4)"},
        {fosEllipse, true, "EllipseWithZ(0,0,30,10,4)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        canvas_->Clear();
        TDuvShape shape(&panel_);
        Plain(shape);
        shape.SetShapeStyle(c.style);
        shape.Draw3D = c.draw3D;
        canvas_->Clear();
        shape.DrawAt({0, 0, 30, 10}, 0, 4);
        EXPECT_THAT(canvas_->Texts(), ElementsAre(c.call));
    }
}

TEST_F(ShapeTest, RoundSizeAboveZeroMakesTheShapeRounded)
{
    TDuvShape shape;
    shape.SetRoundSize(0);
    EXPECT_EQ(shape.ShapeStyle(), fosRectangle);
    shape.SetRoundSize(10);
    EXPECT_EQ(shape.ShapeStyle(), fosRoundRectangle);
}

// ---------------------------------------------------------------- margins and mark positions

TEST_F(ShapeTest, MarginsInPixelsByTheirUnits)
{
    struct Case {
        TMarginUnits units;
        TRect pixels;
    };
    // margins 10, 5, 10, 5 of a 200 x 50 text block 23 pixels high
    const Case cases[] = {
        {maPercentFont, {2, 1, 2, 1}},  // 2.3 and 1.15
        {maPercentSize, {20, 2, 20, 2}},  // 2.5 rounds to even
        {maPixels, {10, 5, 10, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.units);
        TMargins margins;
        margins.SetUnits(c.units);
        margins.CalcPixels(200, 50, 23);
        EXPECT_EQ(margins.ComputedMargins, c.pixels);
        EXPECT_EQ(margins.HorizontalPixels(), c.pixels.Left + c.pixels.Right);
        margins.ResetComputed();
        EXPECT_EQ(margins.VerticalPixels(), 0);
    }
}

TEST_F(ShapeTest, StoringAMarkPositionFillsTheListUpToIt)
{
    TSeriesMarksPositions positions;
    EXPECT_EQ(positions.PositionAt(0), nullptr);
    TSeriesMarkPosition moved;
    moved.LeftTop = {3, 4};
    moved.Width = 20;
    moved.Height = 10;
    positions.StorePosition(5, moved);
    EXPECT_EQ(positions.Count(), 6);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(positions.PositionAt(i), nullptr);
    ASSERT_NE(positions.PositionAt(5), nullptr);
    EXPECT_TRUE(positions.PositionAt(5)->Custom);
    EXPECT_EQ(positions.PositionAt(5)->GetBounds(), (TRect{3, 4, 23, 14}));
    EXPECT_EQ(positions.PositionAt(6), nullptr);
    EXPECT_TRUE(positions.AnyCustomPosition());
    positions.Clear();
    EXPECT_FALSE(positions.AnyCustomPosition());
}

// ---------------------------------------------------------------- streaming

TEST_F(ShapeTest, ANewShapeStreamsNothing)
{
    TShapeHolder holder;
    EXPECT_TRUE(StreamedShapeNames(holder).empty());
    EXPECT_EQ(holder.Shape()->PeekShapeCallout(), nullptr);
    EXPECT_EQ(holder.Shape()->PeekCorners(), nullptr);
    EXPECT_EQ(holder.Shape()->PeekEmboss(), nullptr);
    EXPECT_EQ(holder.Shape()->PeekPicture(), nullptr);
}

TEST_F(ShapeTest, EachChangedShapePropertyStreamsAndReadsBack)
{
    struct Case {
        const char* name;
        std::function<void(TDuvShape&)> change;
        std::function<bool(TDuvShape&)> check;
    };
    const Case cases[] = {
        {"Shape.Angle", [](auto& s) { s.SetAngle(30); }, [](auto& s) { return s.Angle() == 30; }},
        {"Shape.Bevel", [](auto& s) { s.SetBevel(bvLowered); }, [](auto& s) { return s.Bevel() == bvLowered; }},
        {"Shape.BevelWidth", [](auto& s) { s.SetBevelWidth(5); }, [](auto& s) { return s.BevelWidth() == 5; }},
        {"Shape.Children",
         [](auto& s) { s.Children()->Add()->Shape()->SetColor(clRed); },
         [](auto& s) {
             return s.Children()->Count() == 1 && s.Children()->Get(0)->Shape()->Color() == clRed &&
                    s.Children()->Get(0)->Shape()->Transparent();
         }},
        {"Shape.ChildLayout", [](auto& s) { s.SetChildLayout(slLeftRight); },
         [](auto& s) { return s.ChildLayout() == slLeftRight; }},
        {"Shape.Color", [](auto& s) { s.SetColor(clYellow); }, [](auto& s) { return s.Color() == clYellow; }},
        {"Shape.Corners.LeftTop.Style", [](auto& s) { s.GetCorners()->LeftTop()->SetStyle(cosBevel); },
         [](auto& s) { return s.PeekCorners() && s.PeekCorners()->LeftTop()->Style() == cosBevel; }},
        {"Shape.Emboss.Visible", [](auto& s) { s.GetEmboss()->SetVisible(true); },
         [](auto& s) { return s.PeekEmboss() && s.PeekEmboss()->Visible(); }},
        {"Shape.Font.Color", [](auto& s) { s.Font()->SetColor(clBlue); },
         [](auto& s) { return s.Font()->Color() == clBlue; }},
        {"Shape.Gradient.Visible", [](auto& s) { s.GetGradient()->SetVisible(true); },
         [](auto& s) { return s.Brush().HasGradient(); }},
        {"Shape.Picture.Mode", [](auto& s) { s.GetPicture()->SetMode(pbmTile); },
         [](auto& s) { return s.PeekPicture() && s.PeekPicture()->Mode() == pbmTile; }},
        {"Shape.RoundSize", [](auto& s) { s.SetRoundSize(0); }, [](auto& s) { return s.RoundSize() == 0; }},
        {"Shape.Shadow.Color", [](auto& s) { s.GetShadow()->SetColor(clGray); },
         [](auto& s) { return s.GetShadow()->Color() == clGray; }},
        {"Shape.Shadow.HorizSize", [](auto& s) { s.GetShadow()->SetHorizSize(6); },
         [](auto& s) { return s.GetShadow()->HorizSize() == 6; }},
        {"Shape.ShapeCallout.PointPosition", [](auto& s) { s.GetShapeCallout()->SetPointPosition(7); },
         [](auto& s) { return s.PeekShapeCallout() && s.PeekShapeCallout()->PointPosition() == 7; }},
        {"Shape.ShapeCallout.Side", [](auto& s) { s.GetShapeCallout()->SetSide(csLeft); },
         [](auto& s) { return s.PeekShapeCallout() && s.PeekShapeCallout()->Side() == csLeft; }},
        {"Shape.ShapeCallout.Width", [](auto& s) { s.GetShapeCallout()->SetWidth(40); },
         [](auto& s) { return s.PeekShapeCallout() && s.PeekShapeCallout()->Width() == 40; }},
        {"Shape.ShapeStyle", [](auto& s) { s.SetShapeStyle(fosEllipse); },
         [](auto& s) { return s.ShapeStyle() == fosEllipse; }},
        {"Shape.Transparent", [](auto& s) { s.SetTransparent(true); }, [](auto& s) { return s.Transparent(); }},
        {"Shape.Visible", [](auto& s) { s.SetVisible(false); }, [](auto& s) { return !s.Visible(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TShapeHolder holder;
        c.change(*holder.Shape());
        EXPECT_THAT(StreamedShapeNames(holder), ElementsAre(c.name));
        auto copy = StreamShapeCopy(holder);
        EXPECT_TRUE(c.check(*copy->Shape()));
    }
}

TEST_F(ShapeTest, OldShadowSettingsAreRead)
{
    struct Case {
        std::string lines;
        TColor color;
        int size;
    };
    const Case cases[] = {
        {"  Shape.ShadowColor = clRed\r\n  Shape.ShadowSize = 7\r\n", clRed, 7},
        {"  Shape.ShadowColor = 65280\r\n", clLime, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        TShapeHolder holder;
        ReadShapeHolderText(holder, c.lines);
        EXPECT_EQ(holder.Shape()->GetShadow()->Color(), c.color);
        EXPECT_EQ(holder.Shape()->GetShadow()->HorizSize(), c.size);
        EXPECT_EQ(holder.Shape()->GetShadow()->VertSize(), c.size);
    }
}

TEST_F(ShapeTest, AssignCopiesTheFormatAndDropsWhatTheSourceLacks)
{
    TDuvShape source;
    source.SetColor(clNavy);
    source.SetAngle(45);
    source.SetTransparency(20);
    source.GetShapeCallout()->SetSide(csRight);
    source.Children()->Add();
    source.Bounds = {1, 2, 3, 4};
    TDuvShape target;
    target.GetCorners();
    target.GetEmboss()->SetVisible(true);
    target.Assign(&source);
    EXPECT_EQ(target.Color(), clNavy);
    EXPECT_EQ(target.Angle(), 45);
    EXPECT_EQ(target.Transparency(), 20);
    ASSERT_NE(target.PeekShapeCallout(), nullptr);
    EXPECT_EQ(target.PeekShapeCallout()->Side(), csRight);
    EXPECT_EQ(target.Children()->Count(), 1);
    EXPECT_EQ(target.PeekCorners(), nullptr);
    EXPECT_EQ(target.PeekEmboss(), nullptr);
    EXPECT_EQ(target.Bounds, TRect{});
    TDuvPen pen;
    EXPECT_THROW(target.Assign(&pen), std::exception);
}

}  // namespace

namespace {

TEST(DuvShapeTransparency, StaysAPercentageWhateverAStreamHolds)
{
    struct Case {
        int value;
        int kept;
    };
    const Case cases[] = {{40, 40}, {100, 100}, {150, 100}, {300, 100}, {-5, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        TShapeHolder holder;
        ReadShapeHolderText(holder, "  Labels.Transparency = " + std::to_string(c.value) + "\r\n");
        EXPECT_EQ(holder.Labels()->Transparency(), c.kept);
    }
}

}  // namespace
