#include "chart/graphics/Canvas3D.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvShadow.h"
#include "platform/core/NumText.h"

namespace {
constexpr double kDegree = std::numbers::pi / 180;
int Round(double value) { return static_cast<int>(Rnd(value)); }
}  // namespace

// ---------------------------------------------------------------- view options

TView3DOptions::TView3DOptions(TPersistent* parent, TChangeHandler repaint)
    : parent_(parent), repaint_(std::move(repaint))
{
}

void TView3DOptions::DeclareProperties(TPropertyDeclarer<TView3DOptions>& p)
{
    using O = TView3DOptions;
    p.Integer("Elevation", &O::Elevation, &O::SetElevation).Default(345);
    p.Integer("FontZoom", &O::FontZoom, &O::SetFontZoom).Default(100);
    p.Integer("HorizOffset", &O::HorizOffset, &O::SetHorizOffset).Default(0);
    p.Integer("OrthoAngle", &O::OrthoAngle, &O::SetOrthoAngle).Default(45);
    p.Boolean("Orthogonal", &O::Orthogonal, &O::SetOrthogonal).Default(true);
    p.Integer("Perspective", &O::Perspective, &O::SetPerspective).Default(15);
    p.Integer("Rotation", &O::Rotation, &O::SetRotation).Default(345);
    p.Integer("Tilt", &O::Tilt, &O::SetTilt).Default(0);
    p.Integer("VertOffset", &O::VertOffset, &O::SetVertOffset).Default(0);
    p.Integer("Zoom", &O::Zoom, &O::SetZoom).Default(100);
    p.Enum("ZoomText", &O::ZoomText, &O::SetZoomText).Default(ztManual);
}

template <class V>
void TView3DOptions::Store(V& field, V value)
{
    if (SetIfChanged(field, value)) Repaint();
}

void TView3DOptions::Repaint()
{
    if (repaint_) repaint_(this);
}

int TView3DOptions::Elevation() const { return Round(elevation_); }
void TView3DOptions::SetElevation(double value) { Store(elevation_, value); }
void TView3DOptions::SetFontZoom(int value) { Store(fontZoom_, value); }
int TView3DOptions::HorizOffset() const { return Round(horizOffset_); }

void TView3DOptions::SetHorizOffset(double value)
{
    if (!SetIfChanged(horizOffset_, value)) return;
    Repaint();
    if (OnScrolled) OnScrolled(true);
}

void TView3DOptions::SetOrthoAngle(int value) { Store(orthoAngle_, value); }
void TView3DOptions::SetOrthogonal(bool value) { Store(orthogonal_, value); }
void TView3DOptions::SetPerspective(int value) { Store(perspective_, std::min(value, 100)); }
int TView3DOptions::Rotation() const { return Round(rotation_); }
void TView3DOptions::SetRotation(double value) { Store(rotation_, value); }
int TView3DOptions::Tilt() const { return Round(tilt_); }
void TView3DOptions::SetTilt(double value) { Store(tilt_, value); }
int TView3DOptions::VertOffset() const { return Round(vertOffset_); }

void TView3DOptions::SetVertOffset(double value)
{
    if (!SetIfChanged(vertOffset_, value)) return;
    Repaint();
    if (OnScrolled) OnScrolled(false);
}

int TView3DOptions::Zoom() const { return Round(zoom_); }

void TView3DOptions::SetZoom(double value)
{
    if (value == zoom_) return;
    if (OnChangedZoom) OnChangedZoom(Round(value));
    zoom_ = value;
    Repaint();
}

void TView3DOptions::SetZoomText(TCanvasZoomText value)
{
    if (static_cast<int>(value) == 255) return;
    Store(zoomText_, value);
}

void TView3DOptions::Assign(const TPersistent* source)
{
    auto* o = dynamic_cast<const TView3DOptions*>(source);
    if (!o) return;
    elevation_ = o->elevation_;
    fontZoom_ = o->fontZoom_;
    horizOffset_ = o->horizOffset_;
    orthoAngle_ = o->orthoAngle_;
    orthogonal_ = o->orthogonal_;
    perspective_ = o->perspective_;
    rotation_ = o->rotation_;
    tilt_ = o->tilt_;
    vertOffset_ = o->vertOffset_;
    zoom_ = o->zoom_;
    zoomText_ = o->zoomText_;
}

bool TView3DOptions::ViewFromBack() const
{
    const int r = Rotation();
    return !orthogonal_ && r >= 91 && r <= 269;
}

double TView3DOptions::OrthoTangent() const
{
    if (!orthogonal_) return 1.0;
    int a = orthoAngle_;
    if (a > 90) a = 180 - a;
    return std::tan(a * kDegree);
}

void SetBoxTransform(TDuvTransform& transform, const TRect& rect, float height, float z0, float z1)
{
    transform.TranslateX = (rect.Left + rect.Right) * 0.5f;
    transform.TranslateY = (z0 + z1) * 0.5f;
    transform.TranslateZ = height - (rect.Top + rect.Bottom) * 0.5f;
    transform.ScaleX = static_cast<float>(std::abs(rect.Right - rect.Left));
    transform.ScaleY = std::abs(z0 - z1);
    transform.ScaleZ = static_cast<float>(std::abs(rect.Bottom - rect.Top));
}

// ---------------------------------------------------------------- projection

void TCanvas3D::SetUpProjection(TView3DOptions* options, bool is3D)
{
    View3DOptions = options;
    S_ = 1.0;
    IsOrthogonal = false;
    is3D_ = is3D;
    if (is3D && options) {
        IsOrthogonal = options->Orthogonal();
        if (IsOrthogonal) {
            int a = options->OrthoAngle();
            DX_ = 1.0;
            if (a > 90) {
                DX_ = -1.0;
                a = 180 - a;
            }
            const double c = std::cos(a * kDegree), s = std::sin(a * kDegree);
            DY_ = c < 0.01 ? 1.0 : s / c;
        }
    }
    if (is3D && !IsOrthogonal) CalcRotationTrig();
}

void TCanvas3D::CalcRotationTrig()
{
    const long double e = View3DOptions ? -View3DOptions->ElevationValue() : 0;
    const long double r = View3DOptions ? -View3DOptions->RotationValue() : 0;
    const long double t = View3DOptions ? Rnd(View3DOptions->TiltValue()) : 0;
    hasPerspective_ = false;
    PF_ = 0;
    const long double k = std::numbers::pi_v<long double> / 180;
    SE_ = std::sin(e * k);
    CE_ = std::cos(e * k);
    SR_ = std::sin(r * k);
    CR_ = std::cos(r * k);
    ST_ = std::sin(t * k);
    CT_ = std::cos(t * k);
    tilted_ = t != 0;
    // The rotated projection without perspective is linear in x, y and z; Unproject solves it.
    m11_ = static_cast<double>(CT_ * CR_ - ST_ * SE_ * SR_);
    m12_ = static_cast<double>(-ST_ * CE_);
    c1_ = static_cast<double>(CT_ * SR_ + ST_ * SE_ * CR_);
    m21_ = static_cast<double>(CT_ * SE_ * SR_ + ST_ * CR_);
    m22_ = static_cast<double>(CT_ * CE_);
    c2_ = static_cast<double>(ST_ * SR_ - CT_ * SE_ * CR_);
}

void TCanvas3D::SetProjection(int depth, const TRect&, const TRect& chartRect)
{
    XCenter = (chartRect.Left + chartRect.Right) / 2;
    YCenter = (chartRect.Top + chartRect.Bottom) / 2;
    ZCenter = Round(depth * 0.5);
    OX_ = XCenter;
    OY_ = YCenter;
    CalcPerspective(chartRect);
}

void TCanvas3D::CalcPerspective(const TRect& chartRect)
{
    if (!View3DOptions) return;
    OX_ += View3DOptions->HorizOffset();
    OY_ += View3DOptions->VertOffset();
    if (!is3D_) return;
    S_ = View3DOptions->ZoomValue() * 0.01;
    hasPerspective_ = View3DOptions->Perspective() > 0;
    if (hasPerspective_)
        PF_ = View3DOptions->Perspective() * S_ * (1.0 / 120) / std::max(chartRect.Right - chartRect.Left, 1);
}

void TCanvas3D::ProjectXYZ(int& x, int& y, int z)
{
    if (IsOrthogonal) {
        if (z == 0) {
            x = Round((x - XCenter) * S_) + OX_;
            y = Round((y - YCenter) * S_) + OY_;
        } else {
            x = Round((z * DX_ + (x - XCenter)) * S_) + OX_;
            y = Round(((y - YCenter) - z * DY_) * S_) + OY_;
        }
        return;
    }
    if (!is3D_) return;
    const int rx = x - XCenter, ry = y - YCenter, rz = z - ZCenter;
    const double a = static_cast<double>(rz * CR_ - rx * SR_);
    double f = S_;
    if (hasPerspective_) f = S_ / (static_cast<double>(CE_ * a + ry * SE_) * PF_ + 1);
    if (tilted_) {
        const double b = static_cast<double>(rx * CR_ + rz * SR_);
        const double c = static_cast<double>(ry * CE_ - SE_ * a);
        x = Round(static_cast<double>(CT_ * b - ST_ * c) * f) + OX_;
        y = Round(static_cast<double>(CT_ * c + ST_ * b) * f) + OY_;
    } else {
        x = Round(static_cast<double>(rx * CR_ + rz * SR_) * f) + OX_;
        y = Round(static_cast<double>(ry * CE_ - SE_ * a) * f) + OY_;
    }
}

void TCanvas3D::Project(int x, int y, int z, TPoint& point)
{
    ProjectXYZ(x, y, z);
    point = {x, y};
}

void TCanvas3D::ProjectFloat(TPointFloat& point, float z)
{
    const float x = point.X - XCenter, y = point.Y - YCenter;
    if (IsOrthogonal) {
        point.X = static_cast<float>((x + z * DX_) * S_ + OX_);
        point.Y = static_cast<float>((y - z * DY_) * S_ + OY_);
    } else if (is3D_) {
        const float rz = z - ZCenter;
        const float cr = static_cast<float>(CR_), sr = static_cast<float>(SR_), ce = static_cast<float>(CE_);
        const float se = static_cast<float>(SE_), ct = static_cast<float>(CT_), st = static_cast<float>(ST_);
        const float a = rz * cr - x * sr;
        float f = static_cast<float>(S_);
        if (hasPerspective_) f = static_cast<float>(S_ / ((ce * a + y * se) * PF_ + 1));
        const float b = x * cr + rz * sr, c = y * ce - se * a;
        point.X = (ct * b - st * c) * f + OX_;
        point.Y = (ct * c + st * b) * f + OY_;
    } else {
        point.X = static_cast<float>(x * S_ + OX_);
        point.Y = static_cast<float>(y * S_ + OY_);
    }
}

void TCanvas3D::Unproject(int& x, int& y, int z)
{
    if (S_ == 0) return;
    const double inv = 1 / S_;
    if (IsOrthogonal) {
        x = Round((x - OX_) * inv - z * DX_) + XCenter;
        y = Round((y - OY_) * inv + z * DY_) + YCenter;
        return;
    }
    if (!is3D_) return;
    const double det = m11_ * m22_ - m12_ * m21_;
    if (std::abs(det) < 1e-9) return;
    const int rz = z - ZCenter;
    const double u = (x - OX_) * inv - rz * c1_;
    const double v = (y - OY_) * inv - rz * c2_;
    x = Round((u * m22_ - v * m12_) / det) + XCenter;
    y = Round((v * m11_ - u * m21_) / det) + YCenter;
}

void TCanvas3D::SwitchRotationOff()
{
    rotationSaved_ = is3D_;
    is3D_ = false;
}

void TCanvas3D::SwitchRotationOn() { is3D_ = rotationSaved_; }

void TCanvas3D::BeginNoRotation()
{
    if (NoRotationCount == 0) SwitchRotationOff();
    ++NoRotationCount;
}

void TCanvas3D::EndNoRotation()
{
    if (NoRotationCount == 0) return;
    if (--NoRotationCount == 0) SwitchRotationOn();
}

// ---------------------------------------------------------------- base behaviour

TDuvTransform* TCanvas3D::PushTransform(const std::string&, TDuvTransform* transform, void*) { return transform; }

void TCanvas3D::PopTransform() {}

void TCanvas3D::ShadeSliceEdges(TEdgeStyle, int, const TPie3DSlice&) {}

bool TCanvas3D::UseDCBrush() { return false; }

std::string TCanvas3D::GetDescription() { return {}; }


bool TCanvas3D::IsSupported() { return true; }

void TCanvas3D::AssignSettings(TCanvas3D& other)
{
    SetMonochrome(other.GetMonochrome());
    View3DOptions = other.View3DOptions;
}

bool TCanvas3D::CopyBufferTo(QImage&, const TRect&) { return false; }

void TCanvas3D::CubeVariant(int left, int right, int top, int bottom, int z0, int z1, bool darkSides, int roundSize,
                            int)
{
    Cube(left, right, top, bottom, z0, z1, darkSides, roundSize);
}

void TCanvas3D::Rhombus(int left, int top, int right, int bottom, int z0, int z1)
{
    const int mx = (left + right) / 2, my = (top + bottom) / 2;
    PolygonWithZ({{mx, top}, {right, my}, {mx, bottom}, {left, my}}, (z0 + z1) / 2);
}

void TCanvas3D::HorizLine3D(int x0, int x1, int y, int z)
{
    MoveTo3D(x0, y, z);
    LineTo3D(x1, y, z);
}

void TCanvas3D::VertLine3D(int x, int y0, int y1, int z)
{
    MoveTo3D(x, y0, z);
    LineTo3D(x, y1, z);
}

void TCanvas3D::ZLine3D(int x, int y, int z0, int z1)
{
    MoveTo3D(x, y, z0);
    LineTo3D(x, y, z1);
}

void TCanvas3D::LineWithZ(int x0, int y0, int x1, int y1, int z)
{
    MoveTo3D(x0, y0, z);
    LineTo3D(x1, y1, z);
}

void TCanvas3D::RoundRectWithZ(const TRect& rect, int cornerWidth, int cornerHeight, int z)
{
    if (SupportsFullRotation()) {
        RectangleAtZ(rect, z);
        return;
    }
    TRect projected;
    ProjectRect(rect, z, projected);
    RoundRectCorners(projected, cornerWidth, cornerHeight, nullptr);
}

void TCanvas3D::MoveTo3D(int x, int y, int z)
{
    ProjectXYZ(x, y, z);
    MoveTo(x, y);
}

void TCanvas3D::MoveTo3DFloat(float x, float y, float z) { MoveTo3D(Round(x), Round(y), Round(z)); }

void TCanvas3D::LineTo3D(int x, int y, int z)
{
    ProjectXYZ(x, y, z);
    LineTo(x, y);
}

void TCanvas3D::LineTo3DFloat(float x, float y, float z) { LineTo3D(Round(x), Round(y), Round(z)); }

void TCanvas3D::Polygon3DFloat(const std::vector<TPoint3DFloat>& points, bool flag)
{
    std::vector<TPoint3D> rounded;
    rounded.reserve(points.size());
    for (const TPoint3DFloat& p : points) rounded.push_back({Round(p.X), Round(p.Y), Round(p.Z)});
    Polygon3DVariant(rounded, flag);
}

void TCanvas3D::Polygon3DVariant(const std::vector<TPoint3D>& points, bool) { Polygon3D(points); }

void TCanvas3D::PolygonWithZ(const TPointArray& points, int z)
{
    TPointArray projected;
    ProjectPoints(points, static_cast<int>(points.size()) - 1, z, projected);
    Polygon(projected);
}

void TCanvas3D::PolygonWithZVariant(const TPointArray& points, int z, bool) { PolygonWithZ(points, z); }

void TCanvas3D::PolylineWithZ(const TPointArray& points, int z)
{
    TPointArray projected;
    ProjectPoints(points, static_cast<int>(points.size()) - 1, z, projected);
    Polyline(projected);
}

void TCanvas3D::RectangleWithZRounded(const TRect& rect, int z, int) { RectangleAtZ(rect, z); }

void TCanvas3D::DrawPlaneBuffer() { Polygon(TPointArray(PlanePoints, PlanePoints + 4)); }

void TCanvas3D::DrawShadow(TDuvShadow& shadow, const TRect& rect, bool ellipse, int cornerSize,
                           const TPointArray& points, int high, double, double startAngle, double endAngle)
{
    Brush().SetColor(shadow.Color());
    Brush().SetStyle(bsSolid);
    if (Pen().Style() != psClear) {
        Pen().SetStyle(psSolid);
        Pen().SetColor(shadow.Color());
    }
    if (high >= 0) {
        Polygon(TPointArray(points.begin(), points.begin() + std::min<std::size_t>(high + 1, points.size())));
        return;
    }
    if (!ellipse) {
        if (cornerSize != 0)
            RoundRectCorners(rect, cornerSize, cornerSize, nullptr);
        else
            FillRect(rect);
        return;
    }
    auto shape = [&] {
        if (endAngle - startAngle == 360)
            EllipseRect(rect);
        else
            PieAngles(rect, startAngle, endAngle);
    };
    if (!shadow.Smooth()) {
        shape();
        return;
    }
    // Smooth shadows of round shapes fade radially from a darker centre.
    TDuvGradient saved;
    saved.Assign(GetBrushGradient());
    GetBrushGradient()->SetVisible(true);
    Pen().SetStyle(psClear);
    shape();
    GetBrushGradient()->Assign(&saved);
}

void TCanvas3D::DrawImage3D(const TRect& rect, const QImage& graphic, TCanvas3DPlane plane, double position)
{
    Pen().SetStyle(psClear);
    const QImage bitmap = graphic.convertToFormat(QImage::Format_RGB32);
    const int w = bitmap.width(), h = bitmap.height();
    if (w == 0 || h == 0) return;
    const double dy = static_cast<double>(rect.Bottom - rect.Top) / h;
    const double dx = static_cast<double>(rect.Right - rect.Left) / w;
    const int pos = Round(position);
    SetSmoothing(false);
    auto corner = [&](int a, int y) {
        TPoint p;
        if (plane == cpX)
            Project(pos, y, a, p);
        else if (plane == cpY)
            Project(a, pos, y, p);
        else
            Project(a, y, pos, p);
        return p;
    };
    for (int r = 0; r < h; ++r) {
        const int y0 = r == 0 ? rect.Top : rect.Top + Round(r * dy);
        const int y1 = rect.Top + Round((r + 1) * dy);
        for (int c = 0; c < w; ++c) {
            const int a0 = rect.Left + Round(c * dx), a1 = rect.Left + Round((c + 1) * dx);
            const QRgb pixel = bitmap.pixel(c, r);
            Brush().SetColor(static_cast<TColor>(qRed(pixel) | (qGreen(pixel) << 8) | (qBlue(pixel) << 16)));
            Polygon({corner(a0, y0), corner(a1, y0), corner(a1, y1), corner(a0, y1)});
        }
    }
    SetSmoothing(true);
}

void TCanvas3D::Triangles(int count, const TTriangleCallback& callback, int transparency, TDuvBlend* blend)
{
    for (int i = 1; i <= count; ++i) {
        TPoint3D points[3];
        TColor colors[3] = {};
        callback(i, points, colors);
        if (blend) {
            TPoint projected[3];
            ProjectTriangle(points, projected);
            blend->SetRectangle(TriangleBounds(projected[0], projected[1], projected[2]));
        }
        Triangle3D(points, colors);
        if (blend) blend->BlendOnto(transparency);
    }
}

// ---------------------------------------------------------------- convenience forms

void TCanvas3D::ArcWithZ(const TRect& box, const TPoint& p1, const TPoint& p2, int z)
{
    TRect b;
    ProjectRect(box, z, b);
    TPoint q1, q2;
    ProjectPointAt(p1, z, q1);
    ProjectPointAt(p2, z, q2);
    Arc(b.Left, b.Top, b.Right, b.Bottom, q1.X, q1.Y, q2.X, q2.Y);
}

void TCanvas3D::ArrowAtZ(bool filled, const TPoint& from, const TPoint& to, int headWidth, int headHeight, int z)
{
    Arrow3D(filled, from, to, headWidth, headHeight, z, z, 50);
}

void TCanvas3D::AssignFontZoomed(TDuvFont& font)
{
    if (!ProjectsText() && View3DOptions && View3DOptions->ZoomText() != ztNo && View3DOptions->ZoomValue() != 100)
        AssignFontSize(font, static_cast<float>(font.GetSizeFloat() * 0.01 * View3DOptions->ZoomValue()));
    else
        AssignFont(font);
}

void TCanvas3D::CubeOutline(const TRect& rect, int z0, int z1, TPointArray& points)
{
    points.clear();
    for (int z : {z0, z1}) {
        TPoint corners[4];
        ProjectRectCorners(rect, z, corners);
        points.insert(points.end(), corners, corners + 4);
    }
    ConvexHull(points);
}

void TCanvas3D::ProjectPoints(const TPointArray& points, int high, int z, TPointArray& result)
{
    high = std::min<int>(high, static_cast<int>(points.size()) - 1);
    result.resize(std::max(high + 1, 0));
    for (int i = 0; i <= high; ++i) ProjectPointAt(points[i], z, result[i]);
}

void TCanvas3D::ProjectRect(const TRect& rect, int z, TRect& result)
{
    TPoint a, b;
    Project(rect.Left, rect.Top, z, a);
    Project(rect.Right, rect.Bottom, z, b);
    result = {a.X, a.Y, b.X, b.Y};
}

void TCanvas3D::ProjectRectCorners(const TRect& rect, int z, TPoint corners[4])
{
    Project(rect.Left, rect.Top, z, corners[0]);
    Project(rect.Right, rect.Top, z, corners[1]);
    Project(rect.Right, rect.Bottom, z, corners[2]);
    Project(rect.Left, rect.Bottom, z, corners[3]);
}

void TCanvas3D::ProjectedBounds(const TRect& rect, int z, TRect& result)
{
    TPoint corners[4];
    ProjectRectCorners(rect, z, corners);
    result = PolygonBounds(corners, 4);
}

void TCanvas3D::ProjectTriangle(const TPoint3D points[3], TPoint result[3])
{
    for (int i = 0; i < 3; ++i) ProjectPoint3D(points[i], result[i]);
}

void TCanvas3D::ProjectFloatPoints(const TPointFloatArray& points, int high, float z, TPointFloatArray& result)
{
    high = std::min<int>(high, static_cast<int>(points.size()) - 1);
    result.assign(points.begin(), points.begin() + std::max(high + 1, 0));
    for (TPointFloat& p : result) ProjectFloat(p, z);
}

void TCanvas3D::PolygonWithZFloat(const TPointFloatArray& points, int high, float z)
{
    TPointFloatArray projected;
    ProjectFloatPoints(points, high, z, projected);
    PolygonFloat(projected);
}

void TCanvas3D::PolylineWithZFloat(const TPointFloatArray& points, int high, float z)
{
    TPointFloatArray projected;
    ProjectFloatPoints(points, high, z, projected);
    PolylineFloat(projected);
}

TPointFloat TCanvas3D::PointOnEllipse(const TRect& rect, int z, double angle, bool downwards)
{
    const double cx = (rect.Left + rect.Right) / 2, cy = (rect.Top + rect.Bottom) / 2;
    const double rx = (rect.Right - rect.Left) / 2.0, ry = (rect.Bottom - rect.Top) / 2.0;
    const double s = std::sin(angle * kDegree) * ry;
    TPointFloat p{static_cast<float>(cx + std::cos(angle * kDegree) * rx), static_cast<float>(downwards ? cy + s : cy - s)};
    if (z != 0) ProjectFloat(p, static_cast<float>(z));
    return p;
}

void TCanvas3D::CalcArrowPoints3D(const TPoint& from, const TPoint& to, TPointArray& points, int z, int headLength,
                                  int headWidth, double bodyPercent)
{
    CalcArrowPoints(from, to, points, headWidth, headLength, static_cast<float>(bodyPercent));
    for (TPoint& p : points) ProjectXYZ(p.X, p.Y, z);
}

// ---------------------------------------------------------------- free routines

bool ConvexHull(TPointArray& points)
{
    if (points.size() == 3) return true;
    if (points.size() < 3) return false;
    std::size_t pivotAt = 0;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const TPoint& p = points[i];
        const TPoint& best = points[pivotAt];
        if (p.Y < best.Y || (p.Y == best.Y && p.X > best.X)) pivotAt = i;
    }
    const TPoint pivot = points[pivotAt];
    points[pivotAt] = points.back();
    points.pop_back();
    auto key = [&pivot](const TPoint& p) {
        const double dx = pivot.X - p.X, dy = pivot.Y - p.Y;
        const double d = std::sqrt(dx * dx + dy * dy);
        return d == 0 ? 0.0f : static_cast<float>(dx / d);
    };
    std::stable_sort(points.begin(), points.end(), [&](const TPoint& a, const TPoint& b) { return key(a) < key(b); });
    auto turnsRight = [](const TPoint& prev, const TPoint& p, const TPoint& next) {
        return static_cast<long long>(prev.X - p.X) * (next.Y - p.Y) - static_cast<long long>(next.X - p.X) * (prev.Y - p.Y) < 0;
    };
    for (std::size_t i = 1; i < points.size();) {
        const TPoint& next = i + 1 == points.size() ? pivot : points[i + 1];
        if (turnsRight(points[i - 1], points[i], next)) {
            ++i;
        } else {
            points.erase(points.begin() + static_cast<std::ptrdiff_t>(i));
            i = std::max<std::size_t>(i - 1, 1);
        }
    }
    points.push_back(pivot);
    return true;
}

bool IsBackFace(const TPoint& p0, const TPoint& p1, const TPoint& p2)
{
    return static_cast<long long>(p0.X - p1.X) * (p2.Y - p1.Y) - static_cast<long long>(p2.X - p1.X) * (p0.Y - p1.Y) < 0;
}

bool IsBackFaceTriangle(const TPoint points[3]) { return IsBackFace(points[0], points[1], points[2]); }

bool IsBackFaceFloat(const TPointFloat& p0, const TPointFloat& p1, const TPointFloat& p2)
{
    const long double v = static_cast<long double>(p0.X - p1.X) * (p2.Y - p1.Y) -
                          static_cast<long double>(p2.X - p1.X) * (p0.Y - p1.Y);
    return v < 0;
}

TPointFloatArray EllipsePoints(int x1, int y1, int x2, int y2, int count)
{
    count = std::max(count, 3);
    const double cx = (x1 + x2) * 0.5, cy = (y1 + y2) * 0.5;
    const double rx = (x2 - x1) * 0.5, ry = (y2 - y1) * 0.5;
    const float step = static_cast<float>((360.0 / (count - 1)) * 2 * std::numbers::pi / 360);
    TPointFloatArray points(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        points[i] = {static_cast<float>(std::sin(i * step) * rx + cx), static_cast<float>(std::cos(i * step) * ry + cy)};
    return points;
}
