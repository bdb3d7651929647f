// Appending figures to the results file that scripts/bench turns into its table.
#include "bench/results_file.h"

#include <cstdio>
#include <cstring>

std::string takeResultsPath(int &argc, char **argv)
{
    static const char prefix[] = "--results=";
    std::string path;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix, sizeof prefix - 1) == 0)
            path = argv[i] + sizeof prefix - 1;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    argv[argc] = nullptr;
    return path;
}

void writeResult(const std::string &path, const std::string &key, double value)
{
    if (path.empty()) return;
    std::FILE *file = std::fopen(path.c_str(), "a");
    if (!file) {
        std::perror(path.c_str());
        return;
    }
    std::fprintf(file, "%s\t%.6g\n", key.c_str(), value);
    std::fclose(file);
}
