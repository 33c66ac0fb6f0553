// The Windows side of scene rendering: the saver event procedure and the WGL context on the
// saver window. The drawing itself is the portable core in render/scene.h.
#pragma once
#include <windows.h>
#include <cstdint>

#include "render/scene.h"

// Every handler of the saver window's chain has this shape. LRESULT is the signed
// 32-bit result on the 32-bit build; on the 64-bit build it keeps pointer-sized
// answers of DefWindowProcA intact.
LRESULT saverEventProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// GL context and render state.
struct GLContextHandles {
    HDC deviceContext;
    HGLRC renderingContext;
    bool sceneReady; // the creation event finished its set-up: paint may draw
};
extern GLContextHandles glContext;

// The pixel format the saver asks for: double-buffered RGBA, 16 colour and 16 depth bits.
extern const PIXELFORMATDESCRIPTOR saverPixelFormat;

bool createGLContext(HWND window);
void releaseGLContext(HWND window);
// Lays one view on each monitor the window covers; a child window (the preview) is one view
// over its client area.
void layOutWindowViews(HWND window);
// The window's monitors call for other views than those frames are drawn in.
bool windowViewsChanged(HWND window);
