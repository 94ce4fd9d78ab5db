#include "support_TestSeries.h"

#include <cmath>
#include <cstdlib>

namespace enginetest {

TTestSeries::TTestSeries(TComponent* owner)
    : TCustomChartSeries(owner), x_(new TChartValueList(this, "X")), y_(new TChartValueList(this, "Y"))
{
    x_->SetOrder(loAscending);
}

void TTestSeries::DeclareProperties(TPropertyDeclarer<TTestSeries>& p)
{
    p.Object("XValues", &TTestSeries::X);
    p.Object("YValues", &TTestSeries::Y);
}

TTestSeries::~TTestSeries()
{
    if (ParentChart()) SetParentChart(nullptr);
}

int TTestSeries::AddXY(double x, double y, const std::string& label, TColor color)
{
    x_->PendingValue = x;
    const int index = x_->AddPending();
    y_->InsertValueAt(index, y);
    // The colour list exists from the first point with a colour of its own.
    if (color != clDefault || !PointColors.empty()) {
        PointColors.resize(static_cast<std::size_t>(PointCount() - 1), clDefault);
        PointColors.insert(PointColors.begin() + index, color);
    }
    if (!label.empty() || Labels().Count() > 0) Labels().InsertLabel(index, label);
    RequestRepaint();
    return index;
}

void TTestSeries::SetParentChart(TCustomAxisPanel* value)
{
    if (ChartLog) ChartLog->push_back(value);
    TCustomChartSeries::SetParentChart(value);
}

void TTestSeries::DrawPoint(int index)
{
    DrawnPoints.push_back(index);
    if (!ParentChart()) return;
    TCanvas3D& canvas = ParentChart()->Canvas();
    canvas.Brush().SetColor(GetPointColor(index));
    canvas.ApplyBrush(canvas.Brush());
    const int x = GetPointScreenX(index), y = GetPointScreenY(index);
    canvas.Rectangle(x - kHalfSize, y - kHalfSize, x + kHalfSize, y + kHalfSize);
}

int TTestSeries::GetPointScreenX(int index) { return static_cast<int>(std::lround(x_->GetValueAt(index))); }

int TTestSeries::GetPointScreenY(int index) { return static_cast<int>(std::lround(y_->GetValueAt(index))); }

bool TTestSeries::IsPointHit(int, int pointX, int pointY, int mouseX, int mouseY)
{
    return std::abs(pointX - mouseX) <= kHalfSize && std::abs(pointY - mouseY) <= kHalfSize;
}

int TTestSeries::PointAtScreen(int x, int y)
{
    for (int i = 0; i < PointCount(); ++i)
        if (IsPointHitAt(i, x, y)) return i;
    return -1;
}

TColor TTestSeries::GetPointColor(int index) const
{
    if (index >= 0 && index < static_cast<int>(PointColors.size()) && PointColors[static_cast<std::size_t>(index)] != clDefault)
        return PointColors[static_cast<std::size_t>(index)];
    return SeriesColor;
}

void TTestSeries::SwapPoints(int i, int j)
{
    TCustomChartSeries::SwapPoints(i, j);
    if (!PointColors.empty()) std::swap(PointColors[static_cast<std::size_t>(i)], PointColors[static_cast<std::size_t>(j)]);
}

void TTestSeries::ClearPoints()
{
    PointColors.clear();
    TCustomChartSeries::ClearPoints();
}

}  // namespace enginetest
