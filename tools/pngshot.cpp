// The back buffer of the current GL context as a PNG file: the one copy the X11 hack and
// cradle-shot both save their pictures with.
#include "tools/pngfile.h"

#include <GL/gl.h>

bool saveBackBufferPng(const char* path, int width, int height, uint8_t* pixels) {
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    return writePng(path, pixels, width, height, 3);
}
