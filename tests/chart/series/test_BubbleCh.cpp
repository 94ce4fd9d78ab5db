// Bubble series: sizes from the radius on the axes, the axis range and margins the bubbles
// widen, hits, copying, streaming and the gallery.
#include <gtest/gtest.h>

#include "chart/engine/ChartRegistry.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/DuvConst.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/series/BubbleCh.h"
#include "support_AxisChart.h"

using namespace seriestest;

namespace {

using BubbleTest = AxisChartTest;

std::string Call(const std::string& name, int a, int b, int c, int d)
{
    return name + "(" + std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + "," + std::to_string(d) + ")";
}

TEST_F(BubbleTest, TheRadiusGivesThePointerItsPixelSizes)
{
    // 10 units span 50 pixels vertically and 20 horizontally.
    struct TCase {
        bool squared;
        int horizontal, vertical;
    } const cases[] = {{true, 50, 50}, {false, 20, 50}};
    for (const TCase& c : cases) {
        auto* bubbles = Add<TBubbleSeries>("Bubbles");
        bubbles->AddBubble(5, 5, 10);
        chart.Draw();
        chart.LeftAxis()->PixelsPerValue = 5;
        chart.BottomAxis()->PixelsPerValue = 2;
        bubbles->SetSquared(c.squared);
        bubbles->SizePointerFor(0);
        EXPECT_EQ(bubbles->Pointer().HorizSize(), c.horizontal) << c.squared;
        EXPECT_EQ(bubbles->Pointer().VertSize(), c.vertical) << c.squared;
        FreeComponent(bubbles);
    }
}

TEST_F(BubbleTest, EachBubbleIsDrawnAsACircleOfItsOwnSize)
{
    for (const bool squared : {true, false}) {
        auto* bubbles = Add<TBubbleSeries>("Bubbles");
        bubbles->SetSquared(squared);
        bubbles->AddBubble(3, 4, 1, "", clRed);
        bubbles->AddBubble(7, 6, 2, "", clBlue);
        chart.Draw();
        std::vector<std::string> expected;
        for (const auto& [x, y, r] : {std::tuple{3, 4, 1}, {7, 6, 2}}) {
            const int v = chart.LeftAxis()->CalcSizeValue(r);
            const int h = squared ? v : chart.BottomAxis()->CalcSizeValue(r);
            expected.push_back(Call("Ellipse", X(x) - h, Y(y) - v, X(x) + h, Y(y) + v));
        }
        EXPECT_EQ(Drawn("Bubbles", {"Ellipse"}), expected) << squared;
        std::vector<TColor> brushes;
        for (const TRecordedCall& call : enginetest::GroupCalls(chart.Recording().Calls, "Bubbles"))
            if (call.Name == "Ellipse") brushes.push_back(call.BrushColor);
        EXPECT_EQ(brushes, (std::vector<TColor>{clRed, clBlue}));
        FreeComponent(bubbles);
    }
}

TEST_F(BubbleTest, BubblesWidenTheAutomaticAxes)
{
    chart.LeftAxis()->SetAutomatic(true);
    chart.BottomAxis()->SetAutomatic(true);
    auto* bubbles = Add<TBubbleSeries>("Bubbles");
    bubbles->AddBubble(1, 100, 30);
    bubbles->AddBubble(2, 0, 5);
    EXPECT_EQ(bubbles->MaxYValue(), 130);
    EXPECT_EQ(bubbles->MinYValue(), -5);
    chart.Draw();
    EXPECT_GE(chart.LeftAxis()->Maximum(), 130);
    EXPECT_LE(chart.LeftAxis()->Minimum(), -5);
    // The horizontal ends leave room for the first and the last bubble.
    int left = 0, top = 0, right = 0, bottom = 0;
    bubbles->AdjustAxisLimits(chart.BottomAxis(), left, top, right, bottom);
    EXPECT_EQ(left, chart.LeftAxis()->CalcSizeValue(30));
    EXPECT_EQ(right, chart.LeftAxis()->CalcSizeValue(5));
    left = right = 0;
    bubbles->AdjustAxisLimits(chart.LeftAxis(), left, top, right, bottom);
    bubbles->Pointer().SetInflateMargins(false);
    bubbles->AdjustAxisLimits(chart.BottomAxis(), left, top, right, bottom);
    EXPECT_EQ(std::vector<int>({left, top, right, bottom}), std::vector<int>(4, 0));
    // Depth: the largest radius either way once the bubbles are solid.
    EXPECT_EQ(bubbles->MaxZValue(), 30);
    EXPECT_EQ(bubbles->MinZValue(), -30);
    bubbles->Pointer().SetDraw3D(false);
    EXPECT_EQ(bubbles->MaxZValue(), bubbles->GetEffectiveZOrder());
}

TEST_F(BubbleTest, AClickInsideTheBubbleFindsIt)
{
    auto* bubbles = Add<TBubbleSeries>("Bubbles");
    bubbles->AddBubble(2, 2, 0.5);
    bubbles->AddBubble(6, 6, 2);
    chart.Draw();
    const int big = chart.LeftAxis()->CalcSizeValue(2);
    EXPECT_EQ(bubbles->PointAtScreen(X(6) + big - 2, Y(6)), 1) << "the large bubble's own size counts";
    EXPECT_EQ(bubbles->PointAtScreen(X(6) + big + 2, Y(6)), -1);
    EXPECT_EQ(bubbles->PointAtScreen(X(2), Y(2)), 0);
    EXPECT_EQ(bubbles->PointAtScreen(X(2) + big - 2, Y(2)), -1) << "the small bubble keeps its small size";
}

TEST_F(BubbleTest, OnlyBubblesFeedBubblesAndTheFormatCopiesSquared)
{
    auto* a = Add<TBubbleSeries>("A");
    auto* b = Add<TBubbleSeries>("B");
    auto* points = Add<TPointSeries>("P");
    EXPECT_TRUE(a->AcceptsSourceSeries(b));
    EXPECT_FALSE(a->AcceptsSourceSeries(points));
    EXPECT_FALSE(a->AcceptsSourceSeries(a));
    b->SetSquared(false);
    a->AssignFormat(b);
    EXPECT_FALSE(a->Squared());
}

TEST_F(BubbleTest, ANewBubbleSeriesLooksAsTheGalleryShowsIt)
{
    auto* bubbles = Add<TBubbleSeries>("Bubbles");
    EXPECT_EQ(bubbles->Pointer().Style(), psCircle);
    EXPECT_FALSE(bubbles->Pointer().SizeMayChange);
    EXPECT_TRUE(bubbles->ColorEachPoint());
    EXPECT_TRUE(bubbles->Marks().Transparent());
    EXPECT_FALSE(bubbles->Marks().Frame()->Visible());
    EXPECT_EQ(bubbles->RadiusValues()->Name(), "Radius");
    EXPECT_EQ(bubbles->GetEditorClassName(), "TBubbleSeriesEditor");
    EXPECT_EQ(bubbles->DefaultSampleCount(), 8);
    bubbles->FillSampleValues(0);
    ASSERT_EQ(bubbles->PointCount(), 8);
    for (int i = 0; i < 8; ++i) EXPECT_GT(bubbles->RadiusValues()->GetValueAt(i), 0);
    bubbles->SetGalleryLook();
    EXPECT_TRUE(bubbles->Pointer().GetGradient()->Visible());
    EXPECT_EQ(bubbles->GetGradient(), bubbles->Pointer().GetGradient());
    const TDuvSeriesType* type = GetGalleryTypeList().FindSeriesType(&TBubbleSeries::StaticClass(), 0);
    ASSERT_TRUE(type);
    EXPECT_EQ(*type->Description, "Bubble");
    EXPECT_EQ(*type->GalleryPage, "Standard");
    EXPECT_EQ(type->NumGallerySeries, 1);
}

TEST_F(BubbleTest, BubblesSurviveTheStreamWithTheirRadii)
{
    auto* bubbles = Add<TBubbleSeries>("Bubbles");
    bubbles->AddBubble(1, 2, 3, "one", clRed);
    bubbles->AddBubble(4, 5, 6);
    bubbles->SetSquared(false);
    bubbles->DataLoaded = true;
    const std::string text = ComponentTextOf(chart);
    TTestChart other;
    ReadComponentText(other, text);
    ASSERT_EQ(other.SeriesList().Count(), 1);
    auto* read = dynamic_cast<TBubbleSeries*>(other.SeriesList().GetSeries(0));
    ASSERT_TRUE(read) << text;
    EXPECT_EQ(Describe(*read), Describe(*bubbles));
    ASSERT_EQ(read->RadiusValues()->Count(), 2);
    EXPECT_EQ(read->RadiusValues()->GetValueAt(0), 3);
    EXPECT_EQ(read->RadiusValues()->GetValueAt(1), 6);
    EXPECT_FALSE(read->Squared());
}

TEST(BubblePixels, ABubbleCoversItsRadiusAndNoMore)
{
    TRealChart real;
    auto* bubbles = new TBubbleSeries(&real.Chart);
    bubbles->SetParentChart(&real.Chart);
    bubbles->Pointer().Pen().SetVisible(false);
    bubbles->AddBubble(5, 5, 2, "", clRed);
    real.Paint();
    EXPECT_EQ(real.At(5, 5), Rgb(clRed));
    EXPECT_EQ(real.At(5, 6.7), Rgb(clRed)) << "inside the radius above the centre";
    EXPECT_NE(real.At(5, 7.4), Rgb(clRed)) << "beyond the radius";
    // This picture has more pixels per unit across than up, so a round bubble is narrower than
    // one that follows the horizontal axis.
    const int high = real.Chart.LeftAxis()->CalcSizeValue(2);
    const int wide = real.Chart.BottomAxis()->CalcSizeValue(2);
    ASSERT_GT(wide, high + 6);
    EXPECT_EQ(real.Pixel(real.X(5) + high - 2, real.Y(5)), Rgb(clRed));
    EXPECT_NE(real.Pixel(real.X(5) + high + 3, real.Y(5)), Rgb(clRed)) << "round: as wide as high";
    bubbles->SetSquared(false);
    real.Paint();
    EXPECT_EQ(real.Pixel(real.X(5) + high + 3, real.Y(5)), Rgb(clRed)) << "an ellipse follows the horizontal axis";
    EXPECT_EQ(real.Pixel(real.X(5) + wide - 2, real.Y(5)), Rgb(clRed));
    EXPECT_NE(real.Pixel(real.X(5) + wide + 2, real.Y(5)), Rgb(clRed));
}

}  // namespace
