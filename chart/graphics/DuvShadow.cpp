#include "chart/graphics/DuvShadow.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <utility>

#include "chart/graphics/Canvas3D.h"
#include "chart/graphics/CanvasHelpers.h"
#include "platform/core/NumText.h"

namespace {
int Round(double value) { return static_cast<int>(Rnd(value)); }
}  // namespace

TDuvShadow::TDuvShadow(TChangeHandler changed)
{
    SetDefaultValues(true, clSilver, 0);
    OnChange = std::move(changed);
}

void TDuvShadow::DeclareProperties(TPropertyDeclarer<TDuvShadow>& p)
{
    p.Boolean("Clip", &TDuvShadow::Clip, &TDuvShadow::SetClip).Default(false);
    p.Color("Color", &TDuvShadow::Color, &TDuvShadow::SetColor).Stored(&TDuvShadow::IsColorStored);
    p.Integer("HorizSize", &TDuvShadow::HorizSize, &TDuvShadow::SetHorizSize).Stored(&TDuvShadow::IsHorizSizeStored);
    p.Boolean("Smooth", &TDuvShadow::Smooth, &TDuvShadow::SetSmooth).Default(true);
    p.Integer("SmoothBlur", &TDuvShadow::SmoothBlur, &TDuvShadow::SetSmoothBlur).Default(0);
    p.Integer("Transparency", &TDuvShadow::Transparency, &TDuvShadow::SetTransparency).Default(50);
    p.Integer("VertSize", &TDuvShadow::VertSize, &TDuvShadow::SetVertSize).Stored(&TDuvShadow::IsVertSizeStored);
    p.Boolean("Visible", &TDuvShadow::Visible, &TDuvShadow::SetVisible).Stored(&TDuvShadow::IsVisibleStored);
}

void TDuvShadow::Changed()
{
    if (OnChange) OnChange(this);
}

void TDuvShadow::SetClip(bool value)
{
    if (SetIfChanged(clip_, value)) Changed();
}

void TDuvShadow::SetColor(TColor value)
{
    if (SetIfChanged(color_, value)) Changed();
}

void TDuvShadow::SetHorizSize(int value)
{
    if (SetIfChanged(horizSize_, value)) Changed();
}

void TDuvShadow::SetSmooth(bool value)
{
    if (SetIfChanged(smooth_, value)) Changed();
}

void TDuvShadow::SetSmoothBlur(int value)
{
    if (SetIfChanged(smoothBlur_, value)) Changed();
}

void TDuvShadow::SetTransparency(int value)
{
    if (SetIfChanged(transparency_, std::clamp(value, 0, 100))) Changed();
}

void TDuvShadow::SetVertSize(int value)
{
    if (SetIfChanged(vertSize_, value)) Changed();
}

void TDuvShadow::SetVisible(bool value)
{
    if (SetIfChanged(visible_, value)) Changed();
}

void TDuvShadow::SetSize(int value)
{
    SetHorizSize(value);
    SetVertSize(value);
}

int TDuvShadow::GetSize() const { return std::max(std::abs(horizSize_), std::abs(vertSize_)); }

bool TDuvShadow::IsActive() const { return visible_ && (horizSize_ != 0 || vertSize_ != 0); }

void TDuvShadow::SetDefaultValues(bool visible, TColor color, int size)
{
    visible_ = defaultVisible_ = visible;
    color_ = defaultColor_ = color;
    horizSize_ = vertSize_ = defaultSize_ = size;
}

void TDuvShadow::InitVisible(bool value) { visible_ = defaultVisible_ = value; }

void TDuvShadow::Assign(const TPersistent* source)
{
    auto* shadow = dynamic_cast<const TDuvShadow*>(source);
    if (!shadow) return TPersistent::Assign(source);
    color_ = shadow->color_;
    horizSize_ = shadow->horizSize_;
    smooth_ = shadow->smooth_;
    smoothBlur_ = shadow->smoothBlur_;
    transparency_ = shadow->transparency_;
    vertSize_ = shadow->vertSize_;
    visible_ = shadow->visible_;
}

TDuvEmboss::TDuvEmboss(TChangeHandler changed) : TDuvShadow(std::move(changed)) { InitVisible(false); }

// ---------------------------------------------------------------- drawing

TRect TDuvShadow::OffsetRectangle(const TRect& rect) const
{
    const int dx = OffsetSign() * horizSize_, dy = OffsetSign() * vertSize_;
    return {rect.Left + dx, rect.Top + dy, rect.Right + dx, rect.Bottom + dy};
}

void RotateRectCorners(const TRect& rect, double angle, TPoint corners[4])
{
    const int cx = (rect.Left + rect.Right) / 2, cy = (rect.Top + rect.Bottom) / 2;
    const double s = std::sin(angle * std::numbers::pi / 180), c = std::cos(angle * std::numbers::pi / 180);
    const TPoint in[4] = {{rect.Left, rect.Top}, {rect.Right, rect.Top}, {rect.Right, rect.Bottom}, {rect.Left, rect.Bottom}};
    for (int i = 0; i < 4; ++i) {
        const double dx = in[i].X - cx, dy = in[i].Y - cy;
        corners[i] = {Round(dx * c + dy * s) + cx, Round(-dx * s + dy * c) + cy};
    }
}

bool TDuvShadow::BeginDraw(TDuvCanvas& canvas, const TRect& rect, double angle)
{
    if (color_ == clNone || (horizSize_ == 0 && vertSize_ == 0)) return false;
    drawTransparency_ = transparency_ != 0 ? transparency_ : canvas.Transparency;
    drawBlend_ = nullptr;
    if (drawTransparency_ == 0) return true;
    if (canvas.NativeBlending) {
        drawBlend_ = canvas.BeginBlending({}, transparency_);
        return true;
    }
    TRect b = OffsetRectangle(rect);
    if (smooth_) {
        const int wx = 2 * std::abs(horizSize_), wy = 2 * std::abs(vertSize_);
        b = {rect.Left - wx, rect.Top - wy, rect.Right + wx, rect.Bottom + wy};
    }
    if (angle != 0) {
        TPoint corners[4];
        RotateRectCorners(b, angle, corners);
        b = PolygonBounds(corners, 4);
    }
    drawBlend_ = canvas.BeginBlending(b, transparency_);
    return true;
}

void TDuvShadow::EndDraw(TDuvCanvas& canvas)
{
    if (drawTransparency_ != 0) canvas.EndBlending(std::exchange(drawBlend_, nullptr));
}

void TDuvShadow::DrawRect(TCanvas3D& canvas, const TRect& rect, double angle, int cornerSize)
{
    const TPenStyle style = canvas.Pen().Style();
    const TColor color = canvas.Pen().Color();
    if (BeginDraw(canvas, rect, angle)) {
        TRect shape = OffsetRectangle(rect);
        TPointArray points;
        if (angle != 0) {
            points.resize(4);
            RotateRectCorners(shape, angle, points.data());
            shape = PolygonBounds(points.data(), 4);
        }
        canvas.DrawShadow(*this, shape, false, cornerSize, points, static_cast<int>(points.size()) - 1, 0, 0, 360);
        EndDraw(canvas);
    }
    canvas.Pen().SetStyle(style);
    canvas.Pen().SetColor(color);
}

void TDuvShadow::DrawPolygon(TCanvas3D& canvas, const TPointArray& points, int high)
{
    DrawPolygonCount(canvas, points, high + 1);
}

void TDuvShadow::DrawPolygonCount(TCanvas3D& canvas, const TPointArray& points, int count)
{
    count = std::min<int>(count, static_cast<int>(points.size()));
    if (count < 1) return;
    TPointArray moved(points.begin(), points.begin() + count);
    for (TPoint& p : moved) {
        p.X += OffsetSign() * horizSize_;
        p.Y += OffsetSign() * vertSize_;
    }
    const bool native = canvas.NativeBlending;
    const TRect before = native ? TRect{} : PolygonBounds(points.data(), count);
    const TRect after = native ? TRect{} : PolygonBounds(moved.data(), count);
    if (!BeginDraw(canvas, before, 0)) return;
    canvas.DrawShadow(*this, after, false, 0, moved, count - 1, 0, 0, 360);
    EndDraw(canvas);
}

void TDuvShadow::DrawEllipse(TCanvas3D& canvas, const TRect& rect, double startAngle, double endAngle,
                             double holePercent)
{
    if (!BeginDraw(canvas, rect, 0)) return;
    canvas.DrawShadow(*this, OffsetRectangle(rect), true, 0, {}, -1, holePercent, startAngle, endAngle);
    EndDraw(canvas);
}

// ---------------------------------------------------------------- smooth shadow

std::vector<int> ShadowKernel(int radius, int smoothBlur)
{
    std::vector<int> kernel(static_cast<std::size_t>(2 * radius + 1));
    kernel[radius] = 100000;
    const float base = static_cast<float>((smoothBlur + 180) * 0.01);
    for (int d = 1; d <= radius; ++d) {
        const float exponent = -static_cast<float>(d * d) / static_cast<float>(radius);
        kernel[radius - d] = kernel[radius + d] = Round(100000.0 * std::pow(base, exponent));
    }
    return kernel;
}

void BlurShadowOnto(const QImage& shape, QImage& destination, int dx, int dy, bool clip, TDuvCanvas& canvas,
                    int smoothBlur, int radius)
{
    const int w = shape.width(), h = shape.height(), size = 2 * radius + 1;
    const std::vector<int> kernel = ShadowKernel(radius, smoothBlur);
    const QImage s = shape.convertToFormat(QImage::Format_RGB32);
    const int x0 = dx < 0 ? -dx : 0, y0 = dy < 0 ? -dy : 0;
    const int x1 = w + dx < destination.width() ? w - 1 : destination.width() - dx - 1;
    const int y1 = dy + h < destination.height() ? h - 1 : destination.height() - dy - 1;
    if (x1 < x0 || y1 < y0) return;
    // Each cell holds a whole mean of 0..255, so a byte per channel is enough for large shapes.
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(w) * h * 3, 0);
    auto cell = [&](int x, int y) { return &rows[(static_cast<std::size_t>(y) * w + x) * 3]; };
    for (int y = y0; y <= y1; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(s.constScanLine(y));
        for (int x = x0; x <= x1; ++x) {
            long long sums[3] = {0, 0, 0}, weights = 0;
            for (int k = std::max(0, radius - x), col = std::max(0, x - radius); k < size && col < w; ++k, ++col) {
                for (int c = 0; c < 3; ++c) sums[c] += static_cast<long long>(kernel[k]) * ((line[col] >> (8 * c)) & 0xFF);
                weights += kernel[k];
            }
            if (weights == 0) continue;
            for (int c = 0; c < 3; ++c) cell(x, y)[c] = static_cast<std::uint8_t>(sums[c] / weights);
        }
    }
    for (int x = x0; x <= x1; ++x) {
        for (int y = y0; y <= y1; ++y) {
            if (clip && !canvas.PointVisible(x + dx, y + dy)) continue;
            // The window stays within the rows that were blurred, centred on the row itself.
            double sums[3] = {0, 0, 0};
            long long weights = 0;
            for (int k = std::max(0, radius - y), row = std::max(0, y - radius); k < size && row <= y1; ++k, ++row) {
                for (int c = 0; c < 3; ++c) sums[c] += static_cast<double>(kernel[k]) * cell(x, row)[c];
                weights += kernel[k];
            }
            if (weights == 0) continue;
            auto& pixel = reinterpret_cast<QRgb*>(destination.scanLine(y + dy))[x + dx];
            int out[3];
            for (int c = 0; c < 3; ++c) out[c] = Round(((pixel >> (8 * c)) & 0xFF) * (sums[c] / weights) / 255);
            pixel = 0xFF000000u | static_cast<QRgb>(out[0]) | (static_cast<QRgb>(out[1]) << 8) | (static_cast<QRgb>(out[2]) << 16);
        }
    }
}

void SmoothShadow(TDuvShadow& shadow, TDuvCanvas& canvas, const TRect& rect, const TPointArray& points, int high,
                  bool ellipse, double holePercent, int cornerSize)
{
    QImage* buffer = canvas.DrawingImage();
    if (!buffer) return;
    const int m = shadow.BlurRadius();
    TPointArray moved;
    int width = std::max(1, rect.Right - rect.Left), height = std::max(1, rect.Bottom - rect.Top);
    if (high >= 0) {
        moved.assign(points.begin(), points.begin() + std::min<std::size_t>(high + 1, points.size()));
        const TRect before = PolygonBounds(moved.data(), static_cast<int>(moved.size()));
        for (TPoint& p : moved) p = {p.X - before.Left + 1, p.Y - before.Top + 1};
        const TRect b = PolygonBounds(moved.data(), static_cast<int>(moved.size()));
        width = std::max(1, b.Right + m - b.Left);
        height = std::max(1, b.Bottom + m - b.Top);
    }
    QImage shape(width, height, QImage::Format_RGB32);
    shape.fill(Qt::white);
    {
        QPainter painter(&shape);
        painter.setPen(Qt::NoPen);
        painter.setBrush(ToQColor(shadow.Color()));
        const QRect inner(m / 2, m / 2, width - 2 * (m / 2), height - 2 * (m / 2));
        if (high >= 0) {
            QPolygon polygon;
            for (const TPoint& p : moved) polygon << QPoint(p.X, p.Y);
            painter.drawPolygon(polygon);
        } else if (ellipse) {
            // Round shapes throw round shadows; a ring leaves its hole white.
            painter.drawEllipse(inner);
            if (holePercent != 0) {
                const int hx = Round((100 - holePercent) * (rect.Right - rect.Left) * 0.005);
                const int hy = Round((100 - holePercent) * (rect.Bottom - rect.Top) * 0.005);
                painter.setBrush(Qt::white);
                painter.drawEllipse(inner.adjusted(hx, hy, -hx, -hy));
            }
        } else if (cornerSize != 0) {
            painter.drawRoundedRect(inner, cornerSize / 2.0, cornerSize / 2.0);
        } else {
            painter.fillRect(inner, ToQColor(shadow.Color()));
        }
    }
    BlurShadowOnto(shape, *buffer, rect.Left, rect.Top, shadow.Clip(), canvas, shadow.SmoothBlur(), m);
}
