// The looping read the audio callback uses, and the built-in chime.
#include "platform/chime.h"
#include "platform/sound_loop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using platform::readSound;
using platform::SoundCursor;

namespace {

std::vector<uint8_t> numbered(size_t count)
{
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<uint8_t>(i + 1);
    }
    return bytes;
}

}  // namespace

TEST(SoundLoop, LoopingWrapsExactlyAcrossCallbacks)
{
    const std::vector<uint8_t> sound = numbered(12);
    SoundCursor cursor{sound.data(), sound.size(), 8, true};
    std::vector<uint8_t> out(20);
    EXPECT_TRUE(readSound(cursor, out.data(), out.size(), 0));
    for (size_t i = 0; i < out.size(); ++i) {
        EXPECT_EQ(out[i], (8 + i) % 12 + 1) << "byte " << i;
    }
    EXPECT_EQ(cursor.position, (8u + 20u) % 12u);

    // Many short callbacks give the same stream as one long read.
    cursor.position = 0;
    std::vector<uint8_t> stream;
    for (int call = 0; call < 9; ++call) {
        std::vector<uint8_t> chunk(7);
        EXPECT_TRUE(readSound(cursor, chunk.data(), chunk.size(), 0));
        stream.insert(stream.end(), chunk.begin(), chunk.end());
    }
    for (size_t i = 0; i < stream.size(); ++i) {
        ASSERT_EQ(stream[i], i % 12 + 1) << "byte " << i;
    }
}

TEST(SoundLoop, OneShotEndsInSilenceAndStaysSilent)
{
    const std::vector<uint8_t> sound = numbered(12);
    SoundCursor cursor{sound.data(), sound.size(), 0, false};
    std::vector<uint8_t> out(5);
    EXPECT_TRUE(readSound(cursor, out.data(), out.size(), 0x80));
    EXPECT_EQ(out, (std::vector<uint8_t>{1, 2, 3, 4, 5}));

    out.assign(10, 0);
    EXPECT_FALSE(readSound(cursor, out.data(), out.size(), 0x80));
    EXPECT_EQ(out, (std::vector<uint8_t>{6, 7, 8, 9, 10, 11, 12, 0x80, 0x80, 0x80}));

    out.assign(4, 0);
    EXPECT_FALSE(readSound(cursor, out.data(), out.size(), 0x80));
    EXPECT_EQ(out, (std::vector<uint8_t>(4, 0x80)));
}

TEST(SoundLoop, ReadingExactlyToTheEndFinishesAOneShot)
{
    const std::vector<uint8_t> sound = numbered(8);
    SoundCursor cursor{sound.data(), sound.size(), 0, false};
    std::vector<uint8_t> out(8);
    EXPECT_FALSE(readSound(cursor, out.data(), out.size(), 0));
    EXPECT_EQ(out, sound);
}

TEST(SoundLoop, NothingToPlayGivesSilenceEvenWhenLooping)
{
    SoundCursor empty{nullptr, 0, 0, true};
    std::vector<uint8_t> out(16, 0x55);
    EXPECT_FALSE(readSound(empty, out.data(), out.size(), 0));
    EXPECT_EQ(out, std::vector<uint8_t>(16, 0));
}

TEST(Chime, IsAShortAudibleSoundWithoutClicks)
{
    const int frequency = 44100;
    const std::vector<int16_t> chime = platform::synthesiseChime(frequency, 2);
    ASSERT_FALSE(chime.empty());
    ASSERT_EQ(chime.size() % 2, 0u);
    const size_t frames = chime.size() / 2;
    EXPECT_GT(frames, static_cast<size_t>(frequency / 10));
    EXPECT_LT(frames, static_cast<size_t>(frequency));
    int peak = 0;
    for (size_t frame = 0; frame < frames; ++frame) {
        ASSERT_EQ(chime[2 * frame], chime[2 * frame + 1]);
        peak = std::max(peak, std::abs(static_cast<int>(chime[2 * frame])));
    }
    EXPECT_GT(peak, 3000);
    EXPECT_LT(peak, 32767) << "no clipping";
    EXPECT_LT(std::abs(static_cast<int>(chime.front())), 100);
    EXPECT_LT(std::abs(static_cast<int>(chime.back())), 100);
    EXPECT_TRUE(platform::synthesiseChime(0, 2).empty());
    EXPECT_TRUE(platform::synthesiseChime(frequency, 0).empty());
}
