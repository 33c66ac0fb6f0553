// The screen-saver host: start-up and command line, the saver window with its event
// procedure and WGL context, the password hooks and the default event handling with the
// dismissal rules. The scene itself is drawn by the portable core in render/scene.h.
#pragma once
#include <windows.h>
#include <imm.h>
#include "host/cmdline.h"
#include "render/scene.h"
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
    double nextMonitorCheck; // sceneNow seconds: when the full-screen saver next looks
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
void hideCursor(); // the full-screen saver shows no cursor
int32_t saverWindowMain(HWND parent);
// Waits until the next frame is due, or less when any message other than a paint arrives, so
// input still ends the saver at once.
void waitForNextFrame();
// The monitors changed without a notice reaching the window: handled as that notice would be.
// Returns false when nothing changed.
bool followDisplayChange(HWND window);
LRESULT CALLBACK saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Password hooks: active on the 95/98/Me family only.
void loadPasswordHooks();
void unloadPasswordHooks();
void setSaverRunning(bool on);
bool confirmClose(HWND window);
void requestPasswordChange(HWND owner);
uint32_t ticksBetween(uint32_t earlier, uint32_t later);

// Default handling and dismissal: the last link before DefWindowProcA.
constexpr UINT wmMouseHorizontalWheel = 0x020E; // WM_MOUSEHWHEEL, Vista and later
constexpr WPARAM powerSettingChange = 0x8013;   // PBT_POWERSETTINGCHANGE, Vista and later
constexpr uint32_t mouseMoveThreshold = 4;      // pixels of |dx| + |dy|
LRESULT saverDefaultHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
uint32_t cursorTravel(POINT from, POINT to);

// --- Drawing: the saver event procedure and the WGL context on the saver window ------------

// Every handler of the saver window's chain has this shape. LRESULT is the signed
// 32-bit result on the 32-bit build; on the 64-bit build it keeps pointer-sized
// answers of DefWindowProcA intact.
LRESULT saverEventProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// GL context and render state.
struct GLContextHandles {
    HDC deviceContext;
    HGLRC renderingContext;
};
extern GLContextHandles glContext;

// The pixel format the saver asks for: double-buffered RGBA, 16 colour and 16 depth bits.
extern const PIXELFORMATDESCRIPTOR saverPixelFormat;

bool createGLContext(HWND window);
void releaseGLContext(HWND window);
// One view on each monitor the window covers; a child window (the preview) is one view over
// its client area.
ViewLayout windowViewLayout(HWND window);
// The window's monitors call for other views than those frames are drawn in.
bool windowViewsChanged(HWND window);
