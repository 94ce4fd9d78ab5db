#pragma once
// Data sources connect a dataset to data-aware controls: each control holds a data link, and
// the source passes the dataset's notifications (state change, data change, update data) on.
#include <functional>
#include <vector>

#include "platform/db/DataSet.h"

class TDataLink;

class TDataSource : public TObject {
public:
    TDataSource() = default;
    ~TDataSource() override;
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;
    std::string ClassName() const override { return "TDataSource"; }

    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* dataSet);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    TDataSetState State() const { return state_; }
    bool AutoEdit = true;
    void Edit();  // puts the dataset into edit state when AutoEdit allows it

    std::function<void(TDataSource&)> OnStateChange;
    std::function<void(TDataSource&, TField*)> OnDataChange;  // field nil: the record or the whole set
    std::function<void(TDataSource&)> OnUpdateData;           // a record is about to be posted

private:
    friend class TDataSet;
    friend class TDataLink;
    void DataEvent(TDataEvent event, TField* field);
    void SetState(TDataSetState state);
    void NotifyLinks(TDataEvent event, TField* field);

    TDataSet* dataSet_ = nullptr;
    bool enabled_ = true;
    TDataSetState state_ = dsInactive;
    std::vector<TDataLink*> links_;
};

// What a data-aware control overrides to follow its data source.
class TDataLink {
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return source_; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const { return source_ ? source_->DataSet() : nullptr; }
    bool Active() const { return active_; }
    bool Editing() const { return editing_; }
    bool Edit();          // answers whether the dataset is (now) being edited
    void UpdateRecord();  // this link's pending value into its field, without calling itself back

protected:
    virtual void ActiveChanged() {}
    virtual void EditingChanged() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled() { DataSetChanged(); }
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField*) {}
    virtual void UpdateData() {}
    virtual void CheckBrowseMode() {}

private:
    friend class TDataSource;
    void DataEvent(TDataEvent event, TField* field);
    void UpdateState();

    TDataSource* source_ = nullptr;
    bool active_ = false;
    bool editing_ = false;
    bool updating_ = false;
};
