// The GL set-up's failure path for real: run on a display without GLX, where no pixel
// format offers OpenGL. The box must come up captioned "Error" with the first message, and
// the saver's message loop must end.
#include <gtest/gtest.h>

#include "host/host.h"
#include "render/render.h"

#include <cstring>
#include <string>

namespace {

// What a watcher thread saw of the message boxes captioned "Error" before closing them.
struct BoxWatch {
    HANDLE thread;
    volatile LONG boxes;
    volatile LONG callReturned; // set by the main thread once the call under test is back
    char text[256];
    HWND owner;
    bool errorIcon;
};
BoxWatch boxWatch;

DWORD WINAPI watchForBoxes(void*) {
    const HICON errorIcon = LoadIconA(nullptr, IDI_ERROR);
    // Until the call under test is back, then once more for a box it might have left.
    for (int last = 0; last < 2 && boxWatch.boxes < 4; last += boxWatch.callReturned ? 1 : 0) {
        HWND box = FindWindowA("#32770", "Error");
        if (box != nullptr && IsWindowVisible(box)) {
            if (boxWatch.boxes == 0) {
                GetDlgItemTextA(box, 0xFFFF, boxWatch.text, sizeof boxWatch.text);
                boxWatch.owner = GetWindow(box, GW_OWNER);
                HWND icon = GetDlgItem(box, 0x0440);
                boxWatch.errorIcon =
                    icon != nullptr &&
                    reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0)) == errorIcon;
            }
            InterlockedIncrement(&boxWatch.boxes);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            Sleep(200);
        }
        Sleep(50);
    }
    return 0;
}

void startWatching() {
    boxWatch = BoxWatch{};
    boxWatch.thread = CreateThread(nullptr, 0, watchForBoxes, nullptr, 0, nullptr);
}

void stopWatching() {
    InterlockedExchange(&boxWatch.callReturned, 1);
    WaitForSingleObject(boxWatch.thread, INFINITE);
    CloseHandle(boxWatch.thread);
}

TEST(GLContextFailure, FirstBoxThenQuitRequest) {
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "FailureTestClass";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "failure test", WS_POPUP | WS_VISIBLE, 0, 0,
                                  64, 48, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);

    startWatching();
    EXPECT_FALSE(createGLContext(window));
    stopWatching();

    EXPECT_EQ(boxWatch.boxes, 1);
    EXPECT_STREQ(boxWatch.text, "Can't Find A Suitable PixelFormat.");
    EXPECT_EQ(boxWatch.owner, nullptr);
    EXPECT_TRUE(boxWatch.errorIcon);
    EXPECT_EQ(glContext.renderingContext, nullptr);
    MSG msg = {};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "no quit request";
    EXPECT_EQ(msg.wParam, 0u);
    DestroyWindow(window);
}

// Through the saver's own window: creation fails, the box shows once, the loop ends with 0
// and no frame is drawn in between.
TEST(GLContextFailure, SaverLoopEnds) {
    hostState.instance = GetModuleHandleA(nullptr);
    startWatching();
    const int32_t result = saverWindowMain(nullptr);
    stopWatching();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(boxWatch.boxes, 1);
    EXPECT_STREQ(boxWatch.text, "Can't Find A Suitable PixelFormat.");
    EXPECT_FALSE(glContext.sceneReady);
}

} // namespace
