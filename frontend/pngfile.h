// PNG files for the front ends and the tools, through stb_image_write (zlib-compressed), and
// BMP files for the installer's pictures.
#pragma once
#include <cstdint>

// Writes width x height pixels of `channels` 8-bit samples (1 grey, 3 RGB), given bottom row
// first as GL and the textures store them, upright. Returns false when it cannot write.
bool writePng(const char* path, const uint8_t* pixels, int width, int height, int channels);
// The same pixels (3 channels, bottom row first) as an uncompressed 24-bit BMP.
bool writeBmp(const char* path, const uint8_t* pixels, int width, int height);
// Reads the back buffer of the current GL context, width x height from the bottom left, into
// `pixels` (width x height x 3 bytes) and writes it as an RGB PNG (pngshot library).
bool saveBackBufferPng(const char* path, int width, int height, uint8_t* pixels);
