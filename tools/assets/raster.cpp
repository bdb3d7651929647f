// Small drawing helpers for the texture generators: soft strokes into coverage maps.
#include "raster.h"

#include <algorithm>
#include <cmath>

namespace frostel_assets {

Coverage::Coverage(int width, int height, bool wrapX, bool wrapY)
    : width_(width), height_(height), wrapX_(wrapX), wrapY_(wrapY), values_(static_cast<size_t>(width) * height, 0.0f)
{ }

void Coverage::plot(int x, int y, float v)
{
    if (wrapX_) x = ((x % width_) + width_) % width_;
    if (wrapY_) y = ((y % height_) + height_) % height_;
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    float &dst = at(x, y);
    if (v > dst) dst = v;
}

void Coverage::stroke(float x0, float y0, float x1, float y1, float r0, float r1, float value)
{
    const float rMax = std::max(r0, r1) + 1.0f;
    const int left = static_cast<int>(std::floor(std::min(x0, x1) - rMax));
    const int right = static_cast<int>(std::ceil(std::max(x0, x1) + rMax));
    const int top = static_cast<int>(std::floor(std::min(y0, y1) - rMax));
    const int bottom = static_cast<int>(std::ceil(std::max(y0, y1) + rMax));
    const float dx = x1 - x0;
    const float dy = y1 - y0;
    const float len2 = dx * dx + dy * dy;
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            const float px = fl(x) + 0.5f - x0;
            const float py = fl(y) + 0.5f - y0;
            float t = len2 > 0.0f ? (px * dx + py * dy) / len2 : 0.0f;
            t = std::min(1.0f, std::max(0.0f, t));
            const float ex = px - t * dx;
            const float ey = py - t * dy;
            const float d = std::sqrt(ex * ex + ey * ey);
            const float r = r0 + (r1 - r0) * t;
            const float cov = std::min(1.0f, std::max(0.0f, r - d + 0.5f));
            if (cov > 0.0f) plot(x, y, cov * value);
        }
    }
}

void Coverage::disc(float cx, float cy, float radius, float value) { stroke(cx, cy, cx, cy, radius, radius, value); }

Coverage Coverage::blurred(int radius) const
{
    Coverage a = *this;
    Coverage b(width_, height_, wrapX_, wrapY_);
    const float norm = 1.0f / fl(2 * radius + 1);
    auto sample = [](const Coverage &c, int x, int y) {
        if (c.wrapX_) x = ((x % c.width_) + c.width_) % c.width_;
        if (c.wrapY_) y = ((y % c.height_) + c.height_) % c.height_;
        x = std::min(c.width_ - 1, std::max(0, x));
        y = std::min(c.height_ - 1, std::max(0, y));
        return c.at(x, y);
    };
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                float s = 0.0f;
                for (int k = -radius; k <= radius; ++k) s += sample(a, x + k, y);
                b.at(x, y) = s * norm;
            }
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                float s = 0.0f;
                for (int k = -radius; k <= radius; ++k) s += sample(b, x, y + k);
                a.at(x, y) = s * norm;
            }
    }
    return a;
}

void paintStroke(Image &image, float x0, float y0, float x1, float y1, float r0, float r1, const Color &color,
                 bool wrapX)
{
    const int w = image.width();
    const int h = image.height();
    const float rMax = std::max(r0, r1) + 1.0f;
    const int left = static_cast<int>(std::floor(std::min(x0, x1) - rMax));
    const int right = static_cast<int>(std::ceil(std::max(x0, x1) + rMax));
    const int top = static_cast<int>(std::floor(std::min(y0, y1) - rMax));
    const int bottom = static_cast<int>(std::ceil(std::max(y0, y1) + rMax));
    const float dx = x1 - x0;
    const float dy = y1 - y0;
    const float len2 = dx * dx + dy * dy;
    for (int y = std::max(0, top); y <= std::min(h - 1, bottom); ++y) {
        for (int x = left; x <= right; ++x) {
            int ix = x;
            if (wrapX) ix = ((x % w) + w) % w;
            if (ix < 0 || ix >= w) continue;
            const float px = fl(x) + 0.5f - x0;
            const float py = fl(y) + 0.5f - y0;
            float t = len2 > 0.0f ? (px * dx + py * dy) / len2 : 0.0f;
            t = std::min(1.0f, std::max(0.0f, t));
            const float ex = px - t * dx;
            const float ey = py - t * dy;
            const float d = std::sqrt(ex * ex + ey * ey);
            const float r = r0 + (r1 - r0) * t;
            const float cov = std::min(1.0f, std::max(0.0f, r - d + 0.5f)) * color.a;
            if (cov <= 0.0f) continue;
            Color &dst = image.at(ix, y);
            dst.r += (color.r - dst.r) * cov;
            dst.g += (color.g - dst.g) * cov;
            dst.b += (color.b - dst.b) * cov;
            dst.a = std::max(dst.a, cov);
        }
    }
}

void bleedColours(Image &image)
{
    const int w = image.width();
    const int h = image.height();
    std::vector<uint8_t> known(static_cast<size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) known[static_cast<size_t>(y) * w + x] = image.at(x, y).a > 0.0f;
    // Grow the known colours outwards a ring at a time; a few rings cover what filtering reaches.
    for (int ring = 0; ring < 8; ++ring) {
        std::vector<uint8_t> next = known;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                if (known[static_cast<size_t>(y) * w + x]) continue;
                float r = 0, g = 0, b = 0;
                int n = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = (x + dx + w) % w;
                        const int ny = y + dy;
                        if (ny < 0 || ny >= h || !known[static_cast<size_t>(ny) * w + nx]) continue;
                        const Color &c = image.at(nx, ny);
                        r += c.r;
                        g += c.g;
                        b += c.b;
                        ++n;
                    }
                if (n > 0) {
                    Color &c = image.at(x, y);
                    c.r = r / fl(n);
                    c.g = g / fl(n);
                    c.b = b / fl(n);
                    next[static_cast<size_t>(y) * w + x] = 1;
                }
            }
        }
        known.swap(next);
    }
}

}  // namespace frostel_assets
