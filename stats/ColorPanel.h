#pragma once
// The colour panel of the regression windows: a button painted in the colour of the lines the
// window draws; clicking it picks another colour. Also the colour dialog every statistics window
// uses.
#include "platform/core/Colors.h"

class QPushButton;

// The colour dialog preset with the colour as it shows (a system colour as the desktop paints
// it, no colour as black); true on OK, with colour the choice.
bool EditColor(TColor& colour);

void ShowPanelColor(QPushButton* panel, TColor colour);
// The colour dialog preset with colour; on OK colour and the panel take the choice.
void PickPanelColor(QPushButton* panel, TColor& colour);
