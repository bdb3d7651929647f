// Synthesiser for the looping background music: a traditional carol on a music box over a soft pad.
#pragma once

#include <cstdint>
#include <vector>

namespace frostel_assets {

constexpr int kMusicRate = 44100;
constexpr int kMusicChannels = 2;
constexpr int kMusicBeatsPerMinute = 84;  // 31500 samples a beat, so bars fall on whole samples
constexpr int kMusicBeats = 72;           // the tune twice over, 12 bars of 3/4 each time

struct Music {
    std::vector<int16_t> samples;  // interleaved left, right
    int frames() const { return static_cast<int>(samples.size() / kMusicChannels); }
};

// Rendered into a circular buffer, so that notes still ringing at the end carry on
// at the start and the loop has no seam. Starts on the tune's pickup note.
Music makeMusic();

}  // namespace frostel_assets
