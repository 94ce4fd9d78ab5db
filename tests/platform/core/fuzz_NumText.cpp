// Number masks and date patterns come from chart files, number and date texts from the user:
// feeds arbitrary masks, patterns, values and texts to the formatters and readers.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/core/DateTime.h"
#include "platform/core/NumText.h"
#include "platform/core/SysUtils.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

double ValueFrom(const uint8_t* data, size_t size) {
    double value = 0;
    std::memcpy(&value, data, std::min(size, sizeof value));
    return value;
}

void FuzzMask(const std::string& mask, double value, const TFormatSettings& settings) {
    std::string text = FormatFloat(mask, value, settings);
    Check(text.size() < mask.size() * 40 + 64);
}

void FuzzPattern(const std::string& pattern, double value, const TFormatSettings& settings) {
    try {
        FormatDateTime(pattern, value, settings);
    } catch (const EConvertError&) {
        // a value outside the calendar
    }
}

void FuzzTexts(const std::string& text, const TFormatSettings& settings) {
    double number = 0;
    if (TryStrToFloat(text, number, settings) && std::isfinite(number)) {
        std::string written = FloatToStr(number, settings);
        Check(FloatToStr(StrToFloat(written, settings), settings) == written);
    }
    int integer = 0;
    if (TryStrToInt(text, integer)) Check(StrToInt(IntToStr(integer)) == integer);
    TDateTime date = 0;
    if (TryStrToDateTime(text, date, settings)) Check(!DateTimeToStr(date, settings).empty());
    TryStrToDate(text, date, settings);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 9) return 0;
    TFormatSettings settings = TFormatSettings::Invariant();
    if (data[0] & 1) {
        settings.DecimalSeparator = ',';
        settings.ThousandSeparator = '.';
        settings.DateSeparator = '.';
        settings.ShortDateFormat = "dd/mm/yyyy";
    }
    const double value = ValueFrom(data + 1, 8);
    const std::string text(reinterpret_cast<const char*>(data + 9), size - 9);
    FuzzMask(text, value, settings);
    FuzzPattern(text, value, settings);
    FuzzPattern(text, std::fmod(std::fabs(value), 2958465.0), settings);
    FuzzTexts(text, settings);
    return 0;
}
