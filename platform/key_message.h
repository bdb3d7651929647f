// Builds a Windows keyboard message (which one, and its lParam bits) for a key event.
// Portable: the caller has already turned the host's key into a virtual-key code.
#pragma once

#include "platform/win32.h"

namespace platform {

struct KeyEvent {
    BYTE virtualKey = 0;
    bool down = false;
    bool autoRepeat = false;
    bool altHeld = false;
    bool controlHeld = false;
    bool extendedKey = false;
};

struct KeyMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// F10, Alt itself and keys pressed with Alt (but not with Ctrl, which makes AltGr)
// are system keys. lParam: repeat count 1, bit 24 extended key, bit 29 Alt held,
// bit 30 the key was already down (auto-repeat, and every key-up), bit 31 key-up.
// The scan-code byte stays 0: nothing reads it.
KeyMessage makeKeyMessage(const KeyEvent &event);

}  // namespace platform
