#pragma once
// The dataset: a cursor over records with fields, the browse/edit/insert state machine,
// navigation, bookmarks, Locate and the notifications to data sources.
//
// Every kind of dataset (a dBase table, a query result) derives from TDataSet and supplies
// the record source through the protected Internal* operations; the positions they take are
// 0-based indexes into the dataset's current record order.
#include <functional>
#include <string>
#include <vector>

#include "platform/core/SysUtils.h"
#include "platform/db/Fields.h"
#include "platform/db/Variants.h"

class TDataSource;

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

enum TDataEvent {
    deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange,
    deUpdateRecord, deUpdateState, deCheckBrowseMode
};

using TBookmark = long long;  // -1: no record
using TDataSetNotifyEvent = std::function<void(TDataSet&)>;

class TDataSet : public TObject {
public:
    TDataSet();
    ~TDataSet() override;  // a derived class closes itself in its own destructor
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;
    std::string ClassName() const override { return "TDataSet"; }

    std::string Name;

    // Opening and state
    bool Active() const { return state_ != dsInactive; }
    void SetActive(bool active);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const { return state_; }
    bool Modified() const { return modified_; }
    virtual bool CanModify() const { return false; }

    // Fields
    TFields& Fields() { return fields_; }
    int FieldCount() const { return fields_.Count(); }
    TField* FindField(const std::string& name) const { return fields_.FindField(name); }
    TField& FieldByName(const std::string& name) const { return fields_.FieldByName(name); }
    TFieldDefs& FieldDefs() { return fieldDefs_; }
    void GetFieldNames(TStringList& list);  // also while closed (from the definitions)

    // Navigation
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    int MoveBy(int distance);
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    bool IsEmpty() const;
    int RecordCount() const;
    int RecNo() const;  // 1-based position in the current order; -1 while inserting or empty

    // Editing
    void Edit();
    void Insert() { BeginInsert(false); }
    void Append() { BeginInsert(true); }
    void Post();
    void Cancel();
    void Delete();
    void Refresh();
    void CheckBrowseMode();  // posts a pending edit
    void UpdateRecord();     // asks the data links to put their pending values into the fields

    // Bookmarks
    TBookmark GetBookmark() const;
    void GotoBookmark(TBookmark bookmark);
    void FreeBookmark(TBookmark) {}
    bool BookmarkValid(TBookmark bookmark) const;

    // Data-aware controls follow the cursor unless disabled (calls nest).
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }

    // Exact, case-sensitive search over one or more fields ("A;B"); positions on the first match.
    bool Locate(const std::string& keyFields, const std::vector<Variant>& values);
    bool Locate(const std::string& keyFields, const Variant& value) { return Locate(keyFields, std::vector<Variant>{value}); }

    // Runs read while the fields show the record at a 0-based position in the current order,
    // then shows the current record again: the cursor stays and no event fires. Browse state
    // only (an edited record is not left).
    void ReadRecordAt(int position, const std::function<void()>& read);

    // Events
    TDataSetNotifyEvent AfterOpen, AfterClose, AfterInsert, AfterPost, AfterDelete, BeforeScroll, AfterScroll;

protected:
    // The record source. Positions are 0-based in the current order.
    virtual void InternalOpen() = 0;       // opens the source; fills FieldDefs
    virtual void InternalClose() = 0;
    virtual void InternalInitFieldDefs() = 0;  // FieldDefs from the source without opening the dataset
    virtual int InternalRecordCount() const = 0;
    virtual void InternalLoadRecord(int position) = 0;  // makes the record current
    virtual void InternalInitRecord() = 0;  // blank edit buffer for a new record
    virtual void InternalEdit() = 0;        // edit buffer := current record
    virtual void InternalCancel() {}
    virtual int InternalPost(bool inserting) = 0;  // writes the edit buffer; its new position
    virtual void InternalDelete(int position) = 0;
    virtual void InternalRefresh() = 0;
    virtual TBookmark InternalBookmark(int position) const = 0;
    virtual int InternalBookmarkPosition(TBookmark bookmark) const = 0;  // -1 when gone
    // Field values of the current record, or of the edit buffer while editing or inserting.
    virtual Variant GetFieldData(const TField& field) const = 0;
    virtual void SetFieldData(const TField& field, const Variant& value) = 0;

    void CheckActive() const;
    void CheckInactive() const;
    bool HasCurrentRecord() const { return position_ >= 0; }
    void DataEvent(TDataEvent event, TField* field = nullptr);
    void ResyncToBookmark(TBookmark bookmark);  // after the record order changed under the cursor
    void CloseDestroying();  // closes without event handlers or exceptions (for destructors)

private:
    friend class TField;
    friend class TFieldDefs;
    friend class TDataSource;

    void SetFieldValue(TField& field, const Variant& value);
    void UpdateFieldDefs();
    void SetState(TDataSetState state);
    void OpenCursor();
    void CloseCursor();
    void BeginInsert(bool append);
    void GoTo(int position);
    void Resync(int position);
    void CheckCanModify() const;
    static void Fire(const TDataSetNotifyEvent& event, TDataSet& dataSet);
    bool RecordMatches(const std::vector<TField*>& fields, const std::vector<Variant>& values) const;

    TDataSetState state_ = dsInactive;
    TFields fields_;
    TFieldDefs fieldDefs_;
    int position_ = -1;        // current record; -1 when none
    int savedPosition_ = -1;   // where a cancelled insert goes back to
    bool bof_ = true;
    bool eof_ = true;
    bool modified_ = false;
    int disableCount_ = 0;
    TDataSetState disabledState_ = dsInactive;
    TDataEvent enableEvent_ = deDataSetChange;
    std::vector<TDataSource*> dataSources_;
};
