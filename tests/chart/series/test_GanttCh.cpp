// Gantt series: task bars, the connector to the next task and its marker, the margins and
// range the tasks need, clicks, sample tasks, copying and streaming.
#include <gtest/gtest.h>

#include <cstdlib>

#include "chart/engine/ChartRegistry.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/series/GanttCh.h"
#include "chart/series/RuRazaziMarks.h"
#include "support_AxisChart.h"

using namespace seriestest;

namespace {

using GanttTest = AxisChartTest;

std::string Pt(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }

TEST_F(GanttTest, TasksAreBarsJoinedToTheirNextTask)
{
    auto* gantt = Add<TGanttSeries>("Gantt");
    gantt->AddGantt(1, 5, 3, "first");
    gantt->AddGantt(7, 9, 5, "second");
    gantt->NextTask()->SetValueAt(0, 1);
    gantt->ConnectingPen().SetColor(clRed);
    chart.Draw();
    const int v = gantt->Pointer().VertSize();
    auto bar = [&](double start, double end, double row) {
        const int x0 = X(start), half = (X(end) - x0) / 2, y = Y(row);
        return "Rectangle(" + Pt(x0, y - v) + "," + Pt(x0 + 2 * half + 1, y + v + 1) + ")";
    };
    const int xm = X(5) + (X(7) - X(5)) / 2;
    EXPECT_LE(std::abs(xm - X(6)), 1) << "the connector turns half-way";
    const std::vector<std::string> expected{bar(1, 5, 3),
                                            "MoveTo(" + Pt(X(5), Y(3)) + ")",
                                            "LineTo(" + Pt(xm, Y(3)) + ")",
                                            "LineTo(" + Pt(xm, Y(5)) + ")",
                                            "LineTo(" + Pt(X(7), Y(5)) + ")",
                                            bar(7, 9, 5)};
    EXPECT_EQ(Drawn("Gantt", {"Rectangle", "MoveTo", "LineTo", "Polygon"}), expected);
    for (const TRecordedCall& call : enginetest::GroupCalls(chart.Recording().Calls, "Gantt")) {
        if (call.Name == "LineTo") {
            EXPECT_EQ(call.PenColor, clRed);
        }
    }

    // The callout marker sits at the arrival end, its tip on the next task's start.
    gantt->Callout()->SetVisible(true);
    gantt->Callout()->Brush().SetColor(clBlue);
    chart.Draw();
    const int s = gantt->Callout()->GetMaxSize(), xn = X(7), yn = Y(5);
    std::vector<std::string> markers;
    for (const TRecordedCall& call : enginetest::GroupCalls(chart.Recording().Calls, "Gantt"))
        if (call.Name == "Polygon") {
            markers.push_back(call.Text());
            EXPECT_EQ(call.BrushColor, clBlue);
        }
    const std::string marker = "Polygon([" + std::to_string(xn) + ":" + std::to_string(yn) + " " +
                               std::to_string(xn - 2 * s) + ":" + std::to_string(yn + s) + " " +
                               std::to_string(xn - 2 * s) + ":" + std::to_string(yn - s) + "])";
    EXPECT_EQ(markers, std::vector<std::string>{marker});
}

TEST_F(GanttTest, NoConnectorWithoutAValidNextTask)
{
    for (const double next : {-1.0, 2.0, 7.0, -3.0}) {
        auto* gantt = Add<TGanttSeries>("Gantt");
        gantt->AddGantt(1, 5, 3);
        gantt->AddGantt(7, 9, 5);
        gantt->NextTask()->SetValueAt(0, next);
        chart.Draw();
        EXPECT_TRUE(Drawn("Gantt", {"MoveTo", "LineTo"}).empty()) << next;
        FreeComponent(gantt);
    }
    auto* gantt = Add<TGanttSeries>("Gantt");
    gantt->AddGantt(1, 5, 3);
    gantt->AddGantt(7, 9, 5);
    gantt->NextTask()->SetValueAt(0, 1);
    gantt->ConnectingPen().SetVisible(false);
    chart.Draw();
    EXPECT_TRUE(Drawn("Gantt", {"MoveTo", "LineTo"}).empty()) << "a hidden connecting pen";
    EXPECT_EQ(gantt->NextTask()->GetValueAt(1), -1) << "every added task starts without a next task";
}

TEST_F(GanttTest, TheRangeCoversTheLastEndAndTheRowsGetRoom)
{
    auto* gantt = Add<TGanttSeries>("Gantt");
    gantt->AddGantt(1, 20, 3);
    gantt->AddGantt(4, 6, 5);
    EXPECT_EQ(gantt->MaxXValue(), 20) << "beyond every start";
    EXPECT_EQ(gantt->MinXValue(), 1);
    chart.BottomAxis()->SetAutomatic(true);
    chart.Draw();
    EXPECT_GE(chart.BottomAxis()->Maximum(), 20);
    int top = 0, bottom = 0;
    gantt->GetVertMargins(top, bottom);
    int plainTop = 0, plainBottom = 0;
    TPointSeries plain(nullptr);
    plain.GetVertMargins(plainTop, plainBottom);
    EXPECT_EQ(top, plainTop + gantt->Pointer().VertSize());
    EXPECT_EQ(bottom, plainBottom + gantt->Pointer().VertSize());
}

TEST_F(GanttTest, AClickOnTheBarFindsTheTask)
{
    auto* gantt = Add<TGanttSeries>("Gantt");
    gantt->AddGantt(2, 6, 3);
    gantt->AddGantt(3, 8, 7);
    chart.Draw();
    const int v = gantt->Pointer().VertSize();
    struct TCase {
        int x, y, index;
    } const cases[] = {
        {X(2), Y(3), 0},     {X(4), Y(3) + v - 1, 0}, {X(6), Y(3), 0},        {X(2) - 1, Y(3), -1},
        {X(4), Y(3) + v, -1}, {X(6) + 1, Y(3), -1},   {X(7), Y(7) - v + 1, 1},
    };
    for (const TCase& c : cases) EXPECT_EQ(gantt->PointAtScreen(c.x, c.y), c.index) << c.x << "," << c.y;
}

TEST_F(GanttTest, AMarkSitsInTheMiddleOfItsBar)
{
    auto* gantt = Add<TGanttSeries>("Gantt");
    gantt->AddGantt(2, 8, 5, "task");
    auto* points = Add<TPointSeries>("Points");
    points->AddPointXY(2, 5, "task");
    gantt->Marks().SetVisible(true);
    points->Marks().SetVisible(true);
    chart.Draw();
    const TSeriesMarkPosition* bar = gantt->Marks().Positions().PositionAt(0);
    const TSeriesMarkPosition* point = points->Marks().Positions().PositionAt(0);
    ASSERT_TRUE(bar && point);
    EXPECT_EQ(bar->LeftTop.X - point->LeftTop.X, (X(8) - point->ArrowFrom.X) / 2);
    EXPECT_EQ(bar->LeftTop.Y - point->LeftTop.Y, point->Height / 2);
}

TEST_F(GanttTest, SampleTasksChainToLaterTasks)
{
    auto* gantt = Add<TGanttSeries>("Gantt");
    gantt->FillSampleValues(0);
    const int count = gantt->PointCount();
    EXPECT_GE(count, 11);
    EXPECT_LE(count, 25);
    std::string label;
    gantt->GetPointLabel(8, label);
    EXPECT_EQ(label, "New Version");
    gantt->GetPointLabel(9, label);
    EXPECT_EQ(label, "Banking");
    int links = 0;
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(gantt->YValues()->GetValueAt(i), i % 10);
        const double start = gantt->StartValues()->GetValueAt(i), end = gantt->EndValues()->GetValueAt(i);
        EXPECT_GE(end - start, 9);
        EXPECT_LE(end - start, 24);
        const int next = static_cast<int>(gantt->NextTask()->GetValueAt(i));
        if (next == -1) continue;
        ++links;
        ASSERT_GT(next, i);
        ASSERT_LT(next, count);
        EXPECT_LT(end, gantt->StartValues()->GetValueAt(next));
    }
    EXPECT_GT(links, 0);
    gantt->FillSampleValues(1);
    EXPECT_EQ(gantt->PointCount(), 1);
    gantt->ClearPoints();
    gantt->AddRandomSamples(0, false);
    EXPECT_EQ(gantt->PointCount(), 0);
}

TEST_F(GanttTest, TheGalleryLookAndTheRegistration)
{
    auto* gantt = Add<TGanttSeries>("Gantt");
    EXPECT_FALSE(gantt->YMandatory());
    EXPECT_FALSE(gantt->ClickableLine());
    EXPECT_TRUE(gantt->ColorEachPoint());
    EXPECT_TRUE(gantt->StartValues()->DateTime());
    EXPECT_TRUE(gantt->EndValues()->DateTime());
    EXPECT_EQ(gantt->StartValues()->Name(), "Start");
    EXPECT_EQ(gantt->GetEditorClassName(), "TGanttSeriesEditor");
    EXPECT_EQ(gantt->PeekCallout(), nullptr) << "made on first read";
    TMarksCallout* callout = gantt->Callout();
    EXPECT_EQ(callout->Style(), psRightTriangle);
    EXPECT_FALSE(callout->Visible());
    EXPECT_FALSE(callout->Arrow().Visible());
    gantt->SetCallout(nullptr);
    EXPECT_EQ(gantt->PeekCallout(), nullptr);
    gantt->SetGalleryLook();
    EXPECT_EQ(gantt->Pointer().VertSize(), 3);
    EXPECT_TRUE(gantt->Pointer().GetGradient()->Visible());
    const TDuvSeriesType* type = GetGalleryTypeList().FindSeriesType(&TGanttSeries::StaticClass(), 0);
    ASSERT_TRUE(type);
    EXPECT_EQ(*type->Description, "Gantt");
    EXPECT_EQ(*type->GalleryPage, "Standard");
    EXPECT_EQ(type->NumGallerySeries, 1);
    auto* other = Add<TGanttSeries>("Other");
    other->Callout()->SetVisible(true);
    other->ConnectingPen().SetWidth(3);
    gantt->AssignFormat(other);
    ASSERT_TRUE(gantt->PeekCallout());
    EXPECT_TRUE(gantt->PeekCallout()->Visible());
    EXPECT_EQ(gantt->ConnectingPen().Width(), 3);
    EXPECT_TRUE(gantt->AcceptsSourceSeries(other));
    EXPECT_FALSE(gantt->AcceptsSourceSeries(Add<TPointSeries>("Points")));
}

TEST_F(GanttTest, TasksSurviveTheStreamWithTheirEndsAndLinks)
{
    auto* gantt = Add<TGanttSeries>("Gantt");
    gantt->AddGantt(3, 5, 1, "b");
    gantt->AddGantt(1, 2, 0, "a");
    gantt->NextTask()->SetValueAt(1, 0);
    gantt->Callout()->SetVisible(true);
    gantt->DataLoaded = true;
    const std::string text = ComponentTextOf(chart);
    TTestChart other;
    ReadComponentText(other, text);
    auto* read = dynamic_cast<TGanttSeries*>(other.SeriesList().GetSeries(0));
    ASSERT_TRUE(read) << text;
    EXPECT_EQ(Describe(*read), Describe(*gantt)) << "tasks keep their order";
    EXPECT_EQ(read->EndValues()->GetValueAt(0), 5);
    EXPECT_EQ(read->NextTask()->GetValueAt(1), 0);
    EXPECT_EQ(read->NextTask()->GetValueAt(0), -1);
    ASSERT_TRUE(read->PeekCallout());
    EXPECT_TRUE(read->PeekCallout()->Visible());
}

TEST(GanttPixels, BarsAndConnectorsOnTheCanvas)
{
    TRealChart real;
    auto* gantt = new TGanttSeries(&real.Chart);
    gantt->SetParentChart(&real.Chart);
    gantt->Pointer().SetVertSize(6);
    gantt->AddGanttColor(1, 4, 3, "", clGreen);
    gantt->AddGanttColor(6, 9, 7, "", clBlue);
    gantt->NextTask()->SetValueAt(0, 1);
    gantt->ConnectingPen().SetColor(clRed);
    real.Paint();
    EXPECT_EQ(real.At(2.5, 3), Rgb(clGreen));
    EXPECT_EQ(real.At(7.5, 7), Rgb(clBlue));
    EXPECT_NE(real.At(5, 3.9), Rgb(clGreen));
    const int xm = real.X(4) + (real.X(6) - real.X(4)) / 2;
    EXPECT_EQ(real.Pixel(xm, real.Y(5)), Rgb(clRed)) << "the connector's vertical run";
    EXPECT_EQ(real.Pixel((real.X(4) + xm) / 2, real.Y(3)), Rgb(clRed)) << "leaving the first task";
}

}  // namespace
