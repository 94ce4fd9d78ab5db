#include "chart/graphics/DuvCanvas3D.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <algorithm>
#include <cstdint>
#include <cmath>
#include <numbers>
#include <utility>

#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvBasePath.h"
#include "chart/graphics/DuvBlend.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvPicture.h"
#include "chart/graphics/DuvShadow.h"
#include "chart/graphics/DuvSolids.h"
#include "platform/core/NumText.h"

static_assert(sizeof(TPoint) == sizeof(QPoint), "a point array is handed to the device as it is");

namespace {
constexpr double kDegree = std::numbers::pi / 180;
int Round(double value) { return static_cast<int>(Rnd(value)); }

std::uint8_t Channel(TColor c, int shift) { return static_cast<std::uint8_t>((static_cast<std::uint32_t>(c) >> shift) & 0xFF); }

TPointArray Rounded(const TPointFloatArray& points)
{
    TPointArray rounded(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) rounded[i] = {Round(points[i].X), Round(points[i].Y)};
    return rounded;
}

const QPoint* AsQPoints(const TPointArray& points) { return reinterpret_cast<const QPoint*>(points.data()); }

// Coordinates from a chart file or an extreme zoom may span the whole int range; beyond this
// they are far off any device, and inside it a width or height always fits an int.
constexpr std::int64_t kDeviceLimit = std::int64_t{1} << 28;

int DeviceCoordinate(int value) { return static_cast<int>(std::clamp<std::int64_t>(value, -kDeviceLimit, kDeviceLimit)); }

QRect DeviceRect(int left, int top, int right, int bottom)
{
    const int l = DeviceCoordinate(left), t = DeviceCoordinate(top);
    return QRect(l, t, DeviceCoordinate(right) - l, DeviceCoordinate(bottom) - t);
}

// Gradients drawn pixel step by pixel step are left out beyond this size: a huge rectangle from
// a chart file or an extreme zoom would otherwise take minutes.
constexpr std::int64_t kMaxStepGradient = 67108864;

bool TooLargeToStep(const TRect& r)
{
    const std::int64_t w = std::int64_t{r.Right} - r.Left, h = std::int64_t{r.Bottom} - r.Top;
    return w > kMaxStepGradient || h > kMaxStepGradient || w * h > kMaxStepGradient;
}

// The box of a device ellipse: its right and bottom edges are exclusive.
QRect EllipseBox(int x1, int y1, int x2, int y2)
{
    return QRect(std::min(x1, x2), std::min(y1, y2), std::abs(x2 - x1) - 1, std::abs(y2 - y1) - 1);
}

// The angle (degrees, counterclockwise) of the radial through (x, y) of the ellipse in the box.
double RadialAngle(const QRect& box, int x, int y)
{
    const double cx = box.left() + (box.width() + 1) / 2.0, cy = box.top() + (box.height() + 1) / 2.0;
    const double rx = std::max(box.width() + 1, 1) / 2.0, ry = std::max(box.height() + 1, 1) / 2.0;
    double a = std::atan2((cy - y) / ry, (x - cx) / rx) / kDegree;
    if (a < 0) a += 360;
    return a;
}

// Sweep counterclockwise from start to end, a whole turn when they meet.
double Sweep(double start, double end)
{
    double sweep = end - start;
    while (sweep <= 0) sweep += 360;
    return sweep;
}

// Dash patterns of the device's cosmetic pens, in pen widths.
QList<qreal> DashPattern(TPenStyle style)
{
    switch (style) {
    case psDash: return {18, 6};
    case psDot: return {3, 3};
    case psDashDot: return {9, 6, 3, 6};
    case psDashDotDot: return {9, 3, 3, 3, 3, 3};
    case psAlternate: return {1, 1};
    default: return {};
    }
}

// The device's raster operations for the sixteen pen modes.
constexpr QPainter::CompositionMode PenModes[] = {
    QPainter::RasterOp_ClearDestination,          // pmBlack
    QPainter::RasterOp_SetDestination,            // pmWhite
    QPainter::CompositionMode_Destination,        // pmNop
    QPainter::RasterOp_NotDestination,            // pmNot
    QPainter::CompositionMode_SourceOver,         // pmCopy
    QPainter::RasterOp_NotSource,                 // pmNotCopy
    QPainter::RasterOp_SourceOrNotDestination,    // pmMergePenNot
    QPainter::RasterOp_SourceAndNotDestination,   // pmMaskPenNot
    QPainter::RasterOp_NotSourceOrDestination,    // pmMergeNotPen
    QPainter::RasterOp_NotSourceAndDestination,   // pmMaskNotPen
    QPainter::RasterOp_SourceOrDestination,       // pmMerge
    QPainter::RasterOp_NotSourceAndNotDestination,  // pmNotMerge
    QPainter::RasterOp_SourceAndDestination,      // pmMask
    QPainter::RasterOp_NotSourceOrNotDestination,  // pmNotMask
    QPainter::RasterOp_SourceXorDestination,      // pmXor
    QPainter::RasterOp_NotSourceXorDestination,   // pmNotXor
};

Qt::BrushStyle HatchStyle(TBrushStyle style)
{
    switch (style) {
    case bsSolid: return Qt::SolidPattern;
    case bsClear: return Qt::NoBrush;
    case bsHorizontal: return Qt::HorPattern;
    case bsVertical: return Qt::VerPattern;
    case bsFDiagonal: return Qt::FDiagPattern;
    case bsBDiagonal: return Qt::BDiagPattern;
    case bsCross: return Qt::CrossPattern;
    case bsDiagCross: return Qt::DiagCrossPattern;
    }
    return Qt::SolidPattern;
}

QString ToQString(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

TColor Grey(TColor c)
{
    const int g = (Channel(c, 0) + Channel(c, 8) + Channel(c, 16)) / 3;
    return static_cast<TColor>(g | (g << 8) | (g << 16));
}

// A figure built by the chart on this canvas, on whole pixels: filled with the brush (its
// picture or gradient when it has one) and outlined with the pen when that is visible.
class TDuvPath : public TDuvBasePath {
public:
    void AddArc(float x, float y, float width, float height, float startAngle, float sweepAngle) override
    {
        const QRectF box(QPointF(Round(x), Round(y)), QPointF(Round(x + width), Round(y + height)));
        path_.arcTo(box, -startAngle, -sweepAngle);
    }
    void CloseFigure() override { path_.closeSubpath(); }
    // A closed run of points is a figure of its own; an open one continues the current figure.
    void AddPoints(const TPointArray& points, int last, bool closed) override
    {
        last = std::min(last, static_cast<int>(points.size()) - 1);
        if (last < 0) return;
        for (int i = 0; i <= last; ++i) {
            const QPointF p(points[i].X, points[i].Y);
            if (i == 0 && (closed || path_.elementCount() == 0))
                path_.moveTo(p);
            else
                path_.lineTo(p);
        }
        if (!closed) return;
        path_.closeSubpath();
        path_.moveTo(points[last].X, points[last].Y);
    }
    void Draw(TDuvCanvas& canvas) override
    {
        if (auto* gdi = dynamic_cast<TDuvCanvas3D*>(&canvas)) gdi->FillAndStrokePath(path_);
    }
    void LineTo(float x, float y) override { path_.lineTo(Round(x), Round(y)); }
    void MoveTo(float x, float y) override { path_.moveTo(Round(x), Round(y)); }

private:
    QPainterPath path_;
};
}  // namespace

// ---------------------------------------------------------------- construction

TDuvCanvas3D::TDuvCanvas3D()
{
    FontZoom = 100;
    FontZoomActive = true;
    ResetState();
}

TDuvCanvas3D::~TDuvCanvas3D()
{
    SetCanvas(nullptr);
    FreeBufferBitmap();
}

QPainter& TDuvCanvas3D::Device() { return *ReferenceCanvas(); }

void TDuvCanvas3D::SetCanvas(QPainter* device)
{
    TDuvCanvas::SetCanvas(device);
    if (!device) return;
    device->setRenderHint(QPainter::Antialiasing, false);
    device->setPen(devicePen_);
    device->setBrush(deviceBrush_);
    device->setFont(deviceFont_);
    device->setBackground(ToQColor(backColor_));
    device->setBackgroundMode(backMode_ == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
    ApplyCompositionMode();
    ApplyClip();
}

void TDuvCanvas3D::ApplyPen()
{
    TDuvPen& pen = Pen();
    if (!pen.Visible() || pen.Style() == psClear) {
        devicePen_ = QPen(Qt::NoPen);
    } else {
        const int width = pen.Width();
        devicePen_ = QPen(ToQColor(pen.Color()), width <= 1 ? 0 : width);
        const QList<qreal> dashes = pen.SmallDots() ? QList<qreal>{1, static_cast<qreal>(std::max(pen.SmallSpace() + 1, 1))}
                                                    : DashPattern(pen.Style());
        if (!dashes.isEmpty()) devicePen_.setDashPattern(dashes);
        if (width <= 1) {
            // A thin line leaves out its last pixel.
            devicePen_.setCapStyle(Qt::FlatCap);
        } else {
            static constexpr Qt::PenCapStyle caps[] = {Qt::RoundCap, Qt::SquareCap, Qt::FlatCap};
            static constexpr Qt::PenJoinStyle joins[] = {Qt::RoundJoin, Qt::BevelJoin, Qt::MiterJoin};
            devicePen_.setCapStyle(caps[pen.EndStyle()]);
            devicePen_.setJoinStyle(joins[pen.JoinStyle()]);
        }
    }
    ApplyPenMode(pen);
    if (ReferenceCanvas()) Device().setPen(devicePen_);
}

void TDuvCanvas3D::ApplyPenMode(TDuvPen& pen)
{
    compositionMode_ = PenModes[std::clamp(static_cast<int>(pen.Mode()), 0, 15)];
    ApplyCompositionMode();
}

void TDuvCanvas3D::ApplyCompositionMode()
{
    if (ReferenceCanvas()) Device().setCompositionMode(static_cast<QPainter::CompositionMode>(compositionMode_));
}

void TDuvCanvas3D::ApplyBrush(TDuvBrush& brush)
{
    deviceBrush_ = QBrush(ToQColor(brush.Color()), HatchStyle(brush.Style()));
    if (ReferenceCanvas()) Device().setBrush(deviceBrush_);
    TDuvCanvas::ApplyBrush(brush);
}

void TDuvCanvas3D::RestoreDeviceBrush()
{
    if (ReferenceCanvas()) Device().setBrush(deviceBrush_);
}

void TDuvCanvas3D::ApplyFont()
{
    TDuvCanvas::ApplyFont();
    deviceFont_ = DeviceFont(0);
    if (ReferenceCanvas()) Device().setFont(deviceFont_);
}

QFont TDuvCanvas3D::DeviceFont(double) const
{
    TDuvFont& font = const_cast<TDuvCanvas3D*>(this)->Font();
    QFont result(QString::fromStdString(font.Name()));
    result.setPixelSize(std::max(1, Round(font.GetSizeFloat() * font.PixelsPerInch() / 72.0)));
    const TFontStyles style = font.Style();
    result.setBold(style.Contains(fsBold));
    result.setItalic(style.Contains(fsItalic));
    result.setUnderline(style.Contains(fsUnderline));
    result.setStrikeOut(style.Contains(fsStrikeOut));
    if (characterSpacing_ != 0) result.setLetterSpacing(QFont::AbsoluteSpacing, characterSpacing_);
    const TFontQuality quality = font.Quality();
    const bool plain = quality == fqNormal || (quality == fqDefault && TextQuality == 1);
    result.setStyleStrategy(plain ? QFont::NoAntialias : QFont::PreferAntialias);
    return result;
}

void TDuvCanvas3D::SetCharacterSpacing(int extra)
{
    if (characterSpacing_ == extra) return;
    characterSpacing_ = extra;
    deviceFont_.setLetterSpacing(QFont::AbsoluteSpacing, extra);
    if (ReferenceCanvas()) Device().setFont(deviceFont_);
}

void TDuvCanvas3D::SetBackColor(TColor color)
{
    backColor_ = color;
    if (ReferenceCanvas()) Device().setBackground(ToQColor(color));
}

void TDuvCanvas3D::SetBackMode(int mode)
{
    backMode_ = mode;
    if (ReferenceCanvas()) Device().setBackgroundMode(mode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
}

void TDuvCanvas3D::SetFastLineMode(bool on) { fastLine_ = on; }

void TDuvCanvas3D::FastLineTo(int x, int y) { LineTo(x, y); }

void TDuvCanvas3D::SetMonochrome(bool on)
{
    if (Monochrome == on) return;
    Monochrome = on;
    dirty_ = true;
    if (View3DOptions) View3DOptions->Repaint();
}

TColor TDuvCanvas3D::GetPixel(int x, int y)
{
    QImage* image = DrawingImage();
    if (!image || !image->valid(x, y)) return clNone;
    return FromQRgb(image->pixel(x, y));
}

void TDuvCanvas3D::SetPixel(int x, int y, TColor color)
{
    if (!ReferenceCanvas()) return;
    QPainter& d = Device();
    d.setCompositionMode(QPainter::CompositionMode_Source);
    d.fillRect(x, y, 1, 1, ToQColor(color));
    ApplyCompositionMode();
}

// ---------------------------------------------------------------- buffer

void TDuvCanvas3D::AttachBuffer()
{
    if (!bufferPainter_) bufferPainter_ = std::make_unique<QPainter>(buffer_.get());
    SetCanvas(bufferPainter_.get());
}

TRect TDuvCanvas3D::InitWindow(QPainter* destination, TView3DOptions* options, TColor, bool is3D, const TRect& rect)
{
    Bounds = rect;
    if (options) {
        FontZoom = options->FontZoom();
        FontZoomActive = options->ZoomText() != ztNo;
    }
    SetUpProjection(options, is3D);
    TRect result = rect;
    if (GetBufferedDisplay()) {
        const int w = std::max(rect.Right - rect.Left, 1), h = std::max(rect.Bottom - rect.Top, 1);
        if (!buffer_ || buffer_->width() != w || buffer_->height() != h) {
            if (ReferenceCanvas() == bufferPainter_.get()) TDuvCanvas::SetCanvas(nullptr);
            bufferPainter_.reset();
            buffer_ = std::make_unique<QImage>(w, h, QImage::Format_RGB32);
            buffer_->fill(Qt::white);
        }
        AttachBuffer();
        result = {0, 0, rect.Right - rect.Left, rect.Bottom - rect.Top};
    } else {
        SetCanvas(destination);
    }
    SetBackMode(OPAQUE);
    return result;
}

void TDuvCanvas3D::SetBufferBitmap(std::unique_ptr<QImage> bitmap)
{
    if (ReferenceCanvas() == bufferPainter_.get()) TDuvCanvas::SetCanvas(nullptr);
    bufferPainter_.reset();
    buffer_ = std::move(bitmap);
}

void TDuvCanvas3D::FreeBufferBitmap() { SetBufferBitmap(nullptr); }

void TDuvCanvas3D::BlitBuffer(int x, int y, QPainter* destination)
{
    if (!destination || !buffer_ || destination == bufferPainter_.get()) return;
    if (HasParentWindow && !HasParentWindow()) return;
    destination->save();
    destination->setCompositionMode(QPainter::CompositionMode_Source);
    destination->drawImage(x, y, *buffer_);
    destination->restore();
}

void TDuvCanvas3D::ShowBuffer(QPainter* destination, QPainter* panelCanvas, const TRect& rect)
{
    if (GetBufferedDisplay() && buffer_) {
        BlitBuffer(rect.Left, rect.Top, destination);
        dirty_ = false;
    }
    SetCanvas(panelCanvas);
}

bool TDuvCanvas3D::BeginDirectDraw()
{
    if (ReferenceCanvas() || dirty_ || !buffer_ || !GetBufferedDisplay() || !CanDrawDirect()) return false;
    AttachBuffer();
    return true;
}

void TDuvCanvas3D::EndDirectDraw()
{
    if (ReferenceCanvas() == bufferPainter_.get()) TDuvCanvas::SetCanvas(nullptr);
}

bool TDuvCanvas3D::ReuseBuffer()
{
    if (dirty_ || !buffer_) return false;
    BlitBuffer(0, 0, ReferenceCanvas());
    return true;
}

bool TDuvCanvas3D::CopyBufferTo(QImage& graphic, const TRect& rect)
{
    if (dirty_ || !GetBufferedDisplay() || !buffer_) return false;
    if (!(rect == TRect{0, 0, buffer_->width(), buffer_->height()})) return false;
    graphic = buffer_->copy();
    return true;
}

void TDuvCanvas3D::SetBufferedDisplay(bool on)
{
    if (bufferedDisplay_ == on) return;
    bufferedDisplay_ = on;
    if (!buffer_) return;
    if (on) {
        AttachBuffer();
    } else if (!KeepBuffer) {
        FreeBufferBitmap();
        dirty_ = true;
    }
}

TDuvBlend* TDuvCanvas3D::CreateBlend(const TRect& rect) { return new TDuvBitmapBlend(*this, rect); }

QImage* TDuvCanvas3D::DrawingImage()
{
    if (buffer_ && GetBufferedDisplay()) return buffer_.get();
    return TDuvCanvas::DrawingImage();
}

bool TDuvCanvas3D::PointVisible(int x, int y) { return !clip_ || clip_->contains(QPoint(x, y)); }

namespace {
// A GDI canvas on an image of its own painter: pictures painted apart (a gradient before it is
// turned) come out exactly as on the screen.
class TImageCanvas : public TDuvCanvas3D {
public:
    explicit TImageCanvas(QImage& image) : painter_(&image)
    {
        SetBufferedDisplay(false);
        InitWindow(&painter_, nullptr, clWhite, false, {0, 0, image.width(), image.height()});
    }
    ~TImageCanvas() override { SetCanvas(nullptr); }

private:
    QPainter painter_;
};
}  // namespace

std::unique_ptr<TDuvCanvas> TDuvCanvas3D::CreateImageCanvas(QImage& image)
{
    return std::make_unique<TImageCanvas>(image);
}

// ---------------------------------------------------------------- clipping

void TDuvCanvas3D::ApplyClip()
{
    if (!ReferenceCanvas()) return;
    if (clip_)
        Device().setClipRegion(*clip_);
    else
        Device().setClipping(false);
}

void TDuvCanvas3D::SetCanvasRegion(const QRegion& region, int mode)
{
    if (clip_) clipHistory_.push_back(*clip_);
    const QRegion whole = ReferenceCanvas() && Device().device()
                              ? QRegion(0, 0, Device().device()->width(), Device().device()->height())
                              : region;
    const QRegion current = clip_ ? *clip_ : whole;
    switch (mode) {
    case RGN_XOR: clip_ = current.xored(region); break;
    case RGN_DIFF: clip_ = current.subtracted(region); break;
    default: clip_ = current.intersected(region); break;
    }
    ApplyClip();
}

void TDuvCanvas3D::Unclip()
{
    if (clipHistory_.empty()) {
        clip_.reset();
    } else {
        clip_ = clipHistory_.back();
        clipHistory_.pop_back();
    }
    ApplyClip();
}

void TDuvCanvas3D::ClipToRect(const TRect& rect)
{
    SetCanvasRegion(QRegion(DeviceRect(rect.Left, rect.Top, rect.Right, rect.Bottom).normalized()), RGN_AND);
}

void TDuvCanvas3D::ClipToRoundRect(const TRect& rect, int cornerWidth, int cornerHeight)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(DeviceRect(rect.Left, rect.Top, rect.Right, rect.Bottom)), cornerWidth / 2.0,
                        cornerHeight / 2.0);
    SetCanvasRegion(QRegion(path.toFillPolygon().toPolygon()), RGN_AND);
}

void TDuvCanvas3D::ClipToEllipse(const TRect& rect, bool exclusiveOr)
{
    const QRegion ellipse(DeviceRect(rect.Left, rect.Top, rect.Right, rect.Bottom).normalized(), QRegion::Ellipse);
    SetCanvasRegion(ellipse, exclusiveOr ? RGN_XOR : RGN_AND);
}

void TDuvCanvas3D::ClipToPolygon(const TPointArray& points, int count, bool exclude)
{
    count = std::min<int>(count, static_cast<int>(points.size()));
    if (count < 1) return;
    const QRegion polygon(QPolygon(QList<QPoint>(AsQPoints(points), AsQPoints(points) + count)), Qt::OddEvenFill);
    SetCanvasRegion(polygon, exclude ? RGN_DIFF : RGN_AND);
}

void TDuvCanvas3D::ClipCube(const TRect& rect, int z0, int z1)
{
    if (!Is3D()) {
        ClipToRect({rect.Left + 1, rect.Top + 1, rect.Right, rect.Bottom - 1});
        return;
    }
    TPointArray outline;
    CubeOutline(rect, z0, z1, outline);
    ClipToPolygon(outline, static_cast<int>(outline.size()), false);
}

// ---------------------------------------------------------------- filled shapes

bool TDuvCanvas3D::FillSpecial(const TRect& bounds, const std::function<void()>& clip, bool pictureToo)
{
    TDuvBrush& brush = Brush();
    const bool picture = pictureToo && brush.HasImage();
    if (!picture && !UsesGradient()) return false;
    if (clip) clip();
    if (picture) {
        const QImage& graphic = *brush.PeekImage()->GetFiltered();
        Device().drawImage(DeviceRect(bounds.Left, bounds.Top, bounds.Right, bounds.Bottom).normalized(), graphic);
    } else {
        FillGradient(*brush.GetGradient(), bounds);
    }
    if (clip) Unclip();
    Device().setBrush(Qt::NoBrush);
    return true;
}

void TDuvCanvas3D::Rectangle(int left, int top, int right, int bottom)
{
    if (!ReferenceCanvas()) return;
    const bool special = FillSpecial({left, top, right, bottom}, nullptr, true);
    Device().drawRect(DeviceRect(left, top, right - 1, bottom - 1));
    if (special) RestoreDeviceBrush();
}

void TDuvCanvas3D::RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight)
{
    if (!ReferenceCanvas()) return;
    const TRect r{x1, y1, x2, y2};
    const bool special = FillSpecial(r, [&] { ClipToRoundRect(r, cornerWidth, cornerHeight); }, true);
    Device().drawRoundedRect(DeviceRect(x1, y1, x2 - 1, y2 - 1), cornerWidth / 2.0, cornerHeight / 2.0);
    if (special) RestoreDeviceBrush();
}

void TDuvCanvas3D::Ellipse(int x1, int y1, int x2, int y2)
{
    if (!ReferenceCanvas()) return;
    const TRect r{x1, y1, x2 + 1, y2 + 1};
    FillSpecial(r, [&] { ClipToEllipse(r, false); }, false);
    Device().drawEllipse(EllipseBox(x1, y1, x2, y2));
    RestoreDeviceBrush();
}

void TDuvCanvas3D::Polygon(const TPointArray& points)
{
    if (!ReferenceCanvas() || points.empty()) return;
    const int count = static_cast<int>(points.size());
    const bool special =
        FillSpecial(PolygonBoundsOrEmpty(points, count - 1), [&] { ClipToPolygon(points, count, false); }, true);
    Device().drawPolygon(AsQPoints(points), count, Qt::OddEvenFill);
    // Later fills need the brush again even when the chart does not change it.
    if (special) RestoreDeviceBrush();
}

void TDuvCanvas3D::PolygonFloat(const TPointFloatArray& points) { Polygon(Rounded(points)); }

void TDuvCanvas3D::Polyline(const TPointArray& points)
{
    if (!ReferenceCanvas() || points.size() < 2) return;
    QList<QPointF> line;
    line.reserve(static_cast<qsizetype>(points.size()));
    for (const TPoint& p : points) line.append(QPointF(p.X, p.Y));
    line.back() = ThinLineEnd(points[points.size() - 2], points.back());
    Device().drawPolyline(line.data(), static_cast<int>(line.size()));
}

void TDuvCanvas3D::PolylineFloat(const TPointFloatArray& points) { Polyline(Rounded(points)); }

void TDuvCanvas3D::FillRect(const TRect& rect)
{
    if (!ReferenceCanvas()) return;
    if (UsesGradient()) {
        FillGradient(*Brush().GetGradient(), rect);
        return;
    }
    QPainter& d = Device();
    const QRect r = DeviceRect(rect.Left, rect.Top, rect.Right, rect.Bottom).normalized();
    if (deviceBrush_.style() == Qt::SolidPattern || deviceBrush_.style() == Qt::NoBrush) {
        if (deviceBrush_.style() == Qt::SolidPattern) d.fillRect(r, deviceBrush_.color());
        return;
    }
    if (backMode_ == OPAQUE) d.fillRect(r, ToQColor(backColor_));
    d.fillRect(r, deviceBrush_);
}

void TDuvCanvas3D::MoveTo(int x, int y) { position_ = {x, y}; }

// A thin line stops one pixel before its end point: the end is pulled back by one step along
// the major axis, which keeps the slope and so the pixels before it.
QPointF TDuvCanvas3D::ThinLineEnd(const TPoint& from, const TPoint& to) const
{
    const int dx = to.X - from.X, dy = to.Y - from.Y, n = std::max(std::abs(dx), std::abs(dy));
    if (devicePen_.widthF() > 0 || n == 0) return QPointF(to.X, to.Y);
    return QPointF(to.X - static_cast<double>(dx) / n, to.Y - static_cast<double>(dy) / n);
}

void TDuvCanvas3D::LineTo(int x, int y)
{
    const TPoint to{x, y};
    if (ReferenceCanvas() && !(to == position_ && devicePen_.widthF() == 0))
        Device().drawLine(QLineF(QPointF(position_.X, position_.Y), ThinLineEnd(position_, to)));
    position_ = to;
}

void TDuvCanvas3D::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    if (!ReferenceCanvas()) return;
    const QRect box = EllipseBox(x1, y1, x2, y2);
    const double start = RadialAngle(box, x3, y3), end = RadialAngle(box, x4, y4);
    Device().drawArc(box, Round(start * 16), Round(Sweep(start, end) * 16));
}

void TDuvCanvas3D::ArcTo(int left, int top, int right, int bottom, int xr1, int yr1, int xr2, int yr2, bool clockwise)
{
    const QRect box = EllipseBox(left, top, right, bottom);
    const double start = RadialAngle(box, xr1, yr1), end = RadialAngle(box, xr2, yr2);
    const double sweep = clockwise ? -Sweep(end, start) : Sweep(start, end);
    QPainterPath path(QPointF(position_.X, position_.Y));
    path.arcTo(QRectF(box), start, sweep);
    DrawPath(path, false, true);
    const QPointF last = path.currentPosition();
    position_ = {Round(last.x()), Round(last.y())};
}

void TDuvCanvas3D::DrawPath(const QPainterPath& path, bool fill, bool stroke)
{
    if (!ReferenceCanvas()) return;
    QPainter& d = Device();
    if (!fill) d.setBrush(Qt::NoBrush);
    if (!stroke) d.setPen(Qt::NoPen);
    d.drawPath(path);
    d.setBrush(deviceBrush_);
    d.setPen(devicePen_);
}

void TDuvCanvas3D::FillAndStrokePath(const QPainterPath& path)
{
    if (!ReferenceCanvas()) return;
    const bool stroke = Pen().Visible();
    const QRegion figure(path.toFillPolygon().toPolygon());
    const QRect box = figure.boundingRect();
    const bool special = !figure.isEmpty() && FillSpecial({box.left(), box.top(), box.right() + 1, box.bottom() + 1},
                                                          [&] { SetCanvasRegion(figure, RGN_AND); }, true);
    const bool fill = !special && Brush().Style() != bsClear;
    if (special) RestoreDeviceBrush();
    if (fill || stroke) DrawPath(path, fill, stroke);
}

void TDuvCanvas3D::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    if (!ReferenceCanvas()) return;
    const QRect box = EllipseBox(x1, y1, x2, y2);
    const double start = RadialAngle(box, x3, y3), end = RadialAngle(box, x4, y4);
    const bool special = FillSpecial({x1, y1, x2, y2}, [&] {
        QPainterPath path(QPointF(box.center()));
        path.arcTo(QRectF(box), start, Sweep(start, end));
        path.closeSubpath();
        SetCanvasRegion(QRegion(path.toFillPolygon().toPolygon()), RGN_AND);
    }, false);
    if (x3 != x4 || y3 != y4) Device().drawPie(box, Round(start * 16), Round(Sweep(start, end) * 16));
    if (special) RestoreDeviceBrush();
}

void TDuvCanvas3D::PieAngles(const TRect& rect, double startAngle, double endAngle)
{
    if (std::abs(endAngle - startAngle - 360) < 0.001) return EllipseRect(rect);
    const double cx = (rect.Left + rect.Right) * 0.5, cy = (rect.Top + rect.Bottom) * 0.5;
    auto radial = [&](double a) {
        return TPoint{Round(std::cos(a * kDegree) * (rect.Right - rect.Left) + cx),
                      Round(cy - std::sin(a * kDegree) * (rect.Bottom - rect.Top))};
    };
    const TPoint s = radial(startAngle), e = radial(endAngle);
    if (s == e && std::abs(endAngle - startAngle - 360) < 0.01) return EllipseRect(rect);
    Pie(rect.Left, rect.Top, rect.Right, rect.Bottom, s.X, s.Y, e.X, e.Y);
}

void TDuvCanvas3D::DonutSlice(int xCenter, int yCenter, int xRadius, int yRadius, double startAngle, double endAngle,
                              double holePercent)
{
    if (!ReferenceCanvas()) return;
    const double ix = xRadius * holePercent * 0.01, iy = yRadius * holePercent * 0.01;
    auto outer = [&](double a) {
        return QPointF(xCenter + Round(std::cos(a) * xRadius), yCenter - Round(std::sin(a) * yRadius));
    };
    const QRectF outerBox(xCenter - xRadius, yCenter - yRadius, 2.0 * xRadius, 2.0 * yRadius);
    const QRectF innerBox(xCenter - Round(ix), yCenter - Round(iy), 2.0 * Round(ix), 2.0 * Round(iy));
    QPainterPath path(outer(startAngle));
    if (outer(startAngle) != outer(endAngle) || std::abs(startAngle - endAngle) > 2 * std::numbers::pi - 0.01) {
        const double start = startAngle / kDegree, sweep = (endAngle - startAngle) / kDegree;
        path.arcTo(outerBox, start, sweep);
        path.arcTo(innerBox, start + sweep, -sweep);
        path.closeSubpath();
    } else {
        path.lineTo(outer(endAngle));
    }
    if (!UsesGradient()) return DrawPath(path, true, true);
    SetCanvasRegion(QRegion(path.toFillPolygon().toPolygon()), RGN_AND);
    FillGradient(*Brush().GetGradient(), {xCenter - xRadius, yCenter - yRadius, xCenter + xRadius, yCenter + yRadius});
    Unclip();
    DrawPath(path, false, true);
}

std::unique_ptr<TDuvBasePath> TDuvCanvas3D::CreatePath() { return std::make_unique<TDuvPath>(); }

void TDuvCanvas3D::DrawCheckBox(int x, int y, bool checkBox, TColor, bool marked)
{
    if (!ReferenceCanvas()) return;
    QPainter& d = Device();
    d.save();
    d.setCompositionMode(QPainter::CompositionMode_SourceOver);
    d.setPen(QPen(Qt::darkGray, 0));
    d.setBrush(Qt::white);
    const QRect box(x, y, 12, 12);
    if (checkBox)
        d.drawRect(box);
    else
        d.drawEllipse(box);
    if (marked) {
        d.setPen(QPen(Qt::black, 2));
        d.setBrush(Qt::black);
        if (checkBox)
            d.drawPolyline(QPolygon({QPoint(x + 3, y + 6), QPoint(x + 5, y + 9), QPoint(x + 10, y + 3)}));
        else
            d.drawEllipse(QRect(x + 4, y + 4, 4, 4));
    }
    d.restore();
}

// ---------------------------------------------------------------- pictures

QImage TDuvCanvas3D::CopyUnderGraphic(const QImage& graphic, const TRect& rect)
{
    const QRect r = DeviceRect(rect.Left, rect.Top, rect.Right, rect.Bottom).normalized();
    QImage result(std::max(r.width(), 1), std::max(r.height(), 1), QImage::Format_RGB32);
    result.fill(Qt::white);
    QPainter painter(&result);
    if (buffer_) painter.drawImage(0, 0, *buffer_, r.left(), r.top(), r.width(), r.height());
    painter.drawImage(result.rect(), graphic);
    return result;
}

QImage TDuvCanvas3D::CopyUnderGraphicAt(const QImage& graphic, int x, int y)
{
    return CopyUnderGraphic(graphic, {x, y, x + graphic.width(), y + graphic.height()});
}

void TDuvCanvas3D::DrawGraphic(int x, int y, const QImage& graphic)
{
    if (!ReferenceCanvas() || graphic.isNull()) return;
    QPainter& d = Device();
    d.setCompositionMode(QPainter::CompositionMode_SourceOver);
    d.drawImage(x, y, graphic);
    ApplyCompositionMode();
}

void TDuvCanvas3D::StretchDraw(const TRect& rect, const QImage& graphic)
{
    if (!ReferenceCanvas() || graphic.isNull()) return;
    const QRect target = DeviceRect(rect.Left, rect.Top, rect.Right, rect.Bottom).normalized();
    QPainter& d = Device();
    d.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (StretchQuality == sqLow || graphic.hasAlphaChannel()) {
        d.drawImage(target, graphic);
    } else {
        StretchVisiblePart(QRect(target.topLeft(), target.size().expandedTo({1, 1})), graphic);
    }
    ApplyCompositionMode();
}

// Only the part of the target that can show is resampled: a huge target (a chart file's or an
// extreme zoom's) would need an image far beyond memory. A failed allocation draws nothing.
void TDuvCanvas3D::StretchVisiblePart(const QRect& target, const QImage& graphic)
{
    QPainter& d = Device();
    QRect visible = target;
    if (const QPaintDevice* device = d.device())
        visible &= d.transform().inverted().mapRect(QRect(0, 0, device->width(), device->height()));
    if (d.hasClipping()) visible &= d.clipBoundingRect().toAlignedRect();
    if (visible.isEmpty()) return;
    QImage resampled(visible.size(), QImage::Format_RGB32);
    if (resampled.isNull() ||
        !ResampleBitmapPart(graphic, target.size(), visible.topLeft() - target.topLeft(), resampled))
        return;
    d.drawImage(visible.topLeft(), resampled);
}

// ---------------------------------------------------------------- text

TSize TDuvCanvas3D::TextExtent(const std::string& text)
{
    const QFontMetrics metrics(deviceFont_);
    return {metrics.horizontalAdvance(ToQString(text)), metrics.height()};
}

TRect TDuvCanvas3D::TextBounds(int x, int y, const std::string& text)
{
    TPointFloat size;
    TextSizeFloat(text, size);
    int a = GetTextAlign();
    if (a > 7) a -= 8;
    const int w = Round(size.X), h = Round(size.Y);
    if (a == TA_RIGHT) return {x - w, y, x, y + h};
    if (a == TA_CENTER) return {x - w / 2, y, x + w / 2, y + h};
    return {x, y, x + w, y + h};
}

void TDuvCanvas3D::DrawPlainText(int x, int y, const QString& text, double angle, TColor color)
{
    QPainter& d = Device();
    const QFontMetrics metrics(d.font());
    const int width = metrics.horizontalAdvance(text);
    int dx = 0, dy = metrics.ascent();
    if ((textAlign_ & TA_CENTER) == TA_CENTER)
        dx = -width / 2;
    else if (textAlign_ & TA_RIGHT)
        dx = -width;
    if ((textAlign_ & TA_BASELINE) == TA_BASELINE)
        dy = 0;
    else if (textAlign_ & TA_BOTTOM)
        dy = -metrics.descent();
    d.save();
    d.setCompositionMode(QPainter::CompositionMode_SourceOver);
    d.setPen(ToQColor(color));
    d.translate(x, y);
    if (angle != 0) d.rotate(-angle);
    d.drawText(dx, dy, text);
    d.restore();
}

QPainterPath TDuvCanvas3D::TextPath(int x, int y, const QString& text, double angle) const
{
    const QFontMetrics metrics(deviceFont_);
    const int width = metrics.horizontalAdvance(text);
    int dx = 0;
    if ((textAlign_ & TA_CENTER) == TA_CENTER)
        dx = -width / 2;
    else if (textAlign_ & TA_RIGHT)
        dx = -width;
    QPainterPath path;
    path.addText(dx, metrics.ascent(), deviceFont_, text);
    QTransform turn;
    turn.translate(x, y);
    turn.rotate(-angle);
    return turn.map(path);
}

void TDuvCanvas3D::DrawTextEffect(TDuvShadow& effect, int sign, int& x, int& y, const std::string& text, double angle)
{
    if (!effect.Visible() || (effect.HorizSize() == 0 && effect.VertSize() == 0)) return;
    int ex = x, ey = y;
    if (effect.HorizSize() < 0)
        x -= effect.HorizSize() * sign;
    else
        ex += effect.HorizSize() * sign;
    if (effect.VertSize() < 0)
        y -= effect.VertSize() * sign;
    else
        ey += effect.VertSize() * sign;
    TDuvBlend* blend = nullptr;
    if (effect.Transparency() > 0)
        blend = BeginBlending(NativeBlending ? TRect{} : TextBounds(ex, ey, text), effect.Transparency());
    DrawPlainText(ex, ey, ToQString(text), angle, effect.Color());
    if (effect.Smooth() && buffer_ && ReferenceCanvas() == bufferPainter_.get()) {
        const TSize extent = TextExtent(text);
        int left = ex;
        if ((textAlign_ & TA_CENTER) == TA_CENTER)
            left -= extent.cx / 2;
        else if (textAlign_ & TA_RIGHT)
            left -= extent.cx;
        BlurImageRect(*buffer_,
                      {std::max(0, left - 1), std::max(0, ey), std::min(buffer_->width() - 1, left + extent.cx),
                       std::min(buffer_->height() - 1, ey + extent.cy - 1)},
                      std::max(1, effect.SmoothBlur()));
    }
    if (effect.Transparency() > 0) EndBlending(blend);
}

void TDuvCanvas3D::DrawTextWithEffects(int x, int y, const std::string& text, double angle)
{
    TDuvFont& font = Font();
    if (TDuvShadow* shadow = font.PeekShadow()) DrawTextEffect(*shadow, +1, x, y, text, angle);
    if (TDuvEmboss* emboss = font.PeekEmboss()) DrawTextEffect(*emboss, -1, x, y, text, angle);
    TDuvPen* outline = font.PeekOutLine();
    const bool hasOutline = outline && outline->Visible();
    TDuvBrush* fill = font.Brush();
    const bool gradient = fill && fill->HasGradient();
    const bool picture = fill && fill->HasImage();
    const QString qtext = ToQString(text);
    if (!hasOutline && !gradient && !picture) return DrawPlainText(x, y, qtext, angle, font.Color());
    const QPainterPath path = TextPath(x, y, qtext, angle);
    if (gradient || picture) {
        SetCanvasRegion(QRegion(path.toFillPolygon().toPolygon()), RGN_AND);
        const TRect bounds = TextBounds(x, y, text);
        if (gradient)
            fill->GetGradient()->Draw(*this, bounds, 0);
        else
            StretchDraw(bounds, *fill->PeekImage()->GetFiltered());
        Unclip();
    }
    if (!hasOutline) return;
    AssignPenColor(*outline, outline->Color());
    if (font.Color() == clNone || gradient || picture) return DrawPath(path, false, true);
    Brush().SetStyle(bsSolid);
    Brush().SetColor(font.Color());
    DrawPath(path, true, true);
}

void TDuvCanvas3D::TextOut(int x, int y, const std::string& text)
{
    if (!ReferenceCanvas()) return;
    DrawTextWithEffects(x, y, text, 0);
}

void TDuvCanvas3D::RotateLabel(int x, int y, const std::string& text, double angle, bool)
{
    while (angle > 360) angle -= 360;
    if (angle == 0) return TextOut(x, y, text);
    if (!ReferenceCanvas()) return;
    if (RotateAroundPoint) {
        const double a = angle * kDegree;
        const int dx = textAlign_ == TA_CENTER ? 0 : x - RotationPoint.X, dy = y - RotationPoint.Y;
        x = Round(std::cos(a) * dx + std::sin(a) * dy + RotationPoint.X);
        y = Round(-std::sin(a) * dx + std::cos(a) * dy + RotationPoint.Y);
    }
    DrawTextWithEffects(x, y, text, angle);
}

void TDuvCanvas3D::TextOut3D(int x, int y, int z, const std::string& text, bool markup)
{
    TPoint p;
    Project(x, y, z, p);
    if (markup && DrawHtmlTextHook) return DrawHtmlTextHook(*this, p.X, p.Y, text);
    if (ReferenceCanvas()) DrawTextWithEffects(p.X, p.Y, text, 0);
}

void TDuvCanvas3D::RotateLabel3D(int x, int y, int z, const std::string& text, double angle, bool flag)
{
    TPoint p;
    Project(x, y, z, p);
    RotateLabel(p.X, p.Y, text, angle, flag);
}

// ---------------------------------------------------------------- gradients

void TDuvCanvas3D::BandFill(int left, int top, int width, int height, TColor color)
{
    if (width > 0 && height > 0) Device().fillRect(left, top, width, height, ToQColor(color));
}

void TDuvCanvas3D::GradientFill(const TRect& rect, TColor startColor, TColor endColor, TGradientDirection direction,
                                int balance, int radialX, int radialY)
{
    if (!ReferenceCanvas()) return;
    const TRect r = OrientRect(rect);
    if (direction == gdRadial) {
        TDuvGradient radial;
        radial.SetDirection(gdRadial);
        radial.SetStartColor(startColor);
        radial.SetEndColor(endColor);
        radial.SetBalance(balance);
        radial.SetRadialX(radialX);
        radial.SetRadialY(radialY);
        radial.DrawRadial(*this, r);
        return;
    }
    if (direction != gdTopBottom && direction != gdLeftRight && direction != gdDiagonalUp &&
        direction != gdDiagonalDown)
        std::swap(startColor, endColor);
    int c0[3], d[3];
    for (int k = 0; k < 3; ++k) {
        c0[k] = Channel(startColor, 8 * k);
        d[k] = Channel(endColor, 8 * k) - c0[k];
    }
    const double exponent = balance / 100.0 + 0.5;
    auto color = [&](int i, int n) {
        int c[3];
        for (int k = 0; k < 3; ++k)
            c[k] = balance == 50 ? c0[k] + i * d[k] / n : Round(d[k] * std::pow((i + 1.0) / (n + 1), exponent)) + c0[k];
        return static_cast<TColor>(c[0] | (c[1] << 8) | (c[2] << 16));
    };
    QPainter& device = Device();
    device.setCompositionMode(QPainter::CompositionMode_SourceOver);
    switch (direction) {
    case gdTopBottom:
    case gdBottomTop: GradientBands(r, true, color); break;
    case gdLeftRight:
    case gdRightLeft: GradientBands(r, false, color); break;
    case gdFromCenter: GradientFromCenter(r, color); break;
    case gdFromTopLeft:
    case gdFromBottomLeft: GradientFromCorner(r, direction == gdFromBottomLeft, color); break;
    default: GradientDiagonal(r, direction == gdDiagonalDown, color); break;
    }
    ApplyCompositionMode();
}

void TDuvCanvas3D::GradientBands(const TRect& r, bool vertical, const std::function<TColor(int, int)>& color)
{
    const int a = vertical ? r.Bottom - r.Top : r.Right - r.Left;
    const int n = std::min(a, 256), last = n - 1;
    if (last <= 0) return;
    for (int i = 0; i < n; ++i) {
        // 64 bits: a band of a very long side (a zoomed chart) would overflow the product
        const int from = static_cast<int>(std::int64_t{a} * (i + 1) / n), to = static_cast<int>(std::int64_t{a} * i / n);
        if (vertical)
            BandFill(r.Left, r.Bottom - from, r.Right - r.Left, from - to, color(i, last));
        else
            BandFill(r.Right - from, r.Top, from - to, r.Bottom - r.Top, color(i, last));
    }
}

void TDuvCanvas3D::GradientFromCenter(const TRect& r, const std::function<TColor(int, int)>& color)
{
    if (TooLargeToStep(r)) return;
    const int w = r.Right - r.Left, h = r.Bottom - r.Top;
    const int n = std::max(1, w / 2 + h / 2);
    int a = 0, b = 0;
    for (bool grew = true; grew;) {
        const TColor c = color(a + b, n);
        BandFill(r.Left + b, r.Top + a, 1, h - 2 * a, c);
        BandFill(r.Right - b - 1, r.Top + a, 1, h - 2 * a, c);
        BandFill(r.Left + b, r.Top + a, w - 2 * b, 1, c);
        BandFill(r.Left + b, r.Bottom - a - 1, w - 2 * b, 1, c);
        grew = false;
        if (a < h / 2) ++a, grew = true;
        if (b < w / 2) ++b, grew = true;
    }
}

void TDuvCanvas3D::GradientFromCorner(const TRect& r, bool fromBottom, const std::function<TColor(int, int)>& color)
{
    if (TooLargeToStep(r)) return;
    const int y0 = fromBottom ? r.Bottom : r.Top;
    const int w = r.Right - r.Left, h = r.Bottom - r.Top, n = std::max(1, w + h);
    int i = 0, j = 0, y = y0;
    bool done = false;
    do {
        const TColor c = color(i + j, n);
        if (!done) BandFill(r.Left + i - 1, std::min(y, y0), 1, std::abs(y0 - y), c);
        if (j < h) {
            ++j;
            if (fromBottom) {
                BandFill(r.Left, y - 1, i, 1, c);
                if (y > r.Top) --y;
            } else {
                BandFill(r.Left, y, i, 1, c);
                if (y < r.Bottom) ++y;
            }
        }
        done = done || i >= w;
        if (i < w) ++i;
    } while (!(j >= h && i >= w));
}

void TDuvCanvas3D::GradientDiagonal(TRect r, bool down, const std::function<TColor(int, int)>& color)
{
    if (TooLargeToStep(r)) return;
    if (down) {
        --r.Top;
        --r.Bottom;
    }
    const int y0 = down ? r.Top : r.Bottom, yFar = down ? r.Bottom : r.Top, step = down ? 1 : -1;
    const int n = (r.Right - r.Left) + (r.Bottom - r.Top), big = std::max(1, std::min(255, n - 1));
    QPainter& d = Device();
    const QPen saved = d.pen();
    QPoint first(r.Left, y0), second(r.Left, y0);
    for (int c = 0; c < n; ++c) {
        d.setPen(QPen(ToQColor(color(c * big / n, big)), 0, Qt::SolidLine, Qt::FlatCap));
        d.drawLine(first, second);
        if (second.x() < r.Right)
            second.rx() += 1;
        else if (second.y() != yFar)
            second.ry() += step;
        if (first.y() != yFar)
            first.ry() += step;
        else if (first.x() < r.Right)
            first.rx() += 1;
    }
    d.setPen(saved);
}

void TDuvCanvas3D::FillGradient(TCustomDuvGradient& gradient, const TRect& rect)
{
    if (gradient.Angle() != 0) return gradient.DrawRotated(*this, rect);
    TColor start = gradient.StartColor(), end = gradient.EndColor(), middle = gradient.MidColor();
    if (Monochrome) {
        start = Grey(start);
        end = Grey(end);
        if (middle != clNone) middle = Grey(middle);
    }
    const TGradientDirection direction = gradient.Direction();
    if (direction == gdRadial)
        return GradientFill(rect, start, end, gdRadial, gradient.Balance(), gradient.RadialX(), gradient.RadialY());
    if (middle == clNone) return GradientFill(rect, start, end, direction, gradient.Balance(), 0, 0);
    const bool vertical = direction == gdTopBottom || direction == gdBottomTop;
    if (!vertical && direction != gdLeftRight && direction != gdRightLeft)
        return GradientFill(rect, start, end, direction, 50, 0, 0);
    TRect first = rect, second = rect;
    if (vertical)
        first.Bottom = second.Top = (rect.Top + rect.Bottom) / 2;
    else
        first.Right = second.Left = (rect.Left + rect.Right) / 2;
    // The half nearer the start of the direction's colour runs carries middle to end.
    const bool firstToEnd = direction == gdTopBottom || direction == gdLeftRight;
    GradientFill(first, firstToEnd ? middle : start, firstToEnd ? end : middle, direction, 50, 0, 0);
    GradientFill(second, firstToEnd ? start : middle, firstToEnd ? middle : end, direction, 50, 0, 0);
}

// ---------------------------------------------------------------- shadows

void TDuvCanvas3D::DrawShadow(TDuvShadow& shadow, const TRect& rect, bool ellipse, int cornerSize,
                              const TPointArray& points, int high, double holePercent, double startAngle,
                              double endAngle)
{
    if (shadow.Smooth() && !Metafiling && buffer_ && ReferenceCanvas() == bufferPainter_.get()) {
        SmoothShadow(shadow, *this, rect, points, high, ellipse, holePercent, cornerSize);
        return;
    }
    TCanvas3D::DrawShadow(shadow, rect, ellipse, cornerSize, points, high, holePercent, startAngle, endAngle);
}

// ---------------------------------------------------------------- 3D primitives

void TDuvCanvas3D::Polyline3D(const std::vector<TPoint3D>& points)
{
    TPointFloatArray projected;
    projected.reserve(points.size());
    for (const TPoint3D& p : points) {
        TPointFloat f{static_cast<float>(p.X), static_cast<float>(p.Y)};
        ProjectFloat(f, static_cast<float>(p.Z));
        projected.push_back(f);
    }
    PolylineFloat(projected);
}

TColor TDuvCanvas3D::GetPixel3D(int x, int y, int z)
{
    ProjectXYZ(x, y, z);
    return GetPixel(x, y);
}

void TDuvCanvas3D::SetPixel3D(int x, int y, int z, TColor color)
{
    ProjectXYZ(x, y, z);
    if (Pen().Width() == 1) return SetPixel(x, y, color);
    MoveTo(x, y);
    LineTo(x, y);
}

void TDuvCanvas3D::RectangleAtZ(const TRect& rect, int z)
{
    ProjectRectCorners(rect, z, PlanePoints);
    DrawPlaneBuffer();
}

void TDuvCanvas3D::PlaneAtX(int x, int y0, int y1, int z0, int z1)
{
    Project(x, y0, z0, PlanePoints[0]);
    Project(x, y0, z1, PlanePoints[1]);
    Project(x, y1, z1, PlanePoints[2]);
    Project(x, y1, z0, PlanePoints[3]);
    DrawPlaneBuffer();
}

void TDuvCanvas3D::PlaneAtY(int x0, int y, int x1, int z0, int z1)
{
    Project(x0, y, z0, PlanePoints[0]);
    Project(x1, y, z0, PlanePoints[1]);
    Project(x1, y, z1, PlanePoints[2]);
    Project(x0, y, z1, PlanePoints[3]);
    DrawPlaneBuffer();
}

void TDuvCanvas3D::PlaneFour3D(const TPoint& p1, const TPoint& p2, const TPoint& p3, const TPoint& p4, int z)
{
    ProjectPointAt(p1, z, PlanePoints[0]);
    ProjectPointAt(p2, z, PlanePoints[1]);
    ProjectPointAt(p3, z, PlanePoints[2]);
    ProjectPointAt(p4, z, PlanePoints[3]);
    DrawPlaneBuffer();
}

void TDuvCanvas3D::Polygon3D(const std::vector<TPoint3D>& points)
{
    TPointArray projected(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) ProjectPoint3D(points[i], projected[i]);
    Polygon(projected);
}

void TDuvCanvas3D::EllipseWithZ(int x1, int y1, int x2, int y2, int z)
{
    if (IsOrthogonal) {
        TPoint a, b;
        Project(x1, y1, z, a);
        Project(x2, y2, z, b);
        return Ellipse(a.X, a.Y, b.X, b.Y);
    }
    if (!Is3D()) return Ellipse(x1, y1, x2 + 1, y2 + 1);
    const TPointFloatArray points = EllipsePoints(x1, y1, x2, y2, EllipsePointCount);
    const int high = static_cast<int>(points.size()) - 1;
    if (Brush().Style() != bsClear)
        PolygonWithZFloat(points, high, static_cast<float>(z));
    else if (Pen().Style() != psClear)
        PolylineWithZFloat(points, high, static_cast<float>(z));
}

void TDuvCanvas3D::Sphere(int x, int y, int z, double radius)
{
    const int k = Round(radius);
    EllipseWithZ(x - k, y - k, x + k, y + k, z);
}

void TDuvCanvas3D::Cube(int left, int right, int top, int bottom, int z0, int z1, bool darkSides, int)
{
    DrawCube(*this, left, right, top, bottom, z0, z1, darkSides);
}

void TDuvCanvas3D::Cone(bool vertical, int left, int top, int right, int bottom, int z0, int z1, bool darkSides,
                        int conePercent)
{
    DrawConeShape(*this, vertical, left, top, right, bottom, z0, z1, darkSides, conePercent);
}

void TDuvCanvas3D::Cylinder(bool vertical, int left, int top, int right, int bottom, int z0, int z1, bool darkSides)
{
    DrawConeShape(*this, vertical, left, top, right, bottom, z0, z1, darkSides, 100);
}

void TDuvCanvas3D::Pyramid(bool vertical, int left, int top, int right, int bottom, int z0, int z1, bool darkSides)
{
    DrawPyramid(*this, vertical, left, top, right, bottom, z0, z1, darkSides);
}

void TDuvCanvas3D::Pie3D(const TPie3DSlice& slice) { DrawPie3D(*this, slice); }

void TDuvCanvas3D::PlaneWithZ(const TPoint& p1, const TPoint& p2, int z0, int z1)
{
    ProjectPointAt(p1, z1, PlanePoints[0]);
    ProjectPointAt(p2, z1, PlanePoints[1]);
    ProjectPointAt(p2, z0, PlanePoints[2]);
    ProjectPointAt(p1, z0, PlanePoints[3]);
    DrawPlaneBuffer();
}

void TDuvCanvas3D::PlaneFromPoints(const TPoint& p1, const TPoint& p2, const TPoint& p3, const TPoint& p4, int z0,
                                   int z1)
{
    ProjectPointAt(p1, z0, PlanePoints[0]);
    ProjectPointAt(p2, z0, PlanePoints[1]);
    ProjectPointAt(p3, z1, PlanePoints[2]);
    ProjectPointAt(p4, z1, PlanePoints[3]);
    DrawPlaneBuffer();
}

void TDuvCanvas3D::Triangle3D(const TPoint3D points[3], const TColor colors[3])
{
    TPoint projected[3];
    ProjectTriangle(points, projected);
    if (Brush().Style() != bsClear) Brush().SetColor(colors[0]);
    Polygon(TPointArray(projected, projected + 3));
}

void TDuvCanvas3D::TriangleWithZ(const TPoint& p0, const TPoint& p1, const TPoint& p2, int z)
{
    TPointArray projected(3);
    ProjectPointAt(p0, z, projected[0]);
    ProjectPointAt(p1, z, projected[1]);
    ProjectPointAt(p2, z, projected[2]);
    Polygon(projected);
}

void TDuvCanvas3D::Arrow3D(bool filled, const TPoint& from, const TPoint& to, int headWidth, int headHeight, int z0,
                           int z1, double bodyPercent)
{
    DrawArrow3D(*this, filled, from, to, headWidth, headHeight, (z0 + z1) / 2, bodyPercent);
}

// ---------------------------------------------------------------- canvas class list

std::vector<TCanvasClass>* CanvasClassList = nullptr;

namespace {
const TCanvasClass& GdiCanvasClass()
{
    static const TCanvasClass gdi{"TDuvCanvas3D", [] { return std::make_unique<TDuvCanvas3D>(); }};
    return gdi;
}
}  // namespace

const TCanvasClass& FindCanvasClass(const std::string& name)
{
    if (CanvasClassList && !name.empty())
        for (const TCanvasClass& c : *CanvasClassList)
            if (c.ClassName == name) return c;
    return GdiCanvasClass();
}

void RegisterCanvasClass(const TCanvasClass& canvasClass)
{
    if (CanvasClassList) CanvasClassList->push_back(canvasClass);
}

void UnregisterCanvasClass(const std::string& className)
{
    if (!CanvasClassList) return;
    std::erase_if(*CanvasClassList, [&](const TCanvasClass& c) { return c.ClassName == className; });
}

namespace {
std::vector<int> substituteFonts;

// The faces chart texts name, answered by the free fonts the program ships with.
void RegisterSubstituteFonts()
{
    // The theme charts name the serif, monospace, Verdana and thin Roboto faces.
    const std::pair<const char*, const char*> substitutes[] = {
        {"Arial", "Liberation Sans"}, {"Times New Roman", "Liberation Serif"}, {"Lucida Console", "Liberation Mono"},
        {"Verdana", "DejaVu Sans"},   {"Roboto Th", "Roboto Thin"},
    };
    for (const auto& [face, substitute] : substitutes) QFont::insertSubstitution(face, substitute);
    if (!qGuiApp) return;
    for (const char* file : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"}) {
        const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(file));
        if (id >= 0) substituteFonts.push_back(id);
    }
}
}  // namespace

void DuvCanvas3DInitialization()
{
    if (CanvasClassList) return;
    RegisterSubstituteFonts();
    CanvasClassList = new std::vector<TCanvasClass>{GdiCanvasClass()};
}

void DuvCanvas3DFinalization()
{
    delete CanvasClassList;
    CanvasClassList = nullptr;
    for (int id : substituteFonts) QFontDatabase::removeApplicationFont(id);
    substituteFonts.clear();
}
