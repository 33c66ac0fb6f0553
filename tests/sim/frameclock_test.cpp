// The frame clock: the average seconds per frame since the last restart.
#include "sim/sim.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(FrameClockTest, ProcessClockStartsNearZeroAndNeverRunsBack) {
    const int32_t first = processClock();
    EXPECT_GE(first, 0);
    EXPECT_LT(first, 600000); // ms; even an emulated process starts within minutes
    int32_t last = first;
    for (int i = 0; i < 1000; ++i) {
        const int32_t now = processClock();
        ASSERT_GE(now, last);
        last = now;
    }
}

TEST(FrameClockTest, AverageIsMicrosecondsOverMillionsOfFrameMicroseconds) {
    EXPECT_EQ(averageFrameTime(500, 2500, 100), 0.02);
    EXPECT_EQ(averageFrameTime(1234, 1234, 1), 0.0);
    EXPECT_EQ(averageFrameTime(0, 40, 1), 0.04);
    EXPECT_EQ(averageFrameTime(-1000, 1000, 4), 0.5);
    // Across the wrap of the 32-bit process clock: still 2000 ms over 100 frames.
    EXPECT_EQ(averageFrameTime(INT32_MAX - 499, INT32_MIN + 1500, 100), 0.02);
}

TEST(FrameClockTest, ResetRestartAndCount) {
    frameClock.frameCount = 41;
    const int32_t before = processClock();
    restartFrameClock();
    const int32_t after = processClock();
    EXPECT_EQ(frameClock.frameCount, 41);
    EXPECT_GE(frameClock.startTick, before);
    EXPECT_LE(frameClock.startTick, after);

    // A count of N + 1 frames over the time since a restart: the next frame time is
    // that time over N + 1, bracketed by the clock read before and after.
    frameClock.startTick -= 2000;
    const int32_t start = frameClock.startTick;
    const int32_t early = processClock();
    countFrame();
    const int32_t late = processClock();
    EXPECT_EQ(frameClock.frameCount, 42);
    EXPECT_GE(frameClock.frameTime, averageFrameTime(start, early, 42));
    EXPECT_LE(frameClock.frameTime, averageFrameTime(start, late, 42));
    EXPECT_GE(frameClock.frameTime, 2.0 / 42);

    resetFrameClock();
    EXPECT_EQ(frameClock.frameCount, 0);
    const double kept = frameClock.frameTime;
    restartFrameClock();
    EXPECT_EQ(frameClock.frameTime, kept); // never reset, only recomputed by a frame
    countFrame();
    EXPECT_EQ(frameClock.frameCount, 1); // counted before the division, never 0
    EXPECT_GE(frameClock.frameTime, 0.0);
}

TEST(FrameClockTest, CountNearOverflowStartsAFreshAverage) {
    resetFrameClock();
    frameClock.frameCount = INT32_MAX;
    frameClock.startTick -= 5000;
    countFrame();
    EXPECT_EQ(frameClock.frameCount, 1);
    EXPECT_GE(frameClock.frameTime, 0.0);
    EXPECT_LT(frameClock.frameTime, 5.0);
}

} // namespace
