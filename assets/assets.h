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

// The textures' fixed GL names: never generated, never deleted one by one.
enum TextureName : unsigned {
    backdropTexture = 1,
    latticeTexture = 2, // lower floor disc
    ringTexture = 3,    // upper floor disc
    standTexture = 4,
    ballTexture = 5, // the balls' reflection
};
constexpr int textureCount = 5;

struct TextureShape {
    int width;
    int height;
    TexelFormat format;
};
// Size and texel format by name - 1: the one table the generators, the embedding, the
// embedded views and the scene's upload all read.
constexpr TextureShape textureShapes[textureCount] = {
    {1024, 128, TexelFormat::alpha}, {128, 128, TexelFormat::alpha}, {128, 128, TexelFormat::alpha},
    {128, 128, TexelFormat::rgb},    {64, 64, TexelFormat::rgb},
};
// Bytes of texture `name` (1 to textureCount).
constexpr int textureBytes(int name) {
    return textureShapes[name - 1].width * textureShapes[name - 1].height *
           (textureShapes[name - 1].format == TexelFormat::rgb ? 3 : 1);
}

struct TextureView {
    int width;
    int height;
    TexelFormat format;
    const uint8_t* texels; // row at t = 0 first
};

// Textures by their fixed GL name, 1 to textureCount; an empty view for any other number.
TextureView embeddedTexture(int name);
