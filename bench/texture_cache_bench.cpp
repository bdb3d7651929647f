// Texture cache lookups as the cache grows: each name found through the index, beside a walk of the whole list
// with a full comparison per entry (how names were found before). With one name per material, a model can
// name 65 535 images, and each is looked up when its textures are resolved, twice at scene set-up.
#include "assets/texture_cache.h"
#include "bench/median_reporter.h"
#include "bench/results_file.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const int cacheSizes[] = {4, 1024, 65535};

std::string nameOf(int i)
{
    char name[64];
    std::snprintf(name, sizeof name, "data/materials/texture-%05d.tga", i);
    return name;
}

// The cache as the loads of `count` images leave it; nothing is read from disk.
void fill(int count)
{
    textureCache.clear();
    for (int i = 0; i < count; ++i) {
        TextureEntry entry = {};
        std::snprintf(entry.fileName, sizeof entry.fileName, "%s", nameOf(i).c_str());
        entry.texture = static_cast<uint32_t>(i + 1);
        textureCache.push_back(entry);
    }
}

uint32_t scanned(const char *fileName)
{
    for (size_t i = 0; i < textureCache.size(); ++i)
        if (std::strcmp(textureCache[i].fileName, fileName) == 0) return textureCache[i].texture;
    return 0;
}

// Every name in turn, so each lookup finds its entry: ns per lookup.
template <uint32_t (*find)(const char *)> void lookups(benchmark::State &state)
{
    const int count = static_cast<int>(state.range(0));
    fill(count);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back(nameOf(i));
    find(names[0].c_str());  // the index catches up with the list outside the timing
    size_t next = 0;
    for (auto _ : state) {
        const uint32_t texture = find(names[next].c_str());
        if (texture != next + 1) state.SkipWithError("a name was not found");
        benchmark::DoNotOptimize(texture);
        next = next + 1 == names.size() ? 0 : next + 1;
    }
}

void indexed(benchmark::State &state) { lookups<loadTexture>(state); }
void scan(benchmark::State &state) { lookups<scanned>(state); }

}  // namespace

BENCHMARK(indexed)->Arg(4)->Arg(1024)->Arg(65535);
BENCHMARK(scan)->Arg(4)->Arg(1024)->Arg(65535);

int main(int argc, char **argv)
{
    const std::string results = takeResultsPath(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    for (int count : cacheSizes) {
        const std::string key = "texture_cache." + std::to_string(count);
        const double ours = reporter.medianNs("indexed/" + std::to_string(count));
        const double walked = reporter.medianNs("scan/" + std::to_string(count));
        if (ours > 0.0) writeResult(results, key + ".indexed_ns", ours);
        if (walked > 0.0) writeResult(results, key + ".scan_ns", walked);
    }
    return 0;
}
