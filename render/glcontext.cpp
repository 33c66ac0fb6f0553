// The GL context on the saver window and the render state every frame relies on.
#include "render/render.h"
#include "sim/sim.h"

#include <GL/gl.h>
#include <GL/glu.h>

GLContextHandles glContext;

const PIXELFORMATDESCRIPTOR saverPixelFormat = {
    sizeof(PIXELFORMATDESCRIPTOR),
    1,
    PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER,
    PFD_TYPE_RGBA,
    16, // colour bits
    0,
    0,
    0,
    0,
    0,
    0, // red, green, blue bits and shifts: the platform's choice
    0,
    0, // no alpha planes
    0,
    0,
    0,
    0,
    0,  // no accumulation buffer
    16, // depth bits
    0,  // no stencil
    0,  // no auxiliary buffers
    PFD_MAIN_PLANE,
    0,
    0,
    0,
    0,
};

static bool failGLContext(const char* text) {
    MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR);
    PostQuitMessage(0);
    return false;
}

bool createGLContext(HWND window) {
    glContext.deviceContext = GetDC(window);
    int format = ChoosePixelFormat(glContext.deviceContext, &saverPixelFormat);
    if (format == 0)
        return failGLContext("Can't Find A Suitable PixelFormat.");
    if (!SetPixelFormat(glContext.deviceContext, format, &saverPixelFormat))
        return failGLContext("Can't Set The PixelFormat.");
    glContext.renderingContext = wglCreateContext(glContext.deviceContext);
    if (glContext.renderingContext == nullptr)
        return failGLContext("Can't Create A GL Rendering Context.");
    if (!wglMakeCurrent(glContext.deviceContext, glContext.renderingContext))
        return failGLContext("Can't activate GLRC.");
    return true;
}

void resizeView(int32_t width, int32_t height) {
    if (height == 0)
        height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // 45 degrees vertically; near plane is 0.1 in single precision, widened.
    gluPerspective(45.0, static_cast<double>(width) / static_cast<double>(height),
                   static_cast<double>(0.1f), 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    resetFrameClock();
}

void setBaseRenderState() {
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

void setSceneRenderState() {
    uploadTextures();
    glEnable(GL_TEXTURE_2D);
    // Additive: the translucent parts add colour x alpha; switched on per part by the frame.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    // Culling itself is switched on only by the ball list.
    glCullFace(GL_BACK);
    const GLfloat fogColour[4] = {0.2f, 0.5f, 0.3f, 1.0f};
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogfv(GL_FOG_COLOR, fogColour);
    glFogf(GL_FOG_DENSITY, 1.5f);
    glHint(GL_FOG_HINT, GL_FASTEST);
    glFogf(GL_FOG_START, 1.0f); // eye-space distances, scene units
    glFogf(GL_FOG_END, 19.0f);
    glEnable(GL_FOG);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
}

void releaseGLContext(HWND window) {
    glContext.sceneReady = false;
    wglMakeCurrent(nullptr, nullptr);
    if (glContext.renderingContext != nullptr) {
        wglDeleteContext(glContext.renderingContext);
        glContext.renderingContext = nullptr;
    }
    if (glContext.deviceContext != nullptr) {
        ReleaseDC(window, glContext.deviceContext);
        glContext.deviceContext = nullptr;
    }
}
