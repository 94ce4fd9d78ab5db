#pragma once
// What stands in for the smooth-drawing library: QPainter, antialiased, on 32-bit images with
// alpha. Nothing is loaded; what is left of the library's start is one probe per process of
// whether a painter starts on such an image, and a switch that makes the probe answer False so
// that the panels' fall back to the plain canvas can be tried. Also the font lookup by name
// with its fall back, and the rule of colour-stop lists (preset blends).
#include <QColor>
#include <QFont>
#include <QGradient>
#include <string>
#include <vector>

// The status values the drawing calls answer with (the library's own numbers).
enum TGPStatus { gpOk = 0, gpInvalidParameter = 2, gpOutOfMemory = 3, gpNotInitialized = 18 };

// The first call probes once; later calls answer the same.
bool StartGDIPlus();
// The probe succeeded and no test has switched the drawing off.
bool GDIPlusAvailable();
// For tests: True makes GDIPlusAvailable answer False from now on.
extern bool GDIPlusSwitchedOff;

// A font of that family when the system (or the program's own fonts) has it, else the generic
// sans-serif face; size in points, style bits bold 1, italic 2, underline 4, strike-out 8.
QFont CreateFontByName(const std::string& name, double pointSize, int styleBits);
// The family is known here, by itself or by the substitute the program registered for it
// (nothing is known without the GUI application).
bool FontFamilyKnown(const std::string& name);

// Hands the colours and positions to the gradient; fewer than one stop (or lists of different
// length) are refused with gpInvalidParameter and the gradient stays as it was.
TGPStatus SetPresetBlend(QGradient& gradient, const std::vector<QColor>& colors, const std::vector<double>& positions);
