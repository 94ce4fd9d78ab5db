#include "support_Svg.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPolygonF>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace svgjudge {
namespace {

std::optional<QColor> SvgColor(const QString& value)
{
    const QString v = value.trimmed();
    if (v.isEmpty() || v == "none") return std::nullopt;
    QColor c(v);
    if (!c.isValid()) return std::nullopt;
    return c;
}

QString StyleValue(const QString& style, const QString& key)
{
    for (const QString& part : style.split(';')) {
        const int colon = part.indexOf(':');
        if (colon > 0 && part.left(colon).trimmed() == key) return part.mid(colon + 1).trimmed();
    }
    return {};
}

std::vector<double> Numbers(const QString& text)
{
    std::vector<double> values;
    static const QRegularExpression number(R"(-?\d+(\.\d+)?(e-?\d+)?)");
    for (auto it = number.globalMatch(text); it.hasNext();) values.push_back(it.next().captured().toDouble());
    return values;
}

std::vector<QPointF> Pairs(const QString& text)
{
    const std::vector<double> v = Numbers(text);
    std::vector<QPointF> points;
    for (std::size_t i = 0; i + 1 < v.size(); i += 2) points.emplace_back(v[i], v[i + 1]);
    return points;
}

}  // namespace

std::vector<TSvgItem> ReadSvg(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
    QXmlStreamReader xml(&file);
    std::vector<TSvgItem> items;
    std::vector<QPointF> offsets{QPointF()};
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == QLatin1String("g")) offsets.pop_back();
        if (!xml.isStartElement()) continue;
        const QXmlStreamAttributes a = xml.attributes();
        const QString tag = xml.name().toString();
        const QString transform = a.value("transform").toString();
        if (tag == "g") {
            const std::vector<double> t = Numbers(transform);
            offsets.push_back(offsets.back() + (t.size() >= 2 ? QPointF(t[0], t[1]) : QPointF()));
            continue;
        }
        TSvgItem item;
        item.tag = tag;
        const QString style = a.value("style").toString();
        item.fill = SvgColor(a.hasAttribute("fill") ? a.value("fill").toString() : StyleValue(style, "fill"));
        item.stroke = SvgColor(a.hasAttribute("stroke") ? a.value("stroke").toString() : StyleValue(style, "stroke"));
        if (tag == "path") {
            item.points = Pairs(a.value("d").toString());
        } else if (tag == "polygon" || tag == "polyline") {
            item.points = Pairs(a.value("points").toString());
        } else if (tag == "ellipse") {
            const double cx = a.value("cx").toDouble(), cy = a.value("cy").toDouble();
            const double rx = a.value("rx").toDouble(), ry = a.value("ry").toDouble();
            item.points = {QPointF(cx - rx, cy - ry), QPointF(cx + rx, cy + ry)};
        } else if (tag == "text") {
            QPointF at(a.value("x").toDouble(), a.value("y").toDouble());
            const std::vector<double> m = Numbers(transform);
            if (m.size() == 6) at += QPointF(m[4], m[5]);
            item.points = {at};
            item.text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else {
            continue;
        }
        for (QPointF& p : item.points) p += offsets.back();
        items.push_back(item);
    }
    EXPECT_FALSE(xml.hasError()) << path << ": " << xml.errorString().toStdString();
    return items;
}

QRectF Bounds(const std::vector<QPointF>& points)
{
    QPolygonF polygon(QList<QPointF>(points.begin(), points.end()));
    return polygon.boundingRect();
}

}  // namespace svgjudge
