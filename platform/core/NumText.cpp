#include "platform/core/NumText.h"

#include "platform/core/SysUtils.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Format settings

namespace {

const std::array<std::string, 12> kShortMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const std::array<std::string, 12> kLongMonths{"January", "February", "March",     "April",
                                              "May",     "June",     "July",      "August",
                                              "September", "October", "November", "December"};
const std::array<std::string, 7> kShortDays{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const std::array<std::string, 7> kLongDays{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                           "Thursday", "Friday", "Saturday"};

bool IsUtf8Codeset(const std::string& codeset) {
    return codeset == "UTF-8" || codeset == "utf8" || codeset == "UTF8";
}

// Locale texts come in the locale's own code set; inside the program text is UTF-8.
std::string ToUtf8(const std::string& text, const std::string& codeset) {
    if (IsUtf8Codeset(codeset) || std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; }))
        return text;
    iconv_t cd = iconv_open("UTF-8", codeset.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return text;
    std::string in = text;
    std::string out(in.size() * 4 + 4, '\0');
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) return text;
    out.resize(out.size() - outLeft);
    return out;
}

// A separator must be one byte here; wide ones (a narrow no-break space) become a blank.
char SeparatorChar(const std::string& text, char fallback) {
    if (text.size() == 1) return text[0];
    if (text.empty()) return fallback;
    return ' ';
}

bool IsCLocaleName(const std::string& name) {
    return name.empty() || name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0;
}

// Letters and quotes of the pattern language must be quoted when a locale format has them as text.
bool NeedsQuoting(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '"' || c == '\'' || c == '/' || c == ':';
}

std::string ConversionPattern(char conversion, bool noPadding) {
    switch (conversion) {
        case 'd': return noPadding ? "d" : "dd";
        case 'e': return "d";
        case 'm': return noPadding ? "m" : "mm";
        case 'y': return "yy";
        case 'Y': return "yyyy";
        case 'b':
        case 'h': return "mmm";
        case 'B': return "mmmm";
        case 'a': return "ddd";
        case 'A': return "dddd";
        case 'H':
        case 'I': return noPadding ? "h" : "hh";
        case 'k':
        case 'l': return "h";
        case 'M': return noPadding ? "n" : "nn";
        case 'S': return noPadding ? "s" : "ss";
        case 'p':
        case 'P': return "AMPM";
        case 'r': return "hh:nn:ss AMPM";
        case 'R': return "hh:nn";
        case 'T': return "hh:nn:ss";
        case 'D': return "mm/dd/yy";
        case 'F': return "yyyy-mm-dd";
        case 'n':
        case 't': return " ";
        case '%': return "%";
        default: return "";  // time zone, week numbers ...: nothing the pattern letters can show
    }
}

std::string Trimmed(const std::string& text) {
    size_t first = 0;
    while (first < text.size() && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
    size_t last = text.size();
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
    return text.substr(first, last - first);
}

std::string CollapseBlanks(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == ' ' && !out.empty() && out.back() == ' ') continue;
        out += c;
    }
    return Trimmed(out);
}

// The long date: the locale's date-and-time format without its time fields, names written out.
std::string LongDateFromDateTimeFormat(const std::string& cFormat) {
    static const std::string kTimeFields = "HIklMSpPrRTXZz";
    std::string dateOnly;
    for (size_t i = 0; i < cFormat.size(); ++i) {
        if (cFormat[i] != '%' || i + 1 >= cFormat.size()) {
            dateOnly += cFormat[i];
            continue;
        }
        size_t j = i + 1;
        while (j < cFormat.size() && std::strchr("-_0^#EO", cFormat[j])) ++j;
        if (j >= cFormat.size()) break;
        char conversion = cFormat[j];
        if (kTimeFields.find(conversion) == std::string::npos) {
            std::string field = cFormat.substr(i, j - i + 1);
            if (conversion == 'a') field.back() = 'A';
            if (conversion == 'b' || conversion == 'h') field.back() = 'B';
            dateOnly += field;
        }
        i = j;
    }
    return CollapseBlanks(dateOnly);
}

std::string ShortTimeFromLongTime(std::string pattern) {
    size_t pos = pattern.find(":ss");
    if (pos != std::string::npos) {
        pattern.erase(pos, 3);
    } else if ((pos = pattern.find("ss")) != std::string::npos) {
        pattern.erase(pos, 2);
    }
    return CollapseBlanks(pattern);
}

char FirstLiteral(const std::string& cFormat, char fallback) {
    for (size_t i = 0; i < cFormat.size(); ++i) {
        if (cFormat[i] == '%') {
            ++i;
            while (i < cFormat.size() && std::strchr("-_0^#EO", cFormat[i])) ++i;
            continue;
        }
        if (cFormat[i] != ' ') return cFormat[i];
    }
    return fallback;
}

class TLocaleReader {
public:
    explicit TLocaleReader(const std::string& name)
        : locale_(newlocale(LC_NUMERIC_MASK | LC_TIME_MASK | LC_MONETARY_MASK, name.c_str(), nullptr)) {}
    ~TLocaleReader() {
        if (locale_) freelocale(locale_);
    }
    TLocaleReader(const TLocaleReader&) = delete;
    TLocaleReader& operator=(const TLocaleReader&) = delete;

    bool Valid() const { return locale_ != nullptr; }
    std::string Raw(nl_item item) const {
        const char* text = nl_langinfo_l(item, locale_);
        return text ? text : "";
    }
    std::string Text(nl_item item) const { return ToUtf8(Raw(item), Raw(CODESET)); }
    bool IsCLike() const {
        return IsCLocaleName(Raw(_NL_LOCALE_NAME(LC_TIME))) && IsCLocaleName(Raw(_NL_LOCALE_NAME(LC_NUMERIC)));
    }
    // 0 = Sunday; glibc counts from the start of its day-name list (a Sunday or a Monday).
    int FirstWeekDay() const {
        union {
            const char* text;
            unsigned int word;
        } weekStart{};
        weekStart.text = nl_langinfo_l(_NL_TIME_WEEK_1STDAY, locale_);
        int listStart = weekStart.word == 19971201 ? 1 : 0;
        int first = static_cast<unsigned char>(nl_langinfo_l(_NL_TIME_FIRST_WEEKDAY, locale_)[0]);
        if (first < 1 || first > 7) return 0;
        return (listStart + first - 1) % 7;
    }

private:
    locale_t locale_;
};

void ReadNumbers(const TLocaleReader& locale, TFormatSettings& settings) {
    settings.DecimalSeparator = SeparatorChar(locale.Raw(RADIXCHAR), '.');
    if (settings.DecimalSeparator == ' ') settings.DecimalSeparator = '.';
    char otherSeparator = settings.DecimalSeparator == ',' ? '.' : ',';
    settings.ThousandSeparator = SeparatorChar(locale.Raw(THOUSEP), otherSeparator);
    if (settings.ThousandSeparator == settings.DecimalSeparator) settings.ThousandSeparator = otherSeparator;
    std::string currency = locale.Text(CRNCYSTR);
    if (!currency.empty() && std::strchr("-+.", currency[0])) currency.erase(0, 1);
    if (!currency.empty()) settings.CurrencyString = currency;
}

void ReadNames(const TLocaleReader& locale, TFormatSettings& settings) {
    for (int i = 0; i < 12; ++i) {
        settings.ShortMonthNames[i] = locale.Text(ABMON_1 + i);
        settings.LongMonthNames[i] = locale.Text(MON_1 + i);
    }
    for (int i = 0; i < 7; ++i) {
        settings.ShortDayNames[i] = locale.Text(ABDAY_1 + i);
        settings.LongDayNames[i] = locale.Text(DAY_1 + i);
    }
    settings.TimeAMString = locale.Text(AM_STR);
    settings.TimePMString = locale.Text(PM_STR);
    settings.FirstWeekDay = locale.FirstWeekDay();
}

void ReadDateFormats(const TLocaleReader& locale, TFormatSettings& settings) {
    std::string dateFormat = locale.Raw(D_FMT);
    std::string timeFormat = locale.Raw(T_FMT);
    if (timeFormat.empty()) timeFormat = "%H:%M:%S";
    if (timeFormat == "%r") timeFormat = "%I:%M:%S %p";
    settings.DateSeparator = FirstLiteral(dateFormat, '/');
    settings.TimeSeparator = FirstLiteral(timeFormat, ':');
    char ds = settings.DateSeparator;
    char ts = settings.TimeSeparator;
    if (!dateFormat.empty()) settings.ShortDateFormat = ToUtf8(PatternFromLocaleFormat(dateFormat, ds, ts), locale.Raw(CODESET));
    std::string longDate = LongDateFromDateTimeFormat(locale.Raw(D_T_FMT));
    if (!longDate.empty()) settings.LongDateFormat = ToUtf8(PatternFromLocaleFormat(longDate, ds, ts), locale.Raw(CODESET));
    settings.LongTimeFormat = PatternFromLocaleFormat(timeFormat, ds, ts);
    settings.ShortTimeFormat = ShortTimeFromLongTime(settings.LongTimeFormat);
}

}  // namespace

std::string PatternFromLocaleFormat(const std::string& cFormat, char dateSeparator, char timeSeparator) {
    std::string out;
    std::string quoted;  // a run of literal text waiting for its quotes
    auto flushQuoted = [&] {
        if (quoted.empty()) return;
        out += '"' + quoted + '"';
        quoted.clear();
    };
    for (size_t i = 0; i < cFormat.size(); ++i) {
        char c = cFormat[i];
        if (c != '%') {
            if (c == dateSeparator) {
                flushQuoted();
                out += '/';
            } else if (c == timeSeparator) {
                flushQuoted();
                out += ':';
            } else if (NeedsQuoting(c)) {
                if (c == '"') {
                    flushQuoted();
                    out += "'\"'";
                } else {
                    quoted += c;
                }
            } else {
                flushQuoted();
                out += c;
            }
            continue;
        }
        flushQuoted();
        bool noPadding = false;
        size_t j = i + 1;
        while (j < cFormat.size() && std::strchr("-_0^#EO", cFormat[j])) {
            noPadding = noPadding || cFormat[j] == '-';
            ++j;
        }
        if (j >= cFormat.size()) break;
        out += ConversionPattern(cFormat[j], noPadding);
        i = j;
    }
    flushQuoted();
    return out;
}

TFormatSettings TFormatSettings::Invariant() {
    TFormatSettings settings;
    settings.ShortMonthNames = kShortMonths;
    settings.LongMonthNames = kLongMonths;
    settings.ShortDayNames = kShortDays;
    settings.LongDayNames = kLongDays;
    return settings;
}

TFormatSettings TFormatSettings::FromLocale() { return FromLocaleName(""); }

TFormatSettings TFormatSettings::FromLocaleName(const std::string& localeName) {
    TFormatSettings settings = Invariant();
    TLocaleReader locale(localeName);
    if (!locale.Valid() || locale.IsCLike()) return settings;
    ReadNumbers(locale, settings);
    ReadNames(locale, settings);
    ReadDateFormats(locale, settings);
    return settings;
}

TFormatSettings& FormatSettings() {
    static TFormatSettings settings = TFormatSettings::FromLocale();
    return settings;
}

void SetFormatSettings(const TFormatSettings& settings) { FormatSettings() = settings; }

ScopedFormatSettings::ScopedFormatSettings(const TFormatSettings& settings) : saved_(FormatSettings()) {
    SetFormatSettings(settings);
}

ScopedFormatSettings::~ScopedFormatSettings() { SetFormatSettings(saved_); }

// ---------------------------------------------------------------------------------------------
// Decimal digits

namespace {

// |value| = 0.<digits> x 10^exponent; no trailing zeros; empty digits for zero.
struct TDecimal {
    std::string digits;
    int exponent = 0;
    bool IsZero() const { return digits.empty(); }
};

// The significant digits printf gives for |value| with `precision` digits after the first.
TDecimal PrintedDigits(double absValue, int precision) {
    std::vector<char> buffer(precision + 32);
    std::snprintf(buffer.data(), buffer.size(), "%.*e", precision, absValue);
    TDecimal result;
    const char* p = buffer.data();
    for (; *p && *p != 'e'; ++p) {
        if (*p != '.') result.digits += *p;
    }
    result.exponent = (*p == 'e' ? std::atoi(p + 1) : 0) + 1;
    return result;
}

// glibc prints exact digits; 767 significant digits hold any double's whole expansion.
constexpr int kExactPrecision = 780;
constexpr int kQuickPrecision = 40;

bool RestRoundsUp(const std::string& rest) { return !rest.empty() && rest[0] >= '5'; }

// A printed rest of "5000..." may be a rounded-up "4999...": only the exact digits can tell.
bool RestIsAmbiguous(const std::string& rest) {
    return !rest.empty() && rest[0] == '5' && rest.find_first_not_of('0', 1) == std::string::npos;
}

// |value| rounded half away from zero to `count` significant digits (count <= 0 allowed:
// the value then becomes zero or one unit of the next power of ten).
TDecimal RoundSignificant(double absValue, int count) {
    TDecimal result;
    if (absValue == 0 || count < 0) return result;
    TDecimal printed = PrintedDigits(absValue, kQuickPrecision);
    std::string rest = printed.digits.substr(std::min<size_t>(count, printed.digits.size()));
    if (RestIsAmbiguous(rest)) {
        printed = PrintedDigits(absValue, kExactPrecision);
        rest = printed.digits.substr(std::min<size_t>(count, printed.digits.size()));
    }
    result.digits = printed.digits.substr(0, count);
    result.exponent = printed.exponent;
    if (RestRoundsUp(rest)) {
        int i = static_cast<int>(result.digits.size()) - 1;
        while (i >= 0 && result.digits[i] == '9') result.digits[i--] = '0';
        if (i >= 0) {
            ++result.digits[i];
        } else {
            result.digits.insert(result.digits.begin(), '1');
            ++result.exponent;
        }
    }
    size_t last = result.digits.find_last_not_of('0');
    result.digits.erase(last == std::string::npos ? 0 : last + 1);
    return result;
}

// Printed digits of "1000..." may come from a rounded-up "999...": only the exact digits can tell.
int DecimalExponent(double absValue) {
    if (absValue == 0) return 0;
    TDecimal printed = PrintedDigits(absValue, kQuickPrecision);
    if (printed.digits[0] == '1' && printed.digits.find_first_not_of('0', 1) == std::string::npos)
        printed = PrintedDigits(absValue, kExactPrecision);
    return printed.exponent;
}

// The class library keeps 18 significant digits when a mask asks for more decimals.
constexpr int kMaxMaskDigits = 18;

TDecimal RoundDecimals(double absValue, int decimals) {
    if (absValue == 0) return {};
    int count = std::min(DecimalExponent(absValue) + decimals, kMaxMaskDigits);
    return RoundSignificant(absValue, count);
}

// Digits of the whole part of `d` (no leading zeros; "" for values below one).
std::string WholeDigits(const TDecimal& d) {
    if (d.exponent <= 0) return "";
    std::string whole = d.digits.substr(0, std::min<size_t>(d.exponent, d.digits.size()));
    whole.resize(d.exponent, '0');
    return whole;
}

// Digits after the point, exactly `count` of them.
std::string FractionDigits(const TDecimal& d, int count) {
    std::string fraction;
    for (int i = 0; i < count; ++i) {
        int index = d.exponent + i;  // position in digits of the i-th decimal
        fraction += (index >= 0 && index < static_cast<int>(d.digits.size())) ? d.digits[index] : '0';
    }
    return fraction;
}

std::string NonFiniteText(double value) {
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// General float text

namespace {

constexpr int kGeneralPrecision = 15;

std::string GeneralText(const TDecimal& d, char decimalSeparator) {
    if (d.IsZero()) return "0";
    if (d.exponent > kGeneralPrecision || d.exponent < -3) {
        std::string text(1, d.digits[0]);
        if (d.digits.size() > 1) text += decimalSeparator + d.digits.substr(1);
        return text + "E" + std::to_string(d.exponent - 1);
    }
    if (d.exponent <= 0) return "0" + std::string(1, decimalSeparator) + std::string(-d.exponent, '0') + d.digits;
    std::string text = WholeDigits(d);
    if (static_cast<int>(d.digits.size()) > d.exponent) text += decimalSeparator + d.digits.substr(d.exponent);
    return text;
}

}  // namespace

std::string FloatToStr(double value) { return FloatToStr(value, FormatSettings()); }

std::string FloatToStr(double value, const TFormatSettings& settings) {
    if (!std::isfinite(value)) return NonFiniteText(value);
    TDecimal d = RoundSignificant(std::fabs(value), kGeneralPrecision);
    std::string text = GeneralText(d, settings.DecimalSeparator);
    return (value < 0 && !d.IsZero()) ? "-" + text : text;
}

// ---------------------------------------------------------------------------------------------
// Masks

namespace {

// Splits a mask at the ';' outside quotes.
std::vector<std::string> MaskSections(const std::string& mask) {
    std::vector<std::string> sections(1);
    char quote = 0;
    for (char c : mask) {
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            sections.emplace_back();
            continue;
        }
        sections.back() += c;
    }
    return sections;
}

bool IsExponentAt(const std::string& s, size_t i) {
    return (s[i] == 'E' || s[i] == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-');
}

size_t SkipQuoted(const std::string& s, size_t i) {
    size_t end = s.find(s[i], i + 1);
    return end == std::string::npos ? s.size() : end;
}

// What one section asks for: digit places before and after the point, forced zeros, grouping.
struct TMaskLayout {
    int wholePlaces = 0;
    int fractionPlaces = 0;
    int forcedWhole = 0;     // places from the first '0' up to the point
    int forcedFraction = 0;  // places from the point up to the last '0'
    bool thousands = false;
    bool scientific = false;
};

TMaskLayout ScanSection(const std::string& s) {
    TMaskLayout layout;
    bool afterPoint = false;
    int firstZero = -1;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"' || c == '\'') {
            i = SkipQuoted(s, i);
        } else if (c == '0' || c == '#') {
            int& places = afterPoint ? layout.fractionPlaces : layout.wholePlaces;
            ++places;
            if (c == '0' && afterPoint) layout.forcedFraction = places;
            if (c == '0' && !afterPoint && firstZero < 0) firstZero = places - 1;
        } else if (c == '.') {
            afterPoint = true;
        } else if (c == ',') {
            layout.thousands = true;
        } else if (IsExponentAt(s, i)) {
            layout.scientific = true;
            for (i += 2; i < s.size() && (s[i] == '0' || s[i] == '#');) ++i;
            --i;
        }
    }
    if (firstZero >= 0) layout.forcedWhole = layout.wholePlaces - firstZero;
    return layout;
}

// The texts a section's placeholders take their characters from.
struct TMaskParts {
    std::vector<std::string> whole;  // one entry per digit, thousands separators attached
    std::string fraction;            // trailing zeros already cut to the forced ones
    int exponent = 0;
};

std::vector<std::string> WholeTokens(std::string digits, const TMaskLayout& layout, char thousandSeparator) {
    size_t lead = digits.find_first_not_of('0');
    digits.erase(0, lead == std::string::npos ? digits.size() : lead);
    if (static_cast<int>(digits.size()) < layout.forcedWhole) digits.insert(0, layout.forcedWhole - digits.size(), '0');
    std::vector<std::string> tokens;
    for (size_t i = 0; i < digits.size(); ++i) {
        tokens.emplace_back(1, digits[i]);
        size_t after = digits.size() - 1 - i;
        if (layout.thousands && after > 0 && after % 3 == 0) tokens.back() += thousandSeparator;
    }
    return tokens;
}

std::string TrimFraction(std::string fraction, int forced) {
    while (static_cast<int>(fraction.size()) > forced && fraction.back() == '0') fraction.pop_back();
    return fraction;
}

TMaskParts FixedParts(const TDecimal& d, const TMaskLayout& layout, char thousandSeparator) {
    TMaskParts parts;
    parts.whole = WholeTokens(WholeDigits(d), layout, thousandSeparator);
    parts.fraction = TrimFraction(FractionDigits(d, layout.fractionPlaces), layout.forcedFraction);
    return parts;
}

TMaskParts ScientificParts(const TDecimal& d, const TMaskLayout& layout, char thousandSeparator) {
    TDecimal shifted = d;
    shifted.exponent = layout.wholePlaces;
    TMaskParts parts;
    parts.exponent = d.IsZero() ? 0 : d.exponent - layout.wholePlaces;
    parts.whole = WholeTokens(d.IsZero() ? std::string() : WholeDigits(shifted), layout, thousandSeparator);
    parts.fraction = TrimFraction(FractionDigits(shifted, layout.fractionPlaces), layout.forcedFraction);
    return parts;
}

std::string ExponentText(const std::string& s, size_t& i, int exponent) {
    std::string text(1, s[i]);
    bool alwaysSign = s[i + 1] == '+';
    int minDigits = 0;
    for (i += 2; i < s.size() && (s[i] == '0' || s[i] == '#'); ++i) {
        if (s[i] == '0') ++minDigits;
    }
    --i;
    if (exponent < 0) {
        text += '-';
    } else if (alwaysSign) {
        text += '+';
    }
    std::string digits = std::to_string(std::abs(exponent));
    int width = std::clamp(minDigits, 1, 4);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
    return text + digits;
}

// Walks the section, putting digits at the placeholders and copying everything else.
std::string RenderSection(const std::string& s, const TMaskLayout& layout, const TMaskParts& parts,
                          char decimalSeparator) {
    std::string out;
    const int tokenCount = static_cast<int>(parts.whole.size());
    const int surplus = tokenCount - layout.wholePlaces;  // digits beyond the places go to the first one
    int wholeSeen = 0;
    int fractionSeen = 0;
    bool afterPoint = false;
    auto emitWholeTokens = [&](int from, int to) {
        for (int k = std::max(from, 0); k < std::min(to, tokenCount); ++k) out += parts.whole[k];
    };
    auto emitPoint = [&] {
        if (layout.wholePlaces == 0) emitWholeTokens(0, tokenCount);
        if (!parts.fraction.empty()) out += decimalSeparator;
    };
    bool pointDone = false;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"' || c == '\'') {
            size_t end = SkipQuoted(s, i);
            out += s.substr(i + 1, end - i - 1);
            i = end;
        } else if ((c == '0' || c == '#') && !afterPoint) {
            int index = wholeSeen + surplus;
            emitWholeTokens(wholeSeen == 0 ? 0 : index, index + 1);
            ++wholeSeen;
        } else if (c == '0' || c == '#') {
            if (fractionSeen < static_cast<int>(parts.fraction.size())) out += parts.fraction[fractionSeen];
            ++fractionSeen;
        } else if (c == '.') {
            if (!pointDone) emitPoint();
            pointDone = true;
            afterPoint = true;
        } else if (c == ',') {
            // grouping is a property of the whole number, not a character of its own
        } else if (IsExponentAt(s, i)) {
            out += ExponentText(s, i, parts.exponent);
        } else {
            out += c;
        }
    }
    return out;  // a section without placeholders shows only its text
}

struct TSectionResult {
    std::string text;
    bool zero = false;
};

TSectionResult FormatSection(const std::string& section, double absValue, const TFormatSettings& settings) {
    TMaskLayout layout = ScanSection(section);
    const int places = std::clamp(layout.wholePlaces + layout.fractionPlaces, 1, kMaxMaskDigits);
    TDecimal d = layout.scientific ? RoundSignificant(absValue, places) : RoundDecimals(absValue, layout.fractionPlaces);
    if (!layout.scientific && d.exponent > kMaxMaskDigits) return {FloatToStr(absValue, settings), false};
    TMaskParts parts = layout.scientific ? ScientificParts(d, layout, settings.ThousandSeparator)
                                         : FixedParts(d, layout, settings.ThousandSeparator);
    return {RenderSection(section, layout, parts, settings.DecimalSeparator), d.IsZero()};
}

}  // namespace

std::string FormatFloat(const std::string& mask, double value) { return FormatFloat(mask, value, FormatSettings()); }

std::string FormatFloat(const std::string& mask, double value, const TFormatSettings& settings) {
    if (mask.empty() || !std::isfinite(value)) return FloatToStr(value, settings);
    std::vector<std::string> sections = MaskSections(mask);
    auto section = [&](size_t i) { return i < sections.size() ? sections[i] : std::string(); };
    const bool negative = value < 0;
    const bool ownNegative = negative && !section(1).empty();
    TSectionResult result = FormatSection(ownNegative ? section(1) : section(0), std::fabs(value), settings);
    if (result.zero && !section(2).empty()) return FormatSection(section(2), 0, settings).text;
    // a value shown as zero carries no sign
    if (negative && !ownNegative && !result.zero) return "-" + result.text;
    return result.text;
}

// ---------------------------------------------------------------------------------------------
// Text to number

namespace {

bool EqualsNoCase(const std::string& a, const char* b) {
    return a.size() == std::strlen(b) &&
           std::equal(a.begin(), a.end(), b, [](char x, char y) { return std::toupper(static_cast<unsigned char>(x)) == y; });
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Rewrites the text in the C library's form ("-12.5e3"); false when it is no number.
bool CanonicalNumber(const std::string& text, char decimalSeparator, std::string& canonical) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) canonical += text[i++];
    int mantissaDigits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++mantissaDigits) canonical += text[i];
    if (i < text.size() && text[i] == decimalSeparator) {
        canonical += '.';
        for (++i; i < text.size() && IsDigit(text[i]); ++i, ++mantissaDigits) canonical += text[i];
    }
    if (mantissaDigits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        canonical += 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) canonical += text[i++];
        int exponentDigits = 0;
        for (; i < text.size() && IsDigit(text[i]); ++i, ++exponentDigits) canonical += text[i];
        if (exponentDigits == 0) return false;
    }
    return i == text.size();
}

locale_t CLocale() {
    static locale_t locale = newlocale(LC_ALL_MASK, "C", nullptr);
    return locale;
}

}  // namespace

bool TryStrToFloat(const std::string& text, double& value) { return TryStrToFloat(text, value, FormatSettings()); }

bool TryStrToFloat(const std::string& text, double& value, const TFormatSettings& settings) {
    std::string trimmed = Trimmed(text);
    // the texts FloatToStr gives for values that are no finite number read back
    if (EqualsNoCase(trimmed, "NAN")) return value = std::nan(""), true;
    if (EqualsNoCase(trimmed, "INF") || EqualsNoCase(trimmed, "+INF")) return value = HUGE_VAL, true;
    if (EqualsNoCase(trimmed, "-INF")) return value = -HUGE_VAL, true;
    std::string canonical;
    if (!CanonicalNumber(trimmed, settings.DecimalSeparator, canonical)) return false;
    errno = 0;
    double result = strtod_l(canonical.c_str(), nullptr, CLocale());
    if (errno == ERANGE && std::isinf(result)) return false;  // too large; a too small value becomes 0
    value = result;
    return true;
}

double StrToFloat(const std::string& text) { return StrToFloat(text, FormatSettings()); }

double StrToFloat(const std::string& text, const TFormatSettings& settings) {
    return ReadOrRaise<double>(text, "floating point value", [&](double& v) { return TryStrToFloat(text, v, settings); });
}

bool TryStrToInt(const std::string& text, int& value) {
    std::string trimmed = Trimmed(text);
    size_t i = 0;
    bool negative = false;
    if (i < trimmed.size() && (trimmed[i] == '+' || trimmed[i] == '-')) negative = trimmed[i++] == '-';
    if (i == trimmed.size()) return false;
    long long magnitude = 0;
    for (; i < trimmed.size(); ++i) {
        if (!IsDigit(trimmed[i])) return false;
        magnitude = magnitude * 10 + (trimmed[i] - '0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1) return false;
    }
    long long result = negative ? -magnitude : magnitude;
    if (result > INT_MAX) return false;
    value = static_cast<int>(result);
    return true;
}

int StrToInt(const std::string& text) {
    return ReadOrRaise<int>(text, "integer value", [&](int& v) { return TryStrToInt(text, v); });
}

int StrToIntDef(const std::string& text, int defaultValue) {
    int value = 0;
    return TryStrToInt(text, value) ? value : defaultValue;
}

std::string IntToStr(long long value) { return std::to_string(value); }

long long Rnd(double value) {
    // pixels from a value that is no number or far out of range: the nearest representable end
    if (std::isnan(value)) return 0;
    if (value >= 9.2233720368547758e18) return LLONG_MAX;
    if (value <= -9.2233720368547758e18) return LLONG_MIN;
    return static_cast<long long>(std::nearbyint(value));
}
