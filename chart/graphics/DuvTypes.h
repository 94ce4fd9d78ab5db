#pragma once
// Point, rectangle and value types of the chart canvas.
#include <cstdint>
#include <vector>

#include "platform/core/Colors.h"

struct TPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    bool operator==(const TPoint&) const = default;
};

struct TSize {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    bool operator==(const TSize&) const = default;
};

struct TRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    bool operator==(const TRect&) const = default;
    std::int32_t Width() const { return Right - Left; }
    std::int32_t Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
};

struct TPointFloat {
    float X = 0;
    float Y = 0;
    bool operator==(const TPointFloat&) const = default;
};

// Four Singles in the order of TRect.
struct TFloatRect {
    float Left = 0;
    float Top = 0;
    float Right = 0;
    float Bottom = 0;
    bool operator==(const TFloatRect&) const = default;
};

struct TPoint3D {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::int32_t Z = 0;
    bool operator==(const TPoint3D&) const = default;
};

struct TPoint3DFloat {
    float X = 0;
    float Y = 0;
    float Z = 0;
    bool operator==(const TPoint3DFloat&) const = default;
};

using TPointArray = std::vector<TPoint>;
using TPointFloatArray = std::vector<TPointFloat>;

// A transparency percentage, 0 opaque .. 100 invisible.
using TDuvTransparency = std::uint8_t;

enum TCanvasStretchQuality : std::uint8_t { sqHigh, sqLow };

// Background modes and text alignment flags of the device.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr int TA_LEFT = 0;
constexpr int TA_TOP = 0;
constexpr int TA_RIGHT = 2;
constexpr int TA_CENTER = 6;
constexpr int TA_BOTTOM = 8;
constexpr int TA_BASELINE = 24;
