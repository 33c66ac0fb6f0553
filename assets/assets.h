// The embedded meshes and textures: constant data compiled into the program.
// Portable: no Windows or GL header.
#pragma once
#include <cstdint>

// 32-byte vertex of the post and rail meshes, in the order GL reads it.
struct StandVertex {
    float nx, ny, nz; // unit normal
    float s, t;       // stand texture coordinate
    float x, y, z;    // position, stand coordinates
};
static_assert(sizeof(StandVertex) == 32, "GL strides assume 32-byte records");

struct MeshView {
    const void* records; // first record
    int stride;          // bytes between records
    int count;           // vertices (a multiple of 4: GL_QUADS)
};

MeshView postMesh(); // 84 StandVertex records
MeshView railMesh(); // 168 StandVertex records
MeshView lugMesh();  // 20 positions (3 floats, stride 12)

enum class TexelFormat { alpha, rgb }; // GL_ALPHA or GL_RGB, unsigned bytes

struct TextureView {
    int width;
    int height;
    TexelFormat format;
    const uint8_t* texels; // row at t = 0 first
};

constexpr int textureCount = 5;
// Textures by their fixed GL name, 1 to 5: backdrop, floor lattice, floor ring, stand, ball.
TextureView embeddedTexture(int name);
