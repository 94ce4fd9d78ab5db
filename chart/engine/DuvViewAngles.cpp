#include "chart/engine/DuvViewAngles.h"

#include <algorithm>

double NextRotationAngle(bool fullRotation, double delta, double angle)
{
    if (delta == 0) return angle;
    const double r = angle + delta;
    if (delta > 0) return r > 360 ? r - 360 : r;
    if (fullRotation) return std::max(r, 0.0);
    return r < 0 ? r + 360 : r;
}

double NextElevationAngle(bool fullRotation, double delta, double angle)
{
    if (delta == 0) return angle;
    if (delta > 0) return std::min(angle + delta, 360.0);
    return std::max(angle + delta, fullRotation ? 0.0 : 270.0);
}

double WrapAngle(double angle)
{
    if (angle > 360) return angle - 360;
    if (angle < 0) return angle + 360;
    return angle;
}
