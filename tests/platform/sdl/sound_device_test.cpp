// PlaySoundA through real SDL audio drivers: `disk` captures what would be heard, `dummy`
// plays into nothing, and a driver that does not exist stands for a machine without sound.
#include "recording_window.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

const int rate = 44100;
const size_t frameBytes = 4;  // the device plays signed 16-bit stereo
// Sound made before a stop can still reach the capture file this late: SDL's buffer, the
// file's own buffer and the driver's, with room to spare.
const size_t flushMargin = 64 * 1024;

bool audioDriverIs(const char *name)
{
    const char *driver = std::getenv("SDL_AUDIODRIVER");
    return driver != nullptr && std::strcmp(driver, name) == 0;
}

void put16(std::ofstream &out, uint16_t value)
{
    const char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
    out.write(bytes, 2);
}

void put32(std::ofstream &out, uint32_t value)
{
    put16(out, static_cast<uint16_t>(value & 0xFFFF));
    put16(out, static_cast<uint16_t>(value >> 16));
}

// A PCM WAV of signed 16-bit samples, written field by field.
std::string writeWav(const char *name, uint16_t channels, const std::vector<int16_t> &samples)
{
    const std::string path = testing::TempDir() + name;
    std::ofstream out(path, std::ios::binary);
    const auto dataBytes = static_cast<uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    put32(out, 36 + dataBytes);
    out.write("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 1);
    put16(out, channels);
    put32(out, rate);
    put32(out, rate * channels * 2u);
    put16(out, static_cast<uint16_t>(channels * 2));
    put16(out, 16);
    out.write("data", 4);
    put32(out, dataBytes);
    for (int16_t sample : samples) {
        put16(out, static_cast<uint16_t>(sample));
    }
    return path;
}

size_t fileSize(const std::string &path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in ? static_cast<size_t>(in.tellg()) : 0;
}

void waitForSize(const std::string &path, size_t bytes)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (fileSize(path) < bytes) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the disk driver stopped writing";
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

const char *const missingFile = "no-such-dir/frostel-missing.wav";

class SoundDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char *capturePath = std::getenv("SDL_DISKAUDIOFILE");
        if (!audioDriverIs("disk") || capturePath == nullptr) {
            GTEST_SKIP() << "needs SDL_AUDIODRIVER=disk and SDL_DISKAUDIOFILE";
        }
        capture = capturePath;
        static bool deviceOpen = false;
        if (!deviceOpen) {
            // The driver truncates the file when the device opens: a previous run's
            // capture must not be read as this one's.
            std::remove(capture.c_str());
            const std::string silent = writeWav("frostel-silent.wav", 2, std::vector<int16_t>(200, 0));
            ASSERT_TRUE(PlaySoundA(silent.c_str(), nullptr, SND_ASYNC));
            deviceOpen = true;
        }
        PlaySoundA(nullptr, nullptr, 0);
        waitForSize(capture, fileSize(capture) + flushMargin);
        start = fileSize(capture) / frameBytes * frameBytes;
    }

    void TearDown() override { PlaySoundA(nullptr, nullptr, 0); }

    // `frames` stereo frames of the capture from byte `from` on, once the driver has written them.
    std::vector<int16_t> captured(size_t from, size_t frames)
    {
        waitForSize(capture, from + frames * frameBytes);
        std::ifstream in(capture, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(from));
        std::vector<unsigned char> bytes(frames * frameBytes);
        in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        std::vector<int16_t> samples(frames * 2);
        for (size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        }
        return samples;
    }

    static size_t firstSoundingFrame(const std::vector<int16_t> &samples)
    {
        for (size_t i = 0; i < samples.size(); ++i) {
            if (samples[i] != 0) return i / 2;
        }
        return samples.size() / 2;
    }

    void expectSilence(const std::vector<int16_t> &samples, size_t fromFrame, size_t toFrame)
    {
        for (size_t i = 2 * fromFrame; i < 2 * toFrame && i < samples.size(); ++i) {
            ASSERT_EQ(samples[i], 0) << "frame " << i / 2;
        }
    }

    std::string capture;
    size_t start = 0;
};

// A ramp that is never 0, so where the sound starts cannot be mistaken.
std::vector<int16_t> stereoRamp(size_t frames)
{
    std::vector<int16_t> samples;
    for (size_t i = 0; i < frames; ++i) {
        samples.push_back(static_cast<int16_t>(1000 + i));
        samples.push_back(static_cast<int16_t>(-1000 - 2 * static_cast<int>(i)));
    }
    return samples;
}

}  // namespace

TEST_F(SoundDevice, LoopingWavRepeatsItsSamplesExactlyUntilStopped)
{
    const size_t frames = 1500;
    const std::string path = writeWav("frostel-loop.wav", 2, stereoRamp(frames));
    ASSERT_TRUE(PlaySoundA(path.c_str(), nullptr, SND_ASYNC | SND_LOOP));
    const std::vector<int16_t> out = captured(start, rate);
    const size_t onset = firstSoundingFrame(out);
    ASSERT_LE(onset + 3 * frames, out.size() / 2) << "the sound started too late to see it loop";
    for (size_t j = 0; j < 3 * frames; ++j) {
        const size_t i = j % frames;
        ASSERT_EQ(out[2 * (onset + j)], static_cast<int16_t>(1000 + i)) << "frame " << j;
        ASSERT_EQ(out[2 * (onset + j) + 1], static_cast<int16_t>(-1000 - 2 * static_cast<int>(i))) << "frame " << j;
    }

    EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));
    const std::vector<int16_t> after = captured(fileSize(capture) / frameBytes * frameBytes + flushMargin, 8192);
    expectSilence(after, 0, 8192);
}

TEST_F(SoundDevice, OneShotPlaysOnceThenSilence)
{
    const size_t frames = 1500;
    const std::string path = writeWav("frostel-once.wav", 2, stereoRamp(frames));
    ASSERT_TRUE(PlaySoundA(path.c_str(), nullptr, SND_ASYNC));
    const std::vector<int16_t> out = captured(start, rate);
    const size_t onset = firstSoundingFrame(out);
    ASSERT_LE(onset + frames + 8000, out.size() / 2);
    for (size_t j = 0; j < frames; ++j) {
        ASSERT_EQ(out[2 * (onset + j)], static_cast<int16_t>(1000 + j)) << "frame " << j;
    }
    expectSilence(out, onset + frames, onset + frames + 8000);
}

TEST_F(SoundDevice, MonoWavIsConvertedToBothChannels)
{
    const size_t frames = 1000;
    std::vector<int16_t> mono;
    for (size_t i = 0; i < frames; ++i) {
        mono.push_back(static_cast<int16_t>(2000 + 7 * i));
    }
    const std::string path = writeWav("frostel-mono.wav", 1, mono);
    ASSERT_TRUE(PlaySoundA(path.c_str(), nullptr, SND_ASYNC));
    const std::vector<int16_t> out = captured(start, rate / 2);
    const size_t onset = firstSoundingFrame(out);
    ASSERT_LE(onset + frames + 4000, out.size() / 2);
    for (size_t j = 0; j < frames; ++j) {
        const int left = out[2 * (onset + j)];
        // The conversion goes through floating point and may move a sample by one step.
        ASSERT_NEAR(left, 2000 + 7 * static_cast<int>(j), 1) << "frame " << j;
        ASSERT_EQ(out[2 * (onset + j) + 1], left) << "frame " << j;
    }
    expectSilence(out, onset + frames, onset + frames + 4000);
}

// A level held for one second, at a rate and in a format that both differ from the device's: it comes out as
// one second at 44100 Hz, 8-bit 192 being 16384 once widened, in both channels.
TEST_F(SoundDevice, EightBitMonoAtAnotherRateIsConvertedAsItPlays)
{
    const std::string path = testing::TempDir() + "frostel-8bit.wav";
    {
        std::ofstream out(path, std::ios::binary);
        out.write("RIFF", 4);
        put32(out, 36 + 8000);
        out.write("WAVEfmt ", 8);
        put32(out, 16);
        put16(out, 1);
        put16(out, 1);
        put32(out, 8000);
        put32(out, 8000);
        put16(out, 1);
        put16(out, 8);
        out.write("data", 4);
        put32(out, 8000);
        out << std::string(8000, static_cast<char>(192));
    }
    ASSERT_TRUE(PlaySoundA(path.c_str(), nullptr, SND_ASYNC));
    const std::vector<int16_t> out = captured(start, 3 * rate);
    size_t level = 0;
    for (size_t frame = 0; frame < out.size() / 2; ++frame) {
        ASSERT_EQ(out[2 * frame], out[2 * frame + 1]) << "frame " << frame;
        level += std::abs(out[2 * frame] - 16384) < 300 ? 1 : 0;
    }
    // The resampler's ramps at either end take a few frames.
    EXPECT_GT(level, static_cast<size_t>(rate - 200));
    EXPECT_LT(level, static_cast<size_t>(rate + 200));
    std::remove(path.c_str());
}

TEST_F(SoundDevice, MissingFilePlaysTheChimeOnceEvenWhenLoopingWasAsked)
{
    ASSERT_TRUE(PlaySoundA(missingFile, nullptr, SND_ASYNC | SND_LOOP));
    const std::vector<int16_t> out = captured(start, 2 * rate);
    const size_t onset = firstSoundingFrame(out);
    ASSERT_LT(onset, out.size() / 2) << "the chime never sounded";
    size_t last = onset;
    int peak = 0;
    for (size_t i = 2 * onset; i < out.size(); ++i) {
        if (out[i] != 0) {
            last = i / 2;
        }
        peak = std::max(peak, std::abs(static_cast<int>(out[i])));
    }
    EXPECT_GT(peak, 1000);
    EXPECT_GT(last - onset, static_cast<size_t>(rate / 10));
    EXPECT_LT(last - onset, static_cast<size_t>(rate));
    EXPECT_GT(out.size() / 2 - last, static_cast<size_t>(rate / 2)) << "it must end, not loop";
}

TEST_F(SoundDevice, UnreadableFilePlaysTheChimeToo)
{
    const std::string path = testing::TempDir() + "frostel-not-a.wav";
    std::ofstream(path) << "this is not a sound";
    ASSERT_TRUE(PlaySoundA(path.c_str(), nullptr, SND_ASYNC));
    const std::vector<int16_t> out = captured(start, rate);
    EXPECT_LT(firstSoundingFrame(out), out.size() / 2);
}

TEST_F(SoundDevice, NoDefaultLeavesAMissingFileSilent)
{
    EXPECT_FALSE(PlaySoundA(missingFile, nullptr, SND_ASYNC | SND_NODEFAULT));
    const std::vector<int16_t> out = captured(start, rate / 2);
    expectSilence(out, 0, rate / 2);
}

TEST(SoundDummyDevice, SynchronousSoundsReturnOnceOver)
{
    if (!audioDriverIs("dummy")) {
        GTEST_SKIP() << "needs SDL_AUDIODRIVER=dummy";
    }
    const std::string path = writeWav("frostel-short.wav", 2, stereoRamp(2205));
    EXPECT_TRUE(PlaySoundA(path.c_str(), nullptr, SND_SYNC));
    EXPECT_TRUE(PlaySoundA(missingFile, nullptr, SND_SYNC));
    EXPECT_TRUE(PlaySoundA(path.c_str(), nullptr, SND_ASYNC | SND_LOOP));
    EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));
}

// The peak of this process's resident memory, in bytes.
size_t peakMemory()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return static_cast<size_t>(std::strtoull(line.c_str() + 6, nullptr, 10)) * 1024;
    }
    return 0;
}

// A WAV header for `dataBytes` of 8-bit or 16-bit mono at `frequency`, the samples left to the caller.
void writeMonoHeader(std::ofstream &out, uint32_t frequency, uint16_t bits, uint32_t dataBytes)
{
    out.write("RIFF", 4);
    put32(out, 36 + dataBytes);
    out.write("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 1);
    put16(out, 1);
    put32(out, frequency);
    put32(out, frequency * bits / 8u);
    put16(out, static_cast<uint16_t>(bits / 8));
    put16(out, bits);
    out.write("data", 4);
    put32(out, dataBytes);
}

// Files small on disk that are huge once converted to the device's rate, and a big one: each plays, read a
// block at a time, and the process stays small (converted whole, the first took 767 MB and the second
// 4.9 GB).
TEST(SoundDummyDevice, SoundsHugeOnceConvertedPlayInLittleMemory)
{
    if (!audioDriverIs("dummy")) {
        GTEST_SKIP() << "needs SDL_AUDIODRIVER=dummy";
    }
    const size_t limit = 200u * 1024 * 1024;
    const std::string slow = testing::TempDir() + "frostel-1hz.wav";
    {
        std::ofstream out(slow, std::ios::binary);
        writeMonoHeader(out, 1, 16, 4000);
        for (int i = 0; i < 2000; ++i) {
            put16(out, static_cast<uint16_t>(i * 16));
        }
    }
    ASSERT_TRUE(PlaySoundA(slow.c_str(), nullptr, SND_ASYNC | SND_LOOP));
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_LT(peakMemory(), limit);

    // Sparse: the 500 MB of samples take no room on the disk.
    const std::string big = testing::TempDir() + "frostel-500mb.wav";
    const uint32_t bigData = 500u * 1000u * 1000u;
    {
        std::ofstream out(big, std::ios::binary);
        writeMonoHeader(out, 8000, 8, bigData);
    }
    ASSERT_EQ(truncate(big.c_str(), 44 + static_cast<off_t>(bigData)), 0);
    ASSERT_TRUE(PlaySoundA(big.c_str(), nullptr, SND_ASYNC));
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_LT(peakMemory(), limit);
    EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));
    std::remove(big.c_str());
    std::remove(slow.c_str());
}

// Run with SDL_AUDIODRIVER naming a driver that does not exist.
TEST(NoSoundDevice, PlayingFailsAndEverythingElseRunsOn)
{
    if (!audioDriverIs("frostel-no-such-driver")) {
        GTEST_SKIP() << "needs SDL_AUDIODRIVER=frostel-no-such-driver";
    }
    const std::string path = writeWav("frostel-unheard.wav", 2, stereoRamp(100));
    EXPECT_FALSE(PlaySoundA(path.c_str(), nullptr, SND_ASYNC | SND_LOOP));
    EXPECT_FALSE(PlaySoundA(missingFile, nullptr, SND_ASYNC));
    EXPECT_FALSE(PlaySoundA(path.c_str(), nullptr, SND_SYNC));
    EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = recordingProcedure;
    windowClass.lpszClassName = "FrostelSilent";
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    const HWND window =
        CreateWindowExA(0, "FrostelSilent", "silent", 0, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(window, nullptr);
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_TRUE(UnregisterClassA("FrostelSilent", nullptr));
}
