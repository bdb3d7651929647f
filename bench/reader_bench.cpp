// Our TGA and MS3D readers beside a plain read of the same bytes (the floor) and beside the libraries a
// user would pick instead: stb_image for TGA, assimp's importer for MS3D. Run from the build folder.
#include "assets/model_arrays.h"
#include "assets/ms3d_reader.h"
#include "assets/tga_reader.h"
#include "bench/median_reporter.h"
#include "bench/results_file.h"
#include "formats.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <benchmark/benchmark.h>
#include <stb_image.h>

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

// Every byte of the file into memory, as a program that does nothing with it would read it.
void plainRead(benchmark::State &state, const std::string &path)
{
    for (auto _ : state) {
        std::FILE *file = std::fopen(path.c_str(), "rb");
        std::fseek(file, 0, SEEK_END);
        const long size = std::ftell(file);
        std::fseek(file, 0, SEEK_SET);
        void *bytes = std::malloc(static_cast<size_t>(size));
        if (std::fread(bytes, 1, static_cast<size_t>(size), file) != static_cast<size_t>(size))
            state.SkipWithError("short read");
        std::fclose(file);
        benchmark::DoNotOptimize(bytes);
        std::free(bytes);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(fs::file_size(path)));
}

void ourTga(benchmark::State &state, const std::string &path)
{
    for (auto _ : state) {
        TgaImage image;
        if (!readTgaFile(path.c_str(), image, nullptr, 0)) state.SkipWithError("refused");
        benchmark::DoNotOptimize(image.pixels);
        freeTgaImage(image);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(fs::file_size(path)));
}

void stbTga(benchmark::State &state, const std::string &path)
{
    for (auto _ : state) {
        int width = 0, height = 0, channels = 0;
        stbi_uc *pixels = stbi_load(path.c_str(), &width, &height, &channels, 0);
        if (!pixels) state.SkipWithError("refused");
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(fs::file_size(path)));
}

void ourMs3d(benchmark::State &state, const std::string &path)
{
    for (auto _ : state) {
        ModelArrays arrays;
        if (!readMs3dFile(path.c_str(), arrays, nullptr, nullptr, 0)) state.SkipWithError("refused");
        benchmark::DoNotOptimize(arrays.triangles);
        releaseModelArrays(arrays);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(fs::file_size(path)));
}

void assimpMs3d(benchmark::State &state, const std::string &path)
{
    Assimp::Importer importer;
    for (auto _ : state) {
        const aiScene *scene = importer.ReadFile(path, 0);
        if (!scene) state.SkipWithError(importer.GetErrorString());
        benchmark::DoNotOptimize(scene);
        importer.FreeScene();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(fs::file_size(path)));
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
    frostel_assets::MeshGroup group;
    group.name = "limits";
    group.material = 0;
    mesh.groups.push_back(group);
    frostel_assets::MeshMaterial material;
    material.name = "bark";
    material.texture = "data/bark.tga";
    mesh.materials.push_back(material);
    const frostel_assets::Bytes bytes = frostel_assets::encodeMs3d(mesh);
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
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
        for (int size : tgaSizes)
            written = written && writeTga(tgaFile(dir, depth, size), size, depth);
    if (!written) {
        std::fprintf(stderr, "readers: cannot write the test files in %s\n", dir.c_str());
        fs::remove_all(dir);
        return 1;
    }

    const std::pair<std::string, std::string> models[] = {{"tree", tree.string()}, {"half", half}, {"limits", limits}};
    for (const auto &[name, path] : models) {
        benchmark::RegisterBenchmark(("ms3d/plain/" + name).c_str(), plainRead, path)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("ms3d/ours/" + name).c_str(), ourMs3d, path)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("ms3d/assimp/" + name).c_str(), assimpMs3d, path)->Unit(benchmark::kMicrosecond);
    }
    for (int depth : tgaDepths)
        for (int size : tgaSizes) {
            const std::string path = tgaFile(dir, depth, size);
            const std::string name = tgaName(depth, size);
            benchmark::RegisterBenchmark(("tga/plain/" + name).c_str(), plainRead, path)->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark(("tga/ours/" + name).c_str(), ourTga, path)->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark(("tga/stb/" + name).c_str(), stbTga, path)->Unit(benchmark::kMicrosecond);
        }

    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    for (const auto &model : models) {
        writeResult(results, "ms3d." + model.first + ".bytes", static_cast<double>(fs::file_size(model.second)));
        for (const char *side : {"plain", "ours", "assimp"}) {
            const std::string name = "ms3d/" + std::string(side) + "/" + model.first;
            if (const double ns = reporter.medianNs(name); ns > 0.0)
                writeResult(results, "ms3d." + model.first + "." + side + "_ns", ns);
            else if (reporter.failed(name))
                writeResult(results, "ms3d." + model.first + "." + side + "_refused", 1);
        }
    }
    for (int depth : tgaDepths)
        for (int size : tgaSizes)
            for (const char *side : {"plain", "ours", "stb"}) {
                const double ns = reporter.medianNs("tga/" + std::string(side) + "/" + tgaName(depth, size));
                const std::string key = "tga." + std::to_string(depth) + "." + std::to_string(size) + "." + side;
                if (ns > 0.0) writeResult(results, key + "_ns", ns);
            }
    fs::remove_all(dir);
    return 0;
}
