#pragma once
// Series coloured by their values: a continuous range from EndColor (lowest) through an
// optional MidColor to StartColor (highest), or a stepped palette of entries sorted by their
// upper bound. TSeriesColorPalette lends the same colouring to series of other kinds through a
// hidden palette series in a hidden chart.
//
// What always holds: the palette is sorted ascending by UpToValue; a palette that the user
// coloured is kept through data changes, a built one is rebuilt before the next drawing.
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/series-ext/DuvSurfa.h"

QB_ENUM(TDuvPaletteStyle, psPale, psStrong, psGrayScale, psInvGray, psRainbow, psCustom)

struct TGridPalette {
    double UpToValue = 0;
    TColor Color = 0;
    std::string Label;
};
using TCustom3DPalette = std::vector<TGridPalette>;

using TChartSurfaceGetColor = TEvent<void(TChartSeries* sender, int valueIndex, TColor& color)>;

inline constexpr TColor RainbowPalette[25] = {
    0x000099, 0x0000C3, 0x0000EE, 0x001AFF, 0x0046FF, 0x0073FF, 0x009FFF, 0x00CBFF, 0x00F7FF,
    0x08F4E3, 0x11E7C3, 0x1BDAA3, 0x25CD83, 0x2EC063, 0x38B342, 0x42A622, 0x4B9A02, 0x6A870C,
    0x8A751A, 0xAA6328, 0xCB5036, 0xEB3E44, 0xFF2A61, 0xFF1596, 0xFF00CC};

class TCustom3DPaletteSeries : public TCustom3DSeries {
    QB_CLASS(TCustom3DPaletteSeries, TCustom3DSeries)
public:
    explicit TCustom3DPaletteSeries(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TCustom3DPaletteSeries>& p);

    bool UseColorRange() const { return useColorRange_; }
    void SetUseColorRange(bool value);
    bool UsePalette() const { return usePalette_; }
    void SetUsePalette(bool value);
    TColor StartColor() const { return startColor_; }
    void SetStartColor(TColor value) { SetRangeColor(startColor_, value); }
    TColor MidColor() const { return midColor_; }
    void SetMidColor(TColor value) { SetRangeColor(midColor_, value); }
    TColor EndColor() const { return endColor_; }
    void SetEndColor(TColor value) { SetRangeColor(endColor_, value); }
    int PaletteSteps() const { return paletteSteps_; }
    void SetPaletteSteps(int value);
    TDuvPaletteStyle PaletteStyle() const { return paletteStyle_; }
    void SetPaletteStyle(TDuvPaletteStyle value);
    double PaletteMin() const { return paletteMin_; }
    void SetPaletteMin(double value);
    double PaletteStep() const { return paletteStep_; }
    void SetPaletteStep(double value);
    bool UsePaletteMin() const { return usePaletteMin_; }
    void SetUsePaletteMin(bool value);
    int LegendEvery() const { return legendEvery_; }
    void SetLegendEvery(int value);
    TChartSurfaceGetColor OnGetColor;

    const TCustom3DPalette& Palette() const { return palette_; }
    bool PaletteUserColored() const { return userColored_; }
    // The bubble cloud lists its points in the legend, not the palette.
    bool LegendListsPoints = false;

    TColor ValueColor(double value) const;
    TColor RangePercentColor(double t) const;
    int AddPalette(TColor color, double upToValue);
    void ClearPalette();
    void CreateDefaultPalette(int steps = 0);
    void ApplyColorsToPalette(const std::vector<TColor>& colors);
    void ColorRangeToPalette();
    void CheckPaletteEmpty();
    // Replaces the palette only when the whole file was read; EConvertError names a bad line.
    void LoadPaletteFromFile(const std::string& fileName);
    void UpdateValueRange();

    virtual void PaletteChanged() {}
    virtual void PaletteValueRange(double& minimum, double& range);
    virtual void AssignPaletteArray(const TCustom3DPalette& palette);

    void DefineProperties(TFiler& filer) override;
    void Assign(const TPersistent* source) override;
    std::string GetEditorClassName() const override { return "TGrid3DSeriesEditor"; }
    void PrepareToDraw() override;
    void LoadFromSourceSeries(TCustomChartSeries* source) override;
    void AssignFormat(const TCustomChartSeries* source) override;
    void ListSubGalleryStyles(const TSubGalleryCallback& callback) override;
    void PaintLegendSymbol(int index, const TRect& rect) override;
    TColor GetPointColor(int index) const override;
    void ColorEachPointChanged(int index) override;
    void NotifyDependents(TDependentChange code, int index) override;
    void ApplySubGalleryStyle(int index) override;
    void ClearPoints() override;
    int GetPointCount() const override;
    TColor GetLegendItemColor(int index) const override;
    void BuildMarkText(int index, TLegendTextStyle style, std::string& text) const override;
    void SetGalleryView3D(bool value) override;
    void SetGalleryLook() override;

protected:
    void GalleryPalette();
    int AddPaletteEntry(double upToValue, TColor color);
    bool LegendListsPalette() const;
    int LegendPaletteIndex(int legendIndex) const { return static_cast<int>(palette_.size()) - 1 - legendIndex * legendEvery_; }

private:
    void SetRangeColor(TColor& field, TColor value);
    TColor RangeColorOf(double value) const;
    void WritePalette(TStream& stream) const;
    void ReadPalette(TStream& stream);

    bool useColorRange_ = true, usePalette_ = false;
    TColor startColor_ = 0x800000, midColor_ = clNone, endColor_ = 0xFFFFFF;
    int paletteSteps_ = 32;
    TDuvPaletteStyle paletteStyle_ = psPale;
    double paletteMin_ = 0, paletteStep_ = 0;
    bool usePaletteMin_ = false;
    int legendEvery_ = 1;
    TCustom3DPalette palette_;
    bool userColored_ = false, stale_ = false;
    double inverseRange_ = 0;
};

// A palette series that adds nothing: the hidden series of TSeriesColorPalette.
class TPaletteSeries : public TCustom3DPaletteSeries {
    QB_CLASS(TPaletteSeries, TCustom3DPaletteSeries)
public:
    using TCustom3DPaletteSeries::TCustom3DPaletteSeries;
};

// A chart without a window: its invalidation repaints the series that owns it.
class TSpecialChart : public TCustomChart {
    QB_CLASS(TSpecialChart, TCustomChart)
public:
    explicit TSpecialChart(TCustomChartSeries* ownerSeries);
    void Invalidate() override;
    TCustomChartSeries* const OwnerSeries;
};

class TSeriesColorPalette : public TPersistent {
    QB_CLASS(TSeriesColorPalette, TPersistent)
public:
    explicit TSeriesColorPalette(TCustomChartSeries* ownerSeries);
    ~TSeriesColorPalette() override;
    static void DeclareProperties(TPropertyDeclarer<TSeriesColorPalette>& p);

    TPaletteSeries& Series() const { return *series_; }
    TSpecialChart& Chart() const { return *chart_; }
    void SetValueRange(TColor color, double first, double second);
    const TCustom3DPalette& GetPalette() const { return series_->Palette(); }
    TColor ValueColor(double value) const { return series_->ValueColor(value); }
    int GetPaletteSteps() const { return series_->PaletteSteps(); }
    void SetPaletteSteps(int value) { series_->SetPaletteSteps(value); }
    bool UseColorRange() const { return series_->UseColorRange(); }
    void SetUseColorRange(bool value) { series_->SetUseColorRange(value); }
    bool UsePalette() const { return series_->UsePalette(); }
    void SetUsePalette(bool value) { series_->SetUsePalette(value); }
    TColor StartColor() const { return series_->StartColor(); }
    void SetStartColor(TColor value) { series_->SetStartColor(value); }
    TColor MidColor() const { return series_->MidColor(); }
    void SetMidColor(TColor value) { series_->SetMidColor(value); }
    TColor EndColor() const { return series_->EndColor(); }
    void SetEndColor(TColor value) { series_->SetEndColor(value); }
    TDuvPaletteStyle PaletteStyle() const { return series_->PaletteStyle(); }
    void SetPaletteStyle(TDuvPaletteStyle value) { series_->SetPaletteStyle(value); }
    double PaletteMin() const { return series_->PaletteMin(); }
    void SetPaletteMin(double value) { series_->SetPaletteMin(value); }
    double PaletteStep() const { return series_->PaletteStep(); }
    void SetPaletteStep(double value) { series_->SetPaletteStep(value); }
    bool UsePaletteMin() const { return series_->UsePaletteMin(); }
    void SetUsePaletteMin(bool value) { series_->SetUsePaletteMin(value); }
    int LegendEvery() const { return series_->LegendEvery(); }
    void SetLegendEvery(int value) { series_->SetLegendEvery(value); }
    void Assign(const TPersistent* source) override;

private:
    std::unique_ptr<TSpecialChart> chart_;
    TPaletteSeries* series_;
};

// Swaps the colours end for end; the values stay.
void InvertPalette(TCustom3DPaletteSeries* series);
// "// Color Up to Value", then one "colour value" line per entry, in the program code page.
void SavePaletteToFile(const TCustom3DPaletteSeries* series, const std::string& fileName);
std::string PaletteFileText(const TCustom3DPaletteSeries& series);
// The entries of a palette text (UTF-8); EConvertError on a line that is not two numbers.
TCustom3DPalette ReadPaletteText(const std::string& text);

void DuvSurfaPaletteInitialization();
