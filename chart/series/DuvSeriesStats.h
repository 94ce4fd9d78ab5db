#pragma once
// A series tool that reports descriptive statistics of its series as lines of text and keeps
// track of the function series its editor attaches to that series. It draws nothing.
#include <string>

#include "chart/engine/RuRazaziLists.h"

class TDuvFunction;
class TStringList;

class TSeriesStatsTool : public TDuvCustomToolSeries {
    QB_CLASS(TSeriesStatsTool, TDuvCustomToolSeries)
public:
    explicit TSeriesStatsTool(TComponent* owner = nullptr) : TDuvCustomToolSeries(owner) {}

    std::string GetEditorClassName() const override { return "TSeriesStatsEditor"; }
    std::string GetDescription() const override { return "Statistics"; }
    std::string GetSummary() const override { return "Reports statistical information about Series data."; }

    // Appends the report on Series (nothing without one); lines is not cleared first.
    void FillStatistics(TStringList& lines) const;
    // The function of functionClass (or a descendant) of the first chart series fed by Series.
    TDuvFunction* FindFunctionOfClass(const TClassInfo& functionClass) const;
    // Frees every chart series whose function is fed by Series.
    void FreeFunctionSeries();
};

void DuvSeriesStatsInitialization();
void DuvSeriesStatsFinalization();
