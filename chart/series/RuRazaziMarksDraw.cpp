// Drawing a series' marks: measuring, placing off earlier marks, callouts and symbols.
#include "chart/series/RuRazaziSeries.h"

void TChartSeries::DrawAllMarks() {}

void TChartSeries::DrawPointMark(int, const std::string&, TSeriesMarkPosition&) {}

void TChartSeries::CalcMarkShift(int, const TRect& box, const TRect& other, TPoint& shift) const
{
    shift = {0, 0};
    if (YMandatory()) {
        shift.Y = other.Top > box.Top ? other.Top - box.Bottom : other.Bottom - box.Top;
    } else {
        shift.X = other.Left > box.Left ? other.Left - box.Right : other.Right - box.Left;
    }
}
