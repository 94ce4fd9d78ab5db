#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/DuvConst.h"
#include "chart/graphics/RecordingCanvas.h"
#include "platform/core/StringList.h"
#include "support_ChartEngine.h"
#include "support_TestSeries.h"

namespace {

using enginetest::TTestSeries;

class ChartWallsTest : public testing::Test {
protected:
    void SetUp() override
    {
        enginetest::StartChartModules();
        chart_.ReplaceCanvas(std::make_unique<TRecordingCanvas>(), "TRecordingCanvas");
        chart_.SetBounds(0, 0, 400, 250);
    }
    // The chart's stream lines that name one of its parts.
    std::vector<std::string> StreamedLinesOf(const std::vector<std::string>& parts)
    {
        std::vector<std::string> found;
        TStringList lines;
        lines.SetText(enginetest::ComponentTextOf(chart_));
        for (int i = 0; i < lines.Count(); ++i) {
            std::string line = lines[i];
            line.erase(0, line.find_first_not_of(' '));
            for (const std::string& part : parts)
                if (line.rfind(part + ".", 0) == 0) found.push_back(line);
        }
        return found;
    }
    TChart chart_;
};

const std::vector<std::string> kParts{"BackWall", "LeftWall", "BottomWall", "RightWall", "Title",
                                      "SubTitle", "Foot",     "SubFoot",    "Frame"};

// ---------------------------------------------------------------- walls

TEST_F(ChartWallsTest, EachWallHasItsOwnDefaults)
{
    struct Case {
        const char* name;
        TChartWall* wall;
        TColor color;
        bool visible, transparent;
    };
    const Case cases[] = {
        {"back", chart_.BackWall(), clSilver, true, true},
        {"left", chart_.LeftWall(), static_cast<TColor>(0x80FFFF), true, false},
        {"bottom", chart_.BottomWall(), clWhite, true, false},
        {"right", chart_.RightWall(), clSilver, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.wall->Color(), c.color);
        EXPECT_FALSE(c.wall->IsColorStored());
        EXPECT_EQ(c.wall->Visible(), c.visible);
        EXPECT_EQ(c.wall->Transparent(), c.transparent);
        EXPECT_TRUE(c.wall->Dark3D());
        EXPECT_EQ(c.wall->EndPosition(), 100);
        EXPECT_EQ(c.wall->Size(), 0);
    }
    TDuvShadow& shadow = *chart_.BackWall()->GetShadow();
    EXPECT_FALSE(shadow.Visible());
    EXPECT_EQ(shadow.Color(), clGray);
    EXPECT_EQ(shadow.GetSize(), 3);
    TDuvEmboss& emboss = *chart_.BackWall()->GetEmboss();
    EXPECT_FALSE(emboss.Visible());
    EXPECT_EQ(emboss.Color(), clGray);
}

TEST_F(ChartWallsTest, ANewChartStreamsNoneOfItsWallsAndTitles)
{
    chart_.RightWall();
    chart_.Title();
    chart_.Foot();
    chart_.SubFoot();
    EXPECT_EQ(StreamedLinesOf(kParts), std::vector<std::string>{});
}

TEST_F(ChartWallsTest, ChangedWallsAndTitlesStreamAndReadBack)
{
    chart_.BackWall()->SetColor(clRed);
    chart_.BackWall()->SetTransparent(false);
    chart_.LeftWall()->SetColor(clWhite);
    chart_.LeftWall()->SetSize(4);
    chart_.RightWall()->SetVisible(true);
    chart_.BottomWall()->SetEndPosition(50);
    chart_.Title()->AssignText("Quellbrook");
    chart_.Title()->SetVertMargin(9);
    chart_.Foot()->Font()->SetColor(clBlue);
    const std::vector<std::string> streamed = StreamedLinesOf(kParts);
    for (const char* line : {"BackWall.Color = clRed", "BackWall.Transparent = False", "LeftWall.Color = clWhite",
                             "LeftWall.Size = 4", "RightWall.Visible = True", "BottomWall.EndPosition = 50",
                             "Title.VertMargin = 9", "Foot.Font.Color = clBlue"})
        EXPECT_NE(std::find(streamed.begin(), streamed.end(), line), streamed.end()) << line;

    TChart copy;
    enginetest::ReadComponentText(copy, enginetest::ComponentTextOf(chart_));
    EXPECT_EQ(copy.BackWall()->Color(), clRed);
    EXPECT_FALSE(copy.BackWall()->Transparent());
    EXPECT_EQ(copy.LeftWall()->Size(), 4);
    ASSERT_NE(copy.PeekRightWall(), nullptr);
    EXPECT_TRUE(copy.PeekRightWall()->Visible());
    EXPECT_EQ(copy.BottomWall()->EndPosition(), 50);
    ASSERT_NE(copy.PeekTitle(), nullptr);
    EXPECT_EQ(copy.PeekTitle()->Text(), "Quellbrook");
    EXPECT_EQ(copy.PeekTitle()->VertMargin(), 9);
    ASSERT_NE(copy.PeekFoot(), nullptr);
    EXPECT_EQ(copy.PeekFoot()->Font()->Color(), clBlue);
    EXPECT_EQ(copy.PeekSubTitle(), nullptr) << "a title never read is not made by reading";
}

TEST_F(ChartWallsTest, WallsShareTheirSizeAndTheChartsWallSwitch)
{
    TChartWalls& walls = *chart_.Walls();
    EXPECT_EQ(chart_.PeekRightWall(), nullptr) << "a new chart has no right wall";
    walls.SetSize(7);
    for (TChartWall* wall : std::vector<TChartWall*>{chart_.BackWall(), chart_.LeftWall(), chart_.BottomWall(),
                                                     chart_.PeekRightWall()}) {
        ASSERT_NE(wall, nullptr);
        EXPECT_EQ(wall->Size(), 7);
    }
    EXPECT_TRUE(walls.GetVisible());
    walls.HideWalls();
    EXPECT_FALSE(chart_.View3DWalls());
    walls.SetVisible(true);
    EXPECT_TRUE(chart_.View3DWalls());
}

TEST_F(ChartWallsTest, ShouldDrawNeedsTheWallSwitchVisibilityAndNoAutoHide)
{
    TChartLeftWall& wall = *chart_.LeftWall();
    EXPECT_TRUE(wall.ShouldDraw());
    wall.SetAutoHide(true);
    EXPECT_FALSE(wall.ShouldDraw());
    wall.SetAutoHide(false);
    chart_.SetView3DWalls(false);
    EXPECT_FALSE(wall.ShouldDraw());
    chart_.SetView3DWalls(true);
    wall.SetVisible(false);
    EXPECT_FALSE(wall.ShouldDraw());
}

TEST_F(ChartWallsTest, Dark3DSidesOnlyWithAPlainFill)
{
    TChartBottomWall& wall = *chart_.BottomWall();
    EXPECT_TRUE(wall.UsesDark3D());
    wall.Brush().SetStyle(bsClear);
    EXPECT_FALSE(wall.UsesDark3D()) << "clear brush";
    wall.Brush().SetStyle(bsSolid);
    wall.SetDark3D(false);
    EXPECT_FALSE(wall.UsesDark3D());
}

TEST_F(ChartWallsTest, AssigningWallsCopiesEveryWallAndMakesTheRightOne)
{
    TChart source;
    source.BackWall()->SetSize(3);
    source.BackWall()->SetColor(clRed);
    source.LeftWall()->SetAutoHide(true);
    source.LeftWall()->SetStartPosition(20);
    source.BottomWall()->SetDark3D(false);
    source.BottomWall()->SetEndPosition(60);
    source.RightWall()->SetVisible(true);
    source.RightWall()->SetTransparency(30);
    chart_.Walls()->Assign(source.Walls());
    EXPECT_EQ(chart_.BackWall()->Size(), 3);
    EXPECT_EQ(chart_.BackWall()->Color(), clRed);
    EXPECT_TRUE(chart_.LeftWall()->AutoHide());
    EXPECT_EQ(chart_.LeftWall()->StartPosition(), 20);
    EXPECT_FALSE(chart_.BottomWall()->Dark3D());
    EXPECT_EQ(chart_.BottomWall()->EndPosition(), 60);
    ASSERT_NE(chart_.PeekRightWall(), nullptr);
    EXPECT_TRUE(chart_.PeekRightWall()->Visible());
    EXPECT_EQ(chart_.PeekRightWall()->Transparency(), 30);

    // A source without a right wall has a default one.
    TChart plain;
    chart_.Walls()->Assign(plain.Walls());
    ASSERT_NE(chart_.PeekRightWall(), nullptr);
    EXPECT_FALSE(chart_.PeekRightWall()->Visible());
    EXPECT_EQ(chart_.PeekRightWall()->Transparency(), 0);
    EXPECT_EQ(chart_.BackWall()->Color(), clSilver);
    EXPECT_FALSE(chart_.BackWall()->IsColorStored());
}

// ---------------------------------------------------------------- titles

TEST_F(ChartWallsTest, TitlesAndFeetHaveTheirOwnLook)
{
    TChartTitle& title = *chart_.Title();
    EXPECT_EQ(title.Alignment(), taCenter);
    EXPECT_EQ(title.TextAlignment(), taCenter);
    EXPECT_TRUE(title.AdjustFrame());
    EXPECT_EQ(title.VertMargin(), 5);
    EXPECT_TRUE(title.Transparent());
    EXPECT_EQ(title.Font()->Color(), clBlue);
    EXPECT_TRUE(title.OnTop());

    TChartTitle* foot = chart_.Foot();
    EXPECT_FALSE(foot->OnTop());
    EXPECT_EQ(foot->Font()->Color(), clRed);
    EXPECT_TRUE(foot->Font()->Style().Contains(fsItalic));
    foot->AssignText("old");
    foot->Font()->SetColor(clGreen);
    chart_.SetFoot(nullptr);
    EXPECT_EQ(chart_.PeekFoot(), nullptr);
    foot = chart_.Foot();
    EXPECT_EQ(foot->Lines().Count(), 0);
    EXPECT_EQ(foot->Font()->Color(), clRed);
    EXPECT_TRUE(foot->Font()->Style().Contains(fsItalic));
}

TEST_F(ChartWallsTest, ATitlesTextIsItsLinesWithoutTheLastBreak)
{
    struct Case {
        std::vector<std::string> lines;
        std::string text;
    };
    const Case cases[] = {
        {{"A"}, "A"},
        {{"A", "B"}, "A\r\nB"},
        {{"A", ""}, "A\r\n"},
        {{""}, "\r\n"},  // too short to lose its break
        {{}, ""},
    };
    for (const Case& c : cases) {
        TStringList lines;
        for (const std::string& line : c.lines) lines.Add(line);
        chart_.Title()->SetLines(lines);
        EXPECT_EQ(chart_.Title()->Text(), c.text) << lines.Count() << " lines";
        EXPECT_EQ(chart_.Title()->Lines().Count(), lines.Count());
    }
}

TEST_F(ChartWallsTest, ATitleHasTextAndIsClickedOnlyWhenVisible)
{
    TChartTitle& title = *chart_.Title();
    EXPECT_FALSE(title.HasText());
    title.AssignText("Quellbrook");
    EXPECT_TRUE(title.HasText());
    title.Bounds = {10, 20, 80, 33};
    for (const TPoint p : {TPoint{10, 20}, TPoint{80, 33}, TPoint{40, 25}}) EXPECT_TRUE(title.Clicked(p));
    for (const TPoint p : {TPoint{9, 20}, TPoint{81, 25}, TPoint{40, 34}}) EXPECT_FALSE(title.Clicked(p));
    title.SetVisible(false);
    EXPECT_FALSE(title.HasText());
    EXPECT_FALSE(title.Clicked({40, 25}));
}

TEST_F(ChartWallsTest, AssigningATitleCopiesItsLinesMarginAndPlace)
{
    TChart source;
    TChartTitle& from = *source.SubTitle();
    from.AssignText("one\r\ntwo");
    from.SetAdjustFrame(false);
    from.SetVertMargin(12);
    from.SetLeft(30);
    from.SetTop(40);
    from.Font()->SetColor(clGreen);
    chart_.SetSubTitle(&from);
    TChartTitle& to = *chart_.SubTitle();
    EXPECT_EQ(to.Lines().Count(), 2);
    EXPECT_EQ(to.Text(), "one\r\ntwo");
    EXPECT_FALSE(to.AdjustFrame());
    EXPECT_EQ(to.VertMargin(), 12);
    EXPECT_TRUE(to.CustomPosition());
    EXPECT_EQ(to.Left(), 30);
    EXPECT_EQ(to.Top(), 40);
    EXPECT_EQ(to.Font()->Color(), clGreen);

    // A foot copied onto a chart without one becomes a foot.
    chart_.SetFoot(source.Foot());
    EXPECT_FALSE(chart_.PeekFoot()->OnTop());
}

// ---------------------------------------------------------------- the chart's questions

TEST_F(ChartWallsTest, TheBackgroundIsTheBackWallOnlyWhenItIsOpaque)
{
    TChartBackWall& back = *chart_.BackWall();
    back.SetColor(clRed);
    const TColor panelBackground = static_cast<TCustomDuvPanelExtended&>(chart_).TCustomDuvPanelExtended::GetBackgroundColor();
    EXPECT_EQ(chart_.GetBackgroundColor(), panelBackground) << "a new chart's back wall is transparent";
    back.SetTransparent(false);
    EXPECT_EQ(chart_.GetBackgroundColor(), clRed);
    back.GetGradient()->SetVisible(true);
    back.GetGradient()->SetStartColor(clGreen);
    EXPECT_EQ(chart_.GetBackgroundColor(), clGreen);
    chart_.SetView3DWalls(false);
    EXPECT_EQ(chart_.GetBackgroundColor(), panelBackground);
    chart_.SetView3DWalls(true);
    back.SetVisible(false);
    EXPECT_EQ(chart_.GetBackgroundColor(), panelBackground);
}

TEST_F(ChartWallsTest, ASeriesColourIsFreeUnlessTakenOrTheBackground)
{
    TTestSeries first, second;
    first.SeriesColor = clRed;
    second.SeriesColor = clBlue;
    first.SetParentChart(&chart_);
    second.SetParentChart(&chart_);
    chart_.SetColor(clYellow);
    chart_.BackWall()->SetColor(clGreen);
    struct Case {
        TColor color;
        bool checkBack;
        TCustomChartSeries* except;
        bool free;
    };
    const Case cases[] = {
        {clRed, false, nullptr, false},  {clRed, false, &first, true},   {clBlue, false, &first, false},
        {clYellow, false, nullptr, true}, {clYellow, true, nullptr, false}, {clGreen, false, nullptr, true},
        {clGreen, true, nullptr, false}, {clAqua, true, nullptr, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(chart_.IsFreeSeriesColor(c.color, c.checkBack, c.except), c.free)
            << std::hex << c.color << " check back " << c.checkBack;
}

TEST_F(ChartWallsTest, TheOldBackColourSetsTheBackWall)
{
    chart_.BackWall()->Brush().SetStyle(bsClear);
    chart_.SetBackColor(clRed);
    EXPECT_EQ(chart_.BackWall()->Color(), clRed);
    EXPECT_EQ(chart_.BackWall()->Brush().Style(), bsClear) << "a chart not shown keeps its brush";
    enginetest::TCountingWindow window;
    chart_.SetWindow(&window);
    chart_.SetBackColor(clBlue);
    chart_.SetWindow(nullptr);
    EXPECT_EQ(chart_.BackWall()->Color(), clBlue);
    EXPECT_EQ(chart_.BackWall()->Brush().Style(), bsSolid);
}

TEST_F(ChartWallsTest, AxesAreNamedByTheirTitleOrTheirPlace)
{
    struct Case {
        const TChartAxis* axis;
        std::string name;
    };
    const Case cases[] = {
        {chart_.LeftAxis(), DuvMsgLeftAxis},     {chart_.RightAxis(), DuvMsgRightAxis},
        {chart_.TopAxis(), DuvMsgTopAxis},       {chart_.BottomAxis(), DuvMsgBottomAxis},
        {chart_.DepthAxis(), DuvMsgDepthRightAxis}, {chart_.DepthTopAxis(), DuvMsgDepthTopAxis},
    };
    for (const Case& c : cases) {
        std::string text;
        chart_.AxisDisplayName(c.axis, text);
        EXPECT_EQ(text, c.name);
    }
    chart_.LeftAxis()->GetTitle()->SetCaption("Depth (m)");
    std::string text;
    chart_.AxisDisplayName(chart_.LeftAxis(), text);
    EXPECT_EQ(text, "Depth (m)");
}

TEST_F(ChartWallsTest, ResettingBringsWallsAndTitlesBack)
{
    auto* series = new TTestSeries(nullptr);
    series->SetParentChart(&chart_);
    chart_.Title()->AssignText("Quellbrook");
    chart_.BackWall()->SetSize(5);
    chart_.BackWall()->SetColor(clRed);
    chart_.RightWall()->SetVisible(true);
    chart_.SetView3DWalls(false);
    chart_.ResetToEmpty();
    EXPECT_EQ(chart_.CountSeries(), 0);
    EXPECT_EQ(chart_.PeekTitle(), nullptr);
    EXPECT_EQ(chart_.BackWall()->Size(), 0);
    EXPECT_EQ(chart_.BackWall()->Color(), clSilver);
    ASSERT_NE(chart_.PeekRightWall(), nullptr);
    EXPECT_FALSE(chart_.PeekRightWall()->Visible());
    EXPECT_TRUE(chart_.View3DWalls());
}

}  // namespace
