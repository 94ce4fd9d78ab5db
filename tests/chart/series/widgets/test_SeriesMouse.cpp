// Line and point series under a real mouse: a window shows the chart, QTest clicks on a
// segment and on a pointer, and things are dragged onto the chart.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/engine/widgets/DuvPanelHost.h"
#include "chart/series/Series.h"
#include "chart/series/support_SeriesTest.h"
#include "support/TestSupport.h"

namespace {

struct TSeriesClicks {
    std::vector<std::string> Heard;
    void OnClick(TObject*, int index, TMouseButton, TShiftState, int, int) { Heard.push_back("click " + std::to_string(index)); }
    void OnPointer(TCustomSeries*, int index, int, int) { Heard.push_back("pointer " + std::to_string(index)); }
    void OnBackground(TCustomChart* chart, TMouseButton, TShiftState, int, int)
    {
        Heard.push_back("background");
        chart->ReplyToMouse(TEventReply::CancelChart);
    }
};

// Notes the drag events it hears and accepts what is dragged over.
class TDragTool : public TDuvCustomTool {
public:
    explicit TDragTool(TComponent* owner) : TDuvCustomTool(owner) {}
    std::vector<std::string> Heard;
    void HandleDragEvent(TDragEventKind kind, TObject* source, bool& accept, int x, int y) override
    {
        Heard.push_back(std::to_string(static_cast<int>(kind)) + (source ? " chart " : " none ") + std::to_string(x) + "," + std::to_string(y));
        accept = true;
    }
};

class SeriesMouseTest : public testing::Test {
protected:
    void SetUp() override
    {
        seriestest::StartSeriesModules();
        chart.SetBounds(0, 0, 400, 300);
        chart.SetView3D(false);
        chart.Legend()->SetVisible(false);
        chart.BottomAxis()->SetMinMax(0, 4);
        chart.LeftAxis()->SetMinMax(0, 4);
        line = new TLineSeries(&chart);
        line->SetParentChart(&chart);
        for (const auto& [x, y] : {std::pair{0.0, 1.0}, {2.0, 1.0}, {4.0, 3.0}}) line->AddPointXY(x, y);
        line->Pointer().SetVisible(true);
        host = std::make_unique<TDuvPanelHost>(chart);
        host->show();
        Settle();
    }
    void TearDown() override { host.reset(); }

    static void Settle()
    {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    }
    void Click(QPoint at)
    {
        QTest::mouseClick(host.get(), Qt::LeftButton, Qt::NoModifier, at);
        Settle();
    }
    QPoint At(double x, double y) const { return {chart.BottomAxis()->CalcXPosValue(x), chart.LeftAxis()->CalcYPosValue(y)}; }

    qbtest::ScopedConfigDir config_;
    TChart chart;
    TLineSeries* line = nullptr;
    std::unique_ptr<TDuvPanelHost> host;
};

TEST_F(SeriesMouseTest, ASegmentClickNamesItsFirstPointAndAPointerClickFiresOnClickPointer)
{
    TSeriesClicks clicks;
    line->OnClick = {&clicks, &TSeriesClicks::OnClick};
    line->OnClickPointer = {&clicks, &TSeriesClicks::OnPointer};
    chart.OnClickBackground = {&clicks, &TSeriesClicks::OnBackground};

    // Half way along the second segment, away from both pointers.
    const QPoint middle = (At(2, 1) + At(4, 3)) / 2;
    Click(middle);
    EXPECT_EQ(chart.LocateChartPart({middle.x(), middle.y()}).Part, cpSeries);
    Click(At(2, 1));
    EXPECT_EQ(chart.LocateChartPart({At(2, 1).x(), At(2, 1).y()}).Part, cpSeriesPointer);
    // Well off the line only the background hears it.
    Click(At(1, 3));
    EXPECT_EQ(clicks.Heard, (std::vector<std::string>{"click 1", "background", "click 1", "pointer 1", "background",
                                                      "background"}));
    EXPECT_FALSE(chart.Zoomed);
}

TEST_F(SeriesMouseTest, ThingsDraggedOntoTheChartReachItsTools)
{
    auto* tool = new TDragTool(&chart);
    tool->SetParentChart(&chart);
    EXPECT_TRUE(host->acceptDrops());

    QMimeData data;
    data.setText("0.5");
    const QPoint at(120, 80);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(host.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(host.get(), &drop);
    EXPECT_EQ(tool->Heard, (std::vector<std::string>{"0 none 120,80", "1 none 120,80"}));
}

}  // namespace
