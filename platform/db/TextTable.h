#pragma once
// Delimited text tables, the copy format of files named "*.txt": a first line with the field
// names, then one line per record; fields separated by ',', text in double quotes (a quote inside
// doubled, so values may hold separators and line ends), numbers with '.' decimals, dates as
// yyyy-mm-dd, logical values T/F; lines end with CR LF, text in the program's code page.
// Records are held in memory while the table is open and written back on close, through a
// temporary file, so a failed write leaves the old file as it was.
#include <string>
#include <vector>

#include "platform/db/BatchMove.h"
#include "platform/db/DataSet.h"

class TTextTable : public TDataSet {
public:
    explicit TTextTable(std::string path) : path_(std::move(path)) {}
    ~TTextTable() override;
    std::string ClassName() const override { return "TTextTable"; }

    const std::string& Path() const { return path_; }
    bool Exists() const;
    // A new file holding the header of FieldDefs only (replaces an existing one).
    void CreateTable();
    bool CanModify() const override { return true; }

protected:
    void InternalOpen() override;
    void InternalClose() override;
    void InternalInitFieldDefs() override;
    int InternalRecordCount() const override { return int(rows_.size()); }
    void InternalLoadRecord(int position) override { current_ = position; }
    void InternalInitRecord() override;
    void InternalEdit() override { buffer_ = rows_[current_]; }
    int InternalPost(bool inserting) override;
    void InternalDelete(int position) override;
    void InternalRefresh() override {}
    TBookmark InternalBookmark(int position) const override { return ids_[position]; }
    int InternalBookmarkPosition(TBookmark bookmark) const override;
    Variant GetFieldData(const TField& field) const override;
    void SetFieldData(const TField& field, const Variant& value) override;

private:
    void ReadFile();
    void WriteFile();

    std::string path_;
    std::vector<std::vector<Variant>> rows_;
    std::vector<TBookmark> ids_;
    TBookmark nextId_ = 0;
    std::vector<Variant> buffer_;
    int current_ = -1;
    bool changed_ = false;
    bool created_ = false;  // by CreateTable since the last close
};

// A text table as destination of a batch move. It has no index, so only the modes that need no
// key (append and copy) can write into it.
class TTextTableDestination : public TBatchDestination {
public:
    explicit TTextTableDestination(TTextTable& table) : table_(table) {}
    TDataSet& DataSet() override { return table_; }
    std::string KeyFieldNames() const override { return ""; }
    void Recreate(TDataSet& source) override;
    bool IsSameAs(const TDataSet& source) const override;

private:
    TTextTable& table_;
};

// The records of a text in this format, each split into its fields (a quoted field may hold
// line ends, so the whole text is parsed at once).
std::vector<std::vector<std::string>> ParseDelimitedText(const std::string& text);
