#pragma once
// The panel services that work on windows and controls: window placements kept in the settings
// store, enabling and freeing controls, the screen, its cursor and the shell.
#include <string>
#include <vector>

#include <Qt>

#include "chart/graphics/DuvTypes.h"

class QWidget;

// Placement values "Left", "Top", "Width", "Height" and "Maximized" under key (relative to
// HKEY_CURRENT_USER). Loading keeps the window on the screen; a missing key changes nothing.
void LoadFormPlacement(QWidget* form, const std::string& key, bool withPosition, bool withSize);
void SaveFormPlacement(QWidget* form, const std::string& key, bool withPosition, bool withSize);

void SetControlsEnabled(bool enabled, const std::vector<QWidget*>& controls);  // nulls are passed over
void FreeChildControls(QWidget* control);

TSize GetScreenExtent();
// The cursor of every window of the program; Qt::ArrowCursor gives each its own back.
void ChangeScreenCursor(Qt::CursorShape cursor);
TPoint MousePosInControl(const QWidget* control);
// Opens a document (a file path) or an address with the desktop's handler; false when none took it.
bool OpenWithShell(QWidget* window, const std::string& documentOrAddress);
