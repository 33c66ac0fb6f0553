// The scenery counters: the stand turns a tenth of a degree a frame, the floor discs turn in
// opposite directions, the backdrop drifts by a steady step, and long runs stay continuous
// across the period's restart instead of overflowing or freezing.
#include "render/scenery.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Degrees apart, modulo whole turns; texture s apart, modulo the texture's repeat.
double turnDistance(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return d > 180.0 ? 360.0 - d : d;
}
double shiftDistance(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 1.0);
    return d > 0.5 ? 1.0 - d : d;
}

TEST(SceneryCounters, FirstFrame) {
    sceneryCounters = SceneryCounters{};
    advanceScenery();
    EXPECT_EQ(sceneryTurn(standTurnRate), 0.1f);
    EXPECT_LT(sceneryTurn(lowerFloorTurnRate) * sceneryTurn(upperFloorTurnRate), 0.0f)
        << "the floor discs turn in opposite directions";
    EXPECT_FLOAT_EQ(backdropShift(), -0.0004f);
}

// Every frame, before and across the restarts: each angle is the frame count times its rate
// modulo whole turns, each backdrop step -0.0004 in s, and the counters stay small.
TEST(SceneryCounters, StepsStayExactAcrossThePeriodsRestart) {
    for (int32_t start : {0, turnPeriod - 3}) {
        sceneryCounters = SceneryCounters{start, start ? -719.98f : 0.0f};
        const double rates[] = {standTurnRate, lowerFloorTurnRate, upperFloorTurnRate};
        double before[3];
        for (int r = 0; r < 3; ++r)
            before[r] = sceneryTurn(rates[r]);
        float previousShift = backdropShift();
        for (int frame = 1; frame <= (start ? 6 : 2 * turnPeriod); ++frame) {
            advanceScenery();
            for (int r = 0; r < 3; ++r)
                ASSERT_LT(turnDistance(sceneryTurn(rates[r]), before[r] + frame * rates[r]), 0.01)
                    << "rate " << rates[r] << " frame " << frame << " from " << start;
            ASSERT_LT(shiftDistance(backdropShift(), previousShift - 0.0004), 2e-5) << frame;
            previousShift = backdropShift();
            ASSERT_GE(sceneryCounters.turnCounter, 1);
            ASSERT_LE(sceneryCounters.turnCounter, turnPeriod);
            ASSERT_GT(sceneryCounters.backdropScroll, -800.0f);
        }
    }
}

} // namespace
