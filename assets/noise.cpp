// Noise and tone helpers for the texture generators. Only +, -, *, / and floor, so the images
// come out the same wherever the generator is built.
#include <algorithm>
#include <cmath>
#include <numeric>
#include "assets/texgen.h"

uint32_t latticeHash(int x, int y, uint32_t seed) {
    uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<uint32_t>(x) * 0x85EBCA6Bu;
    h = (h ^ (h >> 15)) * 0x2C1B3C6Du;
    h ^= static_cast<uint32_t>(y) * 0xC2B2AE35u;
    h = (h ^ (h >> 13)) * 0x297A2D39u;
    h ^= h >> 16;
    return h;
}

double latticeValue(int x, int y, uint32_t seed) {
    return latticeHash(x, y, seed) / 2147483647.5 - 1.0;
}

namespace {

int wrapIndex(int i, int period) {
    if (period <= 0) {
        return i;
    }
    int m = i % period;
    return m < 0 ? m + period : m;
}

double fade(double f) {
    return f * f * f * (f * (f * 6.0 - 15.0) + 10.0);
}

} // namespace

double valueNoise(double x, double y, int periodX, int periodY, uint32_t seed) {
    double fx = std::floor(x);
    double fy = std::floor(y);
    int x0 = static_cast<int>(fx);
    int y0 = static_cast<int>(fy);
    double u = fade(x - fx);
    double v = fade(y - fy);
    int xa = wrapIndex(x0, periodX), xb = wrapIndex(x0 + 1, periodX);
    int ya = wrapIndex(y0, periodY), yb = wrapIndex(y0 + 1, periodY);
    double a = latticeValue(xa, ya, seed), b = latticeValue(xb, ya, seed);
    double c = latticeValue(xa, yb, seed), d = latticeValue(xb, yb, seed);
    double bottom = a + (b - a) * u;
    double top = c + (d - c) * u;
    return bottom + (top - bottom) * v;
}

double nextUniform(Scatter& scatter) {
    // xorshift32
    uint32_t s = scatter.state;
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    scatter.state = s;
    return (s >> 8) / 16777216.0;
}

void matchHistogram(const std::vector<double>& field, const double share[256], uint8_t* out,
                    int stride) {
    int count = static_cast<int>(field.size());
    std::vector<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&field](int a, int b) {
        return field[a] < field[b] || (field[a] == field[b] && a < b);
    });
    double cumulative = 0.0;
    int rank = 0;
    for (int value = 0; value < 256; ++value) {
        cumulative += share[value];
        int end = value == 255 ? count : static_cast<int>(cumulative * count + 0.5);
        for (; rank < end && rank < count; ++rank) {
            out[static_cast<size_t>(order[rank]) * stride] = static_cast<uint8_t>(value);
        }
    }
}

double piecewise(const double (*knots)[2], int count, double x) {
    if (x <= knots[0][0]) {
        return knots[0][1];
    }
    for (int i = 1; i < count; ++i) {
        if (x <= knots[i][0]) {
            double f = (x - knots[i - 1][0]) / (knots[i][0] - knots[i - 1][0]);
            return knots[i - 1][1] + (knots[i][1] - knots[i - 1][1]) * f;
        }
    }
    return knots[count - 1][1];
}

uint8_t clampByte(double value) {
    if (value <= 0.0) {
        return 0;
    }
    if (value >= 255.0) {
        return 255;
    }
    return static_cast<uint8_t>(value + 0.5);
}
