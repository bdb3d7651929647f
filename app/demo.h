// Process entry of the demo: the scene in its own window, with the music, until Escape or a close.
#pragma once

// Exit status: 0 after a normal run, 1 when the window could not be opened.
int runDemo();
