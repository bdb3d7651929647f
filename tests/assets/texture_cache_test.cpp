// Texture cache and TGA reader: which files load, the exact bytes and calls OpenGL gets, and what is cached.
#include "assets/texture_cache.h"
#include "tests/assets/asset_files.h"
#include "tests/fakes/call_log.h"
#include "tests/fakes/fake_gl.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

struct TextureCacheTest : ::testing::Test {
    void SetUp() override { restart(); }
    void TearDown() override { textureCache.clear(); }
    static void restart()
    {
        textureCache.clear();
        fakegl::reset();
    }
    ScratchDir dir;
};

// Every byte different, so a swapped or misplaced byte shows.
Bytes counting(size_t n)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = uint8_t(i * 7 + 1);
    return b;
}

// What OpenGL reads from a correct upload: red and blue exchanged, rows in file order, every
// row but the last followed by zeros up to a multiple of 4.
Bytes expectedUpload(const Bytes &stored, size_t width, size_t height, size_t bpp)
{
    Bytes out;
    for (size_t i = 0; i < width * height; ++i) {
        const uint8_t *p = &stored[i * bpp];
        out.insert(out.end(), {p[2], p[1], p[0]});
        if (bpp == 4) out.push_back(p[3]);
        if ((i + 1) % width == 0 && i + 1 < width * height) out.resize((out.size() + 3) / 4 * 4);
    }
    return out;
}

Bytes edit(Bytes b, size_t at, uint8_t value, size_t size = 0)
{
    b[at] = value;
    if (size) b.resize(size);
    return b;
}

TEST_F(TextureCacheTest, RefusedFilesGiveZeroWithoutTouchingOpenGLOrTheCache)
{
    const Bytes good = tgaFile(2, 2, 32, counting(16));
    const struct {
        const char *what;
        Bytes file;
    } cases[] = {
        {"empty file", {}},
        {"11 bytes", edit(good, 0, 0, 11)},
        {"only the 12-byte prefix", edit(good, 0, 0, 12)},
        {"17-byte header", edit(good, 0, 0, 17)},
        {"image ID", edit(good, 0, 6)},
        {"colour map type", edit(good, 1, 1)},
        {"colour-mapped type 1", edit(edit(good, 1, 1), 2, 1)},
        {"run-length type 10", edit(good, 2, 10)},
        {"greyscale type 3", edit(good, 2, 3)},
        {"colour map fields", edit(good, 5, 24)},
        {"X origin", edit(good, 8, 1)},
        {"Y origin high byte", edit(good, 11, 1)},
        {"width 0", tgaFile(0, 2, 32, counting(16))},
        {"height 0", tgaFile(2, 0, 32, counting(16))},
        {"depth 8", tgaFile(2, 2, 8, counting(16))},
        {"depth 15", tgaFile(2, 2, 15, counting(16))},
        {"depth 16", tgaFile(2, 2, 16, counting(16))},
        {"one byte short, 32-bit", edit(good, 0, 0, good.size() - 1)},
        {"one byte short, 24-bit padded", tgaFile(3, 2, 24, counting(17))},
        {"65535 x 65535 over a few bytes", tgaFile(65535, 65535, 32, counting(64))},  // size past 32 bits
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
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
    writeFile("rgba.tga", tgaFile(1, 1, 32, {0x10, 0x20, 0x30, 0x40, 0xEE, 0xEE}));  // a footer is never read
    EXPECT_EQ(loadTexture("rgb.tga"), 1u);
    EXPECT_EQ(loadTexture("rgba.tga"), 2u);
    std::vector<std::string> expected;
    for (int texture : {1, 2})
        expected.insert(expected.end(), {"glGetIntegerv(3379)", "glGenTextures(1)",
                                         "glBindTexture(3553, " + std::to_string(texture) + ")",
                                         "glTexParameterf(3553, 10241, 9729)", "glTexParameterf(3553, 10240, 9729)",
                                         texture == 1 ? "glTexImage2D(3553, 0, 6407, 2, 1, 0, 6407, 5121)"
                                                      : "glTexImage2D(3553, 0, 6408, 1, 1, 0, 6408, 5121)"});
    EXPECT_EQ(fake::logText(), expected);
    EXPECT_EQ(fakegl::texImages().at(0).pixels, (Bytes{0x30, 0x20, 0x10, 0x60, 0x50, 0x40}));
    EXPECT_EQ(fakegl::texImages().at(1).pixels, (Bytes{0x30, 0x20, 0x10, 0x40}));
    EXPECT_EQ(fakegl::boundTexture(), 2u);  // the new texture is left bound
}

TEST_F(TextureCacheTest, RowsArePaddedAndKeepStoredOrderForEitherOrigin)
{
    for (uint8_t descriptor : {0x00, 0x20, 0x28})
        for (uint8_t depth : {24, 32})
            for (uint32_t width = 1; width <= 5; ++width)
                for (uint32_t height = 1; height <= 3; ++height) {
                    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth) +
                                 " descriptor " + std::to_string(descriptor));
                    restart();
                    const Bytes stored = counting(width * height * depth / 8);
                    writeFile("pad.tga", tgaFile(width, height, depth, stored, descriptor));
                    ASSERT_NE(loadTexture("pad.tga"), 0u);
                    const auto &image = fakegl::texImages().at(0);
                    EXPECT_EQ(image.width, GLsizei(width));
                    EXPECT_EQ(image.height, GLsizei(height));
                    EXPECT_EQ(image.pixels, expectedUpload(stored, width, height, depth / 8));
                }
}

TEST_F(TextureCacheTest, EachExactNameReadsItsFileOnceAndFailuresAreRetried)
{
    writeFile("a.tga", tgaFile(1, 1, 24, {1, 2, 3}));
    writeFile("A.tga", tgaFile(1, 1, 24, {4, 5, 6}));
    const char *names[] = {"a.tga", "A.tga", "./a.tga", ".//a.tga"};
    for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(loadTexture(names[i]), i + 1) << names[i];

    // Answered from the cache without any OpenGL call, even with the file gone.
    std::remove("a.tga");
    const size_t calls = fake::log().size();
    for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(loadTexture(names[i]), i + 1) << names[i];
    EXPECT_EQ(fake::log().size(), calls);
    ASSERT_EQ(textureCache.size(), 4u);
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_STREQ(textureCache[i].fileName, names[i]);
        EXPECT_EQ(textureCache[i].texture, i + 1);
    }

    EXPECT_EQ(loadTexture("late.tga"), 0u);
    writeFile("late.tga", tgaFile(2, 1, 24, counting(5)));  // one byte short
    EXPECT_EQ(loadTexture("late.tga"), 0u);
    writeFile("late.tga", tgaFile(2, 1, 24, counting(6)));
    EXPECT_EQ(loadTexture("late.tga"), 5u);
    EXPECT_EQ(textureCache.size(), 5u);
}

TEST_F(TextureCacheTest, ImagesOverTheLargestTextureSideAreRefusedAndAskedAgainNextTime)
{
    fakegl::maxTextureSize() = 4;
    writeFile("wide.tga", tgaFile(5, 1, 24, counting(15)));
    writeFile("tall.tga", tgaFile(1, 5, 32, counting(20)));
    writeFile("edge.tga", tgaFile(4, 4, 32, counting(64)));
    for (const char *name : {"wide.tga", "tall.tga", "wide.tga"}) {
        SCOPED_TRACE(name);
        fake::log().clear();
        EXPECT_EQ(loadTexture(name), 0u);
        // The bound is asked for and nothing else happens: no texture, no entry.
        EXPECT_EQ(fake::logText(), std::vector<std::string>{"glGetIntegerv(3379)"});
        EXPECT_TRUE(textureCache.empty());
    }
    EXPECT_EQ(loadTexture("edge.tga"), 1u);
    // A failure like any other: tried again at the next request, which a larger bound now lets through.
    fakegl::maxTextureSize() = 5;
    EXPECT_EQ(loadTexture("wide.tga"), 2u);
    EXPECT_EQ(fakegl::texImages().at(1).width, 5);
    // A context that does not say is held to the format's own bound only.
    fakegl::maxTextureSize() = 0;
    EXPECT_EQ(loadTexture("tall.tga"), 3u);
    ASSERT_EQ(textureCache.size(), 3u);
    EXPECT_STREQ(textureCache[2].fileName, "tall.tga");
}

TEST_F(TextureCacheTest, ManyNamesAreFoundAgainAndAnEmptiedCacheStartsAfresh)
{
    std::vector<std::string> names;
    for (int i = 0; i < 500; ++i) {
        names.push_back("img" + std::to_string(i) + ".tga");
        writeFile(names.back(), tgaFile(1, 1, 24, {1, 2, 3}));
    }
    for (size_t i = 0; i < names.size(); ++i) {
        ASSERT_EQ(loadTexture(names[i].c_str()), i + 1) << names[i];
        // The latest and the first are both found, and nothing is read again.
        ASSERT_EQ(loadTexture(names[i].c_str()), i + 1);
        ASSERT_EQ(loadTexture(names[0].c_str()), 1u);
    }
    ASSERT_EQ(textureCache.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(std::string(textureCache[i].fileName), names[i]);
    EXPECT_EQ(fakegl::texturesGenerated(), names.size());

    // Emptied from outside (as at a restart): every name is new again, in the new order.
    textureCache.clear();
    EXPECT_EQ(loadTexture(names[1].c_str()), 501u);
    EXPECT_EQ(loadTexture(names[0].c_str()), 502u);
    EXPECT_EQ(loadTexture(names[1].c_str()), 501u);
    ASSERT_EQ(textureCache.size(), 2u);
    EXPECT_EQ(std::string(textureCache[0].fileName), names[1]);
    EXPECT_EQ(std::string(textureCache[1].fileName), names[0]);
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
    EXPECT_EQ(std::string(textureCache.at(0).fileName), fits);
}

}  // namespace
