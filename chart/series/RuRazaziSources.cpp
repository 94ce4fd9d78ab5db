// Data sources of a series, the links to its dependents, refilling and the function link.
#include <algorithm>

#include "chart/graphics/DuvConst.h"
#include "chart/series/RuRazaziFunction.h"
#include "chart/series/RuRazaziSeries.h"
#include "chart/engine/RuRazaziAxis.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Filer.h"
#include "platform/core/ScopeGuard.h"

// ---------------------------------------------------------------- TDataSourcesList

int TDataSourcesList::IndexOf(const TComponent* component) const
{
    auto it = std::find(items_.begin(), items_.end(), component);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

int TDataSourcesList::AddSource(TComponent* component) { return Series->AddDataSource(component, false); }

void TDataSourcesList::Clear()
{
    Series->UnlinkFromSources();
    {
        Series->clearingSources_ = true;
        TScopeGuard done([this] { Series->clearingSources_ = false; });
        while (!items_.empty()) {
            TComponent* last = items_.back();
            items_.pop_back();
            Series->RemoveDataSource(last);
        }
    }
    if (!Series->DataLoaded) Series->ClearPoints();
}

// ---------------------------------------------------------------- sources of a series

TDataSourcesList& TChartSeries::GetDataSources()
{
    if (!dataSources_) dataSources_ = std::make_unique<TDataSourcesList>(this);
    return *dataSources_;
}

void TChartSeries::SetDataSource(TComponent* value)
{
    if (value)
        AddDataSource(value, true);
    else if (TComponent* current = DataSource())
        RemoveDataSource(current);
}

bool TChartSeries::CanUseAsSource(const TComponent* component) const
{
    auto* series = dynamic_cast<const TChartSeries*>(component);
    return series && series != this && FunctionAcceptsSource(series);
}

bool TChartSeries::FunctionAcceptsSource(const TChartSeries* source) const
{
    return !function_ || function_->AcceptsSource(source);
}

int TChartSeries::AddDataSource(TComponent* component, bool clearFirst)
{
    if (!component) return -1;
    if (TCustomAxisPanel* chart = ParentChart()) {
        if (!chart->IsValidDataSource(this, component)) {
            std::string text = DuvMsgInvalidDataSource;
            const std::string name = component->Name().empty() ? component->ClassName() : component->Name();
            if (const std::size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, name);
            throw ChartException(text);
        }
    } else if (!CanUseAsSource(component)) {
        throw ChartException(DuvMsgNoParentChart);
    }
    if (dataSources_ && dataSources_->IndexOf(component) >= 0) return -1;
    if (dynamic_cast<TChartSeries*>(component) && ParentChart()) CheckSourceCycle(component);
    if (clearFirst && !HasState(csReading) && dataSources_) dataSources_->Clear();
    const int index = AddDataSourceRaw(component);
    RefreshFromSources();
    return index;
}

void TChartSeries::CheckSourceCycle(TComponent* component)
{
    CheckCircularSource(this, dynamic_cast<TChartSeries*>(component));
}

int TChartSeries::AddDataSourceRaw(TComponent* component)
{
    if (!component) return -1;
    TDataSourcesList& list = GetDataSources();
    list.items_.push_back(component);
    const int index = list.Count() - 1;
    DataLoaded = false;
    // A source series that goes must leave this list even while this series is off its chart
    // and so not among the source's dependents.
    FreeNotification(component);
    if (auto* series = dynamic_cast<TChartSeries*>(component)) {
        series->AddLinkedSeries(this);
        return index;
    }
    if (auto* source = dynamic_cast<TDuvSeriesSource*>(component); source && source->Series() != this) {
        const bool wasActive = source->Active();
        source->Close();
        TCustomChartSeries* previous = source->Series();
        if (previous && source->Owner() == previous) InsertComponent(source);
        // Taking the source over quietly: the previous series keeps its list as it is.
        if (previous) previous->RemoveFreeNotification(source);
        source->SetSeries(nullptr);
        source->SetSeries(this);
        if (wasActive) source->Open();
    }
    return index;
}

void TChartSeries::RemoveDataSource(TComponent* component)
{
    if (!component) return;
    if (HasState(csDestroying)) {
        if (dataSources_) std::erase(dataSources_->items_, component);
        return;
    }
    if (auto* series = dynamic_cast<TChartSeries*>(component)) series->RemoveLinkedSeries(this);
    RemoveFreeNotification(component);
    if (clearingSources_) return;
    const bool wasFirst = DataSource() == component;
    if (ParentChart() && DataSource()) ParentChart()->RemovedDataSource(this, component);
    if (dataSources_) std::erase(dataSources_->items_, component);
    if (wasFirst && dataSources_) dataSources_->Clear();
    RefreshFromSources();
}

void TChartSeries::UnlinkFromSources()
{
    if (!dataSources_) return;
    for (TComponent* source : dataSources_->items_)
        if (auto* series = dynamic_cast<TChartSeries*>(source)) series->RemoveLinkedSeries(this);
}

void TChartSeries::RemoveSourceFrom(TChartSeries* dependent, TComponent* source)
{
    if (!dependent || !dependent->dataSources_ || dependent->dataSources_->IndexOf(source) < 0) return;
    std::erase(dependent->dataSources_->items_, source);
    dependent->RemoveDataSource(source);
}

// ---------------------------------------------------------------- refilling

void TChartSeries::RefreshFromSources()
{
    if (SuspendCount > 0 || !ParentChart()) return;
    ParentChart()->RefreshSeriesData(this);
}

void TChartSeries::ClearPointsForRefill()
{
    refilling_ = true;
    TScopeGuard done([this] { refilling_ = false; });
    ClearPoints();
}

void TChartSeries::RefreshWithoutSources()
{
    if (!function_ || !function_->NeedsNoSource) return;
    SuspendUpdates();
    TScopeGuard resume([this] { ResumeUpdates(); });
    ClearPointsForRefill();
    function_->CalculateFromSources(nullptr);
}

void TChartSeries::LoadFromSourceSeries(TCustomChartSeries* source)
{
    auto* sourceSeries = dynamic_cast<TChartSeries*>(source);
    if (!sourceSeries) return;
    SuspendUpdates();
    TScopeGuard resume([this] { ResumeUpdates(); });
    ClearPointsForRefill();
    if (function_) {
        xValues_->SetDateTime(sourceSeries->XValues()->DateTime());
        yValues_->SetDateTime(sourceSeries->YValues()->DateTime());
        function_->CalculateFromSources(sourceSeries);
    } else if (AcceptsSourceSeries(sourceSeries)) {
        for (int i = 0; i < sourceSeries->PointCount(); ++i) CopyPointFromSeries(sourceSeries, i);
    }
}

void TChartSeries::SetColorSource(const std::string& value)
{
    if (value == colorSource_) return;
    colorSource_ = value;
    RefreshFromSources();
}

void TChartSeries::SetXLabelsSource(const std::string& value)
{
    if (value == xLabelsSource_) return;
    xLabelsSource_ = value;
    RefreshFromSources();
}

// ---------------------------------------------------------------- function link

void TChartSeries::SetFunction(TDuvFunction* value)
{
    if (value == function_) return;
    if (TDuvFunction* former = function_) {
        function_ = nullptr;
        RemoveFreeNotification(former);
        former->outputSeries_ = nullptr;
        FreeComponent(former);
    }
    function_ = value;
    if (value) {
        if (value->outputSeries_ && value->outputSeries_ != this) {
            value->outputSeries_->RemoveFreeNotification(value);
            value->outputSeries_->function_ = nullptr;
        }
        value->outputSeries_ = this;
        DataLoaded = false;
        FreeNotification(value);
    }
    RefreshFromSources();
}

void TChartSeries::GetChildren(const TGetChildProc& proc, TComponent* root)
{
    TCustomChartSeries::GetChildren(proc, root);
    if (function_) proc(function_);
}

void TChartSeries::Notification(TComponent* component, TOperation operation)
{
    if (operation == TOperation::opRemove) {
        if (component == function_) {
            function_ = nullptr;
        } else if (dataSources_ && dataSources_->IndexOf(component) >= 0) {
            // A source is going, possibly in its destructor: a function that cannot compute from
            // the sources left leaves this series empty rather than throw out of it.
            try {
                RemoveDataSource(component);
            } catch (const Exception&) {
                ClearPoints();
            }
            // The list never keeps a freed component.
            if (dataSources_) std::erase(dataSources_->items_, component);
        } else if (visuals_ && component == visuals_->Template()) {
            visuals_->SetTemplate(nullptr);
        }
    }
    TCustomChartSeries::Notification(component, operation);
}

// ---------------------------------------------------------------- stored names

void TChartSeries::DefineProperties(TFiler& filer)
{
    TCustomChartSeries::DefineProperties(filer);
    filer.DefineStringListProperty(
        "DataSources", [this](const std::vector<std::string>& names) { ReadDataSources(names); },
        [this] {
            std::vector<std::string> names;
            for (TComponent* source : dataSources_->items_) names.push_back(source->Name());
            return names;
        },
        DataSourceCount() > 1);
    DefineCustomAxis(filer, "CustomHorizAxis", customHorizAxis_, &TChartSeries::SetCustomHorizAxis);
    DefineCustomAxis(filer, "CustomVertAxis", customVertAxis_, &TChartSeries::SetCustomVertAxis);
    DefineDataProperty(filer);
}

void TChartSeries::DefineCustomAxis(TFiler& filer, const std::string& name, TChartAxis* axis,
                                    void (TChartSeries::*setAxis)(TChartAxis*))
{
    // A custom axis is stored as its place among the chart's custom axes.
    const TChartCustomAxes* axes = ParentChart() ? ParentChart()->CustomAxes() : nullptr;
    int index = -1;
    if (axes && axis)
        for (int i = 0; i < axes->Count(); ++i)
            if (axes->GetAxis(i) == axis) index = i;
    filer.DefineProperty(
        name,
        [this, name, setAxis](TReader& reader) {
            const std::int64_t stored = reader.ReadInteger();
            const TChartCustomAxes* custom = ParentChart() ? ParentChart()->CustomAxes() : nullptr;
            const int count = custom ? custom->Count() : 0;
            if (stored < 0 || stored >= count)
                throw EReadError("Invalid " + name + " " + std::to_string(stored) + ": the chart has " +
                                 std::to_string(count) + " custom axes");
            (this->*setAxis)(custom->GetAxis(static_cast<int>(stored)));
        },
        [index](TWriter& writer) { writer.WriteInteger(index); }, index >= 0);
}

void TChartSeries::ReadDataSources(const std::vector<std::string>& names)
{
    pendingSourceNames_ = std::make_unique<std::vector<std::string>>(names);
}

void TChartSeries::Loaded()
{
    TCustomChartSeries::Loaded();
    ResolvePendingSources();
    RefreshFromSources();
}

void TChartSeries::ResolvePendingSources()
{
    if (!pendingSourceNames_) return;
    const std::unique_ptr<std::vector<std::string>> names = std::move(pendingSourceNames_);
    if (names->empty()) return;
    if (dataSources_) dataSources_->Clear();
    TComponent* owner = Owner();
    for (const std::string& name : *names) {
        TComponent* component = owner ? owner->FindComponent(name) : nullptr;
        if (!component) continue;
        // Stored names are outside input: a loop among them fails the read like any other.
        if (component == this) throw ChartException(DuvMsgCircularSeries);
        if (auto* series = dynamic_cast<TChartSeries*>(component)) CheckCircularSource(this, series);
        AddDataSourceRaw(component);
    }
}
