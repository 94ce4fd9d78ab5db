#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>

#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/graphics/DuvConst.h"
#include "chart/graphics/DuvFilters.h"
#include "chart/graphics/DuvFont.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvCanvas.h"
#include "chart/graphics/DuvHtml.h"
#include "chart/graphics/ResourceFonts.h"
#include "platform/core/StringList.h"

using testing::ElementsAre;

TEST(ChartGraphicsModules, StartAndShutdownInOrder)
{
    InitializeChartGraphicsModules();
    // the canvas module read its default font from the table the text module had just set
    EXPECT_EQ(DefaultFontName, "Arial");
    EXPECT_EQ(DefaultFontSize, 8);
    EXPECT_EQ(TDuvFont().Name(), "Arial");
    EXPECT_EQ(DrawHtmlTextHook, &DrawHtmlText);
    // the filter module turns gradients and lists its filters
    EXPECT_EQ(GradientRotateHook, &RotateGradientBitmap);
    ASSERT_NE(FilterClassNames(), nullptr);
    EXPECT_EQ(FilterClassNames()->Count(), 25);

    // the digital fonts answer to the program's family names
    for (const char* family : {"Elektra", "DS-Digital"}) {
        const QString actual = QFontInfo(QFont(QString::fromLatin1(family))).family();
        EXPECT_TRUE(actual.startsWith("DSEG")) << family << " -> " << actual.toStdString();
    }
    EXPECT_NE(DigitalFontHandles[0], 0);
    EXPECT_NE(DigitalFontHandles[1], 0);
    ASSERT_NE(DigitalFontNamesHook, nullptr);
    TStringList names;
    DigitalFontNamesHook(names);
    EXPECT_EQ(names.Text(), "Elektra\r\nDS-Digital\r\n");

    FinalizeChartGraphicsModules();
    EXPECT_EQ(DigitalFontNamesHook, nullptr);
    EXPECT_EQ(DrawHtmlTextHook, nullptr);
    EXPECT_EQ(GradientRotateHook, nullptr);
    EXPECT_EQ(FilterClassNames(), nullptr);
    EXPECT_EQ(DigitalFontHandles[0], 0);
    EXPECT_EQ(DigitalFontHandles[1], 0);
    EXPECT_EQ(DuvMsgGalleryLine, "");
    EXPECT_EQ(QFontDatabase::applicationFontFamilies(0).size(), 0);
    ChartFileExtension = "duv";
}

TEST(ChartGraphicsModules, MissingFontResourceInstallsNothing)
{
    EXPECT_EQ(AddResourceFont("NOSUCHFONT", "Nothing"), 0);
}
