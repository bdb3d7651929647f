// Tests of the floor's machinery: the recorder's matrix state and exact arguments, the recording file's
// checks, texture renaming, and a replay that issues the very calls it was recorded from.
#include "bench/frame_recording.h"
#include "bench/frame_replay.h"
#include "bench/recording_gl.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>

#include <unistd.h>

using glrec::FrameRecording;
using glrec::Op;

namespace {

float wordFloat(uint32_t word)
{
    float value;
    std::memcpy(&value, &word, sizeof value);
    return value;
}

std::string tempPath(const char *name)
{
    return (std::filesystem::temp_directory_path() / (std::string(name) + std::to_string(::getpid()))).string();
}

// A frame touching every kind of argument: enums, ints, floats, doubles, texture names, a matrix.
void drawSampleFrame()
{
    glClear(GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    gluLookAt(0.0, 0.0, 5.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    glPushMatrix();
    glRotatef(90.0f, 0.0f, 2.0f, 0.0f);
    glBindTexture(GL_TEXTURE_2D, 2);
    glBegin(GL_QUADS);
    glTexCoord2f(0.25f, -1.0f);
    glVertex3i(-3, 0, 7);
    glEnd();
    glPopMatrix();
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glLoadMatrixf(m);
    glBindTexture(GL_TEXTURE_2D, 0);
}

}  // namespace

TEST(RecordingGl, KeepsTheModelviewMatrixAsGlComposesIt)
{
    GLfloat m[16];
    glLoadIdentity();
    // Eye at z = 5 looking at the origin: the view only moves the world 5 along -z.
    gluLookAt(0.0, 0.0, 5.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const float view[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -5, 1};
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], view[i], 1e-6f) << i;

    // A quarter turn about y takes x to -z, then the translation is applied in the turned frame.
    glPushMatrix();
    glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
    glTranslatef(1.0f, 0.0f, 0.0f);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_NEAR(m[2], -1.0f, 1e-6f);  // column x, row z
    EXPECT_NEAR(m[8], 1.0f, 1e-6f);   // column z, row x
    EXPECT_NEAR(m[12], 0.0f, 1e-6f);
    EXPECT_NEAR(m[14], -6.0f, 1e-6f);
    glPopMatrix();
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_NEAR(m[14], -5.0f, 1e-6f);
}

TEST(RecordingGl, RecordsEveryCallOfAFrameWithItsArgumentsUntouched)
{
    FrameRecording recording;
    startRecordingFrame(recording);
    drawSampleFrame();
    stopRecordingFrame();
    glClear(GL_COLOR_BUFFER_BIT);  // outside a frame: not kept

    const Op expected[] = {Op::Clear,       Op::LoadIdentity, Op::LookAt,      Op::PushMatrix, Op::Rotatef,
                           Op::BindTexture, Op::Begin,        Op::TexCoord2f,  Op::Vertex3i,   Op::End,
                           Op::PopMatrix,   Op::GetFloatv,    Op::LoadMatrixf, Op::BindTexture};
    ASSERT_EQ(recording.frameCount(), 1u);
    ASSERT_EQ(recording.ops.size(), std::size(expected));
    for (size_t i = 0; i < recording.ops.size(); ++i)
        EXPECT_EQ(recording.ops[i], static_cast<uint8_t>(expected[i])) << i;

    // Words: clear 1, look-at 18, then the rotation as given, not its normalised axis.
    const uint32_t *w = recording.words.data();
    EXPECT_EQ(w[0], static_cast<uint32_t>(GL_DEPTH_BUFFER_BIT));
    double eyeZ;
    std::memcpy(&eyeZ, w + 1 + 4, sizeof eyeZ);
    EXPECT_EQ(eyeZ, 5.0);
    w += 1 + 18;
    EXPECT_EQ(wordFloat(w[0]), 90.0f);
    EXPECT_EQ(wordFloat(w[2]), 2.0f);
    w += 4;
    EXPECT_EQ(w[1], 2u);  // texture name
    w += 2 + 1;
    EXPECT_EQ(wordFloat(w[0]), 0.25f);
    EXPECT_EQ(wordFloat(w[1]), -1.0f);
    EXPECT_EQ(static_cast<int32_t>(w[2]), -3);
    EXPECT_EQ(static_cast<int32_t>(w[4]), 7);
    w += 2 + 3 + 1;
    // The matrix handed back by glGetFloatv and loaded again: the view's translation.
    EXPECT_NEAR(wordFloat(w[14]), -5.0f, 1e-6f);
    EXPECT_EQ(recording.words.size(), recording.frameWords[1]);
}

TEST(FrameReplay, IssuesTheCallsItWasRecordedFrom)
{
    FrameRecording original;
    startRecordingFrame(original);
    drawSampleFrame();
    stopRecordingFrame();
    FrameRecording replayed;
    startRecordingFrame(replayed);
    replayFrame(original, 0);
    stopRecordingFrame();
    EXPECT_EQ(replayed.ops, original.ops);
    EXPECT_EQ(replayed.words, original.words);
}

TEST(FrameReplay, RenamesTexturesAndRefusesNamesItCannotMap)
{
    FrameRecording recording;
    startRecordingFrame(recording);
    drawSampleFrame();
    stopRecordingFrame();
    FrameRecording unmappable = recording;
    ASSERT_TRUE(mapTextures(recording, {40, 41}));
    // Recorded name 2 is the second real one; 0 stays 0.
    EXPECT_EQ(recording.words[1 + 18 + 4 + 1], 41u);
    EXPECT_EQ(recording.words.back(), 0u);
    EXPECT_FALSE(mapTextures(unmappable, {40}));
}

TEST(FrameRecordingFile, RoundTripsAndRefusesWhatItCannotReplay)
{
    FrameRecording recording;
    recording.textureCount = 3;
    for (int frame = 0; frame < 2; ++frame) {
        startRecordingFrame(recording);
        drawSampleFrame();
        stopRecordingFrame();
    }
    const std::string path = tempPath("frostel-recording-");
    ASSERT_TRUE(glrec::saveRecording(path, recording));
    FrameRecording loaded;
    std::string error;
    ASSERT_TRUE(glrec::loadRecording(path, loaded, error)) << error;
    EXPECT_EQ(loaded.textureCount, 3u);
    EXPECT_EQ(loaded.ops, recording.ops);
    EXPECT_EQ(loaded.words, recording.words);
    EXPECT_EQ(loaded.frameOps, recording.frameOps);
    EXPECT_EQ(loaded.frameWords, recording.frameWords);

    auto refusedAfter = [&](auto spoil) {
        FrameRecording spoilt = recording;
        spoil(spoilt);
        EXPECT_TRUE(glrec::saveRecording(path, spoilt));
        FrameRecording again;
        std::string why;
        const bool loadedAgain = glrec::loadRecording(path, again, why);
        return !loadedAgain && !why.empty();
    };
    EXPECT_TRUE(refusedAfter([](FrameRecording &r) { r.ops[3] = static_cast<uint8_t>(Op::Count); }));
    EXPECT_TRUE(refusedAfter([](FrameRecording &r) { r.words.pop_back(); }));
    EXPECT_TRUE(refusedAfter([](FrameRecording &r) { r.frameWords[1] += 1; }));
    EXPECT_TRUE(refusedAfter([](FrameRecording &r) { r.frameOps.back() += 1; }));

    // A file cut short, and one that is not a recording at all.
    ASSERT_TRUE(glrec::saveRecording(path, recording));
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 5);
    EXPECT_FALSE(glrec::loadRecording(path, loaded, error));
    std::FILE *file = std::fopen(path.c_str(), "wb");
    std::fputs("FRSTREC0 and then nothing", file);
    std::fclose(file);
    EXPECT_FALSE(glrec::loadRecording(path, loaded, error));
    std::filesystem::remove(path);
}
