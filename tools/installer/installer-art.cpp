// installer-art: turns a frame of the saver (a cradle-shot PNG) into one of the installer's
// pictures: cuts a rectangle out of it and scales that to the picture's size, averaging the
// pixels each output pixel covers, and writes a 24-bit BMP as NSIS wants it.
//
//   installer-art IN.png X Y W H OUTWxOUTH OUT.bmp
//
// X, Y, W and H are in pixels of IN.png, from its top left corner.
#include "frontend/pngfile.h"
#include "frontend/wholenumber.h"

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#include <stb_image.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct ArtJob {
    const char* in;
    long x, y, w, h;
    long outWidth, outHeight;
    const char* out;
};

// A whole number from low to high, as the job's pixel counts take it.
bool parseLong(const char* text, long low, long high, long& value) {
    unsigned long whole = 0;
    if (!parseWhole(text, static_cast<unsigned long>(low), static_cast<unsigned long>(high), 10,
                    whole))
        return false;
    value = static_cast<long>(whole);
    return true;
}

bool parseJob(int argc, char** argv, ArtJob& job) {
    if (argc != 8)
        return false;
    job.in = argv[1];
    job.out = argv[7];
    const char* x = std::strchr(argv[6], 'x');
    if (x == nullptr || x - argv[6] > 5)
        return false;
    char width[6] = {};
    std::memcpy(width, argv[6], static_cast<size_t>(x - argv[6]));
    return parseLong(argv[2], 0, 8191, job.x) && parseLong(argv[3], 0, 8191, job.y) &&
           parseLong(argv[4], 1, 8192, job.w) && parseLong(argv[5], 1, 8192, job.h) &&
           parseLong(width, 1, 4096, job.outWidth) && parseLong(x + 1, 1, 4096, job.outHeight);
}

// Share of source cell [i, i+1) inside the output cell [a, b), in source pixels.
double overlap(double a, double b, long i) {
    const double lo = a > i ? a : static_cast<double>(i);
    const double hi = b < i + 1 ? b : static_cast<double>(i + 1);
    return hi > lo ? hi - lo : 0.0;
}

// Scales `count` source cells of `in` (stride `inStep` floats between cells, `lines` lines
// `inLine` apart) to `outCount` cells of `out`, each the average of the cells it covers.
void scaleAxis(const float* in, long count, long inStep, long inLine, float* out, long outCount,
               long outStep, long outLine, long lines) {
    const double scale = static_cast<double>(count) / static_cast<double>(outCount);
    for (long line = 0; line < lines; ++line)
        for (long o = 0; o < outCount; ++o) {
            const double a = o * scale, b = (o + 1) * scale;
            for (int c = 0; c < 3; ++c) {
                double sum = 0.0;
                for (long i = static_cast<long>(a); i < count && i < b; ++i)
                    sum += overlap(a, b, i) * in[line * inLine + i * inStep + c];
                out[line * outLine + o * outStep + c] = static_cast<float>(sum / scale);
            }
        }
}

} // namespace

int main(int argc, char** argv) {
    ArtJob job{};
    if (!parseJob(argc, argv, job)) {
        std::fprintf(stderr, "usage: installer-art IN.png X Y W H OUTWxOUTH OUT.bmp\n");
        return 2;
    }
    int width = 0, height = 0, channels = 0;
    stbi_uc* picture = stbi_load(job.in, &width, &height, &channels, 3);
    if (picture == nullptr) {
        std::fprintf(stderr, "installer-art: cannot read %s as a PNG picture\n", job.in);
        return 1;
    }
    if (job.x + job.w > width || job.y + job.h > height) {
        std::fprintf(stderr, "installer-art: the rectangle leaves the %dx%d picture\n", width,
                     height);
        stbi_image_free(picture);
        return 1;
    }
    std::vector<float> cut(static_cast<size_t>(job.w * job.h * 3));
    for (long y = 0; y < job.h; ++y)
        for (long i = 0; i < job.w * 3; ++i)
            cut[static_cast<size_t>(y * job.w * 3 + i)] =
                picture[((job.y + y) * width + job.x) * 3 + i];
    stbi_image_free(picture);

    // Across, then down; the rows end bottom first, as writeBmp takes them.
    const long ow = job.outWidth, oh = job.outHeight;
    std::vector<float> across(static_cast<size_t>(ow * job.h * 3));
    std::vector<float> scaled(static_cast<size_t>(ow * oh * 3));
    scaleAxis(cut.data(), job.w, 3, job.w * 3, across.data(), ow, 3, ow * 3, job.h);
    scaleAxis(across.data(), job.h, ow * 3, 3, scaled.data(), oh, ow * 3, 3, ow);
    std::vector<uint8_t> pixels(scaled.size());
    for (long y = 0; y < oh; ++y)
        for (long i = 0; i < ow * 3; ++i) {
            const float v = scaled[static_cast<size_t>((oh - 1 - y) * ow * 3 + i)] + 0.5f;
            pixels[static_cast<size_t>(y * ow * 3 + i)] = static_cast<uint8_t>(v > 255 ? 255 : v);
        }
    if (!writeBmp(job.out, pixels.data(), static_cast<int>(ow), static_cast<int>(oh))) {
        std::fprintf(stderr, "installer-art: cannot write %s\n", job.out);
        return 1;
    }
    return 0;
}
