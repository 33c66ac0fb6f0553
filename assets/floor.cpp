// Textures 2 and 3, the floor discs, 128 × 128 alpha: a faceted patch of light like light through
// cut glass, and a bright disc with rippling rings. Both fade to exactly 0 well inside the
// borders, so the turning squares' edges never show.
#include <cmath>
#include <algorithm>
#include <vector>
#include "assets/texgen.h"

namespace {

constexpr int size = 128;
constexpr double centre = 64.0;      // texel corner at the middle of the image
constexpr double outerRadius = 62.0; // texels; nothing from here out

double radiusAt(int column, int row) {
    double dx = column + 0.5 - centre;
    double dy = row + 0.5 - centre;
    return std::sqrt(dx * dx + dy * dy);
}

double smoothStep(double edge0, double edge1, double x) {
    double f = (x - edge0) / (edge1 - edge0);
    f = f < 0.0 ? 0.0 : (f > 1.0 ? 1.0 : f);
    return f * f * (3.0 - 2.0 * f);
}

// Rounds to bytes; above `knee` values bend smoothly towards `ceiling` instead of clipping.
uint8_t softByte(double value, double knee, double ceiling) {
    if (value > knee) {
        double room = ceiling - knee;
        double over = value - knee;
        value = knee + room * over / (over + room);
    }
    return clampByte(value);
}

// Fraction of a full turn from +x to (x, y), 0 to 1; arctangent by the polynomial of
// Abramowitz and Stegun 4.4.49 (error 1e-5 rad), so no library function is needed.
double turnFraction(double x, double y) {
    double ax = std::fabs(x), ay = std::fabs(y);
    if (ax == 0.0 && ay == 0.0) {
        return 0.0;
    }
    double z = ax > ay ? ay / ax : ax / ay;
    double z2 = z * z;
    double a =
        z * (0.9998660 + z2 * (-0.3302995 + z2 * (0.1801410 + z2 * (-0.0851330 + z2 * 0.0208351))));
    constexpr double halfPi = 1.57079632679489662;
    if (ay > ax) {
        a = halfPi - a;
    }
    if (x < 0.0) {
        a = 2.0 * halfPi - a;
    }
    if (y < 0.0) {
        a = 4.0 * halfPi - a;
    }
    return a / (4.0 * halfPi);
}

// Scales a field so that its mean over every ring about the centre follows `profile`
// (knots of radius and mean), then writes it. The rings are one texel wide; each ring's mean is
// taken over `spread` rings either side as well, so that the scaling leaves no rings of its own
// in a field that has none.
void writeWithProfile(const std::vector<double>& field, const double (*profile)[2], int knots,
                      int spread, double knee, double ceiling, uint8_t* out) {
    constexpr int rings = 64;
    double ringSum[rings] = {}, ringCount[rings] = {};
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            int ring = static_cast<int>(radiusAt(column, row));
            if (ring < rings) {
                ringSum[ring] += field[row * size + column];
                ringCount[ring] += 1.0;
            }
        }
    }
    double sum[rings] = {}, count[rings] = {};
    for (int ring = 0; ring < rings; ++ring) {
        for (int other = ring - spread; other <= ring + spread; ++other) {
            if (other >= 0 && other < rings) {
                double weight = spread + 1 - (other > ring ? other - ring : ring - other);
                sum[ring] += weight * ringSum[other];
                count[ring] += weight * ringCount[other];
            }
        }
    }
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            double r = radiusAt(column, row);
            bool border = row == 0 || column == 0 || row == size - 1 || column == size - 1;
            double value = 0.0;
            if (!border && r < outerRadius) {
                // ring means interpolated between ring centres, so no ring edge shows
                double position = r - 0.5 < 0.0 ? 0.0 : r - 0.5;
                int inner = static_cast<int>(position);
                int outer = inner + 1 < rings ? inner + 1 : inner;
                double f = position - inner;
                double ringMean =
                    (1.0 - f) * sum[inner] / count[inner] + f * sum[outer] / count[outer];
                value = piecewise(profile, knots, r) * field[row * size + column] / ringMean;
            }
            out[row * size + column] = softByte(value, knee, ceiling);
        }
    }
}

// Writes the lattice, tilting the field until its brightness centroid sits on the centre: a
// few bright facets on one side would otherwise pull it off by several texels.
void balanceCentroid(std::vector<double>& field, const double (*profile)[2], int knots,
                     uint8_t* out) {
    for (int pass = 0; pass < 4; ++pass) {
        writeWithProfile(field, profile, knots, 3, 225.0, 248.0, out);
        double sum = 0.0, sx = 0.0, sy = 0.0;
        for (int row = 0; row < size; ++row) {
            for (int column = 0; column < size; ++column) {
                double v = out[row * size + column];
                sum += v;
                sx += v * (column + 0.5 - centre);
                sy += v * (row + 0.5 - centre);
            }
        }
        double offX = sx / sum, offY = sy / sum; // texels
        for (int row = 0; row < size; ++row) {
            for (int column = 0; column < size; ++column) {
                double x = column + 0.5 - centre, y = row + 0.5 - centre;
                double tilt = 1.0 - 0.0008 * (offX * x + offY * y);
                field[row * size + column] *= tilt > 0.5 ? tilt : 0.5;
            }
        }
    }
}

// The straight lines that divide the lattice into facets: unit normal and offset, texels.
constexpr int lineCount = 13;
struct FacetLines {
    double nx[lineCount];
    double ny[lineCount];
    double offset[lineCount];
};

// Directions and offsets spread evenly, with some jitter, so that the lines cross in many
// directions and no part of the patch is left as one big facet.
FacetLines scatterLines() {
    // Sixteen directions 180° / 16 apart, the step found by halving 90° three times (no
    // library sine).
    double c = 0.0, s = 1.0;
    for (int half = 0; half < 3; ++half) {
        s = std::sqrt((1.0 - c) / 2.0);
        c = std::sqrt((1.0 + c) / 2.0);
    }
    double dx[16], dy[16];
    dx[0] = 1.0;
    dy[0] = 0.0;
    for (int d = 1; d < 16; ++d) {
        dx[d] = dx[d - 1] * c - dy[d - 1] * s;
        dy[d] = dx[d - 1] * s + dy[d - 1] * c;
    }
    FacetLines lines{};
    Scatter scatter{0x5EED1A78u};
    for (int i = 0; i < lineCount; ++i) {
        int d = i * 16 / lineCount;
        // jitter each direction by up to a third of the step
        double j = (nextUniform(scatter) - 0.5) * 0.13;
        double length = std::sqrt(1.0 + j * j);
        double stratum = (i * 7 % lineCount + nextUniform(scatter)) / lineCount;
        lines.nx[i] = (dx[d] - j * dy[d]) / length;
        lines.ny[i] = (dy[d] + j * dx[d]) / length;
        lines.offset[i] = 50.0 * (2.0 * stratum - 1.0);
    }
    return lines;
}

// Facet brightness times the dark lines at one texel, about 1 on average.
double facetLight(const FacetLines& lines, double x, double y) {
    uint32_t side = 0;
    double lineMask = 1.0;
    double glint = 0.0;
    for (int i = 0; i < lineCount; ++i) {
        double distance = lines.nx[i] * x + lines.ny[i] * y - lines.offset[i];
        if (distance > 0.0) {
            side |= 1u << i;
        }
        // Lines about 2 texels wide: a dark core with soft shoulders, and a thin glint of
        // light along one side, as where a cut edge bends the light.
        double a = std::fabs(distance);
        double line = 0.1 + 0.9 * smoothStep(0.2, 1.0, a);
        lineMask = lineMask < line ? lineMask : line;
        if (distance > 1.0 && distance < 3.0) {
            double t = (distance - 2.0) / 1.0;
            glint += 0.3 * (1.0 - t * t);
        }
    }
    // Each facet, named by which side of every line it lies, gets its own level and tilt,
    // like a cut face catching the light.
    uint32_t id = latticeHash(static_cast<int>(side), lineCount, 0xFACE7u);
    double u = (id & 0xFFFF) / 65535.0;
    double level = 0.35 + 1.1 * u * std::sqrt(u); // mostly moderate, a few bright faces
    double tiltX = ((id >> 16) & 0xFF) / 255.0 - 0.5;
    double tiltY = ((id >> 24) & 0xFF) / 255.0 - 0.5;
    double tilt = 1.0 + 0.05 * (tiltX * x + tiltY * y);
    return (level * (tilt > 0.2 ? tilt : 0.2) + glint) * lineMask;
}

} // namespace

void buildLattice(uint8_t* out) {
    // Mean over rings: dim centre, about 90 by radius 8, 86–122 out to 50, half at 52.
    constexpr double profile[][2] = {{0, 36},  {4, 62},  {8, 90},  {12, 96}, {30, 106}, {46, 100},
                                     {50, 90}, {52, 56}, {55, 32}, {58, 14}, {61, 0}};
    constexpr int knots = sizeof profile / sizeof profile[0];
    FacetLines lines = scatterLines();
    std::vector<double> field(size * size);
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            double x = column + 0.5 - centre;
            double y = row + 0.5 - centre;
            double grain = 1.0 + 0.08 * valueNoise(x / 3.0, y / 3.0, 0, 0, 202);
            field[row * size + column] = facetLight(lines, x, y) * grain;
        }
    }
    balanceCentroid(field, profile, knots, out);
    // The field is laid out from the top row down; stored rows start at t = 0 (the bottom),
    // so the picture is turned over to stand as described.
    for (int row = 0; row < size / 2; ++row) {
        std::swap_ranges(out + row * size, out + (row + 1) * size, out + (size - 1 - row) * size);
    }
}

void buildRing(uint8_t* out) {
    // Ripples from the centre out: dark spot, rings at 4 and 19, plateau 24–40, dip at 45, rim
    // at 47–49, half height at 52.
    constexpr double profile[][2] = {
        {0, 96},     {1.5, 118}, {4, 230},  {6, 195},  {8, 165},  {13, 192}, {19, 228},
        {21.5, 208}, {24, 214},  {32, 226}, {40, 211}, {45, 188}, {47, 202}, {48.2, 200},
        {49.2, 140}, {50, 120},  {52, 105}, {54, 60},  {56, 25},  {57.5, 8}, {59, 0}};
    constexpr int knots = sizeof profile / sizeof profile[0];
    std::vector<double> field(size * size);
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            double x = column + 0.5 - centre;
            double y = row + 0.5 - centre;
            // Rings a little out of round; a fill of short ripple arcs, long around the
            // centre and narrow across, over a fainter mottle.
            double wobble = 2.0 * valueNoise(x / 10.0, y / 10.0, 0, 0, 303);
            double r = radiusAt(column, row);
            double around = turnFraction(x, y) * 40.0; // 40 cells around the circle
            double ripple =
                0.2 * smoothStep(4.0, 14.0, r) * valueNoise(around, r / 1.7, 40, 0, 304);
            double mottle = 0.1 * valueNoise(x / 3.0, y / 3.0, 0, 0, 305);
            field[row * size + column] = piecewise(profile, knots, r + wobble) /
                                         piecewise(profile, knots, r < 56 ? r : 56) *
                                         (1.0 + ripple + mottle);
        }
    }
    writeWithProfile(field, profile, knots, 0, 228.0, 252.0, out);
}
