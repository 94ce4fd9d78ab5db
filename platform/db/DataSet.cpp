#include "platform/db/DataSet.h"

#include <algorithm>

#include "platform/core/ScopeGuard.h"
#include "platform/core/StringList.h"
#include "platform/db/DataSource.h"
#include "platform/db/DbError.h"

TDataSet::TDataSet() : fieldDefs_(this) {}

TDataSet::~TDataSet()
{
    for (TDataSource* source : std::vector<TDataSource*>(dataSources_)) source->SetDataSet(nullptr);
}

void TDataSet::Fire(const TDataSetNotifyEvent& event, TDataSet& dataSet)
{
    if (event) event(dataSet);
}

void TDataSet::CheckActive() const
{
    if (!Active()) DatabaseError("Cannot perform this operation on a closed dataset");
}

void TDataSet::CheckInactive() const
{
    if (Active()) DatabaseError("Cannot perform this operation on an open dataset");
}

void TDataSet::CheckCanModify() const
{
    if (!CanModify()) DatabaseError("Cannot modify a read-only dataset");
}

// ---- state and notifications

void TDataSet::SetState(TDataSetState state)
{
    if (state_ == state) return;
    state_ = state;
    modified_ = false;
    DataEvent(deUpdateState);
}

void TDataSet::DataEvent(TDataEvent event, TField* field)
{
    if (disableCount_ > 0) {
        if ((event == deUpdateState && state_ == dsInactive) || event == deLayoutChange) enableEvent_ = deLayoutChange;
        return;
    }
    for (TDataSource* source : std::vector<TDataSource*>(dataSources_)) source->DataEvent(event, field);
}

void TDataSet::DisableControls()
{
    if (disableCount_++ == 0) {
        disabledState_ = state_;
        enableEvent_ = deDataSetChange;
    }
}

void TDataSet::EnableControls()
{
    if (disableCount_ == 0 || --disableCount_ > 0) return;
    if (state_ != disabledState_) DataEvent(deUpdateState);
    if (state_ != dsInactive || enableEvent_ == deLayoutChange) DataEvent(enableEvent_);
}

// ---- opening

void TDataSet::SetActive(bool active)
{
    if (active == Active()) return;
    if (active) {
        OpenCursor();
        SetState(dsBrowse);
        Fire(AfterOpen, *this);
        if (!IsEmpty()) Fire(AfterScroll, *this);
        return;
    }
    SetState(dsInactive);
    CloseCursor();
    Fire(AfterClose, *this);
}

void TDataSet::OpenCursor()
{
    InternalOpen();
    try {
        fields_.Create(this, fieldDefs_);
    } catch (...) {
        InternalClose();
        throw;
    }
    position_ = -1;
    bof_ = true;
    eof_ = InternalRecordCount() == 0;
    if (!eof_) GoTo(0);
}

void TDataSet::CloseCursor()
{
    InternalClose();
    fields_.Clear();
    position_ = -1;
    bof_ = eof_ = true;
}

void TDataSet::UpdateFieldDefs()
{
    if (!Active()) InternalInitFieldDefs();
}

void TDataSet::GetFieldNames(TStringList& list)
{
    if (Active()) return fields_.GetFieldNames(list);
    UpdateFieldDefs();
    list.Clear();
    for (int i = 0; i < fieldDefs_.Count(); ++i) list.Add(fieldDefs_.Items(i).Name);
}

// ---- navigation

bool TDataSet::IsEmpty() const
{
    CheckActive();
    return InternalRecordCount() == 0 && state_ != dsInsert;
}

int TDataSet::RecordCount() const
{
    CheckActive();
    return InternalRecordCount();
}

int TDataSet::RecNo() const
{
    CheckActive();
    return state_ == dsInsert || position_ < 0 ? -1 : position_ + 1;
}

void TDataSet::GoTo(int position)
{
    position_ = position;
    if (position_ >= 0) InternalLoadRecord(position_);
}

// Puts the cursor on a record after the records changed under it and tells the controls.
void TDataSet::Resync(int position)
{
    const int count = InternalRecordCount();
    GoTo(count == 0 ? -1 : std::clamp(position, 0, count - 1));
    bof_ = count == 0 ? true : bof_ && position_ == 0;
    eof_ = count == 0 ? true : eof_ && position_ == count - 1;
    DataEvent(deDataSetChange);
}

void TDataSet::First()
{
    CheckBrowseMode();
    Fire(BeforeScroll, *this);
    GoTo(InternalRecordCount() > 0 ? 0 : -1);
    bof_ = true;
    eof_ = position_ < 0;
    DataEvent(deDataSetChange);
    Fire(AfterScroll, *this);
}

void TDataSet::Last()
{
    CheckBrowseMode();
    Fire(BeforeScroll, *this);
    GoTo(InternalRecordCount() - 1);
    eof_ = true;
    bof_ = position_ < 0;
    DataEvent(deDataSetChange);
    Fire(AfterScroll, *this);
}

int TDataSet::MoveBy(int distance)
{
    CheckBrowseMode();
    Fire(BeforeScroll, *this);
    if (distance == 0 || (distance > 0 && eof_) || (distance < 0 && bof_)) return 0;
    const int count = InternalRecordCount();
    long long target = (long long)position_ + distance;
    bof_ = eof_ = false;
    if (target >= count) target = count - 1, eof_ = true;
    if (target < 0) target = 0, bof_ = true;
    const int moved = int(target) - position_;
    if (moved != 0) {
        GoTo(int(target));
        DataEvent(deDataSetScroll);
    }
    Fire(AfterScroll, *this);
    return moved;
}

// ---- editing

void TDataSet::CheckBrowseMode()
{
    CheckActive();
    DataEvent(deCheckBrowseMode);
    if (state_ != dsEdit && state_ != dsInsert) return;
    UpdateRecord();
    if (modified_) Post();
    else Cancel();
}

void TDataSet::UpdateRecord()
{
    if (state_ != dsEdit && state_ != dsInsert) DatabaseError("Dataset not in edit or insert mode");
    DataEvent(deUpdateRecord);
}

void TDataSet::Edit()
{
    if (state_ == dsEdit || state_ == dsInsert) return;
    CheckActive();
    CheckCanModify();
    if (InternalRecordCount() == 0) return Insert();
    InternalEdit();
    SetState(dsEdit);
    DataEvent(deRecordChange);
}

void TDataSet::BeginInsert(bool append)
{
    CheckBrowseMode();
    CheckCanModify();
    Fire(BeforeScroll, *this);
    savedPosition_ = position_;
    if (append) eof_ = true;
    InternalInitRecord();
    SetState(dsInsert);
    DataEvent(deDataSetChange);
    Fire(AfterInsert, *this);
    Fire(AfterScroll, *this);
}

void TDataSet::SetFieldValue(TField& field, const Variant& value)
{
    if (state_ != dsEdit && state_ != dsInsert) DatabaseError("Dataset not in edit or insert mode");
    SetFieldData(field, value);
    modified_ = true;
    DataEvent(deFieldChange, &field);
}

void TDataSet::Post()
{
    UpdateRecord();
    const int position = InternalPost(state_ == dsInsert);
    bof_ = eof_ = false;
    GoTo(position);
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
    Fire(AfterPost, *this);
}

void TDataSet::Cancel()
{
    if (state_ != dsEdit && state_ != dsInsert) return;
    InternalCancel();
    const int position = state_ == dsInsert ? savedPosition_ : position_;
    SetState(dsBrowse);
    Resync(position);
}

void TDataSet::Delete()
{
    CheckActive();
    if (state_ == dsInsert) return Cancel();
    if (InternalRecordCount() == 0) DatabaseError("Cannot perform this operation on an empty dataset");
    CheckCanModify();
    Fire(BeforeScroll, *this);
    InternalDelete(position_);
    SetState(dsBrowse);
    bof_ = eof_ = false;
    Resync(position_);
    Fire(AfterDelete, *this);
    Fire(AfterScroll, *this);
}

void TDataSet::Refresh()
{
    CheckBrowseMode();
    const TBookmark bookmark = GetBookmark();
    InternalRefresh();
    ResyncToBookmark(bookmark);
}

void TDataSet::ResyncToBookmark(TBookmark bookmark)
{
    const int position = bookmark < 0 ? -1 : InternalBookmarkPosition(bookmark);
    bof_ = eof_ = false;
    Resync(position < 0 ? position_ : position);
}

void TDataSet::CloseDestroying()
{
    AfterOpen = AfterClose = AfterInsert = AfterPost = AfterDelete = BeforeScroll = AfterScroll = nullptr;
    try {
        Close();
    } catch (...) {
        // A destructor has nobody to report to; a close that writes (a text table) and fails
        // keeps the file it had, and must not end the program.
    }
}

// ---- bookmarks

TBookmark TDataSet::GetBookmark() const
{
    CheckActive();
    return position_ < 0 || state_ == dsInsert ? -1 : InternalBookmark(position_);
}

bool TDataSet::BookmarkValid(TBookmark bookmark) const
{
    return Active() && bookmark >= 0 && InternalBookmarkPosition(bookmark) >= 0;
}

void TDataSet::GotoBookmark(TBookmark bookmark)
{
    CheckBrowseMode();
    const int position = bookmark < 0 ? -1 : InternalBookmarkPosition(bookmark);
    if (position < 0) DatabaseError("Record not found");
    Fire(BeforeScroll, *this);
    bof_ = eof_ = false;
    GoTo(position);
    DataEvent(deDataSetChange);
    Fire(AfterScroll, *this);
}

// ---- Locate

bool TDataSet::RecordMatches(const std::vector<TField*>& fields, const std::vector<Variant>& values) const
{
    for (size_t i = 0; i < fields.size(); ++i)
        if (!(GetFieldData(*fields[i]) == values[i])) return false;
    return true;
}

bool TDataSet::Locate(const std::string& keyFields, const std::vector<Variant>& values)
{
    CheckBrowseMode();
    std::vector<TField*> fields;
    for (size_t start = 0;;) {
        const size_t end = keyFields.find(';', start);
        fields.push_back(&FieldByName(Trim(keyFields.substr(start, end - start))));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    if (fields.size() != values.size())
        DatabaseError("Locate needs one value for each of the fields '" + keyFields + "'");
    std::vector<Variant> wanted;
    try {
        for (size_t i = 0; i < fields.size(); ++i) wanted.push_back(fields[i]->Convert(values[i]));
    } catch (const Exception&) {
        return false;  // a value the field cannot hold matches no record
    }
    Fire(BeforeScroll, *this);
    const int count = InternalRecordCount();
    for (int position = 0; position < count; ++position) {
        try {
            InternalLoadRecord(position);
            if (!RecordMatches(fields, wanted)) continue;
        } catch (...) {
            GoTo(position_);  // the cursor's own record again, not the one that failed
            throw;
        }
        position_ = position;
        bof_ = eof_ = false;
        DataEvent(deDataSetChange);
        Fire(AfterScroll, *this);
        return true;
    }
    GoTo(position_);
    return false;
}

// ---- reading a record beside the cursor

void TDataSet::ReadRecordAt(int position, const std::function<void()>& read)
{
    CheckActive();
    if (state_ != dsBrowse) DatabaseError("Dataset not in browse mode");
    if (position < 0 || position >= InternalRecordCount()) DatabaseError("Record not found");
    // The cursor's own record comes back, whatever the reader did.
    const TScopeGuard back([this] { GoTo(position_); });
    InternalLoadRecord(position);
    read();
}
