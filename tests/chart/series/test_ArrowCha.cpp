// Arrow series: outline or filled arrows, the axis range the arrow ends widen, clicks on the
// shaft and head, copying, streaming and the gallery.
#include <gtest/gtest.h>

#include "chart/engine/ChartRegistry.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/series/ArrowCha.h"
#include "support_AxisChart.h"

using namespace seriestest;

namespace {

using ArrowTest = AxisChartTest;

std::string Pt(int x, int y) { return std::to_string(x) + ":" + std::to_string(y); }

TEST_F(ArrowTest, ArrowsAreOutlinesInFlatChartsAndFilledWithFill2DOrIn3D)
{
    struct TCase {
        const char* name;
        bool fill2D, view3D, filled;
    } const cases[] = {
        {"outline", false, false, false},
        {"Fill2D", true, false, true},
        {"3D", false, true, true},
    };
    for (const TCase& c : cases) {
        auto* arrows = Add<TArrowSeries>("Arrows");
        arrows->SetFill2D(c.fill2D);
        chart.SetView3D(c.view3D);
        arrows->SetArrowWidth(10);
        arrows->SetArrowHeight(14);
        arrows->SetArrowPercent(30);
        arrows->AddArrow(1, 2, 6, 8, "", clGreen);
        chart.Draw();
        const std::string expected = std::string("Arrow3D(") + (c.filled ? "true" : "false") + "," + Pt(X(1), Y(2)) +
                                     "," + Pt(X(6), Y(8)) + ",10,14," + std::to_string(arrows->StartZ) + "," +
                                     std::to_string(arrows->EndZ) + ",30)";
        EXPECT_EQ(Drawn("Arrows", {"Arrow3D"}), std::vector<std::string>{expected}) << c.name;
        for (const TRecordedCall& call : enginetest::GroupCalls(chart.Recording().Calls, "Arrows"))
            if (call.Name == "Arrow3D") {
                // Filled arrows take the pointer's pen and fill in the point colour.
                EXPECT_EQ(c.filled ? call.BrushColor : call.PenColor, clGreen) << c.name;
            }
        FreeComponent(arrows);
    }
}

TEST_F(ArrowTest, BothEndsWidenTheAxes)
{
    auto* arrows = Add<TArrowSeries>("Arrows");
    arrows->AddArrow(0, 0, 10, 10);
    arrows->AddArrow(2, 0, -3, 0);
    EXPECT_EQ(arrows->MaxXValue(), 10);
    EXPECT_EQ(arrows->MinXValue(), -3);
    EXPECT_EQ(arrows->MaxYValue(), 10) << "even though every Y is 0";
    EXPECT_EQ(arrows->MinYValue(), 0);
    chart.LeftAxis()->SetAutomatic(true);
    chart.BottomAxis()->SetAutomatic(true);
    chart.Draw();
    EXPECT_GE(chart.LeftAxis()->Maximum(), 10);
    EXPECT_LE(chart.BottomAxis()->Minimum(), -3);
}

TEST_F(ArrowTest, AClickNearTheShaftOrHeadFindsTheArrow)
{
    auto* arrows = Add<TArrowSeries>("Arrows");
    arrows->SetArrowWidth(12);
    arrows->SetArrowHeight(12);
    arrows->AddArrow(1, 5, 9, 5);  // horizontal
    arrows->AddArrow(5, 1, 5, 3);  // vertical, short
    chart.Draw();
    const int midX = X(5) + 40, y = Y(5);
    struct TCase {
        int dx, dy, index;
    } const cases[] = {{0, 0, 0}, {0, 2, 0}, {0, -2, 0}, {0, 3, 0}, {0, 4, -1}, {0, -4, -1}, {-1000, 0, -1}};
    for (const TCase& c : cases)
        EXPECT_EQ(arrows->PointAtScreen(midX + c.dx, y + c.dy), c.index) << c.dx << "," << c.dy;
    // The head's sides answer too: a point on the side from the tip back to a head corner.
    TPointArray outline;
    CalcArrowPoints({X(1), y}, {X(9), y}, outline, 12, 12, 50);
    ASSERT_EQ(outline.size(), 7u);
    const TPoint side{(outline[4].X + outline[3].X) / 2, (outline[4].Y + outline[3].Y) / 2};
    EXPECT_EQ(arrows->PointAtScreen(side.X, side.Y), 0);
    EXPECT_EQ(arrows->PointAtScreen(X(5) + 2, (Y(1) + Y(3)) / 2), 1);
    EXPECT_EQ(arrows->PointAtScreen(X(5) + 5, (Y(1) + Y(3)) / 2), -1);
    // In 3D the outline polygon answers.
    chart.SetView3D(true);
    chart.Draw();
    TPoint start, end;
    arrows->ArrowEnds(0, start, end);
    chart.Canvas().CalcArrowPoints3D(start, end, outline, arrows->MiddleZ, 12, 12, 50);
    const TPoint inside{(outline[0].X + outline[1].X + outline[2].X + outline[6].X) / 4,
                        (outline[0].Y + outline[1].Y + outline[2].Y + outline[6].Y) / 4};
    EXPECT_EQ(arrows->PointAtScreen(inside.X, inside.Y), 0);
}

TEST_F(ArrowTest, TheHeadSizesLiveInThePointer)
{
    auto* arrows = Add<TArrowSeries>("Arrows");
    arrows->SetArrowWidth(0);
    EXPECT_EQ(arrows->ArrowWidth(), 1) << "sizes stay at least 1";
    arrows->SetArrowHeight(9);
    EXPECT_EQ(arrows->Pointer().VertSize(), 9);
    EXPECT_EQ(arrows->ArrowPercent(), 50);
    EXPECT_TRUE(arrows->XValues()->DateTime());
    EXPECT_TRUE(arrows->EndXValues()->DateTime());
    EXPECT_FALSE(arrows->EndYValues()->DateTime());
    EXPECT_EQ(arrows->StartXValues(), arrows->XValues());
    EXPECT_EQ(arrows->StartYValues(), arrows->YValues());
    EXPECT_FALSE(arrows->Pointer().InflateMargins());
    EXPECT_FALSE(arrows->ComputeVisiblePoints);
    EXPECT_EQ(arrows->GetEditorClassName(), "TArrowSeriesEditor");
    auto* other = Add<TArrowSeries>("Other");
    other->SetArrowPercent(20);
    other->SetFill2D(true);
    arrows->AssignFormat(other);
    EXPECT_EQ(arrows->ArrowPercent(), 20);
    EXPECT_TRUE(arrows->Fill2D());
    EXPECT_TRUE(arrows->AcceptsSourceSeries(other));
    EXPECT_FALSE(arrows->AcceptsSourceSeries(Add<TPointSeries>("Points")));
    std::vector<std::string> styles;
    arrows->ListSubGalleryStyles([&](const std::string& s) { styles.push_back(s); });
    EXPECT_EQ(styles, (std::vector<std::string>{"Normal", "Colors", "Marks", "Hollow", "No Border", "Gradient"}))
        << "no pointer styles";
}

TEST_F(ArrowTest, TheGalleryShowsThreeLargeHeadedArrows)
{
    auto* arrows = Add<TArrowSeries>("Arrows");
    arrows->SetGalleryLook();
    EXPECT_EQ(arrows->PointCount(), 3);
    EXPECT_EQ(arrows->ArrowWidth(), 12);
    EXPECT_EQ(arrows->ArrowHeight(), 12);
    for (int i = 0; i < 3; ++i) {
        EXPECT_GE(arrows->EndXValues()->GetValueAt(i), arrows->XValues()->GetValueAt(i));
        EXPECT_GE(arrows->EndYValues()->GetValueAt(i), arrows->YValues()->GetValueAt(i));
    }
    const TDuvSeriesType* type = GetGalleryTypeList().FindSeriesType(&TArrowSeries::StaticClass(), 0);
    ASSERT_TRUE(type);
    EXPECT_EQ(*type->Description, "Arrow");
    EXPECT_EQ(*type->GalleryPage, "Extended");
    EXPECT_EQ(type->NumGallerySeries, 2);
}

TEST_F(ArrowTest, ArrowsSurviveTheStreamWithTheirEnds)
{
    auto* arrows = Add<TArrowSeries>("Arrows");
    arrows->AddArrow(1, 2, 3, 4, "a", clRed);
    arrows->AddArrow(5, 6, 7, 8);
    arrows->SetArrowPercent(35);
    arrows->SetFill2D(true);
    arrows->SetArrowWidth(11);
    arrows->DataLoaded = true;
    const std::string text = ComponentTextOf(chart);
    TTestChart other;
    ReadComponentText(other, text);
    auto* read = dynamic_cast<TArrowSeries*>(other.SeriesList().GetSeries(0));
    ASSERT_TRUE(read) << text;
    EXPECT_EQ(Describe(*read), Describe(*arrows));
    EXPECT_EQ(read->EndXValues()->GetValueAt(1), 7);
    EXPECT_EQ(read->EndYValues()->GetValueAt(0), 4);
    EXPECT_EQ(read->ArrowPercent(), 35);
    EXPECT_TRUE(read->Fill2D());
    EXPECT_EQ(read->ArrowWidth(), 11);
}

TEST(ArrowPixels, AnOutlineArrowLeavesItsHeadEmptyUntilFilled)
{
    TRealChart real;
    auto* arrows = new TArrowSeries(&real.Chart);
    arrows->SetParentChart(&real.Chart);
    arrows->SetArrowWidth(30);
    arrows->SetArrowHeight(30);
    arrows->AddArrow(1, 5, 9, 5, "", clBlue);
    real.Paint();
    const int tip = real.X(9), y = real.Y(5);
    EXPECT_EQ(real.Pixel(real.X(5), y), Rgb(clBlue)) << "the shaft";
    EXPECT_NE(real.Pixel(tip - 20, y - 6), Rgb(clBlue)) << "inside the head, beside the shaft";
    arrows->SetFill2D(true);
    real.Paint();
    EXPECT_EQ(real.Pixel(tip - 20, y - 6), Rgb(clBlue));
    EXPECT_EQ(real.Pixel(real.X(5), y), Rgb(clBlue));
}

}  // namespace
