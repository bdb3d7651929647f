// The floor: a recorded frame's GL calls issued straight from the recording, with no scene logic.
#pragma once

#include "bench/frame_recording.h"

#include <cstdint>
#include <vector>

// Points the recording's texture names at real ones: recorded name i + 1 becomes names[i].
// False when a frame binds a name the list does not cover.
bool mapTextures(glrec::FrameRecording &recording, const std::vector<uint32_t> &names);

// Issues frame `frame` of the recording on the current GL context.
void replayFrame(const glrec::FrameRecording &recording, size_t frame);
