#pragma once
// The cumulative function: the running total of the source's values, or of the per-point sums
// of several sources.
#include <string>

#include "chart/series/RuRazaziFunction.h"

class TCumulative : public TDuvFunction {
    QB_CLASS(TCumulative, TDuvFunction)
public:
    explicit TCumulative(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TCumulative>& p);

    void CalculateFromSources(TChartSeries* source) override;
    // The total from the source's first point up to last; 0 for the whole source (first -1).
    double CalculateRange(TChartSeries* source, int first, int last) override;
    // The total of the per-index sums from index 0 up to valueIndex.
    double CalculateManyAtIndex(const std::vector<TChartSeries*>& sources, int valueIndex) override;
    void SetUpInGallery(TCustomAxisPanel* chart) override;

private:
    // The function keeps its own totals during a recalculation; the output's last value is not
    // the previous total with longer periods, and does not exist for the first.
    bool calculating_ = false;
    const TChartValueList* rangeList_ = nullptr;
    int rangeThrough_ = -1;
    double rangeTotal_ = 0;
    int manyThrough_ = -1;
    double manyTotal_ = 0;
};

// The gallery caption "Cumulative"; a text of this unit until the library text table takes it.
extern std::string DuvMsgFunctionCumulative;

void DuvCumuInitialization();
void DuvCumuFinalization();
