// Browser layer only: The WebGL context and buffer swaps on the page's canvas, behind the portable wgl calls
// (window_table.cpp).
// The context is made through Emscripten's SDL 1.2 video mode call: that is what sets up the
// fixed-function emulation that turns immediate mode into WebGL.
#include "platform/sdl_framebuffer.h"
#include "platform/web_layer.h"

#include <emscripten.h>

namespace platform {

namespace {

bool canvasReady = false;
int canvasContext;  // what every rendering context stands for

// The canvas's WebGL context is got first with the attributes the descriptor asks for, and with
// the drawing buffer kept between frames: the scene clears only depth, and blends each frame over
// the last, as a desktop back buffer keeps it. The video mode call then finds this context.
// JavaScript: a C++ formatter would split its === and !==.
// clang-format off
EM_JS(int, prepareCanvas, (int width, int height, int alpha, int depth, int stencil), {
    var canvas = Module['canvas'];
    if (!canvas || typeof WebGLRenderingContext === 'undefined') return 0;
    canvas.width = width;
    canvas.height = height;
    var attributes = {
        alpha : alpha != 0,
        depth : depth != 0,
        stencil : stencil != 0,
        antialias : false,
        preserveDrawingBuffer : true
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
// JavaScript: a C++ formatter would split its === and !==.
// clang-format off
EM_JS(void, mendContext, (), {
    var gl = Module['ctx'];
    if (!gl || gl.frostelMended) return;
    var hint = gl.hint.bind(gl);
    gl.hint = function(target, mode)
    {
        if (target === 0x0C50) return;  // GL_PERSPECTIVE_CORRECTION_HINT
        hint(target, mode);
    };
    var bindTexture = gl.bindTexture.bind(gl);
    var white = gl.createTexture();
    bindTexture(gl.TEXTURE_2D, white);
    gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, 1, 1, 0, gl.RGBA, gl.UNSIGNED_BYTE,
                  new Uint8Array([ 255, 255, 255, 255 ]));
    bindTexture(gl.TEXTURE_2D, null);
    gl.bindTexture = function(target, texture)
    {
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
EM_JS(void, tellPageOfFrame, (), {
    if (Module['onSwap']) Module['onSwap']();
});

bool makeCanvasContext(const WindowRecord &record)
{
    const GlPixelAttributes &visual = record.visual;
    if (!prepareCanvas(record.native->width, record.native->height, visual.alphaBits, visual.depthBits,
                       visual.stencilBits)) {
        return false;
    }
    setSdlFramebufferAttributes(visual);
    if (SDL_SetVideoMode(record.native->width, record.native->height, 32, SDL_OPENGL) == nullptr) {
        return false;
    }
    mendContext();
    scaleViewportToBuffer();
    // The video mode call made the buffer the window's size; it follows devicePixelRatio.
    fitCanvasBuffer();
    return true;
}

}  // namespace

NativeContext *makeNativeContext(const WindowRecord &record)
{
    // A canvas has one WebGL context: every rendering context made for it shares that one.
    if (!canvasReady && !makeCanvasContext(record)) {
        return nullptr;
    }
    canvasReady = true;
    return reinterpret_cast<NativeContext *>(&canvasContext);
}

// The one WebGL context is always current on its canvas.
bool makeNativeContextCurrent(const WindowRecord *, NativeContext *) { return true; }

void deleteNativeContext(NativeContext *) { }

void swapNativeBuffers(const WindowRecord &)
{
    tellPageOfFrame();
    // The browser shows what was drawn once control goes back to it.
    waitForNextFrame();
    noteFrameYielded();
}

}  // namespace platform
