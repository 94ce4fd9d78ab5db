// Titles and walls of a chart drawn on the recording canvas (7 pixels a character, 13 a line).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/graphics/RecordingCanvas.h"
#include "support_ChartEngine.h"
#include "support_TestSeries.h"

namespace {

class ChartBoxTest : public testing::Test {
protected:
    void SetUp() override
    {
        enginetest::StartChartModules();
        chart_.SetBounds(0, 0, 400, 250);
        auto canvas = std::make_unique<TRecordingCanvas>();
        canvas_ = canvas.get();
        chart_.ReplaceCanvas(std::move(canvas), "TRecordingCanvas");
        chart_.Legend()->SetVisible(false);
        series_ = new enginetest::TTestSeries(&chart_);
        for (int i = 0; i < 4; ++i) series_->AddXY(10 + i * 20, 20 + i * 10);
        series_->SetParentChart(&chart_);
    }
    void Draw()
    {
        canvas_->Clear();
        chart_.DrawToCanvas(nullptr, chart_.GetPanelRect());
    }
    TChart chart_;
    TRecordingCanvas* canvas_ = nullptr;
    enginetest::TTestSeries* series_ = nullptr;
};

TEST_F(ChartBoxTest, TitlesStackDownwardAndFeetUpward)
{
    chart_.SetView3D(false);
    chart_.Title()->AssignText("Rainfall");
    chart_.SubTitle()->AssignText("per month");
    chart_.Foot()->AssignText("Station");
    chart_.SubFoot()->AssignText("2026");
    chart_.Title()->Pen().SetVisible(true);
    chart_.Title()->Pen().SetWidth(4);
    Draw();
    const TRect title = chart_.Title()->Bounds, sub = chart_.SubTitle()->Bounds;
    const TRect foot = chart_.Foot()->Bounds, subFoot = chart_.SubFoot()->Bounds;
    EXPECT_EQ(title.Top, 11 + 2) << "below the panel margin, half the frame in";
    EXPECT_EQ(sub.Top, title.Bottom + 5 + 2) << "the title's bottom, its margin and half its frame";
    EXPECT_EQ(foot.Bottom, 239);
    EXPECT_EQ(subFoot.Bottom, foot.Top - 5);
    // Centred on the chart rectangle.
    EXPECT_EQ(title.Left, 200 - (title.Right - title.Left) / 2);
    EXPECT_EQ(chart_.Foot()->Font()->Color(), clRed);
    EXPECT_TRUE(chart_.Foot()->Font()->Style().Contains(fsItalic));
    EXPECT_EQ(chart_.Title()->Font()->Color(), clBlue);
}

TEST_F(ChartBoxTest, TitlePlacesByFrameAlignmentAndPosition)
{
    chart_.SetView3D(false);
    TChartTitle* title = chart_.Title();
    title->AssignText("Rain");
    // Not fitted to the text: the panel's width less 2 % (8) and the frame (1) on each side.
    title->SetAdjustFrame(false);
    Draw();
    EXPECT_EQ(title->Bounds.Left, 1 + 8);
    EXPECT_EQ(title->Bounds.Right, 400 - 1 - 8);

    // A centred title stays right of the frame and margin even when the chart lies far left.
    title->SetAdjustFrame(true);
    title->AssignText(std::string(60, 'W'));
    Draw();
    EXPECT_EQ(title->Bounds.Left, 1 + 8);

    // A placed title takes no room from the chart.
    title->AssignText("Rain");
    chart_.SubTitle()->AssignText("Sub");
    Draw();
    const int topWithTitle = chart_.SubTitle()->Bounds.Top;
    title->SetLeft(50);
    title->SetTop(100);
    Draw();
    EXPECT_LT(chart_.SubTitle()->Bounds.Top, topWithTitle);
    EXPECT_EQ(title->Bounds.Left, 50);
    EXPECT_EQ(title->Bounds.Top, 100);

    // Freeing a title: the next read makes a fresh one with the defaults.
    chart_.SetFoot(nullptr);
    EXPECT_EQ(chart_.PeekFoot(), nullptr);
    EXPECT_EQ(chart_.Foot()->Lines().Count(), 0);
}

TEST_F(ChartBoxTest, ThreeDimensionalRoomAndWallSizes)
{
    chart_.SetView3D(true);
    chart_.View3DOptions().SetOrthoAngle(120);
    chart_.LeftWall()->SetSize(4);
    chart_.FixChartRect(false);
    chart_.ChartRect = {20, 20, 380, 230};
    chart_.ChartWidth = 360;
    chart_.AdjustChartRectFor3D();
    EXPECT_EQ(chart_.ChartRect.Left, 20 + std::abs(chart_.DepthWidth) + 4 + 1) << "depth, the wall and one pixel";
    EXPECT_EQ(chart_.GetAxisWallSize(chart_.LeftAxis()), 4);
    EXPECT_EQ(chart_.GetAxisWallSize(chart_.RightAxis()), 0);
    chart_.SetView3DWalls(false);
    EXPECT_EQ(chart_.GetAxisWallSize(chart_.LeftAxis()), 0);
}

TEST_F(ChartBoxTest, BackgroundAndFreeColours)
{
    chart_.SetColor(clWhite);
    EXPECT_NE(chart_.GetBackgroundColor(), chart_.BackWall()->Color()) << "the new back wall is transparent";
    chart_.BackWall()->SetTransparent(false);
    EXPECT_EQ(chart_.GetBackgroundColor(), clSilver);

    series_->SeriesColor = clRed;
    EXPECT_FALSE(chart_.IsFreeSeriesColor(clRed, false, nullptr));
    EXPECT_TRUE(chart_.IsFreeSeriesColor(clRed, false, series_));
    EXPECT_TRUE(chart_.IsFreeSeriesColor(clWhite, false, nullptr));
    EXPECT_FALSE(chart_.IsFreeSeriesColor(clWhite, true, nullptr)) << "the chart's own colour";
}

TEST_F(ChartBoxTest, WallsAndTitlesCopy)
{
    TChart other;
    other.LeftWall()->SetSize(6);
    other.RightWall()->SetVisible(true);
    other.BottomWall()->SetEndPosition(50);
    other.Title()->AssignText("Copied");
    other.Title()->SetVertMargin(9);
    chart_.Assign(&other);
    EXPECT_EQ(chart_.LeftWall()->Size(), 6);
    EXPECT_TRUE(chart_.RightWall()->Visible());
    EXPECT_EQ(chart_.BottomWall()->EndPosition(), 50);
    EXPECT_EQ(chart_.Title()->Text(), "Copied");
    EXPECT_EQ(chart_.Title()->VertMargin(), 9);
    std::string name;
    chart_.AxisDisplayName(chart_.RightAxis(), name);
    EXPECT_EQ(name, "Right Axis");
    chart_.AxisDisplayName(chart_.DepthAxis(), name);
    EXPECT_EQ(name, "Depth Right");
}

}  // namespace
