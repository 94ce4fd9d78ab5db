#pragma once
// The picture filters a user can add to a picture's filter list, the hue/luminance/saturation
// colour model they share, and the turning of a rendered gradient.
#include <QImage>
#include <cstdint>
#include <string>

#include "chart/graphics/DuvFilterBase.h"
#include "platform/core/Colors.h"

class TCustomDuvGradient;

QB_ENUM(TGrayMethod, gmSimple, gmEye, gmEye2, gmLight)
QB_ENUM(TColorMethod, cmHue, cmLum, cmSat)
QB_ENUM(TMirrorDirection, mdDown, mdUp, mdRight, mdLeft)

// ---------------------------------------------------------------- colour model

// Hue, luminance and saturation, each on a 0..240 scale.
struct THLS {
    int Hue = 0;
    int Luminance = 0;
    int Saturation = 0;
    bool operator==(const THLS&) const = default;
};
THLS ChannelsToHLS(int red, int green, int blue);
THLS ColorToHLS(TColor color);
// Components outside 0..240 (a filter may push them up to 255) give channels limited to 0..255.
TColor ColorFromHLS(int hue, int luminance, int saturation);

// A new RGB32 picture of that size, resampled at best quality.
QImage ResizedCopy(const QImage& bitmap, int width, int height);
// Turns a gradient drawn unturned by the gradient's Angle, keeping the bitmap's size.
void RotateGradientBitmap(TCustomDuvGradient& gradient, QImage& bitmap);

// ---------------------------------------------------------------- geometry

// Scales the picture to Width by Height; works on the whole picture.
class TResizeFilter : public TDuvFilter {
    QB_CLASS(TResizeFilter, TDuvFilter)
public:
    explicit TResizeFilter(TCollection* collection = nullptr) : TDuvFilter(collection) {}
    static void DeclareProperties(TPropertyDeclarer<TResizeFilter>& p);
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;
    void FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify) override;
    std::string Description() const override;
    void SetGalleryDefaults() override;

    int Width = 0;
    int Height = 0;
};

// The part Width by Height at (Left, Top) fills the picture at its former size.
class TCropFilter : public TResizeFilter {
    QB_CLASS(TCropFilter, TResizeFilter)
public:
    explicit TCropFilter(TCollection* collection = nullptr) : TResizeFilter(collection) {}
    static void DeclareProperties(TPropertyDeclarer<TCropFilter>& p);
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;
    void FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify) override;
    std::string Description() const override;

    int Left = 0;
    int Top = 0;
    bool Smooth = false;
};

class TFlipFilter : public TDuvFilter {  // rows upside down
    QB_CLASS(TFlipFilter, TDuvFilter)
public:
    explicit TFlipFilter(TCollection* collection = nullptr) : TDuvFilter(collection) {}
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;
    std::string Description() const override;
};

class TReverseFilter : public TDuvFilter {  // columns right to left
    QB_CLASS(TReverseFilter, TDuvFilter)
public:
    explicit TReverseFilter(TCollection* collection = nullptr) : TDuvFilter(collection) {}
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;
    std::string Description() const override;
};

// Turns the whole picture by Angle degrees counter-clockwise.
class TRotateFilter : public TDuvFilter {
    QB_CLASS(TRotateFilter, TDuvFilter)
public:
    explicit TRotateFilter(TCollection* collection = nullptr) : TDuvFilter(collection) {}
    static void DeclareProperties(TPropertyDeclarer<TRotateFilter>& p);
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;
    void FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify) override;
    std::string Description() const override;
    void SetGalleryDefaults() override { Angle = 45; }

    double Angle = 0;
    bool AutoSize = true;  // false keeps the picture's size
    TColor BackColor = clWhite;  // clNone: the uncovered corners are transparent

private:
    void RotateBy(QImage& bitmap);
};

// The picture next to its mirror image; works on the whole picture.
class TMirrorFilter : public TDuvFilter {
    QB_CLASS(TMirrorFilter, TDuvFilter)
public:
    explicit TMirrorFilter(TCollection* collection = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TMirrorFilter>& p);
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;
    void FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify) override;
    std::string Description() const override;

    TMirrorDirection Direction = mdDown;
};

// NumCols by NumRows small copies of the picture.
class TTileFilter : public TDuvFilter {
    QB_CLASS(TTileFilter, TDuvFilter)
public:
    explicit TTileFilter(TCollection* collection = nullptr) : TDuvFilter(collection) {}
    static void DeclareProperties(TPropertyDeclarer<TTileFilter>& p);
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;
    void FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify) override;
    std::string Description() const override;

    int NumCols = 3;
    int NumRows = 3;
};

// Cuts Percent of the rectangle away at its edges (half on each side) and enlarges the rest.
class TZoomFilter : public TDuvFilter {
    QB_CLASS(TZoomFilter, TDuvFilter)
public:
    explicit TZoomFilter(TCollection* collection = nullptr) : TDuvFilter(collection) {}
    static void DeclareProperties(TPropertyDeclarer<TZoomFilter>& p);
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;
    void FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify) override;
    std::string Description() const override;
    void SetGalleryDefaults() override { Percent = 60; }

    double Percent = 10;
    bool Smooth = false;
};

// ---------------------------------------------------------------- per pixel

class TInvertFilter : public TDuvFilter {
    QB_CLASS(TInvertFilter, TDuvFilter)
public:
    explicit TInvertFilter(TCollection* collection = nullptr) : TDuvFilter(collection) {}
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;
    std::string Description() const override;
};

class TGrayScaleFilter : public TDuvFilter {
    QB_CLASS(TGrayScaleFilter, TDuvFilter)
public:
    explicit TGrayScaleFilter(TCollection* collection = nullptr) : TDuvFilter(collection) {}
    static void DeclareProperties(TPropertyDeclarer<TGrayScaleFilter>& p);
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;
    void FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify) override;
    std::string Description() const override;

    TGrayMethod Method = gmSimple;
};

// A filter with one strength, in percent or in channel steps.
class TAmountFilter : public TDuvFilter {
    QB_CLASS(TAmountFilter, TDuvFilter)
public:
    explicit TAmountFilter(TCollection* collection = nullptr) : TDuvFilter(collection) {}
    static void DeclareProperties(TPropertyDeclarer<TAmountFilter>& p);
    void FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify) override;
    int ScrollMin() const;
    int ScrollMax() const;
    // The Amount scroll bar's range again, after Percent changed.
    void ResetScroll();

    int Amount = 5;
    bool Percent = true;

protected:
    bool OnlyPositive = false;

private:
    IFilterScrollControl* scroll_ = nullptr;  // owned by the editor
};

// Blocks of b by b pixels take their mean colour.
class TMosaicFilter : public TAmountFilter {
    QB_CLASS(TMosaicFilter, TAmountFilter)
public:
    explicit TMosaicFilter(TCollection* collection = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TMosaicFilter>& p);
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;
    std::string Description() const override;

private:
    void MeanBlock(int left, int top, int right, int bottom);
};

class TBrightnessFilter : public TAmountFilter {
    QB_CLASS(TBrightnessFilter, TAmountFilter)
public:
    explicit TBrightnessFilter(TCollection* collection = nullptr) : TAmountFilter(collection) {}
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;
    std::string Description() const override;
    void SetGalleryDefaults() override { Amount = 30; }
};

class TContrastFilter : public TAmountFilter {
    QB_CLASS(TContrastFilter, TAmountFilter)
public:
    explicit TContrastFilter(TCollection* collection = nullptr) : TAmountFilter(collection) {}
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;
    std::string Description() const override;
    void SetGalleryDefaults() override { Amount = 60; }
};

class TGammaCorrectionFilter : public TAmountFilter {
    QB_CLASS(TGammaCorrectionFilter, TAmountFilter)
public:
    explicit TGammaCorrectionFilter(TCollection* collection = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TGammaCorrectionFilter>& p);
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;
    std::string Description() const override;
};

// Adds an amount (-255..255) to each channel.
class TColorFilter : public TDuvFilter {
    QB_CLASS(TColorFilter, TDuvFilter)
public:
    explicit TColorFilter(TCollection* collection = nullptr) : TDuvFilter(collection) {}
    static void DeclareProperties(TPropertyDeclarer<TColorFilter>& p);
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;
    void FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify) override;
    std::string Description() const override;

    int Blue = 0;
    int Green = 0;
    int Red = 0;
};

// Pixels whose hue (luminance, saturation) lies in FromValue..ToValue become Color.
class TColorReplaceFilter : public TDuvFilter {
    QB_CLASS(TColorReplaceFilter, TDuvFilter)
public:
    explicit TColorReplaceFilter(TCollection* collection = nullptr) : TDuvFilter(collection) {}
    static void DeclareProperties(TPropertyDeclarer<TColorReplaceFilter>& p);
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;
    void FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify) override;
    std::string Description() const override;

    std::uint8_t ToValue = 0;
    std::uint8_t FromValue = 0;
    TColorMethod Method = cmHue;
    TColor Color = clWhite;
};

// Shifts hue, luminance and saturation of every pixel.
class THueLumSatFilter : public TDuvFilter {
    QB_CLASS(THueLumSatFilter, TDuvFilter)
public:
    explicit THueLumSatFilter(TCollection* collection = nullptr) : TDuvFilter(collection) {}
    static void DeclareProperties(TPropertyDeclarer<THueLumSatFilter>& p);
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;
    void FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify) override;
    std::string Description() const override;

    int Hue = 0;
    int Luminance = 0;
    int Saturation = 0;
};

class TSepiaFilter : public TDuvFilter {
    QB_CLASS(TSepiaFilter, TDuvFilter)
public:
    explicit TSepiaFilter(TCollection* collection = nullptr) : TDuvFilter(collection) {}
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;
    std::string Description() const override;
};

// ---------------------------------------------------------------- neighbourhoods

class TSharpenFilter : public TConvolveFilter {
    QB_CLASS(TSharpenFilter, TConvolveFilter)
public:
    explicit TSharpenFilter(TCollection* collection = nullptr);
    std::string Description() const override;
};

class TEmbossFilter : public TConvolveFilter {
    QB_CLASS(TEmbossFilter, TConvolveFilter)
public:
    explicit TEmbossFilter(TCollection* collection = nullptr);
    std::string Description() const override;
};

// The mean of a pixel and its right, lower and lower-right neighbours.
class TSoftenFilter : public TConvolveFilter {
    QB_CLASS(TSoftenFilter, TConvolveFilter)
public:
    explicit TSoftenFilter(TCollection* collection = nullptr);
    std::string Description() const override;
};

// Light top and left edges, dark bottom and right edges, Size pixels deep.
class TBevelFilter : public TDuvFilter {
    QB_CLASS(TBevelFilter, TDuvFilter)
public:
    explicit TBevelFilter(TCollection* collection = nullptr) : TDuvFilter(collection) {}
    static void DeclareProperties(TPropertyDeclarer<TBevelFilter>& p);
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;
    void FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify) override;
    std::string Description() const override;

    int Bright = 64;
    int Size = 15;
};

// Stretches each channel of the inner pixels to span 0..255.
class TEqualizeFilter : public TDuvFilter {
    QB_CLASS(TEqualizeFilter, TDuvFilter)
public:
    explicit TEqualizeFilter(TCollection* collection = nullptr) : TDuvFilter(collection) {}
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;
    std::string Description() const override;
};

// Edge strength of the grey picture.
class TSobelFilter : public TDuvFilter {
    QB_CLASS(TSobelFilter, TDuvFilter)
public:
    explicit TSobelFilter(TCollection* collection = nullptr) : TDuvFilter(collection) {}
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;
    std::string Description() const override;
};

// ---------------------------------------------------------------- module

// Start: the 25 filter classes in the filter class list and the stream registry, the gradient
// turning hook installed. End: the hook emptied and the list freed.
void DuvFiltersInitialization();
void DuvFiltersFinalization();
