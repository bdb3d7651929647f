// openWindow and closeWindow on the fake platform: call order, fields, styles, every failure and its box.
#include "app/window.h"

#include "tests/app/app_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

using Names = std::vector<std::string>;

const Names openSteps = {"GetModuleHandleA",    "LoadIconA",        "LoadCursorA",    "RegisterClassA",
                         "AdjustWindowRectEx",  "CreateWindowExA",  "GetDC",          "ChoosePixelFormat",
                         "SetPixelFormat",      "wglCreateContext", "wglMakeCurrent", "ShowWindow",
                         "SetForegroundWindow", "SetFocus"};

Names upTo(const std::string &last)
{
    Names out;
    for (const std::string &n : openSteps) {
        out.push_back(n);
        if (n == last) break;
    }
    return out;
}

Names concat(Names a, const Names &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class Window : public ::testing::Test {
protected:
    void SetUp() override { resetApp(); }
};

}  // namespace

TEST_F(Window, SuccessfulOpenCallsEveryStepInOrder)
{
    ASSERT_TRUE(openWindow("Frostel - Tarvik", 512, 512, 32, false));
    EXPECT_EQ(win32Calls(), openSteps);

    EXPECT_EQ(lastCall("GetModuleHandleA").str(), "GetModuleHandleA(NULL)");
    EXPECT_EQ(lastCall("LoadIconA").args, (std::vector<double>{0, 32517}));
    EXPECT_EQ(lastCall("LoadCursorA").args, (std::vector<double>{0, 32512}));

    const WNDCLASSA &wc = fakewin::registeredClass();
    EXPECT_EQ(wc.style, 0x23u);
    EXPECT_EQ(wc.lpfnWndProc, &windowProc);
    EXPECT_EQ(wc.cbClsExtra, 0);
    EXPECT_EQ(wc.cbWndExtra, 0);
    EXPECT_EQ(wc.hInstance, fakewin::instanceHandle());
    EXPECT_NE(wc.hIcon, nullptr);
    EXPECT_NE(wc.hCursor, nullptr);
    EXPECT_EQ(wc.hbrBackground, nullptr);
    EXPECT_EQ(wc.lpszMenuName, nullptr);
    EXPECT_EQ(fakewin::registeredClassName(), "Frostel");

    // Sized with style 0, created with the two clipping bits; the fake adds an 8-pixel frame.
    EXPECT_EQ(lastCall("AdjustWindowRectEx").args, (std::vector<double>{0, 0, 512, 512, 0, 0, 0x40100}));
    const fake::Call &create = lastCall("CreateWindowExA");
    EXPECT_EQ(create.args, (std::vector<double>{0x40100, 0x06000000, 0, 0, 528, 528, 0, 0,
                                                handleValue(fakewin::instanceHandle()), 0}));
    EXPECT_EQ(create.text, "\"Frostel\"|\"Frostel - Tarvik\"");

    EXPECT_EQ(lastCall("SetPixelFormat").args[1], 7) << "the index ChoosePixelFormat gave";
    EXPECT_EQ(lastCall("SetPixelFormat").args[2], lastCall("ChoosePixelFormat").args[1]) << "the same descriptor";
    EXPECT_EQ(lastCall("wglMakeCurrent").args,
              (std::vector<double>{handleValue(fakewin::dcHandle()), handleValue(fakewin::contextHandle())}));
    EXPECT_EQ(lastCall("ShowWindow").args[1], 5);

    const PIXELFORMATDESCRIPTOR &pfd = fakewin::chosenDescriptor();
    PIXELFORMATDESCRIPTOR want;
    std::memset(&want, 0, sizeof want);
    want.nSize = 40;
    want.nVersion = 1;
    want.dwFlags = 0x25;
    want.iPixelType = 0;
    want.cColorBits = 32;
    want.cDepthBits = 16;
    EXPECT_EQ(std::memcmp(&pfd, &want, sizeof want), 0);

    EXPECT_EQ(hWnd, fakewin::windowHandle());
    EXPECT_EQ(hDC, fakewin::dcHandle());
    EXPECT_EQ(hRC, fakewin::contextHandle());
    EXPECT_TRUE(fakewin::messageBoxes().empty());
}

TEST_F(Window, ProjectionUsesTheRequestedSizeAfterShowingThenTheSceneIsSetUp)
{
    ASSERT_TRUE(openWindow("t", 640, 480, 32, false));
    const std::vector<std::string> gl = fake::logText(
        {"glViewport", "glMatrixMode", "glLoadIdentity", "gluPerspective", "glClear", "glShadeModel", "SetFocus"});
    const std::vector<std::string> expected = {"SetFocus(8192)",
                                               "glViewport(0, 0, 640, 480)",
                                               "glMatrixMode(5889)",
                                               "glLoadIdentity()",
                                               "gluPerspective(45, 1.33333333, 3, 2500)",
                                               "glMatrixMode(5888)",
                                               "glLoadIdentity()",
                                               "glClear(16640)",
                                               "glShadeModel(7425)"};
    EXPECT_EQ(gl, expected);
    EXPECT_DOUBLE_EQ(lastCall("gluPerspective").args[1], 640.0 / 480.0);
}

TEST_F(Window, FullScreenUsesPopupStylesAndAZeroedDisplayMode)
{
    ASSERT_TRUE(openWindow("t", 800, 600, 16, true));
    EXPECT_EQ(lastCall("ChangeDisplaySettingsA").args[1], 4);
    const DEVMODEA &mode = fakewin::displayMode();
    EXPECT_EQ(mode.dmSize, 156);
    EXPECT_EQ(mode.dmBitsPerPel, 16u);
    EXPECT_EQ(mode.dmPelsWidth, 800u);
    EXPECT_EQ(mode.dmPelsHeight, 600u);
    EXPECT_EQ(mode.dmFields, 0x001C0000u);
    DEVMODEA rest = mode;
    rest.dmSize = 0;
    rest.dmBitsPerPel = rest.dmPelsWidth = rest.dmPelsHeight = rest.dmFields = 0;
    const DEVMODEA zero{};
    EXPECT_EQ(std::memcmp(&rest, &zero, sizeof rest), 0) << "every other byte zero, no refresh rate";

    EXPECT_EQ(lastCall("AdjustWindowRectEx").args[4], double(0x80000000u));
    EXPECT_EQ(lastCall("AdjustWindowRectEx").args[6], double(0x40000));
    EXPECT_EQ(lastCall("CreateWindowExA").args[0], double(0x40000));
    EXPECT_EQ(lastCall("CreateWindowExA").args[1], double(0x86000000u));
    EXPECT_EQ(lastCall("CreateWindowExA").args[2], 0);
    EXPECT_EQ(lastCall("CreateWindowExA").args[3], 0);
    EXPECT_EQ(fakewin::chosenDescriptor().cColorBits, 16);
}

TEST_F(Window, FullScreenRefusedAnsweredYesGoesOnWindowed)
{
    fakewin::script().changeDisplayResult = DISP_CHANGE_BADMODE;
    fakewin::script().messageBoxAnswer = IDYES;
    ASSERT_TRUE(openWindow("t", 800, 600, 32, true));
    ASSERT_EQ(fakewin::messageBoxes().size(), 1u);
    const fakewin::MessageBoxCall &box = fakewin::messageBoxes()[0];
    EXPECT_EQ(box.text,
              "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?");
    EXPECT_EQ(box.caption, "GL");
    EXPECT_EQ(box.type, 0x34u);
    EXPECT_TRUE(box.ownerless);
    EXPECT_EQ(lastCall("CreateWindowExA").args[0], double(0x40100));
    EXPECT_EQ(lastCall("CreateWindowExA").args[1], double(0x06000000));
    EXPECT_EQ(lastCall("CreateWindowExA").args[4], 816) << "requested size, adjusted";
}

TEST_F(Window, FullScreenRefusedAnsweredNoClosesWithoutReleasing)
{
    fakewin::script().changeDisplayResult = DISP_CHANGE_FAILED;
    fakewin::script().messageBoxAnswer = IDNO;
    EXPECT_FALSE(openWindow("t", 800, 600, 32, true));
    ASSERT_EQ(fakewin::messageBoxes().size(), 2u);
    EXPECT_EQ(fakewin::messageBoxes()[1].text, "Program Will Now Close.");
    EXPECT_EQ(fakewin::messageBoxes()[1].caption, "ERROR");
    EXPECT_EQ(fakewin::messageBoxes()[1].type, 0x10u);
    EXPECT_EQ(win32Calls(), (Names{"GetModuleHandleA", "LoadIconA", "LoadCursorA", "RegisterClassA",
                                   "ChangeDisplaySettingsA", "MessageBoxA", "MessageBoxA"}));
}

TEST_F(Window, ClassRegistrationFailureReleasesNothing)
{
    fakewin::script().registerClassResult = 0;
    EXPECT_FALSE(openWindow("t", 512, 512, 32, false));
    EXPECT_EQ(win32Calls(), (Names{"GetModuleHandleA", "LoadIconA", "LoadCursorA", "RegisterClassA", "MessageBoxA"}));
    ASSERT_EQ(fakewin::messageBoxes().size(), 1u);
    EXPECT_EQ(fakewin::messageBoxes()[0].text, "Failed To Register The Window Class.");
    EXPECT_EQ(fakewin::messageBoxes()[0].caption, "ERROR");
    EXPECT_EQ(fakewin::messageBoxes()[0].type, 0x30u);
}

TEST_F(Window, EachFailingStepReleasesEverythingBeforeItsBox)
{
    struct Case {
        const char *step;
        void (*fail)();
        const char *text;
        Names release;
    };
    const Case cases[] = {
        {"CreateWindowExA",
         [] { fakewin::script().createWindowFails = true; },
         "Window Creation Error.",
         {"ChangeDisplaySettingsA", "UnregisterClassA"}},
        {"GetDC",
         [] { fakewin::script().getDcFails = true; },
         "Can't Create A GL Device Context.",
         {"ChangeDisplaySettingsA", "DestroyWindow", "UnregisterClassA"}},
        {"ChoosePixelFormat",
         [] { fakewin::script().choosePixelFormatResult = 0; },
         "Can't Find A Suitable PixelFormat.",
         {"ChangeDisplaySettingsA", "ReleaseDC", "DestroyWindow", "UnregisterClassA"}},
        {"SetPixelFormat",
         [] { fakewin::script().setPixelFormatResult = FALSE; },
         "Can't Set The PixelFormat.",
         {"ChangeDisplaySettingsA", "ReleaseDC", "DestroyWindow", "UnregisterClassA"}},
        {"wglCreateContext",
         [] { fakewin::script().createContextFails = true; },
         "Can't Create A GL Rendering Context.",
         {"ChangeDisplaySettingsA", "ReleaseDC", "DestroyWindow", "UnregisterClassA"}},
        {"wglMakeCurrent",
         [] { fakewin::script().makeCurrentResult = FALSE; },
         "Can't Activate The GL Rendering Context.",
         {"ChangeDisplaySettingsA", "wglMakeCurrent", "wglDeleteContext", "ReleaseDC", "DestroyWindow",
          "UnregisterClassA"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.step);
        resetApp();
        c.fail();
        EXPECT_FALSE(openWindow("t", 512, 512, 32, false));
        EXPECT_EQ(win32Calls(), concat(concat(upTo(c.step), c.release), {"MessageBoxA"}));
        ASSERT_EQ(fakewin::messageBoxes().size(), 1u);
        EXPECT_EQ(fakewin::messageBoxes()[0].text, c.text);
        EXPECT_EQ(fakewin::messageBoxes()[0].caption, "ERROR");
        EXPECT_EQ(fakewin::messageBoxes()[0].type, 0x30u);
        EXPECT_TRUE(fakewin::messageBoxes()[0].ownerless);
        EXPECT_EQ(lastCall("ChangeDisplaySettingsA").args, (std::vector<double>{0, 0}));
        EXPECT_EQ(hWnd, nullptr);
        EXPECT_EQ(hDC, nullptr);
        EXPECT_EQ(hRC, nullptr);
    }
}

TEST_F(Window, ColourBitsComeFromTheFirstCallThatCreatedItsWindow)
{
    fakewin::script().createWindowFails = true;
    EXPECT_FALSE(openWindow("t", 512, 512, 8, false));
    // Only the platform starts afresh: the descriptor is the process's, kept between calls.
    fakewin::reset();
    ASSERT_TRUE(openWindow("t", 512, 512, 24, false));
    EXPECT_EQ(fakewin::chosenDescriptor().cColorBits, 24);
    closeWindow();
    fakewin::reset();
    ASSERT_TRUE(openWindow("t", 512, 512, 16, false));
    EXPECT_EQ(fakewin::chosenDescriptor().cColorBits, 24);
}

TEST_F(Window, CloseReleasesInReverseOrderEvenInWindowedMode)
{
    ASSERT_TRUE(openWindow("t", 512, 512, 32, false));
    const size_t from = fake::log().size();
    closeWindow();
    EXPECT_EQ(fake::logText(from),
              (Names{"ChangeDisplaySettingsA(0, 0)", "wglMakeCurrent(0, 0)", "wglDeleteContext(16384)",
                     "ReleaseDC(8192, 12288)", "DestroyWindow(8192)", "UnregisterClassA(4096, \"Frostel\")"}));
    EXPECT_TRUE(fakewin::messageBoxes().empty());
}

TEST_F(Window, EachFailedReleaseShowsItsBoxAndTearDownGoesOn)
{
    struct Case {
        void (*fail)();
        const char *text;
    };
    const Case cases[] = {
        {[] { fakewin::script().makeNoneCurrentResult = FALSE; }, "Release Of DC And RC Failed."},
        {[] { fakewin::script().deleteContextResult = FALSE; }, "Release Rendering Context Failed."},
        {[] { fakewin::script().releaseDcResult = 0; }, "Release Device Context Failed."},
        {[] { fakewin::script().destroyWindowResult = FALSE; }, "Could Not Release hWnd."},
        {[] { fakewin::script().unregisterClassResult = FALSE; }, "Could Not Unregister Class."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        resetApp();
        ASSERT_TRUE(openWindow("t", 512, 512, 32, false));
        c.fail();
        const size_t from = fake::log().size();
        closeWindow();
        Names names = win32Calls(from);
        names.erase(std::remove(names.begin(), names.end(), "MessageBoxA"), names.end());
        EXPECT_EQ(names, (Names{"ChangeDisplaySettingsA", "wglMakeCurrent", "wglDeleteContext", "ReleaseDC",
                                "DestroyWindow", "UnregisterClassA"}));
        ASSERT_EQ(fakewin::messageBoxes().size(), 1u);
        EXPECT_EQ(fakewin::messageBoxes()[0].text, c.text);
        EXPECT_EQ(fakewin::messageBoxes()[0].caption, "SHUTDOWN ERROR");
        EXPECT_EQ(fakewin::messageBoxes()[0].type, 0x40u);
        EXPECT_TRUE(fakewin::messageBoxes()[0].ownerless);
    }

    // Every release failing: five boxes, in tear-down order.
    resetApp();
    ASSERT_TRUE(openWindow("t", 512, 512, 32, false));
    for (const Case &c : cases) c.fail();
    closeWindow();
    ASSERT_EQ(fakewin::messageBoxes().size(), 5u);
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(fakewin::messageBoxes()[i].text, cases[i].text);
}
