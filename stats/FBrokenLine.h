#pragma once
// The broken-line regression window: scans candidate break points of one series' X range, fits
// a straight line on each side, and compares the two sides by their correlations and residual
// sums of squares.
#include "chart/engine/Chart.h"
#include "chart/series/RuRazaziSeries.h"

class TFormBrokenLine;

// Opens one more window on the series of the chart (the module's latest refers to it).
TFormBrokenLine* ShowBrokenLine(TCustomChart* chart, TChartSeries* series);
