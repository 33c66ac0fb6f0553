// freeglut, used for its solid sphere alone, inside display lists.
#include "render/scene.h"

#include <GL/freeglut.h>

SceneCore sceneCore;

void startShapeLibrary() {
    if (sceneCore.shapesStarted)
        return;
    // No GLUT window or loop is used; glutInit only marks the library as initialised.
    // NOTE: freeglut takes a DISPLAY environment variable for a device name; under Wine,
    // which sets one, it warns on stderr that CreateDC failed. Nothing depends on it.
    char programName[] = "clackmoor";
    char* argv[] = {programName, nullptr};
    int argc = 1;
    glutInit(&argc, argv);
    sceneCore.shapesStarted = true;
}
