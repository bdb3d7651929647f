// TGA reader on images larger than one read piece, and on streams that cannot tell their length: cases the fuzz
// runs reach only rarely, since their inputs stay small.
#include "assets/tga_reader.h"
#include "tests/assets/asset_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// Bytes that differ from their neighbours at every distance a misplaced row or piece could have.
Bytes scrambled(size_t n)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = uint8_t((uint32_t(i) * 2654435761u) >> 13);
    return b;
}

// Red and blue exchanged, rows in file order, each row padded with zeros to a multiple of 4.
Bytes expectedPixels(const Bytes &stored, size_t width, size_t height, size_t bpp)
{
    const size_t row = width * bpp, stride = (row + 3) / 4 * 4;
    Bytes out(stride * height, 0);
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x) {
            const uint8_t *in = &stored[y * row + x * bpp];
            uint8_t *to = &out[y * stride + x * bpp];
            to[0] = in[2];
            to[1] = in[1];
            to[2] = in[0];
            if (bpp == 4) to[3] = in[3];
        }
    return out;
}

struct Case {
    uint32_t width, height;
    uint8_t depth;
};

// Unpadded images of two, three and four 256 KiB pieces, a piece boundary inside a row, padded rows long
// enough for the 16-pixel shuffles with a tail, and widths just around those 16- and 18-pixel steps.
const Case cases[] = {
    {300, 300, 24}, {300, 300, 32}, {512, 512, 24}, {512, 512, 32}, {1000, 200, 24}, {301, 300, 24}, {1021, 3, 24},
    {17, 2, 24},    {18, 2, 24},    {19, 5, 24},    {15, 3, 32},    {16, 3, 32},     {17, 3, 32},
};

class TgaLarge : public ::testing::Test {
protected:
    ScratchDir dir;
};

}  // namespace

TEST_F(TgaLarge, EveryPixelSwappedAndPlacedAcrossPiecesAndRows)
{
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "x" + std::to_string(c.depth));
        const size_t bpp = c.depth / 8u;
        const Bytes stored = scrambled(size_t(c.width) * c.height * bpp);
        writeFile("image.tga", tgaFile(c.width, c.height, c.depth, stored));
        TgaImage image;
        ASSERT_TRUE(readTgaFile("image.tga", image, nullptr, 0));
        const Bytes expected = expectedPixels(stored, c.width, c.height, bpp);
        ASSERT_EQ(image.size, expected.size());
        EXPECT_TRUE(Bytes(image.pixels, image.pixels + image.size) == expected);
        freeTgaImage(image);
    }
}

TEST_F(TgaLarge, StreamThatCannotTellItsLengthShortInALaterPieceIsRefused)
{
    // A pipe cannot be measured beforehand, so the buffer is allocated and the shortfall only shows while reading.
    for (const Case &c : {Case{512, 512, 24}, Case{512, 512, 32}, Case{301, 300, 24}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.depth));
        const size_t data = size_t(c.width) * c.height * (c.depth / 8u);
        Bytes file = tgaFile(c.width, c.height, c.depth, scrambled(data));
        for (const size_t missing : {size_t(1), data / 2}) {
            writeFile("short.tga", Bytes(file.begin(), file.end() - long(missing)));
            std::FILE *pipe = popen("cat short.tga", "r");
            ASSERT_NE(pipe, nullptr);
            TgaImage image;
            char reason[200] = "";
            EXPECT_FALSE(readTga(pipe, image, reason, sizeof reason));
            pclose(pipe);
            EXPECT_EQ(image.pixels, nullptr);
            EXPECT_NE(std::string(reason).find("missing"), std::string::npos) << reason;
        }
        // The whole file through the same kind of stream reads as from disk.
        writeFile("whole.tga", file);
        std::FILE *pipe = popen("cat whole.tga", "r");
        ASSERT_NE(pipe, nullptr);
        TgaImage image;
        EXPECT_TRUE(readTga(pipe, image, nullptr, 0));
        pclose(pipe);
        EXPECT_TRUE(Bytes(image.pixels, image.pixels + image.size) ==
                    expectedPixels(Bytes(file.begin() + 18, file.end()), c.width, c.height, c.depth / 8u));
        freeTgaImage(image);
    }
}
