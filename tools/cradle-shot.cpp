// cradle-shot: renders frames of the cradle with the saver's own set-up and drawing code,
// deterministically, and saves them as PNG.
//
//   cradle-shot --seed N --frames F --frame-time T --size WxH --out FILE.png
//               [--ati 0|1] [--every K]
//
// The settings come from the registry as the saver loads them; --ati overrides the
// compatibility mode for this run only. The generator is seeded with N just before the
// launch, and every frame steps the swing by T seconds instead of the measured clock.
// With --every K, every K-th frame is saved too, as FILE-<frame>.png.
#include "render/render.h"
#include "settings/settings.h"
#include "sim/sim.h"

#include <GL/gl.h>

#include <cerrno>
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
};

int usage(const char* problem) {
    std::fprintf(stderr,
                 "cradle-shot: %s\nusage: cradle-shot --seed N --frames F --frame-time T "
                 "--size WxH --out FILE.png [--ati 0|1] [--every K]\n",
                 problem);
    return 2;
}

bool parseWhole(const char* text, long low, long high, long& value) {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < low || v > high)
        return false;
    value = v;
    return true;
}

bool parseSize(const char* text, int& width, int& height) {
    const char* x = std::strchr(text, 'x');
    if (x == nullptr)
        return false;
    std::string w(text, x);
    long wv = 0, hv = 0;
    if (!parseWhole(w.c_str(), 1, 8192, wv) || !parseWhole(x + 1, 1, 8192, hv))
        return false;
    width = static_cast<int>(wv);
    height = static_cast<int>(hv);
    return true;
}

// Returns 0 when the options are complete and sound, else the exit code after a message.
int parseOptions(int argc, char** argv, ShotOptions& o) {
    bool seen[5] = {};
    for (int i = 1; i < argc; i += 2) {
        const char* name = argv[i];
        if (i + 1 >= argc)
            return usage("every option needs a value");
        const char* value = argv[i + 1];
        long v = 0;
        if (std::strcmp(name, "--seed") == 0) {
            char* end = nullptr;
            errno = 0;
            unsigned long s = std::strtoul(value, &end, 10);
            if (errno != 0 || end == value || *end != '\0' || value[0] == '-' || s > 0xFFFFFFFFul)
                return usage("--seed takes a whole number from 0 to 4294967295");
            o.seed = static_cast<uint32_t>(s);
            seen[0] = true;
        } else if (std::strcmp(name, "--frames") == 0) {
            if (!parseWhole(value, 1, 100000000, v))
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
            if (!parseWhole(value, 0, 1, v))
                return usage("--ati takes 0 or 1");
            o.ati = static_cast<int>(v);
        } else if (std::strcmp(name, "--every") == 0) {
            if (!parseWhole(value, 1, 100000000, v))
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

// --- A minimal PNG encoder: 8-bit RGB, deflate in stored blocks -------------------------------

uint32_t crc32(const uint8_t* bytes, size_t count, uint32_t crc) {
    crc = ~crc;
    for (size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void putBig32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

void putChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    putBig32(out, static_cast<uint32_t>(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBig32(out, crc32(out.data() + start, out.size() - start, 0));
}

std::vector<uint8_t> zlibStored(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> z = {0x78, 0x01};
    size_t pos = 0;
    do {
        size_t n = raw.size() - pos < 65535 ? raw.size() - pos : 65535;
        bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<uint8_t>(n));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n));
        z.push_back(static_cast<uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0; // adler32
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    putBig32(z, (b << 16) | a);
    return z;
}

// pixels: GL's bottom-up RGB rows, tightly packed.
bool writePng(const std::string& path, const std::vector<uint8_t>& pixels, int width, int height) {
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(height) * (width * 3 + 1));
    for (int row = height - 1; row >= 0; --row) { // PNG runs top down
        raw.push_back(0);                         // no filter
        const uint8_t* line = pixels.data() + static_cast<size_t>(row) * width * 3;
        raw.insert(raw.end(), line, line + width * 3);
    }
    std::vector<uint8_t> header;
    putBig32(header, static_cast<uint32_t>(width));
    putBig32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8-bit RGB, deflate, no filter, no interlace
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", zlibStored(raw));
    putChunk(png, "IEND", {});
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    return std::fclose(f) == 0 && ok;
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
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    if (writePng(path, pixels, width, height))
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
    if (!createGLContext(window))
        return 1;
    // The creation event's set-up, with the seed placed just before the launch.
    resizeView(o.width, o.height);
    setBaseRenderState();
    setSceneRenderState();
    seedRandom(o.seed);
    setUpScene();
    restartFrameClock();

    std::vector<uint8_t> pixels(static_cast<size_t>(o.width) * o.height * 3);
    bool ok = true;
    for (long frame = 1; frame <= o.frames && ok; ++frame) {
        pumpMessages();
        frameClock.frameTime = o.frameTime;
        drawFrame();
        if (o.every > 0 && frame % o.every == 0)
            ok = saveBackBuffer(numberedName(o.out, frame), pixels, o.width, o.height);
        if (ok && frame == o.frames)
            ok = saveBackBuffer(o.out, pixels, o.width, o.height);
        SwapBuffers(glContext.deviceContext);
    }
    releaseGLContext(window);
    DestroyWindow(window);
    return ok ? 0 : 1;
}
