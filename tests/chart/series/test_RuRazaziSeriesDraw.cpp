// Series on a chart: axes, the visible range, drawing through the chart, depth, legend, mouse.
#include <gtest/gtest.h>

#include <algorithm>

#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/DuvConst.h"
#include "platform/core/DateTime.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {

class SeriesDrawTest : public ::testing::Test {
protected:
    void SetUp() override { StartSeriesModules(); }
};

// A series of points 0 .. 99 (X = i) on a chart.
struct THundredPoints {
    THundredPoints()
    {
        series.SetParentChart(&chart);
        for (int i = 0; i < 100; ++i) series.AddPointXY(i, i % 7);
    }
    TTestChart chart;
    TScopedComponent<TTestSeries> series{&chart};
};

// Points at the pixels (100, 100) and (200, 100): the test series places points by their values.
struct TPixelPoints {
    TPixelPoints()
    {
        series.SetParentChart(&chart);
        series.XValues()->SetOrder(loNone);
        series.AddPointXY(100, 100);
        series.AddPointXY(200, 100);
    }
    TTestChart chart;
    TScopedComponent<TTestSeries> series{&chart};
};

}  // namespace

TEST_F(SeriesDrawTest, VisibleRangeFollowsThePositionAxis)
{
    struct Case {
        double low, high;
        bool pastEnd;
        TChartListOrder order;
        int first, last;
    } const cases[] = {
        {10, 20, false, loAscending, 10, 20},   {10, 20, true, loAscending, 10, 20},
        {10.5, 20.5, false, loAscending, 11, 20}, {10.5, 20.5, true, loAscending, 11, 21},
        {10, 20, false, loNone, 0, 99},          {-50, 200, false, loAscending, 0, 99},
        {150, 200, false, loAscending, -1, -1},  {-20, -10, false, loAscending, 0, 0},
    };
    for (const Case& c : cases) {
        THundredPoints t;
        t.series.XValues()->SetOrder(c.order);
        t.series.IncludePointPastEnd = c.pastEnd;
        t.chart.BottomAxis()->SetRange(c.low, c.high);
        t.series.CalcFirstLastVisible();
        EXPECT_EQ(t.series.FirstVisibleIndex, c.first) << c.low << ".." << c.high << " past end " << c.pastEnd;
        EXPECT_EQ(t.series.LastVisibleIndex, c.last) << c.low << ".." << c.high << " past end " << c.pastEnd;
    }

    TTestChart chart;
    TScopedComponent<THorizTestSeries> horizontal(&chart);
    horizontal.SetParentChart(&chart);
    for (int i = 0; i < 100; ++i) horizontal.AddPointXY(i % 7, i);
    chart.BottomAxis()->SetRange(50, 60);
    chart.LeftAxis()->SetRange(30, 40);
    horizontal.CalcFirstLastVisible();
    EXPECT_EQ(horizontal.FirstVisibleIndex, 30) << "a horizontal series is placed along the vertical axis";
    EXPECT_EQ(horizontal.LastVisibleIndex, 40);
}

TEST_F(SeriesDrawTest, TheChartDrawsOnlyTheVisiblePoints)
{
    THundredPoints t;
    t.chart.BottomAxis()->SetRange(10, 20);
    t.chart.LeftAxis()->SetRange(0, 10);
    t.chart.Draw();
    std::vector<int> expected;
    for (int i = 10; i <= 20; ++i) expected.push_back(i);
    EXPECT_EQ(t.series.DrawnPoints, expected);
    EXPECT_EQ(t.chart.Recording().Texts("Rectangle").size() >= expected.size(), true);
    t.chart.BottomAxis()->SetInverted(true);
    t.series.DrawnPoints.clear();
    t.chart.Draw();
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(t.series.DrawnPoints, expected) << "an inverted axis draws from the far end";
}

TEST_F(SeriesDrawTest, AxesAreBoundByTheSeriesSettings)
{
    TTestChart chart;
    TScopedComponent<TTestSeries> series(&chart);
    series.SetParentChart(&chart);
    EXPECT_EQ(series.HorizAxisObject(), chart.BottomAxis());
    EXPECT_EQ(series.VertAxisObject(), chart.LeftAxis());
    TChartAxis* custom = chart.CustomAxes()->AddAxis();
    series.SetCustomHorizAxis(custom);
    EXPECT_EQ(series.HorizAxis(), aCustomHorizAxis);
    EXPECT_EQ(series.HorizAxisObject(), custom);
    series.SetHorizAxis(aTopAxis);
    EXPECT_EQ(series.CustomHorizAxis(), nullptr) << "another axis choice drops the custom axis";
    EXPECT_EQ(series.HorizAxisObject(), chart.TopAxis());
    series.SetCustomHorizAxis(custom);
    series.SetCustomHorizAxis(nullptr);
    EXPECT_EQ(series.HorizAxis(), aBottomAxis);
    series.SetHorizAxis(aBothHorizAxis);
    EXPECT_EQ(series.HorizAxisObject(), chart.BottomAxis());
    EXPECT_TRUE(series.UsesAxis(chart.TopAxis()));
    EXPECT_TRUE(series.UsesAxis(chart.BottomAxis()));
    EXPECT_FALSE(series.UsesAxis(chart.RightAxis()));
    EXPECT_EQ(series.GetAxisValueList(chart.TopAxis()), series.XValues());
    EXPECT_EQ(series.GetAxisValueList(chart.RightAxis()), nullptr);
    series.SetVertAxis(aRightAxis);
    EXPECT_EQ(series.VertAxisObject(), chart.RightAxis());
    EXPECT_EQ(series.GetValueAxis(), chart.RightAxis());

    chart.BottomAxis()->SetRange(0, 100);
    chart.RightAxis()->SetRange(0, 100);
    chart.Draw();
    series.AddPointXY(50, 25);
    EXPECT_EQ(series.GetPointScreenX(0), chart.BottomAxis()->CalcPosValue(50));
    EXPECT_EQ(series.GetPointScreenY(0), chart.RightAxis()->CalcPosValue(25));
    EXPECT_NEAR(series.ScreenToXValue(series.GetPointScreenX(0)), 50, 1);
    EXPECT_TRUE(series.IsPointInChartRect(0));
}

TEST_F(SeriesDrawTest, AutomaticDepthSlotsRunBackToFront)
{
    TTestChart chart;
    chart.SetView3D(true);
    TScopedComponent<TTestSeries> a(&chart), b(&chart), c(&chart);
    for (TTestSeries* s : {&a, &b, &c}) s->SetParentChart(&chart);
    chart.CalcSeriesZOrder();
    EXPECT_EQ(a.DepthSlot, 2);
    EXPECT_EQ(b.DepthSlot, 1);
    EXPECT_EQ(c.DepthSlot, 0);
    c.ZOrder = 1;
    chart.CalcSeriesZOrder();
    EXPECT_EQ(a.GetEffectiveZOrder(), 1);
    EXPECT_EQ(b.GetEffectiveZOrder(), 0);
    EXPECT_TRUE(a.SharesZOrder()) << "c stands at a's depth";
    EXPECT_FALSE(b.SharesZOrder());
    EXPECT_TRUE(a.IsFirstAtZOrder());
    EXPECT_FALSE(c.IsFirstAtZOrder());
    chart.SetView3D(false);
    chart.CalcSeriesZOrder();
    EXPECT_EQ(a.DepthSlot, 0);
    EXPECT_EQ(c.DepthSlot, 0);
    EXPECT_FALSE(a.SharesZOrder()) << "a flat chart gives no depth to share";
    a.CalcDepthPositions(10);
    EXPECT_EQ(a.StartZ, 0);
    EXPECT_EQ(a.EndZ, 10);
    EXPECT_EQ(a.MiddleZ, 5);
}

TEST_F(SeriesDrawTest, LegendTextsForEveryStyle)
{
    TTestChart chart;
    TScopedComponent<TTestSeries> series(&chart);
    series.SetParentChart(&chart);
    series.AddPointXY(3, 12, "May");
    series.AddPointXY(4, 36);
    const std::string s(1, '\x06');
    struct Case {
        TLegendTextStyle style;
        int index;
        std::string text;
    } const cases[] = {
        {ltsPlain, 0, "May"},
        {ltsLeftValue, 0, "12" + s + "May"},
        {ltsRightValue, 0, "May" + s + "12"},
        {ltsRightValue, 1, "36"},
        {ltsLeftPercent, 0, "25 %" + s + "May"},
        {ltsRightPercent, 0, "May" + s + "25 %"},
        {ltsXValue, 0, "3"},
        {ltsValue, 1, "36"},
        {ltsPercent, 1, "75 %"},
        {ltsXAndValue, 0, "3" + s + "12"},
        {ltsXAndPercent, 0, "3" + s + "25 %"},
        {ltsXAndText, 0, "3" + s + "May"},
        {ltsXAndText, 1, "4" + s},
    };
    for (const Case& c : cases) {
        std::string text;
        series.GetLegendText(c.index, c.style, text);
        EXPECT_EQ(text, c.text) << EnumTypeInfo(c.style).Name(c.style) << " " << c.index;
    }

    TScopedComponent<TTestSeries> zero(&chart);
    zero.SetParentChart(&chart);
    zero.AddPointXY(0, 0);
    std::string text;
    zero.GetLegendText(0, ltsPercent, text);
    EXPECT_EQ(text, "100 %") << "a total of 0 shows 100";
    zero.YValues()->SetDateTime(true);
    zero.SetYValue(0, 0.5);
    zero.GetLegendText(0, ltsValue, text);
    EXPECT_EQ(text, FormatDateTime(DateOrTimeFormat(0.5), 0.5));
}

TEST_F(SeriesDrawTest, ANullPointHasNoLegendSymbol)
{
    TTestChart chart;
    TScopedComponent<TTestSeries> series(&chart);
    series.SetParentChart(&chart);
    series.AddPointXY(0, 1, "", 0x0000FF);
    series.AddNullPointXY(1, 2);
    TRecordingCanvas& canvas = chart.Recording();
    canvas.Clear();
    series.DrawLegendItemSymbol(1, {10, 10, 20, 20});
    EXPECT_TRUE(canvas.Calls.empty());
    series.DrawLegendItemSymbol(0, {10, 10, 20, 20});
    ASSERT_FALSE(canvas.Calls.empty());
    bool red = false;
    for (const TRecordedCall& call : canvas.Calls) red = red || call.BrushColor == 0x0000FF;
    EXPECT_TRUE(red) << canvas.Texts().front();
    EXPECT_TRUE(chart.AutoRepaint) << "repainting is back on";
}

TEST_F(SeriesDrawTest, MouseEntersAndLeavesOncePerVisit)
{
    TPixelPoints t;
    TTestSeries& series = t.series;

    EXPECT_FALSE(series.CheckMouseOver(100, 100));
    EXPECT_EQ(series.PeekSelected(), nullptr) << "a series nobody listens to ignores the mouse";
    EXPECT_FALSE(series.MouseInside);

    std::vector<std::string> log;
    struct Log {
        std::vector<std::string>* log;
        void Enter(TObject*) { log->push_back("enter"); }
        void Leave(TObject*) { log->push_back("leave"); }
    } handler{&log};
    series.OnMouseEnter = {&handler, &Log::Enter};
    series.OnMouseLeave = {&handler, &Log::Leave};
    struct Move {
        int x, y;
        bool answer;
        int hover;
    } const moves[] = {
        {100, 100, true, 0}, {101, 102, true, 0}, {200, 100, true, 1}, {150, 150, false, -1},
        {160, 150, false, -1}, {200, 101, true, 1},
    };
    for (const Move& m : moves) {
        EXPECT_EQ(series.CheckMouseOver(m.x, m.y), m.answer) << m.x << "," << m.y;
        EXPECT_EQ(series.GetSelected()->HoverIndex(), m.hover) << m.x << "," << m.y;
    }
    EXPECT_EQ(log, (std::vector<std::string>{"enter", "leave", "enter"}));

    series.SetCursor(crDuvHand);
    series.CheckMouseOver(100, 100);
    EXPECT_EQ(t.chart.Cursor(), crDuvHand);
}

TEST_F(SeriesDrawTest, HoverPenOnlyForTheHoveredPoint)
{
    TPixelPoints t;
    TTestSeries& series = t.series;
    TTestChart& chart = t.chart;
    EXPECT_FALSE(series.HoverEnabled()) << "no selection object yet";
    series.GetSelected();
    EXPECT_TRUE(series.HoverEnabled());
    EXPECT_TRUE(series.CheckMouseOver(100, 100) || series.GetSelected()->HoverIndex() == 0);
    EXPECT_TRUE(series.ApplyHoverPen(0));
    EXPECT_EQ(chart.Canvas().Pen().Width(), series.GetSelected()->Hover()->Pen().Width());
    EXPECT_FALSE(series.ApplyHoverPen(-1));
    chart.Hover()->SetVisible(false);
    EXPECT_FALSE(series.ApplyHoverPen(0)) << "the chart switched hovering off";
}

namespace {
// A per-point visual: copies of the template become the points' own.
class TTestVisual : public TComponent {
    QB_CLASS(TTestVisual, TComponent)
public:
    explicit TTestVisual(TComponent* owner) : TComponent(owner) {}
    int Copied = 0;
    void Assign(const TPersistent*) override { ++Copied; }
};
}  // namespace

TEST_F(SeriesDrawTest, PointsWithVisualsDrawInsideTheirOwnTransform)
{
    // The pushes after the series' own group "Series1" are the points'.
    auto pointPushes = [](TRecordingCanvas& canvas) {
        const std::vector<std::string> all = canvas.Texts("PushTransform");
        auto it = std::find(all.begin(), all.end(), "PushTransform(\"Series1\")");
        return it == all.end() ? std::vector<std::string>{"no series group"} : std::vector<std::string>(it + 1, all.end());
    };
    THundredPoints t;
    t.chart.BottomAxis()->SetRange(10, 12);
    t.chart.Draw();
    EXPECT_TRUE(pointPushes(t.chart.Recording()).empty()) << "a plain series pushes none per point";

    TScopedComponent<TTestVisual> templateVisual(nullptr);
    t.series.Visuals()->SetTemplate(&templateVisual);
    t.chart.Draw();
    EXPECT_EQ(pointPushes(t.chart.Recording()),
              (std::vector<std::string>{"PushTransform(\"10\")", "PushTransform(\"11\")", "PushTransform(\"12\")"}));
    auto* visual = dynamic_cast<TTestVisual*>(t.series.Visuals()->GetVisual(11));
    ASSERT_NE(visual, nullptr);
    EXPECT_EQ(visual->Owner(), &t.series);
    EXPECT_EQ(visual->Copied, 1);
    t.series.DeletePoint(0);
    EXPECT_EQ(t.series.Visuals()->GetVisual(10), visual) << "visuals move with their points";
}
