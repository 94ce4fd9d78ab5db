#include "chart/graphics/GraphicClasses.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <algorithm>
#include <cstring>

#include "chart/graphics/BmpCodec.h"
#include "chart/graphics/JpegCodec.h"
#include "platform/core/Properties.h"
#include "platform/core/Streams.h"

namespace {

std::string ReadRest(TStream& stream)
{
    std::string bytes(static_cast<std::size_t>(std::max<std::int64_t>(0, stream.Remaining())), '\0');
    stream.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    return bytes;
}

// Graphics whose whole state is a picture and the bytes it was read from.
class TCodecGraphic : public TGraphic {
public:
    using TDecoder = QImage (*)(const std::string& bytes);
    using TEncoder = std::string (*)(const QImage& image);
    TCodecGraphic(std::string className, TDecoder decode, TEncoder encode)
        : className_(std::move(className)), decode_(decode), encode_(encode) {}

    std::string ClassName() const override { return className_; }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TCodecGraphic>(*this); }
    const QImage& Image() const override { return image_; }
    void SetImage(const QImage& image) override
    {
        image_ = image;
        data_.clear();
    }
    void LoadFromStream(TStream& stream) override
    {
        std::string bytes = ReadRest(stream);
        image_ = decode_(bytes);
        data_ = std::move(bytes);
    }
    void SaveToStream(TStream& stream) const override
    {
        stream.WriteString(data_.empty() && !image_.isNull() ? encode_(image_) : data_);
    }

private:
    std::string className_;
    TDecoder decode_;
    TEncoder encode_;
    QImage image_;
    std::string data_;
};

// Formats read and written by Qt's own image handlers.
struct TQtFormat {
    const char* format;
    const char* description;
};

QImage DecodeWithQt(const std::string& bytes, const TQtFormat& f)
{
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, f.format);
    QImage image;
    if (!reader.read(&image)) throw EInvalidGraphic(std::string(f.description) + " is not valid: " + reader.errorString().toStdString());
    return image;
}

std::string EncodeWithQt(const QImage& image, const TQtFormat& f)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, f.format);
    if (!writer.write(image)) throw EInvalidGraphic(std::string(f.description) + " cannot be written: " + writer.errorString().toStdString());
    return data.toStdString();
}

constexpr TQtFormat kPng{"png", "PNG image"};
constexpr TQtFormat kGif{"gif", "GIF image"};
constexpr TQtFormat kIcon{"ico", "Icon image"};

template <const TQtFormat& F>
std::unique_ptr<TGraphic> CreateQtGraphic(const char* className)
{
    return std::make_unique<TCodecGraphic>(
        className, [](const std::string& bytes) { return DecodeWithQt(bytes, F); },
        [](const QImage& image) { return EncodeWithQt(image, F); });
}

std::unique_ptr<TGraphic> CreateBitmap()
{
    return std::make_unique<TCodecGraphic>(
        "TBitmap", &ReadBitmapData, static_cast<std::string (*)(const QImage&)>(&WriteBitmapData));
}

std::unique_ptr<TGraphic> CreateJpeg() { return std::make_unique<TJPEGImage>(); }
std::unique_ptr<TGraphic> CreatePng() { return CreateQtGraphic<kPng>("TPngImage"); }
std::unique_ptr<TGraphic> CreateGif() { return CreateQtGraphic<kGif>("TGIFImage"); }
std::unique_ptr<TGraphic> CreateIcon() { return CreateQtGraphic<kIcon>("TIcon"); }

std::string LowerExtension(std::string extension)
{
    if (!extension.empty() && extension[0] == '.') extension.erase(0, 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::string ExtensionOf(const std::string& fileName)
{
    const std::size_t dot = fileName.find_last_of('.');
    const std::size_t slash = fileName.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return fileName.substr(dot);
}

constexpr std::uint32_t kNoLength = 0xFFFFFFFFu;

// The length some kinds write before their bytes; older writers left it out, so it is only
// taken as a length when it matches what follows.
std::uint32_t PeekLength(TStream& stream)
{
    std::uint32_t length = 0;
    const std::int64_t at = stream.Position();
    if (stream.Read(&length, 4) == 4 && length == static_cast<std::uint64_t>(stream.Remaining())) return length;
    stream.SetPosition(at);
    return kNoLength;
}

}  // namespace

void TGraphic::LoadFromFile(const std::string& fileName)
{
    TFileStream stream(fileName, fmOpenRead);
    LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& fileName) const
{
    TMemoryStream data;
    SaveToStream(data);
    TFileStream stream(fileName, fmCreate);
    stream.WriteString(data.Bytes());
    stream.Commit();
}

namespace {

std::vector<TGraphicClass>& RegisteredGraphicClasses()
{
    static std::vector<TGraphicClass> classes = {
        {{"TBitmap"}, {"bmp"}, &CreateBitmap, true},
        {{"TJPEGImage"}, {"jpg", "jpeg", "jpe", "jfif"}, &CreateJpeg, true},
        {{"TPngImage", "TPNGObject"}, {"png"}, &CreatePng, false},
        {{"TGIFImage"}, {"gif"}, &CreateGif, false},
        {{"TIcon"}, {"ico"}, &CreateIcon, false},
    };
    return classes;
}

}  // namespace

const std::vector<TGraphicClass>& GraphicClasses() { return RegisteredGraphicClasses(); }

void RegisterGraphicClass(const TGraphicClass& kind)
{
    if (!kind.Names.empty() && !FindGraphicClass(kind.Names.front())) RegisteredGraphicClasses().push_back(kind);
}

void UnregisterGraphicClass(const std::string& className)
{
    auto& classes = RegisteredGraphicClasses();
    std::erase_if(classes, [&](const TGraphicClass& c) { return !c.Names.empty() && SameIdent(c.Names.front(), className); });
}

const TGraphicClass* FindGraphicClass(const std::string& className)
{
    for (const TGraphicClass& c : GraphicClasses())
        for (const std::string& name : c.Names)
            if (SameIdent(name, className)) return &c;
    return nullptr;
}

const TGraphicClass* GraphicClassOfExtension(const std::string& extension)
{
    const std::string wanted = LowerExtension(extension);
    for (const TGraphicClass& c : GraphicClasses())
        if (std::find(c.Extensions.begin(), c.Extensions.end(), wanted) != c.Extensions.end()) return &c;
    return nullptr;
}

std::unique_ptr<TGraphic> LoadGraphicFile(const std::string& fileName)
{
    const std::string extension = ExtensionOf(fileName);
    const TGraphicClass* kind = GraphicClassOfExtension(extension);
    if (!kind) throw EInvalidGraphic("Unknown picture file extension (" + extension + ")");
    std::unique_ptr<TGraphic> graphic = kind->Create();
    graphic->LoadFromFile(fileName);
    return graphic;
}

std::unique_ptr<TGraphic> ReadPictureData(TStream& stream)
{
    std::uint8_t length = 0;
    if (stream.Read(&length, 1) != 1) throw EReadError("Stream read error");
    std::string className(length, '\0');
    stream.ReadBuffer(className.data(), length);
    if (className.empty()) return nullptr;
    const TGraphicClass* kind = FindGraphicClass(className);
    if (!kind) throw EInvalidGraphic("Unknown picture format " + className);
    std::unique_ptr<TGraphic> graphic = kind->Create();
    if (kind->SizeFirst) PeekLength(stream);
    graphic->LoadFromStream(stream);
    return graphic;
}

void WritePictureData(TStream& stream, const TGraphic* graphic)
{
    const TGraphicClass* kind = graphic ? FindGraphicClass(graphic->ClassName()) : nullptr;
    if (graphic && !kind) throw EInvalidGraphic("Unknown picture format " + graphic->ClassName());
    const std::string className = kind ? kind->Names.front() : "";
    const auto length = static_cast<std::uint8_t>(className.size());
    stream.WriteBuffer(&length, 1);
    stream.WriteString(className);
    if (!graphic) return;
    TMemoryStream data;
    graphic->SaveToStream(data);
    if (kind->SizeFirst) {
        const auto size = static_cast<std::uint32_t>(data.Size());
        stream.WriteBuffer(&size, 4);
    }
    stream.WriteString(data.Bytes());
}
