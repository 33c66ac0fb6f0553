// The five embedded textures measured against what each must show. Every check prints its
// measurement; tolerances are stated with the reason they are that wide.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>
#include <gtest/gtest.h>
#include "assets/assets.h"

namespace {

// Prints a measurement and checks it lies in [low, high].
void expectWithin(const char* what, double measured, double low, double high) {
    std::printf("  %-44s %9.3f   [%g, %g]\n", what, measured, low, high);
    EXPECT_GE(measured, low) << what;
    EXPECT_LE(measured, high) << what;
}

// One channel of an image as doubles, indexed [row * width + column], row 0 at t = 0.
struct Plane {
    int width;
    int height;
    std::vector<double> values;
    double at(int column, int row) const { return values[row * width + column]; }
};

// Channel 0 to 2 of an rgb image, or the alpha; channel -1 is the brightness (r + g + b) / 3.
Plane plane(int name, int channel) {
    TextureView view = embeddedTexture(name);
    int channels = view.format == TexelFormat::rgb ? 3 : 1;
    Plane p{view.width, view.height, std::vector<double>(view.width * view.height)};
    for (int i = 0; i < view.width * view.height; ++i) {
        const uint8_t* texel = view.texels + i * channels;
        p.values[i] = channel >= 0 ? texel[channel] : (texel[0] + texel[1] + texel[2]) / 3.0;
    }
    return p;
}

double mean(const std::vector<double>& v) {
    double sum = 0.0;
    for (double x : v) {
        sum += x;
    }
    return v.empty() ? 0.0 : sum / v.size();
}

double standardDeviation(const std::vector<double>& v) {
    double m = mean(v), sum = 0.0;
    for (double x : v) {
        sum += (x - m) * (x - m);
    }
    return v.empty() ? 0.0 : std::sqrt(sum / v.size());
}

// Pearson correlation of texel pairs a lag apart, optionally limited to a mask.
double correlation(const Plane& p, int dx, int dy, bool wrapX,
                   bool (*inside)(const Plane&, int, int) = nullptr) {
    std::vector<double> a, b;
    for (int row = 0; row + dy < p.height; ++row) {
        for (int column = 0; column < p.width; ++column) {
            int other = column + dx;
            if (other >= p.width) {
                if (!wrapX) {
                    continue;
                }
                other -= p.width;
            }
            if (inside && !(inside(p, column, row) && inside(p, other, row + dy))) {
                continue;
            }
            a.push_back(p.at(column, row));
            b.push_back(p.at(other, row + dy));
        }
    }
    double ma = mean(a), mb = mean(b), sab = 0, saa = 0, sbb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        sab += (a[i] - ma) * (b[i] - mb);
        saa += (a[i] - ma) * (a[i] - ma);
        sbb += (b[i] - mb) * (b[i] - mb);
    }
    return sab / std::sqrt(saa * sbb);
}

// Mean absolute difference between two columns (or two rows).
double columnDifference(const Plane& p, int a, int b) {
    double sum = 0.0;
    for (int row = 0; row < p.height; ++row) {
        sum += std::fabs(p.at(a, row) - p.at(b, row));
    }
    return sum / p.height;
}

double rowDifference(const Plane& p, int a, int b) {
    double sum = 0.0;
    for (int column = 0; column < p.width; ++column) {
        sum += std::fabs(p.at(column, a) - p.at(column, b));
    }
    return sum / p.width;
}

double boxMean(const Plane& p, int column0, int column1, int row0, int row1) {
    double sum = 0.0;
    for (int row = row0; row <= row1; ++row) {
        for (int column = column0; column <= column1; ++column) {
            sum += p.at(column, row);
        }
    }
    return sum / ((column1 - column0 + 1) * (row1 - row0 + 1));
}

double boxMax(const Plane& p, int column0, int column1, int row0, int row1) {
    double best = 0.0;
    for (int row = row0; row <= row1; ++row) {
        for (int column = column0; column <= column1; ++column) {
            best = std::max(best, p.at(column, row));
        }
    }
    return best;
}

// Distance of a texel centre from a point in texel corners.
double radius(int column, int row, double centre) {
    double dx = column + 0.5 - centre, dy = row + 0.5 - centre;
    return std::sqrt(dx * dx + dy * dy);
}

// Values on the ring of texel centres with r in [r0, r1).
std::vector<double> ring(const Plane& p, double centre, double r0, double r1) {
    std::vector<double> v;
    for (int row = 0; row < p.height; ++row) {
        for (int column = 0; column < p.width; ++column) {
            double r = radius(column, row, centre);
            if (r >= r0 && r < r1) {
                v.push_back(p.at(column, row));
            }
        }
    }
    return v;
}

double share(const std::vector<double>& v, double low, double high) {
    double n = 0;
    for (double x : v) {
        n += x >= low && x <= high;
    }
    return 100.0 * n / v.size();
}

// --- texture 1, the backdrop ---

TEST(Backdrop, ValueDistribution) {
    const Plane p = plane(1, 0);
    // The value shares are imposed by rank, so they are met to a tenth of a percent; the bounds
    // allow the quoted figures' own rounding.
    expectWithin("mean", mean(p.values), 25.7, 27.7);
    expectWithin("max", *std::max_element(p.values.begin(), p.values.end()), 180, 200);
    expectWithin("% exactly 0", share(p.values, 0, 0), 38.4, 39.4);
    expectWithin("% below 32", share(p.values, 0, 31), 64.5, 67.5);
    expectWithin("% 128 or more", share(p.values, 128, 255), 1.1, 1.7);
    expectWithin("% 10 to 19", share(p.values, 10, 19), 7.9, 9.1);
    expectWithin("% 50 to 59", share(p.values, 50, 59), 5.2, 6.4);
    expectWithin("% 80 to 89", share(p.values, 80, 89), 2.1, 2.9);
    expectWithin("% 120 to 129", share(p.values, 120, 129), 0.6, 1.0);
    expectWithin("% above 170", share(p.values, 171, 255), 0.0, 0.1);
}

TEST(Backdrop, SoftFeaturesWiderThanTall) {
    const Plane p = plane(1, 0);
    // Correlation one half at about 32 texels across and 12 up: +-0.1 is a shift of the half
    // point by roughly a fifth of the length.
    expectWithin("correlation 32 columns apart", correlation(p, 32, 0, true), 0.4, 0.6);
    expectWithin("correlation 12 rows apart", correlation(p, 0, 12, false), 0.4, 0.6);
    double neighbours = 0.0, four = 0.0, five = 0.0, far = 0.0;
    for (int c = 0; c < 1000; ++c) {
        neighbours += columnDifference(p, c, c + 1) / 1000;
        four += columnDifference(p, c, c + 4) / 1000;
        five += columnDifference(p, c, c + 5) / 1000;
    }
    for (int c = 0; c < 512; ++c) {
        far += columnDifference(p, c, c + 512) / 512;
    }
    // No hard edges: neighbouring columns differ by 1.6 on average, growing smoothly with the
    // distance (6.1 and 7.5 four and five apart), to about 37 between unrelated columns.
    expectWithin("column difference, neighbours", neighbours, 1.0, 2.4);
    expectWithin("column difference, 4 apart", four, 4.6, 7.6);
    expectWithin("column difference, 5 apart", five, 5.8, 9.2);
    expectWithin("column difference, 512 apart", far, 28, 46);
}

TEST(Backdrop, WrapsAcrossTheSeamOnly) {
    const Plane p = plane(1, 0);
    // The last column runs on into the first like columns four or five apart (6.9).
    expectWithin("column difference, 1023 to 0", columnDifference(p, 1023, 0), 4.0, 9.5);
    // It need not tile vertically: top and bottom rows differ by about 56.
    expectWithin("row difference, 127 to 0", rowDifference(p, 127, 0), 30, 80);
}

TEST(Backdrop, BandsAcrossTheWidth) {
    const Plane p = plane(1, 0);
    double block[16];
    for (int b = 0; b < 16; ++b) {
        block[b] = boxMean(p, 64 * b, 64 * b + 63, 0, 127);
    }
    // Dark stretches at 64–319 and 768–895 (7 to 19), bright at 384–767 (24 to 59); 2 of slack.
    for (int b : {1, 2, 3, 4, 12, 13}) {
        char what[48];
        std::snprintf(what, sizeof what, "dark block at column %d", 64 * b);
        expectWithin(what, block[b], 5, 21);
    }
    for (int b : {6, 7, 8, 9, 10, 11}) {
        char what[48];
        std::snprintf(what, sizeof what, "bright block at column %d", 64 * b);
        expectWithin(what, block[b], 22, 61);
    }
    EXPECT_EQ(std::max_element(block, block + 16) - block, 10) << "brightest block at 640";
    // Quarters 18.6, 31.3, 38.7 and 18.1, +-2.5 (a tenth of the spread between them).
    const double quarter[4] = {18.6, 31.3, 38.7, 18.1};
    for (int q = 0; q < 4; ++q) {
        char what[48];
        std::snprintf(what, sizeof what, "quarter %d mean", q);
        expectWithin(what, boxMean(p, 256 * q, 256 * q + 255, 0, 127), quarter[q] - 2.5,
                     quarter[q] + 2.5);
    }
    // The brightest patch: top 16 rows around columns 960–990, mean 156 over 32 × 16.
    expectWithin("patch mean, columns 959-990 rows 112-127", boxMean(p, 959, 990, 112, 127), 140,
                 172);
    // No strong trend from bottom to top: 16-row bands 18 to 39.
    for (int b = 0; b < 8; ++b) {
        char what[48];
        std::snprintf(what, sizeof what, "16-row band %d mean", b);
        expectWithin(what, boxMean(p, 0, 1023, 16 * b, 16 * b + 15), 15, 42);
    }
}

// --- textures 2 and 3, the floor discs ---

bool insidePatch(const Plane&, int column, int row) {
    return radius(column, row, 64.0) < 50.0;
}

// Texels above 8 lie within these columns and rows; every border texel is 0.
void expectFloorBounds(const Plane& p, int column0, int column1, int row0, int row1) {
    int lowColumn = 128, highColumn = -1, lowRow = 128, highRow = -1;
    double border = 0.0, beyond62 = 0.0;
    for (int row = 0; row < 128; ++row) {
        for (int column = 0; column < 128; ++column) {
            double v = p.at(column, row);
            if (v > 8) {
                lowColumn = std::min(lowColumn, column);
                highColumn = std::max(highColumn, column);
                lowRow = std::min(lowRow, row);
                highRow = std::max(highRow, row);
            }
            if (row == 0 || column == 0 || row == 127 || column == 127) {
                border = std::max(border, v);
            }
            if (radius(column, row, 64.0) >= 62.0) {
                beyond62 = std::max(beyond62, v);
            }
        }
    }
    expectWithin("largest border texel", border, 0, 0);
    expectWithin("largest texel from radius 62 out", beyond62, 0, 0);
    // The quoted bounds, +-3 texels: they lie about 2 texels below centre in rows while the
    // patch itself must be centred to within 3, and the edge is soft and irregular.
    expectWithin("first column above 8", lowColumn, column0 - 3, column0 + 3);
    expectWithin("last column above 8", highColumn, column1 - 3, column1 + 3);
    expectWithin("first row above 8", lowRow, row0 - 3, row0 + 3);
    expectWithin("last row above 8", highRow, row1 - 3, row1 + 3);
}

void expectRingMean(const Plane& p, double r, double target, double tolerance) {
    char what[48];
    std::snprintf(what, sizeof what, "ring mean at radius %g", r);
    expectWithin(what, mean(ring(p, 64.0, r - 0.5, r + 0.5)), target - tolerance,
                 target + tolerance);
}

TEST(Lattice, SoftRoundPatchCentred) {
    const Plane p = plane(2, 0);
    expectFloorBounds(p, 7, 121, 4, 120);
    double sum = 0, sx = 0, sy = 0;
    for (int row = 0; row < 128; ++row) {
        for (int column = 0; column < 128; ++column) {
            sum += p.at(column, row);
            sx += p.at(column, row) * (column + 0.5);
            sy += p.at(column, row) * (row + 0.5);
        }
    }
    expectWithin("brightness centroid, column", sx / sum, 61, 67);
    expectWithin("brightness centroid, row", sy / sum, 61, 67);
    // Radial profile: ring means quoted as "about"; +-15 is a sixth of the plateau.
    expectWithin("centre mean, radius < 2", mean(ring(p, 64.0, 0, 2)), 22, 50);
    expectRingMean(p, 8, 90, 15);
    for (int r = 12; r <= 50; r += 2) {
        char what[48];
        std::snprintf(what, sizeof what, "ring mean at radius %d", r);
        expectWithin(what, mean(ring(p, 64.0, r - 0.5, r + 0.5)), 76, 132);
    }
    expectRingMean(p, 52, 56, 15);
}

TEST(Lattice, FacetsDividedByLines) {
    const Plane p = plane(2, 0);
    std::vector<double> inner = ring(p, 64.0, 0, 50);
    expectWithin("mean inside radius 50", mean(inner), 92, 108);
    expectWithin("% above 128 inside radius 50", share(inner, 129, 255), 24, 36);
    expectWithin("% below 32 inside radius 50", share(inner, 0, 31), 8, 18);
    expectWithin("peak", *std::max_element(p.values.begin(), p.values.end()), 235, 255);
    // Facets and lines make every ring vary strongly (standard deviation 50 to 70).
    for (int r = 12; r <= 48; r += 6) {
        char what[48];
        std::snprintf(what, sizeof what, "deviation along ring %d", r);
        expectWithin(what, standardDeviation(ring(p, 64.0, r - 0.5, r + 0.5)), 42, 78);
    }
    // Brightness inside the patch is correlated over only about 4 texels.
    double across = correlation(p, 4, 0, false, insidePatch);
    double up = correlation(p, 0, 4, false, insidePatch);
    expectWithin("correlation 4 texels apart", (across + up) / 2, 0.35, 0.65);
}

TEST(Ring, RippledDisc) {
    const Plane p = plane(3, 0);
    expectFloorBounds(p, 7, 122, 4, 121);
    // Ring means quoted as "about": +-15, under a tenth of the disc's brightness.
    expectWithin("centre mean, radius < 1.5", mean(ring(p, 64.0, 0, 1.5)), 85, 125);
    expectRingMean(p, 4, 220, 15);
    expectRingMean(p, 8, 163, 15);
    expectRingMean(p, 19, 219, 15);
    for (int r = 24; r <= 40; r += 2) {
        char what[48];
        std::snprintf(what, sizeof what, "plateau ring mean at radius %d", r);
        expectWithin(what, mean(ring(p, 64.0, r - 0.5, r + 0.5)), 193, 230);
    }
    expectRingMean(p, 45, 186, 12);
    expectRingMean(p, 48, 198, 12);
    expectRingMean(p, 52, 105, 20);
    std::vector<double> inner = ring(p, 64.0, 0, 50);
    expectWithin("mean inside radius 50", mean(inner), 196, 208);
    expectWithin("% above 128 inside radius 50", share(inner, 129, 255), 93, 99);
    expectWithin("peak", *std::max_element(p.values.begin(), p.values.end()), 240, 255);
    // Mottled fill and slightly irregular rings: deviation 15 to 35 along a ring.
    for (int r = 10; r <= 46; r += 6) {
        char what[48];
        std::snprintf(what, sizeof what, "deviation along ring %d", r);
        expectWithin(what, standardDeviation(ring(p, 64.0, r - 0.5, r + 0.5)), 10, 40);
    }
}

// --- texture 4, the stand ---

TEST(Stand, WarmGrainColours) {
    const Plane red = plane(4, 0), green = plane(4, 1), blue = plane(4, 2);
    std::vector<double> gr, br;
    for (size_t i = 0; i < red.values.size(); ++i) {
        if (red.values[i] > 0) {
            gr.push_back(green.values[i] / red.values[i]);
            br.push_back(blue.values[i] / red.values[i]);
        }
    }
    std::nth_element(gr.begin(), gr.begin() + gr.size() / 2, gr.end());
    std::nth_element(br.begin(), br.begin() + br.size() / 2, br.end());
    expectWithin("median green / red", gr[gr.size() / 2], 0.68, 0.78);
    expectWithin("median blue / red", br[br.size() / 2], 0.18, 0.29);
    expectWithin("red mean", mean(red.values), 135, 151);
    expectWithin("green mean", mean(green.values), 96, 112);
    expectWithin("blue mean", mean(blue.values), 38, 52);
    expectWithin("red max", *std::max_element(red.values.begin(), red.values.end()), 215, 250);
    expectWithin("red min", *std::min_element(red.values.begin(), red.values.end()), 0, 30);
    expectWithin("blue min", *std::min_element(blue.values.begin(), blue.values.end()), 0, 10);
}

TEST(Stand, RowBands) {
    const double band[16][3] = {{143, 78, 18},  {191, 130, 47}, {199, 156, 83}, {205, 169, 100},
                                {155, 123, 54}, {102, 77, 29},  {94, 66, 20},   {58, 36, 12},
                                {60, 36, 11},   {95, 68, 21},   {109, 84, 34},  {166, 132, 62},
                                {203, 168, 99}, {195, 148, 73}, {189, 126, 46}, {130, 70, 16}};
    // Each 8-row band's mean colour, +-12 per channel (the streaks move a band mean by a few).
    for (int channel = 0; channel < 3; ++channel) {
        const Plane p = plane(4, channel);
        for (int b = 0; b < 16; ++b) {
            char what[48];
            std::snprintf(what, sizeof what, "rows %d-%d channel %d", 8 * b, 8 * b + 7, channel);
            expectWithin(what, boxMean(p, 0, 127, 8 * b, 8 * b + 7), band[b][channel] - 12,
                         band[b][channel] + 12);
        }
    }
    // The row sets 78 % of the brightness variance.
    const Plane bright = plane(4, -1);
    std::vector<double> rowMeans;
    for (int row = 0; row < 128; ++row) {
        rowMeans.push_back(boxMean(bright, 0, 127, row, row));
    }
    double rowShare = std::pow(standardDeviation(rowMeans) / standardDeviation(bright.values), 2);
    expectWithin("row share of brightness variance", rowShare, 0.70, 0.86);
}

TEST(Stand, StreaksAlongRowsAndWrapAroundTheGirth) {
    const Plane p = plane(4, -1);
    // Middle columns brighter: about 117 at 48–79 against 76 to 78 at the edges.
    expectWithin("brightness, columns 48-79", boxMean(p, 48, 79, 0, 127), 107, 127);
    expectWithin("brightness, columns 0-7", boxMean(p, 0, 7, 0, 127), 66, 88);
    expectWithin("brightness, columns 120-127", boxMean(p, 120, 127, 0, 127), 66, 88);
    double rows = 0.0, columns = 0.0;
    for (int i = 0; i < 127; ++i) {
        rows += rowDifference(p, i, i + 1) / 127;
        columns += columnDifference(p, i, i + 1) / 127;
    }
    expectWithin("row difference, neighbours", rows, 6, 12);
    // Around the girth the top row runs on into the bottom one (11.5, against 8.7 between
    // neighbours): no more than twice the neighbours' difference, or the seam would show.
    expectWithin("row difference, 127 to 0", rowDifference(p, 127, 0), 0, 2 * rows);
    expectWithin("column difference, neighbours", columns, 2.5, 7);
    expectWithin("column difference, 127 to 0", columnDifference(p, 127, 0), 24, 48);
    // Streaks along the rows: after taking out each row's level, texels 12 to 16 apart along
    // a row are still correlated by about one half; across the rows much less.
    Plane streak = p;
    for (int row = 0; row < 128; ++row) {
        double m = boxMean(p, 0, 127, row, row);
        for (int column = 0; column < 128; ++column) {
            streak.values[row * 128 + column] -= m;
        }
    }
    expectWithin("streak correlation 14 along the rows", correlation(streak, 14, 0, false), 0.35,
                 0.65);
    EXPECT_GT(correlation(streak, 4, 0, false), correlation(streak, 0, 4, false));
}

// --- texture 5, the ball reflection ---

bool insideBall(const Plane&, int column, int row) {
    return radius(column, row, 32.0) < 32.0;
}

TEST(Ball, DarkSteelDiscOnBlack) {
    double outside = 0.0;
    for (int channel = 0; channel < 3; ++channel) {
        const Plane p = plane(5, channel);
        std::vector<double> inner;
        for (int row = 0; row < 64; ++row) {
            for (int column = 0; column < 64; ++column) {
                if (insideBall(p, column, row)) {
                    inner.push_back(p.at(column, row));
                } else {
                    outside = std::max(outside, p.at(column, row));
                }
            }
        }
        const double targetMean[3] = {31, 48, 62}, targetMin[3] = {15, 20, 31};
        char what[48];
        std::snprintf(what, sizeof what, "disc mean channel %d", channel);
        expectWithin(what, mean(inner), targetMean[channel] - 4, targetMean[channel] + 4);
        std::snprintf(what, sizeof what, "disc minimum channel %d", channel);
        expectWithin(what, *std::min_element(inner.begin(), inner.end()), targetMin[channel] - 7,
                     targetMin[channel] + 5);
    }
    expectWithin("largest texel outside the disc", outside, 0, 13);
    // Even from the centre to the edge (about 45), dropping only in the outermost ring.
    const Plane p = plane(5, -1);
    for (int r = 2; r <= 30; r += 4) {
        char what[48];
        std::snprintf(what, sizeof what, "ring brightness at radius %d", r);
        expectWithin(what, mean(ring(p, 32.0, r - 0.5, r + 0.5)), 36, 56);
    }
    EXPECT_LT(mean(ring(p, 32.0, 31, 32)), 0.9 * mean(ring(p, 32.0, 29, 30)));
    // Soft light streaks, mostly horizontal.
    EXPECT_GT(correlation(p, 3, 0, false, insideBall), correlation(p, 0, 3, false, insideBall));
}

TEST(Ball, SmallHighlights) {
    const Plane red = plane(5, 0), green = plane(5, 1), blue = plane(5, 2), p = plane(5, -1);
    // The brightest spot peaks at (224, 236, 242) within columns 38–43, rows 20–25.
    expectWithin("sun spot red peak", boxMax(red, 38, 43, 20, 25), 209, 239);
    expectWithin("sun spot green peak", boxMax(green, 38, 43, 20, 25), 221, 251);
    expectWithin("sun spot blue peak", boxMax(blue, 38, 43, 20, 25), 227, 255);
    // About six texels across: count the columns and rows of the texels brighter than
    // halfway between the disc (about 45) and the peak.
    double peak = boxMax(p, 38, 43, 20, 25), half = (peak + 45) / 2;
    int columns[64] = {}, rows[64] = {};
    for (int row = 14; row < 32; ++row) {
        for (int column = 32; column < 50; ++column) {
            if (p.at(column, row) > half) {
                columns[column] = rows[row] = 1;
            }
        }
    }
    expectWithin("sun spot columns above half", std::count(columns, columns + 64, 1), 3, 7);
    expectWithin("sun spot rows above half", std::count(rows, rows + 64, 1), 3, 7);
    expectWithin("spot at 40-45, 49-52", boxMax(p, 40, 45, 49, 52), 151, 181);
    expectWithin("spot at 16-21, 7-9", boxMax(p, 16, 21, 7, 9), 134, 164);
    expectWithin("spot at 19-21, 29-31", boxMax(p, 19, 21, 29, 31), 83, 107);
    // Elsewhere the disc holds no light that bright.
    double elsewhere = 0.0;
    for (int row = 0; row < 64; ++row) {
        for (int column = 0; column < 64; ++column) {
            auto near = [&](int c0, int c1, int r0, int r1) {
                return column >= c0 - 3 && column <= c1 + 3 && row >= r0 - 3 && row <= r1 + 3;
            };
            if (!near(38, 43, 20, 25) && !near(40, 45, 49, 52) && !near(16, 21, 7, 9) &&
                !near(19, 21, 29, 31)) {
                elsewhere = std::max(elsewhere, p.at(column, row));
            }
        }
    }
    expectWithin("brightest texel away from the spots", elsewhere, 0, 85);
}

} // namespace
