#include "chart/engine/AxisPanel.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazazi.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/engine/RuRazaziSelect.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/ScopeGuard.h"
#include "platform/ui/Printers.h"

namespace {

// Halves to the even neighbour.
int RoundEven(double x) { return static_cast<int>(std::nearbyint(x)); }

}  // namespace

// ---------------------------------------------------------------- TChartPage

void TChartPage::DeclareProperties(TPropertyDeclarer<TChartPage>& p)
{
    p.Boolean("AutoScale", &TChartPage::AutoScale, &TChartPage::SetAutoScale).Default(false);
    p.Integer("MaxPointsPerPage", &TChartPage::MaxPointsPerPage, &TChartPage::SetMaxPointsPerPage).Default(0);
    p.Boolean("ScaleLastPage", &TChartPage::ScaleLastPage, &TChartPage::SetScaleLastPage).Default(true);
    p.Integer("Current", &TChartPage::Current, &TChartPage::SetCurrent).Default(1);
}

TPersistent* TChartPage::GetOwner() const { return chart_; }

void TChartPage::Repaint() const
{
    if (chart_) chart_->Invalidate();
}

void TChartPage::SetAutoScale(bool value)
{
    if (autoScale_ == value) return;
    autoScale_ = value;
    Repaint();
}

void TChartPage::SetScaleLastPage(bool value)
{
    if (scaleLastPage_ == value) return;
    scaleLastPage_ = value;
    Repaint();
}

int TChartPage::PagesForAxis(TChartAxis* axis) const
{
    int most = 0;
    for (TCustomChartSeries* series : chart_->SeriesList())
        if (series->Active() && chart_->SeriesUsesAxis(series, axis)) most = std::max(most, series->GetPointCount());
    if (most <= 0) return 1;
    return most / maxPointsPerPage_ + (most % maxPointsPerPage_ > 0 ? 1 : 0);
}

int TChartPage::Count() const
{
    if (maxPointsPerPage_ <= 0 || !chart_ || chart_->CountSeries() == 0) return 1;
    if (chart_->GetSeries(0)->YMandatory())
        return std::max(PagesForAxis(chart_->BottomAxis()), PagesForAxis(chart_->TopAxis()));
    return std::max(PagesForAxis(chart_->RightAxis()), PagesForAxis(chart_->LeftAxis()));
}

void TChartPage::SetCurrent(int value)
{
    // While reading, the series are not there yet to count the pages.
    if (!chart_ || chart_->HasState(csLoading)) {
        current_ = std::max(1, value);
        return;
    }
    value = std::max(1, std::min(value, Count()));
    if (value == current_) return;
    current_ = value;
    Repaint();
    chart_->BroadcastEvent<TChartChangePage>();
    if (chart_->OnPageChange) chart_->OnPageChange(this);
}

void TChartPage::SetMaxPointsPerPage(int value)
{
    if (value < 0) throw ChartException("MaxPointsPerPage must be >= 0");
    if (value == maxPointsPerPage_) return;
    maxPointsPerPage_ = value;
    Repaint();
    if (!chart_ || chart_->HasState(csLoading)) return;
    const int count = Count();
    if (current_ > count) current_ = count;
    chart_->BroadcastEvent<TChartChangePage>();
}

void TChartPage::Next()
{
    if (maxPointsPerPage_ > 0 && current_ < Count()) SetCurrent(current_ + 1);
}

void TChartPage::Previous()
{
    if (maxPointsPerPage_ > 0 && current_ > 1) SetCurrent(current_ - 1);
}

void TChartPage::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TChartPage*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    autoScale_ = other->autoScale_;
    current_ = other->current_;
    maxPointsPerPage_ = other->maxPointsPerPage_;
    scaleLastPage_ = other->scaleLastPage_;
}

// ---------------------------------------------------------------- construction

TCustomAxisPanel::TCustomAxisPanel(TComponent* owner)
    : TCustomDuvPanelExtended(owner), seriesList_(std::make_unique<TChartSeriesList>(this)),
      axes_(std::make_unique<TChartAxes>(this)), customAxes_(std::make_unique<TChartCustomAxes>(this))
{
    const bool repaint = AutoRepaint;
    AutoRepaint = false;
    animations_ = std::make_unique<TChartAnimations>(this);
    tools_ = std::make_unique<TChartTools>(this);
    bottomAxis_ = std::make_unique<TChartAxis>(this);
    bottomAxis_->InitOrientation(true, false);
    topAxis_ = std::make_unique<TChartAxis>(this);
    topAxis_->InitOrientation(true, true);
    topAxis_->InitZPosition(100);
    topAxis_->Grid()->InitZPosition(100);
    leftAxis_ = std::make_unique<TChartAxis>(this);
    rightAxis_ = std::make_unique<TChartAxis>(this);
    rightAxis_->InitOrientation(false, true);
    rightAxis_->InitZPosition(100);
    rightAxis_->Grid()->InitZPosition(100);
    depthAxis_ = std::make_unique<TChartDepthAxis>(this);
    depthAxis_->IsDepthAxis = true;
    depthAxis_->InitOrientation(false, true);
    depthTopAxis_ = std::make_unique<TChartDepthAxis>(this);
    depthTopAxis_->IsDepthAxis = true;
    depthTopAxis_->SelectPositionCalculators();
    pages_ = std::make_unique<TChartPage>(this);
    hover_ = std::make_unique<TDuvHover>(this);
    AutoRepaint = repaint;
}

TCustomAxisPanel::~TCustomAxisPanel()
{
    // Series and tools leave while the lists are still here; their owners free them.
    while (seriesList_->Count() > 0) {
        TCustomChartSeries* series = seriesList_->GetLastSeries();
        series->SetParentChart(nullptr);
        // A series whose class keeps it from leaving must not stay listed.
        seriesList_->Remove(series);
    }
    DetachAxisTools();
    for (TChartTools* list : {static_cast<TChartTools*>(animations_.get()), tools_.get()})
        while (list->Count() > 0) {
            TDuvCustomTool* tool = list->GetTool(list->Count() - 1);
            tool->SetParentChart(nullptr);
            list->Remove(tool);
        }
    // Custom axes first: the standard ones and the lists they leave must still be there.
    customAxes_.reset();
    depthTopAxis_.reset();
    depthAxis_.reset();
    rightAxis_.reset();
    leftAxis_.reset();
    topAxis_.reset();
    bottomAxis_.reset();
}

void TCustomAxisPanel::DeclareProperties(TPropertyDeclarer<TCustomAxisPanel>& p)
{
    p.Boolean("AxisBehind", &TCustomAxisPanel::AxisBehind, &TCustomAxisPanel::SetAxisBehind).Default(true);
    p.Boolean("AxisVisible", &TCustomAxisPanel::AxisVisible, &TCustomAxisPanel::SetAxisVisible).Default(true);
    p.Object("BottomAxis", &TCustomAxisPanel::BottomAxis, &TCustomAxisPanel::SetBottomAxis);
    p.Integer("Chart3DPercent", &TCustomAxisPanel::Chart3DPercent, &TCustomAxisPanel::SetChart3DPercent).Default(15);
    p.Boolean("ClipPoints", &TCustomAxisPanel::ClipPoints, &TCustomAxisPanel::SetClipPoints).Default(true);
    p.Collection("CustomAxes", &TCustomAxisPanel::CustomAxes);
    p.Object("DepthAxis", &TCustomAxisPanel::DepthAxis, &TCustomAxisPanel::SetDepthAxis);
    p.Object("DepthTopAxis", &TCustomAxisPanel::DepthTopAxis, &TCustomAxisPanel::SetDepthTopAxis);
    p.Object("Hover", &TCustomAxisPanel::Hover, &TCustomAxisPanel::SetHover);
    p.Object("LeftAxis", &TCustomAxisPanel::LeftAxis, &TCustomAxisPanel::SetLeftAxis);
    p.Object("Pages", &TCustomAxisPanel::Pages, &TCustomAxisPanel::SetPages);
    p.Object("RightAxis", &TCustomAxisPanel::RightAxis, &TCustomAxisPanel::SetRightAxis);
    p.Collection("SeriesGroups", &TCustomAxisPanel::SeriesGroups);
    p.Object("TopAxis", &TCustomAxisPanel::TopAxis, &TCustomAxisPanel::SetTopAxis);
    p.Boolean("View3DWalls", &TCustomAxisPanel::View3DWalls, &TCustomAxisPanel::SetView3DWalls).Default(true);
}

TSeriesGroups* TCustomAxisPanel::SeriesGroups() const { return &seriesList_->Groups(); }

void TCustomAxisPanel::SetChart3DPercent(int value)
{
    if (value < 1 || value > 100)
        throw Exception("3D effect percent must be between " + std::to_string(1) + " and " + std::to_string(100));
    ChangeIntegerAndRepaint(chart3DPercent_, value);
}

void TCustomAxisPanel::SetBottomAxis(const TChartAxis* value) { bottomAxis_->Assign(value); }
void TCustomAxisPanel::SetTopAxis(const TChartAxis* value) { topAxis_->Assign(value); }
void TCustomAxisPanel::SetLeftAxis(const TChartAxis* value) { leftAxis_->Assign(value); }
void TCustomAxisPanel::SetRightAxis(const TChartAxis* value) { rightAxis_->Assign(value); }
void TCustomAxisPanel::SetDepthAxis(const TChartAxis* value) { depthAxis_->Assign(value); }
void TCustomAxisPanel::SetDepthTopAxis(const TChartAxis* value) { depthTopAxis_->Assign(value); }
void TCustomAxisPanel::SetHover(const TDuvHover* value) { hover_->Assign(value); }
void TCustomAxisPanel::SetPages(const TChartPage* value) { pages_->Assign(value); }

// ---------------------------------------------------------------- series list

void TCustomAxisPanel::ApplyStyleChart(TCustomChartSeries* series)
{
    auto* style = dynamic_cast<TCustomAxisPanel*>(StyleTemplate.get());
    if (!style || style == this) return;
    if (style->CountSeries() == 0) return;
    TCustomChartSeries* model = style->GetSeries(0);
    for (TCustomChartSeries* candidate : style->SeriesList())
        if (candidate->SameClassFamily(*series)) {
            model = candidate;
            break;
        }
    series->AssignFormat(model);
}

void TCustomAxisPanel::ApplyStyleChart()
{
    for (TCustomChartSeries* series : SeriesList()) ApplyStyleChart(series);
}

void TCustomAxisPanel::LinkSeries(TCustomChartSeries* series)
{
    if (!series || seriesList_->IndexOf(series) >= 0) return;
    if (series->ParentChart() != this) {
        // Joining through the series comes back here with its parent set.
        series->SetParentChart(this);
        return;
    }
    ApplyStyleChart(series);
    series->AddedToChart();
    seriesList_->Add(series);
    NotifySeriesEvent(series, TSeriesEventKind::Added);
    if (OnAddSeries) OnAddSeries(series);
    Invalidate();
}

void TCustomAxisPanel::UnlinkSeries(TCustomChartSeries* series)
{
    const int index = seriesList_->IndexOf(series);
    if (index < 0) return;
    NotifySeriesEvent(series, TSeriesEventKind::Removing);
    series->RemovedFromChart();
    seriesList_->Delete(seriesList_->IndexOf(series));
    // Groups never keep a series that left.
    for (int i = 0; i < SeriesGroups()->Count(); ++i) SeriesGroups()->GetGroup(i)->Series().Remove(series);
    if (OnRemoveSeries) OnRemoveSeries(series);
    NotifySeriesEvent(series, TSeriesEventKind::Removed);
    Invalidate();
}

TCustomChartSeries* TCustomAxisPanel::AttachSeries(TCustomChartSeries* series)
{
    if (series) series->SetParentChart(this);
    return series;
}

TCustomChartSeries* TCustomAxisPanel::NewSeriesOfClass(const TClassInfo& seriesClass)
{
    if (!seriesClass.InheritsFrom(TCustomChartSeries::StaticClass()))
        throw EComponentError("Class " + seriesClass.Name() + " is not a series class");
    auto* series = static_cast<TCustomChartSeries*>(seriesClass.Create(GetSeriesOwner()));
    return AttachSeries(series);
}

void TCustomAxisPanel::RemoveAndFreeSeries(const TClassInfo* seriesClass)
{
    for (int i = seriesList_->Count() - 1; i >= 0; --i) {
        if (i >= seriesList_->Count()) continue;
        TCustomChartSeries* series = seriesList_->GetSeries(i);
        if (seriesClass && !series->ClassType().InheritsFrom(*seriesClass)) continue;
        series->SetParentChart(nullptr);
        FreeComponent(series);
    }
}

void TCustomAxisPanel::ExchangeSeries(int a, int b)
{
    TCustomChartSeries* first = seriesList_->GetSeries(a);
    TCustomChartSeries* second = seriesList_->GetSeries(b);
    seriesList_->PutSeries(a, second);
    seriesList_->PutSeries(b, first);
    if (first->Owner() && first->Owner() == second->Owner()) {
        const int i = first->ComponentIndex(), j = second->ComponentIndex();
        first->SetComponentIndex(j);
        second->SetComponentIndex(i);
    }
    const int group = SeriesGroups()->GroupOfSeries(first);
    if (group >= 0) {
        TCustomSeriesList& list = SeriesGroups()->GetGroup(group)->Series();
        const int i = list.IndexOf(first), j = list.IndexOf(second);
        if (j >= 0) {
            list.PutSeries(i, second);
            list.PutSeries(j, first);
        }
    }
    NotifySeriesEvent(nullptr, TSeriesEventKind::OrderChanged);
    Invalidate();
}

void TCustomAxisPanel::SwapSeriesPlaces(TCustomChartSeries* a, TCustomChartSeries* b)
{
    TCustomAxisPanel* chartA = a->ParentChart();
    TCustomAxisPanel* chartB = b->ParentChart();
    if (chartA && chartA == chartB) {
        chartA->ExchangeSeries(chartA->seriesList_->IndexOf(a), chartA->seriesList_->IndexOf(b));
        return;
    }
    a->SetParentChart(chartB);
    b->SetParentChart(chartA);
}

TCustomChartSeries* TCustomAxisPanel::GetSeries(int index) const { return seriesList_->GetSeries(index); }

int TCustomAxisPanel::CountSeries() const { return seriesList_->Count(); }

int TCustomAxisPanel::CountActiveSeries() const
{
    return static_cast<int>(std::count_if(seriesList_->begin(), seriesList_->end(),
                                          [](const TCustomChartSeries* s) { return s->Active(); }));
}

int TCustomAxisPanel::LargestPointCount() const
{
    int most = 0;
    for (TCustomChartSeries* series : *seriesList_)
        if (series->Active()) most = std::max(most, series->GetPointCount());
    return most;
}

void TCustomAxisPanel::NotifySeriesEvent(TCustomChartSeries* series, TSeriesEventKind kind)
{
    if (SeriesEventsLocked || Listeners().Count() == 0) return;
    TDuvSeriesEvent event(kind, series);
    DispatchEvent(event);
}

void TCustomAxisPanel::ResolveDefaultColors()
{
    for (TCustomChartSeries* series : *seriesList_)
        if (series->GetSeriesColor() == clDefault) series->SetAutoColor(FirstUnusedColor(true, series));
}

TColor TCustomAxisPanel::ColorFromPalette(int index) const
{
    if (CustomPalette.empty()) return DefaultPaletteColor(index);
    const int size = static_cast<int>(CustomPalette.size());
    return CustomPalette[static_cast<std::size_t>(((index % size) + size) % size)];
}

TColor TCustomAxisPanel::FirstUnusedColor(bool checkBack, TCustomChartSeries* series)
{
    const int size = CustomPalette.empty() ? static_cast<int>(DefaultColorPalette.size())
                                           : static_cast<int>(CustomPalette.size());
    // Every entry, the last one too.
    for (int i = 0; i < size; ++i) {
        const TColor color = ColorFromPalette(i);
        if (IsFreeSeriesColor(color, checkBack, series)) return color;
    }
    return ColorFromPalette(CountSeries());
}

// ---------------------------------------------------------------- data sources

void TCustomAxisPanel::RefreshSeriesData(TCustomChartSeries* series)
{
    if (!series || series->HasState(csLoading)) return;
    TComponent* source = series->GetDataSource();
    if (auto* sourceSeries = dynamic_cast<TCustomChartSeries*>(source)) {
        series->LoadFromSourceSeries(sourceSeries);
    } else if (auto* seriesSource = dynamic_cast<TDuvSeriesSource*>(source)) {
        seriesSource->RefreshIfActive();
    } else if (!source) {
        // Series whose function needs no source recalculate; the base has none.
        series->RefreshWithoutSources();
        if (series->InDesignMode() && series->GetPointCount() == 0) series->FillSampleValues(series->DefaultSampleCount());
    }
}

bool TCustomAxisPanel::IsValidDataSource(TCustomChartSeries* series, TComponent* component)
{
    bool valid = false;
    if (auto* source = dynamic_cast<TDuvSeriesSource*>(component))
        valid = source->AcceptsChart(this);
    else if (series)
        valid = series->CanUseAsSource(component);
    if (valid && OnValidDataSource) OnValidDataSource(this, series, component, valid);
    return valid;
}

void TCustomAxisPanel::RemovedDataSource(TCustomChartSeries* series, TComponent* component)
{
    auto* source = dynamic_cast<TDuvSeriesSource*>(component);
    if (source && series && series->GetDataSource() == component) source->SetSeries(nullptr);
}

void CheckCircularSource(TComponent* component, TCustomChartSeries* series)
{
    // A chain longer than any real one means a loop not through the component.
    std::vector<const TCustomChartSeries*> seen;
    std::vector<TCustomChartSeries*> pending{series};
    while (!pending.empty()) {
        TCustomChartSeries* current = pending.back();
        pending.pop_back();
        if (!current || std::find(seen.begin(), seen.end(), current) != seen.end()) continue;
        seen.push_back(current);
        for (int i = 0; i < current->DataSourceCount(); ++i) {
            TComponent* source = current->DataSource(i);
            if (source == component) throw ChartException("Circular Series dependences are not allowed");
            if (auto* sourceSeries = dynamic_cast<TCustomChartSeries*>(source)) pending.push_back(sourceSeries);
        }
    }
}

// ---------------------------------------------------------------- axes

TChartAxis* TCustomAxisPanel::SeriesAxis(const TCustomChartSeries* series, bool horizontal) const
{
    if (horizontal) {
        if (TChartAxis* axis = series->HorizAxisObject()) return axis;
        switch (series->HorizAxis()) {
        case aTopAxis: return TopAxis();
        case aCustomHorizAxis: return series->CustomHorizAxis() ? series->CustomHorizAxis() : BottomAxis();
        default: return BottomAxis();
        }
    }
    if (TChartAxis* axis = series->VertAxisObject()) return axis;
    switch (series->VertAxis()) {
    case aRightAxis: return RightAxis();
    case aCustomVertAxis: return series->CustomVertAxis() ? series->CustomVertAxis() : LeftAxis();
    default: return LeftAxis();
    }
}

bool TCustomAxisPanel::SeriesUsesAxis(const TCustomChartSeries* series, const TChartAxis* axis) const
{
    if (!series->UsesAxes() || !axis) return false;
    if (axis->IsDepthAxis) return true;
    if (series->UsesAxis(axis)) return true;
    if (axis == SeriesAxis(series, true) || axis == SeriesAxis(series, false)) return true;
    return (series->HorizAxis() == aBothHorizAxis && (axis == BottomAxis() || axis == TopAxis())) ||
           (series->VertAxis() == aBothVertAxis && (axis == LeftAxis() || axis == RightAxis()));
}

bool TCustomAxisPanel::ActiveSeriesUseAxis(const TChartAxis* axis, bool defaultValue) const
{
    bool anyActive = false;
    for (TCustomChartSeries* series : *seriesList_) {
        if (!series->Active()) continue;
        anyActive = true;
        if (SeriesUsesAxis(series, axis)) return true;
    }
    return anyActive ? false : defaultValue;
}

bool TCustomAxisPanel::NoActiveSeries(const TChartAxis* axis) const { return !ActiveSeriesUseAxis(axis, false); }

bool TCustomAxisPanel::AxisShown(const TChartAxis* axis) const
{
    if (!axisVisible_ || !axis || !axis->Visible()) return false;
    if (axis->IsDepthAxis) return View3D();
    // The first active series that either uses no axes (hiding them all) or uses this one decides.
    bool anyActive = false;
    for (int i = 0; i < seriesList_->Count(); ++i) {
        const TCustomChartSeries* series = seriesList_->GetSeries(i);
        if (!series->Active()) continue;
        anyActive = true;
        if (!series->UsesAxes()) return false;
        if (SeriesUsesAxis(series, axis)) return true;
    }
    return !anyActive;
}

bool TCustomAxisPanel::IsAxisVisible(const TChartAxis* axis) const
{
    return AxisShown(axis) && ActiveSeriesUseAxis(axis, true);
}

TCustomChartSeries* TCustomAxisPanel::FirstSeriesOfAxis(const TChartAxis* axis) const
{
    for (TCustomChartSeries* series : *seriesList_)
        if (series->Active() && SeriesUsesAxis(series, axis)) return series;
    return nullptr;
}

TCustomChartSeries* TCustomAxisPanel::SeriesWithMostPoints(const TChartAxis* axis) const
{
    TCustomChartSeries* best = nullptr;
    for (TCustomChartSeries* series : *seriesList_)
        if (series->Active() && SeriesUsesAxis(series, axis) &&
            (!best || series->GetPointCount() > best->GetPointCount()))
            best = series;
    return best;
}

double TCustomAxisPanel::CalcMinMax(TChartAxis* axis, bool wantMinimum, bool horizontal)
{
    bool found = false;
    double result = 0;
    auto take = [&](double value) {
        if (!found || (wantMinimum ? value < result : value > result)) result = value;
        found = true;
    };
    if (axis->IsDepthAxis) {
        auto* depth = dynamic_cast<TChartDepthAxis*>(axis);
        if (depth && depth->LabelsAsSeriesTitles() && axis->Labels().Style() != talValue)
            return wantMinimum ? -0.5 : MaxZOrder + 0.5;
        for (TCustomChartSeries* series : *seriesList_)
            if (series->Active()) take(wantMinimum ? series->MinZValue() : series->MaxZValue());
        return result;
    }
    TCustomChartSeries* first = FirstSeriesOfAxis(axis);
    const bool independent = horizontal ? (!first || first->YMandatory()) : (first && !first->YMandatory());
    const int perPage = pages_->MaxPointsPerPage();
    if (perPage > 0 && independent) {
        TCustomChartSeries* most = SeriesWithMostPoints(axis);
        if (!most || most->GetPointCount() == 0) return 0;
        int firstIndex = -1, lastIndex = -1;
        most->PageIndexRange(firstIndex, lastIndex);
        if (firstIndex < 0 || lastIndex < firstIndex) return 0;
        TChartValueList* list = horizontal ? most->XValues() : most->YValues();
        if (!list) return 0;
        const double e = list->GetValueAt(firstIndex);
        if (wantMinimum) return e;
        const double f = list->GetValueAt(lastIndex);
        const int d = lastIndex - firstIndex + 1;
        if (!pages_->ScaleLastPage() && d < perPage)
            return e == f ? e + static_cast<double>(perPage) / d : e + perPage * (f - e) / d;
        return f;
    }
    const bool anyActive = std::any_of(seriesList_->begin(), seriesList_->end(), [&](TCustomChartSeries* s) {
        return s->Active() && SeriesUsesAxis(s, axis);
    });
    auto bound = [&](TCustomChartSeries* series) {
        return horizontal ? series->HorizAxis() == aBothHorizAxis || SeriesAxis(series, true) == axis
                          : series->VertAxis() == aBothVertAxis || SeriesAxis(series, false) == axis;
    };
    const bool pageOnly = perPage > 0 && pages_->AutoScale();
    for (TCustomChartSeries* series : *seriesList_) {
        if ((anyActive && !series->Active()) || series->GetPointCount() == 0 || !bound(series)) continue;
        if (pageOnly) {
            const int from = pages_->FirstValueIndex();
            const int count = series->GetPointCount();
            if (count <= from) continue;
            TChartValueList* list = horizontal ? series->XValues() : series->YValues();
            if (!list) continue;
            const int to = std::min(from + perPage - 1, count - 1);
            for (int i = from; i <= to; ++i) take(list->GetValueAt(i));
            continue;
        }
        if (horizontal)
            take(wantMinimum ? series->MinXValue() : series->MaxXValue());
        else
            take(wantMinimum ? series->MinYValue() : series->MaxYValue());
    }
    return result;
}

void TCustomAxisPanel::CalcSize3D()
{
    if (!View3D()) {
        SeriesDepthWidth = SeriesDepthHeight = DepthWidth = DepthHeight = 0;
        return;
    }
    const int zSlots = ZOrderEnabled ? std::max(1, MaxZOrder + 1) : 1;
    double p = chart3DPercent_ * 0.001;
    if (!View3DOptions().Orthogonal()) p *= 2;
    SeriesDepthWidth = RoundEven(ChartWidth * p);
    const double t = View3DOptions().OrthoTangent();
    if (t > 1) SeriesDepthWidth = RoundEven(SeriesDepthWidth / t);
    SeriesDepthHeight = RoundEven(SeriesDepthWidth * t);
    DepthHeight = zSlots * SeriesDepthHeight;
    DepthWidth = zSlots * SeriesDepthWidth;
}

int TCustomAxisPanel::WidestMarkText() const
{
    int widest = 0;
    for (TCustomChartSeries* series : *seriesList_)
        if (series->Active()) widest = std::max(widest, series->MaxMarkExtent());
    return widest;
}

// ---------------------------------------------------------------- hover

bool TCustomAxisPanel::HoverSeries(int x, int y)
{
    bool any = false;
    for (int i = seriesList_->Count() - 1; i >= 0; --i) {
        TCustomChartSeries* series = seriesList_->GetSeries(i);
        if (series->Active() && series->CheckMouseOver(x, y)) any = true;
    }
    return any;
}

void TCustomAxisPanel::MouseLeave()
{
    TCustomDuvPanelExtended::MouseLeave();
    for (int a = 0; a < axes_->Count(); ++a)
        if (TDuvSelected* selected = axes_->GetAxis(a)->Items().PeekSelected()) selected->SetHoverItem(-1);
    for (TCustomChartSeries* series : *seriesList_)
        if (TDuvSelected* selected = series->GetSelected()) selected->SetHoverItem(-1);
    tools_->BroadcastChartEvent(TChartEventCode::MouseLeave);
    animations_->BroadcastChartEvent(TChartEventCode::MouseLeave);
}

void TCustomAxisPanel::DetachAxisTools()
{
    for (TChartTools* list : {tools_.get(), static_cast<TChartTools*>(animations_.get())})
        for (int i = 0; i < list->Count(); ++i)
            if (auto* tool = dynamic_cast<TDuvCustomToolAxis*>(list->GetTool(i))) tool->StoreAxis(nullptr);
}

// ---------------------------------------------------------------- pages and printing

void TCustomAxisPanel::PrintPageRange(int from, int to)
{
    const int count = pages_->Count();
    if (from <= 0) from = 1;
    if (to <= 0) to = count;
    TPrinter& printer = Printer();
    if (!Name().empty()) printer.Title = Name();
    const int saved = pages_->Current();
    const TScopeGuard pageBack([&] { pages_->SetCurrent(saved); });
    printer.BeginDoc();
    try {
        for (int page = from; page <= to; ++page) {
            pages_->SetCurrent(page);
            PrintInRect(PrinterDrawRect());
            if (page < to) printer.NewPage();
        }
        printer.EndDoc();
    } catch (...) {
        // A failed print is abandoned, not finished.
        printer.Abort();
        if (printer.Printing()) printer.EndDoc();
        throw;
    }
}

// ---------------------------------------------------------------- drawing zSlots

namespace {

[[noreturn]] void AbstractSlot() { throw Exception("Abstract Error"); }

}  // namespace

void TCustomAxisPanel::AdjustChartRectFor3D() { AbstractSlot(); }
int TCustomAxisPanel::GetAxisWallSize(const TChartAxis*) { AbstractSlot(); }
void TCustomAxisPanel::DrawTitlesAndLegend(bool) { AbstractSlot(); }
void TCustomAxisPanel::DrawLegendSymbolRect(const TRect&) { AbstractSlot(); }
void TCustomAxisPanel::DrawWalls() { AbstractSlot(); }
bool TCustomAxisPanel::IsFreeSeriesColor(TColor, bool, TCustomChartSeries*) { AbstractSlot(); }

// ---------------------------------------------------------------- streaming

void TCustomAxisPanel::GetChildren(const TGetChildProc& proc, TComponent* root)
{
    TCustomDuvPanelExtended::GetChildren(proc, root);
    for (TCustomChartSeries* series : *seriesList_)
        if (!series->NotStreamed) proc(series);
    for (TChartTools* list : {tools_.get(), static_cast<TChartTools*>(animations_.get())})
        for (int i = 0; i < list->Count(); ++i)
            if (!list->GetTool(i)->NotStreamed) proc(list->GetTool(i));
}

void TCustomAxisPanel::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TCustomAxisPanel*>(source)) {
        chart3DPercent_ = other->chart3DPercent_;
        axisBehind_ = other->axisBehind_;
        axisVisible_ = other->axisVisible_;
        bottomAxis_->Assign(other->bottomAxis_.get());
        clipPoints_ = other->clipPoints_;
        CustomPalette = other->CustomPalette;
        customAxes_->Assign(other->customAxes_.get());
        hover_->Assign(other->hover_.get());
        leftAxis_->Assign(other->leftAxis_.get());
        depthAxis_->Assign(other->depthAxis_.get());
        depthTopAxis_->Assign(other->depthTopAxis_.get());
        pages_->Assign(other->pages_.get());
        rightAxis_->Assign(other->rightAxis_.get());
        topAxis_->Assign(other->topAxis_.get());
        view3DWalls_ = other->view3DWalls_;
    }
    TCustomDuvPanelExtended::Assign(source);
}

void TCustomAxisPanel::DefineProperties(TFiler& filer)
{
    TCustomDuvPanelExtended::DefineProperties(filer);
    // Older files kept the paging settings on the chart itself.
    filer.DefineProperty(
        "MaxPointsPerPage", [this](TReader& reader) { pages_->SetMaxPointsPerPage(static_cast<int>(reader.ReadInteger())); },
        nullptr, false);
    filer.DefineProperty(
        "Page", [this](TReader& reader) { pages_->SetCurrent(static_cast<int>(reader.ReadInteger())); }, nullptr, false);
    filer.DefineProperty(
        "ScaleLastPage", [this](TReader& reader) { pages_->SetScaleLastPage(reader.ReadBoolean()); }, nullptr, false);
}

void TCustomAxisPanel::Loaded()
{
    TCustomDuvPanelExtended::Loaded();
    TSeriesGroups& groups = *SeriesGroups();
    const int count = seriesList_->Count();
    for (int g = 0; g < groups.Count(); ++g) {
        TSeriesGroup* group = groups.GetGroup(g);
        for (const std::string& text : group->PendingSeries) {
            int index = -1;
            std::size_t used = 0;
            try {
                index = std::stoi(text, &used);
            } catch (const std::exception&) {
                used = 0;
            }
            if (used == 0 || used != text.size() || index < 0 || index >= count) {
                const std::string message =
                    "Series group \"" + group->Name + "\": series index " + text + " is outside the chart's series list";
                // Nothing half-resolved stays behind.
                for (int k = 0; k < groups.Count(); ++k) groups.GetGroup(k)->PendingSeries.clear();
                throw EReadError(message);
            }
        }
    }
    // The page was read before the series it counts.
    if (pages_->Current() > pages_->Count()) pages_->SetCurrent(pages_->Count());
    // Groups read without positions keep their series.
    for (int g = 0; g < groups.Count(); ++g)
        if (!groups.GetGroup(g)->PendingSeries.empty()) groups.GetGroup(g)->ResolvePendingSeries(*seriesList_);
}

// ---------------------------------------------------------------- start-up

void AxisPanelInitialization()
{
    RegisterClassForStreaming(TChartPage::StaticClass());
}

// ---------------------------------------------------------------- labels and legend helpers

int TCustomAxisPanel::WidestSeriesLabel()
{
    int widest = 0;
    for (int i = 0; i < SeriesList().Count(); ++i) {
        const TCustomChartSeries* series = SeriesList().GetSeries(i);
        for (int k = 0; k < series->Labels().Count(); ++k) {
            int lines = 0;
            widest = std::max(widest, TextLinesWidth(series->Labels().GetLabelText(k), lines, false));
        }
    }
    return widest;
}

TCustomChartSeries* TCustomAxisPanel::SeriesInLegend(int n, bool activeOnly) const
{
    for (int i = 0; i < SeriesList().Count(); ++i) {
        TCustomChartSeries* series = SeriesList().GetSeries(i);
        if (!series->ShowInLegend() || (activeOnly && !series->Active())) continue;
        if (n-- == 0) return series;
    }
    return nullptr;
}

std::string TCustomAxisPanel::LegendSeriesTitle(int n, bool activeOnly) const
{
    const TCustomChartSeries* series = SeriesInLegend(n, activeOnly);
    if (!series) return {};
    const std::string title = SingleLineText(series->LegendTitle());
    return title.empty() ? SeriesTitleOrName(*series, false) : title;
}

bool TCustomAxisPanel::IsPlaneVisible(int z)
{
    if (Canvas().SupportsFullRotation()) return false;
    TPoint corners[4];
    Canvas().ProjectRectCorners(ChartRect, z, corners);
    // Top-left, top-right, bottom-right: a plane seen from the front in an upright view turns the
    // back way, so walls and floor axes are drawn behind the series there.
    return !IsBackFace(corners[0], corners[1], corners[2]);
}

void TCustomAxisPanel::FireAfterDraw()
{
    if (OnAfterDraw) OnAfterDraw(this);
}

void TCustomAxisPanel::FireBeforeDrawAxes()
{
    if (OnBeforeDrawAxes) OnBeforeDrawAxes(this);
}

void TCustomAxisPanel::FireBeforeDrawChart()
{
    if (OnBeforeDrawChart) OnBeforeDrawChart(this);
}

void TCustomAxisPanel::FireBeforeDrawSeries()
{
    if (OnBeforeDrawSeries) OnBeforeDrawSeries(this);
}

bool TCustomAxisPanel::HoverAxisLabels(int x, int y)
{
    if (!Hover() || !Hover()->Visible()) return false;
    bool any = false;
    for (int a = 0; a < AxesList().Count(); ++a) {
        TChartAxis* axis = AxesList().GetAxis(a);
        if (!AxisShown(axis)) continue;
        TDuvSelected* selected = axis->Items().GetSelected();
        if (!selected->Hover()->Visible()) continue;
        const int index = axis->HoverLabelAt(x, y);
        selected->SetHoverItem(index);
        any = any || index >= 0;
    }
    return any;
}

// ---------------------------------------------------------------- free helpers

std::string SingleLineText(const std::string& text)
{
    std::string result = text;
    std::replace(result.begin(), result.end(), '\x06', ' ');
    std::size_t pair = result.find("\n\r");
    if (pair == std::string::npos) pair = result.find("\r\n");
    if (pair != std::string::npos) result.erase(pair, 1);
    std::replace(result.begin(), result.end(), '\r', ' ');
    std::replace(result.begin(), result.end(), '\n', ' ');
    return result;
}

int SeriesDataContents(const TCustomChartSeries& series)
{
    int contents = 0;
    if (series.XValuesNeedStoring()) contents |= 1;
    if (series.PointColorsNeedStoring()) contents |= 2;
    if (series.LabelsNeedStoring()) contents |= 4;
    if (series.HasCustomMarkPositions()) contents |= 8;
    return contents;
}
