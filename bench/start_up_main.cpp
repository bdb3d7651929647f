// frostel-bench-start: process start to first presented frame, the demo beside a minimal SDL2 GL program,
// launched in turn with the first-frame probe preloaded. Also keeps each one's resident memory at that frame.
// Usage: frostel-bench-start PROBE RUNS DEMO MINIMAL [--results=FILE], from the build folder, under an X server.
#include "bench/results_file.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char **environ;

namespace {

struct Launch {
    double ms = 0.0;
    long residentKb = 0;
};

long long monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Starts `program` with the probe preloaded and waits for its report; false if none came within 60 s.
bool launch(const std::string &probe, const std::string &program, Launch &out)
{
    int channel[2];
    if (pipe(channel) != 0) return false;
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e)
        if (std::strncmp(*e, "LD_PRELOAD=", 11) != 0 && std::strncmp(*e, "FROSTEL_PROBE_FD=", 17) != 0)
            env.emplace_back(*e);
    env.push_back("LD_PRELOAD=" + probe);
    env.push_back("FROSTEL_PROBE_FD=3");
    std::vector<char *> envp;
    for (std::string &e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The read end goes first: it may be the very descriptor the report is to arrive on.
    posix_spawn_file_actions_addclose(&actions, channel[0]);
    posix_spawn_file_actions_adddup2(&actions, channel[1], 3);
    char *argv[] = {const_cast<char *>(program.c_str()), nullptr};
    pid_t child = 0;
    const long long start = monotonicNs();
    const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(channel[1]);
    if (spawned != 0) {
        close(channel[0]);
        return false;
    }

    char line[128] = {};
    size_t got = 0;
    pollfd wait{channel[0], POLLIN, 0};
    while (got < sizeof line - 1 && !std::strchr(line, '\n') && poll(&wait, 1, 60000) > 0) {
        const ssize_t n = read(channel[0], line + got, sizeof line - 1 - got);
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    close(channel[0]);
    long long frameNs = 0;
    const bool reported = std::sscanf(line, "%lld %ld", &frameNs, &out.residentKb) == 2;
    if (!reported) kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    out.ms = static_cast<double>(frameNs - start) / 1e6;
    return reported;
}

template <typename T> T median(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char **argv)
{
    const std::string results = takeResultsPath(argc, argv);
    if (argc != 5 || std::atoi(argv[2]) < 1) {
        std::fprintf(stderr, "usage: frostel-bench-start PROBE RUNS DEMO MINIMAL [--results=FILE]\n");
        return 2;
    }
    const std::string probe = argv[1];
    const int runs = std::atoi(argv[2]);
    const std::string programs[2] = {argv[3], argv[4]};
    const char *const names[2] = {"frostel", "minimal"};

    std::vector<double> ms[2];
    std::vector<long> kb[2];
    for (int run = 0; run < runs; ++run) {
        // Alternate which goes first, so that neither always finds the caches warmed by the other.
        for (int turn = 0; turn < 2; ++turn) {
            const int which = (turn + run) % 2;
            Launch launched;
            if (!launch(probe, programs[which], launched)) {
                std::fprintf(stderr, "start-up: %s presented no frame\n", programs[which].c_str());
                return 1;
            }
            ms[which].push_back(launched.ms);
            kb[which].push_back(launched.residentKb);
        }
    }
    for (int which = 0; which < 2; ++which) {
        const double m = median(ms[which]);
        std::printf("%-8s first frame after %7.1f ms (median of %d; fastest %.1f), resident %ld KiB\n", names[which], m,
                    runs, *std::min_element(ms[which].begin(), ms[which].end()), median(kb[which]));
        writeResult(results, std::string("startup.") + names[which] + ".median_ms", m);
        writeResult(results, std::string("memory.") + names[which] + "_start_kb",
                    static_cast<double>(median(kb[which])));
    }
    writeResult(results, "startup.ratio", median(ms[0]) / median(ms[1]));
    return 0;
}
