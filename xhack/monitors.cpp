// RandR's monitors: the outputs as the desktop arranges them (XRRGetMonitors, RandR 1.5).
#include "xhack/monitors.h"

#include <X11/extensions/Xrandr.h>

int watchMonitors(Display* display, Window root) {
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase) ||
        !XRRQueryVersion(display, &major, &minor) || (major == 1 && minor < 5))
        return -1;
    XRRSelectInput(display, root, RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask);
    return eventBase;
}

int32_t rootMonitors(Display* display, Window root, ScreenRect* monitors, int32_t capacity) {
    int count = 0;
    XRRMonitorInfo* found = XRRGetMonitors(display, root, True, &count);
    if (found == nullptr)
        return 0;
    int32_t kept = 0;
    for (int i = 0; i < count && kept < capacity; ++i) {
        const XRRMonitorInfo& m = found[i];
        monitors[kept++] = {m.x, m.y, m.x + m.width, m.y + m.height};
    }
    XRRFreeMonitors(found);
    return kept;
}

bool monitorsChanged(XEvent& event, int randrEventBase) {
    if (randrEventBase < 0)
        return false;
    if (event.type == randrEventBase + RRScreenChangeNotify) {
        XRRUpdateConfiguration(&event);
        return true;
    }
    return event.type == randrEventBase + RRNotify;
}
