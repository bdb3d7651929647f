// POSIX only: Dialog programs as message boxes: zenity, kdialog, then xmessage, each waited for.
#include "platform/sdl/posix_dialog_program.h"

#include "platform/win32.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace platform {

namespace {

// xmessage answers with the value of the button pressed; values far from 0 and 1 keep them
// apart from its own exit on failure.
const int xmessageOk = 100;
const int xmessageYes = 101;
const int xmessageNo = 102;
// run's answer for a dialog that a signal ended: no program's own exit status.
const int interruptedStatus = 1000;

// The signal that ended a box, written by the handler; a byte on the pipe wakes the wait at once.
volatile sig_atomic_t endingSignal = 0;
int wakeUp[2] = {-1, -1};
std::atomic<bool> endedBySignal{false};

void onEndingSignal(int signal)
{
    endingSignal = signal;
    const int saved = errno;
    const char byte = 1;
    if (write(wakeUp[1], &byte, 1) < 0) {
        // Full already: the wait wakes anyway.
    }
    errno = saved;
}

bool readyWakeUpPipe()
{
    if (wakeUp[0] >= 0) return true;
    if (pipe(wakeUp) != 0) return false;
    for (int fd : wakeUp) {
        fcntl(fd, F_SETFD, FD_CLOEXEC);
        fcntl(fd, F_SETFL, O_NONBLOCK);
    }
    return true;
}

bool onPath(const std::string &program)
{
    const char *path = std::getenv("PATH");
    if (path == nullptr) return false;
    for (const char *at = path;;) {
        const char *end = std::strchr(at, ':');
        const std::string dir(at, end != nullptr ? static_cast<size_t>(end - at) : std::strlen(at));
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return true;
        if (end == nullptr) return false;
        at = end + 1;
    }
}

// Exit status, or -1 when it could not be run or was ended by a signal.
int run(const DialogCommand &command)
{
    int toChild[2];
    if (pipe(toChild) != 0) return -1;
    fcntl(toChild[1], F_SETFD, FD_CLOEXEC);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, toChild[0]);
    // Their warnings about the desktop would only bury our own message on standard error.
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    std::vector<char *> argv;
    for (const std::string &arg : command.argv) {
        argv.push_back(const_cast<char *>(arg.c_str()));
    }
    argv.push_back(nullptr);
    // A group of its own, so that a signal ends the dialog and whatever it started.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t child = -1;
    const int spawned = posix_spawnp(&child, command.program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    if (spawned != 0) {
        close(toChild[1]);
        return -1;
    }
    // A dialog that never reads its input must not stop us with SIGPIPE.
    struct sigaction ignore = {};
    struct sigaction previous = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    for (size_t done = 0; done < command.input.size();) {
        const ssize_t wrote = write(toChild[1], command.input.data() + done, command.input.size() - done);
        if (wrote <= 0) {
            if (wrote < 0 && errno == EINTR) {
                continue;
            }
            break;
        }
        done += static_cast<size_t>(wrote);
    }
    close(toChild[1]);
    sigaction(SIGPIPE, &previous, nullptr);

    int status = 0;
    switch (waitForBox(child, status)) {
    case BoxEnd::exited: return status;
    case BoxEnd::interrupted: return interruptedStatus;
    default: return -1;
    }
}

}  // namespace

BoxEnd waitForBox(pid_t child, int &exitStatus)
{
    struct sigaction ending = {};
    ending.sa_handler = onEndingSignal;
    sigemptyset(&ending.sa_mask);
    struct sigaction previous[2];
    const int signals[2] = {SIGINT, SIGTERM};
    const bool watching = readyWakeUpPipe();
    if (watching) {
        endingSignal = 0;
        // A signal the process ignores (SIGINT in a background job) stays ignored.
        for (int i = 0; i < 2; ++i) {
            sigaction(signals[i], nullptr, &previous[i]);
            if (previous[i].sa_handler != SIG_IGN) {
                sigaction(signals[i], &ending, nullptr);
            }
        }
    }
    BoxEnd end = BoxEnd::failed;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) {
            end = WIFEXITED(status) ? BoxEnd::exited : BoxEnd::failed;
            exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        if (done < 0 && errno != EINTR) {
            break;
        }
        if (endingSignal != 0) {
            kill(-child, SIGKILL);
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            end = BoxEnd::interrupted;
            endedBySignal = true;
            break;
        }
        pollfd wake{wakeUp[0], POLLIN, 0};
        if (poll(&wake, 1, 100) > 0) {
            char drained[16];
            while (read(wakeUp[0], drained, sizeof drained) > 0) {
            }
        }
    }
    if (watching) {
        const int caught = endingSignal;
        for (int i = 0; i < 2; ++i) {
            sigaction(signals[i], &previous[i], nullptr);
        }
        for (int i = 0; i < 2; ++i) {
            const auto handler = previous[i].sa_handler;
            if (caught == signals[i] && handler != SIG_DFL && handler != SIG_IGN) {
                raise(caught);
            }
        }
    }
    return end;
}

bool boxesEndedBySignal() { return endedBySignal; }

void forgetBoxesEndedBySignal() { endedBySignal = false; }

bool desktopDisplayNamed()
{
    const char *x = std::getenv("DISPLAY");
    const char *wayland = std::getenv("WAYLAND_DISPLAY");
    return (x != nullptr && x[0] != '\0') || (wayland != nullptr && wayland[0] != '\0');
}

std::vector<DialogCommand> dialogCommands(const std::string &caption, const std::string &text, bool yesNo,
                                          DialogIcon icon)
{
    const bool error = icon == DialogIcon::error;
    const bool warning = icon == DialogIcon::warning;
    std::vector<DialogCommand> commands;
    // --no-markup: the text is shown as it stands, never read as markup.
    DialogCommand zenity{"zenity",
                         {"zenity",
                          yesNo ? "--question"
                                : (error     ? "--error"
                                   : warning ? "--warning"
                                             : "--info"),
                          "--no-markup", "--title=" + caption, "--text=" + text},
                         ""};
    if (yesNo) {
        zenity.argv.push_back("--ok-label=Yes");
        zenity.argv.push_back("--cancel-label=No");
    }
    commands.push_back(zenity);
    commands.push_back(DialogCommand{"kdialog",
                                     {"kdialog", "--title", caption,
                                      yesNo ? "--yesno"
                                            : (error     ? "--error"
                                               : warning ? "--sorry"
                                                         : "--msgbox"),
                                      text},
                                     ""});
    // The text comes on standard input, so none of it can be taken for an option.
    const std::string buttons = yesNo ? "Yes:" + std::to_string(xmessageYes) + ",No:" + std::to_string(xmessageNo)
                                      : "OK:" + std::to_string(xmessageOk);
    commands.push_back(DialogCommand{
        "xmessage",
        {"xmessage", "-title", caption, "-center", "-buttons", buttons, "-default", yesNo ? "Yes" : "OK", "-file", "-"},
        text + "\n"});
    return commands;
}

int dialogAnswer(const std::string &program, int exitStatus, bool yesNo)
{
    const int closed = yesNo ? IDNO : IDOK;
    if (program == "xmessage") {
        switch (exitStatus) {
        case xmessageOk: return IDOK;
        case xmessageYes: return IDYES;
        case xmessageNo: return IDNO;
        case 0:  // closed by the window manager
            return closed;
        default: return 0;
        }
    }
    // zenity and kdialog: 0 for OK or Yes, 1 for No, Cancel or a closed box; anything else is a failure.
    if (exitStatus == 0) return yesNo ? IDYES : IDOK;
    if (exitStatus == 1) return closed;
    return 0;
}

int showDialogProgram(const std::string &caption, const std::string &text, bool yesNo, DialogIcon icon)
{
    if (!desktopDisplayNamed()) return 0;
    for (const DialogCommand &command : dialogCommands(caption, text, yesNo, icon)) {
        if (!onPath(command.program)) {
            continue;
        }
        const int status = run(command);
        if (status == interruptedStatus) return yesNo ? IDNO : IDOK;
        const int answer = dialogAnswer(command.program, status, yesNo);
        if (answer != 0) return answer;
    }
    return 0;
}

}  // namespace platform
