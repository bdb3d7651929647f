// Browser layer only: The browser key to Windows virtual-key tables.
#include "platform/web/web_keys.h"

#include <cstring>

namespace platform {

namespace {

struct CodeEntry {
    const char *code;
    BYTE virtualKey;
};

// Left and right modifiers give the shared code, as WM_KEYDOWN carries on Windows.
const CodeEntry codeTable[] = {
    {"Backspace", VK_BACK},
    {"Tab", VK_TAB},
    {"Enter", VK_RETURN},
    {"Escape", VK_ESCAPE},
    {"Space", VK_SPACE},
    {"Pause", VK_PAUSE},
    {"CapsLock", VK_CAPITAL},
    {"PageUp", VK_PRIOR},
    {"PageDown", VK_NEXT},
    {"End", VK_END},
    {"Home", VK_HOME},
    {"ArrowLeft", VK_LEFT},
    {"ArrowUp", VK_UP},
    {"ArrowRight", VK_RIGHT},
    {"ArrowDown", VK_DOWN},
    {"PrintScreen", VK_SNAPSHOT},
    {"Insert", VK_INSERT},
    {"Delete", VK_DELETE},

    {"Digit0", 0x30},
    {"Digit1", 0x31},
    {"Digit2", 0x32},
    {"Digit3", 0x33},
    {"Digit4", 0x34},
    {"Digit5", 0x35},
    {"Digit6", 0x36},
    {"Digit7", 0x37},
    {"Digit8", 0x38},
    {"Digit9", 0x39},

    {"KeyA", 0x41},
    {"KeyB", 0x42},
    {"KeyC", 0x43},
    {"KeyD", 0x44},
    {"KeyE", 0x45},
    {"KeyF", 0x46},
    {"KeyG", 0x47},
    {"KeyH", 0x48},
    {"KeyI", 0x49},
    {"KeyJ", 0x4A},
    {"KeyK", 0x4B},
    {"KeyL", 0x4C},
    {"KeyM", 0x4D},
    {"KeyN", 0x4E},
    {"KeyO", 0x4F},
    {"KeyP", 0x50},
    {"KeyQ", 0x51},
    {"KeyR", 0x52},
    {"KeyS", 0x53},
    {"KeyT", 0x54},
    {"KeyU", 0x55},
    {"KeyV", 0x56},
    {"KeyW", 0x57},
    {"KeyX", 0x58},
    {"KeyY", 0x59},
    {"KeyZ", 0x5A},

    {"MetaLeft", VK_LWIN},
    {"MetaRight", VK_RWIN},
    {"OSLeft", VK_LWIN},
    {"OSRight", VK_RWIN},
    {"ContextMenu", VK_APPS},

    {"Numpad0", VK_NUMPAD0},
    {"Numpad1", 0x61},
    {"Numpad2", 0x62},
    {"Numpad3", 0x63},
    {"Numpad4", 0x64},
    {"Numpad5", 0x65},
    {"Numpad6", 0x66},
    {"Numpad7", 0x67},
    {"Numpad8", 0x68},
    {"Numpad9", 0x69},
    {"NumpadMultiply", VK_MULTIPLY},
    {"NumpadAdd", VK_ADD},
    {"NumpadSubtract", VK_SUBTRACT},
    {"NumpadDecimal", VK_DECIMAL},
    {"NumpadDivide", VK_DIVIDE},
    {"NumpadEnter", VK_RETURN},

    {"F1", VK_F1},
    {"F2", 0x71},
    {"F3", 0x72},
    {"F4", 0x73},
    {"F5", 0x74},
    {"F6", 0x75},
    {"F7", 0x76},
    {"F8", 0x77},
    {"F9", 0x78},
    {"F10", VK_F10},
    {"F11", 0x7A},
    {"F12", VK_F12},
    {"F13", 0x7C},
    {"F14", 0x7D},
    {"F15", 0x7E},
    {"F16", 0x7F},
    {"F17", 0x80},
    {"F18", 0x81},
    {"F19", 0x82},
    {"F20", 0x83},
    {"F21", 0x84},
    {"F22", 0x85},
    {"F23", 0x86},
    {"F24", 0x87},

    {"NumLock", VK_NUMLOCK},
    {"ScrollLock", VK_SCROLL},
    {"ShiftLeft", VK_SHIFT},
    {"ShiftRight", VK_SHIFT},
    {"ControlLeft", VK_CONTROL},
    {"ControlRight", VK_CONTROL},
    {"AltLeft", VK_MENU},
    {"AltRight", VK_MENU},

    // The punctuation keys of a US layout.
    {"Semicolon", VK_OEM_1},
    {"Equal", VK_OEM_PLUS},
    {"Comma", VK_OEM_COMMA},
    {"Minus", VK_OEM_MINUS},
    {"Period", VK_OEM_PERIOD},
    {"Slash", VK_OEM_2},
    {"Backquote", VK_OEM_3},
    {"BracketLeft", VK_OEM_4},
    {"Backslash", VK_OEM_5},
    {"BracketRight", VK_OEM_6},
    {"Quote", VK_OEM_7},
};

const char *const extendedCodes[] = {
    "ControlRight", "AltRight",    "Insert",   "Delete",     "Home",      "End",     "PageUp",
    "PageDown",     "ArrowLeft",   "ArrowUp",  "ArrowRight", "ArrowDown", "NumLock", "NumpadDivide",
    "NumpadEnter",  "PrintScreen", "MetaLeft", "MetaRight",  "OSLeft",    "OSRight", "ContextMenu",
};

}  // namespace

BYTE virtualKeyFromBrowser(const char *code, const char *key)
{
    if (key != nullptr && key[0] != '\0' && key[1] == '\0') {
        const char c = key[0];
        if (c >= 'a' && c <= 'z') return static_cast<BYTE>(c - 'a' + 'A');
        if (c >= 'A' && c <= 'Z') return static_cast<BYTE>(c);
    }
    if (code == nullptr) return 0;
    for (const CodeEntry &entry : codeTable) {
        if (std::strcmp(entry.code, code) == 0) return entry.virtualKey;
    }
    return 0;
}

bool isExtendedBrowserKey(const char *code)
{
    if (code == nullptr) return false;
    for (const char *extended : extendedCodes) {
        if (std::strcmp(extended, code) == 0) return true;
    }
    return false;
}

}  // namespace platform
