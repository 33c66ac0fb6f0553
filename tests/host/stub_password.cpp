// A stand-in for the system's PASSWORD.CPL, beside the saver in the 95/98/Me tests. Its
// answers are scripted by CLACKMOOR_STUB_ANSWERS, one character per prompt:
//   '1' right password, '0' wrong password,
//   'w' wrong, after a close request made while the prompt is up and another one posted
//       just before the prompt ends.
// Every call and the module's load and unload go to the file CLACKMOOR_STUB_LOG.
#include <windows.h>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// cdecl: the 32-bit import library is made with --kill-at, which only undecorates stdcall.
extern "C" __declspec(dllimport) void probeMark();

struct StubState {
    int calls;
    int depth; // prompts on screen at once
};
static StubState stub;

static void logLine(const char* format, ...) {
    const char* path = getenv("CLACKMOOR_STUB_LOG");
    FILE* log = path ? fopen(path, "a") : nullptr;
    if (log) {
        va_list args;
        va_start(args, format);
        vfprintf(log, format, args);
        va_end(args);
        fputc('\n', log);
        fclose(log);
    }
}

static long saverRunning() {
    BOOL running = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    return running ? 1 : 0;
}

// A prompt keeps the saver's messages flowing, as a real dialog would (milliseconds).
static void pumpMessages(DWORD duration) {
    DWORD until = GetTickCount() + duration;
    MSG message;
    while (GetTickCount() < until) {
        // One at a time: the saver's paint events never run out.
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    }
}

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND window) {
    const char* answers = getenv("CLACKMOOR_STUB_ANSWERS");
    char answer = '0';
    if (answers && static_cast<size_t>(stub.calls) < strlen(answers)) {
        answer = answers[stub.calls];
    }
    ++stub.calls;
    ++stub.depth;
    logLine("verify call=%d depth=%d running=%ld cursorHidden=%d", stub.calls, stub.depth,
            saverRunning(), GetCursor() == nullptr);
    if (answer == 'w') {
        PostMessageA(window, WM_CLOSE, 0, 0);
        PostMessageA(window, WM_KEYDOWN, 'A', 0);
        pumpMessages(300);
        PostMessageA(window, WM_CLOSE, 0, 0);
    } else {
        pumpMessages(50);
    }
    --stub.depth;
    return answer == '1';
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        logLine("attach");
        probeMark(); // keeps the import of the probe, which pins itself
    } else if (reason == DLL_PROCESS_DETACH) {
        logLine(reserved ? "detach at exit" : "detach freed");
    }
    return TRUE;
}
