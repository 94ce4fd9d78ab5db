#pragma once
// The colour panel of the regression windows: a button painted in the colour of the lines the
// window draws; clicking it picks another colour.
#include "platform/core/Colors.h"

class QPushButton;

void ShowPanelColor(QPushButton* panel, TColor colour);
// The colour dialog preset with colour; on OK colour and the panel take the choice.
void PickPanelColor(QPushButton* panel, TColor& colour);
