#include "platform/core/DotDecimal.h"

#include <array>

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

