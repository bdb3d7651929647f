// Synthesises the built-in chime: two bell-like partials fading out.
#include "platform/chime.h"

#include <algorithm>
#include <cmath>

namespace platform {

std::vector<int16_t> synthesiseChime(int frequency, int channels)
{
    if (frequency <= 0 || channels <= 0) return {};
    const double seconds = 0.4;
    const double pi = 3.14159265358979323846;
    const size_t frames = static_cast<size_t>(seconds * frequency);
    // A few milliseconds of fade at both ends keep the speaker from clicking.
    const double fadeSeconds = 0.004;
    std::vector<int16_t> samples(frames * static_cast<size_t>(channels));
    for (size_t frame = 0; frame < frames; ++frame) {
        const double t = static_cast<double>(frame) / frequency;
        const double tone = 0.6 * std::sin(2.0 * pi * 880.0 * t) + 0.4 * std::sin(2.0 * pi * 1320.0 * t);
        double envelope = std::exp(-t * 9.0);
        envelope *= std::min(1.0, t / fadeSeconds);
        envelope *= std::min(1.0, (seconds - t) / fadeSeconds);
        const auto value = static_cast<int16_t>(std::lround(tone * envelope * 12000.0));
        for (int channel = 0; channel < channels; ++channel) {
            samples[frame * static_cast<size_t>(channels) + static_cast<size_t>(channel)] = value;
        }
    }
    return samples;
}

}  // namespace platform
