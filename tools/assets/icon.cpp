// The program's icon: a snowy fir with its gold star on a night-blue tile, drawn from one list of shapes
// both as pixels (the PNG sizes and the Windows icon) and as SVG.
#include "icon.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "png.h"

namespace frostel_assets {

namespace {

struct Point {
    float x, y;
};

// Coordinates are in the unit square, y down. Every shape but the tile is clipped to the tile.
struct Shape {
    enum Kind { kPolygon, kCircle } kind;
    std::vector<Point> points;  // polygon corners, or the circle's centre
    float radius = 0.0f;
    Color color;
};

constexpr float kTileInset = 0.03f, kTileRadius = 0.18f;
const Color kSkyTop{0.035f, 0.07f, 0.19f, 1.0f};
const Color kSkyBottom{0.15f, 0.25f, 0.48f, 1.0f};

Color hex(unsigned rgb)
{
    auto part = [rgb](int shift) { return static_cast<float>((rgb >> shift) & 0xFF) / 255.0f; };
    return Color{part(16), part(8), part(0), 1.0f};
}

Shape polygon(std::vector<Point> points, unsigned rgb)
{
    return Shape{Shape::kPolygon, std::move(points), 0.0f, hex(rgb)};
}
Shape circle(float x, float y, float r, unsigned rgb) { return Shape{Shape::kCircle, {{x, y}}, r, hex(rgb)}; }

// Snow hanging from a tier's lower edge: straight along the bottom, a row of teeth on top.
Shape snowFringe(float left, float right, float bottom, int teeth)
{
    std::vector<Point> p = {{left, bottom}, {right, bottom}};
    const float step = (right - left) / static_cast<float>(teeth);
    for (int i = teeth; i >= 0; --i) {
        const float x = left + step * static_cast<float>(i);
        p.push_back({x, bottom - 0.045f});
        if (i > 0) p.push_back({x - step * 0.5f, bottom - 0.018f});
    }
    return polygon(p, 0xF4F8FF);
}

Shape star(float cx, float cy, float outer, float inner)
{
    std::vector<Point> p;
    for (int i = 0; i < 10; ++i) {
        const float angle = static_cast<float>(M_PI) * (static_cast<float>(i) / 5.0f - 0.5f);
        const float r = (i % 2 == 0) ? outer : inner;
        p.push_back({cx + r * std::cos(angle), cy + r * std::sin(angle)});
    }
    return polygon(p, 0xFFD34A);
}

// Painted in this order over the sky gradient of the tile.
const std::vector<Shape> &shapes()
{
    static const std::vector<Shape> list = [] {
        std::vector<Shape> s;
        for (const Point &f : std::vector<Point>{{0.17f, 0.24f}, {0.84f, 0.20f}, {0.12f, 0.55f}, {0.88f, 0.50f}})
            s.push_back(circle(f.x, f.y, 0.022f, 0xDDE6F6));
        s.push_back(circle(0.76f, 0.34f, 0.014f, 0xDDE6F6));
        s.push_back(circle(0.26f, 0.38f, 0.014f, 0xDDE6F6));
        s.push_back(polygon({{0.0f, 0.87f},
                             {0.25f, 0.83f},
                             {0.5f, 0.815f},
                             {0.75f, 0.825f},
                             {1.0f, 0.855f},
                             {1.0f, 1.0f},
                             {0.0f, 1.0f}},
                            0xE4ECF8));
        s.push_back(polygon({{0.45f, 0.72f}, {0.55f, 0.72f}, {0.55f, 0.86f}, {0.45f, 0.86f}}, 0x5C3B22));
        struct Tier {
            float top, bottom, halfWidth;
            int teeth;
        };
        for (const Tier &t :
             {Tier{0.36f, 0.78f, 0.33f, 6}, Tier{0.25f, 0.59f, 0.25f, 5}, Tier{0.15f, 0.41f, 0.18f, 4}}) {
            s.push_back(
                polygon({{0.5f, t.top}, {0.5f + t.halfWidth, t.bottom}, {0.5f - t.halfWidth, t.bottom}}, 0x1E5C34));
            s.push_back(snowFringe(0.5f - t.halfWidth, 0.5f + t.halfWidth, t.bottom, t.teeth));
        }
        s.push_back(star(0.5f, 0.16f, 0.095f, 0.04f));
        return s;
    }();
    return list;
}

bool insideTile(float x, float y)
{
    const float lo = kTileInset + kTileRadius, hi = 1.0f - kTileInset - kTileRadius;
    if (x < kTileInset || x > 1.0f - kTileInset || y < kTileInset || y > 1.0f - kTileInset) return false;
    const float dx = x < lo ? lo - x : (x > hi ? x - hi : 0.0f);
    const float dy = y < lo ? lo - y : (y > hi ? y - hi : 0.0f);
    return dx * dx + dy * dy <= kTileRadius * kTileRadius;
}

bool inside(const Shape &s, float x, float y)
{
    if (s.kind == Shape::kCircle) {
        const float dx = x - s.points[0].x, dy = y - s.points[0].y;
        return dx * dx + dy * dy <= s.radius * s.radius;
    }
    bool in = false;  // even-odd crossings
    for (size_t i = 0, j = s.points.size() - 1; i < s.points.size(); j = i++) {
        const Point &a = s.points[i], &b = s.points[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
}

float skyAt(float y) { return (y - kTileInset) / (1.0f - 2.0f * kTileInset); }

std::string number(float v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", static_cast<double>(v) * 256.0);
    return text;
}

std::string colour(const Color &c)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", static_cast<unsigned>(std::lround(c.r * 255.0f)),
                  static_cast<unsigned>(std::lround(c.g * 255.0f)), static_cast<unsigned>(std::lround(c.b * 255.0f)));
    return text;
}

}  // namespace

const std::vector<int> &iconSizes()
{
    static const std::vector<int> sizes = {16, 22, 24, 32, 48, 64, 128, 256};
    return sizes;
}

const std::vector<int> &windowsIconSizes()
{
    static const std::vector<int> sizes = {16, 24, 32, 48, 64, 256};
    return sizes;
}

const std::vector<int> &webIconSizes()
{
    static const std::vector<int> sizes = {192, 512};
    return sizes;
}

Image makeIcon(int size, bool maskable)
{
    // 8 x 8 samples a pixel: edges stay smooth even at 16 pixels.
    constexpr int kSamples = 8;
    // A maskable icon is cut by the system into any shape that holds the middle circle of 80 % of its width: the
    // whole picture is drawn smaller into that circle, and its sky and ground stretch on to the square's edges.
    constexpr float kMaskableScale = 0.8f;
    auto clamped = [](float v) { return std::min(0.9995f, std::max(0.0005f, v)); };  // inside the edge shapes
    Image image(size, size, Color{0.0f, 0.0f, 0.0f, 0.0f});
    const std::vector<Shape> &list = shapes();
    for (int py = 0; py < size; ++py)
        for (int px = 0; px < size; ++px) {
            float r = 0.0f, g = 0.0f, b = 0.0f, covered = 0.0f;
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx) {
                    float x = (static_cast<float>(px) + (static_cast<float>(sx) + 0.5f) / kSamples) /
                              static_cast<float>(size);
                    float y = (static_cast<float>(py) + (static_cast<float>(sy) + 0.5f) / kSamples) /
                              static_cast<float>(size);
                    if (maskable) {
                        x = clamped(0.5f + (x - 0.5f) / kMaskableScale);
                        y = clamped(0.5f + (y - 0.5f) / kMaskableScale);
                    } else if (!insideTile(x, y)) {
                        continue;
                    }
                    Color c = mix(kSkyTop, kSkyBottom, skyAt(y));
                    for (const Shape &s : list)
                        if (inside(s, x, y)) c = s.color;
                    r += c.r;
                    g += c.g;
                    b += c.b;
                    covered += 1.0f;
                }
            if (covered > 0.0f)
                image.at(px, py) = Color{r / covered, g / covered, b / covered, covered / (kSamples * kSamples)};
        }
    return image;
}

std::string makeIconSvg()
{
    const float tileSize = 1.0f - 2.0f * kTileInset;
    std::string svg =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n"
        "  <defs>\n"
        "    <linearGradient id=\"sky\" x1=\"0\" y1=\"" +
        number(kTileInset) + "\" x2=\"0\" y2=\"" + number(1.0f - kTileInset) +
        "\" gradientUnits=\"userSpaceOnUse\">\n"
        "      <stop offset=\"0\" stop-color=\"" +
        colour(kSkyTop) +
        "\"/>\n"
        "      <stop offset=\"1\" stop-color=\"" +
        colour(kSkyBottom) +
        "\"/>\n"
        "    </linearGradient>\n";
    const std::string tile = "x=\"" + number(kTileInset) + "\" y=\"" + number(kTileInset) + "\" width=\"" +
                             number(tileSize) + "\" height=\"" + number(tileSize) + "\" rx=\"" + number(kTileRadius) +
                             "\"";
    svg += "    <clipPath id=\"tile\"><rect " + tile + "/></clipPath>\n  </defs>\n";
    svg += "  <rect " + tile + " fill=\"url(#sky)\"/>\n  <g clip-path=\"url(#tile)\">\n";
    for (const Shape &s : shapes()) {
        if (s.kind == Shape::kCircle) {
            svg += "    <circle cx=\"" + number(s.points[0].x) + "\" cy=\"" + number(s.points[0].y) + "\" r=\"" +
                   number(s.radius) + "\" fill=\"" + colour(s.color) + "\"/>\n";
            continue;
        }
        svg += "    <polygon points=\"";
        for (size_t i = 0; i < s.points.size(); ++i)
            svg += (i ? " " : "") + number(s.points[i].x) + "," + number(s.points[i].y);
        svg += "\" fill=\"" + colour(s.color) + "\"/>\n";
    }
    svg += "  </g>\n</svg>\n";
    return svg;
}

std::vector<DataFile> makeIconFiles()
{
    std::vector<DataFile> files;
    std::vector<Image> windows;
    for (int size : iconSizes()) {
        Image image = makeIcon(size);
        files.push_back({"frostel-" + std::to_string(size) + ".png", encodePng(image)});
        for (int w : windowsIconSizes())
            if (w == size) windows.push_back(image);
    }
    for (int size : webIconSizes()) {
        files.push_back({"frostel-" + std::to_string(size) + ".png", encodePng(makeIcon(size))});
        files.push_back({"frostel-maskable-" + std::to_string(size) + ".png", encodePng(makeIcon(size, true))});
    }
    const std::string svg = makeIconSvg();
    files.push_back({"frostel.svg", Bytes(svg.begin(), svg.end())});
    files.push_back({"frostel.ico", encodeIco(windows)});
    return files;
}

}  // namespace frostel_assets
