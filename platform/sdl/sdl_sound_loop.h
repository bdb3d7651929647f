// Reads a PCM sound a block at a time from where it lies (a file, or bytes in memory), once or looping.
// Portable: the audio callback only calls this, so the wrapping can be tested on its own.
#pragma once

#include "platform/wav_format.h"

#include <cstddef>
#include <cstdint>

namespace platform {

struct SoundCursor {
    ReadAt read = nullptr;
    void *source = nullptr;
    uint64_t start = 0;     // where the sound's first byte lies in the source
    uint64_t size = 0;      // bytes, a whole number of frames
    uint64_t position = 0;  // bytes into the sound
    bool looping = false;
};

// Copies up to `length` bytes of the sound from the cursor on into `out`, wrapping to the start when
// looping. Returns how many it wrote: fewer than `length` only once the sound has ended, a one-shot at its
// end or any sound whose source can no longer be read (a loop over a file cut short must not spin for ever).
size_t readSound(SoundCursor &cursor, uint8_t *out, size_t length);

// Whether the cursor has nothing more to give.
bool soundEnded(const SoundCursor &cursor);

// How many frames at `from` Hz make `outputFrames` frames at `to` Hz, rounded up, and kept between `least`
// and `most`: a block read for a callback, however far apart the two rates are.
size_t inputFramesFor(size_t outputFrames, uint32_t from, uint32_t to, size_t least, size_t most);

}  // namespace platform
