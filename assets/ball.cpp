// Texture 5, the ball reflection, 64 × 64 rgb sphere map: a dark steel-blue disc touching all
// four edges, with soft horizontal light streaks and a few small bright highlights; near-black
// outside the disc.
#include <cmath>
#include "assets/texgen.h"

namespace {

constexpr int size = 64;
constexpr double radius = 32.0; // texels

struct Highlight {
    double column, row; // centre, texels from the left and the bottom
    double halfWidth, halfHeight;
    double peak; // added brightness at the centre
};

// The sun's glint and three weaker spots.
constexpr Highlight highlights[] = {
    {40.5, 22.5, 4.4, 4.4, 193.0},
    {43.0, 51.0, 3.6, 2.2, 122.0},
    {19.0, 8.5, 3.6, 2.0, 96.0},
    {20.5, 30.5, 2.0, 2.0, 47.0},
};

double highlightAt(double x, double y) {
    double sum = 0.0;
    for (const Highlight& h : highlights) {
        double dx = (x - h.column) / h.halfWidth;
        double dy = (y - h.row) / h.halfHeight;
        double d = dx * dx + dy * dy;
        if (d < 1.0) {
            sum += h.peak * (1.0 - d) * (1.0 - d);
        }
    }
    return sum;
}

} // namespace

void buildBall(uint8_t* out) {
    constexpr double steel[3] = {31.0, 48.0, 62.0};
    constexpr double white[3] = {1.0, 0.975, 0.93}; // over the blue, a near-white glint
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            double x = column + 0.5;
            double y = row + 0.5;
            double dx = x - radius;
            double dy = y - radius;
            double r = std::sqrt(dx * dx + dy * dy);
            uint8_t* texel = out + 3 * (row * size + column);
            if (r >= radius) {
                for (int channel = 0; channel < 3; ++channel) {
                    texel[channel] = clampByte(0.15 * steel[channel]);
                }
                continue;
            }
            double wave = 1.5 * valueNoise(x / 10.0, y / 10.0, 0, 0, 505);
            double streak = valueNoise(x / 9.0, (y + wave) / 2.5, 0, 0, 506);
            double rim = r > radius - 1.0 ? 0.7 : 1.0;
            double light = highlightAt(x, y);
            for (int channel = 0; channel < 3; ++channel) {
                double value = steel[channel] * (1.0 + 0.3 * streak) * rim + light * white[channel];
                texel[channel] = clampByte(value);
            }
        }
    }
}
