#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartPalettes.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/DuvConst.h"
#include "support/TestSupport.h"
#include "support_ChartEngine.h"
#include "support_TestSeries.h"

namespace {

// A series that takes the colour the chart picks for it from the palette.
class TPaletteTestSeries : public enginetest::TTestSeries {
    QB_CLASS(TPaletteTestSeries, enginetest::TTestSeries)
public:
    explicit TPaletteTestSeries(TColor color) : TTestSeries(nullptr) { SeriesColor = color; }
    ~TPaletteTestSeries() override
    {
        if (ParentChart()) SetParentChart(nullptr);
    }
    void SetAutoColor(TColor color) override { SeriesColor = color; }
};

// Each test reads and writes the editor options in a settings store of its own.
class ChartPalettesTest : public testing::Test {
protected:
    void SetUp() override
    {
        enginetest::StartChartModules();
    }
    // A chart that starts with the library's default palette and no series.
    static TComponentPtr<TChart> ChartWithPalette(int index)
    {
        WriteEditorInteger("DefaultPalette", 0);
        auto chart = MakeComponent<TChart>();
        chart->SetColorPaletteIndex(index);
        return chart;
    }

private:
    qbtest::ScopedConfigDir config_;
};

// Colours as the stored charts hold them: red in the lowest byte.
TEST_F(ChartPalettesTest, BuiltInPalettesHoldTheirColours)
{
    const struct {
        int index;
        const char* name;
        std::vector<TColor> colors;
    } palettes[] = {
        {1, "Excel",
         {0xFF9999, 0x663399, 0xCCFFFF, 0xFFFFCC, 0x660066, 0x8080FF, 0xCC6600, 0xFFCCCC, 0x800000,
          0xFF00FF, 0x00FFFF, 0xFFFF00, 0x800080, 0x000080, 0x808000, 0xFF0000, 0xFFCC00, 0xFFFFCC,
          0xCCFFCC, 0x00FFFF, 0xFFCC99, 0xCC99FF}},
        {2, "Victorian",
         {0xA1A55D, 0x3153C4, 0x0996E7, 0x4AE8F6, 0xA7A2B1, 0x84A7C9, 0x51798C, 0xB7CDD8, 0x536508,
          0x7BD8F7, 0x846401}},
        {3, "Pastels",
         {0xFFFFCC, 0xCCFFFF, 0xFFCCCC, 0xCCCC00, 0xCCCCCC, 0x999900, 0x999999, 0xCCCCFF, 0x66CCFF,
          0xFFCCCC, 0x9999FF, 0x99FFFF, 0xFFCC99, 0xCCFFCC}},
        {4, "Solid",
         {0xFF0000, 0x0000FF, 0x00FF00, 0x00CCFF, 0x404040, 0x00FFFF, 0xC000FF, 0xFFFFFF}},
        {5, "Classic",
         {0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0x800000, 0x008000, 0x808000,
          0x000080, 0x800080, 0x008080}},
        {6, "Web",
         {0x00A5FF, 0xCE0000, 0x00CE00, 0x40FFFF, 0xFFFF40, 0xFF40FF, 0x0040FF, 0xA58080, 0x408080}},
        {7, "Modern",
         {0x6699FF, 0x6666FF, 0xFFCC99, 0x669966, 0x99CCCC, 0xCC6699, 0x6666CC, 0x99CCFF, 0xFF6699,
          0xCCCCCC, 0xCCFF66, 0xFF9966, 0x996699, 0xFFCCCC}},
        {8, "Rainbow",
         {0x000099, 0x0000C3, 0x0000EE, 0x001AFF, 0x0046FF, 0x0073FF, 0x009FFF, 0x00CBFF, 0x00F7FF,
          0x08F4E3, 0x11E7C3, 0x1BDAA3, 0x25CD83, 0x2EC063, 0x38B342, 0x42A622, 0x4B9A02, 0x6A870C,
          0x8A751A, 0xAA6328, 0xCB5036, 0xEB3E44, 0xFF2A61, 0xFF1596, 0xFF00CC}},
        {9, "Win. XP",
         {0xFE9B82, 0x24D1FC, 0x0DBC7C, 0x2F85FD, 0xFCFEFD, 0x214EE2, 0xD63829, 0x0094B7, 0x00865A,
          0x0046D2, 0xFAE5D3, 0xD8D8D8, 0x7B715F}},
        {10, "Mac OS",
         {0xFFFFFF, 0x05F3FC, 0x0264FF, 0x0608DD, 0x8408F2, 0xA50046, 0xD40000, 0xEAAB02, 0x14B71F,
          0x116400, 0x052C56, 0x3A7190, 0xC0C0C0, 0x808080, 0x404040, 0x000000}},
        {11, "Win. Vista",
         {0xD21F00, 0x0102E0, 0x02661E, 0x7ECDE8, 0xACABAF, 0xD9D0A4, 0x3C3B3D, 0x31DD95, 0x01009E,
          0x74F7DC, 0xFDFD45, 0x748ED1, 0x91D8A0, 0x657AD5, 0xD99596}},
        {12, "Gray scale",
         {0xF0F0F0, 0xE0E0E0, 0xD0D0D0, 0xC0C0C0, 0xB0B0B0, 0xA0A0A0, 0x909090, 0x808080, 0x707070,
          0x606060, 0x505050, 0x404040, 0x303030, 0x202020, 0x101010}},
        {13, "Opera",
         {0xA36644, 0x359CF3, 0x144CF1, 0xA8974E, 0x6B402B, 0x637B1D, 0x0E08B3, 0x5DC0F2, 0x9EB75D,
          0x707070, 0x8DEAF3, 0xB4B4B4}},
        {14, "Warm",
         {0x8DEAF3, 0x5DC0F2, 0x359CF3, 0x1C81F5, 0x156BF3, 0x144CF1, 0x0A18E6, 0x0E08B3}},
        {15, "Cool",
         {0x6B402B, 0x8C543B, 0xA36644, 0xA8974E, 0x9EB75D, 0x8AA041, 0x7D922B, 0x637B1D}},
        {16, "BlackIsBack",
         {0x5AE6C8, 0xDC965A, 0x285AE6, 0x0FA0E6}},
        {17, "Metro",
         {0xFF00A2, 0x9700FF, 0xA9AB00, 0x26BF8C, 0x0050A0, 0xB871E6, 0x0996F0, 0xE2A11B, 0x0014E5,
          0x339933}},
        {18, "iOS",
         {0xFDCC48, 0x4DCD86, 0x9A9A9A, 0x84D2F7, 0x985F46, 0x415FA6, 0x487B9C, 0xD2618C, 0xAC8E75,
          0x0489FF, 0x3E39E2, 0x97D1B5}},
        {19, "Android",
         {0xE5B533, 0xCC66AA, 0x00CC99, 0x33BBFF, 0x4444FF, 0xCC9900, 0xCC3399, 0x009966, 0x0088FF,
          0x0000CC, 0xE5C488, 0xDEB1CF, 0x00FFCC, 0x91ECFF, 0xBBBBFF}},
    };
    for (const auto& palette : palettes) {
        SCOPED_TRACE(palette.name);
        EXPECT_EQ(TColorPalettes::BuiltInPalette(palette.index), palette.colors);
        EXPECT_EQ((*ChartPaletteNames)[palette.index], palette.name);
    }
    for (int index : {0, -1, -2, 20}) EXPECT_TRUE(TColorPalettes::BuiltInPalette(index).empty()) << index;
}

TEST_F(ChartPalettesTest, PickerListsDefaultThenEveryPalette)
{
    TStringList picker;
    ChartPaletteNames->AddNamesTo(picker, true);
    ASSERT_EQ(picker.Count(), 21);
    EXPECT_EQ(picker[0], "Default");
    EXPECT_EQ(picker[1], DuvMsgPaletteLibrary);
    EXPECT_EQ(picker[14], "Opera");
    EXPECT_EQ(picker[20], "Android");

    TStringList plain;
    ChartPaletteNames->AddNamesTo(plain, false);
    ASSERT_EQ(plain.Count(), 20);
    EXPECT_EQ(plain[19], "Android");

    struct TPlainTheme : TChartTheme {
        void Apply() override {}
    } theme;
    std::string description;
    theme.Description(description);
    EXPECT_EQ(description, "Default");
}

TEST_F(ChartPalettesTest, ApplyPaletteRecoloursOnlyDefaultColouredSeries)
{
    auto chart = ChartWithPalette(5);
    constexpr TColor kOwnColor = 0x123456;
    TPaletteTestSeries own(kOwnColor), automatic(clDefault);
    own.SetParentChart(chart.get());
    automatic.SetParentChart(chart.get());

    TColorPalettes::ApplyPalette(chart.get(), 16);
    EXPECT_EQ(chart->ColorPaletteIndex(), 16);
    EXPECT_EQ(chart->CustomPalette, (std::vector<TColor>{0x5AE6C8, 0xDC965A, 0x285AE6, 0x0FA0E6}));
    EXPECT_EQ(own.SeriesColor, kOwnColor);
    EXPECT_EQ(automatic.SeriesColor, 0x5AE6C8);

    automatic.SeriesColor = clDefault;
    TColorPalettes::ApplyPalette(chart.get(), 0);
    EXPECT_EQ(chart->ColorPaletteIndex(), 0);
    EXPECT_TRUE(chart->CustomPalette.empty());
    EXPECT_EQ(own.SeriesColor, kOwnColor);
    EXPECT_EQ(automatic.SeriesColor, DefaultPaletteColor(0));
}

TEST_F(ChartPalettesTest, NewChartTakesTheEditorsDefaultPalette)
{
    {
        TChart chart;  // no option stored
        EXPECT_EQ(chart.ColorPaletteIndex(), 13);
        EXPECT_EQ(chart.CustomPalette, TColorPalettes::BuiltInPalette(13));
        TPaletteTestSeries series(clDefault);
        series.SetParentChart(&chart);
        chart.ResolveDefaultColors();
        EXPECT_EQ(series.SeriesColor, 0xA36644);  // the first "Opera" colour
    }
    WriteEditorInteger("DefaultPalette", 0);
    TChart chart;
    EXPECT_EQ(chart.ColorPaletteIndex(), 0);
    EXPECT_TRUE(chart.CustomPalette.empty());
}

TEST_F(ChartPalettesTest, SwitchingToCustomKeepsTheColoursInUse)
{
    const struct {
        int from;
        std::vector<TColor> kept;
    } cases[] = {
        {5, TColorPalettes::BuiltInPalette(5)},
        {0, DefaultColorPalette},
        {-1, DefaultColorPalette},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.from);
        auto chart = ChartWithPalette(k.from);
        TPaletteTestSeries series(clNavy);
        series.SetParentChart(chart.get());
        chart->SetColorPaletteIndex(-2);
        EXPECT_EQ(chart->ColorPaletteIndex(), -2);
        EXPECT_EQ(chart->CustomPalette, k.kept);
        EXPECT_EQ(series.SeriesColor, clNavy);
    }
}

TEST_F(ChartPalettesTest, StoredCustomPaletteWithoutColoursMeansNone)
{
    auto chart = ChartWithPalette(0);
    enginetest::ReadComponentText(*chart, "object Chart1: TChart\n"
                                          "  ColorPaletteIndex = -2\n"
                                          "  ColorPalette = ()\n"
                                          "end\n");
    EXPECT_EQ(chart->ColorPaletteIndex(), -1);
    EXPECT_TRUE(chart->CustomPalette.empty());

    // Stored colours come back as the custom palette.
    auto other = ChartWithPalette(0);
    enginetest::ReadComponentText(*other, "object Chart1: TChart\n"
                                          "  ColorPaletteIndex = -2\n"
                                          "  ColorPalette = (\n    255\n    65280)\n"
                                          "end\n");
    EXPECT_EQ(other->ColorPaletteIndex(), -2);
    EXPECT_EQ(other->CustomPalette, (std::vector<TColor>{clRed, clLime}));
}

}  // namespace
