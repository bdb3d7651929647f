// A window class whose procedure records every call, and a fixture with one such window.
#pragma once

#include "platform/sdl/sdl_layer.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct ProcedureCall {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// What the recording procedure answers; reset before every test.
struct ProcedureBehaviour {
    bool refuseNcCreate = false;
    bool failCreate = false;
    bool closeByDefault = false;  // WM_CLOSE to DefWindowProcA, which destroys the window
};

extern std::vector<ProcedureCall> recordedCalls;
extern ProcedureBehaviour procedureBehaviour;
// Copied out of the CREATESTRUCTA of the last WM_CREATE.
extern CREATESTRUCTA lastCreation;
extern std::string lastCreationName;
extern std::string lastCreationClass;

LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

std::vector<UINT> recordedMessages();
std::vector<MSG> drainMessages();
void pushKey(Uint32 type, SDL_Keycode key, SDL_Scancode scancode, Uint16 modifiers, Uint8 repeat, Uint32 windowId);
void pushWindowEvent(SDL_WindowEventID event, Uint32 windowId, Sint32 data1 = 0, Sint32 data2 = 0);
Uint32 sdlIdOf(HWND window);

class RecordingWindowTest : public ::testing::Test {
protected:
    static constexpr const char *className = "FrostelRecording";

    void SetUp() override;
    void TearDown() override;
    HWND createWindow(const char *title, DWORD style = WS_CLIPSIBLINGS | WS_CLIPCHILDREN, int width = 320,
                      int height = 240);

    HWND window = nullptr;
};
