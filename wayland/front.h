// The Wayland front end's one record and the entries its parts call in each other: the
// outputs and their surfaces (outputs.cpp), the seats' input (input.cpp), EGL and the frame's
// canvas (canvas.cpp). main.cpp owns the connection, the loop and the frames.
#pragma once
#include "frontend/framerate.h"
#include "frontend/options.h"
#include "render/scene.h"

#include <EGL/egl.h>
#include <GL/gl.h>
#include <wayland-client.h>
#include <wayland-egl.h>

#include <csignal>
#include <cstdint>

#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

// One output and the surface that covers it. Sizes in surface units unless named pixels.
struct OutputSurface {
    uint32_t name; // the registry's name of the wl_output global; 0: the slot is free
    wl_output* output;
    int32_t scale;                 // wl_output.scale: buffer pixels per surface unit
    int32_t modeWidth, modeHeight; // the current mode, pixels
    wl_surface* surface;           // null until the shell can give it a role
    zwlr_layer_surface_v1* layer;  // on the overlay layer, where layer-shell exists
    xdg_surface* xdgSurface;       // otherwise a fullscreen toplevel
    xdg_toplevel* toplevel;
    wl_egl_window* eglWindow;
    EGLSurface eglSurface;
    int32_t width, height;             // from the last configure; 0 before the first
    int32_t bufferScale;               // what the buffer was last sized for; 0: not yet
    int32_t bufferWidth, bufferHeight; // pixels
    wl_callback* frameCallback;        // the compositor has not yet asked for the next frame
    bool configured;
};

// A wl_seat and the devices it has now.
struct SeatInput {
    uint32_t name; // the registry's name; 0: the slot is free
    wl_seat* seat;
    wl_keyboard* keyboard;
    wl_pointer* pointer;
    wl_touch* touch;
    wl_surface* pointerSurface;    // where the pointer's reference point was taken
    wl_fixed_t pointerX, pointerY; // the reference point, surface units
};

constexpr int32_t maxOutputs = maxViewports;
constexpr int32_t maxSeats = 4;

// The frame is drawn once into an offscreen canvas with one view per shown output side by side,
// then copied to each output's surface: the world moves once a frame, however many outputs.
struct FrameCanvas {
    GLuint framebuffer, colour, depth; // 0 until made
    int32_t width, height;             // pixels
    int32_t left[maxOutputs];          // where each output's view starts, pixels
    bool stale;                        // an output came, went or changed size: lay out anew
};

struct WaylandFront {
    HackOptions options;
    wl_display* display;
    wl_registry* registry;
    wl_compositor* compositor;
    zwlr_layer_shell_v1* layerShell;
    xdg_wm_base* wmBase;
    bool globalsKnown; // the first round trip is over: outputs get surfaces as they come
    OutputSurface outputs[maxOutputs];
    SeatInput seats[maxSeats];
    EGLDisplay eglDisplay;
    EGLConfig eglConfig;
    EGLContext eglContext;
    FrameCanvas canvas;
    bool sceneReady; // initScene has run on the context
    long framesDrawn;
    FrameRateReport frameRate; // -fps
    bool failed;               // a surface or a frame could not be made
    volatile sig_atomic_t stopRequested;
};
extern WaylandFront front;

// --- registry.cpp ---
// Prints "clackmoor-wayland: TEXT"; returns the exit status 1.
int fail(const char* text);
// The globals bound, the outputs' modes and scales known; 0, or 1 with the reason printed.
int findGlobals();
extern const wl_registry_listener registryListener;
// Everything bound and made, in reverse order, and the connection closed.
void closeFront();

// --- outputs.cpp ---
void addOutput(uint32_t name, uint32_t version);
// The global `name` went: its output loses its surface. False when it was no output.
bool removeOutput(uint32_t name);
// Gives every output without one a surface on the overlay layer (or a fullscreen toplevel).
void coverOutputs();
void releaseOutputs();
// Shown pixels of an output: its configured size times its scale.
int32_t outputPixelWidth(const OutputSurface& out);
int32_t outputPixelHeight(const OutputSurface& out);
// Configured, with a buffer, and the compositor has asked for a frame.
bool outputWantsFrame(const OutputSurface& out);
// Before the swap that commits a frame: the compositor answers when it wants the next.
void askForNextFrame(OutputSurface& out);

// --- input.cpp ---
void addSeat(uint32_t name, uint32_t version);
bool removeSeat(uint32_t name);
void releaseSeats();

// --- canvas.cpp ---
// EGL on the connection with desktop OpenGL, its context current without a surface. False
// with the reason printed.
bool startEgl();
// The canvas laid out for the configured outputs and the scene reshaped to it.
bool layOutCanvas();
// Draws into the canvas from here on.
void bindCanvas();
// Copies output `index`'s view into its surface's back buffer, which is then current.
void copyToOutput(int32_t index);
void stopEgl();
