// Default handling of the saver window: the rules that end the full-screen saver on input,
// activation and power notices, the password request, and the shell's AutoPlay query.
#include "host/host.h"

static void postClose(HWND window) {
    PostMessageA(window, WM_CLOSE, 0, 0);
}

static bool verifierLoaded() {
    return hostState.password.passwordVerifier != nullptr;
}

// |dx| + |dy| in 32 bits, as an unsigned number (pixels).
uint32_t cursorTravel(POINT from, POINT to) {
    uint32_t dx = static_cast<uint32_t>(to.x) - static_cast<uint32_t>(from.x);
    uint32_t dy = static_cast<uint32_t>(to.y) - static_cast<uint32_t>(from.y);
    if (static_cast<int32_t>(dx) < 0) {
        dx = 0u - dx;
    }
    if (static_cast<int32_t>(dy) < 0) {
        dy = 0u - dy;
    }
    return dx + dy;
}

static void saveCursorPos() {
    GetCursorPos(&hostState.savedCursorPos);
}

// Travel is measured from the point saved at creation (or at the last close request),
// not from the previous move, so small jiggles do not add up to a close but a slow
// drift does. The message's own coordinates are not used.
static void onMouseMove(HWND window) {
    POINT now;
    if (!GetCursorPos(&now)) {
        return;
    }
    if (cursorTravel(hostState.savedCursorPos, now) > mouseMoveThreshold) {
        // The system moves the cursor off a monitor that went away, maybe before the window
        // hears of the change: that move is not the user's.
        if (followDisplayChange(window)) {
            return;
        }
        postClose(window);
        saveCursorPos();
    }
}

// Power notices that only report a state (the power source, the battery, a refused suspend,
// a setting): the machine neither sleeps nor wakes, so the saver stays. Suspend, resume and
// anything else end it.
static bool reportsStatusOnly(WPARAM event) {
    switch (event) {
    case PBT_APMQUERYSUSPENDFAILED:
    case PBT_APMQUERYSTANDBYFAILED:
    case PBT_APMBATTERYLOW:
    case PBT_APMPOWERSTATUSCHANGE:
    case PBT_APMOEMEVENT:
    case powerSettingChange:
        return true;
    default:
        return false;
    }
}

// The rules for input and system notices of the running full-screen saver. Returns true
// when the message is answered here with `result`.
static bool applyDismissalRules(HWND window, UINT message, WPARAM wParam, LRESULT& result) {
    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam) {
            hideCursor();
        }
        return false;
    case WM_ACTIVATEAPP:
        if (!wParam) {
            postClose(window);
        }
        return false;
    case WM_SETCURSOR:
        hideCursor();
        result = 1;
        return true;
    case WM_POWER:
        if (wParam == PWR_CRITICALRESUME) {
            postClose(window);
        }
        return false;
    case WM_POWERBROADCAST:
        if (!reportsStatusOnly(wParam)) {
            postClose(window);
        }
        return false;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
    case WM_MOUSEWHEEL:
    case wmMouseHorizontalWheel:
        postClose(window);
        return false;
    case WM_MOUSEMOVE:
        onMouseMove(window);
        return false;
    default:
        return false;
    }
}

// Answered in every state, the preview included; everything else goes to the platform,
// which destroys the window on WM_CLOSE.
static LRESULT commonEnding(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hostState.autoPlayQueryMessage != 0 && message == hostState.autoPlayQueryMessage) {
        postClose(window);
        return verifierLoaded() ? 1 : 0; // 1 asks the shell to cancel its AutoPlay
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A close request of the running full-screen saver: on 95/98/Me the password decides.
// Returns true when the close may go on.
static bool onCloseRequest(HWND window) {
    if (!hostState.win9xFamily || confirmClose(window)) {
        return true;
    }
    saveCursorPos(); // travel made while the prompt was up does not count
    return false;
}

// WM_APP is the password request confirmClose sends: the verifier's prompt runs here.
static LRESULT onPasswordRequest(HWND window) {
    return verifierLoaded() ? hostState.password.passwordVerifier(window) : 1;
}

LRESULT saverDefaultHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!hostState.previewMode && !hostState.closeApproved) {
        if (message == WM_CLOSE) {
            if (!onCloseRequest(window)) {
                return 0;
            }
        } else if (message == WM_APP && hostState.win9xFamily) {
            return onPasswordRequest(window);
        } else if (!hostState.askingPassword && message != WM_APP) {
            LRESULT result = 0;
            if (applyDismissalRules(window, message, wParam, result)) {
                return result;
            }
        }
    }
    return commonEnding(window, message, wParam, lParam);
}
