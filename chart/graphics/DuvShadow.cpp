#include "chart/graphics/DuvShadow.h"

#include <algorithm>
#include <cstdlib>

TDuvShadow::TDuvShadow(TChangeHandler changed)
{
    SetDefaultValues(true, clSilver, 0);
    OnChange = std::move(changed);
}

void TDuvShadow::DeclareProperties(TPropertyDeclarer<TDuvShadow>& p)
{
    p.Boolean("Clip", &TDuvShadow::Clip, &TDuvShadow::SetClip).Default(false);
    p.Color("Color", &TDuvShadow::Color, &TDuvShadow::SetColor).Stored(&TDuvShadow::IsColorStored);
    p.Integer("HorizSize", &TDuvShadow::HorizSize, &TDuvShadow::SetHorizSize).Stored(&TDuvShadow::IsHorizSizeStored);
    p.Boolean("Smooth", &TDuvShadow::Smooth, &TDuvShadow::SetSmooth).Default(true);
    p.Integer("SmoothBlur", &TDuvShadow::SmoothBlur, &TDuvShadow::SetSmoothBlur).Default(0);
    p.Integer("Transparency", &TDuvShadow::Transparency, &TDuvShadow::SetTransparency).Default(50);
    p.Integer("VertSize", &TDuvShadow::VertSize, &TDuvShadow::SetVertSize).Stored(&TDuvShadow::IsVertSizeStored);
    p.Boolean("Visible", &TDuvShadow::Visible, &TDuvShadow::SetVisible).Stored(&TDuvShadow::IsVisibleStored);
}

void TDuvShadow::Changed()
{
    if (OnChange) OnChange(this);
}

void TDuvShadow::SetClip(bool value)
{
    if (SetIfChanged(clip_, value)) Changed();
}

void TDuvShadow::SetColor(TColor value)
{
    if (SetIfChanged(color_, value)) Changed();
}

void TDuvShadow::SetHorizSize(int value)
{
    if (SetIfChanged(horizSize_, value)) Changed();
}

void TDuvShadow::SetSmooth(bool value)
{
    if (SetIfChanged(smooth_, value)) Changed();
}

void TDuvShadow::SetSmoothBlur(int value)
{
    if (SetIfChanged(smoothBlur_, value)) Changed();
}

void TDuvShadow::SetTransparency(int value)
{
    if (SetIfChanged(transparency_, std::clamp(value, 0, 100))) Changed();
}

void TDuvShadow::SetVertSize(int value)
{
    if (SetIfChanged(vertSize_, value)) Changed();
}

void TDuvShadow::SetVisible(bool value)
{
    if (SetIfChanged(visible_, value)) Changed();
}

void TDuvShadow::SetSize(int value)
{
    SetHorizSize(value);
    SetVertSize(value);
}

int TDuvShadow::GetSize() const { return std::max(std::abs(horizSize_), std::abs(vertSize_)); }

bool TDuvShadow::IsActive() const { return visible_ && (horizSize_ != 0 || vertSize_ != 0); }

void TDuvShadow::SetDefaultValues(bool visible, TColor color, int size)
{
    visible_ = defaultVisible_ = visible;
    color_ = defaultColor_ = color;
    horizSize_ = vertSize_ = defaultSize_ = size;
}

void TDuvShadow::InitVisible(bool value) { visible_ = defaultVisible_ = value; }

void TDuvShadow::Assign(const TPersistent* source)
{
    auto* shadow = dynamic_cast<const TDuvShadow*>(source);
    if (!shadow) return TPersistent::Assign(source);
    clip_ = shadow->clip_;
    color_ = shadow->color_;
    horizSize_ = shadow->horizSize_;
    smooth_ = shadow->smooth_;
    smoothBlur_ = shadow->smoothBlur_;
    transparency_ = shadow->transparency_;
    vertSize_ = shadow->vertSize_;
    visible_ = shadow->visible_;
}

TDuvEmboss::TDuvEmboss(TChangeHandler changed) : TDuvShadow(std::move(changed)) { InitVisible(false); }
