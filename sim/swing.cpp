// The swing step: each ball's angle is a sine of its own phase time, and contacts hand
// those times along runs of touching balls.
#include "sim/sim.h"

#include <cmath>

const double omega = std::sqrt(gravity / stringLength);

BallTable ballTable;

void clearBallTable() {
    ballTable = BallTable{};
}

// Phase 1: advance every moving ball's time, place it, and load both hand-over slots.
void advanceBalls(double frameTime) {
    // NOTE: written as a test of frameTime < maxStepTime so that NaN also advances by
    // maxStepTime rather than poisoning the times.
    const double advance = frameTime < maxStepTime ? frameTime : maxStepTime;
    for (int i = 0; i < ballCount; ++i) {
        BallState& ball = ballTable.balls[i];
        if (ball.angle == 0.0) {
            ball.time = 0.0;
        } else {
            ball.time += advance;
        }
        ball.angle = std::sin(-(omega * ball.time));
        ball.x = stringLength * std::sin(ball.angle);
        ball.y = stringLength * std::cos(ball.angle);
        ballTable.passRight[i] = ball.time;
        ballTable.passLeft[i] = ball.time;
    }
}

// Squared centre distance of neighbours `left` and left + 1, whose pivots are
// ballSpacing apart; ballSpacing squared means just touching.
static double squaredGap(int left) {
    const BallState& a = ballTable.balls[left];
    const BallState& b = ballTable.balls[left + 1];
    const double dx = (b.x + ballSpacing) - a.x;
    const double dy = a.y - b.y;
    return dx * dx + dy * dy;
}

// Phase 2: rightward checks walk a time to the right end of a touching run, leftward
// checks (from the right) walk one to the left end. The two limits differ on purpose.
void findContacts() {
    for (int j = 0; j < ballCount - 1; ++j) {
        if (squaredGap(j) <= rightContactLimit) {
            ballTable.balls[j].contacts += 1;
            ballTable.passRight[j + 1] = ballTable.passRight[j];
            ballTable.passRight[j] = 0.0;
        }
        const int k = ballCount - 1 - j;
        if (squaredGap(k - 1) <= leftContactLimit) {
            ballTable.balls[k].contacts += 1;
            ballTable.passLeft[k - 1] = ballTable.passLeft[k];
            ballTable.passLeft[k] = 0.0;
        }
    }
}

// Phase 3: a run's end balls stop and take what arrived from the other end; x and y
// stay where phase 1 put them, angle is only the motion flag until the next step.
void resolveContacts() {
    for (int i = 0; i < ballCount; ++i) {
        BallState& ball = ballTable.balls[i];
        if (ball.contacts == 1.0) {
            ball.time = 0.0;
            ball.angle = 0.0;
        }
        ball.contacts = 0.0;
        if (ballTable.passLeft[i] != ball.time) {
            ball.time += ballTable.passLeft[i];
            ball.angle = 1.0;
        }
        if (ballTable.passRight[i] != ball.time) {
            ball.time += ballTable.passRight[i];
            ball.angle = 1.0;
        }
    }
}

void stepSwing(double frameTime) {
    advanceBalls(frameTime);
    findContacts();
    resolveContacts();
}
