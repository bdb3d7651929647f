// In-memory images, meshes and sound, and their encoding as TGA, MS3D and WAV bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace frostel_assets {

using Bytes = std::vector<uint8_t>;

struct Color {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 1.0f;
};

Color mix(const Color &x, const Color &y, float t);
Color scaled(const Color &c, float k);  // colour only; alpha kept

// Row 0 is the top of the picture; the encoder stores it last, as TGA wants.
class Image {
public:
    Image(int width, int height, Color fill = Color{});
    int width() const { return width_; }
    int height() const { return height_; }
    Color &at(int x, int y) { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    const Color &at(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }

private:
    int width_;
    int height_;
    std::vector<Color> pixels_;
};

// Depth 24 drops alpha; 32 keeps it. Channels are clamped to [0, 1] and rounded.
Bytes encodeTga(const Image &image, int depth);

struct MeshTriangle {
    uint16_t vertices[3] = {0, 0, 0};
    float normals[3][3] = {};
    float s[3] = {};
    float t[3] = {};  // 0 at the top row of the image
    uint8_t smoothingGroup = 1;
    uint8_t group = 0;
};

struct MeshGroup {
    std::string name;
    int8_t material = -1;
};

struct MeshMaterial {
    std::string name;
    float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float emissive[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float shininess = 0.0f;
    std::string texture;
};

struct Mesh {
    std::vector<std::array<float, 3>> positions;
    std::vector<MeshTriangle> triangles;
    std::vector<MeshGroup> groups;
    std::vector<MeshMaterial> materials;
};

// Version 4, groups listing their triangles in mesh order, followed by an empty
// animation block so that readers which expect one find it. Throws
// std::invalid_argument for a mesh the format cannot hold.
Bytes encodeMs3d(const Mesh &mesh);

// 16-bit PCM; samples interleaved when there are two channels.
Bytes encodeWav(const std::vector<int16_t> &samples, int channels, int sampleRate);

}  // namespace frostel_assets
