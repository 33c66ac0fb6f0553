// A multisampled GLX visual for the windows the hack makes itself.
#pragma once
#include <GL/glx.h>
#include <X11/Xlib.h>

// The visual of the first framebuffer configuration with the most samples up to
// preferredSamples that draws double-buffered RGBA with at least 16 colour and 16 depth bits
// into a window; none (the caller keeps the plain visual) where GLX 1.3, GLX_ARB_multisample
// or such a configuration is missing, or where the renderer is a software one. Free with XFree.
XVisualInfo* multisampledVisual(Display* display, int screen);
