// Small drawing helpers for the texture generators: soft strokes into coverage maps.
#pragma once

#include <vector>

#include "formats.h"

namespace frostel_assets {

inline float fl(int v) { return static_cast<float>(v); }

// A single-channel float map with optional wrap-around, so strokes can cross the
// edges of a tiling texture.
class Coverage {
public:
    Coverage(int width, int height, bool wrapX, bool wrapY);
    int width() const { return width_; }
    int height() const { return height_; }
    float &at(int x, int y) { return values_[static_cast<size_t>(y) * width_ + x]; }
    float at(int x, int y) const { return values_[static_cast<size_t>(y) * width_ + x]; }

    // A tapered capsule from (x0, y0) with radius r0 to (x1, y1) with radius r1,
    // in pixels; anti-aliased over one pixel and combined with max.
    void stroke(float x0, float y0, float x1, float y1, float r0, float r1, float value);
    // A round dot: a stroke of length zero.
    void disc(float cx, float cy, float radius, float value);

    // Separable box blur repeated three times: close to a Gaussian of the given radius.
    Coverage blurred(int radius) const;

private:
    void plot(int x, int y, float v);
    int width_;
    int height_;
    bool wrapX_;
    bool wrapY_;
    std::vector<float> values_;
};

// Paints a tapered capsule of colour over an image, blending by its coverage.
// Wraps horizontally when asked; alpha is raised to at least the coverage.
void paintStroke(Image &image, float x0, float y0, float x1, float y1, float r0, float r1, const Color &color,
                 bool wrapX);

// Fills the colour of fully transparent pixels from their opaque neighbours, so
// linear filtering at cut-out edges does not pull in black.
void bleedColours(Image &image);

}  // namespace frostel_assets
