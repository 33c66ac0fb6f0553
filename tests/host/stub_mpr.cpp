// A stand-in for the system's MPR.DLL: logs the change-password request to CLACKMOOR_STUB_LOG.
#include <windows.h>
#include <cstdio>
#include <cstdlib>

extern "C" __declspec(dllexport) DWORD WINAPI
    PwdChangePasswordA(LPCSTR provider, HWND owner, DWORD a, DWORD b) {
    const char* path = getenv("CLACKMOOR_STUB_LOG");
    FILE* log = path ? fopen(path, "a") : nullptr;
    if (log) {
        fprintf(log, "PwdChangePasswordA provider=%s owner=%lu %lu %lu\n", provider,
                static_cast<unsigned long>(reinterpret_cast<uintptr_t>(owner) & 0xFFFFFFFFu),
                static_cast<unsigned long>(a), static_cast<unsigned long>(b));
        fclose(log);
    }
    return 0;
}
