// frostel-inspect: the lines it prints, the pixels it dumps and its exit status, run as a user would.
#include "tests/assets/asset_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

#ifdef FROSTEL_INSPECT
namespace {

struct Outcome {
    int status;
    std::string out;
};

Outcome inspect(const std::string &arguments, int limitKb = 1048576)
{
    // Held to 1 GB of address space, so that an inspector that takes a huge file whole fails instead of filling
    // the machine's memory.
    std::FILE *pipe = popen(
        ("ulimit -v " + std::to_string(limitKb) + "; '" FROSTEL_INSPECT "' " + arguments + " 2>/dev/null").c_str(),
        "r");
    std::string out;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, got);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

struct InspectTest : ::testing::Test {
    void SetUp() override
    {
        writeFile("bark.tga", tgaFile(1, 1, 24, {1, 2, 3}));
        writeFile("rgb.tga", tgaFile(3, 2, 24, rgbPixels));
        writeFile("rgba.tga", tgaFile(2, 2, 32, Bytes(16, 9), 0x28));
        writeFile("rle.tga", {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 32, 0, 0x80, 1, 2, 3, 4});
        writeFile("short.tga", tgaFile(3, 2, 24, Bytes(17, 1)));
        writeFile("deep.tga", tgaFile(2, 2, 16, Bytes(8, 1)));
        Ms3dContent tree = oneOfEach("bark.tga");
        tree.materials.resize(3, tree.materials[0]);
        tree.materials[1].textureField = "gone.tga";
        tree.materials[2].textureField = "";
        writeFile("tree.ms3d", ms3dFile(tree));
        Ms3dContent bad = oneOfEach();
        bad.groups[0].triangles[0] = 1;
        writeFile("bad.ms3d", ms3dFile(bad));
        writeFile("old.ms3d", ms3dFile(oneOfEach(), 2));
        const Bytes whole = ms3dFile(oneOfEach());
        writeFile("cut.ms3d", Bytes(whole.begin(), whole.end() - 5));
        const std::string wav(
            "RIFF\x2c\0\0\0WAVEfmt \x10\0\0\0\1\0\1\0\x22\x56\0\0\x44\xac\0\0\2\0\x10\0data\2\0\0\0\0\0", 46);
        writeFile("music.wav", Bytes(wav.begin(), wav.end()));
        writeFile("bare.wav", Bytes(wav.begin(), wav.begin() + 12));
        writeFile("empty.wav", {});
        // The same sound at 1 Hz (bytes 24 to 27 are the rate, 28 to 31 the bytes a second).
        std::string slow = wav;
        slow.replace(24, 8, std::string("\1\0\0\0\2\0\0\0", 8));
        writeFile("slow.wav", Bytes(slow.begin(), slow.end()));
    }
    ScratchDir dir;
    const Bytes rgbPixels{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
};

TEST_F(InspectTest, AcceptedFilesGetOneLineEachAndExitZero)
{
    const Outcome run = inspect("rgb.tga rgba.tga music.wav tree.ms3d");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "rgb.tga: ok tga 3x2 24-bit\n"
              "rgba.tga: ok tga 2x2 32-bit\n"
              "music.wav: ok wav 22050 Hz 16-bit 1 channel, 0.0 s: the demo plays it, looping\n"
              "tree.ms3d: ok ms3d version 4, 1 vertices, 1 triangles, 1 meshes, 3 materials\n"
              "  material 0: bark.tga: loads, tga 1x1 24-bit\n"
              "  material 1: gone.tga: does not load: cannot open: No such file or directory (names are taken from "
              "the working directory)\n"
              "  material 2: no texture file\n");
}

TEST_F(InspectTest, RefusedFilesSayWhyAndExitOne)
{
    std::rename("tree.ms3d", "tree.bin");  // a model is known by its identifier too
    const Outcome run = inspect("rle.tga short.tga deep.tga none.tga bad.ms3d old.ms3d cut.ms3d bare.wav tree.bin "
                                "empty.wav slow.wav");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out,
              "rle.tga: refused: header byte 2 is 0x0a, expected 0x02: image type 10 (run-length encoded "
              "true-colour); only type 2, uncompressed true-colour, is read\n"
              "short.tga: refused: pixel data short: 3x2 at 24 bits needs 18 bytes, the file holds 17 (1 missing)\n"
              "deep.tga: refused: depth is 16 bits; only 24 and 32 are read\n"
              "none.tga: refused: cannot open: No such file or directory\n"
              "bad.ms3d: refused: out of range: group 0 entry 0 names triangle 1, but the model has 1 triangles\n"
              "old.ms3d: refused: version 2; only versions 3 and 4 are read\n"
              "cut.ms3d: refused: file too short for 1 material record: 361 bytes needed, 5 missing\n"
              "bare.wav: refused: no format chunk: the demo plays its short chime instead\n"
              "tree.bin: ok ms3d version 4, 1 vertices, 1 triangles, 1 meshes, 3 materials\n"
              "  material 0: bark.tga: loads, tga 1x1 24-bit\n"
              "  material 1: gone.tga: does not load: cannot open: No such file or directory (names are taken from "
              "the working directory)\n"
              "  material 2: no texture file\n"
              "empty.wav: refused: empty file: the demo plays its short chime instead\n"
              "slow.wav: refused: rates of 1000 to 384000 Hz are played; this file's is 1 Hz: the demo plays its "
              "short chime instead\n");
}

TEST_F(InspectTest, HugeModelsAreRefusedFromTheirHeaderOrLengthUnread)
{
    // Sparse: zeros up to the length, none of them on disk. 8621260342 bytes is the largest model there can be.
    const Bytes whole = ms3dFile(oneOfEach());
    writeFile("zeros.ms3d", {});
    writeFile("huge.ms3d", Bytes(whole.begin(), whole.begin() + 14));
    ASSERT_EQ(truncate("zeros.ms3d", off_t{4} << 30), 0);
    ASSERT_EQ(truncate("huge.ms3d", off_t{8621260343}), 0);
    const Outcome run = inspect("zeros.ms3d huge.ms3d");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "zeros.ms3d: refused: not an MS3D file: byte 0 is 0x00 where \"MS3D000000\" has 'M' (0x4d)\n"
                       "huge.ms3d: refused: file too large: 8621260343 bytes, where the largest model the format can "
                       "hold takes 8621260342\n");
}

TEST_F(InspectTest, ImagesNoOpenGLTakesAreRefusedFromTheirHeaderInLittleMemory)
{
    // Full length, so nothing is short: 65535 x 65535 x 32 bits is 17 GB of sparse zeros. The inspector runs here
    // under 300 MB of address space, where taking the pixels would fail as "cannot allocate".
    writeFile("vast.tga", tgaFile(65535, 65535, 32, {}));
    ASSERT_EQ(truncate("vast.tga", off_t{18} + off_t{65535} * 65535 * 4), 0);
    writeFile("wide.tga", tgaFile(16385, 1, 24, Bytes(16385 * 3, 7)));
    writeFile("edge.tga", tgaFile(16384, 1, 24, Bytes(16384 * 3, 7)));
    const Outcome run = inspect("vast.tga wide.tga edge.tga", 300 * 1024);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "vast.tga: refused: the image is 65535x65535, more than 16384 pixels, the largest texture side "
                       "allowed\n"
                       "wide.tga: refused: the image is 16385x1, more than 16384 pixels, the largest texture side "
                       "allowed\n"
                       "edge.tga: ok tga 16384x1 24-bit\n");
    EXPECT_EQ(inspect("--pixels vast.tga", 300 * 1024).status, 1);
}

TEST_F(InspectTest, ControlCharactersFromFilesAreWrittenEscaped)
{
    // A name that would set the window title, rewrite its own line as a lie and hide the next one.
    Ms3dContent model = oneOfEach("\x1b]0;owned\x07gone.tga\r\x1b[2K  material 0: bark.tga: loads\x1b[8m");
    model.materials.resize(2, model.materials[0]);
    // UTF-8 stays as it is; a C1 control (U+009B, a one-byte escape sequence start) and a stray byte do not.
    model.materials[1].textureField = "sn\xc3\xb6w \xc2\x9b"
                                      "2J \xff\x7f.tga";
    writeFile("lies.ms3d", ms3dFile(model));
    writeFile("\x1b[31mred.tga", tgaFile(1, 1, 24, {1, 2, 3}));
    const Outcome run = inspect("lies.ms3d \"$(printf '\\033[31mred.tga')\"");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(
        run.out,
        "lies.ms3d: ok ms3d version 4, 1 vertices, 1 triangles, 1 meshes, 2 materials\n"
        "  material 0: \\x1b]0;owned\\x07gone.tga\\x0d\\x1b[2K  material 0: bark.tga: loads\\x1b[8m: does not "
        "load: cannot open: No such file or directory (names are taken from the working directory)\n"
        "  material 1: sn\xc3\xb6w \\xc2\\x9b2J \\xff\\x7f.tga: does not load: cannot open: No such file or directory "
        "(names are taken from the working directory)\n"
        "\\x1b[31mred.tga: ok tga 1x1 24-bit\n");
    for (char c : run.out) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << int(c);
}

TEST_F(InspectTest, PixelsAreTheBytesHandedToOpenGL)
{
    Bytes expected;  // red and blue exchanged, each 9-byte row padded to 12
    for (size_t i = 0; i < 18; i += 3) {
        expected.insert(expected.end(), {rgbPixels[i + 2], rgbPixels[i + 1], rgbPixels[i]});
        if (i % 9 == 6) expected.insert(expected.end(), 3, 0);
    }
    const Outcome run = inspect("--pixels rgb.tga");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(Bytes(run.out.begin(), run.out.end()), expected);
    EXPECT_EQ(inspect("--pixels rle.tga").status, 1);
    EXPECT_EQ(inspect("--pixels rle.tga").out, "");
    EXPECT_EQ(inspect("").status, 2);
}

}  // namespace
#endif
