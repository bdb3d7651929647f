// Texture cache and TGA reader: which files load, the exact bytes and calls OpenGL gets, and what is cached.
#include "assets/texture_cache.h"
#include "tests/assets/asset_files.h"
#include "tests/fakes/call_log.h"
#include "tests/fakes/fake_gl.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

class TextureCacheTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        textureCache.clear();
        fakegl::reset();
    }
    void TearDown() override { textureCache.clear(); }
    ScratchDir dir;
};

// Every byte different, so a swapped or misplaced byte shows.
Bytes counting(size_t n)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = uint8_t(i * 7 + 1);
    return b;
}

// What OpenGL reads from a correct upload of the pixels as stored in the file: red and blue
// exchanged, rows in file order, every row but the last followed by zeros up to a multiple of 4.
Bytes expectedUpload(const Bytes &stored, size_t width, size_t height, size_t bpp)
{
    Bytes out;
    for (size_t row = 0; row < height; ++row) {
        for (size_t x = 0; x < width; ++x) {
            const uint8_t *p = &stored[(row * width + x) * bpp];
            out.insert(out.end(), {p[2], p[1], p[0]});
            if (bpp == 4) out.push_back(p[3]);
        }
        if (row + 1 < height)
            for (size_t pad = width * bpp; pad % 4; ++pad) out.push_back(0);
    }
    return out;
}

Bytes with(Bytes b, size_t at, uint8_t value)
{
    b[at] = value;
    return b;
}

Bytes cut(Bytes b, size_t size)
{
    b.resize(size);
    return b;
}

TEST_F(TextureCacheTest, RefusedFilesGiveZeroWithoutTouchingOpenGLOrTheCache)
{
    const Bytes good = tgaFile(2, 2, 32, counting(16));
    Bytes huge = tgaFile(65535, 65535, 32, counting(64));  // the size overflows 32 bits
    const struct {
        const char *what;
        Bytes file;
    } cases[] = {
        {"empty file", {}},
        {"11 bytes", cut(good, 11)},
        {"only the 12-byte prefix", cut(good, 12)},
        {"17-byte header", cut(good, 17)},
        {"image ID", with(good, 0, 6)},
        {"colour map type", with(good, 1, 1)},
        {"colour-mapped type 1", with(with(good, 1, 1), 2, 1)},
        {"run-length type 10", with(good, 2, 10)},
        {"greyscale type 3", with(good, 2, 3)},
        {"colour map specification", with(good, 5, 24)},
        {"X origin", with(good, 8, 1)},
        {"Y origin high byte", with(good, 11, 1)},
        {"width 0", tgaFile(0, 2, 32, counting(16))},
        {"height 0", tgaFile(2, 0, 32, counting(16))},
        {"depth 8", tgaFile(2, 2, 8, counting(16))},
        {"depth 15", tgaFile(2, 2, 15, counting(16))},
        {"depth 16", tgaFile(2, 2, 16, counting(16))},
        {"depth 0", tgaFile(2, 2, 0, counting(16))},
        {"one byte short, 32-bit", cut(good, good.size() - 1)},
        {"one byte short, 24-bit padded", tgaFile(3, 2, 24, counting(17))},
        {"65535 x 65535 header over a few bytes", huge},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        fakegl::reset();
        writeFile("image.tga", c.file);
        EXPECT_EQ(loadTexture("image.tga"), 0u);
        EXPECT_TRUE(fake::log().empty());
        EXPECT_TRUE(textureCache.empty());
    }
    EXPECT_EQ(loadTexture("missing.tga"), 0u);
    EXPECT_TRUE(fake::log().empty());
}

TEST_F(TextureCacheTest, UploadsWithLinearFiltersAndSwappedChannels)
{
    writeFile("rgb.tga", tgaFile(2, 1, 24, {0x10, 0x20, 0x30, 0x40, 0x50, 0x60}));
    // Extra bytes after the pixels (a footer) are never read.
    writeFile("rgba.tga", tgaFile(1, 1, 32, {0x10, 0x20, 0x30, 0x40, 0xEE, 0xEE, 0xEE}));

    EXPECT_EQ(loadTexture("rgb.tga"), 1u);
    EXPECT_EQ(loadTexture("rgba.tga"), 2u);
    EXPECT_EQ(fake::logText(), (std::vector<std::string>{
                                   "glGenTextures(1)",
                                   "glBindTexture(3553, 1)",
                                   "glTexParameterf(3553, 10241, 9729)",
                                   "glTexParameterf(3553, 10240, 9729)",
                                   "glTexImage2D(3553, 0, 6407, 2, 1, 0, 6407, 5121)",
                                   "glGenTextures(1)",
                                   "glBindTexture(3553, 2)",
                                   "glTexParameterf(3553, 10241, 9729)",
                                   "glTexParameterf(3553, 10240, 9729)",
                                   "glTexImage2D(3553, 0, 6408, 1, 1, 0, 6408, 5121)",
                               }));
    ASSERT_EQ(fakegl::texImages().size(), 2u);
    EXPECT_EQ(fakegl::texImages()[0].pixels, (Bytes{0x30, 0x20, 0x10, 0x60, 0x50, 0x40}));
    EXPECT_EQ(fakegl::texImages()[1].pixels, (Bytes{0x30, 0x20, 0x10, 0x40}));
    EXPECT_EQ(fakegl::boundTexture(), 2u);  // the new texture is left bound
}

TEST_F(TextureCacheTest, RowsGoInStoredOrderWhateverTheDescriptorSays)
{
    const Bytes stored = counting(2 * 3 * 4);
    const uint8_t descriptors[] = {0x00, 0x08, 0x20, 0x28, 0x10, 0x30};
    for (uint8_t descriptor : descriptors) {
        SCOPED_TRACE(int(descriptor));
        textureCache.clear();
        fakegl::reset();
        writeFile("rows.tga", tgaFile(2, 3, 32, stored, descriptor));
        ASSERT_NE(loadTexture("rows.tga"), 0u);
        // The first stored pixel is the first one uploaded, red first.
        EXPECT_EQ(fakegl::texImages().at(0).pixels[0], stored[2]);
        EXPECT_EQ(fakegl::texImages().at(0).pixels, expectedUpload(stored, 2, 3, 4));
    }
}

TEST_F(TextureCacheTest, RowsArePaddedForTheDefaultUnpackAlignment)
{
    for (uint8_t depth : {24, 32})
        for (uint32_t width = 1; width <= 5; ++width)
            for (uint32_t height = 1; height <= 3; ++height) {
                SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + " " + std::to_string(depth));
                textureCache.clear();
                fakegl::reset();
                const size_t bpp = depth / 8;
                const Bytes stored = counting(width * height * bpp);
                writeFile("pad.tga", tgaFile(width, height, depth, stored));
                ASSERT_NE(loadTexture("pad.tga"), 0u);
                const auto &image = fakegl::texImages().at(0);
                EXPECT_EQ(image.width, GLsizei(width));
                EXPECT_EQ(image.height, GLsizei(height));
                EXPECT_EQ(image.pixels, expectedUpload(stored, width, height, bpp));
            }
}

TEST_F(TextureCacheTest, SecondRequestIsAnsweredFromTheCacheEvenWhenTheFileIsGone)
{
    writeFile("snow.tga", tgaFile(1, 1, 24, {1, 2, 3}));
    const uint32_t first = loadTexture("snow.tga");
    ASSERT_NE(first, 0u);
    const size_t calls = fake::log().size();
    std::remove("snow.tga");
    EXPECT_EQ(loadTexture("snow.tga"), first);
    EXPECT_EQ(fake::log().size(), calls);  // no OpenGL call at all
    ASSERT_EQ(textureCache.size(), 1u);
    EXPECT_STREQ(textureCache[0].fileName, "snow.tga");
    EXPECT_EQ(textureCache[0].texture, first);
}

TEST_F(TextureCacheTest, NamesAreComparedExactly)
{
    writeFile("a.tga", tgaFile(1, 1, 24, {1, 2, 3}));
    writeFile("A.tga", tgaFile(1, 1, 24, {4, 5, 6}));
    const char *names[] = {"a.tga", "A.tga", "./a.tga", ".//a.tga"};
    for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(loadTexture(names[i]), i + 1) << names[i];
    ASSERT_EQ(textureCache.size(), 4u);
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_STREQ(textureCache[i].fileName, names[i]);
        EXPECT_EQ(textureCache[i].texture, i + 1);
    }
    EXPECT_EQ(fakegl::texturesGenerated(), 4u);
}

TEST_F(TextureCacheTest, FailedNamesAreTriedAgain)
{
    EXPECT_EQ(loadTexture("late.tga"), 0u);
    writeFile("late.tga", tgaFile(2, 1, 24, counting(5)));  // one byte short
    EXPECT_EQ(loadTexture("late.tga"), 0u);
    EXPECT_TRUE(textureCache.empty());
    writeFile("late.tga", tgaFile(2, 1, 24, counting(6)));
    EXPECT_EQ(loadTexture("late.tga"), 1u);
    EXPECT_EQ(textureCache.size(), 1u);
}

TEST_F(TextureCacheTest, NamesOf128CharactersOrMoreAreRefused)
{
    const std::string fits(127, 'n'), tooLong(128, 'n'), farTooLong(200, 'n');
    for (const auto &name : {fits, tooLong, farTooLong}) writeFile(name, tgaFile(1, 1, 24, {1, 2, 3}));
    EXPECT_EQ(loadTexture(tooLong.c_str()), 0u);
    EXPECT_EQ(loadTexture(farTooLong.c_str()), 0u);
    EXPECT_TRUE(fake::log().empty());
    EXPECT_TRUE(textureCache.empty());
    EXPECT_EQ(loadTexture(fits.c_str()), 1u);
    ASSERT_EQ(textureCache.size(), 1u);
    EXPECT_EQ(std::string(textureCache[0].fileName), fits);
}

}  // namespace
