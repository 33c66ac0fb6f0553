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

CoreClock coreClock = {steadyNanoseconds(), false, 0.0};

double clockSeconds() {
    if (coreClock.driven)
        return coreClock.drivenSeconds;
    return static_cast<double>(steadyNanoseconds() - coreClock.processStart) * 1e-9;
}

void driveClock(double seconds) {
    coreClock.driven = true;
    coreClock.drivenSeconds = seconds;
}

// Whole ms, wrapping like a 32-bit tick count (after 49.7 days; negative after 24.8).
static int32_t ticksAt(double seconds) {
    return int32_t(uint32_t(uint64_t(int64_t(seconds * 1000.0))));
}

FrameClock frameClock;

int32_t processClock() {
    return ticksAt(clockSeconds());
}

void resetFrameClock() {
    frameClock.frameCount = 0;
    restartFrameClock();
}

void restartFrameClock() {
    frameClock.lastCountAt = clockSeconds();
    frameClock.startTick = ticksAt(frameClock.lastCountAt);
}

void restartFrameAverage() {
    frameClock.frameCount = 0;
    frameClock.startTick = ticksAt(frameClock.lastCountAt);
}

double averageFrameTime(int32_t startTick, int32_t now, int32_t frameCount) {
    // NOTE: the elapsed ms are taken modulo 2^32, so a wrap of the process clock after
    // 24.8 days does not give a negative frame time. Otherwise this is (now - startTick) ms
    // over frameCount frames.
    const uint32_t elapsed = uint32_t(now) - uint32_t(startTick);
    return (elapsed * 1000.0) / (frameCount * 1000000.0);
}

// Far longer than the frames of this average. The first frame of an average is always
// measured, so a run whose frames all became slow (beyond pauseSeconds) takes that as its new
// pace after one frame instead of taking every frame for a pause.
static bool isPause(double gap) {
    return frameClock.frameCount > 0 && gap > pauseSeconds &&
           gap > pauseFrames * frameClock.frameTime;
}

void countFrame() {
    const double now = clockSeconds();
    const int32_t tick = ticksAt(now);
    const double previous = frameClock.lastCountAt;
    frameClock.lastCountAt = now;
    if (isPause(now - previous)) {
        // The pause is no frame: the swing goes on at its measured pace, as after the
        // display comes back on, instead of running fast for as long as the pause lasted.
        frameClock.frameCount = 0;
        frameClock.startTick = tick;
        return;
    }
    // NOTE: a saver runs for weeks: a fresh average from the previous frame before the count
    // overflows or the millisecond difference comes near its wrap.
    if (frameClock.frameCount == INT32_MAX ||
        uint32_t(tick) - uint32_t(frameClock.startTick) > averageSpanTicks) {
        frameClock.frameCount = 0;
        frameClock.startTick = ticksAt(previous);
    }
    frameClock.frameCount += 1;
    frameClock.frameTime = averageFrameTime(frameClock.startTick, tick, frameClock.frameCount);
}

FramePacer framePacer;

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
