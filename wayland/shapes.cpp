// freeglut's start on a desktop that may have no X server.
// NOTE: Debian's freeglut is built for X11 alone: its glutInit opens an X display and ends the
// process without one, and a Wayland desktop need not run Xwayland. The scene core asks
// freeglut only for glutSolidSphere inside display lists, which draws with plain GL on the
// current context and needs no display; it merely complains when glutInit was not called.
// So this program answers the core's glutInit itself and hears that complaint, and only that,
// without ending.
#include <GL/freeglut.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void onFreeglutError(const char* format, va_list arguments) {
    if (std::strstr(format, "without first calling 'glutInit'") != nullptr)
        return;
    std::fputs("clackmoor-wayland: freeglut: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
    std::exit(1); // as freeglut itself ends on an error
}

} // namespace

extern "C" void glutInit(int*, char**) {
    glutInitErrorFunc(onFreeglutError);
}
