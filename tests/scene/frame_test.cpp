// Scene set-up and the frame: the exact call sequence, clock readings, spawn rule and frame time.
#include "tests/scene/scene_test_support.h"

#include "assets/mesh_model.h"
#include "scene/scene.h"
#include "tests/fakes/call_log.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

void append(Lines &to, const Lines &more) { to.insert(to.end(), more.begin(), more.end()); }

// A textured quad as texture coordinate / integer vertex pairs.
Lines quad(const std::vector<std::array<int, 5>> &corners)
{
    Lines out{"glBegin(7)"};
    for (const auto &c : corners) {
        out.push_back("glTexCoord2f(" + std::to_string(c[0]) + ", " + std::to_string(c[1]) + ")");
        out.push_back("glVertex3i(" + std::to_string(c[2]) + ", " + std::to_string(c[3]) + ", " + std::to_string(c[4]) +
                      ")");
    }
    out.push_back("glEnd()");
    return out;
}

const Lines groundCalls = [] {
    Lines out{"glBindTexture(3553, 0)"};
    append(out, quad({{-2, -2, -100, 0, -100}, {2, -2, 100, 0, -100}, {2, 2, 100, 0, 100}, {-2, 2, -100, 0, 100}}));
    return out;
}();

Lines overlayCalls()
{
    Lines out{"glPushMatrix()", "glTranslatef(162.5, 259, 162.5)", "glGetFloatv(2982)", "glLoadMatrixf",
              "glBindTexture(3553, 0)"};
    append(out, quad({{0, 0, -10, -10, 0}, {1, 0, 10, -10, 0}, {1, 1, 10, 10, 0}, {0, 1, -10, 10, 0}}));
    out.push_back("glPopMatrix()");
    return out;
}

// Log lines, with glLoadMatrixf's sixteen arguments left out (checked numerically instead).
Lines frameLog()
{
    Lines out;
    for (const fake::Call &c : fake::log()) out.push_back(c.name == "glLoadMatrixf" ? c.name : c.str());
    return out;
}

class Frame : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetScene();
        treeModel = new Ms3dModel;  // empty: no file was loaded
    }
    void TearDown() override
    {
        delete treeModel;
        treeModel = nullptr;
    }
};

}  // namespace

TEST_F(Frame, InitSceneSetsTheFixedStateInOrder)
{
    delete treeModel;
    treeModel = nullptr;
    ASSERT_TRUE(initScene());
    const Lines expected = {
        "glShadeModel(7425)", "glClearColor(0, 0, 0, 1)", "glClearDepth(1)",       "glEnable(2929)",
        "glDepthFunc(515)",   "glHint(3152, 4354)",       "glBlendFunc(770, 771)", "glEnable(3042)",
        "glEnable(3553)",     "glCullFace(1029)",         "glAlphaFunc(516, 0.1)",
    };
    EXPECT_EQ(fake::logText(), expected);
    ASSERT_NE(treeModel, nullptr);
    EXPECT_EQ(treeModel->meshCount, 0) << "no data/tree.ms3d here: the model stays empty";
    EXPECT_FALSE(fakegl::enabled(GL_ALPHA_TEST));
    EXPECT_FALSE(fakegl::enabled(GL_CULL_FACE));
}

TEST_F(Frame, FirstFrameCallByCall)
{
    frameClock.startTick = frameClock.lastTick = 50000;
    snowflakes.push_back(Snowflake(-7.0f, 8.0f));
    snowflakes[0].y = 120.0f;
    // World angle, spawn rule, frame time, last tick.
    fakewin::queueTicks({50000 + 15 * 37 + 9, 50000 + 1500, 50000 + 1510, 50000 + 1512});

    ASSERT_TRUE(drawScene());

    Lines expected = {"glClear(256)",           "glLoadIdentity()",
                      "glEnable(3008)",         "gluLookAt(175, 275, 175, 0, 50, 0, 0, 1, 0)",
                      "glPushMatrix()",         "GetTickCount(50564)",
                      "glRotatef(37, 0, 1, 0)", "glTranslatef(0, -50, 0)"};
    append(expected, groundCalls);
    append(expected, {"glBindTexture(3553, 0)", "glPushMatrix()", "glTranslatef(-7, 120, 8)", "glRotatef(0, 1, 0, 0)",
                      "glRotatef(0, 0, 1, 0)", "glRotatef(0, 0, 0, 1)"});
    append(expected, quad({{-1, -1, -1, 0, -1}, {1, -1, 1, 0, -1}, {1, 1, 1, 0, 1}, {-1, 1, -1, 0, 1}}));
    append(expected, {"glPopMatrix()"});
    // The empty tree only asks for and restores the texturing state.
    append(expected, {"glIsEnabled(3553)", "glDisable(3553)"});
    append(expected, {"glPopMatrix()", "glDisable(3008)"});
    append(expected, {"glPushMatrix()", "glTranslatef(0, -50, 0)", "glBindTexture(3553, 0)", "glPopMatrix()"});
    append(expected, overlayCalls());
    append(expected, {"GetTickCount(51500)", "GetTickCount(51510)", "GetTickCount(51512)"});
    EXPECT_EQ(frameLog(), expected);

    EXPECT_EQ(snowflakes[0].y, 120.0f) << "the first frame moves nothing";
    EXPECT_EQ(frameClock.frameMs, 1510.0f);
    EXPECT_EQ(frameClock.lastTick, 51512u);
    EXPECT_EQ(fakegl::modelviewDepth(), 1u);
}

TEST_F(Frame, OverlayMatrixKeepsOnlyTheAnchorsEyePosition)
{
    fakewin::setTick(0);
    drawScene();
    const fake::Call *load = nullptr;
    for (const fake::Call &c : fake::log())
        if (c.name == "glLoadMatrixf") load = &c;
    ASSERT_NE(load, nullptr);

    // Eye-space position of (162.5, 259, 162.5) seen from (175, 275, 175) looking at (0, 50, 0).
    const double e[3] = {175, 275, 175}, p[3] = {162.5, 259, 162.5};
    double f[3] = {-175, -225, -175};
    const double fl = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    for (double &v : f) v /= fl;
    double s[3] = {-f[2], 0, f[0]};  // f x (0, 1, 0)
    const double sl = std::sqrt(s[0] * s[0] + s[2] * s[2]);
    for (double &v : s) v /= sl;
    const double u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]};
    double d[3];
    for (int i = 0; i < 3; ++i) d[i] = p[i] - e[i];
    const double eye[3] = {s[0] * d[0] + s[1] * d[1] + s[2] * d[2], u[0] * d[0] + u[1] * d[1] + u[2] * d[2],
                           -(f[0] * d[0] + f[1] * d[1] + f[2] * d[2])};
    EXPECT_NEAR(eye[2], -23.843, 1e-3);

    const std::vector<double> &m = load->args;
    ASSERT_EQ(m.size(), 16u);
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 4; ++r) EXPECT_EQ(m[4 * c + r], c == r ? 1.0 : 0.0) << c << "," << r;
    for (int r = 0; r < 3; ++r) EXPECT_NEAR(m[12 + r], eye[r], 1e-3);
    EXPECT_EQ(m[15], 1.0);
}

TEST_F(Frame, SpawnRuleFiresOnlyInTheFirst5MsOfEachSecond)
{
    struct Case {
        uint32_t start;
        uint32_t spawnReading;
        bool spawns;
    };
    const Case cases[] = {
        {1000, 1000, true},
        {1000, 2004, true},
        {1000, 2005, false},
        {1000, 1999, false},
        {1000, 5000, true},
        {0xFFFFFFF0u, 0xFFFFFFF0u + 1002u, true},
        {0xFFFFFFF0u, 0x00000010u, false},
    };
    for (const Case &c : cases) {
        resetScene();
        seedRandom(321);
        ReferenceRandom ref{321};
        frameClock.startTick = frameClock.lastTick = c.start;
        fakewin::queueTicks({c.start, c.spawnReading, c.start, c.start});
        drawScene();
        ASSERT_EQ(sparkles.size(), c.spawns ? 1u : 0u) << c.spawnReading;
        if (c.spawns) {
            const int life = ref.next() % 350;
            EXPECT_EQ(sparkles[0].life, float(life));
            EXPECT_EQ(sparkles[0].y, 150.0f);
        }
    }
}

TEST_F(Frame, FrameTimeIsTheUnsignedDifferenceAndMovesTheNextFrame)
{
    frameClock.startTick = 0;
    frameClock.lastTick = 0xFFFFFFF6u;  // ten ticks before the wrap
    snowflakes.push_back(Snowflake(0.0f, 0.0f));
    snowflakes[0].y = 100.0f;
    fakewin::queueTicks({7, 7, 50, 52});
    drawScene();
    EXPECT_EQ(frameClock.frameMs, 60.0f);
    EXPECT_EQ(frameClock.lastTick, 52u);
    EXPECT_EQ(snowflakes[0].y, 100.0f);

    fakewin::queueTicks({60, 60, 0x80000000u + 52u, 0x80000000u + 53u});
    drawScene();
    EXPECT_NEAR(snowflakes[0].y, 98.0f, 1e-4) << "moved by the 60 ms measured in the frame before";
    EXPECT_EQ(snowflakes[0].rotX, 240.0f);
    EXPECT_EQ(frameClock.frameMs, 2147483648.0f) << "2^31 and above stay positive";
}

TEST_F(Frame, WorldTurnIsReducedSoLongRunsDoNotStutter)
{
    frameClock.startTick = 100;
    const uint32_t seventyHours = 70u * 3600u * 1000u;
    fakewin::queueTicks({100 + seventyHours + 15, 0, 0, 0});
    drawScene();
    const double expected = std::fmod(double(seventyHours / 15 + 1), 360.0);
    EXPECT_EQ(fake::logText({"glRotatef"})[0], "glRotatef(" + fake::number(expected, true) + ", 0, 1, 0)");
}
