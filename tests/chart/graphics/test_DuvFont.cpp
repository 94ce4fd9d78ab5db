#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "chart/graphics/DuvBrush.h"
#include "chart/graphics/DuvConst.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvShadow.h"
#include "support_Streaming.h"

using testing::ElementsAre;

class DuvFontTest : public testing::Test {
protected:
    void SetUp() override
    {
        DuvConstInitialization();
        InitDefaultFont();
    }
    void TearDown() override
    {
        DuvConstFinalization();
        ChartFileExtension = "duv";
    }
};

TEST_F(DuvFontTest, NewFontHasTheLibraryDefaultsAndStreamsNothing)
{
    TAttributeHolder holder;
    TDuvFont& font = *holder.Font();
    EXPECT_EQ(font.Name(), "Arial");
    EXPECT_EQ(font.Size(), 8);
    EXPECT_EQ(font.Color(), clBlack);
    EXPECT_EQ(font.Charset(), 1);
    EXPECT_EQ(font.Quality(), fqDefault);
    EXPECT_EQ(font.Brush()->Color(), clBlack);
    font.GetShadow();
    font.GetEmboss();
    font.GetOutLine();
    font.GetGradient();  // made on the brush, written only with it
    EXPECT_TRUE(StreamedNames(holder).empty());
    EXPECT_EQ(holder.Changes, 0);
}

TEST_F(DuvFontTest, EachChangedPropertyStreamsAndReadsBack)
{
    struct Case {
        std::vector<std::string> names;
        std::function<void(TDuvFont&)> change;
        std::function<bool(TDuvFont&)> check;
    };
    const Case cases[] = {
        {{"Font.Charset"}, [](auto& f) { f.SetCharset(238); }, [](auto& f) { return f.Charset() == 238; }},
        {{"Font.Height"}, [](auto& f) { f.SetSize(12); }, [](auto& f) { return f.Size() == 12; }},
        {{"Font.Color"}, [](auto& f) { f.SetColor(clRed); }, [](auto& f) { return f.Color() == clRed; }},
        {{"Font.Name"}, [](auto& f) { f.SetName("Tahoma"); }, [](auto& f) { return f.Name() == "Tahoma"; }},
        {{"Font.Height", "Font.SizeFloat"}, [](auto& f) { f.SetSizeFloat(10.5f); },
         [](auto& f) { return f.GetSizeFloat() == 10.5f; }},
        {{"Font.Brush.Color"}, [](auto& f) { f.Brush()->SetColor(clBlue); }, [](auto& f) { return f.Brush()->Color() == clBlue; }},
        {{"Font.Brush.Gradient.Visible"}, [](auto& f) { f.GetGradient()->SetVisible(true); },
         [](auto& f) { return f.Brush()->HasGradient(); }},
        {{"Font.Depth"}, [](auto& f) { f.SetDepth(2.5); }, [](auto& f) { return f.Depth() == 2.5; }},
        {{"Font.Emboss.Visible"}, [](auto& f) { f.GetEmboss()->SetVisible(true); },
         [](auto& f) { return f.PeekEmboss() && f.PeekEmboss()->Visible(); }},
        {{"Font.InterCharSize"}, [](auto& f) { f.SetInterCharSize(3); }, [](auto& f) { return f.InterCharSize() == 3; }},
        {{"Font.OutLine.Visible"}, [](auto& f) { f.GetOutLine()->Show(); },
         [](auto& f) { return f.PeekOutLine() && f.PeekOutLine()->Visible(); }},
        {{"Font.Quality"}, [](auto& f) { f.SetQuality(fqClearType); }, [](auto& f) { return f.Quality() == fqClearType; }},
        {{"Font.Shadow.HorizSize"}, [](auto& f) { f.GetShadow()->SetHorizSize(-3); },
         [](auto& f) { return f.PeekShadow() && f.PeekShadow()->HorizSize() == -3; }},
        {{"Font.Style"}, [](auto& f) { f.SetStyle({fsBold, fsItalic}); },
         [](auto& f) { return f.Style() == TFontStyles{fsBold, fsItalic}; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.names.front());
        TAttributeHolder holder;
        c.change(*holder.Font());
        EXPECT_EQ(StreamedNames(holder), c.names);
        auto copy = StreamCopy(holder);
        EXPECT_TRUE(c.check(*copy->Font()));
    }
}

TEST_F(DuvFontTest, FractionalSizes)
{
    struct Case {
        float size;
        int whole;
        bool sizeFloatStored;
    };
    const Case cases[] = {{10.5f, 10, true}, {10.0f, 10, false}, {-2.5f, -3, true}, {8.25f, 8, true}};
    for (const Case& c : cases) {
        TDuvFont font;
        font.SetSizeFloat(c.size);
        EXPECT_EQ(font.Size(), c.whole) << c.size;
        EXPECT_EQ(font.GetSizeFloat(), c.size);
        EXPECT_EQ(font.IsSizeFloatStored(), c.sizeFloatStored) << c.size;
    }
    TDuvFont font;
    font.SetSizeFloat(10.5f);
    font.SetSizeFloat(10.0f);
    EXPECT_FALSE(font.IsSizeFloatStored());
    EXPECT_TRUE(font.IsHeightStored());
}

TEST_F(DuvFontTest, InitColorMovesTheStoredDefault)
{
    TAttributeHolder holder;
    holder.Font()->InitColor(clBlue);
    EXPECT_TRUE(StreamedNames(holder).empty());
    holder.Font()->SetColor(clBlack);
    EXPECT_THAT(StreamedNames(holder), ElementsAre("Font.Color"));
}

TEST_F(DuvFontTest, AssignFreesSubObjectsTheSourceLacks)
{
    TDuvFont target;
    target.GetShadow()->SetHorizSize(4);
    target.SetSizeFloat(9.5f);
    TDuvFont source;
    source.SetName("Courier New");
    target.Assign(&source);
    EXPECT_EQ(target.PeekShadow(), nullptr);
    EXPECT_EQ(target.Name(), "Courier New");
    EXPECT_EQ(target.GetSizeFloat(), 8.0f);
}
