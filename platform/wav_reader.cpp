// RIFF WAVE parsing: the format chunk, then the samples of the data chunk widened to 16 bits.
#include "platform/wav_reader.h"

#include <cstdio>
#include <cstring>

namespace platform {

namespace {

uint32_t read32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

uint16_t read16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

struct Format {
    bool found = false;
    unsigned tag = 0;
    unsigned channels = 0;
    uint32_t frequency = 0;
    unsigned bits = 0;
};

bool formatUsable(const Format &format)
{
    return format.found && format.tag == 1 && format.channels >= 1 && format.channels <= 8 && format.frequency > 0 &&
           (format.bits == 8 || format.bits == 16);
}

void widen(const Format &format, const uint8_t *data, size_t size, std::vector<int16_t> &samples)
{
    const size_t sampleBytes = format.bits / 8;
    const size_t frameBytes = sampleBytes * format.channels;
    const size_t count = size / frameBytes * format.channels;
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
    if (bytes == nullptr || size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0) {
        return false;
    }
    Format format;
    size_t at = 12;
    while (size - at >= 8) {
        const uint8_t *chunk = bytes + at;
        const size_t declared = read32(chunk + 4);
        const size_t available = size - at - 8;
        const size_t length = declared < available ? declared : available;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (length < 16) {
                return false;
            }
            format.found = true;
            format.tag = read16(chunk + 8);
            format.channels = read16(chunk + 10);
            format.frequency = read32(chunk + 12);
            format.bits = read16(chunk + 22);
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            // The format must come first, as every writer puts it.
            if (!formatUsable(format)) {
                return false;
            }
            PcmSound sound;
            sound.channels = static_cast<int>(format.channels);
            sound.frequency = static_cast<int>(format.frequency);
            widen(format, chunk + 8, length, sound.samples);
            if (sound.samples.empty()) {
                return false;
            }
            out = std::move(sound);
            return true;
        }
        // Chunks are padded to an even length.
        const size_t step = 8 + declared + (declared & 1u);
        if (declared > available || step > size - at) {
            break;
        }
        at += step;
    }
    return false;
}

bool readWavFile(const char *path, PcmSound &out)
{
    if (path == nullptr) {
        return false;
    }
    std::FILE *file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
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
