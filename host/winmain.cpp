// The process entry of clackmoor.scr: everything, the command line included, is hostMain's.
#include "host/host.h"

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    hostMain();
}

// NOTE: the C++ runtime's default terminate handler prints the active exception's demangled
// type, which links its whole demangler (about 45 KB). The saver throws nothing; should the
// runtime ever terminate, ending at once is all that is wanted.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    abort();
}
} // namespace __gnu_cxx
