#include "chart/engine/DuvPanel.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <typeinfo>

#include "chart/engine/DuvProcs.h"
#include "chart/graphics/BmpCodec.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvCanvas3D.h"
#include "chart/graphics/DuvFilterBase.h"
#include "chart/graphics/DuvHtml.h"
#include "chart/graphics/DuvPen.h"
#include "chart/graphics/DuvPicture.h"
#include "chart/graphics/DuvShadow.h"
#include "chart/graphics/Metafile.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/NumText.h"
#include "platform/core/SafeFile.h"
#include "platform/ui/Printers.h"
#include "platform/core/ScopeGuard.h"

std::string DefaultCanvasName;
bool ClipWhenPrinting = true;
bool ClipWhenMetafiling = true;
bool PrintPanelDecorations = true;
bool EraseBackground = false;

namespace {
int Rounded(double value) { return static_cast<int>(Rnd(value)); }
}  // namespace

TColor PanelColorToRGB(TColor color)
{
    if (color == clNone) return 0;
    const auto value = static_cast<std::uint32_t>(color);
    if (value >= 0xFF000000u && value <= 0xFF00001Eu) return FromQRgb(ToQColor(color).rgb());
    return color;
}

// ---------------------------------------------------------------- drag records

void TZoomPanning::Activate(int x, int y)
{
    X0 = X1 = x;
    Y0 = Y1 = y;
    Active = true;
}

void TZoomPanning::Check()
{
    if (X0 > X1) std::swap(X0, X1);
    if (Y0 > Y1) std::swap(Y0, Y1);
}

void TDuvPanning::DeclareProperties(TPropertyDeclarer<TDuvPanning>& p)
{
    p.Boolean("InsideBounds", &TDuvPanning::InsideBounds).Default(false);
    p.Enum("MouseWheel", &TDuvPanning::MouseWheel).Default(pmwNormal);
}

void TDuvPanning::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TDuvPanning*>(source)) {
        InsideBounds = other->InsideBounds;
        return;
    }
    TZoomPanning::Assign(source);
}

// ---------------------------------------------------------------- listeners

int TDuvEventListeners::Add(IPanelEventListener* listener)
{
    const auto found = std::find(items_.begin(), items_.end(), listener);
    if (found != items_.end()) return static_cast<int>(found - items_.begin());
    items_.push_back(listener);
    return Count() - 1;
}

int TDuvEventListeners::RemoveListener(IPanelEventListener* listener)
{
    const auto found = std::find(items_.begin(), items_.end(), listener);
    if (found == items_.end()) return -1;
    const int index = static_cast<int>(found - items_.begin());
    items_.erase(found);
    return index;
}

// ---------------------------------------------------------------- the captionless panel

TCustomPanelNoCaption::TCustomPanelNoCaption(TComponent* owner) : TComponent(owner) {}

void TCustomPanelNoCaption::DeclareProperties(TPropertyDeclarer<TCustomPanelNoCaption>& p)
{
    p.Integer("Left", &TCustomPanelNoCaption::Left, &TCustomPanelNoCaption::SetLeft);
    p.Integer("Top", &TCustomPanelNoCaption::Top, &TCustomPanelNoCaption::SetTop);
    p.Integer("Width", &TCustomPanelNoCaption::Width, &TCustomPanelNoCaption::SetWidth);
    p.Integer("Height", &TCustomPanelNoCaption::Height, &TCustomPanelNoCaption::SetHeight);
    p.Enum("Align", &TCustomPanelNoCaption::Align, &TCustomPanelNoCaption::SetAlign).Default(alNone);
    p.Set("Anchors", &TCustomPanelNoCaption::Anchors, &TCustomPanelNoCaption::SetAnchors)
        .Default(TAnchors{akLeft, akTop});
    p.Enum("BevelInner", &TCustomPanelNoCaption::BevelInner, &TCustomPanelNoCaption::SetBevelInner).Default(bvNone);
    p.Enum("BevelOuter", &TCustomPanelNoCaption::BevelOuter, &TCustomPanelNoCaption::SetBevelOuter)
        .Default(bvRaised);
    p.Integer("BevelWidth", &TCustomPanelNoCaption::BevelWidth, &TCustomPanelNoCaption::SetBevelWidth).Default(1);
    p.Integer("BorderWidth", &TCustomPanelNoCaption::BorderWidth, &TCustomPanelNoCaption::SetBorderWidth).Default(0);
    p.Color("Color", &TCustomPanelNoCaption::Color, &TCustomPanelNoCaption::SetColor).Default(clBtnFace);
    p.Boolean("ParentColor", &TCustomPanelNoCaption::ParentColor, &TCustomPanelNoCaption::SetParentColor)
        .Default(false);
    p.Boolean("Locked", &TCustomPanelNoCaption::Locked, &TCustomPanelNoCaption::SetLocked).Default(false);
    p.Integer("Cursor", &TCustomPanelNoCaption::Cursor, &TCustomPanelNoCaption::SetCursor).Default(crDefault);
    p.Boolean("TabStop", &TCustomPanelNoCaption::TabStop, &TCustomPanelNoCaption::SetTabStop).Default(false);
    p.Event("OnClick", &TCustomPanelNoCaption::OnClick);
    p.Event("OnDblClick", &TCustomPanelNoCaption::OnDblClick);
    p.Event("OnEnter", &TCustomPanelNoCaption::OnEnter);
    p.Event("OnExit", &TCustomPanelNoCaption::OnExit);
    p.Event("OnKeyDown", &TCustomPanelNoCaption::OnKeyDown);
    p.Event("OnKeyUp", &TCustomPanelNoCaption::OnKeyUp);
    p.Event("OnMouseDown", &TCustomPanelNoCaption::OnMouseDown);
    p.Event("OnMouseMove", &TCustomPanelNoCaption::OnMouseMove);
    p.Event("OnMouseUp", &TCustomPanelNoCaption::OnMouseUp);
    p.Event("OnMouseWheel", &TCustomPanelNoCaption::OnMouseWheel);
    p.Event("OnResize", &TCustomPanelNoCaption::OnResize);
}

void TCustomPanelNoCaption::SetBounds(int left, int top, int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    const bool resized = width != width_ || height != height_;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (resized) Resize();
}

void TCustomPanelNoCaption::SetColor(TColor value)
{
    parentColor_ = false;
    if (SetIfChanged(color_, value)) Invalidate();
}

void TCustomPanelNoCaption::SetBevelInner(TPanelBevel value)
{
    if (SetIfChanged(bevelInner_, value)) Invalidate();
}

void TCustomPanelNoCaption::SetBevelOuter(TPanelBevel value)
{
    if (SetIfChanged(bevelOuter_, value)) Invalidate();
}

void TCustomPanelNoCaption::SetBevelWidth(int value)
{
    // 0 is a bevel of no width: the chart properties dialog's bevel steps start from it.
    if (SetIfChanged(bevelWidth_, std::max(value, 0))) Invalidate();
}

void TCustomPanelNoCaption::SetBorderWidth(int value)
{
    if (SetIfChanged(borderWidth_, std::max(value, 0))) Invalidate();
}

void TCustomPanelNoCaption::SetCursor(TCursor value)
{
    if (!SetIfChanged(cursor_, value)) return;
    if (window_) window_->ShowCursor(value);
}

void TCustomPanelNoCaption::SetWindow(IPanelWindow* window) { window_ = window; }

void TCustomPanelNoCaption::Invalidate()
{
    if (window_) window_->RepaintWindow();
}

void TCustomPanelNoCaption::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TCustomPanelNoCaption::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TCustomPanelNoCaption::MouseMove(TShiftState shift, int x, int y)
{
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TCustomPanelNoCaption::Click()
{
    if (OnClick) OnClick(this);
}

void TCustomPanelNoCaption::DblClick()
{
    if (OnDblClick) OnDblClick(this);
}

bool TCustomPanelNoCaption::MouseWheel(TShiftState shift, int delta, int x, int y)
{
    bool handled = false;
    if (OnMouseWheel) OnMouseWheel(this, shift, delta, x, y, handled);
    return handled;
}

void TCustomPanelNoCaption::KeyDown(int& key, TShiftState shift)
{
    if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TCustomPanelNoCaption::KeyUp(int& key, TShiftState shift)
{
    if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TCustomPanelNoCaption::MouseLeave() {}

void TCustomPanelNoCaption::Resize()
{
    if (OnResize) OnResize(this);
}

void TCustomPanelNoCaption::SysColorChange() {}

// ---------------------------------------------------------------- the chart panel

TCustomDuvPanel::TCustomDuvPanel(TComponent* owner) : TCustomPanelNoCaption(owner)
{
    SetTabStop(true);
    TCustomPanelNoCaption::SetBounds(Left(), Top(), 400, 250);
    if (!DefaultCanvasName.empty() && !HasState(csLoading))
        defaultCanvas_ = ReadEditorString("DefaultCanvas", DefaultCanvasName);
    SelectCanvasClass();
    const TChangeHandler refresh = [this](TObject*) { RefreshPanel(); };
    view3DOptions_ = std::make_unique<TView3DOptions>(this, refresh);
    SavedCursor = Cursor();
    panning_ = std::make_unique<TDuvPanning>();
    shadow_ = std::make_unique<TDuvShadow>(refresh);
    emboss_ = std::make_unique<TDuvEmboss>(refresh);
    border_ = std::make_unique<TDuvHiddenPen>(refresh);
}

TCustomDuvPanel::~TCustomDuvPanel()
{
    SetStateFlags(csDestroying, true);
    DestroyComponents();
    canvas_.reset();
    filterPicture_.reset();
}

void TCustomDuvPanel::DeclareProperties(TPropertyDeclarer<TCustomDuvPanel>& p)
{
    p.Object("Border", &TCustomDuvPanel::Border, &TCustomDuvPanel::SetBorder);
    p.Integer("BorderRound", &TCustomDuvPanel::BorderRound, &TCustomDuvPanel::SetBorderRound).Default(0);
    p.Object("Emboss", &TCustomDuvPanel::Emboss, &TCustomDuvPanel::SetEmboss);
    p.Integer("MarginLeft", &TCustomDuvPanel::MarginLeft, &TCustomDuvPanel::SetMarginLeft).Default(3);
    p.Integer("MarginTop", &TCustomDuvPanel::MarginTop, &TCustomDuvPanel::SetMarginTop).Default(4);
    p.Integer("MarginRight", &TCustomDuvPanel::MarginRight, &TCustomDuvPanel::SetMarginRight).Default(3);
    p.Integer("MarginBottom", &TCustomDuvPanel::MarginBottom, &TCustomDuvPanel::SetMarginBottom).Default(4);
    p.Enum("MarginUnits", &TCustomDuvPanel::MarginUnits, &TCustomDuvPanel::SetMarginUnits).Default(muPercent);
    p.Object("Panning", &TCustomDuvPanel::Panning, &TCustomDuvPanel::SetPanning);
    p.Boolean("PrintProportional", &TCustomDuvPanel::PrintProportional, &TCustomDuvPanel::SetPrintProportional)
        .Default(true);
    p.Integer("PrintResolution", &TCustomDuvPanel::PrintResolution, &TCustomDuvPanel::SetPrintResolution)
        .Default(0);
    p.Object("Shadow", &TCustomDuvPanel::Shadow, &TCustomDuvPanel::SetShadow);
    p.Boolean("View3D", &TCustomDuvPanel::View3D, &TCustomDuvPanel::SetView3D).Default(true);
    p.Object("View3DOptions", &TCustomDuvPanel::View3DOptions, &TCustomDuvPanel::SetView3DOptions);
    p.Boolean("TabStop", &TCustomDuvPanel::TabStop, &TCustomDuvPanel::SetTabStop).Default(true);
}

void TCustomDuvPanel::SetBorder(const TDuvHiddenPen* value)
{
    if (value) border_->Assign(value);
}

void TCustomDuvPanel::SetBorderRound(int value)
{
    if (!SetIfChanged(borderRound_, value)) return;
    if (!HasState(csLoading)) SetBorderRegion();
    Invalidate();
}

void TCustomDuvPanel::SetEmboss(const TDuvEmboss* value)
{
    if (value) emboss_->Assign(value);
}

void TCustomDuvPanel::SetShadow(const TDuvShadow* value)
{
    if (value) shadow_->Assign(value);
}

void TCustomDuvPanel::SetView3DOptions(const TView3DOptions* value)
{
    if (value) view3DOptions_->Assign(value);
}

void TCustomDuvPanel::SetPanning(const TDuvPanning* value)
{
    if (value) panning_->Assign(value);
}

void TCustomDuvPanel::SetMarginUnits(TDuvUnits value)
{
    if (SetIfChanged(marginUnits_, value)) Invalidate();
}

void TCustomDuvPanel::SetView3D(bool value)
{
    if (!SetIfChanged(view3D_, value)) return;
    Invalidate();
    BroadcastEvent<TDuvView3DEvent>();
}

bool TCustomDuvPanel::Monochrome() const { return canvas_->GetMonochrome(); }
void TCustomDuvPanel::SetMonochrome(bool value) { canvas_->SetMonochrome(value); }
bool TCustomDuvPanel::BufferedDisplay() const { return canvas_->GetBufferedDisplay(); }
void TCustomDuvPanel::SetBufferedDisplay(bool value) { canvas_->SetBufferedDisplay(value); }

int TCustomDuvPanel::GetBorderStyle() const { return border_->Visible() ? bsSingle : bsNone; }
void TCustomDuvPanel::SetBorderStyle(int value) { border_->SetVisible(value == bsSingle); }

// ---------------------------------------------------------------- canvas

void TCustomDuvPanel::AttachCanvas()
{
    canvas_->SetCanvas(WindowCanvas);
    if (auto* gdi = dynamic_cast<TDuvCanvas3D*>(canvas_.get()))
        gdi->HasParentWindow = [this] { return HasParentWindow(); };
}

void TCustomDuvPanel::ReplaceCanvas(std::unique_ptr<TCanvas3D> canvas, const std::string& className)
{
    if (!canvas) return;
    canvasClassName_ = className;
    std::unique_ptr<TCanvas3D> old = std::move(canvas_);
    canvas_ = std::move(canvas);
    AttachCanvas();
    if (old) {
        const bool saved = AutoRepaint;
        AutoRepaint = false;
        canvas_->AssignSettings(*old);
        AutoRepaint = saved;
        old.reset();
    }
    defaultCanvas_ = canvasClassName_;
    if (AutoRepaint) Invalidate();
}

void TCustomDuvPanel::SelectCanvasClass()
{
    const TCanvasClass& chosen = FindCanvasClass(defaultCanvas_);
    if (canvas_ && canvasClassName_ == chosen.ClassName) return;
    canvas_.reset();
    canvas_ = chosen.Create();
    canvasClassName_ = chosen.ClassName;
    AttachCanvas();
}

TFilterItems* TCustomDuvPanel::GetFilters()
{
    if (!filterPicture_) {
        filterPicture_ = std::make_unique<TDuvPicture>();
        filterPicture_->GetFilters()->OnChange = [this](TObject*) { RefreshPanel(); };
    }
    return filterPicture_->GetFilters();
}

// ---------------------------------------------------------------- repaint helpers

void TCustomDuvPanel::Invalidate()
{
    if (!AutoRepaint) return;
    if (canvas_) canvas_->Invalidate();
    TCustomPanelNoCaption::Invalidate();
}

void TCustomDuvPanel::ChangeFlagAndRepaint(bool& field, bool value)
{
    if (SetIfChanged(field, value)) Invalidate();
}

void TCustomDuvPanel::ChangeColorAndRepaint(TColor& field, TColor value)
{
    if (SetIfChanged(field, value)) Invalidate();
}

void TCustomDuvPanel::ChangeIntegerAndRepaint(int& field, int value)
{
    if (SetIfChanged(field, value)) Invalidate();
}

void TCustomDuvPanel::ChangeFloatAndRepaint(double& field, double value)
{
    if (SetIfChanged(field, value)) Invalidate();
}

void TCustomDuvPanel::ChangeTextAndRepaint(std::string& field, const std::string& value)
{
    if (SetIfChanged(field, value)) Invalidate();
}

void TCustomDuvPanel::RefreshPanel() { Invalidate(); }

// ---------------------------------------------------------------- chart rectangle

int TCustomDuvPanel::BorderAndBevelWidth() const
{
    int width = BorderWidth();
    if (BevelInner() != bvNone) width += BevelWidth();
    if (BevelOuter() != bvNone) width += BevelWidth();
    if (border_->Visible()) width += border_->Width();
    return width;
}

void TCustomDuvPanel::ComputeChartRect()
{
    const int b = BorderAndBevelWidth();
    const auto pixels = [this](int margin, int size) { return marginUnits_ == muPixels ? margin : margin * size / 100; };
    const int width = PanelBounds.Right - PanelBounds.Left, height = PanelBounds.Bottom - PanelBounds.Top;
    ChartRect = {PanelBounds.Left + b + pixels(margins_.Left, width), PanelBounds.Top + b + pixels(margins_.Top, height),
                 PanelBounds.Right - b - pixels(margins_.Right, width),
                 PanelBounds.Bottom - b - pixels(margins_.Bottom, height)};
    if (shadow_->Visible()) {
        const int h = shadow_->HorizSize(), v = shadow_->VertSize();
        if (h > 0) ChartRect.Right -= h; else ChartRect.Left -= h;
        if (v > 0) ChartRect.Bottom -= v; else ChartRect.Top -= v;
    }
    if (emboss_->Visible()) {
        const int h = emboss_->HorizSize(), v = emboss_->VertSize();
        if (h > 0) ChartRect.Left += h; else ChartRect.Right += h;
        if (v > 0) ChartRect.Top += v; else ChartRect.Bottom += v;
    }
}

void TCustomDuvPanel::NormalizeChartRect()
{
    ChartRect.Left = std::max(ChartRect.Left, PanelBounds.Left);
    ChartRect.Top = std::max(ChartRect.Top, PanelBounds.Top);
    if (ChartRect.Right < ChartRect.Left)
        ChartRect.Right = ChartRect.Left + 1;
    else if (ChartRect.Right == ChartRect.Left)
        ChartRect.Right = ChartRect.Left + Width();
    if (ChartRect.Bottom < ChartRect.Top)
        ChartRect.Bottom = ChartRect.Top + 1;
    else if (ChartRect.Bottom == ChartRect.Top)
        ChartRect.Bottom = ChartRect.Top + Height();
    ChartWidth = ChartRect.Right - ChartRect.Left;
    ChartHeight = ChartRect.Bottom - ChartRect.Top;
    ChartXCenter = (ChartRect.Left + ChartRect.Right) / 2;
    ChartYCenter = (ChartRect.Top + ChartRect.Bottom) / 2;
}

void TCustomDuvPanel::FixChartRect(bool fixed)
{
    chartRectFixed_ = fixed;
    FixedChartRect = {};
}

bool TCustomDuvPanel::ClippingAllowed()
{
    if (canvas_->SupportsFullRotation() && view3D_) return false;
    const bool metafiling = canvas_->Metafiling;
    return (!IsPrinting && !metafiling) || (IsPrinting && ClipWhenPrinting) || (metafiling && ClipWhenMetafiling);
}

int TCustomDuvPanel::BorderInset(TRect& r) const
{
    if (border_->SmallDots()) return 1;
    const int d = border_->Width() - 1;
    if (d <= 0) return d;
    r.Left += (d + 1) / 2;
    r.Top += (d + 1) / 2;
    r.Right -= d / 2;
    r.Bottom -= d / 2;
    return d / 2;
}

// ---------------------------------------------------------------- drawing

TColor TCustomDuvPanel::GetBackgroundColor() { return PanelColorToRGB(Color()); }

void TCustomDuvPanel::DrawContents(const TRect&) {}

TRect TCustomDuvPanel::GetPanelRect() const
{
    if (Window()) return Window()->ClientRect();
    return {0, 0, Width(), Height()};
}

void TCustomDuvPanel::Paint(QPainter* windowCanvas)
{
    if (IsPrinting) return;
    WindowCanvas = windowCanvas;
    canvas_->SetCanvas(windowCanvas);
    // The painter lives only for this paint: nothing may keep it.
    const TScopeGuard detach([this] {
        canvas_->SetCanvas(nullptr);
        WindowCanvas = nullptr;
    });
    if (!canvas_->ReuseBuffer()) DrawFullPanel();
}

bool TCustomDuvPanel::BeginDirectDraw()
{
    // Only the plain GDI canvas draws straight into its buffer; others repaint.
    if (IsPrinting || typeid(*canvas_) != typeid(TDuvCanvas3D)) return false;
    return static_cast<TDuvCanvas3D&>(*canvas_).BeginDirectDraw();
}

void TCustomDuvPanel::EndDirectDraw(bool drawn)
{
    if (typeid(*canvas_) == typeid(TDuvCanvas3D)) static_cast<TDuvCanvas3D&>(*canvas_).EndDirectDraw();
    // The buffer stays current: the next paint shows it as it is.
    if (drawn && Window()) Window()->RepaintWindow();
}

void TCustomDuvPanel::DrawFullPanel()
{
    DrawToCanvas(WindowCanvas, Window() ? Window()->ClientRect() : GetPanelRect());
}

void TCustomDuvPanel::DrawToCanvas(QPainter* canvas, const TRect& r)
{
    // A drawing error reaches the caller: at run time the application's handler reports it.
    if (chartRectFixed_ && FixedChartRect == TRect{}) FixedChartRect = ChartRect;
    if (LoadedWidth == 0) LoadedWidth = Width();
    if (LoadedHeight == 0) LoadedHeight = Height();
    PanelBounds = canvas_->InitWindow(canvas, view3DOptions_.get(), PanelColorToRGB(Color()), view3D_, r);
    ComputeChartRect();
    if (chartRectFixed_) {
        ChartRect = FixedChartRect;
        if (IsPrinting) {
            ChartRect.Left += PanelBounds.Left;
            ChartRect.Right += PanelBounds.Left;
            ChartRect.Top += PanelBounds.Top;
            ChartRect.Bottom += PanelBounds.Top;
        }
    }
    NormalizeChartRect();
    DrawContents(PanelBounds);
    if (filterPicture_ && filterPicture_->GetFilters()->Count() > 0)
        if (auto* gdi = dynamic_cast<TDuvCanvas3D*>(canvas_.get()); gdi && gdi->BufferBitmap() && gdi->GetHandle()) {
            // The filters work on a copy: the buffer's painter stays valid.
            QImage filtered = gdi->BufferBitmap()->copy();
            filterPicture_->GetFilters()->ApplyAll(filtered);
            QPainter& device = *gdi->GetHandle();
            device.save();
            device.resetTransform();
            device.setClipping(false);
            device.setCompositionMode(QPainter::CompositionMode_Source);
            device.drawImage(0, 0, filtered);
            device.restore();
        }
    canvas_->ShowBuffer(canvas, WindowCanvas, r);
}

void TCustomDuvPanel::DrawToCanvasUnbuffered(QPainter* canvas, const TRect& r)
{
    QPainter* device = canvas_->ReferenceCanvas();
    const bool noOptions = canvas_->View3DOptions == nullptr;
    const bool buffered = canvas_->GetBufferedDisplay();
    auto* gdi = dynamic_cast<TDuvCanvas3D*>(canvas_.get());
    if (gdi) gdi->KeepBuffer = true;
    const TScopeGuard restore([&] {
        if (noOptions) canvas_->View3DOptions = nullptr;
        canvas_->SetBufferedDisplay(buffered);
        canvas_->SetCanvas(device);
        if (gdi) gdi->KeepBuffer = false;
        if (!buffered) Invalidate();
    });
    canvas_->SetBufferedDisplay(false);
    const bool repaint = AutoRepaint;
    AutoRepaint = false;
    const TScopeGuard repaintBack([&] { AutoRepaint = repaint; });
    DrawToCanvas(canvas, r);
}

void TCustomDuvPanel::DrawWhileMetafiling(QPainter* canvas, const TRect& r)
{
    canvas_->Metafiling = true;
    const TScopeGuard clear([this] { canvas_->Metafiling = false; });
    DrawToCanvasUnbuffered(canvas, r);
}

void TCustomDuvPanel::DrawBevels(const TRect& rect)
{
    if (IsPrinting && !PrintPanelDecorations) return;
    if (BevelOuter() == bvNone && BevelInner() == bvNone && BorderWidth() == 0) return;
    TRect r = rect;
    TDuvPen& pen = canvas_->Pen();
    pen.SetStyle(psSolid);
    pen.SetWidth(1);
    pen.SetMode(pmCopy);
    pen.SetSmallDots(false);
    canvas_->AssignPenColor(pen, pen.Color());
    canvas_->BeginNoRotation();
    if (border_->Visible()) {
        const int inset = BorderInset(r) + (border_->SmallDots() ? 0 : 1);
        InflateRectBy(r, -inset, -inset);
    }
    DrawBevelFrame(*canvas_, BevelOuter(), r, borderRound_, BevelWidth());
    if (BorderWidth() > 0) canvas_->Frame3D(r, Color(), Color(), BorderWidth());
    DrawBevelFrame(*canvas_, BevelInner(), r, borderRound_, BevelWidth());
    canvas_->EndNoRotation();
}

void TCustomDuvPanel::DrawBevelFrame(TCanvas3D& canvas, TPanelBevel bevel, TRect& r, int radius, int width)
{
    if (bevel == bvNone) return;
    constexpr TColor highlight = clWhite;
    constexpr TColor shadow = 0xA0A0A0;
    width = std::min({width, (r.Bottom - r.Top) / 2, (r.Right - r.Left) / 2});
    if (radius > 0) {
        canvas.Pen().SetColor(bevel == bvLowered ? shadow : highlight);
        canvas.ApplyPen();
        InflateRectBy(r, -1, -1);
        canvas.Brush().SetStyle(bsClear);
        canvas.ApplyBrush(canvas.Brush());
        canvas.RoundRectCorners(r, radius, radius, nullptr);
        InflateRectBy(r, -width, -width);
        return;
    }
    switch (bevel) {
    case bvLowered: canvas.Frame3D(r, shadow, highlight, width); break;
    case bvRaised: canvas.Frame3D(r, highlight, shadow, width); break;
    default: canvas.Frame3D(r, highlight, highlight, width); break;
    }
}

void TCustomDuvPanel::ApplyBrush(TColor foreColor, TDuvBrush& brush, TColor backColor)
{
    if (brush.Style() != bsSolid && foreColor == backColor) foreColor = backColor == clBlack ? clWhite : clBlack;
    canvas_->AssignBrushColor(brush, foreColor, backColor);
}

void TCustomDuvPanel::AssignPanelFont(TDuvFont& font)
{
    if (view3D_)
        canvas_->AssignFontZoomed(font);
    else
        canvas_->AssignFont(font);
}

int TCustomDuvPanel::FontHeightOf(TDuvFont& font)
{
    AssignPanelFont(font);
    return canvas_->FontHeight();
}

void TCustomDuvPanel::MeasureTextLines(const std::string& text, bool html, TSize& size, int& lines)
{
    size = {0, 0};
    lines = 0;
    int plainHeight = -1;
    const auto measure = [&](const std::string& line) {
        TSize extent;
        if (html) {
            extent = MeasureHtmlText(*canvas_, line);
        } else {
            if (plainHeight < 0) plainHeight = canvas_->TextHeight("W");
            extent = {canvas_->TextWidth(line), plainHeight};
        }
        size.cx = std::max(size.cx, extent.cx);
        size.cy += extent.cy;
        ++lines;
    };
    std::string rest = text;
    for (std::size_t at = rest.find(kLineSeparator); at != std::string::npos; at = rest.find(kLineSeparator)) {
        measure(rest.substr(0, at));
        rest.erase(0, at + 1);
        if (!rest.empty() && rest[0] == '\n') rest.erase(0, 1);
    }
    if (!rest.empty()) measure(rest);
}

int TCustomDuvPanel::TextLinesWidth(const std::string& text, int& lines, bool html)
{
    TSize size;
    MeasureTextLines(text, html, size, lines);
    return size.cx;
}

// ---------------------------------------------------------------- events

void TCustomDuvPanel::AddListener(IPanelEventListener* listener) { listeners_.Add(listener); }

void TCustomDuvPanel::RemoveListener(IPanelEventListener* listener) { listeners_.RemoveListener(listener); }

void TCustomDuvPanel::DispatchEvent(TDuvEvent& event)
{
    if (HasState(csDestroying)) return;
    event.Sender = this;
    auto* mouse = dynamic_cast<TDuvMouseEvent*>(&event);
    for (int i = 0; i < listeners_.Count(); ++i) {
        if (mouse && mouse->Taken()) break;
        listeners_.Get(i)->PanelEvent(event);
    }
}

void TCustomDuvPanel::ReplyToMouse(TEventReply reply)
{
    if (mouseEvent_) mouseEvent_->Reply = reply;
}

TPanelMouseScope::TPanelMouseScope(TCustomDuvPanel& panel, TDuvMouseEvent& event)
    : panel_(panel), outer_(panel.mouseEvent_)
{
    event.Sender = &panel;
    panel.mouseEvent_ = &event;
}

TPanelMouseScope::~TPanelMouseScope() { panel_.mouseEvent_ = outer_; }

void TCustomDuvPanel::RunMouseEvent(TDuvMouseEvent& event)
{
    const TPanelMouseScope scope(*this, event);
    RouteMouse(event);
}

void TCustomDuvPanel::RouteMouse(TDuvMouseEvent& event)
{
    switch (event.Event) {
    case TMouseEventKind::Down: TCustomPanelNoCaption::MouseDown(event.Button, event.Shift, event.X, event.Y); break;
    case TMouseEventKind::Up: TCustomPanelNoCaption::MouseUp(event.Button, event.Shift, event.X, event.Y); break;
    case TMouseEventKind::Move: TCustomPanelNoCaption::MouseMove(event.Shift, event.X, event.Y); break;
    }
    if (!event.Taken()) DispatchEvent(event);
}

// ---------------------------------------------------------------- pictures

std::unique_ptr<TMetafile> TCustomDuvPanel::RenderMetafile(bool enhanced, const TRect& r)
{
    auto metafile = std::make_unique<TMetafile>();
    metafile->SetEnhanced(enhanced);
    metafile->SetSize(std::max(1, r.Right - r.Left), std::max(1, r.Bottom - r.Top));
    QPainter painter(metafile.get());
    DrawWhileMetafiling(&painter, r);
    painter.end();
    return metafile;
}

std::unique_ptr<TMetafile> TCustomDuvPanel::RenderMetafile(bool enhanced)
{
    return RenderMetafile(enhanced, GetPanelRect());
}

void TCustomDuvPanel::SaveAsWMF(const std::string& fileName) { SaveMetafileFile(false, fileName, GetPanelRect()); }

void TCustomDuvPanel::SaveAsEMF(const std::string& fileName) { SaveMetafileFile(true, fileName, GetPanelRect()); }

void TCustomDuvPanel::SaveMetafileFile(bool enhanced, const std::string& fileName, const TRect& r)
{
    RenderMetafile(enhanced, r)->SaveToFile(fileName);
}

void TCustomDuvPanel::CopyMetafileToClipboard(bool enhanced) { CopyMetafileToClipboardRect(enhanced, GetPanelRect()); }

void TCustomDuvPanel::CopyMetafileToClipboardRect(bool enhanced, const TRect& r)
{
    const std::unique_ptr<TMetafile> metafile = RenderMetafile(enhanced, r);
    // Programs that take no metafile get the picture as a bitmap beside it.
    const std::unique_ptr<QImage> bitmap = RenderBitmap(Color(), r, 0);
    auto* data = new QMimeData;
    data->setImageData(*bitmap);
    data->setData(enhanced ? "image/emf" : "image/x-wmf", metafile->SaveToBytes());
    QGuiApplication::clipboard()->setMimeData(data);
}

std::unique_ptr<QImage> TCustomDuvPanel::RenderBitmap(TColor backColor, const TRect& r, int resolution,
                                                      QImage::Format format)
{
    const int width = std::max(r.Right - r.Left, 1), height = std::max(r.Bottom - r.Top, 1);
    auto bitmap = std::make_unique<QImage>();
    const QImage::Format device = QImage::Format_RGB32;
    if (canvas_ && backColor == Color() && canvas_->CopyBufferTo(*bitmap, r)) {
        if (format != QImage::Format_Invalid && bitmap->format() != format) *bitmap = bitmap->convertToFormat(format);
    } else {
        *bitmap = QImage(width, height, format == QImage::Format_Invalid ? device : format);
        bitmap->fill(Qt::white);
        if (backColor != clWhite) {
            const TColor fill = PanelColorToRGB(backColor == clDefault ? Color() : backColor);
            QPainter painter(bitmap.get());
            painter.fillRect(QRect(r.Left, r.Top, width, height), ToQColor(fill));
        }
        QPainter painter(bitmap.get());
        DrawToCanvasUnbuffered(&painter, r);
    }
    if (backColor == clNone || backColor == clSystemColor) {
        // Pixels still of the back colour show what lies behind the picture.
        const QRgb key = ToQColor(PanelColorToRGB(backColor)).rgb();
        QImage transparent = bitmap->convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < transparent.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(transparent.scanLine(y));
            for (int x = 0; x < transparent.width(); ++x)
                if ((line[x] & 0xFFFFFFu) == (key & 0xFFFFFFu)) line[x] = 0;
        }
        *bitmap = std::move(transparent);
    }
    if (resolution > 0) SetBitmapResolution(*bitmap, resolution);
    return bitmap;
}

std::unique_ptr<QImage> TCustomDuvPanel::CreatePanelBitmap() { return RenderBitmap(Color(), GetPanelRect(), 0); }

void TCustomDuvPanel::SaveAsBitmapFile(const std::string& fileName) { SaveBitmapFileRect(fileName, GetPanelRect()); }

void TCustomDuvPanel::SaveBitmapFileRect(const std::string& fileName, const TRect& r)
{
    WriteFileSafely(fileName, WriteBitmapData(*RenderBitmap(clWhite, r, 0)));
}

void TCustomDuvPanel::CopyBitmapToClipboard() { CopyBitmapToClipboardRect(GetPanelRect()); }

void TCustomDuvPanel::CopyBitmapToClipboardRect(const TRect& r)
{
    QGuiApplication::clipboard()->setImage(*RenderBitmap(Color(), r, 0));
}

// ---------------------------------------------------------------- printing

TRect TCustomDuvPanel::PrinterDrawRect()
{
    if (printProportional_) ProportionalPrintMargins();
    TPrinter& printer = Printer();
    return PrintRectFromMargins(printer.PageWidth(), printer.PageHeight());
}

TRect TCustomDuvPanel::PrintRectFromMargins(int width, int height) const
{
    return {Rounded(PrintMargins.Left * (width * 0.01)), Rounded(PrintMargins.Top * (height * 0.01)),
            width - Rounded((width * 0.01) * PrintMargins.Right), height - Rounded((height * 0.01) * PrintMargins.Bottom)};
}

int TCustomDuvPanel::ProportionalMargin(int a, int b, double x, double q) const
{
    const int margin = Rounded((b - (a - a * 30 * 0.01) * x * q) * 100 / b) / 2;
    // A panel more elongated than the page would give a negative margin: the page rectangle would
    // leave the page.
    return std::max(margin, 0);
}

void TCustomDuvPanel::ProportionalPrintMargins()
{
    const TRect panel = GetPanelRect();
    const int w = panel.Right - panel.Left, h = panel.Bottom - panel.Top;
    if (w <= 0 || h <= 0) return;
    int pageWidth = 0, pageHeight = 0;
    double ratio = 1;
    try {
        TPrinter& printer = Printer();
        pageWidth = printer.PageWidth();
        pageHeight = printer.PageHeight();
        ratio = static_cast<double>(printer.LogPixelsX()) / printer.LogPixelsY();
    } catch (const EPrinter&) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QSize size = screen ? screen->size() : QSize(1024, 768);
        pageWidth = size.width();
        pageHeight = size.height();
        ratio = 1;
    }
    if (h < w) {
        PrintMargins.Left = PrintMargins.Right = 15;
        PrintMargins.Top = PrintMargins.Bottom = ProportionalMargin(pageWidth, pageHeight, static_cast<double>(h) / w, ratio);
    } else {
        PrintMargins.Top = PrintMargins.Bottom = 15;
        PrintMargins.Left = PrintMargins.Right = ProportionalMargin(pageHeight, pageWidth, static_cast<double>(w) / h, ratio);
    }
}

void TCustomDuvPanel::ApplyPrintResolution(int& width, int& height) const
{
    width = Width() - Rounded(Width() * printResolution_ * 0.01);
    height = Height() - Rounded(Height() * printResolution_ * 0.01);
}

void TCustomDuvPanel::PrintPartialCanvas(QPainter* canvas, const TRect& rect)
{
    const TRect r = OrientRectValues(rect.Left, rect.Top, rect.Right, rect.Bottom);
    const int w = r.Right - r.Left, h = r.Bottom - r.Top;
    // Nothing to print on, and the scaling below would divide by zero.
    if (!canvas || w == 0 || h == 0) return;
    int rw = 0, rh = 0;
    ApplyPrintResolution(rw, rh);
    const TRect logical{Rounded(static_cast<double>(r.Left) * rw / w), Rounded(static_cast<double>(r.Top) * rh / h),
                        Rounded(static_cast<double>(r.Right) * rw / w), Rounded(static_cast<double>(r.Bottom) * rh / h)};
    canvas->save();
    const TScopeGuard mapping([canvas] { canvas->restore(); });
    canvas->setWindow(0, 0, rw, rh);
    canvas->setViewport(0, 0, w, h);
    QPainter* device = canvas_->ReferenceCanvas();
    canvas_->SetCanvas(canvas);
    IsPrinting = true;
    const TScopeGuard printing([this, device] {
        IsPrinting = false;
        canvas_->SetCanvas(device);
    });
    const bool clipped = ClippingAllowed();
    if (clipped) canvas_->ClipToRect(logical);
    const TScopeGuard unclip([this, clipped, canvas] {
        if (!clipped) return;
        canvas_->SetCanvas(canvas);
        canvas_->Unclip();
    });
    if (OnBeforePrint) OnBeforePrint(this, canvas, logical);
    DrawWhileMetafiling(canvas, logical);
}

void TCustomDuvPanel::PrintInRect(const TRect& r) { PrintPartialCanvas(Printer().Canvas(), r); }

// ---------------------------------------------------------------- streaming and copying

void TCustomDuvPanel::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TCustomDuvPanel*>(source);
    if (!other) {
        TCustomPanelNoCaption::Assign(source);
        return;
    }
    SetBevelInner(other->BevelInner());
    SetBevelOuter(other->BevelOuter());
    SetBevelWidth(other->BevelWidth());
    border_->Assign(other->border_.get());
    SetBorderRound(other->BorderRound());
    SetBufferedDisplay(other->BufferedDisplay());
    SetColor(other->Color());
    emboss_->Assign(other->emboss_.get());
    margins_ = other->margins_;
    marginUnits_ = other->marginUnits_;
    SetMonochrome(other->Monochrome());
    panning_->Assign(other->panning_.get());
    PrintMargins = other->PrintMargins;
    printProportional_ = other->printProportional_;
    printResolution_ = other->printResolution_;
    shadow_->Assign(other->shadow_.get());
    view3D_ = other->view3D_;
    view3DOptions_->Assign(other->view3DOptions_.get());
}

void TCustomDuvPanel::AssignTo(TPersistent* dest) const { TCustomPanelNoCaption::AssignTo(dest); }

void TCustomDuvPanel::DefineProperties(TFiler& filer)
{
    TCustomPanelNoCaption::DefineProperties(filer);
    filer.DefineReadOnlyProperty("BorderStyle",
                                 [this](TReader& reader) { SetBorderStyle(reader.ReadIdent() == "bsSingle" ? bsSingle : bsNone); });
    filer.DefineProperty(
        "DefaultCanvas", [this](TReader& reader) { defaultCanvas_ = reader.ReadString(); },
        [this](TWriter& writer) { writer.WriteString(defaultCanvas_); }, true);
}

void TCustomDuvPanel::ReadState(TReader& reader)
{
    AutoRepaint = false;
    const TScopeGuard repaint([this] {
        AutoRepaint = true;
        Invalidate();
    });
    TCustomPanelNoCaption::ReadState(reader);
}

void TCustomDuvPanel::Loaded()
{
    TCustomPanelNoCaption::Loaded();
    if (!defaultCanvas_.empty()) SelectCanvasClass();
    if (!canvas_ || !canvas_->IsSupported()) {
        ReplaceCanvas(std::make_unique<TDuvCanvas3D>(), "TDuvCanvas3D");
    }
    SavedCursor = Cursor();
    if (borderRound_ > 0) SetBorderRegion();
    LoadedWidth = Width();
    LoadedHeight = Height();
}

void TCustomDuvPanel::SetBounds(int left, int top, int width, int height)
{
    TCustomPanelNoCaption::SetBounds(left, top, width, height);
}

// ---------------------------------------------------------------- forwarded input

void TCustomDuvPanel::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TDuvMouseEvent event(TMouseEventKind::Down, button, shift, x, y);
    RunMouseEvent(event);
    if (IPanelWindow* window = Window(); window && TabStop() && window->CanFocus() && !window->Focused() &&
                                         !window->ParentFocused())
        window->TakeFocus();
}

void TCustomDuvPanel::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TDuvMouseEvent event(TMouseEventKind::Up, button, shift, x, y);
    RunMouseEvent(event);
}

void TCustomDuvPanel::MouseMove(TShiftState shift, int x, int y)
{
    TDuvMouseEvent event(TMouseEventKind::Move, mbLeft, shift, x, y);
    RunMouseEvent(event);
}

void TCustomDuvPanel::DblClick()
{
    // The double click has an answer of its own: a handler that takes it ends the double click.
    TDuvMouseEvent event;
    event.Shift = TShiftState{ssDouble};
    const TPanelMouseScope scope(*this, event);
    TCustomPanelNoCaption::DblClick();
    if (event.Taken()) throw EAbort();
}

void TCustomDuvPanel::MouseLeave()
{
    SetCursor(SavedCursor);
    if (panning_->InsideBounds) panning_->Active = false;
    BroadcastEvent<TMouseLeaveEvent>();
    TCustomPanelNoCaption::MouseLeave();
}

void TCustomDuvPanel::Resize()
{
    if (!HasState(csLoading)) {
        if (borderRound_ > 0) SetBorderRegion();
        if (view3DOptions_ && view3DOptions_->ZoomText() == ztAuto && LoadedWidth > 0 && LoadedHeight > 0)
            view3DOptions_->SetFontZoom(100 + std::max(Rounded(100.0 * (Width() - LoadedWidth) / LoadedWidth),
                                                       Rounded(100.0 * (Height() - LoadedHeight) / LoadedHeight)));
    }
    TCustomPanelNoCaption::Resize();
}

void TCustomDuvPanel::SysColorChange()
{
    TCustomPanelNoCaption::SysColorChange();
    Invalidate();
}

void TCustomDuvPanel::SetBorderRegion()
{
    if (RegionBusy || !Window()) return;
    RegionBusy = true;
    const TScopeGuard free([this] { RegionBusy = false; });
    Window()->SetRoundRegion(borderRound_ > 0 ? borderRound_ : 0);
    Window()->RepaintWindow();
}

// ---------------------------------------------------------------- module

void DuvPanelInitialization() { DefaultCanvasName = "TGDIPlusCanvas"; }

void DuvPanelFinalization() { DefaultCanvasName.clear(); }
