// One whole frame with every element present: draw order, texture per element and the draw state of each.
#include "tests/scene/scene_test_support.h"

#include "assets/mesh_model.h"
#include "assets/texture_cache.h"
#include "scene/scene.h"
#include "tests/assets/asset_files.h"
#include "tests/fakes/call_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <map>

#include <string>
#include <vector>

namespace {

struct Primitive {
    GLenum mode;
    GLuint texture;
    bool alphaTest, blend, depthTest, texturing;
    int modelviewDepth;
};

// Walks the log, following the state calls, and notes the state at each glBegin.
std::vector<Primitive> primitives()
{
    std::vector<Primitive> out;
    std::map<GLenum, bool> on{{GL_ALPHA_TEST, false}, {GL_BLEND, true}, {GL_DEPTH_TEST, true}, {GL_TEXTURE_2D, true}};
    GLuint bound = 0;
    int depth = 1;
    for (const fake::Call &c : fake::log()) {
        if (c.name == "glEnable") on[GLenum(c.args[0])] = true;
        if (c.name == "glDisable") on[GLenum(c.args[0])] = false;
        if (c.name == "glBindTexture") bound = GLuint(c.args[1]);
        if (c.name == "glPushMatrix") ++depth;
        if (c.name == "glPopMatrix") --depth;
        if (c.name == "glBegin")
            out.push_back({GLenum(c.args[0]), bound, on[GL_ALPHA_TEST], on[GL_BLEND], on[GL_DEPTH_TEST],
                           on[GL_TEXTURE_2D], depth});
    }
    return out;
}

Bytes pixel() { return tgaFile(1, 1, 32, {10, 20, 30, 255}); }

}  // namespace

TEST(FullFrame, EveryElementInOrderWithItsTextureAndState)
{
    resetScene();
    ScratchDir dir;
    std::filesystem::create_directory("data");
    writeFile("data/tree.ms3d", ms3dFile(oneOfEach("data/bark.tga")));
    for (const char *name :
         {"data/bark.tga", "data/snow.tga", "data/snowflake.tga", "data/shine.tga", "data/overlay.tga"})
        writeFile(name, pixel());

    ASSERT_TRUE(initScene());
    ASSERT_EQ(treeModel->triangleCount, 1);
    // Two snowflakes and two sparkles: sparkle 0 turns with the world, sparkle 1 does not.
    snowflakes.push_back(Snowflake(1.0f, 2.0f));
    snowflakes.push_back(Snowflake(3.0f, 4.0f));
    sparkles.push_back(Sparkle(0.3f, 0.2f, 0.1f, 50));
    sparkles.push_back(Sparkle(-0.3f, 0.2f, 0.1f, 50));
    frameClock.startTick = frameClock.lastTick = 0;
    fakewin::setTick(2500);
    fake::log().clear();

    drawScene();

    // Texture names in order of first load: the tree's bark during set-up, then the frame's four.
    const GLuint bark = 1, snow = 2, flake = 3, shine = 4, overlay = 5;
    struct Want {
        GLenum mode;
        GLuint texture;
        bool alphaTest;
        int depth;
    };
    const Want want[] = {
        {GL_QUADS, snow, true, 2},                                     // ground in the world transform
        {GL_QUADS, flake, true, 3},                                    // snowflakes, each pushed inside the world
        {GL_QUADS, flake, true, 3},    {GL_TRIANGLES, bark, true, 2},  // the tree
        {GL_QUADS, shine, false, 4},                                   // sparkle 0: sparkle frame, turned, its own push
        {GL_QUADS, shine, false, 3},                                   // sparkle 1: sparkle frame, its own push
        {GL_QUADS, overlay, false, 2},                                 // overlay billboard
    };
    const std::vector<Primitive> got = primitives();
    ASSERT_EQ(got.size(), std::size(want));
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].mode, want[i].mode);
        EXPECT_EQ(got[i].texture, want[i].texture);
        EXPECT_EQ(got[i].alphaTest, want[i].alphaTest);
        EXPECT_EQ(got[i].modelviewDepth, want[i].depth);
        EXPECT_TRUE(got[i].blend);
        EXPECT_TRUE(got[i].depthTest);
        EXPECT_TRUE(got[i].texturing);
    }
    EXPECT_EQ(fake::count("glClear"), 1u);
    EXPECT_EQ(fake::logText({"glClear"})[0], "glClear(256)") << "depth only; colour is kept between frames";
    EXPECT_EQ(fake::count("glTexImage2D"), 4u) << "each frame image read once, the bark from the cache";
    EXPECT_EQ(fakegl::modelviewDepth(), 1u);

    // The second frame binds the same names from the cache without reading anything.
    fake::log().clear();
    drawScene();
    EXPECT_EQ(fake::count("glTexImage2D"), 0u);
    EXPECT_EQ(fake::count("glGenTextures"), 0u);
    ASSERT_EQ(textureCache.size(), 5u);
}
