// Writers for the render tests' images and models, byte by byte in the formats' little-endian layout.
#include "tests/render/test_files.h"

#include <cstdio>
#include <cstring>

namespace {

class Bytes {
public:
    void u8(unsigned v) { data.push_back(static_cast<unsigned char>(v & 0xFF)); }
    void u16(unsigned v)
    {
        u8(v);
        u8(v >> 8);
    }
    void i32(int32_t v)
    {
        const uint32_t u = static_cast<uint32_t>(v);
        u16(u & 0xFFFF);
        u16(u >> 16);
    }
    void f32(float v)
    {
        uint32_t u;
        std::memcpy(&u, &v, sizeof u);
        i32(static_cast<int32_t>(u));
    }
    // A zero-padded fixed-size text field.
    void text(const std::string &s, size_t size)
    {
        for (size_t i = 0; i < size; ++i) u8(i < s.size() ? static_cast<unsigned char>(s[i]) : 0u);
    }
    bool save(const std::string &path) const
    {
        FILE *f = std::fopen(path.c_str(), "wb");
        if (!f) return false;
        const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
        return std::fclose(f) == 0 && ok;
    }
    std::vector<unsigned char> data;
};

}  // namespace

bool writeTga(const std::string &path, int width, int height, int bits, const std::function<Rgba(int, int)> &pixel)
{
    Bytes b;
    b.text(std::string("\0\0\2", 3), 12);
    b.u16(static_cast<unsigned>(width));
    b.u16(static_cast<unsigned>(height));
    b.u8(static_cast<unsigned>(bits));
    b.u8(bits == 32 ? 8u : 0u);
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) {
            const Rgba p = pixel(column, row);
            b.u8(p.b);
            b.u8(p.g);
            b.u8(p.r);
            if (bits == 32) b.u8(p.a);
        }
    return b.save(path);
}

bool writeSolidTga(const std::string &path, Rgb colour)
{
    const Rgba p = {static_cast<uint8_t>(colour.r), static_cast<uint8_t>(colour.g), static_cast<uint8_t>(colour.b),
                    255};
    return writeTga(path, 16, 16, 24, [p](int, int) { return p; });
}

bool writeMs3d(const std::string &path, const std::vector<Plate> &plates, const std::vector<std::string> &textures)
{
    Bytes b;
    b.text("MS3D000000", 10);
    b.i32(4);

    // Four corners per plate, anticlockwise seen from above.
    b.u16(static_cast<unsigned>(plates.size() * 4));
    for (const Plate &p : plates) {
        const double corners[4][2] = {{p.x0, p.z0}, {p.x0, p.z1}, {p.x1, p.z1}, {p.x1, p.z0}};
        for (const auto &c : corners) {
            b.u8(0);
            b.f32(static_cast<float>(c[0]));
            b.f32(static_cast<float>(p.y));
            b.f32(static_cast<float>(c[1]));
            b.u8(0xFF);
            b.u8(1);
        }
    }

    b.u16(static_cast<unsigned>(plates.size() * 2));
    for (size_t i = 0; i < plates.size(); ++i) {
        const unsigned v = static_cast<unsigned>(i * 4);
        const unsigned corners[2][3] = {{v, v + 1, v + 2}, {v, v + 2, v + 3}};
        for (const auto &tri : corners) {
            b.u16(0);
            for (unsigned c : tri) b.u16(c);
            for (int n = 0; n < 3; ++n) {
                b.f32(0.0f);
                b.f32(1.0f);
                b.f32(0.0f);
            }
            for (int n = 0; n < 3; ++n) b.f32(0.5f);
            for (int n = 0; n < 3; ++n) b.f32(0.5f);
            b.u8(1);
            b.u8(static_cast<unsigned>(i));
        }
    }

    b.u16(static_cast<unsigned>(plates.size()));
    for (size_t i = 0; i < plates.size(); ++i) {
        b.u8(0);
        b.text("plate" + std::to_string(i), 32);
        b.u16(2);
        b.u16(static_cast<unsigned>(i * 2));
        b.u16(static_cast<unsigned>(i * 2 + 1));
        b.u8(static_cast<unsigned>(plates[i].material) & 0xFFu);
    }

    b.u16(static_cast<unsigned>(textures.size()));
    for (size_t i = 0; i < textures.size(); ++i) {
        b.text("material" + std::to_string(i), 32);
        for (int colour = 0; colour < 4; ++colour)
            for (int channel = 0; channel < 4; ++channel) b.f32(channel == 3 ? 1.0f : 0.5f);
        b.f32(10.0f);
        b.f32(1.0f);
        b.u8(0);
        b.text(textures[i], 128);
        b.text("", 128);
    }
    return b.save(path);
}
