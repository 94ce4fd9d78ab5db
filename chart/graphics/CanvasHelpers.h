#pragma once
// Small stateless routines for points, rectangles, polygons and colours that the canvases and
// the whole chart code share.
#include <QColor>
#include <cstdint>

#include "chart/graphics/DuvTypes.h"

class QImage;

TPoint PointOf(int x, int y);
void OffsetPoint(TPoint& point, int amount);
TRect MakeRect(int left, int top, int right, int bottom);
TRect RectFromSize(int width, int height);
TRect OrientRect(const TRect& rect);
TRect OrientRectValues(int x0, int y0, int x1, int y1);
void RectSize(const TRect& rect, int& width, int& height);
void RectCenter(const TRect& rect, int& x, int& y);
TPoint RectCenterPoint(const TRect& rect);
void InflateRectBy(TRect& rect, int dx, int dy);
void InflateFloatRect(TFloatRect& rect, float dx, float dy);
// Edges count as inside.
bool PointInRect(const TRect& rect, int x, int y);
bool PointInRectP(const TRect& rect, const TPoint& point);
bool PointInFloatRect(const TFloatRect& rect, int x, int y);

// Bounds of n points; Right and Bottom one past the extreme point.
TRect PolygonBounds(const TPoint* points, int count);
TRect TriangleBounds(const TPoint& p0, const TPoint& p1, const TPoint& p2);
// Bounds of points 0..high; (0, 0, 0, 0) when high < 0.
TRect PolygonBoundsOrEmpty(const TPointArray& points, int high);
TFloatRect FloatPolygonBounds(const TPointFloatArray& points, int high);
// Even-odd rule.
bool PointInPolygon(const TPoint& point, const TPointArray& polygon);
bool PolygonInsidePolygon(const TPointArray& inner, int high, const TPointArray& outer);
// Area-weighted centroid; one point gives itself, two their midpoint, no area (0, 0).
TPointFloat PolygonCentroid(const TPointArray& points);

// Each of red, green and blue reduced by amount (floored at 0) or raised (capped at 255);
// the top byte becomes 0.
TColor DarkenColor(TColor color, std::uint8_t amount);
TColor LightenColor(TColor color, std::uint8_t amount);
std::uint32_t ColorFromBytes(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3);
// Blue, green and red, the order of a scan line.
void ColorToRGBTriple(TColor color, std::uint8_t& blue, std::uint8_t& green, std::uint8_t& red);

// A colour of the chart (red in the low byte; system colours resolved) as a Qt colour.
QColor ToQColor(TColor color);
// The chart colour of a pixel value.
TColor FromQRgb(QRgb rgb);

// Resizes only when the size differs.
void SetBitmapSize(QImage& bitmap, int width, int height);
// Stamps the resolution in pixels per metre, both directions.
void SetBitmapResolution(QImage& bitmap, int dotsPerInch);
