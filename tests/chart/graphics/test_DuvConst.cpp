#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "chart/graphics/DuvConst.h"
#include "support/TestSupport.h"

namespace {

// The texts as the library documents them, one a line; "\r" stands for the line separator.
std::vector<std::string> DocumentedTexts()
{
    std::ifstream in(qbtest::DataPath("chart/library_texts.txt"), std::ios::binary);
    std::vector<std::string> texts;
    for (std::string line; std::getline(in, line);) {
        for (std::size_t at; (at = line.find("\\r")) != std::string::npos;) line.replace(at, 2, "\r");
        texts.push_back(line);
    }
    return texts;
}

std::vector<std::string> TableTexts()
{
    std::vector<std::string> texts;
    for (const TLibraryTextEntry& entry : LibraryTextEntries()) texts.push_back(*entry.Variable);
    return texts;
}

bool IsOwnWording(const std::string& text) { return text.find("Quellbrook") != std::string::npos; }

}  // namespace

// One program, one life cycle: before start, started (twice), shut down (twice), restarted.
TEST(DuvConst, LifeCycleFromStartToShutdown)
{
    ASSERT_EQ(LibraryTextEntries().size(), 399u);
    for (const TLibraryTextEntry& entry : LibraryTextEntries()) {
        if (entry.Variable == &ChartFileExtension)
            EXPECT_EQ(*entry.Variable, "duv");
        else
            EXPECT_EQ(*entry.Variable, "") << entry.Name << " holds a text before start";
    }

    DuvConstInitialization();
    DuvConstInitialization();  // the counter keeps the second start from doing anything
    for (const TLibraryTextEntry& entry : LibraryTextEntries())
        EXPECT_FALSE(entry.Variable->empty()) << entry.Name;

    DuvConstFinalization();  // still started once more
    EXPECT_EQ(DuvMsgAxisMinMax, "Axis Minimum Value must be <= Maximum");
    DuvConstFinalization();
    for (const TLibraryTextEntry& entry : LibraryTextEntries())
        EXPECT_EQ(*entry.Variable, "") << entry.Name << " survived the shutdown";
    DuvConstFinalization();  // one shutdown too many changes nothing

    // A restart builds the joins from the extension as it is then (emptied by the shutdown).
    DuvConstInitialization();
    EXPECT_EQ(DuvMsgInvalidChartFile, "Invalid Chart in *. file");
    EXPECT_EQ(DuvMsgGalleryHorizBar, "Horizontal\rBar");
    DuvConstFinalization();
    ChartFileExtension = "duv";
}

class DuvConstStarted : public testing::Test {
protected:
    void SetUp() override { DuvConstInitialization(); }
    void TearDown() override
    {
        DuvConstFinalization();
        ChartFileExtension = "duv";  // a program starts only once; tests start again
    }
};

TEST_F(DuvConstStarted, HoldsExactlyTheDocumentedTexts)
{
    std::vector<std::string> expected = DocumentedTexts();
    ASSERT_EQ(expected.size(), 390u);
    std::vector<std::string> actual;
    for (const std::string& text : TableTexts())
        if (!IsOwnWording(text)) actual.push_back(text);
    // extension and separator are not part of the documented list
    actual.erase(std::find(actual.begin(), actual.end(), "duv"));
    actual.erase(std::find(actual.begin(), actual.end(), "\r"));
    std::sort(expected.begin(), expected.end());
    std::sort(actual.begin(), actual.end());
    EXPECT_EQ(actual, expected);
    // the seven entries in the library's own wording
    auto texts = TableTexts();
    EXPECT_EQ(std::count_if(texts.begin(), texts.end(), IsOwnWording), 7);
}

TEST_F(DuvConstStarted, JoinsAndTextsThatAreEasyToGetWrong)
{
    struct Case {
        const std::string& variable;
        std::string text;
    };
    const Case cases[] = {
        {LibraryLineSeparator, "\r"},
        {ChartFileExtension, "duv"},
        {DuvMsgGalleryHorizLine, "Horizontal\rLine"},
        {DuvMsgGalleryHorizArea, "Horizontal\rArea"},
        {DuvMsgPercentOfTwoLines, "%s\rof %s"},
        {DuvMsgWrongChartFileFormat, "Wrong *.duv file format"},
        {DuvMsgEmptyChartFile, "Empty *.duv file"},
        {DuvMsgCustomAxisPrefix, "Custom "},
        {DuvMsgDefPercentFormat, "##0.## %"},
        {DuvMsgDefValueFormat, "#,##0.###"},
        {DuvMsgDefExpFormat, "#.0 \"x10\" E+0"},
        {DuvMsgDegreeSign, "\u00B0"},
        {DuvMsgDefaultFontName, "Arial"},
        {DuvMsgDefaultFontSize, "8"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.variable, c.text);
}

TEST_F(DuvConstStarted, RepeatedWordsAreSeparateVariables)
{
    struct Pair {
        std::string* first;
        std::string* second;
        const char* text;
    };
    const Pair pairs[] = {
        {&DuvMsgGalleryLine, &DuvMsgSubLine, "Line"},
        {&DuvMsgGalleryPie, &DuvMsgValuesPie, "Pie"},
        {&DuvMsgGalleryBar, &DuvMsgValuesBar, "Bar"},
        {&DuvMsgValuesBubbleRadius, &DuvMsgRadius, "Radius"},
        {&DuvMsgDefault, &DuvMsgPaletteDefault, "Default"},
        {&DuvMsgFilterGrayScale, &DuvMsgPaletteGrayScale, "Gray scale"},
    };
    for (const Pair& p : pairs) {
        EXPECT_NE(p.first, p.second);
        EXPECT_EQ(*p.first, p.text);
        EXPECT_EQ(*p.second, p.text);
    }
    std::set<std::string*> distinct;
    for (const TLibraryTextEntry& entry : LibraryTextEntries()) distinct.insert(entry.Variable);
    EXPECT_EQ(distinct.size(), 399u);
}
