#pragma once
// The marks of a data series: the style that makes each point's text, which points get a
// mark, and the places where the user moved single marks (stored with the series' points).
#include "chart/engine/DuvShape.h"
#include "platform/core/Properties.h"

QB_ENUM(TSeriesMarksStyle, smsValue, smsPercent, smsLabel, smsLabelPercent, smsLabelValue, smsLegend, smsPercentTotal,
        smsLabelPercentTotal, smsXValue, smsXY, smsSeriesTitle, smsPointIndex, smsPercentRelative,
        smsLabelPercentValue, smsLabelOrValue)

class TSeriesMarks {
public:
    TSeriesMarksStyle Style = smsLabelOrValue;
    bool MultiLine = false;
    // Only points whose index is a multiple of it get a mark.
    int DrawEvery = 1;
    // Only points inside the chart rectangle get a mark.
    bool SoftClip = false;

    TSeriesMarksPositions& Positions() { return positions_; }
    const TSeriesMarksPositions& Positions() const { return positions_; }
    // Empties the position list; the series calls it when its points are cleared.
    void ClearPositions() { positions_.Clear(); }

private:
    TSeriesMarksPositions positions_;
};
