// What the Wine tests share: where the prefix lives and how Wine is started, and how a frame is looked at.
#pragma once

#include "tests/render/x_session.h"

#include <array>
#include <filesystem>
#include <string>
#include <vector>

std::string setting(const char *name);

// Where the Wine prefix and a stand-in home live: inside the build folder, so nothing outside it is touched.
struct WinePlace {
    std::string wine = setting("FROSTEL_WINE");
    std::string wineserver = setting("FROSTEL_WINESERVER");
    std::string root = setting("FROSTEL_WINE_ROOT");
    std::string exe = setting("FROSTEL_WINDOWS_EXE");

    std::string prefixName = "wine-prefix";  // a group of tests may keep a prefix of its own beside it

    std::string prefix() const { return root + "/" + prefixName; }
    std::string home() const { return root + "/wine-home"; }
    std::string exeDir() const { return std::filesystem::path(exe).parent_path().string(); }

    // No Mono or Gecko installers, no menu entries or file associations; caches under the stand-in home.
    std::vector<std::string> environment(const std::string &debug = "-all") const
    {
        return {"WINEPREFIX=" + prefix(),
                "WINEDEBUG=" + debug,
                "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d",
                "HOME=" + home(),
                "XDG_CACHE_HOME=" + home() + "/.cache",
                "XDG_CONFIG_HOME=" + home() + "/.config",
                "XDG_DATA_HOME=" + home() + "/.local/share"};
    }

    // The wine server lingers a few seconds after its last program; wait for it so that no test inherits it
    // (one test runs on another X server), and kill it when it will not go.
    void stopServer() const;
};

void savePpm(const RgbImage &img, const std::string &path);

// Two pointer moves far apart, as a person returning: the first only tells the saver where the pointer is, the
// second ends it.
void movePointerFarAcross(Display *display);

// What a viewer would notice at a glance, independent of the window's exact size.
struct Look {
    std::array<double, 3> mean{};    // 0..255 per channel
    double dark = 0;                 // share of near-black pixels
    double white = 0;                // share of near-white pixels
    double edge = 0;                 // brightness of the outer band, where the overlay's frame is
    std::array<double, 16> cells{};  // mean brightness on a 4 x 4 grid: where things are
    int colours = 0;                 // distinct colours at 4 bits a channel
};

double brightness(const unsigned char *p);
Look lookAt(const RgbImage &img);
std::string describe(const Look &l);

// Pixels of the columns x0 .. x1 that are not black.
size_t litPixels(const RgbImage &image, int x0, int x1);
RgbImage columns(const RgbImage &image, int x0, int x1);
