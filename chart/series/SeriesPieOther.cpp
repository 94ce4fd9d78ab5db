// The pie's other slice (small values gathered into one slice, with a legend of its own), the
// legend counting that follows from it, and the placement of the pie's marks.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/RuRazaziCallout.h"
#include "chart/series/SeriesPie.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"

// ---------------------------------------------------------------- other slice

TPieOtherSlice::TPieOtherSlice(TPieSeries* pie) : pie_(pie) {}

TPieOtherSlice::~TPieOtherSlice() = default;

void TPieOtherSlice::DeclareProperties(TPropertyDeclarer<TPieOtherSlice>& p)
{
    using O = TPieOtherSlice;
    p.Color("Color", &O::Color, &O::SetColor).Default(clDefault);
    p.Object("Legend", &O::GetLegend, &O::SetLegend).Stored([](const O& o) { return o.PeekLegend() != nullptr; });
    p.Enum("Style", &O::Style, &O::SetStyle).Default(poNone);
    p.String("Text", &O::Text, &O::SetText).Default(std::string());
    p.Float("Value", &O::Value, &O::SetValue).Default(0.0);
}

void TPieOtherSlice::Repaint()
{
    if (pie_) pie_->RequestRepaint();
}

void TPieOtherSlice::SetStyle(TPieOtherStyle value)
{
    if (SetIfChanged(style_, value)) Repaint();
}

void TPieOtherSlice::SetValue(double value)
{
    if (SetIfChanged(value_, value)) Repaint();
}

void TPieOtherSlice::SetText(const std::string& value)
{
    if (SetIfChanged(text_, value)) Repaint();
}

std::string TPieOtherSlice::ShownText() const { return text_.empty() ? DuvMsgPieOther : text_; }

void TPieOtherSlice::SetColor(TColor value)
{
    if (SetIfChanged(color_, value)) Repaint();
}

TChartLegend* TPieOtherSlice::GetLegend()
{
    if (legend_) return legend_.get();
    auto* chart = pie_ ? dynamic_cast<TCustomChart*>(pie_->ParentChart()) : nullptr;
    legend_ = std::make_unique<TChartLegend>(chart);
    legend_->InitVisible(false);
    legend_->SetSeries(pie_);
    return legend_.get();
}

void TPieOtherSlice::SetLegend(const TChartLegend* value)
{
    if (!value) {
        legend_.reset();
        return;
    }
    GetLegend()->Assign(value);
    legend_->SetSeries(pie_);
}

void TPieOtherSlice::MoveLegendToChart()
{
    if (!legend_) return;
    std::unique_ptr<TChartLegend> old = std::move(legend_);
    GetLegend()->Assign(old.get());
    legend_->SetSeries(pie_);
}

void TPieOtherSlice::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TPieOtherSlice*>(source);
    if (!other) return TPersistent::Assign(source);
    color_ = other->color_;
    SetLegend(other->legend_.get());
    style_ = other->style_;
    text_ = other->text_;
    value_ = other->value_;
}

// ---------------------------------------------------------------- pie marks

void TPieMarks::DeclareProperties(TPropertyDeclarer<TPieMarks>& p)
{
    p.Boolean("EmptySlice", &TPieMarks::EmptySlice, &TPieMarks::SetEmptySlice).Default(false);
    p.Boolean("InsideSlice", &TPieMarks::InsideSlice, &TPieMarks::SetInsideSlice).Default(false);
    p.Integer("LegSize", &TPieMarks::LegSize, &TPieMarks::SetLegSize).Default(0);
    p.Boolean("Rotated", &TPieMarks::Rotated, &TPieMarks::SetRotated).Default(false);
    p.Boolean("VertCenter", &TPieMarks::VertCenter, &TPieMarks::SetVertCenter).Default(false);
}

template <class V>
void TPieMarks::Change(V& field, V value)
{
    if (SetIfChanged(field, value) && pie_) pie_->RequestRepaint();
}

// The setters in the header call these.
template void TPieMarks::Change<int>(int&, int);
template void TPieMarks::Change<bool>(bool&, bool);

void TPieMarks::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TPieMarks*>(source);
    if (!other) return TPersistent::Assign(source);
    emptySlice_ = other->emptySlice_;
    insideSlice_ = other->insideSlice_;
    legSize_ = other->legSize_;
    rotated_ = other->rotated_;
    vertCenter_ = other->vertCenter_;
}

// ---------------------------------------------------------------- grouping

void TPieSeries::RemoveOtherSlice()
{
    const int count = PointCount();
    for (int i = 0; i < count; ++i) {
        if (!IsOtherSlicePoint(i)) continue;
        TCircledSeries::DeletePoint(i);
        ExplodedSlice.Delete(i);
        SliceHeight.Delete(i);
        break;
    }
    angles_.clear();
    XValues()->NumberByIndex();
}

void TPieSeries::PrepareToDraw()
{
    TCircledSeries::PrepareToDraw();
    // Gathering points is drawing business, not an edit: no repaint comes of it.
    TCustomAxisPanel* chart = ParentChart();
    const bool repaint = chart ? chart->AutoRepaint : false;
    if (chart) chart->AutoRepaint = false;
    const TScopeGuard restore([chart, repaint] {
        if (chart) chart->AutoRepaint = repaint;
    });
    std::unique_ptr<TSeriesMarkPosition> savedPosition;
    for (int i = 0; i < PointCount(); ++i) {
        if (!IsOtherSlicePoint(i)) continue;
        if (TSeriesMarkPosition* position = Marks().Positions().PositionAt(i); position && position->Custom)
            savedPosition = std::make_unique<TSeriesMarkPosition>(*position);
        break;
    }
    if (YValues()->Order() != loNone) YValues()->SortOwnerPoints();
    RemoveOtherSlice();
    TChartValueList* values = YValues();
    const double total = values->GetTotalAbsolute();
    if (!otherSlice_->Active() || !(total > 0)) return;
    double grouped = 0;
    bool any = false;
    for (int i = 0; i < PointCount(); ++i) {
        const double size = std::fabs(values->GetValueAt(i));
        const double v = otherSlice_->Style() == poBelowPercent ? size * 100 / total : size;
        if (!(v < otherSlice_->Value())) continue;
        XValues()->SetValueAt(i, kGroupedPointX);
        grouped += size;
        any = true;
    }
    if (!any) return;
    const int index = AddPointXY(kOtherSliceX, grouped, otherSlice_->ShownText(), otherSlice_->Color());
    values->SetTotalAbsolute(values->GetTotalAbsolute() - grouped);
    if (savedPosition && index >= 0) Marks().Positions().StorePosition(index, *savedPosition);
}

int TPieSeries::GroupedCount() const
{
    int grouped = 0;
    const TChartValueList* xs = XValues();
    for (int i = 0; i < xs->Count(); ++i)
        if (xs->GetValueAt(i) == kGroupedPointX) ++grouped;
    return grouped;
}

int TPieSeries::NthPoint(int k, bool grouped) const
{
    const TChartValueList* xs = XValues();
    for (int i = 0; i < xs->Count(); ++i) {
        if ((xs->GetValueAt(i) == kGroupedPointX) != grouped) continue;
        if (k-- == 0) return i;
    }
    return -1;
}

bool TPieSeries::DrawsOtherLegend() const
{
    return CurrentLegend && CurrentLegend == otherSlice_->PeekLegend();
}

int TPieSeries::GetPointCount() const
{
    const int grouped = GroupedCount();
    return DrawsOtherLegend() ? grouped : PointCount() - grouped;
}

int TPieSeries::LegendToPointIndex(int legendIndex) const
{
    const int index = NthPoint(legendIndex, DrawsOtherLegend());
    return index == -1 ? legendIndex : index;
}

// ---------------------------------------------------------------- legend symbols

void TPieSeries::PrepareLegendCanvas(int index, TColor& backColor, TBrushStyle& style)
{
    backColor = EffectiveBackColor();
    SetPiePen(index);
    style = SlicePattern(index);
}

void TPieSeries::PaintLegendSymbol(int index, const TRect& rect)
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    if (CircleGradient()->Visible()) {
        const TColor color = chart->Monochrome() ? clBlack : GetPointColor(index);
        if (color != clNone) {
            TDuvGradient* gradient = chart->Canvas().Brush().GetGradient();
            gradient->Assign(CircleGradient());
            GradientColors(*gradient, color);
            gradient->SetVisible(true);
        }
    }
    TCircledSeries::PaintLegendSymbol(index, rect);
}

// ---------------------------------------------------------------- marks

void TPieSeries::PlacePieMark(int index, TSeriesMarkPosition& position)
{
    int xr, yr;
    ExplodedRadii(index, xr, yr);
    if (angles_.empty()) CalcAngles();
    double theta = AngleOf(index).MidAngle;
    if (PointCount() == 1 && std::fabs(theta - std::numbers::pi) < 1e-12) theta = 0;
    const int w = position.Width, h = position.Height;
    if (pieMarks_->InsideSlice()) {
        const TPoint c = PointAtAngle(theta, xr / 2.0, yr / 2.0);
        position.LeftTop = {c.X - w / 2, c.Y - h / 2};
        return;
    }
    const TMarksCallout* callout = Marks().PeekCallout();
    const int length = callout ? callout->Length() : 0, distance = callout ? callout->Distance() : 0;
    position.ArrowFix = true;
    TPoint m = PointAtAngle(theta, xr + length + distance, yr + length + distance);
    position.ArrowFrom = PointAtAngle(theta, xr + distance, yr + distance);
    const bool right = CircleXCenter < m.X, below = m.Y > CircleYCenter;
    position.LeftTop.X = right ? m.X : m.X - w;
    position.LeftTop.Y = below ? m.Y : m.Y - h;
    if (pieMarks_->VertCenter()) m.Y += below ? h / 2 : -(h / 2);
    const int leg = pieMarks_->LegSize();
    if (leg > 0) {
        position.HasMidPoint = true;
        const int from = position.ArrowFrom.X;
        if (right) {
            if (m.X - leg < from) {
                position.MidPoint.X = from;
                m.X += leg;
                position.LeftTop.X = m.X;
            } else {
                position.MidPoint.X = m.X - leg;
            }
        } else if (from < m.X + leg) {
            position.MidPoint.X = from;
            m.X = from - leg;
            position.LeftTop.X = m.X - w;
        } else {
            position.MidPoint.X = m.X + leg;
        }
        position.MidPoint.Y = m.Y;
    } else {
        position.HasMidPoint = false;
        position.MidPoint = {0, 0};
    }
    position.ArrowTo = m;
    if (!Marks().Automatic().Move() || index == FirstIndexInDrawOrder()) return;
    const TSeriesMarkPosition* previous = Marks().Positions().PositionAt(index - 1);
    if (!previous) return;
    const TRect box = position.GetBounds(), other = previous->GetBounds();
    if (box.Right <= other.Left || other.Right <= box.Left || box.Bottom <= other.Top || other.Bottom <= box.Top) return;
    const int top = position.LeftTop.Y, previousTop = previous->LeftTop.Y;
    position.MoveBy({0, top < CircleYCenter ? top - previousTop : previousTop - top});
}

void TPieSeries::DrawPointMark(int index, const std::string& text, TSeriesMarkPosition& position)
{
    if (index < 0 || index >= PointCount() || IsGrouped(index)) return;
    if (YValues()->GetValueAt(index) == 0 && !pieMarks_->EmptySlice()) return;
    PlacePieMark(index, position);
    TSeriesMarks& marks = Marks();
    TCustomAxisPanel* chart = ParentChart();
    // A canvas that turns the scene itself counts depth from the other side.
    const bool ownProjection = chart && chart->Canvas().SupportsFullRotation();
    marks.MarksZ = ownProjection ? EndZ - SliceDepth(index) : SliceDepth(index);
    TMarksCallout& callout = marks.Callout();
    const bool arrowVisible = callout.Arrow().Visible();
    const int angle = marks.MarksAngle();
    const bool autoPosition = marks.AutoPosition();
    // The marks' own settings change for this one mark only; no repaint comes of it.
    const bool repaint = chart ? chart->AutoRepaint : false;
    if (chart) chart->AutoRepaint = false;
    const TScopeGuard restore([&] {
        marks.SetMarksAngle(angle);
        marks.SetAutoPosition(autoPosition);
        callout.Arrow().SetVisible(arrowVisible);
        if (chart) chart->AutoRepaint = repaint;
    });
    if (pieMarks_->InsideSlice()) callout.Arrow().SetVisible(false);
    if (pieMarks_->Rotated()) {
        marks.SetMarksAngle(RotatedMarkAngle(index));
        marks.SetAutoPosition(false);
    }
    TCircledSeries::DrawPointMark(index, text, position);
}

int TPieSeries::RotatedMarkAngle(int index) const
{
    int a = static_cast<int>(Rnd(AngleOf(index).MidAngle * 180 / std::numbers::pi)) + RotationAngle();
    if (a >= 90 && a <= 270) a = a + 180 <= 360 ? a + 180 : a - 180;
    return a;
}
