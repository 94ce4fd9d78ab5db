#include "chart/engine/DuvPanelExtended.h"

#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvShadow.h"
#include "chart/graphics/GraphicClasses.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/ScopeGuard.h"

namespace {
constexpr TRect kDefaultPrintMargins{15, 15, 15, 15};

bool GradientHasTransparency(TDuvGradient& gradient)
{
    const TDuvGradientColors* colors = gradient.PeekColors();
    if (!colors) return false;
    for (int i = 0; i < colors->Count(); ++i)
        if (colors->Stop(i)->Transparency() > 0) return true;
    return false;
}
}  // namespace

// ---------------------------------------------------------------- zoom settings

TZoomSnapshot* TZoomSnapshots::Add()
{
    items_.push_back(std::make_unique<TZoomSnapshot>());
    return items_.back().get();
}

void TZoomSnapshots::Delete(int index) { items_.erase(items_.begin() + index); }

TDuvZoomPen::TDuvZoomPen(TChangeHandler changed)
{
    SetColor(clSilver);
    SetWidth(3);
    InitEndStyle(esFlat);
    OnChange = std::move(changed);
}

void TDuvZoomPen::DeclareProperties(TPropertyDeclarer<TDuvZoomPen>& p)
{
    p.Color("Color", &TPen::Color, &TPen::SetColor).Default(clSilver);
    p.Integer("Width", &TPen::Width, &TPen::SetWidth).Default(3);
}

TDuvZoomBrush::TDuvZoomBrush(TChangeHandler changed)
{
    InitColor(clWhite);
    SetStyle(bsClear);
    OnChange = std::move(changed);
}

void TDuvZoomBrush::DeclareProperties(TPropertyDeclarer<TDuvZoomBrush>& p)
{
    p.Enum("Style", &TBrush::Style, &TBrush::SetStyle).Default(bsClear);
}

TDuvZoom::~TDuvZoom() = default;

void TDuvZoom::DeclareProperties(TPropertyDeclarer<TDuvZoom>& p)
{
    p.Boolean("Allow", &TDuvZoom::Allow).Default(true);
    p.Boolean("Animated", &TDuvZoom::Animated).Default(false);
    p.Integer("AnimatedSteps", &TDuvZoom::AnimatedSteps).Default(8);
    p.Object("Brush", &TDuvZoom::GetBrush, &TDuvZoom::SetBrush).Peek(&TDuvZoom::PeekBrush);
    p.Enum("Direction", &TDuvZoom::Direction).Default(tzdBoth);
    p.Boolean("History", &TDuvZoom::History, &TDuvZoom::SetHistory).Default(false);
    p.Boolean("KeepAspectRatio", &TDuvZoom::KeepAspectRatio).Default(false);
    p.Set("KeyShift", &TDuvZoom::KeyShift).Default(TShiftState{});
    p.Integer("MinimumPixels", &TDuvZoom::MinimumPixels).Default(16);
    p.Enum("MouseButton", &TDuvZoom::MouseButton).Default(mbLeft);
    p.Enum("MouseWheel", &TDuvZoom::MouseWheel).Default(pmwNone);
    p.Object("Pen", &TDuvZoom::GetPen, &TDuvZoom::SetPen).Peek(&TDuvZoom::PeekPen);
    p.Boolean("UpLeftZooms", &TDuvZoom::UpLeftZooms).Default(false);
}

void TDuvZoom::SetHistory(bool value)
{
    history_ = value;
    if (!value && history_list_) history_list_->Clear();
}

TZoomSnapshots& TDuvZoom::ZoomHistory()
{
    if (!history_list_) history_list_ = std::make_unique<TZoomSnapshots>();
    return *history_list_;
}

TDuvZoomBrush* TDuvZoom::GetBrush()
{
    if (!brush_) brush_ = std::make_unique<TDuvZoomBrush>();
    return brush_.get();
}

void TDuvZoom::SetBrush(const TDuvBrush* value)
{
    if (value)
        GetBrush()->Assign(value);
    else
        brush_.reset();
}

TDuvZoomPen* TDuvZoom::GetPen()
{
    if (!pen_) pen_ = std::make_unique<TDuvZoomPen>();
    return pen_.get();
}

void TDuvZoom::SetPen(const TDuvPen* value)
{
    if (value)
        GetPen()->Assign(value);
    else
        pen_.reset();
}

void TDuvZoom::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TDuvZoom*>(source);
    if (!other) return;
    Allow = other->Allow;
    Animated = other->Animated;
    AnimatedSteps = other->AnimatedSteps;
    SetBrush(other->PeekBrush());
    Direction = other->Direction;
    FullRepaint = other->FullRepaint;
    SetHistory(other->History());
    KeepAspectRatio = other->KeepAspectRatio;
    KeyShift = other->KeyShift;
    // Copied too: a chart reset by assignment before loading a file must take the file's values
    // (or the defaults), not keep its previous ones.
    MinimumPixels = other->MinimumPixels;
    MouseButton = other->MouseButton;
    MouseWheel = other->MouseWheel;
    SetPen(other->PeekPen());
    UpLeftZooms = other->UpLeftZooms;
}

// ---------------------------------------------------------------- back image

void TBackImage::DeclareProperties(TPropertyDeclarer<TBackImage>& p)
{
    p.Integer("Bottom", &TBackImage::Bottom, &TBackImage::SetBottom).Default(0);
    p.Enum("DrawQuality", &TBackImage::DrawQuality, &TBackImage::SetDrawQuality).Default(sqHigh);
    p.Boolean("Inside", &TBackImage::Inside, &TBackImage::SetInside).Default(false);
    p.Integer("Left", &TBackImage::Left, &TBackImage::SetLeft).Default(0);
    p.Enum("Mode", &TBackImage::Mode, &TBackImage::SetMode).Default(pbmStretch);
    p.Integer("Right", &TBackImage::Right, &TBackImage::SetRight).Default(0);
    p.Integer("Top", &TBackImage::Top, &TBackImage::SetTop).Default(0);
}

void TBackImage::SetRect(const TRect& r)
{
    if (left_ == r.Left && top_ == r.Top && right_ == r.Right && bottom_ == r.Bottom) return;
    left_ = r.Left;
    top_ = r.Top;
    right_ = r.Right;
    bottom_ = r.Bottom;
    NotifyChanged();
}

void TBackImage::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TBackImage*>(source)) {
        bottom_ = other->bottom_;
        drawQuality_ = other->drawQuality_;
        inside_ = other->inside_;
        left_ = other->left_;
        mode_ = other->mode_;
        right_ = other->right_;
        top_ = other->top_;
    }
    TDuvPicture::Assign(source);
}

TRect TBackImage::ProjectRect(TCustomDuvPanelExtended& panel, const TRect& r, int z)
{
    TRect result;
    panel.Canvas().ProjectRect(r, z, result);
    if (!panel.View3D()) ++result.Top;
    return result;
}

void TBackImage::Draw(TCustomDuvPanelExtended& panel, const TRect& rect, int z)
{
    const QImage* filtered = GetFiltered();
    if (!filtered || filtered->isNull()) return;
    // The filters are worked out on each call: keep this drawing's result.
    const QImage graphic = *filtered;
    TCanvas3D& canvas = panel.Canvas();
    const TCanvasStretchQuality savedQuality = canvas.StretchQuality;
    canvas.StretchQuality = drawQuality_;
    const TScopeGuard quality([&canvas, savedQuality] { canvas.StretchQuality = savedQuality; });
    const bool orthogonal = panel.View3DOptions().Orthogonal();
    TRect r = rect;
    if (mode_ == pbmStretch) {
        if (z == 0) {
            canvas.StretchDraw(r, graphic);
        } else if (!orthogonal) {
            canvas.DrawImage3D(r, graphic, cpZ, z);
        } else {
            canvas.StretchDraw(ProjectRect(panel, r, z), graphic);
        }
        return;
    }
    const bool clipped = panel.ClippingAllowed();
    if (clipped) {
        if (z == 0)
            canvas.ClipToRect(r);
        else
            canvas.ClipCube(r, 0, panel.DepthWidth);
    }
    const TScopeGuard unclip([&canvas, clipped] {
        if (clipped) canvas.Unclip();
    });
    if (z != 0 && orthogonal) r = ProjectRect(panel, r, z);
    if (mode_ == pbmTile) {
        Tile(panel, graphic, r, z);
    } else {
        panel.DrawBorderAndFill(r);
        const int width = graphic.width(), height = graphic.height();
        if (mode_ == pbmCustom) {
            r.Left += left_;
            r.Top += top_;
            r.Right = r.Left + (right_ == 0 ? width : right_);
            r.Bottom = r.Top + (bottom_ == 0 ? height : bottom_);
        } else {
            const int dx = (width - (r.Right - r.Left)) / 2, dy = (height - (r.Bottom - r.Top)) / 2;
            InflateRectBy(r, dx, dy);
        }
        if (z != 0 && !orthogonal)
            canvas.DrawImage3D(r, graphic, cpZ, z);
        else if (right_ != 0 || bottom_ != 0)
            canvas.StretchDraw(r, graphic);
        else
            canvas.DrawGraphic(r.Left, r.Top, graphic);
    }
}

void TBackImage::Tile(TCustomDuvPanelExtended& panel, const QImage& graphic, const TRect& r, int z)
{
    const int width = graphic.width(), height = graphic.height();
    if (width <= 0 || height <= 0) return;
    TCanvas3D& canvas = panel.Canvas();
    const bool depth = z > 0 && !panel.View3DOptions().Orthogonal();
    for (int y = 0; y < r.Bottom - r.Top; y += height)
        for (int x = 0; x < r.Right - r.Left; x += width) {
            if (depth)
                canvas.DrawImage3D({r.Left + x, r.Top + y, r.Left + x + width, r.Top + y + height}, graphic, cpZ, z);
            else
                canvas.DrawGraphic(r.Left + x, r.Top + y, graphic);
        }
}

// ---------------------------------------------------------------- the panel

TCustomDuvPanelExtended::TCustomDuvPanelExtended(TComponent* owner)
    : TCustomDuvPanel(owner), zoom_(std::make_unique<TDuvZoom>())
{
}

TCustomDuvPanelExtended::~TCustomDuvPanelExtended() = default;

void TCustomDuvPanelExtended::DeclareProperties(TPropertyDeclarer<TCustomDuvPanelExtended>& p)
{
    using P = TCustomDuvPanelExtended;
    p.Enum("AllowPanning", &P::AllowPanning, &P::SetAllowPanning).Default(pmBoth);
    p.Object("BackImage", &P::GetBackImage, &P::SetBackImage).Peek(&P::PeekBackImage);
    // Older names of the back image's own settings: read, never written (the back image holds them).
    p.Boolean("BackImageInside", &P::BackImageInside, &P::SetBackImageInside).NotStored();
    p.Enum("BackImageMode", &P::BackImageMode, &P::SetBackImageMode).NotStored();
    p.Boolean("BackImageTransp", &P::BackImageTransp, &P::SetBackImageTransp).NotStored();
    p.Object("Gradient", &P::GetGradient, &P::SetGradient).Peek(&P::PeekGradient);
    p.Enum("ScrollMouseButton", &P::ScrollMouseButton, &P::SetScrollMouseButton).Default(mbRight);
    p.Object("Zoom", &P::Zoom, &P::SetZoom);
    p.Enum("ZoomWheel", &P::ZoomWheel, &P::SetZoomWheel).Default(pmwNone);
    p.Event("OnAfterDraw", &P::OnAfterDraw);
    p.Event("OnScroll", &P::OnScroll);
    p.Event("OnUndoZoom", &P::OnUndoZoom);
    p.Event("OnZoom", &P::OnZoom);
}

void TCustomDuvPanelExtended::SetZoom(const TDuvZoom* value)
{
    if (value) zoom_->Assign(value);
}

TDuvGradient* TCustomDuvPanelExtended::GetGradient()
{
    if (!gradient_) gradient_ = std::make_unique<TDuvGradient>([this](TObject*) { RefreshPanel(); });
    return gradient_.get();
}

void TCustomDuvPanelExtended::SetGradient(const TDuvGradient* value)
{
    if (value)
        GetGradient()->Assign(value);
    else
        gradient_.reset();
}

TBackImage* TCustomDuvPanelExtended::GetBackImage()
{
    if (!backImage_) {
        backImage_ = std::make_unique<TBackImage>();
        backImage_->OnChange = [this](TObject*) { RefreshPanel(); };
    }
    return backImage_.get();
}

void TCustomDuvPanelExtended::SetBackImage(const TDuvPicture* value)
{
    if (value) {
        GetBackImage()->Assign(value);
        return;
    }
    backImage_.reset();
    Invalidate();
}

bool TCustomDuvPanelExtended::HasBackImage() const { return backImage_ && backImage_->HasGraphic(); }

bool TCustomDuvPanelExtended::BackImageTransp() const
{
    return HasBackImage() && backImage_->GetGraphic()->Transparent();
}

void TCustomDuvPanelExtended::SetBackImageTransp(bool value)
{
    if (!HasBackImage() || BackImageTransp() == value) return;
    QImage image = *backImage_->Graphic();
    if (value) {
        // As a bitmap's automatic transparency: the colour of the bottom-left pixel is see-through.
        image = image.convertToFormat(QImage::Format_ARGB32);
        const QRgb key = image.pixel(0, image.height() - 1) & 0xFFFFFFu;
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if ((line[x] & 0xFFFFFFu) == key) line[x] = 0;
        }
    } else {
        image = image.convertToFormat(QImage::Format_RGB32);
    }
    backImage_->GetGraphic()->SetImage(image);
    backImage_->NotifyChanged();
}

TColor TCustomDuvPanelExtended::ParentOrOwnColor() const
{
    const TColor parent = Window() ? Window()->ParentBackground() : clNone;
    return parent == clNone ? Color() : parent;
}

TColor TCustomDuvPanelExtended::GetBackgroundColor()
{
    // An absent gradient is a hidden one: no need to make it.
    if (gradient_ && gradient_->Visible()) return gradient_->StartColor();
    return TCustomDuvPanel::GetBackgroundColor();
}

void TCustomDuvPanelExtended::DrawPanelBackground(const TRect& rect)
{
    TRect r = rect;
    TCanvas3D& canvas = Canvas();
    canvas.PushTransform("Panel", nullptr, nullptr);
    canvas.BeginNoRotation();
    const TScopeGuard restore([&canvas] {
        canvas.EndNoRotation();
        canvas.PopTransform();
    });
    if (!IsPrinting || PrintPanelDecorations) {
        if (Color() != clNone) {
            canvas.Brush().SetStyle(bsSolid);
            canvas.Brush().SetColor(PanelColorToRGB(ParentOrOwnColor()));
            if (TDuvGradient* gradient = canvas.Brush().PeekGradient()) gradient->SetVisible(false);
            canvas.ApplyBrush(canvas.Brush());
            canvas.Pen().SetStyle(psClear);
            canvas.ApplyPen();
            canvas.EraseBackground(r);
            DrawPanelShadow(Shadow(), false, r);
            DrawPanelShadow(Emboss(), true, r);
        }
        DrawBorderAndFill(r);
        if (HasBackImage() && !backImage_->Inside()) {
            DrawBackImage(r, 0);
            // A translucent gradient lies over the picture.
            if (gradient_ && gradient_->Visible() && GradientHasTransparency(*gradient_)) DrawBorderAndFill(r);
        }
        DrawBevels(r);
    }
}

void TCustomDuvPanelExtended::DrawPanelShadow(TDuvShadow& shadow, bool isEmboss, TRect& r)
{
    if (!shadow.IsActive()) return;
    const int h = shadow.HorizSize(), v = shadow.VertSize();
    if (!isEmboss) {
        if (h > 0) r.Right -= h + 1; else r.Left -= h + 1;
        if (v > 0) r.Bottom -= v + 1; else r.Top -= v + 1;
    } else {
        if (h > 0) r.Left += h + 1; else r.Right -= h + 1;
        if (v > 0) r.Top += v + 1; else r.Bottom -= v + 1;
    }
    Canvas().Pen().SetStyle(psClear);
    Canvas().ApplyPen();
    shadow.DrawRect(Canvas(), r, 0, BorderRound());
}

void TCustomDuvPanelExtended::DrawBorderAndFill(const TRect& r)
{
    if (IsPrinting && !PrintPanelDecorations) return;
    TColor color = ParentColor() && Window() ? ParentOrOwnColor() : Color();
    if (color != clNone) color = PanelColorToRGB(color);
    if (!Border().Visible() && color == clNone) return;
    TCanvas3D& canvas = Canvas();
    canvas.BeginNoRotation();
    const TScopeGuard rotation([&canvas] { canvas.EndNoRotation(); });
    canvas.AssignPenColor(Border(), Border().Color());
    if (gradient_ && gradient_->Visible())
        canvas.Brush().SetGradient(gradient_.get());
    else if (TDuvGradient* gradient = canvas.Brush().PeekGradient())
        gradient->SetVisible(false);
    FillPanelRect(r, color);
}

void TCustomDuvPanelExtended::FillPanelRect(const TRect& rect, TColor color)
{
    TCanvas3D& canvas = Canvas();
    TDuvBrush& brush = canvas.Brush();
    if (color == clNone) {
        brush.SetStyle(bsClear);
    } else {
        brush.SetStyle(bsSolid);
        brush.SetColor(color);
        brush.SetImage(nullptr);
    }
    canvas.ApplyBrush(brush);
    TRect r = rect;
    if (Border().Visible()) {
        BorderInset(r);
    } else {
        ++r.Right;
        ++r.Bottom;
    }
    if (BorderRound() < 1)
        canvas.Rectangle(r.Left, r.Top, r.Right, r.Bottom);
    else
        canvas.RoundRectCorners(r, BorderRound(), BorderRound(), nullptr);
}

void TCustomDuvPanelExtended::DrawBackImage(const TRect& r, int z)
{
    if (HasBackImage()) backImage_->Draw(*this, r, z);
}

void TCustomDuvPanelExtended::ApplyInvertingPen(TDuvPen& pen)
{
    const TColor back = GetBackgroundColor();
    TCanvas3D& canvas = Canvas();
    canvas.AssignPenColor(pen, (0xFFFFFF - back) ^ pen.Color());
    canvas.Pen().SetMode(pmNotXor);
    canvas.ApplyPen();
}

void TCustomDuvPanelExtended::DrawZoomRect()
{
    TCanvas3D& canvas = Canvas();
    if (TDuvZoomBrush* brush = zoom_->PeekBrush()) {
        TColor back = GetBackgroundColor();
        if (!zoom_->FullRepaint) back = brush->Color() ^ (0xFFFFFF - back);
        ApplyBrush(brush->Color(), *brush, back);
    } else {
        canvas.Brush().SetStyle(bsClear);
        canvas.ApplyBrush(canvas.Brush());
    }
    TDuvZoomPen& pen = *zoom_->GetPen();
    if (zoom_->FullRepaint || !canvas.CanDrawDirect()) {
        pen.SetMode(pmCopy);
        canvas.AssignPenColor(pen, pen.Color());
    } else {
        ApplyInvertingPen(pen);
    }
    canvas.Rectangle(zoom_->X0, zoom_->Y0, zoom_->X1, zoom_->Y1);
    if (!zoom_->FullRepaint) {
        canvas.Pen().SetMode(pmCopy);
        canvas.ApplyPen();
    }
}

void TCustomDuvPanelExtended::RedrawZoomRect()
{
    if (!zoom_->FullRepaint && Canvas().CanDrawDirect())
        DrawZoomRect();
    else
        Invalidate();
}

void TCustomDuvPanelExtended::UndoZoom()
{
    if (OnUndoZoom) OnUndoZoom(this);
    Invalidate();
    Zoomed = false;
}

void TCustomDuvPanelExtended::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TCustomDuvPanelExtended*>(source)) {
        SetBackImage(other->PeekBackImage());
        SetGradient(other->PeekGradient());
        allowPanning_ = other->allowPanning_;
        scrollMouseButton_ = other->scrollMouseButton_;
        zoom_->Assign(other->zoom_.get());
    }
    TCustomDuvPanel::Assign(source);
}

void TCustomDuvPanelExtended::DefineProperties(TFiler& filer)
{
    TCustomDuvPanel::DefineProperties(filer);
    filer.DefineReadOnlyProperty("AllowZoom", [this](TReader& reader) { zoom_->Allow = reader.ReadBoolean(); });
    filer.DefineReadOnlyProperty("AnimatedZoom", [this](TReader& reader) { zoom_->Animated = reader.ReadBoolean(); });
    filer.DefineReadOnlyProperty("AnimatedZoomSteps", [this](TReader& reader) {
        zoom_->AnimatedSteps = static_cast<int>(reader.ReadInteger());
    });
    filer.DefineProperty(
        "PrintMargins",
        [this](TReader& reader) {
            reader.ReadListBegin();
            int values[4] = {PrintMargins.Left, PrintMargins.Top, PrintMargins.Right, PrintMargins.Bottom};
            for (int i = 0; !reader.EndOfList(); ++i) {
                const auto value = static_cast<int>(reader.ReadInteger());
                if (i < 4) values[i] = value;
            }
            reader.ReadListEnd();
            PrintMargins = {values[0], values[1], values[2], values[3]};
        },
        [this](TWriter& writer) {
            writer.WriteListBegin();
            for (int value : {PrintMargins.Left, PrintMargins.Top, PrintMargins.Right, PrintMargins.Bottom})
                writer.WriteInteger(value);
            writer.WriteListEnd();
        },
        PrintMargins != kDefaultPrintMargins);
}
