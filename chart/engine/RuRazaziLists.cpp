#include "chart/engine/RuRazaziLists.h"

#include <algorithm>
#include <charconv>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"

// ---------------------------------------------------------------- series lists

bool TSeriesEnumerator::MoveNext()
{
    if (Index >= List.Count() - 1) return false;
    ++Index;
    return true;
}

TCustomChartSeries* TSeriesEnumerator::Current() const { return List.GetSeries(Index); }

int TCustomSeriesList::Add(TCustomChartSeries* series)
{
    items_.push_back(series);
    return Count() - 1;
}

void TCustomSeriesList::Insert(int index, TCustomChartSeries* series)
{
    items_.insert(items_.begin() + index, series);
}

int TCustomSeriesList::IndexOf(const TCustomChartSeries* series) const
{
    const auto it = std::find(items_.begin(), items_.end(), series);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

int TCustomSeriesList::Remove(const TCustomChartSeries* series)
{
    const int index = IndexOf(series);
    if (index >= 0) Delete(index);
    return index;
}

void TCustomSeriesList::Delete(int index) { items_.erase(items_.begin() + index); }

void TCustomSeriesList::ClearAll()
{
    TSeriesEnumerator e = GetEnumerator();
    while (e.MoveNext()) e.Current()->ClearPoints();
}

TCustomChartSeries* TCustomSeriesList::SeriesAtPixel(int x, int y, int& index) const
{
    // Later series are drawn over earlier ones.
    for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
        TCustomChartSeries* series = *it;
        if (!series->Active()) continue;
        index = series->PointAtScreen(x, y);
        if (index != -1) return series;
    }
    index = -1;
    return nullptr;
}

bool TCustomSeriesList::AllActive() const
{
    return std::all_of(items_.begin(), items_.end(), [](const TCustomChartSeries* s) { return s->Active(); });
}

void TCustomSeriesList::SetAllActive(bool value)
{
    for (TCustomChartSeries* series : items_) series->SetActive(value);
}

TChartSeriesList::TChartSeriesList(TCustomAxisPanel* owner)
    : TCustomSeriesList(owner), groups_(std::make_unique<TSeriesGroups>(owner))
{
}

TChartSeriesList::~TChartSeriesList() = default;

TSeriesGroup* TChartSeriesList::AddGroup(const std::string& name)
{
    TSeriesGroup* group = groups_->Add();
    group->Name = name;
    return group;
}

// ---------------------------------------------------------------- series groups

namespace {

TCustomAxisPanel* ChartOfCollection(const TCollection* collection)
{
    return collection ? dynamic_cast<TCustomAxisPanel*>(collection->GetOwner()) : nullptr;
}

}  // namespace

TSeriesGroup::TSeriesGroup(TCollection* collection)
    : TCollectionItem(collection), series_(ChartOfCollection(collection))
{
    Name = "Group" + std::to_string(collection ? collection->Count() : 0);
}

void TSeriesGroup::DeclareProperties(TPropertyDeclarer<TSeriesGroup>& p)
{
    p.String("Name", &TSeriesGroup::Name);
    p.Enum("Active", &TSeriesGroup::GetActive, &TSeriesGroup::SetActive).Default(gaYes);
}

TSeriesGroupActive TSeriesGroup::GetActive() const
{
    int active = 0;
    for (const TCustomChartSeries* series : series_)
        if (series->Active()) ++active;
    if (active == 0) return gaNo;
    return active == series_.Count() ? gaYes : gaSome;
}

void TSeriesGroup::SetActive(TSeriesGroupActive value)
{
    if (value == gaSome || value == GetActive()) return;
    series_.SetAllActive(value == gaYes);
}

void TSeriesGroup::ResolvePendingSeries(const TCustomSeriesList& all)
{
    series_.Clear();
    for (const std::string& text : PendingSeries) {
        int index = -1;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), index);
        // A position that names no series of the chart is dropped, never kept dangling.
        if (error != std::errc() || end != text.data() + text.size() || index < 0 || index >= all.Count()) continue;
        series_.Add(all.GetSeries(index));
    }
    PendingSeries.clear();
}

void TSeriesGroup::Assign(const TPersistent* source)
{
    const auto* group = dynamic_cast<const TSeriesGroup*>(source);
    if (!group) {
        TCollectionItem::Assign(source);
        return;
    }
    Name = group->Name;
    series_.Assign(group->series_);
}

void TSeriesGroup::DefineProperties(TFiler& filer)
{
    TCollectionItem::DefineProperties(filer);
    filer.DefineProperty(
        "Series",
        [this](TReader& reader) {
            PendingSeries.clear();
            reader.ReadListBegin();
            while (!reader.EndOfList()) PendingSeries.push_back(reader.ReadString());
            reader.ReadListEnd();
        },
        [this](TWriter& writer) {
            writer.WriteListBegin();
            for (const TCustomChartSeries* series : series_) writer.WriteString(std::to_string(series->GetSeriesIndex()));
            writer.WriteListEnd();
        },
        series_.Count() > 0);
}

TSeriesGroups::TSeriesGroups(TCustomAxisPanel* chart) : TCollection(TSeriesGroup::StaticClass(), chart), chart_(chart) {}

int TSeriesGroups::GroupOfSeries(const TCustomChartSeries* series) const
{
    for (int i = 0; i < Count(); ++i)
        if (GetGroup(i)->Series().IndexOf(series) >= 0) return i;
    return -1;
}

void TSeriesGroups::ResolvePendingSeries(const TCustomSeriesList& all)
{
    for (int i = 0; i < Count(); ++i) GetGroup(i)->ResolvePendingSeries(all);
}

// ---------------------------------------------------------------- tools

TDuvCustomTool::TDuvCustomTool(TComponent* owner) : TCustomChartElement(owner) {}

TDuvCustomTool::~TDuvCustomTool()
{
    if (ParentChart()) SetParentChart(nullptr);
    if (list_) list_->Remove(this);
}

void TDuvCustomTool::HandleChartEvent(TChartEventCode) {}
TEventReply TDuvCustomTool::HandleMouseEvent(TMouseEventKind, TMouseButton, TShiftState, int, int)
{
    return TEventReply::PassOn;
}
void TDuvCustomTool::HandleDragEvent(TDragEventKind, TObject*, bool&, int, int) {}
TEventReply TDuvCustomTool::HandleKeyEvent(TKeyEventKind, int&, TShiftState, char&) { return TEventReply::PassOn; }
void TDuvCustomTool::HandleSeriesEvent(TSeriesEventCode, TCustomChartSeries*) {}
TEventReply TDuvCustomTool::HandleMouseWheel(TWheelEventKind, int, int, int) { return TEventReply::PassOn; }

TChartTools* TDuvCustomTool::ChartListOf(TCustomAxisPanel* chart) const { return chart ? chart->Tools() : nullptr; }

void TDuvCustomTool::SetParentChart(TCustomAxisPanel* value)
{
    TCustomAxisPanel* old = ParentChart();
    if (value == old) return;
    if (old) {
        if (list_ && list_->Chart == old) list_->Remove(this);
        if (!value && !old->HasState(csDestroying)) old->Invalidate();
    }
    TCustomChartElement::SetParentChart(value);
    if (value)
        if (TChartTools* list = ChartListOf(value)) list->Append(this);
}

void TDuvCustomToolSeries::SetSeries(TCustomChartSeries* value) { series_ = value; }

TChartAxis* TDuvCustomToolSeries::GetHorizAxis() const { return series_ ? series_->HorizAxisObject() : nullptr; }

TChartAxis* TDuvCustomToolSeries::GetVertAxis() const { return series_ ? series_->VertAxisObject() : nullptr; }

void TDuvCustomToolSeries::Assign(const TPersistent* source)
{
    if (const auto* tool = dynamic_cast<const TDuvCustomToolSeries*>(source)) series_ = tool->series_;
    TDuvCustomTool::Assign(source);
}

int CheckedAxisIndex(std::int64_t stored, int axisCount)
{
    if (stored < 0 || stored >= axisCount)
        throw EReadError("Invalid AxisID " + std::to_string(stored) + ": the chart has " + std::to_string(axisCount) +
                         " axes");
    return static_cast<int>(stored);
}

namespace {

TCustomAxisPanel* ChartOfAxis(const TChartAxis* axis) { return axis ? axis->ParentChart() : nullptr; }

// The axis' position in its chart's axis list, -1 when it is in none.
int AxisIndexInChart(const TChartAxis* axis)
{
    const TCustomAxisPanel* chart = ChartOfAxis(axis);
    return chart ? chart->AxesList().IndexOf(axis) : -1;
}

}  // namespace

void TDuvCustomToolAxis::SetAxis(TChartAxis* value)
{
    if (value == axis_ && (!axis_ || ChartOfAxis(axis_) == ParentChart())) return;
    axis_ = value;
    SetParentChart(ChartOfAxis(value));
    RequestRepaint();
}

void TDuvCustomToolAxis::Assign(const TPersistent* source)
{
    if (const auto* tool = dynamic_cast<const TDuvCustomToolAxis*>(source)) axis_ = tool->axis_;
    TDuvCustomTool::Assign(source);
}

void TDuvCustomToolAxis::DefineProperties(TFiler& filer)
{
    TDuvCustomTool::DefineProperties(filer);
    const int index = AxisIndexInChart(axis_);
    filer.DefineProperty(
        "AxisID",
        [this](TReader& reader) {
            const std::int64_t stored = reader.ReadInteger();
            TCustomAxisPanel* chart = ParentChart();
            if (!chart) return;
            const TChartAxes& axes = chart->AxesList();
            SetAxis(axes.GetAxis(CheckedAxisIndex(stored, axes.Count())));
        },
        [index](TWriter& writer) { writer.WriteInteger(index); }, index >= 0);
}

std::string TDuvCustomAnimation::DescriptiveName() const
{
    if (!Name().empty()) return Name();
    std::string description = GetDescription();
    return description.empty() ? ClassName() : description;
}

TChartTools* TDuvCustomAnimation::ChartListOf(TCustomAxisPanel* chart) const
{
    return chart ? chart->Animations() : nullptr;
}

TChartTools::~TChartTools()
{
    for (TDuvCustomTool* tool : items_)
        if (tool->list_ == this) tool->list_ = nullptr;
}

int TChartTools::IndexOf(const TDuvCustomTool* tool) const
{
    const auto it = std::find(items_.begin(), items_.end(), tool);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TChartTools::Append(TDuvCustomTool* tool)
{
    if (!tool || IndexOf(tool) >= 0) return;
    // A tool is in one list at a time.
    if (tool->list_ && tool->list_ != this) tool->list_->Remove(tool);
    items_.push_back(tool);
    tool->list_ = this;
}

void TChartTools::Remove(TDuvCustomTool* tool)
{
    items_.erase(std::remove(items_.begin(), items_.end(), tool), items_.end());
    if (tool && tool->list_ == this) tool->list_ = nullptr;
    if (tool == holder_) holder_ = nullptr;
}

TDuvCustomTool* TChartTools::AddTool(TDuvCustomTool* tool)
{
    if (Chart) tool->SetParentChart(Chart);
    // Joining the chart appends it when the chart's lists are this one; a list of its own still gets it.
    if (IndexOf(tool) < 0) Append(tool);
    return tool;
}

TDuvCustomTool* TChartTools::CreateTool(const TClassInfo& toolClass)
{
    if (!toolClass.InheritsFrom(TDuvCustomTool::StaticClass()))
        throw EComponentError("Class " + toolClass.Name() + " is not a tool class");
    auto* tool = static_cast<TDuvCustomTool*>(toolClass.Create(Chart));
    return AddTool(tool);
}

void TChartTools::Clear()
{
    while (!items_.empty()) {
        TDuvCustomTool* tool = items_.back();
        Remove(tool);
        FreeComponent(tool);
    }
}

std::vector<TDuvCustomTool*> TChartTools::ActiveTools() const
{
    std::vector<TDuvCustomTool*> tools;
    for (TDuvCustomTool* tool : items_)
        if (tool->Active()) tools.push_back(tool);
    return tools;
}

void TChartTools::BroadcastChartEvent(TChartEventCode code) const
{
    for (TDuvCustomTool* tool : ActiveTools()) tool->HandleChartEvent(code);
}

TEventReply TChartTools::BroadcastMouseEvent(TMouseEventKind kind, TMouseButton button, TShiftState shift, int x,
                                             int y, bool heldElsewhere) const
{
    // A holder made inactive lets go of its drag; so does one whose release was lost (a window
    // its press opened took it): its button cannot go down twice.
    const bool lostRelease = kind == TMouseEventKind::Down && button == holderButton_;
    if (holder_ && (!holder_->Active() || lostRelease)) holder_ = nullptr;
    const std::vector<TDuvCustomTool*> tools = ActiveTools();
    TEventReply reply = TEventReply::PassOn;
    std::vector<TDuvCustomTool*> heard;
    auto ask = [&](TDuvCustomTool* tool) {
        heard.push_back(tool);
        return tool->HandleMouseEvent(kind, button, shift, x, y);
    };
    if (holder_) {
        reply = ask(holder_);
        if (kind == TMouseEventKind::Up && button == holderButton_) holder_ = nullptr;
    } else if (!heldElsewhere) {
        for (TDuvCustomTool* tool : tools) {
            if (kind == TMouseEventKind::Down && !tool->HitTest(x, y)) continue;
            reply = ask(tool);
            if (reply == TEventReply::PassOn) continue;
            if (kind == TMouseEventKind::Down) {
                holder_ = tool;
                holderButton_ = button;
            }
            break;
        }
    }
    if (kind == TMouseEventKind::Down) return reply;
    for (TDuvCustomTool* tool : tools)
        if (tool->ListensToEveryMove() && std::find(heard.begin(), heard.end(), tool) == heard.end())
            tool->HandleMouseEvent(kind, button, shift, x, y);
    return reply;
}

void TChartTools::BroadcastDragEvent(TDragEventKind kind, TObject* source, bool& accept, int x, int y) const
{
    for (TDuvCustomTool* tool : ActiveTools()) tool->HandleDragEvent(kind, source, accept, x, y);
}

TEventReply TChartTools::BroadcastKeyEvent(TKeyEventKind kind, int& key, TShiftState shift, char& keyChar) const
{
    for (TDuvCustomTool* tool : ActiveTools())
        if (const TEventReply reply = tool->HandleKeyEvent(kind, key, shift, keyChar); reply != TEventReply::PassOn)
            return reply;
    return TEventReply::PassOn;
}

TEventReply TChartTools::BroadcastMouseWheel(TWheelEventKind kind, int wheelDelta, int x, int y) const
{
    for (TDuvCustomTool* tool : ActiveTools())
        if (const TEventReply reply = tool->HandleMouseWheel(kind, wheelDelta, x, y); reply != TEventReply::PassOn)
            return reply;
    return TEventReply::PassOn;
}

void TChartTools::BroadcastSeriesEvent(TSeriesEventCode code, TCustomChartSeries* series) const
{
    for (TDuvCustomTool* tool : ActiveTools()) tool->HandleSeriesEvent(code, series);
}

void TChartTools::ForgetSeries(const TCustomChartSeries* series) const
{
    for (TDuvCustomTool* tool : items_)
        if (auto* seriesTool = dynamic_cast<TDuvCustomToolSeries*>(tool); seriesTool && seriesTool->Series() == series)
            seriesTool->SetSeries(nullptr);
}

void TChartTools::ForgetAxis(const TChartAxis* axis) const
{
    for (TDuvCustomTool* tool : items_)
        if (auto* axisTool = dynamic_cast<TDuvCustomToolAxis*>(tool); axisTool && axisTool->Axis() == axis)
            axisTool->StoreAxis(nullptr);
}

// ---------------------------------------------------------------- series sources

TDuvSeriesSource::TDuvSeriesSource(TComponent* owner) : TComponent(owner) {}

TDuvSeriesSource::~TDuvSeriesSource()
{
    // Freeing the source leaves the series' points as they are.
    active_ = false;
    if (series_) series_->RemoveDataSource(this);
}

void TDuvSeriesSource::SetActive(bool value)
{
    if (value == active_) return;
    if (series_) {
        if (value) {
            if (!HasState(csLoading)) LoadData();
        } else if (!HasState(csDestroying) && !series_->HasState(csDestroying)) {
            series_->ClearPoints();
        }
    }
    active_ = value;
}

void TDuvSeriesSource::SetSeries(TCustomChartSeries* value)
{
    if (value == series_) return;
    Close();
    TCustomChartSeries* old = series_;
    series_ = value;
    if (series_) {
        series_->AddDataSource(this);
    } else if (old) {
        old->RemoveDataSource(this);
    }
}

bool TDuvSeriesSource::IsSourceOf(const TCustomChartSeries* series) const
{
    if (!series || series->DataSourceCount() == 0) return false;
    const TComponent* first = series->DataSource(0);
    return first && first->ClassName() == ClassName();
}

void TDuvSeriesSource::Close()
{
    if (HasState(csLoading | csDestroying)) return;
    SetActive(false);
}

void TDuvSeriesSource::RefreshIfActive()
{
    if (active_ && !HasState(csLoading)) LoadData();
}

void TDuvSeriesSource::Loaded()
{
    TComponent::Loaded();
    RefreshIfActive();
}

void TDuvSeriesSource::Notification(TComponent* component, TOperation operation)
{
    // The series' points go with it; the reference clears itself.
    if (operation == TOperation::opRemove && component == series_) active_ = false;
    TComponent::Notification(component, operation);
}

std::vector<const TClassInfo*>& SeriesSourceClasses()
{
    static std::vector<const TClassInfo*> classes;
    return classes;
}

// ---------------------------------------------------------------- module

void RuRazaziListsInitialization()
{
    for (const TClassInfo* info : {&TSeriesGroup::StaticClass(), &TSeriesGroups::StaticClass(),
                                   &TDuvCustomTool::StaticClass(), &TDuvCustomToolSeries::StaticClass(),
                                   &TDuvCustomToolAxis::StaticClass(), &TDuvCustomAnimation::StaticClass(),
                                   &TDuvSeriesSource::StaticClass()})
        RegisterClassForStreaming(*info);
}
