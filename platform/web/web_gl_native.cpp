// Browser layer only: the C++ face of the WebGL side of our GL subset, whose JavaScript is web_gl_native.js.
#include "platform/web/web_gl_native.h"

// Defined in web_gl_native.js.
extern "C" {
int makeContext(int alpha, int depth, int stencil, int width, int height);
void dropContext();
int takeRestoredFlag();
void readBufferScale(double *across, double *down);
void putTextureImage(int name, int width, int height, int format, const unsigned char *pixels);
void putTextureFilters(int name, int minFilter, int magFilter, int wrapS, int wrapT);
void runCommands(const float *vertices, int vertexCount, const int *commands, int commandCount);
}

namespace platform {
namespace webgl {
namespace native {

bool createContext(const ContextRequest &request)
{
    return makeContext(request.alpha, request.depth, request.stencil, request.width, request.height) != 0;
}

void destroyContext() { dropContext(); }

bool takeRestored() { return takeRestoredFlag() != 0; }

void bufferScale(double &across, double &down) { readBufferScale(&across, &down); }

void textureImage(uint32_t name, int width, int height, uint32_t format, const unsigned char *pixels)
{
    putTextureImage(static_cast<int>(name), width, height, static_cast<int>(format), pixels);
}

void textureFilters(uint32_t name, uint32_t minFilter, uint32_t magFilter, uint32_t wrapS, uint32_t wrapT)
{
    putTextureFilters(static_cast<int>(name), static_cast<int>(minFilter), static_cast<int>(magFilter),
                      static_cast<int>(wrapS), static_cast<int>(wrapT));
}

void run(const float *vertices, int vertexCount, const int32_t *commands, int commandCount)
{
    runCommands(vertices, vertexCount, commands, commandCount);
}

}  // namespace native
}  // namespace webgl
}  // namespace platform
