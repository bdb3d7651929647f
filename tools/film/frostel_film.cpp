// frostel-film: the real scene on the real GL, frame after frame at fixed tick steps, written out as PNG
// pictures: half-size frames for the README's animation, one full-size screenshot, and that screenshot on a wide
// and a tall black picture for the page's install sheet. Run it under an X server, in a folder with data/.
#include "platform/platform.h"
#include "app/window.h"
#include "common/frame_clock.h"
#include "common/random_source.h"
#include "png.h"
#include "scene/scene.h"
#include "scene/snowfall.h"
#include "tools/film/film_tick.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

const int kSize = 512;
// Far from 0, like a machine that has been up a while; the seed comes from it, so the film is always the same.
const uint32_t kStartTick = 700000;
// About the running demo's pace, so snow trails look as they do on screen, and a whole number of steps
// in half a turn of the ground (2.7 s): the square ground then shows the same outline, so the film loops
// without a jump in it.
const uint32_t kStepMs = 18;
const int kFilmSteps = 150;
const int kWarmUpSteps = 100;  // the snow and sparkles settle into how they look after a few seconds

frostel_assets::Image readFrame()
{
    std::vector<unsigned char> rgb(kSize * kSize * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kSize, kSize, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    frostel_assets::Image image(kSize, kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const unsigned char *p =
                &rgb[(static_cast<size_t>(kSize - 1 - y) * kSize + x) * 3];  // GL rows from the bottom
            image.at(x, y) = {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f, 1.0f};
        }
    return image;
}

// Each pixel the mean of four: small enough for a README, and the same bytes every time.
frostel_assets::Image halved(const frostel_assets::Image &full)
{
    frostel_assets::Image half(full.width() / 2, full.height() / 2);
    for (int y = 0; y < half.height(); ++y)
        for (int x = 0; x < half.width(); ++x) {
            frostel_assets::Color sum{0.0f, 0.0f, 0.0f, 0.0f};
            for (int k = 0; k < 4; ++k) {
                const frostel_assets::Color &c = full.at(2 * x + k % 2, 2 * y + k / 2);
                sum = {sum.r + c.r / 4, sum.g + c.g / 4, sum.b + c.b / 4, 1.0f};
            }
            half.at(x, y) = sum;
        }
    return half;
}

// The frame in the middle of a black picture of another shape, as the page's full-screen view and the installed
// app show it on a wide or a tall screen: the install sheet's screenshots.
frostel_assets::Image onBlack(const frostel_assets::Image &frame, int width, int height)
{
    frostel_assets::Image out(width, height, frostel_assets::Color{0.0f, 0.0f, 0.0f, 1.0f});
    const int left = (width - frame.width()) / 2, top = (height - frame.height()) / 2;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) out.at(left + x, top + y) = frame.at(x, y);
    return out;
}

bool writePng(const std::string &path, const frostel_assets::Image &image)
{
    const frostel_assets::Bytes bytes = frostel_assets::encodePng(image, false);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) std::cerr << "cannot write " << path << "\n";
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::cerr << "usage: frostel-film OUTDIR EVERY\n"
                     "  writes half a turn of the ground as OUTDIR/frame-NNN.png, every EVERY-th step of "
                  << kStepMs
                  << " ms,\n  and its middle at full size as OUTDIR/screenshot.png, screenshot-wide.png and "
                     "screenshot-narrow.png\n";
        return 2;
    }
    const std::string folder = argv[1];
    const int every = std::atoi(argv[2]);
    if (every < 1 || kFilmSteps % every != 0) {
        std::cerr << "EVERY must divide " << kFilmSteps << "\n";
        return 2;
    }

    // As the demo starts: clock and seed, the window, the snowfall (no music: nobody hears a film).
    setFilmTick(kStartTick);
    frameClock.lastTick = GetTickCount();
    frameClock.startTick = GetTickCount();
    seedRandom(frameClock.lastTick);
    if (!openWindow("Frostel - Tarvik", kSize, kSize, 32, false)) return 1;
    fillSnowfall(1500);

    int written = 0;
    for (int step = 1; step <= kWarmUpSteps + kFilmSteps; ++step) {
        setFilmTick(kStartTick + kStepMs * static_cast<uint32_t>(step));
        if (!drawScene()) {
            std::cerr << "the scene failed to draw\n";
            closeWindow();
            return 1;
        }
        glFinish();
        const int filmed = step - kWarmUpSteps;
        const bool inFilm = filmed > 0 && filmed % every == 0;
        // Halfway the star has turned to face the viewer.
        const bool shot = filmed == kFilmSteps / 2;
        if (inFilm || shot) {
            const frostel_assets::Image frame = readFrame();
            char name[32];
            std::snprintf(name, sizeof name, "/frame-%03d.png", written);
            if ((shot && !(writePng(folder + "/screenshot.png", frame) &&
                           writePng(folder + "/screenshot-wide.png", onBlack(frame, kSize * 16 / 9, kSize)) &&
                           writePng(folder + "/screenshot-narrow.png", onBlack(frame, kSize, kSize * 16 / 9)))) ||
                (inFilm && !writePng(folder + name, halved(frame)))) {
                closeWindow();
                return 1;
            }
            if (inFilm) ++written;
        }
        SwapBuffers(hDC);
    }
    closeWindow();
    std::cout << written << " frames of " << kStepMs * static_cast<uint32_t>(every) << " ms in " << folder << "\n";
    return 0;
}
