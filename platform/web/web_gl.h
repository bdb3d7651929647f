// Browser layer only: our own OpenGL 1.1 subset over WebGL 1. The layer keeps all GL state itself (matrices,
// switches, textures with their images), gathers immediate-mode primitives already transformed to clip space, and
// hands WebGL one vertex upload and a short list of commands per frame. Portable: the WebGL side is the few
// functions of web_gl_native.h, so the state and batching are checked on the host against a fake of those.
#pragma once

#include <cstdint>

namespace platform {
namespace webgl {

// What the commands ask of WebGL; each command is eight 32-bit words, the first of them its kind.
enum Command : int32_t {
    drawTriangles = 1,  // first vertex, vertex count
    clearBuffers = 2,   // mask, then red, green, blue, alpha, depth as floats
    setViewport = 3,    // x, y, width, height in buffer pixels
    useTexture = 4,     // texture name, 0 for untextured white
    setAlphaTest = 5,   // comparison (GL_ALWAYS when off), reference as a float
    setBlending = 6,    // on, source factor, destination factor
    setDepthTest = 7,   // on, comparison, depth writes
    setCulling = 8,     // on, face
};
const int commandWords = 8;
// Each vertex is its clip-space position (x, y, z, w) and texture coordinate (s, t).
const int vertexFloats = 6;

struct ContextRequest {
    bool alpha = false;
    bool depth = true;
    bool stencil = false;
    int width = 1;  // the window's client area in CSS pixels: the canvas's size and GL's first viewport
    int height = 1;
};

// Makes the page's one WebGL context ready for this run and starts the GL state afresh; false when the page
// has no WebGL.
bool createContext(const ContextRequest &request);
// Gives back every WebGL object and listener of this run; the page's context itself stays for the next run.
void destroyContext();
// Sends what the frame gathered to WebGL (SwapBuffers does, before the browser shows the frame). After a lost
// context was restored, its objects are made again first, textures under their own names.
void submitFrame();

}  // namespace webgl
}  // namespace platform
