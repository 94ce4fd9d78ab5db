#pragma once
// Reading the SVG that the outside metafile readers (emf2svg-conv, wmf2svg) write, so tests can
// check where shapes and texts of a metafile landed.
#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <optional>
#include <string>
#include <vector>

namespace svgjudge {

struct TSvgItem {
    QString tag;
    std::optional<QColor> fill, stroke;
    std::vector<QPointF> points;  // outline points; an ellipse gives its box corners
    QString text;
};

// The shapes and texts of an SVG as the two judges write them (attributes or a style, group
// translations, text placed by x/y or by a matrix).
std::vector<TSvgItem> ReadSvg(const std::string& path);
QRectF Bounds(const std::vector<QPointF>& points);

}  // namespace svgjudge
