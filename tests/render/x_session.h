// Drives the real program under an X server: start it in a folder, find its window, read pixels, send input.
#pragma once

#include <X11/Xlib.h>

#include <string>
#include <sys/types.h>
#include <vector>

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;  // top row first
    const unsigned char *at(int x, int y) const { return &rgb[size_t(y * width + x) * 3]; }
};

class XSession {
public:
    XSession();
    explicit XSession(const std::string &displayName);  // another server than DISPLAY's
    ~XSession();
    bool connected() const { return display_ != nullptr; }

    // Starts `program` with `workDir` as its working directory and the given extra environment.
    bool start(const std::string &program, const std::string &workDir, const std::vector<std::string> &env);
    // Waits up to `seconds` for a mapped top-level window with this exact title.
    Window waitForWindow(const std::string &title, double seconds);
    RgbImage grab(Window w);
    // A mapped top-level window of this size and background pixel, as a screen-saver daemon makes one.
    Window createWindow(int width, int height, unsigned long background);
    void sendKey(Window w, const char *keysym);
    void requestClose(Window w);
    // Exit status, or -1 when the program did not exit within `seconds` (it is then killed).
    int waitExit(double seconds);
    Display *display() { return display_; }
    pid_t pid() const { return child_; }

private:
    Display *display_ = nullptr;
    pid_t child_ = -1;
};

// XScreenSaver's daemon on a private 1280 × 720 Xvfb, for a home folder of its own. As root, the daemon and every
// program run for its user run as nobody: the daemon runs no hacks for root.
class ScreenSaverDaemon {
public:
    ScreenSaverDaemon();
    ScreenSaverDaemon(const ScreenSaverDaemon &) = delete;
    ScreenSaverDaemon &operator=(const ScreenSaverDaemon &) = delete;
    ~ScreenSaverDaemon();  // asks the daemon to exit

    // What this machine lacks to run it (a Debian package to install), or empty.
    static std::string missing();
    // Gives `home` (which must exist) and all in it to the daemon's user, then starts the daemon on it, verbose.
    bool start(const std::string &home);
    // runAsSaverUser in its home, on its display.
    int runAsUser(const std::vector<std::string> &argv, std::string *output = nullptr, double seconds = 20);
    // xscreensaver-command's status, asked until the daemon answers.
    int command(const std::string &what);
    std::string log() const;
    const std::string &display() const;
    // Makes a file or folder the daemon's user's, as their own files are.
    static void giveToUser(const std::string &path);

private:
    class Impl;
    Impl *impl_;
};

// Runs argv as the user a screen-saver daemon runs as here, with HOME set to `home` and `env` on top: its exit status
// (-1 after `seconds`), what it printed in `output`.
int runAsSaverUser(const std::string &home, const std::vector<std::string> &argv, std::string *output = nullptr,
                   double seconds = 20, const std::vector<std::string> &env = {});

// The running processes whose program is `exe`.
std::vector<pid_t> processesOf(const std::string &exe);

// Writes an uncompressed 32-bit TGA filled with one colour.
void writeSolidTga(const std::string &path, int width, int height, unsigned char r, unsigned char g, unsigned char b,
                   unsigned char a);
