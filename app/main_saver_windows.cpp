// Process entry of frostel.scr: Windows' screen-saver contract over the saver, and its settings box.
#include "app/saver.h"
#include "app/saver_args.h"
#include "app/saver_resources.h"
#include "platform/platform.h"

#include <cstring>

namespace {

const char *const settingsKey = "Software\\Frostel\\Screen Saver";
HWND previewParent = nullptr;

// Windows starts savers from its system folder: the data is looked for beside the .scr itself.
void enterProgramFolder()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return;
    char *slash = std::strrchr(path, '\\');
    if (slash == nullptr) return;
    *slash = '\0';
    SetCurrentDirectoryA(path);
}

// Off unless the user turned it on: a saver should not surprise an office.
bool musicWanted()
{
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    const LONG status = RegQueryValueExA(key, "Music", nullptr, &type, reinterpret_cast<BYTE *>(&value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_DWORD && value != 0;
}

bool keepMusicSetting(bool music)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, settingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    const DWORD value = music ? 1 : 0;
    const LONG status =
        RegSetValueExA(key, "Music", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof value);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

INT_PTR CALLBACK settingsProc(HWND box, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: CheckDlgButton(box, IDC_SAVER_MUSIC, musicWanted() ? BST_CHECKED : BST_UNCHECKED); return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            if (!keepMusicSetting(IsDlgButtonChecked(box, IDC_SAVER_MUSIC) == BST_CHECKED)) {
                MessageBoxA(box, "The setting could not be kept.", "Frostel", MB_OK | MB_ICONEXCLAMATION);
            }
            EndDialog(box, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(box, IDCANCEL);
            return TRUE;
        }
        break;
    default: break;
    }
    return FALSE;
}

int showSettings(HWND owner)
{
    // A stale handle is no owner: the box stands on its own.
    if (owner != nullptr && !IsWindow(owner)) owner = nullptr;
    const INT_PTR answer =
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SAVER_SETTINGS), owner, settingsProc, 0);
    return answer == -1 ? 1 : 0;
}

bool previewParentAlive() { return IsWindow(previewParent) != FALSE; }

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    enterProgramFolder();
    const WindowsSaverCommand command = parseWindowsSaverCommand(commandLine);
    SaverRequest request;
    switch (command.mode) {
    case WindowsSaverCommand::Mode::PasswordChange: return 0;
    case WindowsSaverCommand::Mode::Settings: return showSettings(reinterpret_cast<HWND>(command.window));
    case WindowsSaverCommand::Mode::Preview: {
        previewParent = reinterpret_cast<HWND>(command.window);
        RECT area;
        if (!IsWindow(previewParent) || !GetClientRect(previewParent, &area)) return 1;
        request.style = WS_CHILD | WS_VISIBLE;
        request.parent = previewParent;
        request.width = area.right - area.left;
        request.height = area.bottom - area.top;
        request.stillWanted = previewParentAlive;
        return runSaver(request);
    }
    case WindowsSaverCommand::Mode::FullScreen:
        // One window over every monitor, black but for the square on the primary one (at 0, 0 on the desktop).
        request.style = WS_POPUP | WS_VISIBLE;
        request.exStyle = WS_EX_TOPMOST;
        request.x = GetSystemMetrics(SM_XVIRTUALSCREEN);
        request.y = GetSystemMetrics(SM_YVIRTUALSCREEN);
        request.width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
        request.height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
        request.areaX = -request.x;
        request.areaY = -request.y;
        request.areaWidth = GetSystemMetrics(SM_CXSCREEN);
        request.areaHeight = GetSystemMetrics(SM_CYSCREEN);
        request.endOnInput = true;
        request.music = musicWanted();
        ShowCursor(FALSE);
        return runSaver(request);
    case WindowsSaverCommand::Mode::Invalid: break;
    }
    MessageBoxA(nullptr,
                "Frostel screen saver: unknown arguments.\n"
                "Use /s (run), /p HWND (preview), /c[:HWND] (settings) or /a.",
                "Frostel", MB_OK | MB_ICONEXCLAMATION);
    return 1;
}
