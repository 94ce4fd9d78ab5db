#include "chart/series/DuvCount.h"

#include "chart/engine/ChartRegistry.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/RuRazaziSeries.h"
#include "chart/engine/DuvProcs.h"

double TCountDuvFunction::CalculateRange(TChartSeries* source, int first, int last)
{
    if (first == -1) return SourceValues(source)->Count();
    return last - first + 1;
}

double TCountDuvFunction::CalculateManyAtIndex(const std::vector<TChartSeries*>& sources, int valueIndex)
{
    int count = 0;
    for (TChartSeries* source : sources)
        if (SourceValues(source)->Count() > valueIndex) ++count;
    return count;
}

void TCountDuvFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TDuvFunction::SetUpInGallery(chart);
    MoveOutputToRightAxis();
}

std::string DuvMsgFunctionCount = "Count";

void DuvCountInitialization()
{
    RegisterClassForStreaming(TCountDuvFunction::StaticClass());
    RegisterDefaultPageFunction(&TCountDuvFunction::StaticClass(), &DuvMsgFunctionCount);
}

void DuvCountFinalization() { UnregisterFunctionClasses({&TCountDuvFunction::StaticClass()}); }
