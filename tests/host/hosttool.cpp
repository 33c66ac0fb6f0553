// The tests' hands and eyes inside Wine: makes a parent window for the preview, finds and
// inspects windows, and sends or posts messages. Handles are printed and read as decimal.
// Usage: hosttool COMMAND ARGS...
#include <windows.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

struct ToolState {
    FILE* log; // the parent window's message log
};
static ToolState tool;

static HWND handleArg(const char* text) {
    return reinterpret_cast<HWND>(
        static_cast<intptr_t>(static_cast<int32_t>(strtoul(text, nullptr, 10))));
}

static unsigned long decimal(HWND window) {
    return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(window) & 0xFFFFFFFFu);
}

static LRESULT CALLBACK parentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CONTEXTMENU:
        fprintf(tool.log, "WM_CONTEXTMENU wParam=%lu self=%lu\n",
                decimal(reinterpret_cast<HWND>(wParam)), decimal(window));
        fflush(tool.log);
        return 0;
    case WM_HELP: {
        const HELPINFO* help = reinterpret_cast<const HELPINFO*>(lParam);
        fprintf(tool.log, "WM_HELP wParam=%lu self=%lu ctrl=%d\n",
                decimal(reinterpret_cast<HWND>(wParam)), decimal(window),
                help && help->cbSize == sizeof *help ? help->iCtrlId : -1);
        fflush(tool.log);
        return TRUE;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// parent LOGFILE: a magenta window 400 x 300 at (100, 100); prints "HWND X Y W H" (the
// client area on the screen), then logs help requests until it is closed.
static int makeParent(const char* logPath) {
    tool.log = fopen(logPath, "w");
    if (!tool.log) {
        return 2;
    }
    WNDCLASSA parentClass = {};
    parentClass.lpfnWndProc = parentProc;
    parentClass.hInstance = GetModuleHandleA(nullptr);
    parentClass.hbrBackground = CreateSolidBrush(RGB(255, 0, 255));
    parentClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    parentClass.lpszClassName = "ClackmoorTestParent";
    RegisterClassA(&parentClass);
    HWND parent = CreateWindowExA(0, parentClass.lpszClassName, "Preview Parent",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100, 400,
                                  300, nullptr, nullptr, parentClass.hInstance, nullptr);
    if (!parent) {
        return 3;
    }
    SetForegroundWindow(parent);
    RECT client;
    GetClientRect(parent, &client);
    POINT origin = {0, 0};
    ClientToScreen(parent, &origin);
    printf("%lu %ld %ld %ld %ld\n", decimal(parent), origin.x, origin.y, client.right,
           client.bottom);
    fflush(stdout);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    fclose(tool.log);
    return 0;
}

// activate: another application takes the activation for a second.
static int takeActivation() {
    HWND other = CreateWindowExA(0, "STATIC", "Other Application", WS_POPUP | WS_VISIBLE, 0, 0, 50,
                                 50, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(other);
    SetActiveWindow(other);
    DWORD until = GetTickCount() + 1000;
    MSG message;
    while (GetTickCount() < until) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
        Sleep(10);
    }
    DestroyWindow(other);
    return 0;
}

// wait CLASS|- TITLE SECONDS: prints the first window found with that class and title.
static int waitForWindow(const char* className, const char* title, const char* seconds) {
    DWORD until = GetTickCount() + 1000u * strtoul(seconds, nullptr, 10);
    const char* classArg = strcmp(className, "-") == 0 ? nullptr : className;
    HWND found = nullptr;
    while (!(found = FindWindowA(classArg, title)) && GetTickCount() < until) {
        Sleep(50);
    }
    printf("%lu\n", decimal(found));
    return found ? 0 : 1;
}

static int showCursorState() {
    CURSORINFO info = {};
    info.cbSize = sizeof info;
    if (!GetCursorInfo(&info)) {
        return 1;
    }
    printf("cursor=%lu flags=%lu\n", decimal(reinterpret_cast<HWND>(info.hCursor)),
           static_cast<unsigned long>(info.flags));
    return 0;
}

static int sendRegistered(HWND window, const char* name) {
    UINT message = RegisterWindowMessageA(name);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, 0, 0, SMTO_NORMAL, 5000, &result)) {
        printf("timeout\n");
        return 1;
    }
    printf("%lu\n", static_cast<unsigned long>(result));
    return 0;
}

// presskey WINDOW: presses and releases a key as hardware input, then reports how long the
// window took to go (milliseconds) — the saver's loop ends right after.
static int pressKeyAndTime(HWND window) {
    INPUT keys[2] = {};
    keys[0].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = 'K';
    keys[1] = keys[0];
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    SendInput(2, keys, sizeof keys[0]);
    DWORD until = GetTickCount() + 10000;
    while (IsWindow(window) && GetTickCount() < until) {
        Sleep(1);
    }
    QueryPerformanceCounter(&now);
    printf("%.1f\n", 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
                         static_cast<double>(frequency.QuadPart));
    return IsWindow(window) ? 1 : 0;
}

// aedebug LOGFILE PID EVENT: stands in for the system's debugger; notes that the system's
// unhandled-exception filter got as far as starting it, and leaves without attaching.
static int noteDebuggerStart(const char* logPath, const char* pid) {
    FILE* log = fopen(logPath, "a");
    if (!log) {
        return 1;
    }
    fprintf(log, "system filter started the debugger for process %s\n", pid);
    fclose(log);
    return 0;
}

// sendhelp WINDOW: the help request of the F1 key, with control id 4321.
static int sendHelp(HWND window) {
    HELPINFO help = {};
    help.cbSize = sizeof help;
    help.iContextType = HELPINFO_WINDOW;
    help.iCtrlId = 4321;
    help.hItemHandle = window;
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_HELP, 0, reinterpret_cast<LPARAM>(&help), SMTO_NORMAL,
                               5000, &result)
               ? 0
               : 1;
}

// rect WINDOW: "X Y W H" of the window on the screen, and whether it is visible.
static int showRect(HWND window) {
    RECT r;
    if (!GetWindowRect(window, &r)) {
        return 1;
    }
    printf("%ld %ld %ld %ld %s\n", r.left, r.top, r.right - r.left, r.bottom - r.top,
           IsWindowVisible(window) ? "visible" : "hidden");
    return 0;
}

static unsigned long number(const char* text) {
    return strtoul(text, nullptr, 0);
}

int main(int argc, char** argv) {
    if (argc < 2) {
        return 2;
    }
    const char* command = argv[1];
    if (strcmp(command, "parent") == 0 && argc == 3) {
        return makeParent(argv[2]);
    }
    if (strcmp(command, "activate") == 0) {
        return takeActivation();
    }
    if (strcmp(command, "wait") == 0 && argc == 5) {
        return waitForWindow(argv[2], argv[3], argv[4]);
    }
    if (strcmp(command, "cursor") == 0) {
        return showCursorState();
    }
    if (strcmp(command, "foreground") == 0) {
        printf("%lu\n", decimal(GetForegroundWindow()));
        return 0;
    }
    if (strcmp(command, "sendhelp") == 0 && argc == 3) {
        return sendHelp(handleArg(argv[2]));
    }
    if (strcmp(command, "rect") == 0 && argc == 3) {
        return showRect(handleArg(argv[2]));
    }
    if (strcmp(command, "front") == 0 && argc == 3) {
        return SetForegroundWindow(handleArg(argv[2])) ? 0 : 1;
    }
    if (strcmp(command, "owner") == 0 && argc == 3) {
        printf("%lu\n", decimal(GetWindow(handleArg(argv[2]), GW_OWNER)));
        return 0;
    }
    if (strcmp(command, "iswindow") == 0 && argc == 3) {
        return IsWindow(handleArg(argv[2])) ? 0 : 1;
    }
    if (strcmp(command, "post") == 0 && argc == 6) {
        return PostMessageA(handleArg(argv[2]), number(argv[3]), number(argv[4]), number(argv[5]))
                   ? 0
                   : 1;
    }
    if (strcmp(command, "child") == 0 && argc == 3) {
        printf("%lu\n", decimal(FindWindowExA(handleArg(argv[2]), nullptr,
                                              "WindowsScreenSaverClass", "Preview")));
        return 0;
    }
    if (strcmp(command, "presskey") == 0 && argc == 3) {
        return pressKeyAndTime(handleArg(argv[2]));
    }
    if (strcmp(command, "loadlib") == 0 && argc == 3) {
        return LoadLibraryA(argv[2]) ? 0 : 1;
    }
    if (strcmp(command, "aedebug") == 0 && argc >= 4) {
        return noteDebuggerStart(argv[2], argv[3]);
    }
    if (strcmp(command, "sendreg") == 0 && argc == 4) {
        return sendRegistered(handleArg(argv[2]), argv[3]);
    }
    return 2;
}
