// frostel-bench-record: records the GL calls of a run of scene frames for the floor program to replay.
// Usage: frostel-bench-record SPARKLES FRAMES OUTFILE, from the build folder (it reads data/).
#include "bench/frame_recording.h"
#include "bench/recording_gl.h"
#include "bench/scene_setup.h"
#include "scene/scene.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: frostel-bench-record SPARKLES FRAMES OUTFILE\n");
        return 2;
    }
    const int sparkleCount = std::atoi(argv[1]);
    const int frames = std::atoi(argv[2]);
    if (sparkleCount < 0 || frames < 1) {
        std::fprintf(stderr, "frame recorder: SPARKLES must be 0 or more and FRAMES 1 or more\n");
        return 2;
    }

    // The same start-up and warm-up frame as the frame-rate harness, so frame k is the same frame in both.
    benchscene::startClock();
    if (!initScene()) return 1;
    benchscene::populate(sparkleCount);
    benchscene::drawFrameAt(0);

    glrec::FrameRecording recording;
    recording.textureCount = texturesGenerated();
    for (int k = 1; k <= frames; ++k) {
        startRecordingFrame(recording);
        benchscene::drawFrameAt(k);
        stopRecordingFrame();
    }
    if (!glrec::saveRecording(argv[3], recording)) {
        std::perror(argv[3]);
        return 1;
    }
    std::printf("recorded %d frames with %d sparkles: %zu GL calls per frame, %u textures\n", frames, sparkleCount,
                recording.callCount(0), recording.textureCount);
    return 0;
}
