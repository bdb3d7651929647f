// SDL layer only: The SDL key to Windows virtual-key tables.
#include "platform/sdl/sdl_keys.h"

namespace platform {

namespace {

struct KeycodeEntry {
    SDL_Keycode keycode;
    BYTE virtualKey;
};

struct ScancodeEntry {
    SDL_Scancode scancode;
    BYTE virtualKey;
};

// By keycode, so letters and punctuation follow the keyboard layout, as Windows' do.
// Left and right modifiers give the shared code, as WM_KEYDOWN carries on Windows.
const KeycodeEntry keycodeTable[] = {
    {SDLK_BACKSPACE, VK_BACK},
    {SDLK_TAB, VK_TAB},
    {SDLK_RETURN, VK_RETURN},
    {SDLK_ESCAPE, VK_ESCAPE},
    {SDLK_SPACE, VK_SPACE},
    {SDLK_PAUSE, VK_PAUSE},
    {SDLK_CAPSLOCK, VK_CAPITAL},
    {SDLK_PAGEUP, VK_PRIOR},
    {SDLK_PAGEDOWN, VK_NEXT},
    {SDLK_END, VK_END},
    {SDLK_HOME, VK_HOME},
    {SDLK_LEFT, VK_LEFT},
    {SDLK_UP, VK_UP},
    {SDLK_RIGHT, VK_RIGHT},
    {SDLK_DOWN, VK_DOWN},
    {SDLK_PRINTSCREEN, VK_SNAPSHOT},
    {SDLK_INSERT, VK_INSERT},
    {SDLK_DELETE, VK_DELETE},

    {SDLK_0, 0x30},
    {SDLK_1, 0x31},
    {SDLK_2, 0x32},
    {SDLK_3, 0x33},
    {SDLK_4, 0x34},
    {SDLK_5, 0x35},
    {SDLK_6, 0x36},
    {SDLK_7, 0x37},
    {SDLK_8, 0x38},
    {SDLK_9, 0x39},

    {SDLK_a, 0x41},
    {SDLK_b, 0x42},
    {SDLK_c, 0x43},
    {SDLK_d, 0x44},
    {SDLK_e, 0x45},
    {SDLK_f, 0x46},
    {SDLK_g, 0x47},
    {SDLK_h, 0x48},
    {SDLK_i, 0x49},
    {SDLK_j, 0x4A},
    {SDLK_k, 0x4B},
    {SDLK_l, 0x4C},
    {SDLK_m, 0x4D},
    {SDLK_n, 0x4E},
    {SDLK_o, 0x4F},
    {SDLK_p, 0x50},
    {SDLK_q, 0x51},
    {SDLK_r, 0x52},
    {SDLK_s, 0x53},
    {SDLK_t, 0x54},
    {SDLK_u, 0x55},
    {SDLK_v, 0x56},
    {SDLK_w, 0x57},
    {SDLK_x, 0x58},
    {SDLK_y, 0x59},
    {SDLK_z, 0x5A},

    {SDLK_LGUI, VK_LWIN},
    {SDLK_RGUI, VK_RWIN},
    {SDLK_APPLICATION, VK_APPS},

    {SDLK_KP_0, VK_NUMPAD0},
    {SDLK_KP_1, 0x61},
    {SDLK_KP_2, 0x62},
    {SDLK_KP_3, 0x63},
    {SDLK_KP_4, 0x64},
    {SDLK_KP_5, 0x65},
    {SDLK_KP_6, 0x66},
    {SDLK_KP_7, 0x67},
    {SDLK_KP_8, 0x68},
    {SDLK_KP_9, 0x69},
    {SDLK_KP_MULTIPLY, VK_MULTIPLY},
    {SDLK_KP_PLUS, VK_ADD},
    {SDLK_KP_MINUS, VK_SUBTRACT},
    {SDLK_KP_PERIOD, VK_DECIMAL},
    {SDLK_KP_DIVIDE, VK_DIVIDE},
    {SDLK_KP_ENTER, VK_RETURN},

    {SDLK_F1, VK_F1},
    {SDLK_F2, 0x71},
    {SDLK_F3, 0x72},
    {SDLK_F4, 0x73},
    {SDLK_F5, 0x74},
    {SDLK_F6, 0x75},
    {SDLK_F7, 0x76},
    {SDLK_F8, 0x77},
    {SDLK_F9, 0x78},
    {SDLK_F10, VK_F10},
    {SDLK_F11, 0x7A},
    {SDLK_F12, VK_F12},
    {SDLK_F13, 0x7C},
    {SDLK_F14, 0x7D},
    {SDLK_F15, 0x7E},
    {SDLK_F16, 0x7F},
    {SDLK_F17, 0x80},
    {SDLK_F18, 0x81},
    {SDLK_F19, 0x82},
    {SDLK_F20, 0x83},
    {SDLK_F21, 0x84},
    {SDLK_F22, 0x85},
    {SDLK_F23, 0x86},
    {SDLK_F24, 0x87},

    {SDLK_NUMLOCKCLEAR, VK_NUMLOCK},
    {SDLK_SCROLLLOCK, VK_SCROLL},
    {SDLK_LSHIFT, VK_SHIFT},
    {SDLK_RSHIFT, VK_SHIFT},
    {SDLK_LCTRL, VK_CONTROL},
    {SDLK_RCTRL, VK_CONTROL},
    {SDLK_LALT, VK_MENU},
    {SDLK_RALT, VK_MENU},

    // The punctuation keys of a US layout.
    {SDLK_SEMICOLON, VK_OEM_1},
    {SDLK_EQUALS, VK_OEM_PLUS},
    {SDLK_COMMA, VK_OEM_COMMA},
    {SDLK_MINUS, VK_OEM_MINUS},
    {SDLK_PERIOD, VK_OEM_PERIOD},
    {SDLK_SLASH, VK_OEM_2},
    {SDLK_BACKQUOTE, VK_OEM_3},
    {SDLK_LEFTBRACKET, VK_OEM_4},
    {SDLK_BACKSLASH, VK_OEM_5},
    {SDLK_RIGHTBRACKET, VK_OEM_6},
    {SDLK_QUOTE, VK_OEM_7},
};

// By position, for layouts whose letter keys give no Latin keycode: Windows still
// reports VK_A and friends for them.
const ScancodeEntry scancodeTable[] = {
    {SDL_SCANCODE_A, 0x41}, {SDL_SCANCODE_B, 0x42}, {SDL_SCANCODE_C, 0x43}, {SDL_SCANCODE_D, 0x44},
    {SDL_SCANCODE_E, 0x45}, {SDL_SCANCODE_F, 0x46}, {SDL_SCANCODE_G, 0x47}, {SDL_SCANCODE_H, 0x48},
    {SDL_SCANCODE_I, 0x49}, {SDL_SCANCODE_J, 0x4A}, {SDL_SCANCODE_K, 0x4B}, {SDL_SCANCODE_L, 0x4C},
    {SDL_SCANCODE_M, 0x4D}, {SDL_SCANCODE_N, 0x4E}, {SDL_SCANCODE_O, 0x4F}, {SDL_SCANCODE_P, 0x50},
    {SDL_SCANCODE_Q, 0x51}, {SDL_SCANCODE_R, 0x52}, {SDL_SCANCODE_S, 0x53}, {SDL_SCANCODE_T, 0x54},
    {SDL_SCANCODE_U, 0x55}, {SDL_SCANCODE_V, 0x56}, {SDL_SCANCODE_W, 0x57}, {SDL_SCANCODE_X, 0x58},
    {SDL_SCANCODE_Y, 0x59}, {SDL_SCANCODE_Z, 0x5A}, {SDL_SCANCODE_1, 0x31}, {SDL_SCANCODE_2, 0x32},
    {SDL_SCANCODE_3, 0x33}, {SDL_SCANCODE_4, 0x34}, {SDL_SCANCODE_5, 0x35}, {SDL_SCANCODE_6, 0x36},
    {SDL_SCANCODE_7, 0x37}, {SDL_SCANCODE_8, 0x38}, {SDL_SCANCODE_9, 0x39}, {SDL_SCANCODE_0, 0x30},
};

const SDL_Keycode extendedKeys[] = {
    SDLK_RCTRL,    SDLK_RALT,        SDLK_INSERT, SDLK_DELETE, SDLK_HOME,        SDLK_END,          SDLK_PAGEUP,
    SDLK_PAGEDOWN, SDLK_LEFT,        SDLK_UP,     SDLK_RIGHT,  SDLK_DOWN,        SDLK_NUMLOCKCLEAR, SDLK_KP_DIVIDE,
    SDLK_KP_ENTER, SDLK_PRINTSCREEN, SDLK_LGUI,   SDLK_RGUI,   SDLK_APPLICATION,
};

}  // namespace

BYTE virtualKeyFromSdl(const SDL_Keysym &key)
{
    for (const KeycodeEntry &entry : keycodeTable) {
        if (entry.keycode == key.sym) return entry.virtualKey;
    }
    for (const ScancodeEntry &entry : scancodeTable) {
        if (entry.scancode == key.scancode) return entry.virtualKey;
    }
    return 0;
}

bool isExtendedKey(const SDL_Keysym &key)
{
    for (SDL_Keycode keycode : extendedKeys) {
        if (keycode == key.sym) return true;
    }
    return false;
}

}  // namespace platform
