#include "chart/series/RuRazaziPointer.h"

#include <QPainterPath>
#include <QPolygon>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/DuvBrush.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvPicture.h"
#include "chart/graphics/PixelRange.h"
#include "chart/graphics/DuvShadow.h"
#include "chart/series/RuRazaziMarks.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"

TSeriesPointer::TSeriesPointer(TChartSeries* series) : series_(series)
{
    if (series_) AttachToPanel(series_->ParentChart());
}

TSeriesPointer::~TSeriesPointer() = default;

TCustomDuvPanel* TSeriesPointer::Panel() const
{
    if (series_) return series_->ParentChart();
    return Parent();
}

void TSeriesPointer::InvalidateParent()
{
    if (TCustomDuvPanel* panel = Panel()) panel->Invalidate();
}

TDuvShadow* TSeriesPointer::GetShadow()
{
    if (!shadow_) {
        shadow_ = std::make_unique<TDuvShadow>([this](TObject*) { InvalidateParent(); });
        shadow_->SetDefaultValues(false, shadow_->Color(), 3);
    }
    return shadow_.get();
}

void TSeriesPointer::SetShadow(const TDuvShadow* value)
{
    if (value)
        GetShadow()->Assign(value);
    else
        shadow_.reset();
}

TDuvEmboss* TSeriesPointer::GetEmboss()
{
    if (!emboss_) {
        emboss_ = std::make_unique<TDuvEmboss>([this](TObject*) { InvalidateParent(); });
        emboss_->SetDefaultValues(false, emboss_->Color(), 3);
    }
    return emboss_.get();
}

void TSeriesPointer::SetEmboss(const TDuvEmboss* value)
{
    if (value)
        GetEmboss()->Assign(value);
    else
        emboss_.reset();
}

TDuvPicture* TSeriesPointer::GetPicture()
{
    if (!picture_) picture_ = std::make_unique<TDuvPicture>();
    return picture_.get();
}

void TSeriesPointer::SetPicture(const TDuvPicture* value)
{
    if (value)
        GetPicture()->Assign(value);
    else
        picture_.reset();
    InvalidateParent();
}

void TSeriesPointer::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TSeriesPointer*>(source)) {
        dark3D_ = other->dark3D_;
        depth_ = other->depth_;
        draw3D_ = other->draw3D_;
        darkPen_ = other->darkPen_;
        fullGradient_ = other->fullGradient_;
        horizSize_ = other->horizSize_;
        inflateMargins_ = other->inflateMargins_;
        SetEmboss(other->emboss_.get());
        SetPicture(other->picture_.get());
        SetShadow(other->shadow_.get());
        sizeFloat_ = other->sizeFloat_;
        sizeUnits_ = other->sizeUnits_;
        style_ = other->style_;
        transparency_ = other->transparency_;
        vertSize_ = other->vertSize_;
    }
    TDuvCustomShapeBrushPen::Assign(source);
}

int TSeriesPointer::SizeInPixels(double value) const
{
    if (sizeUnits_ == suAxis && series_ && series_->VertAxisObject()) return series_->CalcYSizeValue(value);
    return static_cast<int>(Rnd(value));
}

void TSeriesPointer::CurrentSize(int& horizontal, int& vertical) const
{
    if (sizeFloat_ != 0) {
        horizontal = vertical = SizeInPixels(sizeFloat_);
        return;
    }
    horizontal = horizSize_;
    vertical = vertSize_;
}

void TSeriesPointer::PrepareOwnColors()
{
    if (TCustomDuvPanel* panel = Panel()) PreparePen(panel->Canvas(), Brush().Color());
}

void TSeriesPointer::DrawStyleAt(int x, int y, TSeriesPointerStyle style, TColor color)
{
    TCustomDuvPanel* panel = Panel();
    if (!panel) return;
    int h = horizSize_, v = vertSize_;
    if (sizeFloat_ != 0) {
        h = v = SizeInPixels(sizeFloat_);
    } else if (sizeUnits_ == suAxis) {
        h = SizeInPixels(horizSize_);
        v = SizeInPixels(vertSize_);
    }
    DrawStyled(panel->Canvas(), panel->View3D(), x, y, h, v, color, style);
}

void TSeriesPointer::DeclareProperties(TPropertyDeclarer<TSeriesPointer>& p)
{
    using P = TSeriesPointer;
    using B = TDuvCustomShapeBrushPen;
    p.Object("Brush", &B::Brush, &B::SetBrush);
    p.Boolean("Dark3D", &P::Dark3D, &P::SetDark3D).Default(true);
    p.Integer("DarkPen", &P::DarkPen, &P::SetDarkPen).Default(0);
    p.Integer("Depth", &P::Depth, &P::SetDepth).Default(0);
    p.Boolean("Draw3D", &P::Draw3D, &P::SetDraw3D).Default(true);
    p.Object("Emboss", &P::GetEmboss, &P::SetEmboss).Peek(&P::PeekEmboss);
    p.Boolean("FullGradient", &P::FullGradient, &P::SetFullGradient).DefaultFrom(&P::DefaultFullGradient);
    p.Object("Gradient", &P::GetGradient, &P::SetGradient).Peek(&P::PeekGradient);
    p.Integer("HorizSize", &P::HorizSize, &P::SetHorizSize).Default(4);
    p.Boolean("InflateMargins", &P::InflateMargins, &P::SetInflateMargins).DefaultFrom(&P::DefaultInflateMargins);
    p.Object("Pen", &B::Frame, &B::SetPen);
    p.Object("Picture", &P::GetPicture, &P::SetPicture).Peek(&P::PeekPicture);
    p.Object("Shadow", &P::GetShadow, &P::SetShadow).Peek(&P::PeekShadow);
    p.Enum("SizeUnits", &P::SizeUnits, &P::SetSizeUnits).Default(suPixels);
    p.Enum("Style", &P::Style, &P::SetStyle).Default(psRectangle);
    p.Integer("Transparency", &P::Transparency, &P::SetTransparency).Default(0);
    p.Integer("VertSize", &P::VertSize, &P::SetVertSize).Default(4);
    p.Boolean("Visible", &B::Visible, &B::SetVisible).DefaultFrom(&B::DefaultVisible);
}

int TSeriesPointer::StartZ() const
{
    if (!series_) return OwnDepth;
    return depth_ == 0 ? series_->StartZ : series_->MiddleZ - depth_;
}

int TSeriesPointer::EndZ() const
{
    if (!series_) return OwnDepth;
    return depth_ == 0 ? series_->EndZ : series_->MiddleZ + depth_;
}

int TSeriesPointer::MiddleZ() const { return series_ ? series_->MiddleZ : OwnDepth; }

void TSeriesPointer::HorizMarginsNeeded(int& left, int& right) const
{
    if (!Visible() || !inflateMargins_) return;
    const int need = SaturatedInt(std::int64_t{horizSize_} + (Pen().Visible() ? Pen().Width() / 2 + 1 : 1));
    left = std::max(left, need);
    right = std::max(right, need);
}

void TSeriesPointer::VertMarginsNeeded(int& top, int& bottom) const
{
    if (!Visible() || !inflateMargins_) return;
    const int need = SaturatedInt(std::int64_t{vertSize_} + (Pen().Visible() ? Pen().Width() / 2 : 1));
    top = std::max(top, need);
    bottom = std::max(bottom, need);
}

TColor TSeriesPointer::PenColorFor(TColor pointColor) const
{
    if (darkPen_ == 0) return Pen().Color() == clDefault ? pointColor : Pen().Color();
    auto channel = [&](int shift) {
        const int value = static_cast<int>((pointColor >> shift) & 0xFF) - darkPen_;
        return static_cast<TColor>(std::clamp(value, 0, 255)) << shift;
    };
    return (Pen().Color() & 0xFF000000u) | channel(0) | channel(8) | channel(16);
}

void TSeriesPointer::PreparePen(TCanvas3D& canvas, TColor pointColor)
{
    if (Pen().Visible()) {
        canvas.Pen().Assign(&Pen());
        canvas.Pen().SetColor(PenColorFor(pointColor));
        canvas.ApplyPen();
    } else if (canvas.Pen().Style() != psClear) {
        canvas.Pen().SetStyle(psClear);
        canvas.ApplyPen();
    }
    TColor brushColor = Brush().Color();
    if (brushColor == clDefault) brushColor = Brush().Style() != bsSolid ? Brush().BackColor() : pointColor;
    canvas.AssignBrushColor(Brush(), brushColor, pointColor);
}

TPointArray PointerArrowPolygon(int x, int y, int h, int v)
{
    // Shaft half the head's width; the head takes v of the arrow's 2v length.
    const int head = std::min(v, 2 * v);
    const int shaft = std::max(1, h / 2);
    const int top = y - v, bottom = y + v, neck = bottom - head;
    return {{x - shaft, top}, {x + shaft, top}, {x + shaft, neck}, {x + h, neck},
            {x, bottom},      {x - h, neck},    {x - shaft, neck}};
}

namespace {

TPointArray Hexagon(int x, int y, int h, int v)
{
    const int k = v / 2;
    return {{x, y - v}, {x + h, y - k}, {x + h, y + k}, {x, y + v}, {x - h, y + k}, {x - h, y - k}};
}

bool InPolygon(const TPointArray& points, const TPoint& p)
{
    QPolygon polygon;
    for (const TPoint& q : points) polygon << QPoint(q.X, q.Y);
    return polygon.containsPoint(QPoint(p.X, p.Y), Qt::OddEvenFill);
}

}  // namespace

void TSeriesPointer::DrawShadowOf(TCanvas3D& canvas, TDuvShadow* shadow, TSeriesPointerStyle style, int x, int y,
                                  int h, int v)
{
    if (!shadow || !shadow->IsActive()) return;
    TDuvBrush& brush = canvas.Brush();
    const TColor brushColor = brush.Color();
    const TBrushStyle brushStyle = brush.Style();
    const TPenStyle penStyle = canvas.Pen().Style();
    const TScopeGuard restore([&] {
        brush.SetColor(brushColor);
        brush.SetStyle(brushStyle);
        canvas.Pen().SetStyle(penStyle);
        canvas.ApplyBrush(brush);
        canvas.ApplyPen();
    });
    const TRect r{x - h, y - v, x + h, y + v};
    switch (style) {
    case psRectangle: shadow->DrawRect(canvas, r); break;
    case psCircle: shadow->DrawEllipse(canvas, r); break;
    case psHexagon: {
        const TPointArray points = Hexagon(x, y, h, v);
        shadow->DrawPolygonCount(canvas, points, static_cast<int>(points.size()));
        break;
    }
    case psDonut: shadow->DrawEllipse(canvas, r, 0, 360, 50); break;
    case psArrow: {
        const TPointArray points = PointerArrowPolygon(x, y, h, v);
        shadow->DrawPolygonCount(canvas, points, static_cast<int>(points.size()));
        break;
    }
    default: break;
    }
}

void TSeriesPointer::DrawPicture(TCanvas3D& canvas, bool is3D, TSeriesPointerStyle style, const TRect& r)
{
    const QImage* graphic = picture_->GetFiltered();
    if (!graphic || graphic->isNull()) return;
    if (is3D && canvas.IsOrthogonal) {
        TRect projected;
        canvas.ProjectRect(r, StartZ(), projected);
        canvas.StretchDraw(projected, *graphic);
    } else if (is3D) {
        canvas.DrawImage3D(r, *graphic, cpZ, StartZ());
    } else {
        if (style == psCircle) canvas.ClipToEllipse(r, false);
        const TScopeGuard unclip([&] {
            if (style == psCircle) canvas.Unclip();
        });
        canvas.StretchDraw(r, *graphic);
    }
}

void TSeriesPointer::DrawStyled(TCanvas3D& canvas, bool is3D, int x, int y, int h, int v, TColor color,
                                TSeriesPointerStyle style)
{
    x = DrawingCoordinate(x);
    y = DrawingCoordinate(y);
    h = DrawingCoordinate(h);
    v = DrawingCoordinate(v);
    const int left = x - h, right = x + h, top = y - v, bottom = y + v;
    const int z = StartZ();
    DrawShadowOf(canvas, shadow_.get(), style, x, y, h, v);
    DrawShadowOf(canvas, emboss_.get(), style, x, y, h, v);
    TDuvBlend* blend = nullptr;
    if (transparency_ > 0) {
        TRect area;
        if (!canvas.NativeBlending) {
            area = {left, top, right + 1, bottom + 1};
            if (style == psRectangle && is3D && draw3D_ && canvas.IsOrthogonal) {
                area.Right += EndZ() - z;
                area.Top -= EndZ() - z;
                canvas.ProjectedBounds(TRect(area), z, area);
            }
        }
        blend = canvas.BeginBlending(area, transparency_);
    }
    const TScopeGuard endBlend([&] {
        if (blend) canvas.EndBlending(blend);
    });
    if (TDuvGradient* gradient = Brush().PeekGradient(); gradient && gradient->Visible() && !fullGradient_) {
        TCustomDuvPanel* panel = Panel();
        const TRepaintHold hold(panel);
        gradient->SetEndColor(color);
        if (TDuvGradient* drawn = canvas.Brush().PeekGradient()) drawn->SetEndColor(color);
    }
    auto polygon = [&](const TPointArray& points) {
        if (is3D)
            canvas.PolygonWithZ(points, z);
        else
            canvas.Polygon(points);
    };
    auto line = [&](int x0, int y0, int x1, int y1) {
        if (is3D)
            canvas.LineWithZ(x0, y0, x1, y1, z);
        else
            canvas.Line(x0, y0, x1, y1);
    };
    switch (style) {
    case psRectangle:
        if (is3D && draw3D_)
            canvas.Cube(left, right, top, bottom, z, EndZ(), dark3D_, 0);
        else if (is3D)
            canvas.RectangleAtZ({left, top, right + 1, bottom + 1}, z);
        else
            canvas.Rectangle(left, top, right + 1, bottom + 1);
        break;
    case psCircle:
        if (is3D && draw3D_ && canvas.SupportsFullRotation())
            canvas.Sphere(x, y, MiddleZ(), h);
        else if (is3D)
            canvas.EllipseWithZ(left, top, right, bottom, z);
        else
            canvas.Ellipse(left, top, right, bottom);
        break;
    case psTriangle:
    case psDownTriangle: {
        const int d = style == psTriangle ? v : -v;
        if (is3D && draw3D_)
            canvas.Pyramid(true, left, y - d, right, y + d, z, EndZ(), dark3D_);
        else
            polygon({{left, y + d}, {right, y + d}, {x, y - d}});
        break;
    }
    case psCross:
    case psDiagCross:
    case psStar:
        if (style != psDiagCross) {
            line(x, top, x, bottom + 1);
            line(left, y, right + 1, y);
        }
        if (style != psCross) {
            line(left, top, right + 1, bottom + 1);
            line(right, top, left - 1, bottom + 1);
        }
        break;
    case psDiamond: polygon({{left, y}, {x, top}, {right, y}, {x, bottom}}); break;
    case psSmallDot:
        if (is3D)
            canvas.SetPixel3D(x, y, MiddleZ(), canvas.Brush().Color());
        else
            canvas.SetPixel(x, y, canvas.Brush().Color());
        break;
    case psNothing:
    case psVisual: break;
    case psLeftTriangle: polygon({{left, y}, {right, bottom}, {right, top}}); break;
    case psRightTriangle: polygon({{right, y}, {left, bottom}, {left, top}}); break;
    case psHexagon: polygon(Hexagon(x, y, h, v)); break;
    case psDonut: canvas.DonutSlice(x, y, h, v, 0, 360, 50); break;
    case psArrow: {
        const TPointArray arrow = PointerArrowPolygon(x, y, h, v);
        if (canvas.Brush().Style() == bsClear) {
            TPointArray closed = arrow;
            closed.push_back(arrow.front());
            if (is3D)
                canvas.PolylineWithZ(closed, z);
            else
                canvas.Polyline(closed);
        } else {
            polygon(arrow);
        }
        break;
    }
    }
    if (picture_ && picture_->HasGraphic()) DrawPicture(canvas, is3D, style, {left, top, right, bottom});
}

bool TSeriesPointer::HitTest(TSeriesPointerStyle style, const TPoint& mouse, int x, int y) const
{
    x = DrawingCoordinate(x);
    y = DrawingCoordinate(y);
    const int h = DrawingCoordinate(horizSize_), v = DrawingCoordinate(vertSize_);
    const int left = x - h, right = x + h, top = y - v, bottom = y + v;
    switch (style) {
    case psCircle:
    case psHexagon:
    case psDonut: {
        QPainterPath ellipse;
        ellipse.addEllipse(left, top, right - left, bottom - top);
        return ellipse.contains(QPointF(mouse.X, mouse.Y));
    }
    case psTriangle: return InPolygon({{left, bottom}, {right, bottom}, {x, top}}, mouse);
    case psDownTriangle: return InPolygon({{left, top}, {right, top}, {x, bottom}}, mouse);
    case psDiamond: return InPolygon({{left, y}, {x, top}, {right, y}, {x, bottom}}, mouse);
    case psLeftTriangle: return InPolygon({{left, y}, {right, bottom}, {right, top}}, mouse);
    case psRightTriangle: return InPolygon({{right, y}, {left, bottom}, {left, top}}, mouse);
    // The arrow is tested as it is drawn, head at the bottom.
    case psArrow: return InPolygon(PointerArrowPolygon(x, y, h, v), mouse);
    case psNothing: return false;
    default: return std::llabs(std::int64_t{x} - mouse.X) < h && std::llabs(std::int64_t{y} - mouse.Y) < v;
    }
}

void DrawPointerLegendSymbol(TSeriesPointer& pointer, TColor color, const TRect& rect, TSeriesPointerStyle style,
                             bool lineBehind)
{
    TCustomDuvPanel* panel = pointer.Panel();
    if (!panel) return;
    TCanvas3D& canvas = panel->Canvas();
    pointer.PreparePen(canvas, color);
    int w = pointer.Pen().Visible() ? pointer.Pen().Width() : 0;
    TChartLegend* legend = pointer.Series() ? pointer.Series()->CurrentLegend : nullptr;
    if (!legend)
        if (auto* chart = dynamic_cast<TCustomChart*>(panel)) legend = chart->Legend();
    TLegendSymbol* symbol = legend ? legend->Symbol() : nullptr;
    if (symbol && !symbol->DefaultPen()) {
        canvas.AssignPen(*symbol->Pen());
        lineBehind = symbol->Pen()->Visible();
        w = symbol->Pen()->Width();
    }
    int a = 0, b = 0;
    if (lineBehind) {
        a = rect.Width();
        b = rect.Height();
        if (a < 2 * w || b < 2 * w) {
            canvas.Pen().SetWidth(std::min(a, b) / 2);
            canvas.ApplyPen();
        }
        a /= 2;
        b /= 2;
    } else {
        a = rect.Width() / 2 + 1;
        b = rect.Height() / 2 + 1;
    }
    int x = (rect.Left + rect.Right) / 2;
    if (const TDuvShadow* shadow = pointer.PeekShadow(); shadow && shadow->Visible()) {
        a -= shadow->HorizSize() / 2;
        x -= shadow->HorizSize() / 2;
    }
    if (!symbol || !symbol->Continuous()) {
        // The symbol keeps the pointer's proportions and is never larger than the pointer.
        const double t = pointer.HorizSize() == 0 ? 1.0 : static_cast<double>(pointer.VertSize()) / pointer.HorizSize();
        if (a >= b * t)
            a = std::min(static_cast<int>(Rnd(b / t)), a);
        else
            b = std::min(static_cast<int>(Rnd(a * t)), b);
        a = std::min(a, pointer.HorizSize());
        b = std::min(b, pointer.VertSize());
    }
    const TPointerSizeUnits units = pointer.SizeUnits();
    pointer.SetSizeUnits(suPixels);
    const TScopeGuard restore([&] { pointer.SetSizeUnits(units); });
    pointer.DrawStyled(canvas, false, x, (rect.Top + rect.Bottom) / 2, a, b, color, style);
}
