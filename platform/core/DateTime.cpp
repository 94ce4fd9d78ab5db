#include "platform/core/DateTime.h"

#include "platform/core/SysUtils.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <ctime>

namespace {

constexpr long long kMSecsPerDay = 86400000;
constexpr long long kUnixEpochSerial = 25569;  // 1970-01-01
constexpr long long kFirstSerial = -693593;    // 0001-01-01
constexpr long long kLastSerial = 2958465;     // 9999-12-31

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
long long DaysFromCivil(long long y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

// A date-time as whole days and milliseconds of the day, rounded to the millisecond.
struct TStamp {
    long long days = 0;
    long long msec = 0;
};

TStamp ToStamp(TDateTime value) {
    if (!(value > kFirstSerial - 1 && value < kLastSerial + 1))
        throw EConvertError("'" + FloatToStr(value) + "' is not a valid date and time value");
    const long long total = static_cast<long long>(std::nearbyint(value * kMSecsPerDay));
    TStamp stamp{total / kMSecsPerDay, std::llabs(total) % kMSecsPerDay};
    if (stamp.days < kFirstSerial || stamp.days > kLastSerial)
        throw EConvertError("'" + FloatToStr(value) + "' is not a valid date and time value");
    return stamp;
}

// Date part and time part joined the way negative values count.
TDateTime Combine(TDateTime date, TDateTime time) { return date < 0 ? date - time : date + time; }

struct TDecoded {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0, dayOfWeek = 0;
};

TDecoded Decode(TDateTime value) {
    const TStamp stamp = ToStamp(value);
    TDecoded d;
    CivilFromDays(stamp.days - kUnixEpochSerial, d.year, d.month, d.day);
    d.hour = static_cast<int>(stamp.msec / 3600000);
    d.minute = static_cast<int>(stamp.msec / 60000 % 60);
    d.second = static_cast<int>(stamp.msec / 1000 % 60);
    d.msec = static_cast<int>(stamp.msec % 1000);
    d.dayOfWeek = static_cast<int>((stamp.days - kFirstSerial + 1) % 7) + 1;  // 0001-01-01 was a Monday
    return d;
}

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) throw EConvertError("Invalid month " + std::to_string(month));
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
    result = static_cast<TDateTime>(DaysFromCivil(year, month, day) + kUnixEpochSerial);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime result = 0;
    if (!TryEncodeDate(year, month, day, result)) throw EConvertError("Invalid argument to date encode");
    return result;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999)
        return false;
    const long long total = ((hour * 60LL + minute) * 60 + second) * 1000 + msec;
    result = static_cast<TDateTime>(total) / kMSecsPerDay;
    return true;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
    TDateTime result = 0;
    if (!TryEncodeTime(hour, minute, second, msec, result)) throw EConvertError("Invalid argument to time encode");
    return result;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec) {
    return Combine(EncodeDate(year, month, day), EncodeTime(hour, minute, second, msec));
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
    const TDecoded d = Decode(value);
    year = d.year;
    month = d.month;
    day = d.day;
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) {
    const TDecoded d = Decode(value);
    hour = d.hour;
    minute = d.minute;
    second = d.second;
    msec = d.msec;
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute, int& second,
                    int& msec) {
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, msec);
}

int DayOfWeek(TDateTime value) { return Decode(value).dayOfWeek; }

TDateTime IncMonth(TDateTime value, int months) {
    const TDecoded d = Decode(value);
    const long long index = d.year * 12LL + (d.month - 1) + months;
    if (index < 12 || index >= 10000 * 12LL) throw EConvertError("Invalid argument to date encode");
    const int year = static_cast<int>(index / 12);
    const int month = static_cast<int>(index % 12) + 1;
    const int day = std::min(d.day, DaysInMonth(year, month));
    return EncodeDateTime(year, month, day, d.hour, d.minute, d.second, d.msec);
}

TDateTime Now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                          std::min(local.tm_sec, 59), static_cast<int>(now.tv_nsec / 1000000));
}

TDateTime Date() { return DateOf(Now()); }

TDateTime Time() { return TimeOf(Now()); }

TDateTime DateOf(TDateTime value) { return static_cast<TDateTime>(ToStamp(value).days); }

TDateTime TimeOf(TDateTime value) { return static_cast<TDateTime>(ToStamp(value).msec) / kMSecsPerDay; }

// ---------------------------------------------------------------------------------------------
// Date-time text

namespace {

std::string Padded(int number, int width) {
    std::string text = std::to_string(number);
    if (static_cast<int>(text.size()) < width) text.insert(0, width - text.size(), '0');
    return text;
}

bool StartsWithNoCase(const std::string& text, size_t pos, const std::string& word) {
    if (word.empty() || pos + word.size() > text.size()) return false;
    for (size_t k = 0; k < word.size(); ++k) {
        if (std::toupper(static_cast<unsigned char>(text[pos + k])) != std::toupper(static_cast<unsigned char>(word[k])))
            return false;
    }
    return true;
}

// Nested formats (c, ddddd, t ...) may name each other; two levels are enough for any real one.
constexpr int kMaxNesting = 2;

class TDateTimeWriter {
public:
    TDateTimeWriter(TDateTime value, const TFormatSettings& settings) : d_(Decode(value)), settings_(settings) {}

    void Append(const std::string& format, int depth);
    std::string text;

private:
    void AppendNested(const std::string& format, int depth) {
        if (depth < kMaxNesting) Append(format, depth + 1);
    }
    void AppendYear(int count) { text += count <= 2 ? Padded(d_.year % 100, 2) : Padded(d_.year, 4); }
    void AppendMonth(int count);
    void AppendDay(int count, int depth);
    void AppendHour(const std::string& format, size_t next, int count);
    size_t AppendAmPm(const std::string& format, size_t i);

    TDecoded d_;
    const TFormatSettings& settings_;
};

void TDateTimeWriter::AppendMonth(int count) {
    if (count <= 2) {
        text += Padded(d_.month, count);
    } else {
        text += (count == 3 ? settings_.ShortMonthNames : settings_.LongMonthNames)[d_.month - 1];
    }
}

void TDateTimeWriter::AppendDay(int count, int depth) {
    if (count <= 2) {
        text += Padded(d_.day, count);
    } else if (count <= 4) {
        text += (count == 3 ? settings_.ShortDayNames : settings_.LongDayNames)[d_.dayOfWeek - 1];
    } else {
        AppendNested(count == 5 ? settings_.ShortDateFormat : settings_.LongDateFormat, depth);
    }
}

// The clock is a 12-hour one when an am/pm field follows before the next hour field.
bool UsesTwelveHours(const std::string& format, size_t from) {
    char quote = 0;
    for (size_t i = from; i < format.size(); ++i) {
        char c = format[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == 'a' || c == 'A') {
            return StartsWithNoCase(format, i, "AM/PM") || StartsWithNoCase(format, i, "A/P") ||
                   StartsWithNoCase(format, i, "AMPM");
        } else if (c == 'h' || c == 'H') {
            return false;
        }
    }
    return false;
}

void TDateTimeWriter::AppendHour(const std::string& format, size_t next, int count) {
    int hour = d_.hour;
    if (UsesTwelveHours(format, next)) hour = hour % 12 == 0 ? 12 : hour % 12;
    text += Padded(hour, std::min(count, 2));
}

// Writes an am/pm field at i (the field's own letters, or the settings' texts for "ampm");
// answers the index after it, or i when there is no such field.
size_t TDateTimeWriter::AppendAmPm(const std::string& format, size_t i) {
    const bool pm = d_.hour >= 12;
    if (StartsWithNoCase(format, i, "AM/PM")) {
        text += format.substr(pm ? i + 3 : i, 2);
        return i + 5;
    }
    if (StartsWithNoCase(format, i, "A/P")) {
        text += format[pm ? i + 2 : i];
        return i + 3;
    }
    if (StartsWithNoCase(format, i, "AMPM")) {
        text += pm ? settings_.TimePMString : settings_.TimeAMString;
        return i + 4;
    }
    return i;
}

void TDateTimeWriter::Append(const std::string& format, int depth) {
    char lastToken = 0;
    size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        size_t count = 1;
        while (i + count < format.size() && format[i + count] == c) ++count;
        char token = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (std::isalpha(static_cast<unsigned char>(c))) {
            if (token == 'M' && lastToken == 'H') token = 'N';
            lastToken = token;
        }
        const int n = static_cast<int>(count);
        switch (token) {
            case 'Y': AppendYear(n); break;
            case 'M': AppendMonth(n); break;
            case 'D': AppendDay(n, depth); break;
            case 'H': AppendHour(format, i + count, n); break;
            case 'N': text += Padded(d_.minute, n == 1 ? 1 : 2); break;
            case 'S': text += Padded(d_.second, n == 1 ? 1 : 2); break;
            case 'Z': text += Padded(d_.msec, n < 3 ? 1 : 3); break;
            case 'T': AppendNested(n == 1 ? settings_.ShortTimeFormat : settings_.LongTimeFormat, depth); break;
            case 'C':
                AppendNested(settings_.ShortDateFormat, depth);
                if (d_.hour != 0 || d_.minute != 0 || d_.second != 0) {
                    text += ' ';
                    AppendNested(settings_.LongTimeFormat, depth);
                }
                break;
            case 'A': {
                const size_t after = AppendAmPm(format, i);
                if (after != i) {
                    i = after;
                    continue;
                }
                text += c;
                count = 1;
                break;
            }
            case '/':
            case ':':
                for (size_t k = 0; k < count; ++k) text += c == '/' ? settings_.DateSeparator : settings_.TimeSeparator;
                break;
            case '"':
            case '\'': {
                const size_t end = format.find(c, i + 1);
                const size_t stop = end == std::string::npos ? format.size() : end;
                text += format.substr(i + 1, stop - i - 1);
                i = stop + 1;
                continue;
            }
            default: text.append(count, c); break;
        }
        i += count;
    }
}

}  // namespace

std::string FormatDateTime(const std::string& format, TDateTime value) {
    return FormatDateTime(format, value, FormatSettings());
}

std::string FormatDateTime(const std::string& format, TDateTime value, const TFormatSettings& settings) {
    TDateTimeWriter writer(value, settings);
    writer.Append(format.empty() ? "c" : format, 0);
    return writer.text;
}

std::string DateToStr(TDateTime value) { return DateToStr(value, FormatSettings()); }
std::string DateToStr(TDateTime value, const TFormatSettings& settings) {
    return FormatDateTime(settings.ShortDateFormat, value, settings);
}

std::string TimeToStr(TDateTime value) { return TimeToStr(value, FormatSettings()); }
std::string TimeToStr(TDateTime value, const TFormatSettings& settings) {
    return FormatDateTime(settings.LongTimeFormat, value, settings);
}

std::string DateTimeToStr(TDateTime value) { return DateTimeToStr(value, FormatSettings()); }
std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings) {
    return FormatDateTime("c", value, settings);
}

// ---------------------------------------------------------------------------------------------
// Text to date-time

namespace {

class TDateScanner {
public:
    TDateScanner(const std::string& text, const TFormatSettings& settings) : text_(text), settings_(settings) {}

    bool ScanDate(TDateTime& date);
    bool ScanTime(TDateTime& time);
    bool AtEnd() {
        SkipBlanks();
        return pos_ == text_.size();
    }
    void Restart() { pos_ = 0; }

private:
    void SkipBlanks() {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    }
    bool ScanNumber(int& value, int& digits);
    bool ScanChar(char c);
    int ScanAmPm();  // 0 none, 1 am, 2 pm

    const std::string& text_;
    const TFormatSettings& settings_;
    size_t pos_ = 0;
};

bool TDateScanner::ScanNumber(int& value, int& digits) {
    SkipBlanks();
    value = 0;
    digits = 0;
    while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
        if (++digits > 9) return false;
        value = value * 10 + (text_[pos_++] - '0');
    }
    return digits > 0;
}

bool TDateScanner::ScanChar(char c) {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
        ++pos_;
        return true;
    }
    return false;
}

int TDateScanner::ScanAmPm() {
    SkipBlanks();
    const std::string words[4] = {settings_.TimeAMString, settings_.TimePMString, "AM", "PM"};
    for (int k = 0; k < 4; ++k) {
        if (StartsWithNoCase(text_, pos_, words[k])) {
            pos_ += words[k].size();
            return k % 2 + 1;
        }
    }
    return 0;
}

enum class TDateOrder { MDY, DMY, YMD };

TDateOrder DateOrder(const std::string& shortDateFormat) {
    char quote = 0;
    for (char c : shortDateFormat) {
        if (quote) {
            if (c == quote) quote = 0;
            continue;
        }
        if (c == '"' || c == '\'') quote = c;
        switch (std::toupper(static_cast<unsigned char>(c))) {
            case 'D': return TDateOrder::DMY;
            case 'M': return TDateOrder::MDY;
            case 'Y': return TDateOrder::YMD;
            default: break;
        }
    }
    return TDateOrder::MDY;
}

int CurrentYear() {
    int year = 0, month = 0, day = 0;
    DecodeDate(Now(), year, month, day);
    return year;
}

// A two-digit year lies within 50 years before or after this year.
int ExpandYear(int year) {
    const int threshold = CurrentYear() - 50;
    year += threshold / 100 * 100;
    return year < threshold ? year + 100 : year;
}

bool TDateScanner::ScanDate(TDateTime& date) {
    int n[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    if (!ScanNumber(n[0], digits[0]) || !ScanChar(settings_.DateSeparator) || !ScanNumber(n[1], digits[1])) return false;
    const bool hasYear = ScanChar(settings_.DateSeparator);
    if (hasYear && !ScanNumber(n[2], digits[2])) return false;
    int year = 0, month = 0, day = 0, yearDigits = 4;
    switch (DateOrder(settings_.ShortDateFormat)) {
        case TDateOrder::MDY: month = n[0], day = n[1], year = n[2], yearDigits = digits[2]; break;
        case TDateOrder::DMY: day = n[0], month = n[1], year = n[2], yearDigits = digits[2]; break;
        case TDateOrder::YMD:
            if (hasYear) {
                year = n[0], yearDigits = digits[0], month = n[1], day = n[2];
            } else {
                month = n[0], day = n[1];
            }
            break;
    }
    if (!hasYear) {
        year = CurrentYear();
    } else if (yearDigits <= 2) {
        year = ExpandYear(year);
    }
    return TryEncodeDate(year, month, day, date);
}

bool TDateScanner::ScanTime(TDateTime& time) {
    int hour = 0, minute = 0, second = 0, msec = 0, digits = 0;
    if (!ScanNumber(hour, digits)) return false;
    bool hasMinutes = ScanChar(settings_.TimeSeparator);
    if (hasMinutes && !ScanNumber(minute, digits)) return false;
    if (hasMinutes && ScanChar(settings_.TimeSeparator)) {
        if (!ScanNumber(second, digits)) return false;
        if (ScanChar(settings_.DecimalSeparator)) {
            if (!ScanNumber(msec, digits) || digits > 3) return false;
            for (; digits < 3; ++digits) msec *= 10;
        }
    }
    const int amPm = ScanAmPm();
    if (!hasMinutes && amPm == 0) return false;
    if (amPm != 0) {
        if (hour < 1 || hour > 12) return false;
        hour = hour % 12 + (amPm == 2 ? 12 : 0);
    }
    return TryEncodeTime(hour, minute, second, msec, time);
}

}  // namespace

bool TryStrToDate(const std::string& text, TDateTime& value) { return TryStrToDate(text, value, FormatSettings()); }

bool TryStrToDate(const std::string& text, TDateTime& value, const TFormatSettings& settings) {
    TDateScanner scanner(text, settings);
    TDateTime date = 0;
    if (!scanner.ScanDate(date) || !scanner.AtEnd()) return false;
    value = date;
    return true;
}

TDateTime StrToDate(const std::string& text) { return StrToDate(text, FormatSettings()); }

TDateTime StrToDate(const std::string& text, const TFormatSettings& settings) {
    return ReadOrRaise<TDateTime>(text, "date", [&](TDateTime& v) { return TryStrToDate(text, v, settings); });
}

bool TryStrToDateTime(const std::string& text, TDateTime& value) {
    return TryStrToDateTime(text, value, FormatSettings());
}

bool TryStrToDateTime(const std::string& text, TDateTime& value, const TFormatSettings& settings) {
    TDateScanner scanner(text, settings);
    TDateTime date = 0;
    TDateTime time = 0;
    if (scanner.ScanDate(date)) {
        if (scanner.AtEnd()) return value = date, true;
        if (scanner.ScanTime(time) && scanner.AtEnd()) return value = Combine(date, time), true;
        return false;
    }
    scanner.Restart();
    if (scanner.ScanTime(time) && scanner.AtEnd()) return value = time, true;
    return false;
}

std::string DateInputHint() { return DateInputHint(FormatSettings()); }

std::string DateInputHint(const TFormatSettings& settings) {
    const std::string separator(1, settings.DateSeparator);
    const char* const parts[3][3] = {{"month", "day", "year"}, {"day", "month", "year"}, {"year", "month", "day"}};
    const auto& order = parts[static_cast<int>(DateOrder(settings.ShortDateFormat))];
    return std::string(order[0]) + separator + order[1] + separator + order[2] + ", for example " +
           DateToStr(EncodeDate(2024, 12, 31), settings);
}

TDateTime StrToDateTime(const std::string& text) { return StrToDateTime(text, FormatSettings()); }

TDateTime StrToDateTime(const std::string& text, const TFormatSettings& settings) {
    return ReadOrRaise<TDateTime>(text, "date and time", [&](TDateTime& v) { return TryStrToDateTime(text, v, settings); });
}
