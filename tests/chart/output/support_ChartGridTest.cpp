#include "chart/output/support_ChartGridTest.h"

#include "chart/output/support_SmoothCanvas.h"
#include "chart/series/ChartSeriesCopy.h"
#include "platform/core/NumText.h"

namespace gridtest {

void StartGridModules() { outputtest::StartOutputModules(); }

TGridTestSeries::TGridTestSeries(TComponent* owner) : TChartSeries(owner), Z(new TChartValueList(this, "Z")) {}

void TGridTestSeries::AddXYZ(double x, double y, double z)
{
    Z->PendingValue = z;
    AddPointXY(x, y);
}

void TGridTestSeries::FillGrid(int nx, int nz)
{
    for (int x = 1; x <= nx; ++x)
        for (int z = 1; z <= nz; ++z) AddXYZ(x, 10 * x + z, z);
}

TChartSeries* TGridChart::AddSeries(const std::vector<double>& ys, const std::vector<std::string>& labels)
{
    auto* series = new TChartSeries(nullptr);
    series->SetName(NextSeriesName(&Chart));
    series->SetParentChart(&Chart);
    for (std::size_t i = 0; i < ys.size(); ++i) series->AddPointY(ys[i], i < labels.size() ? labels[i] : std::string());
    if (!ys.empty()) series->NotifyDataChanged();
    return series;
}

TGridChart::~TGridChart()
{
    while (Chart.CountSeries() > 0) FreeComponent(Chart.GetSeries(Chart.CountSeries() - 1));
}

std::vector<std::string> RowTexts(const TChartGridModel& model, int row)
{
    std::vector<std::string> texts;
    for (int col = 0; col < model.ColCount(); ++col) texts.push_back(model.CellText(col, row));
    return texts;
}

std::vector<std::string> YTexts(const TChartSeries& series)
{
    std::vector<std::string> texts;
    for (int i = 0; i < series.PointCount(); ++i)
        texts.push_back(series.IsNullPoint(i) ? "null" : FloatToStr(series.YValues()->GetValueAt(i)));
    return texts;
}

}  // namespace gridtest
