// Multisampled pixel formats through WGL_ARB_pixel_format and WGL_ARB_multisample. Their entries
// exist only while a context is current, and a window takes a pixel format only once: so a
// hidden window of its own gets the plain format and a context first, the question is asked
// there, and the probe goes again before the saver window gets its format.
#include "host/pixelformat.h"
#include "render/multisample.h"
#include "host/host.h"

#include <GL/gl.h>
#include <GL/wglext.h>

#include <cstring>

PixelFormatChoice pixelFormatChoice = {preferredSamples, false, 0};

namespace {

constexpr char probeClassName[] = "ClackmoorPixelFormatProbe";
constexpr int maxFormats = 64; // candidates looked at

// The hidden window with the plain format and a current context on it.
struct PixelFormatProbe {
    HWND window;
    HDC deviceContext;
    HGLRC renderingContext;
    int plainFormat; // what ChoosePixelFormat gave for saverPixelFormat on this display
};

// NOTE: for tests only. CLACKMOOR_TEST_MULTISAMPLE_FAULT set to window, context, extension or
// format makes that step fail, so that each way back to the plain format is seen to work.
bool faultForced(const char* step) {
    char value[16] = {};
    DWORD length = GetEnvironmentVariableA("CLACKMOOR_TEST_MULTISAMPLE_FAULT", value, sizeof value);
    return length > 0 && length < sizeof value && std::strcmp(value, step) == 0;
}

template <typename Fn> Fn wglEntry(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(wglGetProcAddress(name)));
}

bool openProbe(PixelFormatProbe& probe) {
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = probeClassName;
    RegisterClassA(&wc); // fails harmlessly when an earlier choice left it registered
    if (!faultForced("window"))
        probe.window = CreateWindowExA(0, probeClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr,
                                       nullptr, wc.hInstance, nullptr);
    if (probe.window == nullptr)
        return false;
    probe.deviceContext = GetDC(probe.window);
    const int format = ChoosePixelFormat(probe.deviceContext, &saverPixelFormat);
    if (format == 0 || !SetPixelFormat(probe.deviceContext, format, &saverPixelFormat))
        return false;
    probe.plainFormat = format;
    if (!faultForced("context"))
        probe.renderingContext = wglCreateContext(probe.deviceContext);
    return probe.renderingContext != nullptr &&
           wglMakeCurrent(probe.deviceContext, probe.renderingContext);
}

void closeProbe(PixelFormatProbe& probe) {
    wglMakeCurrent(nullptr, nullptr);
    if (probe.renderingContext != nullptr) {
        wglDeleteContext(probe.renderingContext);
        probe.renderingContext = nullptr;
    }
    if (probe.deviceContext != nullptr) {
        ReleaseDC(probe.window, probe.deviceContext);
        probe.deviceContext = nullptr;
    }
    if (probe.window != nullptr) {
        DestroyWindow(probe.window);
        probe.window = nullptr;
    }
    UnregisterClassA(probeClassName, GetModuleHandleA(nullptr));
}

bool hasWord(const char* list, const char* word) {
    const size_t length = std::strlen(word);
    for (const char* at = list; at != nullptr && (at = std::strstr(at, word)) != nullptr;
         at += length) {
        const bool starts = at == list || at[-1] == ' ';
        if (starts && (at[length] == ' ' || at[length] == '\0'))
            return true;
    }
    return false;
}

// Both extensions, as the current context's driver names them for the device context.
bool offersMultisampleFormats(HDC deviceContext) {
    if (faultForced("extension"))
        return false;
    const char* list = nullptr;
    if (auto arb = wglEntry<PFNWGLGETEXTENSIONSSTRINGARBPROC>("wglGetExtensionsStringARB"))
        list = arb(deviceContext);
    else if (auto ext = wglEntry<PFNWGLGETEXTENSIONSSTRINGEXTPROC>("wglGetExtensionsStringEXT"))
        list = ext();
    return hasWord(list, "WGL_ARB_pixel_format") && hasWord(list, "WGL_ARB_multisample");
}

// The driver's first format with the most samples from 2 up to `wanted`, or 0.
int multisampledFormat(HDC deviceContext, int32_t wanted, int32_t& samples) {
    auto choose = wglEntry<PFNWGLCHOOSEPIXELFORMATARBPROC>("wglChoosePixelFormatARB");
    auto describe = wglEntry<PFNWGLGETPIXELFORMATATTRIBIVARBPROC>("wglGetPixelFormatAttribivARB");
    if (choose == nullptr || describe == nullptr)
        return 0;
    // clang-format off
    const int request[] = {
        WGL_DRAW_TO_WINDOW_ARB, TRUE, WGL_SUPPORT_OPENGL_ARB, TRUE, WGL_DOUBLE_BUFFER_ARB, TRUE,
        WGL_PIXEL_TYPE_ARB, WGL_TYPE_RGBA_ARB, WGL_COLOR_BITS_ARB, 16, WGL_DEPTH_BITS_ARB, 16,
        WGL_SAMPLE_BUFFERS_ARB, 1, WGL_SAMPLES_ARB, 2, // at least 2: the count is a minimum
        0};
    // clang-format on
    int formats[maxFormats] = {};
    UINT count = 0;
    if (faultForced("format") ||
        !choose(deviceContext, request, nullptr, maxFormats, formats, &count))
        return 0;
    const int samplesAttribute = WGL_SAMPLES_ARB;
    int best = 0;
    for (UINT i = 0; i < count && i < maxFormats; ++i) {
        int given = 0;
        if (describe(deviceContext, formats[i], 0, 1, &samplesAttribute, &given) &&
            given > samples && given <= wanted) {
            best = formats[i];
            samples = given;
        }
    }
    return best;
}

} // namespace

int chooseSaverPixelFormat(HDC deviceContext) {
    PixelFormatChoice& choice = pixelFormatChoice;
    choice.samplesGiven = 0;
    int format = 0;
    int plainFormat = 0;
    if (choice.samples >= 2) {
        PixelFormatProbe probe = {};
        if (openProbe(probe) && offersMultisampleFormats(probe.deviceContext)) {
            const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
            if (choice.evenInSoftware || !softwareRenderer(renderer))
                format = multisampledFormat(deviceContext, choice.samples, choice.samplesGiven);
        }
        plainFormat = probe.plainFormat;
        closeProbe(probe);
    }
    if (format == 0) {
        // The probe's answer serves: formats are numbered alike for every window of the
        // display, and a second choice costs a whole walk of the driver's formats (about
        // 30 ms of start-up under Wine).
        choice.samplesGiven = 0;
        format = plainFormat ? plainFormat : ChoosePixelFormat(deviceContext, &saverPixelFormat);
    }
    return format;
}
