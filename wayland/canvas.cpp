// EGL with desktop OpenGL on the Wayland connection, and the frame's canvas: one offscreen
// framebuffer with a view per configured output, side by side, copied into each output's
// surface. The scene core draws once a frame into it, whatever the number of outputs.
#define GL_GLEXT_PROTOTYPES 1
#include "wayland/front.h"

#include <EGL/eglext.h>
#include <GL/glext.h>

#include <cstdio>

namespace {

// The Windows saver's pixel-format request (16 colour bits or more) for the surfaces; the
// canvas carries the depth buffer. No alpha: the compositor would blend the saver with what
// lies beneath it.
// clang-format off
const EGLint surfaceRequest[] = {
    EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
    EGL_RED_SIZE, 5, EGL_GREEN_SIZE, 6, EGL_BLUE_SIZE, 5,
    EGL_NONE};
// clang-format on

bool eglFailed(const char* what) {
    std::fprintf(stderr, "clackmoor-wayland: %s (EGL error 0x%x)\n", what, eglGetError());
    return false;
}

// The first matching configuration without alpha, else the first at all.
bool chooseConfig() {
    EGLConfig configs[64];
    EGLint count = 0;
    if (!eglChooseConfig(front.eglDisplay, surfaceRequest, configs, 64, &count) || count == 0)
        return false;
    front.eglConfig = configs[0];
    for (EGLint i = 0; i < count; ++i) {
        EGLint alpha = 0;
        if (eglGetConfigAttrib(front.eglDisplay, configs[i], EGL_ALPHA_SIZE, &alpha) &&
            alpha == 0) {
            front.eglConfig = configs[i];
            break;
        }
    }
    return true;
}

void deleteCanvas() {
    FrameCanvas& c = front.canvas;
    if (c.framebuffer != 0)
        glDeleteFramebuffers(1, &c.framebuffer);
    if (c.colour != 0)
        glDeleteRenderbuffers(1, &c.colour);
    if (c.depth != 0)
        glDeleteRenderbuffers(1, &c.depth);
    c.framebuffer = c.colour = c.depth = 0;
}

bool makeCanvas(int32_t width, int32_t height) {
    FrameCanvas& c = front.canvas;
    deleteCanvas();
    glGenRenderbuffers(1, &c.colour);
    glBindRenderbuffer(GL_RENDERBUFFER, c.colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB8, width, height);
    glGenRenderbuffers(1, &c.depth);
    glBindRenderbuffer(GL_RENDERBUFFER, c.depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glGenFramebuffers(1, &c.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, c.framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, c.colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, c.depth);
    c.width = width;
    c.height = height;
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

} // namespace

bool startEgl() {
    front.eglDisplay = eglGetPlatformDisplay(EGL_PLATFORM_WAYLAND_KHR, front.display, nullptr);
    if (front.eglDisplay == EGL_NO_DISPLAY || !eglInitialize(front.eglDisplay, nullptr, nullptr))
        return eglFailed("cannot start EGL on the Wayland display");
    // The scene core is OpenGL 1.1: desktop GL, not GLES.
    if (!eglBindAPI(EGL_OPENGL_API))
        return eglFailed("EGL offers no desktop OpenGL");
    if (!chooseConfig())
        return eglFailed("no EGL configuration draws OpenGL into a window");
    front.eglContext = eglCreateContext(front.eglDisplay, front.eglConfig, EGL_NO_CONTEXT, nullptr);
    if (front.eglContext == EGL_NO_CONTEXT)
        return eglFailed("cannot create a GL rendering context");
    // The scene is set up and drawn without a surface: outputs come and go.
    if (!eglMakeCurrent(front.eglDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, front.eglContext))
        return eglFailed("cannot make the GL rendering context current");
    return true;
}

bool layOutCanvas() {
    FrameCanvas& c = front.canvas;
    ScreenRect shown[maxOutputs];
    int32_t count = 0, width = 0, height = 1;
    for (int32_t i = 0; i < maxOutputs; ++i) {
        const OutputSurface& out = front.outputs[i];
        c.left[i] = -1;
        if (!out.configured)
            continue;
        const int32_t w = outputPixelWidth(out), h = outputPixelHeight(out);
        c.left[i] = width;
        shown[count++] = {width, 0, width + w, h};
        width += w;
        height = h > height ? h : height;
    }
    width = width > 0 ? width : 1;
    eglMakeCurrent(front.eglDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, front.eglContext);
    if ((width != c.width || height != c.height || c.framebuffer == 0) &&
        !makeCanvas(width, height)) {
        std::fprintf(stderr, "clackmoor-wayland: cannot make a %dx%d framebuffer\n", width, height);
        return false;
    }
    reshapeScene(count > 0 ? layOutViews({0, 0, width, height}, shown, count)
                           : singleViewLayout(width, height));
    c.stale = false;
    return true;
}

void bindCanvas() {
    glBindFramebuffer(GL_FRAMEBUFFER, front.canvas.framebuffer);
}

void copyToOutput(int32_t index) {
    OutputSurface& out = front.outputs[index];
    const FrameCanvas& c = front.canvas;
    const int32_t w = outputPixelWidth(out), h = outputPixelHeight(out);
    eglMakeCurrent(front.eglDisplay, out.eglSurface, out.eglSurface, front.eglContext);
    // The compositor's frame callbacks pace the frames, not a blocking swap.
    eglSwapInterval(front.eglDisplay, 0);
    if (out.bufferScale != out.scale || out.bufferWidth != w || out.bufferHeight != h) {
        wl_egl_window_resize(out.eglWindow, w, h, 0, 0);
        wl_surface_set_buffer_scale(out.surface, out.scale); // sharp: one pixel per pixel
        out.bufferScale = out.scale;
        out.bufferWidth = w;
        out.bufferHeight = h;
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, c.framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDrawBuffer(GL_BACK);
    // Every view hangs from the canvas's top edge; GL counts rows upwards.
    glBlitFramebuffer(c.left[index], c.height - h, c.left[index] + w, c.height, 0, 0, w, h,
                      GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
}

void stopEgl() {
    if (front.eglDisplay == EGL_NO_DISPLAY)
        return;
    if (front.eglContext != EGL_NO_CONTEXT) {
        eglMakeCurrent(front.eglDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, front.eglContext);
        deleteCanvas();
        eglMakeCurrent(front.eglDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(front.eglDisplay, front.eglContext);
        front.eglContext = EGL_NO_CONTEXT;
    }
    // NOTE: EGL itself is left to the process's end, as the X11 hack leaves its connection:
    // eglTerminate unloads Mesa's driver, which leaves blocks behind that the leak checker
    // then reports with no module to blame.
}
