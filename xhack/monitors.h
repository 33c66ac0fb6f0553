// The monitors of an X screen, from RandR, for a hack drawn on the root window: one view each.
#pragma once
#include "render/scene.h"

#include <X11/Xlib.h>

// Asks for RandR's notices of monitor changes on the root; returns RandR's first event number,
// or -1 when the server has no RandR 1.5.
int watchMonitors(Display* display, Window root);
// Fills `monitors` (root-window pixels) and returns how many; 0 without RandR 1.5.
int32_t rootMonitors(Display* display, Window root, ScreenRect* monitors, int32_t capacity);
// A RandR event of `randrEventBase`: the monitors may have changed. Updates Xlib's screen size.
bool monitorsChanged(XEvent& event, int randrEventBase);
