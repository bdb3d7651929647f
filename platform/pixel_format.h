// What a pixel format descriptor asks of the GL framebuffer, as plain numbers.
// Portable: knows nothing of SDL, so the mapping can be tested on its own.
#pragma once

#include "platform/win32.h"

namespace platform {

// Minimum sizes, as the GL window system treats them: 16 depth bits may give 24.
struct GlPixelAttributes {
    int redBits = 8;
    int greenBits = 8;
    int blueBits = 8;
    int alphaBits = 0;
    int depthBits = 16;
    int stencilBits = 0;
    int accumRedBits = 0;
    int accumGreenBits = 0;
    int accumBlueBits = 0;
    int accumAlphaBits = 0;
    bool doubleBuffer = true;
    bool stereo = false;

    bool operator==(const GlPixelAttributes &other) const;
    bool operator!=(const GlPixelAttributes &other) const { return !(*this == other); }
};

// A default-constructed GlPixelAttributes is what the system's one descriptor asks for,
// so a window can be created with the right visual before SetPixelFormat is called.

// Only windowed RGBA formats for OpenGL can be had.
bool descriptorIsSupported(const PIXELFORMATDESCRIPTOR &descriptor);

GlPixelAttributes attributesFromDescriptor(const PIXELFORMATDESCRIPTOR &descriptor);

}  // namespace platform
