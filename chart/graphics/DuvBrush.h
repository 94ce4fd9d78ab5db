#pragma once
// The chart's brush: the class library's brush with a back colour for hatches, a gradient and
// a picture, notifying its owner of every change. A new brush paints in the owner's own colour.
#include <memory>

#include "chart/graphics/Graphics.h"

class TDuvGradient;
class TDuvPicture;

class TDuvBrush : public TBrush {
    QB_CLASS(TDuvBrush, TBrush)
public:
    explicit TDuvBrush(TChangeHandler changed = nullptr);
    ~TDuvBrush() override;
    static void DeclareProperties(TPropertyDeclarer<TDuvBrush>& p);

    TColor BackColor() const { return backColor_; }
    void SetBackColor(TColor value);
    // Made on first read, with the brush's change handler.
    TDuvGradient* GetGradient();
    TDuvGradient* PeekGradient() const { return gradient_.get(); }
    // None frees the gradient, a gradient is copied; notifies either way.
    void SetGradient(const TDuvGradient* value);
    TDuvPicture* GetImage();
    TDuvPicture* PeekImage() const { return image_.get(); }
    // A picture is copied (and notifies); none frees an existing image (and notifies).
    void SetImage(const TDuvPicture* value);

    bool HasImageObject() const { return image_ != nullptr; }
    // An image with a graphic that is not empty.
    bool HasImage() const;
    // A gradient that is visible.
    bool HasGradient() const;
    // Colour together with its stored default, without notification.
    void InitColor(TColor value);
    bool IsColorStored() const { return Color() != defaultColor_; }
    void Assign(const TPersistent* source) override;

private:
    TColor backColor_ = clNone;
    std::unique_ptr<TDuvGradient> gradient_;
    std::unique_ptr<TDuvPicture> image_;
    TColor defaultColor_ = clDefault;
};
