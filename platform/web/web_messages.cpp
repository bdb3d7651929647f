// Browser layer only: The message queue over page events: keys, the page's visibility and the canvas's size become
// the Windows messages the window procedure expects, and PeekMessage yields to the browser when the queue stays empty.
// The page's side is web_messages.js.
#include "platform/idle_polls.h"
#include "platform/key_message.h"
#include "platform/web/web_js_constants.h"
#include "platform/web/web_keys.h"
#include "platform/web/web_layer.h"

// Defined in web_messages.js.
extern "C" {
void installPageListeners(int width, int height);
int takePageEvent(int *numbers, char *code, int codeSize, char *key, int keySize);
void waitForAnimationFrame();
void clientSizeToPage(int width, int height);
void fitCanvasToPage();
void measureCanvas(int *size);
void removePageListeners();
}

namespace platform {

namespace {

// A loop that only peeks (as while the page is hidden) gives the browser its turn after a run of empty polls, by the
// rule the SDL layer waits by.
IdlePolls idlePolls;

void postKey(HWND window, int kind, int flags, const char *code, const char *key)
{
    const BYTE virtualKey = virtualKeyFromBrowser(code, key);
    if (virtualKey == 0) return;
    KeyEvent event;
    event.virtualKey = virtualKey;
    event.down = kind == keyDown;
    event.autoRepeat = (flags & keyRepeat) != 0;
    event.altHeld = (flags & keyAlt) != 0;
    event.controlHeld = (flags & keyControl) != 0;
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

void fitCanvasBuffer() { fitCanvasToPage(); }

void tellPageOfClientSize(int width, int height) { clientSizeToPage(width, height); }

void canvasClientSize(int &width, int &height)
{
    int size[2] = {width, height};
    measureCanvas(size);
    width = size[0];
    height = size[1];
}

void stopListeningToPage() { removePageListeners(); }

void waitForNextFrame()
{
    // A hidden page gets no animation frames: the wait lasts until it is shown again.
    waitForAnimationFrame();
}

void noteFrameYielded() { idlePolls.reset(); }

void pumpNativeEvents() { pumpPageEvents(); }

// The page's events come between animation frames: one frame is the shortest wait the browser offers here.
bool waitForNativeEvents(DWORD)
{
    waitForNextFrame();
    return false;
}

void afterPeek(bool found)
{
    if (found) {
        idlePolls.reset();
    } else if (idlePolls.emptyPoll()) {
        idlePolls.reset();
        waitForNextFrame();
    }
}

}  // namespace platform
