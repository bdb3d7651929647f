// Model drawing: the exact OpenGL calls per mesh, and texturing left as it was found.
#include "assets/mesh_model.h"
#include "assets/texture_cache.h"
#include "tests/assets/asset_files.h"
#include "tests/fakes/call_log.h"
#include "tests/fakes/fake_gl.h"

#include <gtest/gtest.h>

namespace {

using Calls = std::vector<std::string>;

std::string call(const char *name, std::vector<double> args) { return fake::Call{name, std::move(args), {}}.str(); }

const std::string isEnabled = call("glIsEnabled", {GL_TEXTURE_2D}), enable = call("glEnable", {GL_TEXTURE_2D}),
                  disable = call("glDisable", {GL_TEXTURE_2D}), begin = call("glBegin", {GL_TRIANGLES}),
                  end = call("glEnd", {}), bindBark = call("glBindTexture", {GL_TEXTURE_2D, 1});

struct ModelDrawTest : ::testing::Test {
    void SetUp() override
    {
        textureCache.clear();
        fakegl::reset();
        content.vertices = {{{1, 2, 3}, 0}, {{-4, 5, 0.5f}, 0}, {{7, -8, 9}, 0}};
        content.triangles = {{{0, 1, 2}, {0, 1, 0, 0, 0, 1, 1, 0, 0}, {0, 0.5f, 1}, {0, 0.25f, 1}},
                             {{2, 2, 0}, {0, -1, 0, 0.5f, 0.5f, 0, 0, 0, -1}, {0.75f, 2, -1}, {1, 0.5f, 0.125f}}};
        content.materials = {
            {{0.1f, 0.2f, 0.3f, 1, 0.4f, 0.5f, 0.6f, 1, 0.7f, 0.8f, 0.9f, 1, 0, 0, 0, 1}, 8, "bark.tga"},
            {{1, 0, 0, 0.5f, 0, 1, 0, 0.5f, 0, 0, 1, 0.5f, 0.25f, 0.25f, 0.25f, 1}, 64, "gone.tga"}};
        writeFile("bark.tga", tgaFile(1, 1, 24, {1, 2, 3}));
    }
    void TearDown() override { textureCache.clear(); }

    // Loads the content and starts the log with texturing as asked.
    void loadAndDraw(bool texturing)
    {
        writeFile("model.ms3d", ms3dFile(content));
        ASSERT_TRUE(model.loadFromFile("model.ms3d"));
        texturing ? glEnable(GL_TEXTURE_2D) : glDisable(GL_TEXTURE_2D);
        fake::log().clear();
        model.draw();
    }

    Calls material(size_t i) const
    {
        const float *c = content.materials[i].colours;
        return {call("glMaterialfv", {GL_FRONT, GL_AMBIENT, c[0], c[1], c[2], c[3]}),
                call("glMaterialfv", {GL_FRONT, GL_DIFFUSE, c[4], c[5], c[6], c[7]}),
                call("glMaterialfv", {GL_FRONT, GL_SPECULAR, c[8], c[9], c[10], c[11]}),
                call("glMaterialfv", {GL_FRONT, GL_EMISSION, c[12], c[13], c[14], c[15]}),
                call("glMaterialf", {GL_FRONT, GL_SHININESS, content.materials[i].shininess})};
    }

    // Three calls per corner, t turned over as OpenGL counts it.
    Calls triangle(size_t i) const
    {
        const Ms3dTriangle &t = content.triangles[i];
        Calls out;
        for (int k = 0; k < 3; ++k) {
            const float *p = content.vertices[t.vertices[k]].position;
            out.push_back(call("glNormal3fv", {t.normals[3 * k], t.normals[3 * k + 1], t.normals[3 * k + 2]}));
            out.push_back(call("glTexCoord2f", {t.s[k], 1.0f - t.t[k]}));
            out.push_back(call("glVertex3fv", {p[0], p[1], p[2]}));
        }
        return out;
    }

    ScratchDir dir;
    Ms3dContent content;
    Ms3dModel model;
};

Calls join(std::initializer_list<Calls> parts)
{
    Calls out;
    for (const Calls &part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

TEST_F(ModelDrawTest, EachMeshGetsItsMaterialTextureAndTriangles)
{
    content.groups = {
        {{0}, 0},        // textured
        {{1, 0}, 0xFF},  // no material after a textured mesh: untextured, material kept
        {{}, 0},         // empty mesh
        {{1, 1}, 1},     // material whose image is missing; the same triangle twice
    };
    loadAndDraw(true);
    EXPECT_EQ(fake::logText(), join({{isEnabled},
                                     material(0),
                                     {bindBark, enable, begin},
                                     triangle(0),
                                     {end},
                                     {disable, begin},
                                     triangle(1),
                                     triangle(0),
                                     {end},
                                     material(0),
                                     {bindBark, enable, begin, end},
                                     material(1),
                                     {disable, begin},
                                     triangle(1),
                                     triangle(1),
                                     {end},
                                     {enable}}));  // the last mesh turned texturing off; it was on before
    EXPECT_TRUE(fakegl::enabled(GL_TEXTURE_2D));
    EXPECT_EQ(fakegl::boundTexture(), 1u);
}

TEST_F(ModelDrawTest, TexturingOffBeforeIsOffAfterEvenWhenAMeshTurnedItOn)
{
    content.groups = {{{1}, 0}};
    loadAndDraw(false);
    EXPECT_EQ(fake::logText(),
              join({{isEnabled}, material(0), {bindBark, enable, begin}, triangle(1), {end, disable}}));
    EXPECT_FALSE(fakegl::enabled(GL_TEXTURE_2D));
}

TEST_F(ModelDrawTest, EmptyModelOnlyAsksAndRestores)
{
    for (bool texturing : {true, false}) {
        Ms3dModel empty;
        EXPECT_FALSE(empty.loadFromFile("missing.ms3d"));
        texturing ? glEnable(GL_TEXTURE_2D) : glDisable(GL_TEXTURE_2D);
        fake::log().clear();
        empty.draw();
        EXPECT_EQ(fake::logText(), (Calls{isEnabled, texturing ? enable : disable}));
    }
}

}  // namespace
