// The window, pixel format and context that several test programs open under Wine.
#pragma once
#include <windows.h>
#include <GL/gl.h>

#include <vector>

// A visible popup of its own class at the top left of the screen, handled by `procedure`.
inline HWND openTestWindow(const char* className, WNDPROC procedure, int width, int height) {
    WNDCLASSA wc = {CS_OWNDC, procedure, 0,       0,       GetModuleHandleA(nullptr),
                    nullptr,  nullptr,   nullptr, nullptr, className};
    RegisterClassA(&wc);
    return CreateWindowExA(0, className, className, WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                           nullptr, nullptr, wc.hInstance, nullptr);
}

struct TestWindow {
    HWND window;
    HDC dc;
    HGLRC context; // null when the display offers no OpenGL
};

// The window with a current GL context of a double-buffered RGBA format with 16 colour and
// 16 depth bits, the kind the saver asks for.
inline TestWindow openGLWindow(const char* className, int width, int height) {
    TestWindow w = {openTestWindow(className, DefWindowProcA, width, height), nullptr, nullptr};
    w.dc = GetDC(w.window);
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.cColorBits = pfd.cDepthBits = 16;
    const int format = ChoosePixelFormat(w.dc, &pfd);
    if (format != 0 && SetPixelFormat(w.dc, format, &pfd))
        w.context = wglCreateContext(w.dc);
    if (w.context && !wglMakeCurrent(w.dc, w.context)) {
        wglDeleteContext(w.context);
        w.context = nullptr;
    }
    return w;
}

inline void closeGLWindow(TestWindow& w) {
    wglMakeCurrent(nullptr, nullptr);
    if (w.context)
        wglDeleteContext(w.context);
    ReleaseDC(w.window, w.dc);
    DestroyWindow(w.window);
}

// The back buffer's pixels as RGB bytes, rows from the bottom up.
inline std::vector<unsigned char> readBackBuffer(int width, int height) {
    glFinish();
    std::vector<unsigned char> rgb(size_t(width) * height * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}
