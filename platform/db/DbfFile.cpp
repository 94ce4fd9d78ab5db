#include "platform/db/DbfFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "platform/db/DbError.h"

namespace {

constexpr uint8_t kDescriptorEnd = 0x0D;
constexpr char kEndOfFile = 0x1A;
constexpr int kHeaderSize = 32;
constexpr int kMemoHeaderSize = 512;
constexpr size_t kReadAheadBytes = 256 * 1024;
constexpr size_t kBatchBytes = 4 * 1024 * 1024;  // pending appends written in one step

struct CodePageMark {
    uint8_t mark;
    int codePage;
};
// Marks we write come first for their code page; the others are only read.
constexpr CodePageMark kCodePageMarks[] = {
    {0x03, 1252}, {0xC8, 1250}, {0xC9, 1251}, {0xCA, 1254}, {0xCB, 1253}, {0xCC, 1257},
    {0x01, 437},  {0x02, 850},  {0x64, 852},  {0x57, 1252}, {0x58, 1252}, {0x59, 1252},
};

uint32_t GetLE32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return u[0] | (u[1] << 8) | (u[2] << 16) | (uint32_t(u[3]) << 24);
}
uint16_t GetLE16(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return uint16_t(u[0] | (u[1] << 8));
}
uint32_t GetBE32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return (uint32_t(u[0]) << 24) | (u[1] << 16) | (u[2] << 8) | u[3];
}
uint16_t GetBE16(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return uint16_t((u[0] << 8) | u[1]);
}
void PutLE32(char* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = char((v >> (8 * i)) & 0xFF);
}
void PutLE16(char* p, uint16_t v)
{
    p[0] = char(v & 0xFF);
    p[1] = char(v >> 8);
}
void PutBE32(char* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = char((v >> (8 * (3 - i))) & 0xFF);
}

bool IsAscii(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return (unsigned char)c < 0x80; });
}

std::string Hex(unsigned value)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", value);
    return buf;
}

// Today's date as the three header bytes (years since 1900); looked up at most once a minute,
// since every post writes it.
void Today(char* out)
{
    static thread_local std::time_t looked = 0;
    static thread_local char today[3];
    const std::time_t now = std::time(nullptr);
    if (now - looked >= 60 || now < looked) {
        std::tm local{};
        localtime_r(&now, &local);
        today[0] = char(local.tm_year);
        today[1] = char(local.tm_mon + 1);
        today[2] = char(local.tm_mday);
        looked = now;
    }
    std::memcpy(out, today, 3);
}

bool VersionHasFoxProMemo(uint8_t version) { return version == 0xF5 || version == 0x30 || version == 0x31; }
bool KnownVersion(uint8_t version)
{
    switch (version) {
    case 0x03: case 0x04: case 0x83: case 0x84: case 0x8B: case 0xF5: case 0x30: case 0x31: return true;
    default: return false;
    }
}

// Rules for a field definition: names, type letters and their lengths.
std::string CheckFieldDefinition(const TDbfField& f)
{
    if (f.Name.empty() || f.Name.size() > 10) return "field name '" + f.Name + "' must have 1 to 10 characters";
    if (!std::isalpha((unsigned char)f.Name[0])) return "field name '" + f.Name + "' must start with a letter";
    for (char c : f.Name)
        if (!std::isalnum((unsigned char)c) && c != '_') return "field name '" + f.Name + "' holds an invalid character";
    auto bad = [&](const std::string& what) { return "field " + f.Name + ": " + what; };
    switch (f.Type) {
    case 'C': return f.Length >= 1 && f.Length <= 254 ? "" : bad("character length must be 1 to 254");
    case 'N':
    case 'F':
        if (f.Length < 1 || f.Length > 20) return bad("numeric length must be 1 to 20");
        if (f.Decimals < 0 || (f.Decimals > 0 && f.Decimals > f.Length - 2)) return bad("too many decimals for the length");
        return "";
    case 'D': return f.Length == 8 ? "" : bad("date length must be 8");
    case 'L': return f.Length == 1 ? "" : bad("logical length must be 1");
    case 'M': return f.Length == 10 ? "" : bad("memo length must be 10");
    case 'I': return f.Length == 4 ? "" : bad("integer length must be 4");
    default: return bad(std::string("unsupported field type '") + f.Type + "'");
    }
}

// Reading is more lenient than creating: only what the decoders need.
std::string CheckStoredField(const TDbfField& f)
{
    switch (f.Type) {
    case 'C': return "";
    case 'N':
    case 'F': return f.Length <= 32 ? "" : "numeric length above 32";
    case 'D': return f.Length == 8 ? "" : "date length is not 8";
    case 'L': return f.Length == 1 ? "" : "logical length is not 1";
    case 'M': return f.Length == 10 ? "" : "memo length is not 10";
    case 'm':
    case 'I': return f.Length == 4 ? "" : "binary length is not 4";
    default: return std::string("unsupported field type '") + f.Type + "'";
    }
}

int ExpectedLength(char type)
{
    switch (type) {
    case 'D': return 8;
    case 'L': return 1;
    case 'I': return 4;
    default: return 0;
    }
}

std::string ReadReason(ssize_t got, size_t wanted)
{
    if (got < 0) return std::strerror(errno);
    return "short read (" + std::to_string(got) + " of " + std::to_string(wanted) + " bytes)";
}

std::string MemoHeader(int level, const std::string& tablePath)
{
    std::string header(kMemoHeaderSize, '\0');
    PutLE32(header.data(), 1);  // next free block
    if (level >= 4) {
        std::string base = std::filesystem::path(tablePath).stem().string().substr(0, 8);
        std::memcpy(header.data() + 8, base.data(), base.size());
        PutLE16(header.data() + 20, kMemoHeaderSize);
    } else {
        header[16] = 0x03;
    }
    return header;
}

}  // namespace

TPendingTableFile::TPendingTableFile(const std::string& path, const std::string& bytes, const std::string& suffix)
    : path_(path)
{
    try {
        file_.emplace(path, bytes, suffix);
    } catch (const EFileWriteError& e) {
        DatabaseError("Cannot write table file '" + path_ + "': " + e.Reason);
    }
}

void TPendingTableFile::Commit()
{
    try {
        file_->Commit();
    } catch (const EFileWriteError& e) {
        DatabaseError("Cannot write table file '" + path_ + "': " + e.Reason);
    }
}

uint8_t DbfCodePageMark(int codePage)
{
    for (const auto& entry : kCodePageMarks)
        if (entry.codePage == codePage) return entry.mark;
    return 0;
}

int DbfCodePageOfMark(uint8_t mark)
{
    for (const auto& entry : kCodePageMarks)
        if (entry.mark == mark) return entry.codePage;
    return 0;
}

std::string TDbfFile::MemoPathFor(const std::string& tablePath, bool foxPro)
{
    std::filesystem::path p(tablePath);
    const bool upper = !p.extension().string().empty() && std::isupper((unsigned char)p.extension().string().back());
    std::string ext = foxPro ? ".fpt" : ".dbt";
    if (upper) std::transform(ext.begin(), ext.end(), ext.begin(), ::toupper);
    return p.replace_extension(ext).string();
}

void TDbfFile::Create(const std::string& path, std::vector<TDbfField> fields, int level, int codePage)
{
    if (fields.empty()) DatabaseError("Cannot create table '" + path + "': no fields");
    if (fields.size() > 255) DatabaseError("Cannot create table '" + path + "': more than 255 fields");
    int offset = 1;
    bool hasMemo = false;
    std::vector<std::string> names;
    for (auto& f : fields) {
        std::transform(f.Name.begin(), f.Name.end(), f.Name.begin(), ::toupper);
        if (f.Type == 'D' || f.Type == 'L' || f.Type == 'I') f.Length = ExpectedLength(f.Type);
        if (f.Type == 'M') f.Length = 10;
        if (f.Type != 'N' && f.Type != 'F') f.Decimals = 0;
        std::string problem = CheckFieldDefinition(f);
        if (!problem.empty()) DatabaseError("Cannot create table '" + path + "': " + problem);
        if (std::find(names.begin(), names.end(), f.Name) != names.end())
            DatabaseError("Cannot create table '" + path + "': duplicate field name '" + f.Name + "'");
        names.push_back(f.Name);
        f.Offset = offset;
        offset += f.Length;
        hasMemo = hasMemo || f.Type == 'M';
    }
    if (offset > 32767) DatabaseError("Cannot create table '" + path + "': record longer than 32767 bytes");

    const int headerLength = kHeaderSize + 32 * int(fields.size()) + 1;
    std::string bytes(headerLength, '\0');
    bytes[0] = char(!hasMemo ? 0x03 : level >= 4 ? 0x8B : 0x83);
    Today(bytes.data() + 1);
    PutLE16(bytes.data() + 8, uint16_t(headerLength));
    PutLE16(bytes.data() + 10, uint16_t(offset));
    bytes[29] = char(DbfCodePageMark(codePage));
    for (size_t i = 0; i < fields.size(); ++i) {
        char* d = bytes.data() + kHeaderSize + 32 * i;
        std::memcpy(d, fields[i].Name.data(), fields[i].Name.size());
        d[11] = fields[i].Type;
        d[16] = char(fields[i].Length);
        d[17] = char(fields[i].Decimals);
    }
    bytes[headerLength - 1] = char(kDescriptorEnd);
    bytes += kEndOfFile;

    const std::string memoPath = MemoPathFor(path, false);
    if (!hasMemo) {
        TPendingTableFile(path, bytes).Commit();
        std::filesystem::remove(memoPath);  // a stale memo file of an older table
        return;
    }
    // Both files are written before either replaces anything. The new table has no records, so it
    // reads well beside an old memo file; an old table's memos would be lost beside the new one.
    // With no memo file yet, the memo file goes first so the new table never lacks one.
    TPendingTableFile memo(memoPath, MemoHeader(level, path));
    TPendingTableFile table(path, bytes);
    if (!std::filesystem::exists(memoPath)) memo.Commit();
    table.Commit();
    memo.Commit();
}

TDbfFile::TDbfFile(const std::string& path, bool readOnly) : path_(path), readOnly_(readOnly)
{
    fd_ = ::open(path.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (fd_ < 0) DatabaseError("Cannot open table '" + path + "': " + std::strerror(errno));
    try {
        ReadHeader();
        OpenMemo();
    } catch (...) {
        if (header_) ::munmap(header_, headerLength_);
        if (memoFd_ >= 0) ::close(memoFd_);
        ::close(fd_);
        throw;
    }
}

TDbfFile::~TDbfFile()
{
    // Owners end their batches, where a failure reaches the caller; this is the last resort.
    try {
        WritePendingAppends();
    } catch (const EDatabaseError&) {
    }
    if (header_) ::munmap(header_, headerLength_);
    if (memoFd_ >= 0) ::close(memoFd_);
    if (fd_ >= 0) ::close(fd_);
}

void TDbfFile::Fail(const std::string& reason) const { DatabaseError("Table '" + path_ + "': " + reason); }
void TDbfFile::FailMemo(const std::string& reason) const { DatabaseError("Memo file '" + memoPath_ + "': " + reason); }

void TDbfFile::ReadAt(int fd, uint64_t offset, char* data, size_t size, bool memo) const
{
    ssize_t got = ::pread(fd, data, size, off_t(offset));
    if (got == ssize_t(size)) return;
    memo ? FailMemo(ReadReason(got, size)) : Fail(ReadReason(got, size));
}

void TDbfFile::WriteAt(int fd, uint64_t offset, const char* data, size_t size, bool memo) const
{
    if (readOnly_) Fail("the table is open read-only");
    ssize_t put = ::pwrite(fd, data, size, off_t(offset));
    if (put == ssize_t(size)) return;
    std::string reason = std::string("write failed: ") + (put < 0 ? std::strerror(errno) : "disk full");
    memo ? FailMemo(reason) : Fail(reason);
}

void TDbfFile::ReadHeader()
{
    struct stat info {};
    if (::fstat(fd_, &info) != 0) Fail(std::strerror(errno));
    fileSize_ = uint64_t(info.st_size);
    if (fileSize_ < kHeaderSize + 1) Fail("not a dBase table (file too short)");
    char head[kHeaderSize];
    ReadAt(fd_, 0, head, kHeaderSize, false);
    version_ = uint8_t(head[0]);
    if (!KnownVersion(version_)) Fail("not a dBase table (unknown version byte " + Hex(version_) + ")");
    std::memcpy(updated_, head + 1, 3);
    recordCount_ = GetLE32(head + 4);
    headerLength_ = GetLE16(head + 8);
    recordLength_ = GetLE16(head + 10);
    if (headerLength_ < kHeaderSize + 1 || uint64_t(headerLength_) > fileSize_)
        Fail("broken header (header length " + std::to_string(headerLength_) + ")");
    if (recordLength_ < 2) Fail("broken header (record length " + std::to_string(recordLength_) + ")");
    std::string header(headerLength_, '\0');
    ReadAt(fd_, 0, header.data(), header.size(), false);
    ReadFieldDescriptors(header);
    const uint64_t needed = uint64_t(headerLength_) + uint64_t(recordCount_) * uint64_t(recordLength_);
    if (needed > fileSize_)
        Fail("header count " + std::to_string(recordCount_) + " is larger than the records in the file");
    codePage_ = DbfCodePageOfMark(uint8_t(head[29]));
    if (codePage_ == 0) codePage_ = ProgramCodePage();
    // The header stays mapped: every post reads and writes its count without a system call.
    void* mapped = ::mmap(nullptr, headerLength_, PROT_READ | (readOnly_ ? 0 : PROT_WRITE), MAP_SHARED, fd_, 0);
    if (mapped == MAP_FAILED) Fail(std::string("cannot map the header: ") + std::strerror(errno));
    header_ = static_cast<char*>(mapped);
}

void TDbfFile::ReadFieldDescriptors(const std::string& header)
{
    int limit = (headerLength_ - 1 - kHeaderSize) / 32;
    if (version_ == 0x30 || version_ == 0x31) limit = std::max(0, (headerLength_ - 1 - kHeaderSize - 263) / 32);
    int offset = 1;
    for (int i = 0; i < limit && uint8_t(header[kHeaderSize + 32 * i]) != kDescriptorEnd; ++i) {
        const char* d = header.data() + kHeaderSize + 32 * i;
        TDbfField f;
        f.Name.assign(d, strnlen(d, 11));
        f.Type = char(std::toupper((unsigned char)d[11]));
        f.Length = (unsigned char)d[16];
        f.Decimals = (unsigned char)d[17];
        f.Offset = offset;
        if (f.Name.empty()) Fail("field " + std::to_string(i + 1) + " has no name");
        if (f.Length == 0) Fail("field " + f.Name + " has length 0");
        if (f.Type == 'M' && f.Length == 4 && (version_ == 0x30 || version_ == 0x31)) f.Type = 'm';  // binary pointer
        const std::string problem = CheckStoredField(f);
        if (!problem.empty()) Fail("field " + f.Name + ": " + problem);
        if (FieldIndex(f.Name) >= 0) Fail("field name " + f.Name + " occurs twice");
        offset += f.Length;
        fields_.push_back(std::move(f));
    }
    if (fields_.empty()) Fail("the table has no fields");
    if (offset > recordLength_) Fail("the fields are longer than the record length " + std::to_string(recordLength_));
}

void TDbfFile::OpenMemo()
{
    const bool hasMemo = std::any_of(fields_.begin(), fields_.end(), [](const TDbfField& f) { return f.Type == 'M' || f.Type == 'm'; });
    if (!hasMemo) return;
    const bool fox = VersionHasFoxProMemo(version_);
    memoPath_ = MemoPathFor(path_, fox);
    if (!std::filesystem::exists(memoPath_)) {
        std::string other = MemoPathFor(std::filesystem::path(path_).replace_extension(".x").string(), fox);
        if (std::filesystem::exists(other)) memoPath_ = other;  // the extension's case differs
    }
    memoFd_ = ::open(memoPath_.c_str(), (readOnly_ ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (memoFd_ < 0) Fail("cannot open its memo file '" + memoPath_ + "': " + std::strerror(errno));
    struct stat info {};
    if (::fstat(memoFd_, &info) != 0) FailMemo(std::strerror(errno));
    memoSize_ = uint64_t(info.st_size);
    if (memoSize_ < kMemoHeaderSize) FailMemo("broken memo file (shorter than its header)");
    char head[kMemoHeaderSize];
    ReadAt(memoFd_, 0, head, sizeof head, true);
    if (fox) {
        memoFormat_ = TDbfMemoFormat::FoxPro;
        memoBlockSize_ = GetBE16(head + 6);
    } else {
        const uint16_t size = GetLE16(head + 20);
        memoFormat_ = MemoLayoutOf(size) ;
        memoBlockSize_ = memoFormat_ == TDbfMemoFormat::DBase4 && size != 0 ? size : 512;
    }
    if (memoBlockSize_ == 0) FailMemo("broken memo file (block size 0)");
}

// A .dbt file does not say its layout plainly: the version byte, the block size and the first
// block's signature decide.
TDbfMemoFormat TDbfFile::MemoLayoutOf(uint16_t blockSize)
{
    if (version_ == 0x83) return TDbfMemoFormat::DBase3;
    if (blockSize != 0 && blockSize != 512) return TDbfMemoFormat::DBase4;
    if (version_ == 0x8B || version_ == 0x84 || version_ == 0x04) return TDbfMemoFormat::DBase4;
    char sig[3] = {0, 0, 0};
    if (memoSize_ >= kMemoHeaderSize + 3) ReadAt(memoFd_, kMemoHeaderSize, sig, 3, true);
    const bool signed4 = uint8_t(sig[0]) == 0xFF && uint8_t(sig[1]) == 0xFF && sig[2] == 0x08;
    return signed4 ? TDbfMemoFormat::DBase4 : TDbfMemoFormat::DBase3;
}

void TDbfFile::LastUpdate(int& year, int& month, int& day) const
{
    const int y = updated_[0];
    year = y >= 100 ? 1900 + y : y < 80 ? 2000 + y : 1900 + y;
    month = updated_[1];
    day = updated_[2];
}

int TDbfFile::FieldIndex(const std::string& name) const
{
    for (size_t i = 0; i < fields_.size(); ++i)
        if (strcasecmp(fields_[i].Name.c_str(), name.c_str()) == 0) return int(i);
    return -1;
}

uint32_t TDbfFile::ReloadRecordCount()
{
    WritePendingAppends();
    const char* head = header_;
    struct stat info {};
    if (::fstat(fd_, &info) == 0) fileSize_ = uint64_t(info.st_size);
    if (memoFd_ >= 0 && ::fstat(memoFd_, &info) == 0) memoSize_ = uint64_t(info.st_size);  // its memos, too
    const uint32_t count = GetLE32(head + 4);
    if (uint64_t(headerLength_) + uint64_t(count) * recordLength_ > fileSize_)
        Fail("header count " + std::to_string(count) + " is larger than the records in the file");
    recordCount_ = count;
    std::memcpy(updated_, head + 1, 3);
    cacheCount_ = 0;
    return count;
}

std::string TDbfFile::BlankRecord() const
{
    std::string record(recordLength_, ' ');
    for (size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i].Type == 'L') record[fields_[i].Offset] = '?';
        else if (fields_[i].Type == 'I' || fields_[i].Type == 'm') std::memset(record.data() + fields_[i].Offset, 0, fields_[i].Length);
    return record;
}

void TDbfFile::ReadRecord(uint32_t index, char* record)
{
    if (index >= recordCount_ && index - recordCount_ < pendingCount_) {
        std::memcpy(record, pending_.data() + size_t(index - recordCount_) * recordLength_, recordLength_);
        return;
    }
    if (index >= recordCount_) Fail("record " + std::to_string(index + 1) + " does not exist");
    if (index < cacheFirst_ || index >= cacheFirst_ + cacheCount_) {
        const uint32_t count = std::min<uint32_t>(recordCount_ - index, std::max<size_t>(1, kReadAheadBytes / recordLength_));
        cache_.resize(size_t(count) * recordLength_);
        ReadAt(fd_, uint64_t(headerLength_) + uint64_t(index) * recordLength_, cache_.data(), cache_.size(), false);
        cacheFirst_ = index;
        cacheCount_ = count;
    }
    std::memcpy(record, cache_.data() + size_t(index - cacheFirst_) * recordLength_, recordLength_);
}

void TDbfFile::WriteHeaderCount(uint32_t count)
{
    if (readOnly_) Fail("the table is open read-only");
    char bytes[7];
    Today(bytes);
    PutLE32(bytes + 3, count);
    std::memcpy(header_ + 1, bytes, sizeof bytes);
    std::memcpy(updated_, bytes, 3);
}

// Keeps the read-ahead in step with a record just written, so reading it back costs nothing.
void TDbfFile::CacheWritten(uint32_t index, const char* record)
{
    if (index >= cacheFirst_ && index < cacheFirst_ + cacheCount_) {
        std::memcpy(cache_.data() + size_t(index - cacheFirst_) * recordLength_, record, recordLength_);
    } else if (index == cacheFirst_ + cacheCount_ && cache_.size() < kReadAheadBytes) {
        cache_.append(record, recordLength_);
        ++cacheCount_;
    } else {
        cache_.assign(record, recordLength_);
        cacheFirst_ = index;
        cacheCount_ = 1;
    }
}

uint32_t TDbfFile::AppendRecord(const char* record)
{
    if (readOnly_) Fail("the table is open read-only");
    if (batchDepth_ > 0) {
        if (pendingCount_ == 0) {
            // The batch starts where a single append would: behind what another handle appended.
            const uint32_t index = std::max(GetLE32(header_ + 4), recordCount_);
            if (index > 0 && (index != recordCount_ || !tailChecked_)) FinishInterruptedAppend(index - 1);
            tailChecked_ = true;
            if (index != recordCount_) cacheCount_ = 0;
            recordCount_ = index;
        }
        pending_.append(record, recordLength_);
        ++pendingCount_;
        const uint32_t index = recordCount_ + pendingCount_ - 1;
        if (pending_.size() >= kBatchBytes) WritePendingAppends();
        return index;
    }
    // Another handle on the same file may have appended since we last looked.
    const uint32_t index = std::max(GetLE32(header_ + 4), recordCount_);
    if (index > 0 && (index != recordCount_ || !tailChecked_)) FinishInterruptedAppend(index - 1);
    tailChecked_ = true;
    // Readers that scan to the end mark instead of trusting the count must not see the record
    // before the count covers it: its flag byte stays an end mark until the count is written.
    const uint64_t offset = uint64_t(headerLength_) + uint64_t(index) * recordLength_;
    writeBuffer_.assign(record, recordLength_);
    writeBuffer_[0] = kEndOfFile;
    writeBuffer_ += kEndOfFile;
    WriteAt(fd_, offset, writeBuffer_.data(), writeBuffer_.size(), false);
    WriteHeaderCount(index + 1);
    WriteAt(fd_, offset, record, 1, false);
    if (index != recordCount_) cacheCount_ = 0;
    recordCount_ = index + 1;
    fileSize_ = std::max<uint64_t>(fileSize_, uint64_t(headerLength_) + uint64_t(recordCount_) * recordLength_ + 1);
    CacheWritten(index, record);
    return index;
}

void TDbfFile::EndAppendBatch()
{
    if (batchDepth_ == 0) return;
    if (--batchDepth_ == 0) WritePendingAppends();
}

void TDbfFile::WritePendingAppends()
{
    if (pendingCount_ == 0) return;
    const uint32_t first = recordCount_, count = pendingCount_;
    std::string records;
    records.swap(pending_);
    pendingCount_ = 0;  // a failed write drops them: the count never covered them
    const uint64_t offset = uint64_t(headerLength_) + uint64_t(first) * recordLength_;
    std::string flags(count, ' ');
    for (uint32_t i = 0; i < count; ++i) {
        flags[i] = records[size_t(i) * recordLength_];
        records[size_t(i) * recordLength_] = kEndOfFile;
    }
    records += kEndOfFile;
    WriteAt(fd_, offset, records.data(), records.size(), false);
    WriteHeaderCount(first + count);
    recordCount_ = first + count;
    fileSize_ = std::max<uint64_t>(fileSize_, offset + records.size());
    records.pop_back();
    for (uint32_t i = 0; i < count; ++i) records[size_t(i) * recordLength_] = flags[i];
    WriteAt(fd_, offset, records.data(), records.size(), false);
    cacheCount_ = 0;
}

// An append killed after its count was written but before its flag bytes: the records are
// whole (they went to disk before the count), only the end marks in their flag bytes have to
// go: one for a single post, a run at the end for a batch.
void TDbfFile::FinishInterruptedAppend(uint32_t last)
{
    char flag = 0;
    ReadAt(fd_, uint64_t(headerLength_) + uint64_t(last) * recordLength_, &flag, 1, false);
    if (flag != kEndOfFile) return;
    const uint32_t step = uint32_t(std::max<size_t>(1, kReadAheadBytes / recordLength_));
    std::string chunk;
    for (uint32_t end = last + 1; end > 0;) {
        const uint32_t begin = end - std::min(end, step);
        chunk.resize(size_t(end - begin) * recordLength_);
        const uint64_t offset = uint64_t(headerLength_) + uint64_t(begin) * recordLength_;
        ReadAt(fd_, offset, chunk.data(), chunk.size(), false);
        uint32_t marked = end;
        while (marked > begin && chunk[size_t(marked - 1 - begin) * recordLength_] == kEndOfFile)
            chunk[size_t(--marked - begin) * recordLength_] = ' ';
        if (marked < end)
            WriteAt(fd_, offset + uint64_t(marked - begin) * recordLength_, chunk.data() + size_t(marked - begin) * recordLength_,
                    size_t(end - marked) * recordLength_, false);
        if (marked > begin) break;
        end = begin;
    }
    cacheCount_ = 0;
}

void TDbfFile::WriteRecord(uint32_t index, const char* record)
{
    WritePendingAppends();
    if (index >= recordCount_) Fail("record " + std::to_string(index + 1) + " does not exist");
    WriteAt(fd_, uint64_t(headerLength_) + uint64_t(index) * recordLength_, record, recordLength_, false);
    CacheWritten(index, record);
}

void TDbfFile::SetDeleted(uint32_t index, bool deleted)
{
    WritePendingAppends();
    if (index >= recordCount_) Fail("record " + std::to_string(index + 1) + " does not exist");
    const char flag = deleted ? '*' : ' ';
    WriteAt(fd_, uint64_t(headerLength_) + uint64_t(index) * recordLength_, &flag, 1, false);
    cacheCount_ = 0;
}

std::string TDbfFile::ToUtf8(std::string text) const
{
    return IsAscii(text) ? text : ConvertCodePage(text, codePage_, 65001);
}

std::string TDbfFile::FromUtf8(const std::string& text) const
{
    return IsAscii(text) ? text : ConvertCodePage(text, 65001, codePage_);
}

bool TDbfFile::IsBlank(const char* record, int field) const
{
    const TDbfField& f = fields_[field];
    const char* p = record + f.Offset;
    return std::all_of(p, p + f.Length, [](char c) { return c == ' ' || c == '\0'; });
}

namespace {

Variant DecodeNumber(const char* p, int length)
{
    const char* end = p + length;
    while (p < end && (*p == ' ' || *p == '\0')) ++p;
    while (end > p && (end[-1] == ' ' || end[-1] == '\0')) --end;
    if (p < end && *p == '+') ++p;
    double value = 0;
    auto [stop, error] = std::from_chars(p, end, value, std::chars_format::fixed);
    if (error != std::errc() || stop == p) return Variant();  // blank, '*' overflow marks, no digits
    return Variant::Float(value);
}

Variant DecodeDate(const char* p)
{
    int parts[3] = {0, 0, 0};
    const int widths[3] = {4, 2, 2};
    for (int i = 0, pos = 0; i < 3; pos += widths[i], ++i) {
        auto [stop, error] = std::from_chars(p + pos, p + pos + widths[i], parts[i]);
        if (error != std::errc() || stop != p + pos + widths[i]) return Variant();
    }
    TDateTime date = 0;
    if (!TryEncodeDate(parts[0], parts[1], parts[2], date)) return Variant();
    return Variant::Date(date);
}

Variant DecodeLogical(char c)
{
    switch (c) {
    case 'T': case 't': case 'Y': case 'y': return Variant::Boolean(true);
    case 'F': case 'f': case 'N': case 'n': return Variant::Boolean(false);
    default: return Variant();
    }
}

}  // namespace

uint32_t TDbfFile::MemoBlockOf(const char* record, int field) const
{
    const TDbfField& f = fields_[field];
    const char* p = record + f.Offset;
    if (f.Type == 'm') return GetLE32(p);
    const char* end = p + f.Length;
    while (p < end && (*p == ' ' || *p == '\0')) ++p;
    uint32_t block = 0;
    auto [stop, error] = std::from_chars(p, end, block);
    if (error != std::errc()) return 0;
    (void)stop;
    return block;
}

Variant TDbfFile::GetValue(const char* record, int field)
{
    const TDbfField& f = fields_[field];
    const char* p = record + f.Offset;
    switch (f.Type) {
    case 'C': {
        int length = f.Length;
        while (length > 0 && (p[length - 1] == ' ' || p[length - 1] == '\0')) --length;
        if (length == 0) return Variant();
        return Variant::String(ToUtf8(std::string(p, length)));
    }
    case 'N':
    case 'F': return DecodeNumber(p, f.Length);
    case 'D': return DecodeDate(p);
    case 'L': return DecodeLogical(*p);
    case 'I': return Variant::Integer(int32_t(GetLE32(p)));
    default: {
        const uint32_t block = MemoBlockOf(record, field);
        if (block == 0) return Variant();
        std::string text = ReadMemo(block);
        if (text.empty()) return Variant();
        return Variant::String(ToUtf8(std::move(text)));
    }
    }
}

void TDbfFile::PutNumber(char* out, const TDbfField& f, double value) const
{
    if (!std::isfinite(value)) Fail("field " + f.Name + ": the value is not a finite number");
    char text[400];
    const auto result = std::to_chars(text, text + sizeof text - 1, value, std::chars_format::fixed, f.Decimals);
    int length = int(result.ptr - text);
    text[length] = '\0';
    if (length > 1 && text[0] == '-' && std::strspn(text + 1, "0.") == size_t(length - 1))
        std::memmove(text, text + 1, length--);  // no "-0"
    if (length > f.Length)
        DatabaseError("Value " + std::string(text) + " does not fit into field " + f.Name + " N(" +
                      std::to_string(f.Length) + "," + std::to_string(f.Decimals) + ") of table '" + path_ + "'");
    std::memset(out, ' ', f.Length - length);
    std::memcpy(out + f.Length - length, text, length);
}

void TDbfFile::SetValue(char* record, int field, const Variant& value)
{
    const TDbfField& f = fields_[field];
    char* p = record + f.Offset;
    if (value.IsNull()) {
        if (f.Type == 'I' || f.Type == 'm') std::memset(p, 0, f.Length);
        else std::memset(p, f.Type == 'L' ? '?' : ' ', f.Type == 'L' ? 1 : f.Length);
        return;
    }
    switch (f.Type) {
    case 'C': {
        const std::string text = FromUtf8(value.StringValue());
        const size_t length = std::min<size_t>(text.size(), f.Length);
        std::memcpy(p, text.data(), length);
        std::memset(p + length, ' ', f.Length - length);
        return;
    }
    case 'N':
    case 'F': return PutNumber(p, f, value.FloatValue());
    case 'D': {
        int y = 0, m = 0, d = 0;
        DecodeDate(value.FloatValue(), y, m, d);
        if (y < 1 || y > 9999) Fail("field " + f.Name + ": date out of range");
        const int digits[8] = {y / 1000, y / 100 % 10, y / 10 % 10, y % 10, m / 10, m % 10, d / 10, d % 10};
        for (int i = 0; i < 8; ++i) p[i] = char('0' + digits[i]);
        return;
    }
    case 'L': *p = value.BooleanValue() ? 'T' : 'F'; return;
    case 'I': {
        const double v = value.FloatValue();
        if (!(v >= -2147483648.0 && v <= 2147483647.0)) Fail("field " + f.Name + ": value out of range");  // NaN too
        PutLE32(p, uint32_t(int32_t(std::llround(v))));
        return;
    }
    default: {
        const std::string bytes = FromUtf8(value.StringValue());
        const uint32_t block = bytes.empty() ? 0 : WriteMemo(bytes);
        if (f.Type == 'm') return PutLE32(p, block);
        if (block == 0) return (void)std::memset(p, ' ', f.Length);
        const std::string digits = std::to_string(block);
        std::memset(p, ' ', f.Length);
        std::memcpy(p + f.Length - digits.size(), digits.data(), digits.size());
        return;
    }
    }
}

std::string TDbfFile::ReadMemo(uint32_t block)
{
    if (memoFd_ < 0) Fail("the table has no memo file");
    const uint64_t offset = uint64_t(block) * memoBlockSize_;
    if (offset < kMemoHeaderSize || offset >= memoSize_)
        FailMemo("memo block " + std::to_string(block) + " lies outside the file");
    return memoFormat_ == TDbfMemoFormat::DBase3 ? ReadMemoDBase3(offset) : ReadMemoSized(offset);
}

std::string TDbfFile::ReadMemoDBase3(uint64_t offset)
{
    std::string text;
    char chunk[4096];
    while (offset < memoSize_) {
        const size_t want = size_t(std::min<uint64_t>(sizeof chunk, memoSize_ - offset));
        ReadAt(memoFd_, offset, chunk, want, true);
        const char* mark = static_cast<const char*>(std::memchr(chunk, kEndOfFile, want));
        text.append(chunk, mark ? size_t(mark - chunk) : want);
        if (mark) break;
        offset += want;
    }
    return text;
}

std::string TDbfFile::ReadMemoSized(uint64_t offset)
{
    if (offset + 8 > memoSize_) FailMemo("memo block header lies outside the file");
    char head[8];
    ReadAt(memoFd_, offset, head, 8, true);
    uint64_t length = 0;
    if (memoFormat_ == TDbfMemoFormat::FoxPro) {
        length = GetBE32(head + 4);
    } else {
        if (uint8_t(head[0]) != 0xFF || uint8_t(head[1]) != 0xFF || head[2] != 0x08 || head[3] != 0x00)
            return ReadMemoDBase3(offset);  // some writers put dBase III memos into dBase IV tables
        length = GetLE32(head + 4);
        if (length < 8) FailMemo("memo at offset " + std::to_string(offset) + " has a broken length");
        length -= 8;
    }
    if (offset + 8 + length > memoSize_)
        FailMemo("memo at offset " + std::to_string(offset) + " is longer than the file");
    std::string text(size_t(length), '\0');
    if (length > 0) ReadAt(memoFd_, offset + 8, text.data(), text.size(), true);
    return text;
}

uint32_t TDbfFile::WriteMemo(const std::string& bytes)
{
    if (memoFd_ < 0) Fail("the table has no memo file");
    char head[8];
    ReadAt(memoFd_, 0, head, 8, true);
    const bool fox = memoFormat_ == TDbfMemoFormat::FoxPro;
    const uint32_t firstFree = uint32_t((kMemoHeaderSize + memoBlockSize_ - 1) / memoBlockSize_);
    uint32_t block = std::max(fox ? GetBE32(head) : GetLE32(head), firstFree);
    // A next-free number behind the file's end would make us overwrite memos: trust the file size.
    block = std::max<uint64_t>(block, (memoSize_ + memoBlockSize_ - 1) / memoBlockSize_);

    std::string data;
    if (memoFormat_ == TDbfMemoFormat::DBase3) {
        data = bytes + std::string(2, kEndOfFile);
    } else {
        data.assign(8, '\0');
        if (fox) {
            PutBE32(data.data(), 1);
            PutBE32(data.data() + 4, uint32_t(bytes.size()));
        } else {
            data[0] = char(0xFF), data[1] = char(0xFF), data[2] = 0x08;
            PutLE32(data.data() + 4, uint32_t(bytes.size() + 8));
        }
        data += bytes;
    }
    const uint32_t blocks = uint32_t((data.size() + memoBlockSize_ - 1) / memoBlockSize_);
    if (memoFormat_ != TDbfMemoFormat::DBase3) data.resize(size_t(blocks) * memoBlockSize_, '\0');
    const uint64_t offset = uint64_t(block) * memoBlockSize_;
    WriteAt(memoFd_, offset, data.data(), data.size(), true);
    memoSize_ = std::max<uint64_t>(memoSize_, offset + data.size());
    char next[4];
    fox ? PutBE32(next, block + blocks) : PutLE32(next, block + blocks);
    WriteAt(memoFd_, 0, next, 4, true);
    return block;
}
