// The looping read the audio callback uses, the built-in chime, and the count that lets an idle loop wait.
#include "platform/chime.h"
#include "platform/idle_polls.h"
#include "platform/sdl/sdl_sound_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

using platform::MemoryBytes;
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

// A sound of `size` bytes lying `start` bytes into its source, as the samples of a WAV lie after its header.
SoundCursor over(MemoryBytes &memory, uint64_t start, uint64_t size, bool looping)
{
    SoundCursor cursor;
    cursor.read = platform::readMemoryAt;
    cursor.source = &memory;
    cursor.start = start;
    cursor.size = size;
    cursor.looping = looping;
    return cursor;
}

}  // namespace

TEST(SoundLoop, LoopingWrapsExactlyAcrossCallbacks)
{
    const std::vector<uint8_t> source = numbered(16);
    MemoryBytes memory{source.data(), source.size()};
    // Bytes 5 to 16 are the sound: 4 header bytes before it.
    SoundCursor cursor = over(memory, 4, 12, true);
    cursor.position = 8;
    std::vector<uint8_t> out(20);
    EXPECT_EQ(readSound(cursor, out.data(), out.size()), out.size());
    for (size_t i = 0; i < out.size(); ++i) {
        EXPECT_EQ(out[i], (8 + i) % 12 + 5) << "byte " << i;
    }
    EXPECT_EQ(cursor.position, (8u + 20u) % 12u);

    // Many short callbacks give the same stream as one long read.
    cursor.position = 0;
    std::vector<uint8_t> stream;
    for (int call = 0; call < 9; ++call) {
        std::vector<uint8_t> chunk(7);
        EXPECT_EQ(readSound(cursor, chunk.data(), chunk.size()), chunk.size());
        stream.insert(stream.end(), chunk.begin(), chunk.end());
    }
    for (size_t i = 0; i < stream.size(); ++i) {
        ASSERT_EQ(stream[i], i % 12 + 5) << "byte " << i;
    }
    EXPECT_FALSE(platform::soundEnded(cursor));
}

TEST(SoundLoop, OneShotEndsAndStaysEnded)
{
    const std::vector<uint8_t> sound = numbered(12);
    MemoryBytes memory{sound.data(), sound.size()};
    SoundCursor cursor = over(memory, 0, sound.size(), false);
    std::vector<uint8_t> out(5);
    EXPECT_EQ(readSound(cursor, out.data(), out.size()), 5u);
    EXPECT_EQ(out, (std::vector<uint8_t>{1, 2, 3, 4, 5}));

    out.assign(10, 0);
    EXPECT_EQ(readSound(cursor, out.data(), out.size()), 7u);
    EXPECT_EQ(out, (std::vector<uint8_t>{6, 7, 8, 9, 10, 11, 12, 0, 0, 0}));
    EXPECT_TRUE(platform::soundEnded(cursor));
    EXPECT_EQ(readSound(cursor, out.data(), out.size()), 0u);
}

TEST(SoundLoop, ReadingExactlyToTheEndFinishesAOneShot)
{
    const std::vector<uint8_t> sound = numbered(8);
    MemoryBytes memory{sound.data(), sound.size()};
    SoundCursor cursor = over(memory, 0, sound.size(), false);
    std::vector<uint8_t> out(8);
    EXPECT_EQ(readSound(cursor, out.data(), out.size()), 8u);
    EXPECT_EQ(out, sound);
    EXPECT_TRUE(platform::soundEnded(cursor));
}

TEST(SoundLoop, NothingToPlayEndsAtOnceEvenWhenLooping)
{
    SoundCursor empty;
    empty.looping = true;
    std::vector<uint8_t> out(16, 0x55);
    EXPECT_EQ(readSound(empty, out.data(), out.size()), 0u);
    EXPECT_TRUE(platform::soundEnded(empty));
    const std::vector<uint8_t> sound = numbered(4);
    MemoryBytes memory{sound.data(), sound.size()};
    SoundCursor none = over(memory, 0, 0, true);
    EXPECT_EQ(readSound(none, out.data(), out.size()), 0u);
}

// A file cut short while it plays (its data chunk promised more than is left) ends the sound, a loop too:
// wrapping round to read nothing again would spin the audio thread for ever.
TEST(SoundLoop, ASourceThatRunsDryEndsEvenALoop)
{
    const std::vector<uint8_t> source = numbered(10);
    MemoryBytes memory{source.data(), source.size()};
    SoundCursor cursor = over(memory, 2, 12, true);
    std::vector<uint8_t> out(30, 0);
    EXPECT_EQ(readSound(cursor, out.data(), out.size()), 8u);
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 8), (std::vector<uint8_t>{3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_TRUE(platform::soundEnded(cursor));
    EXPECT_EQ(readSound(cursor, out.data(), out.size()), 0u);
}

// The block read for one callback: enough input for the output asked, whatever the two rates.
TEST(SoundLoop, BlocksFollowTheRateRatio)
{
    using platform::inputFramesFor;
    EXPECT_EQ(inputFramesFor(2048, 44100, 44100, 1, 4096), 2048u);
    EXPECT_EQ(inputFramesFor(2048, 22050, 44100, 1, 4096), 1024u);
    EXPECT_EQ(inputFramesFor(2049, 22050, 44100, 1, 4096), 1025u);    // rounded up
    EXPECT_EQ(inputFramesFor(2048, 1000, 44100, 1, 4096), 47u);       // 2048 * 1000 / 44100 = 46.4
    EXPECT_EQ(inputFramesFor(2048, 1000, 44100, 1024, 4096), 1024u);  // but never fewer than asked
    EXPECT_EQ(inputFramesFor(2048, 384000, 44100, 1, 4096), 4096u);   // the rest on the next pass
    EXPECT_EQ(inputFramesFor(2048, 384000, 44100, 9216, 4096), 9216u);
    EXPECT_EQ(inputFramesFor(0, 8000, 44100, 1, 4096), 1u);
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

// A loop that keeps finding nothing may wait from the poll after the 64th on; a message or a frame makes it
// busy again, and a drawing loop (one frame between polls) never waits.
TEST(IdlePolls, OnlyALongRunOfEmptyPollsWithNoFrameWaits)
{
    platform::IdlePolls polls;
    for (unsigned i = 1; i <= 64; ++i) {
        ASSERT_FALSE(polls.emptyPoll()) << "poll " << i;
    }
    EXPECT_TRUE(polls.emptyPoll());
    EXPECT_TRUE(polls.emptyPoll());  // and goes on waiting

    polls.reset();
    for (unsigned i = 1; i <= 64; ++i) {
        ASSERT_FALSE(polls.emptyPoll()) << "poll " << i << " after a reset";
    }
    polls.reset();
    for (int frame = 0; frame < 1000; ++frame) {
        ASSERT_FALSE(polls.emptyPoll());
        polls.reset();
    }
}
