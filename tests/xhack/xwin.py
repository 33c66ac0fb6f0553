#!/usr/bin/env python3
"""Windows of a test's own, for the X11 front end's tests (Xlib through ctypes).

  xwin.py open WxH [VISUAL]
                       makes and maps a window (of that visual id), prints its id, keeps it
                       until the helper is ended (the window goes with its connection)
  xwin.py close ID     asks a window to close as a window manager does (WM_DELETE_WINDOW)
"""
import ctypes
import signal
import sys

x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XCreateSimpleWindow.restype = ctypes.c_ulong
x.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                  ctypes.c_uint, ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong,
                                  ctypes.c_ulong]
x.XCreateWindow.restype = ctypes.c_ulong
x.XCreateWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                            ctypes.c_uint, ctypes.c_uint, ctypes.c_uint, ctypes.c_int,
                            ctypes.c_uint, ctypes.c_void_p, ctypes.c_ulong, ctypes.c_void_p]
x.XCreateColormap.restype = ctypes.c_ulong
x.XCreateColormap.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_void_p, ctypes.c_int]
x.XGetVisualInfo.restype = ctypes.POINTER(ctypes.c_void_p)
x.XGetVisualInfo.argtypes = [ctypes.c_void_p, ctypes.c_long, ctypes.c_void_p,
                             ctypes.POINTER(ctypes.c_int)]
x.XMapWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                         ctypes.c_void_p]


class VisualInfo(ctypes.Structure):
    _fields_ = [("visual", ctypes.c_void_p), ("visualid", ctypes.c_ulong),
                ("screen", ctypes.c_int), ("depth", ctypes.c_int), ("cls", ctypes.c_int),
                ("masks", ctypes.c_ulong * 3), ("colormap_size", ctypes.c_int),
                ("bits_per_rgb", ctypes.c_int)]


class SetWindowAttributes(ctypes.Structure):
    _fields_ = [("background_pixmap", ctypes.c_ulong), ("background_pixel", ctypes.c_ulong),
                ("border_pixmap", ctypes.c_ulong), ("border_pixel", ctypes.c_ulong),
                ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int),
                ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
                ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int),
                ("event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("colormap", ctypes.c_ulong),
                ("cursor", ctypes.c_ulong)]


def window_of_visual(dpy, root, w, h, visualid):
    want = VisualInfo(visualid=visualid)
    count = ctypes.c_int()
    found = x.XGetVisualInfo(dpy, 0x1, ctypes.byref(want), ctypes.byref(count))  # VisualIDMask
    if not found or count.value < 1:
        sys.exit("xwin: no visual 0x%x" % visualid)
    info = ctypes.cast(found, ctypes.POINTER(VisualInfo)).contents
    attrs = SetWindowAttributes(colormap=x.XCreateColormap(dpy, root, info.visual, 0))
    # CWBorderPixel | CWColormap: a visual other than the parent's needs both.
    return x.XCreateWindow(dpy, root, 0, 0, w, h, 0, info.depth, 1, info.visual,
                           (1 << 3) | (1 << 13), ctypes.byref(attrs))


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5), ("pad", ctypes.c_char * 96)]  # XEvent is 192 bytes


def main():
    dpy = x.XOpenDisplay(None)
    if not dpy:
        sys.exit("xwin: cannot open the display")
    if sys.argv[1] == "open":
        w, h = (int(v) for v in sys.argv[2].split("x"))
        root = x.XDefaultRootWindow(dpy)
        if len(sys.argv) > 3:
            win = window_of_visual(dpy, root, w, h, int(sys.argv[3], 0))
        else:
            win = x.XCreateSimpleWindow(dpy, root, 0, 0, w, h, 0, 0, 0)
        x.XMapWindow(dpy, win)
        x.XSync(dpy, 0)
        print("0x%x" % win, flush=True)
        signal.pause()
    else:
        event = ClientMessage(type=33, window=int(sys.argv[2], 0), format=32,
                              message_type=x.XInternAtom(dpy, b"WM_PROTOCOLS", 0))
        event.data[0] = x.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
        x.XSendEvent(dpy, event.window, 0, 0, ctypes.byref(event))
        x.XSync(dpy, 0)


if __name__ == "__main__":
    main()
