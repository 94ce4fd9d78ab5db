// The chart as chart files store it: what a new chart writes, and a chart with titles, legend,
// walls, a custom palette and a custom axis read back from its own stream; and a whole chart on the
// real canvas against its picture.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QImage>

#include <cstdlib>
#include <optional>
#include <string>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziAxis.h"
#include "support/TestSupport.h"
#include "support_ChartEngine.h"
#include "support_TestSeries.h"

namespace {

// Each test sees an empty settings store, so new charts take the palette of a fresh install.
class ChartStreamTest : public testing::Test {
protected:
    void SetUp() override
    {
        enginetest::StartChartModules();
    }
    qbtest::ScopedConfigDir config_;
};

TEST_F(ChartStreamTest, ANewChartWritesItsPlaceCanvasAndPalette)
{
    TChart chart;
    chart.SetName("Chart1");
    EXPECT_EQ(enginetest::ComponentTextOf(chart),
              "object Chart1: TChart\r\n"
              "  Left = 0\r\n"
              "  Top = 0\r\n"
              "  Width = 400\r\n"
              "  Height = 250\r\n"
              "  DefaultCanvas = 'TGDIPlusCanvas'\r\n"
              "  ColorPaletteIndex = 13\r\n"
              "end\r\n");
}

TEST_F(ChartStreamTest, AChartReadsBackFromItsOwnStream)
{
    TChart chart;
    chart.SetName("Rainfall");
    chart.Title()->AssignText("Rainfall\r\nper month");
    chart.SubTitle()->AssignText("2026");
    chart.Foot()->AssignText("Station 4");
    chart.Foot()->SetVertMargin(9);
    chart.Legend()->SetAlignment(laBottom);
    chart.Legend()->SetCheckBoxes(true);
    chart.Legend()->SetMaxNumRows(3);
    chart.Legend()->GetTitle()->AssignText("Series");
    chart.LeftWall()->SetSize(4);
    chart.BackWall()->SetTransparent(false);
    chart.BackWall()->SetColor(clYellow);
    chart.RightWall()->SetVisible(true);
    chart.BottomWall()->SetEndPosition(50);
    chart.SetColorPaletteIndex(5);
    chart.SetColorPaletteIndex(-2);
    chart.CustomPalette.push_back(clFuchsia);
    TChartAxis* custom = chart.CustomAxes()->AddAxis();
    custom->SetHorizontal(true);
    custom->SetPositionPercent(40);

    const std::string written = enginetest::ComponentTextOf(chart);
    for (const char* line : {"Title.Text.Strings = (", "SubFoot", "ColorPaletteIndex = -2", "ColorPalette = (",
                             "Legend.Alignment = laBottom", "LeftWall.Size = 4", "CustomAxes = <"}) {
        if (std::string(line) == "SubFoot") EXPECT_THAT(written, testing::Not(testing::HasSubstr(line))) << "never read";
        else EXPECT_THAT(written, testing::HasSubstr(line));
    }

    TChart read;
    enginetest::ReadComponentText(read, written);
    EXPECT_EQ(enginetest::ComponentTextOf(read), written);
    EXPECT_EQ(read.ColorPaletteIndex(), -2);
    ASSERT_EQ(read.CustomPalette.size(), 13u);
    EXPECT_EQ(read.CustomPalette.back(), clFuchsia);
    EXPECT_EQ(read.Title()->Text(), "Rainfall\r\nper month");
    EXPECT_EQ(read.Legend()->Alignment(), laBottom);
    EXPECT_EQ(read.LeftWall()->Size(), 4);
    EXPECT_EQ(read.BackWall()->Color(), clYellow);
    EXPECT_EQ(read.PeekSubFoot(), nullptr) << "reading does not make titles the stream does not name";
    ASSERT_EQ(read.CustomAxes()->Count(), 1);
    EXPECT_TRUE(read.CustomAxes()->GetAxis(0)->Horizontal());
}


// Bars on the chart's axes, with a legend symbol in the series colour.
class TBarTestSeries : public enginetest::TTestSeries {
    QB_CLASS(TBarTestSeries, enginetest::TTestSeries)
public:
    explicit TBarTestSeries(TComponent* owner = nullptr) : TTestSeries(owner) {}
    int Slot = 0;
    TChartAxis* HorizAxisObject() const override { return ParentChart() ? ParentChart()->BottomAxis() : nullptr; }
    TChartAxis* VertAxisObject() const override { return ParentChart() ? ParentChart()->LeftAxis() : nullptr; }
    void GetHorizMargins(int& left, int& right) override { left = right = 20; }
    void DrawPoint(int index) override
    {
        TCanvas3D& canvas = ParentChart()->Canvas();
        const int x = HorizAxisObject()->CalcXPosValue(X()[index]) - 15 + Slot * 10;
        canvas.Brush().SetColor(GetPointColor(index));
        canvas.Brush().SetStyle(bsSolid);
        canvas.ApplyBrush(canvas.Brush());
        canvas.Pen().SetColor(clBlack);
        canvas.ApplyPen();
        canvas.Rectangle(x, VertAxisObject()->CalcYPosValue(Y()[index]), x + 10,
                         VertAxisObject()->CalcYPosValue(0));
    }
    void PaintLegendSymbol(int, const TRect& r) override
    {
        ParentChart()->Canvas().Brush().SetColor(SeriesColor);
        ParentChart()->Canvas().Brush().SetStyle(bsSolid);
        ParentChart()->DrawLegendSymbolRect(r);
    }
};

// The chart on the real canvas, compared with a picture a person has looked at. Rerun with
// QB_UPDATE_PICTURES set to write the picture anew after a deliberate change.
TEST_F(ChartStreamTest, TheChartLooksAsItsPicture)
{
    TChart chart;
    chart.SetBounds(0, 0, 400, 250);
    chart.SetColorPaletteIndex(0);
    chart.Title()->AssignText("Rainfall");
    chart.SubTitle()->AssignText("Station 4");
    chart.Foot()->AssignText("2026");
    const TColor colors[] = {clRed, clBlue, clGreen};
    for (int s = 0; s < 3; ++s) {
        auto* series = new TBarTestSeries(&chart);
        series->Slot = s;
        series->SetTitle("Series " + std::to_string(s + 1));
        series->SeriesColor = colors[s];
        for (int i = 0; i < 6; ++i) series->AddXY(i, (i * (s + 2)) % 7);
        series->SetParentChart(&chart);
    }
    const std::unique_ptr<QImage> picture = chart.CreatePanelBitmap();
    ASSERT_TRUE(picture);
    EXPECT_TRUE(qbtest::LooksLikePicture(*picture, "chart/engine/chart.png", 100));
}

}  // namespace
