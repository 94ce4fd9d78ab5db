#pragma once
// The program's one 8-bit code page for text in files ("ANSI"): Windows-1250 unless the
// program's start-up sets another (it reads the value CodePage under \Software\ORU of the
// settings store, see ReadCodePageSetting in Registry.h).
#include <cstddef>
#include <string>

// Code page number in use: the one set last, else 1250.
int ProgramCodePage();
// Raises EConvertError for a code page iconv doesn't know; 0 goes back to 1250.
void SetProgramCodePage(int codePage);
bool IsCodePageSupported(int codePage);

// Conversions through iconv; characters without a mapping and broken input bytes become '?'.
// A code page iconv doesn't know raises EConvertError.
std::string AnsiToUtf8(const std::string& ansi);
std::string Utf8ToAnsi(const std::string& utf8);
std::string ConvertCodePage(const std::string& text, int fromCodePage, int toCodePage);  // 65001 = UTF-8

// Length of the well-formed UTF-8 character at text (1 to 4), 0 when the bytes there are none.
std::size_t ValidUtf8Length(const char* text, std::size_t left);
