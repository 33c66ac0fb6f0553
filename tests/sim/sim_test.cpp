// The simulation: the swing step, the launch patterns and the frame clock.
#include "tests/sim/sim_testing.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {

constexpr double pi = 3.14159265358979323846;

void raise(int ball, double time) {
    ballTable.balls[ball].time = time;
    ballTable.balls[ball].angle = 1.0;
}

bool atRest(int ball) {
    const BallState& b = ballTable.balls[ball];
    return b.time == 0.0 && b.angle == 0.0 && b.x == 0.0 && b.y == stringLength;
}

// Steps until `ball` is stopped by a contact (at most `limit` steps of 20 ms); returns its
// time just before, or NaN.
double stepUntilStopped(int ball, int limit) {
    for (int step = 0; step < limit; ++step) {
        advanceBalls(0.02);
        const double time = ballTable.balls[ball].time;
        findContacts();
        resolveContacts();
        if (ballTable.balls[ball].time == 0.0)
            return time;
    }
    return std::nan("");
}

TEST(Swing, FrameTimeIsBoundedAtFortyMillisecondsAndRestingBallsStay) {
    const double cases[][2] = {{0.0, 0.0}, {0.039, 0.039}, {0.04, 0.04},
                               {0.05, 0.04}, {1e9, 0.04},  {std::nan(""), 0.04}};
    for (const auto& c : cases) {
        clearBallTable();
        raise(0, 45.0); // far out on either side, touching nothing
        raise(4, -45.0);
        stepSwing(c[0]);
        EXPECT_EQ(ballTable.balls[0].time, 45.0 + c[1]) << "frame time " << c[0];
        EXPECT_EQ(ballTable.balls[4].time, -45.0 + c[1]) << "frame time " << c[0];
        for (int i = 1; i < 4; ++i)
            EXPECT_TRUE(atRest(i)) << "ball " << i << ", frame time " << c[0];
    }
}

TEST(Swing, RaisedBallsHangOutOnTheirOwnSide) {
    clearBallTable();
    raise(0, 45.0);
    raise(4, -45.0);
    stepSwing(0.0);
    EXPECT_NEAR(ballTable.balls[4].x, 2.04675, 1e-5);
    EXPECT_NEAR(ballTable.balls[0].x, -2.04675, 1e-5);
    EXPECT_NEAR(ballTable.balls[0].y, 1.43555, 1e-5);
}

// Balls 0 and 1 at exactly `limit` squared centre distance, the rest far apart.
bool placePairAt(double limit) {
    clearBallTable();
    for (int i = 0; i < ballCount; ++i) // balls 2 to 4 far apart
        ballTable.balls[i] = BallState{i < 2 ? 0.0 : 2.0 * i, stringLength, 0.0, 0.0, 0.0};
    double dx = std::sqrt(limit);
    for (int i = 0; i < 64; ++i, dx = std::nextafter(dx, 1.0)) {
        if (dx * dx == limit) {
            ballTable.balls[1] = BallState{dx - ballSpacing, stringLength, 0.0, 0.0, 0.0};
            return (ballTable.balls[1].x + ballSpacing) == dx;
        }
    }
    return false;
}

TEST(Swing, ASquaredDistanceOfExactlyALimitTouches) {
    ASSERT_TRUE(placePairAt(leftContactLimit));
    findContacts();
    EXPECT_EQ(ballTable.balls[0].contacts, 1.0);
    EXPECT_EQ(ballTable.balls[1].contacts, 1.0);
    // The rightward limit is the wider one: only the rightward check touches there.
    ASSERT_TRUE(placePairAt(rightContactLimit));
    findContacts();
    EXPECT_EQ(ballTable.balls[0].contacts, 1.0);
    EXPECT_EQ(ballTable.balls[1].contacts, 0.0);
}

TEST(Swing, OneStrikerHandsItsSwingToTheFarEndAndBack) {
    clearBallTable();
    raise(0, 45.0);
    const double strikeTime = stepUntilStopped(0, 200);
    ASSERT_FALSE(std::isnan(strikeTime));
    EXPECT_EQ(ballTable.balls[4].time, strikeTime);
    double widest = 0.0;
    const double backTime = [&] {
        for (int step = 0; step < 400; ++step) {
            advanceBalls(0.02);
            const double time = ballTable.balls[4].time;
            widest = std::fmax(widest, ballTable.balls[4].x);
            findContacts();
            resolveContacts();
            for (int i = 1; i < 4; ++i)
                EXPECT_TRUE(atRest(i)) << "ball " << i << " step " << step;
            if (ballTable.balls[4].time == 0.0)
                return time;
        }
        return std::nan("");
    }();
    EXPECT_NEAR(widest, stringLength * std::sin(1.0), 1e-3); // full amplitude on the far side
    EXPECT_NEAR(backTime - strikeTime, pi / omega, 0.05);   // half a cycle out and back
    EXPECT_EQ(ballTable.balls[0].time, backTime);
    stepSwing(0.02);
    EXPECT_LT(ballTable.balls[0].x, 0.0);
}

TEST(Launch, GeneratorRepeatsTheCRuntimeSequence) {
    const int fromOne[] = {41, 18467, 6334, 26500, 19169};
    seedRandom(1);
    for (int value : fromOne)
        EXPECT_EQ(nextRandom(), value);
    seedRandom(seedForDraw(0));
    EXPECT_EQ(unitRandom(), 0.0);
    seedRandom(seedForDraw(32767));
    EXPECT_EQ(unitRandom(), 32767.0 / 32768.0);
}

TEST(Launch, PickIntervalsAtTheirBoundaries) {
    const int cases[][2] = {{0, 1},     {1310, 1},  {1311, 10}, {2621, 10}, {2622, 9},
                            {4587, 9},  {4588, 3},  {6881, 3},  {6882, 6},  {9175, 6},
                            {9176, 5},  {11468, 5}, {11469, 2}, {16383, 2}, {16384, 8},
                            {21299, 8}, {21300, 7}, {26214, 7}, {26215, 4}, {32767, 4}};
    for (const auto& c : cases) {
        seedRandom(seedForDraw(c[0]));
        EXPECT_EQ(pickPattern(), c[1]) << "draw " << c[0];
    }
    // A draw equal to a bound belongs to the interval above it.
    const double bounds[][2] = {{0.04, 10}, {0.08, 9}, {0.14, 3}, {0.21, 6}, {0.28, 5},
                                {0.35, 2},  {0.5, 8},  {0.65, 7}, {0.8, 4}};
    for (const auto& b : bounds)
        EXPECT_EQ(patternForDraw(b[0]), b[1]) << "u " << b[0];
}

TEST(Launch, OnlyAnEntryOfExactlyOneEnablesAPattern) {
    for (uint32_t entry : {0u, 2u, 0xffffffffu}) {
        clearBallTable();
        setLaunchSettings(0x3ff & ~onlyPattern(4), TouchMode::never);
        cradleSettings.patternEnabled[3] = entry;
        seedRandom(seedForDraw(30000)); // picks pattern 4
        const uint32_t before = randomGenerator.drawCount;
        EXPECT_FALSE(tryLaunch()) << "entry " << entry;
        EXPECT_EQ(randomGenerator.drawCount - before, 3u);
        EXPECT_EQ(ballTable.launchedPattern, 0);
    }
}

// Never: inside each raised group every ball starts apart from the group's time (ball 1's on
// the left, ball 4's on the right) by 0.1 to 0.4 s, ball 3 of four by up to 0.7 s. Always: none.
TEST(Launch, TouchingModesSpaceTheRaisedGroups) {
    for (TouchMode mode : {TouchMode::never, TouchMode::always}) {
        for (LaunchPattern n = 2; n <= patternCount; ++n) {
            for (uint32_t seed = 0; seed < 40; ++seed) {
                clearBallTable();
                setLaunchSettings(onlyPattern(n), mode);
                seedRandom(seed * 7919u);
                launchFirstPattern();
                const BallState* b = ballTable.balls;
                int left = 0, right = 0;
                for (const BallState& ball : ballTable.balls)
                    (ball.time > 0 ? left : right) += ball.time != 0.0;
                const double spread[][2] = {{b[0].time - b[1].time, left >= 2 ? 0.4 : -1},
                                            {b[1].time - b[2].time, left >= 3 ? 0.4 : -1},
                                            {b[1].time - b[3].time, left >= 4 ? 0.7 : -1},
                                            {b[3].time - b[4].time, right == 2 ? 0.4 : -1}};
                for (const auto& s : spread) {
                    if (s[1] < 0)
                        continue;
                    if (mode == TouchMode::always) {
                        EXPECT_EQ(s[0], 0.0) << "pattern " << n << " seed " << seed;
                    } else {
                        EXPECT_GE(s[0], 0.1) << "pattern " << n << " seed " << seed;
                        EXPECT_LT(s[0], s[1]) << "pattern " << n << " seed " << seed;
                    }
                }
            }
        }
    }
}

TEST(Launch, SometimesModeGapsAboutOneDecisionInSix) {
    int gaps = 0;
    seedRandom(2024);
    for (int launch = 0; launch < 2000; ++launch) {
        clearBallTable();
        setLaunchSettings(onlyPattern(6), TouchMode::sometimes); // three raised: two decisions
        launchFirstPattern();
        const BallState* b = ballTable.balls;
        gaps += (b[0].time != b[1].time) + (b[2].time != b[1].time);
    }
    EXPECT_NEAR(gaps / 4000.0, 0.16, 0.02);
}

TEST(Launch, NoEnabledPatternRaisesOneBallOnTheLeft) {
    for (uint32_t entry : {0u, 2u}) {
        for (uint32_t& enabled : cradleSettings.patternEnabled)
            enabled = entry;
        clearBallTable();
        seedRandom(12345);
        launchFirstPattern();
        EXPECT_EQ(ballTable.launchedPattern, fallbackPattern);
        EXPECT_GT(ballTable.balls[0].time, 44.9);
        for (int i = 1; i < ballCount; ++i)
            EXPECT_EQ(ballTable.balls[i].angle, 0.0);
    }
}

TEST(FrameClock, AverageIsElapsedMillisecondsOverFrames) {
    const struct {
        int32_t start, now, frames;
        double seconds;
    } cases[] = {{500, 2500, 100, 0.02},
                 {1234, 1234, 1, 0.0},
                 {0, 40, 1, 0.04},
                 {-1000, 1000, 4, 0.5},
                 {INT32_MAX - 499, INT32_MIN + 1500, 100, 0.02}}; // across the clock's wrap
    for (const auto& c : cases)
        EXPECT_EQ(averageFrameTime(c.start, c.now, c.frames), c.seconds) << c.start << " " << c.now;
}

TEST(FrameClock, CountNearOverflowStartsAFreshAverage) {
    resetFrameClock();
    frameClock.frameCount = INT32_MAX;
    frameClock.startTick -= 5000;
    countFrame();
    EXPECT_EQ(frameClock.frameCount, 1);
    EXPECT_GE(frameClock.frameTime, 0.0);
    EXPECT_LT(frameClock.frameTime, 5.0);
}

} // namespace
