// Our TGA and MS3D readers beside a plain read of the same bytes (the floor) and beside the libraries a
// user would pick instead: stb_image for TGA, assimp's importer for MS3D, timed in pairs. Run from the
// build folder.
#include "assets/model_arrays.h"
#include "assets/ms3d_reader.h"
#include "assets/tga_reader.h"
#include "bench/median_reporter.h"
#include "bench/model_writer.h"
#include "bench/results_file.h"
#include "formats.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <benchmark/benchmark.h>
#include <stb_image.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const int tgaSizes[] = {256, 512, 1024, 2048, 4096};
const int tgaDepths[] = {24, 32};

using Clock = std::chrono::steady_clock;

// Every byte of the file into memory, as a program that does nothing with it would read it.
bool plainRead(const std::string &path)
{
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    void *bytes = std::malloc(static_cast<size_t>(size));
    const bool whole = std::fread(bytes, 1, static_cast<size_t>(size), file) == static_cast<size_t>(size);
    std::fclose(file);
    benchmark::DoNotOptimize(bytes);
    std::free(bytes);
    return whole;
}

bool ourTga(const std::string &path)
{
    TgaImage image;
    const bool ok = readTgaFile(path.c_str(), image, nullptr, 0);
    benchmark::DoNotOptimize(image.pixels);
    freeTgaImage(image);
    return ok;
}

bool stbTga(const std::string &path)
{
    int width = 0, height = 0, channels = 0;
    stbi_uc *pixels = stbi_load(path.c_str(), &width, &height, &channels, 0);
    benchmark::DoNotOptimize(pixels);
    stbi_image_free(pixels);
    return pixels != nullptr;
}

bool ourMs3d(const std::string &path)
{
    ModelArrays arrays;
    const bool ok = readMs3dFile(path.c_str(), arrays, nullptr, nullptr, 0);
    benchmark::DoNotOptimize(arrays.triangles);
    releaseModelArrays(arrays);
    return ok;
}

bool assimpMs3d(const std::string &path)
{
    static Assimp::Importer importer;
    const aiScene *scene = importer.ReadFile(path, 0);
    benchmark::DoNotOptimize(scene);
    importer.FreeScene();
    return scene != nullptr;
}

// The three sides of one comparison: the plain read (the floor), ours, and the other library.
struct Side {
    const char *name;
    bool (*read)(const std::string &path);
};

// Every iteration reads the file once by each side, in turn and in a rotating order, so that the
// three meet the same moments of a shared machine; the ratios come from these paired times. A side
// that refuses the file is left out from then on and reported as refusing it.
void compare(benchmark::State &state, const std::string &path, const std::vector<Side> &sides)
{
    std::vector<double> seconds(sides.size(), 0.0);
    std::vector<bool> refused(sides.size(), false);
    size_t turn = 0;
    for (auto _ : state) {
        double iteration = 0.0;
        for (size_t k = 0; k < sides.size(); ++k) {
            const size_t i = (k + turn) % sides.size();
            if (refused[i]) continue;
            const Clock::time_point start = Clock::now();
            const bool ok = sides[i].read(path);
            const double took = std::chrono::duration<double>(Clock::now() - start).count();
            if (!ok) {
                refused[i] = true;
                continue;
            }
            seconds[i] += took;
            iteration += took;
        }
        ++turn;
        state.SetIterationTime(iteration);
    }
    if (refused[0] || refused[1]) {
        state.SkipWithError("the plain read or our reader failed");
        return;
    }
    const double iterations = static_cast<double>(state.iterations());
    for (size_t i = 0; i < sides.size(); ++i)
        state.counters[std::string(sides[i].name) + "_us"] = refused[i] ? -1.0 : seconds[i] / iterations * 1e6;
    state.counters["ours/plain"] = seconds[1] / seconds[0];
    if (sides.size() > 2 && !refused[2]) state.counters[std::string(sides[2].name) + "/ours"] = seconds[2] / seconds[1];
}

// Uncompressed true-colour, bottom-left origin, pixels a pattern that no run or repeat makes cheap.
bool writeTga(const std::string &path, int size, int depth)
{
    std::vector<uint8_t> bytes(18, 0);
    bytes[2] = 2;
    bytes[12] = static_cast<uint8_t>(size & 0xFF);
    bytes[13] = static_cast<uint8_t>(size >> 8);
    bytes[14] = bytes[12];
    bytes[15] = bytes[13];
    bytes[16] = static_cast<uint8_t>(depth);
    bytes[17] = depth == 32 ? 8 : 0;
    const size_t count = static_cast<size_t>(size) * static_cast<size_t>(size) * static_cast<size_t>(depth / 8);
    uint32_t state = 12345;
    for (size_t i = 0; i < count; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes.push_back(static_cast<uint8_t>(state >> 24));
    }
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

// `count` vertices and as many triangles, all in one group with one material. At 65 535 the
// format is full; 32 767 is as far as a reader that takes the indices as signed can go.
bool writeBigModel(const std::string &path, int count)
{
    frostel_assets::Mesh mesh;
    for (int i = 0; i < count; ++i) {
        const float angle = static_cast<float>(i) * 0.001f;
        mesh.positions.push_back({std::cos(angle) * 50.0f, static_cast<float>(i % 300), std::sin(angle) * 50.0f});
    }
    for (int i = 0; i < count; ++i) {
        frostel_assets::MeshTriangle triangle;
        for (int corner = 0; corner < 3; ++corner) {
            triangle.vertices[corner] = static_cast<uint16_t>((i + corner * 7) % count);
            triangle.normals[corner][1] = 1.0f;
            triangle.s[corner] = static_cast<float>(corner) * 0.5f;
            triangle.t[corner] = static_cast<float>(i % 16) / 16.0f;
        }
        mesh.triangles.push_back(triangle);
    }
    useOneBarkGroup(mesh, "limits");
    return writeMesh(path, mesh);
}

std::string tgaName(int depth, int size) { return std::to_string(depth) + "/" + std::to_string(size); }

std::string tgaFile(const fs::path &dir, int depth, int size)
{
    return (dir / ("image" + std::to_string(depth) + "_" + std::to_string(size) + ".tga")).string();
}

}  // namespace

int main(int argc, char **argv)
{
    const std::string results = takeResultsPath(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    const fs::path tree = "data/tree.ms3d";
    if (!fs::exists(tree)) {
        std::fprintf(stderr, "readers: no data/tree.ms3d; run this from the build folder\n");
        return 1;
    }
    const fs::path dir = fs::temp_directory_path() / ("frostel-bench-readers-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string limits = (dir / "limits.ms3d").string(), half = (dir / "half.ms3d").string();
    bool written = writeBigModel(limits, 65535) && writeBigModel(half, 32767);
    for (int depth : tgaDepths)
        for (int size : tgaSizes) written = written && writeTga(tgaFile(dir, depth, size), size, depth);
    if (!written) {
        std::fprintf(stderr, "readers: cannot write the test files in %s\n", dir.c_str());
        fs::remove_all(dir);
        return 1;
    }

    const std::pair<std::string, std::string> models[] = {{"tree", tree.string()}, {"half", half}, {"limits", limits}};
    const std::vector<Side> ms3dSides = {{"plain", plainRead}, {"ours", ourMs3d}, {"assimp", assimpMs3d}};
    const std::vector<Side> tgaSides = {{"plain", plainRead}, {"ours", ourTga}, {"stb", stbTga}};
    for (const auto &[name, path] : models)
        benchmark::RegisterBenchmark(("ms3d/" + name).c_str(), compare, path, ms3dSides)->UseManualTime();
    for (int depth : tgaDepths)
        for (int size : tgaSizes)
            benchmark::RegisterBenchmark(("tga/" + tgaName(depth, size)).c_str(), compare, tgaFile(dir, depth, size),
                                         tgaSides)
                ->UseManualTime();

    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    // Medians over the repetitions of each side's time and of the paired ratios.
    auto keep = [&](const std::string &benchmarkName, const std::string &key, const std::vector<Side> &sides) {
        for (const Side &side : sides) {
            const double us = reporter.counter(benchmarkName, std::string(side.name) + "_us");
            if (us > 0.0)
                writeResult(results, key + "." + side.name + "_ns", us * 1000.0);
            else if (us < 0.0)
                writeResult(results, key + "." + side.name + "_refused", 1);
        }
        writeResult(results, key + ".ours_per_plain", reporter.counter(benchmarkName, "ours/plain"));
        const std::string other = std::string(sides[2].name) + "/ours";
        if (const double ratio = reporter.counter(benchmarkName, other); ratio > 0.0)
            writeResult(results, key + "." + sides[2].name + "_per_ours", ratio);
    };
    for (const auto &model : models) {
        writeResult(results, "ms3d." + model.first + ".bytes", static_cast<double>(fs::file_size(model.second)));
        keep("ms3d/" + model.first, "ms3d." + model.first, ms3dSides);
    }
    for (int depth : tgaDepths)
        for (int size : tgaSizes)
            keep("tga/" + tgaName(depth, size), "tga." + std::to_string(depth) + "." + std::to_string(size), tgaSides);
    fs::remove_all(dir);
    return 0;
}
