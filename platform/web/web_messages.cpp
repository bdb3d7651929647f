// Browser layer only: The message queue over page events: keys, the page's visibility and the canvas's size become
// the Windows messages the window procedure expects, and PeekMessage yields to the browser when the queue stays empty.
#include "platform/key_message.h"
#include "platform/web/web_keys.h"
#include "platform/web/web_layer.h"

#include <emscripten.h>

namespace platform {

namespace {

int emptyPeeks = 0;
// A loop that only peeks (as while the page is hidden) gives the browser its turn after this many.
const int emptyPeeksBeforeYield = 64;

enum PageEvent { noEvent = 0, keyDown = 1, keyUp = 2, pageHidden = 3, pageShown = 4, clientResized = 5 };

// The listeners only gather events; the program takes them when it peeks, so no page event ever
// calls into the program while it waits for a frame.
//
// The canvas is the client area, counted in CSS pixels; its buffer follows devicePixelRatio, so the scene is
// sharp on every screen. Whenever the canvas's CSS size changes (a narrow or turned screen, full screen) the
// window is told with WM_SIZE; the first news is measured against the size the window was made with, so a
// canvas that never had it is told at the first PeekMessage, after the program set its own viewport.
// clang-format off
EM_JS(void, installPageListeners, (int width, int height), {
    if (Module['frostelPage']) return;
    var events = [];
    var canvas = Module['canvas'];
    var told = {width: width, height: height};
    var leftFullScreenAt = -1e9;
    var scrollKeys = ['Space', 'ArrowLeft', 'ArrowUp', 'ArrowRight', 'ArrowDown', 'PageUp', 'PageDown', 'Home', 'End'];
    function fullScreen() { return document.fullscreenElement || document.webkitFullscreenElement; }
    function onKey(e) {
        // The browser's own Escape leaves full screen; it must not also end the run.
        if (e.code === 'Escape' && (fullScreen() || performance.now() - leftFullScreenAt < 500)) return;
        events.push({type: e.type === 'keydown' ? 1 : 2, code: e.code || "", key: e.key || "", repeat: e.repeat,
                     alt: e.altKey, ctrl: e.ctrlKey});
        // The keys that would scroll the page do not, unless a control has the focus: Space and Enter press a
        // button there, as on any page.
        var t = e.target, control = t && t.closest && t.closest('button, input, select, textarea, a[href]');
        if (scrollKeys.indexOf(e.code) >= 0 && !control) e.preventDefault();
    }
    function onVisibility() { events.push({type: document.hidden ? 3 : 4}); }
    function fit() {
        if (!canvas) return;
        var ratio = window.devicePixelRatio || 1;
        page.ratio = ratio;
        var cssWidth = Math.max(1, Math.round(canvas.clientWidth));
        var cssHeight = Math.max(1, Math.round(canvas.clientHeight));
        var bufferWidth = Math.round(cssWidth * ratio);
        var bufferHeight = Math.round(cssHeight * ratio);
        var bufferChanged = canvas.width !== bufferWidth || canvas.height !== bufferHeight;
        if (canvas.width !== bufferWidth) canvas.width = bufferWidth;
        if (canvas.height !== bufferHeight) canvas.height = bufferHeight;
        // A new density alone changes the buffer under the same client size: the viewport is set again.
        if (cssWidth !== told.width || cssHeight !== told.height || bufferChanged) {
            told = {width: cssWidth, height: cssHeight};
            events.push({type: 5, width: cssWidth, height: cssHeight});
        }
    }
    function onFullScreen() {
        if (!fullScreen()) leftFullScreenAt = performance.now();
        fit();
    }
    var observer = typeof ResizeObserver === 'function' ? new ResizeObserver(fit) : null;
    if (observer && canvas) observer.observe(canvas);
    document.addEventListener('keydown', onKey);
    document.addEventListener('keyup', onKey);
    document.addEventListener('visibilitychange', onVisibility);
    document.addEventListener('fullscreenchange', onFullScreen);
    document.addEventListener('webkitfullscreenchange', onFullScreen);
    window.addEventListener('resize', fit);
    var page = {
        events: events,
        fit: fit,
        stop: function() {
            document.removeEventListener('keydown', onKey);
            document.removeEventListener('keyup', onKey);
            document.removeEventListener('visibilitychange', onVisibility);
            document.removeEventListener('fullscreenchange', onFullScreen);
            document.removeEventListener('webkitfullscreenchange', onFullScreen);
            window.removeEventListener('resize', fit);
            if (observer) observer.disconnect();
        }
    };
    Module['frostelPage'] = page;
    if (document.hidden) onVisibility();
    fit();
});
// clang-format on

// For a key, fills numbers[0] with its flags (bit 0 repeat, bit 1 Alt, bit 2 Ctrl) and the two key names; for a
// resize, numbers[0] and numbers[1] with the client size. Returns the event's kind.
// clang-format off
EM_JS(int, takePageEvent, (int *numbers, char *code, int codeSize, char *key, int keySize), {
    var page = Module['frostelPage'];
    if (!page) return 0;
    // A new density alone (a window dragged to another screen) fires no event everywhere: looked at here.
    if (page.ratio !== (window.devicePixelRatio || 1)) page.fit();
    if (page.events.length === 0) return 0;
    var e = page.events.shift();
    if (e.type === 5) {
        HEAP32[numbers >> 2] = e.width;
        HEAP32[(numbers >> 2) + 1] = e.height;
        return e.type;
    }
    HEAP32[numbers >> 2] = (e.repeat ? 1 : 0) | (e.alt ? 2 : 0) | (e.ctrl ? 4 : 0);
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
                Asyncify.whenDone().then(function(status) {
                    // exit() ends by throwing ExitStatus to unwind; here nothing is left to unwind.
                    try { exit(status); } catch (e) { if (!(e instanceof ExitStatus)) throw e; }
                });
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
    int numbers[2] = {0, 0};
    char code[32];
    char key[32];
    for (;;) {
        const int kind = takePageEvent(numbers, code, sizeof code, key, sizeof key);
        if (kind == noEvent) {
            break;
        }
        const WindowRecord *record = firstWindow();
        if (record == nullptr) {
            continue;
        }
        if (kind == keyDown || kind == keyUp) {
            postKey(record->handle, kind, numbers[0], code, key);
        } else if (kind == clientResized) {
            tellPageOfClientSize(numbers[0], numbers[1]);
            postMessage(record->handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(numbers[0], numbers[1]), GetTickCount());
        } else {
            // A hidden page is a minimised window: the caller stops drawing until it is shown again.
            const bool hidden = kind == pageHidden;
            postMessage(record->handle, WM_ACTIVATE, MAKEWPARAM(hidden ? WA_INACTIVE : WA_ACTIVE, hidden ? 1 : 0), 0,
                        GetTickCount());
        }
    }
    pumpSound();
}

}  // namespace

void listenToPage(int width, int height) { installPageListeners(width, height); }

// clang-format off
EM_JS(void, clientSizeToPage, (int width, int height), {
    if (Module['onClientSize']) Module['onClientSize'](width, height);
});

EM_JS(void, fitCanvasToPage, (), {
    if (Module['frostelPage']) Module['frostelPage'].fit();
});

EM_JS(void, measureCanvas, (int *size), {
    var canvas = Module['canvas'];
    if (!canvas || !canvas.clientWidth) return;
    HEAP32[size >> 2] = Math.max(1, Math.round(canvas.clientWidth));
    HEAP32[(size >> 2) + 1] = Math.max(1, Math.round(canvas.clientHeight));
});
// clang-format on

void fitCanvasBuffer() { fitCanvasToPage(); }

void tellPageOfClientSize(int width, int height) { clientSizeToPage(width, height); }

void canvasClientSize(int &width, int &height)
{
    int size[2] = {width, height};
    measureCanvas(size);
    width = size[0];
    height = size[1];
}

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

void pumpNativeEvents() { pumpPageEvents(); }

void afterPeek(bool found)
{
    if (found) {
        emptyPeeks = 0;
    } else if (++emptyPeeks >= emptyPeeksBeforeYield) {
        emptyPeeks = 0;
        waitForNextFrame();
    }
}

}  // namespace platform
