// Both SDL flavours (SDL2 under the SDL layer, Emscripten's SDL 1.2 under the browser layer): the framebuffer sizes
// a pixel format asks for, as the SDL_GL_* attributes that both name alike and read when the GL surface is made.
#pragma once

#include "platform/pixel_format.h"

#ifdef __EMSCRIPTEN__
#include <SDL/SDL.h>
#else
#include <SDL.h>
#endif

namespace platform {

// Colour, alpha, depth, stencil and double buffering; the rest only the desktop's GL has.
inline void setSdlFramebufferAttributes(const GlPixelAttributes &attributes)
{
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, attributes.redBits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, attributes.greenBits);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, attributes.blueBits);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, attributes.alphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, attributes.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, attributes.stencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, attributes.doubleBuffer ? 1 : 0);
}

}  // namespace platform
