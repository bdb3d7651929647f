// Windows keyboard message numbers and lParam bits for a key event.
#include "platform/key_message.h"

namespace platform {

KeyMessage makeKeyMessage(const KeyEvent &event)
{
    const bool systemKey =
        event.virtualKey == VK_F10 || ((event.altHeld || event.virtualKey == VK_MENU) && !event.controlHeld);
    KeyMessage result{};
    if (event.down) {
        result.message = systemKey ? WM_SYSKEYDOWN : WM_KEYDOWN;
    } else {
        result.message = systemKey ? WM_SYSKEYUP : WM_KEYUP;
    }
    result.wParam = event.virtualKey;
    DWORD bits = 1;
    if (event.extendedKey) {
        bits |= 1u << 24;
    }
    if (event.altHeld) {
        bits |= 1u << 29;
    }
    if (event.autoRepeat || !event.down) {
        bits |= 1u << 30;
    }
    if (!event.down) {
        bits |= 1u << 31;
    }
    result.lParam = static_cast<LPARAM>(bits);
    return result;
}

}  // namespace platform
