#include "platform/core/Colors.h"

#include <charconv>
#include <cstdio>

#include "platform/core/Properties.h"

namespace {

struct ColorName {
    TColor color;
    const char* name;
};

constexpr TColor Sys(int index) { return static_cast<TColor>(0xFF000000u | static_cast<unsigned>(index)); }

const ColorName kColorNames[] = {
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"}, {clSkyBlue, "clSkyBlue"}, {clCream, "clCream"},
    {clMedGray, "clMedGray"}, {clNone, "clNone"}, {clDefault, "clDefault"},
    {Sys(0), "clScrollBar"}, {Sys(1), "clBackground"}, {Sys(2), "clActiveCaption"},
    {Sys(3), "clInactiveCaption"}, {Sys(4), "clMenu"}, {Sys(5), "clWindow"},
    {Sys(6), "clWindowFrame"}, {Sys(7), "clMenuText"}, {Sys(8), "clWindowText"},
    {Sys(9), "clCaptionText"}, {Sys(10), "clActiveBorder"}, {Sys(11), "clInactiveBorder"},
    {Sys(12), "clAppWorkSpace"}, {Sys(13), "clHighlight"}, {Sys(14), "clHighlightText"},
    {Sys(15), "clBtnFace"}, {Sys(16), "clBtnShadow"}, {Sys(17), "clGrayText"},
    {Sys(18), "clBtnText"}, {Sys(19), "clInactiveCaptionText"}, {Sys(20), "clBtnHighlight"},
    {Sys(21), "cl3DDkShadow"}, {Sys(22), "cl3DLight"}, {Sys(23), "clInfoText"},
    {Sys(24), "clInfoBk"}, {Sys(26), "clHotLight"}, {Sys(27), "clGradientActiveCaption"},
    {Sys(28), "clGradientInactiveCaption"}, {Sys(29), "clMenuHighlight"}, {Sys(30), "clMenuBar"},
};

}  // namespace

bool ColorToIdent(TColor color, std::string& ident)
{
    for (const ColorName& entry : kColorNames)
        if (entry.color == color) {
            ident = entry.name;
            return true;
        }
    return false;
}

bool IdentToColor(const std::string& ident, TColor& color)
{
    for (const ColorName& entry : kColorNames)
        if (SameIdent(ident, entry.name)) {
            color = entry.color;
            return true;
        }
    return false;
}

std::string ColorToString(TColor color)
{
    std::string ident;
    if (ColorToIdent(color, ident)) return ident;
    char text[16];
    std::snprintf(text, sizeof text, "$%08X", static_cast<unsigned>(color));
    return text;
}

TColor StringToColor(const std::string& text)
{
    TColor color = 0;
    if (IdentToColor(text, color)) return color;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    std::uint32_t hex = 0;
    if (!text.empty() && text[0] == '$') {
        auto r = std::from_chars(first + 1, last, hex, 16);
        if (r.ec == std::errc() && r.ptr == last && text.size() > 1) return static_cast<TColor>(hex);
    } else {
        long long value = 0;
        auto r = std::from_chars(first, last, value);
        if (r.ec == std::errc() && r.ptr == last && value >= INT32_MIN && value <= UINT32_MAX)
            return static_cast<TColor>(static_cast<std::uint32_t>(value));
    }
    throw EConvertError("'" + text + "' is not a valid colour value");
}
