// Message floods in the middle of a running scene: all dispatched before the next frame, then frames resume.
#include "tests/soak/soak_harness.h"

#include <gtest/gtest.h>

#include <string>

// The plain loop's own flood case (a stub frame) is in tests/app/main_loop_test.cpp; these run the real scene.
namespace {

using namespace soak;

constexpr int floodSize = 100000;
constexpr UINT appMessage = 0x0400;  // the first message number free for applications

struct Size {
    int width, height;
};

// A mix of everything that reaches the window procedure: Escape pressed and released back to back (which must not
// quit), focus changes without minimising, screen-saver requests, resizes (some to zero height), other keys,
// a key code past the key table, and messages the procedure passes on. Returns the last size it posted.
Size postFlood(int count)
{
    Size last{512, 512};
    for (int i = 0; i < count; ++i) {
        switch (i % 10) {
        case 0: fakewin::post(WM_KEYDOWN, VK_ESCAPE); break;
        case 1: fakewin::post(WM_KEYUP, VK_ESCAPE); break;
        case 2: fakewin::post(WM_ACTIVATE, MAKEWPARAM(i % 20 == 2 ? WA_INACTIVE : WA_ACTIVE, 0)); break;
        case 3: fakewin::post(WM_SYSCOMMAND, SC_SCREENSAVE); break;
        case 4:
            last = {1 + i % 1999, (i / 10) % 7 == 0 ? 0 : 1 + i % 1201};
            fakewin::post(WM_SIZE, 0, MAKELPARAM(last.width, last.height));
            break;
        case 5: fakewin::post(appMessage + UINT(i % 1000), WPARAM(i), LPARAM(-i)); break;
        case 6: fakewin::post(WM_KEYDOWN, 'A'); break;
        case 7: fakewin::post(WM_KEYUP, 'A'); break;
        case 8: fakewin::post(WM_KEYDOWN, 0x1234); break;
        default: fakewin::post(WM_NULL); break;
        }
    }
    return last;
}

std::string lastCallText(const char *name)
{
    for (size_t i = fake::log().size(); i-- > 0;)
        if (fake::log()[i].name == name) return fake::log()[i].str();
    return "";
}

class Flood : public ::testing::Test {
protected:
    void TearDown() override { end(); }
};

}  // namespace

TEST_F(Flood, MixedFloodMidRunIsAllDispatchedBeforeTheNextFrameAndFramesResume)
{
    begin(5000, 2, 99);
    Size last{};
    bool flooded = false, checkedAfter = false;
    soakRun().onIdlePoll = [&](SoakState &r) {
        if (r.totals.frames == 25) {
            fakewin::post(WM_CLOSE);
            return;
        }
        if (r.totals.frames == 5 && !flooded) {
            last = postFlood(floodSize);
            flooded = true;
        }
        r.elapsed += 16;
    };
    soakRun().beforeFrame = [&](SoakState &r) {
        if (r.totals.frames != 5) return;
        // The first frame after the flood comes only once the whole flood has been dispatched.
        EXPECT_EQ(r.dispatchedSinceLastFrame, uint64_t(floodSize));
        EXPECT_EQ(fake::count("PostQuitMessage"), 0u) << "the flood holds no close request";
        // The last resize is the one in effect, with a zero height taken as one.
        const int height = last.height == 0 ? 1 : last.height;
        EXPECT_EQ(lastCallText("glViewport"),
                  "glViewport(0, 0, " + std::to_string(last.width) + ", " + std::to_string(height) + ")");
        const fakegl::Matrix &p = fakegl::projection();
        EXPECT_NEAR(double(p[5]) / double(p[0]), double(last.width) / height, 1e-4);
        checkedAfter = true;
    };

    loop();
    EXPECT_TRUE(flooded && checkedAfter);
    EXPECT_EQ(soakRun().totals.frames, 25u) << "frames went on after the flood until the close request";
    EXPECT_FALSE(keyDown[VK_ESCAPE]);
    EXPECT_TRUE(windowActive);
}

TEST_F(Flood, FloodWhileMinimisedEndingInARestoreDrawsOnlyAfterTheLastMessage)
{
    begin(0xFFFFFF00u, 2, 5);
    bool minimised = false, flooded = false;
    uint64_t framesAtFlood = 0;
    soakRun().onIdlePoll = [&](SoakState &r) {
        if (!windowActive) {
            if (!flooded) {
                // Time passes while minimised; the flood arrives, and the restore is its last message.
                r.elapsed += 40000;
                postFlood(floodSize - 1);
                fakewin::post(WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0));
                flooded = true;
                framesAtFlood = r.totals.frames;
            }
            return;
        }
        if (r.totals.frames == framesAtFlood + 10 && flooded) {
            fakewin::post(WM_CLOSE);
            return;
        }
        if (r.totals.frames == 3 && !minimised) {
            fakewin::post(WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1));
            minimised = true;
            return;
        }
        r.elapsed += 20;
    };
    soakRun().beforeFrame = [&](SoakState &r) {
        if (!flooded || r.totals.frames != framesAtFlood) return;
        // The minimise, the flood and the restore, all before this first frame.
        EXPECT_EQ(r.dispatchedSinceLastFrame, uint64_t(floodSize) + 1);
    };

    loop();
    EXPECT_TRUE(flooded);
    EXPECT_EQ(soakRun().totals.frames, 13u);
}
