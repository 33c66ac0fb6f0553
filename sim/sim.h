// The cradle simulation: the five-ball swing, the launch patterns and the frame clock.
// Portable: no Windows or GL header may be included here or in sim/*.cpp.
#pragma once
#include <cstdint>

// --- Ball state and swing step -------------------------------------------------------------

constexpr int ballCount = 5;
constexpr double stringLength = 2.5;  // scene units, pivot to ball centre
constexpr double gravity = 9.83371;   // scene units / s^2
constexpr double ballSpacing = 0.8;   // pivot spacing and ball diameter, scene units
constexpr double maxStepTime = 0.04;  // seconds, largest advance of one step
constexpr double rightContactLimit = 0.64000000000001; // squared centre distance
constexpr double leftContactLimit = 0.640000000000001;

// Swing frequency in rad/s, sqrt(gravity / stringLength); set during static
// initialisation, so before any window exists.
extern const double omega;

struct BallState {
    double x;        // scene units, offset from rest along the row, + right
    double y;        // scene units, depth below the pivot line, 2.5 at rest
    double time;     // seconds, phase time
    double angle;    // radians; exactly 0.0 between steps means "at rest"
    double contacts; // touching neighbours found in this step; 0 between steps
};

// The ball table and the step's hand-over slots: one instance per process.
struct BallTable {
    BallState balls[ballCount];
    double passRight[ballCount];
    double passLeft[ballCount];
};
extern BallTable ballTable;

void clearBallTable();
void stepSwing(double frameTime);

// --- Launch patterns -----------------------------------------------------------------------

using LaunchPattern = int; // 1 to 10

// The C runtime's rand/srand sequence, reproduced so it is the same on every platform.
struct RandomGenerator {
    uint32_t state;
};
extern RandomGenerator randomGenerator;

void seedRandom(uint32_t seed); // srand
int nextRandom();               // rand: 0 to 32767
double unitRandom();            // nextRandom() / 32768

LaunchPattern pickPattern();
bool tryLaunch();
void launchFirstPattern();

// --- Frame clock ---------------------------------------------------------------------------

struct FrameClock {
    int32_t startTick;  // ms of the process clock at the last restart
    int32_t frameCount; // frames since the last reset
    double frameTime;   // seconds, average per frame since startTick
};
extern FrameClock frameClock;

int32_t processClock(); // wall-clock ms since the process started
void resetFrameClock();
void restartFrameClock();
void countFrame();
