// clackmoor: the cradle as an XScreenSaver hack (Xlib and GLX). It draws into the window the
// daemon names in $XSCREENSAVER_WINDOW (or -window-id), the root window (-root) or a window of
// its own, with the Windows saver's scene core, visual request, set-up order and frame pacing.
#include "frontend/framerate.h"
#include "frontend/options.h"
#include "frontend/pngfile.h"
#include "frontend/stopsignals.h"
#include "render/scene.h"
#include "sim/sim.h"
#include "xhack/monitors.h"
#include "xhack/visual.h"

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

// The front end's one record: the X connection, the window drawn into and the run's state.
struct HackState {
    HackOptions options;
    Display* display;
    int screen;
    Window target;       // the window named or made for the hack
    Window drawable;     // where GL draws: the target, or a child of it with a GL visual
    bool ownsDrawable;   // the drawable was made here (own window or child)
    Colormap colormap;   // of a drawable made here
    XVisualInfo* visual; // from glXChooseVisual or XGetVisualInfo
    GLXContext context;
    Atom deleteWindow;  // WM_DELETE_WINDOW
    int randrEventBase; // RandR's first event number while the root's monitors are followed, or -1
    int32_t width, height;
    long framesDrawn;
    bool unmapped;             // the target window is not mapped: nothing is drawn
    bool obscured;             // the drawable is fully covered: nothing is drawn
    FrameRateReport frameRate; // -fps
    int xError;                // code of the last X error, 0 if none
    bool failed;               // an X error other than the loss of the window
    volatile sig_atomic_t stopRequested;
};
HackState hack;

int fail(const char* text) {
    std::fprintf(stderr, "clackmoor: %s\n", text);
    return 1;
}

void onStopSignal(int) {
    hack.stopRequested = 1;
}

// Xlib calls this when the connection is gone; it must not return. The daemon or the server
// went away: say so and end, never wait for a server that will not answer.
constexpr char lostConnectionText[] = "clackmoor: lost the connection to the X server\n";
int onLostConnection(Display*) {
    ssize_t written = write(STDERR_FILENO, lostConnectionText, sizeof lostConnectionText - 1);
    (void)written;
    _exit(1);
}

// Requests about windows of other clients fail when those windows go (or never were): the
// daemon destroys its window, sometimes before its SIGTERM arrives. Recorded, never fatal;
// once frames run, losing the window ends the hack cleanly and any other error with status 1.
int onXError(Display*, XErrorEvent* error) {
    hack.xError = error->error_code;
    if (hack.context == nullptr)
        return 0; // set-up looks at xError itself
    if (error->resourceid != hack.target && error->resourceid != hack.drawable) {
        std::fprintf(stderr, "clackmoor: X error %d on request %d\n", error->error_code,
                     error->request_code);
        hack.failed = true;
    }
    hack.stopRequested = 1;
    return 0;
}

bool hasExtension(const char* list, const char* name) {
    const size_t length = std::strlen(name);
    for (const char* at = list; at != nullptr && *at != '\0';) {
        const char* end = std::strchr(at, ' ');
        size_t size = end != nullptr ? static_cast<size_t>(end - at) : std::strlen(at);
        if (size == length && std::strncmp(at, name, length) == 0)
            return true;
        at = end != nullptr ? end + 1 : nullptr;
    }
    return false;
}

// Swaps wait for the display's refresh where the GLX extension offers it, as on Windows.
void syncSwapsToRefresh() {
    const char* extensions = glXQueryExtensionsString(hack.display, hack.screen);
    auto entry = [](const char* name) {
        return glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name));
    };
    if (hasExtension(extensions, "GLX_EXT_swap_control")) {
        typedef void (*SwapIntervalExt)(Display*, GLXDrawable, int);
        if (auto f = reinterpret_cast<SwapIntervalExt>(entry("glXSwapIntervalEXT")))
            f(hack.display, hack.drawable, 1);
    } else if (hasExtension(extensions, "GLX_MESA_swap_control")) {
        typedef int (*SwapIntervalMesa)(unsigned);
        if (auto f = reinterpret_cast<SwapIntervalMesa>(entry("glXSwapIntervalMESA")))
            f(1);
    } else if (hasExtension(extensions, "GLX_SGI_swap_control")) {
        typedef int (*SwapIntervalSgi)(int);
        if (auto f = reinterpret_cast<SwapIntervalSgi>(entry("glXSwapIntervalSGI")))
            f(1);
    }
}

// The Windows saver's pixel-format request: double-buffered RGBA, at least 16 colour and
// 16 depth bits, the closest the server has.
// clang-format off
const int saverVisual[] = {
    GLX_RGBA, GLX_DOUBLEBUFFER,
    GLX_RED_SIZE, 5, GLX_GREEN_SIZE, 6, GLX_BLUE_SIZE, 5, // 16 colour bits or more
    GLX_DEPTH_SIZE, 16,
    None};
// clang-format on

// Multisampled where the server offers it, else the plain request.
XVisualInfo* chooseSaverVisual() {
    if (XVisualInfo* smooth = multisampledVisual(hack.display, hack.screen))
        return smooth;
    return glXChooseVisual(hack.display, hack.screen, const_cast<int*>(saverVisual));
}

// The visual of a window someone else made, when GL can draw double-buffered RGBA in it.
XVisualInfo* glVisualOf(Window window) {
    XWindowAttributes attributes = {};
    if (!XGetWindowAttributes(hack.display, window, &attributes))
        return nullptr;
    XVisualInfo pattern = {};
    pattern.visualid = XVisualIDFromVisual(attributes.visual);
    int count = 0;
    XVisualInfo* found = XGetVisualInfo(hack.display, VisualIDMask, &pattern, &count);
    int useGL = 0, rgba = 0, doubleBuffer = 0, depth = 0;
    if (found != nullptr && glXGetConfig(hack.display, found, GLX_USE_GL, &useGL) == 0 && useGL &&
        glXGetConfig(hack.display, found, GLX_RGBA, &rgba) == 0 && rgba &&
        glXGetConfig(hack.display, found, GLX_DOUBLEBUFFER, &doubleBuffer) == 0 && doubleBuffer &&
        glXGetConfig(hack.display, found, GLX_DEPTH_SIZE, &depth) == 0 && depth >= 16)
        return found;
    if (found != nullptr)
        XFree(found);
    return nullptr;
}

// A window with the saver's visual: the own top-level window, or a child covering a window
// whose visual GL cannot use.
bool makeDrawable(Window parent, int32_t width, int32_t height) {
    hack.visual = chooseSaverVisual();
    if (hack.visual == nullptr)
        return false;
    hack.colormap = XCreateColormap(hack.display, parent, hack.visual->visual, AllocNone);
    XSetWindowAttributes attributes = {};
    attributes.colormap = hack.colormap;
    attributes.background_pixel = BlackPixel(hack.display, hack.screen);
    attributes.border_pixel = 0;
    attributes.event_mask = StructureNotifyMask | VisibilityChangeMask | KeyPressMask;
    hack.drawable = XCreateWindow(
        hack.display, parent, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
        hack.visual->depth, InputOutput, hack.visual->visual,
        CWColormap | CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
    hack.ownsDrawable = true;
    return hack.drawable != None;
}

bool openOwnWindow() {
    const Window root = RootWindow(hack.display, hack.screen);
    if (!makeDrawable(root, hack.options.width, hack.options.height))
        return false;
    hack.target = hack.drawable;
    XStoreName(hack.display, hack.drawable, "Clackmoor");
    XClassHint classHint = {const_cast<char*>("clackmoor"), const_cast<char*>("Clackmoor")};
    XSetClassHint(hack.display, hack.drawable, &classHint);
    hack.deleteWindow = XInternAtom(hack.display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(hack.display, hack.drawable, &hack.deleteWindow, 1);
    XMapWindow(hack.display, hack.drawable);
    hack.width = hack.options.width;
    hack.height = hack.options.height;
    return true;
}

// A window of someone else's (the daemon's, a test's, the root): its size and destruction
// are followed; a child with a GL visual covers it where its own visual will not do.
bool useGivenWindow(Window window) {
    hack.xError = 0;
    XWindowAttributes attributes = {};
    const bool exists = XGetWindowAttributes(hack.display, window, &attributes) != 0;
    XSelectInput(hack.display, window, StructureNotifyMask | VisibilityChangeMask);
    XSync(hack.display, False);
    if (!exists || hack.xError != 0)
        return false;
    hack.target = window;
    if (window == RootWindow(hack.display, hack.screen))
        hack.randrEventBase = watchMonitors(hack.display, window);
    hack.width = attributes.width;
    hack.height = attributes.height;
    hack.visual = glVisualOf(window);
    if (hack.visual != nullptr) {
        hack.drawable = window;
        return true;
    }
    if (!makeDrawable(window, attributes.width, attributes.height))
        return false;
    XMapWindow(hack.display, hack.drawable);
    return true;
}

// -window-id, then the daemon's $XSCREENSAVER_WINDOW (also with -root, as the daemon's
// program lines say), then -root, then a window of its own.
int openTarget() {
    const HackOptions& o = hack.options;
    unsigned long id = 0;
    const char* fromDaemon = std::getenv("XSCREENSAVER_WINDOW");
    if (o.target == givenWindow) {
        id = o.windowId;
    } else if (!(o.targetGiven && o.target == ownWindow) && fromDaemon != nullptr &&
               fromDaemon[0] != '\0') {
        if (!parseWindowId(fromDaemon, id))
            return fail("XSCREENSAVER_WINDOW does not hold a window id");
    } else if (o.target == rootWindow) {
        id = RootWindow(hack.display, hack.screen);
    }
    if (id == 0)
        return openOwnWindow() ? 0 : fail("no double-buffered RGBA visual with a depth buffer");
    if (!useGivenWindow(id)) {
        char text[80];
        std::snprintf(text, sizeof text, "cannot draw into window 0x%lx", id);
        return fail(text);
    }
    return 0;
}

// The views: on the root window each monitor shows one whole cradle, as the Windows saver
// lays its views; any other window (the daemon gives one per monitor) is one view.
ViewLayout hackViewLayout() {
    ScreenRect monitors[maxViewports];
    int32_t count = 0;
    if (hack.randrEventBase >= 0)
        count = rootMonitors(hack.display, hack.target, monitors, maxViewports);
    if (count == 0)
        return singleViewLayout(hack.width, hack.height);
    return layOutViews({0, 0, hack.width, hack.height}, monitors, count);
}

// The context, then the scene core's set-up in the creation event's order. The seed comes
// first, as the erase-background event comes before the launch on Windows.
int setUpGL() {
    hack.context = glXCreateContext(hack.display, hack.visual, nullptr, True);
    if (hack.context == nullptr)
        return fail("cannot create a GL rendering context");
    if (!glXMakeCurrent(hack.display, hack.drawable, hack.context))
        return fail("cannot make the GL rendering context current");
    syncSwapsToRefresh();
    if (hack.options.seedGiven) {
        seedRandom(hack.options.seed);
    } else {
        seedScene(static_cast<uint32_t>(std::time(nullptr))); // as Windows seeds
    }
    initScene(hackViewLayout());
    return 0;
}

void tearDown() {
    if (hack.display == nullptr)
        return;
    if (hack.context != nullptr) {
        freeScene();
        glXMakeCurrent(hack.display, None, nullptr);
        glXDestroyContext(hack.display, hack.context);
        hack.context = nullptr;
    }
    if (hack.ownsDrawable && hack.drawable != None) {
        XDestroyWindow(hack.display, hack.drawable);
        hack.drawable = None;
    }
    if (hack.colormap != None) {
        XFreeColormap(hack.display, hack.colormap);
        hack.colormap = None;
    }
    if (hack.visual != nullptr) {
        XFree(hack.visual);
        hack.visual = nullptr;
    }
    // NOTE: the connection itself is left to the process's end, as freeglut's is: closing it
    // unloads Mesa's driver, which leaves two blocks behind that the leak checker then
    // reports with no module to blame.
    XSync(hack.display, False);
}

// --- Events ----------------------------------------------------------------------------------

void onConfigure(const XConfigureEvent& event) {
    if (event.window != hack.target)
        return;
    if (event.width == hack.width && event.height == hack.height)
        return;
    hack.width = event.width;
    hack.height = event.height;
    if (hack.drawable != hack.target)
        XResizeWindow(hack.display, hack.drawable, static_cast<unsigned>(event.width),
                      static_cast<unsigned>(event.height));
    reshapeScene(hackViewLayout());
}

void onKey(XKeyEvent& event) {
    if (!hack.ownsDrawable || hack.target != hack.drawable)
        return; // keys only reach the own window
    const KeySym key = XLookupKeysym(&event, 0);
    if (key == XK_Escape || key == XK_q || key == XK_Q)
        hack.stopRequested = 1;
}

bool hidden() {
    return hack.unmapped || hack.obscured;
}

// Nobody sees a window that is unmapped or fully covered: no frames for it. Shown again, the
// swing goes on at its measured pace and the next frame is due at once.
void setHidden(bool& flag, bool value) {
    const bool was = hidden();
    flag = value;
    if (was && !hidden())
        resumeScene();
}

void handleEvent(XEvent& event) {
    switch (event.type) {
    case MapNotify:
        if (event.xmap.window == hack.target)
            setHidden(hack.unmapped, false);
        break;
    case UnmapNotify:
        if (event.xunmap.window == hack.target)
            setHidden(hack.unmapped, true);
        break;
    case VisibilityNotify:
        if (event.xvisibility.window == hack.drawable)
            setHidden(hack.obscured, event.xvisibility.state == VisibilityFullyObscured);
        break;
    case ConfigureNotify:
        onConfigure(event.xconfigure);
        break;
    case KeyPress:
        onKey(event.xkey);
        break;
    case ClientMessage:
        if (static_cast<Atom>(event.xclient.data.l[0]) == hack.deleteWindow &&
            hack.deleteWindow != None)
            hack.stopRequested = 1;
        break;
    case DestroyNotify:
        if (event.xdestroywindow.window == hack.target)
            hack.stopRequested = 1; // the daemon or the preview took the window away
        break;
    default:
        if (monitorsChanged(event, hack.randrEventBase))
            reshapeScene(hackViewLayout());
        break;
    }
}

void readEvents() {
    while (!hack.stopRequested && XPending(hack.display) > 0) {
        XEvent event;
        XNextEvent(hack.display, &event);
        handleEvent(event);
    }
}

// Sleeps until the next frame is due (for ever when `seconds` is negative), waking at once for
// X input or a signal.
void waitForX(double seconds) {
    pollfd connection = {ConnectionNumber(hack.display), POLLIN, 0};
    const int ms = seconds < 0.0 ? -1 : std::max(1, static_cast<int>(seconds * 1000.0));
    poll(&connection, 1, ms);
}

// --- Frames ----------------------------------------------------------------------------------

bool saveShot(const char* path) {
    std::vector<uint8_t> pixels(static_cast<size_t>(hack.width) * hack.height * 3);
    if (saveBackBufferPng(path, hack.width, hack.height, pixels.data()))
        return true;
    std::fprintf(stderr, "clackmoor: cannot write %s\n", path);
    return false;
}

// The scene core's frame, then the swap. With -frame-time every frame steps by that time
// instead of the measured one and frames are not paced: tests want them at once.
bool drawOneFrame() {
    const HackOptions& o = hack.options;
    const double startedAt = sceneNow();
    drawSceneFrame(startedAt, o.frameTime >= 0.0 ? o.frameTime : measuredStepTime);
    ++hack.framesDrawn;
    const bool last = o.frames > 0 && hack.framesDrawn >= o.frames;
    bool ok = true;
    if (last && o.shot != nullptr)
        ok = saveShot(o.shot);
    glXSwapBuffers(hack.display, hack.drawable);
    if (o.showFps)
        countFrameRate(hack.frameRate, sceneNow(), hack.framesDrawn);
    if (last)
        hack.stopRequested = 1;
    return ok;
}

bool runFrameLoop() {
    const bool paced = hack.options.frameTime < 0.0;
    restartFrameRate(hack.frameRate, sceneNow());
    bool ok = true;
    while (!hack.stopRequested && ok) {
        readEvents();
        if (hack.stopRequested)
            break;
        if (paced && hidden()) {
            waitForX(-1.0);
            restartFrameRate(hack.frameRate, sceneNow()); // the rate counts shown time only
            continue;
        }
        const double wait = paced ? sceneFrameWait(sceneNow()) : 0.0;
        if (wait > 0.0) {
            waitForX(wait);
            continue;
        }
        ok = drawOneFrame();
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    const int ended = takeCommandLine(argc, argv, x11Front, hack.options);
    if (ended >= 0)
        return ended;
    catchStopSignals(onStopSignal);
    // freeglut, which the scene core uses for its spheres, opens $DISPLAY too.
    if (hack.options.display != nullptr)
        setenv("DISPLAY", hack.options.display, 1);
    hack.display = XOpenDisplay(hack.options.display);
    if (hack.display == nullptr)
        return fail("cannot open the X display");
    hack.screen = DefaultScreen(hack.display);
    hack.randrEventBase = -1;
    startShapeLibrary();
    XSetIOErrorHandler(onLostConnection);
    XSetErrorHandler(onXError);
    int result = openTarget();
    if (result == 0)
        result = setUpGL();
    if (result == 0)
        result = runFrameLoop() && !hack.failed ? 0 : 1;
    tearDown();
    return result;
}
