#include "chart/graphics/DuvPicture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "chart/graphics/DuvCanvas3D.h"
#include "chart/graphics/DuvFilterBase.h"
#include "chart/graphics/GraphicClasses.h"
#include "platform/core/ClassRegistry.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"
#include "support/TestSupport.h"
#include "support_Pictures.h"
#include "support_Streaming.h"

using testing::Contains;
using testing::Not;

namespace {

const std::string kDefaultBlur = std::string("\x0E\x01\x09ItemClass\x06\x0BTBlurFilter\x00\x00", 27);

class DuvPicture : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        RegisterFilterClasses({&TBlurFilter::StaticClass()});
        RegisterClass(TFloatXYZ::StaticClass());  // registered for streams, but no filter
    }
    static void TearDownTestSuite()
    {
        UnregisterFilterClasses({&TBlurFilter::StaticClass()});
        UnregisterClass(TFloatXYZ::StaticClass());
        FreeFilterClassList();
    }
};

std::string WrittenFilterItems(TFilterItems& list)
{
    TMemoryStream stream;
    TWriter writer(stream);
    writer.PropPath = "Brush.Image.";  // the value itself never carries the path
    TDuvPicture::WriteFilterItems(writer, list);
    writer.FlushBuffer();
    return stream.Bytes();
}

void ReadFilterItemsFrom(const std::string& bytes, TFilterItems& list)
{
    TMemoryStream stream(bytes);
    TReader reader(stream);
    TDuvPicture::ReadFilterItems(reader, list);
}

TBlurFilter* AddBlur(TFilterItems& list, int amount, int steps)
{
    auto* blur = static_cast<TBlurFilter*>(list.AddFilter(TBlurFilter::StaticClass()));
    blur->Amount = amount;
    blur->Steps = steps;
    return blur;
}

// White with a black centre and a red top-left corner: a blur greys the centre only.
QImage Spot()
{
    QImage image(3, 3, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixel(1, 1, qRgb(0, 0, 0));
    image.setPixel(0, 0, qRgb(255, 0, 0));
    return image;
}

std::string StreamOf(TAttributeHolder& holder)
{
    TMemoryStream stream;
    WriteComponentToStream(stream, &holder);
    return stream.Bytes();
}

}  // namespace

TEST_F(DuvPicture, DefaultBlurIsWrittenAsTwentySevenBytesAndReadsBack)
{
    TFilterItems list;
    list.AddFilter(TBlurFilter::StaticClass());
    EXPECT_EQ(WrittenFilterItems(list), kDefaultBlur);

    TFilterItems readBack;
    ReadFilterItemsFrom(kDefaultBlur, readBack);
    ASSERT_EQ(readBack.Count(), 1);
    auto* blur = dynamic_cast<TBlurFilter*>(readBack.GetFilter(0));
    ASSERT_NE(blur, nullptr);
    EXPECT_EQ(blur->Amount, 1);
    EXPECT_EQ(blur->Steps, 1);
    EXPECT_TRUE(blur->Enabled());
    EXPECT_EQ(WrittenFilterItems(readBack), kDefaultBlur);
}

TEST_F(DuvPicture, FilterListsReadBackEqual)
{
    struct Case {
        const char* name;
        std::function<void(TFilterItems&)> fill;
    };
    const Case cases[] = {
        {"parameters", [](TFilterItems& l) { AddBlur(l, 4, 3); }},
        {"disabled with a region",
         [](TFilterItems& l) {
             TBlurFilter* blur = AddBlur(l, 1, 1);
             blur->SetEnabled(false);
             blur->Region()->Left = 2;
             blur->Region()->Height = 300;
         }},
        {"three in order", [](TFilterItems& l) { AddBlur(l, 0, 1), AddBlur(l, 50, 20), AddBlur(l, 7, 2); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TFilterItems list;
        c.fill(list);
        const std::string bytes = WrittenFilterItems(list);
        TFilterItems readBack;
        ReadFilterItemsFrom(bytes, readBack);
        ASSERT_EQ(readBack.Count(), list.Count());
        for (int i = 0; i < list.Count(); ++i) {
            auto* a = static_cast<TBlurFilter*>(list.GetFilter(i));
            auto* b = static_cast<TBlurFilter*>(readBack.GetFilter(i));
            EXPECT_EQ(b->Amount, a->Amount);
            EXPECT_EQ(b->Steps, a->Steps);
            EXPECT_EQ(b->Enabled(), a->Enabled());
            const int left = a->PeekRegion() ? a->PeekRegion()->Left : 0;
            EXPECT_EQ(b->PeekRegion() ? b->PeekRegion()->Left : 0, left);
        }
        EXPECT_EQ(WrittenFilterItems(readBack), bytes);
    }
}

TEST_F(DuvPicture, ReadingReplacesTheListAndTakesItemIndexes)
{
    TFilterItems two;
    AddBlur(two, 2, 1), AddBlur(two, 3, 1);
    TFilterItems list;
    AddBlur(list, 9, 1), AddBlur(list, 9, 1), AddBlur(list, 9, 1);
    ReadFilterItemsFrom(WrittenFilterItems(two), list);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(static_cast<TBlurFilter*>(list.GetFilter(1))->Amount, 3);

    // an item index (02 05) before the item, as other writers put it
    std::string indexed = kDefaultBlur;
    indexed.insert(1, "\x02\x05");
    ReadFilterItemsFrom(indexed, list);
    EXPECT_EQ(list.Count(), 1);
}

TEST_F(DuvPicture, BadFilterItemsGiveAClearError)
{
    auto named = [](const std::string& className) {
        return std::string("\x0E\x01\x09ItemClass\x06", 13) + static_cast<char>(className.size()) + className +
               std::string("\x00\x00", 2);
    };
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;
        int filtersLeft;  // read before the error, kept
    };
    const Case cases[] = {
        {"a registered class that is no filter", named("TFloatXYZ"), "TFloatXYZ is not a picture filter class", 0},
        {"an unregistered class", named("TNoSuchFilter"), "Class TNoSuchFilter not found", 0},
        {"cut after the class name", kDefaultBlur.substr(0, 25), "Stream read error", 1},
        {"cut before the class name", kDefaultBlur.substr(0, 12), "", 0},
        {"a filter, then a stranger", kDefaultBlur.substr(0, 26) + named("TFloatXYZ").substr(1), "not a picture filter class", 1},
        {"an unknown property", std::string("\x0E\x01\x09ItemClass\x06\x0BTBlurFilter\x04Size\x02\x01\x00\x00", 34), "Size", 1},
        {"no list begin", std::string("\x0E\x07", 2), "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TFilterItems list;
        AddBlur(list, 9, 9);
        try {
            ReadFilterItemsFrom(c.bytes, list);
            ADD_FAILURE() << "no error";
        } catch (const EFilerError& e) {
            EXPECT_NE(e.Message().find(c.message), std::string::npos) << e.Message();
        }
        EXPECT_EQ(list.Count(), c.filtersLeft);
        EXPECT_EQ(list.UpdateCount(), 0);
    }
}

TEST_F(DuvPicture, FilterItemsTravelInsideTheComponentStream)
{
    TAttributeHolder holder;
    TDuvPicture* picture = holder.Brush()->GetImage();
    EXPECT_EQ(picture->GetFilters()->Count(), 0);  // made on reading, yet not stored
    EXPECT_THAT(StreamedNames(holder), Not(Contains("Brush.Image.FilterItems")));
    EXPECT_EQ(StreamOf(holder).find("FilterItems"), std::string::npos);

    picture->GetFilters()->AddFilter(TBlurFilter::StaticClass());
    const std::string stream = StreamOf(holder);
    EXPECT_NE(stream.find("\x17" "Brush.Image.FilterItems" + kDefaultBlur), std::string::npos);
    auto copy = StreamCopy(holder);
    TDuvPicture* copied = copy->Brush()->PeekImage();
    ASSERT_NE(copied, nullptr);
    ASSERT_TRUE(copied->HasFilters());
    EXPECT_NE(dynamic_cast<TBlurFilter*>(copied->GetFilters()->GetFilter(0)), nullptr);
}

// A damaged chart file may ask for billions of blur passes: the picture is drawn with as many
// as the editor offers, at once, and the stored value is kept as it was.
TEST_F(DuvPicture, BlurStepsFromAStreamAreCappedWhenDrawn)
{
    QImage checks(16, 12, QImage::Format_RGB32);
    for (int y = 0; y < checks.height(); ++y)
        for (int x = 0; x < checks.width(); ++x) checks.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 60, 0));
    const auto blurred = [&checks](int steps) {
        QImage image = checks;
        TBlurFilter blur;
        blur.Steps = steps;
        blur.Apply(image);
        return image;
    };
    ASSERT_NE(blurred(20), blurred(19)) << "the picture still changes on the last pass";
    struct Case {
        int stored, applied;
    };
    for (const Case& c : {Case{7, 7}, Case{20, 20}, Case{21, 20}, Case{2147483647, 20}}) {
        TAttributeHolder holder;
        holder.Brush()->GetImage()->SetGraphic(&checks);
        AddBlur(*holder.Brush()->GetImage()->GetFilters(), 1, c.stored);
        auto copy = StreamCopy(holder);
        TDuvPicture* copied = copy->Brush()->PeekImage();
        ASSERT_TRUE(copied && copied->HasFilters());
        EXPECT_EQ(static_cast<TBlurFilter*>(copied->GetFilters()->GetFilter(0))->Steps, c.stored);
        const auto started = std::chrono::steady_clock::now();
        const QImage* filtered = copied->GetFiltered();
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << c.stored;
        ASSERT_NE(filtered, nullptr);
        EXPECT_EQ(*filtered, blurred(c.applied)) << c.stored;
    }
}

TEST_F(DuvPicture, GraphicTravelsAsData)
{
    struct Case {
        const char* name;
        std::function<std::unique_ptr<TGraphic>()> make;
    };
    const Case cases[] = {
        {"bitmap",
         [] {
             auto g = FindGraphicClass("TBitmap")->Create();
             g->SetImage(pictures::Pattern(5, 4));
             return g;
         }},
        {"JPEG",
         [] {
             auto g = FindGraphicClass("TJPEGImage")->Create();
             g->SetImage(pictures::Pattern(16, 8));
             return g;
         }},
        {"PNG",
         [] {
             auto g = FindGraphicClass("TPngImage")->Create();
             g->SetImage(pictures::Pattern(3, 7));
             return g;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TAttributeHolder holder;
        holder.Brush()->GetImage()->SetGraphic(c.make());
        EXPECT_THAT(StreamedNames(holder), Contains("Brush.Image.Data"));
        auto copy = StreamCopy(holder);
        const TDuvPicture* copied = copy->Brush()->PeekImage();
        ASSERT_TRUE(copied && copied->HasGraphic());
        EXPECT_EQ(copied->GetGraphic()->ClassName(), holder.Brush()->GetImage()->GetGraphic()->ClassName());
        EXPECT_EQ(copied->Graphic()->size(), holder.Brush()->GetImage()->Graphic()->size());
    }
}

TEST_F(DuvPicture, CopyTakesTheFilterListOrItsLack)
{
    TDuvPicture source, target;
    QImage spot = Spot();
    source.SetGraphic(&spot);
    AddBlur(*source.GetFilters(), 1, 1);
    target.Assign(&source);
    ASSERT_TRUE(target.HasFilters());
    EXPECT_NE(target.GetFilters(), source.GetFilters());
    EXPECT_TRUE(target.HasGraphic());

    TDuvPicture plain;
    target.Assign(&plain);
    EXPECT_EQ(target.PeekFilters(), nullptr);
    EXPECT_FALSE(target.HasGraphic());
}

TEST_F(DuvPicture, FilteredGraphic)
{
    TDuvPicture picture;
    EXPECT_EQ(picture.GetFiltered(), nullptr);
    AddBlur(*picture.GetFilters(), 1, 1);
    EXPECT_EQ(picture.GetFiltered(), nullptr);  // filters but no graphic

    QImage spot = Spot();
    picture.SetGraphic(&spot);
    const QImage* filtered = picture.GetFiltered();
    ASSERT_NE(filtered, nullptr);
    EXPECT_NE(filtered, picture.Graphic());
    EXPECT_EQ(qRed(filtered->pixel(1, 1)), 8 * 255 / 9);  // the mean of the 3x3 block
    EXPECT_EQ(qGray(picture.Graphic()->pixel(1, 1)), 0);                         // the graphic itself is kept
    EXPECT_EQ(picture.GetFiltered(), filtered);                                  // one bitmap, reused

    picture.GetFilters()->GetFilter(0)->SetEnabled(false);
    EXPECT_EQ(qGray(picture.GetFiltered()->pixel(1, 1)), 0);  // worked out again on each call
    picture.SetFilters(nullptr);
    EXPECT_EQ(picture.GetFiltered(), picture.Graphic());
}

TEST_F(DuvPicture, FilteredIconHasTheIconsSize)
{
    qbtest::TempDir dir;
    QImage icon(5, 7, QImage::Format_ARGB32);
    icon.fill(qRgba(0, 0, 255, 0));
    icon.setPixel(2, 3, qRgba(0, 0, 255, 255));
    const std::string file = dir.file("small.ico");
    ASSERT_TRUE(icon.save(QString::fromStdString(file), "ICO"));
    TDuvPicture picture;
    picture.LoadFromFile(file);
    ASSERT_EQ(picture.GetGraphic()->ClassName(), "TIcon");
    AddBlur(*picture.GetFilters(), 50, 1);
    const QImage* filtered = picture.GetFiltered();
    ASSERT_NE(filtered, nullptr);
    EXPECT_EQ(filtered->size(), QSize(5, 7));
    EXPECT_EQ(filtered->pixel(0, 0), qRgb(255, 255, 255));  // the icon's clear part over white
}

TEST_F(DuvPicture, CanvasDrawsTheFilteredPictureFromTheTopLeftCorner)
{
    TDuvCanvas3D canvas;
    canvas.InitWindow(nullptr, nullptr, clWhite, false, {0, 0, 10, 10});
    canvas.Pen().SetStyle(psClear);
    TDuvPicture* image = canvas.Brush().GetImage();
    QImage spot = Spot();
    image->SetGraphic(&spot);
    AddBlur(*image->GetFilters(), 1, 1);
    canvas.Rectangle(0, 0, 3, 3);
    EXPECT_EQ(canvas.GetPixel(0, 0), static_cast<TColor>(0x0000FF));  // red, at the very corner
    const TColor centre = canvas.GetPixel(1, 1);
    EXPECT_EQ(centre & 0xFF, static_cast<TColor>(226));  // blurred, not the black of the graphic
}

TEST(FloatXYZ, OnlyAChangeNotifiesAndCopiesAreQuiet)
{
    TFloatXYZ point;
    int changes = 0;
    point.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &point);
        ++changes;
    };
    point.SetX(0);
    EXPECT_EQ(changes, 0);
    point.SetX(1.5f), point.SetY(-2), point.SetZ(3);
    EXPECT_EQ(changes, 3);
    point.SetZ(3);
    EXPECT_EQ(changes, 3);
    TFloatXYZ other;
    other.Assign(&point);
    EXPECT_EQ(other.X(), 1.5f);
    EXPECT_EQ(other.Y(), -2.0f);
    EXPECT_EQ(other.Z(), 3.0f);
    point.Assign(&other);
    EXPECT_EQ(changes, 3);
}
