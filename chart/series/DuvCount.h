#pragma once
// The count function: the number of points in each period, or the number of sources that have a
// point at each index (or at each X).
#include <string>

#include "chart/series/RuRazaziFunction.h"

class TCountDuvFunction : public TDuvFunction {
    QB_CLASS(TCountDuvFunction, TDuvFunction)
public:
    explicit TCountDuvFunction(TComponent* owner = nullptr) : TDuvFunction(owner) {}

    // Null points are counted too.
    double CalculateRange(TChartSeries* source, int first, int last) override;
    double CalculateManyAtIndex(const std::vector<TChartSeries*>& sources, int valueIndex) override;
    // The sources that have the X (the by-X road).
    double CalculateArray(std::vector<double>& values) override { return static_cast<double>(values.size()); }
    void SetUpInGallery(TCustomAxisPanel* chart) override;
};

// The gallery caption "Count"; a text of this unit until the library text table takes it.
extern std::string DuvMsgFunctionCount;

void DuvCountInitialization();
void DuvCountFinalization();
