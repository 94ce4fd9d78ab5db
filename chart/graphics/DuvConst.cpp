#include "chart/graphics/DuvConst.h"

std::string ChartFileExtension = "duv";
std::string LibraryLineSeparator;

#define DUV_TEXT(name, text) std::string name;
#define DUV_JOIN(name, first, second) std::string name;
#define DUV_EXT(name, first, second) std::string name;
#include "chart/graphics/DuvConst.def"
#undef DUV_TEXT
#undef DUV_JOIN
#undef DUV_EXT

namespace {
int initCount = 0;
}  // namespace

void SetLibraryTexts()
{
#define DUV_TEXT(name, text) name = text;
#define DUV_JOIN(name, first, second) name = std::string(first) + LibraryLineSeparator + second;
#define DUV_EXT(name, first, second) name = std::string(first) + ChartFileExtension + second;
#include "chart/graphics/DuvConst.def"
#undef DUV_TEXT
#undef DUV_JOIN
#undef DUV_EXT
}

const std::vector<TLibraryTextEntry>& LibraryTextEntries()
{
    static const std::vector<TLibraryTextEntry> entries = {
        {"ChartFileExtension", &ChartFileExtension},
#define DUV_TEXT(name, text) {#name, &name},
#define DUV_JOIN(name, first, second) {#name, &name},
#define DUV_EXT(name, first, second) {#name, &name},
#include "chart/graphics/DuvConst.def"
#undef DUV_TEXT
#undef DUV_JOIN
#undef DUV_EXT
        {"LibraryLineSeparator", &LibraryLineSeparator},
    };
    return entries;
}

void ClearLibraryTexts()
{
    for (const TLibraryTextEntry& entry : LibraryTextEntries()) entry.Variable->clear();
}

void DuvConstInitialization()
{
    if (initCount++ != 0) return;
    LibraryLineSeparator = "\r";
    SetLibraryTexts();
}

void DuvConstFinalization()
{
    if (initCount == 0 || --initCount != 0) return;
    ClearLibraryTexts();
}
