// Browser layer only: our own OpenGL 1.1 subset over WebGL 1. The layer keeps all GL state itself (matrices,
// switches, textures with their images), gathers immediate-mode primitives already transformed to clip space, and
// hands WebGL one vertex upload and a short list of commands per frame. Portable: the WebGL side is the few
// functions of web_gl_native.h, so the state and batching are checked on the host against a fake of those.
#pragma once

#include "platform/web/web_js_constants.h"

#include <cstdint>

namespace platform {
namespace webgl {

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
