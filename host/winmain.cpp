// The process entry of clackmoor.scr: everything, the command line included, is hostMain's.
#include "host/host.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    hostMain();
}
