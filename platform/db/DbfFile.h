#pragma once
// dBase III/IV and FoxPro 2 table files (.dbf) with their memo files (.dbt, .fpt).
// This is the one place that knows the byte layout: every other part of the database layer
// (tables, local SQL, batch moves) reads and writes table files through TDbfFile.
//
// Crash safety: an append writes memo blocks first, then the record (with a new end mark, and
// an end mark in its flag byte), then the header count, then the flag byte. The count never
// covers a record that is not on disk, readers that scan to the end mark stop before a record
// the count does not cover yet, and a kill at any moment leaves a table that opens with every
// earlier record intact. A record whose flag byte still holds the end mark under the count is
// whole; the next append finishes it.
//
// A batch of appends (an import, a batch move) goes the same way in one write: its records, each
// with an end mark in its flag byte, and an end mark after the last; then the count; then the
// records again with their own flags. A kill leaves a run of marked records at the end, under the
// count; the next append finishes them all. No flush to disk per record or batch.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/SafeFile.h"
#include "platform/db/Variants.h"

enum class TDbfMemoFormat { None, DBase3, DBase4, FoxPro };

struct TDbfField {
    std::string Name;  // ASCII, up to 10 characters
    char Type = 'C';   // C N F D L M (I read and written for tables that have it)
    int Length = 0;
    int Decimals = 0;
    int Offset = 0;    // byte offset in the record; byte 0 is the deletion flag
};

// The code-page mark of the header for a Windows or DOS code page and back (0 = not stated).
uint8_t DbfCodePageMark(int codePage);
int DbfCodePageOfMark(uint8_t mark);  // 0 for an unknown or missing mark

// A table file written crash-safely (see TPendingFile); failures raise EDatabaseError naming it.
class TPendingTableFile {
public:
    TPendingTableFile(const std::string& path, const std::string& bytes, const std::string& suffix = ".tmp~");
    void Commit();

private:
    std::string path_;
    std::optional<TPendingFile> file_;
};

class TDbfFile {
public:
    // Opens and checks a table; a file that is no sound table raises EDatabaseError naming it.
    TDbfFile(const std::string& path, bool readOnly);
    ~TDbfFile();
    TDbfFile(const TDbfFile&) = delete;
    TDbfFile& operator=(const TDbfFile&) = delete;

    // Writes a new, empty table (and its memo file when a field is a memo) under a temporary
    // name and renames it over `path`. level 3 writes dBase III memos, level 4 dBase IV memos.
    // Field names are upper-cased; bad definitions raise EDatabaseError.
    static void Create(const std::string& path, std::vector<TDbfField> fields, int level, int codePage);
    // The memo file that belongs to a table path (".dbt"; ".fpt" for FoxPro tables).
    static std::string MemoPathFor(const std::string& tablePath, bool foxPro);

    const std::string& Path() const { return path_; }
    const std::string& MemoPath() const { return memoPath_; }  // "" when no field is a memo
    bool ReadOnly() const { return readOnly_; }
    const std::vector<TDbfField>& Fields() const { return fields_; }
    int FieldIndex(const std::string& name) const;  // ignores case; -1 when missing
    int RecordLength() const { return recordLength_; }
    uint32_t RecordCount() const { return recordCount_ + pendingCount_; }  // with a batch's pending records
    uint32_t ReloadRecordCount();  // re-reads the header and file sizes (another writer may have appended)
    int CodePage() const { return codePage_; }
    uint8_t VersionByte() const { return version_; }
    TDbfMemoFormat MemoFormat() const { return memoFormat_; }
    void LastUpdate(int& year, int& month, int& day) const;

    // Records as raw bytes (RecordLength each, deletion flag first).
    std::string BlankRecord() const;
    void ReadRecord(uint32_t index, char* record);
    static bool IsDeleted(const char* record) { return record[0] == '*'; }
    uint32_t AppendRecord(const char* record);  // answers the new record's index
    // Between these two, AppendRecord collects its records (readable at once through ReadRecord)
    // and they reach the file together when the outermost batch ends, or in steps of a few
    // megabytes; any other change writes them first. One writer on the file during a batch.
    void BeginAppendBatch() { ++batchDepth_; }
    void EndAppendBatch();
    void WritePendingAppends();
    void WriteRecord(uint32_t index, const char* record);
    void SetDeleted(uint32_t index, bool deleted);

    // Values of one field inside a raw record. Text is UTF-8 outside, the table's code page inside.
    // Setting a memo writes its blocks to the memo file at once (before the record that points
    // to them is written); setting a value that does not fit raises EDatabaseError.
    Variant GetValue(const char* record, int field);
    void SetValue(char* record, int field, const Variant& value);
    bool IsBlank(const char* record, int field) const;
    std::string ReadMemo(uint32_t block);  // raw bytes of one memo

private:
    [[noreturn]] void Fail(const std::string& reason) const;
    [[noreturn]] void FailMemo(const std::string& reason) const;
    void ReadHeader();
    void ReadFieldDescriptors(const std::string& header);
    void OpenMemo();
    TDbfMemoFormat MemoLayoutOf(uint16_t blockSize);
    void ReadAt(int fd, uint64_t offset, char* data, size_t size, bool memo) const;
    void WriteAt(int fd, uint64_t offset, const char* data, size_t size, bool memo) const;
    void WriteHeaderCount(uint32_t count);
    void CacheWritten(uint32_t index, const char* record);
    void FinishInterruptedAppend(uint32_t last);
    uint32_t MemoBlockOf(const char* record, int field) const;
    uint32_t WriteMemo(const std::string& bytes);
    std::string ReadMemoDBase3(uint64_t offset);
    std::string ReadMemoSized(uint64_t offset);
    std::string ToUtf8(std::string text) const;
    std::string FromUtf8(const std::string& text) const;
    void PutNumber(char* out, const TDbfField& field, double value) const;

    std::string path_;
    std::string memoPath_;
    bool readOnly_ = true;
    int fd_ = -1;
    char* header_ = nullptr;  // the header, mapped
    std::string writeBuffer_;
    bool tailChecked_ = false;  // the last record's flag was looked at since the table opened
    int memoFd_ = -1;
    uint64_t fileSize_ = 0;
    uint8_t version_ = 0;
    uint8_t updated_[3] = {0, 0, 0};
    uint32_t recordCount_ = 0;
    int headerLength_ = 0;
    int recordLength_ = 0;
    int codePage_ = 0;
    std::vector<TDbfField> fields_;
    TDbfMemoFormat memoFormat_ = TDbfMemoFormat::None;
    uint32_t memoBlockSize_ = 512;
    uint64_t memoSize_ = 0;

    // The records of the open batch not yet written, after recordCount_.
    std::string pending_;
    uint32_t pendingCount_ = 0;
    int batchDepth_ = 0;

    // Read-ahead for scans: a run of whole records starting at cacheFirst_.
    std::string cache_;
    uint32_t cacheFirst_ = 0;
    uint32_t cacheCount_ = 0;
};
