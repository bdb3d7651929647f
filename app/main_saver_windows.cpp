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

// A number the settings box keeps per user; `found` and `isNumber` say what the registry held.
DWORD storedSetting(const char *name, bool &found, bool &isNumber)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    HKEY key = nullptr;
    found = isNumber = false;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return 0;
    const LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(&value), &size);
    RegCloseKey(key);
    found = status == ERROR_SUCCESS;
    isNumber = found && type == REG_DWORD && size == sizeof value;
    return isNumber ? value : 0;
}

// Off unless the user turned it on: a saver should not surprise an office.
bool musicWanted()
{
    bool found = false, isNumber = false;
    return storedSetting("Music", found, isNumber) != 0;
}

unsigned frameRateWanted()
{
    bool found = false, isNumber = false;
    const DWORD value = storedSetting("FrameRate", found, isNumber);
    return savedFrameRate(found, isNumber, value);
}

bool keepSettings(bool music, unsigned frameRate)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, settingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    const DWORD values[] = {music ? 1u : 0u, frameRate};
    const char *const names[] = {"Music", "FrameRate"};
    bool kept = true;
    for (int i = 0; i < 2; ++i) {
        kept = RegSetValueExA(key, names[i], 0, REG_DWORD, reinterpret_cast<const BYTE *>(&values[i]),
                              sizeof values[i]) == ERROR_SUCCESS &&
               kept;
    }
    RegCloseKey(key);
    return kept;
}

void fillFrameRates(HWND box)
{
    const unsigned wanted = frameRateWanted();
    for (const unsigned rate : saverFrameRates) {
        char text[40];
        wsprintfA(text, "%u frames a second", rate);
        const LRESULT at =
            SendDlgItemMessageA(box, IDC_SAVER_FRAME_RATE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendDlgItemMessageA(box, IDC_SAVER_FRAME_RATE, CB_SETITEMDATA, static_cast<WPARAM>(at), rate);
        if (rate == wanted) SendDlgItemMessageA(box, IDC_SAVER_FRAME_RATE, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    }
}

unsigned chosenFrameRate(HWND box)
{
    const LRESULT at = SendDlgItemMessageA(box, IDC_SAVER_FRAME_RATE, CB_GETCURSEL, 0, 0);
    if (at == CB_ERR) return defaultSaverFramesPerSecond;
    return static_cast<unsigned>(
        SendDlgItemMessageA(box, IDC_SAVER_FRAME_RATE, CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
}

INT_PTR CALLBACK settingsProc(HWND box, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        CheckDlgButton(box, IDC_SAVER_MUSIC, musicWanted() ? BST_CHECKED : BST_UNCHECKED);
        fillFrameRates(box);
        if (dataPlace == SaverDataPlace::None) SetDlgItemTextW(box, IDC_SAVER_STATUS, saverDataMissingText);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            if (!keepSettings(IsDlgButtonChecked(box, IDC_SAVER_MUSIC) == BST_CHECKED, chosenFrameRate(box))) {
                MessageBoxA(box, "The settings could not be kept.", "Frostel", MB_OK | MB_ICONEXCLAMATION);
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
    request.frameMicroseconds = 1000000 / frameRateWanted();
    switch (command.mode) {
    case WindowsSaverCommand::Mode::PasswordChange: return 0;
    case WindowsSaverCommand::Mode::Settings: return showSettings(reinterpret_cast<HWND>(command.window));
    case WindowsSaverCommand::Mode::Preview: {
        previewParent = reinterpret_cast<HWND>(command.window);
        RECT area;
        // The preview lives in a child window of the settings; the desktop, or a top-level window, would get a
        // saver that covers it and that nothing ends.
        if (!IsWindow(previewParent) || previewParent == GetDesktopWindow() ||
            (GetWindowLongW(previewParent, GWL_STYLE) & WS_CHILD) == 0 || !GetClientRect(previewParent, &area)) {
            return 1;
        }
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
