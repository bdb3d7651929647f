// Deterministic random numbers and tileable noise for the generated data.
#include "noise.h"

#include <cmath>

namespace frostel_assets {

namespace {

constexpr float kTwoPi = 6.28318530717958647692f;

uint64_t splitMix(uint64_t &x)
{
    x += 0x9E3779B97F4A7C15ull;
    uint64_t z = x;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int wrap(int i, int period)
{
    int m = i % period;
    return m < 0 ? m + period : m;
}

float fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

}  // namespace

Rng::Rng(uint64_t seed) : state_(seed) { }

uint32_t Rng::next() { return static_cast<uint32_t>(splitMix(state_) >> 32); }

float Rng::uniform() { return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f); }

float Rng::range(float lo, float hi) { return lo + (hi - lo) * uniform(); }

int Rng::below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }

float Rng::gaussian()
{
    float u1 = uniform();
    float u2 = uniform();
    if (u1 < 1e-7f) u1 = 1e-7f;
    return std::sqrt(-2.0f * std::log(u1)) * std::cos(kTwoPi * u2);
}

TileNoise::TileNoise(uint64_t seed)
{
    Rng rng(seed);
    for (int i = 0; i < 256; ++i) perm_[i] = static_cast<uint8_t>(i);
    for (int i = 255; i > 0; --i) {
        int j = rng.below(i + 1);
        uint8_t t = perm_[i];
        perm_[i] = perm_[j];
        perm_[j] = t;
    }
    for (int i = 0; i < 256; ++i) {
        float a = kTwoPi * rng.uniform();
        gradX_[i] = std::cos(a);
        gradY_[i] = std::sin(a);
    }
}

float TileNoise::gradientDot(int ix, int iy, float fx, float fy) const
{
    int h = perm_[(perm_[ix & 255] + iy) & 255];
    return gradX_[h] * fx + gradY_[h] * fy;
}

float TileNoise::at(float x, float y, int periodX, int periodY) const
{
    float px = x * static_cast<float>(periodX);
    float py = y * static_cast<float>(periodY);
    float flx = std::floor(px);
    float fly = std::floor(py);
    int x0 = static_cast<int>(flx);
    int y0 = static_cast<int>(fly);
    float fx = px - flx;
    float fy = py - fly;
    int ax = wrap(x0, periodX), bx = wrap(x0 + 1, periodX);
    int ay = wrap(y0, periodY), by = wrap(y0 + 1, periodY);
    float n00 = gradientDot(ax, ay, fx, fy);
    float n10 = gradientDot(bx, ay, fx - 1.0f, fy);
    float n01 = gradientDot(ax, by, fx, fy - 1.0f);
    float n11 = gradientDot(bx, by, fx - 1.0f, fy - 1.0f);
    float u = fade(fx);
    float v = fade(fy);
    return 1.41421356f * lerp(lerp(n00, n10, u), lerp(n01, n11, u), v);
}

float TileNoise::fbm(float x, float y, int periodX, int periodY, int octaves, float gain) const
{
    float sum = 0.0f;
    float amp = 1.0f;
    float norm = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        // A whole-cell shift keeps the octave periodic while moving its lattice.
        float shiftX = static_cast<float>((o * 37) % periodX) / static_cast<float>(periodX);
        float shiftY = static_cast<float>((o * 61) % periodY) / static_cast<float>(periodY);
        sum += amp * at(x + shiftX, y + shiftY, periodX, periodY);
        norm += amp;
        amp *= gain;
        periodX *= 2;
        periodY *= 2;
    }
    return sum / norm;
}

float TileNoise::ridged(float x, float y, int periodX, int periodY, int octaves, float gain) const
{
    float sum = 0.0f;
    float amp = 1.0f;
    float norm = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        float shiftX = static_cast<float>((o * 37) % periodX) / static_cast<float>(periodX);
        float shiftY = static_cast<float>((o * 61) % periodY) / static_cast<float>(periodY);
        float n = 1.0f - std::fabs(at(x + shiftX, y + shiftY, periodX, periodY));
        sum += amp * n * n;
        norm += amp;
        amp *= gain;
        periodX *= 2;
        periodY *= 2;
    }
    return sum / norm;
}

CellDistances cellular(float x, float y, int period, uint64_t seed)
{
    float px = x * static_cast<float>(period);
    float py = y * static_cast<float>(period);
    int cx = static_cast<int>(std::floor(px));
    int cy = static_cast<int>(std::floor(py));
    CellDistances best{1e9f, 1e9f, 0};
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            int gx = cx + dx;
            int gy = cy + dy;
            uint64_t key = seed ^ (static_cast<uint64_t>(wrap(gx, period)) * 0x100000001B3ull) ^
                           (static_cast<uint64_t>(wrap(gy, period)) << 32);
            uint64_t h = splitMix(key);
            float jx = static_cast<float>(h & 0xFFFF) / 65536.0f;
            float jy = static_cast<float>((h >> 16) & 0xFFFF) / 65536.0f;
            float fx = static_cast<float>(gx) + jx - px;
            float fy = static_cast<float>(gy) + jy - py;
            float d = std::sqrt(fx * fx + fy * fy);
            if (d < best.nearest) {
                best.second = best.nearest;
                best.nearest = d;
                best.id = static_cast<uint32_t>(h >> 40);
            } else if (d < best.second) {
                best.second = d;
            }
        }
    }
    return best;
}

float smoothstep(float edge0, float edge1, float x)
{
    float t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

float clamp01(float x) { return x < 0.0f ? 0.0f : (x > 1.0f ? 1.0f : x); }

float lerp(float a, float b, float t) { return a + (b - a) * t; }

}  // namespace frostel_assets
