#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartPalettes.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/graphics/DuvConst.h"
#include "platform/core/ClassRegistry.h"
#include "platform/core/SysUtils.h"
#include "support_ChartEngine.h"
#include "support_TestSeries.h"

namespace {

// Classes as the series, function and tool modules hand them over; nothing here creates them.
const TClassInfo kLineSeries("TRegistryLineSeries", &TCustomChartSeries::StaticClass(), nullptr, nullptr);
const TClassInfo kBarSeries("TRegistryBarSeries", &TCustomChartSeries::StaticClass(), nullptr, nullptr);
const TClassInfo kGaugeSeries("TRegistryGaugeSeries", &TCustomChartSeries::StaticClass(), nullptr, nullptr);
const TClassInfo kAverage("TRegistryAverage", &TComponent::StaticClass(), nullptr, nullptr);
const TClassInfo kAnimation("TRegistryAnimation", &TComponent::StaticClass(), nullptr, nullptr);

// A tool a stored chart can hold as a child.
class TRegistryTestTool : public TDuvCustomTool {
    QB_CLASS(TRegistryTestTool, TDuvCustomTool)
public:
    explicit TRegistryTestTool(TComponent* owner = nullptr) : TDuvCustomTool(owner) {}
};
const TClassInfo kOtherTool("TRegistryOtherTool", &TDuvCustomTool::StaticClass(), nullptr, nullptr);

std::string LineText = "Line";
std::string BarText = "Bar";
std::string GaugeText = "Gauge";
std::string GaugeVerticalText = "Vertical gauge";
std::string AverageText = "Average";
std::string FunctionsPage = "Functions";

std::vector<const TClassInfo*> ToolsOf(const TDuvToolTypes& list)
{
    std::vector<const TClassInfo*> classes;
    for (int i = 0; i < list.Count(); ++i) classes.push_back(list.ToolClassAt(i));
    return classes;
}

// Each test starts from the empty lists of the chart module's start-up and leaves them empty.
class ChartRegistryTest : public testing::Test {
protected:
    void SetUp() override { enginetest::StartChartModules(); }
    void TearDown() override
    {
        FreeChartRegistries();
        CreateChartRegistries();
        for (const TClassInfo* cls : {&kLineSeries, &kBarSeries, &kGaugeSeries, &kAverage, &kAnimation, &kOtherTool,
                                      &TRegistryTestTool::StaticClass()})
            UnregisterClass(*cls);
    }
};

TEST_F(ChartRegistryTest, GalleryKeepsRegistrationOrderAndOneEntryPerClassPair)
{
    RegisterDefaultPageSeries(&kLineSeries, &LineText);
    RegisterFunctionType(&kAverage, &AverageText, &FunctionsPage, 1);
    RegisterSeriesType(&kBarSeries, &BarText, &FunctionsPage, 1);
    RegisterDefaultPageSeries(&kLineSeries, &BarText);  // again with sub index 0: no second entry
    RegisterDefaultPageFunction(&kAverage, &AverageText);
    RegisterGalleryEntry(&kLineSeries, &kAverage, &AverageText, 0, 1, &FunctionsPage);  // a new pair

    const TDuvSeriesTypes& list = *GalleryTypeList;
    ASSERT_EQ(list.Count(), 4);
    const struct {
        const TClassInfo* series;
        const TClassInfo* function;
        const std::string* description;
        const std::string* page;
        int gallerySeries;
    } expected[] = {
        {&kLineSeries, nullptr, &LineText, &DuvMsgGalleryStandard, 2},
        {nullptr, &kAverage, &AverageText, &FunctionsPage, 1},
        {&kBarSeries, nullptr, &BarText, &FunctionsPage, 1},
        {&kLineSeries, &kAverage, &AverageText, &FunctionsPage, 1},
    };
    for (int i = 0; i < list.Count(); ++i) {
        SCOPED_TRACE(i);
        const TDuvSeriesType& type = *list.TypeAt(i);
        EXPECT_EQ(type.SeriesClass, expected[i].series);
        EXPECT_EQ(type.FunctionClass, expected[i].function);
        EXPECT_EQ(type.Description, expected[i].description);
        EXPECT_EQ(type.GalleryPage, expected[i].page);
        EXPECT_EQ(type.NumGallerySeries, expected[i].gallerySeries);
        EXPECT_EQ(type.SubIndex, 0);
    }
    EXPECT_THROW(list.TypeAt(4), EListError);
    // Every class named by the gallery can be read from streams.
    for (const TClassInfo* cls : {&kLineSeries, &kBarSeries, &kAverage}) EXPECT_EQ(GetClass(cls->Name()), cls);
}

TEST_F(ChartRegistryTest, SubIndexesMakeFurtherEntriesOfOneClass)
{
    RegisterGalleryEntry(&kGaugeSeries, nullptr, &GaugeText, 0, 1, &FunctionsPage);
    RegisterGalleryEntry(&kGaugeSeries, nullptr, &GaugeVerticalText, 1, 1, &FunctionsPage);
    const TDuvSeriesTypes& list = *GalleryTypeList;
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.FindSeriesType(&kGaugeSeries, 0), list.TypeAt(0));
    EXPECT_EQ(list.FindSeriesType(&kGaugeSeries, 1), list.TypeAt(1));
    EXPECT_EQ(list.FindSeriesType(&kGaugeSeries, 2), nullptr);
    EXPECT_EQ(list.FindSeriesType(&kBarSeries, 0), nullptr);

    // Unregistering takes every entry of the class, whatever its sub index, and only them; the
    // classes stay readable from streams.
    RegisterDefaultPageSeries(&kLineSeries, &LineText);
    RegisterDefaultPageFunction(&kAverage, &AverageText);
    UnregisterSeriesClasses({&kGaugeSeries});
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.TypeAt(0)->SeriesClass, &kLineSeries);
    EXPECT_EQ(list.TypeAt(1)->FunctionClass, &kAverage);
    UnregisterFunctionClasses({&kAverage});
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(GetClass(kGaugeSeries.Name()), &kGaugeSeries);
    EXPECT_EQ(GetClass(kAverage.Name()), &kAverage);
}

TEST_F(ChartRegistryTest, SeriesClassByNameSkipsFunctionEntries)
{
    RegisterGalleryEntry(&kLineSeries, &kAverage, &AverageText, 0, 1, &FunctionsPage);
    const TDuvSeriesTypes& list = *GalleryTypeList;
    EXPECT_EQ(list.SeriesClassByName("TRegistryLineSeries"), nullptr);
    EXPECT_EQ(list.FindSeriesType(&kLineSeries, 0), nullptr);
    RegisterDefaultPageSeries(&kLineSeries, &LineText);
    EXPECT_EQ(list.SeriesClassByName("TRegistryLineSeries"), &kLineSeries);
    EXPECT_EQ(list.SeriesClassByName("tregistrylineseries"), nullptr);
}

TEST_F(ChartRegistryTest, SeriesTypeCaptionFollowsTheTextTableOrTakesTheClassName)
{
    enginetest::TTestSeries series;
    std::string caption;
    SeriesTypeCaption(&series, caption);
    EXPECT_EQ(caption, "TTestSeries");

    std::string description = "Test points";
    RegisterDefaultPageSeries(&enginetest::TTestSeries::StaticClass(), &description);
    SeriesTypeCaption(&series, caption);
    EXPECT_EQ(caption, "Test points");
    // The gallery keeps a reference: a changed text table shows through.
    description = "Testovací body";
    SeriesTypeCaption(&series, caption);
    EXPECT_EQ(caption, "Testovací body");
}

TEST_F(ChartRegistryTest, ToolClassesAreListedOnceAndUnregisteredFromStreams)
{
    const TClassInfo* tool = &TRegistryTestTool::StaticClass();
    RegisterToolClasses({tool, &kOtherTool, tool});
    RegisterToolClasses({&kOtherTool});
    EXPECT_EQ(ToolsOf(*ToolClassList), (std::vector<const TClassInfo*>{tool, &kOtherTool}));
    EXPECT_EQ(ToolClassList->ToolClassAt(1), &kOtherTool);
    EXPECT_THROW(ToolClassList->ToolClassAt(2), EListError);

    const std::string stored = "object Chart1: TChart\n  object Tool1: TRegistryTestTool\n  end\nend\n";
    {
        TChart chart;
        enginetest::ReadComponentText(chart, stored);
        ASSERT_EQ(chart.Tools()->Count(), 1);
    }
    UnregisterToolClasses({tool});
    EXPECT_EQ(ToolsOf(*ToolClassList), (std::vector<const TClassInfo*>{&kOtherTool}));
    EXPECT_EQ(GetClass(tool->Name()), nullptr);
    TChart chart;
    EXPECT_THROW(enginetest::ReadComponentText(chart, stored), Exception);

    // Animations keep a list of their own.
    RegisterAnimationClasses({&kAnimation, &kAnimation});
    EXPECT_EQ(ToolsOf(*AnimationToolClassList), (std::vector<const TClassInfo*>{&kAnimation}));
    EXPECT_EQ(ToolsOf(*ToolClassList), (std::vector<const TClassInfo*>{&kOtherTool}));
    UnregisterAnimationClasses({&kAnimation});
    EXPECT_EQ(AnimationToolClassList->Count(), 0);
    EXPECT_EQ(GetClass(kAnimation.Name()), nullptr);
}

TEST_F(ChartRegistryTest, RegistrationAfterShutdownMakesNewLists)
{
    RegisterDefaultPageSeries(&kLineSeries, &LineText);
    ChartFinalization();
    EXPECT_FALSE(GalleryTypeList);
    EXPECT_FALSE(ToolClassList);
    EXPECT_FALSE(AnimationToolClassList);
    EXPECT_FALSE(ChartPaletteNames);

    // A module ending late unregisters without a list; its classes still leave the streaming registry.
    RegisterClass(kOtherTool);
    UnregisterToolClasses({&kOtherTool});
    UnregisterSeriesClasses({&kLineSeries});
    EXPECT_FALSE(ToolClassList);
    EXPECT_EQ(GetClass(kOtherTool.Name()), nullptr);

    RegisterDefaultPageSeries(&kBarSeries, &BarText);
    ASSERT_TRUE(GalleryTypeList);
    ASSERT_EQ(GalleryTypeList->Count(), 1);
    EXPECT_EQ(GalleryTypeList->TypeAt(0)->SeriesClass, &kBarSeries);
    RegisterAnimationClasses({&kAnimation});
    ASSERT_TRUE(AnimationToolClassList);
    EXPECT_EQ(ToolsOf(*AnimationToolClassList), (std::vector<const TClassInfo*>{&kAnimation}));

    ChartInitialization();
    EXPECT_EQ(ChartPaletteNames->Count(), BuiltInPaletteCount + 1);
    EXPECT_EQ(GalleryTypeList->Count(), 0);
}

}  // namespace
