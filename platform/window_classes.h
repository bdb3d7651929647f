// The table of registered window classes: names, compared without regard to case as Windows does, and
// their window procedures. Portable: both Win32 layers keep their classes here.
#pragma once

#include "platform/win32.h"

#include <functional>
#include <string>
#include <vector>

namespace platform {

struct WindowClass {
    std::string name;
    WNDPROC procedure;
    ATOM atom;
};

class WindowClasses {
public:
    // The new class's atom; 0 for a missing procedure or name, or a name already registered.
    ATOM add(const WNDCLASSA *windowClass);

    // Null for a missing or unknown name.
    const WindowClass *find(LPCSTR name) const;

    // As on Windows, a class cannot go while one of its windows is still there: `inUse` says so.
    bool remove(LPCSTR name, const std::function<bool(ATOM)> &inUse);

private:
    std::vector<WindowClass> classes_;
    ATOM nextAtom_ = 0xC000;  // where Windows numbers registered classes from
};

}  // namespace platform
