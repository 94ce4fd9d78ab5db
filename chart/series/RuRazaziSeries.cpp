#include "chart/series/RuRazaziSeries.h"

#include <algorithm>
#include <cstdio>

#include "chart/engine/DuvProcs.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/RuRazaziFunction.h"
#include "chart/engine/DuvProcs.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ScopeGuard.h"

namespace {

std::string DeleteOutOfBoundsText(int index, int last)
{
    std::string text = DuvMsgSeriesDelete;
    for (int value : {index, last}) {
        const std::size_t at = text.find("%d");
        if (at == std::string::npos) break;
        text.replace(at, 2, std::to_string(value));
    }
    return text;
}

}  // namespace

// ---------------------------------------------------------------- construction

TChartSeries::TChartSeries(TComponent* owner)
    : TCustomChartSeries(owner),
      xValues_(new TChartValueList(this, DuvMsgValuesX)),
      yValues_(new TChartValueList(this, DuvMsgValuesY)),
      valueFormat_(DuvMsgDefValueFormat),
      percentFormat_(DuvMsgDefPercentFormat)
{
    xValues_->SetOrder(loAscending);
}

TChartSeries::~TChartSeries()
{
    Destroying();
    if (TDuvFunction* function = function_) {
        function_ = nullptr;
        RemoveFreeNotification(function);
        function->outputSeries_ = nullptr;
        FreeComponent(function);
    }
    UnlinkFromSources();
    if (dataSources_) {
        // Sources the series owns go with it; the others only stop feeding it.
        std::vector<TComponent*> sources = dataSources_->items_;
        for (TComponent* source : sources)
            if (source->Owner() == this) FreeComponent(source);
        for (TComponent* source : dataSources_->items_) RemoveFreeNotification(source);
        dataSources_.reset();
    }
    const std::vector<TCustomChartSeries*> dependents = GetLinkedSeries();
    for (TCustomChartSeries* dependent : dependents)
        if (auto* series = dynamic_cast<TChartSeries*>(dependent)) RemoveSourceFrom(series, this);
    ClearPoints();
    visuals_.reset();
    selected_.reset();
    if (ParentChart()) SetParentChart(nullptr);
}

void TChartSeries::DeclareProperties(TPropertyDeclarer<TChartSeries>& p)
{
    p.Color("SeriesColor", &TChartSeries::SeriesColor, &TChartSeries::SetSeriesColor)
        .Stored(&TChartSeries::HasExplicitColor);
    p.Boolean("ColorEachPoint", &TChartSeries::ColorEachPoint, &TChartSeries::SetColorEachPoint)
        .DefaultFrom(&TChartSeries::DefaultColorEachPoint);
    p.String("ColorSource", &TChartSeries::ColorSource, &TChartSeries::SetColorSource).Default(std::string());
    p.Integer("Cursor", [](const TChartSeries& s) { return static_cast<int>(s.Cursor()); },
              [](TChartSeries& s, int value) { s.SetCursor(static_cast<TCursor>(value)); })
        .Default(0);
    p.Integer("Depth", [](const TChartSeries& s) { return s.Depth; }, &TChartSeries::SetDepth).Default(-1);
    p.Enum("HorizAxis", &TChartSeries::HorizAxis, &TChartSeries::SetHorizAxis).Default(aBottomAxis);
    p.Enum("VertAxis", &TChartSeries::VertAxis, &TChartSeries::SetVertAxis).Default(aLeftAxis);
    p.Component("DataSource", [](const TChartSeries& s) { return s.DataSource(); }, &TChartSeries::SetDataSource)
        .Stored([](const TChartSeries& s) { return s.DataSourceCount() == 1; });
    p.String("PercentFormat", &TChartSeries::PercentFormat, &TChartSeries::SetPercentFormat)
        .Stored([](const TChartSeries& s) { return s.PercentFormat() != DuvMsgDefPercentFormat; });
    p.String("ValueFormat", &TChartSeries::ValueFormat, &TChartSeries::SetValueFormat)
        .Stored([](const TChartSeries& s) { return s.ValueFormat() != DuvMsgDefValueFormat; });
    p.String("XLabelsSource", &TChartSeries::XLabelsSource, &TChartSeries::SetXLabelsSource).Default(std::string());
    p.Integer("Transparency", &TChartSeries::Transparency, &TChartSeries::SetTransparency).Default(0);
    p.Object("Marks", &TChartSeries::GetMarks, &TChartSeries::SetMarks);
    p.Object("XValues", &TChartSeries::XValues, &TChartSeries::SetXValues);
    p.Object("YValues", &TChartSeries::YValues, &TChartSeries::SetYValues);
    p.Event("OnAfterAdd", &TChartSeries::OnAfterAdd);
    p.Event("OnBeforeAdd", &TChartSeries::OnBeforeAdd);
    p.Event("OnClearValues", &TChartSeries::OnClearValues);
    p.Event("OnGetMarkText", &TChartSeries::OnGetMarkText);
    p.Event("OnMouseEnter", &TChartSeries::OnMouseEnter);
    p.Event("OnMouseLeave", &TChartSeries::OnMouseLeave);
}

void TChartSeries::AssignValueList(TChartValueList* target, const TChartValueList* source)
{
    if (!target || !source) return;
    target->Assign(source);
    RequestRepaint();
}

// ---------------------------------------------------------------- adding points

int TChartSeries::AddPointXY(double x, double y, const std::string& label, TColor color)
{
    xValues_->PendingValue = x;
    yValues_->PendingValue = y;
    if (OnBeforeAdd && !OnBeforeAdd(this)) return -1;
    const int index = InsertPoint(x, y, label, color);
    if (SuspendCount == 0) PointAdded(this, index);
    return index;
}

int TChartSeries::InsertPoint(double x, double y, const std::string& label, TColor color)
{
    int index;
    {
        ++listsInFlux_;
        TScopeGuard settle([this] { --listsInFlux_; });
        xValues_->PendingValue = x;
        index = xValues_->AddPending();
        yValues_->InsertValueAt(index, y);
        const TChartValueLists& lists = ValueLists();
        for (int i = 2; i < lists.Count(); ++i) lists[i]->InsertValueAt(index, lists[i]->PendingValue);
    }
    StorePointExtras(index, label, color);
    return index;
}

void TChartSeries::EnsureColorList()
{
    if (!pointColors_) pointColors_ = std::make_unique<std::vector<TColor>>(static_cast<std::size_t>(PointCount()), clDefault);
}

void TChartSeries::StorePointExtras(int index, const std::string& label, TColor color)
{
    if (pointColors_) {
        pointColors_->insert(pointColors_->begin() + index, color);
    } else if (color != clDefault) {
        EnsureColorList();
        (*pointColors_)[static_cast<std::size_t>(index)] = color;
    }
    if (!label.empty() || Labels().Count() > 0) Labels().InsertLabel(index, label);
}

int TChartSeries::AddPointY(double value, const std::string& label, TColor color)
{
    if (YMandatory()) return AddPointXY(PointCount(), value, label, color);
    return AddPointXY(value, yValues_->Count(), label, color);
}

int TChartSeries::AddXWithIndexY(double x, const std::string& label, TColor color)
{
    return AddPointXY(x, PointCount(), label, color);
}

int TChartSeries::AddYWithIndexX(double y, const std::string& label, TColor color)
{
    return AddPointXY(PointCount(), y, label, color);
}

int TChartSeries::AddNullPoint(const std::string& label) { return AddPointY(NullPointValue, label, clNone); }

int TChartSeries::AddNullValue(double value) { return AddPointY(value, {}, clNone); }

int TChartSeries::AddNullPointXY(double x, double y, const std::string& label) { return AddPointXY(x, y, label, clNone); }

int TChartSeries::AddValueArray(const std::vector<double>& values)
{
    return AddValueArray(values.data(), static_cast<int>(values.size()));
}

int TChartSeries::AddValueArray(const double* values, int count)
{
    if (count <= 0) return 0;
    std::vector<double> index(static_cast<std::size_t>(count));
    const int base = YMandatory() ? PointCount() : yValues_->Count();
    for (int i = 0; i < count; ++i) index[static_cast<std::size_t>(i)] = base + i;
    return YMandatory() ? AddXYArrays(index.data(), values, count) : AddXYArrays(values, index.data(), count);
}

int TChartSeries::AddXYArrays(const std::vector<double>& xs, const std::vector<double>& ys)
{
    const int count = static_cast<int>(std::min(xs.size(), ys.size()));
    return AddXYArrays(xs.data(), ys.data(), count);
}

int TChartSeries::AddXYArrays(const double* xs, const double* ys, int count)
{
    if (count <= 0) return 0;
    SuspendUpdates();
    TScopeGuard resume([this] { ResumeUpdates(); });
    // Values that already lie in X order go straight to the ends of the arrays; anything
    // else (an earlier X, a handler that may refuse) takes the one-point road.
    const TChartListOrder order = xValues_->Order();
    const bool inOrder = [&] {
        if (OnBeforeAdd) return false;
        if (order == loNone) return true;
        double last = xValues_->Count() > 0 ? xValues_->GetLast() : xs[0];
        for (int i = 0; i < count; ++i) {
            const double x = xs[i];
            if (order == loAscending ? x < last : x > last) return false;
            last = x;
        }
        return true;
    }();
    if (!inOrder) {
        for (int i = 0; i < count; ++i) AddPointXY(xs[i], ys[i]);
        return count;
    }
    {
        ++listsInFlux_;
        TScopeGuard settle([this] { --listsInFlux_; });
        xValues_->AppendValues(xs, count);
        yValues_->AppendValues(ys, count);
        const TChartValueLists& lists = ValueLists();
        for (int i = 2; i < lists.Count(); ++i) {
            const std::vector<double> pending(static_cast<std::size_t>(count), lists[i]->PendingValue);
            lists[i]->AppendValues(pending.data(), count);
        }
    }
    // New points carry no colour of their own and no label (a missing label reads empty).
    if (pointColors_) pointColors_->resize(static_cast<std::size_t>(PointCount()), clDefault);
    return count;
}

int TChartSeries::AddValuesFromSeries(TChartSeries* source, int index)
{
    double x = source->XValues()->GetValueAt(index), y = source->YValues()->GetValueAt(index);
    if (source->YMandatory() != YMandatory()) std::swap(x, y);
    ++listsInFlux_;
    TScopeGuard settle([this] { --listsInFlux_; });
    xValues_->PendingValue = x;
    const int at = xValues_->AddPending();
    yValues_->InsertValueAt(at, y);
    const TChartValueLists& lists = ValueLists();
    const TChartValueLists& theirs = source->ValueLists();
    for (int i = 2; i < lists.Count(); ++i)
        lists[i]->InsertValueAt(at, i < theirs.Count() ? theirs[i]->GetValueAt(index) : 0.0);
    return at;
}

void TChartSeries::CopyPointFromSeries(TChartSeries* source, int index)
{
    const int at = AddValuesFromSeries(source, index);
    // Colours and labels stay aligned with the points even when only one side has them.
    const std::vector<TColor>* colors = source->PointColors();
    if (colors && static_cast<int>(colors->size()) > index) {
        if (!pointColors_) pointColors_ = std::make_unique<std::vector<TColor>>(static_cast<std::size_t>(PointCount() - 1), clDefault);
        pointColors_->insert(pointColors_->begin() + at, (*colors)[static_cast<std::size_t>(index)]);
    } else if (pointColors_) {
        pointColors_->insert(pointColors_->begin() + at, clDefault);
    }
    if (source->Labels().Count() > index)
        Labels().InsertLabel(at, source->Labels().GetLabelText(index));
    else if (Labels().Count() > at)
        Labels().InsertLabel(at, {});
    if (SuspendCount == 0) PointAdded(this, at);
}

// ---------------------------------------------------------------- removing points

void TChartSeries::DeletePoint(int index)
{
    const int count = PointCount();
    if (index < 0 || index >= count) throw ChartException(DeleteOutOfBoundsText(index, count - 1));
    {
        ++listsInFlux_;
        TScopeGuard settle([this] { --listsInFlux_; });
        const TChartValueLists& lists = ValueLists();
        for (int i = 0; i < lists.Count(); ++i) lists[i]->DeleteValue(index);
    }
    if (pointColors_ && index < static_cast<int>(pointColors_->size())) {
        pointColors_->erase(pointColors_->begin() + index);
        if (pointColors_->empty()) pointColors_.reset();
    }
    Labels().DeleteLabel(index);
    if (visuals_ && index < visuals_->Count()) visuals_->DeleteVisual(index);
    MarksDeletePoint(index, true);
    NotifyDependents(TDependentChange::Deleted, index);
    if (Active()) RequestRepaint();
}

void TChartSeries::DeletePoints(int start, int quantity, bool renumber)
{
    const int count = PointCount();
    if (start < 0 || start >= count || quantity < 1) return;
    quantity = std::min(quantity, count - start);
    {
        ++listsInFlux_;
        TScopeGuard settle([this] { --listsInFlux_; });
        const TChartValueLists& lists = ValueLists();
        for (int i = 0; i < lists.Count(); ++i) lists[i]->DeleteRange(start, quantity);
    }
    if (pointColors_) {
        const auto first = pointColors_->begin() + start;
        pointColors_->erase(first, first + std::min<std::ptrdiff_t>(quantity, pointColors_->end() - first));
        if (pointColors_->empty()) pointColors_.reset();
    }
    for (int i = 0; i < quantity && start < Labels().Count(); ++i) Labels().DeleteLabel(start);
    if (visuals_)
        for (int i = 0; i < quantity && start < visuals_->Count(); ++i) visuals_->DeleteVisual(start);
    MarksDeleteRange(start, quantity);
    NotifyDependents(TDependentChange::Deleted, -1);
    if (Active()) RequestRepaint();
    if (renumber) SecondaryList()->NumberByIndex();
}

void TChartSeries::DeletePointAt(TChartSeries*, int index)
{
    if (index >= 0 && index < PointCount()) DeletePoint(index);
}

void TChartSeries::ClearPoints()
{
    FirstVisibleIndex = LastVisibleIndex = -1;
    ClearStorage();
    if (OnClearValues) OnClearValues(this);
    NotifyDependents(TDependentChange::Cleared, 0);
    if (function_) function_->ResetInnerSeries();
    TCustomAxisPanel* chart = ParentChart();
    if (Active() && chart && !chart->HasState(csDestroying)) RequestRepaint();
}

void TChartSeries::ClearStorage()
{
    const TChartValueLists& lists = ValueLists();
    for (int i = 0; i < lists.Count(); ++i)
        if (refilling_)
            lists[i]->EmptyKeepingStorage();
        else
            lists[i]->RemoveAllValues();
    pointColors_.reset();
    Labels().Clear();
    MarksClear();
    if (visuals_) visuals_->Clear();
}

// ---------------------------------------------------------------- point access

void TChartSeries::SetXValue(int index, double value)
{
    xValues_->SetValueAt(index, value);
    RequestRepaint();
}

void TChartSeries::SetYValue(int index, double value)
{
    yValues_->SetValueAt(index, value);
    RequestRepaint();
}

void TChartSeries::InitColorEachPoint(bool value)
{
    defaultColorEachPoint_ = value;
    SetColorEachPoint(value);
}

TColor TChartSeries::StoredPointColor(int index) const
{
    if (!pointColors_ || index < 0 || index >= static_cast<int>(pointColors_->size())) return clDefault;
    return (*pointColors_)[static_cast<std::size_t>(index)];
}

TColor TChartSeries::GetPointColor(int index) const
{
    const TColor stored = StoredPointColor(index);
    if (stored != clDefault) return stored;
    if (!colorEachPoint_) return GetSeriesColor();
    return ParentChart() ? ParentChart()->ColorFromPalette(index) : DefaultPaletteColor(index);
}

void TChartSeries::SetPointColor(int index, TColor color)
{
    if ((!pointColors_ && color == clDefault) || index < 0) return;
    while (index >= PointCount())
        if (AddNullPoint({}) < 0) return;  // OnBeforeAdd refused: the point cannot exist
    EnsureColorList();
    (*pointColors_)[static_cast<std::size_t>(index)] = color;
    ColorEachPointChanged(index);
}

void TChartSeries::SwapPoints(int i, int j)
{
    {
        ++listsInFlux_;
        TScopeGuard settle([this] { --listsInFlux_; });
        const TChartValueLists& lists = ValueLists();
        for (int k = 0; k < lists.Count(); ++k) lists[k]->Exchange(i, j);
        if (pointColors_) std::swap((*pointColors_)[static_cast<std::size_t>(i)], (*pointColors_)[static_cast<std::size_t>(j)]);
        if (Labels().Count() > 0) Labels().Exchange(i, j);
        if (visuals_ && visuals_->Count() > 0) visuals_->Exchange(i, j);
    }
    NotifyDependents(TDependentChange::ValueModified, i);
}

// ---------------------------------------------------------------- notifications

void TChartSeries::NotifyDependents(TDependentChange code, int index)
{
    if (SuspendCount > 0 || GetLinkedSeries().empty()) return;
    // A list's own news of a point half stored is not passed on: the operation tells its
    // dependents itself once every list holds the point.
    if (code == TDependentChange::ValueModified && listsInFlux_ > 0) return;
    const std::vector<TCustomChartSeries*> dependents = GetLinkedSeries();
    for (TCustomChartSeries* dependent : dependents) {
        auto* series = dynamic_cast<TChartSeries*>(dependent);
        if (!series) continue;
        // A dependent whose function cannot compute from the new data (a fit of fewer distinct X
        // than terms) stays empty. Its exception is not this series' failure, and the change may
        // be announced from a destructor (a scope guard's resume), which must not throw.
        try {
            series->ReactToSource(this, code, index);
        } catch (const Exception&) {
            series->ClearPoints();
        }
    }
}

void TChartSeries::ReactToSource(TChartSeries* source, TDependentChange code, int index)
{
    switch (code) {
    case TDependentChange::Cleared:
        if (SourceReactions & srClear) ClearPoints();
        break;
    case TDependentChange::Added:
        if (!(SourceReactions & srAdd)) break;
        // Function results are always computed from scratch.
        if (function_)
            LoadFromSourceSeries(source);
        else
            CopyPointFromSeries(source, index);
        break;
    case TDependentChange::Deleted:
        if (!(SourceReactions & srDelete)) break;
        // A run of deleted points names no single index: refill as for changed data.
        if (function_ || index < 0)
            LoadFromSourceSeries(source);
        else
            DeletePointAt(source, index);
        break;
    case TDependentChange::DataChanged: LoadFromSourceSeries(source); break;
    case TDependentChange::ValueModified:
        if (SourceReactions & srModify) LoadFromSourceSeries(source);
        break;
    }
}

void TChartSeries::NotifyDataChanged()
{
    NotifyDependents(TDependentChange::DataChanged, 0);
    if (ParentChart()) ParentChart()->NotifySeriesEvent(this, TSeriesEventKind::DataChanged);
}

void TChartSeries::PointAdded(TChartSeries*, int index)
{
    if (OnAfterAdd) OnAfterAdd(this, index);
    NotifyDependents(TDependentChange::Added, index);
    if (Active()) RequestRepaint();
}

void TChartSeries::ColorEachPointChanged(int) { RequestRepaint(); }

// ---------------------------------------------------------------- colours and settings

void TChartSeries::SetSeriesColor(TColor value)
{
    // A palette colour written back stays a palette colour.
    if (seriesColor_ == clDefault && value == paletteColor_) return;
    ChangeColor(seriesColor_, value);
    paletteColor_ = value;
    if (ParentChart()) ParentChart()->NotifySeriesEvent(this, TSeriesEventKind::ColorChanged);
}

void TChartSeries::SetAutoColor(TColor color)
{
    paletteColor_ = color;
    SetSeriesColor(color);
}

void TChartSeries::ResetSeriesColor()
{
    if (seriesColor_ == clDefault) return;
    seriesColor_ = paletteColor_ = clDefault;
    if (ParentChart()) ParentChart()->ResolveDefaultColors();
    RequestRepaint();
}

void TChartSeries::SetColorEachPoint(bool value)
{
    if (value == colorEachPoint_) return;
    colorEachPoint_ = value;
    ColorEachPointChanged(-1);
}

void TChartSeries::SetTitle(const std::string& value)
{
    if (value == Title()) return;
    TCustomChartSeries::SetTitle(value);
    if (ParentChart()) ParentChart()->NotifySeriesEvent(this, TSeriesEventKind::TitleChanged);
}

void TChartSeries::SetActive(bool value)
{
    if (value == Active()) return;
    TCustomChartSeries::SetActive(value);
    if (ParentChart()) ParentChart()->NotifySeriesEvent(this, TSeriesEventKind::ActiveChanged);
}

std::string TChartSeries::GetDisplayTitle() const
{
    if (!Name().empty() || !ParentChart()) return Name();
    return DuvMsgSeries + std::to_string(GetSeriesIndex() + 1);
}

// ---------------------------------------------------------------- chart membership

void TChartSeries::SetParentChart(TCustomAxisPanel* value)
{
    if (value == ParentChart()) return;
    TCustomChartSeries::SetParentChart(value);
    MarksMoveToChart();
}

void TChartSeries::AddedToChart()
{
    TCustomAxisPanel* chart = ParentChart();
    if (seriesColor_ == clDefault) {
        SetAutoColor(chart->FirstUnusedColor(true, this));
        chart->NotifySeriesEvent(this, TSeriesEventKind::ColorChanged);
    }
    BindAxes();
    RefreshFromSources();
}

void TChartSeries::RemovedFromChart()
{
    TCustomAxisPanel* chart = ParentChart();
    if (chart && cursor_ != 0 && chart->Cursor() == cursor_) chart->SetCursor(chart->SavedCursor);
    UnlinkFromSources();
}

// ---------------------------------------------------------------- module

void RuRazaziSeriesInitialization()
{
    RegisterClassForStreaming(TChartSeries::StaticClass());
    RegisterClassForStreaming(TSeriesMarkShape::StaticClass());
    RegisterClassForStreaming(TMarksItem::StaticClass());
}
