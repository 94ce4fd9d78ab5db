#pragma once
// The base of the calculation functions, as far as a series needs it: a function belongs to one
// output series, which frees it, streams it as its child and asks it whether a source is
// acceptable and to recalculate. The calculations themselves live in the function units.
#include "platform/core/Component.h"

class TChartSeries;

class TDuvFunction : public TComponent {
    QB_CLASS(TDuvFunction, TComponent)
public:
    explicit TDuvFunction(TComponent* owner);
    ~TDuvFunction() override;

    TChartSeries* OutputSeries() const { return outputSeries_; }
    // Nothing when already attached there; else the former output series forgets this function.
    void AttachToSeries(TChartSeries* series);

    bool RecalcSuspended = false;
    // Set by constructors only; read by the gallery, the editors and the chart's refresh.
    bool PeriodEditable = true;
    bool NeedsNoSource = false;
    bool SingleSourceOnly = false;
    bool HidesValueSource = false;

    // Called whenever the output series' points are cleared.
    virtual void ResetInnerSeries() {}
    virtual bool AcceptsSource(const TChartSeries*) const { return true; }
    // The whole recalculation into the output series; source is none for functions that need none.
    virtual void CalculateFromSources(TChartSeries* source);
    // The output series refills itself from its sources.
    void Recalculate();

    // A function streams as a child of its output series.
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override;

private:
    friend class TChartSeries;
    TChartSeries* outputSeries_ = nullptr;
};

void RuRazaziFunctionInitialization();
