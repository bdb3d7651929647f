// PeekMessage's retrieval rules over a plain queue.
#include "platform/message_queue.h"

#include <algorithm>

namespace platform {

namespace {

bool matches(const MSG &message, HWND window, UINT filterMin, UINT filterMax)
{
    if (window != nullptr && message.hwnd != window) return false;
    if (filterMin == 0 && filterMax == 0) return true;
    return message.message >= filterMin && message.message <= filterMax;
}

}  // namespace

void MessageQueue::post(const MSG &message) { posted_.push_back(message); }

void MessageQueue::postQuit(int exitCode)
{
    quitPending_ = true;
    quitCode_ = exitCode;
}

bool MessageQueue::take(MSG &out, HWND window, UINT filterMin, UINT filterMax, bool remove)
{
    for (auto it = posted_.begin(); it != posted_.end(); ++it) {
        if (matches(*it, window, filterMin, filterMax)) {
            out = *it;
            if (remove) {
                posted_.erase(it);
            }
            return true;
        }
    }
    if (quitPending_) {
        out = MSG{};
        out.message = WM_QUIT;
        out.wParam = static_cast<WPARAM>(static_cast<intptr_t>(quitCode_));
        if (remove) {
            quitPending_ = false;
        }
        return true;
    }
    return false;
}

void MessageQueue::discardFor(HWND window)
{
    posted_.erase(
        std::remove_if(posted_.begin(), posted_.end(), [window](const MSG &message) { return message.hwnd == window; }),
        posted_.end());
}

}  // namespace platform
