#include "app/UORUCommon.h"

#include <cerrno>
#include <cstring>

#include "platform/core/NumText.h"
#include "platform/core/SysUtils.h"

namespace {
[[noreturn]] void RaiseWriteError(const std::string& fileName, int error)
{
    throw EInOutError("Cannot write to " + fileName + ": " + std::strerror(error), error);
}
}  // namespace

std::string AddTrailingBackslash(const std::string& text)
{
    if (text.empty() || text.back() == '\\')
        return text;
    return text + '\\';
}

TTraceSink* TraceSink = nullptr;

TTraceSink::TTraceSink(const std::string& fileName) : fileName_(fileName), file_(std::fopen(fileName.c_str(), "w"))
{
    if (!file_)
        throw EInOutError("Cannot open " + fileName + ": " + std::strerror(errno), errno);
}

TTraceSink::~TTraceSink() { std::fclose(file_); }

void TTraceSink::WriteLine(const std::string& line)
{
    // Flushed per line, so a failing disk shows at the write that failed and a crash loses nothing.
    errno = 0;
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fputc('\n', file_) == EOF
        || std::fflush(file_) != 0)
        RaiseWriteError(fileName_, errno ? errno : EIO);
}

void TraceLine(TTraceSink* sink, const std::string& text)
{
    if (sink)
        sink->WriteLine(text);
}

void TraceFloat(TTraceSink* sink, const std::string& name, double value)
{
    TraceLine(sink, name + ' ' + NumberToTextHook(value));
}

void TraceInt(TTraceSink* sink, const std::string& name, long long value)
{
    TraceLine(sink, name + ' ' + IntToStr(value));
}
