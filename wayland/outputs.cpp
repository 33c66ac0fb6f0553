// The outputs and the surface that covers each: the overlay layer of layer-shell above panels
// and windows, or a fullscreen xdg toplevel where the compositor has no layer-shell.
#include "wayland/front.h"

#include <cstring>

namespace {

// --- wl_output ---

void onGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                const char*, int32_t) {}

void onMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
    auto* out = static_cast<OutputSurface*>(data);
    if ((flags & WL_OUTPUT_MODE_CURRENT) == 0)
        return;
    out->modeWidth = width;
    out->modeHeight = height;
}

// A new scale takes effect with the next frame: the buffer is sized anew then.
void onOutputDone(void*, wl_output*) {
    front.canvas.stale = true;
}

void onScale(void* data, wl_output*, int32_t factor) {
    static_cast<OutputSurface*>(data)->scale = factor > 0 ? factor : 1;
}

// Bound at version 3 at most: no name or description events.
const wl_output_listener outputListener = {onGeometry, onMode,  onOutputDone,
                                           onScale,    nullptr, nullptr};

// --- The surface's configure events ---

void takeSize(OutputSurface& out, int32_t width, int32_t height) {
    // A fullscreen toplevel may be told 0 x 0: the output's own size then.
    if (width <= 0 || height <= 0) {
        width = out.modeWidth / out.scale;
        height = out.modeHeight / out.scale;
    }
    if (width != out.width || height != out.height)
        front.canvas.stale = true;
    out.width = width > 0 ? width : 1;
    out.height = height > 0 ? height : 1;
}

// The first configure makes the buffer: the surface is drawn into from the next frame on.
void makeBuffer(OutputSurface& out) {
    out.configured = true;
    if (out.eglWindow != nullptr)
        return;
    out.eglWindow =
        wl_egl_window_create(out.surface, outputPixelWidth(out), outputPixelHeight(out));
    out.eglSurface =
        out.eglWindow == nullptr
            ? EGL_NO_SURFACE
            : eglCreateWindowSurface(front.eglDisplay, front.eglConfig,
                                     reinterpret_cast<EGLNativeWindowType>(out.eglWindow), nullptr);
    if (out.eglSurface == EGL_NO_SURFACE)
        front.failed = true;
    front.canvas.stale = true;
}

void onLayerConfigure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width,
                      uint32_t height) {
    auto* out = static_cast<OutputSurface*>(data);
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    takeSize(*out, static_cast<int32_t>(width), static_cast<int32_t>(height));
    makeBuffer(*out);
}

void dropSurface(OutputSurface& out);

// The compositor took the surface away (its output is going): the output shows nothing more.
void onLayerClosed(void* data, zwlr_layer_surface_v1*) {
    dropSurface(*static_cast<OutputSurface*>(data));
}

const zwlr_layer_surface_v1_listener layerListener = {onLayerConfigure, onLayerClosed};

void onXdgConfigure(void* data, xdg_surface* surface, uint32_t serial) {
    xdg_surface_ack_configure(surface, serial);
    makeBuffer(*static_cast<OutputSurface*>(data));
}

const xdg_surface_listener xdgSurfaceListener = {onXdgConfigure};

void onToplevelConfigure(void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array*) {
    takeSize(*static_cast<OutputSurface*>(data), width, height);
}

// Closed by the user or the compositor: as any input, it ends the saver.
void onToplevelClose(void*, xdg_toplevel*) {
    front.stopRequested = 1;
}

// Bound at version 1: no bounds or capabilities events.
const xdg_toplevel_listener toplevelListener = {onToplevelConfigure, onToplevelClose, nullptr,
                                                nullptr};

void onFrameDone(void* data, wl_callback* callback, uint32_t) {
    wl_callback_destroy(callback);
    static_cast<OutputSurface*>(data)->frameCallback = nullptr;
}

const wl_callback_listener frameListener = {onFrameDone};

// --- Surfaces ---

void coverWithLayer(OutputSurface& out) {
    out.layer = zwlr_layer_shell_v1_get_layer_surface(
        front.layerShell, out.surface, out.output, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "clackmoor");
    zwlr_layer_surface_v1_add_listener(out.layer, &layerListener, &out);
    zwlr_layer_surface_v1_set_anchor(
        out.layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                       ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_size(out.layer, 0, 0);         // the whole output
    zwlr_layer_surface_v1_set_exclusive_zone(out.layer, -1); // over panels too
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        out.layer, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
}

void coverWithToplevel(OutputSurface& out) {
    out.xdgSurface = xdg_wm_base_get_xdg_surface(front.wmBase, out.surface);
    xdg_surface_add_listener(out.xdgSurface, &xdgSurfaceListener, &out);
    out.toplevel = xdg_surface_get_toplevel(out.xdgSurface);
    xdg_toplevel_add_listener(out.toplevel, &toplevelListener, &out);
    xdg_toplevel_set_title(out.toplevel, "Clackmoor");
    xdg_toplevel_set_app_id(out.toplevel, "clackmoor");
    xdg_toplevel_set_fullscreen(out.toplevel, out.output);
}

void coverOutput(OutputSurface& out) {
    out.surface = wl_compositor_create_surface(front.compositor);
    if (front.layerShell != nullptr)
        coverWithLayer(out);
    else
        coverWithToplevel(out);
    wl_surface_commit(out.surface); // no buffer yet: asks for the first configure
}

// Everything made for the output's surface, in reverse order; the output itself stays.
void dropSurface(OutputSurface& out) {
    if (out.frameCallback != nullptr)
        wl_callback_destroy(out.frameCallback);
    if (out.eglSurface != EGL_NO_SURFACE) {
        // Current surfaces are released only when no longer current.
        eglMakeCurrent(front.eglDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, front.eglContext);
        eglDestroySurface(front.eglDisplay, out.eglSurface);
    }
    if (out.eglWindow != nullptr)
        wl_egl_window_destroy(out.eglWindow);
    if (out.layer != nullptr)
        zwlr_layer_surface_v1_destroy(out.layer);
    if (out.toplevel != nullptr)
        xdg_toplevel_destroy(out.toplevel);
    if (out.xdgSurface != nullptr)
        xdg_surface_destroy(out.xdgSurface);
    if (out.surface != nullptr)
        wl_surface_destroy(out.surface);
    out.frameCallback = nullptr;
    out.eglSurface = EGL_NO_SURFACE;
    out.eglWindow = nullptr;
    out.layer = nullptr;
    out.toplevel = nullptr;
    out.xdgSurface = nullptr;
    out.surface = nullptr;
    out.configured = false;
    out.width = out.height = 0;
    front.canvas.stale = true;
}

} // namespace

void addOutput(uint32_t name, uint32_t version) {
    for (OutputSurface& out : front.outputs) {
        if (out.name != 0)
            continue;
        out = OutputSurface{};
        out.name = name;
        out.scale = 1;
        out.eglSurface = EGL_NO_SURFACE;
        // Version 2 brings the scale and the done event; 3 the release request.
        out.output = static_cast<wl_output*>(wl_registry_bind(
            front.registry, name, &wl_output_interface, version < 3 ? version : 3));
        wl_output_add_listener(out.output, &outputListener, &out);
        if (front.globalsKnown)
            coverOutput(out);
        return;
    }
}

bool removeOutput(uint32_t name) {
    for (OutputSurface& out : front.outputs) {
        if (out.name != name || name == 0)
            continue;
        dropSurface(out);
        if (wl_output_get_version(out.output) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
            wl_output_release(out.output);
        else
            wl_output_destroy(out.output);
        out = OutputSurface{};
        out.eglSurface = EGL_NO_SURFACE;
        return true;
    }
    return false;
}

void coverOutputs() {
    for (OutputSurface& out : front.outputs) {
        if (out.name != 0 && out.surface == nullptr)
            coverOutput(out);
    }
}

void releaseOutputs() {
    for (OutputSurface& out : front.outputs)
        removeOutput(out.name);
}

int32_t outputPixelWidth(const OutputSurface& out) {
    return out.width * out.scale;
}

int32_t outputPixelHeight(const OutputSurface& out) {
    return out.height * out.scale;
}

bool outputWantsFrame(const OutputSurface& out) {
    return out.configured && out.eglSurface != EGL_NO_SURFACE && out.frameCallback == nullptr;
}

void askForNextFrame(OutputSurface& out) {
    if (out.frameCallback != nullptr) // drawn unasked (the -shot frame): one callback is enough
        wl_callback_destroy(out.frameCallback);
    out.frameCallback = wl_surface_frame(out.surface);
    wl_callback_add_listener(out.frameCallback, &frameListener, &out);
}
