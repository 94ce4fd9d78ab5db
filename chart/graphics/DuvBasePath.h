#pragma once
// A figure outline that a canvas hands out (CreatePath) and draws filled and outlined.
#include "chart/graphics/DuvTypes.h"

class TDuvCanvas;

class TDuvBasePath {
public:
    virtual ~TDuvBasePath() = default;
    // Arc of the ellipse in the box (x, y, width, height), angles in degrees.
    virtual void AddArc(float x, float y, float width, float height, float startAngle, float sweepAngle) = 0;
    virtual void CloseFigure() = 0;
    virtual void AddPoints(const TPointArray& points, int last, bool closed) = 0;
    virtual void Draw(TDuvCanvas& canvas) = 0;
    virtual void LineTo(float x, float y) = 0;
    virtual void MoveTo(float x, float y) = 0;
};
