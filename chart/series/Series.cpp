#include "chart/series/Series.h"

void TCustomLineSeries::DeclareProperties(TPropertyDeclarer<TCustomLineSeries>&) {}

void TCustomLineSeries::SetTreatNulls(TTreatNullsStyle value)
{
    if (treatNulls_ == value) return;
    treatNulls_ = value;
    RequestRepaint();
}

void TCustomLineSeries::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TCustomLineSeries*>(source)) treatNulls_ = other->treatNulls_;
    TChartSeries::Assign(source);
}

TBrushStyle SeriesPatternStyle(int index)
{
    static constexpr TBrushStyle kStyles[] = {bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross};
    return kStyles[index % 6];
}
