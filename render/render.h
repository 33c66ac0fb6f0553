// Scene rendering: the saver event procedure, the GL context and render state,
// the display lists and texture upload, and the frame drawing.
#pragma once
#include <windows.h>
#include <cstdint>

#include "render/scenery.h"

// Every handler of the saver window's chain has this shape. LRESULT is the signed
// 32-bit result on the 32-bit build; on the 64-bit build it keeps pointer-sized
// answers of DefWindowProcA intact.
LRESULT saverEventProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void setUpScene();

// GL context and render state.
struct GLContextHandles {
    HDC deviceContext;
    HGLRC renderingContext;
    bool sceneReady;    // the creation event finished its set-up: paint may draw
    bool shapesStarted; // freeglut initialised; it allows that once per process
};
extern GLContextHandles glContext;

// The pixel format the saver asks for: double-buffered RGBA, 16 colour and 16 depth bits.
extern const PIXELFORMATDESCRIPTOR saverPixelFormat;

bool createGLContext(HWND window);
void resizeView(int32_t width, int32_t height);
void setBaseRenderState();
void setSceneRenderState();
void releaseGLContext(HWND window);

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

// Display lists 2..10 and textures 1..5.
void uploadTextures();
void buildDisplayLists();
// freeglut's shapes refuse to work before glutInit; does it once per process.
void startShapeLibrary();

// Frame drawing; returns 1.
int drawFrame();
