#pragma once
// The chart library's text table: every user-visible word of the chart code that is not part
// of a window. Readers read a variable at the moment of use and never keep a copy, so the table
// is set once at start (DuvConstInitialization) and emptied at the end (DuvConstFinalization).
#include <string>
#include <vector>

// The native chart file extension, without dot; the only entry that holds a text before start.
extern std::string ChartFileExtension;
// Carriage return; joins the two lines of two-line captions. Set at start before the rest.
extern std::string LibraryLineSeparator;

#define DUV_TEXT(name, text) extern std::string name;
#define DUV_JOIN(name, first, second) extern std::string name;
#define DUV_EXT(name, first, second) extern std::string name;
#include "chart/graphics/DuvConst.def"
#undef DUV_TEXT
#undef DUV_JOIN
#undef DUV_EXT

// Assigns the table's entries their texts (joins use the separator and extension as they are).
void SetLibraryTexts();
// Empties every variable: the extension first, then the table in order, the separator last.
void ClearLibraryTexts();

// The module's start-up and shutdown steps; a counter makes each run once however often the
// module is started.
void DuvConstInitialization();
void DuvConstFinalization();

// Every variable of the table with its name, in the order ClearLibraryTexts empties them.
struct TLibraryTextEntry {
    const char* Name;
    std::string* Variable;
};
const std::vector<TLibraryTextEntry>& LibraryTextEntries();
