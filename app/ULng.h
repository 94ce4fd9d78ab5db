#pragma once
// Language text modules: "<module><number>.lng" files of "<id>=<text>" lines, and navigator hints.
#include <cstdint>
#include <string>

#include "platform/core/StringList.h"

class TLngModule : public TStringList {
public:
    explicit TLngModule(const std::string& moduleName = "") : moduleName_(moduleName) {}
    std::string ClassName() const override { return "TLngModule"; }

    const std::string& ModuleName() const { return moduleName_; }
    std::uint16_t LoadedLanguage() const { return loadedLanguage_; }

    // Reads "<module><number>.lng" from the program's folder, else from the common directory,
    // else from the shipped files; nothing when that number is loaded already. A missing file is reported and leaves the
    // module empty with nothing loaded.
    void LoadLanguage(std::uint16_t number);

    // The text of line id; "[<id>]" when the file has none. A character other than 0 is appended.
    std::string GetText(int id, char append = 0) const;
    // GetText with its first letter upper-cased (ASCII letters only).
    std::string GetTextCapitalized(int id, char append = 0) const;

private:
    std::string moduleName_;
    std::uint16_t loadedLanguage_ = 0;
};

// The module of that name (without regard to case), created on first use, loaded for number.
TLngModule* GetLngModule(std::uint16_t number, const std::string& moduleName);
// Frees every module; the next GetLngModule starts afresh.
void FreeLngModules();

// Loads hints from "NvgHint<number>.lng" in the common directory (or the program's folder when
// there is none), else from the shipped files; a missing file is reported and leaves the hints
// as they were.
void LoadNavigatorHints(std::uint16_t number, TStringList& hints);
