#include "chart/editor/DuvProCo.h"

#include "chart/graphics/DuvConst.h"

#define DUV_TEXT(name, text) std::string name;
#define DUV_JOIN(name, first, second) std::string name;
#include "chart/editor/DuvProCo.def"
#undef DUV_TEXT
#undef DUV_JOIN

namespace {
int initCount = 0;
}  // namespace

void SetExtraLibraryTexts()
{
#define DUV_TEXT(name, text) name = text;
#define DUV_JOIN(name, first, second) name = std::string(first) + LibraryLineSeparator + second;
#include "chart/editor/DuvProCo.def"
#undef DUV_TEXT
#undef DUV_JOIN
    DuvMsgAntialias = "Anti-Alias";
}

const std::vector<TExtraLibraryTextEntry>& ExtraLibraryTextEntries()
{
    static const std::vector<TExtraLibraryTextEntry> entries = {
#define DUV_TEXT(name, text) {#name, &name},
#define DUV_JOIN(name, first, second) {#name, &name},
#include "chart/editor/DuvProCo.def"
#undef DUV_TEXT
#undef DUV_JOIN
    };
    return entries;
}

void ClearExtraLibraryTexts()
{
    for (const TExtraLibraryTextEntry& entry : ExtraLibraryTextEntries()) entry.Variable->clear();
}

void DuvProCoInitialization()
{
    if (initCount++ != 0) return;
    SetExtraLibraryTexts();
}

void DuvProCoFinalization()
{
    if (initCount == 0 || --initCount != 0) return;
    ClearExtraLibraryTexts();
}
