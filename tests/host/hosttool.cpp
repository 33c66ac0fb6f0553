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

static unsigned long decimal(const void* handle) {
    return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(handle) & 0xFFFFFFFFu);
}

static int print(const void* handle) {
    printf("%lu\n", decimal(handle));
    return 0;
}

static LRESULT CALLBACK parentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CONTEXTMENU || message == WM_HELP) {
        const HELPINFO* help = reinterpret_cast<const HELPINFO*>(lParam);
        fprintf(tool.log, "%s wParam=%lu self=%lu",
                message == WM_HELP ? "WM_HELP" : "WM_CONTEXTMENU",
                decimal(reinterpret_cast<HWND>(wParam)), decimal(window));
        if (message == WM_HELP)
            fprintf(tool.log, " ctrl=%d",
                    help && help->cbSize == sizeof *help ? help->iCtrlId : -1);
        fprintf(tool.log, "\n");
        fflush(tool.log);
        return TRUE;
    }
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

// parent LOGFILE: a magenta window 400 x 300 at (100, 100); prints "HWND X Y W H" (its client
// area on the screen), then logs the help requests it gets until it is closed.
static int makeParent(const char* logPath) {
    tool.log = fopen(logPath, "w");
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
    if (!tool.log || !parent)
        return 2;
    SetForegroundWindow(parent);
    RECT client;
    GetClientRect(parent, &client);
    POINT origin = {0, 0};
    ClientToScreen(parent, &origin);
    printf("%lu %ld %ld %ld %ld\n", decimal(parent), origin.x, origin.y, client.right,
           client.bottom);
    fflush(stdout);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    fclose(tool.log);
    return 0;
}

// activate: another application takes the activation for a second.
static int takeActivation() {
    HWND other = CreateWindowExA(0, "STATIC", "Other Application", WS_POPUP | WS_VISIBLE, 0, 0, 50,
                                 50, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(other);
    SetActiveWindow(other);
    MSG message;
    for (DWORD until = GetTickCount() + 1000; GetTickCount() < until; Sleep(10))
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    DestroyWindow(other);
    return 0;
}

// wait CLASS|- TITLE SECONDS: prints the first window found with that class and title.
static int waitForWindow(const char* className, const char* title, const char* seconds) {
    const DWORD until = GetTickCount() + 1000u * strtoul(seconds, nullptr, 10);
    HWND found = nullptr;
    while (!(found = FindWindowA(strcmp(className, "-") ? className : nullptr, title)) &&
           GetTickCount() < until)
        Sleep(50);
    print(found);
    return found ? 0 : 1;
}

// rect WINDOW: "X Y W H" of the window on the screen, and whether it is visible.
static int showRect(HWND window) {
    RECT r;
    if (!GetWindowRect(window, &r))
        return 1;
    printf("%ld %ld %ld %ld %s\n", r.left, r.top, r.right - r.left, r.bottom - r.top,
           IsWindowVisible(window) ? "visible" : "hidden");
    return 0;
}

// Sends a message with a time limit; prints the result.
static int sendAndPrint(HWND window, UINT message, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, 0, lParam, SMTO_NORMAL, 5000, &result))
        return 1;
    printf("%lu\n", static_cast<unsigned long>(result));
    return 0;
}

int main(int argc, char** argv) {
    const char* command = argc >= 2 ? argv[1] : "";
    auto is = [&](const char* name, int args) {
        return !strcmp(command, name) && argc == args + 2;
    };
    if (is("parent", 1))
        return makeParent(argv[2]);
    if (is("activate", 0))
        return takeActivation();
    if (is("wait", 3))
        return waitForWindow(argv[2], argv[3], argv[4]);
    if (is("cursor", 0)) {
        CURSORINFO info = {sizeof info};
        GetCursorInfo(&info);
        return print(info.hCursor);
    }
    if (is("foreground", 0))
        return print(GetForegroundWindow());
    if (is("owner", 1))
        return print(GetWindow(handleArg(argv[2]), GW_OWNER));
    if (is("child", 1))
        return print(
            FindWindowExA(handleArg(argv[2]), nullptr, "WindowsScreenSaverClass", "Preview"));
    if (is("sendhelp", 1)) { // the help request of the F1 key, with control id 4321
        HELPINFO help = {sizeof help, HELPINFO_WINDOW, 4321, handleArg(argv[2]), 0, {0, 0}};
        return sendAndPrint(handleArg(argv[2]), WM_HELP, reinterpret_cast<LPARAM>(&help));
    }
    if (is("rect", 1))
        return showRect(handleArg(argv[2]));
    if (is("topmost", 1)) // exit code 0 when the window stays above all others
        return GetWindowLongA(handleArg(argv[2]), GWL_EXSTYLE) & WS_EX_TOPMOST ? 0 : 1;
    if (is("iswindow", 1))
        return IsWindow(handleArg(argv[2])) ? 0 : 1;
    if (is("front", 1))
        return SetForegroundWindow(handleArg(argv[2])) ? 0 : 1;
    if (is("post", 4))
        return PostMessageA(handleArg(argv[2]), strtoul(argv[3], nullptr, 0),
                            strtoul(argv[4], nullptr, 0), strtoul(argv[5], nullptr, 0))
                   ? 0
                   : 1;
    if (is("loadlib", 1))
        return LoadLibraryA(argv[2]) ? 0 : 1;
    if (is("sendreg", 2))
        return sendAndPrint(handleArg(argv[2]), RegisterWindowMessageA(argv[3]), 0);
    if (!strcmp(command, "aedebug") && argc >= 4) {
        // Stands in for the system's debugger: notes that the system's unhandled-exception
        // filter got as far as starting it, and leaves without attaching.
        FILE* log = fopen(argv[2], "a");
        return log ? fprintf(log, "system filter started the debugger for process %s\n", argv[3]),
               fclose(log) : 1;
    }
    return 2;
}
