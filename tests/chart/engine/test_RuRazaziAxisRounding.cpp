// Pixel rounding of the linear conversions: the batch form and the single form agree with
// rounding halves to even, whichever conversion the axis uses.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/RuRazaziAxis.h"
#include "support_ChartEngine.h"

namespace {

class AxisRoundingTest : public testing::Test {
protected:
    void SetUp() override
    {
        enginetest::StartChartModules();
        chart.ChartRect = {100, 50, 500, 350};
        chart.ChartWidth = 400;
        chart.ChartHeight = 300;
    }
    TCustomAxisPanel chart{nullptr};
};

TEST_F(AxisRoundingTest, BatchAndSingleConversionsRoundHalvesToEven)
{
    std::vector<double> values{0.5, 1.5, 2.5, -0.5, -1.5, -2.5, 199.5, 200.5, 0.49999999999999994, -0.0};
    std::mt19937 random(3);
    std::uniform_real_distribution<double> any(-1e6, 1e6);
    for (int i = 0; i < 200; ++i) values.push_back(any(random));
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    for (double special : {nan, inf, -inf, 1e300, -1e300, 4e15, -4e15}) values.push_back(special);

    struct TCase {
        const char* name;
        bool fast, clamp;
    };
    for (const TCase& c : {TCase{"guarded", false, false}, TCase{"guarded and clamped", false, true}, TCase{"fast", true, false}}) {
        SCOPED_TRACE(c.name);
        chart.AxesList().SetFastCalculation(c.fast);
        TChartAxis& bottom = *chart.BottomAxis();
        bottom.SetRange(0, 400);
        bottom.ClampPositions = c.clamp;
        bottom.UpdateInternalRange();
        bottom.CalcPixelRange();
        std::vector<int> pixels(values.size());
        bottom.CalcPosValues(values.data(), pixels.data(), values.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            const double v = values[i];
            double expected = v != v ? 100 : 100 + std::nearbyint(v);
            if (c.clamp) expected = std::clamp(expected, -double(AxisPixelClampLimit), double(AxisPixelClampLimit));
            expected = std::clamp(expected, double(INT_MIN), double(INT_MAX));
            EXPECT_EQ(pixels[i], static_cast<int>(expected)) << v;
            EXPECT_EQ(bottom.CalcPosValue(v), pixels[i]) << v;
        }
    }
}

}  // namespace
