// Test helpers: a scratch working directory and writers for TGA and MS3D files built byte by byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// A fresh directory that is the working directory for the helper's lifetime.
struct ScratchDir {
    ScratchDir();
    ~ScratchDir();
    std::string path, previous;
};

void writeFile(const std::string &name, const Bytes &bytes);
Bytes readFile(const std::string &name);

// An 18-byte header of the accepted kind followed by `pixels` as given (blue, green, red[, alpha]).
Bytes tgaFile(uint32_t width, uint32_t height, uint8_t depth, const Bytes &pixels, uint8_t descriptor = 0);

struct Ms3dVertex {
    float position[3];
    int8_t boneId;
};
struct Ms3dTriangle {
    uint16_t vertices[3];
    float normals[9];
    float s[3], t[3];  // t as in the file
};
struct Ms3dGroup {
    std::vector<uint16_t> triangles;
    uint8_t material;  // 0xFF: none
};
struct Ms3dMaterial {
    float colours[16];  // ambient, diffuse, specular, emissive
    float shininess;
    std::string textureField;  // raw bytes of the 128-byte field; shorter is padded with zeros
};
struct Ms3dContent {
    std::vector<Ms3dVertex> vertices;
    std::vector<Ms3dTriangle> triangles;
    std::vector<Ms3dGroup> groups;
    std::vector<Ms3dMaterial> materials;
};

// The file as the format lays it out. Fields the reader must skip hold non-zero filler.
Bytes ms3dFile(const Ms3dContent &content, int32_t version = 4, const char *identifier = "MS3D000000");

// One vertex, one triangle, one group holding it and one material: 506 bytes.
Ms3dContent oneOfEach(const std::string &textureField = "");
