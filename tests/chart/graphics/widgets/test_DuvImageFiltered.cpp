#include "chart/graphics/widgets/DuvImageFiltered.h"

#include <gtest/gtest.h>

#include <QImage>

#include "chart/graphics/DuvFilters.h"
#include "chart/graphics/DuvPicture.h"

namespace {

QImage Plain(QRgb color)
{
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

TEST(DuvImageFiltered, ShowsThePictureThroughItsFilters)
{
    TImageFiltered control;
    EXPECT_EQ(control.GetFilteredBitmap(), nullptr);  // no picture yet
    int pictureChanges = 0;
    control.Picture()->OnChange = [&pictureChanges, kept = control.Picture()->OnChange](TObject* sender) {
        ++pictureChanges;
        kept(sender);
    };
    const QImage red = Plain(qRgb(200, 0, 0));
    control.Picture()->SetGraphic(&red);
    EXPECT_EQ(pictureChanges, 1);
    control.Filters()->AddFilter(TInvertFilter::StaticClass());

    const QImage* filtered = control.GetFilteredBitmap();
    ASSERT_NE(filtered, nullptr);
    EXPECT_EQ(filtered->pixel(1, 1), qRgb(55, 255, 255));
    EXPECT_EQ(control.GetFilteredBitmap(), filtered);  // kept while nothing changes
    EXPECT_EQ(control.Picture()->Graphic()->pixel(1, 1), qRgb(200, 0, 0));  // the picture itself stays

    // a new picture and a changed list are both worked out again
    const QImage blue = Plain(qRgb(0, 0, 100));
    control.Picture()->SetGraphic(&blue);
    EXPECT_EQ(control.GetFilteredBitmap()->pixel(0, 0), qRgb(255, 255, 155));
    auto* brightness = static_cast<TBrightnessFilter*>(control.Filters()->AddFilter(TBrightnessFilter::StaticClass()));
    brightness->Percent = false;
    brightness->Amount = -55;
    EXPECT_EQ(control.GetFilteredBitmap()->pixel(0, 0), qRgb(200, 200, 100));

    control.resize(3, 2);
    const QImage shown = control.grab().toImage();
    EXPECT_EQ(shown.pixel(2, 1) & 0xFFFFFF, 0xC8C864u);
}

TEST(DuvImageFiltered, CopiesPictureAndFilters)
{
    TImageFiltered source, copy;
    const QImage grey = Plain(qRgb(10, 20, 30));
    source.Picture()->SetGraphic(&grey);
    source.Filters()->AddFilter(TInvertFilter::StaticClass());
    copy.Filters()->AddFilter(TSepiaFilter::StaticClass());
    copy.Filters()->AddFilter(TSepiaFilter::StaticClass());
    copy.Assign(source);
    ASSERT_EQ(copy.Filters()->Count(), 1);
    EXPECT_EQ(copy.Filters()->GetFilter(0)->ClassName(), "TInvertFilter");
    EXPECT_EQ(copy.GetFilteredBitmap()->pixel(0, 0), qRgb(245, 235, 225));
}

}  // namespace
