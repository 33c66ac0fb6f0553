#!/usr/bin/env python3
"""Windows of a test's own, for the X11 front end's tests (Xlib through ctypes).

  xwin.py open WxH     makes and maps a window, prints its id, keeps it until stdin closes
  xwin.py close ID     asks a window to close as a window manager does (WM_DELETE_WINDOW)
"""
import ctypes
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
x.XMapWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                         ctypes.c_void_p]


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
        win = x.XCreateSimpleWindow(dpy, x.XDefaultRootWindow(dpy), 0, 0, w, h, 0, 0, 0)
        x.XMapWindow(dpy, win)
        x.XSync(dpy, 0)
        print("0x%x" % win, flush=True)
        sys.stdin.read()  # the window goes with the connection
    else:
        event = ClientMessage(type=33, window=int(sys.argv[2], 0), format=32,
                              message_type=x.XInternAtom(dpy, b"WM_PROTOCOLS", 0))
        event.data[0] = x.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
        x.XSendEvent(dpy, event.window, 0, 0, ctypes.byref(event))
        x.XSync(dpy, 0)


if __name__ == "__main__":
    main()
