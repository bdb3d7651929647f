// Deterministic random numbers and tileable noise for the generated data.
#pragma once

#include <array>
#include <cstdint>

namespace frostel_assets {

// Our own generator, so the files come out byte for byte the same on every build
// whatever the standard library's engines do.
class Rng {
public:
    explicit Rng(uint64_t seed);
    uint32_t next();
    float uniform();                  // [0, 1)
    float range(float lo, float hi);  // [lo, hi)
    int below(int n);                 // 0 .. n-1
    float gaussian();

private:
    uint64_t state_;
};

// Gradient noise whose lattice wraps, so a texture made from it tiles seamlessly.
// Coordinates are in [0, 1) across the tile; results lie roughly in [-1, 1].
class TileNoise {
public:
    explicit TileNoise(uint64_t seed);
    float at(float x, float y, int periodX, int periodY) const;
    // Octaves double the period; each has its own lattice offset so their zeros do not line up.
    float fbm(float x, float y, int periodX, int periodY, int octaves, float gain = 0.5f) const;
    // 1 on the ridges where the noise crosses zero, falling to 0 away from them.
    float ridged(float x, float y, int periodX, int periodY, int octaves, float gain = 0.5f) const;

private:
    float gradientDot(int ix, int iy, float fx, float fy) const;
    std::array<uint8_t, 256> perm_{};
    std::array<float, 256> gradX_{};
    std::array<float, 256> gradY_{};
};

// Distance to the nearest of jittered feature points, one per cell of a wrapping grid.
// Gives the nearest and second-nearest distances, in cell units.
struct CellDistances {
    float nearest;
    float second;
    uint32_t id;  // hash of the nearest cell, for per-cell colour
};
CellDistances cellular(float x, float y, int period, uint64_t seed);

float smoothstep(float edge0, float edge1, float x);
float clamp01(float x);
float lerp(float a, float b, float t);

}  // namespace frostel_assets
