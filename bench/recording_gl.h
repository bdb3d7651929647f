// The recorder's OpenGL: keeps the little state the scene reads back and, between
// startRecordingFrame and stopRecordingFrame, appends every call to a recording.
#pragma once

#include "bench/frame_recording.h"

#include <cstdint>

// Calls made while no frame is being recorded are answered but not kept.
void startRecordingFrame(glrec::FrameRecording &recording);
void stopRecordingFrame();
// Texture names generated so far; they run from 1.
uint32_t texturesGenerated();
