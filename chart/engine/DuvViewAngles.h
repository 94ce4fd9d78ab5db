#pragma once
// How a mouse drag turns a chart's 3D view: the rotation and elevation steps shared by the
// chart toolbar's rotate mode and the rotate tool. Angles are degrees.

// delta 0 keeps the angle; a turn forward wraps past 360; a turn back stops at 0 with full
// rotation, else wraps below 0.
double NextRotationAngle(bool fullRotation, double delta, double angle);
// delta 0 keeps the angle; upward stops at 360; downward stops at 0 with full rotation, else at 270
// (a canvas that cannot turn freely shows the chart only from above).
double NextElevationAngle(bool fullRotation, double delta, double angle);
// One turn back above 360, one forward below 0.
double WrapAngle(double angle);
