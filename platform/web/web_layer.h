// Browser layer only: State and helpers shared by the Emscripten-backed Win32 files; not part of the Win32 surface.
// The browser side (canvas, events, audio) is reached only from these files, never from the system's code.
#pragma once

#include "platform/window_table.h"

namespace platform {

// The browser part of a window; the rest of its record is the portable one of window_table.h.
struct NativeWindow {
    int width = 0;  // the canvas is sized to this when the GL context is made
    int height = 0;
};

// The demo's loop never returns to the browser by itself: these hand control back until the
// browser's next animation frame, which is also when the page is painted.
void waitForNextFrame();
// Called by SwapBuffers: a loop that draws yields there, so PeekMessage need not.
void noteFrameYielded();

// Takes the outcome of a sound file being fetched from the site, at each PeekMessage.
void pumpSound();

// The page's keyboard, visibility and size listeners, installed with the first window (made width x height) and
// removed with it, so a run started again on the same page hears each key once.
void listenToPage(int width, int height);
// Sizes the canvas's buffer to its CSS size times devicePixelRatio (the GL context resets it when made).
void fitCanvasBuffer();
// The canvas's size in CSS pixels: the window's client area.
void canvasClientSize(int &width, int &height);
// Each size the window is told with WM_SIZE, for the page (its tests read them).
void tellPageOfClientSize(int width, int height);
void stopListeningToPage();

}  // namespace platform
