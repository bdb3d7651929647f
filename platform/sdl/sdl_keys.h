// SDL layer only: SDL keys to Windows virtual-key codes, through explicit tables.
// SDL keycodes are not virtual-key codes (letters are lower case, F-keys and arrows
// are far apart), so no SDL value is ever passed on as one.
#pragma once

#include "platform/win32.h"

#include <SDL.h>

namespace platform {

// 0 for a key Windows has no virtual-key code for here; such keys are dropped.
BYTE virtualKeyFromSdl(const SDL_Keysym &key);

// Keys Windows flags as extended in bit 24 of a key message's lParam.
bool isExtendedKey(const SDL_Keysym &key);

}  // namespace platform
