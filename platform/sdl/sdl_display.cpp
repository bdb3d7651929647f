// SDL layer only: Display-mode changes: a full-screen mode is checked against SDL's list and taken by
// WS_POPUP windows; going back to the desktop mode needs no record.
#include "platform/sdl/sdl_layer.h"

namespace platform {

namespace {

bool fullScreenRequested = false;
SDL_DisplayMode requestedMode{};

// SDL counts the bits that carry colour (24 for XRGB8888); Windows counts the whole pixel (32).
bool depthMatches(Uint32 format, DWORD bitsPerPixel)
{
    return SDL_BITSPERPIXEL(format) == bitsPerPixel || SDL_BYTESPERPIXEL(format) * 8u == bitsPerPixel;
}

bool modeMatches(const SDL_DisplayMode &mode, const DEVMODEA &devMode, int width, int height)
{
    if (mode.w != width || mode.h != height) return false;
    return (devMode.dmFields & DM_BITSPERPEL) == 0 || depthMatches(mode.format, devMode.dmBitsPerPel);
}

bool findMode(const DEVMODEA &devMode, SDL_DisplayMode &found)
{
    const int display = 0;
    SDL_DisplayMode desktop{};
    if (SDL_GetDesktopDisplayMode(display, &desktop) != 0) return false;
    const int width = (devMode.dmFields & DM_PELSWIDTH) != 0 ? static_cast<int>(devMode.dmPelsWidth) : desktop.w;
    const int height = (devMode.dmFields & DM_PELSHEIGHT) != 0 ? static_cast<int>(devMode.dmPelsHeight) : desktop.h;
    const int count = SDL_GetNumDisplayModes(display);
    for (int index = 0; index < count; ++index) {
        SDL_DisplayMode mode{};
        if (SDL_GetDisplayMode(display, index, &mode) == 0 && modeMatches(mode, devMode, width, height)) {
            found = mode;
            return true;
        }
    }
    // The desktop's own mode is always there, even where the driver lists no modes (offscreen).
    if (modeMatches(desktop, devMode, width, height)) {
        found = desktop;
        return true;
    }
    return false;
}

}  // namespace

const SDL_DisplayMode *fullScreenMode() { return fullScreenRequested ? &requestedMode : nullptr; }

}  // namespace platform

using namespace platform;

extern "C" {

LONG WINAPI ChangeDisplaySettingsA(DEVMODEA *lpDevMode, DWORD dwFlags)
{
    (void)dwFlags;  // CDS_FULLSCREEN or not, the mode lasts until the desktop mode is asked back
    if (lpDevMode == nullptr) {
        fullScreenRequested = false;
        if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
            for (WindowRecord *record : liveWindows()) {
                if ((SDL_GetWindowFlags(record->native->sdlWindow) & SDL_WINDOW_FULLSCREEN) != 0) {
                    SDL_SetWindowFullscreen(record->native->sdlWindow, 0);
                }
                record->native->sdlFlags &= ~static_cast<Uint32>(SDL_WINDOW_FULLSCREEN);
            }
        }
        return DISP_CHANGE_SUCCESSFUL;
    }
    if (!ensureSdl(SDL_INIT_VIDEO)) return DISP_CHANGE_FAILED;
    SDL_DisplayMode mode{};
    if (!findMode(*lpDevMode, mode)) return DISP_CHANGE_BADMODE;
    // SDL changes the display mode only for a full-screen window: the mode waits for a
    // WS_POPUP window, and one that already exists takes it now.
    requestedMode = mode;
    fullScreenRequested = true;
    for (WindowRecord *record : liveWindows()) {
        if ((record->style & WS_POPUP) != 0) {
            SDL_SetWindowDisplayMode(record->native->sdlWindow, &requestedMode);
            SDL_SetWindowFullscreen(record->native->sdlWindow, SDL_WINDOW_FULLSCREEN);
            record->native->sdlFlags |= SDL_WINDOW_FULLSCREEN;
        }
    }
    return DISP_CHANGE_SUCCESSFUL;
}

}  // extern "C"
