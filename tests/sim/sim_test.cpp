// The simulation: the swing step, the launch patterns and the frame clock.
#include "settings/settings.h"
#include "sim/sim.h"
#include <gtest/gtest.h>
#include <cmath>

namespace {

enum Touch { always, sometimes, never };

void onlyPattern(LaunchPattern n, Touch touch) {
    for (int i = 0; i < patternCount; ++i)
        cradleSettings.patternEnabled[i] = i == n - 1;
    cradleSettings.touchAlways = touch == always;
    cradleSettings.touchNever = touch == never;
}

// The state whose next draw is `value`: the C runtime's x' = 214013 x + 2531011 run backwards.
uint32_t seedForDraw(int value) {
    uint32_t inverse = 214013u;
    for (int i = 0; i < 5; ++i)
        inverse *= 2u - 214013u * inverse;
    return ((uint32_t(value) << 16) - 2531011u) * inverse;
}

void raise(int ball, double time) {
    ballTable.balls[ball].time = time;
    ballTable.balls[ball].angle = 1.0;
}

bool atRest(int ball) {
    const BallState& b = ballTable.balls[ball];
    return b.time == 0.0 && b.angle == 0.0 && b.x == 0.0 && b.y == stringLength;
}

TEST(Swing, FrameTimeIsBoundedAtFortyMillisecondsAndRaisedBallsHangOnTheirSide) {
    const double cases[][2] = {{0.0, 0.0},   {0.039, 0.039}, {0.04, 0.04},
                               {0.05, 0.04}, {1e9, 0.04},    {std::nan(""), 0.04}};
    for (const auto& c : cases) {
        clearBallTable();
        raise(0, 45.0); // far out on either side, touching nothing
        raise(4, -45.0);
        stepSwing(c[0]);
        EXPECT_EQ(ballTable.balls[0].time, 45.0 + c[1]) << "frame time " << c[0];
        EXPECT_EQ(ballTable.balls[4].time, -45.0 + c[1]) << "frame time " << c[0];
        for (int i = 1; i < 4; ++i)
            EXPECT_TRUE(atRest(i)) << "ball " << i << ", frame time " << c[0];
        if (c[0] == 0.0) {
            EXPECT_NEAR(ballTable.balls[0].x, -2.04675, 1e-5);
            EXPECT_NEAR(ballTable.balls[4].x, 2.04675, 1e-5);
        }
    }
}

// Balls 0 and 1 exactly `limit` apart (squared) touch; only the wider rightward check does so.
TEST(Swing, ASquaredDistanceOfExactlyALimitTouches) {
    for (double limit : {leftContactLimit, rightContactLimit}) {
        clearBallTable();
        for (int i = 0; i < ballCount; ++i)
            ballTable.balls[i] = BallState{i < 2 ? 0.0 : 2.0 * i, stringLength, 0.0, 0.0, 0.0};
        double dx = std::sqrt(limit);
        while (dx * dx != limit)
            dx = std::nextafter(dx, 1.0);
        ballTable.balls[1].x = dx - ballSpacing;
        ASSERT_EQ(ballTable.balls[1].x + ballSpacing, dx);
        findContacts();
        EXPECT_EQ(ballTable.balls[0].contacts, 1.0) << limit;
        EXPECT_EQ(ballTable.balls[1].contacts, limit == leftContactLimit ? 1.0 : 0.0) << limit;
    }
}

// Every pattern and mode: 1000 s of 0 to 40 ms frames stay bounded and never die away, and only
// the raised balls ever move.
TEST(Swing, LongRunsStayBoundedAndNeverDieAway) {
    const double widest = stringLength * std::sin(1.0);
    for (int launch = 0; launch < 3 * patternCount; ++launch) {
        clearBallTable();
        onlyPattern(launch % patternCount + 1, Touch(launch / patternCount));
        seedRandom(uint32_t(launch) * 7919u);
        launchFirstPattern();
        int raised = 0;
        for (const BallState& b : ballTable.balls)
            raised += b.angle != 0.0;
        double leftmost = 0.0, rightmost = 0.0;
        for (int i = 0; i < 50000; ++i) {
            stepSwing((i % 4001) * 1e-5);
            int moving = 0;
            for (const BallState& b : ballTable.balls) {
                moving += b.time != 0.0;
                ASSERT_TRUE(std::isfinite(b.time) && std::fabs(b.x) <= widest + 1e-12) << launch;
            }
            ASSERT_EQ(moving, raised) << "launch " << launch << " step " << i;
            leftmost = std::fmin(leftmost, i > 49000 ? ballTable.balls[0].x : 0.0);
            rightmost = std::fmax(rightmost, i > 49000 ? ballTable.balls[4].x : 0.0);
        }
        EXPECT_NEAR(leftmost, -widest, 2e-3) << "launch " << launch;
        EXPECT_NEAR(rightmost, widest, 2e-3) << "launch " << launch;
    }
}

TEST(Launch, GeneratorAndPickIntervals) {
    seedRandom(1); // the C runtime's sequence from its start
    for (int value : {41, 18467, 6334, 26500, 19169})
        EXPECT_EQ(nextRandom(), value);
    seedRandom(seedForDraw(32767));
    EXPECT_EQ(unitRandom(), 32767.0 / 32768.0);
    // one draw in each interval, in the order the intervals lie
    const int cases[][2] = {{0, 1},    {1311, 10}, {2622, 9},  {4588, 3},  {6882, 6},
                            {9176, 5}, {11469, 2}, {16384, 8}, {21300, 7}, {32767, 4}};
    for (const auto& c : cases) {
        seedRandom(seedForDraw(c[0]));
        EXPECT_EQ(pickPattern(), c[1]) << "draw " << c[0];
    }
    // The described pick intervals [low, high) and their patterns; a threshold belongs above.
    const double intervals[][3] = {
        {0.0, 0.04, 1},  {0.04, 0.08, 10}, {0.08, 0.14, 9}, {0.14, 0.21, 3}, {0.21, 0.28, 6},
        {0.28, 0.35, 5}, {0.35, 0.5, 2},   {0.5, 0.65, 8},  {0.65, 0.8, 7},  {0.8, 1.0, 4}};
    for (const auto& i : intervals) {
        EXPECT_EQ(patternForDraw(i[0]), i[2]) << "u = " << i[0];
        EXPECT_EQ(patternForDraw(std::nextafter(i[1], 0.0)), i[2]) << "u just below " << i[1];
    }
}

// Only an entry of exactly 1 enables a pattern (cradle_sim_tool shows the fallback when none is).
TEST(Launch, OnlyAnEntryOfOneEnablesAPattern) {
    for (uint32_t entry : {0u, 2u, 0xffffffffu}) {
        clearBallTable();
        onlyPattern(4, never);
        cradleSettings.patternEnabled[3] = entry;
        seedRandom(seedForDraw(30000)); // picks pattern 4
        EXPECT_FALSE(tryLaunch()) << "entry " << entry;
        EXPECT_EQ(ballTable.launchedPattern, 0);
    }
}

// Never: each raised ball starts 0.1 to 0.4 s from its group's (ball 1's left, 4's right), ball 3
// of four up to 0.7 s. Always: none. Sometimes: about one decision in six makes a gap.
TEST(Launch, TouchingModesSpaceTheRaisedGroups) {
    for (Touch mode : {never, always}) {
        for (LaunchPattern n = 2; n <= patternCount; ++n) {
            for (uint32_t seed = 0; seed < 40; ++seed) {
                clearBallTable();
                onlyPattern(n, mode);
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
                for (const auto& s : spread)
                    EXPECT_TRUE(s[1] < 0 ||
                                (mode == always ? s[0] == 0.0 : s[0] >= 0.1 && s[0] < s[1]))
                        << "pattern " << n << " seed " << seed << " spread " << s[0];
            }
        }
    }
    int gaps = 0;
    for (int launch = 0; launch < 2000; ++launch) {
        clearBallTable();
        onlyPattern(6, sometimes); // three raised: two decisions
        launchFirstPattern();
        gaps += (ballTable.balls[0].time != ballTable.balls[1].time) +
                (ballTable.balls[2].time != ballTable.balls[1].time);
    }
    EXPECT_NEAR(gaps / 4000.0, 0.16, 0.02);
}

// Start and end (ms), frames, seconds a frame; the last case runs across the clock's wrap.
TEST(FrameClock, AverageIsElapsedMillisecondsOverFrames) {
    const double cases[][4] = {{500, 2500, 100, 0.02},
                               {1234, 1234, 1, 0.0},
                               {-1000, 1000, 4, 0.5},
                               {INT32_MAX - 499.0, INT32_MIN + 1500.0, 100, 0.02}};
    for (const auto& c : cases)
        EXPECT_EQ(averageFrameTime(int32_t(c[0]), int32_t(c[1]), int32_t(c[2])), c[3]) << c[0];
    driveClock(10.0);
    resetFrameClock(); // a count near overflow starts a fresh average from the last frame
    frameClock.frameCount = INT32_MAX;
    driveClock(10.02);
    countFrame();
    EXPECT_EQ(frameClock.frameCount, 1);
    EXPECT_NEAR(frameClock.frameTime, 0.02, 1e-9);
}

// Frames `period` seconds apart on the core's clock, from `uptime` on for `span` seconds: the
// swing's step stays within 10 % of the true time per frame all the way, over the 32-bit
// millisecond clock's wrap (49.7 days) too, and on a machine whose every frame is longer
// than the pause bound.
TEST(FrameClock, LongRunsKeepTheirPace) {
    constexpr double day = 86400.0, wrap = 4294967.296; // seconds
    const struct {
        const char* name;
        double uptime, period, span;
    } cases[] = {
        {"fifty days at a frame a second", 0.0, 1.0, 50 * day},
        {"across the clock's wrap at 60 a second", wrap - 10.0, 1.0 / 60, 20.0},
        {"across the clock's sign change", wrap / 2 - 10.0, 1.0 / 60, 20.0},
        {"a slow machine: 0.3 s a frame", 0.0, 0.3, 600.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        double now = c.uptime;
        driveClock(now);
        resetFrameClock();
        int outside = 0;
        for (long frame = 0; frame < long(c.span / c.period); ++frame) {
            now += c.period;
            driveClock(now);
            countFrame();
            outside += std::fabs(frameClock.frameTime - c.period) > 0.1 * c.period;
        }
        EXPECT_EQ(outside, 0) << "frames whose step is off by more than 10 %";
    }
}

} // namespace
