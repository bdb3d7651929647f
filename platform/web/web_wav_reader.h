// Reads a PCM WAV file into signed 16-bit samples, for hosts whose audio API takes decoded sound.
// Portable: plain bytes in, samples out, so every refusal can be tested on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

struct PcmSound {
    int channels = 0;
    int frequency = 0;
    std::vector<int16_t> samples;  // interleaved, a whole number of frames

    size_t frames() const { return channels > 0 ? samples.size() / static_cast<size_t>(channels) : 0; }
};

// What examineWav (wav_format.h) accepts: uncompressed PCM of 8 or 16 bits, 1 to 8 channels, 1000 to 384000 Hz.
// Chunks other than "fmt " and "data" are skipped; a data chunk cut short gives the whole frames that are
// there. False for anything else, or for a sound with no frame at all.
bool parseWav(const uint8_t *bytes, size_t size, PcmSound &out);

// The same from a file.
bool readWavFile(const char *path, PcmSound &out);

}  // namespace platform
