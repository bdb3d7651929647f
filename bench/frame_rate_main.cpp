// frostel-bench-frames: whole frames on the real GL at 512 x 512, the scene beside the floor (a replay of
// the same frames' recorded GL calls), interleaved in one process; or, with --memory, resident memory as
// sparkles are added. Run from the build folder under an X server.
#include "bench/resident_memory.h"
#include "app/demo.h"
#include "app/scene_run.h"
#include "platform/platform.h"
#include "app/window.h"
#include "assets/texture_cache.h"
#include "bench/frame_recording.h"
#include "bench/frame_replay.h"
#include "bench/results_file.h"
#include "bench/scene_setup.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    int sparkles = 0;
    int frames = 40;
    int rounds = 6;
    std::string recording;
    bool memory = false;
    int memoryTop = 100000;
};

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// One round: the demo's own main loop, whose frame callback alternates a floor frame with a scene
// frame, so both sides meet the same moments of a shared, noisy machine. Frame c of the round is
// recorded frame c on both sides: the scene draws it from the snapshot taken after the warm-up.
struct Round {
    const glrec::FrameRecording *recording = nullptr;
    int frames = 0;
    int drawn = 0;
    Clock::time_point sceneStart;
    std::vector<double> *sceneTimes = nullptr;
    std::vector<double> *floorTimes = nullptr;
} currentRound;

// What a minimal SDL program does per frame: drain the events, issue the calls, swap.
void floorFrame(size_t frame)
{
    const Clock::time_point start = Clock::now();
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
    replayFrame(*currentRound.recording, frame);
    SwapBuffers(hDC);
    currentRound.floorTimes->push_back(msBetween(start, Clock::now()));
}

// A scene frame is timed from here to the next call: drawScene, then the loop's swap and message check.
bool alternatingFrame()
{
    Round &r = currentRound;
    if (r.drawn > 0) r.sceneTimes->push_back(msBetween(r.sceneStart, Clock::now()));
    // Returning false ends the loop without another swap.
    if (r.drawn == r.frames) return false;
    floorFrame(static_cast<size_t>(r.drawn));
    r.sceneStart = Clock::now();
    return benchscene::drawFrameAt(++r.drawn);
}

void runRound(const glrec::FrameRecording &recording, int frames, std::vector<double> &sceneTimes,
              std::vector<double> &floorTimes)
{
    currentRound = Round{&recording, frames, 0, Clock::now(), &sceneTimes, &floorTimes};
    runMainLoop(alternatingFrame);
}

struct FrameStats {
    double fps, medianMs, p99Ms;
};

FrameStats statsOf(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    double total = 0.0;
    for (double t : times) total += t;
    auto rank = [&](double p) {
        size_t i = static_cast<size_t>(p * static_cast<double>(times.size()) + 0.999999);
        return times[std::min(times.size(), std::max<size_t>(i, 1)) - 1];
    };
    return {1000.0 * static_cast<double>(times.size()) / total, rank(0.5), rank(0.99)};
}

std::vector<unsigned char> framePixels()
{
    std::vector<unsigned char> rgb(512 * 512 * 3);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, 512, 512, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

// The floor is only a floor if it draws what the scene draws: compare one frame of each on a black buffer.
bool floorDrawsTheScene(const glrec::FrameRecording &recording)
{
    glClear(GL_COLOR_BUFFER_BIT);
    benchscene::drawFrameAt(1);
    const std::vector<unsigned char> scene = framePixels();
    glClear(GL_COLOR_BUFFER_BIT);
    replayFrame(recording, 0);
    const std::vector<unsigned char> floor = framePixels();
    size_t differing = 0, lit = 0;
    for (size_t i = 0; i < scene.size(); i += 3) {
        if (scene[i] || scene[i + 1] || scene[i + 2]) ++lit;
        for (size_t c = 0; c < 3; ++c)
            if (std::abs(scene[i + c] - floor[i + c]) > 2) {
                ++differing;
                break;
            }
    }
    const size_t all = 512 * 512;
    std::printf("floor check: the scene's frame lights %zu of %zu pixels; %zu differ in the replay by more than 2\n",
                lit, all, differing);
    // An empty frame would match anything: the scene must have drawn most of the view.
    return lit * 2 > all && differing * 100 <= all;
}

int measureFrames(const Options &options, const std::string &results)
{
    glrec::FrameRecording recording;
    std::string error;
    if (!glrec::loadRecording(options.recording, recording, error)) {
        std::fprintf(stderr, "frame rate: %s\n", error.c_str());
        return 1;
    }
    std::vector<uint32_t> names;
    for (const TextureEntry &entry : textureCache) names.push_back(entry.texture);
    if (recording.frameCount() < static_cast<size_t>(options.frames) || recording.textureCount != names.size() ||
        !mapTextures(recording, names)) {
        std::fprintf(stderr, "frame rate: %s was recorded from another set-up (%zu frames, %u textures; here %zu)\n",
                     options.recording.c_str(), recording.frameCount(), recording.textureCount, names.size());
        return 1;
    }
    const benchscene::Snapshot start = benchscene::takeSnapshot();
    if (!floorDrawsTheScene(recording)) {
        std::fprintf(stderr, "frame rate: the replayed frame does not match the scene's; no floor to compare with\n");
        return 1;
    }

    std::vector<double> sceneTimes, floorTimes;
    for (int r = 0; r < options.rounds; ++r) {
        benchscene::restoreSnapshot(start);
        runRound(recording, options.frames, sceneTimes, floorTimes);
    }
    const FrameStats scene = statsOf(sceneTimes), floor = statsOf(floorTimes);
    std::printf("%d sparkles, %zu GL calls a frame, %zu frames each:\n", options.sparkles, recording.callCount(0),
                sceneTimes.size());
    std::printf("  scene %8.1f fps  median %7.3f ms  p99 %7.3f ms\n", scene.fps, scene.medianMs, scene.p99Ms);
    std::printf("  floor %8.1f fps  median %7.3f ms  p99 %7.3f ms\n", floor.fps, floor.medianMs, floor.p99Ms);
    std::printf("  scene frame rate: %.1f%% of the floor's\n", 100.0 * scene.fps / floor.fps);

    const std::string key = "mesa." + std::to_string(options.sparkles);
    writeResult(results, key + ".calls", static_cast<double>(recording.callCount(0)));
    writeResult(results, key + ".scene.fps", scene.fps);
    writeResult(results, key + ".scene.median_ms", scene.medianMs);
    writeResult(results, key + ".scene.p99_ms", scene.p99Ms);
    writeResult(results, key + ".floor.fps", floor.fps);
    writeResult(results, key + ".floor.median_ms", floor.medianMs);
    writeResult(results, key + ".floor.p99_ms", floor.p99Ms);
    writeResult(results, key + ".share", scene.fps / floor.fps);
    return 0;
}

int measureMemory(const Options &options, const std::string &results)
{
    int index = 1;
    auto drawFrames = [&index](int count) {
        for (int i = 0; i < count; ++i) {
            benchscene::drawFrameAt(index++);
            SwapBuffers(hDC);
        }
    };
    drawFrames(30);
    const long first = residentKb();
    std::printf("resident after start-up and 30 frames: %ld KiB\n", first);
    // Least squares over the steps: the vector doubles and the allocator hands back pages in steps.
    const int step = options.memoryTop / 10;
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (int count = 0; count <= options.memoryTop; count += step) {
        while (sparkles.size() < static_cast<size_t>(count)) spawnSparkle();
        drawFrames(3);
        const long kb = residentKb();
        std::printf("  %6d sparkles: %ld KiB\n", count, kb);
        n += 1;
        sx += count;
        sy += static_cast<double>(kb);
        sxx += static_cast<double>(count) * count;
        sxy += static_cast<double>(count) * static_cast<double>(kb);
        if (step == 0) break;
    }
    const double slope = n > 1 ? (n * sxy - sx * sy) / (n * sxx - sx * sx) : 0.0;
    std::printf("growth: %.1f KiB per 1000 sparkles (%zu bytes each in the list)\n", slope * 1000.0, sizeof(Sparkle));
    writeResult(results, "memory.harness_start_kb", static_cast<double>(first));
    writeResult(results, "memory.growth_kb_per_1000", slope * 1000.0);
    const double listKb = static_cast<double>(sparkles.capacity() * sizeof(Sparkle)) / 1024.0;
    std::printf("of which the sparkle list holds %.0f KiB at %zu sparkles (capacity %zu)\n", listKb, sparkles.size(),
                sparkles.capacity());
    writeResult(results, "memory.sparkle_bytes", sizeof(Sparkle));
    if (options.memoryTop > 0) writeResult(results, "memory.list_kb_per_1000", listKb * 1000.0 / options.memoryTop);
    return 0;
}

bool parse(int argc, char **argv, Options &options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--memory")
            options.memory = true;
        else if (arg == "--sparkles" && hasValue)
            options.sparkles = std::atoi(argv[++i]);
        else if (arg == "--frames" && hasValue)
            options.frames = std::atoi(argv[++i]);
        else if (arg == "--rounds" && hasValue)
            options.rounds = std::atoi(argv[++i]);
        else if (arg == "--recording" && hasValue)
            options.recording = argv[++i];
        else if (arg == "--memory-top" && hasValue)
            options.memoryTop = std::atoi(argv[++i]);
        else
            return false;
    }
    return options.sparkles >= 0 && options.frames > 0 && options.rounds > 0 && options.memoryTop >= 0 &&
           (options.memory || !options.recording.empty());
}

}  // namespace

int main(int argc, char **argv)
{
    const std::string results = takeResultsPath(argc, argv);
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: frostel-bench-frames --recording FILE [--sparkles N] [--frames K] [--rounds R]\n"
                             "       frostel-bench-frames --memory [--memory-top N]\n"
                             "  [--results=FILE] (run from the build folder, under an X server)\n");
        return 2;
    }
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "frame rate: needs an X server (scripts/bench starts one)\n");
        return 1;
    }
    // A missing X server must fail, not fall back to SDL's invisible offscreen driver.
    setenv("SDL_VIDEODRIVER", "x11", 1);

    benchscene::startClock();
    if (!openWindow("Frostel bench", 512, 512, 32, false)) return 1;
    benchscene::populate(options.memory ? 0 : options.sparkles);
    benchscene::drawFrameAt(0);
    SwapBuffers(hDC);

    const int status = options.memory ? measureMemory(options, results) : measureFrames(options, results);
    closeWindow();
    return status;
}
