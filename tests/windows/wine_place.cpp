// The Wine tests' shared pieces.
#include "tests/windows/wine_place.h"

#include "tests/windows/child_process.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <thread>

std::string setting(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

void WinePlace::stopServer() const
{
    ChildProcess wait;
    if (wait.start({wineserver, "-w"}, root, environment(), root + "/wineserver.log") && wait.waitExit(30) == 0) return;
    ChildProcess killer;
    if (killer.start({wineserver, "-k"}, root, environment(), root + "/wineserver.log")) killer.waitExit(30);
}

void savePpm(const RgbImage &img, const std::string &path)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fprintf(f, "P6\n%d %d\n255\n", img.width, img.height);
    std::fwrite(img.rgb.data(), 1, img.rgb.size(), f);
    std::fclose(f);
}

double brightness(const unsigned char *p) { return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]; }

Look lookAt(const RgbImage &img)
{
    Look l;
    std::set<int> colours;
    double edgeSum = 0;
    long edgeCount = 0;
    std::array<double, 16> cellSum{};
    std::array<long, 16> cellCount{};
    const int bandX = img.width / 10, bandY = img.height / 10;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const unsigned char *p = img.at(x, y);
            for (int c = 0; c < 3; ++c) l.mean[size_t(c)] += p[c];
            if (p[0] < 24 && p[1] < 24 && p[2] < 24) l.dark += 1;
            if (p[0] > 232 && p[1] > 232 && p[2] > 232) l.white += 1;
            colours.insert((p[0] >> 4) << 8 | (p[1] >> 4) << 4 | (p[2] >> 4));
            const double b = brightness(p);
            if (x < bandX || x >= img.width - bandX || y < bandY || y >= img.height - bandY) {
                edgeSum += b;
                ++edgeCount;
            }
            const size_t cell = size_t(y * 4 / img.height * 4 + x * 4 / img.width);
            cellSum[cell] += b;
            ++cellCount[cell];
        }
    const double n = double(img.width) * img.height;
    for (double &m : l.mean) m /= n;
    l.dark /= n;
    l.white /= n;
    l.edge = edgeSum / double(edgeCount);
    for (size_t i = 0; i < 16; ++i) l.cells[i] = cellSum[i] / double(cellCount[i]);
    l.colours = int(colours.size());
    return l;
}

std::string describe(const Look &l)
{
    char text[256];
    std::snprintf(text, sizeof text, "mean rgb %.0f %.0f %.0f, dark %.2f, white %.2f, edge %.0f, %d colours, cells",
                  l.mean[0], l.mean[1], l.mean[2], l.dark, l.white, l.edge, l.colours);
    std::string out = text;
    for (double c : l.cells) out += " " + std::to_string(int(c));
    return out;
}

size_t litPixels(const RgbImage &image, int x0, int x1)
{
    size_t lit = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = x0; x < x1; ++x) {
            const unsigned char *p = image.at(x, y);
            lit += p[0] > 8 || p[1] > 8 || p[2] > 8 ? 1 : 0;
        }
    return lit;
}

RgbImage columns(const RgbImage &image, int x0, int x1)
{
    RgbImage out;
    out.width = x1 - x0;
    out.height = image.height;
    for (int y = 0; y < image.height; ++y) out.rgb.insert(out.rgb.end(), image.at(x0, y), image.at(x1, y));
    return out;
}

void movePointerFarAcross(Display *display)
{
    XWarpPointer(display, 0, DefaultRootWindow(display), 0, 0, 0, 0, 600, 300);
    XFlush(display);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    XWarpPointer(display, 0, DefaultRootWindow(display), 0, 0, 0, 0, 700, 420);
    XFlush(display);
}
