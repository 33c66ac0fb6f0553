// The saver window: full screen over the desktop or a preview child, its message loop, and
// the window procedure that filters events before the saver event procedure sees them.
#include "host/host.h"
#include "sim/sim.h"

#include <cstring>

static const char saverClassName[] = "WindowsScreenSaverClass";
static const char fullScreenTitle[] = "Screen Saver";
static const char previewTitle[] = "Preview";

void hideCursor() {
    SetCursor(nullptr);
}

static bool fullScreen() {
    return !hostState.previewMode;
}

static LRESULT forward(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return saverEventProc(window, message, wParam, lParam);
}

// Typing must not open an input-method composition window over the saver.
static void detachInputContext(HWND window) {
    InputContextHooks& ime = hostState.inputContext;
    ime.imm32 = GetModuleHandleA("IMM32.DLL");
    ime.immAssociateContext = findEntry<ImmAssociateContextFn>(ime.imm32, "ImmAssociateContext");
    if (ime.immAssociateContext) {
        ime.imePreviousContext = ime.immAssociateContext(window, nullptr);
    }
}

static void restoreInputContext(HWND window) {
    InputContextHooks& ime = hostState.inputContext;
    if (ime.imm32 && ime.immAssociateContext && ime.imePreviousContext) {
        ime.immAssociateContext(window, ime.imePreviousContext);
    }
}

// The display-state notices: the console display (Windows 8 and later) and the monitor
// power (Vista and 7). Each reports a DWORD: 0 off, 1 on, 2 dimmed.
static const GUID displayStateNotices[2] = {
    {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}},
    {0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}},
};

// The record a power-setting notice points at.
struct PowerSettingNotice {
    GUID setting;
    DWORD dataLength;
    unsigned char data[1];
};

static void registerDisplayNotices(HWND window) {
    typedef void*(WINAPI * RegisterFn)(HANDLE, const GUID*, DWORD);
    RegisterFn registerNotice =
        findEntry<RegisterFn>(GetModuleHandleA("USER32.DLL"), "RegisterPowerSettingNotification");
    for (int i = 0; i < 2 && registerNotice; ++i) {
        hostState.displayPower.notices[i] =
            registerNotice(window, &displayStateNotices[i], DEVICE_NOTIFY_WINDOW_HANDLE);
    }
}

static void unregisterDisplayNotices() {
    typedef BOOL(WINAPI * UnregisterFn)(void*);
    UnregisterFn unregisterNotice = findEntry<UnregisterFn>(GetModuleHandleA("USER32.DLL"),
                                                            "UnregisterPowerSettingNotification");
    for (void*& notice : hostState.displayPower.notices) {
        if (notice && unregisterNotice) {
            unregisterNotice(notice);
        }
        notice = nullptr;
    }
}

// The display went off: draw nothing and let the loop sleep. Back on: a fresh frame clock, so
// the pause does not count as one long frame, and frames start again.
static void setDisplayOff(HWND window, bool off) {
    if (hostState.displayPower.displayOff == off) {
        return;
    }
    hostState.displayPower.displayOff = off;
    if (!off) {
        resumeScene();
        InvalidateRect(window, nullptr, FALSE);
    }
}

// Answered here: a display-state notice is no reason to end the saver, unlike the other power
// notices that the default handling turns into a close.
static LRESULT onPowerSetting(HWND window, LPARAM lParam) {
    const PowerSettingNotice* notice = reinterpret_cast<const PowerSettingNotice*>(lParam);
    if (notice == nullptr || notice->dataLength < sizeof(DWORD)) {
        return TRUE;
    }
    for (const GUID& known : displayStateNotices) {
        if (std::memcmp(&notice->setting, &known, sizeof known) == 0) {
            DWORD state = 0;
            std::memcpy(&state, notice->data, sizeof state);
            setDisplayOff(window, state == 0);
        }
    }
    return TRUE;
}

static LRESULT onCreate(HWND window, WPARAM wParam, LPARAM lParam) {
    detachInputContext(window);
    registerDisplayNotices(window);
    GetCursorPos(&hostState.savedCursorPos);
    if (fullScreen()) {
        hideCursor();
    }
    return forward(window, WM_CREATE, wParam, lParam);
}

static LRESULT onDestroy(HWND window, WPARAM wParam, LPARAM lParam) {
    restoreInputContext(window);
    unregisterDisplayNotices();
    PostQuitMessage(0);
    return forward(window, WM_DESTROY, wParam, lParam);
}

// The whole virtual screen: every monitor.
static RECT virtualScreen() {
    RECT bounds = {};
    HDC screen = GetDC(nullptr);
    GetClipBox(screen, &bounds);
    ReleaseDC(nullptr, screen);
    return bounds;
}

// After a display change. NOTE: the screen DC's clip box can still give the old size while
// the change is delivered (seen under Wine); the virtual-screen metrics are current. Windows
// 95 and NT 4.0 have no such metrics (0), and one monitor, so the clip box serves there.
static RECT changedVirtualScreen() {
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (width <= 0 || height <= 0) {
        return virtualScreen();
    }
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{left, top, left + width, top + height};
}

// A monitor came or went or changed its resolution: the full-screen window covers the new
// virtual screen, and the event goes on so the views are laid out anew. The system moves the
// cursor off a monitor that went: that is no move of the user's, so the mouse rule measures
// from where the cursor is now.
static LRESULT onDisplayChange(HWND window, WPARAM wParam, LPARAM lParam) {
    if (fullScreen()) {
        const RECT screen = changedVirtualScreen();
        SetWindowPos(window, HWND_TOPMOST, screen.left, screen.top, screen.right - screen.left,
                     screen.bottom - screen.top, SWP_NOACTIVATE);
        GetCursorPos(&hostState.savedCursorPos);
    }
    return forward(window, WM_DISPLAYCHANGE, wParam, lParam);
}

bool followDisplayChange(HWND window) {
    RECT covered = {};
    GetWindowRect(window, &covered);
    const RECT screen = changedVirtualScreen();
    if (EqualRect(&covered, &screen) && !windowViewsChanged(window))
        return false;
    onDisplayChange(window, 0, 0);
    return true;
}

// NOTE: Wine tells no window when a monitor comes or goes or the primary moves while the box
// around all monitors keeps its size (no WM_DISPLAYCHANGE): a look once a second (seconds)
// finds such a change and handles it as that notice would.
constexpr double monitorCheckPeriod = 1.0;

static void followMonitors(HWND window) {
    const double now = sceneNow();
    if (now < hostState.nextMonitorCheck)
        return;
    hostState.nextMonitorCheck = now + monitorCheckPeriod;
    followDisplayChange(window);
}

// Once a close is approved no further frame is drawn. While the display is off the window is
// validated, so no paint events come until it is back on. A paint that comes before the frame
// is due (from a loop that is not the saver's own, such as the 95/98/Me password prompt's)
// waits for it here, so every loop keeps the pace.
static LRESULT onPaint(HWND window, WPARAM wParam, LPARAM lParam) {
    if (hostState.closeApproved) {
        return DefWindowProcA(window, WM_PAINT, wParam, lParam);
    }
    if (hostState.displayPower.displayOff) {
        ValidateRect(window, nullptr);
        return 0;
    }
    if (sceneFrameWait(sceneNow()) > 0.0) {
        waitForNextFrame();
        if (sceneFrameWait(sceneNow()) > 0.0) {
            return 0; // something else came first; the paint comes again
        }
    }
    if (fullScreen()) {
        hideCursor();
        followMonitors(window);
    }
    return forward(window, WM_PAINT, wParam, lParam);
}

// The preview's right-click menu and help belong to the settings page that holds it.
// WM_HELP carries a pointer to a HELPINFO: it is sent, so the system copies the record
// into the parent's process; posted, the pointer would name memory of this process (NT
// refuses to post it). Sent with a time limit: a hung settings page must not stop the
// preview (milliseconds).
constexpr UINT helpSendTimeout = 1000;

static LRESULT onHelpRequest(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (fullScreen()) {
        return forward(window, message, wParam, lParam);
    }
    HWND parent = GetParent(window);
    if (!parent || !IsWindow(parent)) {
        return 1;
    }
    WPARAM self = reinterpret_cast<WPARAM>(parent);
    if (message == WM_HELP) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(parent, message, self, lParam, SMTO_ABORTIFHUNG, helpSendTimeout,
                            &ignored);
    } else {
        PostMessageA(parent, message, self, lParam);
    }
    return 1;
}

static LRESULT onInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hostState.closeApproved) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return forward(window, message, wParam, lParam);
}

// Alt+Tab, Alt+Shift+Tab and a second saver start must not leave the full-screen saver.
static LRESULT onSysCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    if (fullScreen() &&
        (wParam == SC_NEXTWINDOW || wParam == SC_PREVWINDOW || wParam == SC_SCREENSAVE)) {
        return 0;
    }
    return forward(window, WM_SYSCOMMAND, wParam, lParam);
}

static LRESULT onTimer(HWND window, WPARAM wParam, LPARAM lParam) {
    if (hostState.closeApproved) {
        return 0;
    }
    Sleep(0);
    return forward(window, WM_TIMER, wParam, lParam);
}

LRESULT CALLBACK saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return onCreate(window, wParam, lParam);
    case WM_DESTROY:
        return onDestroy(window, wParam, lParam);
    case WM_SETTEXT:
        return 0;
    case WM_PAINT:
        return onPaint(window, wParam, lParam);
    case WM_HELP:
    case WM_CONTEXTMENU:
        return onHelpRequest(window, message, wParam, lParam);
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
    case WM_MOUSEWHEEL:
    case wmMouseHorizontalWheel:
        return onInput(window, message, wParam, lParam);
    case WM_SYSCOMMAND:
        return onSysCommand(window, wParam, lParam);
    case WM_TIMER:
        return onTimer(window, wParam, lParam);
    case WM_DISPLAYCHANGE:
        return onDisplayChange(window, wParam, lParam);
    case WM_POWERBROADCAST:
        if (wParam == powerSettingChange) {
            return onPowerSetting(window, lParam);
        }
        return forward(window, message, wParam, lParam);
    default:
        return forward(window, message, wParam, lParam);
    }
}

// Where the window goes and how it looks in each form.
struct SaverFrame {
    DWORD exStyle;
    DWORD style;
    const char* title;
    RECT bounds; // left, top, right, bottom in the parent's client or screen pixels
};

static SaverFrame previewFrame(HWND parent) {
    SaverFrame frame = {0, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, previewTitle, {}};
    GetClientRect(parent, &frame.bounds);
    frame.bounds.left = 0;
    frame.bounds.top = 0;
    return frame;
}

static SaverFrame fullScreenFrame() {
    SaverFrame frame = {WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                        fullScreenTitle, virtualScreen()};
    return frame;
}

// A second full-screen start only brings the running saver to the front.
static bool raiseRunningSaver() {
    HWND running = FindWindowA(saverClassName, fullScreenTitle);
    if (!running || !IsWindow(running)) {
        return false;
    }
    SetForegroundWindow(running);
    return true;
}

static bool registerSaverClass() {
    WNDCLASSA saverClass = {};
    saverClass.style = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    saverClass.lpfnWndProc = saverWindowProc;
    saverClass.hInstance = hostState.instance;
    saverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    saverClass.lpszClassName = saverClassName;
    return RegisterClassA(&saverClass) != 0;
}

void waitForNextFrame() {
    const UINT wakeOn = QS_ALLINPUT & ~QS_PAINT; // paint is always pending: it is the frame
    DWORD ms = static_cast<DWORD>(sceneFrameWait(sceneNow()) * 1000.0);
    // What is queued already goes first. NOTE: not a timer's message: paint outranks it and
    // paint is always pending, so it is never taken and its bit would cut every wait to
    // nothing (the preview's orphan check did). A timer still wakes the wait when it fires;
    // the paint that follows waits for the frame (onPaint).
    if (HIWORD(GetQueueStatus(wakeOn)) & ~QS_TIMER) {
        ms = 0;
    }
    // NOTE: Wine reads the X server's input only when the queue runs dry or every 200
    // messages, and the endless stream of paint events never lets it run dry (a key took
    // 10 s to arrive); this wait, even of no time, lets it look.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, wakeOn);
}

// Returns the quit code (0 for every quit this program requests).
static int32_t runMessageLoop() {
    MSG message = {};
    for (;;) {
        waitForNextFrame();
        if (GetMessageA(&message, nullptr, 0, 0) == 0) {
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int32_t>(message.wParam);
}

// Without a window no loop runs; the result is then -1, like every other mode that
// could not start.
int32_t saverWindowMain(HWND parent) {
    SaverFrame frame;
    if (parent) {
        frame = previewFrame(parent);
        hostState.previewMode = true;
    } else {
        frame = fullScreenFrame();
        if (raiseRunningSaver()) {
            return 0;
        }
        loadPasswordHooks();
    }
    hostState.autoPlayQueryMessage =
        hostState.win9xFamily ? RegisterWindowMessageA("QueryCancelAutoPlay") : 0;
    if (registerSaverClass()) {
        hostState.saverWindow = CreateWindowExA(
            frame.exStyle, saverClassName, frame.title, frame.style, frame.bounds.left,
            frame.bounds.top, frame.bounds.right - frame.bounds.left,
            frame.bounds.bottom - frame.bounds.top, parent, nullptr, hostState.instance, nullptr);
    }
    int32_t result = -1;
    if (hostState.saverWindow) {
        if (fullScreen()) {
            SetForegroundWindow(hostState.saverWindow);
        }
        result = runMessageLoop();
    }
    unloadPasswordHooks();
    return result;
}
