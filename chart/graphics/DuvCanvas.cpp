#include "chart/graphics/DuvCanvas.h"

#include <QFile>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvBasePath.h"
#include "chart/graphics/DuvConst.h"
#include "chart/graphics/DuvCorners.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvPicture.h"
#include "chart/graphics/DuvShadow.h"
#include "chart/graphics/ResourceFonts.h"
#include "platform/core/ClassRegistry.h"
#include "platform/core/NumText.h"
#include "platform/core/Streams.h"

TDrawHtmlText DrawHtmlTextHook = nullptr;

// ---------------------------------------------------------------- blend

TDuvBlend::TDuvBlend(TDuvCanvas& canvas, const TRect& rect) : canvas_(canvas) { SetRectangle(rect); }

void TDuvBlend::SetRectangle(const TRect& rect)
{
    const TRect& b = canvas_.Bounds;
    rect_ = {std::max(rect.Left, b.Left), std::max(rect.Top, b.Top), std::min(rect.Right, b.Right),
             std::min(rect.Bottom, b.Bottom)};
}

void TDuvBlend::BlendOnto(int) {}

// ---------------------------------------------------------------- construction and handlers

TDuvCanvas::TDuvCanvas()
    : brush_(std::make_unique<TDuvBrush>([this](TObject* s) { BrushChanged(s); })),
      font_(std::make_unique<TDuvFont>([this](TObject* s) { FontChanged(s); })),
      pen_(std::make_unique<TDuvPen>([this](TObject* s) { PenChanged(s); }))
{
}

TDuvCanvas::~TDuvCanvas() = default;

void TDuvCanvas::PenChanged(TObject*) { ApplyPen(); }

void TDuvCanvas::BrushChanged(TObject*) { ApplyBrush(*brush_); }

void TDuvCanvas::FontChanged(TObject*)
{
    if (!ApplyingFont) ApplyFont();
}

template <class F>
void TDuvCanvas::WithoutHandler(TGraphicsObject& object, void (TDuvCanvas::*handler)(TObject*), F action)
{
    object.OnChange = nullptr;
    action();
    object.OnChange = [this, handler](TObject* s) { (this->*handler)(s); };
}

// ---------------------------------------------------------------- base behaviour

void TDuvCanvas::SetCanvas(QPainter* device) { referenceCanvas_ = device; }

void TDuvCanvas::ApplyBrush(TDuvBrush& brush)
{
    if (brush.BackColor() == clNone || brush.Style() == bsClear) {
        SetBackMode(TRANSPARENT);
    } else if (brush.Style() != bsSolid) {
        SetBackMode(OPAQUE);
        SetBackColor(brush.BackColor());
    }
}

void TDuvCanvas::ApplyFont() { SetCharacterSpacing(font_->InterCharSize()); }

void TDuvCanvas::ApplyPen() {}

void TDuvCanvas::FastLineTo(int x, int y) { LineTo(x, y); }

void TDuvCanvas::SetSmoothing(bool) {}

void TDuvCanvas::ApplyPenMode(TDuvPen&) {}

void TDuvCanvas::ReleaseFloatPoints(TPointFloatArray& points) { points.clear(); }

void TDuvCanvas::AssignBrushColor(TDuvBrush& brush, TColor color, TColor backColor)
{
    WithoutHandler(*brush_, &TDuvCanvas::BrushChanged, [&] {
        if (GetMonochrome()) color = clWhite;
        brush_->Assign(&brush);
        if (brush.Style() != bsClear) brush_->SetColor(color);
        brush_->SetBackColor(backColor);
    });
    ApplyBrush(*brush_);
}

void TDuvCanvas::AssignPenColor(TDuvPen& pen, TColor color)
{
    WithoutHandler(*pen_, &TDuvCanvas::PenChanged, [&] {
        if (pen.Visible()) {
            pen_->Assign(&pen);
            pen_->SetColor(GetMonochrome() ? clBlack : color);
        } else {
            pen_->SetVisible(false);
            if (pen_->Style() != psClear) pen_->SetStyle(psClear);
        }
    });
    ApplyPen();
}

TDuvBlend* TDuvCanvas::BeginBlending(const TRect& rect, int transparency)
{
    PushTransparency();
    Transparency = 100 - static_cast<int>(Rnd((100 - Transparency) * (100 - transparency) * 0.01));
    return CreateBlend(rect);
}

TDuvBlend* TDuvCanvas::CreateBlend(const TRect& rect) { return new TDuvBlend(*this, rect); }

void TDuvCanvas::EndBlending(TDuvBlend* blend)
{
    if (blend) {
        blend->BlendOnto(Transparency);
        delete blend;
    }
    PopTransparency();
}

namespace {
TPoint PointAtAngle(int cx, int cy, int hx, int hy, double degrees)
{
    const double a = degrees * std::numbers::pi / 180;
    return {static_cast<int>(Rnd(std::cos(a) * hx)) + cx, cy - static_cast<int>(Rnd(std::sin(a) * hy))};
}
}  // namespace

void TDuvCanvas::ArcAngles(int left, int top, int right, int bottom, double startAngle, double endAngle)
{
    const int hx = (right - left) / 2, hy = (bottom - top) / 2;
    const int cx = left + hx, cy = top + hy;
    const TPoint from = PointAtAngle(cx, cy, hx, hy, std::min(startAngle, endAngle));
    const TPoint to = PointAtAngle(cx, cy, hx, hy, startAngle < endAngle ? endAngle : startAngle);
    Arc(left, top, right, bottom, from.X, from.Y, to.X, to.Y);
}

void TDuvCanvas::Frame3D(TRect& rect, TColor topColor, TColor bottomColor, int width)
{
    if (width <= 0) return;
    WithoutHandler(*pen_, &TDuvCanvas::PenChanged, [&] {
        pen_->SetWidth(1);
        pen_->SetStyle(psSolid);
        pen_->GetFill()->GetGradient()->SetVisible(false);
    });
    ApplyPen();
    --rect.Bottom;
    --rect.Right;
    for (int i = 0; i < width; ++i) {
        pen_->SetColor(topColor);
        Polyline({{rect.Left, rect.Bottom}, {rect.Left, rect.Top}, {rect.Right, rect.Top}});
        pen_->SetColor(bottomColor);
        Polyline({{rect.Right, rect.Top}, {rect.Right, rect.Bottom}, {rect.Left - 1, rect.Bottom}});
        InflateRectBy(rect, -1, -1);
    }
    ++rect.Bottom;
    ++rect.Right;
}

void TDuvCanvas::LineToFloat(const TPointFloat& p)
{
    LineTo(static_cast<int>(Rnd(p.X)), static_cast<int>(Rnd(p.Y)));
}

void TDuvCanvas::MoveToFloat(const TPointFloat& p)
{
    MoveTo(static_cast<int>(Rnd(p.X)), static_cast<int>(Rnd(p.Y)));
}

float TDuvCanvas::ShadowWidth() const
{
    float extra = 0;
    if (TDuvShadow* s = font_->PeekShadow(); s && s->Visible()) extra += std::abs(s->HorizSize());
    if (TDuvEmboss* e = font_->PeekEmboss(); e && e->Visible()) extra += std::abs(e->HorizSize());
    return extra;
}

float TDuvCanvas::ShadowHeight() const
{
    float extra = 0;
    if (TDuvShadow* s = font_->PeekShadow(); s && s->Visible()) extra += std::abs(s->VertSize());
    if (TDuvEmboss* e = font_->PeekEmboss(); e && e->Visible()) extra += std::abs(e->VertSize());
    return extra;
}

int TDuvCanvas::TextHeight(const std::string& text)
{
    return TextExtent(text).cy + static_cast<int>(ShadowHeight());
}

int TDuvCanvas::TextWidth(const std::string& text)
{
    return TextExtent(text).cx + static_cast<int>(ShadowWidth());
}

void TDuvCanvas::TextSizeFloat(const std::string& text, TPointFloat& size)
{
    const TSize extent = TextExtent(text);
    size = {static_cast<float>(extent.cx) + ShadowWidth(), static_cast<float>(extent.cy) + ShadowHeight()};
}

void TDuvCanvas::PolygonOrPolyline(const TPointArray& points, bool filled, int, double)
{
    if (filled)
        Polygon(points);
    else
        Polyline(points);
}

void TDuvCanvas::HorizLine(int x0, int x1, int y)
{
    MoveTo(x0, y);
    LineTo(x1, y);
}

void TDuvCanvas::VertLine(int x, int y0, int y1)
{
    MoveTo(x, y0);
    LineTo(x, y1);
}

void TDuvCanvas::Line(int x0, int y0, int x1, int y1)
{
    MoveTo(x0, y0);
    LineTo(x1, y1);
}

void TDuvCanvas::PolygonArray(const TPointArray& points) { Polygon(points); }

QImage* TDuvCanvas::DrawingImage()
{
    QPainter* device = ReferenceCanvas();
    if (!device || !device->device() || device->device()->devType() != QInternal::Image) return nullptr;
    return static_cast<QImage*>(device->device());
}

bool TDuvCanvas::PointVisible(int, int) { return true; }

std::unique_ptr<TDuvCanvas> TDuvCanvas::CreateImageCanvas(QImage&) { return nullptr; }

// ---------------------------------------------------------------- plain operations

int TDuvCanvas::FontHeight() { return TextHeight("W"); }

TDuvGradient* TDuvCanvas::GetBrushGradient() { return brush_->GetGradient(); }

bool TDuvCanvas::UsesGradient() const { return brush_->Style() != bsClear && brush_->HasGradient(); }

void TDuvCanvas::ResetState()
{
    pen_->SetColor(clBlack);
    pen_->SetWidth(1);
    pen_->SetStyle(psSolid);
    brush_->SetColor(clWhite);
    brush_->SetStyle(bsSolid);
    if (TDuvPicture* image = brush_->PeekImage()) image->SetGraphic(nullptr);
    font_->SetColor(clBlack);
    font_->SetStyle({});
    font_->SetCharset(DEFAULT_CHARSET);
    font_->SetName(DefaultFontName);
    font_->SetSize(DefaultFontSize);
    if (TDuvGradient* gradient = brush_->PeekGradient()) {
        const TDuvGradient defaults;
        gradient->Assign(&defaults);
    }
    SetBackColor(clWhite);
    SetBackMode(TRANSPARENT);
    SetTextAlign(TA_LEFT);
}

void TDuvCanvas::AssignBrush(TDuvBrush& brush) { AssignBrushColor(brush, brush.BackColor(), brush.Color()); }

void TDuvCanvas::AssignBrushBack(TDuvBrush& brush, TColor color) { AssignBrushColor(brush, color, brush.Color()); }

void TDuvCanvas::AssignPen(TDuvPen& pen) { AssignPenColor(pen, pen.Color()); }

void TDuvCanvas::AssignFont(TDuvFont& font) { AssignFontSize(font, font.GetSizeFloat()); }

void TDuvCanvas::AssignFontSize(TDuvFont& font, float size)
{
    if (FontZoomActive && FontZoom != 100) size = static_cast<float>(FontZoom * size * 0.01);
    ApplyingFont = true;
    font_->Assign(&font);
    font_->SetSizeFloat(size);
    if (GetMonochrome()) font_->SetColor(clBlack);
    ApplyingFont = false;
    ApplyFont();
}

void TDuvCanvas::RoundRectCorners(const TRect& rect, int cornerWidth, int cornerHeight, const TDuvCorners* corners)
{
    if (!corners) {
        RoundRect(rect.Left, rect.Top, rect.Right, rect.Bottom, cornerWidth, cornerHeight);
        return;
    }
    corners->BuildPath(*this, rect, cornerWidth, cornerHeight)->Draw(*this);
}

void TDuvCanvas::TextOutFormatted(int x, int y, bool markup, const std::string& text)
{
    if (markup && DrawHtmlTextHook)
        DrawHtmlTextHook(*this, x, y, text);
    else
        TextOut(x, y, text);
}

void TDuvCanvas::PushTransparency() { TransparencyStack.push_back(static_cast<std::uint8_t>(Transparency)); }

void TDuvCanvas::PopTransparency()
{
    if (TransparencyStack.empty()) return;
    Transparency = TransparencyStack.back();
    TransparencyStack.pop_back();
}

void TDuvCanvas::PointsToAngles(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, double& startAngle,
                                double& endAngle)
{
    const double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0;
    auto degrees = [&](int x, int y) {
        double a = std::atan2(cy - y, x - cx);
        if (a < 0) a += 2 * std::numbers::pi;
        return a * 180 / std::numbers::pi;
    };
    startAngle = degrees(x3, y3);
    endAngle = degrees(x4, y4);
}

std::uint8_t TDuvCanvas::ColorAlpha(TColor color) { return static_cast<std::uint32_t>(color) >> 24; }

TColor TDuvCanvas::ColorWithAlpha(TColor color, std::uint8_t alpha)
{
    return static_cast<TColor>((static_cast<std::uint32_t>(alpha) << 24) | (static_cast<std::uint32_t>(color) & 0xFFFFFF));
}

void CalcArrowPoints(const TPoint& from, const TPoint& to, TPointArray& points, int headWidth, int headLength,
                     float bodyPercent)
{
    const double dx = to.X - from.X, dy = from.Y - to.Y;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 0)) {
        points.clear();
        return;
    }
    const double h = std::min<double>(headLength, static_cast<double>(Rnd(length)));
    const double sinA = dy / length, cosA = dx / length;
    const double uT = to.X * cosA - to.Y * sinA, vT = to.X * sinA + to.Y * cosA;
    const double uF = from.X * cosA - from.Y * sinA;
    const double m = headWidth * static_cast<double>(bodyPercent) * 0.005;
    auto back = [&](double u, double v) {
        return TPoint{static_cast<int>(Rnd(u * cosA + v * sinA)), static_cast<int>(Rnd(-u * sinA + v * cosA))};
    };
    points = {back(uF, vT + m),        back(uF, vT - m),        back(uT - h, vT - m),
              back(uT - h, vT - headWidth / 2.0), to, back(uT - h, vT + headWidth / 2.0),
              back(uT - h, vT + m)};
}

void TDuvCanvas::Arrow(bool filled, const TPoint& from, const TPoint& to, int headWidth, int headLength,
                       double bodyPercent)
{
    TPointArray points;
    CalcArrowPoints(from, to, points, headWidth, headLength, static_cast<float>(bodyPercent));
    if (points.empty()) return;
    if (filled) {
        Polygon(points);
        return;
    }
    LinePoints(from, to);
    LineToPoint(points[5]);
    LinePoints(to, points[3]);
}

void TDuvCanvas::SetBrushColorDarker(TColor color, std::uint8_t amount)
{
    const TColor c = DarkenColor(color, amount);
    if (brush_->Style() != bsSolid) {
        SetBackColor(c);
        return;
    }
    brush_->SetColor(c);
}

// ---------------------------------------------------------------- module

namespace {
int canvasModuleCount = 0;
}  // namespace

void DuvCanvasInitialization()
{
    if (canvasModuleCount++ != 0) return;
    InitDefaultFont();
    InstallCustomFonts();
}

void DuvCanvasFinalization()
{
    if (canvasModuleCount == 0 || --canvasModuleCount != 0) return;
    RemoveCustomFonts();
}

// ---------------------------------------------------------------- services for the editors

void ActivateControlClassGroup() {}

const TClassInfo* FindRegisteredClass(const std::string& className)
{
    ActivateControlClassGroup();
    return GetClass(className);
}

void NoOperation() {}

void DrawCheckMark(TDuvCanvas& canvas, int left, int top, bool checkBox, bool ticked)
{
    constexpr int kSide = 13;
    constexpr TColor kFrame = 0x808080;
    TDuvPen savedPen;
    savedPen.Assign(&canvas.Pen());
    TDuvBrush savedBrush;
    savedBrush.Assign(&canvas.Brush());
    canvas.Pen().SetVisible(true);
    canvas.Pen().SetStyle(psSolid);
    canvas.Pen().SetWidth(1);
    canvas.Pen().SetColor(kFrame);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(clWhite);
    const TRect box{left, top, left + kSide, top + kSide};
    checkBox ? canvas.RectangleRect(box) : canvas.EllipseRect(box);
    if (ticked) {
        canvas.Pen().SetColor(clBlack);
        canvas.Brush().SetColor(clBlack);
        if (checkBox)
            canvas.Polyline({{left + 3, top + 6}, {left + 5, top + 9}, {left + 10, top + 3}});
        else
            canvas.Ellipse(left + 4, top + 4, left + 9, top + 9);
    }
    canvas.Pen().Assign(&savedPen);
    canvas.Brush().Assign(&savedBrush);
}

std::unique_ptr<TStream> FindResourceStream(const std::string& name)
{
    if (name.empty()) return nullptr;
    QFile resource(QStringLiteral(":/rcdata/") + QString::fromStdString(name));
    if (!resource.open(QIODevice::ReadOnly)) return nullptr;
    return std::make_unique<TMemoryStream>(resource.readAll().toStdString());
}
