#include "chart/graphics/Metafile.h"

#include <uemf.h>
#include <uwmf.h>

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTextItem>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "platform/core/CodePage.h"
#include "platform/core/Streams.h"

// The record builders of libuemf lay records out in host byte order; the files are little-endian.
static_assert(std::endian::native == std::endian::little, "metafile records are written in host byte order");

namespace {

constexpr int kDpi = 96;
// The reference device of an EMF: 1920 x 1440 pixels at 96 dpi are exactly 508 x 381 mm.
constexpr int kDeviceWidth = 1920, kDeviceHeight = 1440, kDeviceWidthMm = 508, kDeviceHeightMm = 381;

// ---------------------------------------------------------------- device-level drawing state
// What a GDI device context is given: pens, brushes and fonts as logical objects, colours
// without alpha, integer device coordinates.

struct TGdiPen {
    std::uint32_t style = U_PS_SOLID;  // style, end cap and join bits
    int width = 1;
    QRgb color = 0;
    std::vector<std::uint32_t> dashes;  // user style: dash, gap, .. in pixels
    bool operator==(const TGdiPen&) const = default;
    bool Null() const { return (style & U_PS_STYLE_MASK) == U_PS_NULL; }
};

struct TGdiBrush {
    std::uint32_t style = U_BS_SOLID;
    QRgb color = 0;
    std::uint32_t hatch = 0;
    bool operator==(const TGdiBrush&) const = default;
};

struct TGdiFont {
    QString family;
    int height = 0;      // negative: the character height in pixels
    int escapement = 0;  // tenths of a degree, counterclockwise
    int weight = U_FW_NORMAL;
    bool italic = false, underline = false, strikeOut = false;
    std::uint8_t charSet = U_DEFAULT_CHARSET;
    bool operator==(const TGdiFont&) const = default;
};

U_COLORREF ColorRef(QRgb color) { return colorref3_set(qRed(color), qGreen(color), qBlue(color)); }

// The 8-bit character set a reader needs for text in the program's code page.
std::uint8_t CharSetOfCodePage(int codePage)
{
    static const std::pair<int, std::uint8_t> table[] = {
        {1250, 238}, {1251, 204}, {1252, 0},   {1253, 161}, {1254, 162}, {1255, 177}, {1256, 178},
        {1257, 186}, {1258, 163}, {874, 222},  {932, 128},  {936, 134},  {949, 129},  {950, 136},
    };
    for (const auto& [page, charSet] : table)
        if (page == codePage) return charSet;
    return U_DEFAULT_CHARSET;
}

// Owns a record made by a libuemf builder.
struct TRecord {
    char* data;
    explicit TRecord(char* record) : data(record) {}
    ~TRecord() { std::free(data); }
    TRecord(const TRecord&) = delete;
    TRecord& operator=(const TRecord&) = delete;
};

// A DIB of the image: 32 bits with its alpha when it has one and alpha is wanted, else 24 bits;
// rows bottom-up as the format stores them.
struct TDib {
    U_BITMAPINFOHEADER header{};
    std::vector<char> pixels;
    int width = 0, height = 0;
};

TDib MakeDib(const QImage& source, bool keepAlpha)
{
    TDib dib;
    const bool alpha = keepAlpha && source.hasAlphaChannel();
    QImage image;
    if (alpha) {
        image = source.convertToFormat(QImage::Format_ARGB32);
    } else {
        QImage flat(source.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter(&flat).drawImage(0, 0, source);
        image = flat.convertToFormat(QImage::Format_BGR888);
    }
    dib.width = image.width();
    dib.height = image.height();
    const int rowBytes = ((dib.width * (alpha ? 32 : 24) + 31) / 32) * 4;
    const int used = dib.width * (alpha ? 4 : 3);
    dib.pixels.assign(static_cast<std::size_t>(rowBytes) * dib.height, 0);
    for (int y = 0; y < dib.height; ++y)
        std::memcpy(dib.pixels.data() + static_cast<std::size_t>(dib.height - 1 - y) * rowBytes, image.constScanLine(y),
                    used);
    dib.header = bitmapinfoheader_set(dib.width, dib.height, 1, alpha ? 32 : 24, U_BI_RGB,
                                      static_cast<std::uint32_t>(dib.pixels.size()), 3780, 3780, 0, 0);
    return dib;
}

// ---------------------------------------------------------------- the record writers

// Keeps one pen, one brush and one font selected, creating an object only when the wanted one
// changes. Clips are set on a saved copy of the initial state, so a new clip restores that state
// first; objects and modes are selected again afterwards.
class TGdiWriter {
public:
    virtual ~TGdiWriter() = default;

    void UsePen(const TGdiPen& pen) { Use(pen_, pen, [&](int slot) { CreatePen(slot, pen); }); }
    void UseBrush(const TGdiBrush& brush) { Use(brush_, brush, [&](int slot) { CreateBrush(slot, brush); }); }
    void UseFont(const TGdiFont& font) { Use(font_, font, [&](int slot) { CreateFont(slot, font); }); }
    void UseTextColor(QRgb color) { UseMode(textColor_, color & RGB_MASK, [&] { SetTextColor(color); }); }
    void UseBkMode(int mode) { UseMode(bkMode_, mode, [&] { SetBkMode(mode); }); }
    void UseBkColor(QRgb color) { UseMode(bkColor_, color & RGB_MASK, [&] { SetBkColor(color); }); }
    void UsePolyFillMode(int mode) { UseMode(fillMode_, mode, [&] { SetPolyFillMode(mode); }); }
    void UseClip(const std::optional<QRegion>& clip)
    {
        if (clip == clip_) return;
        clip_ = clip;
        RestoreDC();
        SaveDC();
        pen_.selected = brush_.selected = font_.selected = false;
        textColor_.reset();
        bkMode_.reset();
        bkColor_.reset();
        fillMode_.reset();
        textAlignSet_ = false;
        if (clip) ClipTo(*clip);
    }
    void UseBaselineText()
    {
        if (textAlignSet_) return;
        SetTextAlign(U_TA_BASELINE | U_TA_LEFT);
        textAlignSet_ = true;
    }

    virtual void Rectangle(const QRect& r) = 0;  // GDI edges: right and bottom exclusive
    virtual void Ellipse(const QRect& r) = 0;
    virtual void Polyline(const QPolygon& points) = 0;
    virtual void PolyPolygon(const std::vector<QPolygon>& polygons) = 0;
    virtual void SetPixel(const QPoint& p, QRgb color) = 0;
    virtual void Text(const QPoint& reference, const QString& text, const std::vector<int>& advances,
                      const QRect& bounds) = 0;
    virtual void StretchImage(const QRect& target, const QImage& image) = 0;
    // The file's bytes, with the header filled in.
    virtual QByteArray Finish() = 0;

protected:
    template <class T>
    struct TSelected {
        std::optional<T> value;
        int slot = -1;
        bool selected = false;
    };

    virtual void CreatePen(int slot, const TGdiPen& pen) = 0;
    virtual void CreateBrush(int slot, const TGdiBrush& brush) = 0;
    virtual void CreateFont(int slot, const TGdiFont& font) = 0;
    virtual void SelectObject(int slot) = 0;
    virtual void DeleteObject(int slot) = 0;
    virtual void SetTextColor(QRgb color) = 0;
    virtual void SetBkMode(int mode) = 0;
    virtual void SetBkColor(QRgb color) = 0;
    virtual void SetPolyFillMode(int mode) = 0;
    virtual void SetTextAlign(int flags) = 0;
    virtual void SaveDC() = 0;
    virtual void RestoreDC() = 0;
    virtual void ClipTo(const QRegion& region) = 0;

    // Object table slots: the lowest free one is taken, as the WMF format requires.
    int firstSlot_ = 0;
    int peakSlots_ = 0;

private:
    template <class T, class Create>
    void Use(TSelected<T>& current, const T& wanted, Create create)
    {
        if (current.value && *current.value == wanted) {
            if (!current.selected) SelectObject(current.slot);
            current.selected = true;
            return;
        }
        const int slot = AllocateSlot();
        create(slot);
        SelectObject(slot);
        if (current.slot >= 0) {
            DeleteObject(current.slot);
            FreeSlot(current.slot);
        }
        current = {wanted, slot, true};
    }
    template <class T, class Set>
    static void UseMode(std::optional<T>& current, T wanted, Set set)
    {
        if (current == wanted) return;
        set();
        current = wanted;
    }
    int AllocateSlot()
    {
        int slot = firstSlot_;
        while (std::find(used_.begin(), used_.end(), slot) != used_.end()) ++slot;
        used_.push_back(slot);
        peakSlots_ = std::max(peakSlots_, slot + 1);
        return slot;
    }
    void FreeSlot(int slot) { used_.erase(std::find(used_.begin(), used_.end(), slot)); }

    static constexpr QRgb RGB_MASK = 0x00FFFFFF;
    std::vector<int> used_;
    TSelected<TGdiPen> pen_;
    TSelected<TGdiBrush> brush_;
    TSelected<TGdiFont> font_;
    std::optional<QRgb> textColor_, bkColor_;
    std::optional<int> bkMode_, fillMode_;
    std::optional<QRegion> clip_;
    bool textAlignSet_ = false;
};

U_RECTL Rectl(const QRect& r) { return {r.left(), r.top(), r.right() + 1, r.bottom() + 1}; }
U_POINTL Pointl(const QPoint& p) { return {p.x(), p.y()}; }

U_RECTL BoundsOf(const QPolygon& points)
{
    const QRect r = points.boundingRect();
    return {r.left(), r.top(), r.right(), r.bottom()};
}

class TEmfWriter final : public TGdiWriter {
public:
    TEmfWriter(int width, int height)
    {
        firstSlot_ = 1;  // slot 0 is the metafile itself
        const U_RECTL bounds{0, 0, width - 1, height - 1};
        const U_RECTL frame{0, 0, Hundredths(width) - 1, Hundredths(height) - 1};
        std::vector<std::uint16_t> description;
        for (const char* part : {"Quellbrook", "Chart"}) {
            for (const char* c = part; *c; ++c) description.push_back(static_cast<std::uint8_t>(*c));
            description.push_back(0);
        }
        description.push_back(0);
        Append(U_EMRHEADER_set(bounds, frame, nullptr, static_cast<U_CBSTR>(description.size()), description.data(),
                               sizel_set(kDeviceWidth, kDeviceHeight), sizel_set(kDeviceWidthMm, kDeviceHeightMm), 0));
        // The device's defaults stated once; some readers also refuse a file of a header alone.
        Append(U_EMRSETMAPMODE_set(U_MM_TEXT));
        Append(U_EMRSETBKMODE_set(U_TRANSPARENT));
        Append(U_EMRSETPOLYFILLMODE_set(U_ALTERNATE));
        Append(U_EMRSETTEXTALIGN_set(U_TA_BASELINE | U_TA_LEFT));
        SaveDC();
    }

    void Rectangle(const QRect& r) override { Append(U_EMRRECTANGLE_set(Rectl(r))); }
    void Ellipse(const QRect& r) override { Append(U_EMRELLIPSE_set(Rectl(r))); }
    void Polyline(const QPolygon& points) override
    {
        const std::vector<U_POINTL> list = Points(points);
        Append(U_EMRPOLYLINE_set(BoundsOf(points), static_cast<std::uint32_t>(list.size()), list.data()));
    }
    void PolyPolygon(const std::vector<QPolygon>& polygons) override
    {
        std::vector<U_POINTL> list;
        std::vector<std::uint32_t> counts;
        QPolygon all;
        for (const QPolygon& polygon : polygons) {
            if (polygon.size() < 2) continue;
            counts.push_back(static_cast<std::uint32_t>(polygon.size()));
            for (const QPoint& p : polygon) list.push_back(Pointl(p));
            all += polygon;
        }
        if (counts.empty()) return;
        const U_RECTL bounds = BoundsOf(all);
        if (counts.size() == 1)
            Append(U_EMRPOLYGON_set(bounds, counts[0], list.data()));
        else
            Append(U_EMRPOLYPOLYGON_set(bounds, static_cast<std::uint32_t>(counts.size()), counts.data(),
                                        static_cast<std::uint32_t>(list.size()), list.data()));
    }
    void SetPixel(const QPoint& p, QRgb color) override { Append(U_EMRSETPIXELV_set(Pointl(p), ColorRef(color))); }
    void Text(const QPoint& reference, const QString& text, const std::vector<int>& advances,
              const QRect& bounds) override
    {
        std::vector<std::uint16_t> units(text.utf16(), text.utf16() + text.size());
        std::vector<std::uint32_t> dx(advances.begin(), advances.end());
        TRecord emrText(emrtext_set(Pointl(reference), static_cast<U_NUM_STR>(units.size()), 2, units.data(), U_ETO_NONE,
                                    U_RECTL{0, 0, -1, -1}, dx.data()));
        const U_RECTL box{bounds.left(), bounds.top(), bounds.right(), bounds.bottom()};
        Append(U_EMREXTTEXTOUTW_set(box, U_GM_COMPATIBLE, 0, 0, reinterpret_cast<PU_EMRTEXT>(emrText.data)));
    }
    void StretchImage(const QRect& target, const QImage& image) override
    {
        TDib dib = MakeDib(image, true);
        TRecord info(reinterpret_cast<char*>(bitmapinfo_set(dib.header, nullptr)));
        Append(U_EMRSTRETCHDIBITS_set(Rectl(target), Pointl(target.topLeft()), U_POINTL{target.width(), target.height()},
                                      U_POINTL{0, 0}, U_POINTL{dib.width, dib.height}, U_DIB_RGB_COLORS, U_SRCCOPY,
                                      reinterpret_cast<PU_BITMAPINFO>(info.data),
                                      static_cast<std::uint32_t>(dib.pixels.size()), dib.pixels.data()));
    }
    QByteArray Finish() override
    {
        RestoreDC();
        EMFTRACK track{};
        Append(U_EMREOF_set(0, nullptr, &track));
        U_EMRHEADER header;
        std::memcpy(&header, bytes_.constData(), sizeof header);
        header.nBytes = static_cast<std::uint32_t>(bytes_.size());
        header.nRecords = records_;
        header.nHandles = static_cast<std::uint16_t>(std::max(peakSlots_, 1));
        std::memcpy(bytes_.data(), &header, sizeof header);
        return bytes_;
    }

protected:
    void CreatePen(int slot, const TGdiPen& pen) override
    {
        const std::uint32_t style = pen.style & U_PS_STYLE_MASK;
        if (pen.width <= 1 && pen.dashes.empty() && style != U_PS_USERSTYLE) {
            Append(U_EMRCREATEPEN_set(slot, logpen_set(style, U_POINT{pen.width, 0}, ColorRef(pen.color))));
            return;
        }
        std::vector<U_STYLEENTRY> entries(pen.dashes.begin(), pen.dashes.end());
        TRecord logPen(reinterpret_cast<char*>(extlogpen_set(U_PS_GEOMETRIC | pen.style, pen.width, U_BS_SOLID,
                                                             ColorRef(pen.color), 0,
                                                             static_cast<U_NUM_STYLEENTRY>(entries.size()),
                                                             entries.empty() ? nullptr : entries.data())));
        Append(U_EMREXTCREATEPEN_set(slot, nullptr, 0, nullptr, reinterpret_cast<PU_EXTLOGPEN>(logPen.data)));
    }
    void CreateBrush(int slot, const TGdiBrush& brush) override
    {
        Append(U_EMRCREATEBRUSHINDIRECT_set(slot, logbrush_set(brush.style, ColorRef(brush.color),
                                                               static_cast<std::int32_t>(brush.hatch))));
    }
    void CreateFont(int slot, const TGdiFont& font) override
    {
        std::uint16_t face[U_LF_FACESIZE] = {};
        const QString family = font.family.left(U_LF_FACESIZE - 1);
        std::copy(family.utf16(), family.utf16() + family.size(), face);
        const U_LOGFONT logFont = logfont_set(font.height, 0, font.escapement, font.escapement, font.weight, font.italic,
                                              font.underline, font.strikeOut, font.charSet, U_OUT_DEFAULT_PRECIS,
                                              U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY, 0, face);
        Append(U_EMREXTCREATEFONTINDIRECTW_set(slot, reinterpret_cast<const char*>(&logFont), nullptr));
    }
    void SelectObject(int slot) override { Append(U_EMRSELECTOBJECT_set(slot)); }
    void DeleteObject(int slot) override { Append(U_EMRDELETEOBJECT_set(slot)); }
    void SetTextColor(QRgb color) override { Append(U_EMRSETTEXTCOLOR_set(ColorRef(color))); }
    void SetBkMode(int mode) override { Append(U_EMRSETBKMODE_set(mode)); }
    void SetBkColor(QRgb color) override { Append(U_EMRSETBKCOLOR_set(ColorRef(color))); }
    void SetPolyFillMode(int mode) override { Append(U_EMRSETPOLYFILLMODE_set(mode)); }
    void SetTextAlign(int flags) override { Append(U_EMRSETTEXTALIGN_set(flags)); }
    void SaveDC() override { Append(U_EMRSAVEDC_set()); }
    void RestoreDC() override { Append(U_EMRRESTOREDC_set(-1)); }
    void ClipTo(const QRegion& region) override
    {
        if (region.rectCount() <= 1) {
            Append(U_EMRINTERSECTCLIPRECT_set(Rectl(region.boundingRect())));
            return;
        }
        std::vector<U_RECTL> rects;
        for (const QRect& r : region) rects.push_back(Rectl(r));
        const U_RGNDATAHEADER header =
            rgndataheader_set(static_cast<U_NUM_RECTL>(rects.size()), Rectl(region.boundingRect()));
        TRecord data(reinterpret_cast<char*>(rgndata_set(header, rects.data())));
        Append(U_EMREXTSELECTCLIPRGN_set(U_RGN_AND, reinterpret_cast<PU_RGNDATA>(data.data)));
    }

private:
    static int Hundredths(int pixels) { return static_cast<int>(std::lround(pixels * 2540.0 / kDpi)); }
    static std::vector<U_POINTL> Points(const QPolygon& points)
    {
        std::vector<U_POINTL> list;
        for (const QPoint& p : points) list.push_back(Pointl(p));
        return list;
    }
    void Append(char* record)
    {
        TRecord owned(record);
        if (!record) throw EWriteError("Cannot write the metafile: a record could not be made");
        std::uint32_t size;
        std::memcpy(&size, record + 4, 4);
        bytes_.append(record, size);
        ++records_;
    }

    QByteArray bytes_;
    std::uint32_t records_ = 0;
};

// Placeable WMF: 16-bit coordinates in pixels, 96 per inch.
class TWmfWriter final : public TGdiWriter {
public:
    TWmfWriter(int width, int height) : width_(width), height_(height)
    {
        Append(U_WMRSETMAPMODE_set(U_MM_ANISOTROPIC));
        Append(U_WMRSETWINDOWORG_set(U_POINT16{0, 0}));
        Append(U_WMRSETWINDOWEXT_set(U_POINT16{Clamp(width), Clamp(height)}));
        Append(U_WMRSETROP2_set(U_R2_COPYPEN));
        // An invisible rectangle over the frame: readers that size the picture by what is drawn
        // then see the whole frame, also when nothing else is drawn.
        UsePen(TGdiPen{U_PS_NULL, 1, 0, {}});
        UseBrush(TGdiBrush{U_BS_NULL, 0, 0});
        Rectangle(QRect(0, 0, width, height));
        SaveDC();
    }

    void Rectangle(const QRect& r) override { Append(U_WMRRECTANGLE_set(Rect16(r))); }
    void Ellipse(const QRect& r) override { Append(U_WMRELLIPSE_set(Rect16(r))); }
    void Polyline(const QPolygon& points) override
    {
        for (const QPolygon& part : Split(points)) {
            const std::vector<U_POINT16> list = Points(part);
            Append(U_WMRPOLYLINE_set(static_cast<std::uint16_t>(list.size()), list.data()));
        }
    }
    void PolyPolygon(const std::vector<QPolygon>& polygons) override
    {
        std::vector<U_POINT16> list;
        std::vector<std::uint16_t> counts;
        for (const QPolygon& polygon : polygons) {
            if (polygon.size() < 2) continue;
            // A polygon beyond the record's count is cut; charts never come near it.
            const QPolygon part = polygon.mid(0, kMaxPoints);
            counts.push_back(static_cast<std::uint16_t>(part.size()));
            for (const U_POINT16& p : Points(part)) list.push_back(p);
        }
        if (counts.empty()) return;
        if (counts.size() == 1)
            Append(U_WMRPOLYGON_set(counts[0], list.data()));
        else
            Append(U_WMRPOLYPOLYGON_set(static_cast<std::uint16_t>(counts.size()), counts.data(), list.data()));
    }
    void SetPixel(const QPoint& p, QRgb color) override { Append(U_WMRSETPIXEL_set(ColorRef(color), Point16(p))); }
    void Text(const QPoint& reference, const QString& text, const std::vector<int>& advances, const QRect&) override
    {
        std::string bytes = Utf8ToAnsi(text.toStdString());
        bytes = bytes.substr(0, std::min<std::size_t>(bytes.find('\0'), 0x7FFF));
        if (bytes.empty()) return;
        // Advances are per character; they fit the bytes only in a single-byte code page.
        std::vector<std::int16_t> dx;
        if (advances.size() >= bytes.size()) {
            std::size_t unit = 0;
            for (std::size_t i = 0; i < bytes.size(); ++i) {
                int advance = advances[unit++];
                if (unit < advances.size() && QChar::isLowSurrogate(text.at(static_cast<int>(unit)).unicode()))
                    advance += advances[unit++];
                dx.push_back(static_cast<std::int16_t>(std::clamp(advance, -32768, 32767)));
            }
        }
        if (dx.size() != bytes.size()) {
            Append(U_WMRTEXTOUT_set(Point16(reference), bytes.data()));
            return;
        }
        Append(U_WMREXTTEXTOUT_set(Point16(reference), static_cast<std::int16_t>(bytes.size()), 0, bytes.data(),
                                   dx.data(), U_RECT16{0, 0, 0, 0}));
    }
    void StretchImage(const QRect& target, const QImage& image) override
    {
        TDib dib = MakeDib(image, false);
        TRecord info(reinterpret_cast<char*>(bitmapinfo_set(dib.header, nullptr)));
        Append(U_WMRSTRETCHDIB_set(Point16(target.topLeft()), U_POINT16{Clamp(target.width()), Clamp(target.height())},
                                   U_POINT16{0, 0}, U_POINT16{Clamp(dib.width), Clamp(dib.height)}, U_DIB_RGB_COLORS,
                                   U_SRCCOPY, reinterpret_cast<PU_BITMAPINFO>(info.data),
                                   static_cast<std::uint32_t>(dib.pixels.size()), dib.pixels.data()));
    }
    QByteArray Finish() override
    {
        RestoreDC();
        Append(U_WMREOF_set());
        QByteArray file;
        auto word = [&file](std::uint16_t value) {
            file.append(static_cast<char>(value & 0xFF));
            file.append(static_cast<char>(value >> 8));
        };
        auto dword = [&word](std::uint32_t value) {
            word(static_cast<std::uint16_t>(value & 0xFFFF));
            word(static_cast<std::uint16_t>(value >> 16));
        };
        // Placeable header: key, handle, bounding box, units per inch, reserved, checksum.
        const std::uint16_t placeable[10] = {0xCDD7, 0x9AC6, 0, 0, 0, static_cast<std::uint16_t>(Clamp(width_)),
                                             static_cast<std::uint16_t>(Clamp(height_)), kDpi, 0, 0};
        std::uint16_t checksum = 0;
        for (std::uint16_t w : placeable) {
            word(w);
            checksum ^= w;
        }
        word(checksum);
        constexpr std::uint32_t headerWords = 9;
        word(1);  // in memory
        word(headerWords);
        word(0x0300);
        dword(headerWords + static_cast<std::uint32_t>(records_.size() / 2));
        word(static_cast<std::uint16_t>(peakSlots_));
        dword(largest_);
        word(0);
        file.append(records_);
        return file;
    }

protected:
    void CreatePen(int, const TGdiPen& pen) override
    {
        std::uint32_t style = pen.style;
        if ((style & U_PS_STYLE_MASK) == U_PS_USERSTYLE)
            style = (style & ~U_PS_STYLE_MASK) | (!pen.dashes.empty() && pen.dashes[0] <= 2u * pen.width ? U_PS_DOT : U_PS_DASH);
        Append(U_WMRCREATEPENINDIRECT_set(U_PEN_set(static_cast<std::uint16_t>(style),
                                                    static_cast<std::uint16_t>(std::min(pen.width, 0x7FFF)),
                                                    ColorRef(pen.color))));
    }
    void CreateBrush(int, const TGdiBrush& brush) override
    {
        Append(U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH_set(static_cast<std::uint16_t>(brush.style),
                                                            ColorRef(brush.color),
                                                            static_cast<std::uint16_t>(brush.hatch))));
    }
    void CreateFont(int, const TGdiFont& font) override
    {
        std::string face = Utf8ToAnsi(font.family.toStdString()).substr(0, U_LF_FACESIZE - 1);
        U_FONT* record = U_FONT_set(static_cast<std::int16_t>(std::clamp(font.height, -32768, 32767)), 0,
                                    static_cast<std::int16_t>(font.escapement), static_cast<std::int16_t>(font.escapement),
                                    static_cast<std::int16_t>(font.weight), font.italic, font.underline, font.strikeOut,
                                    font.charSet, U_OUT_DEFAULT_PRECIS, U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY, 0,
                                    face.data());
        TRecord owned(reinterpret_cast<char*>(record));
        Append(U_WMRCREATEFONTINDIRECT_set(record));
    }
    void SelectObject(int slot) override { Append(U_WMRSELECTOBJECT_set(static_cast<std::uint16_t>(slot))); }
    void DeleteObject(int slot) override { Append(U_WMRDELETEOBJECT_set(static_cast<std::uint16_t>(slot))); }
    void SetTextColor(QRgb color) override { Append(U_WMRSETTEXTCOLOR_set(ColorRef(color))); }
    void SetBkMode(int mode) override { Append(U_WMRSETBKMODE_set(static_cast<std::uint16_t>(mode))); }
    void SetBkColor(QRgb color) override { Append(U_WMRSETBKCOLOR_set(ColorRef(color))); }
    void SetPolyFillMode(int mode) override { Append(U_WMRSETPOLYFILLMODE_set(static_cast<std::uint16_t>(mode))); }
    void SetTextAlign(int flags) override { Append(U_WMRSETTEXTALIGN_set(static_cast<std::uint16_t>(flags))); }
    void SaveDC() override { Append(U_WMRSAVEDC_set()); }
    void RestoreDC() override { Append(U_WMRRESTOREDC_set(-1)); }
    // A region of many rectangles is clipped to its bounding box.
    void ClipTo(const QRegion& region) override { Append(U_WMRINTERSECTCLIPRECT_set(Rect16(region.boundingRect()))); }

private:
    static constexpr int kMaxPoints = 0x7FFF;
    static std::int16_t Clamp(int value) { return static_cast<std::int16_t>(std::clamp(value, -32768, 32767)); }
    static U_POINT16 Point16(const QPoint& p) { return {Clamp(p.x()), Clamp(p.y())}; }
    static U_RECT16 Rect16(const QRect& r)
    {
        return {Clamp(r.left()), Clamp(r.top()), Clamp(r.right() + 1), Clamp(r.bottom() + 1)};
    }
    static std::vector<U_POINT16> Points(const QPolygon& points)
    {
        std::vector<U_POINT16> list;
        for (const QPoint& p : points) list.push_back(Point16(p));
        return list;
    }
    // Long polylines go in pieces that share their end points.
    static std::vector<QPolygon> Split(const QPolygon& points)
    {
        std::vector<QPolygon> parts;
        for (int start = 0; start + 1 < points.size(); start += kMaxPoints - 1)
            parts.push_back(points.mid(start, kMaxPoints));
        return parts;
    }
    void Append(char* record)
    {
        TRecord owned(record);
        if (!record) throw EWriteError("Cannot write the metafile: a record could not be made");
        std::uint16_t size[2];
        std::memcpy(size, record, sizeof size);
        const std::uint32_t words = size[0] | (static_cast<std::uint32_t>(size[1]) << 16);
        records_.append(record, static_cast<qsizetype>(words) * 2);
        largest_ = std::max(largest_, words);
    }

    int width_, height_;
    QByteArray records_;
    std::uint32_t largest_ = 0;
};

// ---------------------------------------------------------------- the paint engine

QRgb Opaque(const QColor& color) { return color.rgb() & 0x00FFFFFF; }

// The colour a fill that GDI cannot make (gradients, textures) is given instead.
QColor StandInColor(const QBrush& brush)
{
    if (const QGradient* gradient = brush.gradient()) {
        const QGradientStops stops = gradient->stops();
        if (stops.isEmpty()) return brush.color();
        const QColor a = stops.front().second, b = stops.back().second;
        return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2,
                      (a.alpha() + b.alpha()) / 2);
    }
    if (brush.style() == Qt::TexturePattern) {
        const QImage texture = brush.textureImage().isNull() ? brush.texture().toImage() : brush.textureImage();
        if (texture.isNull()) return brush.color();
        return texture.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixelColor(0, 0);
    }
    return brush.color();
}

TGdiBrush GdiBrush(const QBrush& brush)
{
    TGdiBrush result;
    const QColor color = StandInColor(brush);
    result.color = Opaque(color);
    if (brush.style() == Qt::NoBrush || color.alpha() == 0) {
        result.style = U_BS_NULL;
        result.color = 0;
        return result;
    }
    static const std::pair<Qt::BrushStyle, std::uint32_t> hatches[] = {
        {Qt::HorPattern, U_HS_HORIZONTAL}, {Qt::VerPattern, U_HS_VERTICAL},     {Qt::CrossPattern, U_HS_CROSS},
        {Qt::BDiagPattern, U_HS_BDIAGONAL}, {Qt::FDiagPattern, U_HS_FDIAGONAL}, {Qt::DiagCrossPattern, U_HS_DIAGCROSS},
    };
    for (const auto& [style, hatch] : hatches)
        if (brush.style() == style) {
            result.style = U_BS_HATCHED;
            result.hatch = hatch;
        }
    return result;
}

double ScaleOf(const QTransform& t) { return std::sqrt(std::abs(t.determinant())); }

TGdiPen GdiPen(const QPen& pen, const QTransform& t)
{
    TGdiPen result;
    if (pen.style() == Qt::NoPen || pen.color().alpha() == 0) {
        result.style = U_PS_NULL;
        return result;
    }
    result.color = Opaque(pen.color());
    const double width = pen.isCosmetic() ? pen.widthF() : pen.widthF() * ScaleOf(t);
    result.width = std::max(1, static_cast<int>(std::lround(width)));
    static const std::pair<Qt::PenStyle, std::uint32_t> styles[] = {
        {Qt::SolidLine, U_PS_SOLID},     {Qt::DashLine, U_PS_DASH},           {Qt::DotLine, U_PS_DOT},
        {Qt::DashDotLine, U_PS_DASHDOT}, {Qt::DashDotDotLine, U_PS_DASHDOTDOT}, {Qt::CustomDashLine, U_PS_USERSTYLE},
    };
    for (const auto& [style, gdi] : styles)
        if (pen.style() == style) result.style = gdi;
    if (result.style == U_PS_USERSTYLE)
        for (double dash : pen.dashPattern())
            result.dashes.push_back(static_cast<std::uint32_t>(std::max(1L, std::lround(dash * result.width))));
    if (result.width > 1 || result.style == U_PS_USERSTYLE) {
        result.style |= pen.capStyle() == Qt::FlatCap     ? U_PS_ENDCAP_FLAT
                        : pen.capStyle() == Qt::SquareCap ? U_PS_ENDCAP_SQUARE
                                                          : U_PS_ENDCAP_ROUND;
        result.style |= pen.joinStyle() == Qt::RoundJoin   ? U_PS_JOIN_ROUND
                        : pen.joinStyle() == Qt::BevelJoin ? U_PS_JOIN_BEVEL
                                                           : U_PS_JOIN_MITER;
    }
    return result;
}

// Turns the painter's calls into records: coordinates through the world transform into device
// pixels, the pen and brush into GDI objects. Fills GDI cannot make (gradients, textures) take
// one colour; alpha is dropped.
class TMetafileEngine final : public QPaintEngine {
public:
    TMetafileEngine(TGdiWriter& out, std::uint8_t charSet) : QPaintEngine(AllFeatures), out_(out), charSet_(charSet) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }

    void updateState(const QPaintEngineState& state) override
    {
        const DirtyFlags flags = state.state();
        if (flags & DirtyPen) pen_ = state.pen();
        if (flags & DirtyBrush) brush_ = state.brush();
        if (flags & DirtyBackground) background_ = state.backgroundBrush();
        if (flags & DirtyBackgroundMode) opaque_ = state.backgroundMode() == Qt::OpaqueMode;
        if (flags & DirtyTransform) transform_ = state.transform();
        if (flags & DirtyClipEnabled) clipEnabled_ = state.isClipEnabled();
        if (flags & DirtyClipRegion) Clip(state.clipOperation(), transform_.map(state.clipRegion()));
        if (flags & DirtyClipPath)
            Clip(state.clipOperation(),
                 QRegion(state.clipPath().toFillPolygon(transform_).toPolygon(), state.clipPath().fillRule()));
        if (flags & (DirtyClipEnabled | DirtyClipRegion | DirtyClipPath))
            out_.UseClip(clipEnabled_ ? clip_ : std::nullopt);
    }

    void drawRects(const QRect* rects, int count) override
    {
        for (int i = 0; i < count; ++i) DrawRect(QRectF(rects[i]));
    }
    void drawRects(const QRectF* rects, int count) override
    {
        for (int i = 0; i < count; ++i) DrawRect(rects[i]);
    }
    void drawEllipse(const QRect& r) override { drawEllipse(QRectF(r)); }
    void drawEllipse(const QRectF& r) override
    {
        if (!Simple()) {
            QPainterPath path;
            path.addEllipse(r);
            return drawPath(path);
        }
        UseFill();
        out_.Ellipse(GdiRect(r));
    }
    void drawLines(const QLine* lines, int count) override
    {
        for (int i = 0; i < count; ++i) DrawLine(QLineF(lines[i]));
    }
    void drawLines(const QLineF* lines, int count) override
    {
        for (int i = 0; i < count; ++i) DrawLine(lines[i]);
    }
    void drawPoints(const QPoint* points, int count) override
    {
        for (int i = 0; i < count; ++i) DrawPoint(QPointF(points[i]));
    }
    void drawPoints(const QPointF* points, int count) override
    {
        for (int i = 0; i < count; ++i) DrawPoint(points[i]);
    }
    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override
    {
        QPolygonF polygon;
        for (int i = 0; i < count; ++i) polygon << QPointF(points[i]);
        DrawPolygon(polygon, mode);
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        DrawPolygon(QPolygonF(QList<QPointF>(points, points + count)), mode);
    }
    void drawPath(const QPainterPath& path) override
    {
        std::vector<QPolygon> polygons;
        for (const QPolygonF& polygon : path.toSubpathPolygons(transform_)) polygons.push_back(polygon.toPolygon());
        if (polygons.empty()) return;
        if (brush_.style() != Qt::NoBrush) {
            out_.UsePen(GdiPen(QPen(Qt::NoPen), transform_));
            out_.UseBrush(GdiBrush(brush_));
            UseBkMode();
            out_.UsePolyFillMode(path.fillRule() == Qt::WindingFill ? U_WINDING : U_ALTERNATE);
            out_.PolyPolygon(polygons);
        }
        if (pen_.style() == Qt::NoPen) return;
        UseStroke();
        for (const QPolygon& polygon : polygons) out_.Polyline(polygon);
    }
    void drawTextItem(const QPointF& p, const QTextItem& item) override
    {
        const QString text = item.text();
        if (text.isEmpty()) return;
        const QFont font = item.font();
        const double pixels = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
        const double xScale = std::hypot(transform_.m11(), transform_.m12());
        const double yScale = std::hypot(transform_.m21(), transform_.m22());
        const double angle = std::atan2(transform_.m12(), transform_.m11()) * 180 / M_PI;
        TGdiFont gdi;
        gdi.family = font.family();
        gdi.height = -std::max(1, static_cast<int>(std::lround(pixels * yScale)));
        gdi.escapement = static_cast<int>(std::lround(-angle * 10 + 3600)) % 3600;
        gdi.weight = std::clamp(static_cast<int>(font.weight()), 1, 1000);
        gdi.italic = font.italic();
        gdi.underline = font.underline();
        gdi.strikeOut = font.strikeOut();
        gdi.charSet = charSet_;
        // Each character's advance as the text was laid out, rounded without drifting.
        const QFontMetricsF metrics(font);
        std::vector<int> advances;
        int placed = 0;
        for (int i = 0; i < text.size(); ++i) {
            const int end = static_cast<int>(std::lround(metrics.horizontalAdvance(text.left(i + 1)) * xScale));
            advances.push_back(end - placed);
            placed = end;
        }
        out_.UseFont(gdi);
        out_.UseTextColor(Opaque(pen_.color()));
        out_.UseBkMode(U_TRANSPARENT);  // an opaque background is painted as a rectangle first
        out_.UseBaselineText();
        const QRectF box(p.x(), p.y() - item.ascent(), item.width(), item.ascent() + item.descent());
        out_.Text(transform_.map(p).toPoint(), text, advances, transform_.mapRect(box).toAlignedRect());
    }
    void drawPixmap(const QRectF& r, const QPixmap& pixmap, const QRectF& source) override
    {
        drawImage(r, pixmap.toImage(), source, Qt::AutoColor);
    }
    void drawImage(const QRectF& r, const QImage& image, const QRectF& source, Qt::ImageConversionFlags) override
    {
        const QRect part = source.toAlignedRect().intersected(image.rect());
        const QRect target = transform_.mapRect(r).toAlignedRect();
        if (part.isEmpty() || target.isEmpty()) return;
        out_.StretchImage(target, part == image.rect() ? image : image.copy(part));
    }

private:
    // Only translated or scaled: rectangles and ellipses stay what they are.
    bool Simple() const { return transform_.type() <= QTransform::TxScale; }

    // A shape of width w at x covers x to x + w under a pen, x to x + w - 1 filled alone; the
    // format's rectangle leaves out its right and bottom edges, and one pixel more without a pen.
    QRect GdiRect(const QRectF& r) const
    {
        const QRectF m = transform_.mapRect(r).normalized();
        const int left = static_cast<int>(std::lround(m.left())), top = static_cast<int>(std::lround(m.top()));
        const int right = static_cast<int>(std::lround(m.right())), bottom = static_cast<int>(std::lround(m.bottom()));
        return QRect(QPoint(left, top), QPoint(right, bottom));  // right/bottom + 1 once written
    }
    void DrawRect(const QRectF& r)
    {
        if (!Simple()) return DrawPolygon(QPolygonF(r), OddEvenMode);
        UseFill();
        out_.Rectangle(GdiRect(r));
    }
    void DrawLine(const QLineF& line)
    {
        if (pen_.style() == Qt::NoPen) return;
        UseStroke();
        out_.Polyline(QPolygon{transform_.map(line.p1()).toPoint(), transform_.map(line.p2()).toPoint()});
    }
    void DrawPoint(const QPointF& p)
    {
        if (pen_.style() == Qt::NoPen) return;
        out_.SetPixel(transform_.map(p).toPoint(), Opaque(pen_.color()));
    }
    void DrawPolygon(const QPolygonF& polygon, PolygonDrawMode mode)
    {
        const QPolygon device = transform_.map(polygon).toPolygon();
        if (mode == PolylineMode) {
            if (pen_.style() == Qt::NoPen) return;
            UseStroke();
            return out_.Polyline(device);
        }
        UseFill();
        out_.UsePolyFillMode(mode == WindingMode ? U_WINDING : U_ALTERNATE);
        out_.PolyPolygon({device});
    }
    void UseFill()
    {
        out_.UsePen(GdiPen(pen_, transform_));
        out_.UseBrush(GdiBrush(brush_));
        UseBkMode();
    }
    void UseStroke()
    {
        out_.UsePen(GdiPen(pen_, transform_));
        UseBkMode();
    }
    // Gaps of dashes and hatches show the background colour only in opaque mode.
    void UseBkMode()
    {
        out_.UseBkMode(opaque_ ? U_OPAQUE : U_TRANSPARENT);
        if (opaque_) out_.UseBkColor(Opaque(background_.color()));
    }
    void Clip(Qt::ClipOperation operation, const QRegion& region)
    {
        switch (operation) {
        case Qt::NoClip: clip_.reset(); break;
        case Qt::ReplaceClip: clip_ = region; break;
        case Qt::IntersectClip: clip_ = clip_ ? clip_->intersected(region) : region; break;
        }
    }

    TGdiWriter& out_;
    QPen pen_;
    QBrush brush_{Qt::NoBrush};
    QBrush background_{Qt::white};
    bool opaque_ = false;
    QTransform transform_;
    bool clipEnabled_ = true;
    std::optional<QRegion> clip_;
    std::uint8_t charSet_;  // of the fonts: the code page the text is written in
};

// A frame of pixels at the given resolution.
int FrameMetric(QPaintDevice::PaintDeviceMetric metric, int width, int height, int dpi)
{
    switch (metric) {
    case QPaintDevice::PdmWidth: return width;
    case QPaintDevice::PdmHeight: return height;
    case QPaintDevice::PdmWidthMM: return static_cast<int>(std::lround(width * 25.4 / dpi));
    case QPaintDevice::PdmHeightMM: return static_cast<int>(std::lround(height * 25.4 / dpi));
    case QPaintDevice::PdmNumColors: return std::numeric_limits<int>::max();
    case QPaintDevice::PdmDepth: return 32;
    case QPaintDevice::PdmDpiX:
    case QPaintDevice::PdmDpiY:
    case QPaintDevice::PdmPhysicalDpiX:
    case QPaintDevice::PdmPhysicalDpiY: return dpi;
    case QPaintDevice::PdmDevicePixelRatio: return 1;
    case QPaintDevice::PdmDevicePixelRatioScaled: return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
}

// The device the recorded picture is played onto while saving.
class TMetafileWriter final : public QPaintDevice {
public:
    TMetafileWriter(TGdiWriter& out, int width, int height, int dpi, std::uint8_t charSet)
        : engine_(out, charSet), width_(width), height_(height), dpi_(dpi)
    {
    }
    ~TMetafileWriter() override = default;
    QPaintEngine* paintEngine() const override { return &engine_; }

protected:
    int metric(PaintDeviceMetric metric) const override { return FrameMetric(metric, width_, height_, dpi_); }

private:
    mutable TMetafileEngine engine_;
    int width_, height_, dpi_;
};

}  // namespace

TMetafile::TMetafile() = default;

TMetafile::~TMetafile() = default;

void TMetafile::SetSize(int width, int height)
{
    width_ = std::max(1, width);
    height_ = std::max(1, height);
}

bool TMetafile::Empty() const { return picture_.isNull(); }

QPaintEngine* TMetafile::paintEngine() const { return picture_.paintEngine(); }

QPaintDevice* TMetafile::redirected(QPoint*) const { return const_cast<QPicture*>(&picture_); }

int TMetafile::metric(PaintDeviceMetric metric) const { return FrameMetric(metric, width_, height_, kDpi); }

QByteArray TMetafile::SaveToBytes() const
{
    std::unique_ptr<TGdiWriter> out;
    if (enhanced_)
        out = std::make_unique<TEmfWriter>(width_, height_);
    else
        out = std::make_unique<TWmfWriter>(width_, height_);
    // The picture scales its drawing by the target's resolution over its own; the writer takes
    // the picture's, so coordinates stay the pixels they were painted in.
    const std::uint8_t charSet = enhanced_ ? U_DEFAULT_CHARSET : CharSetOfCodePage(ProgramCodePage());
    TMetafileWriter device(*out, width_, height_, picture_.logicalDpiX(), charSet);
    {
        QPainter painter(&device);
        QPicture picture = picture_;  // playing is not const; the copy shares the records
        if (!picture.isNull()) picture.play(&painter);
    }
    return out->Finish();
}

void TMetafile::SaveToStream(TStream& stream) const
{
    const QByteArray bytes = SaveToBytes();
    stream.WriteBuffer(bytes.constData(), bytes.size());
}

void TMetafile::SaveToFile(const std::string& fileName) const
{
    const QByteArray bytes = SaveToBytes();
    TFileStream stream(fileName, fmCreate);
    stream.WriteBuffer(bytes.constData(), bytes.size());
    stream.Commit();
}
