#include "chart/series/RuRazaziCallout.h"

#include "chart/series/RuRazaziSeries.h"

TCallout::TCallout(TChartSeries* series)
    : TSeriesPointer(series), arrow_(std::make_unique<TWhitePen>([this](TObject*) { InvalidateParent(); }))
{
}

TCallout::~TCallout() = default;

void TCallout::SetArrow(const TWhitePen* value) { arrow_->Assign(value); }

TMarksCallout::TMarksCallout(TChartSeries* series) : TCallout(series) {}

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
