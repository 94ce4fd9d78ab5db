// Line, point and area core: settings, stacking, value ranges, margins, hit tests and legend.
#include "chart/series/Series.h"

#include <algorithm>
#include <cmath>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/PixelRange.h"
#include "chart/series/RuRazaziCallout.h"
#include "platform/core/NumText.h"

void TCustomLineSeries::DeclareProperties(TPropertyDeclarer<TCustomLineSeries>&) {}

void TCustomLineSeries::SetTreatNulls(TTreatNullsStyle value)
{
    if (treatNulls_ == value) return;
    treatNulls_ = value;
    RequestRepaint();
}

void TCustomLineSeries::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TCustomLineSeries*>(source)) treatNulls_ = other->treatNulls_;
    TChartSeries::Assign(source);
}

TBrushStyle SeriesPatternStyle(int index)
{
    static constexpr TBrushStyle kStyles[] = {bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross};
    return kStyles[index % 6];
}

// ---------------------------------------------------------------- construction

TCustomSeries::TCustomSeries(TComponent* owner)
    : TCustomLineSeries(owner),
      areaChartBrush_(std::make_unique<TDuvBrush>([this](TObject*) { RequestRepaint(); })),
      areaLinesPen_(std::make_unique<TDuvPen>([this](TObject*) { RequestRepaint(); })),
      emboss_(std::make_unique<TDuvEmboss>([this](TObject*) { RequestRepaint(); })),
      pointer_(std::make_unique<TSeriesPointerItems>(this)),
      shadow_(std::make_unique<TDuvShadow>([this](TObject*) { RequestRepaint(); }))
{
    areaChartBrush_->InitColor(static_cast<TColor>(8421504));
    areaChartBrush_->SetBackColor(clDefault);
    Brush().InitColor(clDefault);
    Brush().SetBackColor(clDefault);
}

TCustomSeries::~TCustomSeries()
{
    if (ParentChart()) SetParentChart(nullptr);
}

TDuvHiddenPen* TCustomSeries::OutLine()
{
    if (!outLine_) outLine_ = std::make_unique<TDuvHiddenPen>([this](TObject*) { RequestRepaint(); });
    return outLine_.get();
}

void TCustomSeries::SetOutLine(const TDuvHiddenPen* value)
{
    if (!value) {
        outLine_.reset();
        RequestRepaint();
        return;
    }
    OutLine()->Assign(value);
}

void TCustomSeries::SetDrawStyle(TCustomSeriesDrawStyle value)
{
    if (drawStyle_ == value) return;
    drawStyle_ = value;
    RequestRepaint();
}

void TCustomSeries::SetStacked(TCustomSeriesStack value)
{
    if (stacked_ == value) return;
    stacked_ = value;
    if (TCustomAxisPanel* chart = ParentChart())
        for (TCustomChartSeries* other : chart->SeriesList())
            if (auto* series = dynamic_cast<TCustomSeries*>(other); series && series != this && InheritsFrom(other->ClassType()))
                series->stacked_ = value;
    RequestRepaint();
}

TDuvGradient* TCustomSeries::GetGradient() { return Brush().GetGradient(); }

void TCustomSeries::SetLineFlag(bool value)
{
    if (smoothed_ == value) return;
    smoothed_ = value;
    RequestRepaint();
}

void TCustomSeries::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TCustomSeries*>(source)) {
        clickableLine_ = other->clickableLine_;
        clickTolerance_ = other->clickTolerance_;
        drawStyle_ = other->drawStyle_;
        stacked_ = other->stacked_;
    }
    TCustomLineSeries::Assign(source);
}

void TCustomSeries::AssignFormat(const TCustomChartSeries* source)
{
    if (const auto* other = dynamic_cast<const TCustomSeries*>(source)) {
        areaChartBrush_->Assign(other->areaChartBrush_.get());
        areaColor_ = other->areaColor_;
        areaLinesPen_->Assign(other->areaLinesPen_.get());
        colorEachLine_ = other->colorEachLine_;
        dark3D_ = other->dark3D_;
        drawArea_ = other->drawArea_;
        drawLine_ = other->drawLine_;
        inflateMargins_ = other->inflateMargins_;
        invertedStairs_ = other->invertedStairs_;
        lineHeight_ = other->lineHeight_;
        pointer_->Assign(other->pointer_.get());
        pointerBehind_ = other->pointerBehind_;
        stairs_ = other->stairs_;
        SetOutLine(other->outLine_.get());
        emboss_->Assign(other->emboss_.get());
        shadow_->Assign(other->shadow_.get());
    }
    TCustomLineSeries::AssignFormat(source);
}

void TCustomSeries::ResetBrush()
{
    Brush().SetStyle(bsSolid);
    Brush().SetColor(clDefault);
    Brush().SetBackColor(clDefault);
    SetSeriesColor(clDefault);
    RequestRepaint();
}

void TCustomSeries::SetParentChart(TCustomAxisPanel* value)
{
    TCustomLineSeries::SetParentChart(value);
    pointer_->AttachToPanel(value);
}

void TCustomSeries::ClearPoints()
{
    TCustomLineSeries::ClearPoints();
    refresh_ = true;
}

void TCustomSeries::DeletePoint(int index)
{
    TCustomLineSeries::DeletePoint(index);
    pointer_->DeleteItem(index);
}

void TCustomSeries::SwapPoints(int i, int j)
{
    TCustomLineSeries::SwapPoints(i, j);
    if (i < pointer_->Count() && j < pointer_->Count()) {
        // Swap the two points' own pointers by value.
        TSeriesPointer saved(nullptr);
        saved.Assign(&pointer_->GetPointerItem(i));
        pointer_->GetPointerItem(i).Assign(&pointer_->GetPointerItem(j));
        pointer_->GetPointerItem(j).Assign(&saved);
    }
}

// ---------------------------------------------------------------- stacking and positions

bool TCustomSeries::SameStackAs(const TCustomSeries& other) const
{
    return InheritsFrom(other.ClassType()) || other.InheritsFrom(ClassType());
}

double TCustomSeries::CumulatedValue(int index, bool all) const
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return 0;
    double sum = 0;
    for (TCustomChartSeries* item : chart->SeriesList()) {
        if (!all && item == this) break;
        auto* other = dynamic_cast<TCustomSeries*>(item);
        if (!other || !other->Active() || !SameStackAs(*other) || other->PointCount() <= index) continue;
        const double value = other->GetStackedEndValue(index);
        sum += all ? std::abs(value) : value;
    }
    return sum;
}

int TCustomSeries::StackedPosition(int index, double value) const
{
    TChartAxis* axis = ValueAxis();
    const double base = CumulatedValue(index, false);
    if (stacked_ == cssStack100) {
        const double total = CumulatedValue(index, true);
        if (total == 0) return axis->PixelEnd;
        return axis->CalcPosValue((base + value) * 100.0 / total);
    }
    return std::min(axis->CalcPosValue(base + value), axis->PixelEnd);
}

namespace {
bool StacksValues(TCustomSeriesStack stack) { return stack == cssStack || stack == cssStack100; }
}  // namespace

int TCustomSeries::GetPointScreenX(int index)
{
    if (!Vertical() && StacksValues(stacked_)) return StackedPosition(index, GetMandatoryValue(index));
    return TCustomLineSeries::GetPointScreenX(index);
}

int TCustomSeries::GetPointScreenY(int index)
{
    if (Vertical() && StacksValues(stacked_)) return StackedPosition(index, GetMandatoryValue(index));
    return TCustomLineSeries::GetPointScreenY(index);
}

int TCustomSeries::GetOriginPos(int index)
{
    if (StacksValues(stacked_)) return StackedPosition(index, 0);
    const TChartAxis* axis = ValueAxis();
    if (Vertical()) return axis->Inverted() ? axis->PixelStart : axis->PixelEnd;
    return axis->Inverted() ? axis->PixelEnd : axis->PixelStart;
}

double TCustomSeries::CalcExtremeValue(bool minimum) const
{
    const TChartValueList* list = MandatoryList();
    const bool countNulls = TreatNulls() == tnIgnore;
    bool found = false;
    double result = 0;
    for (int i = 0; i < list->Count(); ++i) {
        if (!countNulls && IsNullPoint(i)) continue;
        const double value = list->GetValueAt(i);
        if (!found || (minimum ? value < result : value > result)) result = value;
        found = true;
    }
    return result;
}

namespace {
// The largest or smallest of start and every point's cumulated value plus its own.
template <class Pick>
double OverStackedEnds(const TCustomSeries& series, double start, Pick pick)
{
    double result = start;
    for (int i = 0; i < series.PointCount(); ++i)
        result = pick(result, series.CumulatedValue(i, false) + series.GetMandatoryValue(i));
    return result;
}
}  // namespace

double TCustomSeries::MaxXValue()
{
    if (Vertical()) return TCustomLineSeries::MaxXValue();
    if (stacked_ == cssStack100) return 100;
    const double extreme = CalcExtremeValue(false);
    if (stacked_ == cssStack) return OverStackedEnds(*this, extreme, [](double a, double b) { return std::max(a, b); });
    return extreme;
}

double TCustomSeries::MaxYValue()
{
    if (!Vertical()) return TCustomLineSeries::MaxYValue();
    if (stacked_ == cssStack100) return 100;
    const double extreme = CalcExtremeValue(false);
    if (stacked_ == cssStack) return OverStackedEnds(*this, extreme, [](double a, double b) { return std::max(a, b); });
    return extreme;
}

double TCustomSeries::MinXValue()
{
    if (Vertical()) return TCustomLineSeries::MinXValue();
    if (stacked_ == cssStack100) return 0;
    return CalcExtremeValue(true);
}

double TCustomSeries::MinYValue()
{
    if (!Vertical()) return TCustomLineSeries::MinYValue();
    if (stacked_ == cssStack)
        return OverStackedEnds(*this, CalcExtremeValue(true), [](double a, double b) { return std::min(a, b); });
    if (stacked_ == cssStack100) {
        double result = 0;
        for (int i = 0; i < PointCount(); ++i) {
            const double total = CumulatedValue(i, true);
            if (total == 0) continue;
            result = std::min(result, (CumulatedValue(i, false) + GetMandatoryValue(i)) * 100.0 / total);
        }
        return result;
    }
    return CalcExtremeValue(true);
}

void TCustomSeries::CalcZOrder()
{
    TCustomAxisPanel* chart = ParentChart();
    // The first stacked series of a 3D chart still opens a slot for the others to share.
    if (stacked_ == cssNone || ZOrder != -1 || !chart || !chart->View3D() || chart->MaxZOrder < 0) {
        TCustomLineSeries::CalcZOrder();
        return;
    }
    DepthSlot = chart->MaxZOrder;
}

// ---------------------------------------------------------------- margins

bool TCustomSeries::Is3D() const { return ParentChart() && ParentChart()->View3D(); }

void TCustomSeries::ApplyLineMargin(int& a, int& b) const
{
    const int width = LinePen().Width();
    int need = 0;
    if (stairs_)
        need = width;
    else if (width >= 2)
        need = static_cast<int>(Rnd(width * 0.5)) + 1;
    a = std::max(a, need);
    b = std::max(b, need);
}

void TCustomSeries::GetHorizMargins(int& left, int& right)
{
    TCustomLineSeries::GetHorizMargins(left, right);
    if (pointer_->Count() > 0 && PointCount() > 0) {
        int unused = 0;
        pointer_->ItemOrSelf(0).HorizMarginsNeeded(left, unused);
        pointer_->ItemOrSelf(PointCount() - 1).HorizMarginsNeeded(unused, right);
    } else {
        pointer_->HorizMarginsNeeded(left, right);
    }
    if (inflateMargins_) {
        if (drawLine_) ApplyLineMargin(left, right);
        if (OutLineVisible()) {
            left = std::max(left, outLine_->Width());
            right = std::max(right, outLine_->Width());
        }
        if (drawArea_ && LinePen().Visible()) ApplyLineMargin(left, right);
    }
    if (!Vertical() && Marks().Visible()) right = std::max(left, GetMarkDistance());
}

void TCustomSeries::GetVertMargins(int& top, int& bottom)
{
    TCustomLineSeries::GetVertMargins(top, bottom);
    pointer_->VertMarginsNeeded(top, bottom);
    if (inflateMargins_) {
        if (drawLine_) ApplyLineMargin(top, bottom);
        if (OutLineVisible()) {
            top = std::max(top, outLine_->Width());
            bottom = std::max(bottom, outLine_->Width());
        }
        if (drawArea_ && LinePen().Visible()) ApplyLineMargin(top, bottom);
    }
    if (Vertical() && Marks().Visible()) top = std::max(bottom, GetMarkDistance());
    if (Is3D() && lineHeight_ > 0 && !drawArea_ && inflateMargins_) bottom = std::max(bottom, lineHeight_);
}

int TCustomSeries::GetMarkDistance() const
{
    const TMarksCallout* callout = Marks().PeekCallout();
    if (!callout) return 0;
    return callout->Length() + callout->Distance();
}

void TCustomSeries::DrawPointMark(int index, const std::string& text, TSeriesMarkPosition& position)
{
    MarksSetZ(StartZ);
    if (Vertical()) Marks().ApplyCalloutLength(position);
    TCustomLineSeries::DrawPointMark(index, text, position);
}

// ---------------------------------------------------------------- visible range

bool TCustomSeries::IsPointInChartRect(int index)
{
    const TRect& chartRect = ParentChart()->ChartRect;
    // In 64 bits: positions of far values and sizes from files both reach the ends of int.
    const std::int64_t x = GetPointScreenX(index), y = GetPointScreenY(index);
    const std::int64_t h = pointer_->HorizSize(), v = pointer_->VertSize();
    return x + h >= chartRect.Left && x - h <= chartRect.Right && y + v >= chartRect.Top && y - v <= chartRect.Bottom;
}

void TCustomSeries::CalcFirstLastVisible()
{
    TCustomLineSeries::CalcFirstLastVisible();
    if (FirstVisibleIndex == -1) return;
    const int count = PointCount();
    const TChartValueList* independent = SecondaryList();
    while (LastVisibleIndex + 1 < count && IsPointInChartRect(LastVisibleIndex + 1)) ++LastVisibleIndex;
    while (LastVisibleIndex + 1 < count &&
           independent->GetValueAt(LastVisibleIndex + 1) == independent->GetValueAt(LastVisibleIndex))
        ++LastVisibleIndex;
    while (FirstVisibleIndex > 0 && IsPointInChartRect(FirstVisibleIndex - 1)) --FirstVisibleIndex;
    while (FirstVisibleIndex > 0 &&
           independent->GetValueAt(FirstVisibleIndex - 1) == independent->GetValueAt(FirstVisibleIndex))
        --FirstVisibleIndex;
}

// ---------------------------------------------------------------- mouse

TSeriesPointerStyle TCustomSeries::PointerStyleOf(int index)
{
    if (OnGetPointerStyle) return OnGetPointerStyle(this, index);
    return pointer_->ItemOrSelf(index).Style();
}

bool TCustomSeries::IsPointHit(int index, int pointX, int pointY, int mouseX, int mouseY)
{
    if (PointerStyleOf(index) == psNothing) return false;
    SizePointerFor(index);
    const auto distance = [](std::int64_t a, std::int64_t b) { return a > b ? a - b : b - a; };
    return distance(mouseX, pointX) < std::int64_t{pointer_->HorizSize()} + clickTolerance_ &&
           distance(mouseY, pointY) < std::int64_t{pointer_->VertSize()} + clickTolerance_;
}

void TCustomSeries::DrawnPosition(int index, int& x, int& y)
{
    x = GetPointScreenX(index);
    y = GetPointScreenY(index);
}

namespace {
double DistanceToSegment(double px, double py, double ax, double ay, double bx, double by)
{
    const double dx = bx - ax, dy = by - ay;
    const double length2 = dx * dx + dy * dy;
    double t = length2 == 0 ? 0 : ((px - ax) * dx + (py - ay) * dy) / length2;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}
}  // namespace

bool TCustomSeries::SegmentHit(int from, int to, int x, int y)
{
    int x0, y0, x1, y1;
    DrawnPosition(from, x0, y0);
    DrawnPosition(to, x1, y1);
    TCustomAxisPanel* chart = ParentChart();
    if (Is3D()) {
        const int dx = chart->DepthWidth, dy = -chart->DepthHeight;
        const auto add = [](int a, int b) { return SaturatedInt(std::int64_t{a} + b); };
        const TPointArray quad{{x0, y0}, {x1, y1}, {add(x1, dx), add(y1, dy)}, {add(x0, dx), add(y0, dy)}};
        if (PointInPolygon({x, y}, quad)) return true;
    } else {
        // A click on any pixel the pen covers counts, plus the tolerance.
        const double reach = clickTolerance_ + 0.5 + LinePen().Width() / 2.0;
        auto near = [&](int ax, int ay, int bx, int by) { return DistanceToSegment(x, y, ax, ay, bx, by) <= reach; };
        if (stairs_) {
            const bool hit = invertedStairs_ ? near(x0, y0, x0, y1) || near(x0, y1, x1, y1)
                                             : near(x0, y0, x1, y0) || near(x1, y0, x1, y1);
            if (hit) return true;
        } else if (near(x0, y0, x1, y1)) {
            return true;
        }
    }
    if (!drawArea_) return false;
    const int o0 = GetOriginPos(from), o1 = GetOriginPos(to);
    const TPointArray area = Vertical() ? TPointArray{{x0, y0}, {x1, y1}, {x1, o1}, {x0, o0}}
                                        : TPointArray{{x0, y0}, {x1, y1}, {o1, y1}, {o0, y0}};
    return PointInPolygon({x, y}, area);
}

int TCustomSeries::PointAtScreen(int x, int y)
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart || PointCount() == 0) return -1;
    if (Is3D()) chart->Canvas().Unproject(x, y, StartZ);
    if (const int inherited = TCustomLineSeries::PointAtScreen(x, y); inherited != -1) return inherited;
    if (FirstVisibleIndex == -1 || LastVisibleIndex == -1) return -1;
    const int first = clickableLine_ ? std::max(0, FirstVisibleIndex - 1) : FirstVisibleIndex;
    const int last = std::min(LastVisibleIndex, PointCount() - 1);
    const TChartAxis* independent = IndependentAxis();
    const bool backwards = independent && independent->Inverted();
    const int step = backwards ? -1 : 1;
    int previous = -1;
    for (int i = backwards ? last : first; backwards ? i >= first : i <= last; i += step) {
        int px, py;
        DrawnPosition(i, px, py);
        if ((pointer_->ItemOrSelf(i).Visible() && IsPointHit(i, px, py, x, y)) || (px == x && py == y)) return i;
        if (previous != -1 && clickableLine_ && SegmentHit(previous, i, x, y)) return previous;
        previous = i;
    }
    return -1;
}

bool TCustomSeries::HasClickHandlers() const
{
    return TCustomLineSeries::HasClickHandlers() || (pointer_->Visible() && static_cast<bool>(OnClickPointer));
}

void TCustomSeries::FireClick(int index, TMouseButton button, TShiftState shift, int x, int y, bool onPointer)
{
    TCustomLineSeries::FireClick(index, button, shift, x, y);
    TCustomAxisPanel* chart = ParentChart();
    // A click the series' OnClick took goes no further.
    if (onPointer && chart && chart->MouseReply() == TEventReply::PassOn && OnClickPointer)
        OnClickPointer(this, index, x, y);
}

// ---------------------------------------------------------------- legend

void TCustomSeries::PaintLegendSymbol(int index, const TRect& rect)
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    TCanvas3D& canvas = chart->Canvas();
    const TColor color = index == -1 ? GetSeriesColor() : GetLegendItemColor(index);
    TSeriesPointer& pointer = pointer_->ItemOrSelf(index);
    auto lineSymbol = [&] {
        canvas.AssignPen(LinePen());
        canvas.Pen().SetColor(color);
        const int middle = (rect.Top + rect.Bottom) / 2;
        canvas.Line(rect.Left, middle, rect.Right, middle);
    };
    if (pointer.Visible()) {
        const TSeriesPointerStyle style = PointerStyleOf(index);
        if (pointerBehind_) DrawPointerLegendSymbol(pointer, color, rect, style, drawLine_);
        if (drawLine_) lineSymbol();
        if (!pointerBehind_) DrawPointerLegendSymbol(pointer, color, rect, style, drawLine_);
        return;
    }
    if (!drawLine_ || drawArea_) {
        ApplyHoverPen(index);
        TCustomLineSeries::PaintLegendSymbol(index, rect);
        return;
    }
    if (Is3D()) {
        canvas.AssignPen(LinePen());
        canvas.Brush().SetColor(color);
        chart->DrawLegendSymbolRect(rect);
        return;
    }
    lineSymbol();
}
