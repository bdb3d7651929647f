// Where each benchmark program leaves its figures for scripts/bench: one "key<TAB>value" line per figure.
#pragma once

#include <string>

// Takes "--results=PATH" out of the arguments and returns PATH, or "" when it is not there.
std::string takeResultsPath(int &argc, char **argv);

// Appends one figure; does nothing when `path` is empty.
void writeResult(const std::string &path, const std::string &key, double value);
