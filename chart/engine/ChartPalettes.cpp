#include "chart/engine/ChartPalettes.h"

#include "chart/engine/AxisPanel.h"
#include "chart/engine/Chart.h"
#include "chart/graphics/DuvConst.h"

std::unique_ptr<TColorPalettes> ChartPaletteNames;

namespace {

struct TRgb {
    int Red, Green, Blue;
};

// Palettes 1 .. 19 in index order.
const std::vector<std::vector<TRgb>>& BuiltInRgb()
{
    static const std::vector<std::vector<TRgb>> palettes = {
        // 1 "Excel"
        {{153, 153, 255}, {153, 51, 102}, {255, 255, 204}, {204, 255, 255}, {102, 0, 102}, {255, 128, 128},
         {0, 102, 204}, {204, 204, 255}, {0, 0, 128}, {255, 0, 255}, {255, 255, 0}, {0, 255, 255},
         {128, 0, 128}, {128, 0, 0}, {0, 128, 128}, {0, 0, 255}, {0, 204, 255}, {204, 255, 255},
         {204, 255, 204}, {255, 255, 0}, {153, 204, 255}, {255, 153, 204}},
        // 2 "Victorian"
        {{93, 165, 161}, {196, 83, 49}, {231, 150, 9}, {246, 232, 74}, {177, 162, 167}, {201, 167, 132},
         {140, 121, 81}, {216, 205, 183}, {8, 101, 83}, {247, 216, 123}, {1, 100, 132}},
        // 3 "Pastels"
        {{204, 255, 255}, {255, 255, 204}, {204, 204, 255}, {0, 204, 204}, {204, 204, 204}, {0, 153, 153},
         {153, 153, 153}, {255, 204, 204}, {255, 204, 102}, {204, 204, 255}, {255, 153, 153}, {255, 255, 153},
         {153, 204, 255}, {204, 255, 204}},
        // 4 "Solid"
        {{0, 0, 255}, {255, 0, 0}, {0, 255, 0}, {255, 204, 0}, {64, 64, 64}, {255, 255, 0},
         {255, 0, 192}, {255, 255, 255}},
        // 5 "Classic"
        {{0, 0, 255}, {0, 255, 0}, {0, 255, 255}, {255, 0, 0}, {255, 0, 255}, {255, 255, 0},
         {0, 0, 128}, {0, 128, 0}, {0, 128, 128}, {128, 0, 0}, {128, 0, 128}, {128, 128, 0}},
        // 6 "Web"
        {{255, 165, 0}, {0, 0, 206}, {0, 206, 0}, {255, 255, 64}, {64, 255, 255}, {255, 64, 255},
         {255, 64, 0}, {128, 128, 165}, {128, 128, 64}},
        // 7 "Modern"
        {{255, 153, 102}, {255, 102, 102}, {153, 204, 255}, {102, 153, 102}, {204, 204, 153}, {153, 102, 204},
         {204, 102, 102}, {255, 204, 153}, {153, 102, 255}, {204, 204, 204}, {102, 255, 204}, {102, 153, 255},
         {153, 102, 153}, {204, 204, 255}},
        // 8 "Rainbow"
        {{153, 0, 0}, {195, 0, 0}, {238, 0, 0}, {255, 26, 0}, {255, 70, 0}, {255, 115, 0},
         {255, 159, 0}, {255, 203, 0}, {255, 247, 0}, {227, 244, 8}, {195, 231, 17}, {163, 218, 27},
         {131, 205, 37}, {99, 192, 46}, {66, 179, 56}, {34, 166, 66}, {2, 154, 75}, {12, 135, 106},
         {26, 117, 138}, {40, 99, 170}, {54, 80, 203}, {68, 62, 235}, {97, 42, 255}, {150, 21, 255},
         {204, 0, 255}},
        // 9 "Win. XP"
        {{130, 155, 254}, {252, 209, 36}, {124, 188, 13}, {253, 133, 47}, {253, 254, 252}, {226, 78, 33},
         {41, 56, 214}, {183, 148, 0}, {90, 134, 0}, {210, 70, 0}, {211, 229, 250}, {216, 216, 216},
         {95, 113, 123}},
        // 10 "Mac OS"
        {{255, 255, 255}, {252, 243, 5}, {255, 100, 2}, {221, 8, 6}, {242, 8, 132}, {70, 0, 165},
         {0, 0, 212}, {2, 171, 234}, {31, 183, 20}, {0, 100, 17}, {86, 44, 5}, {144, 113, 58},
         {192, 192, 192}, {128, 128, 128}, {64, 64, 64}, {0, 0, 0}},
        // 11 "Win. Vista"
        {{0, 31, 210}, {224, 2, 1}, {30, 102, 2}, {232, 205, 126}, {175, 171, 172}, {164, 208, 217},
         {61, 59, 60}, {149, 221, 49}, {158, 0, 1}, {220, 247, 116}, {69, 253, 253}, {209, 142, 116},
         {160, 216, 145}, {213, 122, 101}, {150, 149, 217}},
        // 12 "Gray scale"
        {{240, 240, 240}, {224, 224, 224}, {208, 208, 208}, {192, 192, 192}, {176, 176, 176}, {160, 160, 160},
         {144, 144, 144}, {128, 128, 128}, {112, 112, 112}, {96, 96, 96}, {80, 80, 80}, {64, 64, 64},
         {48, 48, 48}, {32, 32, 32}, {16, 16, 16}},
        // 13 "Opera"
        {{68, 102, 163}, {243, 156, 53}, {241, 76, 20}, {78, 151, 168}, {43, 64, 107}, {29, 123, 99},
         {179, 8, 14}, {242, 192, 93}, {93, 183, 158}, {112, 112, 112}, {243, 234, 141}, {180, 180, 180}},
        // 14 "Warm"
        {{243, 234, 141}, {242, 192, 93}, {243, 156, 53}, {245, 129, 28}, {243, 107, 21}, {241, 76, 20},
         {230, 24, 10}, {179, 8, 14}},
        // 15 "Cool"
        {{43, 64, 107}, {59, 84, 140}, {68, 102, 163}, {78, 151, 168}, {93, 183, 158}, {65, 160, 138},
         {43, 146, 125}, {29, 123, 99}},
        // 16 "BlackIsBack"
        {{200, 230, 90}, {90, 150, 220}, {230, 90, 40}, {230, 160, 15}},
        // 17 "Metro"
        {{162, 0, 255}, {255, 0, 151}, {0, 171, 169}, {140, 191, 38}, {160, 80, 0}, {230, 113, 184},
         {240, 150, 9}, {27, 161, 226}, {229, 20, 0}, {51, 153, 51}},
        // 18 "iOS"
        {{72, 204, 253}, {134, 205, 77}, {154, 154, 154}, {247, 210, 132}, {70, 95, 152}, {166, 95, 65},
         {156, 123, 72}, {140, 97, 210}, {117, 142, 172}, {255, 137, 4}, {226, 57, 62}, {181, 209, 151}},
        // 19 "Android"
        {{51, 181, 229}, {170, 102, 204}, {153, 204, 0}, {255, 187, 51}, {255, 68, 68}, {0, 153, 204},
         {153, 51, 204}, {102, 153, 0}, {255, 136, 0}, {204, 0, 0}, {136, 196, 229}, {207, 177, 222},
         {204, 255, 0}, {255, 236, 145}, {255, 187, 187}},
    };
    return palettes;
}

// Index = palette index; the texts are read when the list is filled.
const std::string* const kPaletteNames[] = {
    &DuvMsgPaletteLibrary,   &DuvMsgPaletteExcel,   &DuvMsgPaletteVictorian,   &DuvMsgPalettePastels,
    &DuvMsgPaletteSolid,     &DuvMsgPaletteClassic, &DuvMsgPaletteWeb,         &DuvMsgPaletteModern,
    &DuvMsgPaletteRainbow,   &DuvMsgPaletteWinXP,   &DuvMsgPaletteMacOS,       &DuvMsgPaletteWinVista,
    &DuvMsgPaletteGrayScale, &DuvMsgPaletteOpera,   &DuvMsgPaletteWarm,        &DuvMsgPaletteCool,
    &DuvMsgPaletteBlackIsBack, &DuvMsgPaletteMetro, &DuvMsgPaletteiOS,         &DuvMsgPaletteAndroid,
};
static_assert(std::size(kPaletteNames) == BuiltInPaletteCount + 1);

}  // namespace

void TColorPalettes::AddNamesTo(TStringList& strings, bool withDefault) const
{
    if (withDefault) strings.Add(DuvMsgPaletteDefault);
    for (int i = 0; i < Count(); ++i) strings.Add(Strings(i));
}

std::vector<TColor> TColorPalettes::BuiltInPalette(int index)
{
    if (index < 1 || index > BuiltInPaletteCount) return {};
    std::vector<TColor> colors;
    for (const TRgb& rgb : BuiltInRgb()[static_cast<std::size_t>(index - 1)])
        colors.push_back(static_cast<TColor>(rgb.Red | (rgb.Green << 8) | (rgb.Blue << 16)));
    return colors;
}

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

void CreateChartPaletteNames()
{
    ChartPaletteNames = std::make_unique<TColorPalettes>();
    for (const std::string* name : kPaletteNames) ChartPaletteNames->Add(*name);
}

void FreeChartPaletteNames() { ChartPaletteNames.reset(); }
