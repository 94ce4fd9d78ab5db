#include "chart/series/DuvCumu.h"

#include <algorithm>

#include "chart/engine/ChartRegistry.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/RuRazaziSeries.h"
#include "chart/engine/DuvProcs.h"
#include "platform/core/ScopeGuard.h"

TCumulative::TCumulative(TComponent* owner) : TDuvFunction(owner) { StorePeriod(1); }

void TCumulative::DeclareProperties(TPropertyDeclarer<TCumulative>& p)
{
    using T = TDuvFunction;
    p.Float("Period", &T::Period, &T::SetPeriod);
}

void TCumulative::CalculateFromSources(TChartSeries* source)
{
    calculating_ = true;
    rangeList_ = nullptr;
    manyThrough_ = -1;
    TScopeGuard done([this] {
        calculating_ = false;
        rangeList_ = nullptr;
        manyThrough_ = -1;
    });
    TDuvFunction::CalculateFromSources(source);
}

double TCumulative::CalculateRange(TChartSeries* source, int first, int last)
{
    if (first == -1) return 0;
    const TChartValueList* list = SourceValues(source);
    last = std::min(last, std::min(source->PointCount(), list->Count()) - 1);
    // Periods come in order during a recalculation; anything else counts from the start.
    if (!calculating_ || list != rangeList_ || first != rangeThrough_ + 1) {
        rangeList_ = calculating_ ? list : nullptr;
        rangeThrough_ = -1;
        rangeTotal_ = 0;
    }
    const double* values = list->Values();
    for (int i = rangeThrough_ + 1; i <= last; ++i)
        if (IncludeNulls() || !source->IsNullPoint(i)) rangeTotal_ += values[i];
    rangeThrough_ = std::max(rangeThrough_, last);
    return rangeTotal_;
}

double TCumulative::CalculateManyAtIndex(const std::vector<TChartSeries*>& sources, int valueIndex)
{
    if (!calculating_ || valueIndex != manyThrough_ + 1) {
        manyThrough_ = -1;
        manyTotal_ = 0;
    }
    for (int i = manyThrough_ + 1; i <= valueIndex; ++i)
        for (TChartSeries* source : sources) {
            const TChartValueList* list = SourceValues(source);
            if (i < list->Count() && (IncludeNulls() || !source->IsNullPoint(i))) manyTotal_ += list->GetValueAt(i);
        }
    manyThrough_ = std::max(manyThrough_, valueIndex);
    const double total = manyTotal_;
    if (!calculating_) manyThrough_ = -1;
    return total;
}

void TCumulative::SetUpInGallery(TCustomAxisPanel* chart)
{
    TDuvFunction::SetUpInGallery(chart);
    MoveOutputToRightAxis();
}

std::string DuvMsgFunctionCumulative = "Cumulative";

void DuvCumuInitialization()
{
    RegisterClassForStreaming(TCumulative::StaticClass());
    RegisterFunctionType(&TCumulative::StaticClass(), &DuvMsgFunctionCumulative, &DuvMsgGalleryExtended, 2);
}

void DuvCumuFinalization() { UnregisterFunctionClasses({&TCumulative::StaticClass()}); }
