// Feeds arbitrary bytes to the Paradox reader as a .db (and, split at a marker, its .mb file):
// opening, reading every record and appending one must either work or raise EDatabaseError.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/core/CodePage.h"
#include "platform/db/DbError.h"
#include "platform/db/ParadoxFile.h"
#include "support/FuzzFiles.h"

namespace {

const std::string& Folder() { return qbtest::FuzzTempFolder("fuzz_ParadoxReader"); }

void Put(const std::string& path, std::string_view bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

void ReadAll(TParadoxFile& file)
{
    for (int i = 0; i < file.RecordCount() && i < 64; ++i) file.ReadRecord(i);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SetProgramCodePage(1250);
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find("BLOB");
    const std::string table = Folder() + "/t.db";
    Put(table, input.substr(0, split));
    std::filesystem::remove(Folder() + "/t.mb");
    if (split != std::string_view::npos) Put(Folder() + "/t.mb", input.substr(split + 4));
    try {
        TParadoxFile file(table, false);
        ReadAll(file);
        file.AppendRecord({Variant::String("a"), Variant::Integer(1)});
        ReadAll(file);
    } catch (const EDatabaseError&) {
    }
    return 0;
}
