// RIFF WAVE chunk walk: finds the format and the data chunk and says whether the sound is one we play.
#include "platform/wav_format.h"

#include "common/file_position.h"

#include <cstring>

namespace platform {

namespace {

uint32_t read32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

unsigned read16(const uint8_t *p) { return static_cast<unsigned>(p[0] | p[1] << 8); }

bool refuse(std::string &reason, const std::string &why)
{
    reason = why;
    return false;
}

bool formatPlayable(unsigned tag, unsigned channels, uint32_t frequency, unsigned bits, std::string &reason)
{
    if (tag != 1)
        return refuse(reason, "only uncompressed PCM is played; this file's format tag is " + std::to_string(tag));
    if (bits != 8 && bits != 16) {
        return refuse(reason,
                      "8-bit and 16-bit samples are played; this file has " + std::to_string(bits) + "-bit ones");
    }
    if (channels < 1 || channels > 8)
        return refuse(reason, "1 to 8 channels are played; this file has " + std::to_string(channels));
    if (frequency < lowestWavRate || frequency > highestWavRate) {
        return refuse(reason, "rates of " + std::to_string(lowestWavRate) + " to " + std::to_string(highestWavRate) +
                                  " Hz are played; this file's is " + std::to_string(frequency) + " Hz");
    }
    return true;
}

}  // namespace

bool examineWav(ReadAt read, void *source, uint64_t size, WavLayout &layout, std::string &reason)
{
    uint8_t header[12];
    if (size == 0) return refuse(reason, "empty file");
    if (size < sizeof header || read(source, 0, header, sizeof header) != sizeof header ||
        std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0) {
        return refuse(reason, "not a RIFF WAVE file");
    }
    bool haveFormat = false;
    WavLayout found;
    unsigned tag = 0;
    for (uint64_t at = sizeof header; size - at >= 8;) {
        uint8_t chunk[24];
        if (read(source, at, chunk, 8) != 8) return refuse(reason, "the file cannot be read");
        const uint64_t declared = read32(chunk + 4);
        const uint64_t available = size - at - 8;
        const uint64_t length = declared < available ? declared : available;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (length < 16 || read(source, at + 8, chunk + 8, 16) != 16)
                return refuse(reason, "its format chunk is too short");
            haveFormat = true;
            tag = read16(chunk + 8);
            found.channels = read16(chunk + 10);
            found.frequency = read32(chunk + 12);
            found.bits = read16(chunk + 22);
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            // The format must come first, as every writer puts it.
            if (!haveFormat) return refuse(reason, "no format chunk before its data chunk");
            if (!formatPlayable(tag, found.channels, found.frequency, found.bits, reason)) return false;
            found.dataOffset = at + 8;
            found.frames = length / found.frameBytes();
            if (found.frames == 0) return refuse(reason, "its data chunk holds no whole frame of sound");
            layout = found;
            reason.clear();
            return true;
        }
        // Chunks are padded to an even length.
        const uint64_t step = 8 + declared + (declared & 1u);
        if (declared > available || step > size - at) {
            break;
        }
        at += step;
    }
    return refuse(reason, haveFormat ? "no data chunk" : "no format chunk");
}

size_t readMemoryAt(void *memory, uint64_t offset, uint8_t *out, size_t length)
{
    const auto *bytes = static_cast<const MemoryBytes *>(memory);
    if (offset >= bytes->size) return 0;
    const size_t count = length < bytes->size - offset ? length : static_cast<size_t>(bytes->size - offset);
    std::memcpy(out, bytes->bytes + offset, count);
    return count;
}

size_t readFileAt(void *file, uint64_t offset, uint8_t *out, size_t length)
{
    auto *stream = static_cast<std::FILE *>(file);
    return setFilePosition(stream, static_cast<int64_t>(offset), SEEK_SET) ? std::fread(out, 1, length, stream) : 0;
}

bool examineWavBytes(const uint8_t *bytes, size_t size, WavLayout &layout, std::string &reason)
{
    MemoryBytes memory{bytes, bytes != nullptr ? size : 0};
    return examineWav(readMemoryAt, &memory, memory.size, layout, reason);
}

bool examineWavFile(std::FILE *file, WavLayout &layout, std::string &reason)
{
    const int64_t size = setFilePosition(file, 0, SEEK_END) ? filePosition(file) : -1;
    if (size < 0) return refuse(reason, "the file cannot be read");
    return examineWav(readFileAt, file, static_cast<uint64_t>(size), layout, reason);
}

}  // namespace platform
