#pragma once
// Gradient fill of a brush: colour stops (start, middle and end colours are views on the first,
// second and last stop), a direction, a balance curve, a radial centre, an angle, and an
// optional semi-transparent sub-gradient painted over it. The straight fills by direction are
// the canvas's (GradientFill); the whole-rectangle, radial and rotated paints are here.
#include <QImage>
#include <memory>

#include "chart/graphics/DuvCanvas.h"
#include "chart/graphics/DuvTypes.h"
#include "platform/core/Collection.h"
#include "platform/core/Component.h"
#include "platform/core/Events.h"
#include "platform/core/Properties.h"

class TDuvGradientColor : public TCollectionItem {
    QB_CLASS(TDuvGradientColor, TCollectionItem)
public:
    explicit TDuvGradientColor(TCollection* collection = nullptr) : TCollectionItem(collection) {}
    static void DeclareProperties(TPropertyDeclarer<TDuvGradientColor>& p);

    TColor Color() const { return color_; }
    void SetColor(TColor value);
    double Offset() const { return offset_; }
    void SetOffset(double value);
    int Transparency() const { return transparency_; }
    void SetTransparency(int value) { transparency_ = static_cast<TDuvTransparency>(value); }
    void CopyFrom(const TDuvGradientColor& source);
    void Assign(const TPersistent* source) override;

private:
    TColor color_ = clBlack;
    double offset_ = 0;
    TDuvTransparency transparency_ = 0;
};

class TCustomDuvGradient;

// The stops, kept in ascending offset order by AddStop.
class TDuvGradientColors : public TCollection {
    QB_CLASS(TDuvGradientColors, TCollection)
public:
    explicit TDuvGradientColors(TCustomDuvGradient* owner = nullptr);
    TDuvGradientColor* Stop(int index) const { return static_cast<TDuvGradientColor*>(Items(index)); }
    // Adds stops at the end until index exists.
    TDuvGradientColor* ItemAt(int index);
    // Offset clamped to 0..1; inserted after the stops of equal or smaller offset.
    TDuvGradientColor* AddStop(TColor color, int transparency, double offset);

protected:
    void Update(TCollectionItem* item) override;

private:
    TCustomDuvGradient* gradient_;
};

class TSubGradient;

class TCustomDuvGradient : public TPersistent {
    QB_CLASS(TCustomDuvGradient, TPersistent)
public:
    explicit TCustomDuvGradient(TChangeHandler changed = nullptr);
    ~TCustomDuvGradient() override;
    static void DeclareProperties(TPropertyDeclarer<TCustomDuvGradient>& p);

    int Angle() const { return angle_; }
    void SetAngle(int value);
    int Balance() const { return balance_; }
    void SetBalance(int value);
    TDuvGradientColors* GetColors();
    TDuvGradientColors* PeekColors() const { return colors_.get(); }
    void SetColors(const TDuvGradientColors* value);
    TGradientDirection Direction() const { return direction_; }
    void SetDirection(TGradientDirection value);
    void InitDirection(TGradientDirection value);
    // Visible together with its stored default.
    void InitVisible(bool value);
    // Start and end colours together with the defaults they are stored against.
    void InitColors(TColor start, TColor end);
    TColor StartColor() const;
    void SetStartColor(TColor value);
    TColor EndColor() const;
    void SetEndColor(TColor value);
    TColor MidColor() const;
    void SetMidColor(TColor value);
    void RestoreMidColor() { SetMidColor(rememberedMid_); }
    int RadialX() const { return radialX_; }
    void SetRadialX(int value);
    int RadialY() const { return radialY_; }
    void SetRadialY(int value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    bool StartIsEnd = false;  // setting EndColor sets the first stop too
    TSubGradient* GetSubGradient();
    TSubGradient* PeekSubGradient() const { return subGradient_.get(); }

    void ResetDefaults();
    void ResetColors();
    // Copies everything (Visible last) without notifying.
    void Assign(const TPersistent* source) override;
    void DoChanged();

    bool IsColorsStored() const;
    bool IsDirectionStored() const { return direction_ != defaultDirection_; }
    bool IsStartColorStored() const { return colors_ && StartColor() != defaultStart_; }
    bool IsEndColorStored() const { return colors_ && EndColor() != defaultEnd_; }
    bool IsMidColorStored() const { return colors_ && MidColor() != defaultMid_; }
    bool IsVisibleStored() const { return visible_ != defaultVisible_; }

    // Fills rect (rounded by cornerSize when at least 1) through the canvas, then the sub-gradient.
    void Draw(TDuvCanvas& canvas, const TRect& rect, int cornerSize = 0);
    void DrawSub(TDuvCanvas& canvas, const TRect& rect, int cornerSize);
    // Rings of colour around the radial centre.
    void DrawRadial(TDuvCanvas& canvas, const TRect& rect);
    // The gradient drawn unturned into a bitmap by a canvas of the target's kind, turned by Angle
    // and drawn clipped to rect. A canvas that can't draw into a bitmap gets the gradient unturned.
    void DrawRotated(TDuvCanvas& canvas, const TRect& rect);

    TChangeHandler OnChange;

protected:
    std::unique_ptr<TSubGradient> subGradient_;

private:
    template <class F>
    void Quietly(F action);
    void CopyFrom(const TCustomDuvGradient& source);
    void DrawRadialRings(TDuvCanvas& canvas, const TRect& r);

    int angle_ = 0;
    int balance_ = 50;
    std::unique_ptr<TDuvGradientColors> colors_;
    TGradientDirection direction_ = gdTopBottom;
    int radialX_ = 0;
    int radialY_ = 0;
    bool visible_ = false;
    TGradientDirection defaultDirection_ = gdTopBottom;
    TColor defaultEnd_ = 0x00FFFF;
    TColor defaultMid_ = clNone;
    TColor defaultStart_ = clWhite;
    bool defaultVisible_ = false;
    TColor rememberedMid_ = clWhite;
};

class TSubGradient : public TCustomDuvGradient {
    QB_CLASS(TSubGradient, TCustomDuvGradient)
public:
    explicit TSubGradient(TChangeHandler changed = nullptr) : TCustomDuvGradient(std::move(changed)) {}
    static void DeclareProperties(TPropertyDeclarer<TSubGradient>& p);
    int Transparency() const { return transparency_; }
    void SetTransparency(int value);

private:
    int transparency_ = 50;
};

class TDuvGradient : public TCustomDuvGradient {
    QB_CLASS(TDuvGradient, TCustomDuvGradient)
public:
    explicit TDuvGradient(TChangeHandler changed = nullptr) : TCustomDuvGradient(std::move(changed)) {}
    static void DeclareProperties(TPropertyDeclarer<TDuvGradient>& p);
    // Copies into the (created) sub-gradient, its transparency included.
    void SetSubGradient(const TSubGradient* value);
};

// Turns the rendered gradient bitmap by the gradient's Angle; set by the picture filters at
// start. Without it the bitmap is turned here.
using TGradientRotate = void (*)(TCustomDuvGradient& gradient, QImage& bitmap);
extern TGradientRotate GradientRotateHook;
