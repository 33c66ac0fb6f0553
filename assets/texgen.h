// Private to the texture generators: the five image builders and the noise they share.
#pragma once
#include <cstdint>
#include <vector>

// Each writes its texture in the shape textureShapes gives for it.
void buildBackdrop(uint8_t* out);
void buildLattice(uint8_t* out);
void buildRing(uint8_t* out);
void buildStand(uint8_t* out);
void buildBall(uint8_t* out);

// A well-mixed 32-bit hash of a lattice point and a seed.
uint32_t latticeHash(int x, int y, uint32_t seed);

// Random value in [-1, 1] at a lattice point.
double latticeValue(int x, int y, uint32_t seed);

// Smooth value noise in [-1, 1] with one lattice cell per unit. A period above 0 makes it
// repeat after that many cells along that axis.
double valueNoise(double x, double y, int periodX, int periodY, uint32_t seed);

// A small deterministic generator for scattering features: uniform in [0, 1).
struct Scatter {
    uint32_t state;
};
double nextUniform(Scatter& scatter);

// Maps field values to bytes by rank so that the result has exactly the given value shares:
// share[v] of the texels get value v (the shares sum to 1). Ties break by position.
void matchHistogram(const std::vector<double>& field, const double share[256], uint8_t* out,
                    int stride);

// Linear interpolation through knots (x ascending), constant beyond the ends.
double piecewise(const double (*knots)[2], int count, double x);

uint8_t clampByte(double value);
