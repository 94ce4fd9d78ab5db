#pragma once
// Number text of the class library: locale settings, general float text, masks, rounding.
#include "platform/core/SysUtils.h"

#include <array>
#include <string>

struct TFormatSettings {
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
    char DateSeparator = '/';
    char TimeSeparator = ':';
    std::string ShortDateFormat = "M/d/yyyy";
    std::string LongDateFormat = "dddd, MMMM d, yyyy";
    std::string ShortTimeFormat = "h:mm AMPM";
    std::string LongTimeFormat = "h:mm:ss AMPM";
    std::string TimeAMString = "AM";
    std::string TimePMString = "PM";
    std::array<std::string, 12> ShortMonthNames{};
    std::array<std::string, 12> LongMonthNames{};
    std::array<std::string, 7> ShortDayNames{};  // Sunday first
    std::array<std::string, 7> LongDayNames{};
    int FirstWeekDay = 0;  // 0 = Sunday, 1 = Monday ...
    std::string CurrencyString = "$";

    static TFormatSettings Invariant();   // '.' decimals, English names
    static TFormatSettings FromLocale();  // the user's locale (LC_NUMERIC, LC_TIME)
    // A named locale ("de_DE.UTF-8"; "" = the environment's); invariant values where it lacks one.
    static TFormatSettings FromLocaleName(const std::string& localeName);
};

// A C-library date or time format ("%d.%m.%Y") in FormatDateTime letters ("dd/mm/yyyy"); the
// given separators become '/' and ':', which stand for the settings' separators.
std::string PatternFromLocaleFormat(const std::string& cFormat, char dateSeparator, char timeSeparator);

// The program-wide settings: taken from the locale at first use; tests replace them.
TFormatSettings& FormatSettings();
void SetFormatSettings(const TFormatSettings& settings);

// Replaces the program-wide settings for a scope (tests).
class ScopedFormatSettings {
public:
    explicit ScopedFormatSettings(const TFormatSettings& settings);
    ~ScopedFormatSettings();
    ScopedFormatSettings(const ScopedFormatSettings&) = delete;
    ScopedFormatSettings& operator=(const ScopedFormatSettings&) = delete;

private:
    TFormatSettings saved_;
};

// General float text: 15 significant digits, shortest form, exponent when needed ("1E20", "1.5E-7").
std::string FloatToStr(double value);
std::string FloatToStr(double value, const TFormatSettings& settings);
// Mask text: sections ';' (positive;negative;zero), '0' and '#' digit places, '.' point, ',' grouping,
// 'E+'/'E-'/'e+'/'e-' exponent, quoted literals; '%' and other characters are copied (callers
// scale percentages themselves). Rounds half away from zero; "" gives the general text.
std::string FormatFloat(const std::string& mask, double value);
std::string FormatFloat(const std::string& mask, double value, const TFormatSettings& settings);

// Runs a Try... reader on text; raises EConvertError "'<text>' is not a valid <what>" when it fails.
template <class T, class TryRead>
T ReadOrRaise(const std::string& text, const char* what, TryRead tryRead) {
    T value{};
    if (!tryRead(value)) throw EConvertError("'" + text + "' is not a valid " + what);
    return value;
}

// Text to number; blanks around are allowed. Raises EConvertError
// "'<text>' is not a valid floating point value" / "'<text>' is not a valid integer value".
double StrToFloat(const std::string& text);
double StrToFloat(const std::string& text, const TFormatSettings& settings);
bool TryStrToFloat(const std::string& text, double& value);
bool TryStrToFloat(const std::string& text, double& value, const TFormatSettings& settings);
int StrToInt(const std::string& text);
bool TryStrToInt(const std::string& text, int& value);
int StrToIntDef(const std::string& text, int defaultValue);
std::string IntToStr(long long value);

// Reals to pixels: nearest integer, halves to even (Rnd(2.5) = 2, Rnd(3.5) = 4, Rnd(-2.5) = -2).
long long Rnd(double value);
// Integer division truncating toward zero (Div(-7, 2) = -3). Dividing by zero raises EDivByZero
// instead of stopping the program; the one overflowing quotient wraps as the hardware would.
constexpr long long Div(long long a, long long b) {
    if (b == 0) throw EDivByZero("Division by zero");
    if (b == -1) return static_cast<long long>(0ULL - static_cast<unsigned long long>(a));
    return a / b;
}
