// Browser layer only: Device contexts, pixel formats, the WebGL context and buffer swaps on the page's canvas.
// GL itself is our own subset (web_gl.cpp), which makes and keeps the canvas's WebGL context.
#include "platform/web_gl.h"
#include "platform/web_layer.h"

#include <emscripten.h>

#include <set>

namespace platform {

namespace {

std::set<uintptr_t> contexts;
bool canvasReady = false;
HGLRC currentContext = nullptr;

// The page counts frames (its start-up time is the first one's).
// clang-format off
EM_JS(void, tellPageOfFrame, (), {
    if (Module['onSwap']) Module['onSwap']();
});
// clang-format on

bool makeCanvasContext(const WebWindow &record)
{
    webgl::ContextRequest request;
    request.alpha = record.visual.alphaBits > 0;
    request.depth = record.visual.depthBits > 0;
    request.stencil = record.visual.stencilBits > 0;
    request.width = record.width;
    request.height = record.height;
    return webgl::createContext(request);
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
    // The last one gone, this run's WebGL objects go too; the canvas keeps its context for the next run.
    if (contexts.empty() && canvasReady) {
        webgl::destroyContext();
        canvasReady = false;
    }
    return TRUE;
}

BOOL WINAPI SwapBuffers(HDC hdc)
{
    const WebWindow *record = findWindowByDc(hdc);
    if (record == nullptr || !record->pixelFormatSet) {
        return FALSE;
    }
    webgl::submitFrame();
    tellPageOfFrame();
    // The browser shows what was drawn once control goes back to it.
    waitForNextFrame();
    noteFrameYielded();
    return TRUE;
}

}  // extern "C"
