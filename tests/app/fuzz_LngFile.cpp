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
#include "support/FuzzFiles.h"

namespace {

std::string TempFolder() { return qbtest::FuzzTempFolder("fuzz_LngFile") + "/"; }

void Write(const std::string& path, const std::string& bytes) { qbtest::WriteFuzzFile(path, bytes); }

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
