// The portable window table on a fake native backend: the order of messages and native calls in creation,
// showing and destruction, what each failure releases, stale handles, classes, pixel formats and PlaySound's choices.
#include "platform/window_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform {

struct NativeWindow {
    int width;
    int height;
};

struct NativeContext {
    int number;
};

}  // namespace platform

using platform::GlPixelAttributes;
using platform::NativeWindow;
using platform::WindowRecord;

namespace {

// Native calls and window messages in the one order they happened.
std::vector<std::string> events;

struct FakeBackend {
    bool refuseWindow = false;
    bool refuseRemake = false;
    bool refuseContext = false;
    bool refuseCurrent = false;
    int contextsMade = 0;
    int pendingEvents = 0;  // what the next pump posts, as WM_KEYDOWN to the first window
    bool visible = false;
    bool soundOutput = true;
    std::vector<std::string> readableFiles;
    bool chimeAvailable = true;
    // What the procedure answers.
    bool refuseNcCreate = false;
    bool failCreate = false;
    bool destroyInCreate = false;
    bool destroyAgainInDestroy = false;
    BOOL nestedDestroyResult = -1;
    int destroyedNatives = 0;
    GlPixelAttributes remadeFor;
};

FakeBackend fake;

std::string messageName(UINT message)
{
    switch (message) {
    case WM_NCCREATE: return "WM_NCCREATE";
    case WM_CREATE: return "WM_CREATE";
    case WM_SIZE: return "WM_SIZE";
    case WM_ACTIVATE: return "WM_ACTIVATE";
    case WM_DESTROY: return "WM_DESTROY";
    case WM_NCDESTROY: return "WM_NCDESTROY";
    default: return "message " + std::to_string(message);
    }
}

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    std::string entry = messageName(message);
    if (message == WM_SIZE) {
        entry += " " + std::to_string(LOWORD(lParam)) + "x" + std::to_string(HIWORD(lParam));
    }
    events.push_back(entry);
    (void)wParam;
    switch (message) {
    case WM_NCCREATE: return fake.refuseNcCreate ? FALSE : TRUE;
    case WM_CREATE:
        if (fake.destroyInCreate) {
            DestroyWindow(window);
        }
        return fake.failCreate ? -1 : 0;
    case WM_DESTROY:
        if (fake.destroyAgainInDestroy) {
            fake.nestedDestroyResult = DestroyWindow(window);
        }
        return 0;
    default: return 0;
    }
}

const char className[] = "TableTest";

WNDCLASSA testClass()
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.lpszClassName = className;
    return windowClass;
}

PIXELFORMATDESCRIPTOR descriptor(BYTE depth, BYTE stencil)
{
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cDepthBits = depth;
    pfd.cStencilBits = stencil;
    return pfd;
}

class WindowTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        events.clear();
        fake = FakeBackend();
        const WNDCLASSA windowClass = testClass();
        ASSERT_NE(RegisterClassA(&windowClass), 0);
    }

    void TearDown() override
    {
        fake = FakeBackend();
        for (WindowRecord *record : platform::liveWindows()) {
            DestroyWindow(record->handle);
        }
        EXPECT_TRUE(platform::windowTableEmpty());
        UnregisterClassA(className, nullptr);
        MSG message;
        while (platform::takeMessage(message, nullptr, 0, 0, PM_REMOVE)) {
        }
        events.clear();
    }

    static HWND create(DWORD style = WS_CAPTION, int width = 640, int height = 480)
    {
        return CreateWindowExA(0, className, "Table", style, 0, 0, width, height, nullptr, nullptr, nullptr, nullptr);
    }
};

}  // namespace

namespace platform {

NativeWindow *createNativeWindow(const WindowRecord &record, const char *title, int, int, int width, int height)
{
    events.push_back("create native " + std::string(title) + (record.style & WS_VISIBLE ? " visible" : ""));
    return fake.refuseWindow ? nullptr : new NativeWindow{width, height};
}

void destroyNativeWindow(HWND window, NativeWindow *native)
{
    // The record has already gone: nothing reaches the window any more.
    events.push_back(findWindow(window) == nullptr ? "destroy native" : "destroy native of a listed window");
    ++fake.destroyedNatives;
    delete native;
}

bool showNativeWindow(WindowRecord &, bool show)
{
    events.push_back(show ? "show native" : "hide native");
    const bool was = fake.visible;
    fake.visible = show;
    return was;
}

void nativeClientSize(const WindowRecord &record, int &width, int &height)
{
    width = record.native->width;
    height = record.native->height;
}

bool remakeNativeWindowFor(WindowRecord &, const GlPixelAttributes &wanted)
{
    events.push_back("remake native");
    fake.remadeFor = wanted;
    return !fake.refuseRemake;
}

NativeContext *makeNativeContext(const WindowRecord &)
{
    events.push_back("make context");
    return fake.refuseContext ? nullptr : new NativeContext{++fake.contextsMade};
}

bool makeNativeContextCurrent(const WindowRecord *record, NativeContext *context)
{
    events.push_back(context == nullptr ? "release current" : "make current " + std::to_string(context->number));
    EXPECT_EQ(record == nullptr, context == nullptr);
    return !fake.refuseCurrent;
}

void deleteNativeContext(NativeContext *context)
{
    events.push_back("delete context " + std::to_string(context->number));
    delete context;
}

void swapNativeBuffers(const WindowRecord &) { events.push_back("swap"); }

void pumpNativeEvents()
{
    events.push_back("pump");
    for (; fake.pendingEvents > 0; --fake.pendingEvents) {
        postMessage(firstWindow()->handle, WM_KEYDOWN, 0, 0, 0);
    }
}

void afterPeek(bool found) { events.push_back(found ? "found" : "found nothing"); }
bool waitForNativeEvents(DWORD milliseconds)
{
    events.push_back("wait " + std::to_string(milliseconds));
    return false;
}

bool openSoundOutput()
{
    events.push_back("open output");
    return fake.soundOutput;
}

bool prepareSound(const char *file)
{
    if (file == nullptr) {
        events.push_back("prepare chime");
        return fake.chimeAvailable;
    }
    events.push_back("prepare " + std::string(file));
    for (const std::string &readable : fake.readableFiles) {
        if (readable == file) return true;
    }
    return false;
}

void playPreparedSound(bool looping) { events.push_back(looping ? "play looping" : "play once"); }

void waitForSoundEnd() { events.push_back("wait"); }

void stopSound() { events.push_back("stop"); }

}  // namespace platform

using Events = std::vector<std::string>;

TEST_F(WindowTable, CreationSendsNcCreateThenCreateThenTheFirstShowsSizeAndActivation)
{
    const HWND window = create(WS_CAPTION | WS_VISIBLE, 320, 200);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(events, (Events{"create native Table visible", "WM_NCCREATE", "WM_CREATE", "show native",
                              "WM_SIZE 320x200", "WM_ACTIVATE"}));
    EXPECT_EQ(platform::firstWindow()->handle, window);

    events.clear();
    EXPECT_TRUE(ShowWindow(window, SW_SHOW));
    EXPECT_EQ(events, (Events{"show native"})) << "size and activation come with the first show only";
}

TEST_F(WindowTable, AHiddenWindowIsSizedWhenFirstShownNotWhenHidden)
{
    const HWND window = create(WS_CAPTION, 100, 50);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(events, (Events{"create native Table", "WM_NCCREATE", "WM_CREATE"}));
    events.clear();
    EXPECT_FALSE(ShowWindow(window, SW_HIDE));
    EXPECT_FALSE(ShowWindow(window, SW_SHOW));
    EXPECT_EQ(events, (Events{"hide native", "show native", "WM_SIZE 100x50", "WM_ACTIVATE"}));
}

TEST_F(WindowTable, DestructionSendsDestroyThenNcDestroyThenReleasesTheNativeWindowOnce)
{
    const HWND window = create();
    ASSERT_NE(window, nullptr);
    events.clear();
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_EQ(events, (Events{"WM_DESTROY", "WM_NCDESTROY", "destroy native"}));
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_EQ(fake.destroyedNatives, 1);
    EXPECT_TRUE(platform::windowTableEmpty());
}

TEST_F(WindowTable, DestroyingAgainFromWmDestroyIsRefused)
{
    const HWND window = create();
    ASSERT_NE(window, nullptr);
    fake.destroyAgainInDestroy = true;
    events.clear();
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_EQ(fake.nestedDestroyResult, FALSE);
    EXPECT_EQ(events, (Events{"WM_DESTROY", "WM_NCDESTROY", "destroy native"}));
}

TEST_F(WindowTable, ARefusedNcCreateGetsOnlyNcDestroyAndReleasesTheNativeWindow)
{
    fake.refuseNcCreate = true;
    EXPECT_EQ(create(WS_CAPTION | WS_VISIBLE), nullptr);
    EXPECT_EQ(events, (Events{"create native Table visible", "WM_NCCREATE", "WM_NCDESTROY", "destroy native"}));
    EXPECT_TRUE(platform::windowTableEmpty());
}

TEST_F(WindowTable, AFailedCreateDestroysTheWindowWithoutShowingIt)
{
    fake.failCreate = true;
    EXPECT_EQ(create(WS_CAPTION | WS_VISIBLE), nullptr);
    EXPECT_EQ(events, (Events{"create native Table visible", "WM_NCCREATE", "WM_CREATE", "WM_DESTROY", "WM_NCDESTROY",
                              "destroy native"}));
    EXPECT_TRUE(platform::windowTableEmpty());
}

TEST_F(WindowTable, AWindowDestroyedDuringCreateIsNotReturned)
{
    fake.destroyInCreate = true;
    EXPECT_EQ(create(WS_CAPTION | WS_VISIBLE), nullptr);
    EXPECT_EQ(events, (Events{"create native Table visible", "WM_NCCREATE", "WM_CREATE", "WM_DESTROY", "WM_NCDESTROY",
                              "destroy native"}));
    EXPECT_EQ(fake.destroyedNatives, 1);
}

TEST_F(WindowTable, ARefusedNativeWindowMeansNoMessagesAndNoRecord)
{
    fake.refuseWindow = true;
    EXPECT_EQ(create(), nullptr);
    EXPECT_EQ(events, (Events{"create native Table"}));
    EXPECT_EQ(fake.destroyedNatives, 0);
    EXPECT_TRUE(platform::windowTableEmpty());
}

TEST_F(WindowTable, AnUnknownOrMissingClassCreatesNothing)
{
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "x", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(CreateWindowExA(0, nullptr, "x", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    // As Windows: a child with no parent to live in is no window at all.
    EXPECT_EQ(CreateWindowExA(0, className, "x", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_TRUE(events.empty());
}

TEST_F(WindowTable, AStaleHandleIsUnknownEverywhereAndItsPostedMessagesAreGone)
{
    const HWND window = create();
    const HWND other = create();
    ASSERT_NE(window, nullptr);
    ASSERT_NE(other, nullptr);
    const HDC dc = GetDC(window);
    ASSERT_NE(dc, nullptr);
    EXPECT_NE(dc, GetDC(other));
    EXPECT_EQ(ReleaseDC(window, dc), 1);
    EXPECT_EQ(ReleaseDC(other, dc), 0);
    platform::postMessage(window, WM_KEYDOWN, 1, 0, 0);
    platform::postMessage(other, WM_KEYDOWN, 2, 0, 0);
    ASSERT_TRUE(DestroyWindow(window));
    events.clear();

    EXPECT_EQ(platform::findWindow(window), nullptr);
    EXPECT_EQ(platform::findWindowByDc(dc), nullptr);
    EXPECT_EQ(GetDC(window), nullptr);
    EXPECT_EQ(ReleaseDC(window, dc), 0);
    EXPECT_FALSE(ShowWindow(window, SW_SHOW));
    EXPECT_EQ(platform::sendMessage(window, WM_KEYDOWN, 0, 0), 0);
    EXPECT_EQ(ChoosePixelFormat(dc, nullptr), 0);
    const PIXELFORMATDESCRIPTOR pfd = descriptor(16, 0);
    EXPECT_FALSE(SetPixelFormat(dc, 1, &pfd));
    EXPECT_TRUE(events.empty());
    // A new window never takes the stale handle's value.
    const HWND next = create();
    EXPECT_NE(next, window);
    EXPECT_NE(GetDC(next), dc);

    MSG message;
    ASSERT_TRUE(platform::takeMessage(message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.hwnd, other);
    EXPECT_EQ(message.wParam, 2u);
    EXPECT_FALSE(platform::takeMessage(message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(platform::liveWindows(),
              (std::vector<WindowRecord *>{platform::findWindow(other), platform::findWindow(next)}));
}

TEST_F(WindowTable, AClassRegistersOnceAndStaysWhileOneOfItsWindowsDoes)
{
    const WNDCLASSA windowClass = testClass();
    EXPECT_EQ(RegisterClassA(&windowClass), 0) << "registered in SetUp";
    const HWND window = create();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(UnregisterClassA(className, nullptr));
    ASSERT_TRUE(DestroyWindow(window));
    EXPECT_TRUE(UnregisterClassA(className, nullptr));
    EXPECT_FALSE(UnregisterClassA(className, nullptr));
    EXPECT_EQ(create(), nullptr);
    EXPECT_NE(RegisterClassA(&windowClass), 0);
}

TEST_F(WindowTable, APixelFormatIsSetOnceRemakingTheNativeWindowOnlyForAnotherVisual)
{
    const HWND window = create();
    const HDC dc = GetDC(window);
    EXPECT_EQ(platform::drawableWindow(dc), nullptr);
    const PIXELFORMATDESCRIPTOR usual = descriptor(16, 0);
    const PIXELFORMATDESCRIPTOR stencilled = descriptor(24, 8);
    EXPECT_EQ(ChoosePixelFormat(dc, &usual), 1);
    EXPECT_EQ(ChoosePixelFormat(dc, nullptr), 0);
    EXPECT_FALSE(SetPixelFormat(dc, 2, &usual));

    events.clear();
    ASSERT_TRUE(SetPixelFormat(dc, 1, &stencilled));
    EXPECT_EQ(events, (Events{"remake native"}));
    EXPECT_EQ(fake.remadeFor.depthBits, 24);
    EXPECT_EQ(fake.remadeFor.stencilBits, 8);
    EXPECT_EQ(platform::drawableWindow(dc), platform::findWindow(window));
    EXPECT_EQ(platform::findWindow(window)->visual.stencilBits, 8);

    events.clear();
    EXPECT_TRUE(SetPixelFormat(dc, 1, &stencilled)) << "the same format again is accepted";
    EXPECT_TRUE(SetPixelFormat(dc, 1, nullptr));
    EXPECT_FALSE(SetPixelFormat(dc, 1, &usual)) << "a format never changes";
    EXPECT_TRUE(events.empty());
}

TEST_F(WindowTable, TheDefaultVisualNeedsNoNewNativeWindow)
{
    const HDC dc = GetDC(create());
    const PIXELFORMATDESCRIPTOR usual = descriptor(16, 0);
    events.clear();
    EXPECT_TRUE(SetPixelFormat(dc, 1, &usual));
    EXPECT_TRUE(events.empty());
    EXPECT_NE(platform::drawableWindow(dc), nullptr);
}

TEST_F(WindowTable, ARefusedRemakeLeavesTheFormatUnsetAndTheVisualAsItWas)
{
    const HWND window = create();
    const HDC dc = GetDC(window);
    const PIXELFORMATDESCRIPTOR stencilled = descriptor(24, 8);
    PIXELFORMATDESCRIPTOR unsupported = descriptor(24, 8);
    unsupported.dwFlags &= ~static_cast<DWORD>(PFD_SUPPORT_OPENGL);
    EXPECT_EQ(ChoosePixelFormat(dc, &unsupported), 0);
    EXPECT_FALSE(SetPixelFormat(dc, 1, &unsupported));
    fake.refuseRemake = true;
    EXPECT_FALSE(SetPixelFormat(dc, 1, &stencilled));
    EXPECT_EQ(platform::drawableWindow(dc), nullptr);
    EXPECT_EQ(platform::findWindow(window)->visual, GlPixelAttributes());
    fake.refuseRemake = false;
    EXPECT_TRUE(SetPixelFormat(dc, 1, &stencilled)) << "the refusal did not count as setting it";
}

TEST_F(WindowTable, ContextsNeedAPixelFormatAndEachHandleIsMadeAndDeletedOnce)
{
    const HWND window = create();
    const HDC dc = GetDC(window);
    events.clear();
    EXPECT_EQ(wglCreateContext(dc), nullptr) << "no pixel format yet";
    EXPECT_FALSE(SwapBuffers(dc));
    EXPECT_TRUE(events.empty());

    const PIXELFORMATDESCRIPTOR usual = descriptor(16, 0);
    ASSERT_TRUE(SetPixelFormat(dc, 1, &usual));
    fake.refuseContext = true;
    EXPECT_EQ(wglCreateContext(dc), nullptr);
    fake.refuseContext = false;
    const HGLRC first = wglCreateContext(dc);
    const HGLRC second = wglCreateContext(dc);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_NE(reinterpret_cast<uintptr_t>(first), reinterpret_cast<uintptr_t>(dc)) << "handles never collide";
    EXPECT_TRUE(wglMakeCurrent(dc, second));
    EXPECT_FALSE(wglMakeCurrent(nullptr, second));
    fake.refuseCurrent = true;
    EXPECT_FALSE(wglMakeCurrent(dc, first));
    fake.refuseCurrent = false;
    EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_TRUE(SwapBuffers(dc));
    EXPECT_TRUE(wglDeleteContext(first));
    EXPECT_FALSE(wglDeleteContext(first));
    EXPECT_FALSE(wglMakeCurrent(dc, first));
    EXPECT_TRUE(wglDeleteContext(second));
    EXPECT_EQ(events, (Events{"make context", "make context", "make context", "make current 2", "make current 1",
                              "release current", "swap", "delete context 1", "delete context 2"}));
}

TEST_F(WindowTable, PeekMessagePumpsTheHostFirstAndReportsWhatItFound)
{
    const HWND window = create();
    fake.pendingEvents = 2;
    events.clear();
    MSG message;
    EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
    EXPECT_TRUE(events.empty());
    ASSERT_TRUE(PeekMessageA(&message, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.hwnd, window);
    EXPECT_EQ(message.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(events, (Events{"pump", "found", "pump", "found", "pump", "found nothing"}));

    // Waiting on the queue: what is posted answers at once; otherwise the host waits, and only the queue can be
    // waited on.
    events.clear();
    platform::postMessage(window, WM_KEYDOWN, 0, 0, 0);
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 40, QS_ALLINPUT), static_cast<DWORD>(WAIT_OBJECT_0));
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    events.clear();
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 40, QS_ALLINPUT), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(events, (Events{"pump", "wait 40"}));
    HANDLE object = nullptr;
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &object, FALSE, 40, QS_ALLINPUT), static_cast<DWORD>(WAIT_FAILED));
}

TEST_F(WindowTable, PostedMessagesAreTakenInOrderAndQuitComesLast)
{
    const HWND window = create();
    platform::postMessage(window, WM_KEYDOWN, 1, 0, 7);
    platform::postMessage(window, WM_KEYUP, 2, 0, 8);
    PostQuitMessage(3);
    MSG message;
    ASSERT_TRUE(platform::takeMessage(message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_KEYDOWN));
    ASSERT_TRUE(platform::takeMessage(message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(message.time, 7u);
    ASSERT_TRUE(platform::takeMessage(message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_KEYUP));
    ASSERT_TRUE(platform::takeMessage(message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.wParam, 3u);
    EXPECT_FALSE(platform::takeMessage(message, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowTable, PlaySoundStopsForANullNameAndFailsWithoutAnOutput)
{
    EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));
    EXPECT_EQ(events, (Events{"stop"}));
    events.clear();
    fake.soundOutput = false;
    fake.readableFiles = {"a.wav"};
    EXPECT_FALSE(PlaySoundA("a.wav", nullptr, SND_ASYNC));
    EXPECT_EQ(events, (Events{"open output"}));
}

TEST_F(WindowTable, PlaySoundLoopsOrWaitsAsTheFlagsSay)
{
    fake.readableFiles = {"a.wav"};
    EXPECT_TRUE(PlaySoundA("a.wav", nullptr, SND_ASYNC | SND_LOOP));
    EXPECT_TRUE(PlaySoundA("a.wav", nullptr, SND_LOOP)) << "a loop never waits";
    EXPECT_TRUE(PlaySoundA("a.wav", nullptr, SND_ASYNC));
    EXPECT_TRUE(PlaySoundA("a.wav", nullptr, SND_SYNC));
    EXPECT_EQ(events, (Events{"open output", "prepare a.wav", "play looping", "open output", "prepare a.wav",
                              "play looping", "open output", "prepare a.wav", "play once", "open output",
                              "prepare a.wav", "play once", "wait"}));
}

TEST_F(WindowTable, AMissingFilePlaysTheChimeOnceUnlessNoDefaultIsAsked)
{
    EXPECT_TRUE(PlaySoundA("gone.wav", nullptr, SND_ASYNC | SND_LOOP));
    EXPECT_EQ(events, (Events{"open output", "prepare gone.wav", "prepare chime", "play once"}));
    events.clear();
    EXPECT_TRUE(PlaySoundA("gone.wav", nullptr, SND_SYNC | SND_LOOP)) << "the chime is waited for as a sound";
    EXPECT_EQ(events, (Events{"open output", "prepare gone.wav", "prepare chime", "play once", "wait"}));
    events.clear();
    EXPECT_FALSE(PlaySoundA("gone.wav", nullptr, SND_ASYNC | SND_NODEFAULT));
    EXPECT_EQ(events, (Events{"open output", "prepare gone.wav", "stop"}));
    events.clear();
    fake.chimeAvailable = false;
    EXPECT_FALSE(PlaySoundA("gone.wav", nullptr, SND_ASYNC));
    EXPECT_EQ(events, (Events{"open output", "prepare gone.wav", "prepare chime", "stop"}));
}

TEST_F(WindowTable, AFileFoundUnplayableOnlyLaterGetsTheSameChoiceForItsCallsFlags)
{
    // A layer that fetches the file accepts it at once and learns later that it cannot be played.
    fake.readableFiles = {"late.wav"};
    EXPECT_TRUE(PlaySoundA("late.wav", nullptr, SND_ASYNC | SND_LOOP));
    events.clear();
    platform::soundFileUnavailable();
    EXPECT_EQ(events, (Events{"prepare chime", "play once"}));
    events.clear();
    EXPECT_TRUE(PlaySoundA("late.wav", nullptr, SND_ASYNC | SND_LOOP | SND_NODEFAULT));
    events.clear();
    platform::soundFileUnavailable();
    EXPECT_EQ(events, (Events{"stop"}));
}
