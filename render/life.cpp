// The scene's life from set-up to release, and the rule of when the next frame is due: the
// one copy every front end calls.
#include "render/scene.h"
#include "sim/sim.h"

void seedScene(uint32_t calendarSecond) {
    restartFrameClock();
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
