#include "stats/ColorPanel.h"

#include <QPushButton>
#include <cstdint>

#include "chart/engine/DuvPanel.h"
#include "chart/graphics/CanvasHelpers.h"
#include "platform/ui/UiServices.h"

bool EditColor(TColor& colour)
{
    auto chosen = static_cast<std::uint32_t>(PanelColorToRGB(colour));
    if (!UiServices().ColorDialog(chosen)) return false;
    colour = static_cast<TColor>(chosen);
    return true;
}

void ShowPanelColor(QPushButton* panel, TColor colour)
{
    panel->setStyleSheet(QString("background-color: %1").arg(ToQColor(colour).name()));
}

void PickPanelColor(QPushButton* panel, TColor& colour)
{
    if (EditColor(colour)) ShowPanelColor(panel, colour);
}
