// Process entry of the windowed Windows program.
#include "app/demo.h"
#include "app/platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return runDemo(); }
