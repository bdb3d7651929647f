// A recorded run of frames: every GL call drawScene made, with its arguments, so that the
// floor program can issue the very same calls with none of the scene's logic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace glrec {

// The calls a frame makes. Arguments follow in `words`, 32 bits each (a double takes two):
// enums, ints and floats as their bits.
enum class Op : uint8_t {
    Clear,         // mask
    LoadIdentity,  //
    Enable,        // cap
    Disable,       // cap
    LookAt,        // 9 doubles
    PushMatrix,    //
    PopMatrix,     //
    Rotatef,       // angle, x, y, z
    Translatef,    // x, y, z
    BindTexture,   // target, name
    Begin,         // mode
    End,           //
    TexCoord2f,    // s, t
    Vertex3i,      // x, y, z
    Vertex3fv,     // x, y, z
    Normal3fv,     // x, y, z
    Materialf,     // face, pname, value
    Materialfv,    // face, pname, 4 floats
    GetFloatv,     // pname (the answer is read and dropped)
    IsEnabled,     // cap (the answer is read and dropped)
    LoadMatrixf,   // 16 floats
    Count
};

// Argument words each op takes.
unsigned wordsOf(Op op);

struct FrameRecording {
    // Texture names the set-up had generated before the first recorded frame: 1 to
    // textureCount, in the order the texture cache created them.
    uint32_t textureCount = 0;
    std::vector<uint8_t> ops;
    std::vector<uint32_t> words;
    // Where each frame starts in ops and words, with one more entry for the end.
    std::vector<size_t> frameOps{0};
    std::vector<size_t> frameWords{0};

    size_t frameCount() const { return frameOps.size() - 1; }
    size_t callCount(size_t frame) const { return frameOps[frame + 1] - frameOps[frame]; }
};

bool saveRecording(const std::string &path, const FrameRecording &recording);
// Refuses a file that is not a whole recording of this format, saying why in `error`.
bool loadRecording(const std::string &path, FrameRecording &recording, std::string &error);

}  // namespace glrec
