// freeglut, used for its solid sphere alone, inside display lists.
#include "render/render.h"

#include <GL/freeglut.h>

void startShapeLibrary() {
    if (glContext.shapesStarted)
        return;
    // No GLUT window or loop is used; glutInit only marks the library as initialised.
    // NOTE: freeglut takes a DISPLAY environment variable for a device name; under Wine,
    // which sets one, it warns on stderr that CreateDC failed. Nothing depends on it.
    char programName[] = "clackmoor";
    char* argv[] = {programName, nullptr};
    int argc = 1;
    glutInit(&argc, argv);
    glContext.shapesStarted = true;
}

// NOTE: freeglut's Windows start-up refers to the multimedia timer and the joystick API of
// WINMM.DLL (timer resolution, its event-loop clock, joystick polling). The saver runs no GLUT
// loop and reads no joystick, so these stand-ins fill the import slots freeglut calls through,
// and the program does not load WINMM.DLL at all.
extern "C" {
static DWORD WINAPI standInTimeGetTime() {
    return GetTickCount();
}
static UINT WINAPI standInTimePeriod(UINT) {
    return 0;
} // TIMERR_NOERROR
static UINT WINAPI standInJoyGetPosEx(UINT, void*) {
    return 167;
} // JOYERR_UNPLUGGED
static UINT WINAPI standInJoyGetDevCaps(UINT_PTR, void*, UINT) {
    return 6;
} // MMSYSERR_NODRIVER

#if defined(__i386__)
#define IMPORT_SLOT(name, argBytes) "__imp__" #name "@" #argBytes
#else
#define IMPORT_SLOT(name, argBytes) "__imp_" #name
#endif
DWORD(WINAPI* timeGetTimeSlot)() __asm__(IMPORT_SLOT(timeGetTime, 0)) = standInTimeGetTime;
UINT(WINAPI* timeBeginPeriodSlot)
(UINT) __asm__(IMPORT_SLOT(timeBeginPeriod, 4)) = standInTimePeriod;
UINT(WINAPI* timeEndPeriodSlot)(UINT) __asm__(IMPORT_SLOT(timeEndPeriod, 4)) = standInTimePeriod;
UINT(WINAPI* joyGetPosExSlot)
(UINT, void*)__asm__(IMPORT_SLOT(joyGetPosEx, 8)) = standInJoyGetPosEx;
UINT(WINAPI* joyGetDevCapsSlot)
(UINT_PTR, void*, UINT) __asm__(IMPORT_SLOT(joyGetDevCapsA, 12)) = standInJoyGetDevCaps;
}
