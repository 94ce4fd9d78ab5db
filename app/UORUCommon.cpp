#include "app/UORUCommon.h"

#include <array>
#include <cerrno>
#include <cstring>

#include "platform/core/NumText.h"
#include "platform/core/SysUtils.h"

namespace {
std::string PlainFloatToStr(double value) { return FloatToStr(value); }
double PlainStrToFloat(const std::string& text) { return StrToFloat(text); }

void ReplaceFirst(std::string& text, char from, char to)
{
    const auto at = text.find(from);
    if (at != std::string::npos)
        text[at] = to;
}

[[noreturn]] void RaiseWriteError(const std::string& fileName, int error)
{
    throw EInOutError("Cannot write to " + fileName + ": " + std::strerror(error), error);
}
}  // namespace

// Safe before InitDotDecimalHooks too: the '.' conversions are right in every locale.
TNumberToTextHook NumberToTextHook = DotFloatToStr;
TTextToNumberHook TextToNumberHook = DotStrToFloat;

void InitDotDecimalHooks()
{
    const bool dotLocale = FormatSettings().DecimalSeparator == '.';
    NumberToTextHook = dotLocale ? PlainFloatToStr : DotFloatToStr;
    TextToNumberHook = dotLocale ? PlainStrToFloat : DotStrToFloat;
}

std::string DotFloatToStr(double value)
{
    std::string text = FloatToStr(value);
    ReplaceFirst(text, FormatSettings().DecimalSeparator, '.');
    return text;
}

double DotStrToFloat(const std::string& text)
{
    std::string local = text;
    ReplaceFirst(local, '.', FormatSettings().DecimalSeparator);
    try {
        return StrToFloat(local);
    } catch (const EConvertError&) {
        // Name the text as the caller gave it, not the locally rewritten one.
        throw EConvertError("'" + text + "' is not a valid floating point value");
    }
}

std::string EncloseText(int kind, const std::string& text)
{
    static const std::array<std::array<char, 2>, 6> delimiters{
        {{'\'', '\''}, {'"', '"'}, {'(', ')'}, {'[', ']'}, {'{', '}'}, {'<', '>'}}};
    if (kind < 0 || kind >= static_cast<int>(delimiters.size()))
        return text;
    const auto& pair = delimiters[static_cast<size_t>(kind)];
    return pair[0] + text + pair[1];
}

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
