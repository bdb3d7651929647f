// The texture cache when the heap is full: a failed load, never an exception, and no texture left behind.
// The replacement operators below pair malloc with free; GCC cannot see that across inlining.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
#include "assets/texture_cache.h"
#include "tests/assets/asset_files.h"
#include "tests/fakes/call_log.h"
#include "tests/fakes/system_state.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
// Set only around the call under test: GoogleTest itself allocates.
std::atomic<bool> heapFull{false};
}  // namespace

// The whole binary's operator new, so the vector's own growth can be made to fail.
void *operator new(std::size_t size)
{
    if (heapFull) throw std::bad_alloc();
    if (void *p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

namespace {

struct FullHeap : ::testing::Test {
    void SetUp() override { resetSystemState(); }
    void TearDown() override
    {
        heapFull = false;
        resetSystemState();
    }
    ScratchDir dir;
};

uint32_t loadWithFullHeap(const char *name)
{
    heapFull = true;
    uint32_t texture = 99;
    try {
        texture = loadTexture(name);
    } catch (...) {
        heapFull = false;
        ADD_FAILURE() << "an exception escaped loadTexture";
    }
    heapFull = false;
    return texture;
}

TEST_F(FullHeap, AFullCacheThatCannotGrowIsAFailedLoadThatIsTriedAgain)
{
    for (int filled : {0, 8}) {
        resetSystemState();
        textureCache.shrink_to_fit();
        for (int i = 0; i < filled; ++i) {
            const std::string name = "t" + std::to_string(i) + ".tga";
            writeFile(name, tgaFile(1, 1, 24, {1, 2, 3}));
            ASSERT_NE(loadTexture(name.c_str()), 0u);
        }
        textureCache.shrink_to_fit();
        ASSERT_EQ(textureCache.size(), textureCache.capacity());
        writeFile("new.tga", tgaFile(1, 1, 24, {4, 5, 6}));

        const size_t calls = fake::log().size();
        EXPECT_EQ(loadWithFullHeap("new.tga"), 0u) << filled << " entries";
        EXPECT_EQ(fake::log().size(), calls) << "no texture may be made that the cache cannot hold";
        EXPECT_EQ(textureCache.size(), size_t(filled));

        // With memory back, the same request loads, as the first name OpenGL has not yet given.
        EXPECT_EQ(loadTexture("new.tga"), uint32_t(filled + 1));
        EXPECT_EQ(textureCache.size(), size_t(filled + 1));
        EXPECT_STREQ(textureCache.back().fileName, "new.tga");
    }
}

TEST_F(FullHeap, CachedNamesAreAnsweredWithoutAllocating)
{
    writeFile("a.tga", tgaFile(1, 1, 24, {1, 2, 3}));
    ASSERT_EQ(loadTexture("a.tga"), 1u);
    textureCache.shrink_to_fit();
    EXPECT_EQ(loadWithFullHeap("a.tga"), 1u);
}

}  // namespace
