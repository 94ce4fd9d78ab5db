#pragma once
// The chart panel that holds series and axes. Only its place in the class tree exists so far:
// series and tools already point at the chart they belong to.
#include "chart/engine/DuvPanelExtended.h"

class TCustomAxisPanel : public TCustomDuvPanelExtended {
    QB_CLASS(TCustomAxisPanel, TCustomDuvPanelExtended)
public:
    explicit TCustomAxisPanel(TComponent* owner) : TCustomDuvPanelExtended(owner) {}

    // The deepest depth slot taken by the series in the current drawing pass.
    int MaxZOrder = 0;
};
