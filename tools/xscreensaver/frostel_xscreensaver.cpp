// frostel-xscreensaver: makes the Frostel hack the one saver in the user's ~/.xscreensaver, writing the new file
// whole beside the old one and only then putting it in its place.
#include "xscreensaver_settings.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char *const kName = "frostel-xscreensaver";
// Where Debian and others put XScreenSaver's defaults (the first one found is the one in force).
const char *const kDefaults[] = {"/etc/X11/app-defaults/XScreenSaver", "/usr/share/X11/app-defaults/XScreenSaver",
                                 "/usr/lib/X11/app-defaults/XScreenSaver"};

int fail(const std::string &what)
{
    std::fprintf(stderr, "%s: %s\n", kName, what.c_str());
    return 1;
}

std::string folderOf(const std::string &path) { return path.substr(0, path.find_last_of('/') + 1); }

bool readFile(const std::string &path, std::string &text)
{
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

// The hack where the package puts it beside this command (games/ and libexec/xscreensaver/ under one prefix),
// or beside it in a build folder; as a full path, so that the daemon runs this very one.
std::string findHack(std::string &name)
{
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return "";
    self[length] = '\0';
    const std::string folder = folderOf(self);
    for (const std::string &candidate : {folder + FROSTEL_COMMAND_TO_HACK, folder + "frostel-saver"}) {
        char real[PATH_MAX];
        if (realpath(candidate.c_str(), real) && access(real, X_OK) == 0) {
            name = candidate.substr(candidate.find_last_of('/') + 1);
            return real;
        }
    }
    return "";
}

std::string homeFolder()
{
    const char *home = std::getenv("HOME");
    if (home && *home) return home;
    const passwd *user = getpwuid(getuid());
    return user && user->pw_dir ? user->pw_dir : "";
}

// Writes `text` into a new file in the folder of `target`, with `mode`, flushed to the disk, then renames it over
// `target`: whatever fails before the rename leaves the old file as it was.
std::string replaceWhole(const std::string &target, const std::string &text, mode_t mode)
{
    std::string temporary = folderOf(target) + ".xscreensaver.frostel-XXXXXX";
    const int fd = mkstemp(&temporary[0]);
    if (fd < 0) return "cannot make a new file in " + folderOf(target) + ": " + std::strerror(errno);
    std::string error;
    for (size_t done = 0; done < text.size() && error.empty();) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno != EINTR) error = std::strerror(errno);
        if (n > 0) done += size_t(n);
    }
    if (error.empty() && fchmod(fd, mode) != 0) error = std::strerror(errno);
    if (error.empty() && fsync(fd) != 0) error = std::strerror(errno);
    if (close(fd) != 0 && error.empty()) error = std::strerror(errno);
    if (error.empty() && rename(temporary.c_str(), target.c_str()) != 0) error = std::strerror(errno);
    if (!error.empty()) {
        unlink(temporary.c_str());
        return "cannot write the new settings (" + error + ")";
    }
    const int folder = open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return "";
}

// A programs line is run by the daemon's shell and read by its settings parser: a path with spaces, quotes,
// backslashes or a colon would be taken apart by one of them.
bool plainPath(const std::string &path)
{
    for (const char c : path)
        if (!std::isalnum(static_cast<unsigned char>(c)) && !std::strchr("/._+-,=@%", c)) return false;
    return true;
}

const char *const kUsage = "usage: frostel-xscreensaver\n"
                           "Makes Frostel XScreenSaver's one saver: adds it to the programs list in ~/.xscreensaver\n"
                           "(made from the system's defaults when there is none) and chooses \"Only One Screen\n"
                           "Saver\" with Frostel selected. Every other setting is kept.";

}  // namespace

int main(int argc, char **argv)
{
    if (argc > 1) {
        const std::string arg = argv[1];
        if (argc == 2 && (arg == "--help" || arg == "-h")) {
            std::printf("%s\n", kUsage);
            return 0;
        }
        if (argc == 2 && arg == "--version") {
            std::printf("%s %s\n", kName, FROSTEL_VERSION);
            return 0;
        }
        std::fprintf(stderr, "%s: unknown argument '%s'\n%s\n", kName, arg.c_str(), kUsage);
        return 1;
    }
    if (geteuid() == 0)
        return fail("XScreenSaver runs no saver for root: run this as the user whose screen it is to save");
    std::string hackName;
    const std::string hack = findHack(hackName);
    if (hack.empty())
        return fail("the Frostel hack is not beside this command (" + std::string(FROSTEL_COMMAND_TO_HACK) + ")");
    if (!plainPath(hack)) return fail("the hack's path '" + hack + "' has characters XScreenSaver cannot run it by");

    std::string defaults;
    for (const char *path : kDefaults)
        if (defaults.empty()) readFile(path, defaults);
    if (defaults.empty())
        return fail("XScreenSaver is not installed (its defaults are not in " + std::string(kDefaults[0]) +
                    "): install it (Debian: xscreensaver) and run this again");

    const std::string home = homeFolder();
    if (home.empty()) return fail("no home folder: HOME is not set");
    const std::string shown = home + "/.xscreensaver";
    std::string target = shown;
    std::string settings;
    mode_t mode = 0644;
    struct stat info;
    const bool made = lstat(shown.c_str(), &info) != 0 && errno == ENOENT;
    if (made) {
        const mode_t mask = umask(0);
        umask(mask);
        mode &= ~mask;
        settings = kMadeSettingsHeader;
    } else {
        // A link (as a dotfile manager makes) keeps pointing where it did: its file is the one replaced.
        char real[PATH_MAX];
        if (!realpath(shown.c_str(), real)) return fail(shown + ": " + std::strerror(errno));
        target = real;
        if (stat(target.c_str(), &info) != 0) return fail(shown + ": " + std::strerror(errno));
        const std::string left = shown + " left as it was: ";
        if (!S_ISREG(info.st_mode)) return fail(left + "it is not a file");
        if (info.st_uid != geteuid()) return fail(left + "it belongs to another user");
        if (access(target.c_str(), W_OK) != 0) return fail(left + "it is read-only");
        if (!readFile(target, settings)) return fail(left + "it cannot be read (" + std::strerror(errno) + ")");
        mode = info.st_mode & 07777;
    }

    const SettingsEdit edit = chooseOneSaver(settings, defaults, hackName, hack + " -root");
    const char *const another = "To choose another saver again, open XScreenSaver's settings (xscreensaver-settings) "
                                "and pick it, or \"Random Screen Saver\" as the mode.";
    switch (edit.outcome) {
    case SettingsEdit::Outcome::Refused:
        return fail(shown + " left as it was: " + edit.message +
                    ".\nThe line to add by hand is in 'man frostel-xscreensaver'.");
    case SettingsEdit::Outcome::AlreadyChosen:
        std::printf("Frostel is already XScreenSaver's one saver in %s: nothing changed.\n%s\n", shown.c_str(),
                    another);
        return 0;
    case SettingsEdit::Outcome::Changed: break;
    }
    const std::string error = replaceWhole(target, edit.text, mode);
    if (!error.empty()) return fail(shown + " left as it was: " + error);
    if (made) std::printf("Made %s from the system's XScreenSaver defaults.\n", shown.c_str());
    std::printf("%s\nFrostel is now XScreenSaver's one saver (\"Only One Screen Saver\", Frostel selected).\n"
                "A running XScreenSaver takes it up the next time it starts a saver; to see it at once:\n"
                "    xscreensaver-command -activate\n%s\n",
                edit.added ? ("Added Frostel (" + hack + ") to the programs list in " + shown + ".").c_str()
                           : ("Frostel was already in the programs list in " + shown + ".").c_str(),
                another);
    return 0;
}
