// Third-party sample files from ../shared/corpus, each against its line in the manifest.
#include "assets/mesh_model.h"
#include "assets/texture_cache.h"
#include "tests/assets/asset_files.h"
#include "tests/fakes/call_log.h"
#include "tests/fakes/fake_gl.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>

namespace {

using Row = std::map<std::string, std::string>;

std::vector<std::string> split(const std::string &text, char separator)
{
    std::vector<std::string> out;
    std::string field;
    std::istringstream in(text);
    while (std::getline(in, field, separator)) out.push_back(field);
    if (!text.empty() && text.back() == separator) out.emplace_back();
    return out;
}

std::vector<Row> manifest()
{
    std::ifstream in(std::string(FROSTEL_CORPUS_DIR) + "/manifest.tsv");
    std::string line;
    std::getline(in, line);
    const auto columns = split(line, '\t');
    std::vector<Row> rows;
    while (std::getline(in, line)) {
        const auto fields = split(line, '\t');
        Row row;
        for (size_t i = 0; i < columns.size() && i < fields.size(); ++i) row[columns[i]] = fields[i];
        rows.push_back(row);
    }
    return rows;
}

// The manifest writes bytes outside printable ASCII as %XX.
std::string unescape(const std::string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out.push_back(char(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

class CorpusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        textureCache.clear();
        fakegl::reset();
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        previous = cwd;
        // The cache takes names relative to the working directory, as the demo does.
        ASSERT_EQ(chdir(FROSTEL_CORPUS_DIR), 0);
    }
    void TearDown() override
    {
        textureCache.clear();
        EXPECT_EQ(chdir(previous.c_str()), 0);
    }
    std::string previous;
};

TEST_F(CorpusTest, EveryTgaGivesItsVerdictAndPixels)
{
    int accepted = 0, refused = 0;
    for (const Row &row : manifest()) {
        if (row.at("kind") != "tga") continue;
        const std::string &file = row.at("file");
        SCOPED_TRACE(file);
        textureCache.clear();
        fakegl::reset();
        const uint32_t texture = loadTexture(file.c_str());
        if (row.at("verdict") == "refuse") {
            ++refused;
            EXPECT_EQ(texture, 0u);
            EXPECT_TRUE(fake::log().empty());
            continue;
        }
        ASSERT_EQ(row.at("verdict"), "accept");
        ++accepted;
        ASSERT_NE(texture, 0u);
        ASSERT_EQ(fakegl::texImages().size(), 1u);
        const auto &image = fakegl::texImages()[0];
        const int width = std::stoi(row.at("tga_width")), height = std::stoi(row.at("tga_height"));
        const int depth = std::stoi(row.at("tga_depth"));
        EXPECT_EQ(image.width, width);
        EXPECT_EQ(image.height, height);
        EXPECT_EQ(image.format, GLenum(depth == 32 ? GL_RGBA : GL_RGB));
        EXPECT_EQ(image.internalFormat, GLint(image.format));
        // The expected bytes are unpadded; every row but the last gains zeros up to 4 bytes.
        const Bytes plain = readFile(row.at("expected_pixels"));
        const size_t rowBytes = size_t(width) * size_t(depth / 8);
        Bytes padded;
        for (int y = 0; y < height; ++y) {
            padded.insert(padded.end(), plain.begin() + long(y * rowBytes), plain.begin() + long((y + 1) * rowBytes));
            if (y + 1 < height)
                for (size_t pad = rowBytes; pad % 4; ++pad) padded.push_back(0);
        }
        EXPECT_TRUE(image.pixels == padded);
    }
    EXPECT_EQ(accepted, 7);
    EXPECT_EQ(refused, 34);
}

// Out-of-range files are refused whole: see the reader for why dropping is worse.
TEST_F(CorpusTest, EveryMs3dGivesItsVerdictAndCounts)
{
    int files = 0;
    for (const Row &row : manifest()) {
        if (row.at("kind") != "ms3d") continue;
        ++files;
        const std::string &file = row.at("file");
        SCOPED_TRACE(file);
        Ms3dModel model;
        const bool loaded = model.loadFromFile(file.c_str());
        if (row.at("verdict") == "refuse_or_drop") {
            EXPECT_FALSE(loaded);
            EXPECT_EQ(model.meshCount + model.materialCount + model.triangleCount + model.vertexCount, 0);
            continue;
        }
        ASSERT_EQ(row.at("verdict"), "accept");
        ASSERT_TRUE(loaded);
        EXPECT_EQ(model.vertexCount, std::stoi(row.at("vertices")));
        EXPECT_EQ(model.triangleCount, std::stoi(row.at("triangles")));
        EXPECT_EQ(model.meshCount, std::stoi(row.at("groups")));
        EXPECT_EQ(model.materialCount, std::stoi(row.at("materials")));

        std::string groups;
        for (int g = 0; g < model.meshCount; ++g)
            groups += (g ? "," : "") + std::to_string(model.meshes[g].triangleCount) + ":" +
                      std::to_string(model.meshes[g].materialIndex);
        EXPECT_EQ(groups, row.at("group_tris_mat"));

        const auto names = row.at("material_textures").empty() ? std::vector<std::string>{}
                                                               : split(row.at("material_textures"), ';');
        ASSERT_EQ(names.size(), size_t(model.materialCount));
        for (int m = 0; m < model.materialCount; ++m) {
            EXPECT_EQ(std::string(model.materials[m].textureFile), unescape(split(names[m], '|')[0]));
            EXPECT_EQ(model.materials[m].texture, 0u);  // none of them names a TGA that exists
        }

        // What drawing relies on: every index inside its array.
        for (int t = 0; t < model.triangleCount; ++t)
            for (int32_t v : model.triangles[t].vertexIndices) ASSERT_TRUE(v >= 0 && v < model.vertexCount);
        for (int g = 0; g < model.meshCount; ++g) {
            ASSERT_LT(model.meshes[g].materialIndex, model.materialCount);
            for (int k = 0; k < model.meshes[g].triangleCount; ++k)
                ASSERT_TRUE(model.meshes[g].triangleIndices[k] >= 0 &&
                            model.meshes[g].triangleIndices[k] < model.triangleCount);
        }
    }
    EXPECT_EQ(files, 7);
}

}  // namespace
