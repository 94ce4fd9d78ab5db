#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/RecordingCanvas.h"
#include "support_ChartEngine.h"
#include "support_TestSeries.h"

namespace {

// An axis panel whose walls have a size a case chooses.
class TAxisDrawPanel : public TCustomAxisPanel {
    QB_CLASS(TAxisDrawPanel, TCustomAxisPanel)
public:
    explicit TAxisDrawPanel(TComponent* owner = nullptr) : TCustomAxisPanel(owner) {}
    void AdjustChartRectFor3D() override {}
    int GetAxisWallSize(const TChartAxis*) override { return Wall; }
    void DrawTitlesAndLegend(bool) override {}
    void DrawLegendSymbolRect(const TRect&) override {}
    void DrawWalls() override {}
    int Wall = 0;
};

enum TSide { sBottom, sTop, sLeft, sRight };

// The recording canvas measures 7 pixels a character and 13 a line; the axis shows 0..100 in
// steps of 25 on the chart rectangle (100,50)-(500,350).
class AxisDrawTest : public testing::Test {
protected:
    void SetUp() override
    {
        enginetest::StartChartModules();
        auto canvas = std::make_unique<TRecordingCanvas>();
        canvas_ = canvas.get();
        panel_.ReplaceCanvas(std::move(canvas), "TRecordingCanvas");
        panel_.SetView3D(false);
        SetChartRect({100, 50, 500, 350});
    }
    void SetChartRect(const TRect& r)
    {
        panel_.ChartRect = r;
        panel_.ChartWidth = r.Width();
        panel_.ChartHeight = r.Height();
    }
    TChartAxis& AxisOf(TSide side)
    {
        switch (side) {
        case sBottom: return *panel_.BottomAxis();
        case sTop: return *panel_.TopAxis();
        case sLeft: return *panel_.LeftAxis();
        default: return *panel_.RightAxis();
        }
    }
    TChartAxis& Ready(TSide side)
    {
        TChartAxis& axis = AxisOf(side);
        axis.SetRange(0, 100);
        axis.SetIncrement(25);
        axis.Labels().SetStyle(talValue);
        axis.CurMinimum = 0;
        axis.CurMaximum = 100;
        axis.SelectPositionCalculators();
        axis.CalcPixelRange();
        return axis;
    }
    // The calls inside the first group of this name.
    std::vector<TRecordedCall> Group(const std::string& name) const { return enginetest::GroupCalls(canvas_->Calls, name); }
    // "x0,y0-x1,y1" of every line among the calls.
    static std::vector<std::string> Lines(const std::vector<TRecordedCall>& calls) { return enginetest::Lines(calls); }
    static std::vector<std::string> Named(const std::vector<TRecordedCall>& calls, const std::string& name)
    {
        std::vector<std::string> result;
        for (const TRecordedCall& call : calls)
            if (call.Name == name) result.push_back(call.Args);
        return result;
    }
    TAxisDrawPanel panel_;
    TRecordingCanvas* canvas_ = nullptr;
};

std::string RectText(const TRect& r)
{
    return std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
           std::to_string(r.Bottom);
}

// Each side takes title, labels and line bands from the outside in, draws its line and ticks
// outward from the chart rectangle, and aligns its labels against the chart.
TEST_F(AxisDrawTest, EachSidePlacesBandsLineTicksAndLabels)
{
    struct Case {
        TSide side;
        int titlePos, labelsPos;
        TRect remaining;
        std::string line, tickAt50;
        // Rectangle and TextOut of the labels 100, 50 and 0.
        std::vector<std::string> rects, textOuts;
    };
    // Title and label rows are 13 high; the widest label "100" plus a blank is 28 wide;
    // the line band is the 2-pixel axis pen + 1 and 4 of ticks.
    const std::vector<Case> cases = {
        {sBottom, 387, 374, {0, 0, 600, 367}, "0,368-600,368", "300,369-300,373",
         {"590,374,611,387", "293,374,307,387", "-3,374,4,387"},
         {"600,374,\"100\"", "300,374,\"50\"", "0,374,\"0\""}},
        {sTop, 13, 26, {0, 33, 600, 400}, "0,33-600,33", "300,32-300,28",
         {"590,13,611,26", "293,13,307,26", "-3,13,4,26"},
         {"600,13,\"100\"", "300,13,\"50\"", "0,13,\"0\""}},
        {sLeft, 13, 41, {48, 0, 600, 400}, "47,0-47,400", "46,200-42,200",
         {"20,-6,41,7", "27,194,41,207", "34,394,41,407"},
         {"30,-6,\"100\"", "34,194,\"50\"", "37,394,\"0\""}},
        {sRight, 587, 559, {0, 0, 552, 400}, "553,0-553,400", "553,200-557,200",
         {"559,-6,580,7", "559,194,573,207", "559,394,566,407"},
         {"569,-6,\"100\"", "566,194,\"50\"", "562,394,\"0\""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.side);
        SetChartRect({100, 50, 500, 350});
        TChartAxis& axis = Ready(c.side);
        axis.GetTitle()->SetCaption("Days");
        TRect rect{0, 0, 600, 400};
        axis.PlaceInRect(rect, true);
        EXPECT_EQ(axis.TitlePos, c.titlePos);
        EXPECT_EQ(axis.LabelsPos, c.labelsPos);
        EXPECT_EQ(RectText(rect), RectText(c.remaining));

        SetChartRect(rect);
        Ready(c.side);
        canvas_->Clear();
        axis.Draw(true);
        EXPECT_EQ(axis.AxisPos, c.side == sBottom ? rect.Bottom : c.side == sTop ? rect.Top
                                : c.side == sLeft ? rect.Left : rect.Right);
        const std::vector<std::string> axisLines = Lines(canvas_->Calls);
        ASSERT_FALSE(axisLines.empty());
        EXPECT_EQ(axisLines.front(), c.line);
        const std::vector<std::string> ticks = Lines(Group("Ticks"));
        EXPECT_EQ(ticks.size(), 5u);
        EXPECT_NE(std::find(ticks.begin(), ticks.end(), c.tickAt50), ticks.end());

        std::vector<std::string> rects;
        for (const TAxisLabelEntry& label : axis.CalcLabels())
            if (label.Text == "100" || label.Text == "50" || label.Text == "0") {
                const bool horizontal = c.side == sBottom || c.side == sTop;
                rects.push_back(RectText(horizontal ? axis.LabelRect(label.Pos, axis.LabelsPos, nullptr, label.Text, 0, false)
                                                    : axis.LabelRect(axis.LabelsPos, label.Pos, nullptr, label.Text, 0, false)));
            }
        EXPECT_EQ(rects, c.rects);
        std::vector<std::string> textOuts = Named(Group("Labels"), "TextOut");
        std::erase_if(textOuts, [](const std::string& t) { return t.find("75") != std::string::npos ||
                                                                 t.find("25") != std::string::npos; });
        EXPECT_EQ(textOuts, c.textOuts);
        EXPECT_EQ(Named(Group("Title"), "TextOut").size() + Named(Group("Title"), "RotateLabel").size(), 1u);
    }
}

// Ticks at 500, 400 .. 100 on the chart rectangle (100,50)-(500,350); grid lines run from the
// top + 1 to the bottom and never sit on the axis ends.
TEST_F(AxisDrawTest, TicksGridAndMinorMarksOfTheBottomAxis)
{
    struct Case {
        const char* name;
        int drawEvery;
        bool centered;
        int innerLength;
        const char* group;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"grid at every tick", 1, false, 0, "Grid", {"400,51-400,350", "300,51-300,350", "200,51-200,350"}},
        {"grid at every other tick", 2, false, 0, "Grid", {"300,51-300,350"}},
        {"grid between ticks", 1, true, 0, "Grid",
         {"450,51-450,350", "350,51-350,350", "250,51-250,350", "150,51-150,350"}},
        {"every other grid line between ticks", 2, true, 0, "Grid", {"350,51-350,350", "150,51-150,350"}},
        {"inner ticks point into the chart", 1, false, 5, "InnerTicks",
         {"500,350-500,345", "400,350-400,345", "300,350-300,345", "200,350-200,345", "100,350-100,345"}},
        {"three minor ticks divide each interval in four", 1, false, 0, "MinorTicks",
         {"425,352-425,354", "450,352-450,354", "475,352-475,354", "325,352-325,354", "350,352-350,354",
          "375,352-375,354", "225,352-225,354", "250,352-250,354", "275,352-275,354", "125,352-125,354",
          "150,352-150,354", "175,352-175,354"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TChartAxis& axis = Ready(sBottom);
        axis.SetUsePartnerAxis(false);
        axis.Grid()->SetDrawEvery(c.drawEvery);
        axis.Grid()->SetCentered(c.centered);
        axis.SetTickInnerLength(c.innerLength);
        canvas_->Clear();
        axis.Draw(true);
        EXPECT_EQ(Lines(Group(c.group)), c.lines);
    }
}

// Alternate labels take two rows, one text height apart; the band is twice as high, and the
// labels are those of one row.
TEST_F(AxisDrawTest, AlternateLabelsUseTwoRows)
{
    TChartAxis& axis = Ready(sBottom);
    axis.Labels().SetAlternate(true);
    TRect rect{0, 0, 600, 400};
    axis.PlaceInRect(rect, true);
    EXPECT_EQ(axis.LabelsThickness(), 26);
    EXPECT_EQ(axis.LabelsPos, 374);
    SetChartRect(rect);
    Ready(sBottom);
    canvas_->Clear();
    axis.Draw(true);
    EXPECT_EQ(Named(Group("Labels"), "TextOut"),
              (std::vector<std::string>{"600,374,\"100\"", "450,387,\"75\"", "300,374,\"50\"",
                                        "150,387,\"25\"", "0,374,\"0\""}));
}

// "1.5E3" shows the mantissa and, raised half a line less 2, the exponent right after it
// (half its width further, the label being centred).
TEST_F(AxisDrawTest, ExponentLabelRaisesTheExponent)
{
    TChartAxis& axis = Ready(sBottom);
    axis.Items().Add("1.5E3", 50);
    axis.Labels().SetExponent(true);
    axis.LabelsPos = 360;
    canvas_->Clear();
    axis.Draw(true);
    // 35 x 13: left = 300 - 35 div 10 - 35 div 2, top = 360 + 13 div 2.
    EXPECT_EQ(RectText(axis.LabelRect(300, 360, nullptr, "1.5E3", 0, true)), "280,366,315,379");
    EXPECT_EQ(Named(Group("Labels"), "TextOut"), (std::vector<std::string>{"280,366,\"1.5\"", "304,362,\"3\""}));
}

// PositionPercent moves the axis line, its labels and title inward together.
TEST_F(AxisDrawTest, PositionPercentMovesTheAxisIntoTheChart)
{
    struct Case {
        const char* name;
        double percent;
        TDuvUnits units;
        int axisPos, labelsPos;
        std::string line;
    };
    // Labels 13 and line band 7 leave 380 pixels of height.
    const std::vector<Case> cases = {
        {"none", 0, muPercent, 380, 387, "0,381-600,381"},
        {"half the height", 50, muPercent, 190, 197, "0,191-600,191"},
        {"30 pixels", 30, muPixels, 350, 357, "0,351-600,351"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetChartRect({100, 50, 500, 350});
        TChartAxis& axis = Ready(sBottom);
        axis.SetPositionPercent(c.percent);
        axis.SetPositionUnits(c.units);
        TRect rect{0, 0, 600, 400};
        axis.PlaceInRect(rect, true);
        EXPECT_EQ(axis.LabelsPos, c.labelsPos);
        SetChartRect(rect);
        Ready(sBottom);
        canvas_->Clear();
        axis.Draw(true);
        EXPECT_EQ(axis.AxisPos, c.axisPos);
        EXPECT_EQ(Lines(canvas_->Calls).front(), c.line);
        EXPECT_EQ(Named(Group("Labels"), "TextOut").front(), "600," + std::to_string(c.labelsPos) + ",\"100\"");
    }
}

// A visible back shape keeps only the labels wholly inside it: the end labels overhang the axis
// ends; the others stay, also on the top and right axes, whose shape reaches outward upward or
// to the right.
TEST_F(AxisDrawTest, LabelsInsideTheBackShapeOfEverySide)
{
    for (TSide side : {sBottom, sTop, sLeft, sRight}) {
        SCOPED_TRACE(side);
        TChartAxis& axis = Ready(side);
        TRect rect{0, 0, 600, 400};
        axis.PlaceInRect(rect, true);
        SetChartRect(rect);
        Ready(side);
        axis.GetShape()->SetVisible(true);
        axis.GetShape()->SetTransparent(false);
        canvas_->Clear();
        axis.Draw(true);
        std::vector<std::string> texts;
        for (const std::string& args : Named(Group("Labels"), "TextOut")) texts.push_back(args.substr(args.find('"')));
        EXPECT_EQ(texts, (std::vector<std::string>{"\"75\"", "\"50\"", "\"25\""}));
        axis.GetShape()->SetVisible(false);
    }
}

// The axis answers the mouse over its line and labels, edges included.
TEST_F(AxisDrawTest, HitTestCoversLineAndLabels)
{
    TChartAxis& axis = Ready(sBottom);
    TRect rect{0, 0, 600, 400};
    axis.PlaceInRect(rect, true);
    SetChartRect(rect);
    Ready(sBottom);
    axis.Draw(true);
    // Line at 380, labels from 387: across from 380 - 3 to 387.
    EXPECT_EQ(RectText(axis.OccupiedRect()), "0,377,600,387");
    struct Case {
        int x, y;
        bool hit;
    };
    for (const Case& c : std::vector<Case>{{300, 380, true}, {0, 377, true}, {600, 387, true}, {300, 388, false},
                                           {601, 380, false}, {300, 376, false}}) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        EXPECT_EQ(axis.HitTest(c.x, c.y), c.hit);
    }
}

// A logarithmic axis puts its minor ticks inside each decade (one at the middle of 1..10 is 5.5).
TEST_F(AxisDrawTest, LogarithmicMinorTicksFollowTheDecades)
{
    TChartAxis& axis = Ready(sBottom);
    axis.SetIncrement(0);
    axis.SetRange(1, 1000);
    axis.SetLogarithmic(true);
    axis.CurMinimum = 1;
    axis.CurMaximum = 1000;
    axis.SelectPositionCalculators();
    axis.CalcPixelRange();
    axis.SetMinorTickCount(1);
    canvas_->Clear();
    axis.Draw(true);
    std::vector<int> xs;
    for (const std::string& line : Lines(Group("MinorTicks"))) xs.push_back(std::stoi(line));
    std::sort(xs.begin(), xs.end());
    EXPECT_EQ(xs, (std::vector<int>{axis.ValueToPixel(5.5), axis.ValueToPixel(55), axis.ValueToPixel(550)}));
    EXPECT_LT(axis.ValueToPixel(5.5), axis.ValueToPixel(10));
}

// Sub-axes take their own bands outside the axis and draw after it at their own positions.
TEST_F(AxisDrawTest, SubAxisTakesSpaceAndDrawsBesideTheAxis)
{
    TChartAxis& axis = Ready(sBottom);
    TChartAxis& sub = *axis.GetSubAxes()->AddAxis();
    sub.Labels().SetStyle(talValue);
    sub.SetRange(0, 10);
    sub.SetIncrement(5);
    sub.CurMinimum = 0;
    sub.CurMaximum = 10;
    TRect rect{0, 0, 600, 400};
    axis.PlaceInRect(rect, true);
    // The sub-axis: labels 13 high, a hidden line and 4 of ticks; then the axis' own 13 and 7.
    EXPECT_EQ(sub.LabelsPos, 387);
    EXPECT_EQ(sub.AxisPos, 383);
    EXPECT_EQ(axis.LabelsPos, 370);
    EXPECT_EQ(rect.Bottom, 363);
    SetChartRect(rect);
    Ready(sBottom);
    canvas_->Clear();
    axis.Draw(true);
    std::vector<std::string> texts = Named(canvas_->Calls, "TextOut");
    EXPECT_NE(std::find(texts.begin(), texts.end(), "300,370,\"50\""), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "300,387,\"5\""), texts.end());
}

// Drawing at given positions hides the grid for that drawing only and gives the span back.
TEST_F(AxisDrawTest, DrawingAtGivenPositionsRestoresGridAndSpan)
{
    TChartAxis& axis = Ready(sBottom);
    canvas_->Clear();
    axis.DrawAtPositions(200, 220, 190, 400, 200, false);
    EXPECT_TRUE(Lines(Group("Grid")).empty());
    EXPECT_EQ(Lines(canvas_->Calls).front(), "200,191-400,191");
    std::vector<std::string> texts = Named(Group("Labels"), "TextOut");
    EXPECT_NE(std::find(texts.begin(), texts.end(), "300,200,\"50\""), texts.end());
    EXPECT_TRUE(axis.Grid()->Visible());
    EXPECT_EQ(axis.PixelStart, 100);
    EXPECT_EQ(axis.PixelEnd, 500);
}

// A temporary range is drawn with its own labels and put back also when drawing fails.
TEST_F(AxisDrawTest, TemporaryRangeIsRestoredAfterDrawing)
{
    TChartAxis& axis = Ready(sBottom);
    canvas_->Clear();
    axis.DrawTemporaryRange(360, 380, 350, 500, 100, true, 0, 10, 5);
    EXPECT_EQ(Named(Group("Labels"), "TextOut"),
              (std::vector<std::string>{"500,360,\"10\"", "300,360,\"5\"", "100,360,\"0\""}));
    axis.DrawLineHook = [](TChartAxis*, int, int) { throw Exception("line failed"); };
    EXPECT_THROW(axis.DrawTemporaryRange(360, 380, 350, 500, 100, true, 0, 10, 5), Exception);
    EXPECT_EQ(axis.Minimum(), 0);
    EXPECT_EQ(axis.Maximum(), 100);
    EXPECT_EQ(axis.Increment(), 25);
    EXPECT_FALSE(axis.Automatic());
    EXPECT_EQ(axis.CurMaximum, 100);
    EXPECT_EQ(axis.ValueToPixel(50), 300);
}

// The title answers the mouse inside the rectangle it was drawn in, edges included.
TEST_F(AxisDrawTest, TitleHitTestUsesTheDrawnRectangle)
{
    TChartAxis& axis = Ready(sBottom);
    TChartAxisTitle& title = *axis.GetTitle();
    title.SetCaption("Days");
    axis.TitlePos = 380;
    axis.Draw(true);
    // "Days" is 28 x 13, centred at 300.
    EXPECT_EQ(RectText(title.Bounds), "286,380,314,393");
    struct Case {
        const char* name;
        int x, y;
        bool visible;
        const char* caption;
        bool hit;
    };
    const std::vector<Case> cases = {
        {"inside", 300, 385, true, "Days", true},     {"corner", 314, 393, true, "Days", true},
        {"left of it", 285, 385, true, "Days", false}, {"hidden", 300, 385, false, "Days", false},
        {"no caption", 300, 385, true, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        title.SetVisible(c.visible);
        title.SetCaption(c.caption);
        EXPECT_EQ(title.HitTest(c.x, c.y), c.hit);
    }
}

// In 3D a grid line lies on the back wall and runs along the side wall from the back to the
// grid's ZPosition; walls the chart hides take no grid, and without AxisBehind one line at the front.
TEST_F(AxisDrawTest, GridIn3DFollowsTheWalls)
{
    struct Case {
        const char* name;
        bool axisBehind, hideBack, hideSide;
        double zPosition;
        std::size_t linesPerTick;
    };
    const std::vector<Case> cases = {
        {"back and side", true, false, false, 0, 2},
        {"back wall hidden", true, true, false, 0, 1},
        {"side wall hidden", true, false, true, 0, 1},
        {"grid at the back", true, false, false, 100, 1},
        {"axes in front", false, false, false, 0, 1},
    };
    panel_.SetView3D(true);
    panel_.DepthWidth = 100;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TChartAxis& axis = Ready(sBottom);
        panel_.SetAxisBehind(c.axisBehind);
        axis.HideBackGrid = c.hideBack;
        axis.HideSideGrid = c.hideSide;
        axis.Grid()->SetZPosition(c.zPosition);
        canvas_->Clear();
        axis.Draw(true);
        EXPECT_EQ(Lines(Group("Grid")).size(), 3 * c.linesPerTick);
    }
}

// In 3D each label's rectangle is projected to the axis' depth: the text lands where the flat
// drawing's text lands, moved by the projection.
TEST_F(AxisDrawTest, LabelsIn3DAreProjectedToTheAxisDepth)
{
    const auto textOuts = [&] {
        std::vector<std::string> texts;
        for (const TRecordedCall& call : Group("Labels"))
            if (call.Name == "TextOut") texts.push_back(call.Args);
        return texts;
    };
    TChartAxis& axis = Ready(sBottom);
    canvas_->Clear();
    axis.Draw(true);
    const std::vector<std::string> flat = textOuts();
    ASSERT_FALSE(flat.empty());

    panel_.SetView3D(true);
    panel_.DepthWidth = 100;
    panel_.View3DOptions().SetOrthogonal(true);
    canvas_->InitWindow(nullptr, &panel_.View3DOptions(), clWhite, true, {0, 0, 600, 400});
    canvas_->SetProjection(100, {0, 0, 600, 400}, panel_.ChartRect);
    axis.DepthPos = 40;
    TPoint shift;
    canvas_->Project(0, 0, 40, shift);
    TPoint origin;
    canvas_->Project(0, 0, 0, origin);
    ASSERT_NE(shift, origin) << "the view must move what lies in depth";
    canvas_->Clear();
    axis.Draw(true);
    const std::vector<std::string> deep = textOuts();
    ASSERT_EQ(deep.size(), flat.size());
    for (std::size_t i = 0; i < flat.size(); ++i) {
        int fx = 0, fy = 0, dx = 0, dy = 0;
        ASSERT_EQ(std::sscanf(flat[i].c_str(), "%d,%d", &fx, &fy), 2) << flat[i];
        ASSERT_EQ(std::sscanf(deep[i].c_str(), "%d,%d", &dx, &dy), 2) << deep[i];
        EXPECT_EQ(dx - fx, shift.X - origin.X) << flat[i] << " -> " << deep[i];
        EXPECT_EQ(dy - fy, shift.Y - origin.Y) << flat[i] << " -> " << deep[i];
    }
}

// The depth axis of a 3D chart labels its slots with the series titles, front first, and draws its
// line into the depth.
TEST_F(AxisDrawTest, DepthAxisDrawsSeriesTitlesAlongTheDepth)
{
    panel_.SetView3D(true);
    panel_.DepthWidth = 100;
    canvas_->InitWindow(nullptr, &panel_.View3DOptions(), clWhite, true, {0, 0, 600, 400});
    canvas_->SetProjection(100, {0, 0, 600, 400}, panel_.ChartRect);
    std::vector<TComponentPtr<enginetest::TTestSeries>> series;
    for (const char* title : {"first", "second"}) {
        series.push_back(MakeComponent<enginetest::TTestSeries>());
        series.back()->AddXY(1, 1);
        series.back()->SetTitle(title);
        series.back()->SetParentChart(&panel_);
    }
    TChartAxis& depth = *panel_.DepthAxis();
    depth.SetVisible(true);
    depth.CurMinimum = 0;
    depth.CurMaximum = 2;
    depth.SelectPositionCalculators();
    depth.CalcPixelRange();
    TRect rest = panel_.ChartRect;
    depth.PlaceInRect(rest, true);
    canvas_->Clear();
    depth.Draw(true);
    std::vector<std::string> texts;
    for (const TRecordedCall& call : Group("Labels"))
        if (call.Name == "TextOut") texts.push_back(call.Args.substr(call.Args.find('"')));
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (std::vector<std::string>{"\"first\"", "\"second\""}));
    const std::vector<std::string> lines = Lines(canvas_->Calls);
    ASSERT_FALSE(lines.empty());
    for (auto& s : series) s->SetParentChart(nullptr);
}

}  // namespace
