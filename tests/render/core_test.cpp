// The scene core without a GL context: the view layout (monitors in, one viewport each out, in
// GL's window pixels) and the scenery's turns and drift, steady across the period's restart.
#include <gtest/gtest.h>

#include "render/scene.h"
#include "render/scenery.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

namespace {

struct LayoutCase {
    const char* name;
    ScreenRect window;
    std::vector<ScreenRect> monitors;
    std::vector<Viewport> expected;
};

const LayoutCase layoutCases[] = {
    {"one 4:3 monitor", {0, 0, 1024, 768}, {{0, 0, 1024, 768}}, {{0, 0, 1024, 768}}},
    {"side by side, different sizes, second lower",
     {0, 0, 3200, 1080},
     {{0, 0, 1920, 1080}, {1920, 56, 3200, 1080}},
     {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}}},
    {"a monitor left of the primary",
     {-1280, 0, 1920, 1080},
     {{0, 0, 1920, 1080}, {-1280, 100, 0, 1124}},
     {{1280, 0, 1920, 1080}, {0, 0, 1280, 980}}},
    {"a monitor above the primary",
     {0, -1024, 1920, 1080},
     {{0, 0, 1920, 1080}, {0, -1024, 1280, 0}},
     {{0, 0, 1920, 1080}, {0, 1080, 1280, 1024}}},
    {"the preview: a child inside one monitor",
     {100, 50, 252, 162},
     {{100, 50, 252, 162}},
     {{0, 0, 152, 112}}},
    {"a monitor the window does not reach is left out",
     {0, 0, 1024, 768},
     {{0, 0, 1024, 768}, {5000, 0, 6024, 768}},
     {{0, 0, 1024, 768}}},
    {"no monitor at all: the whole window", {0, 0, 800, 600}, {}, {{0, 0, 800, 600}}},
    {"no monitor overlapping: the whole window",
     {0, 0, 800, 600},
     {{900, 0, 1700, 600}},
     {{0, 0, 800, 600}}},
};

TEST(ViewLayout, OneWholeViewPerMonitor) {
    for (const LayoutCase& c : layoutCases) {
        SCOPED_TRACE(c.name);
        const ViewLayout layout =
            layOutViews(c.window, c.monitors.data(), static_cast<int32_t>(c.monitors.size()));
        EXPECT_EQ(layout.width, c.window.right - c.window.left);
        EXPECT_EQ(layout.height, c.window.bottom - c.window.top);
        ASSERT_EQ(layout.count, static_cast<int32_t>(c.expected.size()));
        for (size_t i = 0; i < c.expected.size(); ++i) {
            const Viewport &got = layout.viewports[i], &want = c.expected[i];
            EXPECT_EQ(std::tie(got.x, got.y, got.width, got.height),
                      std::tie(want.x, want.y, want.width, want.height))
                << "view " << i << ": x, y, width, height";
        }
    }
}

TEST(ViewLayout, KeepsTheFirstSixteenMonitors) {
    ScreenRect wall[maxViewports + 4];
    for (int i = 0; i < maxViewports + 4; ++i)
        wall[i] = {i * 100, 0, i * 100 + 100, 100};
    const ViewLayout layout = layOutViews({0, 0, 2000, 100}, wall, maxViewports + 4);
    ASSERT_EQ(layout.count, maxViewports);
    EXPECT_EQ(layout.viewports[maxViewports - 1].x, (maxViewports - 1) * 100);
}

// How far apart two angles (period 360 degrees) or two texture offsets (period 1) are.
double apart(double a, double b, double period) {
    const double d = std::fmod(std::fabs(a - b), period);
    return std::min(d, period - d);
}

// Every frame, before and across the restarts: each angle is the frame count times its rate
// modulo whole turns, each backdrop step -0.0004 in s, and the counters stay small.
TEST(SceneryCounters, StepsStayExactAcrossThePeriodsRestart) {
    EXPECT_LT(lowerFloorTurnRate * upperFloorTurnRate, 0.0) << "the floor discs turn oppositely";
    for (int32_t start : {0, turnPeriod - 3}) {
        sceneryCounters = SceneryCounters{start, start ? -719.98f : 0.0f};
        const double rates[] = {standTurnRate, lowerFloorTurnRate, upperFloorTurnRate};
        double before[3];
        for (int r = 0; r < 3; ++r)
            before[r] = sceneryTurn(rates[r]);
        float previousShift = backdropShift();
        for (int frame = 1; frame <= (start ? 6 : 2 * turnPeriod); ++frame) {
            advanceScenery();
            for (int r = 0; r < 3; ++r)
                ASSERT_LT(apart(sceneryTurn(rates[r]), before[r] + frame * rates[r], 360.0), 0.01)
                    << "rate " << rates[r] << " frame " << frame << " from " << start;
            ASSERT_LT(apart(backdropShift(), previousShift - 0.0004, 1.0), 2e-5) << frame;
            previousShift = backdropShift();
            ASSERT_GE(sceneryCounters.turnCounter, 1);
            ASSERT_LE(sceneryCounters.turnCounter, turnPeriod);
            ASSERT_GT(sceneryCounters.backdropScroll, -800.0f);
        }
    }
}

} // namespace
