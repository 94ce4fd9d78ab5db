// Feeds arbitrary bytes as the file of the text import and of "fill from file": the file is read
// as the forms read it, split with each separator and imported into a small table; every step
// must work or raise the library's Exception (a key that names no record, a text a field refuses).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/FReplaceField.h"
#include "app/FTextInput.h"
#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "platform/db/TextTable.h"
#include "support/FuzzFiles.h"

namespace {

std::string TempFolder() { return qbtest::FuzzTempFolder("fuzz_TextImport"); }

void Write(const std::string& path, const std::string& bytes) { qbtest::WriteFuzzFile(path, bytes); }

// The table the lines go into: typed fields, so that texts can be refused.
TTextTable& Table()
{
    static TTextTable* table = [] {
        auto* made = new TTextTable(TempFolder() + "/table.txt");
        made->FieldDefs().Add("ID", ftInteger);
        made->FieldDefs().Add("NAME", ftString, 20);
        made->FieldDefs().Add("VALUE", ftFloat);
        made->FieldDefs().Add("BORN", ftDate);
        made->FieldDefs().Add("OK", ftBoolean);
        made->CreateTable();
        made->Open();
        for (int i = 1; i <= 3; ++i) {
            made->Append();
            made->Post();
        }
        return made;
    }();
    return *table;
}

// Every iteration starts from the same records.
void ResetRecords(TTextTable& table)
{
    if (table.State() != dsBrowse) table.Cancel();
    int id = 1;
    for (table.First(); !table.Eof(); table.Next(), ++id) {
        table.Edit();
        table.FieldByName("ID").SetAsInteger(id);
        table.FieldByName("NAME").SetAsString("N" + std::to_string(id));
        table.FieldByName("VALUE").SetAsFloat(id * 1.5);
        table.FieldByName("BORN").SetAsDateTime(EncodeDate(2024, 1, id));
        table.FieldByName("OK").SetAsBoolean(id % 2 == 0);
        table.Post();
    }
}

const std::vector<std::vector<TMapRow>> kMappings = {
    {{"ID", "P"}, {"NAME", ""}},
    {{"ID", "P"}, {".NULL.", ""}, {"VALUE", ""}, {"BORN", ""}, {"OK", ""}},
    {{"NAME", "P"}, {"ID", ""}, {"OK", "P:T"}},
    {{"ID", "P"}, {"NAME", "P"}, {"", ""}, {"VALUE", ""}},
    {{"OK", "P:F"}, {"BORN", "P"}, {"NAME", ""}},
    {{"NAME", ""}},  // no key column: refused
};
const char kSeparators[] = {'\t', ' ', ';', ','};
const char* const kFillFields[] = {"NAME", "ID", "VALUE", "BORN", "OK"};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    SetProgramCodePage(1250);  // never reads the user's settings
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    const unsigned choice = data[0];
    const std::string path = TempFolder() + "/input.txt";
    Write(path, std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    TStringList lines;
    lines.LoadFromFile(path);  // as both forms read their file

    const char separator = kSeparators[choice % 4];
    for (int i = 0; i < lines.Count(); ++i) {
        const int columns = 1 + int(i % 6);
        const std::vector<std::string> texts = SplitLine(lines[i], separator, columns);
        if (int(texts.size()) > columns) std::abort();
    }
    TTextTable& table = Table();
    ResetRecords(table);
    try {
        const TImportMapping mapping = BuildImportMapping(kMappings[(choice / 4) % kMappings.size()]);
        RunTextImport(table, mapping, lines, separator);
    } catch (const Exception&) {
    }
    if (table.State() != dsBrowse) std::abort();  // a refused line leaves no record half edited
    ResetRecords(table);
    try {
        table.First();
        FillFieldFromLines(table, kFillFields[(choice / 32) % 5], lines, (choice & 0x80) != 0);
    } catch (const Exception&) {
    }
    return 0;
}
