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

struct Ms3dTest : ::testing::Test {
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
    EXPECT_EQ(m.meshCount | m.materialCount | m.triangleCount | m.vertexCount, 0);
    EXPECT_TRUE(!m.meshes && !m.materials && !m.triangles && !m.vertices);
}

// Every value the model holds, against what the test put in the file.
void expectHolds(const MeshModel &m, const Ms3dContent &c)
{
    ASSERT_EQ(size_t(m.vertexCount), c.vertices.size());
    for (size_t i = 0; i < c.vertices.size(); ++i) {
        EXPECT_EQ(0, std::memcmp(m.vertices[i].position, c.vertices[i].position, 12));
        EXPECT_EQ(m.vertices[i].boneId, c.vertices[i].boneId);
    }
    ASSERT_EQ(size_t(m.triangleCount), c.triangles.size());
    for (size_t i = 0; i < c.triangles.size(); ++i)
        for (int k = 0; k < 3; ++k) {
            const auto &held = m.triangles[i];
            const auto &file = c.triangles[i];
            EXPECT_EQ(held.vertexIndices[k], int32_t(file.vertices[k]));
            EXPECT_EQ(0, std::memcmp(held.normals[k], &file.normals[3 * k], 12));
            EXPECT_EQ(held.s[k], file.s[k]);
            EXPECT_EQ(held.t[k], 1.0f - file.t[k]);
        }
    ASSERT_EQ(size_t(m.meshCount), c.groups.size());
    for (size_t g = 0; g < c.groups.size(); ++g) {
        EXPECT_EQ(m.meshes[g].materialIndex, int32_t(int8_t(c.groups[g].material)));
        EXPECT_EQ(
            std::vector<int32_t>(m.meshes[g].triangleIndices, m.meshes[g].triangleIndices + m.meshes[g].triangleCount),
            std::vector<int32_t>(c.groups[g].triangles.begin(), c.groups[g].triangles.end()));
    }
    ASSERT_EQ(size_t(m.materialCount), c.materials.size());
    for (size_t i = 0; i < c.materials.size(); ++i) {
        const auto &held = m.materials[i];
        const float *colours = c.materials[i].colours;
        EXPECT_EQ(0, std::memcmp(held.ambient, colours, 16));
        EXPECT_EQ(0, std::memcmp(held.diffuse, colours + 4, 16));
        EXPECT_EQ(0, std::memcmp(held.specular, colours + 8, 16));
        EXPECT_EQ(0, std::memcmp(held.emissive, colours + 12, 16));
        EXPECT_EQ(held.shininess, c.materials[i].shininess);
        EXPECT_EQ(std::string(held.textureFile), std::string(c.materials[i].textureField.c_str()));
    }
}

// Two of everything, a group without triangles, a triangle listed twice.
Ms3dContent twoOfEach()
{
    Ms3dContent c = oneOfEach();
    c.vertices.push_back({{-4.0f, 5.5f, 0.0f}, -1});
    c.triangles.push_back(c.triangles[0]);
    c.triangles[1].vertices[1] = 1;
    c.triangles[1].t[2] = 0.5f;
    c.groups = {{{1, 0, 1}, 1}, {{}, 0xFF}};
    c.materials.push_back(c.materials[0]);
    c.materials[1].textureField = "skin.tga";
    return c;
}

TEST_F(Ms3dTest, OneOfEachFileIsReadFromTheFormatsOffsets)
{
    const Ms3dContent content = oneOfEach("bark.tga");
    const Bytes file = ms3dFile(content);
    ASSERT_EQ(file.size(), 506u);
    EXPECT_EQ(file[31] + file[103] + file[143], 3);  // triangle, group and material counts, each 1
    EXPECT_EQ(file[142], 0);                         // the group's material index
    EXPECT_EQ(std::memcmp(&file[250], "bark.tga", 9), 0);
    ASSERT_TRUE(load(file));
    expectHolds(model, content);
    EXPECT_EQ(model.triangles[0].t[0], 1.0f);
    EXPECT_EQ(model.triangles[0].t[1], 0.75f);
    EXPECT_EQ(model.triangles[0].t[2], 0.0f);
    EXPECT_EQ(model.materials[0].texture, 0u);  // bark.tga does not exist

    const Bytes empty = ms3dFile({});
    ASSERT_EQ(empty.size(), 22u);
    EXPECT_TRUE(load(empty));
    expectEmpty(model);
}

TEST_F(Ms3dTest, HeaderNeedsTheExactIdentifierAndVersionThreeOrFour)
{
    const Bytes good = ms3dFile(oneOfEach());
    const struct {
        const char *what;
        Bytes file;
        bool accepted;
    } cases[] = {
        {"version 3", ms3dFile(oneOfEach(), 3), true},
        {"version 2", ms3dFile(oneOfEach(), 2), false},
        {"version 5", ms3dFile(oneOfEach(), 5), false},
        {"version 0x104", ms3dFile(oneOfEach(), 0x104), false},
        {"version -1", ms3dFile(oneOfEach(), -1), false},
        {"version INT_MIN", ms3dFile(oneOfEach(), INT_MIN), false},
        {"lower-case identifier", ms3dFile(oneOfEach(), 4, "ms3d000000"), false},
        {"last identifier byte", ms3dFile(oneOfEach(), 4, "MS3D000001"), false},
        {"identifier only", Bytes(good.begin(), good.begin() + 10), false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(load(c.file), c.accepted);
        EXPECT_EQ(model.vertexCount, c.accepted ? 1 : 0);
    }
    EXPECT_FALSE(model.loadFromFile("no-such-file.ms3d"));
    expectEmpty(model);
}

TEST_F(Ms3dTest, IndicesWidenWithoutSignAndMaterialsWithSign)
{
    // Indices of 0x8000 need more than 32768 vertices and triangles to be in range.
    Ms3dContent c = oneOfEach();
    c.vertices.resize(0x8001, Ms3dVertex{{0, 1, 2}, -128});
    c.triangles.resize(0x8001, c.triangles[0]);
    c.triangles[0x8000].vertices[2] = 0x8000;
    c.groups = {{{0x8000}, 0xFF}, {{0}, 0x80}, {{0}, 0x7F}};
    c.materials.resize(128, c.materials[0]);
    ASSERT_TRUE(load(ms3dFile(c)));
    expectHolds(model, c);
    EXPECT_EQ(model.triangles[0x8000].vertexIndices[2], 32768);
    EXPECT_EQ(model.meshes[0].triangleIndices[0], 32768);
    EXPECT_EQ(model.meshes[0].materialIndex, -1);
    EXPECT_EQ(model.meshes[1].materialIndex, -128);
    EXPECT_EQ(model.meshes[2].materialIndex, 127);
    EXPECT_EQ(model.vertices[1].boneId, -128);
}

TEST_F(Ms3dTest, TextureNamesEndAtTheirFirstZero)
{
    const std::string longest(127, 'x');
    const struct {
        std::string field;
        bool accepted;
        std::string held;
    } cases[] = {
        {"", true, ""},
        {std::string("\0stale", 6), true, ""},
        {std::string("bark.tga\0old.bmp", 16), true, "bark.tga"},
        {longest, true, longest},
        {longest + "y", false, ""},  // no zero within the 128 bytes
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.held.size());
        ASSERT_EQ(load(ms3dFile(oneOfEach(c.field))), c.accepted);
        if (!c.accepted) continue;
        EXPECT_EQ(std::string(model.materials[0].textureFile), c.held);
        EXPECT_EQ(model.materials[0].texture, 0u);
    }
    EXPECT_TRUE(fake::log().empty());
}

TEST_F(Ms3dTest, TrailingBytesAreIgnoredAndEveryTruncationIsRefused)
{
    const Ms3dContent content = twoOfEach();
    Bytes file = ms3dFile(content);
    for (size_t size = 0; size < file.size(); ++size) {
        SCOPED_TRACE(size);
        ASSERT_FALSE(load(Bytes(file.begin(), file.begin() + long(size))));
        expectEmpty(model);
    }
    for (int i = 0; i < 300; ++i) file.push_back(uint8_t(i * 37));
    ASSERT_TRUE(load(file));
    expectHolds(model, content);
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
        ASSERT_TRUE(load(ms3dFile(twoOfEach())));  // a second load drops the first model
        Ms3dContent content = twoOfEach();
        c.spoil(content);
        EXPECT_FALSE(load(ms3dFile(content)));
        expectEmpty(model);
    }
    Ms3dContent bare = twoOfEach();  // no materials and no group naming one
    bare.materials.clear();
    bare.groups[0].material = 0xFF;
    EXPECT_TRUE(load(ms3dFile(bare)));
    expectHolds(model, bare);
}

TEST_F(Ms3dTest, MaterialsResolveThroughTheCacheAndRetryFailures)
{
    Ms3dContent c = twoOfEach();
    c.materials[0].textureField = "bark.tga";
    c.materials[1].textureField = "gone.tga";
    c.materials.push_back(oneOfEach("").materials[0]);
    writeFile("bark.tga", tgaFile(1, 1, 24, {1, 2, 3}));
    ASSERT_TRUE(load(ms3dFile(c)));
    EXPECT_EQ(model.materials[0].texture, 1u);
    EXPECT_EQ(model.materials[1].texture, 0u);
    EXPECT_EQ(model.materials[2].texture, 0u);

    // Cached names are answered without the file; the failed one is tried again.
    std::remove("bark.tga");
    writeFile("gone.tga", tgaFile(1, 1, 32, {1, 2, 3, 4}));
    model.resolveTextures();
    EXPECT_EQ(model.materials[0].texture, 1u);
    EXPECT_EQ(model.materials[1].texture, 2u);
    EXPECT_EQ(model.materials[2].texture, 0u);
    EXPECT_EQ(fake::count("glGenTextures"), 2u);
    EXPECT_EQ(textureCache.size(), 2u);
}

}  // namespace
