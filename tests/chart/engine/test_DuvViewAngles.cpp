// The rotation and elevation steps of a mouse drag, shared by the chart toolbar and the rotate tool.
#include <gtest/gtest.h>

#include "chart/engine/DuvViewAngles.h"

TEST(ViewAnglesTest, RotationWrapsOrStopsAndElevationStaysInItsRange)
{
    struct Case {
        const char* name;
        bool full;
        double delta, angle;
        double rotation, elevation;
    };
    const Case cases[] = {
        {"no delta keeps both", false, 0, 123, 123, 123},
        {"forward within the turn", false, 10, 100, 110, 110},
        {"forward past 360 wraps; elevation stops at 360", false, 5, 358, 3, 360},
        {"back below 0 wraps; elevation stops at 270", false, -5, 2, 357, 270},
        {"back within the turn", false, -30, 330, 300, 300},
        {"full rotation: back stops at 0 for both", true, -5, 2, 0, 0},
        {"full rotation: elevation may go below 270", true, -100, 300, 200, 200},
        {"full rotation: forward past 360 still wraps the rotation", true, 20, 350, 10, 360},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_DOUBLE_EQ(NextRotationAngle(c.full, c.delta, c.angle), c.rotation);
        EXPECT_DOUBLE_EQ(NextElevationAngle(c.full, c.delta, c.angle), c.elevation);
    }
    EXPECT_DOUBLE_EQ(WrapAngle(370), 10);
    EXPECT_DOUBLE_EQ(WrapAngle(-10), 350);
    EXPECT_DOUBLE_EQ(WrapAngle(360), 360);
}
