// Texture 4, the stand, 128 × 128 rgb: warm orange-brown grain like polished wood or bronze.
// Rows run around the posts and rails, so the colour is set mostly by the row, in bands that
// repeat across t = 1; streaks run along the rows (the length of each cylinder).
#include "assets/texgen.h"

namespace {

constexpr int size = 128;

// Mean colour of each 8-row band, from the bottom row up.
constexpr double bandColour[16][3] = {
    {143, 78, 18},  {191, 130, 47}, {199, 156, 83}, {205, 169, 100}, {155, 123, 54}, {102, 77, 29},
    {94, 66, 20},   {58, 36, 12},   {60, 36, 11},   {95, 68, 21},    {109, 84, 34},  {166, 132, 62},
    {203, 168, 99}, {195, 148, 73}, {189, 126, 46}, {130, 70, 16}};

// Band colour at a (fractional) row, interpolated between band centres and across the wrap.
double rowColour(double row, int channel) {
    double position = (row - 3.5) / 8.0;
    int below = position < 0 ? -1 : static_cast<int>(position);
    double f = position - below;
    int a = (below + 16) % 16;
    int b = (a + 1) % 16;
    return bandColour[a][channel] + (bandColour[b][channel] - bandColour[a][channel]) * f;
}

// Brighter towards the middle columns, about 1 on average.
double columnGain(int column) {
    double x = (column + 0.5) / 64.0 - 1.0; // -1 to 1
    double edge = x < 0 ? -x : x;
    return 0.8 + 0.4 * (1.0 - edge);
}

} // namespace

void buildStand(uint8_t* out) {
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            // Swirl: bend the rows a little before sampling the streaks.
            double bend = 3.0 * valueNoise(column / 24.0, row / 32.0, 0, 4, 404);
            double streak = valueNoise(column / 14.0, (row + bend) / 4.0, 0, 32, 405);
            double shade = columnGain(column) * (1.0 + 0.16 * streak);
            uint8_t* texel = out + 3 * (row * size + column);
            for (int channel = 0; channel < 3; ++channel) {
                texel[channel] = clampByte(rowColour(row + 0.6 * bend, channel) * shade);
            }
        }
    }
}
