// A stand-in for the system's PASSWORD.CPL. CLACKMOOR_STUB_ANSWERS scripts one character per
// prompt: '1' right, '0' wrong, 'w' wrong after a close request while the prompt is up and
// another just before it ends, 'p' wrong after 2 s of a loop that never idles, as a dialog's
// does while the saver's paint is pending. Calls, load and unload are logged.
#include <windows.h>

#include <cstdlib>
#include <cstring>

extern "C" __declspec(dllimport) void stubLog(const char* format, ...); // the pinned probe

struct StubState {
    int calls;
    int depth; // prompts on screen at once
};
static StubState stub;

// A prompt keeps the saver's messages flowing as a real dialog would (milliseconds), resting
// `rest` ms between them or, with 0, taking them as fast as they come.
static void pumpMessages(DWORD duration, DWORD rest = 5) {
    MSG message;
    for (DWORD until = GetTickCount() + duration; GetTickCount() < until; Sleep(rest))
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
}

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND window) {
    const char* answers = getenv("CLACKMOOR_STUB_ANSWERS");
    const char answer = answers && size_t(stub.calls) < strlen(answers) ? answers[stub.calls] : '0';
    BOOL running = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    stubLog("verify call=%d depth=%d running=%d cursorHidden=%d", ++stub.calls, ++stub.depth,
            running ? 1 : 0, GetCursor() == nullptr ? 1 : 0);
    if (answer == 'w') {
        PostMessageA(window, WM_CLOSE, 0, 0);
        PostMessageA(window, WM_KEYDOWN, 'A', 0);
        pumpMessages(300);
        PostMessageA(window, WM_CLOSE, 0, 0);
    } else if (answer == 'p') {
        pumpMessages(2000, 0);
    } else {
        pumpMessages(50);
    }
    --stub.depth;
    return answer == '1';
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH)
        stubLog("attach");
    else if (reason == DLL_PROCESS_DETACH)
        stubLog(reserved ? "detach at exit" : "detach freed");
    return TRUE;
}
