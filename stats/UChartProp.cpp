#include "stats/UChartProp.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziAxis.h"
#include "platform/core/CodePage.h"
#include "platform/core/NumText.h"
#include "platform/core/SafeFile.h"
#include "platform/core/StringList.h"

const char* const ChartUseGroupNames[ChartSettingsFlagCount] = {
    "Title",       "Title Font",        "Left Axis Scale",    "Left Axis Format", "Left Axis Grid",
    "Bottom Axis Scale", "Bottom Axis Format", "Bottom Axis Grid", "Border",    "Legend",
    "Legend Width", "Legend Font",      "Bevel",              "Color",
};

void SetAllUseFlags(TChartUseFlags& flags) { flags.fill(true); }

namespace {
enum TGroup {
    gTitle,
    gTitleFont,
    gLeftScale,
    gLeftFormat,
    gLeftGrid,
    gBottomScale,
    gBottomFormat,
    gBottomGrid,
    gBorder,
    gLegend,
    gLegendWidth,
    gLegendFont,
    gBevel,
    gColor,
};

// Offsets of the record; a text field is 256 bytes, a font block 268.
constexpr int kTextSize = 256;
constexpr int kFontBlockSize = 268;
struct TAxisOffsets {
    int Automatic, Minimum, Maximum, Increment, Format, LabelsFont, Caption, TitleFont, Grid;
};
constexpr TAxisOffsets kLeftAxis{528, 536, 544, 552, 560, 816, 1084, 1340, 1608};
constexpr TAxisOffsets kBottomAxis{1616, 1624, 1632, 1640, 1648, 1904, 2172, 2428, 2696};
constexpr int kTitleText = 0, kTitleVisible = 256, kTitleFont = 260;
constexpr int kBorder = 2704, kLegendVisible = 2705, kLegendWidth = 2708, kLegendFont = 2712;
constexpr int kBevel = 2980, kColor = 2984;
constexpr int kMaxFontSize = 1638;  // the largest point size fonts of the platform take

// ---- writing: into a zeroed buffer, so the file is the same for the same chart

void PutInt(std::string& out, int at, std::int32_t value)
{
    const auto u = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}
void PutDouble(std::string& out, int at, double value)
{
    std::uint64_t u;
    std::memcpy(&u, &value, sizeof u);
    for (int i = 0; i < 8; ++i) out[at + i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}
void PutBool(std::string& out, int at, bool value) { out[at] = value ? 1 : 0; }
void PutText(std::string& out, int at, const std::string& utf8)
{
    std::string ansi = Utf8ToAnsi(utf8);
    if (ansi.size() > kTextSize - 1) ansi.resize(kTextSize - 1);
    out[at] = static_cast<char>(ansi.size());
    std::memcpy(&out[at + 1], ansi.data(), ansi.size());
}
void PutFont(std::string& out, int at, const TFontBlock& font)
{
    PutText(out, at, font.Name);
    PutInt(out, at + 256, font.Size);
    PutBool(out, at + 260, font.Bold);
    PutBool(out, at + 261, font.Italic);
    PutBool(out, at + 262, font.Underline);
    PutBool(out, at + 263, font.StrikeOut);
    PutInt(out, at + 264, font.Color);
}
void PutAxis(std::string& out, const TAxisOffsets& at, const TAxisSettings& axis)
{
    PutBool(out, at.Automatic, axis.Automatic);
    PutDouble(out, at.Minimum, axis.Minimum);
    PutDouble(out, at.Maximum, axis.Maximum);
    PutDouble(out, at.Increment, axis.Increment);
    PutText(out, at.Format, axis.ValuesFormat);
    PutFont(out, at.LabelsFont, axis.LabelsFont);
    PutText(out, at.Caption, axis.TitleCaption);
    PutFont(out, at.TitleFont, axis.TitleFont);
    PutBool(out, at.Grid, axis.GridVisible);
}

// ---- reading: the caller has checked the record's length

std::int32_t GetInt(const std::string& in, int at)
{
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= std::uint32_t{static_cast<unsigned char>(in[at + i])} << (8 * i);
    return static_cast<std::int32_t>(u);
}
double GetDouble(const std::string& in, int at)
{
    std::uint64_t u = 0;
    for (int i = 0; i < 8; ++i) u |= std::uint64_t{static_cast<unsigned char>(in[at + i])} << (8 * i);
    double value;
    std::memcpy(&value, &u, sizeof value);
    return value;
}
bool GetBool(const std::string& in, int at) { return in[at] != 0; }
std::string GetText(const std::string& in, int at)
{
    const auto length = static_cast<unsigned char>(in[at]);
    return AnsiToUtf8(in.substr(at + 1, length));
}
TFontBlock GetFont(const std::string& in, int at)
{
    TFontBlock font;
    font.Name = GetText(in, at);
    font.Size = GetInt(in, at + 256);
    font.Bold = GetBool(in, at + 260);
    font.Italic = GetBool(in, at + 261);
    font.Underline = GetBool(in, at + 262);
    font.StrikeOut = GetBool(in, at + 263);
    font.Color = GetInt(in, at + 264);
    return font;
}
TAxisSettings GetAxis(const std::string& in, const TAxisOffsets& at)
{
    TAxisSettings axis;
    axis.Automatic = GetBool(in, at.Automatic);
    axis.Minimum = GetDouble(in, at.Minimum);
    axis.Maximum = GetDouble(in, at.Maximum);
    axis.Increment = GetDouble(in, at.Increment);
    axis.ValuesFormat = GetText(in, at.Format);
    axis.LabelsFont = GetFont(in, at.LabelsFont);
    axis.TitleCaption = GetText(in, at.Caption);
    axis.TitleFont = GetFont(in, at.TitleFont);
    axis.GridVisible = GetBool(in, at.Grid);
    return axis;
}

// ---- chart side

void CollectAxis(TChartAxis& axis, TAxisSettings& settings)
{
    settings.Automatic = axis.Automatic();
    settings.Minimum = axis.Minimum();
    settings.Maximum = axis.Maximum();
    settings.Increment = axis.Increment();
    settings.ValuesFormat = axis.AxisValuesFormat();
    FontToBlock(*axis.Labels().Font(), settings.LabelsFont);
    settings.TitleCaption = axis.GetTitle()->Caption();
    FontToBlock(*axis.GetTitle()->Font(), settings.TitleFont);
    settings.GridVisible = axis.Grid()->Visible();
}

// Each step keeps the range valid: a stored range wholly above the current one moves the
// maximum first.
void ApplyAxisScale(TChartAxis& axis, const TAxisSettings& settings)
{
    axis.SetAutomatic(settings.Automatic);
    if (!settings.Automatic) {
        if (settings.Minimum >= axis.Maximum()) {
            axis.SetMaximum(settings.Maximum);
            axis.SetMinimum(settings.Minimum);
        } else {
            axis.SetMinimum(settings.Minimum);
            axis.SetMaximum(settings.Maximum);
        }
    }
    axis.SetIncrement(settings.Increment);
}

void ApplyAxisFormat(TChartAxis& axis, const TAxisSettings& settings)
{
    axis.SetAxisValuesFormat(settings.ValuesFormat);
    FontFromBlock(*axis.Labels().Font(), settings.LabelsFont);
    axis.GetTitle()->SetCaption(settings.TitleCaption);
    FontFromBlock(*axis.GetTitle()->Font(), settings.TitleFont);
}

void CheckFont(const TFontBlock& font, const char* what)
{
    if (font.Size < 1 || font.Size > kMaxFontSize)
        throw EChartSettingsError(std::string("The ") + what + " size " + IntToStr(font.Size) +
                                  " is not a font size (1 to " + IntToStr(kMaxFontSize) + " points).");
}

void CheckAxisScale(const TAxisSettings& axis, const char* name)
{
    for (double value : {axis.Minimum, axis.Maximum, axis.Increment})
        if (!std::isfinite(value))
            throw EChartSettingsError(std::string("The ") + name + " axis range holds a value that is not a number.");
    if (!axis.Automatic && axis.Minimum > axis.Maximum)
        throw EChartSettingsError(std::string("The ") + name + " axis minimum lies above its maximum.");
    if (axis.Increment < 0)
        throw EChartSettingsError(std::string("The ") + name + " axis increment is negative.");
}

std::string ReadHead(const std::string& fileName, std::size_t limit)
{
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        throw EInOutError("Cannot open file \"" + fileName + "\". " + std::strerror(error), error);
    }
    std::string bytes(limit, '\0');
    std::size_t got = 0;
    while (got < limit) {
        const ssize_t n = ::read(fd, &bytes[got], limit - got);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            throw EInOutError("Cannot read file \"" + fileName + "\". " + std::strerror(error), error);
        }
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(got);
    return bytes;
}
}  // namespace

void FontToBlock(const TFont& font, TFontBlock& block)
{
    block.Name = font.Name();
    block.Size = font.Size();
    const TFontStyles style = font.Style();
    block.Bold = style.Contains(fsBold);
    block.Italic = style.Contains(fsItalic);
    block.Underline = style.Contains(fsUnderline);
    block.StrikeOut = style.Contains(fsStrikeOut);
    block.Color = font.Color();
}

void FontFromBlock(TFont& font, const TFontBlock& block)
{
    font.SetName(block.Name);
    font.SetSize(block.Size);
    TFontStyles style;
    if (block.Bold) style.Include(fsBold);
    if (block.Italic) style.Include(fsItalic);
    if (block.Underline) style.Include(fsUnderline);
    if (block.StrikeOut) style.Include(fsStrikeOut);
    font.SetStyle(style);
    font.SetColor(block.Color);
}

void CollectChartSettings(TCustomChart& chart, TChartSettingsRecord& record)
{
    TChartTitle* title = chart.Title();
    record.TitleText = title->Lines().Text();
    record.TitleVisible = title->Visible();
    FontToBlock(*title->Font(), record.TitleFont);
    CollectAxis(*chart.LeftAxis(), record.LeftAxis);
    CollectAxis(*chart.BottomAxis(), record.BottomAxis);
    record.BorderVisible = chart.GetBorderStyle() == 1;
    TChartLegend& legend = *chart.Legend();
    record.LegendVisible = legend.Visible();
    record.LegendColorWidth = legend.ColorWidth();
    FontToBlock(*legend.Font(), record.LegendFont);
    const bool bevelled = chart.BevelInner() != bvNone || chart.BevelOuter() != bvNone;
    record.BevelWidth = bevelled ? chart.BevelWidth() : 0;
    record.ChartColor = chart.Color();
}

void CheckChartSettings(const TChartSettingsRecord& record, const TChartUseFlags& flags)
{
    if (flags[gTitleFont]) CheckFont(record.TitleFont, "title font");
    if (flags[gLeftScale]) CheckAxisScale(record.LeftAxis, "left");
    if (flags[gLeftFormat]) {
        CheckFont(record.LeftAxis.LabelsFont, "left axis labels font");
        CheckFont(record.LeftAxis.TitleFont, "left axis title font");
    }
    if (flags[gBottomScale]) CheckAxisScale(record.BottomAxis, "bottom");
    if (flags[gBottomFormat]) {
        CheckFont(record.BottomAxis.LabelsFont, "bottom axis labels font");
        CheckFont(record.BottomAxis.TitleFont, "bottom axis title font");
    }
    if (flags[gLegendWidth] && (record.LegendColorWidth < 0 || record.LegendColorWidth > 10000))
        throw EChartSettingsError("The legend colour width " + IntToStr(record.LegendColorWidth) + " is out of range.");
    if (flags[gLegendFont]) CheckFont(record.LegendFont, "legend font");
    if (flags[gBevel] && (record.BevelWidth < 0 || record.BevelWidth > 10000))
        throw EChartSettingsError("The bevel width " + IntToStr(record.BevelWidth) + " is out of range.");
}

void ApplyChartSettings(TCustomChart& chart, const TChartSettingsRecord& record, const TChartUseFlags& flags)
{
    CheckChartSettings(record, flags);
    if (flags[gTitle]) {
        TChartTitle* title = chart.Title();
        TStringList lines;
        lines.SetText(record.TitleText);
        title->SetLines(lines);
        title->SetVisible(record.TitleVisible);
    }
    if (flags[gTitleFont]) FontFromBlock(*chart.Title()->Font(), record.TitleFont);
    if (flags[gLeftScale]) ApplyAxisScale(*chart.LeftAxis(), record.LeftAxis);
    if (flags[gLeftFormat]) ApplyAxisFormat(*chart.LeftAxis(), record.LeftAxis);
    if (flags[gLeftGrid]) chart.LeftAxis()->Grid()->SetVisible(record.LeftAxis.GridVisible);
    if (flags[gBottomScale]) ApplyAxisScale(*chart.BottomAxis(), record.BottomAxis);
    if (flags[gBottomFormat]) ApplyAxisFormat(*chart.BottomAxis(), record.BottomAxis);
    if (flags[gBottomGrid]) chart.BottomAxis()->Grid()->SetVisible(record.BottomAxis.GridVisible);
    if (flags[gBorder]) chart.SetBorderStyle(record.BorderVisible ? 1 : 0);
    if (flags[gLegend]) chart.Legend()->SetVisible(record.LegendVisible);
    if (flags[gLegendWidth]) chart.Legend()->SetColorWidth(record.LegendColorWidth);
    if (flags[gLegendFont]) FontFromBlock(*chart.Legend()->Font(), record.LegendFont);
    if (flags[gBevel]) {
        chart.SetBevelInner(bvNone);
        if (record.BevelWidth != 0) {
            chart.SetBevelOuter(bvRaised);
            chart.SetBevelWidth(record.BevelWidth);
        } else {
            chart.SetBevelOuter(bvNone);
        }
    }
    if (flags[gColor]) chart.SetColor(record.ChartColor);
}

std::string EncodeChartSettings(const TChartSettingsRecord& record, const TChartUseFlags& flags)
{
    std::string out(ChartSettingsFileSize, '\0');
    PutText(out, kTitleText, record.TitleText);
    PutBool(out, kTitleVisible, record.TitleVisible);
    PutFont(out, kTitleFont, record.TitleFont);
    PutAxis(out, kLeftAxis, record.LeftAxis);
    PutAxis(out, kBottomAxis, record.BottomAxis);
    PutBool(out, kBorder, record.BorderVisible);
    PutBool(out, kLegendVisible, record.LegendVisible);
    PutInt(out, kLegendWidth, record.LegendColorWidth);
    PutFont(out, kLegendFont, record.LegendFont);
    PutInt(out, kBevel, record.BevelWidth);
    PutInt(out, kColor, record.ChartColor);
    for (int i = 0; i < ChartSettingsFlagCount; ++i) out[ChartSettingsRecordSize + i] = flags[i] ? 1 : 0;
    return out;
}

void DecodeChartSettings(const std::string& bytes, TChartSettingsRecord& record, TChartUseFlags& flags)
{
    if (bytes.size() < static_cast<std::size_t>(ChartSettingsRecordSize))
        throw EChartSettingsError("This is not a chart settings file: it holds " + IntToStr(bytes.size()) +
                                  " bytes, fewer than the " + IntToStr(ChartSettingsRecordSize) + " of its record.");
    TChartSettingsRecord read;
    read.TitleText = GetText(bytes, kTitleText);
    read.TitleVisible = GetBool(bytes, kTitleVisible);
    read.TitleFont = GetFont(bytes, kTitleFont);
    read.LeftAxis = GetAxis(bytes, kLeftAxis);
    read.BottomAxis = GetAxis(bytes, kBottomAxis);
    read.BorderVisible = GetBool(bytes, kBorder);
    read.LegendVisible = GetBool(bytes, kLegendVisible);
    read.LegendColorWidth = GetInt(bytes, kLegendWidth);
    read.LegendFont = GetFont(bytes, kLegendFont);
    read.BevelWidth = GetInt(bytes, kBevel);
    read.ChartColor = GetInt(bytes, kColor);
    TChartUseFlags use;
    if (bytes.size() < static_cast<std::size_t>(ChartSettingsFileSize)) {
        SetAllUseFlags(use);
    } else {
        for (int i = 0; i < ChartSettingsFlagCount; ++i) use[i] = bytes[ChartSettingsRecordSize + i] != 0;
    }
    record = std::move(read);
    flags = use;
}

void SaveChartSettings(TCustomChart& chart, const std::string& fileName, const TChartUseFlags& flags)
{
    TChartSettingsRecord record;
    CollectChartSettings(chart, record);
    WriteFileSafely(fileName, EncodeChartSettings(record, flags));
}

void LoadChartSettings(TCustomChart& chart, const std::string& fileName)
{
    TChartSettingsRecord record;
    TChartUseFlags flags;
    try {
        DecodeChartSettings(ReadHead(fileName, ChartSettingsFileSize), record, flags);
        CheckChartSettings(record, flags);
    } catch (const EChartSettingsError& error) {
        throw EChartSettingsError("\"" + fileName + "\": " + error.what());
    }
    ApplyChartSettings(chart, record, flags);
}
