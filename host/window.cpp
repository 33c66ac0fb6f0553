// The saver window: full screen over the desktop or a preview child, its message loop, and
// the window procedure that filters events before the saver event procedure sees them.
#include "host/host.h"
#include "render/render.h"

static const char saverClassName[] = "WindowsScreenSaverClass";
static const char fullScreenTitle[] = "Screen Saver";
static const char previewTitle[] = "Preview";

static void hideCursor() {
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

static LRESULT onCreate(HWND window, WPARAM wParam, LPARAM lParam) {
    detachInputContext(window);
    GetCursorPos(&hostState.savedCursorPos);
    if (fullScreen()) {
        hideCursor();
    }
    return forward(window, WM_CREATE, wParam, lParam);
}

static LRESULT onDestroy(HWND window, WPARAM wParam, LPARAM lParam) {
    restoreInputContext(window);
    PostQuitMessage(0);
    return forward(window, WM_DESTROY, wParam, lParam);
}

// Once a close is approved no further frame is drawn.
static LRESULT onPaint(HWND window, WPARAM wParam, LPARAM lParam) {
    if (hostState.closeApproved) {
        return DefWindowProcA(window, WM_PAINT, wParam, lParam);
    }
    if (fullScreen()) {
        hideCursor();
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
        return onInput(window, message, wParam, lParam);
    case WM_SYSCOMMAND:
        return onSysCommand(window, wParam, lParam);
    case WM_TIMER:
        return onTimer(window, wParam, lParam);
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
    SaverFrame frame = {WS_EX_TOPMOST,
                        WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                        fullScreenTitle,
                        {}};
    HDC screen = GetDC(nullptr);
    GetClipBox(screen, &frame.bounds);
    ReleaseDC(nullptr, screen);
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

// Returns the quit code (0 for every quit this program requests).
static int32_t runMessageLoop() {
    MSG message = {};
    for (;;) {
        // NOTE: Wine reads the X server's input only when the queue runs dry or every 200
        // messages, and the endless stream of paint events never lets it run dry (a key
        // took 10 s to arrive); a wait of no time lets it look. A no-op on Windows.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
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
