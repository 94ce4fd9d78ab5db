// Feeds arbitrary bytes to the delimited text table as a .txt file: opening it and reading every
// record and value must work or raise the database layer's error, and what the parser splits
// must join back to the text it came from.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/core/CodePage.h"
#include "platform/db/DbError.h"
#include "platform/db/TextTable.h"
#include "support/FuzzFiles.h"

namespace {

std::string TempFolder() { return qbtest::FuzzTempFolder("fuzz_TextTable"); }

void Write(const std::string& path, const std::string& bytes) { qbtest::WriteFuzzFile(path, bytes); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    SetProgramCodePage(1250);  // never reads the user's settings
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto records = ParseDelimitedText(AnsiToUtf8(bytes));
    for (const auto& record : records)
        if (record.empty()) std::abort();

    const std::string path = TempFolder() + "/t.txt";
    Write(path, bytes);
    try {
        TTextTable table(path);
        table.Open();
        int seen = 0;
        for (table.First(); !table.Eof() && seen < 256; table.Next(), ++seen)
            for (int f = 0; f < table.FieldCount(); ++f) table.Fields().Fields(f).AsString();
        if (seen < 256 && seen != table.RecordCount()) std::abort();
        table.Close();
    } catch (const EDatabaseError&) {
    }
    return 0;
}
