#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "chart/graphics/DuvBrush.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvPicture.h"
#include "support_Streaming.h"

using testing::ElementsAre;

TEST(DuvBrush, NewBrushPaintsInTheOwnersColourAndStreamsNothing)
{
    TAttributeHolder holder;
    EXPECT_EQ(holder.Brush()->Color(), clDefault);
    EXPECT_EQ(holder.Brush()->BackColor(), clNone);
    TDuvGradient* gradient = holder.Brush()->GetGradient();
    EXPECT_EQ(holder.Brush()->GetGradient(), gradient);  // made once
    TDuvPicture* image = holder.Brush()->GetImage();
    EXPECT_EQ(holder.Brush()->GetImage(), image);
    EXPECT_TRUE(StreamedNames(holder).empty());
    EXPECT_EQ(holder.Changes, 0);
}

TEST(DuvBrush, EachChangedPropertyStreamsAndReadsBack)
{
    struct Case {
        const char* name;
        std::function<void(TDuvBrush&)> change;
        std::function<bool(TDuvBrush&)> check;
    };
    const Case cases[] = {
        {"Brush.Style", [](auto& b) { b.SetStyle(bsCross); }, [](auto& b) { return b.Style() == bsCross; }},
        {"Brush.BackColor", [](auto& b) { b.SetBackColor(clYellow); }, [](auto& b) { return b.BackColor() == clYellow; }},
        {"Brush.Color", [](auto& b) { b.SetColor(clRed); }, [](auto& b) { return b.Color() == clRed; }},
        // white is the class library's default brush colour; it must still be written
        {"Brush.Color", [](auto& b) { b.SetColor(clWhite); }, [](auto& b) { return b.Color() == clWhite; }},
        {"Brush.Gradient.Visible", [](auto& b) { b.GetGradient()->SetVisible(true); }, [](auto& b) { return b.HasGradient(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TAttributeHolder holder;
        c.change(*holder.Brush());
        EXPECT_THAT(StreamedNames(holder), ElementsAre(c.name));
        auto copy = StreamCopy(holder);
        EXPECT_TRUE(c.check(*copy->Brush()));
    }
}

TEST(DuvBrush, InitColorIsNotWritten)
{
    TAttributeHolder holder;
    holder.Brush()->InitColor(clWhite);
    EXPECT_TRUE(StreamedNames(holder).empty());
    holder.Brush()->SetColor(clDefault);
    EXPECT_THAT(StreamedNames(holder), ElementsAre("Brush.Color"));
    EXPECT_EQ(StreamCopy(holder)->Brush()->Color(), clDefault);
}

TEST(DuvBrush, AssignFollowsTheSourcesSubObjects)
{
    TDuvBrush target;
    target.GetGradient()->SetVisible(true);
    QImage pixel(1, 1, QImage::Format_RGB32);
    target.GetImage()->SetGraphic(&pixel);
    EXPECT_TRUE(target.HasImage());

    TDuvBrush plain;
    plain.SetColor(clBlue);
    int changes = 0;
    target.OnChange = [&](TObject*) { ++changes; };
    target.Assign(&plain);
    EXPECT_EQ(target.PeekGradient(), nullptr);
    EXPECT_EQ(target.PeekImage(), nullptr);
    EXPECT_EQ(target.Color(), clBlue);
    EXPECT_GE(changes, 1);

    plain.GetGradient()->SetVisible(true);
    target.Assign(&plain);
    EXPECT_TRUE(target.HasGradient());
    EXPECT_NE(target.PeekGradient(), plain.PeekGradient());
}
