// A chart shown in a window: changes made together are drawn once, not once per change.
#include <gtest/gtest.h>

#include <QApplication>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartEngineModules.h"
#include "chart/engine/RuRazazi.h"
#include "chart/engine/widgets/DuvPanelHost.h"
#include "chart/graphics/ChartGraphicsModules.h"

namespace {

// A series whose every added point asks its chart for a repaint, as data series do.
class TGrowingSeries : public TCustomChartSeries {
    QB_CLASS(TGrowingSeries, TCustomChartSeries)
public:
    explicit TGrowingSeries(TComponent* owner = nullptr) : TCustomChartSeries(owner)
    {
        new TChartValueList(this, "X");
        new TChartValueList(this, "Y");
    }
    void Add(double x, double y)
    {
        XValues()->AddValue(x);
        YValues()->AddValue(y);
        RequestRepaint();
    }
};

struct TDrawCounter {
    int Draws = 0;
    void After(TObject*) { ++Draws; }
};

class ChartHostTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static const bool started = [] {
            InitializeChartGraphicsModules();
            InitializeChartEngineModules();
            return true;
        }();
        (void)started;
    }
    // Lets the window handle every pending paint.
    static void Settle()
    {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    }
};

TEST_F(ChartHostTest, ABatchOfChangesIsDrawnOnce)
{
    TChart chart;
    TDrawCounter counter;
    chart.OnAfterDraw = {&counter, &TDrawCounter::After};
    TDuvPanelHost host(chart);
    host.show();
    Settle();
    auto* series = new TGrowingSeries(&chart);
    series->SetParentChart(&chart);
    Settle();
    const int before = counter.Draws;
    ASSERT_GE(before, 1);

    // One turn of the event loop: a thousand points and some settings, one drawing.
    for (int i = 0; i < 1000; ++i) series->Add(i, i % 17);
    chart.SetChart3DPercent(30);
    chart.Title()->AssignText("Rainfall");
    Settle();
    EXPECT_EQ(counter.Draws, before + 1);

    // Changes announced as one batch across several turns of the loop: still one drawing.
    chart.AutoRepaint = false;
    for (int i = 0; i < 100; ++i) {
        series->Add(1000 + i, i);
        Settle();
    }
    chart.AutoRepaint = true;
    chart.Invalidate();
    Settle();
    EXPECT_EQ(counter.Draws, before + 2);
    EXPECT_EQ(series->PointCount(), 1100);
}

}  // namespace
