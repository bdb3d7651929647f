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

// The page's keyboard and visibility listeners, installed with the first window and removed with
// it, so a run started again on the same page hears each key once.
void listenToPage();
void stopListeningToPage();

}  // namespace platform
