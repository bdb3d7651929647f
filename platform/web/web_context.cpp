// Browser layer only: The WebGL context and buffer swaps on the page's canvas, behind the portable wgl calls
// (window_table.cpp). GL itself is our own subset (web_gl.cpp), which makes and keeps the canvas's WebGL context.
#include "platform/web/web_gl.h"
#include "platform/web/web_layer.h"

// Defined in web_page.js: the page counts frames (its start-up time is the first one's).
extern "C" void tellPageOfFrame();

namespace platform {

namespace {

int canvasContext;  // what every rendering context stands for
int liveContexts = 0;

}  // namespace

NativeContext *makeNativeContext(const WindowRecord &record)
{
    // A canvas has one WebGL context: every rendering context made for it shares that one.
    if (liveContexts == 0) {
        webgl::ContextRequest request;
        request.alpha = record.visual.alphaBits > 0;
        request.depth = record.visual.depthBits > 0;
        request.stencil = record.visual.stencilBits > 0;
        request.width = record.native->width;
        request.height = record.native->height;
        if (!webgl::createContext(request)) return nullptr;
        // Making the context sized the buffer to the window; it follows the canvas's CSS size and devicePixelRatio.
        fitCanvasBuffer();
    }
    ++liveContexts;
    return reinterpret_cast<NativeContext *>(&canvasContext);
}

// The one WebGL context is always current on its canvas.
bool makeNativeContextCurrent(const WindowRecord *, NativeContext *) { return true; }

void deleteNativeContext(NativeContext *)
{
    // The last one gone, this run's WebGL objects go too; the canvas keeps its context for the next run.
    if (liveContexts > 0 && --liveContexts == 0) {
        webgl::destroyContext();
    }
}

void swapNativeBuffers(const WindowRecord &)
{
    webgl::submitFrame();
    tellPageOfFrame();
    // The browser shows what was drawn once control goes back to it.
    waitForNextFrame();
    noteFrameYielded();
}

}  // namespace platform
