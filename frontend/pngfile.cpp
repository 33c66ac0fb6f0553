#include "frontend/pngfile.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>

bool writePng(const char* path, const uint8_t* pixels, int width, int height, int channels) {
    stbi_flip_vertically_on_write(1);
    return stbi_write_png(path, width, height, channels, pixels, width * channels) != 0;
}

bool writeBmp(const char* path, const uint8_t* pixels, int width, int height) {
    stbi_flip_vertically_on_write(1);
    return stbi_write_bmp(path, width, height, 3, pixels) != 0;
}
