// Asset names that are not regular files: FIFOs, directories and devices are refused at once, with their
// reason, and a refusal is an ordinary failed load that the next request tries again.
#include "assets/mesh_model.h"
#include "assets/ms3d_reader.h"
#include "assets/texture_cache.h"
#include "assets/tga_reader.h"
#include "tests/assets/asset_files.h"
#include "tests/fakes/call_log.h"
#include "tests/fakes/system_state.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

struct SpecialFiles : ::testing::Test {
    void SetUp() override
    {
        resetSystemState();
        ASSERT_EQ(mkfifo("pipe.tga", 0600), 0);
        ASSERT_EQ(mkfifo("pipe.ms3d", 0600), 0);
        std::filesystem::create_directory("folder.tga");
        std::filesystem::create_directory("folder.ms3d");
    }
    void TearDown() override { resetSystemState(); }
    ScratchDir dir;
};

std::string tgaReason(const char *name)
{
    char reason[256] = "not set";
    TgaImage image;
    EXPECT_FALSE(readTgaFile(name, image, reason, sizeof reason)) << name;
    EXPECT_EQ(image.pixels, nullptr);
    return reason;
}

std::string ms3dReason(const char *name)
{
    char reason[256] = "not set";
    ModelArrays arrays;
    EXPECT_FALSE(readMs3dFile(name, arrays, nullptr, reason, sizeof reason)) << name;
    return reason;
}

// A FIFO with no writer would block an ordinary open for ever: reaching the assertions at all is the test.
TEST_F(SpecialFiles, ReadersSayWhatTheNameIs)
{
    EXPECT_EQ(tgaReason("pipe.tga"), "not a regular file: it is a FIFO (named pipe)");
    EXPECT_EQ(tgaReason("folder.tga"), "not a regular file: it is a directory");
    EXPECT_EQ(tgaReason("/dev/null"), "not a regular file: it is a character device");
    EXPECT_EQ(ms3dReason("pipe.ms3d"), "not a regular file: it is a FIFO (named pipe)");
    // Once asked the reader for 2^63 bytes and reported it as out of memory.
    EXPECT_EQ(ms3dReason("folder.ms3d"), "not a regular file: it is a directory");
    EXPECT_EQ(ms3dReason("/dev/zero"), "not a regular file: it is a character device");
    EXPECT_EQ(tgaReason("missing.tga"), "cannot open: No such file or directory");
}

TEST_F(SpecialFiles, TextureRefusalsCacheNothingAndTheNextRequestTriesAgain)
{
    for (const char *name : {"pipe.tga", "folder.tga"}) {
        const size_t calls = fake::log().size();
        EXPECT_EQ(loadTexture(name), 0u) << name;
        EXPECT_EQ(fake::log().size(), calls) << name << ": no texture made for a refusal";
    }
    EXPECT_TRUE(textureCache.empty());

    // The same name, now a real image, loads on the next request.
    std::filesystem::remove("pipe.tga");
    writeFile("pipe.tga", tgaFile(1, 1, 24, {1, 2, 3}));
    EXPECT_EQ(loadTexture("pipe.tga"), 1u);
    ASSERT_EQ(textureCache.size(), 1u);
    EXPECT_STREQ(textureCache[0].fileName, "pipe.tga");
}

TEST_F(SpecialFiles, ModelRefusalsLeaveTheModelEmpty)
{
    for (const char *name : {"pipe.ms3d", "folder.ms3d"}) {
        Ms3dModel model;
        EXPECT_FALSE(model.loadFromFile(name)) << name;
        EXPECT_EQ(model.meshCount, 0) << name;
        EXPECT_EQ(model.triangleCount, 0) << name;
        EXPECT_EQ(model.vertexCount, 0) << name;
    }
}

#ifdef FROSTEL_INSPECT
// The inspector once read a FIFO's stream to guess its kind, then opened it again and waited for ever.
// The run is bounded by `timeout`, so a regression fails here instead of hanging the suite.
TEST_F(SpecialFiles, InspectorAnswersAtOnceEvenWithAWriterOnTheFifo)
{
    const std::string command = "sh -c 'yes > pipe.tga 2>/dev/null & writer=$!; timeout 30 \"" FROSTEL_INSPECT
                                "\" pipe.tga folder.ms3d folder.tga; status=$?; kill $writer 2>/dev/null; "
                                "wait 2>/dev/null; exit $status'";
    std::FILE *pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[1024];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, got);
    const int status = pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "124 means it hung\n" << out;
    EXPECT_EQ(out, "pipe.tga: refused: not a regular file: it is a FIFO (named pipe)\n"
                   "folder.ms3d: refused: not a regular file: it is a directory\n"
                   "folder.tga: refused: not a regular file: it is a directory\n");
}
#endif

}  // namespace
