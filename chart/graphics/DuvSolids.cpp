#include "chart/graphics/DuvSolids.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvGradient.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"

namespace {
int Round(double value) { return static_cast<int>(Rnd(value)); }

TPoint Projected(TCanvas3D& canvas, int x, int y, int z)
{
    canvas.ProjectXYZ(x, y, z);
    return {x, y};
}

void Triangle(TCanvas3D& canvas, const TPoint& a, const TPoint& b, const TPoint& c) { canvas.Polygon({a, b, c}); }

TColor BaseColor(TCanvas3D& canvas)
{
    return canvas.Brush().Style() == bsSolid ? canvas.Brush().Color() : canvas.GetBackColor();
}

long long Facing(const TPoint& a, const TPoint& b, const TPoint& c)
{
    return static_cast<long long>(a.X - b.X) * (c.Y - b.Y) - static_cast<long long>(c.X - b.X) * (a.Y - b.Y);
}
}  // namespace

int NormalizeAngle(int angle)
{
    while (angle > 360) angle -= 360;
    while (angle < -360) angle += 360;
    if (angle < 0) angle += 360;
    return angle;
}

void DrawPlane(TCanvas3D& canvas, const TPoint corners[4])
{
    std::copy(corners, corners + 4, canvas.PlanePoints);
    canvas.DrawPlaneBuffer();
}

// ---------------------------------------------------------------- cube

void DrawCube(TCanvas3D& canvas, int left, int right, int top, int bottom, int z0, int z1, bool darkSides)
{
    const TColor c = BaseColor(canvas);
    const bool clear = canvas.Brush().Style() == bsClear;
    auto corners = [&](std::initializer_list<TPoint3D> points, TPoint q[4]) {
        int i = 0;
        for (const TPoint3D& p : points) q[i++] = Projected(canvas, p.X, p.Y, p.Z);
    };
    auto f = [](const TPoint q[4]) { return Facing(q[3], q[2], q[1]); };
    auto side = [&](const TPoint q[4], TGradientDirection direction, std::uint8_t darkening) {
        if (!darkSides) return DrawPlane(canvas, q);
        TDuvGradient* g = canvas.GetBrushGradient();
        g->SetDirection(direction);
        g->SetStartColor(c);
        g->SetEndColor(DarkenColor(c, darkening));
        g->SetVisible(true);
        DrawPlane(canvas, q);
        g->SetVisible(false);
    };
    TPoint q[4];
    corners({{left, top, z0}, {right, top, z0}, {right, bottom, z0}, {left, bottom, z0}}, q);
    if (!clear && f(q) <= 0) corners({{left, top, z1}, {right, top, z1}, {right, bottom, z1}, {left, bottom, z1}}, q);
    DrawPlane(canvas, q);
    corners({{right, top, z0}, {right, top, z1}, {right, bottom, z1}, {right, bottom, z0}}, q);
    if (clear || f(q) > 0) side(q, gdLeftRight, 128);
    corners({{left, top, z0}, {left, top, z1}, {left, bottom, z1}, {left, bottom, z0}}, q);
    if (clear || Facing(q[3], q[0], q[1]) > 0) side(q, gdRightLeft, 128);
    corners({{left, top, z0}, {right, top, z0}, {right, top, z1}, {left, top, z1}}, q);
    if (clear || Facing(q[0], q[1], q[2]) > 0) side(q, gdBottomTop, 64);
    corners({{left, bottom, z0}, {left, bottom, z1}, {right, bottom, z1}, {right, bottom, z0}}, q);
    if (clear || f(q) < 0) side(q, gdTopBottom, 64);
}

// ---------------------------------------------------------------- cones and cylinders

namespace {
std::vector<TPoint3D> ConeRing(int sides, bool vertical, int left, int top, int right, int bottom, int cz, int dz,
                               int radius, int at)
{
    std::vector<TPoint3D> ring(static_cast<std::size_t>(sides));
    const double step = 2 * std::numbers::pi / sides;
    for (int i = 0; i < sides; ++i) {
        const double theta = i * step;
        const int across = Round(std::sin(theta) * radius), depth = cz - Round(std::cos(theta) * dz);
        ring[i] = vertical ? TPoint3D{(right + left) / 2 + across, at, depth}
                           : TPoint3D{at, (bottom + top) / 2 + across, depth};
    }
    return ring;
}

TPointFloatArray ProjectRing(TCanvas3D& canvas, const std::vector<TPoint3D>& ring)
{
    TPointFloatArray points;
    for (const TPoint3D& p : ring) {
        TPointFloat f{static_cast<float>(p.X), static_cast<float>(p.Y)};
        canvas.ProjectFloat(f, static_cast<float>(p.Z));
        points.push_back(f);
    }
    return points;
}
}  // namespace

void DrawConeShape(TCanvas3D& canvas, bool vertical, int left, int top, int right, int bottom, int z0, int z1,
                   bool darkSides, int topPercent)
{
    const int sides = std::max(canvas.CylinderSides, 2);
    const int dz = (z1 - z0) / 2, cz = (z0 + z1) / 2;
    const int radius = vertical ? (right - left) / 2 : (bottom - top) / 2;
    const std::vector<TPoint3D> base =
        ConeRing(sides, vertical, left, top, right, bottom, cz, dz, radius, vertical ? bottom : left);
    std::vector<TPoint3D> topRing;
    if (topPercent != 0) {
        const double k = topPercent * 0.01;
        const int r = topPercent == 100 ? radius : Round(radius * k), d = topPercent == 100 ? dz : Round(dz * k);
        topRing = ConeRing(sides, vertical, left, top, right, bottom, cz, d, r, vertical ? top : right);
    }
    bool baseInFront;
    if (vertical) {
        baseInFront = bottom < top;
    } else {
        baseInFront = IsBackFace(Projected(canvas, 0, 0, 0), Projected(canvas, 0, 10, 0), Projected(canvas, 0, 10, 10));
        if (right < left) baseInFront = !baseInFront;
    }
    const TPointFloatArray baseScreen = ProjectRing(canvas, base);
    const TPointFloatArray topScreen = topRing.empty() ? TPointFloatArray{} : ProjectRing(canvas, topRing);
    if (!topRing.empty() && !baseInFront) canvas.PolygonFloat(topScreen);
    const TPointFloatArray& ring = topRing.empty() ? baseScreen : topScreen;
    int low = 0, high = 0;
    for (int i = 1; i < sides; ++i) {
        const float v = vertical ? ring[i].X : ring[i].Y;
        if (v < (vertical ? ring[low].X : ring[low].Y)) low = i;
        if (v > (vertical ? ring[high].X : ring[high].Y)) high = i;
    }
    TPointFloatArray silhouette;
    for (int i = low;; i = (i + 1) % sides) {
        silhouette.push_back(ring[i]);
        if (i == high) break;
    }
    if (!topRing.empty()) {
        for (int i = high;; i = (i + sides - 1) % sides) {
            silhouette.push_back(baseScreen[i]);
            if (i == low) break;
        }
    } else {
        TPointFloat apex = vertical ? TPointFloat{static_cast<float>((right + left) / 2), static_cast<float>(top)}
                                    : TPointFloat{static_cast<float>(right), static_cast<float>((bottom + top) / 2)};
        canvas.ProjectFloat(apex, static_cast<float>(cz));
        silhouette.push_back(apex);
    }
    const TColor color = canvas.Brush().Color();
    TDuvGradient* g = canvas.GetBrushGradient();
    g->SetMidColor(clNone);
    g->SetStartColor(darkSides ? LightenColor(color, 64) : color);
    g->SetEndColor(DarkenColor(color, darkSides ? 128 : 64));
    g->SetDirection(vertical ? gdLeftRight : gdTopBottom);
    g->SetVisible(true);
    canvas.PolygonFloat(silhouette);
    if (baseInFront) canvas.PolygonFloat(baseScreen);
}

// ---------------------------------------------------------------- pyramids

void DrawPyramid(TCanvas3D& canvas, bool vertical, int left, int top, int right, int bottom, int z0, int z1,
                 bool darkSides)
{
    const TColor base = BaseColor(canvas);
    const int zm = (z0 + z1) / 2;
    auto darker = [&](std::uint8_t amount) {
        if (darkSides) canvas.SetBrushColorDarker(base, amount);
    };
    auto p = [&](int x, int y, int z) { return Projected(canvas, x, y, z); };
    if (vertical) {
        const int x0 = left, x1 = right, ya = top, yb = bottom;
        const bool u = ya < yb;
        if (ya != yb) {
            const TPoint pb0 = p(x0, yb, z1), pb1 = p(x1, yb, z1), a = p((x0 + x1) / 2, ya, zm);
            const TPoint pf0 = p(x0, yb, z0), pf1 = p(x1, yb, z0);
            Triangle(canvas, pb0, a, pb1);
            if (IsBackFace(pb0, a, pf0) != u) Triangle(canvas, pb0, a, pf0);
            darker(128);
            if (IsBackFace(pb1, a, pf1) != !u) Triangle(canvas, pb1, a, pf1);
            if (u && IsBackFace(a, pf0, pf1)) Triangle(canvas, a, pf0, pf1);
            if (IsBackFace(pb0, pb1, pf0) != !u) {
                darker(64);
                canvas.PlaneAtY(x0, yb, x1, z0, z1);
            }
        }
        return;
    }
    const int x0 = left, x1 = right, y0 = top, y1 = bottom;
    const bool u = x0 < x1;
    if (x1 == x0) return;
    const TPoint a = p(x1, (y0 + y1) / 2, zm);
    const TPoint pb0 = p(x0, y1, z1), pb1 = p(x0, y0, z1), pf0 = p(x0, y1, z0), pf1 = p(x0, y0, z0);
    Triangle(canvas, pb0, a, pb1);
    if (IsBackFace(pf0, a, pf1) != u) Triangle(canvas, pf0, a, pf1);
    darker(64);
    if (IsBackFace(pb0, a, pf0) != u) Triangle(canvas, pb0, a, pf0);
    if (IsBackFace(pf1, a, pb1) != u) Triangle(canvas, pf1, a, pb1);
    if (IsBackFace(pb0, pb1, pf0) != !u) {
        darker(128);
        canvas.PlaneAtX(x0, y1, y0, z0, z1);
    }
}

void DrawPyramidTrunc(TCanvas3D& canvas, const TFloatRect& r, bool topCap, float zf, float zb, double hw, double hd,
                      bool bottomCap)
{
    const float xm = (r.Left + r.Right) * 0.5f, zm = (zf + zb) * 0.5f;
    const float w = static_cast<float>(hw), d = static_cast<float>(hd);
    auto p = [&](float x, float y, float z) {
        TPointFloat point{x, y};
        canvas.ProjectFloat(point, z);
        return point;
    };
    auto bottomFace = [&] {
        if (bottomCap) canvas.PolygonFloat({p(r.Left, r.Bottom, zf), p(r.Right, r.Bottom, zf), p(r.Right, r.Bottom, zb), p(r.Left, r.Bottom, zb)});
    };
    auto topFace = [&] {
        if (topCap && hw != 0)
            canvas.PolygonFloat({p(xm - w, r.Top, zm - d), p(xm + w, r.Top, zm - d), p(xm + w, r.Top, zm + d), p(xm - w, r.Top, zm + d)});
    };
    const bool upright = r.Bottom > r.Top;
    auto face = [&](const TPointFloatArray& q, bool visible, bool inverted) {
        if (inverted) visible = !visible;
        if (!upright) visible = !visible;
        if (visible) canvas.PolygonFloat(q);
    };
    auto depthSide = [&](float a, float b, bool inverted) {
        const TPointFloatArray q{p(xm - w, r.Top, a), p(xm + w, r.Top, a), p(r.Right, r.Bottom, b), p(r.Left, r.Bottom, b)};
        face(q, IsBackFaceFloat(q[1], q[2], q[3]), inverted);
    };
    auto widthSide = [&](float c, float x, bool inverted) {
        const TPointFloatArray q{p(x, r.Top, zm - d), p(x, r.Top, zm + d), p(c, r.Bottom, zb), p(c, r.Bottom, zf)};
        face(q, IsBackFaceFloat(q[3], q[2], q[1]), inverted);
    };
    if (upright)
        bottomFace();
    else
        topFace();
    if (hw == 0 && zf == zb) {
        depthSide(zm + d, zb, false);
    } else {
        depthSide(zm + d, zb, true);
        widthSide(r.Left, xm - w, false);
        depthSide(zm - d, zf, false);
        widthSide(r.Right, xm + w, true);
    }
    if (upright)
        topFace();
    else
        bottomFace();
}

void DrawArrow3D(TCanvas3D& canvas, bool filled, const TPoint& from, const TPoint& to, int headWidth, int headLength,
                 int z, double bodyPercent)
{
    TPointArray points;
    canvas.CalcArrowPoints3D(from, to, points, z, headLength, headWidth, bodyPercent);
    if (points.empty()) return;
    if (filled) return canvas.Polygon(points);
    TPoint tail;
    canvas.ProjectPointAt(from, z, tail);
    canvas.LinePoints(tail, points[4]);
    canvas.LineToPoint(points[5]);
    canvas.LinePoints(points[4], points[3]);
}

// ---------------------------------------------------------------- pies

namespace {
TRect MovedDown(const TRect& r, int by) { return {r.Left, r.Top + by, r.Right, r.Bottom + by}; }
}  // namespace

TPieDrawer::TPieDrawer(TCanvas3D& canvas, const TPie3DSlice& slice) : canvas_(canvas), slice_(slice)
{
    const int x = slice.XCenter, y = slice.YCenter, xr = slice.XRadius, yr = slice.YRadius;
    t_ = slice.EndZ - slice.StartZ;
    r0_ = {x - xr, y - yr, x + xr, y + yr};
    r1_ = MovedDown(r0_, t_);
    start_ = Round(slice.StartAngle * 180 / std::numbers::pi);
    end_ = Round(slice.EndAngle * 180 / std::numbers::pi);
    full_ = slice.StartAngle == slice.EndAngle || end_ - start_ == 360;
    if (end_ < start_) end_ += 360;
    if (full_ && end_ == start_) end_ = start_ + 360;
    colorInForce_ = BaseColor(canvas);
    entire_ = slice.Transparency != 0 && !slice.HideSides;
    if (slice.DonutPercent > 0) {
        const int hx = Round(slice.DonutPercent * xr * 0.01), hy = Round(slice.DonutPercent * yr * 0.01);
        h0_ = {x - hx, y - hy, x + hx, y + hy};
        h1_ = MovedDown(h0_, t_);
        donut_ = true;
    }
    if (slice.BevelPercent > 0) {
        const double u = slice.BevelPercent * t_ * 0.01;
        b0_ = {x - Round(xr - u), y - Round(yr - u), x + Round(xr - u), y + Round(yr - u)};
        b1_ = MovedDown(r0_, Round(u));
        bevel_ = true;
    }
    CalcPoints();
}

TPointFloat TPieDrawer::At(const TRect& rect, int angle) const { return canvas_.PointOnEllipse(rect, t_, angle, false); }

TPoint TPieDrawer::AtRounded(const TRect& rect, int angle) const
{
    const TPointFloat p = At(rect, angle);
    return {Round(p.X), Round(p.Y)};
}

void TPieDrawer::CalcPoints()
{
    canvas_.Project(slice_.XCenter, slice_.YCenter, t_, c0_);
    canvas_.Project(slice_.XCenter, slice_.YCenter + t_, t_, c1_);
    s0_ = AtRounded(r0_, start_);
    e0_ = AtRounded(r0_, end_);
    sweep_ = end_ - start_;
}

void TPieDrawer::FillSlice(int a, int b, const TRect& inner, const TRect& outer, const TPoint& centre, bool bevel)
{
    TPointFloatArray points;
    const TPointFloat c{static_cast<float>(centre.X), static_cast<float>(centre.Y)};
    const bool wedge = !donut_ && sweep_ < 360;
    if (wedge) points.push_back(c);
    for (int angle = a; angle <= b; ++angle) points.push_back(At(bevel ? b0_ : outer, angle));
    if (donut_)
        for (int angle = b; angle >= a; --angle) points.push_back(At(inner, angle));
    if (wedge) points.push_back(c);
    canvas_.PolygonFloat(points);
}

void TPieDrawer::FillBand(int a, int b, const TRect& first, const TRect& second)
{
    const int step = b >= a ? 1 : -1;
    TPointFloatArray points;
    for (int angle = a;; angle += step) {
        points.push_back(At(second, angle));
        if (angle == b) break;
    }
    for (int angle = b;; angle -= step) {
        points.push_back(At(first, angle));
        if (angle == a) break;
    }
    canvas_.PolygonFloat(points);
}

void TPieDrawer::DrawBottom()
{
    if (entire_) FillSlice(start_, end_, h1_, r1_, c1_, false);
}

void TPieDrawer::DrawTop() { FillSlice(start_, end_, h0_, r0_, c0_, bevel_); }

void TPieDrawer::DrawSide(int angle)
{
    if (sweep_ >= 360 || (!entire_ && !slice_.DrawSides)) return;
    const TPoint innerTop = donut_ ? AtRounded(h0_, angle) : c0_;
    const TPoint innerBottom = donut_ ? AtRounded(h1_, angle) : c1_;
    if (bevel_) {
        canvas_.Polygon({innerTop, AtRounded(b0_, angle), AtRounded(b1_, angle), AtRounded(r1_, angle), innerBottom});
        return;
    }
    const TPoint corners[4] = {innerTop, AtRounded(r0_, angle), AtRounded(r1_, angle), innerBottom};
    DrawPlane(canvas_, corners);
}

void TPieDrawer::DrawDonutWall(int a, int b)
{
    if (!donut_ || slice_.HideSides) return;
    if (entire_ || s0_.Y < c0_.Y || e0_.Y < c0_.Y || sweep_ >= 180) FillBand(a, b, h1_, h0_);
}

void TPieDrawer::DrawBevel(int a, int b)
{
    if (!bevel_) return;
    TDuvBrush& brush = canvas_.Brush();
    // Capped before the sign is taken: the value is read from chart files.
    const int brightness = std::clamp(slice_.BevelBrightness, -255, 255);
    if (brightness > 0) brush.SetColor(LightenColor(brush.Color(), static_cast<std::uint8_t>(brightness)));
    if (brightness < 0) brush.SetColor(DarkenColor(brush.Color(), static_cast<std::uint8_t>(-brightness)));
    if (!slice_.BevelBorder) canvas_.Pen().SetStyle(psClear);
    FillBand(a, b < a ? b + 360 : b, b1_, b0_);
}

void TPieDrawer::Wall(int a, int b) { FillBand(a, b, bevel_ ? b1_ : r0_, r1_); }

void TPieDrawer::DrawOuterWall(int a, int b)
{
    int s = NormalizeAngle(start_), e = NormalizeAngle(end_);
    if (full_) {
        Wall(0, 180);
        Wall(180, 360);
        if (!entire_) DrawBevel(0, 360);
        return;
    }
    if (c0_.Y >= s0_.Y && c0_.Y >= e0_.Y) {
        if (sweep_ < 180) {
            if (entire_)
                Wall(a, b);
            else
                DrawBevel(a, b);
            return;
        }
        Wall(a, b);
        if (entire_) return;
    } else if (s0_.Y > c0_.Y && e0_.Y < c0_.Y) {
        if (entire_) Wall(0, e);
        if (s > 0) Wall(s, 360);
    } else if (s0_.Y < c0_.Y && e0_.Y > c0_.Y) {
        if (entire_) Wall(180, s);
        Wall(180, e);
    } else if (s0_.Y >= c0_.Y && e0_.Y > c0_.Y && sweep_ > 180) {
        Wall(180, 0);
        Wall(e, 180);
        if (s > 0) Wall(s, 360);
    } else {
        if (e < s) e += 360;
        Wall(s, e);
    }
    DrawBevel(start_, end_);
}

void TPieDrawer::DrawSides(int a, int b)
{
    if (a == b) return;
    const bool endRight = c0_.X < e0_.X, startLeft = s0_.X < c0_.X, wide = sweep_ > 180;
    auto donut = [&] { DrawDonutWall(a, b); };
    auto startSide = [&] { DrawSide(start_); };
    auto endSide = [&] { DrawSide(end_); };
    auto outer = [&] { DrawOuterWall(a, b); };
    if (endRight && startLeft) {
        donut();
        startSide();
        endSide();
        if (b - a > 180) {
            a = std::max(a, 180);
            b = std::min(b, 360);
        }
        return DrawOuterWall(a, b);
    }
    if (endRight && wide) return donut(), startSide(), endSide(), outer();
    if (endRight) return endSide(), donut(), outer(), startSide();
    if (startLeft && !wide) return startSide(), donut(), outer(), endSide();
    if (startLeft) return donut(), endSide(), startSide(), outer();
    if (!wide) return donut(), outer(), startSide(), endSide();
    donut(), endSide(), outer(), startSide();
}

void TPieDrawer::Draw()
{
    TDuvBlend* blend = nullptr;
    if (slice_.Transparency != 0) {
        const int w = canvas_.Pen().Width() / 2;
        const TRect area = canvas_.NativeBlending ? TRect{}
                                                  : TRect{r0_.Left - w, r0_.Top - w, r0_.Right + w + 1, r1_.Bottom + w};
        blend = canvas_.BeginBlending(area, slice_.Transparency);
    }
    const TScopeGuard endBlending([&] {
        if (slice_.Transparency != 0) canvas_.EndBlending(blend);
    });
    DrawBottom();
    TDuvBrush& brush = canvas_.Brush();
    TDuvPen& pen = canvas_.Pen();
    const TColor penColor = pen.Color();
    const bool penDarkened = slice_.DarkSides && penColor == colorInForce_;
    if (slice_.DarkSides) {
        if (brush.Style() != bsClear) brush.SetColor(DarkenColor(brush.Color(), 32));
        if (penDarkened) pen.SetColor(DarkenColor(penColor, 32));
    }
    DrawSides(start_, end_);
    if (slice_.DarkSides) {
        if (brush.Style() == bsSolid)
            brush.SetColor(colorInForce_);
        else
            canvas_.SetBackColor(colorInForce_);
        if (penDarkened) pen.SetColor(penColor);
    }
    DrawTop();
    if ((slice_.Gradient && slice_.Gradient->Visible()) || slice_.EdgeStyle != edNone)
        canvas_.ShadeSliceEdges(slice_.EdgeStyle, t_, slice_);
}

void DrawPie3D(TCanvas3D& canvas, const TPie3DSlice& slice) { TPieDrawer(canvas, slice).Draw(); }
