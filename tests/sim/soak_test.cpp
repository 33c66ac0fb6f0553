// Long runs: the swing stays bounded at every frame time and never dies away.
#include "tests/sim/sim_testing.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const TouchMode modes[] = {TouchMode::always, TouchMode::sometimes, TouchMode::never};

int movingBalls() {
    int moving = 0;
    for (const BallState& b : ballTable.balls) {
        moving += b.time != 0.0;
    }
    return moving;
}

TEST(SwingSoakTest, TenMillionStepsStayFiniteAndWithinOneRadian) {
    const double widest = stringLength * std::sin(1.0);
    const double lowest = stringLength * std::cos(1.0);
    int launch = 0;
    long steps = 0;
    while (steps < 10000000) {
        // A fresh launch every 200 000 steps, through all patterns and modes.
        const LaunchPattern n = launch % patternCount + 1;
        clearBallTable();
        setLaunchSettings(onlyPattern(n), modes[launch / patternCount % 3]);
        seedRandom(uint32_t(launch) * 7919u);
        launchFirstPattern();
        ++launch;
        for (int i = 0; i < 200000; ++i, ++steps) {
            // Frame times sweep 0 to 0.04 s in 10 us steps, ends included.
            stepSwing((steps % 4001) * 1e-5);
            for (int b = 0; b < ballCount; ++b) {
                const BallState& ball = ballTable.balls[b];
                const bool bounded =
                    std::isfinite(ball.time) && std::isfinite(ball.angle) &&
                    std::fabs(ball.angle) <= 1.0 && std::fabs(ball.x) <= widest + 1e-12 &&
                    ball.y >= lowest - 1e-12 && ball.y <= stringLength && ball.contacts == 0.0;
                ASSERT_TRUE(bounded)
                    << "pattern " << n << " step " << steps << " ball " << b << ": time "
                    << ball.time << " angle " << ball.angle << " x " << ball.x << " y " << ball.y;
            }
        }
    }
}

TEST(SwingSoakTest, MotionNeverDiesAway) {
    const int raisedBalls[patternCount] = {1, 2, 2, 3, 4, 3, 4, 5, 4, 5};
    const double fullSwing = stringLength * std::sin(1.0);
    for (LaunchPattern n = 1; n <= patternCount; ++n) {
        for (TouchMode mode : modes) {
            clearBallTable();
            setLaunchSettings(onlyPattern(n), mode);
            seedRandom(99);
            launchFirstPattern();
            // 1000 s, some 315 full swings, without a single ball stopping for good...
            for (int step = 0; step < 50000; ++step) {
                stepSwing(0.02);
                ASSERT_EQ(movingBalls(), raisedBalls[n - 1])
                    << "pattern " << n << " mode " << int(mode) << " step " << step;
            }
            // ...and the end balls still swing out as far as at the start.
            double leftmost = 0.0;
            double rightmost = 0.0;
            for (int step = 0; step < 200; ++step) {
                stepSwing(0.02);
                leftmost = std::fmin(leftmost, ballTable.balls[0].x);
                rightmost = std::fmax(rightmost, ballTable.balls[4].x);
            }
            EXPECT_NEAR(leftmost, -fullSwing, 2e-3) << "pattern " << n << " mode " << int(mode);
            EXPECT_NEAR(rightmost, fullSwing, 2e-3) << "pattern " << n << " mode " << int(mode);
        }
    }
}

} // namespace
