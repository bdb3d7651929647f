// SDL layer only: State and helpers shared by the SDL-backed Win32 files; not part of the Win32 surface.
// Tests include it to reach the SDL window behind a handle.
#pragma once

#include "platform/pixel_format.h"
#include "platform/win32.h"
#include "platform/window_dispatch.h"

#include <SDL.h>

#include <string>
#include <vector>

namespace platform {

struct WindowRecord {
    HWND handle = nullptr;
    HDC dc = nullptr;  // one private device context per window, as with CS_OWNDC
    WNDPROC procedure = nullptr;
    ATOM classAtom = 0;
    std::string title;
    DWORD style = 0;
    SDL_Window *sdlWindow = nullptr;
    Uint32 sdlFlags = 0;          // what it was created with, to create it again alike
    GlPixelAttributes visual;     // what its native window was created for
    bool pixelFormatSet = false;  // once only; a GL context needs it first
    bool shownOnce = false;
    bool minimised = false;
    bool destroying = false;
};

// Initialises the subsystems on first need; everything is shut down at process exit.
// Video never starts on a driver that draws nowhere unless SDL_VIDEODRIVER asks for it.
bool ensureSdl(Uint32 subsystems);

// On X11: a window destroyed by another program, or a lost connection, ends the program with status 1 and
// one line on standard error, with no tear-down inside Xlib's handlers.
void guardX11Connection();

// Stops SDL at process exit; called on the caller's thread before any other thread starts SDL.
void registerSdlShutdown();

// The sound output behind PlaySoundA. Opened on first need on a thread of its own and stays open; false
// when there is none (a sound system that does not answer counts as there).
bool openSoundOutput();
// Reads and readies a sound file to play, or, for a null name, the built-in chime. False if it cannot be had.
bool prepareSound(const char *file);
// Replaces whatever plays with the prepared sound; returns at once.
void playPreparedSound(bool looping);
// Returns once the sound that plays is over, or its length and a margin later (never called for a loop).
void waitForSoundEnd();
void stopSound();
// At exit: ends the sound thread. False when it did not end within `milliseconds`; SDL's audio is then stuck
// and must be left alone.
bool stopSoundThread(unsigned milliseconds);

// Whether SDL_VIDEODRIVER (one name, or in newer SDL a comma-separated list) names this driver.
bool namedInVideoDriverSetting(const char *driver);

// Writes "what: SDL's reason" to standard error, for failures whose message box cannot say why.
void reportSdlFailure(const char *what);

// Handles are counters, never reused, so a stale handle is recognised as unknown.
uintptr_t newHandleValue();

WindowRecord *findWindow(HWND window);
WindowRecord *findWindowByDc(HDC dc);
WindowRecord *findWindowBySdlId(Uint32 sdlWindowId);
// The oldest live window: where a quit request from outside the window goes.
WindowRecord *firstWindow();
std::vector<WindowRecord *> liveWindows();

void postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD time);
void discardMessagesFor(HWND window);
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

}  // namespace platform
