// Loaded by the PASSWORD.CPL stand-in and pinned, so it stays until the process ends: it
// reports the saver-running state as the process leaves, after the saver cleaned up.
#include <windows.h>
#include <cstdio>
#include <cstdlib>

extern "C" __declspec(dllexport) void probeMark() {}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        HMODULE pinned;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCSTR>(self), &pinned);
    } else if (reason == DLL_PROCESS_DETACH) {
        BOOL running = TRUE;
        SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
        const char* path = getenv("CLACKMOOR_STUB_LOG");
        FILE* log = path ? fopen(path, "a") : nullptr;
        if (log) {
            fprintf(log, "process end running=%d\n", running ? 1 : 0);
            fclose(log);
        }
    }
    return TRUE;
}
