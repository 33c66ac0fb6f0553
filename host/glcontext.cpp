// The WGL context on the saver window, and the monitors the window's views are laid on.
#include "host/host.h"
#include "host/pixelformat.h"

#include <GL/gl.h>

GLContextHandles glContext;

const PIXELFORMATDESCRIPTOR saverPixelFormat = {
    sizeof(PIXELFORMATDESCRIPTOR),
    1,
    PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER,
    PFD_TYPE_RGBA,
    16, // colour bits
    0,
    0,
    0,
    0,
    0,
    0, // red, green, blue bits and shifts: the platform's choice
    0,
    0, // no alpha planes
    0,
    0,
    0,
    0,
    0,  // no accumulation buffer
    16, // depth bits
    0,  // no stencil
    0,  // no auxiliary buffers
    PFD_MAIN_PLANE,
    0,
    0,
    0,
    0,
};

static bool failGLContext(const char* text) {
    MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR);
    PostQuitMessage(0);
    return false;
}

// Swaps wait for the display's refresh where the driver offers it, so frames never tear and
// a fast display does not draw more than it shows. Looked up at run time: an extension.
static void syncSwapsToRefresh() {
    typedef BOOL(WINAPI * SwapIntervalFn)(int interval);
    PROC entry = wglGetProcAddress("wglSwapIntervalEXT");
    SwapIntervalFn swapInterval = reinterpret_cast<SwapIntervalFn>(reinterpret_cast<void*>(entry));
    if (swapInterval != nullptr)
        swapInterval(1);
}

bool createGLContext(HWND window) {
    glContext.deviceContext = GetDC(window);
    int format = chooseSaverPixelFormat(glContext.deviceContext);
    if (format == 0)
        return failGLContext("Can't Find A Suitable PixelFormat.");
    if (!SetPixelFormat(glContext.deviceContext, format, &saverPixelFormat))
        return failGLContext("Can't Set The PixelFormat.");
    glContext.renderingContext = wglCreateContext(glContext.deviceContext);
    if (glContext.renderingContext == nullptr)
        return failGLContext("Can't Create A GL Rendering Context.");
    if (!wglMakeCurrent(glContext.deviceContext, glContext.renderingContext))
        return failGLContext("Can't activate GLRC.");
    syncSwapsToRefresh();
    return true;
}

void releaseGLContext(HWND window) {
    wglMakeCurrent(nullptr, nullptr);
    if (glContext.renderingContext != nullptr) {
        wglDeleteContext(glContext.renderingContext);
        glContext.renderingContext = nullptr;
    }
    if (glContext.deviceContext != nullptr) {
        ReleaseDC(window, glContext.deviceContext);
        glContext.deviceContext = nullptr;
    }
}

struct MonitorList {
    int32_t count;
    ScreenRect rects[maxViewports];
};

static BOOL CALLBACK addMonitor(HMONITOR, HDC, LPRECT rect, LPARAM data) {
    MonitorList& list = *reinterpret_cast<MonitorList*>(data);
    if (list.count < maxViewports)
        list.rects[list.count++] = {rect->left, rect->top, rect->right, rect->bottom};
    return TRUE;
}

// NOTE: EnumDisplayMonitors came with Windows 98 and 2000; looked up at run time so that
// Windows 95 and NT 4.0 still start, with one view over the whole window.
ViewLayout windowViewLayout(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    if (client.bottom == 0)
        client.bottom = 1; // as the single view has always taken it
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    const ScreenRect whole = {origin.x, origin.y, origin.x + client.right,
                              origin.y + client.bottom};
    MonitorList monitors = {};
    typedef BOOL(WINAPI * EnumMonitorsFn)(HDC, LPCRECT, MONITORENUMPROC, LPARAM);
    EnumMonitorsFn enumMonitors = reinterpret_cast<EnumMonitorsFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("USER32.DLL"), "EnumDisplayMonitors")));
    const bool child = (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0;
    if (!child && enumMonitors != nullptr)
        enumMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&monitors));
    // With no monitor listed the layout is one view over the whole window.
    return layOutViews(whole, monitors.rects, monitors.count);
}

bool windowViewsChanged(HWND window) {
    const ViewLayout now = windowViewLayout(window);
    if (now.width != viewLayout.width || now.height != viewLayout.height ||
        now.count != viewLayout.count)
        return true;
    for (int32_t i = 0; i < now.count; ++i) {
        const Viewport &a = now.viewports[i], &b = viewLayout.viewports[i];
        if (a.x != b.x || a.y != b.y || a.width != b.width || a.height != b.height)
            return true;
    }
    return false;
}
