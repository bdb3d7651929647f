// The browser layer's own GL on the host, over a fake WebGL side: its matrices against the maths written out here,
// what it answers for its state, and how it gathers immediate mode into draws.
#include "platform/web/web_gl.h"
#include "tests/platform/web/fake_web_gl_native.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

using namespace platform::webgl;

namespace {

struct Command {
    int32_t kind;
    int32_t words[7];
    float real(int i) const
    {
        float f;
        std::memcpy(&f, &words[i], sizeof f);
        return f;
    }
};

std::vector<Command> commandsOf(const FakeWebGl::Run &run)
{
    std::vector<Command> out;
    for (size_t i = 0; i + commandWords <= run.commands.size(); i += commandWords) {
        Command c{run.commands[i], {}};
        for (int k = 0; k < 7; ++k) c.words[k] = run.commands[i + 1 + static_cast<size_t>(k)];
        out.push_back(c);
    }
    return out;
}

std::vector<Command> draws(const FakeWebGl::Run &run)
{
    std::vector<Command> out;
    for (const Command &c : commandsOf(run))
        if (c.kind == drawTriangles) out.push_back(c);
    return out;
}

std::vector<Command> ofKind(const FakeWebGl::Run &run, int32_t kind)
{
    std::vector<Command> out;
    for (const Command &c : commandsOf(run))
        if (c.kind == kind) out.push_back(c);
    return out;
}

std::vector<float> modelview()
{
    std::vector<float> m(16);
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

void expectMatrix(const std::vector<float> &got, const std::vector<float> &expected, float tolerance = 1e-5f)
{
    ASSERT_EQ(got.size(), 16u);
    for (size_t i = 0; i < 16; ++i) EXPECT_NEAR(got[i], expected[i], tolerance) << "element " << i;
}

const std::vector<float> identityMatrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

void quad(int x, int y, int z)
{
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3i(x - 1, y, z - 1);
    glTexCoord2f(1, 0);
    glVertex3i(x + 1, y, z - 1);
    glTexCoord2f(1, 1);
    glVertex3i(x + 1, y, z + 1);
    glTexCoord2f(0, 1);
    glVertex3i(x - 1, y, z + 1);
    glEnd();
}

GLuint textureWithImage(int width, int height, GLenum format)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, 9729.0f);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, 9729.0f);
    const size_t channels = format == GL_RGB ? 3 : 4;
    const size_t pitch = (static_cast<size_t>(width) * channels + 3) / 4 * 4;
    std::vector<unsigned char> pixels(pitch * static_cast<size_t>(height), 0x80);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), width, height, 0, format, GL_UNSIGNED_BYTE,
                 pixels.data());
    return name;
}

class WebGl : public ::testing::Test {
protected:
    void SetUp() override
    {
        fakeWebGl = FakeWebGl();
        ContextRequest request;
        request.width = 512;
        request.height = 512;
        ASSERT_TRUE(createContext(request));
        fakeWebGl.uploads.clear();
        fakeWebGl.order.clear();
    }
    void TearDown() override
    {
        destroyContext();
        fakeWebGl = FakeWebGl();
    }

    const FakeWebGl::Run &submitOne()
    {
        const size_t before = fakeWebGl.runs.size();
        submitFrame();
        EXPECT_EQ(fakeWebGl.runs.size(), before + 1);
        return fakeWebGl.runs.back();
    }
};

TEST_F(WebGl, MatricesFollowGlDefinitions)
{
    expectMatrix(modelview(), identityMatrix);

    // Translate then rotate a quarter turn about z: a point (1, 0, 0) goes to (0, 1, 0), then by (5, 6, 7).
    glTranslatef(5, 6, 7);
    glRotatef(90, 0, 0, 2);  // the axis need not be of unit length
    expectMatrix(modelview(), {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1});

    // A rotation about no axis leaves the matrix alone.
    glRotatef(30, 0, 0, 0);
    expectMatrix(modelview(), {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1});

    glPushMatrix();
    glLoadIdentity();
    expectMatrix(modelview(), identityMatrix);
    glPopMatrix();
    expectMatrix(modelview(), {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1});

    // The projection stack is apart: nothing done to it reaches the modelview.
    glMatrixMode(GL_PROJECTION);
    glTranslatef(100, 0, 0);
    glMatrixMode(GL_MODELVIEW);
    expectMatrix(modelview(), {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1});
    std::vector<float> projection(16);
    glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
    expectMatrix(projection, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 100, 0, 0, 1});
}

TEST_F(WebGl, LoadMatrixTakesColumnMajorAndGluMultiplies)
{
    const std::vector<float> loaded = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    glLoadMatrixf(loaded.data());
    expectMatrix(modelview(), loaded);

    // gluPerspective multiplies the current matrix: T(0, 0, -10) x P.
    glLoadIdentity();
    glTranslatef(0, 0, -10);
    gluPerspective(90.0, 2.0, 1.0, 3.0);
    const float f = 1.0f;  // cot(45 degrees)
    const float c = (3.0f + 1.0f) / (1.0f - 3.0f);
    const float d = 2.0f * 3.0f * 1.0f / (1.0f - 3.0f);
    // Column 2 of P is (0, 0, c, -1); T adds -10 times its w row to z.
    expectMatrix(modelview(), {f / 2, 0, 0, 0, 0, f, 0, 0, 0, 0, c + 10.0f, -1, 0, 0, d, 0});
}

TEST_F(WebGl, StacksStopAtTheirDepthAndNeverPopTheLast)
{
    glTranslatef(1, 0, 0);
    for (int i = 0; i < 40; ++i) glPushMatrix();  // 31 fit above the first entry
    glTranslatef(0, 1, 0);
    for (int i = 0; i < 40; ++i) glPopMatrix();
    expectMatrix(modelview(), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 1});
    glPopMatrix();
    expectMatrix(modelview(), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 1});
}

TEST_F(WebGl, AnswersItsOwnState)
{
    // GL starts with dithering on and everything else the system asks about off.
    EXPECT_EQ(glIsEnabled(GL_DITHER), GL_TRUE);
    for (GLenum cap : {GL_DEPTH_TEST, GL_BLEND, GL_TEXTURE_2D, GL_ALPHA_TEST, GL_CULL_FACE, GL_LIGHTING})
        EXPECT_EQ(glIsEnabled(cap), GL_FALSE) << cap;
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_ALPHA_TEST);
    glDisable(GL_ALPHA_TEST);
    EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), GL_TRUE);
    EXPECT_EQ(glIsEnabled(GL_ALPHA_TEST), GL_FALSE);

    float colour[4] = {0, 0, 0, 0};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    for (float channel : colour) EXPECT_EQ(channel, 1.0f);
    glClearColor(2.0f, -1.0f, 0.25f, 1.0f);  // GL clamps to 0 to 1
    glGetFloatv(GL_COLOR_CLEAR_VALUE, colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[1], 0.0f);
    EXPECT_EQ(colour[2], 0.25f);
}

TEST_F(WebGl, VerticesReachWebGlInClipSpace)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90.0, 1.0, 1.0, 3.0);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(0, 0, -2);
    glBegin(GL_TRIANGLES);
    glTexCoord2f(-1.0f, 2.0f);
    glVertex3i(1, 1, 0);
    const float second[3] = {0.5f, -1.0f, 0.0f};
    glVertex3fv(second);
    glVertex3i(0, 0, 1);
    glEnd();
    const FakeWebGl::Run &run = submitOne();
    ASSERT_EQ(run.vertices.size(), 3u * vertexFloats);
    // Eye z -2 with near 1 and far 3: clip z = (-4/-2)(-2) + (-6/-2)... written out: z' = -2z - 3, w = -z.
    const float expected[3][6] = {{1, 1, 1, 2, -1, 2}, {0.5f, -1, 1, 2, -1, 2}, {0, 0, -1, 1, -1, 2}};
    for (int v = 0; v < 3; ++v)
        for (int k = 0; k < 6; ++k)
            EXPECT_NEAR(run.vertices[static_cast<size_t>(v * 6 + k)], expected[v][k], 1e-5f) << v << "," << k;
}

TEST_F(WebGl, QuadsBecomeTwoTrianglesAndUnfinishedOnesNothing)
{
    glBegin(GL_QUADS);
    for (int i = 0; i < 5; ++i) {
        glTexCoord2f(static_cast<float>(i), 0);
        glVertex3i(i, 0, 0);
    }
    glEnd();
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < 4; ++i) glVertex3i(10 + i, 0, 0);
    glEnd();
    const FakeWebGl::Run &run = submitOne();
    const std::vector<Command> d = draws(run);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].words[0], 0);
    EXPECT_EQ(d[0].words[1], 9);
    // Corners 0, 1, 2 and 0, 2, 3 of the quad, then the first triangle; x tells which corner each is.
    const float xs[9] = {0, 1, 2, 0, 2, 3, 10, 11, 12};
    for (int v = 0; v < 9; ++v) EXPECT_EQ(run.vertices[static_cast<size_t>(v * vertexFloats)], xs[v]) << v;
}

TEST_F(WebGl, SnowflakesEachInTheirOwnMatrixMakeOneDraw)
{
    glEnable(GL_TEXTURE_2D);
    const GLuint flake = textureWithImage(8, 8, GL_RGBA);
    glBindTexture(GL_TEXTURE_2D, flake);
    for (int i = 0; i < 1500; ++i) {
        glPushMatrix();
        glTranslatef(static_cast<float>(i), 0, 0);
        glRotatef(static_cast<float>(10 * i), 1, 0, 0);
        glRotatef(static_cast<float>(10 * i), 0, 1, 0);
        quad(0, 0, 0);
        glPopMatrix();
    }
    const FakeWebGl::Run &run = submitOne();
    const std::vector<Command> d = draws(run);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].words[1], 1500 * 6);
    const std::vector<Command> textures = ofKind(run, useTexture);
    ASSERT_EQ(textures.size(), 1u);
    EXPECT_EQ(static_cast<GLuint>(textures[0].words[0]), flake);
    // Flake 7's first corner (-1, 0, -1): turned 70 degrees about y, then about x, then moved by 7 along x.
    const double a = 70.0 * M_PI / 180.0;
    const double x1 = -std::cos(a) - std::sin(a);
    const double z1 = std::sin(a) - std::cos(a);
    const float *corner = &run.vertices[static_cast<size_t>(7 * 6 * vertexFloats)];
    EXPECT_NEAR(corner[0], x1 + 7.0, 1e-4);
    EXPECT_NEAR(corner[1], -z1 * std::sin(a), 1e-4);
    EXPECT_NEAR(corner[2], z1 * std::cos(a), 1e-4);
    EXPECT_NEAR(corner[3], 1.0, 1e-6);
}

TEST_F(WebGl, StateChangesSplitDrawsOnlyWhereTheyChangeSomething)
{
    glEnable(GL_TEXTURE_2D);
    const GLuint a = textureWithImage(4, 4, GL_RGBA);
    const GLuint b = textureWithImage(4, 4, GL_RGB);
    glAlphaFunc(GL_GREATER, 0.1f);
    glBindTexture(GL_TEXTURE_2D, a);
    glEnable(GL_ALPHA_TEST);
    quad(0, 0, 0);
    // Off and on again with nothing drawn between: nothing for WebGL.
    glDisable(GL_ALPHA_TEST);
    glEnable(GL_ALPHA_TEST);
    glBindTexture(GL_TEXTURE_2D, b);
    glBindTexture(GL_TEXTURE_2D, a);
    quad(1, 0, 0);
    glBindTexture(GL_TEXTURE_2D, b);
    quad(2, 0, 0);
    glDisable(GL_ALPHA_TEST);
    quad(3, 0, 0);
    const FakeWebGl::Run &run = submitOne();
    const std::vector<Command> d = draws(run);
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d[0].words[1], 12);
    EXPECT_EQ(d[1].words[1], 6);
    EXPECT_EQ(d[2].words[1], 6);
    const std::vector<Command> textures = ofKind(run, useTexture);
    ASSERT_EQ(textures.size(), 2u);
    EXPECT_EQ(static_cast<GLuint>(textures[0].words[0]), a);
    EXPECT_EQ(static_cast<GLuint>(textures[1].words[0]), b);
    const std::vector<Command> alpha = ofKind(run, setAlphaTest);
    ASSERT_EQ(alpha.size(), 2u);
    EXPECT_EQ(alpha[0].words[0], static_cast<int32_t>(GL_GREATER));
    EXPECT_FLOAT_EQ(alpha[0].real(1), 0.1f);
    EXPECT_EQ(alpha[1].words[0], static_cast<int32_t>(GL_ALWAYS));

    // The next frame sets nothing again that WebGL already has.
    glBindTexture(GL_TEXTURE_2D, b);
    quad(0, 0, 0);
    const FakeWebGl::Run &next = submitOne();
    EXPECT_EQ(commandsOf(next).size(), 1u);
}

TEST_F(WebGl, UntexturedWhereGlWouldNotTexture)
{
    glEnable(GL_TEXTURE_2D);
    const GLuint good = textureWithImage(2, 2, GL_RGBA);
    GLuint noImage = 0;
    glGenTextures(1, &noImage);
    EXPECT_NE(noImage, good);
    GLuint mipmapped = 0;
    glGenTextures(1, &mipmapped);
    glBindTexture(GL_TEXTURE_2D, mipmapped);
    const unsigned char pixel[4] = {1, 2, 3, 4};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixel);  // default min filter
    std::vector<GLuint> expected;
    for (GLuint name : {good, 0u, noImage, mipmapped, good}) {
        glBindTexture(GL_TEXTURE_2D, name);
        quad(0, 0, 0);
        glDisable(GL_TEXTURE_2D);
        quad(0, 0, 0);
        glEnable(GL_TEXTURE_2D);
    }
    const FakeWebGl::Run &run = submitOne();
    std::vector<GLuint> used;
    for (const Command &c : ofKind(run, useTexture)) used.push_back(static_cast<GLuint>(c.words[0]));
    // good, off; then name 0, no image, mipmapped and off all alike untextured; then good again.
    EXPECT_EQ(used, (std::vector<GLuint>{good, 0u, good, 0u}));
}

TEST_F(WebGl, TextureImagesKeepGlsRowAlignmentAndComeAfterEarlierDraws)
{
    glEnable(GL_TEXTURE_2D);
    quad(0, 0, 0);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    // 3 x 2 RGB: rows of 9 bytes padded to 12; the caller's last row ends at its 9th byte.
    std::vector<unsigned char> pixels(12 + 9);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i + 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 3, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    ASSERT_EQ(fakeWebGl.uploads.size(), 1u);
    const FakeWebGl::Upload &upload = fakeWebGl.uploads[0];
    EXPECT_EQ(upload.name, name);
    EXPECT_EQ(upload.format, static_cast<uint32_t>(GL_RGB));
    ASSERT_EQ(upload.bytes.size(), 24u);
    for (size_t i = 0; i < 21; ++i) EXPECT_EQ(upload.bytes[i], i + 1) << i;
    // The quad drawn before the image was run before it went to WebGL.
    ASSERT_GE(fakeWebGl.order.size(), 2u);
    EXPECT_EQ(fakeWebGl.order[0], "run");
    EXPECT_EQ(fakeWebGl.order[1], "image");
    // A later filter change reaches WebGL with GL's default repeat wrap.
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, 9729.0f);
    ASSERT_FALSE(fakeWebGl.filters.empty());
    EXPECT_EQ(fakeWebGl.filters.back().minFilter, static_cast<uint32_t>(GL_LINEAR));
    EXPECT_EQ(fakeWebGl.filters.back().wrapS, static_cast<uint32_t>(GL_REPEAT));
    EXPECT_EQ(fakeWebGl.filters.back().wrapT, static_cast<uint32_t>(GL_REPEAT));
}

TEST_F(WebGl, ViewportScalesCssPixelsToTheBuffer)
{
    // The first viewport is the window, in the buffer's pixels.
    quad(0, 0, 0);
    std::vector<Command> viewports = ofKind(submitOne(), setViewport);
    ASSERT_EQ(viewports.size(), 1u);
    EXPECT_EQ(viewports[0].words[2], 512);

    fakeWebGl.scaleAcross = 2.0;
    fakeWebGl.scaleDown = 1.5;
    glViewport(10, 20, 300, 200);
    quad(0, 0, 0);
    viewports = ofKind(submitOne(), setViewport);
    ASSERT_EQ(viewports.size(), 1u);
    EXPECT_EQ(viewports[0].words[0], 20);
    EXPECT_EQ(viewports[0].words[1], 30);
    EXPECT_EQ(viewports[0].words[2], 600);
    EXPECT_EQ(viewports[0].words[3], 300);
}

TEST_F(WebGl, ClearCarriesTheClearValuesOfItsMoment)
{
    glClearColor(0.5f, 0.25f, 0.0f, 1.0f);
    glClearDepth(0.75);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    glClear(GL_DEPTH_BUFFER_BIT);
    const std::vector<Command> clears = ofKind(submitOne(), clearBuffers);
    ASSERT_EQ(clears.size(), 2u);
    EXPECT_EQ(clears[0].words[0], static_cast<int32_t>(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
    EXPECT_EQ(clears[0].real(1), 0.5f);
    EXPECT_EQ(clears[0].real(2), 0.25f);
    EXPECT_EQ(clears[0].real(5), 0.75f);
    EXPECT_EQ(clears[1].words[0], static_cast<int32_t>(GL_DEPTH_BUFFER_BIT));
    EXPECT_EQ(clears[1].real(5), 1.0f);
}

TEST_F(WebGl, StateCallsBetweenBeginAndEndAreRefused)
{
    glBegin(GL_QUADS);
    glTranslatef(5, 0, 0);
    glEnable(GL_BLEND);
    glEnd();
    expectMatrix(modelview(), identityMatrix);
    EXPECT_EQ(glIsEnabled(GL_BLEND), GL_FALSE);
}

TEST_F(WebGl, RestoredContextGetsItsTexturesBackUnderTheSameNames)
{
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    const GLuint a = textureWithImage(4, 2, GL_RGBA);
    const GLuint b = textureWithImage(3, 3, GL_RGB);
    const std::vector<unsigned char> imageOfB = fakeWebGl.uploads.back().bytes;
    glBindTexture(GL_TEXTURE_2D, a);
    quad(0, 0, 0);
    submitFrame();
    fakeWebGl.uploads.clear();

    // Lost and restored while the next frame is gathered: that frame is dropped, the images go back.
    quad(0, 0, 0);
    fakeWebGl.restoredPending = true;
    const size_t runs = fakeWebGl.runs.size();
    submitFrame();
    EXPECT_EQ(fakeWebGl.runs.size(), runs);
    ASSERT_EQ(fakeWebGl.uploads.size(), 2u);
    EXPECT_EQ(fakeWebGl.uploads[0].name, a);
    EXPECT_EQ(fakeWebGl.uploads[1].name, b);
    EXPECT_EQ(fakeWebGl.uploads[1].bytes, imageOfB);

    // The frame after sets every piece of state again, though none of it changed.
    quad(0, 0, 0);
    const FakeWebGl::Run &run = submitOne();
    for (int32_t kind : {useTexture, setAlphaTest, setBlending, setDepthTest, setCulling, setViewport})
        EXPECT_EQ(ofKind(run, kind).size(), 1u) << kind;
    EXPECT_EQ(ofKind(run, setBlending)[0].words[0], 1);
    EXPECT_EQ(draws(run).size(), 1u);
}

TEST(WebGlContext, NoWebGlMeansNoContextAndEveryRunStartsAfresh)
{
    fakeWebGl = FakeWebGl();
    fakeWebGl.contextAvailable = false;
    ContextRequest request;
    EXPECT_FALSE(createContext(request));
    submitFrame();  // with no context nothing reaches WebGL
    EXPECT_TRUE(fakeWebGl.runs.empty());

    fakeWebGl.contextAvailable = true;
    request.width = 100;
    request.height = 50;
    ASSERT_TRUE(createContext(request));
    glEnable(GL_BLEND);
    glTranslatef(1, 2, 3);
    destroyContext();
    EXPECT_EQ(fakeWebGl.destroyed, 1);
    ASSERT_TRUE(createContext(request));
    EXPECT_EQ(glIsEnabled(GL_BLEND), GL_FALSE);
    expectMatrix(modelview(), identityMatrix);
    destroyContext();
    fakeWebGl = FakeWebGl();
}

}  // namespace
