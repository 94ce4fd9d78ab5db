#pragma once
// The marks of a data series: for now the list of places where the user moved single marks,
// which the series' "Data" stores with its points.
#include "chart/engine/DuvShape.h"

class TSeriesMarks {
public:
    TSeriesMarksPositions& Positions() { return positions_; }
    const TSeriesMarksPositions& Positions() const { return positions_; }
    // Empties the position list; the series calls it when its points are cleared.
    void ClearPositions() { positions_.Clear(); }

private:
    TSeriesMarksPositions positions_;
};
