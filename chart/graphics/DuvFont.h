#pragma once
// The font of every chart text: the class library's font with a fractional size, a fill brush
// (gradient, picture), an outline pen, shadow, emboss, character spacing, quality and depth.
#include <memory>
#include <string>

#include "chart/graphics/Graphics.h"

class TDuvBrush;
class TDuvHiddenPen;
class TDuvShadow;
class TDuvEmboss;
class TDuvGradient;
class TDuvPicture;

QB_ENUM(TFontQuality, fqBest, fqNormal, fqDefault, fqClearType)

// The library defaults new fonts start with (set by InitDefaultFont from the text table).
extern std::string DefaultFontName;
extern int DefaultFontSize;

// Takes the default font name and size from the library text table; raises EConvertError
// when the size text is not a number.
void InitDefaultFont();

class TDuvFont : public TFont {
    QB_CLASS(TDuvFont, TFont)
public:
    explicit TDuvFont(TChangeHandler changed = nullptr);
    ~TDuvFont() override;
    static void DeclareProperties(TPropertyDeclarer<TDuvFont>& p);

    TDuvBrush* Brush() const { return brush_.get(); }
    // Copies into the font's own brush, which is never replaced.
    void SetBrush(const TDuvBrush* value);
    double Depth() const { return depth_; }
    void SetDepth(double value);
    int InterCharSize() const { return interCharSize_; }
    void SetInterCharSize(int value);
    TFontQuality Quality() const { return quality_; }
    void SetQuality(TFontQuality value);
    // Integer size plus the size decimals.
    float GetSizeFloat() const;
    void SetSizeFloat(float value);

    // Sub-objects made on first read, with the font's change handler; none frees them.
    TDuvHiddenPen* GetOutLine();
    TDuvHiddenPen* PeekOutLine() const { return outLine_.get(); }
    void SetOutLine(const TDuvHiddenPen* value);
    TDuvShadow* GetShadow();
    TDuvShadow* PeekShadow() const { return shadow_.get(); }
    void SetShadow(const TDuvShadow* value);
    TDuvEmboss* GetEmboss();
    TDuvEmboss* PeekEmboss() const { return emboss_.get(); }
    void SetEmboss(const TDuvEmboss* value);
    // The brush's gradient and image.
    TDuvGradient* GetGradient();
    void SetGradient(const TDuvGradient* value);
    TDuvPicture* GetPicture();
    void SetPicture(const TDuvPicture* value);

    // Colour or style together with its stored default, without notification.
    void InitColor(TColor value);
    void InitStyle(TFontStyles value);

    bool IsHeightStored() const { return Size() != DefaultFontSize; }
    bool IsNameStored() const { return Name() != DefaultFontName; }
    bool IsColorStored() const { return Color() != defaultColor_; }
    bool IsStyleStored() const { return !(Style() == defaultStyle_); }
    bool IsSizeFloatStored() const { return sizeDecimals_ != 0; }
    bool IsDepthStored() const { return depth_ != 0; }
    void Assign(const TPersistent* source) override;

private:
    template <class F>
    void Quietly(F action);

    std::unique_ptr<TDuvBrush> brush_;
    float sizeDecimals_ = 0;
    double depth_ = 0;
    int interCharSize_ = 0;
    std::unique_ptr<TDuvHiddenPen> outLine_;
    TFontQuality quality_ = fqDefault;
    TColor defaultColor_ = clBlack;
    TFontStyles defaultStyle_;
    std::unique_ptr<TDuvEmboss> emboss_;
    std::unique_ptr<TDuvShadow> shadow_;
};
