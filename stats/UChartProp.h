#pragma once
// The chart settings file (.gsf): a fixed binary record of a chart's title, left and bottom
// axes, border, legend, bevel and colour, followed by fourteen flags naming the groups a load
// applies. Files of the earlier program load unchanged.
//
// What always holds for the reader: the whole record is decoded and checked before anything
// touches the chart, so a bad file raises EChartSettingsError and leaves the chart as it was.
#include <array>
#include <cstdint>
#include <string>

#include "platform/core/Colors.h"
#include "platform/core/SysUtils.h"

class TCustomChart;
class TFont;

constexpr int ChartSettingsRecordSize = 2992;
constexpr int ChartSettingsFlagCount = 14;
constexpr int ChartSettingsFileSize = ChartSettingsRecordSize + ChartSettingsFlagCount;

// A font as the file keeps it; the name is UTF-8 here, the program code page in the file.
struct TFontBlock {
    std::string Name;
    int Size = 8;  // points
    bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
    TColor Color = clBlack;
};

struct TAxisSettings {
    bool Automatic = true;
    double Minimum = 0, Maximum = 0, Increment = 0;
    std::string ValuesFormat;
    TFontBlock LabelsFont;
    std::string TitleCaption;
    TFontBlock TitleFont;
    bool GridVisible = true;
};

struct TChartSettingsRecord {
    std::string TitleText;  // the title lines, each ended by CR LF
    bool TitleVisible = true;
    TFontBlock TitleFont;
    TAxisSettings LeftAxis, BottomAxis;
    bool BorderVisible = false;
    bool LegendVisible = true;
    int LegendColorWidth = 0;
    TFontBlock LegendFont;
    int BevelWidth = 0;  // 0: neither an inner nor an outer bevel
    TColor ChartColor = clWhite;
};

// Group flags in file order; the names are the captions of the "Chart Type Use" dialog.
using TChartUseFlags = std::array<bool, ChartSettingsFlagCount>;
extern const char* const ChartUseGroupNames[ChartSettingsFlagCount];
void SetAllUseFlags(TChartUseFlags& flags);

// A settings file that can't be used; the text says why.
class EChartSettingsError : public Exception {
public:
    using Exception::Exception;
};

void FontToBlock(const TFont& font, TFontBlock& block);
// Name, size, style and colour, in this order.
void FontFromBlock(TFont& font, const TFontBlock& block);

void CollectChartSettings(TCustomChart& chart, TChartSettingsRecord& record);
// The groups whose flag is on, in flag order; CheckChartSettings first.
void ApplyChartSettings(TCustomChart& chart, const TChartSettingsRecord& record, const TChartUseFlags& flags);
// Raises EChartSettingsError when applying the flagged groups would fail part-way or set
// values no chart can use (non-finite numbers, an inverted range, a negative increment, font
// sizes out of 1..1638).
void CheckChartSettings(const TChartSettingsRecord& record, const TChartUseFlags& flags);

// The file's bytes: 2992 of record, then the 14 flags. Unused text bytes and padding are zero.
std::string EncodeChartSettings(const TChartSettingsRecord& record, const TChartUseFlags& flags);
// Raises EChartSettingsError for fewer than 2992 bytes; fewer than 14 flag bytes after the
// record turn every flag on.
void DecodeChartSettings(const std::string& bytes, TChartSettingsRecord& record, TChartUseFlags& flags);

// Written through the crash-safe writer: a failed write keeps the old file whole.
void SaveChartSettings(TCustomChart& chart, const std::string& fileName, const TChartUseFlags& flags);
// EInOutError when the file can't be read; EChartSettingsError when it is not usable.
void LoadChartSettings(TCustomChart& chart, const std::string& fileName);
