// Browser layer only: The WebGL side of our GL subset (web_gl_native.cpp in the browser; tests link a fake):
// the context, textures by their GL names, and one call that runs a frame's commands.
#pragma once

#include "platform/web/web_gl.h"

#include <cstdint>

namespace platform {
namespace webgl {
namespace native {

// Gets the canvas's WebGL context (the same one for every run on the page), makes the vertex shader, the vertex
// buffer and the white texture (each shader program when first wanted), and listens for the context being lost and
// restored.
bool createContext(const ContextRequest &request);
void destroyContext();
// True once after the context came back from a loss: its objects have been made again, but no texture image.
bool takeRestored();
// The canvas's buffer pixels per CSS pixel, across and down, read now.
void bufferScale(double &across, double &down);
// format is GL_RGB or GL_RGBA; rows are padded to 4 bytes, as GL's default unpack alignment reads them.
void textureImage(uint32_t name, int width, int height, uint32_t format, const unsigned char *pixels);
void textureFilters(uint32_t name, uint32_t minFilter, uint32_t magFilter, uint32_t wrapS, uint32_t wrapT);
void run(const float *vertices, int vertexCount, const int32_t *commands, int commandCount);

}  // namespace native
}  // namespace webgl
}  // namespace platform
