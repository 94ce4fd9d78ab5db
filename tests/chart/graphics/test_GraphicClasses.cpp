#include "chart/graphics/GraphicClasses.h"

#include <gtest/gtest.h>

#include <QBuffer>

#include "chart/graphics/DuvPicture.h"
#include "platform/core/Streams.h"
#include "support/TestSupport.h"
#include "support_Pictures.h"

using pictures::Pattern;
using pictures::RunProgram;

TEST(GraphicClasses, ExtensionsAndNamesFindTheirKind)
{
    struct Case {
        const char* key;
        const char* className;  // nullptr: none
    };
    const Case extensions[] = {
        {".BMP", "TBitmap"}, {"jpg", "TJPEGImage"}, {".Jpeg", "TJPEGImage"}, {".png", "TPngImage"},
        {"GIF", "TGIFImage"}, {".ico", "TIcon"}, {".tif", nullptr}, {"", nullptr},
    };
    for (const Case& c : extensions) {
        SCOPED_TRACE(c.key);
        const TGraphicClass* kind = GraphicClassOfExtension(c.key);
        if (!c.className) {
            EXPECT_EQ(kind, nullptr);
            continue;
        }
        ASSERT_NE(kind, nullptr);
        EXPECT_EQ(kind->Create()->ClassName(), c.className);
    }
    EXPECT_EQ(FindGraphicClass("tpngobject"), FindGraphicClass("TPngImage"));  // the older name
    EXPECT_EQ(FindGraphicClass("TMetafile"), nullptr);
}

TEST(GraphicClasses, FilesOfEveryKindLoadAndSaveThroughThePicture)
{
    struct Case {
        const char* file;
        std::vector<std::string> make;  // an outside program's command writing the file ("%" = path)
        const char* className;
    };
    const Case cases[] = {
        {"a.gif", {"convert", "-size", "6x4", "gradient:red-blue", "%"}, "TGIFImage"},
        {"a.png", {"convert", "-size", "6x4", "gradient:red-blue", "%"}, "TPngImage"},
        {"a.ico", {"convert", "-size", "6x4", "gradient:red-blue", "%"}, "TIcon"},
        {"a.bmp", {"convert", "-size", "6x4", "gradient:red-blue", "BMP3:%"}, "TBitmap"},
        {"a.jpg", {"convert", "-size", "6x4", "gradient:red-blue", "%"}, "TJPEGImage"},
    };
    qbtest::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string file = dir.file(c.file);
        std::vector<std::string> command = c.make;
        std::string& target = command.back();
        target.replace(target.find('%'), 1, file);
        RunProgram(command);
        TDuvPicture picture;
        picture.LoadFromFile(file);
        ASSERT_TRUE(picture.HasGraphic());
        EXPECT_EQ(picture.GetGraphic()->ClassName(), c.className);
        EXPECT_EQ(picture.Graphic()->size(), QSize(6, 4));
        // saved unchanged, byte for byte
        const std::string copy = dir.file(std::string("copy-") + c.file);
        picture.SaveToFile(copy);
        EXPECT_EQ(qbtest::ReadFileBytes(copy), qbtest::ReadFileBytes(file));
    }
}

TEST(GraphicClasses, BadFilesGiveAClearError)
{
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        Pattern(30, 30).save(&buffer, "PNG");
    }
    struct Case {
        const char* file;
        std::string bytes;
        const char* message;
    };
    const Case cases[] = {
        {"garbage.png", "not a picture, only some words", "PNG image is not valid"},
        {"cut.png", png.left(png.size() / 2).toStdString(), "PNG image is not valid"},
        {"empty.png", "", "PNG image is not valid"},
        {"garbage.gif", "GIF89a\x01", "GIF image is not valid"},
        {"garbage.ico", std::string("\x00\x00\x01\x00\x05\x00", 6), "Icon image is not valid"},
        {"garbage.bmp", "BM and nothing more", "Bitmap image is not valid"},
        {"garbage.jpg", std::string("\xFF\xD8\xFF\xE0", 4), "JPEG error"},
        {"picture.tiff", "II*\0", "Unknown picture file extension (.tiff)"},
    };
    qbtest::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string file = dir.file(c.file);
        qbtest::WriteFileBytes(file, c.bytes);
        TDuvPicture picture;
        try {
            picture.LoadFromFile(file);
            ADD_FAILURE() << "no error";
        } catch (const EInvalidGraphic& e) {
            EXPECT_NE(e.Message().find(c.message), std::string::npos) << e.Message();
        }
        EXPECT_FALSE(picture.HasGraphic());
    }
}

TEST(GraphicClasses, PictureDataCarriesTheClassNameAndLength)
{
    auto bitmap = FindGraphicClass("TBitmap")->Create();
    bitmap->SetImage(Pattern(2, 2));
    TMemoryStream stream;
    WritePictureData(stream, bitmap.get());
    const std::string& bytes = stream.Bytes();
    ASSERT_EQ(bytes.substr(0, 8), "\x07TBitmap");
    const std::uint32_t length = static_cast<std::uint8_t>(bytes[8]) | static_cast<std::uint8_t>(bytes[9]) << 8;
    EXPECT_EQ(length, bytes.size() - 12);
    EXPECT_EQ(bytes.substr(12, 2), "BM");

    // read with and without the length, as older files have it
    for (const std::string& data : {bytes, bytes.substr(0, 8) + bytes.substr(12)}) {
        TMemoryStream in(data);
        auto graphic = ReadPictureData(in);
        ASSERT_NE(graphic, nullptr);
        EXPECT_EQ(graphic->Image().pixel(1, 0), Pattern(2, 2).pixel(1, 0));
    }
    TMemoryStream none(std::string(1, '\0'));
    EXPECT_EQ(ReadPictureData(none), nullptr);
    TMemoryStream unknown(std::string("\x09TMetafile\x01\x02", 12));
    EXPECT_THROW(ReadPictureData(unknown), EInvalidGraphic);
}

namespace {
// A graphic of a kind no registered class names.
class TUnregisteredGraphic : public TGraphic {
public:
    explicit TUnregisteredGraphic(std::string name) : name_(std::move(name)) {}
    std::string ClassName() const override { return name_; }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TUnregisteredGraphic>(name_); }
    const QImage& Image() const override { return image_; }
    void SetImage(const QImage& image) override { image_ = image; }
    void LoadFromStream(TStream&) override {}
    void SaveToStream(TStream& stream) const override { stream.WriteString("data"); }

private:
    std::string name_;
    QImage image_;
};
}  // namespace

TEST(GraphicClasses, WritingAnUnregisteredGraphicGivesAClearErrorAndWritesNothing)
{
    for (const std::string name : {"TMetafile", "", "TBitmapX"}) {
        const TUnregisteredGraphic graphic(name);
        TMemoryStream stream;
        try {
            WritePictureData(stream, &graphic);
            ADD_FAILURE() << "no error for '" << name << "'";
        } catch (const EInvalidGraphic& e) {
            EXPECT_NE(std::string(e.what()).find("Unknown picture format"), std::string::npos) << e.what();
        }
        EXPECT_EQ(stream.Size(), 0) << name;
    }
}
