// The fill side of the smooth canvas: brushes of the chart's brush (solid, hatch, texture,
// linear and path gradients, all with the canvas's opacity), pictures, shadows and the
// lighting of 3D pie slices.
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvPicture.h"
#include "chart/graphics/DuvShadow.h"
#include "chart/output/DuvGDIPOBJ.h"
#include "chart/output/DuvGDIPlus.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"

namespace {
constexpr double kDegree = std::numbers::pi / 180;
int Round(double value) { return static_cast<int>(Rnd(value)); }

bool Reversed(TGradientDirection direction)
{
    return direction == gdBottomTop || direction == gdRightLeft || direction == gdFromBottomLeft ||
           direction == gdDiagonalDown;
}

struct TLinearMode {
    int Mode;  // 0 horizontal, 1 vertical, 2 forward diagonal, 3 backward diagonal
    double BaseAngle;
};

TLinearMode LinearMode(TGradientDirection direction)
{
    switch (direction) {
    case gdBottomTop: return {1, 270};
    case gdLeftRight: return {0, 0};
    case gdRightLeft: return {0, 180};
    case gdFromTopLeft: return {2, 45};
    case gdFromBottomLeft: return {3, 135};
    case gdDiagonalUp: return {3, 45};
    case gdDiagonalDown: return {2, 135};
    default: return {1, 90};
    }
}

Qt::BrushStyle HatchStyle(TBrushStyle style)
{
    switch (style) {
    case bsHorizontal: return Qt::HorPattern;
    case bsVertical: return Qt::VerPattern;
    case bsFDiagonal: return Qt::FDiagPattern;
    case bsBDiagonal: return Qt::BDiagPattern;
    case bsCross: return Qt::CrossPattern;
    default: return Qt::DiagCrossPattern;
    }
}

// The picture with its alpha scaled by opacity / 255.
QImage WithOpacity(const QImage& picture, int opacity)
{
    QImage result = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (opacity >= 255) return result;
    QPainter painter(&result);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.fillRect(result.rect(), QColor(0, 0, 0, opacity));
    return result;
}

// A path-gradient of a star-shaped outline painted into a picture: every edge with the centre
// is a triangle whose colour runs from the edge (position 0) to the centre (position 1), as the
// library's path gradients do. Outside the outline the picture stays transparent.
QBrush PaintedPathGradient(const QPolygonF& outline, const QPointF& centre, const QGradientStops& stops,
                           const std::optional<QRectF>& ellipse)
{
    const QRect area = outline.boundingRect().toAlignedRect();
    if (area.isEmpty()) return QBrush(stops.isEmpty() ? QColor() : stops.last().second);
    // A huge outline (an extreme zoom) keeps the colour of its centre.
    if (static_cast<long long>(area.width()) * area.height() > 16LL * 1024 * 1024) return QBrush(stops.last().second);
    QImage picture(area.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.translate(-area.topLeft());
    if (ellipse) {
        // Rays from the centre to an ellipse: a radial gradient on the unit circle, stretched.
        const QPointF c = ellipse->center();
        const double rx = std::max(ellipse->width() / 2, 1e-6), ry = std::max(ellipse->height() / 2, 1e-6);
        QRadialGradient gradient(QPointF(0, 0), 1, QPointF((centre.x() - c.x()) / rx, (centre.y() - c.y()) / ry));
        QGradientStops inverted;
        for (auto it = stops.rbegin(); it != stops.rend(); ++it) inverted.append({1 - it->first, it->second});
        gradient.setStops(inverted);
        QBrush brush(gradient);
        brush.setTransform(QTransform(rx, 0, 0, ry, c.x(), c.y()));
        painter.setRenderHint(QPainter::Antialiasing, true);
        QPainterPath path;
        path.addEllipse(*ellipse);
        painter.fillPath(path, brush);
    } else {
        painter.setPen(Qt::NoPen);
        const qsizetype n = outline.size();
        for (qsizetype i = 0; i < n; ++i) {
            const QPointF a = outline[i], b = outline[(i + 1) % n];
            const QPointF ab = b - a;
            const double length2 = QPointF::dotProduct(ab, ab);
            if (length2 <= 0) continue;
            const double u = QPointF::dotProduct(centre - a, ab) / length2;
            QLinearGradient gradient(a + u * ab, centre);
            gradient.setStops(stops);
            painter.setBrush(gradient);
            painter.drawPolygon(QPolygonF({a, b, centre}));
        }
    }
    painter.end();
    QBrush brush(picture);
    brush.setTransform(QTransform::fromTranslate(area.left(), area.top()));
    return brush;
}

// Area-weighted centre of an outline (its first point when it has no area).
QPointF OutlineCentre(const QPolygonF& outline)
{
    double area = 0, cx = 0, cy = 0;
    const qsizetype n = outline.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QPointF a = outline[i], b = outline[(i + 1) % n];
        const double cross = a.x() * b.y() - b.x() * a.y();
        area += cross;
        cx += (a.x() + b.x()) * cross;
        cy += (a.y() + b.y()) * cross;
    }
    if (std::abs(area) < 1e-9) return n > 0 ? outline.boundingRect().center() : QPointF();
    return QPointF(cx / (3 * area), cy / (3 * area));
}
}  // namespace

// ---------------------------------------------------------------- brushes

QColor TGDIPlusCanvas::StopColor(TColor color, int transparency) const
{
    QColor result = ArgbColor(ColorWithAlpha(color, 0));
    const auto value = static_cast<std::uint32_t>(color);
    const int top = (value & 0xFF000000u) == 0xFF000000u ? 0 : static_cast<int>(value >> 24);
    result.setAlpha(std::clamp(Round((100 - transparency) * 2.55 * opacity_ / 255) - top, 0, 255));
    return result;
}

QBrush TGDIPlusCanvas::PlainBrush(TDuvBrush& brush, std::optional<QColor>* back)
{
    if (brush.HasImage()) {
        const QImage* picture = brush.PeekImage()->GetFiltered();
        if (picture && !picture->isNull()) return QBrush(WithOpacity(*picture, opacity_));
    }
    if (const QImage* bitmap = brush.Bitmap(); bitmap && !bitmap->isNull()) return QBrush(WithOpacity(*bitmap, opacity_));
    if (brush.Style() != bsSolid) {
        if (back && brush.BackColor() != clNone) *back = ArgbColor(brush.BackColor());
        return QBrush(ArgbColor(brush.Color()), HatchStyle(brush.Style()));
    }
    return QBrush(ArgbColor(brush.Color()));
}

QBrush TGDIPlusCanvas::FillBrush(const QRectF& bounds, const QPolygonF* points, std::optional<QColor>* back)
{
    TDuvBrush& brush = Brush();
    if (!UsesGradient()) return PlainBrush(brush, back);
    TCustomDuvGradient& gradient = *brush.GetGradient();
    if (!GradientPolygon.empty()) {
        const QPolygonF polygon = [&] {
            QPolygonF p;
            for (const TPointFloat& q : GradientPolygon) p.append(QPointF(q.X, q.Y));
            return p;
        }();
        return GradientBrushForPoints(gradient, polygon);
    }
    if (points) return GradientBrushForPoints(gradient, *points);
    return GradientBrushForRect(gradient, bounds);
}

// The stops by position along the brush: from colour 1 to colour 2 for linear brushes, from the
// outline to the centre for path brushes.
QGradientStops TGDIPlusCanvas::Stops(TCustomDuvGradient& gradient, bool linear)
{
    TDuvGradientColors& colors = *gradient.GetColors();
    const int n = colors.Count();
    QGradientStops stops;
    if (n == 0) return stops;
    const bool reversed = Reversed(gradient.Direction());
    auto stop = [&](int i) { return colors.Stop(reversed ? i : n - 1 - i); };
    if (linear && n <= 2) {
        stops.append({0, StopColor(stop(0)->Color(), stop(0)->Transparency())});
        stops.append({1, StopColor(stop(n - 1)->Color(), stop(n - 1)->Transparency())});
        return stops;
    }
    std::vector<QColor> blendColors;
    std::vector<double> positions;
    for (int i = 0; i < n; ++i) {
        const TDuvGradientColor* s = stop(i);
        blendColors.push_back(StopColor(s->Color(), s->Transparency()));
        positions.push_back(reversed ? s->Offset() : 1 - s->Offset());
    }
    QLinearGradient blend;
    if (SetPresetBlend(blend, blendColors, positions) == gpOk) stops = blend.stops();
    return stops;
}

QBrush TGDIPlusCanvas::LinearGradientBrush(TCustomDuvGradient& gradient, const QRectF& r)
{
    const TLinearMode mode = LinearMode(gradient.Direction());
    QPointF start, end;
    if (gradient.Angle() != 0) {
        // The gradient runs at the angle (clockwise on the screen) across the whole rectangle.
        const double a = (mode.BaseAngle + gradient.Angle()) * kDegree;
        const QPointF u(std::cos(a), std::sin(a));
        const QPointF c = r.center();
        double low = 0, high = 0;
        for (const QPointF& corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()}) {
            const double d = QPointF::dotProduct(corner - c, u);
            low = std::min(low, d);
            high = std::max(high, d);
        }
        start = c + low * u;
        end = c + high * u;
    } else {
        const double w = r.width(), h = r.height(), k = w * w + h * h > 0 ? 2 * w * h / (w * w + h * h) : 0;
        switch (mode.Mode) {
        case 0: start = r.topLeft(), end = r.topRight(); break;
        case 1: start = r.topLeft(), end = r.bottomLeft(); break;
        // The diagonals keep their bands parallel to the other diagonal.
        case 2: start = r.topLeft(), end = r.topLeft() + k * QPointF(h, w); break;
        default: start = r.topRight(), end = r.topRight() + k * QPointF(-h, w); break;
        }
    }
    QLinearGradient linear(start, end);
    linear.setStops(Stops(gradient, true));
    linear.setSpread(QGradient::RepeatSpread);
    return QBrush(linear);
}

QBrush TGDIPlusCanvas::PathGradientBrush(TCustomDuvGradient& gradient, const QPainterPath& path, const QPointF& centre)
{
    const QGradientStops stops = Stops(gradient, false);
    if (stops.isEmpty()) return QBrush(Qt::NoBrush);
    std::optional<QRectF> ellipse;
    if (gradient.Direction() == gdRadial) ellipse = path.boundingRect();
    return PaintedPathGradient(path.toFillPolygon(), centre, stops, ellipse);
}

QBrush TGDIPlusCanvas::GradientBrushForRect(TCustomDuvGradient& gradient, QRectF rect)
{
    double left = rect.left(), top = rect.top(), right = rect.right(), bottom = rect.bottom();
    const TGradientDirection direction = gradient.Direction();
    if (direction != gdFromCenter && direction != gdRadial)
        return LinearGradientBrush(gradient, QRectF(left - 1, top, right - left + 1, bottom - top));
    QPainterPath path;
    if (direction == gdFromCenter) {
        path.addRect(QRectF(left, top, right + 1 - left, bottom + 1 - top));
    } else {
        const double w = (right - left) / 4, h = (bottom - top) / 4;
        left -= w, right += w, top -= h, bottom += h;
        path.addEllipse(QRectF(left - 1, top - 1, right + 2 - left, bottom + 2 - top));
    }
    const QPointF centre((left + right) / 2 + gradient.RadialX(), (top + bottom) / 2 + gradient.RadialY());
    return PathGradientBrush(gradient, path, centre);
}

QBrush TGDIPlusCanvas::GradientBrushForPoints(TCustomDuvGradient& gradient, const QPolygonF& points)
{
    QRectF bounds = points.boundingRect();
    const TGradientDirection direction = gradient.Direction();
    if (direction != gdFromCenter && direction != gdRadial) return LinearGradientBrush(gradient, bounds);
    QPainterPath path;
    if (direction == gdFromCenter) {
        path.addRect(bounds);
    } else {
        const double w = Round(bounds.width() / 4), h = Round(bounds.height() / 4);
        bounds.adjust(-w, -h, w, h);
        path.addEllipse(bounds);
    }
    QPointF centre = bounds.center();
    if (gradient.RadialX() != 0 || gradient.RadialY() != 0)
        centre = QPointF(Round(centre.x()) + gradient.RadialX(), Round(centre.y()) + gradient.RadialY());
    return PathGradientBrush(gradient, path, centre);
}

void TGDIPlusCanvas::GradientFill(const TRect& rect, TColor startColor, TColor endColor, TGradientDirection direction,
                                  int balance, int radialX, int radialY)
{
    TDuvGradient& gradient = *Brush().GetGradient();
    gradient.SetVisible(true);
    gradient.SetStartColor(startColor);
    gradient.SetEndColor(endColor);
    gradient.SetMidColor(clNone);
    gradient.SetDirection(direction);
    gradient.SetBalance(balance);
    gradient.SetRadialX(radialX);
    gradient.SetRadialY(radialY);
    QPainter* painter = Painter();
    if (!painter) return;
    const QRectF r(rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top);
    painter->fillRect(r, GradientBrushForRect(gradient, r));
}

// ---------------------------------------------------------------- pictures

void TGDIPlusCanvas::DrawGraphic(int x, int y, const QImage& graphic)
{
    QPainter* painter = Painter();
    if (!painter || graphic.isNull()) return;
    painter->save();
    painter->setOpacity(opacity_ / 255.0);
    painter->drawImage(QPointF(x, y), graphic);
    painter->restore();
}

void TGDIPlusCanvas::StretchDraw(const TRect& rect, const QImage& graphic)
{
    QPainter* painter = Painter();
    if (!painter || graphic.isNull()) return;
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform, StretchQuality == sqHigh);
    painter->setOpacity(opacity_ / 255.0);
    // Transparent pixels of the picture stay transparent: its alpha channel is kept.
    painter->drawImage(QRectF(rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top), graphic);
    painter->restore();
}

void TGDIPlusCanvas::StretchBitmap(const QImage& source, QImage& target)
{
    if (source.isNull() || target.isNull()) return;
    QPainter painter(&target);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QRectF(0, 0, target.width(), target.height()), source);
}

// ---------------------------------------------------------------- shadows

// Transparent white at the outline, the colour from the inner position to the centre.
void TGDIPlusCanvas::SoftFill(const QPainterPath& path, TColor color, double innerPosition,
                              const std::optional<QRectF>& ellipse)
{
    QPainter* painter = Painter();
    if (!painter) return;
    const QColor c = ArgbColor(ColorWithAlpha(color, 0));
    QColor outline = Metafiling ? QColor(c.red(), c.green(), c.blue()) : QColor(255, 255, 255, 0);
    QGradientStops stops{{0, outline}, {innerPosition, Metafiling ? outline : c}, {1, Metafiling ? outline : c}};
    const QPolygonF polygon = path.toFillPolygon();
    const QPointF centre = ellipse ? ellipse->center() : OutlineCentre(polygon);
    painter->fillPath(path, PaintedPathGradient(polygon, centre, stops, ellipse));
}

void TGDIPlusCanvas::DrawShadow(TDuvShadow& shadow, const TRect& rect, bool ellipse, int cornerSize,
                                const TPointArray& points, int high, double holePercent, double startAngle,
                                double endAngle)
{
    const QRectF box(rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top);
    QPainterPath path;
    std::optional<QRectF> round;
    if (high >= 0 && !points.empty()) {
        QPolygonF polygon;
        for (int i = 0; i <= high && i < static_cast<int>(points.size()); ++i) polygon.append(QPointF(points[i].X, points[i].Y));
        path.addPolygon(polygon);
        path.closeSubpath();
    } else if (cornerSize != 0) {
        path = RoundRectPath(box, cornerSize, cornerSize);
    } else if (ellipse) {
        if (holePercent <= 0) {
            if (startAngle - endAngle != 360 && endAngle - startAngle != 360) {
                const double end = endAngle == 0 ? 360 : endAngle;
                const double sweep = startAngle <= end ? end - startAngle : endAngle + 360 - startAngle;
                path.moveTo(box.center());
                path.arcTo(box, startAngle, sweep);
                path.closeSubpath();
            } else {
                path.addEllipse(box);
                round = box;
            }
        } else {
            const QRectF inner(box.center().x() - box.width() / 2 * holePercent / 100,
                               box.center().y() - box.height() / 2 * holePercent / 100,
                               box.width() * holePercent / 100, box.height() * holePercent / 100);
            path.arcMoveTo(box, startAngle);
            path.arcTo(box, startAngle, endAngle - startAngle);
            path.arcTo(inner, endAngle, startAngle - endAngle);
            path.closeSubpath();
        }
    } else {
        path = RoundRectPath(box, 4, 4);
    }
    TColor color = shadow.Color();
    if (shadow.Smooth()) {
        if (static_cast<std::int32_t>(color) < 0) color = clBlack;
        SoftFill(path, color, shadow.SmoothBlur() * 0.002 + 0.1, round);
        return;
    }
    if (QPainter* painter = Painter()) painter->fillPath(path, StopColor(color, shadow.Transparency()));
}

// ---------------------------------------------------------------- pie lighting

void TGDIPlusCanvas::ShadeSliceEdges(TEdgeStyle style, int depth, const TPie3DSlice& slice)
{
    const int x = slice.XCenter, y = slice.YCenter, xr = slice.XRadius, yr = slice.YRadius;
    const TRect top{x - xr, y - yr, x + xr, y + yr};
    TRect bevel0 = top, bevel1{top.Left, top.Top + depth, top.Right, top.Bottom + depth};
    if (slice.BevelPercent > 0) {
        const double u = slice.BevelPercent * depth * 0.01;
        bevel0 = {x - Round(xr - u), y - Round(yr - u), x + Round(xr - u), y + Round(yr - u)};
        bevel1 = {top.Left, top.Top + Round(u), top.Right, top.Bottom + Round(u)};
    }
    TRect inner;
    const bool donut = slice.DonutPercent > 0;
    if (donut) {
        const int hx = Round(slice.DonutPercent * xr * 0.01), hy = Round(slice.DonutPercent * yr * 0.01);
        inner = {x - hx, y - hy, x + hx, y + hy};
    }
    const int start = Round(slice.StartAngle / kDegree);
    int end = Round(slice.EndAngle / kDegree);
    if (end < start) end += 360;

    TDuvPen& pen = Pen();
    const TPenStyle penStyle = pen.Style();
    TDuvGradient saved;
    saved.Assign(Brush().GetGradient());
    const TScopeGuard restore([&] {
        pen.SetStyle(penStyle);
        Brush().GetGradient()->Assign(&saved);
        GradientPolygon.clear();
    });
    pen.SetStyle(psClear);
    auto at = [&](const TRect& r, int angle) { return PointOnEllipse(r, depth, angle, false); };
    auto arc = [&](TPointFloatArray& points, const TRect& r, int from, int to) {
        const int step = to >= from ? 1 : -1;
        for (int a = from;; a += step) {
            points.push_back(at(r, a));
            if (a == to) break;
        }
    };
    TDuvGradient& gradient = *Brush().GetGradient();
    auto setStops = [&](std::initializer_list<std::pair<int, double>> stops) {
        TDuvGradientColors& colors = *gradient.GetColors();
        colors.Clear();
        for (const auto& [transparency, offset] : stops) colors.AddStop(clWhite, transparency, offset);
    };

    // The glow over the whole slice, from its top-left.
    GradientPolygon.clear();
    arc(GradientPolygon, bevel0, 0, 360);
    setStops({{0, 0}, {100, 1}});
    gradient.SetVisible(true);
    gradient.SetAngle(0);
    gradient.SetDirection(gdRadial);
    gradient.SetRadialX(-(bevel0.Width() / 2));
    gradient.SetRadialY(-(bevel0.Height() / 2));
    TPointFloatArray slicePoints;
    if (!donut) {
        TPoint c;
        Project(x, y, depth, c);
        slicePoints.push_back({static_cast<float>(c.X), static_cast<float>(c.Y)});
        arc(slicePoints, bevel0, start, end);
    } else {
        arc(slicePoints, bevel0, start, end);
        arc(slicePoints, inner, end, start);
    }
    PolygonFloat(slicePoints);

    // The band of light on the edge facing the light, only where the slice is.
    if (style == edNone) return;
    const int s = std::max(start, 295), e = std::min(end, 335);
    if (s >= e) return;
    GradientPolygon.clear();
    arc(GradientPolygon, bevel1, 295, 335);
    arc(GradientPolygon, bevel0, 335, 295);
    if (style == edFlat) {
        setStops({{100, 0}, {20, 0.5}, {100, 1}});
        gradient.SetDirection(gdTopBottom);
        gradient.SetAngle(90);
        gradient.SetRadialX(0);
        gradient.SetRadialY(0);
    } else {
        const TFloatRect b = FloatPolygonBounds(GradientPolygon, static_cast<int>(GradientPolygon.size()) - 1);
        setStops({{0, 0}, {100, 1}});
        gradient.SetDirection(gdRadial);
        gradient.SetRadialX(-Round((b.Right - b.Left) * 0.125));
        gradient.SetRadialY(-Round((b.Bottom - b.Top) * 0.125));
    }
    TPointFloatArray band;
    arc(band, bevel1, s, e);
    arc(band, bevel0, e, s);
    PolygonFloat(band);
}
