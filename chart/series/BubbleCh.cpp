#include "chart/series/BubbleCh.h"

#include <algorithm>
#include <cstdlib>

#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/DuvConst.h"
#include "chart/graphics/DuvGradient.h"
#include "platform/core/NumText.h"

TBubbleSeries::TBubbleSeries(TComponent* owner)
    : TPointSeries(owner), radiusValues_(new TChartValueList(this, DuvMsgValuesBubbleRadius))
{
    Pointer().SetStyle(psCircle);
    Pointer().SizeMayChange = false;
    Marks().Frame()->InitVisible(false);
    Marks().SetDefaultTransparent(true);
    InitColorEachPoint(true);
}

void TBubbleSeries::DeclareProperties(TPropertyDeclarer<TBubbleSeries>& p)
{
    using B = TBubbleSeries;
    p.Object("RadiusValues", &B::RadiusValues, &B::SetRadiusValues);
    p.Boolean("Squared", &B::Squared, &B::SetSquared).Default(true);
}

int TBubbleSeries::AddBubble(double x, double y, double radius, const std::string& label, TColor color)
{
    radiusValues_->PendingValue = radius;
    return AddPointXY(x, y, label, color);
}

namespace {
// Screen coordinates handed to the canvas stay within this range.
constexpr int kFarPixel = 32767;

bool OnScreenRange(int x, int y) { return std::abs(x) <= kFarPixel && std::abs(y) <= kFarPixel; }
}  // namespace

void TBubbleSeries::SizePointerFor(int index)
{
    const double radius = radiusValues_->GetValueAt(index);
    const int vertical = std::min(CalcYSizeValue(radius), kFarPixel);
    Pointer().StoreVertSize(vertical);
    Pointer().StoreHorizSize(squared_ ? vertical : std::min(CalcXSizeValue(radius), kFarPixel));
}

void TBubbleSeries::DrawPoint(int index)
{
    const TColor color = GetPointColor(index);
    if (color == clNone) return;
    const int x = GetPointScreenX(index), y = GetPointScreenY(index);
    // A centre beyond the screen range comes from a value far outside the axis range.
    if (!OnScreenRange(x, y)) return;
    SizePointerFor(index);
    DrawPointerAt(x, y, index, color);
}

bool TBubbleSeries::IsPointHit(int index, int pointX, int pointY, int mouseX, int mouseY)
{
    if (!OnScreenRange(pointX, pointY)) return false;
    SizePointerFor(index);
    return TPointSeries::IsPointHit(index, pointX, pointY, mouseX, mouseY);
}

bool TBubbleSeries::IsPointInChartRect(int index)
{
    if (!OnScreenRange(GetPointScreenX(index), GetPointScreenY(index))) return false;
    SizePointerFor(index);
    return TPointSeries::IsPointInChartRect(index);
}

double TBubbleSeries::RadiusExtreme(bool maximum) const
{
    const int count = PointCount();
    const bool countNulls = TreatNulls() == tnIgnore;
    const double* ys = YValues()->Values();
    const double* radii = radiusValues_->Values();
    bool found = false;
    double result = 0;
    for (int i = 0; i < count; ++i) {
        if (!countNulls && IsNullPoint(i)) continue;
        const double value = maximum ? ys[i] + radii[i] : ys[i] - radii[i];
        if (!found || (maximum ? value > result : value < result)) result = value;
        found = true;
    }
    return result;
}

double TBubbleSeries::MaxYValue()
{
    const double inherited = TPointSeries::MaxYValue();
    return PointCount() == 0 ? inherited : std::max(inherited, RadiusExtreme(true));
}

double TBubbleSeries::MinYValue()
{
    const double inherited = TPointSeries::MinYValue();
    return PointCount() == 0 ? inherited : std::min(inherited, RadiusExtreme(false));
}

double TBubbleSeries::MaxZValue()
{
    return Pointer().Draw3D() ? radiusValues_->GetMaximum() : TPointSeries::MaxZValue();
}

double TBubbleSeries::MinZValue()
{
    return Pointer().Draw3D() ? -radiusValues_->GetMaximum() : TPointSeries::MinZValue();
}

void TBubbleSeries::AdjustAxisLimits(TChartAxis* axis, int& left, int& top, int& right, int& bottom)
{
    TPointSeries::AdjustAxisLimits(axis, left, top, right, bottom);
    if (PointCount() == 0 || axis != HorizAxisObject() || !Pointer().InflateMargins()) return;
    if (axis->AutomaticMaximum()) right = std::max(right, CalcYSizeValue(radiusValues_->GetLast()));
    if (axis->AutomaticMinimum()) left = std::max(left, CalcYSizeValue(radiusValues_->GetFirst()));
}

void TBubbleSeries::PaintLegendSymbol(int index, const TRect& rect)
{
    const int size = std::min(rect.Width(), rect.Height());
    Pointer().StoreHorizSize(size);
    Pointer().StoreVertSize(size);
    TPointSeries::PaintLegendSymbol(index, rect);
}

void TBubbleSeries::AssignFormat(const TCustomChartSeries* source)
{
    if (const auto* other = dynamic_cast<const TBubbleSeries*>(source)) squared_ = other->squared_;
    TPointSeries::AssignFormat(source);
}

bool TBubbleSeries::AcceptsSourceSeries(const TChartSeries* source) const
{
    return dynamic_cast<const TBubbleSeries*>(source) && TPointSeries::AcceptsSourceSeries(source);
}

void TBubbleSeries::SetGalleryLook()
{
    TPointSeries::SetGalleryLook();
    Pointer().GetGradient()->SetVisible(true);
}

TDuvGradient* TBubbleSeries::GetGradient() { return Pointer().GetGradient(); }

void TBubbleSeries::AddRandomSamples(int count, bool)
{
    const TSampleRanges ranges = SampleValueRanges(count);
    const int range = static_cast<int>(Rnd(ranges.YRange));
    double x = ranges.StartX;
    for (int i = 0; i < count; ++i) {
        const double y = RandomInt(range);
        const double radius = static_cast<double>(Rnd(ranges.YRange / (10 + RandomInt(15)))) + ranges.YRange / 15;
        AddBubble(x, y, radius);
        x += ranges.XStep;
    }
}

void BubbleChInitialization()
{
    RegisterClassForStreaming(TBubbleSeries::StaticClass());
    RegisterSeriesType(&TBubbleSeries::StaticClass(), &DuvMsgGalleryBubble, &DuvMsgGalleryStandard, 1);
}
