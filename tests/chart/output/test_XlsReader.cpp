// The .xls reader against workbooks written by LibreOffice, and against damaged and hostile
// files, which must give the reader's message and nothing else.
#include <cstring>
#include <filesystem>

#include "chart/output/DuvSpreadsheet.h"
#include "support/TestSupport.h"

namespace {

// Sheet "Zahl": numbers of every storage form, formulas with cached results of each kind, text
// with non-ASCII characters, a text longer than one record, and enough texts that the shared
// strings run over several continuation records. Sheet "Druhý": C3 = 7.
constexpr const char* kWriteSource = R"(
import sys, openpyxl
book = openpyxl.Workbook()
s = book.active
s.title = 'Zahl'
for r, v in enumerate([1, 2.5, -1e300, 123456789, 0.1, -7, 1e-300, 1234567.891]):
    s.cell(row=r + 1, column=1, value=v)
s['B1'] = 'Příliš žluťoučký kůň'
s['B2'] = '日本語'
s['B3'] = 'x' * 9000 + 'ž' * 9000 + 'end'
s['B4'] = '😀 and text'
s['C1'] = '=A1+A2'
s['C2'] = '=CONCATENATE("a";"b")'.replace(';', ',')
s['C3'] = '=1=1'
s['C4'] = '=1/0'
for r in range(3000):
    s.cell(row=r + 1, column=4, value='text %d ž' % r)
    s.cell(row=r + 1, column=5, value=r * 3)
book.create_sheet('Druhý')['C3'] = 7
book.save(sys.argv[1])
)";

std::string Convert(const qbtest::TempDir& dir)
{
    const std::string source = dir.file("source.xlsx");
    int rc = 0;
    const std::string script = dir.file("write.py");
    qbtest::WriteFileBytes(script, kWriteSource);
    std::string log = qbtest::RunProgram({"/usr/bin/python3", script, source}, rc);
    EXPECT_EQ(rc, 0) << log;
    const char* const office = "/usr/bin/soffice";
    EXPECT_TRUE(std::filesystem::exists(office)) << "LibreOffice is missing: install it with scripts/common.sh";
    log = qbtest::RunProgram({"timeout", "240", office, "-env:UserInstallation=file://" + dir.file("profile"), "--headless",
                              "--convert-to", "xls", "--outdir", dir.path().string(), source},
                             rc);
    EXPECT_EQ(rc, 0) << log;
    return dir.file("source.xls");
}

std::string CellText(const TSheetCell& cell)
{
    switch (cell.Kind) {
    case TSheetCell::ckEmpty: return "<empty>";
    case TSheetCell::ckNumber: return "n:" + cell.Text;
    case TSheetCell::ckText: return "t:" + cell.Text;
    }
    return {};
}

std::string Cell(TSpreadsheetFile& file, int sheet, const char* reference)
{
    return CellText(file.ReadRange(sheet, CellRange(reference, reference))[0]);
}

}  // namespace

TEST(XlsReader, ReadsWhatLibreOfficeWrites)
{
    qbtest::TempDir dir;
    const std::string path = Convert(dir);
    ASSERT_TRUE(std::filesystem::exists(path));
    auto file = TSpreadsheetFile::Open(path);
    EXPECT_EQ(file->SheetNames(), (std::vector<std::string>{"Zahl", "Druhý"}));
    struct Case {
        const char* Reference;
        std::string Expected;
    } const cases[] = {
        {"A1", "n:1"}, {"A2", "n:2.5"}, {"A3", "n:-1e+300"}, {"A4", "n:123456789"}, {"A5", "n:0.1"}, {"A6", "n:-7"},
        {"A7", "n:1e-300"}, {"A8", "n:1234567.891"}, {"A9", "<empty>"},
        {"B1", "t:Příliš žluťoučký kůň"}, {"B2", "t:日本語"}, {"B4", "t:😀 and text"},
        {"C1", "n:3.5"}, {"C2", "t:ab"}, {"C3", "n:1"}, {"C4", "t:#DIV/0!"},
        {"D1", "t:text 0 ž"}, {"D2999", "t:text 2998 ž"}, {"D3000", "t:text 2999 ž"}, {"E3000", "n:8997"},
    };
    for (const Case& c : cases) EXPECT_EQ(Cell(*file, 0, c.Reference), c.Expected) << c.Reference;
    std::string longText;
    for (int i = 0; i < 9000; ++i) longText += "x";
    for (int i = 0; i < 9000; ++i) longText += "ž";
    EXPECT_EQ(Cell(*file, 0, "B3"), "t:" + longText + "end");
    EXPECT_EQ(Cell(*file, 1, "C3"), "n:7");
    // A whole column in one read, every row in place.
    const std::vector<TSheetCell> column = file->ReadRange(0, CellRange("E1", "E3000"));
    ASSERT_EQ(column.size(), 3000u);
    for (int r = 0; r < 3000; ++r) ASSERT_EQ(column[std::size_t(r)].Value, r * 3) << r;
}

namespace {

std::uint32_t Get32(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}
void Put32(std::string& bytes, std::size_t at, std::uint32_t value) { std::memcpy(bytes.data() + at, &value, 4); }

// The file offset of a record of the given type in the workbook stream, which the small fixture
// keeps in consecutive sectors from sector 0.
std::size_t FindRecord(const std::string& bytes, std::uint16_t type)
{
    for (std::size_t at = 512; at + 4 <= bytes.size();) {
        const std::uint16_t found = static_cast<std::uint16_t>(std::uint8_t(bytes[at]) | std::uint8_t(bytes[at + 1]) << 8);
        const std::size_t size = std::uint8_t(bytes[at + 2]) | std::uint8_t(bytes[at + 3]) << 8;
        if (found == type) return at;
        at += 4 + size;
    }
    ADD_FAILURE() << "no record " << type;
    return 0;
}

}  // namespace

// Damaged and hostile files: the reader's message, no crash and no leak (the sanitizer build
// checks both).
TEST(XlsReader, RefusesDamagedFiles)
{
    const std::string good = qbtest::ReadFileBytes(qbtest::DataPath("fuzz/fuzz_XlsRangeReader/two-sheets.xls"));
    ASSERT_GT(good.size(), 2048u);
    const std::size_t fatSector = Get32(good, 0x4C);
    const std::size_t fat = (fatSector + 1) * 512;
    struct Case {
        const char* Name;
        std::function<void(std::string&)> Damage;
        const char* Why;
    } const cases[] = {
        {"chain loop", [&](std::string& b) { Put32(b, fat + 4 * 2, 1); }, "a sector chain is broken"},
        {"chain leaves the file", [&](std::string& b) { Put32(b, fat + 4 * 1, 0x00FFFFFF); }, "a sector chain is broken"},
        {"sector table outside", [](std::string& b) { Put32(b, 0x4C, 0x00FFFFFF); }, "its sector table lies outside the file"},
        {"table larger than the file", [](std::string& b) { Put32(b, 0x2C, 0x7FFFFFFF); }, "its sector table is larger than the file"},
        {"cut short", [](std::string& b) { b.resize(1500); }, "its sector table lies outside the file"},
        {"record past the stream", [](std::string& b) { b[512 + 2] = b[512 + 3] = char(0xFF); }, "a record is cut short"},
        {"sheet outside the stream", [](std::string& b) { Put32(b, FindRecord(b, 0x85) + 4, 0x7FFFFFF0); },
         "a part does not begin as a workbook part"},
        {"no compound file", [](std::string& b) { b[0] = 'X'; }, "it is no compound file"},
    };
    qbtest::TempDir dir;
    for (const Case& c : cases) {
        std::string bytes = good;
        c.Damage(bytes);
        const std::string path = dir.file("damaged.xls");
        qbtest::WriteFileBytes(path, bytes);
        try {
            auto file = TSpreadsheetFile::Open(path);
            for (int sheet = 0; sheet < int(file->SheetNames().size()); ++sheet) file->ReadRange(sheet, CellRange("A1", "C5"));
            ADD_FAILURE() << c.Name << ": read";
        } catch (const ESpreadsheetError& e) {
            EXPECT_EQ(std::string(e.what()), "The spreadsheet file \"" + path + "\" is not a readable spreadsheet: " + c.Why) << c.Name;
        }
    }
    for (const char* name : {"xls_heap_overflow_memcpy.xls", "xls_stack_underflow_iconv.xls", "xls_leak.xls"}) {
        const std::string path = qbtest::DataPath(std::string("fuzz/fuzz_XlsRangeReader/") + name);
        try {
            auto file = TSpreadsheetFile::Open(path);
            for (int sheet = 0; sheet < int(file->SheetNames().size()); ++sheet) file->ReadRange(sheet, CellRange("A1", "C5"));
            ADD_FAILURE() << name << ": read";
        } catch (const ESpreadsheetError& e) {
            EXPECT_TRUE(std::string(e.what()).starts_with("The spreadsheet file \"" + path + "\" is not a readable spreadsheet"))
                << e.what();
        }
    }
}
