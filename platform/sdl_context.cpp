// SDL layer only: Device contexts, pixel formats, GL rendering contexts and buffer swaps over SDL's GL support.
// One private device context per window; its pixel format is the window's GL visual.
#include "platform/sdl_layer.h"

#include <map>

namespace platform {

namespace {

std::map<uintptr_t, SDL_GLContext> contexts;

void setAttribute(SDL_GLattr attribute, int value) { SDL_GL_SetAttribute(attribute, value); }

// On X11 a window's visual cannot change, so a format that differs from the one the
// window was made for needs a new native window behind the same handle.
bool recreateNativeWindow(WindowRecord &record, const GlPixelAttributes &wanted)
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    SDL_GetWindowPosition(record.sdlWindow, &x, &y);
    SDL_GetWindowSize(record.sdlWindow, &width, &height);
    const bool shown = (SDL_GetWindowFlags(record.sdlWindow) & SDL_WINDOW_SHOWN) != 0;
    SDL_DisplayMode mode{};
    const bool fullScreen =
        (record.sdlFlags & SDL_WINDOW_FULLSCREEN) != 0 && SDL_GetWindowDisplayMode(record.sdlWindow, &mode) == 0;

    applyGlAttributes(wanted);
    SDL_Window *replacement = SDL_CreateWindow(record.title.c_str(), x, y, width, height, record.sdlFlags);
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
    SDL_DestroyWindow(record.sdlWindow);
    record.sdlWindow = replacement;
    record.visual = wanted;
    return true;
}

}  // namespace

void applyGlAttributes(const GlPixelAttributes &attributes)
{
    // SDL's own defaults are 3/3/2 colour: every size is set, never left to them.
    setAttribute(SDL_GL_RED_SIZE, attributes.redBits);
    setAttribute(SDL_GL_GREEN_SIZE, attributes.greenBits);
    setAttribute(SDL_GL_BLUE_SIZE, attributes.blueBits);
    setAttribute(SDL_GL_ALPHA_SIZE, attributes.alphaBits);
    setAttribute(SDL_GL_DEPTH_SIZE, attributes.depthBits);
    setAttribute(SDL_GL_STENCIL_SIZE, attributes.stencilBits);
    setAttribute(SDL_GL_ACCUM_RED_SIZE, attributes.accumRedBits);
    setAttribute(SDL_GL_ACCUM_GREEN_SIZE, attributes.accumGreenBits);
    setAttribute(SDL_GL_ACCUM_BLUE_SIZE, attributes.accumBlueBits);
    setAttribute(SDL_GL_ACCUM_ALPHA_SIZE, attributes.accumAlphaBits);
    setAttribute(SDL_GL_DOUBLEBUFFER, attributes.doubleBuffer ? 1 : 0);
    setAttribute(SDL_GL_STEREO, attributes.stereo ? 1 : 0);
}

}  // namespace platform

using namespace platform;

extern "C" {

HDC WINAPI GetDC(HWND hWnd)
{
    const WindowRecord *record = findWindow(hWnd);
    return record == nullptr ? nullptr : record->dc;
}

int WINAPI ReleaseDC(HWND hWnd, HDC hDC)
{
    // A private device context stays with its window; releasing only checks the pairing.
    const WindowRecord *record = findWindow(hWnd);
    return record != nullptr && record->dc == hDC ? 1 : 0;
}

int WINAPI ChoosePixelFormat(HDC hdc, const PIXELFORMATDESCRIPTOR *ppfd)
{
    // Index 1 stands for "the format this descriptor asks for"; SetPixelFormat reads it back.
    if (findWindowByDc(hdc) == nullptr || ppfd == nullptr || !descriptorIsSupported(*ppfd)) {
        return 0;
    }
    return 1;
}

BOOL WINAPI SetPixelFormat(HDC hdc, int format, const PIXELFORMATDESCRIPTOR *ppfd)
{
    WindowRecord *record = findWindowByDc(hdc);
    if (record == nullptr || format != 1) {
        return FALSE;
    }
    if (ppfd != nullptr && !descriptorIsSupported(*ppfd)) {
        return FALSE;
    }
    const GlPixelAttributes wanted = ppfd != nullptr ? attributesFromDescriptor(*ppfd) : record->visual;
    if (record->pixelFormatSet) {
        // A window's pixel format is set once and never changes.
        return wanted == record->visual ? TRUE : FALSE;
    }
    // No context can exist yet (one needs the format set), so the native window may be replaced.
    if (wanted != record->visual && !recreateNativeWindow(*record, wanted)) {
        return FALSE;
    }
    record->pixelFormatSet = true;
    return TRUE;
}

HGLRC WINAPI wglCreateContext(HDC hdc)
{
    WindowRecord *record = findWindowByDc(hdc);
    if (record == nullptr || !record->pixelFormatSet) {
        return nullptr;
    }
    SDL_Window *previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
    // Some drivers (EGL) pick the framebuffer configuration here rather than at window creation.
    applyGlAttributes(record->visual);
    // No version or profile is asked for: SDL's default legacy request gives a
    // compatibility context, where immediate mode works.
    SDL_GLContext context = SDL_GL_CreateContext(record->sdlWindow);
    if (context == nullptr) {
        reportSdlFailure("Could not create the OpenGL context");  // before the next call replaces the reason
    }
    // SDL makes the new context current; wglCreateContext does not.
    SDL_GL_MakeCurrent(previousWindow, previousContext);
    if (context == nullptr) {
        return nullptr;
    }
    const uintptr_t handle = newHandleValue();
    contexts[handle] = context;
    return reinterpret_cast<HGLRC>(handle);
}

BOOL WINAPI wglMakeCurrent(HDC hdc, HGLRC hglrc)
{
    if (hglrc == nullptr) {
        if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
            return TRUE;
        }
        return SDL_GL_MakeCurrent(nullptr, nullptr) == 0 ? TRUE : FALSE;
    }
    auto context = contexts.find(reinterpret_cast<uintptr_t>(hglrc));
    const WindowRecord *record = findWindowByDc(hdc);
    if (context == contexts.end() || record == nullptr || !record->pixelFormatSet) {
        return FALSE;
    }
    if (SDL_GL_MakeCurrent(record->sdlWindow, context->second) != 0) {
        reportSdlFailure("Could not make the OpenGL context current");
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI wglDeleteContext(HGLRC hglrc)
{
    auto context = contexts.find(reinterpret_cast<uintptr_t>(hglrc));
    if (context == contexts.end()) {
        return FALSE;
    }
    if (SDL_GL_GetCurrentContext() == context->second) {
        SDL_GL_MakeCurrent(nullptr, nullptr);
    }
    SDL_GL_DeleteContext(context->second);
    contexts.erase(context);
    return TRUE;
}

BOOL WINAPI SwapBuffers(HDC hdc)
{
    const WindowRecord *record = findWindowByDc(hdc);
    if (record == nullptr || !record->pixelFormatSet) {
        return FALSE;
    }
    // No swap interval is ever set, as on Windows: the driver's default stands.
    SDL_GL_SwapWindow(record->sdlWindow);
    noteFrameDrawn();
    return TRUE;
}

}  // extern "C"
