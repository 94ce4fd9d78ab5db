// Table files judged by outside readers and writers, bad input, and a writer killed mid-append.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QString>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "platform/db/DbError.h"
#include "platform/db/DbfFile.h"
#include "platform/db/Table.h"
#include "support/TestSupport.h"
#include "support_DbTools.h"

using dbtest::Lines;
using dbtest::RunPython;

namespace {

// The sample's memo texts: 1 byte, 511 bytes (one dBase block minus its end marks) and 100 KB.

std::string Repeat(const std::string& unit, size_t times)
{
    std::string text;
    for (size_t i = 0; i < times; ++i) text += unit;
    return text;
}

// One sample row: values as their canonical text (see Canonical), or NULL.
struct SampleRow {
    int id;
    const char* name;
    const char* price;
    const char* rate;
    int born[3];  // y m d, 0 = null
    const char* ok;
    std::string note;
    bool deleted;
};

std::vector<SampleRow> SampleRows()
{
    return {
        {1, "Žluťoučký kůň", "12.50", "3.142", {2024, 3, 5}, "T", "x", false},
        {2, nullptr, "-0.75", nullptr, {0, 0, 0}, "F", Repeat("abcdefghij", 51) + "x", false},
        {3, "smazaný", "1.00", "1.000", {2000, 1, 1}, "T", "gone", true},
        {4, "Ďábelské ódy", nullptr, "-1234.500", {1999, 12, 31}, nullptr, Repeat("Příliš žluťoučký. ", 5690), false},
        {5, "", "99999.99", "0.001", {1900, 2, 28}, "F", "", false},
    };
}

const char* kFieldsLine = "ID|NAME|PRICE|RATE|BORN|OK|NOTE";

// A value as the tests compare it: numbers with 3 decimals, ISO dates, T/F, long texts by hash.
std::string CanonicalText(const std::string& text)
{
    if (text.size() < 40) return text;
    const QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(text), QCryptographicHash::Md5).toHex();
    return "len" + std::to_string(QString::fromStdString(text).size()) + ":" + hash.toStdString();
}

std::string CanonicalNumber(const char* text)
{
    if (!text) return "NULL";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", std::stod(text));
    return buf;
}

std::string ExpectedLine(const SampleRow& row)
{
    char date[16] = "NULL";
    if (row.born[0]) std::snprintf(date, sizeof date, "%04d-%02d-%02d", row.born[0], row.born[1], row.born[2]);
    const std::string name = row.name && *row.name ? row.name : "NULL";
    return CanonicalNumber(std::to_string(row.id).c_str()) + "|" + name + "|" + CanonicalNumber(row.price) + "|" +
           CanonicalNumber(row.rate) + "|" + date + "|" + (row.ok ? row.ok : "NULL") + "|" +
           (row.note.empty() ? "NULL" : CanonicalText(row.note));
}

std::vector<std::string> ExpectedLines(bool withDeleted)
{
    std::vector<std::string> lines{kFieldsLine};
    for (const auto& row : SampleRows())
        if (withDeleted || !row.deleted) lines.push_back(ExpectedLine(row));
    return lines;
}

void WriteSample(const std::string& path, int level)
{
    std::vector<TDbfField> fields = {{"ID", 'N', 6, 0}, {"NAME", 'C', 20, 0}, {"PRICE", 'N', 8, 2}, {"RATE", 'F', 10, 3},
                                     {"BORN", 'D', 8, 0}, {"OK", 'L', 1, 0}, {"NOTE", 'M', 10, 0}};
    TDbfFile::Create(path, fields, level, 1250);
    TTable table;
    table.SetTableName(path);
    table.Open();
    for (const auto& row : SampleRows()) {
        table.Append();
        table.FieldByName("ID").SetAsInteger(row.id);
        if (row.name) table.FieldByName("NAME").SetValue(Variant::String(row.name));
        if (row.price) table.FieldByName("PRICE").SetValue(Variant::Float(std::stod(row.price)));
        if (row.rate) table.FieldByName("RATE").SetValue(Variant::Float(std::stod(row.rate)));
        if (row.born[0]) table.FieldByName("BORN").SetAsDateTime(EncodeDate(row.born[0], row.born[1], row.born[2]));
        if (row.ok) table.FieldByName("OK").SetAsBoolean(*row.ok == 'T');
        table.FieldByName("NOTE").SetValue(Variant::String(row.note));
        table.Post();
        if (row.deleted) table.Delete();
    }
}

// Reads a table through the dataset and prints it in the canonical form.
std::vector<std::string> ReadWithTable(const std::string& path)
{
    TTable table;
    table.SetTableName(path);
    table.Open();
    std::string header;
    for (int i = 0; i < table.FieldCount(); ++i) header += (i ? "|" : "") + table.Fields().Fields(i).FieldName();
    std::vector<std::string> lines{header};
    for (table.First(); !table.Eof(); table.Next()) {
        std::string line;
        for (int i = 0; i < table.FieldCount(); ++i) {
            TField& field = table.Fields().Fields(i);
            std::string text;
            if (field.IsNull()) text = "NULL";
            else if (field.DataType() == ftFloat) text = CanonicalNumber(std::to_string(field.AsFloat()).c_str());
            else if (field.DataType() == ftDate) text = FormatDateTime("yyyy-mm-dd", field.AsDateTime());
            else if (field.DataType() == ftBoolean) text = field.AsBoolean() ? "T" : "F";
            else text = CanonicalText(field.AsString());
            line += (i ? "|" : "") + text;
        }
        lines.push_back(line);
    }
    return lines;
}

const char* kCanonicalPython = R"(
import datetime, hashlib
def canon(v, strip_nul=False):
    if v is None: return 'NULL'
    if isinstance(v, bool): return 'T' if v else 'F'
    if isinstance(v, (int, float)): return '%.3f' % v
    if isinstance(v, datetime.date): return v.isoformat()
    if isinstance(v, bytes): v = v.decode('cp1250')
    if strip_nul: v = v.rstrip('\x00')
    if v == '': return 'NULL'
    if len(v) < 40: return v
    return 'len%d:%s' % (len(v), hashlib.md5(v.encode('utf-8')).hexdigest())
)";

class DbfFileTest : public testing::Test {
protected:
    void SetUp() override { SetProgramCodePage(1250); }
    void TearDown() override { SetProgramCodePage(0); }
    qbtest::TempDir dir_;
};

}  // namespace

// dbfread takes the code page from the header; dBase IV memos come back 8 bytes long
// (it reads the block header's length after the header), which are the zero padding.
TEST_F(DbfFileTest, TablesWeWriteAreReadBackByDbfread)
{
    for (int level : {3, 4}) {
        SCOPED_TRACE(level);
        const std::string path = dir_.file("sample" + std::to_string(level) + ".dbf");
        WriteSample(path, level);
        const std::string script = std::string(kCanonicalPython) + R"(
import sys
from dbfread import DBF
t = DBF(sys.argv[1], char_decode_errors='strict')
print(t.encoding)
print('|'.join(t.field_names))
for r in t:
    print('|'.join(canon(r[n], sys.argv[2] == '4') for n in t.field_names))
)";
        std::vector<std::string> lines = Lines(RunPython(script, {path, std::to_string(level)}));
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front(), "cp1250");
        lines.erase(lines.begin());
        EXPECT_EQ(lines, ExpectedLines(false));
        EXPECT_EQ(ReadWithTable(path), ExpectedLines(false));
    }
}

TEST_F(DbfFileTest, HeaderCarriesVersionCodePageAndDate)
{
    const struct {
        int level;
        int codePage;
        unsigned version;
        unsigned mark;
    } cases[] = {{3, 1250, 0x83, 0xC8}, {4, 1252, 0x8B, 0x03}};
    for (const auto& c : cases) {
        const std::string path = dir_.file("h" + std::to_string(c.level) + ".dbf");
        TDbfFile::Create(path, {{"NOTE", 'M', 10, 0}}, c.level, c.codePage);
        const std::string bytes = qbtest::ReadFileBytes(path);
        EXPECT_EQ(uint8_t(bytes[0]), c.version);
        EXPECT_EQ(uint8_t(bytes[29]), c.mark);
        TDbfFile file(path, true);
        EXPECT_EQ(file.CodePage(), c.codePage);
        int y = 0, m = 0, d = 0, ty = 0, tm = 0, td = 0;
        file.LastUpdate(y, m, d);
        DecodeDate(Date(), ty, tm, td);
        EXPECT_EQ(std::vector<int>({y, m, d}), std::vector<int>({ty, tm, td}));
    }
}

// GDAL reads no memos and no logical values (it shows the letters, '?' for null), and leaves
// null dates out; every other value must match, and the deleted record stays hidden.
TEST_F(DbfFileTest, TablesWeWriteAreReadBackByOgrinfo)
{
    const std::string path = dir_.file("sample.dbf");
    WriteSample(path, 4);
    const std::string output = dbtest::Run("ogrinfo -ro -al -fields=YES " + path + " 2>&1");
    const std::vector<std::string> names = {"ID", "NAME", "PRICE", "RATE", "BORN", "OK"};
    std::vector<std::map<std::string, std::string>> features;
    for (const std::string& text : Lines(output)) {
        if (text.rfind("OGRFeature", 0) == 0) features.emplace_back();
        const size_t eq = text.find(" = ");
        if (features.empty() || text.rfind("  ", 0) != 0 || eq == std::string::npos) continue;
        std::string value = text.substr(eq + 3);
        features.back()[text.substr(2, text.find(' ', 2) - 2)] = value == "(null)" || value == "?" ? "NULL" : value;
    }
    std::vector<std::string> got;
    for (auto& feature : features) {
        std::string line;
        for (const auto& name : names) {
            std::string value = feature.count(name) ? feature[name] : "NULL";
            if (value != "NULL" && name == "BORN") value.replace(4, 1, "-").replace(7, 1, "-");
            else if (value != "NULL" && name != "NAME" && name != "OK") value = CanonicalNumber(value.c_str());
            line += (line.empty() ? "" : "|") + value;
        }
        got.push_back(line);
    }
    std::vector<std::string> expected;
    for (const auto& row : SampleRows()) {
        if (row.deleted) continue;
        std::string full = ExpectedLine(row);
        expected.push_back(full.substr(0, full.rfind('|')));
    }
    EXPECT_EQ(got, expected) << output;
}

// python3-dbf writes dBase III with .dbt and FoxPro 2 with .fpt; we read both.
TEST_F(DbfFileTest, TablesWrittenByPythonDbfAreReadByUs)
{
    for (const char* kind : {"db3", "fp"}) {
        SCOPED_TRACE(kind);
        const std::string path = dir_.file(std::string("outside_") + kind + ".dbf");
        const std::string script = R"(
import sys, datetime, dbf
rows = [
  (1, 'Žluťoučký kůň', 12.5, datetime.date(2024, 3, 5), True, 'x'),
  (2, None, -0.75, None, False, 'abcdefghij' * 52),
  (3, 'smazaný', 1.0, datetime.date(2000, 1, 1), True, 'gone'),
  (4, 'Ďábelské ódy', None, datetime.date(1999, 12, 31), None, 'Příliš žluťoučký. ' * 6000),
]
t = dbf.Table(sys.argv[1], 'ID N(6,0); NAME C(20); PRICE N(8,2); BORN D; OK L; NOTE M',
              dbf_type=sys.argv[2], codepage='cp1250')
t.open(dbf.READ_WRITE)
for r in rows:
    t.append(r)
dbf.delete(t[2])
t.close()
)";
        RunPython(script, {path, kind});
        std::vector<std::string> expected{"ID|NAME|PRICE|BORN|OK|NOTE"};
        expected.push_back("1.000|Žluťoučký kůň|12.500|2024-03-05|T|x");
        expected.push_back("2.000|NULL|-0.750|NULL|F|" + CanonicalText(Repeat("abcdefghij", 52)));
        expected.push_back("4.000|Ďábelské ódy|NULL|1999-12-31|NULL|" + CanonicalText(Repeat("Příliš žluťoučký. ", 6000)));
        EXPECT_EQ(ReadWithTable(path), expected);
    }
}

namespace {

// A sound two-field table with one memo, as bytes we can break.
std::string SoundTable(const std::string& path)
{
    TDbfFile::Create(path, {{"ID", 'N', 6, 0}, {"NOTE", 'M', 10, 0}}, 4, 1250);
    TTable table;
    table.SetTableName(path);
    table.Open();
    table.Append();
    table.FieldByName("ID").SetAsInteger(1);
    table.FieldByName("NOTE").SetAsString("memo text");
    table.Post();
    table.Close();
    return qbtest::ReadFileBytes(path);
}

std::string OpenAndReadAll(const std::string& path)
{
    TDbfFile file(path, true);
    std::string record(file.RecordLength(), ' ');
    for (uint32_t i = 0; i < file.RecordCount(); ++i) {
        file.ReadRecord(i, record.data());
        for (size_t f = 0; f < file.Fields().size(); ++f) file.GetValue(record.data(), int(f));
    }
    return "opened";
}

}  // namespace

TEST_F(DbfFileTest, BadInputRaisesClearErrorsNamingTheFile)
{
    const std::string path = dir_.file("bad.dbf");
    const std::string memoPath = dir_.file("bad.dbt");
    const std::string sound = SoundTable(path);
    const std::string soundMemo = qbtest::ReadFileBytes(memoPath);
    auto withByte = [&](size_t offset, char value) {
        std::string bytes = sound;
        bytes[offset] = value;
        return bytes;
    };
    const struct {
        const char* what;
        std::string table;
        std::string memo;  // "-" = no memo file
        const char* message;
        const char* file;
    } cases[] = {
        {"empty file", "", soundMemo, "file too short", "bad.dbf"},
        {"truncated header", sound.substr(0, 20), soundMemo, "file too short", "bad.dbf"},
        {"garbage", std::string(300, 'g'), soundMemo, "unknown version byte 0x67", "bad.dbf"},
        {"truncated descriptors", sound.substr(0, 60), soundMemo, "header length", "bad.dbf"},
        {"count larger than the file", withByte(4, 7), soundMemo, "header count 7 is larger", "bad.dbf"},
        {"truncated record", sound.substr(0, sound.size() - 5), soundMemo, "header count 1 is larger", "bad.dbf"},
        {"field length 0", withByte(32 + 16, 0), soundMemo, "field ID has length 0", "bad.dbf"},
        {"memo field length 0", withByte(64 + 16, 0), soundMemo, "field NOTE has length 0", "bad.dbf"},
        {"record length too short", withByte(10, 8), soundMemo, "longer than the record length", "bad.dbf"},
        {"unknown field type", withByte(32 + 11, 'Q'), soundMemo, "unsupported field type 'Q'", "bad.dbf"},
        {"field name twice", withByte(64, 'I') .replace(65, 4, std::string("D\0\0\0", 4)), soundMemo, "field name ID occurs twice", "bad.dbf"},
        {"missing memo file", sound, "-", "cannot open its memo file", "bad.dbt"},
        {"truncated memo header", sound, soundMemo.substr(0, 100), "shorter than its header", "bad.dbt"},
        {"memo block past the end", sound, soundMemo.substr(0, 512), "outside the file", "bad.dbt"},
        {"memo length past the end", sound, soundMemo.substr(0, 512) + "\xFF\xFF\x08" + std::string("\0\xFF\xFF\0\0", 5) + "ab",
         "longer than the file", "bad.dbt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        qbtest::WriteFileBytes(path, c.table);
        std::filesystem::remove(memoPath);
        if (std::string(c.memo) != "-") qbtest::WriteFileBytes(memoPath, c.memo);
        try {
            OpenAndReadAll(path);
            ADD_FAILURE() << "no error";
        } catch (const EDatabaseError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(dir_.file(c.file)), std::string::npos) << e.what();
        }
    }
    qbtest::WriteFileBytes(path, sound);
    qbtest::WriteFileBytes(memoPath, soundMemo);
    EXPECT_EQ(OpenAndReadAll(path), "opened");
}

TEST_F(DbfFileTest, CreateRejectsBadDefinitions)
{
    const struct {
        TDbfField field;
        const char* message;
    } cases[] = {
        {{"NAME", 'C', 0, 0}, "character length must be 1 to 254"},
        {{"NAME", 'C', 255, 0}, "character length must be 1 to 254"},
        {{"N", 'N', 21, 0}, "numeric length must be 1 to 20"},
        {{"N", 'N', 5, 4}, "too many decimals"},
        {{"TOOLONGNAME", 'C', 5, 0}, "1 to 10 characters"},
        {{"1ST", 'C', 5, 0}, "must start with a letter"},
        {{"A-B", 'C', 5, 0}, "invalid character"},
        {{"X", 'Q', 5, 0}, "unsupported field type"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_THROW(
            try { TDbfFile::Create(dir_.file("c.dbf"), {c.field}, 4, 1250); } catch (const EDatabaseError& e) {
                EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
                throw;
            },
            EDatabaseError);
    }
    EXPECT_THROW(TDbfFile::Create(dir_.file("d.dbf"), {{"A", 'C', 5, 0}, {"a", 'N', 5, 0}}, 4, 1250), EDatabaseError);
    EXPECT_FALSE(std::filesystem::exists(dir_.file("c.dbf")));
}

TEST_F(DbfFileTest, ValuesThatDoNotFitAreRefusedAndLeaveTheRecordAlone)
{
    const std::string path = dir_.file("v.dbf");
    TDbfFile::Create(path, {{"N", 'N', 5, 1}, {"I", 'I', 4, 0}}, 4, 1250);
    TDbfFile file(path, false);
    const double nan = std::nan("");
    const struct {
        int field;
        Variant value;
    } cases[] = {
        {0, Variant::Float(12345.6)}, {0, Variant::Float(nan)}, {0, Variant::Float(HUGE_VAL)},
        {1, Variant::Float(2147483648.0)}, {1, Variant::Float(-2147483649.0)}, {1, Variant::Float(nan)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "field " << c.field << " value " << c.value.FloatValue());
        std::string record = file.BlankRecord();
        const std::string before = record;
        EXPECT_THROW(file.SetValue(record.data(), c.field, c.value), EDatabaseError);
        EXPECT_EQ(record, before);
    }
}

// Re-creating a table over one with memos: when the new table file cannot be written, the old
// table and its memo file stay a readable pair.
TEST_F(DbfFileTest, FailedRecreateKeepsTheOldTableWithItsMemos)
{
    const std::string path = dir_.file("keep.dbf");
    const std::string memoPath = dir_.file("keep.dbt");
    SoundTable(path);
    std::filesystem::create_directory(path + ".tmp~");  // the new table file's temporary name is taken
    EXPECT_THROW(TDbfFile::Create(path, {{"ID", 'N', 6, 0}, {"NOTE", 'M', 10, 0}}, 4, 1250), EDatabaseError);
    std::filesystem::remove(path + ".tmp~");
    TTable table;
    table.SetTableName(path);
    table.Open();
    ASSERT_EQ(table.RecordCount(), 1);
    EXPECT_EQ(table.FieldByName("NOTE").AsString(), "memo text");
    table.Close();
    EXPECT_FALSE(std::filesystem::exists(memoPath + ".tmp~"));
}

// A write cut short by a file size limit reports that cause, not some earlier error; nothing is left
// behind. Limit 0 fails the first write, 100 lets part of the header through.
TEST_F(DbfFileTest, WriteStoppedByASizeLimitReportsItsCause)
{
    const std::string path = dir_.file("limit.dbf");
    for (rlim_t limit : {rlim_t(0), rlim_t(100)}) {
        SCOPED_TRACE(testing::Message() << "limit " << limit);
        std::string message;
        {
            dbtest::FileSizeLimit fileLimit(limit);
            errno = ENOENT;
            try {
                TDbfFile::Create(path, {{"A", 'C', 5, 0}, {"B", 'C', 5, 0}, {"C", 'N', 5, 0}}, 4, 1250);
            } catch (const EDatabaseError& e) {
                message = e.what();
            }
        }
        EXPECT_NE(message.find(std::strerror(EFBIG)), std::string::npos) << message;
        EXPECT_EQ(message.find(std::strerror(ENOENT)), std::string::npos) << message;
        EXPECT_FALSE(std::filesystem::exists(path));
        EXPECT_FALSE(std::filesystem::exists(path + ".tmp~"));
    }
}

// A child appends records with memos in a loop and reports each finished post through a pipe;
// killed at some moment, it leaves a table that opens with exactly the reported records (or
// one more: the post that finished before its report was sent), every one intact.
TEST_F(DbfFileTest, KilledWriterLeavesEveryPostedRecordIntact)
{
    const std::string path = dir_.file("killed.dbf");
    TDbfFile::Create(path, {{"ID", 'N', 6, 0}, {"NAME", 'C', 20, 0}, {"NOTE", 'M', 10, 0}}, 4, 1250);
    for (int delayMs : {30, 120}) {
        SCOPED_TRACE(delayMs);
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        TTable probe;
        probe.SetTableName(path);
        probe.Open();
        const int before = probe.RecordCount();
        probe.Close();
        const pid_t child = fork();
        if (child == 0) {
            close(fds[0]);
            TTable table;
            table.SetTableName(path);
            table.Open();
            for (int id = before + 1; id <= 100000; ++id) {
                table.Append();
                table.FieldByName("ID").SetAsInteger(id);
                table.FieldByName("NAME").SetAsString("záznam " + std::to_string(id));
                table.FieldByName("NOTE").SetAsString(std::string(id % 700, 'm') + std::to_string(id));
                table.Post();
                if (write(fds[1], &id, sizeof id) != sizeof id) _exit(2);
            }
            _exit(0);
        }
        close(fds[1]);
        int reported = before, id = 0;
        const auto start = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(delayMs) && read(fds[0], &id, sizeof id) == sizeof id)
            reported = id;
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        while (read(fds[0], &id, sizeof id) == sizeof id) reported = id;
        close(fds[0]);
        ASSERT_GT(reported, before) << "the child posted nothing";

        TTable table;
        table.SetTableName(path);
        table.Open();
        const int count = table.RecordCount();
        EXPECT_TRUE(count == reported || count == reported + 1) << count << " records, " << reported << " reported";
        int expected = 1;
        for (table.First(); !table.Eof(); table.Next(), ++expected) {
            ASSERT_EQ(table.FieldByName("ID").AsInteger(), expected);
            ASSERT_EQ(table.FieldByName("NAME").AsString(), "záznam " + std::to_string(expected));
            ASSERT_EQ(table.FieldByName("NOTE").AsString(), std::string(expected % 700, 'm') + std::to_string(expected));
        }
    }
}

namespace {

// What python3-dbfread (it scans to the end mark and ignores the header count) shows of tables
// of ID N(6,0) and NAME C(40): per file "<records> intact", or "torn" when a record is not
// ID = n, NAME = "record n" for the n-th.
std::vector<std::string> DbfreadRecords(const std::vector<std::string>& paths)
{
    return Lines(RunPython(R"(
import sys
from dbfread import DBF
for path in sys.argv[1:]:
    try:
        rows = list(DBF(path))
        whole = all(r['ID'] == n + 1 and r['NAME'] == 'record %d' % (n + 1) for n, r in enumerate(rows))
        print('%d %s' % (len(rows), 'intact' if whole else 'torn'))
    except Exception as e:
        print('unreadable: %s' % e)
)",
                           paths));
}

void CreateNumbered(const std::string& path) { TDbfFile::Create(path, {{"ID", 'N', 6, 0}, {"NAME", 'C', 40, 0}}, 4, 1250); }

void AppendNumbered(TDbfFile& file, int id)
{
    std::string record = file.BlankRecord();
    file.SetValue(record.data(), 0, Variant::Float(id));
    file.SetValue(record.data(), 1, Variant::String("record " + std::to_string(id)));
    file.AppendRecord(record.data());
}

}  // namespace

// An append cut short (by a full disk here, a kill elsewhere) shows no part of its record to
// readers that scan to the end mark; the next append takes its place.
TEST_F(DbfFileTest, AppendCutShortShowsNoPartOfItsRecord)
{
    const std::string path = dir_.file("cut.dbf");
    CreateNumbered(path);
    TDbfFile file(path, false);
    AppendNumbered(file, 1);
    AppendNumbered(file, 2);
    const rlim_t size = std::filesystem::file_size(path);
    for (rlim_t through : {0, 1, 10}) {  // bytes of the new record the limit lets through
        SCOPED_TRACE(through);
        {
            dbtest::FileSizeLimit limit(size + through);
            EXPECT_THROW(AppendNumbered(file, 3), EDatabaseError);
        }
        EXPECT_EQ(DbfreadRecords({path}), std::vector<std::string>{"2 intact"});
        EXPECT_EQ(TDbfFile(path, true).RecordCount(), 2u);
    }
    AppendNumbered(file, 3);
    EXPECT_EQ(DbfreadRecords({path}), std::vector<std::string>{"3 intact"});
    EXPECT_EQ(std::filesystem::file_size(path), size + 47);
}

// A writer killed again and again in the middle of its appends, each time resuming on the same
// file: dbfread never shows a record that the header count does not cover, and shows every
// posted record (and at most the one being posted), each one whole.
TEST_F(DbfFileTest, KilledAppendsShowScanningReadersOnlyCountedRecords)
{
    const std::string path = dir_.file("appends.dbf");
    CreateNumbered(path);
    constexpr int kRounds = 50;
    std::mt19937 random(20261210);
    std::vector<std::string> snapshots;
    std::vector<int> reported, counts;
    int posted = 0;
    for (int round = 0; round < kRounds; ++round) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t child = fork();
        if (child == 0) {
            close(fds[0]);
            TDbfFile file(path, false);
            const int first = int(file.RecordCount()) + 1;
            for (int id = first; id < first + 300; ++id) {
                AppendNumbered(file, id);
                if (write(fds[1], &id, sizeof id) != sizeof id) _exit(2);
            }
            pause();
            _exit(0);
        }
        close(fds[1]);
        int id = 0;
        if (read(fds[0], &id, sizeof id) == sizeof id) posted = id;  // it runs: now a random while
        std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 1500)(random)));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        while (read(fds[0], &id, sizeof id) == sizeof id) posted = id;
        close(fds[0]);
        snapshots.push_back(dir_.file("round" + std::to_string(round) + ".dbf"));
        std::filesystem::copy_file(path, snapshots.back());
        reported.push_back(posted);
        counts.push_back(int(TDbfFile(snapshots.back(), true).RecordCount()));
    }
    const std::vector<std::string> seen = DbfreadRecords(snapshots);
    ASSERT_EQ(seen.size(), size_t(kRounds));
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round << ": " << seen[round] << ", header count " << counts[round]
                                        << ", posted " << reported[round]);
        const int shown = std::atoi(seen[round].c_str());
        EXPECT_NE(seen[round].find("intact"), std::string::npos);
        EXPECT_LE(shown, counts[round]) << "a record beyond the header count";
        EXPECT_GE(shown, reported[round]);
        EXPECT_LE(counts[round], reported[round] + 1);
    }
}

namespace {

// Runs a child that appends numbered records to the table in a loop, under ptrace, and kills it
// at the `stop`-th start or end of a pwrite to the file (1: before the first write, 2: after it,
// 3: before the second ...): a kill between any two steps of an append. Answers false when the
// child ended before.
bool KillAtWrite(const std::string& path, int stop, int batch = 1)
{
    const pid_t child = fork();
    if (child == 0) {
        ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        raise(SIGSTOP);
        TDbfFile file(path, false);
        for (int id = int(file.RecordCount()) + 1; id < 100;) {
            if (batch > 1) file.BeginAppendBatch();
            for (int n = 0; n < batch && id < 100; ++n) AppendNumbered(file, id++);
            if (batch > 1) file.EndAppendBatch();
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
    long call = -1;
    int stops = 0;
    while (ptrace(PTRACE_SYSCALL, child, nullptr, nullptr) == 0 && waitpid(child, &status, 0) == child && WIFSTOPPED(status)) {
        if (WSTOPSIG(status) != (SIGTRAP | 0x80)) continue;
        __ptrace_syscall_info info{};
        ptrace(PTRACE_GET_SYSCALL_INFO, child, sizeof info, &info);
        if (info.op == PTRACE_SYSCALL_INFO_ENTRY) call = long(info.entry.nr);
        if (call == SYS_pwrite64 && ++stops == stop) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return true;
        }
    }
    waitpid(child, &status, 0);
    return false;
}

}  // namespace

namespace {

// What a kill at one write stop left: dbfread's view of the killed file, its header count, and
// dbfread's view after one more append resumed on it.
struct KillRound {
    std::string afterKill;
    uint32_t count = 0;
    std::string afterResume;
};

// Kills appends of `batch` records to copies of base at write stops 1 .. stops; the copies are
// named by prefix through file.
std::vector<KillRound> KillAndResumeAtEachWrite(const std::string& base, int stops, int batch,
                                                const std::function<std::string(const std::string&)>& file,
                                                const std::string& prefix)
{
    std::vector<std::string> killed, resumed;
    std::vector<KillRound> rounds;
    for (int stop = 1; stop <= stops; ++stop) {
        const std::string path = file(prefix + "kill" + std::to_string(stop) + ".dbf");
        std::filesystem::copy_file(base, path);
        EXPECT_TRUE(KillAtWrite(path, stop, batch)) << stop;
        killed.push_back(file(prefix + "killed" + std::to_string(stop) + ".dbf"));
        std::filesystem::copy_file(path, killed.back());
        TDbfFile table(path, false);
        rounds.push_back({"", table.RecordCount(), ""});
        AppendNumbered(table, int(table.RecordCount()) + 1);
        resumed.push_back(path);
    }
    const std::vector<std::string> afterKill = DbfreadRecords(killed);
    const std::vector<std::string> afterResume = DbfreadRecords(resumed);
    EXPECT_EQ(afterKill.size(), rounds.size());
    EXPECT_EQ(afterResume.size(), rounds.size());
    for (size_t i = 0; i < rounds.size() && i < afterKill.size() && i < afterResume.size(); ++i) {
        rounds[i].afterKill = afterKill[i];
        rounds[i].afterResume = afterResume[i];
    }
    return rounds;
}

}  // namespace

// A kill before and after every single write of an append (the child stopped by ptrace at
// each): readers that scan to the end mark never see a record the header count does not cover,
// and the next append leaves every record readable, the interrupted one included when its count
// was written.
TEST_F(DbfFileTest, KillAtEachWriteOfAnAppendLeavesCountAndEndMarkAgreeing)
{
    const std::string base = dir_.file("base.dbf");
    CreateNumbered(base);
    {
        TDbfFile file(base, false);
        AppendNumbered(file, 1);
        AppendNumbered(file, 2);
    }
    const std::vector<KillRound> rounds =
        KillAndResumeAtEachWrite(base, 12, 1, [this](const std::string& name) { return dir_.file(name); }, "");
    for (size_t i = 0; i < rounds.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "killed at write stop " << i + 1 << ", header count " << rounds[i].count);
        const int shown = std::atoi(rounds[i].afterKill.c_str());
        EXPECT_NE(rounds[i].afterKill.find("intact"), std::string::npos) << rounds[i].afterKill;
        EXPECT_LE(shown, int(rounds[i].count)) << "a record beyond the header count";
        EXPECT_GE(shown + 1, int(rounds[i].count));
        EXPECT_EQ(rounds[i].afterResume, std::to_string(rounds[i].count + 1) + " intact");
    }
    ASSERT_FALSE(rounds.empty());
    EXPECT_GT(rounds.back().count, 3u) << "the kills went through several appends";
}

// The same for batches of five records, each written in one step: a kill at any write leaves
// dbfread at most the batch behind the header count, never beyond it, and the next append
// finishes every record of the interrupted batch.
TEST_F(DbfFileTest, KillAtEachWriteOfABatchLeavesCountAndEndMarkAgreeing)
{
    constexpr int kBatch = 5;
    const std::string base = dir_.file("batchbase.dbf");
    CreateNumbered(base);
    {
        TDbfFile file(base, false);
        AppendNumbered(file, 1);
    }
    const std::vector<KillRound> rounds =
        KillAndResumeAtEachWrite(base, 8, kBatch, [this](const std::string& name) { return dir_.file(name); }, "batch");
    for (size_t i = 0; i < rounds.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "killed at write stop " << i + 1 << ", header count " << rounds[i].count);
        const int shown = std::atoi(rounds[i].afterKill.c_str());
        EXPECT_NE(rounds[i].afterKill.find("intact"), std::string::npos) << rounds[i].afterKill;
        EXPECT_LE(shown, int(rounds[i].count)) << "a record beyond the header count";
        EXPECT_GE(shown + kBatch, int(rounds[i].count));
        EXPECT_EQ(rounds[i].afterResume, std::to_string(rounds[i].count + 1) + " intact");
    }
    ASSERT_FALSE(rounds.empty());
    EXPECT_GT(rounds.back().count, 1u + kBatch) << "the kills went through several batches";
}

// A batch's records are readable before they are written; the file gets them when the batch
// ends. A batch whose write fails (a size limit here) leaves the table as it was.
TEST_F(DbfFileTest, BatchOfAppendsReachesTheFileWhenItEnds)
{
    const std::string path = dir_.file("batch.dbf");
    CreateNumbered(path);
    TDbfFile file(path, false);
    AppendNumbered(file, 1);
    const auto size = std::filesystem::file_size(path);
    file.BeginAppendBatch();
    for (int id = 2; id <= 4; ++id) AppendNumbered(file, id);
    EXPECT_EQ(file.RecordCount(), 4u);
    std::string record(file.RecordLength(), ' ');
    file.ReadRecord(3, record.data());
    EXPECT_EQ(file.GetValue(record.data(), 1).StringValue(), "record 4");
    EXPECT_EQ(std::filesystem::file_size(path), size) << "written before the batch ended";
    EXPECT_EQ(DbfreadRecords({path}), std::vector<std::string>{"1 intact"});
    file.EndAppendBatch();
    EXPECT_EQ(DbfreadRecords({path}), std::vector<std::string>{"4 intact"});
    EXPECT_EQ(TDbfFile(path, true).RecordCount(), 4u);

    file.BeginAppendBatch();
    for (int id = 5; id <= 7; ++id) AppendNumbered(file, id);
    {
        dbtest::FileSizeLimit limit(std::filesystem::file_size(path) + 10);
        EXPECT_THROW(file.EndAppendBatch(), EDatabaseError);
    }
    EXPECT_EQ(file.RecordCount(), 4u);
    EXPECT_EQ(DbfreadRecords({path}), std::vector<std::string>{"4 intact"});
    AppendNumbered(file, 5);
    EXPECT_EQ(DbfreadRecords({path}), std::vector<std::string>{"5 intact"});
}
