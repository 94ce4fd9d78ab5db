#pragma once
// The input and placement vocabulary of the class library's controls, shared by models that
// answer mouse and keys without being widgets themselves (chart panels) and by the widgets
// that forward those events to them.
#include "platform/core/Properties.h"

QB_ENUM(TMouseButton, mbLeft, mbRight, mbMiddle)
QB_ENUM(TShiftStateItem, ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble)
using TShiftState = TSet<TShiftStateItem>;
QB_ENUM(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom)
QB_ENUM(TAnchorKind, akLeft, akTop, akRight, akBottom)
QB_ENUM(TAlignment, taLeftJustify, taRightJustify, taCenter)
using TAnchors = TSet<TAnchorKind>;

// Screen cursors by number; the program's own cursors have positive numbers.
using TCursor = int;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crUpArrow = -10;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crNoDrop = -13;
inline constexpr TCursor crHSplit = -14;
inline constexpr TCursor crVSplit = -15;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;

// Key codes of the keys charts answer.
inline constexpr int VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11,
                     VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23,
                     VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28,
                     VK_INSERT = 0x2D, VK_DELETE = 0x2E;
