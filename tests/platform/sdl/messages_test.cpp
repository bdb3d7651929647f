// SDL events in, Windows messages out: key codes and bits, activation, size, close requests,
// and PeekMessage's quit, removal and filter rules.
#include "recording_window.h"
#include "platform/native_host.h"

#include <csignal>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Key-message lParam bits as Windows defines them.
const DWORD repeatOne = 1;
const DWORD extended = 1u << 24;
const DWORD altContext = 1u << 29;
const DWORD wasDown = 1u << 30;
const DWORD released = 1u << 31;

LPARAM bits(DWORD value) { return static_cast<LPARAM>(value); }

class Messages : public RecordingWindowTest {
protected:
    Uint32 id() const { return sdlIdOf(window); }
    void down(SDL_Keycode key, Uint16 modifiers = KMOD_NONE, Uint8 repeat = 0,
              SDL_Scancode scancode = SDL_SCANCODE_UNKNOWN)
    {
        pushKey(SDL_KEYDOWN, key, scancode, modifiers, repeat, id());
    }
    void up(SDL_Keycode key, Uint16 modifiers = KMOD_NONE)
    {
        pushKey(SDL_KEYUP, key, SDL_SCANCODE_UNKNOWN, modifiers, 0, id());
    }
};

void expectMessage(const MSG &message, HWND window, UINT number, WPARAM wParam, LPARAM lParam)
{
    EXPECT_EQ(message.hwnd, window);
    EXPECT_EQ(message.message, number);
    EXPECT_EQ(message.wParam, wParam);
    EXPECT_EQ(message.lParam, lParam);
}

}  // namespace

TEST_F(Messages, KeyPressRepeatAndReleaseCarryWindowsBits)
{
    down(SDLK_ESCAPE);
    down(SDLK_ESCAPE, KMOD_NONE, 1);
    up(SDLK_ESCAPE);
    const std::vector<MSG> messages = drainMessages();
    ASSERT_EQ(messages.size(), 3u);
    expectMessage(messages[0], window, WM_KEYDOWN, 0x1B, bits(repeatOne));
    expectMessage(messages[1], window, WM_KEYDOWN, 0x1B, bits(repeatOne | wasDown));
    expectMessage(messages[2], window, WM_KEYUP, 0x1B, bits(repeatOne | wasDown | released));
}

TEST_F(Messages, KeysBecomeWindowsVirtualKeyCodes)
{
    struct Case {
        SDL_Keycode key;
        WPARAM virtualKey;
    };
    // Windows' virtual-key codes, written out from its key list.
    const Case cases[] = {
        {SDLK_a, 0x41},        {SDLK_m, 0x4D},         {SDLK_z, 0x5A},         {SDLK_0, 0x30},       {SDLK_9, 0x39},
        {SDLK_F1, 0x70},       {SDLK_F5, 0x74},        {SDLK_F12, 0x7B},       {SDLK_LEFT, 0x25},    {SDLK_UP, 0x26},
        {SDLK_RIGHT, 0x27},    {SDLK_DOWN, 0x28},      {SDLK_DELETE, 0x2E},    {SDLK_INSERT, 0x2D},  {SDLK_HOME, 0x24},
        {SDLK_END, 0x23},      {SDLK_PAGEUP, 0x21},    {SDLK_PAGEDOWN, 0x22},  {SDLK_RETURN, 0x0D},  {SDLK_SPACE, 0x20},
        {SDLK_TAB, 0x09},      {SDLK_BACKSPACE, 0x08}, {SDLK_LSHIFT, 0x10},    {SDLK_RSHIFT, 0x10},  {SDLK_LCTRL, 0x11},
        {SDLK_RCTRL, 0x11},    {SDLK_KP_0, 0x60},      {SDLK_KP_9, 0x69},      {SDLK_KP_PLUS, 0x6B}, {SDLK_PAUSE, 0x13},
        {SDLK_CAPSLOCK, 0x14}, {SDLK_COMMA, 0xBC},     {SDLK_SEMICOLON, 0xBA},
    };
    for (const Case &c : cases) {
        down(c.key);
    }
    const std::vector<MSG> messages = drainMessages();
    ASSERT_EQ(messages.size(), std::size(cases));
    for (size_t i = 0; i < messages.size(); ++i) {
        EXPECT_EQ(messages[i].message, static_cast<UINT>(WM_KEYDOWN)) << "key " << cases[i].key;
        EXPECT_EQ(messages[i].wParam, cases[i].virtualKey) << "key " << cases[i].key;
    }
}

TEST_F(Messages, UnknownKeysAreDroppedAndNonLatinLettersGoByPosition)
{
    down(SDLK_AUDIOPLAY, KMOD_NONE, 0, SDL_SCANCODE_AUDIOPLAY);
    down(SDLK_UNKNOWN);
    // A Cyrillic layout's key in the place of A.
    down(0x0444, KMOD_NONE, 0, SDL_SCANCODE_A);
    const std::vector<MSG> messages = drainMessages();
    ASSERT_EQ(messages.size(), 1u);
    expectMessage(messages[0], window, WM_KEYDOWN, 0x41, bits(repeatOne));
}

TEST_F(Messages, ExtendedKeysAreFlagged)
{
    down(SDLK_RIGHT);
    down(SDLK_DELETE);
    down(SDLK_RCTRL, KMOD_RCTRL);
    down(SDLK_x);
    const std::vector<MSG> messages = drainMessages();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[0].lParam, bits(repeatOne | extended));
    EXPECT_EQ(messages[1].lParam, bits(repeatOne | extended));
    EXPECT_EQ(messages[2].lParam, bits(repeatOne | extended));
    EXPECT_EQ(messages[3].lParam, bits(repeatOne));
}

TEST_F(Messages, AltAndF10MakeSystemKeys)
{
    down(SDLK_LALT, KMOD_LALT);  // SDL counts Alt as held on its own key-down
    down(SDLK_ESCAPE, KMOD_LALT);
    up(SDLK_ESCAPE, KMOD_LALT);
    up(SDLK_LALT);
    down(SDLK_F10);
    up(SDLK_F10);
    down(SDLK_x, KMOD_LALT | KMOD_LCTRL);  // Ctrl with Alt is AltGr: an ordinary key
    const std::vector<MSG> messages = drainMessages();
    ASSERT_EQ(messages.size(), 7u);
    expectMessage(messages[0], window, WM_SYSKEYDOWN, 0x12, bits(repeatOne | altContext));
    expectMessage(messages[1], window, WM_SYSKEYDOWN, 0x1B, bits(repeatOne | altContext));
    expectMessage(messages[2], window, WM_SYSKEYUP, 0x1B, bits(repeatOne | altContext | wasDown | released));
    expectMessage(messages[3], window, WM_SYSKEYUP, 0x12, bits(repeatOne | wasDown | released));
    expectMessage(messages[4], window, WM_SYSKEYDOWN, 0x79, bits(repeatOne));
    expectMessage(messages[5], window, WM_SYSKEYUP, 0x79, bits(repeatOne | wasDown | released));
    expectMessage(messages[6], window, WM_KEYDOWN, 0x58, bits(repeatOne | altContext));
}

TEST_F(Messages, MinimiseAndRestoreReportTheMinimisedFlag)
{
    pushWindowEvent(SDL_WINDOWEVENT_MINIMIZED, id());
    pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST, id());
    pushWindowEvent(SDL_WINDOWEVENT_RESTORED, id());
    pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST, id());
    pushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED, id());
    const std::vector<MSG> messages = drainMessages();
    ASSERT_EQ(messages.size(), 5u);
    expectMessage(messages[0], window, WM_ACTIVATE, 0x00010000, 0);  // inactive, minimised
    expectMessage(messages[1], window, WM_ACTIVATE, 0x00010000, 0);  // still minimised
    expectMessage(messages[2], window, WM_ACTIVATE, 0x00000001, 0);  // active
    expectMessage(messages[3], window, WM_ACTIVATE, 0x00000000, 0);  // inactive, on screen
    expectMessage(messages[4], window, WM_ACTIVATE, 0x00000001, 0);
}

TEST_F(Messages, SizeChangeBecomesSizeWithWidthLowHeightHigh)
{
    pushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, id(), 640, 480);
    pushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, id(), 1, 0);
    pushWindowEvent(SDL_WINDOWEVENT_MOVED, id(), 5, 5);
    pushWindowEvent(SDL_WINDOWEVENT_SHOWN, id());
    const std::vector<MSG> messages = drainMessages();
    ASSERT_EQ(messages.size(), 2u);
    expectMessage(messages[0], window, WM_SIZE, SIZE_RESTORED, static_cast<LPARAM>(480 * 65536 + 640));
    expectMessage(messages[1], window, WM_SIZE, SIZE_RESTORED, 1);
}

TEST_F(Messages, EachCloseRequestBecomesOneClose)
{
    pushWindowEvent(SDL_WINDOWEVENT_CLOSE, id());
    std::vector<MSG> messages = drainMessages();
    ASSERT_EQ(messages.size(), 1u);
    expectMessage(messages[0], window, WM_CLOSE, 0, 0);

    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    messages = drainMessages();
    ASSERT_EQ(messages.size(), 1u) << "a signal's quit request goes to the window";
    expectMessage(messages[0], window, WM_CLOSE, 0, 0);

    // Where SDL follows a window's close with its own quit event, both are one request.
    pushWindowEvent(SDL_WINDOWEVENT_CLOSE, id());
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    messages = drainMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].message, static_cast<UINT>(WM_CLOSE));
}

TEST_F(Messages, TerminationSignalBecomesOneClose)
{
    // SDL catches SIGTERM and SIGINT once video is up and reports them as a quit request.
    ASSERT_EQ(std::raise(SIGTERM), 0);
    const std::vector<MSG> messages = drainMessages();
    ASSERT_EQ(messages.size(), 1u);
    expectMessage(messages[0], window, WM_CLOSE, 0, 0);
    // Noted for a program that must end by it, as a screen-saver hack must.
    EXPECT_EQ(platform::endingSignal(), SIGTERM);
}

// Ended by the signal itself, as a program that never caught it: with SDL's handler in place, and the signal
// blocked.
TEST_F(Messages, EndBySignalEndsTheProcessByThatSignal)
{
    for (const bool blocked : {false, true}) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            sigset_t set;
            sigemptyset(&set);
            sigaddset(&set, SIGTERM);
            if (blocked) sigprocmask(SIG_BLOCK, &set, nullptr);
            platform::endBySignal(SIGTERM);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM)
            << "status " << status << (blocked ? ", blocked" : "");
    }
}

TEST_F(Messages, EventsGoToTheirOwnWindowAndUnknownWindowsAreIgnored)
{
    const HWND second = createWindow("second");
    ASSERT_NE(second, nullptr);
    drainMessages();
    pushWindowEvent(SDL_WINDOWEVENT_CLOSE, sdlIdOf(second));
    pushKey(SDL_KEYDOWN, SDLK_q, SDL_SCANCODE_Q, KMOD_NONE, 0, sdlIdOf(second));
    pushWindowEvent(SDL_WINDOWEVENT_CLOSE, 0xFFFF);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    const std::vector<MSG> messages = drainMessages();
    ASSERT_EQ(messages.size(), 3u);
    expectMessage(messages[0], second, WM_CLOSE, 0, 0);
    expectMessage(messages[1], second, WM_KEYDOWN, 0x51, bits(repeatOne));
    expectMessage(messages[2], window, WM_CLOSE, 0, 0);  // the oldest window
    EXPECT_TRUE(DestroyWindow(second));
}

TEST_F(Messages, QuitComesOutOnceEverythingPostedIsTaken)
{
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) << "nothing waits, and it does not wait";
    down(SDLK_a);
    PostQuitMessage(3);
    down(SDLK_b);
    const std::vector<MSG> messages = drainMessages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].wParam, 0x41u);
    EXPECT_EQ(messages[1].wParam, 0x42u);
    expectMessage(messages[2], nullptr, WM_QUIT, 3, 0);
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) << "one quit per PostQuitMessage";
}

TEST_F(Messages, NoRemoveLeavesTheMessageWaiting)
{
    down(SDLK_a);
    PostQuitMessage(0);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_KEYDOWN));
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_KEYDOWN));
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Messages, FiltersPickByWindowAndMessageRange)
{
    const HWND second = createWindow("second");
    ASSERT_NE(second, nullptr);
    drainMessages();
    pushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, id(), 8, 8);
    down(SDLK_a);
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, second, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&message, window, WM_KEYDOWN, WM_KEYUP, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_KEYDOWN)) << "the later key, past the earlier size";
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_SIZE));
    EXPECT_TRUE(DestroyWindow(second));
}
