// Snowfall: creation order of the random draws, motion over frames, angle reduction, drawing.
#include "tests/scene/scene_test_support.h"

#include "tests/fakes/call_log.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace {

// The reduction as a plain loop: the reference for every value it handles quickly.
float loopReduce(float a)
{
    if (a > 360.0f)
        while (a > 360.0f) a -= 360.0f;
    return a;
}

class Snowfall : public ::testing::Test {
protected:
    void SetUp() override { resetScene(); }
};

}  // namespace

TEST_F(Snowfall, CreationDrawsZThenXThenY)
{
    seedRandom(4242);
    ReferenceRandom ref{4242};
    fillSnowfall(50);
    ASSERT_EQ(snowflakes.size(), 50u);
    for (const Snowflake &s : snowflakes) {
        const int z = ref.next() % 200 - 100;
        const int x = ref.next() % 200 - 100;
        const int y = ref.next() % 300;
        EXPECT_EQ(s.z, float(z));
        EXPECT_EQ(s.x, float(x));
        EXPECT_EQ(s.y, float(y));
        EXPECT_EQ(s.rotX, 0.0f);
        EXPECT_EQ(s.rotY, 0.0f);
        EXPECT_EQ(s.rotZ, 0.0f);
    }
}

TEST_F(Snowfall, ColumnCoversMinus100To99)
{
    seedRandom(1);
    fillSnowfall(20000);
    std::set<float> xs, zs;
    for (const Snowflake &s : snowflakes) {
        xs.insert(s.x);
        zs.insert(s.z);
        ASSERT_GE(s.y, 0.0f);
        ASSERT_LE(s.y, 299.0f);
    }
    EXPECT_EQ(xs.size(), 200u);
    EXPECT_EQ(zs.size(), 200u);
    EXPECT_EQ(*xs.begin(), -100.0f);
    EXPECT_EQ(*xs.rbegin(), 99.0f);
}

TEST_F(Snowfall, FallsOneUnitPer30MsAndSpinsTenDegreesPerMs)
{
    seedRandom(7);
    Snowflake s(3.0f, -4.0f);
    s.y = 200.0f;
    const uint32_t stateBefore = randomSource.state;

    s.update(0.0f);
    EXPECT_EQ(s.y, 200.0f);
    EXPECT_EQ(s.rotX, 0.0f);

    s.update(30.0f);
    EXPECT_NEAR(s.y, 199.0f, 1e-4);
    EXPECT_EQ(s.rotX, 300.0f);
    EXPECT_EQ(s.rotY, 300.0f);
    EXPECT_EQ(s.rotZ, 300.0f);

    s.update(30.0f);  // 600 degrees come back to 240
    EXPECT_NEAR(s.y, 198.0f, 1e-4);
    EXPECT_EQ(s.rotX, 240.0f);

    s.update(12.0f);  // 240 + 120 is exactly 360 and stays there
    EXPECT_EQ(s.rotZ, 360.0f);
    EXPECT_EQ(s.x, 3.0f);
    EXPECT_EQ(s.z, -4.0f);
    EXPECT_EQ(randomSource.state, stateBefore) << "no random draw while above the ground";
}

TEST_F(Snowfall, BelowTheGroundReentersAtARandomHeightInTheSameUpdate)
{
    seedRandom(99);
    Snowflake s(0.0f, 0.0f);
    ReferenceRandom ref{randomSource.state};
    s.y = 0.5f;
    s.update(30.0f);
    EXPECT_EQ(s.y, float(ref.next() % 300));

    // Hours of frame time in one step: still re-seeded, never left below the ground.
    s.update(3.6e6f * 5);
    EXPECT_EQ(s.y, float(ref.next() % 300));
    EXPECT_GT(s.rotX, 0.0f);
    EXPECT_LE(s.rotX, 360.0f);
}

TEST_F(Snowfall, AngleReductionMatchesTheLoopAndHandlesHugeSteps)
{
    EXPECT_EQ(reduceAngle(360.0f), 360.0f);
    EXPECT_EQ(reduceAngle(360.5f), 0.5f);
    EXPECT_EQ(reduceAngle(1080.5f), 0.5f);
    EXPECT_EQ(reduceAngle(720.0f), 360.0f);
    EXPECT_EQ(reduceAngle(12.0f), 12.0f);

    // Every value the loop finishes quickly: angles up to 360 plus any spin of a plausible frame.
    for (float angle = 0.0f; angle <= 360.0f; angle += 10.0f)
        for (float spin : {1.0f, 10.0f, 370.0f, 3590.0f, 36000.0f, 123450.0f, 1e6f, 3.6e7f}) {
            const float a = angle + spin;
            ASSERT_EQ(reduceAngle(a), loopReduce(a)) << a;
        }
    for (float a = 0.25f; a < 5000.0f; a += 0.75f) ASSERT_EQ(reduceAngle(a), loopReduce(a)) << a;

    // Ten days minimised: the float step exceeds 360, where the loop would never end.
    const float tenDays = 864000000.0f * 10.0f;
    const float r = reduceAngle(350.0f + tenDays);
    EXPECT_TRUE(std::isfinite(r));
    EXPECT_GT(r, 0.0f);
    EXPECT_LE(r, 360.0f);

    Snowflake s(0.0f, 0.0f);
    s.update(864000000.0f);
    EXPECT_GT(s.rotY, 0.0f);
    EXPECT_LE(s.rotY, 360.0f);
}

TEST_F(Snowfall, DrawIsOneTumbledQuadAtItsPosition)
{
    seedRandom(1);
    Snowflake s(-12.0f, 34.0f);
    s.y = 56.5f;
    s.rotX = 10.0f;
    s.rotY = 20.0f;
    s.rotZ = 30.0f;
    fakegl::reset();
    s.draw();
    const std::vector<std::string> expected = {
        "glPushMatrix()",         "glTranslatef(-12, 56.5, 34)", "glRotatef(10, 1, 0, 0)",
        "glRotatef(20, 0, 1, 0)", "glRotatef(30, 0, 0, 1)",      "glBegin(7)",
        "glTexCoord2f(-1, -1)",   "glVertex3i(-1, 0, -1)",       "glTexCoord2f(1, -1)",
        "glVertex3i(1, 0, -1)",   "glTexCoord2f(1, 1)",          "glVertex3i(1, 0, 1)",
        "glTexCoord2f(-1, 1)",    "glVertex3i(-1, 0, 1)",        "glEnd()",
        "glPopMatrix()",
    };
    EXPECT_EQ(fake::logText(), expected);
    EXPECT_EQ(fakegl::modelviewDepth(), 1u);
}
