// Paradox tables: the header against the format's byte offsets, every field kind read back,
// multi-block tables, Czech text, copies through batch moves, appends after an interrupted
// write, and bad files refused with a message naming them.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "platform/db/BatchMove.h"
#include "platform/db/DbError.h"
#include "platform/db/ParadoxFile.h"
#include "platform/db/Table.h"
#include "support/TestSupport.h"
#include "support_DbTools.h"
#include "support_SqlTables.h"

namespace {

using Values = std::vector<Variant>;

const std::string kCzech = "Příliš žluťoučký kůň úpěl ďábelské ódy";
const std::string kCzechName = "Příliš žluťoučký kůň";  // 20 characters

uint64_t LE(const std::string& bytes, size_t offset, int size)
{
    uint64_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes.at(offset + i));
    return v;
}

std::string Hex(const std::string& bytes, size_t offset, size_t size)
{
    std::string text;
    char part[4];
    for (size_t i = 0; i < size; ++i) {
        std::snprintf(part, sizeof part, "%02X", static_cast<unsigned char>(bytes.at(offset + i)));
        text += (i ? " " : "") + std::string(part);
    }
    return text;
}

void PutLE(std::string& bytes, size_t offset, int size, uint64_t v)
{
    for (int i = 0; i < size; ++i, v >>= 8) bytes.at(offset + i) = char(v & 0xFF);
}

std::vector<Values> ReadAll(const std::string& path)
{
    TParadoxFile file(path, true);
    std::vector<Values> rows;
    for (int i = 0; i < file.RecordCount(); ++i) rows.push_back(file.ReadRecord(i));
    return rows;
}

class ParadoxFileTest : public testing::Test {
protected:
    void SetUp() override { SetProgramCodePage(1250); }
    void TearDown() override { SetProgramCodePage(0); }

    // NAME A(20), COUNT I, VALUE N, DAY D, DONE L, NOTE M (10-byte leader), SHORT S.
    std::string MakeSampleTable(const std::vector<Values>& rows)
    {
        TFieldDefs defs(nullptr);
        defs.Add("NAME", ftString, 20);
        defs.Add("COUNT", ftInteger);
        defs.Add("VALUE", ftFloat, 2).Precision = 8;
        defs.Add("DAY", ftDate);
        defs.Add("DONE", ftBoolean);
        defs.Add("NOTE", ftMemo);
        defs.Add("SHORT", ftSmallint);
        const std::string path = dir_.file("copy.db");
        TParadoxFile::Create(path, defs, 1250);
        TParadoxFile file(path, false);
        for (const Values& row : rows) file.AppendRecord(row);
        return path;
    }

    qbtest::TempDir dir_;
};

const Values kFirstRow = {Variant::String(kCzechName), Variant::Integer(256), Variant::Float(1.0),
                          Variant::Date(EncodeDate(1996, 5, 4)), Variant::Boolean(true), Variant::String("short"),
                          Variant::Integer(-2)};

// ---- header and records on the format's byte offsets

TEST_F(ParadoxFileTest, HeaderMatchesTheFormatFieldByField)
{
    const std::string path = MakeSampleTable({kFirstRow, Values{}, Values{Variant::String("x")}});
    const std::string b = qbtest::ReadFileBytes(path);
    const int recordSize = 20 + 4 + 8 + 4 + 1 + 20 + 2;
    // Field names follow the type pairs, the pointers and the 79-byte table name.
    const size_t names = 0x78 + 83 + 6 * 7;
    const std::string nameList = std::string("NAME\0COUNT\0VALUE\0DAY\0DONE\0NOTE\0SHORT\0", 37);
    const size_t numbers = names + nameList.size();
    const size_t sortName = numbers + 2 * 7;

    struct Case {
        const char* what;
        size_t offset;
        int size;
        uint64_t expected;
    };
    const Case cases[] = {
        {"record size", 0x00, 2, uint64_t(recordSize)},
        {"header size", 0x02, 2, 0x800},
        {"file type: unkeyed", 0x04, 1, 2},
        {"block size in KiB", 0x05, 1, 2},
        {"records", 0x06, 4, 3},
        {"blocks in use", 0x0A, 2, 1},
        {"file blocks", 0x0C, 2, 1},
        {"first block", 0x0E, 2, 1},
        {"last block", 0x10, 2, 1},
        {"modified flags", 0x14, 1, 0},
        {"field count", 0x21, 2, 7},
        {"key fields", 0x23, 2, 0},
        {"encryption 1", 0x25, 4, 0xFF00FF00u},
        {"sort order", 0x29, 1, 0x62},
        {"change count 1", 0x2D, 1, 2},
        {"change count 2", 0x2E, 1, 1},
        {"write protected", 0x38, 1, 0},
        {"file version: 5", 0x39, 1, 0x0B},
        {"max blocks", 0x3A, 2, 1},
        {"constant", 0x3E, 2, 0x0F1F},
        {"auto increment", 0x49, 4, 0},
        {"first free block", 0x4D, 2, 0},
        {"used header length", 0x51, 2, sortName + 9},
        {"unknown, as written elsewhere", 0x56, 1, 0x20},
        {"version word", 0x58, 2, 0x010B},
        {"version word again", 0x5A, 2, 0x010B},
        {"encryption 2", 0x5C, 4, 0},
        {"high field id", 0x64, 2, 8},
        {"code page 1250", 0x6A, 2, 0x04E2},
        {"field 1 type, size", 0x78, 2, 0x1401},
        {"field 2 type, size", 0x7A, 2, 0x0404},
        {"field 3 type, size", 0x7C, 2, 0x0806},
        {"field 4 type, size", 0x7E, 2, 0x0402},
        {"field 5 type, size", 0x80, 2, 0x0109},
        {"field 6 type, size", 0x82, 2, 0x140C},
        {"field 7 type, size", 0x84, 2, 0x0203},
        {"table name pointer", 0x86, 4, 0},
        {"field number 1", numbers, 2, 1},
        {"field number 7", numbers + 12, 2, 7},
        {"block 1: next", 0x800, 2, 0},
        {"block 1: previous", 0x802, 2, 0},
        {"block 1: offset of the last record", 0x804, 2, uint64_t(2 * recordSize)},
    };
    for (const Case& c : cases) EXPECT_EQ(LE(b, c.offset, c.size), c.expected) << c.what;

    EXPECT_EQ(b.size(), 0x800u + 0x800u) << "header and one 2 KiB block";
    EXPECT_EQ(b.substr(0x78 + 2 * 7 + 4 + 4 * 7, 8), std::string("copy.db\0", 8)) << "table name after the pointers";
    EXPECT_EQ(b.substr(names, nameList.size()), nameList);
    EXPECT_EQ(b.substr(sortName, 9), std::string("ANSIINTL\0", 9));
    EXPECT_TRUE(std::all_of(b.begin() + sortName + 9, b.begin() + 0x800, [](char c) { return c == 0; }));

    // The first record, field by field: code page text, big-endian numbers with the sign bit
    // inverted, day numbers counted from 0001-01-01, logical 0x81, a memo whole in its leader.
    const size_t r = 0x806;
    EXPECT_EQ(b.substr(r, 20), Utf8ToAnsi(kCzechName));
    EXPECT_EQ(Hex(b, r + 20, 4), "80 00 01 00");
    EXPECT_EQ(Hex(b, r + 24, 8), "BF F0 00 00 00 00 00 00");
    EXPECT_EQ(Hex(b, r + 32, 4), "80 0B 1E CF") << "1996-05-04 is day 728783";
    EXPECT_EQ(Hex(b, r + 36, 1), "81");
    EXPECT_EQ(b.substr(r + 37, 10), std::string("short\0\0\0\0\0", 10));
    EXPECT_EQ(Hex(b, r + 47, 10), "00 00 00 00 05 00 00 00 00 00") << "in the leader: location 0, length 5";
    EXPECT_EQ(Hex(b, r + 57, 2), "7F FE");
    // The blank second record is all zero bytes.
    EXPECT_EQ(b.substr(r + recordSize, recordSize), std::string(recordSize, '\0'));
}

TEST_F(ParadoxFileTest, NumbersAreEncodedAsTheFormatSays)
{
    struct Case {
        TFieldType type;
        Variant value;
        const char* bytes;
    };
    const Case cases[] = {
        {ftSmallint, Variant::Integer(1), "80 01"},
        {ftSmallint, Variant::Integer(0), "80 00"},
        {ftInteger, Variant::Integer(-1), "7F FF FF FF"},
        {ftFloat, Variant::Float(-1.0), "40 0F FF FF FF FF FF FF"},
        {ftFloat, Variant::Float(0.0), "80 00 00 00 00 00 00 00"},
        {ftCurrency, Variant::Float(1.0), "BF F0 00 00 00 00 00 00"},
        {ftDateTime, Variant::Date(EncodeDateTime(2000, 1, 1, 12, 0, 0, 0)), "C2 CC AF C2 5B 07 00 00"},
        {ftBoolean, Variant::Boolean(false), "80"},
    };
    for (const Case& c : cases) {
        TFieldDefs defs(nullptr);
        defs.Add("F", c.type);
        const std::string path = dir_.file("n.db");
        TParadoxFile::Create(path, defs, 1250);
        TParadoxFile(path, false).AppendRecord({c.value});
        const std::string b = qbtest::ReadFileBytes(path);
        const size_t size = std::string(c.bytes).size() / 3 + 1;
        EXPECT_EQ(Hex(b, 0x806, size), c.bytes) << "type " << c.type;
        EXPECT_EQ(ReadAll(path).at(0).at(0), c.value) << "type " << c.type;
    }
}

// ---- values

TEST_F(ParadoxFileTest, EveryFieldKindReadsBackWithTheSameValue)
{
    const std::string longMemo = kCzech + std::string(3000, 'x') + "\r\nend";
    const std::string hugeMemo(9000, 'm');
    std::string binary("\0\1\2\xFF data", 9);
    struct Case {
        const char* name;
        TFieldType type;
        int size;
        Values values;
    };
    const Case cases[] = {
        {"text", ftString, 40, {Variant::String(kCzech), Variant::String("a"), Variant::String(std::string(40, 'z'))}},
        {"number", ftFloat, 2, {Variant::Float(3.25), Variant::Float(-1e300), Variant::Float(-0.5), Variant::Float(1e-300)}},
        {"money", ftCurrency, 0, {Variant::Float(1234.56), Variant::Float(-0.01)}},
        {"short", ftSmallint, 0, {Variant::Integer(32767), Variant::Integer(-32767), Variant::Integer(0)}},
        {"integer", ftInteger, 0, {Variant::Integer(2147483647), Variant::Integer(-2147483647), Variant::Integer(0)}},
        {"date", ftDate, 0, {Variant::Date(EncodeDate(1, 1, 1)), Variant::Date(EncodeDate(9999, 12, 31)), Variant::Date(0)}},
        {"date-time", ftDateTime, 0,
         {Variant::Date(EncodeDateTime(2024, 2, 29, 23, 59, 59, 999)), Variant::Date(EncodeDateTime(1850, 6, 1, 6, 0, 0, 0))}},
        {"logical", ftBoolean, 0, {Variant::Boolean(true), Variant::Boolean(false)}},
        {"memo", ftMemo, 0, {Variant::String("in leader"), Variant::String(kCzech), Variant::String(longMemo), Variant::String(hugeMemo)}},
        {"blob", ftBlob, 0, {Variant::String(binary), Variant::String(std::string(5000, '\0') + "z")}},
    };
    for (const Case& c : cases) {
        TFieldDefs defs(nullptr);
        defs.Add("F", c.type, c.size);
        defs.Add("AFTER", ftInteger);
        const std::string path = dir_.file(std::string(c.name) + ".db");
        TParadoxFile::Create(path, defs, 1250);
        {
            TParadoxFile file(path, false);
            for (size_t i = 0; i < c.values.size(); ++i) file.AppendRecord({c.values[i], Variant::Integer(long(i))});
            file.AppendRecord({Variant(), Variant::Integer(99)});
        }
        const std::vector<Values> rows = ReadAll(path);
        ASSERT_EQ(rows.size(), c.values.size() + 1) << c.name;
        for (size_t i = 0; i < c.values.size(); ++i) {
            EXPECT_EQ(rows[i][0], c.values[i]) << c.name << " value " << i;
            EXPECT_EQ(rows[i][1], Variant::Integer(long(i))) << c.name << ": the next field is intact";
        }
        EXPECT_TRUE(rows.back()[0].IsNull()) << c.name << ": a null stays blank";
    }
}

TEST_F(ParadoxFileTest, ValuesThatDoNotFitAreRefusedAndWriteNothing)
{
    const std::string path = MakeSampleTable({kFirstRow});
    struct Case {
        int field;
        Variant value;
    };
    const Case cases[] = {
        {0, Variant::String(std::string(21, 'a'))},
        {1, Variant::Integer(2147483648LL)},
        {1, Variant::String("12")},
        {6, Variant::Integer(-32768)},  // its bytes would read as blank
        {3, Variant::Date(EncodeDate(1, 1, 1) - 1)},
        {4, Variant::Integer(1)},
    };
    TParadoxFile file(path, false);
    for (const Case& c : cases) {
        Values row(7);
        row[c.field] = c.value;
        EXPECT_THROW(file.AppendRecord(row), EDatabaseError) << "field " << c.field;
    }
    EXPECT_EQ(file.RecordCount(), 1);
    EXPECT_EQ(ReadAll(path).size(), 1u);
}

// ---- blocks

TEST_F(ParadoxFileTest, ManyRecordsFillSeveralChainedBlocks)
{
    TFieldDefs defs(nullptr);
    defs.Add("ID", ftInteger);
    defs.Add("NAME", ftString, 60);
    defs.Add("X", ftFloat);
    const int recordSize = 4 + 60 + 8;
    const int perBlock = (2048 - 6) / recordSize;  // 28
    const int count = 200;
    const std::string path = dir_.file("many.db");
    TParadoxFile::Create(path, defs, 1250);
    {
        TParadoxFile file(path, false);
        for (int i = 0; i < count; ++i)
            file.AppendRecord({Variant::Integer(i), Variant::String("řádek " + std::to_string(i)), Variant::Float(i / 4.0)});
    }
    const std::string b = qbtest::ReadFileBytes(path);
    const int blocks = (count + perBlock - 1) / perBlock;
    EXPECT_EQ(b.size(), size_t(0x800 + blocks * 2048));
    EXPECT_EQ(LE(b, 0x06, 4), uint64_t(count));
    EXPECT_EQ(LE(b, 0x0C, 2), uint64_t(blocks));
    EXPECT_EQ(LE(b, 0x0A, 2), uint64_t(blocks));
    EXPECT_EQ(LE(b, 0x10, 2), uint64_t(blocks));
    EXPECT_EQ(LE(b, 0x3A, 2), uint64_t(blocks));
    for (int block = 1; block <= blocks; ++block) {
        const size_t at = 0x800 + size_t(block - 1) * 2048;
        const int inBlock = block < blocks ? perBlock : count - perBlock * (blocks - 1);
        EXPECT_EQ(LE(b, at, 2), uint64_t(block < blocks ? block + 1 : 0)) << "next of block " << block;
        EXPECT_EQ(LE(b, at + 2, 2), uint64_t(block - 1)) << "previous of block " << block;
        EXPECT_EQ(LE(b, at + 4, 2), uint64_t((inBlock - 1) * recordSize)) << "last offset of block " << block;
    }
    const std::vector<Values> rows = ReadAll(path);
    ASSERT_EQ(rows.size(), size_t(count));
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(rows[i][0], Variant::Integer(i));
        EXPECT_EQ(rows[i][1], Variant::String("řádek " + std::to_string(i)));
    }
}

TEST_F(ParadoxFileTest, DeletingAndRewritingKeepTheOtherRecords)
{
    TFieldDefs defs(nullptr);
    defs.Add("ID", ftInteger);
    defs.Add("PAD", ftString, 200);
    const std::string path = dir_.file("del.db");
    TParadoxFile::Create(path, defs, 1250);
    TParadoxFile file(path, false);
    for (int i = 0; i < 25; ++i) file.AppendRecord({Variant::Integer(i)});  // 10 per block: 3 blocks
    file.DeleteRecord(12);
    for (int i = 0; i < 5; ++i) file.DeleteRecord(19);  // empties the last block
    file.WriteRecord(0, {Variant::Integer(100), Variant::String("new")});
    file.AppendRecord({Variant::Integer(200)});
    std::vector<long long> expected = {100};
    for (int i = 1; i < 20; ++i)
        if (i != 12) expected.push_back(i);
    expected.push_back(200);
    const std::vector<Values> rows = ReadAll(path);
    std::vector<long long> ids;
    for (const Values& row : rows) ids.push_back(row[0].IntegerValue());
    EXPECT_EQ(ids, expected);
    EXPECT_EQ(rows[0][1], Variant::String("new"));
}

// An append writes the record before the header: a header that lags behind shows the table
// as it was, and the next append takes the place of the half-written record.
TEST_F(ParadoxFileTest, AnInterruptedAppendLeavesTheEarlierTable)
{
    const std::string path = MakeSampleTable({kFirstRow, kFirstRow});
    std::string bytes = qbtest::ReadFileBytes(path);
    PutLE(bytes, 0x06, 4, 1);  // the header of before the second append
    qbtest::WriteFileBytes(path, bytes);
    EXPECT_EQ(ReadAll(path).size(), 1u);
    {
        TParadoxFile file(path, false);
        file.AppendRecord({Variant::String("after")});
    }
    const std::vector<Values> rows = ReadAll(path);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][0], Variant::String("after"));
    EXPECT_TRUE(rows[1][1].IsNull());
}

TEST_F(ParadoxFileTest, CreateReplacesAFileOnlyWhenTheDefinitionsAreGood)
{
    const std::string path = MakeSampleTable({kFirstRow});
    const std::string before = qbtest::ReadFileBytes(path);
    struct Case {
        const char* name;
        TFieldType type;
        int size;
    };
    const Case cases[] = {
        {"", ftString, 5},
        {"A_NAME_LONGER_THAN_25_CHARS", ftString, 5},
        {"TEXT", ftString, 256},
        {"TEXT", ftString, 0},
        {"ARRAY", ftArray, 0},
    };
    for (const Case& c : cases) {
        TFieldDefs defs(nullptr);
        defs.Add(c.name, c.type, c.size);
        EXPECT_THROW(TParadoxFile::Create(path, defs, 1250), EDatabaseError) << c.name;
    }
    EXPECT_THROW(TParadoxFile::Create(path, std::vector<TParadoxField>{{"A", TParadoxType::Short, 2, 0}, {"a", TParadoxType::Short, 2, 0}}, 1250),
                 EDatabaseError);
    EXPECT_EQ(qbtest::ReadFileBytes(path), before);
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
}

// Re-creating a table writes both new files before replacing either: when the table file cannot
// be written, the old table still reads with its blobs and no temporary file is left.
TEST_F(ParadoxFileTest, FailedRecreateKeepsTheOldTableWithItsBlobs)
{
    const std::string longNote = kCzech + std::string(200, 'n');
    Values row = kFirstRow;
    row[5] = Variant::String(longNote);
    const std::string path = MakeSampleTable({row});
    const std::string blobPath = TParadoxFile::BlobPathFor(path);
    const std::string blobBefore = qbtest::ReadFileBytes(blobPath);
    std::filesystem::create_directory(path + ".tmp~");  // the new table file's temporary name is taken
    TFieldDefs defs(nullptr);
    defs.Add("ID", ftInteger);
    defs.Add("NOTE", ftMemo);
    EXPECT_THROW(TParadoxFile::Create(path, defs, 1250), EDatabaseError);
    std::filesystem::remove(path + ".tmp~");
    EXPECT_EQ(qbtest::ReadFileBytes(blobPath), blobBefore);
    const std::vector<Values> rows = ReadAll(path);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][5], Variant::String(longNote));
    EXPECT_FALSE(std::filesystem::exists(blobPath + ".tmp~"));
}

// A write cut short by a file size limit reports that cause, not some earlier error; nothing is
// left behind. Limit 0 fails the first write, 100 lets part of a file through.
TEST_F(ParadoxFileTest, WriteStoppedByASizeLimitReportsItsCause)
{
    const std::string path = dir_.file("limit.db");
    for (bool withBlob : {false, true}) {
        for (rlim_t limit : {rlim_t(0), rlim_t(100)}) {
            SCOPED_TRACE(testing::Message() << "limit " << limit << (withBlob ? " with blob" : ""));
            TFieldDefs defs(nullptr);
            defs.Add("NAME", ftString, 20);
            if (withBlob) defs.Add("NOTE", ftMemo);
            std::string message;
            {
                dbtest::FileSizeLimit fileLimit(limit);
                errno = ENOENT;
                try {
                    TParadoxFile::Create(path, defs, 1250);
                } catch (const EDatabaseError& e) {
                    message = e.what();
                }
            }
            EXPECT_NE(message.find(std::strerror(EFBIG)), std::string::npos) << message;
            EXPECT_EQ(message.find(std::strerror(ENOENT)), std::string::npos) << message;
            for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
                ADD_FAILURE() << "left behind: " << entry.path();
        }
    }
}

// ---- bad files

TEST_F(ParadoxFileTest, BadFilesRaiseAClearErrorNamingTheFile)
{
    const std::string good = qbtest::ReadFileBytes(MakeSampleTable({kFirstRow, {Variant(), Variant(), Variant(), Variant(), Variant(),
                                                                                Variant::String(std::string(100, 'L'))}}));
    const std::string goodBlob = qbtest::ReadFileBytes(dir_.file("copy.mb"));
    const size_t memoTail = 0x806 + 59 + 47;  // second record's memo reference
    struct Case {
        const char* what;
        std::function<void(std::string& table, std::string& blob)> spoil;
    };
    const Case cases[] = {
        {"empty file", [](std::string& t, std::string&) { t.clear(); }},
        {"cut in the header", [](std::string& t, std::string&) { t.resize(0x60); }},
        {"cut before the block", [](std::string& t, std::string&) { t.resize(0x800); }},
        {"cut in the block", [](std::string& t, std::string&) { t.resize(0x806 + 30); }},
        {"garbage", [](std::string& t, std::string&) {
             for (size_t i = 0; i < t.size(); ++i) t[i] = char((i * 7919 + 13) % 251);
         }},
        {"index file type", [](std::string& t, std::string&) { t[0x04] = 1; }},
        {"unknown version", [](std::string& t, std::string&) { t[0x39] = 0x30; }},
        {"block size 0", [](std::string& t, std::string&) { t[0x05] = 0; }},
        {"header size past the end", [](std::string& t, std::string&) { PutLE(t, 0x02, 2, 0xF000); }},
        {"record size 0", [](std::string& t, std::string&) { PutLE(t, 0x00, 2, 0); }},
        {"sizes do not add up", [](std::string& t, std::string&) { PutLE(t, 0x00, 2, 58); }},
        {"no fields", [](std::string& t, std::string&) { PutLE(t, 0x21, 2, 0); }},
        {"unknown field type", [](std::string& t, std::string&) { t[0x78] = 0x42; }},
        {"integer of size 3", [](std::string& t, std::string&) { t[0x7B] = 3; }},
        {"field names without end", [](std::string& t, std::string&) {
             std::fill(t.begin() + 0x78 + 83 + 42, t.begin() + 0x800, 'N');
         }},
        {"unknown code page", [](std::string& t, std::string&) { PutLE(t, 0x6A, 2, 0xFFF1); }},
        {"chain past the blocks", [](std::string& t, std::string&) { PutLE(t, 0x0E, 2, 9); }},
        {"chain in a circle", [](std::string& t, std::string&) {
             PutLE(t, 0x06, 4, 1000);
             PutLE(t, 0x800, 2, 1);
         }},
        {"bad record count in a block", [](std::string& t, std::string&) { PutLE(t, 0x804, 2, 5); }},
        {"blob file missing", [](std::string&, std::string& m) { m = "<none>"; }},
        {"blob location past the blob file", [=](std::string& t, std::string&) { PutLE(t, memoTail, 4, 0x9000FF); }},
        {"blob length not the block's", [=](std::string& t, std::string&) { PutLE(t, memoTail + 4, 4, 99); }},
        {"leader length too long", [=](std::string& t, std::string&) {
             PutLE(t, memoTail, 4, 0);
             PutLE(t, memoTail + 4, 4, 11);
         }},
        {"blob slot garbage", [=](std::string& t, std::string& m) {
             PutLE(t, memoTail, 4, 0x1005);
             m[0x1000] = 0x03;
             m[0x1000 + 0x0C + 25] = char(0xFF);
         }},
        {"blob file cut", [](std::string&, std::string& m) { m.resize(0x1000 + 20); }},
    };
    for (const Case& c : cases) {
        std::string table = good, blob = goodBlob;
        c.spoil(table, blob);
        const std::string path = dir_.file("bad.db");
        qbtest::WriteFileBytes(path, table);
        std::filesystem::remove(dir_.file("bad.mb"));
        if (blob != "<none>") qbtest::WriteFileBytes(dir_.file("bad.mb"), blob);
        try {
            ReadAll(path);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const EDatabaseError& e) {
            EXPECT_NE(std::string(e.what()).find("bad."), std::string::npos) << c.what << ": " << e.what();
        }
    }
}

// ---- an outside reader

// Debian's pxlib (through its shared library) reads a table: the field list, then one line per
// record, values joined by '|' ("None" for blank; text in code page 1250, doubles as %.17g,
// dates as day numbers, logicals 1/0). Its blob reader crashes on any .mb file, so memos are
// left to our own reader.
const char* kPxlibReader = R"(
import ctypes, sys
px = ctypes.CDLL("libpx.so.0")
P = ctypes.c_void_p
class Field(ctypes.Structure):
    _fields_ = [("name", ctypes.c_char_p), ("type", ctypes.c_char), ("len", ctypes.c_int), ("dc", ctypes.c_int)]
px.PX_new.restype = P
px.PX_open_file.argtypes = [P, ctypes.c_char_p]
px.PX_get_num_records.argtypes = [P]
px.PX_get_num_fields.argtypes = [P]
px.PX_get_field.restype = ctypes.POINTER(Field)
px.PX_get_field.argtypes = [P, ctypes.c_int]
px.PX_get_record.restype = P
px.PX_get_record.argtypes = [P, ctypes.c_int, P]
getters = {1: ("alpha", ctypes.c_char_p), 2: ("long", ctypes.c_long), 3: ("short", ctypes.c_short),
           4: ("long", ctypes.c_long), 5: ("double", ctypes.c_double), 6: ("double", ctypes.c_double),
           9: ("byte", ctypes.c_char)}
for name, kind in getters.values():
    getattr(px, "PX_get_data_" + name).argtypes = [P, P, ctypes.c_int, ctypes.POINTER(kind)]
px.PX_boot()
doc = px.PX_new()
if px.PX_open_file(doc, sys.argv[1].encode()) < 0: sys.exit("cannot open")
fields = [px.PX_get_field(doc, i).contents for i in range(px.PX_get_num_fields(doc))]
print(" ".join("%s:%d:%d" % (f.name.decode(), ord(f.type), f.len) for f in fields))
buf = ctypes.create_string_buffer(4096)
for r in range(px.PX_get_num_records(doc)):
    if not px.PX_get_record(doc, r, buf): sys.exit("cannot read record %d" % r)
    out, off = [], 0
    for f in fields:
        name, kind = getters[ord(f.type)]
        v = kind()
        ok = getattr(px, "PX_get_data_" + name)(doc, ctypes.c_void_p(ctypes.addressof(buf) + off), f.len, ctypes.byref(v))
        off += f.len
        if ok <= 0 or (name == "long" and v.value == -2**31):  # the blank pattern reads as the lowest long
            out.append("None")
        elif name == "alpha": out.append(v.value.decode("cp1250"))
        elif name == "double": out.append("%.17g" % v.value)
        elif name == "byte": out.append(str(ord(v.value)))
        else: out.append(str(v.value))
    print("|".join(out))
)";

TEST_F(ParadoxFileTest, DebiansParadoxLibraryReadsOurTables)
{
    TFieldDefs defs(nullptr);
    defs.Add("NAME", ftString, 40);
    defs.Add("COUNT", ftInteger);
    defs.Add("VALUE", ftFloat, 2);
    defs.Add("PRICE", ftCurrency);
    defs.Add("DAY", ftDate);
    defs.Add("DONE", ftBoolean);
    defs.Add("SMALL", ftSmallint);
    const std::string path = dir_.file("judged.db");
    TParadoxFile::Create(path, defs, 1250);
    std::vector<std::string> expected = {"NAME:1:40 COUNT:4:4 VALUE:6:8 PRICE:5:8 DAY:2:4 DONE:9:1 SMALL:3:2"};
    {
        TParadoxFile file(path, false);
        for (int i = 0; i < 70; ++i) {  // three blocks
            const double value = (i - 35) / 4.0;
            file.AppendRecord({Variant::String(i % 2 ? kCzech : "řádek " + std::to_string(i)), Variant::Integer(i * 1000 - 7),
                               Variant::Float(value), Variant::Float(-value), Variant::Date(EncodeDate(1996, 5, 4) + i),
                               Variant::Boolean(i % 3 == 0), Variant::Integer(-i)});
            char numbers[80];
            std::snprintf(numbers, sizeof numbers, "%.17g|%.17g", value, -value);
            expected.push_back((i % 2 ? kCzech : "řádek " + std::to_string(i)) + "|" + std::to_string(i * 1000 - 7) + "|" +
                               numbers + "|" + std::to_string(728783 + i) + "|" + (i % 3 == 0 ? "1" : "0") + "|" + std::to_string(-i));
        }
        file.AppendRecord({});
        expected.push_back("None|None|None|None|None|None|None");
    }
    EXPECT_EQ(dbtest::Lines(dbtest::RunPython(kPxlibReader, {path})), expected);
}

// ---- the dataset and copies through batch moves

class ParadoxCopyTest : public ParadoxFileTest {
protected:
    void SetUp() override
    {
        ParadoxFileTest::SetUp();
        source_.SetTableName(dbtest::MakeSurveyTable(dir_.path().string()));
    }

    int Move(TBatchMode mode, const std::string& indexFieldNames = "")
    {
        TTable destination;
        destination.SetTableName(dir_.file("copy.db"));
        destination.SetIndexFieldNames(indexFieldNames);
        TBatchMove move;
        move.Source = &source_;
        move.SetDestination(MakeBatchDestination(destination));
        move.Mode = mode;
        move.Execute();
        return move.MovedCount();
    }

    std::vector<std::string> CopyRows()
    {
        TParadoxTable copy;
        copy.TableName = dir_.file("copy.db");
        copy.Open();
        return dbtest::RowTexts(copy);
    }

    TTable source_;
};

TEST_F(ParadoxCopyTest, ACopyHoldsEveryFieldOfTheSourceWithTheSameValues)
{
    EXPECT_EQ(Move(batCopy), 6);
    source_.Open();
    const std::vector<std::string> expected = dbtest::RowTexts(source_);
    EXPECT_EQ(CopyRows(), expected);

    TParadoxFile file(dir_.file("copy.db"), true);
    std::vector<std::pair<std::string, TParadoxType>> kinds;
    for (const TParadoxField& f : file.Fields()) kinds.emplace_back(f.Name, f.Type);
    const std::vector<std::pair<std::string, TParadoxType>> expectedKinds = {
        {"ID", TParadoxType::Number}, {"NAME", TParadoxType::Alpha}, {"AGE", TParadoxType::Number},
        {"BORN", TParadoxType::Date}, {"SMOKER", TParadoxType::Logical}, {"TOWN", TParadoxType::Alpha},
        {"NOTE", TParadoxType::Memo}};
    EXPECT_EQ(kinds, expectedKinds);
    EXPECT_EQ(file.Fields()[1].Size, 20);
    EXPECT_EQ(file.CodePage(), 1250);
}

TEST_F(ParadoxCopyTest, ModesOnAnExistingCopy)
{
    Move(batCopy);
    EXPECT_EQ(Move(batAppend), 6);
    EXPECT_EQ(CopyRows().size(), 12u);
    EXPECT_EQ(Move(batCopy), 6) << "a copy replaces the contents";
    EXPECT_EQ(CopyRows().size(), 6u);

    {
        TParadoxTable copy;
        copy.TableName = dir_.file("copy.db");
        copy.Open();
        ASSERT_TRUE(copy.Locate("ID", Variant::Float(2)));
        copy.Edit();
        copy.FieldByName("NAME").SetAsString("changed");
        copy.Post();
        ASSERT_TRUE(copy.Locate("ID", Variant::Float(5)));
        copy.Delete();
    }
    EXPECT_EQ(Move(batUpdate, "ID"), 5) << "ID 5 has no record to update";
    std::vector<std::string> rows = CopyRows();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[1].substr(0, 8), "2|karla|");
    EXPECT_EQ(Move(batAppendUpdate, "ID"), 6);
    EXPECT_EQ(CopyRows().size(), 6u);
    EXPECT_EQ(Move(batDelete, "ID"), 6);
    EXPECT_TRUE(CopyRows().empty());
}

TEST_F(ParadoxCopyTest, TheDestinationFollowsTheExtension)
{
    TTable dbase, paradox, upper;
    dbase.SetTableName(dir_.file("x.dbf"));
    paradox.SetTableName(dir_.file("x.db"));
    upper.SetTableName(dir_.file("X.DB"));
    EXPECT_NE(dynamic_cast<TTableDestination*>(MakeBatchDestination(dbase).get()), nullptr);
    EXPECT_NE(dynamic_cast<TParadoxDestination*>(MakeBatchDestination(paradox).get()), nullptr);
    EXPECT_NE(dynamic_cast<TParadoxDestination*>(MakeBatchDestination(upper).get()), nullptr);
    EXPECT_EQ(TParadoxFile::BlobPathFor("/a/X.DB"), "/a/X.MB");
}

}  // namespace
