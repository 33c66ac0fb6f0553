// Textures 2 and 3, the floor discs, 128 × 128 alpha: a faceted patch of light like light through
// cut glass, and a bright disc with rippling rings. Both fade to exactly 0 well inside the
// borders, so the turning squares' edges never show.
#include <cmath>
#include "assets/texgen.h"

namespace {

constexpr int size = 128;
constexpr double centre = 64.0;      // texel corner at the middle of the image
constexpr double outerRadius = 62.0; // texels; nothing beyond

double radiusAt(int column, int row) {
    double dx = column + 0.5 - centre;
    double dy = row + 0.5 - centre;
    return std::sqrt(dx * dx + dy * dy);
}

// Zero from outerRadius outwards and along the borders.
void clearOutside(uint8_t* out) {
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            bool border = row == 0 || column == 0 || row == size - 1 || column == size - 1;
            if (border || radiusAt(column, row) >= outerRadius) {
                out[row * size + column] = 0;
            }
        }
    }
}

double smoothStep(double edge0, double edge1, double x) {
    double f = (x - edge0) / (edge1 - edge0);
    f = f < 0.0 ? 0.0 : (f > 1.0 ? 1.0 : f);
    return f * f * (3.0 - 2.0 * f);
}

// The straight lines that divide the lattice into facets: unit normal and offset, texels.
constexpr int lineCount = 18;
struct FacetLines {
    double nx[lineCount];
    double ny[lineCount];
    double offset[lineCount];
};

FacetLines scatterLines() {
    FacetLines lines{};
    Scatter scatter{0x5EED1A77u};
    for (int i = 0; i < lineCount;) {
        double x = 2.0 * nextUniform(scatter) - 1.0;
        double y = 2.0 * nextUniform(scatter) - 1.0;
        double d = 48.0 * (2.0 * nextUniform(scatter) - 1.0);
        double length = std::sqrt(x * x + y * y);
        if (length < 0.2 || length > 1.0) {
            continue; // keep directions uniform over the circle
        }
        lines.nx[i] = x / length;
        lines.ny[i] = y / length;
        lines.offset[i] = d;
        ++i;
    }
    return lines;
}

// Facet brightness times the dark lines at one texel, about 1 on average.
double facetLight(const FacetLines& lines, double x, double y) {
    uint32_t side = 0;
    double lineMask = 1.0;
    for (int i = 0; i < lineCount; ++i) {
        double distance = lines.nx[i] * x + lines.ny[i] * y - lines.offset[i];
        if (distance > 0.0) {
            side |= 1u << i;
        }
        // Lines about 2.5 texels wide: dark core, soft shoulders.
        double line = 0.25 + 0.75 * smoothStep(0.6, 1.6, std::fabs(distance));
        lineMask = lineMask < line ? lineMask : line;
    }
    // Each facet, named by which side of every line it lies, gets its own level and tilt.
    uint32_t id = latticeHash(static_cast<int>(side), lineCount, 0xFACE7u);
    double level = 0.45 + 1.1 * (id & 0xFFFF) / 65535.0;
    double tiltX = ((id >> 16) & 0xFF) / 255.0 - 0.5;
    double tiltY = ((id >> 24) & 0xFF) / 255.0 - 0.5;
    double tilt = 1.0 + 0.02 * (tiltX * x + tiltY * y);
    return level * tilt * lineMask;
}

} // namespace

void buildLattice(uint8_t* out) {
    // Mean over rings: dim centre, about 90 by radius 8, 86–122 out to 50, half at 52.
    constexpr double profile[][2] = {{0, 38},   {4, 62},  {8, 92},  {12, 98}, {30, 112},
                                     {50, 100}, {52, 58}, {56, 26}, {60, 6},  {62, 0}};
    constexpr int knots = sizeof profile / sizeof profile[0];
    FacetLines lines = scatterLines();
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            double x = column + 0.5 - centre;
            double y = row + 0.5 - centre;
            double light = facetLight(lines, x, y);
            double grain = 1.0 + 0.25 * valueNoise(x / 3.0, y / 3.0, 0, 0, 202);
            double value = piecewise(profile, knots, radiusAt(column, row)) * light * grain;
            out[row * size + column] = clampByte(value);
        }
    }
    clearOutside(out);
}

void buildRing(uint8_t* out) {
    // Ripples from the centre out: dark spot, rings at 4 and 19, plateau 24–40, dip at 45, rim
    // at 47–49, half height at 52.
    constexpr double profile[][2] = {{0, 105},  {2, 160},  {4, 222},    {6, 190},  {8, 163},
                                     {13, 188}, {19, 221}, {21.5, 204}, {24, 212}, {32, 222},
                                     {40, 208}, {45, 186}, {48, 200},   {50, 172}, {52, 106},
                                     {56, 42},  {60, 8},   {62, 0}};
    constexpr int knots = sizeof profile / sizeof profile[0];
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            double x = column + 0.5 - centre;
            double y = row + 0.5 - centre;
            double wobble = 1.2 * valueNoise(x / 9.0, y / 9.0, 0, 0, 303);
            double mottle = 14.0 * valueNoise(x / 3.5, y / 3.5, 0, 0, 304);
            double value = piecewise(profile, knots, radiusAt(column, row) + wobble) + mottle;
            out[row * size + column] = clampByte(value);
        }
    }
    clearOutside(out);
}
