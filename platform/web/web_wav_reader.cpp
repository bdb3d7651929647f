// RIFF WAVE reading: the samples of the data chunk that wav_format found, widened to 16 bits.
#include "platform/web/web_wav_reader.h"

#include "platform/wav_format.h"

#include <cstdio>
#include <cstring>

namespace platform {

namespace {

uint16_t read16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void widen(const WavLayout &layout, const uint8_t *data, std::vector<int16_t> &samples)
{
    const size_t sampleBytes = layout.bits / 8;
    const size_t count = static_cast<size_t>(layout.frames) * layout.channels;
    samples.resize(count);
    for (size_t i = 0; i < count; ++i) {
        if (sampleBytes == 1) {
            // 8-bit WAV samples are unsigned around 128.
            samples[i] = static_cast<int16_t>((static_cast<int>(data[i]) - 128) * 256);
        } else {
            samples[i] = static_cast<int16_t>(read16(data + 2 * i));
        }
    }
}

}  // namespace

bool parseWav(const uint8_t *bytes, size_t size, PcmSound &out)
{
    // The same decision as the SDL layer's, so that both play the same files.
    WavLayout layout;
    std::string reason;
    if (!examineWavBytes(bytes, size, layout, reason)) return false;
    PcmSound sound;
    sound.channels = static_cast<int>(layout.channels);
    sound.frequency = static_cast<int>(layout.frequency);
    widen(layout, bytes + layout.dataOffset, sound.samples);
    out = std::move(sound);
    return true;
}

bool readWavFile(const char *path, PcmSound &out)
{
    if (path == nullptr) return false;
    std::FILE *file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    std::vector<uint8_t> bytes;
    uint8_t piece[65536];
    size_t got = 0;
    while ((got = std::fread(piece, 1, sizeof piece, file)) > 0) {
        bytes.insert(bytes.end(), piece, piece + got);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed && parseWav(bytes.data(), bytes.size(), out);
}

}  // namespace platform
