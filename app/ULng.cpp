#include "app/ULng.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "app/FInfo.h"
#include "platform/ui/UiServices.h"

namespace {
std::unique_ptr<TStringList> g_modules;  // module name -> its TLngModule, owned

bool FileExists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

void ReportMissingFile(const std::string& path)
{
    UiServices().ShowWarning("Language file " + path + " does not exist!");
}

// A common directory without the file falls back to the one shipped with the program, so the
// windows never show bare text numbers while the program's own files are there.
std::string ShippedFile(const std::string& fileName)
{
    return ShippedDirectory.empty() ? std::string() : ShippedDirectory + fileName;
}
}  // namespace

void TLngModule::LoadLanguage(std::uint16_t number)
{
    if (number == loadedLanguage_)
        return;
    Clear();
    // Until a file is read nothing counts as loaded, so a later request for any number reads again.
    loadedLanguage_ = 0;
    const std::string fileName = moduleName_ + std::to_string(number) + ".lng";
    const std::string besideProgram = ProgramFolder() + fileName;
    // Without a common directory the name alone would be looked for in whatever the current folder is.
    const std::string inCommon = CommonDirectory.empty() ? besideProgram : CommonDirectory + fileName;
    for (const std::string& path : {besideProgram, inCommon, ShippedFile(fileName)}) {
        if (!path.empty() && FileExists(path)) {
            LoadFromFile(path);
            loadedLanguage_ = number;
            return;
        }
    }
    ReportMissingFile(inCommon);
}

std::string TLngModule::GetText(int id, char append) const
{
    const int index = IndexOfName(std::to_string(id));
    std::string text = index < 0 ? "[" + std::to_string(id) + "]" : ValueFromIndex(index);
    if (append != 0)
        text += append;
    return text;
}

std::string TLngModule::GetTextCapitalized(int id, char append) const
{
    std::string text = GetText(id, append);
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

TLngModule* GetLngModule(std::uint16_t number, const std::string& moduleName)
{
    if (!g_modules) {
        g_modules = std::make_unique<TStringList>();
        g_modules->OwnsObjects = true;
    }
    const int index = g_modules->IndexOf(moduleName);
    auto* module = index >= 0 ? static_cast<TLngModule*>(g_modules->Objects(index)) : nullptr;
    if (!module) {
        module = new TLngModule(moduleName);
        g_modules->AddObject(moduleName, module);
    }
    module->LoadLanguage(number);
    return module;
}

void FreeLngModules() { g_modules.reset(); }

void LoadNavigatorHints(std::uint16_t number, TStringList& hints)
{
    const std::string folder = CommonDirectory.empty() ? ProgramFolder() : CommonDirectory;
    const std::string fileName = "NvgHint" + std::to_string(number) + ".lng";
    std::string path = folder + fileName;
    if (!FileExists(path) && FileExists(ShippedFile(fileName)))
        path = ShippedFile(fileName);
    if (!FileExists(path)) {
        ReportMissingFile(folder + fileName);
        return;
    }
    TStringList loaded;
    loaded.LoadFromFile(path);
    hints.Clear();
    hints.AddStrings(loaded);
}
