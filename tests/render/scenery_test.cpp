// The scenery counters: the first frames follow the plain per-frame rules exactly, and long
// runs stay continuous instead of overflowing or freezing.
#include <gtest/gtest.h>

#include "render/scenery.h"

#include <cmath>
#include <cstdint>

namespace {

// The plain rules, unwrapped: what frame n draws with when nothing is kept in range.
struct PlainCounters {
    int64_t turnCounter = 0;
    float backdropScroll = 0.0f;
    void advance() {
        backdropScroll = static_cast<float>(static_cast<double>(backdropScroll) - 0.02);
        turnCounter += 1;
    }
    float turn(double rate) const { return static_cast<float>(turnCounter * rate); }
    float shift() const { return static_cast<float>(static_cast<double>(backdropScroll) * 0.02); }
};

// Degrees apart, modulo whole turns.
double turnDistance(double a, double b) {
    double d = std::fmod(std::fabs(a - b), 360.0);
    return d > 180.0 ? 360.0 - d : d;
}

// Texture s apart, modulo the texture's repeat.
double shiftDistance(double a, double b) {
    double d = std::fmod(std::fabs(a - b), 1.0);
    return d > 0.5 ? 1.0 - d : d;
}

class SceneryCountersTest : public testing::Test {
  protected:
    void SetUp() override { sceneryCounters = SceneryCounters{}; }
};

TEST_F(SceneryCountersTest, FirstFrameTurnsAndShift) {
    advanceScenery();
    EXPECT_EQ(sceneryCounters.turnCounter, 1);
    EXPECT_EQ(sceneryTurn(standTurnRate), 0.1f);
    EXPECT_EQ(sceneryTurn(-standTurnRate), -0.1f);
    EXPECT_EQ(sceneryTurn(lowerFloorTurnRate), 0.31f);
    EXPECT_EQ(sceneryTurn(upperFloorTurnRate), -0.23f);
    EXPECT_EQ(sceneryCounters.backdropScroll, static_cast<float>(-0.02));
    EXPECT_FLOAT_EQ(backdropShift(), -0.0004f);
}

TEST_F(SceneryCountersTest, FirstPeriodIsExactlyThePlainRules) {
    PlainCounters plain;
    for (int frame = 1; frame <= turnPeriod; ++frame) {
        advanceScenery();
        plain.advance();
        ASSERT_EQ(sceneryCounters.turnCounter, plain.turnCounter) << "frame " << frame;
        ASSERT_EQ(sceneryCounters.backdropScroll, plain.backdropScroll) << "frame " << frame;
        ASSERT_EQ(sceneryTurn(standTurnRate), plain.turn(standTurnRate));
        ASSERT_EQ(sceneryTurn(-standTurnRate), plain.turn(-standTurnRate));
        ASSERT_EQ(sceneryTurn(lowerFloorTurnRate), plain.turn(lowerFloorTurnRate));
        ASSERT_EQ(sceneryTurn(upperFloorTurnRate), plain.turn(upperFloorTurnRate));
        ASSERT_EQ(backdropShift(), plain.shift());
    }
    // 3600 frames make one whole turn of the stand; 36000 bring every rate to whole turns.
    EXPECT_EQ(sceneryTurn(standTurnRate), 3600.0f);
    EXPECT_EQ(sceneryTurn(lowerFloorTurnRate), 11160.0f);
    EXPECT_EQ(sceneryTurn(upperFloorTurnRate), -8280.0f);
}

TEST_F(SceneryCountersTest, LaterPeriodsKeepEveryAngleAndStep) {
    int64_t frames = 0;
    float previousShift = backdropShift();
    for (int frame = 1; frame <= 4 * turnPeriod; ++frame) {
        advanceScenery();
        ++frames;
        ASSERT_GE(sceneryCounters.turnCounter, 1);
        ASSERT_LE(sceneryCounters.turnCounter, turnPeriod);
        // Each angle is the exact count times its rate, modulo whole turns.
        for (double rate : {standTurnRate, -standTurnRate, lowerFloorTurnRate, upperFloorTurnRate})
            ASSERT_LT(turnDistance(sceneryTurn(rate), static_cast<double>(frames) * rate), 0.01)
                << "frame " << frame;
        // Each step drifts the backdrop by -0.0004 in s, modulo whole repeats.
        ASSERT_LT(shiftDistance(backdropShift(), previousShift - 0.0004), 2e-5) << frame;
        previousShift = backdropShift();
        ASSERT_GT(sceneryCounters.backdropScroll, -800.0f);
        ASSERT_LE(sceneryCounters.backdropScroll, 0.0f);
    }
}

TEST_F(SceneryCountersTest, RebaseAtThePeriodKeepsEveryStep) {
    sceneryCounters.turnCounter = turnPeriod - 1;
    sceneryCounters.backdropScroll = -719.98f;
    float previousShift = backdropShift();
    for (int frame = 0; frame < 4; ++frame) {
        float before = sceneryTurn(standTurnRate);
        advanceScenery();
        EXPECT_LT(turnDistance(sceneryTurn(standTurnRate), before + 0.1), 1e-3);
        // Every step moves the backdrop by -0.0004 in s, modulo whole repeats.
        EXPECT_LT(shiftDistance(backdropShift(), previousShift - 0.0004), 1e-5);
        previousShift = backdropShift();
    }
    EXPECT_EQ(sceneryCounters.turnCounter, 3);
    EXPECT_GT(sceneryCounters.backdropScroll, -50.0f);
}

// 2^31 frames, driven directly: the signed count would have overflowed at the last one, and
// the plain single-precision scroll would have stopped moving long before.
TEST_F(SceneryCountersTest, TwoToTheThirtyOneFramesStayContinuous) {
    const int64_t frames = int64_t{1} << 31;
    float lowest = 0.0f;
    int32_t highest = 0;
    for (int64_t frame = 0; frame < frames; ++frame) {
        advanceScenery();
        if (sceneryCounters.backdropScroll < lowest)
            lowest = sceneryCounters.backdropScroll;
        if (sceneryCounters.turnCounter > highest)
            highest = sceneryCounters.turnCounter;
    }
    EXPECT_EQ(sceneryCounters.turnCounter, static_cast<int32_t>((frames - 1) % turnPeriod + 1));
    EXPECT_EQ(highest, turnPeriod);
    EXPECT_GT(lowest, -800.0f);
    // Frame 2^31 + 1 still turns and drifts by a whole step.
    float turn = sceneryTurn(standTurnRate);
    float scroll = sceneryCounters.backdropScroll;
    advanceScenery();
    EXPECT_LT(turnDistance(sceneryTurn(standTurnRate), turn + 0.1), 1e-3);
    double step = static_cast<double>(sceneryCounters.backdropScroll) - scroll;
    EXPECT_NEAR(std::fmod(step + 50.0, 50.0), 50.0 - 0.02, 1e-4);
}

// What the plain rules do after the same 2^31 frames, for contrast: the scroll is stuck.
TEST(PlainCounters, ScrollFreezesWithoutTheRebase) {
    float scroll = -1048576.0f; // 2^20, reached after about 52 million frames
    float next = static_cast<float>(static_cast<double>(scroll) - 0.02);
    EXPECT_EQ(next, scroll);
}

} // namespace
