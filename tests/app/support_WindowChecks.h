#pragma once
// Checks of a window as the user sees it: its texts fit their controls, it is wide enough for its
// caption and lies on the screen, and a window opened from another stands above that owner.
#include <QWidget>
#include <string>
#include <vector>

namespace qbtest {

// "QLabel(LblName)"
std::string Describe(const QWidget* widget);
// Every label, button, check box and group caption that does not fit, a caption wider than the
// window, and a frame outside the screen's available area; empty when all is well.
std::vector<std::string> LayoutFaults(QWidget* window);
// A window that covers its owner's title bar (a click there could not raise the owner), and one
// given an owner that is not the owner's transient window or opens beneath an owner that stays
// on top.
std::vector<std::string> StackingFaults(QWidget* window, QWidget* owner);

}  // namespace qbtest
