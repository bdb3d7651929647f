// A stand-in for the Screen Saver settings in the Wine tests, built with MinGW: it hosts frostel.scr /p and then
// ends as the test asks.
//   preview_host SCR dies      the preview in a child window of the host's; after 8 s of frames the host ends
//                              without destroying its windows, as a host that is killed or crashes does
//   preview_host SCR desktop   /p with the desktop's handle; the host ends with the saver's exit status
//   preview_host SCR toplevel  /p with the host's own top-level window; likewise
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

void pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 3) return 2;
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "FrostelPreviewHost";
    RegisterClassA(&windowClass);
    const HWND top = CreateWindowExA(0, windowClass.lpszClassName, "Preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                     0, 400, 300, nullptr, nullptr, instance, nullptr);
    const HWND monitor =
        CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 20, 20, 320, 200, top, nullptr, instance, nullptr);
    const bool dies = std::strcmp(argv[2], "dies") == 0;
    const HWND target = std::strcmp(argv[2], "desktop") == 0    ? GetDesktopWindow()
                        : std::strcmp(argv[2], "toplevel") == 0 ? top
                                                                : monitor;
    char command[2048];
    std::snprintf(command, sizeof command, "\"%s\" /p %llu", argv[1],
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(target)));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) return 3;

    // The preview's window sends its parent messages: the host answers them while it waits, as the settings do.
    const DWORD deadline = GetTickCount() + (dies ? 8000 : 30000);
    while (static_cast<LONG>(deadline - GetTickCount()) > 0) {
        const DWORD left = deadline - GetTickCount();
        if (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, left, QS_ALLINPUT) == WAIT_OBJECT_0 && !dies) break;
        pump();
    }
    if (dies) ExitProcess(0);
    DWORD status = 0;
    if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 9);
        std::printf("the saver did not end\n");
        return 4;
    }
    GetExitCodeProcess(process.hProcess, &status);
    std::printf("the saver ended with %lu\n", static_cast<unsigned long>(status));
    return static_cast<int>(status);
}
