#pragma once
// The class library's pen, brush and font: plain values with a change handler, published
// through the property tables. The chart's own attributes (DuvPen, DuvBrush, DuvFont) extend
// them; a device canvas realises them.
#include <QImage>
#include <memory>
#include <string>

#include "platform/core/Colors.h"
#include "platform/core/Component.h"
#include "platform/core/Events.h"
#include "platform/core/Properties.h"

QB_ENUM(TPenStyle, psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame, psUserStyle,
        psAlternate)
QB_ENUM(TPenMode, pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
        pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor)
QB_ENUM(TBrushStyle, bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross,
        bsDiagCross)
QB_ENUM(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut)
using TFontStyles = TSet<TFontStyle>;
using TFontCharset = std::uint8_t;
constexpr TFontCharset DEFAULT_CHARSET = 1;

// What every graphics object shares: one change handler, fired after each effective change.
class TGraphicsObject : public TPersistent {
    QB_CLASS(TGraphicsObject, TPersistent)
public:
    TChangeHandler OnChange;

protected:
    virtual void Changed();
};

class TPen : public TGraphicsObject {
    QB_CLASS(TPen, TGraphicsObject)
public:
    static void DeclareProperties(TPropertyDeclarer<TPen>& p);

    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TPenMode Mode() const { return mode_; }
    void SetMode(TPenMode value);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle value);
    int Width() const { return width_; }
    void SetWidth(int value);
    // Colour, mode, style and width of another pen; notifies once.
    void Assign(const TPersistent* source) override;

private:
    TColor color_ = clBlack;
    TPenMode mode_ = pmCopy;
    TPenStyle style_ = psSolid;
    int width_ = 1;
};

class TBrush : public TGraphicsObject {
    QB_CLASS(TBrush, TGraphicsObject)
public:
    static void DeclareProperties(TPropertyDeclarer<TBrush>& p);

    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle value);
    // A pattern bitmap; none by default.
    const QImage* Bitmap() const { return bitmap_.get(); }
    void SetBitmap(const QImage* value);
    // Colour, style and bitmap of another brush; notifies once.
    void Assign(const TPersistent* source) override;

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
    std::unique_ptr<QImage> bitmap_;
};

class TFont : public TGraphicsObject {
    QB_CLASS(TFont, TGraphicsObject)
public:
    static void DeclareProperties(TPropertyDeclarer<TFont>& p);

    TFontCharset Charset() const { return charset_; }
    void SetCharset(TFontCharset value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    // Negative for a size in points: -Size * PixelsPerInch / 72, rounded.
    int Height() const;
    void SetHeight(int value);
    const std::string& Name() const { return name_; }
    void SetName(const std::string& value);
    int Size() const { return size_; }
    void SetSize(int value);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles value);
    int PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int value) { pixelsPerInch_ = value; }
    // Name, size, style, colour and charset of another font; notifies once.
    void Assign(const TPersistent* source) override;

private:
    TFontCharset charset_ = DEFAULT_CHARSET;
    TColor color_ = clBlack;
    std::string name_ = "Arial";
    int size_ = 8;
    TFontStyles style_;
    int pixelsPerInch_ = 96;  // chart drawing uses 96 dpi
};

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c);
