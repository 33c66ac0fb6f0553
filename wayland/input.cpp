// The seats' keyboards, pointers and touch screens: any key, button, wheel turn or touch ends
// the saver, and so does a pointer travel of more than 4 units, as on Windows. No keyboard
// map is needed: which key it was does not matter.
#include "wayland/front.h"

#include <unistd.h>

#include <cstdlib>

namespace {

// Units of surface-local travel (|dx| + |dy|) from the first position the pointer is seen at.
constexpr int32_t pointerMoveThreshold = 4;

void endOnInput() {
    front.stopRequested = 1;
}

// --- wl_keyboard ---

void onKeymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) {
    close(fd);
}
void onKeyboardEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void onKeyboardLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void onKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t state) {
    if (state == WL_KEYBOARD_KEY_STATE_PRESSED)
        endOnInput();
}
void onModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void onRepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}

const wl_keyboard_listener keyboardListener = {onKeymap, onKeyboardEnter, onKeyboardLeave,
                                               onKey,    onModifiers,     onRepeatInfo};

// --- wl_pointer ---

// The first position seen on a surface is the reference; a travel beyond the threshold from
// it ends the saver. Positions on another output's surface are not comparable: a new start.
void notePointerAt(SeatInput& seat, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
    if (surface != seat.pointerSurface) {
        seat.pointerSurface = surface;
        seat.pointerX = x;
        seat.pointerY = y;
        return;
    }
    const int32_t travel =
        std::abs(wl_fixed_to_int(x - seat.pointerX)) + std::abs(wl_fixed_to_int(y - seat.pointerY));
    if (travel > pointerMoveThreshold)
        endOnInput();
}

void onPointerEnter(void* data, wl_pointer* pointer, uint32_t serial, wl_surface* surface,
                    wl_fixed_t x, wl_fixed_t y) {
    wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0); // no cursor over the saver
    notePointerAt(*static_cast<SeatInput*>(data), surface, x, y);
}
void onPointerLeave(void*, wl_pointer*, uint32_t, wl_surface*) {}
void onMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
    auto* seat = static_cast<SeatInput*>(data);
    notePointerAt(*seat, seat->pointerSurface, x, y);
}
void onButton(void*, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t state) {
    if (state == WL_POINTER_BUTTON_STATE_PRESSED)
        endOnInput();
}
void onAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {
    endOnInput();
}
void onPointerFrame(void*, wl_pointer*) {}
void onAxisSource(void*, wl_pointer*, uint32_t) {}
void onAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
void onAxisDiscrete(void*, wl_pointer*, uint32_t, int32_t) {
    endOnInput();
}

const wl_pointer_listener pointerListener = {
    onPointerEnter, onPointerLeave, onMotion,   onButton,       onAxis,
    onPointerFrame, onAxisSource,   onAxisStop, onAxisDiscrete, nullptr};

// --- wl_touch ---

void onTouchDown(void*, wl_touch*, uint32_t, uint32_t, wl_surface*, int32_t, wl_fixed_t,
                 wl_fixed_t) {
    endOnInput();
}
void onTouchUp(void*, wl_touch*, uint32_t, uint32_t, int32_t) {}
void onTouchMotion(void*, wl_touch*, uint32_t, int32_t, wl_fixed_t, wl_fixed_t) {}
void onTouchFrame(void*, wl_touch*) {}
void onTouchCancel(void*, wl_touch*) {}

const wl_touch_listener touchListener = {onTouchDown,   onTouchUp, onTouchMotion, onTouchFrame,
                                         onTouchCancel, nullptr,   nullptr};

// --- wl_seat ---

// Devices come and go with the seat's capabilities.
void onCapabilities(void* data, wl_seat* seat, uint32_t capabilities) {
    auto* in = static_cast<SeatInput*>(data);
    const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
    const bool touch = (capabilities & WL_SEAT_CAPABILITY_TOUCH) != 0;
    if (keyboard && in->keyboard == nullptr) {
        in->keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(in->keyboard, &keyboardListener, in);
    } else if (!keyboard && in->keyboard != nullptr) {
        wl_keyboard_release(in->keyboard);
        in->keyboard = nullptr;
    }
    if (pointer && in->pointer == nullptr) {
        in->pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(in->pointer, &pointerListener, in);
    } else if (!pointer && in->pointer != nullptr) {
        wl_pointer_release(in->pointer);
        in->pointer = nullptr;
        in->pointerSurface = nullptr;
    }
    if (touch && in->touch == nullptr) {
        in->touch = wl_seat_get_touch(seat);
        wl_touch_add_listener(in->touch, &touchListener, in);
    } else if (!touch && in->touch != nullptr) {
        wl_touch_release(in->touch);
        in->touch = nullptr;
    }
}

void onSeatName(void*, wl_seat*, const char*) {}

const wl_seat_listener seatListener = {onCapabilities, onSeatName};

} // namespace

void addSeat(uint32_t name, uint32_t version) {
    for (SeatInput& in : front.seats) {
        if (in.name != 0)
            continue;
        in = SeatInput{};
        in.name = name;
        // Version 3 brings the devices' release requests; 5 the pointer's wheel details.
        in.seat = static_cast<wl_seat*>(
            wl_registry_bind(front.registry, name, &wl_seat_interface, version < 5 ? version : 5));
        wl_seat_add_listener(in.seat, &seatListener, &in);
        return;
    }
}

bool removeSeat(uint32_t name) {
    for (SeatInput& in : front.seats) {
        if (in.name != name || name == 0)
            continue;
        onCapabilities(&in, in.seat, 0);
        if (wl_seat_get_version(in.seat) >= WL_SEAT_RELEASE_SINCE_VERSION)
            wl_seat_release(in.seat);
        else
            wl_seat_destroy(in.seat);
        in = SeatInput{};
        return true;
    }
    return false;
}

void releaseSeats() {
    for (SeatInput& in : front.seats)
        removeSeat(in.name);
}
