// Test helpers: scratch directory and byte-exact TGA and MS3D writers.
#include "tests/assets/asset_files.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

ScratchDir::ScratchDir()
{
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) throw std::runtime_error("getcwd");
    previous_ = cwd;
    std::string pattern = (std::filesystem::temp_directory_path() / "frostel-assets-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    path_ = pattern;
    if (chdir(path_.c_str()) != 0) throw std::runtime_error("chdir");
}

ScratchDir::~ScratchDir()
{
    if (chdir(previous_.c_str()) != 0) std::perror("chdir back");
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void writeFile(const std::string &name, const Bytes &bytes)
{
    std::FILE *f = std::fopen(name.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot write " + name);
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

Bytes readFile(const std::string &name)
{
    std::FILE *f = std::fopen(name.c_str(), "rb");
    if (!f) throw std::runtime_error("cannot read " + name);
    Bytes out;
    uint8_t buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.insert(out.end(), buffer, buffer + got);
    std::fclose(f);
    return out;
}

void put16(Bytes &b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void put32(Bytes &b, uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

void putFloat(Bytes &b, float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    put32(b, bits);
}

Bytes tgaFile(uint32_t width, uint32_t height, uint8_t depth, const Bytes &pixels, uint8_t descriptor)
{
    Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    put16(b, width);
    put16(b, height);
    b.push_back(depth);
    b.push_back(descriptor);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

Bytes ms3dFile(const Ms3dContent &c, int32_t version, const char *identifier)
{
    Bytes b(identifier, identifier + 10);
    put32(b, uint32_t(version));
    put16(b, uint32_t(c.vertices.size()));
    for (const auto &v : c.vertices) {
        b.push_back(0xA5);  // flags
        for (float p : v.position) putFloat(b, p);
        b.push_back(uint8_t(v.boneId));
        b.push_back(0x5A);  // reference count
    }
    put16(b, uint32_t(c.triangles.size()));
    for (const auto &t : c.triangles) {
        put16(b, 0xBEEF);  // flags
        for (uint16_t v : t.vertices) put16(b, v);
        for (float n : t.normals) putFloat(b, n);
        for (float s : t.s) putFloat(b, s);
        for (float tc : t.t) putFloat(b, tc);
        b.push_back(0x77);  // smoothing group
        b.push_back(0x66);  // group index
    }
    put16(b, uint32_t(c.groups.size()));
    for (const auto &g : c.groups) {
        b.push_back(0x99);  // flags
        for (int i = 0; i < 32; ++i) b.push_back(uint8_t('g'));  // name without a zero
        put16(b, uint32_t(g.triangles.size()));
        for (uint16_t t : g.triangles) put16(b, t);
        b.push_back(g.material);
    }
    put16(b, uint32_t(c.materials.size()));
    for (const auto &m : c.materials) {
        for (int i = 0; i < 32; ++i) b.push_back(uint8_t('m'));
        for (float f : m.colours) putFloat(b, f);
        putFloat(b, m.shininess);
        putFloat(b, 0.5f);  // transparency
        b.push_back(0x42);  // mode
        Bytes field(128, 0);
        std::memcpy(field.data(), m.textureField.data(), std::min<size_t>(128, m.textureField.size()));
        b.insert(b.end(), field.begin(), field.end());
        for (int i = 0; i < 128; ++i) b.push_back(uint8_t('a'));  // alpha map name without a zero
    }
    return b;
}

Ms3dContent oneOfEach(const std::string &textureField)
{
    Ms3dContent c;
    c.vertices.push_back({{1.5f, -2.25f, 3.0f}, 7});
    c.triangles.push_back({{0, 0, 0}, {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f}, {0.125f, 0.5f, 2.0f},
                           {0.0f, 0.25f, 1.0f}});
    c.groups.push_back({{0}, 0});
    Ms3dMaterial m{};
    for (int i = 0; i < 16; ++i) m.colours[i] = 0.0625f * float(i + 1);
    m.shininess = 12.5f;
    m.textureField = textureField;
    c.materials.push_back(m);
    return c;
}
