#pragma once
// How the program's windows meet the desktop: each opens whole on the screen that holds its owner
// and wide enough for its caption, and the small viewer windows close with Escape as dialogs do.
#include <QMargins>
#include <QRect>
#include <QString>

class QWidget;

// The width a window needs so that the desktop's title bar shows its whole caption beside the
// window's icon and buttons (the title bar's font and buttons are the window manager's; this is a
// generous estimate).
int CaptionWidth(const QString& caption);

// The frame moved (and cut down to the area's size where it is larger) so that it lies in area.
QRect FitIntoArea(const QRect& frame, const QRect& area);

// From now on, every time the window shows it is widened to CaptionWidth and kept inside the
// available area of its owner's screen (the screen of its parent window, else of the main form).
// A window that the window manager places itself only gets a size that fits.
void KeepOnScreen(QWidget* window);

// Escape closes the window.
void CloseOnEscape(QWidget* window);
