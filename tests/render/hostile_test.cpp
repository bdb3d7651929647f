// The real program where its surroundings are hostile: a closed standard error, no thread to be had, an image
// that asks for 17 GB. Each time the scene must run and Escape must end it with status 0.
#include <gtest/gtest.h>

// Xlib after GoogleTest: its macros (None, Bool) would break GoogleTest's templates.
#include "tests/render/x_session.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path scratch(const std::string &name)
{
    const fs::path dir = fs::temp_directory_path() / ("frostel-hostile-" + name + "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    // The program's own data, made by the build beside it.
    fs::create_directories(dir);
    fs::copy(fs::path(FROSTEL_EXE).parent_path() / "data", dir / "data", fs::copy_options::recursive);
    return dir;
}

// A program that runs `line` in the shell and then the demo in its place, so that what the line set (a closed
// descriptor, a limit) is the demo's.
std::string wrapper(const fs::path &dir, const std::string &line)
{
    const fs::path script = dir / "start.sh";
    std::ofstream(script) << "#!/bin/sh\n" << line << "\nexec '" FROSTEL_EXE "'\n";
    fs::permissions(script, fs::perms::owner_all);
    return script.string();
}

// The peak of resident memory, in kB, as the kernel counts it; -1 once the process is gone.
long peakResidentKb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    long value = -1;
    while (status >> key)
        if (key == "VmHWM:" && status >> value) return value;
    return -1;
}

// Starts the program, sees frames come, presses Escape and expects status 0 within 20 s; keeps the peak of resident
// memory seen meanwhile, and stops early (the program is then killed) once it passes `mostKb`.
void expectRunAndEscape(const fs::path &dir, const std::string &program, const std::vector<std::string> &env,
                        long mostKb = 0, long *peakKb = nullptr)
{
    XSession x;
    ASSERT_TRUE(x.connected());
    ASSERT_TRUE(x.start(program, dir.string(), env));
    const Window w = x.waitForWindow("Frostel - Tarvik", 30);
    ASSERT_NE(w, 0u) << "no window";
    long peak = 0;
    const RgbImage first = x.grab(w);
    for (int i = 0; i < 30; ++i) {  // three seconds of frames
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        peak = std::max(peak, peakResidentKb(x.pid()));
        if (mostKb > 0 && peak > mostKb) break;
    }
    if (peakKb) *peakKb = peak;
    // Past the bound the caller fails, and the session kills the program before it fills the machine's memory.
    if (mostKb > 0 && peak > mostKb) return;
    EXPECT_NE(x.grab(w).rgb, first.rgb) << "frames should go on";
    x.sendKey(w, "Escape");
    EXPECT_EQ(x.waitExit(20), 0);
}

bool haveDisplay() { return std::getenv("DISPLAY") != nullptr; }

// The program run after `line` in a shell of its own, with this sound driver.
void expectWrappedRunEndsOnEscape(const std::string &name, const std::string &line, const std::string &audioDriver)
{
    if (!haveDisplay()) GTEST_SKIP() << "needs an X server (scripts/test runs one)";
    const fs::path dir = scratch(name);
    expectRunAndEscape(dir, wrapper(dir, line), {"SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=" + audioDriver});
    fs::remove_all(dir);
}

// Started with standard error closed, its number went to the X connection, and a sound library's complaint
// (ALSA finding no card) was written into it: the program then waited for ever on the server.
TEST(Hostile, ClosedStandardErrorWithAlsaAndNoCardStillEndsOnEscape)
{
    expectWrappedRunEndsOnEscape("closed", "exec 2>&-", "alsa");
}

// A stack limit no memory holds refuses every new thread: no sound thread and no drawing threads of the GL.
TEST(Hostile, AStackLimitThatRefusesThreadsLeavesTheSceneRunningSilent)
{
    expectWrappedRunEndsOnEscape("threads", "ulimit -s 33554432 || exit 125", "dummy");
}

// 65535 x 65535 at 32 bits, full length (sparse, so it costs no disk): 17 GB that no OpenGL can take. It is
// refused from its header, at every frame's request, in little memory.
TEST(Hostile, AnImageNoOpenGLTakesIsRefusedInLittleMemory)
{
    if (!haveDisplay()) GTEST_SKIP() << "needs an X server (scripts/test runs one)";
    const fs::path dir = scratch("vast");
    {
        std::ofstream tga(dir / "data/snow.tga", std::ios::binary | std::ios::trunc);
        const unsigned char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 32, 0};
        tga.write(reinterpret_cast<const char *>(header), sizeof header);
    }
    ASSERT_EQ(truncate((dir / "data/snow.tga").c_str(), off_t{18} + off_t{65535} * 65535 * 4), 0);
    long peakKb = 0;
    const long mostKb = 300 * 1024;
    expectRunAndEscape(dir, FROSTEL_EXE, {"SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy"}, mostKb, &peakKb);
    EXPECT_LT(peakKb, mostKb);
    fs::remove_all(dir);
}

}  // namespace
