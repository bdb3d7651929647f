// Generators for the demo's images: ground snow, snowflake, sparkle, overlay and the tree's textures.
#include "textures.h"

#include <algorithm>
#include <cmath>

#include "noise.h"
#include "raster.h"

namespace frostel_assets {

namespace {

constexpr float kPi = 3.14159265358979323846f;

Color rgb(float r, float g, float b, float a = 1.0f) { return Color{r, g, b, a}; }

// Night snow: lit faces near white, shaded ones a cool blue.
const Color kSnowLit = rgb(0.95f, 0.97f, 1.0f);
const Color kSnowShade = rgb(0.58f, 0.66f, 0.84f);

// Folds a point into the 30-degree wedge next to the +x axis, where a six-fold
// crystal with mirror symmetry can be described once.
void foldSixfold(float x, float y, float &ax, float &ay)
{
    float r = std::sqrt(x * x + y * y);
    float a = std::atan2(y, x);
    const float sector = kPi / 3.0f;
    a = std::fmod(a + 2.0f * kPi, sector);
    if (a > sector * 0.5f) a = sector - a;
    ax = r * std::cos(a);
    ay = r * std::sin(a);
}

float segmentDistance(float px, float py, float x0, float y0, float x1, float y1)
{
    const float dx = x1 - x0, dy = y1 - y0;
    float t = ((px - x0) * dx + (py - y0) * dy) / (dx * dx + dy * dy);
    t = std::min(1.0f, std::max(0.0f, t));
    const float ex = px - x0 - t * dx, ey = py - y0 - t * dy;
    return std::sqrt(ex * ex + ey * ey);
}

// Coverage of a dendrite crystal at a point given in units of its radius:
// a hexagonal plate with six arms that carry side branches at 60 degrees.
struct Crystal {
    float plate;  // 0..1 inside the plate
    float arms;   // 0..1 on an arm or branch
    float rim;    // 0..1 along the plate's outline and the inner hexagon
};

Crystal crystalAt(float x, float y)
{
    float ax, ay;
    foldSixfold(x, y, ax, ay);
    const float aa = 0.012f;  // soft edge, in radius units
    Crystal c{0, 0, 0};
    // Distance to a flat-sided hexagon whose corners point along the arms.
    const float hexDist = ax * std::cos(kPi / 6.0f) + ay * std::sin(kPi / 6.0f);
    const float plateR = 0.21f;
    c.plate = clamp01((plateR - hexDist) / aa);
    float rim = std::fabs(hexDist - plateR + 0.02f) - 0.018f;
    float inner = std::fabs(hexDist - 0.09f) - 0.012f;
    c.rim = std::max(clamp01(-rim / aa), clamp01(-inner / aa)) * (hexDist < plateR + 0.01f ? 1.0f : 0.0f);

    float arm = 1e9f;
    // Main arm, tapering to a rounded tip.
    const float armWidth = 0.05f - 0.02f * std::min(1.0f, ax);
    if (ax <= 0.96f) arm = std::min(arm, ay - armWidth);
    arm = std::min(arm, segmentDistance(ax, ay, 0.9f, 0.0f, 0.96f, 0.0f) - 0.03f);
    const float at[4] = {0.38f, 0.55f, 0.70f, 0.83f};
    const float len[4] = {0.25f, 0.21f, 0.15f, 0.08f};
    const float c60 = 0.5f, s60 = 0.8660254f;
    for (int k = 0; k < 4; ++k) {
        const float bx = at[k] + len[k] * c60;
        const float by = len[k] * s60;
        arm = std::min(arm, segmentDistance(ax, ay, at[k], 0.0f, bx, by) - (0.034f - 0.004f * fl(k)));
        // Little twigs on the bigger branches give the fern look.
        if (k < 2) {
            const float tx = at[k] + len[k] * 0.55f * c60;
            const float ty = len[k] * 0.55f * s60;
            arm = std::min(arm, segmentDistance(ax, ay, tx, ty, tx + 0.08f, ty + 0.0f) - 0.02f);
        }
    }
    c.arms = clamp01(-arm / aa);
    return c;
}

}  // namespace

Image makeSnowTexture()
{
    const int size = 256;
    Image img(size, size);
    TileNoise drift(0x5A0001);
    TileNoise ripple(0x5A0002);
    TileNoise grain(0x5A0003);
    // Height field: broad drifts plus wind ripples stretched along one direction.
    std::vector<float> height(static_cast<size_t>(size) * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float u = (fl(x) + 0.5f) / fl(size), v = (fl(y) + 0.5f) / fl(size);
            float h = 0.9f * drift.fbm(u, v, 3, 3, 4, 0.5f);
            h += 0.22f * ripple.ridged(u, v + 0.15f * drift.at(u, v, 2, 2), 3, 12, 2, 0.45f);
            height[static_cast<size_t>(y) * size + x] = h;
        }
    auto heightAt = [&](int x, int y) {
        x = (x + size) % size;
        y = (y + size) % size;
        return height[static_cast<size_t>(y) * size + x];
    };
    const float lx = -0.45f, ly = -0.35f, lz = 0.82f;  // moonlight from one side, mostly overhead
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float u = (fl(x) + 0.5f) / fl(size), v = (fl(y) + 0.5f) / fl(size);
            const float gx = (heightAt(x + 1, y) - heightAt(x - 1, y)) * 9.0f;
            const float gy = (heightAt(x, y + 1) - heightAt(x, y - 1)) * 9.0f;
            const float inv = 1.0f / std::sqrt(gx * gx + gy * gy + 1.0f);
            const float lambert = (-gx * lx - gy * ly + lz) * inv;
            float shade = clamp01(0.25f + 0.85f * lambert);
            shade += 0.04f * grain.fbm(u, v, 32, 32, 2, 0.5f);
            Color c = scaled(mix(kSnowShade, kSnowLit, clamp01(shade)), 0.93f);
            // A faint cool tint in the hollows keeps the white from looking flat.
            const float hollow = clamp01(-heightAt(x, y) * 1.5f);
            c = mix(c, rgb(0.70f, 0.78f, 0.95f), 0.25f * hollow);
            img.at(x, y) = c;
        }
    // Glints: ice grains catching the light. Small soft dots so that they are still
    // sampled when the image is shrunk, which makes them twinkle as the ground turns.
    Rng rng(0x5A0004);
    for (int i = 0; i < 220; ++i) {
        const int gx = rng.below(size), gy = rng.below(size);
        const float strength = rng.range(0.5f, 1.0f);
        const float hue = rng.uniform();
        Color tint = rgb(1.0f, 1.0f, 1.0f);
        if (hue < 0.12f)
            tint = rgb(0.75f, 0.92f, 1.0f);
        else if (hue < 0.18f)
            tint = rgb(1.0f, 0.93f, 0.80f);
        const float radius = strength > 0.8f ? 2.0f : 1.4f;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                const float d = std::sqrt(fl(dx * dx + dy * dy));
                const float k = strength * clamp01(1.0f - d / radius);
                Color &dst = img.at((gx + dx + size) % size, (gy + dy + size) % size);
                dst = mix(dst, tint, k);
            }
    }
    return img;
}

Image makeSnowflakeTexture()
{
    const int size = 128;
    Image img(size, size, rgb(1.0f, 1.0f, 1.0f, 0.0f));
    const float radius = 0.45f;  // of the image width; the flake sits on the corners
    const int ss = 4;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float plate = 0, arms = 0, rim = 0;
            for (int sy = 0; sy < ss; ++sy)
                for (int sx = 0; sx < ss; ++sx) {
                    float u = (fl(x) + (fl(sx) + 0.5f) / fl(ss)) / fl(size);
                    float v = (fl(y) + (fl(sy) + 0.5f) / fl(ss)) / fl(size);
                    // Offset from the nearest corner: the image wraps, so the four
                    // corners meet in one flake.
                    u -= std::round(u);
                    v -= std::round(v);
                    const Crystal c = crystalAt(u / radius, v / radius);
                    plate += c.plate;
                    arms += c.arms;
                    rim += c.rim;
                }
            const float n = fl(ss * ss);
            plate /= n;
            arms /= n;
            rim /= n;
            const float body = std::max(plate, arms);
            if (body <= 0.0f) continue;
            // Translucent ice plate, clearer arms, bright etched lines.
            Color c = mix(rgb(0.80f, 0.90f, 1.0f), rgb(0.96f, 0.99f, 1.0f), arms);
            c = mix(c, rgb(1.0f, 1.0f, 1.0f), rim);
            c.a = body * (0.78f + 0.22f * std::max(arms, rim));
            img.at(x, y) = c;
        }
    bleedColours(img);
    return img;
}

Image makeShineTexture()
{
    const int size = 128;
    Image img(size, size, rgb(1.0f, 0.9f, 0.7f, 0.0f));
    const int ss = 3;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float alpha = 0.0f, core = 0.0f;
            for (int sy = 0; sy < ss; ++sy)
                for (int sx = 0; sx < ss; ++sx) {
                    const float px = ((fl(x) + (fl(sx) + 0.5f) / fl(ss)) / fl(size) - 0.5f) * 2.0f;
                    const float py = ((fl(y) + (fl(sy) + 0.5f) / fl(ss)) / fl(size) - 0.5f) * 2.0f;
                    const float r = std::sqrt(px * px + py * py);
                    const float fadeOut = 1.0f - smoothstep(0.75f, 0.98f, r);
                    const float glow =
                        std::exp(-(r * r) / (0.13f * 0.13f)) + 0.45f * std::exp(-(r * r) / (0.32f * 0.32f)) * fadeOut;
                    // Four long rays and four short diagonal ones, thinning outwards.
                    auto ray = [&](float along, float across, float length) {
                        if (along < 0.0f) along = -along;
                        const float w = 0.018f + 0.03f * (1.0f - along / length);
                        const float fall = clamp01(1.0f - along / length);
                        return std::exp(-(across * across) / (w * w)) * fall * fall;
                    };
                    const float d1 = (px + py) * 0.70710678f, d2 = (px - py) * 0.70710678f;
                    float rays = std::max(ray(px, py, 0.98f), ray(py, px, 0.98f));
                    rays = std::max(rays, 0.55f * std::max(ray(d1, d2, 0.55f), ray(d2, d1, 0.55f)));
                    alpha += std::min(1.0f, glow + 0.9f * rays) * (r < 1.0f ? 1.0f : 0.0f) * (r < 1.0f ? 1.0f : 0.0f);
                    core += std::exp(-(r * r) / (0.2f * 0.2f));
                }
            alpha /= fl(ss * ss);
            core /= fl(ss * ss);
            Color c = mix(rgb(1.0f, 0.82f, 0.52f), rgb(1.0f, 1.0f, 0.96f), clamp01(core * 1.3f));
            c.a = clamp01(alpha);
            img.at(x, y) = c;
        }
    // The quad's border must be fully clear, or the sparkle's square would show.
    for (int i = 0; i < size; ++i) {
        img.at(i, 0).a = img.at(i, size - 1).a = 0.0f;
        img.at(0, i).a = img.at(size - 1, i).a = 0.0f;
    }
    return img;
}

Image makeOverlayTexture()
{
    const int size = 512;
    Image img(size, size);
    TileNoise haze(0x0E0001);
    TileNoise wobble(0x0E0002);
    Rng rng(0x0E0003);

    // Frost ferns grow in from the border: a stem with alternating side branches
    // at 60 degrees, each of which branches again.
    Coverage frost(size, size, false, false);
    struct Branch {
        float x, y, angle, length, width;
        int depth;
    };
    std::vector<Branch> stack;
    auto seed = [&](float x, float y, float inward, float length) {
        stack.push_back(Branch{x, y, inward + rng.range(-0.5f, 0.5f), length, rng.range(0.8f, 1.3f), 0});
    };
    // More and longer growth in the corners, where frost gathers on a cold pane.
    for (int i = 0; i < 48; ++i) {
        const float t = rng.uniform();
        const float cornerness = std::pow(std::fabs(t - 0.5f) * 2.0f, 3.0f);
        const float length = fl(size) * rng.range(0.03f, 0.065f) * (1.0f + 2.2f * cornerness);
        const float pos = t * fl(size);
        switch (i % 4) {
        case 0: seed(pos, -2.0f, kPi * 0.5f, length); break;
        case 1: seed(pos, fl(size) + 2.0f, -kPi * 0.5f, length); break;
        case 2: seed(-2.0f, pos, 0.0f, length); break;
        default: seed(fl(size) + 2.0f, pos, kPi, length); break;
        }
    }
    for (int c = 0; c < 4; ++c) {
        const float cx = (c & 1) ? fl(size) : 0.0f, cy = (c & 2) ? fl(size) : 0.0f;
        const float diag = std::atan2(fl(size) * 0.5f - cy, fl(size) * 0.5f - cx);
        for (int k = 0; k < 3; ++k)
            stack.push_back(
                Branch{cx, cy, diag + rng.range(-0.45f, 0.45f), fl(size) * rng.range(0.11f, 0.17f), 1.6f, 0});
    }
    while (!stack.empty()) {
        Branch b = stack.back();
        stack.pop_back();
        const int steps = std::max(2, static_cast<int>(b.length / 4.0f));
        float x = b.x, y = b.y, angle = b.angle;
        const float stepLen = b.length / fl(steps);
        for (int s = 0; s < steps; ++s) {
            const float taper = 1.0f - fl(s) / fl(steps);
            const float nx = x + std::cos(angle) * stepLen, ny = y + std::sin(angle) * stepLen;
            frost.stroke(x, y, nx, ny, b.width * (0.35f + 0.65f * taper), b.width * (0.35f + 0.6f * taper), 1.0f);
            angle += rng.range(-0.08f, 0.08f);
            // Feathery: a side branch at every step, alternating sides.
            if (b.depth < 3 && s > 0 && s < steps - 1) {
                const float side = (s % 2) ? 1.0f : -1.0f;
                const float childLen = b.length * taper * rng.range(0.22f, 0.4f);
                if (childLen > 3.0f)
                    stack.push_back(Branch{nx, ny, angle + side * kPi / 3.0f, childLen, b.width * 0.7f, b.depth + 1});
            }
            x = nx;
            y = ny;
        }
    }
    // Small six-armed crystals scattered through the frame.
    for (int i = 0; i < 16; ++i) {
        const float edge = rng.range(0.0f, 0.08f) * fl(size);
        const float along = rng.uniform() * fl(size);
        float cx, cy;
        switch (rng.below(4)) {
        case 0: cx = along, cy = edge; break;
        case 1: cx = along, cy = fl(size) - edge; break;
        case 2: cx = edge, cy = along; break;
        default: cx = fl(size) - edge, cy = along; break;
        }
        const float r = rng.range(3.0f, 6.0f);
        const float turn = rng.uniform() * kPi;
        for (int a = 0; a < 6; ++a) {
            const float ang = turn + fl(a) * kPi / 3.0f;
            frost.stroke(cx, cy, cx + std::cos(ang) * r, cy + std::sin(ang) * r, 0.9f, 0.4f, 0.8f);
        }
    }
    const Coverage glow = frost.blurred(3);

    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float u = (fl(x) + 0.5f) / fl(size), v = (fl(y) + 0.5f) / fl(size);
            const float ex = std::fabs(2.0f * u - 1.0f), ey = std::fabs(2.0f * v - 1.0f);
            // Rounded-rectangle distance: 0 in the middle, 1 at the middle of an edge.
            const float d = std::pow(std::pow(ex, 4.0f) + std::pow(ey, 4.0f), 0.25f);
            const float edge = std::min(std::min(u, 1.0f - u), std::min(v, 1.0f - v));
            // Veil: a little night blue everywhere, so that whatever moves leaves a short,
            // fading trail instead of a lasting smear, darkening towards the corners.
            float veilA = 0.13f + 0.52f * smoothstep(0.62f, 1.22f, d);
            Color veil = mix(rgb(0.02f, 0.035f, 0.10f), rgb(0.0f, 0.01f, 0.04f), smoothstep(0.6f, 1.2f, d));
            // Misted glass along the border, patchy.
            const float mist = clamp01(0.5f + 0.8f * haze.fbm(u, v, 6, 6, 4, 0.55f)) *
                               (1.0f - smoothstep(0.0f, 0.075f + 0.03f * wobble.at(u, v, 4, 4), edge));
            const float fern = frost.at(x, y);
            const float halo = glow.at(x, y);
            float frostA = clamp01(std::max(0.7f * fern, 0.4f * mist) + 0.3f * halo);
            Color frostC = mix(rgb(0.70f, 0.82f, 0.98f), rgb(0.96f, 0.98f, 1.0f), clamp01(fern + 0.3f * mist));
            // Frost over veil, as one layer over another.
            const float outA = frostA + veilA * (1.0f - frostA);
            Color out;
            out.r = (frostC.r * frostA + veil.r * veilA * (1.0f - frostA)) / outA;
            out.g = (frostC.g * frostA + veil.g * veilA * (1.0f - frostA)) / outA;
            out.b = (frostC.b * frostA + veil.b * veilA * (1.0f - frostA)) / outA;
            out.a = outA;
            img.at(x, y) = out;
        }
    return img;
}

Image makeBarkTexture()
{
    const int size = 128;
    Image img(size, size);
    TileNoise plates(0xBA0001);
    TileNoise cracks(0xBA0002);
    TileNoise tint(0xBA0003);
    std::vector<float> height(static_cast<size_t>(size) * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float u = (fl(x) + 0.5f) / fl(size), v = (fl(y) + 0.5f) / fl(size);
            // Long vertical plates split by furrows where the noise crosses zero,
            // with a few cross cracks.
            const float warp = 0.05f * plates.fbm(u, v, 4, 2, 2, 0.5f);
            const float n = plates.fbm(u + warp, v, 12, 2, 3, 0.4f);
            const float furrow = 1.0f - smoothstep(0.0f, 0.2f, std::fabs(n));
            const float crack = smoothstep(0.93f, 0.99f, 1.0f - std::fabs(cracks.at(u, v, 3, 18))) *
                                smoothstep(0.25f, 0.55f, cracks.fbm(u + 0.5f, v, 4, 4, 2, 0.5f));
            float h = (1.0f - furrow) * (1.0f - 0.6f * crack);
            height[static_cast<size_t>(y) * size + x] = h;
        }
    auto heightAt = [&](int x, int y) {
        return height[static_cast<size_t>((y + size) % size) * size + (x + size) % size];
    };
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float u = (fl(x) + 0.5f) / fl(size), v = (fl(y) + 0.5f) / fl(size);
            const float h = heightAt(x, y);
            const float gx = heightAt(x + 1, y) - heightAt(x - 1, y);
            const float light = clamp01(0.6f + 1.2f * -gx);
            Color furrow = rgb(0.07f, 0.05f, 0.04f);
            Color plate =
                mix(rgb(0.30f, 0.23f, 0.18f), rgb(0.40f, 0.36f, 0.32f), clamp01(0.5f + tint.fbm(u, v, 4, 4, 3, 0.5f)));
            Color c = mix(furrow, plate, h);
            c = scaled(c, 0.75f + 0.45f * light * h);
            // Pale lichen in places.
            const float lichen = smoothstep(0.35f, 0.6f, tint.fbm(u + 0.5f, v, 3, 3, 4, 0.6f)) * h;
            c = mix(c, rgb(0.45f, 0.50f, 0.42f), 0.5f * lichen);
            img.at(x, y) = c;
        }
    return img;
}

namespace {

// Half-width of a frond along its length, as a fraction of the cell's half-height:
// narrow at the base, widest past the middle, drawn to a point at the tip.
float frondEnvelope(float u)
{
    const float grow = 0.35f + 0.65f * smoothstep(0.0f, 0.5f, u);
    const float taper = std::pow(clamp01((1.0f - u) / 0.45f), 0.6f);
    return grow * std::min(1.0f, taper);
}

// One frond into its cell: twigs leave the midrib towards the tip, each set with
// needles; snow sits along the midrib in a lumpy pillow.
void paintFrond(Image &atlasImage, const atlas::Cell &cell, uint64_t seed)
{
    const int w = cell.width, h = cell.height;
    const float scale = fl(h) / 64.0f;  // needle sizes follow the cell
    const float mid = fl(h) * 0.5f;
    const float halfMax = fl(h) * 0.47f;
    Image img(w, h, rgb(0.04f, 0.09f, 0.06f, 0.0f));
    Rng rng(seed);
    TileNoise noise(seed ^ 0x55);

    const Color needleDark = rgb(0.035f, 0.085f, 0.055f);
    const Color needleMid = rgb(0.09f, 0.21f, 0.13f);
    const Color needleLight = rgb(0.22f, 0.38f, 0.25f);
    const Color twig = rgb(0.20f, 0.15f, 0.10f);

    // Solid core, so that the middle of the frond hides what lies behind it.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float u = (fl(x) + 0.5f) / fl(w);
            if (std::fabs(fl(y) + 0.5f - mid) < 0.5f * frondEnvelope(u) * halfMax && u < 0.97f) {
                img.at(x, y) = mix(needleDark, needleMid, 0.25f * u);
                img.at(x, y).a = 1.0f;
            }
        }
    // Needles along a twig from (x0, y0) to (x1, y1), pointing forwards and out.
    auto needles = [&](float x0, float y0, float x1, float y1, float lengthScale, float lightness) {
        const float dx = x1 - x0, dy = y1 - y0;
        const float len = std::sqrt(dx * dx + dy * dy);
        if (len < 1.0f) return;
        const float ux = dx / len, uy = dy / len;
        const float stepLen = 1.1f * scale + 0.3f;
        for (float d = 0.0f; d < len; d += stepLen) {
            const float px = x0 + ux * d, py = y0 + uy * d;
            const float along = d / len;
            for (int side = -1; side <= 1; side += 2) {
                const float ang = fl(side) * rng.range(0.75f, 1.05f);
                const float ca = std::cos(ang), sa = std::sin(ang);
                const float nx = ux * ca - uy * sa, ny = ux * sa + uy * ca;
                const float nl = scale * lengthScale * rng.range(4.5f, 7.0f) * (1.0f - 0.35f * along);
                const float shade = clamp01(lightness * (0.45f + 0.55f * along) * rng.range(0.6f, 1.15f));
                Color c = shade < 0.5f ? mix(needleDark, needleMid, shade * 2.0f)
                                       : mix(needleMid, needleLight, shade * 2.0f - 1.0f);
                paintStroke(img, px, py, px + nx * nl, py + ny * nl, 0.55f * scale + 0.25f, 0.3f * scale + 0.15f, c,
                            false);
            }
        }
    };
    // Twigs in pairs along the midrib, one side a little ahead of the other.
    const float spacing = fl(w) / 24.0f;
    struct Twig {
        float x0, y0, x1, y1;
    };
    std::vector<Twig> twigs;
    for (float x = spacing * 0.5f; x < fl(w) * 0.93f; x += spacing) {
        for (int side = -1; side <= 1; side += 2) {
            const float x0 = x + (side > 0 ? spacing * 0.45f : 0.0f) + rng.range(-1.5f, 1.5f) * scale;
            const float u0 = x0 / fl(w);
            const float angle = rng.range(0.75f, 0.95f);
            const float reach =
                frondEnvelope(std::min(1.0f, u0 + 0.08f)) * (halfMax - 5.0f * scale) * rng.range(0.85f, 1.0f);
            const float len = reach / std::sin(angle);
            const float x1 = x0 + std::cos(angle) * len, y1 = mid + fl(side) * std::sin(angle) * len;
            twigs.push_back({x0, mid, x1, y1});
        }
    }
    // Back to front: twigs first, then their needles, then the midrib's own.
    for (const Twig &t : twigs) paintStroke(img, t.x0, t.y0, t.x1, t.y1, 0.8f * scale, 0.4f * scale, twig, false);
    for (const Twig &t : twigs) needles(t.x0, t.y0, t.x1, t.y1, 1.0f, 0.9f);
    paintStroke(img, 0.0f, mid, fl(w) * 0.97f, mid, 1.3f * scale, 0.5f * scale, twig, false);
    needles(0.0f, mid, fl(w) * 0.97f, mid, 0.8f, 0.7f);

    // Snow along the midrib, thickest mid-frond and gone before the tip, with a
    // few clumps caught further out on the twigs.
    Coverage snow(w, h, false, false);
    std::vector<float> pillowCentre(static_cast<size_t>(w)), pillowHalf(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x) {
        const float u = (fl(x) + 0.5f) / fl(w);
        // Lumpy, and here and there pinched so the green shows through.
        const float lump = std::min(1.1f, std::max(0.0f, 0.72f + 0.75f * noise.fbm(u, 0.5f, 7, 1, 3, 0.5f)));
        const float half = 0.5f * frondEnvelope(u) * halfMax * lump * (1.0f - smoothstep(0.62f, 0.86f, u)) *
                           smoothstep(0.0f, 0.08f, u);
        const float centre = mid + 0.12f * halfMax * noise.at(u, 0.2f, 5, 1);
        pillowCentre[static_cast<size_t>(x)] = centre;
        pillowHalf[static_cast<size_t>(x)] = half;
        if (half > 0.5f) snow.stroke(fl(x), centre, fl(x) + 1.0f, centre, half, half, 1.0f);
    }
    for (const Twig &t : twigs) {
        if (rng.uniform() < 0.6f) continue;
        const float k = rng.range(0.35f, 0.7f);
        const float cx = t.x0 + (t.x1 - t.x0) * k, cy = t.y0 + (t.y1 - t.y0) * k;
        if (cx > fl(w) * 0.85f) continue;
        // A clump lies along its twig, a little lumpy.
        const float r = scale * rng.range(2.0f, 3.2f);
        snow.stroke(cx, cy, cx + (t.x1 - t.x0) * 0.12f, cy + (t.y1 - t.y0) * 0.12f, r, r * 0.7f, 1.0f);
    }
    const Coverage snowSoft = snow.blurred(std::max(1, static_cast<int>(2.0f * scale)));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float u = (fl(x) + 0.5f) / fl(w);
            Color &dst = img.at(x, y);
            if (dst.a <= 0.0f) continue;
            const float cover = snow.at(x, y);
            const float soft = snowSoft.at(x, y);
            // Needles just beside the snow sit in its shadow.
            dst = scaled(dst, 1.0f - 0.5f * clamp01(soft * 2.0f) * (1.0f - cover));
            if (cover <= 0.0f) continue;
            // A rounded pillow: bright along its crest, bluer where it falls away;
            // dimmer near the trunk, in the shade of the branches above.
            float lit = 0.35f + 0.75f * soft;
            lit *= 0.55f + 0.45f * smoothstep(0.02f, 0.35f, u);
            lit += 0.08f * noise.fbm(u, (fl(y) + 0.5f) / fl(h), 16, 4, 2, 0.5f);
            Color c = mix(kSnowShade, kSnowLit, clamp01(lit));
            if (lit < 0.35f) c = mix(scaled(kSnowShade, 0.65f), c, clamp01(lit / 0.35f));
            dst = mix(dst, c, cover);
        }
    // Needle tips poking out through the edge of the snow tie it to the branch.
    for (int i = 0; i < w / 4; ++i) {
        const int x = rng.below(w);
        const float half = pillowHalf[static_cast<size_t>(x)];
        if (half < 2.0f * scale) continue;
        const float side = rng.uniform() < 0.5f ? -1.0f : 1.0f;
        const float y0 = pillowCentre[static_cast<size_t>(x)] + side * (half + 1.5f * scale);
        const float y1 = pillowCentre[static_cast<size_t>(x)] + side * (half - rng.range(1.5f, 3.0f) * scale);
        const float x1 = fl(x) + rng.range(1.0f, 3.0f) * scale;
        paintStroke(img, fl(x), y0, x1, y1, 0.5f * scale + 0.2f, 0.3f * scale + 0.1f,
                    mix(needleDark, needleMid, rng.uniform()), false);
    }
    // Alpha is cut hard: the tree is drawn with an alpha test, and a crisp edge
    // sorts correctly whatever the order in which branches are drawn.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Color &c = img.at(x, y);
            const bool border = x == 0 || y == 0 || x == w - 1 || y == h - 1;
            c.a = (c.a > 0.5f && !border) ? 1.0f : 0.0f;
        }
    bleedColours(img);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) atlasImage.at(cell.left + x, cell.top + y) = img.at(x, y);
}

}  // namespace

Image makeNeedlesTexture()
{
    using namespace atlas;
    Image img(kSize, kSize, rgb(0.04f, 0.09f, 0.06f));
    for (int i = 0; i < kFrondCount; ++i) paintFrond(img, kFronds[i], 0xF0D000 + static_cast<uint64_t>(i));

    // Inside the tree: dense needles in shade, wrapping horizontally.
    {
        const Cell c = kInner;
        Image band(c.width, c.height, rgb(0.02f, 0.05f, 0.035f));
        Rng rng(0xAE0030);
        for (int i = 0; i < 1100; ++i) {
            const float depth = fl(i) / 1100.0f;
            const float x = rng.uniform() * fl(c.width), y = rng.uniform() * fl(c.height);
            const float a = rng.range(-0.9f, 0.9f);
            const float len = rng.range(3.0f, 6.0f);
            const float lift = (y / fl(c.height));
            Color col = mix(rgb(0.02f, 0.05f, 0.035f), rgb(0.08f, 0.17f, 0.11f), depth * (0.5f + 0.5f * lift));
            paintStroke(band, x, y, x + std::sin(a) * len, y + std::cos(a) * len, 0.8f, 0.4f, col, true);
        }
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                Color px = band.at(x, y);
                px.a = 1.0f;
                img.at(c.left + x, c.top + y) = px;
            }
    }

    // Gold for the star, with a slight sheen down each strip.
    {
        const Color gold[kGoldStrips] = {rgb(1.0f, 0.95f, 0.70f), rgb(0.98f, 0.80f, 0.36f), rgb(0.80f, 0.56f, 0.18f),
                                         rgb(0.50f, 0.32f, 0.08f)};
        for (int s = 0; s < kGoldStrips; ++s)
            for (int y = 0; y < kGold.height; ++y)
                for (int x = 0; x < kGold.width; ++x) {
                    const float t = fl(y) / fl(kGold.height - 1);
                    img.at(kGold.left + s * kGold.width + x, kGold.top + y) = scaled(gold[s], 1.08f - 0.16f * t);
                }
    }
    TileNoise lumps(0xAE0002);
    for (int y = 0; y < kSnow.height; ++y)
        for (int x = 0; x < kSnow.width; ++x) {
            const float u = fl(x) / fl(kSnow.width), v = fl(y) / fl(kSnow.height);
            // Shaded at the top row, lit at the bottom: texture coordinates pick the light.
            const float lit = v + 0.12f * lumps.fbm(u, v, 4, 4, 3, 0.5f);
            img.at(kSnow.left + x, kSnow.top + y) = mix(scaled(kSnowShade, 0.6f), kSnowLit, clamp01(lit));
        }
    // Shadow: strongest at the trunk. The alpha test drops what is 0.1 or less, so
    // the rim is dithered away rather than ending in a hard circle.
    {
        TileNoise noise(0xAE0041);
        Rng rng(0xAE0040);
        for (int y = 0; y < kShadow.height; ++y)
            for (int x = 0; x < kShadow.width; ++x) {
                const float px = (fl(x) + 0.5f) / fl(kShadow.width) * 2.0f - 1.0f;
                const float py = (fl(y) + 0.5f) / fl(kShadow.height) * 2.0f - 1.0f;
                const float r =
                    std::sqrt(px * px + py * py) * (1.0f + 0.08f * noise.at(px * 0.5f + 0.5f, py * 0.5f + 0.5f, 5, 5));
                float a = 0.11f + 0.42f * std::pow(clamp01(1.0f - r / 0.92f), 1.4f);
                if (rng.uniform() < smoothstep(0.75f, 0.92f, r)) a = 0.0f;
                img.at(kShadow.left + x, kShadow.top + y) = rgb(0.30f, 0.36f, 0.58f, a);
            }
    }
    return img;
}

}  // namespace frostel_assets
