// SDL layer only: The native windows behind the portable window table (window_table.cpp): creating, destroying,
// showing and raising SDL windows, and focus. GL attributes live in sdl_context.cpp, messages in sdl_messages.cpp.
#include "platform/sdl/sdl_layer.h"

#include <algorithm>
#include <cstdio>

namespace platform {

namespace {

HWND focusedWindow = nullptr;

}  // namespace

NativeWindow *createNativeWindow(const WindowRecord &record, const char *title, int x, int y, int width, int height)
{
    if (!ensureSdl(SDL_INIT_VIDEO)) {
        reportSdlFailure("Could not create the window");
        return nullptr;
    }
    if (record.parent != nullptr) {
        // Only an adopted X window can be a parent here: the child draws into it.
        SDL_Window *adopted = takeAdoptedWindow(record.parent);
        if (adopted == nullptr) {
            std::fputs("Could not create the window: its parent is no window to draw into\n", stderr);
            return nullptr;
        }
        return new NativeWindow{title, adopted, SDL_GetWindowFlags(adopted), false, true};
    }

    // Created hidden, as Windows does without WS_VISIBLE; shown by ShowWindow.
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if ((record.style & WS_POPUP) != 0) {
        flags |= SDL_WINDOW_BORDERLESS;
    }
    if ((record.style & WS_THICKFRAME) != 0) {
        flags |= SDL_WINDOW_RESIZABLE;
    }
    const SDL_DisplayMode *mode = (record.style & WS_POPUP) != 0 ? fullScreenMode() : nullptr;
    if (mode != nullptr) {
        flags |= SDL_WINDOW_FULLSCREEN;
    }

    applyGlAttributes(record.visual);
    SDL_Window *sdlWindow = SDL_CreateWindow(title, x, y, std::max(width, 1), std::max(height, 1), flags);
    if (sdlWindow == nullptr) {
        reportSdlFailure("Could not create the window");
        return nullptr;
    }
    if (mode != nullptr) {
        SDL_SetWindowDisplayMode(sdlWindow, mode);
    }
    return new NativeWindow{title, sdlWindow, flags, false};
}

void destroyNativeWindow(HWND window, NativeWindow *native)
{
    if (focusedWindow == window) {
        focusedWindow = nullptr;
    }
    if (native->foreign) {
        releaseAdoptedWindow(native->sdlWindow);
    }
    SDL_DestroyWindow(native->sdlWindow);
    delete native;
}

bool showNativeWindow(WindowRecord &record, bool show)
{
    SDL_Window *sdlWindow = record.native->sdlWindow;
    const bool wasVisible = (SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_SHOWN) != 0;
    if (show) {
        SDL_ShowWindow(sdlWindow);
    } else {
        SDL_HideWindow(sdlWindow);
    }
    return wasVisible;
}

void nativeClientSize(const WindowRecord &record, int &width, int &height)
{
    // SDL reports no size on show, so the first show's WM_SIZE asks it.
    SDL_GetWindowSize(record.native->sdlWindow, &width, &height);
}

WindowRecord *findWindowBySdlId(Uint32 sdlWindowId)
{
    for (WindowRecord *record : liveWindows()) {
        if (SDL_GetWindowID(record->native->sdlWindow) == sdlWindowId) return record;
    }
    return nullptr;
}

HWND focusWindow() { return focusedWindow; }

void setFocusWindow(HWND window) { focusedWindow = window; }

SDL_Window *sdlWindowOf(HWND window)
{
    const WindowRecord *record = findWindow(window);
    return record == nullptr ? nullptr : record->native->sdlWindow;
}

}  // namespace platform

using namespace platform;

extern "C" {

BOOL WINAPI SetForegroundWindow(HWND hWnd)
{
    WindowRecord *record = findWindow(hWnd);
    if (record == nullptr) return FALSE;
    if (record->native->foreign) return TRUE;
    SDL_RaiseWindow(record->native->sdlWindow);
    return TRUE;
}

HWND WINAPI SetFocus(HWND hWnd)
{
    const HWND previous = focusedWindow;
    if (hWnd == nullptr) {
        focusedWindow = nullptr;
        return previous;
    }
    WindowRecord *record = findWindow(hWnd);
    if (record == nullptr) return nullptr;
    // Drivers without input focus (offscreen) refuse; the window is still the one keys go to.
    if (!record->native->foreign) {
        SDL_SetWindowInputFocus(record->native->sdlWindow);
    }
    focusedWindow = hWnd;
    return previous;
}

}  // extern "C"
