// The saver's own code (the host library that clackmoor.scr links, with its command line) and
// a seam for the tests: it watches the frames from inside the process, where Wine shows them
// to nobody else (the preview draws into another process's window). Environment:
//   CLACKMOOR_SEAM_LOG     a line "frame N step S at T paints P asking A" for each frame drawn:
//                          S the seconds the swing stepped by, T the core's clock, P the paint
//                          events so far, A 1 while the 95/98/Me password prompt is up
//   CLACKMOOR_SEAM_SHOT    a PNG of frame CLACKMOOR_SEAM_SHOT_FRAME (default 30), as shown
//   CLACKMOOR_SEAM_DRIVE   N: the core's clock moves on 1/60 s in N paint events (1: a frame's
//                          time at each, so a minute of frames takes only as long as drawing
//                          them; 4: a paint before the frame is due three times in four)
//   CLACKMOOR_SEAM_ERASE   N: an erase-background event is posted to the window after frame N
#include "host/host.h"
#include "render/scenery.h"
#include "sim/sim.h"
#include "frontend/pngfile.h"

#include <GL/gl.h>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Seam {
    WNDPROC saverProc; // the saver window's own procedure, once the seam is in front of it
    const char* log;
    const char* shot;
    long shotFrame;
    long eraseAfter;
    long drive; // paint events per 1/60 s of the driven clock, 0: the real clock
    double now; // seconds of the driven clock
    long frames;
    long paints;
};
Seam seam;

long numberFrom(const char* name, long otherwise) {
    const char* text = std::getenv(name);
    return text ? std::strtol(text, nullptr, 10) : otherwise;
}

void logFrame(double step) {
    FILE* file = seam.log ? std::fopen(seam.log, "ab") : nullptr;
    if (!file)
        return;
    std::fprintf(file, "frame %ld step %.9f at %.9f paints %ld asking %d\n", seam.frames, step,
                 sceneNow(), seam.paints, hostState.askingPassword ? 1 : 0);
    std::fclose(file);
}

// The frame just swapped. NOTE: Wine draws a child window of another process off the screen
// and copies it out at the swap; the back buffer still holds the frame then, while the front
// buffer reads black.
void saveFrame(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    const int width = client.right, height = client.bottom;
    std::vector<uint8_t> pixels(size_t(width) * height * 3);
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    writePng(seam.shot, pixels.data(), width, height, 3);
}

LRESULT CALLBACK seamProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT)
        return CallWindowProcA(seam.saverProc, window, message, wParam, lParam);
    ++seam.paints;
    if (seam.drive > 0)
        driveClock(seam.now += minFramePeriod / double(seam.drive));
    const double step = frameClock.frameTime;
    const int32_t turn = sceneryCounters.turnCounter;
    const LRESULT result = CallWindowProcA(seam.saverProc, window, message, wParam, lParam);
    if (sceneryCounters.turnCounter == turn)
        return result; // no frame drawn
    ++seam.frames;
    logFrame(step);
    if (seam.shot && seam.frames == seam.shotFrame)
        saveFrame(window);
    if (seam.frames == seam.eraseAfter)
        PostMessageA(window, WM_ERASEBKGND, 0, 0);
    return result;
}

// Puts the seam in front of the saver window's procedure at its first paint.
LRESULT CALLBACK onMessage(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && !seam.saverProc && message->message == WM_PAINT &&
        message->hwnd == hostState.saverWindow && hostState.saverWindow) {
        seam.saverProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(message->hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(seamProc)));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    seam.log = std::getenv("CLACKMOOR_SEAM_LOG");
    seam.shot = std::getenv("CLACKMOOR_SEAM_SHOT");
    seam.shotFrame = numberFrom("CLACKMOOR_SEAM_SHOT_FRAME", 30);
    seam.eraseAfter = numberFrom("CLACKMOOR_SEAM_ERASE", -1);
    seam.drive = numberFrom("CLACKMOOR_SEAM_DRIVE", 0);
    seam.now = 100.0;
    if (seam.drive > 0)
        driveClock(seam.now);
    SetWindowsHookExA(WH_GETMESSAGE, onMessage, nullptr, GetCurrentThreadId());
    hostMain();
}
