// Proves the test stack: a real window under Wine, an OpenGL context with the saver's pixel
// format, a draw, and a pixel read back from the framebuffer.
#include <gtest/gtest.h>
#include <windows.h>
#include <GL/gl.h>

namespace {

struct Window {
    HWND handle = nullptr;
    HDC dc = nullptr;
    HGLRC rc = nullptr;
};

Window openGLWindow(int width, int height) {
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "StackTestClass";
    RegisterClassA(&wc);
    Window w;
    w.handle = CreateWindowExA(0, wc.lpszClassName, "stack", WS_POPUP | WS_VISIBLE, 0, 0, width,
                               height, nullptr, nullptr, wc.hInstance, nullptr);
    w.dc = GetDC(w.handle);
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 16;
    pfd.cDepthBits = 16;
    int format = ChoosePixelFormat(w.dc, &pfd);
    if (format != 0 && SetPixelFormat(w.dc, format, &pfd)) {
        w.rc = wglCreateContext(w.dc);
        if (w.rc && !wglMakeCurrent(w.dc, w.rc)) {
            wglDeleteContext(w.rc);
            w.rc = nullptr;
        }
    }
    return w;
}

void closeGLWindow(Window& w) {
    wglMakeCurrent(nullptr, nullptr);
    if (w.rc)
        wglDeleteContext(w.rc);
    ReleaseDC(w.handle, w.dc);
    DestroyWindow(w.handle);
}

TEST(GLStack, DrawsAndReadsBackUnderWine) {
    static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40, "the pixel format record is 40 bytes");
    Window w = openGLWindow(64, 48);
    ASSERT_NE(w.handle, nullptr);
    ASSERT_NE(w.rc, nullptr) << "no OpenGL context: is GLX missing on the display?";

    PIXELFORMATDESCRIPTOR got = {};
    DescribePixelFormat(w.dc, GetPixelFormat(w.dc), sizeof got, &got);
    EXPECT_TRUE(got.dwFlags & PFD_DOUBLEBUFFER);
    EXPECT_GE(got.cDepthBits, 16);
    EXPECT_GE(got.cColorBits, 16);

    glViewport(0, 0, 64, 48);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 0, 0);
    glBegin(GL_QUADS); // the left half red
    glVertex2f(-1, -1);
    glVertex2f(0, -1);
    glVertex2f(0, 1);
    glVertex2f(-1, 1);
    glEnd();
    glFinish();

    unsigned char left[4] = {}, right[4] = {};
    glReadBuffer(GL_BACK);
    glReadPixels(10, 24, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, left);
    glReadPixels(54, 24, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, right);
    EXPECT_GT(left[0], 200);
    EXPECT_LT(left[2], 50);
    EXPECT_LT(right[0], 50);
    EXPECT_GT(right[2], 200);
    closeGLWindow(w);
}

} // namespace
