// The recording window procedure and the helpers that feed SDL events to the layer.
#include "recording_window.h"

std::vector<ProcedureCall> recordedCalls;
ProcedureBehaviour procedureBehaviour;
CREATESTRUCTA lastCreation;
std::string lastCreationName;
std::string lastCreationClass;

LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    recordedCalls.push_back(ProcedureCall{window, message, wParam, lParam});
    switch (message) {
    case WM_NCCREATE:
        if (procedureBehaviour.refuseNcCreate) return FALSE;
        break;
    case WM_CREATE: {
        lastCreation = *reinterpret_cast<const CREATESTRUCTA *>(lParam);
        lastCreationName = lastCreation.lpszName != nullptr ? lastCreation.lpszName : "";
        lastCreationClass = lastCreation.lpszClass != nullptr ? lastCreation.lpszClass : "";
        return procedureBehaviour.failCreate ? -1 : 0;
    }
    case WM_CLOSE:
        if (!procedureBehaviour.closeByDefault) return 0;
        break;
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

std::vector<UINT> recordedMessages()
{
    std::vector<UINT> messages;
    for (const ProcedureCall &call : recordedCalls) {
        messages.push_back(call.message);
    }
    return messages;
}

std::vector<MSG> drainMessages()
{
    std::vector<MSG> messages;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        messages.push_back(message);
    }
    return messages;
}

void pushKey(Uint32 type, SDL_Keycode key, SDL_Scancode scancode, Uint16 modifiers, Uint8 repeat, Uint32 windowId)
{
    SDL_Event event{};
    event.key.type = type;
    event.key.windowID = windowId;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = scancode;
    event.key.keysym.mod = modifiers;
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

void pushWindowEvent(SDL_WindowEventID windowEvent, Uint32 windowId, Sint32 data1, Sint32 data2)
{
    SDL_Event event{};
    event.window.type = SDL_WINDOWEVENT;
    event.window.windowID = windowId;
    event.window.event = static_cast<Uint8>(windowEvent);
    event.window.data1 = data1;
    event.window.data2 = data2;
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

Uint32 sdlIdOf(HWND window)
{
    SDL_Window *sdlWindow = platform::sdlWindowOf(window);
    return sdlWindow == nullptr ? 0 : SDL_GetWindowID(sdlWindow);
}

void RecordingWindowTest::SetUp()
{
    procedureBehaviour = ProcedureBehaviour{};
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = recordingProcedure;
    windowClass.lpszClassName = className;
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    window = createWindow("Recording");
    ASSERT_NE(window, nullptr);
    drainMessages();
    recordedCalls.clear();
}

void RecordingWindowTest::TearDown()
{
    // Leaves no window, class, message or quit flag behind for the next test.
    procedureBehaviour = ProcedureBehaviour{};
    if (window != nullptr) {
        DestroyWindow(window);
    }
    UnregisterClassA(className, GetModuleHandleA(nullptr));
    drainMessages();
    recordedCalls.clear();
}

HWND RecordingWindowTest::createWindow(const char *title, DWORD style, int width, int height)
{
    return CreateWindowExA(WS_EX_APPWINDOW, className, title, style, 10, 20, width, height, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}
