#pragma once
// The kinds of graphic a picture can hold, found by class name (what a stream names) or by file
// extension (files, pictures in text markup): bitmaps with our own codec, JPEG through libjpeg,
// PNG, GIF and icons through Qt's readers.
#include <QImage>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/SysUtils.h"

class TStream;

class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// One graphic: its decoded picture and, when it was loaded, the bytes it came from (saved again
// unchanged, so a GIF or icon survives a round trip through a chart file).
class TGraphic {
public:
    virtual ~TGraphic() = default;
    virtual std::string ClassName() const = 0;
    virtual std::unique_ptr<TGraphic> Clone() const = 0;
    // The decoded picture; a null image when nothing is loaded.
    virtual const QImage& Image() const = 0;
    // Takes a picture made elsewhere; the stored bytes are encoded anew when next saved.
    virtual void SetImage(const QImage& image) = 0;
    // Reads the rest of the stream; EInvalidGraphic when the bytes are not this kind of graphic.
    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) const = 0;

    bool Empty() const { return Image().isNull(); }
    int Width() const { return Image().width(); }
    int Height() const { return Image().height(); }
    bool Transparent() const { return Image().hasAlphaChannel(); }
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;  // through a temporary file
};

// A registered kind of graphic.
struct TGraphicClass {
    std::vector<std::string> Names;       // the first is written; the others are older names read
    std::vector<std::string> Extensions;  // lower case, without the dot
    std::unique_ptr<TGraphic> (*Create)();
    bool SizeFirst;  // a picture's stored data puts the graphic's length first
};

const std::vector<TGraphicClass>& GraphicClasses();
// Kinds added by later modules (a chart file as a picture); a listed class name is kept once.
// References to listed kinds stay valid only until the list changes.
void RegisterGraphicClass(const TGraphicClass& kind);
void UnregisterGraphicClass(const std::string& className);
const TGraphicClass* FindGraphicClass(const std::string& className);  // without regard to case
// ".JPG" and "jpg" alike; nullptr for an extension no graphic claims.
const TGraphicClass* GraphicClassOfExtension(const std::string& extension);
// A graphic of the kind the file name's extension names, loaded from the file.
std::unique_ptr<TGraphic> LoadGraphicFile(const std::string& fileName);

// The "Data" value of a picture: the class name as a short string, then the graphic's bytes
// (after a 32-bit length for bitmaps and JPEG). Reading an empty class name gives no graphic.
std::unique_ptr<TGraphic> ReadPictureData(TStream& stream);
void WritePictureData(TStream& stream, const TGraphic* graphic);
