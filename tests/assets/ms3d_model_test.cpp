// MS3D reader and model: the layout read, what is refused, and how materials meet the texture cache.
#include "assets/mesh_model.h"
#include "assets/texture_cache.h"
#include "tests/assets/asset_files.h"
#include "tests/fakes/call_log.h"
#include "tests/fakes/fake_gl.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

class Ms3dTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        textureCache.clear();
        fakegl::reset();
    }
    void TearDown() override { textureCache.clear(); }

    bool load(const Bytes &file)
    {
        writeFile("model.ms3d", file);
        return model.loadFromFile("model.ms3d");
    }

    ScratchDir dir;
    Ms3dModel model;
};

void expectEmpty(const MeshModel &m)
{
    EXPECT_EQ(m.meshCount, 0);
    EXPECT_EQ(m.materialCount, 0);
    EXPECT_EQ(m.triangleCount, 0);
    EXPECT_EQ(m.vertexCount, 0);
    EXPECT_EQ(m.meshes, nullptr);
    EXPECT_EQ(m.materials, nullptr);
    EXPECT_EQ(m.triangles, nullptr);
    EXPECT_EQ(m.vertices, nullptr);
}

// Every value the model holds, against what the test put in the file.
void expectHolds(const MeshModel &m, const Ms3dContent &c)
{
    ASSERT_EQ(size_t(m.vertexCount), c.vertices.size());
    for (size_t i = 0; i < c.vertices.size(); ++i) {
        for (int k = 0; k < 3; ++k) EXPECT_EQ(m.vertices[i].position[k], c.vertices[i].position[k]);
        EXPECT_EQ(m.vertices[i].boneId, c.vertices[i].boneId);
    }
    ASSERT_EQ(size_t(m.triangleCount), c.triangles.size());
    for (size_t i = 0; i < c.triangles.size(); ++i) {
        const auto &held = m.triangles[i];
        const auto &file = c.triangles[i];
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(held.vertexIndices[k], int32_t(file.vertices[k]));
            for (int n = 0; n < 3; ++n) EXPECT_EQ(held.normals[k][n], file.normals[3 * k + n]);
            EXPECT_EQ(held.s[k], file.s[k]);
            EXPECT_EQ(held.t[k], 1.0f - file.t[k]);
        }
    }
    ASSERT_EQ(size_t(m.meshCount), c.groups.size());
    for (size_t g = 0; g < c.groups.size(); ++g) {
        EXPECT_EQ(m.meshes[g].materialIndex, int32_t(int8_t(c.groups[g].material)));
        ASSERT_EQ(size_t(m.meshes[g].triangleCount), c.groups[g].triangles.size());
        for (size_t k = 0; k < c.groups[g].triangles.size(); ++k)
            EXPECT_EQ(m.meshes[g].triangleIndices[k], int32_t(c.groups[g].triangles[k]));
    }
    ASSERT_EQ(size_t(m.materialCount), c.materials.size());
    for (size_t i = 0; i < c.materials.size(); ++i) {
        const auto &held = m.materials[i];
        const auto &file = c.materials[i];
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(held.ambient[k], file.colours[k]);
            EXPECT_EQ(held.diffuse[k], file.colours[4 + k]);
            EXPECT_EQ(held.specular[k], file.colours[8 + k]);
            EXPECT_EQ(held.emissive[k], file.colours[12 + k]);
        }
        EXPECT_EQ(held.shininess, file.shininess);
        EXPECT_EQ(std::string(held.textureFile), std::string(file.textureField.c_str()));
    }
}

// Two of everything, a group without triangles, a triangle listed twice: the truncation subject.
Ms3dContent twoOfEach()
{
    Ms3dContent c = oneOfEach();
    c.vertices.push_back({{-4.0f, 5.5f, 0.0f}, -1});
    Ms3dTriangle second = c.triangles[0];
    second.vertices[1] = 1;
    second.t[2] = 0.5f;
    c.triangles.push_back(second);
    c.groups[0].triangles = {1, 0, 1};
    c.groups.push_back({{}, 0xFF});
    c.materials.push_back(c.materials[0]);
    c.materials[1].textureField = "skin.tga";
    c.groups[0].material = 1;
    return c;
}

TEST_F(Ms3dTest, OneOfEachFileIsReadFromTheFormatsOffsets)
{
    const Ms3dContent content = oneOfEach("bark.tga");
    const Bytes file = ms3dFile(content);
    ASSERT_EQ(file.size(), 506u);
    EXPECT_EQ(file[31] | file[32] << 8, 1);  // triangle count
    EXPECT_EQ(file[103] | file[104] << 8, 1);  // group count
    EXPECT_EQ(file[142], 0);  // the group's material index
    EXPECT_EQ(file[143] | file[144] << 8, 1);  // material count
    EXPECT_EQ(std::memcmp(&file[250], "bark.tga", 9), 0);

    ASSERT_TRUE(load(file));
    expectHolds(model, content);
    EXPECT_EQ(model.triangles[0].t[0], 1.0f);
    EXPECT_EQ(model.triangles[0].t[1], 0.75f);
    EXPECT_EQ(model.triangles[0].t[2], 0.0f);
    EXPECT_EQ(model.triangles[0].s[2], 2.0f);
    EXPECT_EQ(model.vertices[0].boneId, 7);
    EXPECT_EQ(model.materials[0].texture, 0u);  // bark.tga does not exist
}

TEST_F(Ms3dTest, TwentyTwoByteFileIsAnEmptyModel)
{
    const Bytes file = ms3dFile({});
    ASSERT_EQ(file.size(), 22u);
    EXPECT_TRUE(load(file));
    expectEmpty(model);
}

TEST_F(Ms3dTest, OnlyVersionsThreeAndFourAreRead)
{
    const struct {
        int32_t version;
        bool accepted;
    } cases[] = {{2, false}, {3, true}, {4, true}, {5, false}, {0, false}, {-1, false}, {-4, false},
                 {INT_MIN, false}, {INT_MAX, false}, {0x104, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.version);
        Ms3dModel fresh;
        writeFile("v.ms3d", ms3dFile(oneOfEach(), c.version));
        EXPECT_EQ(fresh.loadFromFile("v.ms3d"), c.accepted);
        EXPECT_EQ(fresh.vertexCount, c.accepted ? 1 : 0);
    }
}

TEST_F(Ms3dTest, IdentifierMustMatchExactly)
{
    const Bytes good = ms3dFile(oneOfEach());
    for (const char *id : {"ms3d000000", "MS3d000000", "MS3D000001", "XS3D000000"}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(load(ms3dFile(oneOfEach(), 4, id)));
        expectEmpty(model);
    }
    EXPECT_FALSE(load(Bytes(good.begin(), good.begin() + 4)));  // "MS3D" and nothing more
    EXPECT_FALSE(model.loadFromFile("no-such-file.ms3d"));
    expectEmpty(model);
}

TEST_F(Ms3dTest, IndicesWidenWithoutSignAndMaterialsWithSign)
{
    // Indices of 0x8000 need more than 32768 vertices and triangles to be in range.
    Ms3dContent c = oneOfEach();
    c.vertices.resize(0x8001, Ms3dVertex{{0, 1, 2}, -128});
    c.vertices[0x8000].boneId = 127;
    c.triangles.resize(0x8001, c.triangles[0]);
    c.triangles[0x8000].vertices[2] = 0x8000;
    c.groups = {{{0x8000}, 0xFF}, {{0}, 0x80}, {{0}, 0x7F}, {{0}, 0x00}};
    c.materials.resize(128, c.materials[0]);
    ASSERT_TRUE(load(ms3dFile(c)));
    expectHolds(model, c);
    EXPECT_EQ(model.triangles[0x8000].vertexIndices[2], 32768);
    EXPECT_EQ(model.meshes[0].triangleIndices[0], 32768);
    EXPECT_EQ(model.meshes[0].materialIndex, -1);
    EXPECT_EQ(model.meshes[1].materialIndex, -128);
    EXPECT_EQ(model.meshes[2].materialIndex, 127);
    EXPECT_EQ(model.vertices[1].boneId, -128);
    EXPECT_EQ(model.vertices[0x8000].boneId, 127);
}

TEST_F(Ms3dTest, TextureNamesEndAtTheirFirstZero)
{
    const std::string longest(127, 'x');
    const struct {
        const char *what;
        std::string field;
        bool accepted;
        std::string held;
    } cases[] = {
        {"empty", "", true, ""},
        {"zero, then stale bytes", std::string("\0stale", 6), true, ""},
        {"name, zero, stale bytes", std::string("bark.tga\0old.bmp", 16), true, "bark.tga"},
        {"127 characters", longest, true, longest},
        {"128 characters, no zero", longest + "y", false, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(load(ms3dFile(oneOfEach(c.field))), c.accepted);
        if (!c.accepted) {
            expectEmpty(model);
            continue;
        }
        EXPECT_EQ(std::string(model.materials[0].textureFile), c.held);
        EXPECT_EQ(model.materials[0].texture, 0u);
    }
    EXPECT_TRUE(fake::log().empty());  // no image was found, so OpenGL was never called
}

TEST_F(Ms3dTest, BytesAfterTheMaterialsChangeNothing)
{
    const Ms3dContent content = twoOfEach();
    Bytes file = ms3dFile(content);
    for (int i = 0; i < 300; ++i) file.push_back(uint8_t(i * 37));
    ASSERT_TRUE(load(file));
    expectHolds(model, content);
}

TEST_F(Ms3dTest, EveryTruncationIsRefusedAndLeavesTheModelEmpty)
{
    const Bytes file = ms3dFile(twoOfEach());
    for (size_t size = 0; size < file.size(); ++size) {
        SCOPED_TRACE(size);
        ASSERT_FALSE(load(Bytes(file.begin(), file.begin() + long(size))));
        expectEmpty(model);
    }
    EXPECT_TRUE(load(file));
}

TEST_F(Ms3dTest, OutOfRangeIndicesRefuseTheFile)
{
    const struct {
        const char *what;
        void (*spoil)(Ms3dContent &);
    } cases[] = {
        {"vertex index = vertex count", [](Ms3dContent &c) { c.triangles[1].vertices[2] = 2; }},
        {"vertex index 0xFFFF", [](Ms3dContent &c) { c.triangles[0].vertices[0] = 0xFFFF; }},
        {"triangle index = triangle count", [](Ms3dContent &c) { c.groups[0].triangles[2] = 2; }},
        {"triangle index 0xFFFF", [](Ms3dContent &c) { c.groups[0].triangles[0] = 0xFFFF; }},
        {"material index = material count", [](Ms3dContent &c) { c.groups[1].material = 2; }},
        {"material index 127 of 2", [](Ms3dContent &c) { c.groups[0].material = 0x7F; }},
        {"no materials, group names material 1", [](Ms3dContent &c) { c.materials.clear(); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Ms3dContent content = twoOfEach();
        c.spoil(content);
        EXPECT_FALSE(load(ms3dFile(content)));
        expectEmpty(model);
    }
    // Without materials, groups that name none are fine.
    Ms3dContent bare = twoOfEach();
    bare.materials.clear();
    bare.groups[0].material = 0xFF;
    EXPECT_TRUE(load(ms3dFile(bare)));
    expectHolds(model, bare);
}

TEST_F(Ms3dTest, SecondLoadReplacesTheFirst)
{
    ASSERT_TRUE(load(ms3dFile(twoOfEach())));
    const Ms3dContent one = oneOfEach("a.tga");
    ASSERT_TRUE(load(ms3dFile(one)));
    expectHolds(model, one);
    EXPECT_FALSE(load(ms3dFile(one, 5)));
    expectEmpty(model);
}

TEST_F(Ms3dTest, MaterialsResolveThroughTheCacheAndRetryFailures)
{
    Ms3dContent c = twoOfEach();
    c.materials[0].textureField = "bark.tga";
    c.materials[1].textureField = "gone.tga";
    c.materials.push_back(c.materials[0]);
    c.materials[2].textureField = "";
    writeFile("bark.tga", tgaFile(1, 1, 24, {1, 2, 3}));
    ASSERT_TRUE(load(ms3dFile(c)));
    EXPECT_EQ(model.materials[0].texture, 1u);
    EXPECT_EQ(model.materials[1].texture, 0u);
    EXPECT_EQ(model.materials[2].texture, 0u);
    EXPECT_EQ(fake::count("glGenTextures"), 1u);

    // Cached names are answered without the file; the failed one is tried again.
    std::remove("bark.tga");
    writeFile("gone.tga", tgaFile(1, 1, 32, {1, 2, 3, 4}));
    model.resolveTextures();
    EXPECT_EQ(model.materials[0].texture, 1u);
    EXPECT_EQ(model.materials[1].texture, 2u);
    EXPECT_EQ(model.materials[2].texture, 0u);
    EXPECT_EQ(fake::count("glGenTextures"), 2u);
    ASSERT_EQ(textureCache.size(), 2u);
    EXPECT_STREQ(textureCache[1].fileName, "gone.tga");
}

}  // namespace
