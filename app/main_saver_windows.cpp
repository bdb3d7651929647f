// Process entry of frostel.scr: Windows' screen-saver contract over the saver, and its settings box.
#include "app/saver.h"
#include "app/saver_args.h"
#include "app/saver_data_windows.h"
#include "app/saver_resources.h"
#include "platform/platform.h"

#include <cctype>

namespace {

const char *const settingsKey = "Software\\Frostel\\Screen Saver";
HWND previewParent = nullptr;
SaverDataPlace dataPlace = SaverDataPlace::None;

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
    case WM_INITDIALOG:
        CheckDlgButton(box, IDC_SAVER_MUSIC, musicWanted() ? BST_CHECKED : BST_UNCHECKED);
        if (dataPlace == SaverDataPlace::None) SetDlgItemTextW(box, IDC_SAVER_STATUS, saverDataMissingText);
        return TRUE;
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

// The preview without data: the black the saver would show, and why, in the little screen of the settings.
LRESULT CALLBACK missingDataProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(wnd, &paint);
        RECT area;
        GetClientRect(wnd, &area);
        FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        InflateRect(&area, -4, -4);
        SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetTextColor(dc, RGB(255, 255, 255));
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, saverDataMissingText, -1, &area, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
        EndPaint(wnd, &paint);
        return 0;
    }
    case WM_TIMER:
        // A host that dies without destroying its windows sends nothing: the preview ends with it all the same.
        if (!previewParentAlive()) PostQuitMessage(0);
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(wnd, message, wParam, lParam);
    }
}

int showMissingDataPreview(int width, int height)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = missingDataProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.lpszClassName = L"FrostelMissingData";
    if (!RegisterClassW(&windowClass)) return 1;
    HWND wnd = CreateWindowExW(0, windowClass.lpszClassName, L"Frostel", WS_CHILD | WS_VISIBLE, 0, 0, width, height,
                               previewParent, nullptr, windowClass.hInstance, nullptr);
    if (wnd == nullptr) return 1;
    SetTimer(wnd, 1, 500, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    if (IsWindow(wnd)) DestroyWindow(wnd);
    return 0;
}

// /i, which some tools send to install a saver: nothing is installed from here, so say how it is done.
bool asksToInstall(const char *arguments)
{
    while (*arguments == ' ' || *arguments == '\t') ++arguments;
    if ((arguments[0] != '/' && arguments[0] != '-') || std::tolower(static_cast<unsigned char>(arguments[1])) != 'i')
        return false;
    for (arguments += 2; *arguments == ' ' || *arguments == '\t';) ++arguments;
    return *arguments == '\0';
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    if (asksToInstall(commandLine)) {
        MessageBoxA(nullptr,
                    "Frostel screen saver: to keep it in the Screen Saver settings, run Frostel's setup program, or "
                    "copy frostel.scr into the Windows system folder; then choose Frostel there.",
                    "Frostel", MB_OK | MB_ICONINFORMATION);
        return 1;
    }
    const WindowsSaverCommand command = parseWindowsSaverCommand(commandLine);
    if (command.mode == WindowsSaverCommand::Mode::PasswordChange) return 0;
    dataPlace = enterSaverDataFolder();
    SaverRequest request;
    request.sceneData = dataPlace != SaverDataPlace::None;
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
        if (!request.sceneData) return showMissingDataPreview(request.width, request.height);
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
