#pragma once
// The shadow a shape or text throws, and the emboss (a shadow thrown the other way, hidden
// until switched on). The drawing of shadows belongs to the canvases.
#include <QImage>
#include <cstdint>
#include <vector>

#include "chart/graphics/DuvTypes.h"
#include "platform/core/Component.h"
#include "platform/core/Events.h"
#include "platform/core/Properties.h"

class TDuvCanvas;
class TCanvas3D;
class TDuvBlend;

class TDuvShadow : public TPersistent {
    QB_CLASS(TDuvShadow, TPersistent)
public:
    explicit TDuvShadow(TChangeHandler changed = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TDuvShadow>& p);

    bool Clip() const { return clip_; }
    void SetClip(bool value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    int HorizSize() const { return horizSize_; }
    void SetHorizSize(int value);
    bool Smooth() const { return smooth_; }
    void SetSmooth(bool value);
    int SmoothBlur() const { return smoothBlur_; }
    void SetSmoothBlur(int value);
    int Transparency() const { return transparency_; }
    void SetTransparency(int value);
    int VertSize() const { return vertSize_; }
    void SetVertSize(int value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);

    // Both sizes.
    void SetSize(int value);
    // The larger of the absolute sizes.
    int GetSize() const;
    // Visible with a size other than 0.
    bool IsActive() const;
    // Visible, colour and size together with their stored defaults.
    void SetDefaultValues(bool visible, TColor color, int size);
    // Copies everything but Clip, without notifying.
    void Assign(const TPersistent* source) override;

    // +1 for a shadow, -1 for an emboss (thrown the other way).
    virtual int OffsetSign() const { return 1; }
    // The rectangle moved by the sizes, in the direction of the offset sign.
    TRect OffsetRectangle(const TRect& rect) const;
    // Starts the blending a shadow drawing needs; False when nothing is to be drawn.
    bool BeginDraw(TDuvCanvas& canvas, const TRect& rect, double angle);
    void EndDraw(TDuvCanvas& canvas);
    void DrawRect(TCanvas3D& canvas, const TRect& rect, double angle = 0, int cornerSize = 0);
    void DrawPolygon(TCanvas3D& canvas, const TPointArray& points, int high);
    void DrawPolygonCount(TCanvas3D& canvas, const TPointArray& points, int count);
    virtual void DrawEllipse(TCanvas3D& canvas, const TRect& rect, double startAngle = 0, double endAngle = 360,
                             double holePercent = 0);
    int BlurRadius() const { return blurRadius_; }

    bool IsColorStored() const { return color_ != defaultColor_; }
    bool IsHorizSizeStored() const { return horizSize_ != defaultSize_; }
    bool IsVertSizeStored() const { return vertSize_ != defaultSize_; }
    bool IsVisibleStored() const { return visible_ != defaultVisible_; }

    TChangeHandler OnChange;

protected:
    void Changed();
    void InitVisible(bool value);

private:
    bool clip_ = false;
    TColor color_ = clSilver;
    int horizSize_ = 0;
    bool smooth_ = true;
    int smoothBlur_ = 0;
    int transparency_ = 50;
    int vertSize_ = 0;
    bool visible_ = true;
    TColor defaultColor_ = clSilver;
    int defaultSize_ = 0;
    bool defaultVisible_ = true;
    int blurRadius_ = 4;
    int drawTransparency_ = 0;
    TDuvBlend* drawBlend_ = nullptr;
};

class TDuvEmboss : public TDuvShadow {
    QB_CLASS(TDuvEmboss, TDuvShadow)
public:
    explicit TDuvEmboss(TChangeHandler changed = nullptr);
    int OffsetSign() const override { return -1; }
};

// The 2r + 1 weights of the smooth shadow's blur (centre 100000).
std::vector<int> ShadowKernel(int radius, int smoothBlur);
// The bounds of the rectangle's corners turned by angle degrees about its centre.
void RotateRectCorners(const TRect& rect, double angle, TPoint corners[4]);
// Blurs the shape and multiplies it into the canvas's picture (destination) at (dx, dy); with
// clip only where the canvas's clipping lets through.
void BlurShadowOnto(const QImage& shape, QImage& destination, int dx, int dy, bool clip, TDuvCanvas& canvas,
                    int smoothBlur, int radius);
// A smooth shadow of points 0..high, or of an ellipse (with a hole), or of a (rounded) rectangle,
// multiplied into the picture the canvas draws on; nothing when its pixels can't be reached.
void SmoothShadow(TDuvShadow& shadow, TDuvCanvas& canvas, const TRect& rect, const TPointArray& points, int high,
                  bool ellipse, double holePercent, int cornerSize);
