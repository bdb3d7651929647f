// Browser layer only: Message boxes: written to the console, and shown on the page when it offers a place for them.
// A page cannot hold the program until a box is answered, so the answer of a closed box is given at once.
#include "platform/win32.h"

#include <cstdio>

// Defined in web_page.js.
extern "C" void showOnPage(const char *caption, const char *text);

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
