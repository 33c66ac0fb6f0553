// What freeglut's static library refers to but the saver never uses, answered here so the
// program imports no WINMM.DLL and carries none of freeglut's unused tables. Linked into
// every program that links the renderer (an object, not an archive member, so the linker has
// these before it reaches freeglut).
#include <windows.h>

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

// NOTE: freeglut's GL2 loader asks glutGetProcAddress, whose table names every GLUT entry
// (the teapot's among them), and its menus draw with the bitmap fonts, so the linker would
// keep all of them: about 500 KB the saver never calls. The saver draws with OpenGL 1.1 and
// makes no GLUT window or menu, so neither path is ever taken; these stand-ins answer in
// their place and the tables stay out of the program.
extern "C" {
void* glutGetProcAddress(const char*) {
    return nullptr;
}
void* fghFontByID(void*) {
    return nullptr;
}
int glutBitmapHeight(void*) {
    return 0;
}
int glutBitmapWidth(void*, int) {
    return 0;
}
int glutBitmapLength(void*, const unsigned char*) {
    return 0;
}
void glutBitmapString(void*, const unsigned char*) {}
}
