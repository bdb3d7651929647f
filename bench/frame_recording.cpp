// Saving and loading frame recordings: a short header, then the op and word arrays as they are in memory.
#include "bench/frame_recording.h"

#include <cstdio>
#include <cstring>

namespace glrec {

namespace {

const char magic[8] = {'F', 'R', 'S', 'T', 'R', 'E', 'C', '1'};

template <typename T> bool writeArray(std::FILE *file, const std::vector<T> &values)
{
    const uint64_t count = values.size();
    return std::fwrite(&count, sizeof count, 1, file) == 1 &&
           std::fwrite(values.data(), sizeof(T), values.size(), file) == values.size();
}

template <typename T> bool readArray(std::FILE *file, std::vector<T> &values)
{
    uint64_t count = 0;
    if (std::fread(&count, sizeof count, 1, file) != 1 || count > (uint64_t{1} << 32)) return false;
    values.resize(static_cast<size_t>(count));
    return std::fread(values.data(), sizeof(T), values.size(), file) == values.size();
}

}  // namespace

unsigned wordsOf(Op op)
{
    switch (op) {
    case Op::LoadIdentity:
    case Op::PushMatrix:
    case Op::PopMatrix:
    case Op::End: return 0;
    case Op::Clear:
    case Op::Enable:
    case Op::Disable:
    case Op::Begin:
    case Op::GetFloatv:
    case Op::IsEnabled: return 1;
    case Op::BindTexture:
    case Op::TexCoord2f: return 2;
    case Op::Translatef:
    case Op::Vertex3i:
    case Op::Vertex3fv:
    case Op::Normal3fv:
    case Op::Materialf: return 3;
    case Op::Rotatef: return 4;
    case Op::Materialfv: return 6;
    case Op::LoadMatrixf: return 16;
    case Op::LookAt: return 18;
    case Op::Count: break;
    }
    return 0;
}

bool saveRecording(const std::string &path, const FrameRecording &recording)
{
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(magic, sizeof magic, 1, file) == 1 &&
              std::fwrite(&recording.textureCount, sizeof recording.textureCount, 1, file) == 1 &&
              writeArray(file, recording.ops) && writeArray(file, recording.words) &&
              writeArray(file, recording.frameOps) && writeArray(file, recording.frameWords);
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

bool loadRecording(const std::string &path, FrameRecording &recording, std::string &error)
{
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    char header[sizeof magic];
    bool ok = std::fread(header, sizeof header, 1, file) == 1 && std::memcmp(header, magic, sizeof magic) == 0 &&
              std::fread(&recording.textureCount, sizeof recording.textureCount, 1, file) == 1 &&
              readArray(file, recording.ops) && readArray(file, recording.words) &&
              readArray(file, recording.frameOps) && readArray(file, recording.frameWords);
    std::fclose(file);
    if (!ok) {
        error = path + " is not a whole frame recording";
        return false;
    }
    // Every op must be known and find its words where the frame tables say, or a replay would run off the end.
    ok = recording.frameOps.size() == recording.frameWords.size() && !recording.frameOps.empty() &&
         recording.frameOps.front() == 0 && recording.frameWords.front() == 0 &&
         recording.frameOps.back() == recording.ops.size() && recording.frameWords.back() == recording.words.size();
    size_t word = 0, frame = 0;
    for (size_t i = 0; ok && i < recording.ops.size(); ++i) {
        while (frame + 1 < recording.frameOps.size() && recording.frameOps[frame] == i) {
            ok = ok && recording.frameWords[frame] == word;
            ++frame;
        }
        ok = ok && recording.ops[i] < static_cast<uint8_t>(Op::Count);
        if (ok) word += wordsOf(static_cast<Op>(recording.ops[i]));
    }
    ok = ok && word == recording.words.size();
    if (!ok) error = path + " has frame tables that do not match its calls";
    return ok;
}

}  // namespace glrec
