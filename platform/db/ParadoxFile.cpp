#include "platform/db/ParadoxFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <strings.h>

#include "platform/core/CodePage.h"
#include "platform/db/Database.h"
#include "platform/db/DbfFile.h"
#include "platform/db/DbError.h"
#include "platform/db/Table.h"

namespace {

constexpr int kUtf8 = 65001;
constexpr int kFixedEnd = 0x58;       // end of the fixed header area; variable area of old tables
constexpr int kVariableStart = 0x78;  // variable area of version 4 and later tables
constexpr int kBlockHeader = 6;
constexpr int kMaxFieldName = 25;
constexpr int kMemoLeader = 10;
constexpr int kBlobTail = 10;  // location, length, modification number after the leader
constexpr int kBlobBlock = 4096;
constexpr int kBlobBlockHeader = 9;
constexpr int kSlotCount = 64;
constexpr int kSlotTable = 0x0C;
constexpr uint8_t kSortAnsiIntl = 0x62;
constexpr char kSortName[] = "ANSIINTL";
constexpr int kTableNameLength = 79;     // 261 from version 7 on
constexpr int kTableNameLength7 = 261;
constexpr int kDayOfZeroDate = 693594;   // day number (0001-01-01 = 1) of 1899-12-30
constexpr double kMsPerDay = 86400000.0;
constexpr uint64_t kTopBit64 = uint64_t(1) << 63;

// Header integers are little-endian; user data in records big-endian.
uint64_t GetLE(const char* p, int size)
{
    uint64_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}
uint64_t GetBE(const char* p, int size)
{
    uint64_t v = 0;
    for (int i = 0; i < size; ++i) v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}
void PutLE(char* p, int size, uint64_t v)
{
    for (int i = 0; i < size; ++i, v >>= 8) p[i] = char(v & 0xFF);
}
void PutBE(char* p, int size, uint64_t v)
{
    for (int i = size - 1; i >= 0; --i, v >>= 8) p[i] = char(v & 0xFF);
}

bool AllZero(const char* p, int size)
{
    return std::all_of(p, p + size, [](char c) { return c == 0; });
}

// Integers: big-endian two's complement with the sign bit inverted, so 0 bytes mean blank.
void PutInteger(char* p, int size, long long value)
{
    const uint64_t topBit = uint64_t(1) << (8 * size - 1);
    PutBE(p, size, uint64_t(value) ^ topBit);
}
long long GetInteger(const char* p, int size)
{
    const int bits = 8 * size;
    const uint64_t raw = GetBE(p, size) ^ (uint64_t(1) << (bits - 1));
    return (long long)(raw << (64 - bits)) >> (64 - bits);
}

// Doubles: a value with the sign bit clear gets it set; a negative one has every bit inverted.
void PutDouble(char* p, double value)
{
    const auto bits = std::bit_cast<uint64_t>(value);
    PutBE(p, 8, bits & kTopBit64 ? ~bits : bits | kTopBit64);
}
double GetDouble(const char* p)
{
    const uint64_t raw = GetBE(p, 8);
    return std::bit_cast<double>(raw & kTopBit64 ? raw & ~kTopBit64 : ~raw);
}

// The record bytes of a field, -1 when the size byte does not suit the type.
int RecordBytesOf(TParadoxType type, int sizeByte)
{
    switch (type) {
    case TParadoxType::Alpha:
    case TParadoxType::Bytes: return sizeByte >= 1 ? sizeByte : -1;
    case TParadoxType::Short: return sizeByte == 2 ? 2 : -1;
    case TParadoxType::Logical: return sizeByte == 1 ? 1 : -1;
    case TParadoxType::Date:
    case TParadoxType::Long:
    case TParadoxType::Time:
    case TParadoxType::AutoInc: return sizeByte == 4 ? 4 : -1;
    case TParadoxType::Money:
    case TParadoxType::Number:
    case TParadoxType::TimeStamp: return sizeByte == 8 ? 8 : -1;
    case TParadoxType::Memo:
    case TParadoxType::FmtMemo: return sizeByte > kBlobTail ? sizeByte : -1;
    case TParadoxType::Blob:
    case TParadoxType::Ole:
    case TParadoxType::Graphic: return sizeByte >= kBlobTail ? sizeByte : -1;
    case TParadoxType::Bcd: return sizeByte <= 32 ? 17 : -1;
    }
    return -1;
}

bool IsBlobType(TParadoxType type)
{
    return type == TParadoxType::Memo || type == TParadoxType::FmtMemo || type == TParadoxType::Blob ||
           type == TParadoxType::Ole || type == TParadoxType::Graphic;
}

bool IsTextBlob(TParadoxType type) { return type == TParadoxType::Memo || type == TParadoxType::FmtMemo; }

bool HasBlobField(const std::vector<TParadoxField>& fields)
{
    return std::any_of(fields.begin(), fields.end(), [](const TParadoxField& f) { return IsBlobType(f.Type); });
}

std::string ErrnoText() { return std::strerror(errno); }

// The block-size byte of a record size: 2 KiB blocks, 4 KiB when a record needs them.
int BlockKiBFor(int recordSize)
{
    for (int kib : {2, 4})
        if (recordSize <= kib * 1024 - kBlockHeader) return kib;
    return 0;
}

void CheckNewFields(const std::vector<TParadoxField>& fields, const std::string& path)
{
    auto fail = [&](const std::string& reason) { DatabaseError("Cannot create Paradox table '" + path + "': " + reason); };
    if (fields.empty() || fields.size() > 255) fail("a table has 1 to 255 fields");
    for (size_t i = 0; i < fields.size(); ++i) {
        const TParadoxField& f = fields[i];
        if (f.Name.empty() || f.Name.size() > kMaxFieldName || f.Name.find('\0') != std::string::npos)
            fail("field name '" + f.Name + "' is empty or longer than 25 characters");
        for (size_t k = 0; k < i; ++k)
            if (strcasecmp(fields[k].Name.c_str(), f.Name.c_str()) == 0) fail("field name '" + f.Name + "' occurs twice");
        if (f.Size > 255 || RecordBytesOf(f.Type, f.Size) < 0 || f.Type == TParadoxType::Bcd)
            fail("field '" + f.Name + "' has a type or size a table cannot hold");
    }
}

// Header of a new, empty unkeyed table.
std::string NewHeader(const std::vector<TParadoxField>& fields, const std::string& tableName, int codePage)
{
    std::string variable;
    for (const TParadoxField& f : fields) variable += {char(f.Type), char(f.Size)};
    variable.append(4 + 4 * fields.size(), '\0');  // in-memory pointers
    std::string name = ConvertCodePage(tableName, kUtf8, codePage).substr(0, kTableNameLength - 1);
    name.resize(kTableNameLength, '\0');
    variable += name;
    for (const TParadoxField& f : fields) variable += ConvertCodePage(f.Name, kUtf8, codePage) + '\0';
    for (size_t i = 1; i <= fields.size(); ++i) variable += {char(i & 0xFF), char(i >> 8)};
    variable += std::string(kSortName) + '\0';

    const int used = kVariableStart + int(variable.size());
    const int headerSize = (used + TParadoxFile::kHeaderSize - 1) / TParadoxFile::kHeaderSize * TParadoxFile::kHeaderSize;
    int recordSize = 0;
    for (const TParadoxField& f : fields) recordSize += f.Size;
    std::string h(headerSize, '\0');
    char* p = h.data();
    PutLE(p + 0x00, 2, recordSize);
    PutLE(p + 0x02, 2, headerSize);
    p[0x04] = 2;  // unkeyed data table
    p[0x05] = char(BlockKiBFor(recordSize));
    PutLE(p + 0x21, 2, fields.size());
    PutLE(p + 0x25, 4, 0xFF00FF00u);  // encryption: see 0x5C
    p[0x29] = char(kSortAnsiIntl);
    p[0x2D] = 2;  // change counts
    p[0x2E] = 1;
    p[0x39] = TParadoxFile::kFileVersion;
    p[0x3E] = 0x1F;
    p[0x3F] = 0x0F;
    PutLE(p + 0x51, 2, used);
    p[0x56] = 0x20;
    PutLE(p + 0x58, 2, 0x0100 + TParadoxFile::kFileVersion);
    PutLE(p + 0x5A, 2, 0x0100 + TParadoxFile::kFileVersion);
    PutLE(p + 0x60, 4, uint32_t(std::time(nullptr)));
    PutLE(p + 0x64, 2, fields.size() + 1);
    PutLE(p + 0x6A, 2, codePage);
    std::memcpy(p + kVariableStart, variable.data(), variable.size());
    return h;
}

std::string NewBlobHeader()
{
    std::string h(kBlobBlock, '\0');
    const char fixed[] = {0x00, 0x01, 0x00, 0x00, 0x00, char(0x82), 0x73, 0x02, 0x00, 0x29, 0x00,
                          0x00, 0x10, 0x00, 0x10, 0x00, 0x10, 0x40, 0x00, 0x00, 0x08};
    std::memcpy(h.data(), fixed, sizeof fixed);
    return h;
}

struct TypeMapping {
    TFieldType fieldType;
    TParadoxType paradoxType;
    int size;  // 0: from the definition
};
// The first entry for a Paradox type is what a dataset shows for it.
constexpr TypeMapping kTypeMappings[] = {
    {ftString, TParadoxType::Alpha, 0},      {ftFixedChar, TParadoxType::Alpha, 0},
    {ftWideString, TParadoxType::Alpha, 0},  {ftFloat, TParadoxType::Number, 8},
    {ftBCD, TParadoxType::Number, 8},        {ftCurrency, TParadoxType::Money, 8},
    {ftSmallint, TParadoxType::Short, 2},    {ftInteger, TParadoxType::Long, 4},
    {ftWord, TParadoxType::Long, 4},         {ftLargeint, TParadoxType::Number, 8},
    {ftAutoInc, TParadoxType::AutoInc, 4},   {ftDate, TParadoxType::Date, 4},
    {ftDateTime, TParadoxType::TimeStamp, 8}, {ftTime, TParadoxType::Time, 4},
    {ftBoolean, TParadoxType::Logical, 1},   {ftMemo, TParadoxType::Memo, kMemoLeader + kBlobTail},
    {ftFmtMemo, TParadoxType::FmtMemo, kMemoLeader + kBlobTail}, {ftBlob, TParadoxType::Blob, kMemoLeader + kBlobTail},
    {ftBlob, TParadoxType::Ole, 0},          {ftBlob, TParadoxType::Graphic, 0},
    {ftString, TParadoxType::Bytes, 0},      {ftFloat, TParadoxType::Bcd, 0},
};

}  // namespace

TParadoxField ParadoxFieldOf(const TFieldDef& def)
{
    for (const TypeMapping& m : kTypeMappings) {
        if (m.fieldType != def.DataType || m.paradoxType == TParadoxType::AutoInc) continue;
        TParadoxField field{def.Name, m.paradoxType, m.size ? m.size : def.Size, 0};
        if (field.Size < 1 || field.Size > 255)
            DatabaseError("Field '" + def.Name + "': a Paradox text field holds 1 to 255 characters");
        return field;
    }
    // An automatic number is copied as a plain integer: the copy keeps the values.
    if (def.DataType == ftAutoInc) return {def.Name, TParadoxType::Long, 4, 0};
    DatabaseError("Field '" + def.Name + "': a Paradox table cannot hold this field type");
}

TFieldDef FieldDefOf(const TParadoxField& field)
{
    TFieldDef def;
    def.Name = field.Name;
    for (const TypeMapping& m : kTypeMappings) {
        if (m.paradoxType != field.Type) continue;
        def.DataType = m.fieldType;
        break;
    }
    if (field.Type == TParadoxType::Alpha || field.Type == TParadoxType::Bytes) def.Size = field.Size;
    // Time of day and timestamps show as date-times, the kind the datasets have.
    if (field.Type == TParadoxType::Time) def.DataType = ftDateTime;
    return def;
}

bool IsParadoxTableName(const std::string& name)
{
    return strcasecmp(std::filesystem::path(name).extension().string().c_str(), ".db") == 0;
}

// ---- TParadoxFile: creating

std::string TParadoxFile::BlobPathFor(const std::string& tablePath)
{
    std::filesystem::path p(tablePath);
    const std::string ext = p.extension().string();
    const bool upper = !ext.empty() && std::isupper(static_cast<unsigned char>(ext.back()));
    return p.replace_extension(upper ? ".MB" : ".mb").string();
}

void TParadoxFile::Create(const std::string& path, const std::vector<TParadoxField>& fields, int codePage)
{
    CheckNewFields(fields, path);
    int recordSize = 0;
    for (const TParadoxField& f : fields) recordSize += f.Size;
    if (BlockKiBFor(recordSize) == 0)
        DatabaseError("Cannot create Paradox table '" + path + "': a record of " + std::to_string(recordSize) +
                      " bytes is longer than a block holds");
    const std::string header = NewHeader(fields, std::filesystem::path(path).filename().string(), codePage);
    if (header.size() > 0xF800) DatabaseError("Cannot create Paradox table '" + path + "': the field names are too long");
    const std::string blobPath = BlobPathFor(path);
    if (!HasBlobField(fields)) {
        TPendingTableFile(path, header).Commit();
        ::unlink(blobPath.c_str());  // a former table's blobs
        return;
    }
    // Both files are written before either replaces anything. The new table has no records, so it
    // reads well beside an old blob file; an old table's blobs would be lost beside the new one.
    // With no blob file yet, the blob file goes first so the new table never lacks one.
    TPendingTableFile blob(blobPath, NewBlobHeader());
    TPendingTableFile table(path, header);
    if (!std::filesystem::exists(blobPath)) blob.Commit();
    table.Commit();
    blob.Commit();
}

void TParadoxFile::Create(const std::string& path, const TFieldDefs& defs, int codePage)
{
    std::vector<TParadoxField> fields;
    for (int i = 0; i < defs.Count(); ++i) fields.push_back(ParadoxFieldOf(defs.Items(i)));
    Create(path, fields, codePage);
}

// ---- opening and checking

TParadoxFile::TParadoxFile(const std::string& path, bool readOnly)
    : path_(path), blobPath_(BlobPathFor(path)), readOnly_(readOnly)
{
    fd_ = ::open(path.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (fd_ < 0) DatabaseError("Cannot open table '" + path + "': " + ErrnoText());
    try {
        ReadHeader();
    } catch (...) {
        ::close(fd_);
        throw;
    }
}

TParadoxFile::~TParadoxFile()
{
    if (blobFd_ >= 0) ::close(blobFd_);
    ::close(fd_);
}

void TParadoxFile::Fail(const std::string& reason) const { DatabaseError("Table '" + path_ + "': " + reason); }
void TParadoxFile::FailBlob(const std::string& reason) const { DatabaseError("Blob file '" + blobPath_ + "': " + reason); }

std::string TParadoxFile::ReadAt(int fd, uint64_t offset, size_t size) const
{
    std::string bytes(size, '\0');
    const ssize_t got = ::pread(fd, bytes.data(), size, off_t(offset));
    if (got == ssize_t(size)) return bytes;
    const std::string reason = got < 0 ? ErrnoText() : "the file ends early (" + std::to_string(got) + " of " +
                                                           std::to_string(size) + " bytes at " + std::to_string(offset) + ")";
    fd == fd_ ? Fail(reason) : FailBlob(reason);
}

void TParadoxFile::WriteAt(int fd, uint64_t offset, const std::string& bytes) const
{
    if (readOnly_) Fail("the table is open read-only");
    const ssize_t put = ::pwrite(fd, bytes.data(), bytes.size(), off_t(offset));
    if (put == ssize_t(bytes.size())) return;
    const std::string reason = "write failed: " + (put < 0 ? ErrnoText() : std::string("disk full"));
    fd == fd_ ? Fail(reason) : FailBlob(reason);
}

void TParadoxFile::ReadHeader()
{
    struct stat info {};
    if (::fstat(fd_, &info) != 0) Fail(ErrnoText());
    fileSize_ = uint64_t(info.st_size);
    if (fileSize_ < kFixedEnd) Fail("the file is too short for a Paradox table");
    const std::string fixed = ReadAt(fd_, 0, kFixedEnd);
    const char* h = fixed.data();
    recordSize_ = int(GetLE(h + 0x00, 2));
    headerSize_ = int(GetLE(h + 0x02, 2));
    const int fileType = h[0x04];
    blockSize_ = static_cast<unsigned char>(h[0x05]) * 1024;
    version_ = static_cast<unsigned char>(h[0x39]);
    fileBlocks_ = int(GetLE(h + 0x0C, 2));
    if (fileType != 0 && fileType != 2) Fail("this is no Paradox data table (file type " + std::to_string(fileType) + ")");
    if (version_ < 3 || version_ > 15) Fail("unknown file version " + std::to_string(version_));
    if (blockSize_ < 1024 || blockSize_ > 32 * 1024) Fail("bad block size");
    const int variableStart = version_ >= 5 ? kVariableStart : kFixedEnd;
    if (headerSize_ < variableStart || uint64_t(headerSize_) > fileSize_) Fail("bad header size " + std::to_string(headerSize_));
    if (recordSize_ < 1 || recordSize_ > blockSize_ - kBlockHeader) Fail("bad record size " + std::to_string(recordSize_));
    head_ = ReadAt(fd_, 0, variableStart);
    codePage_ = version_ >= 5 ? int(GetLE(head_.data() + 0x6A, 2)) : 0;
    if (codePage_ == 0) codePage_ = ProgramCodePage();
    CheckCodePage();
    ReadFieldList(variableStart);
    ReadBlockChain(uint32_t(GetLE(h + 0x06, 4)), int(GetLE(h + 0x0E, 2)));
}

void TParadoxFile::CheckCodePage()
{
    try {
        ConvertCodePage("A", codePage_, kUtf8);
    } catch (const EConvertError&) {
        Fail("unknown code page " + std::to_string(codePage_));
    }
}

void TParadoxFile::ReadFieldList(int variableStart)
{
    const std::string header = ReadAt(fd_, 0, headerSize_);
    const int count = int(int16_t(GetLE(header.data() + 0x21, 2)));
    if (count < 1 || count > 255) Fail("bad field count " + std::to_string(count));
    const int nameLength = version_ >= 0x0C ? kTableNameLength7 : kTableNameLength;
    size_t pos = size_t(variableStart) + 2 * count + 4 + 4 * count + nameLength;
    if (pos > header.size()) Fail("the field list runs past the header");
    int offset = 0;
    for (int i = 0; i < count; ++i) {
        const char* pair = header.data() + variableStart + 2 * i;
        const auto type = static_cast<TParadoxType>(static_cast<unsigned char>(pair[0]));
        const int size = RecordBytesOf(type, static_cast<unsigned char>(pair[1]));
        const size_t end = header.find('\0', pos);
        if (size < 0) Fail("field " + std::to_string(i + 1) + " has an unknown type or a bad size");
        if (end == std::string::npos) Fail("the field names run past the header");
        TParadoxField field{ConvertCodePage(header.substr(pos, end - pos), codePage_, kUtf8), type, size, offset};
        if (FieldIndex(field.Name) >= 0) Fail("field name '" + field.Name + "' occurs twice");
        fields_.push_back(field);
        offset += size;
        pos = end + 1;
    }
    if (offset != recordSize_) Fail("the field sizes do not add up to the record size");
}

// The records are the first numRecords of the block chain; a header that lags behind an
// interrupted append counts fewer, and a chain that ends early holds what it holds.
void TParadoxFile::ReadBlockChain(uint32_t numRecords, int firstBlock)
{
    blockCount_.assign(fileBlocks_ + 1, 0);
    std::vector<bool> visited(fileBlocks_ + 1, false);
    for (int block = firstBlock; block != 0 && records_.size() < numRecords;) {
        if (block > fileBlocks_) Fail("the block chain points past the " + std::to_string(fileBlocks_) + " blocks");
        if (visited[block]) Fail("the block chain runs in a circle");
        visited[block] = true;
        const std::string head = ReadAt(fd_, BlockOffset(block), kBlockHeader);
        const int last = int(int16_t(GetLE(head.data() + 4, 2)));
        const int count = last / recordSize_ + 1;
        if (last % recordSize_ != 0 || count < 0 || count > RecordsPerBlock())
            Fail("block " + std::to_string(block) + " has a bad record count");
        if (BlockOffset(block) + kBlockHeader + uint64_t(count) * recordSize_ > fileSize_)
            Fail("block " + std::to_string(block) + " lies past the end of the file");
        chain_.push_back(block);
        for (int slot = 0; slot < count && records_.size() < numRecords; ++slot) {
            records_.push_back({block, slot});
            ++blockCount_[block];
        }
        block = int(GetLE(head.data(), 2));
    }
}

int TParadoxFile::FieldIndex(const std::string& name) const
{
    for (size_t i = 0; i < fields_.size(); ++i)
        if (strcasecmp(fields_[i].Name.c_str(), name.c_str()) == 0) return int(i);
    return -1;
}

// ---- values

std::vector<Variant> TParadoxFile::ReadRecord(int index)
{
    if (index < 0 || index >= RecordCount()) Fail("record " + std::to_string(index + 1) + " does not exist");
    const std::string record = ReadAt(fd_, RecordOffset(records_[index]), recordSize_);
    std::vector<Variant> values;
    for (const TParadoxField& f : fields_) values.push_back(DecodeValue(record.data() + f.Offset, f));
    return values;
}

Variant TParadoxFile::DecodeValue(const char* data, const TParadoxField& field)
{
    if (AllZero(data, field.Size)) return Variant();
    switch (field.Type) {
    case TParadoxType::Alpha: {
        const std::string text(data, strnlen(data, field.Size));
        return text.empty() ? Variant() : Variant::String(ConvertCodePage(text, codePage_, kUtf8));
    }
    case TParadoxType::Bytes: return Variant::String(std::string(data, field.Size));
    case TParadoxType::Date: return Variant::Date(double(GetInteger(data, 4) - kDayOfZeroDate));
    case TParadoxType::Short: return Variant::Integer(GetInteger(data, 2));
    case TParadoxType::Long:
    case TParadoxType::AutoInc: return Variant::Integer(GetInteger(data, 4));
    case TParadoxType::Money:
    case TParadoxType::Number: return Variant::Float(GetDouble(data));
    case TParadoxType::Logical: return Variant::Boolean(static_cast<unsigned char>(data[0]) != 0x80);
    case TParadoxType::Time: return Variant::Date(double(GetInteger(data, 4)) / kMsPerDay);
    case TParadoxType::TimeStamp: {
        const double ms = GetDouble(data);
        const double day = std::floor(ms / kMsPerDay);
        const double time = (ms - day * kMsPerDay) / kMsPerDay;
        const double date = day - kDayOfZeroDate;
        return Variant::Date(date < 0 ? date - time : date + time);  // the fraction is the time also before 1899-12-30
    }
    case TParadoxType::Bcd: return Variant();  // no field kind of ours
    default: return DecodeBlob(data, field);
    }
}

std::string TParadoxFile::EncodeRecord(const std::vector<Variant>& values)
{
    if (values.size() > fields_.size()) Fail("a record has " + std::to_string(fields_.size()) + " fields");
    std::string record(recordSize_, '\0');
    for (size_t i = 0; i < values.size(); ++i) {
        if (values[i].IsNull()) continue;
        EncodeValue(record.data() + fields_[i].Offset, fields_[i], values[i]);
    }
    return record;
}

void TParadoxFile::EncodeValue(char* out, const TParadoxField& field, const Variant& value)
{
    auto refuse = [&](const std::string& why) { Fail("field '" + field.Name + "': " + why); };
    const bool text = value.Type() == TVarType::String;
    const bool number = !text && value.Type() != TVarType::Boolean;
    auto integer = [&](long long limit) {
        const double v = value.FloatValue();
        if (!number || std::isnan(v) || v < -double(limit) || v > double(limit)) refuse("the value does not fit");
        return std::llround(v);
    };
    switch (field.Type) {
    case TParadoxType::Alpha:
    case TParadoxType::Bytes: {
        if (!text) refuse("takes text");
        const std::string bytes = field.Type == TParadoxType::Alpha ? ConvertCodePage(value.StringValue(), kUtf8, codePage_)
                                                                     : value.StringValue();
        if (int(bytes.size()) > field.Size) refuse("the text is longer than " + std::to_string(field.Size) + " characters");
        std::memcpy(out, bytes.data(), bytes.size());
        return;
    }
    case TParadoxType::Short: return PutInteger(out, 2, integer(32767));
    case TParadoxType::Long:
    case TParadoxType::AutoInc: return PutInteger(out, 4, integer(2147483647));
    case TParadoxType::Money:
    case TParadoxType::Number:
        if (!number) refuse("takes a number");
        return PutDouble(out, value.FloatValue());
    case TParadoxType::Logical:
        if (value.Type() != TVarType::Boolean) refuse("takes True or False");
        out[0] = char(value.BooleanValue() ? 0x81 : 0x80);
        return;
    case TParadoxType::Date: {
        if (!number || !(std::fabs(value.FloatValue()) < 3e6)) refuse("takes a date");
        const long long day = (long long)std::trunc(value.FloatValue()) + kDayOfZeroDate;
        if (day < 1) refuse("the date lies before the year 1");
        return PutInteger(out, 4, day);
    }
    case TParadoxType::Time: {
        if (!number || !(std::fabs(value.FloatValue()) < 3e6)) refuse("takes a time");
        const double v = std::fabs(value.FloatValue());
        return PutInteger(out, 4, std::min<long long>(std::llround((v - std::trunc(v)) * kMsPerDay), 86399999));
    }
    case TParadoxType::TimeStamp: {
        if (!number || !(std::fabs(value.FloatValue()) < 3e6)) refuse("takes a date and time");
        const double v = value.FloatValue();
        const double day = std::trunc(v) + kDayOfZeroDate;
        if (day < 1) refuse("the date lies before the year 1");
        return PutDouble(out, day * kMsPerDay + std::round(std::fabs(v - std::trunc(v)) * kMsPerDay));
    }
    case TParadoxType::Bcd: Fail("field '" + field.Name + "': BCD values cannot be written");
    default: return EncodeBlob(out, field, value);
    }
}

// ---- blobs

void TParadoxFile::OpenBlobFile(bool forWriting)
{
    if (blobFd_ >= 0) return;
    blobFd_ = ::open(blobPath_.c_str(), (readOnly_ ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (blobFd_ < 0 && forWriting && errno == ENOENT) {
        TPendingTableFile(blobPath_, NewBlobHeader()).Commit();
        blobFd_ = ::open(blobPath_.c_str(), O_RDWR | O_CLOEXEC);
    }
    if (blobFd_ < 0) FailBlob("cannot open: " + ErrnoText());
    struct stat info {};
    if (::fstat(blobFd_, &info) != 0) FailBlob(ErrnoText());
    blobSize_ = uint64_t(info.st_size);
}

void TParadoxFile::EncodeBlob(char* out, const TParadoxField& field, const Variant& value)
{
    if (value.Type() != TVarType::String) Fail("field '" + field.Name + "': takes text");
    const std::string bytes = IsTextBlob(field.Type) ? ConvertCodePage(value.StringValue(), kUtf8, codePage_) : value.StringValue();
    if (bytes.size() > 0x7FFFFFFFu) Fail("field '" + field.Name + "': the value is too long");
    const int leader = field.Size - kBlobTail;
    char* tail = out + leader;
    std::memcpy(out, bytes.data(), std::min<size_t>(leader, bytes.size()));
    PutLE(tail + 4, 4, bytes.size());
    if (int(bytes.size()) <= leader) return;  // whole in the leader: location 0, modification 0
    uint16_t modification = 0;
    PutLE(tail, 4, WriteBlobData(bytes, modification));
    PutLE(tail + 8, 2, modification);
}

// A block of its own at the end of the file, then the header's modification counter.
uint32_t TParadoxFile::WriteBlobData(const std::string& bytes, uint16_t& modification)
{
    OpenBlobFile(true);
    if (blobSize_ < kBlobBlock) FailBlob("the header is missing");
    const uint64_t units = (kBlobBlockHeader + bytes.size() + kBlobBlock - 1) / kBlobBlock;
    const uint64_t offset = (blobSize_ + kBlobBlock - 1) / kBlobBlock * kBlobBlock;
    if (units > 0xFFFF || offset + units * kBlobBlock > 0xFFFFF000u) FailBlob("the file is full");
    modification = uint16_t(GetLE(ReadAt(blobFd_, 3, 2).data(), 2) + 1);
    std::string block(units * kBlobBlock, '\0');
    block[0] = 0x02;
    PutLE(block.data() + 1, 2, units);
    PutLE(block.data() + 3, 4, bytes.size());
    PutLE(block.data() + 7, 2, modification);
    std::memcpy(block.data() + kBlobBlockHeader, bytes.data(), bytes.size());
    WriteAt(blobFd_, offset, block);
    std::string counter(2, '\0');
    PutLE(counter.data(), 2, modification);
    WriteAt(blobFd_, 3, counter);
    blobSize_ = offset + block.size();
    return uint32_t(offset) | 0xFF;
}

Variant TParadoxFile::DecodeBlob(const char* data, const TParadoxField& field)
{
    const int leader = field.Size - kBlobTail;
    const char* tail = data + leader;
    const uint32_t location = uint32_t(GetLE(tail, 4));
    const uint32_t length = uint32_t(GetLE(tail + 4, 4));
    std::string bytes;
    if (location == 0) {
        if (length > uint32_t(leader)) Fail("field '" + field.Name + "' has a bad blob length");
        bytes.assign(data, length);
    } else {
        bytes = ReadBlobData(location, length);
    }
    if (bytes.empty()) return Variant();
    return Variant::String(IsTextBlob(field.Type) ? ConvertCodePage(bytes, codePage_, kUtf8) : bytes);
}

std::string TParadoxFile::ReadBlobData(uint32_t location, uint32_t length)
{
    OpenBlobFile(false);
    const uint64_t offset = location & ~0xFFu;
    const int index = int(location & 0xFF);
    const std::string where = " at " + std::to_string(offset);
    if (offset == 0 || offset % kBlobBlock != 0 || offset + kBlobBlock > blobSize_) FailBlob("no blob block" + where);
    const std::string head = ReadAt(blobFd_, offset, kBlobBlockHeader);
    if (head[0] == 0x02 && index == 0xFF) {
        if (GetLE(head.data() + 3, 4) != length || offset + kBlobBlockHeader + length > blobSize_)
            FailBlob("bad blob length" + where);
        return ReadAt(blobFd_, offset + kBlobBlockHeader, length);
    }
    if (head[0] == 0x03 && index < kSlotCount) {
        const std::string slot = ReadAt(blobFd_, offset + kSlotTable + 5 * index, 5);
        const int start = static_cast<unsigned char>(slot[0]) * 16;
        const int chunks = static_cast<unsigned char>(slot[1]);
        const int lastUsed = static_cast<unsigned char>(slot[4]);
        const uint32_t slotLength = uint32_t((chunks - 1) * 16 + lastUsed);
        if (chunks < 1 || lastUsed < 1 || lastUsed > 16 || slotLength != length || start + slotLength > kBlobBlock)
            FailBlob("bad blob slot" + where);
        return ReadAt(blobFd_, offset + start, length);
    }
    FailBlob("no blob" + where);
}

// ---- writing records

void TParadoxFile::WriteBlockCount(int block)
{
    std::string word(2, '\0');
    PutLE(word.data(), 2, uint64_t((blockCount_[block] - 1) * recordSize_));
    WriteAt(fd_, BlockOffset(block) + 4, word);
}

void TParadoxFile::WriteHeaderCounts()
{
    char* h = head_.data();
    PutLE(h + 0x06, 4, records_.size());
    PutLE(h + 0x0A, 2, fileBlocks_);  // no free blocks: all in use
    PutLE(h + 0x0C, 2, fileBlocks_);
    PutLE(h + 0x0E, 2, chain_.empty() ? 0 : chain_.front());
    PutLE(h + 0x10, 2, chain_.empty() ? 0 : chain_.back());
    PutLE(h + 0x3A, 2, fileBlocks_);
    WriteAt(fd_, 0, head_);
}

void TParadoxFile::AppendRecord(const std::vector<Variant>& values)
{
    if (readOnly_) Fail("the table is open read-only");
    const std::string record = EncodeRecord(values);
    const int last = chain_.empty() ? 0 : chain_.back();
    if (last != 0 && blockCount_[last] < RecordsPerBlock()) {
        const Place place{last, blockCount_[last]};
        WriteAt(fd_, RecordOffset(place), record);
        ++blockCount_[last];
        WriteBlockCount(last);
        records_.push_back(place);
    } else {
        if (fileBlocks_ >= 0xFFFF) Fail("the table is full");
        const int block = fileBlocks_ + 1;
        std::string bytes(blockSize_, '\0');
        PutLE(bytes.data() + 2, 2, last);
        std::memcpy(bytes.data() + kBlockHeader, record.data(), record.size());
        WriteAt(fd_, BlockOffset(block), bytes);
        if (last != 0) {
            std::string next(2, '\0');
            PutLE(next.data(), 2, block);
            WriteAt(fd_, BlockOffset(last), next);
        }
        fileBlocks_ = block;
        blockCount_.resize(block + 1, 0);
        blockCount_[block] = 1;
        chain_.push_back(block);
        records_.push_back({block, 0});
    }
    WriteHeaderCounts();
}

void TParadoxFile::WriteRecord(int index, const std::vector<Variant>& values)
{
    if (index < 0 || index >= RecordCount()) Fail("record " + std::to_string(index + 1) + " does not exist");
    WriteAt(fd_, RecordOffset(records_[index]), EncodeRecord(values));
}

// The block is rewritten at once without the record; an emptied block stays in the chain.
void TParadoxFile::DeleteRecord(int index)
{
    if (index < 0 || index >= RecordCount()) Fail("record " + std::to_string(index + 1) + " does not exist");
    const Place place = records_[index];
    const int count = blockCount_[place.block];
    std::string bytes = ReadAt(fd_, BlockOffset(place.block), kBlockHeader + size_t(count) * recordSize_);
    bytes.erase(kBlockHeader + size_t(place.slot) * recordSize_, recordSize_);
    PutLE(bytes.data() + 4, 2, uint64_t((count - 2) * recordSize_));
    WriteAt(fd_, BlockOffset(place.block), bytes);
    --blockCount_[place.block];
    records_.erase(records_.begin() + index);
    for (Place& p : records_)
        if (p.block == place.block && p.slot > place.slot) --p.slot;
    WriteHeaderCounts();
}

// ---- TParadoxTable

TParadoxTable::~TParadoxTable() { CloseDestroying(); }

std::string TParadoxTable::FilePath() const
{
    std::filesystem::path name(TableName);
    if (name.extension().empty()) name += ".db";
    if (name.is_absolute()) return name.string();
    const std::string folder = Session().DatabasePath(DatabaseName);
    return folder.empty() ? name.string() : (std::filesystem::path(folder) / name).string();
}

bool TParadoxTable::Exists() const { return std::filesystem::is_regular_file(FilePath()); }

bool TParadoxTable::CanModify() const { return Active() && file_ && !file_->ReadOnly(); }

void TParadoxTable::CreateTable()
{
    CheckInactive();
    TParadoxFile::Create(FilePath(), FieldDefs(), ProgramCodePage());
}

void TParadoxTable::DefineFields(const TParadoxFile& file)
{
    FieldDefs().Clear();
    for (const TParadoxField& f : file.Fields()) {
        const TFieldDef def = FieldDefOf(f);
        FieldDefs().Add(def.Name, def.DataType, def.Size);
    }
}

void TParadoxTable::InternalInitFieldDefs()
{
    TParadoxFile file(FilePath(), true);
    DefineFields(file);
}

void TParadoxTable::InternalOpen()
{
    if (TableName.empty()) DatabaseError("Table name is missing");
    const std::string path = FilePath();
    file_ = std::make_unique<TParadoxFile>(path, ReadOnly || ::access(path.c_str(), W_OK) != 0);
    DefineFields(*file_);
    ids_.clear();
    NumberRecords();
}

void TParadoxTable::InternalClose()
{
    file_.reset();
    ids_.clear();
    current_.clear();
    buffer_.clear();
}

// Records that are still there keep their bookmarks; new ones get new bookmarks.
void TParadoxTable::NumberRecords()
{
    ids_.resize(std::min<size_t>(ids_.size(), file_->RecordCount()));
    while (int(ids_.size()) < file_->RecordCount()) ids_.push_back(nextId_++);
}

void TParadoxTable::InternalLoadRecord(int position) { current_ = file_->ReadRecord(position); }
void TParadoxTable::InternalInitRecord() { buffer_.assign(file_->Fields().size(), Variant()); }
void TParadoxTable::InternalEdit() { buffer_ = current_; }

int TParadoxTable::InternalPost(bool inserting)
{
    if (!inserting) {
        const int position = RecNo() - 1;
        file_->WriteRecord(position, buffer_);
        return position;
    }
    // An unkeyed table keeps records in the order they came: an insert goes to the end.
    file_->AppendRecord(buffer_);
    ids_.push_back(nextId_++);
    return int(ids_.size()) - 1;
}

void TParadoxTable::InternalDelete(int position)
{
    file_->DeleteRecord(position);
    ids_.erase(ids_.begin() + position);
}

void TParadoxTable::InternalRefresh()
{
    file_ = std::make_unique<TParadoxFile>(file_->Path(), file_->ReadOnly());
    NumberRecords();
}

int TParadoxTable::InternalBookmarkPosition(TBookmark bookmark) const
{
    const auto found = std::find(ids_.begin(), ids_.end(), bookmark);
    return found == ids_.end() ? -1 : int(found - ids_.begin());
}

Variant TParadoxTable::GetFieldData(const TField& field) const
{
    const size_t index = size_t(field.FieldNo() - 1);
    const bool editing = State() == dsEdit || State() == dsInsert;
    const std::vector<Variant>& values = editing ? buffer_ : current_;
    if ((!editing && !HasCurrentRecord()) || index >= values.size()) return Variant();
    return values[index];
}

void TParadoxTable::SetFieldData(const TField& field, const Variant& value)
{
    const size_t index = size_t(field.FieldNo() - 1);
    if (index < buffer_.size()) buffer_[index] = value;
}

// ---- batch move destination

void TParadoxDestination::Name()
{
    if (table_.Active()) return;
    table_.DatabaseName = named_.DatabaseName();
    table_.TableName = named_.FilePath();
    table_.IndexFieldNames = named_.IndexFieldNames();
}

TDataSet& TParadoxDestination::DataSet()
{
    Name();
    return table_;
}

std::string TParadoxDestination::KeyFieldNames() const { return named_.IndexFieldNames(); }

void TParadoxDestination::Recreate(TDataSet& source)
{
    table_.Close();
    Name();  // only a closed table takes the names
    RecreateWithFieldsOf(table_, source);
}

bool TParadoxDestination::IsSameAs(const TDataSet& source) const
{
    const auto* table = dynamic_cast<const TParadoxTable*>(&source);
    return table && SameExistingFile(table->FilePath(), named_.FilePath());
}

std::unique_ptr<TBatchDestination> MakeBatchDestination(TTable& table)
{
    if (IsParadoxTableName(table.FilePath())) return std::make_unique<TParadoxDestination>(table);
    return std::make_unique<TTableDestination>(table);
}
