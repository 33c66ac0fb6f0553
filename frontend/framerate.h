// The Linux front ends' -fps report: once a second the frame rate, the swing's step (the frame
// clock's average, ms) and the frames drawn since the start, which tests and the bench read.
#pragma once

struct FrameRateReport {
    double since; // sceneNow seconds at the start of the current second
    long frames;  // frames drawn in it
};

// A fresh second from `now`: at the start, and after a time in which nothing was drawn.
void restartFrameRate(FrameRateReport& report, double now);
// A frame was drawn at `now`, the `framesDrawn`th since the start.
void countFrameRate(FrameRateReport& report, double now, long framesDrawn);
