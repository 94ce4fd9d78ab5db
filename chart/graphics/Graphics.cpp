#include "chart/graphics/Graphics.h"

#include <cmath>

void TGraphicsObject::Changed()
{
    if (OnChange) OnChange(this);
}

int MulDiv(int a, int b, int c)
{
    if (c == 0) return -1;
    return static_cast<int>(std::llround(static_cast<double>(a) * b / c));
}

// ---------------------------------------------------------------- pen

void TPen::DeclareProperties(TPropertyDeclarer<TPen>& p)
{
    p.Color("Color", &TPen::Color, &TPen::SetColor).Default(clBlack);
    p.Enum("Mode", &TPen::Mode, &TPen::SetMode).Default(pmCopy);
    p.Enum("Style", &TPen::Style, &TPen::SetStyle).Default(psSolid);
    p.Integer("Width", &TPen::Width, &TPen::SetWidth).Default(1);
}

void TPen::SetColor(TColor value)
{
    if (SetIfChanged(color_, value)) Changed();
}

void TPen::SetMode(TPenMode value)
{
    if (SetIfChanged(mode_, value)) Changed();
}

void TPen::SetStyle(TPenStyle value)
{
    if (SetIfChanged(style_, value)) Changed();
}

void TPen::SetWidth(int value)
{
    if (value >= 0 && SetIfChanged(width_, value)) Changed();
}

void TPen::Assign(const TPersistent* source)
{
    auto* pen = dynamic_cast<const TPen*>(source);
    if (!pen) return TPersistent::Assign(source);
    color_ = pen->color_;
    mode_ = pen->mode_;
    style_ = pen->style_;
    width_ = pen->width_;
    Changed();
}

// ---------------------------------------------------------------- brush

void TBrush::DeclareProperties(TPropertyDeclarer<TBrush>& p)
{
    p.Color("Color", &TBrush::Color, &TBrush::SetColor).Default(clWhite);
    p.Enum("Style", &TBrush::Style, &TBrush::SetStyle).Default(bsSolid);
}

void TBrush::SetColor(TColor value)
{
    if (SetIfChanged(color_, value)) Changed();
}

void TBrush::SetStyle(TBrushStyle value)
{
    if (SetIfChanged(style_, value)) Changed();
}

void TBrush::SetBitmap(const QImage* value)
{
    bitmap_ = value && !value->isNull() ? std::make_unique<QImage>(*value) : nullptr;
    Changed();
}

void TBrush::Assign(const TPersistent* source)
{
    auto* brush = dynamic_cast<const TBrush*>(source);
    if (!brush) return TPersistent::Assign(source);
    color_ = brush->color_;
    style_ = brush->style_;
    bitmap_ = brush->bitmap_ ? std::make_unique<QImage>(*brush->bitmap_) : nullptr;
    Changed();
}

// ---------------------------------------------------------------- font

void TFont::DeclareProperties(TPropertyDeclarer<TFont>& p)
{
    p.Integer("Charset", &TFont::Charset, &TFont::SetCharset).Default(DEFAULT_CHARSET);
    p.Color("Color", &TFont::Color, &TFont::SetColor);
    p.Integer("Height", &TFont::Height, &TFont::SetHeight);
    p.String("Name", &TFont::Name, &TFont::SetName);
    p.Integer("Size", &TFont::Size, &TFont::SetSize).NotStored();
    p.Set("Style", &TFont::Style, &TFont::SetStyle);
}

void TFont::SetCharset(TFontCharset value)
{
    if (SetIfChanged(charset_, value)) Changed();
}

void TFont::SetColor(TColor value)
{
    if (SetIfChanged(color_, value)) Changed();
}

int TFont::Height() const { return -MulDiv(size_, pixelsPerInch_, 72); }

void TFont::SetHeight(int value) { SetSize(-MulDiv(value, 72, pixelsPerInch_)); }

void TFont::SetName(const std::string& value)
{
    if (!value.empty() && SetIfChanged(name_, value)) Changed();
}

void TFont::SetSize(int value)
{
    if (SetIfChanged(size_, value)) Changed();
}

void TFont::SetStyle(TFontStyles value)
{
    if (SetIfChanged(style_, value)) Changed();
}

void TFont::Assign(const TPersistent* source)
{
    auto* font = dynamic_cast<const TFont*>(source);
    if (!font) return TPersistent::Assign(source);
    charset_ = font->charset_;
    color_ = font->color_;
    name_ = font->name_;
    size_ = font->size_;
    style_ = font->style_;
    Changed();
}
