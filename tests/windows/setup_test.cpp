// The setup program and frostel.scr's data lookup under Wine, in a prefix of their own: silent installs for all
// users and for one, what they place and register, the saver they make current drawing from the system folder, an
// upgrade keeping the user's choice, the uninstaller leaving the prefix as it found it, and bad ground.
#include <gtest/gtest.h>

// Xlib after GoogleTest: its macros (None, Bool) would break GoogleTest's templates.
#include "tests/windows/child_process.h"
#include "tests/windows/wine_place.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

WinePlace setupPlace()
{
    WinePlace place;
    place.prefixName = "wine-setup-prefix";
    return place;
}

std::string setupExe(const WinePlace &place) { return place.exeDir() + "/frostel-setup-" + FROSTEL_VERSION + ".exe"; }

fs::path driveC(const WinePlace &place) { return fs::path(place.prefix()) / "drive_c"; }

// C:\a\b as this machine sees it.
fs::path onDriveC(const WinePlace &place, std::string windowsPath)
{
    std::replace(windowsPath.begin(), windowsPath.end(), '\\', '/');
    return driveC(place) / windowsPath.substr(3);
}

// The prefix's one user folder (Wine names it after the Unix user).
fs::path userFolder(const WinePlace &place)
{
    for (const fs::directory_entry &entry : fs::directory_iterator(driveC(place) / "users"))
        if (entry.path().filename() != "Public") return entry.path();
    return {};
}

std::string windowsUser(const WinePlace &place) { return userFolder(place).filename().string(); }

std::string slurp(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs a Windows program in the prefix to its end, then lets the wine server write the registry out.
int runWine(const WinePlace &place, std::vector<std::string> arguments, const std::string &log, double seconds = 120)
{
    arguments.insert(arguments.begin(), place.wine);
    ChildProcess run;
    if (!run.start(arguments, place.root, place.environment(), log)) return -3;
    const int status = run.waitExit(seconds);
    place.stopServer();
    return status;
}

// Registry files write each key as [a\\b] and each string with \\ and \" escaped.
std::string regEscape(const std::string &key)
{
    std::string out;
    for (char c : key) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return out;
}

std::string regString(const std::string &raw)
{
    if (raw.size() < 2 || raw.front() != '"' || raw.back() != '"') return "";
    std::string out;
    for (size_t i = 1; i + 1 < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 2 < raw.size()) ++i;
        out += raw[i];
    }
    return out;
}

// Each logical line of a registry file (continuations joined), as "[key] name=value"; key lines alone as "[key]".
// Wine records when each key was last written (the number after a key's name, and the #time lines), and at every
// graphical start the display adapter's "DriverDate" and "DriverDateData" as that day and moment: these change
// with every run (the day when a run crosses midnight), whatever a program does, so they are left out. So are the
// audio devices Wine records the first time any program of the prefix opens its sound (its device lists, its ALSA
// driver's key): whether that was before or after the snapshot depends on which other Wine tests ran first. And
// the settings of Wine's debugger, which Wine writes when it starts it for any process of the prefix that fails
// (Wine 10 once did so during the pages' walk, a process we did not find). Nothing else is.
bool wineOwnRecord(const std::string &key)
{
    for (const char *prefix : {"[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\MMDevices",
                               "[Software\\\\Wine\\\\Drivers", "[Software\\\\Wine\\\\WineDbg"})
        if (key.rfind(prefix, 0) == 0) return true;
    return false;
}

std::vector<std::string> registryLines(const fs::path &file)
{
    std::vector<std::string> lines;
    std::istringstream in(slurp(file));
    std::string line, logical, key;
    while (std::getline(in, line)) {
        logical += line;
        if (!logical.empty() && logical.back() == '\\' && logical.front() != '[') {
            logical.pop_back();
            continue;
        }
        std::string whole;
        whole.swap(logical);
        const size_t start = whole.find_first_not_of(' ');
        if (start == std::string::npos || whole[start] == '#' || whole[start] == ';') continue;
        whole = whole.substr(start);
        if (whole.front() == '[') {
            key = whole.substr(0, whole.rfind(']') + 1);
            if (!wineOwnRecord(key)) lines.push_back(key);
        } else if (!wineOwnRecord(key) && whole.rfind("\"DriverDate\"=", 0) != 0 &&
                   whole.rfind("\"DriverDateData\"=", 0) != 0) {
            lines.push_back(key + " " + whole);
        }
    }
    return lines;
}

// The values of one key: name (quoted, or @) to raw value text.
std::map<std::string, std::string> registryKey(const WinePlace &place, const char *hive, const std::string &key)
{
    std::map<std::string, std::string> values;
    const std::string wanted = "[" + regEscape(key) + "]";
    for (const std::string &line : registryLines(fs::path(place.prefix()) / hive)) {
        if (line.compare(0, wanted.size() + 1, wanted + " ") != 0) continue;
        const std::string entry = line.substr(wanted.size() + 1);
        const size_t equals = entry.find("\"=") != std::string::npos ? entry.find("\"=") + 1 : entry.find('=');
        values[entry.substr(0, equals)] = entry.substr(equals + 1);
    }
    return values;
}

bool hasKey(const WinePlace &place, const char *hive, const std::string &key)
{
    const std::vector<std::string> lines = registryLines(fs::path(place.prefix()) / hive);
    return std::find(lines.begin(), lines.end(), "[" + regEscape(key) + "]") != lines.end();
}

// Every file and folder of drive C with its size, every registry line of the prefix.
struct PrefixState {
    std::set<std::string> files;
    std::set<std::string> registry;
};

PrefixState prefixState(const WinePlace &place)
{
    place.stopServer();  // the server writes the registry out when it ends
    PrefixState state;
    const fs::path c = driveC(place);
    for (auto it = fs::recursive_directory_iterator(c); it != fs::recursive_directory_iterator(); ++it) {
        const std::string name = fs::relative(it->path(), c).string();
        if (it->is_symlink())
            state.files.insert(name + " -> " + fs::read_symlink(it->path()).string());
        else if (it->is_directory())
            state.files.insert(name + "/");
        else
            state.files.insert(name + " " + std::to_string(it->file_size()));
    }
    for (const char *hive : {"system.reg", "user.reg", "userdef.reg"})
        for (const std::string &line : registryLines(fs::path(place.prefix()) / hive))
            state.registry.insert(std::string(hive) + " " + line);
    return state;
}

std::string differences(const std::set<std::string> &before, const std::set<std::string> &after)
{
    std::vector<std::string> gone, added;
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(gone));
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(added));
    std::string out;
    for (const std::string &line : gone) out += "  - " + line.substr(0, 300) + "\n";
    for (const std::string &line : added) out += "  + " + line.substr(0, 300) + "\n";
    return out;
}

void expectSamePrefix(const PrefixState &before, const PrefixState &after)
{
    EXPECT_EQ(differences(before.files, after.files), "") << "files of drive C";
    EXPECT_EQ(differences(before.registry, after.registry), "") << "registry";
}

bool sameBytes(const fs::path &a, const fs::path &b) { return fs::exists(a) && slurp(a) == slurp(b); }

// Where a shell link points and where it starts its program: the link's local base path and working directory.
struct ShellLink {
    std::string target;
    std::string workingDirectory;
};

ShellLink readShellLink(const fs::path &file)
{
    const std::string b = slurp(file);
    ShellLink link;
    const auto u16 = [&](size_t at) {
        return at + 2 <= b.size() ? unsigned(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8) : 0u;
    };
    const auto u32 = [&](size_t at) { return at + 4 <= b.size() ? u16(at) | u16(at + 2) << 16 : 0u; };
    if (b.size() < 0x4C || u32(0) != 0x4C) return link;
    const unsigned flags = u32(0x14);
    size_t at = 0x4C;
    if (flags & 0x1) at += 2 + u16(at);  // the item list
    if (flags & 0x2) {                   // the link information, with the local path
        const size_t size = u32(at);
        if ((u32(at + 8) & 0x1) && at + u32(at + 16) < b.size()) link.target = b.c_str() + at + u32(at + 16);
        at += size;
    }
    const bool wide = (flags & 0x80) != 0;
    const auto text = [&]() {
        const size_t count = u16(at);
        at += 2;
        std::string out;
        for (size_t i = 0; i < count && at < b.size(); ++i, at += wide ? 2 : 1) out += b[at];
        while (!out.empty() && out.back() == '\0') out.pop_back();  // Wine counts the terminator too
        return out;
    };
    if (flags & 0x4) text();  // the description
    if (flags & 0x8) text();  // the relative path
    if (flags & 0x10) link.workingDirectory = text();
    return link;
}

// frostel.scr /s (a Windows path) on a screen of its own, 1280 × 720, started from another folder; returns the
// screen once the saver's window has shown for `seconds`, then ends it with a mouse move.
RgbImage saverScreen(const WinePlace &place, const std::string &scr, const std::string &log, double seconds = 8,
                     const std::vector<std::string> &extraEnvironment = {})
{
    PrivateXServer server;
    EXPECT_TRUE(server.start(FROSTEL_XVFB, true, false, "1280x720x24"));
    XSession screen(server.display());
    EXPECT_TRUE(screen.connected());
    if (!screen.connected()) return {};
    std::vector<std::string> environment = place.environment();
    environment.push_back("DISPLAY=" + server.display());
    environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
    ChildProcess saver;
    EXPECT_TRUE(saver.start({place.wine, scr, "/s"}, place.root, environment, log));
    EXPECT_NE(screen.waitForWindow("Frostel", 60), 0u) << "no saver window\n" << readWholeFile(log);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    EXPECT_TRUE(saver.running()) << readWholeFile(log);
    const RgbImage shot = screen.grab(DefaultRootWindow(screen.display()));
    movePointerFarAcross(screen.display());
    EXPECT_EQ(saver.waitExit(20), 0) << readWholeFile(log);
    place.stopServer();
    // Wine rewrites its display adapter and monitor records for the screen it starts on: started once on the
    // tests' own display, they are as the other cases find them.
    EXPECT_EQ(runWine(place, {"rundll32", "user32.dll,GetDesktopWindow"}, log + ".settle"), 0);
    return shot;
}

// The scene in the centred square, as the first saver test checks it: black sides, frost at the square's edges,
// no white stand-in for lost data.
void expectSceneInSquare(const RgbImage &screen, const std::string &what)
{
    ASSERT_EQ(screen.width, 1280) << what;
    ASSERT_EQ(screen.height, 720) << what;
    EXPECT_EQ(litPixels(screen, 0, 280), 0u) << what << ": left of the square";
    EXPECT_EQ(litPixels(screen, 1000, 1280), 0u) << what << ": right of the square";
    EXPECT_GT(litPixels(screen, 280, 282), 720u) << what;
    const Look square = lookAt(columns(screen, 280, 1000));
    EXPECT_LT(square.white, 0.5) << what << ": " << describe(square);
    EXPECT_GT(square.colours, 100) << what << ": " << describe(square);
}

std::string desktopSaver(const WinePlace &place)
{
    return regString(registryKey(place, "user.reg", "Control Panel\\Desktop")["\"SCRNSAVE.EXE\""]);
}

std::string uninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Frostel";

// Runs the uninstall entry's quiet command as an administrator's script would: from a batch file, which waits.
int runQuietUninstall(const WinePlace &place, const char *hive, const std::string &log)
{
    const std::string command = regString(registryKey(place, hive, uninstallKey)["\"QuietUninstallString\""]);
    EXPECT_FALSE(command.empty()) << "no quiet uninstall command";
    const fs::path script = fs::path(place.root) / "frostel-uninstall.bat";
    std::ofstream(script) << command << "\r\n";
    const int status = runWine(place, {"cmd", "/c", script.string()}, log);
    fs::remove(script);
    return status;
}

// Each case on an X server of its own, the size of the tests' shared one: nothing drawn here lands among other
// tests' windows, so the group need not run alone, only one case at a time in its prefix.
class WineSetup : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X server (scripts/test runs one)";
        sharedDisplay = setting("DISPLAY");
        ASSERT_TRUE(server.start(FROSTEL_XVFB, true, false, "1024x768x24")) << "could not start " << FROSTEL_XVFB;
        setenv("DISPLAY", server.display().c_str(), 1);
        ASSERT_FALSE(place.wine.empty()) << "no Wine found: install wine and wine64";
        ASSERT_TRUE(fs::exists(setupExe(place))) << "no setup program at " << setupExe(place);
        ASSERT_TRUE(fs::exists(place.prefix() + "/system.reg")) << "the setup tests' prefix was not made";
        place.stopServer();
        ASSERT_FALSE(fs::exists(driveC(place) / "Program Files/Frostel")) << "left installed by an earlier run";
    }
    void TearDown() override
    {
        place.stopServer();
        if (!sharedDisplay.empty()) setenv("DISPLAY", sharedDisplay.c_str(), 1);
    }

    WinePlace place = setupPlace();
    PrivateXServer server;
    std::string sharedDisplay;
};

}  // namespace

// A copy of the first prefix, started once on this display and once with a console window of its own (whose first
// one writes Wine's console defaults, which Windows always has; the uninstaller's clean-up opens one), so that
// Wine's own first-run changes are behind it.
TEST(WineSetupPrefix, IsCopiedFromTheFirst)
{
    WinePlace first;
    const WinePlace place = setupPlace();
    ASSERT_TRUE(fs::exists(first.prefix() + "/system.reg")) << "the first prefix was not made";
    first.stopServer();
    fs::remove_all(place.prefix());
    fs::copy(first.prefix(), place.prefix(), fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    // On a server like the cases' own (Wine keeps a record of the screen it starts on).
    PrivateXServer server;
    ASSERT_TRUE(server.start(FROSTEL_XVFB, true, false, "1024x768x24"));
    const std::string sharedDisplay = setting("DISPLAY");
    setenv("DISPLAY", server.display().c_str(), 1);
    EXPECT_EQ(runWine(place, {"rundll32", "user32.dll,GetDesktopWindow"}, place.root + "/wine-setup-settle.log"), 0);
    EXPECT_EQ(runWine(place, {"start", "/wait", "/min", "cmd", "/c", "exit"}, place.root + "/wine-setup-settle.log"),
              0);
    setenv("DISPLAY", sharedDisplay.c_str(), 1);
    EXPECT_TRUE(fs::exists(place.prefix() + "/system.reg"));
}

TEST_F(WineSetup, ForAllUsersInstallsSilentlyUpgradesAndUninstallsToThePrefixItFound)
{
    // A user of the zip's saver had turned the music on: the setup program and its uninstaller leave that alone.
    const std::string musicFound = registryKey(place, "user.reg", "Software\\Frostel\\Screen Saver")["\"Music\""];
    ASSERT_EQ(runWine(place,
                      {"reg", "add", "HKCU\\Software\\Frostel\\Screen Saver", "/v", "Music", "/t", "REG_DWORD", "/d",
                       "1", "/f"},
                      "setup-music.log"),
              0);
    const PrefixState before = prefixState(place);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(runWine(place, {setupExe(place), "/S"}, "setup-all.log"), 0) << readWholeFile("setup-all.log");
    const double installSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    // Every file in place, byte for byte; the saver in the system folder only.
    const fs::path folder = driveC(place) / "Program Files/Frostel";
    const fs::path build = place.exeDir();
    EXPECT_TRUE(sameBytes(folder / "frostel.exe", build / "frostel.exe"));
    EXPECT_TRUE(sameBytes(folder / "README.txt", build / "README.txt"));
    EXPECT_TRUE(sameBytes(folder / "LICENSE.txt", build / "LICENSE.txt"));
    EXPECT_TRUE(fs::exists(folder / "uninstall.exe"));
    EXPECT_FALSE(fs::exists(folder / "frostel.scr"));
    EXPECT_TRUE(sameBytes(driveC(place) / "windows/system32/frostel.scr", build / "frostel.scr"));
    uintmax_t bytes = fs::file_size(driveC(place) / "windows/system32/frostel.scr");
    size_t dataFiles = 0;
    for (const fs::directory_entry &entry : fs::directory_iterator(build / "data")) {
        EXPECT_TRUE(sameBytes(folder / "data" / entry.path().filename(), entry.path())) << entry.path();
        ++dataFiles;
    }
    for (const fs::directory_entry &entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) bytes += entry.file_size();
    EXPECT_EQ(std::distance(fs::directory_iterator(folder / "data"), fs::directory_iterator()), long(dataFiles));

    const ShellLink link =
        readShellLink(driveC(place) / "ProgramData/Microsoft/Windows/Start Menu/Programs/Frostel.lnk");
    EXPECT_EQ(link.target, "C:\\Program Files\\Frostel\\frostel.exe");
    EXPECT_EQ(link.workingDirectory, "C:\\Program Files\\Frostel") << "the demo reads data\\ from where it starts";

    std::map<std::string, std::string> entry = registryKey(place, "system.reg", uninstallKey);
    EXPECT_EQ(regString(entry["\"DisplayName\""]), "Frostel");
    EXPECT_EQ(regString(entry["\"DisplayVersion\""]), FROSTEL_VERSION);
    EXPECT_EQ(regString(entry["\"Publisher\""]), "The Frostel developers");
    EXPECT_EQ(regString(entry["\"DisplayIcon\""]), "C:\\Program Files\\Frostel\\frostel.exe,0");
    EXPECT_EQ(regString(entry["\"InstallLocation\""]), "C:\\Program Files\\Frostel");
    EXPECT_EQ(regString(entry["\"QuietUninstallString\""]),
              "\"C:\\Program Files\\Frostel\\uninstall.exe\" /S _?=C:\\Program Files\\Frostel");
    const unsigned long kib = std::stoul(entry["\"EstimatedSize\""].substr(6), nullptr, 16);
    EXPECT_NEAR(double(kib), double(bytes) / 1024, double(bytes) / 1024 / 100) << "EstimatedSize, in KiB";
    EXPECT_FALSE(hasKey(place, "user.reg", uninstallKey)) << "one entry, the machine's";
    EXPECT_EQ(regString(registryKey(place, "system.reg", "Software\\Frostel")["\"InstallDir\""]),
              "C:\\Program Files\\Frostel");

    // The box was on: the current saver is Frostel, switched on.
    EXPECT_EQ(desktopSaver(place), "C:\\windows\\system32\\frostel.scr");
    EXPECT_EQ(regString(registryKey(place, "user.reg", "Control Panel\\Desktop")["\"ScreenSaveActive\""]), "1");

    // From the system folder with no data beside it, the saver reads the installed data: nothing is unpacked.
    expectSceneInSquare(saverScreen(place, "C:\\windows\\system32\\frostel.scr", "setup-all-saver.log"),
                        "the installed saver");
    EXPECT_FALSE(fs::exists(userFolder(place) / "AppData/Local/Frostel"));

    // A second install keeps the music choice, the current saver, and one uninstall entry.
    fs::remove(folder / "data/snow.tga");
    ASSERT_EQ(runWine(place, {setupExe(place), "/S"}, "setup-again.log"), 0) << readWholeFile("setup-again.log");
    EXPECT_TRUE(sameBytes(folder / "data/snow.tga", build / "data/snow.tga")) << "the upgrade replaces the files";
    EXPECT_EQ(registryKey(place, "user.reg", "Software\\Frostel\\Screen Saver")["\"Music\""], "dword:00000001");
    EXPECT_EQ(desktopSaver(place), "C:\\windows\\system32\\frostel.scr");
    EXPECT_FALSE(hasKey(place, "user.reg", uninstallKey));
    EXPECT_TRUE(hasKey(place, "system.reg", uninstallKey));

    // A file deleted by hand does not stop the uninstaller.
    fs::remove(folder / "README.txt");
    const auto uninstallStarted = std::chrono::steady_clock::now();
    EXPECT_EQ(runQuietUninstall(place, "system.reg", "setup-all-uninstall.log"), 0)
        << readWholeFile("setup-all-uninstall.log");
    const double uninstallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - uninstallStarted).count();
    expectSamePrefix(before, prefixState(place));
    // The music choice as this test found it.
    if (musicFound.empty())
        EXPECT_EQ(runWine(place, {"reg", "delete", "HKCU\\Software\\Frostel", "/f"}, "setup-music.log"), 0);
    else
        EXPECT_EQ(runWine(place,
                          {"reg", "add", "HKCU\\Software\\Frostel\\Screen Saver", "/v", "Music", "/t", "REG_DWORD",
                           "/d", std::to_string(std::stoul(musicFound.substr(6), nullptr, 16)), "/f"},
                          "setup-music.log"),
                  0);
    std::printf("install %.1f s, uninstall %.1f s (wine server's end included), %ju bytes installed\n", installSeconds,
                uninstallSeconds, bytes);
}

TEST_F(WineSetup, ForTheCurrentUserInstallsInTheUsersOwnFoldersAndUninstallsToThePrefixItFound)
{
    const PrefixState before = prefixState(place);
    ASSERT_EQ(runWine(place, {setupExe(place), "/S", "/CurrentUser"}, "setup-me.log"), 0)
        << readWholeFile("setup-me.log");
    const std::string folder = "C:\\users\\" + windowsUser(place) + "\\AppData\\Local\\Programs\\Frostel";
    const fs::path unixFolder = onDriveC(place, folder);
    const fs::path build = place.exeDir();
    EXPECT_TRUE(sameBytes(unixFolder / "frostel.exe", build / "frostel.exe"));
    EXPECT_TRUE(sameBytes(unixFolder / "frostel.scr", build / "frostel.scr"));
    EXPECT_TRUE(sameBytes(unixFolder / "data/tree.ms3d", build / "data/tree.ms3d"));
    EXPECT_FALSE(fs::exists(driveC(place) / "windows/system32/frostel.scr")) << "no administrator's folder";
    EXPECT_FALSE(fs::exists(driveC(place) / "Program Files/Frostel"));

    const ShellLink link =
        readShellLink(userFolder(place) / "AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Frostel.lnk");
    EXPECT_EQ(link.target, folder + "\\frostel.exe");
    EXPECT_EQ(link.workingDirectory, folder);
    std::map<std::string, std::string> entry = registryKey(place, "user.reg", uninstallKey);
    EXPECT_EQ(regString(entry["\"DisplayName\""]), "Frostel");
    EXPECT_EQ(regString(entry["\"InstallLocation\""]), folder);
    EXPECT_FALSE(hasKey(place, "system.reg", uninstallKey)) << "nothing of the machine's";
    EXPECT_FALSE(hasKey(place, "system.reg", "Software\\Frostel"));

    // Current by its full path (short where the names allow), which must name the installed file.
    const std::string saver = desktopSaver(place);
    EXPECT_TRUE(fs::exists(onDriveC(place, saver))) << saver;
    EXPECT_EQ(fs::canonical(onDriveC(place, saver)), fs::canonical(unixFolder / "frostel.scr")) << saver;

    EXPECT_EQ(runQuietUninstall(place, "user.reg", "setup-me-uninstall.log"), 0)
        << readWholeFile("setup-me-uninstall.log");
    expectSamePrefix(before, prefixState(place));
}

// A folder that cannot be made (its parent is a file) is refused with status 2, and nothing is left or registered.
TEST_F(WineSetup, AFolderThatCannotBeWrittenIsRefusedAndNothingIsLeft)
{
    const fs::path blocker = driveC(place) / "frostel-blocker";
    std::ofstream(blocker) << "a file where a folder would go\n";
    const PrefixState before = prefixState(place);
    EXPECT_EQ(runWine(place, {setupExe(place), "/S", "/D=C:\\frostel-blocker\\Frostel"}, "setup-blocked.log"), 2)
        << readWholeFile("setup-blocked.log");
    expectSamePrefix(before, prefixState(place));
    fs::remove(blocker);
}

namespace {

fs::path localFrostel(const WinePlace &place) { return userFolder(place) / "AppData/Local/Frostel"; }

// frostel.scr as the zip holds it.
fs::path zipsSaver(const WinePlace &place, const fs::path &into)
{
    fs::create_directories(into);
    ChildProcess unzip;
    EXPECT_TRUE(
        unzip.start({FROSTEL_CMAKE, "-E", "tar", "xf", place.exeDir() + "/frostel-windows-x64.zip", "frostel.scr"},
                    into.string(), {}, (fs::path(place.root) / "unzip.log").string()));
    EXPECT_EQ(unzip.waitExit(60), 0);
    return into / "frostel.scr";
}

}  // namespace

// The zip's frostel.scr copied alone into the system folder of a prefix with nothing installed: it unpacks the data
// it carries once into the user's local application data, whole, and draws the scene, not a white square.
TEST_F(WineSetup, TheZipsSaverAloneInTheSystemFolderUnpacksItsDataAndDrawsTheScene)
{
    const fs::path system = driveC(place) / "windows/system32/frostel.scr";
    fs::remove_all(localFrostel(place));
    fs::copy_file(zipsSaver(place, fs::current_path() / "zip-saver"), system, fs::copy_options::overwrite_existing);
    expectSceneInSquare(saverScreen(place, "C:\\windows\\system32\\frostel.scr", "setup-lone-saver.log"),
                        "the lone saver");

    std::vector<fs::path> unpacked;
    for (const fs::directory_entry &entry : fs::directory_iterator(localFrostel(place)))
        unpacked.push_back(entry.path());
    ASSERT_EQ(unpacked.size(), 1u) << "one copy, no half-written folder beside it";
    EXPECT_EQ(unpacked[0].filename().string().size(), 16u) << unpacked[0];
    size_t files = 0;
    for (const fs::directory_entry &entry : fs::directory_iterator(fs::path(place.exeDir()) / "data")) {
        EXPECT_TRUE(sameBytes(unpacked[0] / "data" / entry.path().filename(), entry.path())) << entry.path();
        ++files;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(unpacked[0] / "data"), fs::directory_iterator()), long(files));
    fs::remove(system);
    fs::remove_all(localFrostel(place));
    fs::remove_all(fs::current_path() / "zip-saver");
}

// frostel.scr and its data in a folder whose name the ANSI code page cannot hold, started from elsewhere as Windows
// starts savers: the data beside it is found (a red ground of the user's own shows), not lost to "?" in the path.
TEST_F(WineSetup, DataBesideTheSaverInAFolderNamedInAnotherScriptIsFound)
{
    const fs::path folder = driveC(place) / "Zimní снег";
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::copy_file(fs::path(place.exeDir()) / "frostel.scr", folder / "frostel.scr");
    fs::copy(fs::path(place.exeDir()) / "data", folder / "data", fs::copy_options::recursive);
    writeSolidTga((folder / "data/snow.tga").string(), 16, 16, 255, 0, 0, 255);
    const RgbImage screen =
        saverScreen(place, "C:\\Zimní снег\\frostel.scr", "setup-script-saver.log", 8, {"LC_ALL=C.UTF-8"});
    ASSERT_EQ(screen.width, 1280);
    size_t red = 0;
    for (int y = 0; y < screen.height; ++y)
        for (int x = 280; x < 1000; ++x) {
            const unsigned char *p = screen.at(x, y);
            red += p[0] > 150 && p[1] < 90 && p[2] < 90 ? 1 : 0;
        }
    EXPECT_GT(red, size_t(720 * 720 / 20)) << "the ground of the data beside the saver should show";
    fs::remove_all(folder);
    fs::remove_all(localFrostel(place));
}

// Nothing beside it, nothing installed, and no room to unpack (a file stands where the folder would go): the saver
// draws black, never a white square, and its settings box says why.
TEST_F(WineSetup, WithNoDataAnywhereTheSaverDrawsBlackAndItsSettingsBoxSaysSo)
{
    const fs::path folder = driveC(place) / "frostel-alone";
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::copy_file(fs::path(place.exeDir()) / "frostel.scr", folder / "frostel.scr");
    fs::remove_all(localFrostel(place));
    std::ofstream(localFrostel(place)) << "in the way\n";

    const RgbImage screen = saverScreen(place, "C:\\frostel-alone\\frostel.scr", "setup-no-data-saver.log");
    ASSERT_EQ(screen.width, 1280);
    EXPECT_EQ(litPixels(screen, 0, 1280), 0u) << "black, the whole screen";

    XSession x;

    // The box, with and then without the way blocked: the text it adds is the difference.
    const auto textPixels = [&](const std::string &log) {
        ChildProcess box;
        EXPECT_TRUE(
            box.start({place.wine, "C:\\frostel-alone\\frostel.scr", "/c"}, place.root, place.environment(), log));
        const Window w = x.waitForWindow("Frostel Screen Saver", 60);
        EXPECT_NE(w, 0u) << readWholeFile(log);
        if (w == 0) return size_t(0);
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        const RgbImage shot = x.grab(w);
        savePpm(shot, log + ".ppm");
        x.sendKey(w, "Escape");
        EXPECT_EQ(box.waitExit(30), 0) << readWholeFile(log);
        place.stopServer();
        size_t dark = 0;
        for (int y = 0; y < shot.height; ++y)
            for (int px = 0; px < shot.width; ++px) dark += brightness(shot.at(px, y)) < 100 ? 1 : 0;
        return dark;
    };
    const size_t without = textPixels("setup-no-data-box.log");
    fs::remove(localFrostel(place));
    const size_t with = textPixels("setup-data-box.log");
    EXPECT_GT(without, with + 200) << "the box without data should carry a message";
    fs::remove_all(folder);
    fs::remove_all(localFrostel(place));
}

namespace {

// Waits for `done`, up to `seconds`.
bool waitFor(const std::function<bool()> &done, double seconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    return true;
}

// The window as it looks once the page has settled, kept for people to look at.
void keepPage(XSession &x, Window w, const std::string &name)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    savePpm(x.grab(w), "setup-page-" + name + ".ppm");
}

}  // namespace

// The setup program's pages walked with the keyboard as a user would take them, each kept as a picture; a second
// setup started meanwhile is refused; then the uninstaller's pages, started as the list of installed programs
// starts it, leaving the prefix as it was.
TEST_F(WineSetup, ItsPagesLeadThroughAnInstallAndASecondCopyIsRefused)
{
    const PrefixState before = prefixState(place);
    const fs::path folder = driveC(place) / "Program Files/Frostel";
    XSession x;
    ChildProcess setup;
    ASSERT_TRUE(setup.start({place.wine, setupExe(place)}, place.root, place.environment(), "setup-pages.log"));
    // NSIS titles the window with the caption and each page's subcaption, which the modern interface leaves a space.
    const Window w = x.waitForWindow("Frostel Setup ", 60);
    ASSERT_NE(w, 0u) << readWholeFile("setup-pages.log");
    keepPage(x, w, "1-licence");

    ChildProcess second;
    ASSERT_TRUE(second.start({place.wine, setupExe(place), "/S"}, place.root, place.environment(), "setup-second.log"));
    EXPECT_EQ(second.waitExit(60), 2) << "one setup at a time";
    EXPECT_FALSE(fs::exists(folder));

    x.sendKey(w, "Return");  // I Agree
    keepPage(x, w, "2-options");
    x.sendKey(w, "Return");  // Next
    keepPage(x, w, "3-folder");
    x.sendKey(w, "Return");  // Install
    EXPECT_TRUE(waitFor([&] { return fs::exists(folder / "uninstall.exe"); }, 60));
    keepPage(x, w, "4-installed");
    x.sendKey(w, "Return");  // Close
    EXPECT_EQ(setup.waitExit(60), 0) << readWholeFile("setup-pages.log");
    place.stopServer();
    EXPECT_EQ(desktopSaver(place), "C:\\windows\\system32\\frostel.scr") << "the box is ticked unless unticked";

    const std::string command = regString(registryKey(place, "system.reg", uninstallKey)["\"UninstallString\""]);
    const fs::path script = fs::path(place.root) / "frostel-uninstall-pages.bat";
    std::ofstream(script) << command << "\r\n";
    ChildProcess uninstall;
    ASSERT_TRUE(uninstall.start({place.wine, "cmd", "/c", script.string()}, place.root, place.environment(),
                                "setup-uninstall-pages.log"));
    const Window u = x.waitForWindow("Frostel Uninstall ", 60);
    ASSERT_NE(u, 0u) << readWholeFile("setup-uninstall-pages.log");
    keepPage(x, u, "5-uninstall");
    x.sendKey(u, "Return");  // Uninstall
    EXPECT_TRUE(waitFor([&] { return !fs::exists(folder / "frostel.exe"); }, 60));
    keepPage(x, u, "6-uninstalled");
    x.sendKey(u, "Return");  // Close
    EXPECT_EQ(uninstall.waitExit(60), 0) << readWholeFile("setup-uninstall-pages.log");
    fs::remove(script);
    expectSamePrefix(before, prefixState(place));
}

// /i, which some tools send to install a saver: a box says how it is kept, and nothing is installed.
TEST_F(WineSetup, SlashIInstallsNothingAndSaysHow)
{
    const PrefixState before = prefixState(place);
    XSession x;
    ChildProcess saver;
    ASSERT_TRUE(saver.start({place.wine, place.exeDir() + "/frostel.scr", "/i"}, place.root,
                            place.environment("-all,+msgbox"), "setup-slash-i.log"));
    const Window box = x.waitForWindow("Frostel", 60);
    ASSERT_NE(box, 0u) << readWholeFile("setup-slash-i.log");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    x.sendKey(box, "Return");
    EXPECT_EQ(saver.waitExit(30), 1) << readWholeFile("setup-slash-i.log");
    const std::string log = readWholeFile("setup-slash-i.log");
    EXPECT_NE(log.find("setup program"), std::string::npos) << log;
    EXPECT_NE(log.find("system folder"), std::string::npos) << log;
    expectSamePrefix(before, prefixState(place));
}
