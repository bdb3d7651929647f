// Browser layer only: Message boxes: written to the console, and shown on the page when it offers a place for them.
// A page cannot hold the program until a box is answered, so the answer of a closed box is given at once.
#include "platform/win32.h"

#include <emscripten.h>

#include <cstdio>

namespace {

EM_JS(void, showOnPage, (const char *caption, const char *text), {
    if (Module['showMessage']) Module['showMessage'](UTF8ToString(caption), UTF8ToString(text));
});

}  // namespace

extern "C" {

int WINAPI MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    // Windows' caption when none is given.
    const char *caption = lpCaption != nullptr ? lpCaption : "Error";
    const char *text = lpText != nullptr ? lpText : "";
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
    showOnPage(caption, text);
    return (uType & 0x0000000F) == MB_YESNO ? IDNO : IDOK;
}

}  // extern "C"
