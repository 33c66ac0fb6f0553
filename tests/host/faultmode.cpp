// A mode that faults, for the fault path: set up as the saver's start-up does (search path,
// fault filter, password hooks on 95/98/Me), then a window procedure writes through a null
// pointer while the message loop dispatches.
#include "host/host.h"

static LRESULT CALLBACK faultingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP + 1) {
        *static_cast<volatile int*>(nullptr) = 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    removeCurrentDirectoryFromDllSearch();
    armFaultPath();
    hostState.instance = instance;
    hostState.win9xFamily = detectWin9xFamily();
    loadPasswordHooks();
    WNDCLASSA faultClass = {};
    faultClass.lpfnWndProc = faultingProc;
    faultClass.hInstance = instance;
    faultClass.lpszClassName = "ClackmoorFaultMode";
    RegisterClassA(&faultClass);
    HWND window = CreateWindowExA(0, faultClass.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, instance, nullptr);
    PostMessageA(window, WM_APP + 1, 0, 0);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    unloadPasswordHooks();
    return 0; // not reached: the fault ends the process
}
