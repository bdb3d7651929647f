// XScreenSaver's settings file read line by line as its daemon reads it, and the one-saver edit on it.
#include "xscreensaver_settings.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <strings.h>
#include <vector>

const char *const kMadeSettingsHeader =
    "# XScreenSaver settings, made by frostel-xscreensaver. Settings not named here\n"
    "# come from the system's defaults; xscreensaver-settings writes them all when it\n"
    "# saves.\n\n";

namespace {

// One setting or comment as the daemon sees it: physical lines joined where one ends in a backslash.
struct LogicalLine {
    size_t first = 0, last = 0;  // physical lines, inclusive
    std::string text;            // joined, escapes resolved
    bool setting = false;
    std::string key, value;  // stripped
};

struct Parsed {
    std::vector<std::string> lines;  // physical lines, each with its newline (the last may have none)
    std::vector<LogicalLine> logical;
    std::string error;
};

bool endsContinued(const std::string &line)
{
    return line.size() >= 2 && line.compare(line.size() - 2, 2, "\\\n") == 0;
}

// The daemon's escapes: \n, \r and \t, any other character taken as itself; a lone backslash at the end ends the
// text there.
std::string unescape(const std::string &raw)
{
    std::string out;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\') {
            out += raw[i];
            continue;
        }
        if (++i == raw.size()) break;
        const char c = raw[i];
        out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
    }
    return out;
}

std::string strip(const std::string &s)
{
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

Parsed parse(const std::string &text)
{
    Parsed p;
    if (text.find('\0') != std::string::npos) {
        p.error = "it holds a NUL byte, so it is not a text file";
        return p;
    }
    for (size_t at = 0; at < text.size();) {
        const size_t nl = text.find('\n', at);
        const size_t end = nl == std::string::npos ? text.size() : nl + 1;
        p.lines.push_back(text.substr(at, end - at));
        at = end;
    }
    for (size_t i = 0; i < p.lines.size();) {
        LogicalLine l;
        l.first = i;
        std::string raw;
        // As the daemon's reader: a backslash before the newline joins the next line, unless all it has read of
        // this setting is that backslash and newline.
        for (;;) {
            const std::string &line = p.lines[i];
            if (raw.size() + line.size() > 2 && endsContinued(line) && i + 1 < p.lines.size()) {
                raw += line.substr(0, line.size() - 2);
                ++i;
                continue;
            }
            raw += endsContinued(line) && raw.size() + line.size() > 2 ? line.substr(0, line.size() - 2) : line;
            break;
        }
        l.last = i++;
        l.text = unescape(raw);
        const std::string stripped = strip(l.text);
        if (!stripped.empty() && stripped[0] != '#' && stripped[0] != '!' && stripped[0] != ';') {
            const size_t colon = stripped.find(':');
            if (colon == std::string::npos || strip(stripped.substr(0, colon)).empty()) {
                if (p.error.empty())
                    p.error =
                        "line " + std::to_string(l.first + 1) + " is neither a setting (name: value) nor a comment";
            } else {
                l.setting = true;
                l.key = strip(stripped.substr(0, colon));
                l.value = strip(stripped.substr(colon + 1));
            }
        }
        p.logical.push_back(l);
    }
    return p;
}

// The programs named by a programs value: one a line, blank ones skipped, as the daemon counts them.
std::vector<std::string> programEntries(const std::string &value)
{
    std::vector<std::string> entries;
    size_t at = 0;
    for (;;) {
        const size_t nl = value.find('\n', at);
        const std::string entry = strip(value.substr(at, nl == std::string::npos ? std::string::npos : nl - at));
        if (!entry.empty()) entries.push_back(entry);
        if (nl == std::string::npos) break;
        at = nl + 1;
    }
    return entries;
}

// The program an entry runs, its folder left off: after an optional "-" (disabled), a "visual:" and a "name".
std::string programName(const std::string &entry)
{
    size_t i = 0;
    auto skipSpace = [&] {
        while (i < entry.size() && std::isspace(static_cast<unsigned char>(entry[i]))) ++i;
    };
    skipSpace();
    if (i < entry.size() && entry[i] == '-') ++i;
    skipSpace();
    size_t word = i;
    while (word < entry.size() && entry[word] != ':' && entry[word] != '"' &&
           !std::isspace(static_cast<unsigned char>(entry[word])))
        ++word;
    if (word < entry.size() && entry[word] == ':') {
        i = word + 1;
        skipSpace();
    }
    if (i < entry.size() && entry[i] == '"') {
        const size_t close = entry.find('"', i + 1);
        i = close == std::string::npos ? entry.size() : close + 1;
        skipSpace();
    }
    size_t end = i;
    while (end < entry.size() && !std::isspace(static_cast<unsigned char>(entry[end]))) ++end;
    const std::string program = entry.substr(i, end - i);
    const size_t slash = program.rfind('/');
    return slash == std::string::npos ? program : program.substr(slash + 1);
}

// Where a new programs line can go: after the last physical line of the list that ends in a backslash with the
// list so far ending between two programs. Returns the physical line to insert after, and how many programs come
// before it; -1 when the list has no such place.
int insertionPoint(const Parsed &p, const LogicalLine &programs, int &before)
{
    std::string raw;
    int found = -1;
    for (size_t i = programs.first; i < programs.last; ++i) {
        raw += p.lines[i].substr(0, p.lines[i].size() - 2);
        size_t backslashes = 0;
        while (backslashes < raw.size() && raw[raw.size() - 1 - backslashes] == '\\') ++backslashes;
        if (backslashes % 2) continue;  // the next line's first character is escaped
        const std::string text = unescape(raw);
        std::string value = text.substr(text.find(':') + 1);
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
        if (strip(value).empty() || value.back() == '\n') {
            found = int(i);
            before = int(programEntries(value).size());
        }
    }
    return found;
}

std::string settingsKey(const std::string &key)
{
    // The app-defaults name it with a class or a wildcard before it.
    const size_t cut = key.find_last_of("*.");
    return cut == std::string::npos ? key : key.substr(cut + 1);
}

const LogicalLine *findSetting(const Parsed &p, const char *key, std::string &error)
{
    const LogicalLine *found = nullptr;
    for (const LogicalLine &l : p.logical) {
        if (!l.setting || strcasecmp(l.key.c_str(), key) != 0) continue;
        if (found) {
            error = "it sets " + std::string(key) + " twice (lines " + std::to_string(found->first + 1) + " and " +
                    std::to_string(l.first + 1) + "), and which one counts is not clear";
            return nullptr;
        }
        found = &l;
    }
    return found;
}

SettingsEdit refused(const std::string &why)
{
    SettingsEdit edit;
    edit.message = why;
    return edit;
}

}  // namespace

SettingsEdit chooseOneSaver(const std::string &settings, const std::string &defaults, const std::string &hackName,
                            const std::string &hackCommand)
{
    Parsed p = parse(settings);
    if (!p.error.empty()) return refused(p.error);
    std::string error;
    const LogicalLine *programs = findSetting(p, "programs", error);
    const LogicalLine *mode = findSetting(p, "mode", error);
    const LogicalLine *selected = findSetting(p, "selected", error);
    if (!error.empty()) return refused(error);

    const std::string newLine = "GL: \t\t\t\t" + hackCommand + "\t\t\t\t    \\n\\\n";
    SettingsEdit edit;
    std::map<size_t, std::string> after;  // text to insert after a physical line
    std::string programsBlock;            // a list of its own, from the defaults, when the file has none
    if (programs) {
        const std::vector<std::string> entries = programEntries(programs->value);
        for (size_t i = 0; i < entries.size() && edit.index < 0; ++i)
            if (programName(entries[i]) == hackName) edit.index = int(i);
        if (edit.index < 0) {
            const int at = insertionPoint(p, *programs, edit.index);
            if (at < 0)
                return refused("its programs list (line " + std::to_string(programs->first + 1) +
                               ") has no line ending in \"\\n\\\" after which another program could go");
            after[size_t(at)] = newLine;
            edit.added = true;
        }
    } else {
        // The system's list, under the name the settings file gives it.
        Parsed system = parse(defaults);
        const LogicalLine *list = nullptr;
        for (const LogicalLine &l : system.logical)
            if (l.setting && settingsKey(l.key) == "programs") list = &l;
        if (list) {
            const std::string &first = system.lines[list->first];
            programsBlock = "programs:" + first.substr(first.find(':') + 1);
            for (size_t i = list->first + 1; i <= list->last; ++i) programsBlock += system.lines[i];
            if (programsBlock.back() != '\n') programsBlock += '\n';
        } else {
            programsBlock = "programs:\t\t\t\t\t\t\t\t      \\\n";
        }
        programsBlock += "\n";
        Parsed block = parse(programsBlock);
        int at = -1;
        if (!block.logical.empty() && block.logical[0].setting)
            at = insertionPoint(block, block.logical[0], edit.index);
        if (at < 0) return refused("the system's programs list has no place for another program");
        std::string withHack;
        for (size_t i = 0; i < block.lines.size(); ++i) withHack += block.lines[i] + (int(i) == at ? newLine : "");
        programsBlock = withHack;
        edit.added = true;
    }

    const std::string modeLine = "mode:\t\tone\n";
    const std::string selectedLine = "selected:\t" + std::to_string(edit.index) + "\n";
    const bool modeIsOne = mode && strcasecmp(mode->value.c_str(), "one") == 0;
    char *end = nullptr;
    const bool selectedIsIt = selected && !selected->value.empty() &&
                              std::strtol(selected->value.c_str(), &end, 10) == edit.index && *end == '\0';
    if (!edit.added && modeIsOne && selectedIsIt) {
        edit.outcome = SettingsEdit::Outcome::AlreadyChosen;
        return edit;
    }

    // Each physical line is kept, replaced or dropped; the missing settings go before the list, or at the end.
    std::map<size_t, std::string> replaced;
    std::vector<bool> dropped(p.lines.size(), false);
    auto replace = [&](const LogicalLine &l, const std::string &with) {
        replaced[l.first] = with;
        for (size_t i = l.first + 1; i <= l.last; ++i) dropped[i] = true;
    };
    std::string missing;
    if (mode && !modeIsOne)
        replace(*mode, modeLine);
    else if (!mode)
        missing += modeLine;
    if (selected && !selectedIsIt)
        replace(*selected, selectedLine);
    else if (!selected)
        missing += selectedLine;

    std::string out;
    for (size_t i = 0; i < p.lines.size(); ++i) {
        if (programs && i == programs->first) out += missing;
        if (dropped[i]) continue;
        const auto r = replaced.find(i);
        out += r != replaced.end() ? r->second : p.lines[i];
        const auto a = after.find(i);
        if (a != after.end()) out += a->second;
    }
    if (!programs) {
        // A line continued to the end of the file would swallow what follows it: a blank line ends it.
        if (!out.empty() && out.back() != '\n') out += '\n';
        if (endsContinued(out)) out += '\n';
        out += missing + programsBlock;
    }
    edit.outcome = SettingsEdit::Outcome::Changed;
    edit.text = out;
    return edit;
}
