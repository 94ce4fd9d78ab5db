#include "chart/graphics/CanvasHelpers.h"

#include <QGuiApplication>
#include <QImage>
#include <QPalette>
#include <algorithm>

#include "platform/core/NumText.h"

TPoint PointOf(int x, int y) { return {x, y}; }

void OffsetPoint(TPoint& point, int amount)
{
    point.X += amount;
    point.Y += amount;
}

TRect MakeRect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }

TRect RectFromSize(int width, int height) { return {0, 0, width, height}; }

TRect OrientRect(const TRect& rect) { return OrientRectValues(rect.Left, rect.Top, rect.Right, rect.Bottom); }

TRect OrientRectValues(int x0, int y0, int x1, int y1)
{
    return {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
}

void RectSize(const TRect& rect, int& width, int& height)
{
    width = rect.Right - rect.Left;
    height = rect.Bottom - rect.Top;
}

void RectCenter(const TRect& rect, int& x, int& y)
{
    x = (rect.Left + rect.Right) / 2;
    y = (rect.Top + rect.Bottom) / 2;
}

TPoint RectCenterPoint(const TRect& rect)
{
    TPoint p;
    RectCenter(rect, p.X, p.Y);
    return p;
}

void InflateRectBy(TRect& rect, int dx, int dy)
{
    rect.Left -= dx;
    rect.Right += dx;
    rect.Top -= dy;
    rect.Bottom += dy;
}

void InflateFloatRect(TFloatRect& rect, float dx, float dy)
{
    rect.Left -= dx;
    rect.Right += dx;
    rect.Top -= dy;
    rect.Bottom += dy;
}

bool PointInRect(const TRect& rect, int x, int y)
{
    return rect.Left <= x && x <= rect.Right && rect.Top <= y && y <= rect.Bottom;
}

bool PointInRectP(const TRect& rect, const TPoint& point) { return PointInRect(rect, point.X, point.Y); }

bool PointInFloatRect(const TFloatRect& rect, int x, int y)
{
    return rect.Left <= x && x <= rect.Right && rect.Top <= y && y <= rect.Bottom;
}

TRect PolygonBounds(const TPoint* points, int count)
{
    if (count <= 0) return {};
    TRect r{points[0].X, points[0].Y, points[0].X, points[0].Y};
    for (int i = 1; i < count; ++i) {
        r.Left = std::min(r.Left, points[i].X);
        r.Right = std::max(r.Right, points[i].X);
        r.Top = std::min(r.Top, points[i].Y);
        r.Bottom = std::max(r.Bottom, points[i].Y);
    }
    ++r.Right;
    ++r.Bottom;
    return r;
}

TRect TriangleBounds(const TPoint& p0, const TPoint& p1, const TPoint& p2)
{
    const TPoint points[] = {p0, p1, p2};
    return PolygonBounds(points, 3);
}

TRect PolygonBoundsOrEmpty(const TPointArray& points, int high)
{
    if (high < 0) return {};
    return PolygonBounds(points.data(), std::min<int>(high + 1, static_cast<int>(points.size())));
}

TFloatRect FloatPolygonBounds(const TPointFloatArray& points, int high)
{
    high = std::min<int>(high, static_cast<int>(points.size()) - 1);
    if (high < 0) return {};
    TFloatRect r{points[0].X, points[0].Y, points[0].X, points[0].Y};
    for (int i = 1; i <= high; ++i) {
        r.Left = std::min(r.Left, points[i].X);
        r.Right = std::max(r.Right, points[i].X);
        r.Top = std::min(r.Top, points[i].Y);
        r.Bottom = std::max(r.Bottom, points[i].Y);
    }
    return r;
}

bool PointInPolygon(const TPoint& point, const TPointArray& polygon)
{
    bool inside = false;
    const int n = static_cast<int>(polygon.size());
    for (int i = 0, j = n - 1; i < n; j = i++) {
        const TPoint& pi = polygon[i];
        const TPoint& pj = polygon[j];
        const bool straddles = (point.Y >= pi.Y && point.Y < pj.Y) || (point.Y >= pj.Y && point.Y < pi.Y);
        if (!straddles) continue;
        // In long double: the differences of points near the ends of int do not fit an int.
        const long double crossX = (static_cast<long double>(pj.X) - pi.X) * (static_cast<long double>(point.Y) - pi.Y) /
                                       (static_cast<long double>(pj.Y) - pi.Y) +
                                   pi.X;
        if (point.X <= crossX) inside = !inside;
    }
    return inside;
}

bool PolygonInsidePolygon(const TPointArray& inner, int high, const TPointArray& outer)
{
    high = std::min<int>(high, static_cast<int>(inner.size()) - 1);
    for (int i = 0; i <= high; ++i)
        if (!PointInPolygon(inner[i], outer)) return false;
    return true;
}

TPointFloat PolygonCentroid(const TPointArray& points)
{
    const std::size_t n = points.size();
    if (n == 0) return {};
    if (n == 1) return {static_cast<float>(points[0].X), static_cast<float>(points[0].Y)};
    if (n == 2)
        return {static_cast<float>((points[0].X + points[1].X) * 0.5),
                static_cast<float>((points[0].Y + points[1].Y) * 0.5)};
    double sx = 0, sy = 0, area = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const TPoint& pi = points[i];
        const TPoint& pk = points[(i + 1) % n];
        const double c = static_cast<double>(static_cast<long long>(pk.Y) * pi.X - static_cast<long long>(pk.X) * pi.Y);
        sx += c * (pk.X + pi.X);
        sy += c * (pk.Y + pi.Y);
        area += c;
    }
    if (area == 0) return {};
    const float factor = static_cast<float>(1.0 / (6.0 * area / 2.0));
    return {static_cast<float>(sx) * factor, static_cast<float>(sy) * factor};
}

namespace {
std::uint8_t Channel(TColor color, int shift) { return static_cast<std::uint8_t>((static_cast<std::uint32_t>(color) >> shift) & 0xFF); }

TColor FromChannels(int red, int green, int blue)
{
    return static_cast<TColor>(ColorFromBytes(static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green),
                                              static_cast<std::uint8_t>(blue), 0));
}
}  // namespace

TColor DarkenColor(TColor color, std::uint8_t amount)
{
    auto down = [amount](std::uint8_t c) { return c <= amount ? 0 : c - amount; };
    return FromChannels(down(Channel(color, 0)), down(Channel(color, 8)), down(Channel(color, 16)));
}

TColor LightenColor(TColor color, std::uint8_t amount)
{
    auto up = [amount](std::uint8_t c) { return std::min(c + amount, 255); };
    return FromChannels(up(Channel(color, 0)), up(Channel(color, 8)), up(Channel(color, 16)));
}

std::uint32_t ColorFromBytes(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3)
{
    return b0 | (b1 << 8) | (b2 << 16) | (static_cast<std::uint32_t>(b3) << 24);
}

void ColorToRGBTriple(TColor color, std::uint8_t& blue, std::uint8_t& green, std::uint8_t& red)
{
    blue = Channel(color, 16);
    green = Channel(color, 8);
    red = Channel(color, 0);
}

void SetBitmapSize(QImage& bitmap, int width, int height)
{
    if (bitmap.width() == width && bitmap.height() == height) return;
    const QImage::Format format = bitmap.isNull() ? QImage::Format_RGB32 : bitmap.format();
    bitmap = QImage(width, height, format);
}

void SetBitmapResolution(QImage& bitmap, int dotsPerInch)
{
    const int perMetre = static_cast<int>(Rnd(dotsPerInch * 39.370079));
    bitmap.setDotsPerMeterX(perMetre);
    bitmap.setDotsPerMeterY(perMetre);
}

QColor ToQColor(TColor color)
{
    const auto value = static_cast<std::uint32_t>(color);
    if ((value & 0xFF000000u) == 0xFF000000u) {
        // System colours: the few the charts use, taken from the application palette.
        const QPalette palette = QGuiApplication::palette();
        switch (value & 0xFF) {
        case 5: return palette.color(QPalette::Base);
        case 8: return palette.color(QPalette::Text);
        case 15: return palette.color(QPalette::Button);
        case 18: return palette.color(QPalette::ButtonText);
        default: return palette.color(QPalette::Window);
        }
    }
    return QColor(Channel(color, 0), Channel(color, 8), Channel(color, 16));
}

TColor FromQRgb(QRgb rgb) { return static_cast<TColor>(qRed(rgb) | (qGreen(rgb) << 8) | (qBlue(rgb) << 16)); }
