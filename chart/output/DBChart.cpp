#include "chart/output/DBChart.h"

#include <QTimer>
#include <cmath>

#include "chart/engine/ChartEditorServices.h"
#include "chart/engine/ChartPublished.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/DuvConst.h"
#include "platform/core/DateTime.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/StringList.h"

// ---------------------------------------------------------------- screen cursor

namespace {
TCursor screenCursor = crDefault;
}

TCursor ScreenCursor() { return screenCursor; }

void SetScreenCursor(TCursor cursor)
{
    screenCursor = cursor;
    ChartEditorServices().ShowScreenCursor(cursor);
}

// ---------------------------------------------------------------- keywords

void SplitKeyword(const std::string& text, std::string& keyword, std::string& fieldName)
{
    keyword.clear();
    fieldName = text;
    if (text.empty() || text[0] != '#') return;
    const std::size_t second = text.find('#', 1);
    if (second == std::string::npos) return;
    keyword = UpperCase(text.substr(1, second - 1));
    fieldName = text.substr(second + 1);
}

namespace {

TField* FieldOrNone(TDataSet* dataSet, const std::string& name)
{
    return name.empty() ? nullptr : &dataSet->FieldByName(name);
}

struct TKeywordEntry {
    const char* Keyword;
    int Value;
};

constexpr TKeywordEntry kDateGroups[] = {
    {"HOUR", int(TDBDateGroup::Hour)},   {"DAY", int(TDBDateGroup::Day)},
    {"WEEK", int(TDBDateGroup::Week)},   {"WEEKDAY", int(TDBDateGroup::WeekDay)},
    {"MONTH", int(TDBDateGroup::Month)}, {"QUARTER", int(TDBDateGroup::Quarter)},
    {"YEAR", int(TDBDateGroup::Year)},
};

constexpr TKeywordEntry kAggregates[] = {
    {"SUM", int(TDBAggregate::Sum)},   {"COUNT", int(TDBAggregate::Count)}, {"HIGH", int(TDBAggregate::High)},
    {"LOW", int(TDBAggregate::Low)},   {"AVG", int(TDBAggregate::Avg)},
};

template <std::size_t N>
int LookupKeyword(const TKeywordEntry (&table)[N], const std::string& keyword)
{
    for (const TKeywordEntry& entry : table)
        if (keyword == entry.Keyword) return entry.Value;
    return 0;
}

double NumericValue(const TField* field)
{
    if (!field) return 0;
    if (field->FieldKind() == fkAggregate) return field->Value().FloatValue();
    return field->AsFloat();
}

}  // namespace

TDBChartSeries PrepareDBChartSeries(TChartSeries* series, TDataSet* dataSet)
{
    TDBChartSeries item;
    item.Series = series;
    item.DataSet = dataSet;
    item.YMandatory = series->YMandatory();
    item.ValueList = series->MandatoryList();
    const std::string& valueSource = item.ValueList->ValueSource();
    item.ValueFieldCount = CountListItems(valueSource);

    std::string keyword, name;
    SplitKeyword(series->XLabelsSource(), keyword, name);
    item.LabelField = FieldOrNone(dataSet, name);
    if (keyword == "SORTASC") item.LabelSort = TDBLabelSort::Ascending;
    else if (keyword == "SORTDES") item.LabelSort = TDBLabelSort::Descending;
    else item.DateGroup = TDBDateGroup(LookupKeyword(kDateGroups, keyword));

    item.ColorField = FieldOrNone(dataSet, series->ColorSource());

    SplitKeyword(ListItemOf(valueSource, 1), keyword, name);
    item.ValueField = FieldOrNone(dataSet, name);
    item.Aggregate = TDBAggregate(LookupKeyword(kAggregates, keyword));
    const TChartValueLists& lists = series->ValueLists();
    item.ListFields.assign(static_cast<std::size_t>(lists.Count()), nullptr);
    if (keyword.empty())
        for (int i = 0; i < lists.Count(); ++i)
            if (lists[i] != item.ValueList) item.ListFields[std::size_t(i)] = FieldOrNone(dataSet, lists[i]->ValueSource());
    return item;
}

// ---------------------------------------------------------------- date groups

void IsoWeekOf(double dateTime, int& week, int& year)
{
    const double day = std::floor(dateTime);
    const int a = (DayOfWeek(day) + 5) % 7;  // Monday 0 .. Sunday 6
    const double thursday = day - a + 3;
    int month = 0, dayOfMonth = 0;
    DecodeDate(thursday, year, month, dayOfMonth);
    week = static_cast<int>(std::trunc(thursday - EncodeDate(year, 1, 1))) / 7 + 1;
}

bool DateGroupLabel(TDBDateGroup group, double d, std::string& label, double& x)
{
    if (group == TDBDateGroup::None) return false;
    const double day = std::floor(d);
    int year = 0, month = 0, dayOfMonth = 0;
    DecodeDate(day, year, month, dayOfMonth);
    switch (group) {
    case TDBDateGroup::Hour: {
        int hour = 0, minute = 0, second = 0, msec = 0;
        DecodeTime(d, hour, minute, second, msec);
        // The whole date stays in label and X, so hours of different days never merge.
        x = day + hour / 24.0;
        label = FormatDateTime("dd/mmm/yyyy hh:nn", x);
        break;
    }
    case TDBDateGroup::Day:
        x = day;
        label = FormatDateTime("dd/mmm/yyyy", day);
        break;
    case TDBDateGroup::Week: {
        int week = 0, isoYear = 0;
        IsoWeekOf(day, week, isoYear);
        label = IntToStr(week) + "/" + IntToStr(isoYear);
        x = EncodeDate(isoYear, 1, 4) + (week - 1) * 7.0;
        x = x - (DayOfWeek(x) + 5) % 7 + 3;  // the Thursday of that week
        break;
    }
    case TDBDateGroup::WeekDay: {
        const int dow = DayOfWeek(day);
        label = FormatSettings().ShortDayNames[std::size_t(dow - 1)];
        x = dow == 1 ? 7 : dow - 1;
        break;
    }
    case TDBDateGroup::Month:
        label = FormatDateTime("mm/yy", EncodeDate(year, month, 1));
        x = EncodeDate(year, month, 15);
        break;
    case TDBDateGroup::Quarter: {
        const int quarter = (month - 1) / 3 + 1;
        label = IntToStr(quarter) + "/" + IntToStr(year);
        x = EncodeDate(year, 3 * (quarter - 1) + 2, 1);
        break;
    }
    case TDBDateGroup::Year:
        label = FormatDateTime("yyyy", EncodeDate(year, 1, 1));
        x = EncodeDate(year, 6, 15);
        break;
    case TDBDateGroup::None: break;
    }
    return true;
}

// ---------------------------------------------------------------- records to points

void ProcessRecord(TDBChartSeries& item, bool currentRecordMode)
{
    std::string label;
    double x = 0, y = 0;
    if (item.DateGroup == TDBDateGroup::None) {
        if (item.LabelField) label = item.LabelField->DisplayText();
    } else if (item.LabelField) {
        // A record without a date belongs to no group.
        if (item.LabelField->IsNull()) return;
        DateGroupLabel(item.DateGroup, item.LabelField->AsFloat(), label, x);
    }

    TColor color = clDefault;
    if (item.Aggregate == TDBAggregate::None) {
        if (item.ColorField) color = static_cast<TColor>(item.ColorField->AsInteger());
        else if (item.ValueFieldCount == 1 && item.ValueField && item.ValueField->IsNull()) color = clNone;
    } else if (item.ValueField && item.ValueField->IsNull()) {
        color = clNone;  // aggregates leave nulls out
    }

    TChartSeries* series = item.Series;
    TChartValueList* other = series->SecondaryList();
    if (item.ValueFieldCount == 1) {
        if (currentRecordMode && !item.LabelField) label = item.ValueList->ValueSource();
        const int otherIndex = series->ValueLists().IndexOf(other);
        if (TField* otherField = otherIndex >= 0 ? item.ListFields[std::size_t(otherIndex)] : nullptr) x = otherField->AsFloat();
        y = NumericValue(item.ValueField);
        AddToSeries(item, label, x, y, color);
        return;
    }
    const std::string& names = item.ValueList->ValueSource();
    const bool labelFromName = series->XLabelsSource().empty();
    for (int i = 1; i <= item.ValueFieldCount; ++i) {
        const std::string name = ListItemOf(names, i);
        if (labelFromName) label = name;
        if (name.empty()) {
            y = 0;
            color = clDefault;
        } else {
            const TField& field = item.DataSet->FieldByName(name);
            y = NumericValue(&field);
            color = field.IsNull() ? clNone : clDefault;
        }
        if (item.DateGroup == TDBDateGroup::None) x = series->PointCount();
        AddToSeries(item, label, x, y, color);
    }
}

namespace {

void Accumulate(TDBAggregate aggregate, TDBChartGroup& group, double y)
{
    if (group.Count == 0) {
        group.Value = aggregate == TDBAggregate::Count ? 1 : y;
        group.Count = 1;
        return;
    }
    ++group.Count;
    switch (aggregate) {
    case TDBAggregate::Sum:
    case TDBAggregate::Avg: group.Value += y; break;
    case TDBAggregate::Count: group.Value += 1; break;
    case TDBAggregate::High: if (y > group.Value) group.Value = y; break;
    case TDBAggregate::Low: if (y < group.Value) group.Value = y; break;
    case TDBAggregate::None: break;
    }
}

}  // namespace

void AddToSeries(TDBChartSeries& item, const std::string& label, double x, double y, TColor color)
{
    TChartSeries* series = item.Series;
    if (item.Aggregate != TDBAggregate::None) {
        // Groups collect here and become points in the post-processing.
        auto [found, isNew] = item.GroupIndex.try_emplace(label, static_cast<int>(item.Groups.size()));
        if (isNew) item.Groups.push_back({label, x, 0, 0});
        if (color != clNone) Accumulate(item.Aggregate, item.Groups[std::size_t(found->second)], y);
        return;
    }
    const TChartValueLists& lists = series->ValueLists();
    for (int i = 2; i < lists.Count(); ++i) {
        TField* field = item.ListFields[std::size_t(i)];
        lists[i]->PendingValue = field ? field->AsFloat() : 0;
    }
    TChartValueList* other = series->SecondaryList();
    if (other->ValueSource().empty() && item.DateGroup == TDBDateGroup::None && item.ValueFieldCount <= 1) {
        if (item.YMandatory) series->AddYWithIndexX(y, label, color);
        else series->AddXWithIndexY(y, label, color);
    } else if (item.YMandatory) {
        series->AddPointXY(x, y, label, color);
    } else {
        series->AddPointXY(y, x, label, color);
    }
}

void PostProcessSeries(TDBChartSeries& item)
{
    if (item.Aggregate == TDBAggregate::None) return;
    TChartSeries* series = item.Series;
    for (TDBChartGroup& group : item.Groups) {
        const bool isNull = group.Count == 0;
        double value = group.Value;
        if (item.Aggregate == TDBAggregate::Avg && !isNull) value /= group.Count;
        const TColor color = isNull ? clNone : clDefault;
        if (item.DateGroup == TDBDateGroup::None) {
            if (item.YMandatory) series->AddYWithIndexX(value, group.Label, color);
            else series->AddXWithIndexY(value, group.Label, color);
        } else if (item.YMandatory) {
            series->AddPointXY(group.X, value, group.Label, color);
        } else {
            series->AddPointXY(value, group.X, group.Label, color);
        }
    }
    item.Groups.clear();
    item.GroupIndex.clear();
    if (item.LabelSort != TDBLabelSort::None)
        series->SortPointsByLabel(item.LabelSort == TDBLabelSort::Ascending ? 1 : 2);
}

// ---------------------------------------------------------------- the chart's data sources

TDBChartDataSource::TDBChartDataSource(TCustomDBChart* chart, TDataSet* dataSet, bool hookDataChange) : FDBChart(chart)
{
    SetDataSet(dataSet);
    FWasActive = dataSet->Active();
    OnStateChange = [this](TDataSource&) { StateChanged(); };
    OnUpdateData = [this](TDataSource&) { UpdateData(); };
    if (hookDataChange) HookDataChange();
}

TDBChartDataSource::~TDBChartDataSource()
{
    OnStateChange = nullptr;
    OnUpdateData = nullptr;
    OnDataChange = nullptr;
}

void TDBChartDataSource::HookDataChange()
{
    if (dataChangeHooked_) return;
    dataChangeHooked_ = true;
    OnDataChange = [this](TDataSource&, TField*) {
        if (!FDBChart->Refreshing() && FDBChart->AutoRefresh()) FDBChart->RefreshCurrentRecordSeries(DataSet());
    };
}

void TDBChartDataSource::StateChanged()
{
    TDataSet* dataSet = DataSet();
    if (!dataSet) return;
    if (dataSet->State() == dsInactive) {
        FWasActive = false;
        FDBChart->ClearDataSetSeries(dataSet);
    } else if (dataSet->State() == dsBrowse && !FWasActive) {
        FDBChart->AutoRefreshDataSet(dataSet, nullptr);
        FWasActive = true;
    }
}

void TDBChartDataSource::UpdateData()
{
    TDataSet* dataSet = DataSet();
    if (!dataSet) return;
    if (dataSet->State() == dsBrowse) FDBChart->AutoRefreshDataSet(dataSet, nullptr);
    else FWasActive = false;
}

// ---------------------------------------------------------------- the chart

TCustomDBChart::TCustomDBChart(TComponent* owner) : TCustomChart(owner) {}

TCustomDBChart::~TCustomDBChart()
{
    timer_.reset();
    dataSources_.clear();
}

TDataSet* TCustomDBChart::BoundDataSet(const TCustomChartSeries* series)
{
    TComponent* source = series ? series->GetDataSource() : nullptr;
    if (auto* direct = dynamic_cast<TDataSetComponent*>(source)) return direct->DataSet();
    if (auto* through = dynamic_cast<TDataSourceComponent*>(source))
        return through->DataSource() ? through->DataSource()->DataSet() : nullptr;
    return nullptr;
}

bool TCustomDBChart::BoundToAllRecords(const TCustomChartSeries* series)
{
    return dynamic_cast<TDataSetComponent*>(series->GetDataSource()) != nullptr;
}

int TCustomDBChart::IndexOfDataSet(const TDataSet* dataSet) const
{
    for (std::size_t i = 0; i < dataSources_.size(); ++i)
        if (dataSources_[i]->DataSet() == dataSet) return static_cast<int>(i);
    return -1;
}

void TCustomDBChart::SetRefreshInterval(int value)
{
    if (value < 0 || value > 60) throw DBChartException("Refresh Interval must be between 0 and 60");
    refreshInterval_ = value;
    RestartRefreshTimer();
}

void TCustomDBChart::RestartRefreshTimer()
{
    if (timer_) timer_->stop();
    if (refreshInterval_ <= 0 || HasState(csDesigning)) return;
    if (!timer_) {
        timer_ = std::make_unique<QTimer>();
        QObject::connect(timer_.get(), &QTimer::timeout, [this] { RefreshTimerTick(); });
    }
    timer_->setInterval(refreshInterval_ * 1000);
    timer_->start();
}

void TCustomDBChart::RefreshTimerTick()
{
    if (timer_) timer_->stop();
    // The timer keeps running after a failure; the failure is told once until a refresh works.
    TScopeGuard restart([this] {
        if (timer_ && refreshInterval_ > 0) timer_->start();
    });
    try {
        for (std::size_t i = 0; i < dataSources_.size(); ++i) {
            TDataSet* dataSet = dataSources_[i]->DataSet();
            if (!dataSet || !dataSet->Active()) continue;
            dataSet->Refresh();
            AutoRefreshDataSet(dataSet, nullptr);
        }
    } catch (...) {
        if (timerFailureReported_) return;
        timerFailureReported_ = true;
        throw;
    }
    timerFailureReported_ = false;
}

void TCustomDBChart::CheckDataSource(TDataSet* dataSet, bool hookDataChange)
{
    const int index = IndexOfDataSet(dataSet);
    if (index >= 0) {
        // A series through a data source may come after one bound directly: it needs the scrolls too.
        if (hookDataChange) dataSources_[std::size_t(index)]->HookDataChange();
        return;
    }
    dataSources_.push_back(std::make_unique<TDBChartDataSource>(this, dataSet, hookDataChange));
}

void TCustomDBChart::ClearDataSetSeries(TDataSet* dataSet)
{
    if (!autoRefresh_) return;
    for (int i = 0; i < SeriesList().Count(); ++i) {
        TCustomChartSeries* series = GetSeries(i);
        if (BoundToAllRecords(series) && BoundDataSet(series) == dataSet) series->ClearPoints();
    }
}

void TCustomDBChart::RefreshSeriesData(TCustomChartSeries* series)
{
    if (!series || series->HasState(csLoading)) return;
    if (series->ParentChart() != this) throw ChartException(DuvMsgSeriesParentNotSelf);
    TDataSet* dataSet = BoundDataSet(series);
    if (!dataSet) {
        TCustomChart::RefreshSeriesData(series);
        return;
    }
    // The points stay until a refill really runs (a closed dataset or AutoRefresh off keep them).
    CheckDataSource(dataSet, !BoundToAllRecords(series));
    AutoRefreshDataSet(dataSet, dynamic_cast<TChartSeries*>(series));
}

bool TCustomDBChart::IsValidDataSource(TCustomChartSeries* series, TComponent* component)
{
    if (!dynamic_cast<TDataSetComponent*>(component) && !dynamic_cast<TDataSourceComponent*>(component))
        return TCustomChart::IsValidDataSource(series, component);
    bool valid = true;
    if (OnValidDataSource) OnValidDataSource(this, series, component, valid);
    return valid;
}

void TCustomDBChart::RemovedDataSource(TCustomChartSeries* series, TComponent* component)
{
    TCustomChart::RemovedDataSource(series, component);
    TDataSet* dataSet = nullptr;
    if (auto* direct = dynamic_cast<TDataSetComponent*>(component)) dataSet = direct->DataSet();
    else if (auto* through = dynamic_cast<TDataSourceComponent*>(component))
        dataSet = through->DataSource() ? through->DataSource()->DataSet() : nullptr;
    else return;
    // Other series may still be bound to the same dataset.
    for (int i = 0; i < SeriesList().Count(); ++i) {
        TCustomChartSeries* other = GetSeries(i);
        if (other != series && BoundDataSet(other) == dataSet) return;
    }
    std::erase_if(dataSources_, [dataSet](const auto& source) { return source->DataSet() == dataSet || !source->DataSet(); });
}

void TCustomDBChart::EnumDataSetFields(TCustomChartSeries* series, const std::function<void(const std::string&)>& proc)
{
    TDataSet* dataSet = BoundDataSet(series);
    if (!dataSet) return;
    if (dataSet->FieldCount() == 0) {
        dataSet->FieldDefs().Update();
        for (int i = 0; i < dataSet->FieldDefs().Count(); ++i) proc(dataSet->FieldDefs().Items(i).Name);
        return;
    }
    for (int i = 0; i < dataSet->FieldCount(); ++i) proc(dataSet->Fields().Fields(i).FieldName());
}

void TCustomDBChart::Assign(const TPersistent* source)
{
    if (auto* other = dynamic_cast<const TCustomDBChart*>(source)) {
        autoRefresh_ = other->autoRefresh_;
        SetRefreshInterval(other->refreshInterval_);
        showGlassCursor_ = other->showGlassCursor_;
    }
    TCustomChart::Assign(source);
}

void TCustomDBChart::AutoRefreshDataSet(TDataSet* dataSet, TChartSeries* series)
{
    if (autoRefresh_) RefreshDataSet(dataSet, series);
}

void TCustomDBChart::RefreshDataSet(TDataSet* dataSet, TChartSeries* series)
{
    if (refreshing_ || !dataSet || !dataSet->Active()) return;
    refreshing_ = true;
    TScopeGuard done([this] { refreshing_ = false; });
    // Each series by its own binding: all records, or the current one.
    std::vector<TDBChartSeries> all, current;
    auto prepare = [&](TChartSeries* s) {
        (BoundToAllRecords(s) ? all : current).push_back(PrepareDBChartSeries(s, dataSet));
    };
    if (series) {
        prepare(series);
    } else {
        for (int i = 0; i < SeriesList().Count(); ++i) {
            auto* s = dynamic_cast<TChartSeries*>(GetSeries(i));
            if (s && BoundDataSet(s) == dataSet && !s->MandatoryList()->ValueSource().empty()) prepare(s);
        }
    }
    RefillSeries(dataSet, all, current);
}

void TCustomDBChart::RefreshCurrentRecordSeries(TDataSet* dataSet)
{
    if (refreshing_ || !dataSet || !dataSet->Active()) return;
    refreshing_ = true;
    TScopeGuard done([this] { refreshing_ = false; });
    std::vector<TDBChartSeries> all, current;
    for (int i = 0; i < SeriesList().Count(); ++i) {
        auto* s = dynamic_cast<TChartSeries*>(GetSeries(i));
        if (s && !BoundToAllRecords(s) && BoundDataSet(s) == dataSet && !s->MandatoryList()->ValueSource().empty())
            current.push_back(PrepareDBChartSeries(s, dataSet));
    }
    RefillSeries(dataSet, all, current);
}

void TCustomDBChart::RefillSeries(TDataSet* dataSet, std::vector<TDBChartSeries>& all, std::vector<TDBChartSeries>& current)
{
    if (all.empty() && current.empty()) return;
    const TCursor oldCursor = ScreenCursor();
    if (showGlassCursor_) SetScreenCursor(crHourGlass);
    const bool oldAutoRepaint = AutoRepaint;
    AutoRepaint = false;
    TScopeGuard restore([&] {
        AutoRepaint = oldAutoRepaint;
        Invalidate();
        if (showGlassCursor_) SetScreenCursor(oldCursor);
    });
    // What was read is sorted and told to the dependents, also when the loop failed.
    auto finish = [](std::vector<TDBChartSeries>& list) {
        for (TDBChartSeries& item : list) {
            PostProcessSeries(item);
            item.Series->SortByOrder();
            item.Series->NotifyDataChanged();
        }
    };
    for (TDBChartSeries& item : all) item.Series->ClearPoints();
    for (TDBChartSeries& item : current) item.Series->ClearPoints();
    {
        TScopeGuard finishAll([&] { finish(all); });
        RunRecordLoop(dataSet, all);
    }
    if (current.empty()) return;
    TScopeGuard finishCurrent([&] { finish(current); });
    try {
        if (OnProcessRecord) OnProcessRecord(this, dataSet);
        for (TDBChartSeries& item : current) ProcessRecord(item, true);
    } catch (const EAbort&) {
    }
}

void TCustomDBChart::RunRecordLoop(TDataSet* dataSet, std::vector<TDBChartSeries>& list)
{
    if (list.empty()) return;
    dataSet->DisableControls();
    TScopeGuard enable([dataSet] { dataSet->EnableControls(); });
    const TBookmark bookmark = dataSet->GetBookmark();
    TScopeGuard back([dataSet, bookmark] {
        TScopeGuard free([dataSet, bookmark] { dataSet->FreeBookmark(bookmark); });
        if (dataSet->BookmarkValid(bookmark)) dataSet->GotoBookmark(bookmark);
    });
    try {
        dataSet->First();
        while (!dataSet->Eof()) {
            if (OnProcessRecord) OnProcessRecord(this, dataSet);
            for (TDBChartSeries& item : list) ProcessRecord(item, false);
            dataSet->Next();
        }
    } catch (const EAbort&) {
    }
}

// ---------------------------------------------------------------- published form

void TDBChart::DeclareProperties(TPropertyDeclarer<TDBChart>& p)
{
    TChart::DeclarePublished(p);
    using C = TCustomDBChart;
    p.Boolean("AutoRefresh", &C::AutoRefresh, &C::SetAutoRefresh).Default(true);
    p.Integer("RefreshInterval", &C::RefreshInterval, &C::SetRefreshInterval).Default(0);
    p.Boolean("ShowGlassCursor", &C::ShowGlassCursor, &C::SetShowGlassCursor).Default(true);
    p.Event("OnProcessRecord", &C::OnProcessRecord);
    p.Event("OnValidDataSource", &C::OnValidDataSource);
}

void DBChartInitialization()
{
    RegisterClassForStreaming(TDBChart::StaticClass());
}

void DBChartFinalization() {}
