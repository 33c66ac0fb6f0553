// The scene's life from set-up to release, and the rule of when the next frame is due: the
// one copy every front end calls.
#include "render/scene.h"
#include "sim/sim.h"

double sceneNow() {
    return clockSeconds();
}

void seedScene(uint32_t calendarSecond) {
    // A fresh average from the last frame. Moving only the start and keeping the count would
    // divide the time since this event by every frame before it: the swing would all but stop.
    restartFrameAverage();
    seedFromCalendarSecond(calendarSecond);
}

void initScene(const ViewLayout& layout) {
    setViewLayout(layout); // also resets the frame clock
    setBaseRenderState();
    setSceneRenderState();
    setUpScene();
    restartFrameClock(); // set-up time does not count towards the first frames
    restartFramePacing();
    sceneCore.ready = true;
}

void reshapeScene(const ViewLayout& layout) {
    if (sceneCore.ready)
        setViewLayout(layout);
}

double sceneFrameWait(double now) {
    return framePacingWait(now);
}

bool drawSceneFrame(double startedAt, double stepTime) {
    if (!sceneCore.ready)
        return false;
    drawFrame(stepTime >= 0.0 ? stepTime : frameClock.frameTime);
    countFrame();
    // From the frame's start, however long it took: a slow frame's successor is due at once.
    markFramePaced(startedAt);
    return true;
}

void resumeScene() {
    resetFrameClock();
    restartFramePacing();
}

void freeScene() {
    sceneCore.ready = false;
}
