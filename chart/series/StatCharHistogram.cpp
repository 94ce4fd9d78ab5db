#include "chart/series/StatCharHistogram.h"

#include <algorithm>
#include <cmath>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvConst.h"
#include "platform/core/NumText.h"

namespace {

std::string GalleryStats = "Stats";
std::string GalleryHistogram = "Histogram", GalleryHorizHistogram;
std::string SubLines = "Lines", SubTransparency = "Transparency";

// The count of the base styles a series lists before its own.
template <class F>
int CountStyles(F list)
{
    int count = 0;
    list([&count](const std::string&) { ++count; });
    return count;
}

}  // namespace

THistogramSeries::THistogramSeries(TComponent* owner)
    : TCustomLineSeries(owner), linesPen_(std::make_unique<TDuvHiddenPen>([this](TObject*) { RequestRepaint(); }))
{
}

THistogramSeries::~THistogramSeries() = default;

void THistogramSeries::DeclareProperties(TPropertyDeclarer<THistogramSeries>& p)
{
    using S = THistogramSeries;
    p.Object("Brush", [](const S& s) { return &s.Brush(); }, &S::SetBrush);
    p.Object("LinePen", &S::GetLinePen, &S::SetLinePen);
    p.Object("LinesPen", &S::LinesPen, &S::SetLinesPen);
    p.Boolean("UseYOrigin", &S::UseYOrigin, &S::SetUseYOrigin).Default(false);
    p.Float("YOrigin", &S::YOrigin, &S::SetYOrigin);
}

void THistogramSeries::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const THistogramSeries*>(source)) {
        yOrigin_ = other->yOrigin_;
        useYOrigin_ = other->useYOrigin_;
    }
    TCustomLineSeries::Assign(source);
}

void THistogramSeries::AssignFormat(const TCustomChartSeries* source)
{
    if (const auto* other = dynamic_cast<const THistogramSeries*>(source)) {
        Pen().Assign(&other->Pen());
        linesPen_->Assign(other->linesPen_.get());
        Brush().Assign(&other->Brush());
    }
    TCustomLineSeries::AssignFormat(source);
}

// ---------------------------------------------------------------- geometry

int THistogramSeries::PointsPerPage() const
{
    const TCustomAxisPanel* chart = ParentChart();
    if (chart && chart->Pages()->MaxPointsPerPage() != 0) return chart->Pages()->MaxPointsPerPage();
    return PointCount();
}

int THistogramSeries::HalfShare() const
{
    const int points = PointsPerPage();
    const TChartAxis* axis = Vertical() ? HorizAxisObject() : VertAxisObject();
    if (points <= 0 || !axis) return 0;
    return (axis->PixelSize / points) / 2;
}

int THistogramSeries::CategoryPos(int index) const
{
    return Vertical() ? ValueToScreenX(XValues()->GetValueAt(index)) : ValueToScreenY(YValues()->GetValueAt(index));
}

void THistogramSeries::CalcFirstLastVisible()
{
    TCustomLineSeries::CalcFirstLastVisible();
    if (FirstVisibleIndex == -1) return;
    if (FirstVisibleIndex > 0) --FirstVisibleIndex;
    if (LastVisibleIndex < PointCount() - 1) ++LastVisibleIndex;
}

TRect THistogramSeries::CalcBarRect(int index)
{
    if (!ParentChart() || PointsPerPage() <= 0 || index < 0 || index >= PointCount()) return TRect{};
    const bool forward = DrawForwardOnAxis();
    const int step = forward ? 1 : -1;
    const bool first = index == FirstIndexInDrawOrder();
    const TChartAxis* categories = Vertical() ? HorizAxisObject() : VertAxisObject();
    // Screen positions grow with the values on a horizontal axis and shrink on a vertical one.
    int orientation = Vertical() ? 1 : -1;
    if (categories->Inverted()) orientation = -orientation;
    const int p = CategoryPos(index);
    int w;
    if (first) {
        const int next = index + step;
        // A bar without a neighbour takes half the pixel share of one point.
        w = next >= 0 && next < PointCount() ? static_cast<int>(Rnd((CategoryPos(next) - p) / 2.0))
                                             : step * orientation * HalfShare();
    } else {
        w = static_cast<int>(Rnd((p - CategoryPos(index - step)) / 2.0));
    }
    const int sign = w > 0 ? 1 : w < 0 ? -1 : step * orientation;
    const int nearEdge = first ? p - w - sign : lastEdge_;
    const int farEdge = p + w + sign;
    lastEdge_ = farEdge - sign;
    if (Vertical()) {
        const TChartAxis* values = VertAxisObject();
        const int top = ValueToScreenY(YValues()->GetValueAt(index));
        const int base = values->Inverted() ? values->PixelStart
                         : useYOrigin_      ? ValueToScreenY(yOrigin_)
                                            : values->PixelEnd;
        return TRect{nearEdge, top, farEdge, base};
    }
    const TChartAxis* values = HorizAxisObject();
    const int right = ValueToScreenX(XValues()->GetValueAt(index)) + 1;
    const int base = values->Inverted() ? values->PixelEnd : values->PixelStart;
    return TRect{base, nearEdge, right, farEdge};
}

void THistogramSeries::GrowCategoryMargins(int& near, int& far)
{
    const TChartAxis* axis = Vertical() ? HorizAxisObject() : VertAxisObject();
    const int points = PointsPerPage();
    const int half = axis && points > 0 ? (axis->PixelSize / points) / 2 : 0;
    near += half;
    far += half;
    if (Pen().Visible()) far += Pen().Width();
}

void THistogramSeries::GetHorizMargins(int& left, int& right)
{
    TCustomLineSeries::GetHorizMargins(left, right);
    if (Vertical())
        GrowCategoryMargins(left, right);
    else if (Pen().Visible())
        left += Pen().Width();
}

void THistogramSeries::GetVertMargins(int& top, int& bottom)
{
    TCustomLineSeries::GetVertMargins(top, bottom);
    if (!Vertical())
        GrowCategoryMargins(top, bottom);
    else if (Pen().Visible())
        top += Pen().Width();
}

// ---------------------------------------------------------------- drawing

void THistogramSeries::DrawAllPoints()
{
    drawn_ = 0;
    TCustomLineSeries::DrawAllPoints();
}

void THistogramSeries::DrawPoint(int index)
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    const bool first = index == FirstIndexInDrawOrder() || drawn_ == 0;
    const bool last = index == LastIndexInDrawOrder();
    const TRect r = CalcBarRect(index);
    ++drawn_;
    TCanvas3D& canvas = chart->Canvas();
    const bool is3D = chart->View3D();
    const bool vertical = Vertical();
    // The value edge of the bar (top of a vertical bar, right of a horizontal one) and its base.
    const int valueEdge = vertical ? r.Top : r.Right;
    const int base = vertical ? r.Bottom : r.Left;
    const int previousValueEdge = first ? base : previousTop_;
    previousTop_ = valueEdge;

    canvas.Pen().SetStyle(psClear);
    canvas.ApplyPen();
    if (Brush().Style() != bsClear) {
        canvas.AssignBrushColor(Brush(), GetPointColor(index), clWhite);
        TRect fill = OrientRect(r);
        if (vertical)
            (base >= valueEdge ? fill.Bottom : fill.Top) += base >= valueEdge ? 1 : -1;
        else
            (base <= valueEdge ? fill.Left : fill.Right) += base <= valueEdge ? -1 : 1;
        TDuvBlend* blend = nullptr;
        if (Transparency() > 0) {
            TRect area;
            if (!canvas.NativeBlending) {
                area = fill;
                if (is3D) canvas.ProjectedBounds(fill, MiddleZ, area);
            }
            blend = canvas.BeginBlending(area, Transparency());
        }
        if (is3D)
            canvas.RectangleWithZ(fill, MiddleZ);
        else
            canvas.RectangleRect(fill);
        if (blend) canvas.EndBlending(blend);
    }

    // A segment from (a0, v0) to (a1, v1), a along the category axis and v along the value axis.
    auto segment = [&](int a0, int v0, int a1, int v1) {
        const int x0 = vertical ? a0 : v0, y0 = vertical ? v0 : a0;
        const int x1 = vertical ? a1 : v1, y1 = vertical ? v1 : a1;
        if (is3D)
            canvas.LineWithZ(x0, y0, x1, y1, MiddleZ);
        else
            canvas.Line(x0, y0, x1, y1);
    };
    const int nearSide = vertical ? r.Left : r.Top;
    const int farSide = vertical ? r.Right : r.Bottom;

    if (!ApplyHoverPen(index)) canvas.AssignPen(Pen());
    const bool outline = canvas.Pen().Visible() && canvas.Pen().Style() != psClear;
    if (outline) {
        segment(nearSide, previousValueEdge, nearSide, valueEdge);
        segment(nearSide, valueEdge, farSide, valueEdge);
        if (last) segment(farSide, valueEdge, farSide, base);
    }
    if (!first && linesPen_->Visible()) {
        canvas.AssignPen(*linesPen_);
        // Up to the nearer of the two tops to the base.
        const bool baseAfter = base >= valueEdge;
        int end = baseAfter ? std::max(valueEdge, previousValueEdge) : std::min(valueEdge, previousValueEdge);
        if (!outline) end += baseAfter ? 1 : -1;
        segment(nearSide, base, nearSide, end);
    }
}

int THistogramSeries::PointAtScreen(int x, int y)
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart || FirstVisibleIndex == -1) return -1;
    if (chart->View3D()) chart->Canvas().Unproject(x, y, MiddleZ);
    const int first = FirstIndexInDrawOrder(), last = LastIndexInDrawOrder();
    const int step = first <= last ? 1 : -1;
    std::vector<TRect> bars;
    for (int i = first;; i += step) {
        bars.push_back(OrientRect(CalcBarRect(i)));
        if (i == last) break;
    }
    for (int i = FirstVisibleIndex; i <= LastVisibleIndex; ++i) {
        const TRect& r = bars[static_cast<std::size_t>(step > 0 ? i - first : first - i)];
        if (x >= r.Left && x <= r.Right && y >= r.Top && y <= r.Bottom) return i;
    }
    return -1;
}

void THistogramSeries::ListSubGalleryStyles(const TSubGalleryCallback& callback)
{
    TCustomLineSeries::ListSubGalleryStyles(callback);
    for (const std::string* text : {&DuvMsgSubHollow, &DuvMsgSubNoBorder, &SubLines, &SubTransparency})
        callback(*text);
}

void THistogramSeries::ApplySubGalleryStyle(int index)
{
    const int base = CountStyles([this](const TSubGalleryCallback& c) { TCustomLineSeries::ListSubGalleryStyles(c); });
    switch (index - base) {
    case 0: Brush().SetStyle(bsClear); break;
    case 1: Pen().SetVisible(false); break;
    case 2: linesPen_->SetVisible(true); break;
    case 3: SetTransparency(30); break;
    default: TCustomLineSeries::ApplySubGalleryStyle(index);
    }
}

THorizHistogramSeries::THorizHistogramSeries(TComponent* owner) : THistogramSeries(owner)
{
    MakeHorizontal();
    XValues()->SetOrder(loNone);
    YValues()->SetOrder(loAscending);
}

void StatCharHistogramInitialization()
{
    GalleryHorizHistogram = "Horizontal" + LibraryLineSeparator + "Histogram";
    RegisterClassForStreaming(THistogramSeries::StaticClass());
    RegisterClassForStreaming(THorizHistogramSeries::StaticClass());
    RegisterSeriesType(&THistogramSeries::StaticClass(), &GalleryHistogram, &GalleryStats, 1);
    RegisterSeriesType(&THorizHistogramSeries::StaticClass(), &GalleryHorizHistogram, &GalleryStats, 1);
}

void StatCharHistogramFinalization()
{
    UnregisterSeriesClasses({&THistogramSeries::StaticClass(), &THorizHistogramSeries::StaticClass()});
}
