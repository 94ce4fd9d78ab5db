#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/RecordingCanvas.h"
#include "support_ChartEngine.h"
#include "support_TestSeries.h"

namespace {

using enginetest::TTestSeries;

// A test series that may say it does not use axes (as a pie would).
class TWallTestSeries : public TTestSeries {
    QB_CLASS(TWallTestSeries, TTestSeries)
public:
    explicit TWallTestSeries(TComponent* owner = nullptr) : TTestSeries(owner) {}
    bool UsesAxes() const override { return Axes; }
    bool Axes = true;
};

constexpr TRect kChartRect{40, 30, 360, 220};

// A 400 x 250 chart on a recording canvas with one series; the recording canvas measures 7 pixels
// a character and 13 a line. With Chart3DPercent 50 the 3D depth of the rectangle above is 16.
class ChartDrawTest : public testing::Test {
protected:
    void SetUp() override
    {
        enginetest::StartChartModules();
        auto canvas = std::make_unique<TRecordingCanvas>();
        canvas_ = canvas.get();
        chart_.ReplaceCanvas(std::move(canvas), "TRecordingCanvas");
        chart_.SetBounds(0, 0, 400, 250);
        chart_.PanelBounds = {0, 0, 400, 250};
        chart_.SetChart3DPercent(50);
        series_.SetParentChart(&chart_);
        Prepare(false);
    }
    // The view, the chart rectangle and the projection a paint would set up; the recording empty.
    void Prepare(bool view3D, int orthoAngle = 45, bool orthogonal = true)
    {
        chart_.SetView3D(view3D);
        chart_.View3DOptions().SetOrthogonal(orthogonal);
        chart_.View3DOptions().SetOrthoAngle(orthoAngle);
        chart_.ChartRect = kChartRect;
        chart_.NormalizeChartRect();
        chart_.CalcSize3D();
        canvas_->InitWindow(nullptr, &chart_.View3DOptions(), clWhite, view3D, chart_.PanelBounds);
        canvas_->SetProjection(chart_.DepthWidth, chart_.PanelBounds, chart_.ChartRect);
        canvas_->Clear();
    }
    // The groups opened, in order, among the names asked for.
    std::vector<std::string> Opened(const std::vector<std::string>& names) const { return Opened(*canvas_, names); }
    static std::vector<std::string> Opened(const TRecordingCanvas& canvas, const std::vector<std::string>& names)
    {
        std::vector<std::string> result;
        for (const TRecordedCall& call : canvas.Calls) {
            if (call.Name != "PushTransform") continue;
            const std::string name = call.Args.substr(1, call.Args.size() - 2);
            if (std::find(names.begin(), names.end(), name) != names.end()) result.push_back(name);
        }
        return result;
    }
    // The calls inside the first group of this name.
    std::vector<TRecordedCall> Group(const std::string& name) const { return enginetest::GroupCalls(canvas_->Calls, name); }
    std::vector<std::string> GroupTexts(const std::string& name) const
    {
        std::vector<std::string> texts;
        for (const TRecordedCall& call : Group(name))
            if (call.Name != "PushTransform" && call.Name != "PopTransform") texts.push_back(call.Text());
        return texts;
    }
    // The one drawing call of that name; fails when there is not exactly one.
    TRecordedCall Only(const std::string& name) const
    {
        std::vector<TRecordedCall> found;
        for (const TRecordedCall& call : canvas_->Calls)
            if (call.Name == name) found.push_back(call);
        EXPECT_EQ(found.size(), 1U) << name;
        return found.empty() ? TRecordedCall{} : found.front();
    }

    TChart chart_;
    TWallTestSeries series_;
    TRecordingCanvas* canvas_ = nullptr;
};

const std::vector<std::string> kWallGroups{"Right", "Back", "Left", "Bottom"};

// ---------------------------------------------------------------- which walls, and when

TEST_F(ChartDrawTest, WallsBehindTheSeriesAndInFrontOfThem)
{
    struct Case {
        const char* name;
        bool view3D;
        int orthoAngle;
        std::function<void(TChart&, TWallTestSeries&)> setup;
        std::vector<std::string> behind, inFront;
    };
    const auto none = [](TChart&, TWallTestSeries&) {};
    const Case cases[] = {
        {"a new 3D chart", true, 45, none, {"Back", "Left", "Bottom"}, {}},
        {"a right wall read but hidden", true, 45, [](TChart& c, TWallTestSeries&) { c.RightWall(); },
         {"Back", "Left", "Bottom"}, {}},
        {"a visible right wall faces the viewer", true, 45,
         [](TChart& c, TWallTestSeries&) { c.RightWall()->SetVisible(true); }, {"Back", "Left", "Bottom"}, {"Right"}},
        {"depth to the left: the left wall faces the viewer", true, 135,
         [](TChart& c, TWallTestSeries&) { c.RightWall()->SetVisible(true); }, {"Right", "Back", "Bottom"}, {"Left"}},
        {"a hidden left wall", true, 45, [](TChart& c, TWallTestSeries&) { c.LeftWall()->SetVisible(false); },
         {"Back", "Bottom"}, {}},
        {"a hidden back wall", true, 45, [](TChart& c, TWallTestSeries&) { c.BackWall()->SetVisible(false); },
         {"Left", "Bottom"}, {}},
        {"AutoHide behind the series still draws", true, 45,
         [](TChart& c, TWallTestSeries&) { c.LeftWall()->SetAutoHide(true); }, {"Back", "Left", "Bottom"}, {}},
        {"AutoHide in front of the series hides", true, 135,
         [](TChart& c, TWallTestSeries&) { c.LeftWall()->SetAutoHide(true); }, {"Back", "Bottom"}, {}},
        {"View3DWalls off", true, 45, [](TChart& c, TWallTestSeries&) { c.SetView3DWalls(false); }, {}, {}},
        {"series without axes", true, 45, [](TChart&, TWallTestSeries& s) { s.Axes = false; }, {}, {}},
        {"2D: the back wall only", false, 45, [](TChart& c, TWallTestSeries&) { c.RightWall()->SetVisible(true); },
         {"Back"}, {}},
        {"2D with View3DWalls off", false, 45, [](TChart& c, TWallTestSeries&) { c.SetView3DWalls(false); }, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TChart chart;
        TWallTestSeries series;
        auto canvas = std::make_unique<TRecordingCanvas>();
        TRecordingCanvas& recording = *canvas;
        chart.ReplaceCanvas(std::move(canvas), "TRecordingCanvas");
        chart.SetBounds(0, 0, 400, 250);
        chart.PanelBounds = {0, 0, 400, 250};
        series.SetParentChart(&chart);
        c.setup(chart, series);
        chart.SetView3D(c.view3D);
        chart.View3DOptions().SetOrthoAngle(c.orthoAngle);
        chart.ChartRect = kChartRect;
        chart.NormalizeChartRect();
        chart.CalcSize3D();
        recording.InitWindow(nullptr, &chart.View3DOptions(), clWhite, c.view3D, chart.PanelBounds);
        recording.SetProjection(chart.DepthWidth, chart.PanelBounds, chart.ChartRect);

        chart.DrawWalls();
        EXPECT_EQ(Opened(recording, kWallGroups), c.behind) << "before the series";
        recording.Clear();
        chart.DrawTitlesAndLegend(false);
        EXPECT_EQ(Opened(recording, kWallGroups), c.inFront) << "after the series";
    }
}

TEST_F(ChartDrawTest, AFlatOrFrontViewSeesTheBackWallFromTheFront)
{
    // The plane test answers for a face seen from behind; a front view sees neither the floor's
    // underside nor the back of the back wall.
    Prepare(false);
    EXPECT_FALSE(chart_.IsPlaneVisible(0));
    Prepare(true, 45);
    EXPECT_FALSE(chart_.IsPlaneVisible(0));
    EXPECT_FALSE(chart_.IsPlaneVisible(chart_.DepthWidth));
    EXPECT_FALSE(chart_.IsSideCulled(kChartRect.Left)) << "depth to the right: the left wall shows its inner face";
    EXPECT_FALSE(chart_.IsSideCulled(kChartRect.Right));
    Prepare(true, 135);
    EXPECT_TRUE(chart_.IsSideCulled(kChartRect.Left));
    EXPECT_TRUE(chart_.IsSideCulled(kChartRect.Right));
}

TEST_F(ChartDrawTest, AxesBesideTheFrontWallsAreDrawnAgainWithoutTheirBackGrid)
{
    struct Case {
        int orthoAngle;
        std::vector<std::string> redrawn;
    };
    const Case cases[] = {{45, {"Right"}}, {135, {"Left"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.orthoAngle);
        std::vector<std::string> redrawn;
        for (TChartAxis* axis : {chart_.LeftAxis(), chart_.RightAxis(), chart_.TopAxis(), chart_.BottomAxis()}) {
            axis->AxisIsVisible = true;
            axis->Grid()->SetVisible(true);
            axis->BeforeGridHook = [&redrawn](TChartAxis* drawn) {
                if (drawn->HideBackGrid) redrawn.push_back(drawn->AxisGroupName());
            };
        }
        Prepare(true, c.orthoAngle);
        chart_.DrawTitlesAndLegend(false);
        EXPECT_EQ(redrawn, c.redrawn);
        EXPECT_FALSE(chart_.LeftAxis()->HideBackGrid || chart_.RightAxis()->HideBackGrid) << "only while redrawn";
    }
}

// ---------------------------------------------------------------- the shapes of the walls

TEST_F(ChartDrawTest, WallsArePlanesOrBoxesWithinTheirPositions)
{
    struct Case {
        const char* name;
        bool view3D;
        std::function<void(TChart&)> setup;
        void (TCustomChart::*draw)();
        std::string expected;
    };
    const Case cases[] = {
        {"left plane", true, [](TChart&) {}, &TCustomChart::DrawLeftWall, "PlaneAtX(40,30,220,0,16)"},
        {"left box one pixel thick", true, [](TChart& c) { c.LeftWall()->SetSize(1); }, &TCustomChart::DrawLeftWall,
         "Cube(39,40,30,220,0,16,true,0)"},
        {"left box below a thick floor", true,
         [](TChart& c) {
             c.LeftWall()->SetSize(4);
             c.BottomWall()->SetSize(10);
         },
         &TCustomChart::DrawLeftWall, "Cube(36,40,30,230,0,16,true,0)"},
        {"right plane reaches one past the depth", true, [](TChart& c) { c.RightWall()->SetVisible(true); },
         &TCustomChart::DrawRightWall, "PlaneAtX(360,30,220,0,17)"},
        {"right box reaches behind a thick back wall", true,
         [](TChart& c) {
             c.RightWall()->SetVisible(true);
             c.RightWall()->SetSize(2);
             c.BackWall()->SetSize(3);
         },
         &TCustomChart::DrawRightWall, "Cube(360,362,30,220,0,19,true,0)"},
        {"back plane at the full depth", true, [](TChart&) {}, &TCustomChart::DrawBackWall,
         "RectangleAtZ(40,30,360,220,16)"},
        {"back box behind a thick left wall", true,
         [](TChart& c) {
             c.BackWall()->SetSize(1);
             c.LeftWall()->SetSize(4);
         },
         &TCustomChart::DrawBackWall, "Cube(36,360,30,220,16,17,true,0)"},
        {"back wall with EndPosition 50, floor included", true,
         [](TChart& c) {
             c.BackWall()->SetEndPosition(50);
             c.BottomWall()->SetSize(10);
         },
         &TCustomChart::DrawBackWall, "RectangleAtZ(40,30,360,130,16)"},
        {"back wall with StartPosition 50", true, [](TChart& c) { c.BackWall()->SetStartPosition(50); },
         &TCustomChart::DrawBackWall, "RectangleAtZ(40,125,360,220,16)"},
        {"floor plane", true, [](TChart&) {}, &TCustomChart::DrawBottomWall, "PlaneAtY(40,220,360,0,16)"},
        {"floor with StartPosition 50", true, [](TChart& c) { c.BottomWall()->SetStartPosition(50); },
         &TCustomChart::DrawBottomWall, "PlaneAtY(40,220,360,8,16)"},
        {"floor with EndPosition 50", true, [](TChart& c) { c.BottomWall()->SetEndPosition(50); },
         &TCustomChart::DrawBottomWall, "PlaneAtY(40,220,360,0,8)"},
        {"floor box one pixel thick", true, [](TChart& c) { c.BottomWall()->SetSize(1); },
         &TCustomChart::DrawBottomWall, "Cube(40,360,220,221,0,16,true,0)"},
        {"2D back wall covers its last row and column", false, [](TChart&) {}, &TCustomChart::DrawBackWall,
         "Rectangle(40,30,361,221)"},
        {"2D back wall short of the bottom", false, [](TChart& c) { c.BackWall()->SetEndPosition(50); },
         &TCustomChart::DrawBackWall, "Rectangle(40,30,361,125)"},
        {"2D rounded back wall", false, [](TChart& c) { c.BackWall()->SetShapeStyle(fosRoundRectangle); },
         &TCustomChart::DrawBackWall, "RoundRect(40,30,361,221,16,16)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TChart fresh;
        chart_.Assign(&fresh);
        chart_.SetChart3DPercent(50);
        c.setup(chart_);
        Prepare(c.view3D);
        (chart_.*c.draw)();
        const std::string group = c.draw == &TCustomChart::DrawLeftWall    ? "Left"
                                  : c.draw == &TCustomChart::DrawRightWall ? "Right"
                                  : c.draw == &TCustomChart::DrawBackWall  ? "Back"
                                                                           : "Bottom";
        EXPECT_EQ(GroupTexts(group), std::vector<std::string>{c.expected});
    }
}

TEST_F(ChartDrawTest, ANewChartsBackWallShowsOnlyItsFrame)
{
    chart_.DrawBackWall();
    const TRecordedCall body = Only("Rectangle");
    EXPECT_EQ(body.BrushStyle, bsClear);
    EXPECT_TRUE(body.PenVisible);
    EXPECT_EQ(body.PenColor, clBlack);
}

TEST_F(ChartDrawTest, AShadowUnderTheBackWallLeavesTheWallsOwnFill)
{
    struct Case {
        const char* name;
        bool transparent, view3D;
        TBrushStyle style;
        TColor color;
    };
    const Case cases[] = {
        {"opaque 2D", false, false, bsSolid, clGreen},
        {"transparent 2D", true, false, bsClear, clGreen},
        {"opaque 3D", false, true, bsSolid, clGreen},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        chart_.BackWall()->SetTransparent(c.transparent);
        chart_.BackWall()->SetColor(c.color);
        chart_.BackWall()->GetShadow()->SetVisible(true);
        Prepare(c.view3D);
        chart_.DrawBackWall();
        const TRecordedCall body = Only(c.view3D ? "RectangleAtZ" : "Rectangle");
        EXPECT_EQ(body.BrushStyle, c.style);
        if (c.style == bsSolid) {
            EXPECT_EQ(body.BrushColor, c.color);
        }
    }
}

TEST_F(ChartDrawTest, ATransparentWallBlendsOverItsProjectedPlane)
{
    Prepare(true);
    chart_.LeftWall()->SetTransparency(40);
    chart_.DrawLeftWall();
    const TRecordedCall plane = Only("PlaneAtX");
    EXPECT_EQ(plane.Transparency, 40);
    EXPECT_EQ(canvas_->Transparency, 0) << "the blend ends with the wall";
}

// ---------------------------------------------------------------- room for the 3D box

TEST_F(ChartDrawTest, TheBoxTakesItsRoomFromTheChartRectangle)
{
    struct Case {
        const char* name;
        int orthoAngle;
        std::function<void(TChart&, TWallTestSeries&)> setup;
        // Edges moved by the depth (width), the height, and extra pixels.
        int leftByDepth, leftExtra, topExtra, rightByDepth, rightExtra;
        bool moves;
    };
    const auto none = [](TChart&, TWallTestSeries&) {};
    const Case cases[] = {
        {"depth to the right", 45, none, 0, 0, 0, 1, 0, true},
        {"a visible right wall takes its size and one", 45,
         [](TChart& c, TWallTestSeries&) {
             c.RightWall()->SetVisible(true);
             c.RightWall()->SetSize(2);
         },
         0, 0, 0, 1, 3, true},
        {"a thick back wall", 45, [](TChart& c, TWallTestSeries&) { c.BackWall()->SetSize(3); }, 0, 0, 3, 1, 3, true},
        {"a thick back wall without axes", 45,
         [](TChart& c, TWallTestSeries& s) {
             c.BackWall()->SetSize(3);
             s.Axes = false;
         },
         0, 0, 0, 1, 0, true},
        {"depth to the left with a left wall of 4", 120, [](TChart& c, TWallTestSeries&) { c.LeftWall()->SetSize(4); },
         1, 5, 0, 0, 0, true},
        {"depth to the left, thick back wall", 120,
         [](TChart& c, TWallTestSeries&) {
             c.LeftWall()->SetSize(4);
             c.BackWall()->SetSize(3);
         },
         1, 8, 3, 0, 0, true},
        {"depth to the left, hidden left wall", 120, [](TChart& c, TWallTestSeries&) { c.LeftWall()->SetVisible(false); },
         1, 0, 0, 0, 0, true},
        {"fixed chart rectangle", 45, [](TChart& c, TWallTestSeries&) { c.FixChartRect(true); }, 0, 0, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TChart fresh;
        chart_.Assign(&fresh);
        chart_.FixChartRect(false);
        series_.Axes = true;
        c.setup(chart_, series_);
        Prepare(true, c.orthoAngle);
        chart_.AdjustChartRectFor3D();
        const int depth = std::abs(chart_.DepthWidth), height = c.moves ? std::abs(chart_.DepthHeight) : 0;
        ASSERT_GT(depth, 0);
        const TRect expected{kChartRect.Left + c.leftByDepth * depth + c.leftExtra, kChartRect.Top + height + c.topExtra,
                             kChartRect.Right - c.rightByDepth * depth - c.rightExtra, kChartRect.Bottom};
        EXPECT_EQ(chart_.ChartRect, expected);
        EXPECT_EQ(chart_.ChartWidth, expected.Width()) << "size recomputed";
    }
    series_.Axes = true;
}

TEST_F(ChartDrawTest, FlatAndTurnedViewsKeepTheChartRectangle)
{
    for (const bool orthogonal : {true, false}) {
        Prepare(!orthogonal, 45, orthogonal);
        chart_.AdjustChartRectFor3D();
        EXPECT_EQ(chart_.ChartRect, kChartRect);
    }
}

TEST_F(ChartDrawTest, WallSizesBesideTheAxes)
{
    Prepare(true);
    chart_.LeftWall()->SetSize(4);
    chart_.BottomWall()->SetSize(6);
    chart_.BackWall()->SetSize(3);
    const auto sizes = [&] {
        return std::vector<int>{chart_.GetAxisWallSize(chart_.LeftAxis()), chart_.GetAxisWallSize(chart_.BottomAxis()),
                                chart_.GetAxisWallSize(chart_.RightAxis()), chart_.GetAxisWallSize(chart_.TopAxis()),
                                chart_.GetAxisWallSize(chart_.DepthAxis())};
    };
    EXPECT_EQ(sizes(), (std::vector<int>{4, 6, 0, 3, 3})) << "a right wall never read has no size";
    EXPECT_EQ(chart_.PeekRightWall(), nullptr) << "asking does not make the right wall";
    chart_.RightWall()->SetSize(2);
    EXPECT_EQ(sizes(), (std::vector<int>{4, 6, 0, 3, 3})) << "a hidden right wall has no size";
    chart_.RightWall()->SetVisible(true);
    chart_.LeftWall()->SetVisible(false);
    EXPECT_EQ(sizes(), (std::vector<int>{0, 6, 2, 3, 3}));
    chart_.SetView3DWalls(false);
    EXPECT_EQ(sizes(), (std::vector<int>{0, 0, 0, 0, 0}));
    chart_.SetView3DWalls(true);
    chart_.SetView3D(false);
    EXPECT_EQ(sizes(), (std::vector<int>{0, 0, 0, 0, 0}));
}

// ---------------------------------------------------------------- titles

TEST_F(ChartDrawTest, TitlesStackDownAndFeetStackUp)
{
    // Texts are centred on the chart rectangle (centre 200); transparent titles have no margins.
    struct Case {
        const char* name;
        std::function<void(TChart&)> setup;
        std::vector<TRect> bounds;  // Title, SubTitle, Foot, SubFoot as far as they have text
        TRect chartRect;
    };
    const Case cases[] = {
        {"one title, centred on the chart rectangle",
         [](TChart& c) { c.Title()->AssignText("Quellbrook"); },
         {{165, 30, 235, 43}},
         {40, 48, 360, 220}},
        {"subtitle below the title's margin",
         [](TChart& c) {
             c.Title()->AssignText("Quellbrook");
             c.SubTitle()->AssignText("Sub");
         },
         {{165, 30, 235, 43}, {190, 48, 211, 61}},
         {40, 66, 360, 220}},
        {"a wide title frame adds half its width",
         [](TChart& c) {
             c.Title()->AssignText("Quellbrook");
             c.Title()->Frame()->SetWidth(3);
             c.SubTitle()->AssignText("Sub");
         },
         {{165, 31, 235, 44}, {190, 50, 211, 63}},
         {40, 68, 360, 220}},
        {"two lines and no margin",
         [](TChart& c) {
             c.Title()->AssignText("Quellbrook\r\nData");
             c.Title()->SetVertMargin(0);
         },
         {{165, 30, 235, 56}},
         {40, 56, 360, 220}},
        {"feet stack upward",
         [](TChart& c) {
             c.Foot()->AssignText("Foot");
             c.SubFoot()->AssignText("Sub");
         },
         {{186, 207, 214, 220}, {190, 189, 211, 202}},
         {40, 30, 360, 184}},
        {"an invisible title takes no room",
         [](TChart& c) {
             c.Title()->AssignText("Quellbrook");
             c.Title()->SetVisible(false);
         },
         {},
         kChartRect},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        chart_.SetTitle(nullptr);
        chart_.SetSubTitle(nullptr);
        chart_.SetFoot(nullptr);
        chart_.SetSubFoot(nullptr);
        c.setup(chart_);
        Prepare(false);
        chart_.DrawTitlesAndLegend(true);
        std::vector<TRect> bounds;
        for (TChartTitle* title : {chart_.PeekTitle(), chart_.PeekSubTitle(), chart_.PeekFoot(), chart_.PeekSubFoot()})
            if (title && title->HasText()) bounds.push_back(title->GetBounds());
        EXPECT_EQ(bounds, c.bounds);
        EXPECT_EQ(chart_.ChartRect, c.chartRect);
    }
}

TEST_F(ChartDrawTest, TitlesKeepInsideTheFrameAndTwoPercent)
{
    // The frame width plus 2 % of the 400 pixel width.
    const int inset = chart_.BorderAndBevelWidth() + 8;
    struct Case {
        const char* name;
        TAlignment alignment;
        bool adjustFrame;
        TRect chartRect;
        int left, width;
    };
    const Case cases[] = {
        {"left", taLeftJustify, true, kChartRect, inset, 70},
        {"right", taRightJustify, true, kChartRect, 400 - inset - 70, 70},
        {"centre left of the inset", taCenter, true, {0, 30, 60, 220}, inset, 70},
        {"AdjustFrame off spans the width", taCenter, false, kChartRect, inset, 400 - 2 * inset},
        {"AdjustFrame off ignores the alignment", taRightJustify, false, kChartRect, inset, 400 - 2 * inset},
    };
    chart_.Title()->AssignText("Quellbrook");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        chart_.Title()->SetAlignment(c.alignment);
        chart_.Title()->SetAdjustFrame(c.adjustFrame);
        Prepare(false);
        chart_.ChartRect = c.chartRect;
        chart_.DrawTitlesAndLegend(true);
        EXPECT_EQ(chart_.Title()->GetBounds().Left, c.left);
        EXPECT_EQ(chart_.Title()->GetBounds().Width(), c.width);
    }
    // The next paint measures the text again.
    chart_.Title()->SetAdjustFrame(true);
    chart_.Title()->SetAlignment(taLeftJustify);
    Prepare(false);
    chart_.DrawTitlesAndLegend(true);
    EXPECT_EQ(chart_.Title()->GetBounds().Width(), 70);
}

TEST_F(ChartDrawTest, TitlesAreDrawnInGroupsAndCustomOnesAfterTheSeries)
{
    chart_.Title()->AssignText("Quellbrook");
    chart_.SubTitle()->AssignText("Placed");
    chart_.SubTitle()->SetLeft(50);
    chart_.SubTitle()->SetTop(100);
    chart_.Foot()->AssignText("Foot");
    chart_.SubFoot();  // made, but without text
    chart_.DrawTitlesAndLegend(true);
    EXPECT_EQ(Opened({"Titles", "Title", "Subtitle", "Foot", "Subfoot"}),
              (std::vector<std::string>{"Titles", "Title", "Foot"}));
    // Title texts are centred within their bounds.
    EXPECT_EQ(GroupTexts("Title"), std::vector<std::string>{"TextOut(200,30,\"Quellbrook\")"});
    const TRect afterTitles = chart_.ChartRect;

    canvas_->Clear();
    chart_.DrawTitlesAndLegend(false);
    EXPECT_EQ(Opened({"Titles", "Title", "Subtitle", "Foot", "Subfoot"}),
              (std::vector<std::string>{"Titles", "Subtitle"}));
    EXPECT_EQ(GroupTexts("Subtitle"), std::vector<std::string>{"TextOut(71,100,\"Placed\")"});
    EXPECT_EQ(chart_.ChartRect, afterTitles) << "a placed title takes no room";
    EXPECT_EQ(chart_.SubTitle()->GetBounds(), (TRect{50, 100, 92, 113}));
}

TEST_F(ChartDrawTest, ATitleWithoutAChartDrawsNothing)
{
    TChartTitle title;
    title.AssignText("Alone");
    title.PaintTitle();
    EXPECT_EQ(title.GetBounds(), TRect{});
}

}  // namespace
