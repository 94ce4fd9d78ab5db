#pragma once
// The chart library's second text table. Each text is a variable that readers read when they
// need it; the gallery, tool and animation registries keep the variables' addresses, so a text
// changed later (a translation) shows everywhere. The table is set by the editor library's
// start-up, after the first table and before any later chart library registers with these
// variables, and emptied by its shutdown.
#include <string>
#include <vector>

#define DUV_TEXT(name, text) extern std::string name;
#define DUV_JOIN(name, first, second) extern std::string name;
#include "chart/editor/DuvProCo.def"
#undef DUV_TEXT
#undef DUV_JOIN

// Assigns every variable its text, two-line texts joined by the first table's line separator,
// and renames the first table's tool name "Antialias" to "Anti-Alias".
void SetExtraLibraryTexts();
// Empties every variable of this table; the first table's renamed entry is left to its own
// clearing.
void ClearExtraLibraryTexts();

// The unit's start-up and shutdown steps; a counter makes each run once however often the
// editor library is started.
void DuvProCoInitialization();
void DuvProCoFinalization();

// Every variable of this table with its name, in the order of the list.
struct TExtraLibraryTextEntry {
    const char* Name;
    std::string* Variable;
};
const std::vector<TExtraLibraryTextEntry>& ExtraLibraryTextEntries();
