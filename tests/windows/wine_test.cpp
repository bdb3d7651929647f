// frostel.exe under Wine on the X server: its window draws the scene as the Linux build does, Escape and a close
// request end it cleanly, and without OpenGL it says so in its message box and fails.
#include <gtest/gtest.h>

// Xlib after GoogleTest: its macros (None, Bool) would break GoogleTest's templates.
#include "tests/windows/child_process.h"
#include "tests/windows/wine_place.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

namespace fs = std::filesystem;

namespace {

const char *const title = "Frostel - Tarvik";

// The part of a frame that a smaller window shows of the same 512 x 512 view: OpenGL anchors the viewport at the
// bottom left, and the first viewport keeps the requested size until a later WM_SIZE, which Xvfb never causes.
RgbImage bottomLeft(const RgbImage &img, int width, int height)
{
    RgbImage out;
    out.width = std::min(width, img.width);
    out.height = std::min(height, img.height);
    for (int y = img.height - out.height; y < img.height; ++y)
        out.rgb.insert(out.rgb.end(), img.at(0, y), img.at(0, y) + size_t(out.width) * 3);
    return out;
}

class Wine : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X server (scripts/test runs one)";
        ASSERT_FALSE(place.wine.empty()) << "no Wine found: install wine and wine64";
        ASSERT_FALSE(place.wineserver.empty()) << "no wineserver found";
        ASSERT_TRUE(fs::exists(place.exe)) << "no Windows program at " << place.exe;
        ASSERT_TRUE(fs::exists(place.prefix() + "/system.reg")) << "the Wine prefix was not made";
        ASSERT_TRUE(x.connected());
        place.stopServer();
    }
    void TearDown() override { place.stopServer(); }

    // frostel.exe started the way a user starts it: its own folder, with data/ beside it, as working directory.
    bool startExe(ChildProcess &run, const std::string &log, const std::string &debug = "-all")
    {
        return run.start({place.wine, place.exe}, place.exeDir(), place.environment(debug), log);
    }

    WinePlace place;
    XSession x;
};

// Any window with this title, shown or not: Wine makes an X window with each Win32 one and destroys it with it.
bool windowExists(Display *d, Window parent, const std::string &name)
{
    Window root, up, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(d, parent, &root, &up, &children, &count)) return false;
    bool found = false;
    for (unsigned int i = 0; i < count && !found; ++i) {
        char *text = nullptr;
        if (XFetchName(d, children[i], &text) && text) {
            found = name == text;
            XFree(text);
        }
        if (!found) found = windowExists(d, children[i], name);
    }
    if (children) XFree(children);
    return found;
}

// Looks at a running program's window as a viewer would, 2 s in, then presses Escape; returns what it saw.
RgbImage watchAndEscape(XSession &x, ChildProcess &run, double windowSeconds, const std::string &shot, int &status)
{
    RgbImage look;
    status = -2;
    const Window w = x.waitForWindow(title, windowSeconds);
    EXPECT_NE(w, 0u) << "no window titled \"" << title << "\"";
    if (!w) return look;
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const RgbImage first = x.grab(w);
    EXPECT_GT(first.width, 256);
    EXPECT_GT(first.height, 256);
    if (first.width <= 0) return look;
    savePpm(first, shot);
    look = first;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_NE(first.rgb, x.grab(w).rgb) << "the scene should move: snow falls and the ground turns";
    x.sendKey(w, "Escape");
    status = run.waitExit(30);
    return look;
}

}  // namespace

// The prefix is made once, in the build folder, before the other cases (a CTest fixture).
TEST(WinePrefix, IsMadeInTheBuildFolder)
{
    const WinePlace place;
    ASSERT_FALSE(place.wine.empty()) << "no Wine found: install wine and wine64";
    fs::create_directories(place.home());
    ChildProcess boot;
    ASSERT_TRUE(
        boot.start({place.wine, "wineboot", "--init"}, place.root, place.environment(), place.root + "/wineboot.log"));
    EXPECT_EQ(boot.waitExit(300), 0) << readWholeFile(place.root + "/wineboot.log");
    place.stopServer();
    EXPECT_TRUE(fs::exists(place.prefix() + "/system.reg"));
    EXPECT_TRUE(fs::exists(place.prefix() + "/drive_c/windows/system32"));
}

TEST_F(Wine, DrawsTheSceneAsTheLinuxBuildDoesAndEscapeEndsWithZero)
{
    // The Linux build on the same data folder, watched the same way, is the reference.
    ChildProcess native;
    std::vector<std::string> nativeEnv = place.environment();
    nativeEnv.push_back("SDL_VIDEODRIVER=x11");
    nativeEnv.push_back("SDL_AUDIODRIVER=dummy");
    ASSERT_TRUE(native.start({FROSTEL_LINUX_EXE}, place.exeDir(), nativeEnv, "linux-run.log"));
    int linuxStatus = 0;
    const RgbImage linuxFrame = watchAndEscape(x, native, 30, "linux-frame.ppm", linuxStatus);
    ASSERT_EQ(linuxStatus, 0) << readWholeFile("linux-run.log");

    ChildProcess wine;
    ASSERT_TRUE(startExe(wine, "wine-run.log"));
    int status = 0;
    const RgbImage wineFrame = watchAndEscape(x, wine, 60, "wine-frame.ppm", status);
    EXPECT_EQ(status, 0) << readWholeFile("wine-run.log");
    ASSERT_GT(wineFrame.width, 0);
    ASSERT_GT(linuxFrame.width, 0);

    // Wine's window frame takes its share of the 512 x 512 asked for, so it shows less of the same view.
    const Look look = lookAt(wineFrame);
    const Look reference = lookAt(bottomLeft(linuxFrame, wineFrame.width, wineFrame.height));

    // Drawn at all: neither a blank window nor the plain white of missing data.
    EXPECT_LT(look.dark, 0.95);
    EXPECT_LT(look.white, 0.95);
    EXPECT_GT(look.colours, 40) << "a flat picture is no scene";

    // Broadly the Linux build's picture: the same colours in the same amounts and places, the same frost at the
    // edges. What remains apart is the ground's turn and the snow's scatter at the moment of the grab; swapped red
    // and blue, or an overlay drawn without its alpha, would move these far more.
    for (size_t c = 0; c < 3; ++c) EXPECT_NEAR(look.mean[c], reference.mean[c], 12) << "channel " << c;
    // Snow trails shrink the near-black share frame by frame, and how many frames two seconds hold depends on the
    // machine's load (0.30 against 0.41 seen on a loaded machine, the rest of the look alike): a wider margin.
    EXPECT_NEAR(look.dark, reference.dark, 0.18);
    EXPECT_NEAR(look.white, reference.white, 0.1);
    EXPECT_NEAR(look.edge, reference.edge, 16);
    double cellDifference = 0;
    for (size_t i = 0; i < 16; ++i) cellDifference += std::fabs(look.cells[i] - reference.cells[i]) / 16;
    EXPECT_LT(cellDifference, 20) << "mean brightness difference over a 4 x 4 grid";
    std::printf("Linux: %s\nWine:  %s\ngrid difference %.1f\n", describe(reference).c_str(), describe(look).c_str(),
                cellDifference);
}

// A folder of its own for the program, with the default data but for a ground image of `size` bytes (sparse past
// what `start` gives).
fs::path folderWithGround(const WinePlace &place, const std::string &name, const std::vector<unsigned char> &start,
                          uintmax_t size)
{
    const fs::path dir = fs::path(place.root) / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy(fs::path(place.exeDir()) / "data", dir / "data", fs::copy_options::recursive);
    std::ofstream(dir / "data/snow.tga", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char *>(start.data()), std::streamsize(start.size()));
    fs::resize_file(dir / "data/snow.tga", size);  // sparse: no disk is used
    return dir;
}

const uintmax_t fourGiB = uintmax_t{1} << 32;

// 2 147 483 666 bytes whose header asks for 65535 x 65535 x 32 bits: short, and refused (each frame took 2 GiB
// from the disk again when a 32-bit position could not see it).
TEST_F(Wine, AnImageShortPast2GiBIsRefusedAndEscapeStillWorks)
{
    const std::vector<unsigned char> header = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 32, 0};
    const fs::path dir = folderWithGround(place, "wine-short-image", header, (uintmax_t{1} << 31) + 18);
    ChildProcess wine;
    ASSERT_TRUE(wine.start({place.wine, place.exe}, dir.string(), place.environment(), "wine-short-image.log"));
    int status = 0;
    watchAndEscape(x, wine, 60, "wine-short-image.ppm", status);
    EXPECT_EQ(status, 0) << readWholeFile("wine-short-image.log");
    fs::remove_all(dir);
}

// A red 16 x 16 ground whose file goes on past 4 GiB: what follows the pixels is never read, so it loads. A 32-bit
// position wraps there and took the file for 530 bytes long, too short for its 1 024 bytes of pixels.
TEST_F(Wine, AnImageInAFilePast4GiBLoads)
{
    std::vector<unsigned char> image = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 16, 0, 16, 0, 32, 0};
    for (int i = 0; i < 16 * 16; ++i) image.insert(image.end(), {0, 0, 255, 255});  // blue, green, red, alpha
    const fs::path dir = folderWithGround(place, "wine-long-image", image, fourGiB + 18 + 512);
    ChildProcess wine;
    ASSERT_TRUE(wine.start({place.wine, place.exe}, dir.string(), place.environment(), "wine-long-image.log"));
    int status = 0;
    const RgbImage frame = watchAndEscape(x, wine, 60, "wine-long-image.ppm", status);
    EXPECT_EQ(status, 0) << readWholeFile("wine-long-image.log");
    int red = 0;
    for (int py = 0; py < frame.height; ++py)
        for (int px = 0; px < frame.width; ++px) {
            const unsigned char *p = frame.at(px, py);
            if (p[0] > 150 && p[1] < 90 && p[2] < 90) ++red;
        }
    // The ground fills much of the view; untextured it would be white.
    EXPECT_GT(red, frame.width * frame.height / 20) << "the red ground should show";
    fs::remove_all(dir);
}

TEST_F(Wine, CloseRequestEndsWithZero)
{
    ChildProcess wine;
    ASSERT_TRUE(startExe(wine, "wine-close.log"));
    const Window w = x.waitForWindow(title, 60);
    ASSERT_NE(w, 0u) << readWholeFile("wine-close.log");
    std::this_thread::sleep_for(std::chrono::seconds(1));
    x.requestClose(w);
    EXPECT_EQ(wine.waitExit(30), 0) << readWholeFile("wine-close.log");
}

// On an X server without GLX, Wine has no pixel format to offer: the program must say so in a box of its own,
// having released its window, wait for the box, and fail.
TEST_F(Wine, WithoutOpenGlTheBoxSaysWhyAndTheExitStatusIsOne)
{
    XServerWithoutGl server;
    ASSERT_TRUE(server.start(FROSTEL_XVFB)) << "could not start " << FROSTEL_XVFB;
    const std::string ourDisplay = setting("DISPLAY");
    setenv("DISPLAY", server.display().c_str(), 1);
    XSession bare;
    setenv("DISPLAY", ourDisplay.c_str(), 1);
    ASSERT_TRUE(bare.connected());

    ChildProcess wine;
    std::vector<std::string> env = place.environment("-all,+msgbox");  // traces each box's text
    env.push_back("DISPLAY=" + server.display());
    ASSERT_TRUE(wine.start({place.wine, place.exe}, place.exeDir(), env, "wine-nogl.log"));

    const Window box = bare.waitForWindow("ERROR", 60);
    ASSERT_NE(box, 0u) << "no message box titled ERROR\n" << readWholeFile("wine-nogl.log");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    savePpm(bare.grab(box), "wine-error-box.ppm");
    EXPECT_FALSE(windowExists(bare.display(), DefaultRootWindow(bare.display()), title))
        << "the window should be destroyed before the box shows";
    EXPECT_TRUE(wine.running()) << "the box should wait for the user";
    const std::string log = readWholeFile("wine-nogl.log");
    EXPECT_NE(log.find("Can't Find A Suitable PixelFormat."), std::string::npos) << log;

    bare.sendKey(box, "Return");
    EXPECT_EQ(wine.waitExit(30), 1) << readWholeFile("wine-nogl.log");
    // Exactly one box: the program did not go on to show another.
    const std::string after = readWholeFile("wine-nogl.log");
    size_t boxes = 0;
    for (size_t at = after.find("MSGBOX_OnInit"); at != std::string::npos; at = after.find("MSGBOX_OnInit", at + 1))
        ++boxes;
    EXPECT_EQ(boxes, 1u) << after;
}

namespace {

// A number user.reg holds for the saver, once the wine server has written it out; 0 when there is none, or when
// it is no number.
int saverSetting(const WinePlace &place, const std::string &name)
{
    place.stopServer();
    const std::string reg = readWholeFile(place.prefix() + "/user.reg");
    const size_t key = reg.find("[Software\\\\Frostel\\\\Screen Saver]");
    if (key == std::string::npos) return 0;
    const size_t end = reg.find("\n[", key);
    const std::string prefix = "\"" + name + "\"=dword:";
    const size_t value = reg.find(prefix, key);
    if (value == std::string::npos || value > end) return 0;
    return std::stoi(reg.substr(value + prefix.size(), 8), nullptr, 16);
}
int musicSetting(const WinePlace &place) { return saverSetting(place, "Music"); }

}  // namespace

// frostel.scr /s as Windows starts it: from another folder (Windows' own), on a wide 1280 × 720 screen. The scene
// is the centred 720 × 720 square and the sides stay black after half a minute of frames; a mouse move ends it.
TEST_F(Wine, ScreenSaverFillsAWideScreenWithTheSquareAndAMouseMoveEndsItWithZero)
{
    PrivateXServer server;
    ASSERT_TRUE(server.start(FROSTEL_XVFB, true, false, "1280x720x24")) << "could not start " << FROSTEL_XVFB;
    XSession wide(server.display());
    ASSERT_TRUE(wide.connected());
    const fs::path elsewhere = fs::current_path() / "saver-elsewhere";
    fs::create_directories(elsewhere);

    ChildProcess saver;
    std::vector<std::string> env = place.environment();
    env.push_back("DISPLAY=" + server.display());
    const std::string scr = place.exeDir() + "/frostel.scr";
    ASSERT_TRUE(saver.start({place.wine, scr, "/s"}, elsewhere.string(), env, "wine-saver.log"));
    std::this_thread::sleep_for(std::chrono::seconds(30));
    ASSERT_TRUE(saver.running()) << readWholeFile("wine-saver.log");

    const RgbImage screen = wide.grab(DefaultRootWindow(wide.display()));
    savePpm(screen, "wine-saver.ppm");
    ASSERT_EQ(screen.width, 1280);
    ASSERT_EQ(screen.height, 720);
    EXPECT_EQ(litPixels(screen, 0, 280), 0u) << "left of the square";
    EXPECT_EQ(litPixels(screen, 1000, 1280), 0u) << "right of the square";
    // The frosty frame reaches the square's own edges, and the scene inside is no white stand-in for lost data.
    EXPECT_GT(litPixels(screen, 280, 282), 720u);
    EXPECT_GT(litPixels(screen, 998, 1000), 720u);
    const Look square = lookAt(columns(screen, 280, 1000));
    EXPECT_LT(square.white, 0.5) << describe(square);
    EXPECT_GT(square.colours, 100) << describe(square);

    movePointerFarAcross(wide.display());
    EXPECT_EQ(saver.waitExit(20), 0) << readWholeFile("wine-saver.log");
    fs::remove_all(elsewhere);
}

// /c shows the settings box; its check box and its frame rate are kept per user by OK and left as they were by
// Cancel; a frame rate stored wrongly shows as the default, 30 a second. /a has nothing to do and ends at once.
TEST_F(Wine, ScreenSaverSettingsBoxKeepsTheMusicChoiceOnOkOnly)
{
    const std::string scr = place.exeDir() + "/frostel.scr";
    const int before = musicSetting(place);
    {
        ChildProcess reg;
        ASSERT_TRUE(reg.start({place.wine, "reg", "add", "HKCU\\Software\\Frostel\\Screen Saver", "/v", "FrameRate",
                               "/t", "REG_SZ", "/d", "fast", "/f"},
                              place.exeDir(), place.environment(), "wine-reg.log"));
        ASSERT_EQ(reg.waitExit(60), 0) << readWholeFile("wine-reg.log");
    }
    // Each round: open the box, flip the check box, answer (first moving the frame rate one down the list when
    // asked); then what the registry holds.
    const auto round = [&](std::vector<std::string> arguments, const char *answer, bool nextRate = false) {
        ChildProcess box;
        arguments.insert(arguments.begin(), {place.wine, scr});
        EXPECT_TRUE(box.start(arguments, place.exeDir(), place.environment(), "wine-settings.log"));
        const Window w = x.waitForWindow("Frostel Screen Saver", 60);
        EXPECT_NE(w, 0u) << "no settings box\n" << readWholeFile("wine-settings.log");
        if (w == 0) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        savePpm(x.grab(w), "wine-settings-box.ppm");
        x.sendKey(w, "space");
        if (nextRate) {
            x.sendKey(w, "Tab");
            x.sendKey(w, "Down");
        }
        x.sendKey(w, answer);
        EXPECT_EQ(box.waitExit(30), 0) << readWholeFile("wine-settings.log");
        return musicSetting(place);
    };
    EXPECT_EQ(round({"/c"}, "Return", true), before == 0 ? 1 : 0) << "OK keeps the flipped choice";
    // Shown as 30 (the stored string is no rate), one down the list is 60.
    EXPECT_EQ(saverSetting(place, "FrameRate"), 60);
    EXPECT_EQ(round({"-C:0"}, "Escape", true), before == 0 ? 1 : 0) << "Cancel keeps nothing";
    EXPECT_EQ(saverSetting(place, "FrameRate"), 60);
    EXPECT_EQ(round({}, "Return"), before) << "no argument is the settings too";
    EXPECT_EQ(saverSetting(place, "FrameRate"), 60);

    ChildProcess password;
    ASSERT_TRUE(password.start({place.wine, scr, "/a"}, place.exeDir(), place.environment(), "wine-password.log"));
    EXPECT_EQ(password.waitExit(30), 0);
}

#ifdef FROSTEL_PREVIEW_HOST
namespace {

// Whether a frostel.scr process of this prefix still runs; Wine runs each as a Linux process of that name.
bool saverRunning()
{
    for (const auto &entry : fs::directory_iterator("/proc")) {
        const std::string command = readWholeFile(entry.path().string() + "/cmdline");
        if (command.find(std::string("frostel.scr\0/p", 14)) != std::string::npos) return true;
    }
    return false;
}

}  // namespace

// /p hosted by a stand-in for the settings. The desktop, or a top-level window, as the parent is refused with 1 (the
// saver would cover it and nothing would end it). A host that dies without destroying its windows takes the
// preview's window with it: the saver ends on its own, touches nothing of the lost window, and shows no box.
TEST_F(Wine, APreviewOnTheDesktopIsRefusedAndOneWhoseHostDiesEndsWithoutABox)
{
    const std::string scr = place.exeDir() + "/frostel.scr";
    for (const char *parent : {"desktop", "toplevel"}) {
        ChildProcess host;
        ASSERT_TRUE(host.start({place.wine, FROSTEL_PREVIEW_HOST, scr, parent}, place.exeDir(), place.environment(),
                               "wine-preview-refused.log"));
        EXPECT_EQ(host.waitExit(60), 1) << parent << "\n" << readWholeFile("wine-preview-refused.log");
    }

    ChildProcess host;
    ASSERT_TRUE(host.start({place.wine, FROSTEL_PREVIEW_HOST, scr, "dies"}, place.exeDir(),
                           place.environment("-all,+msgbox"), "wine-preview-dies.log"));
    EXPECT_EQ(host.waitExit(60), 0) << readWholeFile("wine-preview-dies.log");
    bool ended = false;
    for (int i = 0; i < 120 && !(ended = !saverRunning()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    EXPECT_TRUE(ended) << "the preview outlived its host (a box waiting for a click?)";
    const std::string log = readWholeFile("wine-preview-dies.log");
    EXPECT_EQ(log.find("MSGBOX_OnInit"), std::string::npos) << log;
    EXPECT_EQ(log.find("SHUTDOWN ERROR"), std::string::npos) << log;
    if (!ended) std::system("pkill -9 -f 'frostel.scr /p'");
}
#endif
