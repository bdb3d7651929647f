// Generator for the snow-laden fir: trunk, drooping branch tiers, fringes, a star and its shadow.
#include "tree.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "noise.h"
#include "textures.h"

namespace frostel_assets {

namespace {

constexpr float kPi = 3.14159265358979323846f;

struct Vec3 {
    float x, y, z;
};
Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, float k) { return {a.x * k, a.y * k, a.z * k}; }
Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 normalized(Vec3 a)
{
    const float len = std::sqrt(dot(a, a));
    return len > 0.0f ? a * (1.0f / len) : Vec3{0.0f, 1.0f, 0.0f};
}
Vec3 radial(float angle) { return {std::cos(angle), 0.0f, std::sin(angle)}; }

struct UV {
    float s, t;
};

// Texture coordinates inside an atlas cell, kept half a texel and more from its
// border so that linear filtering never reaches the neighbouring cell.
UV cellUV(const atlas::Cell &cell, float fx, float fy)
{
    const float size = static_cast<float>(atlas::kSize);
    return {(static_cast<float>(cell.left) + 1.0f + fx * static_cast<float>(cell.width - 2)) / size,
            (static_cast<float>(cell.top) + 1.0f + fy * static_cast<float>(cell.height - 2)) / size};
}

enum Group : uint8_t { kShadow, kTrunk, kInner, kSnowCaps, kBranches, kStar, kGroupCount };

class Builder {
public:
    explicit Builder(Mesh &mesh) : mesh_(mesh) { }

    uint16_t vertex(Vec3 p)
    {
        if (mesh_.positions.size() >= 65535) throw std::length_error("tree has too many vertices");
        mesh_.positions.push_back({p.x, p.y, p.z});
        sums_.push_back({0.0f, 0.0f, 0.0f});
        return static_cast<uint16_t>(mesh_.positions.size() - 1);
    }

    // Corners counter-clockwise seen from the front.
    void triangle(Group group, uint16_t a, uint16_t b, uint16_t c, UV ua, UV ub, UV uc, bool flat = false)
    {
        MeshTriangle tri;
        tri.vertices[0] = a;
        tri.vertices[1] = b;
        tri.vertices[2] = c;
        const UV uvs[3] = {ua, ub, uc};
        for (int k = 0; k < 3; ++k) {
            tri.s[k] = uvs[k].s;
            tri.t[k] = uvs[k].t;
        }
        tri.group = group;
        tri.smoothingGroup = flat ? 2 : 1;
        const Vec3 n = cross(at(b) - at(a), at(c) - at(a));
        if (flat) {
            const Vec3 u = normalized(n);
            for (auto &corner : tri.normals) corner[0] = u.x, corner[1] = u.y, corner[2] = u.z;
        } else {
            for (uint16_t v : tri.vertices) sums_[v] = sums_[v] + n;  // weighted by area
        }
        mesh_.triangles.push_back(tri);
        flat_.push_back(flat);
    }

    void quad(Group group, uint16_t a, uint16_t b, uint16_t c, uint16_t d, UV ua, UV ub, UV uc, UV ud)
    {
        triangle(group, a, b, c, ua, ub, uc);
        triangle(group, a, c, d, ua, uc, ud);
    }

    Vec3 at(uint16_t v) const
    {
        const auto &p = mesh_.positions[v];
        return {p[0], p[1], p[2]};
    }

    void finishNormals()
    {
        for (size_t i = 0; i < mesh_.triangles.size(); ++i) {
            if (flat_[i]) continue;
            MeshTriangle &tri = mesh_.triangles[i];
            for (int k = 0; k < 3; ++k) {
                const Vec3 n = normalized(sums_[tri.vertices[k]]);
                tri.normals[k][0] = n.x;
                tri.normals[k][1] = n.y;
                tri.normals[k][2] = n.z;
            }
        }
    }

private:
    Mesh &mesh_;
    std::vector<Vec3> sums_;
    std::vector<bool> flat_;
};

float trunkRadius(float y, float angle)
{
    const float taper = 0.8f + 4.4f * std::pow(std::max(0.0f, 1.0f - y / 150.0f), 1.2f);
    const float roots = 1.0f + 0.45f * std::pow(std::max(0.0f, std::cos(5.0f * angle + 0.4f)), 2.0f);
    return taper + 3.2f * std::exp(-y / 3.0f) * roots;
}

void addTrunk(Builder &b)
{
    const int sides = 10;
    const float heights[] = {0.0f, 1.5f, 4.0f, 8.0f, 14.0f, 24.0f, 40.0f, 70.0f, 105.0f, 140.0f};
    const int rings = static_cast<int>(sizeof heights / sizeof heights[0]);
    std::vector<uint16_t> ids;
    for (int r = 0; r < rings; ++r)
        for (int j = 0; j < sides; ++j) {
            const float a = 2.0f * kPi * static_cast<float>(j) / static_cast<float>(sides);
            ids.push_back(b.vertex(radial(a) * trunkRadius(heights[r], a) + Vec3{0.0f, heights[r], 0.0f}));
        }
    for (int r = 0; r + 1 < rings; ++r)
        for (int j = 0; j < sides; ++j) {
            const int jn = (j + 1) % sides;
            const float s0 = static_cast<float>(j) / static_cast<float>(sides);
            const float s1 = static_cast<float>(j + 1) / static_cast<float>(sides);
            const float t0 = heights[r] / 32.0f, t1 = heights[r + 1] / 32.0f;
            // Seen from outside, going round with increasing angle is clockwise.
            b.quad(kTrunk, ids[r * sides + j], ids[(r + 1) * sides + j], ids[(r + 1) * sides + jn], ids[r * sides + jn],
                   {s0, t0}, {s0, t1}, {s1, t1}, {s1, t0});
        }
}

// A cone of shaded needles inside each whorl, so the gaps between fronds show
// depth rather than the sky.
void addInnerSkirt(Builder &b, float baseY, float radius, float drop, int segments)
{
    const uint16_t top = b.vertex({0.0f, baseY, 0.0f});
    std::vector<uint16_t> rim;
    for (int j = 0; j < segments; ++j) {
        const float a = 2.0f * kPi * static_cast<float>(j) / static_cast<float>(segments);
        rim.push_back(b.vertex(radial(a) * radius + Vec3{0.0f, baseY - drop, 0.0f}));
    }
    const float reps = std::max(1.0f, std::round(2.0f * kPi * radius / 120.0f));
    for (int j = 0; j < segments; ++j) {
        const float f0 = static_cast<float>(j) / static_cast<float>(segments);
        const float f1 = static_cast<float>(j + 1) / static_cast<float>(segments);
        UV u0 = cellUV(atlas::kInner, 0.0f, 1.0f), u1 = cellUV(atlas::kInner, 0.0f, 1.0f),
           apex = cellUV(atlas::kInner, 0.0f, 0.0f);
        u0.s = reps * f0;
        u1.s = reps * f1;
        apex.s = reps * (f0 + f1) * 0.5f;
        b.triangle(kInner, top, rim[(j + 1) % segments], rim[j], apex, u1, u0);
    }
}

struct Frond {
    Vec3 base;
    float yaw;  // direction it grows, about the trunk
    float length;
    float width;
    float rise;   // initial upward slope
    float droop;  // how far the weight of snow bends it down, per unit length squared
    float roll;   // bank about its own axis
    int cell;
};

// A drooping card: midrib and two edges, arched so the edges lie a little lower.
void addFrond(Builder &b, const Frond &f)
{
    const int segments = 4;
    const Vec3 up{0.0f, 1.0f, 0.0f};
    const Vec3 dir = radial(f.yaw);
    const Vec3 flatSide = radial(f.yaw + kPi * 0.5f);
    const Vec3 side = flatSide * std::cos(f.roll) + up * std::sin(f.roll);
    const float half = f.width * 0.5f;
    const atlas::Cell &cell = atlas::kFronds[f.cell];
    uint16_t ids[segments + 1][3];
    UV uvs[segments + 1][3];
    for (int i = 0; i <= segments; ++i) {
        const float s = static_cast<float>(i) / static_cast<float>(segments);
        const Vec3 centre = f.base + dir * (f.length * s) + up * (f.length * (f.rise * s - f.droop * s * s));
        const float arch = 0.3f * half * std::min(1.0f, s * 3.0f);
        ids[i][0] = b.vertex(centre + side * half - up * arch);
        ids[i][1] = b.vertex(centre);
        ids[i][2] = b.vertex(centre - side * half - up * arch);
        for (int k = 0; k < 3; ++k) uvs[i][k] = cellUV(cell, s, 0.5f * static_cast<float>(k));
    }
    for (int i = 0; i < segments; ++i)
        for (int k = 0; k < 2; ++k)
            b.quad(kBranches, ids[i][k], ids[i][k + 1], ids[i + 1][k + 1], ids[i + 1][k], uvs[i][k], uvs[i][k + 1],
                   uvs[i + 1][k + 1], uvs[i + 1][k]);
}

void addTip(Builder &b, float baseY, float topY, float baseRadius)
{
    const int sides = 8;
    const float midY = baseY + (topY - baseY) * 0.5f;
    std::vector<uint16_t> base, mid;
    for (int j = 0; j < sides; ++j) {
        const float a = 2.0f * kPi * static_cast<float>(j) / static_cast<float>(sides);
        base.push_back(b.vertex(radial(a) * baseRadius + Vec3{0.0f, baseY, 0.0f}));
        mid.push_back(b.vertex(radial(a + 0.3f) * (baseRadius * 0.55f) + Vec3{0.0f, midY, 0.0f}));
    }
    const uint16_t apex = b.vertex({0.0f, topY, 0.0f});
    // Needles below, a cap of snow above.
    for (int j = 0; j < sides; ++j) {
        const int jn = (j + 1) % sides;
        const float f0 = static_cast<float>(j) / static_cast<float>(sides),
                    f1 = static_cast<float>(j + 1) / static_cast<float>(sides);
        b.quad(kSnowCaps, base[j], mid[j], mid[jn], base[jn], cellUV(atlas::kInner, f0, 1.0f),
               cellUV(atlas::kInner, f0, 0.6f), cellUV(atlas::kInner, f1, 0.6f), cellUV(atlas::kInner, f1, 1.0f));
        b.triangle(kSnowCaps, mid[j], apex, mid[jn], cellUV(atlas::kSnow, f0, 0.6f),
                   cellUV(atlas::kSnow, (f0 + f1) * 0.5f, 1.0f), cellUV(atlas::kSnow, f1, 0.6f));
    }
}

void addMound(Builder &b)
{
    const int sides = 14;
    const float radii[] = {0.0f, 9.0f, 16.0f};
    const float heights[] = {4.5f, 3.0f, 1.2f};
    std::vector<uint16_t> ids;
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < sides; ++j) {
            const float a = 2.0f * kPi * static_cast<float>(j) / static_cast<float>(sides);
            const float r = k == 0 ? trunkRadius(heights[0], a) + 0.3f : radii[k] * (1.0f + 0.12f * std::sin(3.0f * a));
            ids.push_back(b.vertex(radial(a) * r + Vec3{0.0f, heights[k], 0.0f}));
        }
    // The mound lies under the branches: shaded snow, lighter outwards.
    const float light[] = {0.05f, 0.25f, 0.45f};
    for (int k = 0; k < 2; ++k)
        for (int j = 0; j < sides; ++j) {
            const int jn = (j + 1) % sides;
            const float f0 = static_cast<float>(j) / static_cast<float>(sides),
                        f1 = static_cast<float>(j + 1) / static_cast<float>(sides);
            b.quad(kSnowCaps, ids[k * sides + j], ids[k * sides + jn], ids[(k + 1) * sides + jn],
                   ids[(k + 1) * sides + j], cellUV(atlas::kSnow, f0, light[k]), cellUV(atlas::kSnow, f1, light[k]),
                   cellUV(atlas::kSnow, f1, light[k + 1]), cellUV(atlas::kSnow, f0, light[k + 1]));
        }
}

void addShadow(Builder &b)
{
    const int sides = 24;
    const float radius = 76.0f, y = 1.6f;
    const uint16_t centre = b.vertex({0.0f, y, 0.0f});
    std::vector<uint16_t> rim;
    for (int j = 0; j < sides; ++j)
        rim.push_back(b.vertex(radial(2.0f * kPi * static_cast<float>(j) / static_cast<float>(sides)) * radius +
                               Vec3{0.0f, y, 0.0f}));
    auto uv = [](float a) { return cellUV(atlas::kShadow, 0.5f + 0.5f * std::cos(a), 0.5f + 0.5f * std::sin(a)); };
    for (int j = 0; j < sides; ++j) {
        const int jn = (j + 1) % sides;
        const float a0 = 2.0f * kPi * static_cast<float>(j) / static_cast<float>(sides);
        const float a1 = 2.0f * kPi * static_cast<float>(j + 1) / static_cast<float>(sides);
        b.triangle(kShadow, centre, rim[jn], rim[j], cellUV(atlas::kShadow, 0.5f, 0.5f), uv(a1), uv(a0));
    }
}

void addStar(Builder &b, Vec3 centre)
{
    const float outer = 9.0f, inner = 3.7f, depth = 2.6f;
    std::vector<uint16_t> rim;
    std::vector<Vec3> rimPos;
    for (int i = 0; i < 10; ++i) {
        const float a = kPi * 0.5f + kPi * static_cast<float>(i) / 5.0f;
        const float r = (i % 2 == 0) ? outer : inner;
        rimPos.push_back(centre + Vec3{std::cos(a) * r, std::sin(a) * r, 0.0f});
        rim.push_back(b.vertex(rimPos.back()));
    }
    const uint16_t front = b.vertex(centre + Vec3{0.0f, 0.0f, depth});
    const uint16_t back = b.vertex(centre + Vec3{0.0f, 0.0f, -depth});
    // Facets take a shade of gold by how they face a fixed light, so the star glints as it turns.
    const Vec3 light = normalized({-0.45f, 0.65f, 0.6f});
    auto facet = [&](uint16_t a, uint16_t c, uint16_t apex) {
        const Vec3 n = normalized(cross(b.at(c) - b.at(a), b.at(apex) - b.at(a)));
        const float lit = dot(n, light);
        const int strip = lit > 0.55f ? 0 : (lit > 0.15f ? 1 : (lit > -0.3f ? 2 : 3));
        const atlas::Cell shade{atlas::kGold.left + strip * atlas::kGold.width, atlas::kGold.top, atlas::kGold.width,
                                atlas::kGold.height};
        b.triangle(kStar, a, c, apex, cellUV(shade, 0.5f, 0.9f), cellUV(shade, 0.5f, 0.9f), cellUV(shade, 0.5f, 0.05f),
                   true);
    };
    for (int i = 0; i < 10; ++i) {
        const int in = (i + 1) % 10;
        facet(rim[i], rim[in], front);
        facet(rim[in], rim[i], back);
    }
}

}  // namespace

Mesh makeTree()
{
    Mesh mesh;
    mesh.groups.resize(kGroupCount);
    // Drawing order matters for blending: the shadow first, over the ground only;
    // the fronds last among the branches, over the shaded inside.
    mesh.groups[kShadow] = {"shadow", 1};
    mesh.groups[kTrunk] = {"trunk", 0};
    mesh.groups[kInner] = {"inner", 1};
    mesh.groups[kSnowCaps] = {"snow", 1};
    mesh.groups[kBranches] = {"branches", 1};
    mesh.groups[kStar] = {"star", 2};

    MeshMaterial bark;
    bark.name = "bark";
    bark.texture = "data/bark.tga";
    MeshMaterial needles;
    needles.name = "snowy needles";
    needles.texture = "data/needles.tga";
    MeshMaterial star;
    star.name = "gold star";
    star.texture = "data/needles.tga";
    const float gold[4] = {1.0f, 0.8f, 0.35f, 1.0f};
    for (int i = 0; i < 4; ++i) {
        star.diffuse[i] = gold[i];
        star.specular[i] = 1.0f;
        star.emissive[i] = i < 3 ? gold[i] * 0.4f : 1.0f;
    }
    star.shininess = 64.0f;
    mesh.materials = {bark, needles, star};

    Builder b(mesh);
    addShadow(b);
    addTrunk(b);
    addMound(b);

    Rng rng(0x7EE001);
    const int whorls = 12;
    std::vector<Frond> fronds;
    float phase = 0.0f;
    for (int i = 0; i < whorls; ++i) {
        const float u = static_cast<float>(i) / static_cast<float>(whorls - 1);
        const float baseY = 28.0f + (140.0f - 28.0f) * u;
        const float length = 66.0f + (11.0f - 66.0f) * std::pow(u, 0.85f);
        const int count = static_cast<int>(std::lround(9.0f + (5.0f - 9.0f) * u));
        const float droop = 0.47f + (0.22f - 0.47f) * u;
        addInnerSkirt(b, baseY + 1.0f, 0.55f * length, 0.55f * length * (droop * 0.55f - 0.2f) + 3.0f,
                      std::max(10, 2 * count));
        phase += 2.39996f;  // golden angle: no two whorls line up
        for (int k = 0; k < count; ++k) {
            Frond f;
            f.yaw = phase + 2.0f * kPi * static_cast<float>(k) / static_cast<float>(count) + rng.range(-0.15f, 0.15f);
            f.length = length * rng.range(0.88f, 1.1f);
            f.base =
                radial(f.yaw) * trunkRadius(baseY, f.yaw) * 0.5f + Vec3{0.0f, baseY + rng.range(-1.5f, 1.5f), 0.0f};
            f.width = std::max(6.0f, f.length * 0.42f);
            f.rise = 0.2f;
            f.droop = droop * rng.range(0.9f, 1.1f);
            f.roll = rng.range(-0.15f, 0.15f);
            f.cell = f.length > 28.0f ? rng.below(atlas::kLargeFronds)
                                      : atlas::kLargeFronds + rng.below(atlas::kFrondCount - atlas::kLargeFronds);
            fronds.push_back(f);
        }
    }
    // Lowest first: seen from above, higher fronds are mostly the nearer ones.
    for (const Frond &f : fronds) addFrond(b, f);
    addTip(b, 136.0f, 148.0f, 3.5f);
    addStar(b, {0.0f, kTreeTop, 0.0f});
    b.finishNormals();
    return mesh;
}

}  // namespace frostel_assets
