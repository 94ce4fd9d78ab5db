#pragma once
// The histogram function: counts the source's values in NumBins equal bins between the smallest
// and the largest counted value, and writes the bin centres and counts into its output series.
#include <string>

#include "chart/series/RuRazaziFunction.h"

QB_ENUM(TDataStyle, hdsTruncate, hdsRound)

class THistogramFunction : public TDuvFunction {
    QB_CLASS(THistogramFunction, TDuvFunction)
public:
    explicit THistogramFunction(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<THistogramFunction>& p);

    // Each bin also counts the bins before it.
    bool Cumulative() const { return cumulative_; }
    void SetCumulative(bool value);
    // More bins than any chart can show would only exhaust memory (a chart file may ask for
    // two thousand million).
    static constexpr int MaxNumBins = 1000000;
    int NumBins() const { return numBins_; }
    // Stores at least 1 and at most MaxNumBins.
    void SetNumBins(int value);
    // hdsTruncate: a value falls into the bin of its position's integer part; hdsRound: of the
    // rounded position.
    TDataStyle DataStyle() const { return dataStyle_; }
    void SetDataStyle(TDataStyle value);

    void CalculateFromSources(TChartSeries* source) override;
    void SetUpInGallery(TCustomAxisPanel* chart) override;

private:
    bool cumulative_ = false;
    int numBins_ = 20;
    TDataStyle dataStyle_ = hdsTruncate;
};

// The gallery caption "Histogram"; a text of this unit until the library text table takes it.
extern std::string DuvMsgFunctionHistogram;

void DuvHistogramInitialization();
void DuvHistogramFinalization();
