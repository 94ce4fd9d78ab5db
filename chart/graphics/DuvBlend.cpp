#include "chart/graphics/DuvBlend.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

#include "chart/graphics/CanvasHelpers.h"
#include "platform/core/NumText.h"

namespace {
int Round(double value) { return static_cast<int>(Rnd(value)); }

int ByteOf(QRgb pixel, int k) { return static_cast<int>((pixel >> (8 * k)) & 0xFF); }

QRgb FromBytes(const int bytes[3])
{
    return 0xFF000000u | static_cast<QRgb>(bytes[0]) | (static_cast<QRgb>(bytes[1]) << 8) |
           (static_cast<QRgb>(bytes[2]) << 16);
}

QImage As32(const QImage& image)
{
    return image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
}
}  // namespace

// ---------------------------------------------------------------- blend object

TDuvBitmapBlend::TDuvBitmapBlend(TDuvCanvas& canvas, const TRect& rect) : TDuvBlend(canvas, rect)
{
    SetRectangle(rect);
}

void TDuvBitmapBlend::SetRectangle(const TRect& rect)
{
    TRect r = OrientRect(rect);
    r.Left = std::max(r.Left, 0);
    r.Top = std::max(r.Top, 0);
    r.Right = std::max(r.Right, 0);
    r.Bottom = std::max(r.Bottom, 0);
    if (r.Right - r.Left <= 0) r.Right = r.Left + 1;
    if (r.Bottom - r.Top <= 0) r.Bottom = r.Top + 1;
    const TRect& bounds = Canvas().Bounds;
    r.Right = std::min(r.Right, bounds.Right);
    r.Bottom = std::min(r.Bottom, bounds.Bottom);
    rect_ = r;
    valid_ = r.Right > r.Left && r.Bottom > r.Top;
    if (!valid_) return;
    const QImage* image = Canvas().DrawingImage();
    background_ = image ? image->copy(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top) : QImage();
}

void TDuvBitmapBlend::BlendOnto(int transparency)
{
    if (Canvas().Metafiling || !valid_ || background_.isNull()) return;
    QImage* image = Canvas().DrawingImage();
    if (!image) return;
    BlendBitmaps(background_, *image, rect_.Left, rect_.Top, nullptr, 100 - transparency);
}

// ---------------------------------------------------------------- pixel mixing

void BlendBitmaps(const QImage& source, QImage& destination, int x, int y, const QImage* mask, int percent)
{
    x = std::max(x, 0);
    y = std::max(y, 0);
    const int w = std::min(source.width(), destination.width() - x);
    const int h = std::min(source.height(), destination.height() - y);
    if (w < 1 || h < 1) return;
    if (destination.format() != QImage::Format_RGB32) destination = destination.convertToFormat(QImage::Format_RGB32);
    const QImage s = As32(source);
    const QImage m = mask ? As32(*mask) : QImage();
    const int f = 256 - Round(percent * 2.56);
    for (int r = 0; r < h; ++r) {
        auto* d = reinterpret_cast<QRgb*>(destination.scanLine(y + r)) + x;
        const auto* sr = reinterpret_cast<const QRgb*>(s.constScanLine(r));
        const auto* mr = mask ? reinterpret_cast<const QRgb*>(m.constScanLine(r)) : nullptr;
        for (int c = 0; c < w; ++c) {
            QRgb dp = d[c];
            if ((dp & 0xFFFFFF) == 0xFFFFFF) dp = 0xFFFEFFFF;  // pure white loses a step of red
            int bytes[3];
            for (int k = 0; k < 3; ++k) {
                const int dk = ByteOf(dp, k), weight = mr ? ByteOf(mr[c], k) : f;
                bytes[k] = dk + ((ByteOf(sr[c], k) - dk) * weight >> 8);
            }
            d[c] = FromBytes(bytes);
        }
    }
}

// ---------------------------------------------------------------- resampling

double TriangleKernel(double x)
{
    x = std::abs(x);
    return x < 1 ? 1 - x : 0;
}

double LanczosKernel(double x)
{
    if (x == 0) return 1;
    x = std::abs(x);
    if (x >= 3) return 0;
    const double px = std::numbers::pi * x;
    return std::sin(px) / px * std::sin(px / 3) / (px / 3);
}

namespace {
// Scale of an axis; an axis of one pixel on either side averages (or repeats) instead.
float AxisScale(int n, int length)
{
    if (n > 1 && length > 1) return static_cast<float>(n - 1) / static_cast<float>(length - 1);
    return static_cast<float>(n) / static_cast<float>(length);
}

int Mirror(int j, int length)
{
    if (j < 0) return std::min(-j, length - 1);
    if (j < length) return j;
    return std::max(2 * length - 1 - j, 0);
}
}  // namespace

namespace {
// Rounded kernel weights rarely add up to exactly 1 (and a kernel cut off at the window's edge
// may miss by much): brought to a sum of 1024 so a flat picture keeps its colour. A list that
// already adds up to 1024 stays as it is.
void NormaliseWeights(std::vector<TContributor>& contributors, int nearest)
{
    long total = 0;
    for (const TContributor& c : contributors) total += c.Weight;
    if (total == 1024) return;
    if (total <= 0) {
        contributors = {{nearest, 1024}};
        return;
    }
    long sum = 0;
    for (TContributor& c : contributors) sum += c.Weight = static_cast<int>(std::lround(c.Weight * 1024.0 / total));
    auto largest = std::max_element(contributors.begin(), contributors.end(),
                                    [](const TContributor& a, const TContributor& b) { return a.Weight < b.Weight; });
    largest->Weight += static_cast<int>(1024 - sum);
}
}  // namespace

TContributorList ResampleContributors(int n, int length, double (*kernel)(double), double support, int first,
                                      int count)
{
    if (count < 0) count = n - first;
    TContributorList list(static_cast<std::size_t>(std::max(count, 0)));
    if (length == 1) {
        for (auto& entry : list) entry.push_back({0, 1024});
        return list;
    }
    const double s = AxisScale(n, length);
    const double d = support / s, e = s >= 1 ? 1024 : 1024 * s;
    // A single destination position samples the middle of the source and averages the whole axis.
    const double offset = n == 1 ? (length - 1) / 2.0 : 0;
    for (int k = 0; k < count; ++k) {
        const int i = first + k;
        const double f = n == 1 ? offset : i / s;
        for (int j = static_cast<int>(std::floor(f - d)); j <= static_cast<int>(std::ceil(f + d)); ++j) {
            const int weight = Round(s >= 1 ? e * kernel(f - j) : e * kernel(s * (f - j)));
            if (weight != 0) list[k].push_back({Mirror(j, length), weight});
        }
        NormaliseWeights(list[k], Mirror(Round(f), length));
    }
    return list;
}

namespace {
QRgb Weighted(const std::vector<TContributor>& contributors, const std::function<QRgb(int)>& pixel)
{
    long sums[3] = {0, 0, 0};
    for (const TContributor& c : contributors) {
        const QRgb p = pixel(c.Index);
        for (int k = 0; k < 3; ++k) sums[k] += static_cast<long>(c.Weight) * ByteOf(p, k);
    }
    int bytes[3];
    for (int k = 0; k < 3; ++k) bytes[k] = sums[k] >= 261121 ? 255 : sums[k] < 0 ? 0 : static_cast<int>(sums[k] >> 10);
    return FromBytes(bytes);
}
}  // namespace

namespace {
bool Resample(const QImage& source, QSize full, QPoint origin, QImage& destination, bool fast)
{
    const int sw = source.width(), sh = source.height(), dw = destination.width(), dh = destination.height();
    if (sw < 1 || sh < 1 || dw < 1 || dh < 1) return true;
    double (*kernel)(double) = fast ? &TriangleKernel : &LanczosKernel;
    const double support = fast ? 1 : 3;
    const QImage s = As32(source);
    if (destination.format() != QImage::Format_RGB32) destination = destination.convertToFormat(QImage::Format_RGB32);
    QImage rows(dw, sh, QImage::Format_RGB32);
    if (s.isNull() || destination.isNull() || rows.isNull()) return false;
    const TContributorList columns = ResampleContributors(full.width(), sw, kernel, support, origin.x(), dw);
    for (int y = 0; y < sh; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(s.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(rows.scanLine(y));
        for (int x = 0; x < dw; ++x) out[x] = Weighted(columns[x], [in](int i) { return in[i]; });
    }
    const TContributorList lines = ResampleContributors(full.height(), sh, kernel, support, origin.y(), dh);
    for (int y = 0; y < dh; ++y) {
        auto* out = reinterpret_cast<QRgb*>(destination.scanLine(y));
        for (int x = 0; x < dw; ++x)
            out[x] = Weighted(lines[y], [&rows, x](int i) { return reinterpret_cast<const QRgb*>(rows.constScanLine(i))[x]; });
    }
    return true;
}
}  // namespace

void ResampleBitmapQuality(const QImage& source, QImage& destination, bool fast)
{
    Resample(source, destination.size(), {0, 0}, destination, fast);
}

bool ResampleBitmapPart(const QImage& source, QSize full, QPoint origin, QImage& destination)
{
    return Resample(source, full, origin, destination, false);
}

void ResampleBitmap(const QImage& source, QImage& destination) { ResampleBitmapQuality(source, destination, false); }

// ---------------------------------------------------------------- blur

void BlurImageRect(QImage& image, const TRect& rect, int steps)
{
    const int left = std::max(rect.Left, 0), top = std::max(rect.Top, 0);
    const int right = std::min(rect.Right, image.width() - 1), bottom = std::min(rect.Bottom, image.height() - 1);
    if (right < left || bottom < top) return;
    if (image.format() != QImage::Format_RGB32) image = image.convertToFormat(QImage::Format_RGB32);
    for (int step = 0; step < steps; ++step) {
        const QImage before = image.copy(left, top, right - left + 1, bottom - top + 1);
        auto at = [&before](int x, int y) {
            x = std::clamp(x, 0, before.width() - 1);
            y = std::clamp(y, 0, before.height() - 1);
            return reinterpret_cast<const QRgb*>(before.constScanLine(y))[x];
        };
        for (int y = 0; y < before.height(); ++y) {
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(top + y)) + left;
            for (int x = 0; x < before.width(); ++x) {
                int sums[3] = {0, 0, 0};
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        for (int k = 0; k < 3; ++k) sums[k] += ByteOf(at(x + dx, y + dy), k);
                for (int& v : sums) v /= 9;
                out[x] = FromBytes(sums);
            }
        }
    }
}

// ---------------------------------------------------------------- geometry

TPoint PointBackFrom(const TPoint& p0, const TPoint& p1, double d)
{
    TPoint result = p1;
    if (p0.X == p1.X) {
        result.Y += p1.Y < p0.Y ? Round(d) : -Round(d);
        return result;
    }
    const double a = std::atan2(p1.Y - p0.Y, p1.X - p0.X);
    result.X -= Round(d * std::cos(a));
    result.Y -= Round(d * std::sin(a));
    return result;
}

TPointFloat PointBackFromFloat(const TPointFloat& p0, const TPointFloat& p1, double d)
{
    TPointFloat result = p1;
    if (p0.X == p1.X) {
        result.Y += static_cast<float>(p1.Y < p0.Y ? d : -d);
        return result;
    }
    const double a = std::atan2(p1.Y - p0.Y, p1.X - p0.X);
    result.X -= static_cast<float>(d * std::cos(a));
    result.Y -= static_cast<float>(d * std::sin(a));
    return result;
}

double DistanceXY(double dx, double dy) { return std::sqrt(dx * dx + dy * dy); }
