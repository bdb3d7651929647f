// Third-party sample files from ../shared/corpus, each against its line in the manifest.
#include "assets/mesh_model.h"
#include "assets/texture_cache.h"
#include "tests/assets/asset_files.h"
#include "tests/fakes/call_log.h"
#include "tests/fakes/fake_gl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

using Row = std::map<std::string, std::string>;

std::vector<std::string> split(const std::string &text, char separator)
{
    std::vector<std::string> out(1);
    for (char c : text) {
        if (c == separator)
            out.emplace_back();
        else
            out.back().push_back(c);
    }
    return out;
}

// Rows of the given kind, each keyed by the header's column names.
std::vector<Row> manifest(const std::string &kind)
{
    std::ifstream in("manifest.tsv");
    std::string line;
    std::getline(in, line);
    const auto columns = split(line, '\t');
    std::vector<Row> rows;
    while (std::getline(in, line)) {
        const auto fields = split(line, '\t');
        Row row;
        for (size_t i = 0; i < columns.size() && i < fields.size(); ++i) row[columns[i]] = fields[i];
        if (row["kind"] == kind) rows.push_back(row);
    }
    return rows;
}

struct CorpusTest : ::testing::Test {
    // The cache takes names relative to the working directory, as the demo does.
    void SetUp() override
    {
        std::error_code error;
        if (!std::filesystem::is_regular_file(std::filesystem::path(FROSTEL_CORPUS_DIR) / "manifest.tsv", error))
            GTEST_SKIP() << "no sample corpus at " << FROSTEL_CORPUS_DIR
                         << "; configure with -DFROSTEL_CORPUS_DIR=<folder with manifest.tsv> to run these";
        std::filesystem::current_path(FROSTEL_CORPUS_DIR);
    }
    void TearDown() override
    {
        std::filesystem::current_path(previous);
        textureCache.clear();
    }
    std::filesystem::path previous = std::filesystem::current_path();
};

TEST_F(CorpusTest, EveryTgaGivesItsVerdictAndPixels)
{
    const auto rows = manifest("tga");
    EXPECT_EQ(rows.size(), 41u);
    for (const Row &row : rows) {
        SCOPED_TRACE(row.at("file"));
        textureCache.clear();
        fakegl::reset();
        const uint32_t texture = loadTexture(row.at("file").c_str());
        if (row.at("verdict") != "accept") {
            EXPECT_EQ(texture, 0u);
            EXPECT_TRUE(fake::log().empty());
            continue;
        }
        ASSERT_NE(texture, 0u);
        const auto &image = fakegl::texImages().at(0);
        const int width = std::stoi(row.at("tga_width")), height = std::stoi(row.at("tga_height"));
        const GLenum format = row.at("tga_depth") == "32" ? GL_RGBA : GL_RGB;
        EXPECT_EQ(image.width, width);
        EXPECT_EQ(image.height, height);
        EXPECT_EQ(image.format, format);
        // The expected bytes are unpadded; every row but the last gains zeros up to 4 bytes.
        const Bytes plain = readFile(row.at("expected_pixels"));
        const size_t rowBytes = plain.size() / size_t(height), stride = (rowBytes + 3) / 4 * 4;
        Bytes padded(stride * size_t(height - 1) + rowBytes, 0);
        for (size_t y = 0; y < size_t(height); ++y)
            std::copy_n(plain.begin() + long(y * rowBytes), rowBytes, padded.begin() + long(y * stride));
        EXPECT_TRUE(image.pixels == padded);
    }
}

// Files with indices out of range are refused whole (see the MS3D reader for why).
TEST_F(CorpusTest, EveryMs3dGivesItsVerdictAndCounts)
{
    const auto rows = manifest("ms3d");
    EXPECT_EQ(rows.size(), 7u);
    for (const Row &row : rows) {
        SCOPED_TRACE(row.at("file"));
        Ms3dModel model;
        const bool loaded = model.loadFromFile(row.at("file").c_str());
        ASSERT_EQ(loaded, row.at("verdict") == "accept");
        if (!loaded) {
            EXPECT_EQ(model.meshCount | model.materialCount | model.triangleCount | model.vertexCount, 0);
            continue;
        }
        std::ostringstream counts, groups, textures;
        counts << model.vertexCount << " " << model.triangleCount << " " << model.meshCount << " "
               << model.materialCount;
        EXPECT_EQ(counts.str(),
                  row.at("vertices") + " " + row.at("triangles") + " " + row.at("groups") + " " + row.at("materials"));
        for (int g = 0; g < model.meshCount; ++g)
            groups << (g ? "," : "") << model.meshes[g].triangleCount << ":" << model.meshes[g].materialIndex;
        EXPECT_EQ(groups.str(), row.at("group_tris_mat"));
        // The manifest lists texture|alpha map per material; these names hold no escaped bytes.
        for (int m = 0; m < model.materialCount; ++m) {
            textures << (m ? ";" : "") << model.materials[m].textureFile << "|";
            EXPECT_EQ(model.materials[m].texture, 0u);  // none of them is a TGA that exists
        }
        EXPECT_EQ(textures.str(), row.at("material_textures"));
    }
}

}  // namespace
