#pragma once
// The shadow a shape or text throws, and the emboss (a shadow thrown the other way, hidden
// until switched on). The drawing of shadows belongs to the canvases.
#include <cstdint>

#include "chart/graphics/DuvTypes.h"
#include "platform/core/Component.h"
#include "platform/core/Events.h"
#include "platform/core/Properties.h"

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
    void Assign(const TPersistent* source) override;

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
};

class TDuvEmboss : public TDuvShadow {
    QB_CLASS(TDuvEmboss, TDuvShadow)
public:
    explicit TDuvEmboss(TChangeHandler changed = nullptr);
};
