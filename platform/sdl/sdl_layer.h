// SDL layer only: State and helpers shared by the SDL-backed Win32 files; not part of the Win32 surface.
// Tests include it to reach the SDL window behind a handle.
#pragma once

#include "platform/window_table.h"

#include <SDL.h>

#include <string>

namespace platform {

// The SDL part of a window; the rest of its record is the portable one of window_table.h.
struct NativeWindow {
    std::string title;
    SDL_Window *sdlWindow = nullptr;
    Uint32 sdlFlags = 0;  // what it was created with, to create it again alike
    bool minimised = false;
    bool foreign = false;  // another program's X window: its own visual, never remade, raised or focused
};

// Initialises the subsystems on first need; everything is shut down at process exit.
// Video never starts on a driver that draws nowhere unless SDL_VIDEODRIVER asks for it.
bool ensureSdl(Uint32 subsystems);

// On X11: a window destroyed by another program, or a lost connection, ends the program with status 1 and
// one line on standard error, with no tear-down inside Xlib's handlers.
void guardX11Connection();

// The adopted X window was destroyed by its owner: ends the program as an X error on it would (status 1 and
// one line; by the signal, and silently, once SIGTERM or SIGINT has asked for the end). Mesa may swallow the drawing
// errors on a window that is gone, so the owner's DestroyNotify is watched too.
[[noreturn]] void endForeignWindowGone();

// Notes which signal asks for the end (endingSignal), where SDL itself handles SIGINT and SIGTERM; once SDL has put
// its handlers in place.
void watchEndingSignals();

// Stops SDL at process exit; called on the caller's thread before any other thread starts SDL.
void registerSdlShutdown();

// The sound hooks of window_table.h run on a thread of their own: openSoundOutput waits a moment at most (a
// sound system that does not answer counts as there), playPreparedSound returns at once, and waitForSoundEnd
// gives up once the sound's own length and a margin have passed.
// At exit: ends the sound thread. False when it did not end within `milliseconds`; SDL's audio is then stuck
// and must be left alone.
bool stopSoundThread(unsigned milliseconds);

// Whether SDL_VIDEODRIVER (one name, or in newer SDL a comma-separated list) names this driver.
bool namedInVideoDriverSetting(const char *driver);

// Writes "what: SDL's reason" to standard error, for failures whose message box cannot say why.
void reportSdlFailure(const char *what);

WindowRecord *findWindowBySdlId(Uint32 sdlWindowId);
// A frame was presented: PeekMessageA's polls are the drawing loop's and must not wait.
void noteFrameDrawn();

HWND focusWindow();
void setFocusWindow(HWND window);

// GL attributes must be set before the native window exists: on X11 the visual is
// fixed inside SDL_CreateWindow and later changes are silently ignored.
void applyGlAttributes(const GlPixelAttributes &attributes);

// The mode a full-screen window takes, or null while the desktop mode is in force.
const SDL_DisplayMode *fullScreenMode();

SDL_Window *sdlWindowOf(HWND window);

// The X window adoptForeignWindow adopted behind `parent`, for the child window made in it; null when that handle
// names no adopted window, or its child exists already.
SDL_Window *takeAdoptedWindow(HWND parent);

// The window made in an adopted X window is going: the root window is cleared to its background.
void releaseAdoptedWindow(SDL_Window *window);

// Whether another program's X window was adopted: message boxes then go to standard error only.
bool foreignWindowAdopted();

// Whether this window-manager event is the adopted X window's destruction.
bool isForeignWindowGone(const SDL_SysWMmsg *message);

}  // namespace platform
