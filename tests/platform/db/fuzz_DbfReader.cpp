// Feeds arbitrary bytes to the table reader as a .dbf (and, split at a marker, a memo file):
// opening and reading every record and value must either work or raise EDatabaseError.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/db/DbError.h"
#include "platform/db/DbfFile.h"
#include "support/FuzzFiles.h"

namespace {

std::string TempFolder() { return qbtest::FuzzTempFolder("fuzz_DbfReader"); }

void Write(const std::string& path, std::string_view bytes) { qbtest::WriteFuzzFile(path, bytes); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find("MEMO");
    const std::string table = TempFolder() + "/t.dbf";
    Write(table, input.substr(0, split));
    const std::string_view memo = split == std::string_view::npos ? std::string_view() : input.substr(split + 4);
    Write(TempFolder() + "/t.dbt", memo);
    Write(TempFolder() + "/t.fpt", memo);
    try {
        TDbfFile file(table, true);
        std::string record(file.RecordLength(), ' ');
        for (uint32_t i = 0; i < file.RecordCount() && i < 64; ++i) {
            file.ReadRecord(i, record.data());
            for (size_t f = 0; f < file.Fields().size(); ++f) file.GetValue(record.data(), int(f));
        }
    } catch (const EDatabaseError&) {
    }
    return 0;
}
