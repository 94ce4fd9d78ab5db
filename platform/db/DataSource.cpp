#include "platform/db/DataSource.h"

#include <algorithm>

#include "platform/core/ScopeGuard.h"

// ---- TDataSource

TDataSource::~TDataSource()
{
    SetDataSet(nullptr);
    for (TDataLink* link : std::vector<TDataLink*>(links_)) link->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(TDataSet* dataSet)
{
    if (dataSet == dataSet_) return;
    if (dataSet_) std::erase(dataSet_->dataSources_, this);
    dataSet_ = dataSet;
    if (dataSet_) dataSet_->dataSources_.push_back(this);
    const TDataSetState before = state_;
    SetState(dataSet_ && enabled_ ? dataSet_->State() : dsInactive);
    // One open dataset for another leaves the state as it was: the links must still
    // drop the fields of the old one and find their fields in the new one.
    if (state_ == before && state_ != dsInactive) NotifyLinks(deLayoutChange, nullptr);
}

void TDataSource::SetEnabled(bool enabled)
{
    enabled_ = enabled;
    SetState(dataSet_ && enabled_ ? dataSet_->State() : dsInactive);
}

void TDataSource::Edit()
{
    if (AutoEdit && state_ == dsBrowse) dataSet_->Edit();
}

void TDataSource::SetState(TDataSetState state)
{
    if (state_ == state) return;
    const TDataSetState prior = state_;
    state_ = state;
    NotifyLinks(deUpdateState, nullptr);
    if (OnStateChange) OnStateChange(*this);
    if (prior == dsInactive && OnDataChange) OnDataChange(*this, nullptr);
}

void TDataSource::NotifyLinks(TDataEvent event, TField* field)
{
    for (TDataLink* link : std::vector<TDataLink*>(links_))
        if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->DataEvent(event, field);
}

void TDataSource::DataEvent(TDataEvent event, TField* field)
{
    if (!enabled_) return;
    if (event == deUpdateState) return SetState(dataSet_->State());
    if (state_ == dsInactive) return;
    NotifyLinks(event, field);
    switch (event) {
    case deFieldChange:
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
        if (OnDataChange) OnDataChange(*this, field);
        break;
    case deUpdateRecord:
        if (OnUpdateData) OnUpdateData(*this);
        break;
    default:
        break;
    }
}

// ---- TDataLink

TDataLink::~TDataLink() { SetDataSource(nullptr); }

void TDataLink::SetDataSource(TDataSource* source)
{
    if (source == source_) return;
    if (source_) std::erase(source_->links_, this);
    source_ = source;
    if (source_) source_->links_.push_back(this);
    UpdateState();
}

void TDataLink::UpdateState()
{
    const bool active = source_ && source_->State() != dsInactive;
    const bool editing = source_ && (source_->State() == dsEdit || source_->State() == dsInsert);
    if (active != active_) {
        active_ = active;
        ActiveChanged();
    }
    if (editing != editing_) {
        editing_ = editing;
        EditingChanged();
    }
}

bool TDataLink::Edit()
{
    if (source_ && !editing_) source_->Edit();
    return editing_;
}

void TDataLink::UpdateRecord()
{
    updating_ = true;
    const TScopeGuard done([this] { updating_ = false; });
    UpdateData();
}

void TDataLink::DataEvent(TDataEvent event, TField* field)
{
    switch (event) {
    case deUpdateState: return UpdateState();
    case deFieldChange: return RecordChanged(field);
    case deRecordChange: return RecordChanged(nullptr);
    case deDataSetChange: return DataSetChanged();
    case deDataSetScroll: return DataSetScrolled();
    case deLayoutChange: return LayoutChanged();
    case deUpdateRecord:
        if (!updating_) UpdateRecord();
        return;
    case deCheckBrowseMode: return CheckBrowseMode();
    }
}
