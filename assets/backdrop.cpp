// Texture 1, the backdrop: soft banks of cloud, grey on black, stretched sideways, 1024 × 128.
// A smooth noise field, shaped by a brightness envelope along the width and one bright patch,
// is mapped by rank onto a fixed value distribution: two fifths black, the rest thinning out
// towards 190.
#include <vector>
#include "assets/texgen.h"

namespace {

constexpr int width = 1024;
constexpr int height = 128;

// The field repeats after exactly the width, so the last column runs on into the first like
// any two neighbouring columns: the scroll crosses the wrap without a seam.
constexpr double period = width;

constexpr int blockCount = 16; // 64-column blocks of the envelope

// Target means of the 64-column blocks: dark at 64–319 and 768–895, bright at 384–767 with the
// peak at 640–703; quarters about 18.6, 31.3, 38.7 and 18.1.
constexpr double blockTarget[blockCount] = {30, 12, 15, 17, 15, 26, 30, 54,
                                            28, 36, 59, 32, 8,  10, 20, 34};

// Share of texels per value: 38.9 % zero, then a density falling steadily to 190.
void valueShares(double share[256]) {
    constexpr double density[][2] = {{1, 1.03},    {14.5, 0.86}, {31, 0.80},   {55, 0.58},
                                     {70, 0.40},   {85, 0.25},   {105, 0.135}, {125, 0.08},
                                     {150, 0.024}, {170, 0.006}, {190, 0.0015}};
    constexpr int knots = sizeof density / sizeof density[0];
    double total = 0.0;
    for (int v = 0; v < 256; ++v) {
        share[v] = v >= 1 && v <= 190 ? piecewise(density, knots, v) : 0.0;
        total += share[v];
    }
    for (int v = 1; v < 256; ++v) {
        share[v] *= 0.611 / total;
    }
    share[0] = 0.389;
}

// Cloud noise: four octaves, cells about 2.4 times wider than tall.
double cloud(double column, double row) {
    double sum = 0.0;
    double amplitude = 1.0;
    int cells = 14;         // across the period
    double cellRows = 30.0; // texel rows per cell
    for (int octave = 0; octave < 4; ++octave) {
        double x = column * cells / period;
        double y = row / cellRows;
        sum += amplitude * valueNoise(x, y, cells, 0, 101 + octave);
        amplitude *= 0.65;
        cells *= 2;
        cellRows *= 0.5;
    }
    return sum;
}

// Smooth, periodic interpolation of the block offsets at the block centres.
double envelope(const double offset[blockCount], int column) {
    double position = (column - 31.5) / 64.0;
    int below = position < 0 ? -1 : static_cast<int>(position);
    double f = position - below;
    int a = (below + blockCount) % blockCount;
    int b = (below + 1) % blockCount;
    double smooth = f * f * (3.0 - 2.0 * f);
    return offset[a] + (offset[b] - offset[a]) * smooth;
}

// The bright patch in the top rows around columns 960 to 990.
double patch(int column, int row) {
    double dx = (column - 975.0) / 30.0;
    double dy = (row - 127.0) / 22.0;
    double d = dx * dx + dy * dy;
    return d >= 1.0 ? 0.0 : (1.0 - d) * (1.0 - d);
}

} // namespace

void buildBackdrop(uint8_t* out) {
    double share[256];
    valueShares(share);
    std::vector<double> base(width * height);
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            // Wisps: the cloud is sampled through a gentle, smooth displacement.
            double warpX = 14.0 * valueNoise(column * 24 / period, row / 20.0, 24, 0, 111);
            double warpY = 4.0 * valueNoise(column * 24 / period, row / 20.0, 24, 0, 112);
            base[row * width + column] =
                cloud(column + warpX, row + warpY) + 3.0 * patch(column, row);
        }
    }
    // Nudge the envelope until the blocks carry their target means.
    double offset[blockCount] = {};
    std::vector<double> field(width * height);
    for (int pass = 0; pass < 12; ++pass) {
        for (int row = 0; row < height; ++row) {
            for (int column = 0; column < width; ++column) {
                int i = row * width + column;
                field[i] = base[i] + envelope(offset, column);
            }
        }
        matchHistogram(field, share, out, 1);
        for (int block = 0; block < blockCount; ++block) {
            double sum = 0.0;
            for (int row = 0; row < height; ++row) {
                for (int column = block * 64; column < block * 64 + 64; ++column) {
                    sum += out[row * width + column];
                }
            }
            double mean = sum / (64.0 * height);
            offset[block] += 0.012 * (blockTarget[block] - mean);
        }
    }
}
