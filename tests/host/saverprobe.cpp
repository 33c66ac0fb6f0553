// Watches and strains the real saver from another process, for the soak and the hostile tests:
//   soak INTERVAL_MS SAMPLES CHURN_MS TITLE ATI UNIXPID   finds the saver window with TITLE
//       ("Screen Saver" or "Preview"; UNIXPID is its Linux process), then every INTERVAL_MS prints
//       one sample of it (printSample) and every CHURN_MS saves another record as the dialog would,
//       with the compatibility mode ATI ("0", "1" or "any"); ends after SAMPLES samples (0) or when
//       the saver is gone (1)
//   lines SCR FILE   runs SCR once per line of FILE ("EXPECT TAIL", TAIL with \xNN escapes and
//       {P} for a parent window made here) and prints the outcome of each line, then a tally
// Handles are printed and read as decimal.
#include "settings/settings.h"
#include <windows.h>
#include <psapi.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

constexpr DWORD answerLimitMs = 2000; // a saver slower than this to answer counts as hung

unsigned long decimal(HWND window) {
    return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(window) & 0xFFFFFFFFu);
}

double nowMs() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * double(now.QuadPart) / double(frequency.QuadPart);
}

// --- soak ------------------------------------------------------------------------------------

struct WindowCount {
    DWORD processId;
    long count;
};

BOOL CALLBACK countChild(HWND window, LPARAM param) {
    WindowCount& c = *reinterpret_cast<WindowCount*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    c.count += pid == c.processId;
    return TRUE;
}

BOOL CALLBACK countTopLevel(HWND window, LPARAM param) {
    countChild(window, param);
    EnumChildWindows(window, countChild, param);
    return TRUE;
}

// The windows a process owns anywhere on the desktop: its share of the USER objects that
// can be seen from outside.
long windowsOf(DWORD processId) {
    WindowCount c = {processId, 0};
    EnumWindows(countTopLevel, reinterpret_cast<LPARAM>(&c));
    return c.count;
}

// The kernel handles a process holds. NOTE: Wine answers GetProcessHandleCount for other
// processes with nothing; its list of every handle in the system (NtQuerySystemInformation,
// class 16) is complete, so the process's entries are counted there instead.
struct SystemHandleEntry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    PVOID object;
    ULONG access;
};
typedef LONG(WINAPI* NtQuerySystemInformationFn)(ULONG infoClass, PVOID info, ULONG size,
                                                 PULONG needed);

long handlesOf(HANDLE process, DWORD processId) {
    DWORD count = 0;
    if (GetProcessHandleCount(process, &count) && count) {
        return long(count);
    }
    auto query = reinterpret_cast<NtQuerySystemInformationFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    std::string buffer(1 << 20, '\0');
    for (int tries = 0; query && tries < 6; ++tries) {
        ULONG needed = 0;
        const LONG status = query(16, &buffer[0], ULONG(buffer.size()), &needed);
        if (status == 0) {
            const ULONG total = *reinterpret_cast<const ULONG*>(buffer.data());
            const auto* entries = reinterpret_cast<const SystemHandleEntry*>(
                buffer.data() + sizeof(ULONG_PTR)); // the count, padded to the entries' alignment
            long own = 0;
            for (ULONG i = 0; i < total; ++i) {
                own += entries[i].ownerPid == processId;
            }
            return own;
        }
        buffer.resize(buffer.size() * 2 > needed ? buffer.size() * 2 : needed + 4096);
    }
    return -1;
}

// Private bytes (KiB). NOTE: Wine reports no PrivateUsage for other processes; there the
// Windows process is a Linux process whose committed private memory is its private writable
// mappings, VmData in its status (read through Wine's drive Z:), resident or not.
unsigned long privateKibOf(const PROCESS_MEMORY_COUNTERS_EX& memory, const char* unixPid) {
    if (memory.PrivateUsage) {
        return static_cast<unsigned long>(memory.PrivateUsage / 1024);
    }
    const std::string path = std::string("Z:\\proc\\") + unixPid + "\\status";
    FILE* file = std::fopen(path.c_str(), "r");
    unsigned long kib = 0;
    char line[256];
    while (file && std::fgets(line, sizeof line, file)) {
        if (std::sscanf(line, "VmData: %lu", &kib) == 1) {
            break;
        }
    }
    if (file) {
        std::fclose(file);
    }
    return kib;
}

// One row: seconds since the first sample, the tick count (ms, to match Wine's traces),
// private bytes and working set (KiB), kernel handles, GDI and USER objects
// (GetGuiResources), windows, and how long a WM_NULL took to be answered (ms; -1 when not
// within answerLimitMs).
void printSample(double startMs, HANDLE process, DWORD processId, const char* unixPid,
                 HWND window) {
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                         sizeof memory);
    const long handleCount = handlesOf(process, processId);
    const double before = nowMs();
    const DWORD tick = GetTickCount();
    DWORD_PTR result = 0;
    const bool answered =
        SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, answerLimitMs, &result) != 0;
    const double answerMs = answered ? nowMs() - before : -1.0;
    std::printf("%.1f %lu %lu %lu %ld %lu %lu %ld %.1f\n", (before - startMs) / 1000.0,
                static_cast<unsigned long>(tick), privateKibOf(memory, unixPid),
                static_cast<unsigned long>(memory.WorkingSetSize / 1024), handleCount,
                static_cast<unsigned long>(GetGuiResources(process, GR_GDIOBJECTS)),
                static_cast<unsigned long>(GetGuiResources(process, GR_USEROBJECTS)),
                windowsOf(processId), answerMs);
    std::fflush(stdout);
}

// A record the dialog could store: patterns 0 or 1, one of the three touching modes, the
// compatibility mode on or off.
void saveDialogRecord(std::mt19937& random, const char* ati) {
    for (int i = 0; i < patternCount; ++i) {
        cradleSettings.patternEnabled[i] = random() & 1;
    }
    const uint32_t touching = random() % 3;
    cradleSettings.touchAlways = touching == 0;
    cradleSettings.touchNever = touching == 2;
    cradleSettings.atiFix = !std::strcmp(ati, "any") ? random() & 1 : strtoul(ati, nullptr, 10);
    saveSettings();
}

struct SaverSearch {
    const char* title;
    HWND found;
};

BOOL CALLBACK findSaverChild(HWND top, LPARAM param) {
    SaverSearch& search = *reinterpret_cast<SaverSearch*>(param);
    search.found = FindWindowExA(top, nullptr, "WindowsScreenSaverClass", search.title);
    return search.found == nullptr;
}

// The saver window with that title: top-level (full screen) or the child of one (preview).
HWND waitForSaver(const char* title, DWORD seconds) {
    const DWORD until = GetTickCount() + 1000 * seconds;
    SaverSearch search = {title, nullptr};
    while (GetTickCount() < until) {
        search.found = FindWindowA("WindowsScreenSaverClass", title);
        if (!search.found) {
            EnumWindows(findSaverChild, reinterpret_cast<LPARAM>(&search));
        }
        if (search.found) {
            break;
        }
        Sleep(50);
    }
    return search.found;
}

int soak(DWORD intervalMs, long samples, DWORD churnMs, const char* title, const char* ati,
         const char* unixPid) {
    HWND window = waitForSaver(title, 60);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process =
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, processId);
    if (!window || !process) {
        std::fprintf(stderr, "saverprobe: no saver window \"%s\" to watch\n", title);
        return 1;
    }
    std::printf("# t_s tick_ms private_kib workingset_kib handles gdi user windows answer_ms\n");
    std::mt19937 random(20261207u);
    const double startMs = nowMs();
    double nextChurn = startMs + churnMs;
    for (long n = 0; n < samples; ++n) {
        const double due = startMs + double(n) * intervalMs;
        while (nowMs() < due) {
            if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0) {
                std::fprintf(stderr, "saverprobe: the saver ended during the soak\n");
                return 1;
            }
            if (nowMs() >= nextChurn) {
                saveDialogRecord(random, ati);
                nextChurn += churnMs;
            }
        }
        printSample(startMs, process, processId, unixPid, window);
    }
    CloseHandle(process);
    return 0;
}

// --- lines -----------------------------------------------------------------------------------

LRESULT CALLBACK parentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND makeParent() {
    WNDCLASSA parentClass = {};
    parentClass.lpfnWndProc = parentProc;
    parentClass.hInstance = GetModuleHandleA(nullptr);
    parentClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    parentClass.lpszClassName = "ClackmoorProbeParent";
    RegisterClassA(&parentClass);
    return CreateWindowExA(0, parentClass.lpszClassName, "Probe Parent",
                           WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 50, 50, 320, 240,
                           nullptr, nullptr, parentClass.hInstance, nullptr);
}

void pumpFor(DWORD ms) {
    const DWORD until = GetTickCount() + ms;
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
        Sleep(10);
    } while (GetTickCount() < until);
}

// "\xNN" escapes to bytes, {P} to the parent's handle.
std::string expandLine(const char* text, HWND parent) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (p[0] == '\\' && p[1] == 'x' && p[2] && p[3]) {
            const char hex[3] = {p[2], p[3], 0};
            out += char(strtoul(hex, nullptr, 16));
            p += 3;
        } else if (!std::strncmp(p, "{P}", 3)) {
            out += std::to_string(decimal(parent));
            p += 2;
        } else {
            out += *p;
        }
    }
    return out;
}

struct FindOfProcess {
    DWORD processId;
    const char* className;
    HWND found;
};

BOOL CALLBACK findOfProcess(HWND window, LPARAM param) {
    FindOfProcess& f = *reinterpret_cast<FindOfProcess*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (pid == f.processId && !std::strcmp(className, f.className)) {
        f.found = window;
        return FALSE;
    }
    return TRUE;
}

// A window of the given class that the process owns, top-level or inside `parent`.
HWND windowOfProcess(DWORD processId, const char* className, HWND parent) {
    FindOfProcess f = {processId, className, nullptr};
    if (parent) {
        EnumChildWindows(parent, findOfProcess, reinterpret_cast<LPARAM>(&f));
    } else {
        EnumWindows(findOfProcess, reinterpret_cast<LPARAM>(&f));
    }
    return f.found;
}

// The system's crash report for a faulting program.
bool crashDialogShown() {
    return FindWindowA(nullptr, "Program Error") != nullptr;
}

// Runs one line to its end: a window the mode opens is closed as a user would close it
// (WM_CLOSE: the saver's close, the dialog's Cancel, the preview's end). Returns the exit
// code, or 0xDEAD when the process had to be killed.
DWORD runLine(const char* scr, const std::string& line, const char* expect, HWND parent) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string commandLine = line;
    if (!CreateProcessA(scr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        return 0xBAD;
    }
    CloseHandle(pi.hThread);
    const char* windowClass = !std::strcmp(expect, "dialog") ? "#32770"
                              : std::strcmp(expect, "-1")    ? "WindowsScreenSaverClass"
                                                             : nullptr;
    const bool inParent = !std::strcmp(expect, "preview");
    const DWORD until = GetTickCount() + 60000;
    bool closed = windowClass == nullptr;
    while (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT && GetTickCount() < until) {
        HWND window =
            closed ? nullptr
                   : windowOfProcess(pi.dwProcessId, windowClass, inParent ? parent : nullptr);
        if (window && IsWindowVisible(window)) {
            pumpFor(300); // the window is on screen and has drawn
            PostMessageA(window, WM_CLOSE, 0, 0);
            closed = true;
        }
        pumpFor(20);
    }
    DWORD code = 0xDEAD;
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(pi.hProcess, code);
        WaitForSingleObject(pi.hProcess, 5000);
    } else {
        GetExitCodeProcess(pi.hProcess, &code);
    }
    CloseHandle(pi.hProcess);
    return code;
}

// The exit code each outcome must give: -1 as 0xFFFFFFFF, a saver run 0, the dialog 1.
DWORD expectedCode(const char* expect) {
    return !std::strcmp(expect, "-1") ? 0xFFFFFFFFu : !std::strcmp(expect, "dialog") ? 1u : 0u;
}

int runLines(const char* scr, const char* path) {
    FILE* file = std::fopen(path, "r");
    HWND parent = makeParent();
    if (!file || !parent) {
        return 2;
    }
    pumpFor(300);
    char text[40000];
    long lines = 0, wrong = 0, crashes = 0;
    while (std::fgets(text, sizeof text, file)) {
        text[std::strcspn(text, "\r\n")] = 0;
        char* space = std::strchr(text, ' ');
        if (!space) {
            continue;
        }
        *space = 0;
        const std::string line = expandLine(space + 1, parent);
        SetForegroundWindow(parent);
        const DWORD code = runLine(scr, line, text, parent);
        const bool crashed = crashDialogShown();
        const bool right = code == expectedCode(text) && !crashed;
        ++lines;
        wrong += !right;
        crashes += crashed;
        std::printf("%s %-7s exit %08lX%s  %.60s%s\n", right ? "ok  " : "FAIL", text,
                    static_cast<unsigned long>(code), crashed ? " CRASH DIALOG" : "", space + 1,
                    std::strlen(space + 1) > 60 ? "..." : "");
        std::fflush(stdout);
    }
    std::fclose(file);
    DestroyWindow(parent);
    std::printf("lines %ld wrong %ld crash-dialogs %ld\n", lines, wrong, crashes);
    return wrong || !lines ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return 2;
    }
    const char* command = argv[1];
    if (!std::strcmp(command, "soak") && argc == 8) {
        return soak(strtoul(argv[2], nullptr, 10), strtol(argv[3], nullptr, 10),
                    strtoul(argv[4], nullptr, 10), argv[5], argv[6], argv[7]);
    }
    if (!std::strcmp(command, "lines") && argc == 4) {
        return runLines(argv[2], argv[3]);
    }
    return 2;
}
