// In-memory images, meshes and sound, and their encoding as TGA, MS3D and WAV bytes.
#include "formats.h"

#include <cmath>
#include <cstring>
#include <stdexcept>

namespace frostel_assets {

namespace {

void put8(Bytes &out, unsigned v) { out.push_back(static_cast<uint8_t>(v & 0xFF)); }

void put16(Bytes &out, unsigned v)
{
    put8(out, v);
    put8(out, v >> 8);
}

void put32(Bytes &out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void putFloat(Bytes &out, float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    put32(out, bits);
}

// A fixed-size, zero-filled text field that always keeps a terminating zero.
void putText(Bytes &out, const std::string &text, size_t field)
{
    if (text.size() >= field) throw std::invalid_argument("name too long for its field: " + text);
    for (size_t i = 0; i < field; ++i) put8(out, i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
}

uint8_t toByte(float v)
{
    if (!(v > 0.0f)) return 0;  // also catches NaN
    if (v >= 1.0f) return 255;
    return static_cast<uint8_t>(std::lround(v * 255.0f));
}

}  // namespace

Color mix(const Color &x, const Color &y, float t)
{
    return Color{x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

Color scaled(const Color &c, float k) { return Color{c.r * k, c.g * k, c.b * k, c.a}; }

Image::Image(int width, int height, Color fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill)
{ }

Bytes encodeTga(const Image &image, int depth)
{
    if (depth != 24 && depth != 32) throw std::invalid_argument("TGA depth must be 24 or 32");
    if (image.width() < 1 || image.width() > 65535 || image.height() < 1 || image.height() > 65535)
        throw std::invalid_argument("TGA size out of range");
    Bytes out;
    out.reserve(18 + static_cast<size_t>(image.width()) * image.height() * (depth / 8));
    const uint8_t prefix[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    out.insert(out.end(), prefix, prefix + 12);
    put16(out, static_cast<unsigned>(image.width()));
    put16(out, static_cast<unsigned>(image.height()));
    put8(out, static_cast<unsigned>(depth));
    put8(out, depth == 32 ? 8u : 0u);  // alpha bits; bottom-left origin
    for (int y = image.height() - 1; y >= 0; --y) {
        for (int x = 0; x < image.width(); ++x) {
            const Color &c = image.at(x, y);
            put8(out, toByte(c.b));
            put8(out, toByte(c.g));
            put8(out, toByte(c.r));
            if (depth == 32) put8(out, toByte(c.a));
        }
    }
    return out;
}

Bytes encodeMs3d(const Mesh &mesh)
{
    const size_t vertexCount = mesh.positions.size();
    if (vertexCount > 65535 || mesh.triangles.size() > 65535 || mesh.groups.size() > 255 || mesh.materials.size() > 128)
        throw std::invalid_argument("mesh too large for MS3D");

    std::vector<std::vector<uint16_t>> groupTriangles(mesh.groups.size());
    std::vector<unsigned> references(vertexCount, 0);
    for (size_t i = 0; i < mesh.triangles.size(); ++i) {
        const MeshTriangle &tri = mesh.triangles[i];
        if (tri.group >= mesh.groups.size()) throw std::invalid_argument("triangle in no group");
        groupTriangles[tri.group].push_back(static_cast<uint16_t>(i));
        for (uint16_t v : tri.vertices) {
            if (v >= vertexCount) throw std::invalid_argument("vertex index out of range");
            ++references[v];
        }
    }
    for (const MeshGroup &g : mesh.groups)
        if (g.material >= static_cast<int>(mesh.materials.size()))
            throw std::invalid_argument("group names a missing material");

    Bytes out;
    const char id[] = "MS3D000000";
    out.insert(out.end(), id, id + 10);
    put32(out, 4);

    put16(out, static_cast<unsigned>(vertexCount));
    for (size_t i = 0; i < vertexCount; ++i) {
        put8(out, 0);  // flags
        for (float f : mesh.positions[i]) putFloat(out, f);
        put8(out, 0xFF);  // bone id -1: not bound to a joint
        put8(out, references[i] > 255 ? 255u : references[i]);
    }

    put16(out, static_cast<unsigned>(mesh.triangles.size()));
    for (const MeshTriangle &tri : mesh.triangles) {
        put16(out, 0);  // flags
        for (uint16_t v : tri.vertices) put16(out, v);
        for (const auto &n : tri.normals)
            for (float f : n) putFloat(out, f);
        for (float f : tri.s) putFloat(out, f);
        for (float f : tri.t) putFloat(out, f);
        put8(out, tri.smoothingGroup);
        put8(out, tri.group);
    }

    put16(out, static_cast<unsigned>(mesh.groups.size()));
    for (size_t g = 0; g < mesh.groups.size(); ++g) {
        put8(out, 0);  // flags
        putText(out, mesh.groups[g].name, 32);
        put16(out, static_cast<unsigned>(groupTriangles[g].size()));
        for (uint16_t t : groupTriangles[g]) put16(out, t);
        put8(out, static_cast<uint8_t>(mesh.groups[g].material));
    }

    put16(out, static_cast<unsigned>(mesh.materials.size()));
    for (const MeshMaterial &m : mesh.materials) {
        putText(out, m.name, 32);
        for (float f : m.ambient) putFloat(out, f);
        for (float f : m.diffuse) putFloat(out, f);
        for (float f : m.specular) putFloat(out, f);
        for (float f : m.emissive) putFloat(out, f);
        putFloat(out, m.shininess);
        putFloat(out, 1.0f);  // transparency: opaque
        put8(out, 0);         // mode
        putText(out, m.texture, 128);
        putText(out, std::string(), 128);  // no alpha map
    }

    // Animation block: frame rate, current time, frame count, no joints.
    putFloat(out, 24.0f);
    putFloat(out, 0.0f);
    put32(out, 1);
    put16(out, 0);
    return out;
}

Bytes encodeWav(const std::vector<int16_t> &samples, int channels, int sampleRate)
{
    if (channels < 1 || channels > 2 || samples.size() % static_cast<size_t>(channels) != 0)
        throw std::invalid_argument("bad channel layout");
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    const uint32_t blockAlign = static_cast<uint32_t>(channels) * 2;
    Bytes out;
    out.reserve(44 + dataBytes);
    const char riff[] = "RIFF", wave[] = "WAVE", fmt[] = "fmt ", data[] = "data";
    out.insert(out.end(), riff, riff + 4);
    put32(out, 36 + dataBytes);
    out.insert(out.end(), wave, wave + 4);
    out.insert(out.end(), fmt, fmt + 4);
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, static_cast<unsigned>(channels));
    put32(out, static_cast<uint32_t>(sampleRate));
    put32(out, static_cast<uint32_t>(sampleRate) * blockAlign);
    put16(out, blockAlign);
    put16(out, 16);
    out.insert(out.end(), data, data + 4);
    put32(out, dataBytes);
    for (int16_t s : samples) put16(out, static_cast<uint16_t>(s));
    return out;
}

}  // namespace frostel_assets
