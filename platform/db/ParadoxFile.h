#pragma once
// Paradox tables (.db) with their blob files (.mb): the one place that knows their byte layout.
//
// We write unkeyed version 5 tables (the first version with logical and long integer fields),
// text in the program code page, memos in the .mb file (a short memo lives in the record's
// leader alone). The reader also opens version 3 to 7 data tables written by other programs.
//
// Crash safety: a new table is written under a temporary name and renamed into place. An
// append writes blob data first, then the record into its block (or a whole new block), then
// the table header, so the header never counts a record that is not on disk and a kill at
// any moment leaves a table that opens with every earlier record.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/BatchMove.h"
#include "platform/db/DataSet.h"
#include "platform/db/Variants.h"

class TTable;

// Field type codes of the table header.
enum class TParadoxType : uint8_t {
    Alpha = 0x01, Date = 0x02, Short = 0x03, Long = 0x04, Money = 0x05, Number = 0x06,
    Logical = 0x09, Memo = 0x0C, Blob = 0x0D, FmtMemo = 0x0E, Ole = 0x0F, Graphic = 0x10,
    Time = 0x14, TimeStamp = 0x15, AutoInc = 0x16, Bcd = 0x17, Bytes = 0x18
};

struct TParadoxField {
    std::string Name;  // up to 25 characters
    TParadoxType Type = TParadoxType::Alpha;
    int Size = 0;      // bytes in the record (a BCD field: its decimals, as the header keeps it)
    int Offset = 0;    // byte offset in the record
};

// The Paradox field for a field definition: text A (its size), numbers with decimals N,
// currency $, small integers S, integers I, dates D, date-times @, Booleans L, memos M with a
// 10-byte leader, blobs B. Raises EDatabaseError for a definition a Paradox table cannot hold.
TParadoxField ParadoxFieldOf(const TFieldDef& def);
// The field definition a dataset shows for a Paradox field.
TFieldDef FieldDefOf(const TParadoxField& field);
// True for a table name the engine takes as a Paradox table (extension ".db", any case).
bool IsParadoxTableName(const std::string& name);

class TParadoxFile {
public:
    static constexpr int kFileVersion = 0x0B;  // what we write: version 5
    static constexpr int kHeaderSize = 0x800;

    // Opens and checks a table; a file that is no sound table raises EDatabaseError naming it.
    TParadoxFile(const std::string& path, bool readOnly);
    ~TParadoxFile();
    TParadoxFile(const TParadoxFile&) = delete;
    TParadoxFile& operator=(const TParadoxFile&) = delete;

    // Writes a new, empty table (and its .mb file when a field is a blob) under a temporary
    // name and renames it over `path`. Bad definitions raise EDatabaseError.
    static void Create(const std::string& path, const std::vector<TParadoxField>& fields, int codePage);
    static void Create(const std::string& path, const TFieldDefs& defs, int codePage);
    static std::string BlobPathFor(const std::string& tablePath);  // ".mb" (".MB" beside ".DB")

    const std::string& Path() const { return path_; }
    bool ReadOnly() const { return readOnly_; }
    const std::vector<TParadoxField>& Fields() const { return fields_; }
    int FieldIndex(const std::string& name) const;  // ignores case; -1 when missing
    int RecordSize() const { return recordSize_; }
    int RecordCount() const { return int(records_.size()); }
    int BlockSize() const { return blockSize_; }
    int FileVersion() const { return version_; }
    int CodePage() const { return codePage_; }

    // Values of one record, in field order; text is UTF-8 outside, the table's code page inside.
    std::vector<Variant> ReadRecord(int index);
    // Appends (or overwrites) a record; a value that does not fit raises EDatabaseError and
    // writes nothing. Fewer values than fields leave the rest blank.
    void AppendRecord(const std::vector<Variant>& values);
    void WriteRecord(int index, const std::vector<Variant>& values);
    void DeleteRecord(int index);

private:
    struct Place {
        int block;  // 1-based
        int slot;   // 0-based in the block
    };

    [[noreturn]] void Fail(const std::string& reason) const;
    [[noreturn]] void FailBlob(const std::string& reason) const;
    void ReadHeader();
    void ReadFieldList(int variableStart);
    void ReadBlockChain(uint32_t numRecords, int firstBlock);
    void CheckCodePage();
    std::string ReadAt(int fd, uint64_t offset, size_t size) const;
    void WriteAt(int fd, uint64_t offset, const std::string& bytes) const;
    uint64_t BlockOffset(int block) const { return uint64_t(headerSize_) + uint64_t(block - 1) * blockSize_; }
    uint64_t RecordOffset(const Place& place) const { return BlockOffset(place.block) + 6 + uint64_t(place.slot) * recordSize_; }
    int RecordsPerBlock() const { return (blockSize_ - 6) / recordSize_; }
    std::string EncodeRecord(const std::vector<Variant>& values);
    void EncodeValue(char* out, const TParadoxField& field, const Variant& value);
    void EncodeBlob(char* out, const TParadoxField& field, const Variant& value);
    Variant DecodeValue(const char* data, const TParadoxField& field);
    Variant DecodeBlob(const char* data, const TParadoxField& field);
    std::string ReadBlobData(uint32_t location, uint32_t length);
    uint32_t WriteBlobData(const std::string& bytes, uint16_t& modification);
    void OpenBlobFile(bool forWriting);
    void WriteBlockCount(int block);
    void WriteHeaderCounts();

    std::string path_;
    std::string blobPath_;
    bool readOnly_ = true;
    int fd_ = -1;
    int blobFd_ = -1;
    uint64_t fileSize_ = 0;
    uint64_t blobSize_ = 0;
    std::string head_;  // the header's fixed areas, rewritten after every change
    int headerSize_ = 0;
    int blockSize_ = 0;
    int recordSize_ = 0;
    int version_ = 0;
    int codePage_ = 0;
    int fileBlocks_ = 0;
    std::vector<TParadoxField> fields_;
    std::vector<Place> records_;   // where each record lives, in table order
    std::vector<int> blockCount_;  // records per block (index 0 unused)
    std::vector<int> chain_;       // block numbers in chain order
};

// A dataset on one Paradox table file. TableName is a path, or a bare name looked up in the
// folder of the database named by DatabaseName; ".db" is added when the name has no extension.
// Records keep file order; IndexFieldNames names the key a batch move matches records by.
class TParadoxTable : public TDataSet {
public:
    TParadoxTable() = default;
    ~TParadoxTable() override;
    std::string ClassName() const override { return "TParadoxTable"; }

    std::string DatabaseName;
    std::string TableName;
    std::string IndexFieldNames;
    bool ReadOnly = false;

    std::string FilePath() const;
    bool Exists() const;
    void CreateTable();  // a new, empty table file from FieldDefs (replaces an existing one)
    bool CanModify() const override;

protected:
    void InternalOpen() override;
    void InternalClose() override;
    void InternalInitFieldDefs() override;
    int InternalRecordCount() const override { return int(ids_.size()); }
    void InternalLoadRecord(int position) override;
    void InternalInitRecord() override;
    void InternalEdit() override;
    int InternalPost(bool inserting) override;
    void InternalDelete(int position) override;
    void InternalRefresh() override;
    TBookmark InternalBookmark(int position) const override { return ids_[position]; }
    int InternalBookmarkPosition(TBookmark bookmark) const override;
    Variant GetFieldData(const TField& field) const override;
    void SetFieldData(const TField& field, const Variant& value) override;

private:
    void DefineFields(const TParadoxFile& file);
    void NumberRecords();

    std::unique_ptr<TParadoxFile> file_;
    std::vector<TBookmark> ids_;  // a bookmark per record, in file order
    TBookmark nextId_ = 0;
    std::vector<Variant> current_;
    std::vector<Variant> buffer_;
};

// A Paradox table as batch move destination: the table named by a TTable (its database name,
// table name and index field names), so a copy made as for a dBase table lands in a .db file.
class TParadoxDestination : public TBatchDestination {
public:
    explicit TParadoxDestination(const TTable& table) : named_(table) {}
    TDataSet& DataSet() override;
    std::string KeyFieldNames() const override;  // the TTable's, as they are when the move runs
    void Recreate(TDataSet& source) override;
    bool IsSameAs(const TDataSet& source) const override;

private:
    void Name();

    const TTable& named_;
    TParadoxTable table_;
};

// The destination for a batch move into `table`, by its extension: a Paradox table for ".db",
// else the dBase table itself.
std::unique_ptr<TBatchDestination> MakeBatchDestination(TTable& table);
