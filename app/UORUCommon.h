#pragma once
// Small routines several windows share: number text with '.' decimals, delimiters, tracing.
#include <cstdio>
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

// "C:\data" -> "C:\data\"; an empty text stays empty.
std::string AddTrailingBackslash(const std::string& text);

// A text file open for writing that the statistics code can trace into.
class TTraceSink {
public:
    explicit TTraceSink(const std::string& fileName);  // raises EInOutError when it cannot open
    ~TTraceSink();
    TTraceSink(const TTraceSink&) = delete;
    TTraceSink& operator=(const TTraceSink&) = delete;

    void WriteLine(const std::string& line);  // raises EInOutError when the write fails
    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
    std::FILE* file_;
};

// Nothing opens a sink by default; tracing callers test it first.
extern TTraceSink* TraceSink;

// Each writes one line; a nil sink writes nothing.
void TraceLine(TTraceSink* sink, const std::string& text);
void TraceFloat(TTraceSink* sink, const std::string& name, double value);  // through NumberToTextHook
void TraceInt(TTraceSink* sink, const std::string& name, long long value);
