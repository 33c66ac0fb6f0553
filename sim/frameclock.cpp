// The frame clock: the average seconds per frame since the last restart, which the
// swing step takes as its time advance.
#include "sim/sim.h"

#include <chrono>
#include <cstdint>

static int64_t steadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

FrameClock frameClock = {0, 0, 0.0, steadyNanoseconds()};

int32_t processClock() {
    const int64_t ms = (steadyNanoseconds() - frameClock.processStart) / 1000000;
    // Wraps like a 32-bit tick count, after 24.8 days.
    return int32_t(uint32_t(uint64_t(ms)));
}

void resetFrameClock() {
    frameClock.frameCount = 0;
    frameClock.startTick = processClock();
}

void restartFrameClock() {
    frameClock.startTick = processClock();
}

double averageFrameTime(int32_t startTick, int32_t now, int32_t frameCount) {
    // NOTE: the elapsed ms are taken modulo 2^32, so a wrap of the process clock after
    // 24.8 days does not give a negative frame time (the swing step bounds it only from
    // above). Otherwise this is (now - startTick) ms over frameCount frames.
    const uint32_t elapsed = uint32_t(now) - uint32_t(startTick);
    return (elapsed * 1000.0) / (frameCount * 1000000.0);
}

void countFrame() {
    // NOTE: a saver can run for weeks; start a fresh average before the count overflows.
    if (frameClock.frameCount == INT32_MAX) {
        resetFrameClock();
    }
    frameClock.frameCount += 1;
    frameClock.frameTime =
        averageFrameTime(frameClock.startTick, processClock(), frameClock.frameCount);
}

FramePacer framePacer;

double pacingClock() {
    return static_cast<double>(steadyNanoseconds()) * 1e-9;
}

double framePacingWait(double now) {
    if (!framePacer.started || now >= framePacer.nextFrameDue)
        return 0.0;
    return framePacer.nextFrameDue - now;
}

void markFramePaced(double now) {
    // More than a frame behind (a slow frame, a pause): start a fresh grid instead of
    // drawing a burst of frames to catch up.
    if (!framePacer.started || now - framePacer.nextFrameDue > minFramePeriod)
        framePacer.nextFrameDue = now;
    framePacer.nextFrameDue += minFramePeriod;
    framePacer.started = true;
}

void restartFramePacing() {
    framePacer.started = false;
}
