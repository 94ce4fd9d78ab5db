#pragma once
// Small routines several windows share: number text with '.' decimals and delimiters (from the
// core, so the statistics windows reach them too), trailing separators, tracing.
#include <cstdio>
#include <string>

#include "platform/core/DotDecimal.h"

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
