// Windows of a test's own for hack_test.sh: `xwin open WxH[+X+Y] [VISUAL]` maps a black window
// (of that visual id), prints its id and keeps it until ended; `xwin close ID` asks a window to
// close as a window manager does (WM_DELETE_WINDOW).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    Display* d = argc > 2 ? XOpenDisplay(nullptr) : nullptr;
    if (d == nullptr)
        return 2;
    const Window root = DefaultRootWindow(d);
    if (std::strcmp(argv[1], "close") == 0) {
        XEvent e = {};
        e.xclient.type = ClientMessage;
        e.xclient.window = std::strtoul(argv[2], nullptr, 0);
        e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
        XSendEvent(d, e.xclient.window, False, 0, &e);
        return XCloseDisplay(d); // sends the event
    }
    int x = 0, y = 0;
    unsigned width = 0, height = 0;
    XParseGeometry(argv[2], &x, &y, &width, &height);
    XVisualInfo want = {};
    want.visualid = argc > 3 ? std::strtoul(argv[3], nullptr, 0)
                             : XVisualIDFromVisual(DefaultVisual(d, DefaultScreen(d)));
    int count = 0;
    XVisualInfo* v = XGetVisualInfo(d, VisualIDMask, &want, &count);
    if (v == nullptr)
        return 1;
    // A visual other than the parent's needs its own colormap and border pixel.
    XSetWindowAttributes a = {};
    a.colormap = XCreateColormap(d, root, v->visual, AllocNone);
    const Window w = XCreateWindow(d, root, x, y, width, height, 0, v->depth, InputOutput,
                                   v->visual, CWBackPixel | CWBorderPixel | CWColormap, &a);
    XMapWindow(d, w);
    XSync(d, False);
    dprintf(1, "0x%lx\n", w); // unbuffered: the test reads it while this waits
    pause();
}
