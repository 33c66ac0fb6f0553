// Proves the test stack: a real window under Wine, an OpenGL context with the saver's own pixel
// format, a draw, and the pixels read back from the framebuffer.
#include "render/render.h"
#include "tests/render/gl_window.h"

#include <gtest/gtest.h>

TEST(GLStack, DrawsAndReadsBackUnderWine) {
    HWND window = openTestWindow("StackTest", DefWindowProcA, 64, 48);
    HDC dc = GetDC(window);
    const int format = ChoosePixelFormat(dc, &saverPixelFormat);
    ASSERT_TRUE(format && SetPixelFormat(dc, format, &saverPixelFormat)) << "is GLX missing?";
    HGLRC context = wglCreateContext(dc);
    ASSERT_TRUE(context && wglMakeCurrent(dc, context));
    PIXELFORMATDESCRIPTOR got = {};
    DescribePixelFormat(dc, format, sizeof got, &got);
    EXPECT_TRUE(got.dwFlags & PFD_DOUBLEBUFFER);
    EXPECT_GE(got.cDepthBits, 16);
    glViewport(0, 0, 64, 48);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 0, 0);
    glRecti(-1, -1, 0, 1); // the left half red
    const std::vector<unsigned char> rgb = readBackBuffer(64, 48);
    const unsigned char* left = &rgb[(24 * 64 + 10) * 3];
    const unsigned char* right = &rgb[(24 * 64 + 54) * 3];
    EXPECT_TRUE(left[0] > 200 && left[2] < 50);
    EXPECT_TRUE(right[0] < 50 && right[2] > 200);
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(context);
}
