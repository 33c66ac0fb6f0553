// Start-up: the command-line tail, the platform family, the mode table and the fault path.
#include "host/host.h"
#include "settings/dialog.h"

HostState hostState;

typedef BOOL(WINAPI* SetDllDirectoryAFn)(LPCSTR path);
typedef BOOL(WINAPI* SetDefaultDllDirectoriesFn)(DWORD directoryFlags);

// The program's folder, System32 and folders added on purpose; not the current directory.
constexpr DWORD searchDefaultDirs = 0x00001000; // LOAD_LIBRARY_SEARCH_DEFAULT_DIRS

// NOTE: CharNextA is WINAPI and hands back a non-const pointer; the parser takes neither.
static const char* nextCharacter(const char* p) {
    return CharNextA(p);
}

// The program name, quoted or not, and the blanks after it are cut off; CharNextA keeps a
// multi-byte path whole.
const char* commandTail(const char* commandLine) {
    return cutProgramName(commandLine, nextCharacter);
}

bool detectWin9xFamily() {
    OSVERSIONINFOA version = {};
    static_assert(sizeof version == 148, "the size 95/98/Me expect");
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

// PASSWORD.CPL and MPR.DLL are loaded by bare name and do not exist on NT, so a planted copy
// in the current directory would run inside the saver. The program's folder and the system
// folders still serve. NOTE: looked up at run time: 95/98/Me lack both calls, XP SP1 to
// Vista have only the first, and Wine keeps the current directory after the first alone.
void removeCurrentDirectoryFromDllSearch() {
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    auto setDllDirectory = findEntry<SetDllDirectoryAFn>(kernel, "SetDllDirectoryA");
    if (setDllDirectory) {
        setDllDirectory("");
    }
    auto setDefaultDllDirectories =
        findEntry<SetDefaultDllDirectoriesFn>(kernel, "SetDefaultDllDirectories");
    if (setDefaultDllDirectories) {
        setDefaultDllDirectories(searchDefaultDirs);
    }
}

// A handle from the command line. NOTE: window handles are 32-bit values; a 64-bit
// process sign-extends one that another process passed as 32 bits.
static HWND windowFromDecimal(uint32_t value) {
    return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(value)));
}

static bool namesWindow(uint32_t value) {
    return value != 0 && IsWindow(windowFromDecimal(value));
}

static HWND windowOrForeground(uint32_t value) {
    return namesWindow(value) ? windowFromDecimal(value) : GetForegroundWindow();
}

// NOTE: when the parent's process is killed outright, Wine takes its windows, the preview
// among them, without a WM_DESTROY to the preview's thread, and the loop would wait for ever.
// A thread timer comes round only when no frame is due, so never while the preview draws;
// it ends the loop once the preview window is gone.
constexpr UINT orphanCheckMs = 250;

static void CALLBACK endOrphanedPreview(HWND, UINT, UINT_PTR, DWORD) {
    if (hostState.saverWindow && !IsWindow(hostState.saverWindow)) {
        PostQuitMessage(0);
    }
}

static int32_t runPreview(uint32_t parent) {
    if (!namesWindow(parent)) {
        return -1;
    }
    SetTimer(nullptr, 0, orphanCheckMs, endOrphanedPreview);
    return saverWindowMain(windowFromDecimal(parent));
}

int32_t dispatchMode(HINSTANCE instance, const char* tail) {
    hostState.instance = instance;
    hostState.win9xFamily = detectWin9xFamily();
    const ModeRequest request = parseMode(tail);
    switch (request.mode) {
    case modeConfigNoOwner:
        return static_cast<int32_t>(showConfigDialog(nullptr));
    case modeConfig:
        return static_cast<int32_t>(showConfigDialog(windowOrForeground(request.handle)));
    case modePasswordChange:
        if (!hostState.win9xFamily) {
            return -1;
        }
        requestPasswordChange(windowOrForeground(request.handle));
        return 0;
    case modePreview:
        return runPreview(request.handle);
    case modeFullScreen:
        return saverWindowMain(nullptr);
    default:
        return -1;
    }
}

// The process's top-level filter. It hands the fault to the system's filter, which calls
// the top-level filter back: that inner call answers "search on" so the system's own
// handling (debugger, error report) runs. When the system passes control back, the fault
// ends the process as a guarded mode would have, with the saver-running notice cleared.
static LONG WINAPI faultFilter(EXCEPTION_POINTERS* fault) {
    if (hostState.inFaultFilter) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    hostState.inFaultFilter = true;
    LONG verdict = UnhandledExceptionFilter(fault);
    if (verdict != EXCEPTION_EXECUTE_HANDLER) {
        hostState.inFaultFilter = verdict == EXCEPTION_CONTINUE_SEARCH;
        return verdict;
    }
    setSaverRunning(false);
    ExitProcess(fault->ExceptionRecord->ExceptionCode);
}

void armFaultPath() {
    SetUnhandledExceptionFilter(faultFilter);
}

void hostMain() {
    removeCurrentDirectoryFromDllSearch();
    armFaultPath();
    int32_t result = dispatchMode(GetModuleHandleA(nullptr), commandTail(GetCommandLineA()));
    ExitProcess(static_cast<UINT>(result));
}
