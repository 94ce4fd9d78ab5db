#pragma once
// The built-in colour palettes a chart can switch to, their names for the palette pickers, and
// the base of the chart themes.
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Colors.h"
#include "platform/core/Component.h"
#include "platform/core/StringList.h"

class TCustomAxisPanel;
class TCustomChart;

// The palette names, index = palette index (0 is the library's default palette).
class TColorPalettes : public TStringList {
public:
    // With the default entry, "Default" comes first (picker item k + 1 is palette k).
    void AddNamesTo(TStringList& strings, bool withDefault) const;
    // The colours of palettes 1 .. 19; empty for any other index.
    static std::vector<TColor> BuiltInPalette(int index);
    // The chart's custom palette becomes the built-in one (empty: the default palette applies);
    // a TCustomChart keeps the index; the chart repaints.
    static void ApplyPalette(TCustomAxisPanel* chart, int index);
    // Replaces (empty: clears) the chart's custom palette and recolours the series that take
    // their colour from the palette.
    static void ApplyToChart(TCustomAxisPanel* chart, const std::vector<TColor>& colors);
    static void CopyColors(const std::vector<TColor>& source, std::vector<TColor>& colors) { colors = source; }
};

// The number of built-in palettes (1 .. 19).
inline constexpr int BuiltInPaletteCount = 19;
// Made by the chart module's start-up; none before and after.
extern std::unique_ptr<TColorPalettes> ChartPaletteNames;

// Restyles a whole chart; the themes of the chart editor override Apply and Description.
class TChartTheme : public TPersistent {
    QB_CLASS(TChartTheme, TPersistent)
public:
    explicit TChartTheme(TCustomChart* chart = nullptr) : Chart(chart) {}
    // Every theme says what it changes; there is no theme that does nothing.
    virtual void Apply() = 0;
    virtual void Description(std::string& text) const;
    TCustomChart* Chart;
};

void CreateChartPaletteNames();
void FreeChartPaletteNames();
