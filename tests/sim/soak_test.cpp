// Long runs through every pattern and touching mode: the swing stays bounded at every frame
// time and never dies away.
#include "tests/sim/sim_testing.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(SwingSoak, EveryPatternAndModeStaysBoundedAndKeepsSwinging) {
    const double widest = stringLength * std::sin(1.0);
    long steps = 0;
    for (int launch = 0; launch < 30; ++launch) {
        const LaunchPattern n = launch % patternCount + 1;
        const TouchMode mode = TouchMode(launch / patternCount);
        clearBallTable();
        setLaunchSettings(onlyPattern(n), mode);
        seedRandom(uint32_t(launch) * 7919u);
        launchFirstPattern();
        int raised = 0;
        for (const BallState& b : ballTable.balls)
            raised += b.angle != 0.0;
        double leftmost = 0.0, rightmost = 0.0;
        for (int i = 0; i < 300000; ++i, ++steps) {
            stepSwing((steps % 4001) * 1e-5); // 0 to 40 ms in 10 us steps, ends included
            int moving = 0;
            for (const BallState& b : ballTable.balls) {
                moving += b.time != 0.0;
                ASSERT_TRUE(std::isfinite(b.time) && std::fabs(b.angle) <= 1.0 &&
                            std::fabs(b.x) <= widest + 1e-12 && b.contacts == 0.0)
                    << "pattern " << n << " step " << i;
            }
            ASSERT_EQ(moving, raised) << "pattern " << n << " mode " << int(mode) << " step " << i;
            if (i >= 300000 - 400) {
                leftmost = std::fmin(leftmost, ballTable.balls[0].x);
                rightmost = std::fmax(rightmost, ballTable.balls[4].x);
            }
        }
        // After some 2000 swings the end balls still go out as far as at the start.
        EXPECT_NEAR(leftmost, -widest, 2e-3) << "pattern " << n << " mode " << int(mode);
        EXPECT_NEAR(rightmost, widest, 2e-3) << "pattern " << n << " mode " << int(mode);
    }
}

} // namespace
