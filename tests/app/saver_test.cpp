// The screen saver on the fakes: the centred square and its black sides, the end rules, the run and its window.
#include "app/saver.h"
#include "app/window.h"

#include "tests/app/app_test_support.h"

#include <gtest/gtest.h>

namespace {

int framesLeft = 0;
int framesAsked = 0;

// Ends the saver after `framesLeft` frames, as a preview whose parent goes away.
bool countdown()
{
    ++framesAsked;
    return framesLeft-- > 0;
}

class Saver : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetApp();
        framesLeft = 0;
        framesAsked = 0;
    }
    // A preview-like saver in a wide window that draws `frames` frames unless something ends it sooner.
    static SaverRequest wide(int frames, bool endOnInput)
    {
        framesLeft = frames;
        SaverRequest r;
        r.style = WS_POPUP | WS_VISIBLE;
        r.exStyle = WS_EX_TOPMOST;
        r.width = 1280;
        r.height = 720;
        r.endOnInput = endOnInput;
        r.stillWanted = countdown;
        return r;
    }
    static void restart()
    {
        resetApp();
        framesAsked = 0;
    }
    static LPARAM at(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }
};

struct Square {
    int width, height, x, y, side;
};

}  // namespace

TEST_F(Saver, SizingBlacksOutTheWindowThenDrawsInTheCentredSquare)
{
    // Worked by hand: the square is as tall as the shorter side, the remainder split, the odd pixel to the right
    // or at the bottom (GL's y counts from the bottom).
    const Square cases[] = {
        {1280, 720, 280, 0, 720}, {800, 600, 100, 0, 600},  {600, 800, 0, 100, 600}, {512, 512, 0, 0, 512},
        {1281, 720, 280, 0, 720}, {720, 1281, 0, 281, 720}, {1, 1, 0, 0, 1},         {300, 0, 149, 0, 1},
    };
    for (const Square &c : cases) {
        fake::log().clear();
        saverProc(fakewin::windowHandle(), WM_SIZE, 0, MAKELPARAM(c.width, c.height));
        const std::string rect = "(" + std::to_string(c.x) + ", " + std::to_string(c.y) + ", " +
                                 std::to_string(c.side) + ", " + std::to_string(c.side) + ")";
        EXPECT_EQ(fake::logText(), (std::vector<std::string>{
                                       "glDisable(3089)", "glClear(16640)", "glEnable(3089)", "glViewport" + rect,
                                       "glScissor" + rect, "glMatrixMode(5889)", "glLoadIdentity()",
                                       "gluPerspective(45, 1, 3, 2500)", "glMatrixMode(5888)", "glLoadIdentity()"}))
            << c.width << "x" << c.height;
    }
}

TEST_F(Saver, OnAWindowOverSeveralMonitorsTheSquareIsCentredOnTheArea)
{
    struct Layout {
        int width, height;               // the window over every monitor
        int areaX, areaY, areaW, areaH;  // the primary monitor in it, from its top left
        std::string viewport;
    };
    const Layout layouts[] = {
        // A 1280 × 1024 monitor left of a 1920 × 1080 primary: 1280 + 420 from the left, the bottom row 0.
        {3200, 1080, 1280, 0, 1920, 1080, "(1700, 0, 1080, 1080)"},
        // The primary above a second monitor of its size: the square's bottom row is 1080 up.
        {1920, 2160, 0, 0, 1920, 1080, "(420, 1080, 1080, 1080)"},
        // A primary lower than its taller neighbour on the left: 1024 - 900 - 124 = 0 rows below it.
        {2464, 1024, 1024, 124, 1440, 900, "(1294, 0, 900, 900)"},
    };
    for (const Layout &l : layouts) {
        restart();
        SaverRequest r = wide(0, true);
        r.width = l.width;
        r.height = l.height;
        r.areaX = l.areaX;
        r.areaY = l.areaY;
        r.areaWidth = l.areaW;
        r.areaHeight = l.areaH;
        EXPECT_EQ(runSaver(r), 0);
        EXPECT_EQ(lastCall("glViewport").str(), "glViewport" + l.viewport) << l.width << "x" << l.height;
        EXPECT_EQ(lastCall("glScissor").str(), "glScissor" + l.viewport);
        // The one black-out went over the whole window, beyond the primary monitor too: nothing confined it.
        EXPECT_EQ(fake::count("glClear"), 1u);
        EXPECT_EQ(fake::count("glScissor"), 1u);
    }
}

TEST_F(Saver, OnlyTheBlackOutClearsBeyondTheSquare)
{
    ASSERT_EQ(runSaver(wide(6, false)), 0);
    // Walk the log with the scissor's state: every clear outside it is one of the black-outs, which come with the
    // first sizing and before each of the first two frames (one per buffer), never again.
    bool scissor = false;
    int unconfinedClears = 0;
    int framesSeen = 0;
    std::vector<int> blackOutFrames;
    for (const fake::Call &call : fake::log()) {
        if (call.name == "glEnable" && call.args[0] == GL_SCISSOR_TEST) scissor = true;
        if (call.name == "glDisable" && call.args[0] == GL_SCISSOR_TEST) scissor = false;
        if (call.name == "SwapBuffers") ++framesSeen;
        if (call.name == "glClear" && !scissor) {
            ++unconfinedClears;
            EXPECT_EQ(call.args[0], double(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
            blackOutFrames.push_back(framesSeen);
        }
    }
    EXPECT_EQ(framesSeen, 6);
    EXPECT_EQ(blackOutFrames, (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(unconfinedClears, 3);
    EXPECT_EQ(lastCall("glViewport").str(), "glViewport(280, 0, 720, 720)");
}

TEST_F(Saver, RunOpensTheRequestedWindowWithoutMusicUnlessAsked)
{
    SaverRequest r = wide(1, false);
    r.parent = reinterpret_cast<HWND>(uintptr_t(0x5150));
    r.style = WS_CHILD | WS_VISIBLE;
    r.exStyle = 0;
    r.x = 3;
    r.y = 4;
    EXPECT_EQ(runSaver(r), 0);
    const fake::Call &create = lastCall("CreateWindowExA");
    EXPECT_EQ(create.args[0], 0.0);
    EXPECT_EQ(create.args[1], double(WS_CHILD | WS_VISIBLE));
    EXPECT_EQ((std::vector<double>(create.args.begin() + 2, create.args.begin() + 7)),
              (std::vector<double>{3, 4, 1280, 720, double(0x5150)}));
    EXPECT_EQ(fake::count("PlaySoundA"), 0u);
    EXPECT_EQ(fakewin::registeredClass().lpfnWndProc, saverProc);
    // Ended because its parent is gone, with no WM_DESTROY (a host that died): the window and its device context
    // went with the parent and are left alone; the context is ours and goes; no box.
    EXPECT_EQ(fake::count("DestroyWindow"), 0u);
    EXPECT_EQ(fake::count("ReleaseDC"), 0u);
    EXPECT_EQ(fake::count("wglDeleteContext"), 1u);
    EXPECT_TRUE(fakewin::messageBoxes().empty());

    restart();
    r = wide(1, false);
    r.music = true;
    EXPECT_EQ(runSaver(r), 0);
    EXPECT_EQ(lastCall("PlaySoundA").text, "\"data/music.wav\"");
    EXPECT_EQ(lastCall("PlaySoundA").args.back(), double(SND_ASYNC | SND_LOOP));
}

TEST_F(Saver, OnlyAWindowOfItsOwnTakesTheFocus)
{
    // Full screen: in front and with the keys, as the demo's window.
    EXPECT_EQ(runSaver(wide(0, true)), 0);
    EXPECT_EQ(fake::count("SetForegroundWindow"), 1u);
    EXPECT_EQ(fake::count("SetFocus"), 1u);
    // The preview inside the display settings, and a window handed over: the keys stay where they were.
    restart();
    SaverRequest r = wide(0, false);
    r.style = WS_CHILD | WS_VISIBLE;
    EXPECT_EQ(runSaver(r), 0);
    EXPECT_EQ(fake::count("ShowWindow"), 1u);
    EXPECT_EQ(fake::count("SetForegroundWindow"), 0u);
    EXPECT_EQ(fake::count("SetFocus"), 0u);
}

TEST_F(Saver, AWindowThatCannotOpenEndsWithOne)
{
    fakewin::script().createWindowFails = true;
    EXPECT_EQ(runSaver(wide(5, true)), 1);
    EXPECT_EQ(framesAsked, 0);
    EXPECT_EQ(fakewin::messageBoxes().size(), 1u);
}

TEST_F(Saver, MouseMovesEndItOnlyPastAFewPixelsAfterTheFirst)
{
    // The first move may come from anywhere: it only sets the starting point.
    fakewin::post(WM_MOUSEMOVE, 0, at(900, 500));
    fakewin::post(WM_MOUSEMOVE, 0, at(904, 496));
    fakewin::post(WM_MOUSEMOVE, 0, at(896, 504));
    EXPECT_EQ(runSaver(wide(3, true)), 0);
    EXPECT_EQ(fake::count("PostQuitMessage"), 0u);
    EXPECT_EQ(framesAsked, 4);

    for (const LPARAM far : {at(905, 500), at(900, 495), at(0, 0)}) {
        restart();
        fakewin::post(WM_MOUSEMOVE, 0, at(900, 500));
        fakewin::post(WM_MOUSEMOVE, 0, far);
        EXPECT_EQ(runSaver(wide(50, true)), 0);
        EXPECT_EQ(fake::count("PostQuitMessage"), 1u);
        EXPECT_EQ(framesAsked, 0);
    }

    // Left of the primary monitor coordinates are negative, sent as 16-bit halves.
    restart();
    fakewin::post(WM_MOUSEMOVE, 0, at(-2, -3));
    fakewin::post(WM_MOUSEMOVE, 0, at(2, 1));
    EXPECT_EQ(runSaver(wide(2, true)), 0);
    EXPECT_EQ(fake::count("PostQuitMessage"), 0u);
}

TEST_F(Saver, KeysClicksAndLosingActivationEndIt)
{
    const MSG enders[] = {
        {nullptr, WM_KEYDOWN, 'A', 0, 0, {}},       {nullptr, WM_SYSKEYDOWN, VK_MENU, 0, 0, {}},
        {nullptr, WM_LBUTTONDOWN, 1, 0, 0, {}},     {nullptr, WM_RBUTTONDOWN, 2, 0, 0, {}},
        {nullptr, WM_MBUTTONDOWN, 16, 0, 0, {}},    {nullptr, WM_XBUTTONDOWN, 0x10020, 0, 0, {}},
        {nullptr, WM_ACTIVATEAPP, FALSE, 0, 0, {}}, {nullptr, WM_ACTIVATE, WA_INACTIVE, 0, 0, {}},
    };
    for (const MSG &m : enders) {
        restart();
        fakewin::post(m.message, m.wParam, m.lParam);
        EXPECT_EQ(runSaver(wide(50, true)), 0);
        EXPECT_EQ(fake::count("PostQuitMessage"), 1u) << m.message;
        EXPECT_EQ(framesAsked, 0) << m.message;
    }
    // Neither a key's release (the one that started it may still come up) nor gaining activation.
    restart();
    fakewin::post(WM_KEYUP, 'A');
    fakewin::post(WM_ACTIVATEAPP, TRUE);
    fakewin::post(WM_ACTIVATE, WA_ACTIVE);
    EXPECT_EQ(runSaver(wide(2, true)), 0);
    EXPECT_EQ(fake::count("PostQuitMessage"), 0u);
}

TEST_F(Saver, WithoutInputRulesInputGoesToDefaultProcessing)
{
    // The preview and the X11 hack: the mouse and the keys belong to whoever shows them.
    fakewin::post(WM_MOUSEMOVE, 0, at(0, 0));
    fakewin::post(WM_MOUSEMOVE, 0, at(600, 600));
    fakewin::post(WM_KEYDOWN, VK_ESCAPE);
    fakewin::post(WM_LBUTTONDOWN, 1);
    EXPECT_EQ(runSaver(wide(3, false)), 0);
    EXPECT_EQ(fake::count("PostQuitMessage"), 0u);
    EXPECT_EQ(fake::count("DefWindowProcA"), 4u);
    EXPECT_EQ(framesAsked, 4);
}

TEST_F(Saver, AWindowDestroyedWithItsParentIsNotReleasedAgain)
{
    fakewin::post(WM_DESTROY);
    EXPECT_EQ(runSaver(wide(50, false)), 0);
    EXPECT_EQ(framesAsked, 0);
    EXPECT_EQ(fake::count("ReleaseDC"), 0u);
    EXPECT_EQ(fake::count("DestroyWindow"), 0u);
    // The context is ours and goes; no shutdown box for what the parent took away.
    EXPECT_EQ(fake::count("wglDeleteContext"), 1u);
    EXPECT_TRUE(fakewin::messageBoxes().empty());
}

TEST_F(Saver, InItsOwnWindowEscapeAndQEndItAndWithoutDataItDrawsOnlyBlack)
{
    for (const WPARAM key : {WPARAM(VK_ESCAPE), WPARAM('Q')}) {
        restart();
        SaverRequest r = wide(50, false);
        r.endOnEscape = true;
        fakewin::post(WM_KEYDOWN, key);
        EXPECT_EQ(runSaver(r), 0);
        EXPECT_EQ(fake::count("PostQuitMessage"), 1u) << key;
        EXPECT_EQ(framesAsked, 0) << key;
    }
    // Other keys still belong to whoever shows it.
    restart();
    SaverRequest r = wide(2, false);
    r.endOnEscape = true;
    fakewin::post(WM_KEYDOWN, 'A');
    EXPECT_EQ(runSaver(r), 0);
    EXPECT_EQ(fake::count("PostQuitMessage"), 0u);

    // No files at all: each frame clears the whole window to black and draws nothing of the scene (no texture is
    // bound, no quad drawn), where the scene would show white squares.
    restart();
    r = wide(3, false);
    r.sceneData = false;
    EXPECT_EQ(runSaver(r), 0);
    EXPECT_EQ(fake::count("glBegin"), 0u);
    EXPECT_EQ(fake::count("glBindTexture"), 0u);
    EXPECT_GE(fake::count("glClear"), 3u);
    EXPECT_EQ(fake::count("SwapBuffers"), 3u);
}
