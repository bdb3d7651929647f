// Whether a WAV file will be played, and where its samples lie: one decision for both layers and for
// frostel-inspect. Portable: reads only the chunk headers and the format, never the samples.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

// The rates played. Below 1000 Hz a sound holds nothing worth hearing, and a converter to the device's rate
// would make tens of frames of each one; above the upper bound a second of sound would take more reading
// than the device can wait for.
const uint32_t lowestWavRate = 1000;
const uint32_t highestWavRate = 384000;

struct WavLayout {
    unsigned channels = 0;    // 1 to 8, interleaved
    uint32_t frequency = 0;   // frames a second
    unsigned bits = 0;        // 8 (unsigned around 128) or 16 (signed, little-endian)
    uint64_t dataOffset = 0;  // where the first frame starts
    uint64_t frames = 0;      // the whole frames there; a data chunk cut short counts what is there

    size_t frameBytes() const { return bits / 8u * channels; }
    double seconds() const { return frequency > 0 ? static_cast<double>(frames) / frequency : 0.0; }
};

// Reads up to `length` bytes at `offset`; returns how many it got.
using ReadAt = size_t (*)(void *source, uint64_t offset, uint8_t *out, size_t length);

// True when the sound will be played, with its layout; otherwise false and why not, in words for a user
// ("8-bit samples are played, and 16-bit ones; this file has 24-bit ones").
// Accepted: uncompressed PCM of 8 or 16 bits, 1 to 8 channels, lowestWavRate to highestWavRate Hz, the format
// chunk before the data chunk, at least one whole frame. Other chunks are skipped.
bool examineWav(ReadAt read, void *source, uint64_t size, WavLayout &layout, std::string &reason);

// The same on bytes in memory, and on an open file (its size taken by seeking to its end).
bool examineWavBytes(const uint8_t *bytes, size_t size, WavLayout &layout, std::string &reason);
bool examineWavFile(std::FILE *file, WavLayout &layout, std::string &reason);

// ReadAt over a std::FILE and over a MemoryBytes record.
size_t readFileAt(void *file, uint64_t offset, uint8_t *out, size_t length);
struct MemoryBytes {
    const uint8_t *bytes = nullptr;
    size_t size = 0;
};
size_t readMemoryAt(void *memory, uint64_t offset, uint8_t *out, size_t length);

}  // namespace platform
