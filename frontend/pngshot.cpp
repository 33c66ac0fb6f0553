// The back buffer of the current GL context as a PNG file: the one copy the X11 hack and
// cradle-shot both save their pictures with.
#include "frontend/pngfile.h"

#include <GL/gl.h>

#ifndef GL_SAMPLE_BUFFERS
#define GL_SAMPLE_BUFFERS 0x80A8 // OpenGL 1.3; Windows' gl.h stops at 1.1
#endif

// NOTE: Mesa's software rasterisers read only one sample of a multisampled back buffer, where
// the screen shows them all averaged; a copy into a texture averages them as the screen does.
static void readResolved(uint8_t* pixels, int width, int height) {
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    const GLuint scratch = 100; // clear of the scene's fixed texture names
    glBindTexture(GL_TEXTURE_2D, scratch);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, width, height, 0);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    glDeleteTextures(1, &scratch);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
}

bool saveBackBufferPng(const char* path, int width, int height, uint8_t* pixels) {
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    GLint sampleBuffers = 0;
    glGetIntegerv(GL_SAMPLE_BUFFERS, &sampleBuffers);
    if (sampleBuffers > 0)
        readResolved(pixels, width, height);
    else
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    return writePng(path, pixels, width, height, 3);
}
