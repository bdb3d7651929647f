// Child processes for the Windows checks: fork and exec with environment and output capture; a private Xvfb.
#include "tests/windows/child_process.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

double now()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::vector<char *> argvOf(const std::vector<std::string> &args)
{
    std::vector<char *> out;
    for (const std::string &a : args) out.push_back(const_cast<char *>(a.c_str()));
    out.push_back(nullptr);
    return out;
}

}  // namespace

ChildProcess::~ChildProcess()
{
    if (pid_ > 0) {
        kill(-pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool ChildProcess::start(const std::vector<std::string> &argv, const std::string &workDir,
                         const std::vector<std::string> &env, const std::string &outputPath)
{
    if (argv.empty()) return false;
    std::vector<char *> args = argvOf(argv);
    pid_ = fork();
    if (pid_ < 0) return false;
    if (pid_ == 0) {
        setpgid(0, 0);
        // As a user's shell starts it: a test run from a background job would hand on SIGINT ignored.
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        const int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out >= 0) {
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
            close(out);
        }
        if (chdir(workDir.c_str()) != 0) _exit(126);
        for (const std::string &e : env) putenv(strdup(e.c_str()));
        execv(args[0], args.data());
        _exit(127);
    }
    setpgid(pid_, pid_);
    return true;
}

bool ChildProcess::running()
{
    if (pid_ <= 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
    pid_ = -1;
    return false;
}

int ChildProcess::waitExit(double seconds)
{
    if (pid_ <= 0) return -1;
    const double end = now() + seconds;
    for (;;) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (now() >= end) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(-pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    return -1;
}

PrivateXServer::~PrivateXServer() { stop(); }

void PrivateXServer::stop()
{
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

bool PrivateXServer::start(const std::string &xvfb, bool withGl, bool builtInFontsOnly, const std::string &screen)
{
    int fds[2];
    if (pipe(fds) != 0) return false;
    pid_ = fork();
    if (pid_ < 0) return false;
    if (pid_ == 0) {
        close(fds[0]);
        const int devNull = open("/dev/null", O_WRONLY);
        if (devNull >= 0) {
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
        }
        const std::string fd = std::to_string(fds[1]);
        // -displayfd: the server picks a free display and writes its number once it accepts clients.
        // -noreset: a client that connects as the last one leaves would otherwise meet a resetting server.
        // Room for a 512 x 512 window with a window manager's frame.
        std::vector<std::string> args = {
            xvfb,        "-displayfd", fd,
            "-screen",   "0",          !screen.empty() ? screen : withGl ? "1024x768x24" : "640x480x24",
            "-nolisten", "tcp",        "-noreset"};
        args.insert(args.end(), {withGl ? "+extension" : "-extension", "GLX"});
        if (builtInFontsOnly) args.insert(args.end(), {"-fp", "built-ins"});
        std::vector<char *> argv = argvOf(args);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    const double end = now() + 20;
    while (now() < end) {
        if (poll(&p, 1, 200) <= 0) continue;
        char c = 0;
        if (read(fds[0], &c, 1) != 1) break;
        if (c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) return false;
    display_ = ":" + number;
    return true;
}

std::string readWholeFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
