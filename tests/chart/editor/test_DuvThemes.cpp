#include <gtest/gtest.h>

#include <QDir>
#include <QFont>
#include <QFontInfo>
#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "chart/editor/DuvThemes.h"
#include "chart/editor/support_EditorTest.h"
#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvCanvas.h"
#include "chart/graphics/DuvCanvas3D.h"
#include "chart/output/DuvStore.h"
#include "chart/series/Series.h"
#include "chart/series/SeriesBar.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/Streams.h"
#include "support/TestSupport.h"

namespace {

// The chart the themes are tried on: 600 x 400, a bar and a line series of five fixed points,
// a title, a legend and the two axes the series use.
struct TThemeFixture {
    // Before any series exists: the series take their value-list names from the text tables.
    bool Started = (editortest::StartEditorModules(), true);
    TComponentPtr<TComponent> Owner{new TComponent(nullptr)};
    TChart* Chart = new TChart(Owner.get());
    TBarSeries* Bar = new TBarSeries(Owner.get());
    TLineSeries* Line = new TLineSeries(Owner.get());
    TThemeFixture()
    {
        Chart->SetName("Chart1");
        Chart->SetBounds(0, 0, 600, 400);
        Chart->Title()->AssignText("Sales");
        Bar->SetName("Series1");
        Line->SetName("Series2");
        Bar->SetParentChart(Chart);
        Line->SetParentChart(Chart);
        const double ys[] = {3, 5, 2, 6, 4};
        for (int i = 0; i < 5; ++i) {
            Bar->AddPointXY(i, ys[i]);
            Line->AddPointXY(i, 7 - ys[i]);
        }
    }
    std::string Text() const
    {
        TMemoryStream stream;
        SaveChartToStream(*Chart, stream, true, true);
        return stream.Bytes();
    }
    TVariant Get(const std::string& path) const { return GetPropValue(Chart, path); }
};

// Lists the looks the themes load, then loads them.
class TRecordingThemesList : public TThemesList {
public:
    std::vector<std::string> Names;
    void ApplyThemeResource(TCustomChart* chart, const std::string& resourceName) override
    {
        Names.push_back(resourceName);
        TThemesList::ApplyThemeResource(chart, resourceName);
    }
};

const char* const kResources[] = {"DUVDEFAULTTHEME",  "DUVEXCELTHEME",   "DUVCLASSICTHEME",      "DUVBUSINESSTHEME",
                                  "DUVWEBTHEME",      "DUVWINDOWSTHEME", "DUVBLUESKYTHEME",      "DUVFACTSTHEME",
                                  "DUVFLATTHEME",     "DUVOPERATHEME",   "DUVBLACKISBLACKTHEME", "DUVGRAYSCALETHEME",
                                  "DUVSPEEDTHEME"};

}  // namespace

TEST(DuvThemes, ListOffersThirteenThemesInOrder)
{
    editortest::StartEditorModules();
    const std::pair<const char*, const char*> expected[] = {
        {"TDefaultTheme", "Plotwise default"}, {"TExcelTheme", "Microsoft\u00ae Excel"}, {"TClassicTheme", "Classic"},
        {"TBusinessTheme", "Business"},        {"TWebTheme", "Web"},                     {"TWindowsXPTheme", "Windows"},
        {"TBlueSkyTheme", "Blues"},            {"TFactsTheme", "Facts"},                 {"TFlatTheme", "Flat"},
        {"TOperaTheme", "Opera"},              {"TBlackIsBackTheme", "BlackIsBack"},     {"TGrayscaleTheme", "Gray scale"},
        {"TSpeedTheme", "Speed"}};
    ASSERT_EQ(ThemesList->Count(), 13);
    for (int i = 0; i < 13; ++i) {
        const TClassInfo* info = ThemesList->ThemeAt(i);
        EXPECT_EQ(info->Name(), expected[i].first);
        std::unique_ptr<TPersistent> theme(info->Create(nullptr));
        std::string text;
        static_cast<TChartTheme*>(theme.get())->Description(text);
        EXPECT_EQ(text, expected[i].second) << info->Name();
    }
    EXPECT_TRUE(ThemesList->ThemeAt(3)->InheritsFrom(TDefaultTheme::StaticClass()));
    EXPECT_TRUE(ThemesList->ThemeAt(5)->InheritsFrom(TBusinessTheme::StaticClass()));
    EXPECT_THROW(ThemesList->ThemeAt(13), EListError);
}

// A theme applies its parents' looks first.
TEST(DuvThemes, DerivedThemesApplyTheirParentsLooksFirst)
{
    TThemeFixture f;
    struct TCase {
        const TClassInfo& Theme;
        std::vector<std::string> Names;
    };
    const TCase cases[] = {
        {TClassicTheme::StaticClass(), {"DUVCLASSICTHEME"}},
        {TBusinessTheme::StaticClass(), {"DUVDEFAULTTHEME", "DUVBUSINESSTHEME"}},
        {TWebTheme::StaticClass(), {"DUVDEFAULTTHEME", "DUVWEBTHEME"}},
        {TWindowsXPTheme::StaticClass(), {"DUVDEFAULTTHEME", "DUVBUSINESSTHEME", "DUVWINDOWSTHEME"}},
    };
    std::unique_ptr<TThemesList> saved = std::move(ThemesList);
    for (const TCase& c : cases) {
        auto recording = std::make_unique<TRecordingThemesList>();
        TRecordingThemesList* list = recording.get();
        ThemesList = std::move(recording);
        ApplyChartTheme(c.Theme, f.Chart, -1);
        EXPECT_EQ(list->Names, c.Names) << c.Theme.Name();
    }
    ThemesList = std::move(saved);
}

TEST(DuvThemes, PaletteIndexMinusOneKeepsTheThemesPalette)
{
    TThemeFixture f;
    ApplyChartTheme(TClassicTheme::StaticClass(), f.Chart, -1);
    EXPECT_EQ(f.Chart->ColorPaletteIndex(), 5);
    ApplyChartTheme(TClassicTheme::StaticClass(), f.Chart, 3);
    EXPECT_EQ(f.Chart->ColorPaletteIndex(), 3);
}

TEST(DuvThemes, EveryThemeResourceLoadsWithNothingSkipped)
{
    editortest::StartEditorModules();
    for (const char* name : kResources) {
        std::unique_ptr<TStream> stream = FindResourceStream(name);
        ASSERT_TRUE(stream) << name;
        TComponentPtr<TChart> chart(new TChart(nullptr));
        const std::vector<std::string> skipped = LoadChartFromStream(*chart, *stream);
        EXPECT_TRUE(skipped.empty()) << name << ": " << (skipped.empty() ? "" : skipped.front());
        EXPECT_EQ(chart->DefaultCanvas(), "TGDIPlusCanvas") << name;
    }
}

// Cells the theme tables state, read back from the themed fixture chart.
TEST(DuvThemes, ThemesGiveTheirTellingSettings)
{
    struct TCell {
        const TClassInfo& Theme;
        const char* Path;
        TVariant Value;
    };
    const TCell cells[] = {
        {TClassicTheme::StaticClass(), "BackWall.Color", 0xFFFFFF},
        {TClassicTheme::StaticClass(), "LeftWall.Size", 8},
        {TClassicTheme::StaticClass(), "BottomWall.Dark3D", false},
        {TClassicTheme::StaticClass(), "Title.Font.Name", "Times New Roman"},
        {TClassicTheme::StaticClass(), "Title.Font.Height", -16},
        {TClassicTheme::StaticClass(), "Legend.Transparent", true},
        {TClassicTheme::StaticClass(), "BottomAxis.GridCentered", true},
        {TClassicTheme::StaticClass(), "Series1.Marks.Font.Name", "Times New Roman"},
        {TBusinessTheme::StaticClass(), "Border.Width", 6},
        {TBusinessTheme::StaticClass(), "BorderRound", 10},
        {TBusinessTheme::StaticClass(), "Series1.Marks.Gradient.Visible", true},
        {TBusinessTheme::StaticClass(), "Series1.Marks.Gradient.StartColor", 0xC0C0C0},
        {TWebTheme::StaticClass(), "Color", 0xC4C4C4},
        {TWebTheme::StaticClass(), "LeftAxis.TickInnerLength", 6},
        {TWebTheme::StaticClass(), "Series2.Marks.Font.Name", "Lucida Console"},
        {TWindowsXPTheme::StaticClass(), "Shadow.HorizSize", 10},
        {TWindowsXPTheme::StaticClass(), "Border.Width", 7},
        {TBlueSkyTheme::StaticClass(), "LeftAxis.MinorTickCount", 7},
        {TBlueSkyTheme::StaticClass(), "BevelInner", "bvLowered"},
        {TFactsTheme::StaticClass(), "LeftWall.Size", 4},
        {TFactsTheme::StaticClass(), "BottomAxis.Grid.Visible", false},
        {TFactsTheme::StaticClass(), "BottomAxis.Axis.Color", 0x404040},
        {TFactsTheme::StaticClass(), "Series1.Marks.Shadow.Color", 0xCCCCCC},
        {TFlatTheme::StaticClass(), "Title.Font.Name", "Roboto Th"},
        {TFlatTheme::StaticClass(), "Title.Font.Height", -47},
        {TOperaTheme::StaticClass(), "LeftAxis.Grid.Color", 0xA9A9A9},
        {TOperaTheme::StaticClass(), "Series1.Marks.Font.Name", "Verdana"},
        {TBlackIsBackTheme::StaticClass(), "Gradient.StartColor", 0x464646},
        {TBlackIsBackTheme::StaticClass(), "Series1.Marks.Font.Color", 0xFFFFFF},
        {TGrayscaleTheme::StaticClass(), "ColorPaletteIndex", -2},
        {TGrayscaleTheme::StaticClass(), "Series1.Marks.Font.Size", 10},
        {TSpeedTheme::StaticClass(), "View3D", false},
        {TSpeedTheme::StaticClass(), "ClipPoints", false},
        {TSpeedTheme::StaticClass(), "Title.Visible", false},
        {TSpeedTheme::StaticClass(), "Series1.Marks.Visible", false},
        {TSpeedTheme::StaticClass(), "BottomAxis.RoundFirstLabel", false},
    };
    for (const TCell& cell : cells) {
        TThemeFixture f;
        ApplyChartTheme(cell.Theme, f.Chart, -1);
        std::string path = cell.Path;
        TPersistent* root = f.Chart;
        if (path.rfind("Series", 0) == 0) {
            const std::size_t dot = path.find('.');
            root = f.Owner->FindComponent(path.substr(0, dot));
            path = path.substr(dot + 1);
        }
        const TVariant value = path == "ColorPaletteIndex" ? TVariant(f.Chart->ColorPaletteIndex()) : GetPropValue(root, path);
        EXPECT_EQ(value.AsString(), cell.Value.AsString()) << cell.Theme.Name() << " " << cell.Path;
    }
    TThemeFixture grey;
    ApplyChartTheme(TGrayscaleTheme::StaticClass(), grey.Chart, -1);
    ASSERT_EQ(grey.Chart->CustomPalette.size(), 15u);
    EXPECT_EQ(grey.Chart->CustomPalette.front(), 0xF0F0F0);
    EXPECT_EQ(grey.Chart->CustomPalette.back(), 0x101010);
    TThemeFixture speed;
    ApplyChartTheme(TSpeedTheme::StaticClass(), speed.Chart, -1);
    EXPECT_TRUE(speed.Chart->AxesList().FastCalculation());
    TThemeFixture excel;
    ApplyChartTheme(TExcelTheme::StaticClass(), excel.Chart, -1);
    EXPECT_EQ(excel.Chart->CustomPalette.size(), 22u);
    // The bars take the style bar's marks; the style chart keeps its colour-each-point bar.
    EXPECT_TRUE(GetPropValue(excel.Bar, "Marks.Transparent").AsBoolean());
    auto* style = dynamic_cast<TCustomAxisPanel*>(excel.Chart->StyleTemplate.get());
    ASSERT_TRUE(style && style->CountSeries() == 1);
    EXPECT_TRUE(GetPropValue(style->GetSeries(0), "ColorEachPoint").AsBoolean());
}

// Without a registered band tool class Facts adds nothing to the chart's tools.
TEST(DuvThemes, FactsAddsNoBandWhileNoBandToolIsRegistered)
{
    TThemeFixture f;
    ApplyChartTheme(TFactsTheme::StaticClass(), f.Chart, -1);
    ApplyChartTheme(TFactsTheme::StaticClass(), f.Chart, -1);
    EXPECT_EQ(f.Chart->Tools()->Count(), 0);
}

TEST(DuvThemes, ChartWithMoreAxesTakesTheSourcesFirstAxisForTheExtraOnes)
{
    TThemeFixture f, source;
    TChartAxis* custom = f.Chart->CustomAxes()->AddAxis();
    source.Chart->AxesList().GetAxis(0)->Axis()->SetColor(0x123456);
    source.Chart->AxesList().GetAxis(0)->SetTickLength(9);
    TThemesList::CopyChartLook(f.Chart, source.Chart);
    EXPECT_EQ(custom->Axis()->Color(), 0x123456);
    EXPECT_EQ(custom->TickLength(), 9);
    EXPECT_EQ(f.Chart->AxesList().GetAxis(0)->TickLength(), 9);
}

TEST(DuvThemes, SchemeOneFromTheStartColoursEachPart)
{
    TThemeFixture f;
    ApplyThemePalette(f.Chart, ThemePalettes.at(1), 0);
    const std::pair<const char*, int> cells[] = {
        {"Color", 0x000000},           {"Legend.Color", 0x000000},          {"Title.Color", 0x000000},
        {"Border.Color", 0x483226},    {"LeftAxis.Axis.Color", 0x483226},   {"BottomAxis.Grid.Color", 0x483226},
        {"BackWall.Pen.Color", 0x483226}, {"Legend.Font.Color", 0xA28A7E}, {"LeftAxis.LabelsFont.Color", 0xA28A7E},
        {"Title.Font.Color", 0xA28A7E}, {"BackWall.Color", 0xFFFFFF},       {"LeftWall.Color", 0x0098FF},
        {"BottomWall.Color", 0x0098FF}, {"Gradient.Visible", 0},
    };
    for (const auto& [path, color] : cells) EXPECT_EQ(f.Get(path).AsInteger(), color) << path;
    EXPECT_EQ(f.Bar->Pen().Color(), 0x483226);
    EXPECT_EQ(GetPropValue(f.Bar, "Marks.Font.Color").AsInteger(), 0xA28A7E);
}

TEST(DuvThemes, SchemeStartIndexWrapsAndAnEmptySchemeChangesNothing)
{
    struct TCase {
        int Start;
        std::vector<int> Expected;  // background, pens, fonts, back wall, side walls
    };
    const TThemePalette five = {0x000001, 0x000002, 0x000003, 0x000004, 0x000005};
    const TCase cases[] = {{3, {4, 5, 1, 2, 3}}, {0, {1, 2, 3, 4, 5}}, {7, {1, 2, 3, 4, 5}}, {-1, {1, 2, 3, 4, 5}}};
    for (const TCase& c : cases) {
        TThemeFixture f;
        ApplyThemePalette(f.Chart, five, c.Start);
        const int got[] = {static_cast<int>(f.Get("Color").AsInteger()), static_cast<int>(f.Get("Border.Color").AsInteger()),
                           static_cast<int>(f.Get("Legend.Font.Color").AsInteger()),
                           static_cast<int>(f.Get("BackWall.Color").AsInteger()),
                           static_cast<int>(f.Get("LeftWall.Color").AsInteger())};
        EXPECT_EQ(std::vector<int>(std::begin(got), std::end(got)), c.Expected) << c.Start;
    }
    TThemeFixture f;
    const std::string before = f.Text();
    ApplyThemePalette(f.Chart, {}, 0);
    EXPECT_EQ(f.Text(), before);
}

TEST(DuvThemes, ChartFontsReachEveryTextAndNeverShrinkBelowATenth)
{
    TThemeFixture f;
    TChartAxis* sub = static_cast<TChartAxis*>(f.Chart->LeftAxis()->GetSubAxes()->Add());
    SetChartFontName(f.Chart, "Verdana");
    const char* const paths[] = {"Legend.Font.Name",        "Title.Font.Name",          "SubTitle.Font.Name",
                                 "Foot.Font.Name",          "SubFoot.Font.Name",        "LeftAxis.LabelsFont.Name",
                                 "BottomAxis.LabelsFont.Name", "LeftAxis.Title.Font.Name", "DepthTopAxis.Title.Font.Name"};
    for (const char* path : paths) EXPECT_EQ(f.Get(path).AsString(), "Verdana") << path;
    EXPECT_EQ(GetPropValue(sub, "LabelsFont.Name").AsString(), "Verdana");
    EXPECT_EQ(GetPropValue(f.Bar, "Marks.Font.Name").AsString(), "Verdana");
    EXPECT_EQ(GetPropValue(f.Line, "Marks.Font.Name").AsString(), "Verdana");

    ChangeChartFontSizes(f.Chart, 2);
    EXPECT_DOUBLE_EQ(f.Get("Legend.Font.SizeFloat").AsFloat(), 10);
    ChangeChartFontSizes(f.Chart, -100);
    for (const char* path : {"Legend.Font.SizeFloat", "Title.Font.SizeFloat", "LeftAxis.LabelsFont.SizeFloat"})
        EXPECT_NEAR(f.Get(path).AsFloat(), 0.1, 1e-6) << path;
    EXPECT_NEAR(GetPropValue(f.Bar, "Marks.Font.SizeFloat").AsFloat(), 0.1, 1e-6);
}

// Excel and Flat are left out: their style bar gives the line series a bar's brush, whose back
// colour the line series does not write back the same way (a fault of the line series' file
// form, not of the themes).
TEST(DuvThemes, ThemedChartSavesLoadsAndSavesTheSameBytes)
{
    editortest::StartEditorModules();
    for (int i = 0; i < ThemesList->Count(); ++i) {
        const TClassInfo& theme = *ThemesList->ThemeAt(i);
        if (theme.Name() == "TExcelTheme" || theme.Name() == "TFlatTheme") continue;
        TThemeFixture f;
        ApplyChartTheme(theme, f.Chart, -1);
        TMemoryStream first;
        SaveChartToStream(*f.Chart, first);
        first.Seek(0, TSeekOrigin::soBeginning);
        TComponentPtr<TComponent> owner(new TComponent(nullptr));
        TChart* loaded = new TChart(owner.get());
        const std::vector<std::string> skipped = LoadChartFromStream(*loaded, first);
        EXPECT_TRUE(skipped.empty()) << theme.Name() << ": " << (skipped.empty() ? "" : skipped.front());
        TMemoryStream second;
        SaveChartToStream(*loaded, second);
        EXPECT_EQ(second.Bytes(), first.Bytes()) << theme.Name();
    }
}

TEST(DuvThemes, ThemeFilesTakeTheExtensionAndABadFileLeavesTheLook)
{
    TThemeFixture f, source;
    QTemporaryDir folder;
    const std::string base = folder.path().toStdString() + "/look";
    source.Chart->SetColor(0x2468AC);
    SaveChartToFile(*source.Chart, base + ".duv");
    ThemesList->ApplyThemeFile(f.Chart, base);
    EXPECT_EQ(f.Chart->Color(), 0x2468AC);

    std::ofstream(base + "-bad.duv", std::ios::binary) << "object Chart1: TChart\n  Color = \n";
    const std::string before = f.Text();
    EXPECT_THROW(ThemesList->ApplyThemeFile(f.Chart, base + "-bad"), Exception);
    EXPECT_EQ(f.Text(), before);
}

// The faces the theme charts name are answered by the free fonts the program installs.
TEST(DuvThemes, ThemeFontsResolveToTheirSubstitutes)
{
    editortest::StartEditorModules();
    const std::pair<const char*, const char*> faces[] = {
        {"Times New Roman", "Liberation Serif"}, {"Lucida Console", "Liberation Mono"}, {"Verdana", "DejaVu Sans"},
        {"Roboto Th", "Roboto Thin"},           {"Arial", "Liberation Sans"},
    };
    for (const auto& [face, substitute] : faces)
        EXPECT_EQ(QFontInfo(QFont(face)).family().toStdString(), substitute) << face;
}

namespace {

// Stands in for the grid band tool of the tools library, which lies above this one: an axis
// tool with two coloured bands, found by its class name.
class TBandColor : public TPersistent {
    QB_CLASS(TBandColor, TPersistent)
public:
    static void DeclareProperties(TPropertyDeclarer<TBandColor>& p) { p.Color("Color", &TBandColor::Color).Default(0); }
    TColor Color = 0;
};

class TGridBandTool : public TDuvCustomToolAxis {
    QB_CLASS(TGridBandTool, TDuvCustomToolAxis)
public:
    explicit TGridBandTool(TComponent* owner) : TDuvCustomToolAxis(owner) {}
    static void DeclareProperties(TPropertyDeclarer<TGridBandTool>& p)
    {
        p.Object("Band1", [](const TGridBandTool& t) { return &t.band1_; });
        p.Object("Band2", [](const TGridBandTool& t) { return &t.band2_; });
    }

private:
    mutable TBandColor band1_, band2_;
};

}  // namespace

// Facts keeps one band however often it is applied, and a chart without owner owns its band.
TEST(DuvThemes, FactsReusesItsBandAndAnOwnerlessChartOwnsIt)
{
    TThemeFixture f;
    RegisterToolClasses({&TGridBandTool::StaticClass()});
    TScopeGuard unregister([] { UnregisterToolClasses({&TGridBandTool::StaticClass()}); });
    ApplyChartTheme(TFactsTheme::StaticClass(), f.Chart, -1);
    ApplyChartTheme(TFactsTheme::StaticClass(), f.Chart, -1);
    ASSERT_EQ(f.Chart->Tools()->Count(), 1);
    auto* band = dynamic_cast<TGridBandTool*>(f.Chart->Tools()->GetTool(0));
    ASSERT_NE(band, nullptr);
    EXPECT_EQ(band->Owner(), f.Owner.get());
    EXPECT_EQ(band->Name(), "GridBandTool1");
    EXPECT_EQ(band->Axis(), f.Chart->LeftAxis());
    EXPECT_EQ(GetPropValue(band, "Band1.Color").AsInteger(), 0xE9E9E9);
    EXPECT_EQ(GetPropValue(band, "Band2.Color").AsInteger(), 0xFFFFFF);

    TComponentPtr<TChart> preview(new TChart(nullptr));
    ApplyChartTheme(TFactsTheme::StaticClass(), preview.get(), -1);
    ApplyChartTheme(TFactsTheme::StaticClass(), preview.get(), -1);
    ASSERT_EQ(preview->Tools()->Count(), 1);
    EXPECT_EQ(preview->Tools()->GetTool(0)->Owner(), preview.get());
}

namespace {

// What each theme changes on the fixture chart, one column per property path; "Palette<n>" is
// the chart's n-th palette colour and "IndexOfPalette" its palette index.
const char* const kTableColumns[] = {
    "Color", "Gradient.Visible", "Gradient.Direction", "Gradient.StartColor", "Gradient.EndColor", "Border.Visible",
    "Border.Color", "Border.Width", "BorderRound", "BevelInner", "BevelOuter", "BevelWidth", "Shadow.HorizSize",
    "Legend.Visible", "Legend.Color", "Legend.Transparent", "Legend.Gradient.Visible", "Legend.Font.Name",
    "Legend.Font.Color", "Title.Visible", "Title.Font.Name", "Title.Font.Height", "Title.Gradient.Visible",
    "BackWall.Color", "BackWall.Size", "BackWall.Pen.Visible", "BackWall.Gradient.Visible", "LeftWall.Color",
    "LeftWall.Size", "BottomWall.Color", "LeftAxis.Axis.Color", "LeftAxis.Grid.Visible", "LeftAxis.Grid.Color",
    "BottomAxis.Grid.Visible", "LeftAxis.MinorTicks.Visible", "LeftAxis.LabelsFont.Name", "View3D", "ClipPoints",
    "IndexOfPalette", "Palette0", "Palette1", "Palette2", "Series1.Marks.Visible", "Series1.Marks.Transparent",
    "Series1.Marks.Font.Name", "Series2.Marks.Visible"};

std::string Cell(TThemeFixture& f, const std::string& column)
{
    if (column == "IndexOfPalette") return std::to_string(f.Chart->ColorPaletteIndex());
    if (column.rfind("Palette", 0) == 0) return std::to_string(f.Chart->ColorFromPalette(std::stoi(column.substr(7))));
    if (column.rfind("Series", 0) == 0) {
        const std::size_t dot = column.find('.');
        return GetPropValue(f.Owner->FindComponent(column.substr(0, dot)), column.substr(dot + 1)).AsString();
    }
    return f.Get(column).AsString();
}

QImage Drawn(TThemeFixture& f, const std::string& canvasClass)
{
    f.Chart->ReplaceCanvas(FindCanvasClass(canvasClass).Create(), canvasClass);
    return *f.Chart->CreatePanelBitmap();
}

}  // namespace

// The table a person has reviewed once; rerun with QB_UPDATE_PICTURES set to write it anew
// after a deliberate change.
TEST(DuvThemes, EachThemeChangesTheFixtureAsItsTableSays)
{
    editortest::StartEditorModules();
    std::string table = "Theme";
    for (const char* column : kTableColumns) table += std::string(",") + column;
    table += "\n";
    for (int i = 0; i < ThemesList->Count(); ++i) {
        TThemeFixture f;
        ApplyChartTheme(*ThemesList->ThemeAt(i), f.Chart, -1);
        table += ThemesList->ThemeAt(i)->Name();
        for (const char* column : kTableColumns) table += "," + Cell(f, column);
        table += "\n";
    }
    const std::string path = qbtest::DataPath("chart/editor/theme_properties.csv");
    if (std::getenv("QB_UPDATE_PICTURES")) qbtest::WriteFileBytes(path, table);
    EXPECT_EQ(table, qbtest::ReadFileBytes(path));
}

// Each themed fixture on the smooth canvas, compared with the picture a person has looked at.
TEST(DuvThemes, EachThemedChartLooksAsItsPicture)
{
    editortest::StartEditorModules();
    for (int i = 0; i < ThemesList->Count(); ++i) {
        TThemeFixture f;
        ApplyChartTheme(*ThemesList->ThemeAt(i), f.Chart, -1);
        const QImage picture = Drawn(f, "TGDIPlusCanvas");
        EXPECT_TRUE(qbtest::LooksLikePicture(picture, "chart/editor/theme_" + ThemesList->ThemeAt(i)->Name() + ".png", 100));
    }
}

namespace {

// The colour the settings give a point, or none where a gradient crosses it.
std::optional<TColor> Plain(TThemeFixture& f, const std::string& shape)
{
    const std::string prefix = shape.empty() ? std::string() : shape + ".";
    if (f.Get(prefix + "Gradient.Visible").AsBoolean()) return std::nullopt;
    return static_cast<TColor>(f.Get(prefix + "Color").AsInteger());
}

QRgb Rgb(TColor color) { return ToQColor(color).rgb(); }

}  // namespace

// Colours sampled where the property table decides them: the panel near its corner, inside the
// legend's and the title's boxes, and the back wall inside the chart's top right corner; on
// both canvases. A point a gradient or a blurred shadow crosses is left out.
TEST(DuvThemes, SampledColoursAreThoseTheSettingsGive)
{
    editortest::StartEditorModules();
    for (const char* canvas : {"TGDIPlusCanvas", "TDuvCanvas3D"})
        for (int i = 0; i < ThemesList->Count(); ++i) {
            TThemeFixture f;
            const std::string theme = ThemesList->ThemeAt(i)->Name();
            ApplyChartTheme(*ThemesList->ThemeAt(i), f.Chart, -1);
            const QImage image = Drawn(f, canvas);
            const std::optional<TColor> panel = Plain(f, "");
            struct TSample {
                const char* Where;
                QPoint At;
                std::optional<TColor> Expected;
            };
            const TRect legend = f.Chart->Legend()->Bounds;
            const TRect title = f.Chart->Title()->Bounds;
            const TRect walls = f.Chart->ChartRect;
            std::vector<TSample> samples = {{"panel corner", {14, 14}, panel}};
            if (f.Get("Legend.Visible").AsBoolean())
                samples.push_back({"legend inside", {legend.Right - 4, legend.Top + 4},
                                   f.Get("Legend.Transparent").AsBoolean() ? panel : Plain(f, "Legend")});
            // A title whose letters cast a blurred shadow has no plain point to sample.
            if (f.Get("Title.Visible").AsBoolean() && f.Get("Title.Font.Shadow.HorizSize").AsInteger() == 0)
                samples.push_back({"title inside", {title.Right - 2, title.Top + 2},
                                   f.Get("Title.Transparent").AsBoolean() ? panel : Plain(f, "Title")});
            if (!f.Get("BackWall.Transparent").AsBoolean())
                samples.push_back({"back wall", {walls.Right - 4, walls.Top + 4}, Plain(f, "BackWall")});
            for (const TSample& s : samples) {
                if (!s.Expected) continue;
                EXPECT_EQ(image.pixel(s.At) & 0xFFFFFF, Rgb(*s.Expected) & 0xFFFFFF) << theme << " " << canvas << " " << s.Where;
            }
        }
}
