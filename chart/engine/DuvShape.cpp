#include "chart/engine/DuvShape.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "chart/engine/DuvProcs.h"
#include "chart/graphics/DuvBasePath.h"
#include "chart/graphics/DuvFilterBase.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"

// ---------------------------------------------------------------- brush, pen and panel

TDuvCustomShapeBrushPen::TDuvCustomShapeBrushPen() : TDuvCustomShapeBrushPen(std::make_unique<TDuvBrush>()) {}

TDuvCustomShapeBrushPen::TDuvCustomShapeBrushPen(std::unique_ptr<TDuvBrush> brush)
    : brush_(std::move(brush)), pen_(std::make_unique<TDuvPen>())
{
    brush_->OnChange = [this](TObject* sender) { CanvasChanged(sender); };
    pen_->OnChange = [this](TObject* sender) { CanvasChanged(sender); };
}

TDuvCustomShapeBrushPen::~TDuvCustomShapeBrushPen() = default;

void TDuvCustomShapeBrushPen::SetBrush(const TDuvBrush* value) { brush_->Assign(value); }

void TDuvCustomShapeBrushPen::SetPen(const TDuvPen* value) { pen_->Assign(value); }

void TDuvCustomShapeBrushPen::SetVisible(bool value)
{
    if (parent_)
        parent_->ChangeFlagAndRepaint(visible_, value);
    else
        visible_ = value;
}

void TDuvCustomShapeBrushPen::InitVisible(bool value)
{
    visible_ = value;
    defaultVisible_ = value;
}

void TDuvCustomShapeBrushPen::SetTransform(std::unique_ptr<TDuvTransform> value) { transform_ = std::move(value); }

void TDuvCustomShapeBrushPen::InvalidateParent()
{
    if (parent_) parent_->Invalidate();
}

void TDuvCustomShapeBrushPen::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TDuvCustomShapeBrushPen*>(source)) {
        brush_->Assign(other->brush_.get());
        pen_->Assign(other->pen_.get());
        visible_ = other->visible_;
        return;
    }
    TPersistent::Assign(source);
}

// ---------------------------------------------------------------- callout

void TShapeCallout::DeclareProperties(TPropertyDeclarer<TShapeCallout>& p)
{
    using C = TShapeCallout;
    p.Integer("PointPosition", &C::PointPosition, &C::SetPointPosition).Default(50);
    p.Integer("Position", &C::Position, &C::SetPosition).Default(50);
    p.Enum("Side", &C::Side, &C::SetSide).Default(csNone);
    p.Integer("Size", &C::Size, &C::SetSize).Default(25);
    p.Integer("Width", &C::Width, &C::SetWidth).Default(20);
}

void TShapeCallout::Changed()
{
    if (owner_) owner_->InvalidateParent();
}

void TShapeCallout::SetPosition(int value)
{
    if (SetIfChanged(position_, value)) Changed();
}

void TShapeCallout::SetSide(TShapeCalloutSide value)
{
    if (SetIfChanged(side_, value)) Changed();
}

void TShapeCallout::SetSize(int value)
{
    if (SetIfChanged(size_, value)) Changed();
}

void TShapeCallout::SetWidth(int value)
{
    if (SetIfChanged(width_, value)) Changed();
}

void TShapeCallout::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TShapeCallout*>(source)) {
        pointPosition_ = other->pointPosition_;
        position_ = other->position_;
        side_ = other->side_;
        size_ = other->size_;
        width_ = other->width_;
        return;
    }
    TPersistent::Assign(source);
}

namespace {

int Percent(int length, int percent, double scale) { return static_cast<int>(Rnd(length * percent * scale)); }

enum TCorner { cTopLeft, cTopRight, cBottomRight, cBottomLeft };

void CornerArc(TDuvBasePath& path, const TRect& r, int radius, TCorner corner)
{
    const float rr = static_cast<float>(radius);
    switch (corner) {
    case cTopLeft: path.AddArc(r.Left, r.Top, rr, rr, 180, 90); break;
    case cTopRight: path.AddArc(r.Right - rr, r.Top, rr, rr, 270, 90); break;
    case cBottomRight: path.AddArc(r.Right - rr, r.Bottom - rr, rr, rr, 0, 90); break;
    case cBottomLeft: path.AddArc(r.Left, r.Bottom - rr, rr, rr, 90, 90); break;
    }
}

// A corner: its arc with a radius, else its point.
void Corner(TDuvBasePath& path, const TRect& r, int radius, TCorner corner)
{
    if (radius > 0) {
        CornerArc(path, r, radius, corner);
        return;
    }
    switch (corner) {
    case cTopLeft: path.MoveTo(r.Left, r.Top); break;
    case cTopRight: path.LineTo(r.Right, r.Top); break;
    case cBottomRight: path.LineTo(r.Right, r.Bottom); break;
    case cBottomLeft: path.LineTo(r.Left, r.Bottom); break;
    }
}

}  // namespace

std::unique_ptr<TDuvBasePath> TShapeCallout::BuildPath(TDuvCanvas& canvas, const TRect& r, int radius) const
{
    std::unique_ptr<TDuvBasePath> path = canvas.CreatePath();
    // A path's first arc would otherwise be joined to the canvas origin.
    if (radius > 0) path->MoveTo(r.Left, r.Top + radius / 2.0f);
    Corner(*path, r, radius, cTopLeft);
    if (side_ == csTop)
        HorizontalSide(*path, r, radius, -1, r.Top);
    else
        Corner(*path, r, radius, cTopRight);
    if (side_ == csRight)
        VerticalSide(*path, r, radius, 1, r.Right);
    else
        Corner(*path, r, radius, cBottomRight);
    if (side_ == csBottom)
        HorizontalSide(*path, r, radius, 1, r.Bottom);
    else
        Corner(*path, r, radius, cBottomLeft);
    if (side_ == csLeft)
        VerticalSide(*path, r, radius, -1, r.Left);
    else
        path->CloseFigure();
    return path;
}

// The side's start joins the previous corner with a line: a move would open a second figure
// and leave the body unfilled between them.
void TShapeCallout::HorizontalSide(TDuvBasePath& path, const TRect& r, int radius, int direction, int y) const
{
    const bool top = direction < 0;
    const int length = r.Right - r.Left;
    const int height = r.Bottom - r.Top;
    if (radius > 0) path.LineTo(top ? r.Left + radius : r.Right - radius, y);
    int e = top ? r.Right - Percent(length, position_, 0.01) : r.Left + Percent(length, position_, 0.01);
    const int g = Percent(length, width_, 0.005);
    if (e - g < r.Left + radius) e = r.Left + radius + g;
    if (e + g > r.Right) e = r.Right - g;
    const int tipY = y + direction * Percent(height, size_, 0.01);
    path.LineTo(top ? e - g : e + g, y);
    path.LineTo(e, tipY);
    path.LineTo(top ? e + g : e - g, y);
    path.LineTo(top ? r.Right - radius : r.Left + radius, y);
    if (radius >= 1) CornerArc(path, r, radius, top ? cTopRight : cBottomLeft);
}

void TShapeCallout::VerticalSide(TDuvBasePath& path, const TRect& r, int radius, int direction, int x) const
{
    const bool right = direction > 0;
    const int length = r.Bottom - r.Top;
    const int width = r.Right - r.Left;
    if (radius > 0) path.LineTo(x, right ? r.Top + radius : r.Bottom - radius);
    int e = right ? r.Bottom - Percent(length, position_, 0.01) : r.Top + Percent(length, position_, 0.01);
    const int g = Percent(length, width_, 0.005);
    if (e - g < r.Top) e = r.Top + g;
    if (e + g > r.Bottom) e = r.Bottom - g;
    const int tipX = x + direction * Percent(width, size_, 0.01);
    path.LineTo(x, right ? e - g : e + g);
    path.LineTo(tipX, e);
    path.LineTo(x, right ? e + g : e - g);
    path.LineTo(x, right ? r.Bottom - radius : r.Top + radius);
    if (radius >= 1) CornerArc(path, r, radius, right ? cBottomRight : cTopLeft);
}

// ---------------------------------------------------------------- child shapes

TDuvShapeItem::TDuvShapeItem(TCollection* collection) : TCollectionItem(nullptr)
{
    auto* shapes = dynamic_cast<TDuvShapes*>(collection);
    TDuvCustomShape* parent = shapes ? shapes->OwnerShape() : nullptr;
    const TClassInfo* shapeClass = shapes && shapes->ShapeClass ? shapes->ShapeClass : &TDuvShape::StaticClass();
    auto* made = dynamic_cast<TDuvCustomShape*>(shapeClass->Create(nullptr));
    shape_.reset(made ? made : new TDuvShape());
    shape_->AttachToPanel(parent ? parent->Parent() : nullptr);
    // Children draw only their own content unless told otherwise.
    shape_->SetDefaultTransparent(true);
    if (collection) SetCollection(collection);
}

TDuvShapeItem::~TDuvShapeItem() = default;

void TDuvShapeItem::DeclareProperties(TPropertyDeclarer<TDuvShapeItem>& p)
{
    p.Object("Shape", &TDuvShapeItem::Shape, &TDuvShapeItem::SetShape);
}

void TDuvShapeItem::SetShape(const TDuvCustomShape* value) { shape_->Assign(value); }

void TDuvShapeItem::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TDuvShapeItem*>(source)) {
        shape_->Assign(other->shape_.get());
        return;
    }
    TCollectionItem::Assign(source);
}

TDuvShapes::TDuvShapes(TDuvCustomShape* owner)
    : TCollection(TDuvShapeItem::StaticClass(), owner), owner_(owner)
{
}

void TDuvShapes::Notify(TCollectionItem*, bool added)
{
    if (!added && owner_) owner_->InvalidateParent();
}

// ---------------------------------------------------------------- the shape

TDuvCustomShape::TDuvCustomShape(TCustomDuvPanel* panel)
{
    AttachToPanel(panel);
    shadow_ = std::make_unique<TDuvShadow>([this](TObject* s) { CanvasChanged(s); });
    InitShadow(*shadow_);
    font_ = std::make_unique<TDuvFont>([this](TObject* s) { CanvasChanged(s); });
    children_ = std::make_unique<TDuvShapes>(this);
    children_->ShapeClass = &GetChildShapeClass();
}

TDuvCustomShape::~TDuvCustomShape()
{
    // Children first: their items look at this shape while they go.
    children_.reset();
}

void TDuvCustomShape::InitShadow(TDuvShadow& shadow) { shadow.SetDefaultValues(shadow.Visible(), clBlack, 3); }

void TDuvCustomShape::InitEmboss(TDuvEmboss& emboss) { emboss.SetDefaultValues(emboss.Visible(), clBlack, 3); }

const TClassInfo& TDuvCustomShape::GetChildShapeClass() const { return TDuvShape::StaticClass(); }

void TDuvCustomShape::AttachToPanel(TCustomDuvPanel* panel)
{
    TDuvCustomShapeBrushPen::AttachToPanel(panel);
    if (!children_) return;
    for (int i = 0; i < children_->Count(); ++i) children_->Get(i)->Shape()->AttachToPanel(panel);
}

void TDuvCustomShape::SetColor(TColor value)
{
    if (Parent())
        Parent()->ChangeColorAndRepaint(color_, value);
    else
        color_ = value;
}

void TDuvCustomShape::SetRoundSize(int value)
{
    if (roundSize_ == value) return;
    roundSize_ = value;
    if (value > 0) shapeStyle_ = fosRoundRectangle;
    InvalidateParent();
}

void TDuvCustomShape::SetDefaultTransparent(bool value)
{
    transparent_ = value;
    defaultTransparent_ = value;
}

void TDuvCustomShape::SetFont(const TDuvFont* value) { font_->Assign(value); }

TShapeCallout* TDuvCustomShape::GetShapeCallout()
{
    if (!callout_) callout_ = std::make_unique<TShapeCallout>(this);
    return callout_.get();
}

void TDuvCustomShape::SetShapeCallout(const TShapeCallout* value)
{
    if (value)
        GetShapeCallout()->Assign(value);
    else
        callout_.reset();
    InvalidateParent();
}

TDuvCorners* TDuvCustomShape::GetCorners()
{
    if (!corners_) corners_ = std::make_unique<TDuvCorners>([this](TObject* s) { CanvasChanged(s); });
    return corners_.get();
}

void TDuvCustomShape::SetCorners(const TDuvCorners* value)
{
    if (value)
        GetCorners()->Assign(value);
    else
        corners_.reset();
    InvalidateParent();
}

TDuvEmboss* TDuvCustomShape::GetEmboss()
{
    if (!emboss_) {
        emboss_ = std::make_unique<TDuvEmboss>([this](TObject* s) { CanvasChanged(s); });
        InitEmboss(*emboss_);
    }
    return emboss_.get();
}

void TDuvCustomShape::SetEmboss(const TDuvEmboss* value)
{
    if (value)
        GetEmboss()->Assign(value);
    else
        emboss_.reset();
    InvalidateParent();
}

TDuvShadow* TDuvCustomShape::GetShadow()
{
    if (!shadow_) {
        shadow_ = std::make_unique<TDuvShadow>([this](TObject* s) { CanvasChanged(s); });
        InitShadow(*shadow_);
    }
    return shadow_.get();
}

void TDuvCustomShape::SetShadow(const TDuvShadow* value)
{
    if (value)
        GetShadow()->Assign(value);
    else
        shadow_.reset();
    InvalidateParent();
}

TBackImage* TDuvCustomShape::GetPicture()
{
    if (!picture_) {
        picture_ = std::make_unique<TBackImage>();
        picture_->OnChange = [this](TObject*) { InvalidateParent(); };
    }
    return picture_.get();
}

void TDuvCustomShape::SetPicture(const TDuvPicture* value)
{
    if (value)
        GetPicture()->Assign(value);
    else
        picture_.reset();
    InvalidateParent();
}

TDuvGradient* TDuvCustomShape::GetGradient() { return Brush().GetGradient(); }

TDuvGradient* TDuvCustomShape::PeekGradient() const { return Brush().PeekGradient(); }

void TDuvCustomShape::SetGradient(const TDuvGradient* value) { Brush().SetGradient(value); }

void TDuvCustomShape::MoveBoundsTo(int x, int y)
{
    const int width = BoundsWidth(), height = BoundsHeight();
    Bounds = {x, y, x + width, y + height};
    InvalidateParent();
}

void RotatedRectCorners(const TRect& r, double angle, TPoint corners[4])
{
    const int cx = (r.Left + r.Right) / 2;
    const int cy = (r.Top + r.Bottom) / 2;
    const double a = angle * std::numbers::pi / 180;
    const double s = std::sin(a), c = std::cos(a);
    const TPoint source[4] = {{r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}};
    for (int i = 0; i < 4; ++i) {
        const double dx = source[i].X - cx, dy = source[i].Y - cy;
        corners[i] = {static_cast<int>(Rnd(dx * c + dy * s)) + cx, static_cast<int>(Rnd(-dx * s + dy * c)) + cy};
    }
}

bool TDuvCustomShape::ContainsPoint(const TPoint& p, const TRect& r) const
{
    if (angle_ != 0) {
        TPoint corners[4];
        RotatedRectCorners(r, angle_ % 360, corners);
        return PointInsidePolygon(p, TPointArray(corners, corners + 4), 3);
    }
    return p.X >= r.Left && p.X <= r.Right && p.Y >= r.Top && p.Y <= r.Bottom;
}

void TDuvCustomShape::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TDuvCustomShape*>(source)) {
        alignment_ = other->alignment_;
        angle_ = other->angle_;
        autoSize_ = other->autoSize_;
        bevel_ = other->bevel_;
        bevelWidth_ = other->bevelWidth_;
        children_->Assign(other->children_.get());
        childLayout_ = other->childLayout_;
        color_ = other->color_;
        SetCorners(other->corners_.get());
        font_->Assign(other->font_.get());
        shapeStyle_ = other->shapeStyle_;
        SetPicture(other->picture_.get());
        roundSize_ = other->roundSize_;
        SetEmboss(other->emboss_.get());
        SetShadow(other->shadow_.get());
        SetShapeCallout(other->callout_.get());
        transparent_ = other->transparent_;
        transparency_ = other->transparency_;
    }
    TDuvCustomShapeBrushPen::Assign(source);
}

void TDuvCustomShape::DefineProperties(TFiler& filer)
{
    TDuvCustomShapeBrushPen::DefineProperties(filer);
    filer.DefineReadOnlyProperty("ShadowColor", [this](TReader& reader) {
        if (reader.NextValue() == vaIdent) {
            TColor color = clBlack;
            if (IdentToColor(reader.ReadIdent(), color)) GetShadow()->SetColor(color);
        } else {
            GetShadow()->SetColor(static_cast<TColor>(reader.ReadInteger()));
        }
    });
    filer.DefineReadOnlyProperty("ShadowSize",
                                 [this](TReader& reader) { GetShadow()->SetSize(static_cast<int>(reader.ReadInteger())); });
}

// ---------------------------------------------------------------- drawing

void TDuvCustomShape::DrawAt(const TRect& r, int angle, int z) { DrawInPanel(Parent(), r, z, angle); }

void TDuvCustomShape::DrawInPanel(TCustomDuvPanel* panel, TRect r, int z, int angle)
{
    if (!panel) return;
    TCanvas3D& canvas = panel->Canvas();
    TDuvBlend* blend = nullptr;
    if (transparency_ > 0) {
        TRect area = r;
        if (canvas.NativeBlending) {
            area = {};
        } else if (angle != 0) {
            TPoint corners[4];
            RotatedRectCorners(r, angle, corners);
            area = {corners[0].X, corners[0].Y, corners[0].X, corners[0].Y};
            for (const TPoint& p : corners) {
                area.Left = std::min(area.Left, p.X);
                area.Top = std::min(area.Top, p.Y);
                area.Right = std::max(area.Right, p.X);
                area.Bottom = std::max(area.Bottom, p.Y);
            }
        }
        blend = canvas.BeginBlending(area, transparency_);
    }
    if (transparent_) {
        canvas.Brush().SetStyle(bsClear);
        canvas.ApplyBrush(canvas.Brush());
    } else {
        DrawShapeShadow(panel, r, shadow_.get(), 1, z, angle);
        DrawShapeShadow(panel, r, emboss_.get(), -1, z, angle);
        bool fill = true;
        if (picture_ && picture_->HasGraphic()) {
            DrawPictureInBody(panel, r, z);
            fill = Brush().HasGradient() && GradientHasTransparentColor();
            if (!fill) {
                canvas.Brush().SetStyle(bsClear);
                canvas.ApplyBrush(canvas.Brush());
            }
        }
        // Color fills the body; the brush's colour is the back colour of hatches.
        if (fill) canvas.AssignBrushColor(Brush(), color_, Brush().Color());
        canvas.AssignPenColor(Pen(), Pen().Color());
    }
    DrawShapeRect(panel, r, z, angle);
    if (!transparent_ && angle == 0) {
        TRect inner = r;
        panel->DrawBevelFrame(canvas, bevel_, inner, 0, bevelWidth_);
    }
    if (HasChildren()) DrawChildren(panel, r, z, angle);
    if (transparency_ > 0) {
        if (!transparent_ && blend) FilterBlendedLayer(panel, blend->Rectangle());
        canvas.EndBlending(blend);
    }
}

bool TDuvCustomShape::GradientHasTransparentColor()
{
    TDuvGradientColors* colors = PeekGradient() ? PeekGradient()->PeekColors() : nullptr;
    if (!colors) return false;
    for (int i = 0; i < colors->Count(); ++i)
        if (static_cast<TDuvGradientColor*>(colors->Items(i))->Transparency() > 0) return true;
    return false;
}

void TDuvCustomShape::DrawPictureInBody(TCustomDuvPanel* panel, const TRect& r, int z)
{
    // The back image draws through the extended panel's services; a plain panel shows no picture.
    auto* extended = dynamic_cast<TCustomDuvPanelExtended*>(panel);
    if (!extended) return;
    TCanvas3D& canvas = panel->Canvas();
    const bool clipped = shapeStyle_ != fosRectangle;
    if (shapeStyle_ == fosEllipse) canvas.ClipToEllipse(r, false);
    if (shapeStyle_ == fosRoundRectangle) canvas.ClipToRoundRect(r, roundSize_, roundSize_);
    const TScopeGuard unclip([&] {
        if (clipped) canvas.Unclip();
    });
    picture_->Draw(*extended, r, canvas.SupportsFullRotation() ? z : 0);
}

void TDuvCustomShape::FilterBlendedLayer(TCustomDuvPanel* panel, const TRect& r)
{
    if (!picture_ || picture_->HasGraphic() || !picture_->HasFilters()) return;
    QImage* image = panel->Canvas().DrawingImage();
    if (!image || r.IsEmpty()) return;
    const QRect area = QRect(r.Left, r.Top, r.Width(), r.Height()).intersected(image->rect());
    if (area.isEmpty()) return;
    QImage layer = image->copy(area);
    picture_->GetFilters()->ApplyAll(layer);
    for (int y = 0; y < layer.height(); ++y)
        for (int x = 0; x < layer.width(); ++x) image->setPixel(area.x() + x, area.y() + y, layer.pixel(x, y));
}

void TDuvCustomShape::DrawShapeShadow(TCustomDuvPanel* panel, TRect r, TDuvShadow* shadow, int sign, int /*z*/,
                                      int angle)
{
    if (!shadow || !shadow->IsActive() || Brush().Style() == bsClear) return;
    if (Pen().Visible() && Pen().Width() > 1) {
        const int grow = sign * (Pen().Width() / 2);
        r = {r.Left - grow, r.Top - grow, r.Right + grow, r.Bottom + grow};
    }
    TCanvas3D& canvas = panel->Canvas();
    // The canvas brush may still hold the gradient or picture of the shape drawn before.
    canvas.Brush().SetGradient(nullptr);
    canvas.Brush().SetImage(nullptr);
    if (shapeStyle_ == fosEllipse) {
        shadow->DrawEllipse(canvas, r, 0, 360);
        return;
    }
    const int radius = shapeStyle_ == fosRoundRectangle ? roundSize_ : 0;
    const bool flat = !canvas.SupportsFullRotation();
    if (flat) canvas.BeginNoRotation();
    const TScopeGuard rotation([&] {
        if (flat) canvas.EndNoRotation();
    });
    shadow->DrawRect(canvas, r, angle, radius);
}

void TDuvCustomShape::DrawShapeRect(TCustomDuvPanel* panel, const TRect& r, int z, int angle)
{
    if (transparent_) return;
    TCanvas3D& canvas = panel->Canvas();
    const bool depth = canvas.SupportsFullRotation() || Draw3D;
    if (angle != 0) {
        TPoint corners[4];
        RotatedRectCorners(r, angle, corners);
        const TPointArray points(corners, corners + 4);
        if (depth)
            canvas.PolygonWithZ(points, z);
        else
            canvas.Polygon(points);
        return;
    }
    if (depth) {
        switch (shapeStyle_) {
        case fosRectangle: canvas.RectangleAtZ(r, z); break;
        case fosEllipse: canvas.EllipseWithZ(r.Left, r.Top, r.Right, r.Bottom, z); break;
        case fosRoundRectangle: canvas.RoundRectWithZ(r, roundSize_, roundSize_, z); break;
        }
        return;
    }
    if (callout_ && callout_->Side() != csNone) {
        callout_->BuildPath(canvas, r, shapeStyle_ == fosRoundRectangle ? roundSize_ : 0)->Draw(canvas);
        return;
    }
    switch (shapeStyle_) {
    case fosRectangle: canvas.Rectangle(r.Left, r.Top, r.Right, r.Bottom); break;
    case fosEllipse: canvas.Ellipse(r.Left, r.Top, r.Right, r.Bottom); break;
    case fosRoundRectangle: canvas.RoundRectCorners(r, roundSize_, roundSize_, corners_.get()); break;
    }
}

int TDuvCustomShape::GetChildStartPos() { return childLayout_ == slLeftRight ? Bounds.Left : Bounds.Top; }

void TDuvCustomShape::DrawChildren(TCustomDuvPanel* panel, const TRect& r, int z, int angle)
{
    int pos = GetChildStartPos();
    for (int i = 0; i < children_->Count(); ++i) {
        TDuvCustomShape& child = *children_->Get(i)->Shape();
        if (!child.Visible()) continue;
        const int width = child.BoundsWidth(), height = child.BoundsHeight();
        // Placed directly: asking for a repaint from inside the drawing would draw again and again.
        int x = pos, y = Bounds.Top;
        if (childLayout_ == slTopBottom) {
            y = pos;
            switch (child.Alignment()) {
            case taLeftJustify: x = r.Left; break;
            case taCenter: x = (r.Left + r.Right - width) / 2; break;
            case taRightJustify: x = r.Right - width; break;
            }
        }
        child.Bounds = {x, y, x + width, y + height};
        child.DrawInPanel(panel, child.Bounds, z, angle);
        pos += childLayout_ == slLeftRight ? width : height;
    }
}

// Without AutoSize the bounds are the user's: growing them by the children on every paint would
// make the shape larger each time the chart is drawn.
void TDuvCustomShape::CalcSize(TCustomDuvPanel* panel)
{
    if (autoSize_) Bounds = {Bounds.Left, Bounds.Top, Bounds.Left, Bounds.Top};
    for (int i = 0; i < children_->Count(); ++i) {
        TDuvCustomShape& child = *children_->Get(i)->Shape();
        if (!child.Visible()) continue;
        child.CalcSize(panel);
        if (!autoSize_) continue;
        if (childLayout_ == slLeftRight) {
            Bounds.Right += child.BoundsWidth();
            SetBoundsHeight(std::max(BoundsHeight(), child.BoundsHeight()));
        } else {
            SetBoundsWidth(std::max(BoundsWidth(), child.BoundsWidth()));
            Bounds.Bottom += child.BoundsHeight();
        }
    }
}

// ---------------------------------------------------------------- published shape

void TDuvShape::DeclareProperties(TPropertyDeclarer<TDuvShape>& p)
{
    DeclareShapeProperties(p, {"Angle", "Bevel", "BevelWidth", "Children", "ChildLayout", "Color", "Corners",
                               "Emboss", "Font", "Gradient", "Picture", "RoundSize", "Shadow", "ShapeCallout",
                               "ShapeStyle", "Transparent", "Visible"});
}

// ---------------------------------------------------------------- margins

void TMargins::DeclareProperties(TPropertyDeclarer<TMargins>& p)
{
    using M = TMargins;
    p.Integer("Left", &M::Left, &M::SetLeft).Stored(&M::IsLeftStored);
    p.Integer("Top", &M::Top, &M::SetTop).Stored(&M::IsTopStored);
    p.Integer("Right", &M::Right, &M::SetRight).Stored(&M::IsRightStored);
    p.Integer("Bottom", &M::Bottom, &M::SetBottom).Stored(&M::IsBottomStored);
    p.Enum("Units", &M::Units, &M::SetUnits).Default(maPercentFont);
}

void TMargins::InitHorizontal(int value)
{
    horizontalDefault_ = value;
    left_ = value;
    right_ = value;
}

void TMargins::InitVertical(int value)
{
    verticalDefault_ = value;
    top_ = value;
    bottom_ = value;
}

void TMargins::CalcPixels(int width, int height, int textHeight)
{
    const auto scaled = [](int margin, float factor) { return static_cast<int>(Rnd(margin * factor)); };
    switch (units_) {
    case maPercentFont: {
        const float f = static_cast<float>(textHeight * 0.01);
        ComputedMargins = {scaled(left_, f), scaled(top_, f), scaled(right_, f), scaled(bottom_, f)};
        break;
    }
    case maPercentSize: {
        const float fw = static_cast<float>(width * 0.01), fh = static_cast<float>(height * 0.01);
        ComputedMargins = {scaled(left_, fw), scaled(top_, fh), scaled(right_, fw), scaled(bottom_, fh)};
        break;
    }
    case maPixels: ComputedMargins = {left_, top_, right_, bottom_}; break;
    }
}

void TMargins::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TMargins*>(source)) {
        left_ = other->left_;
        top_ = other->top_;
        right_ = other->right_;
        bottom_ = other->bottom_;
        units_ = other->units_;
        return;
    }
    TPersistent::Assign(source);
}

// ---------------------------------------------------------------- custom mark positions

void TSeriesMarkPosition::MoveBy(const TPoint& delta)
{
    LeftTop = {LeftTop.X + delta.X, LeftTop.Y + delta.Y};
    ArrowTo = {ArrowTo.X + delta.X, ArrowTo.Y + delta.Y};
    if (HasMidPoint) MidPoint = {MidPoint.X + delta.X, MidPoint.Y + delta.Y};
}

TSeriesMarkPosition* TSeriesMarksPositions::PositionAt(int index) const
{
    if (index < 0 || index >= Count()) return nullptr;
    return items_[static_cast<std::size_t>(index)].get();
}

void TSeriesMarksPositions::StorePosition(int index, const TSeriesMarkPosition& position)
{
    if (index < 0) return;
    while (index >= Count()) items_.emplace_back();
    auto& entry = items_[static_cast<std::size_t>(index)];
    if (!entry) entry = std::make_unique<TSeriesMarkPosition>();
    entry->CopyFrom(position);
    entry->Custom = true;
}

void TSeriesMarksPositions::Delete(int index, int count)
{
    if (index < 0 || index >= Count() || count < 1) return;
    const auto first = items_.begin() + index;
    items_.erase(first, first + std::min<std::ptrdiff_t>(count, items_.end() - first));
}

void TSeriesMarksPositions::DropEntry(int index)
{
    if (index >= 0 && index < Count()) items_[static_cast<std::size_t>(index)].reset();
}

bool TSeriesMarksPositions::AnyCustomPosition() const
{
    return std::any_of(items_.begin(), items_.end(), [](const auto& p) { return p && p->Custom; });
}

void RegisterShapeClasses()
{
    for (const TClassInfo* info : {&TDuvShape::StaticClass(), &TShapeCallout::StaticClass(),
                                   &TDuvShapeItem::StaticClass(), &TDuvShapes::StaticClass(),
                                   &TMargins::StaticClass()})
        RegisterClassForStreaming(*info);
}
