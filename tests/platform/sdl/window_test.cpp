// Window classes, creation and destruction messages, showing, focus and default processing.
#include "recording_window.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

std::vector<ProcedureCall> otherCalls;

LRESULT CALLBACK otherProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    otherCalls.push_back(ProcedureCall{window, message, wParam, lParam});
    // An answer of its own, to see that dispatch hands it back.
    return message == WM_KEYDOWN ? 4321 : DefWindowProcA(window, message, wParam, lParam);
}

WNDCLASSA classNamed(const char *name, WNDPROC procedure)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.lpszClassName = name;
    return windowClass;
}

}  // namespace

TEST(WindowClass, RegisteringANameTwiceFailsWhateverItsCase)
{
    const WNDCLASSA first = classNamed("FrostelTwice", recordingProcedure);
    const WNDCLASSA again = classNamed("frostelTWICE", otherProcedure);
    EXPECT_NE(RegisterClassA(&first), 0);
    EXPECT_EQ(RegisterClassA(&first), 0);
    EXPECT_EQ(RegisterClassA(&again), 0);
    EXPECT_TRUE(UnregisterClassA("FROSTELTWICE", nullptr));
    EXPECT_NE(RegisterClassA(&again), 0) << "an unregistered name is free again";
    EXPECT_TRUE(UnregisterClassA("FrostelTwice", nullptr));
}

TEST(WindowClass, BadRegistrationsAndUnknownNamesFail)
{
    const WNDCLASSA noProcedure = classNamed("FrostelNoProc", nullptr);
    const WNDCLASSA noName = classNamed(nullptr, recordingProcedure);
    EXPECT_EQ(RegisterClassA(&noProcedure), 0);
    EXPECT_EQ(RegisterClassA(&noName), 0);
    EXPECT_EQ(RegisterClassA(nullptr), 0);
    EXPECT_FALSE(UnregisterClassA("FrostelNeverRegistered", nullptr));
    EXPECT_FALSE(UnregisterClassA(nullptr, nullptr));
}

TEST(WindowClass, UnknownClassCreatesNothing)
{
    recordedCalls.clear();
    EXPECT_EQ(CreateWindowExA(0, "FrostelNoSuchClass", "x", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_TRUE(recordedCalls.empty());
}

using WindowLifetime = RecordingWindowTest;

TEST_F(WindowLifetime, CreationSendsNcCreateThenCreateWithTheCreationRecord)
{
    const HWND created = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, className, "Frostel - Tarvik",
                                         WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 512, 384, nullptr, nullptr,
                                         GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(recordedMessages(), (std::vector<UINT>{WM_NCCREATE, WM_CREATE}));
    EXPECT_EQ(recordedCalls[0].window, created);
    EXPECT_EQ(lastCreation.cx, 512);
    EXPECT_EQ(lastCreation.cy, 384);
    EXPECT_EQ(static_cast<DWORD>(lastCreation.style), 0x06000000u);
    EXPECT_EQ(lastCreation.dwExStyle, 0x00040100u);
    EXPECT_EQ(lastCreationName, "Frostel - Tarvik");
    EXPECT_EQ(lastCreationClass, className);

    SDL_Window *sdlWindow = platform::sdlWindowOf(created);
    ASSERT_NE(sdlWindow, nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(sdlWindow), "Frostel - Tarvik");
    EXPECT_NE(SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_HIDDEN, 0u) << "created hidden, shown later";
    EXPECT_NE(SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_OPENGL, 0u);
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(sdlWindow, &width, &height);
    EXPECT_EQ(width, 512);
    EXPECT_EQ(height, 384);
    EXPECT_TRUE(DestroyWindow(created));
}

TEST_F(WindowLifetime, RefusedNcCreateFailsCreation)
{
    procedureBehaviour.refuseNcCreate = true;
    EXPECT_EQ(createWindow("refused"), nullptr);
    EXPECT_EQ(recordedMessages(), (std::vector<UINT>{WM_NCCREATE, WM_NCDESTROY}));
}

TEST_F(WindowLifetime, FailedCreateDestroysTheWindow)
{
    procedureBehaviour.failCreate = true;
    EXPECT_EQ(createWindow("failing"), nullptr);
    EXPECT_EQ(recordedMessages(), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
    const HWND failed = recordedCalls[0].window;
    EXPECT_EQ(GetDC(failed), nullptr) << "the handle is gone";
}

TEST_F(WindowLifetime, DestroySendsDestroyThenNcDestroyOnce)
{
    EXPECT_TRUE(DestroyWindow(window));
    ASSERT_EQ(recordedMessages(), (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
    EXPECT_EQ(recordedCalls[0].window, window);
    EXPECT_EQ(recordedCalls[1].window, window);
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_FALSE(DestroyWindow(nullptr));
    EXPECT_EQ(GetDC(window), nullptr);
    EXPECT_EQ(platform::sdlWindowOf(window), nullptr);
    EXPECT_EQ(recordedCalls.size(), 2u);
    window = nullptr;
}

TEST_F(WindowLifetime, DestroyDropsTheWindowsWaitingMessages)
{
    pushKey(SDL_KEYDOWN, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, KMOD_NONE, 0, sdlIdOf(window));
    MSG peeked;
    ASSERT_TRUE(PeekMessageA(&peeked, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_FALSE(PeekMessageA(&peeked, nullptr, 0, 0, PM_REMOVE));
    window = nullptr;
}

TEST_F(WindowLifetime, ClassCannotGoWhileItsWindowLives)
{
    EXPECT_FALSE(UnregisterClassA(className, nullptr));
    EXPECT_TRUE(DestroyWindow(window));
    window = nullptr;
    EXPECT_TRUE(UnregisterClassA(className, nullptr));
}

TEST_F(WindowLifetime, DispatchReachesTheWindowsOwnClassProcedure)
{
    const WNDCLASSA windowClass = classNamed("FrostelOther", otherProcedure);
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    const HWND other = CreateWindowExA(0, "FrostelOther", "other", 0, 0, 0, 32, 32, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    otherCalls.clear();

    MSG message{window, WM_KEYDOWN, VK_ESCAPE, 77, 0, {}};
    EXPECT_EQ(DispatchMessageA(&message), 0);
    ASSERT_EQ(recordedCalls.size(), 1u);
    EXPECT_EQ(recordedCalls[0].window, window);
    EXPECT_EQ(recordedCalls[0].message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(recordedCalls[0].wParam, static_cast<WPARAM>(VK_ESCAPE));
    EXPECT_EQ(recordedCalls[0].lParam, 77);
    EXPECT_TRUE(otherCalls.empty());

    message.hwnd = other;
    EXPECT_EQ(DispatchMessageA(&message), 4321);
    ASSERT_EQ(otherCalls.size(), 1u);
    EXPECT_EQ(otherCalls[0].window, other);
    EXPECT_EQ(recordedCalls.size(), 1u);

    message.hwnd = nullptr;
    EXPECT_EQ(DispatchMessageA(&message), 0);
    message.hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7777));
    EXPECT_EQ(DispatchMessageA(&message), 0);
    EXPECT_EQ(otherCalls.size(), 1u);
    EXPECT_EQ(DispatchMessageA(nullptr), 0);

    EXPECT_TRUE(DestroyWindow(other));
    EXPECT_TRUE(UnregisterClassA("FrostelOther", nullptr));
}

TEST_F(WindowLifetime, DefaultProcessingTurnsSystemCloseIntoCloseWhichDestroys)
{
    // The low four bits of a system command are Windows' own and are ignored.
    EXPECT_EQ(DefWindowProcA(window, WM_SYSCOMMAND, SC_CLOSE | 0x2, 0), 0);
    ASSERT_EQ(recordedMessages(), (std::vector<UINT>{WM_CLOSE}));
    EXPECT_NE(GetDC(window), nullptr) << "a WM_CLOSE the procedure keeps does not destroy";

    recordedCalls.clear();
    procedureBehaviour.closeByDefault = true;
    DefWindowProcA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(recordedMessages(), (std::vector<UINT>{WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_EQ(GetDC(window), nullptr);
    window = nullptr;
}

TEST_F(WindowLifetime, DefaultProcessingOfOtherMessagesDoesNothing)
{
    EXPECT_EQ(DefWindowProcA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0), 0);
    EXPECT_EQ(DefWindowProcA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(DefWindowProcA(window, WM_KEYDOWN, VK_ESCAPE, 1), 0);
    EXPECT_EQ(DefWindowProcA(window, WM_ACTIVATE, WA_ACTIVE, 0), 0);
    EXPECT_TRUE(recordedCalls.empty());
    EXPECT_NE(DefWindowProcA(window, WM_NCCREATE, 0, 0), 0) << "creation goes on by default";
}

using WindowShowing = RecordingWindowTest;

TEST_F(WindowShowing, FirstShowSendsSizeThenActivateAndLaterShowsNothing)
{
    EXPECT_FALSE(ShowWindow(window, SW_SHOW)) << "it was hidden";
    ASSERT_EQ(recordedMessages(), (std::vector<UINT>{WM_SIZE, WM_ACTIVATE}));
    EXPECT_EQ(recordedCalls[0].wParam, static_cast<WPARAM>(SIZE_RESTORED));
    EXPECT_EQ(recordedCalls[0].lParam, static_cast<LPARAM>((240 << 16) | 320));
    EXPECT_EQ(recordedCalls[1].wParam, static_cast<WPARAM>(WA_ACTIVE)) << "active, not minimised";
    EXPECT_EQ(SDL_GetWindowFlags(platform::sdlWindowOf(window)) & SDL_WINDOW_HIDDEN, 0u);

    recordedCalls.clear();
    EXPECT_TRUE(ShowWindow(window, SW_SHOW)) << "it was visible";
    EXPECT_TRUE(ShowWindow(window, SW_HIDE));
    EXPECT_NE(SDL_GetWindowFlags(platform::sdlWindowOf(window)) & SDL_WINDOW_HIDDEN, 0u);
    EXPECT_FALSE(ShowWindow(window, SW_SHOW));
    EXPECT_TRUE(recordedCalls.empty());
    EXPECT_FALSE(ShowWindow(nullptr, SW_SHOW));
}

TEST_F(WindowShowing, VisibleStyleShowsRightAfterCreation)
{
    const HWND visible = createWindow("visible", WS_VISIBLE, 64, 48);
    ASSERT_NE(visible, nullptr);
    EXPECT_EQ(recordedMessages(), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_ACTIVATE}));
    EXPECT_EQ(recordedCalls[2].lParam, static_cast<LPARAM>((48 << 16) | 64));
    EXPECT_TRUE(DestroyWindow(visible));
}

TEST_F(WindowShowing, FocusAnswersThePreviousFocus)
{
    const HWND second = createWindow("second");
    ASSERT_NE(second, nullptr);
    SetFocus(nullptr);
    EXPECT_EQ(SetFocus(window), nullptr);
    EXPECT_EQ(SetFocus(second), window);
    EXPECT_EQ(SetFocus(reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7777))), nullptr);
    EXPECT_EQ(SetFocus(window), second) << "an unknown window takes no focus";
    EXPECT_TRUE(DestroyWindow(window));
    window = nullptr;
    EXPECT_EQ(SetFocus(second), nullptr) << "a destroyed window loses the focus";
    EXPECT_TRUE(SetForegroundWindow(second));
    EXPECT_FALSE(SetForegroundWindow(nullptr));
    EXPECT_TRUE(DestroyWindow(second));
}

TEST(WindowPlaceholders, HandlesAndRectangle)
{
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(GetModuleHandleA(nullptr), GetModuleHandleA(nullptr));
    EXPECT_NE(LoadIconA(nullptr, IDI_WINLOGO), nullptr);
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
    RECT rect{0, 0, 512, 512};
    EXPECT_TRUE(AdjustWindowRectEx(&rect, WS_OVERLAPPED, FALSE, WS_EX_APPWINDOW | WS_EX_WINDOWEDGE));
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, 512);
    EXPECT_EQ(rect.bottom, 512);
    EXPECT_FALSE(AdjustWindowRectEx(nullptr, 0, FALSE, 0));
}

TEST(TickCount, AdvancesWithTime)
{
    const DWORD before = GetTickCount();
    SDL_Delay(30);
    // Whole milliseconds on both sides: truncation can take one off the difference.
    EXPECT_GE(static_cast<DWORD>(GetTickCount() - before), 29u);
}

// Windows counts from boot, so the first reading, the random seed, differs from one start to the next.
// The kernel's own uptime is the reference; it is given to the hundredth of a second.
TEST(TickCount, CountsFromBootTruncatedTo32Bits)
{
    const auto uptimeMs = [] {
        std::ifstream in("/proc/uptime");
        double seconds = -1;
        in >> seconds;
        return seconds * 1000.0;
    };
    const double before = uptimeMs();
    if (before < 0) {
        GTEST_SKIP() << "no /proc/uptime here";
    }
    const DWORD tick = GetTickCount();
    const double after = uptimeMs();
    const double wrapped = std::fmod(before, 4294967296.0);
    // Both clocks count from boot; allow for the hundredths and the time between the readings.
    EXPECT_GE(static_cast<double>(tick), wrapped - 20.0);
    EXPECT_LE(static_cast<double>(tick), std::fmod(after, 4294967296.0) + 20.0);
}

// Run with no display named and no driver asked for: SDL would fall back to drawing offscreen, where
// nobody could see or close the window. Creation must fail instead and say why.
TEST(NoDisplay, WindowCreationFailsAndSaysWhy)
{
    const char *driver = std::getenv("SDL_VIDEODRIVER");
    const char *display = std::getenv("DISPLAY");
    if (driver == nullptr || driver[0] != '\0' || (display != nullptr && display[0] != '\0')) {
        GTEST_SKIP() << "needs SDL_VIDEODRIVER and DISPLAY set empty";
    }
    const WNDCLASSA windowClass = classNamed("FrostelNoDisplay", recordingProcedure);
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    recordedCalls.clear();
    testing::internal::CaptureStderr();
    EXPECT_EQ(CreateWindowExA(0, "FrostelNoDisplay", "x", 0, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    const std::string output = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(recordedCalls.empty());
    EXPECT_NE(output.find("Could not create the window: no display could be opened"), std::string::npos) << output;
    EXPECT_NE(output.find("set SDL_VIDEODRIVER=offscreen"), std::string::npos) << output;
    EXPECT_TRUE(UnregisterClassA("FrostelNoDisplay", nullptr));

    // Named, the same driver is taken: the user asked for it.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    const HWND window =
        CreateWindowExA(0, "FrostelNoDisplay", "x", 0, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
    setenv("SDL_VIDEODRIVER", "", 1);
    EXPECT_NE(window, nullptr) << SDL_GetError();
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_TRUE(UnregisterClassA("FrostelNoDisplay", nullptr));
}

// Run with SDL_VIDEODRIVER=dummy, a driver without OpenGL: SDL cannot make the window.
TEST(NoGlVideo, CreationFailsWithoutMessages)
{
    const char *driver = std::getenv("SDL_VIDEODRIVER");
    if (driver == nullptr || std::strcmp(driver, "dummy") != 0) {
        GTEST_SKIP() << "needs SDL_VIDEODRIVER=dummy";
    }
    const WNDCLASSA windowClass = classNamed("FrostelNoGl", recordingProcedure);
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    recordedCalls.clear();
    EXPECT_EQ(CreateWindowExA(0, "FrostelNoGl", "x", 0, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_TRUE(recordedCalls.empty());
    EXPECT_TRUE(UnregisterClassA("FrostelNoGl", nullptr));
}
