// The construction rules behind the embedded tables. embed-assets runs them on the build
// machine and writes their output as constant arrays; the tests run them too.
// Portable: no Windows or GL header.
#pragma once
#include <cstdint>
#include "assets/assets.h"

constexpr int postVertexCount = 84;
constexpr int railVertexCount = 168;
constexpr int lugVertexCount = 20;

void buildPostMesh(StandVertex out[postVertexCount]);
void buildRailMesh(StandVertex out[railVertexCount]);
void buildLugMesh(float out[lugVertexCount * 3]); // x, y, z per vertex

// Writes texture 1 to textureCount, textureBytes(name) bytes, the row at t = 0 first.
void buildTexture(int name, uint8_t* out);
