// Picture export: the format registry and its filters, the bitmap and metafile formats judged
// by outside programs, the run's temporary folder and mail through xdg-email.
#include <gtest/gtest.h>

#include <QDir>
#include <sstream>
#include <filesystem>
#include <sys/stat.h>

#include "chart/engine/Chart.h"
#include "chart/graphics/BmpCodec.h"
#include "chart/graphics/DuvHtml.h"
#include "chart/graphics/GraphicClasses.h"
#include "chart/graphics/Metafile.h"
#include "chart/output/DuvBmpOptions.h"
#include "chart/output/DuvEmfOptions.h"
#include "chart/output/DuvExport.h"
#include "platform/core/Streams.h"
#include "platform/ui/UiServices.h"
#include "support/TestSupport.h"
#include "support_DuvStoreTest.h"
#include "support_ExportTest.h"

using namespace exporttest;
using qbtest::TempDir;

namespace {

class PictureExportTest : public testing::Test {
protected:
    void SetUp() override
    {
        StartExportModules();
        FillBarChart(chart_);
    }
    TChart chart_;
};

std::unique_ptr<TDuvExportFormat> Bitmap(TChart& chart)
{
    auto format = TBMPExportFormat::Create();
    format->Panel = &chart;
    return format;
}

// The bitmap's file as ImageMagick reads it.
struct Identified {
    int width = 0, height = 0, depth = 0;
    double xResolution = 0, yResolution = 0;
    std::string units, storage;  // "PixelsPerCentimeter"; "DirectClass" or "PseudoClass"
};

Identified Identify(const std::string& file)
{
    int rc = 0;
    const std::string out = storetest::RunCommand("identify -format '%w %h %z %x %y %U %r' '" + file + "'", rc);
    EXPECT_EQ(rc, 0) << out;
    Identified i;
    std::istringstream(out) >> i.width >> i.height >> i.depth >> i.xResolution >> i.yResolution >> i.units >> i.storage;
    return i;
}

int HeaderBits(const std::string& bytes) { return static_cast<unsigned char>(bytes[28]) | bytes[29] << 8; }

QImage RenderSvg(const std::string& svg, const std::string& png)
{
    // wmf2svg leaves the fill of its polylines unsaid, and SVG fills them black then; it also
    // writes fills made while the background mode is transparent half opaque.
    std::string text = qbtest::ReadFileBytes(svg);
    for (std::size_t at = 0; (at = text.find("style=\"stroke-width", at)) != std::string::npos; at += 20)
        text.insert(at + 7, "fill:none; ");
    for (std::size_t at = 0; (at = text.find("fill-opacity:0.5", at)) != std::string::npos;)
        text.replace(at, 16, "fill-opacity:1");
    qbtest::WriteFileBytes(svg, text);
    int rc = 0;
    const std::string out =
        storetest::RunCommand("rsvg-convert -w 400 -h 250 -b white -o '" + png + "' '" + svg + "'", rc);
    EXPECT_EQ(rc, 0) << out;
    return QImage(QString::fromStdString(png));
}

}  // namespace

// ---------------------------------------------------------------- registry and filters

TEST_F(PictureExportTest, FormatClassesAreListedOnceInRegistrationOrder)
{
    const auto before = ExportFormatList();
    ASSERT_EQ(before.size(), 2u);
    EXPECT_EQ(before[0], &TBMPExportFormat::Create);
    EXPECT_EQ(before[1], &TEMFExportFormat::Create);
    RegisterExportFormat(&TBMPExportFormat::Create);
    UnregisterExportFormat([]() -> std::unique_ptr<TDuvExportFormat> { return nullptr; });
    EXPECT_EQ(ExportFormatList(), before);
}

TEST_F(PictureExportTest, FilterIndexesCountOnFromTheEntriesAlreadyThere)
{
    struct Case {
        std::string filter;
        int bitmap, emf, wmf;
        std::string joined;
    };
    const Case cases[] = {
        {"", 1, 2, 3, "Bitmaps (*.bmp)|*.bmp|Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf"},
        {"Charts (*.duv)|*.duv", 2, 3, 4,
         "Charts (*.duv)|*.duv|Bitmaps (*.bmp)|*.bmp|Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        TFileDialogOptions dialog;
        dialog.Filter = c.filter;
        TExportFormatItems list;
        AddExportFormatFilters(dialog, &chart_, &list);
        EXPECT_EQ(dialog.Filter, c.joined);
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list[0].Description, "as Bitmap");
        EXPECT_EQ(list[1].Description, "as Metafile");
        EXPECT_EQ(list[0].Format->Panel, &chart_);
        EXPECT_EQ(list[0].Format->FilterIndex(), c.bitmap);
        EXPECT_EQ(list[1].Format->FilterIndex(), c.emf);
        EXPECT_EQ(FormatOfFilterIndex(list, c.bitmap), list[0].Format.get());
        EXPECT_EQ(FormatOfFilterIndex(list, c.emf), list[1].Format.get());
        EXPECT_EQ(list[1].Format->FileExtension(), "emf");
        // The second metafile entry turns the format to old-style metafiles.
        EXPECT_EQ(FormatOfFilterIndex(list, c.wmf), list[1].Format.get());
        EXPECT_EQ(list[1].Format->FileExtension(), "wmf");
        EXPECT_EQ(list[1].Format->FilterIndex(), c.wmf);
        EXPECT_EQ(FormatOfFilterIndex(list, c.wmf + 1), nullptr);
    }
}

TEST_F(PictureExportTest, GraphicsForExtensionsComeFromTheFirstMatchingFormat)
{
    struct Case {
        const char* extension;
        const char* graphic;  // nullptr: none
    };
    const Case cases[] = {
        {".BMP", "TBitmap"}, {".bmp", "TBitmap"}, {".EMF", nullptr},  // no graphic reads metafiles here
        {".WMF", nullptr},                                            // a fresh metafile format answers "emf"
        {".PNG", nullptr},   {"BMP", nullptr},    {"", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extension);
        const std::unique_ptr<TGraphic> graphic = CreateGraphicForExtension(c.extension);
        ASSERT_EQ(graphic != nullptr, c.graphic != nullptr);
        if (graphic) {
            EXPECT_EQ(graphic->ClassName(), c.graphic);
            EXPECT_TRUE(graphic->Empty());
        }
    }
}

// The markup text asks the export formats first and still finds the kinds no format writes.
TEST_F(PictureExportTest, MarkupPicturesAskTheExportFormatsFirst)
{
    ASSERT_NE(HtmlGraphicHook, nullptr);
    EXPECT_TRUE(HtmlGraphicHook(".BMP"));
    EXPECT_TRUE(HtmlGraphicHook(".PNG"));
    EXPECT_FALSE(HtmlGraphicHook(".XYZ"));
    DuvExportFinalization();
    EXPECT_EQ(HtmlGraphicHook, &HtmlPictureFormatExists);
    DuvExportInitialization();
    EXPECT_NE(HtmlGraphicHook, &HtmlPictureFormatExists);
}

TEST_F(PictureExportTest, FormatsWithoutPanelRaiseBeforeWriting)
{
    TempDir dir;
    for (TDuvExportFormatClass formatClass : ExportFormatList()) {
        const std::unique_ptr<TDuvExportFormat> format = formatClass();
        SCOPED_TRACE(format->ClassName());
        const std::string file = dir.file("picture." + format->FileExtension());
        for (const auto& action : std::vector<std::function<void()>>{
                 [&] { format->Copy(); }, [&] { format->SaveToFile(file); },
                 [&] { format->SaveToFileWithOptions(file, format->Options(true)); }}) {
            try {
                action();
                ADD_FAILURE() << "no exception";
            } catch (const Exception& e) {
                EXPECT_EQ(e.Message(), "Panel property is not set in Export format");
            }
        }
        EXPECT_FALSE(std::filesystem::exists(file));
    }
}

namespace {

// Writes half a picture, then fails, as a drawing that runs out of memory would.
class TFailingFormat : public TDuvExportFormat {
public:
    std::string ClassName() const override { return "TFailingFormat"; }
    void CopyToClipboard() override {}
    std::string Description() const override { return "as &Failure"; }
    std::string FileExtension() const override { return "bad"; }
    void SaveToStream(TStream& stream) override
    {
        stream.WriteString("half a pic");
        throw Exception("drawing failed");
    }
};

}  // namespace

// A save that fails midway leaves the file that was there whole.
TEST_F(PictureExportTest, AFailedSaveLeavesTheOldFile)
{
    TempDir dir;
    const std::string file = dir.file("kept.bad");
    qbtest::WriteFileBytes(file, "the old picture");
    TFailingFormat format;
    format.Panel = &chart_;
    EXPECT_THROW(format.SaveToFile(file), Exception);
    EXPECT_EQ(qbtest::ReadFileBytes(file), "the old picture");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST_F(PictureExportTest, SizesComeFromThePanelWhenZeroAndScaleFromTheFormat)
{
    struct Case {
        int width, height;
        float scale;
        TRect checked;  // after CheckSize: 0, 0, Width, Height
        TRect scaled;
    };
    const Case cases[] = {
        {0, 0, 1, {0, 0, 400, 250}, {0, 0, 400, 250}},     {800, 0, 1, {0, 0, 800, 250}, {0, 0, 800, 250}},
        {0, 100, 2, {0, 0, 400, 100}, {0, 0, 800, 200}},    {300, 150, 0.5f, {0, 0, 300, 150}, {0, 0, 150, 75}},
        {5, 3, 0.5f, {0, 0, 5, 3}, {0, 0, 2, 2}},  // 2.5 and 1.5 round to even
        {300, 150, 0, {0, 0, 300, 150}, {0, 0, 300, 150}},  {300, 150, -2, {0, 0, 300, 150}, {0, 0, 300, 150}},
        {10, 10, 0.25f, {0, 0, 10, 10}, {0, 0, 2, 2}},
    };
    for (const Case& c : cases) {
        auto format = Bitmap(chart_);
        format->Width = c.width;
        format->Height = c.height;
        format->Scale = c.scale;
        format->CheckSize();
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " at " + std::to_string(c.scale));
        EXPECT_EQ(format->Width, c.checked.Right);
        EXPECT_EQ(format->Height, c.checked.Bottom);
        const TRect r = format->ScaledRect();
        EXPECT_EQ(r.Left, 0);
        EXPECT_EQ(r.Top, 0);
        EXPECT_EQ(r.Right, c.scaled.Right);
        EXPECT_EQ(r.Bottom, c.scaled.Bottom);
    }
}

TEST(ExportSizeText, BytesAreShownInTheirLargestWholeUnit)
{
    struct Case {
        long long size;
        const char* text;
    };
    const Case cases[] = {
        {0, "0 bytes"},           {1023, "1023 bytes"},       {1048575, "1048575 bytes"},
        {1048576, "1024 KB"},     {(1LL << 30) - 1, "1048575 KB"}, {1LL << 30, "1024 MB"},
        {(1LL << 40) - 1, "1048575 MB"}, {1LL << 40, "1099511627776"},
    };
    for (const Case& c : cases) EXPECT_EQ(BytesToText(c.size), c.text) << c.size;
}

// ---------------------------------------------------------------- bitmaps

// Every colour depth opens in ImageMagick with the asked size and resolution, also at 3000 DPI,
// and carries the asked bits per pixel.
TEST_F(PictureExportTest, BitmapsOfEveryDepthOpenInAnOutsideReader)
{
    TempDir dir;
    struct Case {
        int pixelFormat;
        int bits;
        const char* imageClass;
        int depth;  // ImageMagick's bits per channel
    };
    const Case cases[] = {{0, 24, "DirectClass", 8}, {1, 1, "PseudoClass", 1},  {2, 4, "PseudoClass", 4},
                          {3, 8, "PseudoClass", 8},  {4, 16, "DirectClass", 8}, {5, 16, "DirectClass", 8},
                          {6, 24, "DirectClass", 8}, {7, 32, "DirectClass", 8}};
    for (int dpi : {96, 3000}) {
        for (const Case& c : cases) {
            SCOPED_TRACE("colors " + std::to_string(c.pixelFormat) + " dpi " + std::to_string(dpi));
            auto format = std::make_unique<TBMPExportFormat>();
            format->Panel = &chart_;
            format->Width = 333;
            format->Height = 201;
            format->Options(true)->PixelFormat = c.pixelFormat;
            format->Options(true)->DPI = dpi;
            const std::string file = dir.file("depth" + std::to_string(c.pixelFormat) + ".bmp");
            format->SaveToFile(file);
            const std::string bytes = qbtest::ReadFileBytes(file);
            EXPECT_EQ(HeaderBits(bytes), c.bits);
            const Identified seen = Identify(file);
            EXPECT_EQ(seen.width, 333);
            EXPECT_EQ(seen.height, 201);
            EXPECT_EQ(seen.depth, c.depth);
            EXPECT_EQ(seen.units, "PixelsPerCentimeter");
            EXPECT_NEAR(seen.xResolution, dpi / 2.54, 0.01);
            EXPECT_NEAR(seen.yResolution, dpi / 2.54, 0.01);
            EXPECT_EQ(seen.storage, c.imageClass);
            // Our own reader agrees, and the bars keep their colours where the depth has them.
            const QImage back = ReadBitmapData(bytes);
            EXPECT_EQ(back.size(), QSize(333, 201));
        }
    }
}

TEST_F(PictureExportTest, FifteenAndSixteenBitPixelsKeepTheirColours)
{
    QImage picture(4, 2, QImage::Format_RGB32);
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(200, 100, 50),
                            qRgb(0, 0, 0),   qRgb(255, 255, 255), qRgb(8, 4, 8),   qRgb(128, 128, 128)};
    for (int i = 0; i < 8; ++i) picture.setPixel(i % 4, i / 4, colours[i]);
    for (int bits : {15, 16}) {
        SCOPED_TRACE(bits);
        const std::string bytes = WriteBitmapData(picture, bits);
        EXPECT_EQ(HeaderBits(bytes), 16);
        const QImage back = ReadBitmapData(bytes).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(back.size(), picture.size());
        for (int i = 0; i < 8; ++i) {
            const QRgb a = colours[i], b = back.pixel(i % 4, i / 4);
            EXPECT_LE(std::abs(qRed(a) - qRed(b)), 8) << i;
            EXPECT_LE(std::abs(qGreen(a) - qGreen(b)), bits == 16 ? 4 : 8) << i;
            EXPECT_LE(std::abs(qBlue(a) - qBlue(b)), 8) << i;
        }
    }
}

TEST_F(PictureExportTest, APaletteThatDoesNotFitTheDepthIsRefused)
{
    QImage picture(20, 1, QImage::Format_RGB32);
    for (int x = 0; x < 20; ++x) picture.setPixel(x, 0, qRgb(x * 10, 0, 0));
    const QImage indexed = picture.convertToFormat(QImage::Format_Indexed8);
    ASSERT_GT(indexed.colorCount(), 16);
    EXPECT_THROW(WriteBitmapData(indexed, 4), EInvalidGraphic);
    EXPECT_EQ(HeaderBits(WriteBitmapData(indexed, 8)), 8);
}

TEST_F(PictureExportTest, ScaledBitmapsComeOutAtTheAskedSizeAndResolution)
{
    for (float scale : {0.5f, 1.0f, 2.0f}) {
        SCOPED_TRACE(scale);
        auto format = std::make_unique<TBMPExportFormat>();
        format->Panel = &chart_;
        format->Scale = scale;
        format->Options(true)->DPI = 96;
        const TExportBitmap bitmap = format->Bitmap();
        EXPECT_EQ(bitmap.Image.size(), QSize(400, 250));
        EXPECT_EQ(bitmap.Image.dotsPerMeterX(), 3780);
        // All three bars are there whatever the scale.
        int red = 0, green = 0, blue = 0;
        for (int y = 0; y < 250; ++y)
            for (int x = 0; x < 400; ++x) {
                const QRgb p = bitmap.Image.pixel(x, y);
                red += qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60;
                green += qGreen(p) > 150 && qRed(p) < 60 && qBlue(p) < 60;
                blue += qBlue(p) > 200 && qRed(p) < 60 && qGreen(p) < 60;
            }
        EXPECT_GT(red, 4000);
        EXPECT_GT(green, 3000);
        EXPECT_GT(blue, 2000);
    }
}

TEST_F(PictureExportTest, MonochromeBitmapsHaveTwoColoursWhateverTheDepth)
{
    auto format = std::make_unique<TBMPExportFormat>();
    format->Panel = &chart_;
    format->Options(true)->PixelFormat = 6;
    format->Options(true)->Monochrome = true;
    TMemoryStream stream;
    format->SaveToStream(stream);
    EXPECT_EQ(HeaderBits(stream.Bytes()), 1);
    EXPECT_EQ(ReadBitmapData(stream.Bytes()).colorCount(), 2);
}

// ---------------------------------------------------------------- metafiles judged outside

TEST_F(PictureExportTest, MetafilesDrawLikeTheBitmapOfTheSameChart)
{
    TempDir dir;
    auto bitmap = Bitmap(chart_);
    bitmap->SaveToFile(dir.file("chart.bmp"));
    const QImage reference = ReadBitmapData(qbtest::ReadFileBytes(dir.file("chart.bmp")));

    struct Case {
        bool enhanced;
        const char* extension;
        std::string command;  // %s: the metafile, then the SVG
    };
    const Case cases[] = {
        {true, "emf", "emf2svg-conv -i '" + dir.file("chart.emf") + "' -o '" + dir.file("emf.svg") + "'"},
        {false, "wmf", "wmf2svg -o '" + dir.file("wmf.svg") + "' '" + dir.file("chart.wmf") + "'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extension);
        TEMFExportFormat format;
        format.Panel = &chart_;
        format.Options(true)->Enhanced = c.enhanced;
        EXPECT_EQ(format.FileExtension(), c.extension);
        const std::string file = dir.file(std::string("chart.") + c.extension);
        format.SaveToFile(file);
        int rc = 0;
        const std::string out = storetest::RunCommand(c.command, rc);
        ASSERT_EQ(rc, 0) << out;
        const QImage drawn = RenderSvg(dir.file(std::string(c.extension) + ".svg"), dir.file(std::string(c.extension) + ".png"));
        ASSERT_FALSE(drawn.isNull());
        // Lines a pixel apart move a block by up to a quarter; a missing or wrong fill moves it by half.
        EXPECT_LE(LargestBlockDifference(drawn, reference, 10, 5), 64);
    }
}

TEST_F(PictureExportTest, MetafilesOfZeroSizeTakeThePanelsSize)
{
    TEMFExportFormat format;
    format.Panel = &chart_;
    const std::unique_ptr<TMetafile> metafile = format.Metafile();
    EXPECT_EQ(format.Width, 400);
    EXPECT_EQ(format.Height, 250);
}

// ---------------------------------------------------------------- temporary files and mail

TEST_F(PictureExportTest, TemporaryExportFilesLiveInAPrivateFolderOfTheRun)
{
    const std::string folder = ExportTempFolder();
    EXPECT_EQ(ExportTempFolder(), folder);
    struct stat info {};
    ASSERT_EQ(stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(std::filesystem::path(folder).parent_path(), std::filesystem::path(QDir::tempPath().toStdString()));
    const std::string file = ExportTempFileName("bmp");
    EXPECT_EQ(file, folder + "/Plotwise.bmp");
    auto format = Bitmap(chart_);
    format->SaveToFile(file);
    DuvExportFinalization();
    EXPECT_FALSE(std::filesystem::exists(folder));
    DuvExportInitialization();
    EXPECT_NE(ExportTempFolder(), folder);
}

TEST_F(PictureExportTest, MailGoesThroughXdgEmailAndLeavesTheFileInPlace)
{
    const std::string file = ExportTempFileName("bmp");
    Bitmap(chart_)->SaveToFile(file);
    {
        FakeProgram mail("xdg-email", 0);
        ResetMailAvailability();
        EXPECT_TRUE(CanSendMail());
        SendMailFile(file);
        EXPECT_EQ(mail.Arguments(), "--subject\nPlotwise\n--attach\n" + file + "\n");
        EXPECT_TRUE(std::filesystem::exists(file)) << "the mail program reads it later";
    }
    {
        FakeProgram mail("xdg-email", 4);
        try {
            SendMailFile(file);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Can not email Plotwise. Mapi Error: 4");
        }
    }
    {
        EmptyPath none;
        ResetMailAvailability();
        EXPECT_FALSE(CanSendMail());
    }
    ResetMailAvailability();
}

TEST_F(PictureExportTest, FileTypesAreKnownByTheDesktopsDefaultPrograms)
{
    {
        FakeProgram mime("xdg-mime", 0);
        // The fake prints nothing: no program is set for the type.
        EXPECT_FALSE(HasFileTypeHandler("bmp"));
    }
    EXPECT_FALSE(HasFileTypeHandler("no-such-extension-here"));
}
