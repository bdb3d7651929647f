// Replays every input kept in fuzz/regressions through the readers, with the checks the fuzz targets make.
#include "assets/ms3d_reader.h"
#include "assets/tga_reader.h"
#include "tests/assets/asset_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The inputs of one reader, skipping the placeholder that keeps an empty folder in the checkout.
std::vector<fs::path> inputs(const char *reader)
{
    std::vector<fs::path> out;
    const fs::path dir = fs::path(FROSTEL_FUZZ_REGRESSIONS_DIR) / reader;
    std::error_code ignored;
    for (const auto &entry : fs::directory_iterator(dir, ignored))
        if (entry.is_regular_file() && entry.path().filename() != ".keep") out.push_back(entry.path());
    return out;
}

Bytes contents(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(FuzzRegressions, TgaInputs)
{
    const auto files = inputs("tga");
    if (files.empty()) GTEST_SKIP() << "no TGA input has failed a fuzz run";
    for (const fs::path &path : files) {
        SCOPED_TRACE(path.filename().string());
        const Bytes d = contents(path);
        // Accepted exactly when the header is of the read kind and the pixels are all there.
        static const uint8_t prefix[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        bool expected = d.size() >= 18 && std::memcmp(d.data(), prefix, 12) == 0;
        const size_t width = expected ? d[12] + 256u * d[13] : 0, height = expected ? d[14] + 256u * d[15] : 0;
        const size_t bpp = expected ? d[16] / 8u : 0;
        expected = expected && width && height && (d[16] == 24 || d[16] == 32) && d.size() - 18 >= width * height * bpp;

        TgaImage image;
        char reason[256] = "";
        const bool accepted = readTgaFile(path.string().c_str(), image, reason, sizeof reason);
        EXPECT_EQ(accepted, expected) << reason;
        if (!accepted) {
            EXPECT_EQ(image.pixels, nullptr);
            EXPECT_STRNE(reason, "");
            continue;
        }
        const size_t row = width * bpp, stride = (row + 3) / 4 * 4;
        ASSERT_EQ(image.size, stride * height);
        for (size_t y = 0; y < height; ++y)
            for (size_t x = 0; x < row; x += bpp) {
                const uint8_t *in = &d[18 + y * row + x], *out = image.pixels + y * stride + x;
                ASSERT_TRUE(out[0] == in[2] && out[1] == in[1] && out[2] == in[0] && (bpp == 3 || out[3] == in[3]));
            }
        freeTgaImage(image);
    }
}

TEST(FuzzRegressions, Ms3dInputs)
{
    const auto files = inputs("ms3d");
    if (files.empty()) GTEST_SKIP() << "no MS3D input has failed a fuzz run";
    for (const fs::path &path : files) {
        SCOPED_TRACE(path.filename().string());
        ModelArrays model;
        char reason[256] = "";
        if (!readMs3dFile(path.string().c_str(), model, nullptr, reason, sizeof reason)) {
            EXPECT_STRNE(reason, "");
            EXPECT_TRUE(!model.meshes && !model.materials && !model.triangles && !model.vertices);
            continue;
        }
        // Everything drawing would follow stays inside its array.
        for (int32_t m = 0; m < model.meshCount; ++m) {
            const ModelMesh &mesh = model.meshes[m];
            EXPECT_LT(mesh.materialIndex, model.materialCount);
            for (int32_t k = 0; k < mesh.triangleCount; ++k) {
                ASSERT_GE(mesh.triangleIndices[k], 0);
                ASSERT_LT(mesh.triangleIndices[k], model.triangleCount);
                for (int32_t v : model.triangles[mesh.triangleIndices[k]].vertexIndices) {
                    ASSERT_GE(v, 0);
                    ASSERT_LT(v, model.vertexCount);
                }
            }
        }
        releaseModelArrays(model);
    }
}
