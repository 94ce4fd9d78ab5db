// Feeds arbitrary bytes as a language file and as the navigator hints: loading and looking up
// texts must work whatever the lines hold.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/FInfo.h"
#include "app/ULng.h"
#include "platform/core/CodePage.h"

namespace {

std::string TempFolder()
{
    static std::string folder = [] {
        char pattern[] = "/tmp/fuzz_LngFile_XXXXXX";
        const char* made = ::mkdtemp(pattern);
        return std::string(made ? made : "/tmp") + "/";
    }();
    return folder;
}

void Write(const std::string& path, const std::string& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    SetProgramCodePage(1250);  // never reads the user's settings
    CommonDirectory = TempFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Write(TempFolder() + "FuzzModule7.lng", bytes);
    Write(TempFolder() + "NvgHint7.lng", bytes);
    TLngModule module("FuzzModule");
    module.LoadLanguage(7);
    if (module.LoadedLanguage() != 7) std::abort();
    for (int i = 0; i < module.Count(); ++i) {
        const std::string name = module.Names(i);
        char* end = nullptr;
        const long id = std::strtol(name.c_str(), &end, 10);
        if (!name.empty() && *end == '\0' && id >= -100000 && id <= 100000) {
            module.GetText(int(id));
            module.GetTextCapitalized(int(id), ':');
        }
    }
    for (int id : {0, 1, 120, 520, 620, 2000}) module.GetTextCapitalized(id);
    TStringList hints;
    LoadNavigatorHints(7, hints);
    return 0;
}
