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
    if (name < 1 || name > textureCount)
        return TextureView{0, 0, TexelFormat::alpha, nullptr};
    const TextureShape& shape = textureShapes[name - 1];
    return TextureView{shape.width, shape.height, shape.format, embeddedTexels[name - 1]};
}
