// Browser layer only: Device contexts, pixel formats, the WebGL context and buffer swaps on the page's canvas.
// The context is made through Emscripten's SDL 1.2 video mode call: that is what sets up the
// fixed-function emulation that turns immediate mode into WebGL.
#include "platform/web_layer.h"

#include <SDL/SDL.h>
#include <emscripten.h>

#include <set>

namespace platform {

namespace {

std::set<uintptr_t> contexts;
bool canvasReady = false;
HGLRC currentContext = nullptr;

// The canvas's WebGL context is got first with the attributes the descriptor asks for, and with
// the drawing buffer kept between frames: the scene clears only depth, and blends each frame over
// the last, as a desktop back buffer keeps it. The video mode call then finds this context.
// clang-format off
EM_JS(int, prepareCanvas, (int width, int height, int alpha, int depth, int stencil), {
    var canvas = Module['canvas'];
    if (!canvas || typeof WebGLRenderingContext === 'undefined') return 0;
    canvas.width = width;
    canvas.height = height;
    var attributes = {
        alpha: alpha != 0, depth: depth != 0, stencil: stencil != 0, antialias: false,
        preserveDrawingBuffer: true
    };
    var gl = canvas.getContext('webgl', attributes) || canvas.getContext('experimental-webgl', attributes);
    return gl ? 1 : 0;
});
// clang-format on

// Two things WebGL does differently from desktop GL, mended on the context itself. It has no
// perspective-correction hint and reports one as an error; it is always correct there. And it samples
// "no texture" (texture 0, whose image was never given) as opaque black, where desktop GL leaves such
// a texture out and draws the plain colour: a missing image must draw white, as on the desktop. A 1 x 1
// white texture stands in for texture 0, which with the modulate environment gives the plain colour.
// clang-format off
EM_JS(void, mendContext, (), {
    var gl = Module['ctx'];
    if (!gl || gl.frostelMended) return;
    var hint = gl.hint.bind(gl);
    gl.hint = function(target, mode) {
        if (target === 0x0C50) return;  // GL_PERSPECTIVE_CORRECTION_HINT
        hint(target, mode);
    };
    var bindTexture = gl.bindTexture.bind(gl);
    var white = gl.createTexture();
    bindTexture(gl.TEXTURE_2D, white);
    gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, 1, 1, 0, gl.RGBA, gl.UNSIGNED_BYTE, new Uint8Array([255, 255, 255, 255]));
    bindTexture(gl.TEXTURE_2D, null);
    gl.bindTexture = function(target, texture) {
        bindTexture(target, texture || (target === gl.TEXTURE_2D ? white : null));
    };
    gl.frostelMended = true;
});
// clang-format on

// The program asks for its viewport in the client area's CSS pixels; the buffer has devicePixelRatio times as
// many. Only while the toolchain's GL emulation draws: our own GL over WebGL scales in its glViewport.
// clang-format off
EM_JS(void, scaleViewportToBuffer, (), {
    var gl = Module['ctx'];
    if (!gl || gl.frostelScaled) return;
    var viewport = gl.viewport.bind(gl);
    gl.viewport = function(x, y, width, height) {
        var canvas = gl.canvas;
        var scale = canvas.clientWidth ? canvas.width / canvas.clientWidth : 1;
        viewport(Math.round(x * scale), Math.round(y * scale), Math.round(width * scale), Math.round(height * scale));
    };
    gl.frostelScaled = true;
});
// clang-format on

// The page counts frames (its start-up time is the first one's).
// clang-format off
EM_JS(void, tellPageOfFrame, (), {
    if (Module['onSwap']) Module['onSwap']();
});
// clang-format on

bool makeCanvasContext(const WebWindow &record)
{
    const GlPixelAttributes &visual = record.visual;
    if (!prepareCanvas(record.width, record.height, visual.alphaBits, visual.depthBits, visual.stencilBits)) {
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, visual.redBits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, visual.greenBits);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, visual.blueBits);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, visual.alphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, visual.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, visual.stencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, visual.doubleBuffer ? 1 : 0);
    if (SDL_SetVideoMode(record.width, record.height, 32, SDL_OPENGL) == nullptr) {
        return false;
    }
    mendContext();
    scaleViewportToBuffer();
    // The video mode call made the buffer the window's size; it follows devicePixelRatio.
    fitCanvasBuffer();
    return true;
}

}  // namespace

}  // namespace platform

using namespace platform;

extern "C" {

HDC WINAPI GetDC(HWND hWnd)
{
    const WebWindow *record = findWindow(hWnd);
    return record == nullptr ? nullptr : record->dc;
}

int WINAPI ReleaseDC(HWND hWnd, HDC hDC)
{
    const WebWindow *record = findWindow(hWnd);
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
    WebWindow *record = findWindowByDc(hdc);
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
    record->visual = wanted;
    record->pixelFormatSet = true;
    return TRUE;
}

HGLRC WINAPI wglCreateContext(HDC hdc)
{
    const WebWindow *record = findWindowByDc(hdc);
    if (record == nullptr || !record->pixelFormatSet) {
        return nullptr;
    }
    // A canvas has one WebGL context: every rendering context made for it shares that one.
    if (!canvasReady && !makeCanvasContext(*record)) {
        return nullptr;
    }
    canvasReady = true;
    const uintptr_t handle = newHandleValue();
    contexts.insert(handle);
    return reinterpret_cast<HGLRC>(handle);
}

BOOL WINAPI wglMakeCurrent(HDC hdc, HGLRC hglrc)
{
    if (hglrc == nullptr) {
        currentContext = nullptr;
        return TRUE;
    }
    const WebWindow *record = findWindowByDc(hdc);
    if (contexts.count(reinterpret_cast<uintptr_t>(hglrc)) == 0 || record == nullptr || !record->pixelFormatSet) {
        return FALSE;
    }
    currentContext = hglrc;
    return TRUE;
}

BOOL WINAPI wglDeleteContext(HGLRC hglrc)
{
    if (contexts.erase(reinterpret_cast<uintptr_t>(hglrc)) == 0) {
        return FALSE;
    }
    if (currentContext == hglrc) {
        currentContext = nullptr;
    }
    return TRUE;
}

BOOL WINAPI SwapBuffers(HDC hdc)
{
    const WebWindow *record = findWindowByDc(hdc);
    if (record == nullptr || !record->pixelFormatSet) {
        return FALSE;
    }
    tellPageOfFrame();
    // The browser shows what was drawn once control goes back to it.
    waitForNextFrame();
    noteFrameYielded();
    return TRUE;
}

}  // extern "C"
