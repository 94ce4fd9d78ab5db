#include "stats/ColorPanel.h"

#include <QPushButton>
#include <cstdint>

#include "chart/graphics/CanvasHelpers.h"
#include "platform/ui/UiServices.h"

void ShowPanelColor(QPushButton* panel, TColor colour)
{
    panel->setStyleSheet(QString("background-color: %1").arg(ToQColor(colour).name()));
}

void PickPanelColor(QPushButton* panel, TColor& colour)
{
    std::uint32_t chosen = static_cast<std::uint32_t>(colour);
    if (!UiServices().ColorDialog(chosen)) return;
    colour = static_cast<TColor>(chosen);
    ShowPanelColor(panel, colour);
}
