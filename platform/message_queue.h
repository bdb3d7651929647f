// The thread's posted-message queue and quit flag, with PeekMessage's retrieval rules.
// Portable: each layer turns its events (SDL's, the page's) into posted messages, which land here.
#pragma once

#include "platform/win32.h"

#include <deque>

namespace platform {

class MessageQueue {
public:
    void post(const MSG &message);

    // The quit message is not queued: it is a flag that is answered only once no
    // matching posted message waits, as Windows does.
    void postQuit(int exitCode);

    // hWnd NULL takes every window's messages; filter 0, 0 takes every message number.
    // WM_QUIT ignores both filters.
    bool take(MSG &out, HWND window, UINT filterMin, UINT filterMax, bool remove);

    // Whether any message, or the quit, waits to be taken.
    bool waiting() const { return quitPending_ || !posted_.empty(); }

    // A destroyed window's messages are never retrieved.
    void discardFor(HWND window);

private:
    std::deque<MSG> posted_;
    bool quitPending_ = false;
    int quitCode_ = 0;
};

}  // namespace platform
