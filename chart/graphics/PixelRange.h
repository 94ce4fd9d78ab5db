#pragma once
// Pixel arithmetic that stays within int: screen positions of far values saturate at the ends of
// int, and sizes and margins read from files reach INT_MAX, so their sums need care.
#include <algorithm>
#include <climits>
#include <cstdint>

// value held within the int range.
inline int SaturatedInt(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

// Positions and sizes a figure is drawn or hit-tested with: +-2^28 pixels lie far beyond any
// screen or page, and a few of them add up within the int range.
constexpr int DrawingCoordinateLimit = 1 << 28;
inline int DrawingCoordinate(int value) { return std::clamp(value, -DrawingCoordinateLimit, DrawingCoordinateLimit); }
