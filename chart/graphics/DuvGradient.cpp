#include "chart/graphics/DuvGradient.h"

TCustomDuvGradient::TCustomDuvGradient(TChangeHandler changed) : OnChange(std::move(changed)) {}

void TCustomDuvGradient::DeclareProperties(TPropertyDeclarer<TCustomDuvGradient>& p)
{
    p.Boolean("Visible", &TCustomDuvGradient::Visible, &TCustomDuvGradient::SetVisible).Default(false);
}

void TCustomDuvGradient::Changed()
{
    if (OnChange) OnChange(this);
}

void TCustomDuvGradient::SetVisible(bool value)
{
    if (SetIfChanged(visible_, value)) Changed();
}

void TCustomDuvGradient::Assign(const TPersistent* source)
{
    auto* gradient = dynamic_cast<const TCustomDuvGradient*>(source);
    if (!gradient) return TPersistent::Assign(source);
    visible_ = gradient->visible_;
}
