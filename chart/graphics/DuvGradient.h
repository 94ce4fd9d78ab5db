#pragma once
// Gradient fill of a brush: what the brushes, pens and fonts rely on (visibility, change
// notification, copying). Colour stops, directions and drawing come with the gradient painter.
#include "platform/core/Component.h"
#include "platform/core/Events.h"
#include "platform/core/Properties.h"

class TCustomDuvGradient : public TPersistent {
    QB_CLASS(TCustomDuvGradient, TPersistent)
public:
    explicit TCustomDuvGradient(TChangeHandler changed = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TCustomDuvGradient>& p);

    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    void Assign(const TPersistent* source) override;

    TChangeHandler OnChange;

protected:
    void Changed();

private:
    bool visible_ = false;
};

class TDuvGradient : public TCustomDuvGradient {
    QB_CLASS(TDuvGradient, TCustomDuvGradient)
public:
    explicit TDuvGradient(TChangeHandler changed = nullptr) : TCustomDuvGradient(std::move(changed)) {}
};
