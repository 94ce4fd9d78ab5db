#include "chart/graphics/DuvFont.h"

#include <QLocale>
#include <cmath>

#include "chart/graphics/DuvBrush.h"
#include "chart/graphics/DuvConst.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvPicture.h"
#include "chart/graphics/DuvPen.h"
#include "chart/graphics/DuvShadow.h"
#include "platform/core/NumText.h"

std::string DefaultFontName = "Arial";
int DefaultFontSize = 8;

void InitDefaultFont()
{
    DefaultFontName = DuvMsgDefaultFontName;
    DefaultFontSize = StrToInt(DuvMsgDefaultFontSize);
    if (QLocale::system().language() != QLocale::Japanese) return;
    if (DefaultFontSize == 8) DefaultFontSize = 9;
    if (DefaultFontName == "Arial") DefaultFontName = "\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF";
}

TDuvFont::TDuvFont(TChangeHandler changed) : brush_(std::make_unique<TDuvBrush>())
{
    InitColor(clBlack);
    SetCharset(DEFAULT_CHARSET);
    SetSize(DefaultFontSize);
    SetName(DefaultFontName);
    brush_->OnChange = changed;
    OnChange = std::move(changed);
}

TDuvFont::~TDuvFont() = default;

void TDuvFont::DeclareProperties(TPropertyDeclarer<TDuvFont>& p)
{
    p.Integer("Height", &TFont::Height, &TFont::SetHeight).Stored(&TDuvFont::IsHeightStored);
    p.Color("Color", &TFont::Color, &TFont::SetColor).Stored(&TDuvFont::IsColorStored);
    p.String("Name", &TFont::Name, &TFont::SetName).Stored(&TDuvFont::IsNameStored);
    p.Float("SizeFloat", &TDuvFont::GetSizeFloat, &TDuvFont::SetSizeFloat).Stored(&TDuvFont::IsSizeFloatStored);
    p.Object("Brush", &TDuvFont::Brush, &TDuvFont::SetBrush);
    p.Float("Depth", &TDuvFont::Depth, &TDuvFont::SetDepth).Stored(&TDuvFont::IsDepthStored);
    p.Object("Emboss", &TDuvFont::GetEmboss, &TDuvFont::SetEmboss).Peek(&TDuvFont::PeekEmboss);
    p.Object("Gradient", &TDuvFont::GetGradient, &TDuvFont::SetGradient).NotStored();
    p.Integer("InterCharSize", &TDuvFont::InterCharSize, &TDuvFont::SetInterCharSize).Default(0);
    p.Object("OutLine", &TDuvFont::GetOutLine, &TDuvFont::SetOutLine).Peek(&TDuvFont::PeekOutLine);
    p.Object("Picture", &TDuvFont::GetPicture, &TDuvFont::SetPicture).NotStored();
    p.Enum("Quality", &TDuvFont::Quality, &TDuvFont::SetQuality).Default(fqDefault);
    p.Object("Shadow", &TDuvFont::GetShadow, &TDuvFont::SetShadow).Peek(&TDuvFont::PeekShadow);
    p.Set("Style", &TFont::Style, &TFont::SetStyle).Stored(&TDuvFont::IsStyleStored);
}

template <class F>
void TDuvFont::Quietly(F action)
{
    TChangeHandler saved = std::move(OnChange);
    OnChange = nullptr;
    action();
    OnChange = std::move(saved);
}

void TDuvFont::SetBrush(const TDuvBrush* value) { brush_->Assign(value); }

void TDuvFont::SetDepth(double value)
{
    if (SetIfChanged(depth_, value)) Changed();
}

void TDuvFont::SetInterCharSize(int value)
{
    if (SetIfChanged(interCharSize_, value)) Changed();
}

void TDuvFont::SetQuality(TFontQuality value)
{
    if (SetIfChanged(quality_, value)) Changed();
}

float TDuvFont::GetSizeFloat() const { return static_cast<float>(Size()) + sizeDecimals_; }

void TDuvFont::SetSizeFloat(float value)
{
    if (value == GetSizeFloat()) return;
    const float whole = std::floor(value);
    sizeDecimals_ = value - whole;
    SetSize(static_cast<int>(whole));
}

TDuvHiddenPen* TDuvFont::GetOutLine()
{
    if (!outLine_) outLine_ = std::make_unique<TDuvHiddenPen>(OnChange);
    return outLine_.get();
}

TDuvShadow* TDuvFont::GetShadow()
{
    if (!shadow_) shadow_ = std::make_unique<TDuvShadow>(OnChange);
    return shadow_.get();
}

TDuvEmboss* TDuvFont::GetEmboss()
{
    if (!emboss_) emboss_ = std::make_unique<TDuvEmboss>(OnChange);
    return emboss_.get();
}

namespace {
// None frees the sub-object; a value is copied into it (made first).
template <class Owned, class Value, class Make>
void CopyOrFree(std::unique_ptr<Owned>& held, const Value* value, Make make)
{
    if (!value) {
        held.reset();
        return;
    }
    make()->Assign(value);
}
}  // namespace

void TDuvFont::SetOutLine(const TDuvHiddenPen* value)
{
    CopyOrFree(outLine_, value, [this] { return GetOutLine(); });
}

void TDuvFont::SetShadow(const TDuvShadow* value)
{
    CopyOrFree(shadow_, value, [this] { return GetShadow(); });
}

void TDuvFont::SetEmboss(const TDuvEmboss* value)
{
    CopyOrFree(emboss_, value, [this] { return GetEmboss(); });
}

TDuvGradient* TDuvFont::GetGradient() { return brush_->GetGradient(); }

void TDuvFont::SetGradient(const TDuvGradient* value) { brush_->SetGradient(value); }

TDuvPicture* TDuvFont::GetPicture() { return brush_->GetImage(); }

void TDuvFont::SetPicture(const TDuvPicture* value) { brush_->SetImage(value); }

void TDuvFont::InitColor(TColor value)
{
    brush_->InitColor(value);
    Quietly([&] { SetColor(value); });
    defaultColor_ = value;
}

void TDuvFont::InitStyle(TFontStyles value)
{
    Quietly([&] { SetStyle(value); });
    defaultStyle_ = value;
}

void TDuvFont::Assign(const TPersistent* source)
{
    if (auto* font = dynamic_cast<const TDuvFont*>(source)) {
        brush_->Assign(font->Brush());
        depth_ = font->depth_;
        SetEmboss(font->PeekEmboss());
        interCharSize_ = font->interCharSize_;
        SetOutLine(font->PeekOutLine());
        quality_ = font->quality_;
        SetShadow(font->PeekShadow());
        sizeDecimals_ = font->sizeDecimals_;
    }
    TFont::Assign(source);
}
