#include "chart/series/DuvHistogram.h"

#include <algorithm>
#include <cmath>

#include "chart/engine/ChartRegistry.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/RuRazaziSeries.h"
#include "chart/engine/DuvProcs.h"

THistogramFunction::THistogramFunction(TComponent* owner) : TDuvFunction(owner)
{
    PeriodEditable = false;
    SingleSourceOnly = true;
    StorePeriod(1);
}

void THistogramFunction::DeclareProperties(TPropertyDeclarer<THistogramFunction>& p)
{
    using T = THistogramFunction;
    p.Boolean("Cumulative", &T::Cumulative, &T::SetCumulative).Default(false);
    p.Integer("NumBins", &T::NumBins, &T::SetNumBins).Default(20);
    p.Boolean("IncludeNulls", &TDuvFunction::IncludeNulls, &TDuvFunction::SetIncludeNulls).Default(true);
    p.Enum("DataStyle", &T::DataStyle, &T::SetDataStyle).Default(hdsTruncate);
}

void THistogramFunction::SetCumulative(bool value)
{
    if (value == cumulative_) return;
    cumulative_ = value;
    Recalculate();
}

void THistogramFunction::SetNumBins(int value)
{
    value = std::clamp(value, 1, MaxNumBins);
    if (value == numBins_) return;
    numBins_ = value;
    Recalculate();
}

void THistogramFunction::SetDataStyle(TDataStyle value)
{
    if (value == dataStyle_) return;
    dataStyle_ = value;
    Recalculate();
}

namespace {

struct THistogramBins {
    std::vector<double> Centres;
    std::vector<double> Counts;
};

// Centres and counts of numBins bins from the smallest to the largest counted value.
THistogramBins CountInBins(const double* values, int count, const std::vector<TColor>* colors, bool includeNulls,
                           int numBins, TDataStyle style, bool cumulative)
{
    THistogramBins bins;
    const int colored = colors ? static_cast<int>(colors->size()) : 0;
    auto counted = [&](int i) {
        return std::isfinite(values[i]) && (includeNulls || i >= colored || (*colors)[static_cast<std::size_t>(i)] != clNone);
    };
    // Only the counted values set the range: excluded null points and values that are not
    // finite numbers would stretch it (or make it meaningless).
    double minimum = 0;
    double maximum = 0;
    bool any = false;
    for (int i = 0; i < count; ++i) {
        if (!counted(i)) continue;
        const double v = values[i];
        if (!any) {
            minimum = maximum = v;
            any = true;
        } else if (v < minimum) {
            minimum = v;
        } else if (v > maximum) {
            maximum = v;
        }
    }
    if (!any) return bins;
    if (minimum == maximum) {
        minimum = minimum - numBins / 2 - 0.5;
        maximum = maximum + (numBins + 1) / 2 + 0.5;
    }
    // Spans near the largest double are measured in halves, and positions are then scaled after
    // the division; a scale of 1 and the usual order change nothing for every other span.
    const double scale = std::isfinite(maximum - minimum) ? 1.0 : 0.5;
    const double low = minimum * scale;
    const double span = maximum * scale - low;
    const bool divideLast = std::isfinite(span * numBins);
    std::vector<long long> counts(static_cast<std::size_t>(numBins), 0);
    long long overflow = 0;
    for (int i = 0; i < count; ++i) {
        if (!counted(i)) continue;
        const double offset = values[i] * scale - low;
        const double position = divideLast ? offset * numBins / span : offset / span * numBins;
        const double index = style == hdsRound ? std::nearbyint(position) : std::trunc(position);
        if (index >= numBins)
            ++overflow;
        else if (index >= 0)
            ++counts[static_cast<std::size_t>(index)];
    }
    counts.back() += overflow;
    if (cumulative)
        for (std::size_t b = 1; b < counts.size(); ++b) counts[b] += counts[b - 1];
    const double width = span / numBins;
    bins.Centres.resize(counts.size());
    bins.Counts.resize(counts.size());
    for (std::size_t b = 0; b < counts.size(); ++b) {
        bins.Centres[b] = (low + (static_cast<double>(b) + 0.5) * width) / scale;
        bins.Counts[b] = static_cast<double>(counts[b]);
    }
    return bins;
}

}  // namespace

void THistogramFunction::CalculateFromSources(TChartSeries* source)
{
    TChartSeries* output = OutputSeries();
    if (RecalcSuspended || !source || !output || source->PointCount() == 0) return;
    output->ClearPoints();
    const TChartValueList* list = source->MandatoryList();
    const int count = std::min(source->PointCount(), list->Count());
    const THistogramBins bins =
        CountInBins(list->Values(), count, source->PointColors(), IncludeNulls(), numBins_, dataStyle_, cumulative_);
    // The centres go to the secondary list and the counts to the mandatory one, as whole arrays.
    if (output->YMandatory())
        output->AddXYArrays(bins.Centres, bins.Counts);
    else
        output->AddXYArrays(bins.Counts, bins.Centres);
}

void THistogramFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TDuvFunction::SetUpInGallery(chart);
    MoveOutputToRightAxis();
}

std::string DuvMsgFunctionHistogram = "Histogram";

void DuvHistogramInitialization()
{
    RegisterClassForStreaming(THistogramFunction::StaticClass());
    RegisterFunctionType(&THistogramFunction::StaticClass(), &DuvMsgFunctionHistogram, &DuvMsgGalleryExtended, 1);
}

void DuvHistogramFinalization() { UnregisterFunctionClasses({&THistogramFunction::StaticClass()}); }
