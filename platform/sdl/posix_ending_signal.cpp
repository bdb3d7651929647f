// SDL layer only: Which signal asked the program to end, noted beside SDL's own handler (which turns it into a
// quit event), and the end by that signal that a screen-saver daemon expects of its hacks.
#include "platform/native_host.h"
#include "platform/sdl/sdl_layer.h"

#include <csignal>
#include <cstdlib>

namespace platform {

namespace {

volatile sig_atomic_t askedBy = 0;
const int endingSignals[2] = {SIGINT, SIGTERM};
struct sigaction sdlHandlers[2];

void noteEndAsked(int signal)
{
    askedBy = signal;
    const struct sigaction &sdl = sdlHandlers[signal == SIGINT ? 0 : 1];
    sdl.sa_handler(signal);
}

}  // namespace

void watchEndingSignals()
{
    static bool watching = false;
    if (watching) return;
    watching = true;
    // Only where SDL handles the signal itself: an ignored or default signal keeps its meaning.
    for (int i = 0; i < 2; ++i) {
        struct sigaction current = {};
        if (sigaction(endingSignals[i], nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) != 0 ||
            current.sa_handler == SIG_DFL || current.sa_handler == SIG_IGN || current.sa_handler == noteEndAsked) {
            continue;
        }
        sdlHandlers[i] = current;
        struct sigaction noting = current;
        noting.sa_handler = noteEndAsked;
        sigaction(endingSignals[i], &noting, nullptr);
    }
}

int endingSignal() { return askedBy; }

void endBySignal(int signal)
{
    // Nothing more is torn down: the window and the context are gone already, and the system takes the rest.
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(signal, &byDefault, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    std::raise(signal);
    // A signal whose default is not to end (none of SIGINT and SIGTERM): the status a shell would show.
    std::_Exit(128 + signal);
}

}  // namespace platform
