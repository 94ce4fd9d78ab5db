#include "chart/graphics/DuvFilters.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvBlend.h"
#include "chart/graphics/DuvConst.h"
#include "chart/graphics/DuvGradient.h"
#include "platform/core/NumText.h"

namespace {

// Parameters come from chart files: out-of-range values saturate instead of overflowing.
int Nearest(double value)
{
    if (std::isnan(value)) return 0;
    return static_cast<int>(Rnd(std::clamp(value, -2147483648.0, 2147483647.0)));
}

std::uint8_t Clamp255(long long value)
{
    return static_cast<std::uint8_t>(std::clamp<long long>(value, 0, 255));
}

// The rectangle limited to the picture.
TRect Clipped(const TRect& rect, const QImage& bitmap)
{
    return {std::max(0, rect.Left), std::max(0, rect.Top), std::min(rect.Right, bitmap.width() - 1),
            std::min(rect.Bottom, bitmap.height() - 1)};
}

template <class F>
void ForEachPixel(const TDuvFilter& filter, const TRect& r, F&& change)
{
    for (int y = r.Top; y <= r.Bottom; ++y) {
        TRGBQuad* row = filter.Row(y);
        for (int x = r.Left; x <= r.Right; ++x) change(row[x]);
    }
}

// Each of blue, green and red through the same function.
template <class F>
void ForEachChannel(const TDuvFilter& filter, const TRect& r, F&& change)
{
    ForEachPixel(filter, r, [&change](TRGBQuad& p) {
        p.Blue = change(p.Blue);
        p.Green = change(p.Green);
        p.Red = change(p.Red);
    });
}

void SetGrey(TRGBQuad& p, int grey)
{
    p.Blue = p.Green = p.Red = Clamp255(grey);
}

TRGBQuad QuadOf(TColor color)
{
    TRGBQuad quad{0, 0, 0, 0xFF};
    ColorToRGBTriple(color, quad.Blue, quad.Green, quad.Red);
    return quad;
}

// Copies source's pixels into destination with source's top-left at (x, y), clipped.
void CopyPixels(QImage& destination, const QImage& source, int x, int y)
{
    const QImage s = source.format() == destination.format() ? source : source.convertToFormat(destination.format());
    const int x0 = std::max(0, x), x1 = std::min(destination.width(), x + s.width());
    if (x1 <= x0) return;
    for (int row = std::max(0, y); row < std::min(destination.height(), y + s.height()); ++row) {
        const auto* from = reinterpret_cast<const TRGBQuad*>(s.constScanLine(row - y)) + (x0 - x);
        std::copy_n(from, x1 - x0, reinterpret_cast<TRGBQuad*>(destination.scanLine(row)) + x0);
    }
}

// Nearest-neighbour scaling of the whole picture, keeping its format.
QImage Stretched(const QImage& source, int width, int height)
{
    return source.scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation).convertToFormat(source.format());
}

QImage SameFormat(const QImage& bitmap, int width, int height)
{
    QImage result(std::max(1, width), std::max(1, height), bitmap.format());
    result.fill(Qt::white);
    return result;
}

// Start and inclusive end of each block along one side: full blocks of size while they stay
// short of the end, then one block up to the end.
std::vector<std::pair<int, int>> BlockSpans(int start, int end, int size)
{
    std::vector<std::pair<int, int>> spans;
    int s = start;
    for (; s < end - size; s += size) spans.emplace_back(s, s + size - 1);
    if (s < end) spans.emplace_back(s, end);
    return spans;
}

}  // namespace

// ---------------------------------------------------------------- colour model

THLS ChannelsToHLS(int red, int green, int blue)
{
    const int mx = std::max({red, green, blue}), mn = std::min({red, green, blue});
    const double lum = ((mx + mn) * 240.0 + 255) / 510;
    THLS hls;
    hls.Luminance = Nearest(lum);
    if (mx == mn) {
        hls.Hue = 160;
        hls.Saturation = 0;
        return hls;
    }
    const double spread = mx - mn;
    if (lum <= 120)
        hls.Saturation = Nearest((spread * 240 + (mx + mn) / 2.0) / (mx + mn));
    else
        hls.Saturation = Nearest((spread * 240 + (510.0 - mx - mn) / 2) / (510.0 - mx - mn));
    auto delta = [mx, spread](int channel) { return ((mx - channel) * 40.0 + spread / 2) / spread; };
    double hue;
    if (red == mx)
        hue = delta(blue) - delta(green);
    else if (green == mx)
        hue = 80 + delta(red) - delta(blue);
    else
        hue = 160 + delta(green) - delta(red);
    if (hue < 0) hue += 240;
    if (hue > 240) hue -= 240;
    hls.Hue = Nearest(hue);
    return hls;
}

THLS ColorToHLS(TColor color)
{
    const TRGBQuad q = QuadOf(color);
    return ChannelsToHLS(q.Red, q.Green, q.Blue);
}

namespace {
int HLSChannelValue(double m1, double m2, double hue)
{
    if (hue < 0) hue += 240;
    if (hue > 240) hue -= 240;
    int channel;
    if (hue < 40)
        channel = Nearest(m1 + ((m2 - m1) * hue + 20) / 40);
    else if (hue < 120)
        channel = Nearest(m2);
    else if (hue < 160)
        channel = Nearest(m1 + ((m2 - m1) * (160 - hue) + 20) / 40);
    else
        channel = Nearest(m1);
    return Clamp255(Nearest((channel * 255.0 + 120) / 240));
}

TColor RGBColor(int red, int green, int blue)
{
    return static_cast<TColor>(red | (green << 8) | (blue << 16));
}
}  // namespace

TColor ColorFromHLS(int hue, int luminance, int saturation)
{
    if (saturation == 0) {
        const int grey = Clamp255(Nearest(luminance * 255.0 / 240));
        return RGBColor(grey, grey, grey);
    }
    const double l = luminance, s = saturation;
    const double m2 = l <= 120 ? (l * (s + 240) + 120) / 240 : l + s - (l * s + 120) / 240;
    const double m1 = 2 * l - m2;
    return RGBColor(HLSChannelValue(m1, m2, hue + 80), HLSChannelValue(m1, m2, hue), HLSChannelValue(m1, m2, hue - 80));
}

QImage ResizedCopy(const QImage& bitmap, int width, int height)
{
    QImage result(std::max(1, width), std::max(1, height), QImage::Format_RGB32);
    result.fill(Qt::white);
    ResampleBitmap(bitmap, result);
    return result;
}

void RotateGradientBitmap(TCustomDuvGradient& gradient, QImage& bitmap)
{
    if (static_cast<long long>(bitmap.width()) * bitmap.height() > 16777215) return;
    TRotateFilter rotate;
    rotate.Angle = gradient.Angle();
    QImage turned = bitmap;
    rotate.Apply(turned);
    // The gradient draws the turned bitmap where the unturned one was: the turned picture's
    // centre goes to the bitmap's centre and the bitmap keeps its size.
    QImage centred = SameFormat(bitmap, bitmap.width(), bitmap.height());
    CopyPixels(centred, turned, bitmap.width() / 2 - turned.width() / 2, bitmap.height() / 2 - turned.height() / 2);
    bitmap = centred;
}

// ---------------------------------------------------------------- resize and crop

void TResizeFilter::DeclareProperties(TPropertyDeclarer<TResizeFilter>& p)
{
    p.Integer("Width", &TResizeFilter::Width).Default(0);
    p.Integer("Height", &TResizeFilter::Height).Default(0);
}

void TResizeFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    TDuvFilter::ApplyToRect(bitmap, rect);
    if (LinesEmpty() || Width <= 0 || Height <= 0) return;
    QImage copy = ResizedCopy(bitmap, Width, Height);
    bitmap = bitmap.hasAlphaChannel() ? copy.convertToFormat(bitmap.format()) : copy;
    Lines.clear();
}

void TResizeFilter::FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify)
{
    TDuvFilter::FillEditor(builder, notify);
    builder.AddIntegerControl("Width", DuvMsgWidth, 0, 10000);
    builder.AddIntegerControl("Height", DuvMsgHeight, 0, 10000);
}

std::string TResizeFilter::Description() const
{
    return DuvMsgFilterResize;
}

void TResizeFilter::SetGalleryDefaults()
{
    Width = 50;
    Height = 50;
}

void TCropFilter::DeclareProperties(TPropertyDeclarer<TCropFilter>& p)
{
    p.Integer("Left", &TCropFilter::Left).Default(0);
    p.Integer("Top", &TCropFilter::Top).Default(0);
    p.Boolean("Smooth", &TCropFilter::Smooth).Default(false);
}

void TCropFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    TDuvFilter::ApplyToRect(bitmap, rect);
    if (LinesEmpty() || Width <= 0 || Height <= 0) return;
    // Exactly Width by Height pixels from (Left, Top); outside the picture is black.
    const QImage part = bitmap.copy(Left, Top, Width, Height).convertToFormat(bitmap.format());
    QImage filled(bitmap.width(), bitmap.height(), QImage::Format_RGB32);
    if (Smooth)
        ResampleBitmap(part, filled);
    else
        filled = Stretched(part, bitmap.width(), bitmap.height());
    CopyPixels(bitmap, filled, 0, 0);
}

void TCropFilter::FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify)
{
    TResizeFilter::FillEditor(builder, notify);
    builder.AddIntegerControl("Left", DuvMsgLeft, 0, 10000);
    builder.AddIntegerControl("Top", DuvMsgTop, 0, 10000);
    builder.AddCheckBoxControl("Smooth", DuvMsgSmooth);
}

std::string TCropFilter::Description() const
{
    return DuvMsgFilterCrop;
}

// ---------------------------------------------------------------- flip, reverse, rotate, mirror

void TFlipFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    TDuvFilter::ApplyToRect(bitmap, rect);
    if (LinesEmpty()) return;
    const TRect r = Clipped(rect, bitmap);
    for (int k = 0; k < (r.Bottom - r.Top + 1) / 2; ++k)
        std::swap_ranges(Row(r.Top + k) + r.Left, Row(r.Top + k) + r.Right + 1, Row(r.Bottom - k) + r.Left);
}

std::string TFlipFilter::Description() const
{
    return DuvMsgFilterFlip;
}

void TReverseFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    TDuvFilter::ApplyToRect(bitmap, rect);
    if (LinesEmpty()) return;
    const TRect r = Clipped(rect, bitmap);
    for (int y = r.Top; y <= r.Bottom; ++y)
        for (int k = 0; k < (r.Right - r.Left + 1) / 2; ++k) std::swap(Row(y)[r.Left + k], Row(y)[r.Right - k]);
}

std::string TReverseFilter::Description() const
{
    return DuvMsgFilterReverse;
}

void TRotateFilter::DeclareProperties(TPropertyDeclarer<TRotateFilter>& p)
{
    p.Float("Angle", &TRotateFilter::Angle);
    p.Boolean("AutoSize", &TRotateFilter::AutoSize).Default(true);
    p.Color("BackColor", &TRotateFilter::BackColor).Default(clWhite);
}

void TRotateFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    TDuvFilter::ApplyToRect(bitmap, rect);
    if (LinesEmpty()) return;
    if (!std::isfinite(Angle)) return;
    // Whole turns off, leaving 0 < Angle <= 360 (a far-off angle would never finish by subtraction).
    if (Angle > 360) Angle = std::fmod(Angle, 360) == 0 ? 360 : std::fmod(Angle, 360);
    if (Angle == 180) {
        ApplyFilterClass(TFlipFilter::StaticClass(), bitmap);
        ApplyFilterClass(TReverseFilter::StaticClass(), bitmap);
    } else if (Angle != 0) {
        RotateBy(bitmap);
    }
    Lines.clear();
}

void TRotateFilter::RotateBy(QImage& bitmap)
{
    const int w = bitmap.width(), h = bitmap.height();
    const double a = (360 - Angle) * std::numbers::pi / 180, s = std::sin(a), c = std::cos(a);
    int nw = w, nh = h;
    if (Angle == 90 || Angle == 270) {
        nw = h;
        nh = w;
    } else if (AutoSize) {
        const double sign = s * c > 0 ? 1 : -1;
        nw = std::abs(Nearest(w * c + sign * h * s));
        nh = std::abs(Nearest(w * s + sign * h * c));
    }
    QImage turned = SameFormat(bitmap, nw, nh);
    if (w > 1 && h > 1) {
        if (BackColor == clNone) {
            turned = turned.convertToFormat(QImage::Format_ARGB32);
            turned.fill(Qt::transparent);
        } else if (BackColor != clWhite) {
            const TRGBQuad back = QuadOf(BackColor);
            turned.fill(QColor(back.Red, back.Green, back.Blue));
        }
    }
    TDuvFilter target;
    target.PrepareLines(turned);
    nw = turned.width();
    nh = turned.height();
    auto put = [&](int tx, int ty, int sx, int sy) { target.Row(ty)[tx] = Row(sy)[sx]; };
    if (Angle == 90 || Angle == 270) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (Angle == 90)
                    put(h - 1 - y, x, x, y);
                else
                    put(y, w - 1 - x, x, y);
            }
    } else {
        for (int j = 0; j < nh; ++j) {
            const int v = j - nh / 2;
            for (int i = 0; i < nw; ++i) {
                const int u = i - nw / 2;
                const int sx = Nearest(u * c - v * s + w / 2), sy = Nearest(u * s + v * c + h / 2);
                if (sx >= 0 && sx < w && sy >= 0 && sy < h) put(i, j, sx, sy);
            }
        }
    }
    bitmap = turned;
}

void TRotateFilter::FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify)
{
    TDuvFilter::FillEditor(builder, notify);
    builder.AddScrollControl("Angle", 0, 360);
    builder.AddColorControl("BackColor", DuvMsgBack);
    builder.AddCheckBoxControl("AutoSize", DuvMsgAutosize);
}

std::string TRotateFilter::Description() const
{
    return DuvMsgFilterRotate;
}

TMirrorFilter::TMirrorFilter(TCollection* collection) : TDuvFilter(collection)
{
    AllowRegion = false;
}

void TMirrorFilter::DeclareProperties(TPropertyDeclarer<TMirrorFilter>& p)
{
    p.Enum("Direction", &TMirrorFilter::Direction).Default(mdDown);
}

void TMirrorFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    TDuvFilter::ApplyToRect(bitmap, rect);
    if (LinesEmpty()) return;
    const int w = bitmap.width(), h = bitmap.height();
    const bool vertical = Direction == mdDown || Direction == mdUp;
    QImage doubled = SameFormat(bitmap, vertical ? w : 2 * w, vertical ? 2 * h : h);
    QImage mirrored = bitmap.copy();
    ApplyFilterClass(vertical ? TFlipFilter::StaticClass() : TReverseFilter::StaticClass(), mirrored);
    // Where the unchanged picture goes; the mirror image takes the other half.
    const bool unchangedFirst = Direction == mdDown || Direction == mdRight;
    const int dx = vertical ? 0 : w, dy = vertical ? h : 0;
    CopyPixels(doubled, bitmap, unchangedFirst ? 0 : dx, unchangedFirst ? 0 : dy);
    CopyPixels(doubled, mirrored, unchangedFirst ? dx : 0, unchangedFirst ? dy : 0);
    bitmap = doubled;
    Lines.clear();
}

void TMirrorFilter::FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify)
{
    TDuvFilter::FillEditor(builder, notify);
    builder.AddChoiceControl("Direction");
}

std::string TMirrorFilter::Description() const
{
    return DuvMsgFilterMirror;
}

// ---------------------------------------------------------------- tile and zoom

void TTileFilter::DeclareProperties(TPropertyDeclarer<TTileFilter>& p)
{
    p.Integer("NumCols", &TTileFilter::NumCols).Default(3);
    p.Integer("NumRows", &TTileFilter::NumRows).Default(3);
}

void TTileFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    TDuvFilter::ApplyToRect(bitmap, rect);
    if (LinesEmpty()) return;
    NumCols = std::max(1, NumCols);
    NumRows = std::max(1, NumRows);
    const TRect r = Clipped(rect, bitmap);
    const int tw = (r.Right - r.Left) / NumCols, th = (r.Bottom - r.Top) / NumRows;
    if (tw < 1 || th < 1) return;
    const QImage tile = ResizedCopy(bitmap, tw, th);
    for (int row = 0; row < NumRows; ++row)
        for (int col = 0; col < NumCols; ++col) CopyPixels(bitmap, tile, tw * col, th * row);
}

void TTileFilter::FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify)
{
    TDuvFilter::FillEditor(builder, notify);
    builder.AddIntegerControl("NumCols", DuvMsgColumns, 1, 1000);
    builder.AddIntegerControl("NumRows", DuvMsgRows, 1, 1000);
}

std::string TTileFilter::Description() const
{
    return DuvMsgFilterTile;
}

void TZoomFilter::DeclareProperties(TPropertyDeclarer<TZoomFilter>& p)
{
    p.Float("Percent", &TZoomFilter::Percent);
    p.Boolean("Smooth", &TZoomFilter::Smooth).Default(false);
}

void TZoomFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    TDuvFilter::ApplyToRect(bitmap, rect);
    if (LinesEmpty()) return;
    const TRect r = Clipped(rect, bitmap);
    const int w = r.Right - r.Left + 1, h = r.Bottom - r.Top + 1;
    if (w < 1 || h < 1) return;
    const int mx = Nearest(std::clamp(w * Percent * 0.005, -1.0 * w, 1.0 * w));
    const int my = Nearest(std::clamp(h * Percent * 0.005, -1.0 * h, 1.0 * h));
    TCropFilter crop;
    crop.Width = std::max(1, w - 2 * mx);
    crop.Height = std::max(1, h - 2 * my);
    crop.Smooth = Smooth;
    if (bitmap.width() == w && bitmap.height() == h) {
        crop.Left = r.Left + mx;
        crop.Top = r.Top + my;
        crop.Apply(bitmap);
        return;
    }
    QImage work = bitmap.copy(r.Left, r.Top, w, h);
    crop.Left = mx;
    crop.Top = my;
    crop.Apply(work);
    CopyPixels(bitmap, work, r.Left, r.Top);
}

void TZoomFilter::FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify)
{
    TDuvFilter::FillEditor(builder, notify);
    builder.AddScrollControl("Percent", 0, 100);
    builder.AddCheckBoxControl("Smooth", DuvMsgSmooth);
}

std::string TZoomFilter::Description() const
{
    return DuvMsgFilterZoom;
}

// ---------------------------------------------------------------- invert and grey

void TInvertFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    TDuvFilter::ApplyToRect(bitmap, rect);
    if (LinesEmpty()) return;
    ForEachChannel(*this, Clipped(rect, bitmap), [](int v) { return static_cast<std::uint8_t>(255 - v); });
}

std::string TInvertFilter::Description() const
{
    return DuvMsgFilterInvert;
}

void TGrayScaleFilter::DeclareProperties(TPropertyDeclarer<TGrayScaleFilter>& p)
{
    p.Enum("Method", &TGrayScaleFilter::Method).Default(gmSimple);
}

namespace {
int GreyOf(TGrayMethod method, const TRGBQuad& p)
{
    switch (method) {
    case gmEye:
        return Nearest(0.299 * p.Red + 0.587 * p.Green + 0.114 * p.Blue);
    case gmEye2:
        return (11 * p.Red + 16 * p.Green + 5 * p.Blue) >> 5;
    case gmLight:
        return (std::max({p.Red, p.Green, p.Blue}) + std::min({p.Red, p.Green, p.Blue})) >> 1;
    case gmSimple:
        break;
    }
    return (p.Blue + p.Green + p.Red) / 3;
}
}  // namespace

void TGrayScaleFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    TDuvFilter::ApplyToRect(bitmap, rect);
    if (LinesEmpty()) return;
    ForEachPixel(*this, Clipped(rect, bitmap), [this](TRGBQuad& p) { SetGrey(p, GreyOf(Method, p)); });
}

void TGrayScaleFilter::FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify)
{
    TDuvFilter::FillEditor(builder, notify);
    builder.AddChoiceControl("Method");
}

std::string TGrayScaleFilter::Description() const
{
    return DuvMsgFilterGrayScale;
}

// ---------------------------------------------------------------- amount filters

void TAmountFilter::DeclareProperties(TPropertyDeclarer<TAmountFilter>& p)
{
    p.Integer("Amount", &TAmountFilter::Amount).Default(5);
    p.Boolean("Percent", &TAmountFilter::Percent).Default(true);
}

int TAmountFilter::ScrollMin() const
{
    if (OnlyPositive) return 0;
    return Percent ? -100 : -255;
}

int TAmountFilter::ScrollMax() const
{
    return Percent ? 100 : 255;
}

void TAmountFilter::ResetScroll()
{
    if (scroll_) scroll_->SetRange(ScrollMin(), ScrollMax());
}

void TAmountFilter::FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify)
{
    TDuvFilter::FillEditor(builder, notify);
    scroll_ = builder.AddScrollControl("Amount", ScrollMin(), ScrollMax());
    builder.AddCheckBoxControl("Percent", DuvMsgPercent, [this] { ResetScroll(); });
}

TMosaicFilter::TMosaicFilter(TCollection* collection) : TAmountFilter(collection)
{
    Amount = 8;
    Percent = false;
    OnlyPositive = true;
}

void TMosaicFilter::DeclareProperties(TPropertyDeclarer<TMosaicFilter>& p)
{
    p.Integer("Amount", &TMosaicFilter::Amount).Default(8);
    p.Boolean("Percent", &TMosaicFilter::Percent).Default(false);
}

void TMosaicFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    TDuvFilter::ApplyToRect(bitmap, rect);
    if (LinesEmpty() || Amount < 1) return;
    const TRect r = Clipped(rect, bitmap);
    const int size = Percent ? std::max(1, Nearest(static_cast<double>(std::min(r.Right - r.Left, r.Bottom - r.Top)) * Amount * 0.01)) : Amount;
    for (auto [top, bottom] : BlockSpans(r.Top, r.Bottom, size))
        for (auto [left, right] : BlockSpans(r.Left, r.Right, size)) MeanBlock(left, top, right, bottom);
}

void TMosaicFilter::MeanBlock(int left, int top, int right, int bottom)
{
    const TRect block{left, top, right, bottom};
    long long blue = 0, green = 0, red = 0;
    ForEachPixel(*this, block, [&](const TRGBQuad& p) {
        blue += p.Blue;
        green += p.Green;
        red += p.Red;
    });
    const double share = 1.0 / ((right - left + 1) * static_cast<double>(bottom - top + 1));
    const TRGBQuad mean{Clamp255(Rnd(blue * share)), Clamp255(Rnd(green * share)), Clamp255(Rnd(red * share)), 0};
    ForEachPixel(*this, block, [&mean](TRGBQuad& p) { p = {mean.Blue, mean.Green, mean.Red, p.Alpha}; });
}

std::string TMosaicFilter::Description() const
{
    return DuvMsgFilterMosaic;
}

void TBrightnessFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    TDuvFilter::ApplyToRect(bitmap, rect);
    if (LinesEmpty() || Amount == 0) return;
    const long long offset = Percent ? Nearest(static_cast<double>(Amount * 0.01f) * 255) : Amount;
    ForEachChannel(*this, Clipped(rect, bitmap), [offset](int v) { return Clamp255(v + offset); });
}

std::string TBrightnessFilter::Description() const
{
    return DuvMsgFilterBrightness;
}

void TContrastFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    TDuvFilter::ApplyToRect(bitmap, rect);
    if (LinesEmpty()) return;
    const double factor = Amount * 0.01f;
    const int amount = Amount;
    const bool percent = Percent;
    ForEachChannel(*this, Clipped(rect, bitmap), [=](int v) {
        const long long weight = percent ? Nearest(v * factor) : amount;
        return Clamp255(v + weight * (v - 128) / 256);
    });
}

std::string TContrastFilter::Description() const
{
    return DuvMsgFilterContrast;
}

TGammaCorrectionFilter::TGammaCorrectionFilter(TCollection* collection) : TAmountFilter(collection)
{
    Amount = 70;
    OnlyPositive = true;
}

void TGammaCorrectionFilter::DeclareProperties(TPropertyDeclarer<TGammaCorrectionFilter>& p)
{
    p.Integer("Amount", &TGammaCorrectionFilter::Amount).Default(70);
}

void TGammaCorrectionFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    TDuvFilter::ApplyToRect(bitmap, rect);
    if (LinesEmpty()) return;
    const double gamma = std::max(0.001, Percent ? std::abs(Amount * 0.01) : std::abs(Amount / 255.0));
    std::uint8_t table[256] = {0};
    for (int i = 1; i < 256; ++i) table[i] = Clamp255(Nearest(std::exp(std::log(i / 255.0) / gamma) * 255));
    ForEachChannel(*this, Clipped(rect, bitmap), [&table](int v) { return table[v]; });
}

std::string TGammaCorrectionFilter::Description() const
{
    return DuvMsgFilterGamma;
}

// ---------------------------------------------------------------- colour filters

void TColorFilter::DeclareProperties(TPropertyDeclarer<TColorFilter>& p)
{
    p.Integer("Blue", &TColorFilter::Blue).Default(0);
    p.Integer("Green", &TColorFilter::Green).Default(0);
    p.Integer("Red", &TColorFilter::Red).Default(0);
}

void TColorFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    TDuvFilter::ApplyToRect(bitmap, rect);
    if (LinesEmpty() || (Red == 0 && Green == 0 && Blue == 0)) return;
    ForEachPixel(*this, Clipped(rect, bitmap), [this](TRGBQuad& p) {
        p.Blue = Clamp255(p.Blue + static_cast<long long>(Blue));
        p.Green = Clamp255(p.Green + static_cast<long long>(Green));
        p.Red = Clamp255(p.Red + static_cast<long long>(Red));
    });
}

void TColorFilter::FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify)
{
    TDuvFilter::FillEditor(builder, notify);
    for (const char* name : {"Red", "Green", "Blue"}) builder.AddScrollControl(name, -255, 255);
}

std::string TColorFilter::Description() const
{
    return DuvMsgFilterColor;
}

void TColorReplaceFilter::DeclareProperties(TPropertyDeclarer<TColorReplaceFilter>& p)
{
    p.Integer("ToValue", &TColorReplaceFilter::ToValue).Default(0);
    p.Integer("FromValue", &TColorReplaceFilter::FromValue).Default(0);
    p.Enum("Method", &TColorReplaceFilter::Method).Default(cmHue);
    p.Color("Color", &TColorReplaceFilter::Color).Default(clWhite);
}

void TColorReplaceFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    TDuvFilter::ApplyToRect(bitmap, rect);
    if (LinesEmpty()) return;
    const TRGBQuad replacement = QuadOf(Color);
    ForEachPixel(*this, Clipped(rect, bitmap), [&](TRGBQuad& p) {
        const THLS hls = ChannelsToHLS(p.Red, p.Green, p.Blue);
        const int value = Method == cmHue ? hls.Hue : Method == cmLum ? hls.Luminance : hls.Saturation;
        if (value >= FromValue && value <= ToValue) p = {replacement.Blue, replacement.Green, replacement.Red, p.Alpha};
    });
}

void TColorReplaceFilter::FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify)
{
    TDuvFilter::FillEditor(builder, notify);
    builder.AddChoiceControl("Method");
    builder.AddScrollControl("FromValue", 0, 255);
    builder.AddScrollControl("ToValue", 0, 255);
    builder.AddColorControl("Color", DuvMsgFilterColor);
}

std::string TColorReplaceFilter::Description() const
{
    return DuvMsgFilterColorReplacer;
}

void THueLumSatFilter::DeclareProperties(TPropertyDeclarer<THueLumSatFilter>& p)
{
    p.Integer("Hue", &THueLumSatFilter::Hue).Default(0);
    p.Integer("Luminance", &THueLumSatFilter::Luminance).Default(0);
    p.Integer("Saturation", &THueLumSatFilter::Saturation).Default(0);
}

void THueLumSatFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    TDuvFilter::ApplyToRect(bitmap, rect);
    if (LinesEmpty() || (Hue == 0 && Luminance == 0 && Saturation == 0)) return;
    auto shifted = [](int value, int amount) { return amount == 0 ? value : Clamp255(static_cast<long long>(value) + amount); };
    ForEachPixel(*this, Clipped(rect, bitmap), [&](TRGBQuad& p) {
        const THLS hls = ChannelsToHLS(p.Red, p.Green, p.Blue);
        const TRGBQuad q = QuadOf(ColorFromHLS(shifted(hls.Hue, Hue), shifted(hls.Luminance, Luminance),
                                               shifted(hls.Saturation, Saturation)));
        p = {q.Blue, q.Green, q.Red, p.Alpha};
    });
}

void THueLumSatFilter::FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify)
{
    TDuvFilter::FillEditor(builder, notify);
    for (const char* name : {"Hue", "Luminance", "Saturation"}) builder.AddScrollControl(name, -255, 255);
}

std::string THueLumSatFilter::Description() const
{
    return DuvMsgFilterHueLumSat;
}

void TSepiaFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    TDuvFilter::ApplyToRect(bitmap, rect);
    if (LinesEmpty()) return;
    ForEachPixel(*this, Clipped(rect, bitmap), [](TRGBQuad& p) {
        const double r = p.Red, g = p.Green, b = p.Blue;
        p.Red = Clamp255(Rnd(0.393 * r + 0.769 * g + 0.189 * b));
        p.Green = Clamp255(Rnd(0.349 * r + 0.686 * g + 0.168 * b));
        p.Blue = Clamp255(Rnd(0.272 * r + 0.534 * g + 0.131 * b));
    });
}

std::string TSepiaFilter::Description() const
{
    return DuvMsgFilterSepia;
}

// ---------------------------------------------------------------- fixed kernels

TSharpenFilter::TSharpenFilter(TCollection* collection) : TConvolveFilter(collection)
{
    std::fill(std::begin(Weights), std::end(Weights), -0.125f);
    Weights[4] = 2.0f;
}

std::string TSharpenFilter::Description() const
{
    return DuvMsgFilterSharpen;
}

TEmbossFilter::TEmbossFilter(TCollection* collection) : TConvolveFilter(collection)
{
    const float weights[9] = {0, -1, 0, -1, 1, 1, 0, -1, 0};
    std::copy(std::begin(weights), std::end(weights), Weights);
}

std::string TEmbossFilter::Description() const
{
    return DuvMsgFilterEmboss;
}

TSoftenFilter::TSoftenFilter(TCollection* collection) : TConvolveFilter(collection)
{
    const float weights[9] = {0, 0, 0, 0, 1, 1, 0, 1, 1};
    std::copy(std::begin(weights), std::end(weights), Weights);
}

std::string TSoftenFilter::Description() const
{
    return DuvMsgAntialias;
}

// ---------------------------------------------------------------- bevel, equalize, sobel

void TBevelFilter::DeclareProperties(TPropertyDeclarer<TBevelFilter>& p)
{
    p.Integer("Bright", &TBevelFilter::Bright).Default(64);
    p.Integer("Size", &TBevelFilter::Size).Default(15);
}

void TBevelFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    TDuvFilter::ApplyToRect(bitmap, rect);
    if (LinesEmpty()) return;
    const TRect r = Clipped(rect, bitmap);
    const long long bright = Bright;
    auto lighten = [bright](int v) { return static_cast<std::uint8_t>(std::min<long long>(255, v + bright)); };
    auto darken = [bright](int v) { return static_cast<std::uint8_t>(std::max<long long>(0, v - bright)); };
    const int depth = std::min(Size, std::max((r.Bottom - r.Top) / 2, (r.Right - r.Left) / 2));
    for (int k = 0; k < depth; ++k) {
        if (k < (r.Bottom - r.Top) / 2) {
            ForEachChannel(*this, {r.Left + k, r.Top + k, r.Right - k, r.Top + k}, lighten);
            ForEachChannel(*this, {r.Left + k, r.Bottom - k, r.Right - k, r.Bottom - k}, darken);
        }
        if (k < (r.Right - r.Left) / 2) {
            ForEachChannel(*this, {r.Left + k, r.Top + k + 1, r.Left + k, r.Bottom - k}, lighten);
            ForEachChannel(*this, {r.Right - k, r.Top + k + 1, r.Right - k, r.Bottom - k}, darken);
        }
    }
}

void TBevelFilter::FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify)
{
    TDuvFilter::FillEditor(builder, notify);
    builder.AddScrollControl("Bright", 1, 255);
    builder.AddScrollControl("Size", 1, 1000);
}

std::string TBevelFilter::Description() const
{
    return DuvMsgFilterBevel;
}

void TEqualizeFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    TDuvFilter::ApplyToRect(bitmap, rect);
    if (LinesEmpty()) return;
    const TRect c = Clipped(rect, bitmap);
    const TRect inner{c.Left + 1, c.Top + 1, c.Right - 1, c.Bottom - 1};
    if (inner.Right < inner.Left || inner.Bottom < inner.Top) return;
    int low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
    ForEachPixel(*this, inner, [&](const TRGBQuad& p) {
        const int v[3] = {p.Blue, p.Green, p.Red};
        for (int k = 0; k < 3; ++k) {
            low[k] = std::min(low[k], v[k]);
            high[k] = std::max(high[k], v[k]);
        }
    });
    if (low[0] == 0 && low[1] == 0 && low[2] == 0 && high[0] == 255 && high[1] == 255 && high[2] == 255) return;
    float factor[3];
    for (int k = 0; k < 3; ++k) factor[k] = high[k] == low[k] ? 0.0f : 255.0f / static_cast<float>(high[k] - low[k]);
    auto stretch = [&](std::uint8_t& v, int k) { v = Clamp255(Rnd((v - low[k]) * static_cast<double>(factor[k]))); };
    ForEachPixel(*this, inner, [&](TRGBQuad& p) {
        stretch(p.Blue, 0);
        stretch(p.Green, 1);
        stretch(p.Red, 2);
    });
}

std::string TEqualizeFilter::Description() const
{
    return DuvMsgFilterEqualize;
}

void TSobelFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    TDuvFilter::ApplyToRect(bitmap, rect);
    if (LinesEmpty()) return;
    const TRect c = Clipped(rect, bitmap);
    const int w = c.Right - c.Left + 1, h = c.Bottom - c.Top + 1;
    if (w < 3 || h < 3) return;
    std::vector<int> grey(static_cast<std::size_t>(w) * h, 0);
    auto at = [&grey, w](int x, int y) -> int& { return grey[static_cast<std::size_t>(y) * w + x]; };
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x) {
            const TRGBQuad& p = Row(c.Top + y)[c.Left + x];
            at(x, y) = (p.Blue + p.Green + p.Red) / 3;
        }
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x) {
            const int gx = at(x - 1, y - 1) + 2 * at(x - 1, y) + at(x - 1, y + 1) - at(x + 1, y - 1) -
                           2 * at(x + 1, y) - at(x + 1, y + 1);
            const int gy = at(x - 1, y - 1) + 2 * at(x, y - 1) + at(x + 1, y - 1) - at(x - 1, y + 1) -
                           2 * at(x, y + 1) - at(x + 1, y + 1);
            SetGrey(Row(c.Top + y)[c.Left + x], std::min(255, std::abs(gx) + std::abs(gy)));
        }
}

std::string TSobelFilter::Description() const
{
    return DuvMsgFilterSobel;
}

// ---------------------------------------------------------------- module

namespace {
const std::vector<const TClassInfo*>& ConcreteFilterClasses()
{
    static const std::vector<const TClassInfo*> classes = {
        &TInvertFilter::StaticClass(),     &TGrayScaleFilter::StaticClass(),
        &TMosaicFilter::StaticClass(),     &TFlipFilter::StaticClass(),
        &TReverseFilter::StaticClass(),    &TBrightnessFilter::StaticClass(),
        &TContrastFilter::StaticClass(),   &TColorFilter::StaticClass(),
        &TColorReplaceFilter::StaticClass(), &THueLumSatFilter::StaticClass(),
        &TBlurFilter::StaticClass(),       &TSharpenFilter::StaticClass(),
        &TGammaCorrectionFilter::StaticClass(), &TEmbossFilter::StaticClass(),
        &TSoftenFilter::StaticClass(),     &TCropFilter::StaticClass(),
        &TResizeFilter::StaticClass(),     &TRotateFilter::StaticClass(),
        &TMirrorFilter::StaticClass(),     &TTileFilter::StaticClass(),
        &TBevelFilter::StaticClass(),      &TEqualizeFilter::StaticClass(),
        &TZoomFilter::StaticClass(),       &TSobelFilter::StaticClass(),
        &TSepiaFilter::StaticClass(),
    };
    return classes;
}
}  // namespace

void DuvFiltersInitialization()
{
    RegisterFilterClasses(ConcreteFilterClasses());
    GradientRotateHook = &RotateGradientBitmap;
}

void DuvFiltersFinalization()
{
    GradientRotateHook = nullptr;
    FreeFilterClassList();
}
