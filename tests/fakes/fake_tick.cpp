// Pinned tick counter for unit tests: every reading is logged, values come from the test.
#include "tests/fakes/call_log.h"
#include "tests/fakes/fake_win32.h"

#include <deque>

namespace fakewin {
namespace {
DWORD now = 0;
std::deque<DWORD> ticks;
}  // namespace

void setTick(DWORD value)
{
    now = value;
    ticks.clear();
}

void queueTicks(std::vector<DWORD> values) { ticks.assign(values.begin(), values.end()); }

DWORD tickNow() { return now; }

}  // namespace fakewin

extern "C" DWORD WINAPI GetTickCount(void)
{
    DWORD value = fakewin::now;
    if (!fakewin::ticks.empty()) {
        value = fakewin::ticks.front();
        fakewin::ticks.pop_front();
    }
    fake::record("GetTickCount", {double(value)});
    return value;
}
