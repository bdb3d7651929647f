// Recording OpenGL 1.1 and GLU fake: logs every call and keeps the little state the code reads back.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace fakegl {

using Matrix = std::array<float, 16>;  // column-major, as OpenGL stores it

struct TexImage {
    GLuint texture;  // bound when glTexImage2D was called
    GLint internalFormat;
    GLsizei width, height;
    GLenum format, type;
    std::vector<uint8_t> pixels;  // the bytes OpenGL reads with the default unpack alignment of 4
};

// Clears the log's GL state: identity matrices, default enables, no textures.
void reset();

const Matrix &modelview();
const Matrix &projection();
size_t modelviewDepth();
bool enabled(GLenum cap);
GLuint boundTexture();
std::vector<TexImage> &texImages();
GLuint texturesGenerated();
// What GL_MAX_TEXTURE_SIZE answers; 16384 after reset().
GLint &maxTextureSize();

// Matrix maths for expectations computed in tests, independent of the fake's bookkeeping.
Matrix identity();
Matrix multiply(const Matrix &a, const Matrix &b);
Matrix translation(float x, float y, float z);
Matrix rotation(float degrees, float x, float y, float z);
// Applies m to (x, y, z, 1).
std::array<double, 4> transform(const Matrix &m, double x, double y, double z);

}  // namespace fakegl
