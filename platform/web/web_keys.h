// Browser layer only: The browser key to Windows virtual-key table.
#pragma once

#include "platform/win32.h"

namespace platform {

// From a KeyboardEvent's `code` (the key's place) and `key` (what it types): letters follow the
// keyboard layout, as Windows' do; everything else goes by place. 0 for a key Windows has no code for.
BYTE virtualKeyFromBrowser(const char *code, const char *key);

// The keys Windows marks with the extended-key bit.
bool isExtendedBrowserKey(const char *code);

}  // namespace platform
