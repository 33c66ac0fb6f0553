// Texture 4, the stand, 128 × 128 rgb: warm orange-brown grain like polished wood or bronze.
// Rows run around the posts and rails, so the colour is set mostly by the row, in bands that
// repeat across t = 1; streaks run along the rows (the length of each cylinder).
#include <cmath>
#include <vector>
#include "assets/texgen.h"

namespace {

constexpr int size = 128;

// Mean colour of each 8-row band, from the bottom row up.
constexpr double bandColour[16][3] = {
    {143, 78, 18},  {191, 130, 47}, {199, 156, 83}, {205, 169, 100}, {155, 123, 54}, {102, 77, 29},
    {94, 66, 20},   {58, 36, 12},   {60, 36, 11},   {95, 68, 21},    {109, 84, 34},  {166, 132, 62},
    {203, 168, 99}, {195, 148, 73}, {189, 126, 46}, {130, 70, 16}};

// Value of a per-band table at a fractional row (any row: the bands repeat every 128),
// interpolated between band centres.
double rowColour(const double table[16][3], double row, int channel) {
    double position = (row - 3.5) / 8.0;
    double below = std::floor(position);
    double f = position - below;
    int a = (static_cast<int>(below) % 16 + 16) % 16;
    int b = (a + 1) % 16;
    return table[a][channel] + (table[b][channel] - table[a][channel]) * f;
}

// Brighter towards the middle columns, about 1 on average.
double columnGain(int column) {
    double x = (column + 0.5) / 64.0 - 1.0; // -1 to 1
    double edge = x < 0 ? -x : x;
    return 0.76 + 0.5 * (1.0 - edge);
}

// Rounds to a byte; above 200 values bend smoothly towards 236 instead of clipping, so the
// brightest streaks keep their shape.
uint8_t softByte(double value) {
    constexpr double knee = 200.0, room = 36.0;
    if (value > knee) {
        double over = value - knee;
        value = knee + room * over / (over + room);
    }
    return clampByte(value);
}

// Texel colour before rounding, with the band levels scaled by `level` (per band and channel,
// interpolated like the band colours).
void shadeStand(const double level[16][3], std::vector<double>& colour) {
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            // Swirl: the bands wander up and down by a few rows along the length.
            // The grain also runs slightly aslant, so the two ends of the image do not match
            // (they never meet: s stays within 0 to 1).
            double slant = 3.0 * ((column + 0.5) / 64.0 - 1.0);
            double bend = slant + 1.5 * valueNoise(column / 40.0, row / 32.0, 0, 4, 404);
            // Streaks long along the rows, narrow across them; all the noise repeats after 128
            // rows, so the image wraps around the girth.
            double streak = valueNoise(column / 40.0, (row + bend) / 4.0, 0, 32, 405);
            double fine = valueNoise(column / 2.0, row, 0, 128, 406);
            // Now and then a dark grain line.
            double line = valueNoise(column / 40.0, (row + bend) / 2.0, 0, 64, 407);
            double dark = line < -0.55 ? 1.0 - 2.1 * (-0.55 - line) : 1.0;
            double shade = columnGain(column) * (1.0 + 0.12 * streak + 0.08 * fine) * dark;
            for (int channel = 0; channel < 3; ++channel) {
                double base = rowColour(bandColour, row + bend, channel);
                double scale = rowColour(level, row + bend, channel);
                colour[3 * (row * size + column) + channel] = base * scale * shade;
            }
        }
    }
}

} // namespace

void buildStand(uint8_t* out) {
    // Rescale the bands until each 8-row band has its mean colour after the dark lines and the
    // soft ceiling have taken their share.
    double level[16][3];
    for (auto& band : level) {
        band[0] = band[1] = band[2] = 1.0;
    }
    std::vector<double> colour(size * size * 3);
    for (int pass = 0; pass < 6; ++pass) {
        shadeStand(level, colour);
        for (int i = 0; i < size * size * 3; ++i) {
            out[i] = softByte(colour[i]);
        }
        for (int band = 0; band < 16; ++band) {
            for (int channel = 0; channel < 3; ++channel) {
                double sum = 0.0;
                for (int i = band * 8 * size; i < (band + 1) * 8 * size; ++i) {
                    sum += out[3 * i + channel];
                }
                double mean = sum / (8 * size);
                level[band][channel] *= mean > 1.0 ? bandColour[band][channel] / mean : 1.0;
            }
        }
    }
}
