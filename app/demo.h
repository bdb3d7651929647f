// Process entry: clock and seed, the window, the music, the snowfall, the message-and-draw loop.
#pragma once

// Exit status: 0 after a normal run, 1 when the window could not be opened.
int runDemo();

// Drains messages before each frame; returns when WM_QUIT arrives, Escape is held
// when the queue is empty, or a frame reports failure.
void runMainLoop(bool (*drawFrame)());
