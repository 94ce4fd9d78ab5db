#include "support_AxisChart.h"

#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/support_ChartEngine.h"
#include "platform/core/Random.h"

namespace seriestest {

void AxisChartTest::SetUp()
{
    StartSeriesModules();
    SetRandSeed(7);
    chart.BottomAxis()->SetMinMax(0, 10);
    chart.LeftAxis()->SetMinMax(0, 10);
}

int AxisChartTest::X(double value) const { return chart.BottomAxis()->CalcXPosValue(value); }
int AxisChartTest::Y(double value) const { return chart.LeftAxis()->CalcYPosValue(value); }

std::vector<std::string> AxisChartTest::Drawn(const std::string& title, const std::set<std::string>& names) const
{
    std::vector<std::string> out;
    for (const TRecordedCall& call : enginetest::GroupCalls(const_cast<TTestChart&>(chart).Recording().Calls, title))
        if (names.empty() || names.count(call.Name)) out.push_back(call.Text());
    return out;
}

TRealChart::TRealChart()
{
    StartSeriesModules();
    Chart.SetBounds(0, 0, 300, 200);
    Chart.Legend()->SetVisible(false);
    Chart.SetView3D(false);
    Chart.BottomAxis()->SetMinMax(0, 10);
    Chart.LeftAxis()->SetMinMax(0, 10);
}

void TRealChart::Paint() { Picture = Chart.CreatePanelBitmap(); }

int TRealChart::X(double value) const { return Chart.BottomAxis()->CalcXPosValue(value); }
int TRealChart::Y(double value) const { return Chart.LeftAxis()->CalcYPosValue(value); }

QRgb Rgb(TColor color)
{
    const auto c = static_cast<std::uint32_t>(color);
    return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF) & 0xFFFFFF;
}

}  // namespace seriestest
