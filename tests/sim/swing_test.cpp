// The swing step: resting balls, the frame-time bound, contact limits and hand-over.
#include "sim/sim.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double pi = 3.14159265358979323846;

class SwingTest : public ::testing::Test {
  protected:
    void SetUp() override { clearBallTable(); }
};

void raise(int ball, double time) {
    ballTable.balls[ball].time = time;
    ballTable.balls[ball].angle = 1.0;
}

bool atRest(int ball) {
    const BallState& b = ballTable.balls[ball];
    return b.time == 0.0 && b.angle == 0.0 && b.x == 0.0 && b.y == 2.5;
}

TEST_F(SwingTest, OmegaIsSetBeforeMain) {
    EXPECT_NEAR(omega, 1.983301288256527, 1e-15);
    EXPECT_NEAR(2 * pi / omega, 3.168, 5e-4);
}

TEST_F(SwingTest, RestingBallsStayAtRestWhateverTheFrameTime) {
    const double frameTimes[] = {0.0, 0.02, 0.04, 0.5, std::numeric_limits<double>::quiet_NaN()};
    for (double frameTime : frameTimes) {
        stepSwing(frameTime);
        for (int i = 0; i < ballCount; ++i) {
            EXPECT_TRUE(atRest(i)) << "ball " << i << " frame time " << frameTime;
            EXPECT_EQ(ballTable.balls[i].contacts, 0.0);
        }
    }
}

TEST_F(SwingTest, AllRestingCountsEveryNeighbourAndChangesNothing) {
    advanceBalls(0.02);
    findContacts();
    const double expected[ballCount] = {1, 2, 2, 2, 1};
    for (int i = 0; i < ballCount; ++i) {
        EXPECT_EQ(ballTable.balls[i].contacts, expected[i]) << "ball " << i;
        EXPECT_EQ(ballTable.passLeft[i], 0.0);
        EXPECT_EQ(ballTable.passRight[i], 0.0);
    }
    resolveContacts();
    for (int i = 0; i < ballCount; ++i) {
        EXPECT_TRUE(atRest(i)) << "ball " << i;
    }
}

TEST_F(SwingTest, ZeroAngleResetsTimeAndAnyOtherAngleAdvancesIt) {
    ballTable.balls[0].time = 45.0; // stale time, but the flag says at rest
    ballTable.balls[4].time = -45.0;
    ballTable.balls[4].angle = -3.0; // any nonzero flag means moving, whatever its sign
    advanceBalls(0.01);
    EXPECT_EQ(ballTable.balls[0].time, 0.0);
    EXPECT_EQ(ballTable.balls[0].x, 0.0);
    EXPECT_EQ(ballTable.balls[4].time, -45.0 + 0.01);
}

TEST_F(SwingTest, FrameTimeIsBoundedAtFortyMilliseconds) {
    struct Case {
        double frameTime;
        double advance;
    };
    const Case cases[] = {{0.0, 0.0},   {0.039, 0.039}, {0.04, 0.04},
                          {0.05, 0.04}, {1e9, 0.04},    {std::nan(""), 0.04}};
    for (const Case& c : cases) {
        clearBallTable();
        raise(0, 45.0); // hanging far out on the left, touching nothing
        raise(4, -45.0);
        stepSwing(c.frameTime);
        EXPECT_EQ(ballTable.balls[0].time, 45.0 + c.advance) << "frame time " << c.frameTime;
        EXPECT_EQ(ballTable.balls[4].time, -45.0 + c.advance) << "frame time " << c.frameTime;
        for (int i = 1; i < 4; ++i) {
            EXPECT_TRUE(atRest(i));
        }
    }
}

TEST_F(SwingTest, RaisedBallsHangOutOnTheirSide) {
    raise(0, 45.0);
    raise(4, -45.0);
    stepSwing(0.0);
    const BallState& left = ballTable.balls[0];
    const BallState& right = ballTable.balls[4];
    EXPECT_NEAR(right.angle, 0.95914, 1e-5);
    EXPECT_NEAR(right.x, 2.04675, 1e-5);
    EXPECT_NEAR(right.y, 1.43555, 1e-5);
    EXPECT_NEAR(left.angle, -0.95914, 1e-5);
    EXPECT_NEAR(left.x, -2.04675, 1e-5);
    EXPECT_NEAR(left.y, 1.43555, 1e-5);
    EXPECT_EQ(left.time, 45.0);
    EXPECT_EQ(right.time, -45.0);
}

// Places balls 0 and 1 so that their squared centre distance is exactly `limit`.
bool placePairAtSquaredDistance(double limit) {
    double dx = std::sqrt(limit);
    for (int i = 0; i < 64; ++i, dx = std::nextafter(dx, 1.0)) {
        // Every double near 0.8 is a possible dx, since x1 = dx - 0.8 is exact.
        for (double probe : {dx, std::nextafter(dx, 0.0)}) {
            if (probe * probe == limit) {
                BallState& a = ballTable.balls[0];
                BallState& b = ballTable.balls[1];
                a = BallState{0.0, 2.5, 0.0, 0.0, 0.0};
                b = BallState{probe - ballSpacing, 2.5, 0.0, 0.0, 0.0};
                return (b.x + ballSpacing) - a.x == probe;
            }
        }
    }
    return false;
}

// Balls 2 to 4 far apart, so that only the pair (0, 1) can touch.
void separateTheRest() {
    for (int i = 2; i < ballCount; ++i) {
        ballTable.balls[i] = BallState{2.0 * i, 2.5, 0.0, 0.0, 0.0};
    }
    for (int i = 0; i < ballCount; ++i) {
        ballTable.passRight[i] = 10.0 + i;
        ballTable.passLeft[i] = 20.0 + i;
    }
}

TEST_F(SwingTest, SquaredDistanceAtEitherLimitTouches) {
    ASSERT_LT(leftContactLimit, rightContactLimit);

    // Exactly the leftward limit: both checks touch.
    ASSERT_TRUE(placePairAtSquaredDistance(leftContactLimit));
    separateTheRest();
    findContacts();
    EXPECT_EQ(ballTable.balls[0].contacts, 1.0);
    EXPECT_EQ(ballTable.balls[1].contacts, 1.0);
    EXPECT_EQ(ballTable.passRight[1], 10.0);
    EXPECT_EQ(ballTable.passLeft[0], 21.0);

    // Exactly the rightward limit, above the leftward one: only the rightward check
    // touches, so only the left ball counts and only passRight moves.
    clearBallTable();
    ASSERT_TRUE(placePairAtSquaredDistance(rightContactLimit));
    separateTheRest();
    findContacts();
    EXPECT_EQ(ballTable.balls[0].contacts, 1.0);
    EXPECT_EQ(ballTable.balls[1].contacts, 0.0);
    EXPECT_EQ(ballTable.passRight[0], 0.0);
    EXPECT_EQ(ballTable.passRight[1], 10.0);
    EXPECT_EQ(ballTable.passLeft[0], 20.0);
    EXPECT_EQ(ballTable.passLeft[1], 21.0);

    // Just beyond the rightward limit: apart.
    clearBallTable();
    ASSERT_TRUE(placePairAtSquaredDistance(rightContactLimit));
    const double dx = ballTable.balls[1].x + ballSpacing;
    ballTable.balls[1].x = std::nextafter(dx, 2.0) - ballSpacing; // exact: dx one ulp wider
    separateTheRest();
    findContacts();
    EXPECT_EQ(ballTable.balls[0].contacts, 0.0);
    EXPECT_EQ(ballTable.balls[1].contacts, 0.0);
    EXPECT_EQ(ballTable.passRight[1], 11.0);
}

TEST_F(SwingTest, OneSidedContactAddsTheLeftTimeOnTheRight) {
    ASSERT_TRUE(placePairAtSquaredDistance(rightContactLimit));
    separateTheRest();
    ballTable.balls[0].time = 3.0;
    ballTable.balls[1].time = 5.0;
    for (int i = 0; i < ballCount; ++i) {
        ballTable.passRight[i] = ballTable.passLeft[i] = ballTable.balls[i].time;
    }
    findContacts();
    resolveContacts();
    // Ball 0 is stopped, then its own time comes back through its untouched left slot;
    // ball 1 adds what the rightward check carried over.
    EXPECT_EQ(ballTable.balls[0].time, 3.0);
    EXPECT_EQ(ballTable.balls[0].angle, 1.0);
    EXPECT_EQ(ballTable.balls[1].time, 8.0);
    EXPECT_EQ(ballTable.balls[1].angle, 1.0);
}

// Steps at `frameTime` until ball `striker` is stopped by a contact, with at most
// `limit` steps; returns the striker's time just before it stopped, or NaN.
double stepUntilStopped(int striker, double frameTime, int limit) {
    for (int step = 0; step < limit; ++step) {
        advanceBalls(frameTime);
        const double time = ballTable.balls[striker].time;
        findContacts();
        resolveContacts();
        if (ballTable.balls[striker].time == 0.0) {
            return time;
        }
    }
    return std::nan("");
}

TEST_F(SwingTest, OneStrikerHandsItsSwingThroughToTheFarEnd) {
    raise(0, 45.0);
    double strikeTime = std::nan("");
    // Phase by phase, to see the contacts of the striking step.
    for (int step = 0; step < 200 && std::isnan(strikeTime); ++step) {
        advanceBalls(0.02);
        findContacts();
        if (ballTable.balls[0].contacts > 0.0) {
            const double expected[ballCount] = {1, 2, 2, 2, 1};
            for (int i = 0; i < ballCount; ++i) {
                EXPECT_EQ(ballTable.balls[i].contacts, expected[i]) << "ball " << i;
            }
            strikeTime = ballTable.balls[0].time;
            EXPECT_GE(ballTable.balls[0].x, 0.0) << "struck before reaching its rest position";
        }
        resolveContacts();
    }
    ASSERT_FALSE(std::isnan(strikeTime));
    EXPECT_EQ(ballTable.balls[0].time, 0.0);
    EXPECT_EQ(ballTable.balls[0].angle, 0.0);
    EXPECT_EQ(ballTable.balls[4].time, strikeTime);
    EXPECT_EQ(ballTable.balls[4].angle, 1.0);

    // Ball 4 swings out on the right while the rest hang still, then comes back and hands the swing
    // to ball 0 again, on the left.
    const double backTime = stepUntilStopped(4, 0.02, 400);
    ASSERT_FALSE(std::isnan(backTime));
    EXPECT_EQ(ballTable.balls[0].time, backTime);
    EXPECT_NEAR(backTime - strikeTime, pi / omega, 0.05); // half a cycle out and back
    for (int i = 1; i < 4; ++i) {
        EXPECT_TRUE(atRest(i)) << "ball " << i;
    }
    stepSwing(0.02);
    EXPECT_LT(ballTable.balls[0].x, 0.0);
}

TEST_F(SwingTest, OneStrikerReachesFullAmplitudeOnTheFarSide) {
    raise(0, 45.0);
    ASSERT_FALSE(std::isnan(stepUntilStopped(0, 0.02, 200)));
    double widest = 0.0;
    for (int step = 0; step < 200; ++step) {
        stepSwing(0.02);
        if (ballTable.balls[4].time == 0.0) {
            break; // back, and handed over to ball 0
        }
        widest = std::fmax(widest, ballTable.balls[4].x);
        for (int i = 0; i < 4; ++i) {
            ASSERT_TRUE(atRest(i)) << "ball " << i << " step " << step;
        }
    }
    EXPECT_NEAR(widest, stringLength * std::sin(1.0), 1e-3);
}

TEST_F(SwingTest, TwoStrikersSendTwoBallsOutOnTheFarSide) {
    raise(0, 45.0); // equal times: the pair swings as one block
    raise(1, 45.0);
    const double outerTime = stepUntilStopped(0, 0.02, 200);
    ASSERT_FALSE(std::isnan(outerTime));
    EXPECT_EQ(ballTable.balls[4].time, outerTime);
    EXPECT_NE(ballTable.balls[1].time, 0.0) << "the inner striker moves on";

    const double innerTime = stepUntilStopped(1, 0.02, 5);
    ASSERT_FALSE(std::isnan(innerTime));
    EXPECT_EQ(ballTable.balls[3].time, innerTime);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ballTable.balls[i].time, 0.0) << "ball " << i;
    }
    EXPECT_NE(ballTable.balls[4].time, 0.0);

    stepSwing(0.02);
    EXPECT_GT(ballTable.balls[3].x, 0.0);
    EXPECT_GT(ballTable.balls[4].x, 0.0);
}

TEST_F(SwingTest, ClearBallTableZeroesBallsAndSlots) {
    raise(2, 7.0);
    stepSwing(0.02);
    ballTable.passLeft[3] = 1.0;
    clearBallTable();
    for (int i = 0; i < ballCount; ++i) {
        const BallState& b = ballTable.balls[i];
        EXPECT_EQ(b.x, 0.0);
        EXPECT_EQ(b.y, 0.0);
        EXPECT_EQ(b.time, 0.0);
        EXPECT_EQ(b.angle, 0.0);
        EXPECT_EQ(b.contacts, 0.0);
        EXPECT_EQ(ballTable.passLeft[i], 0.0);
        EXPECT_EQ(ballTable.passRight[i], 0.0);
    }
}

} // namespace
