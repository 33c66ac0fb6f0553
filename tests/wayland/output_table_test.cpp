// The Wayland front end's output table through its real registry handlers, on the private
// sway: an output whose global goes loses its surface and its view, and one announced again
// gets them back, as often as outputs come and go. NOTE: sway 1.7 cannot unplug a headless
// output, so the removal is handed to the front end's own registry listener, as the
// compositor would send it; everything else (binding, surfaces, configures) is sway's.
#include "wayland/front.h"

#include <gtest/gtest.h>

namespace {

int32_t coveredOutputs() {
    int32_t count = 0;
    for (const OutputSurface& out : front.outputs)
        count += out.configured ? 1 : 0;
    return count;
}

int32_t boundOutputs() {
    int32_t count = 0;
    for (const OutputSurface& out : front.outputs)
        count += out.name != 0 ? 1 : 0;
    return count;
}

// Round trips until every bound output is configured (at most 100).
bool allCovered() {
    for (int trip = 0; trip < 100; ++trip) {
        if (coveredOutputs() == boundOutputs())
            return true;
        wl_display_roundtrip(front.display);
    }
    return false;
}

class OutputTable : public testing::Test {
  protected:
    void SetUp() override {
        char program[] = "clackmoor-wayland";
        char* argv[] = {program, nullptr};
        OptionProblem problem;
        ASSERT_TRUE(parseWaylandOptions(1, argv, front.options, problem));
        front.eglDisplay = EGL_NO_DISPLAY;
        front.eglContext = EGL_NO_CONTEXT;
        front.display = wl_display_connect(nullptr);
        ASSERT_NE(front.display, nullptr) << "no Wayland display: run under the sway fixture";
        ASSERT_EQ(findGlobals(), 0);
        ASSERT_TRUE(startEgl());
        coverOutputs();
        ASSERT_TRUE(allCovered());
        ASSERT_GE(boundOutputs(), 2) << "the test wants two outputs";
        ASSERT_TRUE(layOutCanvas());
    }
    void TearDown() override {
        if (front.display != nullptr)
            closeFront();
    }
};

TEST_F(OutputTable, RemovedOutputLosesItsSurfaceAndView) {
    int32_t index = -1;
    for (int32_t i = maxOutputs - 1; i >= 0 && index < 0; --i)
        index = front.outputs[i].configured ? i : -1;
    ASSERT_GE(index, 0);
    const uint32_t name = front.outputs[index].name;
    const int32_t width = front.canvas.width;
    const int32_t removedWidth = outputPixelWidth(front.outputs[index]);
    const int32_t covered = coveredOutputs();

    registryListener.global_remove(nullptr, front.registry, name);
    EXPECT_EQ(front.outputs[index].name, 0u);
    EXPECT_EQ(front.outputs[index].surface, nullptr);
    EXPECT_EQ(coveredOutputs(), covered - 1);
    EXPECT_TRUE(front.canvas.stale);
    ASSERT_TRUE(layOutCanvas());
    EXPECT_EQ(front.canvas.width, width - removedWidth);
    EXPECT_EQ(front.canvas.left[index], -1);
    wl_display_roundtrip(front.display); // the compositor takes the surface's end calmly
    EXPECT_EQ(wl_display_get_error(front.display), 0);
}

// Unplugged and plugged in again more often than the table has slots: each time the output
// gets a surface and its view back.
TEST_F(OutputTable, OutputsComeAndGoWithoutEnd) {
    int32_t index = -1;
    for (int32_t i = 0; i < maxOutputs && index < 0; ++i)
        index = front.outputs[i].configured ? i : -1;
    ASSERT_GE(index, 0);
    const uint32_t name = front.outputs[index].name;
    const int32_t width = front.canvas.width;
    const int32_t covered = coveredOutputs();
    for (int32_t round = 0; round <= maxOutputs; ++round) {
        registryListener.global_remove(nullptr, front.registry, name);
        registryListener.global(nullptr, front.registry, name, wl_output_interface.name, 3);
        ASSERT_TRUE(allCovered()) << "round " << round;
        ASSERT_EQ(coveredOutputs(), covered) << "round " << round;
    }
    ASSERT_TRUE(layOutCanvas());
    EXPECT_EQ(front.canvas.width, width);
    EXPECT_EQ(wl_display_get_error(front.display), 0);
}

} // namespace
