// The message-and-draw loop and runDemo: message semantics, quitting, minimising, exit statuses.
#include "app/demo.h"
#include "app/scene_run.h"
#include "app/window.h"

#include "common/frame_clock.h"
#include "common/random_source.h"
#include "tests/app/app_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

int framesDrawn = 0;
bool frameResult = true;
std::function<void()> duringFrame;

bool countingFrame()
{
    ++framesDrawn;
    if (duringFrame) duringFrame();
    return frameResult;
}

class MainLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetApp();
        framesDrawn = 0;
        frameResult = true;
        duringFrame = nullptr;
        // The loop dispatches to the class procedure the window registered.
        ASSERT_TRUE(openWindow("t", 512, 512, 32, false));
        fake::log().clear();
    }
    void TearDown() override
    {
        fakewin::onPeek() = nullptr;
        duringFrame = nullptr;
    }
    // Ends the loop with a close request once `peeks` polls have happened.
    static void closeAfter(int peeks)
    {
        fakewin::onPeek() = [peeks](int n) {
            if (n == peeks) fakewin::post(WM_CLOSE);
        };
    }
};

}  // namespace

TEST_F(MainLoop, PollsWithoutFilterAndRemoves)
{
    closeAfter(0);
    runMainLoop(countingFrame);
    EXPECT_EQ(lastCall("PeekMessageA").args, (std::vector<double>{0, 0, 0, PM_REMOVE}));
}

TEST_F(MainLoop, EscapeHeldQuitsAfterTheFrame)
{
    fakewin::post(WM_KEYDOWN, VK_ESCAPE);
    runMainLoop(countingFrame);
    EXPECT_EQ(framesDrawn, 1);
    EXPECT_EQ(win32Calls(), (std::vector<std::string>{"PeekMessageA", "TranslateMessage", "DispatchMessageA",
                                                      "PeekMessageA", "SwapBuffers"}));
    EXPECT_EQ(lastCall("SwapBuffers").args[0], handleValue(fakewin::dcHandle()));
}

TEST_F(MainLoop, KeyDownAndUpBackToBackDoNotQuit)
{
    fakewin::post(WM_KEYDOWN, VK_ESCAPE);
    fakewin::post(WM_KEYUP, VK_ESCAPE);
    closeAfter(10);
    runMainLoop(countingFrame);
    EXPECT_GT(framesDrawn, 1) << "the loop went on until the close request";
    EXPECT_EQ(fake::count("PostQuitMessage"), 1u);
}

TEST_F(MainLoop, MessagesWaitingDelayTheFrame)
{
    // A flood: every message is dispatched before the first frame.
    for (int i = 0; i < 100000; ++i) fakewin::post(WM_NULL + 0x400);
    fakewin::post(WM_KEYDOWN, VK_ESCAPE);
    duringFrame = [] { EXPECT_TRUE(fakewin::queue().empty()); };
    runMainLoop(countingFrame);
    EXPECT_EQ(framesDrawn, 1);
    EXPECT_EQ(fake::count("DispatchMessageA"), 100001u);
}

TEST_F(MainLoop, NothingIsDrawnWhileMinimised)
{
    fakewin::post(WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1));
    fakewin::onPeek() = [](int n) {
        if (n == 50) {
            EXPECT_EQ(framesDrawn, 0);
            EXPECT_EQ(fake::count("SwapBuffers"), 0u);
            fakewin::post(WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0));
        }
        if (n == 60) fakewin::post(WM_CLOSE);
    };
    runMainLoop(countingFrame);
    EXPECT_GT(framesDrawn, 0);
    EXPECT_EQ(fake::count("SwapBuffers"), size_t(framesDrawn));
}

TEST_F(MainLoop, AFrameThatMinimisesIsNotPresented)
{
    duringFrame = [] { windowActive = false; };
    closeAfter(5);
    runMainLoop(countingFrame);
    EXPECT_EQ(framesDrawn, 1);
    EXPECT_EQ(fake::count("SwapBuffers"), 0u);
}

TEST_F(MainLoop, AFailedFrameEndsTheLoopUnpresented)
{
    frameResult = false;
    runMainLoop(countingFrame);
    EXPECT_EQ(framesDrawn, 1);
    EXPECT_EQ(fake::count("SwapBuffers"), 0u);
}

TEST_F(MainLoop, CloseRequestEndsThroughQuitBeforeAnyFrame)
{
    fakewin::post(WM_CLOSE);
    runMainLoop(countingFrame);
    EXPECT_EQ(framesDrawn, 0);
    EXPECT_EQ(win32Calls(), (std::vector<std::string>{"PeekMessageA", "TranslateMessage", "DispatchMessageA",
                                                      "PostQuitMessage", "PeekMessageA"}));
    EXPECT_EQ(fake::count("DestroyWindow"), 0u) << "a close request does not destroy the window";
}

namespace {

class Demo : public ::testing::Test {
protected:
    void SetUp() override { resetApp(); }
};

}  // namespace

TEST_F(Demo, NormalRunStartsInOrderTearsDownOnceAndReturnsZero)
{
    fakewin::queueTicks({777, 780});
    fakewin::post(WM_CLOSE);
    EXPECT_EQ(runDemo(), 0);

    EXPECT_EQ(frameClock.lastTick, 777u);
    EXPECT_EQ(frameClock.startTick, 780u);
    const std::vector<std::string> calls = win32Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front(), "GetModuleHandleA");
    const auto play = std::find(calls.begin(), calls.end(), "PlaySoundA");
    ASSERT_NE(play, calls.end());
    EXPECT_EQ(*(play - 1), "SetFocus") << "music starts once the window is open";
    EXPECT_EQ(*(play + 1), "PeekMessageA");
    EXPECT_EQ(lastCall("PlaySoundA").str(), "PlaySoundA(0, 9, \"data/music.wav\")");
    EXPECT_EQ(fake::count("UnregisterClassA"), 1u);
    EXPECT_EQ(fake::count("DestroyWindow"), 1u);
    EXPECT_EQ(calls.back(), "UnregisterClassA");

    // The snowfall is seeded with the first tick reading.
    ASSERT_EQ(snowflakes.size(), 1500u);
    uint32_t state = 777;
    auto next = [&state] {
        state = state * 214013u + 2531011u;
        return int((state >> 16) & 32767u);
    };
    const int z = next() % 200 - 100;
    const int x = next() % 200 - 100;
    EXPECT_EQ(snowflakes[0].z, float(z));
    EXPECT_EQ(snowflakes[0].x, float(x));
    EXPECT_EQ(snowflakes[0].y, float(next() % 300));
}

TEST_F(Demo, EscapeEndsARunWithStatusZero)
{
    fakewin::post(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_EQ(runDemo(), 0);
    EXPECT_EQ(fake::count("SwapBuffers"), 1u);
    EXPECT_EQ(fake::count("UnregisterClassA"), 1u);
}

TEST_F(Demo, FailedWindowReturnsOneWithoutMusicOrSnow)
{
    fakewin::script().getDcFails = true;
    EXPECT_EQ(runDemo(), 1);
    EXPECT_EQ(fake::count("PlaySoundA"), 0u);
    EXPECT_EQ(fake::count("PeekMessageA"), 0u);
    EXPECT_EQ(fake::count("UnregisterClassA"), 1u) << "released once, by openWindow itself";
    EXPECT_TRUE(snowflakes.empty());
}

TEST_F(Demo, UnplayableMusicIsIgnored)
{
    fakewin::script().playSoundResult = FALSE;
    fakewin::post(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_EQ(runDemo(), 0);
    EXPECT_EQ(snowflakes.size(), 1500u);
    EXPECT_TRUE(fakewin::messageBoxes().empty());
}

namespace {

// Frame and message ticks of a paced loop, in the order they happened.
std::vector<std::string> pacedEvents()
{
    std::vector<std::string> out;
    for (const fake::Call &call : fake::log()) {
        if (call.name == "frame") out.push_back("frame " + std::to_string(int(call.args[0])));
        if (call.name == "DispatchMessageA") out.push_back("message " + std::to_string(int(call.args[0])));
        if (call.name == "MsgWaitForMultipleObjects") out.push_back("wait " + std::to_string(int(call.args[1])));
    }
    return out;
}

}  // namespace

TEST_F(MainLoop, PacedFramesComeNoSoonerThanTheirTimeAndMessagesBetweenThemAtOnce)
{
    // 30 frames a second from tick 1000: frame n is due at 1000 + n × 1000 / 30 ms, rounded up.
    fakewin::setTick(1000);
    fakewin::arriveAt(1050, WM_KEYDOWN, 'A');
    duringFrame = [] {
        fake::record("frame", {double(fakewin::tickNow())});
        if (framesDrawn == 5) frameResult = false;
    };
    runMainLoop(countingFrame, 33333);
    EXPECT_EQ(pacedEvents(),
              (std::vector<std::string>{"frame 1000", "wait 34", "frame 1034", "wait 33", "message 256", "wait 17",
                                        "frame 1067", "wait 33", "frame 1100", "wait 34", "frame 1134"}));
    // Every wait is on the message queue alone, for any input.
    EXPECT_EQ(lastCall("MsgWaitForMultipleObjects").args, (std::vector<double>{0, 34, QS_ALLINPUT}));
}

TEST_F(MainLoop, APacedLoopBehindByAWholeFrameCountsAfreshAndAnUnpacedOneNeverWaits)
{
    // The second frame takes 250 ms (a slow machine, a suspend): the third follows at once, then the pace resumes
    // from there instead of drawing the missed frames back to back.
    fakewin::setTick(0);
    duringFrame = [] {
        fake::record("frame", {double(fakewin::tickNow())});
        if (framesDrawn == 2) fakewin::setTick(fakewin::tickNow() + 250);
        if (framesDrawn == 4) frameResult = false;
    };
    runMainLoop(countingFrame, 100000);
    EXPECT_EQ(pacedEvents(),
              (std::vector<std::string>{"frame 0", "wait 100", "frame 100", "frame 350", "wait 100", "frame 450"}));

    fake::log().clear();
    framesDrawn = 0;
    frameResult = true;
    closeAfter(3);
    runMainLoop(countingFrame);
    EXPECT_EQ(fake::count("MsgWaitForMultipleObjects"), 0u);
    EXPECT_EQ(fake::count("GetTickCount"), 0u);
}

TEST_F(MainLoop, TheSceneMovesAlikeAtTenThirtyAndSixtyFramesASecond)
{
    // After 3 s at any pace, a flake that started above 100 has fallen 100 units (1 per 30 ms), and each of its
    // angles has turned 30 000 degrees (10 per ms), which is 120 past whole turns.
    for (const unsigned period : {1000000u / 10, 1000000u / 30, 1000000u / 60}) {
        resetApp();
        fakewin::setTick(5000);
        ASSERT_TRUE(openWindow("t", 512, 512, 32, false));
        frameClock.lastTick = frameClock.startTick = 5000;
        seedRandom(5000);
        fillSnowfall(200);
        std::vector<float> startHeights;
        for (const Snowflake &flake : snowflakes) startHeights.push_back(flake.y);
        static bool (*const untilThreeSeconds)() = [] { return drawScene() && fakewin::tickNow() < 8000; };
        runMainLoop(untilThreeSeconds, period);
        ASSERT_EQ(fakewin::tickNow(), 8000u) << period;
        // The frame at 8000 measured the last step; one more frame at the same tick applies it.
        ASSERT_TRUE(drawScene());
        int compared = 0;
        for (size_t i = 0; i < snowflakes.size(); ++i) {
            if (startHeights[i] < 101.0f) continue;
            ++compared;
            EXPECT_NEAR(snowflakes[i].y, startHeights[i] - 100.0f, 0.01f) << period << " flake " << i;
            EXPECT_NEAR(snowflakes[i].rotX, 120.0f, 0.5f) << period << " flake " << i;
            EXPECT_NEAR(snowflakes[i].rotZ, 120.0f, 0.5f) << period << " flake " << i;
        }
        EXPECT_GT(compared, 100) << period;
    }
}
