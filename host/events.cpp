// The saver's own event procedure: creation, paint, erase-background and destruction;
// everything else goes on to the host's default handling.
#include "host/host.h"
#include "settings/settings.h"
#include "sim/sim.h"

#include <ctime>

static LRESULT onCreate(HWND window) {
    if (!createGLContext(window))
        return 0; // the box is shown and the loop asked to end
    if (window == nullptr) {
        MessageBoxA(nullptr, "Window Creation Error.", "Error", MB_OK | MB_ICONERROR);
        return 0;
    }
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    initScene(windowViewLayout(window)); // one view on each monitor the client area covers
    wglMakeCurrent(glContext.deviceContext, glContext.renderingContext);
    return 0;
}

// One frame per paint event. The window is never validated, so paint events keep coming
// whenever the queue is otherwise empty: that is the animation's clock. A failed creation
// leaves the window without a scene until the loop ends: nothing is drawn or swapped.
static LRESULT onPaint() {
    if (drawSceneFrame(sceneNow(), measuredStepTime))
        SwapBuffers(glContext.deviceContext);
    return 0;
}

// The only place the generator is seeded: from the calendar second, stirred once.
static LRESULT onEraseBackground() {
    seedScene(static_cast<uint32_t>(time(nullptr)));
    return 0;
}

// A refresh rate of 0 or 1 stands for the hardware's default, which matches any rate.
static bool sameMode(const DEVMODEA& a, const DEVMODEA& b) {
    const bool sameRate = a.dmDisplayFrequency == b.dmDisplayFrequency ||
                          a.dmDisplayFrequency <= 1 || b.dmDisplayFrequency <= 1;
    return a.dmPelsWidth == b.dmPelsWidth && a.dmPelsHeight == b.dmPelsHeight &&
           a.dmBitsPerPel == b.dmBitsPerPel && sameRate;
}

// The program never changes the display mode, but puts back the registry's if something
// left another one. Only then: a needless mode set blanks the monitor on some drivers and
// costs a quarter of a second of the exit under Wine. Where either mode cannot be read, it
// restores as it always did.
static void restoreDisplayMode() {
    DEVMODEA current = {};
    current.dmSize = sizeof current;
    DEVMODEA stored = {};
    stored.dmSize = sizeof stored;
    if (EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current) &&
        EnumDisplaySettingsA(nullptr, ENUM_REGISTRY_SETTINGS, &stored) && sameMode(current, stored))
        return;
    ChangeDisplaySettingsA(nullptr, 0);
}

static LRESULT onDestroy(HWND window) {
    restoreDisplayMode();
    freeScene();
    releaseGLContext(window);
    PostQuitMessage(0);
    return 0;
}

// The window took a new size or the monitors changed: lay the views out anew, then let the
// default handling see the event as before.
static LRESULT onLayoutChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    reshapeScene(windowViewLayout(window));
    return saverDefaultHandler(window, message, wParam, lParam);
}

LRESULT saverEventProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // At every event, so a running saver follows what the dialog saves from another process;
    // the key is read again only when the registry reports a change under it.
    followSettings();
    switch (message) {
    case WM_CREATE:
        return onCreate(window);
    case WM_DESTROY:
        return onDestroy(window);
    case WM_PAINT:
        return onPaint();
    case WM_ERASEBKGND:
        return onEraseBackground();
    case WM_SIZE:
    case WM_DISPLAYCHANGE:
        return onLayoutChange(window, message, wParam, lParam);
    default:
        return saverDefaultHandler(window, message, wParam, lParam);
    }
}
