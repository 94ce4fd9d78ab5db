#include "chart/series-ext/DuvSurfaPalette.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>

#include "chart/editor/DuvProCo.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/DuvConst.h"
#include "chart/graphics/DuvGradient.h"
#include "platform/core/CodePage.h"
#include "platform/core/Filer.h"
#include "platform/core/NumText.h"
#include "platform/core/SafeFile.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/StringList.h"

TCustom3DPaletteSeries::TCustom3DPaletteSeries(TComponent* owner) : TCustom3DSeries(owner) {}

void TCustom3DPaletteSeries::DeclareProperties(TPropertyDeclarer<TCustom3DPaletteSeries>& p)
{
    using S = TCustom3DPaletteSeries;
    p.Color("EndColor", &S::EndColor, &S::SetEndColor).Default(0xFFFFFF);
    p.Integer("LegendEvery", &S::LegendEvery, &S::SetLegendEvery).Default(1);
    p.Color("MidColor", &S::MidColor, &S::SetMidColor).Default(clNone);
    p.Float("PaletteMin", &S::PaletteMin, &S::SetPaletteMin).Default(0.0);
    p.Float("PaletteStep", &S::PaletteStep, &S::SetPaletteStep).Default(0.0);
    p.Integer("PaletteSteps", &S::PaletteSteps, &S::SetPaletteSteps).Default(32);
    p.Enum("PaletteStyle", &S::PaletteStyle, &S::SetPaletteStyle).Default(psPale);
    p.Color("StartColor", &S::StartColor, &S::SetStartColor).Default(0x800000);
    p.Boolean("UseColorRange", &S::UseColorRange, &S::SetUseColorRange).Default(true);
    p.Boolean("UsePalette", &S::UsePalette, &S::SetUsePalette).Default(false);
    p.Boolean("UsePaletteMin", &S::UsePaletteMin, &S::SetUsePaletteMin).Default(false);
}

// ---------------------------------------------------------------- setters

void TCustom3DPaletteSeries::SetRangeColor(TColor& field, TColor value)
{
    if (field == value) return;
    field = value;
    PaletteChanged();
    RequestRepaint();
}

void TCustom3DPaletteSeries::SetUseColorRange(bool value)
{
    if (useColorRange_ == value) return;
    useColorRange_ = value;
    if (value) SetColorEachPoint(false);
    PaletteChanged();
    RequestRepaint();
}

void TCustom3DPaletteSeries::SetUsePalette(bool value)
{
    if (usePalette_ == value) return;
    usePalette_ = value;
    if (value) {
        SetColorEachPoint(false);
        CheckPaletteEmpty();
    }
    PaletteChanged();
    RequestRepaint();
}

void TCustom3DPaletteSeries::SetPaletteSteps(int value)
{
    paletteSteps_ = value;
    CreateDefaultPalette(paletteSteps_);
}

void TCustom3DPaletteSeries::SetPaletteStyle(TDuvPaletteStyle value)
{
    if (paletteStyle_ == value) return;
    paletteStyle_ = value;
    if (value != psCustom) palette_.clear();
    PaletteChanged();
    RequestRepaint();
}

void TCustom3DPaletteSeries::SetPaletteMin(double value)
{
    paletteMin_ = value;
    CreateDefaultPalette(paletteSteps_);
}

void TCustom3DPaletteSeries::SetPaletteStep(double value)
{
    paletteStep_ = value;
    CreateDefaultPalette(paletteSteps_);
}

void TCustom3DPaletteSeries::SetUsePaletteMin(bool value)
{
    usePaletteMin_ = value;
    CreateDefaultPalette(paletteSteps_);
}

void TCustom3DPaletteSeries::SetLegendEvery(int value) { ChangeInteger(legendEvery_, std::max(1, value)); }

// ---------------------------------------------------------------- colours

void TCustom3DPaletteSeries::UpdateValueRange()
{
    const double range = MandatoryList()->GetSpan();
    inverseRange_ = range == 0 ? 0 : 1 / range;
}

namespace {

std::uint8_t ByteOf(TColor color, int byte) { return static_cast<std::uint8_t>(static_cast<std::uint32_t>(color) >> (8 * byte)); }

TColor PackRgb(int red, int green, int blue) { return static_cast<TColor>(red | (green << 8) | (blue << 16)); }

TColor Recombine(const long long bytes[4])
{
    std::uint32_t result = 0;
    for (int b = 0; b < 4; ++b) result |= static_cast<std::uint32_t>(bytes[b] & 0xFF) << (8 * b);
    return static_cast<TColor>(result);
}

TColor Blend(TColor from, TColor to, double s)
{
    long long bytes[4];
    for (int b = 0; b < 4; ++b) bytes[b] = ByteOf(from, b) + Rnd(s * (ByteOf(to, b) - ByteOf(from, b)));
    return Recombine(bytes);
}

}  // namespace

TColor TCustom3DPaletteSeries::RangePercentColor(double t) const
{
    if (midColor_ == clNone) return Blend(endColor_, startColor_, t);
    // The half-range factor is held in single precision, as stored palettes were made with it.
    if (t >= 0.5) return Blend(midColor_, startColor_, static_cast<float>((t - 0.5) * 2));
    return Blend(endColor_, midColor_, static_cast<float>(t * 2));
}

TColor TCustom3DPaletteSeries::RangeColorOf(double value) const
{
    if (inverseRange_ == 0) return endColor_;
    TChartValueList* list = MandatoryList();
    const double d = value - list->GetMinimum();
    if (d < 0) return endColor_;
    if (value > list->GetMaximum()) return startColor_;
    return RangePercentColor(std::min(d * inverseRange_, 1.0));
}

TColor TCustom3DPaletteSeries::ValueColor(double value) const
{
    if (useColorRange_) return RangeColorOf(value);
    if (usePalette_ && !palette_.empty()) {
        const auto it = std::lower_bound(palette_.begin(), palette_.end(), value,
                                         [](const TGridPalette& entry, double v) { return entry.UpToValue < v; });
        return it == palette_.end() ? palette_.back().Color : it->Color;
    }
    return GetSeriesColor();
}

TColor TCustom3DPaletteSeries::GetPointColor(int index) const
{
    TColor color = StoredPointColor(index);
    if (color == clDefault) {
        if (ColorEachPoint() || (!useColorRange_ && !usePalette_))
            color = TCustom3DSeries::GetPointColor(index);
        else
            color = ValueColor(GetMandatoryValue(index));
    }
    if (OnGetColor) OnGetColor(const_cast<TCustom3DPaletteSeries*>(this), index, color);
    return color;
}

void TCustom3DPaletteSeries::ColorEachPointChanged(int index) { TCustom3DSeries::ColorEachPointChanged(index); }

// ---------------------------------------------------------------- palette

int TCustom3DPaletteSeries::AddPaletteEntry(double upToValue, TColor color)
{
    const auto it = std::upper_bound(palette_.begin(), palette_.end(), upToValue,
                                     [](double v, const TGridPalette& entry) { return v < entry.UpToValue; });
    const auto at = palette_.insert(it, TGridPalette{upToValue, color, {}});
    stale_ = false;
    return static_cast<int>(at - palette_.begin());
}

int TCustom3DPaletteSeries::AddPalette(TColor color, double upToValue)
{
    const int index = AddPaletteEntry(upToValue, color);
    userColored_ = true;
    return index;
}

void TCustom3DPaletteSeries::ClearPalette() { palette_.clear(); }

void TCustom3DPaletteSeries::PaletteValueRange(double& minimum, double& range)
{
    minimum = MandatoryList()->GetMinimum();
    range = MandatoryList()->GetSpan();
}

void TCustom3DPaletteSeries::CreateDefaultPalette(int steps)
{
    const int n = std::max(0, steps == 0 ? paletteSteps_ : steps);
    userColored_ = false;
    double minimum = 0, range = 0;
    PaletteValueRange(minimum, range);
    const double step = paletteStep_ != 0 ? paletteStep_ : range / std::max(1, n - 1);
    const double first = usePaletteMin_ ? paletteMin_ : minimum;
    if (paletteStyle_ == psCustom) {
        const std::size_t old = palette_.size();
        palette_.resize(static_cast<std::size_t>(n));
        for (std::size_t i = 0; i < palette_.size(); ++i) {
            palette_[i].UpToValue = first + static_cast<double>(i) * step;
            if (i >= old && old > 0) palette_[i].Color = palette_[i % old].Color;
        }
    } else {
        palette_.clear();
        const double pi = std::acos(-1.0);
        for (int i = 0; i < n; ++i) {
            TColor color = 0;
            switch (paletteStyle_) {
            case psRainbow:
                if (!ParentChart()) continue;
                color = RainbowPalette[i % 25];
                break;
            case psGrayScale:
            case psInvGray: {
                long long v = Rnd(i * (255.0 / n));
                if (paletteStyle_ == psInvGray) v = 255 - v;
                color = PackRgb(static_cast<int>(v), static_cast<int>(v), static_cast<int>(v));
                break;
            }
            default: {
                const double a = i * ((paletteStyle_ == psPale ? pi : 2 * pi) / n);
                color = PackRgb(static_cast<int>((std::sin(a / 2.0) + 1) * 127), static_cast<int>((std::sin(a / 1.0) + 1) * 127),
                            static_cast<int>((std::cos(a / 1.0) + 1) * 127));
            }
            }
            AddPaletteEntry(first + step * i, color);
        }
    }
    PaletteChanged();
    stale_ = false;
    RequestRepaint();
}

void TCustom3DPaletteSeries::CheckPaletteEmpty()
{
    if (PointCount() > 0 && (palette_.empty() || (stale_ && !userColored_))) CreateDefaultPalette(paletteSteps_);
}

void TCustom3DPaletteSeries::ApplyColorsToPalette(const std::vector<TColor>& colors)
{
    if (colors.empty()) return;
    CreateDefaultPalette(paletteSteps_);
    const std::size_t count = std::min(palette_.size(), static_cast<std::size_t>(std::max(0, paletteSteps_)));
    for (std::size_t i = 0; i < count; ++i) palette_[i].Color = colors[i % colors.size()];
    userColored_ = true;
    RequestRepaint();
}

void TCustom3DPaletteSeries::ColorRangeToPalette()
{
    for (TGridPalette& entry : palette_) entry.Color = RangeColorOf(entry.UpToValue);
    PaletteChanged();
    RequestRepaint();
}

void TCustom3DPaletteSeries::AssignPaletteArray(const TCustom3DPalette& palette) { palette_ = palette; }

void InvertPalette(TCustom3DPaletteSeries* series)
{
    TCustom3DPalette palette = series->Palette();
    const std::size_t count = palette.size();
    for (std::size_t i = 0; i < count / 2; ++i) std::swap(palette[i].Color, palette[count - 1 - i].Color);
    series->AssignPaletteArray(palette);
    series->RequestRepaint();
}

// ---------------------------------------------------------------- series protocol

void TCustom3DPaletteSeries::PrepareToDraw()
{
    CheckPaletteEmpty();
    UpdateValueRange();
}

void TCustom3DPaletteSeries::NotifyDependents(TDependentChange code, int index)
{
    TCustom3DSeries::NotifyDependents(code, index);
    if (code != TDependentChange::DataChanged || !GetLinkedSeries().empty()) stale_ = true;
}

void TCustom3DPaletteSeries::ClearPoints()
{
    TCustom3DSeries::ClearPoints();
    if (usePalette_ && paletteStyle_ != psCustom) palette_.clear();
}

void TCustom3DPaletteSeries::LoadFromSourceSeries(TCustomChartSeries* source)
{
    TCustom3DSeries::LoadFromSourceSeries(source);
    CreateDefaultPalette(paletteSteps_);
}

void TCustom3DPaletteSeries::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TCustom3DPaletteSeries*>(source)) {
        palette_ = other->palette_;
        usePaletteMin_ = other->usePaletteMin_;
        paletteMin_ = other->paletteMin_;
        paletteStep_ = other->paletteStep_;
    }
    TCustom3DSeries::Assign(source);
}

void TCustom3DPaletteSeries::AssignFormat(const TCustomChartSeries* source)
{
    if (const auto* other = dynamic_cast<const TCustom3DPaletteSeries*>(source)) {
        usePalette_ = other->usePalette_;
        useColorRange_ = other->useColorRange_;
        startColor_ = other->startColor_;
        midColor_ = other->midColor_;
        endColor_ = other->endColor_;
        legendEvery_ = other->legendEvery_;
        paletteSteps_ = other->paletteSteps_;
        paletteStyle_ = other->paletteStyle_;
    }
    TCustom3DSeries::AssignFormat(source);
}

// ---------------------------------------------------------------- "CustomPalette"

void TCustom3DPaletteSeries::DefineProperties(TFiler& filer)
{
    TCustom3DSeries::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "CustomPalette", [this](TStream& stream) { ReadPalette(stream); },
        [this](TStream& stream) { WritePalette(stream); }, paletteStyle_ == psCustom);
}

void TCustom3DPaletteSeries::WritePalette(TStream& stream) const
{
    const std::int32_t count = static_cast<std::int32_t>(palette_.size());
    stream.WriteBuffer(&count, 4);
    for (const TGridPalette& entry : palette_) {
        stream.WriteBuffer(&entry.UpToValue, 8);
        const std::int32_t color = entry.Color;
        stream.WriteBuffer(&color, 4);
    }
}

void TCustom3DPaletteSeries::ReadPalette(TStream& stream)
{
    // The count is checked against the bytes present before anything is kept.
    std::int32_t count = 0;
    stream.ReadBuffer(&count, 4);
    if (count < 0 || static_cast<std::int64_t>(count) * 12 != stream.Remaining())
        throw EReadError("CustomPalette of " + Name() + ": " + std::to_string(count) + " entries do not fit " +
                         std::to_string(stream.Remaining()) + " bytes");
    TCustom3DPalette palette(static_cast<std::size_t>(count));
    for (TGridPalette& entry : palette) {
        stream.ReadBuffer(&entry.UpToValue, 8);
        std::int32_t color = 0;
        stream.ReadBuffer(&color, 4);
        entry.Color = color;
    }
    palette_ = std::move(palette);
}

// ---------------------------------------------------------------- legend

bool TCustom3DPaletteSeries::LegendListsPalette() const
{
    return (useColorRange_ || usePalette_) && PointCount() > 0 && !LegendListsPoints;
}

int TCustom3DPaletteSeries::GetPointCount() const
{
    if (!LegendListsPalette()) return TCustom3DSeries::GetPointCount();
    const int length = static_cast<int>(palette_.size());
    // Rounded up: every item then names an entry of the palette.
    return legendEvery_ < 2 ? length : (length + legendEvery_ - 1) / legendEvery_;
}

TColor TCustom3DPaletteSeries::GetLegendItemColor(int index) const
{
    if (!LegendListsPalette()) return TCustom3DSeries::GetLegendItemColor(index);
    const int entry = LegendPaletteIndex(index);
    const bool inside = entry >= 0 && entry < static_cast<int>(palette_.size());
    if (useColorRange_ && inside) return RangeColorOf(palette_[static_cast<std::size_t>(entry)].UpToValue);
    if (usePalette_ && inside) return palette_[static_cast<std::size_t>(entry)].Color;
    return GetSeriesColor();
}

void TCustom3DPaletteSeries::BuildMarkText(int index, TLegendTextStyle style, std::string& text) const
{
    if (!LegendListsPalette()) {
        TCustom3DSeries::BuildMarkText(index, style, text);
        return;
    }
    text.clear();
    if (index < 0 || index >= GetPointCount()) return;
    const int entry = LegendPaletteIndex(index);
    if (entry < 0 || entry >= static_cast<int>(palette_.size())) return;
    const TGridPalette& item = palette_[static_cast<std::size_t>(entry)];
    const std::string value = FormatFloat(ValueFormat(), item.UpToValue);
    const std::string number = std::to_string(entry);
    const std::string sep(1, LegendColumnSeparator);
    switch (style) {
    case ltsPlain: text = item.Label; break;
    case ltsLeftValue:
    case ltsLeftPercent: text = value + sep + item.Label; break;
    case ltsRightValue:
    case ltsRightPercent: text = item.Label + sep + value; break;
    case ltsXValue: text = number; break;
    case ltsXAndValue:
    case ltsXAndPercent: text = number + sep + value; break;
    case ltsXAndText: text = number + sep + item.Label; break;
    case ltsValue:
    case ltsPercent: text = value; break;
    }
}

void TCustom3DPaletteSeries::PaintLegendSymbol(int index, const TRect& rect)
{
    TCustomAxisPanel* chart = ParentChart();
    if (index != -1 || !useColorRange_ || !chart) {
        TCustom3DSeries::PaintLegendSymbol(index, rect);
        return;
    }
    TCanvas3D& canvas = chart->Canvas();
    canvas.Brush().SetStyle(bsClear);
    canvas.RectangleRect(rect);
    TDuvGradient gradient;
    gradient.SetVisible(true);
    gradient.SetStartColor(endColor_);
    gradient.SetMidColor(midColor_);
    gradient.SetEndColor(startColor_);
    gradient.Draw(canvas, TRect{rect.Left + 1, rect.Top + 1, rect.Right - 1, rect.Bottom - 1});
}

// ---------------------------------------------------------------- gallery

void TCustom3DPaletteSeries::ListSubGalleryStyles(const TSubGalleryCallback& callback)
{
    TCustom3DSeries::ListSubGalleryStyles(callback);
    callback(DuvMsgSubColorRange);
}

void TCustom3DPaletteSeries::ApplySubGalleryStyle(int index)
{
    if (index != 1) {
        TCustom3DSeries::ApplySubGalleryStyle(index);
        return;
    }
    SetUseColorRange(true);
    SetUsePalette(false);
}

void TCustom3DPaletteSeries::GalleryPalette()
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) {
        SetPaletteStyle(psRainbow);
        return;
    }
    SetPaletteStyle(psCustom);
    std::vector<TColor> colors;
    for (int i = 0; i < paletteSteps_; ++i) colors.push_back(chart->ColorFromPalette(i));
    ApplyColorsToPalette(colors);
}

void TCustom3DPaletteSeries::SetGalleryLook()
{
    TCustom3DSeries::SetGalleryLook();
    SetUseColorRange(false);
    Pen().SetColor(clBlack);
    SetUsePalette(true);
    GalleryPalette();
}

void TCustom3DPaletteSeries::SetGalleryView3D(bool value)
{
    TCustomAxisPanel* chart = ParentChart();
    if (galleryView3D_ && chart) {
        chart->SetView3D(true);
        TView3DOptions& view = chart->View3DOptions();
        view.SetZoom(60);
        view.SetVertOffset(-2);
        view.SetRotation(value ? 335 : 0);
        view.SetElevation(value ? 340 : 270);
        view.SetPerspective(value ? 160 : 0);
    }
    GalleryPalette();
}

// ---------------------------------------------------------------- palette files

std::string PaletteFileText(const TCustom3DPaletteSeries& series)
{
    std::string text = "// " + DuvMsgFilterColor + " " + DuvMsgSubUpToValue + "\r\n";
    for (const TGridPalette& entry : series.Palette())
        text += std::to_string(entry.Color) + " " + FormatFloat(series.ValueFormat(), entry.UpToValue) + "\r\n";
    return text;
}

void SavePaletteToFile(const TCustom3DPaletteSeries* series, const std::string& fileName)
{
    WriteFileSafely(fileName, Utf8ToAnsi(PaletteFileText(*series)));
}

TCustom3DPalette ReadPaletteText(const std::string& text)
{
    TCustom3DPalette palette;
    const char thousands = FormatSettings().ThousandSeparator;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::string trimmed = Trim(line);
        const std::size_t blank = trimmed.find(' ');
        if (trimmed.rfind("//", 0) == 0 || blank == std::string::npos) continue;
        const TColor color = StrToInt(trimmed.substr(0, blank));
        // Values of 1000 and more are written with group separators.
        std::string number = Trim(trimmed.substr(blank + 1));
        if (thousands != FormatSettings().DecimalSeparator) std::erase(number, thousands);
        const double value = StrToFloat(number);
        const auto at = std::upper_bound(palette.begin(), palette.end(), value,
                                         [](double v, const TGridPalette& entry) { return v < entry.UpToValue; });
        palette.insert(at, TGridPalette{value, color, {}});
    }
    return palette;
}

void TCustom3DPaletteSeries::LoadPaletteFromFile(const std::string& fileName)
{
    std::ifstream file(fileName, std::ios::binary);
    if (!file) throw EFOpenError("Cannot open file \"" + fileName + "\"");
    std::ostringstream bytes;
    bytes << file.rdbuf();
    TCustom3DPalette palette = ReadPaletteText(AnsiToUtf8(bytes.str()));
    palette_ = std::move(palette);
    userColored_ = true;
    stale_ = false;
    PaletteChanged();
    RequestRepaint();
}

// ---------------------------------------------------------------- hidden palette

TSpecialChart::TSpecialChart(TCustomChartSeries* ownerSeries) : TCustomChart(nullptr), OwnerSeries(ownerSeries) {}

void TSpecialChart::Invalidate()
{
    if (OwnerSeries) OwnerSeries->RequestRepaint();
}

TSeriesColorPalette::TSeriesColorPalette(TCustomChartSeries* ownerSeries)
    : chart_(std::make_unique<TSpecialChart>(ownerSeries)), series_(new TPaletteSeries(chart_.get()))
{
    series_->SetParentChart(chart_.get());
}

TSeriesColorPalette::~TSeriesColorPalette() { FreeComponent(series_); }

void TSeriesColorPalette::DeclareProperties(TPropertyDeclarer<TSeriesColorPalette>& p)
{
    using P = TSeriesColorPalette;
    p.Color("EndColor", &P::EndColor, &P::SetEndColor).Default(0xFFFFFF);
    p.Integer("LegendEvery", &P::LegendEvery, &P::SetLegendEvery).Default(1);
    p.Color("MidColor", &P::MidColor, &P::SetMidColor).Default(clNone);
    p.Float("PaletteMin", &P::PaletteMin, &P::SetPaletteMin).Default(0.0);
    p.Float("PaletteStep", &P::PaletteStep, &P::SetPaletteStep).Default(0.0);
    p.Integer("PaletteSteps", &P::GetPaletteSteps, &P::SetPaletteSteps).Default(32);
    p.Enum("PaletteStyle", &P::PaletteStyle, &P::SetPaletteStyle).Default(psPale);
    p.Color("StartColor", &P::StartColor, &P::SetStartColor).Default(0x800000);
    p.Boolean("UseColorRange", &P::UseColorRange, &P::SetUseColorRange).Default(true);
    p.Boolean("UsePalette", &P::UsePalette, &P::SetUsePalette).Default(false);
    p.Boolean("UsePaletteMin", &P::UsePaletteMin, &P::SetUsePaletteMin).Default(false);
}

void TSeriesColorPalette::SetValueRange(TColor color, double first, double second)
{
    series_->SuspendUpdates();
    const TScopeGuard resume([this] { series_->ResumeUpdates(); });
    series_->ClearPoints();
    series_->AddXYZ(0, first, 0);
    series_->AddXYZ(0, second, 0);
    series_->SetSeriesColor(color);
    series_->PrepareToDraw();
}

void TSeriesColorPalette::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TSeriesColorPalette*>(source)) {
        series_->Assign(other->series_);
        series_->AssignFormat(other->series_);
        return;
    }
    TPersistent::Assign(source);
}

void DuvSurfaPaletteInitialization()
{
    RegisterClassForStreaming(TPaletteSeries::StaticClass());
}
