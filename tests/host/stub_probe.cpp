// Stand-ins for system components, logging to CLACKMOOR_STUB_LOG. As stubprobe.dll, loaded by
// the PASSWORD.CPL stand-in, it pins itself so it reports the saver-running state as the
// process leaves, after the saver cleaned up; copied in as MPR.DLL it takes the password change.
#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// cdecl: the 32-bit import library is made with --kill-at, which only undecorates stdcall.
extern "C" __declspec(dllexport) void stubLog(const char* format, ...) {
    const char* path = getenv("CLACKMOOR_STUB_LOG");
    FILE* log = path ? fopen(path, "a") : nullptr;
    if (!log)
        return;
    va_list args;
    va_start(args, format);
    vfprintf(log, format, args);
    va_end(args);
    fputc('\n', log);
    fclose(log);
}

extern "C" __declspec(dllexport) DWORD WINAPI
    PwdChangePasswordA(LPCSTR provider, HWND owner, DWORD a, DWORD b) {
    stubLog("PwdChangePasswordA provider=%s owner=%lu %lu %lu", provider,
            static_cast<unsigned long>(reinterpret_cast<uintptr_t>(owner) & 0xFFFFFFFFu),
            static_cast<unsigned long>(a), static_cast<unsigned long>(b));
    return 0;
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    HMODULE pinned;
    BOOL running = TRUE;
    if (reason == DLL_PROCESS_ATTACH)
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCSTR>(self), &pinned);
    if (reason == DLL_PROCESS_DETACH &&
        SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0))
        stubLog("process end running=%d", running ? 1 : 0);
    return TRUE;
}
