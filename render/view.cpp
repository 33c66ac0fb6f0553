// The view layout: one viewport and one perspective per monitor, so each monitor shows the
// whole scene at its own aspect ratio instead of a slice of one picture spanning them all.
#include "render/scene.h"
#include "sim/sim.h"

#include <GL/gl.h>
#include <GL/glu.h>

ViewLayout viewLayout = {1, 1, 1, {{0, 0, 1, 1}}};

ViewLayout layOutViews(ScreenRect window, const ScreenRect* monitors, int32_t monitorCount) {
    ViewLayout layout = {};
    layout.width = window.right - window.left;
    layout.height = window.bottom - window.top;
    for (int32_t i = 0; i < monitorCount && layout.count < maxViewports; ++i) {
        const ScreenRect& m = monitors[i];
        // The part of the monitor the window covers.
        const int32_t left = m.left > window.left ? m.left : window.left;
        const int32_t top = m.top > window.top ? m.top : window.top;
        const int32_t right = m.right < window.right ? m.right : window.right;
        const int32_t bottom = m.bottom < window.bottom ? m.bottom : window.bottom;
        if (right <= left || bottom <= top)
            continue;
        layout.viewports[layout.count++] = {left - window.left, window.bottom - bottom,
                                            right - left, bottom - top};
    }
    if (layout.count == 0)
        layout.viewports[layout.count++] = {0, 0, layout.width, layout.height};
    return layout;
}

void setViewLayout(const ViewLayout& layout) {
    viewLayout = layout;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    resetFrameClock();
}

ViewLayout singleViewLayout(int32_t width, int32_t height) {
    if (height == 0)
        height = 1;
    const ScreenRect whole = {0, 0, width, height};
    return layOutViews(whole, &whole, 1);
}

// The viewport, the scissor and a 45-degree vertical perspective with that viewport's aspect.
void applyView(const Viewport& view) {
    glViewport(view.x, view.y, view.width, view.height);
    glScissor(view.x, view.y, view.width, view.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const int32_t height = view.height == 0 ? 1 : view.height;
    // Near plane 0.1 in single precision, widened.
    gluPerspective(45.0, static_cast<double>(view.width) / static_cast<double>(height),
                   static_cast<double>(0.1f), 100.0);
    glMatrixMode(GL_MODELVIEW);
}
