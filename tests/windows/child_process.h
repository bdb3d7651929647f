// Child processes for the Windows checks: a program run with arguments, extra environment and captured output,
// and a private X server on which no OpenGL can be had.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;
    ~ChildProcess();  // kills a child that is still running

    // Starts argv[0] (a path) in `workDir` with `env` ("NAME=value") on top of ours; stdout and stderr go to
    // `outputPath`. The child leads its own process group, so that a hung run can be killed whole.
    bool start(const std::vector<std::string> &argv, const std::string &workDir, const std::vector<std::string> &env,
               const std::string &outputPath);
    bool running();
    pid_t pid() const { return pid_; }
    // Exit status (128 + signal when killed by one), or -1 when it outlasted `seconds` and was killed.
    int waitExit(double seconds);

private:
    pid_t pid_ = -1;
};

// A private Xvfb, with or without the GLX extension, on a display number of its own choosing.
class PrivateXServer {
public:
    PrivateXServer() = default;
    PrivateXServer(const PrivateXServer &) = delete;
    PrivateXServer &operator=(const PrivateXServer &) = delete;
    ~PrivateXServer();

    // With `builtInFontsOnly`, the server has only its own "fixed" and "cursor": too few for SDL's message
    // boxes, enough for xmessage.
    // `screen` ("1280x720x24") replaces the default size of 1024 × 768 with GL, 640 × 480 without.
    bool start(const std::string &xvfb, bool withGl, bool builtInFontsOnly = false, const std::string &screen = "");
    void stop();  // as when the display goes away under its clients
    const std::string &display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

// Xvfb without the GLX extension.
class XServerWithoutGl : public PrivateXServer {
public:
    bool start(const std::string &xvfb, bool builtInFontsOnly = false)
    {
        return PrivateXServer::start(xvfb, false, builtInFontsOnly);
    }
};

std::string readWholeFile(const std::string &path);
