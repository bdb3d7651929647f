// Process entry of the X11 screen-saver hack: its command line, its data beside it, and the saver's window.
#include "app/saver.h"
#include "app/saver_args.h"
#include "platform/native_host.h"

#include <cstdio>
#include <cstdlib>
#include <limits.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isFolder(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A daemon starts hacks from anywhere: data/ is looked for beside the program (a build folder, an unpacked
// zip) and then where the package puts it, relative to the program so that a moved install works too.
bool enterDataFolder()
{
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return false;
    self[length] = '\0';
    std::string folder(self);
    folder.erase(folder.find_last_of('/') + 1);
    for (const std::string &candidate : {folder, folder + FROSTEL_HACK_TO_SHARE}) {
        if (isFolder(candidate + "/data")) return chdir(candidate.c_str()) == 0;
    }
    return false;
}

}  // namespace

int main(int argc, char **argv)
{
    // First of all: a daemon or a shell may start us with a standard descriptor closed, and the X connection
    // would take its number; a library's complaint on standard error would then go into the X socket.
    platform::makeStandardDescriptorsSafe();
    const HackCommand command = parseHackCommand(argc, argv, std::getenv("XSCREENSAVER_WINDOW"));
    if (!command.error.empty()) {
        std::fprintf(stderr, "%s: %s\n%s\n", argv[0], command.error.c_str(), hackUsage(argv[0]).c_str());
        return 1;
    }
    if (command.help) {
        std::printf("%s\n", hackUsage(argv[0]).c_str());
        return 0;
    }
    SaverRequest request;
    // Without any of its files the scene would be a white square: the saver draws black and says why.
    request.sceneData = enterDataFolder();
    if (!request.sceneData) {
        std::fprintf(stderr, "%s: no data folder found beside the program or in its install; drawing black\n", argv[0]);
    }
    request.music = command.music;
    request.frameMicroseconds = command.frameMicroseconds;
    if (command.target == HackCommand::Target::OwnWindow) {
        request.style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
        request.width = 800;
        request.height = 600;
        request.endOnEscape = true;
    } else {
        // The daemon's window (or the root) is the parent the saver's child window lives in, as a preview's is.
        const unsigned long window = command.target == HackCommand::Target::RootWindow ? 0 : command.window;
        request.parent = platform::adoptForeignWindow(window, request.width, request.height);
        if (request.parent == nullptr) return 1;
        request.style = WS_CHILD | WS_VISIBLE;
    }
    const int status = runSaver(request);
    // The daemon ends its hacks with SIGTERM and takes any exit status as a fault: the window is left as it was
    // given, and the end is by that signal.
    if (status == 0 && platform::endingSignal() != 0) platform::endBySignal(platform::endingSignal());
    return status;
}
