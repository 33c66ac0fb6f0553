// Read-only views of the embedded meshes and textures.
#include "assets/assets.h"
#include "assets/embedded.h"

MeshView postMesh() {
    return MeshView{embeddedPost, sizeof(StandVertex), 84};
}
MeshView railMesh() {
    return MeshView{embeddedRail, sizeof(StandVertex), 168};
}
MeshView lugMesh() {
    return MeshView{embeddedLug, 3 * sizeof(float), 20};
}

TextureView embeddedTexture(int name) {
    switch (name) {
    case 1:
        return TextureView{1024, 128, TexelFormat::alpha, embeddedBackdrop};
    case 2:
        return TextureView{128, 128, TexelFormat::alpha, embeddedLattice};
    case 3:
        return TextureView{128, 128, TexelFormat::alpha, embeddedRing};
    case 4:
        return TextureView{128, 128, TexelFormat::rgb, embeddedStand};
    case 5:
        return TextureView{64, 64, TexelFormat::rgb, embeddedBall};
    default:
        return TextureView{0, 0, TexelFormat::alpha, nullptr};
    }
}
