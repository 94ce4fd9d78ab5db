#pragma once
// Number text with '.' decimals whatever the locale, for numbers written to files and result
// tables, and the delimiter pairs that enclose texts.
#include <string>

// Numbers written to files read the same in every locale: these hooks are what writers call.
using TNumberToTextHook = std::string (*)(double value);
using TTextToNumberHook = double (*)(const std::string& text);
extern TNumberToTextHook NumberToTextHook;
extern TTextToNumberHook TextToNumberHook;

// Start-up: with a '.' locale the plain conversions, otherwise the '.'-decimal ones below.
void InitDotDecimalHooks();

// The general float text with the locale's decimal separator turned into '.'.
std::string DotFloatToStr(double value);
// Reads text written with '.' decimals; raises EConvertError on text that is no number.
double DotStrToFloat(const std::string& text);

// Kind 0 '...', 1 "...", 2 (...), 3 [...], 4 {...}, 5 <...>; any other kind leaves the text.
std::string EncloseText(int kind, const std::string& text);
