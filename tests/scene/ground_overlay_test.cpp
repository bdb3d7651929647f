// Ground and overlay: their exact calls, the billboard matrix, and the matrix left as found.
#include "tests/scene/scene_test_support.h"

#include "scene/ground_overlay.h"
#include "tests/fakes/call_log.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>

#include <string>
#include <vector>

namespace {

class GroundOverlay : public ::testing::Test {
protected:
    void SetUp() override { resetScene(); }
};

}  // namespace

TEST_F(GroundOverlay, GroundIsOneTiledSquareAndLeavesTheMatrix)
{
    glRotatef(33.0f, 0.0f, 1.0f, 0.0f);
    const fakegl::Matrix before = fakegl::modelview();
    fake::log().clear();
    drawGround();
    EXPECT_EQ(fake::logText(),
              (std::vector<std::string>{"glBindTexture(3553, 0)", "glBegin(7)", "glTexCoord2f(-2, -2)",
                                        "glVertex3i(-100, 0, -100)", "glTexCoord2f(2, -2)", "glVertex3i(100, 0, -100)",
                                        "glTexCoord2f(2, 2)", "glVertex3i(100, 0, 100)", "glTexCoord2f(-2, 2)",
                                        "glVertex3i(-100, 0, 100)", "glEnd()"}));
    EXPECT_EQ(fakegl::modelview(), before);
}

TEST_F(GroundOverlay, OverlayIsABillboardAtTheAnchorAndRestoresTheMatrix)
{
    // A camera with an unusual bottom row, to see that row kept.
    fakegl::Matrix camera = fakegl::multiply(fakegl::rotation(-30.0f, 1, 0, 0), fakegl::translation(-5, -7, -9));
    camera[3] = 0.125f;
    camera[7] = -0.25f;
    camera[11] = 0.5f;
    camera[15] = 2.0f;
    glLoadMatrixf(camera.data());
    fake::log().clear();

    drawOverlay();

    const std::vector<std::string> calls = fake::logText();
    ASSERT_EQ(calls.size(), 16u);
    EXPECT_EQ(calls[0], "glPushMatrix()");
    EXPECT_EQ(calls[1], "glTranslatef(162.5, 259, 162.5)");
    EXPECT_EQ(calls[2], "glGetFloatv(2982)");
    EXPECT_EQ(fake::log()[3].name, "glLoadMatrixf");
    EXPECT_EQ(std::vector<std::string>(calls.begin() + 4, calls.end()),
              (std::vector<std::string>{"glBindTexture(3553, 0)", "glBegin(7)", "glTexCoord2f(0, 0)",
                                        "glVertex3i(-10, -10, 0)", "glTexCoord2f(1, 0)", "glVertex3i(10, -10, 0)",
                                        "glTexCoord2f(1, 1)", "glVertex3i(10, 10, 0)", "glTexCoord2f(0, 1)",
                                        "glVertex3i(-10, 10, 0)", "glEnd()", "glPopMatrix()"}));

    // Translation column: where the camera takes the anchor; the rotation block: identity.
    const auto anchor = fakegl::transform(camera, 162.5, 259, 162.5);
    const std::vector<double> &m = fake::log()[3].args;
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r) EXPECT_EQ(m[size_t(4 * c + r)], c == r ? 1.0 : 0.0);
    EXPECT_NEAR(m[12], anchor[0], 1e-3);
    EXPECT_NEAR(m[13], anchor[1], 1e-3);
    EXPECT_NEAR(m[14], anchor[2], 1e-3);
    EXPECT_EQ(m[3], 0.125);
    EXPECT_EQ(m[7], -0.25);
    EXPECT_EQ(m[11], 0.5);
    EXPECT_NEAR(m[15], anchor[3], 1e-4);

    EXPECT_EQ(fakegl::modelview(), camera);
    EXPECT_EQ(fakegl::modelviewDepth(), 1u);
}

TEST_F(GroundOverlay, OverlayCoversTheSquareViewFromTheSceneCamera)
{
    // Project the corners through the scene's camera and a 45-degree square projection.
    gluLookAt(175, 275, 175, 0, 50, 0, 0, 1, 0);
    fake::log().clear();
    drawOverlay();
    const std::vector<double> &m = fake::log()[3].args;
    const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
    for (int sx : {-10, 10})
        for (int sy : {-10, 10}) {
            const double ex = m[12] + sx, ey = m[13] + sy, ez = m[14];
            const double ndcX = f * ex / -ez, ndcY = f * ey / -ez;
            EXPECT_GT(std::fabs(ndcX), 1.0) << "reaches past the left and right edges";
            EXPECT_GT(std::fabs(ndcY), 1.0) << "reaches past the top and bottom edges";
            EXPECT_NEAR(std::fabs(ndcX), 1.0125, 5e-4);
        }
    EXPECT_NEAR(m[14], -23.843, 1e-3);
}
