#include "chart/tools/DuvTools.h"

#include <QImage>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <typeinfo>

#include "chart/editor/DuvProCo.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/DuvTextShape.h"
#include "chart/engine/DuvViewAngles.h"
#include "chart/engine/RuRazaziSelect.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvBlend.h"
#include "chart/graphics/DuvCanvas3D.h"
#include "chart/graphics/DuvShadow.h"
#include "chart/graphics/PixelRange.h"
#include "chart/output/DBChart.h"
#include "platform/core/ScopeGuard.h"

namespace {

// Margin between the panel edge and an automatically placed annotation.
constexpr int AnnotationMargin = 10;
// The smallest size a resize leaves, and how near to an edge a handle is.
constexpr int MinimumBoxSize = 3;
constexpr int HandleReach = 4;

// Halves to even; stored sizes and places may be anything, so the result is kept in range.
int RoundHalfEven(double value)
{
    return static_cast<int>(std::nearbyint(std::clamp(value, -2147483648.0, 2147483647.0)));
}

int Sum(int a, int b) { return SaturatedInt(std::int64_t{a} + b); }

bool Near(int a, int b) { return std::abs(a - b) < HandleReach; }

}  // namespace

// ---------------------------------------------------------------- callout

TAnnotationCallout::TAnnotationCallout(TChartSeries* series) : TCallout(series)
{
    Arrow().InitVisible(false);
    InitVisible(false);
}

void TAnnotationCallout::DeclareProperties(TPropertyDeclarer<TAnnotationCallout>& p)
{
    using C = TAnnotationCallout;
    p.Integer("XPosition", &C::XPosition, &C::SetXPosition).Default(0);
    p.Integer("YPosition", &C::YPosition, &C::SetYPosition).Default(0);
    p.Integer("ZPosition", &C::ZPosition, &C::SetZPosition).Default(0);
}

void TAnnotationCallout::ChangePosition(int& field, int value)
{
    if (field == value) return;
    field = value;
    InvalidateParent();
}

void TAnnotationCallout::SetXPosition(int value) { ChangePosition(xPosition_, value); }
void TAnnotationCallout::SetYPosition(int value) { ChangePosition(yPosition_, value); }
void TAnnotationCallout::SetZPosition(int value) { ChangePosition(zPosition_, value); }

void TAnnotationCallout::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TAnnotationCallout*>(source)) {
        xPosition_ = other->xPosition_;
        yPosition_ = other->yPosition_;
        zPosition_ = other->zPosition_;
    }
    TCallout::Assign(source);
}

TPoint CalloutAnchor(const TRect& rect, const TPoint& target)
{
    TPoint anchor;
    if (target.X > rect.Right) anchor.X = rect.Right;
    else if (target.X < rect.Left) anchor.X = rect.Left;
    else anchor.X = (rect.Left + rect.Right) / 2;
    if (target.Y > rect.Bottom) anchor.Y = rect.Bottom;
    else if (target.Y < rect.Top) anchor.Y = rect.Top;
    else anchor.Y = (rect.Top + rect.Bottom) / 2;
    return anchor;
}

TPoint CalloutEnd(const TPoint& anchor, const TPoint& target, int distance)
{
    if (distance == 0) return target;
    return PointBackFrom(anchor, target, distance);
}

// ---------------------------------------------------------------- annotation

TAnnotationTool::TAnnotationTool(TComponent* owner)
    : TDuvCustomTool(owner), callout_(std::make_unique<TAnnotationCallout>()),
      selected_(std::make_unique<TDuvSelected>(this))
{
    shape_ = CreateShape();
}

TAnnotationTool::~TAnnotationTool()
{
    // Hover settings, callout, then shape; then the tool leaves its chart.
    selected_.reset();
    callout_.reset();
    shape_.reset();
    SetParentChart(nullptr);
}

void TAnnotationTool::DeclareProperties(TPropertyDeclarer<TAnnotationTool>& p)
{
    using A = TAnnotationTool;
    p.Boolean("AutoSize", &A::AutoSize, &A::SetAutoSize).Stored(&A::IsAutoSizeStored);
    p.Object("Callout", &A::Callout, &A::SetCallout);
    p.Boolean("ClipText", &A::ClipText, &A::SetClipText).Default(true);
    p.Integer("Cursor", &A::Cursor, &A::SetCursor).Stored(&A::IsCursorStored);
    p.Boolean("Draw3D", &A::Draw3D, &A::SetDraw3D).Default(false);
    p.Enum("Position", &A::Position, &A::SetPosition).Default(ppLeftTop);
    p.Enum("PositionUnits", &A::PositionUnits, &A::SetPositionUnits).Default(muPixels);
    p.Object("Selected", &A::Selected, &A::SetSelected);
    p.Object("Shape", &A::Shape, &A::SetShape);
    p.String("Text", &A::Text, &A::SetText).Default(std::string());
    p.Enum("TextAlignment", &A::TextAlignment, &A::SetTextAlignment).Default(taLeftJustify);
    p.Integer("Left", &A::Left, &A::SetLeft).Stored(&A::IsCustomPosition);
    p.Integer("Top", &A::Top, &A::SetTop).Stored(&A::IsCustomPosition);
    p.Integer("Width", &A::Width, &A::SetWidth).Stored(&A::IsSizeStored);
    p.Integer("Height", &A::Height, &A::SetHeight).Stored(&A::IsSizeStored);
    p.Integer("Z", &A::Z, &A::SetZ).Default(0);
    p.Event("OnBeforeDraw", &A::OnBeforeDraw);
    p.Event("OnAfterDraw", &A::OnAfterDraw);
    p.Event("OnClick", &A::OnClick);
    p.Event("OnDblClick", &A::OnDblClick);
}

std::unique_ptr<TTextShape> TAnnotationTool::CreateShape() { return std::make_unique<TTextShape>(); }

std::string TAnnotationTool::GetText() const { return shape_->Text(); }

bool TAnnotationTool::AutoSize() const { return shape_->AutoSize(); }
void TAnnotationTool::SetAutoSize(bool value) { shape_->SetAutoSize(value); }
void TAnnotationTool::SetCallout(const TAnnotationCallout* value) { callout_->Assign(value); }
bool TAnnotationTool::ClipText() const { return shape_->ClipText(); }
void TAnnotationTool::SetClipText(bool value) { shape_->SetClipText(value); }
TCursor TAnnotationTool::Cursor() const { return shape_->Cursor(); }
// The cursor shows only under the mouse: nothing to repaint.
void TAnnotationTool::SetCursor(TCursor value) { shape_->SetCursor(value); }
void TAnnotationTool::SetSelected(const TDuvSelected* value) { selected_->Assign(value); }
void TAnnotationTool::SetShape(const TTextShape* value) { shape_->Assign(value); }
void TAnnotationTool::SetText(const std::string& value) { shape_->SetText(value); }
TAlignment TAnnotationTool::TextAlignment() const { return shape_->TextAlignment(); }
void TAnnotationTool::SetTextAlignment(TAlignment value) { shape_->SetTextAlignment(value); }
int TAnnotationTool::Left() const { return shape_->Left(); }
void TAnnotationTool::SetLeft(int value) { shape_->SetLeft(value); }
int TAnnotationTool::Top() const { return shape_->Top(); }
void TAnnotationTool::SetTop(int value) { shape_->SetTop(value); }
int TAnnotationTool::Width() const { return shape_->BoundsWidth(); }
int TAnnotationTool::Height() const { return shape_->BoundsHeight(); }
bool TAnnotationTool::IsCustomPosition() const { return shape_->CustomPosition(); }

void TAnnotationTool::SetWidth(int value)
{
    if (value == Width()) return;
    shape_->SetAutoSize(false);
    shape_->Bounds.Right = Sum(shape_->Bounds.Left, value);
    RequestRepaint();
}

void TAnnotationTool::SetHeight(int value)
{
    if (value == Height()) return;
    shape_->SetAutoSize(false);
    shape_->Bounds.Bottom = Sum(shape_->Bounds.Top, value);
    RequestRepaint();
}

void TAnnotationTool::SetPosition(TAnnotationPosition value)
{
    position_ = value;
    // A stored position is read before the shape: it must not undo the shape's custom place.
    if (!HasState(csLoading | csReading)) shape_->SetCustomPosition(false);
    RequestRepaint();
}

void TAnnotationTool::SetPositionUnits(TDuvUnits value)
{
    positionUnits_ = value;
    RequestRepaint();
}

void TAnnotationTool::RequestRepaint()
{
    if (ParentChart()) ParentChart()->Invalidate();
    else if (shape_) shape_->InvalidateParent();
}

void TAnnotationTool::SetActive(bool value)
{
    TDuvCustomTool::SetActive(value);
    shape_->SetVisible(value);
}

void TAnnotationTool::AttachParts(TCustomAxisPanel* chart)
{
    shape_->AttachToPanel(chart);
    callout_->AttachToPanel(chart);
}

void TAnnotationTool::SetParentChart(TCustomAxisPanel* value)
{
    TDuvCustomTool::SetParentChart(value);
    if (HasState(csDestroying) || !shape_) return;
    AttachParts(value);
    if (value) value->Invalidate();
}

void TAnnotationTool::AttachForDrawing(TCustomAxisPanel* chart)
{
    if (!chart) return;
    const bool saved = chart->AutoRepaint;
    chart->AutoRepaint = false;
    const TScopeGuard restore([chart, saved] { chart->AutoRepaint = saved; });
    TCustomChartElement::SetParentChart(chart);
    AttachParts(chart);
}

void TAnnotationTool::SetName(const std::string& name)
{
    TDuvCustomTool::SetName(name);
    const bool loading = HasState(csLoading | csReading) || (Owner() && Owner()->HasState(csLoading | csReading));
    if (!loading) SetText(name);
}

TRect TAnnotationTool::CalcShapeBounds(TCustomDuvPanel* panel, const TRect& r, int& left, int& top)
{
    TTextShape& shape = *shape_;
    shape.CalcSize(panel);
    const std::int64_t a = std::int64_t{r.Right} - r.Left + 1, b = std::int64_t{r.Bottom} - r.Top + 1;
    const int w = shape.BoundsWidth(), h = shape.BoundsHeight();
    if (shape.CustomPosition()) {
        int x = shape.Left(), y = shape.Top();
        if (positionUnits_ == muPercent) {
            x = RoundHalfEven(static_cast<double>(a) * x * 0.01);
            y = RoundHalfEven(static_cast<double>(b) * y * 0.01);
        }
        left = Sum(x, r.Left);
        top = Sum(y, r.Top);
        return {left, top, Sum(left, w), Sum(top, h)};
    }
    int x = 0, y = 0;
    const std::int64_t left0 = r.Left, top0 = r.Top;
    std::int64_t px = 0, py = 0;
    switch (position_) {
    case ppLeftTop: px = left0 + AnnotationMargin; py = top0 + AnnotationMargin; break;
    case ppLeftBottom: px = left0 + AnnotationMargin; py = top0 + b - h - AnnotationMargin; break;
    case ppRightTop: px = left0 + a - w - AnnotationMargin; py = top0 + AnnotationMargin; break;
    case ppRightBottom: px = left0 + a - w - AnnotationMargin; py = top0 + b - h - AnnotationMargin; break;
    case ppCenter: px = (left0 + r.Right - w) / 2; py = (top0 + r.Bottom - h) / 2; break;
    }
    x = SaturatedInt(px);
    y = SaturatedInt(py);
    shape.MoveBoundsTo(x, y);
    left = x;
    top = y;
    return shape.Bounds;
}

TRect TAnnotationTool::GetBounds()
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return {};
    int left = 0, top = 0;
    return CalcShapeBounds(chart, chart->PanelBounds, left, top);
}

bool TAnnotationTool::HitTest(int x, int y) const
{
    auto* self = const_cast<TAnnotationTool*>(this);
    TRect r = shape_->ClipText() && drawnBounds_ ? *drawnBounds_ : self->GetBounds();
    if (draw3D_ && ParentChart()) {
        TRect projected;
        ParentChart()->Canvas().ProjectRect(r, z_, projected);
        r = projected;
    }
    return PointInRect(r, x, y);
}

void TAnnotationTool::DrawAnnotation(TCustomAxisPanel* panel)
{
    if (!panel) return;
    TTextShape& shape = *shape_;
    shape.SetText(GetText());
    int left = 0, top = 0;
    const TRect rect = CalcShapeBounds(panel, panel->PanelBounds, left, top);
    drawnBounds_ = rect;
    TCanvas3D& canvas = panel->Canvas();
    shape.DrawFlat = !draw3D_;
    if (!draw3D_) canvas.BeginNoRotation();
    const TScopeGuard flat([&canvas, this] {
        if (!draw3D_) canvas.EndNoRotation();
    });
    shape.TextOffset = GetTextOffset();
    std::unique_ptr<TDuvPen> savedFrame;
    TDuvHover* hover = selected_->Hover();
    if (selected_->HoverIndex() == 0 && hover && hover->Visible()) {
        savedFrame = std::make_unique<TDuvPen>();
        savedFrame->Assign(&shape.Pen());
        shape.Pen().Assign(&hover->Pen());
    }
    const TScopeGuard restorePen([&shape, &savedFrame] {
        if (savedFrame) shape.Pen().Assign(savedFrame.get());
    });
    if (shape.Visible()) shape.DrawInPanel(panel, rect, z_, shape.Angle());
    TAnnotationCallout& callout = *callout_;
    if (!callout.Visible() && !callout.Arrow().Visible()) return;
    const TPoint target{callout.XPosition(), callout.YPosition()};
    const TPoint anchor = CalloutAnchor(rect, target);
    const TPoint end = CalloutEnd(anchor, target, callout.Distance());
    callout.DrawCallout(panel, clNone, false, callout.ZPosition(), anchor, anchor, end);
}

void TAnnotationTool::HandleChartEvent(TChartEventCode code)
{
    if (code == TChartEventCode::AfterDraw) {
        if (OnBeforeDraw) OnBeforeDraw(this);
        DrawAnnotation(ParentChart());
        if (OnAfterDraw) OnAfterDraw(this);
    } else if (code == TChartEventCode::MouseLeave) {
        selected_->SetHoverItem(-1);
    }
}

TEventReply TAnnotationTool::HandleMouseEvent(TMouseEventKind kind, TMouseButton button, TShiftState shift, int x,
                                              int y)
{
    if (kind == TMouseEventKind::Down) {
        if (OnClick && HitTest(x, y)) OnClick(this, button, shift, x, y);
        if (shift.Contains(ssDouble) && OnDblClick && HitTest(x, y)) OnDblClick(this, button, shift, x, y);
        return TEventReply::PassOn;
    }
    if (kind != TMouseEventKind::Move) return TEventReply::PassOn;
    const bool inside = HitTest(x, y);
    TDuvHover* hover = selected_->Hover();
    selected_->SetHoverItem(inside && hover && hover->Visible() ? 0 : -1);
    if (!inside || shape_->Cursor() == crDefault) return TEventReply::PassOn;
    if (!HandlesOwnCursor && ParentChart()) ParentChart()->SetCursor(shape_->Cursor());
    return TEventReply::CancelChart;
}

std::string TAnnotationTool::GetDescription() const { return DuvMsgToolAnnotation; }
std::string TAnnotationTool::GetSummary() const { return DuvMsgToolAnnotationSummary; }

void TAnnotationTool::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TAnnotationTool*>(source)) {
        callout_->Assign(other->callout_.get());
        position_ = other->position_;
        positionUnits_ = other->positionUnits_;
        selected_->Assign(other->selected_.get());
        shape_->Assign(other->shape_.get());
        z_ = other->z_;
    }
    TDuvCustomTool::Assign(source);
}

TAnnotationTool* CreateToolAnnotation(TDuvCustomTool* owner, TCustomAxisPanel* chart)
{
    auto* annotation = new TAnnotationTool(owner);
    annotation->NotStreamed = true;
    annotation->ShowInEditor = false;
    annotation->Shape().SetVisible(false);
    annotation->Shape().GetShadow()->SetVisible(false);
    annotation->Shape().SetTextAlignment(taCenter);
    annotation->AttachForDrawing(chart);
    return annotation;
}

// ---------------------------------------------------------------- rectangle

TRectangleTool::TRectangleTool(TComponent* owner) : TAnnotationTool(owner)
{
    HandlesOwnCursor = true;
    defaultAutoSize_ = false;
    defaultCursor_ = crHandPoint;
    TTextShape& shape = Shape();
    shape.SetAutoSize(false);
    shape.InitCustomPosition(true);
    shape.GetEmboss()->SetSize(0);
    shape.GetShadow()->SetSize(0);
    shape.SetTransparency(75);
    shape.Bounds = {10, 10, 60, 60};
    shape.SetCursor(crHandPoint);
}

void TRectangleTool::DeclareProperties(TPropertyDeclarer<TRectangleTool>& p)
{
    using R = TRectangleTool;
    p.Boolean("AllowDrag", &R::AllowDrag, &R::SetAllowDrag).Default(true);
    p.Boolean("AllowResize", &R::AllowResize, &R::SetAllowResize).Default(true);
    p.Event("OnDragging", &R::OnDragging);
    p.Event("OnDragged", &R::OnDragged);
    p.Event("OnResizing", &R::OnResizing);
    p.Event("OnResized", &R::OnResized);
}

int TRectangleTool::EdgeAt(int x, int y)
{
    if (!HitTest(x, y)) return -1;
    const TRect r = GetBounds();
    if (Near(x, r.Left)) return Near(y, r.Top) ? 4 : Near(y, r.Bottom) ? 5 : 0;
    if (Near(y, r.Top)) return Near(x, r.Right) ? 6 : 1;
    if (Near(x, r.Right)) return Near(y, r.Bottom) ? 7 : 2;
    if (Near(y, r.Bottom)) return 3;
    return -1;
}

void TRectangleTool::DragTo(int x, int y)
{
    TTextShape& shape = Shape();
    shape.SetCustomPosition(true);
    x -= dx_;
    y -= dy_;
    if (PositionUnits() == muPercent) {
        // Percent of nothing has no place to go.
        TCustomAxisPanel* chart = ParentChart();
        if (!chart || chart->Width() <= 0 || chart->Height() <= 0) return;
        x = RoundHalfEven(x * 100.0 / chart->Width());
        y = RoundHalfEven(y * 100.0 / chart->Height());
    }
    shape.MoveBoundsTo(x, y);
    if (OnDragging) OnDragging(this);
}

void TRectangleTool::ResizeTo(int x, int y)
{
    TTextShape& shape = Shape();
    shape.SetAutoSize(false);
    TRect r = GetBounds();
    const int h = handle_;
    const bool left = h == 0 || h == 4 || h == 5, right = h == 2 || h == 6 || h == 7;
    const bool top = h == 1 || h == 4 || h == 6, bottom = h == 3 || h == 5 || h == 7;
    if (left) r.Left = std::min(r.Right - MinimumBoxSize, x - dx_);
    if (top) r.Top = std::min(r.Bottom - MinimumBoxSize, y - dy_);
    if (right) r.Right = std::max(r.Left + MinimumBoxSize, x - dx_);
    if (bottom) r.Bottom = std::max(r.Top + MinimumBoxSize, y - dy_);
    if (PositionUnits() == muPixels) {
        shape.Bounds = r;
    } else {
        // The corner in percent of the chart, the size in pixels: a percent box resizes too.
        TCustomAxisPanel* chart = ParentChart();
        if (!chart || chart->Width() <= 0 || chart->Height() <= 0) return;
        const TRect& panel = chart->PanelBounds;
        const int x0 = RoundHalfEven((r.Left - panel.Left) * 100.0 / chart->Width());
        const int y0 = RoundHalfEven((r.Top - panel.Top) * 100.0 / chart->Height());
        // The size is measured from where the percent corner lands, so the edges the mouse
        // does not hold stay where they are.
        const int leftPixel = Sum(panel.Left, RoundHalfEven((std::int64_t{panel.Right} - panel.Left + 1) * x0 * 0.01));
        const int topPixel = Sum(panel.Top, RoundHalfEven((std::int64_t{panel.Bottom} - panel.Top + 1) * y0 * 0.01));
        shape.Bounds = {x0, y0, Sum(x0, r.Right - leftPixel), Sum(y0, r.Bottom - topPixel)};
    }
    RequestRepaint();
    if (OnResizing) OnResizing(this);
}

bool TRectangleTool::ClaimCursor(int x, int y)
{
    TCustomAxisPanel* chart = ParentChart();
    static constexpr TCursor HandleCursors[8] = {crSizeWE, crSizeNS, crSizeWE, crSizeNS,
                                                 crSizeNWSE, crSizeNESW, crSizeNESW, crSizeNWSE};
    const int handle = EdgeAt(x, y);
    if (handle >= 0) {
        if (!allowResize_) return false;
        chart->SetCursor(HandleCursors[handle]);
        return true;
    }
    if (HitTest(x, y) && Cursor() != crDefault) {
        chart->SetCursor(Cursor());
        return true;
    }
    return false;
}

TEventReply TRectangleTool::HandleMouseEvent(TMouseEventKind kind, TMouseButton button, TShiftState shift, int x,
                                             int y)
{
    TEventReply reply = TAnnotationTool::HandleMouseEvent(kind, button, shift, x, y);
    if (!Active()) return reply;
    switch (kind) {
    case TMouseEventKind::Down: {
        if (button != mbLeft) return reply;
        handle_ = allowResize_ ? EdgeAt(x, y) : -1;
        const TRect r = GetBounds();
        if (handle_ != -1) {
            dx_ = x - (handle_ == 2 || handle_ == 6 || handle_ == 7 ? r.Right : r.Left);
            dy_ = y - (handle_ == 3 || handle_ == 5 || handle_ == 7 ? r.Bottom : r.Top);
            return TEventReply::CancelChart;
        }
        if (allowDrag_ && HitTest(x, y)) {
            dx_ = x - r.Left;
            dy_ = y - r.Top;
            dragging_ = true;
            return TEventReply::CancelChart;
        }
        return reply;
    }
    case TMouseEventKind::Move:
        if (dragging_) {
            DragTo(x, y);
            return TEventReply::CancelChart;
        }
        if (handle_ != -1) {
            ResizeTo(x, y);
            return TEventReply::CancelChart;
        }
        if (ParentChart()) return ClaimCursor(x, y) ? TEventReply::CancelChart : TEventReply::PassOn;
        return reply;
    case TMouseEventKind::Up:
        if (dragging_) {
            dragging_ = false;
            if (OnDragged) OnDragged(this);
        } else if (handle_ != -1) {
            handle_ = -1;
            if (OnResized) OnResized(this);
        }
        return reply;
    }
    return reply;
}

std::unique_ptr<QImage> TRectangleTool::CaptureBitmap(bool fresh)
{
    const int w = std::max(Shape().BoundsWidth(), 1), h = std::max(Shape().BoundsHeight(), 1);
    auto result = std::make_unique<QImage>(w, h, QImage::Format_RGB32);
    result->fill(Qt::white);
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return result;
    QRect area;
    QImage source;
    if (fresh) {
        const bool wasActive = Active();
        SetActive(false);
        const TScopeGuard restore([this, wasActive] { SetActive(wasActive); });
        const TRect panel = chart->Window() ? chart->Window()->ClientRect() : chart->GetPanelRect();
        std::unique_ptr<QImage> picture = chart->RenderBitmap(0x20000000, panel, 0);
        if (!picture) return result;
        source = picture->convertToFormat(QImage::Format_RGB32);
    } else {
        if (typeid(chart->Canvas()) != typeid(TDuvCanvas3D)) return result;
        auto& gdi = static_cast<TDuvCanvas3D&>(chart->Canvas());
        if (!gdi.BufferBitmap()) chart->DrawToCanvas(nullptr, chart->Window() ? chart->Window()->ClientRect() : chart->GetPanelRect());
        if (!gdi.BufferBitmap()) return result;
        source = gdi.BufferBitmap()->convertToFormat(QImage::Format_RGB32);
    }
    const TRect r = GetBounds();
    QPainter painter(result.get());
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(0, 0), source, QRect(r.Left, r.Top, w, h));
    return result;
}

std::string TRectangleTool::GetDescription() const { return DuvMsgToolRectangle; }
std::string TRectangleTool::GetSummary() const { return DuvMsgToolRectangleSummary; }

void TRectangleTool::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TRectangleTool*>(source)) {
        allowDrag_ = other->allowDrag_;
        allowResize_ = other->allowResize_;
    }
    TAnnotationTool::Assign(source);
}

// ---------------------------------------------------------------- rotate

TRotateTool::TRotateTool(TComponent* owner) : TDuvCustomTool(owner)
{
    Pen().InitVisible(false);
    Pen().SetMode(pmXor);
    Pen().SetColor(clWhite);
}

TRotateTool::~TRotateTool()
{
    inertiaTimer_.reset();
    SetParentChart(nullptr);
}

void TRotateTool::DeclareProperties(TPropertyDeclarer<TRotateTool>& p)
{
    using R = TRotateTool;
    p.Enum("Button", &R::Button, &R::SetButton).Default(mbLeft);
    p.Integer("Cursor", &R::Cursor, &R::SetCursor).Default(crHandPoint);
    p.Integer("Inertia", &R::Inertia, &R::SetInertia).Default(0);
    p.Boolean("Inverted", &R::Inverted, &R::SetInverted).Default(false);
    p.Integer("Speed", &R::Speed, &R::SetSpeed).Default(50);
    p.Enum("Style", &R::Style, &R::SetStyle).Default(rsAll);
    p.Object("Pen", &R::GetPen, &R::SetPen);
    p.Event("OnRotate", &R::OnRotate);
}

void TRotateTool::RotateBy(double elevationDelta, double rotationDelta)
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    TView3DOptions& view = chart->View3DOptions();
    view.SetOrthogonal(false);
    const bool rotation = style_ == rsAll || style_ == rsRotation;
    const bool elevation = style_ == rsAll || style_ == rsElevation;
    if (chart->Canvas().SupportsFullRotation()) {
        if (rotation) view.SetRotation(WrapAngle(view.RotationValue() + rotationDelta));
        if (elevation) view.SetElevation(WrapAngle(view.ElevationValue() + elevationDelta));
    } else {
        if (rotation) view.SetRotation(NextRotationAngle(false, rotationDelta, view.RotationValue()));
        if (elevation) view.SetElevation(NextElevationAngle(false, elevationDelta, view.ElevationValue()));
    }
}

bool TRotateTool::InertiaRunning() const { return inertiaTimer_ && inertiaTimer_->isActive(); }

void TRotateTool::StopInertia()
{
    if (inertiaTimer_) inertiaTimer_->stop();
}

void TRotateTool::InertiaTick()
{
    inertiaTimer_->stop();
    if (dragging_) return;
    RotateBy(elevationDelta_, rotationDelta_);
    inertiaTimer_->start();
}

void TRotateTool::DrawBox()
{
    TCustomAxisPanel& chart = *ParentChart();
    TCanvas3D& canvas = chart.Canvas();
    canvas.Brush().SetStyle(bsClear);
    canvas.ApplyBrush(canvas.Brush());
    chart.ApplyInvertingPen(Pen());
    const TRect& r = chart.ChartRect;
    const int depth = chart.DepthWidth;
    canvas.RectangleAtZ(r, 0);
    canvas.RectangleAtZ(r, depth);
    for (const TPoint& corner : {TPoint{r.Left, r.Top}, TPoint{r.Right, r.Top}, TPoint{r.Left, r.Bottom},
                                 TPoint{r.Right, r.Bottom}}) {
        canvas.MoveTo3D(corner.X, corner.Y, 0);
        canvas.LineTo3D(corner.X, corner.Y, depth);
    }
    canvas.Pen().SetMode(pmCopy);
    canvas.ApplyPen();
}

TEventReply TRotateTool::MouseDown(int x, int y)
{
    StopInertia();
    dragging_ = true;
    lastX_ = x;
    lastY_ = y;
    firstMove_ = true;
    boxShown_ = false;
    if (cursor_ != crDefault) {
        savedCursor_ = ScreenCursor();
        SetScreenCursor(cursor_);
        cursorChanged_ = true;
    }
    return TEventReply::CancelChart;
}

void TRotateTool::MouseMove(int x, int y)
{
    TCustomAxisPanel& chart = *ParentChart();
    const double f = (speed_ - 50) * 0.01 + 1;
    const int width = chart.Width(), height = chart.Height();
    // A chart without size has no scale to turn by.
    rotationDelta_ = width > 0 ? (x - lastX_) * 90.0 / width * f : 0;
    elevationDelta_ = height > 0 ? (lastY_ - y) * 90.0 / height * f : 0;
    if (inverted_) {
        rotationDelta_ = -rotationDelta_;
        elevationDelta_ = -elevationDelta_;
    }
    bool boxOpen = false;
    if (Pen().Visible()) {
        if (firstMove_) {
            firstMove_ = false;
            // Only a current picture can take the box; otherwise the chart repaints each step.
            boxOpen = chart.BeginDirectDraw();
            if (boxOpen) {
                savedAutoRepaint_ = chart.AutoRepaint;
                chart.AutoRepaint = false;
                boxShown_ = true;
            }
        } else if (boxShown_) {
            boxOpen = chart.BeginDirectDraw();
            if (boxOpen) DrawBox();
        }
    }
    const TScopeGuard close([&chart, &boxOpen] {
        if (boxOpen) chart.EndDirectDraw(true);
    });
    chart.SetView3D(true);
    RotateBy(elevationDelta_, rotationDelta_);
    lastX_ = x;
    lastY_ = y;
    if (boxOpen) {
        chart.Canvas().RecomputeProjection(&chart.View3DOptions(), true, chart.DepthWidth, chart.PanelBounds,
                                           chart.ChartRect);
        DrawBox();
    }
    if (OnRotate) OnRotate(this);
}

void TRotateTool::MouseUp()
{
    dragging_ = false;
    TCustomAxisPanel* chart = ParentChart();
    if (boxShown_ && chart) {
        // The last box leaves the picture too, so it never outlives the drag.
        if (chart->BeginDirectDraw()) {
            DrawBox();
            chart->EndDirectDraw(false);
        }
        boxShown_ = false;
        chart->AutoRepaint = savedAutoRepaint_;
        chart->Invalidate();
    }
    firstMove_ = true;
    if (inertia_ > 0) {
        if (!inertiaTimer_) {
            inertiaTimer_ = std::make_unique<QTimer>();
            QObject::connect(inertiaTimer_.get(), &QTimer::timeout, [this] { InertiaTick(); });
        }
        inertiaTimer_->setInterval(1);
        inertiaTimer_->start();
    }
    if (cursorChanged_) {
        SetScreenCursor(savedCursor_);
        cursorChanged_ = false;
    }
}

TEventReply TRotateTool::HandleMouseEvent(TMouseEventKind kind, TMouseButton button, TShiftState, int x, int y)
{
    if (!ParentChart()) return TEventReply::PassOn;
    switch (kind) {
    case TMouseEventKind::Down:
        return button == button_ ? MouseDown(x, y) : TEventReply::PassOn;
    case TMouseEventKind::Move:
        if (!dragging_) return TEventReply::PassOn;
        MouseMove(x, y);
        return TEventReply::CancelChart;
    case TMouseEventKind::Up:
        if (!dragging_) return TEventReply::PassOn;
        MouseUp();
        return TEventReply::CancelChart;
    }
    return TEventReply::PassOn;
}

void TRotateTool::HandleChartEvent(TChartEventCode)
{
    if (inertia_ <= 0) return;
    if (std::fabs(rotationDelta_) <= 0.01 && std::fabs(elevationDelta_) <= 0.01) {
        StopInertia();
        return;
    }
    const double k = (100 - inertia_) * 0.001;
    rotationDelta_ = std::fabs(rotationDelta_) > 0.01 ? rotationDelta_ - rotationDelta_ * k : 0;
    elevationDelta_ = std::fabs(elevationDelta_) > 0.01 ? elevationDelta_ - elevationDelta_ * k : 0;
}

std::string TRotateTool::GetDescription() const { return DuvMsgToolRotate; }
std::string TRotateTool::GetSummary() const { return DuvMsgToolRotateSummary; }

void TRotateTool::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TRotateTool*>(source)) {
        button_ = other->button_;
        inertia_ = other->inertia_;
        inverted_ = other->inverted_;
        speed_ = other->speed_;
        style_ = other->style_;
    }
    TDuvCustomTool::Assign(source);
}

// ---------------------------------------------------------------- registration

namespace {

// The unit's tools in their registration order; a class still to be built has no entry yet.
struct TToolsUnitEntry {
    const char* Name;
    const TClassInfo* (*Class)();
};

template <class T>
const TClassInfo* ClassOf()
{
    return &T::StaticClass();
}

const TToolsUnitEntry ToolsUnitTable[] = {
    {"TCursorTool", nullptr},
    {"TDragMarksTool", nullptr},
    {"TAxisArrowTool", nullptr},
    {"TDrawLineTool", nullptr},
    {"TNearestTool", nullptr},
    {"TColorBandTool", nullptr},
    {"TColorLineTool", nullptr},
    {"TRotateTool", &ClassOf<TRotateTool>},
    {"TChartImageTool", nullptr},
    {"TMarksTipTool", nullptr},
    {"TAnnotationTool", &ClassOf<TAnnotationTool>},
    {"TGridBandTool", nullptr},
    {"TAxisScrollTool", nullptr},
    {"TRectangleTool", &ClassOf<TRectangleTool>},
    {"TClipSeriesTool", nullptr},
    {"TFullScreenTool", nullptr},
    {"TRepaintMonitor", nullptr},
    {"TAxisScrollBarTool", nullptr},
};

int ToolsUnitStarts = 0;

}  // namespace

std::vector<const TClassInfo*> DuvToolsClasses()
{
    std::vector<const TClassInfo*> classes;
    for (const TToolsUnitEntry& entry : ToolsUnitTable)
        if (entry.Class) classes.push_back(entry.Class());
    return classes;
}

void DuvToolsInitialization()
{
    if (ToolsUnitStarts++ > 0) return;
    RegisterClassForStreaming(TAnnotationCallout::StaticClass());
    RegisterToolClasses(DuvToolsClasses());
}

void DuvToolsFinalization()
{
    if (ToolsUnitStarts == 0 || --ToolsUnitStarts > 0) return;
    UnregisterToolClasses(DuvToolsClasses());
}
