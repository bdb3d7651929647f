// Message boxes with no display: the text still reaches standard error and the default answer comes back.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

class MessageBoxWithoutDisplay : public ::testing::Test {
protected:
    void SetUp() override
    {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
    }

    // The box's line must be there exactly once, whatever a failing box system adds.
    static void expectLineOnce(const std::string &output, const std::string &line)
    {
        const size_t first = output.find(line);
        ASSERT_NE(first, std::string::npos) << output;
        EXPECT_EQ(output.find(line, first + 1), std::string::npos) << output;
    }
};

}  // namespace

TEST_F(MessageBoxWithoutDisplay, OkBoxWritesCaptionAndTextAndAnswersOk)
{
    testing::internal::CaptureStderr();
    const int answer = MessageBoxA(nullptr, "Window Creation Error.", "ERROR", MB_OK | MB_ICONEXCLAMATION);
    const std::string output = testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, IDOK);
    expectLineOnce(output, "ERROR: Window Creation Error.\n");
}

TEST_F(MessageBoxWithoutDisplay, YesNoBoxAnswersNo)
{
    testing::internal::CaptureStderr();
    const int answer = MessageBoxA(nullptr,
                                   "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use "
                                   "Windowed Mode Instead?",
                                   "GL", MB_YESNO | MB_ICONEXCLAMATION);
    const std::string output = testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, IDNO);
    expectLineOnce(output, "GL: The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed "
                           "Mode Instead?\n");
}

TEST_F(MessageBoxWithoutDisplay, ShutdownBoxAndMissingTexts)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Could Not Unregister Class.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_OK), IDOK);
    const std::string output = testing::internal::GetCapturedStderr();
    expectLineOnce(output, "SHUTDOWN ERROR: Could Not Unregister Class.\n");
    expectLineOnce(output, "Error: \n");
}
