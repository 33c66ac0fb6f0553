// A stand-in for the system's PASSWORD.CPL, beside the saver in the 95/98/Me tests. Its
// answers are scripted by CLACKMOOR_STUB_ANSWERS, one character per prompt: '1' right, '0'
// wrong, 'w' wrong after a close request made while the prompt is up and another one posted
// just before it ends. Every call and the module's load and unload go to CLACKMOOR_STUB_LOG.
#include <windows.h>

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

static void logLine(const char* text, long a = 0, long b = 0, long c = 0, long d = 0) {
    const char* path = getenv("CLACKMOOR_STUB_LOG");
    if (FILE* log = path ? fopen(path, "a") : nullptr) {
        fprintf(log, text, a, b, c, d);
        fputc('\n', log);
        fclose(log);
    }
}

// A prompt keeps the saver's messages flowing as a real dialog would, one at a time: the
// saver's paint events never run out (milliseconds).
static void pumpMessages(DWORD duration) {
    MSG message;
    for (DWORD until = GetTickCount() + duration; GetTickCount() < until; Sleep(5))
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
    logLine("verify call=%ld depth=%ld running=%ld cursorHidden=%ld", ++stub.calls, ++stub.depth,
            running ? 1 : 0, GetCursor() == nullptr);
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
