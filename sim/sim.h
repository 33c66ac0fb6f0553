// The cradle simulation: the five-ball swing, the launch patterns and the frame clock.
// Portable: no Windows or GL header may be included here or in sim/*.cpp.
#pragma once
#include <cstdint>

// --- Ball state and swing step -------------------------------------------------------------

constexpr int ballCount = 5;
constexpr double stringLength = 2.5; // scene units, pivot to ball centre
constexpr double gravity = 9.83371;  // scene units / s^2
constexpr double ballSpacing = 0.8;  // pivot spacing and ball diameter, scene units
constexpr double maxStepTime = 0.04; // seconds, largest advance of one step
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
    int launchedPattern; // the LaunchPattern that set this table moving, 0 before a launch
};
extern BallTable ballTable;

void clearBallTable();
void stepSwing(double frameTime); // seconds; runs the three phases below in order

// The phases of one step, open to the tests.
void advanceBalls(double frameTime); // advance by min(frameTime, maxStepTime), place, load slots
void findContacts();                 // count touching pairs and carry slot values along runs
void resolveContacts();              // stop the ends of runs and hand them the carried times

// --- Launch patterns -----------------------------------------------------------------------

using LaunchPattern = int; // 1 to 10

// Launched when no pattern is enabled: one ball raised on the left.
constexpr LaunchPattern fallbackPattern = 1;

// The C runtime's rand/srand sequence, reproduced so it is the same on every platform.
struct RandomGenerator {
    uint32_t state;     // 1 at process start
    uint32_t drawCount; // draws since process start, wrapping; counted for the tool and tests
};
extern RandomGenerator randomGenerator;

void seedRandom(uint32_t seed); // srand
int nextRandom();               // rand: 0 to 32767
double unitRandom();            // nextRandom() / 32768, so 0 <= u <= 32767/32768
// The saver's one seeding rule: the calendar second (time()), stirred once through the
// generator so neighbouring seconds start far apart.
void seedFromCalendarSecond(uint32_t second);

LaunchPattern patternForDraw(double u); // the pattern whose pick interval holds u
LaunchPattern pickPattern();            // one draw
bool tryLaunch();                       // false, after three draws, if the pick is disabled
void launchFirstPattern();              // never loops for ever: see fallbackPattern

// --- The core's clock ------------------------------------------------------------------------

// The one clock the core reads: the frame clock's ticks, the pacing grid and what the front
// ends ask for. A test can set it, so an hour's stall or fifty days of uptime take no time.
struct CoreClock {
    int64_t processStart; // ns of the steady clock at static initialisation
    bool driven;          // a test has set the time
    double drivenSeconds; // the time it set
};
extern CoreClock coreClock;

double clockSeconds();           // monotonic seconds since the process started
void driveClock(double seconds); // from now on the clock reads `seconds` (tests only)

// --- Frame clock ---------------------------------------------------------------------------

struct FrameClock {
    int32_t startTick;  // ms of the process clock at the last restart
    int32_t frameCount; // frames since the last reset
    double frameTime;   // seconds, average per frame since startTick
    double lastCountAt; // clockSeconds at the last counted frame or restart
};
extern FrameClock frameClock;

// A gap between two counted frames longer than this (seconds), and than pauseFrames times the
// average frame, is a pause (a stopped process, a paused machine, a debugger): it counts as
// no frame, and the average starts afresh; the first frame after it is measured whole.
constexpr double pauseSeconds = 0.25;
constexpr double pauseFrames = 4.0;
// The average starts afresh at the last frame once it spans this many ms (a day), long before
// the 32-bit millisecond difference could wrap (49.7 days).
constexpr uint32_t averageSpanTicks = 86400000u;

int32_t processClock(); // wall-clock ms since the process started, as a 32-bit tick count
// Seconds per frame over frameCount frames from startTick to now (ms of the process clock).
double averageFrameTime(int32_t startTick, int32_t now, int32_t frameCount);
void resetFrameClock();
void restartFrameClock();
// A fresh average from the last counted frame: the next frame's time is measured whole.
void restartFrameAverage();
void countFrame();

// --- Frame pacing ----------------------------------------------------------------------------

// At most 60 frames a second on every display: faster displays and unsynchronised swaps
// would otherwise turn the scenery faster (it moves per frame) and keep a core busy.
constexpr double minFramePeriod = 1.0 / 60.0; // seconds

// Frames are due on a grid of minFramePeriod, so a wait that overshoots is made up by the
// next one and the average stays at the cap.
struct FramePacer {
    double nextFrameDue; // clockSeconds
    bool started;        // a frame has been drawn since the last restart
};
extern FramePacer framePacer;

// Seconds to wait at `now` before the next frame may be drawn; 0 when it may be drawn now.
double framePacingWait(double now);
// A frame was drawn at `now`.
void markFramePaced(double now);
// The next frame may be drawn at once (after a pause, when the display comes back).
void restartFramePacing();
