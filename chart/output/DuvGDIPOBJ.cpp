#include "chart/output/DuvGDIPOBJ.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>

bool GDIPlusSwitchedOff = false;

namespace {
// 0 not probed, 1 a painter starts on an alpha image, 2 it does not.
int probe = 0;
}  // namespace

bool StartGDIPlus()
{
    if (probe == 0) {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        QPainter painter;
        probe = !image.isNull() && painter.begin(&image) ? 1 : 2;
    }
    return probe == 1;
}

bool GDIPlusAvailable() { return StartGDIPlus() && !GDIPlusSwitchedOff; }

bool FontFamilyKnown(const std::string& name)
{
    const QString family = QString::fromStdString(name);
    // The font database needs the GUI application; without one no family is known.
    if (family.isEmpty() || !qGuiApp) return false;
    if (QFontDatabase::hasFamily(family)) return true;
    const QStringList substitutes = QFont::substitutes(family);
    return std::any_of(substitutes.begin(), substitutes.end(), [](const QString& s) { return QFontDatabase::hasFamily(s); });
}

QFont CreateFontByName(const std::string& name, double pointSize, int styleBits)
{
    QFont font;
    if (FontFamilyKnown(name)) {
        font.setFamily(QString::fromStdString(name));
    } else {
        font.setFamily(QStringLiteral("sans-serif"));
        font.setStyleHint(QFont::SansSerif);
    }
    font.setPointSizeF(std::max(pointSize, 0.1));
    font.setBold((styleBits & 1) != 0);
    font.setItalic((styleBits & 2) != 0);
    font.setUnderline((styleBits & 4) != 0);
    font.setStrikeOut((styleBits & 8) != 0);
    return font;
}

TGPStatus SetPresetBlend(QGradient& gradient, const std::vector<QColor>& colors, const std::vector<double>& positions)
{
    if (colors.empty() || colors.size() != positions.size()) return gpInvalidParameter;
    QGradientStops stops;
    stops.reserve(static_cast<qsizetype>(colors.size()));
    for (std::size_t i = 0; i < colors.size(); ++i) stops.append({std::clamp(positions[i], 0.0, 1.0), colors[i]});
    // The painter wants positions in order; equal positions keep their given order.
    std::stable_sort(stops.begin(), stops.end(), [](const QGradientStop& a, const QGradientStop& b) { return a.first < b.first; });
    gradient.setStops(stops);
    return gpOk;
}
