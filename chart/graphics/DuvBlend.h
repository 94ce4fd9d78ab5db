#pragma once
// Transparency after the fact: the picture under a rectangle is saved before something
// semi-transparent is drawn and mixed back over it afterwards. Also the smooth two-pass
// resampling of pictures and a few small geometric helpers.
#include <QImage>
#include <vector>

#include "chart/graphics/DuvCanvas.h"

// The background saved from the picture the canvas draws on (TDuvCanvas::DrawingImage).
class TDuvBitmapBlend : public TDuvBlend {
public:
    TDuvBitmapBlend(TDuvCanvas& canvas, const TRect& rect);
    // Normalised, clipped to the canvas bounds, at least one pixel; the pixels under it saved.
    void SetRectangle(const TRect& rect) override;
    void BlendOnto(int transparency) override;
    const TRect& SavedRect() const { return rect_; }
    bool Valid() const { return valid_; }

private:
    TRect rect_;
    QImage background_;
    bool valid_ = false;
};

// Mixes source into destination at (x, y); percent is the transparency of the source (0 covers,
// 100 leaves the destination as it was). With a mask each channel mixes by the mask's byte.
void BlendBitmaps(const QImage& source, QImage& destination, int x, int y, const QImage* mask, int percent);

double TriangleKernel(double x);
double LanczosKernel(double x);
struct TContributor {
    int Index;
    int Weight;  // 1024 = 1
};
using TContributorList = std::vector<std::vector<TContributor>>;
// Source positions and weights for n destination positions over a source axis of length; only
// the count positions from first when count is given.
TContributorList ResampleContributors(int n, int length, double (*kernel)(double), double support, int first = 0,
                                      int count = -1);
// Scales source into destination (of its own size): best quality (Lanczos) or fast (triangle).
void ResampleBitmap(const QImage& source, QImage& destination);
void ResampleBitmapQuality(const QImage& source, QImage& destination, bool fast);
// The part of a best-quality scaling to the full size that starts at origin, as large as
// destination; false when an image could not be allocated.
bool ResampleBitmapPart(const QImage& source, QSize full, QPoint origin, QImage& destination);

// Blurs the inclusive rectangle of the image in place, steps times.
void BlurImageRect(QImage& image, const TRect& rect, int steps);

// The point d away from p1 towards p0.
TPoint PointBackFrom(const TPoint& p0, const TPoint& p1, double d);
TPointFloat PointBackFromFloat(const TPointFloat& p0, const TPointFloat& p1, double d);
double DistanceXY(double dx, double dy);
