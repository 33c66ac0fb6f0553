// The generator, the pick intervals, the launch attempts and the no-pattern fallback.
#include "tests/sim/sim_testing.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double pi = 3.14159265358979323846;

class LaunchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        clearBallTable();
        setLaunchSettings(0x3ff, TouchMode::always);
    }
};

const TouchMode allModes[] = {TouchMode::always, TouchMode::sometimes, TouchMode::never,
                              TouchMode::both};

// Separation decisions per pattern 1 to 10 (A, B, C, D as they apply).
const int decisionCount[patternCount] = {0, 0, 1, 1, 2, 2, 2, 3, 3, 3};
// A draw value inside each pattern's pick interval.
const int drawInside[patternCount] = {600,  16000, 5000,  30000, 10000,
                                      8000, 24000, 18000, 3500,  2000};

bool tableIsClear() {
    for (int i = 0; i < ballCount; ++i) {
        const BallState& b = ballTable.balls[i];
        if (b.x != 0.0 || b.y != 0.0 || b.time != 0.0 || b.angle != 0.0) {
            return false;
        }
    }
    return ballTable.launchedPattern == 0;
}

TEST_F(LaunchTest, GeneratorRepeatsTheRuntimeSequence) {
    const int fromOne[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    const int fromZero[] = {38, 7719, 21238, 2437, 8855, 11797, 8365, 32285, 10450, 30612};
    seedRandom(1);
    for (int value : fromOne) {
        EXPECT_EQ(nextRandom(), value);
    }
    seedRandom(0);
    for (int value : fromZero) {
        EXPECT_EQ(nextRandom(), value);
    }
    seedRandom(0xffffffffu); // the top state bit never reaches the result
    ReferenceDraws reference{0xffffffffu};
    for (int i = 0; i < 1000; ++i) {
        const double u = unitRandom();
        EXPECT_EQ(u, reference.next());
        EXPECT_GE(u, 0.0);
        EXPECT_LE(u, 32767.0 / 32768.0);
    }
}

TEST_F(LaunchTest, UnitRandomSpansZeroToJustBelowOne) {
    seedRandom(seedForDraw(0));
    EXPECT_EQ(unitRandom(), 0.0);
    seedRandom(seedForDraw(32767));
    EXPECT_EQ(unitRandom(), 32767.0 / 32768.0);
    const uint32_t before = randomGenerator.drawCount;
    unitRandom();
    nextRandom();
    EXPECT_EQ(randomGenerator.drawCount - before, 2u);
}

TEST_F(LaunchTest, PickIntervalsAtTheirBoundaries) {
    struct Case {
        int draw;
        LaunchPattern pattern;
    };
    const Case cases[] = {{0, 1},     {1310, 1},  {1311, 10}, {2621, 10}, {2622, 9},
                          {4587, 9},  {4588, 3},  {6881, 3},  {6882, 6},  {9175, 6},
                          {9176, 5},  {11468, 5}, {11469, 2}, {16383, 2}, {16384, 8},
                          {21299, 8}, {21300, 7}, {26214, 7}, {26215, 4}, {32767, 4}};
    for (const Case& c : cases) {
        seedRandom(seedForDraw(c.draw));
        EXPECT_EQ(pickPattern(), c.pattern) << "draw " << c.draw;
    }
    // A draw equal to a bound belongs to the interval above it.
    EXPECT_EQ(patternForDraw(0.04), 10);
    EXPECT_EQ(patternForDraw(0.08), 9);
    EXPECT_EQ(patternForDraw(0.14), 3);
    EXPECT_EQ(patternForDraw(0.21), 6);
    EXPECT_EQ(patternForDraw(0.28), 5);
    EXPECT_EQ(patternForDraw(0.35), 2);
    EXPECT_EQ(patternForDraw(0.5), 8);
    EXPECT_EQ(patternForDraw(0.65), 7);
    EXPECT_EQ(patternForDraw(0.8), 4);
}

TEST_F(LaunchTest, EveryDrawValuePicksWithTheTableProbabilities) {
    const double probability[patternCount] = {0.04, 0.15, 0.07, 0.20, 0.07,
                                              0.07, 0.15, 0.15, 0.06, 0.04};
    int count[patternCount] = {};
    for (int draw = 0; draw < 32768; ++draw) {
        seedRandom(seedForDraw(draw));
        const LaunchPattern n = pickPattern();
        ASSERT_GE(n, 1);
        ASSERT_LE(n, patternCount);
        ++count[n - 1];
    }
    for (int n = 1; n <= patternCount; ++n) {
        EXPECT_NEAR(count[n - 1] / 32768.0, probability[n - 1], 1.0 / 32768) << "pattern " << n;
    }
}

TEST_F(LaunchTest, DisabledPickUsesThreeDrawsAndChangesNothing) {
    for (uint32_t entry : {0u, 2u, 0xffffffffu}) {
        setLaunchSettings(0x3ff & ~onlyPattern(4), TouchMode::never);
        cradleSettings.patternEnabled[3] = entry;
        seedRandom(seedForDraw(30000));
        const uint32_t before = randomGenerator.drawCount;
        EXPECT_FALSE(tryLaunch()) << "entry " << entry;
        EXPECT_EQ(randomGenerator.drawCount - before, 3u);
        EXPECT_TRUE(tableIsClear());
    }
}

TEST_F(LaunchTest, DrawCountsOfEveryPatternInEveryMode) {
    for (LaunchPattern n = 1; n <= patternCount; ++n) {
        for (TouchMode mode : allModes) {
            // Forty seeds per case, so that Sometimes meets both outcomes.
            for (int k = 0; k < 40; ++k) {
                clearBallTable();
                setLaunchSettings(onlyPattern(n), mode);
                const uint32_t seed = seedForDraw(drawInside[n - 1] + k);
                ReferenceDraws reference{seed};
                ASSERT_EQ(patternForDraw(reference.next()), n);
                reference.next();
                reference.next();
                uint32_t expected = 3;
                for (int d = 0; d < decisionCount[n - 1]; ++d) {
                    const bool touches = reference.next() > 0.16;
                    const bool gap = cradleSettings.touchNever != 0 ||
                                     (!touches && cradleSettings.touchAlways == 0);
                    expected += gap ? 2 : 1;
                    if (gap) {
                        reference.next();
                    }
                }
                seedRandom(seed);
                const uint32_t before = randomGenerator.drawCount;
                ASSERT_TRUE(tryLaunch());
                EXPECT_EQ(randomGenerator.drawCount - before, expected)
                    << "pattern " << n << " mode " << int(mode) << " seed " << seed;
                EXPECT_EQ(ballTable.launchedPattern, n);
            }
        }
    }
    // Without the generator: Always costs one draw per decision, Never two.
    for (LaunchPattern n = 1; n <= patternCount; ++n) {
        for (TouchMode mode : {TouchMode::always, TouchMode::never}) {
            clearBallTable();
            setLaunchSettings(onlyPattern(n), mode);
            seedRandom(seedForDraw(drawInside[n - 1]));
            const uint32_t before = randomGenerator.drawCount;
            ASSERT_TRUE(tryLaunch());
            const uint32_t perDecision = mode == TouchMode::always ? 1 : 2;
            EXPECT_EQ(randomGenerator.drawCount - before, 3 + perDecision * decisionCount[n - 1])
                << "pattern " << n;
        }
    }
}

TEST_F(LaunchTest, RaisedBallsOfEachPattern) {
    // Which balls each pattern raises, left group (-1), right group (+1), pattern 1 (2).
    const int raised[patternCount][ballCount] = {
        {2, 0, 0, 0, 0},     {-1, 0, 0, 0, 1},   {-1, -1, 0, 0, 0},  {-1, -1, 0, 0, 1},
        {-1, -1, 0, 1, 1},   {-1, -1, -1, 0, 0}, {-1, -1, -1, 0, 1}, {-1, -1, -1, 1, 1},
        {-1, -1, -1, -1, 0}, {-1, -1, -1, -1, 1}};
    for (LaunchPattern n = 1; n <= patternCount; ++n) {
        clearBallTable();
        setLaunchSettings(onlyPattern(n), TouchMode::always);
        const uint32_t seed = seedForDraw(drawInside[n - 1]);
        ReferenceDraws reference{seed};
        reference.next();
        const double startTimeA = reference.next() + 21.9;
        const double startTimeB = reference.next() + 44.9;
        seedRandom(seed);
        ASSERT_TRUE(tryLaunch());
        for (int i = 0; i < ballCount; ++i) {
            const BallState& b = ballTable.balls[i];
            switch (raised[n - 1][i]) {
            case -1:
                EXPECT_EQ(b.time, startTimeA) << "pattern " << n << " ball " << i;
                EXPECT_EQ(b.angle, -0.7);
                break;
            case 1:
                EXPECT_EQ(b.time, -startTimeB) << "pattern " << n << " ball " << i;
                EXPECT_EQ(b.angle, 1.0);
                break;
            case 2:
                EXPECT_EQ(b.time, startTimeB);
                EXPECT_EQ(b.angle, -1.0);
                break;
            default:
                EXPECT_EQ(b.time, 0.0) << "pattern " << n << " ball " << i;
                EXPECT_EQ(b.angle, 0.0);
            }
        }
    }
}

// Launches pattern n in `mode` from `seed`; returns startTimeA and startTimeB.
bool launchFromSeed(LaunchPattern n, TouchMode mode, uint32_t seed, double* startTimeA,
                    double* startTimeB) {
    clearBallTable();
    setLaunchSettings(onlyPattern(n), mode);
    ReferenceDraws reference{seed};
    if (patternForDraw(reference.next()) != n) {
        return false;
    }
    *startTimeA = reference.next() + 21.9;
    *startTimeB = reference.next() + 44.9;
    seedRandom(seed);
    return tryLaunch();
}

TEST_F(LaunchTest, NeverModeSpreadsPatternNineWithinItsGaps) {
    int launches = 0;
    for (uint32_t seed = 0; launches < 300 && seed < 1000000; ++seed) {
        double a = 0, b = 0;
        if (!launchFromSeed(9, TouchMode::never, seed, &a, &b)) {
            continue;
        }
        ++launches;
        const BallState* ball = ballTable.balls;
        EXPECT_GE(ball[0].time, a + 0.1);
        EXPECT_LT(ball[0].time, a + 0.4);
        EXPECT_EQ(ball[1].time, a);
        EXPECT_GT(ball[2].time, a - 0.4);
        EXPECT_LE(ball[2].time, a - 0.1);
        EXPECT_GT(ball[3].time, a - 0.7);
        EXPECT_LE(ball[3].time, a - 0.1);
        EXPECT_EQ(ball[4].time, 0.0);

        // Each decision draws its touch number, then g: ball 3's gap reaches 0.7.
        ReferenceDraws reference{seed};
        for (int i = 0; i < 3; ++i) {
            reference.next();
        }
        double g[3];
        for (double& value : g) {
            reference.next();
            value = reference.next();
        }
        EXPECT_EQ(ball[0].time, a + (0.1 + 0.3 * g[0]));
        EXPECT_EQ(ball[2].time, a - (0.1 + 0.3 * g[1]));
        EXPECT_EQ(ball[3].time, a - (0.1 + 0.6 * g[2]));
    }
    EXPECT_EQ(launches, 300);
}

TEST_F(LaunchTest, NeverModeSeparatesTheRightPairOfPatternFive) {
    int launches = 0;
    for (uint32_t seed = 0; launches < 300 && seed < 1000000; ++seed) {
        double a = 0, b = 0;
        if (!launchFromSeed(5, TouchMode::never, seed, &a, &b)) {
            continue;
        }
        ++launches;
        const BallState* ball = ballTable.balls;
        EXPECT_GE(ball[0].time, a + 0.1);
        EXPECT_LT(ball[0].time, a + 0.4);
        EXPECT_EQ(ball[1].time, a);
        EXPECT_EQ(ball[2].time, 0.0);
        EXPECT_GE(ball[3].time, -b + 0.1);
        EXPECT_LT(ball[3].time, -b + 0.4);
        EXPECT_EQ(ball[4].time, -b);
    }
    EXPECT_EQ(launches, 300);
}

TEST_F(LaunchTest, AlwaysModeKeepsGroupsTogetherAndBothActsAsNever) {
    for (LaunchPattern n = 2; n <= patternCount; ++n) {
        for (int k = 0; k < 20; ++k) {
            const uint32_t seed = seedForDraw(drawInside[n - 1] + k);
            double a = 0, b = 0;
            ASSERT_TRUE(launchFromSeed(n, TouchMode::always, seed, &a, &b));
            for (int i = 0; i < ballCount; ++i) {
                const double time = ballTable.balls[i].time;
                EXPECT_TRUE(time == a || time == -b || time == 0.0)
                    << "pattern " << n << " ball " << i;
            }

            ASSERT_TRUE(launchFromSeed(n, TouchMode::never, seed, &a, &b));
            const BallTable never = ballTable;
            ASSERT_TRUE(launchFromSeed(n, TouchMode::both, seed, &a, &b));
            for (int i = 0; i < ballCount; ++i) {
                EXPECT_EQ(ballTable.balls[i].time, never.balls[i].time);
            }
        }
    }
}

TEST_F(LaunchTest, SometimesModeGapsAboutOneDecisionInSix) {
    int decisions = 0;
    int gaps = 0;
    seedRandom(2024);
    for (int launch = 0; launch < 2000; ++launch) {
        clearBallTable();
        setLaunchSettings(onlyPattern(6), TouchMode::sometimes); // decisions A and B
        launchFirstPattern();
        const BallState* ball = ballTable.balls;
        decisions += 2;
        gaps += (ball[0].time != ball[1].time) + (ball[2].time != ball[1].time);
    }
    EXPECT_NEAR(double(gaps) / decisions, 0.16, 0.02);
}

TEST_F(LaunchTest, OnlyPatternFourSucceedsAboutOneAttemptInFive) {
    setLaunchSettings(onlyPattern(4), TouchMode::always);
    seedRandom(77);
    int successes = 0;
    for (int attempt = 0; attempt < 20000; ++attempt) {
        clearBallTable();
        const uint32_t before = randomGenerator.drawCount;
        if (tryLaunch()) {
            ++successes;
            EXPECT_EQ(randomGenerator.drawCount - before, 4u); // decision A, no gap
        } else {
            ASSERT_EQ(randomGenerator.drawCount - before, 3u);
            ASSERT_TRUE(tableIsClear());
        }
    }
    EXPECT_NEAR(successes / 20000.0, 0.2, 0.015);
}

TEST_F(LaunchTest, FirstPatternComesFromTheEnabledOnes) {
    for (LaunchPattern n : {1, 10}) { // the rarest picks: 25 attempts expected
        setLaunchSettings(onlyPattern(n), TouchMode::always);
        for (uint32_t seed = 0; seed < 50; ++seed) {
            clearBallTable();
            seedRandom(seed);
            launchFirstPattern();
            EXPECT_EQ(ballTable.launchedPattern, n);
        }
    }
    setLaunchSettings(onlyPattern(3) | onlyPattern(7), TouchMode::always);
    for (uint32_t seed = 0; seed < 50; ++seed) {
        clearBallTable();
        seedRandom(seed);
        launchFirstPattern();
        EXPECT_TRUE(ballTable.launchedPattern == 3 || ballTable.launchedPattern == 7);
    }
}

TEST_F(LaunchTest, NoEnabledPatternFallsBackToOneBallOnTheLeft) {
    for (uint32_t entry : {0u, 2u}) {
        for (int n = 0; n < patternCount; ++n) {
            cradleSettings.patternEnabled[n] = entry;
        }
        for (uint32_t seed : {1u, 12345u, 0xffffffffu}) {
            clearBallTable();
            seedRandom(seed);
            ReferenceDraws reference{seed};
            reference.next();
            reference.next();
            const double startTimeB = reference.next() + 44.9;
            const uint32_t before = randomGenerator.drawCount;
            launchFirstPattern();
            EXPECT_EQ(randomGenerator.drawCount - before, 3u);
            EXPECT_EQ(ballTable.launchedPattern, fallbackPattern);
            EXPECT_EQ(ballTable.balls[0].time, startTimeB);
            EXPECT_EQ(ballTable.balls[0].angle, -1.0);
            for (int i = 1; i < ballCount; ++i) {
                EXPECT_EQ(ballTable.balls[i].angle, 0.0);
            }
        }
    }
}

TEST_F(LaunchTest, FirstStepPlacesAGroupAtOneAngle) {
    for (int k = 0; k < 600; k += 7) {
        double a = 0, b = 0;
        ASSERT_TRUE(launchFromSeed(6, TouchMode::always, seedForDraw(drawInside[5] + k), &a, &b));
        advanceBalls(0.0); // the first frame of a process advances by 0
        const double angle = ballTable.balls[0].angle;
        EXPECT_NEAR(angle, std::sin(-(omega * a)), 1e-12);
        for (int i = 1; i < 3; ++i) {
            EXPECT_EQ(ballTable.balls[i].angle, angle) << "ball " << i;
        }
        // Up to 22.1763 s (14 pi / omega) the angle is positive, at most 0.521; later it
        // is negative, down to -0.991.
        EXPECT_EQ(angle > 0.0, a < 14 * pi / omega) << "start time " << a;
        EXPECT_LE(angle, 0.5211);
        EXPECT_GE(angle, -0.9911);
        findContacts(); // the raised three touch each other
        EXPECT_GE(ballTable.balls[0].contacts, 1.0);
        EXPECT_EQ(ballTable.balls[1].contacts, 2.0);
    }
}

} // namespace
