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
// available area of its owner's screen (the owner ShowOwned gave it, else its parent window,
// else the main form). A window nobody placed opens over its owner, moved down and right when it
// would cover the owner's title bar, so the owner can still be raised; a place it already has is
// kept as far as it lies on that screen.
void KeepOnScreen(QWidget* window);

// Shows a window that another window's command opens, and brings it to the front, above its
// owner: it stays on top while its owner does (a window of the normal layer would open beneath
// one that stays on top), and it is the owner's transient window, which window managers keep
// above the owner where the window is a dialog. Placement as KeepOnScreen says.
void ShowOwned(QWidget* window, QWidget* owner);
// The window ShowOwned last gave it; none when it has none or that window is gone.
QWidget* WindowOwner(const QWidget* window);
// Readies a modal box before it runs: kept on the screen, and on top when a window of the program
// that stays on top is showing, since the box would otherwise open beneath that window.
void PrepareModal(QWidget* box);

// Escape closes the window.
void CloseOnEscape(QWidget* window);
