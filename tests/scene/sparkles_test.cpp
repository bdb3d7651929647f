// Sparkles: the spawn draws, direction scaling from dx alone, flight and recycling, drawing, spawn window.
#include "tests/scene/scene_test_support.h"

#include "scene/scene.h"
#include "tests/fakes/call_log.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

const float unit = 3.0518509e-05f;  // 1 / 32767 in single precision

class Sparkles : public ::testing::Test {
protected:
    void SetUp() override { resetScene(); }
};

double speed(const Sparkle &s)
{
    return std::sqrt(double(s.dirX) * s.dirX + double(s.dirY) * s.dirY + double(s.dirZ) * s.dirZ);
}

}  // namespace

TEST_F(Sparkles, SpawnDrawsLifeThenDzDyDx)
{
    seedRandom(2024);
    ReferenceRandom ref{2024};
    for (int i = 0; i < 20; ++i) spawnSparkle();
    ASSERT_EQ(sparkles.size(), 20u);
    for (const Sparkle &s : sparkles) {
        const int life = ref.next() % 350;
        const double dz = ref.next() * double(unit) - 0.5;
        const double dy = ref.next() * double(unit) - 0.5;
        const double dx = ref.next() * double(unit) - 0.5;
        EXPECT_EQ(s.life, float(life));
        EXPECT_EQ(s.x, 0.0f);
        EXPECT_EQ(s.y, 150.0f);
        EXPECT_EQ(s.z, 0.0f);
        // Scaled by 1 / sqrt(3 dx^2): the x speed is always 1 / sqrt(3).
        const double k = 1.0 / std::sqrt(3.0 * dx * dx);
        EXPECT_NEAR(s.dirX, dx * k, 1e-6);
        EXPECT_NEAR(s.dirY, dy * k, 1e-5 * std::fabs(dy * k) + 1e-6);
        EXPECT_NEAR(s.dirZ, dz * k, 1e-5 * std::fabs(dz * k) + 1e-6);
        EXPECT_NEAR(std::fabs(s.dirX), 1.0 / std::sqrt(3.0), 1e-6);
    }
}

TEST_F(Sparkles, SpeedFollowsFromDxAlone)
{
    // Equal magnitudes: speed 1. dx dominant: 1 / sqrt(3).
    EXPECT_NEAR(speed(Sparkle(0.25f, -0.25f, 0.25f, 1)), 1.0, 1e-6);
    EXPECT_NEAR(speed(Sparkle(-0.5f, 0.0f, 0.0f, 1)), 1.0 / std::sqrt(3.0), 1e-6);

    // The smallest |dx| the random source can give, about 1.5e-05, on either side of zero.
    for (int r : {16383, 16384}) {
        const float dx = float(r) * unit - 0.5f;
        ASSERT_NE(dx, 0.0f);
        EXPECT_LT(std::fabs(dx), 2e-5f);
        const Sparkle s(dx, 0.5f, -0.5f, 3);
        ASSERT_TRUE(std::isfinite(s.dirY));
        const double expected = std::sqrt(double(dx) * dx + 0.5) / (std::sqrt(3.0) * std::fabs(double(dx)));
        EXPECT_NEAR(speed(s), expected, expected * 1e-5);
        EXPECT_GT(speed(s), 26000.0);
        EXPECT_LT(speed(s), 27000.0);
        EXPECT_EQ(s.dirX > 0, dx > 0);
    }
}

TEST_F(Sparkles, FliesStraightPer30MsAndReturnsWhenLifeRunsOut)
{
    Sparkle s(0.25f, 0.25f, -0.25f, 2);
    const float d = float(1.0 / std::sqrt(3.0));
    s.update(30.0f);
    EXPECT_NEAR(s.x, d, 1e-5);
    EXPECT_NEAR(s.y, 150.0f + d, 1e-4);
    EXPECT_NEAR(s.z, -d, 1e-5);
    EXPECT_NEAR(s.life, 1.0f, 1e-5);
    s.update(15.0f);
    EXPECT_NEAR(s.x, 1.5f * d, 1e-5);
    EXPECT_NEAR(s.life, 0.5f, 1e-5);

    s.update(30.0f);  // life below 0: back to the emission point with a full life
    EXPECT_EQ(s.x, 0.0f);
    EXPECT_EQ(s.y, 150.0f);
    EXPECT_EQ(s.z, 0.0f);
    EXPECT_EQ(s.life, 350.0f);
    EXPECT_NEAR(s.dirX, d, 1e-6) << "the direction never changes";

    s.update(0.0f);
    EXPECT_EQ(s.y, 150.0f);
    EXPECT_EQ(s.life, 350.0f);
}

TEST_F(Sparkles, LifeZeroRecyclesOnTheFirstUpdateThatMoves)
{
    Sparkle s(0.3f, 0.3f, 0.3f, 0);
    s.update(0.0f);
    EXPECT_EQ(s.life, 0.0f);
    EXPECT_EQ(s.y, 150.0f);
    s.update(1.0f);
    EXPECT_EQ(s.life, 350.0f);
    EXPECT_EQ(s.x, 0.0f);
    EXPECT_EQ(s.y, 150.0f);
}

TEST_F(Sparkles, EmptyListOnlySetsUpTheFrameAndBinds)
{
    drawSparkles();
    EXPECT_EQ(fake::logText(), (std::vector<std::string>{"glPushMatrix()", "glTranslatef(0, -50, 0)",
                                                         "glBindTexture(3553, 0)", "glPopMatrix()"}));
}

TEST_F(Sparkles, EveryThirdTurnsByTheWorldAngleReadAtThatMoment)
{
    for (int i = 0; i < 5; ++i) sparkles.push_back(Sparkle(0.2f, 0.1f * float(i), 0.0f, 100));
    frameClock.startTick = 1000;
    frameClock.frameMs = 30.0f;
    // Index 0 and index 3 each read the clock once, a different moment each.
    fakewin::queueTicks({1000 + 15 * 10, 1000 + 15 * 370 + 7});
    drawSparkles();

    std::vector<std::string> expected = {"glPushMatrix()", "glTranslatef(0, -50, 0)", "glBindTexture(3553, 0)"};
    const float d = float(1.0 / std::sqrt(3.0));
    for (int i = 0; i < 5; ++i) {
        const Sparkle &s = sparkles[size_t(i)];
        EXPECT_NEAR(s.x, d, 1e-5) << "updated before drawing";
        if (i == 0) {
            expected.push_back("glPushMatrix()");
            expected.push_back("GetTickCount(1150)");
            expected.push_back("glRotatef(10, 0, 1, 0)");
        }
        if (i == 3) {
            expected.push_back("glPushMatrix()");
            expected.push_back("GetTickCount(6557)");
            expected.push_back("glRotatef(10, 0, 1, 0)");  // 370 whole degrees: one turn and 10
        }
        expected.push_back("glPushMatrix()");
        expected.push_back("glTranslatef(" + fake::number(s.x, true) + ", " + fake::number(s.y, true) + ", " +
                           fake::number(s.z, true) + ")");
        expected.insert(expected.end(),
                        {"glBegin(7)", "glTexCoord2f(0, 0)", "glVertex3i(-3, 0, -3)", "glTexCoord2f(1, 0)",
                         "glVertex3i(3, 0, -3)", "glTexCoord2f(1, 1)", "glVertex3i(3, 0, 3)", "glTexCoord2f(0, 1)",
                         "glVertex3i(-3, 0, 3)", "glEnd()", "glPopMatrix()"});
        if (i % 3 == 0) expected.push_back("glPopMatrix()");
    }
    expected.push_back("glPopMatrix()");
    EXPECT_EQ(fake::logText(), expected);
    EXPECT_EQ(fakegl::modelviewDepth(), 1u);
}

TEST_F(Sparkles, SpawnWindowAcrossSecondsOfFrames)
{
    treeModel = nullptr;
    seedRandom(5);
    const uint32_t start = 0xFFFFF000u;  // the run crosses the counter's wrap
    frameClock.startTick = frameClock.lastTick = start;
    size_t expected = 0;
    // Frames of 3 ms, then a stretch of 7 ms frames: each frame whose reading falls in the first
    // 5 ms of a second since start adds exactly one sparkle.
    uint32_t t = start;
    for (int frame = 0; frame < 4000; ++frame) {
        t += frame < 2000 ? 3u : 7u;
        fakewin::setTick(t);
        drawScene();
        if ((t - start) % 1000u < 5u) ++expected;
        ASSERT_EQ(sparkles.size(), expected) << "frame " << frame;
    }
    EXPECT_GT(expected, 10u);
}
