// Tests for the data writer: byte layouts of TGA, MS3D and WAV, and what the generated files hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

#include "data_files.h"
#include "formats.h"

using namespace frostel_assets;

namespace {

unsigned u8(const Bytes &b, size_t at) { return b.at(at); }
unsigned u16(const Bytes &b, size_t at) { return b.at(at) | (b.at(at + 1) << 8); }
uint32_t u32(const Bytes &b, size_t at) { return u16(b, at) | (static_cast<uint32_t>(u16(b, at + 2)) << 16); }
float f32(const Bytes &b, size_t at)
{
    const uint32_t bits = u32(b, at);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// The files are made once; making them takes a few seconds.
const std::map<std::string, Bytes> &files()
{
    static const std::map<std::string, Bytes> made = [] {
        std::map<std::string, Bytes> m;
        for (DataFile &f : makeDataFiles()) m[f.name] = std::move(f.bytes);
        return m;
    }();
    return made;
}

// ---- TGA -------------------------------------------------------------------

struct Tga {
    int width, height, depth;
    const Bytes *bytes;
    // Channel c (0 blue, 1 green, 2 red, 3 alpha) of the pixel x across, y down from the top.
    double at(int x, int y, int c) const
    {
        const int row = height - 1 - y;  // stored bottom row first
        return u8(*bytes, 18 + (static_cast<size_t>(row) * width + x) * (depth / 8) + c) / 255.0;
    }
};

Tga readTga(const Bytes &b)
{
    const uint8_t prefix[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_GE(b.size(), 18u);
    EXPECT_EQ(0, std::memcmp(b.data(), prefix, 12));
    Tga t{static_cast<int>(u16(b, 12)), static_cast<int>(u16(b, 14)), static_cast<int>(u8(b, 16)), &b};
    EXPECT_EQ(b.size(), 18u + static_cast<size_t>(t.width) * t.height * (t.depth / 8));
    return t;
}

bool powerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

TEST(TgaEncoding, WritesHeaderAndRowsBottomFirstInBgrOrder)
{
    Image img(2, 2);
    img.at(0, 0) = {1.0f, 0.0f, 0.0f, 1.0f};   // top left red
    img.at(1, 0) = {0.0f, 1.0f, 0.0f, 0.5f};   // top right green, half alpha
    img.at(0, 1) = {0.0f, 0.0f, 1.0f, 0.0f};   // bottom left blue, clear
    img.at(1, 1) = {2.0f, -1.0f, 0.2f, 1.0f};  // out of range channels clamp
    const Bytes b32 = encodeTga(img, 32);
    const Bytes expected32 = {0, 0, 2,   0,   0, 0,   0, 0,  0, 0,  0, 0,   2,
                              0, 2, 0,   32,  8, 255, 0, 0,  0, 51, 0, 255, 255,  // bottom row: blue, then clamped
                              0, 0, 255, 255, 0, 255, 0, 128};                    // top row: red, green
    EXPECT_EQ(expected32, b32);
    const Bytes b24 = encodeTga(img, 24);
    const Bytes expected24 = {0, 0,  2, 0,   0, 0, 0,  0, 0,   0, 0, 0,   2, 0,   2,
                              0, 24, 0, 255, 0, 0, 51, 0, 255, 0, 0, 255, 0, 255, 0};
    EXPECT_EQ(expected24, b24);
}

TEST(TgaEncoding, RefusesDepthsTheReaderCannotTake)
{
    Image img(1, 1);
    EXPECT_THROW(encodeTga(img, 16), std::invalid_argument);
    EXPECT_THROW(encodeTga(img, 8), std::invalid_argument);
}

TEST(Images, HaveTheAcceptedHeaderPowerOfTwoSizesAndDepths)
{
    const std::map<std::string, int> depth = {{"snow.tga", 24},      {"bark.tga", 24},  {"needles.tga", 32},
                                              {"snowflake.tga", 32}, {"shine.tga", 32}, {"overlay.tga", 32}};
    for (const auto &[name, bits] : depth) {
        SCOPED_TRACE(name);
        const Tga t = readTga(files().at(name));
        EXPECT_EQ(bits, t.depth);
        EXPECT_TRUE(powerOfTwo(t.width));
        EXPECT_TRUE(powerOfTwo(t.height));
        EXPECT_EQ(bits == 32 ? 8u : 0u, u8(files().at(name), 17));
    }
}

// Mean step across the wrap edge against mean step between neighbours inside.
void expectSeamless(const Tga &t)
{
    double inner = 0.0, seamX = 0.0, seamY = 0.0;
    for (int i = 0; i < t.height; ++i)
        for (int c = 0; c < 3; ++c) {
            seamX += std::fabs(t.at(t.width - 1, i, c) - t.at(0, i, c));
            inner += std::fabs(t.at(t.width / 2, i, c) - t.at(t.width / 2 + 1, i, c));
        }
    for (int i = 0; i < t.width; ++i)
        for (int c = 0; c < 3; ++c) seamY += std::fabs(t.at(i, t.height - 1, c) - t.at(i, 0, c));
    EXPECT_LT(seamX, inner * 2.0 + 1.0);
    EXPECT_LT(seamY, inner * 2.0 + 1.0);
}

TEST(Images, GroundAndBarkTileWithoutSeams)
{
    expectSeamless(readTga(files().at("snow.tga")));
    expectSeamless(readTga(files().at("bark.tga")));
}

TEST(Images, GroundIsBrightBluishSnow)
{
    const Tga t = readTga(files().at("snow.tga"));
    double r = 0, g = 0, b = 0;
    for (int y = 0; y < t.height; ++y)
        for (int x = 0; x < t.width; ++x) b += t.at(x, y, 0), g += t.at(x, y, 1), r += t.at(x, y, 2);
    const double n = static_cast<double>(t.width) * t.height;
    EXPECT_GT(r / n, 0.7);
    EXPECT_GE(b, r);  // cool, never warm
}

TEST(Images, SnowflakeSitsOnTheCornersWithSixfoldSymmetry)
{
    const Tga t = readTga(files().at("snowflake.tga"));
    // The quad repeats the image twice per edge, so the corners meet in its middle.
    EXPECT_GT(t.at(0, 0, 3), 0.5);
    EXPECT_GT(t.at(t.width - 1, t.height - 1, 3), 0.5);
    EXPECT_EQ(0.0, t.at(t.width / 2, t.height / 2, 3));
    // Turning by 60 degrees about the corner maps the flake onto itself.
    const double pi = 3.14159265358979;
    double diff = 0.0, total = 0.0;
    int n = 0;
    for (double r = 4.0; r < t.width * 0.45; r += 1.5)
        for (double a = 0.0; a < 2.0 * pi; a += pi / 90.0) {
            auto alphaAt = [&](double angle) {
                int x = static_cast<int>(std::lround(r * std::cos(angle)));
                int y = static_cast<int>(std::lround(r * std::sin(angle)));
                return t.at((x + t.width) % t.width, (y + t.height) % t.height, 3);
            };
            diff += std::fabs(alphaAt(a) - alphaAt(a + pi / 3.0));
            total += alphaAt(a);
            ++n;
        }
    EXPECT_GT(total / n, 0.1);              // there is a flake
    EXPECT_LT(diff / n, 0.25 * total / n);  // and it is the same every 60 degrees
}

TEST(Images, ShineFadesToNothingAtItsBorder)
{
    const Tga t = readTga(files().at("shine.tga"));
    for (int i = 0; i < t.width; ++i) {
        EXPECT_EQ(0.0, t.at(i, 0, 3));
        EXPECT_EQ(0.0, t.at(i, t.height - 1, 3));
        EXPECT_EQ(0.0, t.at(0, i, 3));
        EXPECT_EQ(0.0, t.at(t.width - 1, i, 3));
    }
    EXPECT_GT(t.at(t.width / 2, t.height / 2, 3), 0.9);
}

TEST(Images, OverlayIsClearInTheMiddleAndFrostyAtTheEdges)
{
    const Tga t = readTga(files().at("overlay.tga"));
    double middle = 0.0, frame = 0.0;
    int nMiddle = 0, nFrame = 0;
    for (int y = 0; y < t.height; ++y)
        for (int x = 0; x < t.width; ++x) {
            const double u = (x + 0.5) / t.width, v = (y + 0.5) / t.height;
            const double edge = std::min(std::min(u, 1.0 - u), std::min(v, 1.0 - v));
            if (edge > 0.3) middle += t.at(x, y, 3), ++nMiddle;
            if (edge < 0.04) frame += t.at(x, y, 3), ++nFrame;
        }
    EXPECT_LT(middle / nMiddle, 0.25);
    EXPECT_GT(frame / nFrame, middle / nMiddle + 0.3);
}

TEST(Images, FrondCutOutsAreCrisp)
{
    // The tree is drawn with an alpha test; soft edges would sort badly.
    const Tga t = readTga(files().at("needles.tga"));
    int clear = 0, solid = 0, partial = 0;
    for (int y = 0; y < t.height / 2; ++y)
        for (int x = 0; x < t.width; ++x) {
            const double a = t.at(x, y, 3);
            if (a == 0.0)
                ++clear;
            else if (a == 1.0)
                ++solid;
            else
                ++partial;
        }
    EXPECT_GT(clear, 1000);
    EXPECT_GT(solid, 1000);
    EXPECT_EQ(0, partial);
}

// ---- MS3D ------------------------------------------------------------------

struct Ms3d {
    struct Triangle {
        unsigned v[3];
        float normals[3][3];
        float s[3], t[3];
        unsigned group;
    };
    struct Group {
        std::vector<unsigned> triangles;
        int material;
    };
    struct Material {
        std::string texture;
        bool terminated;
    };
    std::vector<std::array<float, 3>> positions;
    std::vector<unsigned> references;
    std::vector<Triangle> triangles;
    std::vector<Group> groups;
    std::vector<Material> materials;
    size_t end = 0;  // offset just past the last material
};

// Walks the file by the format's record sizes alone.
Ms3d readMs3d(const Bytes &b)
{
    Ms3d m;
    EXPECT_EQ(0, std::memcmp(b.data(), "MS3D000000", 10));
    EXPECT_EQ(4u, u32(b, 10));
    size_t at = 14;
    const unsigned nv = u16(b, at);
    at += 2;
    for (unsigned i = 0; i < nv; ++i, at += 15) {
        m.positions.push_back({f32(b, at + 1), f32(b, at + 5), f32(b, at + 9)});
        m.references.push_back(u8(b, at + 14));
    }
    const unsigned nt = u16(b, at);
    at += 2;
    for (unsigned i = 0; i < nt; ++i, at += 70) {
        Ms3d::Triangle t{};
        for (int k = 0; k < 3; ++k) {
            t.v[k] = u16(b, at + 2 + 2 * k);
            for (int c = 0; c < 3; ++c) t.normals[k][c] = f32(b, at + 8 + 12 * k + 4 * c);
            t.s[k] = f32(b, at + 44 + 4 * k);
            t.t[k] = f32(b, at + 56 + 4 * k);
        }
        t.group = u8(b, at + 69);
        m.triangles.push_back(t);
    }
    const unsigned ng = u16(b, at);
    at += 2;
    for (unsigned i = 0; i < ng; ++i) {
        Ms3d::Group g;
        const unsigned n = u16(b, at + 33);
        for (unsigned k = 0; k < n; ++k) g.triangles.push_back(u16(b, at + 35 + 2 * k));
        g.material = static_cast<int8_t>(u8(b, at + 35 + 2 * n));
        m.groups.push_back(g);
        at += 36 + 2 * n;
    }
    const unsigned nm = u16(b, at);
    at += 2;
    for (unsigned i = 0; i < nm; ++i, at += 361) {
        const char *name = reinterpret_cast<const char *>(&b.at(at + 105));
        const size_t len = strnlen(name, 128);
        m.materials.push_back({std::string(name, len), len < 128});
    }
    m.end = at;
    return m;
}

TEST(Ms3dEncoding, PlacesEveryFieldOfTheSmallestModel)
{
    Mesh mesh;
    mesh.positions = {{1.0f, 2.0f, 3.0f}};
    MeshTriangle tri;
    tri.t[0] = 0.0f;
    tri.t[1] = 0.25f;
    tri.t[2] = 1.0f;
    mesh.triangles = {tri};
    mesh.groups = {{"g", 0}};
    MeshMaterial mat;
    mat.texture = "data/x.tga";
    mesh.materials = {mat};
    const Bytes b = encodeMs3d(mesh);
    // 14 header, 2 + 15 vertex, 2 + 70 triangle, 2 + 38 group, 2 + 361 material,
    // then the animation block: rate, time, frame count, joint count.
    ASSERT_EQ(506u + 14u, b.size());
    EXPECT_EQ(1u, u16(b, 14));
    EXPECT_EQ(2.0f, f32(b, 16 + 5));
    EXPECT_EQ(3u, u8(b, 30));  // the one vertex is used by three corners
    EXPECT_EQ(1u, u16(b, 31));
    EXPECT_EQ(0.25f, f32(b, 33 + 56 + 4));  // t stored as given, 0 at the image's top
    EXPECT_EQ(0u, u8(b, 33 + 69));
    EXPECT_EQ(1u, u16(b, 103));
    EXPECT_EQ('g', u8(b, 106));
    EXPECT_EQ(1u, u16(b, 138));
    EXPECT_EQ(0u, u16(b, 140));
    EXPECT_EQ(0u, u8(b, 142));
    EXPECT_EQ(1u, u16(b, 143));
    EXPECT_EQ("data/x.tga", std::string(reinterpret_cast<const char *>(&b[250])));
    EXPECT_EQ(0u, u8(b, 250 + 127));
    EXPECT_EQ(24.0f, f32(b, 506));
    EXPECT_EQ(0u, u16(b, 518));
}

TEST(Ms3dEncoding, RefusesWhatTheFormatCannotHold)
{
    Mesh mesh;
    mesh.positions = {{0, 0, 0}};
    mesh.triangles = {MeshTriangle{}};
    mesh.groups = {{"g", -1}};
    EXPECT_NO_THROW(encodeMs3d(mesh));

    Mesh badVertex = mesh;
    badVertex.triangles[0].vertices[2] = 1;
    EXPECT_THROW(encodeMs3d(badVertex), std::invalid_argument);

    Mesh badGroup = mesh;
    badGroup.triangles[0].group = 1;
    EXPECT_THROW(encodeMs3d(badGroup), std::invalid_argument);

    Mesh badMaterial = mesh;
    badMaterial.groups[0].material = 0;
    EXPECT_THROW(encodeMs3d(badMaterial), std::invalid_argument);

    Mesh longName = mesh;
    longName.materials.resize(1);
    longName.groups[0].material = 0;
    longName.materials[0].texture = std::string(127, 'a');
    EXPECT_NO_THROW(encodeMs3d(longName));
    longName.materials[0].texture = std::string(128, 'a');
    EXPECT_THROW(encodeMs3d(longName), std::invalid_argument);
}

TEST(TreeModel, SectionsAddUpToTheFileSize)
{
    const Bytes &b = files().at("tree.ms3d");
    const Ms3d m = readMs3d(b);
    ASSERT_EQ(m.end + 14, b.size());  // the animation block closes the file
    EXPECT_EQ(0u, u16(b, m.end + 12));
}

TEST(TreeModel, IndicesAreInRangeAndEveryTriangleIsInExactlyOneGroup)
{
    const Ms3d m = readMs3d(files().at("tree.ms3d"));
    std::vector<int> seen(m.triangles.size(), 0);
    for (size_t g = 0; g < m.groups.size(); ++g) {
        ASSERT_GE(m.groups[g].material, 0);
        ASSERT_LT(m.groups[g].material, static_cast<int>(m.materials.size()));
        for (unsigned t : m.groups[g].triangles) {
            ASSERT_LT(t, m.triangles.size());
            ++seen[t];
            EXPECT_EQ(g, m.triangles[t].group);
        }
    }
    EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](int n) { return n == 1; }));
    std::vector<unsigned> uses(m.positions.size(), 0);
    for (const auto &t : m.triangles)
        for (unsigned v : t.v) {
            ASSERT_LT(v, m.positions.size());
            ++uses[v];
        }
    for (size_t v = 0; v < uses.size(); ++v) EXPECT_EQ(std::min(255u, uses[v]), m.references[v]) << v;
}

TEST(TreeModel, MaterialsNameTexturesThatTheWriterMakes)
{
    const Ms3d m = readMs3d(files().at("tree.ms3d"));
    ASSERT_GE(m.materials.size(), 2u);
    std::set<std::string> names;
    for (const auto &mat : m.materials) {
        EXPECT_TRUE(mat.terminated);
        ASSERT_EQ(0u, mat.texture.rfind("data/", 0)) << mat.texture;  // resolved from the working directory
        EXPECT_EQ(1u, files().count(mat.texture.substr(5))) << mat.texture;
        names.insert(mat.texture);
    }
    EXPECT_EQ(1u, names.count("data/bark.tga"));
    EXPECT_EQ(1u, names.count("data/needles.tga"));
}

TEST(TreeModel, StandsOnTheGroundUnderTheSparkles)
{
    const Ms3d m = readMs3d(files().at("tree.ms3d"));
    EXPECT_GE(m.triangles.size(), 300u);
    EXPECT_LE(m.triangles.size(), 5000u);
    float minY = 1e9f, maxY = -1e9f, maxR = 0.0f;
    for (const auto &p : m.positions) {
        minY = std::min(minY, p[1]);
        maxY = std::max(maxY, p[1]);
        maxR = std::max(maxR, std::sqrt(p[0] * p[0] + p[2] * p[2]));
    }
    EXPECT_NEAR(0.0f, minY, 0.5f);
    EXPECT_GE(maxY, 150.0f);  // sparkles start at 150 above the ground
    EXPECT_LE(maxY, 165.0f);
    EXPECT_LT(maxR, 100.0f);  // within the 200 x 200 ground
}

TEST(TreeModel, NormalsAreUnitAndAtlasCoordinatesStayInsideTheImage)
{
    const Ms3d m = readMs3d(files().at("tree.ms3d"));
    for (const auto &t : m.triangles) {
        for (int k = 0; k < 3; ++k) {
            const float *n = t.normals[k];
            EXPECT_NEAR(1.0f, std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1e-3f);
            // Cells of the atlas lie one above another; only s may wrap around.
            if (m.materials[static_cast<size_t>(m.groups[t.group].material)].texture == "data/needles.tga") {
                EXPECT_GT(t.t[k], 0.0f);
                EXPECT_LT(t.t[k], 1.0f);
            }
        }
    }
}

// ---- WAV -------------------------------------------------------------------

TEST(WavEncoding, WritesCanonicalPcmHeader)
{
    const Bytes b = encodeWav({1, -2, 3, -4}, 2, 22050);
    const Bytes expected = {'R', 'I', 'F', 'F', 44, 0, 0,    0,    'W', 'A', 'V',  'E',  'f', 'm', 't',  ' ', 16, 0,
                            0,   0,   1,   0,   2,  0, 0x22, 0x56, 0,   0,   0x88, 0x58, 1,   0,   4,    0,   16, 0,
                            'd', 'a', 't', 'a', 8,  0, 0,    0,    1,   0,   0xFE, 0xFF, 3,   0,   0xFC, 0xFF};
    EXPECT_EQ(expected, b);
    EXPECT_THROW(encodeWav({1, 2, 3}, 2, 22050), std::invalid_argument);
}

TEST(Music, IsAGentleLoopOfTheRightLengthWithoutASeam)
{
    const Bytes &b = files().at("music.wav");
    ASSERT_GT(b.size(), 44u);
    EXPECT_EQ(0, std::memcmp(b.data(), "RIFF", 4));
    EXPECT_EQ(b.size() - 8, u32(b, 4));
    EXPECT_EQ(1u, u16(b, 20));
    const unsigned channels = u16(b, 22);
    const uint32_t rate = u32(b, 24);
    EXPECT_TRUE(rate == 22050 || rate == 44100);
    EXPECT_EQ(16u, u16(b, 34));
    ASSERT_EQ(b.size() - 44, u32(b, 40));
    const size_t frames = (b.size() - 44) / (2 * channels);
    const double seconds = static_cast<double>(frames) / rate;
    EXPECT_GE(seconds, 20.0);
    EXPECT_LE(seconds, 60.0);

    for (unsigned c = 0; c < channels; ++c) {
        SCOPED_TRACE(c);
        auto sample = [&](size_t i) {
            return static_cast<double>(static_cast<int16_t>(u16(b, 44 + 2 * (i * channels + c))));
        };
        double sum = 0.0, peak = 0.0;
        std::vector<double> steps;
        for (size_t i = 0; i < frames; ++i) {
            sum += sample(i);
            peak = std::max(peak, std::fabs(sample(i)));
            if (i + 1 < frames) steps.push_back(std::fabs(sample(i + 1) - sample(i)));
        }
        EXPECT_LT(std::fabs(sum / static_cast<double>(frames)), 20.0);  // no DC offset
        const double peakDb = 20.0 * std::log10(peak / 32768.0);
        EXPECT_LT(peakDb, -4.0);  // gentle, nowhere near clipping
        EXPECT_GT(peakDb, -12.0);
        // The last sample flows into the first like any two neighbours do.
        std::nth_element(steps.begin(), steps.begin() + steps.size() * 99 / 100, steps.end());
        const double typicalStep = steps[steps.size() * 99 / 100];
        EXPECT_LE(std::fabs(sample(frames - 1) - sample(0)), typicalStep);
    }
}

// ---- The folder ------------------------------------------------------------

TEST(DataFolder, IsTheSameByteForByteEveryTime)
{
    for (DataFile &f : makeDataFiles()) EXPECT_TRUE(f.bytes == files().at(f.name)) << f.name;
}

TEST(DataFolder, WritesEveryFileAndReportsAFolderItCannotMake)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() /
                         ("frostel-assets-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(dir);
    std::ostringstream errors;
    ASSERT_TRUE(writeDataFolder((dir / "data").string(), errors)) << errors.str();
    for (const auto &[name, bytes] : files()) {
        std::ifstream in(dir / "data" / name, std::ios::binary);
        const Bytes onDisk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_TRUE(onDisk == bytes) << name;
    }
    // A plain file where the folder should be.
    {
        std::ofstream(dir / "blocked") << "x";
    }
    std::ostringstream refused;
    EXPECT_FALSE(writeDataFolder((dir / "blocked" / "data").string(), refused));
    EXPECT_NE(std::string::npos, refused.str().find("blocked"));
    fs::remove_all(dir);
}

}  // namespace
