// Multisampled visuals through GLX 1.3 framebuffer configurations and GLX_ARB_multisample.
#include "xhack/visual.h"
#include "render/multisample.h"

#include <GL/glxext.h>

#include <cstdlib>
#include <cstring>

namespace {

// NOTE: for tests only. CLACKMOOR_TEST_MULTISAMPLE_FAULT set to extension or format makes that
// step fail; CLACKMOOR_TEST_SAMPLES=N asks for up to N samples on any renderer, as
// cradle-shot's --samples does on Windows.
bool faultForced(const char* step) {
    const char* value = std::getenv("CLACKMOOR_TEST_MULTISAMPLE_FAULT");
    return value != nullptr && std::strcmp(value, step) == 0;
}

bool listed(const char* list, const char* word) {
    const size_t length = std::strlen(word);
    for (const char* at = list; at != nullptr && (at = std::strstr(at, word)) != nullptr;
         at += length) {
        if ((at == list || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0'))
            return true;
    }
    return false;
}

// Samples to ask for: none on a software renderer, which GLX_MESA_query_renderer names
// without a context; a driver without that extension is taken as a hardware one.
int wantedSamples(Display* display, int screen, const char* extensions) {
    if (const char* forced = std::getenv("CLACKMOOR_TEST_SAMPLES"))
        return std::atoi(forced);
    typedef const char* (*RendererStringFn)(Display*, int, int, int);
    auto rendererString = reinterpret_cast<RendererStringFn>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXQueryRendererStringMESA")));
    if (listed(extensions, "GLX_MESA_query_renderer") && rendererString != nullptr &&
        softwareRenderer(rendererString(display, screen, 0, GLX_RENDERER_DEVICE_ID_MESA)))
        return 0;
    return preferredSamples;
}

} // namespace

XVisualInfo* multisampledVisual(Display* display, int screen) {
    int major = 0, minor = 0;
    const char* extensions = glXQueryExtensionsString(display, screen);
    if (!glXQueryVersion(display, &major, &minor) || (major == 1 && minor < 3) ||
        !listed(extensions, "GLX_ARB_multisample") || faultForced("extension"))
        return nullptr;
    const int wanted = wantedSamples(display, screen, extensions);
    if (wanted < 2)
        return nullptr;
    // clang-format off
    const int request[] = {
        GLX_X_RENDERABLE, True, GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT,
        GLX_DOUBLEBUFFER, True, GLX_RED_SIZE, 5, GLX_GREEN_SIZE, 6, GLX_BLUE_SIZE, 5,
        GLX_DEPTH_SIZE, 16, GLX_SAMPLE_BUFFERS, 1, GLX_SAMPLES, 2, // at least 2: a minimum
        None};
    // clang-format on
    int count = 0;
    GLXFBConfig* configs =
        faultForced("format") ? nullptr : glXChooseFBConfig(display, screen, request, &count);
    GLXFBConfig best = nullptr;
    int bestSamples = 0;
    for (int i = 0; i < count; ++i) {
        int samples = 0;
        XVisualInfo* visual = glXGetVisualFromFBConfig(display, configs[i]);
        if (visual != nullptr &&
            glXGetFBConfigAttrib(display, configs[i], GLX_SAMPLES, &samples) == Success &&
            samples > bestSamples && samples <= wanted) {
            best = configs[i];
            bestSamples = samples;
        }
        if (visual != nullptr)
            XFree(visual);
    }
    XVisualInfo* chosen = best != nullptr ? glXGetVisualFromFBConfig(display, best) : nullptr;
    if (configs != nullptr)
        XFree(configs);
    return chosen;
}
