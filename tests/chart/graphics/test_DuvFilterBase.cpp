#include "chart/graphics/DuvFilterBase.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>

#include "chart/graphics/DuvConst.h"
#include "chart/graphics/DuvFilters.h"
#include "platform/core/ClassRegistry.h"
#include "platform/core/StringList.h"
#include "support_FilterImages.h"

using testing::ElementsAre;
using testing::ElementsAreArray;

namespace {

// Remembers the rectangle it was asked to work on.
class TRectProbe : public TDuvFilter {
    QB_CLASS(TRectProbe, TDuvFilter)
public:
    explicit TRectProbe(TCollection* collection = nullptr) : TDuvFilter(collection) {}
    void ApplyToRect(QImage& bitmap, const TRect& rect) override
    {
        TDuvFilter::ApplyToRect(bitmap, rect);
        Seen = rect;
    }
    TRect Seen{-99, -99, -99, -99};
};

// Records the controls a filter asks the editor for.
class TRecordingBuilder : public IFilterControlBuilder, public IFilterScrollControl {
public:
    void AddCheckBoxControl(const std::string& name, const std::string& caption, const std::function<void()>& onClick) override
    {
        Controls.push_back("check " + name + " '" + caption + "'");
        if (onClick) Clicks.push_back(onClick);
    }
    void AddColorControl(const std::string& name, const std::string& caption) override
    {
        Controls.push_back("color " + name + " '" + caption + "'");
    }
    void AddChoiceControl(const std::string& name) override { Controls.push_back("choice " + name); }
    void AddIntegerControl(const std::string& name, const std::string& caption, int min, int max) override
    {
        Controls.push_back("integer " + name + " '" + caption + "' " + Range(min, max));
    }
    IFilterScrollControl* AddScrollControl(const std::string& name, int min, int max) override
    {
        Controls.push_back("scroll " + name + " " + Range(min, max));
        return this;
    }
    void SetRange(int min, int max) override { Controls.push_back("range " + Range(min, max)); }
    static std::string Range(int min, int max) { return std::to_string(min) + ".." + std::to_string(max); }

    std::vector<std::string> Controls;
    std::vector<std::function<void()>> Clicks;
};

class FilterBase : public testing::Test {
protected:
    void SetUp() override { DuvConstInitialization(); }
    void TearDown() override { DuvConstFinalization(); }
};

TEST_F(FilterBase, RegionGivesTheRectangle)
{
    struct Case {
        bool region;
        int left, top, width, height;
        TRect expected;
    };
    const Case cases[] = {
        {false, 0, 0, 0, 0, {0, 0, 5, 4}},        // whole picture
        {true, 0, 0, 0, 0, {0, 0, 5, 4}},         // all zero is the whole picture too
        {true, 1, 1, 2, 2, {1, 1, 3, 3}},         // right = left + width
        {true, 2, 1, 0, 0, {2, 1, 5, 4}},         // no size: to the far edges
        {true, -3, -2, 100, 100, {0, 0, 5, 4}},   // clipped on every side
        {true, 4, 3, 10, 10, {4, 3, 5, 4}},
        // sizes from a damaged chart file: no overflow past the largest integer
        {true, 3, 2, INT_MAX, INT_MAX, {3, 2, 5, 4}},
        {true, INT_MAX, INT_MAX, INT_MAX, INT_MAX, {6, 5, 5, 4}},  // empty
        {true, INT_MIN, INT_MIN, -1, -1, {0, 0, -1, -1}},       // empty
    };
    for (const Case& c : cases) {
        TRectProbe probe;
        if (c.region) *probe.Region() = [&] {
            TFilterRegion r;
            r.Left = c.left, r.Top = c.top, r.Width = c.width, r.Height = c.height;
            return r;
        }();
        QImage image(6, 5, QImage::Format_RGB32);
        probe.Apply(image);
        EXPECT_EQ(probe.Seen, c.expected) << c.left << "," << c.top << "," << c.width << "," << c.height;
    }
}

TEST_F(FilterBase, RowsAreThePicturesOwnBytes)
{
    // other formats become 32-bit rows; the canvas's formats are kept
    struct Case {
        QImage::Format in;
        QImage::Format out;
    };
    for (const Case& c : {Case{QImage::Format_RGB32, QImage::Format_RGB32}, Case{QImage::Format_ARGB32, QImage::Format_ARGB32},
                          Case{QImage::Format_ARGB32_Premultiplied, QImage::Format_ARGB32_Premultiplied},
                          Case{QImage::Format_RGB888, QImage::Format_RGB32}, Case{QImage::Format_Indexed8, QImage::Format_RGB32}}) {
        QImage image(3, 2, c.in);
        if (c.in == QImage::Format_Indexed8) image.setColorTable({qRgb(10, 20, 30)});
        image.fill(0);
        TInvertFilter().Apply(image);
        EXPECT_EQ(image.format(), c.out) << c.in;
        EXPECT_EQ(image.pixel(2, 1) & 0xFFFFFF, c.in == QImage::Format_Indexed8 ? 0xF5EBE1u : 0xFFFFFFu) << c.in;
    }
    QImage empty;
    TInvertFilter().Apply(empty);  // nothing to do, no rows
    EXPECT_TRUE(empty.isNull());
}

TEST_F(FilterBase, BlurTakesTheMeanOfInnerPixels)
{
    // 4 by 3: inner pixels (1,1) and (2,1); edges read but kept
    const QImage source = PictureOf(4, 3, {Grey(10), Grey(20), Grey(30), Grey(40),   //
                                           Grey(50), Grey(151), Grey(70), Grey(80),  //
                                           Grey(90), Grey(100), Grey(110), Grey(125)});
    struct Case {
        int amount, steps;
        int inner1, inner2;
    };
    const Case cases[] = {
        {1, 1, 70, 80},  // integer box mean, truncated: 631 / 9, 726 / 9
        {2, 1, 78, 80},  // the centre weighs 2 of 10: 782 / 10, 796 / 10 rounded
        {0, 1, 60, 82},  // centre left out: 480 / 8, 655 / 8 = 81.9
        {1, 2, 62, 72},  // the second pass reads the first one's result
        {5, 3, 66, 74},
    };
    for (const Case& c : cases) {
        QImage image = source;
        TBlurFilter blur;
        blur.Amount = c.amount;
        blur.Steps = c.steps;
        blur.Apply(image);
        std::vector<QRgb> expected = ColorsOf(source);
        expected[5] = Grey(c.inner1);
        expected[6] = Grey(c.inner2);
        EXPECT_EQ(ColorsOf(image), expected) << c.amount << " " << c.steps;
    }
}

TEST_F(FilterBase, BlurWithoutInnerPixelsOrWithZeroWeightsChangesNothing)
{
    const QImage source = PictureBy(5, 5, [](int x, int y) { return Grey(x * 40 + y * 7); });
    struct Case {
        int amount;
        int regionWidth;
    };
    for (const Case& c : {Case{1, 1},     // a 2-pixel-wide rectangle has no inner column
                          Case{-8, 0}}) {  // the weights add up to zero: nothing to divide by
        QImage image = source;
        TBlurFilter blur;
        blur.Amount = c.amount;
        blur.Region()->Width = c.regionWidth;
        blur.Apply(image);
        EXPECT_EQ(ColorsOf(image), ColorsOf(source)) << c.amount;
    }
}

TEST_F(FilterBase, ConvolutionKeepsAlphaAndWorksOnlyInItsRegion)
{
    QImage image(6, 6, QImage::Format_ARGB32);
    image.fill(qRgba(0, 0, 0, 77));
    image.setPixel(2, 2, qRgba(90, 90, 90, 200));
    TBlurFilter blur;
    blur.Region()->Width = 3;  // columns 0..3
    blur.Apply(image);
    EXPECT_EQ(image.pixel(1, 1), qRgba(10, 10, 10, 77));
    EXPECT_EQ(image.pixel(2, 2), qRgba(10, 10, 10, 200));
    EXPECT_EQ(image.pixel(3, 3), qRgba(0, 0, 0, 77));  // the region's last column stays
    EXPECT_EQ(image.pixel(2, 1), qRgba(10, 10, 10, 77));
}

TEST_F(FilterBase, ListAppliesEnabledFiltersInOrder)
{
    TFilterItems items;
    int changes = 0;
    items.OnChange = [&changes, &items](TObject* sender) {
        EXPECT_EQ(sender, &items);
        ++changes;
    };
    auto* invert = items.AddFilter(TInvertFilter::StaticClass());
    auto* brightness = static_cast<TBrightnessFilter*>(items.AddFilter(TBrightnessFilter::StaticClass()));
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(items.GetFilter(1), brightness);
    brightness->Percent = false;
    brightness->Amount = 100;
    struct Case {
        bool invertOn, brightOn;
        QRgb expected;
    };
    for (const Case& c : {Case{true, true, qRgb(155, 255, 255)},  // 200,100,50 -> 55,155,205 -> +100
                          Case{false, true, qRgb(255, 200, 150)},
                          Case{true, false, qRgb(55, 155, 205)}, Case{false, false, qRgb(200, 100, 50)}}) {
        invert->SetEnabled(c.invertOn);
        brightness->SetEnabled(c.brightOn);
        QImage image = PictureOf(1, 1, {qRgb(200, 100, 50)});
        items.ApplyAll(image);
        EXPECT_EQ(ColorsOf(image), std::vector<QRgb>{c.expected}) << c.invertOn << c.brightOn;
    }
    EXPECT_THROW(items.AddFilter(TFilterRegion::StaticClass()), Exception);
    EXPECT_EQ(items.Count(), 2);
}

TEST_F(FilterBase, ListCopiesFiltersWithTheirParameters)
{
    TFilterItems source;
    auto* blur = static_cast<TBlurFilter*>(source.AddFilter(TBlurFilter::StaticClass()));
    blur->Amount = 4;
    blur->Steps = 3;
    blur->SetEnabled(false);
    blur->Region()->Left = 7;
    source.AddFilter(TSepiaFilter::StaticClass());

    TFilterItems copy;
    copy.AddFilter(TInvertFilter::StaticClass());
    copy.ItemsChanged = false;
    copy.Assign(&source);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_TRUE(copy.ItemsChanged);
    auto* copied = dynamic_cast<TBlurFilter*>(copy.GetFilter(0));
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->Amount, 4);
    EXPECT_EQ(copied->Steps, 3);
    EXPECT_FALSE(copied->Enabled());
    EXPECT_EQ(copied->Region()->Left, 7);
    EXPECT_EQ(copy.GetFilter(1)->ClassName(), "TSepiaFilter");

    // a filter copied from one without region still ends with one (all zero: the whole picture)
    TSepiaFilter plain, target;
    target.Assign(&plain);
    ASSERT_NE(target.PeekRegion(), nullptr);
    EXPECT_TRUE(target.PeekRegion()->IsEmpty());
}

TEST_F(FilterBase, EnabledTellsTheEditorOnlyOnAChange)
{
    TInvertFilter filter;
    std::vector<TObject*> senders;
    TRecordingBuilder builder;
    filter.FillEditor(builder, [&senders](TObject* sender) { senders.push_back(sender); });
    filter.SetEnabled(true);
    filter.SetEnabled(false);
    filter.SetEnabled(false);
    EXPECT_THAT(senders, ElementsAre(&filter));
}

TEST_F(FilterBase, EditorControlsPerFilter)
{
    struct Case {
        const TClassInfo* filterClass;
        std::vector<std::string> controls;
    };
    const Case cases[] = {
        {&TBlurFilter::StaticClass(), {"scroll Steps 1..20", "scroll Amount 0..50"}},
        {&TInvertFilter::StaticClass(), {}},
        {&TCropFilter::StaticClass(),
         {"integer Width 'Width' 0..10000", "integer Height 'Height' 0..10000", "integer Left 'Left' 0..10000",
          "integer Top 'Top' 0..10000", "check Smooth 'Smooth'"}},
        {&TBrightnessFilter::StaticClass(), {"scroll Amount -100..100", "check Percent 'Percent'"}},
        {&TMosaicFilter::StaticClass(), {"scroll Amount 0..255", "check Percent 'Percent'"}},
        {&TGammaCorrectionFilter::StaticClass(), {"scroll Amount 0..100", "check Percent 'Percent'"}},
        {&TColorReplaceFilter::StaticClass(),
         {"choice Method", "scroll FromValue 0..255", "scroll ToValue 0..255", "color Color 'Color'"}},
        {&TRotateFilter::StaticClass(), {"scroll Angle 0..360", "color BackColor 'Back'", "check AutoSize 'Autosize'"}},
        {&TTileFilter::StaticClass(), {"integer NumCols 'Columns' 1..1000", "integer NumRows 'Rows' 1..1000"}},
        {&THueLumSatFilter::StaticClass(), {"scroll Hue -255..255", "scroll Luminance -255..255", "scroll Saturation -255..255"}},
        {&TColorFilter::StaticClass(), {"scroll Red -255..255", "scroll Green -255..255", "scroll Blue -255..255"}},
        {&TBevelFilter::StaticClass(), {"scroll Bright 1..255", "scroll Size 1..1000"}},
        {&TZoomFilter::StaticClass(), {"scroll Percent 0..100", "check Smooth 'Smooth'"}},
        {&TMirrorFilter::StaticClass(), {"choice Direction"}},
        {&TGrayScaleFilter::StaticClass(), {"choice Method"}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<TPersistent> filter(c.filterClass->Create());
        TRecordingBuilder builder;
        static_cast<TDuvFilter&>(*filter).FillEditor(builder, nullptr);
        EXPECT_EQ(builder.Controls, c.controls) << c.filterClass->Name();
    }
}

TEST_F(FilterBase, PercentCheckBoxSetsTheAmountRangeAgain)
{
    struct Case {
        const TClassInfo* filterClass;
        const char* rangeAfter;
    };
    for (const Case& c : {Case{&TContrastFilter::StaticClass(), "range -255..255"},
                          Case{&TGammaCorrectionFilter::StaticClass(), "range 0..255"}}) {
        std::unique_ptr<TPersistent> made(c.filterClass->Create());
        auto& filter = static_cast<TAmountFilter&>(*made);
        TRecordingBuilder builder;
        filter.FillEditor(builder, nullptr);
        ASSERT_EQ(builder.Clicks.size(), 1u);
        filter.Percent = false;
        builder.Clicks[0]();
        EXPECT_EQ(builder.Controls.back(), c.rangeAfter) << c.filterClass->Name();
    }
}

TEST_F(FilterBase, DescriptionsComeFromTheTextTable)
{
    struct Case {
        const TClassInfo* filterClass;
        const char* text;
    };
    for (const Case& c : {Case{&TBlurFilter::StaticClass(), "Blur"}, Case{&TSoftenFilter::StaticClass(), "Antialias"},
                          Case{&TColorReplaceFilter::StaticClass(), "Color Replacer"},
                          Case{&THueLumSatFilter::StaticClass(), "Hue,Lum,Sat"},
                          Case{&TGammaCorrectionFilter::StaticClass(), "Gamma correction"},
                          Case{&TGrayScaleFilter::StaticClass(), "Gray scale"}, Case{&TDuvFilter::StaticClass(), "TDuvFilter"}})
        EXPECT_EQ(FilterClassDescription(*c.filterClass), c.text);
    EXPECT_THROW(FilterClassDescription(TFilterRegion::StaticClass()), EComponentError);
}

TEST_F(FilterBase, ClassListNamesEachClassOnce)
{
    EXPECT_EQ(FilterClassNames(), nullptr);
    RegisterFilterClasses({&TSepiaFilter::StaticClass(), &TBlurFilter::StaticClass()});
    RegisterFilterClasses({&TBlurFilter::StaticClass(), &TRectProbe::StaticClass()});
    ASSERT_NE(FilterClassNames(), nullptr);
    EXPECT_EQ(FilterClassNames()->Text(), "TSepiaFilter\r\nTBlurFilter\r\nTRectProbe\r\n");
    EXPECT_EQ(GetClass("trectprobe"), &TRectProbe::StaticClass());
    EXPECT_THROW(RegisterFilterClasses({&TFilterRegion::StaticClass()}), EComponentError);

    UnregisterFilterClasses({&TRectProbe::StaticClass(), &TInvertFilter::StaticClass()});
    EXPECT_EQ(FilterClassNames()->Text(), "TSepiaFilter\r\nTBlurFilter\r\n");
    EXPECT_EQ(GetClass("TRectProbe"), nullptr);
    UnregisterFilterClasses({&TSepiaFilter::StaticClass(), &TBlurFilter::StaticClass()});
    FreeFilterClassList();
    EXPECT_EQ(FilterClassNames(), nullptr);
    UnregisterFilterClasses({&TBlurFilter::StaticClass()});  // no list: nothing to do
}

}  // namespace
