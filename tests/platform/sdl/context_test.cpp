// Device contexts, pixel formats, GL contexts on a real (offscreen) framebuffer, and full screen.
#include "recording_window.h"

#include <GL/gl.h>

namespace {

// The descriptor the system passes: double-buffered RGBA for OpenGL, 32 colour bits, 16 depth.
PIXELFORMATDESCRIPTOR systemDescriptor()
{
    PIXELFORMATDESCRIPTOR descriptor{};
    descriptor.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    descriptor.nVersion = 1;
    descriptor.dwFlags = 0x25;
    descriptor.iPixelType = PFD_TYPE_RGBA;
    descriptor.cColorBits = 32;
    descriptor.cDepthBits = 16;
    descriptor.iLayerType = PFD_MAIN_PLANE;
    return descriptor;
}

using Context = RecordingWindowTest;

}  // namespace

TEST(PixelFormatAttributes, TheSystemsDescriptorAsksFor888ColourAndDepth16)
{
    const platform::GlPixelAttributes attributes = platform::attributesFromDescriptor(systemDescriptor());
    EXPECT_EQ(attributes.redBits, 8);
    EXPECT_EQ(attributes.greenBits, 8);
    EXPECT_EQ(attributes.blueBits, 8);
    EXPECT_EQ(attributes.alphaBits, 0);
    EXPECT_EQ(attributes.depthBits, 16);
    EXPECT_EQ(attributes.stencilBits, 0);
    EXPECT_TRUE(attributes.doubleBuffer);
    EXPECT_FALSE(attributes.stereo);
    EXPECT_EQ(attributes, platform::GlPixelAttributes{}) << "windows are created for this descriptor";

    PIXELFORMATDESCRIPTOR sixteen = systemDescriptor();
    sixteen.cColorBits = 16;
    sixteen.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    const platform::GlPixelAttributes small = platform::attributesFromDescriptor(sixteen);
    EXPECT_EQ(small.redBits, 5);
    EXPECT_EQ(small.greenBits, 6);
    EXPECT_EQ(small.blueBits, 5);
    EXPECT_FALSE(small.doubleBuffer);
}

TEST_F(Context, DeviceContextIsTheWindowsOwn)
{
    const HDC dc = GetDC(window);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetDC(window), dc);
    EXPECT_EQ(ReleaseDC(window, dc), 1);
    EXPECT_EQ(GetDC(window), dc) << "a private device context outlives its release";
    const HWND second = createWindow("second");
    ASSERT_NE(second, nullptr);
    EXPECT_NE(GetDC(second), dc);
    EXPECT_EQ(ReleaseDC(second, dc), 0);
    EXPECT_EQ(ReleaseDC(window, nullptr), 0);
    EXPECT_EQ(ReleaseDC(nullptr, dc), 0);
    EXPECT_EQ(GetDC(nullptr), nullptr);
    EXPECT_TRUE(DestroyWindow(second));
}

TEST_F(Context, ChoosingAcceptsOnlyWindowedRgbaForOpenGl)
{
    const HDC dc = GetDC(window);
    PIXELFORMATDESCRIPTOR descriptor = systemDescriptor();
    EXPECT_EQ(ChoosePixelFormat(dc, &descriptor), 1);
    EXPECT_EQ(ChoosePixelFormat(nullptr, &descriptor), 0);
    EXPECT_EQ(ChoosePixelFormat(dc, nullptr), 0);
    descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_DOUBLEBUFFER;
    EXPECT_EQ(ChoosePixelFormat(dc, &descriptor), 0);
    descriptor.dwFlags = PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    EXPECT_EQ(ChoosePixelFormat(dc, &descriptor), 0);
    descriptor = systemDescriptor();
    descriptor.iPixelType = 1;  // colour-index
    EXPECT_EQ(ChoosePixelFormat(dc, &descriptor), 0);
}

TEST_F(Context, FormatIsSetOnceOnAKnownDeviceContext)
{
    const HDC dc = GetDC(window);
    const PIXELFORMATDESCRIPTOR descriptor = systemDescriptor();
    EXPECT_FALSE(SetPixelFormat(nullptr, 1, &descriptor));
    EXPECT_FALSE(SetPixelFormat(dc, 2, &descriptor));
    EXPECT_FALSE(SetPixelFormat(dc, 0, &descriptor));
    const Uint32 idBefore = sdlIdOf(window);
    EXPECT_TRUE(SetPixelFormat(dc, 1, &descriptor));
    EXPECT_EQ(sdlIdOf(window), idBefore) << "the window was created for this format already";
    EXPECT_TRUE(SetPixelFormat(dc, 1, &descriptor));
    PIXELFORMATDESCRIPTOR deeper = descriptor;
    deeper.cDepthBits = 24;
    EXPECT_FALSE(SetPixelFormat(dc, 1, &deeper)) << "a format cannot change once set";
}

TEST_F(Context, ContextNeedsAFormatAndRendersWith8BitChannels)
{
    const HDC dc = GetDC(window);
    EXPECT_EQ(wglCreateContext(dc), nullptr) << "no pixel format yet";
    const PIXELFORMATDESCRIPTOR descriptor = systemDescriptor();
    ASSERT_TRUE(SetPixelFormat(dc, ChoosePixelFormat(dc, &descriptor), &descriptor));
    const HGLRC context = wglCreateContext(dc);
    ASSERT_NE(context, nullptr) << SDL_GetError();
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr) << "creating does not make current";
    EXPECT_EQ(wglCreateContext(nullptr), nullptr);

    ASSERT_TRUE(wglMakeCurrent(dc, context));
    GLint red = 0;
    GLint depth = 0;
    glGetIntegerv(GL_RED_BITS, &red);
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    EXPECT_GE(red, 8);
    EXPECT_GE(depth, 16);
    // 0.2, 0.4 and 0.6 of 255 are exact only with 8 bits a channel.
    glViewport(0, 0, 320, 240);
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    GLubyte pixel[4] = {};
    glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0], 51);
    EXPECT_EQ(pixel[1], 102);
    EXPECT_EQ(pixel[2], 153);
    EXPECT_TRUE(SwapBuffers(dc));
    EXPECT_FALSE(SwapBuffers(nullptr));

    EXPECT_FALSE(wglMakeCurrent(nullptr, context));
    EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    ASSERT_TRUE(wglMakeCurrent(dc, context));
    EXPECT_TRUE(wglDeleteContext(context));
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr) << "deleting the current context leaves none current";
    EXPECT_FALSE(wglDeleteContext(context));
    EXPECT_FALSE(wglMakeCurrent(dc, context));
}

TEST_F(Context, DifferentFormatRecreatesTheNativeWindowBehindTheSameHandle)
{
    const HDC dc = GetDC(window);
    const Uint32 idBefore = sdlIdOf(window);
    PIXELFORMATDESCRIPTOR descriptor = systemDescriptor();
    descriptor.cDepthBits = 24;
    descriptor.cStencilBits = 8;
    ASSERT_TRUE(SetPixelFormat(dc, 1, &descriptor));
    const Uint32 idAfter = sdlIdOf(window);
    ASSERT_NE(idAfter, 0u);
    EXPECT_NE(idAfter, idBefore);
    EXPECT_EQ(GetDC(window), dc);
    SDL_Window *sdlWindow = platform::sdlWindowOf(window);
    EXPECT_NE(SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_HIDDEN, 0u);
    EXPECT_STREQ(SDL_GetWindowTitle(sdlWindow), "Recording");
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(sdlWindow, &width, &height);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);

    const HGLRC context = wglCreateContext(dc);
    ASSERT_NE(context, nullptr);
    ASSERT_TRUE(wglMakeCurrent(dc, context));
    GLint depth = 0;
    GLint stencil = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    EXPECT_GE(depth, 24);
    EXPECT_GE(stencil, 8);
    EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_TRUE(wglDeleteContext(context));

    // Events of the new native window reach the same handle.
    pushWindowEvent(SDL_WINDOWEVENT_CLOSE, idAfter);
    const std::vector<MSG> messages = drainMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].hwnd, window);
    EXPECT_EQ(messages[0].message, static_cast<UINT>(WM_CLOSE));
}

TEST_F(Context, FullScreenModeIsTakenByPopupsUntilTheDesktopReturns)
{
    SDL_DisplayMode desktop{};
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
    DEVMODEA mode{};
    mode.dmSize = sizeof(DEVMODEA);
    mode.dmBitsPerPel = 32;
    mode.dmPelsWidth = static_cast<DWORD>(desktop.w);
    mode.dmPelsHeight = static_cast<DWORD>(desktop.h);
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;

    DEVMODEA impossible = mode;
    impossible.dmPelsWidth = 12345;
    impossible.dmPelsHeight = 678;
    EXPECT_EQ(ChangeDisplaySettingsA(&impossible, CDS_FULLSCREEN), DISP_CHANGE_BADMODE);
    DEVMODEA oddDepth = mode;
    oddDepth.dmBitsPerPel = 7;
    EXPECT_EQ(ChangeDisplaySettingsA(&oddDepth, CDS_FULLSCREEN), DISP_CHANGE_BADMODE);

    ASSERT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    const HWND popup = createWindow("popup", 0x86000000, desktop.w, desktop.h);
    ASSERT_NE(popup, nullptr);
    EXPECT_NE(SDL_GetWindowFlags(platform::sdlWindowOf(popup)) & SDL_WINDOW_FULLSCREEN, 0u);
    SDL_DisplayMode taken{};
    ASSERT_EQ(SDL_GetWindowDisplayMode(platform::sdlWindowOf(popup), &taken), 0);
    EXPECT_EQ(taken.w, desktop.w);
    EXPECT_EQ(taken.h, desktop.h);
    EXPECT_EQ(SDL_GetWindowFlags(platform::sdlWindowOf(window)) & SDL_WINDOW_FULLSCREEN, 0u)
        << "windowed styles stay windowed";

    EXPECT_EQ(ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(SDL_GetWindowFlags(platform::sdlWindowOf(popup)) & SDL_WINDOW_FULLSCREEN, 0u);
    const HWND laterPopup = createWindow("later", 0x86000000, 64, 64);
    ASSERT_NE(laterPopup, nullptr);
    EXPECT_EQ(SDL_GetWindowFlags(platform::sdlWindowOf(laterPopup)) & SDL_WINDOW_FULLSCREEN, 0u);
    EXPECT_TRUE(DestroyWindow(laterPopup));
    EXPECT_TRUE(DestroyWindow(popup));
}
