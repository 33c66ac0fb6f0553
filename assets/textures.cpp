// Sizes and formats of the five textures, and the dispatch to their builders.
#include "assets/generate.h"
#include "assets/texgen.h"

TextureShape textureShape(int name) {
    switch (name) {
    case 1:
        return TextureShape{1024, 128, TexelFormat::alpha, 131072};
    case 2:
        return TextureShape{128, 128, TexelFormat::alpha, 16384};
    case 3:
        return TextureShape{128, 128, TexelFormat::alpha, 16384};
    case 4:
        return TextureShape{128, 128, TexelFormat::rgb, 49152};
    case 5:
        return TextureShape{64, 64, TexelFormat::rgb, 12288};
    default:
        return TextureShape{0, 0, TexelFormat::alpha, 0};
    }
}

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
