#include "platform/core/DateTime.h"

#include "platform/core/SysUtils.h"
#include "ConvertErrorCheck.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct DateCase {
    int year, month, day;
    double serial;
    int dayOfWeek;  // 1 = Sunday
};

TEST(EncodeDate, KnownDaysAndBack) {
    const DateCase cases[] = {
        {1899, 12, 30, 0, 7},      {1899, 12, 31, 1, 1},     {1900, 1, 1, 2, 2},        {1899, 12, 29, -1, 6},
        {1900, 3, 1, 61, 5},       {1970, 1, 1, 25569, 5},   {2000, 2, 29, 36585, 3},   {2000, 3, 1, 36586, 4},
        {2024, 2, 29, 45351, 5},   {1, 1, 1, -693593, 2},    {9999, 12, 31, 2958465, 6}, {1600, 2, 29, -109512, 3},
    };
    for (const DateCase& c : cases) {
        EXPECT_EQ(EncodeDate(c.year, c.month, c.day), c.serial) << c.year << "-" << c.month << "-" << c.day;
        int year = 0, month = 0, day = 0;
        DecodeDate(c.serial, year, month, day);
        EXPECT_EQ(year * 10000 + month * 100 + day, c.year * 10000 + c.month * 100 + c.day) << c.serial;
        // before day 0 the time still counts forward from the start of the day
        EXPECT_EQ(DayOfWeek(c.serial + (c.serial < 0 ? -0.75 : 0.75)), c.dayOfWeek) << c.serial;
    }
}

TEST(EncodeDate, InvalidPartsRaise) {
    const int cases[][3] = {{2023, 2, 29}, {1900, 2, 29}, {2024, 13, 1}, {2024, 0, 1}, {2024, 4, 31},
                            {2024, 1, 0},  {0, 1, 1},     {10000, 1, 1}, {-5, 1, 1}};
    for (const auto& c : cases) {
        TDateTime value = 123;
        EXPECT_FALSE(TryEncodeDate(c[0], c[1], c[2], value));
        EXPECT_EQ(value, 123);
        ExpectConvertError([&] { EncodeDate(c[0], c[1], c[2]); }, "Invalid argument to date encode");
    }
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 60, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
    EXPECT_THROW(EncodeTime(-1, 0, 0, 0), EConvertError);
}

TEST(LeapYears, RulesAndMonthLengths) {
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_FALSE(IsLeapYear(2023));
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DaysInMonth(2023, 4), 30);
    EXPECT_EQ(DaysInMonth(2023, 12), 31);
    EXPECT_THROW(DaysInMonth(2023, 13), EConvertError);
}

struct TimeCase {
    double value;
    int year, month, day, hour, minute, second, msec;
};

TEST(DecodeDateTime, TimeIsTheFractionEvenBeforeDayZero) {
    const TimeCase cases[] = {
        {0.5, 1899, 12, 30, 12, 0, 0, 0},
        {0.25, 1899, 12, 30, 6, 0, 0, 0},
        {-0.25, 1899, 12, 30, 6, 0, 0, 0},
        {-1.25, 1899, 12, 29, 6, 0, 0, 0},
        {-2.75, 1899, 12, 28, 18, 0, 0, 0},
        {2.5 + 1.0 / 86400 + 0.123 / 86400, 1900, 1, 1, 12, 0, 1, 123},
        {45351.999999999, 2024, 3, 1, 0, 0, 0, 0},  // rounds to the next midnight
        {45351.9999884259, 2024, 2, 29, 23, 59, 59, 0},
    };
    for (const TimeCase& c : cases) {
        int y, mo, d, h, mi, s, ms;
        DecodeDateTime(c.value, y, mo, d, h, mi, s, ms);
        EXPECT_EQ(std::vector<int>({y, mo, d, h, mi, s, ms}),
                  std::vector<int>({c.year, c.month, c.day, c.hour, c.minute, c.second, c.msec}))
            << c.value;
    }
}

TEST(EncodeDateTime, RoundTripsWithDecode) {
    const int cases[][7] = {{1899, 12, 30, 0, 0, 0, 0},    {1899, 12, 29, 6, 0, 0, 0},     {1850, 7, 14, 23, 59, 59, 999},
                            {2024, 2, 29, 13, 45, 30, 250}, {1, 1, 1, 0, 0, 0, 1},          {9999, 12, 31, 23, 59, 59, 999}};
    for (const auto& c : cases) {
        TDateTime value = EncodeDateTime(c[0], c[1], c[2], c[3], c[4], c[5], c[6]);
        int y, mo, d, h, mi, s, ms;
        DecodeDateTime(value, y, mo, d, h, mi, s, ms);
        EXPECT_EQ(std::vector<int>({y, mo, d, h, mi, s, ms}), std::vector<int>(c, c + 7));
    }
    EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
    EXPECT_EQ(EncodeDateTime(1900, 1, 1, 18, 0, 0, 0), 2.75);
}

TEST(DecodeDateTime, ValuesOutsideTheCalendarRaise) {
    for (double value : {std::nan(""), 1e20, -1e20, 2958466.0, -693594.5, HUGE_VAL}) {
        int y, m, d;
        EXPECT_THROW(DecodeDate(value, y, m, d), EConvertError) << value;
        EXPECT_THROW(FormatDateTime("yyyy", value), EConvertError) << value;
    }
}

TEST(IncMonth, ClampsTheDayAndKeepsTheTime) {
    const struct {
        int year, month, day, months;
        int toYear, toMonth, toDay;
    } cases[] = {
        {2023, 1, 31, 1, 2023, 2, 28},  {2024, 1, 31, 1, 2024, 2, 29},  {2024, 3, 31, -1, 2024, 2, 29},
        {2024, 12, 15, 1, 2025, 1, 15}, {2024, 1, 15, -13, 2022, 12, 15}, {2024, 5, 31, 12, 2025, 5, 31},
        {1899, 12, 30, -1, 1899, 11, 30}, {2024, 8, 31, 0, 2024, 8, 31},
    };
    for (const auto& c : cases) {
        TDateTime from = EncodeDateTime(c.year, c.month, c.day, 7, 30, 0, 0);
        TDateTime to = IncMonth(from, c.months);
        EXPECT_EQ(to, EncodeDateTime(c.toYear, c.toMonth, c.toDay, 7, 30, 0, 0))
            << c.year << "-" << c.month << "-" << c.day << " + " << c.months;
    }
    EXPECT_EQ(IncMonth(EncodeDate(2023, 1, 31)), EncodeDate(2023, 2, 28));
    EXPECT_THROW(IncMonth(EncodeDate(9999, 12, 1), 1), EConvertError);
    EXPECT_THROW(IncMonth(EncodeDate(1, 1, 1), -1), EConvertError);
}

TEST(DateOfTimeOf, SplitTheValue) {
    TDateTime value = EncodeDateTime(2024, 2, 29, 18, 0, 0, 0);
    EXPECT_EQ(DateOf(value), EncodeDate(2024, 2, 29));
    EXPECT_EQ(TimeOf(value), 0.75);
    EXPECT_EQ(DateOf(-1.25), -1);
    EXPECT_EQ(TimeOf(-1.25), 0.25);
}

TEST(Now, IsTodayAndTime) {
    TDateTime before = Now();
    TDateTime today = Date();
    TDateTime time = Time();
    TDateTime after = Now();
    EXPECT_LE(before, after);
    EXPECT_GT(before, EncodeDate(2020, 1, 1));
    EXPECT_EQ(today, std::floor(today));
    EXPECT_GE(time, 0);
    EXPECT_LT(time, 1);
    EXPECT_LE(today, after);
    EXPECT_GE(today + 1, before);
}

struct FormatCase {
    const char* format;
    const char* text;
};

// Thursday 2024-02-29 13:05:09.045
class FormatDateTimeTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatDateTimeTest, Pattern) {
    const TDateTime value = EncodeDateTime(2024, 2, 29, 13, 5, 9, 45);
    EXPECT_EQ(FormatDateTime(GetParam().format, value, TFormatSettings::Invariant()), GetParam().text)
        << GetParam().format;
}

INSTANTIATE_TEST_SUITE_P(
    Letters, FormatDateTimeTest,
    testing::Values(FormatCase{"dd/MMM", "29/Feb"}, FormatCase{"MM/yy", "02/24"}, FormatCase{"dd hh:nn", "29 13:05"},
                    FormatCase{"mmmm, yyyy", "February, 2024"}, FormatCase{"ddd", "Thu"}, FormatCase{"dddd", "Thursday"},
                    FormatCase{"zzz", "045"}, FormatCase{"z", "45"}, FormatCase{"yyyy-mm-dd hh:nn:ss", "2024-02-29 13:05:09"},
                    FormatCase{"d/m/y", "29/2/24"}, FormatCase{"MMMM", "February"}, FormatCase{"YYYY", "2024"},
                    FormatCase{"h:n:s", "13:5:9"}, FormatCase{"hh:nn:ss.zzz", "13:05:09.045"},
                    FormatCase{"ddddd", "2/29/2024"}, FormatCase{"dddddd", "Thursday, February 29, 2024"},
                    FormatCase{"c", "2/29/2024 1:05:09 PM"}, FormatCase{"", "2/29/2024 1:05:09 PM"},
                    FormatCase{"t", "1:05 PM"}, FormatCase{"tt", "1:05:09 PM"}));

INSTANTIATE_TEST_SUITE_P(
    MinutesAndClock, FormatDateTimeTest,
    testing::Values(FormatCase{"hh:mm", "13:05"}, FormatCase{"h:mm", "13:05"}, FormatCase{"hh 'h' mm", "13 h 05"},
                    FormatCase{"mm-dd hh", "02-29 13"}, FormatCase{"hh:nn am/pm", "01:05 pm"},
                    FormatCase{"h AM/PM", "1 PM"}, FormatCase{"h a/p", "1 p"}, FormatCase{"h A/P", "1 P"},
                    FormatCase{"hh ampm", "01 PM"}, FormatCase{"hh:nn ' am/pm'", "13:05  am/pm"},
                    FormatCase{"hh hh am/pm", "13 01 pm"}));

INSTANTIATE_TEST_SUITE_P(
    Literals, FormatDateTimeTest,
    testing::Values(FormatCase{"\"Day\" d", "Day 29"}, FormatCase{"'yyyy' yyyy", "yyyy 2024"},
                    FormatCase{"yyyy\"", "2024"}, FormatCase{"ddd° mm' ss\".zzz", "Thu° 02 ss\".zzz"},
                    FormatCase{"x#y", "x#24"}, FormatCase{"Q: ", "Q: "}));

TEST(FormatDateTime, MidnightAndMorning) {
    TFormatSettings settings = TFormatSettings::Invariant();
    EXPECT_EQ(FormatDateTime("c", EncodeDate(2024, 1, 5), settings), "1/5/2024");
    EXPECT_EQ(FormatDateTime("hh:nn am/pm", EncodeTime(0, 30, 0, 0), settings), "12:30 am");
    EXPECT_EQ(FormatDateTime("h:nn AMPM", EncodeTime(12, 0, 0, 0), settings), "12:00 PM");
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", -1.25, settings), "1899-12-29 06:00");
}

TEST(FormatDateTime, SeparatorsAndNamesOfTheSettings) {
    TFormatSettings settings = TFormatSettings::Invariant();
    settings.DateSeparator = '.';
    settings.TimeSeparator = 'h';
    settings.ShortDateFormat = "dd/mm/yyyy";
    settings.LongTimeFormat = "hh:nn";
    settings.LongMonthNames[1] = "Februar";
    settings.ShortDayNames[4] = "Do";
    const TDateTime value = EncodeDateTime(2024, 2, 29, 13, 5, 9, 45);
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", value, settings), "29.02.2024 13h05");
    EXPECT_EQ(FormatDateTime("mmmm ddd", value, settings), "Februar Do");
    EXPECT_EQ(FormatDateTime("c", value, settings), "29.02.2024 13h05");
    {
        ScopedFormatSettings scoped(settings);
        EXPECT_EQ(DateToStr(value), "29.02.2024");
        EXPECT_EQ(TimeToStr(value), "13h05");
        EXPECT_EQ(DateTimeToStr(value), "29.02.2024 13h05");
    }
}

TEST(FormatDateTime, FormatsNamingEachOtherDoNotLoop) {
    TFormatSettings settings = TFormatSettings::Invariant();
    settings.ShortDateFormat = "c";
    settings.LongTimeFormat = "ddddd";
    EXPECT_NO_THROW(FormatDateTime("c", 1.5, settings));
}

struct ParseCase {
    const char* shortDateFormat;
    const char* text;
    int year, month, day;
};

TEST(StrToDate, ReadsInTheOrderOfTheShortDateFormat) {
    const ParseCase cases[] = {
        {"M/d/yyyy", "2/29/2024", 2024, 2, 29},     {"M/d/yyyy", " 12 / 5 / 1999 ", 1999, 12, 5},
        {"dd/mm/yyyy", "29/02/2024", 2024, 2, 29},  {"yyyy/mm/dd", "2024/2/29", 2024, 2, 29},
        {"'Day:' M/d/yyyy", "1/2/2003", 2003, 1, 2}, {"M/d/yyyy", "1/1/0001", 1, 1, 1},
    };
    for (const ParseCase& c : cases) {
        TFormatSettings settings = TFormatSettings::Invariant();
        settings.ShortDateFormat = c.shortDateFormat;
        EXPECT_EQ(StrToDate(c.text, settings), EncodeDate(c.year, c.month, c.day)) << c.text;
    }
}

TEST(StrToDate, ShortYearsAndMissingYears) {
    int thisYear, month, day;
    DecodeDate(Now(), thisYear, month, day);
    TFormatSettings settings = TFormatSettings::Invariant();
    int year;
    DecodeDate(StrToDate("3/4", settings), year, month, day);
    EXPECT_EQ(year, thisYear);
    EXPECT_EQ(month * 100 + day, 304);
    // two digits: the year within 50 years of now
    DecodeDate(StrToDate("3/4/" + std::to_string(thisYear % 100), settings), year, month, day);
    EXPECT_EQ(year, thisYear);
    DecodeDate(StrToDate("3/4/" + std::to_string((thisYear + 60) % 100), settings), year, month, day);
    EXPECT_EQ(year, thisYear - 40);
}

TEST(StrToDate, BadTextRaises) {
    TFormatSettings settings = TFormatSettings::Invariant();
    for (const char* text : {"", "2/30/2024", "13/1/2024", "2-29-2024", "2/29/2024x", "a/b/c", "2//2024", "2/29/2024 10:00"}) {
        TDateTime value = 7;
        EXPECT_FALSE(TryStrToDate(text, value, settings)) << text;
        EXPECT_EQ(value, 7);
        ExpectConvertError([&] { StrToDate(text, settings); }, "'" + std::string(text) + "' is not a valid date");
    }
}

// The hint names the order and separator StrToDate reads, with an example it accepts.
TEST(DateInputHint, NamesTheOrderOfTheShortDateFormat) {
    const struct {
        const char* format;
        char separator;
        const char* hint;
    } cases[] = {
        {"M/d/yyyy", '/', "month/day/year, for example 12/31/2024"},
        {"dd/mm/yyyy", '.', "day.month.year, for example 31.12.2024"},
        {"yyyy/MM/dd", '-', "year-month-day, for example 2024-12-31"},
    };
    for (const auto& c : cases) {
        TFormatSettings settings = TFormatSettings::Invariant();
        settings.ShortDateFormat = c.format;
        settings.DateSeparator = c.separator;
        EXPECT_EQ(DateInputHint(settings), c.hint) << c.format;
        const std::string example = std::string(c.hint).substr(std::string(c.hint).rfind(' ') + 1);
        EXPECT_EQ(StrToDate(example, settings), EncodeDate(2024, 12, 31)) << example;
    }
}

TEST(StrToDateTime, DateTimeAndTimeAlone) {
    TFormatSettings settings = TFormatSettings::Invariant();
    const struct {
        const char* text;
        TDateTime value;
    } cases[] = {
        {"2/29/2024 13:05", EncodeDateTime(2024, 2, 29, 13, 5, 0, 0)},
        {"2/29/2024 1:05:09 PM", EncodeDateTime(2024, 2, 29, 13, 5, 9, 0)},
        {"2/29/2024 12:00 am", EncodeDate(2024, 2, 29)},
        {"2/29/2024 13:05:09.045", EncodeDateTime(2024, 2, 29, 13, 5, 9, 45)},
        {"12/29/1899 6:00", -1.25},
        {"2/29/2024", EncodeDate(2024, 2, 29)},
        {"18:00", 0.75},
        {"6 PM", 0.75},
    };
    for (const auto& c : cases) EXPECT_EQ(StrToDateTime(c.text, settings), c.value) << c.text;
    for (const char* text : {"2/29/2024 25:00", "2/29/2024 13:05 PM", "2/29/2024 10", "10", "2/29/2024 10:00 xx"}) {
        ExpectConvertError([&] { StrToDateTime(text, settings); }, "'" + std::string(text) + "' is not a valid date and time");
    }
}

TEST(StrToDateTime, ReadsBackTheWrittenText) {
    TFormatSettings settings = TFormatSettings::Invariant();
    settings.ShortDateFormat = "dd/mm/yyyy";
    settings.DateSeparator = '.';
    settings.LongTimeFormat = "hh:nn:ss";
    for (TDateTime value : {EncodeDateTime(2024, 2, 29, 13, 5, 9, 0), EncodeDate(1999, 12, 31), -1.25}) {
        EXPECT_EQ(StrToDateTime(DateTimeToStr(value, settings), settings), value);
    }
}

}  // namespace
