// The one door to the platform: Win32, OpenGL 1.1 and GLU under their real names.
// On Windows these are the system headers; elsewhere our declared Win32 subset, whose
// implementation (the SDL2 layer, the browser layer or a test fake) is chosen when the
// executable is linked. It sits below the system: the code above includes it, it includes
// nothing of theirs.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <mmsystem.h>
#else
#include "platform/win32.h"
#endif

#include <GL/gl.h>
#include <GL/glu.h>
