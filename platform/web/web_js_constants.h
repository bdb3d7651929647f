// Browser layer only: the numbers that cross between the page's JavaScript and C++. web_constants.js names each of
// them alike for the JavaScript side; a host test reads that file and checks that both sides agree.
#pragma once

#include <cstdint>

namespace platform {

// What takePageEvent answers: the kind of the page event it took.
enum PageEvent : int32_t { noEvent = 0, keyDown = 1, keyUp = 2, pageHidden = 3, pageShown = 4, clientResized = 5 };

// A key event's flags, beside its kind.
enum KeyFlag : int32_t { keyRepeat = 1, keyAlt = 2, keyControl = 4 };

namespace webgl {

// What the commands ask of WebGL; each command is commandWords 32-bit words, the first of them its kind.
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
const int32_t commandWords = 8;
// Each vertex is its clip-space position (x, y, z, w) and texture coordinate (s, t).
const int32_t vertexFloats = 6;

}  // namespace webgl
}  // namespace platform
