// Process entry of the windowed Windows program.
#include "app/demo.h"
#include "platform/platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return runDemo(); }
