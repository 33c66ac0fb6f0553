// The frame drawing on a real OpenGL under Wine, through the saver's own events: where the balls
// land, the fog, the strings in both modes and how thin, the backdrop's drift, the floor discs
// added onto it, and what the events do with the settings and the seed.
#include <gtest/gtest.h>

#include "host/host.h"
#include "settings/settings.h"
#include "sim/sim.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>
#include <vector>

namespace {

constexpr int viewWidth = 1024, viewHeight = 768; // pixels, the virtual screen
constexpr double pi = 3.14159265358979323846;
HWND saverWindow;

LRESULT CALLBACK testWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return saverEventProc(window, message, wParam, lParam);
}

// One saver window through the real creation event: every pattern, Always, strings as lines.
void openSaverWindow() {
    cradleSettings = CradleSettings{{1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 1, 0, 0};
    saveSettings();
    WNDCLASSA wc = {CS_OWNDC, testWindowProc, 0,       0,       GetModuleHandleA(nullptr),
                    nullptr,  nullptr,        nullptr, nullptr, "RenderTest"};
    RegisterClassA(&wc);
    saverWindow = CreateWindowExA(0, "RenderTest", "RenderTest", WS_POPUP | WS_VISIBLE, 0, 0,
                                  viewWidth, viewHeight, nullptr, nullptr, wc.hInstance, nullptr);
}

struct Point3 {
    double x, y, z;
};

// The stand frame in eye space: turned `turn` degrees about +y, then moved to (0, 0.5, -12).
Point3 standToEye(Point3 p, double turn) {
    const double a = turn * pi / 180.0;
    return {std::cos(a) * p.x + std::sin(a) * p.z, p.y + 0.5,
            -std::sin(a) * p.x + std::cos(a) * p.z - 12.0};
}

double pixelsPerUnit(double depth) {
    return 0.5 * viewHeight / std::tan(22.5 * pi / 180.0) / depth;
}

// gluPerspective(45, aspect, 0.1, 100) over the whole window: window pixels, origin bottom left.
Point3 project(Point3 eye) {
    const double scale = pixelsPerUnit(-eye.z);
    return {0.5 * viewWidth + eye.x * scale, 0.5 * viewHeight + eye.y * scale, 0.0};
}

// Where drawFrame puts ball i's centre, in the stand frame.
Point3 ballCentre(int ball) {
    const BallState& b = ballTable.balls[ball];
    return {-1.6 + static_cast<float>(static_cast<float>(0.8 * ball) + b.x), -b.y, 0.0};
}

struct Rgb {
    int r, g, b;
};

// The back buffer's pixels, rows from the bottom up.
struct Picture {
    std::vector<unsigned char> rgb = [] {
        std::vector<unsigned char> rgb(size_t(viewWidth) * viewHeight * 3);
        glFinish();
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, viewWidth, viewHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    }();
    Rgb at(int x, int y) const {
        const unsigned char* p = &rgb[(size_t(std::clamp(y, 0, viewHeight - 1)) * viewWidth +
                                       std::clamp(x, 0, viewWidth - 1)) *
                                      3];
        return {p[0], p[1], p[2]};
    }
    Rgb at(Point3 p) const { return at(int(std::floor(p.x)), int(std::floor(p.y))); }
};

// Only the balls' reflection is blue-dominant: fog, backdrop and floor lean green, the stand red.
bool isBall(Rgb c) {
    return c.b > c.g && c.b > c.r + 8;
}

// A launched swing, then `frames` frames of 0.02 s after the given turn counter; the strings
// as lines unless `atiFix`.
void runFrames(int32_t turnCounterBefore, int frames, uint32_t atiFix = 0) {
    cradleSettings.atiFix = atiFix;
    sceneryCounters = SceneryCounters{turnCounterBefore, 0.0f};
    clearBallTable();
    seedRandom(7);
    launchFirstPattern();
    for (int i = 0; i < frames; ++i)
        drawFrame(0.02);
}

// Every event follows the stored settings first; what the chain leaves reaches DefWindowProcA.
// Erase background reseeds from the calendar second, stirred once (u x 10 000 000 of its first
// draw).
TEST(Render, EventsFollowTheStoredSettingsAndEraseBackgroundReseeds) {
    for (uint32_t ati : {1u, 0u}) {
        cradleSettings.atiFix = ati;
        saveSettings();
        cradleSettings.atiFix = 7;
        EXPECT_EQ(saverEventProc(saverWindow, WM_GETTEXTLENGTH, 0, 0), 10) << "\"RenderTest\"";
        EXPECT_EQ(cradleSettings.atiFix, ati);
    }
    time_t second;
    do { // again if a second went by meanwhile
        second = time(nullptr);
        EXPECT_EQ(saverEventProc(saverWindow, WM_ERASEBKGND, 0, 0), 0);
    } while (time(nullptr) != second);
    const uint32_t reseeded = randomGenerator.state;
    seedRandom(static_cast<uint32_t>(second));
    EXPECT_EQ(reseeded, static_cast<uint32_t>(unitRandom() * 10000000.0));
}

// Edits the option key from another process (reg.exe with `arguments`), as the dialog of
// another saver process or the user would.
bool editKeyOutside(const char* arguments) {
    char command[200];
    std::snprintf(command, sizeof command, "reg.exe %s /f", arguments);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code == 0;
}

// The settings after the saver's next events: the registry's notice may trail the edit, so
// events go on for up to 2 s until the record differs from `before`.
CradleSettings settingsAfterEvents(const CradleSettings& before) {
    for (int i = 0; i < 100 && std::memcmp(&cradleSettings, &before, sizeof before) == 0; ++i) {
        saverEventProc(saverWindow, WM_GETTEXTLENGTH, 0, 0);
        if (std::memcmp(&cradleSettings, &before, sizeof before) == 0)
            Sleep(20);
    }
    return cradleSettings;
}

// The key is read again only after a change, then at once: while nothing changes a field set
// in memory stays as it is; a value saved from outside, a key replaced by a new one and a
// deleted key (the defaults: every pattern, Always, the ATI mode on) show at the next event.
TEST(Render, SettingsAreReadAgainOnlyWhenTheKeyChanges) {
    const char key[] = "HKCU\\Software\\Orbweave\\Zeride";
    char edit[160];
    cradleSettings = CradleSettings{{1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 1, 0, 0};
    saveSettings();
    saverEventProc(saverWindow, WM_GETTEXTLENGTH, 0, 0); // what changed before is read
    const CradleSettings marked = {{2, 2, 2, 2, 2, 2, 2, 2, 2, 2}, 2, 2, 7};
    cradleSettings = marked;
    for (int i = 0; i < 50; ++i)
        saverEventProc(saverWindow, WM_PAINT, 0, 0);
    EXPECT_EQ(std::memcmp(&cradleSettings, &marked, sizeof marked), 0) << "read while unchanged";

    // 1 where 0 is stored: the registry reports no change when a value is saved as it was.
    std::snprintf(edit, sizeof edit, "add %s /v \"ATI fix\" /t REG_DWORD /d 1", key);
    ASSERT_TRUE(editKeyOutside(edit));
    EXPECT_EQ(settingsAfterEvents(marked).atiFix, 1u) << "a value saved from outside";

    cradleSettings = marked; // deleted and made anew between two events
    std::snprintf(edit, sizeof edit, "delete %s", key);
    ASSERT_TRUE(editKeyOutside(edit));
    std::snprintf(edit, sizeof edit, "add %s /v \"ATI fix\" /t REG_DWORD /d 0", key);
    ASSERT_TRUE(editKeyOutside(edit));
    EXPECT_EQ(settingsAfterEvents(marked).atiFix, 0u) << "the key replaced";
    EXPECT_EQ(cradleSettings.touchNever, 2u) << "a value the new key lacks keeps its field";

    const CradleSettings defaults = {{1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 1, 0, 1};
    cradleSettings = marked;
    std::snprintf(edit, sizeof edit, "delete %s", key);
    ASSERT_TRUE(editKeyOutside(edit));
    const CradleSettings deleted = settingsAfterEvents(marked);
    EXPECT_EQ(std::memcmp(&deleted, &defaults, sizeof defaults), 0) << "the key deleted";
}

// Each ball's disc is centred where the stand's transforms put it, with the radius 0.4 gives,
// and not fogged; the stand is.
TEST(Render, BallsSitWhereTheTransformsPutThemAndOnlyTheStandIsFogged) {
    runFrames(199, 40);
    const Picture picture;
    const double turn = sceneryTurn(standTurnRate);
    for (int i = 0; i < ballCount; ++i) {
        SCOPED_TRACE(testing::Message() << "ball " << i);
        const Point3 eye = standToEye(ballCentre(i), turn);
        const Point3 centre = project(eye);
        const int cx = int(centre.x), cy = int(centre.y);
        ASSERT_TRUE(isBall(picture.at(cx, cy)));
        EXPECT_LT(picture.at(cx, cy).g, 70) << "no fog on the balls: fogged, green is 78 up";
        int up = 0, down = 0;
        while (isBall(picture.at(cx, cy + up + 1)) && up < 200)
            ++up;
        while (isBall(picture.at(cx, cy - down - 1)) && down < 200)
            ++down;
        EXPECT_NEAR(cy + (up - down) / 2.0, centre.y, 2.0);
        EXPECT_NEAR((up + down + 1) / 2.0, 0.4 * pixelsPerUnit(-eye.z), 2.0);
    }
    // Linear fog, 1 to 19 units, to (0.2, 0.5, 0.3) on the stand's yellow front caps.
    for (double side : {-1.0, 1.0}) {
        const Point3 eye = standToEye({side * 2.535, 0.035, 1.52}, turn);
        const double f = std::clamp((19.0 + eye.z) / 18.0, 0.0, 1.0);
        const Rgb got = picture.at(project(eye));
        EXPECT_NEAR(got.r, 255 * (f * 0.6 + (1 - f) * 0.2), 10) << "cap at x " << side * 2.5;
        EXPECT_NEAR(got.g, 255 * (f * 0.45 + (1 - f) * 0.5), 10) << "cap at x " << side * 2.5;
        EXPECT_NEAR(got.b, 255 * (1 - f) * 0.3, 10) << "cap at x " << side * 2.5;
    }
}

// The front strings show in both modes (lines, or ribbons 0.02 across): thin near the pivot.
TEST(Render, StringsShowInBothModesAndStayThin) {
    for (uint32_t ati : {0u, 1u}) {
        runFrames(3599, 1, ati); // frame 3600: the stand has turned exactly once
        const Picture picture;
        // Fogged white at alpha 0.4 adds about 53 in red; the clouds reach 38.
        auto lit = [&](int x, int y) { return picture.at(x, y).r >= 45; };
        for (int i = 0; i < ballCount; ++i) {
            SCOPED_TRACE(testing::Message() << "ball " << i << " atiFix " << ati);
            const BallState& b = ballTable.balls[i];
            const double topX = -1.6 + static_cast<float>(0.8 * i), endX = ballCentre(i).x;
            auto along = [&](double t) {
                return project(standToEye(
                    {topX + t * (endX - topX), t * (0.45 - b.y), 1.45 + t * (0.02 - 1.45)}, 0.0));
            };
            int seen = 0;
            for (double t : {0.3, 0.4, 0.5, 0.6, 0.7}) {
                const Point3 p = along(t);
                bool any = false; // in the 3 x 3 pixels around it
                for (int d = 0; d < 9; ++d)
                    any = any || lit(int(p.x) + d % 3 - 1, int(p.y) + d / 3 - 1);
                seen += any;
            }
            EXPECT_GE(seen, 4) << "front string";
            // 0.3 units below the pivots, clear of the rail: the lit run through the string.
            const Point3 p = along(0.3 / (b.y - 0.45));
            int left = int(p.x) - 2; // the first lit pixel near it
            while (left < int(p.x) + 2 && !lit(left, int(p.y)))
                ++left;
            int right = left;
            while (lit(left - 1, int(p.y)) && left > p.x - 30)
                --left;
            while (lit(right + 1, int(p.y)) && right < p.x + 30)
                ++right;
            EXPECT_LE(right - left + 1, 5) << "pixels across the front string near its pivot";
        }
    }
}

// The backdrop (22 wide, 18 away, a quarter of the texture) moves -0.0004 of it a frame.
TEST(Render, BackdropDriftsBetweenFrames) {
    runFrames(0, 1);
    const Picture before;
    for (int i = 0; i < 30; ++i)
        drawFrame(0.02);
    const Picture after;
    const double expected = 30 * 0.0004 / 0.25 * 22.0 * pixelsPerUnit(18.0);
    const int top = viewHeight - 2, bottom = int(project({0, 0.6, -10.0}).y) + 10;
    std::pair<double, int> best = {1e300, 0}; // the least difference, at its shift
    for (int shift = -60; shift <= 60; ++shift) {
        double difference = 0;
        for (int y = bottom; y < top; y += 2)
            for (int x = 100; x < viewWidth - 100; ++x)
                difference += std::abs(after.at(x, y).g - before.at(x - shift, y).g);
        best = std::min(best, {difference, shift});
    }
    EXPECT_NEAR(best.second, expected, 2.0);
}

// Below the stand, each layer (backdrop, two floor discs) drawn alone, added up, is the frame.
TEST(Render, TwoFloorDiscsAddUpBelowTheStand) {
    runFrames(99, 1); // the turn counter at 100, the backdrop one step on
    const Picture frame;
    // Each layer alone, placed by the described figures rather than the frame's own code: the
    // backdrop shifted by -0.0004, the discs 12 units ahead at heights -2.55 and -2.5, turned
    // 0.31 and -0.23 degrees a frame.
    auto layer = [](GLuint list, float shift, double height, float degrees) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_BLEND);
        glLoadIdentity();
        glColor3f(0.1f, 0.1f, 0.1f);
        if (list == backdropList) {
            glMatrixMode(GL_TEXTURE);
            glBindTexture(GL_TEXTURE_2D, backdropTexture);
            glTranslatef(shift, 0.0f, 0.0f);
            glMatrixMode(GL_MODELVIEW);
        } else {
            glTranslated(0.0, height, -12.0);
            glRotatef(degrees, 0.0f, 1.0f, 0.0f);
        }
        glCallList(list);
        glCallList(textureResetList);
        glDisable(GL_BLEND);
        return Picture();
    };
    const Picture backdrop = layer(backdropList, -0.0004f, 0, 0);
    const Picture lower = layer(lowerFloorList, 0, -2.55, 100 * 0.31f);
    const Picture upper = layer(upperFloorList, 0, -2.5, 100 * -0.23f);
    const int top = int(project({0, -2.7, -10.4}).y) - 8; // below the feet of the posts
    int lowerBright = 0, upperBright = 0, mismatches = 0, compared = 0;
    for (int y = 4; y < top; y += 2) {
        for (int x = 150; x < viewWidth - 150; x += 2, ++compared) {
            const Rgb f = frame.at(x, y), b = backdrop.at(x, y), l = lower.at(x, y),
                      u = upper.at(x, y);
            lowerBright += l.g > 30;
            upperBright += u.g > 30;
            mismatches += std::abs(f.r - std::min(255, b.r + l.r + u.r)) > 3 ||
                          std::abs(f.g - std::min(255, b.g + l.g + u.g)) > 3 ||
                          std::abs(f.b - std::min(255, b.b + l.b + u.b)) > 3;
        }
    }
    EXPECT_GT(lowerBright, compared / 10) << "the lattice disc shows";
    EXPECT_GT(upperBright, compared / 10) << "the ring disc shows";
    EXPECT_LT(mismatches, compared / 200) << "the frame's floor is the layers added";
}

// Frames through the core's entries as a front end calls them, on the core's clock that the
// test sets: ask how long to wait, wait (`late` seconds longer than asked), then a frame that
// takes `draw` seconds (`first` for the run's first one), so the core's clock reads its end
// once it is drawn; until `until`. The frames are drawn for real, small. With `judge`, the
// worst step of these frames: how far the frame clock's average, which the swing steps by, is
// from the true 1/60 s, relative to it.
struct PacedRun {
    double now;               // seconds of the core's clock
    double draw, first, late; // seconds
    int frames;
    double worstStep;
};

void runPaced(PacedRun& run, double until, bool judge) {
    while (run.now < until) {
        const double wait = sceneFrameWait(run.now);
        if (wait > 0.0) {
            run.now += wait + run.late;
            continue;
        }
        if (judge)
            run.worstStep = std::max(run.worstStep, std::fabs(frameClock.frameTime * 60.0 - 1.0));
        const double took = run.frames++ ? run.draw : run.first;
        driveClock(run.now + took);
        EXPECT_TRUE(drawSceneFrame(run.now, measuredStepTime));
        run.now += took;
    }
}

// Frames in 3 s, each taking `draw` seconds (`first` for the first), waits `late`.
int framesIn3s(double draw, double first, double late) {
    resumeScene(); // else the previous case's grid would hold the first frame back
    PacedRun run = {100.0, draw, first, late, 0, 0.0};
    runPaced(run, 103.0, false);
    return run.frames;
}

// At most 60 a second; slower frames follow each other at once (20, 25, 40 and 500 ms give
// 50, 40, 25 and 2 a second); a wait that overshoots is made up by the next; after a pause (a
// first frame of 1 s) a fresh start, no burst to catch up.
TEST(Render, FramesArePacedFromTheirStart) {
    reshapeScene(singleViewLayout(16, 12));
    // seconds drawing a frame, the first frame, a wait's overshoot; frames in 3 s
    const double cases[][4] = {
        {0.005, 0.005, 0.0, 180},   {0.015, 0.015, 0.0, 180},   {0.020, 0.020, 0.0, 150},
        {0.025, 0.025, 0.0, 120},   {0.040, 0.040, 0.0, 75},    {0.5, 0.5, 0.0, 6},
        {0.005, 0.005, 0.004, 180}, {0.015, 0.015, 0.003, 180}, {0.005, 1.0, 0.0, 121}};
    for (const auto& c : cases)
        EXPECT_NEAR(framesIn3s(c[0], c[1], c[2]), c[3], 1.0)
            << "frames of " << c[0] << " s, the first " << c[1] << " s, waits late by " << c[2];
    reshapeScene(singleViewLayout(viewWidth, viewHeight));
}

// Frames for a while, then a stall in which nothing is drawn (a stopped process, a paused
// machine), or an erase-background event: once frames resume every step stays within 10 % of
// the true time per frame (no burst, no fast-forward, no freeze), and 60 frames come in the
// second after. At 49.7 days the 32-bit millisecond clock wraps.
TEST(Render, StallsAndEraseBackgroundKeepTheSwingsPace) {
    constexpr double wrap = 4294967.296; // seconds
    const struct {
        const char* name;
        double uptime, before, stall; // seconds
        bool erase;
    } cases[] = {
        {"a stall of 0.3 s", 50.0, 2.0, 0.3, false},
        {"a stall of 10 s", 50.0, 2.0, 10.0, false},
        {"a stall of an hour", 50.0, 2.0, 3600.0, false},
        {"a stall of 49.7 days", 50.0, 2.0, wrap, false},
        {"a stall of 0.3 s across the wrap at 49.7 days of uptime", wrap - 2.1, 2.0, 0.3, false},
        {"an erase-background event after 20 s", 50.0, 20.0, 0.0, true},
    };
    reshapeScene(singleViewLayout(16, 12));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PacedRun run = {c.uptime, 0.004, 0.004, 0.0, 0, 0.0};
        driveClock(run.now);
        resumeScene();
        runPaced(run, c.uptime + c.before, false);
        ASSERT_NEAR(frameClock.frameTime * 60.0, 1.0, 0.02) << "the pace before";
        if (c.erase) {
            driveClock(run.now);
            EXPECT_EQ(saverEventProc(saverWindow, WM_ERASEBKGND, 0, 0), 0);
        }
        run.now += c.stall;
        const int before = run.frames;
        runPaced(run, run.now + 1.0, true);
        EXPECT_LT(run.worstStep, 0.10) << "the largest step error after the stall";
        EXPECT_NEAR(run.frames - before, 60, 1) << "frames in the second after";
    }
    reshapeScene(singleViewLayout(viewWidth, viewHeight));
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    openSaverWindow();
    if (!sceneCore.ready)
        std::puts("FAIL: the window, its GL context or the scene's set-up failed");
    const int failed = sceneCore.ready ? RUN_ALL_TESTS() : 1;
    DestroyWindow(saverWindow);
    RegDeleteKeyA(HKEY_CURRENT_USER, settingsKeyPath);
    return failed;
}
