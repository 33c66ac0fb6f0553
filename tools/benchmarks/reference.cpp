// The empty frame: the saver's full-screen window, pixel format and context, and a frame loop
// that only clears and swaps. Whatever this reaches is the most the stack (Wine, Mesa, the X
// server) allows; the saver is measured against it. Ends on a key press.
//
// "/mN" after "/s" (e.g. "/s /m50") also allocates and touches N MiB at start-up, for the
// bench's calibration run: a memory reading must show those N MiB more.
#include <windows.h>
#include <GL/gl.h>

#include <cstdlib>
#include <cstring>

namespace {

// The saver's own request: double-buffered RGBA, 16 colour bits, 16 depth bits, rest 0.
const PIXELFORMATDESCRIPTOR referencePixelFormat = {sizeof(PIXELFORMATDESCRIPTOR),
                                                    1,
                                                    PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL |
                                                        PFD_DOUBLEBUFFER,
                                                    PFD_TYPE_RGBA,
                                                    16,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    16,
                                                    0,
                                                    0,
                                                    PFD_MAIN_PLANE,
                                                    0,
                                                    0,
                                                    0,
                                                    0};

// The window's drawing handles, one instance.
struct ReferenceGL {
    HDC dc;
    HGLRC rc;
};
ReferenceGL referenceGL;

// The calibration block, one instance; empty unless "/mN" was given.
struct ReferenceBallast {
    char* block;
    SIZE_T bytes;
};
ReferenceBallast referenceBallast;

constexpr unsigned long maxBallastMiB = 1024;

// MiB asked for by "/mN" on the command line; 0 when absent or not a number in range.
unsigned long ballastMiB(const char* commandLine) {
    for (const char* at = std::strstr(commandLine, "/m"); at; at = std::strstr(at + 2, "/m")) {
        char* end = nullptr;
        unsigned long mib = std::strtoul(at + 2, &end, 10);
        if (end != at + 2 && (*end == '\0' || *end == ' ') && mib <= maxBallastMiB)
            return mib;
    }
    return 0;
}

// Commits the block and writes to every page, so all of it is resident and private.
void holdBallast(unsigned long mib) {
    if (mib == 0)
        return;
    SIZE_T bytes = static_cast<SIZE_T>(mib) * 1024 * 1024;
    void* block = VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!block)
        return;
    referenceBallast.block = static_cast<char*>(block);
    referenceBallast.bytes = bytes;
    for (SIZE_T at = 0; at < bytes; at += 4096)
        referenceBallast.block[at] = 1;
}

void releaseBallast() {
    if (referenceBallast.block)
        VirtualFree(referenceBallast.block, 0, MEM_RELEASE);
    referenceBallast.block = nullptr;
    referenceBallast.bytes = 0;
}

bool createContext(HWND window) {
    referenceGL.dc = GetDC(window);
    int format = ChoosePixelFormat(referenceGL.dc, &referencePixelFormat);
    if (format == 0 || !SetPixelFormat(referenceGL.dc, format, &referencePixelFormat))
        return false;
    referenceGL.rc = wglCreateContext(referenceGL.dc);
    if (!referenceGL.rc || !wglMakeCurrent(referenceGL.dc, referenceGL.rc))
        return false;
    // Not black, so a frame on screen can be told from an empty window.
    glClearColor(0.2f, 0.5f, 0.3f, 1.0f);
    glClearDepth(1.0);
    return true;
}

void releaseContext(HWND window) {
    wglMakeCurrent(nullptr, nullptr);
    if (referenceGL.rc)
        wglDeleteContext(referenceGL.rc);
    referenceGL.rc = nullptr;
    if (referenceGL.dc)
        ReleaseDC(window, referenceGL.dc);
    referenceGL.dc = nullptr;
}

LRESULT onCreate(HWND window) {
    if (!createContext(window)) {
        PostQuitMessage(1);
        return 0;
    }
    SetForegroundWindow(window);
    SetFocus(window);
    return 0;
}

// One frame. The window is left invalid, so paint events keep coming as fast as the swap
// allows, exactly as in the saver.
LRESULT onPaint() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SwapBuffers(referenceGL.dc);
    return 0;
}

LRESULT onDestroy(HWND window) {
    releaseContext(window);
    PostQuitMessage(0);
    return 0;
}

LRESULT CALLBACK referenceWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return onCreate(window);
    case WM_PAINT:
        return onPaint();
    case WM_ERASEBKGND:
        return 0;
    case WM_KEYDOWN:
        PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_DESTROY:
        return onDestroy(window);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    holdBallast(ballastMiB(commandLine));
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = referenceWindowProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "ClackmoorReferenceClass";
    if (!RegisterClassA(&windowClass))
        return 1;

    // The whole screen, taken the way the saver takes it: the screen's clip box.
    RECT screen;
    HDC screenDC = GetDC(nullptr);
    GetClipBox(screenDC, &screen);
    ReleaseDC(nullptr, screenDC);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, windowClass.lpszClassName, "Reference",
                                  WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                  screen.left, screen.top, screen.right - screen.left,
                                  screen.bottom - screen.top, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;
    SetForegroundWindow(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    releaseBallast();
    return static_cast<int>(message.wParam);
}
