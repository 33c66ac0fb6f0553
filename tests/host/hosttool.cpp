// The tests' hands and eyes inside Wine: windows found, inspected and sent messages, a parent
// for the preview, the display changed, a running saver sampled for the soak. Handles are
// decimal. Usage: hosttool COMMAND ARGS...
#include "host/host.h"
#include "settings/settings.h"
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

struct ToolState {
    FILE* log; // the parent window's message log
};
static ToolState tool;

static unsigned long decimal(const void* handle) {
    return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(handle) & 0xFFFFFFFFu);
}

static int print(const void* handle) {
    printf("%lu\n", decimal(handle));
    return 0;
}

// The tool's windows log the help requests they get (ctrl: WM_HELP's control id); WM_APP faults.
static LRESULT CALLBACK toolProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if ((message == WM_CONTEXTMENU || message == WM_HELP) && tool.log) {
        const HELPINFO* help = message == WM_HELP ? reinterpret_cast<HELPINFO*>(lParam) : nullptr;
        fprintf(tool.log, "%s wParam=%lu self=%lu ctrl=%d\n", help ? "WM_HELP" : "WM_CONTEXTMENU",
                decimal(reinterpret_cast<HWND>(wParam)), decimal(window),
                help && help->cbSize == sizeof *help ? help->iCtrlId : -1);
        fflush(tool.log);
        return TRUE;
    }
    if (message == WM_APP)
        *static_cast<volatile int*>(nullptr) = 1;
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

// A magenta window 400 x 300 at (100, 100).
static HWND makeWindow(DWORD style) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = toolProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = CreateSolidBrush(RGB(255, 0, 255));
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = "ClackmoorTestParent";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, windowClass.lpszClassName, "Preview Parent", style, 100, 100, 400,
                           300, nullptr, nullptr, windowClass.hInstance, nullptr);
}

static int runMessageLoop() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}

// parent LOGFILE: prints "HWND X Y W H" (its client area on the screen), then logs the help
// requests it gets until it is closed.
static int makeParent(const char* logPath) {
    tool.log = fopen(logPath, "w");
    HWND parent = makeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN);
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
    return runMessageLoop();
}

// fault: set up as the saver's start-up does (search path, fault filter, password hooks on
// 95/98/Me), then a window procedure writes through a null pointer during dispatch.
static int faultInMode() {
    removeCurrentDirectoryFromDllSearch();
    armFaultPath();
    hostState.instance = GetModuleHandleA(nullptr);
    hostState.win9xFamily = detectWin9xFamily();
    loadPasswordHooks();
    PostMessageA(makeWindow(WS_POPUP), WM_APP, 0, 0);
    return runMessageLoop(); // not left: the fault ends the process
}

// One walk over every window: those of a process counted and, given a class, the first child
// with that class and title found.
struct WindowWalk {
    DWORD processId;
    long count;
    const char* className;
    const char* title;
    HWND found;
};

static BOOL CALLBACK visitWindow(HWND window, LPARAM param) {
    WindowWalk& walk = *reinterpret_cast<WindowWalk*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    walk.count += pid == walk.processId;
    if (walk.className && !walk.found)
        walk.found = FindWindowExA(window, nullptr, walk.className, walk.title);
    return TRUE;
}

static WindowWalk walkWindows(DWORD processId, const char* className, const char* title) {
    WindowWalk walk = {processId, 0, className, title, nullptr};
    EnumChildWindows(GetDesktopWindow(), visitWindow, reinterpret_cast<LPARAM>(&walk));
    return walk;
}

// The first window with that class and title in PARENT or, without one, top-level or the child
// of one (the preview); null after SECONDS.
static HWND waitForWindow(HWND parent, const char* className, const char* title, DWORD seconds) {
    for (const DWORD until = GetTickCount() + 1000 * seconds;; Sleep(50)) {
        HWND found = FindWindowExA(parent, nullptr, className, title);
        if (!found && !parent)
            found = walkWindows(0, className, title).found;
        if (found || GetTickCount() >= until)
            return found;
    }
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

// The monitors as Windows programs see them: "left top width height" each, "primary"
// after the primary's.
static BOOL CALLBACK addMonitorLine(HMONITOR monitor, HDC, LPRECT, LPARAM lines) {
    MONITORINFO info = {sizeof info, {}, {}, 0};
    GetMonitorInfoA(monitor, &info);
    const RECT& r = info.rcMonitor;
    char line[80];
    snprintf(line, sizeof line, "%ld %ld %ld %ld%s\n", r.left, r.top, r.right - r.left,
             r.bottom - r.top, info.dwFlags & MONITORINFOF_PRIMARY ? " primary" : "");
    reinterpret_cast<std::string*>(lines)->append(line);
    return TRUE;
}

static int showMonitors() {
    std::string lines;
    EnumDisplayMonitors(nullptr, nullptr, addMonitorLine, reinterpret_cast<LPARAM>(&lines));
    printf("%s", lines.c_str());
    return lines.empty() ? 1 : 0;
}

// Sends a message with a time limit; prints the result.
static int sendAndPrint(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 5000, &result))
        return 1;
    printf("%lu\n", static_cast<unsigned long>(result));
    return 0;
}

// power WINDOW 0|1: the system's notice that the console display went off (0) or on (1). The
// notice must live in the window's process, so it is written there first.
static int sendDisplayState(HWND window, DWORD state) {
    const struct {
        GUID setting;
        DWORD dataLength;
        DWORD state;
    } notice = {{0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}},
                sizeof(DWORD),
                state};
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
    void* remote = process
                       ? VirtualAllocEx(process, nullptr, sizeof notice, MEM_COMMIT, PAGE_READWRITE)
                       : nullptr;
    if (!remote || !WriteProcessMemory(process, remote, &notice, sizeof notice, nullptr))
        return 1;
    return sendAndPrint(window, WM_POWERBROADCAST, 0x8013 /* setting change */,
                        reinterpret_cast<LPARAM>(remote));
}

// soak INTERVAL_MS SAMPLES CHURN_MS TITLE ATI UNIXPID: samples the saver window with TITLE
// (UNIXPID: its Linux process) every INTERVAL_MS and saves a record as the dialog would every
// CHURN_MS (compatibility mode ATI: "0", "1" or "any"); 1 when the saver ends first.
namespace {

constexpr DWORD answerLimitMs = 2000; // a saver slower than this to answer counts as hung

// The handles a process holds, from the system's list of all handles (NtQuerySystemInformation,
// class 16). NOTE: Wine answers GetProcessHandleCount for other processes with nothing.
struct SystemHandleEntry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    PVOID object;
    ULONG access;
};
typedef LONG(WINAPI* NtQuerySystemInformationFn)(ULONG, PVOID, ULONG, PULONG);

long handlesOf(DWORD processId) {
    auto query = findEntry<NtQuerySystemInformationFn>(GetModuleHandleA("ntdll.dll"),
                                                       "NtQuerySystemInformation");
    static std::string buffer(16 << 20, '\0'); // the whole system's list fits
    ULONG needed = 0;
    if (!query || query(16, &buffer[0], ULONG(buffer.size()), &needed) != 0)
        return -1;
    const ULONG total = *reinterpret_cast<const ULONG*>(buffer.data());
    // The entries follow the count, padded to their alignment.
    const auto* entries =
        reinterpret_cast<const SystemHandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
    long own = 0;
    for (ULONG i = 0; i < total; ++i)
        own += entries[i].ownerPid == processId;
    return own;
}

// One row, as the header in soak() names it; answer_ms is -1 past answerLimitMs. NOTE: Wine
// reports no PrivateUsage for other processes; VmData of the Linux process (read through
// drive Z:) is its committed private memory.
void printSample(DWORD startTick, HANDLE process, DWORD processId, const char* unixPid,
                 HWND window) {
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                         sizeof memory);
    unsigned long privateKib = static_cast<unsigned long>(memory.PrivateUsage / 1024);
    FILE* status = privateKib
                       ? nullptr
                       : fopen((std::string("Z:\\proc\\") + unixPid + "\\status").c_str(), "r");
    char line[256];
    while (status && fgets(line, sizeof line, status))
        if (sscanf(line, "VmData: %lu", &privateKib) == 1)
            break;
    if (status)
        fclose(status);
    const long handleCount = handlesOf(processId);
    const DWORD tick = GetTickCount();
    DWORD_PTR result = 0;
    const bool answered =
        SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, answerLimitMs, &result) != 0;
    printf("%.1f %lu %lu %lu %ld %lu %lu %ld %.1f\n", (tick - startTick) / 1000.0,
           static_cast<unsigned long>(tick), privateKib,
           static_cast<unsigned long>(memory.WorkingSetSize / 1024), handleCount,
           static_cast<unsigned long>(GetGuiResources(process, GR_GDIOBJECTS)),
           static_cast<unsigned long>(GetGuiResources(process, GR_USEROBJECTS)),
           walkWindows(processId, nullptr, nullptr).count,
           answered ? double(GetTickCount() - tick) : -1.0);
    fflush(stdout);
}

int soak(DWORD intervalMs, long samples, DWORD churnMs, const char* title, const char* ati,
         const char* unixPid) {
    HWND window = waitForWindow(nullptr, "WindowsScreenSaverClass", title, 60);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process =
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, processId);
    if (!window || !process) {
        fprintf(stderr, "hosttool: no saver window \"%s\" to watch\n", title);
        return 1;
    }
    printf("# t_s tick_ms private_kib workingset_kib handles gdi user windows answer_ms\n");
    std::mt19937 random(20261207u);
    const DWORD start = GetTickCount();
    DWORD sinceChurn = 0;
    for (long n = 0; n < samples; ++n) {
        while (GetTickCount() - start < n * intervalMs) {
            if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0) {
                fprintf(stderr, "hosttool: the saver ended during the soak\n");
                return 1;
            }
            if (GetTickCount() - start - sinceChurn >= churnMs) { // a record the dialog could store
                for (int i = 0; i < patternCount; ++i)
                    cradleSettings.patternEnabled[i] = random() & 1;
                const uint32_t touching = random() % 3;
                cradleSettings.touchAlways = touching == 0;
                cradleSettings.touchNever = touching == 2;
                cradleSettings.atiFix =
                    !strcmp(ati, "any") ? random() & 1 : strtoul(ati, nullptr, 10);
                saveSettings();
                sinceChurn += churnMs;
            }
        }
        printSample(start, process, processId, unixPid, window);
    }
    CloseHandle(process);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const char* command = argc >= 2 ? argv[1] : "";
    auto is = [&](const char* name, int args) {
        return !strcmp(command, name) && argc == args + 2;
    };
    auto number = [&](int i) { return strtoul(argv[i], nullptr, 10); };
    const HWND window = argc >= 3 ? reinterpret_cast<HWND>(intptr_t(int32_t(number(2)))) : nullptr;
    if (is("soak", 6))
        return soak(number(2), long(number(3)), number(4), argv[5], argv[6], argv[7]);
    if (is("parent", 1))
        return makeParent(argv[2]);
    if (is("fault", 0))
        return faultInMode();
    if (is("wait", 3) || is("child", 2)) { // CLASS TITLE SECONDS, or PARENT SECONDS (preview)
        const HWND found =
            is("wait", 3) ? waitForWindow(nullptr, argv[2], argv[3], number(4))
                          : waitForWindow(window, "WindowsScreenSaverClass", "Preview", number(3));
        print(found);
        return found ? 0 : 1;
    }
    if (is("monitors", 0))
        return showMonitors();
    if (is("rect", 1))
        return showRect(window);
    if (is("power", 2))
        return sendDisplayState(window, number(3));
    if (is("sendhelp", 1)) { // the F1 key's help request, with control id 4321
        HELPINFO help = {sizeof help, HELPINFO_WINDOW, 4321, window, 0, {0, 0}};
        return sendAndPrint(window, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
    }
    if (is("sendreg", 2))
        return sendAndPrint(window, RegisterWindowMessageA(argv[3]), 0, 0);
    CURSORINFO cursor = {sizeof cursor, 0, nullptr, {0, 0}};
    if (is("cursor", 0))
        return print(GetCursorInfo(&cursor) ? cursor.hCursor : nullptr);
    if (is("foreground", 0))
        return print(GetForegroundWindow());
    if (is("owner", 1))
        return print(GetWindow(window, GW_OWNER));
    if (is("topmost", 1)) // 0 when the window stays above all others
        return GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST ? 0 : 1;
    if (is("front", 1))
        return SetForegroundWindow(window) ? 0 : 1;
    if (is("loadlib", 1))
        return LoadLibraryA(argv[2]) ? 0 : 1;
    if (is("post", 4))
        return PostMessageA(window, UINT(number(3)), number(4), number(5)) ? 0 : 1;
    // mode W H: switches the display for now, as a game would (not stored); usermode W H: stores
    // W x H as the user's mode without switching.
    if (is("mode", 2) || is("usermode", 2)) {
        DEVMODEA mode = {};
        mode.dmSize = sizeof mode;
        mode.dmPelsWidth = number(2);
        mode.dmPelsHeight = number(3);
        mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
        const DWORD flags = is("mode", 2) ? CDS_FULLSCREEN : CDS_UPDATEREGISTRY | CDS_NORESET;
        return ChangeDisplaySettingsA(&mode, flags) == DISP_CHANGE_SUCCESSFUL ? 0 : 1;
    }
    if (!strcmp(command, "aedebug") && argc >= 4) { // stands in for the system's debugger
        FILE* log = fopen(argv[2], "a");
        return log ? fprintf(log, "system filter started the debugger for process %s\n", argv[3]),
               fclose(log) : 1;
    }
    return 2;
}
