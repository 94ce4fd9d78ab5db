#include "chart/series/RuRazaziFunction.h"

#include "chart/series/RuRazaziSeries.h"
#include "chart/engine/DuvProcs.h"

TDuvFunction::TDuvFunction(TComponent* owner) : TComponent(owner) {}

TDuvFunction::~TDuvFunction()
{
    // The output series hears of it through its free notification and forgets the function.
    outputSeries_ = nullptr;
}

void TDuvFunction::AttachToSeries(TChartSeries* series)
{
    if (series == outputSeries_) return;
    if (TChartSeries* previous = outputSeries_) {
        previous->RemoveFreeNotification(this);
        previous->function_ = nullptr;
        outputSeries_ = nullptr;
    }
    if (series) series->SetFunction(this);
}

void TDuvFunction::CalculateFromSources(TChartSeries*) {}

void TDuvFunction::Recalculate()
{
    if (!RecalcSuspended && outputSeries_) outputSeries_->RefreshFromSources();
}

TComponent* TDuvFunction::GetParentComponent() const { return outputSeries_; }

void TDuvFunction::SetParentComponent(TComponent* parent)
{
    if (auto* series = dynamic_cast<TChartSeries*>(parent)) AttachToSeries(series);
}

void RuRazaziFunctionInitialization() { RegisterClassForStreaming(TDuvFunction::StaticClass()); }
