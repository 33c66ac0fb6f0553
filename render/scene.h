// The portable scene core: textures, display lists, render state, the view layout and the
// frame. GL, GLU and freeglut only: no window-system header, so the Windows saver and the
// X11 front end call the same entries and the native tree tests them.
#pragma once
#include <cstdint>

#include "render/scenery.h"

// Fixed GL names: never generated, never deleted one by one; they go with the context.
enum SceneTexture : unsigned {
    backdropTexture = 1,
    latticeTexture = 2, // lower floor disc
    ringTexture = 3,    // upper floor disc
    standTexture = 4,
    ballTexture = 5,
};
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
// Makes `layout` the one frames are drawn in, and resets the frame clock.
void setViewLayout(const ViewLayout& layout);
// One view over a whole width x height window (a zero height counts as 1).
void resizeView(int32_t width, int32_t height);
// Viewport, scissor and projection of one view; leaves the model-view matrix current.
void applyView(const Viewport& view);

// --- Render state, textures and lists -------------------------------------------------------

// Process-wide state of the core beyond the GL objects.
struct SceneCore {
    bool shapesStarted; // freeglut initialised; it allows that once per process
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

// Advances the scenery and the swing once, then draws the whole scene into every view.
// Returns 1.
int drawFrame();
