// The short built-in chime played when a sound file cannot be had.
// Portable: plain synthesis into signed 16-bit samples, made by our own code.
#pragma once

#include <cstdint>
#include <vector>

namespace platform {

// Interleaved signed 16-bit samples, `channels` per frame, at `frequency` frames a second.
std::vector<int16_t> synthesiseChime(int frequency, int channels);

}  // namespace platform
