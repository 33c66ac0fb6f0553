// The registry: the compositor's globals the saver binds, and their removal while it runs.
#include "wayland/front.h"

#include <cstdio>
#include <cstring>

WaylandFront front;

int fail(const char* text) {
    std::fprintf(stderr, "clackmoor-wayland: %s\n", text);
    return 1;
}

namespace {

void onGlobal(void*, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
    if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
        // Version 3 brings the buffer scale.
        front.compositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, version < 4 ? version : 4));
    } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0) {
        front.layerShell = static_cast<zwlr_layer_shell_v1*>(wl_registry_bind(
            registry, name, &zwlr_layer_shell_v1_interface, version < 4 ? version : 4));
    } else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0) {
        front.wmBase =
            static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
    } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
        addOutput(name, version);
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0) {
        addSeat(name, version);
    }
}

// An output or a seat went (unplugged, switched off); the saver goes on on the others.
void onGlobalRemove(void*, wl_registry*, uint32_t name) {
    if (!removeOutput(name))
        removeSeat(name);
}

void onPing(void*, xdg_wm_base* base, uint32_t serial) {
    xdg_wm_base_pong(base, serial);
}

const xdg_wm_base_listener wmBaseListener = {onPing};

} // namespace

const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

// The globals, then the outputs' modes and scales, then a surface on each.
int findGlobals() {
    front.registry = wl_display_get_registry(front.display);
    wl_registry_add_listener(front.registry, &registryListener, nullptr);
    if (wl_display_roundtrip(front.display) < 0 || wl_display_roundtrip(front.display) < 0)
        return fail("lost the connection to the Wayland display");
    if (front.compositor == nullptr)
        return fail("the Wayland display has no compositor global");
    if (front.layerShell == nullptr && front.wmBase == nullptr)
        return fail("the compositor offers neither layer-shell nor xdg-shell");
    if (front.wmBase != nullptr)
        xdg_wm_base_add_listener(front.wmBase, &wmBaseListener, nullptr);
    front.globalsKnown = true;
    return 0;
}

void closeFront() {
    releaseOutputs();
    releaseSeats();
    stopEgl();
    if (front.layerShell != nullptr)
        zwlr_layer_shell_v1_destroy(front.layerShell);
    if (front.wmBase != nullptr)
        xdg_wm_base_destroy(front.wmBase);
    if (front.compositor != nullptr)
        wl_compositor_destroy(front.compositor);
    if (front.registry != nullptr)
        wl_registry_destroy(front.registry);
    wl_display_flush(front.display);
    wl_display_disconnect(front.display);
    front.layerShell = nullptr;
    front.wmBase = nullptr;
    front.compositor = nullptr;
    front.registry = nullptr;
    front.display = nullptr;
}
