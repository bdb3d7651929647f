// SDL layer only: The message queue over SDL events: SDL events become the Windows messages the window
// procedure expects, and PeekMessage takes them from the portable queue (window_table.cpp; dispatch and default
// processing: default_processing.cpp).
#include "platform/idle_polls.h"
#include "platform/key_message.h"
#include "platform/sdl/sdl_keys.h"
#include "platform/sdl/sdl_layer.h"

#include <algorithm>

namespace platform {

namespace {

IdlePolls idlePolls;
// How long an idle poll waits for an event: short enough that a restored window draws again at once.
const int idleWaitMs = 10;

WPARAM activation(WORD state, bool minimised) { return MAKEWPARAM(state, minimised ? 1 : 0); }

// SDL leaves the window out of a key event when no window of its own has the focus.
WindowRecord *keyTarget(Uint32 sdlWindowId)
{
    WindowRecord *record = findWindowBySdlId(sdlWindowId);
    return record != nullptr ? record : firstWindow();
}

void translateKey(const SDL_KeyboardEvent &key)
{
    const BYTE virtualKey = virtualKeyFromSdl(key.keysym);
    WindowRecord *record = keyTarget(key.windowID);
    if (virtualKey == 0 || record == nullptr) return;
    KeyEvent event;
    event.virtualKey = virtualKey;
    event.down = key.type == SDL_KEYDOWN;
    event.autoRepeat = key.repeat != 0;
    event.altHeld = (key.keysym.mod & KMOD_ALT) != 0;
    event.controlHeld = (key.keysym.mod & KMOD_CTRL) != 0;
    event.extendedKey = isExtendedKey(key.keysym);
    const KeyMessage message = makeKeyMessage(event);
    postMessage(record->handle, message.message, message.wParam, message.lParam, key.timestamp);
}

// Returns whether the event was a close request for a window.
bool translateWindowEvent(const SDL_WindowEvent &event)
{
    WindowRecord *record = findWindowBySdlId(event.windowID);
    if (record == nullptr) return false;
    const HWND window = record->handle;
    switch (event.event) {
    case SDL_WINDOWEVENT_MINIMIZED:
        record->native->minimised = true;
        postMessage(window, WM_ACTIVATE, activation(WA_INACTIVE, true), 0, event.timestamp);
        break;
    case SDL_WINDOWEVENT_RESTORED:
        record->native->minimised = false;
        postMessage(window, WM_ACTIVATE, activation(WA_ACTIVE, false), 0, event.timestamp);
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        setFocusWindow(window);
        postMessage(window, WM_ACTIVATE, activation(WA_ACTIVE, record->native->minimised), 0, event.timestamp);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        if (focusWindow() == window) {
            setFocusWindow(nullptr);
        }
        // A window that loses the focus while minimised is still minimised: say so, or
        // the caller would take it for active again.
        postMessage(window, WM_ACTIVATE, activation(WA_INACTIVE, record->native->minimised), 0, event.timestamp);
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        // SIZE_CHANGED follows every size change, RESIZED only some: one WM_SIZE per change.
        postMessage(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(event.data1, event.data2), event.timestamp);
        break;
    case SDL_WINDOWEVENT_CLOSE: postMessage(window, WM_CLOSE, 0, 0, event.timestamp); return true;
    default: break;
    }
    return false;
}

// Moves everything SDL has gathered into the queue, never waiting.
void pumpSdlEvents()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
    SDL_PumpEvents();
    bool lastWasWindowClose = false;
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
        bool windowClose = false;
        switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP: translateKey(event.key); break;
        case SDL_WINDOWEVENT: windowClose = translateWindowEvent(event.window); break;
        case SDL_SYSWMEVENT:
            if (isForeignWindowGone(event.syswm.msg)) endForeignWindowGone();
            break;
        case SDL_QUIT: {
            // SDL_QUIT comes from SIGINT and SIGTERM, and on some systems right after a
            // window's own close event: either way one request makes one WM_CLOSE.
            WindowRecord *record = firstWindow();
            if (!lastWasWindowClose && record != nullptr) {
                postMessage(record->handle, WM_CLOSE, 0, 0, event.quit.timestamp);
            }
            break;
        }
        default: break;
        }
        lastWasWindowClose = windowClose;
    }
}

}  // namespace

void pumpNativeEvents() { pumpSdlEvents(); }

// A loop that polls without drawing (its window minimised) would spin a core: once it has found nothing many
// times in a row, the poll gives the system a moment, and ends as soon as an event is there for the next one.
void afterPeek(bool found)
{
    if (found) {
        idlePolls.reset();
    } else if (idlePolls.emptyPoll() && SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        SDL_WaitEventTimeout(nullptr, idleWaitMs);
    }
}

void noteFrameDrawn() { idlePolls.reset(); }

bool waitForNativeEvents(DWORD milliseconds)
{
    const int timeout = milliseconds == INFINITE ? -1 : static_cast<int>(std::min<DWORD>(milliseconds, 0x7FFFFFFF));
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        if (timeout > 0) SDL_Delay(static_cast<Uint32>(timeout));
        return false;
    }
    // A null event leaves what came in SDL's queue for the next PeekMessageA.
    return SDL_WaitEventTimeout(nullptr, timeout) != 0;
}

}  // namespace platform
