// The Win32 window lifecycle that both hosted layers share: the handle table, window classes, the creation and
// destruction message sequences, device contexts and pixel formats, posted messages and PlaySound's choices.
// Portable: what is native is reached through the hooks below, which each layer defines once (the SDL layer in
// sdl/sdl_*.cpp, the browser layer in web/web_*.cpp, a test its fakes) and the linker picks.
#pragma once

#include "platform/pixel_format.h"
#include "platform/win32.h"
#include "platform/window_dispatch.h"

#include <vector>

namespace platform {

// Each layer defines NativeWindow with what its native window needs; the table only holds and hands it back.
// NativeContext stays opaque: it is whatever the layer's GL context is, behind an HGLRC.
struct NativeWindow;
struct NativeContext;

struct WindowRecord {
    HWND handle = nullptr;
    HDC dc = nullptr;  // one private device context per window, as with CS_OWNDC
    WNDPROC procedure = nullptr;
    ATOM classAtom = 0;
    DWORD style = 0;
    HWND parent = nullptr;        // as CreateWindowExA was given it: a window of the table, or one a layer adopted
    GlPixelAttributes visual;     // what its native window was made for
    bool pixelFormatSet = false;  // once only; a GL context needs it first
    bool shownOnce = false;
    bool destroying = false;
    NativeWindow *native = nullptr;  // never null for a window in the table
};

// Handles are counters, never reused, so a stale handle is recognised as unknown.
uintptr_t newHandleValue();

WindowRecord *findWindow(HWND window);
WindowRecord *findWindowByDc(HDC dc);
// The window behind a device context whose pixel format is set: the only kind GL can draw to.
WindowRecord *drawableWindow(HDC dc);
// The oldest live window: where a request from outside any one window goes.
WindowRecord *firstWindow();
// Live windows, oldest first; windows being destroyed are left out.
std::vector<WindowRecord *> liveWindows();
// Whether no window is left at all, not even one whose destruction is under way.
bool windowTableEmpty();

void postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD time);
void discardMessagesFor(HWND window);
// PeekMessage's retrieval from the posted messages, without the layer's events or pacing.
bool takeMessage(MSG &out, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
// For a layer that learns only after PlaySoundA has returned that the file it was handed cannot be played (the
// browser fetches it): what PlaySoundA does for a file missing at once, for the flags of that last call.
void soundFileUnavailable();

// ---- Hooks each layer defines. ----

// CreateWindowExA, once the class is known and before any handle exists. `record` holds the style and the
// default visual; the size is as the caller asked (it may be 0). Null refuses the window: the layer has said
// why if it can, and nothing else happens.
NativeWindow *createNativeWindow(const WindowRecord &record, const char *title, int x, int y, int width, int height);

// After the window's last message (WM_NCDESTROY), once its record has left the table and its posted messages
// are gone. Owns `native` from here on.
void destroyNativeWindow(HWND window, NativeWindow *native);

// ShowWindow: shows or hides the native window, answering whether it was visible before.
bool showNativeWindow(WindowRecord &record, bool show);

// The client area's size, for the WM_SIZE of the first show.
void nativeClientSize(const WindowRecord &record, int &width, int &height);

// SetPixelFormat, with a format other than the one the native window was made for. No GL context can exist yet.
// False refuses the format; the window stays as it was.
bool remakeNativeWindowFor(WindowRecord &record, const GlPixelAttributes &wanted);

// wglCreateContext, for a window whose pixel format is set. Null when none can be made (the layer says why).
NativeContext *makeNativeContext(const WindowRecord &record);
// wglMakeCurrent: the context on the window, or, with both null, no context current at all.
bool makeNativeContextCurrent(const WindowRecord *record, NativeContext *context);
// wglDeleteContext, once for each context made; it may be the current one.
void deleteNativeContext(NativeContext *context);
// SwapBuffers, on a window whose pixel format is set.
void swapNativeBuffers(const WindowRecord &record);

// PeekMessageA: moves what the host has gathered into the posted messages, never waiting.
void pumpNativeEvents();
// After each PeekMessageA, whether it found a message: where the layer paces a loop that only peeks.
void afterPeek(bool found);
// MsgWaitForMultipleObjects with nothing posted: sleeps until the host has an event or `milliseconds` have passed
// (INFINITE: no limit). True when an event came.
bool waitForNativeEvents(DWORD milliseconds);

// PlaySoundA: only one sound plays at a time.
// The sound output is opened on first need and stays open; false when there is none.
bool openSoundOutput();
// Reads and readies a sound file to play, or, for a null name, the built-in chime. False if it cannot be had.
bool prepareSound(const char *file);
// Replaces whatever plays with the prepared sound.
void playPreparedSound(bool looping);
// Returns once the sound that plays is over (never called for a loop); a layer may bound the wait.
void waitForSoundEnd();
// Silence; harmless when nothing plays or no output was ever opened.
void stopSound();

}  // namespace platform
