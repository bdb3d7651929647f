// Registering, finding and removing window classes by name.
#include "platform/window_classes.h"

#include <algorithm>
#include <cctype>

namespace platform {

namespace {

bool sameClassName(const std::string &a, const char *b)
{
    size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

}  // namespace

ATOM WindowClasses::add(const WNDCLASSA *windowClass)
{
    if (windowClass == nullptr || windowClass->lpfnWndProc == nullptr || windowClass->lpszClassName == nullptr ||
        windowClass->lpszClassName[0] == '\0' || find(windowClass->lpszClassName) != nullptr) {
        return 0;
    }
    const ATOM atom = nextAtom_++;
    classes_.push_back(WindowClass{windowClass->lpszClassName, windowClass->lpfnWndProc, atom});
    return atom;
}

const WindowClass *WindowClasses::find(LPCSTR name) const
{
    if (name == nullptr) return nullptr;
    auto it = std::find_if(classes_.begin(), classes_.end(),
                           [name](const WindowClass &c) { return sameClassName(c.name, name); });
    return it == classes_.end() ? nullptr : &*it;
}

bool WindowClasses::remove(LPCSTR name, const std::function<bool(ATOM)> &inUse)
{
    const WindowClass *found = find(name);
    if (found == nullptr || inUse(found->atom)) return false;
    classes_.erase(classes_.begin() + (found - classes_.data()));
    return true;
}

}  // namespace platform
