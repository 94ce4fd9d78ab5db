// Chart files as pictures, and the chart toolbar's save dialog.
#include <gtest/gtest.h>

#include <filesystem>

#include "chart/graphics/BmpCodec.h"
#include "chart/graphics/DuvPicture.h"
#include "chart/output/DuvEditPro.h"
#include "chart/output/DuvStore.h"
#include "platform/core/Streams.h"
#include "platform/ui/ScriptedUiServices.h"
#include "support/TestSupport.h"
#include "support_DuvStoreTest.h"
#include "support_ExportTest.h"

using namespace exporttest;
using qbtest::TempDir;

namespace {

class ChartImageTest : public testing::Test {
protected:
    void SetUp() override
    {
        StartExportModules();
        FillBarChart(chart_);
    }
    std::string ChartFile(const std::string& name)
    {
        const std::string file = dir_.file(name);
        SaveChartToFile(chart_, file, true, false);
        return file;
    }
    TChart chart_;
    TempDir dir_;
};

}  // namespace

TEST_F(ChartImageTest, ANewPictureIsEmptyUntilItsSizeIsAsked)
{
    TChartImage picture;
    EXPECT_TRUE(picture.GetEmpty());
    EXPECT_TRUE(picture.Empty());
    const TChart fresh;
    EXPECT_EQ(picture.GetWidth(), fresh.Width());
    EXPECT_FALSE(picture.GetEmpty());
    EXPECT_EQ(picture.GetHeight(), fresh.Height());
    EXPECT_FALSE(picture.Chart().BufferedDisplay());
}

// Any place that loads pictures by extension loads a chart file and shows the chart drawn.
TEST_F(ChartImageTest, AChartFileLoadedAsAPictureDrawsTheChart)
{
    const std::string file = ChartFile("bars.duv");
    const std::unique_ptr<TGraphic> graphic = LoadGraphicFile(file);
    ASSERT_EQ(graphic->ClassName(), "TChartImage");
    auto& picture = static_cast<TChartImage&>(*graphic);
    EXPECT_EQ(storetest::DescribeChart(picture.Chart()), storetest::DescribeChart(chart_));
    EXPECT_FALSE(picture.Chart().BufferedDisplay());
    const QImage drawn = picture.Image();
    ASSERT_EQ(drawn.size(), QSize(400, 250));
    const QImage reference = *chart_.RenderBitmap(clDefault, {0, 0, 400, 250}, 0);
    // The axes may lie a pixel apart: their labels are measured anew in the loaded chart.
    EXPECT_LE(LargestBlockDifference(drawn, reference, 20, 10), 24);

    TDuvPicture held;
    held.LoadFromFile(file);
    ASSERT_TRUE(held.HasGraphic());
    EXPECT_EQ(held.Graphic()->size(), QSize(400, 250));
}

TEST_F(ChartImageTest, ABadFileLeavesThePicturesChartAsItWas)
{
    TChartImage picture;
    TMemoryStream good(qbtest::ReadFileBytes(ChartFile("bars.duv")));
    picture.LoadFromStream(good);
    const std::string before = storetest::DescribeChart(picture.Chart());
    for (const std::string& bytes : {std::string(), std::string("not a chart"), qbtest::ReadFileBytes(ChartFile("bars.duv")).substr(0, 60)}) {
        TMemoryStream bad(bytes);
        EXPECT_THROW(picture.LoadFromStream(bad), Exception);
        EXPECT_EQ(storetest::DescribeChart(picture.Chart()), before);
    }
    EXPECT_FALSE(picture.Image().isNull());
}

TEST_F(ChartImageTest, SavingWithoutExtensionWritesAChartFileThatLoadsBack)
{
    TChartImage picture;
    picture.SetChart(&chart_);
    picture.SaveToFile(dir_.file("saved"));
    ASSERT_TRUE(std::filesystem::exists(dir_.file("saved.duv")));
    TChartImage loaded;
    loaded.LoadFromFile(dir_.file("saved.duv"));
    EXPECT_EQ(storetest::DescribeChart(loaded.Chart()), storetest::DescribeChart(chart_));
    const std::unique_ptr<TGraphic> copy = loaded.Clone();
    EXPECT_EQ(storetest::DescribeChart(static_cast<TChartImage&>(*copy).Chart()), storetest::DescribeChart(chart_));
}

TEST_F(ChartImageTest, ASetChartIsUsedButNotFreed)
{
    {
        TChartImage picture;
        picture.SetChart(&chart_);
        EXPECT_EQ(&picture.Chart(), &chart_);
        picture.SetWidth(300);
        picture.SetTransparent(true);
    }
    EXPECT_EQ(chart_.Width(), 300);
    EXPECT_EQ(chart_.Color(), clNone);
}

// ---------------------------------------------------------------- SaveChartAs

TEST_F(ChartImageTest, SaveChartAsWritesAChartFileOrTheFormatOfTheChosenFilter)
{
    struct Case {
        int filterIndex;
        const char* name;
        const char* start;  // the first bytes of the file
    };
    const Case cases[] = {{1, "chart.duv", "\x60\x30\x57\x01"}, {2, "chart.bmp", "BM"}, {3, "chart.emf", "\x01\0\0\0"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filterIndex);
        TScriptedUiServices ui;
        TScopedUiServices scope(ui);
        ui.Push(TUiAnswer::SaveFile(dir_.file(c.name), c.filterIndex));
        EXPECT_EQ(SaveChartAs(chart_), dir_.file(c.name));
        ASSERT_EQ(ui.Log().size(), 1u);
        EXPECT_EQ(ui.Log()[0].Text, "Plotwise files (*.duv)|*.duv|Bitmaps (*.bmp)|*.bmp|Enhanced Metafiles "
                                    "(*.emf)|*.emf|Metafiles (*.wmf)|*.wmf");
        const std::string bytes = qbtest::ReadFileBytes(dir_.file(c.name));
        EXPECT_EQ(bytes.substr(0, std::strlen(c.start) ? std::strlen(c.start) : 4),
                  std::string(c.start, std::strlen(c.start) ? std::strlen(c.start) : 4));
    }
}

TEST_F(ChartImageTest, SaveChartAsWritesOldStyleMetafilesForTheLastFilter)
{
    TScriptedUiServices ui;
    TScopedUiServices scope(ui);
    ui.Push(TUiAnswer::SaveFile(dir_.file("chart.wmf"), 4));
    SaveChartAs(chart_);
    const std::string bytes = qbtest::ReadFileBytes(dir_.file("chart.wmf"));
    EXPECT_EQ(bytes.substr(0, 4), std::string("\xD7\xCD\xC6\x9A"));  // placeable metafile key
}

TEST_F(ChartImageTest, CancellingSaveChartAsWritesNothing)
{
    TScriptedUiServices ui;
    TScopedUiServices scope(ui);
    ui.Push(TUiAnswer::Cancel(TUiCallKind::SaveFile));
    EXPECT_EQ(SaveChartAs(chart_), "");
    EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
}
