// Writes the heaviest model the format allows to draw: 65 535 triangles, each covering the whole 512 x 512 view
// at any turn of the world (a horizontal triangle far wider than the view, below the camera and above the ground),
// textured with the default bark. Run the demo in the folder it fills to time its first frame.
// Usage: frostel-bench-heavy-model FOLDER   (FOLDER/data/tree.ms3d is written; copy the other data beside it)
#include "bench/model_writer.h"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: frostel-bench-heavy-model FOLDER\n");
        return 2;
    }
    // The camera stands 325 units above the model's origin and looks down at 22 to 68 degrees: every ray of the
    // view meets this plane, 100 units up, within the far plane, whatever the world's turn.
    const float wide = 100000.0f, height = 100.0f;
    frostel_assets::Mesh mesh;
    mesh.positions = {{-wide, height, -wide}, {wide, height, -wide}, {0.0f, height, wide}};
    frostel_assets::MeshTriangle triangle;
    for (int corner = 0; corner < 3; ++corner) {
        triangle.vertices[corner] = static_cast<uint16_t>(corner);
        triangle.normals[corner][1] = 1.0f;
        triangle.s[corner] = static_cast<float>(corner) * 100.0f;
        triangle.t[corner] = corner == 2 ? 100.0f : 0.0f;
    }
    mesh.triangles.assign(65535, triangle);
    useOneBarkGroup(mesh, "heavy");

    const std::filesystem::path data = std::filesystem::path(argv[1]) / "data";
    std::filesystem::create_directories(data);
    const std::string path = (data / "tree.ms3d").string();
    if (!writeMesh(path, mesh)) {
        std::fprintf(stderr, "heavy model: cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("%s: 65535 triangles over 3 vertices\n", path.c_str());
    return 0;
}
