// XScreenSaver's settings file (~/.xscreensaver) read as its daemon reads it, and edited to make one hack its only
// saver with every other line kept byte for byte. Text in, text out: no files, no daemon.
#pragma once

#include <string>

struct SettingsEdit {
    enum class Outcome { Changed, AlreadyChosen, Refused };
    Outcome outcome = Outcome::Refused;
    std::string text;     // the whole new file when Changed
    std::string message;  // why it was refused
    int index = -1;       // the hack's place in the programs list, from 0, as "selected:" counts it
    bool added = false;   // a programs line was added (rather than an existing one chosen)
};

// Makes `hackCommand` (a command and its arguments, as a programs line names it) the one saver of `settings`:
// "mode: one" and "selected:" its place, its programs line added at the end of the list unless a line already
// runs a program named `hackName` (with or without a folder). A file without a programs list gets the one of
// `defaults` (the system's app-defaults file, which may be empty when none is installed) with the hack added.
// A file that the daemon would not read as settings is refused, with the line that is wrong.
SettingsEdit chooseOneSaver(const std::string &settings, const std::string &defaults, const std::string &hackName,
                            const std::string &hackCommand);

// The start of a settings file made where there was none.
extern const char *const kMadeSettingsHeader;
