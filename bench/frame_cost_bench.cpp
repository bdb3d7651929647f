// Cost of our own per-frame code: drawScene against a no-op GL, with 0 to 100 000 sparkles.
// Run from the build folder, whose data/ holds the default tree and images.
#include "assets/mesh_model.h"
#include "bench/median_reporter.h"
#include "bench/results_file.h"
#include "bench/scene_setup.h"
#include "scene/scene.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

const int sparkleCounts[] = {0, 1000, 10000, 100000};

void frameCost(benchmark::State &state)
{
    const int sparkleCount = static_cast<int>(state.range(0));
    benchscene::startClock();
    benchscene::populate(sparkleCount);
    benchscene::drawFrameAt(0);
    int index = 1;
    for (auto _ : state) benchscene::drawFrameAt(index++);
    if (sparkles.size() != static_cast<size_t>(sparkleCount)) state.SkipWithError("a sparkle was born during the run");
}

}  // namespace

BENCHMARK(frameCost)->Arg(0)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    const std::string results = takeResultsPath(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    benchscene::startClock();
    if (!initScene() || treeModel->triangleCount == 0) {
        std::fprintf(stderr, "frame cost: no tree in data/tree.ms3d; run this from the build folder\n");
        return 1;
    }
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double none = reporter.medianNs("frameCost/0");
    for (int count : sparkleCounts) {
        const double frame = reporter.medianNs("frameCost/" + std::to_string(count));
        if (frame <= 0.0) continue;
        const std::string key = "frame_cost." + std::to_string(count);
        writeResult(results, key + ".ns_per_frame", frame);
        if (count > 0 && none > 0.0) writeResult(results, key + ".ns_per_sparkle", (frame - none) / count);
    }
    writeResult(results, "frame_cost.tree_triangles", treeModel->triangleCount);
    return 0;
}
