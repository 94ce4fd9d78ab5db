#include "chart/series/ChartSeriesCopy.h"

#include <algorithm>
#include <memory>

#include <QPainter>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/series/RuRazaziFunction.h"
#include "platform/core/ScopeGuard.h"

std::string NextSeriesName(const TComponent* owner) { return NextFreeComponentName(owner, "Series"); }

namespace {

bool ChartOwnsASeries(const TCustomAxisPanel* chart)
{
    for (int i = 0; i < chart->CountSeries(); ++i)
        if (chart->GetSeries(i)->Owner() == chart) return true;
    return false;
}

template <class T>
T* Construct(const TClassInfo& info, TComponent* owner)
{
    TPersistent* made = info.Create(owner);
    auto* result = dynamic_cast<T*>(made);
    if (!result) {
        delete made;
        throw EConvertError("Class " + info.Name() + " cannot be used here");
    }
    return result;
}

}  // namespace

TChartSeries* CreateChartSeries(TComponent* owner, TCustomAxisPanel* chart, const TClassInfo& seriesClass,
                                const TClassInfo* functionClass)
{
    TComponent* seriesOwner = owner ? owner : chart;
    if (chart && ChartOwnsASeries(chart)) seriesOwner = chart;
    auto* series = Construct<TChartSeries>(seriesClass, seriesOwner);
    series->SetName(NextSeriesName(seriesOwner));
    series->SetParentChart(chart);
    if (functionClass) AttachNewFunction(series, *functionClass);
    return series;
}

TDuvFunction* AttachNewFunction(TChartSeries* series, const TClassInfo& functionClass)
{
    auto* function = Construct<TDuvFunction>(functionClass, series->Owner());
    series->SetFunction(function);
    function->SetName(NextFreeComponentName(series->Owner(), "DuvFunction"));
    return function;
}

TChartSeries* DuplicateSeriesInto(TChartSeries* series, TComponent* owner, TCustomAxisPanel* chart)
{
    const TClassInfo* functionClass = series->Function() ? &series->Function()->ClassType() : nullptr;
    TChartSeries* copy = CreateChartSeries(owner, chart, series->ClassType(), functionClass);
    copy->Assign(series);
    return copy;
}

TChartSeries* DuplicateSeriesInChart(TChartSeries* series, TCustomAxisPanel* chart)
{
    return DuplicateSeriesInto(series, series->Owner(), chart);
}

TChartSeries* DuplicateSeries(TChartSeries* series) { return DuplicateSeriesInChart(series, series->ParentChart()); }

TDuvCustomTool* DuplicateTool(TDuvCustomTool* tool, TComponent* owner)
{
    auto* copy = Construct<TDuvCustomTool>(tool->ClassType(), owner);
    copy->SetName(NextFreeComponentName(owner, "ChartTool"));
    copy->Assign(tool);
    return copy;
}

void CloneChartContents(TCustomAxisPanel* destination, TCustomAxisPanel* source, TComponent* owner, bool keepData)
{
    destination->RemoveAndFreeSeries(nullptr);
    destination->Tools()->Clear();
    destination->Assign(source);
    std::vector<TChartSeries*> originals, copies;
    for (int i = 0; i < source->CountSeries(); ++i) {
        auto* original = dynamic_cast<TChartSeries*>(source->GetSeries(i));
        if (!original) continue;
        // Marked as holding its own points, the original hands them to the copy.
        const bool loaded = original->DataLoaded;
        if (keepData) original->DataLoaded = true;
        TScopeGuard restore([original, loaded] { original->DataLoaded = loaded; });
        originals.push_back(original);
        copies.push_back(DuplicateSeriesInto(original, owner, destination));
    }
    // Copies of computed series take the copies of their sources.
    for (std::size_t i = 0; i < originals.size(); ++i) {
        TChartSeries* original = originals[i];
        if (original->DataSourceCount() == 0) continue;
        TChartSeries* copy = copies[i];
        copy->GetDataSources().Clear();
        for (int s = 0; s < original->DataSourceCount(); ++s) {
            TComponent* sourceOfOriginal = original->DataSource(s);
            const auto at = std::find(originals.begin(), originals.end(), sourceOfOriginal);
            copy->AddDataSource(at == originals.end() ? sourceOfOriginal : copies[static_cast<std::size_t>(at - originals.begin())], false);
        }
    }
    // Copied tools point at the copies of their series and at the copy's axes.
    for (int i = 0; i < source->Tools()->Count(); ++i) {
        TDuvCustomTool* original = source->Tools()->GetTool(i);
        TDuvCustomTool* tool = DuplicateTool(original, owner);
        tool->SetParentChart(destination);
        if (auto* seriesTool = dynamic_cast<TDuvCustomToolSeries*>(tool)) {
            const auto at = std::find(originals.begin(), originals.end(), seriesTool->Series());
            if (at != originals.end()) seriesTool->SetSeries(copies[static_cast<std::size_t>(at - originals.begin())]);
        }
        auto* axisTool = dynamic_cast<TDuvCustomToolAxis*>(tool);
        if (axisTool && axisTool->Axis() && axisTool->Axis()->ParentChart() == source) {
            const int index = source->AxesList().IndexOf(axisTool->Axis());
            TChartAxes& copyAxes = destination->AxesList();
            axisTool->StoreAxis(index >= 0 && index < copyAxes.Count() ? copyAxes.GetAxis(index) : nullptr);
        }
    }
}

void ReplaceSeries(TChartSeries* oldSeries, TChartSeries* newSeries)
{
    if (oldSeries == newSeries) return;
    newSeries->Assign(oldSeries);
    newSeries->AfterDrawValues = oldSeries->AfterDrawValues;
    newSeries->BeforeDrawValues = oldSeries->BeforeDrawValues;
    newSeries->OnAfterAdd = oldSeries->OnAfterAdd;
    newSeries->OnBeforeAdd = oldSeries->OnBeforeAdd;
    newSeries->OnClearValues = oldSeries->OnClearValues;
    newSeries->OnClick = oldSeries->OnClick;
    newSeries->OnDblClick = oldSeries->OnDblClick;
    newSeries->OnGetMarkText = oldSeries->OnGetMarkText;

    // Dependents take the new series in the old one's place among their sources.
    const std::vector<TCustomChartSeries*> dependents = oldSeries->GetLinkedSeries();
    for (TCustomChartSeries* linked : dependents) {
        auto* dependent = dynamic_cast<TChartSeries*>(linked);
        if (!dependent) continue;
        // Dropping a first source drops them all, so the list is rebuilt in its order.
        std::vector<TComponent*> sources;
        for (int i = 0; i < dependent->DataSourceCount(); ++i) {
            TComponent* entry = dependent->DataSource(i) == oldSeries ? newSeries : dependent->DataSource(i);
            if (std::find(sources.begin(), sources.end(), entry) == sources.end()) sources.push_back(entry);
        }
        dependent->GetDataSources().Clear();
        for (TComponent* entry : sources) dependent->AddDataSource(entry, false);
    }
    TCustomAxisPanel* chart = oldSeries->ParentChart();
    if (chart) {
        for (int i = 0; i < chart->Tools()->Count(); ++i)
            if (auto* tool = dynamic_cast<TDuvCustomToolSeries*>(chart->Tools()->GetTool(i)); tool && tool->Series() == oldSeries)
                tool->SetSeries(newSeries);
        if (newSeries->ParentChart() == chart) chart->SwapSeriesPlaces(oldSeries, newSeries);
    }
    const std::string name = oldSeries->Name();
    FreeComponent(oldSeries);
    newSeries->SetName(name);
    if (chart) chart->NotifySeriesEvent(newSeries, TSeriesEventKind::TitleChanged);
    newSeries->RefreshFromSources();
    if (newSeries->DataLoaded) newSeries->NotifyDataChanged();
}

TChartSeries* ConvertSeriesClass(TChartSeries*& series, const TClassInfo& newClass)
{
    if (&series->ClassType() == &newClass) return series;
    TChartSeries* replacement = CreateChartSeries(series->Owner(), series->ParentChart(), newClass);
    ReplaceSeries(series, replacement);
    series = replacement;
    return series;
}

void PaintSeriesSymbol(TChartSeries* series, QPainter* device, const TRect& rect)
{
    TComponentPtr<TChart> temporary;
    TCustomAxisPanel* chart = series->ParentChart();
    if (!chart) {
        temporary = MakeComponent<TChart>(nullptr);
        chart = temporary.get();
        series->SetParentChart(chart);
    }
    TScopeGuard detach([&] {
        if (temporary) series->SetParentChart(nullptr);
    });
    if (auto* full = dynamic_cast<TCustomChart*>(chart)) {
        device->setBrush(ToQColor(full->Legend()->Color()));
        full->Legend()->ApplySymbolPen();
    }
    TCanvas3D& canvas = chart->Canvas();
    QPainter* previous = canvas.ReferenceCanvas();
    canvas.SetCanvas(device);
    ++canvas.NoRotationCount;
    TScopeGuard restore([&canvas, previous] {
        --canvas.NoRotationCount;
        canvas.SetCanvas(previous);
    });
    series->DrawLegendItemSymbol(-1, rect);
}
