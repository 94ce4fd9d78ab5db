#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "chart/editor/ChartEditorModules.h"
#include "chart/editor/DuvProCo.h"
#include "chart/editor/support_EditorTest.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/RuRazazi.h"
#include "chart/graphics/DuvConst.h"
#include "platform/core/ClassRegistry.h"

namespace {

std::vector<std::string> ExtraTexts()
{
    std::vector<std::string> texts;
    for (const TExtraLibraryTextEntry& entry : ExtraLibraryTextEntries()) texts.push_back(*entry.Variable);
    return texts;
}

class ExtraLibraryTextsTest : public testing::Test {
protected:
    void SetUp() override { editortest::StartEditorModules(); }
};

struct TTextCase {
    const char* Group;
    const std::string* Variable;
    const char* Text;
};

// Some texts of each group, the two-line ones and those with spaces at their ends among them.
const TTextCase kTextCases[] = {
    {"gallery names", &DuvMsgGalleryPolar, "Polar"},
    {"gallery names", &DuvMsgGalleryRSI, "R.S.I."},
    {"gallery names", &DuvMsgGalleryHorizBoxPlot, "Horizontal\rBoxPlot"},
    {"gallery names", &DuvMsgGalleryNumericGauge, "Numeric\rGauge"},
    {"gallery names", &DuvMsgGalleryCircularGauge, "Circular\rGauge"},
    {"gallery names", &DuvMsgGalleryLinearGauge, "Linear\rGauge"},
    {"gallery names", &DuvMsgGalleryLogarithmicTrend, "Logarithmic\rTrend"},
    {"gallery names", &DuvMsgGalleryBubbleCloud, "Bubble Cloud"},
    {"gallery pages", &DuvMsgGalleryOther, "Other"},
    {"gallery pages", &DuvMsgGalleryGauges, "Gauges"},
    {"gallery pages", &DuvMsgGallery3D, "3D"},
    {"tool names", &DuvMsgToolCursor, "Cursor"},
    {"tool names", &DuvMsgCursor, "Cursor"},
    {"tool names", &DuvMsgToolVideoCreator, "Video creator"},
    {"tool names", &DuvMsgToolAxisScrollBar, "Axis ScrollBar"},
    {"tool descriptions", &DuvMsgToolMarkTipsSummary,
     "Displays \"tips\" or \"hints\" when the end-user moves or clicks the mouse over a series point."},
    {"tool descriptions", &DuvMsgTool2DLightingSummary, "Displays a 2 dimensional \"light\" effect over the chart Canvas."},
    {"tool descriptions", &DuvMsgToolAxisScrollBarSummary, "Scrolls an Axis"},
    {"toolbar texts", &DuvMsgToolbarLoad, "Load..."},
    {"toolbar texts", &DuvMsgToolbar3DHint, "Switch 2D / 3D"},
    {"toolbar texts", &DuvMsgToolbarSaveCaption, "&Save..."},
    {"value-list and sub-style names", &DuvMsgValuesStdError, "StdError"},
    {"value-list and sub-style names", &DuvMsgSegment, "Segment "},
    {"value-list and sub-style names", &DuvMsgWithinQuota, " within quota"},
    {"value-list and sub-style names", &DuvMsgBelowQuota, " or more below quota"},
    {"value-list and sub-style names", &DuvMsgQuotaPercentFormat, "0.00 %"},
    {"value-list and sub-style names", &DuvMsgFacts, "Facts"},
    {"value-list and sub-style names", &DuvMsgFlat, "Flat"},
    {"editor captions", &DuvMsgExecute, "Execute !"},
    {"editor captions", &DuvMsgThemes, "Themes"},
    {"editor captions", &DuvMsgEditEllipsis, "&Edit..."},
    {"messages", &DuvMsgAnswerVectorIndex, "Answer Vector index must be between 1 and %d"},
    {"messages", &DuvMsgFieldIndex, "SeriesText: Field index should be greater than zero."},
    {"file types", &DuvMsgWapBitmapFilter, "Wap Bitmaps (*.wbmp)|*.wbmp"},
    {"file types", &DuvMsgOpenChartFile, "Open Plotwise Chart"},
    {"file types", &DuvMsgSaveChartFile, "Save Plotwise Chart"},
    {"file types", &DuvMsgChartFileType, "Plotwise Chart"},
    {"map names", &DuvMsgMapWorld, "World"},
    {"map names", &DuvMsgMaps, "Maps"},
    {"map names", &DuvMsgMapUSAAlaskaCounties, "USA Alaska Counties"},
};

}  // namespace

TEST_F(ExtraLibraryTextsTest, EachGroupHoldsItsTextsAfterStart)
{
    for (const TTextCase& c : kTextCases) EXPECT_EQ(*c.Variable, c.Text) << c.Group;
    for (const TExtraLibraryTextEntry& entry : ExtraLibraryTextEntries()) EXPECT_FALSE(entry.Variable->empty()) << entry.Name;
}

// Two-line captions split at the first table's separator into two non-empty lines.
TEST_F(ExtraLibraryTextsTest, TwoLineTextsShowOnTwoLines)
{
    ASSERT_EQ(LibraryLineSeparator, "\r");
    int twoLine = 0;
    for (const TExtraLibraryTextEntry& entry : ExtraLibraryTextEntries()) {
        const std::string& text = *entry.Variable;
        const std::size_t at = text.find(LibraryLineSeparator);
        if (at == std::string::npos) continue;
        ++twoLine;
        EXPECT_GT(at, 0u) << entry.Name;
        EXPECT_LT(at + 1, text.size()) << entry.Name;
        EXPECT_EQ(text.find(LibraryLineSeparator, at + 1), std::string::npos) << entry.Name;
    }
    EXPECT_EQ(twoLine, 5);
}

TEST_F(ExtraLibraryTextsTest, ListHoldsTheTextsNoLowerLibraryHolds)
{
    EXPECT_EQ(ExtraLibraryTextEntries().size(), 285u);
}

TEST_F(ExtraLibraryTextsTest, FirstTableToolNameReadsAntiAlias)
{
    EXPECT_EQ(DuvMsgAntialias, "Anti-Alias");
}

// No text is defined twice: every variable name and every variable appears once in both tables.
TEST_F(ExtraLibraryTextsTest, EveryVariableOnceAcrossBothTables)
{
    std::set<std::string> names;
    std::set<const std::string*> variables;
    for (const TLibraryTextEntry& entry : LibraryTextEntries()) {
        EXPECT_TRUE(names.insert(entry.Name).second) << entry.Name;
        EXPECT_TRUE(variables.insert(entry.Variable).second) << entry.Name;
    }
    for (const TExtraLibraryTextEntry& entry : ExtraLibraryTextEntries()) {
        EXPECT_TRUE(names.insert(entry.Name).second) << entry.Name;
        EXPECT_TRUE(variables.insert(entry.Variable).second) << entry.Name;
    }
}

// The gallery keeps the variable, so a translation made after registering shows there.
TEST_F(ExtraLibraryTextsTest, GalleryEntryShowsTextChangedLater)
{
    static const TClassInfo boxPlot("TExtraTextsBoxPlot", &TCustomChartSeries::StaticClass(), nullptr, nullptr);
    RegisterSeriesType(&boxPlot, &DuvMsgGalleryHorizBoxPlot, &DuvMsgGalleryOther, 1);
    DuvMsgGalleryHorizBoxPlot = "Vodorovný\rkrabicový graf";
    DuvMsgGalleryOther = "Ostatní";
    const TDuvSeriesType* entry = GetGalleryTypeList().FindSeriesType(&boxPlot, 0);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(*entry->Description, "Vodorovný\rkrabicový graf");
    EXPECT_EQ(*entry->GalleryPage, "Ostatní");
    UnregisterSeriesClasses({&boxPlot});
    UnregisterClass(boxPlot);
    SetExtraLibraryTexts();
}

TEST_F(ExtraLibraryTextsTest, ShutdownEmptiesTheTableAndStartSetsItAgain)
{
    const std::vector<std::string> started = ExtraTexts();
    FinalizeChartEditorModules();
    for (const TExtraLibraryTextEntry& entry : ExtraLibraryTextEntries()) EXPECT_TRUE(entry.Variable->empty()) << entry.Name;
    // The first table stays as its own module left it.
    EXPECT_EQ(DuvMsgAntialias, "Anti-Alias");
    EXPECT_EQ(DuvMsgTopAxis, "Top Axis");
    InitializeChartEditorModules();
    EXPECT_EQ(ExtraTexts(), started);
}

// The editor modules stop and start again as often as a test program needs.
TEST(ChartEditorModules, StopAndStartAgain)
{
    editortest::StartEditorModules();
    FinalizeChartEditorModules();
    InitializeChartEditorModules();
    EXPECT_EQ(DuvMsgGalleryPolar, "Polar");
}
