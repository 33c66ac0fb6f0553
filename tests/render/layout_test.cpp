// The view layout: a monitor layout in, one viewport per monitor out (GL's window pixels,
// origin bottom left), for the layouts people have.
#include <gtest/gtest.h>

#include "render/scene.h"

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
    {"stacked",
     {0, 0, 1920, 2160},
     {{0, 0, 1920, 1080}, {0, 1080, 1920, 2160}},
     {{0, 1080, 1920, 1080}, {0, 0, 1920, 1080}}},
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
            EXPECT_TRUE(got.x == want.x && got.y == want.y && got.width == want.width &&
                        got.height == want.height)
                << "view " << i << ": " << got.width << "x" << got.height << " at " << got.x << ","
                << got.y;
        }
    }
}

TEST(ViewLayout, KeepsTheFirstSixteenMonitors) {
    std::vector<ScreenRect> wall;
    for (int i = 0; i < maxViewports + 4; ++i)
        wall.push_back({i * 100, 0, i * 100 + 100, 100});
    const ViewLayout layout =
        layOutViews({0, 0, 2000, 100}, wall.data(), static_cast<int32_t>(wall.size()));
    ASSERT_EQ(layout.count, maxViewports);
    EXPECT_EQ(layout.viewports[maxViewports - 1].x, (maxViewports - 1) * 100);
}

} // namespace
