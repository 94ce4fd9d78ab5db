#include "chart/output/DuvGDIPlus.h"

#include <QPainter>
#include <algorithm>
#include <cassert>
#include <cmath>
#include <numbers>

#include "chart/graphics/CanvasHelpers.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/output/DuvGDIPOBJ.h"
#include "platform/core/ClassRegistry.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"

namespace {
constexpr double kDegree = std::numbers::pi / 180;
int Round(double value) { return static_cast<int>(Rnd(value)); }

QRectF BoundsOf(const QPointF& a, const QPointF& b) { return QRectF(a, b).normalized(); }

QPolygonF PolygonOf(const TPointArray& points)
{
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const TPoint& p : points) polygon.append(QPointF(p.X, p.Y));
    return polygon;
}

QPolygonF PolygonOf(const TPointFloatArray& points)
{
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const TPointFloat& p : points) polygon.append(QPointF(p.X, p.Y));
    return polygon;
}

// Arc angles of the library: degrees, clockwise on the screen (y down).
void AddGdiArc(QPainterPath& path, const QRectF& box, double start, double sweep)
{
    if (path.elementCount() == 0) path.arcMoveTo(box, -start);
    path.arcTo(box, -start, -sweep);
}

// The library's dash patterns, in pen widths.
QList<qreal> GdiDashes(TPenStyle style)
{
    switch (style) {
    case psDash: return {3, 1};
    case psDot: return {1, 1};
    case psDashDot: return {3, 1, 1, 1};
    case psDashDotDot: return {3, 1, 1, 1, 1, 1};
    default: return {};
    }
}

}  // namespace

QPainterPath RoundRectPath(const QRectF& r, int cornerWidth, int cornerHeight)
{
    const double cw = std::clamp<double>(cornerWidth / 2 * 2, 1, std::max(1.0, r.width()));
    const double ch = std::clamp<double>(cornerHeight / 2 * 2, 1, std::max(1.0, r.height()));
    QPainterPath path;
    AddGdiArc(path, QRectF(r.right() - cw, r.top(), cw, ch), 270, 90);
    AddGdiArc(path, QRectF(r.right() - cw, r.bottom() - ch, cw, ch), 0, 90);
    AddGdiArc(path, QRectF(r.left(), r.bottom() - ch, cw, ch), 90, 90);
    AddGdiArc(path, QRectF(r.left(), r.top(), cw, ch), 180, 90);
    path.closeSubpath();
    return path;
}

namespace {
// Counterclockwise start and end of a pie as the library's clockwise start and sweep.
void PieSweep(double startAngle, double endAngle, double& start, double& sweep)
{
    const double end = endAngle == 0 ? 360 : endAngle;
    sweep = startAngle <= end ? end - startAngle : endAngle + 360 - startAngle;
    start = 360 - startAngle - sweep;
}

// A smooth canvas drawing straight onto an image of its own painter.
class TGDIPlusImageCanvas : public TGDIPlusCanvas {
public:
    explicit TGDIPlusImageCanvas(QImage& image) : painter_(&image)
    {
        SetBufferedDisplay(false);
        InitWindow(&painter_, nullptr, clWhite, false, {0, 0, image.width(), image.height()});
    }
    ~TGDIPlusImageCanvas() override { SetCanvas(nullptr); }

private:
    QPainter painter_;
};
}  // namespace

// ---------------------------------------------------------------- construction

TGDIPlusCanvas::TGDIPlusCanvas()
{
    StartGDIPlus();
    TextQuality = fqDefault;
    NativeBlending = true;
    NoTransformSupport = false;
    inner_ = std::make_unique<TDuvCanvas3D>();
    inner_->SetBufferedDisplay(false);
    MakeFont();
}

TGDIPlusCanvas::~TGDIPlusCanvas()
{
    inner_->SetCanvas(nullptr);
    SetCanvas(nullptr);
}

QPainter* TGDIPlusCanvas::Painter() { return ReferenceCanvas(); }

QPainter* TGDIPlusCanvas::GetGraphics()
{
    QPainter* painter = Painter();
    if (painter) ApplySmoothing(*painter, Smoothing());
    return painter;
}

void TGDIPlusCanvas::ApplySmoothing(QPainter& painter, bool on)
{
    painter.setRenderHint(QPainter::Antialiasing, on);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, StretchQuality != sqLow);
}

void TGDIPlusCanvas::SetCanvas(QPainter* device)
{
    TDuvCanvas3D::SetCanvas(device);
    if (!device) return;
    ApplySmoothing(*device, Smoothing());
    device->setCompositionMode(QPainter::CompositionMode_SourceOver);
    device->setBackgroundMode(Qt::TransparentMode);
    if (clip_.Clipping) {
        // Only the world transform goes: a printout's window and viewport stay in force.
        const QTransform world = device->worldTransform();
        device->setWorldTransform(QTransform());
        device->setClipPath(clip_.Path);
        device->setWorldTransform(world);
    } else {
        device->setClipping(false);
    }
}

TRect TGDIPlusCanvas::InitWindow(QPainter* destination, TView3DOptions* options, TColor background, bool is3D,
                                 const TRect& rect)
{
    if (GetBufferedDisplay()) {
        const int w = std::max(rect.Right - rect.Left, 1), h = std::max(rect.Bottom - rect.Top, 1);
        const QImage* buffer = BufferBitmap();
        if (!buffer || buffer->width() != w || buffer->height() != h ||
            buffer->format() != QImage::Format_ARGB32_Premultiplied) {
            auto image = std::make_unique<QImage>(w, h, QImage::Format_ARGB32_Premultiplied);
            image->fill(Qt::white);
            SetBufferBitmap(std::move(image));
        }
    }
    clip_ = {};
    clipHistory_.clear();
    transforms_.clear();
    const TRect result = TDuvCanvas3D::InitWindow(destination, options, background, is3D, rect);
    if (GetBufferedDisplay() && Painter()) Painter()->resetTransform();
    position_ = {};
    currentZ_ = 0;
    GetGraphics();
    return result;
}

bool TGDIPlusCanvas::IsSupported() { return GDIPlusAvailable(); }

std::unique_ptr<TDuvCanvas> TGDIPlusCanvas::CreateImageCanvas(QImage& image)
{
    return std::make_unique<TGDIPlusImageCanvas>(image);
}

void TGDIPlusCanvas::SetAntiAlias(bool value)
{
    if (antiAlias_ == value) return;
    antiAlias_ = value;
    if (QPainter* painter = Painter()) ApplySmoothing(*painter, Smoothing());
    if (View3DOptions) View3DOptions->Repaint();
}

void TGDIPlusCanvas::SetSmoothing(bool on)
{
    smoothing_ = on;
    if (QPainter* painter = Painter()) ApplySmoothing(*painter, Smoothing());
    GdiPen();
}

void TGDIPlusCanvas::SetFastLineMode(bool on) { SetSmoothing(!on); }

// ---------------------------------------------------------------- colours, opacity, pen

QColor TGDIPlusCanvas::ArgbColor(TColor color) const
{
    assert(color != clNone);
    const auto value = static_cast<std::uint32_t>(color);
    // System colours carry their index, not a transparency, in the top byte.
    const int top = (value & 0xFF000000u) == 0xFF000000u ? 0 : static_cast<int>(value >> 24);
    QColor result = ToQColor(color);
    result.setAlpha(std::max(0, opacity_ - top));
    return result;
}

TDuvBlend* TGDIPlusCanvas::BeginBlending(const TRect&, int transparency)
{
    PushTransparency();
    Transparency = 100 - Round((100 - Transparency) * (100 - transparency) * 0.01);
    opacityStack_.push_back(opacity_);
    opacity_ = static_cast<std::uint8_t>(std::clamp(Round((100 - transparency) * 2.55 * opacity_ / 255), 0, 255));
    gdiPen_.reset();
    return nullptr;
}

void TGDIPlusCanvas::EndBlending(TDuvBlend* blend)
{
    delete blend;
    PopTransparency();
    if (opacityStack_.empty()) return;
    opacity_ = opacityStack_.back();
    opacityStack_.pop_back();
    gdiPen_.reset();
}

void TGDIPlusCanvas::ApplyPen() { gdiPen_.reset(); }

void TGDIPlusCanvas::ApplyBrush(TDuvBrush& brush) { TDuvCanvas::ApplyBrush(brush); }

const QPen* TGDIPlusCanvas::GdiPen()
{
    if (gdiPen_) return &*gdiPen_;
    TDuvPen& pen = Pen();
    if (!pen.Visible() || pen.Style() == psClear) return nullptr;
    QPen result(ArgbColor(pen.Color()), std::max(pen.Width(), 0));
    const QList<qreal> dashes = GdiDashes(pen.SmallDots() ? psDot : pen.Style());
    if (!dashes.isEmpty()) result.setDashPattern(dashes);
    static constexpr Qt::PenCapStyle caps[] = {Qt::RoundCap, Qt::SquareCap, Qt::FlatCap};
    static constexpr Qt::PenJoinStyle joins[] = {Qt::RoundJoin, Qt::BevelJoin, Qt::MiterJoin};
    result.setCapStyle(caps[std::clamp(static_cast<int>(pen.EndStyle()), 0, 2)]);
    result.setJoinStyle(joins[std::clamp(static_cast<int>(pen.JoinStyle()), 0, 2)]);
    gdiPen_ = result;
    return &*gdiPen_;
}

bool TGDIPlusCanvas::PenReady(const QRectF& bounds)
{
    if (!GdiPen()) return false;
    TDuvBrush* fill = Pen().PeekFill();
    if (fill && fill->HasGradient()) {
        const double half = gdiPen_->widthF() / 2;
        const QRectF grown = bounds.adjusted(-half, -half, half, half);
        gdiPen_->setBrush(GradientBrushForRect(*fill->GetGradient(), grown));
    }
    return true;
}

bool TGDIPlusCanvas::XorPen() const
{
    const TPenMode mode = const_cast<TGDIPlusCanvas*>(this)->Pen().Mode();
    return mode == pmXor || mode == pmNotXor;
}

// The GDI canvas draws on the same painter; the painter's state (clip, transform, smoothing,
// raster operation) is saved around it.
void TGDIPlusCanvas::XorDraw(const std::function<void(TDuvCanvas3D&)>& draw)
{
    QPainter* painter = Painter();
    if (!painter) return;
    painter->save();
    const TScopeGuard restore([&] {
        inner_->SetCanvas(nullptr);
        painter->restore();
    });
    const QTransform world = painter->transform();
    const bool clipping = painter->hasClipping();
    const QPainterPath clip = clipping ? painter->clipPath() : QPainterPath();
    inner_->SetCanvas(painter);
    painter->setTransform(world);
    if (clipping) painter->setClipPath(clip);
    inner_->AssignPenColor(Pen(), Pen().Color());
    draw(*inner_);
}

void TGDIPlusCanvas::SetPixel(int x, int y, TColor color)
{
    QPen pen = GdiPen() ? *gdiPen_ : QPen(Qt::black, 1);
    pen.setColor(ArgbColor(color));
    gdiPen_ = pen;
    if (QPainter* painter = Painter()) {
        painter->setPen(pen);
        painter->drawLine(x, y, x + 1, y);
    }
}

void TGDIPlusCanvas::SetPixel3D(int x, int y, int z, TColor color)
{
    ProjectXYZ(x, y, z);
    SetPixel(x, y, color);
}

// ---------------------------------------------------------------- lines

void TGDIPlusCanvas::StrokeLine(const QPointF& p0, const QPointF& p1, bool floatLine, bool xor_)
{
    const TScopeGuard moved([&] { position_ = {Round(p1.x()), Round(p1.y())}; });
    QPainter* painter = Painter();
    if (!painter || !PenReady(BoundsOf(p0, p1))) return;
    if (xor_ && XorPen())
        return XorDraw([&](TDuvCanvas3D& inner) { inner.Line(Round(p0.x()), Round(p0.y()), Round(p1.x()), Round(p1.y())); });
    painter->setPen(*gdiPen_);
    // A thin pen's float lines go on whole pixels.
    const bool thin = floatLine && gdiPen_->widthF() == 0 && Smoothing();
    if (thin) painter->setRenderHint(QPainter::Antialiasing, false);
    painter->drawLine(QLineF(p0, p1));
    if (thin) painter->setRenderHint(QPainter::Antialiasing, true);
}

void TGDIPlusCanvas::MoveTo(int x, int y) { position_ = {x, y}; }

void TGDIPlusCanvas::LineTo(int x, int y)
{
    StrokeLine(QPointF(position_.X, position_.Y), QPointF(x, y), false, true);
}

void TGDIPlusCanvas::Line(int x0, int y0, int x1, int y1) { StrokeLine(QPointF(x0, y0), QPointF(x1, y1), false, true); }

void TGDIPlusCanvas::HorizLine(int x0, int x1, int y) { StrokeLine(QPointF(x0, y), QPointF(x1, y), true, true); }

void TGDIPlusCanvas::VertLine(int x, int y0, int y1) { StrokeLine(QPointF(x, y0), QPointF(x, y1), true, true); }

void TGDIPlusCanvas::FastLineTo(int x, int y)
{
    QPainter* painter = Painter();
    if (painter && gdiPen_) {
        painter->setPen(*gdiPen_);
        painter->drawLine(QLineF(position_.X, position_.Y, x, y));
    }
    position_ = {x, y};
}

void TGDIPlusCanvas::HorizLine3D(int x0, int x1, int y, int z)
{
    TPoint a, b;
    Project(x0, y, z, a);
    Project(x1, y, z, b);
    StrokeLine(QPointF(a.X, a.Y), QPointF(b.X, b.Y), false, true);
}

void TGDIPlusCanvas::VertLine3D(int x, int y0, int y1, int z)
{
    TPoint a, b;
    Project(x, y0, z, a);
    Project(x, y1, z, b);
    StrokeLine(QPointF(a.X, a.Y), QPointF(b.X, b.Y), false, true);
}

void TGDIPlusCanvas::ZLine3D(int x, int y, int z0, int z1)
{
    TPoint a, b;
    Project(x, y, z0, a);
    Project(x, y, z1, b);
    StrokeLine(QPointF(a.X, a.Y), QPointF(b.X, b.Y), false, true);
}

void TGDIPlusCanvas::LineWithZ(int x0, int y0, int x1, int y1, int z)
{
    TPoint a, b;
    Project(x0, y0, z, a);
    Project(x1, y1, z, b);
    StrokeLine(QPointF(a.X, a.Y), QPointF(b.X, b.Y), false, false);
}

void TGDIPlusCanvas::MoveTo3D(int x, int y, int z)
{
    currentZ_ = z;
    TPoint p;
    Project(x, y, z, p);
    position_ = p;
}

void TGDIPlusCanvas::LineTo3D(int x, int y, int z)
{
    TPoint p;
    Project(x, y, z, p);
    LineTo(p.X, p.Y);
}

void TGDIPlusCanvas::StrokePolyline(const QPolygonF& polygon)
{
    QPainter* painter = Painter();
    if (!painter || polygon.size() < 2 || !PenReady(polygon.boundingRect())) return;
    painter->setPen(*gdiPen_);
    painter->drawPolyline(polygon);
}

void TGDIPlusCanvas::Polyline(const TPointArray& points) { StrokePolyline(PolygonOf(points)); }

void TGDIPlusCanvas::PolylineFloat(const TPointFloatArray& points) { StrokePolyline(PolygonOf(points)); }

// ---------------------------------------------------------------- arcs

void TGDIPlusCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    if (Pen().Style() == psClear) return;
    double start = 0, end = 0;
    PointsToAngles(x1, y1, x2, y2, x3, y3, x4, y4, start, end);
    ArcAngles(x1, y1, x2, y2, start, end);
}

void TGDIPlusCanvas::ArcAngles(int left, int top, int right, int bottom, double startAngle, double endAngle)
{
    QPainter* painter = Painter();
    const QRectF box(left, std::min(top, bottom), std::abs(right - left), std::abs(bottom - top));
    if (!painter || !PenReady(box)) return;
    QPainterPath path;
    AddGdiArc(path, box, -startAngle, -(endAngle - startAngle));
    StrokePath(*painter, path);
}

void TGDIPlusCanvas::ArcTo(int left, int top, int right, int bottom, int xr1, int yr1, int xr2, int yr2, bool clockwise)
{
    QPainter* painter = Painter();
    double start = 0, end = 0;
    PointsToAngles(left, top, right, bottom, xr1, yr1, xr2, yr2, start, end);
    double sweep = end - start;
    if (clockwise) {
        while (sweep >= 0) sweep -= 360;
    } else {
        while (sweep <= 0) sweep += 360;
    }
    const QRectF box = QRectF(QPointF(left, top), QPointF(right, bottom)).normalized();
    QPainterPath path(QPointF(position_.X, position_.Y));
    path.arcTo(box, start, sweep);
    const QPointF last = path.currentPosition();
    position_ = {Round(last.x()), Round(last.y())};
    if (painter && PenReady(box)) StrokePath(*painter, path);
}

void TGDIPlusCanvas::StrokePath(QPainter& painter, const QPainterPath& path)
{
    painter.setPen(*gdiPen_);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}

// ---------------------------------------------------------------- filled figures

// Fills the figure by the fill-brush rule: nothing for a clear brush; a gradient over the
// figure's bounds (or its points, or the gradient polygon); else the plain brush.
void TGDIPlusCanvas::FillShape(QPainter& painter, const QPainterPath& path, const QRectF& bounds,
                               const QPolygonF* points)
{
    if (Brush().Style() == bsClear) return;
    std::optional<QColor> back;
    const QBrush brush = FillBrush(bounds, points, &back);
    if (back) painter.fillPath(path, *back);
    painter.fillPath(path, brush);
}

void TGDIPlusCanvas::FillAndStroke(const QPainterPath& path, const QRectF& bounds)
{
    QPainter* painter = Painter();
    if (!painter) return;
    FillShape(*painter, path, bounds, nullptr);
    if (PenReady(bounds)) StrokePath(*painter, path);
}

void TGDIPlusCanvas::FillRect(const TRect& rect)
{
    QPainter* painter = Painter();
    if (!painter || Brush().Style() == bsClear) return;
    const QRectF r(rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top);
    std::optional<QColor> back;
    const QBrush brush = FillBrush(r, nullptr, &back);
    if (back) painter->fillRect(r, *back);
    painter->fillRect(r, brush);
}

void TGDIPlusCanvas::Rectangle(int left, int top, int right, int bottom)
{
    const TRect r = OrientRectValues(left, top, right, bottom);
    if (XorPen()) {
        return XorDraw([&](TDuvCanvas3D& inner) {
            inner.AssignBrushColor(Brush(), Brush().Color(), Brush().BackColor());
            inner.Rectangle(r.Left, r.Top, r.Right, r.Bottom);
        });
    }
    QPainter* painter = Painter();
    if (!painter) return;
    const QRectF box(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    if (Brush().Style() != bsClear) {
        const QPen* pen = GdiPen();
        const double half = pen && pen->widthF() > 1 ? pen->widthF() / 2 : 0;
        const QRectF inside = box.adjusted(half, half, -half, -half);
        std::optional<QColor> back;
        const QBrush brush = FillBrush(inside, nullptr, &back);
        if (back) painter->fillRect(inside, *back);
        painter->fillRect(inside, brush);
    }
    if (!PenReady(box)) return;
    painter->setPen(*gdiPen_);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(box);
}

void TGDIPlusCanvas::RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight)
{
    QRectF r(QPointF(x1, y1), QPointF(x2, y2));
    if (!antiAlias_) r.adjust(0, 0, -1, -1);
    FillAndStroke(RoundRectPath(r, cornerWidth, cornerHeight), r);
}

void TGDIPlusCanvas::Ellipse(int x1, int y1, int x2, int y2)
{
    QPainter* painter = Painter();
    if (!painter) return;
    const QRectF box(x1, y1, x2 - x1, y2 - y1);
    if (Brush().Style() != bsClear) {
        const QPen* pen = GdiPen();
        const double half = pen && pen->widthF() >= 2 ? pen->widthF() / 2 : 0;
        const QRectF inside = box.adjusted(half, half, -half, -half);
        QPainterPath path;
        path.addEllipse(inside);
        FillShape(*painter, path, inside, nullptr);
    }
    if (!PenReady(box)) return;
    if (XorPen()) {
        return XorDraw([&](TDuvCanvas3D& inner) {
            inner.AssignBrushColor(Brush(), Brush().Color(), Brush().BackColor());
            inner.Ellipse(x1, y1, x2, y2);
        });
    }
    painter->setPen(*gdiPen_);
    painter->setBrush(Qt::NoBrush);
    painter->drawEllipse(box);
}

void TGDIPlusCanvas::PieAngles(const TRect& rect, double startAngle, double endAngle)
{
    double start = 0, sweep = 0;
    PieSweep(startAngle, endAngle, start, sweep);
    const QRectF box(rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top);
    QPainterPath path;
    if (sweep >= 360) {
        path.addEllipse(box);
    } else {
        path.moveTo(box.center());
        path.arcTo(box, -start, -sweep);
        path.closeSubpath();
    }
    QPainter* painter = Painter();
    if (!painter) return;
    const QPolygonF polygon = PolygonOf(GradientPolygon);
    FillShape(*painter, path, box, GradientPolygon.empty() ? nullptr : &polygon);
    if (PenReady(box)) StrokePath(*painter, path);
}

void TGDIPlusCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    double start = 0, end = 0;
    PointsToAngles(x1, y1, x2, y2, x3, y3, x4, y4, start, end);
    PieAngles(OrientRectValues(x1, y1, x2, y2), start, end);
}

void TGDIPlusCanvas::DonutSlice(int xCenter, int yCenter, int xRadius, int yRadius, double startAngle, double endAngle,
                                double holePercent)
{
    const double s = startAngle / kDegree, e = endAngle / kDegree;
    const QRectF outer(xCenter - xRadius, yCenter - yRadius, 2.0 * xRadius, 2.0 * yRadius);
    const double ix = xRadius * holePercent / 100, iy = yRadius * holePercent / 100;
    const QRectF inner(xCenter - ix, yCenter - iy, 2 * ix, 2 * iy);
    QPainterPath path;
    AddGdiArc(path, outer, 360 - e, e - s);
    AddGdiArc(path, inner, 360 - s, s - e);
    path.closeSubpath();
    FillAndStroke(path, outer);
}

void TGDIPlusCanvas::Polygon(const TPointArray& points)
{
    QPainter* painter = Painter();
    if (!painter || points.empty()) return;
    const QPolygonF polygon = PolygonOf(points);
    const QRectF bounds = polygon.boundingRect();
    if (Brush().Style() != bsClear) {
        const QPolygonF gradientPoints = GradientPolygon.empty() ? polygon : PolygonOf(GradientPolygon);
        std::optional<QColor> back;
        const QBrush brush = FillBrush(bounds, &gradientPoints, &back);
        painter->setPen(Qt::NoPen);
        if (back) {
            painter->setBrush(*back);
            painter->drawPolygon(polygon, Qt::OddEvenFill);
        }
        painter->setBrush(brush);
        painter->drawPolygon(polygon, Qt::OddEvenFill);
    }
    if (!PenReady(bounds)) return;
    if (XorPen()) {
        return XorDraw([&](TDuvCanvas3D& inner) {
            inner.AssignBrushColor(Brush(), Brush().Color(), Brush().BackColor());
            inner.Polygon(points);
        });
    }
    painter->setPen(*gdiPen_);
    painter->setBrush(Qt::NoBrush);
    painter->drawPolygon(polygon, Qt::OddEvenFill);
}

void TGDIPlusCanvas::PolygonFloat(const TPointFloatArray& points)
{
    QPainter* painter = Painter();
    if (!painter || points.empty()) return;
    const QPolygonF polygon = PolygonOf(points);
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    path.addPolygon(polygon);
    path.closeSubpath();
    const QPolygonF gradientPoints = GradientPolygon.empty() ? polygon : PolygonOf(GradientPolygon);
    FillShape(*painter, path, polygon.boundingRect(), &gradientPoints);
    if (PenReady(polygon.boundingRect())) StrokePath(*painter, path);
}

void TGDIPlusCanvas::PolygonOrPolyline(const TPointArray& points, bool filled, int, double tension)
{
    QPainter* painter = Painter();
    if (!painter || points.size() < 2) return;
    std::vector<QPointF> curvePoints;
    for (const TPoint& p : points) curvePoints.emplace_back(p.X, p.Y);
    const QPolygonF polygon = PolygonOf(points);
    if (Brush().Style() != bsClear) {
        QPainterPath closedCurve;
        AddCardinalCurve(closedCurve, curvePoints, tension, true);
        const QPolygonF gradientPoints = GradientPolygon.empty() ? polygon : PolygonOf(GradientPolygon);
        FillShape(*painter, closedCurve, polygon.boundingRect(), &gradientPoints);
    }
    const double width = GdiPen() ? gdiPen_->widthF() : 0;
    if (!PenReady(polygon.boundingRect().adjusted(-width / 2, -width / 2, width / 2, width / 2))) return;
    QPainterPath curve;
    AddCardinalCurve(curve, curvePoints, tension, filled);
    StrokePath(*painter, curve);
}

// ---------------------------------------------------------------- clipping

void TGDIPlusCanvas::SaveClip() { clipHistory_.push_back(clip_); }

// Clip paths are kept without the world transform (a printout's window and viewport still map
// them): a clip restored later lands where it was, whatever transform is in force then.
void TGDIPlusCanvas::SetClip(const QPainterPath& path, Qt::ClipOperation operation)
{
    QPainter* painter = Painter();
    const QTransform world = painter ? painter->transform() : QTransform();
    QPainterPath figure = world.map(path);
    figure.setFillRule(path.fillRule());
    if (operation == Qt::NoClip) {
        // Exclusion: what was visible, less the figure.
        QPainterPath visible;
        if (clip_.Clipping) {
            visible = clip_.Path;
        } else {
            const QPaintDevice* device = painter ? painter->device() : nullptr;
            visible.addRect(device ? QRectF(0, 0, device->width(), device->height()) : figure.boundingRect());
        }
        clip_ = {true, visible.subtracted(figure)};
    } else {
        clip_ = {true, clip_.Clipping ? clip_.Path.intersected(figure) : figure};
    }
    if (!painter) return;
    painter->setWorldTransform(QTransform());
    painter->setClipPath(clip_.Path);
    painter->setWorldTransform(world);
}

void TGDIPlusCanvas::ClipToRect(const TRect& rect)
{
    SaveClip();
    QPainterPath path;
    // One pixel more above and below: the library's clip of a chart rectangle.
    path.addRect(QRectF(rect.Left, rect.Top - 1, rect.Right - rect.Left, rect.Bottom - rect.Top + 2));
    SetClip(path, Qt::IntersectClip);
}

void TGDIPlusCanvas::ClipToRoundRect(const TRect& rect, int cornerWidth, int cornerHeight)
{
    if (cornerWidth <= 0 && cornerHeight <= 0) return ClipToRect(rect);
    SaveClip();
    SetClip(RoundRectPath(QRectF(QPointF(rect.Left, rect.Top), QPointF(rect.Right, rect.Bottom)), cornerWidth, cornerHeight),
            Qt::IntersectClip);
}

void TGDIPlusCanvas::ClipToEllipse(const TRect& rect, bool)
{
    SaveClip();
    QPainterPath path;
    path.addEllipse(QRectF(QPointF(rect.Left, rect.Top), QPointF(rect.Right, rect.Bottom)));
    SetClip(path, Qt::IntersectClip);
}

void TGDIPlusCanvas::ClipToPolygon(const TPointArray& points, int count, bool exclude)
{
    count = std::min<int>(count, static_cast<int>(points.size()));
    if (count < 1) return;
    SaveClip();
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    path.addPolygon(PolygonOf(TPointArray(points.begin(), points.begin() + count)));
    path.closeSubpath();
    SetClip(path, exclude ? Qt::NoClip : Qt::IntersectClip);
}

void TGDIPlusCanvas::Unclip()
{
    if (clipHistory_.empty()) return;
    clip_ = clipHistory_.back();
    clipHistory_.pop_back();
    QPainter* painter = Painter();
    if (!painter) return;
    if (!clip_.Clipping) return painter->setClipping(false);
    const QTransform world = painter->transform();
    painter->setWorldTransform(QTransform());
    painter->setClipPath(clip_.Path);
    painter->setWorldTransform(world);
}

bool TGDIPlusCanvas::PointVisible(int x, int y)
{
    return !clip_.Clipping || clip_.Path.contains(QPointF(x + 0.5, y + 0.5));
}

// ---------------------------------------------------------------- transforms

TDuvTransform* TGDIPlusCanvas::PushTransform(const std::string&, TDuvTransform* transform, void*)
{
    TTransformEntry entry;
    if (transform && transform->Enabled) {
        QPainter* painter = Painter();
        entry.Saved = painter ? painter->transform() : QTransform();
        ApplyTransform(*transform, entry);
    }
    transforms_.push_back(entry);
    return transform;
}

// Scaled and turned about the pivot first, then moved.
void TGDIPlusCanvas::ApplyTransform(const TDuvTransform& t, TTransformEntry& entry)
{
    if (t.Clip) {
        ClipToRect(t.ClipRect);
        entry.Clipped = true;
    }
    QPainter* painter = Painter();
    if (!painter) return;
    if (t.TranslateX != 0 || t.TranslateY != 0) painter->translate(t.TranslateX, t.TranslateY);
    if (t.ScaleX != 1 || t.ScaleY != 1 || t.Rotation != 0) {
        painter->translate(t.PivotX, t.PivotY);
        if (t.Rotation != 0) painter->rotate(t.Rotation);
        if (t.ScaleX != 1 || t.ScaleY != 1) painter->scale(t.ScaleX, t.ScaleY);
        painter->translate(-t.PivotX, -t.PivotY);
    }
}

void TGDIPlusCanvas::PopTransform()
{
    if (transforms_.empty()) return;
    const TTransformEntry entry = transforms_.back();
    transforms_.pop_back();
    if (!entry.Saved) return;
    if (QPainter* painter = Painter()) painter->setTransform(*entry.Saved);
    // Only what this transform clipped is undone: the caller's clip stays.
    if (entry.Clipped) Unclip();
}

// ---------------------------------------------------------------- 3D

void TGDIPlusCanvas::RectangleWithZRounded(const TRect& rect, int z, int cornerSize)
{
    if (!IsOrthogonal) return RectangleAtZ(rect, z);
    TRect projected;
    ProjectRect(rect, z, projected);
    RoundRectCorners(projected, cornerSize, cornerSize, nullptr);
}

void TGDIPlusCanvas::TextOut3D(int x, int y, int z, const std::string& text, bool markup)
{
    TPoint p;
    Project(x, y, z, p);
    TextOutFormatted(p.X, p.Y, markup, text);
}

std::unique_ptr<TDuvBasePath> TGDIPlusCanvas::CreatePath() { return std::make_unique<TDuvGDIPlusPath>(); }

// ---------------------------------------------------------------- path

void AddCardinalCurve(QPainterPath& path, const std::vector<QPointF>& points, double tension, bool closed)
{
    const std::size_t n = points.size();
    if (n == 0) return;
    if (closed || path.elementCount() == 0)
        path.moveTo(points[0]);
    else
        path.lineTo(points[0]);
    if (n == 1) return;
    // The library's tangents: a third of the tension-scaled chord of the neighbours.
    const double t = tension * 0.3;
    auto at = [&](std::ptrdiff_t i) {
        if (closed) return points[static_cast<std::size_t>((i % static_cast<std::ptrdiff_t>(n) + n) % n)];
        return points[static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(i, 0, static_cast<std::ptrdiff_t>(n) - 1))];
    };
    const std::size_t segments = closed ? n : n - 1;
    for (std::size_t i = 0; i < segments; ++i) {
        const auto k = static_cast<std::ptrdiff_t>(i);
        const QPointF p0 = at(k), p1 = at(k + 1);
        // The open curve's ends lean on their one neighbour.
        const QPointF d0 = (!closed && i == 0) ? p1 - p0 : at(k + 1) - at(k - 1);
        const QPointF d1 = (!closed && i + 1 == segments) ? (p1 - p0) : at(k + 2) - at(k);
        path.cubicTo(p0 + t * d0, p1 - t * d1, p1);
    }
    if (closed) path.closeSubpath();
}

void TDuvGDIPlusPath::ContinueAt(const QPointF& point)
{
    if (path_.elementCount() == 0)
        path_.moveTo(point);
    else if (path_.currentPosition() != point)
        path_.lineTo(point);
}

void TDuvGDIPlusPath::AddArc(float x, float y, float width, float height, float startAngle, float sweepAngle)
{
    // Joined to the figure's last point; the current point of LineTo stays where it was.
    AddGdiArc(path_, QRectF(x, y, width, height), startAngle, sweepAngle);
}

void TDuvGDIPlusPath::CloseFigure() { path_.closeSubpath(); }

void TDuvGDIPlusPath::AddPoints(const TPointArray& points, int last, bool closed)
{
    last = std::min(last, static_cast<int>(points.size()) - 1);
    if (last < 0) return;
    std::vector<QPointF> curve;
    for (int i = 0; i <= last; ++i) curve.emplace_back(points[i].X, points[i].Y);
    AddCardinalCurve(path_, curve, 0.5, closed);
    current_ = {static_cast<float>(points[last].X), static_cast<float>(points[last].Y)};
}

void TDuvGDIPlusPath::Draw(TDuvCanvas& canvas)
{
    auto* smooth = dynamic_cast<TGDIPlusCanvas*>(&canvas);
    if (!smooth) return;
    QPainter* painter = smooth->GetGraphics();
    if (!painter) return;
    if (canvas.Brush().Style() != bsClear) {
        const QPolygonF points = path_.toFillPolygon();
        std::optional<QColor> back;
        const QBrush brush = smooth->FillBrush(points.boundingRect(), &points, &back);
        if (back) painter->fillPath(path_, *back);
        painter->fillPath(path_, brush);
    }
    if (const QPen* pen = smooth->GdiPen()) {
        painter->setPen(*pen);
        painter->setBrush(Qt::NoBrush);
        painter->drawPath(path_);
    }
}

void TDuvGDIPlusPath::LineTo(float x, float y)
{
    ContinueAt(QPointF(current_.X, current_.Y));
    path_.lineTo(x, y);
    current_ = {x, y};
}

void TDuvGDIPlusPath::MoveTo(float x, float y) { current_ = {x, y}; }

// ---------------------------------------------------------------- switch component

TDuvGDIPlus::TDuvGDIPlus(TComponent* owner) : TComponent(owner) {}

TDuvGDIPlus::~TDuvGDIPlus()
{
    if (TGDIPlusCanvas* canvas = GetCanvas(); canvas && canvas->GDIPlus == this) canvas->GDIPlus = nullptr;
    SetDuvPanel(nullptr);
}

void TDuvGDIPlus::DeclareProperties(TPropertyDeclarer<TDuvGDIPlus>& p)
{
    p.Boolean("Active", &TDuvGDIPlus::Active, &TDuvGDIPlus::SetActive).Default(false);
    p.Boolean("Antialias", &TDuvGDIPlus::Antialias, &TDuvGDIPlus::SetAntialias).Default(true);
    p.Enum("AntiAliasText", &TDuvGDIPlus::AntiAliasText, &TDuvGDIPlus::SetAntiAliasText).Default(gpfDefault);
    p.Component("DuvPanel", &TDuvGDIPlus::DuvPanel, &TDuvGDIPlus::SetDuvPanel);
}

TGDIPlusCanvas* TDuvGDIPlus::GetCanvas() const
{
    return panel_ ? dynamic_cast<TGDIPlusCanvas*>(&panel_->Canvas()) : nullptr;
}

void TDuvGDIPlus::SetActive(bool value)
{
    if (active_ == value) return;
    active_ = value;
    Apply();
}

void TDuvGDIPlus::SetAntialias(bool value)
{
    if (antialias_ == value) return;
    antialias_ = value;
    PassSettings();
}

void TDuvGDIPlus::SetAntiAliasText(TGDIPlusFontQuality value)
{
    if (antiAliasText_ == value) return;
    antiAliasText_ = value;
    PassSettings();
}

void TDuvGDIPlus::PassSettings()
{
    if (TGDIPlusCanvas* canvas = GetCanvas()) {
        canvas->SetAntiAlias(antialias_);
        canvas->SetTextQuality(antiAliasText_);
    }
}

void TDuvGDIPlus::RestoreGdiCanvas(TCustomDuvPanel& panel)
{
    if (dynamic_cast<TGDIPlusCanvas*>(&panel.Canvas())) panel.ReplaceCanvas(std::make_unique<TDuvCanvas3D>(), "TDuvCanvas3D");
}

void TDuvGDIPlus::SetDuvPanel(TCustomDuvPanel* value)
{
    if (panel_ == value) return;
    if (TCustomDuvPanel* old = panel_) RestoreGdiCanvas(*old);
    panel_ = value;
    if (!panel_) active_ = false;
    Apply();
}

void TDuvGDIPlus::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation != TOperation::opRemove || component != panel_) return;
    panel_ = nullptr;
    active_ = false;
}

void TDuvGDIPlus::Apply()
{
    if (!panel_) return;
    if (active_) {
        auto canvas = std::make_unique<TGDIPlusCanvas>();
        canvas->SetBufferedDisplay(panel_->Canvas().GetBufferedDisplay());
        TGDIPlusCanvas& installed = *canvas;
        panel_->ReplaceCanvas(std::move(canvas), "TGDIPlusCanvas");
        installed.SetAntiAlias(antialias_);
        installed.SetTextQuality(antiAliasText_);
        installed.GDIPlus = this;
        installed.GetGraphics();
        return;
    }
    if (TGDIPlusCanvas* canvas = GetCanvas()) {
        if (canvas->GDIPlus == this) canvas->GDIPlus = nullptr;
        RestoreGdiCanvas(*panel_);
    }
}

// ---------------------------------------------------------------- module

void DuvGDIPlusInitialization()
{
    RegisterClassForStreaming(TDuvGDIPlus::StaticClass());
    UnregisterCanvasClass("TGDIPlusCanvas");
    RegisterCanvasClass({"TGDIPlusCanvas", [] { return std::make_unique<TGDIPlusCanvas>(); }});
}

void DuvGDIPlusFinalization()
{
    UnregisterCanvasClass("TGDIPlusCanvas");
    UnregisterClass(TDuvGDIPlus::StaticClass());
}
