// One ordered log shared by the GL, GLU and Win32 fakes, so tests see every call in sequence.
#pragma once

#include <string>
#include <vector>

namespace fake {

struct Call {
    std::string name;
    std::vector<double> args;  // numbers as passed; pointers to arrays are expanded
    std::string text;          // extra text arguments (strings), joined by '|'

    // "name(a, b, c)" with each number in its shortest exact form.
    std::string str() const;
};

std::vector<Call> &log();
void record(const char *name, std::vector<double> args, std::string text = {});

// Every call as str(), starting at index `from`.
std::vector<std::string> logText(size_t from = 0);
// Only the calls whose name is in `names`.
std::vector<std::string> logText(const std::vector<std::string> &names, size_t from = 0);
size_t count(const std::string &name);

// Shortest decimal text that reads back as the same value (as a float when `asFloat`).
std::string number(double value, bool asFloat);

}  // namespace fake
