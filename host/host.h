// The screen-saver host: start-up and command line, the saver window, the password
// hooks and the default event handling with the dismissal rules.
#pragma once
#include <windows.h>
#include <cstdint>

// One process-wide record, all zero at process start.
struct HostState {
    HINSTANCE instance;
    bool win9xFamily;
    bool previewMode;
    bool closeApproved;
    bool askingPassword;
    POINT savedCursorPos;
    UINT autoPlayQueryMessage;
};
extern HostState hostState;

// Start-up and command line.
[[noreturn]] void hostMain();
int32_t dispatchMode(HINSTANCE instance, const char* tail);
uint32_t parseDecimal(const char* text);

// Saver window.
int32_t saverWindowMain(HWND parent);
LRESULT CALLBACK saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Default handling and dismissal: the last link before DefWindowProcA.
LRESULT saverDefaultHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
