// Tests of the browser layer's portable pieces, run natively: GLU's matrices against the camera maths,
// the WAV reader on files written here, the browser key table against Windows' codes, and the numbers the layer's
// JavaScript and C++ exchange.
#include "platform/web/web_glu_matrices.h"
#include "platform/web/web_js_constants.h"
#include "platform/wav_format.h"
#include "platform/web/web_wav_reader.h"
#include "platform/web/web_keys.h"
#include "tests/render/camera_maths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

using platform::Matrix4;

namespace {

struct Clip {
    double x, y, z, w;
};

Clip apply(const Matrix4 &m, double x, double y, double z, double w = 1.0)
{
    const double v[4] = {x, y, z, w};
    double out[4] = {0, 0, 0, 0};
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) out[row] += m.m[4 * column + row] * v[column];
    return {out[0], out[1], out[2], out[3]};
}

Clip applyBoth(const Matrix4 &projection, const Matrix4 &view, Vec3 p)
{
    const Clip e = apply(view, p.x, p.y, p.z);
    return apply(projection, e.x, e.y, e.z, e.w);
}

const double pi = 3.14159265358979323846;

}  // namespace

TEST(GluMatrices, PerspectiveMapsTheFrustumEdgesAndDepthRangeAsGlDefinesThem)
{
    const Matrix4 m = platform::perspectiveMatrix(45.0, 2.0, 3.0, 2500.0);
    const double halfHeight = std::tan(22.5 * pi / 180.0);
    // The top edge of the view at any depth lands on y = 1; the right edge, twice as far out, on x = 1.
    for (double depth : {3.0, 10.0, 700.0}) {
        const Clip top = apply(m, 0.0, halfHeight * depth, -depth);
        EXPECT_NEAR(top.y / top.w, 1.0, 1e-5);
        const Clip right = apply(m, 2.0 * halfHeight * depth, 0.0, -depth);
        EXPECT_NEAR(right.x / right.w, 1.0, 1e-5);
    }
    const Clip nearPlane = apply(m, 0.0, 0.0, -3.0), farPlane = apply(m, 0.0, 0.0, -2500.0);
    EXPECT_NEAR(nearPlane.z / nearPlane.w, -1.0, 1e-5);
    EXPECT_NEAR(farPlane.z / farPlane.w, 1.0, 1e-3);
}

TEST(GluMatrices, PerspectiveLeavesTheMatrixAloneWhereItCannotDivide)
{
    for (const Matrix4 &m :
         {platform::perspectiveMatrix(45.0, 1.0, 5.0, 5.0), platform::perspectiveMatrix(0.0, 1.0, 1.0, 9.0),
          platform::perspectiveMatrix(45.0, 0.0, 1.0, 9.0)})
        for (int i = 0; i < 16; ++i) EXPECT_EQ(m.m[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
}

TEST(GluMatrices, TheSceneCameraPutsPointsWhereTheCameraMathsDoes)
{
    const Matrix4 projection = platform::perspectiveMatrix(45.0, 1.0, 3.0, 2500.0);
    const Matrix4 view = platform::lookAtMatrix(175.0, 275.0, 175.0, 0.0, 50.0, 0.0, 0.0, 1.0, 0.0);
    for (const Vec3 p :
         {Vec3{0, 50, 0}, Vec3{100, -50, -100}, Vec3{-100, -50, 100}, Vec3{30, 200, -60}, Vec3{162.5, 259.0, 162.5}}) {
        const Clip c = applyBoth(projection, view, p);
        const ScreenPoint expected = project(p);
        EXPECT_NEAR((c.x / c.w + 1.0) * 256.0, expected.x, 1e-2) << p.x << "," << p.y << "," << p.z;
        EXPECT_NEAR((c.y / c.w + 1.0) * 256.0, expected.y, 1e-2) << p.x << "," << p.y << "," << p.z;
        EXPECT_GT(c.w, 0.0);
    }
}

TEST(GluMatrices, LookAtUpAlongTheLineOfSightLeavesZeroRows)
{
    const Matrix4 m = platform::lookAtMatrix(0, 10, 0, 0, 0, 0, 0, 1, 0);
    for (int column = 0; column < 3; ++column) {
        EXPECT_EQ(m.m[4 * column + 0], 0.0f);
        EXPECT_EQ(m.m[4 * column + 1], 0.0f);
    }
    EXPECT_EQ(m.m[15], 1.0f);
}

namespace {

void put16(std::vector<uint8_t> &out, unsigned v)
{
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

void put32(std::vector<uint8_t> &out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void chunk(std::vector<uint8_t> &out, const char *id, const std::vector<uint8_t> &body, uint32_t declared)
{
    out.insert(out.end(), id, id + 4);
    put32(out, declared);
    out.insert(out.end(), body.begin(), body.end());
}

std::vector<uint8_t> fmtBody(unsigned tag, unsigned channels, uint32_t rate, unsigned bits)
{
    std::vector<uint8_t> body;
    put16(body, tag);
    put16(body, channels);
    put32(body, rate);
    put32(body, rate * channels * bits / 8);
    put16(body, channels * bits / 8);
    put16(body, bits);
    return body;
}

std::vector<uint8_t> wav(const std::vector<uint8_t> &fmt, const std::vector<uint8_t> &data, bool dataFirst = false,
                         uint32_t dataDeclared = UINT32_MAX)
{
    std::vector<uint8_t> body;
    const char wave[] = "WAVE";
    body.insert(body.end(), wave, wave + 4);
    if (dataFirst) chunk(body, "data", data, static_cast<uint32_t>(data.size()));
    chunk(body, "fmt ", fmt, static_cast<uint32_t>(fmt.size()));
    if (!dataFirst)
        chunk(body, "data", data, dataDeclared == UINT32_MAX ? static_cast<uint32_t>(data.size()) : dataDeclared);
    std::vector<uint8_t> file;
    chunk(file, "RIFF", body, static_cast<uint32_t>(body.size()));
    return file;
}

std::vector<uint8_t> samples16(const std::vector<int16_t> &values)
{
    std::vector<uint8_t> out;
    for (int16_t v : values) put16(out, static_cast<uint16_t>(v));
    return out;
}

}  // namespace

TEST(WavReader, SixteenBitStereoSamplesComeOutAsWritten)
{
    const std::vector<int16_t> values = {0, -1, 32767, -32768, 1234, -4321};
    const std::vector<uint8_t> file = wav(fmtBody(1, 2, 22050, 16), samples16(values));
    platform::PcmSound sound;
    ASSERT_TRUE(platform::parseWav(file.data(), file.size(), sound));
    EXPECT_EQ(sound.channels, 2);
    EXPECT_EQ(sound.frequency, 22050);
    EXPECT_EQ(sound.frames(), 3u);
    EXPECT_EQ(sound.samples, values);
}

TEST(WavReader, EightBitSamplesAreCentredOn128AndWidened)
{
    const std::vector<uint8_t> file = wav(fmtBody(1, 1, 8000, 8), {0, 128, 255, 129});
    platform::PcmSound sound;
    ASSERT_TRUE(platform::parseWav(file.data(), file.size(), sound));
    EXPECT_EQ(sound.samples, (std::vector<int16_t>{-32768, 0, 127 * 256, 256}));
}

TEST(WavReader, SkipsOtherChunksWithTheirPadByte)
{
    std::vector<uint8_t> body;
    const char wave[] = "WAVE";
    body.insert(body.end(), wave, wave + 4);
    chunk(body, "fmt ", fmtBody(1, 1, 11025, 16), 16);
    chunk(body, "LIST", {1, 2, 3, 0}, 3);  // three bytes and the pad
    chunk(body, "data", samples16({7, 8}), 4);
    std::vector<uint8_t> file;
    chunk(file, "RIFF", body, static_cast<uint32_t>(body.size()));
    platform::PcmSound sound;
    ASSERT_TRUE(platform::parseWav(file.data(), file.size(), sound));
    EXPECT_EQ(sound.samples, (std::vector<int16_t>{7, 8}));
}

TEST(WavReader, ADataChunkCutShortGivesItsWholeFrames)
{
    std::vector<uint8_t> data = samples16({1, 2, 3, 4});
    data.pop_back();  // the second frame's last byte is missing
    const std::vector<uint8_t> file = wav(fmtBody(1, 2, 44100, 16), data, false, 1000);
    platform::PcmSound sound;
    ASSERT_TRUE(platform::parseWav(file.data(), file.size(), sound));
    EXPECT_EQ(sound.samples, (std::vector<int16_t>{1, 2}));
}

TEST(WavReader, RefusesWhatItCannotPlay)
{
    platform::PcmSound sound;
    const std::vector<uint8_t> good = samples16({1, 2});
    const std::vector<std::vector<uint8_t>> refused = {
        wav(fmtBody(3, 1, 44100, 32), {0, 0, 128, 63}),  // float samples
        wav(fmtBody(1, 1, 44100, 24), {1, 2, 3}),        // 24 bits
        wav(fmtBody(1, 0, 44100, 16), good),             // no channel
        wav(fmtBody(1, 9, 44100, 16), good),             // more channels than taken
        wav(fmtBody(1, 1, 0, 16), good),                 // no rate
        wav(fmtBody(1, 1, 44100, 16), {}),               // no frame
        wav(fmtBody(1, 2, 44100, 16), {1, 2}),           // less than one frame
        wav(fmtBody(1, 1, 44100, 16), good, true),       // data before its format
    };
    for (size_t i = 0; i < refused.size(); ++i)
        EXPECT_FALSE(platform::parseWav(refused[i].data(), refused[i].size(), sound)) << "case " << i;

    std::vector<uint8_t> notRiff = wav(fmtBody(1, 1, 44100, 16), good);
    notRiff[0] = 'X';
    EXPECT_FALSE(platform::parseWav(notRiff.data(), notRiff.size(), sound));
    std::vector<uint8_t> noData = wav(fmtBody(1, 1, 44100, 16), good);
    noData.resize(12 + 8 + 16);
    EXPECT_FALSE(platform::parseWav(noData.data(), noData.size(), sound));
    EXPECT_FALSE(platform::parseWav(nullptr, 0, sound));
    EXPECT_FALSE(platform::readWavFile("no-such-file.wav", sound));
    EXPECT_FALSE(platform::readWavFile(nullptr, sound));
}

TEST(WavReader, ReadsAFileItWasGiven)
{
    const std::vector<uint8_t> file = wav(fmtBody(1, 1, 8000, 16), samples16({-5, 5, 9}));
    const std::string path = ::testing::TempDir() + "frostel_web_wav_test.wav";
    std::FILE *out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(std::fwrite(file.data(), 1, file.size(), out), file.size());
    std::fclose(out);
    platform::PcmSound sound;
    EXPECT_TRUE(platform::readWavFile(path.c_str(), sound));
    EXPECT_EQ(sound.samples, (std::vector<int16_t>{-5, 5, 9}));
    std::remove(path.c_str());
}

TEST(WebKeys, LettersFollowTheLayoutAndEverythingElseThePlace)
{
    EXPECT_EQ(platform::virtualKeyFromBrowser("KeyQ", "a"), 0x41);  // AZERTY: the A key sits where Q does
    EXPECT_EQ(platform::virtualKeyFromBrowser("KeyA", "Q"), 0x51);
    EXPECT_EQ(platform::virtualKeyFromBrowser("KeyA", "\xD1\x84"), 0x41);  // a Cyrillic letter: by place
    EXPECT_EQ(platform::virtualKeyFromBrowser("Digit1", "!"), 0x31);
    EXPECT_EQ(platform::virtualKeyFromBrowser("Escape", "Escape"), 0x1B);
    EXPECT_EQ(platform::virtualKeyFromBrowser("F10", "F10"), 0x79);
    EXPECT_EQ(platform::virtualKeyFromBrowser("F24", "F24"), 0x87);
    EXPECT_EQ(platform::virtualKeyFromBrowser("ShiftRight", "Shift"), 0x10);
    EXPECT_EQ(platform::virtualKeyFromBrowser("AltRight", "AltGraph"), 0x12);
    EXPECT_EQ(platform::virtualKeyFromBrowser("NumpadEnter", "Enter"), 0x0D);
    EXPECT_EQ(platform::virtualKeyFromBrowser("Numpad7", "7"), 0x67);
    EXPECT_EQ(platform::virtualKeyFromBrowser("Delete", "Delete"), 0x2E);
    EXPECT_EQ(platform::virtualKeyFromBrowser("Quote", "'"), 0xDE);
    EXPECT_EQ(platform::virtualKeyFromBrowser("ArrowLeft", "ArrowLeft"), 0x25);
    EXPECT_EQ(platform::virtualKeyFromBrowser("Fn", "Fn"), 0);
    EXPECT_EQ(platform::virtualKeyFromBrowser("", ""), 0);
    EXPECT_EQ(platform::virtualKeyFromBrowser(nullptr, nullptr), 0);
}

TEST(WebKeys, TheExtendedKeysAreWindowsOnes)
{
    for (const char *code :
         {"ControlRight", "AltRight", "ArrowUp", "Insert", "NumpadEnter", "NumpadDivide", "MetaLeft"})
        EXPECT_TRUE(platform::isExtendedBrowserKey(code)) << code;
    for (const char *code : {"ControlLeft", "AltLeft", "Numpad8", "Enter", "KeyA", "Escape"})
        EXPECT_FALSE(platform::isExtendedBrowserKey(code)) << code;
    EXPECT_FALSE(platform::isExtendedBrowserKey(nullptr));
}

namespace {

struct Verdict {
    bool played = false;
    platform::WavLayout layout;
    std::string reason;
};

Verdict examine(const std::vector<uint8_t> &file)
{
    Verdict verdict;
    verdict.played = platform::examineWavBytes(file.data(), file.size(), verdict.layout, verdict.reason);
    return verdict;
}

bool mentions(const std::string &text, const char *part) { return text.find(part) != std::string::npos; }

// A file of `size` bytes of which only the first `header` are real, the rest zeros: a big file, never made.
struct SparseFile {
    std::vector<uint8_t> header;
    uint64_t size = 0;
};

size_t readSparse(void *source, uint64_t offset, uint8_t *out, size_t length)
{
    const auto *file = static_cast<const SparseFile *>(source);
    if (offset >= file->size) return 0;
    const size_t count = static_cast<size_t>(std::min<uint64_t>(length, file->size - offset));
    for (size_t i = 0; i < count; ++i) out[i] = offset + i < file->header.size() ? file->header[offset + i] : 0;
    return count;
}

}  // namespace

TEST(WavFormat, SaysWhereTheFramesLieAndHowManyThereAre)
{
    // 12 bytes of RIFF header, the format chunk (8 + 16), then the data chunk's 8-byte header.
    const Verdict stereo = examine(wav(fmtBody(1, 2, 22050, 16), samples16({1, 2, 3, 4, 5, 6})));
    ASSERT_TRUE(stereo.played) << stereo.reason;
    EXPECT_EQ(stereo.layout.dataOffset, 12u + 24u + 8u);
    EXPECT_EQ(stereo.layout.frames, 3u);
    EXPECT_EQ(stereo.layout.frameBytes(), 4u);
    EXPECT_EQ(stereo.layout.frequency, 22050u);
    EXPECT_TRUE(stereo.reason.empty());
    // A data chunk promising more than the file holds counts the whole frames there.
    const Verdict cut = examine(wav(fmtBody(1, 1, 8000, 8), {1, 2, 3, 4, 5}, false, 4000));
    ASSERT_TRUE(cut.played) << cut.reason;
    EXPECT_EQ(cut.layout.frames, 5u);
}

TEST(WavFormat, TheRatesAtBothEndsArePlayedAndNoneBeyond)
{
    const std::vector<uint8_t> one = samples16({7});
    EXPECT_TRUE(examine(wav(fmtBody(1, 1, 1000, 16), one)).played);
    EXPECT_TRUE(examine(wav(fmtBody(1, 1, 384000, 16), one)).played);
    const Verdict tooFast = examine(wav(fmtBody(1, 1, 384001, 16), one));
    EXPECT_FALSE(tooFast.played);
    EXPECT_TRUE(mentions(tooFast.reason, "384001 Hz")) << tooFast.reason;
    // A 4 KB file at 1 Hz would last an hour and fill 767 MB once converted to 44100 Hz.
    for (uint32_t slow : {0u, 1u, 999u}) {
        const Verdict tooSlow = examine(wav(fmtBody(1, 1, slow, 16), one));
        EXPECT_FALSE(tooSlow.played);
        EXPECT_TRUE(mentions(tooSlow.reason, (" " + std::to_string(slow) + " Hz").c_str())) << tooSlow.reason;
    }
}

TEST(WavFormat, EachRefusalSaysWhy)
{
    const std::vector<uint8_t> good = samples16({1, 2});
    struct Case {
        std::vector<uint8_t> file;
        const char *says;
    };
    std::vector<uint8_t> notRiff = wav(fmtBody(1, 1, 44100, 16), good);
    notRiff[0] = 'X';
    std::vector<uint8_t> noData = wav(fmtBody(1, 1, 44100, 16), good);
    noData[12 + 24] = 'x';
    const std::vector<Case> cases = {
        {{}, "empty file"},
        {notRiff, "not a RIFF WAVE file"},
        {{'R', 'I', 'F', 'F', 4, 0, 0, 0}, "not a RIFF WAVE file"},
        {wav(fmtBody(3, 1, 44100, 32), {0, 0, 128, 63}), "format tag is 3"},
        {wav(fmtBody(1, 1, 44100, 24), {1, 2, 3}), "24-bit"},
        {wav(fmtBody(1, 0, 44100, 16), good), "this file has 0"},
        {wav(fmtBody(1, 9, 44100, 16), good), "this file has 9"},
        {wav(fmtBody(1, 1, 44100, 16), {}), "no whole frame"},
        {wav(fmtBody(1, 2, 44100, 16), {1, 2}), "no whole frame"},
        {wav(fmtBody(1, 1, 44100, 16), good, true), "no format chunk before its data chunk"},
        {noData, "no data chunk"},
        {wav(std::vector<uint8_t>(10, 0), good), "format chunk is too short"},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const Verdict verdict = examine(cases[i].file);
        EXPECT_FALSE(verdict.played) << "case " << i;
        EXPECT_TRUE(mentions(verdict.reason, cases[i].says)) << "case " << i << ": " << verdict.reason;
    }
}

// Only the header is read, so a file of half a gigabyte is judged as fast as a small one; the browser's
// reader makes the same choice on the same bytes.
TEST(WavFormat, AHugeFileIsJudgedByItsHeaderAlone)
{
    const uint32_t dataBytes = 500u * 1000u * 1000u;
    SparseFile file;
    file.header = wav(fmtBody(1, 1, 8000, 8), {}, false, dataBytes);
    file.size = file.header.size() + dataBytes;
    platform::WavLayout layout;
    std::string reason;
    ASSERT_TRUE(platform::examineWav(readSparse, &file, file.size, layout, reason)) << reason;
    EXPECT_EQ(layout.frames, dataBytes);
    EXPECT_DOUBLE_EQ(layout.seconds(), dataBytes / 8000.0);

    const std::vector<uint8_t> small = wav(fmtBody(1, 2, 44100, 16), samples16({1, 2}));
    platform::PcmSound sound;
    EXPECT_EQ(platform::parseWav(small.data(), small.size(), sound), examine(small).played);
    const std::vector<uint8_t> fast = wav(fmtBody(1, 1, 400000, 16), samples16({1, 2}));
    EXPECT_FALSE(platform::parseWav(fast.data(), fast.size(), sound));
}

// Every number that crosses between the page's JavaScript and C++ stands in one block of web_constants.js: each name
// there must carry the value web_js_constants.h gives it, and neither side may name one the other lacks.
TEST(WebJsConstants, TheJavaScriptBlockAgreesWithTheHeader)
{
    std::ifstream in(FROSTEL_WEB_CONSTANTS_JS);
    ASSERT_TRUE(in) << FROSTEL_WEB_CONSTANTS_JS;
    const std::regex entry(R"(^\s*([A-Za-z]+):\s*(-?[0-9]+),\s*$)");
    std::map<std::string, long> script;
    bool inBlock = false;
    std::string line;
    while (std::getline(in, line)) {
        if (line.find("$FrostelJs: {") != std::string::npos) {
            inBlock = true;
        } else if (inBlock && line.find('}') != std::string::npos) {
            break;
        }
        std::smatch m;
        if (inBlock && std::regex_match(line, m, entry)) {
            EXPECT_EQ(script.count(m[1]), 0u) << m[1] << " named twice";
            script[m[1]] = std::stol(m[2]);
        }
    }
    using namespace platform;
    const std::map<std::string, long> header = {
        {"noEvent", noEvent},
        {"keyDown", keyDown},
        {"keyUp", keyUp},
        {"pageHidden", pageHidden},
        {"pageShown", pageShown},
        {"clientResized", clientResized},
        {"keyRepeat", keyRepeat},
        {"keyAlt", keyAlt},
        {"keyControl", keyControl},
        {"drawTriangles", webgl::drawTriangles},
        {"clearBuffers", webgl::clearBuffers},
        {"setViewport", webgl::setViewport},
        {"useTexture", webgl::useTexture},
        {"setAlphaTest", webgl::setAlphaTest},
        {"setBlending", webgl::setBlending},
        {"setDepthTest", webgl::setDepthTest},
        {"setCulling", webgl::setCulling},
        {"commandWords", webgl::commandWords},
        {"vertexFloats", webgl::vertexFloats},
    };
    EXPECT_EQ(script, header);
    // The flags are bits of their own, so any of them may come together.
    EXPECT_EQ((keyRepeat | keyAlt | keyControl), 7);
}
