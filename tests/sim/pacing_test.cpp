// Frame pacing: at most 60 frames a second on a fixed grid, whatever the display would allow.
#include <gtest/gtest.h>

#include "sim/sim.h"

#include <cmath>

namespace {

// Draws frames as fast as a renderer taking `drawSeconds` a frame allows, waiting as the
// message loop does, for `seconds`; returns the frames drawn.
int framesDrawnIn(double seconds, double drawSeconds) {
    framePacer = FramePacer{};
    double now = 100.0;
    int frames = 0;
    for (;;) {
        now += framePacingWait(now);
        if (now >= 100.0 + seconds)
            break;
        markFramePaced(now);
        now += drawSeconds;
        ++frames;
    }
    return frames;
}

TEST(FramePacing, AtMostSixtyFramesASecond) {
    // drawing time a frame (s), frames expected in 10 s (the grid's sum may land a hair early)
    const struct {
        double draw;
        int low, high;
    } cases[] = {
        {0.0, 599, 601},      // an unsynchronised swap: the cap alone
        {0.001, 599, 601},    // a fast renderer
        {1.0 / 61, 599, 601}, // just under the cap
        {1.0 / 50, 500, 501}, // slower than the cap: no waiting, no catching up
        {0.5, 20, 21},
    };
    for (const auto& c : cases) {
        const int frames = framesDrawnIn(10.0, c.draw);
        EXPECT_GE(frames, c.low) << "drawing " << c.draw << " s a frame";
        EXPECT_LE(frames, c.high) << "drawing " << c.draw << " s a frame";
    }
}

TEST(FramePacing, WaitsOnAGridSoOvershootIsMadeUp) {
    framePacer = FramePacer{};
    EXPECT_EQ(framePacingWait(5.0), 0.0) << "the first frame is drawn at once";
    markFramePaced(5.0);
    EXPECT_NEAR(framePacingWait(5.0), minFramePeriod, 1e-12);
    EXPECT_NEAR(framePacingWait(5.01), minFramePeriod - 0.01, 1e-12);
    // A wait that overshoots by 5 ms: the next frame is due on the grid, 5 ms sooner.
    markFramePaced(5.0 + minFramePeriod + 0.005);
    EXPECT_NEAR(framePacingWait(5.0 + minFramePeriod + 0.005), minFramePeriod - 0.005, 1e-9);
    // Far behind (a pause): a fresh grid instead of a burst of catching-up frames.
    markFramePaced(9.0);
    EXPECT_NEAR(framePacingWait(9.0), minFramePeriod, 1e-12);
    restartFramePacing();
    EXPECT_EQ(framePacingWait(9.0), 0.0) << "after a restart the next frame is drawn at once";
}

} // namespace
