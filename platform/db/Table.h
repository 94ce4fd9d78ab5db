#pragma once
// A dataset on one dBase table file. TableName is a path, or a bare name looked up in the
// folder of the database named by DatabaseName; ".dbf" is added when the name has no extension.
// Deleted records are hidden; IndexFieldNames ("A;B") orders the records by those fields.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/db/DataSet.h"
#include "platform/db/DbfFile.h"

class TTable : public TDataSet {
public:
    TTable() = default;
    ~TTable() override;
    std::string ClassName() const override { return "TTable"; }

    const std::string& DatabaseName() const { return databaseName_; }
    void SetDatabaseName(const std::string& name);
    const std::string& TableName() const { return tableName_; }
    void SetTableName(const std::string& name);
    const std::string& IndexFieldNames() const { return indexFieldNames_; }
    void SetIndexFieldNames(const std::string& names);  // re-orders an open table
    bool ReadOnly = false;
    int TableLevel = 4;  // of new tables: 3 dBase III memos, 4 dBase IV memos

    std::string FilePath() const;  // the resolved table file
    bool Exists() const;
    void CreateTable();  // a new, empty table file from FieldDefs (replaces an existing one)
    bool CanModify() const override;
    // Records appended between these two (an import, a batch move) reach the file together, in
    // one write with one count update (in steps of a few megabytes); the table shows them at once.
    // A single post outside a batch is written at once. Closing ends the batch.
    void BeginAppendBatch();
    void EndAppendBatch();

protected:
    void InternalOpen() override;
    void InternalClose() override;
    void InternalInitFieldDefs() override;
    int InternalRecordCount() const override { return int(order_.size()); }
    void InternalLoadRecord(int position) override;
    void InternalInitRecord() override;
    void InternalEdit() override;
    void InternalCancel() override;
    int InternalPost(bool inserting) override;
    void InternalDelete(int position) override;
    void InternalRefresh() override;
    TBookmark InternalBookmark(int position) const override { return order_[position]; }
    int InternalBookmarkPosition(TBookmark bookmark) const override;
    Variant GetFieldData(const TField& field) const override;
    void SetFieldData(const TField& field, const Variant& value) override;

private:
    void DefineFields(const TDbfFile& file);
    void ReadOrder();
    void SortOrder();
    std::vector<int> IndexFields() const;
    bool KeyLess(const std::vector<Variant>& a, const std::vector<Variant>& b) const;
    std::vector<Variant> KeyOf(const char* record, const std::vector<int>& fields) const;
    int PlaceInOrder(uint32_t recordIndex, const char* record);
    bool Editing() const { return State() == dsEdit || State() == dsInsert; }

    std::string databaseName_;
    std::string tableName_;
    std::string indexFieldNames_;
    std::unique_ptr<TDbfFile> file_;
    std::vector<uint32_t> order_;  // record indexes of the visible records, in order
    std::string current_;           // the current record's bytes
    std::string buffer_;            // the edit buffer
    std::vector<std::optional<Variant>> memoEdits_;  // memo values set in the edit buffer
};
