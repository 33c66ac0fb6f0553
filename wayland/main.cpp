// clackmoor-wayland: the cradle on a Wayland desktop, one whole cradle on each output, started
// by an idle daemon (swayidle, hypridle) and ended by any input or SIGTERM. The same scene
// core, set-up order and frame pacing as the Windows saver and the X11 hack; frames are drawn
// when the compositor asks for them, at most 60 a second.
#include "frontend/pngfile.h"
#include "frontend/stopsignals.h"
#include "sim/sim.h"
#include "wayland/front.h"

#include <poll.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

// libwayland's own complaints, from the connection on: before it, the one-line reason of
// a failed connection says enough.
void onWaylandLog(const char* format, va_list arguments) {
    if (front.display == nullptr)
        return;
    std::fputs("clackmoor-wayland: ", stderr);
    std::vfprintf(stderr, format, arguments);
}

void onStopSignal(int) {
    front.stopRequested = 1;
}

// freeglut is started by the core, then the seed (as the erase-background event comes before
// the launch on Windows), then the core's set-up, on the context without a surface.
void startScene() {
    startShapeLibrary();
    if (front.options.seedGiven)
        seedRandom(front.options.seed);
    else
        seedScene(static_cast<uint32_t>(std::time(nullptr))); // as Windows seeds
    initScene(singleViewLayout(1, 1)); // the outputs' views come with their first configure
    front.sceneReady = true;
    front.canvas.stale = true;
}

void tearDown() {
    if (front.sceneReady)
        freeScene();
    closeFront();
}

// --- Frames ---

bool saveShot(const char* path, const OutputSurface& out) {
    const int32_t width = outputPixelWidth(out), height = outputPixelHeight(out);
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 3);
    if (saveBackBufferPng(path, width, height, pixels.data()))
        return true;
    std::fprintf(stderr, "clackmoor-wayland: cannot write %s\n", path);
    return false;
}

bool anyOutputWantsFrame() {
    for (const OutputSurface& out : front.outputs) {
        if (outputWantsFrame(out))
            return true;
    }
    return false;
}

// The scene core's frame once into the canvas, then into every output the compositor wants a
// frame for (the first of them is the -shot picture), each swapped. With -frame-time every
// frame steps by that time instead of the measured one.
bool drawOneFrame(double startedAt) {
    const HackOptions& o = front.options;
    bindCanvas();
    drawSceneFrame(startedAt, o.frameTime >= 0.0 ? o.frameTime : measuredStepTime);
    ++front.framesDrawn;
    const bool last = o.frames > 0 && front.framesDrawn >= o.frames;
    bool ok = true, shotTaken = false;
    for (int32_t i = 0; i < maxOutputs; ++i) {
        OutputSurface& out = front.outputs[i];
        // The -shot picture is always the first output's, shown or not.
        const bool shoot = last && o.shot != nullptr && !shotTaken && out.configured &&
                           out.eglSurface != EGL_NO_SURFACE;
        if (!outputWantsFrame(out) && !shoot)
            continue;
        copyToOutput(i);
        if (shoot) {
            ok = saveShot(o.shot, out);
            shotTaken = true;
        }
        askForNextFrame(out);
        if (!eglSwapBuffers(front.eglDisplay, out.eglSurface))
            ok = false;
    }
    if (o.showFps)
        countFrameRate(front.frameRate, sceneNow(), front.framesDrawn);
    if (last)
        front.stopRequested = 1;
    return ok;
}

// Reads what the compositor sent, waiting up to `seconds` (negative: until it sends) for it;
// a signal ends the wait at once. False when the connection is gone.
bool readEvents(double seconds) {
    wl_display* display = front.display;
    while (wl_display_prepare_read(display) != 0) {
        if (wl_display_dispatch_pending(display) < 0)
            return false;
    }
    if (wl_display_flush(display) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(display);
        return false;
    }
    pollfd connection = {wl_display_get_fd(display), POLLIN, 0};
    // NOTE: a signal that lands just before poll does not end its wait: an endless wait is
    // cut to a tenth of a second, so a stop request is never left waiting for the compositor.
    const int ms = seconds < 0.0 ? 100 : static_cast<int>(seconds * 1000.0);
    if (poll(&connection, 1, ms) > 0 && (connection.revents & POLLIN) != 0) {
        if (wl_display_read_events(display) < 0)
            return false;
    } else {
        wl_display_cancel_read(display);
        if ((connection.revents & (POLLERR | POLLHUP)) != 0)
            return false;
    }
    return wl_display_dispatch_pending(display) >= 0;
}

// A frame when an output wants one and the core's pacing allows it; otherwise the wait for
// the compositor's next word or the pacing's next slot.
int runFrameLoop() {
    const bool paced = front.options.frameTime < 0.0;
    bool started = false;
    while (!front.stopRequested) {
        if (front.failed)
            return fail("cannot make an output's EGL surface");
        if (front.canvas.stale && !layOutCanvas())
            return 1;
        const double now = sceneNow();
        if (!started) {
            restartFrameRate(front.frameRate, now);
            started = true;
        }
        const bool wanted = anyOutputWantsFrame();
        const double wait = !wanted ? -1.0 : paced ? sceneFrameWait(now) : 0.0;
        if (wait != 0.0) {
            if (!readEvents(wait > 0.0 && wait < 0.001 ? 0.001 : wait))
                return fail("lost the connection to the Wayland display");
            continue;
        }
        if (!drawOneFrame(now))
            return 1;
        if (wl_display_dispatch_pending(front.display) < 0)
            return fail("lost the connection to the Wayland display");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const int ended = takeCommandLine(argc, argv, waylandFront, front.options);
    if (ended >= 0)
        return ended;
    catchStopSignals(onStopSignal);
    front.eglDisplay = EGL_NO_DISPLAY;
    front.eglContext = EGL_NO_CONTEXT;
    wl_log_set_handler_client(onWaylandLog);
    front.display = wl_display_connect(nullptr);
    if (front.display == nullptr)
        return fail("cannot connect to a Wayland display (is WAYLAND_DISPLAY set?)");
    int result = findGlobals();
    if (result == 0)
        result = startEgl() ? 0 : 1;
    if (result == 0) {
        startScene();
        coverOutputs();
        result = runFrameLoop();
    }
    tearDown();
    return result;
}
