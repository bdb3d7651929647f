// SDL layer only: Message boxes: always written to standard error, and shown by SDL when a display is there,
// or else by a desktop dialog program. With no display a box cannot be answered, so the
// default answer is given at once.
#include "platform/sdl/posix_dialog_program.h"
#include "platform/sdl/sdl_layer.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

const UINT buttonMask = 0x0000000F;
const UINT iconMask = 0x000000F0;

bool asksYesOrNo(UINT type) { return (type & buttonMask) == MB_YESNO; }

Uint32 sdlIcon(UINT type)
{
    switch (type & iconMask) {
    case MB_ICONERROR: return SDL_MESSAGEBOX_ERROR;
    case MB_ICONEXCLAMATION: return SDL_MESSAGEBOX_WARNING;
    default: return SDL_MESSAGEBOX_INFORMATION;
    }
}

// Off macOS, SDL's boxes need X or Wayland; asking it with neither only adds its helpers'
// complaints about the missing display to the user's terminal.
bool sdlCanShowBoxes()
{
#ifdef __APPLE__
    return true;
#else
    return platform::desktopDisplayNamed();
#endif
}

// Whoever asked SDL for a driver that draws nowhere wants no windows, dialogs included.
bool drawsNowhereByRequest()
{
    return platform::namedInVideoDriverSetting("offscreen") || platform::namedInVideoDriverSetting("dummy");
}

platform::DialogIcon dialogIcon(UINT type)
{
    switch (type & iconMask) {
    case MB_ICONERROR: return platform::DialogIcon::error;
    case MB_ICONEXCLAMATION: return platform::DialogIcon::warning;
    default: return platform::DialogIcon::information;
    }
}

// SDL's box waits for its own child process and ignores signals meanwhile; shown from a child process of
// ours, in a group of its own, a signal can end it. False when SDL could not show the box.
bool showSdlBox(const SDL_MessageBoxData &box, int closedAnswer, int &answer)
{
    int reply[2];
    if (pipe(reply) != 0) return false;
    fcntl(reply[0], F_SETFD, FD_CLOEXEC);
    const pid_t child = fork();
    if (child < 0) {
        close(reply[0]);
        close(reply[1]);
        return false;
    }
    if (child == 0) {
        setpgid(0, 0);
        int button = -1;
        const int shown = SDL_ShowMessageBox(&box, &button) == 0 ? (button >= 0 ? button : closedAnswer) : 0;
        const ssize_t wrote = write(reply[1], &shown, sizeof shown);
        _exit(wrote == sizeof shown ? 0 : 1);
    }
    setpgid(child, child);
    close(reply[1]);
    int status = 0;
    const platform::BoxEnd end = platform::waitForBox(child, status);
    int shown = 0;
    const bool replied = end == platform::BoxEnd::exited && read(reply[0], &shown, sizeof shown) == sizeof shown;
    close(reply[0]);
    if (end == platform::BoxEnd::interrupted) {
        answer = closedAnswer;
        return true;
    }
    answer = shown;
    return replied && shown != 0;
}

}  // namespace

extern "C" {

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    // Windows' caption when none is given.
    const char *caption = lpCaption != nullptr ? lpCaption : "Error";
    const char *text = lpText != nullptr ? lpText : "";
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);

    const bool yesNo = asksYesOrNo(uType);
    const int closedAnswer = yesNo ? IDNO : IDOK;
    const SDL_MessageBoxButtonData yesNoButtons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"},
    };
    const SDL_MessageBoxButtonData okButton[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK, "OK"},
    };
    SDL_MessageBoxData box{};
    box.flags = sdlIcon(uType);
    box.window = platform::sdlWindowOf(hWnd);
    box.title = caption;
    box.message = text;
    box.numbuttons = yesNo ? 2 : 1;
    box.buttons = yesNo ? yesNoButtons : okButton;

    // SDL tries every message-box system it has. Where they all fail (on an X server with
    // few fonts, say) a user who started us from a menu would see nothing, so a dialog
    // program is tried; with no display at all the caller gets the answer of a closed box.
    // A program asked to end by a signal does not stop again at the next box.
    // Drawing into another program's window (a daemon's, over the whole screen), a box would wait unseen under it:
    // standard error has said it all.
    if (platform::boxesEndedBySignal() || platform::foreignWindowAdopted()) return closedAnswer;
    int answer = 0;
    if (sdlCanShowBoxes() && showSdlBox(box, closedAnswer, answer)) return answer;
    if (!drawsNowhereByRequest()) {
        answer = platform::showDialogProgram(caption, text, yesNo, dialogIcon(uType));
        if (answer != 0) return answer;
    }
    return closedAnswer;
}

}  // extern "C"
