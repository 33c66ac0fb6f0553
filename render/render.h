// Scene rendering: the saver event procedure, the GL context and render state,
// the display lists and texture upload, and the frame drawing.
#pragma once
#include <windows.h>
#include <cstdint>

// Every handler of the saver window's chain has this shape. LRESULT is the signed
// 32-bit result on the 32-bit build; on the 64-bit build it keeps pointer-sized
// answers of DefWindowProcA intact.
LRESULT saverEventProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void setUpScene();

// GL context and render state.
struct GLContextHandles {
    HDC deviceContext;
    HGLRC renderingContext;
};
extern GLContextHandles glContext;

bool createGLContext(HWND window);
void resizeView(int32_t width, int32_t height);
void setBaseRenderState();
void setSceneRenderState();
void releaseGLContext(HWND window);

// Display lists 2..10 and textures 1..5.
void uploadTextures();
void buildDisplayLists();

// Frame drawing; returns 1.
int drawFrame();
