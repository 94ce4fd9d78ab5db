// The drawing side of a series: axes, value and pixel, the visible range, the drawing loop,
// Z order, legend and mouse.
#include <algorithm>

#include "chart/engine/ChartEditorServices.h"
#include "chart/engine/DuvPanelExtended.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"


// ---------------------------------------------------------------- axes

void TChartSeries::BindAxes()
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) {
        horizAxisObject_ = vertAxisObject_ = nullptr;
        return;
    }
    horizAxisObject_ = chart->BottomAxis();
    if (HorizAxis() == aTopAxis)
        horizAxisObject_ = chart->TopAxis();
    else if (HorizAxis() == aCustomHorizAxis && customHorizAxis_)
        horizAxisObject_ = customHorizAxis_;
    vertAxisObject_ = chart->LeftAxis();
    if (VertAxis() == aRightAxis)
        vertAxisObject_ = chart->RightAxis();
    else if (VertAxis() == aCustomVertAxis && customVertAxis_)
        vertAxisObject_ = customVertAxis_;
}

void TChartSeries::SetHorizAxis(THorizAxis value)
{
    if (value == HorizAxis()) return;
    TCustomChartSeries::SetHorizAxis(value);
    if (value != aCustomHorizAxis && !HasState(csReading)) customHorizAxis_ = nullptr;
    BindAxes();
    RequestRepaint();
}

void TChartSeries::SetVertAxis(TVertAxis value)
{
    if (value == VertAxis()) return;
    TCustomChartSeries::SetVertAxis(value);
    if (value != aCustomVertAxis && !HasState(csReading)) customVertAxis_ = nullptr;
    BindAxes();
    RequestRepaint();
}

void TChartSeries::SetCustomHorizAxis(TChartAxis* axis)
{
    customHorizAxis_ = axis;
    TCustomChartSeries::SetHorizAxis(axis ? aCustomHorizAxis : aBottomAxis);
    BindAxes();
    RequestRepaint();
}

void TChartSeries::SetCustomVertAxis(TChartAxis* axis)
{
    customVertAxis_ = axis;
    TCustomChartSeries::SetVertAxis(axis ? aCustomVertAxis : aLeftAxis);
    BindAxes();
    RequestRepaint();
}

bool TChartSeries::UsesAxis(const TChartAxis* axis) const
{
    if (!UsesAxes() || !axis) return false;
    if (axis->IsDepthAxis) return true;
    if (axis->Horizontal()) return HorizAxis() == aBothHorizAxis || axis == horizAxisObject_;
    return VertAxis() == aBothVertAxis || axis == vertAxisObject_;
}

TChartValueList* TChartSeries::GetAxisValueList(const TChartAxis* axis) const
{
    if (!UsesAxis(axis)) return nullptr;
    return axis->Horizontal() ? xValues_ : yValues_;
}

// ---------------------------------------------------------------- values and pixels

int TChartSeries::ValueToScreenX(double value) const { return horizAxisObject_->CalcPosValue(value); }

int TChartSeries::ValueToScreenY(double value) const { return vertAxisObject_->CalcPosValue(value); }

int TChartSeries::ValueToScreenMandatory(double value) const
{
    return YMandatory() ? ValueToScreenY(value) : ValueToScreenX(value);
}

void TChartSeries::GetPointScreenXY(int index, int& x, int& y)
{
    x = GetPointScreenX(index);
    y = GetPointScreenY(index);
}

double TChartSeries::ScreenToXValue(int pixel) { return horizAxisObject_->CalcPosPoint(pixel); }

double TChartSeries::ScreenToYValue(int pixel) { return vertAxisObject_->CalcPosPoint(pixel); }

int TChartSeries::CalcXSizeValue(double value) const { return horizAxisObject_->CalcSizeValue(value); }

int TChartSeries::CalcYSizeValue(double value) const { return vertAxisObject_->CalcSizeValue(value); }

bool TChartSeries::IsPointInChartRect(int index)
{
    const TRect& r = ParentChart()->ChartRect;
    const int x = GetPointScreenX(index), y = GetPointScreenY(index);
    return x >= r.Left && x <= r.Right && y >= r.Top && y <= r.Bottom;
}

// ---------------------------------------------------------------- visible range

void TChartSeries::CalcFirstLastVisible()
{
    FirstVisibleIndex = LastVisibleIndex = -1;
    const int count = PointCount();
    if (count == 0) return;
    const TChartValueList* list = SecondaryList();
    TChartAxis* axis = YMandatory() ? horizAxisObject_ : vertAxisObject_;
    if (!ComputeVisiblePoints || list->Order() == loNone || !axis) {
        FirstVisibleIndex = 0;
        LastVisibleIndex = count - 1;
        return;
    }
    // The axis' own range; pixel offsets widen it by what they show beyond the ends.
    double low = axis->Minimum(), high = axis->Maximum();
    if (axis->MinimumOffset() != 0 || axis->MaximumOffset() != 0) {
        const int a = axis->CalcPosValue(low), b = axis->CalcPosValue(high);
        const int step = a <= b ? 1 : -1;
        low = std::min(low, axis->CalcPosPoint(a - step * std::abs(axis->MinimumOffset())));
        high = std::max(high, axis->CalcPosPoint(b + step * std::abs(axis->MaximumOffset())));
    }
    const double* v = list->Values();
    int first = 0;
    if (v[0] <= low) {
        while (first < count && v[first] < low) ++first;
        if (first >= count) return;
    }
    int last = count - 1;
    if (v[count - 1] > high) {
        last = first;
        while (last < count - 1 && v[last] < high) ++last;
        if (!IncludePointPastEnd)
            while (last > 0 && v[last] > high) --last;
    }
    FirstVisibleIndex = first;
    LastVisibleIndex = last;
}

bool TChartSeries::DrawForwardOnAxis() const
{
    if (YMandatory()) {
        const bool inverted = horizAxisObject_ && horizAxisObject_->Inverted();
        return ParentChart() && ParentChart()->View3DTurned ? inverted : !inverted;
    }
    return !(vertAxisObject_ && vertAxisObject_->Inverted());
}

bool TChartSeries::DrawForwardIn3DView(int) const { return !(ParentChart() && ParentChart()->View3DTurned); }

bool TChartSeries::DrawForwardInDepth() const
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return true;
    const bool inverted = chart->DepthAxis()->Inverted();
    const int rotation = chart->View3DOptions().Rotation();
    if (chart->View3D() && !chart->Canvas().SupportsFullRotation() && rotation >= 90 && rotation <= 269) return inverted;
    return !inverted;
}

// ---------------------------------------------------------------- drawing

TVisualsList* TChartSeries::Visuals()
{
    if (!visuals_) visuals_ = std::make_unique<TVisualsList>(this);
    return visuals_.get();
}

void TChartSeries::DrawAllPoints()
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    // Per-point transforms only where a template or stored visuals ask for them, so a plain
    // series draws without a canvas call per point beyond its own.
    TVisualsList* visuals = Visuals();
    if (!visuals->Template() && visuals->Count() == 0) {
        VisitPointsInDrawOrder(true, [this](int index) { DrawPoint(index); });
        return;
    }
    TCanvas3D& canvas = chart->Canvas();
    VisitPointsInDrawOrder(true, [&](int index) {
        canvas.PushTransform(std::to_string(index), nullptr, visuals->GetVisual(index));
        DrawPoint(index);
        canvas.PopTransform();
    });
}

void TChartSeries::NotifyToolsOfSeries(TSeriesEventCode code)
{
    TCustomAxisPanel* chart = ParentChart();
    if (chart && chart->Tools()) chart->Tools()->BroadcastSeriesEvent(code, this);
}

void TChartSeries::FireBeforeDrawValues()
{
    NotifyToolsOfSeries(TSeriesEventCode::BeforeDrawValues);
    if (BeforeDrawValues) BeforeDrawValues(this);
}

void TChartSeries::FireAfterDrawValues()
{
    NotifyToolsOfSeries(TSeriesEventCode::AfterDrawValues);
    if (AfterDrawValues) AfterDrawValues(this);
}

void TChartSeries::PushDrawTransform()
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    if (DrawTransform) {
        DrawTransform->PivotX = static_cast<float>(chart->ChartXCenter);
        DrawTransform->PivotY = static_cast<float>(chart->ChartYCenter);
    }
    chart->Canvas().PushTransform(GetDisplayTitle(), DrawTransform.get(), nullptr);
}

void TChartSeries::ListSubGalleryStyles(const TSubGalleryCallback& callback) { callback(DuvMsgSubNormal); }

// ---------------------------------------------------------------- Z order

void TChartSeries::CalcZOrder()
{
    TCustomAxisPanel* chart = ParentChart();
    if (ZOrder == -1) {
        DepthSlot = chart && chart->View3D() ? ++chart->MaxZOrder : 0;
    } else if (chart) {
        chart->MaxZOrder = std::max(chart->MaxZOrder, GetEffectiveZOrder());
    }
}

void TChartSeries::CalcDepthPositions(int slotDepth)
{
    TCustomChartSeries::CalcDepthPositions(slotDepth);
    MarksSetZ(MiddleZ);
}

bool TChartSeries::SharesZOrder() const
{
    // Series share a depth only while the chart gives series depth at all.
    TCustomAxisPanel* chart = ParentChart();
    if (!chart || !chart->View3D()) return false;
    for (TCustomChartSeries* other : chart->SeriesList())
        if (other != this && other->Active() && !other->HasZValues && other->GetEffectiveZOrder() == GetEffectiveZOrder())
            return true;
    return false;
}

bool TChartSeries::IsFirstAtZOrder() const
{
    if (!Active()) return false;
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return true;
    for (TCustomChartSeries* other : chart->SeriesList()) {
        if (other == this) break;
        if (other->Active() && other->GetEffectiveZOrder() == GetEffectiveZOrder()) return false;
    }
    return true;
}

// ---------------------------------------------------------------- legend

void TChartSeries::GetLegendText(int index, TLegendTextStyle style, std::string& text) const
{
    const int point = LegendToPointIndex(index);
    std::string label;
    GetPointLabel(point, label);
    text = label;
    if (style == ltsPlain) return;
    TChartValueList* list = MandatoryList();
    const double value = GetMandatoryValue(point);
    const std::string valueText = list->DateTime() ? FormatDateTime(DateOrTimeFormat(value), value)
                                                   : FormatFloat(valueFormat_, value);
    const double total = list->GetTotalAbsolute();
    const std::string percentText = FormatFloat(percentFormat_, total == 0 ? 100.0 : value * 100.0 / total);
    const std::string separator(1, '\x06');
    auto xText = [&] {
        const double x = xValues_->GetValueAt(point);
        return horizAxisObject_ ? horizAxisObject_->FormatLabelValue(x) : FormatFloat(valueFormat_, x);
    };
    const std::string sepLabel = label.empty() ? std::string() : separator + label;
    const std::string labelSep = label.empty() ? std::string() : label + separator;
    switch (style) {
    case ltsLeftValue: text = valueText + sepLabel; break;
    case ltsRightValue: text = labelSep + valueText; break;
    case ltsLeftPercent: text = percentText + sepLabel; break;
    case ltsRightPercent: text = labelSep + percentText; break;
    case ltsXValue: text = xText(); break;
    case ltsValue: text = valueText; break;
    case ltsPercent: text = percentText; break;
    case ltsXAndValue: text = xText() + separator + valueText; break;
    case ltsXAndPercent: text = xText() + separator + percentText; break;
    case ltsXAndText: text = xText() + separator + label; break;
    default: break;
    }
}

void TChartSeries::DrawLegendItemSymbol(int index, const TRect& rect)
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    const bool repaint = chart->AutoRepaint;
    chart->AutoRepaint = false;
    TScopeGuard restoreRepaint([chart, repaint] { chart->AutoRepaint = repaint; });
    const TColor color = index == -1 ? GetSeriesColor() : GetLegendItemColor(index);
    TCanvas3D& canvas = chart->Canvas();
    if (TSeriesLegend* legend = PeekLegend(); legend && legend->PeekPicture() && legend->PeekPicture()->HasGraphic()) {
        if (const QImage* picture = legend->PeekPicture()->GetFiltered()) canvas.StretchDraw(rect, *picture);
        return;
    }
    if (color == clNone) return;
    canvas.Brush().SetColor(color);
    TColor backColor = chart->LegendColor;
    TBrushStyle brushStyle = Brush().Style();
    canvas.AssignPen(Pen());
    PrepareLegendCanvas(index, backColor, brushStyle);
    if (chart->LegendSymbolPen) canvas.AssignPen(*chart->LegendSymbolPen);
    const int half = (rect.Bottom - rect.Top) / 2;
    if (canvas.Pen().Width() > half) canvas.Pen().SetWidth(half);
    if (backColor == clDefault) backColor = chart->LegendColor == clDefault ? chart->GetBackgroundColor() : chart->LegendColor;
    const TBrushStyle ownStyle = Brush().Style();
    const bool swapStyle = brushStyle != ownStyle && !Brush().HasImage();
    if (swapStyle) Brush().SetStyle(brushStyle);
    TScopeGuard restoreStyle([this, swapStyle, ownStyle] {
        if (swapStyle) Brush().SetStyle(ownStyle);
    });
    chart->ApplyBrush(canvas.Brush().Color(), Brush(), backColor);
    PaintLegendSymbol(index, rect);
}

void TChartSeries::PaintLegendSymbol(int index, const TRect& rect)
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    TCanvas3D& canvas = chart->Canvas();
    TDuvBlend* blend = transparency_ > 0 ? canvas.BeginBlending(rect, transparency_) : nullptr;
    if (index != -1) canvas.Brush().SetColor(GetLegendItemColor(index));
    chart->DrawLegendSymbolRect(rect);
    if (blend) canvas.EndBlending(blend);
}

// ---------------------------------------------------------------- mouse

TDuvSelected* TChartSeries::GetSelected()
{
    if (!selected_) selected_ = std::make_unique<TDuvSelected>(this);
    return selected_.get();
}

void TChartSeries::SetSelected(const TDuvSelected* value)
{
    if (!value) {
        selected_.reset();
        return;
    }
    GetSelected()->Assign(value);
}

bool TChartSeries::HoverEnabled()
{
    TCustomAxisPanel* chart = ParentChart();
    const bool chartHover = !chart || !chart->Hover() || chart->Hover()->Visible();
    return chartHover && selected_ && selected_->Hover()->Visible();
}

bool TChartSeries::ApplyHoverPen(int index)
{
    if (!HoverEnabled() || index == -1 || index != selected_->HoverIndex()) return false;
    ParentChart()->Canvas().AssignPen(selected_->Hover()->Pen());
    return true;
}

bool TChartSeries::CheckMouseOver(int x, int y)
{
    const bool interested = cursor_ != 0 || OnMouseEnter || OnMouseLeave;
    if (!interested && !HoverEnabled()) return false;
    int index = PointAtScreen(x, y);
    bool answer;
    if (index == -1) {
        if (MarksVisible()) index = MarkIndexAtPoint({x, y});
        if (index == -1 && MouseInside) {
            MouseInside = false;
            if (OnMouseLeave) OnMouseLeave(this);
        }
        answer = false;
    } else {
        if (cursor_ != 0 && ParentChart()) ParentChart()->SetCursor(cursor_);
        if (!MouseInside) {
            MouseInside = true;
            if (OnMouseEnter) OnMouseEnter(this);
        }
        answer = interested;
    }
    GetSelected()->SetHoverItem(index);
    return answer;
}

// ---------------------------------------------------------------- visuals

TVisualsList::~TVisualsList()
{
    for (TComponent* visual : items_) FreeOwned(visual);
    if (template_) Series->RemoveFreeNotification(template_);
}

void TVisualsList::FreeOwned(TComponent* visual)
{
    if (visual && visual->Owner() == Series) FreeComponent(visual);
}

void TVisualsList::SetTemplate(TComponent* component)
{
    if (component == template_) return;
    if (template_) Series->RemoveFreeNotification(template_);
    template_ = component;
    if (template_) Series->FreeNotification(template_);
    Clear();
}

TComponent* TVisualsList::GetVisual(int index)
{
    if (index >= 0 && index < Count() && items_[static_cast<std::size_t>(index)]) return items_[static_cast<std::size_t>(index)];
    if (!template_ || index < 0) return nullptr;
    TPersistent* made = template_->ClassType().Create(Series);
    auto* visual = dynamic_cast<TComponent*>(made);
    if (!visual) {
        delete made;
        return nullptr;
    }
    visual->Assign(template_);
    PutVisual(index, visual);
    return visual;
}

void TVisualsList::PutVisual(int index, TComponent* visual)
{
    if (index < 0) return;
    if (index < Count()) FreeOwned(items_[static_cast<std::size_t>(index)]);
    if (visual) {
        if (index >= Count()) items_.resize(static_cast<std::size_t>(index) + 1, nullptr);
        items_[static_cast<std::size_t>(index)] = visual;
    } else if (index < Count()) {
        items_[static_cast<std::size_t>(index)] = nullptr;
    }
    Series->RequestRepaint();
}

void TVisualsList::DeleteVisual(int index)
{
    if (index < 0 || index >= Count()) return;
    FreeOwned(items_[static_cast<std::size_t>(index)]);
    items_.erase(items_.begin() + index);
}

void TVisualsList::InsertEmpty(int index)
{
    if (index >= 0 && index <= Count()) items_.insert(items_.begin() + index, nullptr);
}

void TVisualsList::Exchange(int i, int j)
{
    const int needed = std::max(i, j) + 1;
    if (std::min(i, j) >= Count()) return;
    if (needed > Count()) items_.resize(static_cast<std::size_t>(needed), nullptr);
    std::swap(items_[static_cast<std::size_t>(i)], items_[static_cast<std::size_t>(j)]);
}

void TVisualsList::Clear()
{
    for (TComponent* visual : items_) FreeOwned(visual);
    Series->RequestRepaint();
    items_.clear();
}

void TVisualsList::EditVisual(int index, bool flag)
{
    TChartEditorServices& services = ChartEditorServices();
    if (index != -1) {
        TComponent* visual = GetVisual(index);
        if (visual && services.EditVisual(Series->ParentChart(), *visual, flag)) Series->RequestRepaint();
    } else if (template_ && services.EditVisual(Series->ParentChart(), *template_, flag)) {
        Clear();
    }
}
