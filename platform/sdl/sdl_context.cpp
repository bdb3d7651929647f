// SDL layer only: GL attributes, native windows remade for a pixel format, and the GL contexts and buffer swaps
// behind the portable wgl calls (window_table.cpp), over SDL's GL support.
#include "platform/sdl/sdl_layer.h"

namespace platform {

namespace {

void setAttribute(SDL_GLattr attribute, int value) { SDL_GL_SetAttribute(attribute, value); }

}  // namespace

// On X11 a window's visual cannot change, so a format that differs from the one the
// window was made for needs a new native window behind the same handle.
bool remakeNativeWindowFor(WindowRecord &record, const GlPixelAttributes &wanted)
{
    NativeWindow &native = *record.native;
    // Another program's window keeps its visual; the context is made for that.
    if (native.foreign) return true;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    SDL_GetWindowPosition(native.sdlWindow, &x, &y);
    SDL_GetWindowSize(native.sdlWindow, &width, &height);
    const bool shown = (SDL_GetWindowFlags(native.sdlWindow) & SDL_WINDOW_SHOWN) != 0;
    SDL_DisplayMode mode{};
    const bool fullScreen =
        (native.sdlFlags & SDL_WINDOW_FULLSCREEN) != 0 && SDL_GetWindowDisplayMode(native.sdlWindow, &mode) == 0;

    applyGlAttributes(wanted);
    SDL_Window *replacement = SDL_CreateWindow(native.title.c_str(), x, y, width, height, native.sdlFlags);
    if (replacement == nullptr) {
        reportSdlFailure("Could not create a window for the pixel format");
        return false;
    }
    if (fullScreen) {
        SDL_SetWindowDisplayMode(replacement, &mode);
    }
    if (shown) {
        SDL_ShowWindow(replacement);
    }
    SDL_DestroyWindow(native.sdlWindow);
    native.sdlWindow = replacement;
    return true;
}

void applyGlAttributes(const GlPixelAttributes &attributes)
{
    // SDL's own defaults are 3/3/2 colour: every size is set, never left to them.
    setAttribute(SDL_GL_RED_SIZE, attributes.redBits);
    setAttribute(SDL_GL_GREEN_SIZE, attributes.greenBits);
    setAttribute(SDL_GL_BLUE_SIZE, attributes.blueBits);
    setAttribute(SDL_GL_ALPHA_SIZE, attributes.alphaBits);
    setAttribute(SDL_GL_DEPTH_SIZE, attributes.depthBits);
    setAttribute(SDL_GL_STENCIL_SIZE, attributes.stencilBits);
    setAttribute(SDL_GL_DOUBLEBUFFER, attributes.doubleBuffer ? 1 : 0);
    setAttribute(SDL_GL_ACCUM_RED_SIZE, attributes.accumRedBits);
    setAttribute(SDL_GL_ACCUM_GREEN_SIZE, attributes.accumGreenBits);
    setAttribute(SDL_GL_ACCUM_BLUE_SIZE, attributes.accumBlueBits);
    setAttribute(SDL_GL_ACCUM_ALPHA_SIZE, attributes.accumAlphaBits);
    setAttribute(SDL_GL_STEREO, attributes.stereo ? 1 : 0);
}

NativeContext *makeNativeContext(const WindowRecord &record)
{
    SDL_Window *previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
    // Some drivers (EGL) pick the framebuffer configuration here rather than at window creation.
    applyGlAttributes(record.visual);
    // No version or profile is asked for: SDL's default legacy request gives a
    // compatibility context, where immediate mode works.
    SDL_GLContext context = SDL_GL_CreateContext(record.native->sdlWindow);
    if (context == nullptr) {
        reportSdlFailure("Could not create the OpenGL context");  // before the next call replaces the reason
    }
    // SDL makes the new context current; wglCreateContext does not.
    SDL_GL_MakeCurrent(previousWindow, previousContext);
    return static_cast<NativeContext *>(context);
}

bool makeNativeContextCurrent(const WindowRecord *record, NativeContext *context)
{
    if (context == nullptr) return SDL_WasInit(SDL_INIT_VIDEO) == 0 || SDL_GL_MakeCurrent(nullptr, nullptr) == 0;
    if (SDL_GL_MakeCurrent(record->native->sdlWindow, context) != 0) {
        reportSdlFailure("Could not make the OpenGL context current");
        return false;
    }
    return true;
}

void deleteNativeContext(NativeContext *context)
{
    if (SDL_GL_GetCurrentContext() == context) {
        SDL_GL_MakeCurrent(nullptr, nullptr);
    }
    SDL_GL_DeleteContext(context);
}

void swapNativeBuffers(const WindowRecord &record)
{
    // No swap interval is ever set, as on Windows: the driver's default stands.
    SDL_GL_SwapWindow(record.native->sdlWindow);
    noteFrameDrawn();
}

}  // namespace platform
