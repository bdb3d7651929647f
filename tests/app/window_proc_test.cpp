// windowProc: what each message does to the key state, the activity flag, the projection and the queue.
#include "app/window.h"

#include "tests/app/app_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class WindowProc : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetApp();
        fakewin::script().defWindowProcResult = 4321;
    }
    LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return windowProc(fakewin::windowHandle(), message, wParam, lParam);
    }
};

}  // namespace

TEST_F(WindowProc, SizeResetsViewportAndProjectionAndClearsBothBuffers)
{
    EXPECT_EQ(send(WM_SIZE, 0, MAKELPARAM(640, 480)), 0);
    EXPECT_EQ(fake::logText(), (std::vector<std::string>{"glViewport(0, 0, 640, 480)", "glMatrixMode(5889)",
                                                         "glLoadIdentity()", "gluPerspective(45, 1.33333333, 3, 2500)",
                                                         "glMatrixMode(5888)", "glLoadIdentity()", "glClear(16640)"}));
}

TEST_F(WindowProc, SizeEdgeCases)
{
    // A height of 0 (minimised) becomes 1; a width of 0 goes through as aspect 0.
    send(WM_SIZE, 0, MAKELPARAM(300, 0));
    EXPECT_EQ(lastCall("glViewport").str(), "glViewport(0, 0, 300, 1)");
    EXPECT_EQ(lastCall("gluPerspective").args[1], 300.0);
    send(WM_SIZE, 0, MAKELPARAM(0, 200));
    EXPECT_EQ(lastCall("glViewport").str(), "glViewport(0, 0, 0, 200)");
    EXPECT_EQ(lastCall("gluPerspective").args[1], 0.0);
    // Both halves are unsigned 16-bit values.
    send(WM_SIZE, 0, MAKELPARAM(65535, 40000));
    EXPECT_EQ(lastCall("glViewport").str(), "glViewport(0, 0, 65535, 40000)");
    EXPECT_EQ(fake::count("DefWindowProcA"), 0u);
}

TEST_F(WindowProc, ActivateFollowsOnlyTheMinimisedFlag)
{
    EXPECT_TRUE(windowActive);
    EXPECT_EQ(send(WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1)), 0);
    EXPECT_FALSE(windowActive);
    send(WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0));
    EXPECT_TRUE(windowActive);
    // Losing the focus without minimising keeps the scene running.
    send(WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0));
    EXPECT_TRUE(windowActive);
    send(WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0xFFFF));
    EXPECT_FALSE(windowActive);
    EXPECT_EQ(fake::count("DefWindowProcA"), 0u);
}

TEST_F(WindowProc, CloseOnlyPostsQuit)
{
    EXPECT_EQ(send(WM_CLOSE), 0);
    EXPECT_EQ(win32Calls(), (std::vector<std::string>{"PostQuitMessage"}));
    EXPECT_EQ(lastCall("PostQuitMessage").args[0], 0);
}

TEST_F(WindowProc, KeysSetAndClearTheirEntry)
{
    EXPECT_EQ(send(WM_KEYDOWN, VK_ESCAPE), 0);
    EXPECT_TRUE(keyDown[VK_ESCAPE]);
    send(WM_KEYDOWN, VK_ESCAPE, LPARAM(1) << 30);  // auto-repeat
    EXPECT_TRUE(keyDown[VK_ESCAPE]);
    send(WM_KEYDOWN, 0xFF);
    EXPECT_TRUE(keyDown[0xFF]);
    EXPECT_EQ(send(WM_KEYUP, VK_ESCAPE), 0);
    EXPECT_FALSE(keyDown[VK_ESCAPE]);
    EXPECT_TRUE(keyDown[0xFF]);
    EXPECT_EQ(fake::count("DefWindowProcA"), 0u);
}

TEST_F(WindowProc, KeyCodesPastTheTableAreIgnored)
{
    bool before[256];
    keyDown[3] = true;
    std::copy(keyDown, keyDown + 256, before);
    for (WPARAM code : {WPARAM(256), WPARAM(257), WPARAM(0x10000), ~WPARAM(0)}) {
        EXPECT_EQ(send(WM_KEYDOWN, code), 0);
        EXPECT_EQ(send(WM_KEYUP, code), 0);
    }
    EXPECT_TRUE(std::equal(keyDown, keyDown + 256, before));
}

TEST_F(WindowProc, SystemKeysAreNotRecorded)
{
    EXPECT_EQ(send(WM_SYSKEYDOWN, VK_ESCAPE), 4321);
    EXPECT_FALSE(keyDown[VK_ESCAPE]);
    EXPECT_EQ(send(WM_SYSKEYDOWN, VK_F10), 4321);
    EXPECT_FALSE(keyDown[VK_F10]);
}

TEST_F(WindowProc, ScreenSaverAndMonitorPowerAreRefusedOtherCommandsDefaulted)
{
    EXPECT_EQ(send(WM_SYSCOMMAND, SC_SCREENSAVE), 0);
    EXPECT_EQ(send(WM_SYSCOMMAND, SC_MONITORPOWER, 2), 0);
    EXPECT_EQ(fake::count("DefWindowProcA"), 0u);
    // Compared whole: low bits set make it another command.
    EXPECT_EQ(send(WM_SYSCOMMAND, SC_SCREENSAVE | 1), 4321);
    EXPECT_EQ(send(WM_SYSCOMMAND, SC_CLOSE), 4321);
    EXPECT_EQ(lastCall("DefWindowProcA").args[1], double(WM_SYSCOMMAND));
    EXPECT_EQ(lastCall("DefWindowProcA").args[2], double(SC_CLOSE));
    EXPECT_EQ(fake::count("DefWindowProcA"), 2u);
}

TEST_F(WindowProc, EverythingElseGoesToDefaultProcessingWithItsArguments)
{
    EXPECT_EQ(send(WM_PAINT, 11, 22), 4321);
    EXPECT_EQ(lastCall("DefWindowProcA").args,
              (std::vector<double>{handleValue(fakewin::windowHandle()), double(WM_PAINT), 11, 22}));
    EXPECT_EQ(send(WM_CHAR, 'a'), 4321);
    EXPECT_EQ(send(WM_DESTROY), 4321);
}
