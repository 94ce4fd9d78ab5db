#include "chart/series/RuRazaziCallout.h"

#include "chart/series/RuRazaziSeries.h"

TCallout::TCallout(TChartSeries* series)
    : TSeriesPointer(series), arrow_(std::make_unique<TWhitePen>([this](TObject*) { InvalidateParent(); }))
{
    InitFullGradient(true);
    SetDraw3D(false);
    Brush().InitColor(clBlack);
}

TCallout::~TCallout() = default;

void TCallout::DeclareProperties(TPropertyDeclarer<TCallout>& p)
{
    using C = TCallout;
    p.Object("Arrow", &C::GetArrow, &C::SetArrow);
    p.Enum("ArrowHead", &C::ArrowHead, &C::SetArrowHead).Default(ahNone);
    p.Integer("ArrowHeadSize", &C::ArrowHeadSize, &C::SetArrowHeadSize).Default(8);
    p.Integer("Distance", &C::Distance, &C::SetDistance).Default(0);
    p.Boolean("Draw3D", &C::Draw3D, &C::SetDraw3D).Default(false);
}

void TCallout::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TCallout*>(source)) {
        distance_ = other->distance_;
        arrow_->Assign(other->arrow_.get());
        arrowHead_ = other->arrowHead_;
        arrowHeadSize_ = other->arrowHeadSize_;
    }
    TSeriesPointer::Assign(source);
}

void TCallout::SetArrow(const TWhitePen* value) { arrow_->Assign(value); }

void TCallout::DrawCallout(TCustomDuvPanel* panel, TColor color, bool midUsed, int z, const TPoint& markEnd,
                           const TPoint& mid, const TPoint& pointEnd)
{
    if (!panel) return;
    TCanvas3D& canvas = panel->Canvas();
    const bool is3D = panel->View3D();
    if (arrow_->Visible()) {
        PreparePen(canvas, Brush().Color());
        if (arrowHead_ != ahSolid) {
            canvas.Brush().SetStyle(bsClear);
            canvas.ApplyBrush(canvas.Brush());
        }
        canvas.Pen().Assign(arrow_.get());
        canvas.ApplyPen();
        if (arrowHead_ != ahNone) {
            const bool filled = arrowHead_ == ahSolid;
            if (is3D)
                canvas.ArrowAtZ(filled, markEnd, pointEnd, arrowHeadSize_, arrowHeadSize_, z);
            else
                canvas.Arrow(filled, markEnd, pointEnd, arrowHeadSize_, arrowHeadSize_, 50);
        } else {
            auto line = [&](const TPoint& a, const TPoint& b) {
                if (is3D)
                    canvas.LineWithZPoints(a, b, z);
                else
                    canvas.Line(a.X, a.Y, b.X, b.Y);
            };
            if (midUsed) {
                line(pointEnd, mid);
                line(mid, markEnd);
            } else {
                line(pointEnd, markEnd);
            }
        }
    }
    if (arrowHead_ != ahNone || !Visible()) return;
    PreparePen(canvas, Brush().Color());
    TPoint at = pointEnd;
    if (is3D) canvas.ProjectPointAt(pointEnd, z, at);
    DrawStyled(canvas, false, at.X, at.Y, HorizSize(), VertSize(), Brush().Color(), Style());
    (void)color;
}

TMarksCallout::TMarksCallout(TChartSeries* series) : TCallout(series) { InitVisible(false); }

void TMarksCallout::DeclareProperties(TPropertyDeclarer<TMarksCallout>& p)
{
    p.Integer("Length", &TMarksCallout::Length, &TMarksCallout::SetLength).Stored(&TMarksCallout::IsLengthStored);
}

void TMarksCallout::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TMarksCallout*>(source)) length_ = other->length_;
    TCallout::Assign(source);
}

void TMarksCallout::SetLength(int value)
{
    if (length_ == value) return;
    length_ = value;
    if (Series()) Series()->RequestRepaint();
}

void TMarksCallout::OffsetPosition(TSeriesMarkPosition& position) const
{
    const int up = length_ + Distance();
    position.LeftTop.Y -= up;
    position.ArrowTo.Y -= up;
    position.ArrowFrom.Y -= Distance();
}
