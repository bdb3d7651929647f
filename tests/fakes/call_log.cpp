// The shared call log of the fakes.
#include "tests/fakes/call_log.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace fake {

std::vector<Call> &log()
{
    static std::vector<Call> calls;
    return calls;
}

void record(const char *name, std::vector<double> args, std::string text)
{
    log().push_back(Call{name, std::move(args), std::move(text)});
}

std::string number(double value, bool asFloat)
{
    char buf[64];
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        std::snprintf(buf, sizeof buf, "%.0f", value);
        return buf;
    }
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, value);
        const double back = std::strtod(buf, nullptr);
        if (asFloat ? static_cast<float>(back) == static_cast<float>(value) : back == value) break;
    }
    return buf;
}

std::string Call::str() const
{
    std::string out = name + "(";
    for (size_t i = 0; i < args.size(); ++i) {
        if (i) out += ", ";
        out += number(args[i], true);
    }
    if (!text.empty()) out += (args.empty() ? "" : ", ") + text;
    return out + ")";
}

std::vector<std::string> logText(size_t from)
{
    std::vector<std::string> out;
    for (size_t i = from; i < log().size(); ++i) out.push_back(log()[i].str());
    return out;
}

std::vector<std::string> logText(const std::vector<std::string> &names, size_t from)
{
    std::vector<std::string> out;
    for (size_t i = from; i < log().size(); ++i)
        if (std::find(names.begin(), names.end(), log()[i].name) != names.end()) out.push_back(log()[i].str());
    return out;
}

size_t count(const std::string &name)
{
    return static_cast<size_t>(
        std::count_if(log().begin(), log().end(), [&](const Call &c) { return c.name == name; }));
}

}  // namespace fake
