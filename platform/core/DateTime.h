#pragma once
// Dates and times as the class library counts them, and their text.
#include "platform/core/NumText.h"

#include <string>

// Days since 1899-12-30 with the time of day as fraction. Before that day the whole part counts
// backwards while the fraction's absolute value is still the time (-1.25 = 1899-12-29 06:00).
using TDateTime = double;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Years 1..9999; invalid parts raise EConvertError.
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec);

// Rounded to the millisecond; a value outside the years 1..9999 raises EConvertError.
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute, int& second,
                    int& msec);

int DayOfWeek(TDateTime value);  // 1 = Sunday .. 7 = Saturday
// Same day (the last one of a shorter month) and time, `months` later.
TDateTime IncMonth(TDateTime value, int months = 1);

TDateTime Now();
TDateTime Date();
TDateTime Time();
TDateTime DateOf(TDateTime value);
TDateTime TimeOf(TDateTime value);

// Pattern letters: c d dd ddd dddd ddddd dddddd m mm mmm mmmm yy yyyy h hh n nn s ss z zzz t tt
// am/pm a/p ampm / : and quoted text; letters in either case; m right after h means minutes.
std::string FormatDateTime(const std::string& format, TDateTime value);
std::string FormatDateTime(const std::string& format, TDateTime value, const TFormatSettings& settings);
std::string DateToStr(TDateTime value);
std::string DateToStr(TDateTime value, const TFormatSettings& settings);
std::string TimeToStr(TDateTime value);
std::string TimeToStr(TDateTime value, const TFormatSettings& settings);
std::string DateTimeToStr(TDateTime value);
std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings);

// Numbers in the order of the short date format, joined by the date separator; the year may be
// left out (this year) or given with two digits (within 50 years of now). A time may follow.
// Raise EConvertError "'<text>' is not a valid date" / "... is not a valid date and time".
bool TryStrToDate(const std::string& text, TDateTime& value);
bool TryStrToDate(const std::string& text, TDateTime& value, const TFormatSettings& settings);
TDateTime StrToDate(const std::string& text);
TDateTime StrToDate(const std::string& text, const TFormatSettings& settings);
bool TryStrToDateTime(const std::string& text, TDateTime& value);
bool TryStrToDateTime(const std::string& text, TDateTime& value, const TFormatSettings& settings);
TDateTime StrToDateTime(const std::string& text);
TDateTime StrToDateTime(const std::string& text, const TFormatSettings& settings);
// How StrToDate wants a date written, for messages: "month/day/year, for example 12/31/2024".
std::string DateInputHint();
std::string DateInputHint(const TFormatSettings& settings);
