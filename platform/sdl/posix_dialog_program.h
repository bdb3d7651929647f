// POSIX only: A message box shown by a desktop dialog program, for when SDL cannot show one itself.
// Knows nothing of SDL; the box's answer is the Win32 code.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace platform {

enum class DialogIcon { information, warning, error };

struct DialogCommand {
    std::string program;            // looked up on PATH
    std::vector<std::string> argv;  // argv[0] is the program
    std::string input;              // written to its standard input, then closed
};

// The programs to try, in order, for a box with this caption and text.
std::vector<DialogCommand> dialogCommands(const std::string &caption, const std::string &text, bool yesNo,
                                          DialogIcon icon);

// The Win32 answer a program's exit status stands for, or 0 when the program could not show
// the box (no display, bad arguments), so the next one is tried.
int dialogAnswer(const std::string &program, int exitStatus, bool yesNo);

// Whether DISPLAY or WAYLAND_DISPLAY names a display: without one no dialog can show on X or Wayland.
bool desktopDisplayNamed();

enum class BoxEnd { exited, failed, interrupted };

// Waits for the child process that shows a box, which leads its own process group. SIGINT or SIGTERM meanwhile
// ends the whole group, as a click on the box's close button would (BoxEnd::interrupted), and is then passed on
// to the handler that was there before (SDL's turns it into a quit request).
BoxEnd waitForBox(pid_t child, int &exitStatus);

// Whether a signal has ended a box: a program asked to end shows no further box and takes its closed answer.
bool boxesEndedBySignal();
// Forgets that one did, for a test that goes on in the same process.
void forgetBoxesEndedBySignal();

// Runs the first installed program that can show the box and waits for its answer; 0 when
// none could. Only tried where an X or Wayland display is named. A box ended by a signal answers as closed.
int showDialogProgram(const std::string &caption, const std::string &text, bool yesNo, DialogIcon icon);

}  // namespace platform
