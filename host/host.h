// The screen-saver host: start-up and command line, the saver window, the password
// hooks and the default event handling with the dismissal rules.
#pragma once
#include <windows.h>
#include <imm.h>
#include "host/cmdline.h"
#include <cstdint>

// Entries of system components looked up at run time by name.
typedef HIMC(WINAPI* ImmAssociateContextFn)(HWND window, HIMC context); // IMM32.DLL
typedef BOOL(WINAPI* VerifyScreenSavePwdFn)(HWND window);               // PASSWORD.CPL
typedef DWORD(WINAPI* PwdChangePasswordAFn)(LPCSTR provider, HWND owner, DWORD, DWORD); // MPR.DLL

// An entry of a module looked up by name, as the type it is called through.
template <typename Fn> Fn findEntry(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}

// lastPasswordAsk before the first prompt.
constexpr uint32_t noPasswordAskYet = 0xFFFFFFFFu;

// The system's password checker, loaded only on the 95/98/Me family.
struct PasswordHooks {
    HMODULE passwordModule;                      // "PASSWORD.CPL", or none
    VerifyScreenSavePwdFn passwordVerifier;      // its "VerifyScreenSavePwd", only while loaded
    uint32_t lastPasswordAsk = noPasswordAskYet; // GetTickCount (ms) when the last prompt ended
    BOOL previousRunningState;                   // receives SPI_SCREENSAVERRUNNING's old state
};

// The input context detached from the saver window for its lifetime.
struct InputContextHooks {
    HMODULE imm32;                             // "IMM32.DLL" when already loaded in the process
    ImmAssociateContextFn immAssociateContext; // its "ImmAssociateContext", or none
    HIMC imePreviousContext;                   // the context taken from the window at creation
};

// The console display's power state, told by the system's power-setting notices (Vista and
// later; looked up at run time so older Windows still start).
struct DisplayPowerHooks {
    void* notices[2]; // the registrations of the two display-state notices, or none
    bool displayOff;  // nothing is drawn while it is off
};

// One process-wide record; everything zero or false at process start except
// password.lastPasswordAsk.
struct HostState {
    HINSTANCE instance;
    bool win9xFamily;          // Windows 95/98/Me: password hooks, saver-running notice, AutoPlay
    bool previewMode;          // the saver window is a preview child; never cleared
    bool closeApproved;        // a close of the full-screen saver may proceed; never cleared
    bool askingPassword;       // the password checker is on screen
    POINT savedCursorPos;      // screen pixels: the reference point of the mouse rule
    UINT autoPlayQueryMessage; // registered "QueryCancelAutoPlay", 0 when not registered
    HWND saverWindow;
    PasswordHooks password;
    InputContextHooks inputContext;
    DisplayPowerHooks displayPower;
    bool inFaultFilter;      // the fault filter is running (the system's filter calls it back)
    double nextMonitorCheck; // pacingClock seconds: when the full-screen saver next looks
};
extern HostState hostState;

// Start-up and command line.
[[noreturn]] void hostMain();
const char* commandTail(const char* commandLine);
int32_t dispatchMode(HINSTANCE instance, const char* tail);
bool detectWin9xFamily();
void removeCurrentDirectoryFromDllSearch();
// From here on a fault that escapes the mode reaches the system's unhandled-exception
// filter; then the saver-running notice is cleared and the process ends with the fault's
// code as its exit code.
void armFaultPath();

// Saver window.
int32_t saverWindowMain(HWND parent);
LRESULT CALLBACK saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Password hooks: active on the 95/98/Me family only.
void loadPasswordHooks();
void unloadPasswordHooks();
void setSaverRunning(bool on);
bool confirmClose(HWND window);
void requestPasswordChange(HWND owner);
uint32_t ticksBetween(uint32_t earlier, uint32_t later);

// Default handling and dismissal: the last link before DefWindowProcA.
constexpr uint32_t mouseMoveThreshold = 4; // pixels of |dx| + |dy|
LRESULT saverDefaultHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
uint32_t cursorTravel(POINT from, POINT to);
