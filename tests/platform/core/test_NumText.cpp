#include "platform/core/NumText.h"

#include "platform/core/SysUtils.h"
#include "ConvertErrorCheck.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cmath>
#include <limits>

// glibc keeps a few bytes of its locale search path when LOCPATH is set; not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:__argz_add_sep\n"; }

namespace {

TFormatSettings CommaSettings() {
    TFormatSettings settings = TFormatSettings::Invariant();
    settings.DecimalSeparator = ',';
    settings.ThousandSeparator = '.';
    return settings;
}

struct FloatCase {
    double value;
    const char* text;
};

class FloatToStrTest : public testing::TestWithParam<FloatCase> {};

TEST_P(FloatToStrTest, GeneralTextWithFifteenDigits) {
    ScopedFormatSettings invariant(TFormatSettings::Invariant());
    EXPECT_EQ(FloatToStr(GetParam().value), GetParam().text) << GetParam().value;
}

const double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Cases, FloatToStrTest,
    testing::Values(FloatCase{1.5, "1.5"}, FloatCase{0.1, "0.1"}, FloatCase{100, "100"}, FloatCase{0, "0"},
                    FloatCase{-0.0, "0"}, FloatCase{0.1 + 0.2, "0.3"}, FloatCase{1.0 / 3, "0.333333333333333"},
                    FloatCase{2.0 / 3, "0.666666666666667"}, FloatCase{-2.25, "-2.25"},
                    FloatCase{999999999999999, "999999999999999"}, FloatCase{1e15, "1E15"}, FloatCase{1e16, "1E16"},
                    // rounding to 15 digits can carry into one more digit before the point
                    FloatCase{999999999999999.9, "1E15"}, FloatCase{123456789012345678.0, "1.23456789012346E17"},
                    FloatCase{1.23456789012346e20, "1.23456789012346E20"}, FloatCase{-4e100, "-4E100"},
                    FloatCase{0.0001, "0.0001"}, FloatCase{0.00012345, "0.00012345"}, FloatCase{1e-5, "1E-5"},
                    FloatCase{1.5e-7, "1.5E-7"}, FloatCase{-1.5e-300, "-1.5E-300"}, FloatCase{5e-324, "4.94065645841247E-324"},
                    FloatCase{2147483648.0, "2147483648"}, FloatCase{12345.678, "12345.678"},
                    FloatCase{std::nan(""), "NAN"}, FloatCase{kInf, "INF"}, FloatCase{-kInf, "-INF"}));

TEST(FloatToStr, UsesTheDecimalSeparatorOfTheSettings) {
    ScopedFormatSettings comma(CommaSettings());
    EXPECT_EQ(FloatToStr(1.5), "1,5");
    EXPECT_EQ(FloatToStr(-1.25e-7), "-1,25E-7");
    EXPECT_EQ(FloatToStr(1234567.5), "1234567,5");  // general text has no grouping
    EXPECT_EQ(FloatToStr(1.5, TFormatSettings::Invariant()), "1.5");
}

struct MaskCase {
    const char* mask;
    double value;
    const char* text;
};

class FormatFloatTest : public testing::TestWithParam<MaskCase> {};

TEST_P(FormatFloatTest, Mask) {
    const MaskCase& c = GetParam();
    EXPECT_EQ(FormatFloat(c.mask, c.value, TFormatSettings::Invariant()), c.text) << c.mask << " " << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Grouping, FormatFloatTest,
    testing::Values(MaskCase{"#,##0.###", 1234567.891, "1,234,567.891"}, MaskCase{"#,##0.###", 0, "0"},
                    MaskCase{"#,##0.###", 12.5, "12.5"}, MaskCase{"#,##0.###", -1234.0004, "-1,234"},
                    MaskCase{"#,##0.00", 999.999, "1,000.00"}, MaskCase{"#,###", 0, ""},
                    MaskCase{"#,###", 123456789, "123,456,789"}, MaskCase{"0000", 12, "0012"},
                    MaskCase{"00-00", 12345, "123-45"}, MaskCase{"#", 0, ""}, MaskCase{"#", 7.5, "8"},
                    MaskCase{"#.##", 0.5, ".5"}, MaskCase{"0.#", 3, "3"}, MaskCase{"0.0", 3, "3.0"},
                    MaskCase{"#.00", 0.256, ".26"}, MaskCase{"0.00#", 1.5, "1.50"}, MaskCase{"0.####", 1.00005, "1.0001"}));

INSTANTIATE_TEST_SUITE_P(
    Rounding, FormatFloatTest,
    testing::Values(MaskCase{"0", 0.5, "1"}, MaskCase{"0", 1.5, "2"}, MaskCase{"0", 2.5, "3"},
                    MaskCase{"0", -2.5, "-3"}, MaskCase{"0.00", 0.125, "0.13"}, MaskCase{"0.00", 0.375, "0.38"},
                    // 1.005 is stored a little below itself, so it rounds down
                    MaskCase{"0.00", 1.005, "1.00"}, MaskCase{"0.0", 0.95, "0.9"}, MaskCase{"0.0", 0.96, "1.0"},
                    MaskCase{"0.0", -0.01, "0.0"}, MaskCase{"0.000000000000000000000", 0.1, "0.100000000000000006000"},
                    MaskCase{"0.0", 1e20, "1E20"}));

INSTANTIATE_TEST_SUITE_P(
    PercentAndLiterals, FormatFloatTest,
    testing::Values(MaskCase{"0.00 %", 12.345, "12.35 %"}, MaskCase{"##0.## %", 45.678, "45.68 %"},
                    MaskCase{"##0.## %", 100, "100 %"}, MaskCase{"0.0%", 0.04, "0.0%"},
                    MaskCase{"\"$\"0.00", -3.5, "-$3.50"}, MaskCase{"'#'0", 5, "#5"}, MaskCase{"0 \"a;b\"", 2, "2 a;b"},
                    MaskCase{"Total: 0", 42, "Total: 42"}));

INSTANTIATE_TEST_SUITE_P(
    Sections, FormatFloatTest,
    testing::Values(MaskCase{"0;(0);zero", 5, "5"}, MaskCase{"0;(0);zero", -5, "(5)"},
                    MaskCase{"0;(0);zero", 0, "zero"}, MaskCase{"0;(0);zero", 0.2, "zero"},
                    MaskCase{"#,##0.00;(#,##0.00)", -1234.5, "(1,234.50)"}, MaskCase{"#,##0.00;(#,##0.00)", 0, "0.00"},
                    MaskCase{"0.0;;\"nil\"", -2, "-2.0"}, MaskCase{"0.0;;\"nil\"", 0, "nil"}, MaskCase{"", 2.5, "2.5"},
                    MaskCase{"", -1e20, "-1E20"}));

INSTANTIATE_TEST_SUITE_P(
    Exponent, FormatFloatTest,
    testing::Values(MaskCase{"#.0 \"x10\" E+0", 12345, "1.2 x10 E+4"}, MaskCase{"#.0 \"x10\" E+0", 0.00012, "1.2 x10 E-4"},
                    MaskCase{"#.0 \"x10\" E+0", 0, ".0 x10 E+0"}, MaskCase{"00e-0", 12345, "12e3"},
                    MaskCase{"00e-0", 0.5, "50e-2"}, MaskCase{"00e-0", -12345, "-12e3"},
                    MaskCase{"0.###E+00", 0.000123456, "1.235E-04"}, MaskCase{"0.00E-000", 6.02e23, "6.02E023"},
                    MaskCase{"0.0e+0", 9.96, "1.0e+1"}, MaskCase{"#.# x10E-#", 0.25, "2.5 x10E-1"}));

TEST(FormatFloat, CommaLocaleSeparators) {
    ScopedFormatSettings comma(CommaSettings());
    EXPECT_EQ(FormatFloat("#,##0.###", 1234567.891), "1.234.567,891");
    EXPECT_EQ(FormatFloat("0.00 %", 12.5), "12,50 %");
    EXPECT_EQ(FormatFloat("#.0 \"x10\" E+0", 12345), "1,2 x10 E+4");
}

TEST(FormatFloat, NonFiniteValues) {
    EXPECT_EQ(FormatFloat("0.00", std::nan(""), TFormatSettings::Invariant()), "NAN");
    EXPECT_EQ(FormatFloat("0.00", -kInf, TFormatSettings::Invariant()), "-INF");
}

struct ParseCase {
    const char* text;
    double value;
};

class StrToFloatTest : public testing::TestWithParam<ParseCase> {};

TEST_P(StrToFloatTest, Reads) {
    ScopedFormatSettings invariant(TFormatSettings::Invariant());
    EXPECT_DOUBLE_EQ(StrToFloat(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Cases, StrToFloatTest,
                         testing::Values(ParseCase{"1.5", 1.5}, ParseCase{"  -2.25\t", -2.25}, ParseCase{"+7", 7},
                                         ParseCase{".5", 0.5}, ParseCase{"3.", 3}, ParseCase{"1E15", 1e15},
                                         ParseCase{"1.5e-7", 1.5e-7}, ParseCase{"2E+3", 2000},
                                         ParseCase{"0.333333333333333", 0.333333333333333},
                                         ParseCase{"1e-400", 0}));

TEST(StrToFloat, BadTextRaisesConvertError) {
    ScopedFormatSettings invariant(TFormatSettings::Invariant());
    for (const char* text : {"", "  ", "abc", "1.5x", "1,5", "1.2.3", "--1", "e5", "1e", "1e+", ".", "1 000", "1e999", "0x10"}) {
        double value = 42;
        EXPECT_FALSE(TryStrToFloat(text, value)) << text;
        EXPECT_EQ(value, 42) << text;
        ExpectConvertError([&] { StrToFloat(text); }, "'" + std::string(text) + "' is not a valid floating point value");
    }
}

TEST(StrToFloat, CommaLocaleReadsCommaOnly) {
    ScopedFormatSettings comma(CommaSettings());
    EXPECT_DOUBLE_EQ(StrToFloat("1,5"), 1.5);
    EXPECT_DOUBLE_EQ(StrToFloat("-1,25E-7"), -1.25e-7);
    EXPECT_THROW(StrToFloat("1.5"), EConvertError);
    EXPECT_DOUBLE_EQ(StrToFloat("1.5", TFormatSettings::Invariant()), 1.5);
}

TEST(StrToFloat, ReadsBackWhatFloatToStrWrites) {
    ScopedFormatSettings comma(CommaSettings());
    for (double value : {0.1, -123.456, 1e300, 4.94065645841247E-324, 1.0 / 7, 1e15, 1.5e-7}) {
        EXPECT_EQ(FloatToStr(StrToFloat(FloatToStr(value))), FloatToStr(value));
    }
    EXPECT_TRUE(std::isnan(StrToFloat("NAN")));
    EXPECT_EQ(StrToFloat("-INF"), -kInf);
    EXPECT_EQ(StrToFloat("inf"), kInf);
}

TEST(StrToInt, ReadsAndRejects) {
    EXPECT_EQ(StrToInt(" 42 "), 42);
    EXPECT_EQ(StrToInt("-17"), -17);
    EXPECT_EQ(StrToInt("+5"), 5);
    EXPECT_EQ(StrToInt("2147483647"), INT_MAX);
    EXPECT_EQ(StrToInt("-2147483648"), INT_MIN);
    for (const char* text : {"", "-", "1.5", "12a", "2147483648", "-2147483649", "99999999999999999999", "1 2"}) {
        int value = 9;
        EXPECT_FALSE(TryStrToInt(text, value)) << text;
        EXPECT_EQ(value, 9);
        EXPECT_EQ(StrToIntDef(text, -1), -1) << text;
        ExpectConvertError([&] { StrToInt(text); }, "'" + std::string(text) + "' is not a valid integer value");
    }
    EXPECT_EQ(IntToStr(-9223372036854775807LL - 1), "-9223372036854775808");
}

TEST(Rnd, HalvesGoToEven) {
    const std::pair<double, long long> cases[] = {{0.5, 0},  {1.5, 2},   {2.5, 2},   {3.5, 4},  {-0.5, 0},
                                                  {-1.5, -2}, {-2.5, -2}, {0.49, 0}, {2.51, 3}, {-2.51, -3},
                                                  {1e10 + 0.5, 10000000000LL}};
    for (auto [value, expected] : cases) EXPECT_EQ(Rnd(value), expected) << value;
}

TEST(Rnd, ValuesThatAreNoPixelStayDefined) {
    EXPECT_EQ(Rnd(std::nan("")), 0);
    EXPECT_EQ(Rnd(kInf), LLONG_MAX);
    EXPECT_EQ(Rnd(-1e300), LLONG_MIN);
}

TEST(Div, TruncatesTowardZero) {
    EXPECT_EQ(Div(7, 2), 3);
    EXPECT_EQ(Div(-7, 2), -3);
    EXPECT_EQ(Div(7, -2), -3);
    EXPECT_EQ(Div(-7, -2), 3);
    static_assert(Div(-9, 4) == -2);
}

TEST(Div, ByZeroRaisesInsteadOfStopping) {
    EXPECT_THROW(Div(1, 0), EDivByZero);
    EXPECT_EQ(Div(LLONG_MIN, -1), LLONG_MIN);
}

TEST(FormatSettings, ScopedSettingsAreRestored) {
    const char before = FormatSettings().DecimalSeparator;
    {
        ScopedFormatSettings comma(CommaSettings());
        EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
        {
            ScopedFormatSettings invariant(TFormatSettings::Invariant());
            EXPECT_EQ(FloatToStr(0.5), "0.5");
        }
        EXPECT_EQ(FloatToStr(0.5), "0,5");
    }
    EXPECT_EQ(FormatSettings().DecimalSeparator, before);
}

TEST(FormatSettings, InvariantHasEnglishNames) {
    TFormatSettings settings = TFormatSettings::Invariant();
    EXPECT_EQ(settings.DecimalSeparator, '.');
    EXPECT_EQ(settings.ShortMonthNames[0], "Jan");
    EXPECT_EQ(settings.LongMonthNames[11], "December");
    EXPECT_EQ(settings.ShortDayNames[0], "Sun");
    EXPECT_EQ(settings.LongDayNames[6], "Saturday");
    EXPECT_EQ(settings.FirstWeekDay, 0);
}

TEST(FormatSettings, CAndUnknownLocalesFallBackToInvariant) {
    for (const char* name : {"C", "POSIX", "C.UTF-8", "xx_NOWHERE.UTF-8"}) {
        TFormatSettings settings = TFormatSettings::FromLocaleName(name);
        EXPECT_EQ(settings.DecimalSeparator, '.') << name;
        EXPECT_EQ(settings.ThousandSeparator, ',') << name;
        EXPECT_EQ(settings.ShortDateFormat, TFormatSettings::Invariant().ShortDateFormat) << name;
        EXPECT_EQ(settings.LongMonthNames[0], "January") << name;
    }
}

// Real locales compiled from the C library's sources into a temporary folder (LOCPATH), so the
// test does not depend on which locales the machine has generated.
class RealLocaleTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (std::system("command -v localedef >/dev/null 2>&1") != 0) return;
        folder_ = new qbtest::TempDir;
        for (const char* name : {"de_DE", "en_US"}) {
            std::string command = std::string("localedef -i ") + name + " -f UTF-8 '" + folder_->file(std::string(name) + ".UTF-8") + "' >/dev/null 2>&1";
            if (std::system(command.c_str()) != 0) return;
        }
        ready_ = true;
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    void SetUp() override {
        if (!ready_) GTEST_SKIP() << "localedef or the locale sources are missing";
        setenv("LOCPATH", folder_->path().c_str(), 1);
    }
    void TearDown() override { unsetenv("LOCPATH"); }

    static inline qbtest::TempDir* folder_ = nullptr;
    static inline bool ready_ = false;
};

TEST_F(RealLocaleTest, SettingsOfTheLocale) {
    const struct {
        const char* name;
        char decimal, thousands, dateSeparator;
        const char *shortDate, *longDate, *longTime, *shortTime, *am, *march, *sunday, *currency;
        int firstWeekDay;
        const char* grouped;  // 1234.5 with "#,##0.###"
    } cases[] = {
        {"de_DE.UTF-8", ',', '.', '.', "dd/mm/yyyy", "dddd dd mmmm yyyy", "hh:nn:ss", "hh:nn", "", "M\xC3\xA4rz", "So",
         "\xE2\x82\xAC", 1, "1.234,5"},
        {"en_US.UTF-8", '.', ',', '/', "mm/dd/yyyy", "dddd dd mmmm yyyy", "hh:nn:ss AMPM", "hh:nn AMPM", "AM", "March",
         "Sun", "$", 0, "1,234.5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TFormatSettings settings = TFormatSettings::FromLocaleName(c.name);
        EXPECT_EQ(settings.DecimalSeparator, c.decimal);
        EXPECT_EQ(settings.ThousandSeparator, c.thousands);
        EXPECT_EQ(settings.DateSeparator, c.dateSeparator);
        EXPECT_EQ(settings.TimeSeparator, ':');
        EXPECT_EQ(settings.ShortDateFormat, c.shortDate);
        EXPECT_EQ(settings.LongDateFormat, c.longDate);
        EXPECT_EQ(settings.LongTimeFormat, c.longTime);
        EXPECT_EQ(settings.ShortTimeFormat, c.shortTime);
        EXPECT_EQ(settings.TimeAMString, c.am);
        EXPECT_EQ(settings.LongMonthNames[2], c.march);
        EXPECT_EQ(settings.ShortDayNames[0], c.sunday);
        EXPECT_EQ(settings.CurrencyString, c.currency);
        EXPECT_EQ(settings.FirstWeekDay, c.firstWeekDay);
        EXPECT_EQ(FormatFloat("#,##0.###", 1234.5, settings), c.grouped);
        EXPECT_EQ(StrToFloat(FloatToStr(2.75, settings), settings), 2.75);
    }
}

TEST_F(RealLocaleTest, FromLocaleReadsTheEnvironment) {
    const char* saved = std::getenv("LC_ALL");
    std::string savedValue = saved ? saved : "";
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    TFormatSettings settings = TFormatSettings::FromLocale();
    if (saved) {
        setenv("LC_ALL", savedValue.c_str(), 1);
    } else {
        unsetenv("LC_ALL");
    }
    EXPECT_EQ(settings.DecimalSeparator, ',');
    EXPECT_EQ(settings.LongDayNames[0], "Sonntag");
}

struct PatternCase {
    const char* cFormat;
    char dateSeparator;
    char timeSeparator;
    const char* pattern;
};

TEST(PatternFromLocaleFormat, ConvertsCFormats) {
    const PatternCase cases[] = {
        {"%d.%m.%Y", '.', ':', "dd/mm/yyyy"},
        {"%m/%d/%y", '/', ':', "mm/dd/yy"},
        {"%Y-%m-%d", '-', ':', "yyyy/mm/dd"},
        {"%H:%M:%S", '.', ':', "hh:nn:ss"},
        {"%I:%M:%S %p", '/', ':', "hh:nn:ss AMPM"},
        {"%r", '/', ':', "hh:nn:ss AMPM"},
        {"%e %B %Y", '/', ':', "d mmmm yyyy"},
        {"%-d. %b %Y", '.', ':', "d/ mmm yyyy"},
        {"%A, %d de %B", '/', ':', "dddd, dd \"de\" mmmm"},
        {"%Hh%M", '/', ':', "hh\"h\"nn"},
        {"%Y\xEB\x85\x84 %m\xEC\x9B\x94", '.', ':', "yyyy\xEB\x85\x84 mm\xEC\x9B\x94"},
        {"%Z %%", '/', ':', " %"},
    };
    for (const PatternCase& c : cases)
        EXPECT_EQ(PatternFromLocaleFormat(c.cFormat, c.dateSeparator, c.timeSeparator), c.pattern) << c.cFormat;
}

}  // namespace
