// Series with a third value: the Z list beside X and Y, depth order, picture pixels, colour
// ranges, stepped palettes, the legend, palette files, the grid index and chart files.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/series-ext/DuvSurfaGrid.h"
#include "chart/series-ext/support_SeriesExtTest.h"
#include "chart/series/Series.h"
#include "chart/series/support_SeriesTest.h"
#include "chart/engine/support_ChartEngine.h"
#include "platform/core/NumText.h"

using seriestest::TTestChart;

namespace {

class SurfaTest : public ::testing::Test {
protected:
    void SetUp() override { seriesexttest::StartSeriesExtModules(); }
    template <class S>
    S* Add()
    {
        auto* series = new S(&chart);
        series->SetParentChart(&chart);
        return series;
    }
    TTestChart chart;
};

TEST_F(SurfaTest, AddXYZKeepsZBesideXAndYAndRefusedPointsAddNoZ)
{
    auto* series = Add<TCustom3DSeries>();
    EXPECT_EQ(series->AddXYZ(3, 1, 7), 0);
    EXPECT_EQ(series->AddXYZ(1, 2, 8), 1);  // decreasing X keeps its place
    bool refuse = true;
    struct TRefuser {
        bool* Refuse;
        bool Before(TChartSeries*) { return !*Refuse; }
    } refuser{&refuse};
    series->OnBeforeAdd = TSeriesOnBeforeAdd(&refuser, &TRefuser::Before);
    EXPECT_EQ(series->AddXYZ(5, 5, 5), -1);
    ASSERT_EQ(series->ZValues()->Count(), 2);
    EXPECT_EQ(series->XValues()->GetValueAt(0), 3);
    EXPECT_EQ(series->XValues()->GetValueAt(1), 1);
    EXPECT_EQ(series->ZValues()->GetValueAt(1), 8);
    EXPECT_EQ(series->GetPointColor(0), series->GetSeriesColor());
    series->DeletePoint(0);
    EXPECT_EQ(series->ZValues()->Count(), 1);
    EXPECT_EQ(series->ZValues()->GetValueAt(0), 8);
}

TEST_F(SurfaTest, ThreeDSeriesClaimsTimesZOrderDepthSlots)
{
    chart.SetView3D(true);
    auto* first = Add<TCustom3DSeries>();
    first->SetTimesZOrder(5);
    first->AddXYZ(0, 0, 0);
    auto* after = Add<TCustom3DSeries>();
    after->AddXYZ(0, 0, 0);
    first->CalcZOrder();
    EXPECT_EQ(chart.MaxZOrder, 5);
    after->ZOrder = -1;
    after->TChartSeries::CalcZOrder();
    EXPECT_EQ(after->DepthSlot, 6);
}

TEST_F(SurfaTest, OnlyThreeDSeriesAreAcceptedAsSources)
{
    auto* series = Add<TCustom3DSeries>();
    auto* other = Add<TCustom3DSeries>();
    auto* line = Add<TLineSeries>();
    EXPECT_TRUE(series->AcceptsSourceSeries(other));
    EXPECT_FALSE(series->AcceptsSourceSeries(line));
}

TEST_F(SurfaTest, PicturePixelsBecomePointsColumnByColumn)
{
    QImage picture(3, 2, QImage::Format_RGB32);
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 2; ++y) picture.setPixel(x, y, qRgb(10 * x + y, 1 + x, 2 + y));
    auto* series = Add<TCustom3DSeries>();
    series->AddXYZ(99, 99, 99);
    AddGraphicPixels(series, picture);
    ASSERT_EQ(series->PointCount(), 6);
    int i = 0;
    for (int x = 0; x < 3; ++x)
        for (int z = 0; z < 2; ++z, ++i) {
            EXPECT_EQ(series->XValues()->GetValueAt(i), x);
            EXPECT_EQ(series->ZValues()->GetValueAt(i), z);
            EXPECT_EQ(series->YValues()->GetValueAt(i), (10 * x + z) + (1 + x) * 256.0 + (2 + z) * 65536.0);
        }
}

TEST_F(SurfaTest, DepthOrderFollowsRotationAndInversion)
{
    auto* series = Add<TCustom3DSeries>();
    struct TCase {
        int rotation;
        bool inverted, reversed;
    } const cases[] = {{90, false, false}, {91, false, true}, {269, false, true}, {270, false, false},
                       {90, true, true},   {91, true, false}, {269, true, false}, {270, true, true}};
    for (const TCase& c : cases) {
        chart.View3DOptions().SetRotation(c.rotation);
        chart.DepthAxis()->SetInverted(c.inverted);
        EXPECT_EQ(DepthOrderReversed(series), c.reversed) << c.rotation << " " << c.inverted;
    }
}

TEST_F(SurfaTest, DrawnBoundsChangeWithSizeAndDepthOnly)
{
    chart.SetView3D(true);
    auto* series = Add<TCustom3DSeries>();
    series->AddXYZ(1, 1, 1);
    chart.Draw();
    EXPECT_FALSE(series->DrawnBoundsChanged());
    chart.Draw();
    EXPECT_FALSE(series->DrawnBoundsChanged());
    chart.SetBounds(0, 0, 500, 300);
    chart.Draw();
    EXPECT_FALSE(series->DrawnBoundsChanged());
    chart.ChartRect.Right -= 10;
    EXPECT_TRUE(series->DrawnBoundsChanged());
    chart.Draw();
    series->EndZ += 3;
    EXPECT_TRUE(series->DrawnBoundsChanged());
}

// ---------------------------------------------------------------- colour range

class PaletteTest : public SurfaTest {
protected:
    TCustom3DPaletteSeries* Filled(double low, double high)
    {
        auto* series = Add<TCustom3DPaletteSeries>();
        series->AddXYZ(0, low, 0);
        series->AddXYZ(1, high, 0);
        series->PrepareToDraw();
        return series;
    }
};

TEST_F(PaletteTest, ColourRangeBlendsEndToStart)
{
    struct TCase {
        TColor mid;
        double value;
        TColor expected;
    } const cases[] = {
        {clNone, 0, 0xFFFFFF}, {clNone, 2.5, 0xDFBFBF}, {clNone, 5, 0xBF7F7F}, {clNone, 7.5, 0xA04040},
        {clNone, 10, 0x800000}, {clNone, -1, 0xFFFFFF}, {clNone, 11, 0x800000},
        // Mid 0x000019 over end 0: s = 2 x 0.05 is 0.1, and 0.1 x 25 = 2.5 rounds to 2 in double
        // but 0.1f x 25 = 2.50000004 gives 3: the half-range factor is single precision.
        {0x000019, 0.5, 0x000003},
        {0x000019, 7.5, 0x40000D},
    };
    for (const TCase& c : cases) {
        auto* series = Filled(0, 10);
        series->SetMidColor(c.mid);
        if (c.mid != clNone) series->SetEndColor(0);
        EXPECT_EQ(series->ValueColor(c.value), c.expected) << c.value;
        FreeComponent(series);
    }
}

TEST_F(PaletteTest, ColourRangeOfEqualValuesIsEndColour)
{
    auto* series = Filled(4, 4);
    EXPECT_EQ(series->ValueColor(4), 0xFFFFFF);
    series->SetEndColor(0x7F010203);
    series->SetStartColor(0x01000000);
    auto* spread = Filled(0, 10);
    spread->SetEndColor(0x7F000000);
    spread->SetStartColor(0x01000000);
    EXPECT_EQ(static_cast<std::uint32_t>(spread->ValueColor(5)) >> 24, 0x40u);  // 127 + rnd(-63) = 64
}

std::vector<double> UpToValues(const TCustom3DPaletteSeries& series)
{
    std::vector<double> out;
    for (const TGridPalette& entry : series.Palette()) out.push_back(entry.UpToValue);
    return out;
}

TEST_F(PaletteTest, SteppedPaletteBuildsAndLooksUp)
{
    auto* series = Filled(0, 10);
    series->SetUseColorRange(false);
    series->SetUsePalette(true);

    series->SetPaletteSteps(5);
    EXPECT_EQ(UpToValues(*series), (std::vector<double>{0, 2.5, 5, 7.5, 10}));
    EXPECT_EQ(series->ValueColor(2.5), series->Palette()[1].Color);
    EXPECT_EQ(series->ValueColor(2.6), series->Palette()[2].Color);
    EXPECT_EQ(series->ValueColor(99), series->Palette()[4].Color);

    series->SetPaletteStep(3);
    series->SetPaletteMin(-5);
    series->SetUsePaletteMin(true);
    series->SetPaletteSteps(4);
    EXPECT_EQ(UpToValues(*series), (std::vector<double>{-5, -2, 1, 4}));
    series->SetUsePaletteMin(false);
    series->SetPaletteStep(0);

    series->SetPaletteStyle(psGrayScale);
    series->SetPaletteSteps(32);
    EXPECT_EQ(series->Palette()[0].Color, 0);
    EXPECT_EQ(series->Palette()[31].Color, 0xF7F7F7);

    series->SetPaletteStyle(psRainbow);
    series->CreateDefaultPalette();
    EXPECT_EQ(series->Palette()[27].Color, 0x0000EE);
    auto* orphan = new TCustom3DPaletteSeries(nullptr);
    orphan->SetPaletteStyle(psRainbow);
    orphan->CreateDefaultPalette(32);
    EXPECT_TRUE(orphan->Palette().empty());
    delete orphan;

    series->SetPaletteStyle(psCustom);
    series->SetPaletteSteps(3);
    series->ApplyColorsToPalette({0x11, 0x22, 0x33});
    series->SetPaletteSteps(5);
    std::vector<TColor> colors;
    for (const TGridPalette& entry : series->Palette()) colors.push_back(entry.Color);
    EXPECT_EQ(colors, (std::vector<TColor>{0x11, 0x22, 0x33, 0x11, 0x22}));

    InvertPalette(series);
    EXPECT_EQ(series->Palette()[0].Color, 0x22);
    EXPECT_EQ(series->Palette()[4].Color, 0x11);
    series->ColorRangeToPalette();
    EXPECT_EQ(series->Palette()[0].Color, 0xFFFFFF);
    EXPECT_EQ(series->Palette()[4].Color, 0x800000);

    series->SetPaletteStyle(psPale);
    series->SetPaletteStyle(psCustom);
    EXPECT_TRUE(series->Palette().empty());
}

TEST_F(PaletteTest, EqualUpToValuesGoAfterExistingOnes)
{
    auto* series = Filled(0, 1);
    series->ClearPalette();
    series->AddPalette(1, 5);
    series->AddPalette(2, 3);
    EXPECT_EQ(series->AddPalette(3, 5), 2);
    EXPECT_EQ(series->Palette()[1].Color, 1);
    EXPECT_TRUE(series->PaletteUserColored());
}

TEST_F(PaletteTest, UserColouredPaletteSurvivesDataChangesBuiltOneFollows)
{
    auto* series = Filled(0, 10);
    series->SetUseColorRange(false);
    series->SetUsePalette(true);
    series->SetPaletteSteps(3);
    series->AddXYZ(2, 40, 0);
    series->PrepareToDraw();
    EXPECT_EQ(series->Palette().back().UpToValue, 40);
    series->ApplyColorsToPalette({0x123456});
    series->AddXYZ(3, 80, 0);
    series->PrepareToDraw();
    EXPECT_EQ(series->Palette().back().UpToValue, 40);
    EXPECT_EQ(series->Palette().back().Color, 0x123456);
}

TEST_F(PaletteTest, OwnColoursAndTheEventHaveTheirSay)
{
    auto* series = Filled(0, 10);
    series->AddPointXYZ(2, 5, 0, "", 0x0000FF);
    series->PrepareToDraw();
    EXPECT_EQ(series->GetPointColor(2), 0x0000FF);
    EXPECT_EQ(series->GetPointColor(0), 0xFFFFFF);
    struct TColorer {
        void Get(TChartSeries*, int index, TColor& color) { color = index == 2 ? 0x00FF00 : color; }
    } colorer;
    series->OnGetColor = TChartSurfaceGetColor(&colorer, &TColorer::Get);
    EXPECT_EQ(series->GetPointColor(2), 0x00FF00);
    series->OnGetColor = {};
    series->SetColorEachPoint(true);
    EXPECT_EQ(series->GetPointColor(0), series->TChartSeries::GetPointColor(0));
}

// ---------------------------------------------------------------- legend

TEST_F(PaletteTest, LegendListsEveryNthEntryHighestFirst)
{
    auto* series = Filled(0, 31);
    series->SetUseColorRange(false);
    series->SetUsePalette(true);
    series->SetPaletteSteps(32);
    series->SetLegendEvery(0);
    EXPECT_EQ(series->LegendEvery(), 1);
    series->SetLegendEvery(5);
    ASSERT_EQ(series->GetPointCount(), 7);
    std::vector<TColor> colors, expected;
    for (int i = 0; i < 7; ++i) colors.push_back(series->GetLegendItemColor(i));
    for (int entry : {31, 26, 21, 16, 11, 6, 1}) expected.push_back(series->Palette()[static_cast<std::size_t>(entry)].Color);
    EXPECT_EQ(colors, expected);
    // 30 entries, every 5th: six items, the last standing for entry 4, none for entry -1.
    series->SetPaletteSteps(30);
    EXPECT_EQ(series->GetPointCount(), 6);
    std::string text;
    series->BuildMarkText(5, ltsXValue, text);
    EXPECT_EQ(text, "4");
}

TEST_F(PaletteTest, LegendTextsForEveryStyle)
{
    auto* series = Filled(0, 10);
    series->SetValueFormat("0.##");
    series->SetUsePalette(true);
    series->SetUseColorRange(false);
    series->SetPaletteSteps(3);
    const std::string sep(1, '\x06');
    struct TCase {
        TLegendTextStyle style;
        std::string text;
    } const cases[] = {{ltsPlain, ""},          {ltsLeftValue, "10" + sep},   {ltsRightValue, sep + "10"},
                       {ltsLeftPercent, "10" + sep}, {ltsRightPercent, sep + "10"}, {ltsXValue, "2"},
                       {ltsValue, "10"},         {ltsPercent, "10"},           {ltsXAndValue, "2" + sep + "10"},
                       {ltsXAndPercent, "2" + sep + "10"}, {ltsXAndText, "2" + sep}};
    for (const TCase& c : cases) {
        std::string text;
        series->BuildMarkText(0, c.style, text);
        EXPECT_EQ(text, c.text) << static_cast<int>(c.style);
    }
    std::string past = "x";
    series->BuildMarkText(3, ltsValue, past);
    EXPECT_EQ(past, "");
}

TEST_F(PaletteTest, SeriesSymbolIsAFramedGradient)
{
    auto* series = Filled(0, 10);
    series->SetMidColor(0x00FF00);
    chart.Recording().Clear();
    series->PaintLegendSymbol(-1, TRect{10, 10, 40, 20});
    const auto& calls = chart.Recording().Calls;
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().Name, "Rectangle");
    EXPECT_EQ(calls.front().Text(), "Rectangle(10,10,40,20)");
    bool inset = false;
    for (const TRecordedCall& call : calls)
        if (call.Text().find("11,11,39,19") != std::string::npos) inset = true;
    EXPECT_TRUE(inset);
}

TEST_F(PaletteTest, GalleryViewSetsTheChartsThreeDLook)
{
    auto* series = Filled(0, 10);
    struct TCase {
        bool view3D;
        int rotation, elevation, perspective;
    } const cases[] = {{false, 0, 270, 0}, {true, 335, 340, 100}};  // the view holds at most 100
    for (const TCase& c : cases) {
        series->SetGalleryView3D(c.view3D);
        EXPECT_TRUE(chart.View3D());
        EXPECT_EQ(chart.View3DOptions().Zoom(), 60);
        EXPECT_EQ(chart.View3DOptions().VertOffset(), -2);
        EXPECT_EQ(chart.View3DOptions().Rotation(), c.rotation);
        EXPECT_EQ(chart.View3DOptions().Elevation(), c.elevation);
        EXPECT_EQ(chart.View3DOptions().Perspective(), c.perspective);
    }
}

// ---------------------------------------------------------------- palette files

std::string TempName(const char* name) { return ::testing::TempDir() + name; }

TEST_F(PaletteTest, PaletteFilesReadWhatTheyWrite)
{
    auto* series = Filled(0, 6000);
    series->SetUsePalette(true);
    series->SetPaletteSteps(4);
    const std::string file = TempName("palette.txt");
    SavePaletteToFile(series, file);
    std::ifstream in(file);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "// Color Up to Value\r");
    auto* loaded = Filled(0, 1);
    loaded->LoadPaletteFromFile(file);
    EXPECT_EQ(UpToValues(*loaded), UpToValues(*series));
    EXPECT_TRUE(loaded->PaletteUserColored());

    const TCustom3DPalette sample = ReadPaletteText("// a comment\n\n  255 2.5\n");
    ASSERT_EQ(sample.size(), 1u);
    EXPECT_EQ(sample[0].Color, 255);
    EXPECT_EQ(sample[0].UpToValue, 2.5);

    // A bad line leaves the palette as it was.
    {
        std::ofstream bad(file, std::ios::trunc);
        bad << "1 2\nabc 5\n";
    }
    const std::size_t before = loaded->Palette().size();
    EXPECT_THROW(loaded->LoadPaletteFromFile(file), EConvertError);
    EXPECT_EQ(loaded->Palette().size(), before);
    std::remove(file.c_str());
}

TEST_F(PaletteTest, SeriesColorPaletteColoursLikeAPaletteSeries)
{
    TSeriesColorPalette palette(nullptr);
    palette.SetValueRange(clRed, 0, 100);
    auto* series = Filled(0, 100);
    EXPECT_EQ(palette.GetPalette().size(), 32u);
    EXPECT_EQ(palette.ValueColor(37), series->ValueColor(37));
    TSeriesColorPalette copy(nullptr);
    copy.Assign(&palette);
    EXPECT_EQ(copy.GetPalette().size(), 32u);
    EXPECT_EQ(palette.Chart().Window(), nullptr);
}

// ---------------------------------------------------------------- grid index

class GridTest : public SurfaTest {
protected:
    TCustom3DGridSeries* Grid(const std::vector<std::pair<double, double>>& xz, bool irregular = false)
    {
        auto* series = Add<TCustom3DGridSeries>();
        series->SetIrregularGrid(irregular);
        for (const auto& [x, z] : xz) series->AddXYZ(x, x + z, z);
        series->PrepareToDraw();
        return series;
    }
    // Rows of the index, "." for an empty node, else the point index.
    static std::string Cells(const TCustom3DGridSeries& series)
    {
        std::string out;
        const TGridIndex& index = series.GridIndex();
        for (int r = 0; r <= index.Rows(); ++r) {
            for (int c = 0; c <= index.Columns(); ++c)
                out += index.At(c, r) == -1 ? std::string(".") : std::to_string(index.At(c, r));
            out += "|";
        }
        return out;
    }
};

TEST_F(GridTest, IndexPlacesPointsByRoundedPosition)
{
    struct TCase {
        std::vector<std::pair<double, double>> xz;
        std::string cells;
        int numX, numZ, xOffset;
    } const cases[] = {
        {{{1, 1}, {2, 1}, {3, 1}, {1, 2}, {2, 2}, {3, 2}}, "....|.012|.345|", 3, 2, 1},
        {{{0.4, 0}, {1.6, 0}}, "....|.0.1|", 3, 1, 1},
        {{{0, 0}, {2.5, 0}, {2.0, 0}, {3.5, 0}, {4, 0}}, "......|.0.2.4|", 5, 1, 0},
    };
    for (const TCase& c : cases) {
        auto* series = Grid(c.xz);
        EXPECT_EQ(Cells(*series), c.cells);
        EXPECT_EQ(series->NumXValues(), c.numX);
        EXPECT_EQ(series->NumZValues(), c.numZ);
        EXPECT_EQ(series->XOffset(), c.xOffset);
        FreeComponent(series);
    }
}

TEST_F(GridTest, IrregularColumnsAreTheDistinctValues)
{
    std::mt19937 random(5);
    std::vector<std::pair<double, double>> xz;
    for (double x : {0.7, 2.0, 0.1, 0.7, 13.25, -4.5})
        for (double z : {1.0, 0.5}) xz.emplace_back(x, z);
    std::shuffle(xz.begin(), xz.end(), random);
    auto* series = Grid(xz, true);
    std::string list;
    for (const auto& [x, z] : xz) list += FloatToStr(x) + " ";
    const std::string unique = enginetest::Run({"/usr/bin/python3", "-c",
                                                "import numpy,sys; print(len(numpy.unique([float(v) for v in sys.argv[1].split()])))", list});
    EXPECT_EQ(std::to_string(series->NumXValues()) + "\n", unique);
    EXPECT_EQ(series->NumZValues(), 2);
    const TGridIndex& index = series->GridIndex();
    const std::vector<double> columns = {-4.5, 0.1, 0.7, 2.0, 13.25};
    for (int c = 1; c <= index.Columns(); ++c)
        for (int r = 1; r <= index.Rows(); ++r) {
            ASSERT_NE(index.At(c, r), -1);
            EXPECT_EQ(series->XValues()->GetValueAt(index.At(c, r)), columns[static_cast<std::size_t>(c - 1)]);
        }
}

TEST_F(GridTest, FarApartValuesGetADistinctValueIndex)
{
    auto* series = Grid({{0, 0}, {1e9, 0}});
    EXPECT_EQ(series->GridIndex().Columns(), 2);
    EXPECT_EQ(Cells(*series), "...|.01|");
}

TEST_F(GridTest, SetGridValueAndCellCorners)
{
    auto* series = Grid({{1, 1}, {2, 1}, {1, 2}});
    series->SetGridValue(2, 1, 50);  // occupied
    EXPECT_EQ(series->YValues()->GetValueAt(1), 50);
    EXPECT_FALSE(series->CellCorners(1, 1));  // node (2, 2) is empty
    series->SetGridValue(2, 2, 7);  // empty
    EXPECT_EQ(series->PointCount(), 4);
    EXPECT_EQ(series->GridIndex().At(2, 2), 3);
    EXPECT_TRUE(series->CellCorners(1, 1));
    EXPECT_EQ((std::vector<int>(series->Corners, series->Corners + 4)), (std::vector<int>{0, 1, 3, 2}));
    series->AddXYZ(9, 9, 9);  // stale now: a plain add
    series->SetGridValue(2, 1, 1);
    EXPECT_EQ(series->PointCount(), 6);
}

TEST_F(GridTest, RandomSamplesFollowTheFormula)
{
    auto* series = Add<TCustom3DGridSeries>();
    series->AddRandomSamples(5);
    ASSERT_EQ(series->PointCount(), 25);
    std::string xs, zs, ys;
    for (int i = 0; i < 25; ++i) {
        xs += FloatToStr(series->XValues()->GetValueAt(i)) + " ";
        zs += FloatToStr(series->ZValues()->GetValueAt(i)) + " ";
    }
    EXPECT_EQ(xs, "1 2 3 4 5 1 2 3 4 5 1 2 3 4 5 1 2 3 4 5 1 2 3 4 5 ");
    EXPECT_EQ(series->ZValues()->GetValueAt(5), 2);
    const std::string numpy = enginetest::Run(
        {"/usr/bin/python3", "-c",
         "import numpy as np\n"
         "z, x = np.meshgrid(np.arange(1, 6), np.arange(1, 6), indexing='ij')\n"
         "y = 0.5 * np.cos(x / (0.2 * 5)) ** 2 + np.cos(z / (0.2 * 5)) ** 2 - np.cos(z / (0.5 * 5))\n"
         "print(' '.join(repr(float(v)) for v in y.ravel()))"});
    std::istringstream values(numpy);
    for (int i = 0; i < 25; ++i) {
        double expected = 0;
        values >> expected;
        EXPECT_NEAR(series->YValues()->GetValueAt(i), expected, 1e-15) << i;
    }
    EXPECT_EQ(series->ValueLists()[0]->Capacity(), 25);
}

TEST_F(GridTest, SizesClearOtherDataAndGenerateOnlyWhenAllowed)
{
    auto* series = Grid({{1, 1}, {2, 2}});
    series->SetNumXValues(4);
    EXPECT_EQ(series->PointCount(), 0);
    series->NoSamples = true;
    series->Sampling = true;
    series->CreateGridValues(3, 3);
    EXPECT_EQ(series->PointCount(), 0);
    series->NoSamples = false;
    series->CreateGridValues(3, 3);
    EXPECT_EQ(series->PointCount(), 9);
}

// ---------------------------------------------------------------- chart files

class TTestGridSeries : public TCustom3DGridSeries {
    QB_CLASS(TTestGridSeries, TCustom3DGridSeries)
public:
    using TCustom3DGridSeries::TCustom3DGridSeries;
};

TEST_F(GridTest, ChartFilesKeepPaletteZAndGrid)
{
    RegisterClassForStreaming(TTestGridSeries::StaticClass());
    for (const bool custom : {true, false}) {
        TTestChart source;
        source.SetName("Chart1");
        auto* series = new TTestGridSeries(&source);
        series->SetName("Grid1");
        series->SetParentChart(&source);
        series->SetIrregularGrid(true);
        series->SetTimesZOrder(7);
        series->AddXYZ(0.5, 1, 2.25);
        series->AddXYZ(1.5, 2, 3.75);
        series->ForceSaveData = true;
        if (custom) {
            series->SetPaletteStyle(psCustom);
            series->SetPaletteSteps(3);
            series->ApplyColorsToPalette({0x10, 0x20, 0x30});
        }
        const std::string text = seriestest::ComponentTextOf(source);
        EXPECT_EQ(text.find("CustomPalette") != std::string::npos, custom) << text;
        TTestChart copy;
        seriestest::ReadComponentText(copy, text);
        EXPECT_EQ(seriestest::ComponentTextOf(copy), text);
        auto* read = dynamic_cast<TTestGridSeries*>(copy.GetSeries(0));
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read->ZValues()->GetValueAt(1), 3.75);
        if (custom) {
            EXPECT_EQ(read->Palette()[2].Color, 0x30);
        }
    }
}

}  // namespace
