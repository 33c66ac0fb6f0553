// The portable scene core: textures, display lists, render state, the view layout and the
// frame. GL, GLU and freeglut only: no window-system header, so the Windows saver and the
// X11 front end call the same entries and the native tree tests them.
#pragma once
#include <cstdint>

#include "assets/assets.h"
#include "render/scenery.h"

// Fixed GL names: never generated, never deleted one by one; they go with the context. The
// texture names are the texture table's (assets/assets.h).
enum SceneList : unsigned {
    postList = 2,
    railList = 3, // must follow postList directly: relies on its texture state
    capList = 4,
    lugList = 5,
    ballList = 6,
    backdropList = 7,
    textureResetList = 8,
    lowerFloorList = 9,
    upperFloorList = 10,
};

// --- View layout -----------------------------------------------------------------------------

// A rectangle in screen pixels, y down, right and bottom exclusive (as Windows and X give
// monitors).
struct ScreenRect {
    int32_t left, top, right, bottom;
};

// One scene's part of the window in GL's window pixels: origin at the bottom left.
struct Viewport {
    int32_t x, y, width, height;
};

constexpr int32_t maxViewports = 16;

// Where the scene is drawn: one whole scene per monitor, each with its own aspect ratio.
struct ViewLayout {
    int32_t width, height; // the whole window, pixels
    int32_t count;         // 1 to maxViewports
    Viewport viewports[maxViewports];
};
extern ViewLayout viewLayout;

// The window covers `window` on the screen; every monitor it overlaps gets a viewport on the
// part it overlaps. With no monitor overlapping (or none given) the whole window is one view.
ViewLayout layOutViews(ScreenRect window, const ScreenRect* monitors, int32_t monitorCount);
// One view over a whole width x height window (a zero height counts as 1).
ViewLayout singleViewLayout(int32_t width, int32_t height);
// Makes `layout` the one frames are drawn in, and resets the frame clock.
void setViewLayout(const ViewLayout& layout);
// Viewport, scissor and projection of one view; leaves the model-view matrix current.
void applyView(const Viewport& view);

// --- Render state, textures and lists -------------------------------------------------------

// Process-wide state of the core beyond the GL objects.
struct SceneCore {
    bool shapesStarted; // freeglut initialised; it allows that once per process
    bool ready;         // initScene finished on the current context: frames may be drawn
};
extern SceneCore sceneCore;

void setBaseRenderState();
void setSceneRenderState(); // uploads the textures
void uploadTextures();
void buildDisplayLists();
// freeglut's shapes refuse to work before glutInit; does it once per process.
void startShapeLibrary();
// The creation event's scene set-up: lists, a clear ball table and the first launch.
void setUpScene();

// --- The frame -------------------------------------------------------------------------------

// Advances the scenery and the swing once (the swing by `stepTime` seconds), then draws the
// whole scene into every view. Returns 1.
int drawFrame(double stepTime);

// --- The scene's life: the entries every front end calls -----------------------------------
// The Windows saver, the X11 hack and cradle-shot own their window, GL context, events, the
// wait between frames and the buffer swap; everything else of the scene's life is here, in
// one order for all of them.

// The core's clock, in seconds: every time a front end needs (the frame's start, the wait,
// its own periodic checks) comes from here, the clock the frame clock and the pacing read.
double sceneNow();
// The erase-background event's rule: the frame clock's average starts afresh from the last
// frame, and the generator is seeded from the calendar second (time()).
void seedScene(uint32_t calendarSecond);
// On a fresh context, made current: the creation event's set-up in its order (the views,
// the base and scene render state with the textures, the lists, a clear ball table and the
// first launch), then a fresh frame clock and pacing grid. Frames may be drawn from here on.
void initScene(const ViewLayout& layout);
// The window's size or its monitors changed: the views are laid out anew. Nothing before
// initScene.
void reshapeScene(const ViewLayout& layout);
// Seconds to wait at `now` (sceneNow) before the next frame is due; 0: draw it now.
double sceneFrameWait(double now);
// stepTime for drawSceneFrame: the swing steps by the frame clock's measured average.
constexpr double measuredStepTime = -1.0;
// One frame, begun at `startedAt` (sceneNow seconds, read just before the call): the
// scenery and the swing advance once (by `stepTime` seconds, or measuredStepTime), every view
// is drawn and the frame is counted. Its pace is marked from its start, so a frame slower
// than the period is followed by the next at once. The caller swaps the buffers after.
// Returns false and draws nothing before initScene or after freeScene.
bool drawSceneFrame(double startedAt, double stepTime);
// After a pause (the display was off): the pause counts as no frame, and the next frame is
// due at once.
void resumeScene();
// Before the context goes: no more frames. The GL objects go with the context itself.
void freeScene();
