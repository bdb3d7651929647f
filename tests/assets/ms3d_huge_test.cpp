// Model files far longer than their model, made sparse so that they cost no disk: refused from their header
// or their length, or read only as far as the model goes.
#include "assets/mesh_model.h"
#include "assets/ms3d_reader.h"
#include "tests/assets/asset_files.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The largest model the format's 16-bit counts allow, worked out by hand: the 14-byte header, then after each
// 2-byte count 65535 vertices of 15 bytes, 65535 triangles of 70, 65535 groups of 36 bytes plus 65535 indices
// of 2 bytes, and 65535 materials of 361.
const uint64_t largestModel = 8621260342ull;
const uint64_t fourGigabytes = 4ull << 30;

// `head` followed by zeros up to `length` bytes, none of them on disk.
void writeSparse(const char *name, const Bytes &head, uint64_t length)
{
    writeFile(name, head);
    ASSERT_EQ(truncate(name, static_cast<off_t>(length)), 0) << name;
}

Bytes header(int32_t version)
{
    const Bytes whole = ms3dFile({}, version);
    return Bytes(whole.begin(), whole.begin() + 14);
}

// Runs `load` in a child held to 512 MB of address space and 30 seconds, so that a reader that takes the whole
// file fails or is killed instead of filling the machine's memory or hanging the run.
std::string inGuardedChild(const std::function<std::string()> &load)
{
    int out[2];
    if (pipe(out) != 0) return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(out[0]);
        const rlimit limit{512u << 20, 512u << 20};
        setrlimit(RLIMIT_AS, &limit);
        alarm(30);
        const std::string said = load();
        const ssize_t written = write(out[1], said.data(), said.size());
        _exit(written == static_cast<ssize_t>(said.size()) ? 0 : 1);
    }
    close(out[1]);
    std::string said;
    char buffer[512];
    for (ssize_t got; (got = read(out[0], buffer, sizeof buffer)) > 0;) said.append(buffer, size_t(got));
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) return "child ended by signal " + std::to_string(WTERMSIG(status));
    return said;
}

std::string readerSays(const char *name)
{
    return inGuardedChild([name] {
        char reason[256] = "";
        ModelArrays arrays;
        if (!readMs3dFile(name, arrays, nullptr, reason, sizeof reason)) return "refused: " + std::string(reason);
        std::string counts = "ok";
        for (const int32_t count : {arrays.vertexCount, arrays.triangleCount, arrays.meshCount, arrays.materialCount})
            counts += " " + std::to_string(count);
        releaseModelArrays(arrays);
        return counts;
    });
}

struct Ms3dHuge : ::testing::Test {
    ScratchDir dir;
};

}  // namespace

TEST_F(Ms3dHuge, FourGigabytesOfZerosAreRefusedByTheirFirstByteAsAnOrdinaryFailedLoad)
{
    writeSparse("tree.ms3d", {}, fourGigabytes);
    EXPECT_EQ(readerSays("tree.ms3d"), "refused: not an MS3D file: byte 0 is 0x00 where \"MS3D000000\" has 'M' (0x4d)");
    EXPECT_EQ(inGuardedChild([] {
                  Ms3dModel model;
                  const bool loaded = static_cast<MeshModel &>(model).loadFromFile("tree.ms3d");
                  return std::to_string(loaded) + " " +
                         std::to_string(model.vertexCount + model.triangleCount + model.meshCount +
                                        model.materialCount);
              }),
              "0 0");
}

TEST_F(Ms3dHuge, AFileLongerThanTheLargestModelIsRefusedByItsLengthAndOneOfExactlyThatLengthIsRead)
{
    // Zeros after the header are four empty sections, so the longest accepted file loads as an empty model.
    writeSparse("longest.ms3d", header(4), largestModel);
    writeSparse("longer.ms3d", header(3), largestModel + 1);
    EXPECT_EQ(readerSays("longest.ms3d"), "ok 0 0 0 0");
    EXPECT_EQ(readerSays("longer.ms3d"),
              "refused: file too large: 8621260343 bytes, where the largest model the format can hold takes "
              "8621260342");
    // The header still comes first: a bad version is the reason, not the length.
    writeSparse("old.ms3d", header(2), largestModel + 1);
    EXPECT_EQ(readerSays("old.ms3d"), "refused: version 2; only versions 3 and 4 are read");
}

TEST_F(Ms3dHuge, ASmallModelAtTheStartOfAHugeFileLoadsWithoutTheRest)
{
    writeSparse("tree.ms3d", ms3dFile(oneOfEach()), fourGigabytes);
    EXPECT_EQ(readerSays("tree.ms3d"), "ok 1 1 1 1");
    // 17 MB, longer than a file read whole, with a material count that announces more than the file holds: it
    // is read to its end and refused for the records missing.
    Bytes head = header(4);
    head.insert(head.end(), {0, 0, 0, 0, 0, 0, 0xFF, 0xFF});
    writeSparse("short.ms3d", head, 17u << 20);
    EXPECT_EQ(readerSays("short.ms3d"),
              "refused: file too short for 65535 material records: 23658135 bytes needed, 5832365 missing");
}
