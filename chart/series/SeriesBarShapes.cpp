// Where a bar lies and how each bar style is painted, hit-tested and crossed by tick lines, for
// vertical bars (value = y) and horizontal bars (value = x); the two series classes.
#include <algorithm>
#include <cmath>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/RuRazaziCallout.h"
#include "chart/series/SeriesBar.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"

namespace {

// A point given across the bar (category axis) and along it (value axis).
TPoint At(bool vertical, int across, int along) { return vertical ? TPoint{across, along} : TPoint{along, across}; }

bool InsideEllipse(const TRect& box, const TPoint& p)
{
    const double rx = (box.Right - box.Left) * 0.5, ry = (box.Bottom - box.Top) * 0.5;
    if (rx <= 0 || ry <= 0) return false;
    const double dx = (p.X - (box.Left + box.Right) * 0.5) / rx, dy = (p.Y - (box.Top + box.Bottom) * 0.5) / ry;
    return dx * dx + dy * dy <= 1;
}
}  // namespace

// ---------------------------------------------------------------- geometry of both orientations

int TCustomBarSeries::CategoryPixel(double value) const
{
    return YMandatory() ? ValueToScreenX(value) : ValueToScreenY(value);
}

int TCustomBarSeries::BarNearEdge(int valueIndex)
{
    const int half = BarSize / 2;
    int p;
    switch (multiBar_) {
    case mbSideAll: p = CategoryPixel(valueIndex + PrecedingPoints) - half; break;
    case mbSelfStack: p = CategoryPixel(GetSeriesIndex()) - half; break;
    default:
        p = CategoryPixel(SecondaryList()->GetValueAt(valueIndex));
        p += multiBar_ == mbNone ? -half : RoundPixel((BarOrder - NumBars * 0.5 - 1) * BarSize);
        break;
    }
    return ApplyBarOffset(p);
}

int TCustomBarSeries::BarBasePos(int valueIndex) const
{
    const TChartAxis* axis = ValueAxis();
    return BarOriginPos(valueIndex, YMandatory() ? axis->PixelEnd : axis->PixelStart);
}

void TCustomBarSeries::CalcOrientedBarBounds(int valueIndex, TRect& r)
{
    const bool vertical = YMandatory();
    const int p = BarNearEdge(valueIndex), end = BarValueEndPos(valueIndex), base = BarBasePos(valueIndex);
    const bool touching =
        barWidthPercent_ == 100 && customBarSize_ == 0 && multiBar_ != mbSelfStack && multiBar_ != mbSide;
    const bool pen = Pen().Visible();
    const bool inverted = CategoryAxisInverted();
    const int last = PointCount() - 1;
    int far;
    if (vertical) {
        far = p + BarSize + 1;
        if (touching) {
            const int pe = pen ? std::max(1, Pen().Width()) : 0;
            if (inverted)
                far = valueIndex > 0 ? BarNearEdge(valueIndex - 1) : p + BarSize + pe;
            else
                far = valueIndex < last ? BarNearEdge(valueIndex + 1) + 1 - pe / 2 : p + BarSize + 1 - pe / 2;
        }
        r = {p, end, far, base};
        if (!pen) {
            ++r.Right;
            if (r.Top < r.Bottom)
                ++r.Bottom;
            else
                ++r.Top;
        }
        return;
    }
    far = p + BarSize - 1;
    if (touching) {
        const int pw = pen ? Pen().Width() : 0;
        if (inverted)
            far = valueIndex < last ? BarNearEdge(valueIndex + 1) : p + BarSize - pw;
        else
            far = valueIndex > 0 ? BarNearEdge(valueIndex - 1) : p + BarSize - pw;
    }
    r = {base, p, end, far};
    if (!pen) {
        ++r.Bottom;
        if (r.Left < r.Right) {
            ++r.Right;
        } else {
            ++r.Left;
            --r.Right;
        }
    }
}

void TCustomBarSeries::ValueAxisMargins(int markIndex, int& low, int& high)
{
    int a = ValueAxisMarginNeeded(markIndex);
    if (a <= 0) return;
    ++a;
    const double minimum = YMandatory() ? TChartSeries::MinYValue() : TChartSeries::MinXValue();
    const double maximum = YMandatory() ? TChartSeries::MaxYValue() : TChartSeries::MaxXValue();
    const bool inverted = ValueAxisInverted();
    if (useYOrigin_ && minimum < yOrigin_) (inverted ? high : low) += a;
    if (!(useYOrigin_ && maximum <= yOrigin_)) (inverted ? low : high) += a;
}

// ---------------------------------------------------------------- painting the styles

void TCustomBarSeries::PaintBarStyle(int valueIndex, int startPos, int endPos)
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    TCanvas3D& canvas = chart->Canvas();
    const TBarStyle style = GetBarStyle(valueIndex);
    if (style == bsRectGradient) Gradient()->SetVisible(true);
    TDuvGradient* gradient = Brush().PeekGradient();
    const bool swapped = gradient && gradient->Visible() && ApplyGradientRelative(valueIndex);
    SetBarBrush(BarColor, valueIndex);
    if (Pen().Visible()) {
        if (const int w = Pen().Width() / 2; w > 0) InflateRectBy(BarBounds, -w, -w);
    }
    const bool vertical = YMandatory();
    const int L = BarBounds.Left, T = BarBounds.Top, R = BarBounds.Right, B = BarBounds.Bottom;
    const int lo = vertical ? L : T, hi = vertical ? R : B, c = (lo + hi) / 2;
    // Vertical shapes point up the screen (to S), horizontal ones to the right (to E).
    const int tip = vertical ? startPos : endPos, tail = vertical ? endPos : startPos;
    const int S = startPos, E = endPos;
    const bool in3D = chart->View3D();
    const int z0 = StartZ, z1 = EndZ, zm = MiddleZ;
    const int savedSides = canvas.CylinderSides, savedPoints = canvas.EllipsePointCount;
    const TScopeGuard restoreCanvas([&] {
        canvas.CylinderSides = savedSides;
        canvas.EllipsePointCount = savedPoints;
    });
    if (in3D) {
        canvas.CylinderSides = std::max(2, sides_);
        if (vertical) canvas.EllipsePointCount = 2 * canvas.CylinderSides;
    }
    auto box = [&](int along0, int along1) {
        const TPoint a = At(vertical, lo, along0), b = At(vertical, hi, along1);
        return TRect{a.X, a.Y, b.X, b.Y};
    };
    auto triangle = [&](int apex, int foot) {
        canvas.Polygon({At(vertical, lo, foot), At(vertical, c, apex), At(vertical, hi, foot)});
    };
    auto arrow = [&](int from, int to) {
        const TPoint a = At(vertical, c, from), b = At(vertical, c, to);
        if (in3D)
            canvas.Arrow3D(true, a, b, hi - lo, (hi - lo) / 2, z0, z1, 50);
        else
            canvas.ArrowAtZ(true, a, b, hi - lo, (hi - lo) / 2, zm);
    };
    switch (style) {
    case bsRectangle:
    case bsRectGradient:
    case bsBevel:
    case bsRoundRectangle: {
        const bool round = style == bsRoundRectangle;
        if (in3D) {
            const TRect r = box(S, E);
            canvas.Cube(r.Left, r.Right, r.Top, r.Bottom, z0, z1, dark3D_, round ? roundSize_ : 0);
        } else {
            BarRectangle({L, T, R, B}, round);
        }
        break;
    }
    case bsPyramid:
    case bsInvPyramid:
    case bsCone:
    case bsInvCone: {
        const bool inverse = style == bsInvPyramid || style == bsInvCone;
        const bool cone = style == bsCone || style == bsInvCone;
        if (in3D) {
            const TRect r = inverse ? box(E, S) : box(S, E);
            if (cone)
                canvas.Cone(vertical, r.Left, r.Top, r.Right, r.Bottom, z0, z1, dark3D_, conePercent_);
            else
                canvas.Pyramid(vertical, r.Left, r.Top, r.Right, r.Bottom, z0, z1, dark3D_);
        } else {
            inverse ? triangle(tail, tip) : triangle(tip, tail);
        }
        break;
    }
    case bsCilinder:
    case bsSlantCube:
        if (in3D) {
            if (style == bsSlantCube) canvas.CylinderSides = 4;
            canvas.Cylinder(vertical, L, T, R, B, z0, z1, dark3D_);
        } else {
            BarRectangle({L, T, R, B}, false);
            if (style == bsSlantCube) {
                const int along0 = vertical ? T : L, along1 = vertical ? B : R;
                canvas.LinePoints(At(vertical, c, along0), At(vertical, c, along1));
            }
        }
        break;
    case bsEllipse:
        if (in3D)
            canvas.EllipseWithZ(L, T, R, B, zm);
        else
            canvas.Ellipse(L, T, R, B);
        break;
    case bsDiamond: {
        const TRect r = box(S, E);
        canvas.Rhombus(r.Left, r.Top, r.Right, r.Bottom, z0, z1);
        break;
    }
    case bsArrow: arrow(tail, tip); break;
    case bsInvArrow: arrow(tip, tail); break;
    case bsCustom: break;
    }
    if (swapped) {
        const TColor end = gradient->EndColor();
        gradient->SetEndColor(gradient->StartColor());
        gradient->SetStartColor(end);
    }
    if (style == bsBevel) DrawBevel();
    DrawTickLines(startPos, endPos, style);
}

void TCustomBarSeries::DrawTickLineStyle(int position, TBarStyle style)
{
    TCustomAxisPanel* chart = ParentChart();
    TCanvas3D& canvas = chart->Canvas();
    const bool vertical = YMandatory(), in3D = chart->View3D();
    const int L = BarBounds.Left, T = BarBounds.Top, R = BarBounds.Right, B = BarBounds.Bottom;
    switch (style) {
    case bsRectangle:
    case bsRectGradient:
    case bsBevel:
    case bsRoundRectangle: {
        const int z = in3D && chart->View3DOptions().ViewFromBack() ? EndZ : StartZ;
        if (vertical)
            canvas.HorizLine3D(L, R, position, z);
        else
            canvas.VertLine3D(position, T, B, z);
        if (!in3D) return;
        // The depth part goes on the side face that faces the viewer.
        auto turnsClockwise = [&](int side) {
            TPoint p[3];
            if (vertical) {
                canvas.Project(side, B, StartZ, p[0]);
                canvas.Project(side, B, EndZ, p[1]);
                canvas.Project(side, T, EndZ, p[2]);
            } else {
                canvas.Project(L, side, StartZ, p[0]);
                canvas.Project(L, side, EndZ, p[1]);
                canvas.Project(R, side, EndZ, p[2]);
            }
            return IsBackFaceTriangle(p);
        };
        const int first = vertical ? R : T, second = vertical ? L : B;
        int face;
        if (!turnsClockwise(first))
            face = first;
        else if (turnsClockwise(second))
            face = second;
        else
            return;
        if (vertical)
            canvas.ZLine3D(face, position, StartZ, EndZ);
        else
            canvas.ZLine3D(position, face, StartZ, EndZ);
        return;
    }
    case bsCilinder:
        if (!in3D || chart->View3DOptions().Orthogonal()) DrawCylinderTickLine(position);
        return;
    case bsArrow:
        if (vertical)
            canvas.LineWithZ(L + (R - L) / 4, position, R - (R - L) / 4, position, MiddleZ);
        else
            canvas.LineWithZ(position, T + (B - T) / 4, position, B - (B - T) / 4, MiddleZ);
        return;
    default: return;
    }
}

bool TCustomBarSeries::IsPointInBarStyle(int valueIndex, const TPoint& p)
{
    TCustomAxisPanel* chart = ParentChart();
    const bool vertical = YMandatory(), in3D = chart->View3D();
    TCanvas3D& canvas = chart->Canvas();
    const int near = BarNearEdge(valueIndex), half = BarSize / 2;
    const int end = BarValueEndPos(valueIndex), base = BarBasePos(valueIndex);
    const int lo = std::min(end, base), hi = std::max(end, base);
    const int across = vertical ? p.X : p.Y, along = vertical ? p.Y : p.X;
    if (!in3D && (across < near || across > near + BarSize)) return false;
    const int tip = vertical ? lo : hi, tail = vertical ? hi : lo;
    auto project = [&](TPoint point, int z) {
        if (in3D) canvas.ProjectPointAt(TPoint(point), z, point);
        return point;
    };
    auto inTriangle = [&](int apex, int foot) {
        const TPointArray triangle{project(At(vertical, near, foot), StartZ),
                                   project(At(vertical, near + BarSize, foot), StartZ),
                                   project(At(vertical, near + half, apex), MiddleZ)};
        return PointInPolygon(p, triangle);
    };
    auto inArrow = [&](int from, int to) {
        TPointArray points;
        const TPoint a = At(vertical, near + half, from), b = At(vertical, near + half, to);
        if (in3D)
            canvas.CalcArrowPoints3D(a, b, points, MiddleZ, half, BarSize, 50);
        else
            CalcArrowPoints(a, b, points, BarSize, half, 50);
        return !points.empty() && PointInPolygon(p, points);
    };
    switch (barStyle_) {
    case bsPyramid:
    case bsCone: return inTriangle(tip, tail);
    case bsInvPyramid:
    case bsInvCone: return inTriangle(tail, tip);
    case bsArrow: return inArrow(tail, tip);
    case bsInvArrow: return inArrow(tip, tail);
    case bsDiamond: {
        const TPoint a = At(vertical, near, lo), b = At(vertical, near + BarSize, hi);
        return InRhombus({a.X, a.Y, b.X, b.Y}, p);
    }
    default: break;
    }
    if (in3D) {
        TRect r;
        CalcBarBounds(valueIndex, r);
        return InBox(r, p);
    }
    if (barStyle_ == bsEllipse) {
        const TPoint a = At(vertical, near, lo), b = At(vertical, near + BarSize, hi);
        return InsideEllipse(OrientRect({a.X, a.Y, b.X, b.Y}), p);
    }
    return along >= lo && along <= hi;
}

// ---------------------------------------------------------------- vertical bars

TBarSeries::TBarSeries(TComponent* owner) : TCustomBarSeries(owner) { YValues()->SetName(DuvMsgValuesBar); }

void TBarSeries::DeclareProperties(TPropertyDeclarer<TBarSeries>& p)
{
    p.Integer("CustomBarWidth", &TBarSeries::CustomBarWidth, &TBarSeries::SetCustomBarWidth).Default(0);
}

int TBarSeries::GetPointScreenX(int index) { return BarNearEdge(index); }

int TBarSeries::GetPointScreenY(int index) { return BarValueEndPos(index); }

void TBarSeries::GetPointScreenXY(int index, int& x, int& y)
{
    x = GetPointScreenX(index) + BarSize / 2;
    y = GetPointScreenY(index);
}

double TBarSeries::MaxXValue()
{
    if (MultiBar() == mbSideAll) return PointCount() + PrecedingPoints - 1;
    if (MultiBar() == mbSelfStack) return GetSeriesIndex();
    return TChartSeries::MaxXValue();
}

double TBarSeries::MinXValue() { return MultiBar() == mbSelfStack ? GetSeriesIndex() : TChartSeries::MinXValue(); }

double TBarSeries::MaxYValue() { return MaxMandatoryValue(TChartSeries::MaxYValue()); }

double TBarSeries::MinYValue() { return MinMandatoryValue(TChartSeries::MinYValue()); }

void TBarSeries::GetHorizMargins(int& left, int& right)
{
    TChartSeries::GetHorizMargins(left, right);
    AddCategoryMargins(left, right);
}

void TBarSeries::GetVertMargins(int& top, int& bottom)
{
    TChartSeries::GetVertMargins(top, bottom);
    ValueAxisMargins(0, bottom, top);
}

int TBarSeries::GetMarkTextHeightExtra(int) { return ChartCanvas().TextHeight("W"); }

void TBarSeries::CalcBarBounds(int index, TRect& r) { CalcOrientedBarBounds(index, r); }

void TBarSeries::PaintBar(int index, int startPos, int endPos) { PaintBarStyle(index, startPos, endPos); }

bool TBarSeries::IsPointInBar(int index, const TPoint& p) { return IsPointInBarStyle(index, p); }

void TBarSeries::DrawTickLine(int position, TBarStyle style) { DrawTickLineStyle(position, style); }

void TBarSeries::PlaceBarMark(int index, const std::string& text, TSeriesMarkPosition& position)
{
    const int half = BarSize / 2;
    const TMarksCallout& callout = Marks().Callout();
    const int W = position.Width, H = position.Height;
    if (!MarksOnBar()) {
        int d = callout.Length() + callout.Distance();
        if (BarBasePos(index) < position.ArrowFrom.Y) {
            d = -d - H;
            position.ArrowFrom.Y += callout.Distance();
        } else {
            position.ArrowFrom.Y -= callout.Distance();
        }
        position.LeftTop.X += half;
        position.ArrowTo.X += half;
        position.ArrowFrom.X += half;
        position.LeftTop.Y -= d;
        position.ArrowTo.Y -= d;
        return;
    }
    TRect r;
    CalcBarBounds(index, r);
    const int angle = Marks().Angle();
    position.LeftTop.X += half;
    if (MarksLocation() == mlCenter) {
        const int m = r.Top + (r.Bottom - r.Top) / 2;
        const int k = MarkTextExtent(text, angle == 90 || angle == 270);
        position.LeftTop.Y = m - k / 2;
        return;
    }
    if (Marks().Transparent()) Marks().Margins()->CalcPixels(W, H, MarkTextExtent(text, false));
    const TRect& m = Marks().Margins()->ComputedMargins;
    const int e = angle == 90 ? m.Left : angle == 270 ? m.Right : 0;
    const int b = angle != 0 && angle != 360 ? (W - H) / 2 + e : H / 2;
    const bool inverted = ValueAxisInverted();
    if (MarksLocation() == mlEnd)
        position.LeftTop.Y = inverted ? r.Top - b - H : r.Top + b;
    else
        position.LeftTop.Y = inverted ? r.Bottom + b : r.Bottom - b - H;
}

bool TBarSeries::DrawForwardIn3DView(int index) const
{
    switch (MultiBar()) {
    case mbSelfStack: return (GetMandatoryValue(index) >= YOrigin()) != ValueAxisInverted();
    case mbStacked:
    case mbStacked100: return !ValueAxisInverted();
    default: return TChartSeries::DrawForwardIn3DView(index);
    }
}

// ---------------------------------------------------------------- horizontal bars

THorizBarSeries::THorizBarSeries(TComponent* owner) : TCustomBarSeries(owner)
{
    MakeHorizontal();
    XValues()->SetName(DuvMsgValuesBar);
    XValues()->SetOrder(loNone);
    YValues()->SetOrder(loAscending);
    Gradient()->InitDirection(gdLeftRight);
}

void THorizBarSeries::DeclareProperties(TPropertyDeclarer<THorizBarSeries>& p)
{
    p.Integer("CustomBarHeight", &THorizBarSeries::CustomBarHeight, &THorizBarSeries::SetCustomBarHeight).Default(0);
}

int THorizBarSeries::GetPointScreenX(int index) { return BarValueEndPos(index); }

int THorizBarSeries::GetPointScreenY(int index) { return BarNearEdge(index); }

void THorizBarSeries::GetPointScreenXY(int index, int& x, int& y)
{
    x = GetPointScreenX(index);
    y = GetPointScreenY(index) + BarSize / 2;
}

double THorizBarSeries::MaxXValue() { return MaxMandatoryValue(TChartSeries::MaxXValue()); }

double THorizBarSeries::MinXValue() { return MinMandatoryValue(TChartSeries::MinXValue()); }

double THorizBarSeries::MaxYValue()
{
    if (MultiBar() == mbSideAll) return PointCount() + PrecedingPoints - 1;
    if (MultiBar() == mbSelfStack) return GetSeriesIndex();
    return TChartSeries::MaxYValue();
}

double THorizBarSeries::MinYValue() { return MultiBar() == mbSelfStack ? GetSeriesIndex() : TChartSeries::MinYValue(); }

void THorizBarSeries::GetHorizMargins(int& left, int& right)
{
    TChartSeries::GetHorizMargins(left, right);
    ValueAxisMargins(-1, left, right);
}

void THorizBarSeries::GetVertMargins(int& top, int& bottom)
{
    TChartSeries::GetVertMargins(top, bottom);
    AddCategoryMargins(top, bottom);
}

int THorizBarSeries::GetMarkTextHeightExtra(int index)
{
    if (index == -1) return MaxMarkExtent();
    return ChartCanvas().TextWidth(MarkTextOf(index));
}

void THorizBarSeries::CalcBarBounds(int index, TRect& r) { CalcOrientedBarBounds(index, r); }

void THorizBarSeries::PaintBar(int index, int startPos, int endPos) { PaintBarStyle(index, startPos, endPos); }

bool THorizBarSeries::IsPointInBar(int index, const TPoint& p) { return IsPointInBarStyle(index, p); }

void THorizBarSeries::DrawTickLine(int position, TBarStyle style) { DrawTickLineStyle(position, style); }

void THorizBarSeries::PlaceBarMark(int index, const std::string& text, TSeriesMarkPosition& position)
{
    const int half = BarSize / 2;
    const TMarksCallout& callout = Marks().Callout();
    const int W = position.Width, H = position.Height;
    if (!MarksOnBar()) {
        int d = callout.Length() + callout.Distance();
        if (position.ArrowFrom.X < BarBasePos(index)) {
            d = -d - W;
            position.ArrowFrom.X -= callout.Distance();
        } else {
            position.ArrowFrom.X += callout.Distance();
        }
        position.LeftTop.X += d + W / 2;
        position.LeftTop.Y += half + H / 2;
        position.ArrowTo.X += d;
        position.ArrowTo.Y += half;
        position.ArrowFrom.Y += half;
        return;
    }
    TRect r;
    CalcBarBounds(index, r);
    const int angle = Marks().Angle();
    position.LeftTop.Y += half + H / 2;
    if (MarksLocation() == mlCenter) {
        position.LeftTop.X = (r.Left + r.Right) / 2 - W / 2;
        return;
    }
    if (Marks().Transparent()) Marks().Margins()->CalcPixels(W, H, MarkTextExtent(text, false));
    const TRect& m = Marks().Margins()->ComputedMargins;
    const int e = angle == 0 || angle == 360 ? m.Left : angle == 180 ? m.Right : 0;
    const bool inverted = ValueAxisInverted();
    if (MarksLocation() == mlEnd)
        position.LeftTop.X = inverted ? r.Right + e : r.Right - e - W;
    else
        position.LeftTop.X = inverted ? r.Left - e - W : r.Left + e;
}

bool THorizBarSeries::DrawForwardIn3DView(int index) const
{
    const bool framework = TChartSeries::DrawForwardIn3DView(index);
    bool r;
    switch (MultiBar()) {
    case mbNone: return framework;
    case mbSide:
    case mbSideAll: return false;
    case mbSelfStack: r = (GetMandatoryValue(index) >= 0) != ValueAxisInverted(); break;
    default: r = !ValueAxisInverted(); break;
    }
    return framework ? r : !r;
}

bool THorizBarSeries::ReversesLegendOrder() const
{
    const TChartAxis* axis = VertAxisObject();
    return !(axis && axis->Inverted());
}

bool THorizBarSeries::DrawForwardInDepth() const
{
    bool forward = TCustomBarSeries::DrawForwardInDepth();
    if ((MultiBar() == mbSideAll || MultiBar() == mbSelfStack) && ParentChart()) {
        const int rotation = ParentChart()->View3DOptions().Rotation();
        if (rotation > 0 && rotation < 180) forward = !forward;
    }
    return forward;
}

bool THorizBarSeries::DrawForwardOnAxis() const
{
    bool forward = TCustomBarSeries::DrawForwardOnAxis();
    if (MultiBar() == mbSelfStack && ParentChart()) {
        const int rotation = ParentChart()->View3DOptions().Rotation();
        if (rotation > 0 && rotation < 180) forward = !forward;
    }
    return forward;
}
