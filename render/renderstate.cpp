// The render state every frame relies on, set once after the context is made.
#include "render/scene.h"

#include <GL/gl.h>

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
