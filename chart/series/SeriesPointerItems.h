#pragma once
// The pointer of line, point and area series: one pointer for the series and, made on first
// use, a pointer of their own for single points.
#include <memory>
#include <vector>

#include "chart/series/RuRazaziPointer.h"

class TSeriesPointerItems : public TSeriesPointer {
    QB_CLASS(TSeriesPointerItems, TSeriesPointer)
public:
    explicit TSeriesPointerItems(TChartSeries* series = nullptr) : TSeriesPointer(series) {}
    ~TSeriesPointerItems() override { ClearItems(); }

    // The point's own pointer, made as a copy of the series pointer when missing.
    TSeriesPointer& GetPointerItem(int index);
    // The point's own pointer when it has one, else the series pointer (also for index < 0).
    TSeriesPointer& ItemOrSelf(int index);
    int Count() const { return static_cast<int>(items_.size()); }
    void DeleteItem(int index);
    void ClearItems();

private:
    std::vector<std::unique_ptr<TSeriesPointer>> items_;
};
