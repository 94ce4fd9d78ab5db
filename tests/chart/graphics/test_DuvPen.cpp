#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "chart/graphics/DuvBrush.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvPen.h"
#include "support_Streaming.h"

using testing::ElementsAre;

TEST(DuvPen, NewPensStreamNothing)
{
    TAttributeHolder holder;
    holder.Pen()->GetFill();  // a made but unchanged fill writes nothing either
    EXPECT_TRUE(StreamedNames(holder).empty());
}

TEST(DuvPen, EachChangedPropertyStreamsAndReadsBack)
{
    struct Case {
        const char* name;
        std::function<void(TAttributeHolder&)> change;
        std::function<bool(TAttributeHolder&)> check;
    };
    const Case cases[] = {
        {"Pen.Color", [](auto& h) { h.Pen()->SetColor(clRed); }, [](auto& h) { return h.Pen()->Color() == clRed; }},
        {"Pen.Mode", [](auto& h) { h.Pen()->SetMode(pmNotXor); }, [](auto& h) { return h.Pen()->Mode() == pmNotXor; }},
        {"Pen.Style", [](auto& h) { h.Pen()->SetStyle(psDot); }, [](auto& h) { return h.Pen()->Style() == psDot; }},
        {"Pen.Width", [](auto& h) { h.Pen()->SetWidth(3); }, [](auto& h) { return h.Pen()->Width() == 3; }},
        {"Pen.EndStyle", [](auto& h) { h.Pen()->SetEndStyle(esFlat); }, [](auto& h) { return h.Pen()->EndStyle() == esFlat; }},
        {"Pen.Fill.Color", [](auto& h) { h.Pen()->GetFill()->SetColor(clBlue); },
         [](auto& h) { return h.Pen()->PeekFill() && h.Pen()->PeekFill()->Color() == clBlue; }},
        {"Pen.JoinStyle", [](auto& h) { h.Pen()->SetJoinStyle(jsBevel); }, [](auto& h) { return h.Pen()->JoinStyle() == jsBevel; }},
        {"Pen.SmallDots", [](auto& h) { h.Pen()->SetSmallDots(true); }, [](auto& h) { return h.Pen()->SmallDots(); }},
        {"Pen.SmallSpace", [](auto& h) { h.Pen()->SetSmallSpace(4); }, [](auto& h) { return h.Pen()->SmallSpace() == 4; }},
        {"Pen.Visible", [](auto& h) { h.Pen()->Hide(); }, [](auto& h) { return !h.Pen()->Visible(); }},
        {"HiddenPen.Visible", [](auto& h) { h.HiddenPen()->Show(); }, [](auto& h) { return h.HiddenPen()->Visible(); }},
        {"GrayPen.Color", [](auto& h) { h.GrayPen()->SetColor(clBlack); }, [](auto& h) { return h.GrayPen()->Color() == clBlack; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TAttributeHolder holder;
        c.change(holder);
        EXPECT_THAT(StreamedNames(holder), ElementsAre(c.name));
        auto copy = StreamCopy(holder);
        EXPECT_TRUE(c.check(*copy));
    }
}

TEST(DuvPen, InitOperationsMoveTheStoredDefault)
{
    TAttributeHolder holder;
    holder.Pen()->InitEndStyle(esFlat);
    EXPECT_TRUE(StreamedNames(holder).empty());
    EXPECT_EQ(holder.Changes, 0);
    holder.Pen()->SetEndStyle(esSquare);
    EXPECT_THAT(StreamedNames(holder), ElementsAre("Pen.EndStyle"));
    EXPECT_EQ(TDarkGrayPen().Color(), clGray);
    EXPECT_EQ(TWhitePen().Color(), clWhite);
}

TEST(DuvPen, NotifiesOncePerEffectiveChange)
{
    int changes = 0;
    TDuvPen pen([&](TObject*) { ++changes; });
    pen.SetWidth(1);
    pen.SetVisible(true);
    EXPECT_EQ(changes, 0);
    pen.SetWidth(2);
    pen.SetSmallDots(true);
    pen.GetFill()->SetColor(clRed);  // the fill reports to the pen's owner
    EXPECT_EQ(changes, 3);
}

TEST(DuvPen, HalfWidth)
{
    struct Case {
        int width;
        bool visible;
        int half;
    };
    const Case cases[] = {{0, true, 0}, {1, true, 0}, {2, true, 1}, {5, true, 2}, {5, false, 0}, {8, false, 0}};
    for (const Case& c : cases) {
        TDuvPen pen;
        pen.SetWidth(c.width);
        pen.SetVisible(c.visible);
        EXPECT_EQ(pen.HalfWidth(), c.half) << c.width << " " << c.visible;
    }
}

TEST(DuvPen, AssignCopiesExtendedSettingsAndFill)
{
    TDuvPen source;
    source.SetWidth(4);
    source.SetColor(clGreen);
    source.Hide();
    source.SetJoinStyle(jsMitter);
    source.GetFill()->GetGradient()->SetVisible(true);
    TDuvPen target;
    target.Assign(&source);
    EXPECT_EQ(target.Width(), 4);
    EXPECT_EQ(target.Color(), clGreen);
    EXPECT_FALSE(target.Visible());
    EXPECT_EQ(target.JoinStyle(), jsMitter);
    EXPECT_TRUE(target.HasGradientFill());

    TDuvPen plain;
    target.Assign(&plain);  // a source without fill frees the target's
    EXPECT_EQ(target.PeekFill(), nullptr);
}
