// Test helpers: scratch directory and byte-exact TGA and MS3D writers.
#include "tests/assets/asset_files.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

ScratchDir::ScratchDir() : previous(fs::current_path().string())
{
    std::string pattern = (fs::temp_directory_path() / "frostel-assets-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    path = pattern;
    fs::current_path(path);
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    fs::current_path(previous, ignored);
    fs::remove_all(path, ignored);
}

void writeFile(const std::string &name, const Bytes &bytes)
{
    std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()), long(bytes.size()));
}

Bytes readFile(const std::string &name)
{
    std::ifstream in(name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

namespace {

void put16(Bytes &b, uint32_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); }
void put32(Bytes &b, uint32_t v)
{
    b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
}
void putFloats(Bytes &b, const float *v, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        uint32_t bits;
        std::memcpy(&bits, &v[i], 4);
        put32(b, bits);
    }
}
void fill(Bytes &b, size_t n, uint8_t value) { b.insert(b.end(), n, value); }

}  // namespace

Bytes tgaFile(uint32_t width, uint32_t height, uint8_t depth, const Bytes &pixels, uint8_t descriptor)
{
    Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    put16(b, width);
    put16(b, height);
    b.insert(b.end(), {depth, descriptor});
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

Bytes ms3dFile(const Ms3dContent &c, int32_t version, const char *identifier)
{
    Bytes b(identifier, identifier + 10);
    put32(b, uint32_t(version));
    put16(b, uint32_t(c.vertices.size()));
    for (const auto &v : c.vertices) {
        fill(b, 1, 0xA5);  // flags
        putFloats(b, v.position, 3);
        b.insert(b.end(), {uint8_t(v.boneId), 0x5A});  // bone id, reference count
    }
    put16(b, uint32_t(c.triangles.size()));
    for (const auto &t : c.triangles) {
        put16(b, 0xBEEF);  // flags
        for (uint16_t v : t.vertices) put16(b, v);
        putFloats(b, t.normals, 9);
        putFloats(b, t.s, 3);
        putFloats(b, t.t, 3);
        b.insert(b.end(), {0x77, 0x66});  // smoothing group, group index
    }
    put16(b, uint32_t(c.groups.size()));
    for (const auto &g : c.groups) {
        fill(b, 33, 'g');  // flags and a name without a zero
        put16(b, uint32_t(g.triangles.size()));
        for (uint16_t t : g.triangles) put16(b, t);
        b.push_back(g.material);
    }
    put16(b, uint32_t(c.materials.size()));
    for (const auto &m : c.materials) {
        fill(b, 32, 'm');
        putFloats(b, m.colours, 16);
        putFloats(b, &m.shininess, 1);
        const float transparency = 0.5f;
        putFloats(b, &transparency, 1);
        b.push_back(0x42);  // mode
        Bytes field(128, 0);
        std::copy_n(m.textureField.begin(), std::min<size_t>(128, m.textureField.size()), field.begin());
        b.insert(b.end(), field.begin(), field.end());
        fill(b, 128, 'a');  // alpha map name without a zero
    }
    return b;
}

Ms3dContent oneOfEach(const std::string &textureField)
{
    Ms3dMaterial m{{}, 12.5f, textureField};
    for (int i = 0; i < 16; ++i) m.colours[i] = 0.0625f * float(i + 1);
    return {{{{1.5f, -2.25f, 3.0f}, 7}},
            {{{0, 0, 0}, {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f}, {0.125f, 0.5f, 2.0f}, {0, 0.25f, 1}}},
            {{{0}, 0}},
            {m}};
}
