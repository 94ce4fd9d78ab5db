#include "chart/series/SeriesPie.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/RuRazaziCallout.h"
#include "chart/series/Series.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDegrees = 180 / kPi;
// Points on the rim of a slice's hit polygon.
constexpr int kHitRimPoints = 32;

int RndInt(double value) { return static_cast<int>(Rnd(value)); }

// |value| for the angle sums; a value without a size (infinite, not a number) takes no room.
double SliceSize(double value)
{
    const double size = std::fabs(value);
    return std::isfinite(size) ? size : 0;
}

}  // namespace

// ---------------------------------------------------------------- slice value lists

int TSliceValueList::Get(int index) const
{
    return index >= 0 && index < Count() ? items_[static_cast<std::size_t>(index)] : 0;
}

void TSliceValueList::Set(int index, int value)
{
    if (index < 0) return;
    if (index >= Count()) items_.resize(static_cast<std::size_t>(index) + 1, 0);
    int& item = items_[static_cast<std::size_t>(index)];
    if (item == value) return;
    item = value;
    if (pie_) pie_->RequestRepaint();
}

void TSliceValueList::Delete(int index)
{
    if (index >= 0 && index < Count()) items_.erase(items_.begin() + index);
}

void TSliceValueList::Exchange(int i, int j, int pointCount)
{
    if (items_.empty()) return;
    if (Count() < pointCount) items_.resize(static_cast<std::size_t>(pointCount), 0);
    if (i < 0 || j < 0 || i >= Count() || j >= Count()) return;
    std::swap(items_[static_cast<std::size_t>(i)], items_[static_cast<std::size_t>(j)]);
}

// ---------------------------------------------------------------- the pie

TPieSeries::TPieSeries(TComponent* owner)
    : TCircledSeries(owner),
      bevel_(std::make_unique<TPieBevel>(this)),
      otherSlice_(std::make_unique<TPieOtherSlice>(this)),
      pieMarks_(std::make_unique<TPieMarks>(this))
{
    XValues()->SetName(std::string());
    YValues()->SetName(DuvMsgValuesPie);
    Marks().InitVisible(true);
    Marks().Callout().DefaultLength = 8;
    Marks().Callout().SetLength(8);
    InitColorEachPoint(true);
    StoresXValues = false;
    TDuvGradient* gradient = CircleGradient();
    gradient->SetStartColor(clWhite);
    gradient->InitDirection(gdRadial);
}

TPieSeries::~TPieSeries() = default;

void TPieSeries::DeclareProperties(TPropertyDeclarer<TPieSeries>& p)
{
    using P = TPieSeries;
    p.Integer("AngleSize", &P::AngleSize, &P::SetAngleSize).Default(360);
    p.Boolean("AutoMarkPosition", &P::AutoMarkPosition, &P::SetAutoMarkPosition).Stored([](const P&) { return false; });
    p.Object("Bevel", [](const P& s) { return &s.Bevel(); }, &P::SetBevel);
    p.Integer("BevelPercent", &P::BevelPercent, &P::SetBevelPercent).Stored([](const P&) { return false; });
    p.Color("CircleBackColor", &P::CircleBackColor, &P::SetCircleBackColor).Default(clDefault);
    p.Boolean("Dark3D", &P::Dark3D, &P::SetDark3D).Default(true);
    p.Integer("DarkPen", &P::DarkPen, &P::SetDarkPen).Default(0);
    p.Enum("EdgeStyle", &P::EdgeStyle, &P::SetEdgeStyle).Default(edNone);
    p.Integer("ExplodeBiggest", &P::ExplodeBiggest, &P::SetExplodeBiggest).Default(0);
    p.Object("Gradient", &P::CircleGradient, &P::SetCircleGradient);
    p.Integer("GradientBright", &P::GradientBright, &P::SetGradientBright).Default(0);
    p.Enum("MultiPie", &P::MultiPie, &P::SetMultiPie).Default(mpAutomatic);
    p.Object("OtherSlice", [](const P& s) { return &s.OtherSlice(); }, &P::SetOtherSlice);
    p.Object("PieMarks", [](const P& s) { return &s.PieMarks(); }, &P::SetPieMarks);
    p.Object("PiePen", [](const P& s) { return &s.Pen(); }, &P::SetPen);
    p.Object("PieValues", &P::PieValues, &P::SetPieValues);
    p.Integer("RotationAngle", &P::RotationAngle, &P::SetRotationAngle).Default(0);
    p.Boolean("UsePatterns", &P::UsePatterns, &P::SetUsePatterns).Default(false);
}

void TPieSeries::SetEdgeStyle(TEdgeStyle value)
{
    if (SetIfChanged(edgeStyle_, value)) RequestRepaint();
}

void TPieSeries::SetMultiPie(TMultiPie value)
{
    if (SetIfChanged(multiPie_, value)) RequestRepaint();
}

void TPieSeries::SetExplodeBiggest(int value)
{
    ChangeInteger(explodeBiggest_, value);
    MarkBiggest();
}

void TPieSeries::SetGradientBright(int value)
{
    ChangeInteger(gradientBright_, value);
    if (value == 0) CircleGradient()->SetStartColor(clWhite);
}

void TPieSeries::SetParentChart(TCustomAxisPanel* value)
{
    if (value == ParentChart()) return;
    TCircledSeries::SetParentChart(value);
    if (!HasState(csDestroying)) otherSlice_->MoveLegendToChart();
}

void TPieSeries::AssignFormat(const TCustomChartSeries* source)
{
    if (const auto* other = dynamic_cast<const TPieSeries*>(source)) {
        angleSize_ = other->angleSize_;
        bevel_->Assign(other->bevel_.get());
        dark3D_ = other->dark3D_;
        darkPen_ = other->darkPen_;
        donutPercent_ = other->donutPercent_;
        explodeBiggest_ = other->explodeBiggest_;
        ExplodedSlice.Assign(other->ExplodedSlice);
        SliceHeight.Assign(other->SliceHeight);
        multiPie_ = other->multiPie_;
        usePatterns_ = other->usePatterns_;
        otherSlice_->Assign(other->otherSlice_.get());
        pieMarks_->Assign(other->pieMarks_.get());
    }
    TCircledSeries::AssignFormat(source);
    SetColorEachPoint(true);
}

// ---------------------------------------------------------------- points

void TPieSeries::ClearStorage()
{
    TCircledSeries::ClearStorage();
    ExplodedSlice.Clear();
    SliceHeight.Clear();
    angles_.clear();
}

void TPieSeries::ClearPoints()
{
    TCircledSeries::ClearPoints();
    angles_.clear();
}

void TPieSeries::DeletePoint(int index)
{
    TCircledSeries::DeletePoint(index);
    ExplodedSlice.Delete(index);
    SliceHeight.Delete(index);
    angles_.clear();
}

void TPieSeries::SwapPoints(int i, int j)
{
    TCircledSeries::SwapPoints(i, j);
    ExplodedSlice.Exchange(i, j, PointCount());
    SliceHeight.Exchange(i, j, PointCount());
    angles_.clear();
}

void TPieSeries::SortByOrder()
{
    XValues()->SetOrder(loAscending);
    RequestRepaint();
}

void TPieSeries::WriteData(TStream& stream) const
{
    // The other slice is made again before every drawing; a file holds only the user's points.
    const_cast<TPieSeries*>(this)->RemoveOtherSlice();
    TCircledSeries::WriteData(stream);
}

void TPieSeries::AddRandomSamples(int count, bool)
{
    const std::string* labels[] = {&DuvMsgSampleCars,     &DuvMsgSamplePhones, &DuvMsgSampleTables,
                                   &DuvMsgSampleMonitors, &DuvMsgSampleLamps,  &DuvMsgSampleKeyboards,
                                   &DuvMsgSampleBikes,    &DuvMsgSampleChairs};
    for (int i = 0; i < count; ++i) AddPointY(RandomInt(1000) + 1, *labels[i % 8]);
}

int TPieSeries::GetPointScreenX(int index)
{
    if (index >= 0 && index < PointCount() && IsOtherSlicePoint(index)) return 0;
    return TCircledSeries::GetPointScreenX(index);
}

void TPieSeries::GetPointScreenXY(int index, int& x, int& y)
{
    if (index < 0 || index >= static_cast<int>(angles_.size())) return TCircledSeries::GetPointScreenXY(index, x, y);
    int xr, yr;
    ExplodedRadii(index, xr, yr);
    const TPoint p = PointAtAngle(angles_[static_cast<std::size_t>(index)].MidAngle, xr, yr);
    x = p.X;
    y = p.Y;
}

// A pie never widens an axis range: it answers what the axes show already.
double TPieSeries::MaxXValue()
{
    TChartAxis* axis = HorizAxisObject();
    return axis ? axis->Maximum() : 0;
}

double TPieSeries::MinXValue()
{
    TChartAxis* axis = HorizAxisObject();
    return axis ? axis->Minimum() : 0;
}

double TPieSeries::MaxYValue()
{
    TChartAxis* axis = VertAxisObject();
    return axis ? axis->Maximum() : 0;
}

double TPieSeries::MinYValue()
{
    TChartAxis* axis = VertAxisObject();
    return axis ? axis->Minimum() : 0;
}

void TPieSeries::CalcFirstLastVisible()
{
    if (otherSlice_->Active()) return TCircledSeries::CalcFirstLastVisible();
    PageIndexRange(FirstVisibleIndex, LastVisibleIndex);
    if (FirstVisibleIndex == -1) TCircledSeries::CalcFirstLastVisible();
}

// ---------------------------------------------------------------- angles and explode

int TPieSeries::EffectiveAngleSize() const { return std::clamp(angleSize_, -360, 360); }

void TPieSeries::CalcAngles()
{
    const double full = EffectiveAngleSize() * kPi / 180;
    const int count = PointCount();
    angles_.assign(static_cast<std::size_t>(count), TPieAngle{});
    if (FirstVisibleIndex < 0 || LastVisibleIndex >= count) return;
    const double* values = YValues()->Values();
    // Sums of sizes over the largest one, so that huge values neither overflow nor lose the
    // last slice's exact end. Divided, not multiplied by the reciprocal: that of a subnormal
    // largest size is infinite.
    double largest = 0;
    for (int i = FirstVisibleIndex; i <= LastVisibleIndex; ++i)
        if (!IsGrouped(i)) largest = std::max(largest, SliceSize(values[i]));
    auto share = [largest](double value) { return largest > 0 ? SliceSize(value) / largest : 0; };
    double total = 0;
    for (int i = FirstVisibleIndex; i <= LastVisibleIndex; ++i)
        if (!IsGrouped(i)) total += share(values[i]);
    double sum = 0;
    for (int i = FirstVisibleIndex; i <= LastVisibleIndex; ++i) {
        TPieAngle& a = angles_[static_cast<std::size_t>(i)];
        a.StartAngle = i == FirstVisibleIndex ? 0 : angles_[static_cast<std::size_t>(i) - 1].EndAngle;
        if (total == 0) {
            a.EndAngle = full;
        } else {
            if (!IsGrouped(i)) sum += share(values[i]);
            a.EndAngle = sum == total ? full : sum * full / total;
            // A slice never spans more than the whole pie, in either direction.
            if (std::fabs(a.EndAngle - a.StartAngle) > std::fabs(full)) a.EndAngle = a.StartAngle + full;
        }
        a.MidAngle = (a.StartAngle + a.EndAngle) / 2;
    }
}

TPieAngle TPieSeries::AngleOf(int index) const
{
    if (index < 0 || index >= static_cast<int>(angles_.size())) return {};
    return angles_[static_cast<std::size_t>(index)];
}

void TPieSeries::ExplodedOffset(int index, int& dx, int& dy) const
{
    dx = dy = 0;
    if (!SliceOffsets || ExplodedSlice.Empty()) return;
    const int e = ExplodedSlice.Get(index);
    if (e <= 0) return;
    const double theta = AngleOf(index).MidAngle + RotationRadians();
    dx = RndInt(std::cos(theta) * XRadius * e * 0.01);
    dy = RndInt(std::sin(theta) * YRadius * e * 0.01);
}

void TPieSeries::ExplodedRadii(int index, int& xRadius, int& yRadius) const
{
    const int e = ExplodedSlice.Get(index);
    if (e == 0) {
        xRadius = XRadius;
        yRadius = YRadius;
        return;
    }
    xRadius = RndInt(XRadius * (1 + e * 0.01));
    yRadius = RndInt(YRadius * (1 + e * 0.01));
}

int TPieSeries::SliceDepth(int index) const
{
    if (index >= SliceHeight.Count()) return EndZ;
    return StartZ + RndInt(SliceHeight.Get(index) * (EndZ - StartZ) * 0.01);
}

void TPieSeries::MarkBiggest()
{
    const int count = PointCount();
    if (count < 2) return;
    TCustomAxisPanel* chart = ParentChart();
    const bool paging = chart && chart->Pages() && chart->Pages()->MaxPointsPerPage() > 0;
    int biggest = -1;
    if (paging) {
        int first = -1, last = -1;
        PageIndexRange(first, last);
        if (first == -1 || first == last) return;
        for (int i = first; i <= last; ++i)
            if (biggest == -1 || YValues()->GetValueAt(i) > YValues()->GetValueAt(biggest)) biggest = i;
    } else {
        biggest = YValues()->LocateValue(YValues()->GetMaximum());
    }
    if (biggest >= 0) ExplodedSlice.Set(biggest, explodeBiggest_);
}

// ---------------------------------------------------------------- layout

void TPieSeries::FireBeforeDrawValues()
{
    TCustomAxisPanel* chart = ParentChart();
    MarksTakeRoom = !pieMarks_->InsideSlice();
    if (chart) savedChartRect_ = chart->ChartRect;
    savedDonutPercent_ = donutPercent_;
    layoutSaved_ = chart != nullptr;
    if (multiPie_ == mpConcentric) {
        TCircledSeries::FireBeforeDrawValues();
        ConcentricLayout();
        return;
    }
    ConcentricRing = false;
    if (multiPie_ == mpAutomatic) AutoMultiPieLayout();
    TCircledSeries::FireBeforeDrawValues();
}

void TPieSeries::FireAfterDrawValues()
{
    donutPercent_ = savedDonutPercent_;
    if (layoutSaved_ && ParentChart()) ParentChart()->ChartRect = savedChartRect_;
    layoutSaved_ = false;
    TCircledSeries::FireAfterDrawValues();
}

void TPieSeries::AutoMultiPieLayout()
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    int n = 0, k = 0;
    for (int i = 0; i < chart->CountSeries(); ++i) {
        TCustomChartSeries* other = chart->GetSeries(i);
        if (!other->Active() || !SameClassFamily(*other)) continue;
        if (other == this) k = n;
        ++n;
    }
    if (n < 2) return;
    const int columns = RndInt(std::sqrt(static_cast<double>(n)));
    const int rows = RndInt(std::sqrt(static_cast<double>(n)) + 0.5);
    const TRect r = chart->ChartRect;
    const int w = (r.Right - r.Left) / columns, h = (r.Bottom - r.Top) / rows;
    TRect cell;
    cell.Left = r.Left + w * (k % columns);
    cell.Right = cell.Left + RndInt(w * 0.9);
    cell.Top = r.Top + h * (k / columns);
    cell.Bottom = cell.Top + RndInt(h * 0.9);
    if (chart->View3D()) chart->Canvas().ProjectRect(cell, 0, cell);
    chart->ChartRect = cell;
}

void TPieSeries::ConcentricLayout()
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    int m = 0, j = 0;
    const TPieSeries* previous = nullptr;
    bool passed = false;
    for (int i = 0; i < chart->CountSeries(); ++i) {
        auto* pie = dynamic_cast<TPieSeries*>(chart->GetSeries(i));
        if (!pie || !pie->Active() || pie->MultiPie() != mpConcentric) continue;
        ++m;
        if (pie == this) passed = true;
        if (!passed) {
            ++j;
            previous = pie;
        }
    }
    if (m == 0) return;
    ConcentricRing = true;
    const double f = (100 / m) * (j + 1) * 0.01;
    XRadius = RndInt(XRadius * f);
    YRadius = RndInt(YRadius * f);
    CircleRect = {CircleXCenter - XRadius, CircleYCenter - YRadius, CircleXCenter + XRadius, CircleYCenter + YRadius};
    CircleWidth = 2 * XRadius;
    CircleHeight = 2 * YRadius;
    donutPercent_ = previous && XRadius != 0 ? RndInt(previous->XRadius * 100.0 / XRadius) : 0;
}

// ---------------------------------------------------------------- drawing

void TPieSeries::DrawAllPoints()
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    ApplyFrame();
    if (explodeBiggest_ > 0) MarkBiggest();
    int mostExploded = -1;
    if (!ExplodedSlice.Empty())
        for (int i = FirstVisibleIndex; i <= LastVisibleIndex; ++i)
            if (ExplodedSlice.Get(i) > 0 && (mostExploded == -1 || ExplodedSlice.Get(i) > ExplodedSlice.Get(mostExploded)))
                mostExploded = i;
    if (angles_.empty()) CalcAngles();
    SliceOffsets = mostExploded != -1 || !SliceHeight.Empty();
    if (mostExploded != -1) {
        int dx, dy;
        ExplodedOffset(mostExploded, dx, dy);
        TRect r = CircleRect;
        r.Left += std::abs(dx) / 2;
        r.Right -= std::abs(dx) / 2;
        r.Top += std::abs(dy) / 2;
        r.Bottom -= std::abs(dy) / 2;
        SetCircleRect(r);
    }
    if ((Shadow().Visible() || Emboss().Visible()) && multiPie_ != mpConcentric) DrawShadows();
    TCanvas3D& canvas = chart->Canvas();
    if (!chart->View3D() || canvas.SupportsFullRotation()) {
        TCircledSeries::DrawAllPoints();
    } else {
        const std::vector<int> order = SlicesInDepthOrder();
        const int first = order.empty() ? -1 : FirstVisibleIndex, last = LastVisibleIndex;
        for (int index : order) {
            const bool offsets = SliceOffsets;
            if (EffectiveAngleSize() != 360 && (index == first || index == last)) SliceOffsets = true;
            DrawPoint(index);
            SliceOffsets = offsets;
        }
    }
    if (TChartLegend* legend = otherSlice_->PeekLegend(); legend && legend->Visible()) {
        TChartLegend* current = CurrentLegend;
        CurrentLegend = legend;
        const TScopeGuard restore([this, current] { CurrentLegend = current; });
        legend->PaintLegend();
    }
}

void TPieSeries::DrawShadows()
{
    TCustomAxisPanel* chart = ParentChart();
    TCanvas3D& canvas = chart->Canvas();
    TRect circle = CircleRect;
    if (chart->View3D() && !canvas.SupportsFullRotation()) canvas.ProjectRect(circle, StartZ - 10, circle);
    TDuvBlend* blend = Transparency() > 0 ? canvas.BeginBlending(circle, Transparency()) : nullptr;
    const int grow = Pen().Visible() ? 2 * Pen().Width() : 0;
    for (TDuvShadow* effect : {&Shadow(), static_cast<TDuvShadow*>(&Emboss())}) {
        if (!effect->Visible()) continue;
        if (!SliceOffsets) {
            effect->DrawEllipse(canvas, circle, RotationAngle(), RotationAngle() + EffectiveAngleSize(), donutPercent_);
            continue;
        }
        for (int i = FirstVisibleIndex; i <= LastVisibleIndex; ++i) {
            int dx, dy;
            ExplodedOffset(i, dx, dy);
            TRect r{circle.Left - grow + dx, circle.Top - grow - dy, circle.Right + grow + dx, circle.Bottom + grow - dy};
            const TPieAngle a = AngleOf(i);
            effect->DrawEllipse(canvas, r, (a.StartAngle + RotationRadians()) * kDegrees,
                                (a.EndAngle + RotationRadians()) * kDegrees, donutPercent_);
        }
    }
    if (blend) canvas.EndBlending(blend);
}

double TPieSeries::SliceDepthKey(int index) const
{
    const TPieAngle angle = AngleOf(index);
    const double s = angle.StartAngle + RotationRadians(), e = angle.EndAngle + RotationRadians();
    const double d = (e - s) * 0.05;
    auto fromTop = [](double x) {
        while (x > 2 * kPi) x -= 2 * kPi;
        if (x < kPi / 2) return kPi / 2 - x;
        if (x < 3 * kPi / 2) return x - kPi / 2;
        return kPi - (x - 3 * kPi / 2);
    };
    const double ga = fromTop(s + d), gb = fromTop(e - d);
    return (ga <= kPi / 2 || gb <= kPi / 2) ? std::min(ga, gb) : std::max(ga, gb);
}

std::vector<int> TPieSeries::SlicesInDepthOrder() const
{
    std::vector<int> order;
    if (FirstVisibleIndex < 0) return order;
    for (int i = FirstVisibleIndex; i <= LastVisibleIndex; ++i) order.push_back(i);
    std::vector<double> keys(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) keys[k] = SliceDepthKey(order[k]);
    QuickSortRange(
        0, static_cast<int>(order.size()) - 1, [&](int a, int b) { return keys[static_cast<std::size_t>(a)] < keys[static_cast<std::size_t>(b)] ? -1 : keys[static_cast<std::size_t>(a)] > keys[static_cast<std::size_t>(b)] ? 1 : 0; },
        [&](int a, int b) {
            std::swap(order[static_cast<std::size_t>(a)], order[static_cast<std::size_t>(b)]);
            std::swap(keys[static_cast<std::size_t>(a)], keys[static_cast<std::size_t>(b)]);
        });
    return order;
}

TBrushStyle TPieSeries::SlicePattern(int index) const
{
    const TCustomAxisPanel* chart = ParentChart();
    const bool mono = chart && chart->Monochrome();
    if ((usePatterns_ || mono) && index != -1) return SeriesPatternStyle(index);
    return bsSolid;
}

void TPieSeries::GradientColors(TDuvGradient& gradient, TColor color) const
{
    gradient.SetEndColor(color);
    if (gradientBright_ == 0)
        gradient.SetStartColor(color);
    else if (gradientBright_ < 0)
        gradient.SetStartColor(DarkenColor(color, static_cast<std::uint8_t>(std::min(255, -gradientBright_))));
    else
        gradient.SetStartColor(LightenColor(color, static_cast<std::uint8_t>(std::min(255, gradientBright_))));
}

void TPieSeries::SetPiePen(int index)
{
    TCanvas3D& canvas = ParentChart()->Canvas();
    if (ApplyHoverPen(index)) return;
    if (darkPen_ <= 0)
        canvas.AssignPen(Pen());
    else
        canvas.AssignPenColor(Pen(), DarkenColor(GetPointColor(index), static_cast<std::uint8_t>(255 - std::min(255, darkPen_))));
    if (Pen().Style() != psSolid) canvas.SetBackMode(TRANSPARENT);
}

void TPieSeries::DrawPoint(int index)
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart || CircleWidth < 5 || CircleHeight < 5 || IsGrouped(index)) return;
    TCanvas3D& canvas = chart->Canvas();
    const TColor color = chart->Monochrome() ? clBlack : GetPointColor(index);
    if (color == clNone) {
        canvas.Brush().SetStyle(bsClear);
    } else {
        chart->ApplyBrush(color, Brush(), EffectiveBackColor());
        canvas.Brush().SetStyle(SlicePattern(index));
        if (CircleGradient()->Visible()) {
            TDuvGradient* gradient = canvas.Brush().GetGradient();
            gradient->Assign(CircleGradient());
            GradientColors(*gradient, color);
            gradient->SetVisible(true);
        } else if (TDuvGradient* gradient = canvas.Brush().PeekGradient()) {
            gradient->SetVisible(false);
        }
    }
    SetPiePen(index);
    DrawSlice(index);
}

void TPieSeries::DrawSlice(int index)
{
    TCustomAxisPanel* chart = ParentChart();
    TCanvas3D& canvas = chart->Canvas();
    if (angles_.empty()) CalcAngles();
    int dx, dy;
    ExplodedOffset(index, dx, dy);
    const int x0 = CircleXCenter + dx, y0 = CircleYCenter - dy;
    const TPieAngle a = AngleOf(index);
    const double start = a.StartAngle + RotationRadians(), end = a.EndAngle + RotationRadians();
    if (chart->View3D()) {
        if (PeekVisuals() && index < PeekVisuals()->Count() && PeekVisuals()->GetVisual(index)) return;
        TPie3DSlice slice;
        slice.XCenter = x0;
        slice.YCenter = y0;
        slice.XRadius = XRadius;
        slice.YRadius = YRadius;
        slice.StartZ = StartZ;
        slice.EndZ = SliceDepth(index);
        slice.StartAngle = start;
        slice.EndAngle = end;
        slice.DarkSides = dark3D_;
        slice.DrawSides = SliceOffsets;
        slice.DonutPercent = donutPercent_;
        slice.Gradient = CircleGradient()->Visible() ? CircleGradient() : nullptr;
        slice.BevelPercent = bevel_->Percent();
        slice.BevelBrightness = bevel_->Bright();
        slice.BevelBorder = bevel_->UseBorder();
        slice.EdgeStyle = edgeStyle_;
        slice.Transparency = Transparency();
        canvas.Pie3D(slice);
        return;
    }
    const TRect rect{x0 - XRadius, y0 - YRadius, x0 + XRadius, y0 + YRadius};
    TDuvBlend* blend = Transparency() > 0 ? canvas.BeginBlending(rect, Transparency()) : nullptr;
    if (donutPercent_ <= 0)
        canvas.PieAngles(rect, start * kDegrees, end * kDegrees);
    else if (YValues()->GetValueAt(index) != 0)
        canvas.DonutSlice(x0, y0, XRadius, YRadius, start, end, donutPercent_);
    if (bevel_->Percent() != 0) {
        const TColor base = canvas.Brush().Color();
        const int bright = bevel_->Bright();
        canvas.Brush().SetColor(bright < 0 ? DarkenColor(base, static_cast<std::uint8_t>(std::min(255, -bright)))
                                           : LightenColor(base, static_cast<std::uint8_t>(std::min(255, bright))));
        if (!bevel_->UseBorder()) canvas.Pen().SetStyle(psClear);
        canvas.DonutSlice(x0, y0, XRadius, YRadius, start, end, 100 - bevel_->Percent());
    }
    if (blend) canvas.EndBlending(blend);
}

// ---------------------------------------------------------------- hit testing

int TPieSeries::PointAtScreen(int x, int y)
{
    const int hit = TCircledSeries::PointAtScreen(x, y);
    return hit != -1 ? hit : SliceAtPixel(x, y, true);
}

int TPieSeries::SliceAtPixel(int x, int y, bool useExplode)
{
    if (angles_.empty()) return -1;
    TCustomAxisPanel* chart = ParentChart();
    const bool project = chart && chart->View3D();
    const bool hole = donutPercent_ >= 1;
    TPointArray polygon;
    polygon.reserve(2 * kHitRimPoints + 1);
    const TPoint mouse{x, y};
    for (int i = 0; i < static_cast<int>(angles_.size()); ++i) {
        int dx = 0, dy = 0;
        if (useExplode) ExplodedOffset(i, dx, dy);
        auto place = [&](TPoint p) {
            p.X += dx;
            p.Y -= dy;
            if (project) chart->Canvas().Project(p.X, p.Y, EndZ, p);
            polygon.push_back(p);
        };
        const TPieAngle a = angles_[static_cast<std::size_t>(i)];
        const double step = (a.EndAngle - a.StartAngle) / (kHitRimPoints - 1);
        polygon.clear();
        if (!hole) place({CircleXCenter, CircleYCenter});
        for (int k = 0; k < kHitRimPoints; ++k) place(PointAtAngle(a.StartAngle + k * step, XRadius, YRadius));
        if (hole) {
            const double xr = XRadius * donutPercent_ * 0.01, yr = YRadius * donutPercent_ * 0.01;
            for (int k = kHitRimPoints - 1; k >= 0; --k) place(PointAtAngle(a.StartAngle + k * step, xr, yr));
        }
        if (PointInsidePolygon(mouse, polygon, static_cast<int>(polygon.size()) - 1)) return i;
    }
    return -1;
}

// ---------------------------------------------------------------- 3D view and gallery

void TPieSeries::SetCircled3DView(TView3DOptions& view)
{
    view.SetOrthogonal(false);
    view.SetRotation(360);
    view.SetElevation(315);
    view.SetPerspective(0);
    view.SetTilt(0);
}

void TPieSeries::SetGalleryView3D(bool value)
{
    TCircledSeries::SetGalleryView3D(value);
    if (!ParentChart()) return;
    TView3DOptions& view = ParentChart()->View3DOptions();
    view.SetOrthogonal(false);
    view.SetRotation(0);
    view.SetElevation(305);
}

void TPieSeries::ListSubGalleryStyles(const TSubGalleryCallback& callback)
{
    for (const std::string* style : {&DuvMsgSubNormal, &DuvMsgSubPatterns, &DuvMsgSubExploded, &DuvMsgSubShadow,
                                     &DuvMsgSubMarks, &DuvMsgSubSemiPie, &DuvMsgSubNoBorder, &DuvMsgSubDarkBorder,
                                     &DuvMsgSubConcentric})
        callback(*style);
}

void TPieSeries::ApplySubGalleryStyle(int index)
{
    switch (index) {
    case 1:
        SetUsePatterns(true);
        CircleGradient()->SetVisible(false);
        break;
    case 2:
        SetExplodeBiggest(30);
        break;
    case 3:
        Shadow().SetHorizSize(10);
        Shadow().SetVertSize(10);
        break;
    case 4:
        Marks().SetVisible(true);
        ClearPoints();
        AddPointY(30, "A");
        AddPointY(70, "B");
        break;
    case 5:
        SetAngleSize(180);
        break;
    case 6:
        Pen().SetVisible(false);
        break;
    case 7:
        SetDarkPen(32);
        break;
    case 8: {
        SetMultiPie(mpConcentric);
        TCustomAxisPanel* chart = ParentChart();
        if (!chart) break;
        auto* ring = static_cast<TPieSeries*>(chart->NewSeriesOfClass(ClassType()));
        if (TComponent* owner = ring->Owner()) {
            int n = 1;
            while (owner->FindComponent("Series" + std::to_string(n))) ++n;
            ring->SetName("Series" + std::to_string(n));
        }
        ring->SetTitle(std::string());
        ring->SetMultiPie(mpConcentric);
        ring->Marks().SetVisible(false);
        ring->FillSampleValues(PointCount());
        break;
    }
    default:
        break;
    }
}

void TPieSeries::SetGalleryLook()
{
    TCircledSeries::SetGalleryLook();
    FillSampleValues(8);
    if (TCustomAxisPanel* chart = ParentChart()) chart->SetChart3DPercent(75);
    Marks().Callout().SetLength(0);
    Marks().SetDrawEvery(1);
    CircleGradient()->SetVisible(true);
    SetGalleryView3D(true);
    SetColorEachPoint(true);
}

void SeriesPieInitialization()
{
    RegisterClassForStreaming(TPieSeries::StaticClass());
    RegisterClassForStreaming(TPieOtherSlice::StaticClass());
    RegisterClassForStreaming(TPieMarks::StaticClass());
}
