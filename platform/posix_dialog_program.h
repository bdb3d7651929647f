// POSIX only: A message box shown by a desktop dialog program, for when SDL cannot show one itself.
// Knows nothing of SDL; the box's answer is the Win32 code.
#pragma once

#include <string>
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

// Runs the first installed program that can show the box and waits for its answer; 0 when
// none could. Only tried where an X or Wayland display is named.
int showDialogProgram(const std::string &caption, const std::string &text, bool yesNo, DialogIcon icon);

}  // namespace platform
