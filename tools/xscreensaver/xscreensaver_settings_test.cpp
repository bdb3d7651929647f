// The one-saver edit of ~/.xscreensaver: the user's lines kept byte for byte, one Frostel line, the refusals.
#include "xscreensaver_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kHack = "/usr/libexec/xscreensaver/frostel -root";
const std::string kFrostelLine = "GL: \t\t\t\t/usr/libexec/xscreensaver/frostel -root\t\t\t\t    \\n\\\n";

// As xscreensaver-settings writes it, with a user's own choices: five programs, the third disabled.
const std::string kUserFile = "# XScreenSaver Preferences File\n"
                              "timeout:\t0:07:00\n"
                              "lock:\t\tTrue\n"
                              "mode:\t\trandom\n"
                              "selected:\t3\n"
                              "textLiteral:\tHello: a colon, and a \\\\backslash\n"
                              "programs:\t\t\t\t\t\t\t\t      \\\n"
                              "\t\t\t\tmaze -root\t\t\t\t    \\n\\\n"
                              "  \"My maze\" \t\tmaze -root -grid-size 9\t    \\n\\\n"
                              "-\t\t\t\tqix -root\t\t\t\t    \\n\\\n"
                              "- GL: \t\t\t\tsuperquadrics -root\t\t\t    \\n\\\n"
                              "\t\t\t\txmatrix -root\t\t\t\t    \\n\\\n"
                              "\n"
                              "pointerHysteresis: 10\n";

std::vector<std::string> linesOf(const std::string &text)
{
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        size_t nl = text.find('\n', at);
        nl = nl == std::string::npos ? text.size() : nl + 1;
        lines.push_back(text.substr(at, nl - at));
        at = nl;
    }
    return lines;
}

size_t count(const std::string &text, const std::string &what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The text with the mode and selected lines taken out.
std::string withoutChoice(const std::string &text)
{
    std::string out;
    for (const std::string &line : linesOf(text))
        if (line.rfind("mode:", 0) != 0 && line.rfind("selected:", 0) != 0) out += line;
    return out;
}

}  // namespace

TEST(XScreenSaverSettings, AddsOneLineAtTheEndOfTheListChoosesItAndASecondRunChangesNothing)
{
    const SettingsEdit first = chooseOneSaver(kUserFile, "", "frostel", kHack);
    ASSERT_EQ(first.outcome, SettingsEdit::Outcome::Changed) << first.message;
    EXPECT_TRUE(first.added);
    EXPECT_EQ(first.index, 5);  // after the five programs, the disabled ones counted
    // Everything but the choice is the user's, byte for byte, with the new line after xmatrix's.
    std::string expected = withoutChoice(kUserFile);
    const std::string xmatrix = "\t\t\t\txmatrix -root\t\t\t\t    \\n\\\n";
    expected.insert(expected.find(xmatrix) + xmatrix.size(), kFrostelLine);
    EXPECT_EQ(withoutChoice(first.text), expected);
    // The choice stays where it was in the file.
    EXPECT_NE(first.text.find("lock:\t\tTrue\nmode:\t\tone\nselected:\t5\ntextLiteral:"), std::string::npos)
        << first.text;

    const SettingsEdit second = chooseOneSaver(first.text, "", "frostel", kHack);
    EXPECT_EQ(second.outcome, SettingsEdit::Outcome::AlreadyChosen);
    EXPECT_EQ(second.index, 5);
}

// A line from the manual way, in any of the forms the daemon reads, is the one chosen: no second line.
TEST(XScreenSaverSettings, AFrostelLineAlreadyThereIsChosenAsItIs)
{
    const struct {
        const char *line;
        int index;
    } cases[] = {
        {"GL: frostel -root \\n\\\n", 1},
        {"- GL: \"Frostel\" /opt/x/frostel --root -music\\n\\\n", 1},
        {"\t\t\t\tfrostel\t\\n\\\n", 1},
    };
    for (const auto &c : cases) {
        const std::string file =
            "mode: random\nprograms: \\\n maze -root \\n\\\n" + std::string(c.line) + " xmatrix -root \\n\\\n\n";
        const SettingsEdit edit = chooseOneSaver(file, "", "frostel", kHack);
        ASSERT_EQ(edit.outcome, SettingsEdit::Outcome::Changed) << c.line << edit.message;
        EXPECT_FALSE(edit.added) << c.line;
        EXPECT_EQ(edit.index, c.index) << c.line;
        EXPECT_EQ(count(edit.text, "frostel"), 1u) << edit.text;
        EXPECT_EQ(edit.text, "mode:\t\tone\nselected:\t1\nprograms: \\\n maze -root \\n\\\n" + std::string(c.line) +
                                 " xmatrix -root \\n\\\n\n");
    }
    // "frostelx" or a folder named frostel is another program.
    const SettingsEdit other =
        chooseOneSaver("programs: frostelx -root \\n\\\n /frostel/maze \\n\\\n\n", "", "frostel", kHack);
    EXPECT_TRUE(other.added);
    EXPECT_EQ(other.index, 2);
}

// No settings file: the system's list with Frostel in it, chosen, the other settings left to the defaults.
TEST(XScreenSaverSettings, AFileWithoutAListGetsTheSystemsWithFrostelAdded)
{
    const std::string defaults = "! comment\n#error Do not run app-defaults files through xrdb!\n*mode:\t\trandom\n"
                                 "*programs:\t\t\t\\\n\t\tmaze --root\t\\n\\\n- GL:\t\tsonar --root\t\\n\\\n"
                                 "\t\txmatrix --root\t\\n\n\n*dialogTheme: default\n";
    const SettingsEdit made = chooseOneSaver(kMadeSettingsHeader, defaults, "frostel", kHack);
    ASSERT_EQ(made.outcome, SettingsEdit::Outcome::Changed) << made.message;
    // The system's last program has no line after it to continue to: Frostel goes before it.
    EXPECT_EQ(made.text, std::string(kMadeSettingsHeader) +
                             "mode:\t\tone\nselected:\t2\nprograms:\t\t\t\\\n\t\tmaze --root\t\\n\\\n"
                             "- GL:\t\tsonar --root\t\\n\\\n" +
                             kFrostelLine + "\t\txmatrix --root\t\\n\n\n");
    EXPECT_EQ(chooseOneSaver(made.text, defaults, "frostel", kHack).outcome, SettingsEdit::Outcome::AlreadyChosen);

    // A file of the user's own without a list: kept whole, the list after it; a line left continued at the end,
    // or no newline at the end, is closed first so that it swallows nothing.
    const struct {
        const char *own, *closing;
    } files[] = {{"timeout: 0:05:00\n", ""},
                 {"timeout: 0:05:00", "\n"},
                 {"textLiteral: a\\\n", "\n"},
                 {"textLiteral: a\\", "\n\n"}};
    for (const auto &f : files) {
        const SettingsEdit edit = chooseOneSaver(f.own, defaults, "frostel", kHack);
        ASSERT_EQ(edit.outcome, SettingsEdit::Outcome::Changed) << f.own;
        EXPECT_EQ(edit.text.substr(0, edit.text.find("mode:")), std::string(f.own) + f.closing) << edit.text;
    }
    // With no system list either, Frostel alone.
    const SettingsEdit alone = chooseOneSaver("", "", "frostel", kHack);
    EXPECT_EQ(alone.index, 0);
    EXPECT_EQ(count(alone.text, "frostel"), 1u);
}

TEST(XScreenSaverSettings, RefusesWhatTheDaemonWouldNotReadAsSettings)
{
    const struct {
        std::string file;
        const char *said;
    } cases[] = {
        {std::string("timeout: 0:05:00\nmode: one\0\n", 27), "NUL"},
        {"timeout: 0:05:00\nthis is no setting\n", "line 2 is neither"},
        {"timeout: 0:05:00\n: no name\n", "line 2 is neither"},
        {"programs: maze \\n\\\n\nmode: one\nprograms: qix \\n\\\n\n", "programs twice (lines 1 and 4)"},
        {"Mode: one\nmode: random\nprograms: maze \\n\\\n\n", "mode twice"},
        {"selected: 1\nselected: 2\nprograms: maze \\n\\\n\n", "selected twice"},
        // One line, or a list whose lines break inside a program: no place to add one.
        {"programs: maze -root\n", "no line ending in"},
        {"programs: maze \\\n -root \\\n\n", "no line ending in"},
    };
    for (const auto &c : cases) {
        const SettingsEdit edit = chooseOneSaver(c.file, "*programs: maze \\n\\\n\n", "frostel", kHack);
        EXPECT_EQ(edit.outcome, SettingsEdit::Outcome::Refused) << c.file;
        EXPECT_NE(edit.message.find(c.said), std::string::npos) << edit.message;
        EXPECT_TRUE(edit.text.empty());
    }
}
