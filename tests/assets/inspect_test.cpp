// frostel-inspect: the lines it prints, the pixels it dumps and its exit status, run as a user would.
#include "tests/assets/asset_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

namespace {

#ifdef FROSTEL_INSPECT

struct Outcome {
    int status;
    std::string out;
};

Outcome inspect(const std::string &arguments)
{
    const std::string command = std::string("'") + FROSTEL_INSPECT + "' " + arguments + " 2>/dev/null";
    std::FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) return {-1, {}};
    std::string out;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

class InspectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeFile("bark.tga", tgaFile(1, 1, 24, {1, 2, 3}));
        writeFile("rgb.tga", tgaFile(3, 2, 24, rgbPixels));
        writeFile("rgba.tga", tgaFile(2, 2, 32, Bytes(16, 9), 0x28));
        Bytes rle = tgaFile(2, 2, 32, Bytes(16, 9));
        rle[2] = 10;
        writeFile("rle.tga", rle);
        writeFile("short.tga", tgaFile(3, 2, 24, Bytes(17, 1)));
        writeFile("deep.tga", tgaFile(2, 2, 16, Bytes(8, 1)));

        Ms3dContent tree = oneOfEach("bark.tga");
        tree.materials.push_back(tree.materials[0]);
        tree.materials.push_back(tree.materials[0]);
        tree.materials[1].textureField = "gone.tga";
        tree.materials[2].textureField = "";
        writeFile("tree.ms3d", ms3dFile(tree));
        Ms3dContent bad = oneOfEach();
        bad.groups[0].triangles[0] = 1;
        writeFile("bad.ms3d", ms3dFile(bad));
        writeFile("old.ms3d", ms3dFile(oneOfEach(), 2));
        const Bytes whole = ms3dFile(oneOfEach());
        writeFile("cut.ms3d", Bytes(whole.begin(), whole.end() - 5));
    }

    ScratchDir dir;
    const Bytes rgbPixels{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
};

TEST_F(InspectTest, AcceptedFilesGetOneLineEachAndExitZero)
{
    const Outcome run = inspect("rgb.tga rgba.tga tree.ms3d");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "rgb.tga: ok tga 3x2 24-bit\n"
              "rgba.tga: ok tga 2x2 32-bit\n"
              "tree.ms3d: ok ms3d version 4, 1 vertices, 1 triangles, 1 meshes, 3 materials\n"
              "  material 0: bark.tga: loads, tga 1x1 24-bit\n"
              "  material 1: gone.tga: does not load: cannot open: No such file or directory\n"
              "  material 2: no texture file\n");
}

TEST_F(InspectTest, RefusedFilesSayWhyAndExitOne)
{
    const struct {
        const char *file;
        const char *line;
    } cases[] = {
        {"rle.tga", "rle.tga: refused: header byte 2 is 0x0a, expected 0x02: image type 10 (run-length encoded "
                    "true-colour); only type 2, uncompressed true-colour, is read\n"},
        {"short.tga", "short.tga: refused: pixel data short: 3x2 at 24 bits needs 18 bytes, the file holds 17 "
                      "(1 missing)\n"},
        {"deep.tga", "deep.tga: refused: depth is 16 bits; only 24 and 32 are read\n"},
        {"none.tga", "none.tga: refused: cannot open: No such file or directory\n"},
        {"bad.ms3d", "bad.ms3d: refused: out of range: group 0 entry 0 names triangle 1, but the model has 1 "
                     "triangles\n"},
        {"old.ms3d", "old.ms3d: refused: version 2; only versions 3 and 4 are read\n"},
        {"cut.ms3d", "cut.ms3d: refused: file too short for 1 material record: 361 bytes needed, 5 missing\n"},
        {"bark.tga.ms3d", "bark.tga.ms3d: refused: cannot open: No such file or directory\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const Outcome run = inspect(c.file);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, c.line);
    }
    // A model named like an image is still recognised by its identifier.
    std::rename("tree.ms3d", "tree.bin");
    const Outcome mixed = inspect("tree.bin deep.tga rgb.tga");
    EXPECT_EQ(mixed.status, 1);
    EXPECT_EQ(mixed.out.substr(0, mixed.out.find('\n')),
              "tree.bin: ok ms3d version 4, 1 vertices, 1 triangles, 1 meshes, 3 materials");
    EXPECT_NE(mixed.out.find("\ndeep.tga: refused: "), std::string::npos);
    EXPECT_NE(mixed.out.find("\nrgb.tga: ok tga 3x2 24-bit\n"), std::string::npos);
}

TEST_F(InspectTest, PixelsAreTheBytesHandedToOpenGL)
{
    // Red and blue exchanged, each 9-byte row padded to 12.
    Bytes expected;
    for (size_t row = 0; row < 2; ++row) {
        for (size_t x = 0; x < 3; ++x) {
            const uint8_t *p = &rgbPixels[row * 9 + x * 3];
            expected.insert(expected.end(), {p[2], p[1], p[0]});
        }
        expected.insert(expected.end(), {0, 0, 0});
    }
    const Outcome run = inspect("--pixels rgb.tga");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(Bytes(run.out.begin(), run.out.end()), expected);

    const Outcome refused = inspect("--pixels rle.tga");
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.out.empty());
    EXPECT_EQ(inspect("").status, 2);
}

#endif

}  // namespace
