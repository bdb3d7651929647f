// Turns a pixel format descriptor into GL framebuffer attributes.
#include "platform/pixel_format.h"

namespace platform {

bool GlPixelAttributes::operator==(const GlPixelAttributes &other) const
{
    return redBits == other.redBits && greenBits == other.greenBits && blueBits == other.blueBits &&
           alphaBits == other.alphaBits && depthBits == other.depthBits && stencilBits == other.stencilBits &&
           accumRedBits == other.accumRedBits && accumGreenBits == other.accumGreenBits &&
           accumBlueBits == other.accumBlueBits && accumAlphaBits == other.accumAlphaBits &&
           doubleBuffer == other.doubleBuffer && stereo == other.stereo;
}

bool descriptorIsSupported(const PIXELFORMATDESCRIPTOR &descriptor)
{
    const DWORD needed = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    return (descriptor.dwFlags & needed) == needed && descriptor.iPixelType == PFD_TYPE_RGBA;
}

GlPixelAttributes attributesFromDescriptor(const PIXELFORMATDESCRIPTOR &descriptor)
{
    GlPixelAttributes attributes;
    if (descriptor.cRedBits != 0 || descriptor.cGreenBits != 0 || descriptor.cBlueBits != 0) {
        attributes.redBits = descriptor.cRedBits;
        attributes.greenBits = descriptor.cGreenBits;
        attributes.blueBits = descriptor.cBlueBits;
    } else if (descriptor.cColorBits == 16) {
        attributes.redBits = 5;
        attributes.greenBits = 6;
        attributes.blueBits = 5;
    } else if (descriptor.cColorBits == 15) {
        attributes.redBits = attributes.greenBits = attributes.blueBits = 5;
    } else if (descriptor.cColorBits != 0 && descriptor.cColorBits < 15) {
        attributes.redBits = 3;
        attributes.greenBits = 3;
        attributes.blueBits = 2;
    }
    // 24 and 32 colour bits (and 0, "any") mean 8 per channel: the alpha byte of a
    // 32-bit pixel is only asked for through cAlphaBits, as on Windows.
    attributes.alphaBits = descriptor.cAlphaBits;
    attributes.depthBits = descriptor.cDepthBits;
    attributes.stencilBits = descriptor.cStencilBits;
    if (descriptor.cAccumRedBits != 0 || descriptor.cAccumGreenBits != 0 || descriptor.cAccumBlueBits != 0) {
        attributes.accumRedBits = descriptor.cAccumRedBits;
        attributes.accumGreenBits = descriptor.cAccumGreenBits;
        attributes.accumBlueBits = descriptor.cAccumBlueBits;
    } else {
        attributes.accumRedBits = attributes.accumGreenBits = attributes.accumBlueBits = descriptor.cAccumBits / 3;
    }
    attributes.accumAlphaBits = descriptor.cAccumAlphaBits;
    attributes.doubleBuffer = (descriptor.dwFlags & PFD_DOUBLEBUFFER) != 0;
    attributes.stereo = (descriptor.dwFlags & PFD_STEREO) != 0;
    return attributes;
}

}  // namespace platform
