// Browser layer only: The message queue over page events: keys and the page's visibility become the Windows messages
// the window procedure expects, and PeekMessage yields to the browser when the queue stays empty.
#include "platform/key_message.h"
#include "platform/message_queue.h"
#include "platform/web_keys.h"
#include "platform/web_layer.h"

#include <emscripten.h>

namespace platform {

namespace {

MessageQueue queue;
int emptyPeeks = 0;
// A loop that only peeks (as while the page is hidden) gives the browser its turn after this many.
const int emptyPeeksBeforeYield = 64;

enum PageEvent { noEvent = 0, keyDown = 1, keyUp = 2, pageHidden = 3, pageShown = 4 };

// The listeners only gather events; the program takes them when it peeks, so no page event ever
// calls into the program while it waits for a frame.
// clang-format off
EM_JS(void, installPageListeners, (), {
    if (Module['frostelPage']) return;
    var events = [];
    var scrollKeys = ['Space', 'ArrowLeft', 'ArrowUp', 'ArrowRight', 'ArrowDown', 'PageUp', 'PageDown', 'Home', 'End'];
    function onKey(e) {
        events.push({type: e.type === 'keydown' ? 1 : 2, code: e.code || "", key: e.key || "", repeat: e.repeat,
                     alt: e.altKey, ctrl: e.ctrlKey});
        if (scrollKeys.indexOf(e.code) >= 0) e.preventDefault();
    }
    function onVisibility() { events.push({type: document.hidden ? 3 : 4}); }
    document.addEventListener('keydown', onKey);
    document.addEventListener('keyup', onKey);
    document.addEventListener('visibilitychange', onVisibility);
    if (document.hidden) onVisibility();
    Module['frostelPage'] = {
        events: events,
        stop: function() {
            document.removeEventListener('keydown', onKey);
            document.removeEventListener('keyup', onKey);
            document.removeEventListener('visibilitychange', onVisibility);
        }
    };
});
// clang-format on

// Fills flags (bit 0 repeat, bit 1 Alt, bit 2 Ctrl) and the two key names; returns the event's kind.
// clang-format off
EM_JS(int, takePageEvent, (int *flags, char *code, int codeSize, char *key, int keySize), {
    var page = Module['frostelPage'];
    if (!page || page.events.length === 0) return 0;
    var e = page.events.shift();
    HEAP32[flags >> 2] = (e.repeat ? 1 : 0) | (e.alt ? 2 : 0) | (e.ctrl ? 4 : 0);
    stringToUTF8(e.code || "", code, codeSize);
    stringToUTF8(e.key || "", key, keySize);
    return e.type;
});
// clang-format on

// Once main has waited, its return no longer reaches the runtime's own exit (that saw only the first
// unwinding): the end of the whole asynchronous run is awaited here instead, so returning from main
// ends the program with its status, as on the desktop.
// clang-format off
EM_JS(void, waitForAnimationFrame, (), {
    Asyncify.handleSleep(function(wakeUp) {
        requestAnimationFrame(function() {
            if (!Module['frostelExitAwaited'] && Asyncify.currData && !Asyncify.asyncPromiseHandlers) {
                Module['frostelExitAwaited'] = true;
                Asyncify.whenDone().then(function(status) { exit(status); });
            }
            wakeUp();
        });
    });
});
// clang-format on

void postKey(HWND window, int kind, int flags, const char *code, const char *key)
{
    const BYTE virtualKey = virtualKeyFromBrowser(code, key);
    if (virtualKey == 0) {
        return;
    }
    KeyEvent event;
    event.virtualKey = virtualKey;
    event.down = kind == keyDown;
    event.autoRepeat = (flags & 1) != 0;
    event.altHeld = (flags & 2) != 0;
    event.controlHeld = (flags & 4) != 0;
    event.extendedKey = isExtendedBrowserKey(code);
    const KeyMessage message = makeKeyMessage(event);
    postMessage(window, message.message, message.wParam, message.lParam, GetTickCount());
}

void pumpPageEvents()
{
    int flags = 0;
    char code[32];
    char key[32];
    for (;;) {
        const int kind = takePageEvent(&flags, code, sizeof code, key, sizeof key);
        if (kind == noEvent) {
            return;
        }
        const WebWindow *record = firstWindow();
        if (record == nullptr) {
            continue;
        }
        if (kind == keyDown || kind == keyUp) {
            postKey(record->handle, kind, flags, code, key);
        } else {
            // A hidden page is a minimised window: the caller stops drawing until it is shown again.
            const bool hidden = kind == pageHidden;
            postMessage(record->handle, WM_ACTIVATE, MAKEWPARAM(hidden ? WA_INACTIVE : WA_ACTIVE, hidden ? 1 : 0), 0,
                        GetTickCount());
        }
    }
}

}  // namespace

void listenToPage() { installPageListeners(); }

// clang-format off
EM_JS(void, removePageListeners, (), {
    var page = Module['frostelPage'];
    if (!page) return;
    page.stop();
    delete Module['frostelPage'];
});
// clang-format on

void stopListeningToPage() { removePageListeners(); }

void waitForNextFrame()
{
    // A hidden page gets no animation frames: the wait lasts until it is shown again.
    waitForAnimationFrame();
}

void noteFrameYielded() { emptyPeeks = 0; }

void postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD time)
{
    MSG posted{};
    posted.hwnd = window;
    posted.message = message;
    posted.wParam = wParam;
    posted.lParam = lParam;
    posted.time = time;
    queue.post(posted);
}

void discardMessagesFor(HWND window) { queue.discardFor(window); }

}  // namespace platform

using namespace platform;

extern "C" {

BOOL WINAPI PeekMessageA(MSG *lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg)
{
    if (lpMsg == nullptr) {
        return FALSE;
    }
    pumpPageEvents();
    if (queue.take(*lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0)) {
        emptyPeeks = 0;
        return TRUE;
    }
    if (++emptyPeeks >= emptyPeeksBeforeYield) {
        emptyPeeks = 0;
        waitForNextFrame();
    }
    return FALSE;
}

void WINAPI PostQuitMessage(int nExitCode) { queue.postQuit(nExitCode); }

}  // extern "C"
