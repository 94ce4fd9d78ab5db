// Feeds arbitrary bytes to the Paradox reader as a .db (and, split at a marker, its .mb file):
// opening, reading every record and appending one must either work or raise EDatabaseError.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/core/CodePage.h"
#include "platform/db/DbError.h"
#include "platform/db/ParadoxFile.h"

namespace {

std::string TempFolder()
{
    static std::string folder = [] {
        char pattern[] = "/tmp/fuzz_paradox_XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::string(made ? made : "/tmp");
    }();
    return folder;
}

void Write(const std::string& path, std::string_view bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
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
    const std::string table = TempFolder() + "/t.db";
    Write(table, input.substr(0, split));
    unlink((TempFolder() + "/t.mb").c_str());
    if (split != std::string_view::npos) Write(TempFolder() + "/t.mb", input.substr(split + 4));
    try {
        TParadoxFile file(table, false);
        ReadAll(file);
        file.AppendRecord({Variant::String("a"), Variant::Integer(1)});
        ReadAll(file);
    } catch (const EDatabaseError&) {
    }
    return 0;
}
