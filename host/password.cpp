// Password hooks: the system's saver-password checker and changer on the 95/98/Me family.
// Elsewhere the system guards the desktop itself and everything here stays idle.
#include "host/host.h"

// A close request this soon after a prompt ended is taken as the tail of the same
// gesture, not a new one (milliseconds).
constexpr uint32_t reaskGuardTicks = 200;

uint32_t ticksBetween(uint32_t earlier, uint32_t later) {
    return later - earlier;
}

void setSaverRunning(bool on) {
    if (!hostState.win9xFamily) {
        return;
    }
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, on ? 1 : 0,
                          &hostState.password.previousRunningState, 0);
}

static bool userHasSaverPassword() {
    HKEY desktop = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &desktop) != ERROR_SUCCESS) {
        return false;
    }
    DWORD usePassword = 0;
    DWORD size = sizeof usePassword;
    bool has = RegQueryValueExA(desktop, "ScreenSaveUsePassword", nullptr, nullptr,
                                reinterpret_cast<BYTE*>(&usePassword), &size) == ERROR_SUCCESS &&
               usePassword != 0;
    RegCloseKey(desktop);
    return has;
}

void loadPasswordHooks() {
    if (!hostState.win9xFamily) {
        return;
    }
    PasswordHooks& hooks = hostState.password;
    if (hooks.passwordModule) {
        unloadPasswordHooks();
    }
    if (!userHasSaverPassword()) {
        return;
    }
    hooks.passwordModule = LoadLibraryA("PASSWORD.CPL");
    if (!hooks.passwordModule) {
        return;
    }
    hooks.passwordVerifier =
        findEntry<VerifyScreenSavePwdFn>(hooks.passwordModule, "VerifyScreenSavePwd");
    if (hooks.passwordVerifier) {
        setSaverRunning(true);
    } else {
        unloadPasswordHooks();
    }
}

void unloadPasswordHooks() {
    PasswordHooks& hooks = hostState.password;
    if (!hostState.win9xFamily || !hooks.passwordModule) {
        return;
    }
    FreeLibrary(hooks.passwordModule);
    hooks.passwordModule = nullptr;
    if (hooks.passwordVerifier) {
        hooks.passwordVerifier = nullptr;
        setSaverRunning(false);
    }
}

// Asks the checker (through the window's own chain, see saverDefaultHandler) whether the
// full-screen saver may close. Re-entered by closes that arrive while the prompt is up.
bool confirmClose(HWND window) {
    PasswordHooks& hooks = hostState.password;
    if (hostState.askingPassword) {
        return false;
    }
    if (!hooks.passwordVerifier) {
        hostState.closeApproved = true;
        return true;
    }
    uint32_t now = GetTickCount();
    if (hooks.lastPasswordAsk != noPasswordAskYet &&
        ticksBetween(hooks.lastPasswordAsk, now) < reaskGuardTicks) {
        return false;
    }
    hostState.askingPassword = true;
    // Frames must not pile up behind the prompt; each call removes at most one.
    MSG pending;
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    hostState.closeApproved = SendMessageA(window, WM_APP, 0, 0) != 0;
    hostState.askingPassword = false;
    if (!hostState.closeApproved) {
        SetCursor(nullptr);
    }
    hooks.lastPasswordAsk = GetTickCount();
    return hostState.closeApproved;
}

void requestPasswordChange(HWND owner) {
    HMODULE mpr = LoadLibraryA("MPR.DLL");
    if (!mpr) {
        return;
    }
    auto changePassword = findEntry<PwdChangePasswordAFn>(mpr, "PwdChangePasswordA");
    if (changePassword) {
        changePassword("SCRSAVE", owner, 0, 0);
    }
    FreeLibrary(mpr);
}
