// cradle-shot: renders frames of the cradle with the saver's own set-up and drawing code,
// deterministically, and saves them as PNG.
//
//   cradle-shot --seed N --frames F --frame-time T --size WxH --out FILE.png
//               [--ati 0|1] [--every K] [--monitors WxH+X+Y,...] [--fps] [--samples N]
//
// The settings come from the registry as the saver loads them; --ati overrides the
// compatibility mode for this run only. The generator is seeded with N before the scene is
// set up (the launch draws from it), and every frame steps the swing by T seconds instead of
// the measured clock.
// With --every K, every K-th frame is saved too, as FILE-<frame>.png. With --monitors the
// window stands for a full-screen saver over those monitors (screen pixels; the window's
// top left is the leftmost and topmost monitor edge) and the views are laid out as the saver
// lays them; without it the window is one view. With --fps it prints, after the run,
// "frames N seconds S fps F" over the frame loop, the time spent saving PNG files left out.
// With --samples N the pixel format has the most samples up to N the driver offers, on any
// renderer (0: the single-sampled format); without it the choice is the saver's own.
#include "host/host.h"
#include "host/pixelformat.h"
#include "settings/settings.h"
#include "sim/sim.h"
#include "frontend/pngfile.h"
#include "frontend/wholenumber.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct ShotOptions {
    uint32_t seed = 0;
    long frames = 0;
    double frameTime = 0.0; // seconds
    int width = 0;
    int height = 0;
    std::string out;
    int ati = -1; // -1: as stored
    long every = 0;
    int32_t monitorCount = 0;
    ScreenRect monitors[maxViewports] = {};
    bool fps = false;
    int samples = -1; // -1: as the saver chooses
};

int usage(const char* problem) {
    std::fprintf(stderr,
                 "cradle-shot: %s\nusage: cradle-shot --seed N --frames F --frame-time T "
                 "--size WxH --out FILE.png [--ati 0|1] [--every K] "
                 "[--monitors WxH+X+Y,...] [--fps] [--samples N]\n",
                 problem);
    return 2;
}

bool parseSize(const char* text, int& width, int& height) {
    const char* x = std::strchr(text, 'x');
    if (x == nullptr)
        return false;
    std::string w(text, x);
    unsigned long wv = 0, hv = 0;
    if (!parseWhole(w.c_str(), 1, 8192, 10, wv) || !parseWhole(x + 1, 1, 8192, 10, hv))
        return false;
    width = static_cast<int>(wv);
    height = static_cast<int>(hv);
    return true;
}

// WxH+X+Y,... : X and Y may be negative (a monitor left of or above the primary).
bool parseMonitors(const char* text, ShotOptions& o) {
    o.monitorCount = 0;
    const char* at = text;
    for (;;) {
        long w = 0, h = 0, x = 0, y = 0;
        int used = 0;
        char sx = 0, sy = 0;
        if (std::sscanf(at, "%5ldx%5ld%c%6ld%c%6ld%n", &w, &h, &sx, &x, &sy, &y, &used) != 6 ||
            (sx != '+' && sx != '-') || (sy != '+' && sy != '-') || w < 1 || h < 1 ||
            o.monitorCount == maxViewports)
            return false;
        if (sx == '-')
            x = -x;
        if (sy == '-')
            y = -y;
        o.monitors[o.monitorCount++] = {static_cast<int32_t>(x), static_cast<int32_t>(y),
                                        static_cast<int32_t>(x + w), static_cast<int32_t>(y + h)};
        at += used;
        if (*at == '\0')
            return true;
        if (*at++ != ',')
            return false;
    }
}

// Returns 0 when the options are complete and sound, else the exit code after a message.
int parseOptions(int argc, char** argv, ShotOptions& o) {
    bool seen[5] = {};
    for (int i = 1; i < argc; i += 2) {
        const char* name = argv[i];
        if (std::strcmp(name, "--fps") == 0) {
            o.fps = true;
            --i; // a flag: no value follows
            continue;
        }
        if (i + 1 >= argc)
            return usage("every option needs a value");
        const char* value = argv[i + 1];
        unsigned long v = 0;
        if (std::strcmp(name, "--seed") == 0) {
            if (!parseWhole(value, 0, 0xFFFFFFFFul, 10, v))
                return usage("--seed takes a whole number from 0 to 4294967295");
            o.seed = static_cast<uint32_t>(v);
            seen[0] = true;
        } else if (std::strcmp(name, "--frames") == 0) {
            if (!parseWhole(value, 1, 100000000, 10, v))
                return usage("--frames takes a whole number of at least 1");
            o.frames = v;
            seen[1] = true;
        } else if (std::strcmp(name, "--frame-time") == 0) {
            char* end = nullptr;
            o.frameTime = std::strtod(value, &end);
            if (end == value || *end != '\0' || !(o.frameTime >= 0.0 && o.frameTime <= 10.0))
                return usage("--frame-time takes seconds from 0 to 10");
            seen[2] = true;
        } else if (std::strcmp(name, "--size") == 0) {
            if (!parseSize(value, o.width, o.height))
                return usage("--size takes WIDTHxHEIGHT in pixels, each 1 to 8192");
            seen[3] = true;
        } else if (std::strcmp(name, "--out") == 0) {
            if (value[0] == '\0')
                return usage("--out takes a file name");
            o.out = value;
            seen[4] = true;
        } else if (std::strcmp(name, "--ati") == 0) {
            if (!parseWhole(value, 0, 1, 10, v))
                return usage("--ati takes 0 or 1");
            o.ati = static_cast<int>(v);
        } else if (std::strcmp(name, "--monitors") == 0) {
            if (!parseMonitors(value, o))
                return usage("--monitors takes WxH+X+Y[,WxH+X+Y...], at most 16 monitors");
        } else if (std::strcmp(name, "--samples") == 0) {
            if (!parseWhole(value, 0, 32, 10, v))
                return usage("--samples takes a whole number from 0 to 32");
            o.samples = static_cast<int>(v);
        } else if (std::strcmp(name, "--every") == 0) {
            if (!parseWhole(value, 1, 100000000, 10, v))
                return usage("--every takes a whole number of at least 1");
            o.every = v;
        } else {
            return usage((std::string("unknown option ") + name).c_str());
        }
    }
    for (bool s : seen)
        if (!s)
            return usage("--seed, --frames, --frame-time, --size and --out are required");
    return 0;
}

std::string numberedName(const std::string& out, long frame) {
    std::string stem = out;
    std::string ext;
    size_t dot = out.rfind('.');
    size_t slash = out.find_last_of("/\\");
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        stem = out.substr(0, dot);
        ext = out.substr(dot);
    }
    char number[16];
    std::snprintf(number, sizeof number, "-%06ld", frame);
    return stem + number + ext;
}

bool saveBackBuffer(const std::string& path, std::vector<uint8_t>& pixels, int width, int height) {
    if (saveBackBufferPng(path.c_str(), width, height, pixels.data()))
        return true;
    std::fprintf(stderr, "cradle-shot: cannot write %s\n", path.c_str());
    return false;
}

LRESULT CALLBACK shotWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND)
        return 1; // GL covers the whole client area
    return DefWindowProcA(window, message, wParam, lParam);
}

void pumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

} // namespace

int main(int argc, char** argv) {
    ShotOptions o;
    if (int rc = parseOptions(argc, argv, o))
        return rc;

    loadSettings();
    if (o.ati >= 0)
        cradleSettings.atiFix = static_cast<uint32_t>(o.ati);

    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = shotWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CradleShotClass";
    RegisterClassA(&wc);
    // A popup's client area is the whole window, so it is exactly WxH.
    HWND window = CreateWindowExA(0, wc.lpszClassName, "cradle-shot", WS_POPUP | WS_VISIBLE, 0, 0,
                                  o.width, o.height, nullptr, nullptr, wc.hInstance, nullptr);
    if (window == nullptr) {
        std::fprintf(stderr, "cradle-shot: cannot create a %dx%d window\n", o.width, o.height);
        return 1;
    }
    if (o.samples >= 0)
        pixelFormatChoice = {o.samples, true, 0};
    if (!createGLContext(window))
        return 1;
    // The seed first, as the erase-background event comes before the creation's launch.
    seedRandom(o.seed);
    if (o.monitorCount > 0) {
        ScreenRect window = o.monitors[0];
        for (int32_t i = 1; i < o.monitorCount; ++i) {
            window.left = o.monitors[i].left < window.left ? o.monitors[i].left : window.left;
            window.top = o.monitors[i].top < window.top ? o.monitors[i].top : window.top;
        }
        window.right = window.left + o.width;
        window.bottom = window.top + o.height;
        initScene(layOutViews(window, o.monitors, o.monitorCount));
    } else {
        initScene(singleViewLayout(o.width, o.height));
    }

    std::vector<uint8_t> pixels(static_cast<size_t>(o.width) * o.height * 3);
    bool ok = true;
    double loopStart = sceneNow(); // seconds
    double saving = 0.0;           // seconds spent in saveBackBuffer
    for (long frame = 1; frame <= o.frames && ok; ++frame) {
        pumpMessages();
        drawSceneFrame(sceneNow(), o.frameTime);
        double saveStart = sceneNow();
        if (o.every > 0 && frame % o.every == 0)
            ok = saveBackBuffer(numberedName(o.out, frame), pixels, o.width, o.height);
        if (ok && frame == o.frames)
            ok = saveBackBuffer(o.out, pixels, o.width, o.height);
        saving += sceneNow() - saveStart;
        SwapBuffers(glContext.deviceContext);
    }
    double seconds = sceneNow() - loopStart - saving;
    if (ok && o.fps && seconds > 0.0)
        std::printf("frames %ld seconds %.3f fps %.2f\n", o.frames, seconds, o.frames / seconds);
    freeScene();
    releaseGLContext(window);
    DestroyWindow(window);
    return ok ? 0 : 1;
}
