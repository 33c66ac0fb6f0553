// The test window and the pixel read-back that the GL test programs share.
#pragma once
#ifdef _WIN32
#include <windows.h>

// A visible popup of its own class at the top left of the screen, handled by `procedure`.
inline HWND openTestWindow(const char* className, WNDPROC procedure, int width, int height) {
    WNDCLASSA wc = {CS_OWNDC, procedure, 0,       0,       GetModuleHandleA(nullptr),
                    nullptr,  nullptr,   nullptr, nullptr, className};
    RegisterClassA(&wc);
    return CreateWindowExA(0, className, className, WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                           nullptr, nullptr, wc.hInstance, nullptr);
}
#endif
#include <GL/gl.h>

#include <cstddef>
#include <vector>

// The back buffer's pixels as RGB bytes, rows from the bottom up.
inline std::vector<unsigned char> readBackBuffer(int width, int height) {
    glFinish();
    std::vector<unsigned char> rgb(size_t(width) * height * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}
