// The render tests' own data files: TGA images drawn by a function of the pixel, and flat MS3D models.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct Rgb {
    int r, g, b;
};

struct Rgba {
    uint8_t r, g, b, a;
};

// `pixel(column, row)`, row 0 stored first, which becomes the texture's t = 0 edge. 24 bits drop the alpha.
bool writeTga(const std::string &path, int width, int height, int bits, const std::function<Rgba(int, int)> &pixel);
bool writeSolidTga(const std::string &path, Rgb colour);

// A horizontal rectangle at height y from (x0, z0) to (x1, z1), two triangles in one mesh.
struct Plate {
    double x0, z0, x1, z1, y;
    int material;  // -1: none
};

// A version 4 file with one mesh per plate and one material per texture name (opaque grey colours).
bool writeMs3d(const std::string &path, const std::vector<Plate> &plates, const std::vector<std::string> &textures);
