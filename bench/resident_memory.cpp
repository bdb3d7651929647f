// Reads the process's resident set size from /proc (Linux only, like the benchmarks).
#include "bench/resident_memory.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

long residentKb()
{
    std::FILE *status = std::fopen("/proc/self/status", "r");
    if (!status) return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, "VmRSS:", 6) == 0) kb = std::strtol(line + 6, nullptr, 10);
    std::fclose(status);
    return kb;
}
