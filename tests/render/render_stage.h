// The render harness: the real window on Mesa in a folder of the test's own data, frames at pinned ticks.
#pragma once

#include "tests/render/camera_maths.h"
#include "tests/render/test_files.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// The back buffer as glReadPixels returns it: rows from the bottom.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
    Rgb at(int x, int y) const;
};

// Within `tolerance` in every channel of the pixel that holds `p`.
::testing::AssertionResult colourNear(const Picture &picture, ScreenPoint p, Rgb expected, int tolerance = 3);
// At least `difference` away from `colour` in some channel.
::testing::AssertionResult colourFar(const Picture &picture, ScreenPoint p, Rgb colour, int difference = 40);

// source over destination with (source alpha, one minus source alpha).
Rgb blend(Rgb source, int alpha, Rgb destination);

const Rgb black = {0, 0, 0};
const Rgb white = {255, 255, 255};

class RenderStage : public ::testing::Test {
protected:
    // Clock start and random seed of every stage; far from 0 so that nothing depends on a zero tick.
    static const uint32_t startTick = 700000;

    void SetUp() override;
    void TearDown() override;

    // Paths relative to the stage folder, which is the working directory while the test runs.
    static std::string data(const std::string &name) { return "data/" + name; }

    // Opens the window as start-up does: clock and seed first, then openWindow, which sets up the scene.
    ::testing::AssertionResult openScene();
    // One frame whose clock readings all give `elapsedMs` since start, moving everything by `frameMs`.
    void drawFrame(uint32_t elapsedMs, float frameMs);
    Picture readBack() const;
    // The window procedure told of a new client size, as when the window is resized.
    void resizeWindow();

private:
    std::filesystem::path stage_;
    std::filesystem::path previousDir_;
    bool open_ = false;
};
