// The GL set-up's failure path for real: run on a display without GLX, where no pixel format
// offers OpenGL. The box must come up once, captioned "Error" with the first message, the
// error icon and no owner, and the saver's message loop must end with no frame drawn.
#include "host/host.h"
#include "render/render.h"
#include "tests/render/gl_window.h"

#include <gtest/gtest.h>

namespace {

// What a watcher thread saw of the boxes captioned "Error" before closing them.
struct BoxWatch {
    HANDLE thread;
    DWORD caller; // the thread making the call under test
    volatile LONG boxes, callReturned;
    char text[256];
    HWND owner;
    bool errorIcon;
};
BoxWatch watch;

DWORD WINAPI watchForBoxes(void*) {
    // Until the call under test is back, then once more for a box it might have left. A call
    // still running after 30 s without a box has missed the failure: its loop is ended.
    for (int last = 0, n = 0; last < 2 && watch.boxes < 4;
         last += watch.callReturned ? 1 : 0, Sleep(50)) {
        if (++n == 600 && watch.boxes == 0)
            PostThreadMessageA(watch.caller, WM_QUIT, 0, 0);
        HWND box = FindWindowA("#32770", "Error");
        if (box == nullptr || !IsWindowVisible(box))
            continue;
        if (watch.boxes == 0) {
            GetDlgItemTextA(box, 0xFFFF, watch.text, sizeof watch.text);
            watch.owner = GetWindow(box, GW_OWNER);
            HWND icon = GetDlgItem(box, 0x0440);
            watch.errorIcon =
                icon && reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0)) ==
                            LoadIconA(nullptr, IDI_ERROR);
        }
        InterlockedIncrement(&watch.boxes);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        Sleep(200);
    }
    return 0;
}

template <typename Call> void watchBoxesDuring(Call call) {
    watch = BoxWatch{};
    watch.caller = GetCurrentThreadId();
    watch.thread = CreateThread(nullptr, 0, watchForBoxes, nullptr, 0, nullptr);
    call();
    InterlockedExchange(&watch.callReturned, 1);
    WaitForSingleObject(watch.thread, INFINITE);
    CloseHandle(watch.thread);
    EXPECT_EQ(watch.boxes, 1);
    EXPECT_STREQ(watch.text, "Can't Find A Suitable PixelFormat.");
    EXPECT_EQ(watch.owner, nullptr);
    EXPECT_TRUE(watch.errorIcon);
}

TEST(GLContextFailure, FirstBoxThenQuitRequest) {
    HWND window = openTestWindow("FailureTest", DefWindowProcA, 64, 48);
    ASSERT_NE(window, nullptr);
    watchBoxesDuring([&] { EXPECT_FALSE(createGLContext(window)); });
    EXPECT_EQ(glContext.renderingContext, nullptr);
    MSG msg = {};
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "no quit request";
    DestroyWindow(window);
}

TEST(GLContextFailure, TheSaversLoopEnds) {
    hostState.instance = GetModuleHandleA(nullptr);
    watchBoxesDuring([] { EXPECT_EQ(saverWindowMain(nullptr), 0); });
    EXPECT_FALSE(glContext.sceneReady);
}

} // namespace
