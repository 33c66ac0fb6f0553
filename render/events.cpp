// The saver's own event procedure: creation, paint, erase-background and destruction;
// everything else goes on to the host's default handling.
#include "render/render.h"
#include "host/host.h"
#include "settings/settings.h"
#include "sim/sim.h"

#include <ctime>

void setUpScene() {
    buildDisplayLists();
    clearBallTable();
    launchFirstPattern();
}

static LRESULT onCreate(HWND window) {
    if (!createGLContext(window))
        return 0; // the box is shown and the loop asked to end
    RECT client = {};
    GetClientRect(window, &client);
    if (window == nullptr) {
        MessageBoxA(nullptr, "Window Creation Error.", "Error", MB_OK | MB_ICONERROR);
        return 0;
    }
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    resizeView(client.right, client.bottom);
    setBaseRenderState();
    setSceneRenderState();
    setUpScene();
    restartFrameClock(); // set-up time does not count towards the first frames
    wglMakeCurrent(glContext.deviceContext, glContext.renderingContext);
    glContext.sceneReady = true;
    return 0;
}

// One frame per paint event. The window is never validated, so paint events keep coming
// whenever the queue is otherwise empty: that is the animation's clock.
static LRESULT onPaint() {
    // A failed creation leaves the window without a context until the loop ends.
    if (!glContext.sceneReady)
        return 0;
    drawFrame();
    SwapBuffers(glContext.deviceContext);
    countFrame();
    return 0;
}

// The only place the generator is seeded: from the calendar second, stirred once.
static LRESULT onEraseBackground() {
    restartFrameClock();
    seedRandom(static_cast<uint32_t>(time(nullptr)));
    seedRandom(static_cast<uint32_t>(unitRandom() * 10000000.0));
    return 0;
}

static LRESULT onDestroy(HWND window) {
    ChangeDisplaySettingsA(nullptr, 0); // the program never changes the mode; restore anyway
    releaseGLContext(window);
    PostQuitMessage(0);
    return 0;
}

LRESULT saverEventProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Every event, so a running saver follows what the dialog saves from another process.
    loadSettings();
    switch (message) {
    case WM_CREATE:
        return onCreate(window);
    case WM_DESTROY:
        return onDestroy(window);
    case WM_PAINT:
        return onPaint();
    case WM_ERASEBKGND:
        return onEraseBackground();
    default:
        return saverDefaultHandler(window, message, wParam, lParam);
    }
}
