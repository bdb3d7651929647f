// The saver's window procedure, end rules, square viewport and run, over the demo's window and scene.
#include "app/saver.h"

#include "app/scene_run.h"

#include <algorithm>
#include <cstdlib>

namespace {

// A hand resting on the mouse or a desk's tremor moves it a pixel or two; that is not someone returning.
const int mouseSlack = 4;

SaverRequest request;
bool mouseSeen = false;
int mouseX = 0, mouseY = 0;
// With buffers that flip, each of the two holds its own sides: both are blacked out before drawing into them.
int blackFramesLeft = 0;

void clearWholeWindow()
{
    glDisable(GL_SCISSOR_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
}

}  // namespace

SquareViewport squareViewport(int width, int height)
{
    const int side = std::max(0, std::min(width, height));
    return {(width - side) / 2, (height - side) / 2, side};
}

void resetSaverState()
{
    request = SaverRequest();
    mouseSeen = false;
    mouseX = mouseY = 0;
    blackFramesLeft = 0;
}

bool inputEndsSaver(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN: return true;
    case WM_ACTIVATE: return LOWORD(wParam) == WA_INACTIVE;
    case WM_ACTIVATEAPP: return wParam == FALSE;
    case WM_MOUSEMOVE: {
        // Coordinates are signed 16-bit halves; Windows sends a first move where the pointer already is.
        const int x = static_cast<short>(LOWORD(lParam));
        const int y = static_cast<short>(HIWORD(lParam));
        if (!mouseSeen) {
            mouseSeen = true;
            mouseX = x;
            mouseY = y;
            return false;
        }
        return std::abs(x - mouseX) > mouseSlack || std::abs(y - mouseY) > mouseSlack;
    }
    default: return false;
    }
}

void resizeSaverScene(int width, int height)
{
    if (height == 0) height = 1;
    clearWholeWindow();
    const bool wholeWindow = request.areaWidth <= 0 || request.areaHeight <= 0;
    const int areaWidth = wholeWindow ? width : request.areaWidth;
    const int areaHeight = wholeWindow ? height : request.areaHeight;
    const SquareViewport square = squareViewport(areaWidth, areaHeight);
    const int left = (wholeWindow ? 0 : request.areaX) + square.x;
    const int top = (wholeWindow ? 0 : request.areaY) + square.y;
    // GL counts rows from the bottom.
    const int bottom = height - top - square.side;
    glViewport(left, bottom, square.side, square.side);
    glScissor(left, bottom, square.side, square.side);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.0, 3.0, 2500.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    blackFramesLeft = 2;
}

bool drawSaverFrame()
{
    if (request.stillWanted != nullptr && !request.stillWanted()) {
        // The window went with its parent, though no WM_DESTROY came to say so (a host that died).
        windowLost();
        return false;
    }
    // Without its files the scene would light the screen plain white: black is what a saver owes the night.
    if (!request.sceneData) {
        clearWholeWindow();
        return true;
    }
    if (blackFramesLeft > 0) {
        clearWholeWindow();
        --blackFramesLeft;
    }
    return drawScene();
}

LRESULT CALLBACK saverProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (request.endOnInput && inputEndsSaver(message, wParam, lParam)) {
        PostQuitMessage(0);
        return 0;
    }
    switch (message) {
    case WM_KEYDOWN:
        if (request.endOnEscape && (wParam == VK_ESCAPE || wParam == 'Q')) {
            PostQuitMessage(0);
            return 0;
        }
        // Otherwise the keys belong to whoever shows the saver.
        return DefWindowProcA(wnd, message, wParam, lParam);
    case WM_KEYUP: return DefWindowProcA(wnd, message, wParam, lParam);
    case WM_SIZE: resizeSaverScene(LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_DESTROY:
        // Destroyed with its parent (the preview), not by us: nothing of it is left to release.
        if (windowLost()) PostQuitMessage(0);
        return 0;
    default: return windowProc(wnd, message, wParam, lParam);
    }
}

int runSaver(const SaverRequest &wanted)
{
    request = wanted;
    const WindowShape shape = {request.style, request.exStyle, request.parent, request.x,       request.y,
                               request.width, request.height,  saverProc,      resizeSaverScene};
    SceneRun run;
    run.title = "Frostel";
    run.shape = &shape;
    run.music = request.music;
    run.drawFrame = drawSaverFrame;
    run.frameMicroseconds = request.frameMicroseconds;
    return runScene(run);
}
