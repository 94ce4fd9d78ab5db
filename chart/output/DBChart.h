#pragma once
// The database-bound chart: series whose data source is a dataset get one point (or one group)
// per record; series bound through a data source follow the current record.
//
// What always holds:
//  - a refill prepares every listed series (field look-ups) before any point changes, so a bad
//    field name leaves the series, the cursor and AutoRepaint as they were;
//  - a refill never nests: dataset events raised by its own navigation return at once;
//  - each series is filled by its own binding (all records or the current record).
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/db/DataSource.h"
#include "platform/ui/Controls.h"

class QTimer;
class TCustomDBChart;

// Datasets and data sources are not components; a series names them through these.
// Binding a series to a TDataSetComponent makes every record a point; to a TDataSourceComponent,
// only the current record of the data source's dataset. Each follows its dataset or data source
// through the database layer's own link, so it turns empty when that one is freed.
class TDataSetComponent : public TComponent {
    QB_CLASS(TDataSetComponent, TComponent)
public:
    explicit TDataSetComponent(TComponent* owner = nullptr, TDataSet* dataSet = nullptr) : TComponent(owner)
    {
        link_.SetDataSet(dataSet);
    }
    TDataSet* DataSet() const { return link_.DataSet(); }
    void SetDataSet(TDataSet* dataSet) { link_.SetDataSet(dataSet); }

private:
    TDataSource link_;
};

class TDataSourceComponent : public TComponent {
    QB_CLASS(TDataSourceComponent, TComponent)
public:
    explicit TDataSourceComponent(TComponent* owner = nullptr, TDataSource* source = nullptr) : TComponent(owner)
    {
        link_.SetDataSource(source);
    }
    TDataSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(TDataSource* source) { link_.SetDataSource(source); }

private:
    TDataLink link_;
};

// The screen cursor as the model layer sees it; the installed editor services show it.
TCursor ScreenCursor();
void SetScreenCursor(TCursor cursor);

class DBChartException : public Exception {
public:
    using Exception::Exception;
};

enum class TDBDateGroup { None, Hour, Day, Week, WeekDay, Month, Quarter, Year };
enum class TDBAggregate { None, Sum, Count, High, Low, Avg };
enum class TDBLabelSort { None, Ascending, Descending };

// One group of an aggregate series while the records are read.
struct TDBChartGroup {
    std::string Label;
    double X = 0;
    double Value = 0;
    int Count = 0;  // records with a value (nulls are left out)
};

// One series being refilled, prepared once per refill.
struct TDBChartSeries {
    TChartSeries* Series = nullptr;
    TDataSet* DataSet = nullptr;
    bool YMandatory = true;
    TChartValueList* ValueList = nullptr;
    TDBLabelSort LabelSort = TDBLabelSort::None;
    TField* LabelField = nullptr;
    TField* ColorField = nullptr;
    TField* ValueField = nullptr;
    int ValueFieldCount = 0;
    TDBDateGroup DateGroup = TDBDateGroup::None;
    TDBAggregate Aggregate = TDBAggregate::None;
    // The field of every value list (by list index), none when its ValueSource is empty or
    // when the mandatory list carries a keyword.
    std::vector<TField*> ListFields;
    // Aggregates: the groups in order of first appearance, found by their exact label.
    std::vector<TDBChartGroup> Groups;
    std::unordered_map<std::string, int> GroupIndex;
};

// Splits "#KEYWORD#Field" into the upper-cased keyword and the field name; without the two
// marks the keyword is empty and the whole text is the field name.
void SplitKeyword(const std::string& text, std::string& keyword, std::string& fieldName);

// The four steps that turn records into points; the chart calls them, tests call them directly.
TDBChartSeries PrepareDBChartSeries(TChartSeries* series, TDataSet* dataSet);
void ProcessRecord(TDBChartSeries& item, bool currentRecordMode);
void AddToSeries(TDBChartSeries& item, const std::string& label, double x, double y, TColor color);
void PostProcessSeries(TDBChartSeries& item);
// Label and X of a date-time for a date group; false when the group is none.
bool DateGroupLabel(TDBDateGroup group, double dateTime, std::string& label, double& x);
// ISO week number and ISO year of a date-time.
void IsoWeekOf(double dateTime, int& week, int& year);

// Links the chart to one dataset and receives its events.
class TDBChartDataSource : public TDataSource {
public:
    TDBChartDataSource(TCustomDBChart* chart, TDataSet* dataSet, bool hookDataChange);
    ~TDBChartDataSource() override;
    void HookDataChange();
    bool DataChangeHooked() const { return dataChangeHooked_; }

    TCustomDBChart* FDBChart;
    bool FWasActive = false;

private:
    void StateChanged();
    void UpdateData();
    bool dataChangeHooked_ = false;
};

using TProcessRecordEvent = TEvent<void(TCustomDBChart* sender, TDataSet* dataSet)>;

class TCustomDBChart : public TCustomChart {
    QB_CLASS(TCustomDBChart, TCustomChart)
public:
    explicit TCustomDBChart(TComponent* owner = nullptr);
    ~TCustomDBChart() override;

    bool AutoRefresh() const { return autoRefresh_; }
    void SetAutoRefresh(bool value) { autoRefresh_ = value; }
    int RefreshInterval() const { return refreshInterval_; }
    // DBChartException outside 0 .. 60; value and timer then stay as they were.
    void SetRefreshInterval(int value);
    bool ShowGlassCursor() const { return showGlassCursor_; }
    void SetShowGlassCursor(bool value) { showGlassCursor_ = value; }
    TProcessRecordEvent OnProcessRecord;

    void RefreshSeriesData(TCustomChartSeries* series) override;
    bool IsValidDataSource(TCustomChartSeries* series, TComponent* component) override;
    void RemovedDataSource(TCustomChartSeries* series, TComponent* component) override;
    void EnumDataSetFields(TCustomChartSeries* series, const std::function<void(const std::string&)>& proc) override;
    void Assign(const TPersistent* source) override;

    // Refills every series bound to the dataset (series nil) or that one series.
    void RefreshDataSet(TDataSet* dataSet, TChartSeries* series);
    void AutoRefreshDataSet(TDataSet* dataSet, TChartSeries* series);
    // Only the series that follow the dataset's current record (a scroll or a field change).
    void RefreshCurrentRecordSeries(TDataSet* dataSet);
    void CheckDataSource(TDataSet* dataSet, bool hookDataChange);
    void ClearDataSetSeries(TDataSet* dataSet);
    void RestartRefreshTimer();
    void RefreshTimerTick();

    int DataSourceCount() const { return static_cast<int>(dataSources_.size()); }
    TDBChartDataSource* RegisteredDataSource(int index) const { return dataSources_[static_cast<std::size_t>(index)].get(); }
    int IndexOfDataSet(const TDataSet* dataSet) const;
    QTimer* RefreshTimer() const { return timer_.get(); }
    bool Refreshing() const { return refreshing_; }

    // The dataset a series is bound to, directly or through a data source; none otherwise.
    static TDataSet* BoundDataSet(const TCustomChartSeries* series);
    static bool BoundToAllRecords(const TCustomChartSeries* series);

private:
    void RefillSeries(TDataSet* dataSet, std::vector<TDBChartSeries>& all, std::vector<TDBChartSeries>& current);
    void RunRecordLoop(TDataSet* dataSet, std::vector<TDBChartSeries>& list);

    bool autoRefresh_ = true;
    int refreshInterval_ = 0;
    bool showGlassCursor_ = true;
    bool refreshing_ = false;
    bool timerFailureReported_ = false;
    std::unique_ptr<QTimer> timer_;
    std::vector<std::unique_ptr<TDBChartDataSource>> dataSources_;
};

class TDBChart : public TCustomDBChart {
    QB_CLASS(TDBChart, TCustomDBChart)
public:
    explicit TDBChart(TComponent* owner = nullptr) : TCustomDBChart(owner) {}
    static void DeclareProperties(TPropertyDeclarer<TDBChart>& p);
};

void DBChartInitialization();
void DBChartFinalization();
