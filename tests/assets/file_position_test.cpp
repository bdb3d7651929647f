// 64-bit file positions, and the TGA reader's short-file check past 2 GiB, where a 32-bit position would fail.
#include "common/file_position.h"
#include "assets/tga_reader.h"
#include "tests/assets/asset_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

namespace {

const int64_t twoGiB = int64_t{1} << 31;

TEST(FilePosition, PositionsAndLengthsPast2GiBAreExact)
{
    ScratchDir dir;
    writeFile("big.bin", {});
    ASSERT_EQ(truncate("big.bin", twoGiB + 18), 0);  // sparse: no disk is used
    std::FILE *file = std::fopen("big.bin", "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(filePosition(file), 0);
    EXPECT_EQ(fileBytesLeft(file), twoGiB + 18);
    EXPECT_EQ(filePosition(file), 0) << "the position is kept";
    ASSERT_TRUE(setFilePosition(file, twoGiB + 5, SEEK_SET));
    EXPECT_EQ(filePosition(file), twoGiB + 5);
    EXPECT_EQ(fileBytesLeft(file), 13);
    ASSERT_TRUE(setFilePosition(file, -3, SEEK_END));
    EXPECT_EQ(filePosition(file), twoGiB + 15);
    ASSERT_TRUE(setFilePosition(file, -twoGiB, SEEK_CUR));
    EXPECT_EQ(filePosition(file), 15);
    std::fclose(file);
}

TEST(FilePosition, ATgaOf2GiBWhoseHeaderAsksFor17GBIsShort)
{
    ScratchDir dir;
    writeFile("long.tga", tgaFile(65535, 65535, 32, {}));
    ASSERT_EQ(truncate("long.tga", twoGiB + 18), 0);  // 2 147 483 666 bytes
    char reason[256] = {};
    TgaImage image;
    EXPECT_FALSE(readTgaFile("long.tga", image, reason, sizeof reason));
    EXPECT_STREQ(reason, "pixel data short: 65535x65535 at 32 bits needs 17179344900 bytes, the file holds 2147483648 "
                         "(15031861252 missing)");
    EXPECT_EQ(image.pixels, nullptr);
}

}  // namespace
