#include "chart/engine/ChartPalettes.h"

#include "chart/engine/AxisPanel.h"
#include "chart/engine/Chart.h"
#include "chart/graphics/DuvConst.h"

std::unique_ptr<TColorPalettes> ChartPaletteNames;

void TColorPalettes::AddNamesTo(TStringList&, bool) const {}

std::vector<TColor> TColorPalettes::BuiltInPalette(int) { return {}; }

void TColorPalettes::ApplyPalette(TCustomAxisPanel* chart, int index)
{
    ApplyToChart(chart, BuiltInPalette(index));
    if (auto* custom = dynamic_cast<TCustomChart*>(chart)) custom->StorePaletteIndex(index);
    chart->Invalidate();
}

void TColorPalettes::ApplyToChart(TCustomAxisPanel* chart, const std::vector<TColor>& colors)
{
    chart->CustomPalette = colors;
    chart->ResolveDefaultColors();
}

void TChartTheme::Description(std::string& text) const { text = DuvMsgDefault; }

void CreateChartPaletteNames() { ChartPaletteNames = std::make_unique<TColorPalettes>(); }

void FreeChartPaletteNames() { ChartPaletteNames.reset(); }
