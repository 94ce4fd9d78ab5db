#pragma once
// The two digital fonts the program carries as resources ("Elektra", an LCD face, and
// "DS-Digital", an LED face), registered for the process so gauges and texts can use them
// without the fonts being installed.
#include <array>

class TStringList;

// Handles of the LCD and LED fonts; 0 when not installed.
extern std::array<int, 2> DigitalFontHandles;
// Set while the fonts are installed: font lists call it to offer the two names.
using TDigitalFontNamesHook = void (*)(TStringList& list);
extern TDigitalFontNamesHook DigitalFontNamesHook;

void ListDigitalFontNames(TStringList& list);
// Registers the font of the named resource under familyName; 0 when the resource is missing
// or the font cannot be registered.
int AddResourceFont(const char* resourceName, const char* familyName);
void InstallDigitalFonts();
void RemoveDigitalFonts();
// Steps of the canvas module's start and end. Fonts need the GUI application: without one
// nothing is installed and the hook stays unset.
void InstallCustomFonts();
void RemoveCustomFonts();
