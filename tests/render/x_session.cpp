// X11 helpers for the render tests: process start, window lookup, pixel read-back, key and close events.
#include "tests/render/x_session.h"
#include "tests/windows/child_process.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

double now()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

Window findByTitle(Display *d, Window root, const std::string &title)
{
    Window rootRet, parent, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(d, root, &rootRet, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        char *name = nullptr;
        if (XFetchName(d, children[i], &name) && name) {
            XWindowAttributes attrs;
            if (title == name && XGetWindowAttributes(d, children[i], &attrs) && attrs.map_state == IsViewable)
                found = children[i];
            XFree(name);
        }
        if (!found) found = findByTitle(d, children[i], title);
    }
    if (children) XFree(children);
    return found;
}

int ignoreErrors(Display *, XErrorEvent *) { return 0; }

}  // namespace

XSession::XSession() : XSession(std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "") { }

XSession::XSession(const std::string &displayName)
{
    // A server that resets as its last client leaves refuses connections for a moment.
    for (int attempt = 0; attempt < 50 && !display_ && !displayName.empty(); ++attempt) {
        display_ = XOpenDisplay(displayName.c_str());
        if (!display_) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    XSetErrorHandler(ignoreErrors);
}

XSession::~XSession()
{
    if (child_ > 0) {
        kill(child_, SIGKILL);
        waitpid(child_, nullptr, 0);
    }
    if (display_) XCloseDisplay(display_);
}

bool XSession::start(const std::string &program, const std::string &workDir, const std::vector<std::string> &env)
{
    child_ = fork();
    if (child_ < 0) return false;
    if (child_ == 0) {
        if (chdir(workDir.c_str()) != 0) _exit(127);
        for (const std::string &e : env) putenv(strdup(e.c_str()));
        execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    return true;
}

Window XSession::waitForWindow(const std::string &title, double seconds)
{
    const double end = now() + seconds;
    while (now() < end) {
        Window w = findByTitle(display_, DefaultRootWindow(display_), title);
        if (w) return w;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return 0;
}

RgbImage XSession::grab(Window w)
{
    RgbImage out;
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(display_, w, &attrs)) return out;
    XImage *image = XGetImage(display_, w, 0, 0, unsigned(attrs.width), unsigned(attrs.height), AllPlanes, ZPixmap);
    if (!image) return out;
    out.width = attrs.width;
    out.height = attrs.height;
    out.rgb.resize(size_t(out.width * out.height) * 3);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            unsigned char *o = &out.rgb[size_t(y * out.width + x) * 3];
            o[0] = static_cast<unsigned char>((p & image->red_mask) >> __builtin_ctzl(image->red_mask));
            o[1] = static_cast<unsigned char>((p & image->green_mask) >> __builtin_ctzl(image->green_mask));
            o[2] = static_cast<unsigned char>((p & image->blue_mask) >> __builtin_ctzl(image->blue_mask));
        }
    XDestroyImage(image);
    return out;
}

Window XSession::createWindow(int width, int height, unsigned long background)
{
    const Window w = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, unsigned(width), unsigned(height),
                                         0, 0, background);
    XSelectInput(display_, w, StructureNotifyMask);
    XMapWindow(display_, w);
    for (XEvent e;;) {
        XWindowEvent(display_, w, StructureNotifyMask, &e);
        if (e.type == MapNotify) break;
    }
    return w;
}

void XSession::sendKey(Window w, const char *keysym)
{
    XKeyEvent e{};
    e.display = display_;
    e.window = w;
    e.root = DefaultRootWindow(display_);
    e.same_screen = True;
    e.keycode = XKeysymToKeycode(display_, XStringToKeysym(keysym));
    e.type = KeyPress;
    XSendEvent(display_, w, True, KeyPressMask, reinterpret_cast<XEvent *>(&e));
    XFlush(display_);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    e.type = KeyRelease;
    XSendEvent(display_, w, True, KeyReleaseMask, reinterpret_cast<XEvent *>(&e));
    XFlush(display_);
}

void XSession::requestClose(Window w)
{
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, w, False, NoEventMask, &e);
    XFlush(display_);
}

int XSession::waitExit(double seconds)
{
    const double end = now() + seconds;
    while (now() < end) {
        int status = 0;
        const pid_t r = waitpid(child_, &status, WNOHANG);
        if (r == child_) {
            child_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return -1;
}

namespace {

const char *const daemonProgram = "/usr/bin/xscreensaver";
const char *const commandProgram = "/usr/bin/xscreensaver-command";
const char *const setpriv = "/usr/bin/setpriv";
const uid_t nobody = 65534;

// Its user's commands run through this: setpriv to nobody when we are root.
std::vector<std::string> asUser(const std::string &home, std::vector<std::string> argv)
{
    argv.insert(argv.begin(), {"/usr/bin/env", "HOME=" + home});
    if (geteuid() == 0) argv.insert(argv.begin(), {setpriv, "--reuid=65534", "--regid=65534", "--clear-groups"});
    return argv;
}

}  // namespace

class ScreenSaverDaemon::Impl {
public:
    PrivateXServer server;
    ChildProcess daemon;
    std::string home;
};

ScreenSaverDaemon::ScreenSaverDaemon() : impl_(new Impl) { }

ScreenSaverDaemon::~ScreenSaverDaemon()
{
    if (impl_->daemon.running()) command("-exit");
    impl_->daemon.waitExit(10);
    delete impl_;
}

std::string ScreenSaverDaemon::missing()
{
    if (access(daemonProgram, X_OK) != 0 || access(commandProgram, X_OK) != 0) return "xscreensaver";
    if (geteuid() == 0 && access(setpriv, X_OK) != 0) return "util-linux (setpriv)";
    return "";
}

void ScreenSaverDaemon::giveToUser(const std::string &path)
{
    if (geteuid() != 0) return;
    if (lchown(path.c_str(), nobody, nobody) != 0) return;
    namespace fs = std::filesystem;
    if (fs::is_directory(fs::symlink_status(path)))
        for (const fs::directory_entry &entry : fs::recursive_directory_iterator(path))
            if (lchown(entry.path().c_str(), nobody, nobody) != 0) return;
}

bool ScreenSaverDaemon::start(const std::string &home)
{
    impl_->home = home;
    giveToUser(home);
    if (!impl_->server.start(FROSTEL_XVFB, true, false, "1280x720x24")) return false;
    return impl_->daemon.start(asUser(home, {daemonProgram, "-no-splash", "-verbose"}), home,
                               {"DISPLAY=" + impl_->server.display()}, home + "/../daemon.txt");
}

int runAsSaverUser(const std::string &home, const std::vector<std::string> &argv, std::string *output, double seconds,
                   const std::vector<std::string> &env)
{
    // Beside the home folder, where the run leaves nothing of its own.
    const std::string said = home + "/../run.txt";
    ChildProcess run;
    if (!run.start(asUser(home, argv), "/", env, said)) return -1;
    const int status = run.waitExit(seconds);
    if (output) *output = readWholeFile(said);
    std::remove(said.c_str());
    return status;
}

int ScreenSaverDaemon::runAsUser(const std::vector<std::string> &argv, std::string *output, double seconds)
{
    return runAsSaverUser(impl_->home, argv, output, seconds, {"DISPLAY=" + impl_->server.display()});
}

int ScreenSaverDaemon::command(const std::string &what)
{
    int status = -1;
    for (int tries = 0; tries < 50 && status != 0; ++tries) {
        if (tries) std::this_thread::sleep_for(std::chrono::milliseconds(200));
        status = runAsUser({commandProgram, what});
    }
    return status;
}

std::string ScreenSaverDaemon::log() const { return readWholeFile(impl_->home + "/../daemon.txt"); }

const std::string &ScreenSaverDaemon::display() const { return impl_->server.display(); }

std::vector<pid_t> processesOf(const std::string &exe)
{
    namespace fs = std::filesystem;
    std::vector<pid_t> found;
    for (const fs::directory_entry &entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code error;
        if (fs::read_symlink(entry.path() / "exe", error) == exe) found.push_back(std::stoi(name));
    }
    return found;
}

void writeSolidTga(const std::string &path, int width, int height, unsigned char r, unsigned char g, unsigned char b,
                   unsigned char a)
{
    unsigned char header[18] = {0, 0, 2};
    header[12] = static_cast<unsigned char>(width & 0xFF);
    header[13] = static_cast<unsigned char>(width >> 8);
    header[14] = static_cast<unsigned char>(height & 0xFF);
    header[15] = static_cast<unsigned char>(height >> 8);
    header[16] = 32;
    header[17] = 8;
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(header, 1, sizeof header, f);
    const unsigned char pixel[4] = {b, g, r, a};
    for (int i = 0; i < width * height; ++i) std::fwrite(pixel, 1, 4, f);
    std::fclose(f);
}
