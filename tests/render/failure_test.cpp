// The GL set-up's failure path for real, on a display without GLX where no pixel format offers
// OpenGL: the saver's loop shows one box captioned "Error" with the first message, the error
// icon and no owner, and ends (the quit request came) with no scene set up.
#include "host/host.h"

#include <gtest/gtest.h>

namespace {

// What a watcher thread saw of the boxes captioned "Error" before closing them.
struct BoxWatch {
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
        if (InterlockedIncrement(&watch.boxes) == 1) {
            GetDlgItemTextA(box, 0xFFFF, watch.text, sizeof watch.text);
            watch.owner = GetWindow(box, GW_OWNER);
            HWND icon = GetDlgItem(box, 0x0440);
            watch.errorIcon =
                icon && reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0)) ==
                            LoadIconA(nullptr, IDI_ERROR);
        }
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        Sleep(200);
    }
    return 0;
}

TEST(GLContextFailure, OneBoxAndTheSaversLoopEnds) {
    hostState.instance = GetModuleHandleA(nullptr);
    watch.caller = GetCurrentThreadId();
    HANDLE thread = CreateThread(nullptr, 0, watchForBoxes, nullptr, 0, nullptr);
    EXPECT_EQ(saverWindowMain(nullptr), 0);
    InterlockedExchange(&watch.callReturned, 1);
    WaitForSingleObject(thread, INFINITE);
    EXPECT_EQ(watch.boxes, 1);
    EXPECT_STREQ(watch.text, "Can't Find A Suitable PixelFormat.");
    EXPECT_EQ(watch.owner, nullptr);
    EXPECT_TRUE(watch.errorIcon);
    EXPECT_FALSE(sceneCore.ready);
    EXPECT_EQ(glContext.renderingContext, nullptr);
}

} // namespace
