#pragma once
// Colour values of the class library: 32-bit RGB in the low three bytes (red lowest),
// system colours 0xFF0000xx, and two markers used throughout the chart code.
#include <cstdint>
#include <string>

using TColor = std::int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;     // null point or absent colour
constexpr TColor clDefault = 0x20000000;  // the series' or the palette's own colour
constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000);
constexpr TColor clBtnFace = static_cast<TColor>(0xFF00000F);

// "clRed" <-> 0x0000FF, also the system colour names; other values have no identifier.
bool ColorToIdent(TColor color, std::string& ident);
bool IdentToColor(const std::string& ident, TColor& color);
// Identifier when there is one, else "$00RRGGBB"-style hex as the class library writes it.
std::string ColorToString(TColor color);
// Identifier, decimal or "$" hex; raises EConvertError on anything else.
TColor StringToColor(const std::string& text);
