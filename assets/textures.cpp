// The dispatch to the five texture builders.
#include "assets/generate.h"
#include "assets/texgen.h"

void buildTexture(int name, uint8_t* out) {
    switch (name) {
    case 1:
        buildBackdrop(out);
        break;
    case 2:
        buildLattice(out);
        break;
    case 3:
        buildRing(out);
        break;
    case 4:
        buildStand(out);
        break;
    case 5:
        buildBall(out);
        break;
    default:
        break;
    }
}
